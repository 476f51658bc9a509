// testing.h -- test-only controls of the platform layer: captured message boxes and calls made to fail
//
// Tests never wait for a person: with capture on, MessageBoxA records its caption and text here
// instead of showing a box (it still writes both to standard error), and MessageBeep is counted.
// Any platform call can be made to fail by name so that every failure path of the demo is
// reachable. Names are "Interface::Method" as the program calls it, with an optional ":detail"
// for one variant of the call, for example
//   "IDirect3D9::CreateDevice:hardware"   hardware vertex processing refused
//   "IDirect3D9::CreateDevice:multisample" four-sample multisampling unsupported
//   "IDirect3D9::EnumAdapterModes"       the mode enumeration
//   "IDirect3DVertexBuffer9::Lock"       a vertex-buffer lock
// Each platform file lists the names it honours next to the call.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform_testing {

struct CapturedMessageBox {
  std::string caption;  // empty when the caption pointer was null
  bool captionIsNull = false;
  std::string text;
  unsigned type = 0;
};

// Message boxes and beeps.
void CaptureMessageBoxes(bool on);
bool CapturingMessageBoxes();
void RecordMessageBox(const char* text, const char* caption, unsigned type);
const std::vector<CapturedMessageBox>& MessageBoxes();
void RecordMessageBeep(unsigned type);
int MessageBeeps();
void ClearMessageBoxes();  // forgets boxes and beeps

// Failure injection. FailCall makes every later call of that name fail until ClearFailures;
// FailCallAfter lets `successes` calls through first, then fails the rest.
void FailCall(const std::string& name);
void FailCallAfter(const std::string& name, int successes);
bool ShouldFail(const std::string& name);  // asked by the platform call itself
// The same without building a string while no failure is set: platform calls made every
// frame ask with a literal and must not allocate.
bool ShouldFail(const char* name);
void ClearFailures();

// The winmm clock for tests. While a time is set, timeGetTime returns exactly that value, so a
// test can stand at a chosen phase. (Capture drives both of the demo's clocks through
// virtual_clock.h instead.)
// Safe from any thread; asking costs one atomic load and allocates nothing.
void SetTimeGetTime(uint32_t ms);
void ClearTimeGetTime();
bool TimeGetTimeIsSet(uint32_t* ms);  // asked by timeGetTime: true with *ms while a time is set

// Presented frames: IDirect3DDevice9::Present counts every call it accepts, so a test can tell
// whether a frame reached the screen. One atomic increment; Reset sets it back to 0.
void CountPresent();
uint64_t Presents();

// Resets everything above: capture off, no boxes, no failures, the system clock. Tests call it in SetUp/TearDown.
void Reset();

}  // namespace platform_testing
