// canvas.h -- Canvas: the RGBA picture every texture and sprite generator draws into, and its PNG files
//
// Row 0 is the top, as a texture's first row is. Drawing is integer-exact and uses no clock, no
// locale and no random source, so the same program draws the same bytes on every run.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/pictures/image.h"

namespace media {

struct Color {
  uint8_t r = 0, g = 0, b = 0, a = 0;
};

constexpr Color Rgb(int r, int g, int b) {
  return Color{static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b), 255};
}
constexpr Color kClear{0, 0, 0, 0};

// a + (b - a) * t for t in [0, 1], channel by channel, rounded.
Color Mix(Color a, Color b, float t);
// Each colour channel times k (alpha kept), clamped to 0..255.
Color Scale(Color c, float k);

class Canvas {
 public:
  Canvas(int width, int height, Color fill = kClear);

  int Width() const { return width; }
  int Height() const { return height; }
  bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
  // Pixels outside the canvas read as clear and ignore writes.
  Color Get(int x, int y) const;
  void Set(int x, int y, Color c);
  // Pixel access with wrap-around, for textures that must tile.
  Color GetWrapped(int x, int y) const;
  void SetWrapped(int x, int y, Color c);
  void FillRect(int x0, int y0, int x1, int y1, Color c);  // [x0, x1) x [y0, y1)
  // Each pixel becomes a block of factor x factor pixels: pixel art kept crisp at a larger size.
  Canvas Upscaled(int factor) const;
  const std::vector<uint8_t>& Rgba() const { return image.rgba; }
  // The drawn picture, as the PNG writer and every other reader of pictures take it.
  const pictures::Image& Picture() const { return image; }

 private:
  explicit Canvas(pictures::Image picture);
  friend bool ReadPng(const std::string& path, Canvas* out, std::string* error);

  int width, height;
  pictures::Image image;
};

// Writes an 8-bit RGBA PNG (RGB when every pixel is opaque); false with a message in error.
bool WritePng(const Canvas& canvas, const std::string& path, std::string* error);
// Reads any PNG as 8-bit RGBA; false with a message in error.
bool ReadPng(const std::string& path, Canvas* out, std::string* error);

}  // namespace media
