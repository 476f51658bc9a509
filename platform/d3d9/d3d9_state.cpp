// d3d9_state.cpp -- render, sampler and texture-stage states, transforms and viewport: stored, then applied to GL
//
// Set* stores the value and marks its dirty group when it changed; the apply* functions bring
// one group to GL at Clear or draw time.
#include <cmath>
#include <cstring>

#include "platform/d3d9/d3d9_device.h"

namespace d3d9impl {

namespace {

D3DMATRIX Identity() {
  D3DMATRIX m = {};
  m._11 = m._22 = m._33 = m._44 = 1.f;
  return m;
}

D3DMATRIX Multiply(const D3DMATRIX& a, const D3DMATRIX& b) {
  D3DMATRIX r;
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] + a.m[i][3] * b.m[3][j];
    }
  }
  return r;
}

GLenum GlCompare(DWORD f) {
  switch (f) {
    case D3DCMP_NEVER: return GL_NEVER;
    case D3DCMP_LESS: return GL_LESS;
    case D3DCMP_EQUAL: return GL_EQUAL;
    case D3DCMP_LESSEQUAL: return GL_LEQUAL;
    case D3DCMP_GREATER: return GL_GREATER;
    case D3DCMP_NOTEQUAL: return GL_NOTEQUAL;
    case D3DCMP_GREATEREQUAL: return GL_GEQUAL;
    default: return GL_ALWAYS;
  }
}

GLenum GlBlend(DWORD b) {
  switch (b) {
    case D3DBLEND_ZERO: return GL_ZERO;
    case D3DBLEND_ONE: return GL_ONE;
    case D3DBLEND_SRCCOLOR: return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR: return GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA: return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA: return GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_DESTALPHA: return GL_DST_ALPHA;
    case D3DBLEND_INVDESTALPHA: return GL_ONE_MINUS_DST_ALPHA;
    case D3DBLEND_DESTCOLOR: return GL_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR: return GL_ONE_MINUS_DST_COLOR;
    case D3DBLEND_SRCALPHASAT: return GL_SRC_ALPHA_SATURATE;
    case D3DBLEND_BLENDFACTOR: return GL_CONSTANT_COLOR;
    case D3DBLEND_INVBLENDFACTOR: return GL_ONE_MINUS_CONSTANT_COLOR;
    default: return GL_ONE;
  }
}

GLenum GlBlendOp(DWORD op) {
  switch (op) {
    case D3DBLENDOP_SUBTRACT: return GL_FUNC_SUBTRACT;
    case D3DBLENDOP_REVSUBTRACT: return GL_FUNC_REVERSE_SUBTRACT;
    case D3DBLENDOP_MIN: return GL_MIN;
    case D3DBLENDOP_MAX: return GL_MAX;
    default: return GL_FUNC_ADD;
  }
}

GLint GlAddress(DWORD a) {
  switch (a) {
    case D3DTADDRESS_MIRROR: return GL_MIRRORED_REPEAT;
    case D3DTADDRESS_CLAMP: return GL_CLAMP_TO_EDGE;
    case D3DTADDRESS_BORDER: return GL_CLAMP_TO_BORDER;
    case D3DTADDRESS_MIRRORONCE: return GL_MIRROR_CLAMP_TO_EDGE;
    default: return GL_REPEAT;
  }
}

GLint GlMinFilter(DWORD min, DWORD mip) {
  bool linear = min == D3DTEXF_LINEAR || min == D3DTEXF_ANISOTROPIC;
  if (mip == D3DTEXF_NONE) return linear ? GL_LINEAR : GL_NEAREST;
  if (mip == D3DTEXF_POINT) return linear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
  return linear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
}

float AsFloat(DWORD v) {
  float f;
  std::memcpy(&f, &v, sizeof f);
  return f;
}

// Render states that belong to a dirty group; others are only stored.
uint32_t GroupOf(DWORD state) {
  switch (state) {
    case D3DRS_ZENABLE:
    case D3DRS_ZWRITEENABLE:
    case D3DRS_ZFUNC:
    case D3DRS_DEPTHBIAS:
    case D3DRS_SLOPESCALEDEPTHBIAS:
      return kDirtyDepth;
    case D3DRS_ALPHABLENDENABLE:
    case D3DRS_SRCBLEND:
    case D3DRS_DESTBLEND:
    case D3DRS_BLENDOP:
    case D3DRS_BLENDFACTOR:
    case D3DRS_SEPARATEALPHABLENDENABLE:
    case D3DRS_SRCBLENDALPHA:
    case D3DRS_DESTBLENDALPHA:
    case D3DRS_BLENDOPALPHA:
      return kDirtyBlend;
    case D3DRS_CULLMODE:
    case D3DRS_FILLMODE:
    case D3DRS_MULTISAMPLEANTIALIAS:
      return kDirtyRaster;
    case D3DRS_COLORWRITEENABLE:
      return kDirtyColorMask;
    case D3DRS_SCISSORTESTENABLE:
      return kDirtyScissor;
    case D3DRS_LIGHTING:
    case D3DRS_COLORVERTEX:
    case D3DRS_AMBIENT:
    case D3DRS_TEXTUREFACTOR:
    case D3DRS_ALPHATESTENABLE:
    case D3DRS_ALPHAFUNC:
    case D3DRS_ALPHAREF:
      return kDirtyProgram;
    default:
      return 0;
  }
}

}  // namespace

void Device::setDefaultState() {
  DWORD* rs = state_.renderStates;
  rs[D3DRS_ZENABLE] = params_.EnableAutoDepthStencil ? D3DZB_TRUE : D3DZB_FALSE;
  rs[D3DRS_FILLMODE] = D3DFILL_SOLID;
  rs[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
  rs[D3DRS_ZWRITEENABLE] = TRUE;
  rs[D3DRS_LASTPIXEL] = TRUE;
  rs[D3DRS_SRCBLEND] = D3DBLEND_ONE;
  rs[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
  rs[D3DRS_CULLMODE] = D3DCULL_CCW;
  rs[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
  rs[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
  rs[D3DRS_STENCILFAIL] = rs[D3DRS_STENCILZFAIL] = rs[D3DRS_STENCILPASS] = D3DSTENCILOP_KEEP;
  rs[D3DRS_STENCILFUNC] = D3DCMP_ALWAYS;
  rs[D3DRS_STENCILMASK] = rs[D3DRS_STENCILWRITEMASK] = 0xffffffff;
  rs[D3DRS_TEXTUREFACTOR] = 0xffffffff;
  rs[D3DRS_CLIPPING] = TRUE;
  rs[D3DRS_LIGHTING] = TRUE;
  rs[D3DRS_COLORVERTEX] = TRUE;
  rs[D3DRS_LOCALVIEWER] = TRUE;
  rs[D3DRS_DIFFUSEMATERIALSOURCE] = 1;  // D3DMCS_COLOR1
  rs[D3DRS_SPECULARMATERIALSOURCE] = 2;
  rs[D3DRS_POINTSIZE] = 0x3f800000;  // 1.0f
  rs[D3DRS_POINTSIZE_MAX] = 0x42800000;  // 64.0f
  rs[D3DRS_MULTISAMPLEANTIALIAS] = TRUE;
  rs[D3DRS_MULTISAMPLEMASK] = 0xffffffff;
  rs[D3DRS_COLORWRITEENABLE] = rs[D3DRS_COLORWRITEENABLE1] = rs[D3DRS_COLORWRITEENABLE2] =
      rs[D3DRS_COLORWRITEENABLE3] = 0x0000000f;
  rs[D3DRS_BLENDOP] = rs[D3DRS_BLENDOPALPHA] = D3DBLENDOP_ADD;
  rs[D3DRS_SRCBLENDALPHA] = D3DBLEND_ONE;
  rs[D3DRS_DESTBLENDALPHA] = D3DBLEND_ZERO;
  rs[D3DRS_BLENDFACTOR] = 0xffffffff;
  for (int s = 0; s < kSamplerCount; ++s) {
    DWORD* ss = state_.samplerStates[s];
    ss[D3DSAMP_ADDRESSU] = ss[D3DSAMP_ADDRESSV] = ss[D3DSAMP_ADDRESSW] = D3DTADDRESS_WRAP;
    ss[D3DSAMP_MAGFILTER] = ss[D3DSAMP_MINFILTER] = D3DTEXF_POINT;
    ss[D3DSAMP_MIPFILTER] = D3DTEXF_NONE;
    ss[D3DSAMP_MAXANISOTROPY] = 1;
    DWORD* ts = state_.stageStates[s];
    ts[D3DTSS_COLOROP] = s == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
    ts[D3DTSS_ALPHAOP] = s == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
    ts[D3DTSS_COLORARG1] = ts[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
    ts[D3DTSS_COLORARG2] = ts[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
    ts[D3DTSS_TEXCOORDINDEX] = static_cast<DWORD>(s);
  }
  state_.world = state_.view = state_.projection = Identity();
  for (D3DMATRIX& m : state_.textureTransforms) m = Identity();
  state_.renderTarget = backBuffer_;
  state_.depthStencil = autoDepth_;
  state_.viewport = {0, 0, params_.BackBufferWidth, params_.BackBufferHeight, 0.f, 1.f};
  state_.scissor = {0, 0, static_cast<LONG>(params_.BackBufferWidth), static_cast<LONG>(params_.BackBufferHeight)};
  dirty_ = kDirtyAll;
  dirtySamplers_ = 0xff;
  defaults_ = state_;
}

HRESULT Device::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
  if (static_cast<DWORD>(state) >= D3D9_RENDERSTATE_COUNT) return D3DERR_INVALIDCALL;
  if (!RenderStateApplies(state, value, defaults_.renderStates[state])) {
    ReportRefusedState("SetRenderState", ~0u, state, value);
    return D3DERR_INVALIDCALL;
  }
  DWORD& slot = state_.renderStates[state];
  if (slot != value) {
    slot = value;
    dirty_ |= GroupOf(state);
  }
  return D3D_OK;
}

HRESULT Device::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) {
  if (!value || static_cast<DWORD>(state) >= D3D9_RENDERSTATE_COUNT) return D3DERR_INVALIDCALL;
  *value = state_.renderStates[state];
  return D3D_OK;
}

HRESULT Device::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) {
  if (sampler >= kSamplerCount || static_cast<DWORD>(type) >= D3D9_SAMPLERSTATE_COUNT) return D3DERR_INVALIDCALL;
  DWORD& slot = state_.samplerStates[sampler][type];
  if (slot != value) {
    slot = value;
    dirtySamplers_ |= 1u << sampler;
    dirty_ |= kDirtySamplers;
  }
  return D3D_OK;
}

HRESULT Device::GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) {
  if (!value || sampler >= kSamplerCount || static_cast<DWORD>(type) >= D3D9_SAMPLERSTATE_COUNT) {
    return D3DERR_INVALIDCALL;
  }
  *value = state_.samplerStates[sampler][type];
  return D3D_OK;
}

HRESULT Device::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
  if (stage >= kSamplerCount || static_cast<DWORD>(type) >= kTextureStageStates) return D3DERR_INVALIDCALL;
  if (!StageStateApplies(stage, type, value, defaults_.stageStates[stage][type])) {
    ReportRefusedState("SetTextureStageState", stage, type, value);
    return D3DERR_INVALIDCALL;
  }
  DWORD& slot = state_.stageStates[stage][type];
  if (slot != value) {
    slot = value;
    dirty_ |= kDirtyProgram;
  }
  return D3D_OK;
}

HRESULT Device::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) {
  if (!value || stage >= kSamplerCount || static_cast<DWORD>(type) >= kTextureStageStates) {
    return D3DERR_INVALIDCALL;
  }
  *value = state_.stageStates[stage][type];
  return D3D_OK;
}

HRESULT Device::SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) {
  if (stage >= kSamplerCount) return D3DERR_INVALIDCALL;
  Texture* t = texture ? static_cast<Texture*>(static_cast<IDirect3DTexture9*>(texture)) : nullptr;
  if (t && t->device() != this) return D3DERR_INVALIDCALL;
  if (t && !t->glTexture()) return D3DERR_INVALIDCALL;  // system-memory textures cannot be sampled
  Texture*& slot = state_.textures[stage];
  if (slot == t) return D3D_OK;
  if (t) t->bind();
  Texture* old = slot;
  slot = t;
  dirty_ |= kDirtyTextures;
  if (old) {
    makeCurrent();
    old->unbind();
  }
  return D3D_OK;
}

HRESULT Device::GetTexture(DWORD stage, IDirect3DBaseTexture9** out) {
  if (!out || stage >= kSamplerCount) return D3DERR_INVALIDCALL;
  Texture* t = state_.textures[stage];
  if (t) t->AddRef();
  *out = t;
  return D3D_OK;
}

HRESULT Device::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* m) {
  if (!m) return D3DERR_INVALIDCALL;
  D3DMATRIX* slot = nullptr;
  if (state == D3DTS_WORLD) slot = &state_.world;
  else if (state == D3DTS_VIEW) slot = &state_.view;
  else if (state == D3DTS_PROJECTION) slot = &state_.projection;
  else if (state >= D3DTS_TEXTURE0 && state <= D3DTS_TEXTURE7) slot = &state_.textureTransforms[state - D3DTS_TEXTURE0];
  else return D3DERR_INVALIDCALL;
  if (std::memcmp(slot, m, sizeof *m) == 0) return D3D_OK;
  *slot = *m;
  dirty_ |= kDirtyTransforms;
  return D3D_OK;
}

HRESULT Device::GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* m) {
  if (!m) return D3DERR_INVALIDCALL;
  if (state == D3DTS_WORLD) *m = state_.world;
  else if (state == D3DTS_VIEW) *m = state_.view;
  else if (state == D3DTS_PROJECTION) *m = state_.projection;
  else if (state >= D3DTS_TEXTURE0 && state <= D3DTS_TEXTURE7) *m = state_.textureTransforms[state - D3DTS_TEXTURE0];
  else return D3DERR_INVALIDCALL;
  return D3D_OK;
}

HRESULT Device::MultiplyTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* m) {
  if (!m) return D3DERR_INVALIDCALL;
  D3DMATRIX current;
  HRESULT hr = GetTransform(state, &current);
  if (FAILED(hr)) return hr;
  D3DMATRIX product = Multiply(*m, current);
  return SetTransform(state, &product);
}

HRESULT Device::SetViewport(const D3DVIEWPORT9* vp) {
  if (!vp || vp->Width == 0 || vp->Height == 0) return D3DERR_INVALIDCALL;
  const D3DSURFACE_DESC& d = state_.renderTarget->desc();
  if (static_cast<uint64_t>(vp->X) + vp->Width > d.Width || static_cast<uint64_t>(vp->Y) + vp->Height > d.Height) {
    return D3DERR_INVALIDCALL;
  }
  if (std::memcmp(&state_.viewport, vp, sizeof *vp) == 0) return D3D_OK;
  state_.viewport = *vp;
  dirty_ |= kDirtyViewport | kDirtyTransforms;
  return D3D_OK;
}

HRESULT Device::GetViewport(D3DVIEWPORT9* vp) {
  if (!vp) return D3DERR_INVALIDCALL;
  *vp = state_.viewport;
  return D3D_OK;
}

HRESULT Device::SetMaterial(const D3DMATERIAL9* m) {
  if (!m) return D3DERR_INVALIDCALL;
  if (std::memcmp(&state_.material, m, sizeof *m) == 0) return D3D_OK;
  state_.material = *m;
  dirty_ |= kDirtyProgram;  // lit colour: emissive + ambient, alpha from the diffuse material
  return D3D_OK;
}

HRESULT Device::GetMaterial(D3DMATERIAL9* m) {
  if (!m) return D3DERR_INVALIDCALL;
  *m = state_.material;
  return D3D_OK;
}

HRESULT Device::SetScissorRect(const RECT* r) {
  if (!r || r->right < r->left || r->bottom < r->top) return D3DERR_INVALIDCALL;
  if (std::memcmp(&state_.scissor, r, sizeof *r) == 0) return D3D_OK;
  state_.scissor = *r;
  dirty_ |= kDirtyScissor;
  return D3D_OK;
}

HRESULT Device::GetScissorRect(RECT* r) {
  if (!r) return D3DERR_INVALIDCALL;
  *r = state_.scissor;
  return D3D_OK;
}

// ---- To GL

void Device::applyViewport() {
  const D3DVIEWPORT9& v = state_.viewport;
  // Row 0 is the top in both conventions (see d3d9_device.h), so Y needs no flip.
  glViewport(static_cast<GLint>(v.X), static_cast<GLint>(v.Y), static_cast<GLsizei>(v.Width),
             static_cast<GLsizei>(v.Height));
  glDepthRangef(v.MinZ, v.MaxZ);
}

void Device::applyScissor() {
  if (state_.renderStates[D3DRS_SCISSORTESTENABLE]) {
    const RECT& r = state_.scissor;
    glEnable(GL_SCISSOR_TEST);
    glScissor(r.left, r.top, r.right - r.left, r.bottom - r.top);
  } else {
    glDisable(GL_SCISSOR_TEST);
  }
}

void Device::applyDepth() {
  const DWORD* rs = state_.renderStates;
  bool test = rs[D3DRS_ZENABLE] != D3DZB_FALSE && state_.depthStencil != nullptr;
  if (test) glEnable(GL_DEPTH_TEST);
  else glDisable(GL_DEPTH_TEST);
  glDepthMask(rs[D3DRS_ZWRITEENABLE] ? GL_TRUE : GL_FALSE);
  glDepthFunc(GlCompare(rs[D3DRS_ZFUNC]));
  float slope = AsFloat(rs[D3DRS_SLOPESCALEDEPTHBIAS]), bias = AsFloat(rs[D3DRS_DEPTHBIAS]);
  if (slope != 0.f || bias != 0.f) {
    glEnable(GL_POLYGON_OFFSET_FILL);
    // Direct3D's bias is in depth units (0..1); GL's in units of the smallest step the bound
    // depth surface resolves: 2^16 - 1 of them for D16, 2^24 - 1 for the 24-bit formats.
    D3DFORMAT format = state_.depthStencil ? state_.depthStencil->desc().Format : D3DFMT_D16;
    float steps = format == D3DFMT_D16 ? 65535.f : 16777215.f;
    glPolygonOffset(slope, bias * steps);
  } else {
    glDisable(GL_POLYGON_OFFSET_FILL);
  }
}

void Device::applyBlend() {
  const DWORD* rs = state_.renderStates;
  if (!rs[D3DRS_ALPHABLENDENABLE]) {
    glDisable(GL_BLEND);
    return;
  }
  glEnable(GL_BLEND);
  if (rs[D3DRS_SEPARATEALPHABLENDENABLE]) {
    glBlendFuncSeparate(GlBlend(rs[D3DRS_SRCBLEND]), GlBlend(rs[D3DRS_DESTBLEND]), GlBlend(rs[D3DRS_SRCBLENDALPHA]),
                        GlBlend(rs[D3DRS_DESTBLENDALPHA]));
    glBlendEquationSeparate(GlBlendOp(rs[D3DRS_BLENDOP]), GlBlendOp(rs[D3DRS_BLENDOPALPHA]));
  } else if (rs[D3DRS_SRCBLEND] == D3DBLEND_BOTHSRCALPHA) {
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glBlendEquation(GlBlendOp(rs[D3DRS_BLENDOP]));
  } else if (rs[D3DRS_SRCBLEND] == D3DBLEND_BOTHINVSRCALPHA) {
    glBlendFunc(GL_ONE_MINUS_SRC_ALPHA, GL_SRC_ALPHA);
    glBlendEquation(GlBlendOp(rs[D3DRS_BLENDOP]));
  } else {
    glBlendFunc(GlBlend(rs[D3DRS_SRCBLEND]), GlBlend(rs[D3DRS_DESTBLEND]));
    glBlendEquation(GlBlendOp(rs[D3DRS_BLENDOP]));
  }
  DWORD f = rs[D3DRS_BLENDFACTOR];
  glBlendColor(((f >> 16) & 0xff) / 255.f, ((f >> 8) & 0xff) / 255.f, (f & 0xff) / 255.f, (f >> 24) / 255.f);
}

void Device::applyRaster() {
  const DWORD* rs = state_.renderStates;
  // Front faces are clockwise (glFrontFace(GL_CW) at creation): D3DCULL_CCW culls the back.
  switch (rs[D3DRS_CULLMODE]) {
    case D3DCULL_NONE:
      glDisable(GL_CULL_FACE);
      break;
    case D3DCULL_CW:
      glEnable(GL_CULL_FACE);
      glCullFace(GL_FRONT);
      break;
    default:
      glEnable(GL_CULL_FACE);
      glCullFace(GL_BACK);
      break;
  }
  GLenum fill = rs[D3DRS_FILLMODE] == D3DFILL_WIREFRAME ? GL_LINE
                : rs[D3DRS_FILLMODE] == D3DFILL_POINT   ? GL_POINT
                                                        : GL_FILL;
  glPolygonMode(GL_FRONT_AND_BACK, fill);
  if (rs[D3DRS_MULTISAMPLEANTIALIAS]) glEnable(GL_MULTISAMPLE);
  else glDisable(GL_MULTISAMPLE);
}

void Device::applyColorMask() {
  DWORD m = state_.renderStates[D3DRS_COLORWRITEENABLE];
  glColorMask((m & D3DCOLORWRITEENABLE_RED) != 0, (m & D3DCOLORWRITEENABLE_GREEN) != 0,
              (m & D3DCOLORWRITEENABLE_BLUE) != 0, (m & D3DCOLORWRITEENABLE_ALPHA) != 0);
}

// Binds the textures of the stages whose GL texture changed. Other code that binds textures
// (creation, uploads) does so on unit kSamplerCount, so the stages' bindings stay as recorded.
void Device::applyTextures() {
  bool rebound = false;
  for (int i = 0; i < kSamplerCount; ++i) {
    Texture* t = state_.textures[i];
    GLuint name = t ? t->glTexture() : 0;
    if (boundTextures_[i] == name) continue;
    glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(i));
    glBindTexture(GL_TEXTURE_2D, name);
    boundTextures_[i] = name;
    rebound = true;
    // A texture's level count and LOD decide its sampler's mip filter and minimum LOD.
    dirtySamplers_ |= 1u << i;
  }
  if (rebound) glActiveTexture(GL_TEXTURE0 + kSamplerCount);
  applySamplers();
}

void Device::refreshSamplersOf(const Texture* texture) {
  for (int i = 0; i < kSamplerCount; ++i) {
    if (state_.textures[i] == texture) {
      dirtySamplers_ |= 1u << i;
      dirty_ |= kDirtySamplers;
    }
  }
}

void Device::applySamplers() {
  for (int i = 0; i < kSamplerCount; ++i) {
    if (dirtySamplers_ & (1u << i)) applySampler(i);
  }
  dirtySamplers_ = 0;
}

void Device::applySampler(int stage) {
  const DWORD* ss = state_.samplerStates[stage];
  GLuint s = samplers_[stage];
  Texture* t = state_.textures[stage];
  DWORD mip = (t && t->levels() > 1) ? ss[D3DSAMP_MIPFILTER] : static_cast<DWORD>(D3DTEXF_NONE);
  glSamplerParameteri(s, GL_TEXTURE_MIN_FILTER, GlMinFilter(ss[D3DSAMP_MINFILTER], mip));
  bool magLinear = ss[D3DSAMP_MAGFILTER] == D3DTEXF_LINEAR || ss[D3DSAMP_MAGFILTER] == D3DTEXF_ANISOTROPIC;
  glSamplerParameteri(s, GL_TEXTURE_MAG_FILTER, magLinear ? GL_LINEAR : GL_NEAREST);
  glSamplerParameteri(s, GL_TEXTURE_WRAP_S, GlAddress(ss[D3DSAMP_ADDRESSU]));
  glSamplerParameteri(s, GL_TEXTURE_WRAP_T, GlAddress(ss[D3DSAMP_ADDRESSV]));
  glSamplerParameteri(s, GL_TEXTURE_WRAP_R, GlAddress(ss[D3DSAMP_ADDRESSW]));
  DWORD c = ss[D3DSAMP_BORDERCOLOR];
  const float border[4] = {((c >> 16) & 0xff) / 255.f, ((c >> 8) & 0xff) / 255.f, (c & 0xff) / 255.f,
                           (c >> 24) / 255.f};
  glSamplerParameterfv(s, GL_TEXTURE_BORDER_COLOR, border);
  glSamplerParameterf(s, GL_TEXTURE_LOD_BIAS, AsFloat(ss[D3DSAMP_MIPMAPLODBIAS]));
  // GL counts the minimum LOD from the texture's base level (its SetLOD); in Direct3D the higher
  // of the two level numbers is the most detailed level drawn.
  DWORD base = t ? t->lod() : 0;
  DWORD maxMip = ss[D3DSAMP_MAXMIPLEVEL];
  glSamplerParameterf(s, GL_TEXTURE_MIN_LOD, static_cast<float>(maxMip > base ? maxMip - base : 0));
  if (limits_.anisotropy > 1.f) {
    float wanted = ss[D3DSAMP_MINFILTER] == D3DTEXF_ANISOTROPIC ? static_cast<float>(ss[D3DSAMP_MAXANISOTROPY]) : 1.f;
    if (wanted < 1.f) wanted = 1.f;
    if (wanted > limits_.anisotropy) wanted = limits_.anisotropy;
    glSamplerParameterf(s, GL_TEXTURE_MAX_ANISOTROPY_EXT, wanted);
  }
}

void Device::applyTransforms() {
  if (userProgram_) return;  // effects upload their own matrices
  FixedProgram& p = fixed_[pretransformed_ ? 1 : 0];
  if (pretransformed_) {
    const D3DVIEWPORT9& v = state_.viewport;
    p.viewport.set(static_cast<float>(v.X), static_cast<float>(v.Y), static_cast<float>(v.Width),
                   static_cast<float>(v.Height));
  } else {
    D3DMATRIX wvp = Multiply(Multiply(state_.world, state_.view), state_.projection);
    if (p.hasWorldViewProj && std::memcmp(&wvp, &p.uploadedWorldViewProj, sizeof wvp) == 0) return;
    // Row-major as it is: GLSL's M * v is then Direct3D's v * M.
    glUniformMatrix4fv(p.worldViewProj, 1, GL_FALSE, &wvp.m[0][0]);
    p.uploadedWorldViewProj = wvp;
    p.hasWorldViewProj = true;
  }
}

}  // namespace d3d9impl
