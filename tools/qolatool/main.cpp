// main.cpp -- qolatool: the demo makers' command-line companion; dispatches to its subcommands
#include <cstdio>
#include <cstring>
#include <vector>

#include "tools/qolatool/subcommand.h"

namespace {

std::vector<const Subcommand*>& Registry() {
  static std::vector<const Subcommand*> registry;
  return registry;
}

void PrintUsage(FILE* out) {
  std::fprintf(out,
               "usage: qolatool SUBCOMMAND [ARGS]...\n"
               "\n"
               "qolatool works on the files of a qola demo with the demo's own code.\n"
               "Each subcommand takes --help.\n"
               "\n"
               "subcommands:\n");
  for (const Subcommand* sub : Subcommands()) {
    std::fprintf(out, "  %-8s %s\n           %s\n", sub->name, sub->usage, sub->summary);
  }
}

}  // namespace

Subcommand::Subcommand(const char* name_, const char* usage_, const char* summary_, Run run_)
    : name(name_), usage(usage_), summary(summary_), run(run_) {
  Registry().push_back(this);
}

const std::vector<const Subcommand*>& Subcommands() { return Registry(); }

int main(int argc, char** argv) {
  if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
    PrintUsage(argc < 2 ? stderr : stdout);
    return argc < 2 ? 2 : 0;
  }
  for (const Subcommand* sub : Subcommands()) {
    if (std::strcmp(argv[1], sub->name) == 0) return sub->run(argc - 1, argv + 1);
  }
  std::fprintf(stderr, "qolatool: unknown subcommand \"%s\" (qolatool --help lists them)\n", argv[1]);
  return 2;
}
