// mesh_object.cpp -- ID3DXMesh: creation, locks, subsets and drawing, clones
#include "platform/d3dx9/mesh_object.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace d3dx9mesh {

namespace {
const DWORD kSupportedFvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;
}

DWORD VertexSize(DWORD fvf) {
  if ((fvf & D3DFVF_POSITION_MASK) != D3DFVF_XYZ || (fvf & ~kSupportedFvf) != 0) return 0;
  return 12 + ((fvf & D3DFVF_NORMAL) ? 12 : 0) + ((fvf & D3DFVF_TEX1) ? 8 : 0);
}

int NormalOffset(DWORD fvf) { return (fvf & D3DFVF_NORMAL) ? 12 : -1; }

int TexCoordOffset(DWORD fvf) { return (fvf & D3DFVF_TEX1) ? 12 + ((fvf & D3DFVF_NORMAL) ? 12 : 0) : -1; }

MeshObject::MeshObject(IDirect3DDevice9* device, DWORD faces, DWORD vertices, DWORD options, DWORD fvf)
    : device_(device), faces_(faces), vertices_(vertices), options_(options), fvf_(fvf), stride_(VertexSize(fvf)) {
  device_->AddRef();
}

MeshObject::~MeshObject() {
  if (vertexBuffer_) vertexBuffer_->Release();
  if (indexBuffer_) indexBuffer_->Release();
  device_->Release();
}

HRESULT MeshObject::Create() {
  vertexData_.assign(static_cast<size_t>(vertices_) * stride_, 0);
  indexData_.assign(static_cast<size_t>(faces_) * 3, 0);
  attributeData_.assign(faces_, 0);
  // Managed buffers whatever the options ask: the device draws from them directly, and a
  // system-memory mesh must still draw here.
  HRESULT hr = device_->CreateVertexBuffer(static_cast<UINT>(vertexData_.size()), 0, fvf_, D3DPOOL_MANAGED,
                                           &vertexBuffer_, nullptr);
  if (FAILED(hr)) return hr;
  hr = device_->CreateIndexBuffer(static_cast<UINT>(indexData_.size() * sizeof(WORD)), 0, D3DFMT_INDEX16,
                                  D3DPOOL_MANAGED, &indexBuffer_, nullptr);
  if (FAILED(hr)) return hr;
  RebuildRanges();
  return D3D_OK;
}

HRESULT MeshObject::QueryInterface(REFIID, void** ppvObj) {
  if (ppvObj) *ppvObj = nullptr;
  return E_NOINTERFACE;
}

ULONG MeshObject::AddRef() { return ++refs_; }

ULONG MeshObject::Release() {
  ULONG left = --refs_;
  if (left == 0) delete this;
  return left;
}

HRESULT MeshObject::GetDevice(IDirect3DDevice9** ppDevice) {
  if (!ppDevice) return D3DERR_INVALIDCALL;
  device_->AddRef();
  *ppDevice = device_;
  return D3D_OK;
}

HRESULT MeshObject::UploadVertices() {
  void* bytes = nullptr;
  HRESULT hr = vertexBuffer_->Lock(0, 0, &bytes, 0);
  if (FAILED(hr)) return hr;
  std::memcpy(bytes, vertexData_.data(), vertexData_.size());
  return vertexBuffer_->Unlock();
}

HRESULT MeshObject::UploadIndices() {
  void* bytes = nullptr;
  HRESULT hr = indexBuffer_->Lock(0, 0, &bytes, 0);
  if (FAILED(hr)) return hr;
  std::memcpy(bytes, indexData_.data(), indexData_.size() * sizeof(WORD));
  return indexBuffer_->Unlock();
}

HRESULT MeshObject::LockVertexBuffer(DWORD, LPVOID* ppData) {
  if (!ppData) return D3DERR_INVALIDCALL;
  *ppData = vertexData_.data();
  return D3D_OK;
}

HRESULT MeshObject::UnlockVertexBuffer() { return UploadVertices(); }

HRESULT MeshObject::LockIndexBuffer(DWORD, LPVOID* ppData) {
  if (!ppData) return D3DERR_INVALIDCALL;
  *ppData = indexData_.data();
  return D3D_OK;
}

HRESULT MeshObject::UnlockIndexBuffer() {
  RebuildRanges();  // vertex ranges of the subsets follow the indices
  return UploadIndices();
}

HRESULT MeshObject::LockAttributeBuffer(DWORD, DWORD** ppData) {
  if (!ppData) return D3DERR_INVALIDCALL;
  *ppData = attributeData_.data();
  return D3D_OK;
}

HRESULT MeshObject::UnlockAttributeBuffer() {
  sorted_ = false;  // new attributes: the old table no longer describes the faces
  RebuildRanges();
  return D3D_OK;
}

void MeshObject::RebuildRanges() {
  ranges_.clear();
  for (DWORD face = 0; face < faces_; ++face) {
    DWORD low = 0xffff, high = 0;
    for (int k = 0; k < 3; ++k) {
      DWORD index = indexData_[face * 3 + k];
      low = std::min(low, index);
      high = std::max(high, index);
    }
    if (!ranges_.empty() && ranges_.back().AttribId == attributeData_[face] &&
        ranges_.back().FaceStart + ranges_.back().FaceCount == face) {
      D3DXATTRIBUTERANGE& r = ranges_.back();
      DWORD end = std::max(r.VertexStart + r.VertexCount, high + 1);
      r.VertexStart = std::min(r.VertexStart, low);
      r.VertexCount = end - r.VertexStart;
      ++r.FaceCount;
    } else {
      ranges_.push_back(D3DXATTRIBUTERANGE{attributeData_[face], face, 1, low, high + 1 - low});
    }
  }
}

HRESULT MeshObject::GetAttributeTable(D3DXATTRIBUTERANGE* pAttribTable, DWORD* pAttribTableSize) {
  DWORD size = sorted_ ? static_cast<DWORD>(ranges_.size()) : 0;  // only an optimised mesh has a table
  if (pAttribTableSize) *pAttribTableSize = size;
  if (pAttribTable && size) std::copy(ranges_.begin(), ranges_.end(), pAttribTable);
  return D3D_OK;
}

HRESULT MeshObject::DrawSubset(DWORD AttribId) {
  device_->SetFVF(fvf_);
  device_->SetStreamSource(0, vertexBuffer_, 0, stride_);
  device_->SetIndices(indexBuffer_);
  for (const D3DXATTRIBUTERANGE& r : ranges_) {
    if (r.AttribId != AttribId || r.FaceCount == 0) continue;
    if (r.VertexStart + r.VertexCount > vertices_) return D3DERR_INVALIDCALL;  // an index past the vertices
    HRESULT hr = device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, r.VertexStart, r.VertexCount, r.FaceStart * 3,
                                               r.FaceCount);
    if (FAILED(hr)) return hr;
  }
  return D3D_OK;
}

HRESULT MeshObject::OptimizeInplace(DWORD Flags, const DWORD* pAdjacencyIn, DWORD* pAdjacencyOut, DWORD* pFaceRemap,
                                    LPD3DXBUFFER* ppVertexRemap) {
  if (ppVertexRemap) *ppVertexRemap = nullptr;  // vertices never move here
  if (!(Flags & D3DXMESHOPT_ATTRSORT)) return D3DERR_INVALIDCALL;
  std::vector<DWORD> order(faces_);  // order[new face] = old face
  for (DWORD i = 0; i < faces_; ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [this](DWORD a, DWORD b) { return attributeData_[a] < attributeData_[b]; });
  std::vector<DWORD> newIndexOf(faces_);
  for (DWORD i = 0; i < faces_; ++i) newIndexOf[order[i]] = i;
  std::vector<WORD> indices(indexData_.size());
  std::vector<DWORD> attributes(faces_);
  for (DWORD i = 0; i < faces_; ++i) {
    std::copy_n(&indexData_[order[i] * 3], 3, &indices[i * 3]);
    attributes[i] = attributeData_[order[i]];
  }
  if (pAdjacencyOut) {
    std::vector<DWORD> adjacency(static_cast<size_t>(faces_) * 3, 0xffffffff);
    if (pAdjacencyIn) {
      for (DWORD i = 0; i < faces_; ++i)
        for (int k = 0; k < 3; ++k) {
          DWORD other = pAdjacencyIn[order[i] * 3 + k];
          adjacency[i * 3 + k] = other < faces_ ? newIndexOf[other] : 0xffffffff;
        }
    }
    std::copy(adjacency.begin(), adjacency.end(), pAdjacencyOut);
  }
  if (pFaceRemap) std::copy(order.begin(), order.end(), pFaceRemap);
  indexData_.swap(indices);
  attributeData_.swap(attributes);
  RebuildRanges();
  sorted_ = true;
  return UploadIndices();
}

HRESULT MeshObject::CloneMeshFVF(DWORD Options, DWORD FVF, IDirect3DDevice9* pD3DDevice, ID3DXMesh** ppCloneMesh) {
  if (!ppCloneMesh) return D3DERR_INVALIDCALL;
  *ppCloneMesh = nullptr;
  if (!pD3DDevice || (Options & D3DXMESH_32BIT) || VertexSize(FVF) == 0) return D3DERR_INVALIDCALL;
  auto* clone = new (std::nothrow) MeshObject(pD3DDevice, faces_, vertices_, Options, FVF);
  if (!clone) return E_OUTOFMEMORY;
  HRESULT hr = clone->Create();
  if (FAILED(hr)) {
    clone->Release();
    return hr;
  }
  // Components both formats have are copied; a component only the clone has stays zero.
  const int fromNormal = NormalOffset(fvf_), toNormal = NormalOffset(FVF);
  const int fromTex = TexCoordOffset(fvf_), toTex = TexCoordOffset(FVF);
  for (DWORD v = 0; v < vertices_; ++v) {
    const unsigned char* from = &vertexData_[v * stride_];
    unsigned char* to = &clone->vertexData_[v * clone->stride_];
    std::memcpy(to, from, 12);
    if (fromNormal >= 0 && toNormal >= 0) std::memcpy(to + toNormal, from + fromNormal, 12);
    if (fromTex >= 0 && toTex >= 0) std::memcpy(to + toTex, from + fromTex, 8);
  }
  clone->indexData_ = indexData_;
  clone->attributeData_ = attributeData_;
  clone->ranges_ = ranges_;
  clone->sorted_ = sorted_;
  if (FAILED(hr = clone->UploadVertices()) || FAILED(hr = clone->UploadIndices())) {
    clone->Release();
    return hr;
  }
  *ppCloneMesh = clone;
  return D3D_OK;
}

}  // namespace d3dx9mesh

HRESULT WINAPI D3DXCreateMeshFVF(DWORD NumFaces, DWORD NumVertices, DWORD Options, DWORD FVF,
                                 IDirect3DDevice9* pD3DDevice, LPD3DXMESH* ppMesh) {
  if (!ppMesh) return D3DERR_INVALIDCALL;
  *ppMesh = nullptr;
  // 16-bit indices address at most 65535 vertices; a mesh with no face or vertex is refused as D3DX does.
  if (!pD3DDevice || NumFaces == 0 || NumVertices == 0 || NumVertices > 0xffff || NumFaces > 0xffffff ||
      (Options & D3DXMESH_32BIT) || d3dx9mesh::VertexSize(FVF) == 0)
    return D3DERR_INVALIDCALL;
  auto* mesh = new (std::nothrow) d3dx9mesh::MeshObject(pD3DDevice, NumFaces, NumVertices, Options, FVF);
  if (!mesh) return E_OUTOFMEMORY;
  HRESULT hr = mesh->Create();
  if (FAILED(hr)) {
    mesh->Release();
    return hr;
  }
  *ppMesh = mesh;
  return D3D_OK;
}
