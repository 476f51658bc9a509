// key_track_test.cpp -- spline values worked out by hand, held ends, one key, no keys, key storage
#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

#include "src/scene/key_track.h"

namespace {

using Keys = std::vector<std::pair<float, float>>;

void Fill(KeyTrack* track, const Keys& keys) {
  for (const auto& k : keys) track->AddKey(k.first, k.second);
}

TEST(KeyTrack, SplineValuesMatchHandWorkedCurves) {
  // Two keys: both tangents are p1 - p0, so the curve is the straight line.
  // Three keys (0,0) (10,10) (20,0): at 5, s = 0.5, m0 = (10, 10) (mirrored start), m1 = (10, 0):
  //   0.5 * 10 + 0.125 * 10 - 0.125 * 0 = 6.25; at 15 the mirror image; at 10 the key itself.
  // Four keys: the middle segment of a zigzag is symmetric about 5.
  struct Case {
    Keys keys;
    float time;
    float value;
  };
  Case cases[] = {
      {Keys({{0, 0}, {10, 10}}), 2.5f, 2.5f},
      {Keys({{0, 0}, {10, 10}, {20, 0}}), 5.0f, 6.25f},
      {Keys({{0, 0}, {10, 10}, {20, 0}}), 15.0f, 6.25f},
      {Keys({{0, 0}, {10, 10}, {20, 0}}), 10.0f, 10.0f},
      {Keys({{0, 0}, {10, 10}, {20, 0}, {30, 10}}), 15.0f, 5.0f},
      // Uneven spacing: keys (0,0) (10,10) (40,10); segment 1 at 25 (s = 0.5): m0 = (30/40)(40, 10) =
      // (30, 7.5), m1 mirrored = (30, 0): 0.5*10 + 0.5*10 + 0.125*7.5 = 10.9375.
      {Keys({{0, 0}, {10, 10}, {40, 10}}), 25.0f, 10.9375f},
  };
  for (const Case& c : cases) {
    KeyTrack track;
    Fill(&track, c.keys);
    TrackKey out{-1.0f, -1.0f};
    track.Evaluate(c.time, &out);
    EXPECT_FLOAT_EQ(out.value, c.value) << "at " << c.time << " with " << c.keys.size() << " keys";
  }
}

TEST(KeyTrack, EndsAreHeldAndThereIsNoWrap) {
  KeyTrack track;
  Fill(&track, {{5, 1}, {15, 3}, {25, -2}});
  struct {
    float time;
    float value;
  } cases[] = {{-100.0f, 1}, {0.0f, 1}, {4.999f, 1}, {5.0f, 1}, {25.0f, -2}, {26.0f, -2}, {1e9f, -2}};
  for (const auto& c : cases) {
    TrackKey out{};
    track.Evaluate(c.time, &out);
    EXPECT_EQ(out.value, c.value) << "at " << c.time;
  }
}

TEST(KeyTrack, OneKeyHoldsAndNoKeysLeaveTheOutput) {
  KeyTrack one;
  one.AddKey(30, 7.5f);
  for (float t : {-5.0f, 0.0f, 30.0f, 1000.0f}) {
    TrackKey out{};
    one.Evaluate(t, &out);
    EXPECT_EQ(out.time, 30.0f);
    EXPECT_EQ(out.value, 7.5f);
  }
  KeyTrack none;
  TrackKey out{123.0f, 456.0f};
  none.Evaluate(3.0f, &out);
  EXPECT_EQ(out.time, 123.0f);
  EXPECT_EQ(out.value, 456.0f);
}

TEST(KeyTrack, NaNTimeAndKeysOutOfOrderStayFinite) {
  KeyTrack track;
  Fill(&track, {{0, 0}, {10, 10}, {20, 0}});
  TrackKey out{};
  track.Evaluate(std::nanf(""), &out);
  EXPECT_EQ(out.value, 0.0f) << "a NaN time holds the last key";
  KeyTrack unordered;
  Fill(&unordered, {{10, 1}, {0, 2}, {20, 3}});
  unordered.Evaluate(5.0f, &out);  // no segment brackets 5: the last key is held
  EXPECT_TRUE(std::isfinite(out.value));
}

TEST(KeyTrack, AddKeyReturnsIndicesAndDoublesFromEight) {
  KeyTrack track;
  EXPECT_EQ(track.keys.capacity, 8u);
  for (int i = 0; i < 17; ++i) {
    EXPECT_EQ(track.AddKey(static_cast<float>(i), static_cast<float>(-i)), i);
    EXPECT_EQ(track.keys.capacity, i < 8 ? 8u : (i < 16 ? 16u : 32u)) << "after key " << i;
  }
  for (uint32_t i = 0; i < 17; ++i) EXPECT_EQ(track.keys[i].value, -static_cast<float>(i));
}

}  // namespace
