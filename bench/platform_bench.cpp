// platform_bench.cpp -- the Direct3D layer per frame: clear-draw-present, an effect pass, the readback
//
// All on a 1024 x 768 four-sample device, as the demo runs; wall time, since llvmpipe draws on
// threads of its own. The readback is measured beside the
// bare OpenGL work it stands for (a resolve blit and glReadPixels of the same size into memory),
// in the same run and context. Each reports operator new calls per iteration.
#include <benchmark/benchmark.h>
#include <d3d9.h>
#include <d3dx9.h>
#include <epoxy/gl.h>

#include <cstring>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "platform/d3d9/d3d9_gl.h"
#include "tests/support/picture.h"

namespace {

constexpr int kWidth = 1024, kHeight = 768;

struct Vertex {
  float x, y, z;
  D3DCOLOR color;
  float u, v;
};
constexpr DWORD kFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;

// One device for every benchmark of this file: made on first use, kept to the end.
struct Fixture {
  testsupport::TestDevice td;
  IDirect3DDevice9* dev = nullptr;
  IDirect3DVertexBuffer9* vb = nullptr;
  ID3DXEffect* effect = nullptr;
  IDirect3DSurface9* back = nullptr;
  IDirect3DSurface9* copy = nullptr;
  pictures::GpuFence finished;  // ends a timed frame: the GPU has drawn it
  bool ready = false;            // every part above was made
  std::string error;

  bool open() {
    if (!testsupport::CreateTestDevice(&td, kWidth, kHeight, 4)) {
      error = td.error;
      return false;
    }
    dev = td.device;
    if (FAILED(dev->CreateVertexBuffer(6 * sizeof(Vertex), D3DUSAGE_WRITEONLY, kFvf, D3DPOOL_MANAGED, &vb, nullptr))) {
      return false;
    }
    Vertex* v = nullptr;
    vb->Lock(0, 0, reinterpret_cast<void**>(&v), 0);
    const Vertex quad[6] = {{-0.9f, 0.9f, 0.5f, 0xffff8040, 0, 0}, {0.9f, 0.9f, 0.5f, 0xff40ff80, 1, 0},
                            {-0.9f, -0.9f, 0.5f, 0xff4080ff, 0, 1}, {0.9f, 0.9f, 0.5f, 0xff40ff80, 1, 0},
                            {0.9f, -0.9f, 0.5f, 0xffffffff, 1, 1}, {-0.9f, -0.9f, 0.5f, 0xff4080ff, 0, 1}};
    std::memcpy(v, quad, sizeof quad);
    vb->Unlock();
    std::string path = std::string(QOLA_SOURCE_DIR) + "/tests/data/fx/two_pass.fx";
    if (FAILED(D3DXCreateEffectFromFileA(dev, path.c_str(), nullptr, nullptr, 0, nullptr, &effect, nullptr))) {
      error = "two_pass.fx did not load";
      return false;
    }
    dev->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
    dev->CreateOffscreenPlainSurface(kWidth, kHeight, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &copy, nullptr);
    dev->SetRenderState(D3DRS_LIGHTING, FALSE);
    dev->SetFVF(kFvf);
    dev->SetStreamSource(0, vb, 0, sizeof(Vertex));
    if (!finished.Open(dev)) {
      error = "no event query";
      return false;
    }
    return ready = copy != nullptr;
  }
};

Fixture* Get(benchmark::State& state) {
  static Fixture* fixture = [] {
    auto* f = new Fixture;
    if (!f->open()) return f;
    return f;
  }();
  if (!fixture->ready) {
    state.SkipWithError(("no device: " + fixture->error).c_str());
    return nullptr;
  }
  return fixture;
}

void ReportAllocations(benchmark::State& state, uint64_t before) {
  state.counters["allocs/iter"] = benchmark::Counter(static_cast<double>(bench_support::AllocationCount() - before),
                                                     benchmark::Counter::kAvgIterations);
}

// A full-screen quad's frame, finished: the frame's cost, not the cost of queueing it.
void BM_ClearDrawPresent(benchmark::State& state) {
  Fixture* f = Get(state);
  if (!f) return;
  IDirect3DDevice9* d = f->dev;
  uint64_t before = bench_support::AllocationCount();
  for (auto _ : state) {
    d->BeginScene();
    d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff203040, 1.f, 0);
    d->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2);
    d->EndScene();
    d->Present(nullptr, nullptr, nullptr, nullptr);
    f->finished.Wait();
  }
  ReportAllocations(state, before);
}
BENCHMARK(BM_ClearDrawPresent)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_EffectPass(benchmark::State& state) {
  Fixture* f = Get(state);
  if (!f) return;
  IDirect3DDevice9* d = f->dev;
  // A quad of a few pixels: the pass's own work, not the rasteriser's, is what is measured.
  D3DXMATRIX tiny;
  D3DXMatrixScaling(&tiny, 0.01f, 0.01f, 1.f);
  float strength = 0.f;
  d->BeginScene();
  uint64_t before = bench_support::AllocationCount();
  for (auto _ : state) {
    UINT passes = 0;
    f->effect->SetMatrix("Matrix", &tiny);
    f->effect->SetFloat("g_fStrength", strength += 0.001f);
    f->effect->Begin(&passes, 0);
    f->effect->BeginPass(0);
    d->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2);
    f->effect->EndPass();
    f->effect->End();
  }
  ReportAllocations(state, before);
  d->EndScene();
  glFinish();
}
BENCHMARK(BM_EffectPass)->UseRealTime()->Unit(benchmark::kMicrosecond);

void BM_Readback(benchmark::State& state) {
  Fixture* f = Get(state);
  if (!f) return;
  uint64_t before = bench_support::AllocationCount();
  for (auto _ : state) {
    f->dev->GetRenderTargetData(f->back, f->copy);
    D3DLOCKED_RECT r;
    f->copy->LockRect(&r, nullptr, D3DLOCK_READONLY);
    benchmark::DoNotOptimize(static_cast<const uint8_t*>(r.pBits)[r.Pitch * 100]);
    f->copy->UnlockRect();
  }
  ReportAllocations(state, before);
}
BENCHMARK(BM_Readback)->UseRealTime()->Unit(benchmark::kMillisecond);

// The same work in bare OpenGL: a four-sample framebuffer resolved by a blit into a kept
// single-sample one, then read into memory. It runs last: it binds framebuffers behind the
// device's back.
void BM_BareGlResolveAndReadPixels(benchmark::State& state) {
  Fixture* f = Get(state);
  if (!f) return;
  d3d9gl::MakeCurrent(f->dev);
  GLuint rb[2], fbo[2];
  glGenRenderbuffers(2, rb);
  glGenFramebuffers(2, fbo);
  glBindRenderbuffer(GL_RENDERBUFFER, rb[0]);
  glRenderbufferStorageMultisample(GL_RENDERBUFFER, 4, GL_RGBA8, kWidth, kHeight);
  glBindRenderbuffer(GL_RENDERBUFFER, rb[1]);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, kWidth, kHeight);
  glBindRenderbuffer(GL_RENDERBUFFER, 0);
  for (int i = 0; i < 2; ++i) {
    glBindFramebuffer(GL_FRAMEBUFFER, fbo[i]);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, rb[i]);
  }
  glClearColor(0.2f, 0.3f, 0.4f, 1.f);
  glBindFramebuffer(GL_FRAMEBUFFER, fbo[0]);
  glDisable(GL_SCISSOR_TEST);
  glClear(GL_COLOR_BUFFER_BIT);
  std::vector<uint8_t> pixels(static_cast<size_t>(kWidth) * kHeight * 4);
  uint64_t before = bench_support::AllocationCount();
  for (auto _ : state) {
    glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo[0]);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, fbo[1]);
    glBlitFramebuffer(0, 0, kWidth, kHeight, 0, 0, kWidth, kHeight, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo[1]);
    glReadPixels(0, 0, kWidth, kHeight, GL_BGRA, GL_UNSIGNED_BYTE, pixels.data());
    benchmark::DoNotOptimize(pixels[kWidth * 400]);
  }
  ReportAllocations(state, before);
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  glDeleteFramebuffers(2, fbo);
  glDeleteRenderbuffers(2, rb);
}
BENCHMARK(BM_BareGlResolveAndReadPixels)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

