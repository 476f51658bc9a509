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
  width_ = width;
  height_ = height;
  return true;
}

bool PngWriter::Convert(const pictures::FrameView& image, uint8_t* rgb, std::string* problem) {
  uint8_t* planes[4] = {rgb, nullptr, nullptr, nullptr};
  int strides[4] = {width_ * 3, 0, 0, 0};
  if (scaler_.Scale(image, planes, strides)) return true;
  *problem = "the frame could not be converted for the PNG";
  return false;
}

bool PngWriter::Save(const char* path, const uint8_t* rgb, std::string* problem) const {
  // The codec's fast encoding: zlib's level 2 and the "sub" filter alone, several times faster
  // than libpng's defaults for a frame, and the same pixels losslessly.
  platform_png::Pixels pixels{width_, height_, 3, rgb, static_cast<size_t>(width_) * 3};
  std::string why;
  if (platform_png::WriteFile(path, pixels, platform_png::Encoding::kFast, &why)) return true;
  *problem = std::string(path) + ": " + why;
  return false;
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
  slots_.clear();
  return writer_.Open(sourceWidth, sourceHeight, width, height, problem);
}

bool PngSequence::Reserve(int slots, std::string* problem) {
  if (slots < 1 || slots > kMaxSlots) {
    *problem = "a PNG sequence keeps 1 to " + std::to_string(kMaxSlots) + " frames at once";
    return false;
  }
  slots_.assign(static_cast<size_t>(slots), Slot());
  for (Slot& slot : slots_) {
    slot.rgb.assign(writer_.FrameBytes(), 0);
    slot.path.assign(dir_.size() + kFrameNameRoom, '\0');
  }
  return true;
}

bool PngSequence::Convert(const pictures::FrameView& image, int slot, std::string* problem) {
  if (slot < 0 || static_cast<size_t>(slot) >= slots_.size()) {
    *problem = "the PNG sequence has no slot " + std::to_string(slot);
    return false;
  }
  return writer_.Convert(image, slots_[static_cast<size_t>(slot)].rgb.data(), problem);
}

bool PngSequence::Encode(int slot, uint32_t index, std::string* problem) {
  if (slot < 0 || static_cast<size_t>(slot) >= slots_.size()) {
    *problem = "the PNG sequence has no slot " + std::to_string(slot);
    return false;
  }
  Slot& s = slots_[static_cast<size_t>(slot)];
  std::snprintf(s.path.data(), s.path.size(), "%s/frame%05u.png", dir_.c_str(), index);
  return writer_.Save(s.path.data(), s.rgb.data(), problem);
}

}  // namespace capture
