// scene_mesh.cpp -- SceneMesh: a 3DS triangle mesh checked and built into a sorted D3DX mesh
#include <cstdio>
#include <cstring>
#include <vector>

#include "src/import3ds/records3ds.h"
#include "src/scene/scene.h"

namespace {

// Position, normal, one texture coordinate: D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1.
struct SceneVertex {
  float position[3];
  float normal[3];
  float uv[2];
};
static_assert(sizeof(SceneVertex) == 32, "the mesh's vertex layout is 32 bytes");
constexpr DWORD kSceneFvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;

std::string Printf(const char* format, unsigned a, unsigned b, unsigned c) {
  char text[160];
  std::snprintf(text, sizeof text, format, a, b, c);
  return text;
}

// Why record cannot become a device mesh, or "" when it can. Every index the build writes is
// checked here, so a file cannot make the build read or write outside its buffers.
std::string FindProblem(const TriangleMesh& record) {
  if (record.faceCount == 0) return "it has no faces";
  if (record.vertexCount == 0) return "it has faces but no vertices";
  for (uint32_t f = 0; f < record.faceCount; ++f) {
    uint16_t face[4];
    record.Face(f, face);
    for (int k = 0; k < 3; ++k) {
      if (face[k] >= record.vertexCount)
        return Printf("face %u names vertex %u but the mesh has %u vertices", f, face[k], record.vertexCount);
    }
  }
  for (uint32_t j = 0; j < record.faceGroups.count; ++j) {
    const FaceMaterialGroup& group = *record.faceGroups[j];
    for (uint32_t i = 0; i < group.faceCount; ++i) {
      if (group.FaceIndex(i) >= record.faceCount)
        return Printf("face group %u names face %u but the mesh has %u faces", j, group.FaceIndex(i),
                      record.faceCount);
    }
  }
  return "";
}

void FillVertices(ID3DXMesh* mesh, const TriangleMesh& record) {
  void* data = nullptr;
  if (FAILED(mesh->LockVertexBuffer(0, &data))) return;
  SceneVertex* vertices = static_cast<SceneVertex*>(data);
  for (uint32_t i = 0; i < record.vertexCount; ++i) {
    float xyz[3];
    record.Vertex(i, xyz);
    SceneVertex& v = vertices[i];
    v.position[0] = xyz[0];
    v.position[1] = xyz[2];
    v.position[2] = xyz[1];
    // A mesh with fewer mapping coordinates than vertices (none at all, usually) maps the rest to 0, 0.
    float uv[2] = {0.0f, 0.0f};
    if (i < record.mapCoordCount) record.MapCoord(i, uv);
    v.uv[0] = uv[0];
    v.uv[1] = uv[1];
  }
  mesh->UnlockVertexBuffer();
}

void FillIndices(ID3DXMesh* mesh, const TriangleMesh& record) {
  void* data = nullptr;
  if (FAILED(mesh->LockIndexBuffer(0, &data))) return;
  uint16_t* indices = static_cast<uint16_t*>(data);
  for (uint32_t f = 0; f < record.faceCount; ++f) {
    uint16_t face[4];
    record.Face(f, face);
    indices[3 * f + 0] = face[2];
    indices[3 * f + 1] = face[1];
    indices[3 * f + 2] = face[0];
  }
  mesh->UnlockIndexBuffer();
}

// Group j's faces get attribute j, and its material becomes entry j of the material list.
void FillAttributes(ID3DXMesh* mesh, Scene* scene, const TriangleMesh& record, GrowArray<SceneMaterial*>* materials) {
  DWORD* attributes = nullptr;
  if (FAILED(mesh->LockAttributeBuffer(0, &attributes))) return;
  for (uint32_t j = 0; j < record.faceGroups.count; ++j) {
    const FaceMaterialGroup& group = *record.faceGroups[j];
    materials->Append(scene->FindMaterial(group.materialName));
    for (uint32_t i = 0; i < group.faceCount; ++i) attributes[group.FaceIndex(i)] = j;
  }
  mesh->UnlockAttributeBuffer();
}

}  // namespace

SceneMesh::SceneMesh() {}

SceneMesh::~SceneMesh() {
  if (mesh) mesh->Release();
}

int SceneMesh::Build(IDirect3DDevice9* device, Scene* scene, const TriangleMesh* record, std::string* problem) {
  name = record->name ? record->name : "";
  // The translation keeps the file's component order; the vertices exchange theirs.
  for (int c = 0; c < 3; ++c) origin[c] = position[c] = record->localMatrix[9 + c];

  std::string why = device ? FindProblem(*record) : "there is no Direct3D device";
  if (why.empty() && FAILED(D3DXCreateMeshFVF(record->faceCount, record->vertexCount, D3DXMESH_SYSTEMMEM, kSceneFvf,
                                              device, &mesh))) {
    mesh = nullptr;
    why = "the device mesh cannot be created";
  }
  if (!why.empty()) {
    if (problem) *problem = why;
    return 1;
  }

  FillVertices(mesh, *record);
  FillIndices(mesh, *record);
  FillAttributes(mesh, scene, *record, &materials);

  // The attribute sort makes each subset one range of faces, so DrawSubset j draws group j.
  std::vector<DWORD> adjacency(static_cast<size_t>(mesh->GetNumFaces()) * 3);
  mesh->GenerateAdjacency(0.0001f, adjacency.data());
  mesh->OptimizeInplace(D3DXMESHOPT_ATTRSORT, adjacency.data(), nullptr, nullptr, nullptr);
  D3DXComputeNormals(mesh, nullptr);
  return 0;
}
