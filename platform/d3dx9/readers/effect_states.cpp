// effect_states.cpp -- names of render states, sampler states and their values in effect files
#include "platform/d3dx9/readers/effect_states.h"

#include <strings.h>

namespace d3dx9fx {
namespace {

struct Named {
  const char* name;
  DWORD value;
};

const Named kRenderStates[] = {
    {"ZEnable", D3DRS_ZENABLE},           {"ZWriteEnable", D3DRS_ZWRITEENABLE},
    {"ZFunc", D3DRS_ZFUNC},               {"CullMode", D3DRS_CULLMODE},
    {"AlphaBlendEnable", D3DRS_ALPHABLENDENABLE}, {"SrcBlend", D3DRS_SRCBLEND},
    {"DestBlend", D3DRS_DESTBLEND},       {"BlendOp", D3DRS_BLENDOP},
    {"ColorWriteEnable", D3DRS_COLORWRITEENABLE}, {"FillMode", D3DRS_FILLMODE},
    {"ScissorTestEnable", D3DRS_SCISSORTESTENABLE}, {"Lighting", D3DRS_LIGHTING},
    {"AlphaTestEnable", D3DRS_ALPHATESTENABLE}, {"AlphaFunc", D3DRS_ALPHAFUNC},
    {"AlphaRef", D3DRS_ALPHAREF},         {"SeparateAlphaBlendEnable", D3DRS_SEPARATEALPHABLENDENABLE},
    {"SrcBlendAlpha", D3DRS_SRCBLENDALPHA}, {"DestBlendAlpha", D3DRS_DESTBLENDALPHA},
    {"BlendOpAlpha", D3DRS_BLENDOPALPHA},
};

const Named kSamplerStates[] = {
    {"AddressU", D3DSAMP_ADDRESSU},   {"AddressV", D3DSAMP_ADDRESSV}, {"AddressW", D3DSAMP_ADDRESSW},
    {"BorderColor", D3DSAMP_BORDERCOLOR}, {"MagFilter", D3DSAMP_MAGFILTER}, {"MinFilter", D3DSAMP_MINFILTER},
    {"MipFilter", D3DSAMP_MIPFILTER}, {"MaxAnisotropy", D3DSAMP_MAXANISOTROPY},
};

// Value names, each valid only for the states that take it.
const Named kBool[] = {{"true", 1}, {"false", 0}};
const Named kCull[] = {{"None", D3DCULL_NONE}, {"CW", D3DCULL_CW}, {"CCW", D3DCULL_CCW}};
const Named kBlend[] = {{"Zero", D3DBLEND_ZERO},           {"One", D3DBLEND_ONE},
                        {"SrcColor", D3DBLEND_SRCCOLOR},   {"InvSrcColor", D3DBLEND_INVSRCCOLOR},
                        {"SrcAlpha", D3DBLEND_SRCALPHA},   {"InvSrcAlpha", D3DBLEND_INVSRCALPHA},
                        {"DestAlpha", D3DBLEND_DESTALPHA}, {"InvDestAlpha", D3DBLEND_INVDESTALPHA},
                        {"DestColor", D3DBLEND_DESTCOLOR}, {"InvDestColor", D3DBLEND_INVDESTCOLOR}};
const Named kBlendOp[] = {{"Add", D3DBLENDOP_ADD}, {"Subtract", D3DBLENDOP_SUBTRACT},
                          {"RevSubtract", D3DBLENDOP_REVSUBTRACT}, {"Min", D3DBLENDOP_MIN},
                          {"Max", D3DBLENDOP_MAX}};
const Named kCmp[] = {{"Never", D3DCMP_NEVER},   {"Less", D3DCMP_LESS},         {"Equal", D3DCMP_EQUAL},
                      {"LessEqual", D3DCMP_LESSEQUAL}, {"Greater", D3DCMP_GREATER},
                      {"NotEqual", D3DCMP_NOTEQUAL}, {"GreaterEqual", D3DCMP_GREATEREQUAL},
                      {"Always", D3DCMP_ALWAYS}};
const Named kFill[] = {{"Point", D3DFILL_POINT}, {"Wireframe", D3DFILL_WIREFRAME}, {"Solid", D3DFILL_SOLID}};
const Named kFilter[] = {{"None", D3DTEXF_NONE}, {"Point", D3DTEXF_POINT}, {"Linear", D3DTEXF_LINEAR},
                         {"Anisotropic", D3DTEXF_ANISOTROPIC}};
const Named kAddress[] = {{"Wrap", D3DTADDRESS_WRAP}, {"Mirror", D3DTADDRESS_MIRROR},
                          {"Clamp", D3DTADDRESS_CLAMP}, {"Border", D3DTADDRESS_BORDER}};

template <size_t N>
bool Find(const Named (&table)[N], const std::string& name, DWORD* value) {
  for (const Named& entry : table) {
    if (strcasecmp(entry.name, name.c_str()) == 0) {
      *value = entry.value;
      return true;
    }
  }
  return false;
}

}  // namespace

bool RenderStateByName(const std::string& name, D3DRENDERSTATETYPE* state) {
  DWORD value = 0;
  if (!Find(kRenderStates, name, &value)) return false;
  *state = static_cast<D3DRENDERSTATETYPE>(value);
  return true;
}

bool SamplerStateByName(const std::string& name, D3DSAMPLERSTATETYPE* state) {
  DWORD value = 0;
  if (!Find(kSamplerStates, name, &value)) return false;
  *state = static_cast<D3DSAMPLERSTATETYPE>(value);
  return true;
}

bool RenderStateValue(D3DRENDERSTATETYPE state, const std::string& name, DWORD* value) {
  switch (state) {
    case D3DRS_CULLMODE: return Find(kCull, name, value);
    case D3DRS_SRCBLEND:
    case D3DRS_DESTBLEND:
    case D3DRS_SRCBLENDALPHA:
    case D3DRS_DESTBLENDALPHA: return Find(kBlend, name, value);
    case D3DRS_BLENDOP:
    case D3DRS_BLENDOPALPHA: return Find(kBlendOp, name, value);
    case D3DRS_ZFUNC:
    case D3DRS_ALPHAFUNC: return Find(kCmp, name, value);
    case D3DRS_ALPHAREF:
    case D3DRS_COLORWRITEENABLE: return false;  // numbers only
    case D3DRS_FILLMODE: return Find(kFill, name, value);
    default: return Find(kBool, name, value);
  }
}

bool SamplerStateValue(D3DSAMPLERSTATETYPE state, const std::string& name, DWORD* value) {
  switch (state) {
    case D3DSAMP_MAGFILTER:
    case D3DSAMP_MINFILTER:
    case D3DSAMP_MIPFILTER: return Find(kFilter, name, value);
    case D3DSAMP_ADDRESSU:
    case D3DSAMP_ADDRESSV:
    case D3DSAMP_ADDRESSW: return Find(kAddress, name, value);
    default: return false;
  }
}

}  // namespace d3dx9fx
