// Asking the world what lies where: the first thing a ray meets, everything
// in a box or at a point, and the mass nearest to a point. The queries read
// the collision grid and the zones' quadtrees, so they stay cheap in large
// worlds, and they change nothing.
#include <cstdio>
#include <vector>

#include "physics/tangle.h"

using namespace kel::tangle;

int main() {
    core::Ref<TPhysics> world = TPhysics::Create(400, 300, 0.1f, 0, 2);
    // The grid: cells of 50 x 37.5 units, room for masses of radius 10
    // and the little they move within a step.
    TPhysics::UseShiftedGrid(1);
    TPhysics::SetGridSize(8);

    // A floor, and a row of balls resting on it.
    core::Ref<TZone> floor =
        TZone::Create({0, 250, 400, 250, 400, 300, 0, 300}, TZone::FILL, 0.5f, -1, 4);
    std::vector<core::Ref<TMass>> balls;
    for (int k = 0; k < 8; ++k) {
        balls.push_back(TMass::Create(60 + 40.0f * static_cast<float>(k), 230, 1, 10, 0.5f, -1));
        balls.back()->AddRef();
    }
    for (int step = 0; step < 120; ++step) TPhysics::Update();

    // [queries]
    // A ray straight down at x = 100: the first thing it meets.
    TRayHit hit;
    if (TPhysics::RayCast(100, 0, 100, 300, hit))
        std::printf("the ray meets %s at (%.1f, %.1f), %.0f%% along, normal (%.1f, %.1f)\n",
                    hit.mass ? "a ball" : "the floor", hit.x, hit.y, hit.fraction * 100,
                    hit.normalX, hit.normalY);

    // Everything a slanting ray meets, in order, until we say stop.
    int seen = 0;
    TPhysics::RayCastAll(0, 200, 400, 280, [&](const TRayHit& h) {
        ++seen;
        return h.mass != nullptr; // stop at the first zone
    });

    // What overlaps a box (corners in any order), and what holds a point.
    int inBox = 0;
    TPhysics::QueryBox(190, 200, 115, 260, [&](TMass* m, TZone* z) {
        if (m) ++inBox;
        if (z) std::printf("the box reaches into the floor\n");
        return true; // go on
    });
    int atPoint = 0;
    TPhysics::QueryPoint(200, 280, [&](TMass*, TZone* z) {
        atPoint += z == floor ? 1 : 0;
        return true;
    });

    // The mass whose edge is nearest to a point, within 15 units of it;
    // `edge` is how far (negative inside the mass).
    float edge = 0;
    TMass* nearest = TPhysics::NearestMass(175, 222, 15, edge);

    // Filters: act as a mass of the floor's group (the floor is left out),
    // or keep only what a predicate keeps.
    const bool overFloor =
        TPhysics::RayCast(20, 0, 20, 300, hit, TQueryFilter::Group(floor->GetColGroup()));
    auto rightHalf = [](TMass* m) { return m->GetX() > 200; };
    int right = TPhysics::QueryBox(
        0, 0, 400, 300, [](TMass*, TZone*) { return true; }, TQueryFilter::Masses(rightHalf));
    // [/queries]

    std::printf("%d hits along the slant; %d balls in the box; the floor holds (200, 280): %s\n",
                seen, inBox, atPoint ? "yes" : "no");
    if (nearest)
        std::printf("nearest to (175, 222): the ball at x = %.0f, its edge %.1f away\n",
                    nearest->GetX(), edge);
    std::printf("acting as the floor's group the ray at x = 20 %s; %d balls right of the middle\n",
                overFloor ? "hits something" : "meets nothing", right);

    // The answers this world must give.
    const bool ok =
        seen == 3 && inBox == 2 && atPoint == 1 && nearest == balls[3] && !overFloor && right == 4;
    if (!ok || !TPhysics::RayCast(100, 0, 100, 300, hit) || hit.mass != balls[1]) {
        std::fprintf(stderr, "queries: an answer was not the one expected\n");
        return 1;
    }
    return 0;
}
