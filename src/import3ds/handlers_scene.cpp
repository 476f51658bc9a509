// handlers_scene.cpp -- chunk handlers of the editor section: objects, meshes, lights, cameras, materials
//
// A handler reads only its chunk's own fields; sub-chunks after them are met by the walk. A chunk
// that fills "the last record" of an array that is still empty has nothing to fill: it is skipped
// whole, like an id the walk does not know, so the log shows only its header line.
#include <new>

#include "src/import3ds/loader3ds.h"

namespace {

template <typename T>
T* LastOf(GrowArray<T*>& array) {
  return array.count > 0 ? array.Last() : nullptr;
}

// Appends a fresh record, or gives null (deleting it) when the array cannot grow.
template <typename T>
T* AppendNew(GrowArray<T*>& array) {
  T* record = new (std::nothrow) T();
  if (record && array.Append(record) < 0) {
    delete record;
    record = nullptr;
  }
  return record;
}

}  // namespace

bool Loader3DS::HandleAmbient(const Chunk&) {
  LogText("CHUNK_AMBCOLOUR\n");
  return ReadColour(ambientColour);
}

// The kind of object is the id of its first sub-chunk, read without moving past it.
bool Loader3DS::HandleObjectBlock(const Chunk&) {
  LogText("\tCHUNK_OBJBLOCK\n");
  const char* name = nullptr;
  if (!ReadName(&name, "an object name has no terminating zero")) return false;
  if (fileImage.size - readPos < 2) return true;
  uint16_t kind = import3ds::ReadU16LE(fileImage.data + readPos);
  if (kind == 0x4100) {
    TriangleMesh* mesh = AppendNew(meshes);
    if (!mesh) return Fail("out of memory for a mesh");
    mesh->name = name;
    LogQuoted("\t\tTriangleMesh - ", name);
  } else if (kind == 0x4600) {
    LightRecord* light = AppendNew(lights);
    if (!light) return Fail("out of memory for a light");
    light->name = name;
    LogQuoted("\t\tLight - ", name);
  } else if (kind == 0x4700) {
    CameraRecord* camera = AppendNew(cameras);
    if (!camera) return Fail("out of memory for a camera");
    camera->name = name;
    LogQuoted("\t\tCamera - ", name);
  }
  return true;
}

bool Loader3DS::HandleVertexList(const Chunk& chunk) {
  TriangleMesh* mesh = LastOf(meshes);
  if (!mesh) return SkipRest(chunk);
  LogText("\t\t\tCHUNK_VERTLIST\n");
  uint16_t count = 0;
  if (!ReadU16(&count, "a vertex count runs past the end of the file")) return false;
  if (!TakeList(12ull * count, &mesh->vertices, "a vertex list runs past the end of the file")) return false;
  mesh->vertexCount = count;
  lineBuffer << "\t\t\t" << std::dec << count << " vertices\n";
  FlushLine();
  return true;
}

bool Loader3DS::HandleFaceList(const Chunk& chunk) {
  TriangleMesh* mesh = LastOf(meshes);
  if (!mesh) return SkipRest(chunk);
  LogText("\t\t\tCHUNK_FACELIST\n");
  uint16_t count = 0;
  if (!ReadU16(&count, "a face count runs past the end of the file")) return false;
  if (!TakeList(8ull * count, &mesh->faces, "a face list runs past the end of the file")) return false;
  mesh->faceCount = count;
  lineBuffer << "\t\t\t" << std::dec << count << " triangles\n";
  FlushLine();
  return true;
}

bool Loader3DS::HandleFaceMaterial(const Chunk& chunk) {
  TriangleMesh* mesh = LastOf(meshes);
  if (!mesh) return SkipRest(chunk);
  const char* name = nullptr;
  if (!ReadName(&name, "a face material name has no terminating zero")) return false;
  LogQuoted("\t\t\tCHUNK_FACEMAT - ", name);
  uint16_t count = 0;
  const uint8_t* indices = nullptr;
  if (!ReadU16(&count, "a face material count runs past the end of the file")) return false;
  if (!TakeList(2ull * count, &indices, "a face material list runs past the end of the file")) return false;
  FaceMaterialGroup* group = AppendNew(mesh->faceGroups);
  if (!group) return Fail("out of memory for a face material group");
  group->materialName = name;
  group->faceCount = count;
  group->faceIndices = indices;
  return true;
}

bool Loader3DS::HandleMapList(const Chunk& chunk) {
  TriangleMesh* mesh = LastOf(meshes);
  if (!mesh) return SkipRest(chunk);
  LogText("CHUNK_MAPLIST\n");
  uint16_t count = 0;
  if (!ReadU16(&count, "a mapping count runs past the end of the file")) return false;
  if (!TakeList(8ull * count, &mesh->mapCoords, "a mapping list runs past the end of the file")) return false;
  mesh->mapCoordCount = count;
  return true;
}

bool Loader3DS::HandleMatrix(const Chunk& chunk) {
  TriangleMesh* mesh = LastOf(meshes);
  if (!mesh) return SkipRest(chunk);
  LogText("CHUNK_TRMATRIX\n");
  return ReadFloats(mesh->localMatrix, 12, "a mesh matrix runs past the end of the file");
}

bool Loader3DS::HandleLight(const Chunk& chunk) {
  LightRecord* light = LastOf(lights);
  if (!light) return SkipRest(chunk);
  LogText("\t\tCHUNK_LIGHT\n");
  if (!ReadFloats(light->position, 3, "a light position runs past the end of the file")) return false;
  return ReadColour(light->colour);
}

bool Loader3DS::HandleSpotlight(const Chunk& chunk) {
  LightRecord* light = LastOf(lights);
  if (!light) return SkipRest(chunk);
  LogText("\t\t\tCHUNK_SPOTLIGHT\n");
  float values[5];
  if (!ReadFloats(values, 5, "spot light data runs past the end of the file")) return false;
  light->isSpot = 1;
  for (int c = 0; c < 3; ++c) light->target[c] = values[c];
  light->hotspot = values[3];
  light->falloff = values[4];
  return true;
}

bool Loader3DS::HandleCamera(const Chunk& chunk) {
  CameraRecord* camera = LastOf(cameras);
  if (!camera) return SkipRest(chunk);
  LogText("\t\tCHUNK_CAMERA\n");
  float values[8];
  if (!ReadFloats(values, 8, "camera data runs past the end of the file")) return false;
  for (int c = 0; c < 3; ++c) {
    camera->position[c] = values[c];
    camera->target[c] = values[3 + c];
  }
  camera->bank = values[6];
  camera->lens = values[7];
  return true;
}

bool Loader3DS::HandleMaterialName(const Chunk&) {
  const char* name = nullptr;
  if (!ReadName(&name, "a material name has no terminating zero")) return false;
  MaterialRecord* material = AppendNew(materials);
  if (!material) return Fail("out of memory for a material");
  material->name = name;
  LogQuoted("Material - ", name);
  return true;
}

bool Loader3DS::HandleAmbientColour(const Chunk& chunk) { return HandleMaterialColour(chunk, "\tCHUNK_AMBIENT\n", 0); }
bool Loader3DS::HandleDiffuseColour(const Chunk& chunk) { return HandleMaterialColour(chunk, "\tCHUNK_DIFFUSE\n", 1); }
bool Loader3DS::HandleSpecularColour(const Chunk& chunk) {
  return HandleMaterialColour(chunk, "\tCHUNK_SPECULAR\n", 2);
}

bool Loader3DS::HandleMaterialColour(const Chunk& chunk, const char* logText, int which) {
  MaterialRecord* material = LastOf(materials);
  if (!material) return SkipRest(chunk);
  LogText(logText);
  float* colours[] = {material->ambient, material->diffuse, material->specular};
  return ReadColour(colours[which]);
}

bool Loader3DS::HandleMapFile(const Chunk& chunk) {
  MaterialRecord* material = LastOf(materials);
  if (!material) return SkipRest(chunk);
  LogText("CHUNK_MAPFILE\n");
  const char* name = nullptr;
  if (!ReadName(&name, "a map file name has no terminating zero")) return false;
  material->mapFile = name;
  LogQuoted("Filename - ", name);
  return true;
}

bool Loader3DS::HandleUScale(const Chunk& chunk) {
  MaterialRecord* material = LastOf(materials);
  if (!material) return SkipRest(chunk);
  LogText("CHUNK_USCALE\n");
  return ReadF32(&material->uScale, "a U scale runs past the end of the file");
}

bool Loader3DS::HandleVScale(const Chunk& chunk) {
  MaterialRecord* material = LastOf(materials);
  if (!material) return SkipRest(chunk);
  LogText("CHUNK_VSCALE\n");
  return ReadF32(&material->vScale, "a V scale runs past the end of the file");
}
