// frame_bench.cpp -- one frame of each picture the show uses, on the demo's own media, timed to
// the moment the GPU has finished it
//
// Each frame is the demo's: clear, the effect's draw through the effect table as the dispatcher
// calls it, present, then the wait of a Direct3D 9 program (an event query asked until it is
// done). Without that wait llvmpipe would still be drawing when the clock stops. Beside each
// picture: its ratio to the bare frame (clear and present alone), the CPU time of all the process's
// threads per frame (the driver's rasterizer threads included) and the allocations per frame.
#include <benchmark/benchmark.h>
#include <d3d9.h>

#include <chrono>
#include <cstdint>

#include "bench/bench_demo.h"
#include "bench/bench_support.h"
#include "platform/services/virtual_clock.h"
#include "src/device/device.h"
#include "src/effects/effect_dispatcher.h"
#include "src/effects/effect_table.h"

namespace {

using Clock = std::chrono::steady_clock;

// One frame: the picture of event (none for a bare frame) at music time ms, finished.
void Frame(bench_demo::Demo* demo, const EffectEvent* event, uint32_t ms) {
  platform_clock::UseVirtualClock(ms);  // the flipbook's flicker reads the system clock
  demo->d3d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
  if (event) DrawEffect(DemoEffects(), demo->device, *event);
  demo->d3d->Present(nullptr, nullptr, nullptr, nullptr);
  demo->finished.Wait();
}

// The bare frame's milliseconds, measured right before the picture it is compared with: this
// machine's speed drifts by a quarter from minute to minute, and a bare frame measured once at
// start-up gave ratios below 1.
double BareFrameMs(bench_demo::Demo* demo) {
  for (int i = 0; i < 5; ++i) Frame(demo, nullptr, 0);
  const int frames = 60;
  const Clock::time_point start = Clock::now();
  for (int i = 0; i < frames; ++i) Frame(demo, nullptr, static_cast<uint32_t>(i) * 16);
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count() / frames;
}

// Frames of one picture, 16 ms of show time apart; the event's elapsed time moves with them.
void RunPicture(benchmark::State& state, const EffectEvent* picture) {
  bench_demo::Demo* demo = bench_demo::Get(state);
  if (!demo) return;
  const double bareMs = BareFrameMs(demo);
  EffectEvent event = picture ? *picture : EffectEvent{};
  uint32_t ms = 0;
  auto one = [&] {
    event.elapsedMs = ms;
    Frame(demo, picture ? &event : nullptr, ms);
    ms += 16;
  };
  one();  // whatever a first frame of this picture meets in the driver, outside the timing
  const uint64_t allocations = bench_support::AllocationCount();
  const double cpuStart = bench_support::ProcessCpuMs();
  const Clock::time_point start = Clock::now();
  for (auto _ : state) one();
  const double frameMs =
      std::chrono::duration<double, std::milli>(Clock::now() - start).count() / static_cast<double>(state.iterations());
  state.counters["cpu_ms"] = (bench_support::ProcessCpuMs() - cpuStart) / static_cast<double>(state.iterations());
  state.counters["x_bare"] = frameMs / bareMs;
  state.counters["allocs_per_frame"] = static_cast<double>(bench_support::AllocationCount() - allocations) /
                                       static_cast<double>(state.iterations());
}

void BM_Frame_Bare(benchmark::State& state) { RunPicture(state, nullptr); }

// Flipbook of pair 0 at zoom 0 (the whole grid), 1 (2 x 2 cells) and 2 (one cell).
void BM_Frame_Flipbook(benchmark::State& state) {
  const EffectEvent event{kEffectSpriteFlipbook, 0, static_cast<int32_t>(state.range(0)), 0};
  RunPicture(state, &event);
}

void BM_Frame_Still(benchmark::State& state) {
  const EffectEvent event{kEffectSpriteImage, static_cast<int32_t>(state.range(0)), 0, 0};
  RunPicture(state, &event);
}

void BM_Frame_Sphere(benchmark::State& state) {
  const EffectEvent event{kEffectSphere, 0, 0, 0};
  RunPicture(state, &event);
}

// The scene shot through camera 0, 1 or 2, from the start of its flight.
void BM_Frame_SceneShot(benchmark::State& state) {
  const EffectEvent event{kEffectSceneShot, static_cast<int32_t>(state.range(0)), 0, 0};
  RunPicture(state, &event);
}

BENCHMARK(BM_Frame_Bare)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Frame_Flipbook)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Frame_Still)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Frame_Sphere)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Frame_SceneShot)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
