// picture.cpp -- offscreen test devices, back-buffer readback, colour averages and PNG output
#include "tests/support/picture.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace testsupport {

TestDevice::~TestDevice() {
  if (device) device->Release();
  if (d3d) d3d->Release();
}

D3DPRESENT_PARAMETERS WindowedParameters(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE samples,
                                         UINT backBuffers, UINT interval) {
  D3DPRESENT_PARAMETERS pp = {};
  pp.BackBufferWidth = width;
  pp.BackBufferHeight = height;
  pp.BackBufferFormat = format;
  pp.BackBufferCount = backBuffers;
  pp.MultiSampleType = samples;
  pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
  pp.Windowed = TRUE;
  pp.EnableAutoDepthStencil = TRUE;
  pp.AutoDepthStencilFormat = D3DFMT_D16;
  pp.PresentationInterval = interval;
  return pp;
}

bool CreateTestDevice(TestDevice* out, int width, int height, int samples) {
  out->d3d = Direct3DCreate9(D3D_SDK_VERSION);
  if (!out->d3d) {
    out->error = "Direct3DCreate9 failed (no display or no OpenGL 3.3)";
    return false;
  }
  D3DPRESENT_PARAMETERS pp =
      WindowedParameters(static_cast<UINT>(width), static_cast<UINT>(height), D3DFMT_X8R8G8B8,
                         static_cast<D3DMULTISAMPLE_TYPE>(samples), 1, D3DPRESENT_INTERVAL_IMMEDIATE);
  HRESULT hr = out->d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr,
                                      D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &out->device);
  if (FAILED(hr)) {
    char text[64];
    std::snprintf(text, sizeof text, "CreateDevice failed: 0x%08x", static_cast<unsigned>(hr));
    out->error = text;
    return false;
  }
  return true;
}

double MeanDifference(const Picture& a, const Picture& b) {
  if (a.rgba.size() != b.rgba.size() || a.rgba.empty()) return 255.0;
  double sum = 0.0;
  for (size_t i = 0; i < a.rgba.size(); i += 4) {
    for (int c = 0; c < 3; ++c) sum += std::abs(static_cast<int>(a.rgba[i + c]) - static_cast<int>(b.rgba[i + c]));
  }
  return sum / (3.0 * static_cast<double>(a.rgba.size() / 4));
}

bool IsBlack(const Picture& picture, int maxChannel) {
  for (size_t i = 0; i < picture.rgba.size(); i += 4) {
    for (int c = 0; c < 3; ++c) {
      if (picture.rgba[i + c] > maxChannel) return false;
    }
  }
  return !picture.rgba.empty();
}

Rgba AverageColor(const Picture& picture, int x0, int y0, int x1, int y1) {
  double sum[4] = {};
  long n = 0;
  for (int y = y0 < 0 ? 0 : y0; y < y1 && y < picture.height; ++y) {
    for (int x = x0 < 0 ? 0 : x0; x < x1 && x < picture.width; ++x) {
      const uint8_t* p = picture.at(x, y);
      for (int c = 0; c < 4; ++c) sum[c] += p[c];
      ++n;
    }
  }
  if (n == 0) return {-1, -1, -1, -1};
  return {sum[0] / n, sum[1] / n, sum[2] / n, sum[3] / n};
}

bool Near(const Rgba& got, D3DCOLOR expected, double tolerance, bool checkAlpha) {
  auto close = [&](double v, unsigned e) { return v >= e - tolerance && v <= e + tolerance; };
  return close(got.r, (expected >> 16) & 0xff) && close(got.g, (expected >> 8) & 0xff) &&
         close(got.b, expected & 0xff) && (!checkAlpha || close(got.a, expected >> 24));
}

std::string Describe(const Rgba& c) {
  char text[96];
  std::snprintf(text, sizeof text, "(r %.1f, g %.1f, b %.1f, a %.1f)", c.r, c.g, c.b, c.a);
  return text;
}

bool WritePngRgba(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba) {
  if (width <= 0 || height <= 0 || rgba.size() != static_cast<size_t>(width) * height * 4) return false;
  Picture picture;
  picture.width = width;
  picture.height = height;
  picture.rgba = rgba;
  return pictures::SavePng(picture, path);
}

bool WritePng(const Picture& picture, const std::string& path) { return pictures::SavePng(picture, path); }

}  // namespace testsupport
