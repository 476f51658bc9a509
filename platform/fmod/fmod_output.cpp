// fmod_output.cpp -- SDL2 audio device or silent real-time clock, and the stream mixer
#include "platform/fmod/fmod_output.h"

#include <SDL.h>
#include <alsa/asoundlib.h>
#include <strings.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "fmod.h"
#include "platform/services/hooks.h"

namespace fsound {

namespace {

constexpr uint16_t kDeviceBlockFrames = 1024;
constexpr uint32_t kSilentBlockFrames = 1024;
constexpr auto kSilentTick = std::chrono::milliseconds(5);
// What the sound server is asked to hold: four blocks, about 93 ms at 44.1 kHz. All of it is
// reported back as latency and subtracted, so a larger buffer costs no synchronisation.
constexpr uint32_t kServerBufferFrames = 4 * kDeviceBlockFrames;

// ALSA's library writes its complaints ("ALSA lib pcm.c:...: Unknown PCM default") straight to
// standard error while SDL probes it on a machine without a card; the output says in one line
// what it chose instead.
void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}

bool Verbose() {
  const char* v = std::getenv("QOLA_VERBOSE");
  return v && *v && std::strcmp(v, "0") != 0;
}

// A PulseAudio server is asked first unless SDL's driver is chosen by name and is another one.
bool PulseAllowed() {
  const char* driver = std::getenv("SDL_AUDIODRIVER");
  return !driver || !*driver || strcasecmp(driver, "pulseaudio") == 0 || strcasecmp(driver, "pulse") == 0 ||
         strcasecmp(driver, "pipewire") == 0;
}

}  // namespace

bool Output::Open(int mixRate, int channelCount, Kind kind) {
  mixRate_ = mixRate;
  latencyFrames_ = 0;
  channels_.assign(static_cast<size_t>(channelCount), nullptr);
  paused_.assign(static_cast<size_t>(channelCount), 0);
  // "FSOUND_Init:device" makes the sound device unavailable, as on a machine without one.
  bool device = kind == Kind::kDevice && !platform_hooks::ShouldFail("FSOUND_Init:device") &&
                (OpenPulse() || OpenDevice());
  if (!device && kind != Kind::kNone) StartSilent();
  open_ = true;
  if (Verbose()) std::fprintf(stderr, "qola sound: %s\n", Describe().c_str());
  return true;
}

bool Output::OpenPulse() {
  if (!PulseAllowed()) return false;
  std::string reason;
  if (pulse_.Open(mixRate_, kServerBufferFrames, kDeviceBlockFrames, &Output::PulseRender, this, &reason)) return true;
  if (Verbose()) std::fprintf(stderr, "qola sound: no PulseAudio server (%s); SDL's drivers next\n", reason.c_str());
  return false;
}

void Output::PulseRender(void* self, float* out, uint32_t frames) { static_cast<Output*>(self)->Render(out, frames); }

std::string Output::Describe() {
  char line[256];
  if (pulse_.IsOpen()) return pulse_.Describe();
  if (device_ != 0) {
    std::snprintf(line, sizeof line, "SDL driver \"%s\", %d Hz stereo float, buffer %u frames (%.1f ms) subtracted, no reported latency",
                  SDL_GetCurrentAudioDriver() ? SDL_GetCurrentAudioDriver() : "?", mixRate_, latencyFrames_,
                  latencyFrames_ * 1000.0 / mixRate_);
  } else if (IsSilent()) {
    std::snprintf(line, sizeof line, "silent, %d Hz, advancing in real time", mixRate_);
  } else {
    std::snprintf(line, sizeof line, "none (a virtual clock answers for the streams)");
  }
  return line;
}

bool Output::OpenDevice() {
  // Ctrl+C in a terminal must still end the demo, as with the video subsystem.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  snd_lib_error_set_handler(&QuietAlsa);
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    std::fprintf(stderr, "FSOUND_Init: no sound system (%s); the music plays silently\n", SDL_GetError());
    return false;
  }
  SDL_AudioSpec want{};
  want.freq = mixRate_;
  want.format = AUDIO_F32SYS;
  want.channels = FrameRing::kChannels;
  want.samples = kDeviceBlockFrames;
  want.callback = &Output::DeviceCallback;
  want.userdata = this;
  SDL_AudioSpec have{};
  // No changes allowed: SDL converts to whatever the device wants, so the mixer's rate is ours.
  device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  if (device_ == 0) {
    std::fprintf(stderr, "FSOUND_Init: no sound device (%s); the music plays silently\n", SDL_GetError());
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  // What SDL reports of the device: one buffer of have.samples frames plays while the mixer
  // fills the next.
  latencyFrames_ = have.samples;
  SDL_PauseAudioDevice(device_, 0);
  return true;
}

void Output::StartSilent() {
  silentBlock_.assign(static_cast<size_t>(kSilentBlockFrames) * FrameRing::kChannels, 0.0f);
  stopSilent_.store(false, std::memory_order_release);
  silentThread_ = std::thread([this] { SilentLoop(); });
}

void Output::SilentLoop() {
  // Takes, at every tick, exactly the frames a device would have played since the start.
  auto start = std::chrono::steady_clock::now();
  uint64_t taken = 0;
  while (!stopSilent_.load(std::memory_order_acquire)) {
    std::this_thread::sleep_for(kSilentTick);
    auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
    uint64_t due = static_cast<uint64_t>(elapsed.count()) * static_cast<uint64_t>(mixRate_) / 1000000u;
    while (taken < due) {
      uint32_t frames = static_cast<uint32_t>(std::min<uint64_t>(due - taken, kSilentBlockFrames));
      Render(silentBlock_.data(), frames);
      taken += frames;
    }
  }
}

void Output::DeviceCallback(void* self, uint8_t* bytes, int length) {
  auto* output = static_cast<Output*>(self);
  uint32_t frames = static_cast<uint32_t>(length) / (FrameRing::kChannels * sizeof(float));
  output->Render(reinterpret_cast<float*>(bytes), frames);
}

void Output::Render(float* out, uint32_t frames) {
  std::fill(out, out + static_cast<size_t>(frames) * FrameRing::kChannels, 0.0f);
  auto now = std::chrono::steady_clock::now();
  std::lock_guard<std::mutex> lock(mutex_);
  for (size_t c = 0; c < channels_.size(); ++c) {
    Stream*& stream = channels_[c];
    if (!stream || paused_[c]) continue;
    if (!stream->Mix(out, frames, now)) {
      // Played to its end: the channel is free again.
      stream->channel = -1;
      stream = nullptr;
    }
  }
  for (size_t i = 0; i < static_cast<size_t>(frames) * FrameRing::kChannels; ++i) {
    out[i] = std::clamp(out[i], -1.0f, 1.0f);
  }
}

void Output::Close() {
  pulse_.Close();  // waits for a running write
  if (device_ != 0) {
    SDL_CloseAudioDevice(device_);  // waits for a running callback
    device_ = 0;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }
  if (silentThread_.joinable()) {
    stopSilent_.store(true, std::memory_order_release);
    silentThread_.join();
  }
  std::lock_guard<std::mutex> lock(mutex_);
  for (Stream*& stream : channels_) {
    if (stream) stream->channel = -1;
    stream = nullptr;
  }
  open_ = false;
}

int Output::Play(int channel, Stream* stream) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (stream->channel >= 0) return stream->channel;  // already playing
  if (channel == FSOUND_FREE) {
    auto it = std::find(channels_.begin(), channels_.end(), nullptr);
    if (it == channels_.end()) return -1;
    channel = static_cast<int>(it - channels_.begin());
  }
  if (channel < 0 || static_cast<size_t>(channel) >= channels_.size()) return -1;
  if (Stream* previous = channels_[static_cast<size_t>(channel)]) previous->channel = -1;
  channels_[static_cast<size_t>(channel)] = stream;
  stream->channel = channel;
  return channel;
}

void Output::Stop(Stream* stream) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (stream->channel >= 0) channels_[static_cast<size_t>(stream->channel)] = nullptr;
  stream->channel = -1;
}

bool Output::SetPaused(int channel, bool paused) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (channel == FSOUND_ALL) {
    std::fill(paused_.begin(), paused_.end(), paused ? 1 : 0);
    return true;
  }
  if (channel < 0 || static_cast<size_t>(channel) >= paused_.size()) return false;
  paused_[static_cast<size_t>(channel)] = paused ? 1 : 0;
  return true;
}

bool Output::Paused(int channel) {
  std::lock_guard<std::mutex> lock(mutex_);
  return channel >= 0 && static_cast<size_t>(channel) < paused_.size() && paused_[static_cast<size_t>(channel)] != 0;
}

uint64_t Output::HeardFrames(Stream* stream) {
  return stream->HeardFrames(std::chrono::steady_clock::now(), LatencyFrames());
}

}  // namespace fsound
