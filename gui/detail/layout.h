#pragma once
// The integer arithmetic of gadget layout and window centring.

namespace gui {

/// A span along one axis, from start up to end.
struct Span {
    /// First pixel.
    int start = 0;
    /// One past the last pixel.
    int end = 0;
};

/// One axis of SetLayout: the gadget spanned `lockPos` ... `lockPos + lockSize`
/// in a client extent of `lockClient` when the layout was set; returns its span
/// in a client extent of `client`. Modes: 0 centred (or follows the other
/// edge), 1 keeps the distance to that edge, 2 proportional.
Span LayoutAxis(int lowMode, int highMode, int lockPos, int lockSize, int lockClient, int client);

/// A point in pixels.
struct Point {
    /// Across.
    int x = 0;
    /// Down.
    int y = 0;
};

/// Top-left corner that centres a w x h rectangle on the area (ax, ay, aw, ah).
Point CentredPosition(int ax, int ay, int aw, int ah, int w, int h);

} // namespace gui
