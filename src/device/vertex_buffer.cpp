// vertex_buffer.cpp -- VertexBuffer: creation, filling under a lock, binding as a stream
#include "src/device/vertex_buffer.h"

#include <cstdint>
#include <cstring>

VertexBuffer::VertexBuffer() : fvf(0), stride(0), buffer(nullptr), device(nullptr) {}

VertexBuffer::~VertexBuffer() {
  if (buffer) {
    buffer->Release();
    buffer = nullptr;
  }
}

HRESULT VertexBuffer::Create(IDirect3DDevice9* device_, int stride_, int count, DWORD usage,
                             DWORD fvf_, D3DPOOL pool) {
  device = device_;
  fvf = fvf_;
  stride = stride_;
  int64_t length = static_cast<int64_t>(stride_) * count;
  if (!device || stride_ <= 0 || count <= 0 || length > UINT32_MAX) return D3DERR_INVALIDCALL;
  return device->CreateVertexBuffer(static_cast<UINT>(length), usage, fvf, pool, &buffer, nullptr);
}

HRESULT VertexBuffer::Fill(const void* source, UINT byteCount, DWORD lockFlags) {
  if (!buffer || (!source && byteCount > 0)) return D3DERR_INVALIDCALL;
  D3DVERTEXBUFFER_DESC desc;
  if (FAILED(buffer->GetDesc(&desc)) || byteCount > desc.Size) return D3DERR_INVALIDCALL;
  void* data = nullptr;
  HRESULT hr = buffer->Lock(0, byteCount, &data, lockFlags);
  if (FAILED(hr)) return hr;
  if (byteCount > 0) std::memcpy(data, source, byteCount);
  buffer->Unlock();
  return 0;
}

void VertexBuffer::Bind(UINT streamNumber, UINT offsetInBytes) {
  if (!device) return;
  device->SetFVF(fvf);
  device->SetStreamSource(streamNumber, buffer, offsetInBytes, static_cast<UINT>(stride));
}
