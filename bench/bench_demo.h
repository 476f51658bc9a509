// bench_demo.h -- the demo, started once for every benchmark that draws its pictures
//
// The Device is one per process, so every benchmark that draws the demo shares one start-up:
// demo/ as the run directory, the offscreen 1024 x 768 device with 4 samples that capture
// uses, the music and system clocks virtual (no sound device, frames at any moment). It lives
// until the process ends, as the demo's own objects do.
#pragma once

#include <benchmark/benchmark.h>
#include <d3d9.h>

#include <cstdint>
#include <string>

#include "tools/pictures/readback.h"

class Device;

namespace bench_demo {

struct Demo {
  Device* device = nullptr;
  IDirect3DDevice9* d3d = nullptr;
  std::string runDir;  // ends with '/'
  pictures::GpuFence finished;  // ends each timed frame: the GPU has drawn it
};

// The started demo, or null with the benchmark skipped and the reason said.
Demo* Get(benchmark::State& state);

// The demo's own frame at music time ms: the clocks there, then clear, the script's draw, present.
void RunFrameAt(Demo* demo, uint32_t ms);


}  // namespace bench_demo
