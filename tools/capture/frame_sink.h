// frame_sink.h -- where captured frames go: PNG files or a video file, behind one interface
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "tools/pictures/readback.h"

namespace capture {

// Where a sink's time goes: converting frames (scaling, colour) and encoding them (and writing).
struct SinkTimes {
  double convertSeconds = 0.0;
  double encodeSeconds = 0.0;
};

// Adds the seconds of its own lifetime to *total: one stage of one frame.
class StageTimer {
 public:
  explicit StageTimer(double* total) : total_(total), start_(std::chrono::steady_clock::now()) {}
  ~StageTimer() { *total_ += std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count(); }
  StageTimer(const StageTimer&) = delete;
  StageTimer& operator=(const StageTimer&) = delete;

 private:
  double* total_;
  std::chrono::steady_clock::time_point start_;
};

class FrameSink {
 public:
  virtual ~FrameSink() = default;
  // Adds the next frame. False with *problem set when it cannot be written.
  virtual bool WriteFrame(const pictures::FrameView& image, std::string* problem) = 0;
  // Completes the output with the frames written so far (a video's last packets and index).
  virtual bool Finish(std::string* problem) = 0;
  const SinkTimes& Times() const { return times_; }

 protected:
  SinkTimes times_;
};

}  // namespace capture
