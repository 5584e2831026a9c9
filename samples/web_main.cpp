// tangle_samples in a web browser: the testbed on the browser back ends,
// its files packed into the page at /media. The page passes "?scene=NAME"
// as the command line's --scene NAME. A step and a frame run for each timer
// tick due on the browser's animation frames.
#include <emscripten/emscripten.h>

#include <cmath>
#include <iostream>
#include <string>
#include <vector>

#include "gui/gui.h"
#include "gui/web.h"
#include "samples/command_line.h"
#include "samples/mass_drag.h"
#include "samples/sample_files.h"
#include "samples/scene_table.h"
#include "samples/testbed.h"

namespace {

constexpr double kStepsPerSecond = 60;

core::Ref<samples::Testbed> testbed;
core::Ref<gui::TTimer> timer;
int ticks = 0;

void Frame() {
    try {
        while (const int id = gui::PollEvent()) {
            if (id != gui::TimerTick) continue;
            testbed->Tick();
            ++ticks;
        }
    } catch (const std::exception& e) {
        gui::web::StopFrames();
        gui::Notify(std::string("tangle_samples stopped: ") + e.what(), 1);
    }
}

} // namespace

// The page's view of the testbed (used by its test).
extern "C" {
/// Ticks run so far.
EMSCRIPTEN_KEEPALIVE int samples_ticks() { return ticks; }
/// Steps of the current scene since it was (re)started.
EMSCRIPTEN_KEEPALIVE int samples_steps() { return testbed ? testbed->Steps() : 0; }
/// Index of the current scene in the scene table.
EMSCRIPTEN_KEEPALIVE int samples_scene() { return testbed ? testbed->SceneIndex() : -1; }
/// Masses in the current scene's world, as the labels show them.
EMSCRIPTEN_KEEPALIVE int samples_masses() { return testbed ? testbed->LastFigures().masses : 0; }
/// Whether the mouse holds a mass.
EMSCRIPTEN_KEEPALIVE int samples_holding() { return testbed && testbed->Drag().Held() ? 1 : 0; }
/// Canvas pixels of the mass nearest the canvas's centre (axis 0 x, 1 y);
/// NaN when the world has none.
EMSCRIPTEN_KEEPALIVE float samples_central_mass(int axis) {
    using kel::tangle::TPhysics;
    if (!testbed) return NAN;
    const float cx = testbed->Canvas()->width * 0.5f, cy = testbed->Canvas()->height * 0.5f;
    const kel::tangle::TMass* m =
        samples::NearestMass(TPhysics::SimX(cx, cy), TPhysics::SimY(cx, cy), 1e9f);
    if (!m) return NAN;
    return axis ? TPhysics::ScreenY(m->posX, m->posY) : TPhysics::ScreenX(m->posX, m->posY);
}
} // extern "C"

int main(int argc, char** argv) {
    const samples::CommandLine line =
        samples::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (!line.error.empty() || line.mode != samples::CommandLine::Window) {
        std::cerr << "tangle_samples: "
                  << (line.error.empty() ? "only the window runs here" : line.error) << "\n";
        return 2;
    }
    samples::SetSampleFolder("/media");
    gui::UseWebDriver();
    testbed = core::Make<samples::Testbed>(line.scene);
    timer = gui::CreateTimer(kStepsPerSecond);
    gui::web::StartFrames(Frame);
    return 0;
}
