// level_report [folder [settle|bottom|clear]]: plays the real game headless on the media in
// folder/media (default: the repository's) and reports how the level
// behaves: per barrel how far it dropped after New Game and whether it is
// still moving, how many blobs froze to the rocks or fell to the floor, then
// a bottom barrel cut loose, and a scripted game that clears every barrel.

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "game/field.h"
#include "game/frame.h"
#include "game/globals.h"
#include "game/ooze.h"
#include "graphics/recording_driver.h"

namespace {

using kel::tangle::TAdvBody;

constexpr int kSettleSteps = 1800, kStillSteps = 300;
constexpr float kStillLimit = 2;
constexpr int kClearLimit = 40000, kStepsPerRemoval = 20;

void Tick() {
    if (auto* r = dynamic_cast<draw2d::TRecordingDriver*>(draw2d::GetGraphicsDriver())) r->Clear();
    game::Tick();
}

void NewGame() { game::butNewGame->ReportAction(); }

// Held, so that barrels that leave play can still be asked where they are.
std::vector<core::Ref<TAdvBody>> Barrels() {
    std::vector<core::Ref<TAdvBody>> out;
    for (TAdvBody* b : game::barrelList->Each<TAdvBody>()) out.push_back(b);
    return out;
}

struct BlobCounts {
    int blobs = 0, frozen = 0;
};
BlobCounts CountBlobs() {
    BlobCounts c;
    TAdvBody* ab = game::ooze->ab;
    for (int i = 0; i <= ab->MassMaxIndex(); ++i) {
        if (!ab->MassExists(i)) continue;
        ++c.blobs;
        c.frozen += ab->MassIsFrozen(i);
    }
    return c;
}

// The blob nearest below a barrel's reference mass, within a barrel's width
// either side; -1 when there is none. The play tests use the same rule.
int BlobUnder(TAdvBody* barrel) {
    TAdvBody* ab = game::ooze->ab;
    int best = -1;
    float bestD = 1e30f;
    for (int i = 0; i <= ab->MassMaxIndex(); ++i) {
        if (!ab->MassExists(i)) continue;
        const float dx = ab->MassGetX(i) - barrel->GetX(), dy = ab->MassGetY(i) - barrel->GetY();
        if (dy <= 0 || std::fabs(dx) > 60) continue;
        const float d = dx * dx + dy * dy;
        if (d < bestD) best = i, bestD = d;
    }
    return best;
}

void RemoveBlob(int i) {
    game::ooze->Del(game::ooze->ab->MassGetX(i), game::ooze->ab->MassGetY(i));
}

// Part one: New Game and no clicks.
bool ReportSettling() {
    NewGame();
    const std::vector<core::Ref<TAdvBody>> start = Barrels();
    std::vector<float> x0, y0;
    for (const auto& b : start) x0.push_back(b->GetX()), y0.push_back(b->GetY());
    const BlobCounts before = CountBlobs();
    std::vector<float> xs, ys, moved(start.size(), 0);
    for (int step = 1; step <= kSettleSteps; ++step) {
        Tick();
        if (step == kSettleSteps - kStillSteps)
            for (const auto& b : start) xs.push_back(b->GetX()), ys.push_back(b->GetY());
        if (step > kSettleSteps - kStillSteps)
            for (std::size_t k = 0; k < start.size(); ++k)
                moved[k] = std::fmax(
                    moved[k], std::hypot(start[k]->GetX() - xs[k], start[k]->GetY() - ys[k]));
    }
    const BlobCounts after = CountBlobs();
    std::printf("New Game, %d steps without a click:\n", kSettleSteps);
    std::printf("  #    place        now          drop    dx   moved(last %d)  in play\n",
                kStillSteps);
    int inPlay = 0, moving = 0;
    float worstDrop = 0, worstMove = 0;
    for (std::size_t k = 0; k < start.size(); ++k) {
        TAdvBody* b = start[k];
        const bool playing = game::barrelList->Contains(b);
        inPlay += playing;
        moving += moved[k] > kStillLimit;
        worstDrop = std::fmax(worstDrop, b->GetY() - y0[k]);
        worstMove = std::fmax(worstMove, moved[k]);
        std::printf("  %-3zu (%4.0f,%5.0f) (%6.1f,%7.1f) %6.1f %5.1f %8.2f%s  %s\n", k + 1, x0[k],
                    y0[k], b->GetX(), b->GetY(), b->GetY() - y0[k], b->GetX() - x0[k], moved[k],
                    moved[k] > kStillLimit ? " MOVING" : "", playing ? "yes" : "NO");
    }
    std::printf("  barrels in play %d of %zu; still moving %d; largest drop %.1f; largest move "
                "over the last %d steps %.2f\n",
                inPlay, start.size(), moving, worstDrop, kStillSteps, worstMove);
    std::printf("  blobs %d, frozen %d, lost to the floor %d\n", after.blobs, after.frozen,
                before.blobs - after.blobs);
    return inPlay == static_cast<int>(start.size()) && moving == 0 && after.blobs == before.blobs;
}

// Part two: cut loose the lowest barrel; it must land and score.
bool ReportBottomBarrel() {
    NewGame();
    for (int k = 0; k < 600; ++k) Tick();
    TAdvBody* lowest = nullptr;
    for (TAdvBody* b : game::barrelList->Each<TAdvBody>())
        if (!lowest || b->GetY() > lowest->GetY()) lowest = b;
    core::Ref<TAdvBody> held = lowest;
    int removed = 0;
    for (int blob; removed < 40 && (blob = BlobUnder(lowest)) >= 0; ++removed) RemoveBlob(blob);
    const int player = game::turn;
    int steps = 0;
    while (game::barrelList->Contains(lowest) && steps < 2000) Tick(), ++steps;
    const bool landed = !game::barrelList->Contains(lowest);
    std::printf("Lowest barrel at (%.0f, %.0f): %d blobs removed under it; %s after %d steps; "
                "score %d : %d (player %d to score)\n",
                held->GetX(), held->GetY(), removed, landed ? "scored" : "STILL IN PLAY", steps,
                game::score[0], game::score[1], player + 1);
    return landed && steps <= 900;
}

// Part three: keep removing the blob under the first barrel that has one.
bool ReportClearOut() {
    NewGame();
    int steps = 0, removals = 0;
    while (game::barrelList->Count() > 0 && steps < kClearLimit) {
        if (steps % kStepsPerRemoval == 0) {
            for (TAdvBody* b : game::barrelList->Each<TAdvBody>()) {
                const int blob = BlobUnder(b);
                if (blob >= 0) {
                    RemoveBlob(blob), ++removals;
                    break;
                }
            }
        }
        Tick();
        ++steps;
        if (steps % 5000 == 0)
            std::printf("  ... %d steps: %d barrels left, %d removals\n", steps,
                        game::barrelList->Count(), removals);
    }
    std::printf("Scripted game: %d barrels left after %d steps and %d removals; score %d : %d\n",
                game::barrelList->Count(), steps, removals, game::score[0], game::score[1]);
    for (TAdvBody* b : game::barrelList->Each<TAdvBody>())
        std::printf("  left at (%.1f, %.1f), blob under: %d\n", b->GetX(), b->GetY(), BlobUnder(b));
    return game::barrelList->Count() == 0 && game::score[0] + game::score[1] == 38;
}

} // namespace

int main(int argc, char** argv) {
    const std::string folder = argc > 1 ? argv[1] : QUORVEL_SOURCE_DIR;
    const std::string only = argc > 2 ? argv[2] : "";
    if (!gui::UseHeadlessDriver() || chdir(folder.c_str()) != 0) {
        std::fprintf(stderr, "level_report: cannot play in %s\n", folder.c_str());
        return 1;
    }
    game::exitProgram = [](int) {};
    game::StartUp();
    Tick();
    bool ok = true;
    if (only.empty() || only == "settle") ok &= ReportSettling();
    if (only.empty() || only == "bottom") ok &= ReportBottomBarrel();
    if (only.empty() || only == "clear") ok &= ReportClearOut();
    std::printf(ok ? "level OK\n" : "level FAILS\n");
    return ok ? 0 : 1;
}
