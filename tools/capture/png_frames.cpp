// png_frames.cpp -- captured frames as RGB PNG files through the platform's fast PNG encoding
#include "tools/capture/png_frames.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/services/png_codec.h"

namespace capture {

namespace {

constexpr size_t kFrameNameRoom = 32;  // "/frame" + up to 10 digits + ".png" + NUL

}  // namespace

bool PngWriter::Open(int sourceWidth, int sourceHeight, int width, int height, std::string* problem) {
  if (!scaler_.Open(sourceWidth, sourceHeight, width, height, AV_PIX_FMT_RGB24, problem)) return false;
  rgb_.assign(static_cast<size_t>(width) * height * 3, 0);
  width_ = width;
  height_ = height;
  return true;
}

bool PngWriter::Write(const char* path, const pictures::FrameView& image, std::string* problem, SinkTimes* times) {
  SinkTimes ignored;
  if (!times) times = &ignored;
  uint8_t* planes[4] = {rgb_.data(), nullptr, nullptr, nullptr};
  int strides[4] = {width_ * 3, 0, 0, 0};
  bool scaled;
  {
    StageTimer convert(&times->convertSeconds);
    scaled = scaler_.Scale(image, planes, strides);
  }
  if (!scaled) {
    *problem = "the frame could not be converted for the PNG";
    return false;
  }
  // The codec's fast encoding: zlib's level 2 and the "sub" filter alone, several times faster
  // than libpng's defaults for a frame, and the same pixels losslessly.
  StageTimer encode(&times->encodeSeconds);
  platform_png::Pixels pixels{width_, height_, 3, rgb_.data(), static_cast<size_t>(width_) * 3};
  std::string why;
  if (!platform_png::WriteFile(path, pixels, platform_png::Encoding::kFast, &why)) {
    *problem = std::string(path) + ": " + why;
    return false;
  }
  return true;
}

std::string PngSequence::FrameName(uint32_t index) {
  char name[kFrameNameRoom];
  std::snprintf(name, sizeof name, "frame%05u.png", index);
  return name;
}

bool PngSequence::Open(const std::string& dir, int sourceWidth, int sourceHeight, int width, int height,
                       std::string* problem) {
  if (mkdir(dir.c_str(), 0777) != 0 && errno != EEXIST) {
    *problem = dir + ": the frames folder cannot be made (" + std::strerror(errno) + ")";
    return false;
  }
  struct stat info;
  if (stat(dir.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
    *problem = dir + ": is not a folder";
    return false;
  }
  if (access(dir.c_str(), W_OK) != 0) {
    *problem = dir + ": the frames folder is not writable (" + std::strerror(errno) + ")";
    return false;
  }
  dir_ = dir;
  path_.assign(dir.size() + kFrameNameRoom, '\0');
  next_ = 0;
  return writer_.Open(sourceWidth, sourceHeight, width, height, problem);
}

bool PngSequence::WriteFrame(const pictures::FrameView& image, std::string* problem) {
  std::snprintf(path_.data(), path_.size(), "%s/frame%05u.png", dir_.c_str(), next_);
  if (!writer_.Write(path_.data(), image, problem, &times_)) return false;
  ++next_;
  return true;
}

}  // namespace capture
