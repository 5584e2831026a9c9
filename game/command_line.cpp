#include "game/command_line.h"

#include <algorithm>
#include <charconv>

namespace game {
namespace {

bool IsHelp(const std::string& arg) { return arg == "--help" || arg == "-h"; }

bool IsOption(const std::string& arg) { return arg.rfind("--", 0) == 0; }

class Parser {
  public:
    explicit Parser(const std::vector<std::string>& args) : args_(args) {}

    CommandLine Parse() {
        for (k_ = 0; k_ < args_.size(); ++k_) Option(args_[k_]);
        Check();
        return line_;
    }

  private:
    void Option(const std::string& arg) {
        if (arg == "--headless") return Flag(arg, line_.headless);
        if (arg == "--unpaced") return Flag(arg, line_.unpaced);
        if (arg == "--hashes") return Flag(arg, line_.hashes);
        if (arg == "--record" || arg == "--replay") return RecordOrReplay(arg);
        if (arg == "--host" || arg == "--join") return HostOrJoin(arg);
        if (arg == "--relay") {
            if (line_.viaRelay) throw CommandLineError("--relay is given twice");
            line_.relay = Value(arg, "an address");
            line_.viaRelay = true;
            return;
        }
        if (arg == "--bot") {
            if (!line_.bot.empty()) throw CommandLineError("--bot is given twice");
            line_.bot = Value(arg, "a file name");
            return;
        }
        if (arg == "--input-delay") return InputDelay(arg);
        if (!arg.empty() && arg[0] == '-') throw CommandLineError("unknown option " + arg);
        throw CommandLineError("unexpected argument \"" + arg + "\"");
    }

    void Flag(const std::string& arg, bool& flag) {
        if (flag) throw CommandLineError(arg + " is given twice");
        flag = true;
    }

    // The argument after `arg`, which must be there and not be an option.
    std::string Value(const std::string& arg, const std::string& what) {
        if (k_ + 1 == args_.size() || args_[k_ + 1].empty() || IsOption(args_[k_ + 1]))
            throw CommandLineError(arg + " needs " + what);
        return args_[++k_];
    }

    void RecordOrReplay(const std::string& arg) {
        const bool record = arg == "--record";
        if (line_.mode != CommandLine::Play)
            throw CommandLineError(line_.mode ==
                                           (record ? CommandLine::Record : CommandLine::Replay)
                                       ? arg + " is given twice"
                                       : "--record and --replay cannot be used together");
        line_.file = Value(arg, "a file name");
        line_.mode = record ? CommandLine::Record : CommandLine::Replay;
    }

    void HostOrJoin(const std::string& arg) {
        if (line_.online != CommandLine::Offline)
            throw CommandLineError((arg == "--host") == (line_.online == CommandLine::Host)
                                       ? arg + " is given twice"
                                       : "--host and --join cannot be used together");
        if (arg == "--host") {
            line_.online = CommandLine::Host;
            // The address or room is optional for the host.
            if (k_ + 1 < args_.size() && !args_[k_ + 1].empty() && !IsOption(args_[k_ + 1]))
                line_.target = args_[++k_];
        } else {
            line_.online = CommandLine::Join;
            line_.target = Value(arg, "an address, or a room code with --relay");
        }
    }

    void InputDelay(const std::string& arg) {
        if (line_.inputDelay) throw CommandLineError(arg + " is given twice");
        const std::string text = Value(arg, "a number of ticks");
        int value = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error != std::errc() || end != text.data() + text.size() || value < 1 ||
            value > MAX_INPUT_DELAY)
            throw CommandLineError(arg + " must be a number of ticks from 1 to " +
                                   std::to_string(MAX_INPUT_DELAY));
        line_.inputDelay = value;
    }

    void Check() const {
        const bool online = line_.online != CommandLine::Offline;
        if (line_.viaRelay && line_.mode == CommandLine::Replay)
            throw CommandLineError("--relay cannot be used with --replay");
        if (online && line_.mode == CommandLine::Replay)
            throw CommandLineError("--replay cannot be used with --host or --join");
        if (!online) {
            // --relay alone names the relay of the Online button.
            for (const char* option : {"--bot", "--input-delay", "--unpaced"}) {
                const bool given = (option == std::string("--bot") && !line_.bot.empty()) ||
                                   (option == std::string("--input-delay") && line_.inputDelay) ||
                                   (option == std::string("--unpaced") && line_.unpaced);
                if (given)
                    throw CommandLineError(std::string(option) +
                                           " works only with --host or --join");
            }
        }
        if (line_.viaRelay && line_.online == CommandLine::Join && line_.target.empty())
            throw CommandLineError("--join needs a room code with --relay");
        if (line_.headless && line_.mode != CommandLine::Replay && line_.bot.empty())
            throw CommandLineError("--headless works only with --replay, or online with --bot");
        if (line_.unpaced && !line_.headless)
            throw CommandLineError("--unpaced works only with --headless");
        if (line_.hashes && !(line_.headless && line_.mode == CommandLine::Replay))
            throw CommandLineError("--hashes works only with --replay and --headless");
    }

    const std::vector<std::string>& args_;
    std::size_t k_ = 0;
    CommandLine line_;
};

} // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
    if (std::any_of(args.begin(), args.end(), IsHelp)) {
        CommandLine line;
        line.mode = CommandLine::Help;
        return line;
    }
    return Parser(args).Parse();
}

std::string UsageText() {
    return "Usage: quorvel [--record FILE | --replay FILE [--headless] | --help]\n"
           "       quorvel --host [ADDRESS] | --join ADDRESS  [--record FILE]\n"
           "       quorvel --relay ADDRESS --host [ROOM] | --join ROOM  [--record FILE]\n"
           "\n"
           "  (no options)          play Quorvel\n"
           "  --record FILE         play, and record every click and New Game to FILE\n"
           "  --replay FILE         play a recorded game back in the window\n"
           "  --replay FILE --headless [--hashes]\n"
           "                        replay to the end without a display; print the\n"
           "                        final scores, the ticks run and a hash of the world\n"
           "                        (with --hashes, first \"TICK HASH\" after every tick)\n"
           "  --help                show this text\n"
           "\n"
           "Online (the host is Player One, the other player Player Two):\n"
           "  --host [ADDRESS]      wait for the other player on ADDRESS\n"
           "                        (default 127.0.0.1:7471)\n"
           "  --join ADDRESS        play against the host at ADDRESS\n"
           "  --relay ADDRESS       play through the relay at ADDRESS (port 7470 if\n"
           "                        none is given): --host makes a room (named ROOM\n"
           "                        if given) and shows its code; --join ROOM enters it.\n"
           "                        Alone, it is the relay of the Online button\n"
           "  --input-delay TICKS   ticks between a click and its effect (default 4)\n"
           "  --bot FILE            play this player's clicks from the recording FILE\n"
           "  --bot FILE --headless [--unpaced]\n"
           "                        the same without a display; print the outcome as\n"
           "                        a headless replay does\n";
}

} // namespace game
