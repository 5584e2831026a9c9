#include "physics/detail/grid.h"

#include <functional>

namespace kel::tangle::detail {

TGrid::~TGrid() {
    for (TGridCell& cell : cells_) cell.DetachAll();
}

bool TGrid::Holds(const TGridCell* cell) const {
    const std::less<const TGridCell*> before;
    const TGridCell* first = cells_.data();
    return cell && !before(cell, first) && before(cell, first + kCells);
}

void TGrid::BeginRefill() {
    EachFilled([](TGridCell& cell) { cell.Forget(); });
    filled_.clear();
    filledOverflow_ = false;
}

} // namespace kel::tangle::detail
