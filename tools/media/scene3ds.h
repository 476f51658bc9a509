// scene3ds.h -- writes a World as the demo's 3DS scene file
//
// The demo's loader exchanges the second and third components of vertex positions and of the
// static camera and light records, keeps mesh translations and every keyframer key as stored, and
// draws a face (a, b, c) as (c, b, a). So positions and static records are written as (x, z, y),
// faces in reverse order, and translations and keys in scene axes as they are.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/media/world.h"

namespace media {

// The file's bytes; empty with a message in error when a mesh is too large for the format's
// 16-bit counts or names a material the world lacks.
std::vector<uint8_t> WriteScene3DS(const World& world, std::string* error);

}  // namespace media
