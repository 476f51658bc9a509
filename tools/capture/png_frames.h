// png_frames.h -- captured frames as PNG files: one picture, or a numbered sequence in a folder
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/capture/frame_scaler.h"
#include "tools/capture/frame_sink.h"

namespace capture {

// Writes frames as RGB PNGs of one size, scaled from the demo's frames when the size differs.
class PngWriter {
 public:
  bool Open(int sourceWidth, int sourceHeight, int width, int height, std::string* problem);
  // Converts and writes the frame; with times, the seconds of each stage are added there.
  bool Write(const char* path, const pictures::FrameView& image, std::string* problem, SinkTimes* times = nullptr);

 private:
  FrameScaler scaler_;
  std::vector<uint8_t> rgb_;          // the converted frame, reused
  int width_ = 0;
  int height_ = 0;
};

// DIR/frame00000.png, DIR/frame00001.png, ... The folder is made when missing.
class PngSequence : public FrameSink {
 public:
  bool Open(const std::string& dir, int sourceWidth, int sourceHeight, int width, int height, std::string* problem);
  bool WriteFrame(const pictures::FrameView& image, std::string* problem) override;
  bool Finish(std::string*) override { return true; }

  // "frame%05d.png": the name of frame index in a sequence.
  static std::string FrameName(uint32_t index);

 private:
  PngWriter writer_;
  std::string dir_;
  std::vector<char> path_;  // DIR/frameNNNNN.png, rewritten in place per frame
  uint32_t next_ = 0;
};

}  // namespace capture
