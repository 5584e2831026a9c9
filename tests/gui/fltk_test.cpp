// Real FLTK windows on the X server of the test command (Xvfb without a
// window manager), driven through XTest like a user would.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include "graphics/draw2d_gl.h"
#include "graphics/surface.h"
#include "gui/fltk.h"
#include "gui/gui.h"
#include "tests/support/x_input.h"

#include <GL/gl.h>
#include <X11/keysym.h>

using namespace gui;

namespace {

// Every case of this program uses the real windows.
const bool fltkChosen = UseFltkDriver();

constexpr const char* TITLE = "Quorvel under test";

class FltkWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(x.Connected()) << "the test needs an X display";
        ASSERT_TRUE(fltkChosen);
        ASSERT_FALSE(HeadlessDriverInUse());
        window = CreateWindow(TITLE, 0, 0, 400, 600, nullptr, 515);
        ASSERT_TRUE(window);
        canvas = CreateCanvas(0, 40, window->ClientWidth(), window->ClientHeight() - 40, window);
        canvas->SetLayout(1, 1, 1, 1);
        button = CreateButton("New Game", window->ClientWidth() / 2 - 40, 0, 80, 20, window, 8);
        button->SetLayout(0, 0, 1, 0);
        left = CreateLabel("Player One: 0", 5, 4, 100, 16, window, 0);
        left->SetLayout(1, 0, 1, 0);
        left->SetTextColor(255, 0, 0);
        right = CreateLabel("0 :Player Two", window->ClientWidth() - 105, 4, 100, 16, window, 8);
        right->SetLayout(0, 1, 1, 0);
        right->SetTextColor(0, 0, 255);
        ASSERT_TRUE(PumpUntil([&] {
            xwindow = x.FindViewable(TITLE);
            return xwindow && Saw(GadgetPaint, canvas);
        })) << "the window did not open and paint";
        x.ClientOrigin(xwindow, originX, originY);
        events.clear();
    }
    void TearDown() override {
        if (window) window->Free();
        FlushEvents();
    }

    // Takes events until `done` holds or a few seconds passed.
    bool PumpUntil(const std::function<bool()>& done, double seconds = 5) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            if (WaitEventFor(0.02)) events.emplace_back(CurrentEvent());
        }
        return true;
    }
    const TEvent* Find(int id, const TGadget* source, int from = 0) const {
        for (size_t i = from; i < events.size(); ++i)
            if (events[i]->id == id && events[i]->source.Get() == source) return events[i];
        return nullptr;
    }
    bool Saw(int id, const TGadget* source) const { return Find(id, source) != nullptr; }
    // Screen position of a canvas pixel.
    void MoveToCanvas(int cx, int cy) {
        x.MoveTo(originX + canvas->xpos + cx, originY + canvas->ypos + cy);
    }
    // Waits for an event of `id` from `source` after those seen so far.
    const TEvent* Expect(int id, const TGadget* source) {
        const int from = static_cast<int>(events.size());
        const TEvent* found = nullptr;
        PumpUntil([&] { return (found = Find(id, source, from)) != nullptr; });
        return found;
    }

    testx::XInput x;
    Window xwindow = 0;
    int originX = 0, originY = 0;
    std::vector<core::Ref<TEvent>> events;
    core::Ref<TGadget> window, canvas, button, left, right;
};

} // namespace

TEST_F(FltkWindowTest, OpensCentredWithItsGadgets) {
    EXPECT_EQ(Desktop()->width, 1280);
    EXPECT_EQ(Desktop()->height, 1024);
    EXPECT_EQ(window->xpos, 440);
    EXPECT_EQ(window->ypos, 212);
    EXPECT_EQ(originX, 440); // no window manager: client and outer agree
    EXPECT_EQ(originY, 212);
    EXPECT_EQ(window->ClientWidth(), 400);
    EXPECT_EQ(x.WidestChildWidth(xwindow), 400); // the canvas's OpenGL window
    EXPECT_NE(canvas->CanvasGraphics(), nullptr);
    draw2d::TSurface* surface = canvas->CanvasSurface();
    ASSERT_NE(surface, nullptr);
    EXPECT_EQ(surface->Width(), 400);
    EXPECT_EQ(surface->Height(), 560);
    EXPECT_TRUE(surface->MakeCurrent());
    EXPECT_FALSE(surface->SetSwapInterval(1)); // Xvfb offers no swap control
    surface->SwapBuffers();
}

TEST_F(FltkWindowTest, MouseOnTheCanvasArrivesInCanvasPixels) {
    MoveToCanvas(100, 150);
    const TEvent* move = Expect(MouseMove, canvas);
    ASSERT_TRUE(move);
    EXPECT_EQ(move->x, 100);
    EXPECT_EQ(move->y, 150);
    EXPECT_EQ(move->data, 0);

    x.Press(1);
    const TEvent* down = Expect(MouseDown, canvas);
    ASSERT_TRUE(down);
    EXPECT_EQ(down->data, 1);
    EXPECT_EQ(down->x, 100);
    EXPECT_EQ(down->y, 150);
    EXPECT_EQ(FocusedGadget(), canvas.Get());

    // Captured: a drag out of the canvas still reports to it.
    MoveToCanvas(120, -20);
    const TEvent* drag = Expect(MouseMove, canvas);
    ASSERT_TRUE(drag);
    EXPECT_EQ(drag->data, 1);
    EXPECT_EQ(drag->x, 120);
    EXPECT_EQ(drag->y, -20);
    x.Release(1);
    const TEvent* up = Expect(MouseUp, canvas);
    ASSERT_TRUE(up);
    EXPECT_EQ(up->data, 1);
    EXPECT_EQ(up->y, -20);

    MoveToCanvas(50, 60);
    ASSERT_TRUE(Expect(MouseMove, canvas));
    x.Press(3); // X's right button
    const TEvent* right = Expect(MouseDown, canvas);
    ASSERT_TRUE(right);
    EXPECT_EQ(right->data, 2);
    x.Release(3);
    const TEvent* rightUp = Expect(MouseUp, canvas);
    ASSERT_TRUE(rightUp);
    EXPECT_EQ(rightUp->data, 2);
    x.Press(2); // middle
    const TEvent* middle = Expect(MouseDown, canvas);
    ASSERT_TRUE(middle);
    EXPECT_EQ(middle->data, 3);
    x.Release(2);
    ASSERT_TRUE(Expect(MouseUp, canvas));

    x.Press(4); // wheel away from the user
    x.Release(4);
    const TEvent* wheel = Expect(MouseWheel, canvas);
    ASSERT_TRUE(wheel);
    EXPECT_EQ(wheel->data, 1);
    EXPECT_EQ(LastMouseGadget(), canvas.Get());
    EXPECT_EQ(LastMouseX(), 50);
    EXPECT_EQ(LastMouseY(), 60);
}

TEST_F(FltkWindowTest, ClickOnTheButtonIsAnAction) {
    x.MoveTo(originX + button->xpos + 40, originY + button->ypos + 10);
    x.Press(1);
    x.Release(1);
    ASSERT_TRUE(Expect(GadgetAction, button));
    EXPECT_FALSE(Saw(MouseDown, canvas));
}

TEST_F(FltkWindowTest, WideningLaysOutAndRepaints) {
    x.Resize(xwindow, 600, 600);
    const TEvent* size = Expect(WindowSize, window);
    ASSERT_TRUE(size);
    EXPECT_EQ(size->x, 600);
    EXPECT_EQ(size->y, 600);
    EXPECT_EQ(window->ClientWidth(), 600);
    EXPECT_EQ(600 - (right->xpos + right->width), 5);
    EXPECT_EQ(left->xpos, 5);
    EXPECT_EQ(button->xpos, 260);
    EXPECT_EQ(canvas->width, 600);
    EXPECT_EQ(canvas->height, 560);
    ASSERT_TRUE(Expect(GadgetPaint, canvas));
    PumpUntil([&] { return x.WidestChildWidth(xwindow) == 600; }, 2);
    EXPECT_EQ(x.WidestChildWidth(xwindow), 600);
}

TEST_F(FltkWindowTest, CloseRequestOnlyReports) {
    MoveToCanvas(10, 10);
    x.Tap(XK_Escape); // FLTK's own close key is no close request
    x.RequestClose(xwindow);
    ASSERT_TRUE(Expect(WindowClose, window));
    PumpUntil([] { return false; }, 0.3);
    int closes = 0;
    for (const auto& event : events) closes += event->id == WindowClose;
    EXPECT_EQ(closes, 1);
    EXPECT_TRUE(x.Viewable(xwindow));
    EXPECT_FALSE(window->Freed());
}

TEST_F(FltkWindowTest, GettingTheFocusActivates) {
    x.Focus(xwindow);
    ASSERT_TRUE(Expect(WindowActivate, window));
}

TEST_F(FltkWindowTest, RedrawPaintsBeforeReturning) {
    FlushEvents();
    canvas->Activate(ACTIVATE_REDRAW);
    ASSERT_GE(QueuedEventCount(), 1);
    EXPECT_EQ(PeekEvent()->id, GadgetPaint);
    SetMouseVisible(0);
    EXPECT_EQ(SystemDriver()->MouseVisible(), 0);
    SetMouseVisible(1);
}

TEST_F(FltkWindowTest, CanvasGraphicsDrawsThroughOpenGL) {
    core::Ref<draw2d::TGraphics> graphics = canvas->CanvasGraphics();
    ASSERT_TRUE(graphics);
    EXPECT_EQ(canvas->CanvasGraphics(), graphics.Get()); // attached once, kept
    draw2d::SetGraphics(graphics);
    const int w = draw2d::GraphicsWidth(), h = draw2d::GraphicsHeight();
    EXPECT_EQ(w, canvas->ClientWidth());
    EXPECT_EQ(h, canvas->ClientHeight());
    draw2d::SetViewport(0, 0, w, h);
    draw2d::SetClsColor(10, 200, 30);
    draw2d::Cls();
    draw2d::SetColor(255, 0, 0);
    draw2d::DrawRect(20, 30, 10, 10);
    // Read the back buffer before the flip: the drawing reached this canvas.
    unsigned char clear[4], rect[4];
    glReadBuffer(GL_BACK);
    glReadPixels(5, h - 1 - 5, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, clear);
    glReadPixels(25, h - 1 - 35, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rect);
    EXPECT_EQ(clear[0], 10);
    EXPECT_EQ(clear[1], 200);
    EXPECT_EQ(clear[2], 30);
    EXPECT_EQ(rect[0], 255);
    EXPECT_EQ(rect[1], 0);
    draw2d::Flip(-1);
    draw2d::SetGraphics(nullptr);
}

namespace {
std::thread::id tickThread;
core::Ref<core::Object> NoteTickThread(int, core::Object* data, core::Object*) {
    auto* event = core::As<TEvent>(data);
    if (event && event->id == TimerTick) tickThread = std::this_thread::get_id();
    return data;
}
} // namespace

TEST(FltkTimer, SixtyHertzTicksReachWaitEventOnTheMainThread) {
    ASSERT_FALSE(HeadlessDriverInUse());
    auto timer = CreateTimer(60);
    ASSERT_TRUE(timer);
    AddHook(emitEventHook, NoteTickThread, nullptr, 0);
    const auto start = std::chrono::steady_clock::now();
    int last = 0;
    while (last < 10) {
        ASSERT_EQ(WaitEvent(), TimerTick);
        EXPECT_EQ(EventSource(), timer.Get());
        EXPECT_GT(EventData(), last);
        last = EventData();
    }
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    RemoveHook(emitEventHook, NoteTickThread, nullptr);
    EXPECT_EQ(tickThread, std::this_thread::get_id());
    EXPECT_GE(elapsed, 9 * 0.016 - 0.005); // 16 ms periods
    timer->Stop();
    // No tick after Stop.
    FlushEvents();
    EXPECT_EQ(WaitEventFor(0.1), 0);
}

TEST(FltkHiddenWindow, CanvasAppearsWhenItsWindowIsShown) {
    testx::XInput x;
    ASSERT_TRUE(x.Connected());
    auto window = CreateWindow("Hidden at first", 10, 10, 200, 150, nullptr, 1 | WINDOW_HIDDEN);
    ASSERT_TRUE(window);
    EXPECT_EQ(window->visible, 0);
    auto canvas = CreateCanvas(0, 0, 200, 150, window);
    bool painted = false;
    auto pump = [&](double seconds) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        while (!painted && std::chrono::steady_clock::now() < end)
            if (WaitEventFor(0.02) == GadgetPaint && EventSource() == canvas.Get()) painted = true;
    };
    pump(0.3);
    EXPECT_FALSE(painted);
    EXPECT_EQ(x.FindViewable("Hidden at first"), 0u);

    window->SetShow(1);
    pump(5);
    EXPECT_TRUE(painted);
    const Window xwindow = x.FindViewable("Hidden at first");
    ASSERT_NE(xwindow, 0u);
    EXPECT_EQ(x.WidestChildWidth(xwindow), 200);
    window->Free();
    FlushEvents();
}

namespace {

// Held as the game holds its frame: by statics, which go down after the GUI's own.
core::Ref<TGadget> heldWindow, heldCanvas;

[[noreturn]] void ExitWithTheCanvasFocused() {
    testx::XInput x;
    if (!x.Connected()) std::exit(2);
    heldWindow = CreateWindow("Ends with focus", 10, 10, 200, 150, nullptr, 1);
    heldCanvas = CreateCanvas(0, 0, 200, 150, heldWindow);
    Window xwindow = 0;
    for (int wait = 0; wait < 250 && !xwindow; ++wait) {
        WaitEventFor(0.02);
        xwindow = x.FindViewable("Ends with focus");
    }
    if (!xwindow) std::exit(3);
    x.Focus(xwindow);
    heldCanvas->Activate(ACTIVATE_FOCUS);
    for (int wait = 0; wait < 10; ++wait) WaitEventFor(0.02);
    std::exit(0);
}

} // namespace

// Destroying the window destroys its canvas first, which hands the focus to
// the window: a window on its way out must not report that.
TEST(FltkExit, WindowHeldByAStaticEndsCleanlyWithItsCanvasFocused) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(ExitWithTheCanvasFocused(), testing::ExitedWithCode(0), "");
}
