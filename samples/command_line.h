#pragma once
// The samples' command line:
//   tangle_samples                                   the window, first scene
//   tangle_samples --list                            scene names, one a line
//   tangle_samples --scene NAME                      the window, on that scene
//   tangle_samples --scene NAME --steps N --headless N steps with no display
//   tangle_samples --help (or -h)                    the usage, on stdout

#include <string>
#include <vector>

namespace samples {

struct CommandLine {
    enum Mode { Window, List, Headless, Help };
    Mode mode = Window;
    int scene = 0; // index into Scenes()
    int steps = 0;
    std::string error; // set when the arguments make no sense
};

// args without the program's name. --help or -h anywhere asks for the usage
// alone, whatever else is given.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

// The usage text: a line per form, ending in a newline.
std::string Usage();

} // namespace samples
