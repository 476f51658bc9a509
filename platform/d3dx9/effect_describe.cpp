// effect_describe.cpp -- what an effect declares, as D3DX describes it: parameters, techniques
// and passes in file order, for tools that list an effect and code that walks one
#include "platform/d3dx9/effect_object.h"

namespace d3dx9fx {

namespace {

// Class, type, rows and columns of a parameter as D3DX reports them. Matrices are row-major
// in this layer (uploaded as they are), hence D3DXPC_MATRIX_ROWS.
void Describe(const Parameter& p, D3DXPARAMETER_DESC* d) {
  *d = {};
  d->Name = p.name.c_str();
  d->Rows = 1;
  switch (p.type) {
    case ParamType::kFloat:
      d->Class = D3DXPC_SCALAR;
      d->Type = D3DXPT_FLOAT;
      d->Columns = 1;
      break;
    case ParamType::kFloat2:
    case ParamType::kFloat3:
    case ParamType::kFloat4:
      d->Class = D3DXPC_VECTOR;
      d->Type = D3DXPT_FLOAT;
      d->Columns = static_cast<UINT>(ParamFloatCount(p.type));
      break;
    case ParamType::kFloat4x4:
      d->Class = D3DXPC_MATRIX_ROWS;
      d->Type = D3DXPT_FLOAT;
      d->Rows = 4;
      d->Columns = 4;
      break;
    case ParamType::kTexture:
      d->Class = D3DXPC_OBJECT;
      d->Type = D3DXPT_TEXTURE;
      d->Columns = 1;
      break;
    case ParamType::kSampler:
      d->Class = D3DXPC_OBJECT;
      d->Type = D3DXPT_SAMPLER;
      d->Columns = 1;
      break;
  }
  d->Bytes = static_cast<UINT>(ParamFloatCount(p.type) * sizeof(float));
}

}  // namespace

int EffectObject::FindTechnique(D3DXHANDLE handle) const {
  if (!handle) return -1;
  for (size_t t = 0; t < desc_.techniques.size(); ++t)
    if (desc_.techniques[t].name == handle) return static_cast<int>(t);
  return -1;
}

HRESULT EffectObject::GetDesc(D3DXEFFECT_DESC* pDesc) {
  if (!pDesc) return D3DERR_INVALIDCALL;
  *pDesc = {};
  pDesc->Creator = fileName_.c_str();
  pDesc->Parameters = static_cast<UINT>(desc_.parameters.size());
  pDesc->Techniques = static_cast<UINT>(desc_.techniques.size());
  pDesc->Functions = static_cast<UINT>(desc_.shaders.size());
  return D3D_OK;
}

HRESULT EffectObject::GetParameterDesc(D3DXHANDLE hParameter, D3DXPARAMETER_DESC* pDesc) {
  int index = FindParameter(hParameter);
  if (index < 0 || !pDesc) return D3DERR_INVALIDCALL;
  Describe(desc_.parameters[index], pDesc);
  return D3D_OK;
}

HRESULT EffectObject::GetTechniqueDesc(D3DXHANDLE hTechnique, D3DXTECHNIQUE_DESC* pDesc) {
  int index = FindTechnique(hTechnique);
  if (index < 0 || !pDesc) return D3DERR_INVALIDCALL;
  const Technique& t = desc_.techniques[index];
  *pDesc = {t.name.c_str(), static_cast<UINT>(t.passes.size()), 0};
  return D3D_OK;
}

HRESULT EffectObject::GetPassDesc(D3DXHANDLE hPass, D3DXPASS_DESC* pDesc) {
  if (!hPass || !pDesc) return D3DERR_INVALIDCALL;
  // A pass handle is the address of the pass's own name: names repeat across techniques.
  for (const Technique& t : desc_.techniques) {
    for (const Pass& pass : t.passes) {
      if (pass.name.c_str() == hPass) {
        *pDesc = {pass.name.c_str(), 0, nullptr, nullptr};
        return D3D_OK;
      }
    }
  }
  return D3DERR_INVALIDCALL;
}

D3DXHANDLE EffectObject::GetParameter(D3DXHANDLE hParameter, UINT Index) {
  if (hParameter) return nullptr;  // structure members do not exist in this format
  if (Index >= desc_.parameters.size()) return nullptr;
  return desc_.parameters[Index].name.c_str();
}

D3DXHANDLE EffectObject::GetTechnique(UINT Index) {
  if (Index >= desc_.techniques.size()) return nullptr;
  return desc_.techniques[Index].name.c_str();
}

D3DXHANDLE EffectObject::GetPass(D3DXHANDLE hTechnique, UINT Index) {
  int t = FindTechnique(hTechnique);
  if (t < 0 || Index >= desc_.techniques[t].passes.size()) return nullptr;
  return desc_.techniques[t].passes[Index].name.c_str();
}

}  // namespace d3dx9fx
