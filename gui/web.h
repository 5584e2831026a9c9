#pragma once
// The browser back end of the GUI (web build only, library Quorvel::gui_web):
// a window is a block of the page, buttons and labels are HTML elements on
// it, and a canvas is an HTML canvas with a WebGL context drawn by the
// drawing surface's WebGL back end. The mouse arrives through Emscripten's
// HTML5 events; timers tick on the browser's animation frames, so nothing
// needs a thread.

namespace gui {

/// Chooses the browser back end for this process. Must come before the first
/// gadget, timer or dispatch; returns false when another back end was chosen
/// first.
bool UseWebDriver();

namespace web {

/// Calls `frame` once per animation frame of the browser (about 60 times a
/// second, before each repaint), from the next frame on, and returns at once:
/// the browser's event loop runs the program from then on, so `main` returns
/// and the program stays. `frame` takes the events (gui::PollEvent), whose
/// timer ticks are those due by then.
void StartFrames(void (*frame)());
/// Stops calling the frame function (after a failure).
void StopFrames();

} // namespace web
} // namespace gui
