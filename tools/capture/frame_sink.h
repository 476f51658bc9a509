// frame_sink.h -- where captured frames go: PNG files or a video file, behind one interface
#pragma once

#include <cstdint>
#include <string>

#include "tools/pictures/readback.h"

namespace capture {

class FrameSink {
 public:
  virtual ~FrameSink() = default;
  // Adds the next frame. False with *problem set when it cannot be written.
  virtual bool WriteFrame(const pictures::FrameView& image, std::string* problem) = 0;
  // Completes the output with the frames written so far (a video's last packets and index).
  virtual bool Finish(std::string* problem) = 0;
};

}  // namespace capture
