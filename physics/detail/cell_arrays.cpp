#include "physics/detail/cell_arrays.h"

#include <cstring>

namespace kel::tangle::detail {

namespace {

// Bitwise, so that a NaN equals itself and -0 differs from 0.
bool SameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

} // namespace

void TCellArrays::Build(const std::vector<TMass*>& order, int span) {
    span_ = span;
    // Count each cell's masses (in `end`), lay the regions out in cell order,
    // then place the masses in list order.
    for (int cx = 0; cx < span; ++cx) {
        for (int cy = 0; cy < span; ++cy) regions_[static_cast<std::size_t>(TGrid::Index(cx, cy))] = {};
    }
    const std::size_t n = order.size();
    cellOf_.resize(n);
    slotOf_.resize(n);
    for (std::size_t k = 0; k < n; ++k) {
        const int cell = TGrid::Index(order[k]->gridx, order[k]->gridy);
        cellOf_[k] = static_cast<std::uint16_t>(cell);
        ++regions_[static_cast<std::size_t>(cell)].end;
    }
    size_ = 0;
    for (int cx = 0; cx < span; ++cx) {
        for (int cy = 0; cy < span; ++cy) {
            Region& region = regions_[static_cast<std::size_t>(TGrid::Index(cx, cy))];
            const Slot count = region.end;
            region.start = region.cursor = region.end = size_;
            size_ += RegionSize(count);
            region.limit = size_;
        }
    }
    const std::size_t slots = size_ + kLanes;
    x_.resize(slots);
    y_.resize(slots);
    r_.resize(slots);
    g_.assign(slots, 0.0f);
    rest_.assign(slots, Rest{});
    for (std::size_t k = 0; k < n; ++k) {
        const Slot s = regions_[cellOf_[k]].end++;
        Write(s, order[k], k);
        slotOf_[k] = s;
    }
}

void TCellArrays::Write(Slot s, const TMass* m, std::size_t k) {
    x_[s] = m->posX;
    y_[s] = m->posY;
    r_[s] = m->radius;
    g_[s] = m->colGroup;
    rest_[s] = Rest{m->oldPosX,  m->oldPosY, m->mass, m->friction, m->frozen,
                    static_cast<std::uint32_t>(k), const_cast<TMass*>(m)};
}

void TCellArrays::CopySlot(Slot from, Slot to) {
    x_[to] = x_[from];
    y_[to] = y_[from];
    r_[to] = r_[from];
    g_[to] = g_[from];
    rest_[to] = rest_[from];
    slotOf_[rest_[to].listIndex] = to;
}

void TCellArrays::TakeTurn(std::size_t k) {
    const Slot s = slotOf_[k];
    TMass* m = rest_[s].body;
    m->posX = x_[s];
    m->posY = y_[s];
    m->oldPosX = rest_[s].oldPosX;
    m->oldPosY = rest_[s].oldPosY;
}

void TCellArrays::EndTurn(Slot s, const TMass* m) {
    x_[s] = m->posX;
    y_[s] = m->posY;
    rest_[s].oldPosX = m->oldPosX;
    rest_[s].oldPosY = m->oldPosY;
}

void TCellArrays::Unload(const std::vector<TMass*>& order) const {
    for (std::size_t k = 0; k < order.size(); ++k) {
        const Slot s = slotOf_[k];
        TMass* m = order[k];
        m->posX = x_[s];
        m->posY = y_[s];
        m->oldPosX = rest_[s].oldPosX;
        m->oldPosY = rest_[s].oldPosY;
    }
}

TCellArrays::Slot TCellArrays::Move(std::size_t k, TCellPlace to) {
    const Slot from = slotOf_[k];
    const int fromCell = cellOf_[k];
    // The mass is the first of its old cell not yet swept.
    regions_[static_cast<std::size_t>(fromCell)].cursor = from + 1;
    const int cell = TGrid::Index(to.x, to.y);
    if (cell == fromCell) return from;

    if (regions_[static_cast<std::size_t>(cell)].end ==
        regions_[static_cast<std::size_t>(cell)].limit)
        Relocate(cell);
    Region& region = regions_[static_cast<std::size_t>(cell)];
    for (Slot s = region.end; s > region.cursor; --s) CopySlot(s - 1, s);
    const Slot at = region.cursor++;
    ++region.end;
    CopySlot(from, at);
    Clear(from);
    cellOf_[k] = static_cast<std::uint16_t>(cell);
    return at;
}

TCellArrays::Slot TCellArrays::Extend(Slot size) {
    const Slot first = size_;
    size_ += size;
    const std::size_t slots = size_ + kLanes;
    // New slots are made empty: group 0, no mass.
    x_.resize(slots);
    y_.resize(slots);
    r_.resize(slots);
    g_.resize(slots);
    rest_.resize(slots);
    return first;
}

void TCellArrays::Relocate(int cell) {
    const Region old = regions_[static_cast<std::size_t>(cell)];
    Slot live = 0;
    for (Slot s = old.start; s < old.end; ++s) live += rest_[s].body ? 1 : 0;
    const Slot size = RegionSize(live) + 1; // at least the one that arrives
    const Slot at = Extend(size);
    Region moved{at, at, at, at + size};
    for (Slot s = old.start; s < old.end; ++s) {
        if (s == old.cursor) moved.cursor = moved.end;
        if (!rest_[s].body) continue;
        CopySlot(s, moved.end++);
        Clear(s);
    }
    if (old.cursor == old.end) moved.cursor = moved.end;
    regions_[static_cast<std::size_t>(cell)] = moved;
}

const char* TCellArrays::BrokenInvariant(const TGrid& grid, int span) const {
    if (span != span_) return "cell arrays: built for another grid size";
    for (int cx = 0; cx < span; ++cx) {
        for (int cy = 0; cy < span; ++cy) {
            const Region& region = regions_[static_cast<std::size_t>(TGrid::Index(cx, cy))];
            if (region.start > region.cursor || region.cursor > region.end ||
                region.end > region.limit || region.limit > size_)
                return "cell arrays: region out of order";
            if (region.cursor != region.end) return "cell arrays: a mass was not swept";
            // After a pass every mass has been swept: the cell's order is the
            // region's from start to end.
            const TMass* m = grid.Cell(cx, cy).First();
            for (Slot s = region.start; s < region.limit; ++s) {
                const TMass* body = rest_[s].body;
                if (!body || s >= region.end) {
                    if (body || g_[s] != 0) return "cell arrays: an empty slot collides";
                    continue;
                }
                if (body != m) return "cell arrays: masses or order differ from the cell";
                if (!SameBits(x_[s], m->posX) || !SameBits(y_[s], m->posY) ||
                    !SameBits(r_[s], m->radius) || !SameBits(g_[s], m->colGroup) ||
                    !SameBits(rest_[s].oldPosX, m->oldPosX) ||
                    !SameBits(rest_[s].oldPosY, m->oldPosY))
                    return "cell arrays: a slot differs from its mass";
                m = m->gridlink.next;
            }
            if (m) return "cell arrays: masses or order differ from the cell";
        }
    }
    return nullptr;
}

} // namespace kel::tangle::detail
