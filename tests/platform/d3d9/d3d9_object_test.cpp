// d3d9_object_test.cpp -- reference counts, failure paths, state and setter round trips, indexed draws, PNG errors
#include <d3d9.h>
#include <d3dx9tex.h>
#include <gtest/gtest.h>

#include <vector>

#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "platform/testing/testing.h"
#include "tests/support/picture.h"

namespace {

class D3D9Object : public ::testing::Test {
 protected:
  void SetUp() override {
    platform_testing::Reset();
    ASSERT_TRUE(testsupport::CreateTestDevice(&td_, 32, 32)) << td_.error;
    dev_ = td_.device;
  }
  void TearDown() override { platform_testing::Reset(); }
  testsupport::TestDevice td_;
  IDirect3DDevice9* dev_ = nullptr;
};

TEST_F(D3D9Object, ChildrenCountTheirReferencesAndHoldTheDevice) {
  EXPECT_EQ(2u, dev_->AddRef());
  EXPECT_EQ(1u, dev_->Release());
  IDirect3DTexture9* tex = nullptr;
  ASSERT_EQ(D3D_OK, dev_->CreateTexture(8, 8, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex, nullptr));
  EXPECT_EQ(4u, tex->GetLevelCount());                 // 8, 4, 2, 1
  EXPECT_EQ(3u, dev_->AddRef());                       // the texture holds one
  EXPECT_EQ(2u, dev_->Release());
  IDirect3DSurface9* level = nullptr;
  ASSERT_EQ(D3D_OK, tex->GetSurfaceLevel(1, &level));  // a level counts for its texture
  EXPECT_EQ(3u, tex->AddRef());
  EXPECT_EQ(2u, tex->Release());
  EXPECT_EQ(1u, level->Release());
  // Bound, the texture outlives the program's last reference and the device still draws.
  ASSERT_EQ(D3D_OK, dev_->SetTexture(0, tex));
  EXPECT_EQ(0u, tex->Release());
  IDirect3DBaseTexture9* bound = nullptr;
  ASSERT_EQ(D3D_OK, dev_->GetTexture(0, &bound));
  EXPECT_EQ(static_cast<IDirect3DBaseTexture9*>(tex), bound);
  bound->Release();
  EXPECT_EQ(D3D_OK, dev_->SetTexture(0, nullptr));  // now it goes
  EXPECT_EQ(2u, dev_->AddRef());
  EXPECT_EQ(1u, dev_->Release());
  // The back buffer's references are the device's.
  IDirect3DSurface9* back = nullptr;
  ASSERT_EQ(D3D_OK, dev_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back));
  EXPECT_EQ(3u, dev_->AddRef());
  dev_->Release();
  back->Release();
}

TEST_F(D3D9Object, DeviceReleasedWhileStillBoundCleansUp) {
  // A device whose last reference goes with objects bound frees them (AddressSanitizer checks).
  IDirect3DVertexBuffer9* vb = nullptr;
  ASSERT_EQ(D3D_OK, dev_->CreateVertexBuffer(64, 0, D3DFVF_XYZ, D3DPOOL_MANAGED, &vb, nullptr));
  IDirect3DSurface9* depth = nullptr;
  ASSERT_EQ(D3D_OK, dev_->CreateDepthStencilSurface(32, 32, D3DFMT_D16, D3DMULTISAMPLE_NONE, 0, TRUE, &depth,
                                                    nullptr));
  dev_->SetStreamSource(0, vb, 0, 12);
  dev_->SetDepthStencilSurface(depth);
  EXPECT_EQ(0u, vb->Release());
  EXPECT_EQ(0u, depth->Release());
  EXPECT_EQ(0u, td_.device->Release());
  td_.device = nullptr;
}

TEST_F(D3D9Object, NamedFailuresReachTheCaller) {
  IDirect3DVertexBuffer9* vb = nullptr;
  ASSERT_EQ(D3D_OK, dev_->CreateVertexBuffer(1920, 0, D3DFVF_XYZ, D3DPOOL_MANAGED, &vb, nullptr));
  void* data = reinterpret_cast<void*>(1);
  platform_testing::FailCall("IDirect3DVertexBuffer9::Lock");
  EXPECT_EQ(D3DERR_INVALIDCALL, vb->Lock(0, 1920, &data, 0));
  EXPECT_EQ(nullptr, data);
  platform_testing::ClearFailures();
  EXPECT_EQ(D3D_OK, vb->Lock(0, 1920, &data, 0));
  EXPECT_EQ(D3DERR_INVALIDCALL, vb->Lock(0, 4, &data, 0));  // already locked
  EXPECT_EQ(D3D_OK, vb->Unlock());
  EXPECT_EQ(D3DERR_INVALIDCALL, vb->Lock(1900, 100, &data, 0));  // past the end
  vb->Release();

  IDirect3D9* d3d = td_.d3d;
  D3DDISPLAYMODE mode;
  platform_testing::FailCall("IDirect3D9::EnumAdapterModes");
  EXPECT_TRUE(FAILED(d3d->EnumAdapterModes(D3DADAPTER_DEFAULT, D3DFMT_X8R8G8B8, 0, &mode)));
  platform_testing::ClearFailures();
  ASSERT_GT(d3d->GetAdapterModeCount(D3DADAPTER_DEFAULT, D3DFMT_X8R8G8B8), 0u);
  ASSERT_EQ(D3D_OK, d3d->EnumAdapterModes(D3DADAPTER_DEFAULT, D3DFMT_X8R8G8B8, 0, &mode));
  EXPECT_EQ(D3DFMT_X8R8G8B8, mode.Format);
  // Every mode is X8R8G8B8, so no size and rate may come twice (SDL lists one per pixel format).
  UINT count = d3d->GetAdapterModeCount(D3DADAPTER_DEFAULT, D3DFMT_X8R8G8B8);
  for (UINT i = 0; i < count; ++i) {
    D3DDISPLAYMODE a;
    ASSERT_EQ(D3D_OK, d3d->EnumAdapterModes(D3DADAPTER_DEFAULT, D3DFMT_X8R8G8B8, i, &a));
    for (UINT j = 0; j < i; ++j) {
      D3DDISPLAYMODE b;
      d3d->EnumAdapterModes(D3DADAPTER_DEFAULT, D3DFMT_X8R8G8B8, j, &b);
      EXPECT_FALSE(a.Width == b.Width && a.Height == b.Height && a.RefreshRate == b.RefreshRate)
          << "mode " << i << " repeats mode " << j;
    }
  }
  EXPECT_EQ(D3DERR_INVALIDCALL, d3d->EnumAdapterModes(D3DADAPTER_DEFAULT, D3DFMT_X8R8G8B8, count, &mode));
  EXPECT_EQ(0u, d3d->GetAdapterModeCount(D3DADAPTER_DEFAULT, D3DFMT_R5G6B5));
  EXPECT_EQ(D3D_OK, d3d->CheckDeviceFormat(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8,
                                           D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, D3DFMT_D16));
  EXPECT_EQ(D3DERR_NOTAVAILABLE, d3d->CheckDeviceFormat(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8,
                                                        D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, D3DFMT_A8R8G8B8));

  D3DPRESENT_PARAMETERS pp = {};
  pp.BackBufferWidth = pp.BackBufferHeight = 16;
  pp.Windowed = TRUE;
  pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
  IDirect3DDevice9* other = nullptr;
  platform_testing::FailCall("IDirect3D9::CreateDevice:hardware");
  EXPECT_TRUE(FAILED(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &other)));
  EXPECT_EQ(nullptr, other);
  ASSERT_EQ(D3D_OK, d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &other));
  other->Release();
}

TEST_F(D3D9Object, RenderStatesRoundTripWithDirect3DDefaults) {
  // Each state's default, then another value the layer applies, then one it must refuse.
  struct Default {
    D3DRENDERSTATETYPE state;
    DWORD value;
    DWORD other;
    DWORD invalid;
  };
  const Default defaults[] = {
      {D3DRS_ZENABLE, D3DZB_TRUE, D3DZB_FALSE, 7},
      {D3DRS_ZWRITEENABLE, TRUE, FALSE, 7},
      {D3DRS_ZFUNC, D3DCMP_LESSEQUAL, D3DCMP_GREATER, 0},
      {D3DRS_CULLMODE, D3DCULL_CCW, D3DCULL_NONE, 7},
      {D3DRS_LIGHTING, TRUE, FALSE, 7},
      {D3DRS_ALPHABLENDENABLE, FALSE, TRUE, 7},
      {D3DRS_SRCBLEND, D3DBLEND_ONE, D3DBLEND_SRCALPHA, 16},
      {D3DRS_DESTBLEND, D3DBLEND_ZERO, D3DBLEND_INVSRCALPHA, 0},
      {D3DRS_COLORWRITEENABLE, 0xf, 0x7, 0x10},
      {D3DRS_ALPHATESTENABLE, FALSE, TRUE, 2},
      {D3DRS_ALPHAFUNC, D3DCMP_ALWAYS, D3DCMP_GREATER, 9},
      {D3DRS_ALPHAREF, 0, 0x80, 0x100},
  };
  for (const Default& d : defaults) {
    DWORD v = 0xdeadbeef;
    ASSERT_EQ(D3D_OK, dev_->GetRenderState(d.state, &v));
    EXPECT_EQ(d.value, v) << "state " << d.state;
    ASSERT_EQ(D3D_OK, dev_->SetRenderState(d.state, d.other)) << "state " << d.state;
    dev_->GetRenderState(d.state, &v);
    EXPECT_EQ(d.other, v);
    EXPECT_EQ(D3DERR_INVALIDCALL, dev_->SetRenderState(d.state, d.invalid)) << "state " << d.state;
    dev_->GetRenderState(d.state, &v);
    EXPECT_EQ(d.other, v) << "a refused value is not stored";
  }
  EXPECT_EQ(D3DERR_INVALIDCALL, dev_->SetRenderState(static_cast<D3DRENDERSTATETYPE>(5000), 1));
  EXPECT_EQ(D3DERR_INVALIDCALL, dev_->SetSamplerState(8, D3DSAMP_MINFILTER, D3DTEXF_LINEAR));
  DWORD filter = 0;
  dev_->GetSamplerState(0, D3DSAMP_MINFILTER, &filter);
  EXPECT_EQ(static_cast<DWORD>(D3DTEXF_POINT), filter);
}

// Direct3D keeps a priority and a LOD for managed resources only, returns the value before,
// and stops the LOD at the last level; the mip generation filter is LINEAR or refused.
TEST_F(D3D9Object, ResourceSettersKeepWhatDirect3DKeeps) {
  IDirect3DTexture9 *managed = nullptr, *plain = nullptr;
  IDirect3DVertexBuffer9 *managedVb = nullptr, *plainVb = nullptr;
  IDirect3DIndexBuffer9* managedIb = nullptr;
  IDirect3DSurface9 *level = nullptr, *memory = nullptr;
  ASSERT_EQ(D3D_OK, dev_->CreateTexture(8, 8, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &managed, nullptr));
  ASSERT_EQ(D3D_OK, dev_->CreateTexture(8, 8, 0, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &plain, nullptr));
  ASSERT_EQ(D3D_OK, dev_->CreateVertexBuffer(64, 0, D3DFVF_XYZ, D3DPOOL_MANAGED, &managedVb, nullptr));
  ASSERT_EQ(D3D_OK, dev_->CreateVertexBuffer(64, 0, D3DFVF_XYZ, D3DPOOL_DEFAULT, &plainVb, nullptr));
  ASSERT_EQ(D3D_OK, dev_->CreateIndexBuffer(64, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &managedIb, nullptr));
  ASSERT_EQ(D3D_OK, managed->GetSurfaceLevel(1, &level));
  ASSERT_EQ(D3D_OK, dev_->CreateOffscreenPlainSurface(8, 8, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &memory, nullptr));

  // In order: each row sees what the rows before it set.
  struct PriorityCase {
    const char* what;
    IDirect3DResource9* resource;
    DWORD set, returned, kept;
  };
  const PriorityCase priorities[] = {
      {"managed texture", managed, 5, 0, 5},
      {"managed texture again", managed, 7, 5, 7},
      {"its level", level, 3, 0, 3},  // a level keeps its own
      {"default texture", plain, 5, 0, 0},
      {"managed vertex buffer", managedVb, 9, 0, 9},
      {"managed vertex buffer again", managedVb, 0, 9, 0},
      {"default vertex buffer", plainVb, 9, 0, 0},
      {"managed index buffer", managedIb, 2, 0, 2},
      {"system-memory surface", memory, 4, 0, 0},
  };
  for (const PriorityCase& c : priorities) {
    EXPECT_EQ(c.returned, c.resource->SetPriority(c.set)) << c.what;
    EXPECT_EQ(c.kept, c.resource->GetPriority()) << c.what;
  }
  EXPECT_EQ(7u, managed->GetPriority()) << "the level's priority is not the texture's";

  struct LodCase {
    IDirect3DTexture9* texture;
    DWORD set, returned, kept;
  };
  const LodCase lods[] = {
      {managed, 2, 0, 2},
      {managed, 3, 2, 3},  // the last of the four levels
      {managed, 9, 3, 3},  // clamped to it
      {managed, 0, 3, 0},
      {managed, 1, 0, 1},
      {plain, 2, 0, 0},  // not managed: nothing kept
  };
  for (const LodCase& c : lods) {
    EXPECT_EQ(c.returned, c.texture->SetLOD(c.set)) << "SetLOD(" << c.set << ")";
    EXPECT_EQ(c.kept, c.texture->GetLOD()) << "after SetLOD(" << c.set << ")";
  }

  struct FilterCase {
    D3DTEXTUREFILTERTYPE filter;
    HRESULT expected;
    const char* said;  // on standard error
  };
  const FilterCase filters[] = {
      {D3DTEXF_LINEAR, D3D_OK, ""},
      {D3DTEXF_NONE, D3DERR_INVALIDCALL, ""},  // as in Direct3D
      {D3DTEXF_POINT, D3DERR_INVALIDCALL,
       "IDirect3DTexture9::SetAutoGenFilterType: D3DTEXF_POINT (1) is not supported by this layer\n"},
      {D3DTEXF_GAUSSIANQUAD, D3DERR_INVALIDCALL,
       "IDirect3DTexture9::SetAutoGenFilterType: D3DTEXF_GAUSSIANQUAD (7) is not supported by this layer\n"},
  };
  EXPECT_EQ(D3DTEXF_LINEAR, managed->GetAutoGenFilterType()) << "Direct3D's default";
  for (const FilterCase& c : filters) {
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(c.expected, managed->SetAutoGenFilterType(c.filter)) << "filter " << c.filter;
    EXPECT_EQ(c.said, ::testing::internal::GetCapturedStderr()) << "filter " << c.filter;
    EXPECT_EQ(D3DTEXF_LINEAR, managed->GetAutoGenFilterType()) << "a refused filter is not kept";
  }

  for (IUnknown* u : std::initializer_list<IUnknown*>{memory, level, managedIb, plainVb, managedVb, plain, managed}) {
    u->Release();
  }
}

// The event query as Direct3D 9 programs finish a frame with it: issued after the frame's
// commands, asked with D3DGETDATA_FLUSH until it answers S_OK; other query types are refused.
TEST_F(D3D9Object, EventQueryAnswersOnceTheCommandsAreDone) {
  EXPECT_EQ(D3D_OK, dev_->CreateQuery(D3DQUERYTYPE_EVENT, nullptr)) << "the event query is supported";
  const D3DQUERYTYPE refused[] = {D3DQUERYTYPE_OCCLUSION, D3DQUERYTYPE_TIMESTAMP, D3DQUERYTYPE_VCACHE,
                                  D3DQUERYTYPE_PIPELINETIMINGS};
  for (D3DQUERYTYPE type : refused) {
    IDirect3DQuery9* query = reinterpret_cast<IDirect3DQuery9*>(1);
    EXPECT_EQ(D3DERR_NOTAVAILABLE, dev_->CreateQuery(type, nullptr)) << type;
    EXPECT_EQ(D3DERR_NOTAVAILABLE, dev_->CreateQuery(type, &query)) << type;
  }
  IDirect3DQuery9* query = nullptr;
  ASSERT_EQ(D3D_OK, dev_->CreateQuery(D3DQUERYTYPE_EVENT, &query));
  EXPECT_EQ(D3DQUERYTYPE_EVENT, query->GetType());
  EXPECT_EQ(sizeof(BOOL), query->GetDataSize());
  BOOL done = FALSE;
  EXPECT_EQ(S_OK, query->GetData(&done, sizeof done, 0)) << "an event never issued is done";
  EXPECT_EQ(TRUE, done);
  EXPECT_EQ(D3DERR_INVALIDCALL, query->Issue(D3DISSUE_BEGIN)) << "an event has no beginning";
  EXPECT_EQ(D3DERR_INVALIDCALL, query->GetData(&done, 1, 0)) << "too small for its BOOL";
  for (int frame = 0; frame < 3; ++frame) {
    SCOPED_TRACE(frame);
    ASSERT_EQ(D3D_OK, dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xff102030, 1.0f, 0));
    ASSERT_EQ(D3D_OK, dev_->Present(nullptr, nullptr, nullptr, nullptr));
    ASSERT_EQ(D3D_OK, query->Issue(D3DISSUE_END));
    HRESULT hr = S_FALSE;
    done = FALSE;
    for (int ask = 0; ask < 1000000 && hr == S_FALSE; ++ask) hr = query->GetData(&done, sizeof done, D3DGETDATA_FLUSH);
    EXPECT_EQ(S_OK, hr);
    EXPECT_EQ(TRUE, done);
    EXPECT_EQ(S_OK, query->GetData(nullptr, 0, 0)) << "still done when asked again";
  }
  ASSERT_EQ(D3D_OK, query->Issue(D3DISSUE_END));  // released while issued: the fence goes with it
  IDirect3DDevice9* owner = nullptr;
  ASSERT_EQ(D3D_OK, query->GetDevice(&owner));
  EXPECT_EQ(dev_, owner);
  owner->Release();
  EXPECT_EQ(0u, query->Release());
}

// Locks of a part of a managed level: a part nothing was written to yet comes zeroed, a part
// that meets earlier writes shows them, and a whole lock afterwards shows every part written.
TEST_F(D3D9Object, PartLocksOfALevelKeepWhatWasWritten) {
  IDirect3DTexture9* tex = nullptr;
  ASSERT_EQ(D3D_OK, dev_->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex, nullptr));
  auto fill = [&](LONG top, LONG bottom, uint32_t value, std::vector<uint32_t>* before) {
    RECT part{0, top, 8, bottom};
    D3DLOCKED_RECT locked;
    ASSERT_EQ(D3D_OK, tex->LockRect(0, &locked, &part, 0));
    for (LONG y = 0; y < bottom - top; ++y) {
      auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch);
      before->push_back(row[0]);
      for (int x = 0; x < 8; ++x) row[x] = value;
    }
    ASSERT_EQ(D3D_OK, tex->UnlockRect(0));
  };
  std::vector<uint32_t> first, second, third;
  fill(0, 4, 0xff000001u, &first);   // nothing written yet
  fill(6, 8, 0xff000003u, &second);  // below what was written
  fill(2, 6, 0xff000002u, &third);   // meets the first part
  EXPECT_EQ((std::vector<uint32_t>{0, 0, 0, 0}), first);
  EXPECT_EQ((std::vector<uint32_t>{0, 0}), second);
  EXPECT_EQ((std::vector<uint32_t>{0xff000001u, 0xff000001u, 0, 0}), third);
  D3DLOCKED_RECT locked;
  ASSERT_EQ(D3D_OK, tex->LockRect(0, &locked, nullptr, D3DLOCK_READONLY));
  const uint32_t want[8] = {1, 1, 2, 2, 2, 2, 3, 3};
  for (int y = 0; y < 8; ++y) {
    const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(locked.pBits) + y * locked.Pitch);
    for (int x = 0; x < 8; ++x) EXPECT_EQ(0xff000000u | want[y], row[x]) << "row " << y << ", column " << x;
  }
  tex->UnlockRect(0);
  EXPECT_EQ(0u, tex->Release());
}

TEST_F(D3D9Object, IndexedDrawUsesBaseVertexAndSixteenBitIndices) {
  dev_->SetRenderState(D3DRS_LIGHTING, FALSE);
  struct V {
    float x, y, z, rhw;
    D3DCOLOR c;
  };
  // Vertices 0..3 are a decoy; 4..7 the quad over the right half, reached with base vertex 4.
  V v[8] = {{0, 0, .5f, 1, 0xffff0000}, {16, 0, .5f, 1, 0xffff0000}, {0, 32, .5f, 1, 0xffff0000},
            {16, 32, .5f, 1, 0xffff0000}, {16, 0, .5f, 1, 0xff00ff00}, {32, 0, .5f, 1, 0xff00ff00},
            {16, 32, .5f, 1, 0xff00ff00}, {32, 32, .5f, 1, 0xff00ff00}};
  WORD idx[6] = {0, 1, 2, 1, 3, 2};
  IDirect3DVertexBuffer9* vb = nullptr;
  IDirect3DIndexBuffer9* ib = nullptr;
  ASSERT_EQ(D3D_OK, dev_->CreateVertexBuffer(sizeof v, 0, D3DFVF_XYZRHW | D3DFVF_DIFFUSE, D3DPOOL_MANAGED, &vb, nullptr));
  ASSERT_EQ(D3D_OK, dev_->CreateIndexBuffer(sizeof idx, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib, nullptr));
  void* p;
  vb->Lock(0, 0, &p, 0);
  std::memcpy(p, v, sizeof v);
  vb->Unlock();
  ib->Lock(0, 0, &p, 0);
  std::memcpy(p, idx, sizeof idx);
  ib->Unlock();
  dev_->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE);
  dev_->SetStreamSource(0, vb, 0, sizeof(V));
  dev_->SetIndices(ib);
  dev_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.f, 0);
  dev_->BeginScene();
  EXPECT_EQ(D3D_OK, dev_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 4, 0, 4, 0, 2));
  EXPECT_EQ(D3DERR_INVALIDCALL, dev_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 3, 2));  // past the end
  dev_->EndScene();
  testsupport::Picture pic;
  ASSERT_TRUE(testsupport::ReadBackBuffer(dev_, &pic));
  EXPECT_TRUE(testsupport::Near(testsupport::AverageColor(pic, 0, 0, 16, 32), 0, 0));
  EXPECT_TRUE(testsupport::Near(testsupport::AverageColor(pic, 16, 0, 32, 32), 0xff00ff00, 0));
  dev_->SetIndices(nullptr);
  dev_->SetStreamSource(0, nullptr, 0, 0);
  EXPECT_EQ(0u, ib->Release());
  EXPECT_EQ(0u, vb->Release());
}

TEST_F(D3D9Object, MissingOrCorruptImagesFailCleanly) {
  struct Case {
    const char* name;
    const char* bytes;
    size_t size;
    HRESULT expected;
  };
  static const char kPngHeaderOnly[] = "\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x10\0\0\0\x10\x08\x06\0\0\0";
  const Case cases[] = {
      {"d3d9_missing.png", nullptr, 0, D3DERR_NOTAVAILABLE},
      {"d3d9_empty.png", "", 0, D3DXERR_INVALIDDATA},
      {"d3d9_text.png", "not a picture", 13, D3DXERR_INVALIDDATA},
      {"d3d9_truncated.png", kPngHeaderOnly, sizeof kPngHeaderOnly - 1, D3DXERR_INVALIDDATA},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::remove(c.name);
    if (c.bytes) {
      FILE* f = std::fopen(c.name, "wb");
      ASSERT_NE(nullptr, f);
      std::fwrite(c.bytes, 1, c.size, f);
      std::fclose(f);
    }
    IDirect3DTexture9* tex = reinterpret_cast<IDirect3DTexture9*>(1);
    EXPECT_EQ(c.expected, D3DXCreateTextureFromFileA(dev_, c.name, &tex));
    EXPECT_EQ(nullptr, tex);
  }
}

}  // namespace
