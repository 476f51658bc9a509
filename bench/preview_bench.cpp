// preview_bench.cpp -- the preview's costs beside the demo's own: a preview frame (the demo's
// frame, its picture resolved into the window's back buffer, the strip and its readout) against
// the demo's frame of the same moment, each finished on the GPU; a seek to the new picture;
// the whole song's waveform against a plain read of the music file
#include <benchmark/benchmark.h>
#include <d3d9.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <thread>

#include "bench/bench_demo.h"
#include "bench/bench_support.h"
#include "src/device/device.h"
#include "src/script/demo_script_instance.h"
#include "src/script/event_names.h"
#include "tests/support/scratch_dir.h"
#include "tools/preview/music_clock.h"
#include "tools/preview/preview_screen.h"
#include "tools/preview/reloader.h"
#include "tools/preview/strip_model.h"
#include "tools/preview/waveform.h"

namespace {

using Clock = std::chrono::steady_clock;

// The preview's screen on the benchmarks' shared demo: a 1024 x 992 target of one sample as
// the window's back buffer would be, with the script's strip over a waveform that is ready.
struct PreviewRig {
  preview::StripModel model;
  preview::Waveform waveform;
  std::unique_ptr<preview::PreviewScreen> screen;
  IDirect3DSurface9* target = nullptr;

  bool Start(bench_demo::Demo* demo, benchmark::State& state) {
    model = preview::ModelOfTimeline(*demoScript.timeline,
                                     ReadEventNames(bench_support::DemoFile("go.xml").c_str(), *demoScript.timeline), 0);
    waveform.Start(bench_support::DemoFile("media/music.ogg"));
    while (!waveform.Ready() && !waveform.Failed()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (FAILED(demo->d3d->CreateRenderTarget(1024, 768 + preview::StripLayout::kHeight, D3DFMT_X8R8G8B8,
                                             D3DMULTISAMPLE_NONE, 0, FALSE, &target, nullptr))) {
      state.SkipWithError("no 1024 x 992 render target");
      return false;
    }
    screen = std::make_unique<preview::PreviewScreen>(model, &waveform);
    std::string problem;
    if (!screen->Create(demo->device, target, &problem)) {
      state.SkipWithError(problem.c_str());
      return false;
    }
    return true;
  }
  ~PreviewRig() {
    screen.reset();
    if (target) target->Release();
  }
};

// Moments of the show: 33000 a flipbook in the drop, 42000 a scene shot. The demo's frame as
// a window shows it: the offscreen Present shows nothing, so the resolve of the four samples
// that a window's Present makes is made here (into a surface of one sample), as the preview
// makes it into its back buffer.
void BM_Preview_DemoFrame(benchmark::State& state) {
  bench_demo::Demo* demo = bench_demo::Get(state);
  if (!demo) return;
  IDirect3DSurface9* back = nullptr;
  IDirect3DSurface9* resolved = nullptr;
  demo->d3d->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
  if (!back || FAILED(demo->d3d->CreateRenderTarget(1024, 768, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE,
                                                    &resolved, nullptr))) {
    if (back) back->Release();
    state.SkipWithError("no surface to resolve into");
    return;
  }
  const uint32_t at = static_cast<uint32_t>(state.range(0));
  auto frame = [&] {
    bench_demo::RunFrameAt(demo, at);
    demo->d3d->StretchRect(back, nullptr, resolved, nullptr, D3DTEXF_NONE);
    demo->finished.Wait();
  };
  frame();
  for (auto _ : state) frame();
  resolved->Release();
  back->Release();
}

void BM_Preview_PreviewFrame(benchmark::State& state) {
  bench_demo::Demo* demo = bench_demo::Get(state);
  if (!demo) return;
  PreviewRig rig;
  if (!rig.Start(demo, state)) return;
  preview::FrameReadout readout;
  readout.timeMs = static_cast<uint32_t>(state.range(0));
  readout.fps = 60.0;
  auto frame = [&] {
    rig.screen->Draw(readout);
    demo->d3d->Present(nullptr, nullptr, nullptr, nullptr);
    demo->finished.Wait();
  };
  frame();  // the first frame paints and uploads the strip
  const uint64_t allocations = bench_support::AllocationCount();
  for (auto _ : state) frame();
  state.counters["allocs_per_frame"] = static_cast<double>(bench_support::AllocationCount() - allocations) /
                                       static_cast<double>(state.iterations());
  state.counters["strip_paints"] = rig.screen->Paints();
}

// A seek as the key makes it: the music moved there (the decoder restarted, sample-exact), then
// the first preview frame of the new time, finished. The times alternate between two sections.
void BM_Preview_SeekToPicture(benchmark::State& state) {
  bench_demo::Demo* demo = bench_demo::Get(state);
  if (!demo || !demoScript.stream) return;
  PreviewRig rig;
  if (!rig.Start(demo, state)) return;
  preview::StreamClock clock(demoScript.stream);
  preview::FrameReadout readout;
  bool flip = false;
  for (auto _ : state) {
    readout.timeMs = (flip = !flip) ? 33000 : 42000;
    clock.Seek(readout.timeMs);
    rig.screen->Draw(readout);
    demo->d3d->Present(nullptr, nullptr, nullptr, nullptr);
    demo->finished.Wait();
  }
}

// A reload as a save makes it, once the save has settled: the file loaded again with the
// demo's loaders, then the first preview frame with it, finished. range(0): 0 go.xml, 1 an
// effect file, 2 the 3DS scene. Between the save and this come the watcher's settling time
// (FileWatcher::kSettleMs) and at most a quarter of it of inotify's wait.
void BM_Preview_Reload(benchmark::State& state) {
  bench_demo::Demo* demo = bench_demo::Get(state);
  if (!demo) return;
  PreviewRig rig;
  if (!rig.Start(demo, state)) return;
  static const char* const kFiles[] = {"go.xml", "media/Phong.fx", "media/scene1texkey.3ds"};
  const char* file = kFiles[state.range(0)];
  testsupport::WorkingDir cwd;  // the files are the run directory's
  if (!cwd.Enter(demo->runDir)) {
    state.SkipWithError("the run directory cannot be entered");
    return;
  }
  preview::Reloader reloader(demo->device);
  const preview::Reloader::What what = reloader.Classify(file);
  preview::FrameReadout readout;
  readout.timeMs = 42000;  // a scene shot: every one of the three files shows in it
  for (auto _ : state) {
    std::string problem;
    if (!reloader.Reload(file, what, &problem)) {
      state.SkipWithError(problem.c_str());
      return;
    }
    rig.screen->Draw(readout);
    demo->d3d->Present(nullptr, nullptr, nullptr, nullptr);
    demo->finished.Wait();
  }
  state.SetLabel(file);
}

void BM_Preview_Waveform(benchmark::State& state) {
  const std::string music = bench_support::DemoFile("media/music.ogg");
  preview::Envelope envelope;
  std::string problem;
  for (auto _ : state) {
    if (!preview::ComputeEnvelope(music, &envelope, &problem)) {
      state.SkipWithError(problem.c_str());
      return;
    }
  }
  state.counters["buckets"] = static_cast<double>(envelope.peak.size());
}

// The bare cost beside it: the music file's bytes read into memory.
void BM_Preview_MusicFileRead(benchmark::State& state) {
  const std::string music = bench_support::DemoFile("media/music.ogg");
  for (auto _ : state) {
    std::ifstream in(music, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    benchmark::DoNotOptimize(bytes.data());
  }
}

BENCHMARK(BM_Preview_DemoFrame)->Arg(33000)->Arg(42000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Preview_PreviewFrame)->Arg(33000)->Arg(42000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Preview_SeekToPicture)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Preview_Reload)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Preview_Waveform)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Preview_MusicFileRead)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
