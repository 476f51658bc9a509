// fmod_pulse.h -- the sound output through a PulseAudio server (or PipeWire's PulseAudio
// interface), with the server's own report of its latency
//
// SDL's PulseAudio driver hides its stream, so the latency the server reports (its buffer, the
// sink's, a Bluetooth link's) could not be read through it. This output talks to the server
// itself: the server asks for frames on its own thread, the mixer renders them block by block,
// and just before each block the stream's latency (interpolated between
// the server's timing updates, which keep coming while it plays) is taken as the time until
// that block is heard. A moved stream (another output device) reports its new latency.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

struct pa_threaded_mainloop;
struct pa_context;
struct pa_stream;

namespace fsound {

class PulseOutput {
 public:
  // Renders frames stereo float frames at out; called on the server's thread.
  using RenderFn = void (*)(void* user, float* out, uint32_t frames);

  PulseOutput() = default;
  ~PulseOutput() { Close(); }
  PulseOutput(const PulseOutput&) = delete;
  PulseOutput& operator=(const PulseOutput&) = delete;

  // Connects to the server (never starting one) and opens a stereo float stream at mixRate,
  // asking the server to hold bufferFrames in all, taken in blocks of blockFrames. False with
  // *reason when there is no server or it refuses the stream; nothing is left open then.
  bool Open(int mixRate, uint32_t bufferFrames, uint32_t blockFrames, RenderFn render, void* user,
            std::string* reason);
  void Close();
  bool IsOpen() const { return mainloop_ != nullptr; }

  // Frames the server still holds before the next block rendered is heard: its last report.
  uint64_t LatencyFrames() const { return latencyFrames_.load(std::memory_order_acquire); }
  // The sink, the server's buffer and the latency, for the verbose start-up line.
  std::string Describe();

 private:
  static void ContextState(pa_context* context, void* self);
  static void StreamState(pa_stream* stream, void* self);
  static void TimingDone(pa_stream* stream, int success, void* self);
  static void Write(pa_stream* stream, size_t bytes, void* self);
  bool WaitReady(uint32_t bufferFrames, uint32_t blockFrames, std::string* reason);

  pa_threaded_mainloop* mainloop_ = nullptr;
  pa_context* context_ = nullptr;
  pa_stream* stream_ = nullptr;
  int mixRate_ = 0;
  RenderFn render_ = nullptr;
  void* user_ = nullptr;
  std::atomic<uint64_t> latencyFrames_{0};
  std::vector<float> block_;  // one block, stereo
};

}  // namespace fsound
