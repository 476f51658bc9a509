// win32_internal.h -- the state the win32 files share: window classes, live windows, key state
//
// Only platform/win32 includes this. Everything runs on the program's one thread.
#pragma once

#include <windows.h>

#include <string>

struct SDL_Window;

// What a window handle points at. Handles are checked against the live list before use, so a
// stale or foreign handle is refused instead of followed.
struct HWND__ {
  SDL_Window* sdl = nullptr;
  WNDPROC proc = nullptr;
  UINT classStyle = 0;
  std::string className;
  DWORD style = 0;
  DWORD exStyle = 0;
  bool needsPaint = false;  // WM_PAINT is due
  bool destroying = false;  // inside DestroyWindow
  HWND__* next = nullptr;  // the live list
};

namespace win32 {

// The window behind a handle if it is live, else null (and ERROR_INVALID_WINDOW_HANDLE).
HWND__* LiveWindow(HWND window);
// The live window whose SDL window has this SDL id, or null.
HWND__* WindowFromSdlId(unsigned sdlWindowId);
// Whether a window of this class (compared without case) is still live.
bool ClassHasWindows(const std::string& className);

// Closes SDL windows whose destruction had to wait until no OpenGL context was current on them.
void ReapClosedWindows();

// The process's instance handle (GetModuleHandleA(NULL)).
HINSTANCE ProgramInstance();

// Virtual-key code of an SDL scancode, 0 when the key has none.
int VirtualKeyOfScancode(int scancode);
// Installs the SDL event watch that keeps GetAsyncKeyState's key bits (idempotent).
void WatchKeys();
// Applies the ShowCursor count to SDL (after video has started).
void ApplyCursor();

// Forgets the queued messages of a window that is being destroyed.
void DropMessagesOf(HWND window);
// Moves pending SDL events into the thread queue as window messages.
void TranslateSdlEvents();

}  // namespace win32
