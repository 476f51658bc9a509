// sample_scenes.h -- small complete 3DS files built with Writer3DS: fuzz seeds and test scenes
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace write3ds {

struct SampleScene {
  std::string name;  // file name of the seed, without a folder
  std::vector<uint8_t> bytes;
};

// A box mesh with a textured material, a spot light, a camera and its keyframer nodes.
std::vector<uint8_t> BoxScene();
// Two cameras whose nodes stand in the order camera A, camera B, target A, target B.
std::vector<uint8_t> TwoCameraKeyframes();
// The scene tests' scene, in the demo's coordinates (y up): a 40 x 40 floor "Floor" at y = 0 and a
// 6 x 2 x 2 box "Box01" (long along x, centred on its origin, translated to (0, 4, 0)), mapped with
// "checker.png" (material "Checker") and "paint.png" (material "BoxPaint"); a spot light "Spot01" at
// (8, 30, -4) aiming at the origin with hotspot 40 and falloff 60 degrees; and a camera "Camera1"
// whose eye moves from (0, 25, -40) through (15, 28, -38) to (30, 25, -30) over frames 0, 50 and
// 100, looking at the origin.
std::vector<uint8_t> LitFloorScene();
// Every sample, with the file name it is kept under in fuzz/seeds/loader3ds/.
std::vector<SampleScene> SampleScenes();

}  // namespace write3ds
