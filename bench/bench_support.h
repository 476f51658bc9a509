// bench_support.h -- what the benchmarks share: counting allocations, finding the demo's files
#pragma once

#include <cstdint>
#include <string>

namespace bench_support {

// Every global operator new made in this process so far (bench_support.cpp replaces it).
uint64_t AllocationCount();

// CPU milliseconds this process has used so far, on all its threads (the GL driver's rasterizer
// threads included). Steadier than wall time where other machines share the cores.
double ProcessCpuMs();

// The path of a file of the demo folder, e.g. DemoFile("go.xml"): under $QOLA_DEMO_DIR when set,
// otherwise the first of demo/, ../demo/, ../../demo/ (from the working directory) that holds it.
// Empty when none does.
std::string DemoFile(const std::string& name);

}  // namespace bench_support
