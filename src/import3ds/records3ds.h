// records3ds.h -- the records the 3DS reader fills: meshes, materials, lights, cameras, keyframer nodes
//
// Names and lists are not copied: they point into the reader's file image and live as long as the
// Loader3DS that read them. The file's lists are little-endian and unaligned, so they are kept as
// byte pointers and read through the accessors below, never cast to float or u16 arrays.
#pragma once

#include <cstdint>
#include <cstring>

#include "src/common/grow_array.h"

namespace import3ds {

inline uint16_t ReadU16LE(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t ReadU32LE(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}
inline float ReadF32LE(const uint8_t* p) {
  uint32_t bits = ReadU32LE(p);
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

}  // namespace import3ds

// One material's share of a mesh's faces (chunk 0x4130).
struct FaceMaterialGroup {
  const char* materialName = nullptr;  // in the file image
  uint16_t faceCount = 0;
  const uint8_t* faceIndices = nullptr;  // faceCount u16 face numbers, in the file image

  uint16_t FaceIndex(uint32_t i) const { return import3ds::ReadU16LE(faceIndices + 2 * i); }
};

struct TriangleMesh {
  TriangleMesh() = default;
  ~TriangleMesh();
  TriangleMesh(const TriangleMesh&) = delete;
  TriangleMesh& operator=(const TriangleMesh&) = delete;

  const char* name = nullptr;
  uint16_t vertexCount = 0;
  uint16_t faceCount = 0;
  const uint8_t* vertices = nullptr;   // vertexCount x (x, y, z) f32
  const uint8_t* faces = nullptr;      // faceCount x (a, b, c, flags) u16
  const uint8_t* mapCoords = nullptr;  // mapCoordCount x (u, v) f32
  GrowArray<FaceMaterialGroup*> faceGroups;
  float localMatrix[12] = {};  // X, Y, Z axis vectors, then the origin
  // Entries the mapping list really holds. A consumer that takes vertexCount entries must not take
  // more than this many, or it reads past the list.
  uint16_t mapCoordCount = 0;

  void Vertex(uint32_t i, float xyz[3]) const {
    for (int c = 0; c < 3; ++c) xyz[c] = import3ds::ReadF32LE(vertices + 12 * i + 4 * c);
  }
  // a, b, c (vertex numbers) and the flags word of face i.
  void Face(uint32_t i, uint16_t abcFlags[4]) const {
    for (int c = 0; c < 4; ++c) abcFlags[c] = import3ds::ReadU16LE(faces + 8 * i + 2 * c);
  }
  void MapCoord(uint32_t i, float uv[2]) const {
    for (int c = 0; c < 2; ++c) uv[c] = import3ds::ReadF32LE(mapCoords + 8 * i + 4 * c);
  }
};

struct MaterialRecord {
  const char* name = nullptr;
  float ambient[3] = {};
  float diffuse[3] = {};
  float specular[3] = {};
  const char* mapFile = nullptr;  // null when the material has no texture map
  float vScale = 0.0f;
  float uScale = 0.0f;
};

struct LightRecord {
  const char* name = nullptr;
  int32_t isSpot = 0;
  float colour[3] = {};
  float position[3] = {};
  float target[3] = {};
  float hotspot = 0.0f;  // degrees
  float falloff = 0.0f;  // degrees
};

struct CameraRecord {
  const char* name = nullptr;
  float position[3] = {};
  float target[3] = {};
  float bank = 0.0f;  // degrees
  float lens = 0.0f;  // millimetres
};

// One position key's x, y, z, as stored.
struct TrackVector {
  float x, y, z;
};

struct PositionTrack {
  uint16_t trackFlags = 0;
  uint32_t keyCount = 0;  // key count of the last track header read into this track
  GrowArray<uint32_t> frames;
  GrowArray<TrackVector> values;
};

struct RollTrack {
  uint16_t trackFlags = 0;
  uint32_t keyCount = 0;
  GrowArray<uint32_t> frames;
  GrowArray<float> values;  // degrees, as stored
};

// A camera's keyframer node: the camera node and its target node share one of these by name.
struct KeyframeObjectInfo {
  const char* name = nullptr;
  uint16_t flags1 = 0;
  uint16_t flags2 = 0;
  uint16_t parent = 0;
  PositionTrack positionTrack;
  PositionTrack targetTrack;
  RollTrack rollTrack;
};
