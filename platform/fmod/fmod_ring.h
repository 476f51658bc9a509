// fmod_ring.h -- the ring of decoded frames between a stream's decoder thread and the output
//
// One producer (the stream's decoder thread) and one consumer (the output's mixer) share it
// without a lock: each side owns one position and publishes it with release ordering, and the
// other side reads it with acquire ordering, so a frame is complete before it is counted.
// Frames are two interleaved floats (left, right) at the output's rate.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

namespace fsound {

class FrameRing {
 public:
  static constexpr uint32_t kChannels = 2;

  // capacityFrames is rounded up to a power of two.
  explicit FrameRing(uint32_t capacityFrames);

  uint32_t CapacityFrames() const { return mask_ + 1; }
  uint32_t FreeFrames() const;       // producer side
  uint32_t AvailableFrames() const;  // consumer side

  // Producer: copies up to count frames in; returns how many fit.
  uint32_t Write(const float* frames, uint32_t count);
  // Consumer: adds up to count frames onto out (mixing) and returns how many there were.
  uint32_t MixInto(float* out, uint32_t count);
  // Empties the ring. Only while neither side is running.
  void Reset();

 private:
  std::vector<float> samples_;
  uint32_t mask_;
  std::atomic<uint64_t> written_{0};  // frames ever written (producer owns)
  std::atomic<uint64_t> read_{0};     // frames ever read (consumer owns)
};

}  // namespace fsound
