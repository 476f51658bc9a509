// d3d9_window_test.cpp -- a device on a real window: back-buffer size from the client area, Present
#include <d3d9.h>
#include <gtest/gtest.h>
#include <windows.h>

#include "platform/testing/testing.h"
#include "tests/support/picture.h"

namespace {

TEST(D3D9Window, WindowedDeviceTakesTheClientSizeAndPresents) {
  platform_testing::Reset();
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "D3D9WindowTest";
  ASSERT_NE(0, RegisterClassExA(&wc));
  HWND window = CreateWindowExA(0, "D3D9WindowTest", "d3d9 test", WS_VISIBLE | WS_CAPTION, 0, 0, 96, 80, nullptr,
                                nullptr, wc.hInstance, nullptr);
  ASSERT_NE(nullptr, window);
  RECT client;
  GetClientRect(window, &client);
  IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
  ASSERT_NE(nullptr, d3d);
  D3DDISPLAYMODE desktop;
  ASSERT_EQ(D3D_OK, d3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &desktop));
  D3DPRESENT_PARAMETERS pp =
      testsupport::WindowedParameters(0, 0, desktop.Format, D3DMULTISAMPLE_4_SAMPLES, 2, D3DPRESENT_INTERVAL_ONE);
  IDirect3DDevice9* device = nullptr;
  ASSERT_EQ(D3D_OK, d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                                      D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device));
  IDirect3DSurface9* back = nullptr;
  ASSERT_EQ(D3D_OK, device->GetBackBuffer(0, 1, D3DBACKBUFFER_TYPE_MONO, &back));
  D3DSURFACE_DESC desc;
  back->GetDesc(&desc);
  EXPECT_EQ(static_cast<UINT>(client.right - client.left), desc.Width);
  EXPECT_EQ(static_cast<UINT>(client.bottom - client.top), desc.Height);
  EXPECT_EQ(D3DMULTISAMPLE_4_SAMPLES, desc.MultiSampleType);
  back->Release();
  for (int frame = 0; frame < 3; ++frame) {
    ASSERT_EQ(D3D_OK, device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, D3DCOLOR_XRGB(0, 0, 200), 1.f, 0));
    ASSERT_EQ(D3D_OK, device->Present(nullptr, nullptr, nullptr, nullptr));
  }
  // Present leaves the back buffer and the device's state usable.
  device->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(0, 150, 0), 1.f, 0);
  testsupport::Picture p;
  ASSERT_TRUE(testsupport::ReadBackBuffer(device, &p));
  EXPECT_TRUE(testsupport::Near(testsupport::AverageColor(p, 0, 0, p.width, p.height), D3DCOLOR_XRGB(0, 150, 0), 0));
  platform_testing::FailCall("IDirect3DDevice9::Present");
  EXPECT_EQ(D3DERR_DEVICELOST, device->Present(nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(0u, device->Release());
  EXPECT_EQ(0u, d3d->Release());
  DestroyWindow(window);
  UnregisterClassA("D3D9WindowTest", wc.hInstance);
  platform_testing::Reset();
}

}  // namespace
