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
//
// Only tests link this library. It plugs into the platform through platform/services/hooks.h,
// installing its hooks as the test program starts; shipped programs never contain it. The
// clock is the platform's own override: platform_clock::UseVirtualClock
// (platform/services/virtual_clock.h) stands the demo at a chosen moment, and Reset turns it off.
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
const std::vector<CapturedMessageBox>& MessageBoxes();
int MessageBeeps();
void ClearMessageBoxes();  // forgets boxes and beeps

// Failure injection. FailCall makes every later call of that name fail until ClearFailures;
// FailCallAfter lets `successes` calls through first, then fails the rest.
void FailCall(const std::string& name);
void FailCallAfter(const std::string& name, int successes);
// Asked by the platform call itself (through the hooks). It builds no string while no failure
// is set: platform calls made every frame ask with a literal and must not allocate.
bool ShouldFail(const char* name);
void ClearFailures();

// Presented frames: IDirect3DDevice9::Present counts every call it accepts, so a test can tell
// whether a frame reached the screen. One atomic increment; Reset sets it back to 0.
uint64_t Presents();

// Resets everything above and the clock: capture off, no boxes, no failures, no presents
// counted, the real clocks. Tests call it in SetUp/TearDown.
void Reset();

}  // namespace platform_testing
