// cmd_capture.cpp -- `qolatool capture` and `qolatool frame`: the demo rendered offline, frame-exact
//
// capture renders a range to an MP4 or PNG frames; frame renders one moment to a PNG, as capture
// does. Both parse their options, say a bad one in one line (exit 2) and run unattended.
#include <cstdio>
#include <string>

#include "platform/services/unattended.h"
#include "tools/capture/capture_options.h"
#include "tools/capture/capture_run.h"
#include "tools/qolatool/arguments.h"
#include "tools/qolatool/subcommand.h"

namespace {

template <typename Options>
int RunOffline(const char* name, const char* help,
               capture::ParseResult (*parse)(int, char**, Options*, std::string*),
               int (*run)(const Options&, FrameHandler*), int argc, char** argv) {
  Options options;
  std::string problem;
  switch (parse(argc, argv, &options, &problem)) {
    case capture::ParseResult::kHelp:
      std::fputs(help, stdout);
      return 0;
    case capture::ParseResult::kBadArguments:
      return UsageError(name, problem);
    case capture::ParseResult::kRun:
      break;
  }
  // Nobody is there to click the demo's "Eek!" boxes: their text still goes to standard error.
  platform_unattended::Set(true);
  return run(options, nullptr);
}

int RunCaptureCommand(int argc, char** argv) {
  return RunOffline("capture", capture::kCaptureHelp, capture::ParseCaptureArguments, capture::RunCapture, argc, argv);
}

int RunFrameCommand(int argc, char** argv) {
  return RunOffline("frame", capture::kFrameHelp, capture::ParseFrameArguments, capture::RunFrameShot, argc, argv);
}

Subcommand captureCommand{"capture",
                          "[--fps N] [--from MS] [--to MS] [--size WxH] [--quality CRF] (-o OUT.mp4|.webm|.mkv | --frames DIR)",
                          "render the demo offline, frame-exact, to an MP4 with its music or to PNG frames",
                          RunCaptureCommand};

Subcommand frameCommand{"frame", "--at MS [--size WxH] -o OUT.png",
                        "render one frame of the demo at a music time to a PNG, as capture does",
                        RunFrameCommand};

}  // namespace
