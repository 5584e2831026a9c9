#include "physics/quadtree.h"

namespace kel::tangle {

int TQuadTree::Draw(float, float, int) const { return 0; }

} // namespace kel::tangle
