// d3d9_device.cpp -- device creation and teardown, Present, scenes, resource creation, the d3d9gl bridge
//
// Testing failure names: "IDirect3DDevice9::Present", "IDirect3DDevice9::CreateTexture",
// "IDirect3DDevice9::CreateVertexBuffer", "IDirect3DDevice9::CreateIndexBuffer",
// "IDirect3DDevice9::CreateDepthStencilSurface".
#include "platform/d3d9/d3d9_device.h"

#include <cstdio>

#include "platform/d3d9/d3d9_gl.h"
#include "platform/d3d9/d3d9_letterbox.h"
#include "platform/services/hooks.h"
#include "platform/win32/win32_sdl.h"

using platform_hooks::ShouldFail;

namespace d3d9impl {

namespace {

Device* g_current = nullptr;  // the device whose context is current on this thread

UINT FullChainLength(UINT width, UINT height) {
  UINT levels = 1;
  while ((width >> levels) > 0 || (height >> levels) > 0) ++levels;
  return levels;
}

}  // namespace

Device* FromInterface(IDirect3DDevice9* device) { return static_cast<Device*>(device); }

void Vec4Uniform::set(float x, float y, float z, float w) {
  if (location < 0 || (value[0] == x && value[1] == y && value[2] == z && value[3] == w)) return;
  glUniform4f(location, x, y, z, w);
  value[0] = x;
  value[1] = y;
  value[2] = z;
  value[3] = w;
}

Device::Device(Direct3D* d3d, HWND focus, DWORD behavior, const D3DPRESENT_PARAMETERS& params)
    : d3d_(d3d), limits_(d3d->limits()), focus_(focus), behavior_(behavior), params_(params) {
  d3d_->AddRef();
}

HRESULT Device::initialize(const char** reason) {
  SDL_Window* focusWindow = params_.hDeviceWindow ? win32::SdlWindow(params_.hDeviceWindow)
                                                  : win32::SdlWindow(focus_);
  if (focusWindow && (SDL_GetWindowFlags(focusWindow) & SDL_WINDOW_OPENGL)) {
    window_ = focusWindow;
    if (params_.BackBufferWidth == 0 || params_.BackBufferHeight == 0) {
      int w = 0, h = 0;
      SDL_GetWindowSize(window_, &w, &h);
      if (params_.BackBufferWidth == 0) params_.BackBufferWidth = static_cast<UINT>(w);
      if (params_.BackBufferHeight == 0) params_.BackBufferHeight = static_cast<UINT>(h);
    }
  } else {
    // No window of ours to show in: an offscreen device for tools and tests.
    if (params_.BackBufferWidth == 0 || params_.BackBufferHeight == 0) {
      *reason = "an offscreen device needs a back-buffer width and height";
      return D3DERR_INVALIDCALL;
    }
    window_ = SDL_CreateWindow("", 0, 0, static_cast<int>(params_.BackBufferWidth),
                               static_cast<int>(params_.BackBufferHeight), SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    ownsWindow_ = true;
    if (!window_) {
      *reason = "no hidden window for an offscreen device";
      return D3DERR_NOTAVAILABLE;
    }
  }
  if (params_.BackBufferFormat == D3DFMT_UNKNOWN) params_.BackBufferFormat = D3DFMT_X8R8G8B8;
  if (params_.BackBufferFormat != D3DFMT_X8R8G8B8 && params_.BackBufferFormat != D3DFMT_A8R8G8B8) {
    *reason = "the back-buffer format is not X8R8G8B8 or A8R8G8B8";
    return D3DERR_NOTAVAILABLE;
  }
  if (params_.EnableAutoDepthStencil && !IsDepthFormat(params_.AutoDepthStencilFormat)) {
    *reason = "the automatic depth format is not D16, D24X8 or D24S8";
    return D3DERR_NOTAVAILABLE;
  }
  if (params_.BackBufferCount == 0) params_.BackBufferCount = 1;
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  context_ = SDL_GL_CreateContext(window_);
  if (!context_) {
    *reason = "no OpenGL 3.3 core context";
    return D3DERR_NOTAVAILABLE;
  }
  g_current = nullptr;
  makeCurrent();
  int interval = params_.PresentationInterval == static_cast<UINT>(D3DPRESENT_INTERVAL_IMMEDIATE) || ownsWindow_ ? 0 : 1;
  SDL_GL_SetSwapInterval(interval);
  glClipControl(GL_UPPER_LEFT, GL_ZERO_TO_ONE);
  glFrontFace(GL_CW);  // Direct3D's front faces are clockwise on the screen
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  HRESULT hr = createBackBuffer(reason);
  if (FAILED(hr)) return hr;
  if (!compileFixedPrograms(reason)) return D3DERR_NOTAVAILABLE;
  createSamplers();
  // Stages use units 0..7; creation and uploads bind their textures on the unit after them.
  glActiveTexture(GL_TEXTURE0 + kSamplerCount);
  glGenVertexArrays(1, &vao_);
  glBindVertexArray(vao_);  // the only vertex array: bound for the device's whole life
  setDefaultState();
  return D3D_OK;
}

HRESULT Device::createBackBuffer(const char** reason) {
  D3DSURFACE_DESC d = {};
  d.Format = params_.BackBufferFormat;
  d.Type = D3DRTYPE_SURFACE;
  d.Usage = D3DUSAGE_RENDERTARGET;
  d.Pool = D3DPOOL_DEFAULT;
  d.MultiSampleType = params_.MultiSampleType;
  d.Width = params_.BackBufferWidth;
  d.Height = params_.BackBufferHeight;
  backBuffer_ = new Surface(this, Surface::Kind::kImplicit, d);
  if (!backBuffer_->createStorage()) {
    *reason = "the back buffer could not be made";
    return D3DERR_OUTOFVIDEOMEMORY;
  }
  if (params_.EnableAutoDepthStencil) {
    d.Format = params_.AutoDepthStencilFormat;
    d.Usage = D3DUSAGE_DEPTHSTENCIL;
    autoDepth_ = new Surface(this, Surface::Kind::kImplicit, d);
    if (!autoDepth_->createStorage()) {
      *reason = "the depth buffer could not be made";
      return D3DERR_OUTOFVIDEOMEMORY;
    }
  }
  glGenFramebuffers(1, &presentReadFbo_);
  glBindFramebuffer(GL_FRAMEBUFFER, presentReadFbo_);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, backBuffer_->renderbuffer());
  if (params_.MultiSampleType != D3DMULTISAMPLE_NONE) {
    resolveTarget(&backResolve_, d.Width, d.Height, GL_RGBA8);
  }
  glGenFramebuffers(1, &blitReadFbo_);
  glGenFramebuffers(1, &blitDrawFbo_);
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  boundFbo_ = 0;
  if (glGetError() != GL_NO_ERROR) {
    *reason = "the back buffer's framebuffers could not be made";
    return D3DERR_OUTOFVIDEOMEMORY;
  }
  return D3D_OK;
}

void Device::createSamplers() {
  glGenSamplers(kSamplerCount, samplers_);
  for (int i = 0; i < kSamplerCount; ++i) glBindSampler(static_cast<GLuint>(i), samplers_[i]);
}

void Device::forgetGlTexture(GLuint texture) {
  for (GLuint& bound : boundTextures_) {
    if (bound == texture) bound = 0;  // GL unbinds a deleted texture; its name may come back
  }
}

void Device::forgetGlBuffer(GLuint buffer) {
  if (boundIndexBuffer_ == buffer) boundIndexBuffer_ = 0;
}

void Device::makeCurrent() {
  if (g_current == this || !context_) return;
  SDL_GL_MakeCurrent(window_, context_);
  g_current = this;
}

Device::~Device() { teardown(); }

// Drops every binding (children the program has already released go with them), then the
// device's own GL objects, context and window.
void Device::teardown() {
  if (tornDown_) return;
  tornDown_ = true;
  if (context_) {
    makeCurrent();
    for (Texture*& t : state_.textures) {
      if (t) t->unbind();
      t = nullptr;
    }
    if (state_.stream0.buffer) state_.stream0.buffer->unbind();
    state_.stream0.buffer = nullptr;
    if (state_.indices) state_.indices->unbind();
    state_.indices = nullptr;
    if (state_.renderTarget) state_.renderTarget->unbindForDevice();
    state_.renderTarget = nullptr;
    if (state_.depthStencil) state_.depthStencil->unbindForDevice();
    state_.depthStencil = nullptr;
  }
  delete backBuffer_;
  delete autoDepth_;
  backBuffer_ = autoDepth_ = nullptr;
  if (context_) {
    for (FramebufferEntry& e : framebuffers_) {
      if (e.fbo) glDeleteFramebuffers(1, &e.fbo);
      e = FramebufferEntry();
    }
    if (presentReadFbo_) glDeleteFramebuffers(1, &presentReadFbo_);
    for (ResolveTarget* t : {&backResolve_, &otherResolve_}) {
      if (t->fbo) glDeleteFramebuffers(1, &t->fbo);
      if (t->renderbuffer) glDeleteRenderbuffers(1, &t->renderbuffer);
    }
    if (blitReadFbo_) glDeleteFramebuffers(1, &blitReadFbo_);
    if (blitDrawFbo_) glDeleteFramebuffers(1, &blitDrawFbo_);
    for (FixedProgram& p : fixed_) {
      if (p.program) glDeleteProgram(p.program);
    }
    if (vao_) glDeleteVertexArrays(1, &vao_);
    glDeleteSamplers(kSamplerCount, samplers_);
    SDL_GL_MakeCurrent(window_, nullptr);
    SDL_GL_DeleteContext(context_);
    context_ = nullptr;
  }
  if (g_current == this) g_current = nullptr;
  if (ownsWindow_ && window_) SDL_DestroyWindow(window_);
  window_ = nullptr;
  d3d_->Release();
}

ULONG Device::Release() {
  if (refs_ == 0) return 0;
  ULONG left = --refs_;
  if (left == 0) delete this;
  return left;
}

HRESULT Device::QueryInterface(REFIID, void** ppvObj) {
  if (ppvObj) *ppvObj = nullptr;
  return E_NOINTERFACE;
}

HRESULT Device::GetDirect3D(IDirect3D9** out) {
  if (!out) return D3DERR_INVALIDCALL;
  d3d_->AddRef();
  *out = d3d_;
  return D3D_OK;
}

HRESULT Device::GetDisplayMode(UINT swapChain, D3DDISPLAYMODE* out) {
  if (swapChain != 0) return D3DERR_INVALIDCALL;
  return d3d_->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, out);
}

HRESULT Device::GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* out) {
  if (!out) return D3DERR_INVALIDCALL;
  out->AdapterOrdinal = D3DADAPTER_DEFAULT;
  out->DeviceType = D3DDEVTYPE_HAL;
  out->hFocusWindow = focus_;
  out->BehaviorFlags = behavior_;
  return D3D_OK;
}

HRESULT Device::Present(const RECT*, const RECT*, HWND, const struct _RGNDATA*) {
  if (ShouldFail("IDirect3DDevice9::Present")) return D3DERR_DEVICELOST;
  platform_hooks::CountPresent();
  makeCurrent();
  // capture: an offscreen device's hidden window shows nothing, and swapping it can still wait
  // for the display's retrace (Xvfb paces swaps at 60 Hz whatever the swap interval).
  if (ownsWindow_) return D3D_OK;
  GLint w = static_cast<GLint>(params_.BackBufferWidth), h = static_cast<GLint>(params_.BackBufferHeight);
  glDisable(GL_SCISSOR_TEST);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  GLuint source = presentReadFbo_;
  if (backResolve_.fbo) {
    glBindFramebuffer(GL_READ_FRAMEBUFFER, presentReadFbo_);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, backResolve_.fbo);
    glBlitFramebuffer(0, 0, w, h, 0, 0, w, h, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    source = backResolve_.fbo;
  }
  int dw = 0, dh = 0;
  SDL_GL_GetDrawableSize(window_, &dw, &dh);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, source);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
  // A window of another shape (a resized window, a display's own mode) shows the picture
  // scaled with its aspect kept, filtered, between black bars.
  PresentRect to = LetterboxRect(static_cast<int>(w), static_cast<int>(h), dw, dh);
  if (!to.covers) {
    static const GLfloat kBlack[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    glClearBufferfv(GL_COLOR, 0, kBlack);
  }
  // Row 0 of the back buffer is its top; the window's row 0 is its bottom.
  glBlitFramebuffer(0, 0, w, h, to.x, to.y + to.height, to.x + to.width, to.y, GL_COLOR_BUFFER_BIT, GL_LINEAR);
  SDL_GL_SwapWindow(window_);
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  boundFbo_ = 0;
  markDirty(kDirtyFramebuffer | kDirtyScissor | kDirtyColorMask);
  return D3D_OK;
}

HRESULT Device::GetBackBuffer(UINT swapChain, UINT index, D3DBACKBUFFER_TYPE, IDirect3DSurface9** out) {
  if (!out) return D3DERR_INVALIDCALL;
  *out = nullptr;
  if (swapChain != 0 || index >= params_.BackBufferCount) return D3DERR_INVALIDCALL;
  // Every back buffer of the chain is the one framebuffer Present shows.
  backBuffer_->AddRef();
  *out = backBuffer_;
  return D3D_OK;
}

HRESULT Device::BeginScene() {
  if (inScene_) return D3DERR_INVALIDCALL;
  inScene_ = true;
  return D3D_OK;
}

HRESULT Device::EndScene() {
  if (!inScene_) return D3DERR_INVALIDCALL;
  inScene_ = false;
  return D3D_OK;
}

HRESULT Device::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                              IDirect3DTexture9** out, HANDLE* shared) {
  if (!out) return D3DERR_INVALIDCALL;
  *out = nullptr;
  if (shared || width == 0 || height == 0 || width > 16384 || height > 16384) return D3DERR_INVALIDCALL;
  if (ShouldFail("IDirect3DDevice9::CreateTexture")) return D3DERR_OUTOFVIDEOMEMORY;
  if (!IsColorFormat(format)) return D3DERR_INVALIDCALL;
  if ((usage & D3DUSAGE_RENDERTARGET) && pool != D3DPOOL_DEFAULT) return D3DERR_INVALIDCALL;
  if (usage & D3DUSAGE_DEPTHSTENCIL) return D3DERR_INVALIDCALL;
  UINT full = FullChainLength(width, height);
  if (levels == 0 || levels > full) levels = full;
  makeCurrent();
  Texture* texture = new Texture(this, width, height, levels, usage, format, pool);
  bool memoryOnly = pool == D3DPOOL_SYSTEMMEM || pool == D3DPOOL_SCRATCH;
  if (!memoryOnly && !texture->createStorage()) {
    texture->Release();
    return D3DERR_OUTOFVIDEOMEMORY;
  }
  *out = texture;
  return D3D_OK;
}

namespace {

// A new buffer's GL storage, or the buffer released and the failure Direct3D reports for it.
template <typename Buffer, typename Interface>
HRESULT MakeBuffer(Buffer* buffer, Interface** out) {
  if (!buffer->create()) {
    buffer->Release();
    return D3DERR_OUTOFVIDEOMEMORY;
  }
  *out = buffer;
  return D3D_OK;
}

}  // namespace

HRESULT Device::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                   IDirect3DVertexBuffer9** out, HANDLE* shared) {
  if (!out) return D3DERR_INVALIDCALL;
  *out = nullptr;
  if (shared || length == 0 || pool == D3DPOOL_SCRATCH) return D3DERR_INVALIDCALL;
  if (ShouldFail("IDirect3DDevice9::CreateVertexBuffer")) return D3DERR_OUTOFVIDEOMEMORY;
  FvfLayout layout;
  if (fvf != 0 && !ParseFvf(fvf, &layout)) return D3DERR_INVALIDCALL;
  D3DVERTEXBUFFER_DESC d = {D3DFMT_VERTEXDATA, D3DRTYPE_VERTEXBUFFER, usage, pool, length, fvf};
  makeCurrent();
  return MakeBuffer(new VertexBuffer(this, d), out);
}

HRESULT Device::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                  IDirect3DIndexBuffer9** out, HANDLE* shared) {
  if (!out) return D3DERR_INVALIDCALL;
  *out = nullptr;
  if (shared || length == 0 || pool == D3DPOOL_SCRATCH) return D3DERR_INVALIDCALL;
  if (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32) return D3DERR_INVALIDCALL;
  if (ShouldFail("IDirect3DDevice9::CreateIndexBuffer")) return D3DERR_OUTOFVIDEOMEMORY;
  D3DINDEXBUFFER_DESC d = {format, D3DRTYPE_INDEXBUFFER, usage, pool, length};
  makeCurrent();
  return MakeBuffer(new IndexBuffer(this, d), out);
}

namespace {

HRESULT MakeSurface(Device* device, const D3DSURFACE_DESC& d, IDirect3DSurface9** out) {
  Surface* surface = new Surface(device, Surface::Kind::kStandalone, d);
  if (!surface->createStorage()) {
    surface->Release();
    return D3DERR_OUTOFVIDEOMEMORY;
  }
  *out = surface;
  return D3D_OK;
}

}  // namespace

HRESULT Device::CreateRenderTarget(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE samples, DWORD,
                                   BOOL, IDirect3DSurface9** out, HANDLE* shared) {
  if (!out) return D3DERR_INVALIDCALL;
  *out = nullptr;
  if (shared || width == 0 || height == 0 || width > 16384 || height > 16384) return D3DERR_INVALIDCALL;
  if (!IsColorFormat(format) || samples == D3DMULTISAMPLE_NONMASKABLE) return D3DERR_INVALIDCALL;
  if (static_cast<int>(samples) > limits_.maxSamples) return D3DERR_NOTAVAILABLE;
  D3DSURFACE_DESC d = {format, D3DRTYPE_SURFACE, D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT, samples, 0, width, height};
  return MakeSurface(this, d, out);
}

HRESULT Device::CreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE samples,
                                          DWORD, BOOL, IDirect3DSurface9** out, HANDLE* shared) {
  if (!out) return D3DERR_INVALIDCALL;
  *out = nullptr;
  if (shared || width == 0 || height == 0 || width > 16384 || height > 16384) return D3DERR_INVALIDCALL;
  if (!IsDepthFormat(format) || samples == D3DMULTISAMPLE_NONMASKABLE) return D3DERR_INVALIDCALL;
  if (static_cast<int>(samples) > limits_.maxSamples) return D3DERR_NOTAVAILABLE;
  if (ShouldFail("IDirect3DDevice9::CreateDepthStencilSurface")) return D3DERR_OUTOFVIDEOMEMORY;
  D3DSURFACE_DESC d = {format, D3DRTYPE_SURFACE, D3DUSAGE_DEPTHSTENCIL, D3DPOOL_DEFAULT, samples, 0, width, height};
  return MakeSurface(this, d, out);
}

HRESULT Device::CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool,
                                            IDirect3DSurface9** out, HANDLE* shared) {
  if (!out) return D3DERR_INVALIDCALL;
  *out = nullptr;
  if (shared || width == 0 || height == 0 || width > 16384 || height > 16384) return D3DERR_INVALIDCALL;
  if (!IsColorFormat(format) || pool == D3DPOOL_MANAGED) return D3DERR_INVALIDCALL;
  if (pool == D3DPOOL_DEFAULT) return D3DERR_INVALIDCALL;  // only lockable system-memory surfaces
  D3DSURFACE_DESC d = {format, D3DRTYPE_SURFACE, 0, pool, D3DMULTISAMPLE_NONE, 0, width, height};
  return MakeSurface(this, d, out);
}

void Device::setProgram(GLuint program, d3d9gl::AlphaTestUniforms* alphaTest) {
  makeCurrent();
  if (program == userProgram_ && alphaTest == userAlphaTest_) return;
  userProgram_ = program;
  userAlphaTest_ = program ? alphaTest : nullptr;
  // Bound now: the caller uploads its uniforms to it before the next draw.
  if (program && activeProgram_ != program) {
    glUseProgram(program);
    activeProgram_ = program;
  }
  markDirty(kDirtyProgram);
}

}  // namespace d3d9impl

namespace d3d9gl {

bool MakeCurrent(IDirect3DDevice9* device) {
  d3d9impl::Device* d = d3d9impl::FromInterface(device);
  if (!d) return false;
  d->makeCurrent();
  return true;
}

void SetProgram(IDirect3DDevice9* device, GLuint program, AlphaTestUniforms* alphaTest) {
  if (d3d9impl::Device* d = d3d9impl::FromInterface(device)) d->setProgram(program, alphaTest);
}

GLuint CurrentProgram(IDirect3DDevice9* device) {
  d3d9impl::Device* d = d3d9impl::FromInterface(device);
  return d ? d->program() : 0;
}

}  // namespace d3d9gl
