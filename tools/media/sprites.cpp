// sprites.cpp -- the four animals, two frames each
#include "tools/media/sprites.h"

#include <cmath>

#include "tools/media/paint.h"
#include "tools/media/palette.h"

namespace media {

namespace pal = palette;

namespace {

constexpr float kPi = 3.14159265f;

void Eye(Painter& p, float x, float y, float r, float lookX, float lookY) {
  p.Part(Circle(x, y, r), Ramp{Rgb(214, 208, 200), Rgb(250, 246, 236), Rgb(255, 255, 255)});
  p.Flat(Circle(x + lookX, y + lookY, r * 0.5f), pal::kInk);
  p.Flat(Rect(x + lookX - r * 0.35f, y + lookY - r * 0.4f, x + lookX - r * 0.05f, y + lookY - r * 0.1f),
         Rgb(255, 255, 255));
}

// Points along a wave from (x0, y0) downwards, swinging sideways more towards the tip.
std::vector<Point> Tentacle(float x0, float y0, float length, float lean, float phase) {
  std::vector<Point> points;
  for (int i = 0; i <= 10; ++i) {
    float t = static_cast<float>(i) / 10.0f;
    float swing = 7.0f * t * std::sin(phase + t * 5.0f) + lean * t * t * 14.0f;
    points.push_back({x0 + swing, y0 + t * length});
  }
  return points;
}

}  // namespace

Canvas Octopus(int frame) {
  Canvas c(kSpriteArt, kSpriteArt);
  Painter p(c, pal::kInk);
  const Color body = Rgb(226, 104, 88);
  const float phase = frame ? kPi : 0.0f;
  // Back tentacles first, darker; then the front ones over them.
  const float backX[] = {44, 64, 84};
  for (int i = 0; i < 3; ++i)
    p.Part(Stroke(Tentacle(backX[i], 52, 34, (backX[i] - 64) / 20.0f, phase + 1.7f * i + 0.8f), 6, 2.2f),
           RampOf(Scale(body, 0.75f)));
  const float frontX[] = {36, 54, 74, 92};
  for (int i = 0; i < 4; ++i) {
    std::vector<Point> arm = Tentacle(frontX[i], 54, 36, (frontX[i] - 64) / 18.0f, phase + 1.3f * i);
    p.Part(Stroke(arm, 7, 2.5f), RampOf(body));
    for (int k = 3; k <= 8; k += 2) p.Flat(Circle(arm[k].x + 2.5f, arm[k].y, 1.2f), pal::kCream);  // suckers
  }
  // Mantle, spots, eyes and a small smile.
  p.Part(Ellipse(64, 32, 31, 27), RampOf(body));
  for (Point s : {Point{50, 16}, Point{78, 14}, Point{88, 28}, Point{42, 28}, Point{64, 10}})
    p.Flat(Ellipse(s.x, s.y, 3.5f, 2.5f), Mix(body, pal::kCream, 0.45f));
  float look = frame ? 2.0f : -2.0f;
  Eye(p, 52, 36, 7.5f, look, 1.5f);
  Eye(p, 76, 36, 7.5f, look, 1.5f);
  p.Line(58, 49, 62, 51, pal::kInk);
  p.Line(62, 51, 66, 51, pal::kInk);
  p.Line(66, 51, 70, 49, pal::kInk);
  return c.Upscaled(kSpriteScale);
}

Canvas Pig(int frame) {
  Canvas c(kSpriteArt, kSpriteArt);
  Painter p(c, pal::kInk);
  const Color pink = Rgb(240, 158, 150);
  const Color hoof = Rgb(96, 60, 52);
  // Walk cycle: diagonal leg pairs swing the other way in the second frame.
  float swing = frame ? 8.0f : -8.0f;
  auto leg = [&](float x, float s, float shade) {
    p.Part(Stroke({{x, 66}, {x + s, 88}}, 5.0f, 4.5f), RampOf(Scale(pink, shade)));
    p.Flat(Rect(x + s - 4.5f, 86, x + s + 4.5f, 91), hoof);
  };
  leg(38, -swing, 0.8f);  // far legs
  leg(76, swing, 0.8f);
  // Curly tail behind the body.
  std::vector<Point> tail;
  for (int i = 0; i <= 12; ++i) {
    float a = static_cast<float>(i) / 12.0f * 2.2f * kPi + (frame ? 0.6f : 0.0f);
    float r = 6.0f - static_cast<float>(i) * 0.3f;
    tail.push_back({20 + r * std::cos(a) - static_cast<float>(i) * 0.4f, 48 + r * std::sin(a)});
  }
  p.Part(Stroke(tail, 2.0f, 1.5f), RampOf(pink));
  p.Part(Ellipse(58, 54, 36, 22), RampOf(pink));  // body
  p.Flat(Ellipse(52, 64, 22, 6), Mix(pink, pal::kCream, 0.3f));  // belly light
  leg(48, swing, 1.0f);  // near legs
  leg(86, -swing, 1.0f);
  // Head, ear, snout, eye, cheek.
  p.Part(Circle(94, 42, 18), RampOf(pink));
  float earTip = frame ? 100.0f : 88.0f;
  // The ear is thin: a ramp without a deep shadow keeps it pink instead of brown.
  p.Part(Polygon({{84, 30}, {98, 28}, {earTip, 12}}), Ramp{Scale(pink, 0.86f), pink, Mix(pink, pal::kCream, 0.4f)});
  p.Flat(Polygon({{88, 28}, {95, 27}, {earTip + (frame ? -1.0f : 0.5f), 17}}), Rgb(222, 118, 122));
  p.Part(Ellipse(110, 48, 8, 7.5f), RampOf(Mix(pink, Rgb(255, 120, 130), 0.3f)));
  p.Flat(Ellipse(108, 47, 1.2f, 2.2f), pal::kInk);
  p.Flat(Ellipse(113, 47, 1.2f, 2.2f), pal::kInk);
  p.Flat(Circle(97, 37, 2.5f), pal::kInk);
  p.Flat(Rect(96, 35, 97.5f, 36.5f), Rgb(255, 255, 255));
  p.Flat(Ellipse(98, 50, 4, 2.5f), Rgb(236, 110, 120));
  p.Line(100, 56, 106, 57, pal::kInk);  // mouth
  return c.Upscaled(kSpriteScale);
}

Canvas Snake(int frame) {
  Canvas c(kSpriteArt, kSpriteArt);
  Painter p(c, pal::kInk);
  const Color scales = Rgb(46, 164, 140);
  const float phase = frame ? 1.9f : 0.0f;
  // The body winds from the tail at the left to the raised neck at the right.
  std::vector<Point> body;
  for (int i = 0; i <= 24; ++i) {
    float t = static_cast<float>(i) / 24.0f;
    body.push_back({10 + t * 80, 70 + 11 * std::sin(t * 2.6f * kPi + phase) * (1.0f - 0.4f * t)});
  }
  Point neck = body.back();
  body.push_back({neck.x + 6, neck.y - 10});
  body.push_back({neck.x + 10, 46});
  p.Part(Stroke(body, 2.0f, 9.0f), RampOf(scales));
  for (size_t i = 3; i + 2 < body.size(); i += 2) {  // diamond markings along the back
    float r = 1.5f + 2.5f * static_cast<float>(i) / static_cast<float>(body.size());
    Point b = body[i];
    p.Flat(Polygon({{b.x, b.y - r - 1}, {b.x + r, b.y - 1}, {b.x, b.y + r - 1}, {b.x - r, b.y - 1}}), pal::kTealDark);
  }
  // Head and tongue; the tongue flicks out in the first frame only.
  float hx = neck.x + 16, hy = 40;
  if (frame == 0) {
    p.Line(hx + 12, hy + 4, hx + 20, hy + 4, Rgb(220, 40, 60));
    p.Line(hx + 20, hy + 4, hx + 23, hy + 1, Rgb(220, 40, 60));
    p.Line(hx + 20, hy + 4, hx + 23, hy + 7, Rgb(220, 40, 60));
  }
  p.Part(Ellipse(hx, hy, 14, 10), RampOf(scales));
  p.Flat(Ellipse(hx + 2, hy + 6, 10, 3), Mix(scales, pal::kCream, 0.5f));  // jaw
  Eye(p, hx + 3, hy - 3, 4.0f, 1.0f, 0.0f);
  p.Flat(Circle(hx + 10, hy - 1, 1.0f), pal::kInk);  // nostril
  return c.Upscaled(kSpriteScale);
}

Canvas Croc(int frame) {
  Canvas c(kSpriteArt, kSpriteArt);
  Painter p(c, pal::kInk);
  const Color hide = Rgb(96, 150, 86);
  const Color belly = Rgb(200, 196, 120);
  // Jaw angle: closed in the first frame, wide open in the second, hinged at the back of the head.
  const float open = frame ? 0.38f : 0.0f;
  const Point hinge{84, 58};
  auto rotate = [&](Point q, float angle) {
    float s = std::sin(angle), co = std::cos(angle);
    return Point{hinge.x + (q.x - hinge.x) * co - (q.y - hinge.y) * s, hinge.y + (q.x - hinge.x) * s + (q.y - hinge.y) * co};
  };
  auto jaw = [&](std::vector<Point> points, float angle) {
    for (Point& q : points) q = rotate(q, angle);
    return points;
  };
  auto legAt = [&](float x, float s, float shade) {
    p.Part(Stroke({{x, 64}, {x + s, 80}, {x + s + 5, 82}}, 4.5f, 3.5f), RampOf(Scale(hide, shade)));
  };
  legAt(30, -3, 0.75f);
  legAt(66, -3, 0.75f);
  p.Part(Stroke({{30, 58}, {16, 62}, {6, 70}, {4, 78}}, 10.0f, 2.0f), RampOf(hide));  // tail
  p.Part(Ellipse(52, 58, 34, 13), RampOf(hide));
  p.Flat(Ellipse(52, 66, 28, 4), belly);
  for (int i = 0; i < 7; ++i) {  // ridges along the back
    float x = 26 + static_cast<float>(i) * 8;
    p.Part(Polygon({{x - 3, 47}, {x + 3, 47}, {x, 41}}), RampOf(Scale(hide, 0.7f)), false);
  }
  legAt(40, 3, 1.0f);
  legAt(74, 3, 1.0f);
  // Mouth inside, visible when open, then the jaws with teeth.
  if (frame) p.Flat(Polygon({rotate({120, 58}, -open), hinge, rotate({118, 62}, open * 0.5f)}), Rgb(150, 40, 50));
  std::vector<Point> lower = jaw({{80, 58}, {118, 60}, {120, 64}, {82, 68}}, open * 0.5f);
  std::vector<Point> upper = jaw({{78, 48}, {96, 50}, {122, 55}, {122, 59}, {80, 60}}, -open);
  p.Part(Polygon(lower), RampOf(Mix(hide, belly, 0.3f)));
  p.Part(Polygon(upper), RampOf(hide));
  // Teeth over the jaw edges: the upper row hangs down, the lower row stands up.
  for (int i = 0; i < 5; ++i) {
    float x = 92 + static_cast<float>(i) * 6;
    p.Flat(Polygon(jaw({{x, 59}, {x + 3, 59}, {x + 1.5f, 63}}, -open)), pal::kCream);
    p.Flat(Polygon(jaw({{x + 3, 61}, {x + 6, 61}, {x + 4.5f, 57.5f}}, open * 0.5f)), pal::kCream);
  }
  Point eye = rotate({88, 47}, -open);
  p.Part(Circle(eye.x, eye.y, 5.5f), RampOf(hide));
  Eye(p, eye.x + 0.5f, eye.y - 0.5f, 3.5f, 1.0f, 0.0f);
  Point nostril = rotate({116, 54}, -open);
  p.Flat(Circle(nostril.x, nostril.y, 1.2f), pal::kInk);
  return c.Upscaled(kSpriteScale);
}

std::vector<NamedSprite> AllSprites() {
  std::vector<NamedSprite> out;
  struct Animal {
    const char* name;
    Canvas (*draw)(int);
  };
  for (const Animal& a : {Animal{"octo", Octopus}, Animal{"pig", Pig}, Animal{"snake", Snake}, Animal{"croc", Croc}})
    for (int frame = 0; frame < 2; ++frame)
      out.push_back({std::string(a.name) + std::to_string(frame + 1) + ".png", a.draw(frame)});
  for (int card = 1; card <= 4; ++card) out.push_back({"qola" + std::to_string(card) + ".png", Card(card)});
  return out;
}

}  // namespace media
