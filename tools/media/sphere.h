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

// A unit tetrahedron whose every triangle is split into four `divisions` times, each new vertex
// pushed out onto the sphere; vertices are shared between neighbouring faces. Six divisions give
// 8194 vertices and 16384 faces. The tetrahedron is the base because a .x reader may give every
// face its own three vertices (assimp does): 3 x 16384 = 49152 still fits 16-bit indices, where
// an octahedron's 32768 faces would not.
SphereMesh SubdividedSphere(int divisions);
// The demo's sphere radius: the distortion effect draws it 2.5 units in front of an eye whose
// vertical field of view is 45 degrees, where a unit sphere would fill the whole height and its
// waves would leave the picture; at 0.6 the blob takes about 60 % of the height.
constexpr float kDemoSphereRadius = 0.6f;

// The mesh scaled to `radius`, as a standard text .x file ("xof 0303txt 0032") holding one Mesh
// template.
std::string SphereXFile(const SphereMesh& mesh, const std::string& name, float radius);

}  // namespace media
