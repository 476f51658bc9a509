// strip_renderer.h -- the strip on screen, through the Direct3D layer
//
// The painted strip is one texture, uploaded only when the painter ran. Every frame adds only
// the playheads and the readout: quads in one dynamic vertex buffer, cut from a font texture of
// our own 5 x 7 glyphs (one cell of it solid, for plain rectangles), drawn crisp with point
// filtering at whole-pixel scales. Everything is made once in Create; a frame allocates nothing
// and the render states it changes are put back as they were, so the demo's next frame
// starts from the state it left.
#pragma once

#include <d3d9.h>

#include <cstdint>

#include "tools/media/canvas.h"

namespace preview {

class StripRenderer {
 public:
  static constexpr int kMaxQuads = 1024;

  StripRenderer() = default;
  ~StripRenderer() { Release(); }
  StripRenderer(const StripRenderer&) = delete;
  StripRenderer& operator=(const StripRenderer&) = delete;

  // The textures and the vertex buffer for a strip of width x height. False when one cannot
  // be made (nothing is drawn then).
  bool Create(IDirect3DDevice9* device, int width, int height);
  void Release();
  // The painted strip into its texture.
  bool Upload(const media::Canvas& strip);

  // A frame's quads, gathered between Begin and Draw: the strip at (x, y), then rectangles and
  // text on it. Text is drawn at a whole-pixel scale; characters without a glyph are blank.
  void Begin();
  void Rect(int x0, int y0, int x1, int y1, media::Color color);
  void Text(const char* text, int x, int y, int scale, media::Color color);
  // Draws the strip texture at (x, y) and the gathered quads over it.
  void Draw(int x, int y);

 private:
  struct Vertex {
    float x, y, z, rhw;
    DWORD color;
    float u, v;
  };
  void Quad(float x0, float y0, float x1, float y1, float u0, float v0, float u1, float v1, DWORD color);
  bool MakeFont();

  IDirect3DDevice9* device_ = nullptr;
  IDirect3DTexture9* strip_ = nullptr;
  IDirect3DTexture9* font_ = nullptr;
  IDirect3DVertexBuffer9* quads_ = nullptr;
  int width_ = 0, height_ = 0;
  Vertex* mapped_ = nullptr;  // while gathering
  int quadCount_ = 0;
};

}  // namespace preview
