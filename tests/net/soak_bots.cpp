// quorvel-soak-bots: many pairs of bots play lockstep through one relay at 60
// ticks a second for a while, each over a connection of its own, and report
// whether every room stayed in step. A bot is the real lockstep and TCP
// transport over a toy game (clicks pass the turn, the hash folds in every
// input), so that a hundred rooms fit on one core; the relay cannot tell.
//
// Usage: quorvel-soak-bots RELAY_PORT ROOMS SECONDS
// Exit code 0 when every room played to the end in step.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "game/lockstep.h"
#include "net/tcp_transport.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Bot {
    enum class Stage { Opening, Waiting, Greeting, Playing, Done, Failed };
    net::Seat seat;
    std::string room;
    std::unique_ptr<net::TcpTransport> link;
    game::Lockstep lock;
    Stage stage = Stage::Opening;
    int turn = 0;
    std::uint64_t hash = 1469598103934665603ull;
    std::mt19937 random;
    std::string problem;

    Bot(net::Seat s, std::string code, int port, unsigned seed)
        : seat(s), room(std::move(code)),
          link(net::Connect({"127.0.0.1", static_cast<std::uint16_t>(port)})), lock(s),
          random(seed) {}

    void Apply(const game::SeatedInput& in) {
        if (in.event.kind == game::PlayEvent::Click) turn = 1 - turn;
        const float parts[] = {float(lock.Ticks()), float(in.seat), float(in.event.kind),
                               in.event.x};
        for (float p : parts) hash = (hash ^ static_cast<std::uint64_t>(p * 16)) * 1099511628211ull;
    }

    void Fail(const std::string& why) {
        stage = Stage::Failed;
        problem = why;
    }

    // One timer tick of the bot.
    void Tick(long long lastTick) {
        link->Poll();
        if (stage == Stage::Opening && link->GetState() == net::Transport::State::Open) {
            link->Send(
                net::Open{seat == net::Seat::PlayerOne ? net::Open::Make : net::Open::Enter, room});
            stage = Stage::Waiting;
        }
        while (auto m = link->Receive()) {
            if (stage == Stage::Playing) {
                lock.Receive(*m);
            } else if (std::holds_alternative<net::Paired>(*m)) {
                link->Send(net::Hello{net::PROTOCOL_VERSION, seat, 0});
                stage = Stage::Greeting;
            } else if (std::holds_alternative<net::Hello>(*m) && stage == Stage::Greeting) {
                stage = Stage::Playing;
            } else if (const auto* r = std::get_if<net::Refused>(&*m)) {
                return Fail("refused: " + r->reason);
            } else if (std::holds_alternative<net::PeerGone>(*m) && stage != Stage::Done) {
                return Fail("its partner left");
            }
        }
        if (stage != Stage::Playing) {
            if (link->GetState() == net::Transport::State::Closed && stage != Stage::Done)
                Fail("the connection closed: " + link->ClosedReason());
            return;
        }
        // A click now and then on its own turn, as a player would.
        if (turn == static_cast<int>(seat) && random() % 90 == 0)
            lock.Submit({game::PlayEvent::Click, float(random() % 1000), float(random() % 2000)},
                        lock.Ticks() + lock.InputDelay());
        if (random() % 3000 == 0)
            lock.Submit({game::PlayEvent::NewGame}, lock.Ticks() + lock.InputDelay());
        lock.Commit(lock.Ticks() + lock.InputDelay() - 1);
        if (lock.Ready()) {
            lock.ApplyDue([&] { return turn; }, [&](const game::SeatedInput& in) { Apply(in); });
            lock.Ticked(hash);
        }
        for (const net::Message& m : lock.TakeOutgoing()) link->Send(m);
        link->Poll();
        if (lock.GetState() == game::Lockstep::State::Desync)
            return Fail("desync: " + lock.Problem());
        if (lock.GetState() != game::Lockstep::State::Playing) return Fail(lock.Problem());
        if (lock.Ticks() >= lastTick) stage = Stage::Done;
    }
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "Usage: quorvel-soak-bots RELAY_PORT ROOMS SECONDS\n");
        return 2;
    }
    const int port = std::atoi(argv[1]), rooms = std::atoi(argv[2]), seconds = std::atoi(argv[3]);
    const long long lastTick = 60LL * seconds;
    std::vector<std::unique_ptr<Bot>> bots;
    for (int r = 0; r < rooms; ++r) {
        const std::string code = "SOAK" + std::to_string(r);
        bots.push_back(std::make_unique<Bot>(net::Seat::PlayerOne, code, port, 2u * r + 1));
    }
    const auto period = std::chrono::microseconds(16667);
    auto next = Clock::now();
    const auto start = next;
    bool joinersStarted = false;
    for (;;) {
        // The joiners come once every room is made.
        if (!joinersStarted && Clock::now() - start > std::chrono::seconds(1)) {
            for (int r = 0; r < rooms; ++r)
                bots.push_back(std::make_unique<Bot>(net::Seat::PlayerTwo,
                                                     "SOAK" + std::to_string(r), port, 2u * r + 2));
            joinersStarted = true;
        }
        bool running = false;
        for (auto& bot : bots) {
            if (bot->stage == Bot::Stage::Done || bot->stage == Bot::Stage::Failed) continue;
            bot->Tick(lastTick);
            running = true;
        }
        if (joinersStarted && !running) break;
        if (Clock::now() - start > std::chrono::seconds(seconds + 120)) break;
        next += period;
        std::this_thread::sleep_until(next);
        if (Clock::now() - next > std::chrono::milliseconds(100)) next = Clock::now();
    }
    int done = 0, failed = 0, desyncs = 0;
    long long fewest = lastTick;
    for (const auto& bot : bots) {
        if (bot->stage == Bot::Stage::Done)
            ++done;
        else {
            ++failed;
            if (bot->problem.rfind("desync", 0) == 0) ++desyncs;
            std::fprintf(stderr, "bot of room %s: %s\n", bot->room.c_str(),
                         bot->problem.empty() ? "did not finish" : bot->problem.c_str());
        }
        fewest = std::min(fewest, bot->lock.Ticks());
    }
    std::printf("soak: %d rooms, %d bots played %lld ticks in step, %d failed, %d desyncs, "
                "fewest ticks %lld, %.0f s\n",
                rooms, done, lastTick, failed, desyncs, fewest,
                std::chrono::duration<double>(Clock::now() - start).count());
    return failed == 0 ? 0 : 1;
}
