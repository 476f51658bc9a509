// picture.cpp -- offscreen test devices, back-buffer readback, colour averages and PNG output
#include "tests/support/picture.h"

#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace testsupport {

TestDevice::~TestDevice() {
  if (device) device->Release();
  if (d3d) d3d->Release();
}

bool CreateTestDevice(TestDevice* out, int width, int height, int samples) {
  out->d3d = Direct3DCreate9(D3D_SDK_VERSION);
  if (!out->d3d) {
    out->error = "Direct3DCreate9 failed (no display or no OpenGL 3.3)";
    return false;
  }
  D3DPRESENT_PARAMETERS pp = {};
  pp.BackBufferWidth = static_cast<UINT>(width);
  pp.BackBufferHeight = static_cast<UINT>(height);
  pp.BackBufferFormat = D3DFMT_X8R8G8B8;
  pp.BackBufferCount = 1;
  pp.MultiSampleType = static_cast<D3DMULTISAMPLE_TYPE>(samples);
  pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
  pp.Windowed = TRUE;
  pp.EnableAutoDepthStencil = TRUE;
  pp.AutoDepthStencilFormat = D3DFMT_D16;
  pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
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

bool ReadSurface(IDirect3DDevice9* device, IDirect3DSurface9* surface, Picture* out) {
  D3DSURFACE_DESC desc;
  if (FAILED(surface->GetDesc(&desc))) return false;
  if (desc.Format != D3DFMT_A8R8G8B8 && desc.Format != D3DFMT_X8R8G8B8) return false;
  IDirect3DSurface9* plain = nullptr;
  if (FAILED(device->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format, D3DPOOL_SYSTEMMEM, &plain,
                                                 nullptr))) {
    return false;
  }
  bool ok = false;
  D3DLOCKED_RECT locked;
  if (SUCCEEDED(device->GetRenderTargetData(surface, plain)) && SUCCEEDED(plain->LockRect(&locked, nullptr, 0))) {
    out->width = static_cast<int>(desc.Width);
    out->height = static_cast<int>(desc.Height);
    out->rgba.resize(static_cast<size_t>(desc.Width) * desc.Height * 4);
    for (UINT y = 0; y < desc.Height; ++y) {
      const uint8_t* row = static_cast<const uint8_t*>(locked.pBits) + static_cast<size_t>(y) * locked.Pitch;
      for (UINT x = 0; x < desc.Width; ++x) {
        uint8_t* p = out->rgba.data() + (static_cast<size_t>(y) * desc.Width + x) * 4;
        p[0] = row[x * 4 + 2];  // A8R8G8B8 bytes are B, G, R, A
        p[1] = row[x * 4 + 1];
        p[2] = row[x * 4 + 0];
        p[3] = row[x * 4 + 3];
      }
    }
    plain->UnlockRect();
    ok = true;
  }
  plain->Release();
  return ok;
}

bool ReadBackBuffer(IDirect3DDevice9* device, Picture* out) {
  IDirect3DSurface9* back = nullptr;
  if (FAILED(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back))) return false;
  bool ok = ReadSurface(device, back, out);
  back->Release();
  return ok;
}

bool ReadFloatSurface(IDirect3DDevice9* device, IDirect3DSurface9* surface, std::vector<float>* out, int* width,
                      int* height) {
  D3DSURFACE_DESC desc;
  if (FAILED(surface->GetDesc(&desc)) || desc.Format != D3DFMT_R32F) return false;
  IDirect3DSurface9* plain = nullptr;
  if (FAILED(device->CreateOffscreenPlainSurface(desc.Width, desc.Height, D3DFMT_R32F, D3DPOOL_SYSTEMMEM, &plain,
                                                 nullptr))) {
    return false;
  }
  bool ok = false;
  D3DLOCKED_RECT locked;
  if (SUCCEEDED(device->GetRenderTargetData(surface, plain)) && SUCCEEDED(plain->LockRect(&locked, nullptr, 0))) {
    out->resize(static_cast<size_t>(desc.Width) * desc.Height);
    for (UINT y = 0; y < desc.Height; ++y) {
      std::memcpy(out->data() + static_cast<size_t>(y) * desc.Width,
                  static_cast<const uint8_t*>(locked.pBits) + static_cast<size_t>(y) * locked.Pitch, desc.Width * 4);
    }
    *width = static_cast<int>(desc.Width);
    *height = static_cast<int>(desc.Height);
    plain->UnlockRect();
    ok = true;
  }
  plain->Release();
  return ok;
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
  if (width <= 0 || height <= 0 || rgba.size() < static_cast<size_t>(width) * height * 4) return false;
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = PNG_FORMAT_RGBA;
  return png_image_write_to_file(&image, path.c_str(), 0, rgba.data(), width * 4, nullptr) != 0;
}

bool WritePng(const Picture& picture, const std::string& path) {
  return WritePngRgba(path, picture.width, picture.height, picture.rgba);
}

}  // namespace testsupport
