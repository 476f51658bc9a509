// cmd_capture.cpp -- `qolatool capture`: the demo rendered offline, frame-exact, to an MP4 or PNG frames
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/services/unattended.h"
#include "tools/capture/capture_options.h"
#include "tools/capture/capture_run.h"
#include "tools/qolatool/subcommand.h"

namespace {

int RunCaptureCommand(int argc, char** argv) {
  capture::CaptureOptions options;
  std::string problem;
  switch (capture::ParseCaptureArguments(argc, argv, &options, &problem)) {
    case capture::ParseResult::kHelp:
      std::fputs(capture::kCaptureHelp, stdout);
      return 0;
    case capture::ParseResult::kBadArguments:
      std::fprintf(stderr, "qolatool capture: %s\n(qolatool capture --help explains the arguments)\n", problem.c_str());
      return capture::kExitBadArguments;
    case capture::ParseResult::kRun:
      break;
  }
  // Nobody is there to click the demo's "Eek!" boxes: their text still goes to standard error.
  platform_unattended::Set(true);
  return capture::RunCapture(options);
}

Subcommand captureCommand{"capture",
                          "[--fps N] [--from MS] [--to MS] [--size WxH] [--quality CRF] (-o OUT.mp4 | --frames DIR)",
                          "render the demo offline, frame-exact, to an MP4 with its music or to PNG frames",
                          RunCaptureCommand};

}  // namespace
