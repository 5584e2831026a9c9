#include "physics/grid/cell_arrays.h"

#include <cstring>

namespace kel::tangle::detail {

namespace {

// Bitwise, so that a NaN equals itself and -0 differs from 0.
bool SameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

} // namespace

void TCellArrays::Build(const core::TList& list, const std::vector<TMass*>& order, TGrid& grid,
                        int span) {
    Lay(list, order, grid, span);
    Place(order, 0, order.size(), [](std::size_t k) { return k; });
    ClearRoom();
}

void TCellArrays::Lay(const core::TList& list, const std::vector<TMass*>& order, TGrid& grid,
                      int span) {
    // The same masses in the same grid: each mass's last cell is where the
    // search for its new one starts.
    const bool sameMasses = Names(list, grid.Layout(span)) && cellOf_.size() == order.size();
    outdated_ = false;
    span_ = span;
    grid_ = &grid;
    sparse_ = grid.Sparse();
    layout_ = grid.Layout(span);
    list_ = &list;
    listVersion_ = list.Version();
    changedCell_ = false;
    const std::size_t n = order.size();
    cellOf_.resize(n);
    placeOf_.resize(sparse_ ? n : 0);
    slotOf_.resize(n);
    touched_.assign(n, 0);
    // Find (or make) each mass's cell, count each cell's masses (in `end`),
    // lay the cells out in cell order, then place the masses in list order.
    for (std::size_t k = 0; k < n; ++k) {
        const TMass* m = order[k];
        const TCellPlace at{m->gridx, m->gridy};
        const int id = sameMasses ? CellFrom(k, at) : grid.IdOf(at, m->gridlink.cell);
        cellOf_[k] = static_cast<std::uint32_t>(id);
        if (sparse_) placeOf_[k] = at;
    }
    cells_.resize(static_cast<std::size_t>(sparse_ ? grid.CellCount() : TGrid::kCells));
    grid.EachInUse(span, [&](int id) { CellAt(id).end = 0; });
    for (std::size_t k = 0; k < n; ++k) ++cells_[cellOf_[k]].end;
    // Row by row: masses are often made, and listed, row by row, and a mass's
    // neighbours along its row then lie next to it in the arrays.
    size_ = 0;
    grid.EachInUse(span, [&](int id) {
        Cell& cell = CellAt(id);
        const Slot count = cell.end;
        cell.start = cell.cursor = cell.end = size_;
        size_ += CellSize(count);
        cell.limit = size_;
        cell.bounds.Clear();
    });
    laidOut_ = size_;
    blocks_.resize(size_ / kLanes);
}

void TCellArrays::ClearRoom() {
    grid_->EachInUse(span_, [&](int id) {
        const Cell& cell = CellAt(id);
        for (Slot s = cell.end; s < cell.limit; ++s) Clear(s);
    });
}

void TCellArrays::CoverGrid() {
    Cell empty;
    empty.start = empty.cursor = empty.end = empty.limit = size_;
    empty.bounds.Clear();
    cells_.resize(static_cast<std::size_t>(grid_->CellCount()), empty);
}

void TCellArrays::Refresh(const std::vector<TMass*>& order) {
    ResetCells();
    Rewrite(order, 0, order.size(), [](std::size_t k) { return k; });
}

void TCellArrays::ResetCells() {
    changedCell_ = false;
    grid_->EachInUse(span_, [&](int id) {
        Cell& cell = CellAt(id);
        cell.cursor = cell.start;
        cell.bounds.Clear();
    });
}

void TCellArrays::SweptAll() {
    grid_->EachInUse(span_, [&](int id) {
        Cell& cell = CellAt(id);
        cell.cursor = cell.end;
    });
}

void TCellArrays::StoreMotion(Slot s, const TMass* m) {
    Block& b = MutableBlock(s);
    const Slot lane = s % kLanes;
    b.x[lane] = m->posX;
    b.y[lane] = m->posY;
    b.oldX[lane] = m->oldPosX;
    b.oldY[lane] = m->oldPosY;
}

void TCellArrays::LoadTouched(std::size_t k, TMass* m) {
    if (!touched_[k]) return;
    touched_[k] = 0;
    const Slot s = slotOf_[k];
    const Block& b = BlockOf(s);
    const Slot lane = s % kLanes;
    m->posX = b.x[lane];
    m->posY = b.y[lane];
    m->oldPosX = b.oldX[lane];
    m->oldPosY = b.oldY[lane];
}

void TCellArrays::Write(Slot s, const TMass* m, std::size_t k) {
    StoreMotion(s, m);
    Block& b = MutableBlock(s);
    const Slot lane = s % kLanes;
    b.r[lane] = m->radius;
    b.g[lane] = m->colGroup;
    b.mass[lane] = m->mass;
    b.friction[lane] = m->friction;
    b.frozen[lane] = m->frozen;
    b.listIndex[lane] = static_cast<std::uint32_t>(k);
    b.body[lane] = const_cast<TMass*>(m);
}

void TCellArrays::CopySlot(Slot from, Slot to) {
    const Block& a = BlockOf(from);
    Block& b = MutableBlock(to);
    const Slot i = from % kLanes, j = to % kLanes;
    b.x[j] = a.x[i];
    b.y[j] = a.y[i];
    b.r[j] = a.r[i];
    b.g[j] = a.g[i];
    b.oldX[j] = a.oldX[i];
    b.oldY[j] = a.oldY[i];
    b.mass[j] = a.mass[i];
    b.friction[j] = a.friction[i];
    b.frozen[j] = a.frozen[i];
    b.listIndex[j] = a.listIndex[i];
    b.body[j] = a.body[i];
    if (b.body[j]) slotOf_[b.listIndex[j]] = to; // an empty slot belongs to no mass
}

void TCellArrays::TakeTurn(std::size_t k) {
    if (touched_[k]) LoadTouched(k, MassAt(slotOf_[k]));
}

void TCellArrays::EndTurn(Slot s, int id, const TMass* m) {
    StoreMotion(s, m);
    CellAt(id).bounds.Include(m->posX, m->posY, m->radius);
}

void TCellArrays::Unload(const std::vector<TMass*>& order) {
    // The slots lie all over the arrays: each is fetched a few turns ahead.
    constexpr std::size_t kAhead = 8;
    for (std::size_t k = 0; k < order.size(); ++k) {
        if (k + kAhead < order.size() && touched_[k + kAhead]) PrefetchTurn(k + kAhead);
        LoadTouched(k, order[k]);
    }
}

TCellArrays::Slot TCellArrays::Move(std::size_t k, TCellPlace to) {
    const Slot from = slotOf_[k];
    const int fromCell = CellOf(k);
    // The mass is the first of its old cell not yet swept.
    cells_[static_cast<std::size_t>(fromCell)].cursor = from + 1;
    const int index = CellFrom(k, to);
    if (index == fromCell) return from;
    changedCell_ = true;
    if (sparse_) placeOf_[k] = to;

    if (cells_[static_cast<std::size_t>(index)].end == cells_[static_cast<std::size_t>(index)].limit)
        Relocate(index);
    Cell& cell = cells_[static_cast<std::size_t>(index)];
    for (Slot s = cell.end; s > cell.cursor; --s) CopySlot(s - 1, s);
    const Slot at = cell.cursor++;
    ++cell.end;
    CopySlot(from, at);
    Clear(from);
    cellOf_[k] = static_cast<std::uint32_t>(index);
    return at;
}

void TCellArrays::Shift(std::size_t k, const TMass* m, TCellPlace to) {
    const int index = CellFrom(k, to);
    if (sparse_) placeOf_[k] = to;
    const int fromCell = CellOf(k);
    if (index == fromCell) return;
    changedCell_ = true;
    ++shifts_;
    Cell& from = cells_[static_cast<std::size_t>(fromCell)];
    for (Slot s = slotOf_[k]; s + 1 < from.end; ++s) CopySlot(s + 1, s);
    Clear(--from.end);

    if (cells_[static_cast<std::size_t>(index)].end == cells_[static_cast<std::size_t>(index)].limit)
        Relocate(index);
    Cell& cell = cells_[static_cast<std::size_t>(index)];
    // After the last mass listed before it; empty slots left by moves stay
    // where they are among the rest.
    Slot at = cell.end;
    while (at > cell.start) {
        const Slot before = at - 1;
        if (MassAt(before) && BlockOf(before).listIndex[before % kLanes] < k) break;
        --at;
    }
    for (Slot s = cell.end; s > at; --s) CopySlot(s - 1, s);
    ++cell.end;
    Write(at, m, k);
    slotOf_[k] = at;
    touched_[k] = 0;
    cellOf_[k] = static_cast<std::uint32_t>(index);
    cell.bounds.Include(m->posX, m->posY, m->radius);
}

TCellArrays::TLeft TCellArrays::Judge(const std::vector<std::vector<std::uint32_t>>& lists,
                                      std::size_t count, std::size_t n) const {
    std::size_t leaving = 0;
    for (std::size_t l = 0; l < count; ++l) leaving += lists[l].size();
    if (leaving == 0) return TLeft::None;
    // Each shift moves a few slots in two cells and scatters the cells that
    // run out of room: many are dearer than a new layout.
    if (shiftShare_ == 0 || leaving * shiftShare_ > n) return TLeft::Many;
    return TLeft::Shifted;
}

TCellArrays::TLeft TCellArrays::ShiftLeavers(const std::vector<std::vector<std::uint32_t>>& lists,
                                             std::size_t count, const std::vector<TMass*>& order) {
    const TLeft left = Judge(lists, count, order.size());
    if (left != TLeft::Shifted) return left;
    for (std::size_t l = 0; l < count; ++l) {
        for (const std::uint32_t k : lists[l]) {
            const TMass* m = order[k];
            Shift(k, m, {m->gridx, m->gridy});
        }
    }
    return TLeft::Shifted;
}

void TCellArrays::Relink(TGrid& grid, const std::vector<TMass*>& order) const {
    // A sweep turns the masses in list order, each ending up among its cell's
    // masses already swept, and a shift puts a mass among its new cell's in
    // list order: every cell holds its masses in list order. Appending the
    // masses in that order to the cells they hold them in links the same
    // lists as walking the slots would, but reads the masses as they lie in
    // the list, not one slot at a time, half of them empty. A mass's place
    // in its list is fetched a few masses ahead.
    constexpr std::size_t kAhead = 8;
    grid.BeginRefill();
    for (std::size_t k = 0; k < order.size(); ++k) {
        if (k + kAhead < order.size()) Prefetch<true>(&order[k + kAhead]->gridlink);
        grid.RefillNamed(order[k], CellOf(k));
    }
}

TCellArrays::Slot TCellArrays::Extend(Slot size) {
    const Slot first = size_;
    size_ += size;
    blocks_.resize(size_ / kLanes);
    for (Slot s = first; s < size_; ++s) Clear(s);
    return first;
}

void TCellArrays::Relocate(int index) {
    const Cell old = cells_[static_cast<std::size_t>(index)];
    Slot live = 0;
    for (Slot s = old.start; s < old.end; ++s) live += MassAt(s) ? 1 : 0;
    const Slot size = CellSize(live + 1); // at least the one that arrives
    const Slot at = Extend(size);
    Cell moved = old;
    moved.start = moved.cursor = moved.end = at;
    moved.limit = at + size;
    for (Slot s = old.start; s < old.end; ++s) {
        if (s == old.cursor) moved.cursor = moved.end;
        if (!MassAt(s)) continue;
        CopySlot(s, moved.end++);
        Clear(s);
    }
    if (old.cursor == old.end) moved.cursor = moved.end;
    cells_[static_cast<std::size_t>(index)] = moved;
}

const char* TCellArrays::BrokenInvariant(const TGrid& grid, int span) const {
    if (grid.Layout(span) != layout_) return "cell arrays: built for another grid size";
    if (cells_.size() < static_cast<std::size_t>(grid.Sparse() ? grid.CellCount() : TGrid::kCells))
        return "cell arrays: a cell of the grid has no place in the arrays";
    const char* broken = nullptr;
    grid.EachInUse(span, [&](int id) {
        if (!broken) broken = BrokenCell(grid, id);
    });
    return broken;
}

const char* TCellArrays::BrokenCell(const TGrid& grid, int id) const {
    const Cell& cell = cells_[static_cast<std::size_t>(id)];
    if (cell.start % kLanes != 0 || cell.start > cell.cursor || cell.cursor > cell.end ||
        cell.end > cell.limit || cell.limit > size_)
        return "cell arrays: a cell's slots are out of order";
    for (Slot s = cell.cursor; s < cell.end; ++s) {
        if (MassAt(s)) return "cell arrays: a mass was not swept";
    }
    // After a pass the cell's order is its slots' from start to end.
    const TMass* m = grid.CellAt(id).First();
    for (Slot s = cell.start; s < cell.limit; ++s) {
        const TMass* body = MassAt(s);
        const Block& block = BlockOf(s);
        const Slot lane = s % kLanes;
        if (!body || s >= cell.end) {
            if (body || block.g[lane] != 0) return "cell arrays: an empty slot collides";
            continue;
        }
        if (body != m) return "cell arrays: masses or order differ from the cell";
        if (CellOf(block.listIndex[lane]) != id) return "cell arrays: a mass names another cell";
        if (!SameBits(block.x[lane], m->posX) || !SameBits(block.y[lane], m->posY) ||
            !SameBits(block.r[lane], m->radius) || !SameBits(block.g[lane], m->colGroup) ||
            !SameBits(block.oldX[lane], m->oldPosX) || !SameBits(block.oldY[lane], m->oldPosY))
            return "cell arrays: a slot differs from its mass";
        // Every mass within reach of the cell's box is walked.
        TCellBounds alone;
        alone.Clear();
        alone.Include(m->posX, m->posY, m->radius);
        for (int e = 0; e < 4; ++e) {
            if (alone.edge[e] > cell.bounds.edge[e])
                return "cell arrays: a cell's box does not hold its masses";
        }
        m = m->gridlink.next;
    }
    if (m) return "cell arrays: masses or order differ from the cell";
    return nullptr;
}

} // namespace kel::tangle::detail
