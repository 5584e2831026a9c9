// The program: the game in its own folder, with its data in media/ there.
// Its options record a game or replay one (see UsageText).
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "core/error.h"
#include "game/command_line.h"
#include "game/failure.h"
#include "game/frame.h"
#include "game/recorder.h"
#include "game/replay.h"
#include "gui/fltk.h"
#include "gui/system_driver.h"

namespace {

// The recorder or the replay the command line asked for; none for plain play.
std::unique_ptr<game::Session> chosenSession;

// The folder that holds the running program.
std::filesystem::path ProgramFolder() {
    std::error_code error;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::current_path() : self.parent_path();
}

void StartInProgramFolder() {
    std::error_code error;
    std::filesystem::current_path(ProgramFolder(), error);
    if (error) throw core::RuntimeError("cannot enter the program's folder: " + error.message());
    game::StartUp();
    game::session = chosenSession.get();
}

void ReplayHeadless() {
    auto& replay = static_cast<game::Replayer&>(*chosenSession);
    std::fputs(game::FormatOutcome(game::ReplayToEnd(replay)).c_str(), stdout);
    std::fflush(stdout);
}

// The recording's session, made before start-up leaves the folder the user
// named the file from; false (and the reason on stderr) when it cannot be.
bool ChooseSession(const game::CommandLine& line) {
    try {
        if (line.mode == game::CommandLine::Record) {
            const std::string path = std::filesystem::absolute(line.file).string();
            chosenSession = std::make_unique<game::Recorder>(path);
        } else if (line.mode == game::CommandLine::Replay) {
            chosenSession = std::make_unique<game::Replayer>(game::LoadRecording(line.file));
        }
        return true;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return false;
    }
}

} // namespace

int main(int argc, char** argv) {
    game::CommandLine line;
    try {
        line = game::ParseCommandLine({argv + 1, argv + argc});
    } catch (const game::CommandLineError& e) {
        std::fprintf(stderr, "quorvel: %s\nTry 'quorvel --help'.\n", e.what());
        return game::USAGE_EXIT_CODE;
    }
    if (line.mode == game::CommandLine::Help) {
        std::fputs(game::UsageText().c_str(), stdout);
        return 0;
    }
    if (!ChooseSession(line)) return game::FAILURE_EXIT_CODE;
    if (line.headless) {
        // No window: the headless GUI, and the replay runs to its end at once.
        gui::UseHeadlessDriver();
        return game::RunProgram(StartInProgramFolder, ReplayHeadless);
    }
    // The FLTK back end: native windows, and an OpenGL canvas drawn by the
    // drawing surface's OpenGL back end.
    gui::UseFltkDriver();
    return game::RunProgram(StartInProgramFolder, game::MainLoop);
}
