#include "scenes.h"

#include <cmath>

namespace bench_scenes {

namespace {

constexpr int kPileRow = 116;
constexpr float kPileSpacing = 8.5f;
constexpr float kInset = 5; // from the walls

} // namespace

Scene Make(Layout layout, int count) {
    const bool pile = layout == Layout::Pile;
    Scene s;
    s.gravity = pile ? 0.15f : 0;
    s.settleSteps = pile ? 300 : 30;
    const int perRow = pile ? kPileRow : static_cast<int>(std::ceil(std::sqrt(count * 0.5)));
    const int rows = (count + perRow - 1) / perRow;
    const float sx = pile ? kPileSpacing : (Scene::kWidth - 2 * kInset) / static_cast<float>(perRow);
    const float sy = pile ? kPileSpacing : (Scene::kHeight - 2 * kInset) / static_cast<float>(rows);
    for (int k = 0; k < count; ++k) {
        // Every other row shifted by a quarter, so that rows rest in the gaps.
        const float x = kInset + static_cast<float>(k % perRow) * sx +
                        static_cast<float>((k / perRow) % 2) * sx * 0.25f;
        const float y = Scene::kHeight - kInset - static_cast<float>(k / perRow) * sy;
        s.starts.push_back({x, y});
    }
    return s;
}

Scene MakeSideBySide(int count, int perPile) {
    const Scene one = Make(Layout::Pile, perPile);
    Scene s = one;
    const int piles = (count + perPile - 1) / perPile;
    s.width = Scene::kWidth * static_cast<float>(piles);
    s.starts.clear();
    s.starts.reserve(static_cast<std::size_t>(count));
    for (int k = 0; k < count; ++k) {
        const Point at = one.starts[static_cast<std::size_t>(k % perPile)];
        s.starts.push_back({at.x + Scene::kWidth * static_cast<float>(k / perPile), at.y});
    }
    return s;
}

Scene MakeScaledPile(int count, float across, float down) {
    Scene s = Make(Layout::Pile, 0);
    s.width = Scene::kWidth * across;
    s.height = Scene::kHeight * down;
    const int perRow = static_cast<int>(std::lround(kPileRow * across));
    s.starts.reserve(static_cast<std::size_t>(count));
    for (int k = 0; k < count; ++k) {
        const float x = kInset + static_cast<float>(k % perRow) * kPileSpacing +
                        static_cast<float>((k / perRow) % 2) * kPileSpacing * 0.25f;
        const float y = s.height - kInset - static_cast<float>(k / perRow) * kPileSpacing;
        s.starts.push_back({x, y});
    }
    return s;
}

} // namespace bench_scenes
