// music_bench.cpp -- how fast the music stream path decodes demo/media/music.ogg
//
// The stream class is driven without a sound device: after a rewind its feeder thread decodes
// and converts the file into the frame ring, and this loop takes the frames out as the mixer
// would, as fast as they come, until the stream reports its end. The rate is output frames
// (44100 Hz stereo) per second of wall time. The feeder naps 5 ms whenever the ring is full,
// so the figure is the throughput of the whole path (decode, convert, ring), not of the
// decoder alone.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_support.h"
#include "platform/fmod/fmod_stream.h"

namespace {

constexpr int kMixRate = 44100;
constexpr uint32_t kMixFrames = 1024;  // the size of one block the output takes

void BM_DecodeMusic(benchmark::State& state) {
  std::string path = bench_support::DemoFile("media/music.ogg");
  if (path.empty()) {
    state.SkipWithError("demo/media/music.ogg not found: run from the repository or its build folder, or set QOLA_DEMO_DIR");
    return;
  }
  int error = 0;
  std::string reason;
  std::unique_ptr<fsound::Stream> stream(fsound::Stream::Open(path, kMixRate, &error, &reason));
  if (!stream) {
    state.SkipWithError(("the music did not open: " + reason).c_str());
    return;
  }
  std::vector<float> block(static_cast<size_t>(kMixFrames) * 2);
  uint64_t frames = 0;
  for (auto _ : state) {
    stream->Rewind();
    // Mix adds onto the block; clearing it each time keeps the values bounded.
    do {
      std::fill(block.begin(), block.end(), 0.0f);
      benchmark::DoNotOptimize(block.data());
      // Leave the core to the feeder between blocks rather than spin on an empty ring.
      std::this_thread::yield();
    } while (stream->Mix(block.data(), kMixFrames, std::chrono::steady_clock::now()));
    // Long after the last block every frame it took counts as played.
    frames += stream->HeardFrames(std::chrono::steady_clock::now() + std::chrono::hours(1), 0);
  }
  state.counters["frames_per_s"] = benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
  state.counters["music_s"] = static_cast<double>(stream->LengthMs()) / 1000.0;
  state.counters["x_realtime"] = benchmark::Counter(static_cast<double>(frames) / kMixRate, benchmark::Counter::kIsRate);
}

// The decoding runs on the stream's own thread: wall time is what counts.
BENCHMARK(BM_DecodeMusic)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
