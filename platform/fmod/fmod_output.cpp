// fmod_output.cpp -- SDL2 audio device or silent real-time clock, and the stream mixer
#include "platform/fmod/fmod_output.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>

#include "fmod.h"
#include "platform/testing/testing.h"

namespace fsound {

namespace {

constexpr uint16_t kDeviceBlockFrames = 1024;
constexpr uint32_t kSilentBlockFrames = 1024;
constexpr auto kSilentTick = std::chrono::milliseconds(5);

}  // namespace

bool Output::Open(int mixRate, int channelCount, Kind kind) {
  mixRate_ = mixRate;
  latencyFrames_ = 0;
  channels_.assign(static_cast<size_t>(channelCount), nullptr);
  // "FSOUND_Init:device" makes the sound device unavailable, as on a machine without one.
  bool device = kind == Kind::kDevice && !platform_testing::ShouldFail("FSOUND_Init:device") && OpenDevice();
  if (!device && kind != Kind::kNone) StartSilent();
  open_ = true;
  return true;
}

bool Output::OpenDevice() {
  // Ctrl+C in a terminal must still end the demo, as with the video subsystem.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
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
  for (Stream*& stream : channels_) {
    if (!stream) continue;
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

uint64_t Output::HeardFrames(Stream* stream) {
  return stream->HeardFrames(std::chrono::steady_clock::now(), latencyFrames_);
}

}  // namespace fsound
