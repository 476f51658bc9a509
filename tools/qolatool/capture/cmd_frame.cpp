// cmd_frame.cpp -- `qolatool frame`: one frame of the demo at a music time, as capture renders it
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/services/unattended.h"
#include "tools/capture/capture_options.h"
#include "tools/capture/capture_run.h"
#include "tools/qolatool/subcommand.h"

namespace {

int RunFrameCommand(int argc, char** argv) {
  capture::FrameOptions options;
  std::string problem;
  switch (capture::ParseFrameArguments(argc, argv, &options, &problem)) {
    case capture::ParseResult::kHelp:
      std::fputs(capture::kFrameHelp, stdout);
      return 0;
    case capture::ParseResult::kBadArguments:
      std::fprintf(stderr, "qolatool frame: %s\n(qolatool frame --help explains the arguments)\n", problem.c_str());
      return capture::kExitBadArguments;
    case capture::ParseResult::kRun:
      break;
  }
  platform_unattended::Set(true);  // the demo's "Eek!" texts go to standard error only
  return capture::RunFrameShot(options);
}

Subcommand frameCommand{"frame", "--at MS [--size WxH] -o OUT.png",
                        "render one frame of the demo at a music time to a PNG, as capture does",
                        RunFrameCommand};

}  // namespace
