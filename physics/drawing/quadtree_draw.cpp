#include "physics/quadtree.h"
#include "physics/view.h"

namespace kel::tangle {

int TQuadTree::Draw(float x, float y, int fill) const {
    if (!childList->IsEmpty()) {
        for (TQuadTree* child : childList->Each<TQuadTree>()) child->Draw(x, y, fill);
        return 0;
    }
    const float left = x + posX, top = y + posY;
    const float right = left + sizeX, bottom = top + sizeY;
    if (fill) {
        TWorldView::DrawRect(left, top, sizeX, sizeY);
        return 0;
    }
    // The outline clockwise from the top-left, then a cross.
    TWorldView::DrawLine(left, top, right, top);
    TWorldView::DrawLine(right, top, right, bottom);
    TWorldView::DrawLine(right, bottom, left, bottom);
    TWorldView::DrawLine(left, bottom, left, top);
    TWorldView::DrawLine(left, top, right, bottom);
    TWorldView::DrawLine(left, bottom, right, top);
    return 0;
}

} // namespace kel::tangle
