#include "physics/grid/grid.h"

#include <algorithm>

#include "physics/world.h"

namespace kel::tangle::detail {

namespace {

std::unique_ptr<TGridCell[]> MakeChunk() { return std::make_unique<TGridCell[]>(TGrid::kCells); }

// The bits of v spread to the even bits of the result.
std::uint64_t SpreadBits(std::uint32_t v) {
    std::uint64_t x = v;
    x = (x | x << 16) & 0x0000FFFF0000FFFFull;
    x = (x | x << 8) & 0x00FF00FF00FF00FFull;
    x = (x | x << 4) & 0x0F0F0F0F0F0F0F0Full;
    x = (x | x << 2) & 0x3333333333333333ull;
    x = (x | x << 1) & 0x5555555555555555ull;
    return x;
}

// A place's position along the Z-order curve; a cell outside the bounds
// may have a negative place, shifted here into the unsigned range.
std::uint64_t ZOrder(TCellPlace at) {
    constexpr std::uint32_t kMid = 0x80000000u;
    return SpreadBits(static_cast<std::uint32_t>(at.x) ^ kMid) << 1 |
           SpreadBits(static_cast<std::uint32_t>(at.y) ^ kMid);
}

} // namespace

TGrid::TGrid(TPhysics* world) : world_(world) {
    chunks_.push_back(MakeChunk());
    for (int id = 0; id < kCells; ++id) {
        CellAt(id).id_ = id;
        CellAt(id).grid_ = this;
    }
    filled_.reserve(kCells);
}

TGrid::~TGrid() { DetachAll(); }

TPhysics* WorldOf(const TMass* m) {
    if (const TGridCell* cell = m->gridlink.cell) return cell->Grid().World();
    return currentWorld.Get();
}

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
    numbered_ = 0;
    table_.Clear();
}

void TGrid::Renumber() {
    // Each cell that holds masses, by its place along the curve, and where
    // its masses, in their order, end in `masses`.
    struct Kept {
        std::uint64_t key;
        TCellPlace at;
        int id;
        std::size_t end;
    };
    std::vector<Kept> kept;
    for (int id = 0; id < count_; ++id) {
        if (CellAt(id).IsEmpty()) continue;
        const TCellPlace at = PlaceOf(id);
        kept.push_back({ZOrder(at), at, id, 0});
    }
    std::sort(kept.begin(), kept.end(), [](const Kept& a, const Kept& b) { return a.key < b.key; });
    std::vector<TMass*> masses;
    for (Kept& k : kept) {
        for (TMass* m = CellAt(k.id).First(); m; m = m->gridlink.next) masses.push_back(m);
        k.end = masses.size();
    }
    UseSparse();
    std::size_t next = 0;
    for (const Kept& k : kept) {
        const int id = IdOf(k.at, -1);
        for (; next < k.end; ++next) RefillNamed(masses[next], id);
    }
    numbered_ = count_;
}

void TGrid::Grow() {
    count_ = table_.Count();
    while (chunks_.size() * kCells < static_cast<std::size_t>(count_)) {
        const int first = static_cast<int>(chunks_.size()) * kCells;
        chunks_.push_back(MakeChunk());
        for (int k = 0; k < kCells; ++k) {
            CellAt(first + k).id_ = first + k;
            CellAt(first + k).grid_ = this;
        }
    }
}

void TGrid::BeginRefill() {
    EachFilled([](TGridCell& cell) { cell.Forget(); });
    filled_.clear();
    filledOverflow_ = false;
}

} // namespace kel::tangle::detail
