// vertex_buffer.h -- VertexBuffer: a Direct3D vertex buffer with its vertex format and stride
#pragma once

#include <d3d9.h>

#include "src/device/device_resource.h"

class VertexBuffer : public DeviceResource {
 public:
  VertexBuffer();
  ~VertexBuffer() override;

  // IDirect3DDevice9::CreateVertexBuffer of stride x count bytes. Records device, fvf and stride
  // whatever the outcome; the call's result, D3DERR_INVALIDCALL for a null device or a size
  // that is negative, zero or past 32 bits.
  HRESULT Create(IDirect3DDevice9* device, int stride, int count, DWORD usage, DWORD fvf,
                 D3DPOOL pool);
  // Copies byteCount bytes from source into the buffer from offset 0 under one lock with
  // lockFlags. 0 on success; the lock's failure code, or D3DERR_INVALIDCALL when there is no
  // buffer, no source or more bytes than the buffer holds.
  HRESULT Fill(const void* source, UINT byteCount, DWORD lockFlags);
  // SetFVF and SetStreamSource for the following draws.
  void Bind(UINT streamNumber, UINT offsetInBytes);

  DWORD fvf;
  int stride;
  IDirect3DVertexBuffer9* buffer;  // owned
  IDirect3DDevice9* device;        // not owned
};
