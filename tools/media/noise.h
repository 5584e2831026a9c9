#pragma once
// Deterministic value noise for textures: the same seed gives the same
// picture on every run.

#include <cstdint>

namespace media {

// A hash of a lattice point, in [0, 1).
float LatticeHash(int x, int y, std::uint32_t seed);
// Smoothly interpolated lattice values, in [0, 1), one lattice cell per unit.
float ValueNoise(float x, float y, std::uint32_t seed);
// Sum of octaves of value noise (each twice the frequency and half the
// amplitude of the last), normalised to [0, 1).
float FractalNoise(float x, float y, int octaves, std::uint32_t seed);

} // namespace media
