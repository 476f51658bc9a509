// present_bench.cpp -- Present of the demo's 1024 x 768 four-sample back buffer: into a window of
// its own size (the plain demo) beside the scaled, letterboxed present into 1920 x 1080 (qola
// --fit on a party machine's display)
//
// Both devices live in one run on windows of their own; every iteration presents and then
// waits until the GL work is done (glFinish), so the time is the frame's present, not its
// queueing. Swaps do not wait for a retrace. Run under a display of at least 1920 x 1080:
//   xvfb-run -a -s "-screen 0 1920x1080x24 +extension GLX" build/bin/qola_bench --benchmark_filter=Present
// Each reports operator new calls per iteration (0 expected).
#include <benchmark/benchmark.h>
#include <d3d9.h>
#include <epoxy/gl.h>
#include <windows.h>

#include <string>

#include "bench/bench_support.h"
#include "tests/support/picture.h"

namespace {

constexpr int kBackWidth = 1024, kBackHeight = 768;

struct PresentTarget {
  HWND window = nullptr;
  IDirect3D9* d3d = nullptr;
  IDirect3DDevice9* device = nullptr;
  std::string error;

  bool open(int windowWidth, int windowHeight) {
    static bool registered = false;
    if (!registered) {
      WNDCLASSEXA wc = {sizeof(WNDCLASSEXA), 0, DefWindowProcA, 0, 0, GetModuleHandleA(nullptr), nullptr, nullptr,
                        nullptr, nullptr, "PresentBench", nullptr};
      registered = RegisterClassExA(&wc) != 0;
    }
    // A window without frame or caption: its client area is exactly the size asked.
    window = CreateWindowExA(0, "PresentBench", "present", WS_VISIBLE, 0, 0, windowWidth,
                             windowHeight, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    d3d = Direct3DCreate9(D3D_SDK_VERSION);
    if (!window || !d3d) {
      error = "no window or no Direct3D (a display of 1920 x 1080 is needed)";
      return false;
    }
    D3DPRESENT_PARAMETERS pp = testsupport::WindowedParameters(kBackWidth, kBackHeight, D3DFMT_X8R8G8B8,
                                                               D3DMULTISAMPLE_4_SAMPLES, 2, D3DPRESENT_INTERVAL_IMMEDIATE);
    if (FAILED(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                                 &pp, &device))) {
      error = "CreateDevice failed";
      return false;
    }
    RECT client = {};
    GetClientRect(window, &client);
    if (client.right != windowWidth || client.bottom != windowHeight) {
      error = "the window is " + std::to_string(client.right) + "x" + std::to_string(client.bottom) +
              ", not the size asked (the display is too small)";
      device->Release();
      device = nullptr;
      return false;
    }
    return true;
  }
};

PresentTarget* Target(benchmark::State& state, int windowWidth, int windowHeight) {
  static PresentTarget plain, scaled;
  PresentTarget* t = windowWidth == kBackWidth ? &plain : &scaled;
  if (!t->device && t->error.empty()) t->open(windowWidth, windowHeight);
  if (!t->device) {
    state.SkipWithError(t->error.c_str());
    return nullptr;
  }
  return t;
}

void PresentLoop(benchmark::State& state, int windowWidth, int windowHeight) {
  PresentTarget* t = Target(state, windowWidth, windowHeight);
  if (!t) return;
  IDirect3DDevice9* d = t->device;
  d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff336699, 1.0f, 0);
  d->Present(nullptr, nullptr, nullptr, nullptr);  // the first present makes its GL objects
  glFinish();
  uint64_t before = bench_support::AllocationCount();
  for (auto _ : state) {
    d->Present(nullptr, nullptr, nullptr, nullptr);
    glFinish();  // Present made this device's context current
  }
  state.counters["allocs/iter"] = benchmark::Counter(static_cast<double>(bench_support::AllocationCount() - before),
                                                     benchmark::Counter::kAvgIterations);
}

// The plain demo: the back buffer resolved and shown pixel for pixel.
void BM_Present_1024x768(benchmark::State& state) { PresentLoop(state, kBackWidth, kBackHeight); }
BENCHMARK(BM_Present_1024x768)->UseRealTime()->Unit(benchmark::kMicrosecond);

// qola --fit at 1920 x 1080: resolved, bars cleared, scaled with filtering into 1440 x 1080.
void BM_Present_ScaledTo1920x1080(benchmark::State& state) { PresentLoop(state, 1920, 1080); }
BENCHMARK(BM_Present_ScaledTo1920x1080)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace
