// arguments.cpp -- what the subcommands' argument parsers share
#include "tools/qolatool/arguments.h"

#include <cstdio>

int UsageError(const char* subcommand, const std::string& problem) {
  std::fprintf(stderr, "qolatool %s: %s\n(qolatool %s --help explains the arguments)\n", subcommand, problem.c_str(),
               subcommand);
  return 2;
}
