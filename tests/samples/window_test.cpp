// The testbed in real windows on the test command's X server: the program
// opens its window, every scene draws a picture of its own, and a drag with
// the real pointer moves the mass it holds.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include <X11/Xutil.h>

#include "gui/fltk.h"
#include "gui/gui.h"
#include "physics/tangle.h"
#include "samples/sample_files.h"
#include "samples/scene_table.h"
#include "samples/testbed.h"
#include "tests/support/x_input.h"

using namespace samples;
using kel::tangle::TMass;
using kel::tangle::TPhysics;

namespace {

const bool fltkChosen = gui::UseFltkDriver();
constexpr const char* kTitle = "kel.tangle samples";
using Clock = std::chrono::steady_clock;

bool WaitFor(const std::function<bool()>& done, double seconds) {
    const auto end = Clock::now() + std::chrono::duration<double>(seconds);
    while (!done()) {
        if (Clock::now() > end) return false;
        gui::WaitEventFor(0.02);
    }
    return true;
}

// A digest of the canvas's pixels as the X server shows them.
std::uint64_t CanvasDigest(Display* display, Window window, const gui::TGadget* canvas) {
    XImage* image =
        XGetImage(display, window, canvas->xpos, canvas->ypos, static_cast<unsigned>(canvas->width),
                  static_cast<unsigned>(canvas->height), AllPlanes, ZPixmap);
    if (!image) return 0;
    std::uint64_t h = 1469598103934665603ull; // FNV-1a
    for (int y = 0; y < image->height; ++y)
        for (int x = 0; x < image->width; ++x) {
            h ^= XGetPixel(image, x, y) & 0xffffff;
            h *= 1099511628211ull;
        }
    XDestroyImage(image);
    return h;
}

class SamplesWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(x.Connected()) << "the test needs an X display";
        ASSERT_TRUE(fltkChosen);
        SetSampleFolder(QUORVEL_SAMPLE_MEDIA_DIR);
        testbed = core::Make<Testbed>(0);
        ASSERT_TRUE(WaitFor([&] { return (xwindow = x.FindViewable(kTitle)) != 0; }, 10))
            << "the window did not open";
        x.ClientOrigin(xwindow, originX, originY);
    }
    void TearDown() override {
        testbed = nullptr;
        gui::FlushEvents();
    }
    // Ticks as the program's timer would, while the X server catches up.
    void Ticks(int n) {
        for (int k = 0; k < n; ++k) {
            testbed->Tick();
            gui::WaitEventFor(0.005);
        }
    }
    void MoveToCanvas(float cx, float cy) {
        gui::TGadget* canvas = testbed->Canvas();
        x.MoveTo(originX + canvas->xpos + static_cast<int>(std::lround(cx)),
                 originY + canvas->ypos + static_cast<int>(std::lround(cy)));
    }

    testx::XInput x;
    Window xwindow = 0;
    int originX = 0, originY = 0;
    core::Ref<Testbed> testbed;
};

TEST_F(SamplesWindowTest, EverySceneDrawsAPictureOfItsOwn) {
    std::set<std::uint64_t> pictures;
    for (std::size_t k = 0; k < Scenes().size(); ++k) {
        testbed->Show(static_cast<int>(k));
        Ticks(20);
        gui::WaitEventFor(0.1);
        const std::uint64_t digest = CanvasDigest(x.display(), xwindow, testbed->Canvas());
        ASSERT_NE(digest, 0u) << "no picture of " << Scenes()[k].name;
        EXPECT_TRUE(pictures.insert(digest).second)
            << Scenes()[k].name << " drew the same picture as an earlier scene";
    }
}

TEST_F(SamplesWindowTest, ARealDragMovesTheHeldMass) {
    testbed->Show(FindScene("jelly"));
    Ticks(5);
    TMass* centre = *kel::tangle::massList->Each<TMass>().begin();
    const float sx = TPhysics::ScreenX(centre->posX, centre->posY);
    const float sy = TPhysics::ScreenY(centre->posX, centre->posY);
    MoveToCanvas(sx, sy);
    ASSERT_TRUE(WaitFor([&] { return gui::LastMouseGadget() == testbed->Canvas(); }, 5));
    x.Press(1);
    ASSERT_TRUE(WaitFor([&] { return testbed->Drag().Held() != nullptr; }, 5))
        << "the press took no mass";
    EXPECT_EQ(testbed->Drag().Held(), centre);
    const float tx = sx + 120, ty = sy + 40;
    const float wx = TPhysics::SimX(tx, ty), wy = TPhysics::SimY(tx, ty);
    MoveToCanvas(tx, ty);
    ASSERT_TRUE(WaitFor([&] { return gui::LastMouseX() == static_cast<int>(std::lround(tx)); }, 5));
    Ticks(10);
    EXPECT_NEAR(centre->posX, wx, 0.5f);
    EXPECT_NEAR(centre->posY, wy, 0.5f);
    x.Release(1);
    EXPECT_TRUE(WaitFor([&] { return testbed->Drag().Held() == nullptr; }, 5));
}

TEST(SamplesProgram, OpensItsWindow) {
    testx::XInput x;
    ASSERT_TRUE(x.Connected()) << "the test needs an X display";
    ASSERT_EQ(x.FindViewable(kTitle), 0u) << "a samples window is open already";
    const pid_t pid = fork();
    if (pid == 0) {
        execl(QUORVEL_SAMPLES_EXE, QUORVEL_SAMPLES_EXE, "--scene", "cloth",
              static_cast<char*>(nullptr));
        _exit(121);
    }
    ASSERT_GT(pid, 0);
    const auto end = Clock::now() + std::chrono::seconds(20);
    Window window = 0;
    int status = 0;
    bool exited = false;
    while (!window && Clock::now() < end && !exited) {
        window = x.FindViewable(kTitle);
        exited = waitpid(pid, &status, WNOHANG) == pid;
        usleep(20000);
    }
    EXPECT_FALSE(exited) << "the program ended early, status " << status;
    EXPECT_NE(window, 0u) << "no window titled " << kTitle;
    if (!exited) {
        x.RequestClose(window);
        const auto closeBy = Clock::now() + std::chrono::seconds(10);
        while (!(exited = waitpid(pid, &status, WNOHANG) == pid) && Clock::now() < closeBy)
            usleep(20000);
        EXPECT_TRUE(exited) << "closing the window did not end the program";
        if (!exited) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
        } else {
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        }
    }
}

} // namespace
