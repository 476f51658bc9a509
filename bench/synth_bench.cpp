// synth_bench.cpp -- how fast qolasynth renders: the shipped song's busiest section against a bare oscillator
//
// The song is cut to its "drop2" section (every instrument, both effects) and rendered whole,
// master bus included. Beside it, the floor of the same work: one sine oscillator writing the
// same number of stereo frames. Both report frames per second; 44100 is real time.
#include <benchmark/benchmark.h>

#include <cmath>
#include <string>
#include <vector>

#include "tools/synth/dsp.h"
#include "tools/synth/render.h"
#include "tools/synth/song.h"

namespace {

constexpr double kBpm = 120.0;

bool BusiestSection(synth::Song* song, std::string* error) {
  for (const char* path : {"tools/synth/song.txt", "../tools/synth/song.txt", "../../tools/synth/song.txt"}) {
    if (!synth::LoadSong(path, song, error)) continue;
    for (const synth::Section& section : song->sections) {
      if (section.name != "drop2") continue;
      song->sections = {section};
      return true;
    }
    *error = std::string(path) + " has no section \"drop2\"";
    return false;
  }
  return false;
}

void BM_RenderBusiestSection(benchmark::State& state) {
  synth::Song song;
  std::string error;
  if (!BusiestSection(&song, &error)) {
    state.SkipWithError(("the song did not load: " + error).c_str());
    return;
  }
  int64_t frames = 0;
  for (auto _ : state) {
    std::vector<float> stereo = synth::RenderSong(song, kBpm);
    benchmark::DoNotOptimize(stereo.data());
    frames += static_cast<int64_t>(stereo.size() / 2);
  }
  state.counters["frames/s"] = benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RenderBusiestSection)->Unit(benchmark::kMillisecond);

void BM_BareSineSameFrames(benchmark::State& state) {
  const int64_t length = synth::StepFrame(16 * synth::kStepsPerBar, kBpm);  // drop2's 16 bars
  int64_t frames = 0;
  for (auto _ : state) {
    std::vector<float> stereo(static_cast<size_t>(length) * 2);
    float phase = 0.0f;
    for (int64_t f = 0; f < length; ++f) {
      float s = std::sin(2.0f * synth::kPi * phase);
      stereo[2 * f] = s;
      stereo[2 * f + 1] = s;
      phase += 440.0f / synth::kSampleRate;
      if (phase >= 1.0f) phase -= 1.0f;
    }
    benchmark::DoNotOptimize(stereo.data());
    frames += length;
  }
  state.counters["frames/s"] = benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_BareSineSameFrames)->Unit(benchmark::kMillisecond);

}  // namespace
