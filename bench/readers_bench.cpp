// readers_bench.cpp -- the effect parser and the .x reader on the largest files they accept,
// beside the bare cost of copying the same bytes: both should stay a small multiple of it
#include <benchmark/benchmark.h>

#include <string>

#include "platform/d3dx9/readers/effect_desc.h"
#include "platform/d3dx9/readers/xfile_read.h"

namespace {

// `parameters` float4 parameters, one shader pair and one technique.
std::string EffectText(int parameters) {
  std::string text;
  for (int i = 0; i < parameters; ++i) text += "float4 g_vParam" + std::to_string(i) + " = {1, 2, 3, 4};\n";
  text += "vertexshader V { void main() {} }\npixelshader P { void main() {} }\n"
          "technique T { pass A { ZEnable = true; ColorWriteEnable = 15; VertexShader = V; PixelShader = P; } }\n";
  return text;
}

// A grid of side x side vertices as a text .x mesh of quads.
std::string XText(int side) {
  std::string text = "xof 0303txt 0032\nMesh {\n" + std::to_string(side * side) + ";\n";
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x) text += std::to_string(x) + ".0;" + std::to_string(y) + ".0;0.0;,\n";
  int quads = (side - 1) * (side - 1);
  text += std::to_string(quads) + ";\n";
  for (int y = 0; y + 1 < side; ++y)
    for (int x = 0; x + 1 < side; ++x) {
      int v = y * side + x;
      text += "4;" + std::to_string(v) + "," + std::to_string(v + side) + "," + std::to_string(v + side + 1) + "," +
              std::to_string(v + 1) + ";,\n";
    }
  return text + "}\n";
}

void BM_ParseEffect(benchmark::State& state) {
  std::string text = EffectText(static_cast<int>(state.range(0)));
  d3dx9fx::EffectDesc desc;
  std::string error;
  for (auto _ : state) {
    if (!d3dx9fx::ParseEffect("bench.fx", text, &desc, &error)) state.SkipWithError(error.c_str());
    benchmark::DoNotOptimize(desc.parameters.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_ParseEffect)->Arg(64)->Arg(256)->Arg(1024);

void BM_ReadXFile(benchmark::State& state) {
  std::string text = XText(static_cast<int>(state.range(0)));
  d3dx9x::XMesh mesh;
  std::string error;
  for (auto _ : state) {
    if (!d3dx9x::ReadXFile(text, &mesh, &error)) state.SkipWithError(error.c_str());
    benchmark::DoNotOptimize(mesh.indices.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_ReadXFile)->Arg(64)->Arg(128)->Arg(255);

// The bare cost: the same bytes copied once, as any reader must at least touch them.
void BM_CopyBytes(benchmark::State& state) {
  std::string text = state.range(1) ? XText(static_cast<int>(state.range(0))) : EffectText(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    std::string copy = text;
    benchmark::DoNotOptimize(copy.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_CopyBytes)->Args({1024, 0})->Args({255, 1});

}  // namespace
