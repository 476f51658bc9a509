// canvas.cpp -- Canvas pixels, and its PNG files through the pictures module
#include "tools/media/canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace media {

namespace {

uint8_t Clamp8(float v) { return static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L)); }

}  // namespace

Color Mix(Color a, Color b, float t) {
  t = std::clamp(t, 0.0f, 1.0f);
  return Color{Clamp8(a.r + (b.r - a.r) * t), Clamp8(a.g + (b.g - a.g) * t), Clamp8(a.b + (b.b - a.b) * t),
               Clamp8(a.a + (b.a - a.a) * t)};
}

Color Scale(Color c, float k) { return Color{Clamp8(c.r * k), Clamp8(c.g * k), Clamp8(c.b * k), c.a}; }

Canvas::Canvas(int w, int h, Color fill) : width(w), height(h), image(w, h) {
  std::vector<uint8_t>& rgba = image.rgba;
  for (size_t i = 0; i < rgba.size(); i += 4) {
    rgba[i] = fill.r;
    rgba[i + 1] = fill.g;
    rgba[i + 2] = fill.b;
    rgba[i + 3] = fill.a;
  }
}

Canvas::Canvas(pictures::Image picture) : width(picture.width), height(picture.height), image(std::move(picture)) {}

Color Canvas::Get(int x, int y) const {
  if (!Inside(x, y)) return kClear;
  const uint8_t* p = image.at(x, y);
  return Color{p[0], p[1], p[2], p[3]};
}

void Canvas::Set(int x, int y, Color c) {
  if (!Inside(x, y)) return;
  uint8_t* p = image.at(x, y);
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
  return pictures::SavePng(canvas.Picture(), path, error);
}

bool ReadPng(const std::string& path, Canvas* out, std::string* error) {
  pictures::Image picture;
  if (!pictures::LoadPng(path, &picture, error)) return false;
  *out = Canvas(std::move(picture));
  return true;
}

}  // namespace media
