// demo_program_test.cpp -- the demo's start-up, frame loop and shutdown on its committed media
//
// The warm-up draws leave their composite in the back buffer and present nothing; Escape pressed
// during loading ends the loop before its first frame; the shutdown releases everything the
// effects made outside the Device's registry and then the Device.
#include <SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <string>

#include "platform/services/virtual_clock.h"
#include "platform/testing/testing.h"
#include "src/effects/effect_dispatcher.h"
#include "src/effects/scene_shot.h"
#include "src/effects/sphere_distortion.h"
#include "src/effects/sprites.h"
#include "src/scene/scene.h"
#include "src/scene/scene_render.h"
#include "src/program/demo_program.h"
#include "src/script/demo_script_instance.h"
#include "src/device/device.h"
#include "tests/program/program_fixture.h"
#include "tests/support/picture.h"
#include "tests/support/scratch_dir.h"

namespace {

using testsupport::MeanDifference;

using programtest::BackBuffer;

void PressEscape() {
  SDL_Event e = {};
  e.type = SDL_KEYDOWN;
  e.key.state = SDL_PRESSED;
  e.key.keysym.scancode = SDL_SCANCODE_ESCAPE;
  e.key.keysym.sym = SDLK_ESCAPE;
  ASSERT_EQ(SDL_PushEvent(&e), 1);
}

class DemoProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform_testing::Reset();
    platform_testing::CaptureMessageBoxes(true);
    platform_clock::UseVirtualClock(0);  // the sprite beat's clock, fixed
    ASSERT_TRUE(demoDir.Enter(QOLA_SOURCE_DIR "/demo"));
    device = Device::Instance();
    ASSERT_NE(device, nullptr);
    ASSERT_EQ(device->Create(1024, 768, TRUE, nullptr), 1);
  }
  void TearDown() override {
    Device::DeleteInstance();  // harmless after StopDemo
    EXPECT_TRUE(demoDir.Leave());
    platform_testing::Reset();
  }
  testsupport::WorkingDir demoDir;
  Device* device = nullptr;
};

TEST_F(DemoProgramTest, StartsUpUnseenRunsUntilEscapeAndShutsDownInOrder) {
  ASSERT_TRUE(StartDemo(device));
  EXPECT_TRUE(platform_testing::MessageBoxes().empty()) << platform_testing::MessageBoxes()[0].text;
  EXPECT_EQ(platform_testing::MessageBeeps(), 0);
  EXPECT_EQ(platform_testing::Presents(), 0u) << "a warm-up draw was presented";
  ASSERT_NE(demoScript.timeline, nullptr);
  EXPECT_NE(dynamic_cast<EffectDispatcher*>(demoScript.timeline->handler), nullptr);

  // The warm-up leaves scene shot, then sprite beat, then sphere in the back buffer: drawing the
  // three again in that order gives the same picture, and another order does not.
  const testsupport::Picture warmUp = BackBuffer(device);
  DrawSceneShot(device, 0.0f, 0);
  DrawSpriteBeat(device);
  DrawSphereDistortion(device, 0);
  EXPECT_LT(MeanDifference(warmUp, BackBuffer(device)), 0.5);
  DrawSphereDistortion(device, 0);
  DrawSpriteBeat(device);
  DrawSceneShot(device, 0.0f, 0);
  EXPECT_GT(MeanDifference(warmUp, BackBuffer(device)), 2.0);

  // Escape pressed while loading: the poll before the first frame ends the loop.
  PressEscape();
  EXPECT_EQ(RunDemoUntilEscape(device), 0u);
  EXPECT_EQ(platform_testing::Presents(), 0u);
  // A frame clears, draws and presents once.
  RunDemoFrame(device);
  EXPECT_EQ(platform_testing::Presents(), 1u);

  StopDemo();
  EXPECT_EQ(demoScript.timeline, nullptr);
  EXPECT_EQ(demoScript.stream, nullptr);
  EXPECT_EQ(scene.meshes.count, 0u);
  EXPECT_EQ(shadowMap, nullptr);
  EXPECT_EQ(shadowDepth, nullptr);
  EXPECT_EQ(sphereMesh, nullptr);
}

}  // namespace
