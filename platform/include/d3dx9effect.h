// d3dx9effect.h -- D3DX effects: .fx files with GLSL 3.30 shaders (docs/effect-files.md)
//
// Implemented in platform/d3dx9/effect_*.cpp: D3DXCreateEffectFromFileA (read, parse, compile
// and link at load; errors with file and line in the error buffer), D3DXCreateBuffer, and on
// ID3DXEffect: SetTechnique/GetCurrentTechnique, GetParameterByName, GetTechniqueByName,
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

struct ID3DXEffect : IUnknown {
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

HRESULT WINAPI D3DXCreateBuffer(DWORD NumBytes, LPD3DXBUFFER* ppBuffer);

// Reads, parses, compiles and links an effect file. On failure *ppCompilationErrors (when given)
// holds a text naming the file and line of each error; a missing file gives
// D3DERR_NOTFOUND with no buffer.
HRESULT WINAPI D3DXCreateEffectFromFileA(IDirect3DDevice9* pDevice, LPCSTR pSrcFile, const D3DXMACRO* pDefines,
                                         ID3DXInclude* pInclude, DWORD Flags, ID3DXEffectPool* pPool,
                                         ID3DXEffect** ppEffect, LPD3DXBUFFER* ppCompilationErrors);
