// png_frames.h -- captured frames as PNG files: one picture, or a numbered sequence in a folder
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/capture/frame_scaler.h"
#include "tools/capture/frame_sink.h"

namespace capture {

// Converts frames to RGB at one size (scaled from the demo's frames when the size differs) and
// writes RGB PNGs of them.
class PngWriter {
 public:
  bool Open(int sourceWidth, int sourceHeight, int width, int height, std::string* problem);
  size_t FrameBytes() const { return static_cast<size_t>(width_) * height_ * 3; }
  // Converts image into rgb, FrameBytes() bytes. One call at a time.
  bool Convert(const pictures::FrameView& image, uint8_t* rgb, std::string* problem);
  // Writes rgb as the PNG file path; safe on several threads at once.
  bool Save(const char* path, const uint8_t* rgb, std::string* problem) const;

 private:
  FrameScaler scaler_;
  int width_ = 0;
  int height_ = 0;
};

// DIR/frame00000.png, DIR/frame00001.png, ... The folder is made when missing. Each frame is a
// file of its own: frames are encoded on several threads at once in a pipelined capture.
class PngSequence : public FrameSink {
 public:
  bool Open(const std::string& dir, int sourceWidth, int sourceHeight, int width, int height, std::string* problem);
  bool Reserve(int slots, std::string* problem) override;
  bool Convert(const pictures::FrameView& image, int slot, std::string* problem) override;
  bool Encode(int slot, uint32_t index, std::string* problem) override;
  bool EncodesEachFrameAlone() const override { return true; }
  bool Finish(std::string*) override { return true; }

  // "frame%05d.png": the name of frame index in a sequence.
  static std::string FrameName(uint32_t index);

 private:
  struct Slot {
    std::vector<uint8_t> rgb;  // the converted frame
    std::vector<char> path;    // DIR/frameNNNNN.png, rewritten in place per frame
  };

  PngWriter writer_;
  std::string dir_;
  std::vector<Slot> slots_;
};

}  // namespace capture
