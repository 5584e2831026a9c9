// Two lockstep peers run against each other in one process, each over a toy
// game whose every click passes the turn: both must apply the same inputs at
// the same ticks, whoever runs ahead, and stop together when they differ.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "game/lockstep.h"
#include "net/transport.h"

using game::Lockstep;
using game::LockstepSettings;
using game::PlayEvent;
using game::SeatedInput;
using net::Seat;

namespace {

// A game in miniature: a click passes the turn, and the hash is every
// applied input folded in with its tick.
struct ToyGame {
    int turn = 0;
    std::uint64_t hash = 1469598103934665603ull;
    std::vector<std::string> applied; // "tick seat kind x"

    void Apply(long long tick, const SeatedInput& in) {
        if (in.event.kind == PlayEvent::Click) turn = 1 - turn;
        applied.push_back(std::to_string(tick) + " " + std::to_string(int(in.seat)) + " " +
                          std::to_string(int(in.event.kind)) + " " + std::to_string(in.event.x));
        for (const std::string& part : {applied.back()})
            for (char c : part) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    }
};

// One side: a lockstep, its transport and its game, stepped the way the
// game's session steps it.
struct Side {
    Lockstep lock;
    std::unique_ptr<net::Transport> link;
    ToyGame game;
    std::uint64_t corruptAt = 0; // a tick after which this side's world goes wrong

    Side(Seat seat, std::unique_ptr<net::Transport> transport, LockstepSettings settings = {})
        : lock(seat, settings), link(std::move(transport)) {}

    void Pump() {
        for (const net::Message& m : lock.TakeOutgoing()) link->Send(m);
        link->Poll();
        while (auto m = link->Receive()) lock.Receive(*m);
    }
    // Runs one tick if the peer allows; returns whether it ran.
    bool Step() {
        lock.Commit(lock.Ticks() + lock.InputDelay() - 1);
        Pump();
        if (!lock.Ready()) return false;
        const long long tick = lock.Ticks();
        lock.ApplyDue([&] { return game.turn; },
                      [&](const SeatedInput& in) { game.Apply(tick, in); });
        if (corruptAt && static_cast<std::uint64_t>(tick) == corruptAt) game.hash ^= 1;
        lock.Ticked(game.hash);
        Pump();
        return true;
    }
    void Click(float x) {
        ASSERT_TRUE(lock.Submit({PlayEvent::Click, x, 0}, lock.Ticks() + lock.InputDelay()));
    }
};

struct Pair {
    std::unique_ptr<Side> one, two;
    explicit Pair(LockstepSettings settings = {}) {
        auto [a, b] = net::MemoryPair();
        one = std::make_unique<Side>(Seat::PlayerOne, std::move(a), settings);
        two = std::make_unique<Side>(Seat::PlayerTwo, std::move(b), settings);
    }
    // Runs both until each has run `ticks` ticks; `ahead` lets player one take
    // up to that many steps for each of player two's.
    void RunTo(long long ticks, int ahead = 1) {
        for (int guard = 0; guard < 100000; ++guard) {
            if (one->lock.Ticks() >= ticks && two->lock.Ticks() >= ticks) return;
            for (int k = 0; k < ahead && one->lock.Ticks() < ticks; ++k) one->Step();
            if (two->lock.Ticks() < ticks) two->Step();
            if (one->lock.GetState() != Lockstep::State::Playing) return;
        }
        FAIL() << "the two sides never got to tick " << ticks;
    }
};

} // namespace

TEST(Lockstep, BothSidesApplyTheSameInputsAtTheSameTicksWhoeverRunsAhead) {
    for (int ahead : {1, 3, 50}) {
        SCOPED_TRACE(ahead);
        Pair p;
        p.RunTo(10, ahead);
        p.one->Click(1); // player one's turn: counts
        p.RunTo(20, ahead);
        p.one->Click(2); // player two's turn now: ignored on both sides
        p.two->Click(3); // counts
        ASSERT_TRUE(p.two->lock.Submit({PlayEvent::NewGame}, p.two->lock.Ticks() + 9));
        p.RunTo(200, ahead);
        EXPECT_EQ(p.one->game.applied, p.two->game.applied);
        ASSERT_EQ(p.one->game.applied.size(), 3u);
        EXPECT_EQ(p.one->game.turn, 0);
        EXPECT_EQ(p.one->lock.GetState(), Lockstep::State::Playing);
        EXPECT_EQ(p.two->lock.GetState(), Lockstep::State::Playing);
    }
}

TEST(Lockstep, AnInputTakesEffectAfterTheInputDelayOnBothSides) {
    LockstepSettings settings;
    settings.inputDelay = 3;
    Pair p(settings);
    p.RunTo(7);
    const long long at = p.one->lock.Ticks() + 3;
    p.one->Click(5);
    p.RunTo(30);
    ASSERT_EQ(p.one->game.applied.size(), 1u);
    EXPECT_EQ(p.one->game.applied[0], std::to_string(at) + " 0 0 5.000000");
    EXPECT_EQ(p.two->game.applied, p.one->game.applied);
    // A tick already promised cannot take an input any more.
    EXPECT_FALSE(p.one->lock.Submit({PlayEvent::Click, 1, 1}, p.one->lock.Ticks()));
    EXPECT_FALSE(p.one->lock.Submit({PlayEvent::Paint}, p.one->lock.Ticks() + 10));
}

TEST(Lockstep, PlayerOnesInputsComeFirstWithinATick) {
    Pair p;
    // Both click for the same tick: only player one's counts (its turn), and
    // then player two's counts too, since the turn has passed to it.
    const long long at = p.one->lock.Ticks() + 5;
    ASSERT_TRUE(p.two->lock.Submit({PlayEvent::Click, 7, 0}, at));
    ASSERT_TRUE(p.one->lock.Submit({PlayEvent::Click, 6, 0}, at));
    p.RunTo(20);
    ASSERT_EQ(p.one->game.applied.size(), 2u);
    EXPECT_EQ(p.one->game.applied[0].substr(0, 4), std::to_string(at) + " 0 ");
    EXPECT_EQ(p.one->game.applied[1].substr(0, 4), std::to_string(at) + " 1 ");
    EXPECT_EQ(p.two->game.applied, p.one->game.applied);
}

TEST(Lockstep, ASideWaitsForTheOthersPromise) {
    Pair p;
    // Player two never steps: player one may run only as far as two's promise.
    for (int k = 0; k < 50; ++k) p.one->Step();
    p.two->lock.Commit(p.two->lock.InputDelay() - 1);
    p.two->Pump();
    for (int k = 0; k < 50; ++k) p.one->Step();
    EXPECT_EQ(p.one->lock.Ticks(), p.two->lock.InputDelay());
    EXPECT_FALSE(p.one->lock.Ready());
}

TEST(Lockstep, DifferentWorldsStopBothSidesAtTheNextCheck) {
    Pair p;
    p.two->corruptAt = 70;
    p.RunTo(400);
    for (Side* s : {p.one.get(), p.two.get()}) {
        EXPECT_EQ(s->lock.GetState(), Lockstep::State::Desync);
        EXPECT_LE(s->lock.Ticks(), 121);
    }
    EXPECT_NE(p.one->lock.Problem().find("differ after tick 120"), std::string::npos)
        << p.one->lock.Problem();
    EXPECT_NE(p.two->lock.Problem().find("differ"), std::string::npos) << p.two->lock.Problem();
}

TEST(Lockstep, LeavingEndsTheGameOnBothSides) {
    Pair p;
    p.RunTo(30);
    p.two->lock.Leave(net::Bye::Left);
    p.two->Pump();
    p.one->Step();
    EXPECT_EQ(p.one->lock.GetState(), Lockstep::State::Ended);
    EXPECT_EQ(p.one->lock.Problem(), "The other player left.");
    EXPECT_FALSE(p.one->lock.Ready());
}

TEST(Lockstep, APeerThatFinishedLetsTheOtherRunToTheSameTick) {
    Pair p;
    // Player one runs ahead, then ends its game where it stands.
    p.RunTo(40, 3);
    while (p.one->Step()) {
    }
    const long long end = p.one->lock.Ticks();
    ASSERT_GT(end, p.two->lock.Ticks());
    p.one->lock.Leave(net::Bye::Done);
    p.one->Pump();
    for (int k = 0; k < 100; ++k) p.two->Step();
    EXPECT_TRUE(p.two->lock.PeerFinished());
    EXPECT_EQ(p.two->lock.Ticks(), end);
    EXPECT_FALSE(p.two->lock.Ready());
    EXPECT_EQ(p.two->lock.GetState(), Lockstep::State::Playing);
}

// A peer that breaks a rule: each message after a few honest ticks.
TEST(Lockstep, APeerThatBreaksTheRulesIsAFault) {
    struct Case {
        const char* what;
        std::function<std::vector<net::Message>(long long ticks)> messages;
    };
    const std::vector<Case> cases = {
        {"an input for a closed tick",
         [](long long t) { return std::vector<net::Message>{net::Input{std::uint32_t(t)}}; }},
        {"inputs out of order",
         [](long long t) {
             return std::vector<net::Message>{net::Input{std::uint32_t(t + 9)},
                                              net::Input{std::uint32_t(t + 8)}};
         }},
        {"an input far ahead",
         [](long long t) { return std::vector<net::Message>{net::Input{std::uint32_t(t + 601)}}; }},
        {"a flood of inputs",
         [](long long t) {
             return std::vector<net::Message>(5, net::Input{std::uint32_t(t + 20)});
         }},
        {"a promise taken back",
         [](long long) { return std::vector<net::Message>{net::Through{0}}; }},
        {"a promise far ahead",
         [](long long t) {
             return std::vector<net::Message>{net::Through{std::uint32_t(t + 601)}};
         }},
        {"a check off the checks' ticks",
         [](long long) {
             return std::vector<net::Message>{net::Check{7, 0}};
         }},
        {"a check from the future",
         [](long long) {
             return std::vector<net::Message>{net::Check{600, 0}};
         }},
        {"a relay's message", [](long long) { return std::vector<net::Message>{net::Room{"AB"}}; }},
        {"a second hello", [](long long) { return std::vector<net::Message>{net::Hello{}}; }},
        {"an end it cannot have reached",
         [](long long t) {
             return std::vector<net::Message>{net::Bye{net::Bye::Done, std::uint32_t(t + 100)}};
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Pair p;
        p.RunTo(30);
        for (const net::Message& m : c.messages(p.one->lock.Ticks())) p.two->link->Send(m);
        p.one->Pump();
        EXPECT_EQ(p.one->lock.GetState(), Lockstep::State::Fault);
        EXPECT_FALSE(p.one->lock.Problem().empty());
        // The faulty peer is told why it is dropped.
        p.one->Pump();
        p.two->Pump();
        EXPECT_EQ(p.two->lock.GetState(), Lockstep::State::Fault);
    }
}
