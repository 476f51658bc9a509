// d3dx9tex.h -- D3DX texture creation: from an image file (PNG) and empty textures
//
// Declarations only; platform/d3dx9/texture_file.cpp implements them. Self-contained: d3dx9.h
// includes this, but it needs only d3d9.h.
#pragma once

#include <d3d9.h>

#ifndef D3DX_DEFAULT
#define D3DX_DEFAULT ((UINT)-1)
#endif
#ifndef D3DX_DEFAULT_NONPOW2
#define D3DX_DEFAULT_NONPOW2 ((UINT)-2)
#endif
#ifndef D3DX_FROM_FILE
#define D3DX_FROM_FILE ((UINT)-3)
#endif

#ifndef _FACDD
#define _FACDD 0x876
#define MAKE_DDHRESULT(code) MAKE_HRESULT(1, _FACDD, code)
#endif
#ifndef D3DXERR_INVALIDDATA
#define D3DXERR_CANNOTMODIFYINDEXBUFFER MAKE_DDHRESULT(2900)
#define D3DXERR_INVALIDMESH MAKE_DDHRESULT(2901)
#define D3DXERR_CANNOTATTRSORT MAKE_DDHRESULT(2902)
#define D3DXERR_SKINNINGNOTSUPPORTED MAKE_DDHRESULT(2903)
#define D3DXERR_TOOMANYINFLUENCES MAKE_DDHRESULT(2904)
#define D3DXERR_INVALIDDATA MAKE_DDHRESULT(2905)
#define D3DXERR_LOADEDMESHASNODATA MAKE_DDHRESULT(2906)
#define D3DXERR_DUPLICATENAMEDFRAGMENT MAKE_DDHRESULT(2907)
#define D3DXERR_CANNOTREMOVELASTITEM MAKE_DDHRESULT(2908)
#endif

// Reads a PNG file into a new managed A8R8G8B8 texture with a full mip chain (box-filtered).
// A missing file: D3DERR_NOTAVAILABLE; a file that is not a readable PNG: D3DXERR_INVALIDDATA;
// both with the file name and the reason on standard error.
HRESULT WINAPI D3DXCreateTextureFromFileA(IDirect3DDevice9* pDevice, LPCSTR pSrcFile,
                                          IDirect3DTexture9** ppTexture);

// IDirect3DDevice9::CreateTexture with D3DX's defaults: D3DX_DEFAULT width/height read as 256,
// D3DX_DEFAULT or 0 levels as the full chain, D3DFMT_UNKNOWN as A8R8G8B8.
HRESULT WINAPI D3DXCreateTexture(IDirect3DDevice9* pDevice, UINT Width, UINT Height, UINT MipLevels,
                                 DWORD Usage, D3DFORMAT Format, D3DPOOL Pool, IDirect3DTexture9** ppTexture);
