#include "tools/media/noise.h"

#include <cmath>

namespace media {

float LatticeHash(int x, int y, std::uint32_t seed) {
    std::uint32_t h = seed * 0x9E3779B9u;
    h ^= std::uint32_t(x) * 0x85EBCA6Bu;
    h = (h << 13) | (h >> 19);
    h ^= std::uint32_t(y) * 0xC2B2AE35u;
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return float(h >> 8) / float(1u << 24);
}

float ValueNoise(float x, float y, std::uint32_t seed) {
    const float fx = std::floor(x), fy = std::floor(y);
    const int ix = int(fx), iy = int(fy);
    float tx = x - fx, ty = y - fy;
    tx = tx * tx * (3 - 2 * tx);
    ty = ty * ty * (3 - 2 * ty);
    const float a = LatticeHash(ix, iy, seed), b = LatticeHash(ix + 1, iy, seed);
    const float c = LatticeHash(ix, iy + 1, seed), d = LatticeHash(ix + 1, iy + 1, seed);
    const float top = a + (b - a) * tx, bottom = c + (d - c) * tx;
    return top + (bottom - top) * ty;
}

float FractalNoise(float x, float y, int octaves, std::uint32_t seed) {
    float sum = 0, amplitude = 1, total = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += ValueNoise(x, y, seed + std::uint32_t(i) * 7919u) * amplitude;
        total += amplitude;
        amplitude *= 0.5f;
        x *= 2;
        y *= 2;
    }
    return total > 0 ? sum / total : 0;
}

} // namespace media
