// win32_sdl.h -- what the rest of the platform layer may ask of the SDL side of win32
//
// Only platform/ includes this. A window made by CreateWindowExA is an SDL window created with
// SDL_WINDOW_OPENGL (and full screen for WS_POPUP), so that the Direct3D device can make its
// OpenGL context on it.
#pragma once

struct SDL_Window;
struct HWND__;  // windows.h: typedef struct HWND__* HWND;

namespace win32 {

// Starts SDL's video subsystem once per process (SDL's signal handlers off, so Ctrl+C still
// ends the program). False, with SDL's reason on standard error, when no display is reachable.
bool EnsureVideo();

// Closes the SDL windows whose closing waited for an OpenGL context to let go of them; the
// process entry calls it after WinMain returns. SDL itself stays up until the process ends:
// quitting it would unload the GL driver before the leak checker can name its allocations.
void CloseWaitingWindows();

// The SDL window behind a live window handle, or null.
SDL_Window* SdlWindow(HWND__* window);

}  // namespace win32
