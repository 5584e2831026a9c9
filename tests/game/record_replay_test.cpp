// A game recorded headless through the real input path, then replayed: the
// replay ends where the recorded game ended, every time.
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <string>

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

// Canvas pixel of a blob of the ooze that sits just below a barrel and is in
// view; false when there is none.
bool BlobToClick(int& px, int& py) {
    TAdvBody* ab = ooze->ab;
    const float w = static_cast<float>(canvas->ClientWidth());
    const float h = static_cast<float>(canvas->ClientHeight());
    for (TAdvBody* b : barrelList->Each<TAdvBody>())
        for (int i = 0; i <= ab->MassMaxIndex(); ++i) {
            if (!ab->MassExists(i) || !ab->MassIsActive(i)) continue;
            const float x = ab->MassGetX(i), y = ab->MassGetY(i);
            if (y <= b->GetY() || y > b->GetY() + 80 || std::fabs(x - b->GetX()) > 40) continue;
            const float sx = TPhysics::ScreenX(x, y), sy = TPhysics::ScreenY(x, y);
            if (sx < 2 || sx > w - 2 || sy < 40 || sy > h - 40) continue;
            px = static_cast<int>(std::lround(sx));
            py = static_cast<int>(std::lround(sy));
            return true;
        }
    return false;
}

} // namespace

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
        if (BlobToClick(px, py)) {
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
    ASSERT_TRUE(BlobToClick(px, py));
    gui::headless::Click(canvas, px, py);
    EXPECT_EQ(BlobCount(), blobs);
    EXPECT_EQ(turn, 0);
    EXPECT_FALSE(replay.Finished());

    Ticks(12);
    ASSERT_TRUE(replay.Finished());
    ASSERT_TRUE(BlobToClick(px, py));
    gui::headless::Click(canvas, px, py);
    EXPECT_EQ(BlobCount(), blobs - 1) << "the game is the player's once the replay is over";
    EXPECT_EQ(turn, 1);
    session = nullptr;
}
