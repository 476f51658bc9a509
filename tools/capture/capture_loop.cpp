// capture_loop.cpp -- the serial and the pipelined frame loops, with their stage times
#include "tools/capture/capture_loop.h"

#include <chrono>

#include "tools/capture/capture_options.h"
#include "tools/capture/frame_pipeline.h"

namespace capture {

namespace {

using Clock = std::chrono::steady_clock;

std::string ReadbackFailed(uint32_t timeMs) {
  return "the back buffer could not be read back at " + std::to_string(timeMs) + " ms";
}

bool Fail(LoopResult* result, const std::string& problem) {
  result->ok = false;
  result->problem = problem;
  return false;
}

// One frame, one step after another: the render (until the GPU has drawn it, so that its time
// is the render's and not the readback's), the readback, the conversion and the encoding.
bool SerialFrame(const CaptureLoop& loop, uint32_t index, LoopResult* result) {
  StageSeconds& stages = result->stages;
  const uint32_t timeMs = FrameTimeMs(loop.fromMs, loop.fps, index);
  {
    StageTimer render(&stages.render);
    loop.source->Render(timeMs);
    if (loop.fence) loop.fence->Wait();
  }
  pictures::FrameView image;
  bool locked;
  {
    StageTimer readback(&stages.readback);
    locked = loop.reader->Lock(&image);
  }
  if (!locked) return Fail(result, ReadbackFailed(timeMs));
  std::string problem;
  bool ok = true;
  if (loop.sink) {
    {
      StageTimer convert(&stages.convert);
      ok = loop.sink->Convert(image, 0, &problem);
    }
    if (ok) {
      StageTimer encode(&stages.encode);
      ok = loop.sink->Encode(0, index, &problem);
    }
  }
  loop.reader->Unlock();
  return ok || Fail(result, problem);
}

}  // namespace

LoopResult RunSerial(const CaptureLoop& loop) {
  LoopResult result;
  if (loop.sink && !loop.sink->Reserve(1, &result.problem)) {
    result.ok = false;
    return result;
  }
  while (result.done < loop.frames && !StopOnInterrupt::Requested()) {
    if (!SerialFrame(loop, result.done, &result)) break;
    ++result.done;
    if (loop.progress) loop.progress->Update(result.done, result.stages);
  }
  return result;
}

namespace {

// The pipelined loop's state on the drawing thread.
class Pipelined {
 public:
  Pipelined(const CaptureLoop& loop, LoopResult* result) : loop_(loop), result_(result) {}

  bool Start() {
    if (!loop_.sink) return true;
    return pipeline_.Start(loop_.sink, FramePipeline::EncodersFor(*loop_.sink), &result_->problem) ||
           Fail(result_, result_->problem);
  }

  // Draws frame index and starts its readback into its copy, once the converter gave that copy
  // back (it held frame index - 2).
  bool Draw(uint32_t index) {
    const uint32_t timeMs = FrameTimeMs(loop_.fromMs, loop_.fps, index);
    const int copy = static_cast<int>(index % kPipelineCopies);
    {
      StageTimer render(&result_->stages.render);
      loop_.source->Render(timeMs);
      if (loop_.drawFences) loop_.drawFences[copy].Mark();
    }
    pipeline_.WaitForCopy(copy);
    loop_.reader->Unlock(copy);
    // A driver that reads back asynchronously only starts the copy here. One that reads
    // synchronously (llvmpipe) first finishes drawing the frame: then the draw's fence has
    // passed when Read returns, and the time is the render's (the copy with it).
    const Clock::time_point start = Clock::now();
    const bool read = loop_.reader->Read(copy);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const bool drawn = loop_.drawFences && loop_.drawFences[copy].Passed();
    (drawn ? result_->stages.render : result_->stages.readback) += seconds;
    return read || Fail(result_, ReadbackFailed(timeMs));
  }

  // Locks frame index's copy (waiting for the GPU to draw and copy it) and hands it over.
  bool HandOver(uint32_t index) {
    const int copy = static_cast<int>(index % kPipelineCopies);
    pictures::FrameView frame;
    bool locked;
    if (loop_.drawFences) {
      StageTimer render(&result_->stages.render);
      loop_.drawFences[copy].WaitForMark();
    }
    {
      StageTimer readback(&result_->stages.readback);
      locked = loop_.reader->Lock(copy, &frame);
    }
    if (!locked) return Fail(result_, ReadbackFailed(FrameTimeMs(loop_.fromMs, loop_.fps, index)));
    if (loop_.sink) {
      pipeline_.Convert(copy, frame, index);
    } else {
      loop_.reader->Unlock(copy);
    }
    handed_ = index + 1;
    return true;
  }

  bool Failed() const { return !result_->ok || pipeline_.Failed(); }

  // Waits for every frame handed over; the copies are unlocked once no thread reads them.
  void Finish() {
    std::string problem;
    if (!pipeline_.Finish(&problem) && result_->ok) Fail(result_, problem);
    for (int copy = 0; copy < kPipelineCopies; ++copy) loop_.reader->Unlock(copy);
    Count();
  }

  void ShowProgress() {
    if (!loop_.progress) return;
    Count();
    loop_.progress->Update(result_->done, result_->stages);
  }

 private:
  void Count() {
    result_->done = loop_.sink ? pipeline_.Encoded() : handed_;
    if (!loop_.sink) return;
    result_->stages.convert = pipeline_.ConvertSeconds();
    result_->stages.encode = pipeline_.EncodeSeconds();
  }

  const CaptureLoop& loop_;
  LoopResult* result_;
  FramePipeline pipeline_;
  uint32_t handed_ = 0;
};

}  // namespace

LoopResult RunPipelined(const CaptureLoop& loop) {
  LoopResult result;
  Pipelined run(loop, &result);
  if (!run.Start()) return result;
  uint32_t drawn = 0;
  while (drawn < loop.frames && !StopOnInterrupt::Requested() && !run.Failed()) {
    if (!run.Draw(drawn)) break;
    // The frame before is locked only now, so that its copy overlapped this frame's drawing.
    if (drawn > 0 && !run.HandOver(drawn - 1)) break;
    ++drawn;
    run.ShowProgress();
  }
  // The last frame drawn, also when Ctrl+C stopped the loop: every frame drawn is kept.
  if (drawn > 0 && !run.Failed()) run.HandOver(drawn - 1);
  run.Finish();
  return result;
}

}  // namespace capture
