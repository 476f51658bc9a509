// image.h -- Image: the one RGBA picture type of the tools and tests, and its PNG files
//
// Row 0 is the top, as a texture's and a back buffer's first row is. Capture, qolatool shot and
// frame, the media generators, the tests and the benchmarks all hold pictures as an Image and
// read and write them here, over the platform's PNG codec.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pictures {

struct Image {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgba;  // width x height x 4 bytes: R, G, B, A

  Image() = default;
  Image(int w, int h) : width(w), height(h), rgba(static_cast<size_t>(w) * h * 4, 0) {}
  const uint8_t* at(int x, int y) const { return rgba.data() + (static_cast<size_t>(y) * width + x) * 4; }
  uint8_t* at(int x, int y) { return rgba.data() + (static_cast<size_t>(y) * width + x) * 4; }
  bool Opaque() const;  // every alpha 255
};

// Reads any PNG as 8-bit RGBA. False with *problem naming the file and what is wrong.
bool LoadPng(const std::string& path, Image* out, std::string* problem);

// Writes an 8-bit PNG with fixed settings, so the same pixels give the same bytes on every run:
// RGB when every pixel is opaque, RGBA otherwise. False with *problem naming the file.
bool SavePng(const Image& image, const std::string& path, std::string* problem = nullptr);

}  // namespace pictures
