// d3d9_letterbox.h -- where Present puts the back buffer in a window of another size
//
// The picture keeps its aspect: it is scaled to fill the window's width or height, whichever
// comes first, and centred; the rest of the window is black bars. A window of the back buffer's
// own size gets it pixel for pixel.
#pragma once

namespace d3d9impl {

struct PresentRect {
  int x, y, width, height;  // in window pixels, origin at the bottom-left (GL's)
  bool covers;              // the picture fills the whole window: no bars to clear
};

inline PresentRect LetterboxRect(int sourceWidth, int sourceHeight, int windowWidth, int windowHeight) {
  if (sourceWidth <= 0 || sourceHeight <= 0 || windowWidth <= 0 || windowHeight <= 0) {
    return PresentRect{0, 0, windowWidth > 0 ? windowWidth : 0, windowHeight > 0 ? windowHeight : 0, true};
  }
  // Compared in 64 bits: window width / height against source width / height.
  long long wide = static_cast<long long>(windowWidth) * sourceHeight;
  long long tall = static_cast<long long>(windowHeight) * sourceWidth;
  int width = windowWidth, height = windowHeight;
  if (wide > tall) {
    width = static_cast<int>((static_cast<long long>(windowHeight) * sourceWidth + sourceHeight / 2) / sourceHeight);
  } else if (wide < tall) {
    height = static_cast<int>((static_cast<long long>(windowWidth) * sourceHeight + sourceWidth / 2) / sourceWidth);
  }
  int x = (windowWidth - width) / 2, y = (windowHeight - height) / 2;
  return PresentRect{x, y, width, height, width == windowWidth && height == windowHeight};
}

}  // namespace d3d9impl
