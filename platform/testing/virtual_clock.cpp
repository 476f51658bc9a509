// virtual_clock.cpp -- the virtual clock's state, read by timeGetTime and the sound library
#include "platform/testing/virtual_clock.h"

#include <atomic>

namespace platform_clock {

namespace {

// Atomics: the sound library's threads may ask while the capturing thread sets the time.
std::atomic<bool> active{false};
std::atomic<uint32_t> nowMs{0};

}  // namespace

void UseVirtualClock(uint32_t ms) {
  nowMs.store(ms, std::memory_order_relaxed);
  active.store(true, std::memory_order_release);
}

void AdvanceVirtualClock(uint32_t deltaMs) {
  if (active.load(std::memory_order_acquire)) nowMs.fetch_add(deltaMs, std::memory_order_relaxed);
}

void UseRealClock() { active.store(false, std::memory_order_release); }

bool VirtualClockActive() { return active.load(std::memory_order_acquire); }

uint32_t VirtualClockMs() { return nowMs.load(std::memory_order_relaxed); }

}  // namespace platform_clock
