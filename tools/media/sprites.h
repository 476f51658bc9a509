// sprites.h -- the twelve sprite images: four two-frame animals and four title and greeting cards
//
// Each image is 256 x 256 pixels, drawn as pixel art at 128 x 128 and enlarged two times. The demo
// shows only the top 74.9 % of an image's height, so every subject sits in the top three quarters;
// the animals stand on a transparent background (shown black), the cards are opaque.
#pragma once

#include <string>
#include <vector>

#include "tools/media/canvas.h"

namespace media {

constexpr int kSpriteArt = 128;   // drawing size
constexpr int kSpriteScale = 2;   // enlargement for the file
constexpr int kSpriteShown = 96;  // rows of the drawing the demo shows (74.9 % of 128, rounded up)

// frame is 0 or 1: the two images of a flipbook pair.
Canvas Octopus(int frame);
Canvas Pig(int frame);
Canvas Snake(int frame);
Canvas Croc(int frame);
// card is 1 to 4: the title "QOLA", its alternate colouring, greetings, thanks.
Canvas Card(int card);

struct NamedSprite {
  std::string file;  // file name under the media folder, e.g. "octo1.png"
  Canvas image;      // at file size
};
// All twelve, in the demo's slot order (octo1, octo2, pig1 ... qola4).
std::vector<NamedSprite> AllSprites();

}  // namespace media
