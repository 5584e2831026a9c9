#include "samples/command_line.h"

#include <algorithm>
#include <charconv>

#include "samples/scene_table.h"

namespace samples {

namespace {

bool ParseCount(const std::string& text, int& n) {
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, n);
    return ec == std::errc() && ptr == end && n >= 0;
}

} // namespace

std::string Usage() {
    return "usage: tangle_samples [--scene NAME]   the window, on the first scene or NAME\n"
           "       tangle_samples --list           the scenes' names, one a line\n"
           "       tangle_samples --scene NAME --steps N --headless\n"
           "                                       N steps with no display, then a line of\n"
           "                                       figures; exits 1 if a check failed\n"
           "       tangle_samples --help | -h      this text\n";
}

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
    CommandLine line;
    if (std::ranges::any_of(args,
                            [](const std::string& a) { return a == "--help" || a == "-h"; })) {
        line.mode = CommandLine::Help;
        return line;
    }
    bool headless = false, list = false, stepsGiven = false, sceneGiven = false;
    for (std::size_t k = 0; k < args.size(); ++k) {
        const std::string& arg = args[k];
        const bool hasValue = k + 1 < args.size();
        if (arg == "--list") {
            list = true;
        } else if (arg == "--headless") {
            headless = true;
        } else if (arg == "--scene" && hasValue) {
            const std::string& name = args[++k];
            line.scene = FindScene(name);
            sceneGiven = true;
            if (line.scene < 0) {
                line.error = "no scene named \"" + name + "\" (see --list)";
                return line;
            }
        } else if (arg == "--steps" && hasValue) {
            stepsGiven = true;
            if (!ParseCount(args[++k], line.steps)) {
                line.error = "--steps needs a count of steps, not \"" + args[k] + "\"";
                return line;
            }
        } else {
            line.error = "unexpected argument \"" + arg + "\"";
            return line;
        }
    }
    if (list) {
        line.mode = CommandLine::List;
        if (headless || stepsGiven || sceneGiven) line.error = "--list takes no other option";
    } else if (headless) {
        line.mode = CommandLine::Headless;
        if (!sceneGiven || !stepsGiven) line.error = "--headless needs --scene and --steps";
    } else if (stepsGiven) {
        line.error = "--steps is for --headless runs";
    }
    return line;
}

} // namespace samples
