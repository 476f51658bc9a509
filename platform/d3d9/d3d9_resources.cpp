// d3d9_resources.cpp -- surfaces, textures, vertex and index buffers on GL textures, renderbuffers and buffers
//
// Testing failure names: "IDirect3DVertexBuffer9::Lock", "IDirect3DIndexBuffer9::Lock",
// "IDirect3DTexture9::LockRect".
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/d3d9/d3d9_device.h"
#include "platform/services/hooks.h"

using platform_hooks::ShouldFail;

namespace d3d9impl {

// Immutable texture storage (OpenGL 4.2, or the extension): asked once, at the first texture.
static bool HasTextureStorage() {
  static const bool has = epoxy_gl_version() >= 42 || epoxy_has_gl_extension("GL_ARB_texture_storage");
  return has;
}

bool LookUpFormat(D3DFORMAT format, GlFormat* out) {
  GlFormat f;
  switch (format) {
    case D3DFMT_A8R8G8B8:
      f = {GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE, 4, false, false, false};
      break;
    case D3DFMT_X8R8G8B8:
      f = {GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE, 4, false, false, true};
      break;
    case D3DFMT_R32F:
      f = {GL_R32F, GL_RED, GL_FLOAT, 4, false, false, false};
      break;
    case D3DFMT_D16:
      f = {GL_DEPTH_COMPONENT16, GL_DEPTH_COMPONENT, GL_UNSIGNED_SHORT, 2, true, false, false};
      break;
    case D3DFMT_D24X8:
      f = {GL_DEPTH_COMPONENT24, GL_DEPTH_COMPONENT, GL_UNSIGNED_INT, 4, true, false, false};
      break;
    case D3DFMT_D24S8:
      f = {GL_DEPTH24_STENCIL8, GL_DEPTH_STENCIL, GL_UNSIGNED_INT_24_8, 4, true, true, false};
      break;
    default:
      return false;
  }
  *out = f;
  return true;
}

// ---- Child

Child::Child(Device* device, bool holdsDevice) : device_(device), holdsDevice_(holdsDevice) {
  if (holdsDevice_) device_->AddRef();
}

ULONG Child::addRef() {
  if (refs_ == 0 && holdsDevice_) device_->AddRef();
  return ++refs_;
}

ULONG Child::release() {
  if (refs_ == 0) return 0;
  ULONG left = --refs_;
  if (left == 0) {
    Device* device = device_;
    bool holds = holdsDevice_;
    if (binds_ == 0) delete this;
    // Last: giving up the hold may end the device, which unbinds (and so deletes) this child.
    if (holds) device->releaseChildHold();
  }
  return left;
}

void Child::unbind() {
  if (binds_ > 0 && --binds_ == 0 && refs_ == 0) delete this;
}

// ---- Surface

Surface::Surface(Texture* texture, UINT level, const D3DSURFACE_DESC& desc)
    : Child(texture->device(), false), kind_(Kind::kTextureLevel), desc_(desc), texture_(texture), level_(level) {}

Surface::Surface(Device* device, Kind kind, const D3DSURFACE_DESC& desc)
    : Child(device, kind == Kind::kStandalone), kind_(kind), desc_(desc) {}

Surface::~Surface() {
  device()->makeCurrent();
  device()->forgetSurface(this);
  if (renderbuffer_) glDeleteRenderbuffers(1, &renderbuffer_);
  if (packBuffer_) glDeleteBuffers(1, &packBuffer_);
}

bool Surface::createStorage() {
  GlFormat f;
  if (!LookUpFormat(desc_.Format, &f)) return false;
  if (desc_.Pool == D3DPOOL_SYSTEMMEM || desc_.Pool == D3DPOOL_SCRATCH) {
    memory_.assign(static_cast<size_t>(desc_.Width) * desc_.Height * f.bytesPerPixel, 0);
    if (desc_.Pool == D3DPOOL_SCRATCH || f.depth) return true;
    // The only surfaces GetRenderTargetData writes: their pixel buffer is made here, once.
    device()->makeCurrent();
    glGenBuffers(1, &packBuffer_);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, packBuffer_);
    glBufferData(GL_PIXEL_PACK_BUFFER, static_cast<GLsizeiptr>(memory_.size()), nullptr, GL_STREAM_READ);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    return glGetError() == GL_NO_ERROR;
  }
  device()->makeCurrent();
  glGenRenderbuffers(1, &renderbuffer_);
  glBindRenderbuffer(GL_RENDERBUFFER, renderbuffer_);
  GLsizei samples = desc_.MultiSampleType == D3DMULTISAMPLE_NONE ? 0 : static_cast<GLsizei>(desc_.MultiSampleType);
  glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, f.internalFormat, static_cast<GLsizei>(desc_.Width),
                                   static_cast<GLsizei>(desc_.Height));
  glBindRenderbuffer(GL_RENDERBUFFER, 0);
  return glGetError() == GL_NO_ERROR;
}

HRESULT Surface::QueryInterface(REFIID, void** ppvObj) {
  if (ppvObj) *ppvObj = nullptr;
  return E_NOINTERFACE;
}

ULONG Surface::AddRef() {
  switch (kind_) {
    case Kind::kTextureLevel: return texture_->AddRef();
    case Kind::kImplicit: return device()->AddRef();
    default: return addRef();
  }
}

ULONG Surface::Release() {
  switch (kind_) {
    case Kind::kTextureLevel: return texture_->Release();
    case Kind::kImplicit: return device()->Release();
    default: return release();
  }
}

void Surface::bindForDevice() {
  if (kind_ == Kind::kTextureLevel) texture_->bind();
  else if (kind_ == Kind::kStandalone) bind();
}

void Surface::unbindForDevice() {
  if (kind_ == Kind::kTextureLevel) texture_->unbind();
  else if (kind_ == Kind::kStandalone) unbind();
}

HRESULT Surface::GetDevice(IDirect3DDevice9** out) {
  if (!out) return D3DERR_INVALIDCALL;
  device()->AddRef();
  *out = device();
  return D3D_OK;
}

HRESULT Surface::GetContainer(REFIID, void** out) {
  if (!out) return D3DERR_INVALIDCALL;
  if (kind_ == Kind::kTextureLevel) {
    texture_->AddRef();
    *out = static_cast<IDirect3DTexture9*>(texture_);
  } else {
    device()->AddRef();
    *out = static_cast<IDirect3DDevice9*>(device());
  }
  return D3D_OK;
}

HRESULT Surface::GetDesc(D3DSURFACE_DESC* out) {
  if (!out) return D3DERR_INVALIDCALL;
  *out = desc_;
  return D3D_OK;
}

HRESULT Surface::LockRect(D3DLOCKED_RECT* out, const RECT* rect, DWORD flags) {
  if (!out) return D3DERR_INVALIDCALL;
  if (kind_ == Kind::kTextureLevel) {
    D3DLOCKED_RECT r;
    HRESULT hr = texture_->LockRect(level_, &r, rect, flags);
    if (SUCCEEDED(hr)) *out = r;
    return hr;
  }
  if (memory_.empty() || locked_) return D3DERR_INVALIDCALL;
  if (readPending_) {
    if (!device()->collectReadback(this)) return D3DERR_DRIVERINTERNALERROR;
    readPending_ = false;
  }
  GlFormat f;
  LookUpFormat(desc_.Format, &f);
  UINT x = 0, y = 0;
  if (rect) {
    if (rect->left < 0 || rect->top < 0 || rect->right <= rect->left || rect->bottom <= rect->top ||
        static_cast<UINT>(rect->right) > desc_.Width || static_cast<UINT>(rect->bottom) > desc_.Height) {
      return D3DERR_INVALIDCALL;
    }
    x = static_cast<UINT>(rect->left);
    y = static_cast<UINT>(rect->top);
  }
  out->Pitch = static_cast<INT>(desc_.Width * f.bytesPerPixel);
  out->pBits = memory_.data() + static_cast<size_t>(y) * out->Pitch + static_cast<size_t>(x) * f.bytesPerPixel;
  locked_ = true;
  return D3D_OK;
}

HRESULT Surface::UnlockRect() {
  if (kind_ == Kind::kTextureLevel) return texture_->UnlockRect(level_);
  if (!locked_) return D3DERR_INVALIDCALL;
  locked_ = false;
  return D3D_OK;
}

// ---- Texture

Texture::Texture(Device* device, UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool)
    : Child(device, true), width_(width), height_(height), levels_(levels), usage_(usage), format_(format),
      pool_(pool) {
  for (UINT i = 0; i < levels_; ++i) {
    D3DSURFACE_DESC d = {};
    d.Format = format;
    d.Type = D3DRTYPE_SURFACE;
    d.Usage = usage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_DYNAMIC);
    d.Pool = pool;
    d.MultiSampleType = D3DMULTISAMPLE_NONE;
    d.Width = (width >> i) ? (width >> i) : 1;
    d.Height = (height >> i) ? (height >> i) : 1;
    surfaces_.push_back(new Surface(this, i, d));
  }
  shadow_.resize(levels_);
  strip_.resize(levels_);
  lockedRect_.resize(levels_);
  locked_.assign(levels_, false);
  written_.assign(levels_, RECT{0, 0, 0, 0});
}

Texture::~Texture() {
  for (Surface* s : surfaces_) delete s;
  device()->makeCurrent();
  if (texture_) {
    device()->forgetGlTexture(texture_);
    glDeleteTextures(1, &texture_);
  }
}

bool Texture::lockable() const {
  return (usage_ & D3DUSAGE_RENDERTARGET) == 0 &&
         (pool_ != D3DPOOL_DEFAULT || (usage_ & D3DUSAGE_DYNAMIC) != 0);
}

bool Texture::createStorage() {
  GlFormat f;
  if (!LookUpFormat(format_, &f) || f.depth) return false;
  device()->makeCurrent();
  glGenTextures(1, &texture_);
  glBindTexture(GL_TEXTURE_2D, texture_);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(levels_ - 1));
  // Direct3D reads missing channels as one: X8's alpha, R32F's green, blue and alpha.
  if (f.opaque) glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_A, GL_ONE);
  if (format_ == D3DFMT_R32F) {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_G, GL_ONE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_B, GL_ONE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_A, GL_ONE);
  }
  if (HasTextureStorage()) {
    // One allocation for the whole chain, complete from the start: level by level, the driver
    // would make each level apart and copy them all into one chain at the first draw, holding
    // a large texture twice.
    glTexStorage2D(GL_TEXTURE_2D, static_cast<GLsizei>(levels_), f.internalFormat, static_cast<GLsizei>(width_),
                   static_cast<GLsizei>(height_));
  } else {
    for (UINT i = 0; i < levels_; ++i) {
      const D3DSURFACE_DESC& d = surfaces_[i]->desc();
      glTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(i), static_cast<GLint>(f.internalFormat),
                   static_cast<GLsizei>(d.Width), static_cast<GLsizei>(d.Height), 0, f.format, f.type, nullptr);
    }
  }
  glBindTexture(GL_TEXTURE_2D, 0);
  device()->markDirty(kDirtyTextures);
  return glGetError() == GL_NO_ERROR;
}

HRESULT Texture::QueryInterface(REFIID, void** ppvObj) {
  if (ppvObj) *ppvObj = nullptr;
  return E_NOINTERFACE;
}

HRESULT Texture::GetDevice(IDirect3DDevice9** out) {
  if (!out) return D3DERR_INVALIDCALL;
  device()->AddRef();
  *out = device();
  return D3D_OK;
}

DWORD Texture::SetLOD(DWORD lod) {
  if (pool_ != D3DPOOL_MANAGED) return 0;
  DWORD before = lod_;
  lod = std::min<DWORD>(lod, levels_ - 1);
  if (lod == lod_) return before;
  lod_ = lod;
  // The base level, not the sampler's minimum LOD, so that a stage without mip filtering (and
  // magnification) shows this level too.
  device()->makeCurrent();
  glBindTexture(GL_TEXTURE_2D, texture_);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, static_cast<GLint>(lod_));
  glBindTexture(GL_TEXTURE_2D, 0);
  device()->refreshSamplersOf(this);  // their minimum LOD counts from the base level
  return before;
}

static const char* FilterName(D3DTEXTUREFILTERTYPE filter) {
  switch (filter) {
    case D3DTEXF_POINT: return "D3DTEXF_POINT";
    case D3DTEXF_ANISOTROPIC: return "D3DTEXF_ANISOTROPIC";
    case D3DTEXF_PYRAMIDALQUAD: return "D3DTEXF_PYRAMIDALQUAD";
    case D3DTEXF_GAUSSIANQUAD: return "D3DTEXF_GAUSSIANQUAD";
    default: return "an unknown filter";
  }
}

HRESULT Texture::SetAutoGenFilterType(D3DTEXTUREFILTERTYPE filter) {
  if (filter == D3DTEXF_NONE) return D3DERR_INVALIDCALL;
  if (filter != D3DTEXF_LINEAR) {
    std::fprintf(stderr, "IDirect3DTexture9::SetAutoGenFilterType: %s (%lu) is not supported by this layer\n",
                 FilterName(filter), static_cast<unsigned long>(filter));
    return D3DERR_INVALIDCALL;
  }
  autoGenFilter_ = filter;
  return D3D_OK;
}

void Texture::GenerateMipSubLevels() {
  if (!texture_) return;
  device()->makeCurrent();
  glBindTexture(GL_TEXTURE_2D, texture_);
  // GL generates from the base level, Direct3D from level 0 whatever the LOD.
  if (lod_) glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
  glGenerateMipmap(GL_TEXTURE_2D);
  if (lod_) glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, static_cast<GLint>(lod_));
  glBindTexture(GL_TEXTURE_2D, 0);
  device()->markDirty(kDirtyTextures);
}

HRESULT Texture::GetLevelDesc(UINT level, D3DSURFACE_DESC* out) {
  if (!out || level >= levels_) return D3DERR_INVALIDCALL;
  *out = surfaces_[level]->desc();
  return D3D_OK;
}

HRESULT Texture::GetSurfaceLevel(UINT level, IDirect3DSurface9** out) {
  if (!out) return D3DERR_INVALIDCALL;
  *out = nullptr;
  if (level >= levels_) return D3DERR_INVALIDCALL;
  AddRef();
  *out = surfaces_[level];
  return D3D_OK;
}

HRESULT Texture::LockRect(UINT level, D3DLOCKED_RECT* out, const RECT* rect, DWORD) {
  if (!out || level >= levels_ || locked_[level] || !lockable()) return D3DERR_INVALIDCALL;
  if (ShouldFail("IDirect3DTexture9::LockRect")) return D3DERR_INVALIDCALL;
  const D3DSURFACE_DESC& d = surfaces_[level]->desc();
  GlFormat f;
  LookUpFormat(format_, &f);
  RECT whole{0, 0, static_cast<LONG>(d.Width), static_cast<LONG>(d.Height)};
  if (rect) {
    if (rect->left < 0 || rect->top < 0 || rect->right <= rect->left || rect->bottom <= rect->top ||
        static_cast<UINT>(rect->right) > d.Width || static_cast<UINT>(rect->bottom) > d.Height) {
      return D3DERR_INVALIDCALL;
    }
  }
  const RECT part = rect ? *rect : whole;
  const size_t partWidth = static_cast<size_t>(part.right - part.left);
  std::vector<uint8_t>& bytes = shadow_[level];
  const RECT& written = written_[level];
  const bool meetsWritten = written.right > written.left && part.left < written.right && written.left < part.right &&
                            part.top < written.bottom && written.top < part.bottom;
  if (bytes.empty() && rect && texture_ && !meetsWritten) {
    strip_[level].assign(partWidth * static_cast<size_t>(part.bottom - part.top) * f.bytesPerPixel, 0);
    out->Pitch = static_cast<INT>(partWidth * f.bytesPerPixel);
    out->pBits = strip_[level].data();
  } else {
    if (bytes.empty()) {
      bytes.assign(static_cast<size_t>(d.Width) * d.Height * f.bytesPerPixel, 0);
      if (texture_ && written.right > written.left) readLevel(level, &bytes);
    }
    out->Pitch = static_cast<INT>(d.Width * f.bytesPerPixel);
    out->pBits = bytes.data() + static_cast<size_t>(part.top) * out->Pitch +
                 static_cast<size_t>(part.left) * f.bytesPerPixel;
  }
  lockedRect_[level] = part;
  locked_[level] = true;
  return D3D_OK;
}

// What GL holds of a level, into a whole copy of it.
void Texture::readLevel(UINT level, std::vector<uint8_t>* bytes) {
  GlFormat f;
  LookUpFormat(format_, &f);
  device()->makeCurrent();
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glBindTexture(GL_TEXTURE_2D, texture_);
  glGetTexImage(GL_TEXTURE_2D, static_cast<GLint>(level), f.format, f.type, bytes->data());
  glBindTexture(GL_TEXTURE_2D, 0);
  device()->markDirty(kDirtyTextures);
}

HRESULT Texture::UnlockRect(UINT level) {
  if (level >= levels_ || !locked_[level]) return D3DERR_INVALIDCALL;
  locked_[level] = false;
  if (!texture_) return D3D_OK;  // system-memory texture: the pixels stay here
  const D3DSURFACE_DESC& d = surfaces_[level]->desc();
  const RECT& part = lockedRect_[level];
  GlFormat f;
  LookUpFormat(format_, &f);
  device()->makeCurrent();
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glBindTexture(GL_TEXTURE_2D, texture_);
  // Only the locked part is sent: filling a level strip by strip sends each strip once.
  const uint8_t* pixels = nullptr;
  if (!strip_[level].empty()) {
    pixels = strip_[level].data();
  } else {
    glPixelStorei(GL_UNPACK_ROW_LENGTH, static_cast<GLint>(d.Width));
    pixels = shadow_[level].data() + (static_cast<size_t>(part.top) * d.Width + static_cast<size_t>(part.left)) *
                                         f.bytesPerPixel;
  }
  glTexSubImage2D(GL_TEXTURE_2D, static_cast<GLint>(level), part.left, part.top, part.right - part.left,
                  part.bottom - part.top, f.format, f.type, pixels);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glBindTexture(GL_TEXTURE_2D, 0);
  std::vector<uint8_t>().swap(strip_[level]);
  RECT& written = written_[level];
  if (written.right <= written.left) {
    written = part;
  } else {
    written = RECT{std::min(written.left, part.left), std::min(written.top, part.top),
                   std::max(written.right, part.right), std::max(written.bottom, part.bottom)};
  }
  device()->markDirty(kDirtyTextures);
  return D3D_OK;
}

// ---- Buffers

BufferStore::~BufferStore() {
  if (buffer_) glDeleteBuffers(1, &buffer_);
}

bool BufferStore::create(UINT size, DWORD usage) {
  usage_ = (usage & D3DUSAGE_DYNAMIC) ? GL_STREAM_DRAW : GL_STATIC_DRAW;
  bytes_.assign(size, 0);
  glGenBuffers(1, &buffer_);
  // Bound through the copy-write target so that the device's VAO and bindings stay as cached.
  glBindBuffer(GL_COPY_WRITE_BUFFER, buffer_);
  glBufferData(GL_COPY_WRITE_BUFFER, size, nullptr, usage_);
  glBindBuffer(GL_COPY_WRITE_BUFFER, 0);
  return glGetError() == GL_NO_ERROR;
}

HRESULT BufferStore::lock(UINT offset, UINT size, DWORD flags, void** data, const char* failName) {
  if (!data) return D3DERR_INVALIDCALL;
  *data = nullptr;
  if (ShouldFail(failName)) return D3DERR_INVALIDCALL;
  if (locked_ || offset > bytes_.size()) return D3DERR_INVALIDCALL;
  if (size == 0) size = static_cast<UINT>(bytes_.size()) - offset;  // 0 locks the rest
  if (size > bytes_.size() - offset) return D3DERR_INVALIDCALL;
  lockOffset_ = offset;
  lockSize_ = size;
  lockFlags_ = flags;
  locked_ = true;
  *data = bytes_.data() + offset;
  return D3D_OK;
}

HRESULT BufferStore::unlock() {
  if (!locked_) return D3DERR_INVALIDCALL;
  locked_ = false;
  justUnlocked_ = false;
  if (lockSize_ == 0 || (lockFlags_ & D3DLOCK_READONLY)) return D3D_OK;
  justUnlocked_ = true;
  glBindBuffer(GL_COPY_WRITE_BUFFER, buffer_);
  if (lockFlags_ & D3DLOCK_DISCARD) {
    // New storage with the whole copy: draws queued on the old storage keep it.
    glBufferData(GL_COPY_WRITE_BUFFER, static_cast<GLsizeiptr>(bytes_.size()), bytes_.data(), usage_);
  } else if (lockFlags_ & D3DLOCK_NOOVERWRITE) {
    void* target = glMapBufferRange(GL_COPY_WRITE_BUFFER, lockOffset_, lockSize_,
                                    GL_MAP_WRITE_BIT | GL_MAP_UNSYNCHRONIZED_BIT | GL_MAP_INVALIDATE_RANGE_BIT);
    if (target) {
      std::memcpy(target, bytes_.data() + lockOffset_, lockSize_);
      glUnmapBuffer(GL_COPY_WRITE_BUFFER);
    } else {
      glBufferSubData(GL_COPY_WRITE_BUFFER, lockOffset_, lockSize_, bytes_.data() + lockOffset_);
    }
  } else {
    glBufferSubData(GL_COPY_WRITE_BUFFER, lockOffset_, lockSize_, bytes_.data() + lockOffset_);
  }
  glBindBuffer(GL_COPY_WRITE_BUFFER, 0);
  return D3D_OK;
}

template <typename Interface, typename Desc, D3DRESOURCETYPE kType>
HRESULT BufferResource<Interface, Desc, kType>::GetDevice(IDirect3DDevice9** out) {
  if (!out) return D3DERR_INVALIDCALL;
  device()->AddRef();
  *out = device();
  return D3D_OK;
}
template class BufferResource<IDirect3DVertexBuffer9, D3DVERTEXBUFFER_DESC, D3DRTYPE_VERTEXBUFFER>;
template class BufferResource<IDirect3DIndexBuffer9, D3DINDEXBUFFER_DESC, D3DRTYPE_INDEXBUFFER>;

VertexBuffer::~VertexBuffer() { device()->makeCurrent(); }

HRESULT VertexBuffer::Lock(UINT offset, UINT size, void** data, DWORD flags) {
  return store_.lock(offset, size, flags, data, "IDirect3DVertexBuffer9::Lock");
}

HRESULT VertexBuffer::Unlock() {
  device()->makeCurrent();
  return store_.unlock();
}

IndexBuffer::~IndexBuffer() {
  device()->makeCurrent();
  device()->forgetGlBuffer(store_.glBuffer());
}

uint32_t IndexBuffer::indexAt(size_t i) const {
  const uint8_t* p = store_.bytes();
  if (desc_.Format == D3DFMT_INDEX32) {
    uint32_t v;
    std::memcpy(&v, p + i * 4, 4);
    return v;
  }
  uint16_t v;
  std::memcpy(&v, p + i * 2, 2);
  return v;
}

void IndexBuffer::measure() {
  size_t count = store_.size() / (desc_.Format == D3DFMT_INDEX32 ? 4 : 2);
  uint32_t lo = UINT32_MAX, hi = 0;
  for (size_t i = 0; i < count; ++i) {
    uint32_t v = indexAt(i);
    lo = std::min(lo, v);
    hi = std::max(hi, v);
  }
  minIndex_ = count ? lo : 0;
  maxIndex_ = hi;
}

bool IndexBuffer::indicesWithin(UINT start, UINT count, uint64_t lo, uint64_t hi) const {
  UINT indexSize = desc_.Format == D3DFMT_INDEX32 ? 4 : 2;
  if ((static_cast<uint64_t>(start) + count) * indexSize > store_.size()) return false;
  if (minIndex_ >= lo && maxIndex_ < hi) return true;  // the whole buffer fits: no need to look
  for (UINT i = 0; i < count; ++i) {
    uint32_t v = indexAt(static_cast<size_t>(start) + i);
    if (v < lo || v >= hi) return false;
  }
  return true;
}

HRESULT IndexBuffer::Lock(UINT offset, UINT size, void** data, DWORD flags) {
  return store_.lock(offset, size, flags, data, "IDirect3DIndexBuffer9::Lock");
}

HRESULT IndexBuffer::Unlock() {
  device()->makeCurrent();
  HRESULT hr = store_.unlock();
  if (SUCCEEDED(hr) && store_.justUnlocked()) measure();
  return hr;
}

}  // namespace d3d9impl
