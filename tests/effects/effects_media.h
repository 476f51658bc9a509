// effects_media.h -- a scratch run directory for the effects: their .fx files, made-up images
// and a generated sphere under "media/", where the effects look for them
//
// Shared by the effects tests and benchmarks. The effects load fixed paths relative to the
// working directory, so a RunDir is entered (chdir) while they load and draw.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/picture.h"
#include "tests/support/scratch_dir.h"

namespace effects_media {

// The sprite slots' files, in slot order.
inline const char* const kSpriteFiles[12] = {
    "media/octo1.png",  "media/octo2.png",  "media/pig1.png",  "media/pig2.png",
    "media/snake1.png", "media/snake2.png", "media/croc1.png", "media/croc2.png",
    "media/qola1.png",  "media/qola2.png",  "media/qola3.png", "media/qola4.png",
};

// One colour per slot, far enough apart to tell every slot from a read-back average.
inline const uint32_t kSlotColours[12] = {
    0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF,
    0xFF8000, 0x8000FF, 0x008000, 0x808080, 0x800000, 0x000080,
};

struct Image {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgba;
  Image(int w, int h) : width(w), height(h), rgba(static_cast<size_t>(w) * h * 4, 0) {}
  void Fill(int x0, int y0, int x1, int y1, uint32_t rgb, uint8_t alpha = 255) {
    for (int y = y0; y < y1; ++y) {
      for (int x = x0; x < x1; ++x) {
        uint8_t* p = &rgba[(static_cast<size_t>(y) * width + x) * 4];
        p[0] = static_cast<uint8_t>(rgb >> 16);
        p[1] = static_cast<uint8_t>(rgb >> 8);
        p[2] = static_cast<uint8_t>(rgb);
        p[3] = alpha;
      }
    }
  }
  bool Write(const std::string& path) const { return testsupport::WritePngRgba(path, width, height, rgba); }
};

// 64 x 64: the slot's colour over the left 48 columns, the right 16 transparent (white with
// alpha 0, which must come out black over the black frame).
inline Image SlotImage(int slot) {
  Image image(64, 64);
  image.Fill(0, 0, 48, 64, kSlotColours[slot]);
  image.Fill(48, 0, 64, 64, 0xFFFFFF, 0);
  return image;
}

// 64 x 64 with the quadrants of the visible part told apart: rows 0-31 red | green, rows
// 32-47 blue | yellow, and an 8 x 8 magenta mark in the top-left corner. Rows 48-63, the
// bottom quarter the sprite grid never shows, are white.
constexpr uint32_t kTopLeft = 0xFF0000, kTopRight = 0x00FF00, kBottomLeft = 0x0000FF, kBottomRight = 0xFFFF00;
constexpr uint32_t kMark = 0xFF00FF, kHidden = 0xFFFFFF;
inline Image QuadrantImage() {
  Image image(64, 64);
  image.Fill(0, 0, 32, 32, kTopLeft);
  image.Fill(32, 0, 64, 32, kTopRight);
  image.Fill(0, 32, 32, 48, kBottomLeft);
  image.Fill(32, 32, 64, 48, kBottomRight);
  image.Fill(0, 48, 64, 64, kHidden);
  image.Fill(0, 0, 8, 8, kMark);
  return image;
}

// A stand-in environment map for the metal: a sky fading from pale blue to white at the
// horizon, a dark ground below, a bright sun up left, as a chrome ball would show them.
inline Image EnvironmentImage() {
  const int size = 128;
  Image image(size, size);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      double fy = (y + 0.5) / size, fx = (x + 0.5) / size;
      double r, g, b;
      if (fy < 0.55) {
        double k = fy / 0.55;
        r = 90 + 150 * k, g = 140 + 110 * k, b = 220 + 35 * k;
      } else {
        double k = (fy - 0.55) / 0.45;
        r = 110 - 70 * k, g = 95 - 60 * k, b = 80 - 50 * k;
      }
      double sun = std::exp(-((fx - 0.3) * (fx - 0.3) + (fy - 0.25) * (fy - 0.25)) * 120.0);
      r += 255 * sun, g += 255 * sun, b += 230 * sun;
      image.Fill(x, y, x + 1, y + 1,
                 (static_cast<uint32_t>(std::fmin(r, 255.0)) << 16) | (static_cast<uint32_t>(std::fmin(g, 255.0)) << 8) |
                     static_cast<uint32_t>(std::fmin(b, 255.0)));
    }
  }
  return image;
}

// A UV sphere of the given radius about the origin as a text .x file, positions only: one
// vertex at each pole, rings between. Faces are clockwise seen from outside (Direct3D's
// front faces).
inline bool WriteSphereX(const std::string& path, float radius, int stacks, int slices) {
  std::ofstream out(path);
  const double pi = 3.14159265358979323846;
  const int rings = stacks - 1;
  const int vertices = 2 + rings * slices;
  const int faces = 2 * slices + 2 * slices * (rings - 1);
  out << "xof 0303txt 0032\n// generated UV sphere, " << stacks << " stacks, " << slices << " slices\nMesh Sphere {\n "
      << vertices << ";\n";
  out << " 0.000000;" << radius << ";0.000000;,\n";
  for (int i = 1; i <= rings; ++i) {
    double polar = pi * i / stacks;
    for (int j = 0; j < slices; ++j) {
      double azimuth = 2.0 * pi * j / slices;
      out << " " << radius * std::sin(polar) * std::cos(azimuth) << ";" << radius * std::cos(polar) << ";"
          << radius * std::sin(polar) * std::sin(azimuth) << ";,\n";
    }
  }
  out << " 0.000000;" << -radius << ";0.000000;;\n " << faces << ";\n";
  const int bottom = vertices - 1;
  auto ring = [slices](int i, int j) { return 1 + (i - 1) * slices + (j % slices); };
  int written = 0;
  auto face = [&](int a, int b, int c) {
    out << " 3;" << a << "," << b << "," << c << (++written == faces ? ";;\n" : ";,\n");
  };
  for (int j = 0; j < slices; ++j) face(0, ring(1, j + 1), ring(1, j));
  for (int i = 1; i < rings; ++i) {
    for (int j = 0; j < slices; ++j) {
      face(ring(i, j), ring(i, j + 1), ring(i + 1, j));
      face(ring(i, j + 1), ring(i + 1, j + 1), ring(i + 1, j));
    }
  }
  for (int j = 0; j < slices; ++j) face(bottom, ring(rings, j), ring(rings, j + 1));
  out << "}\n";
  return static_cast<bool>(out);
}

// A fresh directory under /tmp with "media/" and "media/maps/", the demo's two effect files
// linked in from fxDir (the demo's media folder). Enter makes it the working directory; Leave
// returns and removes it.
class RunDir {
 public:
  bool Enter(const std::string& fxDir) {
    std::error_code error;
    std::filesystem::create_directories(dir_.path() + "/media/maps", error);
    for (const char* fx : {"texture.fx", "spheredistort.fx"}) {
      std::filesystem::create_symlink(fxDir + "/" + fx, dir_.path() + "/media/" + fx, error);
      if (error) return false;
    }
    return dir_.Enter();
  }
  void Leave() { dir_.Leave(); }
  const std::string& path() const { return dir_.path(); }

 private:
  testsupport::ScratchDir dir_{"qola_effects"};
};

}  // namespace effects_media
