#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "graphics/pointer.h"
#include "graphics/surface.h"
#include "gui/gui.h"

using namespace gui;

namespace {

// The game's window: canvas below a 40-pixel strip, a centred button, a
// left and a right label.
class HeadlessWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(UseHeadlessDriver());
        FlushEvents();
        window = CreateWindow("Quorvel", 0, 0, 400, 600, nullptr, 515);
        ASSERT_TRUE(window);
        canvas = CreateCanvas(0, 40, window->ClientWidth(), window->ClientHeight() - 40, window);
        canvas->SetLayout(1, 1, 1, 1);
        button = CreateButton("New Game", window->ClientWidth() / 2 - 40, 0, 80, 20, window, 8);
        button->SetLayout(0, 0, 1, 0);
        left = CreateLabel("Player One: 0", 5, 4, 100, 16, window, 0);
        left->SetLayout(1, 0, 1, 0);
        right = CreateLabel("0 :Player Two", window->ClientWidth() - 105, 4, 100, 16, window, 8);
        right->SetLayout(0, 1, 1, 0);
        FlushEvents();
    }
    void TearDown() override {
        window->Free();
        FlushEvents();
    }

    // Every queued event, in order.
    std::vector<core::Ref<TEvent>> Drain() {
        std::vector<core::Ref<TEvent>> events;
        while (PollEvent()) events.emplace_back(CurrentEvent());
        return events;
    }

    core::Ref<TGadget> window, canvas, button, left, right;
};

int canvasWidthAtWindowSize = -1;
core::Ref<core::Object> WatchLayout(int, core::Object* data, core::Object* context) {
    auto* event = core::As<TEvent>(data);
    if (event && event->id == WindowSize)
        canvasWidthAtWindowSize = static_cast<TGadget*>(context)->width;
    return data;
}

int waitsInsideHook = 0;
core::Ref<core::Object> WaitInsideHook(int, core::Object* data, core::Object*) {
    auto* event = core::As<TEvent>(data);
    if (event && event->id == TimerTick) {
        ++waitsInsideHook;
        EXPECT_EQ(WaitEvent(), 0);
        EXPECT_EQ(EventID(), 0);
    }
    return data;
}

} // namespace

TEST_F(HeadlessWindowTest, CreatedCentredWithGadgetsInPlace) {
    EXPECT_EQ(window->xpos, 440);
    EXPECT_EQ(window->ypos, 212);
    EXPECT_EQ(window->ClientWidth(), 400);
    EXPECT_EQ(window->ClientHeight(), 600);
    EXPECT_EQ(window->GetText(), "Quorvel");
    EXPECT_EQ(canvas->Class(), GADGET_CANVAS);
    EXPECT_EQ(canvas->sensitivity, 3);
    EXPECT_EQ(canvas->height, 560);
    EXPECT_EQ(right->xpos, 295);
    EXPECT_EQ(canvas->parent, window.Get());
    EXPECT_EQ(window->parent, Desktop());
    EXPECT_EQ(window->kids->Count(), 4);
    // A gadget other than a window needs a window to live in.
    EXPECT_FALSE(CreateButton("x", 0, 0, 10, 10, nullptr));
    EXPECT_FALSE(CreateLabel("x", 0, 0, 10, 10, canvas));
}

TEST_F(HeadlessWindowTest, WideningLaysOutKidsBeforeWindowSize) {
    AddHook(emitEventHook, WatchLayout, canvas, 0);
    window->SetShape(window->xpos, window->ypos, 600, 700);
    RemoveHook(emitEventHook, WatchLayout, canvas);
    EXPECT_EQ(canvasWidthAtWindowSize, 600);

    EXPECT_EQ(canvas->xpos, 0);
    EXPECT_EQ(canvas->ypos, 40);
    EXPECT_EQ(canvas->width, 600);
    EXPECT_EQ(canvas->height, 660);
    EXPECT_EQ(600 - (right->xpos + right->width), 5); // distance to the right edge kept
    EXPECT_EQ(right->width, 100);
    EXPECT_EQ(left->xpos, 5);
    EXPECT_EQ(button->xpos, 260); // centre 200 of 400 -> 300 of 600
    EXPECT_EQ(button->ypos, 0);

    auto events = Drain();
    ASSERT_EQ(events.size(), 1u); // size only: the position stayed
    EXPECT_EQ(events[0]->id, WindowSize);
    EXPECT_EQ(events[0]->source.Get(), window.Get());
    EXPECT_EQ(events[0]->x, 600);
    EXPECT_EQ(events[0]->y, 700);

    window->SetShape(10, 20, 600, 700);
    events = Drain();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0]->id, WindowMove);
    EXPECT_EQ(events[0]->x, 10);
    EXPECT_EQ(events[0]->y, 20);
}

TEST_F(HeadlessWindowTest, ShrinkingBelowMarginsGivesEmptyNotNegativeSizes) {
    window->SetShape(window->xpos, window->ypos, 20, 30);
    EXPECT_EQ(canvas->width, 20);
    EXPECT_EQ(canvas->height, 0); // 30 - 40 would be negative
}

TEST_F(HeadlessWindowTest, MouseInputOnCanvas) {
    SetCurrentModifiers(MODIFIER_SHIFT);
    headless::Click(canvas, 10, 20, 1);
    canvas->ReportMouseMove(10, 20); // same place: not reported again
    canvas->ReportMouseDown(2, 30, 40);
    canvas->ReportMouseDown(3, 30, 40);
    canvas->ReportMouseMove(31, 41); // right held: right wins
    canvas->ReportMouseUp(2, 31, 41);
    canvas->ReportMouseMove(32, 42); // middle held
    canvas->ReportMouseUp(3, 32, 42);
    canvas->ReportMouseWheel(-2, 32, 42);
    SetCurrentModifiers(0);

    struct Expected {
        int id, data, x, y;
    };
    const std::vector<Expected> expected = {{MouseMove, 0, 10, 20}, {MouseDown, 1, 10, 20},
                                            {MouseUp, 1, 10, 20},   {MouseDown, 2, 30, 40},
                                            {MouseDown, 3, 30, 40}, {MouseMove, 2, 31, 41},
                                            {MouseUp, 2, 31, 41},   {MouseMove, 4, 32, 42},
                                            {MouseUp, 3, 32, 42},   {MouseWheel, -2, 32, 42}};
    auto events = Drain();
    ASSERT_EQ(events.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(events[i]->id, expected[i].id);
        EXPECT_EQ(events[i]->data, expected[i].data);
        EXPECT_EQ(events[i]->x, expected[i].x);
        EXPECT_EQ(events[i]->y, expected[i].y);
        EXPECT_EQ(events[i]->mods, MODIFIER_SHIFT);
        EXPECT_EQ(events[i]->source.Get(), canvas.Get());
    }
    EXPECT_EQ(FocusedGadget(), canvas.Get()); // the left press focused it
    EXPECT_EQ(LastMouseGadget(), canvas.Get());
    EXPECT_EQ(LastMouseX(), 32);
    EXPECT_EQ(canvas->mouseY, 42);
    // What the physics view reads as the pointer.
    EXPECT_EQ(draw2d::PointerX(), 32);
    EXPECT_EQ(draw2d::PointerY(), 42);
    // Labels report no mouse events.
    left->ReportMouseDown(1, 1, 1);
    EXPECT_EQ(PollEvent(), 0);
}

TEST_F(HeadlessWindowTest, ButtonCloseAndFocus) {
    button->ReportAction();
    window->ReportClose();
    ASSERT_EQ(PollEvent(), GadgetAction);
    EXPECT_EQ(EventSource(), button.Get());
    ASSERT_EQ(PollEvent(), WindowClose);
    EXPECT_EQ(EventSource(), window.Get());
    EXPECT_FALSE(window->Freed()); // the application decides
    EXPECT_EQ(window->visible, 1);

    window->Activate(ACTIVATE_FOCUS); // first kid that takes focus
    EXPECT_EQ(FocusedGadget(), canvas.Get());
}

TEST_F(HeadlessWindowTest, RedrawPaintsCanvasBeforeReturning) {
    window->Activate(ACTIVATE_REDRAW);
    EXPECT_EQ(QueuedEventCount(), 1);
    ASSERT_EQ(PollEvent(), GadgetPaint);
    EXPECT_EQ(EventSource(), canvas.Get());

    canvas->SetShow(0);
    canvas->Activate(ACTIVATE_REDRAW);
    EXPECT_EQ(PollEvent(), 0); // nothing to paint while hidden
}

TEST_F(HeadlessWindowTest, LabelState) {
    right->SetTextColor(0, 0, 300);
    EXPECT_EQ(right->textBlue, 255);
    right->SetText("1 :Player Two");
    EXPECT_EQ(right->GetText(), "1 :Player Two");
    EXPECT_EQ(right->style & LABEL_RIGHT, LABEL_RIGHT);
    right->SetShow(0);
    EXPECT_EQ(right->visible, 0);
    EXPECT_FALSE(right->VisibleInTree());
    right->SetShow(1);
    window->SetShow(0);
    EXPECT_FALSE(right->VisibleInTree());
}

TEST_F(HeadlessWindowTest, WaitingInsideAHookReturnsInsteadOfHanging) {
    auto timer = CreateTimer(100);
    ASSERT_TRUE(timer);
    AddHook(emitEventHook, WaitInsideHook, nullptr, 0);
    // The tick is emitted from inside dispatch, where no wait may start.
    while (timer->Ticks() == 0) ASSERT_TRUE(SystemDriver()->WaitFor(1.0));
    EXPECT_GE(waitsInsideHook, 1);
    RemoveHook(emitEventHook, WaitInsideHook, nullptr);
    timer->Stop();
}

TEST_F(HeadlessWindowTest, FreeingWindowTakesKidsAlong) {
    core::Ref<TGadget> kept = left;
    const int windows = Desktop()->kids->Count();
    window->Free();
    EXPECT_TRUE(kept->Freed());
    EXPECT_EQ(kept->parent, nullptr);
    EXPECT_EQ(Desktop()->kids->Count(), windows - 1);
    kept->SetText("still safe");
    kept->Activate(ACTIVATE_REDRAW);
    EXPECT_EQ(canvas->CanvasGraphics(), nullptr);
}

TEST(HeadlessCanvas, GraphicsOnAGlLessSurface) {
    ASSERT_TRUE(UseHeadlessDriver());
    auto window = CreateWindow("g", 0, 0, 200, 100, nullptr, 1);
    auto canvas = CreateCanvas(0, 0, 200, 100, window);
    draw2d::TSurface* surface = canvas->CanvasSurface();
    ASSERT_NE(surface, nullptr);
    EXPECT_EQ(surface->Width(), 200);
    EXPECT_EQ(surface->Height(), 100);
    EXPECT_NE(canvas->CanvasGraphics(), nullptr);
    EXPECT_EQ(canvas->CanvasGraphics(), canvas->CanvasGraphics()); // kept
    window->SetShape(0, 0, 300, 100);
    canvas->SetShape(0, 0, 300, 50);
    EXPECT_EQ(surface->Width(), 300);
    window->Free();
    FlushEvents();
}

// A program that uses the GUI without choosing a back end is told so, in a
// fresh process (the choice is made once per process).
TEST(BackEndChoice, UsingTheGuiBeforeChoosingThrows) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            try {
                SystemDriver();
            } catch (const core::RuntimeError& e) {
                std::exit(std::string(e.what()).find("UseHeadlessDriver") != std::string::npos ? 3
                                                                                               : 4);
            }
            std::exit(5);
        },
        ::testing::ExitedWithCode(3), "");
    EXPECT_EXIT(std::exit(UseHeadlessDriver() && HeadlessDriverInUse() && SystemDriver() ? 3 : 4),
                ::testing::ExitedWithCode(3), "");
}

TEST(HeadlessDriver, MouseVisibility) {
    ASSERT_TRUE(UseHeadlessDriver());
    SetMouseVisible(0);
    EXPECT_EQ(SystemDriver()->MouseVisible(), 0);
    SetMouseVisible(1);
    EXPECT_EQ(SystemDriver()->MouseVisible(), 1);
}
