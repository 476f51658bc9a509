// virtual_clock.cpp -- the virtual clock's state, read by timeGetTime and the sound library
#include "platform/services/virtual_clock.h"

#include <atomic>

namespace platform_clock {

namespace {

// Bit 32 says whether the clock is on, the low 32 bits hold its time, so that the two change
// together in one store: the sound library's threads may ask while the program sets the time.
constexpr uint64_t kOn = uint64_t{1} << 32;
std::atomic<uint64_t> state{0};

}  // namespace

void UseVirtualClock(uint32_t ms) { state.store(kOn | ms, std::memory_order_release); }

void AdvanceVirtualClock(uint32_t deltaMs) {
  uint64_t now = state.load(std::memory_order_acquire);
  while (now & kOn) {
    uint64_t next = kOn | static_cast<uint32_t>(static_cast<uint32_t>(now) + deltaMs);
    if (state.compare_exchange_weak(now, next, std::memory_order_acq_rel, std::memory_order_acquire)) return;
  }
}

void UseRealClock() { state.store(0, std::memory_order_release); }

bool VirtualClockNow(uint32_t* ms) {
  uint64_t now = state.load(std::memory_order_acquire);
  if (!(now & kOn)) return false;
  *ms = static_cast<uint32_t>(now);
  return true;
}

bool VirtualClockActive() { return (state.load(std::memory_order_acquire) & kOn) != 0; }

uint32_t VirtualClockMs() { return static_cast<uint32_t>(state.load(std::memory_order_acquire)); }

}  // namespace platform_clock
