// sprites_test.cpp -- the sprite grid, the images each draw picks on a set clock, the pictures
#include <mmsystem.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

#include "src/effects/sprites.h"
#include "src/timeline/timeline.h"
#include "src/device/vertex_buffer.h"
#include "tests/effects/effects_fixture.h"

namespace {

using effects_media::kSlotColours;
using testsupport::Picture;

class SpritesTest : public EffectsTest {
 protected:
  void TearDown() override {
    spriteSixteenthMs = 125;
    EffectsTest::TearDown();
  }
  void WriteSlotImages() {
    for (int slot = 0; slot < 12; ++slot) ASSERT_TRUE(effects_media::SlotImage(slot).Write(effects_media::kSpriteFiles[slot]));
  }
  void WriteQuadrantImages() {
    for (const char* file : effects_media::kSpriteFiles) ASSERT_TRUE(effects_media::QuadrantImage().Write(file));
  }

  // The slot whose colour fills the left of the one copy over the view, -1 when none does;
  // the transparent right quarter of every slot image must come out black.
  int ShownSlot(const Picture& picture) {
    testsupport::Rgba right = testsupport::AverageColor(picture, kWidth * 81 / 100, 10, kWidth * 95 / 100, kHeight - 10);
    EXPECT_TRUE(testsupport::Near(right, 0x000000, 4)) << "transparent texels over black: " << testsupport::Describe(right);
    testsupport::Rgba left = testsupport::AverageColor(picture, kWidth / 10, kHeight / 10, kWidth * 6 / 10, kHeight * 9 / 10);
    for (int slot = 0; slot < 12; ++slot) {
      if (testsupport::Near(left, kSlotColours[slot], 6)) return slot;
    }
    return -1;
  }
};

TEST_F(SpritesTest, GridIsSixteenCellsOfTwoTrianglesShowingTheTopOfTheImage) {
  WriteSlotImages();
  EXPECT_EQ(LoadSprites(device), 1);
  ASSERT_NE(spriteGrid, nullptr);
  EXPECT_EQ(spriteGrid->stride, 20);
  EXPECT_EQ(spriteGrid->fvf, 0x102u);
  D3DVERTEXBUFFER_DESC desc;
  ASSERT_EQ(spriteGrid->buffer->GetDesc(&desc), D3D_OK);
  EXPECT_EQ(desc.Size, 1920u);
  EXPECT_EQ(desc.Usage, static_cast<DWORD>(D3DUSAGE_WRITEONLY));
  EXPECT_EQ(desc.Pool, D3DPOOL_DEFAULT);

  void* data = nullptr;
  ASSERT_EQ(spriteGrid->buffer->Lock(0, 0, &data, D3DLOCK_READONLY), D3D_OK);
  SpriteVertex got[96];
  std::memcpy(got, data, sizeof got);
  spriteGrid->buffer->Unlock();
  // Each cell: top-left, top-right, bottom-left; bottom-right, bottom-left, top-right.
  const float corner[6][4] = {{0, 0, 0, 0}, {1, 0, 1, 0}, {0, 1, 0, 0.749f}, {1, 1, 1, 0.749f}, {0, 1, 0, 0.749f}, {1, 0, 1, 0}};
  for (int cell = 0; cell < 16; ++cell) {
    const int row = cell / 4, column = cell % 4;
    for (int k = 0; k < 6; ++k) {
      const SpriteVertex& v = got[cell * 6 + k];
      SCOPED_TRACE("cell " + std::to_string(cell) + " vertex " + std::to_string(k));
      EXPECT_EQ(v.x, 0.25f * (column + corner[k][0]));
      EXPECT_EQ(v.y, 0.25f * (row + corner[k][1]));
      EXPECT_EQ(v.z, 10.0f);
      EXPECT_EQ(v.u, corner[k][2]);
      EXPECT_EQ(v.v, corner[k][3]);
    }
  }
}

// Every way of drawing shows n x n upright copies, each with its marked top-left corner at its
// cell's top-left, and never the image's bottom quarter.
TEST_F(SpritesTest, ZoomsAndStillImagesTileUprightCopiesOfTheImageTop) {
  WriteQuadrantImages();
  LoadSprites(device);
  platform_clock::UseVirtualClock(0);
  struct Case {
    const char* name;
    std::function<void()> draw;
    int copies;
  } cases[] = {
      {"flipbook_zoom0", [&] { DrawSpriteFlipbook(device, 0, 0); }, 4},
      {"flipbook_zoom1", [&] { DrawSpriteFlipbook(device, 3, 1); }, 2},
      {"flipbook_zoom2", [&] { DrawSpriteFlipbook(device, 5, 2); }, 1},
      {"still0", [&] { DrawSpriteImage(device, 0); }, 1},
      {"still1", [&] { DrawSpriteImage(device, 1); }, 1},
      {"still2", [&] { DrawSpriteImage(device, 2); }, 1},
      {"still3", [&] { DrawSpriteImage(device, 3); }, 1},
      {"beat", [&] { DrawSpriteBeat(device); }, 1},
  };
  // Regions of a cell as fractions of its width and height, clear of the parts' borders.
  struct Region {
    double x0, y0, x1, y1;
    uint32_t colour;
  } regions[] = {
      {0.20, 0.25, 0.45, 0.60, effects_media::kTopLeft},    {0.60, 0.10, 0.90, 0.60, effects_media::kTopRight},
      {0.10, 0.72, 0.40, 0.95, effects_media::kBottomLeft}, {0.60, 0.72, 0.90, 0.95, effects_media::kBottomRight},
      {0.01, 0.02, 0.10, 0.14, effects_media::kMark},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Picture picture = Frame(c.draw);
    Keep(picture, std::string("sprites_") + c.name + ".png");
    const double cellWidth = static_cast<double>(kWidth) / c.copies, cellHeight = static_cast<double>(kHeight) / c.copies;
    for (int row = 0; row < c.copies; ++row) {
      for (int column = 0; column < c.copies; ++column) {
        for (const Region& r : regions) {
          testsupport::Rgba got = testsupport::AverageColor(
              picture, static_cast<int>((column + r.x0) * cellWidth), static_cast<int>((row + r.y0) * cellHeight),
              static_cast<int>((column + r.x1) * cellWidth), static_cast<int>((row + r.y1) * cellHeight));
          EXPECT_TRUE(testsupport::Near(got, r.colour, 4))
              << "cell " << column << "," << row << " region at " << r.x0 << "," << r.y0 << ": " << testsupport::Describe(got);
        }
      }
    }
    int hidden = 0;  // pixels of the white bottom quarter
    for (int y = 0; y < picture.height; ++y) {
      for (int x = 0; x < picture.width; ++x) {
        const uint8_t* p = picture.at(x, y);
        hidden += p[0] > 200 && p[1] > 200 && p[2] > 200;
      }
    }
    EXPECT_EQ(hidden, 0);
  }
}

TEST_F(SpritesTest, FlipbookShowsTheSecondImageForPhasesUpTo125Ms) {
  WriteSlotImages();
  LoadSprites(device);
  struct Case {
    uint32_t clockMs;
    bool second;
  } cases[] = {{0, true}, {125, true}, {126, false}, {249, false}, {250, true}, {375, true}, {376, false},
               {4294967295u, true} /* phase 45 */, {4294967200u, false} /* phase 200 */};
  for (int pair = 0; pair < 6; ++pair) {
    for (const Case& c : cases) {
      platform_clock::UseVirtualClock(c.clockMs);
      Picture picture = Frame([&] { DrawSpriteFlipbook(device, pair, 2); });
      EXPECT_EQ(ShownSlot(picture), 2 * pair + (c.second ? 1 : 0)) << "pair " << pair << " at " << c.clockMs << " ms";
    }
  }
  // The qola pairs name their files in this order.
  platform_clock::UseVirtualClock(100);
  EXPECT_EQ(ShownSlot(Frame([&] { DrawSpriteFlipbook(device, 4, 2); })), 9) << "media/qola2.png";
  EXPECT_EQ(ShownSlot(Frame([&] { DrawSpriteFlipbook(device, 5, 2); })), 11) << "media/qola4.png";
  platform_clock::UseVirtualClock(200);
  EXPECT_EQ(ShownSlot(Frame([&] { DrawSpriteFlipbook(device, 4, 2); })), 8) << "media/qola1.png";
  EXPECT_EQ(ShownSlot(Frame([&] { DrawSpriteFlipbook(device, 5, 2); })), 10) << "media/qola3.png";
}

TEST_F(SpritesTest, StillImagesAreTheLastFourSlots) {
  WriteSlotImages();
  LoadSprites(device);
  for (uint32_t clockMs : {0u, 200u}) {  // not on the clock
    platform_clock::UseVirtualClock(clockMs);
    for (int image = 0; image < 4; ++image) {
      EXPECT_EQ(ShownSlot(Frame([&] { DrawSpriteImage(device, image); })), 8 + image) << image;
    }
  }
}

TEST_F(SpritesTest, BeatShowsOcto2ForTheFirstHalfOfEachSixteenth) {
  WriteSlotImages();
  LoadSprites(device);
  struct Case {
    float bpm;
    uint32_t clockMs;
    int slot;  // 1: "media/octo2.png", 0: "media/octo1.png"
  } cases[] = {
      {120, 0, 1},   {120, 62, 1},  {120, 63, 0},   {120, 124, 0}, {120, 125, 1}, {120, 187, 1}, {120, 188, 0},
      {140, 53, 1},  {140, 54, 0},  {140, 106, 0},  {140, 107, 1},  // 107 ms sixteenths
      // Sixteenths that truncate to 0 ms stay at the image each sixteenth opens with.
      {20000, 0, 1}, {20000, 77, 1}, {20000, 4294967295u, 1},
  };
  for (const Case& c : cases) {
    Timeline tempo(1);
    tempo.SetBpm(c.bpm);
    spriteSixteenthMs = tempo.SixteenthsToMs(1);
    platform_clock::UseVirtualClock(c.clockMs);
    EXPECT_EQ(ShownSlot(Frame([&] { DrawSpriteBeat(device); })), c.slot) << c.bpm << " bpm at " << c.clockMs << " ms";
  }
}

TEST_F(SpritesTest, ValuesOutsideTheTablesDrawNothing) {
  WriteSlotImages();
  LoadSprites(device);
  platform_clock::UseVirtualClock(0);
  const std::function<void()> draws[] = {
      [&] { DrawSpriteFlipbook(device, -1, 0); },     [&] { DrawSpriteFlipbook(device, 6, 0); },
      [&] { DrawSpriteFlipbook(device, INT_MAX, 0); }, [&] { DrawSpriteFlipbook(device, INT_MIN, 2); },
      [&] { DrawSpriteFlipbook(device, 0, -1); },     [&] { DrawSpriteFlipbook(device, 0, 3); },
      [&] { DrawSpriteImage(device, -1); },           [&] { DrawSpriteImage(device, 4); },
      [&] { DrawSpriteImage(device, INT_MIN); },
  };
  for (size_t i = 0; i < sizeof draws / sizeof draws[0]; ++i) EXPECT_TRUE(IsBlack(Frame(draws[i]))) << "case " << i;
}

TEST_F(SpritesTest, FailedGridShowsShitAndLoadingGoesOn) {
  WriteSlotImages();
  for (const char* failing : {"IDirect3DVertexBuffer9::Lock", "IDirect3DDevice9::CreateVertexBuffer"}) {
    SCOPED_TRACE(failing);
    platform_testing::ClearMessageBoxes();
    platform_testing::FailCall(failing);
    EXPECT_EQ(LoadSprites(device), 1);
    platform_testing::ClearFailures();
    const auto& boxes = platform_testing::MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "SHIT");
    EXPECT_TRUE(boxes[0].captionIsNull);
    EXPECT_EQ(boxes[0].type, static_cast<unsigned>(MB_OK));
    for (int slot = 0; slot < 12; ++slot) EXPECT_NE(spriteImages[slot], nullptr) << slot;
    EXPECT_NE(spriteEffect, nullptr);
    EXPECT_EQ(spriteGrid, nullptr) << "a grid without its vertices is never drawn";
    EXPECT_TRUE(IsBlack(Frame([&] { DrawSpriteImage(device, 0); })));
  }
}

TEST_F(SpritesTest, MissingImagesOrEffectDrawNothing) {
  // No images at all: they load as null without a message.
  EXPECT_EQ(LoadSprites(device), 1);
  EXPECT_TRUE(platform_testing::MessageBoxes().empty());
  for (Texture* image : spriteImages) EXPECT_EQ(image, nullptr);
  EXPECT_TRUE(IsBlack(Frame([&] { DrawSpriteBeat(device); })));
  EXPECT_TRUE(IsBlack(Frame([&] { DrawSpriteFlipbook(device, 0, 0); })));

  // Images but no effect: the compiler's "Eek!" names the file, and nothing is drawn.
  WriteSlotImages();
  ASSERT_EQ(std::remove("media/texture.fx"), 0);
  EXPECT_EQ(LoadSprites(device), 1);
  const auto& boxes = platform_testing::MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "Eek!");
  EXPECT_NE(boxes[0].text.find("media/texture.fx"), std::string::npos) << boxes[0].text;
  EXPECT_EQ(spriteEffect, nullptr);
  EXPECT_TRUE(IsBlack(Frame([&] { DrawSpriteImage(device, 2); })));
}

}  // namespace
