// frame_scaler.h -- the demo's X8R8G8B8 frames converted and scaled by swscale
//
// One conversion context, made once for a source size, an output size and a pixel format:
// RGB24 for PNG files, YUV 4:2:0 for H.264.
#pragma once

#include <cstdint>
#include <string>

extern "C" {
#include <libavutil/pixfmt.h>
}

#include "tools/pictures/readback.h"

struct SwsContext;

namespace capture {

class FrameScaler {
 public:
  FrameScaler() = default;
  ~FrameScaler();
  FrameScaler(const FrameScaler&) = delete;
  FrameScaler& operator=(const FrameScaler&) = delete;

  bool Open(int sourceWidth, int sourceHeight, int width, int height, AVPixelFormat format, std::string* problem);
  // Converts image (of the source size given to Open) into the planes of the output.
  bool Scale(const pictures::FrameView& image, uint8_t* const planes[], const int strides[]);

 private:
  SwsContext* context_ = nullptr;
  int sourceWidth_ = 0;
  int sourceHeight_ = 0;
};

}  // namespace capture
