// subcommand.h -- how a qolatool subcommand registers itself
//
// Each subcommand lives in a file of its own in this folder and registers itself with a static
// `Subcommand` object, so that adding one never touches main.cpp:
//   static Subcommand script{"script", "FILE [--at MS]...", "print a demo script's layers at music times", RunScript};
// `run` receives the arguments after the subcommand's name (argv[0] is the subcommand) and
// returns the exit code. "--help" among them is the subcommand's own business.
#pragma once

#include <vector>

struct Subcommand {
  using Run = int (*)(int argc, char** argv);
  Subcommand(const char* name, const char* usage, const char* summary, Run run);

  const char* name;
  const char* usage;
  const char* summary;
  Run run;
};

const std::vector<const Subcommand*>& Subcommands();
