// player_window.h -- the Device in the viewer's window or at the display's own mode
//
// The demo still draws its 1024 x 768 back buffer; here the window it is shown in differs from
// the demo's own full-screen one: a resizable window (--window) or a borderless window covering
// the display at its current mode (--fit). The platform's Present scales the back buffer into
// either with its aspect kept. Closing such a window ends the show, as Escape does.
#pragma once

#include <windows.h>

#include <d3d9.h>

#include "src/program/player_options.h"

class Device;

// Creates the Device's window, Direct3D object and device for kWindow or kFit with a back
// buffer of width x height, on the player's window procedure. 1 on success, 0 on failure (a
// message captioned "Eek!" where the demo's own creation shows one); what was made stays for
// Device::Shutdown. A tool that shows the demo in a window of its own (the preview) gives its
// window procedure, which must end with PlayerWindowProc, and the back buffer's samples.
int CreatePlayerDevice(Device* device, PlayerOptions::Display display, int width, int height,
                       WNDPROC windowProc = nullptr, D3DMULTISAMPLE_TYPE samples = D3DMULTISAMPLE_4_SAMPLES);

// The player's window procedure: a close request is noted (PlayerWindowClosed), the rest goes
// to DefWindowProcA.
LRESULT CALLBACK PlayerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Whether the player's window was asked to close (its close button, Alt+F4).
bool PlayerWindowClosed();

// Whether the default display lists an X8R8G8B8 mode of exactly width x height: without one the
// demo's own full-screen device cannot be made, but --fit and --window still play.
bool DisplayListsMode(int width, int height);
