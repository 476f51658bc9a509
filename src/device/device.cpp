// device.cpp -- Device: window, Direct3D object and device, message pump, shutdown
#include "src/device/device.h"

#include <cstring>
#include <new>

const char kDeviceWindowClass[] = "DeviceMainWindow";
const char kEekCaption[] = "Eek!";

namespace {

constexpr UINT kWindowClassStyle = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;  // 0x000B
constexpr DWORD kWindowedStyle = WS_VISIBLE | WS_CAPTION;                 // 0x10C00000
constexpr DWORD kFullScreenStyle = WS_POPUP | WS_VISIBLE;                 // 0x90000000

// The message structure of the pump: one for the process, so pumping allocates nothing.
MSG pumpedMessage;

void Eek(const char* text) { MessageBoxA(nullptr, text, kEekCaption, MB_OK); }

}  // namespace

Device* Device::instance = nullptr;

Device* Device::Instance() {
  if (!instance) instance = new (std::nothrow) Device();
  return instance;
}

void Device::DeleteInstance() {
  delete instance;
  instance = nullptr;
}

Device::Device()
    : device(nullptr),
      direct3d(nullptr),
      windowProc(nullptr),
      window(nullptr),
      width(0),
      height(0),
      windowed(0) {
  std::memset(&presentParameters, 0, sizeof(presentParameters));
}

Device::~Device() { Shutdown(); }

int Device::Create(int width_, int height_, int windowed_, WNDPROC windowProc_) {
  HINSTANCE module = GetModuleHandleA(nullptr);
  windowProc = windowProc_ ? windowProc_ : DefWindowProcA;
  WNDCLASSEXA wc = {sizeof(WNDCLASSEXA), kWindowClassStyle, windowProc, 0, 0, module, nullptr,
                    nullptr, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)), nullptr,
                    kDeviceWindowClass, nullptr};
  if (!RegisterClassExA(&wc)) return 0;

  DWORD style = windowed_ ? kWindowedStyle : kFullScreenStyle;
  RECT rect = {0, 0, width_, height_};
  if (windowed_) AdjustWindowRect(&rect, style, FALSE);
  window = CreateWindowExA(0, kDeviceWindowClass, "QOLA", style, 0, 0, rect.right - rect.left,
                           rect.bottom - rect.top, nullptr, nullptr, module, nullptr);
  if (!window) return 0;

  direct3d = Direct3DCreate9(D3D_SDK_VERSION);
  if (!direct3d) {
    Eek("Direct3DCreate9 failed.");
    return 0;
  }
  D3DFORMAT format = D3DFMT_UNKNOWN;
  if (!ChooseAdapterFormat(width_, height_, windowed_, &format)) return 0;
  if (FAILED(direct3d->CheckDeviceFormat(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, format,
                                         D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, D3DFMT_D16))) {
    Eek("CheckDeviceFormat failed.");
    return 0;
  }
  FillPresentParameters(width_, height_, windowed_, format);
  if (!CreateDirect3DDevice()) return 0;

  ShowWindow(window, SW_SHOWDEFAULT);
  UpdateWindow(window);
  ShowCursor(windowed_ ? TRUE : FALSE);
  width = width_;
  height = height_;
  windowed = windowed_;
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  return 1;
}

int Device::CreateOffscreen(int width_, int height_, D3DMULTISAMPLE_TYPE samples) {
  direct3d = Direct3DCreate9(D3D_SDK_VERSION);
  if (!direct3d) {
    Eek("Direct3DCreate9 failed.");
    return 0;
  }
  FillPresentParameters(width_, height_, FALSE, D3DFMT_X8R8G8B8);
  presentParameters.MultiSampleType = samples;
  if (!CreateDirect3DDevice()) return 0;  // no window: the platform makes an offscreen device
  width = width_;
  height = height_;
  windowed = FALSE;
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  return 1;
}

// Windowed: the desktop's format. Full screen: the first X8R8G8B8 mode of exactly the size.
int Device::ChooseAdapterFormat(int width_, int height_, int windowed_, D3DFORMAT* format) {
  if (windowed_) {
    D3DDISPLAYMODE desktop;
    if (FAILED(direct3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &desktop))) {
      Eek("GetAdapterDisplayMode failed.");
      return 0;
    }
    *format = desktop.Format;
    return 1;
  }
  UINT modes = direct3d->GetAdapterModeCount(D3DADAPTER_DEFAULT, D3DFMT_X8R8G8B8);
  for (UINT i = 0; i < modes; ++i) {
    D3DDISPLAYMODE mode;
    if (FAILED(direct3d->EnumAdapterModes(D3DADAPTER_DEFAULT, D3DFMT_X8R8G8B8, i, &mode))) return 0;
    if (mode.Width == static_cast<UINT>(width_) && mode.Height == static_cast<UINT>(height_) &&
        mode.Format == D3DFMT_X8R8G8B8) {
      *format = D3DFMT_X8R8G8B8;
      return 1;
    }
  }
  Eek("Failed to find desired adapter.");
  return 0;
}

void Device::FillPresentParameters(int width_, int height_, int windowed_, D3DFORMAT format) {
  D3DPRESENT_PARAMETERS pp;
  std::memset(&pp, 0, sizeof(pp));
  pp.BackBufferWidth = windowed_ ? 0 : static_cast<UINT>(width_);
  pp.BackBufferHeight = windowed_ ? 0 : static_cast<UINT>(height_);
  pp.BackBufferFormat = windowed_ ? format : D3DFMT_X8R8G8B8;
  pp.BackBufferCount = 2;
  pp.MultiSampleType = D3DMULTISAMPLE_4_SAMPLES;
  pp.MultiSampleQuality = 0;
  pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
  pp.hDeviceWindow = nullptr;  // the focus window is used
  pp.Windowed = windowed_ ? TRUE : FALSE;
  pp.EnableAutoDepthStencil = TRUE;
  pp.AutoDepthStencilFormat = D3DFMT_D16;
  pp.Flags = 0;
  pp.FullScreen_RefreshRateInHz = 0;
  pp.PresentationInterval = D3DPRESENT_INTERVAL_ONE;
  presentParameters = pp;
}

// Hardware vertex processing first, software when that is refused. CreateDevice may write
// into the parameters it is given, so each attempt gets its own copy of presentParameters.
int Device::CreateDirect3DDevice() {
  const DWORD behaviours[] = {D3DCREATE_HARDWARE_VERTEXPROCESSING,
                              D3DCREATE_SOFTWARE_VERTEXPROCESSING};
  for (DWORD behaviour : behaviours) {
    D3DPRESENT_PARAMETERS pp = presentParameters;
    if (SUCCEEDED(direct3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window, behaviour,
                                         &pp, &device))) {
      return 1;
    }
    device = nullptr;
  }
  return 0;
}

void Device::PumpMessages() {
  while (PeekMessageA(&pumpedMessage, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&pumpedMessage);
    DispatchMessageA(&pumpedMessage);
  }
}

int Device::Register(DeviceResource* resource) { return resources.Append(resource); }

void Device::Shutdown() {
  uint32_t count = resources.count;
  for (uint32_t i = 0; i < count; ++i) {
    DeviceResource* first = resources[0];
    resources.Remove(first);
    delete first;
  }
  if (device) {
    device->Release();
    device = nullptr;
  }
  if (direct3d) {
    direct3d->Release();
    direct3d = nullptr;
  }
  if (window) {
    DestroyWindow(window);
    window = nullptr;
  }
  UnregisterClassA(kDeviceWindowClass, GetModuleHandleA(nullptr));
}
