// bench_support.h -- what the benchmarks share: counting allocations, finding the demo's files
#pragma once

#include <cstdint>
#include <string>

namespace bench_support {

// Every global operator new made in this process so far (bench_support.cpp replaces it).
uint64_t AllocationCount();

// The path of a file of the demo folder, e.g. DemoFile("go.xml"): under $QOLA_DEMO_DIR when set,
// otherwise the first of demo/, ../demo/, ../../demo/ (from the working directory) that holds it.
// Empty when none does.
std::string DemoFile(const std::string& name);

}  // namespace bench_support
