// numbers.cpp -- whole numbers and "WxH" sizes from the command line
#include "tools/arguments/numbers.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

namespace arguments {

bool ParseWhole(const char* text, uint64_t max, uint64_t* out) {
  // strtoull alone would take a leading space, a sign (and negate) or a trailing suffix.
  if (!text || *text < '0' || *text > '9') return false;
  errno = 0;
  char* end = nullptr;
  const unsigned long long value = std::strtoull(text, &end, 10);
  if (errno != 0 || *end != '\0' || value > max) return false;
  *out = value;
  return true;
}

bool ParseMs(const char* text, uint32_t* ms) {
  uint64_t value = 0;
  if (!ParseWhole(text, 0xFFFFFFFFull, &value)) return false;
  *ms = static_cast<uint32_t>(value);
  return true;
}

bool ParseSize(const char* text, int minSide, int maxSide, int* width, int* height) {
  const char* x = text ? std::strchr(text, 'x') : nullptr;
  if (!x || minSide < 0 || maxSide < minSide) return false;
  const std::string w(text, static_cast<size_t>(x - text));
  uint64_t wv = 0, hv = 0;
  const uint64_t max = static_cast<uint64_t>(maxSide);
  if (!ParseWhole(w.c_str(), max, &wv) || !ParseWhole(x + 1, max, &hv)) return false;
  if (wv < static_cast<uint64_t>(minSide) || hv < static_cast<uint64_t>(minSide)) return false;
  *width = static_cast<int>(wv);
  *height = static_cast<int>(hv);
  return true;
}

}  // namespace arguments
