#pragma once
// How the program ends when something fails: one line on stderr that names
// what failed, the same text in a dialog when there is a display to show it
// on, and exit code 1.

namespace game {

inline constexpr int FAILURE_EXIT_CODE = 1;

// Runs start-up, then the loop. An exception from either is reported and
// gives FAILURE_EXIT_CODE; the dialog is left out when the failure is that no
// display could be opened. A lost display is reported the same way by the
// GUI's display-lost handler, which ends the process itself.
int RunProgram(void (*startUp)(), void (*loop)());

} // namespace game
