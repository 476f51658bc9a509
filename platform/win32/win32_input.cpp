// win32_input.cpp -- GetAsyncKeyState and ShowCursor on SDL2
//
// An SDL event watch sees every key and mouse-button event as SDL queues it, before and
// independently of the message pump, so GetAsyncKeyState answers from the keys' real state:
// bit 15 while a key is down, bit 0 when it went down since the previous call for that key.
#include <SDL.h>

#include "platform/win32/win32_internal.h"
#include "platform/win32/win32_sdl.h"

namespace {

constexpr int kKeys = 256;
bool keyDown[kKeys];
bool keyPressed[kKeys];  // went down since the last GetAsyncKeyState of that key
int cursorCount = 0;     // Windows' display count: 0 with a mouse installed, shown while >= 0

// Left and right keys have a code of their own besides the shared one.
int SideKeyOfScancode(int scancode) {
  switch (scancode) {
    case SDL_SCANCODE_LSHIFT: return VK_LSHIFT;
    case SDL_SCANCODE_RSHIFT: return VK_RSHIFT;
    case SDL_SCANCODE_LCTRL: return VK_LCONTROL;
    case SDL_SCANCODE_RCTRL: return VK_RCONTROL;
    case SDL_SCANCODE_LALT: return VK_LMENU;
    case SDL_SCANCODE_RALT: return VK_RMENU;
    default: return 0;
  }
}

void SetKey(int vk, bool down) {
  if (vk <= 0 || vk >= kKeys) return;
  if (down) keyPressed[vk] = true;
  keyDown[vk] = down;
}

// The shared Shift, Ctrl and Alt codes are down while either side is.
void UpdateSharedKey(int shared, int left, int right) {
  bool down = keyDown[left] || keyDown[right];
  if (down && !keyDown[shared]) keyPressed[shared] = true;
  keyDown[shared] = down;
}

int ButtonKey(Uint8 button) {
  switch (button) {
    case SDL_BUTTON_LEFT: return VK_LBUTTON;
    case SDL_BUTTON_RIGHT: return VK_RBUTTON;
    case SDL_BUTTON_MIDDLE: return VK_MBUTTON;
    default: return 0;
  }
}

int SDLCALL WatchEvent(void*, SDL_Event* event) {
  switch (event->type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      bool down = event->type == SDL_KEYDOWN;
      int scancode = event->key.keysym.scancode;
      int side = SideKeyOfScancode(scancode);
      if (side) {
        SetKey(side, down);
        UpdateSharedKey(VK_SHIFT, VK_LSHIFT, VK_RSHIFT);
        UpdateSharedKey(VK_CONTROL, VK_LCONTROL, VK_RCONTROL);
        UpdateSharedKey(VK_MENU, VK_LMENU, VK_RMENU);
      } else {
        SetKey(win32::VirtualKeyOfScancode(scancode), down);
      }
      break;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      SetKey(ButtonKey(event->button.button), event->type == SDL_MOUSEBUTTONDOWN);
      break;
    default:
      break;
  }
  return 1;
}

}  // namespace

namespace win32 {

int VirtualKeyOfScancode(int scancode) {
  if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z) return 'A' + (scancode - SDL_SCANCODE_A);
  if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9) return '1' + (scancode - SDL_SCANCODE_1);
  if (scancode >= SDL_SCANCODE_F1 && scancode <= SDL_SCANCODE_F12) return VK_F1 + (scancode - SDL_SCANCODE_F1);
  if (scancode >= SDL_SCANCODE_F13 && scancode <= SDL_SCANCODE_F24) return VK_F1 + 12 + (scancode - SDL_SCANCODE_F13);
  if (scancode >= SDL_SCANCODE_KP_1 && scancode <= SDL_SCANCODE_KP_9) return VK_NUMPAD0 + 1 + (scancode - SDL_SCANCODE_KP_1);
  switch (scancode) {
    case SDL_SCANCODE_0: return '0';
    case SDL_SCANCODE_KP_0: return VK_NUMPAD0;
    case SDL_SCANCODE_ESCAPE: return VK_ESCAPE;
    case SDL_SCANCODE_RETURN: return VK_RETURN;
    case SDL_SCANCODE_KP_ENTER: return VK_RETURN;
    case SDL_SCANCODE_SPACE: return VK_SPACE;
    case SDL_SCANCODE_TAB: return VK_TAB;
    case SDL_SCANCODE_BACKSPACE: return VK_BACK;
    case SDL_SCANCODE_LEFT: return VK_LEFT;
    case SDL_SCANCODE_UP: return VK_UP;
    case SDL_SCANCODE_RIGHT: return VK_RIGHT;
    case SDL_SCANCODE_DOWN: return VK_DOWN;
    case SDL_SCANCODE_INSERT: return VK_INSERT;
    case SDL_SCANCODE_DELETE: return VK_DELETE;
    case SDL_SCANCODE_HOME: return VK_HOME;
    case SDL_SCANCODE_LEFTBRACKET: return VK_OEM_4;
    case SDL_SCANCODE_RIGHTBRACKET: return VK_OEM_6;
    case SDL_SCANCODE_END: return VK_END;
    case SDL_SCANCODE_PAGEUP: return VK_PRIOR;
    case SDL_SCANCODE_PAGEDOWN: return VK_NEXT;
    case SDL_SCANCODE_PAUSE: return VK_PAUSE;
    case SDL_SCANCODE_CAPSLOCK: return VK_CAPITAL;
    case SDL_SCANCODE_KP_MULTIPLY: return VK_MULTIPLY;
    case SDL_SCANCODE_KP_PLUS: return VK_ADD;
    case SDL_SCANCODE_KP_MINUS: return VK_SUBTRACT;
    case SDL_SCANCODE_KP_PERIOD: return VK_DECIMAL;
    case SDL_SCANCODE_KP_DIVIDE: return VK_DIVIDE;
    case SDL_SCANCODE_LSHIFT:
    case SDL_SCANCODE_RSHIFT: return VK_SHIFT;
    case SDL_SCANCODE_LCTRL:
    case SDL_SCANCODE_RCTRL: return VK_CONTROL;
    case SDL_SCANCODE_LALT:
    case SDL_SCANCODE_RALT: return VK_MENU;
    default: return 0;
  }
}

void WatchKeys() {
  static bool watching = false;
  if (watching || !SDL_WasInit(SDL_INIT_VIDEO)) return;
  SDL_AddEventWatch(WatchEvent, nullptr);
  watching = true;
}

void ApplyCursor() {
  if (SDL_WasInit(SDL_INIT_VIDEO)) SDL_ShowCursor(cursorCount >= 0 ? SDL_ENABLE : SDL_DISABLE);
}

}  // namespace win32

SHORT WINAPI GetAsyncKeyState(int vk) {
  if (vk <= 0 || vk >= kKeys) return 0;
  if (SDL_WasInit(SDL_INIT_VIDEO)) {
    win32::WatchKeys();
    SDL_PumpEvents();  // lets the watch see what arrived since the last pump
  }
  unsigned state = (keyDown[vk] ? 0x8000u : 0u) | (keyPressed[vk] ? 1u : 0u);
  keyPressed[vk] = false;
  return static_cast<SHORT>(state);
}

int WINAPI ShowCursor(BOOL show) {
  cursorCount += show ? 1 : -1;
  win32::ApplyCursor();
  return cursorCount;
}
