#include "physics/zone.h"

namespace kel::tangle {

int TZone::Draw() { return 0; }
int TZone::DrawQuadTree(int) { return 0; }

} // namespace kel::tangle
