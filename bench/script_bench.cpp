// script_bench.cpp -- reading the demo script at load time (DemoScript::Serialize, save false)
//
// The sound library is not started here, so the music stream does not open and Serialize
// returns false after the script was read; a read is counted as done when `problem` is empty.
// What is timed is the script alone: parsing, checking and making every event.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/bench_support.h"
#include "src/script/demo_script.h"

namespace {

void QuietReport(const char*) {}

void ReadScript(benchmark::State& state, const std::string& path) {
  DemoScript script;
  script.reportProblem = QuietReport;
  for (auto _ : state) {
    script.Serialize(path.c_str(), false, new GenericTimelineEvent());
    if (!script.problem.empty()) {
      state.SkipWithError(("the script was refused: " + script.problem).c_str());
      break;
    }
  }
  script.Close();
}

void BM_ReadDemoScript(benchmark::State& state) {
  std::string path = bench_support::DemoFile("go.xml");
  if (path.empty()) {
    state.SkipWithError("demo/go.xml not found: run from the repository or its build folder, or set QOLA_DEMO_DIR");
    return;
  }
  ReadScript(state, path);
}

// A script of layers x events written to a temporary file, in the form of demo/go.xml.
std::string WriteLargeScript(int layers, int events) {
  char name[] = "/tmp/qola_bench_script_XXXXXX";
  int fd = mkstemp(name);
  if (fd < 0) return std::string();
  FILE* out = fdopen(fd, "w");
  if (!out) {
    close(fd);
    unlink(name);
    return std::string();
  }
  std::fprintf(out, "<demo music_filename=\"media/music.ogg\" bpm=\"133\" window_title=\"qola\">\n");
  std::fprintf(out, "    <timeline num_layers=\"%d\">\n", layers);
  for (int l = 0; l < layers; ++l) {
    std::fprintf(out, "        <layer>\n");
    for (int e = 0; e < events; ++e) {
      std::fprintf(out, "            <event start=\"%d\" duration=\"8\" param0=\"%d\" param1=\"%d\" param2=\"%d\" />\n",
                   e * 8, e % 4, e % 6, (e * 1000) % 16000);
    }
    std::fprintf(out, "        </layer>\n");
  }
  std::fprintf(out, "    </timeline>\n</demo>\n");
  bool written = std::fclose(out) == 0;
  if (!written) {
    unlink(name);
    return std::string();
  }
  return name;
}

void BM_ReadLargeScript(benchmark::State& state) {
  const int layers = static_cast<int>(state.range(0));
  const int events = static_cast<int>(state.range(1));
  std::string path = WriteLargeScript(layers, events);
  if (path.empty()) {
    state.SkipWithError("could not write the generated script to /tmp");
    return;
  }
  ReadScript(state, path);
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * layers * events);  // events read per second
  unlink(path.c_str());
}

BENCHMARK(BM_ReadDemoScript)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadLargeScript)->ArgNames({"layers", "events"})->Args({4, 2500})->Args({4, 10000})->Unit(benchmark::kMillisecond);

}  // namespace
