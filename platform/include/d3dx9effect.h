// d3dx9effect.h -- D3DX effects: .fx files with GLSL 3.30 shaders (docs/effect-files.md)
//
// Implemented in platform/d3dx9/effect_*.cpp: D3DXCreateEffectFromFileA (read, parse, compile
// and link at load; errors with file and line in the error buffer), D3DXCreateBuffer, and on
// ID3DXEffect: the descriptions (GetDesc, GetParameter/GetParameterDesc, GetTechnique/
// GetTechniqueDesc, GetPass/GetPassDesc), SetTechnique/GetCurrentTechnique, GetParameterByName,
// GetTechniqueByName,
// Set/Get Matrix, Float, FloatArray, SetTexture, CommitChanges, Begin/BeginPass/EndPass/End.
// Handles are names (const char*), as D3DX accepts. Not implemented: effect pools, includes,
// macros (non-null arguments are refused with D3DERR_INVALIDCALL).
#pragma once

#include <d3d9.h>

#include <d3dx9math.h>

typedef const char* D3DXHANDLE;

#define D3DXFX_DONOTSAVESTATE (1 << 0)
#define D3DXFX_DONOTSAVESHADERSTATE (1 << 1)
#define D3DXFX_DONOTSAVESAMPLERSTATE (1 << 2)

struct D3DXMACRO {
  LPCSTR Name;
  LPCSTR Definition;
};
struct ID3DXInclude;
struct ID3DXEffectPool;

struct ID3DXBuffer : IUnknown {
  virtual LPVOID GetBufferPointer() = 0;
  virtual DWORD GetBufferSize() = 0;
};
typedef ID3DXBuffer* LPD3DXBUFFER;

typedef enum _D3DXPARAMETER_CLASS {
  D3DXPC_SCALAR = 0,
  D3DXPC_VECTOR = 1,
  D3DXPC_MATRIX_ROWS = 2,
  D3DXPC_MATRIX_COLUMNS = 3,
  D3DXPC_OBJECT = 4,
  D3DXPC_STRUCT = 5,
  D3DXPC_FORCE_DWORD = 0x7fffffff
} D3DXPARAMETER_CLASS;

typedef enum _D3DXPARAMETER_TYPE {
  D3DXPT_VOID = 0,
  D3DXPT_BOOL = 1,
  D3DXPT_INT = 2,
  D3DXPT_FLOAT = 3,
  D3DXPT_STRING = 4,
  D3DXPT_TEXTURE = 5,
  D3DXPT_TEXTURE1D = 6,
  D3DXPT_TEXTURE2D = 7,
  D3DXPT_TEXTURE3D = 8,
  D3DXPT_TEXTURECUBE = 9,
  D3DXPT_SAMPLER = 10,
  D3DXPT_SAMPLER1D = 11,
  D3DXPT_SAMPLER2D = 12,
  D3DXPT_SAMPLER3D = 13,
  D3DXPT_SAMPLERCUBE = 14,
  D3DXPT_PIXELSHADER = 15,
  D3DXPT_VERTEXSHADER = 16,
  D3DXPT_FORCE_DWORD = 0x7fffffff
} D3DXPARAMETER_TYPE;

typedef struct _D3DXEFFECT_DESC {
  LPCSTR Creator;
  UINT Parameters;
  UINT Techniques;
  UINT Functions;
} D3DXEFFECT_DESC;

typedef struct _D3DXPARAMETER_DESC {
  LPCSTR Name;
  LPCSTR Semantic;
  D3DXPARAMETER_CLASS Class;
  D3DXPARAMETER_TYPE Type;
  UINT Rows;
  UINT Columns;
  UINT Elements;
  UINT Annotations;
  UINT StructMembers;
  DWORD Flags;
  UINT Bytes;
} D3DXPARAMETER_DESC;

typedef struct _D3DXTECHNIQUE_DESC {
  LPCSTR Name;
  UINT Passes;
  UINT Annotations;
} D3DXTECHNIQUE_DESC;

typedef struct _D3DXPASS_DESC {
  LPCSTR Name;
  UINT Annotations;
  const DWORD* pVertexShaderFunction;  // null: the shaders are GLSL, not bytecode
  const DWORD* pPixelShaderFunction;
} D3DXPASS_DESC;

struct ID3DXEffect : IUnknown {
  // What the file declares, in file order. Parameter and technique handles are their names; a
  // pass handle is the pointer GetPass returned (pass names need not be unique).
  virtual HRESULT GetDesc(D3DXEFFECT_DESC* pDesc) = 0;
  virtual HRESULT GetParameterDesc(D3DXHANDLE hParameter, D3DXPARAMETER_DESC* pDesc) = 0;
  virtual HRESULT GetTechniqueDesc(D3DXHANDLE hTechnique, D3DXTECHNIQUE_DESC* pDesc) = 0;
  virtual HRESULT GetPassDesc(D3DXHANDLE hPass, D3DXPASS_DESC* pDesc) = 0;
  virtual D3DXHANDLE GetParameter(D3DXHANDLE hParameter, UINT Index) = 0;
  virtual D3DXHANDLE GetTechnique(UINT Index) = 0;
  virtual D3DXHANDLE GetPass(D3DXHANDLE hTechnique, UINT Index) = 0;

  virtual D3DXHANDLE GetParameterByName(D3DXHANDLE hParameter, LPCSTR pName) = 0;
  virtual D3DXHANDLE GetTechniqueByName(LPCSTR pName) = 0;
  virtual HRESULT SetTechnique(D3DXHANDLE hTechnique) = 0;
  virtual D3DXHANDLE GetCurrentTechnique() = 0;

  virtual HRESULT SetFloat(D3DXHANDLE hParameter, FLOAT f) = 0;
  virtual HRESULT GetFloat(D3DXHANDLE hParameter, FLOAT* pf) = 0;
  virtual HRESULT SetFloatArray(D3DXHANDLE hParameter, const FLOAT* pf, UINT Count) = 0;
  virtual HRESULT GetFloatArray(D3DXHANDLE hParameter, FLOAT* pf, UINT Count) = 0;
  virtual HRESULT SetMatrix(D3DXHANDLE hParameter, const D3DXMATRIX* pMatrix) = 0;
  virtual HRESULT GetMatrix(D3DXHANDLE hParameter, D3DXMATRIX* pMatrix) = 0;
  virtual HRESULT SetTexture(D3DXHANDLE hParameter, IDirect3DBaseTexture9* pTexture) = 0;
  // The texture set (with a reference for the caller), or null.
  virtual HRESULT GetTexture(D3DXHANDLE hParameter, IDirect3DBaseTexture9** ppTexture) = 0;

  // Begin yields the pass count of the current technique; flags 0 records the device state
  // its passes change, D3DXFX_DONOTSAVESTATE does not.
  virtual HRESULT Begin(UINT* pPasses, DWORD Flags) = 0;
  // Applies the whole pass: program, parameters, render states, samplers and their textures.
  virtual HRESULT BeginPass(UINT Pass) = 0;
  // Uploads the parameters changed since the last upload, inside a pass.
  virtual HRESULT CommitChanges() = 0;
  virtual HRESULT EndPass() = 0;
  // Restores the state Begin recorded.
  virtual HRESULT End() = 0;
};
typedef ID3DXEffect* LPD3DXEFFECT;

// The platform's own call (no D3DX original): whether the program has set the parameter since
// the effect was made (with any Set call, to any value), as against its value being the file's
// default. A tool that compiles an edited file again sets on the new effect what the program
// had set on the old one, and leaves the file's new defaults alone. FALSE for an unknown
// parameter or an effect of another kind.
BOOL WINAPI D3DXEffectParameterWasSet(ID3DXEffect* pEffect, D3DXHANDLE hParameter);

HRESULT WINAPI D3DXCreateBuffer(DWORD NumBytes, LPD3DXBUFFER* ppBuffer);

// Reads, parses, compiles and links an effect file. On failure *ppCompilationErrors (when given)
// holds a text naming the file and line of each error; a missing file gives
// D3DERR_NOTFOUND with no buffer.
HRESULT WINAPI D3DXCreateEffectFromFileA(IDirect3DDevice9* pDevice, LPCSTR pSrcFile, const D3DXMACRO* pDefines,
                                         ID3DXInclude* pInclude, DWORD Flags, ID3DXEffectPool* pPool,
                                         ID3DXEffect** ppEffect, LPD3DXBUFFER* ppCompilationErrors);
