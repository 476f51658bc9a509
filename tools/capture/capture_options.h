// capture_options.h -- the arguments of `qolatool capture` and `qolatool frame`
//
// Parsing is separate from running so that every argument's check is one table of tests and
// the tools print one clear message for each bad argument (exit code 2).
#pragma once

#include <cstdint>
#include <string>

namespace capture {

// The demo's back buffer: what every frame is rendered at before it is scaled.
constexpr int kDemoWidth = 1024;
constexpr int kDemoHeight = 768;

struct CaptureOptions {
  uint32_t fps = 60;
  uint32_t fromMs = 0;
  bool hasTo = false;  // false: up to the music's end
  uint32_t toMs = 0;
  int width = kDemoWidth;  // of the output, scaled from the demo's 1024 x 768
  int height = kDemoHeight;
  int quality = 18;        // the video encoder's constant rate factor, 0 (best) to 51
  std::string videoPath;   // -o: a video file (.mp4, .webm, .mkv) ...
  std::string framesDir;   // --frames: ... or a folder of PNG frames
  bool nullOutput = false;  // --null: ... or nothing: render and read back only
  bool serial = false;      // --serial: each frame's stages one after another, no worker threads
};

struct FrameOptions {
  uint32_t atMs = 0;
  int width = kDemoWidth;
  int height = kDemoHeight;
  std::string pngPath;
};

enum class ParseResult { kRun, kHelp, kBadArguments };

// argv[0] is the subcommand's name. kBadArguments sets *problem to one sentence naming the
// argument and what is wrong with it.
ParseResult ParseCaptureArguments(int argc, char** argv, CaptureOptions* out, std::string* problem);
ParseResult ParseFrameArguments(int argc, char** argv, FrameOptions* out, std::string* problem);

extern const char kCaptureHelp[];
extern const char kFrameHelp[];

// Frame n of a capture shows music time fromMs + n x 1000 / fps, in whole milliseconds (the
// demo's clocks count milliseconds); the capture holds every frame whose time is before toMs.
uint32_t FrameTimeMs(uint32_t fromMs, uint32_t fps, uint32_t frame);
uint32_t FrameCount(uint32_t fromMs, uint32_t toMs, uint32_t fps);

}  // namespace capture
