// The computer opponent in the real game, headless: the toggle, one cut per
// turn, thinking that leaves no trace, and the same choice on a replay, at
// any pace of its thinking thread; the window's thread waiting only for a
// late answer; a move forgotten cleanly; the search shared out.
#include <array>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "game/move_search.h"
#include "game/opponent.h"
#include "game/session.h"
#include "game_fixture.h"
#include "gui/headless.h"
#include "physics/tangle.h"

using gametest::GameTest;
using namespace kel::tangle;

namespace {

std::uint64_t WorldHash() {
    std::uint64_t h = 1469598103934665603ull;
    for (const TMass* m : massList->Each<TMass>()) {
        for (float f : {m->posX, m->posY, m->oldPosX, m->oldPosY}) {
            unsigned char bytes[sizeof f];
            std::memcpy(bytes, &f, sizeof f);
            for (unsigned char b : bytes) h = (h ^ b) * 1099511628211ull;
        }
    }
    return h;
}

// Everything of the game a move can change, to compare two runs by.
struct Outcome {
    std::uint64_t world = 0;
    int turn = 0, scoreOne = 0, scoreTwo = 0, barrels = 0;
    std::string labelOne, labelTwo;
    bool removeShown[2] = {false, false};
    bool operator==(const Outcome&) const = default;
};

Outcome Observe() {
    Outcome o;
    o.world = WorldHash();
    o.turn = game::turn;
    o.scoreOne = game::score[0];
    o.scoreTwo = game::score[1];
    o.barrels = game::barrelList->Count();
    o.labelOne = game::lblPlayerOne->GetText();
    o.labelTwo = game::lblPlayerTwo->GetText();
    for (int p = 0; p < 2; ++p) o.removeShown[p] = game::lblRemove[p]->VisibleInTree();
    return o;
}

// The game at one moment, put back to start a run over.
struct SavedGame {
    core::Ref<TWorldSnapshot> world;
    std::vector<core::Ref<TAdvBody>> barrels;
    int turn = 0;
    std::array<int, 2> score{};
    std::string labelOne, labelTwo;

    static SavedGame Take() {
        SavedGame s;
        std::vector<TBody*> bodies{game::ooze->ab.Get()};
        for (TAdvBody* b : game::barrelList->Each<TAdvBody>()) {
            bodies.push_back(b);
            s.barrels.emplace_back(b);
        }
        s.world = TPhysics::TakeSnapshot(bodies);
        s.turn = game::turn;
        s.score = game::score;
        s.labelOne = game::lblPlayerOne->GetText();
        s.labelTwo = game::lblPlayerTwo->GetText();
        return s;
    }
    void Restore() const {
        ASSERT_EQ(TPhysics::RestoreSnapshot(world), 0);
        game::barrelList->Clear();
        for (const auto& b : barrels) game::barrelList->AddLast(b);
        game::turn = turn;
        game::score = score;
        game::lblPlayerOne->SetText(labelOne);
        game::lblPlayerTwo->SetText(labelTwo);
        game::lblRemove[turn]->SetShow(1);
        game::lblRemove[1 - turn]->SetShow(0);
    }
};

// Counts the clicks the game is given, and lets them through.
class ClickCounter final : public game::Session {
  public:
    bool Accept(const game::PlayEvent& event) override {
        if (event.kind == game::PlayEvent::Click) clicks.push_back(event);
        return true;
    }
    std::vector<game::PlayEvent> clicks;
};

// Holds the thinking threads until the test opens it. A hold that lasts
// too long lets them through and is noted: a window's thread that waited
// for them shows as a failure, not a hang.
class Gate {
  public:
    void Pass() {
        std::unique_lock<std::mutex> hold(lock_);
        if (!opened_.wait_for(hold, std::chrono::seconds(20), [this] { return open_; }))
            timedOut_ = true;
    }
    void Open() {
        {
            const std::lock_guard<std::mutex> hold(lock_);
            open_ = true;
        }
        opened_.notify_all();
    }
    bool TimedOut() {
        const std::lock_guard<std::mutex> hold(lock_);
        return timedOut_;
    }

  private:
    std::mutex lock_;
    std::condition_variable opened_;
    bool open_ = false, timedOut_ = false;
};

class OpponentTest : public GameTest {
  protected:
    // New Game, the barrels settled a while, then Player One cuts its first
    // free blob.
    void PlayerOneCuts() {
        Tick();
        PressNewGame();
        Ticks(200);
        ASSERT_EQ(game::turn, 0);
        TAdvBody* ab = game::ooze->ab;
        int i = 0;
        while (!ab->MassExists(i) || !ab->MassIsActive(i)) ++i;
        game::Play({game::PlayEvent::Click, ab->MassGetX(i), ab->MassGetY(i)});
        ASSERT_EQ(game::turn, 1);
    }

    void PressComputer() { game::butComputer->ReportAction(); }

    // Ticks until the turn comes back to Player One, at most `limit`; the
    // ticks it took, or limit + 1.
    int TicksUntilPlayerOne(int limit) {
        for (int n = 1; n <= limit; ++n) {
            Tick();
            if (game::turn == 0) return n;
        }
        return limit + 1;
    }

    static constexpr int AFTER = 20; // ticks the runs go on after the cut
};

} // namespace

TEST(OpponentWorth, EarlyLandingsCountAgainstLateOnesFor) {
    EXPECT_EQ(game::MoveSearch::Worth({}, 120), 0);
    EXPECT_EQ(game::MoveSearch::Worth({-1, -1}, 120), 0);       // still up
    EXPECT_EQ(game::MoveSearch::Worth({0, 119}, 120), -2);      // before the reply
    EXPECT_EQ(game::MoveSearch::Worth({120, 299}, 120), 2);     // on and after it
    EXPECT_EQ(game::MoveSearch::Worth({5, 200, 250, -1}, 120), 1);
}

TEST(OpponentDecide, SharesMergeByCutAndRankByWorthThenDescent) {
    // Cuts 10 ... 14 tried by two shares: share 0 tried the even places,
    // share 1 the odd ones; each leaves the others' worths at the lowest int.
    constexpr int NONE = std::numeric_limits<int>::min();
    game::SearchResult even{80, 100, 600, {10, 11, 12, 13, 14}, {0, NONE, 2, NONE, 0},
                            {5.0f, 0, 1.0f, 0, 9.0f}};
    game::SearchResult odd{80, 100, 300, {10, 11, 12, 13, 14}, {NONE, 2, NONE, -1, NONE},
                           {0, 0.5f, 0, 40.0f, 0}};
    const game::MoveDecision d = game::MoveSearch::Decide({even, odd});
    // Worth first (12 and 11 at 2, 12 having come down further), then the
    // worth-0 cuts by how far they brought the barrels down, the worst last.
    EXPECT_EQ(d.ranking, (std::vector<int>{12, 11, 14, 10, 13}));
    EXPECT_EQ(d.wait, 80);
    EXPECT_EQ(d.steps, 100 + 600 + 300); // the look ahead once, every trial
    // Ties of both keys keep the order tried.
    game::SearchResult flat{75, 0, 0, {3, 1, 2}, {0, 0, 0}, {0, 0, 0}};
    EXPECT_EQ(game::MoveSearch::Decide({flat}).ranking, (std::vector<int>{3, 1, 2}));
}

TEST_F(OpponentTest, OffAtStartAndPlayerTwoIsLeftToThePlayer) {
    EXPECT_FALSE(game::computerPlays);
    EXPECT_EQ(game::butComputer->GetText(), "Computer: off");
    PlayerOneCuts();
    const int blobs = BlobCount();
    Ticks(game::OpponentSettings{}.thinkTicks * 3);
    EXPECT_EQ(game::turn, 1);
    EXPECT_FALSE(game::opponent.Thinking());
    EXPECT_EQ(game::opponent.LastChoice(), -1);
    EXPECT_LE(BlobCount(), blobs); // only the floor and stranding take blobs
}

TEST_F(OpponentTest, TogglesOnAndOffAgain) {
    PressComputer();
    EXPECT_TRUE(game::computerPlays);
    EXPECT_EQ(game::butComputer->GetText(), "Computer: on");
    PressComputer();
    EXPECT_FALSE(game::computerPlays);
    EXPECT_EQ(game::butComputer->GetText(), "Computer: off");
}

TEST_F(OpponentTest, OneCutInItsTimeLeavingNoTraceAndTheSameOnARerun) {
    PlayerOneCuts();
    const SavedGame start = SavedGame::Take();
    const int limit = game::OpponentSettings{}.maxThinkTicks;

    // The computer's move, its click seen by the session.
    ClickCounter counter;
    game::session = &counter;
    PressComputer();
    const int ticks = TicksUntilPlayerOne(limit);
    ASSERT_LE(ticks, limit);
    const int choice = game::opponent.LastChoice();
    ASSERT_GE(choice, 0);
    EXPECT_FALSE(game::ooze->ab->MassExists(choice) && game::ooze->ab->MassIsActive(choice));
    ASSERT_EQ(counter.clicks.size(), 1u);
    const game::PlayEvent cut = counter.clicks[0];
    Ticks(AFTER);
    EXPECT_EQ(counter.clicks.size(), 1u); // Player One's turn now: nothing more
    const Outcome thought = Observe();

    // The same cut at the same tick by hand, nobody thinking.
    PressComputer();
    game::session = nullptr;
    start.Restore();
    Ticks(ticks);
    ASSERT_EQ(game::turn, 1);
    game::Play(cut);
    ASSERT_EQ(game::turn, 0);
    Ticks(AFTER);
    EXPECT_EQ(Observe(), thought);

    // The computer again from the same moment: the same choice.
    PressComputer();
    start.Restore();
    EXPECT_EQ(TicksUntilPlayerOne(limit), ticks);
    EXPECT_EQ(game::opponent.LastChoice(), choice);
    Ticks(AFTER);
    EXPECT_EQ(Observe(), thought);
}

TEST_F(OpponentTest, APlayersClickOnTheComputersTurnIsRefused) {
    PressComputer();
    PlayerOneCuts();
    Tick();
    TAdvBody* ab = game::ooze->ab;
    int target = -1;
    for (int i = 0; i <= ab->MassMaxIndex() && target < 0; ++i) {
        if (!ab->MassExists(i) || !ab->MassIsActive(i)) continue;
        const float sx = TPhysics::ScreenX(ab->MassGetX(i), ab->MassGetY(i));
        const float sy = TPhysics::ScreenY(ab->MassGetX(i), ab->MassGetY(i));
        if (sx > 5 && sx < 395 && sy > 40 && sy < 520) target = i;
    }
    ASSERT_GE(target, 0);
    const float sx = TPhysics::ScreenX(ab->MassGetX(target), ab->MassGetY(target));
    const float sy = TPhysics::ScreenY(ab->MassGetX(target), ab->MassGetY(target));
    gui::headless::Click(game::canvas, static_cast<int>(std::lround(sx)),
                         static_cast<int>(std::lround(sy)));
    EXPECT_EQ(game::turn, 1);
    EXPECT_TRUE(ab->MassExists(target));
    EXPECT_TRUE(game::opponent.Thinking()); // still its move
}

TEST_F(OpponentTest, TheSameCutAtTheSameTickWhenItsThreadThinksSlowly) {
    PlayerOneCuts();
    const SavedGame start = SavedGame::Take();
    const int limit = game::OpponentSettings{}.maxThinkTicks;
    PressComputer();
    const int ticks = TicksUntilPlayerOne(limit);
    ASSERT_LE(ticks, limit);
    const int choice = game::opponent.LastChoice();
    Ticks(AFTER);
    const Outcome fast = Observe();

    // Every slice of the thinking held up: the answer is late, and the
    // tick that wants it waits for it.
    start.Restore();
    const long long lateBefore = game::opponent.LateTicks();
    game::opponent.SetPause([] { std::this_thread::sleep_for(std::chrono::milliseconds(5)); });
    EXPECT_EQ(TicksUntilPlayerOne(limit), ticks);
    game::opponent.SetPause(nullptr);
    EXPECT_GT(game::opponent.LateTicks(), lateBefore);
    EXPECT_EQ(game::opponent.LastChoice(), choice);
    Ticks(AFTER);
    EXPECT_EQ(Observe(), fast);
}

TEST_F(OpponentTest, TheWindowGoesOnDrawingWhileTheGameWaitsForALateAnswer) {
    PlayerOneCuts();
    const SavedGame start = SavedGame::Take();
    const int limit = game::OpponentSettings{}.maxThinkTicks;
    const int earliest = game::OpponentSettings{}.thinkTicks;
    PressComputer();
    const int ticks = TicksUntilPlayerOne(limit);
    ASSERT_LE(ticks, limit);
    const int choice = game::opponent.LastChoice();

    start.Restore();
    Gate gate;
    game::opponent.SetPause([&gate] { gate.Pass(); });
    // Up to the earliest tick of a cut the game goes on, its thread held.
    for (int k = 1; k < earliest; ++k) {
        ASSERT_FALSE(game::opponent.AnswerLate()) << "tick " << k;
        game::TimerTick();
    }
    ASSERT_TRUE(game::opponent.Thinking());
    // Then the window draws frames and the game stands still.
    const long long late = game::opponent.LateTicks();
    const std::uint64_t world = WorldHash();
    for (int k = 0; k < 5; ++k) {
        if (auto* r = Recorder()) r->Clear();
        game::TimerTick();
        EXPECT_TRUE(Drew(game::ooze->blob));
    }
    EXPECT_EQ(WorldHash(), world);
    EXPECT_EQ(game::opponent.LateTicks(), late + 5);
    EXPECT_EQ(game::turn, 1);

    gate.Open();
    game::opponent.SetPause(nullptr);
    // Frames at the timer's pace until the cut, counting those that stepped.
    int gameTicks = earliest - 1;
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (game::turn == 1 && gameTicks <= limit && std::chrono::steady_clock::now() < giveUp) {
        const long long before = game::opponent.LateTicks();
        game::TimerTick();
        if (game::opponent.LateTicks() == before)
            ++gameTicks;
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(16));
    }
    EXPECT_FALSE(gate.TimedOut()) << "the window's thread waited for the thinking";
    EXPECT_EQ(gameTicks, ticks);
    EXPECT_EQ(game::opponent.LastChoice(), choice);
}

TEST_F(OpponentTest, ANewGameMidThoughtForgetsTheMoveAndThinksAfresh) {
    PressComputer();
    Gate gate;
    game::opponent.SetPause([&gate] { gate.Pass(); });
    PlayerOneCuts();
    Ticks(5);
    ASSERT_TRUE(game::opponent.Thinking());
    ClickCounter counter;
    game::session = &counter;
    PressNewGame();
    ASSERT_EQ(game::turn, 1); // New Game keeps the turn: the computer's again
    gate.Open();
    game::opponent.SetPause(nullptr);
    // The move counts its ticks from the New Game: the old one's are gone.
    const int ticks = TicksUntilPlayerOne(game::OpponentSettings{}.maxThinkTicks);
    game::session = nullptr;
    EXPECT_GE(ticks, game::OpponentSettings{}.thinkTicks);
    EXPECT_LE(ticks, game::OpponentSettings{}.maxThinkTicks);
    EXPECT_EQ(counter.clicks.size(), 1u);
    EXPECT_FALSE(gate.TimedOut());
}

TEST_F(OpponentTest, SwitchedOffMidThoughtItNeverCuts) {
    PressComputer();
    game::opponent.SetPause([] { std::this_thread::sleep_for(std::chrono::milliseconds(2)); });
    PlayerOneCuts();
    Ticks(10);
    ASSERT_TRUE(game::opponent.Thinking());
    PressComputer();
    EXPECT_FALSE(game::opponent.Thinking());
    game::opponent.SetPause(nullptr);
    Ticks(2 * game::OpponentSettings{}.maxThinkTicks);
    EXPECT_EQ(game::turn, 1);
    EXPECT_EQ(game::opponent.LastChoice(), -1);

    // On again: a fresh move, which cuts.
    PressComputer();
    EXPECT_LE(TicksUntilPlayerOne(game::OpponentSettings{}.maxThinkTicks),
              game::OpponentSettings{}.maxThinkTicks);
    EXPECT_GE(game::opponent.LastChoice(), 0);
}

TEST_F(OpponentTest, TheProgramEndsCleanlyWithAMoveInFlight) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            PressComputer();
            game::opponent.SetPause(
                [] { std::this_thread::sleep_for(std::chrono::milliseconds(2)); });
            PlayerOneCuts();
            Ticks(3);
            if (!game::opponent.Thinking()) std::exit(3);
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(OpponentTest, ACopyOfTheGameSharedOutAmongSearchesDecidesAsOneSearch) {
    PlayerOneCuts();
    Tick();
    draw2d::TImage* rockPicture = game::rock[0]->image;
    ASSERT_NE(rockPicture, nullptr);
    const std::uint64_t world = WorldHash();
    const game::MoveRequest request = game::RequestOfGame({});
    EXPECT_EQ(game::rock[0]->image.Get(), rockPicture); // given back after the copy

    core::Ref<TPhysics> gameWorld = currentWorld;
    game::MoveDecision whole;
    {
        game::MoveSearch one(request);
        while (!one.Work(1 << 20)) {}
        whole = one.Decision();
    }
    std::vector<game::SearchResult> results;
    for (int share = 0; share < 3; ++share) {
        game::MoveSearch part(request, share, 3);
        while (!part.Work(7)) {}
        results.push_back(part.Result());
    }
    const game::MoveDecision shared = game::MoveSearch::Decide(results);
    gameWorld->MakeCurrent();

    ASSERT_FALSE(whole.ranking.empty());
    EXPECT_EQ(shared.ranking, whole.ranking);
    EXPECT_EQ(shared.wait, whole.wait);
    EXPECT_EQ(shared.steps, whole.steps);
    EXPECT_EQ(WorldHash(), world); // the game's world never moved
}
