// The program: the game in its own folder, with its data in media/ there.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "game/frame.h"
#include "game/media.h"
#include "gui/fltk.h"
#include "gui/gui.h"

namespace {

// The folder that holds the running program.
std::filesystem::path ProgramFolder() {
    std::error_code error;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::current_path() : self.parent_path();
}

[[noreturn]] void Fail(const std::string& message) {
    std::fprintf(stderr, "%s\n", message.c_str());
    gui::Notify(message, 1);
    std::exit(1);
}

} // namespace

int main() {
    std::error_code error;
    std::filesystem::current_path(ProgramFolder(), error);
    if (error) Fail("Quorvel cannot enter its own folder: " + error.message());
    // The FLTK back end: native windows, and an OpenGL canvas drawn by the
    // drawing surface's OpenGL back end.
    gui::UseFltkDriver();
    try {
        game::StartUp();
        game::MainLoop();
    } catch (const game::MediaError& e) {
        Fail(e.what());
    }
}
