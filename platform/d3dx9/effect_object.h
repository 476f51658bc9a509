// effect_object.h -- the ID3DXEffect of an effect file: parameters, programs, passes and saved state
#pragma once

#include <d3dx9effect.h>
#include <epoxy/gl.h>

#include <string>
#include <vector>

#include "platform/d3d9/d3d9_gl.h"
#include "platform/d3dx9/readers/effect_desc.h"

namespace d3dx9fx {

class EffectObject : public ID3DXEffect {
 public:
  // Takes the parsed description; Build compiles every pass. The device is AddRef'd.
  EffectObject(IDirect3DDevice9* device, const std::string& fileName, EffectDesc desc);
  // Compiles and links every pass and caches uniform locations; false with the log in *log.
  bool Build(std::string* log);

  HRESULT QueryInterface(REFIID riid, void** ppvObj) override;
  ULONG AddRef() override;
  ULONG Release() override;

  HRESULT GetDesc(D3DXEFFECT_DESC* pDesc) override;
  HRESULT GetParameterDesc(D3DXHANDLE hParameter, D3DXPARAMETER_DESC* pDesc) override;
  HRESULT GetTechniqueDesc(D3DXHANDLE hTechnique, D3DXTECHNIQUE_DESC* pDesc) override;
  HRESULT GetPassDesc(D3DXHANDLE hPass, D3DXPASS_DESC* pDesc) override;
  D3DXHANDLE GetParameter(D3DXHANDLE hParameter, UINT Index) override;
  D3DXHANDLE GetTechnique(UINT Index) override;
  D3DXHANDLE GetPass(D3DXHANDLE hTechnique, UINT Index) override;
  D3DXHANDLE GetParameterByName(D3DXHANDLE hParameter, LPCSTR pName) override;
  D3DXHANDLE GetTechniqueByName(LPCSTR pName) override;
  HRESULT SetTechnique(D3DXHANDLE hTechnique) override;
  D3DXHANDLE GetCurrentTechnique() override;
  HRESULT SetFloat(D3DXHANDLE hParameter, FLOAT f) override;
  HRESULT GetFloat(D3DXHANDLE hParameter, FLOAT* pf) override;
  HRESULT SetFloatArray(D3DXHANDLE hParameter, const FLOAT* pf, UINT Count) override;
  HRESULT GetFloatArray(D3DXHANDLE hParameter, FLOAT* pf, UINT Count) override;
  HRESULT SetMatrix(D3DXHANDLE hParameter, const D3DXMATRIX* pMatrix) override;
  HRESULT GetMatrix(D3DXHANDLE hParameter, D3DXMATRIX* pMatrix) override;
  HRESULT SetTexture(D3DXHANDLE hParameter, IDirect3DBaseTexture9* pTexture) override;
  HRESULT GetTexture(D3DXHANDLE hParameter, IDirect3DBaseTexture9** ppTexture) override;
  bool WasSet(D3DXHANDLE hParameter) const;
  HRESULT Begin(UINT* pPasses, DWORD Flags) override;
  HRESULT BeginPass(UINT Pass) override;
  HRESULT CommitChanges() override;
  HRESULT EndPass() override;
  HRESULT End() override;

 private:
  ~EffectObject() override;

  // One linked program per pass, with the location of every parameter (-1 when unused) and the
  // version of each parameter last uploaded to it.
  struct PassProgram {
    GLuint program = 0;
    std::vector<GLint> locations;
    std::vector<unsigned> uploaded;
    d3d9gl::AlphaTestUniforms alphaTest;  // the device keeps what it uploaded here
  };
  struct SavedSampler {
    DWORD unit;
    D3DSAMPLERSTATETYPE type;
    DWORD value;
  };

  int FindParameter(D3DXHANDLE handle) const;
  int FindTechnique(D3DXHANDLE handle) const;
  int FloatParameter(D3DXHANDLE handle) const;  // index of a float-valued parameter or -1
  PassProgram& Program(int technique, int pass);
  void UploadChanged(PassProgram& program);
  void ApplySamplers();
  void SaveState();
  void RestoreState();
  void ReleaseSaved();

  ULONG refs_ = 1;
  IDirect3DDevice9* device_;
  std::string fileName_;
  EffectDesc desc_;
  std::vector<std::vector<PassProgram>> programs_;  // [technique][pass]
  std::vector<unsigned> versions_;                  // per parameter, raised by every Set
  std::vector<char> set_;                           // per parameter: a Set call was made
  std::vector<IDirect3DBaseTexture9*> textures_;    // per parameter, owned references
  std::vector<int> samplerUnits_;                   // per parameter: texture stage, or -1
  std::vector<int> samplerTextures_;                // per sampler parameter: its texture parameter
  int technique_ = 0;
  bool begun_ = false;
  bool inPass_ = false;
  int pass_ = -1;
  bool saved_ = false;

  // Recorded at Begin, restored at End; capacities reserved at load so Begin never allocates.
  std::vector<RenderState> savedRenderStates_;
  std::vector<SavedSampler> savedSamplers_;
  std::vector<IDirect3DBaseTexture9*> savedTextures_;  // per sampler unit, owned references
  GLuint savedProgram_ = 0;
};

}  // namespace d3dx9fx
