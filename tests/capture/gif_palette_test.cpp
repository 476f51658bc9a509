// gif_palette_test.cpp -- the GIF's palette by median cut and its Floyd-Steinberg dithering
#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <vector>

#include "tools/capture/gif_writer.h"

namespace {

using capture::GifWriter;

std::vector<uint64_t> Histogram(const std::vector<std::vector<int>>& colours) {  // {r, g, b, pixels}
  std::vector<uint64_t> h(32 * 32 * 32, 0);
  for (const auto& c : colours) h[(c[0] >> 3) << 10 | (c[1] >> 3) << 5 | (c[2] >> 3)] += static_cast<uint64_t>(c[3]);
  return h;
}

TEST(GifPalette, MedianCutKeepsFewColoursAndSplitsManyToTheLimit) {
  // Three colours: three entries, each the centre of its bin.
  std::vector<uint8_t> three = GifWriter::MedianCutPalette(Histogram({{0, 0, 0, 10}, {255, 0, 0, 5}, {0, 0, 255, 1}}));
  ASSERT_EQ(9u, three.size());
  std::set<std::vector<int>> got;
  for (size_t i = 0; i < three.size(); i += 3) got.insert({three[i], three[i + 1], three[i + 2]});
  EXPECT_EQ((std::set<std::vector<int>>{{4, 4, 4}, {252, 4, 4}, {4, 4, 252}}), got);
  // Every bin of a grey ramp and more: never more than 256 entries, and the two ends kept apart.
  std::vector<std::vector<int>> many;
  for (int r = 0; r < 256; r += 8)
    for (int b = 0; b < 256; b += 8) many.push_back({r, 128, b, 1 + r});
  std::vector<uint8_t> full = GifWriter::MedianCutPalette(Histogram(many));
  EXPECT_EQ(256u * 3, full.size());
  // An empty clip has no colours at all.
  EXPECT_TRUE(GifWriter::MedianCutPalette(std::vector<uint64_t>(32 * 32 * 32, 0)).empty());
}

TEST(GifPalette, DitherMixesTheNearestColoursInTheRightShare) {
  const std::vector<uint8_t> palette = {0, 0, 0, 252, 252, 252};  // black and white
  std::vector<uint16_t> cache;
  // A flat colour on the palette maps to it everywhere; a mid grey becomes half white.
  const int w = 32, h = 32;
  std::vector<uint8_t> white(w * h * 3, 252), grey(w * h * 3, 126), indices(w * h);
  GifWriter::Dither(white.data(), w, h, palette, &cache, indices.data());
  for (uint8_t i : indices) ASSERT_EQ(1, i);
  GifWriter::Dither(grey.data(), w, h, palette, &cache, indices.data());
  int whites = 0;
  for (uint8_t i : indices) whites += i;
  EXPECT_NEAR(w * h / 2, whites, w * h / 16) << "about half the pixels white";
  // The same pixels give the same indices again.
  std::vector<uint8_t> again(w * h);
  GifWriter::Dither(grey.data(), w, h, palette, &cache, again.data());
  EXPECT_EQ(indices, again);
}

}  // namespace
