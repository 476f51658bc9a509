// paint.h -- pixel-art painting: shapes tested at pixel centres, filled with a light-to-shadow ramp
// and ringed by a dark outline
//
// The light comes from the top left: a part's pixels near its top-left edge take the ramp's light
// colour, those near its bottom-right edge the shadow colour. Nothing is anti-aliased, so edges
// stay crisp when a sprite is shown enlarged.
#pragma once

#include <functional>
#include <vector>

#include "tools/media/canvas.h"

namespace media {

struct Point {
  float x, y;
};

// True for the points inside the shape; painting tests each pixel's centre.
using Shape = std::function<bool(float x, float y)>;

Shape Ellipse(float cx, float cy, float rx, float ry);
Shape Circle(float cx, float cy, float r);
Shape Rect(float x0, float y0, float x1, float y1);
// A convex or concave polygon (even-odd rule).
Shape Polygon(std::vector<Point> points);
// A stroke along the polyline whose radius runs from r0 at the first point to r1 at the last.
Shape Stroke(std::vector<Point> points, float r0, float r1);
Shape Union(Shape a, Shape b);
Shape Minus(Shape a, Shape b);

struct Ramp {
  Color shadow, base, light;
};
// A ramp around one colour: darker and lighter versions of it.
Ramp RampOf(Color base);

class Painter {
 public:
  Painter(Canvas& canvas, Color outline) : canvas(canvas), outline(outline) {}

  // A shaded part with its outline. With overOthers false the outline only goes where nothing is
  // painted yet, so the part merges into the parts under it.
  void Part(const Shape& shape, const Ramp& ramp, bool overOthers = true);
  // A flat fill without outline or shading (eyes, teeth, markings).
  void Flat(const Shape& shape, Color color);
  // A one-pixel line.
  void Line(float x0, float y0, float x1, float y1, Color color);

 private:
  std::vector<uint8_t> Mask(const Shape& shape) const;

  Canvas& canvas;
  Color outline;
};

}  // namespace media
