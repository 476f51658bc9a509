// readback.cpp -- GetRenderTargetData into a system-memory surface, then LockRect
#include "tools/pictures/readback.h"

#include <cstdio>
#include <cstring>

namespace pictures {

namespace {

std::string Failed(const char* call, HRESULT hr) {
  char text[96];
  std::snprintf(text, sizeof text, "%s failed (0x%08x)", call, static_cast<unsigned>(hr));
  return text;
}

bool Readable(D3DFORMAT format) {
  return format == D3DFMT_X8R8G8B8 || format == D3DFMT_A8R8G8B8 || format == D3DFMT_R32F;
}

}  // namespace

bool SurfaceReader::Open(IDirect3DDevice9* device, IDirect3DSurface9* surface, std::string* problem, int copies) {
  Close();
  if (!device) {
    *problem = "no Direct3D device to read pixels from";
    return false;
  }
  if (copies < 1 || copies > kMaxCopies) {
    *problem = "a reader keeps 1 to " + std::to_string(kMaxCopies) + " copies, not " + std::to_string(copies);
    return false;
  }
  device_ = device;
  HRESULT hr = D3D_OK;
  if (surface) {
    surface->AddRef();
    source_ = surface;
  } else if (FAILED(hr = device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &source_))) {
    *problem = Failed("GetBackBuffer", hr);
    return false;
  }
  D3DSURFACE_DESC desc;
  if (FAILED(hr = source_->GetDesc(&desc))) {
    *problem = Failed("IDirect3DSurface9::GetDesc", hr);
    return false;
  }
  if (!Readable(desc.Format)) {
    *problem = "the surface is not X8R8G8B8, A8R8G8B8 or R32F";
    return false;
  }
  for (count_ = 0; count_ < copies; ++count_) {
    hr = device->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format, D3DPOOL_SYSTEMMEM,
                                             &copies_[count_], nullptr);
    if (FAILED(hr)) {
      *problem = Failed("CreateOffscreenPlainSurface", hr);
      return false;
    }
  }
  width_ = static_cast<int>(desc.Width);
  height_ = static_cast<int>(desc.Height);
  return true;
}

bool SurfaceReader::Read(int copy) {
  if (copy < 0 || copy >= count_ || locked_[copy]) return false;
  return SUCCEEDED(device_->GetRenderTargetData(source_, copies_[copy]));
}

bool SurfaceReader::Lock(int copy, FrameView* view) {
  if (copy < 0 || copy >= count_ || locked_[copy]) return false;
  D3DLOCKED_RECT rect;
  if (FAILED(copies_[copy]->LockRect(&rect, nullptr, D3DLOCK_READONLY))) return false;
  locked_[copy] = true;
  view->bgrx = static_cast<const uint8_t*>(rect.pBits);
  view->pitch = rect.Pitch;
  view->width = width_;
  view->height = height_;
  return true;
}

void SurfaceReader::Unlock(int copy) {
  if (copy < 0 || copy >= count_ || !locked_[copy]) return;
  copies_[copy]->UnlockRect();
  locked_[copy] = false;
}

bool SurfaceReader::Lock(FrameView* view) { return Read(0) && Lock(0, view); }

void SurfaceReader::Unlock() { Unlock(0); }

void SurfaceReader::Close() {
  for (int i = 0; i < kMaxCopies; ++i) {
    Unlock(i);
    if (copies_[i]) copies_[i]->Release();
    copies_[i] = nullptr;
  }
  count_ = 0;
  if (source_) source_->Release();
  source_ = nullptr;
  device_ = nullptr;
}

bool GpuFence::Open(IDirect3DDevice9* device) {
  Close();
  return device && SUCCEEDED(device->CreateQuery(D3DQUERYTYPE_EVENT, &query_));
}

void GpuFence::Wait() {
  Mark();
  WaitForMark();
}

void GpuFence::Mark() {
  marked_ = query_ && SUCCEEDED(query_->Issue(D3DISSUE_END));
}

void GpuFence::WaitForMark() {
  if (!marked_) return;
  marked_ = false;
  while (query_->GetData(nullptr, 0, D3DGETDATA_FLUSH) == S_FALSE) {
  }
}

bool GpuFence::Passed() {
  if (marked_ && query_->GetData(nullptr, 0, 0) == S_FALSE) return false;
  marked_ = false;
  return true;
}

void GpuFence::Close() {
  if (query_) query_->Release();
  query_ = nullptr;
}

void ToImage(const FrameView& view, bool keepAlpha, Image* out) {
  *out = Image(view.width, view.height);
  for (int y = 0; y < view.height; ++y) {
    const uint8_t* row = view.bgrx + static_cast<size_t>(y) * view.pitch;
    uint8_t* p = out->at(0, y);
    for (int x = 0; x < view.width; ++x, p += 4) {
      p[0] = row[x * 4 + 2];  // the surface's bytes are B, G, R, X or A
      p[1] = row[x * 4 + 1];
      p[2] = row[x * 4 + 0];
      p[3] = keepAlpha ? row[x * 4 + 3] : 255;
    }
  }
}

bool ReadSurface(IDirect3DDevice9* device, IDirect3DSurface9* surface, Image* out) {
  D3DSURFACE_DESC desc;
  if (!surface || FAILED(surface->GetDesc(&desc))) return false;
  if (desc.Format != D3DFMT_A8R8G8B8 && desc.Format != D3DFMT_X8R8G8B8) return false;
  SurfaceReader reader;
  std::string problem;
  FrameView view;
  if (!reader.Open(device, surface, &problem) || !reader.Lock(&view)) return false;
  ToImage(view, desc.Format == D3DFMT_A8R8G8B8, out);
  return true;
}

bool ReadBackBuffer(IDirect3DDevice9* device, Image* out) {
  IDirect3DSurface9* back = nullptr;
  if (!device || FAILED(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back))) return false;
  bool ok = ReadSurface(device, back, out);
  back->Release();
  return ok;
}

bool ReadFloatSurface(IDirect3DDevice9* device, IDirect3DSurface9* surface, std::vector<float>* out, int* width,
                      int* height) {
  D3DSURFACE_DESC desc;
  if (!surface || FAILED(surface->GetDesc(&desc)) || desc.Format != D3DFMT_R32F) return false;
  SurfaceReader reader;
  std::string problem;
  FrameView view;
  if (!reader.Open(device, surface, &problem) || !reader.Lock(&view)) return false;
  out->resize(static_cast<size_t>(view.width) * view.height);
  for (int y = 0; y < view.height; ++y)
    std::memcpy(out->data() + static_cast<size_t>(y) * view.width, view.bgrx + static_cast<size_t>(y) * view.pitch,
                static_cast<size_t>(view.width) * 4);
  *width = view.width;
  *height = view.height;
  return true;
}

}  // namespace pictures
