// effect_table_test.cpp -- the demo's frames walk the effect table: each effect on screen costs
// no allocation, GL object or GL query per frame, and a new row is loaded, drawn and released
#include <d3d9.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/testing/testing.h"
#include "platform/services/virtual_clock.h"
#include "src/device/device.h"
#include "src/effects/effect_dispatcher.h"
#include "src/effects/effect_table.h"
#include "src/program/demo_program.h"
#include "src/script/demo_script_instance.h"
#include "src/timeline/timeline.h"
#include "src/timeline/timeline_event.h"
#include "tests/support/gl_hooks.h"
#include "tests/support/picture.h"
#include "tests/support/scratch_dir.h"

namespace {

// The demo on an offscreen device in demo/, its clocks virtual as in capture.
class DemoFramesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform_testing::Reset();
    platform_testing::CaptureMessageBoxes(true);
    platform_clock::UseVirtualClock(0);
    ASSERT_TRUE(demoDir.Enter(QOLA_SOURCE_DIR "/demo"));
    device = Device::Instance();
    ASSERT_NE(device, nullptr);
    ASSERT_EQ(device->CreateOffscreen(1024, 768), 1);
  }
  void TearDown() override {
    StopDemo();
    platform_clock::UseRealClock();
    EXPECT_TRUE(demoDir.Leave());
    platform_testing::Reset();
  }

  // A music time a little into the first layer-0 event of go.xml whose param0 is type.
  bool TimeOfType(int32_t type, uint32_t* ms) {
    const Timeline* timeline = demoScript.timeline;
    const TimelineLayer& layer = timeline->layers[0];
    for (uint32_t i = 0; i < layer.count; ++i) {
      const auto* event = dynamic_cast<const GenericTimelineEvent*>(layer.items[i]);
      if (event && event->param0 == type) {
        *ms = timeline->SixteenthsToMs(event->start) + 300;
        return true;
      }
    }
    return false;
  }

  testsupport::WorkingDir demoDir;
  Device* device = nullptr;
};

TEST_F(DemoFramesTest, EachEffectOnScreenAllocatesCreatesAndQueriesNothingPerFrame) {
  ASSERT_TRUE(StartDemo(device));
  const struct {
    const char* what;
    int32_t type;
  } effects[] = {{"flipbook", kEffectSpriteFlipbook}, {"still", kEffectSpriteImage}, {"scene shot", kEffectSceneShot},
                 {"sphere", kEffectSphere}};
  for (const auto& effect : effects) {
    SCOPED_TRACE(effect.what);
    uint32_t at = 0;
    ASSERT_TRUE(TimeOfType(effect.type, &at)) << "go.xml shows no " << effect.what;
    // The first frames of an effect may meet a driver's first use; the counted ones follow.
    for (int i = 0; i < 2; ++i) {
      platform_clock::UseVirtualClock(at + 16 * i);
      RunDemoFrame(device);
    }
    glhooks::InstallAll();
    glhooks::ResetCounts();
    const uint64_t allocations = glhooks::Allocations();
    for (int i = 2; i < 8; ++i) {
      platform_clock::UseVirtualClock(at + 16 * i);
      RunDemoFrame(device);
    }
    const uint64_t made = glhooks::Allocations() - allocations;
    const glhooks::Counts counts = glhooks::Get();
    glhooks::RemoveAll();
    EXPECT_EQ(made, 0u) << "operator new calls in six frames";
    EXPECT_EQ(counts.calls[glhooks::kCreate], 0u) << "GL objects made or shaders compiled in six frames";
    EXPECT_EQ(counts.calls[glhooks::kQuery], 0u) << "GL state asked in six frames";
    EXPECT_GT(counts.calls[glhooks::kWork], 0u) << "nothing was drawn";
    testsupport::Picture picture;
    ASSERT_TRUE(testsupport::ReadBackBuffer(device->device, &picture));
    EXPECT_FALSE(testsupport::IsBlack(picture, 8)) << "the effect is not on screen at " << at << " ms";
  }
}

// A made-up fifth effect: event type 4, which paints the view one colour.
struct FakeEffect {
  int loads = 0;
  int warmUps = 0;
  std::vector<int32_t> drawn;  // param1 of each draw
  int releases = 0;
} fake;

void FakeLoad(Device*) { ++fake.loads; }
void FakeWarmUp(Device* device, const Timeline&) {
  ++fake.warmUps;
  device->device->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(0, 255, 0), 1.0f, 0);
}
void FakeDraw(Device* device, const EffectEvent& event) {
  fake.drawn.push_back(event.param1);
  device->device->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(0, 0, 255), 1.0f, 0);
}
void FakeRelease() { ++fake.releases; }

const EffectEntry kFakeEffect = {"fake", 4, 1, 4, FakeLoad, FakeWarmUp, FakeDraw, FakeRelease};
const EffectEntry* const kFiveEntries[] = {&kSpritesEffect, &kSceneShotEffect, &kSphereEffect, &kFakeEffect};
const EffectTable kFiveEffects = {kFiveEntries, 4};

TEST_F(DemoFramesTest, AFifthEffectByOneRowIsLoadedWarmedDrawnByItsTypeAndReleased) {
  fake = FakeEffect();
  ASSERT_TRUE(StartDemo(device, false, kFiveEffects));
  EXPECT_EQ(fake.loads, 1);
  // Its warm-up step is the last: the back buffer holds its green over the other three.
  EXPECT_EQ(fake.warmUps, 1);
  testsupport::Picture picture;
  ASSERT_TRUE(testsupport::ReadBackBuffer(device->device, &picture));
  EXPECT_TRUE(testsupport::Near(testsupport::AverageColor(picture, 0, 0, 1024, 768), 0x00ff00, 2));

  // The dispatcher of the demo's timeline draws an event of type 4 through the new row only.
  Timeline* timeline = demoScript.timeline;
  ASSERT_TRUE(timeline->SetLayerCount(1));
  auto* event = new GenericTimelineEvent(0, 64);
  event->param0 = 4;
  event->param1 = 17;
  timeline->layers[0].Append(event);
  platform_clock::UseVirtualClock(1000);
  RunDemoFrame(device);
  EXPECT_EQ(fake.drawn, std::vector<int32_t>({17}));
  ASSERT_TRUE(testsupport::ReadBackBuffer(device->device, &picture));
  EXPECT_TRUE(testsupport::Near(testsupport::AverageColor(picture, 0, 0, 1024, 768), 0x0000ff, 2));
  // A type with no row still draws nothing.
  event->param0 = 5;
  RunDemoFrame(device);
  EXPECT_EQ(fake.drawn.size(), 1u);
  ASSERT_TRUE(testsupport::ReadBackBuffer(device->device, &picture));
  EXPECT_TRUE(testsupport::IsBlack(picture, 8));

  StopDemo();
  EXPECT_EQ(fake.releases, 1);
  StopDemo();  // a second shutdown releases nothing again
  EXPECT_EQ(fake.releases, 1);
}

}  // namespace
