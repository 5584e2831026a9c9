// The real program when the window system fails it: the display is lost in
// the middle of a game, the server has no OpenGL, or there is no server at
// all. Each case runs the program on an X server of its own, which the test
// starts and stops itself.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "private_x_server.h"
#include "program.h"
#include "tests/support/x_input.h"

namespace {

using gametest::PrivateXServer;
using gametest::Program;
using gametest::ReadText;
using gametest::WaitFor;

constexpr const char* GAME_TITLE = "Quorvel";
constexpr double START_SECONDS = 20;
constexpr double EXIT_SECONDS = 10;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (!line.empty()) lines.push_back(line);
    return lines;
}

// The program's own report: the lines it wrote that name it.
std::vector<std::string> ReportLines(const std::filesystem::path& errors) {
    std::vector<std::string> ours;
    for (const std::string& line : Lines(ReadText(errors)))
        if (line.rfind(GAME_TITLE, 0) == 0) ours.push_back(line);
    return ours;
}

// Viewable top-level windows other than the game's own: its dialogs.
std::vector<Window> OtherViewableWindows(Display* display) {
    Window root = DefaultRootWindow(display), parent = 0, *children = nullptr;
    unsigned count = 0;
    std::vector<Window> found;
    if (!XQueryTree(display, root, &root, &parent, &children, &count)) return found;
    for (unsigned i = 0; i < count; ++i) {
        XWindowAttributes a;
        if (!XGetWindowAttributes(display, children[i], &a) || a.map_state != IsViewable) continue;
        char* name = nullptr;
        const bool isGame =
            XFetchName(display, children[i], &name) && name && std::string(name) == GAME_TITLE;
        if (name) XFree(name);
        if (!isGame) found.push_back(children[i]);
    }
    if (children) XFree(children);
    return found;
}

// A display number that no server answers: far above those that servers
// started side by side (with -displayfd, the lowest free) take.
std::string VacantDisplay() {
    constexpr int FIRST = 5000, TRIES = 100;
    for (int n = FIRST + getpid() % 1000; n < FIRST + 1000 + TRIES; ++n) {
        const std::string name = ":" + std::to_string(n);
        if (Display* answered = XOpenDisplay(name.c_str())) {
            XCloseDisplay(answered);
            continue;
        }
        return name;
    }
    return {};
}

class XFailure : public ::testing::Test {
  protected:
    void TearDown() override { std::filesystem::remove(errors); }

    const std::filesystem::path errors = std::filesystem::temp_directory_path() /
                                         ("quorvel_x_failure_" + std::to_string(getpid()) + ".txt");
};

} // namespace

TEST_F(XFailure, LosingTheDisplayInAGameEndsWithOneLineAndCode1) {
    PrivateXServer server;
    ASSERT_TRUE(server.Running()) << "Xvfb did not start";
    Program game(std::filesystem::temp_directory_path(), QUORVEL_GAME_EXE, errors, server.Name());
    ASSERT_TRUE(game.Started());
    {
        testx::XInput x(server.Name().c_str());
        ASSERT_TRUE(x.Connected());
        Window window = 0;
        ASSERT_TRUE(
            WaitFor([&] { return (window = x.FindViewable(GAME_TITLE)) != 0; }, START_SECONDS))
            << "no game window; stderr: " << ReadText(errors);
        // New Game, at the top centre, then a few ticks of play.
        int ox = 0, oy = 0;
        x.ClientOrigin(window, ox, oy);
        x.MoveTo(ox + 200, oy + 10);
        x.Press(1);
        x.Release(1);
        EXPECT_EQ(game.WaitExit(0.5), -1) << "the game ended before the display went";
    } // the test's own connection goes first, or losing it would end the test
    const std::string lostName = "\"" + server.Name() + "\"";
    server.Stop();

    const int code = game.WaitExit(EXIT_SECONDS);
    EXPECT_EQ(code, 1) << "(-1: still running; above 128: killed by signal " << code - 128 << ")";
    const std::vector<std::string> report = ReportLines(errors);
    ASSERT_EQ(report.size(), 1u) << "stderr: " << ReadText(errors);
    EXPECT_NE(report[0].find("connection"), std::string::npos) << report[0];
    EXPECT_NE(report[0].find(lostName), std::string::npos) << report[0];
    EXPECT_EQ(Lines(ReadText(errors)).size(), 1u)
        << "Xlib's own messages were printed too: " << ReadText(errors);
}

TEST_F(XFailure, ServerWithoutOpenGLIsReportedInADialogAndEndsWithCode1) {
    PrivateXServer server({"-extension", "GLX"});
    ASSERT_TRUE(server.Running()) << "Xvfb did not start";
    Program game(std::filesystem::temp_directory_path(), QUORVEL_GAME_EXE, errors, server.Name());
    ASSERT_TRUE(game.Started());
    testx::XInput x(server.Name().c_str());
    ASSERT_TRUE(x.Connected());

    ASSERT_TRUE(WaitFor([&] { return !ReportLines(errors).empty(); }, START_SECONDS))
        << "no report; stderr: " << ReadText(errors);
    const std::vector<std::string> report = ReportLines(errors);
    ASSERT_EQ(report.size(), 1u) << ReadText(errors);
    EXPECT_NE(report[0].find("graphics"), std::string::npos) << report[0];

    // The report waits in a dialog; the program ends only once it is closed.
    std::vector<Window> dialogs;
    ASSERT_TRUE(WaitFor([&] { return !(dialogs = OtherViewableWindows(x.display())).empty(); },
                        START_SECONDS))
        << "no dialog appeared";
    EXPECT_EQ(game.WaitExit(0.5), -1) << "the program did not wait for the dialog";
    // Closing the game's window meanwhile must not end it with code 0.
    if (Window window = x.FindViewable(GAME_TITLE)) x.RequestClose(window);
    EXPECT_EQ(game.WaitExit(0.5), -1) << "the program did not wait for the dialog";
    for (Window dialog : dialogs) x.RequestClose(dialog);
    const int code = game.WaitExit(EXIT_SECONDS);
    EXPECT_EQ(code, 1) << "(-1: still running; above 128: killed by signal " << code - 128 << ")";
}

TEST_F(XFailure, NoDisplayAtAllIsReportedWithoutWaitingForADialog) {
    const std::string vacant = VacantDisplay();
    ASSERT_FALSE(vacant.empty());
    Program game(std::filesystem::temp_directory_path(), QUORVEL_GAME_EXE, errors, vacant);
    ASSERT_TRUE(game.Started());
    EXPECT_EQ(game.WaitExit(EXIT_SECONDS), 1);
    const std::vector<std::string> lines = Lines(ReadText(errors));
    ASSERT_EQ(lines.size(), 1u) << ReadText(errors);
    EXPECT_EQ(lines[0].rfind(GAME_TITLE, 0), 0u) << lines[0];
    EXPECT_NE(lines[0].find("\"" + vacant + "\""), std::string::npos) << lines[0];
}
