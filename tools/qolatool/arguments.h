// arguments.h -- what the subcommands' argument parsers share
#pragma once

#include <cstdint>
#include <string>

#include "tools/arguments/numbers.h"

using arguments::ParseMs;  // a whole number of milliseconds, 0 to 2^32 - 1
// "qolatool SUBCOMMAND: problem" and where --help explains the arguments, on standard error;
// the exit code for bad arguments, 2.
int UsageError(const char* subcommand, const std::string& problem);
