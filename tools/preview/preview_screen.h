// preview_screen.h -- one preview frame: the demo's picture at a time, letterboxed, over the strip
//
// The demo draws into a render target of its own back buffer's kind (1024 x 768, four samples,
// D16 depth), so its picture is the one `qolatool frame` reads back; the demo's code saves and
// restores the render target it finds, as it does with its back buffer. The preview's back
// buffer (the window's size, one sample) then gets the picture resolved and scaled into its
// place and the strip under it. Everything is made in Create; a frame allocates nothing.
#pragma once

#include <d3d9.h>

#include <cstdint>

#include "tools/preview/strip_painter.h"
#include "tools/preview/strip_renderer.h"
#include "tools/preview/transport.h"
#include "tools/preview/waveform.h"

class Device;

namespace preview {

// What the readout says beyond the time.
struct FrameReadout {
  uint32_t timeMs = 0;
  bool paused = false;
  bool loopOn = false, hasLoop = false;
  uint32_t loopStart = 0, loopEnd = 0;
  const char* message = "";  // a refusal, shown in red
  double fps = 0.0;
  double lastFrameMs = 0.0;
};

class PreviewScreen {
 public:
  static constexpr int kDemoWidth = 1024;
  static constexpr int kDemoHeight = 768;

  PreviewScreen(const StripModel& model, const Waveform* waveform);
  ~PreviewScreen() { Release(); }
  PreviewScreen(const PreviewScreen&) = delete;
  PreviewScreen& operator=(const PreviewScreen&) = delete;

  // The surfaces, the strip's textures and its painter for screen (a render target of one
  // sample; null for the device's back buffer). False with *problem when one cannot be made.
  // Release puts back the render target and depth surface the device had.
  bool Create(Device* device, IDirect3DSurface9* screen, std::string* problem);
  void Release();

  // The demo's frame at readout.timeMs (the platform's clocks held at that time while it draws),
  // then the picture and, when shown, the strip into the back buffer. The caller presents.
  void Draw(const FrameReadout& readout);
  // The demo's frame alone, into its own render target (for the benchmark's comparison).
  void DrawDemo(uint32_t timeMs);

  // The model or the waveform changed (a script or music reloaded): the strip is laid out and
  // painted again.
  void ModelChanged();
  void SetWaveform(const Waveform* waveform);

  void SetStripShown(bool shown) { stripShown_ = shown; }
  bool StripShown() const { return stripShown_; }
  // Where a point of the back buffer seeks on the strip; false off the strip (or hidden).
  bool SeekAt(int x, int y, uint32_t* ms) const;
  // The picture's place in the back buffer.
  RECT PictureRect() const;
  int Width() const { return width_; }
  int Height() const { return height_; }
  const StripLayout& Layout() const { return layout_; }
  // How many times the strip was painted (and uploaded).
  uint32_t Paints() const { return paints_; }

 private:
  void DrawStrip(const FrameReadout& readout, int top);
  void Readout(const FrameReadout& readout, int top);

  const StripModel& model_;
  const Waveform* waveform_;
  StripLayout layout_;
  StripPainter* painter_ = nullptr;
  StripRenderer renderer_;
  StripView painted_;
  bool everPainted_ = false;
  uint32_t paints_ = 0;
  Device* device_ = nullptr;
  IDirect3DDevice9* d3d_ = nullptr;
  IDirect3DSurface9* screen_ = nullptr;
  IDirect3DSurface9* savedTarget_ = nullptr;  // what the device had before Create
  IDirect3DSurface9* savedDepth_ = nullptr;
  IDirect3DSurface9* demoTarget_ = nullptr;
  IDirect3DSurface9* demoDepth_ = nullptr;
  IDirect3DSurface9* resolved_ = nullptr;  // one sample, for a picture drawn at another size
  int width_ = 0, height_ = 0;
  bool stripShown_ = true;
};

}  // namespace preview
