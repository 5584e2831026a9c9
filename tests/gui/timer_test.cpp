#include <gtest/gtest.h>

#include <chrono>
#include <limits>
#include <thread>
#include <vector>

#include "gui/gui.h"

using namespace gui;

namespace {

class TimerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(UseHeadlessDriver());
        FlushEvents();
    }
    void TearDown() override { FlushEvents(); }
};

} // namespace

TEST_F(TimerTest, TicksArriveAsEventsOnTheMainThread) {
    auto timer = CreateTimer(60);
    ASSERT_TRUE(timer);
    EXPECT_NE(timer->_handle, 0);
    EXPECT_EQ(timer->_cycle.Get(), timer.Get());
    int lastData = 0;
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(WaitEvent(), TimerTick);
        EXPECT_EQ(EventSource(), timer.Get());
        EXPECT_GT(EventData(), lastData);
        lastData = EventData();
    }
    EXPECT_EQ(timer->Ticks(), lastData);
    timer->Stop();
    EXPECT_EQ(timer->_handle, 0);
    EXPECT_EQ(timer->_cycle.Get(), nullptr);
}

TEST_F(TimerTest, TicksOfABusyLoopMergeIntoOne) {
    auto timer = CreateTimer(200); // 5 ms
    ASSERT_TRUE(timer);
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    SystemDriver()->Poll(); // delivers every tick that piled up
    const int ticks = timer->Ticks();
    EXPECT_GE(ticks, 3);
    ASSERT_EQ(QueuedEventCount(), 1);
    ASSERT_EQ(PollEvent(), TimerTick);
    EXPECT_EQ(EventData(), ticks);
    timer->Stop();
}

TEST_F(TimerTest, StoppedTimerIgnoresLateTicksAndCalls) {
    auto timer = CreateTimer(500); // 2 ms
    ASSERT_TRUE(timer);
    std::this_thread::sleep_for(std::chrono::milliseconds(30)); // messages pile up
    timer->Stop();
    FlushEvents();
    SystemDriver()->Poll(); // the late messages find no running timer
    EXPECT_EQ(timer->Ticks(), 0);
    EXPECT_EQ(QueuedEventCount(), 0);
    timer->Fire();
    timer->Stop();
    EXPECT_EQ(timer->Wait(), 0);
    EXPECT_EQ(timer->Ticks(), 0);
}

TEST_F(TimerTest, WaitCountsTicksSinceLastWait) {
    auto timer = CreateTimer(100);
    ASSERT_TRUE(timer);
    EXPECT_GE(timer->Wait(), 1);
    timer->Fire();
    timer->Fire();
    EXPECT_EQ(timer->Wait(), 2);
    timer->Stop();
}

TEST_F(TimerTest, OwnEventIsEmittedInsteadOfTick) {
    auto event = TEvent::Create(KeyChar, nullptr, 65);
    auto timer = CreateTimer(1, event); // the thread stays quiet for a second
    ASSERT_TRUE(timer);
    timer->Fire();
    ASSERT_EQ(PollEvent(), KeyChar);
    EXPECT_EQ(CurrentEvent(), event.Get());
    EXPECT_EQ(timer->Ticks(), 1);
    timer->Stop();
    EXPECT_EQ(timer->_event.Get(), nullptr);
}

TEST_F(TimerTest, AtMostSixteenRunAndBadRatesFail) {
    std::vector<core::Ref<TTimer>> timers;
    for (int i = 0; i < MAX_RUNNING_TIMERS; ++i) {
        timers.push_back(CreateTimer(1));
        ASSERT_TRUE(timers.back());
    }
    EXPECT_FALSE(CreateTimer(1));
    timers.front()->Stop();
    auto again = CreateTimer(1);
    EXPECT_TRUE(again);
    again->Stop();
    for (auto& timer : timers) timer->Stop();

    EXPECT_FALSE(CreateTimer(0));
    EXPECT_FALSE(CreateTimer(-5));
    EXPECT_FALSE(CreateTimer(2000)); // period under 1 ms
    EXPECT_FALSE(CreateTimer(std::numeric_limits<double>::quiet_NaN()));
}

TEST_F(TimerTest, RunningTimerNobodyHoldsKeepsTicking) {
    TTimer* raw = CreateTimer(100).Get(); // only its own _cycle holds it
    ASSERT_EQ(WaitEvent(), TimerTick);
    EXPECT_EQ(EventSource(), raw);
    raw->Stop(); // frees it; the stop must survive that
    FlushEvents();
}
