// unattended.cpp -- the unattended switch, first set from QOLA_NO_MESSAGE_BOX
#include "platform/services/unattended.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace platform_unattended {

namespace {

enum : int { kUnset = -1, kOff = 0, kOn = 1 };
std::atomic<int> state{kUnset};

// Any value but empty or "0" turns it on.
bool EnvironmentAsks() {
  const char* value = std::getenv("QOLA_NO_MESSAGE_BOX");
  return value && value[0] && std::strcmp(value, "0") != 0;
}

}  // namespace

void Set(bool on) { state.store(on ? kOn : kOff, std::memory_order_relaxed); }

bool On() {
  int now = state.load(std::memory_order_relaxed);
  if (now == kUnset) {
    int fromEnvironment = EnvironmentAsks() ? kOn : kOff;
    // A Set that came first wins over the environment.
    if (!state.compare_exchange_strong(now, fromEnvironment, std::memory_order_relaxed)) return now == kOn;
    now = fromEnvironment;
  }
  return now == kOn;
}

}  // namespace platform_unattended
