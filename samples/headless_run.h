#pragma once
// A run of one scene with no display: the headless GUI back end with the
// recording drawing back end, so the testbed steps and draws exactly as in
// its window. After every step the world must hold only finite numbers with
// every mass inside its bounds; at the end the scene's own check must hold.

#include <iosfwd>

namespace samples {

// Runs `steps` steps of scene `index` (the headless back end must be the
// chosen one). Prints one line of figures to `out`, or what failed to `err`;
// returns the exit code: 0 when everything held, 1 otherwise.
int RunHeadless(int index, int steps, std::ostream& out, std::ostream& err);

} // namespace samples
