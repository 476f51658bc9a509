// testing.cpp -- captured message boxes and named failures for tests
#include "platform/testing/testing.h"

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

void ClearFailures() { Get().failures.clear(); }

void Reset() {
  CaptureMessageBoxes(false);
  ClearMessageBoxes();
  ClearFailures();
}

}  // namespace platform_testing

namespace platform_testing {

bool ShouldFail(const char* name) {
  if (Get().failures.empty()) return false;
  return ShouldFail(std::string(name));
}

}  // namespace platform_testing
