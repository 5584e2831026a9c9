// The program: the game in its own folder, with its data in media/ there.
#include <filesystem>
#include <string>

#include "core/error.h"
#include "game/failure.h"
#include "game/frame.h"
#include "gui/fltk.h"

namespace {

// The folder that holds the running program.
std::filesystem::path ProgramFolder() {
    std::error_code error;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::current_path() : self.parent_path();
}

void StartInProgramFolder() {
    std::error_code error;
    std::filesystem::current_path(ProgramFolder(), error);
    if (error) throw core::RuntimeError("cannot enter the program's folder: " + error.message());
    game::StartUp();
}

} // namespace

int main() {
    // The FLTK back end: native windows, and an OpenGL canvas drawn by the
    // drawing surface's OpenGL back end.
    gui::UseFltkDriver();
    return game::RunProgram(StartInProgramFolder, game::MainLoop);
}
