// frame_sink.h -- where captured frames go (PNG files, a video, a GIF), in two stages
//
// Convert turns a read-back frame into the output's pixels (scaling, colour) in one of the
// sink's slots; Encode writes a slot's frame out (encoders, muxer, files). The serial capture
// runs both for each frame on its own thread with slot 0; the pipelined one converts on one
// worker thread and encodes on others, with several slots in use at once. A sink's bytes depend
// only on the frames and their order, never on which thread ran a stage, so both captures write
// the same files.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "tools/pictures/readback.h"

namespace capture {

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
  static constexpr int kMaxSlots = 8;

  virtual ~FrameSink() = default;
  // Makes the buffers of slots (1 to kMaxSlots) converted frames, before the first frame.
  virtual bool Reserve(int slots, std::string* problem) = 0;
  // Converts image into slot. One call at a time; never a slot whose Encode is running.
  virtual bool Convert(const pictures::FrameView& image, int slot, std::string* problem) = 0;
  // Encodes the frame converted into slot as the output's frame index (0, 1, ...). Frames come
  // in order, one call at a time, unless EncodesEachFrameAlone.
  virtual bool Encode(int slot, uint32_t index, std::string* problem) = 0;
  // True when each frame is a file of its own, so that frames can be encoded at once on several
  // threads, in any order.
  virtual bool EncodesEachFrameAlone() const { return false; }
  // Completes the output with the frames encoded so far (a video's last packets and index, a
  // GIF's palette and frames).
  virtual bool Finish(std::string* problem) = 0;
};

}  // namespace capture
