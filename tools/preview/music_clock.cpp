// music_clock.cpp -- the music stream or the monotonic clock as the preview's time
#include "tools/preview/music_clock.h"

#include <algorithm>

namespace preview {

StreamClock::StreamClock(FSOUND_STREAM* stream) { SetStream(stream); }

void StreamClock::SetStream(FSOUND_STREAM* stream) {
  stream_ = stream;
  int length = FSOUND_Stream_GetLengthMs(stream);
  lengthMs_ = length > 0 ? static_cast<uint32_t>(length) : 0;
}

uint32_t StreamClock::NowMs() {
  int ms = FSOUND_Stream_GetTime(stream_);
  return ms > 0 ? static_cast<uint32_t>(ms) : 0;
}

void StreamClock::Seek(uint32_t ms) {
  FSOUND_Stream_SetTime(stream_, static_cast<int>(std::min(ms, lengthMs_)));
  // A stream that played to its end has left its channel: it goes back on one, paused or not
  // as the others are.
  FSOUND_Stream_Play(FSOUND_FREE, stream_);
}

void StreamClock::SetPaused(bool paused) { FSOUND_SetPaused(FSOUND_ALL, paused ? 1 : 0); }

void StreamClock::SetLoop(bool on, uint32_t startMs, uint32_t endMs) {
  if (on) {
    FSOUND_Stream_SetLoopMs(stream_, static_cast<int>(startMs), static_cast<int>(endMs));
  } else {
    FSOUND_Stream_SetLoopMs(stream_, 0, 0);
  }
}

SilentClock::SilentClock(uint32_t lengthMs, Now now) : lengthMs_(lengthMs), now_(now), origin_(now()) {}

uint64_t SilentClock::Raw() {
  if (paused_) return originMs_;
  auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(now_() - origin_).count();
  uint64_t raw = originMs_ + static_cast<uint64_t>(std::max<int64_t>(elapsed, 0));
  return armed_ ? raw : std::min<uint64_t>(raw, lengthMs_);
}

uint32_t SilentClock::NowMs() {
  uint64_t raw = Raw();
  if (armed_ && raw >= loopEnd_) raw = loopStart_ + (raw - loopEnd_) % (loopEnd_ - loopStart_);
  return static_cast<uint32_t>(raw);
}

void SilentClock::Seek(uint32_t ms) {
  originMs_ = std::min(ms, lengthMs_);
  origin_ = now_();
  armed_ = loopEnd_ > loopStart_ && originMs_ < loopEnd_;
}

void SilentClock::SetPaused(bool paused) {
  if (paused == paused_) return;
  uint32_t at = NowMs();
  paused_ = paused;
  Seek(at);
}

void SilentClock::SetLoop(bool on, uint32_t startMs, uint32_t endMs) {
  uint32_t at = NowMs();
  loopStart_ = on ? startMs : 0;
  loopEnd_ = on ? endMs : 0;
  Seek(at);
}

}  // namespace preview
