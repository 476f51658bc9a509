// strip_renderer.cpp -- the strip's texture, the font texture and the per-frame quads
#include "tools/preview/strip_renderer.h"

#include <cstring>

#include "tools/media/font.h"

namespace preview {

namespace {

constexpr DWORD kFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;
// The font texture: 16 x 8 cells of 8 x 8 texels for the characters 32 to 127; the cell of 127
// is solid, for rectangles.
constexpr int kCell = 8;
constexpr int kFontWidth = 16 * kCell, kFontHeight = 8 * kCell;
constexpr char kSolid = 127;

DWORD Argb(media::Color c) {
  return (static_cast<DWORD>(c.a) << 24) | (static_cast<DWORD>(c.r) << 16) | (static_cast<DWORD>(c.g) << 8) | c.b;
}

// The render states a strip draw changes, read from the layer's copy of the state and put back.
struct SavedStates {
  static constexpr D3DRENDERSTATETYPE kRender[] = {D3DRS_ZENABLE, D3DRS_ZWRITEENABLE, D3DRS_ALPHABLENDENABLE,
                                                   D3DRS_SRCBLEND, D3DRS_DESTBLEND, D3DRS_CULLMODE,
                                                   D3DRS_ALPHATESTENABLE, D3DRS_LIGHTING};
  static constexpr D3DTEXTURESTAGESTATETYPE kStage[] = {D3DTSS_COLOROP, D3DTSS_COLORARG1, D3DTSS_COLORARG2,
                                                        D3DTSS_ALPHAOP, D3DTSS_ALPHAARG1, D3DTSS_ALPHAARG2};
  static constexpr D3DSAMPLERSTATETYPE kSampler[] = {D3DSAMP_MINFILTER, D3DSAMP_MAGFILTER, D3DSAMP_MIPFILTER,
                                                     D3DSAMP_ADDRESSU, D3DSAMP_ADDRESSV};
  DWORD render[sizeof kRender / sizeof kRender[0]];
  DWORD stage[sizeof kStage / sizeof kStage[0]];
  DWORD sampler[sizeof kSampler / sizeof kSampler[0]];
  DWORD fvf = 0;
  IDirect3DBaseTexture9* texture = nullptr;
  IDirect3DVertexBuffer9* stream = nullptr;
  UINT offset = 0, stride = 0;

  void Save(IDirect3DDevice9* d) {
    for (size_t i = 0; i < sizeof kRender / sizeof kRender[0]; ++i) d->GetRenderState(kRender[i], &render[i]);
    for (size_t i = 0; i < sizeof kStage / sizeof kStage[0]; ++i) d->GetTextureStageState(0, kStage[i], &stage[i]);
    for (size_t i = 0; i < sizeof kSampler / sizeof kSampler[0]; ++i) d->GetSamplerState(0, kSampler[i], &sampler[i]);
    d->GetFVF(&fvf);
    d->GetTexture(0, &texture);
    d->GetStreamSource(0, &stream, &offset, &stride);
  }
  void Restore(IDirect3DDevice9* d) {
    for (size_t i = 0; i < sizeof kRender / sizeof kRender[0]; ++i) d->SetRenderState(kRender[i], render[i]);
    for (size_t i = 0; i < sizeof kStage / sizeof kStage[0]; ++i) d->SetTextureStageState(0, kStage[i], stage[i]);
    for (size_t i = 0; i < sizeof kSampler / sizeof kSampler[0]; ++i) d->SetSamplerState(0, kSampler[i], sampler[i]);
    d->SetFVF(fvf);
    d->SetTexture(0, texture);
    d->SetStreamSource(0, stream, offset, stride);
    if (texture) texture->Release();
    if (stream) stream->Release();
  }
};

}  // namespace

bool StripRenderer::Create(IDirect3DDevice9* device, int width, int height) {
  Release();
  device_ = device;
  width_ = width;
  height_ = height;
  if (FAILED(device->CreateTexture(static_cast<UINT>(width), static_cast<UINT>(height), 1, 0, D3DFMT_A8R8G8B8,
                                   D3DPOOL_MANAGED, &strip_, nullptr)) ||
      FAILED(device->CreateVertexBuffer(kMaxQuads * 6 * sizeof(Vertex), D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, kFvf,
                                        D3DPOOL_DEFAULT, &quads_, nullptr)) ||
      !MakeFont()) {
    Release();
    return false;
  }
  return true;
}

bool StripRenderer::MakeFont() {
  if (FAILED(device_->CreateTexture(kFontWidth, kFontHeight, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &font_, nullptr))) {
    return false;
  }
  D3DLOCKED_RECT locked;
  if (FAILED(font_->LockRect(0, &locked, nullptr, 0))) return false;
  auto* bytes = static_cast<uint8_t*>(locked.pBits);
  for (int y = 0; y < kFontHeight; ++y) std::memset(bytes + y * locked.Pitch, 0, kFontWidth * 4);
  for (int c = 32; c < 128; ++c) {
    int cx = (c - 32) % 16 * kCell, cy = (c - 32) / 16 * kCell;
    for (int row = 0; row < kCell; ++row) {
      const char* glyph = c == kSolid ? nullptr : media::GlyphRow(static_cast<char>(c), row);
      for (int col = 0; col < kCell; ++col) {
        bool lit = c == kSolid || (glyph && col < media::kGlyphWidth && glyph[col] == '#');
        if (lit) std::memset(bytes + (cy + row) * locked.Pitch + (cx + col) * 4, 0xFF, 4);
      }
    }
  }
  font_->UnlockRect(0);
  return true;
}

void StripRenderer::Release() {
  if (mapped_ && quads_) quads_->Unlock();
  mapped_ = nullptr;
  if (strip_) strip_->Release();
  if (font_) font_->Release();
  if (quads_) quads_->Release();
  strip_ = nullptr;
  font_ = nullptr;
  quads_ = nullptr;
  device_ = nullptr;
}

bool StripRenderer::Upload(const media::Canvas& strip) {
  if (!strip_ || strip.Width() != width_ || strip.Height() != height_) return false;
  D3DLOCKED_RECT locked;
  if (FAILED(strip_->LockRect(0, &locked, nullptr, 0))) return false;
  const pictures::Image& image = strip.Picture();
  for (int y = 0; y < height_; ++y) {
    const uint8_t* from = image.at(0, y);
    auto* to = static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch;
    for (int x = 0; x < width_; ++x, from += 4, to += 4) {
      to[0] = from[2];  // A8R8G8B8 is B, G, R, A in memory
      to[1] = from[1];
      to[2] = from[0];
      to[3] = 255;
    }
  }
  strip_->UnlockRect(0);
  return true;
}

void StripRenderer::Begin() {
  quadCount_ = 0;
  mapped_ = nullptr;
  if (!quads_) return;
  void* data = nullptr;
  if (SUCCEEDED(quads_->Lock(0, 0, &data, D3DLOCK_DISCARD))) mapped_ = static_cast<Vertex*>(data);
}

void StripRenderer::Quad(float x0, float y0, float x1, float y1, float u0, float v0, float u1, float v1, DWORD color) {
  if (!mapped_ || quadCount_ >= kMaxQuads) return;
  Vertex* v = mapped_ + quadCount_ * 6;
  const Vertex a{x0, y0, 0.0f, 1.0f, color, u0, v0}, b{x1, y0, 0.0f, 1.0f, color, u1, v0};
  const Vertex c{x0, y1, 0.0f, 1.0f, color, u0, v1}, d{x1, y1, 0.0f, 1.0f, color, u1, v1};
  v[0] = a, v[1] = b, v[2] = c, v[3] = b, v[4] = d, v[5] = c;
  ++quadCount_;
}

void StripRenderer::Rect(int x0, int y0, int x1, int y1, media::Color color) {
  // The middle of the solid cell, so filtering never reaches a neighbour.
  float u = ((kSolid - 32) % 16 * kCell + kCell / 2) / static_cast<float>(kFontWidth);
  float v = ((kSolid - 32) / 16 * kCell + kCell / 2) / static_cast<float>(kFontHeight);
  Quad(static_cast<float>(x0), static_cast<float>(y0), static_cast<float>(x1), static_cast<float>(y1), u, v, u, v,
       Argb(color));
}

void StripRenderer::Text(const char* text, int x, int y, int scale, media::Color color) {
  const DWORD argb = Argb(color);
  const int advance = (media::kGlyphWidth + 1) * scale;
  for (size_t i = 0; text[i]; ++i, x += advance) {
    int c = static_cast<unsigned char>(text[i]);
    if (c >= 'a' && c <= 'z') c -= 'a' - 'A';
    if (c <= 32 || c >= kSolid || !media::HasGlyph(static_cast<char>(c))) continue;
    float u0 = ((c - 32) % 16 * kCell) / static_cast<float>(kFontWidth);
    float v0 = ((c - 32) / 16 * kCell) / static_cast<float>(kFontHeight);
    float u1 = u0 + media::kGlyphWidth / static_cast<float>(kFontWidth);
    float v1 = v0 + media::kGlyphHeight / static_cast<float>(kFontHeight);
    Quad(static_cast<float>(x), static_cast<float>(y), static_cast<float>(x + media::kGlyphWidth * scale),
         static_cast<float>(y + media::kGlyphHeight * scale), u0, v0, u1, v1, argb);
  }
}

void StripRenderer::Draw(int x, int y) {
  if (mapped_) quads_->Unlock();
  mapped_ = nullptr;
  if (!device_ || !strip_) return;
  IDirect3DDevice9* d = device_;
  SavedStates saved;
  saved.Save(d);
  d->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
  d->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
  d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  d->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
  d->SetRenderState(D3DRS_LIGHTING, FALSE);
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);  // the strip is opaque; the quads blend
  d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
  d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
  d->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
  d->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
  d->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
  d->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_NONE);
  d->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
  d->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
  d->SetFVF(kFvf);
  d->BeginScene();
  // The strip: two triangles of its own, after the frame's quads in the same buffer.
  const Vertex strip[6] = {
      {static_cast<float>(x), static_cast<float>(y), 0, 1, 0xFFFFFFFFu, 0, 0},
      {static_cast<float>(x + width_), static_cast<float>(y), 0, 1, 0xFFFFFFFFu, 1, 0},
      {static_cast<float>(x), static_cast<float>(y + height_), 0, 1, 0xFFFFFFFFu, 0, 1},
      {static_cast<float>(x + width_), static_cast<float>(y), 0, 1, 0xFFFFFFFFu, 1, 0},
      {static_cast<float>(x + width_), static_cast<float>(y + height_), 0, 1, 0xFFFFFFFFu, 1, 1},
      {static_cast<float>(x), static_cast<float>(y + height_), 0, 1, 0xFFFFFFFFu, 0, 1}};
  int quads = quadCount_;
  void* data = nullptr;
  if (quads < kMaxQuads && SUCCEEDED(quads_->Lock(static_cast<UINT>(quads * 6 * sizeof(Vertex)), sizeof strip, &data,
                                                   D3DLOCK_NOOVERWRITE))) {
    std::memcpy(data, strip, sizeof strip);
    quads_->Unlock();
    d->SetStreamSource(0, quads_, 0, sizeof(Vertex));
    d->SetTexture(0, strip_);
    d->DrawPrimitive(D3DPT_TRIANGLELIST, static_cast<UINT>(quads * 6), 2);
  }
  if (quads > 0) {
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d->SetStreamSource(0, quads_, 0, sizeof(Vertex));
    d->SetTexture(0, font_);
    d->DrawPrimitive(D3DPT_TRIANGLELIST, 0, static_cast<UINT>(quads * 2));
  }
  d->EndScene();
  saved.Restore(d);
}

}  // namespace preview
