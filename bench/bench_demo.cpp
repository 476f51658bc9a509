// bench_demo.cpp -- the demo's start-up for the benchmarks, and the wait that ends a frame
#include "bench/bench_demo.h"

#include <string>

#include "bench/bench_support.h"
#include "platform/services/unattended.h"
#include "platform/services/virtual_clock.h"
#include "src/device/device.h"
#include "src/program/demo_program.h"
#include "src/script/demo_script_instance.h"
#include "tests/support/scratch_dir.h"

namespace bench_demo {

namespace {

struct Started {
  Demo demo;
  std::string problem;
};

Started* Start() {
  auto* started = new Started;
  std::string script = bench_support::DemoFile("go.xml");
  if (script.empty()) {
    started->problem = "demo/go.xml not found: run from the repository or its build folder, or set QOLA_DEMO_DIR";
    return started;
  }
  started->demo.runDir = script.substr(0, script.size() - std::string("go.xml").size());
  testsupport::WorkingDir runDir;
  if (!started->demo.runDir.empty() && !runDir.Enter(started->demo.runDir)) {
    started->problem = "cannot enter " + started->demo.runDir;
    return started;
  }
  platform_unattended::Set(true);
  platform_clock::UseVirtualClock(0);
  Device* device = Device::Instance();
  if (!device || !device->CreateOffscreen(1024, 768)) {
    started->problem = "no offscreen Direct3D device (is there a display with OpenGL 3.3?)";
    return started;
  }
  if (!StartDemo(device)) {
    started->problem = "the demo did not start: " + demoScript.problem;
    return started;
  }
  if (!started->demo.finished.Open(device->device)) {
    started->problem = "no event query";
    return started;
  }
  started->demo.device = device;
  started->demo.d3d = device->device;
  return started;
}

}  // namespace

Demo* Get(benchmark::State& state) {
  static Started* started = Start();  // lives until the process ends, like the demo's own objects
  if (!started->problem.empty()) {
    state.SkipWithError(started->problem.c_str());
    return nullptr;
  }
  return &started->demo;
}

void RunFrameAt(Demo* demo, uint32_t ms) {
  platform_clock::UseVirtualClock(ms);
  RunDemoFrame(demo->device);
}

}  // namespace bench_demo
