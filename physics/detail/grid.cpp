#include "physics/detail/grid.h"

namespace kel::tangle::detail {

namespace {

std::unique_ptr<TGridCell[]> MakeChunk() { return std::make_unique<TGridCell[]>(TGrid::kCells); }

} // namespace

TGrid::TGrid() {
    chunks_.push_back(MakeChunk());
    for (int id = 0; id < kCells; ++id) CellAt(id).id_ = id;
    filled_.reserve(kCells);
}

TGrid::~TGrid() { DetachAll(); }

void TGrid::DetachAll() {
    for (int id = 0; id < count_; ++id) {
        TGridCell& cell = CellAt(id);
        if (!cell.IsEmpty()) cell.DetachAll();
    }
    filled_.clear();
    filledOverflow_ = false;
}

void TGrid::UseDense() {
    DetachAll();
    sparse_ = false;
    count_ = kCells;
    table_.Clear();
}

void TGrid::UseSparse() {
    DetachAll();
    sparse_ = true;
    ++generation_;
    count_ = 0;
    table_.Clear();
}

void TGrid::Grow() {
    count_ = table_.Count();
    while (chunks_.size() * kCells < static_cast<std::size_t>(count_)) {
        const int first = static_cast<int>(chunks_.size()) * kCells;
        chunks_.push_back(MakeChunk());
        for (int k = 0; k < kCells; ++k) CellAt(first + k).id_ = first + k;
    }
}

void TGrid::BeginRefill() {
    EachFilled([](TGridCell& cell) { cell.Forget(); });
    filled_.clear();
    filledOverflow_ = false;
}

} // namespace kel::tangle::detail
