// sphere.h -- the sphere mesh of the distortion effect, written as a text .x file
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/media/world.h"

namespace media {

struct SphereMesh {
  std::vector<Vec3> positions;  // on the unit sphere
  std::vector<uint32_t> faces;  // three per triangle, clockwise seen from outside
};

// A unit octahedron whose every triangle is split into four `divisions` times, each new vertex
// pushed out onto the sphere; vertices are shared between neighbouring faces. Six divisions give
// 16386 vertices and 32768 faces, within the 16-bit index range of the demo's mesh.
SphereMesh SubdividedSphere(int divisions);
// The mesh as a standard text .x file ("xof 0303txt 0032") holding one Mesh template.
std::string SphereXFile(const SphereMesh& mesh, const std::string& name);

}  // namespace media
