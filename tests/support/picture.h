// picture.h -- test helpers for pictures: a device to draw on, the back buffer read back, colour checks
//
// Everything goes through the Direct3D calls themselves (GetRenderTargetData, LockRect), so a
// test sees what the program would.
#pragma once

#include <d3d9.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tools/pictures/image.h"
#include "tools/pictures/readback.h"

namespace testsupport {

// Pictures are the tools' Image (RGBA, row 0 = top), read back through pictures/readback.h.
using Picture = pictures::Image;
using pictures::ReadBackBuffer;
using pictures::ReadFloatSurface;
using pictures::ReadSurface;

struct Rgba {
  double r, g, b, a;
};

// Windowed present parameters with a D16 depth buffer, as the tests' and benchmarks' devices
// use them; width and height 0 take the window's size.
D3DPRESENT_PARAMETERS WindowedParameters(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE samples,
                                         UINT backBuffers, UINT interval);

// Direct3DCreate9 plus an offscreen device (no window) of the given size; null with a reason
// in `error` when either fails. `samples` 0 for none.
struct TestDevice {
  IDirect3D9* d3d = nullptr;
  IDirect3DDevice9* device = nullptr;
  std::string error;
  ~TestDevice();
};
bool CreateTestDevice(TestDevice* out, int width, int height, int samples = 0);

// Mean colour of the rectangle [x0, x1) x [y0, y1), channels 0..255.
Rgba AverageColor(const Picture& picture, int x0, int y0, int x1, int y1);
// True when every channel of the mean is within `tolerance` of the expected D3DCOLOR.
bool Near(const Rgba& got, D3DCOLOR expected, double tolerance, bool checkAlpha = false);
std::string Describe(const Rgba& c);

// Mean absolute difference per colour channel, 0..255; 255 when the sizes differ or a picture
// is empty, so that a failed readback never looks alike.
double MeanDifference(const Picture& a, const Picture& b);
// True when no colour channel of any pixel exceeds maxChannel; false for an empty picture.
bool IsBlack(const Picture& picture, int maxChannel);

// Writes the picture as an RGBA PNG, for looking at a failure.
bool WritePng(const Picture& picture, const std::string& path);
// Writes a PNG from RGBA bytes (row 0 = top), for building test images.
bool WritePngRgba(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba);

}  // namespace testsupport
