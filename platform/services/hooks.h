// hooks.h -- where a test harness plugs into the platform layer: named failures, boxes, presents
//
// The platform's calls ask here whether they are to fail ("IDirect3D9::CreateDevice", names as
// platform/testing/testing.h lists them) and report the message boxes, beeps and presents they
// make. A shipped program installs nothing: every question is one atomic load of a null
// pointer, answered "no", without allocating. The test library installs its hooks when a test
// links it, so failure paths and dialogs are reachable without the program linking test code.
#pragma once

namespace platform_hooks {

struct Hooks {
  // True when the call of that name is to fail now. Platform calls made every frame ask with a
  // literal, so the hook must not allocate while no failure is set.
  bool (*shouldFail)(const char* name) = nullptr;
  // True when the box (or beep) was taken by the harness: no dialog is shown, no bell rung.
  bool (*messageBox)(const char* text, const char* caption, unsigned type) = nullptr;
  bool (*messageBeep)(unsigned type) = nullptr;
  // Called for every frame IDirect3DDevice9::Present accepts.
  void (*present)() = nullptr;
};

// Installs hooks (which must outlive their use); null removes them.
void Install(const Hooks* hooks);

// Asked by the platform's calls.
bool ShouldFail(const char* name);
bool TakeMessageBox(const char* text, const char* caption, unsigned type);
bool TakeMessageBeep(unsigned type);
void CountPresent();

}  // namespace platform_hooks
