// capture_run.h -- `qolatool capture` and `qolatool frame`: the demo rendered offline, frame-exact
//
// Both run in the demo's run directory. They turn the platform's virtual clock on, start the
// demo on an offscreen device (DemoSession), open the output and run the frame loop
// (capture_loop.h): pipelined unless --serial; `qolatool frame` is one serial frame.
#pragma once

#include "tools/capture/capture_options.h"

class FrameHandler;

namespace capture {

constexpr int kExitDone = 0;
constexpr int kExitFailed = 1;
constexpr int kExitBadArguments = 2;
constexpr int kExitInterrupted = 130;  // 128 + SIGINT, as shells report it

// The exit code; messages go to standard error. handler: the timeline's frame handler (owned);
// null for the demo's own.
int RunCapture(const CaptureOptions& options, FrameHandler* handler = nullptr);
int RunFrameShot(const FrameOptions& options, FrameHandler* handler = nullptr);

}  // namespace capture
