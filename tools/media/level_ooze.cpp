// The ooze: bands of gooey net slung between the cliff faces. Each band is a
// few rows of blobs, alternate rows set half a step along, every blob joined
// to its row neighbours and to the nearest blobs of the row before, so the
// band is made of triangles. A band's ends are anchored on a cliff (end blobs
// touching the face, saved frozen). A net only
// holds what hangs from anchors above it; one propped up from below sags
// away, so every band hangs: one under each layer of barrels, and empty
// ones between them that catch what falls.

#include <cmath>

#include "tools/media/level.h"

namespace media {
namespace {

using kel::tangle::TAdvBody;

constexpr float kBlobMass = 1;
constexpr float kBlobFriction = 0.6f;
constexpr float kStep = 34;         // along a row
constexpr float kRowGap = 28;       // between rows
constexpr float kAnchorOverlap = 2; // how far an anchored end blob reaches into the cliff
constexpr float kStiffness = 1;
// Strands rest shorter than they are built, so a band hangs taut.
constexpr float kTension = 0.6f;

// A band's first row runs along the knots; further rows lie beside it, to
// the right of the direction of travel (below a row that runs left to right).
// Both ends lie on the cliff faces: their x is moved onto the face at
// their height.
struct Band {
    std::vector<Point> knots;
    int rows;
};

const Band kBands[] = {
    // Under the top three layers, and under the layer at 451.
    {{{0, 193}, {0, 193}}, 3},
    {{{0, 493}, {0, 493}}, 3},
    // Under the two tall stacks of the middle.
    {{{0, 1262}, {0, 1262}}, 3},
    // Under the bottom layer.
    {{{0, 1532}, {0, 1532}}, 3},
    // Empty nets between the layers catch what falls from above, so a cut
    // rarely sends a barrel straight to the fire.
    {{{0, 330}, {0, 330}}, 2},
    {{{0, 712}, {0, 712}}, 2},
    {{{0, 1720}, {0, 1720}}, 2},
};

struct Vec {
    float x, y;
};
Vec Normalised(float x, float y) {
    const float len = std::hypot(x, y);
    return len > 0 ? Vec{x / len, y / len} : Vec{0, 0};
}

// The knots of one row: the band's knots moved aside by whole row gaps
// (mitred at corners), cliff ends on the cliff face.
std::vector<Point> RowPath(const Band& band, int row) {
    const std::vector<Point>& k = band.knots;
    std::vector<Point> path = k;
    const std::size_t n = k.size();
    for (std::size_t i = 0; i < n; ++i) {
        const Vec in = i > 0 ? Normalised(k[i].x - k[i - 1].x, k[i].y - k[i - 1].y) : Vec{0, 0};
        const Vec out =
            i + 1 < n ? Normalised(k[i + 1].x - k[i].x, k[i + 1].y - k[i].y) : Vec{0, 0};
        // Right of travel on screen (y down) is (-dy, dx).
        const Vec a{-in.y, in.x}, b{-out.y, out.x};
        Vec side = Normalised(a.x + b.x, a.y + b.y);
        const float cosHalf = side.x * (i > 0 ? a.x : b.x) + side.y * (i > 0 ? a.y : b.y);
        const float mitre = cosHalf > 0.3f ? 1 / cosHalf : 1;
        path[i].x += side.x * row * kRowGap * mitre;
        path[i].y += side.y * row * kRowGap * mitre;
    }
    const float anchor = kBlobRadius - kAnchorOverlap;
    path.front().x = CliffFace(path.front().y) + anchor;
    path.back().x = kWorldWidth - CliffFace(path.back().y) - anchor;
    return path;
}

// The point at arc length s along a polyline.
Point Along(const std::vector<Point>& path, float s) {
    for (std::size_t i = 1; i < path.size(); ++i) {
        const Point a = path[i - 1], b = path[i];
        const float len = std::hypot(b.x - a.x, b.y - a.y);
        if (s <= len || i + 1 == path.size()) {
            const float t = len > 0 ? std::min(1.0f, s / len) : 0;
            return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t};
        }
        s -= len;
    }
    return path.back();
}

float Length(const std::vector<Point>& path) {
    float len = 0;
    for (std::size_t i = 1; i < path.size(); ++i)
        len += std::hypot(path[i].x - path[i - 1].x, path[i].y - path[i - 1].y);
    return len;
}

float Distance(const TAdvBody& ooze, int a, int b) {
    return std::hypot(ooze.MassGetX(a) - ooze.MassGetX(b), ooze.MassGetY(a) - ooze.MassGetY(b));
}

// A strand between two blobs, resting shorter than the blobs stand apart.
void Join(TAdvBody& ooze, int a, int b) {
    ooze.ConAdd(a, b, Distance(ooze, a, b) * kTension, kStiffness);
}

struct Slots {
    int first, count;
};

// One row of blobs joined in a chain. A full row runs from end to end; a
// half-step row sits between two full ones and hangs from them.
Slots AddRow(TAdvBody& ooze, const std::vector<Point>& path, bool halfStep) {
    const float len = Length(path);
    const int steps = std::max(1, static_cast<int>(std::lround(len / kStep)));
    std::vector<float> at;
    if (halfStep)
        for (int k = 0; k < steps; ++k) at.push_back((k + 0.5f) * len / steps);
    else
        for (int k = 0; k <= steps; ++k) at.push_back(k * len / steps);
    const int first = ooze.MassMaxIndex() + 1;
    for (float s : at) {
        const Point p = Along(path, s);
        ooze.MassAdd(p.x, p.y, kBlobMass, kBlobRadius, kBlobFriction, kOozeGroup);
    }
    const int count = static_cast<int>(at.size());
    for (int k = 1; k < count; ++k) Join(ooze, first + k - 1, first + k);
    return {first, count};
}

// Joins each blob of the later row to the blobs of the earlier row near it.
void JoinRows(TAdvBody& ooze, Slots earlier, Slots later) {
    const float reach = 1.25f * std::hypot(kStep * 0.5f, kRowGap);
    for (int i = later.first; i < later.first + later.count; ++i)
        for (int j = earlier.first; j < earlier.first + earlier.count; ++j)
            if (Distance(ooze, i, j) <= reach) Join(ooze, j, i);
}

} // namespace

core::Ref<TAdvBody> BuildOoze() {
    core::Ref<TAdvBody> ooze = core::Make<TAdvBody>();
    ooze->SetName("Ooze");
    for (const Band& band : kBands) {
        std::vector<int> ends; // first and last blobs of the full rows
        Slots before{0, 0};
        for (int row = 0; row < band.rows; ++row) {
            const bool half = row % 2 == 1;
            const Slots slots = AddRow(*ooze, RowPath(band, row), half);
            if (row > 0) JoinRows(*ooze, before, slots);
            if (!half) {
                ends.push_back(slots.first);
                ends.push_back(slots.first + slots.count - 1);
            }
            before = slots;
        }
        // The ends are saved frozen: the band hangs from them from the first
        // step on.
        for (int i : ends) ooze->MassFreeze(i);
    }
    return ooze;
}

} // namespace media
