#pragma once
// Colours of the painter: straight (not premultiplied) RGBA in 0...1.

#include <algorithm>

namespace media {

struct Color {
    float r = 0, g = 0, b = 0, a = 0;
};

constexpr Color Rgb(int r, int g, int b, float a = 1.0f) {
    return {r / 255.0f, g / 255.0f, b / 255.0f, a};
}

constexpr float Clamp01(float v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }

constexpr float Lerp(float a, float b, float t) { return a + (b - a) * t; }

constexpr Color Mix(const Color& a, const Color& b, float t) {
    return {Lerp(a.r, b.r, t), Lerp(a.g, b.g, t), Lerp(a.b, b.b, t), Lerp(a.a, b.a, t)};
}

// Multiplies the colour channels (darker below 1, lighter above), alpha kept.
constexpr Color Shade(const Color& c, float f) {
    return {Clamp01(c.r * f), Clamp01(c.g * f), Clamp01(c.b * f), c.a};
}

constexpr Color WithAlpha(const Color& c, float a) { return {c.r, c.g, c.b, a}; }

// Hermite step between two edges, as used for soft falloffs.
constexpr float SmoothStep(float e0, float e1, float x) {
    const float t = Clamp01((x - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}

} // namespace media
