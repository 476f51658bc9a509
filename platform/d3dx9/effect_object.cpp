// effect_object.cpp -- ID3DXEffect: parameter values, passes applied through the device, Begin/End state
//
// Parameters keep their values for the effect's whole life. Each has a version raised by every
// Set; a pass program remembers the version it last received, so BeginPass and CommitChanges
// upload only what changed. Render states, samplers and textures go through IDirect3DDevice9,
// whose cache decides what reaches GL; only the program goes through d3d9gl::SetProgram.
#include "platform/d3dx9/effect_object.h"

#include <algorithm>
#include <cstring>

#include "platform/d3d9/d3d9_gl.h"
#include "platform/d3dx9/effect_program.h"

namespace d3dx9fx {

EffectObject::EffectObject(IDirect3DDevice9* device, const std::string& fileName, EffectDesc desc)
    : device_(device), fileName_(fileName), desc_(std::move(desc)) {
  device_->AddRef();
  size_t count = desc_.parameters.size();
  versions_.assign(count, 1);
  set_.assign(count, 0);
  textures_.assign(count, nullptr);
  samplerUnits_.assign(count, -1);
  samplerTextures_.assign(count, -1);
  int unit = 0;
  for (size_t i = 0; i < count; ++i) {
    if (desc_.parameters[i].type != ParamType::kSampler) continue;
    samplerUnits_[i] = unit++;
    // Linked once here, so that a pass never looks a name up.
    samplerTextures_[i] = desc_.FindParameter(desc_.parameters[i].textureName);
  }
  size_t renderStates = 0, samplerStates = 0;
  for (const Technique& t : desc_.techniques)
    for (const Pass& p : t.passes) renderStates += p.renderStates.size();
  for (const Parameter& p : desc_.parameters) samplerStates += p.samplerStates.size();
  savedRenderStates_.reserve(renderStates);
  savedSamplers_.reserve(samplerStates);
  savedTextures_.assign(static_cast<size_t>(unit), nullptr);
}

EffectObject::~EffectObject() {
  ReleaseSaved();
  for (IDirect3DBaseTexture9* texture : textures_)
    if (texture) texture->Release();
  if (d3d9gl::MakeCurrent(device_)) {
    for (auto& technique : programs_)
      for (PassProgram& p : technique) {
        if (p.program && d3d9gl::CurrentProgram(device_) == p.program) d3d9gl::SetProgram(device_, 0);
        if (p.program) glDeleteProgram(p.program);
      }
  }
  device_->Release();
}

bool EffectObject::Build(std::string* log) {
  if (!d3d9gl::MakeCurrent(device_)) {
    *log = fileName_ + ": error: the device has no OpenGL context\n";
    return false;
  }
  bool ok = true;
  programs_.resize(desc_.techniques.size());
  GLuint previous = d3d9gl::CurrentProgram(device_);
  for (size_t t = 0; t < desc_.techniques.size(); ++t) {
    const Technique& technique = desc_.techniques[t];
    programs_[t].resize(technique.passes.size());
    for (size_t p = 0; p < technique.passes.size(); ++p) {
      PassProgram& program = programs_[t][p];
      program.program = BuildProgram(fileName_, desc_, technique.passes[p], log);
      if (!program.program) {
        ok = false;
        continue;
      }
      program.locations.assign(desc_.parameters.size(), -1);
      program.uploaded.assign(desc_.parameters.size(), 0);
      program.alphaTest.func = glGetUniformLocation(program.program, "d3dAlphaFunc");
      program.alphaTest.ref = glGetUniformLocation(program.program, "d3dAlphaRef");
      d3d9gl::SetProgram(device_, program.program);
      for (size_t i = 0; i < desc_.parameters.size(); ++i) {
        if (!GlslType(desc_.parameters[i].type)) continue;
        program.locations[i] = glGetUniformLocation(program.program, desc_.parameters[i].name.c_str());
        // A sampler's texture unit never changes, so it is set once here.
        if (samplerUnits_[i] >= 0 && program.locations[i] >= 0) glUniform1i(program.locations[i], samplerUnits_[i]);
      }
    }
  }
  d3d9gl::SetProgram(device_, previous);
  return ok;
}

HRESULT EffectObject::QueryInterface(REFIID, void** ppvObj) {
  if (ppvObj) *ppvObj = nullptr;
  return E_NOINTERFACE;
}

ULONG EffectObject::AddRef() { return ++refs_; }

ULONG EffectObject::Release() {
  ULONG left = --refs_;
  if (left == 0) delete this;
  return left;
}

// ---- handles and parameters ----

int EffectObject::FindParameter(D3DXHANDLE handle) const {
  if (!handle) return -1;
  for (size_t i = 0; i < desc_.parameters.size(); ++i)
    if (desc_.parameters[i].name == handle) return static_cast<int>(i);
  return -1;
}

int EffectObject::FloatParameter(D3DXHANDLE handle) const {
  int index = FindParameter(handle);
  if (index < 0 || ParamFloatCount(desc_.parameters[index].type) == 0) return -1;
  return index;
}

D3DXHANDLE EffectObject::GetParameterByName(D3DXHANDLE hParameter, LPCSTR pName) {
  if (hParameter) return nullptr;  // structure members do not exist in this format
  int index = FindParameter(pName);
  return index < 0 ? nullptr : desc_.parameters[index].name.c_str();
}

D3DXHANDLE EffectObject::GetTechniqueByName(LPCSTR pName) {
  int t = FindTechnique(pName);
  return t < 0 ? nullptr : desc_.techniques[t].name.c_str();
}

HRESULT EffectObject::SetTechnique(D3DXHANDLE hTechnique) {
  int t = FindTechnique(hTechnique);
  if (t < 0 || begun_) return D3DERR_INVALIDCALL;
  technique_ = t;
  return D3D_OK;
}

D3DXHANDLE EffectObject::GetCurrentTechnique() { return desc_.techniques[technique_].name.c_str(); }

HRESULT EffectObject::SetFloat(D3DXHANDLE hParameter, FLOAT f) { return SetFloatArray(hParameter, &f, 1); }

HRESULT EffectObject::GetFloat(D3DXHANDLE hParameter, FLOAT* pf) { return GetFloatArray(hParameter, pf, 1); }

HRESULT EffectObject::SetFloatArray(D3DXHANDLE hParameter, const FLOAT* pf, UINT Count) {
  int index = FloatParameter(hParameter);
  if (index < 0 || !pf) return D3DERR_INVALIDCALL;
  Parameter& p = desc_.parameters[index];
  UINT n = std::min<UINT>(Count, static_cast<UINT>(ParamFloatCount(p.type)));
  set_[index] = 1;
  if (std::memcmp(p.value, pf, n * sizeof(float)) == 0) return D3D_OK;  // nothing to upload again
  std::memcpy(p.value, pf, n * sizeof(float));
  ++versions_[index];
  return D3D_OK;
}

HRESULT EffectObject::GetFloatArray(D3DXHANDLE hParameter, FLOAT* pf, UINT Count) {
  int index = FloatParameter(hParameter);
  if (index < 0 || !pf) return D3DERR_INVALIDCALL;
  const Parameter& p = desc_.parameters[index];
  UINT n = std::min<UINT>(Count, static_cast<UINT>(ParamFloatCount(p.type)));
  std::memcpy(pf, p.value, n * sizeof(float));
  return D3D_OK;
}

HRESULT EffectObject::SetMatrix(D3DXHANDLE hParameter, const D3DXMATRIX* pMatrix) {
  int index = FindParameter(hParameter);
  if (index < 0 || !pMatrix || desc_.parameters[index].type != ParamType::kFloat4x4) return D3DERR_INVALIDCALL;
  return SetFloatArray(hParameter, &pMatrix->_11, 16);
}

HRESULT EffectObject::GetMatrix(D3DXHANDLE hParameter, D3DXMATRIX* pMatrix) {
  int index = FindParameter(hParameter);
  if (index < 0 || !pMatrix || desc_.parameters[index].type != ParamType::kFloat4x4) return D3DERR_INVALIDCALL;
  return GetFloatArray(hParameter, &pMatrix->_11, 16);
}

HRESULT EffectObject::SetTexture(D3DXHANDLE hParameter, IDirect3DBaseTexture9* pTexture) {
  int index = FindParameter(hParameter);
  if (index < 0 || desc_.parameters[index].type != ParamType::kTexture) return D3DERR_INVALIDCALL;
  set_[index] = 1;
  if (textures_[index] == pTexture) return D3D_OK;
  if (pTexture) pTexture->AddRef();
  if (textures_[index]) textures_[index]->Release();
  textures_[index] = pTexture;
  ++versions_[index];
  return D3D_OK;
}

HRESULT EffectObject::GetTexture(D3DXHANDLE hParameter, IDirect3DBaseTexture9** ppTexture) {
  int index = FindParameter(hParameter);
  if (!ppTexture || index < 0 || desc_.parameters[index].type != ParamType::kTexture) return D3DERR_INVALIDCALL;
  *ppTexture = textures_[index];
  if (*ppTexture) (*ppTexture)->AddRef();
  return D3D_OK;
}

bool EffectObject::WasSet(D3DXHANDLE hParameter) const {
  int index = FindParameter(hParameter);
  return index >= 0 && set_[index] != 0;
}

// ---- passes ----

EffectObject::PassProgram& EffectObject::Program(int technique, int pass) { return programs_[technique][pass]; }

void EffectObject::UploadChanged(PassProgram& program) {
  for (size_t i = 0; i < desc_.parameters.size(); ++i) {
    if (program.uploaded[i] == versions_[i]) continue;
    program.uploaded[i] = versions_[i];
    GLint location = program.locations[i];
    if (location < 0) continue;
    const float* v = desc_.parameters[i].value;
    switch (desc_.parameters[i].type) {
      case ParamType::kFloat: glUniform1f(location, v[0]); break;
      case ParamType::kFloat2: glUniform2fv(location, 1, v); break;
      case ParamType::kFloat3: glUniform3fv(location, 1, v); break;
      case ParamType::kFloat4: glUniform4fv(location, 1, v); break;
      // Row-major as stored: GLSL's M * v then equals HLSL's mul(v, M).
      case ParamType::kFloat4x4: glUniformMatrix4fv(location, 1, GL_FALSE, v); break;
      default: break;
    }
  }
}

void EffectObject::ApplySamplers() {
  for (size_t i = 0; i < desc_.parameters.size(); ++i) {
    if (samplerUnits_[i] < 0) continue;
    const Parameter& sampler = desc_.parameters[i];
    DWORD unit = static_cast<DWORD>(samplerUnits_[i]);
    int texture = samplerTextures_[i];
    device_->SetTexture(unit, texture >= 0 ? textures_[texture] : nullptr);
    for (const SamplerState& state : sampler.samplerStates) device_->SetSamplerState(unit, state.first, state.second);
  }
}

void EffectObject::SaveState() {
  savedRenderStates_.clear();
  savedSamplers_.clear();
  for (const Pass& pass : desc_.techniques[technique_].passes) {
    for (const RenderState& state : pass.renderStates) {
      bool known = false;
      for (const RenderState& saved : savedRenderStates_) known = known || saved.first == state.first;
      if (known) continue;
      DWORD value = 0;
      if (SUCCEEDED(device_->GetRenderState(state.first, &value))) savedRenderStates_.emplace_back(state.first, value);
    }
  }
  for (size_t i = 0; i < desc_.parameters.size(); ++i) {
    if (samplerUnits_[i] < 0) continue;
    DWORD unit = static_cast<DWORD>(samplerUnits_[i]);
    for (const SamplerState& state : desc_.parameters[i].samplerStates) {
      DWORD value = 0;
      if (SUCCEEDED(device_->GetSamplerState(unit, state.first, &value)))
        savedSamplers_.push_back(SavedSampler{unit, state.first, value});
    }
    IDirect3DBaseTexture9* texture = nullptr;
    if (SUCCEEDED(device_->GetTexture(unit, &texture))) savedTextures_[unit] = texture;  // keeps the reference
  }
  savedProgram_ = d3d9gl::CurrentProgram(device_);
  saved_ = true;
}

void EffectObject::ReleaseSaved() {
  for (IDirect3DBaseTexture9*& texture : savedTextures_) {
    if (texture) texture->Release();
    texture = nullptr;
  }
}

void EffectObject::RestoreState() {
  for (const RenderState& state : savedRenderStates_) device_->SetRenderState(state.first, state.second);
  for (const SavedSampler& s : savedSamplers_) device_->SetSamplerState(s.unit, s.type, s.value);
  for (size_t unit = 0; unit < savedTextures_.size(); ++unit)
    device_->SetTexture(static_cast<DWORD>(unit), savedTextures_[unit]);
  ReleaseSaved();
  d3d9gl::SetProgram(device_, savedProgram_);
  saved_ = false;
}

HRESULT EffectObject::Begin(UINT* pPasses, DWORD Flags) {
  if (begun_) return D3DERR_INVALIDCALL;
  begun_ = true;
  if (!(Flags & D3DXFX_DONOTSAVESTATE)) SaveState();
  if (pPasses) *pPasses = static_cast<UINT>(desc_.techniques[technique_].passes.size());
  return D3D_OK;
}

HRESULT EffectObject::BeginPass(UINT Pass) {
  if (!begun_ || inPass_ || Pass >= desc_.techniques[technique_].passes.size()) return D3DERR_INVALIDCALL;
  if (!d3d9gl::MakeCurrent(device_)) return D3DERR_INVALIDCALL;
  PassProgram& program = Program(technique_, static_cast<int>(Pass));
  d3d9gl::SetProgram(device_, program.program, &program.alphaTest);
  UploadChanged(program);
  // A state the device refuses (it names it on standard error) fails the pass: its picture
  // would not be the one the file describes.
  HRESULT result = D3D_OK;
  for (const RenderState& state : desc_.techniques[technique_].passes[Pass].renderStates) {
    if (FAILED(device_->SetRenderState(state.first, state.second))) result = D3DERR_INVALIDCALL;
  }
  ApplySamplers();
  if (FAILED(result)) return result;
  inPass_ = true;
  pass_ = static_cast<int>(Pass);
  return D3D_OK;
}

HRESULT EffectObject::CommitChanges() {
  if (!inPass_) return D3DERR_INVALIDCALL;
  if (!d3d9gl::MakeCurrent(device_)) return D3DERR_INVALIDCALL;
  UploadChanged(Program(technique_, pass_));
  ApplySamplers();  // a texture set since BeginPass reaches its stage
  return D3D_OK;
}

HRESULT EffectObject::EndPass() {
  if (!inPass_) return D3DERR_INVALIDCALL;
  inPass_ = false;
  pass_ = -1;
  return D3D_OK;
}

HRESULT EffectObject::End() {
  if (!begun_) return D3DERR_INVALIDCALL;
  begun_ = false;
  inPass_ = false;
  pass_ = -1;
  if (saved_) {
    RestoreState();
  } else {
    d3d9gl::SetProgram(device_, 0);  // the device's own program draws again after the effect
  }
  return D3D_OK;
}

}  // namespace d3dx9fx

BOOL WINAPI D3DXEffectParameterWasSet(ID3DXEffect* pEffect, D3DXHANDLE hParameter) {
  auto* effect = dynamic_cast<d3dx9fx::EffectObject*>(pEffect);
  return effect && effect->WasSet(hParameter) ? TRUE : FALSE;
}
