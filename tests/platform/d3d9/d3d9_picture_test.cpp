// d3d9_picture_test.cpp -- what the OpenGL device draws, read back through GetRenderTargetData
#include <d3d9.h>
#include <d3dx9tex.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <initializer_list>

#include "platform/testing/testing.h"
#include "tests/support/picture.h"

using testsupport::AverageColor;
using testsupport::Near;
using testsupport::Picture;
using testsupport::Rgba;

namespace {

constexpr int kSize = 64;

struct ColorVertex {  // D3DFVF_XYZ | D3DFVF_DIFFUSE
  float x, y, z;
  D3DCOLOR color;
};
struct ScreenVertex {  // D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1
  float x, y, z, rhw;
  D3DCOLOR color;
  float u, v;
};
constexpr DWORD kColorFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE;
constexpr DWORD kScreenFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

class D3D9Picture : public ::testing::Test {
 protected:
  void SetUp() override {
    platform_testing::Reset();
    ASSERT_TRUE(testsupport::CreateTestDevice(&td_, kSize, kSize, samples())) << td_.error;
    dev_ = td_.device;
    dev_->SetRenderState(D3DRS_LIGHTING, FALSE);
  }
  void TearDown() override {
    for (IDirect3DVertexBuffer9* vb : buffers_) vb->Release();
    platform_testing::Reset();
  }
  virtual int samples() { return 0; }

  template <typename V>
  void Draw(const V* vertices, UINT count, DWORD fvf, D3DPRIMITIVETYPE type, UINT primitives) {
    IDirect3DVertexBuffer9* vb = nullptr;
    ASSERT_EQ(D3D_OK, dev_->CreateVertexBuffer(sizeof(V) * count, D3DUSAGE_WRITEONLY, fvf, D3DPOOL_MANAGED, &vb,
                                               nullptr));
    void* data = nullptr;
    ASSERT_EQ(D3D_OK, vb->Lock(0, 0, &data, 0));
    std::memcpy(data, vertices, sizeof(V) * count);
    ASSERT_EQ(D3D_OK, vb->Unlock());
    buffers_.push_back(vb);
    ASSERT_EQ(D3D_OK, dev_->SetFVF(fvf));
    ASSERT_EQ(D3D_OK, dev_->SetStreamSource(0, vb, 0, sizeof(V)));
    ASSERT_EQ(D3D_OK, dev_->BeginScene());
    ASSERT_EQ(D3D_OK, dev_->DrawPrimitive(type, 0, primitives));
    ASSERT_EQ(D3D_OK, dev_->EndScene());
  }

  // A screen-space rectangle in pixels, as a two-triangle clockwise list.
  void DrawRect(float x0, float y0, float x1, float y1, D3DCOLOR color, float z = 0.5f) {
    ScreenVertex v[6] = {{x0, y0, z, 1, color, 0, 0}, {x1, y0, z, 1, color, 1, 0}, {x0, y1, z, 1, color, 0, 1},
                         {x1, y0, z, 1, color, 1, 0}, {x1, y1, z, 1, color, 1, 1}, {x0, y1, z, 1, color, 0, 1}};
    Draw(v, 6, kScreenFvf, D3DPT_TRIANGLELIST, 2);
  }

  Picture Read() {
    Picture p;
    EXPECT_TRUE(testsupport::ReadBackBuffer(dev_, &p));
    return p;
  }

  testsupport::TestDevice td_;
  IDirect3DDevice9* dev_ = nullptr;
  std::vector<IDirect3DVertexBuffer9*> buffers_;
};

TEST_F(D3D9Picture, ClearFillsTheTargetAndRectanglesOnlyTheirArea) {
  ASSERT_EQ(D3D_OK, dev_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, D3DCOLOR_XRGB(10, 200, 30), 1.f, 0));
  D3DRECT r = {0, 0, kSize / 2, kSize / 2};  // top-left quarter
  ASSERT_EQ(D3D_OK, dev_->Clear(1, &r, D3DCLEAR_TARGET, D3DCOLOR_XRGB(255, 0, 0), 1.f, 0));
  Picture p = Read();
  testsupport::WritePng(p, "d3d9_clear.png");
  EXPECT_TRUE(Near(AverageColor(p, 0, 0, 32, 32), D3DCOLOR_XRGB(255, 0, 0), 1)) << Describe(AverageColor(p, 0, 0, 32, 32));
  EXPECT_TRUE(Near(AverageColor(p, 32, 0, 64, 64), D3DCOLOR_XRGB(10, 200, 30), 1));
  EXPECT_TRUE(Near(AverageColor(p, 0, 32, 32, 64), D3DCOLOR_XRGB(10, 200, 30), 1));
}

// A triangle covering the left half; drawn or culled by its winding and the cull mode.
TEST_F(D3D9Picture, WindingAndCullModeDecideWhatIsDrawn) {
  struct Case {
    const char* name;
    bool clockwise;
    DWORD cull;
    bool drawn;
  };
  const Case cases[] = {
      {"clockwise, default cull (CCW)", true, D3DCULL_CCW, true},
      {"counter-clockwise, default cull", false, D3DCULL_CCW, false},
      {"clockwise, cull CW", true, D3DCULL_CW, false},
      {"counter-clockwise, cull CW", false, D3DCULL_CW, true},
      {"counter-clockwise, no culling", false, D3DCULL_NONE, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // Clip space, y up: top-left, top-middle, bottom-left is clockwise on the screen.
    ColorVertex cw[3] = {{-1, 1, 0.5f, 0xffffffff}, {0, 1, 0.5f, 0xffffffff}, {-1, -1, 0.5f, 0xffffffff}};
    ColorVertex ccw[3] = {cw[0], cw[2], cw[1]};
    dev_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.f, 0);
    dev_->SetRenderState(D3DRS_CULLMODE, c.cull);
    Draw(c.clockwise ? cw : ccw, 3, kColorFvf, D3DPT_TRIANGLELIST, 1);
    Picture p = Read();
    testsupport::Rgba inside = AverageColor(p, 2, 2, 12, 12);  // near the top-left corner
    EXPECT_TRUE(Near(inside, c.drawn ? 0xffffffff : 0, 2)) << Describe(inside);
    EXPECT_TRUE(Near(AverageColor(p, 40, 0, 64, 64), 0, 1));  // right half never drawn
  }
}

TEST_F(D3D9Picture, WorldTranslationUsesRowVectors) {
  // Translation sits in the fourth row; x moves by +1 (half the screen) to the right.
  D3DMATRIX world = {};
  world._11 = world._22 = world._33 = world._44 = 1.f;
  world._41 = 1.f;
  world._12 = 0.f;
  ASSERT_EQ(D3D_OK, dev_->SetTransform(D3DTS_WORLD, &world));
  D3DMATRIX back;
  ASSERT_EQ(D3D_OK, dev_->GetTransform(D3DTS_WORLD, &back));
  EXPECT_EQ(0, std::memcmp(&world, &back, sizeof world));
  dev_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  dev_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.f, 0);
  ColorVertex quad[4] = {{-1, 1, 0.5f, 0xff00ff00}, {0, 1, 0.5f, 0xff00ff00}, {-1, -1, 0.5f, 0xff00ff00},
                         {0, -1, 0.5f, 0xff00ff00}};
  Draw(quad, 4, kColorFvf, D3DPT_TRIANGLESTRIP, 2);
  Picture p = Read();
  EXPECT_TRUE(Near(AverageColor(p, 0, 0, 30, 64), 0, 1));
  EXPECT_TRUE(Near(AverageColor(p, 34, 0, 64, 64), 0xff00ff00, 1)) << Describe(AverageColor(p, 34, 0, 64, 64));
}

TEST_F(D3D9Picture, ScreenSpaceQuadCoversExactlyItsPixels) {
  dev_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.f, 0);
  DrawRect(10, 20, 11, 21, 0xffffffff);  // one pixel: column 10, row 20 from the top
  DrawRect(40, 5, 44, 9, 0xffff0000);    // four by four
  Picture p = Read();
  int lit = 0;
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      if (p.at(x, y)[1] > 128) ++lit;
    }
  }
  EXPECT_EQ(1, lit);
  EXPECT_EQ(255, p.at(10, 20)[1]);
  EXPECT_TRUE(Near(AverageColor(p, 40, 5, 44, 9), 0xffff0000, 0));
  EXPECT_TRUE(Near(AverageColor(p, 39, 4, 40, 10), 0, 0));
  EXPECT_TRUE(Near(AverageColor(p, 44, 4, 45, 10), 0, 0));
}

TEST_F(D3D9Picture, DepthTestAgainstTheD16Buffer) {
  dev_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.f, 0);
  DrawRect(0, 0, 64, 64, 0xff00ff00, 0.2f);  // near
  DrawRect(0, 0, 64, 32, 0xffff0000, 0.8f);  // far, top half: hidden
  dev_->SetRenderState(D3DRS_ZFUNC, D3DCMP_ALWAYS);
  DrawRect(0, 32, 64, 64, 0xff0000ff, 0.9f);  // far but always passes, bottom half
  Picture p = Read();
  EXPECT_TRUE(Near(AverageColor(p, 0, 0, 64, 32), 0xff00ff00, 1)) << Describe(AverageColor(p, 0, 0, 64, 32));
  EXPECT_TRUE(Near(AverageColor(p, 0, 32, 64, 64), 0xff0000ff, 1));
  // With z writes off the far quad passed but left depth alone: a near-ish quad still draws.
  dev_->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
  dev_->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
  dev_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.f, 0);
  DrawRect(0, 0, 64, 64, 0xff00ff00, 0.2f);
  DrawRect(0, 0, 64, 64, 0xffff0000, 0.5f);
  Picture q = Read();
  EXPECT_TRUE(Near(AverageColor(q, 0, 0, 64, 64), 0xffff0000, 1));
}

TEST_F(D3D9Picture, TexturedQuadShowsTheImagesTopLeftAtTheTopLeft) {
  // 2 x 2 image: red, green / blue, white.
  std::vector<uint8_t> rgba = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255};
  ASSERT_TRUE(testsupport::WritePngRgba("d3d9_quads.png", 2, 2, rgba));
  IDirect3DTexture9* tex = nullptr;
  ASSERT_EQ(D3D_OK, D3DXCreateTextureFromFileA(dev_, "d3d9_quads.png", &tex));
  EXPECT_EQ(2u, tex->GetLevelCount());  // 2x2 and 1x1
  ASSERT_EQ(D3D_OK, dev_->SetTexture(0, tex));
  dev_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.f, 0);
  DrawRect(0, 0, 64, 64, 0xffffffff);
  Picture p = Read();
  testsupport::WritePng(p, "d3d9_textured.png");
  EXPECT_TRUE(Near(AverageColor(p, 4, 4, 28, 28), 0xffff0000, 1)) << Describe(AverageColor(p, 4, 4, 28, 28));
  EXPECT_TRUE(Near(AverageColor(p, 36, 4, 60, 28), 0xff00ff00, 1));
  EXPECT_TRUE(Near(AverageColor(p, 4, 36, 28, 60), 0xff0000ff, 1));
  EXPECT_TRUE(Near(AverageColor(p, 36, 36, 60, 60), 0xffffffff, 1));
  // The diffuse colour modulates the texture.
  dev_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.f, 0);
  DrawRect(0, 0, 64, 64, D3DCOLOR_XRGB(128, 128, 128));
  Picture half = Read();
  EXPECT_TRUE(Near(AverageColor(half, 36, 36, 60, 60), D3DCOLOR_XRGB(128, 128, 128), 2));
  dev_->SetTexture(0, nullptr);
  EXPECT_EQ(0u, tex->Release());
}

// A managed A8R8G8B8 texture of `colors.size()` levels, level i filled with colors[i].
IDirect3DTexture9* LevelsOf(IDirect3DDevice9* dev, UINT size, std::initializer_list<D3DCOLOR> colors) {
  IDirect3DTexture9* tex = nullptr;
  UINT levels = static_cast<UINT>(colors.size());
  if (FAILED(dev->CreateTexture(size, size, levels, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex, nullptr))) return nullptr;
  UINT i = 0;
  for (D3DCOLOR c : colors) {
    D3DSURFACE_DESC d;
    D3DLOCKED_RECT r;
    tex->GetLevelDesc(i, &d);
    if (FAILED(tex->LockRect(i, &r, nullptr, 0))) break;
    for (UINT y = 0; y < d.Height; ++y) {
      auto* row = reinterpret_cast<D3DCOLOR*>(static_cast<uint8_t*>(r.pBits) + y * r.Pitch);
      std::fill(row, row + d.Width, c);
    }
    tex->UnlockRect(i++);
  }
  return tex;
}

// Creating or filling a texture between draws binds it on a unit of its own: the stage keeps its texture.
TEST_F(D3D9Picture, TextureUploadsBetweenDrawsLeaveTheStagesTexture) {
  IDirect3DTexture9* red = LevelsOf(dev_, 2, {0xffff0000});
  ASSERT_NE(nullptr, red);
  dev_->SetTexture(0, red);
  dev_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.f, 0);
  DrawRect(0, 0, 64, 64, 0xffffffff);
  EXPECT_TRUE(Near(AverageColor(Read(), 0, 0, 64, 64), 0xffff0000, 1));
  IDirect3DTexture9* green = LevelsOf(dev_, 2, {0xff00ff00});
  ASSERT_NE(nullptr, green);
  dev_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.f, 0);
  DrawRect(0, 0, 64, 64, 0xffffffff);
  Rgba after = AverageColor(Read(), 0, 0, 64, 64);
  EXPECT_TRUE(Near(after, 0xffff0000, 1)) << Describe(after);
  dev_->SetTexture(0, nullptr);
  green->Release();
  red->Release();
}

// A managed texture's LOD is its most detailed level, for magnification and without mip
// filtering too; with D3DSAMP_MAXMIPLEVEL the higher level number wins. The rows run in order
// on one bound texture, so a LOD change alone must reach the sampler.
TEST_F(D3D9Picture, TextureLodAndMaxMipLevelChooseTheLevelDrawn) {
  IDirect3DTexture9* tex = LevelsOf(dev_, 4, {0xffff0000, 0xff00ff00, 0xff0000ff});
  ASSERT_NE(nullptr, tex);
  ASSERT_EQ(D3D_OK, dev_->SetTexture(0, tex));
  struct Case {
    DWORD lod;
    D3DTEXTUREFILTERTYPE mipFilter;
    DWORD maxMipLevel;
    D3DCOLOR expected;
  };
  const Case cases[] = {
      {0, D3DTEXF_NONE, 0, 0xffff0000},
      {1, D3DTEXF_NONE, 0, 0xff00ff00},
      {9, D3DTEXF_NONE, 0, 0xff0000ff},  // clamped to the last level
      {1, D3DTEXF_POINT, 0, 0xff00ff00},
      {1, D3DTEXF_POINT, 1, 0xff00ff00},  // the larger of the two, not their sum
      {1, D3DTEXF_POINT, 2, 0xff0000ff},
      {0, D3DTEXF_POINT, 2, 0xff0000ff},  // only the LOD changed
      {2, D3DTEXF_LINEAR, 1, 0xff0000ff},
      {0, D3DTEXF_LINEAR, 0, 0xffff0000},
  };
  for (const Case& c : cases) {
    tex->SetLOD(c.lod);
    dev_->SetSamplerState(0, D3DSAMP_MIPFILTER, c.mipFilter);
    dev_->SetSamplerState(0, D3DSAMP_MAXMIPLEVEL, c.maxMipLevel);
    dev_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.f, 0);
    DrawRect(0, 0, 64, 64, 0xffffffff);
    Rgba got = AverageColor(Read(), 0, 0, 64, 64);
    EXPECT_TRUE(Near(got, c.expected, 1)) << "LOD " << c.lod << ", mip filter " << c.mipFilter << ", max mip level "
                                          << c.maxMipLevel << ": " << Describe(got);
  }
  dev_->SetTexture(0, nullptr);
  EXPECT_EQ(0u, tex->Release());
}

TEST_F(D3D9Picture, RenderIntoR32FThenSampleIt) {
  IDirect3DTexture9* map = nullptr;
  ASSERT_EQ(D3D_OK, D3DXCreateTexture(dev_, 32, 32, 1, D3DUSAGE_RENDERTARGET, D3DFMT_R32F, D3DPOOL_DEFAULT, &map));
  IDirect3DSurface9* depth = nullptr;
  ASSERT_EQ(D3D_OK, dev_->CreateDepthStencilSurface(32, 32, D3DFMT_D16, D3DMULTISAMPLE_NONE, 0, TRUE, &depth,
                                                    nullptr));
  IDirect3DSurface9* level = nullptr;
  ASSERT_EQ(D3D_OK, map->GetSurfaceLevel(0, &level));
  IDirect3DSurface9 *oldTarget = nullptr, *oldDepth = nullptr;
  ASSERT_EQ(D3D_OK, dev_->GetRenderTarget(0, &oldTarget));
  ASSERT_EQ(D3D_OK, dev_->GetDepthStencilSurface(&oldDepth));
  ASSERT_EQ(D3D_OK, dev_->SetRenderTarget(0, level));
  ASSERT_EQ(D3D_OK, dev_->SetDepthStencilSurface(depth));
  dev_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.f, 0);
  DrawRect(0, 0, 16, 32, D3DCOLOR_XRGB(64, 0, 0));  // left half 64/255
  std::vector<float> values;
  int w = 0, h = 0;
  ASSERT_TRUE(testsupport::ReadFloatSurface(dev_, level, &values, &w, &h));
  ASSERT_EQ(32, w);
  EXPECT_NEAR(64.f / 255.f, values[5 * 32 + 3], 1e-3);
  EXPECT_EQ(0.f, values[5 * 32 + 20]);
  level->Release();
  ASSERT_EQ(D3D_OK, dev_->SetRenderTarget(0, oldTarget));
  ASSERT_EQ(D3D_OK, dev_->SetDepthStencilSurface(oldDepth));
  oldTarget->Release();
  oldDepth->Release();
  // Sampled: red is the stored value, green and blue read as one.
  dev_->SetTexture(0, map);
  dev_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.f, 0);
  DrawRect(0, 0, 64, 64, 0xffffffff);
  Picture p = Read();
  EXPECT_TRUE(Near(AverageColor(p, 4, 4, 28, 60), D3DCOLOR_XRGB(64, 255, 255), 2))
      << Describe(AverageColor(p, 4, 4, 28, 60));
  EXPECT_TRUE(Near(AverageColor(p, 36, 4, 60, 60), D3DCOLOR_XRGB(0, 255, 255), 2));
  dev_->SetTexture(0, nullptr);
  map->Release();
  depth->Release();
}

TEST_F(D3D9Picture, SetRenderTargetResetsTheViewportAndRefusesOtherSurfaces) {
  D3DVIEWPORT9 small = {8, 8, 16, 16, 0.f, 1.f};
  ASSERT_EQ(D3D_OK, dev_->SetViewport(&small));
  IDirect3DSurface9* back = nullptr;
  ASSERT_EQ(D3D_OK, dev_->GetRenderTarget(0, &back));
  ASSERT_EQ(D3D_OK, dev_->SetRenderTarget(0, back));
  D3DVIEWPORT9 vp;
  dev_->GetViewport(&vp);
  EXPECT_EQ(0u, vp.X);
  EXPECT_EQ(static_cast<DWORD>(kSize), vp.Width);
  EXPECT_EQ(static_cast<DWORD>(kSize), vp.Height);
  IDirect3DSurface9 *depth = nullptr, *plain = nullptr;
  dev_->GetDepthStencilSurface(&depth);
  dev_->CreateOffscreenPlainSurface(4, 4, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &plain, nullptr);
  EXPECT_EQ(D3DERR_INVALIDCALL, dev_->SetRenderTarget(0, depth));
  EXPECT_EQ(D3DERR_INVALIDCALL, dev_->SetRenderTarget(0, plain));
  EXPECT_EQ(D3DERR_INVALIDCALL, dev_->SetRenderTarget(0, nullptr));
  // A viewport clips drawing and Clear.
  ASSERT_EQ(D3D_OK, dev_->SetViewport(&small));
  dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xffffffff, 1.f, 0);
  Picture p = Read();
  EXPECT_TRUE(Near(AverageColor(p, 8, 8, 24, 24), 0xffffffff, 0));
  EXPECT_TRUE(Near(AverageColor(p, 30, 30, 64, 64), 0, 0));
  plain->Release();
  depth->Release();
  back->Release();
}

TEST_F(D3D9Picture, AlphaBlendAndColorWriteMask) {
  dev_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, D3DCOLOR_XRGB(0, 0, 200), 1.f, 0);
  dev_->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
  dev_->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  dev_->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  dev_->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  DrawRect(0, 0, 32, 64, D3DCOLOR_ARGB(64, 255, 0, 0));  // a quarter of red over blue
  dev_->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  dev_->SetRenderState(D3DRS_COLORWRITEENABLE, D3DCOLORWRITEENABLE_GREEN);
  DrawRect(32, 0, 64, 64, 0xffffffff);  // only green is written
  dev_->SetRenderState(D3DRS_COLORWRITEENABLE, 0xf);
  Picture p = Read();
  EXPECT_TRUE(Near(AverageColor(p, 0, 0, 32, 64), D3DCOLOR_XRGB(64, 0, 150), 2)) << Describe(AverageColor(p, 0, 0, 32, 64));
  EXPECT_TRUE(Near(AverageColor(p, 32, 0, 64, 64), D3DCOLOR_XRGB(0, 255, 200), 1));
}

TEST_F(D3D9Picture, LightingWithoutLightsDrawsBlack) {
  dev_->SetRenderState(D3DRS_LIGHTING, TRUE);
  dev_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  dev_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, D3DCOLOR_XRGB(90, 90, 90), 1.f, 0);
  ColorVertex quad[4] = {{-1, 1, 0.5f, 0xffffffff}, {1, 1, 0.5f, 0xffffffff}, {-1, -1, 0.5f, 0xffffffff},
                         {1, -1, 0.5f, 0xffffffff}};
  Draw(quad, 4, kColorFvf, D3DPT_TRIANGLESTRIP, 2);
  Picture p = Read();
  EXPECT_TRUE(Near(AverageColor(p, 0, 0, 64, 64), 0, 1));
}

TEST_F(D3D9Picture, SceneMisuseFails) {
  EXPECT_EQ(D3DERR_INVALIDCALL, dev_->EndScene());
  ASSERT_EQ(D3D_OK, dev_->BeginScene());
  EXPECT_EQ(D3DERR_INVALIDCALL, dev_->BeginScene());
  EXPECT_EQ(D3D_OK, dev_->EndScene());
  EXPECT_EQ(D3DERR_INVALIDCALL, dev_->EndScene());
  // Drawing outside a scene fails.
  EXPECT_EQ(D3DERR_INVALIDCALL, dev_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1));
  EXPECT_EQ(D3D_OK, dev_->Present(nullptr, nullptr, nullptr, nullptr));
}

class D3D9Multisample : public D3D9Picture {
  int samples() override { return 4; }
};

TEST_F(D3D9Multisample, EdgesGetIntermediateValues) {
  dev_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  dev_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.f, 0);
  ScreenVertex tri[3] = {{0, 0, 0.5f, 1, 0xffffffff, 0, 0}, {64, 0, 0.5f, 1, 0xffffffff, 0, 0},
                         {0, 50, 0.5f, 1, 0xffffffff, 0, 0}};
  Draw(tri, 3, kScreenFvf, D3DPT_TRIANGLELIST, 1);
  Picture p = Read();
  testsupport::WritePng(p, "d3d9_multisample.png");
  int partial = 0;
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      uint8_t v = p.at(x, y)[0];
      if (v > 20 && v < 235) ++partial;
    }
  }
  EXPECT_GT(partial, 20);  // a slanted edge of ~80 pixels, most of them partly covered
  EXPECT_TRUE(Near(AverageColor(p, 2, 2, 10, 10), 0xffffffff, 0));
}

// GetRenderTargetData only starts the copy: each copy still shows the picture of its own call
// after the target was cleared again, and the wait happens at its LockRect.
TEST_F(D3D9Multisample, EachReadbackKeepsThePictureOfItsCallUntilItsLock) {
  pictures::SurfaceReader reader;
  std::string problem;
  ASSERT_TRUE(reader.Open(dev_, nullptr, &problem, 2)) << problem;
  const D3DCOLOR colours[3] = {D3DCOLOR_XRGB(250, 10, 20), D3DCOLOR_XRGB(5, 240, 30), D3DCOLOR_XRGB(0, 0, 255)};
  ASSERT_EQ(D3D_OK, dev_->Clear(0, nullptr, D3DCLEAR_TARGET, colours[0], 1.f, 0));
  ASSERT_TRUE(reader.Read(0));
  ASSERT_EQ(D3D_OK, dev_->Clear(0, nullptr, D3DCLEAR_TARGET, colours[1], 1.f, 0));
  ASSERT_TRUE(reader.Read(1));
  ASSERT_EQ(D3D_OK, dev_->Clear(0, nullptr, D3DCLEAR_TARGET, colours[2], 1.f, 0));
  for (int copy = 0; copy < 2; ++copy) {
    pictures::FrameView view;
    ASSERT_TRUE(reader.Lock(copy, &view)) << copy;
    Picture p;
    pictures::ToImage(view, true, &p);
    EXPECT_TRUE(Near(AverageColor(p, 0, 0, kSize, kSize), colours[copy] | 0xff000000u, 0, true))
        << "copy " << copy << ": " << Describe(AverageColor(p, 0, 0, kSize, kSize));
    EXPECT_FALSE(reader.Read(copy)) << "a locked copy is read into";
  }
  reader.Unlock(0);
  EXPECT_TRUE(reader.Read(0)) << "an unlocked copy is read into again";
  Picture now;
  ASSERT_TRUE(ReadBackBuffer(dev_, &now));
  EXPECT_TRUE(Near(AverageColor(now, 0, 0, kSize, kSize), colours[2], 0));
}

TEST(D3D9Create, MultisamplingIsRefusedNotLowered) {
  platform_testing::Reset();
  platform_testing::FailCall("IDirect3D9::CreateDevice:multisample");
  testsupport::TestDevice td;
  EXPECT_FALSE(testsupport::CreateTestDevice(&td, 16, 16, 4));
  testsupport::TestDevice plain;
  EXPECT_TRUE(testsupport::CreateTestDevice(&plain, 16, 16, 0)) << plain.error;
  platform_testing::Reset();
}

}  // namespace
