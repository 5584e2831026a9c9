#include "game/failure.h"

#include <cstdio>
#include <exception>
#include <new>
#include <string>

#include "game/frame.h"
#include "game/media.h"
#include "gui/gui.h"

namespace game {
namespace {

// Where the program was when it failed, in the report's words.
constexpr const char* AT_START_UP = "failed at start-up";
constexpr const char* IN_PLAY = "stopped during play";
const char* stage = AT_START_UP;

std::string Staged(const std::string& what) {
    return std::string("Quorvel ") + stage + ": " + what;
}

struct Failure {
    std::string line;
    bool dialog = true; // false when no display could be opened for one
};

// A media error names its file in a sentence of its own; everything else is
// told with the program and the stage.
Failure Describe(std::exception_ptr failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const MediaError& e) {
        return {e.what()};
    } catch (const gui::DisplayError& e) {
        return {Staged(e.what()), false};
    } catch (const std::bad_alloc&) {
        return {Staged("out of memory")};
    } catch (const std::exception& e) {
        return {Staged(e.what())};
    } catch (...) {
        return {Staged("an unknown error")};
    }
}

// One line, whatever the message held.
std::string OneLine(std::string text) {
    for (char& c : text)
        if (c == '\n' || c == '\r') c = ' ';
    return text;
}

void PrintLine(const std::string& line) {
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
}

void Report(const Failure& failure) {
    const std::string line = OneLine(failure.line);
    PrintLine(line);
    if (!failure.dialog) return;
    // The dialog dispatches events while it waits: the game must not draw,
    // tick or end the program with code 0 meanwhile.
    StopPlay();
    try {
        gui::Notify(line, 1);
    } catch (...) {
        // No dialog could be shown (no display after all): the line is said.
    }
}

void ReportLostDisplay(const std::string& what) { PrintLine(OneLine(Staged(what))); }

} // namespace

int RunProgram(void (*startUp)(), void (*loop)()) {
    gui::SetDisplayLostHandler(ReportLostDisplay);
    stage = AT_START_UP;
    try {
        startUp();
        stage = IN_PLAY;
        loop();
        return 0;
    } catch (...) {
        Report(Describe(std::current_exception()));
        return FAILURE_EXIT_CODE;
    }
}

} // namespace game
