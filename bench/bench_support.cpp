// bench_support.cpp -- a counting global operator new and the search for the demo's files
#include "bench/bench_support.h"

#include <sys/stat.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<uint64_t> allocations{0};

bool IsFile(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

// Counted so a benchmark can report how many allocations its timed loop made. The sized and
// array forms of the standard library forward to these two.
void* operator new(std::size_t size) {
  allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace bench_support {

uint64_t AllocationCount() { return allocations.load(std::memory_order_relaxed); }

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
