// paint.cpp -- shapes and the pixel-art painter
#include "tools/media/paint.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace media {

Shape Ellipse(float cx, float cy, float rx, float ry) {
  return [=](float x, float y) {
    float dx = (x - cx) / rx, dy = (y - cy) / ry;
    return dx * dx + dy * dy <= 1.0f;
  };
}

Shape Circle(float cx, float cy, float r) { return Ellipse(cx, cy, r, r); }

Shape Rect(float x0, float y0, float x1, float y1) {
  return [=](float x, float y) { return x >= x0 && x < x1 && y >= y0 && y < y1; };
}

Shape Polygon(std::vector<Point> points) {
  return [points = std::move(points)](float x, float y) {
    bool inside = false;
    for (size_t i = 0, j = points.size() - 1; i < points.size(); j = i++) {
      const Point& a = points[i];
      const Point& b = points[j];
      if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x) inside = !inside;
    }
    return inside;
  };
}

Shape Stroke(std::vector<Point> points, float r0, float r1) {
  return [points = std::move(points), r0, r1](float x, float y) {
    size_t segments = points.size() - 1;
    for (size_t i = 0; i < segments; ++i) {
      const Point& a = points[i];
      const Point& b = points[i + 1];
      float vx = b.x - a.x, vy = b.y - a.y;
      float len2 = vx * vx + vy * vy;
      float t = len2 > 0 ? std::clamp(((x - a.x) * vx + (y - a.y) * vy) / len2, 0.0f, 1.0f) : 0.0f;
      float dx = x - (a.x + t * vx), dy = y - (a.y + t * vy);
      float along = (static_cast<float>(i) + t) / static_cast<float>(segments);
      float r = r0 + (r1 - r0) * along;
      if (dx * dx + dy * dy <= r * r) return true;
    }
    return false;
  };
}

Shape Union(Shape a, Shape b) {
  return [a = std::move(a), b = std::move(b)](float x, float y) { return a(x, y) || b(x, y); };
}

Shape Minus(Shape a, Shape b) {
  return [a = std::move(a), b = std::move(b)](float x, float y) { return a(x, y) && !b(x, y); };
}

Ramp RampOf(Color base) { return Ramp{Scale(base, 0.68f), base, Mix(base, Rgb(255, 248, 230), 0.38f)}; }

std::vector<uint8_t> Painter::Mask(const Shape& shape) const {
  std::vector<uint8_t> mask(static_cast<size_t>(canvas.Width()) * canvas.Height());
  for (int y = 0; y < canvas.Height(); ++y)
    for (int x = 0; x < canvas.Width(); ++x)
      mask[static_cast<size_t>(y) * canvas.Width() + x] = shape(x + 0.5f, y + 0.5f) ? 1 : 0;
  return mask;
}

void Painter::Part(const Shape& shape, const Ramp& ramp, bool overOthers) {
  std::vector<uint8_t> mask = Mask(shape);
  int w = canvas.Width(), h = canvas.Height();
  auto in = [&](int x, int y) { return x >= 0 && y >= 0 && x < w && y < h && mask[static_cast<size_t>(y) * w + x]; };
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      if (in(x, y)) {
        Color c = ramp.base;
        if (!in(x + 3, y + 3) || !in(x + 1, y + 4)) c = ramp.shadow;
        else if (!in(x - 2, y - 2) || !in(x, y - 2)) c = ramp.light;
        canvas.Set(x, y, c);
        continue;
      }
      bool edge = false;
      for (int dy = -1; dy <= 1 && !edge; ++dy)
        for (int dx = -1; dx <= 1 && !edge; ++dx) edge = in(x + dx, y + dy);
      if (edge && (overOthers || canvas.Get(x, y).a == 0)) canvas.Set(x, y, outline);
    }
}

void Painter::Flat(const Shape& shape, Color color) {
  std::vector<uint8_t> mask = Mask(shape);
  for (int y = 0; y < canvas.Height(); ++y)
    for (int x = 0; x < canvas.Width(); ++x)
      if (mask[static_cast<size_t>(y) * canvas.Width() + x]) canvas.Set(x, y, color);
}

void Painter::Line(float x0, float y0, float x1, float y1, Color color) {
  int steps = static_cast<int>(std::ceil(std::max(std::fabs(x1 - x0), std::fabs(y1 - y0)))) + 1;
  for (int i = 0; i <= steps; ++i) {
    float t = static_cast<float>(i) / static_cast<float>(steps);
    canvas.Set(static_cast<int>(std::floor(x0 + (x1 - x0) * t)), static_cast<int>(std::floor(y0 + (y1 - y0) * t)),
               color);
  }
}

}  // namespace media
