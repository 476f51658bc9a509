// timeline_bench.cpp -- the per-frame layer lookup (Timeline::Update, as DemoScript::Update runs it)
#include <benchmark/benchmark.h>

#include <cstdint>

#include "bench/bench_support.h"
#include "src/timeline/timeline.h"
#include "src/timeline/timeline_event.h"

namespace {

// layers x events: each layer is a run of events of 4 to 19 sixteenths with a one-sixteenth gap
// after every third, so lookups meet active events, gaps, and the time past the last event.
// Returns the script's length in milliseconds.
uint32_t Fill(Timeline* timeline, uint32_t layers, uint32_t events) {
  timeline->SetLayerCount(layers);
  timeline->SetBpm(120.0f);
  uint32_t longest = 0;
  for (uint32_t l = 0; l < layers; ++l) {
    uint32_t start = 0;
    for (uint32_t e = 0; e < events; ++e) {
      uint32_t duration = 4 + (e * 7 + l * 3) % 16;
      timeline->layers[l].Append(new GenericTimelineEvent(start, duration));
      start += duration + (e % 3 == 2 ? 1 : 0);
    }
    if (start > longest) longest = start;
  }
  return timeline->SixteenthsToMs(longest);
}

void BM_TimelineUpdate(benchmark::State& state) {
  const uint32_t layers = static_cast<uint32_t>(state.range(0));
  const uint32_t events = static_cast<uint32_t>(state.range(1));
  Timeline timeline(layers);
  // A little past the end, so the last frames find no event on any layer.
  const uint32_t lengthMs = Fill(&timeline, layers, events) + 1000;

  // About a thousand music times spread evenly over the whole script, visited in turn, so the
  // average cost is that of a whole play-through however many iterations run (a 17 ms frame
  // step would stay in the first seconds of a long script, where the search ends early).
  const uint32_t stepMs = lengthMs / 1009 + 1;
  uint32_t timeMs = 0;
  uint32_t found = 0;
  const uint64_t allocationsBefore = bench_support::AllocationCount();
  for (auto _ : state) {
    timeline.Update(timeMs);
    for (uint32_t l = 0; l < layers; ++l) found += timeline.states[l].event != nullptr;
    benchmark::DoNotOptimize(found);
    timeMs += stepMs;
    if (timeMs >= lengthMs) timeMs = 0;
  }
  const uint64_t allocations = bench_support::AllocationCount() - allocationsBefore;
  state.counters["allocs_per_lookup"] =
      benchmark::Counter(static_cast<double>(allocations), benchmark::Counter::kAvgIterations);
  state.counters["active_layers"] =
      benchmark::Counter(static_cast<double>(found), benchmark::Counter::kAvgIterations);
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));  // lookups (frames) per second
  timeline.Destroy();
}

BENCHMARK(BM_TimelineUpdate)->ArgNames({"layers", "events"})->Args({4, 200})->Args({4, 10000});

}  // namespace
