// d3d9_frame_test.cpp -- what a frame costs: allocations, GL objects, GL queries and state calls
#include <d3d9.h>
#include <d3dx9.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/testing/testing.h"
#include "tests/support/gl_hooks.h"
#include "tests/support/picture.h"

namespace {

constexpr int kWidth = 256, kHeight = 192;

struct TexVertex {  // D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1
  float x, y, z;
  D3DCOLOR color;
  float u, v;
};
constexpr DWORD kTexFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;

// A device with everything one frame of the demo touches: a textured indexed quad drawn by the
// fixed function, a dynamic buffer refilled every frame, a two-pass effect, and a readback.
class D3D9Frame : public ::testing::Test {
 protected:
  void SetUp() override {
    platform_testing::Reset();
    ASSERT_TRUE(testsupport::CreateTestDevice(&td_, kWidth, kHeight, 4)) << td_.error;
    dev_ = td_.device;
    ASSERT_EQ(D3D_OK, dev_->CreateVertexBuffer(4 * sizeof(TexVertex), D3DUSAGE_WRITEONLY, kTexFvf, D3DPOOL_MANAGED,
                                               &quad_, nullptr));
    ASSERT_EQ(D3D_OK, dev_->CreateVertexBuffer(4 * sizeof(TexVertex), D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, kTexFvf,
                                               D3DPOOL_DEFAULT, &dynamic_, nullptr));
    ASSERT_EQ(D3D_OK, dev_->CreateIndexBuffer(6 * sizeof(WORD), 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &indices_, nullptr));
    FillQuad(quad_, 0.f, 0);
    WORD* idx = nullptr;
    ASSERT_EQ(D3D_OK, indices_->Lock(0, 0, reinterpret_cast<void**>(&idx), 0));
    const WORD order[6] = {0, 1, 2, 2, 1, 3};
    std::memcpy(idx, order, sizeof order);
    indices_->Unlock();
    ASSERT_EQ(D3D_OK, dev_->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture_, nullptr));
    D3DLOCKED_RECT r;
    ASSERT_EQ(D3D_OK, texture_->LockRect(0, &r, nullptr, 0));
    for (int i = 0; i < 16; ++i) static_cast<uint32_t*>(r.pBits)[i] = 0xff40c080;
    texture_->UnlockRect(0);
    std::string path = std::string(QOLA_SOURCE_DIR) + "/tests/data/fx/two_pass.fx";
    ASSERT_EQ(D3D_OK, D3DXCreateEffectFromFileA(dev_, path.c_str(), nullptr, nullptr, 0, nullptr, &effect_, nullptr));
    ASSERT_EQ(D3D_OK, effect_->SetTexture("g_tDiffuse", texture_));
    ASSERT_EQ(D3D_OK, dev_->CreateOffscreenPlainSurface(kWidth, kHeight, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &copy_,
                                                        nullptr));
    ASSERT_EQ(D3D_OK, dev_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back_));
    ASSERT_EQ(D3D_OK, dev_->CreateTexture(kWidth, kHeight, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT,
                                          &targetTexture_, nullptr));
    ASSERT_EQ(D3D_OK, targetTexture_->GetSurfaceLevel(0, &target_));
  }
  void TearDown() override {
    glhooks::RemoveAll();
    for (IUnknown* u : std::initializer_list<IUnknown*>{target_, targetTexture_, back_, copy_, effect_, texture_, indices_, dynamic_, quad_}) {
      if (u) u->Release();
    }
    platform_testing::Reset();
  }

  void FillQuad(IDirect3DVertexBuffer9* vb, float shift, DWORD flags) {
    TexVertex* v = nullptr;
    ASSERT_EQ(D3D_OK, vb->Lock(0, 0, reinterpret_cast<void**>(&v), flags));
    const TexVertex quad[4] = {{-0.5f + shift, 0.5f, 0.5f, 0xffffffff, 0, 0}, {0.5f + shift, 0.5f, 0.5f, 0xffffffff, 1, 0},
                               {-0.5f + shift, -0.5f, 0.5f, 0xffffffff, 0, 1}, {0.5f + shift, -0.5f, 0.5f, 0xffffffff, 1, 1}};
    std::memcpy(v, quad, sizeof quad);
    ASSERT_EQ(D3D_OK, vb->Unlock());
  }

  void DrawFixed(IDirect3DVertexBuffer9* vb) {
    dev_->SetRenderState(D3DRS_LIGHTING, FALSE);
    dev_->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    dev_->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
    dev_->SetFVF(kTexFvf);
    dev_->SetStreamSource(0, vb, 0, sizeof(TexVertex));
    dev_->SetIndices(indices_);
    dev_->SetTexture(0, texture_);
    dev_->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    EXPECT_EQ(D3D_OK, dev_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2));
  }

  void DrawEffect() {
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    UINT passes = 0;
    effect_->SetMatrix("Matrix", &identity);
    ASSERT_EQ(D3D_OK, effect_->Begin(&passes, 0));
    for (UINT p = 0; p < passes; ++p) {
      effect_->BeginPass(p);
      effect_->SetFloat("g_fStrength", 0.75f);
      effect_->CommitChanges();
      EXPECT_EQ(D3D_OK, dev_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2));
      effect_->EndPass();
    }
    effect_->End();
  }

  void Frame(int n) {
    ASSERT_EQ(D3D_OK, dev_->BeginScene());
    ASSERT_EQ(D3D_OK, dev_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff102030, 1.f, 0));
    DrawFixed(quad_);
    FillQuad(dynamic_, (n % 8) * 0.05f, D3DLOCK_DISCARD);
    DrawFixed(dynamic_);
    DrawEffect();
    ASSERT_EQ(D3D_OK, dev_->EndScene());
    // The back buffer resolved into a texture, as a post effect would take it.
    ASSERT_EQ(D3D_OK, dev_->StretchRect(back_, nullptr, target_, nullptr, D3DTEXF_NONE));
    RECT corner = {0, 0, 16, 16};
    ASSERT_EQ(D3D_OK, dev_->ColorFill(target_, &corner, 0xffff00ff));
    ASSERT_EQ(D3D_OK, dev_->Present(nullptr, nullptr, nullptr, nullptr));
    ASSERT_EQ(D3D_OK, dev_->GetRenderTargetData(back_, copy_));
    D3DLOCKED_RECT r;
    ASSERT_EQ(D3D_OK, copy_->LockRect(&r, nullptr, D3DLOCK_READONLY));
    ASSERT_EQ(D3D_OK, copy_->UnlockRect());
  }

  testsupport::TestDevice td_;
  IDirect3DDevice9* dev_ = nullptr;
  IDirect3DVertexBuffer9* quad_ = nullptr;
  IDirect3DVertexBuffer9* dynamic_ = nullptr;
  IDirect3DIndexBuffer9* indices_ = nullptr;
  IDirect3DTexture9* texture_ = nullptr;
  ID3DXEffect* effect_ = nullptr;
  IDirect3DSurface9* copy_ = nullptr;
  IDirect3DSurface9* back_ = nullptr;
  IDirect3DTexture9* targetTexture_ = nullptr;
  IDirect3DSurface9* target_ = nullptr;
};

TEST_F(D3D9Frame, AfterTheFirstFrameNothingIsAllocatedCreatedOrQueried) {
  Frame(0);
  glhooks::InstallAll();
  glhooks::ResetCounts();
  uint64_t before = glhooks::Allocations();
  for (int n = 1; n <= 100; ++n) Frame(n);
  uint64_t allocations = glhooks::Allocations() - before;
  const glhooks::Counts& c = glhooks::Get();
  EXPECT_EQ(0u, allocations) << "operator new calls in 100 frames";
  EXPECT_EQ(0u, c.calls[glhooks::kCreate]) << "GL objects created or deleted in 100 frames";
  EXPECT_EQ(0u, c.calls[glhooks::kQuery]) << "GL state queried in 100 frames";
  EXPECT_GE(c.calls[glhooks::kWork], 100u * 6) << "the frames drew, presented and read back";
}

TEST_F(D3D9Frame, RepeatingADrawThatChangesNothingSetsNoGlState) {
  Frame(0);
  glhooks::InstallAll();
  ASSERT_EQ(D3D_OK, dev_->BeginScene());
  // Fixed function: the same buffers, texture and states again.
  DrawFixed(quad_);
  glhooks::ResetCounts();
  glhooks::Get().record = true;
  DrawFixed(quad_);
  glhooks::Get().record = false;
  EXPECT_TRUE(glhooks::Get().stateCalls.empty()) << "first: " << glhooks::Get().stateCalls.front();
  EXPECT_EQ(1u, glhooks::Get().calls[glhooks::kWork]);
  // An effect pass begun again with the same values.
  UINT passes = 0;
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  effect_->SetMatrix("Matrix", &identity);
  ASSERT_EQ(D3D_OK, effect_->Begin(&passes, D3DXFX_DONOTSAVESTATE));
  effect_->BeginPass(0);
  dev_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2);
  effect_->EndPass();
  glhooks::ResetCounts();
  glhooks::Get().record = true;
  effect_->SetMatrix("Matrix", &identity);
  effect_->BeginPass(0);
  effect_->CommitChanges();
  dev_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2);
  effect_->EndPass();
  glhooks::Get().record = false;
  EXPECT_TRUE(glhooks::Get().stateCalls.empty()) << "first: " << glhooks::Get().stateCalls.front();
  EXPECT_EQ(1u, glhooks::Get().calls[glhooks::kWork]);
  effect_->End();
  dev_->EndScene();
}

TEST_F(D3D9Frame, DiscardAndNoOverwriteRefillsReachTheNextDraw) {
  // Draw the dynamic quad, refill it shifted right with DISCARD, draw again: the second picture
  // shows the quad moved, and the refill was one whole-buffer upload (new storage).
  dev_->SetRenderState(D3DRS_ZENABLE, FALSE);
  testsupport::Picture before, after;
  FillQuad(dynamic_, -0.5f, D3DLOCK_DISCARD);
  ASSERT_EQ(D3D_OK, dev_->BeginScene());
  dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xff000000, 1.f, 0);
  DrawFixed(dynamic_);
  dev_->EndScene();
  ASSERT_TRUE(testsupport::ReadBackBuffer(dev_, &before));
  glhooks::InstallAll();
  glhooks::ResetCounts();
  FillQuad(dynamic_, 0.5f, D3DLOCK_DISCARD);
  EXPECT_EQ(1u, glhooks::Get().calls[glhooks::kWork]) << "one glBufferData";
  glhooks::RemoveAll();
  ASSERT_EQ(D3D_OK, dev_->BeginScene());
  dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xff000000, 1.f, 0);
  DrawFixed(dynamic_);
  dev_->EndScene();
  ASSERT_TRUE(testsupport::ReadBackBuffer(dev_, &after));
  // The quad spans x in [-1, 0] first, then [0, 1] in clip space.
  EXPECT_TRUE(testsupport::Near(testsupport::AverageColor(before, 8, 60, 120, 130), 0xff40c080, 8));
  EXPECT_TRUE(testsupport::Near(testsupport::AverageColor(before, 136, 60, 248, 130), 0xff000000, 8));
  EXPECT_TRUE(testsupport::Near(testsupport::AverageColor(after, 8, 60, 120, 130), 0xff000000, 8));
  EXPECT_TRUE(testsupport::Near(testsupport::AverageColor(after, 136, 60, 248, 130), 0xff40c080, 8));
  // NOOVERWRITE writes into the storage in place (unsynchronised): the next draw sees it too.
  FillQuad(dynamic_, -0.5f, D3DLOCK_NOOVERWRITE);
  ASSERT_EQ(D3D_OK, dev_->BeginScene());
  dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xff000000, 1.f, 0);
  DrawFixed(dynamic_);
  dev_->EndScene();
  testsupport::Picture again;
  ASSERT_TRUE(testsupport::ReadBackBuffer(dev_, &again));
  EXPECT_TRUE(testsupport::Near(testsupport::AverageColor(again, 8, 60, 120, 130), 0xff40c080, 8));
}

// A dynamic buffer is made for refilling (stream usage), a static one for drawing; a discard
// gives the dynamic one fresh storage with its data, never a wait on the storage in use.
TEST_F(D3D9Frame, BufferUsageFollowsTheDirect3DUsage) {
  glhooks::InstallAll();
  struct Case {
    DWORD usage;
    GLenum expected;
  };
  const Case cases[] = {{D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, GL_STREAM_DRAW},
                        {D3DUSAGE_WRITEONLY, GL_STATIC_DRAW},
                        {0, GL_STATIC_DRAW}};
  for (const Case& c : cases) {
    IDirect3DVertexBuffer9* vb = nullptr;
    ASSERT_EQ(D3D_OK, dev_->CreateVertexBuffer(256, c.usage, 0, D3DPOOL_DEFAULT, &vb, nullptr));
    EXPECT_EQ(c.expected, glhooks::Get().lastBufferUsage) << "usage 0x" << std::hex << c.usage;
    void* data = nullptr;
    ASSERT_EQ(D3D_OK, vb->Lock(0, 0, &data, D3DLOCK_DISCARD));
    glhooks::Get().lastBufferUsage = 0;
    vb->Unlock();
    EXPECT_EQ(c.expected, glhooks::Get().lastBufferUsage) << "discard gives new storage";
    EXPECT_FALSE(glhooks::Get().lastBufferDataNull);
    vb->Release();
  }
}

}  // namespace
