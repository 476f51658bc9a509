// image.cpp -- Image's PNG files through the platform's codec
#include "tools/pictures/image.h"

#include <algorithm>

#include "platform/services/file_read.h"
#include "platform/services/png_codec.h"

namespace pictures {

namespace {

// The PNGs these tools read are the demo's media and their own frames; past this they are
// refused before a byte of pixels is allocated.
constexpr uint32_t kMaxSide = 16384;
constexpr size_t kMaxFileBytes = 256u << 20;

class ImageRows : public platform_png::RowSink {
 public:
  explicit ImageRows(Image* image) : image_(image) {}
  bool Header(uint32_t width, uint32_t height) override {
    *image_ = Image(static_cast<int>(width), static_cast<int>(height));
    return true;
  }
  bool Row(uint32_t y, const uint8_t* pixels) override {
    std::copy(pixels, pixels + static_cast<size_t>(image_->width) * 4, image_->at(0, static_cast<int>(y)));
    return true;
  }

 private:
  Image* image_;
};

}  // namespace

bool Image::Opaque() const {
  for (size_t i = 3; i < rgba.size(); i += 4)
    if (rgba[i] != 255) return false;
  return true;
}

bool LoadPng(const std::string& path, Image* out, std::string* problem) {
  std::string bytes, why;
  if (platform_file::ReadRegularFile(path.c_str(), kMaxFileBytes, &bytes, &why) != platform_file::FileStatus::kOk) {
    *problem = path + ": " + why;
    return false;
  }
  Image image;
  ImageRows rows(&image);
  if (platform_png::Decode(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                           platform_png::ChannelOrder::kRgba, kMaxSide, &rows, &why) != platform_png::DecodeStatus::kOk) {
    *problem = path + ": " + why;
    return false;
  }
  *out = std::move(image);
  return true;
}

bool SavePng(const Image& image, const std::string& path, std::string* problem) {
  std::string why;
  bool ok = false;
  if (image.Opaque()) {
    // An opaque picture drops its alpha channel: smaller files, the same pixels.
    std::vector<uint8_t> rgb;
    rgb.reserve(image.rgba.size() / 4 * 3);
    for (size_t i = 0; i < image.rgba.size(); ++i)
      if (i % 4 != 3) rgb.push_back(image.rgba[i]);
    platform_png::Pixels pixels{image.width, image.height, 3, rgb.data(), static_cast<size_t>(image.width) * 3};
    ok = platform_png::WriteFile(path.c_str(), pixels, platform_png::Encoding::kStandard, &why);
  } else {
    platform_png::Pixels pixels{image.width, image.height, 4, image.rgba.data(), static_cast<size_t>(image.width) * 4};
    ok = platform_png::WriteFile(path.c_str(), pixels, platform_png::Encoding::kStandard, &why);
  }
  if (!ok && problem) *problem = path + ": " + why;
  return ok;
}

}  // namespace pictures
