// Losing the display: the timers stop first, the handler is told, and the
// process ends with code 1 without running any destructor.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "gui/gui.h"

using namespace gui;

namespace {

core::Ref<TTimer> fast, slow;

// A destructor that speaks up if the statics' destructors run after the loss.
struct SpeaksWhenDestroyed {
    bool armed = false;
    ~SpeaksWhenDestroyed() {
        if (armed) std::fprintf(stderr, "a destructor ran\n");
    }
} speaker;

void ReportTimers(const std::string& what) {
    std::fprintf(stderr, "lost: %s; timers stopped: %d\n", what.c_str(),
                 fast->_handle == 0 && slow->_handle == 0);
}

void LoseTheDisplayWithTimersRunning(DisplayLostFunc handler) {
    if (!UseHeadlessDriver()) std::abort();
    fast = CreateTimer(200);
    slow = CreateTimer(5);
    if (!fast || !slow) std::abort();
    SetDisplayLostHandler(handler);
    speaker.armed = true;
    DisplayLost("the server went away");
}

} // namespace

TEST(DisplayLost, TimersStopBeforeTheHandlerAndNoDestructorRuns) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(LoseTheDisplayWithTimersRunning(ReportTimers),
                testing::ExitedWithCode(DISPLAY_LOST_EXIT_CODE),
                "^lost: the server went away; timers stopped: 1\n$");
}

TEST(DisplayLost, WithoutAHandlerTheLineGoesToStderr) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(LoseTheDisplayWithTimersRunning(nullptr),
                testing::ExitedWithCode(DISPLAY_LOST_EXIT_CODE), "^the server went away\n$");
}
