#pragma once
// The figures the testbed shows and the headless run prints, and the checks
// every scene must pass whatever it does: nothing has become NaN or
// infinite, and every mass in the world is inside the world's bounds.

#include <string>

namespace samples {

struct Figures {
    int masses = 0;
    int constraints = 0;
    int events = 0;     // collision events queued by the last step
    float maxSpeed = 0; // world units per step
    float stepMs = 0;   // time of the last step
};

// Counts the current world.
Figures Measure();

// One line: "masses=... constraints=... events=... max_speed=...".
std::string FormatFigures(const Figures& f);

// Empty when every mass and constraint of the world has finite numbers and
// every mass touches the world: its centre lies within the bounds grown by
// its radius. (The step keeps masses inside the bounds before it resolves
// contacts, so a crowd pressing on a wall may end a step a little beyond
// it, to be pushed back by the next.) Otherwise what is wrong, naming the
// first offender.
std::string CheckWorld();

} // namespace samples
