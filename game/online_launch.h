#pragma once
// Online play as the desktop program starts it from its command line: the
// TCP transport to the other player or the relay, the session, and the
// headless loop of a bot.

#include <memory>
#include <string>

#include "game/command_line.h"
#include "game/online_session.h"
#include "game/replay.h"
#include "net/tcp_transport.h"

namespace game {

/// An online game being set up or played, with the transport it runs on.
struct OnlineLaunch {
    std::unique_ptr<OnlineSession> session;
    net::TcpTransport* transport = nullptr; // owned by the session
};

/// Listens or connects as `line` asks (the game must be started) and makes
/// the session; a bot's script is read and its inputs picked here. `launch`
/// is the folder the program was started from (desync recordings go there).
/// Throws std::runtime_error (a RecordingError for a bad --bot file) when it
/// cannot.
OnlineLaunch LaunchOnline(const CommandLine& line, const std::string& launchFolder);

/// Runs the game headless until the online game is over: 60 ticks a second,
/// or as fast as the other side allows when `paced` is false. Returns the
/// state it ended in.
GameOutcome PlayOnlineHeadless(OnlineLaunch& launch, bool paced);

} // namespace game
