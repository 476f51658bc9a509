// key_track.cpp -- key storage, the segment search and the single-precision Hermite spline
#include "src/scene/key_track.h"

int32_t KeyTrack::AddKey(float time, float value) { return keys.Append(TrackKey{time, value}); }

void KeyTrack::Evaluate(float time, TrackKey* out) const {
  const uint32_t n = keys.count;
  if (n == 0) return;
  if (n == 1 || time >= keys[n - 1].time) {
    *out = keys[n == 1 ? 0 : n - 1];
    return;
  }
  if (time < keys[0].time) {
    *out = keys[0];
    return;
  }
  // The search starts at the first key every time: tracks are short and evaluation keeps no state.
  for (uint32_t i = 0; i + 1 < n; ++i) {
    if (keys[i].time <= time && time < keys[i + 1].time) {
      InterpolateSegment(i, time, out);
      return;
    }
  }
  // Keys out of time order can leave time in no segment (a NaN time does too): hold the last key.
  *out = keys[n - 1];
}

void KeyTrack::InterpolateSegment(uint32_t i, float time, TrackKey* out) const {
  const uint32_t n = keys.count;
  const TrackKey p0 = keys[i];
  const TrackKey p1 = keys[i + 1];
  const float span = p1.time - p0.time;
  const float s = (time - p0.time) / span;
  // A missing neighbour is the segment's far end mirrored through its near end, which makes the
  // end tangent equal to p1 - p0.
  TrackKey prev;
  if (i > 0) {
    prev = keys[i - 1];
  } else {
    const float dy = p1.value - p0.value;
    prev = TrackKey{p0.time - span, p0.value - dy};
  }
  TrackKey next;
  if (i + 2 < n) {
    next = keys[i + 2];
  } else {
    const float dy = p1.value - p0.value;
    next = TrackKey{p1.time + span, p1.value + dy};
  }
  const float prevSpan = p1.time - prev.time;
  const float nextSpan = next.time - p0.time;
  const float a = span / prevSpan;
  const float b = span / nextSpan;
  const float m0Value = p1.value - prev.value;
  const float m1Value = next.value - p0.value;
  const TrackKey m0{a * prevSpan, a * m0Value};
  const TrackKey m1{b * nextSpan, b * m1Value};
  HermiteInterpolate(p0, p1, m0, m1, s, out);
}

void HermiteInterpolate(const TrackKey& p0, const TrackKey& p1, const TrackKey& m0, const TrackKey& m1, float s,
                        TrackKey* out) {
  const float s2 = s * s;
  const float s3 = s * s2;
  const float h1 = 2.0f * s3 - 3.0f * s2 + 1.0f;
  const float h2 = 3.0f * s2 - 2.0f * s3;
  const float h3 = s3 - 2.0f * s2 + s;
  const float h4 = s3 - s2;
  out->time = h4 * m1.time + (h3 * m0.time + (h2 * p1.time + h1 * p0.time));
  out->value = h4 * m1.value + (h3 * m0.value + (h2 * p1.value + h1 * p0.value));
}
