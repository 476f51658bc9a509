// testing.cpp -- captured message boxes, named failures and counted presents, hooked into the platform
#include "platform/testing/testing.h"

#include <atomic>
#include <map>
#include <string_view>

#include "platform/services/hooks.h"
#include "platform/services/virtual_clock.h"

namespace platform_testing {
namespace {

struct State {
  bool capture = false;
  std::vector<CapturedMessageBox> boxes;
  int beeps = 0;
  // name -> calls still let through before failing (0: fail every call)
  std::map<std::string, int, std::less<>> failures;
};

std::atomic<uint64_t> presents{0};

State& Get() {
  static State state;
  return state;
}

bool TakeMessageBox(const char* text, const char* caption, unsigned type) {
  if (!Get().capture) return false;
  CapturedMessageBox box;
  box.text = text ? text : "";
  box.captionIsNull = caption == nullptr;
  box.caption = caption ? caption : "";
  box.type = type;
  Get().boxes.push_back(box);
  return true;
}

bool TakeMessageBeep(unsigned) {
  if (!Get().capture) return false;
  ++Get().beeps;
  return true;
}

void CountPresent() { presents.fetch_add(1, std::memory_order_relaxed); }

platform_hooks::Hooks MakeHooks() {
  platform_hooks::Hooks hooks;
  hooks.shouldFail = &ShouldFail;
  hooks.messageBox = &TakeMessageBox;
  hooks.messageBeep = &TakeMessageBeep;
  hooks.present = &CountPresent;
  return hooks;
}

const platform_hooks::Hooks kHooks = MakeHooks();

// Linking this file into a test installs the hooks before main runs.
const bool kInstalled = (platform_hooks::Install(&kHooks), true);

}  // namespace

void CaptureMessageBoxes(bool on) { Get().capture = on; }
bool CapturingMessageBoxes() { return Get().capture; }
const std::vector<CapturedMessageBox>& MessageBoxes() { return Get().boxes; }
int MessageBeeps() { return Get().beeps; }

void ClearMessageBoxes() {
  Get().boxes.clear();
  Get().beeps = 0;
}

void FailCall(const std::string& name) { Get().failures[name] = 0; }
void FailCallAfter(const std::string& name, int successes) { Get().failures[name] = successes; }

bool ShouldFail(const char* name) {
  auto& failures = Get().failures;
  if (failures.empty() || !name) return false;
  // Heterogeneous lookup: the literal is compared as it is, no string is built.
  auto it = failures.find(std::string_view(name));
  if (it == failures.end()) return false;
  if (it->second > 0) {
    --it->second;
    return false;
  }
  return true;
}

void ClearFailures() { Get().failures.clear(); }

uint64_t Presents() { return presents.load(std::memory_order_relaxed); }

void Reset() {
  (void)kInstalled;
  platform_hooks::Install(&kHooks);
  presents.store(0, std::memory_order_relaxed);
  CaptureMessageBoxes(false);
  ClearMessageBoxes();
  ClearFailures();
  platform_clock::UseRealClock();
}

}  // namespace platform_testing
