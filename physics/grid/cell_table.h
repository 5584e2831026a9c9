#pragma once
// The cells of a grid of any size (TPhysics::SetCellSize): only the cells
// that a mass has stood in exist, numbered in the order they were made, so
// that memory follows the masses and not the area of the world. (The grid
// empties the table now and then and makes the cells that still hold
// masses again, in an order of its choosing: TGrid::Renumber.)
//
// A hash table finds a cell by its place; each cell also keeps the numbers of
// the eight cells around it (and its own), in the order a walk visits them,
// so that the contact walks and most re-binning (a mass moving one cell
// over) need no lookup. A cell's links are filled in when it or a neighbour
// is made. Cells are never taken out one by one: the table is emptied whole
// when the grid's shape changes.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace kel::tangle::detail {

// A cell as grid coordinates.
struct TCellPlace {
    int x = 0, y = 0;
    friend bool operator==(TCellPlace a, TCellPlace b) { return a.x == b.x && a.y == b.y; }
};

class TCellTable {
  public:
    // The cells around one, column by column: (x - 1, y - 1), (x - 1, y),
    // (x - 1, y + 1), (x, y - 1) ... (x + 1, y + 1); -1 where there is none.
    // The middle one is the cell itself.
    using Around = std::array<std::int32_t, 9>;
    static constexpr int kSelf = 4;

    // Forgets every cell.
    void Clear();
    int Count() const { return static_cast<int>(cells_.size()); }
    TCellPlace PlaceOf(int id) const { return cells_[static_cast<std::size_t>(id)].at; }
    const Around& AroundOf(int id) const { return cells_[static_cast<std::size_t>(id)].around; }

    // The number of the cell at `at`, or -1.
    int Find(TCellPlace at) const;
    // The number of the cell at `at`, made (with the next number) if there
    // is none; `near`, a cell or -1, is tried first through its links.
    int FindOrMake(TCellPlace at, int near) {
        if (near >= 0) {
            const TCellPlace from = PlaceOf(near);
            const int dx = at.x - from.x, dy = at.y - from.y;
            if (dx >= -1 && dx <= 1 && dy >= -1 && dy <= 1) {
                const int id = AroundOf(near)[static_cast<std::size_t>((dx + 1) * 3 + dy + 1)];
                if (id >= 0) return id;
            }
        }
        const int id = Find(at);
        return id >= 0 ? id : Make(at);
    }

    // The first broken rule of the table (links, lookups), or null.
    const char* BrokenInvariant() const;

  private:
    static std::uint64_t Key(TCellPlace at) {
        return std::uint64_t{static_cast<std::uint32_t>(at.x)} << 32 |
               static_cast<std::uint32_t>(at.y);
    }
    std::size_t Home(TCellPlace at) const {
        return static_cast<std::size_t>((Key(at) * 0x9E3779B97F4A7C15ull) >> shift_);
    }
    int Make(TCellPlace at);
    void Grow();
    // The first free slot of the probe for `at`.
    std::size_t FreeSlot(TCellPlace at) const;

    // Cell numbers (-1: free), a power of two, at most half in use; a slot
    // keeps only the number, the place is the cell's own.
    std::vector<std::int32_t> slots_;
    int shift_ = 64;
    // A cell's place and links side by side: re-binning reads both.
    struct Cell {
        TCellPlace at;
        Around around;
    };
    std::vector<Cell> cells_;
};

} // namespace kel::tangle::detail
