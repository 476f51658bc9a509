// scene_fixture.h -- scene tests run in a scratch directory with the Device on an offscreen device
//
// Each test gets a fresh directory (Scene::Load writes "log.txt" there) holding "maps/checker.png",
// and the program's Device singleton with an offscreen back buffer. TearDown releases what the
// scene made before the Device goes, as the program does at shutdown.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/testing/testing.h"
#include "src/scene/scene.h"
#include "src/scene/scene_render.h"
#include "src/device/device.h"
#include "tests/support/picture.h"
#include "tests/support/scratch_dir.h"
#include "tools/write3ds/writer3ds.h"

class SceneTest : public ::testing::Test {
 protected:
  static constexpr int kWidth = 320;
  static constexpr int kHeight = 240;

  void SetUp() override {
    platform_testing::Reset();
    platform_testing::CaptureMessageBoxes(true);
    ASSERT_TRUE(dir.Enter()) << "cannot make or enter " << dir.path();
    ASSERT_EQ(mkdir("maps", 0755), 0);
    ASSERT_TRUE(WriteChecker("maps/checker.png"));
    ASSERT_TRUE(WriteSolid("maps/paint.png", 200, 50, 30));
    device = Device::Instance();
    ASSERT_EQ(device->CreateOffscreen(Width(), Height(), D3DMULTISAMPLE_NONE), 1);
  }

  void TearDown() override {
    scene.Clear();
    ReleaseShadowMap();
    Device::DeleteInstance();
    platform_testing::Reset();
    ASSERT_TRUE(dir.Leave());
  }

  virtual int Width() const { return kWidth; }
  virtual int Height() const { return kHeight; }

  // 64 x 64 texels of 8 x 8 cells, light (220) and dark (110) grey.
  static bool WriteChecker(const std::string& path) {
    std::vector<uint8_t> rgba(64 * 64 * 4);
    for (int y = 0; y < 64; ++y)
      for (int x = 0; x < 64; ++x) {
        uint8_t v = ((x / 8 + y / 8) & 1) ? 110 : 220;
        uint8_t* p = &rgba[(y * 64 + x) * 4];
        p[0] = p[1] = p[2] = v;
        p[3] = 255;
      }
    return testsupport::WritePngRgba(path, 64, 64, rgba);
  }

  static bool WriteSolid(const std::string& path, uint8_t r, uint8_t g, uint8_t b) {
    std::vector<uint8_t> rgba(8 * 8 * 4);
    for (size_t i = 0; i < rgba.size(); i += 4) {
      rgba[i] = r;
      rgba[i + 1] = g;
      rgba[i + 2] = b;
      rgba[i + 3] = 255;
    }
    return testsupport::WritePngRgba(path, 8, 8, rgba);
  }

  // Saves bytes as "scene.3ds" and loads it into `scene` with the maps of "maps/".
  bool LoadBytes(const std::vector<uint8_t>& bytes) {
    write3ds::Writer3DS w;
    w.Bytes(bytes);
    EXPECT_TRUE(w.Save("scene.3ds"));
    return scene.Load(device, "scene.3ds", "maps/");
  }

  static std::string PhongFx() { return std::string(QOLA_SOURCE_DIR) + "/demo/media/Phong.fx"; }

  Device* device = nullptr;
  testsupport::ScratchDir dir{"scene_test"};
};
