// maps.cpp -- floor, wall, stone, trim, crate and metal maps
#include "tools/media/maps.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "tools/media/noise.h"
#include "tools/media/palette.h"

namespace media {

namespace pal = palette;

namespace {

// Bevel of a rectangular cell: light along its top and left edges, shadow along bottom and right.
float Bevel(int dx, int dy, int w, int h, int width) {
  if (dx < width || dy < width) return 1.18f;
  if (dx >= w - width || dy >= h - width) return 0.78f;
  return 1.0f;
}

// A tile/brick/block colour: the cell's own tint, grain and bevel.
Color Surface(Color base, float tint, float grain, float bevel) {
  return Scale(base, (0.9f + 0.2f * tint) * (0.88f + 0.24f * grain) * bevel);
}

// The cell of a running-bond wall (each row shifted half a block) that holds texel (x, y) of a
// map of blocks bw x bh: its row, its column (wrapping with the map), and where in it the
// texel lies.
struct Bond {
  int row, col, dx, dy;
};
Bond RunningBond(int x, int y, int bw, int bh) {
  const int row = y / bh;
  const int shifted = x + (row % 2) * (bw / 2);
  return {row, (shifted / bw) % (kMapSize / bw), shifted % bw, y % bh};
}

}  // namespace

Canvas FloorMap() {
  Canvas c(kMapSize, kMapSize);
  const int tile = 64, grout = 3;
  for (int y = 0; y < kMapSize; ++y)
    for (int x = 0; x < kMapSize; ++x) {
      int tx = x / tile, ty = y / tile;
      int dx = x % tile, dy = y % tile;
      float grain = Fractal(static_cast<float>(x), static_cast<float>(y), 16, kMapSize, 11);
      if (dx < grout || dy < grout) {
        c.Set(x, y, Scale(pal::kMortar, 0.7f + 0.2f * grain));
        continue;
      }
      Color base = (tx + ty) % 2 ? pal::kCream : pal::kTerracotta;
      c.Set(x, y, Surface(base, Hash01(tx, ty, 3), grain, Bevel(dx - grout, dy - grout, tile - grout, tile - grout, 3)));
    }
  // Teal diamonds where four tiles meet, drawn with wrap-around so they tile.
  for (int cy = 0; cy < kMapSize; cy += tile)
    for (int cx = 0; cx < kMapSize; cx += tile)
      for (int dy = -10; dy <= 10; ++dy)
        for (int dx = -10; dx <= 10; ++dx) {
          int d = std::abs(dx) + std::abs(dy);
          if (d > 10) continue;
          Color col = d >= 9 ? pal::kInk : (d <= 3 ? pal::kTealLight : pal::kTeal);
          if (d < 9 && dx + dy > 3) col = pal::kTealDark;
          c.SetWrapped(cx + 1 + dx, cy + 1 + dy, col);
        }
  return c;
}

Canvas WallMap() {
  Canvas c(kMapSize, kMapSize);
  const int bw = 64, bh = 32, mortar = 3;
  for (int y = 0; y < kMapSize; ++y)
    for (int x = 0; x < kMapSize; ++x) {
      const Bond b = RunningBond(x, y, bw, bh);
      const int row = b.row, col = b.col, dx = b.dx, dy = b.dy;
      float grain = Fractal(static_cast<float>(x), static_cast<float>(y), 8, kMapSize, 21);
      if (dx < mortar || dy < mortar) {
        c.Set(x, y, Scale(pal::kMortar, 0.75f + 0.3f * grain));
        continue;
      }
      float pick = Hash01(col, row, 5);
      Color base = pick < 0.45f ? pal::kBrick : (pick < 0.85f ? pal::kTerracotta : pal::kRust);
      Color px = Surface(base, Hash01(col, row, 6), grain, Bevel(dx - mortar, dy - mortar, bw - mortar, bh - mortar, 2));
      if (Hash01(x, y, 7) < 0.03f) px = Scale(px, 0.8f);  // pits in the fired clay
      c.Set(x, y, px);
    }
  return c;
}

Canvas StoneMap() {
  Canvas c(kMapSize, kMapSize);
  const int bw = 128, bh = 64, joint = 2;
  for (int y = 0; y < kMapSize; ++y)
    for (int x = 0; x < kMapSize; ++x) {
      const Bond b = RunningBond(x, y, bw, bh);
      const int row = b.row, col = b.col, dx = b.dx, dy = b.dy;
      float grain = Fractal(static_cast<float>(x), static_cast<float>(y), 32, kMapSize, 31);
      float fine = Hash01(x, y, 32);
      if (dx < joint || dy < joint) {
        c.Set(x, y, Scale(pal::kUmber, 0.8f));
        continue;
      }
      Color base = Mix(pal::kSand, pal::kStone, Hash01(col, row, 33));
      Color px = Surface(base, Hash01(col, row, 34), grain * 0.8f + fine * 0.2f,
                         Bevel(dx - joint, dy - joint, bw - joint, bh - joint, 3));
      // Sediment bands run along each block.
      float band = 0.5f + 0.5f * std::sin(static_cast<float>(y) * 0.35f + grain * 6.0f);
      c.Set(x, y, Scale(px, 0.95f + 0.08f * band));
    }
  return c;
}

Canvas TrimMap() {
  Canvas c(kMapSize, kMapSize);
  const int tile = 32;
  for (int y = 0; y < kMapSize; ++y)
    for (int x = 0; x < kMapSize; ++x) {
      int dx = x % tile, dy = y % tile;
      if (dx < 2 || dy < 2) {
        c.Set(x, y, pal::kCream);
        continue;
      }
      int cx = std::abs(dx - tile / 2 - 1), cy = std::abs(dy - tile / 2 - 1);
      Color px = Scale(pal::kTeal, 0.85f + 0.3f * Fractal(static_cast<float>(x), static_cast<float>(y), 16, kMapSize, 41));
      if (cx + cy <= 7) px = cx + cy >= 6 ? pal::kTealDark : pal::kCream;
      if (dx - 2 + dy - 2 < 10 && cx + cy > 7) px = Mix(px, pal::kTealLight, 0.6f);  // glaze highlight
      c.Set(x, y, px);
    }
  return c;
}

Canvas CrateMap() {
  Canvas c(kMapSize, kMapSize);
  const int frame = 28, plank = 38;
  for (int y = 0; y < kMapSize; ++y)
    for (int x = 0; x < kMapSize; ++x) {
      // Wood grain runs along x: stretched noise, with rings.
      float grain = Fractal(static_cast<float>(x) * 0.25f, static_cast<float>(y) * 2.0f, 16, kMapSize, 51);
      float rings = 0.5f + 0.5f * std::sin(grain * 18.0f);
      Color wood = Scale(pal::kWood, 0.82f + 0.25f * rings);
      bool border = x < frame || y < frame || x >= kMapSize - frame || y >= kMapSize - frame;
      int inner = y - frame;
      if (border) {
        wood = Scale(pal::kWoodDark, 0.9f + 0.25f * rings);
      } else if (inner % plank < 2) {
        wood = pal::kInk;  // gaps between planks
      }
      // Diagonal brace from the bottom-left to the top-right corner.
      int d = x - (kMapSize - 1 - y);
      if (!border && std::abs(d) <= 16) wood = std::abs(d) >= 15 ? pal::kInk : Scale(pal::kWoodDark, 1.05f + 0.2f * rings);
      c.Set(x, y, wood);
    }
  // Dark lines between frame and planks, and at the outer edge.
  for (int i = 0; i < kMapSize; ++i)
    for (int k : {0, 1, frame - 1, frame, kMapSize - frame - 1, kMapSize - frame, kMapSize - 2, kMapSize - 1}) {
      c.Set(i, k, pal::kInk);
      c.Set(k, i, pal::kInk);
    }
  // Teal metal corner plates with rivets.
  for (int cy : {0, kMapSize - 44})
    for (int cx : {0, kMapSize - 44})
      for (int y = 0; y < 44; ++y)
        for (int x = 0; x < 44; ++x) {
          bool edge = x < 2 || y < 2 || x >= 42 || y >= 42;
          Color px = edge ? pal::kInk : Scale(pal::kTeal, 0.9f + 0.25f * Hash01(cx + x, cy + y, 52));
          if (!edge && (x < 5 || y < 5)) px = pal::kTealLight;
          int rx = x - 22, ry = y - 22;
          if (rx * rx + ry * ry <= 16) px = rx * rx + ry * ry <= 4 ? pal::kCream : pal::kTealDark;
          c.Set(cx + x, cy + y, px);
        }
  return c;
}

Canvas MetalMap() {
  Canvas c(kMapSize, kMapSize);
  const float horizon = 128.0f;
  for (int y = 0; y < kMapSize; ++y)
    for (int x = 0; x < kMapSize; ++x) {
      float fy = static_cast<float>(y) + 0.5f;
      float streak = Fractal(static_cast<float>(x), static_cast<float>(y) * 0.05f, 32, kMapSize, 61);
      Color px;
      if (fy < horizon) {
        // Sky: deep teal overhead to a bright haze at the horizon.
        float t = fy / horizon;
        px = Mix(pal::kTealDark, pal::kSky, std::pow(t, 1.6f));
        px = Mix(px, Rgb(255, 255, 255), std::max(0.0f, (t - 0.85f) * 5.0f));
      } else {
        // Ground: warm terracotta right below the horizon, fading to dark umber.
        float t = (fy - horizon) / horizon;
        px = Mix(pal::kTerracotta, pal::kInk, std::pow(t, 0.7f));
      }
      px = Scale(px, 0.92f + 0.16f * streak);
      c.Set(x, y, px);
    }
  // Soft boxes: bright windows above the horizon, the highlights a polished surface shows.
  struct Window {
    int x, y, w, h;
  };
  for (const Window& wnd : {Window{24, 40, 36, 52}, Window{150, 28, 64, 30}, Window{96, 70, 20, 40}})
    for (int y = 0; y < wnd.h; ++y)
      for (int x = 0; x < wnd.w; ++x) {
        float ex = std::min(x, wnd.w - 1 - x) / 4.0f, ey = std::min(y, wnd.h - 1 - y) / 4.0f;
        float k = std::min(1.0f, std::min(ex, ey));
        c.SetWrapped(wnd.x + x, wnd.y + y, Mix(c.GetWrapped(wnd.x + x, wnd.y + y), Rgb(255, 252, 240), 0.35f + 0.6f * k));
      }
  return c;
}

const std::vector<NamedMap>& SceneMaps() {
  static const std::vector<NamedMap> maps = {
      {"floor.png", FloorMap}, {"wall.png", WallMap},   {"stone.png", StoneMap},
      {"trim.png", TrimMap},   {"crate.png", CrateMap}, {"pmetal.png", MetalMap},
  };
  return maps;
}

}  // namespace media
