// effects_fixture.h -- test fixture: the Device on an offscreen device, in a scratch run directory
#pragma once

#include <gtest/gtest.h>

#include <d3d9.h>

#include <cstdlib>
#include <string>

#include "platform/testing/testing.h"
#include "src/effects/sphere_distortion.h"
#include "src/device/device.h"
#include "tests/effects/effects_media.h"
#include "tests/support/picture.h"

class EffectsTest : public ::testing::Test {
 protected:
  static constexpr int kWidth = 512;
  static constexpr int kHeight = 384;

  void SetUp() override {
    platform_testing::Reset();
    platform_testing::CaptureMessageBoxes(true);
    ASSERT_TRUE(runDir.Enter(QOLA_SOURCE_DIR "/demo/media"));
    // The Device's Direct3D objects come from an offscreen device: no window is needed.
    testsupport::TestDevice made;
    ASSERT_TRUE(testsupport::CreateTestDevice(&made, kWidth, kHeight)) << made.error;
    device = Device::Instance();
    ASSERT_NE(device, nullptr);
    device->device = made.device;
    device->direct3d = made.d3d;
    made.device = nullptr;
    made.d3d = nullptr;
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
