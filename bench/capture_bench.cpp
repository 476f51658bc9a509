// capture_bench.cpp -- what one captured frame costs, part by part, on the demo in demo/
//
// The demo starts once, as `qolatool capture` starts it (offscreen, virtual clock), and each
// benchmark renders frames at advancing music times, adding one stage of the capture at a time:
// the demo's frame alone, then the readback (GetRenderTargetData, LockRect), then the output
// (PNG files, or swscale and the H.264/AAC encoders). Beside them, the bare cost of the same
// work: copying one 1024 x 768 frame in memory, and the encoders fed a frame already read.
// "allocs_per_frame" counts operator new calls in the loop after the first frame. Last, whole
// captures of the show's start: serial against pipelined against --null. The demo's
// frame alone ends with the wait for the GPU (llvmpipe draws only when something waits); the
// readback waits by itself.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_demo.h"
#include "bench/bench_support.h"
#include "platform/services/virtual_clock.h"
#include "tools/capture/capture_options.h"
#include "src/script/demo_script_instance.h"
#include "tools/pictures/readback.h"
#include "tools/capture/capture_loop.h"
#include "tools/capture/png_frames.h"
#include "tools/capture/video_writer.h"

extern "C" {
#include <libavutil/log.h>
}

namespace {

constexpr uint32_t kFps = 60;

// The benchmarks' shared demo, with the back buffer reader.
struct Demo {
  bench_demo::Demo* started = nullptr;
  pictures::SurfaceReader reader;
  std::string runDir;
  uint32_t frame = 0;

  // The demo's next frame at its music time.
  void Render() { bench_demo::RunFrameAt(started, capture::FrameTimeMs(0, kFps, frame++ % (kFps * 30))); }
};

Demo* TheDemo(benchmark::State& state) {
  bench_demo::Demo* started = bench_demo::Get(state);
  if (!started) return nullptr;
  static Demo* demo = nullptr;
  if (!demo) {
    demo = new Demo;  // lives until the process ends, like the demo it reads
    demo->started = started;
    demo->runDir = started->runDir;
    std::string problem;
    if (!demo->reader.Open(started->d3d, nullptr, &problem)) {
      state.SkipWithError(("no back buffer reader: " + problem).c_str());
      delete demo;
      demo = nullptr;
    }
  }
  return demo;
}

void CountAllocations(benchmark::State& state, uint64_t before) {
  state.counters["allocs_per_frame"] =
      static_cast<double>(bench_support::AllocationCount() - before) / static_cast<double>(state.iterations());
  state.counters["frames_per_s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_Capture_DemoFrameOnly(benchmark::State& state) {
  Demo* demo = TheDemo(state);
  if (!demo) return;
  demo->Render();
  uint64_t before = bench_support::AllocationCount();
  for (auto _ : state) {
    demo->Render();
    demo->started->finished.Wait();
  }
  CountAllocations(state, before);
}

void BM_Capture_FrameAndReadback(benchmark::State& state) {
  Demo* demo = TheDemo(state);
  if (!demo) return;
  pictures::FrameView image;
  demo->Render();
  uint64_t before = bench_support::AllocationCount();
  for (auto _ : state) {
    demo->Render();
    if (!demo->reader.Lock(&image)) {
      state.SkipWithError("readback failed");
      break;
    }
    benchmark::DoNotOptimize(image.bgrx[0]);
    demo->reader.Unlock();
  }
  CountAllocations(state, before);
}

// The bare cost under the readback: one frame's bytes copied once in memory.
void BM_Capture_BareFrameCopy(benchmark::State& state) {
  std::vector<uint8_t> from(static_cast<size_t>(capture::kDemoWidth) * capture::kDemoHeight * 4, 7), to(from.size());
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), from.size());
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
  state.counters["frames_per_s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

std::unique_ptr<capture::VideoWriter> OpenVideo(benchmark::State& state, Demo* demo, int width, int height) {
  av_log_set_level(AV_LOG_ERROR);
  capture::VideoWriter::Settings settings;
  settings.path = "/tmp/qola_capture_bench.mp4";
  settings.sourceWidth = capture::kDemoWidth;
  settings.sourceHeight = capture::kDemoHeight;
  settings.width = width;
  settings.height = height;
  settings.fps = kFps;
  settings.musicPath = demo->runDir + demoScript.musicFileName;
  auto video = std::make_unique<capture::VideoWriter>();
  std::string problem;
  if (!video->Open(settings, &problem) || !video->Reserve(1, &problem)) {
    state.SkipWithError(problem.c_str());
    return nullptr;
  }
  return video;
}

// The whole capture loop to MP4, one step after another: frame, readback, swscale, x264 and
// AAC, muxing.
void BM_Capture_FrameToMp4(benchmark::State& state) {
  Demo* demo = TheDemo(state);
  if (!demo) return;
  auto video = OpenVideo(state, demo, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  if (!video) return;
  std::string problem;
  pictures::FrameView image;
  uint64_t before = 0;
  uint32_t index = 0;
  for (auto _ : state) {
    demo->Render();
    if (!demo->reader.Lock(&image) || !video->Convert(image, 0, &problem) || !video->Encode(0, index++, &problem)) {
      state.SkipWithError(problem.empty() ? "readback failed" : problem.c_str());
      demo->reader.Unlock();
      break;
    }
    demo->reader.Unlock();
    if (index == 1) before = bench_support::AllocationCount();  // the encoders' first frame sets them up
  }
  video->Finish(&problem);
  CountAllocations(state, before);
  unlink("/tmp/qola_capture_bench.mp4");
}

// The encoders alone, fed the same frame already read back: the bare cost of the output.
void BM_Capture_EncodeOnly(benchmark::State& state) {
  Demo* demo = TheDemo(state);
  if (!demo) return;
  auto video = OpenVideo(state, demo, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  if (!video) return;
  demo->Render();
  pictures::FrameView image;
  if (!demo->reader.Lock(&image)) {
    state.SkipWithError("readback failed");
    return;
  }
  std::vector<uint8_t> copy(image.bgrx, image.bgrx + static_cast<size_t>(image.pitch) * image.height);
  demo->reader.Unlock();
  image.bgrx = copy.data();
  std::string problem;
  uint32_t index = 0;
  for (auto _ : state) {
    if (!video->Convert(image, 0, &problem) || !video->Encode(0, index++, &problem)) {
      state.SkipWithError(problem.c_str());
      break;
    }
  }
  video->Finish(&problem);
  state.counters["frames_per_s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  unlink("/tmp/qola_capture_bench.mp4");
}

void BM_Capture_FrameToPng(benchmark::State& state) {
  Demo* demo = TheDemo(state);
  if (!demo) return;
  capture::PngWriter png;
  std::string problem;
  if (!png.Open(capture::kDemoWidth, capture::kDemoHeight, capture::kDemoWidth, capture::kDemoHeight, &problem)) {
    state.SkipWithError(problem.c_str());
    return;
  }
  std::vector<uint8_t> rgb(png.FrameBytes());
  pictures::FrameView image;
  for (auto _ : state) {
    demo->Render();
    if (!demo->reader.Lock(&image) || !png.Convert(image, rgb.data(), &problem) ||
        !png.Save("/tmp/qola_capture_bench.png", rgb.data(), &problem)) {
      state.SkipWithError("readback or PNG failed");
      demo->reader.Unlock();
      break;
    }
    demo->reader.Unlock();
  }
  state.counters["frames_per_s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  unlink("/tmp/qola_capture_bench.png");
}

// ---- The first seconds of the show captured to MP4 at 60 fps, as `qolatool capture` does it:
// serial (--serial), pipelined (the default) and --null (pipelined, no file). One capture per
// run, of QOLA_BENCH_SHOW_MS milliseconds (default 20000: the first 20 s).

uint32_t ShowMs() {
  const char* text = std::getenv("QOLA_BENCH_SHOW_MS");
  const long ms = text ? std::atol(text) : 0;
  return ms > 0 ? static_cast<uint32_t>(ms) : 20000u;
}

class BenchFrames : public capture::FrameSource {
 public:
  explicit BenchFrames(bench_demo::Demo* demo) : demo_(demo) {}
  void Render(uint32_t timeMs) override { bench_demo::RunFrameAt(demo_, timeMs); }

 private:
  bench_demo::Demo* demo_;
};

enum class ShowMode { kSerial, kPipelined, kNull };

void CaptureShow(benchmark::State& state, ShowMode mode) {
  Demo* demo = TheDemo(state);
  if (!demo) return;
  static pictures::SurfaceReader* reader = nullptr;  // two copies, kept with the demo
  std::string problem;
  if (!reader) {
    reader = new pictures::SurfaceReader;
    if (!reader->Open(demo->started->d3d, nullptr, &problem, capture::kPipelineCopies)) {
      state.SkipWithError(problem.c_str());
      delete reader;
      reader = nullptr;
      return;
    }
  }
  BenchFrames frames(demo->started);
  capture::CaptureLoop loop;
  loop.source = &frames;
  loop.reader = reader;
  loop.fence = &demo->started->finished;
  loop.fps = kFps;
  loop.frames = capture::FrameCount(0, ShowMs(), kFps);
  uint32_t done = 0;
  for (auto _ : state) {
    std::unique_ptr<capture::VideoWriter> video;
    if (mode != ShowMode::kNull) {
      state.PauseTiming();
      video = OpenVideo(state, demo, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
      state.ResumeTiming();
      if (!video) return;
    }
    loop.sink = video.get();
    capture::LoopResult result = mode == ShowMode::kSerial ? capture::RunSerial(loop) : capture::RunPipelined(loop);
    if (video && result.ok) result.ok = video->Finish(&result.problem);
    if (!result.ok) {
      state.SkipWithError(result.problem.c_str());
      break;
    }
    done += result.done;
  }
  state.counters["frames"] = done;
  state.counters["frames_per_s"] = benchmark::Counter(done, benchmark::Counter::kIsRate);
  unlink("/tmp/qola_capture_bench.mp4");
}

void BM_CaptureShow_Serial(benchmark::State& state) { CaptureShow(state, ShowMode::kSerial); }
void BM_CaptureShow_Pipelined(benchmark::State& state) { CaptureShow(state, ShowMode::kPipelined); }
void BM_CaptureShow_Null(benchmark::State& state) { CaptureShow(state, ShowMode::kNull); }

// Wall time: the GL driver and the encoders work on threads of their own.
BENCHMARK(BM_Capture_DemoFrameOnly)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Capture_FrameAndReadback)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Capture_BareFrameCopy)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Capture_FrameToMp4)->Args({1024, 768})->Args({512, 384})->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(BM_Capture_EncodeOnly)->Args({1024, 768})->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(BM_Capture_FrameToPng)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_CaptureShow_Serial)->Args({1024, 768})->Args({640, 480})->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_CaptureShow_Pipelined)->Args({1024, 768})->Args({640, 480})->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_CaptureShow_Null)->Args({1024, 768})->Args({640, 480})->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

}  // namespace
