// d3d9_framebuffer.cpp -- render targets, depth surfaces, the framebuffer cache, Clear and readbacks
//
// Framebuffer objects are cached by their two attachments and dropped when either surface goes.
// Blits, fills and readbacks attach their surfaces to two framebuffers made with the device and
// resolve multisampled surfaces into kept targets, so none of them creates a GL object per call.
// GetRenderTargetData does not wait for the GPU: it starts a copy into the system-memory
// surface's pixel buffer, and the surface's LockRect waits for it and takes the pixels.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/d3d9/d3d9_device.h"

namespace d3d9impl {

namespace {

void Attach(GLenum target, GLenum attachment, Surface* s) {
  if (s->kind() == Surface::Kind::kTextureLevel) {
    glFramebufferTexture2D(target, attachment, GL_TEXTURE_2D, s->texture()->glTexture(),
                           static_cast<GLint>(s->level()));
  } else {
    glFramebufferRenderbuffer(target, attachment, GL_RENDERBUFFER, s->renderbuffer());
  }
}

void Attach(GLenum attachment, Surface* s) { Attach(GL_FRAMEBUFFER, attachment, s); }

// GL's completeness rules for the attachments this layer makes, decided from the descriptions:
// Direct3D wants a depth surface at least as large as the target, with the same sampling.
bool FitTogether(const Surface* color, const Surface* depth) {
  if (!depth) return true;
  const D3DSURFACE_DESC& c = color->desc();
  const D3DSURFACE_DESC& d = depth->desc();
  return c.MultiSampleType == d.MultiSampleType && d.Width >= c.Width && d.Height >= c.Height;
}

bool IsFloatFormat(D3DFORMAT f) { return f == D3DFMT_R32F; }

GLenum DepthAttachment(Surface* s) {
  return s->desc().Format == D3DFMT_D24S8 ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT;
}

}  // namespace

FramebufferEntry* Device::framebufferFor(Surface* color, Surface* depth) {
  for (FramebufferEntry& e : framebuffers_) {
    if (e.fbo && e.color == color && e.depth == depth) {
      e.lastUse = ++framebufferClock_;
      return &e;
    }
  }
  // A free slot, or else the one used longest ago.
  FramebufferEntry* oldest = &framebuffers_[0];
  for (FramebufferEntry& e : framebuffers_) {
    if (!e.fbo) {
      oldest = &e;
      break;
    }
    if (e.lastUse < oldest->lastUse) oldest = &e;
  }
  FramebufferEntry& e = *oldest;
  if (!e.fbo) glGenFramebuffers(1, &e.fbo);
  e.color = color;
  e.depth = depth;
  e.lastUse = ++framebufferClock_;
  glBindFramebuffer(GL_FRAMEBUFFER, e.fbo);
  boundFbo_ = e.fbo;
  Attach(GL_COLOR_ATTACHMENT0, color);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, 0);
  if (depth) Attach(DepthAttachment(depth), depth);
  e.complete = FitTogether(color, depth);
  if (!e.complete) {
    std::fprintf(stderr, "IDirect3DDevice9: the render target and depth surface do not fit together "
                         "(%ux%u, %d samples, and %ux%u, %d samples)\n",
                 color->desc().Width, color->desc().Height, static_cast<int>(color->desc().MultiSampleType),
                 depth ? depth->desc().Width : 0, depth ? depth->desc().Height : 0,
                 depth ? static_cast<int>(depth->desc().MultiSampleType) : 0);
  }
  return &e;
}

void Device::forgetSurface(Surface* surface) {
  if (!context_) return;
  // The blit framebuffers may still hold it; detached so that GL frees its storage now.
  for (GLuint fbo : {blitReadFbo_, blitDrawFbo_}) {
    if (!fbo) continue;
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, 0);
    boundFbo_ = fbo;
    dirty_ |= kDirtyFramebuffer;
  }
  for (FramebufferEntry& e : framebuffers_) {
    if (e.fbo && (e.color == surface || e.depth == surface)) {
      if (boundFbo_ == e.fbo) boundFbo_ = 0;
      glDeleteFramebuffers(1, &e.fbo);
      e = FramebufferEntry();
      dirty_ |= kDirtyFramebuffer;
    }
  }
}

bool Device::applyFramebuffer() {
  FramebufferEntry* e = framebufferFor(state_.renderTarget, state_.depthStencil);
  if (boundFbo_ != e->fbo || (dirty_ & kDirtyFramebuffer)) {
    glBindFramebuffer(GL_FRAMEBUFFER, e->fbo);
    boundFbo_ = e->fbo;
  }
  dirty_ &= ~kDirtyFramebuffer;
  return e->complete;
}

HRESULT Device::SetRenderTarget(DWORD index, IDirect3DSurface9* target) {
  Surface* s = static_cast<Surface*>(target);
  if (index != 0 || !s || s->device() != this || !s->isRenderTarget()) return D3DERR_INVALIDCALL;
  if (s != state_.renderTarget) {
    s->bindForDevice();
    Surface* old = state_.renderTarget;
    state_.renderTarget = s;
    makeCurrent();
    old->unbindForDevice();
    dirty_ |= kDirtyFramebuffer;
  }
  // Setting render target 0 always resets the viewport to the whole surface.
  state_.viewport = {0, 0, s->desc().Width, s->desc().Height, 0.f, 1.f};
  state_.scissor = {0, 0, static_cast<LONG>(s->desc().Width), static_cast<LONG>(s->desc().Height)};
  dirty_ |= kDirtyViewport | kDirtyScissor | kDirtyTransforms;
  return D3D_OK;
}

HRESULT Device::GetRenderTarget(DWORD index, IDirect3DSurface9** out) {
  if (!out) return D3DERR_INVALIDCALL;
  *out = nullptr;
  if (index != 0) return D3DERR_NOTFOUND;
  state_.renderTarget->AddRef();
  *out = state_.renderTarget;
  return D3D_OK;
}

HRESULT Device::SetDepthStencilSurface(IDirect3DSurface9* surface) {
  Surface* s = static_cast<Surface*>(surface);
  if (s && (s->device() != this || !s->isDepthStencil())) return D3DERR_INVALIDCALL;
  if (s == state_.depthStencil) return D3D_OK;
  if (s) s->bindForDevice();
  Surface* old = state_.depthStencil;
  state_.depthStencil = s;
  makeCurrent();
  if (old) old->unbindForDevice();
  dirty_ |= kDirtyFramebuffer | kDirtyDepth;
  return D3D_OK;
}

HRESULT Device::GetDepthStencilSurface(IDirect3DSurface9** out) {
  if (!out) return D3DERR_INVALIDCALL;
  *out = state_.depthStencil;
  if (!*out) return D3DERR_NOTFOUND;
  state_.depthStencil->AddRef();
  return D3D_OK;
}

// Clear writes every channel and depth whatever the write masks say, inside the viewport
// (and the scissor rectangle when the scissor test is on), as Direct3D's Clear does.
HRESULT Device::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z, DWORD stencil) {
  if (count > 0 && !rects) return D3DERR_INVALIDCALL;
  if ((flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) && !state_.depthStencil) return D3DERR_INVALIDCALL;
  if ((flags & D3DCLEAR_STENCIL) && state_.depthStencil->desc().Format != D3DFMT_D24S8) return D3DERR_INVALIDCALL;
  makeCurrent();
  if (!applyFramebuffer()) return D3DERR_INVALIDCALL;
  GLbitfield mask = 0;
  if (flags & D3DCLEAR_TARGET) {
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glClearColor(((color >> 16) & 0xff) / 255.f, ((color >> 8) & 0xff) / 255.f, (color & 0xff) / 255.f,
                 (color >> 24) / 255.f);
    mask |= GL_COLOR_BUFFER_BIT;
  }
  if (flags & D3DCLEAR_ZBUFFER) {
    glDepthMask(GL_TRUE);
    glClearDepth(std::min(1.f, std::max(0.f, z)));
    mask |= GL_DEPTH_BUFFER_BIT;
  }
  if (flags & D3DCLEAR_STENCIL) {
    glStencilMask(0xff);
    glClearStencil(static_cast<GLint>(stencil & 0xff));
    mask |= GL_STENCIL_BUFFER_BIT;
  }
  dirty_ |= kDirtyColorMask | kDirtyDepth | kDirtyScissor;
  if (!mask) return D3D_OK;
  const D3DVIEWPORT9& v = state_.viewport;
  LONG left = static_cast<LONG>(v.X), top = static_cast<LONG>(v.Y);
  LONG right = left + static_cast<LONG>(v.Width), bottom = top + static_cast<LONG>(v.Height);
  if (state_.renderStates[D3DRS_SCISSORTESTENABLE]) {
    left = std::max(left, state_.scissor.left);
    top = std::max(top, state_.scissor.top);
    right = std::min(right, state_.scissor.right);
    bottom = std::min(bottom, state_.scissor.bottom);
  }
  glEnable(GL_SCISSOR_TEST);
  DWORD n = count ? count : 1;
  for (DWORD i = 0; i < n; ++i) {
    LONG l = left, t = top, r = right, b = bottom;
    if (count) {
      l = std::max(l, rects[i].x1);
      t = std::max(t, rects[i].y1);
      r = std::min(r, rects[i].x2);
      b = std::min(b, rects[i].y2);
    }
    if (r <= l || b <= t) continue;
    glScissor(l, t, r - l, b - t);  // row 0 is the top (d3d9_device.h)
    glClear(mask);
  }
  return D3D_OK;
}

// Attaches a surface as colour attachment 0 of one of the blit framebuffers.
void Device::attachForBlit(GLenum target, GLuint fbo, Surface* surface) {
  glBindFramebuffer(target, fbo);
  Attach(target, GL_COLOR_ATTACHMENT0, surface);
}

// Makes (or keeps) a single-sample colour target of the given size and format.
bool Device::resolveTarget(ResolveTarget* t, UINT width, UINT height, GLenum internalFormat) {
  if (t->fbo && t->width == width && t->height == height && t->internalFormat == internalFormat) return true;
  if (!t->fbo) {
    glGenFramebuffers(1, &t->fbo);
    glGenRenderbuffers(1, &t->renderbuffer);
  }
  glBindRenderbuffer(GL_RENDERBUFFER, t->renderbuffer);
  glRenderbufferStorage(GL_RENDERBUFFER, internalFormat, static_cast<GLsizei>(width), static_cast<GLsizei>(height));
  glBindRenderbuffer(GL_RENDERBUFFER, 0);
  glBindFramebuffer(GL_FRAMEBUFFER, t->fbo);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, t->renderbuffer);
  boundFbo_ = t->fbo;
  dirty_ |= kDirtyFramebuffer;
  t->width = width;
  t->height = height;
  t->internalFormat = internalFormat;
  return true;
}

// Starts reading a colour surface into a surface's pixel buffer, row 0 = top, rows packed; a
// multisampled surface is resolved first (the back buffer into the target Present uses, others
// into one kept for readbacks). GL copies into the buffer when the commands before it are done,
// so nothing waits here; the flush sends the frame to the driver at once.
void Device::readPixels(Surface* source, GLuint packBuffer) {
  GlFormat f;
  LookUpFormat(source->desc().Format, &f);
  const D3DSURFACE_DESC& d = source->desc();
  GLsizei w = static_cast<GLsizei>(d.Width), h = static_cast<GLsizei>(d.Height);
  GLuint readFrom = blitReadFbo_;
  if (source == backBuffer_) {
    readFrom = presentReadFbo_;
  } else {
    attachForBlit(GL_FRAMEBUFFER, blitReadFbo_, source);
  }
  if (d.MultiSampleType != D3DMULTISAMPLE_NONE) {
    ResolveTarget* target = source == backBuffer_ ? &backResolve_ : &otherResolve_;
    resolveTarget(target, d.Width, d.Height, f.internalFormat);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, readFrom);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, target->fbo);
    glDisable(GL_SCISSOR_TEST);
    glBlitFramebuffer(0, 0, w, h, 0, 0, w, h, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    readFrom = target->fbo;
  }
  glBindFramebuffer(GL_READ_FRAMEBUFFER, readFrom);
  glBindBuffer(GL_PIXEL_PACK_BUFFER, packBuffer);
  glReadPixels(0, 0, w, h, f.format, f.type, nullptr);
  glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
  glFlush();
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  boundFbo_ = 0;
  dirty_ |= kDirtyFramebuffer | kDirtyScissor;
}

// The pixels of the last readback into destination's memory: mapping the buffer waits until GL
// has written it. X8 formats' unused byte reads as 0xff.
bool Device::collectReadback(Surface* destination) {
  makeCurrent();
  GlFormat f;
  LookUpFormat(destination->desc().Format, &f);
  std::vector<uint8_t>& memory = destination->memory();
  glBindBuffer(GL_PIXEL_PACK_BUFFER, destination->packBuffer());
  const auto* pixels = static_cast<const uint8_t*>(
      glMapBufferRange(GL_PIXEL_PACK_BUFFER, 0, static_cast<GLsizeiptr>(memory.size()), GL_MAP_READ_BIT));
  if (pixels) {
    std::memcpy(memory.data(), pixels, memory.size());
    glUnmapBuffer(GL_PIXEL_PACK_BUFFER);
  }
  glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
  if (!pixels) return false;
  if (f.opaque) {
    for (size_t i = 3; i < memory.size(); i += 4) memory[i] = 0xff;
  }
  return true;
}

HRESULT Device::GetRenderTargetData(IDirect3DSurface9* renderTarget, IDirect3DSurface9* dest) {
  Surface* src = static_cast<Surface*>(renderTarget);
  Surface* dst = static_cast<Surface*>(dest);
  if (!src || !dst || src->device() != this || dst->device() != this) return D3DERR_INVALIDCALL;
  if (!src->isRenderTarget() || dst->desc().Pool != D3DPOOL_SYSTEMMEM || dst->locked()) return D3DERR_INVALIDCALL;
  const D3DSURFACE_DESC& s = src->desc();
  const D3DSURFACE_DESC& d = dst->desc();
  if (s.Width != d.Width || s.Height != d.Height || s.Format != d.Format) return D3DERR_INVALIDCALL;
  GlFormat f;
  if (!LookUpFormat(s.Format, &f) || f.depth || !dst->packBuffer()) return D3DERR_INVALIDCALL;
  makeCurrent();
  readPixels(src, dst->packBuffer());
  dst->setReadPending();
  return D3D_OK;
}

HRESULT Device::StretchRect(IDirect3DSurface9* source, const RECT* sourceRect, IDirect3DSurface9* dest,
                            const RECT* destRect, D3DTEXTUREFILTERTYPE filter) {
  Surface* src = static_cast<Surface*>(source);
  Surface* dst = static_cast<Surface*>(dest);
  if (!src || !dst || src == dst || src->device() != this || dst->device() != this) return D3DERR_INVALIDCALL;
  if (src->desc().Pool != D3DPOOL_DEFAULT || !dst->isRenderTarget() || src->isDepthStencil()) {
    return D3DERR_INVALIDCALL;
  }
  auto full = [](Surface* s) {
    return RECT{0, 0, static_cast<LONG>(s->desc().Width), static_cast<LONG>(s->desc().Height)};
  };
  RECT sr = sourceRect ? *sourceRect : full(src), dr = destRect ? *destRect : full(dst);
  auto inside = [](const RECT& r, Surface* s) {
    return r.left >= 0 && r.top >= 0 && r.right > r.left && r.bottom > r.top &&
           static_cast<UINT>(r.right) <= s->desc().Width && static_cast<UINT>(r.bottom) <= s->desc().Height;
  };
  if (!inside(sr, src) || !inside(dr, dst)) return D3DERR_INVALIDCALL;
  // What GL's blit refuses is refused here, before any GL call: float and fixed-point colour
  // do not mix, a multisampled destination cannot be blitted into, and a multisampled source
  // is only resolved, unscaled, into the same format.
  const D3DSURFACE_DESC& sd = src->desc();
  const D3DSURFACE_DESC& dd = dst->desc();
  if (IsFloatFormat(sd.Format) != IsFloatFormat(dd.Format) || dd.MultiSampleType != D3DMULTISAMPLE_NONE) {
    return D3DERR_INVALIDCALL;
  }
  if (sd.MultiSampleType != D3DMULTISAMPLE_NONE &&
      (sd.Format != dd.Format || sr.right - sr.left != dr.right - dr.left || sr.bottom - sr.top != dr.bottom - dr.top)) {
    return D3DERR_INVALIDCALL;
  }
  if (IsFloatFormat(sd.Format) && filter == D3DTEXF_LINEAR) filter = D3DTEXF_POINT;  // GL filters float blits by nearest only
  makeCurrent();
  attachForBlit(GL_READ_FRAMEBUFFER, blitReadFbo_, src);
  attachForBlit(GL_DRAW_FRAMEBUFFER, blitDrawFbo_, dst);
  glDisable(GL_SCISSOR_TEST);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glBlitFramebuffer(sr.left, sr.top, sr.right, sr.bottom, dr.left, dr.top, dr.right, dr.bottom, GL_COLOR_BUFFER_BIT,
                    filter == D3DTEXF_LINEAR ? GL_LINEAR : GL_NEAREST);
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  boundFbo_ = 0;
  dirty_ |= kDirtyFramebuffer | kDirtyScissor | kDirtyColorMask;
  return D3D_OK;
}

HRESULT Device::ColorFill(IDirect3DSurface9* surface, const RECT* rect, D3DCOLOR color) {
  Surface* s = static_cast<Surface*>(surface);
  if (!s || s->device() != this || !s->isRenderTarget()) return D3DERR_INVALIDCALL;
  RECT r = rect ? *rect : RECT{0, 0, static_cast<LONG>(s->desc().Width), static_cast<LONG>(s->desc().Height)};
  if (r.left < 0 || r.top < 0 || r.right <= r.left || r.bottom <= r.top ||
      static_cast<UINT>(r.right) > s->desc().Width || static_cast<UINT>(r.bottom) > s->desc().Height) {
    return D3DERR_INVALIDCALL;
  }
  makeCurrent();
  attachForBlit(GL_FRAMEBUFFER, blitDrawFbo_, s);
  glEnable(GL_SCISSOR_TEST);
  glScissor(r.left, r.top, r.right - r.left, r.bottom - r.top);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glClearColor(((color >> 16) & 0xff) / 255.f, ((color >> 8) & 0xff) / 255.f, (color & 0xff) / 255.f,
               (color >> 24) / 255.f);
  glClear(GL_COLOR_BUFFER_BIT);
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  boundFbo_ = 0;
  dirty_ |= kDirtyFramebuffer | kDirtyScissor | kDirtyColorMask;
  return D3D_OK;
}

}  // namespace d3d9impl
