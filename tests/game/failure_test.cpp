// How the program ends on a failure, played headless: the line on stderr,
// the dialog (recorded by the headless back end) and the exit code.
#include <gtest/gtest.h>

#include <unistd.h>

#include <new>
#include <stdexcept>
#include <string>

#include "core/core.h"
#include "game/failure.h"
#include "game/frame.h"
#include "game/globals.h"
#include "game/media.h"
#include "gui/gui.h"

namespace {

using Step = void (*)();

void Nothing() {}
[[noreturn]] void ThrowListError() { throw core::RuntimeError("List index out of range"); }

struct Outcome {
    int code = 0;
    std::string stderrText;
    std::size_t newNotices = 0;
};

Outcome RunReported(Step startUp, Step loop) {
    EXPECT_TRUE(gui::UseHeadlessDriver());
    const std::size_t noticesBefore = gui::headless::Notices().size();
    testing::internal::CaptureStderr();
    Outcome outcome;
    outcome.code = game::RunProgram(startUp, loop);
    outcome.stderrText = testing::internal::GetCapturedStderr();
    outcome.newNotices = gui::headless::Notices().size() - noticesBefore;
    return outcome;
}

struct Case {
    const char* name;
    Step startUp, loop;
    std::string line;
};

} // namespace

TEST(Failure, EachIsOneLineOnStderrAndTheSameTextInASeriousDialog) {
    const Case cases[] = {
        {"core error at start-up", ThrowListError, Nothing,
         "Quorvel failed at start-up: List index out of range"},
        {"stream error in play", Nothing, [] { throw core::TStreamReadException(); },
         "Quorvel stopped during play: Error reading from stream"},
        {"no memory in play", Nothing, [] { throw std::bad_alloc(); },
         "Quorvel stopped during play: out of memory"},
        {"not an exception", [] { throw 42; }, Nothing,
         "Quorvel failed at start-up: an unknown error"},
        {"message of two lines", [] { throw std::runtime_error("first\nsecond"); }, Nothing,
         "Quorvel failed at start-up: first second"},
        {"missing medium", [] { throw game::MediaError("media/fire.png"); }, Nothing,
         game::MediaError("media/fire.png").what()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome outcome = RunReported(c.startUp, c.loop);
        EXPECT_EQ(outcome.code, game::FAILURE_EXIT_CODE);
        EXPECT_EQ(outcome.stderrText, c.line + "\n");
        ASSERT_EQ(outcome.newNotices, 1u);
        EXPECT_EQ(gui::headless::Notices().back().text, c.line);
        EXPECT_EQ(gui::headless::Notices().back().serious, 1);
    }
}

TEST(Failure, DisplayThatCannotBeOpenedGetsNoDialog) {
    const Outcome outcome =
        RunReported([] { throw gui::DisplayError("Cannot open the X display \":7\""); }, Nothing);
    EXPECT_EQ(outcome.code, game::FAILURE_EXIT_CODE);
    EXPECT_EQ(outcome.stderrText, "Quorvel failed at start-up: Cannot open the X display \":7\"\n");
    EXPECT_EQ(outcome.newNotices, 0u);
}

namespace {
int exitRequests = 0;
} // namespace

TEST(Failure, InPlayTheGameStopsBeforeTheDialogWaits) {
    // One game per process: this case is its own process under CTest.
    ASSERT_EQ(chdir(QUORVEL_SOURCE_DIR), 0);
    game::exitProgram = [](int) { ++exitRequests; };
    const Outcome outcome = RunReported(game::StartUp, ThrowListError);
    EXPECT_EQ(outcome.code, game::FAILURE_EXIT_CODE);
    EXPECT_EQ(outcome.newNotices, 1u);
    // While a real dialog waits, the timer must not tick the game on, and
    // closing the game's window must not end the program with code 0.
    ASSERT_TRUE(game::timer);
    EXPECT_EQ(game::timer->_handle, 0) << "the timer still runs";
    game::window->ReportClose();
    EXPECT_EQ(exitRequests, 0);
}
