// tangle_samples: the testbed of kel.tangle. See command_line.h for its
// options.
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "gui/fltk.h"
#include "gui/gui.h"
#include "samples/command_line.h"
#include "samples/headless_run.h"
#include "samples/sample_files.h"
#include "samples/scene_table.h"
#include "samples/testbed.h"

namespace {

constexpr double kStepsPerSecond = 60;

// media/ beside the running program.
std::string ProgramMediaFolder() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string("media") : (self.parent_path() / "media").string();
}

int RunWindow(int scene) {
    gui::UseFltkDriver();
    core::Ref<samples::Testbed> testbed = core::Make<samples::Testbed>(scene);
    if (!testbed->Window()) {
        std::cerr << "tangle_samples: cannot open a window (is DISPLAY set?)\n";
        return 1;
    }
    core::Ref<gui::TTimer> timer = gui::CreateTimer(kStepsPerSecond);
    while (!testbed->CloseRequested()) {
        if (gui::WaitEvent() == gui::TimerTick) testbed->Tick();
    }
    timer->Stop();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const samples::CommandLine line =
        samples::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (!line.error.empty()) {
        std::cerr << "tangle_samples: " << line.error << "\n" << samples::Usage();
        return 2;
    }
    samples::SetSampleFolder(ProgramMediaFolder());
    switch (line.mode) {
    case samples::CommandLine::List:
        for (const samples::SceneEntry& entry : samples::Scenes()) std::cout << entry.name << "\n";
        return 0;
    case samples::CommandLine::Headless:
        gui::UseHeadlessDriver();
        return samples::RunHeadless(line.scene, line.steps, std::cout, std::cerr);
    case samples::CommandLine::Help:
        std::cout << samples::Usage();
        return 0;
    case samples::CommandLine::Window:
        break;
    }
    return RunWindow(line.scene);
}
