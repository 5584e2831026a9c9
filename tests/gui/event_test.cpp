#include <gtest/gtest.h>

#include <vector>

#include "gui/gui.h"

using namespace gui;

namespace {

class EventQueueTest : public ::testing::Test {
  protected:
    void SetUp() override {
        UseHeadlessDriver();
        FlushEvents();
    }
    void TearDown() override { FlushEvents(); }
};

int queuedWhenSeen = -1;
core::Ref<core::Object> Spy(int, core::Object* data, core::Object*) {
    queuedWhenSeen = QueuedEventCount();
    return data;
}

} // namespace

TEST_F(EventQueueTest, ApplicationHookSeesEventBeforeTheQueue) {
    AddHook(emitEventHook, Spy, nullptr, 0);
    EmitEvent(MouseDown, nullptr, 1);
    RemoveHook(emitEventHook, Spy, nullptr);
    EXPECT_EQ(queuedWhenSeen, 0);
    EXPECT_EQ(QueuedEventCount(), 1);
}

TEST_F(EventQueueTest, TicksOfOneSourceMergeOthersDoNot) {
    auto timerA = core::MakeString("a"), timerB = core::MakeString("b");
    for (int tick = 1; tick <= 3; ++tick) EmitEvent(TimerTick, timerA, tick);
    EmitEvent(TimerTick, timerB, 7);
    EmitEvent(MouseDown, nullptr, 1, 0, 10, 20);
    EmitEvent(MouseDown, nullptr, 1, 0, 10, 20);
    ASSERT_EQ(QueuedEventCount(), 4);

    ASSERT_EQ(PollEvent(), TimerTick);
    EXPECT_EQ(EventSource(), timerA.Get());
    EXPECT_EQ(EventData(), 3);
    ASSERT_EQ(PollEvent(), TimerTick);
    EXPECT_EQ(EventData(), 7);
    EXPECT_EQ(PollEvent(), MouseDown);
    EXPECT_EQ(PollEvent(), MouseDown);
    // Once taken, a tick no longer absorbs the next one.
    EmitEvent(TimerTick, timerA, 4);
    EXPECT_EQ(QueuedEventCount(), 1);
}

TEST_F(EventQueueTest, MergingReplacesAllValueFields) {
    auto source = core::MakeString("button");
    EmitEvent(GadgetAction, source, 1, 2, 3, 4);
    EmitEvent(WindowSize, source, 0, 0, 100, 200);
    EmitEvent(GadgetAction, source, 5, 6, 7, 8, core::MakeString("x"));
    EmitEvent(WindowSize, source, 0, 0, 300, 400);
    ASSERT_EQ(QueuedEventCount(), 2);
    ASSERT_EQ(PollEvent(), GadgetAction);
    EXPECT_EQ(EventData(), 5);
    EXPECT_EQ(EventMods(), 6);
    EXPECT_EQ(EventX(), 7);
    EXPECT_EQ(EventY(), 8);
    EXPECT_EQ(EventText(), "x");
    ASSERT_EQ(PollEvent(), WindowSize);
    EXPECT_EQ(EventX(), 300);
    EXPECT_EQ(EventY(), 400);
}

TEST_F(EventQueueTest, FullQueueDropsNewestButStillUpdates) {
    auto timer = core::MakeString("t");
    EmitEvent(TimerTick, timer, 1);
    for (int i = 1; i < EVENT_QUEUE_SIZE; ++i) EmitEvent(MouseMove, nullptr, i);
    ASSERT_EQ(QueuedEventCount(), EVENT_QUEUE_SIZE);
    EmitEvent(MouseMove, nullptr, 999); // the 257th
    EmitEvent(TimerTick, timer, 2);     // merges into the first slot
    EXPECT_EQ(QueuedEventCount(), EVENT_QUEUE_SIZE);

    ASSERT_EQ(PollEvent(), TimerTick);
    EXPECT_EQ(EventData(), 2);
    for (int i = 1; i < EVENT_QUEUE_SIZE; ++i) {
        ASSERT_EQ(PollEvent(), MouseMove);
        ASSERT_EQ(EventData(), i);
    }
    EXPECT_EQ(PollEvent(), 0);
    // The ring keeps working past its wrap-around.
    EmitEvent(KeyDown, nullptr, 42);
    EXPECT_EQ(PollEvent(), KeyDown);
    EXPECT_EQ(EventData(), 42);
}

TEST_F(EventQueueTest, EmptyQueueGivesBlankEvent) {
    EmitEvent(MouseUp, core::MakeString("s"), 2, 1, 5, 6);
    ASSERT_EQ(PollEvent(), MouseUp);
    EXPECT_EQ(EventID(), MouseUp);
    EXPECT_EQ(PollEvent(), 0);
    EXPECT_EQ(EventID(), 0);
    EXPECT_EQ(EventData(), 0);
    EXPECT_EQ(EventX(), 0);
    EXPECT_EQ(EventSource(), nullptr);
    EXPECT_EQ(EventExtra(), nullptr);
    EXPECT_EQ(PeekEvent(), nullptr);
    // Nothing can arrive headless without a timer: no hang.
    EXPECT_EQ(WaitEvent(), 0);
}

TEST_F(EventQueueTest, PeekLeavesEventAndCurrentAlone) {
    EmitEvent(KeyDown, nullptr, 1);
    ASSERT_EQ(PollEvent(), KeyDown);
    EmitEvent(KeyUp, nullptr, 2);
    TEvent* peeked = PeekEvent();
    ASSERT_NE(peeked, nullptr);
    EXPECT_EQ(peeked->id, KeyUp);
    EXPECT_EQ(EventID(), KeyDown);
    EXPECT_EQ(QueuedEventCount(), 1);
    EXPECT_EQ(WaitEvent(), KeyUp);
    EXPECT_EQ(CurrentEvent(), peeked);
}

TEST_F(EventQueueTest, DataOtherThanEventsIsNotQueued) {
    core::Ref<core::Object> result = RunHooks(emitEventHook, core::MakeString("not an event"));
    EXPECT_EQ(result.Get(), nullptr);
    EXPECT_EQ(QueuedEventCount(), 0);
}

TEST(EventText, ToStringFormats) {
    EXPECT_EQ(TEvent::Create(MouseDown, nullptr, 1, 0, 10, 20)->ToString(),
              "MouseDown: data=1, mods=0, x=10, y=20, extra=\"\"");
    EXPECT_EQ(TEvent::Create(WindowSize, nullptr, 0, 3, -4, 5, core::MakeString("hi"))->ToString(),
              "WindowSize: data=0, mods=3, x=-4, y=5, extra=\"hi\"");
    // A non-string extra contributes no text.
    EXPECT_EQ(TEvent::Create(TimerTick, nullptr, 9, 0, 0, 0, core::CreateList())->ToString(),
              "TimerTick: data=9, mods=0, x=0, y=0, extra=\"\"");
    EXPECT_EQ(TEvent::Create(0x7777)->ToString(),
              "Unknown Event, id=30583: data=0, mods=0, x=0, y=0, extra=\"\"");
}

TEST(EventText, UserIdsAndRegistration) {
    const int first = TEvent::AllocUserId();
    const int second = TEvent::AllocUserId();
    EXPECT_EQ(static_cast<unsigned>(second), static_cast<unsigned>(first) + 1);
    EXPECT_EQ(static_cast<unsigned>(first), 0x80000001u); // only this test allocates

    const unsigned offset = static_cast<unsigned>(second) - USER_ID_BASE;
    EXPECT_EQ(TEvent::Create(second)->ToString(),
              "UserEvent" + std::to_string(offset) + ": data=0, mods=0, x=0, y=0, extra=\"\"");
    EXPECT_EQ(TEvent::DescriptionForId(second), "");
    TEvent::RegisterId(second, "Explosion");
    EXPECT_EQ(TEvent::DescriptionForId(second), "Explosion");
    EXPECT_EQ(TEvent::Create(second, nullptr, 1)->ToString(),
              "Explosion: data=1, mods=0, x=0, y=0, extra=\"\"");
    EXPECT_EQ(TEvent::DescriptionForId(GadgetPaint), "GadgetPaint");
    EXPECT_EQ(TEvent::DescriptionForId(ProcessExit), "ProcessExit");
}
