#pragma once
// The connection to the window system, as the program sees it: failing to
// open it is an error like any other, and losing it ends the program at once.

#include <string>

#include "core/error.h"

namespace gui {

/// The display cannot be opened, so no dialog can be shown either.
class DisplayError : public core::RuntimeError {
  public:
    /// What could not be opened, as a message.
    using core::RuntimeError::RuntimeError;
};

/// What a lost connection ends the process with.
inline constexpr int DISPLAY_LOST_EXIT_CODE = 1;

/// Told once, with a line that says which connection was lost, after every
/// timer has been stopped and its thread joined. Whatever it does, the process
/// then ends with DISPLAY_LOST_EXIT_CODE and runs no destructors: they would
/// talk to the dead display.
using DisplayLostFunc = void (*)(const std::string& what);
/// Sets what a lost display is told to; null restores the default, which
/// writes the line to stderr.
void SetDisplayLostHandler(DisplayLostFunc handler);

/// The back end's report that the connection is gone. Main thread only.
[[noreturn]] void DisplayLost(const std::string& what);

} // namespace gui
