// mesh_x.cpp -- D3DXLoadMeshFromXA: text and binary .x files read by assimp into one ID3DXMesh
//
// Every mesh of the file's node tree is placed by its node transforms and appended; a face's
// attribute is its material index. assimp turns .x data right-handed; ConvertToLeftHanded gives
// back Direct3D's left-handed positions, clockwise front faces and top-left texture origin.
#include <assimp/cimport.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <d3dx9mesh.h>
#include <d3dx9tex.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/d3dx9/mesh_object.h"

namespace {

struct Gathered {
  std::vector<float> positions, normals, texCoords;
  std::vector<DWORD> indices, attributes;
  bool hasNormals = true, hasTexCoords = true;
};

void Gather(const aiScene* scene, const aiNode* node, aiMatrix4x4 parent, Gathered* out) {
  aiMatrix4x4 transform = parent * node->mTransformation;
  aiMatrix3x3 rotation(transform);
  for (unsigned m = 0; m < node->mNumMeshes; ++m) {
    const aiMesh* mesh = scene->mMeshes[node->mMeshes[m]];
    DWORD base = static_cast<DWORD>(out->positions.size() / 3);
    out->hasNormals = out->hasNormals && mesh->HasNormals();
    out->hasTexCoords = out->hasTexCoords && mesh->HasTextureCoords(0);
    for (unsigned v = 0; v < mesh->mNumVertices; ++v) {
      aiVector3D p = transform * mesh->mVertices[v];
      out->positions.insert(out->positions.end(), {p.x, p.y, p.z});
      aiVector3D n = mesh->HasNormals() ? (rotation * mesh->mNormals[v]).Normalize() : aiVector3D();
      out->normals.insert(out->normals.end(), {n.x, n.y, n.z});
      aiVector3D t = mesh->HasTextureCoords(0) ? mesh->mTextureCoords[0][v] : aiVector3D();
      out->texCoords.insert(out->texCoords.end(), {t.x, t.y});
    }
    for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
      const aiFace& face = mesh->mFaces[f];
      if (face.mNumIndices != 3) continue;  // points and lines left by triangulation
      for (int k = 0; k < 3; ++k) out->indices.push_back(base + face.mIndices[k]);
      out->attributes.push_back(mesh->mMaterialIndex);
    }
  }
  for (unsigned c = 0; c < node->mNumChildren; ++c) Gather(scene, node->mChildren[c], transform, out);
}

HRESULT Fail(const char* file, const char* reason, HRESULT hr) {
  std::fprintf(stderr, "D3DXLoadMeshFromXA: \"%s\": %s\n", file, reason);
  return hr;
}

}  // namespace

HRESULT WINAPI D3DXLoadMeshFromXA(LPCSTR pFilename, DWORD Options, IDirect3DDevice9* pD3DDevice,
                                  LPD3DXBUFFER* ppAdjacency, LPD3DXBUFFER* ppMaterials,
                                  LPD3DXBUFFER* ppEffectInstances, DWORD* pNumMaterials, LPD3DXMESH* ppMesh) {
  if (ppAdjacency) *ppAdjacency = nullptr;
  if (ppMaterials) *ppMaterials = nullptr;
  if (ppEffectInstances) *ppEffectInstances = nullptr;
  if (pNumMaterials) *pNumMaterials = 0;
  if (!ppMesh) return D3DERR_INVALIDCALL;
  *ppMesh = nullptr;
  if (!pFilename || !pD3DDevice) return D3DERR_INVALIDCALL;
  std::FILE* probe = std::fopen(pFilename, "rb");
  if (!probe) return Fail(pFilename, "cannot open the file", D3DERR_NOTFOUND);
  std::fclose(probe);

  const aiScene* scene =
      aiImportFile(pFilename, aiProcess_Triangulate | aiProcess_ConvertToLeftHanded | aiProcess_SortByPType);
  if (!scene || !scene->mRootNode) return Fail(pFilename, aiGetErrorString(), D3DXERR_INVALIDDATA);
  Gathered g;
  Gather(scene, scene->mRootNode, aiMatrix4x4(), &g);
  aiReleaseImport(scene);

  DWORD vertices = static_cast<DWORD>(g.positions.size() / 3), faces = static_cast<DWORD>(g.attributes.size());
  if (faces == 0) return Fail(pFilename, "the file holds no triangles", D3DXERR_LOADEDMESHASNODATA);
  if (vertices > 0xffff) return Fail(pFilename, "more than 65535 vertices for 16-bit indices", D3DXERR_INVALIDDATA);
  DWORD fvf = D3DFVF_XYZ | (g.hasNormals ? D3DFVF_NORMAL : 0) | (g.hasTexCoords ? D3DFVF_TEX1 : 0);
  ID3DXMesh* created = nullptr;
  HRESULT hr = D3DXCreateMeshFVF(faces, vertices, Options & ~D3DXMESH_32BIT, fvf, pD3DDevice, &created);
  if (FAILED(hr)) return Fail(pFilename, "the mesh cannot be created", hr);
  auto* mesh = static_cast<d3dx9mesh::MeshObject*>(created);

  DWORD stride = mesh->GetNumBytesPerVertex();
  int normal = d3dx9mesh::NormalOffset(fvf), tex = d3dx9mesh::TexCoordOffset(fvf);
  for (DWORD v = 0; v < vertices; ++v) {
    unsigned char* to = &mesh->vertexData()[v * stride];
    std::memcpy(to, &g.positions[v * 3], 12);
    if (normal >= 0) std::memcpy(to + normal, &g.normals[v * 3], 12);
    if (tex >= 0) std::memcpy(to + tex, &g.texCoords[v * 2], 8);
  }
  for (size_t i = 0; i < g.indices.size(); ++i) mesh->indexData()[i] = static_cast<WORD>(g.indices[i]);
  mesh->attributeData() = g.attributes;
  mesh->RebuildRanges();
  if (FAILED(hr = mesh->UploadVertices()) || FAILED(hr = mesh->UploadIndices())) {
    mesh->Release();
    return Fail(pFilename, "the mesh buffers cannot be filled", hr);
  }
  *ppMesh = mesh;
  return D3D_OK;
}
