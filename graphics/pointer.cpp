#include "graphics/pointer.h"

namespace draw2d {
namespace {

int pointerX = 0, pointerY = 0;

} // namespace

void SetPointerPosition(int x, int y) {
    pointerX = x;
    pointerY = y;
}

int PointerX() { return pointerX; }
int PointerY() { return pointerY; }

} // namespace draw2d
