// frame_scaler.cpp -- swscale from the back buffer's BGRX bytes to the output's format and size
#include "tools/capture/frame_scaler.h"

extern "C" {
#include <libswscale/swscale.h>
}

namespace capture {

FrameScaler::~FrameScaler() { sws_freeContext(context_); }

bool FrameScaler::Open(int sourceWidth, int sourceHeight, int width, int height, AVPixelFormat format,
                       std::string* problem) {
  sws_freeContext(context_);
  // Bicubic when scaling; at the same size only the colour conversion happens. Accurate
  // rounding keeps flat colours flat. The conversion is deterministic: same frame, same bytes.
  int flags = SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT;
  // RGB to RGB at the same size is a plain reordering of bytes: swscale's fast path.
  if (format == AV_PIX_FMT_RGB24 && width == sourceWidth && height == sourceHeight) flags = SWS_POINT;
  // X8R8G8B8 is B, G, R, X in memory: FFmpeg's BGR0.
  context_ = sws_getContext(sourceWidth, sourceHeight, AV_PIX_FMT_BGR0, width, height, format, flags, nullptr,
                            nullptr, nullptr);
  if (!context_) {
    *problem = "swscale cannot convert " + std::to_string(sourceWidth) + "x" + std::to_string(sourceHeight) +
               " frames to " + std::to_string(width) + "x" + std::to_string(height);
    return false;
  }
  sourceWidth_ = sourceWidth;
  sourceHeight_ = sourceHeight;
  return true;
}

bool FrameScaler::Scale(const pictures::FrameView& image, uint8_t* const planes[], const int strides[]) {
  if (!context_ || image.width != sourceWidth_ || image.height != sourceHeight_ || !image.bgrx) return false;
  const uint8_t* source[4] = {image.bgrx, nullptr, nullptr, nullptr};
  int sourceStrides[4] = {image.pitch, 0, 0, 0};
  return sws_scale(context_, source, sourceStrides, 0, image.height, planes, strides) > 0;
}

}  // namespace capture
