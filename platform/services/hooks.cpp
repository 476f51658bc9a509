// hooks.cpp -- the installed hooks, if any, and the platform's questions to them
#include "platform/services/hooks.h"

#include <atomic>

namespace platform_hooks {

namespace {

std::atomic<const Hooks*> installed{nullptr};

}  // namespace

void Install(const Hooks* hooks) { installed.store(hooks, std::memory_order_release); }

bool ShouldFail(const char* name) {
  const Hooks* hooks = installed.load(std::memory_order_acquire);
  return hooks && hooks->shouldFail && hooks->shouldFail(name);
}

bool TakeMessageBox(const char* text, const char* caption, unsigned type) {
  const Hooks* hooks = installed.load(std::memory_order_acquire);
  return hooks && hooks->messageBox && hooks->messageBox(text, caption, type);
}

bool TakeMessageBeep(unsigned type) {
  const Hooks* hooks = installed.load(std::memory_order_acquire);
  return hooks && hooks->messageBeep && hooks->messageBeep(type);
}

void CountPresent() {
  const Hooks* hooks = installed.load(std::memory_order_acquire);
  if (hooks && hooks->present) hooks->present();
}

}  // namespace platform_hooks
