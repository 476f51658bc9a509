// xfile_read.h -- a .x file's meshes, gathered into one list of vertices and triangles
//
// Text and binary .x files are read (compressed ones are refused by name). The templates D3DX
// meshes use are understood: Frame with FrameTransformMatrix, Mesh (polygons fan-triangulated),
// MeshNormals, MeshTextureCoords, MeshMaterialList with Material; other data objects are skipped.
// Every count is checked against the bytes left, every index against its count, and nesting is
// limited, so a hostile file costs no more memory or stack than its honest content.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace d3dx9x {

struct XMesh {
  std::vector<float> positions;  // 3 per vertex, placed by the frames around their mesh
  std::vector<float> normals;    // 3 per vertex (zero where the file gives none)
  std::vector<float> texCoords;  // 2 per vertex, as in the file (top-left origin)
  std::vector<uint32_t> indices;     // 3 per triangle, in the file's winding
  std::vector<uint32_t> attributes;  // 1 per triangle: its material index
  bool hasNormals = true, hasTexCoords = true;  // every mesh of the file has them
};

const int kMaxNesting = 64;               // data objects inside one another
const uint32_t kMaxVertices = 0xffff;     // the layer's meshes use 16-bit indices

// Reads a whole .x file. On failure: false, with "line N: ..." or "byte N: ..." in *error.
bool ReadXFile(const std::string& bytes, XMesh* out, std::string* error);

}  // namespace d3dx9x
