// progress.h -- the capture's progress line and its Ctrl+C stop
//
// The line shows the frames done of the total, the frames per second so far, the time left and
// each stage's share of the time.
// On a terminal it is rewritten in place a few times a second; into a file or pipe a full line
// is written every few seconds instead, so logs stay readable.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace capture {

// "frame 120/600, 24.3 fps, 0:19 left" (and "--:-- left" before a rate is known).
void FormatProgress(char* text, size_t size, uint32_t done, uint32_t total, double seconds);

// The seconds the frames so far spent in each stage of the capture.
struct StageSeconds {
  double render = 0.0;    // the demo's frame, until the GPU has drawn it
  double readback = 0.0;  // GetRenderTargetData and the lock
  double convert = 0.0;   // scaling and colour conversion
  double encode = 0.0;    // encoding and writing the file
};
// "render 61 %, readback 9 %, convert 4 %, encode 26 %"; empty while no time is counted.
void FormatShares(char* text, size_t size, const StageSeconds& stages);

class ProgressLine {
 public:
  ProgressLine(FILE* out, uint32_t total);
  void Update(uint32_t done, const StageSeconds& stages);
  // The last line: "done", or how far it came when stopped, and where the time went.
  void Finish(uint32_t done, bool stopped, const StageSeconds& stages);

 private:
  double Seconds() const;

  FILE* out_;
  uint32_t total_;
  bool terminal_;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point lastShown_;
  char text_[192];
};

// While one lives, Ctrl+C (SIGINT) only asks the capture to stop: the loop finishes the file
// with what it has. A second Ctrl+C ends the program as usual.
class StopOnInterrupt {
 public:
  StopOnInterrupt();
  ~StopOnInterrupt();
  StopOnInterrupt(const StopOnInterrupt&) = delete;
  StopOnInterrupt& operator=(const StopOnInterrupt&) = delete;
  static bool Requested();
};

}  // namespace capture
