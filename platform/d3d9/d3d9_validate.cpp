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

struct Named {
  DWORD value;
  const char* name;
};

const Named kRenderStateNames[] = {
    {7, "D3DRS_ZENABLE"}, {8, "D3DRS_FILLMODE"}, {9, "D3DRS_SHADEMODE"}, {14, "D3DRS_ZWRITEENABLE"},
    {15, "D3DRS_ALPHATESTENABLE"}, {16, "D3DRS_LASTPIXEL"}, {19, "D3DRS_SRCBLEND"}, {20, "D3DRS_DESTBLEND"},
    {22, "D3DRS_CULLMODE"}, {23, "D3DRS_ZFUNC"}, {24, "D3DRS_ALPHAREF"}, {25, "D3DRS_ALPHAFUNC"},
    {26, "D3DRS_DITHERENABLE"}, {27, "D3DRS_ALPHABLENDENABLE"}, {28, "D3DRS_FOGENABLE"},
    {29, "D3DRS_SPECULARENABLE"}, {34, "D3DRS_FOGCOLOR"}, {35, "D3DRS_FOGTABLEMODE"}, {36, "D3DRS_FOGSTART"},
    {37, "D3DRS_FOGEND"}, {38, "D3DRS_FOGDENSITY"}, {48, "D3DRS_RANGEFOGENABLE"}, {52, "D3DRS_STENCILENABLE"},
    {53, "D3DRS_STENCILFAIL"}, {54, "D3DRS_STENCILZFAIL"}, {55, "D3DRS_STENCILPASS"}, {56, "D3DRS_STENCILFUNC"},
    {57, "D3DRS_STENCILREF"}, {58, "D3DRS_STENCILMASK"}, {59, "D3DRS_STENCILWRITEMASK"},
    {60, "D3DRS_TEXTUREFACTOR"}, {128, "D3DRS_WRAP0"}, {129, "D3DRS_WRAP1"}, {130, "D3DRS_WRAP2"},
    {131, "D3DRS_WRAP3"}, {132, "D3DRS_WRAP4"}, {133, "D3DRS_WRAP5"}, {134, "D3DRS_WRAP6"},
    {135, "D3DRS_WRAP7"}, {136, "D3DRS_CLIPPING"}, {137, "D3DRS_LIGHTING"}, {139, "D3DRS_AMBIENT"},
    {140, "D3DRS_FOGVERTEXMODE"}, {141, "D3DRS_COLORVERTEX"}, {142, "D3DRS_LOCALVIEWER"},
    {143, "D3DRS_NORMALIZENORMALS"}, {145, "D3DRS_DIFFUSEMATERIALSOURCE"},
    {146, "D3DRS_SPECULARMATERIALSOURCE"}, {147, "D3DRS_AMBIENTMATERIALSOURCE"},
    {148, "D3DRS_EMISSIVEMATERIALSOURCE"}, {151, "D3DRS_VERTEXBLEND"}, {152, "D3DRS_CLIPPLANEENABLE"},
    {154, "D3DRS_POINTSIZE"}, {155, "D3DRS_POINTSIZE_MIN"}, {156, "D3DRS_POINTSPRITEENABLE"},
    {157, "D3DRS_POINTSCALEENABLE"}, {158, "D3DRS_POINTSCALE_A"}, {159, "D3DRS_POINTSCALE_B"},
    {160, "D3DRS_POINTSCALE_C"}, {161, "D3DRS_MULTISAMPLEANTIALIAS"}, {162, "D3DRS_MULTISAMPLEMASK"},
    {163, "D3DRS_PATCHEDGESTYLE"}, {165, "D3DRS_DEBUGMONITORTOKEN"}, {166, "D3DRS_POINTSIZE_MAX"},
    {167, "D3DRS_INDEXEDVERTEXBLENDENABLE"}, {168, "D3DRS_COLORWRITEENABLE"}, {170, "D3DRS_TWEENFACTOR"},
    {171, "D3DRS_BLENDOP"}, {172, "D3DRS_POSITIONDEGREE"}, {173, "D3DRS_NORMALDEGREE"},
    {174, "D3DRS_SCISSORTESTENABLE"}, {175, "D3DRS_SLOPESCALEDEPTHBIAS"}, {176, "D3DRS_ANTIALIASEDLINEENABLE"},
    {178, "D3DRS_MINTESSELLATIONLEVEL"}, {179, "D3DRS_MAXTESSELLATIONLEVEL"}, {180, "D3DRS_ADAPTIVETESS_X"},
    {181, "D3DRS_ADAPTIVETESS_Y"}, {182, "D3DRS_ADAPTIVETESS_Z"}, {183, "D3DRS_ADAPTIVETESS_W"},
    {184, "D3DRS_ENABLEADAPTIVETESSELLATION"}, {185, "D3DRS_TWOSIDEDSTENCILMODE"},
    {186, "D3DRS_CCW_STENCILFAIL"}, {187, "D3DRS_CCW_STENCILZFAIL"}, {188, "D3DRS_CCW_STENCILPASS"},
    {189, "D3DRS_CCW_STENCILFUNC"}, {190, "D3DRS_COLORWRITEENABLE1"}, {191, "D3DRS_COLORWRITEENABLE2"},
    {192, "D3DRS_COLORWRITEENABLE3"}, {193, "D3DRS_BLENDFACTOR"}, {194, "D3DRS_SRGBWRITEENABLE"},
    {195, "D3DRS_DEPTHBIAS"}, {198, "D3DRS_WRAP8"}, {199, "D3DRS_WRAP9"}, {200, "D3DRS_WRAP10"},
    {201, "D3DRS_WRAP11"}, {202, "D3DRS_WRAP12"}, {203, "D3DRS_WRAP13"}, {204, "D3DRS_WRAP14"},
    {205, "D3DRS_WRAP15"}, {206, "D3DRS_SEPARATEALPHABLENDENABLE"}, {207, "D3DRS_SRCBLENDALPHA"},
    {208, "D3DRS_DESTBLENDALPHA"}, {209, "D3DRS_BLENDOPALPHA"},
};

const Named kStageStateNames[] = {
    {1, "D3DTSS_COLOROP"}, {2, "D3DTSS_COLORARG1"}, {3, "D3DTSS_COLORARG2"}, {4, "D3DTSS_ALPHAOP"},
    {5, "D3DTSS_ALPHAARG1"}, {6, "D3DTSS_ALPHAARG2"}, {7, "D3DTSS_BUMPENVMAT00"}, {8, "D3DTSS_BUMPENVMAT01"},
    {9, "D3DTSS_BUMPENVMAT10"}, {10, "D3DTSS_BUMPENVMAT11"}, {11, "D3DTSS_TEXCOORDINDEX"},
    {22, "D3DTSS_BUMPENVLSCALE"}, {23, "D3DTSS_BUMPENVLOFFSET"}, {24, "D3DTSS_TEXTURETRANSFORMFLAGS"},
    {26, "D3DTSS_COLORARG0"}, {27, "D3DTSS_ALPHAARG0"}, {28, "D3DTSS_RESULTARG"}, {32, "D3DTSS_CONSTANT"},
};

template <size_t N>
const char* NameOf(const Named (&table)[N], DWORD value) {
  for (const Named& n : table) {
    if (n.value == value) return n.name;
  }
  return "an unknown state";
}

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
    std::fprintf(stderr, "IDirect3DDevice9::%s: %s (%lu) = %lu (0x%lx) is not supported by this layer\n", call,
                 NameOf(kRenderStateNames, state), static_cast<unsigned long>(state),
                 static_cast<unsigned long>(value), static_cast<unsigned long>(value));
  } else {
    std::fprintf(stderr, "IDirect3DDevice9::%s: stage %lu %s (%lu) = %lu (0x%lx) is not supported by this layer\n",
                 call, static_cast<unsigned long>(stage), NameOf(kStageStateNames, state),
                 static_cast<unsigned long>(state), static_cast<unsigned long>(value),
                 static_cast<unsigned long>(value));
  }
}

}  // namespace d3d9impl
