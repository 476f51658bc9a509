// mesh_x.cpp -- D3DXLoadMeshFromXA: a text or binary .x file read into one ID3DXMesh
//
// The file's meshes are placed by their frames and joined (xfile_read.cpp); a face's attribute
// is its material index. A .x file is left-handed with clockwise front faces and a top-left
// texture origin, as Direct3D draws, so positions, winding and coordinates are kept as written.
#include <d3dx9mesh.h>
#include <d3dx9tex.h>

#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "platform/d3dx9/mesh_object.h"
#include "platform/d3dx9/readers/xfile_read.h"
#include "platform/services/file_read.h"

namespace {

// A .x mesh of the largest size 16-bit indices allow takes a few megabytes; more is not a mesh
// this layer can load.
const size_t kMaxFileBytes = 64u << 20;

HRESULT Fail(const char* file, const std::string& reason, HRESULT hr) {
  std::fprintf(stderr, "D3DXLoadMeshFromXA: \"%s\": %s\n", file, reason.c_str());
  return hr;
}

HRESULT Read(const char* file, d3dx9x::XMesh* mesh) {
  std::string bytes, problem;
  try {
    platform_file::FileStatus read = platform_file::ReadRegularFile(file, kMaxFileBytes, &bytes, &problem);
    if (read == platform_file::FileStatus::kNotFound) return Fail(file, problem, D3DERR_NOTFOUND);
    if (read != platform_file::FileStatus::kOk) return Fail(file, problem, D3DXERR_INVALIDDATA);
    if (!d3dx9x::ReadXFile(bytes, mesh, &problem)) return Fail(file, problem, D3DXERR_INVALIDDATA);
  } catch (const std::bad_alloc&) {
    return Fail(file, "the mesh does not fit in memory", E_OUTOFMEMORY);
  }
  return D3D_OK;
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
  // The layer's meshes hold 16-bit indices only: a caller asking for 32 would get less than asked.
  if (Options & D3DXMESH_32BIT) return Fail(pFilename, "D3DXMESH_32BIT is not supported", D3DERR_INVALIDCALL);

  d3dx9x::XMesh g;
  HRESULT hr = Read(pFilename, &g);
  if (FAILED(hr)) return hr;
  DWORD vertices = static_cast<DWORD>(g.positions.size() / 3), faces = static_cast<DWORD>(g.attributes.size());
  if (faces == 0) return Fail(pFilename, "the file holds no triangles", D3DXERR_LOADEDMESHASNODATA);
  DWORD fvf = D3DFVF_XYZ | (g.hasNormals ? D3DFVF_NORMAL : 0) | (g.hasTexCoords ? D3DFVF_TEX1 : 0);
  ID3DXMesh* created = nullptr;
  hr = D3DXCreateMeshFVF(faces, vertices, Options, fvf, pD3DDevice, &created);
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
