// loader3ds_bench.cpp -- reading a 3DS scene: the chunk walk, its records and its log
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "src/import3ds/loader3ds.h"
#include "tests/support/scratch_dir.h"
#include "tools/write3ds/writer3ds.h"

namespace {

// A scene of `meshes` grid meshes of side x side vertices (two faces per grid cell), each with
// one material group, under one material: the shape of a modelled scene's geometry.
std::vector<uint8_t> GridScene(int meshes, int side) {
  write3ds::Writer3DS w;
  w.Begin(0x4D4D);
  w.Begin(0x3D3D);
  w.Begin(0xAFFF).Begin(0xA000).Text("Grey").End().End();
  const int faces = 2 * (side - 1) * (side - 1);
  for (int m = 0; m < meshes; ++m) {
    w.Begin(0x4000).Text("Grid" + std::to_string(m));
    w.Begin(0x4100);
    w.Begin(0x4110).U16(static_cast<uint16_t>(side * side));
    for (int y = 0; y < side; ++y)
      for (int x = 0; x < side; ++x) w.F32(static_cast<float>(x)).F32(static_cast<float>(y)).F32(0.0f);
    w.End();
    w.Begin(0x4140).U16(static_cast<uint16_t>(side * side));
    for (int i = 0; i < side * side; ++i) w.F32(0.5f).F32(0.5f);
    w.End();
    w.Begin(0x4120).U16(static_cast<uint16_t>(faces));
    for (int y = 0; y + 1 < side; ++y) {
      for (int x = 0; x + 1 < side; ++x) {
        uint16_t a = static_cast<uint16_t>(y * side + x), b = static_cast<uint16_t>(a + 1);
        uint16_t c = static_cast<uint16_t>(a + side), d = static_cast<uint16_t>(c + 1);
        w.U16(a).U16(c).U16(b).U16(0).U16(b).U16(c).U16(d).U16(0);
      }
    }
    w.Begin(0x4130).Text("Grey").U16(static_cast<uint16_t>(faces));
    for (int f = 0; f < faces; ++f) w.U16(static_cast<uint16_t>(f));
    w.End();
    w.End();  // face list
    w.End();  // trimesh
    w.End();  // object
  }
  w.End();  // editor
  w.End();  // main
  return w.Data();
}

void BM_LoadScene(benchmark::State& state) {
  const int meshes = static_cast<int>(state.range(0));
  const int side = static_cast<int>(state.range(1));
  const std::vector<uint8_t> scene = GridScene(meshes, side);
  testsupport::ScratchDir dir("qola_bench_3ds");
  if (dir.path().empty()) {
    state.SkipWithError("cannot make a scratch directory for log.txt");
    return;
  }
  const std::string log = dir.File("log.txt");
  for (auto _ : state) {
    Loader3DS loader;
    loader.logPath = log;
    if (!loader.LoadImage("grid.3ds", "media/maps/", scene.data(), static_cast<uint32_t>(scene.size()))) {
      state.SkipWithError(("the generated scene was refused: " + loader.Problem()).c_str());
      break;
    }
    benchmark::DoNotOptimize(loader.meshes.count);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(scene.size()));
}
BENCHMARK(BM_LoadScene)->Args({4, 32})->Args({16, 128})->Unit(benchmark::kMicrosecond);

}  // namespace
