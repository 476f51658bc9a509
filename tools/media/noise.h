// noise.h -- deterministic integer hashing and tileable value noise for texture detail
#pragma once

#include <cstdint>

namespace media {

// A well-mixed 32-bit hash of three integers (no state, the same on every machine).
uint32_t Hash(int32_t x, int32_t y, uint32_t seed);
// Hash mapped to [0, 1).
float Hash01(int32_t x, int32_t y, uint32_t seed);
// Smooth value noise in [0, 1) on a lattice of `cell` pixels that repeats every `period` pixels
// (period a multiple of cell), so textures built from it tile without a seam.
float ValueNoise(float x, float y, int cell, int period, uint32_t seed);
// Three octaves of ValueNoise, halving the cell each time; in [0, 1).
float Fractal(float x, float y, int cell, int period, uint32_t seed);

}  // namespace media
