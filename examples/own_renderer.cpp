// Drawing with a renderer of your own, with no drawing back end at all:
// the world's lists of masses and constraints are walked and plotted into
// a grid of characters. A chain hangs between two frozen masses.
#include <cstdio>
#include <string>
#include <vector>

#include "physics/tangle.h"

using namespace kel::tangle;

namespace {

constexpr int kColumns = 60, kRows = 20;
constexpr float kWidth = 300, kHeight = 200;

// [own-renderer]
// The world as text: '.' along each constraint, 'o' for a free mass, '#'
// for a frozen one.
std::vector<std::string> Render() {
    std::vector<std::string> rows(kRows, std::string(kColumns, ' '));
    auto plot = [&](float x, float y, char c) {
        const int col = static_cast<int>(x / kWidth * kColumns);
        const int row = static_cast<int>(y / kHeight * kRows);
        if (col >= 0 && col < kColumns && row >= 0 && row < kRows) rows[row][col] = c;
    };
    // Everything that takes part in the simulation is in these lists.
    for (TConstraint* c : constraintList->Each<TConstraint>()) {
        const TMass *a = c->GetMass1(), *b = c->GetMass2();
        for (float t = 0; t <= 1; t += 0.1f)
            plot(a->GetX() + (b->GetX() - a->GetX()) * t, a->GetY() + (b->GetY() - a->GetY()) * t,
                 '.');
    }
    for (TMass* m : massList->Each<TMass>()) plot(m->GetX(), m->GetY(), m->IsFrozen() ? '#' : 'o');
    return rows;
}
// [/own-renderer]

} // namespace

int main() {
    core::Ref<TPhysics> world = TPhysics::Create(kWidth, kHeight, 0.1f, 0, 4);
    core::Ref<TAdvBody> chain = core::Make<TAdvBody>();
    constexpr int kLinks = 12;
    const int group = NewColGroup(); // one for the whole chain: its links never collide
    for (int k = 0; k < kLinks; ++k) chain->MassAdd(40 + 20.0f * k, 40, 1, 4, 0.5f, group);
    for (int k = 0; k + 1 < kLinks; ++k) chain->ConAdd(k, k + 1, 0, 1);
    chain->MassFreeze(0);
    chain->MassFreeze(kLinks - 1);
    chain->Activate();

    for (int step = 0; step < 200; ++step) TPhysics::Update();
    const std::vector<std::string> picture = Render();
    for (const std::string& row : picture) std::printf("|%s|\n", row.c_str());

    // The chain sags: its middle hangs below its ends.
    const int endRow = static_cast<int>(40 / kHeight * kRows);
    int lowest = 0;
    for (int row = 0; row < kRows; ++row)
        if (picture[row].find('o') != std::string::npos) lowest = row;
    if (lowest <= endRow) {
        std::fprintf(stderr, "own_renderer: the chain does not hang\n");
        return 1;
    }
    return 0;
}
