#include "tools/media/glyphs.h"

#include <cmath>
#include <numbers>
#include <vector>

#include "core/error.h"

namespace media {
namespace {

// Glyph space: y = 0 at cap height, 1 at the baseline, x from the left edge
// of the pen path. The x-height is tall (0.62) for a chunky, friendly look.
constexpr float XTOP = 0.38f;

using Path = std::vector<float>;

struct Glyph {
    char ch;
    float advance;
    std::vector<Path> paths;
};

// An elliptic arc from a0 to a1 degrees (0 = right, 90 = down).
Path Arc(float cx, float cy, float rx, float ry, float a0, float a1) {
    Path p;
    const int steps = std::max(4, int(std::fabs(a1 - a0) / 10));
    for (int i = 0; i <= steps; ++i) {
        const float a = (a0 + (a1 - a0) * i / steps) * std::numbers::pi_v<float> / 180;
        p.push_back(cx + rx * std::cos(a));
        p.push_back(cy + ry * std::sin(a));
    }
    return p;
}

Path Then(Path a, const Path& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const std::vector<Glyph>& Glyphs() {
    static const std::vector<Glyph> glyphs = [] {
        const float bowlY = (XTOP + 1) / 2, bowlR = (1 - XTOP) / 2;
        std::vector<Glyph> g;
        g.push_back(
            {'Q', 0.98f, {Arc(0.44f, 0.5f, 0.44f, 0.5f, 0, 360), {0.56f, 0.74f, 0.96f, 1.06f}}});
        g.push_back({'o', 0.62f, {Arc(0.31f, bowlY, 0.31f, bowlR, 0, 360)}});
        g.push_back(
            {'u',
             0.62f,
             {Then(Path{0, XTOP}, Arc(0.3f, 0.72f, 0.3f, 0.28f, 180, 0)), {0.6f, XTOP, 0.6f, 1}}});
        g.push_back(
            {'n',
             0.62f,
             {{0, XTOP, 0, 1}, Then(Arc(0.3f, 0.66f, 0.3f, 0.28f, 180, 360), Path{0.6f, 1})}});
        g.push_back({'r', 0.46f, {{0, XTOP, 0, 1}, Arc(0.34f, 0.68f, 0.34f, 0.3f, 180, 285)}});
        g.push_back({'v', 0.62f, {{0, XTOP, 0.31f, 1, 0.62f, XTOP}}});
        g.push_back(
            {'e',
             0.62f,
             {Then(Path{0.02f, bowlY, 0.6f, bowlY}, Arc(0.31f, bowlY, 0.3f, bowlR, 0, -310))}});
        g.push_back({'l', 0.28f, {Then(Path{0, 0}, Arc(0.18f, 0.84f, 0.18f, 0.16f, 180, 75))}});
        g.push_back({'t',
                     0.4f,
                     {Then(Path{0.12f, 0.08f}, Arc(0.3f, 0.84f, 0.18f, 0.16f, 180, 75)),
                      {-0.04f, XTOP, 0.38f, XTOP}}});
        g.push_back({'a', 0.62f, {Arc(0.3f, bowlY, 0.3f, bowlR, 0, 360), {0.6f, XTOP, 0.6f, 1}}});
        g.push_back({'g',
                     0.62f,
                     {Arc(0.3f, bowlY, 0.3f, bowlR, 0, 360),
                      Then(Path{0.6f, XTOP}, Arc(0.3f, 1.02f, 0.3f, 0.24f, 0, 155))}});
        g.push_back({'k', 0.56f, {{0, 0, 0, 1}, {0.52f, XTOP, 0.04f, 0.7f, 0.56f, 1}}});
        g.push_back({'.', 0.2f, {{0.04f, 1, 0.04f, 1}}});
        g.push_back({' ', 0.35f, {}});
        return g;
    }();
    return glyphs;
}

const Glyph& Find(char c) {
    for (const Glyph& g : Glyphs())
        if (g.ch == c) return g;
    throw core::RuntimeError(std::string("No glyph for '") + c + "'");
}

} // namespace

Strokes TextStrokes(const std::string& text, float x, float baseline, const TextStyle& style) {
    Strokes s;
    const float h = style.capHeight, top = baseline - h;
    const float radius = style.weight * h;
    for (char c : text) {
        const Glyph& g = Find(c);
        for (const Path& path : g.paths) {
            Path p(path.size());
            for (std::size_t i = 0; i + 1 < path.size(); i += 2) {
                p[i] = x + path[i] * h;
                p[i + 1] = top + path[i + 1] * h;
            }
            s.AddPolyline(p, radius);
        }
        x += (g.advance + style.spacing) * h;
    }
    return s;
}

float TextWidth(const std::string& text, const TextStyle& style) {
    float w = 0;
    for (char c : text) w += (Find(c).advance + style.spacing) * style.capHeight;
    return text.empty() ? 0 : w - style.spacing * style.capHeight;
}

} // namespace media
