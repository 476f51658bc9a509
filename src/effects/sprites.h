// sprites.h -- the sprite layers: one of twelve images tiled over the whole view
//
// Every image is drawn the same way: "media/texture.fx" renders a 4 x 4 grid of quads that
// each carry the whole image, through an orthographic projection whose extent decides how many
// cells fill the view (4 x 4, 2 x 2 or one). The draws differ only in how they pick the image:
// a flipbook pair on the system clock, a still image, or the first pair on the music's beat.
#pragma once

#include <d3d9.h>

#include <cstdint>

class Device;
class Effect;
class Texture;
class VertexBuffer;

// The grid's vertex: position and one texture coordinate, D3DFVF_XYZ | D3DFVF_TEX1.
struct SpriteVertex {
  float x, y, z;
  float u, v;
};
static_assert(sizeof(SpriteVertex) == 20, "the grid's stride is 20 bytes");

constexpr DWORD kSpriteVertexFvf = D3DFVF_XYZ | D3DFVF_TEX1;  // 0x102
constexpr int kSpriteSlots = 12;
constexpr int kSpriteGridVertices = 96;  // 4 x 4 quads of two triangles

// Creates and fills the grid, loads the twelve images in slot order, then "media/texture.fx".
// A grid that cannot be made or filled shows the "SHIT" message box and is not drawn; loading
// goes on. Missing images and effect leave their references null. Returns 1 in every case.
int LoadSprites(Device* device);

// pair 0 to 5 flickers between its two images on a 250 ms cycle of timeGetTime (the second
// image for phases 0 to 125 ms); zoom 0, 1, 2 shows 4 x 4, 2 x 2 or one copy. Values outside
// those ranges, and a pair, grid or effect that did not load, draw nothing.
void DrawSpriteFlipbook(Device* device, int pair, int zoom);
// Still image 0 to 3 (slots 8 to 11), one copy over the whole view; others draw nothing.
void DrawSpriteImage(Device* device, int image);
// Pair 0 at the sixteenth-note length spriteSixteenthMs: "media/octo2.png" for the first half of each
// sixteenth (its midpoint included), "media/octo1.png" for the rest, one copy over the view.
void DrawSpriteBeat(Device* device);

// The module's resources: made by the Device's factories, owned and released by the Device.
extern Texture* spriteImages[kSpriteSlots];
extern VertexBuffer* spriteGrid;  // null when it could not be made or filled
extern Effect* spriteEffect;
// The script's sixteenth note in milliseconds for the sprite beat; 125 (120 bpm) until the
// demo's start-up passes the tempo that go.xml gives.
extern uint32_t spriteSixteenthMs;
