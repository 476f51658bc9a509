// arguments.cpp -- what the subcommands' argument parsers share
#include "tools/qolatool/arguments.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

bool ParseMs(const char* text, uint32_t* ms) {
  if (!text || *text < '0' || *text > '9') return false;
  errno = 0;
  char* end = nullptr;
  unsigned long long value = std::strtoull(text, &end, 10);
  if (errno != 0 || *end != '\0' || value > 0xFFFFFFFFull) return false;
  *ms = static_cast<uint32_t>(value);
  return true;
}

int UsageError(const char* subcommand, const std::string& problem) {
  std::fprintf(stderr, "qolatool %s: %s\n(qolatool %s --help explains the arguments)\n", subcommand, problem.c_str(),
               subcommand);
  return 2;
}
