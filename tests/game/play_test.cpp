// The rules of play, on the real game code and media, without a display.
#include <cmath>
#include <vector>

#include "game_fixture.h"

using namespace game;
using gametest::GameTest;
using kel::tangle::TAdvBody;
using kel::tangle::TPhysics;

namespace {

// The blob nearest below a barrel's reference mass, within a column about as
// wide as a barrel; -1 when there is none.
int BlobUnder(TAdvBody* barrel) {
    TAdvBody* ab = ooze->ab;
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

void RemoveBlob(int i) { ooze->Del(ooze->ab->MassGetX(i), ooze->ab->MassGetY(i)); }

} // namespace

TEST_F(GameTest, StartsOnTheTitleWithPlayerOneToMove) {
    EXPECT_EQ(lblPlayerOne->GetText(), "Player One: 0");
    EXPECT_EQ(lblPlayerTwo->GetText(), "0 :Player Two");
    EXPECT_EQ(lblPlayerOne->textRed, 255);
    EXPECT_EQ(lblPlayerTwo->textBlue, 255);
    EXPECT_EQ(lblPlayerTwo->style & gui::LABEL_RIGHT, gui::LABEL_RIGHT);
    EXPECT_EQ(lblRemove[0]->visible, 1);
    EXPECT_EQ(lblRemove[1]->visible, 0);
    EXPECT_EQ(window->GetText(), "Quorvel");
    Tick();
    EXPECT_EQ(oozeHasGoo, 0);
    EXPECT_TRUE(Drew(imgTitle));
    EXPECT_EQ(barrelList->Count(), 0);
}

TEST_F(GameTest, NewGameSettlesWithEveryBarrelInPlay) {
    Tick();
    PressNewGame();
    ASSERT_EQ(barrelList->Count(), 38);
    const int blobs = BlobCount();
    Ticks(1500);
    std::vector<float> x, y;
    for (TAdvBody* b : barrelList->Each<TAdvBody>()) x.push_back(b->GetX()), y.push_back(b->GetY());
    float moved = 0;
    for (int k = 0; k < 300; ++k) {
        Tick();
        int n = 0;
        for (TAdvBody* b : barrelList->Each<TAdvBody>()) {
            moved = std::fmax(moved, std::hypot(b->GetX() - x[n], b->GetY() - y[n]));
            ++n;
        }
    }
    EXPECT_EQ(barrelList->Count(), 38);
    EXPECT_EQ(BlobCount(), blobs) << "an ooze blob reached the floor";
    EXPECT_LE(moved, 2.0f) << "the scene has not settled";
    EXPECT_EQ(oozeHasGoo, 1);
    EXPECT_FALSE(Drew(imgTitle));
}

TEST_F(GameTest, BarrelLosingItsSupportFallsAndScoresForTheTurnItLandsIn) {
    PressNewGame();
    Ticks(600);
    TAdvBody* lowest = nullptr;
    for (TAdvBody* b : barrelList->Each<TAdvBody>())
        if (!lowest || b->GetY() > lowest->GetY()) lowest = b;
    ASSERT_TRUE(lowest);
    core::Ref<TAdvBody> held = lowest;
    int removed = 0;
    for (int blob; removed < 40 && (blob = BlobUnder(lowest)) >= 0; ++removed) RemoveBlob(blob);
    ASSERT_GT(removed, 0);
    EXPECT_EQ(turn, removed % 2);
    const int player = turn;
    int steps = 0;
    while (barrelList->Contains(lowest) && steps < 900) Tick(), ++steps;
    EXPECT_FALSE(barrelList->Contains(lowest)) << "the barrel did not reach the floor";
    EXPECT_EQ(score[player], 38 - barrelList->Count());
    EXPECT_EQ(score[1 - player], 0);
}

TEST_F(GameTest, ScriptedGameBringsDownEveryBarrel) {
    PressNewGame();
    int steps = 0;
    while (barrelList->Count() > 0 && steps < 40000) {
        if (steps % 20 == 0) {
            for (TAdvBody* b : barrelList->Each<TAdvBody>()) {
                const int blob = BlobUnder(b);
                if (blob >= 0) {
                    RemoveBlob(blob);
                    break;
                }
            }
        }
        Tick();
        ++steps;
    }
    EXPECT_EQ(barrelList->Count(), 0) << "barrels left after " << steps << " steps";
    EXPECT_EQ(score[0] + score[1], 38 - barrelList->Count());
}

TEST_F(GameTest, NewGameTwiceStartsOverWithTheSameTurn) {
    PressNewGame();
    Ticks(10);
    // Take one blob so the turn passes to player two.
    TAdvBody* ab = ooze->ab;
    int blob = 0;
    while (!ab->MassExists(blob)) ++blob;
    RemoveBlob(blob);
    ASSERT_EQ(turn, 1);
    PressNewGame();
    PressNewGame();
    EXPECT_EQ(barrelList->Count(), 38);
    EXPECT_EQ(score[0] + score[1], 0);
    EXPECT_EQ(lblPlayerOne->GetText(), "Player One: 0");
    EXPECT_EQ(lblPlayerTwo->GetText(), "0 :Player Two");
    EXPECT_EQ(turn, 1);
    EXPECT_EQ(lblRemove[0]->visible, 0);
    EXPECT_EQ(lblRemove[1]->visible, 1);
}

TEST_F(GameTest, ClicksOnlyReachNearbyBlobs) {
    PressNewGame();
    Tick();
    const int blobs = BlobCount();
    // A canvas point whose world position is far from every blob.
    TAdvBody* ab = ooze->ab;
    auto nearest = [&](float wx, float wy) {
        float best = 1e30f;
        for (int i = 0; i <= ab->MassMaxIndex(); ++i)
            if (ab->MassExists(i))
                best = std::fmin(best, std::hypot(ab->MassGetX(i) - wx, ab->MassGetY(i) - wy));
        return best;
    };
    int px = -1, py = -1;
    for (int sy = 100; sy < 500 && px < 0; sy += 7)
        for (int sx = 20; sx < 380 && px < 0; sx += 7)
            if (nearest(TPhysics::SimX(sx, sy), TPhysics::SimY(sx, sy)) > 12) px = sx, py = sy;
    ASSERT_GE(px, 0);
    gui::headless::Click(canvas, px, py);
    EXPECT_EQ(BlobCount(), blobs);
    EXPECT_EQ(turn, 0);

    // A click right on a blob in view takes it and passes the turn.
    int target = -1;
    for (int i = 0; i <= ab->MassMaxIndex() && target < 0; ++i) {
        if (!ab->MassExists(i)) continue;
        const float sx = TPhysics::ScreenX(ab->MassGetX(i), ab->MassGetY(i));
        const float sy = TPhysics::ScreenY(ab->MassGetX(i), ab->MassGetY(i));
        if (sx > 5 && sx < 395 && sy > 40 && sy < 520) target = i;
    }
    ASSERT_GE(target, 0);
    const float sx = TPhysics::ScreenX(ab->MassGetX(target), ab->MassGetY(target));
    const float sy = TPhysics::ScreenY(ab->MassGetX(target), ab->MassGetY(target));
    gui::headless::Click(canvas, static_cast<int>(std::lround(sx)),
                         static_cast<int>(std::lround(sy)), 2);
    EXPECT_EQ(BlobCount(), blobs - 1);
    EXPECT_EQ(turn, 1);
    EXPECT_EQ(lblRemove[1]->visible, 1);
}

TEST_F(GameTest, TitleReturnsOnceAllGooIsGone) {
    PressNewGame();
    Tick();
    EXPECT_FALSE(Drew(imgTitle));
    TAdvBody* ab = ooze->ab;
    for (int i = 0; i <= ab->MassMaxIndex(); ++i)
        if (ab->MassExists(i)) ab->MassRemove(i);
    Tick();
    EXPECT_EQ(oozeHasGoo, 0);
    EXPECT_TRUE(Drew(imgTitle));
}
