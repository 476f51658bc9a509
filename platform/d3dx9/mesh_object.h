// mesh_object.h -- ID3DXMesh: a CPU copy of vertices, 16-bit indices and attributes, mirrored in
// device buffers
#pragma once

#include <d3dx9mesh.h>

#include <vector>

namespace d3dx9mesh {

// Bytes a vertex of a supported FVF (D3DFVF_XYZ with optional NORMAL and TEX1), or 0.
DWORD VertexSize(DWORD fvf);
// Byte offsets of the normal and texture coordinate in a vertex; -1 when absent.
int NormalOffset(DWORD fvf);
int TexCoordOffset(DWORD fvf);

class MeshObject : public ID3DXMesh {
 public:
  // Use Create: it makes the device buffers.
  MeshObject(IDirect3DDevice9* device, DWORD faces, DWORD vertices, DWORD options, DWORD fvf);
  HRESULT Create();

  HRESULT QueryInterface(REFIID riid, void** ppvObj) override;
  ULONG AddRef() override;
  ULONG Release() override;

  HRESULT DrawSubset(DWORD AttribId) override;
  DWORD GetNumFaces() override { return faces_; }
  DWORD GetNumVertices() override { return vertices_; }
  DWORD GetFVF() override { return fvf_; }
  DWORD GetNumBytesPerVertex() override { return stride_; }
  DWORD GetOptions() override { return options_; }
  HRESULT GetDevice(IDirect3DDevice9** ppDevice) override;
  HRESULT LockVertexBuffer(DWORD Flags, LPVOID* ppData) override;
  HRESULT UnlockVertexBuffer() override;
  HRESULT LockIndexBuffer(DWORD Flags, LPVOID* ppData) override;
  HRESULT UnlockIndexBuffer() override;
  HRESULT LockAttributeBuffer(DWORD Flags, DWORD** ppData) override;
  HRESULT UnlockAttributeBuffer() override;
  HRESULT GetAttributeTable(D3DXATTRIBUTERANGE* pAttribTable, DWORD* pAttribTableSize) override;
  HRESULT GenerateAdjacency(FLOAT Epsilon, DWORD* pAdjacency) override;
  HRESULT OptimizeInplace(DWORD Flags, const DWORD* pAdjacencyIn, DWORD* pAdjacencyOut, DWORD* pFaceRemap,
                          LPD3DXBUFFER* ppVertexRemap) override;
  HRESULT CloneMeshFVF(DWORD Options, DWORD FVF, IDirect3DDevice9* pD3DDevice, ID3DXMesh** ppCloneMesh) override;

  // Direct access for D3DX's own functions (normals, loading).
  std::vector<unsigned char>& vertexData() { return vertexData_; }
  std::vector<WORD>& indexData() { return indexData_; }
  std::vector<DWORD>& attributeData() { return attributeData_; }
  HRESULT UploadVertices();
  HRESULT UploadIndices();
  void RebuildRanges();

 private:
  ~MeshObject() override;

  ULONG refs_ = 1;
  IDirect3DDevice9* device_;
  DWORD faces_, vertices_, options_, fvf_, stride_;
  std::vector<unsigned char> vertexData_;
  std::vector<WORD> indexData_;
  std::vector<DWORD> attributeData_;
  // What DrawSubset draws: the attribute table after OptimizeInplace, otherwise the runs of equal
  // attributes in face order (rebuilt when the attribute buffer is unlocked, never per draw).
  std::vector<D3DXATTRIBUTERANGE> ranges_;
  bool sorted_ = false;
  IDirect3DVertexBuffer9* vertexBuffer_ = nullptr;
  IDirect3DIndexBuffer9* indexBuffer_ = nullptr;
};

}  // namespace d3dx9mesh
