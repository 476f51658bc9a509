// xfile_fuzz.cpp -- libFuzzer target: the .x reader on arbitrary bytes
//
// Only the reader runs (no device): every index it hands out must name a vertex it read.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/d3dx9/readers/xfile_read.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  d3dx9x::XMesh mesh;
  std::string error;
  if (!d3dx9x::ReadXFile(bytes, &mesh, &error)) {
    if (error.empty()) std::abort();  // a refusal always says why
    return 0;
  }
  size_t vertices = mesh.positions.size() / 3;
  if (vertices > d3dx9x::kMaxVertices || mesh.normals.size() != vertices * 3 || mesh.texCoords.size() != vertices * 2)
    std::abort();
  if (mesh.indices.size() != mesh.attributes.size() * 3) std::abort();
  for (uint32_t index : mesh.indices) {
    if (index >= vertices) std::abort();
  }
  return 0;
}
