// noise.cpp -- integer hash and value noise
#include "tools/media/noise.h"

#include <cmath>

namespace media {

uint32_t Hash(int32_t x, int32_t y, uint32_t seed) {
  uint32_t h = seed * 0x9E3779B9u;
  h ^= static_cast<uint32_t>(x) * 0x85EBCA6Bu;
  h = (h << 13) | (h >> 19);
  h ^= static_cast<uint32_t>(y) * 0xC2B2AE35u;
  h ^= h >> 16;
  h *= 0x7FEB352Du;
  h ^= h >> 15;
  h *= 0x846CA68Bu;
  h ^= h >> 16;
  return h;
}

float Hash01(int32_t x, int32_t y, uint32_t seed) { return static_cast<float>(Hash(x, y, seed) >> 8) / 16777216.0f; }

float ValueNoise(float x, float y, int cell, int period, uint32_t seed) {
  int cells = period / cell;
  float fx = x / static_cast<float>(cell), fy = y / static_cast<float>(cell);
  int ix = static_cast<int>(std::floor(fx)), iy = static_cast<int>(std::floor(fy));
  float tx = fx - static_cast<float>(ix), ty = fy - static_cast<float>(iy);
  tx = tx * tx * (3 - 2 * tx);
  ty = ty * ty * (3 - 2 * ty);
  auto at = [&](int cx, int cy) { return Hash01(((cx % cells) + cells) % cells, ((cy % cells) + cells) % cells, seed); };
  float a = at(ix, iy) + (at(ix + 1, iy) - at(ix, iy)) * tx;
  float b = at(ix, iy + 1) + (at(ix + 1, iy + 1) - at(ix, iy + 1)) * tx;
  return a + (b - a) * ty;
}

float Fractal(float x, float y, int cell, int period, uint32_t seed) {
  float sum = 0, weight = 0, w = 1;
  for (int octave = 0; octave < 3 && cell >= 1; ++octave, cell /= 2, w *= 0.5f) {
    sum += w * ValueNoise(x, y, cell, period, seed + static_cast<uint32_t>(octave));
    weight += w;
  }
  return sum / weight;
}

}  // namespace media
