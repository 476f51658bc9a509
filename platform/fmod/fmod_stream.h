// fmod_stream.h -- one music stream: a libsndfile decoder feeding a frame ring on its own thread
//
// The decoder thread reads the file in small blocks, converts them to the output's rate and to
// stereo (SDL_AudioStream), and keeps the ring full; the output's mixer takes frames from the
// ring as it plays. The whole file is never held in memory. The play position counts the
// frames the output has taken, so it advances exactly as fast as the music is played. The mixer
// publishes the position through a sequence counter, so the program's thread reads it without
// ever waiting for the audio thread.
#pragma once

#include <sndfile.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "platform/fmod/fmod_ring.h"
#include "platform/services/file_read.h"

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
  void Rewind() { Seek(0); }
  // Moves to ms from the start, exact to the file's sample: the decoder starts again at sample
  // ms * file rate / 1000 and the position reads ms from there. False beyond the end (nothing
  // changed) or where the file cannot seek (back at the start then). Only while the stream is not on a channel.
  bool Seek(uint64_t ms);
  // Plays [startMs, endMs) again and again without a gap once the music reaches endMs: the
  // decoder goes back to the start sample as soon as it has decoded the end sample, and the
  // position reads the time within the range. on false plays on to the end again. The decoder
  // starts again at fromMs (the position heard), so nothing decoded ahead under the old range
  // is played. A position at or past endMs plays on to the end (the range begins to loop only
  // where the music passes its end). False for an empty range or one past the end. Only while the
  // stream is not on a channel.
  bool SetLoop(bool on, uint64_t startMs, uint64_t endMs, uint64_t fromMs);
  uint64_t LengthMs() const { return lengthMs_; }
  const std::string& FileName() const { return fileName_; }

  // ---- Used by the output's mixer, under its lock. ----
  // Adds up to frames frames onto out; returns false once the stream has played to its end.
  bool Mix(float* out, uint32_t frames, std::chrono::steady_clock::time_point now);
  int channel = -1;  // the channel it plays on, -1 when stopped

  // ---- Read by the program's thread, without a lock. ----
  // The position heard, in frames at the output rate: the frames before the last block the
  // output took, plus the part of that block that has had time to play since, less the
  // latencyFrames the output still holds before the listener hears them. Never less than a
  // position reported before (since the last Rewind).
  uint64_t HeardFrames(std::chrono::steady_clock::time_point now, uint64_t latencyFrames);
  // Every frame the mixer has taken so far, in frames at the output rate from the file's start.
  uint64_t MixedFrames() const;

 private:
  Stream(const std::string& fileName, int mixRate);
  bool Start(int* error, std::string* reason);
  bool FeedOnce();  // one decoding step; false when the file is exhausted
  uint64_t OutputFrameOfMs(uint64_t ms) const;
  uint64_t Looped(uint64_t frames) const;  // a position past the loop's end mapped into it
  void Prefill();
  void FeederLoop();
  void StartFeeder();
  void StopFeeder();

  std::string fileName_;
  int mixRate_;
  platform_file::RegularFile source_;  // read by libsndfile; outlives file_
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
  sf_count_t decodeFrame_ = 0;  // the file frame the decoder reads next (the feeder's, or while it is stopped)

  // The loop, set while the feeder is stopped: file frames [loopStartFile_, loopEndFile_) and
  // the same instants in output frames. armed_: the decoder started before the end, so it
  // goes back at the end and the position past it is mapped into the range.
  bool armed_ = false;
  sf_count_t loopStartFile_ = 0, loopEndFile_ = 0;
  uint64_t loopStartOut_ = 0, loopEndOut_ = 0;

  void PublishPosition(uint64_t before, uint32_t block, int64_t blockTimeNs);

  // Position, written by the mixer (or Rewind while not playing) between two steps of
  // positionSeq_ (odd while a write is under way); a reader retries until it saw one version.
  std::atomic<uint32_t> positionSeq_{0};
  std::atomic<uint64_t> framesBeforeBlock_{0};
  std::atomic<uint32_t> lastBlockFrames_{0};
  std::atomic<int64_t> lastBlockTimeNs_{0};  // steady clock, nanoseconds since its epoch
  uint64_t reported_ = 0;                    // the reader's: the largest position answered
};

}  // namespace fsound
