// frame_readback.h -- the back buffer read back through the Direct3D calls, into one reused surface
//
// GetRenderTargetData copies the back buffer (resolving its samples) into a system-memory
// offscreen plain surface made once; LockRect gives its rows. The pixels are X8R8G8B8: bytes
// B, G, R, X in memory, row 0 at the top.
#pragma once

#include <d3d9.h>

#include <cstdint>
#include <string>

namespace capture {

struct FrameImage {
  const uint8_t* bgrx = nullptr;
  int pitch = 0;  // bytes from one row to the next
  int width = 0;
  int height = 0;
};

class BackBufferReader {
 public:
  BackBufferReader() = default;
  ~BackBufferReader() { Close(); }
  BackBufferReader(const BackBufferReader&) = delete;
  BackBufferReader& operator=(const BackBufferReader&) = delete;

  // Makes the system-memory surface for device's back buffer. False with *problem set.
  bool Open(IDirect3DDevice9* device, std::string* problem);
  // Reads the back buffer and locks the copy: *image is valid until Unlock.
  bool Lock(FrameImage* image);
  void Unlock();
  void Close();

 private:
  IDirect3DDevice9* device_ = nullptr;
  IDirect3DSurface9* backBuffer_ = nullptr;
  IDirect3DSurface9* copy_ = nullptr;
  int width_ = 0;
  int height_ = 0;
  bool locked_ = false;
};

}  // namespace capture
