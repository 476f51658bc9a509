// capture_loop.h -- the capture's frame loop, one step after another or pipelined
//
// Both loops draw frame n at music time FROM + n x 1000 / FPS, read it back and hand it to the
// sink (none: the frame is dropped, --null), until every frame is done or Ctrl+C asks them to
// stop; both give the sink the same frames in the same order.
//   serial:    draw, wait for the GPU, read back, convert, encode; then the next frame.
//   pipelined: the readback of frame n only starts after it is drawn (into one of two copies);
//              frame n + 1 is drawn meanwhile, then frame n is locked (the wait for the GPU)
//              and handed to the converter and encoder threads (FramePipeline), which give the
//              copy back for frame n + 2.
// The frame source is the demo (qolatool capture) or the benchmarks' shared demo.
#pragma once

#include <cstdint>
#include <string>

#include "tools/capture/frame_sink.h"
#include "tools/capture/progress.h"
#include "tools/pictures/readback.h"

namespace capture {

// Draws the demo's frame at a music time.
class FrameSource {
 public:
  virtual ~FrameSource() = default;
  virtual void Render(uint32_t timeMs) = 0;
};

struct CaptureLoop {
  FrameSource* source = nullptr;
  pictures::SurfaceReader* reader = nullptr;  // of the back buffer, with two copies when pipelined
  FrameSink* sink = nullptr;                  // null: every frame dropped after its readback
  pictures::GpuFence* fence = nullptr;        // serial: ends each frame's render (may be null)
  // Pipelined: kPipelineCopies fences, one marked after each frame's draw, so that waiting for
  // the GPU to draw a frame counts as its render and only the copy after it as its readback
  // (may be null: the whole wait counts as readback).
  pictures::GpuFence* drawFences = nullptr;
  ProgressLine* progress = nullptr;           // may be null
  uint32_t fromMs = 0;
  uint32_t fps = 60;
  uint32_t frames = 0;
};

struct LoopResult {
  uint32_t done = 0;  // frames the sink encoded (read back, with no sink)
  bool ok = true;     // false: *problem says what failed
  std::string problem;
  StageSeconds stages;
};

// Copies the pipelined loop reads into: one being read while the other is converted.
constexpr int kPipelineCopies = 2;

LoopResult RunSerial(const CaptureLoop& loop);
LoopResult RunPipelined(const CaptureLoop& loop);

}  // namespace capture
