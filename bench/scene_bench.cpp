// scene_bench.cpp -- one scene-shot frame (shadow pass and lit pass) at 1024 x 768 on an offscreen device
//
// The lit floor test scene is drawn through Camera1 by Scene::RenderFromCamera with the boxes turned
// as a scene shot turns them. llvmpipe renders when the frame is read, so every frame ends with a
// read-back of the back buffer; BM_ReadBackOnly is that read-back alone and BM_SceneShotNoMeshes the
// frame's fixed work (both clears, the target switches, the parameters) with nothing to draw.
// Allocations and GL objects are counted over Scene::RenderFromCamera only: the read-back belongs to
// the benchmark, not to the frame.
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "src/effects/scene_shot.h"
#include "src/scene/scene.h"
#include "src/scene/scene_render.h"
#include "src/device/device.h"
#include "tests/support/picture.h"
#include "tests/support/scratch_dir.h"
#include "tools/write3ds/sample_scenes.h"
#include "tools/write3ds/writer3ds.h"

namespace {

// --- GL objects created: libepoxy's dispatch pointers of every glGen*/glCreate* the layer uses are
// wrapped once the layer has resolved them, so the counts see every object made in the process ---
uint64_t glObjects = 0;
PFNGLGENTEXTURESPROC realGenTextures;
PFNGLGENBUFFERSPROC realGenBuffers;
PFNGLGENFRAMEBUFFERSPROC realGenFramebuffers;
PFNGLGENRENDERBUFFERSPROC realGenRenderbuffers;
PFNGLGENVERTEXARRAYSPROC realGenVertexArrays;
PFNGLGENSAMPLERSPROC realGenSamplers;
PFNGLCREATESHADERPROC realCreateShader;
PFNGLCREATEPROGRAMPROC realCreateProgram;

void GLAPIENTRY CountGenTextures(GLsizei n, GLuint* names) { glObjects += n; realGenTextures(n, names); }
void GLAPIENTRY CountGenBuffers(GLsizei n, GLuint* names) { glObjects += n; realGenBuffers(n, names); }
void GLAPIENTRY CountGenFramebuffers(GLsizei n, GLuint* names) { glObjects += n; realGenFramebuffers(n, names); }
void GLAPIENTRY CountGenRenderbuffers(GLsizei n, GLuint* names) { glObjects += n; realGenRenderbuffers(n, names); }
void GLAPIENTRY CountGenVertexArrays(GLsizei n, GLuint* names) { glObjects += n; realGenVertexArrays(n, names); }
void GLAPIENTRY CountGenSamplers(GLsizei n, GLuint* names) { glObjects += n; realGenSamplers(n, names); }
GLuint GLAPIENTRY CountCreateShader(GLenum type) { ++glObjects; return realCreateShader(type); }
GLuint GLAPIENTRY CountCreateProgram() { ++glObjects; return realCreateProgram(); }

// With the device's context current. Each entry point is called once first (making nothing), so
// epoxy has replaced its resolver stub by the driver's function before the pointer is kept.
void CountGlObjects() {
  glGenTextures(0, nullptr);
  glGenBuffers(0, nullptr);
  glGenFramebuffers(0, nullptr);
  glGenRenderbuffers(0, nullptr);
  glGenVertexArrays(0, nullptr);
  glGenSamplers(0, nullptr);
  glDeleteShader(glCreateShader(GL_VERTEX_SHADER));
  glDeleteProgram(glCreateProgram());
  realGenTextures = epoxy_glGenTextures, epoxy_glGenTextures = CountGenTextures;
  realGenBuffers = epoxy_glGenBuffers, epoxy_glGenBuffers = CountGenBuffers;
  realGenFramebuffers = epoxy_glGenFramebuffers, epoxy_glGenFramebuffers = CountGenFramebuffers;
  realGenRenderbuffers = epoxy_glGenRenderbuffers, epoxy_glGenRenderbuffers = CountGenRenderbuffers;
  realGenVertexArrays = epoxy_glGenVertexArrays, epoxy_glGenVertexArrays = CountGenVertexArrays;
  realGenSamplers = epoxy_glGenSamplers, epoxy_glGenSamplers = CountGenSamplers;
  realCreateShader = epoxy_glCreateShader, epoxy_glCreateShader = CountCreateShader;
  realCreateProgram = epoxy_glCreateProgram, epoxy_glCreateProgram = CountCreateProgram;
}

// --- the scene, the device and a read-back surface, made once for every benchmark ---
struct Stage {
  Device* device = nullptr;
  Scene bare;  // the light and Camera1 alone
  pictures::SurfaceReader reader;  // the back buffer, read into system memory
  testsupport::ScratchDir scratch{"qola_bench_scene"};  // the scene's files and log.txt
  std::string dir = scratch.path();
  std::string error;
};
Stage* stage = nullptr;

void Teardown() {
  if (!stage) return;
  stage->reader.Close();
  stage->bare.Clear();
  scene.Clear();
  ReleaseShadowMap();  // before the device the shadow map was made on
  Device::DeleteInstance();
  delete stage;
  stage = nullptr;
}

std::vector<uint8_t> Solid(int side, uint8_t r, uint8_t g, uint8_t b, bool checker) {
  std::vector<uint8_t> rgba(static_cast<size_t>(side) * side * 4);
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x) {
      uint8_t* p = &rgba[(static_cast<size_t>(y) * side + x) * 4];
      const bool dark = checker && ((x / 8 + y / 8) & 1);
      p[0] = dark ? r / 2 : r;
      p[1] = dark ? g / 2 : g;
      p[2] = dark ? b / 2 : b;
      p[3] = 255;
    }
  return rgba;
}

// The lit floor scene's light and camera without its meshes.
std::vector<uint8_t> BareScene() {
  write3ds::Writer3DS w;
  w.Begin(0x4D4D).Begin(0x3D3D);
  w.Begin(0x4000).Text("Spot01").Begin(0x4600).Floats({8, -4, 30}).ByteColour(255, 255, 255);
  w.Begin(0x4610).Floats({0, 0, 0, 40, 60}).End().End().End();
  w.End().Begin(0xB000);
  w.Begin(0xB003).Begin(0xB010).Text("Camera1").U16s({0, 0, 0xFFFF}).End();
  w.Begin(0xB020).TrackHeader(0, 1).Key(0, 0, {0, 25, -40}).End().End();
  w.Begin(0xB004).Begin(0xB010).Text("Camera1").U16s({0, 0, 0xFFFF}).End();
  w.Begin(0xB020).TrackHeader(0, 1).Key(0, 0, {0, 0, 0}).End().End();
  w.End().End();
  return w.Data();
}

bool SetUpStage(Stage* s) {
  const std::string fx = bench_support::DemoFile("media/Phong.fx");
  if (fx.empty()) return s->error = "demo/media/Phong.fx not found (set QOLA_DEMO_DIR)", false;
  if (s->dir.empty()) return s->error = "no scratch directory", false;
  mkdir((s->dir + "/maps").c_str(), 0755);
  write3ds::Writer3DS scene3ds, bare3ds;
  scene3ds.Bytes(write3ds::LitFloorScene());
  bare3ds.Bytes(BareScene());
  if (!testsupport::WritePngRgba(s->dir + "/maps/checker.png", 64, 64, Solid(64, 220, 220, 220, true)) ||
      !testsupport::WritePngRgba(s->dir + "/maps/paint.png", 8, 8, Solid(8, 200, 50, 30, false)) ||
      !scene3ds.Save(s->dir + "/scene.3ds") || !bare3ds.Save(s->dir + "/bare.3ds"))
    return s->error = "cannot write the scene's files", false;

  s->device = Device::Instance();
  if (!s->device->CreateOffscreen(1024, 768)) return s->error = "no offscreen Direct3D device", false;
  if (FAILED(PrepareShadowMap(s->device, fx.c_str())) || !shadowMap || !shadowDepth)
    return s->error = "the scene effect or shadow map cannot be made", false;
  // Scene::Load writes log.txt into the working directory: load from the scratch directory.
  if (!s->scratch.Enter()) return s->error = "cannot enter the scratch directory", false;
  bool loaded = scene.Load(s->device, "scene.3ds", "maps/") && s->bare.Load(s->device, "bare.3ds", "maps/");
  if (!s->scratch.Leave() || !loaded) return s->error = "the scene cannot be loaded", false;

  IDirect3DDevice9* d3d = s->device->device;
  std::string problem;
  if (!s->reader.Open(d3d, nullptr, &problem)) return s->error = "no read-back surface: " + problem, false;
  // One frame of each kind first: whatever is made on first use is made before counting.
  scene.RenderFromCamera(s->device, "Camera1", 0, 0.01f);
  s->bare.RenderFromCamera(s->device, "Camera1", 0, 0.01f);
  CountGlObjects();
  return true;
}

Stage* GetStage(benchmark::State& state) {
  if (!stage) {
    stage = new Stage();
    if (!SetUpStage(stage)) {
      state.SkipWithError(stage->error.c_str());
      return nullptr;
    }
    std::atexit(Teardown);  // runs before the static Scene is destroyed
  }
  if (!stage->error.empty()) {
    state.SkipWithError(stage->error.c_str());
    return nullptr;
  }
  return stage;
}

// Waits for the frame: reads the back buffer into system memory.
void ReadBack(Stage* s) {
  pictures::FrameView view;
  if (s->reader.Lock(&view)) {
    benchmark::DoNotOptimize(*static_cast<volatile const uint8_t*>(view.bgrx));
    s->reader.Unlock();
  }
}

void RunFrames(benchmark::State& state, Scene* which) {
  Stage* s = GetStage(state);
  if (!s) return;
  uint64_t allocations = 0, objects = 0;
  uint32_t timeMs = 0;
  for (auto _ : state) {
    if (which == &scene) SpinSceneBoxes(static_cast<float>(timeMs));  // as a scene shot spins them
    const uint64_t a0 = bench_support::AllocationCount(), g0 = glObjects;
    HRESULT hr = which->RenderFromCamera(s->device, "Camera1", timeMs, 0.01f);
    allocations += bench_support::AllocationCount() - a0;
    objects += glObjects - g0;
    if (FAILED(hr)) {
      state.SkipWithError("RenderFromCamera failed");
      break;
    }
    ReadBack(s);
    timeMs += 40;
  }
  state.counters["allocs_per_frame"] = benchmark::Counter(static_cast<double>(allocations), benchmark::Counter::kAvgIterations);
  state.counters["gl_objects_per_frame"] = benchmark::Counter(static_cast<double>(objects), benchmark::Counter::kAvgIterations);
}

void BM_SceneShotFrame(benchmark::State& state) { RunFrames(state, &scene); }

void BM_SceneShotNoMeshes(benchmark::State& state) {
  Stage* s = GetStage(state);
  if (s) RunFrames(state, &s->bare);
}

// Also shows that the GL counting works: the layer's read-back makes its framebuffers per call.
void BM_ReadBackOnly(benchmark::State& state) {
  Stage* s = GetStage(state);
  if (!s) return;
  const uint64_t g0 = glObjects;
  for (auto _ : state) ReadBack(s);
  state.counters["gl_objects_per_readback"] =
      benchmark::Counter(static_cast<double>(glObjects - g0), benchmark::Counter::kAvgIterations);
}

BENCHMARK(BM_SceneShotFrame)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_SceneShotNoMeshes)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_ReadBackOnly)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

}  // namespace
