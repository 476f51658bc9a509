// fmod_output.h -- the sound output: an SDL2 audio device, or a silent clock, and the mixer
//
// The mixer adds every playing stream into one stereo float block and hands it to the output:
// a PulseAudio server where one runs (its reported latency is subtracted from the positions),
// else SDL's own drivers (its buffer is subtracted; ALSA's own error lines are kept off the
// terminal). Without a sound device the silent output takes blocks at the rate a device would, paced by
// the monotonic clock, so stream positions still advance in real time. One lock guards the
// channel table; the mixer holds it while it mixes a block, and Play and Stop take it. Stream
// positions are read without it (fmod_stream.h), so the demo's clock never waits for audio.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/fmod/fmod_pulse.h"
#include "platform/fmod/fmod_stream.h"

namespace fsound {

class Output {
 public:
  Output() = default;
  ~Output() { Close(); }
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;

  enum class Kind {
    kDevice,  // the system's sound device, or the silent output when there is none
    kSilent,  // the silent output: streams advance in real time
    kNone,    // nothing plays and nothing advances (a virtual clock answers for the streams)
  };
  // Opens the output at mixRate with channelCount channels.
  bool Open(int mixRate, int channelCount, Kind kind);
  void Close();
  bool IsOpen() const { return open_; }
  bool IsSilent() const { return silentThread_.joinable(); }
  int MixRate() const { return mixRate_; }

  // Channel table, all under the lock.
  int Play(int channel, Stream* stream);  // the channel, or -1 with *error set
  void Stop(Stream* stream);
  // A paused channel keeps its stream where it is: the mixer takes nothing from it, so its
  // position stops once what was handed to the output has played. False for no such channel.
  bool SetPaused(int channel, bool paused);
  bool Paused(int channel);
  // The position the listener hears: what the output still holds plays after the frames the
  // mixer handed over (the server's reported latency, or SDL's buffer). Lock-free; from the
  // program's thread only.
  uint64_t HeardFrames(Stream* stream);
  uint64_t LatencyFrames() const { return pulse_.IsOpen() ? pulse_.LatencyFrames() : latencyFrames_; }
  // The sound path: "PulseAudio ...", "SDL ...", "silent ..." with rate, buffer and latency.
  std::string Describe();

 private:
  bool OpenPulse();
  bool OpenDevice();
  static void PulseRender(void* self, float* out, uint32_t frames);
  void StartSilent();
  static void DeviceCallback(void* self, uint8_t* bytes, int length);
  void Render(float* out, uint32_t frames);  // takes the lock
  void SilentLoop();

  std::mutex mutex_;
  std::vector<Stream*> channels_;
  std::vector<char> paused_;  // per channel
  int mixRate_ = 0;
  bool open_ = false;
  uint32_t device_ = 0;  // SDL_AudioDeviceID, 0 when none
  uint32_t latencyFrames_ = 0;
  PulseOutput pulse_;
  std::thread silentThread_;
  std::atomic<bool> stopSilent_{false};
  std::vector<float> silentBlock_;
};

}  // namespace fsound
