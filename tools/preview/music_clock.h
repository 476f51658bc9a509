// music_clock.h -- what the preview's transport asks of the music: its position, seek, pause, loop
//
// StreamClock is the demo's own music stream through the sound library: the position heard,
// a sample-exact seek, a pause that keeps the stream's place, and a loop that plays a range again
// and again without a gap. SilentClock stands in where the music cannot be read: the same
// answers from the monotonic clock, so the preview still runs, in silence.
#pragma once

#include <chrono>
#include <cstdint>

#include "fmod.h"

namespace preview {

class MusicClock {
 public:
  virtual ~MusicClock() = default;
  // The position the listener hears, in ms (within the loop's range once it loops).
  virtual uint32_t NowMs() = 0;
  // Plays (or, paused, stands) from ms, exact to the sample; ms is within [0, LengthMs()].
  virtual void Seek(uint32_t ms) = 0;
  virtual void SetPaused(bool paused) = 0;
  // on: [startMs, endMs) again and again once the position passes endMs; the caller checks
  // that startMs < endMs <= LengthMs().
  virtual void SetLoop(bool on, uint32_t startMs, uint32_t endMs) = 0;
  virtual uint32_t LengthMs() const = 0;
};

// The music stream, which must stay open while the clock is used.
class StreamClock : public MusicClock {
 public:
  explicit StreamClock(FSOUND_STREAM* stream);
  // Another stream in this one's place (the music reopened); Transport::Reapply moves it.
  void SetStream(FSOUND_STREAM* stream);
  uint32_t NowMs() override;
  void Seek(uint32_t ms) override;
  void SetPaused(bool paused) override;
  void SetLoop(bool on, uint32_t startMs, uint32_t endMs) override;
  uint32_t LengthMs() const override { return lengthMs_; }

 private:
  FSOUND_STREAM* stream_;
  uint32_t lengthMs_;
};

// Time from the monotonic clock (or the one given, for tests) as a stream would play it.
class SilentClock : public MusicClock {
 public:
  using Now = std::chrono::steady_clock::time_point (*)();
  SilentClock(uint32_t lengthMs, Now now = &std::chrono::steady_clock::now);
  uint32_t NowMs() override;
  void Seek(uint32_t ms) override;
  void SetPaused(bool paused) override;
  void SetLoop(bool on, uint32_t startMs, uint32_t endMs) override;
  uint32_t LengthMs() const override { return lengthMs_; }

 private:
  uint64_t Raw();  // ms since the last seek's origin, not looped, held at the end

  uint32_t lengthMs_;
  Now now_;
  std::chrono::steady_clock::time_point origin_;
  uint64_t originMs_ = 0;  // the position at origin_
  bool paused_ = false;
  bool armed_ = false;  // a loop plays: the position started before its end
  uint32_t loopStart_ = 0, loopEnd_ = 0;
};

}  // namespace preview
