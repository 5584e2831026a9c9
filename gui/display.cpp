#include "gui/display.h"

#include <cstdio>
#include <cstdlib>

#include "gui/detail/backend.h"

namespace gui {
namespace {

void WriteToStderr(const std::string& what) { std::fprintf(stderr, "%s\n", what.c_str()); }

DisplayLostFunc lostHandler = WriteToStderr;

} // namespace

void SetDisplayLostHandler(DisplayLostFunc handler) {
    lostHandler = handler ? handler : WriteToStderr;
}

void DisplayLost(const std::string& what) {
    // The timer threads are the only other threads of ours; none may run on
    // while the process goes down under them.
    StopAllTimers();
    lostHandler(what);
    std::fflush(nullptr);
    std::_Exit(DISPLAY_LOST_EXIT_CODE);
}

} // namespace gui
