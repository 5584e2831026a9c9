// The online session on the real game, headless, against a peer of the
// test's own over the in-memory transport: the strip tells the state, the
// player's clicks take effect after the input delay, only the player whose
// turn it is counts, and leaving or a lost peer puts the game back offline.
#include <memory>
#include <string>

#include "game/online_session.h"
#include "game/world_hash.h"
#include "game_fixture.h"
#include "net/transport.h"

using namespace game;
using gametest::GameTest;

namespace {

// The other player: a lockstep that promises ticks as the game runs.
struct Peer {
    std::unique_ptr<net::Transport> link;
    Lockstep lock{net::Seat::PlayerTwo};
    bool greeted = false;

    void Pump() {
        for (const net::Message& m : lock.TakeOutgoing()) link->Send(m);
        link->Poll();
        while (auto m = link->Receive()) {
            if (std::holds_alternative<net::Hello>(*m)) {
                link->Send(net::Hello{net::PROTOCOL_VERSION, net::Seat::PlayerTwo, 0});
                greeted = true;
            } else {
                lock.Receive(*m);
            }
        }
    }
    // Keeps up with the game: promises its ticks ahead, and follows them
    // (with the game's own hash: only the protocol is under test here).
    void Follow(long long ticks) {
        lock.Commit(ticks + lock.InputDelay() - 1);
        Pump();
        while (lock.Ready() && lock.Ticks() < ticks) {
            lock.ApplyDue([] { return turn; }, [](const SeatedInput&) {});
            lock.Ticked(0);
            lock.TakeOutgoing(); // its checks would not match a game it does not play
        }
        lock.Commit(lock.Ticks() + lock.InputDelay() - 1);
        Pump();
    }
};

class OnlineSessionTest : public GameTest {
  protected:
    void Connect() {
        auto [ours, theirs] = net::MemoryPair();
        peer.link = std::move(theirs);
        OnlineOptions options;
        options.lockstep.checkEvery = 1 << 30; // the peer plays no game of its own
        online = std::make_unique<OnlineSession>(std::move(ours), options);
        ShowOnline(online.get());
        Step();
        peer.Pump();
        Step();
        ASSERT_TRUE(peer.greeted);
    }
    // One tick of the game with the peer keeping up.
    void Step() {
        if (peer.greeted)
            peer.Follow(online->Ticks());
        else
            peer.Pump();
        Tick();
    }
    void Steps(int n) {
        for (int k = 0; k < n; ++k) Step();
    }

    Peer peer;
    std::unique_ptr<OnlineSession> online;
};

} // namespace

TEST_F(OnlineSessionTest, TheStripTellsTheStateAndTheComputerGivesWay) {
    EXPECT_FALSE(lblOnline->VisibleInTree());
    Connect();
    EXPECT_EQ(online->GetPhase(), OnlineSession::Phase::Playing);
    EXPECT_TRUE(lblOnline->VisibleInTree());
    EXPECT_EQ(lblOnline->GetText(), "Connected");
    EXPECT_FALSE(butComputer->VisibleInTree());
    EXPECT_TRUE(butLeave->VisibleInTree());
    // The online game starts with a New Game, Player One to play.
    EXPECT_EQ(barrelList->Count(), 38);
    EXPECT_EQ(turn, 0);

    butLeave->ReportAction();
    EXPECT_EQ(online->GetPhase(), OnlineSession::Phase::Over);
    EXPECT_EQ(lblOnline->GetText(), "Offline");
    EXPECT_FALSE(butLeave->VisibleInTree());
    peer.Pump();
    EXPECT_EQ(peer.lock.GetState(), Lockstep::State::Ended);
    // Offline again: a click counts at once.
    Steps(100);
    int px, py;
    ASSERT_TRUE(gametest::BlobToClick(px, py));
    const int blobs = BlobCount();
    gui::headless::Click(canvas, px, py);
    EXPECT_EQ(BlobCount(), blobs - 1);
    session = nullptr;
}

TEST_F(OnlineSessionTest, AClickCountsAfterTheInputDelayAndOnlyOnItsPlayersTurn) {
    Connect();
    Steps(100);
    int px, py;
    ASSERT_TRUE(gametest::BlobToClick(px, py));
    const int blobs = BlobCount();
    gui::headless::Click(canvas, px, py);
    // Offline a click counts before the next tick; online, `delay` ticks later.
    const int delay = LockstepSettings{}.inputDelay;
    for (int k = 0; k <= delay; ++k) {
        EXPECT_EQ(BlobCount(), blobs) << "the click took effect after " << k << " ticks";
        Step();
    }
    EXPECT_EQ(BlobCount(), blobs - 1);
    EXPECT_EQ(turn, 1);
    // Player Two's turn now: this player's clicks do not count.
    Steps(30);
    ASSERT_TRUE(gametest::BlobToClick(px, py));
    gui::headless::Click(canvas, px, py);
    Steps(delay + 2);
    EXPECT_EQ(BlobCount(), blobs - 1);
    EXPECT_EQ(turn, 1);
    session = nullptr;
}

TEST_F(OnlineSessionTest, APeerThatIsGoneEndsTheGameAndTheGameGoesOn) {
    Connect();
    Steps(20);
    peer.link->Close();
    Steps(2);
    EXPECT_EQ(online->GetPhase(), OnlineSession::Phase::Over);
    EXPECT_EQ(lblOnline->GetText(), "Player Two left");
    const long long ticks = online->Ticks();
    Steps(10);
    EXPECT_EQ(online->Ticks(), ticks) << "online ticks stop counting";
    EXPECT_FALSE(online->HoldTick());
    session = nullptr;
}

TEST_F(OnlineSessionTest, TheOnlineButtonAsksWhetherToHostOrJoin) {
    static std::string asked = "none";
    OfferOnline([](const std::string& answer) { asked = answer; });
    EXPECT_TRUE(butOnline->VisibleInTree());
    gui::headless::AnswerRequest(std::nullopt); // cancelled
    butOnline->ReportAction();
    EXPECT_EQ(asked, "none");
    gui::headless::AnswerRequest("K7X2QD");
    butOnline->ReportAction();
    EXPECT_EQ(asked, "K7X2QD");
    gui::headless::AnswerRequest("");
    butOnline->ReportAction();
    EXPECT_EQ(asked, "");
}
