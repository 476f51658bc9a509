// effect_file.cpp -- D3DXCreateEffectFromFileA and the ID3DXBuffer that carries its error text
#include <d3dx9effect.h>
#include <d3dx9tex.h>

#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "platform/d3dx9/readers/effect_desc.h"
#include "platform/d3dx9/effect_object.h"
#include "platform/services/file_read.h"

namespace {

class Buffer : public ID3DXBuffer {
 public:
  explicit Buffer(DWORD size) : bytes_(size, 0) {}
  HRESULT QueryInterface(REFIID, void** ppvObj) override {
    if (ppvObj) *ppvObj = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override {
    ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }
  LPVOID GetBufferPointer() override { return bytes_.empty() ? nullptr : bytes_.data(); }
  DWORD GetBufferSize() override { return static_cast<DWORD>(bytes_.size()); }

 private:
  ~Buffer() override = default;
  ULONG refs_ = 1;
  std::vector<char> bytes_;
};

// The error text as a zero-terminated buffer, as D3DX hands it out.
void GiveErrors(const std::string& text, LPD3DXBUFFER* out) {
  if (!out) return;
  *out = nullptr;
  if (FAILED(D3DXCreateBuffer(static_cast<DWORD>(text.size() + 1), out))) return;
  std::memcpy((*out)->GetBufferPointer(), text.c_str(), text.size() + 1);
}

}  // namespace

HRESULT WINAPI D3DXCreateBuffer(DWORD NumBytes, LPD3DXBUFFER* ppBuffer) {
  if (!ppBuffer) return D3DERR_INVALIDCALL;
  *ppBuffer = new (std::nothrow) Buffer(NumBytes);
  return *ppBuffer ? D3D_OK : E_OUTOFMEMORY;
}

HRESULT WINAPI D3DXCreateEffectFromFileA(IDirect3DDevice9* pDevice, LPCSTR pSrcFile, const D3DXMACRO* pDefines,
                                         ID3DXInclude* pInclude, DWORD Flags, ID3DXEffectPool* pPool,
                                         ID3DXEffect** ppEffect, LPD3DXBUFFER* ppCompilationErrors) {
  (void)Flags;  // compile flags (debug, skip optimisation) have no GLSL counterpart
  if (ppCompilationErrors) *ppCompilationErrors = nullptr;
  if (ppEffect) *ppEffect = nullptr;
  if (!pDevice || !pSrcFile || !ppEffect) return D3DERR_INVALIDCALL;
  if (pDefines || pInclude || pPool) {
    GiveErrors(std::string(pSrcFile) + ": error: macros, include handlers and effect pools are not supported\n",
               ppCompilationErrors);
    return D3DERR_INVALIDCALL;
  }
  std::string text, problem;
  platform_file::FileStatus read = platform_file::ReadRegularFile(pSrcFile, d3dx9fx::kMaxEffectFileBytes, &text, &problem);
  if (read == platform_file::FileStatus::kNotFound) {
    // D3DX gives no error buffer for a file it cannot open; standard error still says why.
    std::fprintf(stderr, "D3DXCreateEffectFromFileA: \"%s\" %s\n", pSrcFile, problem.c_str());
    return D3DERR_NOTFOUND;
  }
  if (read != platform_file::FileStatus::kOk) {
    GiveErrors(std::string(pSrcFile) + "(1): error: the file " + problem + "\n", ppCompilationErrors);
    return D3DXERR_INVALIDDATA;
  }

  d3dx9fx::EffectDesc desc;
  std::string errors;
  if (!d3dx9fx::ParseEffect(pSrcFile, text, &desc, &errors)) {
    GiveErrors(errors + "\n", ppCompilationErrors);
    return D3DXERR_INVALIDDATA;
  }
  auto* effect = new (std::nothrow) d3dx9fx::EffectObject(pDevice, pSrcFile, std::move(desc));
  if (!effect) return E_OUTOFMEMORY;
  if (!effect->Build(&errors)) {
    effect->Release();
    GiveErrors(errors, ppCompilationErrors);
    return D3DXERR_INVALIDDATA;
  }
  *ppEffect = effect;
  return D3D_OK;
}
