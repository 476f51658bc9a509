// win32_message.cpp -- the thread's message queue, SDL events as window messages, DefWindowProcA
//
// The queue is a fixed array, so pumping messages every frame allocates nothing. SDL events are
// only taken out of SDL's queue while there is room for their messages; the rest wait in SDL.
#include <SDL.h>

#include <cstring>

#include <mmsystem.h>

#include "platform/win32/win32_internal.h"

namespace {

constexpr int kQueueLimit = 4096;  // posted messages; PostMessageA fails beyond it

MSG queue[kQueueLimit];
int queued = 0;
bool quitPosted = false;
// Keys down as far as the thread has read its key messages: GetKeyState's answer, so that a
// message handler sees Shift as it was when the key came, whatever happened since.
bool readKeyDown[256];

void NoteKeyMessage(const MSG& msg) {
  if (msg.wParam >= 256) return;
  if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) readKeyDown[msg.wParam] = true;
  if (msg.message == WM_KEYUP || msg.message == WM_SYSKEYUP) readKeyDown[msg.wParam] = false;
}
int quitCode = 0;

void RemoveAt(int index) {
  std::memmove(&queue[index], &queue[index + 1], sizeof(MSG) * (queued - index - 1));
  --queued;
}

bool Matches(const MSG& msg, HWND filter, UINT first, UINT last) {
  if (filter == reinterpret_cast<HWND>(-1)) {
    if (msg.hwnd) return false;
  } else if (filter && msg.hwnd != filter) {
    return false;
  }
  return (first == 0 && last == 0) || (msg.message >= first && msg.message <= last);
}

bool Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool atFront) {
  if (queued == kQueueLimit) return false;
  MSG msg = {window, message, wParam, lParam, timeGetTime(), {0, 0}};
  if (atFront) {
    std::memmove(&queue[1], &queue[0], sizeof(MSG) * queued);
    queue[0] = msg;
  } else {
    queue[queued] = msg;
  }
  ++queued;
  return true;
}

WPARAM MouseKeyFlags(Uint32 buttons) {
  WPARAM flags = 0;
  if (buttons & SDL_BUTTON_LMASK) flags |= MK_LBUTTON;
  if (buttons & SDL_BUTTON_RMASK) flags |= MK_RBUTTON;
  if (buttons & SDL_BUTTON_MMASK) flags |= MK_MBUTTON;
  SDL_Keymod mod = SDL_GetModState();
  if (mod & KMOD_SHIFT) flags |= MK_SHIFT;
  if (mod & KMOD_CTRL) flags |= MK_CONTROL;
  return flags;
}

// WM_KEYDOWN/WM_KEYUP lParam: repeat count 1, scan code, context (Alt) and transition bits.
LPARAM KeyLParam(const SDL_KeyboardEvent& key, bool up, bool alt) {
  DWORD bits = 1u | ((static_cast<DWORD>(key.keysym.scancode) & 0xFFu) << 16);
  if (alt) bits |= 1u << 29;
  if (up || key.repeat) bits |= 1u << 30;
  if (up) bits |= 1u << 31;
  return static_cast<LPARAM>(bits);
}

void TranslateKey(HWND window, const SDL_KeyboardEvent& key) {
  int vk = win32::VirtualKeyOfScancode(key.keysym.scancode);
  if (!vk) return;
  bool up = key.type == SDL_KEYUP;
  bool alt = (key.keysym.mod & KMOD_ALT) != 0 || vk == VK_MENU;
  UINT message = alt ? (up ? WM_SYSKEYUP : WM_SYSKEYDOWN) : (up ? WM_KEYUP : WM_KEYDOWN);
  Post(window, message, static_cast<WPARAM>(vk), KeyLParam(key, up, alt), false);
}

void TranslateMouseButton(HWND__* window, const SDL_MouseButtonEvent& button) {
  UINT down, up, dbl;
  switch (button.button) {
    case SDL_BUTTON_LEFT: down = WM_LBUTTONDOWN, up = WM_LBUTTONUP, dbl = WM_LBUTTONDBLCLK; break;
    case SDL_BUTTON_RIGHT: down = WM_RBUTTONDOWN, up = WM_RBUTTONUP, dbl = WM_RBUTTONDBLCLK; break;
    case SDL_BUTTON_MIDDLE: down = WM_MBUTTONDOWN, up = WM_MBUTTONUP, dbl = WM_MBUTTONDBLCLK; break;
    default: return;
  }
  UINT message = up;
  if (button.type == SDL_MOUSEBUTTONDOWN) {
    message = (button.clicks == 2 && (window->classStyle & CS_DBLCLKS)) ? dbl : down;
  }
  Post(window, message, MouseKeyFlags(SDL_GetMouseState(nullptr, nullptr)),
       MAKELPARAM(button.x, button.y), false);
}

void TranslateWindowEvent(HWND__* window, const SDL_WindowEvent& event) {
  switch (event.event) {
    case SDL_WINDOWEVENT_CLOSE: Post(window, WM_CLOSE, 0, 0, false); break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
      Post(window, WM_ACTIVATE, WA_ACTIVE, 0, false);
      Post(window, WM_SETFOCUS, 0, 0, false);
      break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
      Post(window, WM_ACTIVATE, WA_INACTIVE, 0, false);
      Post(window, WM_KILLFOCUS, 0, 0, false);
      break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
      Post(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(event.data1, event.data2), false);
      break;
    case SDL_WINDOWEVENT_MINIMIZED: Post(window, WM_SIZE, SIZE_MINIMIZED, 0, false); break;
    case SDL_WINDOWEVENT_MOVED: Post(window, WM_MOVE, 0, MAKELPARAM(event.data1, event.data2), false); break;
    case SDL_WINDOWEVENT_EXPOSED:
      if (!window->needsPaint) Post(window, WM_PAINT, 0, 0, false);
      window->needsPaint = true;
      break;
    default: break;
  }
}

void TranslateEvent(const SDL_Event& e) {
  switch (e.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      if (HWND__* w = win32::WindowFromSdlId(e.key.windowID)) TranslateKey(w, e.key);
      break;
    case SDL_MOUSEMOTION:
      if (HWND__* w = win32::WindowFromSdlId(e.motion.windowID)) {
        Post(w, WM_MOUSEMOVE, MouseKeyFlags(e.motion.state), MAKELPARAM(e.motion.x, e.motion.y), false);
      }
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      if (HWND__* w = win32::WindowFromSdlId(e.button.windowID)) TranslateMouseButton(w, e.button);
      break;
    case SDL_MOUSEWHEEL:
      if (HWND__* w = win32::WindowFromSdlId(e.wheel.windowID)) {
        int x = 0, y = 0;
        SDL_GetGlobalMouseState(&x, &y);
        WPARAM flags = MouseKeyFlags(SDL_GetMouseState(nullptr, nullptr));
        Post(w, WM_MOUSEWHEEL, MAKEWPARAM(flags, e.wheel.y * WHEEL_DELTA), MAKELPARAM(x, y), false);
      }
      break;
    case SDL_WINDOWEVENT:
      if (HWND__* w = win32::WindowFromSdlId(e.window.windowID)) TranslateWindowEvent(w, e.window);
      break;
    default:  // SDL_QUIT and the rest: Windows has no message for them
      break;
  }
}

// The character a key gives on a US keyboard, 0 for none.
int CharOfKey(int vk, SDL_Keymod mod) {
  bool shift = (mod & KMOD_SHIFT) != 0;
  if (vk >= 'A' && vk <= 'Z') {
    if (mod & KMOD_CTRL) return vk - 'A' + 1;
    bool upper = shift != ((mod & KMOD_CAPS) != 0);
    return upper ? vk : vk - 'A' + 'a';
  }
  if (vk >= '0' && vk <= '9') return shift ? ")!@#$%^&*("[vk - '0'] : vk;
  switch (vk) {
    case VK_SPACE: return ' ';
    case VK_RETURN: return '\r';
    case VK_ESCAPE: return 0x1B;
    case VK_BACK: return 0x08;
    case VK_TAB: return 0x09;
    case VK_OEM_4: return shift ? '{' : '[';
    case VK_OEM_6: return shift ? '}' : ']';
    default: return 0;
  }
}

}  // namespace

namespace win32 {

void DropMessagesOf(HWND window) {
  for (int i = 0; i < queued;) {
    if (queue[i].hwnd == window) {
      RemoveAt(i);
    } else {
      ++i;
    }
  }
}

void TranslateSdlEvents() {
  if (!SDL_WasInit(SDL_INIT_VIDEO)) return;
  SDL_PumpEvents();
  SDL_Event event;
  // Two free places: the most messages one event makes.
  while (queued <= kQueueLimit - 2 &&
         SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) {
    TranslateEvent(event);
  }
}

}  // namespace win32

BOOL WINAPI PeekMessageA(LPMSG msg, HWND window, UINT first, UINT last, UINT remove) {
  if (!msg) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  win32::ReapClosedWindows();
  win32::TranslateSdlEvents();
  for (int i = 0; i < queued; ++i) {
    if (!Matches(queue[i], window, first, last)) continue;
    *msg = queue[i];
    if (remove & PM_REMOVE) {
      RemoveAt(i);
      NoteKeyMessage(*msg);
    }
    return TRUE;
  }
  // WM_QUIT is a flag, not a queued message: it comes once nothing else is waiting.
  bool threadFilter = !window || window == reinterpret_cast<HWND>(-1);
  bool inRange = (first == 0 && last == 0) || (WM_QUIT >= first && WM_QUIT <= last);
  if (quitPosted && threadFilter && inRange) {
    *msg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(quitCode), 0, timeGetTime(), {0, 0}};
    if (remove & PM_REMOVE) quitPosted = false;
    return TRUE;
  }
  return FALSE;
}

SHORT WINAPI GetKeyState(int vk) {
  if (vk <= 0 || vk >= 256) return 0;
  return static_cast<SHORT>(readKeyDown[vk] ? 0x8000u : 0u);
}

BOOL WINAPI TranslateMessage(const MSG* msg) {
  if (!msg) return FALSE;
  bool down = msg->message == WM_KEYDOWN || msg->message == WM_SYSKEYDOWN;
  bool up = msg->message == WM_KEYUP || msg->message == WM_SYSKEYUP;
  if (!down && !up) return FALSE;
  if (down) {
    int c = CharOfKey(static_cast<int>(msg->wParam), SDL_GetModState());
    // The character is the next message the thread reads, as on Windows.
    UINT message = msg->message == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR;
    if (c) Post(msg->hwnd, message, static_cast<WPARAM>(c), msg->lParam, true);
  }
  return TRUE;
}

LRESULT WINAPI DispatchMessageA(const MSG* msg) {
  if (!msg || !msg->hwnd) return 0;
  HWND__* window = win32::LiveWindow(msg->hwnd);
  if (!window) return 0;
  return window->proc(window, msg->message, msg->wParam, msg->lParam);
}

BOOL WINAPI PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (window && !win32::LiveWindow(window)) return FALSE;
  if (!Post(window, message, wParam, lParam, false)) {
    SetLastError(ERROR_NOT_ENOUGH_QUOTA);
    return FALSE;
  }
  return TRUE;
}

LRESULT WINAPI SendMessageA(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  HWND__* window = win32::LiveWindow(handle);
  return window ? window->proc(window, message, wParam, lParam) : 0;
}

VOID WINAPI PostQuitMessage(int exitCode) {
  quitPosted = true;
  quitCode = exitCode;
}

LRESULT WINAPI DefWindowProcA(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  HWND__* window = win32::LiveWindow(handle);
  if (!window) return 0;
  switch (message) {
    case WM_NCCREATE: return TRUE;
    case WM_CLOSE: DestroyWindow(window); return 0;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_CLOSE) SendMessageA(window, WM_CLOSE, 0, 0);
      return 0;
    case WM_SYSKEYDOWN:
      if (wParam == VK_F4) SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
      return 0;
    case WM_PAINT: window->needsPaint = false; return 0;
    case WM_ERASEBKGND: return 1;
    case WM_SETTEXT: return SetWindowTextA(window, reinterpret_cast<LPCSTR>(lParam));
    default: return 0;
  }
}
