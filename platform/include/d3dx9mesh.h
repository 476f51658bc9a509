// d3dx9mesh.h -- D3DX meshes: creation by FVF, locks, adjacency, attribute sort, normals, clones, .x files
//
// Implemented in platform/d3dx9/mesh*.cpp and xfile_*.cpp: D3DXCreateMeshFVF (16-bit indices;
// FVFs of D3DFVF_XYZ with optional D3DFVF_NORMAL and D3DFVF_TEX1), D3DXLoadMeshFromXA (text and
// binary .x by the layer's own reader: Frame, FrameTransformMatrix, Mesh, MeshNormals,
// MeshTextureCoords, MeshMaterialList, Material; neither materials nor adjacency handed back;
// compressed files refused), D3DXComputeNormals, and on ID3DXMesh: DrawSubset, the counts, the
// vertex, index and attribute buffer locks, GetAttributeTable, GenerateAdjacency, OptimizeInplace
// with D3DXMESHOPT_ATTRSORT, CloneMeshFVF. 32-bit index meshes are refused (D3DERR_INVALIDCALL).
#pragma once

#include <d3d9.h>

#include <d3dx9effect.h>

#define D3DXMESH_32BIT 0x001
#define D3DXMESH_DONOTCLIP 0x002
#define D3DXMESH_POINTS 0x004
#define D3DXMESH_RTPATCHES 0x008
#define D3DXMESH_NPATCHES 0x4000
#define D3DXMESH_VB_SYSTEMMEM 0x010
#define D3DXMESH_VB_MANAGED 0x020
#define D3DXMESH_VB_WRITEONLY 0x040
#define D3DXMESH_VB_DYNAMIC 0x080
#define D3DXMESH_IB_SYSTEMMEM 0x100
#define D3DXMESH_IB_MANAGED 0x200
#define D3DXMESH_IB_WRITEONLY 0x400
#define D3DXMESH_IB_DYNAMIC 0x800
#define D3DXMESH_SYSTEMMEM 0x110
#define D3DXMESH_MANAGED 0x220
#define D3DXMESH_WRITEONLY 0x440
#define D3DXMESH_DYNAMIC 0x880

#define D3DXMESHOPT_COMPACT 0x01000000
#define D3DXMESHOPT_ATTRSORT 0x02000000
#define D3DXMESHOPT_VERTEXCACHE 0x04000000
#define D3DXMESHOPT_STRIPREORDER 0x08000000
#define D3DXMESHOPT_IGNOREVERTS 0x10000000
#define D3DXMESHOPT_DONOTSPLIT 0x20000000

struct D3DXATTRIBUTERANGE {
  DWORD AttribId;
  DWORD FaceStart;
  DWORD FaceCount;
  DWORD VertexStart;
  DWORD VertexCount;
};

struct ID3DXMesh : IUnknown {
  // Draws the faces whose attribute is AttribId (after OptimizeInplace: one range of them).
  virtual HRESULT DrawSubset(DWORD AttribId) = 0;
  virtual DWORD GetNumFaces() = 0;
  virtual DWORD GetNumVertices() = 0;
  virtual DWORD GetFVF() = 0;
  virtual DWORD GetNumBytesPerVertex() = 0;
  virtual DWORD GetOptions() = 0;
  virtual HRESULT GetDevice(IDirect3DDevice9** ppDevice) = 0;
  // Locks hand out the mesh's own copy; Unlock sends it to the device buffer.
  virtual HRESULT LockVertexBuffer(DWORD Flags, LPVOID* ppData) = 0;
  virtual HRESULT UnlockVertexBuffer() = 0;
  virtual HRESULT LockIndexBuffer(DWORD Flags, LPVOID* ppData) = 0;
  virtual HRESULT UnlockIndexBuffer() = 0;
  virtual HRESULT LockAttributeBuffer(DWORD Flags, DWORD** ppData) = 0;
  virtual HRESULT UnlockAttributeBuffer() = 0;
  virtual HRESULT GetAttributeTable(D3DXATTRIBUTERANGE* pAttribTable, DWORD* pAttribTableSize) = 0;
  // Three entries a face: the face across each edge (positions equal within Epsilon), or 0xffffffff.
  virtual HRESULT GenerateAdjacency(FLOAT Epsilon, DWORD* pAdjacency) = 0;
  virtual HRESULT OptimizeInplace(DWORD Flags, const DWORD* pAdjacencyIn, DWORD* pAdjacencyOut, DWORD* pFaceRemap,
                                  LPD3DXBUFFER* ppVertexRemap) = 0;
  virtual HRESULT CloneMeshFVF(DWORD Options, DWORD FVF, IDirect3DDevice9* pD3DDevice, ID3DXMesh** ppCloneMesh) = 0;
};
typedef ID3DXMesh* LPD3DXMESH;

HRESULT WINAPI D3DXCreateMeshFVF(DWORD NumFaces, DWORD NumVertices, DWORD Options, DWORD FVF,
                                 IDirect3DDevice9* pD3DDevice, LPD3DXMESH* ppMesh);
// Per-vertex normals: the normals of the faces around each vertex, weighted by the face's angle
// there. pAdjacency is accepted and not needed.
HRESULT WINAPI D3DXComputeNormals(ID3DXMesh* pMesh, const DWORD* pAdjacency);
// Reads a text or binary .x file; materials, effect instances and adjacency outputs are null or
// filled with nothing (*pNumMaterials 0), as the mesh's attribute ids are its material indices.
HRESULT WINAPI D3DXLoadMeshFromXA(LPCSTR pFilename, DWORD Options, IDirect3DDevice9* pD3DDevice,
                                  LPD3DXBUFFER* ppAdjacency, LPD3DXBUFFER* ppMaterials,
                                  LPD3DXBUFFER* ppEffectInstances, DWORD* pNumMaterials, LPD3DXMESH* ppMesh);
