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
// Every sample, with the file name it is kept under in fuzz/seeds/loader3ds/.
std::vector<SampleScene> SampleScenes();

}  // namespace write3ds
