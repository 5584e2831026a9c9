// Online play between real programs on 127.0.0.1: two headless bots play a
// recorded game through lockstep, directly and through the relay, and end
// where the recording played alone ends; a peer that misbehaves or vanishes
// is dropped with a clear message and the game keeps its recording.
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "game/failure.h"
#include "game/recorder.h"
#include "game/replay.h"
#include "game_fixture.h"
#include "net/message.h"
#include "program.h"
#include "tests/support/raw_peer.h"

using namespace game;
using gametest::GameTest;
using gametest::Program;
using gametest::ReadText;
using gametest::WaitFor;

namespace {

std::filesystem::path Folder(const std::string& name) {
    const auto folder = std::filesystem::temp_directory_path() /
                        ("quorvel-online-" + std::to_string(getpid()) + "-" + name);
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder;
}

// The port a program tells on its standard error, the number right after
// `before` ("port " or "127.0.0.1:"), once it has; 0 if it has not in time.
int PortTold(const std::filesystem::path& err, const std::string& before) {
    int port = 0;
    WaitFor(
        [&] {
            const std::string text = ReadText(err);
            const std::size_t at = text.find(before);
            if (at != std::string::npos) port = std::atoi(text.c_str() + at + before.size());
            return port != 0;
        },
        20);
    return port;
}

// A game played headless through the real input path, with cuts under
// barrels and a New Game in the middle; no repaints (online play has none).
void RecordGame(const std::filesystem::path& path, const std::function<void()>& tick) {
    exitProgram = [](int) {};
    Recorder recorder(path.string());
    session = &recorder;
    tick();
    gui::headless::Click(canvas, 10, 10); // a click before play: nothing to cut
    butNewGame->ReportAction();
    for (int k = 0; k < 150; ++k) tick();
    for (int round = 0; round < 60; ++round) {
        int px, py;
        if (gametest::BlobToClick(px, py)) gui::headless::Click(canvas, px, py);
        if (round == 40) butNewGame->ReportAction();
        for (int k = 0; k < 10; ++k) tick();
    }
    for (int k = 0; k < 200; ++k) tick();
    window->ReportClose();
    session = nullptr;
}

struct Child {
    std::unique_ptr<Program> program;
    std::filesystem::path out, err;
    int Wait() { return program->WaitExit(120); }
};

Child Start(const std::filesystem::path& folder, const std::string& name, const char* exe,
            const std::vector<std::string>& args) {
    Child run;
    run.out = folder / (name + ".out");
    run.err = folder / (name + ".err");
    run.program = std::make_unique<Program>(folder, exe, run.err, std::string(), args, run.out);
    return run;
}

class OnlineGame : public GameTest {
  protected:
    // Records a game and replays it alone: the outcome both bots must reach.
    std::string RecordAndReplay(const std::filesystem::path& path) {
        RecordGame(path, [this] { Tick(); });
        EXPECT_GT(score[0] + score[1], 0) << "no barrel fell: the game proves little";
        const auto alone =
            gametest::RunToEnd(QUORVEL_GAME_EXE, {"--replay", path.string(), "--headless"});
        EXPECT_EQ(alone.code, 0) << alone.err;
        return alone.out;
    }

    // Host and join bots on the same recording; both must print `expected`.
    void PlayBots(const std::filesystem::path& folder, const std::vector<std::string>& hostArgs,
                  const std::function<std::vector<std::string>()>& joinArgs,
                  const std::string& expected) {
        std::vector<std::string> bot{"--bot", "game.qrec", "--headless", "--unpaced"};
        std::vector<std::string> h = hostArgs;
        h.insert(h.end(), bot.begin(), bot.end());
        Child host = Start(folder, "host", QUORVEL_GAME_EXE, h);
        std::vector<std::string> j = joinArgs();
        j.insert(j.end(), bot.begin(), bot.end());
        Child join = Start(folder, "join", QUORVEL_GAME_EXE, j);
        EXPECT_EQ(join.Wait(), 0) << ReadText(join.err);
        EXPECT_EQ(host.Wait(), 0) << ReadText(host.err);
        EXPECT_EQ(ReadText(host.out), expected) << ReadText(host.err);
        EXPECT_EQ(ReadText(join.out), expected) << ReadText(join.err);
    }
};

} // namespace

TEST_F(OnlineGame, TwoBotsPlayARecordedGameDirectlyToItsEnd) {
    const auto folder = Folder("direct");
    const std::string expected = RecordAndReplay(folder / "game.qrec");
    std::filesystem::path hostErr = folder / "host.err";
    PlayBots(
        folder, {"--host", "127.0.0.1:0", "--record", "host.qrec"},
        [&] {
            const int port = PortTold(hostErr, "port ");
            EXPECT_NE(port, 0) << ReadText(hostErr);
            return std::vector<std::string>{"--join", "127.0.0.1:" + std::to_string(port),
                                            "--record", "join.qrec"};
        },
        expected);
    // Each side's own recording replays alone to the same end.
    for (const char* name : {"host.qrec", "join.qrec"}) {
        SCOPED_TRACE(name);
        const auto replay =
            gametest::RunToEnd(QUORVEL_GAME_EXE, {"--replay", name, "--headless"}, folder);
        EXPECT_EQ(replay.out, expected) << replay.err;
    }
    EXPECT_EQ(ReadText(folder / "host.qrec"), ReadText(folder / "join.qrec"));
    std::filesystem::remove_all(folder);
}

TEST_F(OnlineGame, TwoBotsPlayARecordedGameThroughTheRelayToItsEnd) {
    const auto folder = Folder("relay");
    const std::string expected = RecordAndReplay(folder / "game.qrec");
    Child relay = Start(folder, "relay", QUORVEL_RELAY_EXE,
                        {"--listen", "127.0.0.1:0", "--max-rate", "1000000"});
    const int port = PortTold(relay.err, "listening on 127.0.0.1:");
    ASSERT_NE(port, 0) << ReadText(relay.err);
    const std::string at = "127.0.0.1:" + std::to_string(port);
    std::filesystem::path hostErr = folder / "host.err";
    PlayBots(
        folder, {"--relay", at, "--host", "ROOM42"},
        [&] {
            // The room must be made before it is entered.
            EXPECT_TRUE(WaitFor(
                [&] { return ReadText(hostErr).find("(room ROOM42)") != std::string::npos; }, 20));
            return std::vector<std::string>{"--relay", at, "--join", "ROOM42"};
        },
        expected);
    std::filesystem::remove_all(folder);
}

using testsupport::RawPeer;

// A hello as Player Two, then `ticks` ticks promised.
void Greet(RawPeer& peer, int ticks) {
    peer.Send(net::Hello{net::PROTOCOL_VERSION, net::Seat::PlayerTwo, 0});
    for (int t = 0; t < ticks; ++t) peer.Send(net::Through{static_cast<std::uint32_t>(t)});
}

TEST(OnlinePeer, AMisbehavingOrVanishingPeerEndsTheGameWithAClearMessage) {
    const auto folder = Folder("peers");
    {
        std::ofstream(folder / "bot.qrec")
            << "quorvel-recording 1\nseed 4660\n0 newgame\n100000 end\n";
    }
    struct Case {
        const char* name;
        std::function<void(RawPeer&)> act;
        const char* status; // the strip's last words
        const char* told;   // in the problem on stderr
    };
    const std::vector<Case> cases = {
        {"oversized",
         [](RawPeer& p) {
             Greet(p, 30);
             p.Bytes({0xFF, 0x00, 0x03});
         },
         "Player Two was dropped", "a frame of 255 bytes"},
        {"unknown type",
         [](RawPeer& p) {
             Greet(p, 30);
             p.Bytes({0x01, 0x00, 0x63});
         },
         "Player Two was dropped", "unknown type 99"},
        {"out of order",
         [](RawPeer& p) {
             Greet(p, 30);
             p.Send(net::Input{60, net::Input::Click, 1, 1});
             p.Send(net::Input{50, net::Input::Click, 1, 1});
         },
         "Player Two was dropped", "out of order"},
        {"flood",
         [](RawPeer& p) {
             Greet(p, 1);
             for (int k = 0; k < 3000; ++k) p.Send(net::Through{0});
         },
         "Player Two was dropped", "too many messages"},
        {"runs ahead", [](RawPeer& p) { Greet(p, 700); }, "Player Two was dropped",
         "too far ahead"},
        {"other version",
         [](RawPeer& p) {
             p.Send(net::Hello{net::PROTOCOL_VERSION + 1, net::Seat::PlayerTwo, 0});
         },
         "Player Two was dropped", "version 2 of the online protocol"},
        {"vanishes",
         [](RawPeer& p) {
             Greet(p, 30);
             p.Close();
         },
         "Player Two left", "The connection was lost"},
        {"stalls", [](RawPeer& p) { Greet(p, 30); }, "Player Two went quiet",
         "sent nothing for 10 seconds"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string record = std::string(c.name) + ".qrec";
        Child host = Start(folder, c.name, QUORVEL_GAME_EXE,
                           {"--host", "127.0.0.1:0", "--bot", "bot.qrec", "--record", record,
                            "--headless", "--unpaced"});
        const int port = PortTold(host.err, "port ");
        ASSERT_NE(port, 0) << ReadText(host.err);
        RawPeer peer(port);
        ASSERT_TRUE(peer.Connected());
        c.act(peer);
        // It ends as a failure that it reports, not as a crash.
        EXPECT_EQ(host.Wait(), FAILURE_EXIT_CODE) << ReadText(host.err);
        const std::string err = ReadText(host.err);
        EXPECT_NE(err.find("Quorvel online: " + std::string(c.status)), std::string::npos) << err;
        EXPECT_NE(err.find(c.told), std::string::npos) << err;
        // The recording is closed with its end line, whatever happened once
        // play began (a peer refused at its hello never began it).
        if (std::string(c.name) == "other version") {
            EXPECT_FALSE(std::filesystem::exists(folder / record));
            continue;
        }
        const std::string recorded = ReadText(folder / record);
        EXPECT_NE(recorded.find("0 newgame\n"), std::string::npos) << recorded;
        EXPECT_NE(recorded.find(" end\n"), std::string::npos) << recorded;
    }
    std::filesystem::remove_all(folder);
}
