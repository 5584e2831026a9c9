#pragma once
// The FLTK back end of the GUI (library Quorvel::gui_fltk): native windows,
// buttons and labels, and canvases that are OpenGL windows drawn by the
// OpenGL back end of the drawing surface.

namespace gui {

/// Chooses the FLTK back end for this process. Must come before the first
/// gadget, timer or dispatch; returns false when another back end was chosen
/// first. The display is opened when the back end is first used.
bool UseFltkDriver();

} // namespace gui
