// capture_run.cpp -- the capture loop: virtual clock, demo frame, readback, output, progress
#include "tools/capture/capture_run.h"

#include <sys/stat.h>

#include <cstdio>
#include <memory>
#include <string>

extern "C" {
#include <libavutil/log.h>
}

#include "platform/services/virtual_clock.h"
#include "src/timeline/frame_handler.h"
#include "tools/capture/demo_session.h"
#include "tools/pictures/readback.h"
#include "tools/capture/gif_writer.h"
#include "tools/capture/video_writer.h"
#include "tools/capture/png_frames.h"
#include "tools/capture/progress.h"

namespace capture {

namespace {

int Fail(const char* tool, const std::string& problem) {
  std::fprintf(stderr, "%s: %s\n", tool, problem.c_str());
  return kExitFailed;
}

// The virtual clock from the demo's start to its end, whatever way the run ends; the demo is
// stopped before the clocks become real again.
class VirtualClockRun {
 public:
  explicit VirtualClockRun(uint32_t startMs) { platform_clock::UseVirtualClock(startMs); }
  ~VirtualClockRun() {
    session.Stop();
    platform_clock::UseRealClock();
  }
  DemoSession session;
};

// Starts the demo with the clock at startMs and prepares the readback. False after printing.
bool StartDemo(const char* tool, VirtualClockRun* run, FrameHandler* handler, pictures::SurfaceReader* reader) {
  struct stat info;
  if (stat("go.xml", &info) != 0) {
    delete handler;
    Fail(tool, "no \"go.xml\" here: run it in the demo's run directory (the one holding go.xml and media/)");
    return false;
  }
  std::string problem;
  if (!run->session.Start(handler, &problem)) {
    Fail(tool, "the demo cannot start: " + problem);
    return false;
  }
  if (!reader->Open(run->session.Direct3DDevice(), nullptr, &problem)) {
    Fail(tool, "the frames cannot be read back: " + problem);
    return false;
  }
  return true;
}

// What every file writer is told: the file, the demo's frame size, the output's size and rate.
template <typename Settings>
Settings FileSettings(const CaptureOptions& options) {
  Settings settings;
  settings.path = options.videoPath;
  settings.sourceWidth = kDemoWidth;
  settings.sourceHeight = kDemoHeight;
  settings.width = options.width;
  settings.height = options.height;
  settings.fps = options.fps;
  return settings;
}

template <typename Writer>
std::unique_ptr<FrameSink> OpenWriter(const typename Writer::Settings& settings, std::string* problem) {
  auto writer = std::make_unique<Writer>();
  if (!writer->Open(settings, problem)) return nullptr;
  return writer;
}

std::unique_ptr<FrameSink> OpenSink(const CaptureOptions& options, const DemoSession& session, std::string* problem) {
  if (!options.framesDir.empty()) {
    auto frames = std::make_unique<PngSequence>();
    if (!frames->Open(options.framesDir, kDemoWidth, kDemoHeight, options.width, options.height, problem)) return nullptr;
    return frames;
  }
  if (IsGifPath(options.videoPath)) return OpenWriter<GifWriter>(FileSettings<GifWriter::Settings>(options), problem);
  VideoWriter::Settings settings = FileSettings<VideoWriter::Settings>(options);
  settings.quality = options.quality;
  settings.musicPath = session.MusicFileName();
  settings.fromMs = options.fromMs;
  return OpenWriter<VideoWriter>(settings, problem);
}

// One PNG file: the output of `qolatool frame`.
class PngFile : public FrameSink {
 public:
  bool Open(const std::string& path, int width, int height, std::string* problem) {
    path_ = path;
    return writer_.Open(kDemoWidth, kDemoHeight, width, height, problem);
  }
  bool WriteFrame(const pictures::FrameView& image, std::string* problem) override {
    return writer_.Write(path_.c_str(), image, problem, &times_);
  }
  bool Finish(std::string*) override { return true; }

 private:
  PngWriter writer_;
  std::string path_;
};

// The loop's render and readback seconds with the sink's conversion and encoding.
StageSeconds WithSink(StageSeconds stages, const FrameSink* sink) {
  if (sink) {
    stages.convert = sink->Times().convertSeconds;
    stages.encode = sink->Times().encodeSeconds;
  }
  return stages;
}

// Renders the demo at timeMs and hands the frame to sink (none: the frame is dropped), adding
// the render's and the readback's seconds to *stages (the sink counts its own).
bool CaptureFrame(VirtualClockRun* run, pictures::SurfaceReader* reader, uint32_t timeMs, FrameSink* sink,
                  pictures::GpuFence* finished, StageSeconds* stages, std::string* problem) {
  {
    StageTimer render(&stages->render);
    platform_clock::UseVirtualClock(timeMs);
    run->session.RenderFrame();
    if (finished) finished->Wait();
  }
  pictures::FrameView image;
  bool locked;
  {
    StageTimer readback(&stages->readback);
    locked = reader->Lock(&image);
  }
  if (!locked) {
    *problem = "the back buffer could not be read back at " + std::to_string(timeMs) + " ms";
    return false;
  }
  bool ok = !sink || sink->WriteFrame(image, problem);
  reader->Unlock();
  return ok;
}

}  // namespace

int RunCapture(const CaptureOptions& options, FrameHandler* handler) {
  const char* tool = "qolatool capture";
  av_log_set_level(AV_LOG_ERROR);  // the encoders' own statistics are not for demo makers
  VirtualClockRun run(options.fromMs);
  pictures::SurfaceReader reader;
  if (!StartDemo(tool, &run, handler, &reader)) return kExitFailed;

  uint32_t toMs = options.hasTo ? options.toMs : run.session.MusicLengthMs();
  if (toMs <= options.fromMs) {
    std::fprintf(stderr, "%s: --from %u is not before the music's end at %u ms\n", tool, options.fromMs, toMs);
    return kExitBadArguments;
  }
  uint32_t total = FrameCount(options.fromMs, toMs, options.fps);
  std::string problem;
  std::unique_ptr<FrameSink> sink;
  if (!options.nullOutput) {
    sink = OpenSink(options, run.session, &problem);
    if (!sink) return Fail(tool, problem);
  }

  // Each frame's render ends once the GPU has drawn it, so that its time is the render's and
  // not the readback's; the fence goes before the demo stops.
  pictures::GpuFence frameFinished;
  frameFinished.Open(run.session.Direct3DDevice());
  StopOnInterrupt interrupt;
  ProgressLine progress(stderr, total);
  StageSeconds stages;
  uint32_t done = 0;
  bool ok = true;
  while (done < total && !StopOnInterrupt::Requested()) {
    if (!CaptureFrame(&run, &reader, FrameTimeMs(options.fromMs, options.fps, done), sink.get(), &frameFinished,
                      &stages, &problem)) {
      ok = false;
      break;
    }
    ++done;
    progress.Update(done, WithSink(stages, sink.get()));
  }
  bool stopped = ok && done < total;
  std::string finishProblem;
  bool finished = !sink || sink->Finish(&finishProblem);  // a GIF converts and encodes here
  progress.Finish(done, stopped, WithSink(stages, sink.get()));
  if (!ok) return Fail(tool, problem);
  if (!finished) return Fail(tool, finishProblem);
  if (stopped) {
    if (sink) {
      std::fprintf(stderr, "%s: stopped after %u of %u frames; %s holds them\n", tool, done, total,
                   options.videoPath.empty() ? options.framesDir.c_str() : options.videoPath.c_str());
    } else {
      std::fprintf(stderr, "%s: stopped after %u of %u frames\n", tool, done, total);
    }
    return kExitInterrupted;
  }
  return kExitDone;
}

int RunFrameShot(const FrameOptions& options, FrameHandler* handler) {
  const char* tool = "qolatool frame";
  VirtualClockRun run(options.atMs);
  pictures::SurfaceReader reader;
  if (!StartDemo(tool, &run, handler, &reader)) return kExitFailed;
  std::string problem;
  PngFile png;
  if (!png.Open(options.pngPath, options.width, options.height, &problem)) return Fail(tool, problem);
  // Exactly a capture's frame: the clock at the time, the demo's frame, the readback.
  StageSeconds stages;
  if (!CaptureFrame(&run, &reader, options.atMs, &png, nullptr, &stages, &problem)) return Fail(tool, problem);
  return kExitDone;
}

}  // namespace capture
