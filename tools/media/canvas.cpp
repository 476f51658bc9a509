// canvas.cpp -- Canvas pixels and PNG files through libpng
#include "tools/media/canvas.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace media {

namespace {

uint8_t Clamp8(float v) { return static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L)); }

bool IsOpaque(const Canvas& canvas) {
  for (size_t i = 3; i < canvas.Rgba().size(); i += 4)
    if (canvas.Rgba()[i] != 255) return false;
  return true;
}

}  // namespace

Color Mix(Color a, Color b, float t) {
  t = std::clamp(t, 0.0f, 1.0f);
  return Color{Clamp8(a.r + (b.r - a.r) * t), Clamp8(a.g + (b.g - a.g) * t), Clamp8(a.b + (b.b - a.b) * t),
               Clamp8(a.a + (b.a - a.a) * t)};
}

Color Scale(Color c, float k) { return Color{Clamp8(c.r * k), Clamp8(c.g * k), Clamp8(c.b * k), c.a}; }

Canvas::Canvas(int w, int h, Color fill) : width(w), height(h), rgba(static_cast<size_t>(w) * h * 4) {
  for (size_t i = 0; i < rgba.size(); i += 4) {
    rgba[i] = fill.r;
    rgba[i + 1] = fill.g;
    rgba[i + 2] = fill.b;
    rgba[i + 3] = fill.a;
  }
}

Color Canvas::Get(int x, int y) const {
  if (!Inside(x, y)) return kClear;
  const uint8_t* p = &rgba[(static_cast<size_t>(y) * width + x) * 4];
  return Color{p[0], p[1], p[2], p[3]};
}

void Canvas::Set(int x, int y, Color c) {
  if (!Inside(x, y)) return;
  uint8_t* p = &rgba[(static_cast<size_t>(y) * width + x) * 4];
  p[0] = c.r;
  p[1] = c.g;
  p[2] = c.b;
  p[3] = c.a;
}

static int Wrap(int v, int n) { return ((v % n) + n) % n; }

Color Canvas::GetWrapped(int x, int y) const { return Get(Wrap(x, width), Wrap(y, height)); }

void Canvas::SetWrapped(int x, int y, Color c) { Set(Wrap(x, width), Wrap(y, height), c); }

void Canvas::FillRect(int x0, int y0, int x1, int y1, Color c) {
  for (int y = std::max(y0, 0); y < std::min(y1, height); ++y)
    for (int x = std::max(x0, 0); x < std::min(x1, width); ++x) Set(x, y, c);
}

Canvas Canvas::Upscaled(int factor) const {
  Canvas out(width * factor, height * factor);
  for (int y = 0; y < out.height; ++y)
    for (int x = 0; x < out.width; ++x) out.Set(x, y, Get(x / factor, y / factor));
  return out;
}

bool WritePng(const Canvas& canvas, const std::string& path, std::string* error) {
  // libpng's simplified writer: fixed settings and no time stamp, so the same pixels give the same
  // bytes on every run. An opaque picture drops its alpha channel.
  const bool opaque = IsOpaque(canvas);
  std::vector<uint8_t> pixels;
  pixels.reserve(canvas.Rgba().size());
  for (size_t i = 0; i < canvas.Rgba().size(); ++i)
    if (!opaque || i % 4 != 3) pixels.push_back(canvas.Rgba()[i]);
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(canvas.Width());
  image.height = static_cast<png_uint_32>(canvas.Height());
  image.format = opaque ? PNG_FORMAT_RGB : PNG_FORMAT_RGBA;
  if (!png_image_write_to_file(&image, path.c_str(), 0, pixels.data(), 0, nullptr)) {
    *error = path + ": " + image.message;
    png_image_free(&image);
    return false;
  }
  return true;
}

bool ReadPng(const std::string& path, Canvas* out, std::string* error) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) {
    *error = path + ": " + image.message;
    return false;
  }
  image.format = PNG_FORMAT_RGBA;
  std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
    *error = path + ": " + image.message;
    png_image_free(&image);
    return false;
  }
  Canvas canvas(static_cast<int>(image.width), static_cast<int>(image.height));
  for (int y = 0; y < canvas.Height(); ++y)
    for (int x = 0; x < canvas.Width(); ++x) {
      const uint8_t* p = &pixels[(static_cast<size_t>(y) * canvas.Width() + x) * 4];
      canvas.Set(x, y, Color{p[0], p[1], p[2], p[3]});
    }
  *out = canvas;
  return true;
}

}  // namespace media
