// device_test.cpp -- Device::Create's order, failures and messages; present parameters; shutdown
//
// Runs on the real platform layer under Xvfb with a 1024 x 768 screen: full screen at 1024 x 768
// exists there, any other full-screen size does not.
#include <gtest/gtest.h>
#include <windows.h>

#include <d3d9.h>

#include <string>

#include "platform/testing/testing.h"
#include "src/device/device.h"

namespace {

class DeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform_testing::Reset();
    platform_testing::CaptureMessageBoxes(true);
  }
  void TearDown() override {
    Device::DeleteInstance();
    platform_testing::Reset();
  }

  // The class must be free again once the Device is gone: shutdown unregistered it.
  static void ExpectClassFree() {
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kDeviceWindowClass;
    EXPECT_NE(RegisterClassExA(&wc), 0) << "the window class outlived the Device";
    UnregisterClassA(kDeviceWindowClass, wc.hInstance);
  }
};

TEST_F(DeviceTest, InstanceIsOneObjectUntilDeleted) {
  Device* first = Device::Instance();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(Device::Instance(), first);
  EXPECT_EQ(first->resources.count, 0u);
  EXPECT_EQ(first->resources.capacity, 8u);
  EXPECT_EQ(first->device, nullptr);
  EXPECT_EQ(first->direct3d, nullptr);
  EXPECT_EQ(first->window, nullptr);
  Device::DeleteInstance();
  Device::DeleteInstance();  // a second delete finds nothing
}

TEST_F(DeviceTest, CreateFailuresEndWithTheirMessageOrNone) {
  struct Case {
    const char* failing;  // platform call made to fail ("" for none)
    int width, height, windowed;
    int result;
    const char* message;  // null: no message box
  } cases[] = {
      {"IDirect3D9::CreateDevice:hardware", 1024, 768, 0, 1, nullptr},
      {"IDirect3D9::CreateDevice:multisample", 1024, 768, 0, 0, nullptr},
      {"IDirect3D9::EnumAdapterModes", 1024, 768, 0, 0, nullptr},
      {"", 1000, 700, 0, 0, "Failed to find desired adapter."},
      {"Direct3DCreate9", 1024, 768, 0, 0, "Direct3DCreate9 failed."},
      {"IDirect3D9::GetAdapterDisplayMode", 320, 240, 1, 0, "GetAdapterDisplayMode failed."},
      {"IDirect3D9::CheckDeviceFormat", 1024, 768, 0, 0, "CheckDeviceFormat failed."},
      {"IDirect3D9::CreateDevice", 1024, 768, 0, 0, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("failing ") + c.failing + " at " + std::to_string(c.width));
    platform_testing::Reset();
    platform_testing::CaptureMessageBoxes(true);
    if (c.failing[0]) platform_testing::FailCall(c.failing);
    Device* device = Device::Instance();
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(device->Create(c.width, c.height, c.windowed, nullptr), c.result);
    const auto& boxes = platform_testing::MessageBoxes();
    if (c.message) {
      ASSERT_EQ(boxes.size(), 1u);
      EXPECT_EQ(boxes[0].text, c.message);
      EXPECT_EQ(boxes[0].caption, "Eek!");
      EXPECT_EQ(boxes[0].type, static_cast<unsigned>(MB_OK));
    } else {
      EXPECT_TRUE(boxes.empty()) << boxes[0].text;
    }
    EXPECT_EQ(device->device != nullptr, c.result == 1);
    EXPECT_EQ(device->windowProc, DefWindowProcA) << "null stands for DefWindowProcA";
    if (c.result == 1) {
      ASSERT_NE(device->device, nullptr) << "the display needs a 1024x768 mode";
      D3DDEVICE_CREATION_PARAMETERS made = {};
      ASSERT_EQ(device->device->GetCreationParameters(&made), D3D_OK);
      EXPECT_EQ(made.BehaviorFlags & D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                static_cast<DWORD>(D3DCREATE_SOFTWARE_VERTEXPROCESSING));
      EXPECT_EQ(device->width, c.width);
    } else {
      EXPECT_EQ(device->width, 0) << "the size is stored only on success";
    }
    Device::DeleteInstance();
    ExpectClassFree();
  }
}

TEST_F(DeviceTest, SecondCreateFailsAtTheClassRegistrationWithoutAMessage) {
  Device* device = Device::Instance();
  ASSERT_EQ(device->Create(320, 240, 1, nullptr), 1);
  EXPECT_EQ(device->Create(320, 240, 1, nullptr), 0);
  EXPECT_TRUE(platform_testing::MessageBoxes().empty());
}

TEST_F(DeviceTest, FullScreenPresentParametersAndState) {
  Device* device = Device::Instance();
  ASSERT_EQ(device->Create(1024, 768, 0, DefWindowProcA), 1);
  const D3DPRESENT_PARAMETERS& pp = device->presentParameters;
  EXPECT_EQ(pp.BackBufferWidth, 1024u);
  EXPECT_EQ(pp.BackBufferHeight, 768u);
  EXPECT_EQ(pp.BackBufferFormat, D3DFMT_X8R8G8B8);
  EXPECT_EQ(pp.BackBufferCount, 2u);
  EXPECT_EQ(pp.MultiSampleType, D3DMULTISAMPLE_4_SAMPLES);
  EXPECT_EQ(pp.MultiSampleQuality, 0u);
  EXPECT_EQ(pp.SwapEffect, D3DSWAPEFFECT_DISCARD);
  EXPECT_EQ(pp.hDeviceWindow, nullptr);
  EXPECT_EQ(pp.Windowed, FALSE);
  EXPECT_EQ(pp.EnableAutoDepthStencil, TRUE);
  EXPECT_EQ(pp.AutoDepthStencilFormat, D3DFMT_D16);
  EXPECT_EQ(pp.Flags, 0u);
  EXPECT_EQ(pp.FullScreen_RefreshRateInHz, 0u);
  EXPECT_EQ(pp.PresentationInterval, static_cast<UINT>(D3DPRESENT_INTERVAL_ONE));
  EXPECT_EQ(device->windowed, 0);
  EXPECT_EQ(device->height, 768);
  DWORD lighting = TRUE;
  ASSERT_EQ(device->device->GetRenderState(D3DRS_LIGHTING, &lighting), D3D_OK);
  EXPECT_EQ(lighting, static_cast<DWORD>(FALSE));
  RECT client = {};
  ASSERT_TRUE(GetClientRect(device->window, &client));
  EXPECT_EQ(client.right, 1024);
  EXPECT_EQ(client.bottom, 768);
  // The cursor is hidden in full screen: one ShowCursor(FALSE) below where it started.
  int count = ShowCursor(TRUE) - 1;
  ShowCursor(FALSE);
  EXPECT_LT(count, 0);
  Device::DeleteInstance();
  ShowCursor(TRUE);
}

TEST_F(DeviceTest, WindowedClientAreaIsTheRequestedSize) {
  Device* device = Device::Instance();
  ASSERT_EQ(device->Create(320, 240, 1, nullptr), 1);
  const D3DPRESENT_PARAMETERS& pp = device->presentParameters;
  EXPECT_EQ(pp.BackBufferWidth, 0u);
  EXPECT_EQ(pp.BackBufferHeight, 0u);
  EXPECT_EQ(pp.Windowed, TRUE);
  EXPECT_NE(pp.BackBufferFormat, D3DFMT_UNKNOWN);
  RECT client = {}, outer = {};
  ASSERT_TRUE(GetClientRect(device->window, &client));
  ASSERT_TRUE(GetWindowRect(device->window, &outer));
  EXPECT_EQ(client.right, 320);
  EXPECT_EQ(client.bottom, 240);
  EXPECT_GT(outer.right - outer.left, 320);
  EXPECT_GT(outer.bottom - outer.top, 240);
  ShowCursor(FALSE);
}

TEST_F(DeviceTest, ShutdownWithNothingRegisteredReleasesDeviceAndWindow) {
  Device* device = Device::Instance();
  ASSERT_EQ(device->Create(320, 240, 1, nullptr), 1);
  ShowCursor(FALSE);
  HWND window = device->window;
  device->Shutdown();
  EXPECT_EQ(device->device, nullptr);
  EXPECT_EQ(device->direct3d, nullptr);
  EXPECT_FALSE(IsWindow(window));
  ExpectClassFree();
  device->Shutdown();  // the destructor's second run finds nothing to do
}

TEST_F(DeviceTest, PumpMessagesDispatchesEveryPendingMessage) {
  Device* device = Device::Instance();
  ASSERT_EQ(device->Create(320, 240, 1, nullptr), 1);
  ShowCursor(FALSE);
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(PostMessageA(device->window, WM_USER + i, 0, 0));
  device->PumpMessages();
  MSG left;
  EXPECT_FALSE(PeekMessageA(&left, nullptr, 0, 0, PM_NOREMOVE));
}

}  // namespace
