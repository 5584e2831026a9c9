#include "game/online_launch.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <thread>
#include <vector>

#include "game/bot_script.h"
#include "game/frame.h"
#include "game/globals.h"
#include "graphics/recording_driver.h"

namespace game {
namespace {

using Clock = std::chrono::steady_clock;

net::Endpoint EndpointOf(const std::string& text, std::uint16_t defaultPort, const char* what) {
    net::Endpoint endpoint;
    if (!net::ParseEndpoint(text, {"127.0.0.1", defaultPort}, endpoint))
        throw std::runtime_error(
            std::string("Quorvel cannot use \"") + text + "\" as " + what +
            " (write HOST:PORT, for example 127.0.0.1:" + std::to_string(defaultPort) + ").");
    return endpoint;
}

} // namespace

OnlineLaunch LaunchOnline(const CommandLine& line, const std::string& launchFolder) {
    OnlineOptions options;
    options.seat = line.online == CommandLine::Host ? net::Seat::PlayerOne : net::Seat::PlayerTwo;
    options.viaRelay = line.viaRelay;
    options.desyncFolder = launchFolder;
    if (line.inputDelay) options.lockstep.inputDelay = line.inputDelay;
    if (line.mode == CommandLine::Record)
        options.recordPath = (std::filesystem::path(launchFolder) / line.file).string();
    if (!line.bot.empty()) {
        const Recording recording =
            LoadRecording((std::filesystem::path(launchFolder) / line.bot).string());
        options.script = OwnInputs(recording, options.seat);
        options.lastTick = recording.LastTick();
    }

    std::unique_ptr<net::TcpTransport> transport;
    if (line.viaRelay) {
        if (line.target.size() > net::MAX_ROOM_CODE ||
            !net::IsPlainText(line.target, net::MAX_ROOM_CODE))
            throw std::runtime_error("Quorvel cannot use \"" + line.target +
                                     "\" as a room code (at most 16 letters and digits).");
        options.room = line.target;
        transport =
            net::Connect(EndpointOf(line.relay, net::DEFAULT_RELAY_PORT, "the relay's address"));
    } else if (line.online == CommandLine::Host) {
        transport = net::Listen(
            EndpointOf(line.target, net::DEFAULT_GAME_PORT, "the address to wait for a player on"));
        std::fprintf(stderr, "Quorvel online: waiting for a player on port %u\n",
                     static_cast<unsigned>(transport->LocalPort()));
    } else {
        transport =
            net::Connect(EndpointOf(line.target, net::DEFAULT_GAME_PORT, "the host's address"));
    }
    OnlineLaunch launch;
    launch.transport = transport.get();
    launch.session = std::make_unique<OnlineSession>(std::move(transport), std::move(options));
    return launch;
}

GameOutcome PlayOnlineHeadless(OnlineLaunch& launch, bool paced) {
    OnlineSession& online = *launch.session;
    auto* drawn = dynamic_cast<draw2d::TRecordingDriver*>(draw2d::GetGraphicsDriver());
    const auto period = std::chrono::microseconds(16667);
    auto next = Clock::now();
    while (online.GetPhase() != OnlineSession::Phase::Over) {
        if (paced) // network work until the tick is due
            for (auto now = Clock::now(); now < next; now = Clock::now())
                launch.transport->PollFor(std::chrono::duration_cast<std::chrono::milliseconds>(
                    std::min<Clock::duration>(next - now, std::chrono::milliseconds(2))));
        const long long before = online.Ticks();
        if (drawn) drawn->Clear();
        Tick();
        const bool held =
            online.GetPhase() == OnlineSession::Phase::Playing && online.Ticks() == before;
        if (held) {
            // Tried again as soon as the other side's inputs are in.
            launch.transport->PollFor(std::chrono::milliseconds(1));
            continue;
        }
        next += period;
        if (Clock::now() - next > std::chrono::milliseconds(200)) next = Clock::now();
    }
    return CurrentOutcome(online.Ticks());
}

} // namespace game
