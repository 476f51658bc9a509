// bench_support.cpp -- the allocation count and the search for the demo's files
#include "bench/bench_support.h"

#include <sys/stat.h>
#include <time.h>

#include <cstdlib>

#include "tests/support/gl_hooks.h"

namespace {

bool IsFile(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

namespace bench_support {

// The test programs' counting operator new (tests/support/allocation_count.cpp) counts here too.
uint64_t AllocationCount() { return glhooks::Allocations(); }

double ProcessCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) * 1e-6;
}

std::string DemoFile(const std::string& name) {
  if (const char* dir = std::getenv("QOLA_DEMO_DIR")) {
    std::string path = std::string(dir) + "/" + name;
    return IsFile(path) ? path : std::string();
  }
  for (const char* dir : {"demo/", "../demo/", "../../demo/"}) {
    std::string path = dir + name;
    if (IsFile(path)) return path;
  }
  return std::string();
}

}  // namespace bench_support
