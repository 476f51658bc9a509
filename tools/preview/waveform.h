// waveform.h -- the music's loudness over time, for the preview's strip
//
// The music file is decoded once, separately from the playing stream, into buckets of 256
// frames, each holding the peak and the sum of squares over every channel. A column of the
// strip, whatever span of time it covers, then takes its peak and its RMS from the buckets it
// holds. Waveform decodes on a worker thread started at once, so the preview's first frames
// never wait for it; until it is ready (or when the music cannot be read) it measures silence.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace preview {

struct Envelope {
  static constexpr uint32_t kBucketFrames = 256;
  int sampleRate = 0;
  std::vector<float> peak;        // per bucket, 0 to 1
  std::vector<float> sumSquares;  // per bucket, over frames x channels samples
  std::vector<uint32_t> samples;  // per bucket: frames x channels (the last bucket is short)

  // Peak and RMS over [fromMs, toMs); both 0 for an empty span or outside the music.
  void Measure(uint32_t fromMs, uint32_t toMs, float* peakOut, float* rmsOut) const;
  uint32_t LengthMs() const;
};

// Decodes fileName into *envelope. False with *problem ("media/music.ogg: cannot be opened (No
// such file or directory)") when it cannot be read; stops early, false, once *cancel is set.
bool ComputeEnvelope(const std::string& fileName, Envelope* envelope, std::string* problem,
                     const std::atomic<bool>* cancel = nullptr);

class Waveform {
 public:
  Waveform() = default;
  ~Waveform();
  Waveform(const Waveform&) = delete;
  Waveform& operator=(const Waveform&) = delete;

  // Starts decoding fileName on the worker thread (once).
  void Start(const std::string& fileName);
  // Ready: the envelope is complete and Envelope() may be read from here on; Failed: it never
  // will be (Problem says why).
  bool Ready() const { return state_.load(std::memory_order_acquire) == kReady; }
  bool Failed() const { return state_.load(std::memory_order_acquire) == kFailed; }
  const Envelope& Data() const { return envelope_; }
  const std::string& Problem() const { return problem_; }  // once Failed

 private:
  enum State { kIdle, kWorking, kReady, kFailed };
  std::atomic<int> state_{kIdle};
  std::atomic<bool> cancel_{false};
  Envelope envelope_;
  std::string problem_;
  std::thread worker_;
};

}  // namespace preview
