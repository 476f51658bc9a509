// testing.cpp -- captured message boxes and named failures for tests
#include "platform/testing/testing.h"

#include <atomic>
#include <map>

namespace platform_testing {
namespace {

struct State {
  bool capture = false;
  std::vector<CapturedMessageBox> boxes;
  int beeps = 0;
  // name -> calls still let through before failing (0: fail every call)
  std::map<std::string, int> failures;
};

// The set clock: bit 32 says whether a time is set, the low 32 bits hold it, so the value and
// its flag change together in one store.
constexpr uint64_t kClockSet = uint64_t{1} << 32;
std::atomic<uint64_t> clockOverride{0};

State& Get() {
  static State state;
  return state;
}

}  // namespace

void CaptureMessageBoxes(bool on) { Get().capture = on; }
bool CapturingMessageBoxes() { return Get().capture; }

void RecordMessageBox(const char* text, const char* caption, unsigned type) {
  CapturedMessageBox box;
  box.text = text ? text : "";
  box.captionIsNull = caption == nullptr;
  box.caption = caption ? caption : "";
  box.type = type;
  Get().boxes.push_back(box);
}

const std::vector<CapturedMessageBox>& MessageBoxes() { return Get().boxes; }
void RecordMessageBeep(unsigned) { ++Get().beeps; }
int MessageBeeps() { return Get().beeps; }

void ClearMessageBoxes() {
  Get().boxes.clear();
  Get().beeps = 0;
}

void FailCall(const std::string& name) { Get().failures[name] = 0; }
void FailCallAfter(const std::string& name, int successes) { Get().failures[name] = successes; }

bool ShouldFail(const std::string& name) {
  auto& failures = Get().failures;
  auto it = failures.find(name);
  if (it == failures.end()) return false;
  if (it->second > 0) {
    --it->second;
    return false;
  }
  return true;
}

bool ShouldFail(const char* name) {
  if (Get().failures.empty()) return false;
  return ShouldFail(std::string(name ? name : ""));
}

void ClearFailures() { Get().failures.clear(); }

void SetTimeGetTime(uint32_t ms) { clockOverride.store(kClockSet | ms, std::memory_order_release); }
void ClearTimeGetTime() { clockOverride.store(0, std::memory_order_release); }

bool TimeGetTimeIsSet(uint32_t* ms) {
  uint64_t value = clockOverride.load(std::memory_order_acquire);
  if (!(value & kClockSet)) return false;
  *ms = static_cast<uint32_t>(value);
  return true;
}

namespace {
std::atomic<uint64_t> presents{0};
}  // namespace

void CountPresent() { presents.fetch_add(1, std::memory_order_relaxed); }
uint64_t Presents() { return presents.load(std::memory_order_relaxed); }

void Reset() {
  presents.store(0, std::memory_order_relaxed);
  CaptureMessageBoxes(false);
  ClearMessageBoxes();
  ClearFailures();
  ClearTimeGetTime();
}

}  // namespace platform_testing
