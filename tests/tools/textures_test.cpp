// textures_test.cpp -- sprites, cards and maps as the demo uses them: sizes, transparency, the
// subject inside the shown top three quarters, frames that move, maps that tile; PNG files and font
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/media/font.h"
#include "tools/media/maps.h"
#include "tools/media/noise.h"
#include "tools/media/sprites.h"

namespace {

using media::Canvas;

int Opaque(const Canvas& c, int y0, int y1) {
  int n = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = 0; x < c.Width(); ++x) n += c.Get(x, y).a == 255;
  return n;
}

// The demo shows the top 74.9 % of an image (rows 0 to 191 of 256): each animal stands there on
// a transparent background, leaves the rows below empty, and fills a fair part of the view.
TEST(Sprites, AnimalsStandInTheShownPartOnTransparency) {
  std::vector<media::NamedSprite> sprites = media::AllSprites();
  ASSERT_EQ(12u, sprites.size());
  const char* order[] = {"octo1.png", "octo2.png", "pig1.png",  "pig2.png",  "snake1.png", "snake2.png",
                         "croc1.png", "croc2.png", "qola1.png", "qola2.png", "qola3.png",  "qola4.png"};
  for (size_t i = 0; i < sprites.size(); ++i) {
    const Canvas& c = sprites[i].image;
    EXPECT_EQ(order[i], sprites[i].file);
    EXPECT_EQ(256, c.Width());
    EXPECT_EQ(256, c.Height());
    if (i >= 8) continue;
    const int shown = 192, area = 256 * shown;
    EXPECT_EQ(0, Opaque(c, shown, 256)) << sprites[i].file << " has pixels below the shown part";
    int inside = Opaque(c, 0, shown);
    EXPECT_GT(inside, area / 8) << sprites[i].file;
    EXPECT_LT(inside, area * 2 / 3) << sprites[i].file;
    for (int y = 0; y < 256; ++y)
      for (int x = 0; x < 256; ++x) {
        uint8_t a = c.Get(x, y).a;
        ASSERT_TRUE(a == 0 || a == 255) << sprites[i].file << ": pixel art has no half-transparent pixels";
      }
  }
}

// A flipbook pair alternates four times a second: the two frames must differ visibly, but stay
// the same animal (most of the picture unchanged).
TEST(Sprites, TwoFrameAnimationsMoveBetweenFrames) {
  std::vector<media::NamedSprite> sprites = media::AllSprites();
  for (size_t pair = 0; pair < 4; ++pair) {
    const Canvas& a = sprites[2 * pair].image;
    const Canvas& b = sprites[2 * pair + 1].image;
    int changed = 0, covered = 0;
    for (int y = 0; y < 192; ++y)
      for (int x = 0; x < 256; ++x) {
        media::Color p = a.Get(x, y), q = b.Get(x, y);
        covered += p.a || q.a;
        changed += p.a != q.a || p.r != q.r || p.g != q.g || p.b != q.b;
      }
    EXPECT_GT(changed, covered / 50) << sprites[2 * pair].file << ": frames barely differ";
    EXPECT_LT(changed, covered * 3 / 4) << sprites[2 * pair].file << ": frames share too little";
  }
}

TEST(Sprites, CardsAreOpaqueAndDistinct) {
  std::vector<media::NamedSprite> sprites = media::AllSprites();
  for (size_t i = 8; i < 12; ++i) {
    EXPECT_EQ(256 * 256, Opaque(sprites[i].image, 0, 256)) << sprites[i].file;
    for (size_t j = 8; j < i; ++j) EXPECT_NE(sprites[i].image.Rgba(), sprites[j].image.Rgba());
  }
}

// The scene repeats its maps across floor and walls: the step from the last column back to the
// first is no harsher than the harshest step between neighbours inside (tile joints included),
// and the same for rows, except for the environment map, which wraps around the horizon only.
TEST(Maps, EveryMapIsOpaqueAndTilesWithoutASeam) {
  for (const media::NamedMap& map : media::SceneMaps()) {
    Canvas c = map.draw();
    ASSERT_EQ(media::kMapSize, c.Width()) << map.file;
    ASSERT_EQ(media::kMapSize, c.Height()) << map.file;
    EXPECT_EQ(c.Width() * c.Height(), Opaque(c, 0, c.Height())) << map.file;
    const int n = media::kMapSize;
    // Sum over a whole column pair (x0, x1) or row pair of the colour steps.
    auto step = [&](bool rows, int k0, int k1) {
      int sum = 0;
      for (int i = 0; i < n; ++i) {
        media::Color p = rows ? c.Get(i, k0) : c.Get(k0, i), q = rows ? c.Get(i, k1) : c.Get(k1, i);
        sum += std::abs(p.r - q.r) + std::abs(p.g - q.g) + std::abs(p.b - q.b);
      }
      return sum;
    };
    for (bool rows : {false, true}) {
      if (rows && map.file == "pmetal.png") continue;
      int harshest = 0;
      for (int k = 0; k + 1 < n; ++k) harshest = std::max(harshest, step(rows, k, k + 1));
      EXPECT_LE(step(rows, n - 1, 0), harshest) << map.file << (rows ? ": seam top to bottom" : ": seam left to right");
    }
  }
}

TEST(Maps, NoiseRepeatsWithItsPeriod) {
  for (float x : {0.0f, 3.5f, 100.25f})
    for (float y : {0.0f, 17.0f, 200.5f}) {
      EXPECT_FLOAT_EQ(media::ValueNoise(x, y, 16, 64, 9), media::ValueNoise(x + 64, y - 128, 16, 64, 9));
      EXPECT_FLOAT_EQ(media::Fractal(x, y, 32, 256, 4), media::Fractal(x - 256, y + 256, 32, 256, 4));
    }
}

TEST(Png, WrittenPicturesReadBackExactly) {
  Canvas withAlpha(5, 3);
  withAlpha.Set(1, 2, media::Color{10, 20, 30, 128});
  withAlpha.Set(4, 0, media::Rgb(255, 0, 7));
  Canvas opaque(4, 4, media::Rgb(1, 2, 3));
  opaque.Set(3, 3, media::Rgb(200, 100, 50));
  for (const Canvas* c : {&withAlpha, &opaque}) {
    std::string path = ::testing::TempDir() + "media_png_test.png", error;
    ASSERT_TRUE(media::WritePng(*c, path, &error)) << error;
    Canvas back(1, 1);
    ASSERT_TRUE(media::ReadPng(path, &back, &error)) << error;
    EXPECT_EQ(c->Width(), back.Width());
    EXPECT_EQ(c->Rgba(), back.Rgba());
    std::remove(path.c_str());
  }
}

TEST(Png, FailuresNameTheFile) {
  std::string error;
  EXPECT_FALSE(media::WritePng(Canvas(2, 2), "/no/such/folder/x.png", &error));
  EXPECT_NE(std::string::npos, error.find("/no/such/folder/x.png")) << error;
  std::string path = ::testing::TempDir() + "media_not_png.png";
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(nullptr, f);
  std::fputs("not a png at all", f);
  std::fclose(f);
  Canvas back(1, 1);
  EXPECT_FALSE(media::ReadPng(path, &back, &error));
  EXPECT_NE(std::string::npos, error.find(path)) << error;
  std::remove(path.c_str());
}

TEST(Font, MeasuresAndDrawsItsGlyphs) {
  struct Case {
    const char* text;
    int scale, width;
  } cases[] = {{"", 3, 0}, {"A", 1, 5}, {"QOLA", 5, 115}, {"GREETINGS", 2, 106}};
  for (const Case& c : cases) EXPECT_EQ(c.width, media::TextWidth(c.text, c.scale)) << c.text;
  for (char ch : std::string("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 .,!?-':/&abc"))
    EXPECT_TRUE(media::HasGlyph(ch)) << ch;
  EXPECT_FALSE(media::HasGlyph('@'));
  // "I" at scale 2: its middle column (x 4..5) is lit from top to bottom, its corners are not.
  Canvas c(10, 14);
  media::DrawText(c, "I", 0, 0, 2, media::Rgb(255, 255, 255));
  for (int y = 0; y < 14; ++y) EXPECT_EQ(255, c.Get(4, y).a) << y;
  EXPECT_EQ(0, c.Get(0, 4).a);
  EXPECT_EQ(0, c.Get(9, 13).a);
}

}  // namespace
