#pragma once
// The last pointer position over a drawing surface, in its pixels. The window
// system feeds it as the pointer moves; code that maps the pointer into its
// own coordinates (a world view) reads it here without needing a window
// system. (0, 0) until the first report.

namespace draw2d {

void SetPointerPosition(int x, int y);
int PointerX();
int PointerY();

} // namespace draw2d
