// The program: the game in its own folder, with its data in media/ there.
// Its options record a game or replay one (see UsageText).
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "core/error.h"
#include "game/command_line.h"
#include "game/failure.h"
#include "game/frame.h"
#include "game/online_launch.h"
#include "game/recorder.h"
#include "game/replay.h"
#include "gui/fltk.h"
#include "gui/system_driver.h"

namespace {

// The recorder or the replay the command line asked for; none for plain play.
std::unique_ptr<game::Session> chosenSession;
// The command line, and the folder it was given in.
game::CommandLine commandLine;
std::filesystem::path launchFolder;
// An online game the command line asked for.
game::OnlineLaunch online;

// The folder that holds the running program.
std::filesystem::path ProgramFolder() {
    std::error_code error;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::current_path() : self.parent_path();
}

// The Online button's answer: host (empty) or join, directly or through
// the relay of --relay.
void StartOnlineFromButton(const std::string& answer) {
    game::CommandLine line = commandLine;
    line.online = answer.empty() ? game::CommandLine::Host : game::CommandLine::Join;
    line.target = answer;
    try {
        game::OnlineLaunch launch = game::LaunchOnline(line, launchFolder.string());
        game::session = nullptr;
        online = std::move(launch);
        game::ShowOnline(online.session.get());
    } catch (const std::exception& e) {
        gui::Notify(e.what(), 1);
    }
}

void StartInProgramFolder() {
    std::error_code error;
    std::filesystem::current_path(ProgramFolder(), error);
    if (error) throw core::RuntimeError("cannot enter the program's folder: " + error.message());
    game::StartUp();
    // Online from the window only in plain play: a recording or a replay
    // in force would lose its thread.
    if (commandLine.mode == game::CommandLine::Play && !commandLine.headless)
        game::OfferOnline(StartOnlineFromButton);
    if (commandLine.online != game::CommandLine::Offline) {
        online = game::LaunchOnline(commandLine, launchFolder.string());
        game::ShowOnline(online.session.get());
        return;
    }
    game::session = chosenSession.get();
}

void PlayOnlineHeadless() {
    const game::GameOutcome outcome = game::PlayOnlineHeadless(online, !commandLine.unpaced);
    const game::OnlineSession& s = *online.session;
    std::fputs(game::FormatOutcome(outcome).c_str(), stdout);
    std::fflush(stdout);
    std::fprintf(stderr, "Quorvel online: %s\n", s.LatencySummary().c_str());
    // Only a game played to its end counts as done.
    if (s.Desynced() || outcome.ticks == 0 || s.Status() != "Game over")
        throw std::runtime_error(s.Problem().empty() ? "the online game did not end" : s.Problem());
}

void ReplayHeadless() {
    auto& replay = static_cast<game::Replayer&>(*chosenSession);
    std::function<void(long long, std::uint64_t)> printHash;
    if (commandLine.hashes)
        printHash = [](long long tick, std::uint64_t hash) {
            std::fputs(game::FormatTickHash(tick, hash).c_str(), stdout);
        };
    std::fputs(game::FormatOutcome(game::ReplayToEnd(replay, printHash)).c_str(), stdout);
    std::fflush(stdout);
}

// The recording's session, made before start-up leaves the folder the user
// named the file from; false (and the reason on stderr) when it cannot be.
bool ChooseSession(const game::CommandLine& line) {
    if (line.online != game::CommandLine::Offline) return true; // made after start-up
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
    game::CommandLine& line = commandLine;
    launchFolder = std::filesystem::current_path();
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
        return game::RunProgram(StartInProgramFolder, line.online != game::CommandLine::Offline
                                                          ? PlayOnlineHeadless
                                                          : ReplayHeadless);
    }
    // The FLTK back end: native windows, and an OpenGL canvas drawn by the
    // drawing surface's OpenGL back end.
    gui::UseFltkDriver();
    return game::RunProgram(StartInProgramFolder, game::MainLoop);
}
