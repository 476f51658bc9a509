// png_frames.cpp -- RGB PNG files through libpng's simplified writer
#include "tools/capture/png_frames.h"

#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

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

bool PngWriter::Write(const char* path, const FrameImage& image, std::string* problem) {
  uint8_t* planes[4] = {rgb_.data(), nullptr, nullptr, nullptr};
  int strides[4] = {width_ * 3, 0, 0, 0};
  if (!scaler_.Scale(image, planes, strides)) {
    *problem = "the frame could not be converted for the PNG";
    return false;
  }
  png_image png;
  std::memset(&png, 0, sizeof png);
  png.version = PNG_IMAGE_VERSION;
  png.width = static_cast<png_uint_32>(width_);
  png.height = static_cast<png_uint_32>(height_);
  png.format = PNG_FORMAT_RGB;
  if (!png_image_write_to_file(&png, path, 0, rgb_.data(), width_ * 3, nullptr)) {
    *problem = std::string(path) + ": cannot be written (" + (png.message[0] ? png.message : std::strerror(errno)) + ")";
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

bool PngSequence::WriteFrame(const FrameImage& image, std::string* problem) {
  std::snprintf(path_.data(), path_.size(), "%s/frame%05u.png", dir_.c_str(), next_);
  if (!writer_.Write(path_.data(), image, problem)) return false;
  ++next_;
  return true;
}

}  // namespace capture
