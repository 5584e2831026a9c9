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
    Mode mode = Play;
    /// The recording's path for Record and Replay, as given.
    std::string file;
    /// Replay with no display: run to the end and print the outcome.
    bool headless = false;
};

/// A command line that asks for nothing sensible; what() says why.
class CommandLineError : public std::runtime_error {
  public:
    /// `what` is one sentence, without the program's name.
    explicit CommandLineError(const std::string& what) : std::runtime_error(what) {}
};

/// The exit code of a command-line error.
inline constexpr int USAGE_EXIT_CODE = 2;

/// Reads the arguments (without the program's name). --help anywhere wins.
/// Throws CommandLineError for an unknown option, a missing or doubled file,
/// --record with --replay, or --headless without --replay.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

/// The usage text, several lines ending in a line end.
std::string UsageText();

} // namespace game
