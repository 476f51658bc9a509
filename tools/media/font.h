// font.h -- the cards' lettering: a 5 x 7 bitmap font of our own, drawn at any whole-pixel scale
#pragma once

#include <string>

#include "tools/media/canvas.h"

namespace media {

constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 7;

// True when the font has a glyph for c (A-Z, 0-9, space and . , ! ? - ' : / & + = ( ) [ ] # %
// < > _ * |); lower case is drawn as upper case.
bool HasGlyph(char c);
// Row `row` (0 at the top) of c's glyph: kGlyphWidth characters, '#' where a pixel is lit;
// null for a character without a glyph or a row outside it.
const char* GlyphRow(char c, int row);
// Width in pixels of text at the scale: each glyph kGlyphWidth + 1 columns, less the last gap.
int TextWidth(const std::string& text, int scale);
// Draws text with its top-left corner at (x, y); characters without a glyph are left blank.
// Each lit glyph pixel becomes a scale x scale block of the colour.
void DrawText(Canvas& canvas, const std::string& text, int x, int y, int scale, Color color);
void DrawText(Canvas& canvas, const char* text, int x, int y, int scale, Color color);
// Text centred on column cx, with a one-pixel outline and a drop shadow down-right.
void DrawTitle(Canvas& canvas, const std::string& text, int cx, int y, int scale, Color face, Color outline);

}  // namespace media
