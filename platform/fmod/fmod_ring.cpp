// fmod_ring.cpp -- the lock-free single-producer, single-consumer frame ring
#include "platform/fmod/fmod_ring.h"

#include <algorithm>

namespace fsound {

namespace {

uint32_t RoundUpToPowerOfTwo(uint32_t n) {
  uint32_t p = 1;
  while (p < n && p < (1u << 30)) p <<= 1;
  return p;
}

}  // namespace

FrameRing::FrameRing(uint32_t capacityFrames)
    : samples_(static_cast<size_t>(RoundUpToPowerOfTwo(capacityFrames)) * kChannels, 0.0f),
      mask_(RoundUpToPowerOfTwo(capacityFrames) - 1) {}

uint32_t FrameRing::FreeFrames() const {
  uint64_t used = written_.load(std::memory_order_relaxed) - read_.load(std::memory_order_acquire);
  return CapacityFrames() - static_cast<uint32_t>(used);
}

uint32_t FrameRing::AvailableFrames() const {
  return static_cast<uint32_t>(written_.load(std::memory_order_acquire) -
                               read_.load(std::memory_order_relaxed));
}

uint32_t FrameRing::Write(const float* frames, uint32_t count) {
  uint64_t w = written_.load(std::memory_order_relaxed);
  uint32_t n = std::min(count, FreeFrames());
  for (uint32_t i = 0; i < n; ++i) {
    size_t slot = static_cast<size_t>((w + i) & mask_) * kChannels;
    samples_[slot] = frames[i * kChannels];
    samples_[slot + 1] = frames[i * kChannels + 1];
  }
  written_.store(w + n, std::memory_order_release);
  return n;
}

uint32_t FrameRing::MixInto(float* out, uint32_t count) {
  uint64_t r = read_.load(std::memory_order_relaxed);
  uint32_t n = std::min(count, AvailableFrames());
  for (uint32_t i = 0; i < n; ++i) {
    size_t slot = static_cast<size_t>((r + i) & mask_) * kChannels;
    out[i * kChannels] += samples_[slot];
    out[i * kChannels + 1] += samples_[slot + 1];
  }
  read_.store(r + n, std::memory_order_release);
  return n;
}

void FrameRing::Reset() {
  written_.store(0, std::memory_order_relaxed);
  read_.store(0, std::memory_order_relaxed);
}

}  // namespace fsound
