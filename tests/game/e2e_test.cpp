// The real program on the test command's X server: started from another
// folder, played with the pointer like a user would, checked by its pixels.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include <X11/Xutil.h>

#include "program.h"
#include "tests/support/x_input.h"

namespace {

using gametest::Program;
using gametest::ReadText;
using gametest::RunToEnd;
using gametest::WaitFor;

// The window's client area as 8-bit RGB.
struct Shot {
    int w = 0, h = 0;
    std::vector<unsigned char> rgb;
    void Pixel(int x, int y, int& r, int& g, int& b) const {
        const unsigned char* p = &rgb[3 * (static_cast<std::size_t>(y) * w + x)];
        r = p[0], g = p[1], b = p[2];
    }
    // Pixels of a rectangle that satisfy a colour test.
    int Count(int x0, int y0, int x1, int y1,
              const std::function<bool(int, int, int)>& test) const {
        int n = 0;
        for (int y = std::max(0, y0); y < std::min(h, y1); ++y)
            for (int x = std::max(0, x0); x < std::min(w, x1); ++x) {
                int r, g, b;
                Pixel(x, y, r, g, b);
                n += test(r, g, b);
            }
        return n;
    }
};

Shot Capture(Display* display, Window window) {
    XWindowAttributes a;
    XGetWindowAttributes(display, window, &a);
    Shot shot;
    XImage* image = XGetImage(display, window, 0, 0, a.width, a.height, AllPlanes, ZPixmap);
    if (!image) return shot;
    shot.w = a.width, shot.h = a.height;
    shot.rgb.resize(3 * static_cast<std::size_t>(shot.w) * shot.h);
    for (int y = 0; y < shot.h; ++y)
        for (int x = 0; x < shot.w; ++x) {
            const unsigned long p = XGetPixel(image, x, y);
            unsigned char* out = &shot.rgb[3 * (static_cast<std::size_t>(y) * shot.w + x)];
            out[0] = (p & image->red_mask) >> 16;
            out[1] = (p & image->green_mask) >> 8;
            out[2] = p & image->blue_mask;
        }
    XDestroyImage(image);
    return shot;
}

// The window once `ready` holds for it, or as it is after a while (a slow
// machine or a sanitizer build may take long for the first frames).
Shot CaptureOnce(Display* display, Window window, const std::function<bool(const Shot&)>& ready) {
    constexpr double PATIENCE_SECONDS = 20;
    Shot shot;
    WaitFor([&] { return ready(shot = Capture(display, window)); }, PATIENCE_SECONDS);
    return shot;
}

bool IsSky(int r, int g, int b) {
    return std::abs(r - 127) < 12 && std::abs(g - 127) < 12 && std::abs(b - 255) < 12;
}

// Viewable top-level windows with a name.
std::vector<Window> NamedWindows(Display* display) {
    Window root = DefaultRootWindow(display), parent = 0, *children = nullptr;
    unsigned count = 0;
    std::vector<Window> found;
    if (!XQueryTree(display, root, &root, &parent, &children, &count)) return found;
    for (unsigned i = 0; i < count; ++i) {
        XWindowAttributes a;
        char* name = nullptr;
        if (XGetWindowAttributes(display, children[i], &a) && a.map_state == IsViewable &&
            XFetchName(display, children[i], &name) && name) {
            found.push_back(children[i]);
            XFree(name);
        }
    }
    if (children) XFree(children);
    return found;
}

// Clicks the greenest spot of the canvas (an ooze blob); false when the
// window shows no ooze.
bool ClickGreenest(testx::XInput& x, Window window) {
    int ox = 0, oy = 0;
    x.ClientOrigin(window, ox, oy);
    int bx = -1, by = -1, best = 0;
    CaptureOnce(x.display(), window, [&](const Shot& shot) {
        best = 0;
        for (int y = 60; y < 560; y += 2)
            for (int x0 = 20; x0 < 380; x0 += 2) {
                int r, g, b;
                shot.Pixel(x0, y, r, g, b);
                const int green = g - std::max(r, b);
                if (green > best) best = green, bx = x0, by = y;
            }
        return best > 30;
    });
    if (best <= 30) return false;
    x.MoveTo(ox + bx, oy + by);
    x.Press(1);
    x.Release(1);
    return true;
}

// The recording's lines without its clicks.
std::string WithoutClicks(const std::string& text) {
    std::istringstream in(text);
    std::string out, line;
    while (std::getline(in, line))
        if (line.find(" click ") == std::string::npos) out += line + "\n";
    return out;
}

} // namespace

TEST(GameProgram, RecordsAGamePlayedUnderXAndReplaysItTheSameWay) {
    testx::XInput x;
    ASSERT_TRUE(x.Connected()) << "the test needs an X display";
    const auto folder = std::filesystem::temp_directory_path() / "quorvel-recorded-under-x";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    {
        // A relative name: the file goes where the program was started.
        Program game(folder, QUORVEL_GAME_EXE, {}, {}, {"--record", "played.qrec"});
        ASSERT_TRUE(game.Started());
        Window window = 0;
        ASSERT_TRUE(WaitFor([&] { return (window = x.FindViewable("Quorvel")) != 0; }, 20));
        int ox = 0, oy = 0;
        x.ClientOrigin(window, ox, oy);
        x.MoveTo(ox + 200, oy + 10);
        x.Press(1);
        x.Release(1);
        ASSERT_TRUE(ClickGreenest(x, window)) << "no ooze is drawn after New Game";
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        ASSERT_TRUE(ClickGreenest(x, window));
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        x.RequestClose(window);
        EXPECT_EQ(game.WaitExit(10), 0);
    }
    const std::string text = ReadText(folder / "played.qrec");
    EXPECT_EQ(text.rfind("quorvel-recording 1\nseed 4660\n", 0), 0u) << text;
    EXPECT_NE(text.find(" newgame\n"), std::string::npos) << text;
    EXPECT_NE(text.find(" click "), std::string::npos) << text;
    EXPECT_NE(text.find(" end\n"), std::string::npos) << "the closed game left no end line";
    EXPECT_EQ(text.find(" end\n"), text.size() - 5) << text;

    const auto first =
        RunToEnd(QUORVEL_GAME_EXE, {"--replay", "played.qrec", "--headless"}, folder);
    const auto second =
        RunToEnd(QUORVEL_GAME_EXE, {"--replay", "played.qrec", "--headless"}, folder);
    EXPECT_EQ(first.code, 0) << first.err;
    EXPECT_EQ(first.out.rfind("scores ", 0), 0u) << first.out;
    EXPECT_EQ(first.out, second.out);
    // The clicks were recorded where the game took them: without them the
    // world ends otherwise.
    { std::ofstream(folder / "unclicked.qrec") << WithoutClicks(text); }
    const auto unclicked =
        RunToEnd(QUORVEL_GAME_EXE, {"--replay", "unclicked.qrec", "--headless"}, folder);
    EXPECT_EQ(unclicked.code, 0) << unclicked.err;
    EXPECT_NE(unclicked.out, first.out) << "the recorded clicks removed no blob";

    // Played back in the window, it ends like any game when closed.
    Program replay(folder, QUORVEL_GAME_EXE, {}, {}, {"--replay", "played.qrec"});
    Window window = 0;
    ASSERT_TRUE(WaitFor([&] { return (window = x.FindViewable("Quorvel")) != 0; }, 20));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    x.RequestClose(window);
    EXPECT_EQ(replay.WaitExit(10), 0);
    std::filesystem::remove_all(folder);
}

TEST(GameProgram, MissingMediaIsReportedByName) {
    testx::XInput x;
    ASSERT_TRUE(x.Connected()) << "the test needs an X display";
    // The program alone in a folder: its media/ is not beside it.
    const auto folder = std::filesystem::temp_directory_path() / "quorvel-without-media";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const auto exe = folder / "quorvel";
    std::filesystem::copy_file(QUORVEL_GAME_EXE, exe);
    const auto errors = folder / "stderr.txt";
    Program game(std::filesystem::temp_directory_path(), exe.c_str(), errors);
    ASSERT_TRUE(game.Started());
    ASSERT_TRUE(
        WaitFor([&] { return ReadText(errors).find("media/rock.tnz") != std::string::npos; }, 20))
        << "stderr: " << ReadText(errors);
    // The same message waits in a dialog; dismissing it ends the program.
    std::vector<Window> dialogs;
    ASSERT_TRUE(WaitFor([&] { return !(dialogs = NamedWindows(x.display())).empty(); }, 20))
        << "no dialog appeared";
    for (Window w : dialogs) x.RequestClose(w);
    EXPECT_EQ(game.WaitExit(10), 1) << "(-1: the program did not end after the dialog)";
    std::filesystem::remove_all(folder);
}

TEST(GameProgram, PlaysAndClosesUnderX) {
    testx::XInput x;
    ASSERT_TRUE(x.Connected()) << "the test needs an X display";
    const auto elsewhere = std::filesystem::temp_directory_path();
    Program game(elsewhere, QUORVEL_GAME_EXE);
    ASSERT_TRUE(game.Started());

    Window window = 0;
    ASSERT_TRUE(WaitFor([&] { return (window = x.FindViewable("Quorvel")) != 0; }, 20))
        << "no window titled Quorvel appeared";
    int ox = 0, oy = 0;
    x.ClientOrigin(window, ox, oy);

    // The title panel stands in the middle of the canvas before New Game.
    auto titlePanel = [](int r, int g, int b) {
        return b > r + 40 && b < 200 && r < 90 && g < 120;
    };
    auto titlePixels = [&](const Shot& shot) { return shot.Count(100, 250, 300, 350, titlePanel); };
    const Shot before = CaptureOnce(x.display(), window,
                                    [&](const Shot& shot) { return titlePixels(shot) > 2000; });
    ASSERT_EQ(before.w, 400);
    ASSERT_EQ(before.h, 600);
    const int titleBefore = titlePixels(before);
    EXPECT_GT(titleBefore, 2000) << "the title is not drawn before New Game";

    // "New Game" sits at the top centre of the window.
    x.MoveTo(ox + 200, oy + 10);
    x.Press(1);
    x.Release(1);

    // A blob: the ooze is drawn in translucent green; click the greenest spot.
    int bx = -1, by = -1, best = 0;
    auto findGreenest = [&](const Shot& shot) {
        best = 0;
        for (int y = 60; y < 560; y += 2)
            for (int x0 = 20; x0 < 380; x0 += 2) {
                int r, g, b;
                shot.Pixel(x0, y, r, g, b);
                const int green = g - std::max(r, b);
                if (green > best) best = green, bx = x0, by = y;
            }
        return best > 30;
    };
    CaptureOnce(x.display(), window, findGreenest);
    ASSERT_GT(best, 30) << "no ooze is drawn after New Game";
    x.MoveTo(ox + bx, oy + by);
    x.Press(1);
    x.Release(1);

    const Shot after = CaptureOnce(
        x.display(), window, [&](const Shot& shot) { return titlePixels(shot) < titleBefore / 4; });
    EXPECT_LT(titlePixels(after), titleBefore / 4) << "the title is still drawn";
    // Rocks stand at the side walls; barrels are wooden brown; the ooze green.
    auto rocky = [](int r, int g, int b) {
        return !IsSky(r, g, b) && std::abs(r - g) < 40 && b < 200;
    };
    auto wooden = [](int r, int g, int b) { return r > g + 15 && g > b + 10 && r > 80; };
    auto gooey = [](int r, int g, int b) { return g > r + 30 && g > b + 10; };
    EXPECT_GT(after.Count(0, 40, 60, 560, rocky) + after.Count(340, 40, 400, 560, rocky), 500)
        << "no rocks drawn";
    EXPECT_GT(after.Count(0, 40, 400, 560, wooden), 200) << "no barrels drawn";
    EXPECT_GT(after.Count(0, 40, 400, 560, gooey), 200) << "no ooze drawn";

    x.RequestClose(window);
    EXPECT_EQ(game.WaitExit(10), 0) << "closing the window did not end the program with 0";
}
