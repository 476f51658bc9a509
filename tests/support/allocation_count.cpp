// allocation_count.cpp -- the test program's global operator new, counted for glhooks::Allocations
//
// Linked into a test program when it asks glhooks::Allocations(); every plain, array and nothrow
// form is replaced, so that whatever allocates with one frees with its match (the sanitizers
// check the pairs).
#include <atomic>
#include <cstdlib>
#include <new>

#include "tests/support/gl_hooks.h"

namespace {
std::atomic<uint64_t> g_allocations{0};
}

// GCC sees malloc and free meet the replaced operators in this file and would warn of a
// mismatch that is none.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size) {
  if (glhooks::InDriver() == 0) g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  if (glhooks::InDriver() == 0) g_allocations.fetch_add(1, std::memory_order_relaxed);
  return std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

uint64_t glhooks::Allocations() { return g_allocations.load(std::memory_order_relaxed); }
