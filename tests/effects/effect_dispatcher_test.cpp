// effect_dispatcher_test.cpp -- layer 0's event chooses the effect and its arguments; the scene
// shot's boxes and time arithmetic
//
// The oracle for each event type is the effect itself: the frame the dispatcher draws must equal
// the frame the effect draws when called directly with the arguments the event stands for, and
// differ from the frame of a neighbouring argument. Everything runs in the demo's own run
// directory on its committed media.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <functional>
#include <string>

#include "platform/services/virtual_clock.h"
#include "platform/testing/testing.h"
#include "src/effects/effect_dispatcher.h"
#include "src/effects/scene_shot.h"
#include "src/effects/sphere_distortion.h"
#include "src/effects/sprites.h"
#include "src/scene/scene.h"
#include "src/scene/scene_render.h"
#include "src/device/device.h"
#include "src/timeline/timeline.h"
#include "tests/effects/effects_fixture.h"
#include "tests/support/picture.h"

namespace {

constexpr int kWidth = 256;
constexpr int kHeight = 192;

using testsupport::MeanDifference;

// Black as the frame loop clears it.
bool IsBlack(const testsupport::Picture& picture) { return testsupport::IsBlack(picture, 4); }

class DispatcherTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform_testing::Reset();
    platform_testing::CaptureMessageBoxes(true);
    ASSERT_TRUE(demoDir.Enter(QOLA_SOURCE_DIR "/demo"));
    std::string error;
    device = MakeEffectsDevice(kWidth, kHeight, &error);
    ASSERT_NE(device, nullptr) << error;
    LoadSprites(device);
    ASSERT_EQ(PrepareShadowMap(device), S_OK);
    ASSERT_TRUE(scene.Load(device, "media/scene1texkey.3ds", "media/maps/"));
    LoadSphereDistortion(device);
    ASSERT_NE(sphereMesh, nullptr);
    EXPECT_TRUE(platform_testing::MessageBoxes().empty());
    platform_clock::UseVirtualClock(1000);  // the sprite flicker's clock, fixed
    timeline.SetHandler(new EffectDispatcher);
  }
  void TearDown() override {
    timeline.Destroy();
    scene.Clear();
    ReleaseShadowMap();
    ReleaseSphereDistortion();
    Device::DeleteInstance();
    EXPECT_TRUE(demoDir.Leave());
    platform_testing::Reset();
  }

  // One event of 64 sixteenths (8 s at 120 bpm) from sixteenth 16 on layer `layer`.
  void AddEvent(uint32_t layer, int32_t p0, int32_t p1, int32_t p2) {
    auto* event = new GenericTimelineEvent(16, 64);
    event->param0 = p0;
    event->param1 = p1;
    event->param2 = p2;
    timeline.layers[layer].Append(event);
  }

  testsupport::Picture Frame(const std::function<void()>& draw) {
    device->device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    draw();
    testsupport::Picture picture;
    EXPECT_TRUE(testsupport::ReadBackBuffer(device->device, &picture));
    return picture;
  }
  // The frame the dispatcher draws at music time ms.
  testsupport::Picture Dispatched(uint32_t ms) {
    return Frame([&] {
      timeline.Update(ms);
      EXPECT_TRUE(timeline.RunHandler());
    });
  }

  testsupport::WorkingDir demoDir;
  Device* device = nullptr;
  Timeline timeline{2};
};

TEST_F(DispatcherTest, EachTypeDrawsItsEffectWithTheEventsArguments) {
  // Music time 2000 + 1500 ms: the event from sixteenth 16 (2000 ms) has run 1500 ms.
  constexpr uint32_t kAt = 3500;
  constexpr uint32_t kElapsed = 1500;
  struct Case {
    const char* what;
    int32_t p0, p1, p2;
    std::function<void(Device*)> expected;
    std::function<void(Device*)> other;  // a neighbouring argument, which must look different
  };
  const Case cases[] = {
      {"flipbook pair 1 zoom 1", 0, 1, 1, [](Device* d) { DrawSpriteFlipbook(d, 1, 1); },
       [](Device* d) { DrawSpriteFlipbook(d, 1, 0); }},
      {"flipbook pair 3 zoom 2", 0, 3, 2, [](Device* d) { DrawSpriteFlipbook(d, 3, 2); },
       [](Device* d) { DrawSpriteFlipbook(d, 2, 2); }},
      {"still 2", 1, 2, 0, [](Device* d) { DrawSpriteImage(d, 2); },
       [](Device* d) { DrawSpriteImage(d, 3); }},
      {"scene camera 1 offset 4000", 2, 1, 4000,
       [](Device* d) { DrawSceneShot(d, 4000.0f + kElapsed, 1); },
       [](Device* d) { DrawSceneShot(d, 4000.0f + kElapsed, 2); }},
      {"sphere offset 4000", 3, 4000, 0, [](Device* d) { DrawSphereDistortion(d, 4000 + kElapsed); },
       [](Device* d) { DrawSphereDistortion(d, kElapsed); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    timeline.Clear();
    ASSERT_TRUE(timeline.SetLayerCount(2));
    AddEvent(0, c.p0, c.p1, c.p2);
    const testsupport::Picture got = Dispatched(kAt);
    const testsupport::Picture expected = Frame([&] { c.expected(device); });
    const testsupport::Picture other = Frame([&] { c.other(device); });
    EXPECT_FALSE(IsBlack(got));
    EXPECT_LT(MeanDifference(got, expected), 0.5);
    EXPECT_GT(MeanDifference(got, other), 2.0);
  }
}

TEST_F(DispatcherTest, NothingIsDrawnWithoutALayer0EventOfAKnownType) {
  struct Case {
    const char* what;
    int layer;  // -1: no event at all
    int32_t p0;
  };
  const Case cases[] = {
      {"no event", -1, 0},   {"type 4", 0, 4},     {"type -1", 0, -1},
      {"type 2^31", 0, INT32_MIN}, {"a sprite event on layer 1 only", 1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    timeline.Clear();
    ASSERT_TRUE(timeline.SetLayerCount(2));
    if (c.layer >= 0) AddEvent(static_cast<uint32_t>(c.layer), c.p0, 0, 0);
    EXPECT_TRUE(IsBlack(Dispatched(3500)));
  }
  // Before the event starts the frame stays black too.
  timeline.Clear();
  ASSERT_TRUE(timeline.SetLayerCount(2));
  AddEvent(0, 1, 0, 0);
  EXPECT_TRUE(IsBlack(Dispatched(1999)));
  EXPECT_FALSE(IsBlack(Dispatched(2000)));
}

TEST_F(DispatcherTest, SceneShotSpinsTheBoxesByShotTime) {
  // Offset 400 ms at 600 ms into the event: shot time 1000 ms.
  AddEvent(0, 2, 0, 400);
  EXPECT_FALSE(IsBlack(Dispatched(2600)));
  struct Angles {
    const char* box;
    float pitch, yaw, roll;
  };
  const Angles at1000[] = {{"Box01", 1, 2, 3}, {"Box02", 2, 2, 1}, {"Box03", 2, 1, 3}};
  for (const Angles& a : at1000) {
    SCOPED_TRACE(a.box);
    SceneMesh* box = scene.FindMesh(a.box);
    ASSERT_NE(box, nullptr);
    EXPECT_FLOAT_EQ(box->pitch, a.pitch);
    EXPECT_FLOAT_EQ(box->yaw, a.yaw);
    EXPECT_FLOAT_EQ(box->roll, a.roll);
  }
  // Camera index 3 still turns the boxes, and draws nothing.
  const testsupport::Picture none = Frame([&] { DrawSceneShot(device, 500.0f, 3); });
  EXPECT_TRUE(IsBlack(none));
  EXPECT_FLOAT_EQ(scene.FindMesh("Box01")->roll, 1.5f);
  EXPECT_FLOAT_EQ(scene.FindMesh("Box03")->yaw, 0.5f);
}

TEST(EffectTime, OffsetsAddAsUnsignedWords) {
  // The scene shot: no overflow, then rounded to the nearest float.
  EXPECT_EQ(effect_time::SceneShotMs(4000, 1500), 5500.0f);
  EXPECT_EQ(effect_time::SceneShotMs(-1, 5), 4294967300.0f);  // 2^32 - 1 + 5, nearest float 2^32
  EXPECT_EQ(effect_time::SceneShotMs(16777217, 0), 16777216.0f);
  // The sphere: modulo 2^32.
  EXPECT_EQ(effect_time::SphereMs(1000, 250), 1250u);
  EXPECT_EQ(effect_time::SphereMs(-1, 5), 4u);
  // Whole milliseconds of a shot time: truncated, kept inside the 32-bit range.
  EXPECT_EQ(effect_time::WholeMs(1234.9f), 1234u);
  EXPECT_EQ(effect_time::WholeMs(8589934592.0f), UINT32_MAX);
  EXPECT_EQ(effect_time::WholeMs(-3.0f), 0u);
  EXPECT_EQ(effect_time::WholeMs(std::nanf("")), 0u);
}

}  // namespace
