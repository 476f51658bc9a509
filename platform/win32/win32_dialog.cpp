// win32_dialog.cpp -- MessageBoxA and MessageBeep
//
// Every message box is also one line "caption: text" on standard error, so a failure is never
// lost when nobody watches the screen. Unattended runs (platform/services/unattended.h, or
// QOLA_NO_MESSAGE_BOX=1) skip the dialog, which would otherwise wait for a click; a test harness
// takes boxes and beeps through the platform's hooks.
#include <SDL.h>

#include <cstdio>

#include "platform/services/hooks.h"
#include "platform/services/unattended.h"
#include "platform/win32/win32_internal.h"
#include "platform/win32/win32_sdl.h"

namespace {

struct Buttons {
  int count;
  int ids[3];
  const char* texts[3];
};

// The buttons of each MB_ type, left to right as Windows shows them.
Buttons ButtonsOf(UINT type) {
  switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL: return {2, {IDOK, IDCANCEL}, {"OK", "Cancel"}};
    case MB_ABORTRETRYIGNORE: return {3, {IDABORT, IDRETRY, IDIGNORE}, {"Abort", "Retry", "Ignore"}};
    case MB_YESNOCANCEL: return {3, {IDYES, IDNO, IDCANCEL}, {"Yes", "No", "Cancel"}};
    case MB_YESNO: return {2, {IDYES, IDNO}, {"Yes", "No"}};
    case MB_RETRYCANCEL: return {2, {IDRETRY, IDCANCEL}, {"Retry", "Cancel"}};
    default: return {1, {IDOK}, {"OK"}};
  }
}

Uint32 IconFlags(UINT type) {
  switch (type & MB_ICONMASK) {
    case MB_ICONERROR: return SDL_MESSAGEBOX_ERROR;
    case MB_ICONWARNING: return SDL_MESSAGEBOX_WARNING;
    default: return SDL_MESSAGEBOX_INFORMATION;
  }
}

int ShowDialog(HWND owner, const char* text, const char* caption, UINT type) {
  Buttons buttons = ButtonsOf(type);
  SDL_MessageBoxButtonData data[3];
  for (int i = 0; i < buttons.count; ++i) {
    data[i].flags = 0;
    data[i].buttonid = buttons.ids[i];
    data[i].text = buttons.texts[i];
  }
  data[0].flags |= SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
  data[buttons.count - 1].flags |= SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
  SDL_MessageBoxData box = {};
  box.flags = IconFlags(type) | SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT;
  box.window = win32::SdlWindow(owner);
  box.title = caption;
  box.message = text;
  box.numbuttons = buttons.count;
  box.buttons = data;
  int pressed = 0;
  if (SDL_ShowMessageBox(&box, &pressed) != 0) {
    std::fprintf(stderr, "MessageBoxA: no dialog could be shown: %s\n", SDL_GetError());
    return 0;
  }
  // Closing the dialog without a button counts as its Escape button, as on Windows.
  return pressed >= 0 ? pressed : buttons.ids[buttons.count - 1];
}

}  // namespace

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  const char* shownCaption = caption ? caption : "Error";  // Windows' caption for null
  const char* shownText = text ? text : "";
  std::fprintf(stderr, "%s: %s\n", shownCaption, shownText);
  std::fflush(stderr);
  if (platform_hooks::TakeMessageBox(text, caption, type)) return ButtonsOf(type).ids[0];
  if (platform_unattended::On()) return ButtonsOf(type).ids[0];
  return ShowDialog(owner, shownText, shownCaption, type);
}

BOOL WINAPI MessageBeep(UINT type) {
  if (!platform_hooks::TakeMessageBeep(type)) {
    std::fputc('\a', stderr);  // the terminal's bell
    std::fflush(stderr);
  }
  return TRUE;
}
