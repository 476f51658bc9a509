// win32_window.cpp -- window classes and windows on SDL2
//
// A window is an SDL window made with SDL_WINDOW_OPENGL so that the Direct3D device can put its
// OpenGL context on it. WS_POPUP windows are full screen at their size, like the demo's
// full-screen device window; others are ordinary windows whose SDL client area is the outer size
// minus the frame that AdjustWindowRect adds, so the Windows arithmetic of outer and client sizes
// holds.
#include <SDL.h>
#include <strings.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "platform/win32/win32_internal.h"
#include "platform/win32/win32_sdl.h"

namespace {

// Frame metrics of AdjustWindowRect and of the client area (classic Windows values).
constexpr int kBorder = 1;
constexpr int kDialogFrame = 3;
constexpr int kSizingFrame = 4;
constexpr int kCaption = 19;
constexpr int kMenuBar = 19;
constexpr int kDefaultWidth = 640;
constexpr int kDefaultHeight = 480;

struct WindowClass {
  std::string name;
  WNDCLASSEXA info;  // lpszClassName points into name
  ATOM atom;
};

std::vector<WindowClass>& Classes() {
  static std::vector<WindowClass> classes;
  return classes;
}

HWND__* liveWindows = nullptr;

// SDL windows destroyed while an OpenGL context was current on them: the device may still
// present to them, so they are hidden and closed once no context uses them.
std::vector<SDL_Window*>& ClosedWindows() {
  static std::vector<SDL_Window*> closed;
  return closed;
}

bool SameName(const std::string& a, const char* b) { return strcasecmp(a.c_str(), b) == 0; }

HINSTANCE Normalize(HINSTANCE instance) { return instance ? instance : win32::ProgramInstance(); }

// Class names may also be given as atoms: a pointer value below 0x10000.
WindowClass* FindClass(LPCSTR name) {
  uintptr_t value = reinterpret_cast<uintptr_t>(name);
  for (WindowClass& c : Classes()) {
    if (value < 0x10000 ? c.atom == value : SameName(c.name, name)) return &c;
  }
  return nullptr;
}

bool IsPopup(DWORD style) { return (style & WS_POPUP) != 0; }

void Unlink(HWND__* window) {
  for (HWND__** link = &liveWindows; *link; link = &(*link)->next) {
    if (*link == window) {
      *link = window->next;
      return;
    }
  }
}

Uint32 SdlFlags(DWORD style) {
  Uint32 flags = SDL_WINDOW_OPENGL;
  flags |= (style & WS_VISIBLE) ? SDL_WINDOW_SHOWN : SDL_WINDOW_HIDDEN;
  if (IsPopup(style)) flags |= SDL_WINDOW_FULLSCREEN;
  if ((style & WS_CAPTION) != WS_CAPTION) flags |= SDL_WINDOW_BORDERLESS;
  if (style & WS_THICKFRAME) flags |= SDL_WINDOW_RESIZABLE;
  if (style & WS_MAXIMIZE) flags |= SDL_WINDOW_MAXIMIZED;
  if (style & WS_MINIMIZE) flags |= SDL_WINDOW_MINIMIZED;
  return flags;
}

// The frame AdjustWindowRect puts around a client rectangle of this style.
RECT FrameOf(DWORD style, bool menu) {
  RECT frame = {0, 0, 0, 0};
  AdjustWindowRect(&frame, style, menu);
  return frame;
}

}  // namespace

namespace win32 {

HWND__* LiveWindow(HWND window) {
  for (HWND__* w = liveWindows; w; w = w->next) {
    if (w == window) return w;
  }
  SetLastError(ERROR_INVALID_WINDOW_HANDLE);
  return nullptr;
}

HWND__* WindowFromSdlId(unsigned sdlWindowId) {
  for (HWND__* w = liveWindows; w; w = w->next) {
    if (SDL_GetWindowID(w->sdl) == sdlWindowId) return w;
  }
  return nullptr;
}

bool ClassHasWindows(const std::string& className) {
  for (HWND__* w = liveWindows; w; w = w->next) {
    if (SameName(w->className, className.c_str())) return true;
  }
  return false;
}

SDL_Window* SdlWindow(HWND__* window) {
  for (HWND__* w = liveWindows; w; w = w->next) {
    if (w == window) return w->sdl;
  }
  return nullptr;
}

void ReapClosedWindows() {
  std::vector<SDL_Window*>& closed = ClosedWindows();
  if (closed.empty()) return;
  SDL_Window* current = SDL_GL_GetCurrentWindow();
  for (size_t i = 0; i < closed.size();) {
    if (closed[i] != current) {
      SDL_DestroyWindow(closed[i]);
      closed.erase(closed.begin() + static_cast<long>(i));
    } else {
      ++i;
    }
  }
}

}  // namespace win32

ATOM WINAPI RegisterClassExA(const WNDCLASSEXA* wc) {
  static ATOM nextAtom = 0xC000;  // where Windows numbers registered classes
  if (!wc || wc->cbSize != sizeof(WNDCLASSEXA) || !wc->lpfnWndProc || !wc->lpszClassName ||
      !wc->lpszClassName[0] || wc->cbClsExtra < 0 || wc->cbWndExtra < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (FindClass(wc->lpszClassName)) {
    SetLastError(ERROR_CLASS_ALREADY_EXISTS);
    return 0;
  }
  if (nextAtom == 0xFFFF) {
    SetLastError(ERROR_NOT_ENOUGH_QUOTA);
    return 0;
  }
  Classes().push_back(WindowClass{wc->lpszClassName, *wc, nextAtom++});
  WindowClass& added = Classes().back();
  added.info.hInstance = Normalize(wc->hInstance);
  added.info.lpszClassName = nullptr;  // the name lives in added.name, which may move
  return added.atom;
}

BOOL WINAPI UnregisterClassA(LPCSTR className, HINSTANCE instance) {
  win32::ReapClosedWindows();
  WindowClass* c = className ? FindClass(className) : nullptr;
  if (!c || c->info.hInstance != Normalize(instance)) {
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
  }
  if (win32::ClassHasWindows(c->name)) {
    SetLastError(ERROR_CLASS_HAS_WINDOWS);
    return FALSE;
  }
  std::vector<WindowClass>& classes = Classes();
  classes.erase(classes.begin() + (c - classes.data()));
  return TRUE;
}

HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x,
                            int y, int width, int height, HWND parent, HMENU menu,
                            HINSTANCE instance, LPVOID param) {
  WindowClass* c = className ? FindClass(className) : nullptr;
  if (!c) {
    SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
    return nullptr;
  }
  if (parent || (style & WS_CHILD)) {  // the platform has top-level windows only
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (!win32::EnsureVideo()) return nullptr;

  if (width == CW_USEDEFAULT) width = kDefaultWidth, height = kDefaultHeight;
  int clientX = x, clientY = y, clientW = width, clientH = height;
  if (IsPopup(style)) {
    clientX = clientY = 0;
  } else {
    RECT frame = FrameOf(style, menu != nullptr);
    clientW = width - (frame.right - frame.left);
    clientH = height - (frame.bottom - frame.top);
    clientX = x - frame.left;
    clientY = y - frame.top;
  }
  clientW = std::max(clientW, 1);
  clientH = std::max(clientH, 1);
  if (x == CW_USEDEFAULT) clientX = clientY = static_cast<int>(SDL_WINDOWPOS_UNDEFINED);

  SDL_Window* sdl = SDL_CreateWindow(windowName ? windowName : "", clientX, clientY, clientW,
                                     clientH, SdlFlags(style));
  if (!sdl) {
    std::fprintf(stderr, "CreateWindowExA: SDL could not make the window: %s\n", SDL_GetError());
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  HWND__* window = new HWND__;
  window->sdl = sdl;
  window->proc = c->info.lpfnWndProc;
  window->classStyle = c->info.style;
  window->className = c->name;
  window->style = style;
  window->exStyle = exStyle;
  window->needsPaint = true;
  window->next = liveWindows;
  liveWindows = window;
  win32::WatchKeys();
  win32::ApplyCursor();

  CREATESTRUCTA create = {param,  Normalize(instance), menu, parent, height, width, y, x,
                          static_cast<LONG>(style), windowName, c->name.c_str(), exStyle};
  LPARAM createParam = reinterpret_cast<LPARAM>(&create);
  if (!window->proc(window, WM_NCCREATE, 0, createParam) ||
      window->proc(window, WM_CREATE, 0, createParam) == -1) {
    DestroyWindow(window);
    return nullptr;
  }
  return window;
}

BOOL WINAPI DestroyWindow(HWND handle) {
  HWND__* window = win32::LiveWindow(handle);
  if (!window || window->destroying) return FALSE;
  window->destroying = true;
  window->proc(window, WM_DESTROY, 0, 0);
  window->proc(window, WM_NCDESTROY, 0, 0);
  Unlink(window);
  win32::DropMessagesOf(window);
  if (SDL_GL_GetCurrentWindow() == window->sdl) {
    SDL_HideWindow(window->sdl);
    ClosedWindows().push_back(window->sdl);
  } else {
    SDL_DestroyWindow(window->sdl);
  }
  delete window;
  win32::ReapClosedWindows();
  return TRUE;
}

BOOL WINAPI AdjustWindowRect(LPRECT rect, DWORD style, BOOL menu) {
  if (!rect) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  int frame = 0;
  if (style & WS_THICKFRAME) {
    frame = kSizingFrame;
  } else if (style & WS_DLGFRAME) {
    frame = kDialogFrame;
  } else if (style & WS_BORDER) {
    frame = kBorder;
  }
  int top = frame;
  if ((style & WS_CAPTION) == WS_CAPTION) top += kCaption;
  if (menu) top += kMenuBar;
  rect->left -= frame;
  rect->right += frame;
  rect->top -= top;
  rect->bottom += frame;
  return TRUE;
}

BOOL WINAPI ShowWindow(HWND handle, int command) {
  HWND__* window = win32::LiveWindow(handle);
  if (!window) return FALSE;
  BOOL wasVisible = (SDL_GetWindowFlags(window->sdl) & SDL_WINDOW_SHOWN) ? TRUE : FALSE;
  switch (command) {
    case SW_HIDE:
      SDL_HideWindow(window->sdl);
      window->style &= ~static_cast<DWORD>(WS_VISIBLE);
      return wasVisible;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE:
      SDL_MinimizeWindow(window->sdl);
      break;
    case SW_SHOWMAXIMIZED:
      SDL_ShowWindow(window->sdl);
      SDL_MaximizeWindow(window->sdl);
      break;
    case SW_RESTORE:
      SDL_RestoreWindow(window->sdl);
      SDL_ShowWindow(window->sdl);
      break;
    default:  // SW_SHOWNORMAL, SW_SHOW, SW_SHOWNA, SW_SHOWNOACTIVATE, SW_SHOWDEFAULT
      SDL_ShowWindow(window->sdl);
      break;
  }
  window->style |= WS_VISIBLE;
  return wasVisible;
}

BOOL WINAPI UpdateWindow(HWND handle) {
  HWND__* window = win32::LiveWindow(handle);
  if (!window) return FALSE;
  if (window->needsPaint) window->proc(window, WM_PAINT, 0, 0);
  return TRUE;
}

BOOL WINAPI IsWindow(HWND handle) { return win32::SdlWindow(handle) != nullptr; }

BOOL WINAPI GetClientRect(HWND handle, LPRECT rect) {
  HWND__* window = win32::LiveWindow(handle);
  if (!window || !rect) return FALSE;
  int w = 0, h = 0;
  SDL_GetWindowSize(window->sdl, &w, &h);
  *rect = RECT{0, 0, w, h};
  return TRUE;
}

BOOL WINAPI GetWindowRect(HWND handle, LPRECT rect) {
  HWND__* window = win32::LiveWindow(handle);
  if (!window || !rect) return FALSE;
  int x = 0, y = 0, w = 0, h = 0;
  SDL_GetWindowPosition(window->sdl, &x, &y);
  SDL_GetWindowSize(window->sdl, &w, &h);
  *rect = RECT{x, y, x + w, y + h};
  if (!IsPopup(window->style)) AdjustWindowRect(rect, window->style, FALSE);
  return TRUE;
}

BOOL WINAPI SetWindowTextA(HWND handle, LPCSTR text) {
  HWND__* window = win32::LiveWindow(handle);
  if (!window) return FALSE;
  SDL_SetWindowTitle(window->sdl, text ? text : "");
  return TRUE;
}
