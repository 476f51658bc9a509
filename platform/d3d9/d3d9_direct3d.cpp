// d3d9_direct3d.cpp -- Direct3DCreate9 and the Direct3D object: adapter modes, format checks, CreateDevice
//
// Testing failure names: "Direct3DCreate9", "IDirect3D9::GetAdapterDisplayMode",
// "IDirect3D9::EnumAdapterModes", "IDirect3D9::CheckDeviceFormat",
// "IDirect3D9::CreateDevice" (every creation), "IDirect3D9::CreateDevice:hardware" (hardware
// vertex processing refused), "IDirect3D9::CreateDevice:multisample" (multisampled back
// buffers refused).
#include <SDL.h>

#include <cstdio>

#include "platform/d3d9/d3d9_device.h"
#include "platform/services/hooks.h"
#include "platform/win32/win32_sdl.h"

using platform_hooks::ShouldFail;

namespace d3d9impl {

namespace {

// Makes a throw-away context to learn what the GL driver offers. False when no GL 3.3 core
// context with clip control can be made, in which case there is no Direct3D either.
bool ProbeGl(GlLimits* limits) {
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  SDL_Window* window = SDL_CreateWindow("", 0, 0, 16, 16, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  if (!window) {
    std::fprintf(stderr, "Direct3DCreate9: no OpenGL window: %s\n", SDL_GetError());
    return false;
  }
  SDL_GLContext previous = SDL_GL_GetCurrentContext();
  SDL_Window* previousWindow = SDL_GL_GetCurrentWindow();
  SDL_GLContext context = SDL_GL_CreateContext(window);
  bool ok = false;
  if (!context) {
    std::fprintf(stderr, "Direct3DCreate9: no OpenGL 3.3 core context: %s\n", SDL_GetError());
  } else {
    ok = epoxy_gl_version() >= 45 || epoxy_has_gl_extension("GL_ARB_clip_control");
    if (!ok) std::fprintf(stderr, "Direct3DCreate9: the OpenGL driver has no clip control\n");
    glGetIntegerv(GL_MAX_SAMPLES, &limits->maxSamples);
    if (epoxy_has_gl_extension("GL_EXT_texture_filter_anisotropic")) {
      glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &limits->anisotropy);
    }
    SDL_GL_DeleteContext(context);
  }
  SDL_DestroyWindow(window);
  if (previous) SDL_GL_MakeCurrent(previousWindow, previous);
  return ok;
}

// The display's modes, largest first as SDL lists them. SDL lists a size and rate once per pixel
// format; every mode here is X8R8G8B8, so a size and rate listed before is skipped.
bool SameMode(const SDL_DisplayMode& a, const SDL_DisplayMode& b) {
  return a.w == b.w && a.h == b.h && a.refresh_rate == b.refresh_rate;
}

// Mode `index` of the list without repeats; with index -1 (or past the end), counts them.
int DistinctModes(int index, SDL_DisplayMode* out) {
  int n = SDL_GetNumDisplayModes(0);
  int distinct = 0;
  for (int i = 0; i < n; ++i) {
    SDL_DisplayMode m;
    if (SDL_GetDisplayMode(0, i, &m) != 0) continue;
    bool repeat = false;
    for (int j = 0; j < i && !repeat; ++j) {
      SDL_DisplayMode earlier;
      repeat = SDL_GetDisplayMode(0, j, &earlier) == 0 && SameMode(earlier, m);
    }
    if (repeat) continue;
    if (distinct == index) {
      *out = m;
      return distinct;
    }
    ++distinct;
  }
  return distinct;
}

int ModeCount() { return DistinctModes(-1, nullptr); }

bool IsTextureFormat(D3DFORMAT f) {
  return f == D3DFMT_A8R8G8B8 || f == D3DFMT_X8R8G8B8 || f == D3DFMT_R32F;
}

}  // namespace

HRESULT Direct3D::QueryInterface(REFIID, void** ppvObj) {
  if (ppvObj) *ppvObj = nullptr;
  return E_NOINTERFACE;
}

ULONG Direct3D::Release() {
  ULONG left = --refs_;
  if (left == 0) delete this;
  return left;
}

UINT Direct3D::GetAdapterModeCount(UINT adapter, D3DFORMAT format) {
  if (adapter != D3DADAPTER_DEFAULT || format != D3DFMT_X8R8G8B8) return 0;
  return static_cast<UINT>(ModeCount());
}

HRESULT Direct3D::EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT mode, D3DDISPLAYMODE* out) {
  if (ShouldFail("IDirect3D9::EnumAdapterModes")) return D3DERR_INVALIDCALL;
  if (!out || adapter != D3DADAPTER_DEFAULT) return D3DERR_INVALIDCALL;
  if (format != D3DFMT_X8R8G8B8) return D3DERR_NOTAVAILABLE;
  if (mode >= static_cast<UINT>(ModeCount())) return D3DERR_INVALIDCALL;
  SDL_DisplayMode m;
  DistinctModes(static_cast<int>(mode), &m);
  out->Width = static_cast<UINT>(m.w);
  out->Height = static_cast<UINT>(m.h);
  out->RefreshRate = static_cast<UINT>(m.refresh_rate);
  out->Format = D3DFMT_X8R8G8B8;
  return D3D_OK;
}

HRESULT Direct3D::GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* out) {
  if (ShouldFail("IDirect3D9::GetAdapterDisplayMode")) return D3DERR_INVALIDCALL;
  if (!out || adapter != D3DADAPTER_DEFAULT) return D3DERR_INVALIDCALL;
  SDL_DisplayMode m;
  if (SDL_GetDesktopDisplayMode(0, &m) != 0) return D3DERR_NOTAVAILABLE;
  out->Width = static_cast<UINT>(m.w);
  out->Height = static_cast<UINT>(m.h);
  out->RefreshRate = static_cast<UINT>(m.refresh_rate);
  out->Format = D3DFMT_X8R8G8B8;
  return D3D_OK;
}

HRESULT Direct3D::CheckDeviceType(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                  D3DFORMAT backBufferFormat, BOOL) {
  if (adapter != D3DADAPTER_DEFAULT) return D3DERR_INVALIDCALL;
  if (type != D3DDEVTYPE_HAL || adapterFormat != D3DFMT_X8R8G8B8) return D3DERR_NOTAVAILABLE;
  if (backBufferFormat != D3DFMT_X8R8G8B8 && backBufferFormat != D3DFMT_A8R8G8B8) return D3DERR_NOTAVAILABLE;
  return D3D_OK;
}

HRESULT Direct3D::CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat, DWORD usage,
                                    D3DRESOURCETYPE rtype, D3DFORMAT format) {
  if (ShouldFail("IDirect3D9::CheckDeviceFormat")) return D3DERR_NOTAVAILABLE;
  if (adapter != D3DADAPTER_DEFAULT) return D3DERR_INVALIDCALL;
  if (type != D3DDEVTYPE_HAL || adapterFormat != D3DFMT_X8R8G8B8) return D3DERR_NOTAVAILABLE;
  if (rtype != D3DRTYPE_SURFACE && rtype != D3DRTYPE_TEXTURE) return D3DERR_NOTAVAILABLE;
  if (usage & D3DUSAGE_DEPTHSTENCIL) return IsDepthFormat(format) ? D3D_OK : D3DERR_NOTAVAILABLE;
  return IsTextureFormat(format) ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT Direct3D::CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE type, D3DFORMAT format, BOOL,
                                             D3DMULTISAMPLE_TYPE samples, DWORD* qualityLevels) {
  if (qualityLevels) *qualityLevels = 0;
  if (adapter != D3DADAPTER_DEFAULT) return D3DERR_INVALIDCALL;
  if (type != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;
  if (!IsTextureFormat(format) && !IsDepthFormat(format)) return D3DERR_NOTAVAILABLE;
  if (samples == D3DMULTISAMPLE_NONMASKABLE || static_cast<int>(samples) > limits_.maxSamples ||
      (samples != D3DMULTISAMPLE_NONE && ShouldFail("IDirect3D9::CreateDevice:multisample"))) {
    return D3DERR_NOTAVAILABLE;
  }
  if (qualityLevels) *qualityLevels = 1;
  return D3D_OK;
}

HRESULT Direct3D::CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE type, D3DFORMAT, D3DFORMAT renderTarget,
                                         D3DFORMAT depth) {
  if (adapter != D3DADAPTER_DEFAULT) return D3DERR_INVALIDCALL;
  if (type != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;
  return IsTextureFormat(renderTarget) && IsDepthFormat(depth) ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT Direct3D::CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focus, DWORD behavior,
                               D3DPRESENT_PARAMETERS* params, IDirect3DDevice9** out) {
  if (!out || !params) return D3DERR_INVALIDCALL;
  *out = nullptr;
  if (adapter != D3DADAPTER_DEFAULT) return D3DERR_INVALIDCALL;
  if (type != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;
  DWORD vp = behavior & (D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_SOFTWARE_VERTEXPROCESSING |
                         D3DCREATE_MIXED_VERTEXPROCESSING);
  if (vp != D3DCREATE_HARDWARE_VERTEXPROCESSING && vp != D3DCREATE_SOFTWARE_VERTEXPROCESSING &&
      vp != D3DCREATE_MIXED_VERTEXPROCESSING) {
    return D3DERR_INVALIDCALL;  // exactly one kind of vertex processing
  }
  if (ShouldFail("IDirect3D9::CreateDevice")) return D3DERR_NOTAVAILABLE;
  if (vp != D3DCREATE_SOFTWARE_VERTEXPROCESSING && ShouldFail("IDirect3D9::CreateDevice:hardware")) {
    return D3DERR_NOTAVAILABLE;
  }
  // The multisample type is honoured or refused, never lowered.
  D3DMULTISAMPLE_TYPE samples = params->MultiSampleType;
  if (samples == D3DMULTISAMPLE_NONMASKABLE || static_cast<int>(samples) > 16) return D3DERR_INVALIDCALL;
  if (samples != D3DMULTISAMPLE_NONE &&
      (static_cast<int>(samples) > limits_.maxSamples || ShouldFail("IDirect3D9::CreateDevice:multisample"))) {
    return D3DERR_NOTAVAILABLE;
  }
  Device* device = new Device(this, focus, behavior, *params);
  const char* reason = "";
  HRESULT hr = device->initialize(&reason);
  if (FAILED(hr)) {
    std::fprintf(stderr, "IDirect3D9::CreateDevice: %s\n", reason);
    device->Release();
    return hr;
  }
  *out = device;
  return D3D_OK;
}

bool IsColorFormat(D3DFORMAT f) { return IsTextureFormat(f); }

bool IsDepthFormat(D3DFORMAT f) {
  return f == D3DFMT_D16 || f == D3DFMT_D24S8 || f == D3DFMT_D24X8;
}

}  // namespace d3d9impl

IDirect3D9* WINAPI Direct3DCreate9(UINT sdkVersion) {
  if (sdkVersion != D3D_SDK_VERSION || ShouldFail("Direct3DCreate9")) return nullptr;
  if (!win32::EnsureVideo()) return nullptr;
  d3d9impl::GlLimits limits;
  if (!d3d9impl::ProbeGl(&limits)) return nullptr;
  return new d3d9impl::Direct3D(limits);
}
