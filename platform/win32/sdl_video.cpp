// sdl_video.cpp -- starts SDL's video subsystem once for the whole platform layer
#include <SDL.h>

#include <cstdio>

#include "platform/win32/win32_internal.h"
#include "platform/win32/win32_sdl.h"

namespace win32 {
namespace {
int state = 0;  // 0 not tried, 1 running, -1 failed
}  // namespace

bool EnsureVideo() {
  if (state == 0) {
    // Ctrl+C in a terminal must still end the demo: SDL would otherwise turn it into a quit
    // event that the demo's message loop (like its Windows original) never looks at.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) {
      state = 1;
    } else {
      std::fprintf(stderr, "SDL video could not start: %s\n", SDL_GetError());
      state = -1;
    }
  }
  return state == 1;
}

void CloseWaitingWindows() {
  if (state == 1) ReapClosedWindows();
}

}  // namespace win32
