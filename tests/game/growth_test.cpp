// A long evening of play, headless: once the first game has been played
// (and has filled the drawing caches), no New Game may leave more live
// objects of any class than the one that ended it. A reference
// cycle or a list that keeps filling shows up here, though LeakSanitizer
// would never see it (the memory stays reachable until exit).
#include <map>
#include <random>
#include <sstream>
#include <string>

#include "game_fixture.h"

using gametest::GameTest;
using kel::tangle::TAdvBody;
using kel::tangle::TPhysics;

namespace {

constexpr int GAMES = 200;
constexpr int MOVES_PER_GAME = 3;
constexpr int CANVAS_MARGIN = 5;
constexpr unsigned PLAY_SEED = 16; // any: the evening only has to be the same each run

using Counts = std::map<std::string, std::int64_t>;

// The classes that have more live objects now than at the reference point.
std::string Growth(const Counts& reference, const Counts& now) {
    std::ostringstream grown;
    for (const auto& [name, live] : now) {
        const auto was = reference.find(name);
        const std::int64_t before = was == reference.end() ? 0 : was->second;
        if (live > before) grown << "  " << name << ": " << before << " -> " << live << "\n";
    }
    return grown.str();
}

// What the main loop does with the events that input left in the queue.
void TakeQueuedEvents() {
    while (gui::PollEvent() != 0) {
    }
}

} // namespace

class LongEvening : public GameTest {
  protected:
    // A player's move: a click on a random blob in view, else anywhere.
    void Move() {
        const int w = game::canvas->ClientWidth(), h = game::canvas->ClientHeight();
        TAdvBody* ab = game::ooze->ab;
        std::vector<int> inView;
        for (int i = 0; i <= ab->MassMaxIndex(); ++i) {
            if (!ab->MassExists(i)) continue;
            const float x = TPhysics::ScreenX(ab->MassGetX(i), ab->MassGetY(i));
            const float y = TPhysics::ScreenY(ab->MassGetX(i), ab->MassGetY(i));
            if (x > CANVAS_MARGIN && x < w - CANVAS_MARGIN && y > CANVAS_MARGIN &&
                y < h - CANVAS_MARGIN)
                inView.push_back(i);
        }
        int x = std::uniform_int_distribution<int>(0, w - 1)(random_);
        int y = std::uniform_int_distribution<int>(0, h - 1)(random_);
        if (!inView.empty()) {
            const int blob =
                inView[std::uniform_int_distribution<std::size_t>(0, inView.size() - 1)(random_)];
            x = static_cast<int>(TPhysics::ScreenX(ab->MassGetX(blob), ab->MassGetY(blob)));
            y = static_cast<int>(TPhysics::ScreenY(ab->MassGetX(blob), ab->MassGetY(blob)));
        }
        gui::headless::Click(game::canvas, x, y);
    }

    std::mt19937 random_{PLAY_SEED};
};

TEST_F(LongEvening, NoClassGainsLiveObjectsFromOneNewGameToTheNext) {
    Counts afterFirstGame;
    int blobsTaken = 0;
    for (int game = 0; game < GAMES; ++game) {
        PressNewGame();
        // The first frame of the game: the step lets go of the contacts the
        // last one queued, which still hold blobs of the game before.
        Tick();
        TakeQueuedEvents();
        const Counts now = core::LiveObjectCounts();
        if (game == 1) {
            afterFirstGame = now;
        } else if (game > 1) {
            const std::string grown = Growth(afterFirstGame, now);
            ASSERT_TRUE(grown.empty()) << "after New Game " << game + 1 << ":\n" << grown;
        }
        const int blobs = BlobCount();
        for (int move = 0; move < MOVES_PER_GAME; ++move) {
            Move();
            Tick();
            TakeQueuedEvents();
        }
        blobsTaken += blobs - BlobCount();
    }
    // The evening was really played: clicks took blobs away.
    EXPECT_GT(blobsTaken, GAMES);
    EXPECT_GT(afterFirstGame["kel::tangle::TMass"], 0);
}
