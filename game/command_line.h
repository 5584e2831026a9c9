#pragma once
// The program's command line. Without arguments the game is played as ever.

#include <stdexcept>
#include <string>
#include <vector>

namespace game {

/// What the command line asks for.
struct CommandLine {
    enum Mode {
        Play,   ///< no arguments: the game
        Record, ///< --record FILE: the game, recorded to FILE
        Replay, ///< --replay FILE [--headless]: a recorded game played back
        Help,   ///< --help: the usage, on stdout
    };
    /// Online play: none, hosting (Player One) or joining (Player Two).
    enum Online { Offline, Host, Join };
    Mode mode = Play;
    /// The recording's path for Record and Replay, as given.
    std::string file;
    /// Replay (or a bot's online game) with no display: run to the end and
    /// print the outcome.
    bool headless = false;

    Online online = Offline;
    /// --host [X] or --join X: without --relay, the address to listen on or
    /// connect to; with it, the room to make or enter. May be empty for --host.
    std::string target;
    /// --relay ADDRESS: play through the relay there (alone: the relay the
    /// Online button uses).
    std::string relay;
    bool viaRelay = false;
    /// --bot FILE: this player's inputs come from the recording FILE.
    std::string bot;
    /// --input-delay TICKS; 0 for the default.
    int inputDelay = 0;
    /// --unpaced: a headless bot runs its ticks as fast as the other side
    /// allows instead of 60 a second.
    bool unpaced = false;
    /// --hashes: a headless replay prints the world's hash after every tick.
    bool hashes = false;
};

/// A command line that asks for nothing sensible; what() says why.
class CommandLineError : public std::runtime_error {
  public:
    /// `what` is one sentence, without the program's name.
    explicit CommandLineError(const std::string& what) : std::runtime_error(what) {}
};

/// The exit code of a command-line error.
inline constexpr int USAGE_EXIT_CODE = 2;
/// The largest --input-delay (half a second).
inline constexpr int MAX_INPUT_DELAY = 30;

/// Reads the arguments (without the program's name). --help anywhere wins.
/// Throws CommandLineError for an unknown option, a missing or doubled
/// value, and options that do not go together.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

/// The usage text, several lines ending in a line end.
std::string UsageText();

} // namespace game
