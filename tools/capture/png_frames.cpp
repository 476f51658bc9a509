// png_frames.cpp -- RGB PNG files through libpng's simplified writer
#include "tools/capture/png_frames.h"

#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>

namespace capture {

namespace {

constexpr size_t kFrameNameRoom = 32;  // "/frame" + up to 10 digits + ".png" + NUL
// zlib's level 2 and the "sub" filter alone: a frame is written several times faster than with
// the default level and libpng's trial of every filter per row, and the files grow only a
// little; the pictures are the same, losslessly.
constexpr int kCompressionLevel = 2;

void OnPngError(png_structp png, png_const_charp message) {
  *static_cast<const char**>(png_get_error_ptr(png)) = message;
  png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

// An 8-bit RGB PNG of the rows into file: null on success, or libpng's message. Only plain
// data lives in this frame, so libpng's longjmp on an error skips no destructor.
const char* WriteRows(FILE* file, png_bytep* rows, int width, int height) {
  static const char* message = nullptr;
  message = nullptr;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &message, OnPngError, OnPngWarning);
  if (!png) return "out of memory";
  png_infop info = png_create_info_struct(png);
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, info ? &info : nullptr);
    return message ? message : "out of memory";
  }
  png_init_io(png, file);
  png_set_compression_level(png, kCompressionLevel);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_write_image(png, rows);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return nullptr;
}

}  // namespace

bool PngWriter::Open(int sourceWidth, int sourceHeight, int width, int height, std::string* problem) {
  if (!scaler_.Open(sourceWidth, sourceHeight, width, height, AV_PIX_FMT_RGB24, problem)) return false;
  rgb_.assign(static_cast<size_t>(width) * height * 3, 0);
  rows_.resize(static_cast<size_t>(height));
  for (int y = 0; y < height; ++y) rows_[static_cast<size_t>(y)] = rgb_.data() + static_cast<size_t>(y) * width * 3;
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
  FILE* file = std::fopen(path, "wb");
  if (!file) {
    *problem = std::string(path) + ": cannot be written (" + std::strerror(errno) + ")";
    return false;
  }
  const char* failure = WriteRows(file, rows_.data(), width_, height_);
  if (std::fclose(file) != 0 && !failure) failure = std::strerror(errno);
  if (failure) {
    *problem = std::string(path) + ": cannot be written (" + failure + ")";
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
