// scene_frames_test.cpp -- the scene shot keeps its picture: the demo's frames at ten moments of
// its three camera flights against reference frames committed in tests/data/scene_frames/
//
// The frames are the demo's own (start-up, RunDemoFrame) at fixed music times with the clocks
// virtual, read back and halved (each pixel the mean of a 2 x 2 block) to keep the references
// small. A frame passes when its mean difference is at most 1.5 levels of 255 and no 32 x 32
// block of it differs by more than 12 levels on average: a shadow or a light that moved
// changes a block by far more, a cheaper filter or a rounding by far less.
// QOLA_UPDATE_SCENE_FRAMES=1 writes the references anew (run it only for a change of picture
// that is meant, and look at the frames before committing them).
#include <d3d9.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/services/virtual_clock.h"
#include "platform/testing/testing.h"
#include "src/device/device.h"
#include "src/program/demo_program.h"
#include "tests/support/picture.h"
#include "tests/support/scratch_dir.h"

namespace {

// Inside the scene shots of go.xml: Camera1 at 5 s, 10 s, 113 s; Camera02 at 17 s, 22 s, 43 s;
// Camera03 at 37 s, 81 s, 87 s, 137 s.
constexpr uint32_t kTimes[] = {5000, 10000, 17000, 22000, 37000, 43000, 81000, 87000, 113000, 137000};
constexpr double kMeanTolerance = 1.5;
constexpr int kBlock = 32;
constexpr double kBlockTolerance = 12.0;

std::string ReferencePath(uint32_t ms) {
  return std::string(QOLA_SOURCE_DIR) + "/tests/data/scene_frames/scene_" + std::to_string(ms) + ".png";
}

testsupport::Picture Halved(const testsupport::Picture& full) {
  testsupport::Picture half(full.width / 2, full.height / 2);
  for (int y = 0; y < half.height; ++y)
    for (int x = 0; x < half.width; ++x)
      for (int c = 0; c < 4; ++c) {
        int sum = full.at(2 * x, 2 * y)[c] + full.at(2 * x + 1, 2 * y)[c] + full.at(2 * x, 2 * y + 1)[c] +
                  full.at(2 * x + 1, 2 * y + 1)[c];
        half.at(x, y)[c] = static_cast<uint8_t>((sum + 2) / 4);
      }
  return half;
}

// The largest mean colour difference of any kBlock x kBlock block of the two pictures.
double WorstBlock(const testsupport::Picture& a, const testsupport::Picture& b) {
  double worst = 0;
  for (int by = 0; by + kBlock <= a.height; by += kBlock)
    for (int bx = 0; bx + kBlock <= a.width; bx += kBlock) {
      double sum = 0;
      for (int y = by; y < by + kBlock; ++y)
        for (int x = bx; x < bx + kBlock; ++x)
          for (int c = 0; c < 3; ++c) sum += std::abs(a.at(x, y)[c] - b.at(x, y)[c]);
      worst = std::max(worst, sum / (3.0 * kBlock * kBlock));
    }
  return worst;
}

TEST(SceneFrames, KeepTheirReferencePictures) {
  platform_testing::Reset();
  platform_testing::CaptureMessageBoxes(true);
  platform_clock::UseVirtualClock(0);
  testsupport::WorkingDir demoDir;
  ASSERT_TRUE(demoDir.Enter(QOLA_SOURCE_DIR "/demo"));
  Device* device = Device::Instance();
  ASSERT_EQ(device->CreateOffscreen(1024, 768), 1);
  ASSERT_TRUE(StartDemo(device));
  const bool update = std::getenv("QOLA_UPDATE_SCENE_FRAMES") != nullptr;
  for (uint32_t ms : kTimes) {
    SCOPED_TRACE("at " + std::to_string(ms) + " ms");
    platform_clock::UseVirtualClock(ms);
    RunDemoFrame(device);
    testsupport::Picture frame;
    ASSERT_TRUE(testsupport::ReadBackBuffer(device->device, &frame));
    const testsupport::Picture half = Halved(frame);
    if (update) {
      std::string problem;
      ASSERT_TRUE(pictures::SavePng(half, ReferencePath(ms), &problem)) << problem;
      continue;
    }
    testsupport::Picture reference;
    std::string problem;
    ASSERT_TRUE(pictures::LoadPng(ReferencePath(ms), &reference, &problem)) << problem;
    const double mean = testsupport::MeanDifference(half, reference);
    const double block = WorstBlock(half, reference);
    std::printf("scene frame at %u ms: mean difference %.3f, worst block %.2f\n", ms, mean, block);
    EXPECT_LE(mean, kMeanTolerance) << "the frame's mean difference from its reference";
    EXPECT_LE(block, kBlockTolerance) << "a 32 x 32 block moved or changed: a shadow or light moved";
    if (mean > kMeanTolerance || block > kBlockTolerance) testsupport::WritePng(half, "scene_" + std::to_string(ms) + ".png");
  }
  StopDemo();
  platform_clock::UseRealClock();
  platform_testing::Reset();
}

}  // namespace
