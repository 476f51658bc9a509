// capture_run.cpp -- the capture's set-up: virtual clock, the demo, its output, the loop, the end
#include "tools/capture/capture_run.h"

#include <sys/stat.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/log.h>
}

#include "platform/services/virtual_clock.h"
#include "src/timeline/frame_handler.h"
#include "tools/capture/capture_loop.h"
#include "tools/capture/demo_session.h"
#include "tools/capture/gif_writer.h"
#include "tools/capture/png_frames.h"
#include "tools/capture/progress.h"
#include "tools/capture/video_writer.h"
#include "tools/pictures/readback.h"

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

// The demo's frames at their music times: the clocks set, then the demo's own frame.
class DemoFrames : public FrameSource {
 public:
  explicit DemoFrames(DemoSession* session) : session_(session) {}
  void Render(uint32_t timeMs) override {
    platform_clock::UseVirtualClock(timeMs);
    session_->RenderFrame();
  }

 private:
  DemoSession* session_;
};

// Starts the demo with the clock at startMs and prepares the readback. False after printing.
bool StartDemo(const char* tool, VirtualClockRun* run, FrameHandler* handler, pictures::SurfaceReader* reader,
               int copies) {
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
  if (!reader->Open(run->session.Direct3DDevice(), nullptr, &problem, copies)) {
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
  bool Reserve(int, std::string*) override {
    rgb_.assign(writer_.FrameBytes(), 0);
    return true;
  }
  bool Convert(const pictures::FrameView& image, int, std::string* problem) override {
    return writer_.Convert(image, rgb_.data(), problem);
  }
  bool Encode(int, uint32_t, std::string* problem) override { return writer_.Save(path_.c_str(), rgb_.data(), problem); }
  bool Finish(std::string*) override { return true; }

 private:
  PngWriter writer_;
  std::string path_;
  std::vector<uint8_t> rgb_;
};

}  // namespace

int RunCapture(const CaptureOptions& options, FrameHandler* handler) {
  const char* tool = "qolatool capture";
  av_log_set_level(AV_LOG_ERROR);  // the encoders' own statistics are not for demo makers
  VirtualClockRun run(options.fromMs);
  pictures::SurfaceReader reader;
  if (!StartDemo(tool, &run, handler, &reader, kPipelineCopies)) return kExitFailed;

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

  // The serial loop ends each frame's render once the GPU has drawn it; the pipelined loop
  // marks each frame's draw in the fence of its copy. The fences go before the demo stops.
  pictures::GpuFence frameFinished;
  pictures::GpuFence drawFences[kPipelineCopies];
  if (options.serial) {
    frameFinished.Open(run.session.Direct3DDevice());
  } else {
    for (pictures::GpuFence& fence : drawFences) fence.Open(run.session.Direct3DDevice());
  }
  DemoFrames frames(&run.session);
  StopOnInterrupt interrupt;
  ProgressLine progress(stderr, total);
  CaptureLoop loop;
  loop.source = &frames;
  loop.reader = &reader;
  loop.sink = sink.get();
  loop.fence = &frameFinished;
  loop.drawFences = drawFences;
  loop.progress = &progress;
  loop.fromMs = options.fromMs;
  loop.fps = options.fps;
  loop.frames = total;
  LoopResult result = options.serial ? RunSerial(loop) : RunPipelined(loop);

  bool stopped = result.ok && result.done < total;
  std::string finishProblem;
  bool finished = true;
  if (sink) {
    StageTimer encode(&result.stages.encode);  // a video's last packets; a GIF converts and encodes here
    finished = sink->Finish(&finishProblem);
  }
  progress.Finish(result.done, stopped, result.stages);
  if (!result.ok) return Fail(tool, result.problem);
  if (!finished) return Fail(tool, finishProblem);
  if (stopped) {
    if (sink) {
      std::fprintf(stderr, "%s: stopped after %u of %u frames; %s holds them\n", tool, result.done, total,
                   options.videoPath.empty() ? options.framesDir.c_str() : options.videoPath.c_str());
    } else {
      std::fprintf(stderr, "%s: stopped after %u of %u frames\n", tool, result.done, total);
    }
    return kExitInterrupted;
  }
  return kExitDone;
}

int RunFrameShot(const FrameOptions& options, FrameHandler* handler) {
  const char* tool = "qolatool frame";
  VirtualClockRun run(options.atMs);
  pictures::SurfaceReader reader;
  if (!StartDemo(tool, &run, handler, &reader, 1)) return kExitFailed;
  std::string problem;
  PngFile png;
  if (!png.Open(options.pngPath, options.width, options.height, &problem)) return Fail(tool, problem);
  // Exactly a capture's frame: the clock at the time, the demo's frame, the readback.
  DemoFrames frames(&run.session);
  CaptureLoop loop;
  loop.source = &frames;
  loop.reader = &reader;
  loop.sink = &png;
  loop.fromMs = options.atMs;
  loop.frames = 1;
  LoopResult result = RunSerial(loop);
  return result.ok ? kExitDone : Fail(tool, result.problem);
}

}  // namespace capture
