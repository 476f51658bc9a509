// mesh_ops.cpp -- mesh adjacency (edges matched by position) and per-vertex normals
#include <d3dx9math.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "platform/d3dx9/mesh_object.h"

namespace d3dx9mesh {

namespace {

D3DXVECTOR3 Position(MeshObject* mesh, DWORD vertex) {
  D3DXVECTOR3 p;
  std::memcpy(&p.x, &mesh->vertexData()[vertex * mesh->GetNumBytesPerVertex()], 12);
  return p;
}

// Vertices whose positions lie within epsilon of each other share one representative, so an
// edge is known by its two representatives however the vertices were split (by normals, UVs).
std::vector<DWORD> PointRepresentatives(MeshObject* mesh, float epsilon) {
  DWORD count = mesh->GetNumVertices();
  std::vector<DWORD> order(count), rep(count);
  for (DWORD i = 0; i < count; ++i) order[i] = rep[i] = i;
  std::sort(order.begin(), order.end(), [mesh](DWORD a, DWORD b) { return Position(mesh, a).x < Position(mesh, b).x; });
  for (DWORD i = 0; i < count; ++i) {
    D3DXVECTOR3 p = Position(mesh, order[i]);
    for (DWORD j = i; j-- > 0;) {
      D3DXVECTOR3 q = Position(mesh, order[j]);
      if (p.x - q.x > epsilon) break;
      if (std::fabs(p.y - q.y) <= epsilon && std::fabs(p.z - q.z) <= epsilon) {
        rep[order[i]] = rep[order[j]];
        break;
      }
    }
  }
  return rep;
}

}  // namespace

HRESULT MeshObject::GenerateAdjacency(FLOAT Epsilon, DWORD* pAdjacency) {
  if (!pAdjacency || Epsilon < 0.0f) return D3DERR_INVALIDCALL;
  std::vector<DWORD> rep = PointRepresentatives(this, Epsilon);
  auto key = [](DWORD a, DWORD b) { return (static_cast<unsigned long long>(a) << 32) | b; };
  // Each directed edge a->b of a face; a neighbour walks the same edge b->a.
  std::unordered_map<unsigned long long, std::vector<DWORD>> edges;  // edge -> face * 3 + corner
  for (DWORD face = 0; face < faces_; ++face)
    for (int k = 0; k < 3; ++k) {
      DWORD a = rep[indexData_[face * 3 + k]], b = rep[indexData_[face * 3 + (k + 1) % 3]];
      edges[key(a, b)].push_back(face * 3 + k);
    }
  std::fill(pAdjacency, pAdjacency + faces_ * 3, 0xffffffff);
  for (DWORD face = 0; face < faces_; ++face)
    for (int k = 0; k < 3; ++k) {
      if (pAdjacency[face * 3 + k] != 0xffffffff) continue;
      DWORD a = rep[indexData_[face * 3 + k]], b = rep[indexData_[face * 3 + (k + 1) % 3]];
      if (a == b) continue;  // a degenerate edge has no neighbour
      auto found = edges.find(key(b, a));
      if (found == edges.end()) continue;
      for (DWORD other : found->second) {
        DWORD otherFace = other / 3;
        if (otherFace == face || pAdjacency[other] != 0xffffffff) continue;
        pAdjacency[face * 3 + k] = otherFace;
        pAdjacency[other] = face;
        break;
      }
    }
  return D3D_OK;
}

}  // namespace d3dx9mesh

HRESULT WINAPI D3DXComputeNormals(ID3DXMesh* pMesh, const DWORD* pAdjacency) {
  (void)pAdjacency;
  auto* mesh = static_cast<d3dx9mesh::MeshObject*>(pMesh);
  if (!mesh) return D3DERR_INVALIDCALL;
  int offset = d3dx9mesh::NormalOffset(mesh->GetFVF());
  if (offset < 0) return D3DERR_INVALIDCALL;
  DWORD stride = mesh->GetNumBytesPerVertex(), vertices = mesh->GetNumVertices();
  std::vector<D3DXVECTOR3> sums(vertices, D3DXVECTOR3(0, 0, 0));
  const std::vector<WORD>& indices = mesh->indexData();
  auto position = [&](DWORD v) {
    D3DXVECTOR3 p;
    std::memcpy(&p.x, &mesh->vertexData()[v * stride], 12);
    return p;
  };
  for (size_t face = 0; face + 2 < indices.size(); face += 3) {
    DWORD corner[3] = {indices[face], indices[face + 1], indices[face + 2]};
    if (corner[0] >= vertices || corner[1] >= vertices || corner[2] >= vertices) return D3DERR_INVALIDCALL;
    D3DXVECTOR3 p[3] = {position(corner[0]), position(corner[1]), position(corner[2])};
    // Clockwise faces are front faces: (p1 - p0) x (p2 - p0) points out of the front.
    D3DXVECTOR3 e1 = p[1] - p[0], e2 = p[2] - p[0], n;
    D3DXVec3Cross(&n, &e1, &e2);
    if (D3DXVec3Length(&n) == 0.0f) continue;
    D3DXVec3Normalize(&n, &n);
    for (int k = 0; k < 3; ++k) {
      D3DXVECTOR3 a = p[(k + 1) % 3] - p[k], b = p[(k + 2) % 3] - p[k];
      D3DXVec3Normalize(&a, &a);
      D3DXVec3Normalize(&b, &b);
      float angle = std::acos(std::max(-1.0f, std::min(1.0f, D3DXVec3Dot(&a, &b))));
      sums[corner[k]] += n * angle;
    }
  }
  for (DWORD v = 0; v < vertices; ++v) {
    D3DXVECTOR3 n;
    D3DXVec3Normalize(&n, &sums[v]);
    std::memcpy(&mesh->vertexData()[v * stride + offset], &n.x, 12);
  }
  return mesh->UploadVertices();
}
