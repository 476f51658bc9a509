// offscreen_device.cpp -- an offscreen Direct3D device attached to the program's Device
#include "src/scene/offscreen_device.h"

#include <cstdio>

#include "src/shell/device.h"

bool AttachOffscreenDevice(Device* device, int width, int height, int samples, std::string* error) {
  if (device->device || device->direct3d) {
    *error = "the Device already has a Direct3D device";
    return false;
  }
  device->direct3d = Direct3DCreate9(D3D_SDK_VERSION);
  if (!device->direct3d) {
    *error = "Direct3DCreate9 failed (no display or no OpenGL 3.3)";
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
  device->presentParameters = pp;
  // A null focus window gives an offscreen device: nothing appears on the screen.
  HRESULT hr = device->direct3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr,
                                              D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device->device);
  if (FAILED(hr)) {
    char text[80];
    std::snprintf(text, sizeof text, "CreateDevice (%dx%d) failed: 0x%08x", width, height, static_cast<unsigned>(hr));
    *error = text;
    device->device = nullptr;
    device->direct3d->Release();
    device->direct3d = nullptr;
    return false;
  }
  device->width = width;
  device->height = height;
  device->windowed = 1;
  return true;
}
