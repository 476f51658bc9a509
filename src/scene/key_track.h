// key_track.h -- TrackKey, KeyTrack and the Hermite spline that evaluates one scalar channel
//
// A track holds the keys of one channel of a camera (eye x, y, z; target x, y, z; roll) in the
// file's order of rising frame numbers. Evaluation is a cubic Hermite curve per segment with
// tangents from the neighbouring keys (Catmull-Rom adapted to uneven spacing), all in single
// precision: every intermediate is stored as a 32-bit float before it is used again.
#pragma once

#include <cstdint>

#include "src/common/grow_array.h"

struct TrackKey {
  float time;   // keyframer frames
  float value;
};

class KeyTrack {
 public:
  // Appends a key and returns its index, or -1 when the track cannot grow.
  int32_t AddKey(float time, float value);
  // Writes the channel's value at time (frames) into out; leaves out untouched when the track has
  // no keys. Times before the first key hold the first, times at or after the last hold the last.
  void Evaluate(float time, TrackKey* out) const;
  // The Hermite segment from key i to key i + 1 at time; both ends mirror their missing neighbour.
  void InterpolateSegment(uint32_t i, float time, TrackKey* out) const;

  GrowArray<TrackKey> keys;
};

// The cubic Hermite blend of points p0, p1 and tangents m0, m1 at s in [0, 1], for both components.
void HermiteInterpolate(const TrackKey& p0, const TrackKey& p1, const TrackKey& m0, const TrackKey& m1, float s,
                        TrackKey* out);
