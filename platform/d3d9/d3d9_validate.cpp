// d3d9_validate.cpp -- which render-state and texture-stage values the layer applies; the rest are refused
//
// A state the layer implements accepts the values Direct3D defines for it. A state it does not
// implement accepts only its default value (which the picture already shows, so storing it is
// honest) and refuses anything else with D3DERR_INVALIDCALL and one line on standard error.
#include <cstdio>

#include "platform/d3d9/d3d9_device.h"

namespace d3d9impl {

namespace {

bool InRange(DWORD v, DWORD lo, DWORD hi) { return v >= lo && v <= hi; }
bool IsBool(DWORD v) { return v <= 1; }
bool IsCompare(DWORD v) { return InRange(v, D3DCMP_NEVER, D3DCMP_ALWAYS); }
bool IsBlend(DWORD v) { return InRange(v, D3DBLEND_ZERO, D3DBLEND_INVBLENDFACTOR); }
bool IsBlendOp(DWORD v) { return InRange(v, D3DBLENDOP_ADD, D3DBLENDOP_MAX); }

// The combiner ops and arguments the fixed-function program implements on stage 0.
bool IsStageOp(DWORD v) { return InRange(v, D3DTOP_DISABLE, D3DTOP_ADD); }
bool IsStageArg(DWORD v) { return v == D3DTA_DIFFUSE || v == D3DTA_CURRENT || v == D3DTA_TEXTURE || v == D3DTA_TFACTOR; }

}  // namespace

// The values of the states the layer applies; -1 for a state it does not implement.
int RenderStateImplemented(DWORD state, DWORD value) {
  switch (state) {
    case D3DRS_ZENABLE: return value == D3DZB_FALSE || value == D3DZB_TRUE;
    case D3DRS_FILLMODE: return InRange(value, D3DFILL_POINT, D3DFILL_SOLID);
    case D3DRS_ZWRITEENABLE:
    case D3DRS_ALPHATESTENABLE:
    case D3DRS_ALPHABLENDENABLE:
    case D3DRS_SCISSORTESTENABLE:
    case D3DRS_SEPARATEALPHABLENDENABLE:
    case D3DRS_LIGHTING:
    case D3DRS_COLORVERTEX:
    case D3DRS_MULTISAMPLEANTIALIAS:
      return IsBool(value);
    case D3DRS_SRCBLEND:
    case D3DRS_DESTBLEND:
    case D3DRS_SRCBLENDALPHA:
    case D3DRS_DESTBLENDALPHA:
      return IsBlend(value);
    case D3DRS_BLENDOP:
    case D3DRS_BLENDOPALPHA:
      return IsBlendOp(value);
    case D3DRS_CULLMODE: return InRange(value, D3DCULL_NONE, D3DCULL_CCW);
    case D3DRS_ZFUNC:
    case D3DRS_ALPHAFUNC:
      return IsCompare(value);
    case D3DRS_ALPHAREF: return value <= 0xff;
    case D3DRS_COLORWRITEENABLE: return value <= 0xf;
    case D3DRS_BLENDFACTOR:
    case D3DRS_TEXTUREFACTOR:
    case D3DRS_AMBIENT:
    case D3DRS_DEPTHBIAS:
    case D3DRS_SLOPESCALEDEPTHBIAS:
      return 1;
    default:
      return -1;
  }
}

bool RenderStateApplies(DWORD state, DWORD value, DWORD defaultValue) {
  int implemented = RenderStateImplemented(state, value);
  if (implemented >= 0) return implemented == 1;
  return value == defaultValue;
}

bool StageStateApplies(DWORD stage, DWORD type, DWORD value, DWORD defaultValue) {
  if (stage == 0) {
    switch (type) {
      case D3DTSS_COLOROP:
      case D3DTSS_ALPHAOP:
        return IsStageOp(value);
      case D3DTSS_COLORARG1:
      case D3DTSS_COLORARG2:
      case D3DTSS_ALPHAARG1:
      case D3DTSS_ALPHAARG2:
        return IsStageArg(value);
      default:
        break;
    }
  }
  return value == defaultValue;
}

void ReportRefusedState(const char* call, DWORD stage, DWORD state, DWORD value) {
  if (stage == ~0u) {
    std::fprintf(stderr, "IDirect3DDevice9::%s: state %lu = 0x%lx is not supported by this layer\n", call,
                 static_cast<unsigned long>(state), static_cast<unsigned long>(value));
  } else {
    std::fprintf(stderr, "IDirect3DDevice9::%s: stage %lu state %lu = 0x%lx is not supported by this layer\n", call,
                 static_cast<unsigned long>(stage), static_cast<unsigned long>(state),
                 static_cast<unsigned long>(value));
  }
}

}  // namespace d3d9impl
