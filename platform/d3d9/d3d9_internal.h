// d3d9_internal.h -- the OpenGL objects behind the Direct3D 9 interfaces, shared by platform/d3d9 only
//
// Lifetime follows Direct3D: every object a device makes holds a reference on the device while
// the program holds references on the object. Objects the device has bound (textures, streams,
// index buffer, render target, depth surface) stay alive while bound even after the program's
// last Release, through a separate bind count; the device drops those bindings when it dies.
// A texture's level surfaces and the device's implicit surfaces (back buffer, automatic depth
// buffer) pass their AddRef and Release on to their container.
#pragma once

#include <d3d9.h>
#include <epoxy/gl.h>

#include <cstdint>
#include <vector>

struct SDL_Window;

namespace d3d9impl {

class Device;
class Texture;

// Reference and bind counts of one device child. Release of the last program reference gives
// up the child's hold on the device; the child itself goes when it is also unbound.
class Child {
 public:
  // holdsDevice: false for surfaces whose container counts for them (texture levels, the
  // device's own surfaces).
  Child(Device* device, bool holdsDevice);
  Device* device() const { return device_; }
  ULONG addRef();  // from 0 (a bound object handed out again) it takes the device again
  ULONG release();
  void bind() { ++binds_; }
  void unbind();

 protected:
  virtual ~Child() = default;

 private:
  Device* device_;
  bool holdsDevice_;
  ULONG refs_ = 1;
  ULONG binds_ = 0;
};

// A resource's SetPriority: Direct3D keeps a priority for managed resources only (the order in
// which it would evict them; this layer never evicts, so the value is only kept) and answers 0
// for the other pools. Returns the priority before.
class Priority {
 public:
  DWORD set(D3DPOOL pool, DWORD priority) {
    if (pool != D3DPOOL_MANAGED) return 0;
    DWORD before = value_;
    value_ = priority;
    return before;
  }
  DWORD get() const { return value_; }

 private:
  DWORD value_ = 0;
};

// GL description of a Direct3D colour or depth format; false for formats the layer refuses.
struct GlFormat {
  GLenum internalFormat = 0;
  GLenum format = 0;  // upload/readback format
  GLenum type = 0;
  UINT bytesPerPixel = 0;
  bool depth = false;
  bool stencil = false;
  bool opaque = false;  // X8: alpha reads as one
};
bool LookUpFormat(D3DFORMAT format, GlFormat* out);
bool IsColorFormat(D3DFORMAT format);
bool IsDepthFormat(D3DFORMAT format);

class Surface final : public IDirect3DSurface9, public Child {
 public:
  enum class Kind { kTextureLevel, kImplicit, kStandalone };

  // A texture level (its container counts the references).
  Surface(Texture* texture, UINT level, const D3DSURFACE_DESC& desc);
  // An implicit (device-owned) or standalone surface; renderbuffer-backed unless pool is SYSTEMMEM.
  Surface(Device* device, Kind kind, const D3DSURFACE_DESC& desc);
  ~Surface() override;
  bool createStorage();  // false when GL refused it

  HRESULT QueryInterface(REFIID riid, void** ppvObj) override;
  ULONG AddRef() override;
  ULONG Release() override;
  HRESULT GetDevice(IDirect3DDevice9** ppDevice) override;
  DWORD SetPriority(DWORD priority) override { return priority_.set(desc_.Pool, priority); }
  DWORD GetPriority() override { return priority_.get(); }
  void PreLoad() override {}
  D3DRESOURCETYPE GetType() override { return D3DRTYPE_SURFACE; }
  HRESULT GetContainer(REFIID riid, void** ppContainer) override;
  HRESULT GetDesc(D3DSURFACE_DESC* pDesc) override;
  HRESULT LockRect(D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) override;
  HRESULT UnlockRect() override;

  Kind kind() const { return kind_; }
  const D3DSURFACE_DESC& desc() const { return desc_; }
  Texture* texture() const { return texture_; }
  UINT level() const { return level_; }
  GLuint renderbuffer() const { return renderbuffer_; }
  std::vector<uint8_t>& memory() { return memory_; }
  GLuint packBuffer() const { return packBuffer_; }
  bool locked() const { return locked_; }
  // A readback into the pixel buffer was started and is not yet in memory.
  void setReadPending() { readPending_ = true; }
  bool isRenderTarget() const { return (desc_.Usage & D3DUSAGE_RENDERTARGET) != 0; }
  bool isDepthStencil() const { return (desc_.Usage & D3DUSAGE_DEPTHSTENCIL) != 0; }
  void bindForDevice();    // the device keeps it as render target or depth surface
  void unbindForDevice();

 private:
  Kind kind_;
  D3DSURFACE_DESC desc_;
  Texture* texture_ = nullptr;
  UINT level_ = 0;
  GLuint renderbuffer_ = 0;
  std::vector<uint8_t> memory_;  // SYSTEMMEM surfaces: the pixels, row 0 = top
  // SYSTEMMEM surfaces: the pixel buffer GetRenderTargetData reads into without waiting; its
  // pixels reach memory_ at the next LockRect, which is where the wait for the GPU happens.
  GLuint packBuffer_ = 0;
  bool readPending_ = false;
  bool locked_ = false;
  Priority priority_;
};

class Texture final : public IDirect3DTexture9, public Child {
 public:
  Texture(Device* device, UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool);
  ~Texture() override;
  bool createStorage();

  HRESULT QueryInterface(REFIID riid, void** ppvObj) override;
  ULONG AddRef() override { return addRef(); }
  ULONG Release() override { return release(); }
  HRESULT GetDevice(IDirect3DDevice9** ppDevice) override;
  DWORD SetPriority(DWORD priority) override { return priority_.set(pool_, priority); }
  DWORD GetPriority() override { return priority_.get(); }
  void PreLoad() override {}
  D3DRESOURCETYPE GetType() override { return D3DRTYPE_TEXTURE; }
  // The most detailed level drawn, for managed textures (others answer 0): clamped to the last
  // level, it becomes the GL base level; with D3DSAMP_MAXMIPLEVEL the higher level number wins.
  DWORD SetLOD(DWORD lod) override;
  DWORD GetLOD() override { return lod_; }
  DWORD GetLevelCount() override { return levels_; }
  // glGenerateMipmap filters linearly, so D3DTEXF_LINEAR is the one filter kept; D3DTEXF_NONE
  // is Direct3D's own error, the other filters are refused with a line on standard error.
  HRESULT SetAutoGenFilterType(D3DTEXTUREFILTERTYPE filter) override;
  D3DTEXTUREFILTERTYPE GetAutoGenFilterType() override { return autoGenFilter_; }
  void GenerateMipSubLevels() override;
  HRESULT GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) override;
  HRESULT GetSurfaceLevel(UINT Level, IDirect3DSurface9** ppSurfaceLevel) override;
  HRESULT LockRect(UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) override;
  HRESULT UnlockRect(UINT Level) override;
  HRESULT AddDirtyRect(const RECT*) override { return D3D_OK; }

  GLuint glTexture() const { return texture_; }
  D3DFORMAT format() const { return format_; }
  UINT levels() const { return levels_; }
  DWORD lod() const { return lod_; }
  Surface* level(UINT i) const { return surfaces_[i]; }
  bool lockable() const;

 private:
  void readLevel(UINT level, std::vector<uint8_t>* bytes);

  UINT width_, height_, levels_;
  DWORD usage_;
  D3DFORMAT format_;
  D3DPOOL pool_;
  GLuint texture_ = 0;
  std::vector<Surface*> surfaces_;
  // A level's pixels as the program locks them, row 0 = top. A level is given a whole copy
  // the first time it is locked whole, or in a part that meets what was written before; a part
  // that nothing was written to yet is locked in a buffer of that part alone, sent to GL at
  // unlock and dropped, so a large texture filled strip by strip is never held twice.
  std::vector<std::vector<uint8_t>> shadow_;
  std::vector<std::vector<uint8_t>> strip_;  // the part locked, while it is locked
  std::vector<RECT> lockedRect_;             // what the lock covers
  std::vector<bool> locked_;
  std::vector<RECT> written_;  // the box around every part written through a lock (empty: none)
  Priority priority_;
  DWORD lod_ = 0;
  D3DTEXTUREFILTERTYPE autoGenFilter_ = D3DTEXF_LINEAR;
};

// Vertex and index buffers: a GL buffer and a plain copy the program locks. Unlock sends the
// locked range to GL as the lock flags allow without waiting for draws still using the buffer:
// D3DLOCK_DISCARD gives the buffer new storage (the old stays with the draws that read it),
// D3DLOCK_NOOVERWRITE writes unsynchronised (the program promised not to touch what they read).
class BufferStore {
 public:
  ~BufferStore();
  bool create(UINT size, DWORD usage);
  HRESULT lock(UINT offset, UINT size, DWORD flags, void** data, const char* failName);
  HRESULT unlock();
  GLuint glBuffer() const { return buffer_; }
  UINT size() const { return static_cast<UINT>(bytes_.size()); }
  const uint8_t* bytes() const { return bytes_.data(); }
  bool justUnlocked() const { return justUnlocked_; }

 private:
  GLuint buffer_ = 0;
  GLenum usage_ = GL_STATIC_DRAW;
  std::vector<uint8_t> bytes_;
  UINT lockOffset_ = 0, lockSize_ = 0;
  DWORD lockFlags_ = 0;
  bool locked_ = false;
  bool justUnlocked_ = false;
};

// What a vertex and an index buffer share: their interface's resource calls over one BufferStore.
template <typename Interface, typename Desc, D3DRESOURCETYPE kType>
class BufferResource : public Interface, public Child {
 public:
  BufferResource(Device* device, const Desc& desc) : Child(device, true), desc_(desc) {}
  bool create() { return store_.create(desc_.Size, desc_.Usage); }

  HRESULT QueryInterface(REFIID, void** ppvObj) override {
    if (ppvObj) *ppvObj = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return addRef(); }
  ULONG Release() override { return release(); }
  HRESULT GetDevice(IDirect3DDevice9** ppDevice) override;  // d3d9_resources.cpp
  DWORD SetPriority(DWORD priority) override { return priority_.set(desc_.Pool, priority); }
  DWORD GetPriority() override { return priority_.get(); }
  void PreLoad() override {}
  D3DRESOURCETYPE GetType() override { return kType; }
  HRESULT GetDesc(Desc* pDesc) override {
    if (!pDesc) return D3DERR_INVALIDCALL;
    *pDesc = desc_;
    return D3D_OK;
  }

  GLuint glBuffer() const { return store_.glBuffer(); }

 protected:
  ~BufferResource() override = default;
  Desc desc_;
  BufferStore store_;
  Priority priority_;
};

class VertexBuffer final
    : public BufferResource<IDirect3DVertexBuffer9, D3DVERTEXBUFFER_DESC, D3DRTYPE_VERTEXBUFFER> {
 public:
  using BufferResource::BufferResource;
  HRESULT Lock(UINT OffsetToLock, UINT SizeToLock, void** ppbData, DWORD Flags) override;
  HRESULT Unlock() override;

 private:
  ~VertexBuffer() override;
};

class IndexBuffer final : public BufferResource<IDirect3DIndexBuffer9, D3DINDEXBUFFER_DESC, D3DRTYPE_INDEXBUFFER> {
 public:
  using BufferResource::BufferResource;
  HRESULT Lock(UINT OffsetToLock, UINT SizeToLock, void** ppbData, DWORD Flags) override;
  HRESULT Unlock() override;

  D3DFORMAT format() const { return desc_.Format; }
  // True when indices [start, start + count) lie in the buffer and each is in [lo, hi).
  bool indicesWithin(UINT start, UINT count, uint64_t lo, uint64_t hi) const;

 private:
  ~IndexBuffer() override;
  uint32_t indexAt(size_t i) const;
  void measure();  // the smallest and largest index of the whole buffer
  uint32_t minIndex_ = 0, maxIndex_ = 0;
};

// An event query: a GL fence set where it is issued, waited on where it is asked.
class Query final : public IDirect3DQuery9, public Child {
 public:
  explicit Query(Device* device) : Child(device, true) {}

  HRESULT QueryInterface(REFIID riid, void** ppvObj) override;
  ULONG AddRef() override { return addRef(); }
  ULONG Release() override { return release(); }
  HRESULT GetDevice(IDirect3DDevice9** ppDevice) override;
  D3DQUERYTYPE GetType() override { return D3DQUERYTYPE_EVENT; }
  DWORD GetDataSize() override { return sizeof(BOOL); }
  HRESULT Issue(DWORD dwIssueFlags) override;
  HRESULT GetData(void* pData, DWORD dwSize, DWORD dwGetDataFlags) override;

 private:
  ~Query() override;
  GLsync fence_ = nullptr;
};

// What one Direct3D object learnt about GL when it was created.
struct GlLimits {
  int maxSamples = 0;
  float anisotropy = 1.f;  // largest anisotropy, 1 without the extension
};

// The Direct3D object (d3d9_direct3d.cpp).
class Direct3D final : public IDirect3D9 {
 public:
  explicit Direct3D(const GlLimits& limits) : limits_(limits) {}
  HRESULT QueryInterface(REFIID riid, void** ppvObj) override;
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override;
  UINT GetAdapterCount() override { return 1; }
  UINT GetAdapterModeCount(UINT Adapter, D3DFORMAT Format) override;
  HRESULT EnumAdapterModes(UINT Adapter, D3DFORMAT Format, UINT Mode, D3DDISPLAYMODE* pMode) override;
  HRESULT GetAdapterDisplayMode(UINT Adapter, D3DDISPLAYMODE* pMode) override;
  HRESULT CheckDeviceType(UINT Adapter, D3DDEVTYPE DevType, D3DFORMAT AdapterFormat, D3DFORMAT BackBufferFormat,
                          BOOL bWindowed) override;
  HRESULT CheckDeviceFormat(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT AdapterFormat, DWORD Usage,
                            D3DRESOURCETYPE RType, D3DFORMAT CheckFormat) override;
  HRESULT CheckDeviceMultiSampleType(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT SurfaceFormat, BOOL Windowed,
                                     D3DMULTISAMPLE_TYPE MultiSampleType, DWORD* pQualityLevels) override;
  HRESULT CheckDepthStencilMatch(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT AdapterFormat,
                                 D3DFORMAT RenderTargetFormat, D3DFORMAT DepthStencilFormat) override;
  HRESULT CreateDevice(UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow, DWORD BehaviorFlags,
                       D3DPRESENT_PARAMETERS* pPresentationParameters,
                       IDirect3DDevice9** ppReturnedDeviceInterface) override;

  const GlLimits& limits() const { return limits_; }

 private:
  ~Direct3D() override = default;
  GlLimits limits_;
  ULONG refs_ = 1;
};

// Number of vertices that `count` primitives of `type` use; 0 for an unknown type.
UINT VertexCountOf(D3DPRIMITIVETYPE type, UINT count);
// GL mode of a primitive type; false for an unknown type.
bool GlPrimitive(D3DPRIMITIVETYPE type, GLenum* mode);

// Layout of one flexible vertex format: byte offsets, -1 when the element is absent.
struct FvfLayout {
  int position = -1;
  int positionSize = 0;  // 3 (XYZ) or 4 (XYZRHW, XYZW)
  bool pretransformed = false;
  int normal = -1;
  int diffuse = -1;
  int specular = -1;
  int texCoord0 = -1;
  int texCoord0Size = 0;
  UINT size = 0;  // bytes per vertex the FVF describes
};
bool ParseFvf(DWORD fvf, FvfLayout* out);

}  // namespace d3d9impl
