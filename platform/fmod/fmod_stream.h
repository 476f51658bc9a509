// fmod_stream.h -- one music stream: a libsndfile decoder feeding a frame ring on its own thread
//
// The decoder thread reads the file in small blocks, converts them to the output's rate and to
// stereo (SDL_AudioStream), and keeps the ring full; the output's mixer takes frames from the
// ring as it plays. The whole file is never held in memory. The play position counts the
// frames the output has taken, so it advances exactly as fast as the music is played.
#pragma once

#include <sndfile.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "platform/fmod/fmod_ring.h"

struct _SDL_AudioStream;

namespace fsound {

class Stream {
 public:
  // Opens fileName for output at mixRate. Null with *error (an FMOD_ERR_ code) and *reason set
  // when the file is missing or cannot be decoded.
  static Stream* Open(const std::string& fileName, int mixRate, int* error, std::string* reason);
  ~Stream();
  Stream(const Stream&) = delete;
  Stream& operator=(const Stream&) = delete;

  // Rewinds to the start. Only while the stream is not on a channel.
  void Rewind();
  uint64_t LengthMs() const { return lengthMs_; }
  const std::string& FileName() const { return fileName_; }

  // ---- Used by the output's mixer, under its lock. ----
  // Adds up to frames frames onto out; returns false once the stream has played to its end.
  bool Mix(float* out, uint32_t frames, std::chrono::steady_clock::time_point now);
  // The position played, in frames at the output rate: the frames before the last block the
  // output took, plus the part of that block that has had time to play since.
  uint64_t PlayedFrames(std::chrono::steady_clock::time_point now) const;
  int channel = -1;  // the channel it plays on, -1 when stopped

 private:
  Stream(const std::string& fileName, int mixRate);
  bool Start(int* error, std::string* reason);
  bool FeedOnce();  // one decoding step; false when the file is exhausted
  void Prefill();
  void FeederLoop();
  void StartFeeder();
  void StopFeeder();

  std::string fileName_;
  int mixRate_;
  SNDFILE* file_ = nullptr;
  SF_INFO info_{};
  _SDL_AudioStream* converter_ = nullptr;
  bool flushed_ = false;
  uint64_t lengthMs_ = 0;
  std::vector<float> decodeBlock_;   // file frames, file channels
  std::vector<float> convertBlock_;  // output frames, stereo
  FrameRing ring_;
  std::thread feeder_;
  std::atomic<bool> stopFeeder_{false};
  std::atomic<bool> decodeDone_{false};

  // Position, owned by the mixer (read under the output's lock).
  uint64_t framesBeforeBlock_ = 0;
  uint32_t lastBlockFrames_ = 0;
  std::chrono::steady_clock::time_point lastBlockTime_{};
};

}  // namespace fsound
