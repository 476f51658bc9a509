// player_window.cpp -- the player's window, its Direct3D device and its window procedure
#include "src/program/player_window.h"

#include "src/device/device.h"

namespace {

bool closeAsked = false;

void Eek(const char* text) { MessageBoxA(nullptr, text, kEekCaption, MB_OK); }

// The window: resizable with a caption, its client area width x height; or a borderless pop-up
// of the display's size, which the platform shows full screen at the display's own mode.
HWND CreatePlayerWindow(PlayerOptions::Display display, int width, int height, const D3DDISPLAYMODE& desktop) {
  HINSTANCE module = GetModuleHandleA(nullptr);
  DWORD style = WS_POPUP | WS_VISIBLE;
  RECT rect = {0, 0, static_cast<LONG>(desktop.Width), static_cast<LONG>(desktop.Height)};
  if (display == PlayerOptions::Display::kWindow) {
    style = WS_OVERLAPPEDWINDOW | WS_VISIBLE;
    rect = RECT{0, 0, width, height};
    AdjustWindowRect(&rect, style, FALSE);
  }
  return CreateWindowExA(0, kDeviceWindowClass, "QOLA", style, 0, 0, rect.right - rect.left,
                         rect.bottom - rect.top, nullptr, nullptr, module, nullptr);
}

// A windowed Direct3D device with a back buffer of its own size, so the picture the demo draws
// is the same whatever the window's size; hardware vertex processing first, then software.
int CreateWindowedDevice(Device* device, int width, int height, D3DFORMAT format, D3DMULTISAMPLE_TYPE samples) {
  // The demo's own windowed parameters, with a back buffer of the given size where a plain
  // windowed device would take the window's.
  device->FillPresentParameters(width, height, TRUE, format);
  device->presentParameters.BackBufferWidth = static_cast<UINT>(width);
  device->presentParameters.BackBufferHeight = static_cast<UINT>(height);
  device->presentParameters.MultiSampleType = samples;
  return device->CreateDirect3DDevice();
}

}  // namespace

// Closing the window ends the show: the request is noted and the window stays until the
// Device's shutdown destroys it, so the device never presents to a window that is gone.
LRESULT CALLBACK PlayerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) {
    closeAsked = true;
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

int CreatePlayerDevice(Device* device, PlayerOptions::Display display, int width, int height, WNDPROC windowProc,
                       D3DMULTISAMPLE_TYPE samples) {
  closeAsked = false;
  if (!windowProc) windowProc = PlayerWindowProc;
  device->windowProc = windowProc;
  WNDCLASSEXA wc = {sizeof(WNDCLASSEXA), CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS, windowProc, 0, 0,
                    GetModuleHandleA(nullptr), nullptr, nullptr, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)),
                    nullptr, kDeviceWindowClass, nullptr};
  if (!RegisterClassExA(&wc)) return 0;
  // The display's mode first: --fit covers it, and the back buffer takes the desktop's format.
  device->direct3d = Direct3DCreate9(D3D_SDK_VERSION);
  if (!device->direct3d) {
    Eek("Direct3DCreate9 failed.");
    return 0;
  }
  D3DDISPLAYMODE desktop;
  if (FAILED(device->direct3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &desktop))) {
    Eek("GetAdapterDisplayMode failed.");
    return 0;
  }
  device->window = CreatePlayerWindow(display, width, height, desktop);
  if (!device->window) return 0;
  if (FAILED(device->direct3d->CheckDeviceFormat(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, desktop.Format,
                                                 D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, D3DFMT_D16))) {
    Eek("CheckDeviceFormat failed.");
    return 0;
  }
  if (!CreateWindowedDevice(device, width, height, desktop.Format, samples)) return 0;
  ShowWindow(device->window, SW_SHOWDEFAULT);
  UpdateWindow(device->window);
  ShowCursor(display == PlayerOptions::Display::kWindow ? TRUE : FALSE);
  device->width = width;
  device->height = height;
  device->windowed = TRUE;
  device->device->SetRenderState(D3DRS_LIGHTING, FALSE);
  return 1;
}

bool PlayerWindowClosed() { return closeAsked; }

bool DisplayListsMode(int width, int height) {
  IDirect3D9* direct3d = Direct3DCreate9(D3D_SDK_VERSION);
  if (!direct3d) return false;
  bool found = false;
  UINT modes = direct3d->GetAdapterModeCount(D3DADAPTER_DEFAULT, D3DFMT_X8R8G8B8);
  for (UINT i = 0; i < modes && !found; ++i) {
    D3DDISPLAYMODE mode;
    if (FAILED(direct3d->EnumAdapterModes(D3DADAPTER_DEFAULT, D3DFMT_X8R8G8B8, i, &mode))) break;
    found = mode.Width == static_cast<UINT>(width) && mode.Height == static_cast<UINT>(height);
  }
  direct3d->Release();
  return found;
}
