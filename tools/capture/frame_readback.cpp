// frame_readback.cpp -- GetRenderTargetData into a system-memory surface, then LockRect
#include "tools/capture/frame_readback.h"

#include <cstdio>

namespace capture {

namespace {

std::string Failed(const char* call, HRESULT hr) {
  char text[96];
  std::snprintf(text, sizeof text, "%s failed (0x%08x)", call, static_cast<unsigned>(hr));
  return text;
}

}  // namespace

bool BackBufferReader::Open(IDirect3DDevice9* device, std::string* problem) {
  Close();
  if (!device) {
    *problem = "no Direct3D device to read frames from";
    return false;
  }
  device_ = device;
  HRESULT hr = device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer_);
  if (FAILED(hr)) {
    *problem = Failed("GetBackBuffer", hr);
    return false;
  }
  D3DSURFACE_DESC desc;
  hr = backBuffer_->GetDesc(&desc);
  if (FAILED(hr)) {
    *problem = Failed("IDirect3DSurface9::GetDesc", hr);
    return false;
  }
  if (desc.Format != D3DFMT_X8R8G8B8 && desc.Format != D3DFMT_A8R8G8B8) {
    *problem = "the back buffer is not X8R8G8B8 or A8R8G8B8";
    return false;
  }
  hr = device->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format, D3DPOOL_SYSTEMMEM, &copy_, nullptr);
  if (FAILED(hr)) {
    *problem = Failed("CreateOffscreenPlainSurface", hr);
    return false;
  }
  width_ = static_cast<int>(desc.Width);
  height_ = static_cast<int>(desc.Height);
  return true;
}

bool BackBufferReader::Lock(FrameImage* image) {
  if (!copy_ || locked_) return false;
  if (FAILED(device_->GetRenderTargetData(backBuffer_, copy_))) return false;
  D3DLOCKED_RECT rect;
  if (FAILED(copy_->LockRect(&rect, nullptr, D3DLOCK_READONLY))) return false;
  locked_ = true;
  image->bgrx = static_cast<const uint8_t*>(rect.pBits);
  image->pitch = rect.Pitch;
  image->width = width_;
  image->height = height_;
  return true;
}

void BackBufferReader::Unlock() {
  if (locked_) copy_->UnlockRect();
  locked_ = false;
}

void BackBufferReader::Close() {
  Unlock();
  if (copy_) copy_->Release();
  if (backBuffer_) backBuffer_->Release();
  copy_ = nullptr;
  backBuffer_ = nullptr;
  device_ = nullptr;
}

}  // namespace capture
