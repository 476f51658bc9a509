// palette.h -- the demo's one palette: warm stone and terracotta with a cool teal accent
#pragma once

#include "tools/media/canvas.h"

namespace media::palette {

constexpr Color kInk = Rgb(38, 24, 30);  // outlines and the darkest shadows
constexpr Color kCream = Rgb(242, 226, 194);
constexpr Color kSand = Rgb(214, 178, 132);
constexpr Color kStone = Rgb(184, 146, 108);
constexpr Color kUmber = Rgb(112, 76, 56);
constexpr Color kTerracotta = Rgb(190, 96, 62);
constexpr Color kBrick = Rgb(160, 74, 50);
constexpr Color kRust = Rgb(120, 52, 38);
constexpr Color kMortar = Rgb(150, 122, 100);
constexpr Color kTeal = Rgb(36, 150, 148);
constexpr Color kTealDark = Rgb(18, 88, 96);
constexpr Color kTealLight = Rgb(118, 206, 192);
constexpr Color kSky = Rgb(206, 232, 236);
constexpr Color kWood = Rgb(168, 112, 64);
constexpr Color kWoodDark = Rgb(110, 68, 40);

}  // namespace media::palette
