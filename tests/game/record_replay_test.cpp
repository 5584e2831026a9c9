// A game recorded headless through the real input path, then replayed: the
// replay ends where the recorded game ended, every time.
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "game/recorder.h"
#include "game/replay.h"
#include "game_fixture.h"
#include "program.h"

using namespace game;
using gametest::GameTest;
using kel::tangle::TAdvBody;
using kel::tangle::TPhysics;

namespace {

std::filesystem::path TempFile(const std::string& name) {
    return std::filesystem::temp_directory_path() /
           ("quorvel-" + std::to_string(getpid()) + "-" + name);
}

// A click through the canvas on the pixel nearest to the world position.
void ClickWorld(float x, float y) {
    gui::headless::Click(canvas, static_cast<int>(std::lround(TPhysics::ScreenX(x, y))),
                         static_cast<int>(std::lround(TPhysics::ScreenY(x, y))));
}

bool InView(int i) {
    TAdvBody* ab = ooze->ab;
    const float sx = TPhysics::ScreenX(ab->MassGetX(i), ab->MassGetY(i));
    const float sy = TPhysics::ScreenY(ab->MassGetX(i), ab->MassGetY(i));
    return sx > 40 && sx < canvas->ClientWidth() - 40 && sy > 60 &&
           sy < canvas->ClientHeight() - 60;
}

// The blobs joined to blob i by a strand.
std::vector<int> Neighbours(int i) {
    TAdvBody* ab = ooze->ab;
    std::set<int> found;
    for (int j = 0; j <= ab->ConMaxIndex(); ++j) {
        if (!ab->ConExists(j)) continue;
        if (ab->ConGetMass1(j) == i) found.insert(ab->ConGetMass2(j));
        if (ab->ConGetMass2(j) == i) found.insert(ab->ConGetMass1(j));
    }
    return {found.begin(), found.end()};
}

std::string ReplayHeadless(const std::filesystem::path& path) {
    const auto run =
        gametest::RunToEnd(QUORVEL_GAME_EXE, {"--replay", path.string(), "--headless"});
    EXPECT_EQ(run.code, 0) << run.err;
    return run.out;
}

} // namespace

TEST_F(GameTest, ARepaintBetweenTwoClicksIsReplayedInItsPlace) {
    const auto path = TempFile("repaint.qrec");
    exitProgram = [](int) {};
    game::Recorder recorder(path.string());
    session = &recorder;
    Tick();
    PressNewGame();
    Ticks(100);

    // A free blob in view whose neighbours are all in view and free, and
    // which no other blob comes near enough to take a click meant for it.
    TAdvBody* ab = ooze->ab;
    const auto alone = [&](int i, const std::vector<int>& around) {
        for (int k = 0; k <= ab->MassMaxIndex(); ++k) {
            if (k == i || !ab->MassExists(k) || std::count(around.begin(), around.end(), k))
                continue;
            if (std::hypot(ab->MassGetX(k) - ab->MassGetX(i), ab->MassGetY(k) - ab->MassGetY(i)) <
                16)
                return false;
        }
        return true;
    };
    int blob = -1;
    std::vector<int> around;
    for (int i = 0; i <= ab->MassMaxIndex() && blob < 0; ++i) {
        if (!ab->MassExists(i) || !ab->MassIsActive(i) || !InView(i)) continue;
        around = Neighbours(i);
        bool fit = !around.empty();
        for (int n : around)
            fit = fit && InView(n) && ab->MassIsActive(n) && Neighbours(n).size() > 1;
        if (fit && alone(i, around)) blob = i;
    }
    ASSERT_GE(blob, 0);
    // Cut its strands one by one; the last cut leaves it hanging by nothing.
    for (int n : around) {
        ClickWorld(ab->MassGetX(n), ab->MassGetY(n));
        ASSERT_FALSE(ab->MassExists(n)) << "the click missed blob " << n;
        if (n != around.back()) Tick();
    }
    ASSERT_FALSE(ab->MassIsActive(blob));
    const float bx = ab->MassGetX(blob), by = ab->MassGetY(blob);
    // The repaint clears the stranded blob away: the click on its place
    // finds nothing and the turn stays.
    canvas->ReportPaint();
    const int turnBefore = turn;
    ASSERT_FALSE(ab->MassExists(blob));
    ClickWorld(bx, by);
    EXPECT_EQ(turn, turnBefore);
    Ticks(10);
    window->ReportClose();
    session = nullptr;
    const std::string recorded = FormatOutcome(CurrentOutcome(recorder.Ticks()));

    EXPECT_EQ(ReplayHeadless(path), recorded);
    // Without the repaint the same click takes the blob and passes the turn.
    std::ifstream in(path);
    std::string line, unpainted;
    while (std::getline(in, line))
        if (line.find(" paint") == std::string::npos) unpainted += line + "\n";
    in.close();
    std::ofstream(path) << unpainted;
    const std::string replayed = ReplayHeadless(path);
    EXPECT_NE(replayed, recorded);
    EXPECT_NE(replayed.find("turn " + std::to_string(1 - turnBefore)), std::string::npos)
        << replayed;
    std::filesystem::remove(path);
}

TEST_F(GameTest, RecordedGameReplaysHeadlessToTheSameEndEveryTime) {
    const auto path = TempFile("played.qrec");
    exitProgram = [](int) {}; // closing the window below must not end the test
    game::Recorder recorder(path.string());
    session = &recorder;

    Tick();
    PressNewGame();
    Ticks(200);
    int cuts = 0;
    for (int round = 0; round < 80; ++round) {
        int px, py;
        if (gametest::BlobToClick(px, py)) {
            const int before = BlobCount();
            gui::headless::Click(canvas, px, py);
            cuts += BlobCount() < before;
        }
        if (round % 10 == 3) {
            // Two clicks between the same two ticks with a repaint between
            // them: the repaint clears blobs the first click left stranded.
            gui::headless::Click(canvas, 200, 300);
            canvas->ReportPaint();
            gui::headless::Click(canvas, 201, 300);
        }
        if (round == 50) {
            PressNewGame();
            Ticks(100);
        }
        Ticks(12);
    }
    Ticks(300);
    window->ReportClose();
    session = nullptr;
    const std::string recorded = FormatOutcome(CurrentOutcome(recorder.Ticks()));

    // The game must have been a real one, or the replay proves little.
    EXPECT_GT(cuts, 20);
    EXPECT_GT(score[0] + score[1], 0) << "no barrel fell";
    EXPECT_LT(barrelList->Count(), 38);

    const Recording r = LoadRecording(path.string());
    ASSERT_TRUE(r.endTick);
    EXPECT_EQ(*r.endTick, recorder.Ticks());
    EXPECT_GT(r.events.size(), 40u);

    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run);
        const auto replay =
            gametest::RunToEnd(QUORVEL_GAME_EXE, {"--replay", path.string(), "--headless"});
        EXPECT_EQ(replay.code, 0) << replay.err;
        EXPECT_EQ(replay.out, recorded);
    }
    std::filesystem::remove(path);
}

TEST_F(GameTest, ReplayIgnoresThePlayerUntilTheRecordingIsOver) {
    Recording recording;
    recording.seed = 99;
    recording.events = {{1, {PlayEvent::NewGame}}};
    recording.endTick = 20;
    Replayer replay(recording);
    session = &replay;

    Ticks(3);
    ASSERT_EQ(barrelList->Count(), 38) << "the recorded New Game was not applied at its tick";
    // The player's own New Game and clicks do nothing while the replay runs.
    Ticks(5);
    const int blobs = BlobCount();
    int px, py;
    ASSERT_TRUE(gametest::BlobToClick(px, py));
    gui::headless::Click(canvas, px, py);
    EXPECT_EQ(BlobCount(), blobs);
    EXPECT_EQ(turn, 0);
    EXPECT_FALSE(replay.Finished());

    Ticks(12);
    ASSERT_TRUE(replay.Finished());
    ASSERT_TRUE(gametest::BlobToClick(px, py));
    gui::headless::Click(canvas, px, py);
    EXPECT_EQ(BlobCount(), blobs - 1) << "the game is the player's once the replay is over";
    EXPECT_EQ(turn, 1);
    session = nullptr;
}
