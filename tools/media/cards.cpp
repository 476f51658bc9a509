// cards.cpp -- the title and greeting cards: opaque pictures with lettering from our own font
#include <cmath>
#include <string>
#include <utility>

#include "tools/media/font.h"
#include "tools/media/noise.h"
#include "tools/media/paint.h"
#include "tools/media/palette.h"
#include "tools/media/sprites.h"

namespace media {

namespace pal = palette;

namespace {

constexpr int kHorizon = 70;

// Dusk sky over a tiled plain whose lines run to the vanishing point, with a striped sun.
void Dusk(Canvas& c, Color skyTop, Color skyLow, Color sun, Color ground, Color lines) {
  for (int y = 0; y < c.Height(); ++y)
    for (int x = 0; x < c.Width(); ++x) {
      if (y < kHorizon) {
        c.Set(x, y, Mix(skyTop, skyLow, static_cast<float>(y) / kHorizon));
        continue;
      }
      // Ground lines: a pixel is on a line where the ground coordinate under it changes
      // between this pixel and the next one, so every line is one pixel thin.
      auto cell = [](float x, float y) {
        float depth = y - kHorizon + 1.0f;
        return std::pair<int, int>(static_cast<int>(std::floor((x - 64.0f) * 4.0f / depth)),
                                   static_cast<int>(std::floor(60.0f / depth)));
      };
      auto here = cell(static_cast<float>(x), static_cast<float>(y));
      bool line = here.first != cell(static_cast<float>(x + 1), static_cast<float>(y)).first ||
                  here.second != cell(static_cast<float>(x), static_cast<float>(y + 1)).second;
      float depth = static_cast<float>(y - kHorizon + 1);
      Color plain = Mix(ground, pal::kInk, std::min(1.0f, 4.0f / depth));
      // Near the horizon the lines crowd together; a haze of their colour stands in for them.
      c.Set(x, y, depth <= 4 ? Mix(plain, lines, 0.5f) : (line ? lines : plain));
    }
  // The sun sits on the horizon; bands cut through its lower half.
  for (int y = 20; y < kHorizon; ++y)
    for (int x = 24; x < 104; ++x) {
      float dx = static_cast<float>(x) - 64.0f + 0.5f, dy = static_cast<float>(y) - kHorizon + 0.5f;
      if (dx * dx + dy * dy > 38.0f * 38.0f) continue;
      int fromHorizon = kHorizon - y;
      if (fromHorizon < 22 && fromHorizon % 6 < 1 + (22 - fromHorizon) / 6) continue;
      c.Set(x, y, Mix(sun, pal::kCream, static_cast<float>(fromHorizon) / 60.0f));
    }
}

// A few stars in the upper sky.
void Stars(Canvas& c, uint32_t seed) {
  for (int i = 0; i < 26; ++i) {
    int x = static_cast<int>(Hash(i, 0, seed) % 128), y = static_cast<int>(Hash(i, 1, seed) % 34);
    c.Set(x, y, Hash(i, 2, seed) % 3 ? pal::kCream : pal::kTealLight);
  }
}

// Stone card with a terracotta frame and a teal inner line; lettering goes on it.
void StoneCard(Canvas& c) {
  for (int y = 0; y < c.Height(); ++y)
    for (int x = 0; x < c.Width(); ++x) {
      float grain = Fractal(static_cast<float>(x), static_cast<float>(y), 16, 128, 71);
      c.Set(x, y, Scale(Mix(pal::kSand, pal::kStone, grain), 0.78f));
    }
  for (int y = 0; y < c.Height(); ++y)
    for (int x = 0; x < c.Width(); ++x) {
      int edge = std::min(std::min(x, 127 - x), std::min(y, kSpriteShown - 1 - y));
      if (y >= kSpriteShown) edge = std::min(x, 127 - x);
      if (edge < 6) c.Set(x, y, edge == 0 || edge == 5 ? pal::kInk : ((x + y) % 8 < 4 ? pal::kTerracotta : pal::kBrick));
      else if (edge == 7) c.Set(x, y, pal::kTeal);
    }
}

void Diamond(Canvas& c, int cx, int cy, int r, Color fill) {
  for (int dy = -r; dy <= r; ++dy)
    for (int dx = -r; dx <= r; ++dx) {
      int d = std::abs(dx) + std::abs(dy);
      if (d <= r) c.Set(cx + dx, cy + dy, d == r ? pal::kInk : fill);
    }
}

}  // namespace

Canvas Card(int card) {
  Canvas c(kSpriteArt, kSpriteArt, pal::kInk);
  switch (card) {
    case 1:
      Dusk(c, pal::kTealDark, pal::kTerracotta, Rgb(250, 200, 96), pal::kRust, pal::kTeal);
      Stars(c, 81);
      DrawTitle(c, "QOLA", 64, 24, 5, pal::kCream, pal::kInk);
      DrawTitle(c, "REAL TIME DEMO", 64, 80, 1, pal::kTealLight, pal::kInk);
      break;
    case 2:  // the title's alternate colouring: a flipbook of cards 1 and 2 pulses
      Dusk(c, pal::kInk, pal::kTealDark, pal::kTerracotta, pal::kTealDark, pal::kTerracotta);
      Stars(c, 82);
      DrawTitle(c, "QOLA", 64, 24, 5, pal::kTealLight, pal::kInk);
      DrawTitle(c, "REAL TIME DEMO", 64, 80, 1, pal::kCream, pal::kInk);
      break;
    case 3:
      StoneCard(c);
      DrawTitle(c, "GREETINGS", 64, 14, 2, pal::kTealLight, pal::kInk);
      DrawTitle(c, "TO ALL DEMO MAKERS", 64, 38, 1, pal::kCream, pal::kInk);
      DrawTitle(c, "PIXEL PUSHERS", 64, 50, 1, pal::kCream, pal::kInk);
      DrawTitle(c, "AND TRACKER FANS", 64, 62, 1, pal::kCream, pal::kInk);
      for (int i = 0; i < 5; ++i) Diamond(c, 32 + i * 16, 80, 3, i % 2 ? pal::kTerracotta : pal::kTeal);
      break;
    default:
      StoneCard(c);
      DrawTitle(c, "THANKS", 64, 16, 3, pal::kCream, pal::kInk);
      DrawTitle(c, "FOR WATCHING!", 64, 48, 1, pal::kTealLight, pal::kInk);
      for (int i = 0; i < 7; ++i) Diamond(c, 22 + i * 14, 72, 4, i % 2 ? pal::kTeal : pal::kTerracotta);
      DrawTitle(c, "SEE YOU", 64, 82, 1, pal::kCream, pal::kInk);
      break;
  }
  return c.Upscaled(kSpriteScale);
}

}  // namespace media
