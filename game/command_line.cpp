#include "game/command_line.h"

#include <algorithm>

namespace game {
namespace {

bool IsHelp(const std::string& arg) { return arg == "--help" || arg == "-h"; }

} // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
    CommandLine line;
    if (std::any_of(args.begin(), args.end(), IsHelp)) {
        line.mode = CommandLine::Help;
        return line;
    }
    for (std::size_t k = 0; k < args.size(); ++k) {
        const std::string& arg = args[k];
        if (arg == "--headless") {
            if (line.headless) throw CommandLineError("--headless is given twice");
            line.headless = true;
            continue;
        }
        const bool record = arg == "--record";
        if (!record && arg != "--replay") {
            if (!arg.empty() && arg[0] == '-') throw CommandLineError("unknown option " + arg);
            throw CommandLineError("unexpected argument \"" + arg + "\"");
        }
        if (line.mode != CommandLine::Play)
            throw CommandLineError(line.mode == (record ? CommandLine::Record : CommandLine::Replay)
                                       ? arg + " is given twice"
                                       : "--record and --replay cannot be used together");
        if (k + 1 == args.size() || args[k + 1].empty() || args[k + 1].rfind("--", 0) == 0)
            throw CommandLineError(arg + " needs a file name");
        line.mode = record ? CommandLine::Record : CommandLine::Replay;
        line.file = args[++k];
    }
    if (line.headless && line.mode != CommandLine::Replay)
        throw CommandLineError("--headless works only with --replay");
    return line;
}

std::string UsageText() {
    return "Usage: quorvel [--record FILE | --replay FILE [--headless] | --help]\n"
           "\n"
           "  (no options)          play Quorvel\n"
           "  --record FILE         play, and record every click and New Game to FILE\n"
           "  --replay FILE         play a recorded game back in the window\n"
           "  --replay FILE --headless\n"
           "                        replay to the end without a display; print the\n"
           "                        final scores, the ticks run and a hash of the world\n"
           "  --help                show this text\n";
}

} // namespace game
