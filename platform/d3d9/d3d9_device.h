// d3d9_device.h -- IDirect3DDevice9 on one OpenGL 3.3 core context
//
// The device keeps a plain copy of the whole Direct3D state. Set* compares, stores and marks a
// dirty group; the groups reach GL only at Clear and draw time (d3d9_state.cpp), and within a
// group only the GL values that differ from what GL holds are set. Internal GL work (Present's
// blit, readbacks) marks what it touched dirty again. Once a frame has run, nothing is
// allocated, created, compiled or queried from GL: framebuffers come from a cache, blits and
// readbacks use framebuffers and resolve targets made with the device.
//
// Conventions (decided once, here): every picture is drawn into framebuffer objects with
// glClipControl(GL_UPPER_LEFT, GL_ZERO_TO_ONE), so clip-space depth is 0..1 as in Direct3D,
// clip-space y = +1 lands on memory row 0, and row 0 of every surface and texture is its top;
// texture coordinate (0, 0) is then the top-left texel with no change to the shaders. Present
// flips once when it blits the back buffer into the window.
#pragma once

#include "platform/d3d9/d3d9_gl.h"
#include "platform/d3d9/d3d9_internal.h"

#include <SDL.h>

namespace d3d9impl {

enum DirtyGroup : uint32_t {
  kDirtyFramebuffer = 1u << 0,
  kDirtyViewport = 1u << 1,
  kDirtyScissor = 1u << 2,
  kDirtyDepth = 1u << 3,
  kDirtyBlend = 1u << 4,
  kDirtyRaster = 1u << 5,
  kDirtyColorMask = 1u << 6,
  kDirtyTextures = 1u << 7,
  kDirtySamplers = 1u << 8,
  kDirtyVertexLayout = 1u << 9,
  kDirtyTransforms = 1u << 10,
  kDirtyProgram = 1u << 11,
  kDirtyAll = 0xffffffffu,
};

constexpr int kSamplerCount = 8;
constexpr int kTextureStageStates = 33;
constexpr int kFramebufferCacheSize = 32;

struct StreamSource {
  VertexBuffer* buffer = nullptr;
  UINT offset = 0;
  UINT stride = 0;
};

// The Direct3D state as the program set it.
struct DeviceState {
  DWORD renderStates[D3D9_RENDERSTATE_COUNT] = {};
  DWORD samplerStates[kSamplerCount][D3D9_SAMPLERSTATE_COUNT] = {};
  DWORD stageStates[kSamplerCount][kTextureStageStates] = {};
  Texture* textures[kSamplerCount] = {};
  D3DMATRIX world, view, projection;
  D3DMATRIX textureTransforms[8];
  D3DMATERIAL9 material = {};
  D3DVIEWPORT9 viewport = {};
  RECT scissor = {};
  DWORD fvf = 0;
  StreamSource stream0;
  IndexBuffer* indices = nullptr;
  Surface* renderTarget = nullptr;
  Surface* depthStencil = nullptr;
};

// An int or vec4 uniform of one program with the value it holds, so that an unchanged value
// is not sent again.
struct IntUniform {
  GLint location = -1;
  int value = -1;
  void set(int v) {
    if (location >= 0 && v != value) {
      glUniform1i(location, v);
      value = v;
    }
  }
};
struct Vec4Uniform {
  GLint location = -1;
  float value[4] = {-1.f, -1.f, -1.f, -1.f};
  void set(float x, float y, float z, float w);
};

// One program of the built-in fixed-function pipeline and its uniforms.
struct FixedProgram {
  GLuint program = 0;
  GLint worldViewProj = -1;
  D3DMATRIX uploadedWorldViewProj;
  bool hasWorldViewProj = false;
  Vec4Uniform viewport;
  IntUniform useTexture;
  IntUniform lighting;
  IntUniform colorOp;     // stage 0: op | arg1 << 8 | arg2 << 16
  IntUniform alphaOp;
  Vec4Uniform litColor;   // emissive + ambient x material ambient, material diffuse alpha
  IntUniform vertexAlpha;  // 1: lit alpha from the vertex's diffuse colour
  Vec4Uniform textureFactor;
  d3d9gl::AlphaTestUniforms alphaTest;
};

struct FramebufferEntry {
  Surface* color = nullptr;
  Surface* depth = nullptr;
  GLuint fbo = 0;
  bool complete = false;  // decided from the surfaces' descriptions, never asked of GL
  uint32_t lastUse = 0;
};

// A colour target kept for blits: a renderbuffer and a framebuffer, made again only when a
// different size or format is asked for.
struct ResolveTarget {
  GLuint fbo = 0;
  GLuint renderbuffer = 0;
  UINT width = 0, height = 0;
  GLenum internalFormat = 0;
};

class Device final : public IDirect3DDevice9 {
 public:
  Device(Direct3D* d3d, HWND focus, DWORD behavior, const D3DPRESENT_PARAMETERS& params);
  // Makes the window, context, back buffer and programs; a Direct3D result and a reason.
  HRESULT initialize(const char** reason);

  HRESULT QueryInterface(REFIID riid, void** ppvObj) override;
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override;
  HRESULT TestCooperativeLevel() override { return D3D_OK; }
  UINT GetAvailableTextureMem() override { return 256u << 20; }
  HRESULT EvictManagedResources() override { return D3D_OK; }
  HRESULT GetDirect3D(IDirect3D9** ppD3D9) override;
  HRESULT GetDisplayMode(UINT iSwapChain, D3DDISPLAYMODE* pMode) override;
  HRESULT GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* pParameters) override;
  HRESULT Reset(D3DPRESENT_PARAMETERS*) override { return D3DERR_INVALIDCALL; }
  HRESULT Present(const RECT* pSourceRect, const RECT* pDestRect, HWND hDestWindowOverride,
                  const struct _RGNDATA* pDirtyRegion) override;
  HRESULT GetBackBuffer(UINT iSwapChain, UINT iBackBuffer, D3DBACKBUFFER_TYPE Type,
                        IDirect3DSurface9** ppBackBuffer) override;
  HRESULT CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                        IDirect3DTexture9** ppTexture, HANDLE* pSharedHandle) override;
  HRESULT CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                             IDirect3DVertexBuffer9** ppVertexBuffer, HANDLE* pSharedHandle) override;
  HRESULT CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                            IDirect3DIndexBuffer9** ppIndexBuffer, HANDLE* pSharedHandle) override;
  HRESULT CreateRenderTarget(UINT Width, UINT Height, D3DFORMAT Format, D3DMULTISAMPLE_TYPE MultiSample,
                             DWORD MultisampleQuality, BOOL Lockable, IDirect3DSurface9** ppSurface,
                             HANDLE* pSharedHandle) override;
  HRESULT CreateDepthStencilSurface(UINT Width, UINT Height, D3DFORMAT Format, D3DMULTISAMPLE_TYPE MultiSample,
                                    DWORD MultisampleQuality, BOOL Discard, IDirect3DSurface9** ppSurface,
                                    HANDLE* pSharedHandle) override;
  HRESULT UpdateSurface(IDirect3DSurface9*, const RECT*, IDirect3DSurface9*, const POINT*) override {
    return D3DERR_INVALIDCALL;
  }
  HRESULT UpdateTexture(IDirect3DBaseTexture9*, IDirect3DBaseTexture9*) override { return D3DERR_INVALIDCALL; }
  HRESULT GetRenderTargetData(IDirect3DSurface9* pRenderTarget, IDirect3DSurface9* pDestSurface) override;
  HRESULT StretchRect(IDirect3DSurface9* pSourceSurface, const RECT* pSourceRect, IDirect3DSurface9* pDestSurface,
                      const RECT* pDestRect, D3DTEXTUREFILTERTYPE Filter) override;
  HRESULT ColorFill(IDirect3DSurface9* pSurface, const RECT* pRect, D3DCOLOR color) override;
  HRESULT CreateOffscreenPlainSurface(UINT Width, UINT Height, D3DFORMAT Format, D3DPOOL Pool,
                                      IDirect3DSurface9** ppSurface, HANDLE* pSharedHandle) override;
  HRESULT SetRenderTarget(DWORD RenderTargetIndex, IDirect3DSurface9* pRenderTarget) override;
  HRESULT GetRenderTarget(DWORD RenderTargetIndex, IDirect3DSurface9** ppRenderTarget) override;
  HRESULT SetDepthStencilSurface(IDirect3DSurface9* pNewZStencil) override;
  HRESULT GetDepthStencilSurface(IDirect3DSurface9** ppZStencilSurface) override;
  HRESULT BeginScene() override;
  HRESULT EndScene() override;
  HRESULT Clear(DWORD Count, const D3DRECT* pRects, DWORD Flags, D3DCOLOR Color, float Z, DWORD Stencil) override;
  HRESULT SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) override;
  HRESULT GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix) override;
  HRESULT MultiplyTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) override;
  HRESULT SetViewport(const D3DVIEWPORT9* pViewport) override;
  HRESULT GetViewport(D3DVIEWPORT9* pViewport) override;
  HRESULT SetMaterial(const D3DMATERIAL9* pMaterial) override;
  HRESULT GetMaterial(D3DMATERIAL9* pMaterial) override;
  HRESULT SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) override;
  HRESULT GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue) override;
  HRESULT GetTexture(DWORD Stage, IDirect3DBaseTexture9** ppTexture) override;
  HRESULT SetTexture(DWORD Stage, IDirect3DBaseTexture9* pTexture) override;
  HRESULT GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD* pValue) override;
  HRESULT SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) override;
  HRESULT GetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD* pValue) override;
  HRESULT SetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD Value) override;
  HRESULT SetScissorRect(const RECT* pRect) override;
  HRESULT GetScissorRect(RECT* pRect) override;
  HRESULT DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex, UINT PrimitiveCount) override;
  HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, INT BaseVertexIndex, UINT MinVertexIndex,
                               UINT NumVertices, UINT startIndex, UINT primCount) override;
  HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE, UINT, const void*, UINT) override { return D3DERR_INVALIDCALL; }
  HRESULT SetFVF(DWORD FVF) override;
  HRESULT GetFVF(DWORD* pFVF) override;
  HRESULT SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9* pStreamData, UINT OffsetInBytes,
                          UINT Stride) override;
  HRESULT GetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9** ppStreamData, UINT* pOffsetInBytes,
                          UINT* pStride) override;
  HRESULT SetIndices(IDirect3DIndexBuffer9* pIndexData) override;
  HRESULT GetIndices(IDirect3DIndexBuffer9** ppIndexData) override;
  HRESULT CreateQuery(D3DQUERYTYPE Type, IDirect3DQuery9** ppQuery) override;  // d3d9_query.cpp

  // Used by the device's children and the d3d9gl bridge.
  void makeCurrent();
  void releaseChildHold() { Release(); }
  void forgetSurface(Surface* surface);  // drops cached framebuffers that use it
  bool collectReadback(Surface* destination);  // a system-memory surface's pending readback, at its lock
  void forgetGlTexture(GLuint texture);  // a deleted texture is bound nowhere any more
  void forgetGlBuffer(GLuint buffer);
  void setProgram(GLuint program, d3d9gl::AlphaTestUniforms* alphaTest);
  GLuint program() const { return userProgram_; }
  void markDirty(uint32_t groups) { dirty_ |= groups; }
  void refreshSamplersOf(const Texture* texture);  // the stages that sample it set their sampler again
  int maxSamples() const { return limits_.maxSamples; }

 private:
  ~Device() override;
  void teardown();
  void setDefaultState();
  HRESULT createBackBuffer(const char** reason);
  bool compileFixedPrograms(const char** reason);
  void createSamplers();

  // d3d9_state.cpp: dirty groups to GL.
  bool applyForDraw();
  void applyAlphaTest(d3d9gl::AlphaTestUniforms* uniforms);
  void applyFixedUniforms(FixedProgram& p);
  bool applyFramebuffer();
  void applyViewport();
  void applyScissor();
  void applyDepth();
  void applyBlend();
  void applyRaster();
  void applyColorMask();
  void applyTextures();
  void applySamplers();
  void applySampler(int stage);
  void applyTransforms();
  bool applyVertexLayout();
  void applyProgram();

  // d3d9_framebuffer.cpp
  FramebufferEntry* framebufferFor(Surface* color, Surface* depth);
  void readPixels(Surface* source, GLuint packBuffer);
  void attachForBlit(GLenum target, GLuint fbo, Surface* surface);
  bool resolveTarget(ResolveTarget* target, UINT width, UINT height, GLenum internalFormat);
  bool indicesFit(UINT startIndex, UINT count, UINT firstVertex, UINT endVertex);

  Direct3D* d3d_;
  GlLimits limits_;
  ULONG refs_ = 1;
  HWND focus_;
  DWORD behavior_;
  D3DPRESENT_PARAMETERS params_;
  SDL_Window* window_ = nullptr;
  bool ownsWindow_ = false;
  SDL_GLContext context_ = nullptr;
  bool inScene_ = false;
  bool tornDown_ = false;

  Surface* backBuffer_ = nullptr;
  Surface* autoDepth_ = nullptr;
  GLuint presentReadFbo_ = 0;
  ResolveTarget backResolve_;   // the multisampled back buffer, resolved for Present and readbacks
  ResolveTarget otherResolve_;  // other multisampled surfaces read back
  GLuint blitReadFbo_ = 0;      // StretchRect, ColorFill and readbacks attach their surfaces here
  GLuint blitDrawFbo_ = 0;

  DeviceState state_;
  DeviceState defaults_;  // the state as the device was made: what a refused state may still be set to
  uint32_t dirty_ = kDirtyAll;
  uint32_t dirtySamplers_ = 0xff;

  FramebufferEntry framebuffers_[kFramebufferCacheSize];
  uint32_t framebufferClock_ = 0;
  GLuint boundFbo_ = 0;

  FixedProgram fixed_[2];  // [0] transformed positions, [1] XYZRHW screen positions
  GLuint userProgram_ = 0;
  d3d9gl::AlphaTestUniforms* userAlphaTest_ = nullptr;
  GLuint activeProgram_ = 0;
  GLuint vao_ = 0;
  GLuint samplers_[kSamplerCount] = {};
  GLuint boundTextures_[kSamplerCount] = {};
  GLuint boundIndexBuffer_ = 0;
  FvfLayout layout_;  // of state_.fvf
  bool pretransformed_ = false;
};

// The device behind the interface. Every IDirect3DDevice9 of this process is made by this layer,
// so this is a plain cast (null stays null).
Device* FromInterface(IDirect3DDevice9* device);

// d3d9_validate.cpp: whether the layer applies a value (or, for a state it does not implement,
// whether the value is the default it shows anyway), and the line a refusal writes.
bool RenderStateApplies(DWORD state, DWORD value, DWORD defaultValue);
bool StageStateApplies(DWORD stage, DWORD type, DWORD value, DWORD defaultValue);
void ReportRefusedState(const char* call, DWORD stage, DWORD state, DWORD value);

}  // namespace d3d9impl
