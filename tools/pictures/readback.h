// readback.h -- a render target read back through the Direct3D calls, into reused surfaces
//
// GetRenderTargetData copies the surface (resolving the back buffer's samples) into a
// system-memory offscreen plain surface made once; LockRect gives its rows. Every reader of
// pixels above the platform layer comes here: capture's frames, qolatool shot and frame, the
// tests and the benchmarks. With two copies a capture reads frame n into one while it draws
// frame n + 1 and converts frame n - 1 out of the other: GetRenderTargetData only starts the
// copy, and the wait for it happens at the copy's LockRect (a driver that reads back
// synchronously, as llvmpipe does, finishes drawing the frame and copies it right there).
#pragma once

#include <d3d9.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tools/pictures/image.h"

namespace pictures {

// The rows of a locked read-back surface: 4 bytes a pixel in the surface's memory order
// (B, G, R, X or A for X8R8G8B8 and A8R8G8B8; one float for R32F), row 0 at the top.
struct FrameView {
  const uint8_t* bgrx = nullptr;
  int pitch = 0;  // bytes from one row to the next
  int width = 0;
  int height = 0;
};

class SurfaceReader {
 public:
  SurfaceReader() = default;
  ~SurfaceReader() { Close(); }
  SurfaceReader(const SurfaceReader&) = delete;
  SurfaceReader& operator=(const SurfaceReader&) = delete;

  static constexpr int kMaxCopies = 4;

  // Makes copies (1 to kMaxCopies) system-memory copies for surface (X8R8G8B8, A8R8G8B8 or
  // R32F); a null surface means the device's back buffer. False with *problem set.
  bool Open(IDirect3DDevice9* device, IDirect3DSurface9* surface, std::string* problem, int copies = 1);
  // Reads the surface and locks copy 0: *view is valid until Unlock.
  bool Lock(FrameView* view);
  void Unlock();
  // The same in two steps on any copy: Read starts reading the surface as it is now into the
  // copy (refused while that copy is locked); Lock waits for that read and gives its rows.
  bool Read(int copy);
  bool Lock(int copy, FrameView* view);
  void Unlock(int copy);
  void Close();

 private:
  IDirect3DDevice9* device_ = nullptr;
  IDirect3DSurface9* source_ = nullptr;
  IDirect3DSurface9* copies_[kMaxCopies] = {};
  bool locked_[kMaxCopies] = {};
  int count_ = 0;
  int width_ = 0;
  int height_ = 0;
};

// The wait that ends a frame, as a Direct3D 9 program finishes one: an event query issued
// after the frame's commands, then asked with D3DGETDATA_FLUSH until it answers S_OK. On a
// renderer that draws only when something waits (llvmpipe), this is what makes the frame happen.
class GpuFence {
 public:
  GpuFence() = default;
  ~GpuFence() { Close(); }
  GpuFence(const GpuFence&) = delete;
  GpuFence& operator=(const GpuFence&) = delete;

  // Makes the event query on device; false when the device has none.
  bool Open(IDirect3DDevice9* device);
  // Returns once the GPU has drawn every command so far; at once when not open.
  void Wait();
  // Wait in two steps: Mark puts the fence after the commands so far, WaitForMark returns once
  // the GPU has drawn them, however many commands came after the mark.
  void Mark();
  void WaitForMark();
  // Whether the GPU has drawn everything before the mark, without waiting; true when unmarked.
  bool Passed();
  void Close();

 private:
  IDirect3DQuery9* query_ = nullptr;
  bool marked_ = false;  // issued and not waited for
};

// One-shot reads into an Image (A8R8G8B8's alpha kept, X8R8G8B8's read as 255).
bool ReadSurface(IDirect3DDevice9* device, IDirect3DSurface9* surface, Image* out);
bool ReadBackBuffer(IDirect3DDevice9* device, Image* out);
// An R32F render target as floats, row 0 at the top.
bool ReadFloatSurface(IDirect3DDevice9* device, IDirect3DSurface9* surface, std::vector<float>* out, int* width,
                      int* height);
// The view's pixels as an Image.
void ToImage(const FrameView& view, bool keepAlpha, Image* out);

}  // namespace pictures
