// sprites.cpp -- the sprite grid, its images and effect, and the three sprite draws
#include "src/effects/sprites.h"

#include <windows.h>

#include <d3dx9.h>
#include <mmsystem.h>

#include "src/common/grow_array.h"
#include "src/device/device.h"
#include "src/device/effect.h"
#include "src/device/texture.h"
#include "src/device/vertex_buffer.h"
#include "src/effects/effect_dispatcher.h"
#include "src/effects/effect_table.h"
#include "src/timeline/timeline.h"

Texture* spriteImages[kSpriteSlots];
VertexBuffer* spriteGrid;
Effect* spriteEffect;
uint32_t spriteSixteenthMs = 125;

namespace {

// Slot order is load order; a pair p is slots 2p and 2p + 1, still image k is slot 8 + k.
const char* const kSpriteFiles[kSpriteSlots] = {
    "media/octo1.png",  "media/octo2.png",  "media/pig1.png",   "media/pig2.png",
    "media/snake1.png", "media/snake2.png", "media/croc1.png",  "media/croc2.png",
    "media/qola1.png",  "media/qola2.png",  "media/qola3.png",  "media/qola4.png",
};
constexpr int kPairs = 6;
constexpr int kStillImages = 4;
constexpr int kFirstStillSlot = 8;

constexpr int kGridCells = 4;
constexpr float kGridZ = 10.0f;
// Each cell shows the image's full width but only the top 74.9 % of its height: the sprite
// pictures keep their bottom quarter out of view.
constexpr float kLowerV = 0.749f;
constexpr UINT kGridTriangles = kSpriteGridVertices / 3;

// View extents by zoom: the whole grid, its top-left 2 x 2 cells, its top-left cell.
constexpr float kZoomExtents[] = {1.0f, 0.5f, 0.25f};
constexpr int kZooms = sizeof(kZoomExtents) / sizeof(kZoomExtents[0]);
constexpr float kOneCopyExtent = 0.25f;

constexpr DWORD kFlipbookCycleMs = 250;
constexpr DWORD kFlipbookSecondImageUntilMs = 125;  // phases 0 to 125 show the second image

// Row by row from y = 0, each row left to right; two triangles a cell.
void BuildGrid(GrowArray<SpriteVertex>* vertices) {
  for (int i = 0; i < kGridCells; ++i) {
    for (int j = 0; j < kGridCells; ++j) {
      const float x0 = 0.25f * j, x1 = 0.25f * (j + 1);
      const float y0 = 0.25f * i, y1 = 0.25f * (i + 1);
      const SpriteVertex cell[6] = {
          {x0, y0, kGridZ, 0.0f, 0.0f},    {x1, y0, kGridZ, 1.0f, 0.0f},
          {x0, y1, kGridZ, 0.0f, kLowerV}, {x1, y1, kGridZ, 1.0f, kLowerV},
          {x0, y1, kGridZ, 0.0f, kLowerV}, {x1, y0, kGridZ, 1.0f, 0.0f},
      };
      for (const SpriteVertex& v : cell) vertices->Append(v);
    }
  }
}

// Makes and fills the grid; null when either step fails (a buffer made but not filled stays
// registered with the Device, which releases it, but is never drawn).
VertexBuffer* MakeGrid(Device* device) {
  VertexBuffer* grid = device->CreateVertexBuffer(sizeof(SpriteVertex), kSpriteGridVertices,
                                                  D3DUSAGE_WRITEONLY, kSpriteVertexFvf, D3DPOOL_DEFAULT);
  if (!grid) return nullptr;
  GrowArray<SpriteVertex> vertices;
  BuildGrid(&vertices);
  if (vertices.count != kSpriteGridVertices) return nullptr;
  if (FAILED(grid->Fill(vertices.items, vertices.count * sizeof(SpriteVertex), 0))) return nullptr;
  return grid;
}

// The draw every sprite layer shares: the slot's image over a view of extent x extent grid
// units. Without the image, the grid or the effect nothing is drawn, not even the scene.
void DrawSprites(Device* device, int slot, float extent) {
  Texture* image = spriteImages[slot];
  if (!device || !device->device || !spriteGrid || !spriteEffect || !image || !image->texture) return;
  IDirect3DDevice9* d3d = device->device;
  ID3DXEffect* effect = spriteEffect->effect;
  d3d->BeginScene();
  effect->SetTechnique("T0");
  effect->SetTexture("TextureMap", image->texture);
  // x = 0 at the left edge and x = extent at the right, y = 0 at the top and y = extent at the
  // bottom; the grid's z = 10 lies inside the depth range. No aspect correction.
  D3DXMATRIX projection;
  D3DXMatrixOrthoOffCenterLH(&projection, 0.0f, extent, extent, 0.0f, 1.0f, 100.0f);
  effect->SetMatrix("Matrix", &projection);
  spriteGrid->Bind(0, 0);
  effect->CommitChanges();
  UINT passes = 0;
  if (SUCCEEDED(effect->Begin(&passes, 0))) {
    for (UINT pass = 0; pass < passes; ++pass) {
      effect->BeginPass(pass);
      d3d->DrawPrimitive(D3DPT_TRIANGLELIST, 0, kGridTriangles);
      effect->EndPass();
    }
    effect->End();
  }
  d3d->EndScene();
}

}  // namespace

int LoadSprites(Device* device) {
  spriteGrid = nullptr;
  spriteEffect = nullptr;
  for (Texture*& image : spriteImages) image = nullptr;
  if (!device) return 1;
  spriteGrid = MakeGrid(device);
  if (!spriteGrid) MessageBoxA(nullptr, "SHIT", nullptr, MB_OK);
  for (int slot = 0; slot < kSpriteSlots; ++slot) spriteImages[slot] = device->LoadTexture(kSpriteFiles[slot]);
  spriteEffect = device->LoadEffect("media/texture.fx");
  return 1;
}

void DrawSpriteFlipbook(Device* device, int pair, int zoom) {
  if (pair < 0 || pair >= kPairs || zoom < 0 || zoom >= kZooms) return;
  const DWORD phase = timeGetTime() % kFlipbookCycleMs;
  const int slot = phase <= kFlipbookSecondImageUntilMs ? 2 * pair + 1 : 2 * pair;
  DrawSprites(device, slot, kZoomExtents[zoom]);
}

void DrawSpriteImage(Device* device, int image) {
  if (image < 0 || image >= kStillImages) return;
  DrawSprites(device, kFirstStillSlot + image, kOneCopyExtent);
}

void DrawSpriteBeat(Device* device) {
  const uint32_t sixteenthMs = spriteSixteenthMs;
  // A sixteenth that truncates to 0 ms (past 15000 bpm) has no phase: it stays at the image
  // every sixteenth opens with.
  const uint32_t phase = sixteenthMs ? timeGetTime() % sixteenthMs : 0;
  DrawSprites(device, phase > (sixteenthMs >> 1) ? 0 : 1, kOneCopyExtent);
}

namespace {

void LoadSpritesRow(Device* device) { LoadSprites(device); }

// The beat's tempo is the script's: the timeline holds it once the script is read.
void WarmUpSprites(Device* device, const Timeline& timeline) {
  spriteSixteenthMs = timeline.SixteenthsToMs(1);
  DrawSpriteBeat(device);
}

void DrawSpritesEvent(Device* device, const EffectEvent& event) {
  if (event.type == kEffectSpriteFlipbook)
    DrawSpriteFlipbook(device, event.param1, event.param2);
  else
    DrawSpriteImage(device, event.param1);
}

}  // namespace

// Flipbooks (param1 pair, param2 zoom) and stills (param1 image); the Device owns all it made.
const EffectEntry kSpritesEffect = {
    "sprites", kEffectSpriteFlipbook, 2, 2, LoadSpritesRow, WarmUpSprites, DrawSpritesEvent, nullptr,
};
