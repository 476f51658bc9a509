// effects_fixture.h -- test fixture: the Device on an offscreen device, in a scratch run directory
#pragma once

#include <gtest/gtest.h>

#include <d3d9.h>

#include <cstdlib>
#include <string>

#include "platform/services/virtual_clock.h"
#include "platform/testing/testing.h"
#include "src/effects/sphere_distortion.h"
#include "src/device/device.h"
#include "tests/effects/effects_media.h"
#include "tests/support/picture.h"

// The process-wide Device around an offscreen Direct3D device of width x height: no window is
// needed. Null with *error set when none could be made.
inline Device* MakeEffectsDevice(int width, int height, std::string* error) {
  testsupport::TestDevice made;
  if (!testsupport::CreateTestDevice(&made, width, height)) {
    *error = made.error;
    return nullptr;
  }
  Device* device = Device::Instance();
  if (!device) return nullptr;
  device->device = made.device;
  device->direct3d = made.d3d;
  device->presentParameters.AutoDepthStencilFormat = D3DFMT_D16;
  made.device = nullptr;
  made.d3d = nullptr;
  return device;
}

class EffectsTest : public ::testing::Test {
 protected:
  static constexpr int kWidth = 512;
  static constexpr int kHeight = 384;

  void SetUp() override {
    platform_testing::Reset();
    platform_testing::CaptureMessageBoxes(true);
    ASSERT_TRUE(runDir.Enter(QOLA_SOURCE_DIR "/demo/media"));
    std::string error;
    device = MakeEffectsDevice(kWidth, kHeight, &error);
    ASSERT_NE(device, nullptr) << error;
  }
  void TearDown() override {
    ReleaseSphereDistortion();  // before the Device releases the Direct3D device
    Device::DeleteInstance();
    runDir.Leave();
    platform_testing::Reset();
  }

  // One frame: cleared to black with depth 1, drawn by draw, read back.
  template <typename Draw>
  testsupport::Picture Frame(Draw draw) {
    device->device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    draw();
    testsupport::Picture picture;
    EXPECT_TRUE(testsupport::ReadBackBuffer(device->device, &picture));
    return picture;
  }

  // With QOLA_TEST_PICTURES set to a directory, keeps the picture there for looking at.
  static void Keep(const testsupport::Picture& picture, const std::string& name) {
    if (const char* dir = std::getenv("QOLA_TEST_PICTURES")) testsupport::WritePng(picture, std::string(dir) + "/" + name);
  }

  static bool IsBlack(const testsupport::Picture& picture) { return testsupport::IsBlack(picture, 8); }

  Device* device = nullptr;
  effects_media::RunDir runDir;
};
