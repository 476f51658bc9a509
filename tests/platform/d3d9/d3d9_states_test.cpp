// d3d9_states_test.cpp -- every render state is applied (the picture shows it) or refused; draw bounds
#include <d3d9.h>
#include <d3dx9.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <set>
#include <string>

#include "platform/testing/testing.h"
#include "tests/support/picture.h"

using testsupport::Picture;

namespace {

constexpr int kWidth = 128, kHeight = 96;

struct Vertex {  // D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1, clip-space positions (identity transforms)
  float x, y, z;
  D3DCOLOR color;
  float u, v;
};
constexpr DWORD kFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;

DWORD Bits(float f) {
  DWORD d;
  std::memcpy(&d, &f, sizeof d);
  return d;
}

// A four-sample A8R8G8B8 target with its own depth surface, so that edges, alpha and depth all
// reach the picture.
struct Scene {
  testsupport::TestDevice td;
  IDirect3DDevice9* dev = nullptr;
  IDirect3DSurface9* target = nullptr;
  IDirect3DSurface9* depth = nullptr;
  IDirect3DVertexBuffer9* vb = nullptr;

  bool Open() {
    if (!testsupport::CreateTestDevice(&td, kWidth, kHeight, 4)) return false;
    dev = td.device;
    if (FAILED(dev->CreateRenderTarget(kWidth, kHeight, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_4_SAMPLES, 0, FALSE, &target,
                                       nullptr)) ||
        FAILED(dev->CreateDepthStencilSurface(kWidth, kHeight, D3DFMT_D16, D3DMULTISAMPLE_4_SAMPLES, 0, TRUE, &depth,
                                              nullptr)) ||
        FAILED(dev->CreateVertexBuffer(64 * sizeof(Vertex), D3DUSAGE_DYNAMIC, kFvf, D3DPOOL_DEFAULT, &vb, nullptr))) {
      return false;
    }
    dev->SetRenderTarget(0, target);
    dev->SetDepthStencilSurface(depth);
    dev->SetFVF(kFvf);
    dev->SetStreamSource(0, vb, 0, sizeof(Vertex));
    dev->SetRenderState(D3DRS_LIGHTING, FALSE);
    D3DMATERIAL9 m = {};
    m.Ambient = {1.f, 1.f, 1.f, 1.f};
    m.Diffuse = {0.f, 0.f, 0.f, 1.f};
    dev->SetMaterial(&m);
    return true;
  }
  ~Scene() {
    for (IUnknown* u : std::initializer_list<IUnknown*>{vb, depth, target}) {
      if (u) u->Release();
    }
  }
  // One triangle, clockwise on the screen: top-left, top-right, bottom-left corner of (x0..x1, y0..y1).
  HRESULT Triangle(float x0, float y0, float x1, float y1, float zTop, float zBottom, D3DCOLOR color) {
    Vertex* v = nullptr;
    vb->Lock(0, 3 * sizeof(Vertex), reinterpret_cast<void**>(&v), D3DLOCK_DISCARD);
    v[0] = {x0, y0, zTop, color, 0, 0};
    v[1] = {x1, y0, zTop, color, 1, 0};
    v[2] = {x0, y1, zBottom, color, 0, 1};
    vb->Unlock();
    return dev->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1);
  }
  Picture Read() {
    Picture p;
    EXPECT_TRUE(testsupport::ReadSurface(dev, target, &p));
    return p;
  }
};

// Where the state under test meets the picture.
enum class Stage {
  kOver,    // the state, then a half-transparent red triangle over the cleared target
  kBehind,  // a green layer at depth 0.2, the state, then the red triangle sloping from 0.1 to 0.5
  kFront,   // the state, the green layer, then the red triangle
};

struct Applied {
  D3DRENDERSTATETYPE state;
  DWORD value;
  Stage stage;
  std::function<void(IDirect3DDevice9*)> setup;  // what makes the state visible; may be empty
};

Picture Render(const Applied& a, bool withState) {
  Scene s;
  EXPECT_TRUE(s.Open()) << s.td.error;
  IDirect3DDevice9* d = s.dev;
  d->BeginScene();
  d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x80204060, 1.f, 0);
  if (a.stage == Stage::kBehind) s.Triangle(-1.f, 1.f, 3.f, -3.f, 0.2f, 0.2f, 0xff00ff00);
  if (a.setup) a.setup(d);
  if (withState) {
    EXPECT_EQ(D3D_OK, d->SetRenderState(a.state, a.value)) << "state " << a.state;
  }
  if (a.stage == Stage::kFront) s.Triangle(-1.f, 1.f, 3.f, -3.f, 0.2f, 0.2f, 0xff00ff00);
  s.Triangle(-0.8f, 0.8f, 0.8f, -0.8f, 0.1f, 0.5f, 0x80ff0000);
  d->EndScene();
  return s.Read();
}

double Difference(const Picture& a, const Picture& b) {
  double sum = 0;
  for (size_t i = 0; i < a.rgba.size() && i < b.rgba.size(); ++i) sum += std::abs(a.rgba[i] - b.rgba[i]);
  return sum;
}

void Blend(IDirect3DDevice9* d) {
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
}

void Lit(IDirect3DDevice9* d) {
  d->SetRenderState(D3DRS_LIGHTING, TRUE);
  d->SetRenderState(D3DRS_AMBIENT, 0xffffffff);
}

const Applied kApplied[] = {
    {D3DRS_ZENABLE, D3DZB_FALSE, Stage::kBehind, nullptr},
    {D3DRS_FILLMODE, D3DFILL_WIREFRAME, Stage::kOver, nullptr},
    {D3DRS_ZWRITEENABLE, FALSE, Stage::kFront, nullptr},
    {D3DRS_ALPHATESTENABLE, TRUE, Stage::kOver,
     [](IDirect3DDevice9* d) {
       d->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
       d->SetRenderState(D3DRS_ALPHAREF, 0x90);
     }},
    {D3DRS_ALPHAFUNC, D3DCMP_LESS, Stage::kOver,
     [](IDirect3DDevice9* d) {
       d->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
       d->SetRenderState(D3DRS_ALPHAREF, 0x80);
     }},
    {D3DRS_ALPHAREF, 0x81, Stage::kOver,
     [](IDirect3DDevice9* d) {
       d->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
       d->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
     }},
    {D3DRS_SRCBLEND, D3DBLEND_ZERO, Stage::kOver,
     [](IDirect3DDevice9* d) { d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE); }},
    {D3DRS_DESTBLEND, D3DBLEND_ONE, Stage::kOver,
     [](IDirect3DDevice9* d) { d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE); }},
    {D3DRS_CULLMODE, D3DCULL_CW, Stage::kOver, nullptr},
    {D3DRS_ZFUNC, D3DCMP_GREATER, Stage::kBehind, nullptr},
    {D3DRS_ALPHABLENDENABLE, TRUE, Stage::kOver,
     [](IDirect3DDevice9* d) {
       d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
       d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
     }},
    {D3DRS_TEXTUREFACTOR, 0xff00ff00, Stage::kOver,
     [](IDirect3DDevice9* d) {
       d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
       d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TFACTOR);
     }},
    {D3DRS_LIGHTING, TRUE, Stage::kOver, nullptr},
    {D3DRS_AMBIENT, 0xff808080, Stage::kOver,
     [](IDirect3DDevice9* d) { d->SetRenderState(D3DRS_LIGHTING, TRUE); }},
    {D3DRS_COLORVERTEX, FALSE, Stage::kOver,
     [](IDirect3DDevice9* d) {
       Lit(d);
       Blend(d);
     }},
    {D3DRS_MULTISAMPLEANTIALIAS, FALSE, Stage::kOver, nullptr},
    {D3DRS_COLORWRITEENABLE, D3DCOLORWRITEENABLE_RED, Stage::kOver, nullptr},
    {D3DRS_BLENDOP, D3DBLENDOP_REVSUBTRACT, Stage::kOver, Blend},
    {D3DRS_SCISSORTESTENABLE, TRUE, Stage::kOver,
     [](IDirect3DDevice9* d) {
       RECT r = {0, 0, 20, 20};
       d->SetScissorRect(&r);
     }},
    {D3DRS_SLOPESCALEDEPTHBIAS, Bits(1000.f), Stage::kBehind, nullptr},
    {D3DRS_DEPTHBIAS, Bits(-0.4f), Stage::kBehind, nullptr},
    {D3DRS_BLENDFACTOR, 0xff000000, Stage::kOver,
     [](IDirect3DDevice9* d) {
       d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
       d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_BLENDFACTOR);
     }},
    {D3DRS_SEPARATEALPHABLENDENABLE, TRUE, Stage::kOver,
     [](IDirect3DDevice9* d) {
       Blend(d);
       d->SetRenderState(D3DRS_SRCBLENDALPHA, D3DBLEND_ZERO);
     }},
    {D3DRS_SRCBLENDALPHA, D3DBLEND_ZERO, Stage::kOver,
     [](IDirect3DDevice9* d) {
       Blend(d);
       d->SetRenderState(D3DRS_SEPARATEALPHABLENDENABLE, TRUE);
     }},
    {D3DRS_DESTBLENDALPHA, D3DBLEND_ONE, Stage::kOver,
     [](IDirect3DDevice9* d) {
       Blend(d);
       d->SetRenderState(D3DRS_SEPARATEALPHABLENDENABLE, TRUE);
     }},
    {D3DRS_BLENDOPALPHA, D3DBLENDOP_REVSUBTRACT, Stage::kOver,
     [](IDirect3DDevice9* d) {
       Blend(d);
       d->SetRenderState(D3DRS_SEPARATEALPHABLENDENABLE, TRUE);
     }},
};

// Every render state the headers declare (d3d9types.h), by value.
const DWORD kAllRenderStates[] = {
    7,   8,   9,   14,  15,  16,  19,  20,  22,  23,  24,  25,  26,  27,  28,  29,  34,  35,  36,  37,  38,
    48,  52,  53,  54,  55,  56,  57,  58,  59,  60,  128, 129, 130, 131, 132, 133, 134, 135, 136, 137, 139,
    140, 141, 142, 143, 145, 146, 147, 148, 151, 152, 154, 155, 156, 157, 158, 159, 160, 161, 162, 163, 165,
    166, 167, 168, 170, 171, 172, 173, 174, 175, 176, 178, 179, 180, 181, 182, 183, 184, 185, 186, 187, 188,
    189, 190, 191, 192, 193, 194, 195, 198, 199, 200, 201, 202, 203, 204, 205, 206, 207, 208, 209,
};

class D3D9States : public ::testing::Test {
 protected:
  void SetUp() override { platform_testing::Reset(); }
  void TearDown() override { platform_testing::Reset(); }
};

TEST_F(D3D9States, EveryRenderStateIsAppliedOrRefused) {
  std::set<DWORD> applied;
  for (const Applied& a : kApplied) {
    applied.insert(a.state);
    Picture without = Render(a, false), with = Render(a, true);
    EXPECT_GT(Difference(without, with), 2000.0) << "state " << a.state << " = " << a.value << " left the picture as it was";
    if (::testing::Test::HasFailure()) {
      testsupport::WritePng(with, "state_" + std::to_string(a.state) + ".png");
    }
  }
  Scene s;
  ASSERT_TRUE(s.Open()) << s.td.error;
  for (DWORD state : kAllRenderStates) {
    if (applied.count(state)) continue;
    auto type = static_cast<D3DRENDERSTATETYPE>(state);
    DWORD initial = 0;
    ASSERT_EQ(D3D_OK, s.dev->GetRenderState(type, &initial));
    EXPECT_EQ(D3D_OK, s.dev->SetRenderState(type, initial)) << "state " << state << ": its default is what it shows";
    EXPECT_EQ(D3DERR_INVALIDCALL, s.dev->SetRenderState(type, initial + 1)) << "state " << state << " is not applied";
    DWORD after = 0;
    s.dev->GetRenderState(type, &after);
    EXPECT_EQ(initial, after) << "state " << state;
  }
}

TEST_F(D3D9States, TextureStagesBeyondWhatIsDrawnAreRefused) {
  Scene s;
  ASSERT_TRUE(s.Open()) << s.td.error;
  struct Case {
    DWORD stage;
    D3DTEXTURESTAGESTATETYPE type;
    DWORD value;
    HRESULT expected;
  };
  const Case cases[] = {
      {0, D3DTSS_COLOROP, D3DTOP_SELECTARG2, D3D_OK},
      {0, D3DTSS_ALPHAOP, D3DTOP_MODULATE, D3D_OK},
      {0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE, D3D_OK},
      {0, D3DTSS_COLORARG1, D3DTA_SPECULAR, D3DERR_INVALIDCALL},  // no specular colour is drawn
      {0, D3DTSS_TEXCOORDINDEX, 1, D3DERR_INVALIDCALL},
      {0, D3DTSS_TEXTURETRANSFORMFLAGS, 2, D3DERR_INVALIDCALL},
      {1, D3DTSS_COLOROP, D3DTOP_MODULATE, D3DERR_INVALIDCALL},  // stage 1 is never combined
      {1, D3DTSS_COLOROP, D3DTOP_DISABLE, D3D_OK},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.expected, s.dev->SetTextureStageState(c.stage, c.type, c.value))
        << "stage " << c.stage << " state " << c.type << " = " << c.value;
  }
}

// Direct3D draws nothing of an alpha-0 quad under alpha test GREATER 0x80, and all of an
// alpha-0xff one; with stage 0 modulating alpha, the vertex alpha joins the texture's.
TEST_F(D3D9States, AlphaTestAndModulatedAlphaDecidePixels) {
  Scene s;
  ASSERT_TRUE(s.Open()) << s.td.error;
  IDirect3DDevice9* d = s.dev;
  IDirect3DTexture9* texture = nullptr;
  ASSERT_EQ(D3D_OK, d->CreateTexture(2, 2, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr));
  D3DLOCKED_RECT r;
  ASSERT_EQ(D3D_OK, texture->LockRect(0, &r, nullptr, 0));
  for (int i = 0; i < 4; ++i) static_cast<uint32_t*>(r.pBits)[i] = 0xffffffff;
  texture->UnlockRect(0);
  d->SetRenderState(D3DRS_ZENABLE, FALSE);
  d->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
  d->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
  d->SetRenderState(D3DRS_ALPHAREF, 0x80);
  d->BeginScene();
  d->Clear(0, nullptr, D3DCLEAR_TARGET, 0xff000000, 1.f, 0);
  s.Triangle(-1.f, 1.f, 0.f, -3.f, 0.5f, 0.5f, 0x00ffffff);   // left half: alpha 0, fails
  s.Triangle(0.f, 1.f, 2.f, -3.f, 0.5f, 0.5f, 0xff0000ff);    // right half: alpha 0xff, passes
  d->SetTexture(0, texture);
  d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);  // texture alpha 1 x vertex alpha
  s.Triangle(0.f, 1.f, 2.f, -3.f, 0.5f, 0.5f, 0x40ff0000);     // alpha 0x40: fails, blue stays
  d->EndScene();
  Picture p = s.Read();
  EXPECT_TRUE(testsupport::Near(testsupport::AverageColor(p, 4, 4, 56, 40), 0xff000000, 4))
      << testsupport::Describe(testsupport::AverageColor(p, 4, 4, 56, 40));
  EXPECT_TRUE(testsupport::Near(testsupport::AverageColor(p, 72, 4, 124, 40), 0xff0000ff, 4))
      << testsupport::Describe(testsupport::AverageColor(p, 72, 4, 124, 40));
  d->SetTexture(0, nullptr);
  texture->Release();
}

// An effect pass sets the alpha test as the fixed function does.
TEST_F(D3D9States, EffectPassAppliesAlphaTest) {
  Scene s;
  ASSERT_TRUE(s.Open()) << s.td.error;
  std::string path = std::string(QOLA_SOURCE_DIR) + "/tests/data/fx/alpha_test.fx";
  ID3DXEffect* effect = nullptr;
  ID3DXBuffer* errors = nullptr;
  ASSERT_EQ(D3D_OK, D3DXCreateEffectFromFileA(s.dev, path.c_str(), nullptr, nullptr, 0, nullptr, &effect, &errors))
      << (errors ? static_cast<const char*>(errors->GetBufferPointer()) : "");
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  effect->SetMatrix("Matrix", &identity);
  s.dev->BeginScene();
  s.dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff000000, 1.f, 0);
  UINT passes = 0;
  ASSERT_EQ(D3D_OK, effect->Begin(&passes, 0));
  effect->BeginPass(0);
  const float kept[4] = {0.f, 1.f, 0.f, 0.75f}, dropped[4] = {1.f, 0.f, 0.f, 0.25f};
  effect->SetFloatArray("g_vColor", kept, 4);
  effect->CommitChanges();
  s.Triangle(-1.f, 1.f, 0.f, -3.f, 0.5f, 0.5f, 0xffffffff);
  effect->SetFloatArray("g_vColor", dropped, 4);
  effect->CommitChanges();
  s.Triangle(0.f, 1.f, 2.f, -3.f, 0.5f, 0.5f, 0xffffffff);
  effect->EndPass();
  effect->End();
  s.dev->EndScene();
  DWORD enabled = TRUE;
  s.dev->GetRenderState(D3DRS_ALPHATESTENABLE, &enabled);
  EXPECT_EQ(static_cast<DWORD>(FALSE), enabled) << "End restores the alpha test";
  Picture p = s.Read();
  EXPECT_TRUE(testsupport::Near(testsupport::AverageColor(p, 4, 4, 40, 30), 0xff00ff00, 4))
      << testsupport::Describe(testsupport::AverageColor(p, 4, 4, 40, 30));
  EXPECT_TRUE(testsupport::Near(testsupport::AverageColor(p, 72, 4, 110, 30), 0xff000000, 4))
      << testsupport::Describe(testsupport::AverageColor(p, 72, 4, 110, 30));
  effect->Release();
}

// No draw may fetch past its buffers: each case is refused and the picture stays as cleared.
TEST_F(D3D9States, DrawsThatWouldReadPastTheirBuffersAreRefused) {
  Scene s;
  ASSERT_TRUE(s.Open()) << s.td.error;
  IDirect3DDevice9* d = s.dev;
  IDirect3DIndexBuffer9* ib = nullptr;
  ASSERT_EQ(D3D_OK, d->CreateIndexBuffer(6 * sizeof(WORD), 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib, nullptr));
  WORD* idx = nullptr;
  ASSERT_EQ(D3D_OK, ib->Lock(0, 0, reinterpret_cast<void**>(&idx), 0));
  const WORD order[6] = {0, 1, 2, 0, 1, 70};  // the last index is past the 64-vertex buffer
  std::memcpy(idx, order, sizeof order);
  ib->Unlock();
  d->SetIndices(ib);
  d->BeginScene();
  struct Case {
    const char* what;
    INT base;
    UINT minIndex, numVertices, start, count;
    HRESULT expected;
  };
  const Case cases[] = {
      {"a good draw", 0, 0, 3, 0, 1, D3D_OK},
      {"base vertex moves the range past the buffer", 62, 0, 3, 0, 1, D3DERR_INVALIDCALL},
      {"min index plus vertex count past the buffer", 0, 60, 5, 0, 1, D3DERR_INVALIDCALL},
      {"an index past the buffer", 0, 0, 64, 3, 1, D3DERR_INVALIDCALL},
      {"an index outside [min, min + count)", 0, 0, 2, 0, 1, D3DERR_INVALIDCALL},
      {"an index below min", 0, 1, 3, 0, 1, D3DERR_INVALIDCALL},
      {"indices past the index buffer", 0, 0, 3, 3, 2, D3DERR_INVALIDCALL},
      {"negative base vertex below zero", -1, 0, 3, 0, 1, D3DERR_INVALIDCALL},
      {"negative base vertex: index 0 lies below min index 1", -1, 1, 3, 0, 1, D3DERR_INVALIDCALL},
      {"no vertices", 0, 0, 0, 0, 1, D3DERR_INVALIDCALL},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.expected, d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, c.base, c.minIndex, c.numVertices, c.start,
                                                  c.count))
        << c.what;
  }
  // DrawPrimitive: the last vertex, or a stride shorter than the format, past the buffer.
  EXPECT_EQ(D3D_OK, d->DrawPrimitive(D3DPT_TRIANGLELIST, 61, 1));
  EXPECT_EQ(D3DERR_INVALIDCALL, d->DrawPrimitive(D3DPT_TRIANGLELIST, 62, 1));
  d->SetStreamSource(0, s.vb, 8, sizeof(Vertex));
  EXPECT_EQ(D3DERR_INVALIDCALL, d->DrawPrimitive(D3DPT_TRIANGLELIST, 61, 1)) << "an offset moves the end";
  d->EndScene();
  d->SetIndices(nullptr);
  ib->Release();
}

}  // namespace

namespace {

// Direct3D adds the bias to the depth itself. A bias of 5e-6 is a third of a D16 step (the
// second quad still passes LESSEQUAL against the first) but 84 steps of a 24-bit buffer (it
// falls behind), so the bias must be scaled by the bound surface's format.
TEST_F(D3D9States, DepthBiasIsScaledByTheBoundDepthFormat) {
  struct Case {
    D3DFORMAT format;
    D3DCOLOR expected;
  };
  const Case cases[] = {{D3DFMT_D16, 0xffff0000}, {D3DFMT_D24X8, 0xff00ff00}, {D3DFMT_D24S8, 0xff00ff00}};
  for (const Case& c : cases) {
    testsupport::TestDevice td;
    ASSERT_TRUE(testsupport::CreateTestDevice(&td, kWidth, kHeight, 0)) << td.error;
    IDirect3DDevice9* d = td.device;
    IDirect3DSurface9* depth = nullptr;
    IDirect3DVertexBuffer9* vb = nullptr;
    ASSERT_EQ(D3D_OK, d->CreateDepthStencilSurface(kWidth, kHeight, c.format, D3DMULTISAMPLE_NONE, 0, TRUE, &depth,
                                                   nullptr));
    ASSERT_EQ(D3D_OK, d->CreateVertexBuffer(6 * sizeof(Vertex), 0, kFvf, D3DPOOL_MANAGED, &vb, nullptr));
    Vertex* v = nullptr;
    vb->Lock(0, 0, reinterpret_cast<void**>(&v), 0);
    const Vertex quads[6] = {{-1, 1, 0.5f, 0xff00ff00, 0, 0}, {3, 1, 0.5f, 0xff00ff00, 0, 0},
                             {-1, -3, 0.5f, 0xff00ff00, 0, 0}, {-1, 1, 0.5f, 0xffff0000, 0, 0},
                             {3, 1, 0.5f, 0xffff0000, 0, 0},   {-1, -3, 0.5f, 0xffff0000, 0, 0}};
    std::memcpy(v, quads, sizeof quads);
    vb->Unlock();
    d->SetDepthStencilSurface(depth);
    d->SetRenderState(D3DRS_LIGHTING, FALSE);
    d->SetFVF(kFvf);
    d->SetStreamSource(0, vb, 0, sizeof(Vertex));
    d->BeginScene();
    d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff000000, 1.f, 0);
    d->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1);
    d->SetRenderState(D3DRS_DEPTHBIAS, Bits(5e-6f));
    d->DrawPrimitive(D3DPT_TRIANGLELIST, 3, 1);
    d->EndScene();
    Picture p;
    ASSERT_TRUE(testsupport::ReadBackBuffer(d, &p));
    EXPECT_TRUE(testsupport::Near(testsupport::AverageColor(p, 8, 8, 120, 88), c.expected, 4))
        << "format " << c.format << ": " << testsupport::Describe(testsupport::AverageColor(p, 8, 8, 120, 88));
    d->SetStreamSource(0, nullptr, 0, 0);
    d->SetDepthStencilSurface(nullptr);
    vb->Release();
    depth->Release();
  }
}

}  // namespace
