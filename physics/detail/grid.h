#pragma once
// The world's collision grid: MAX_GRID x MAX_GRID cells, each the list of the
// masses put there, in the order they were put there.
//
// A mass's place in its cell is kept in the mass (TMass::gridlink). The cells
// do not own their masses: a mass takes itself out when it is destroyed, and a
// grid that goes first leaves its masses in no cell.
//
// The step uses the grid in two ways, both named here: it places masses one
// by one (a mass goes to the end of its cell), and at the start of a step it
// may refill the grid, emptying the cells and putting every mass of the world
// back in list order, which gives the same cells without unlinking anything.
// A record of the cells filled since they were last emptied keeps the cost of
// emptying to what the masses fill.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "physics/mass.h"
#include "physics/world.h"

namespace kel::tangle::detail {

// The masses of one cell in the order they were put there.
class TGridCell {
  public:
    TGridCell() = default;
    TGridCell(const TGridCell&) = delete;
    TGridCell& operator=(const TGridCell&) = delete;

    // Counts every change to the links of any cell, so that whoever laid
    // the cells out can tell that they are still as it left them.
    static std::uint64_t LinkChanges() { return linkChanges_; }

    TMass* First() const { return first_; }
    TMass* Last() const { return last_; }
    bool IsEmpty() const { return first_ == nullptr; }
    int Count() const {
        int n = 0;
        for (TMass* m = first_; m; m = m->gridlink.next) ++n;
        return n;
    }
    void Append(TMass* m) {
        ++linkChanges_;
        m->gridlink.cell = this;
        m->gridlink.prev = last_;
        m->gridlink.next = nullptr;
        if (last_)
            last_->gridlink.next = m;
        else
            first_ = m;
        last_ = m;
    }
    void Unlink(TMass* m) {
        ++linkChanges_;
        TGridLink& l = m->gridlink;
        if (l.prev)
            l.prev->gridlink.next = l.next;
        else
            first_ = l.next;
        if (l.next)
            l.next->gridlink.prev = l.prev;
        else
            last_ = l.prev;
        l = TGridLink{};
    }
    // Leaves every mass of the cell in no cell.
    void DetachAll() {
        ++linkChanges_;
        for (TMass* m = first_; m;) {
            TMass* next = m->gridlink.next;
            m->gridlink = TGridLink{};
            m = next;
        }
        first_ = last_ = nullptr;
    }
    // Empties the cell without touching its masses, whose links then go
    // stale: only for a refill that puts every one of them back.
    void Forget() {
        ++linkChanges_;
        first_ = last_ = nullptr;
    }

  private:
    static inline std::uint64_t linkChanges_ = 0;
    TMass* first_ = nullptr;
    TMass* last_ = nullptr;
};

// A cell as grid coordinates.
struct TCellPlace {
    int x = 0, y = 0;
};

// The block of cells a mass in a cell is tested against: its own cell and
// the eight around it, clipped to the cells in use.
struct TNeighbourhood {
    int x0, x1, y0, y1;
    TNeighbourhood(TCellPlace at, int span)
        : x0(at.x > 0 ? at.x - 1 : 0), x1(at.x + 1 < span ? at.x + 1 : span - 1),
          y0(at.y > 0 ? at.y - 1 : 0), y1(at.y + 1 < span ? at.y + 1 : span - 1) {}
};

class TGrid {
  public:
    static constexpr int kSide = 64; // TPhysics::MAX_GRID
    static constexpr int kCells = kSide * kSide;

    TGrid() { filled_.reserve(kCells); }
    ~TGrid();
    TGrid(const TGrid&) = delete;
    TGrid& operator=(const TGrid&) = delete;

    TGridCell& Cell(int x, int y) { return cells_[static_cast<std::size_t>(Index(x, y))]; }
    const TGridCell& Cell(int x, int y) const {
        return cells_[static_cast<std::size_t>(Index(x, y))];
    }
    TGridCell& Cell(TCellPlace at) { return Cell(at.x, at.y); }
    // Cells are numbered column by column, the order in which a
    // neighbourhood visits them.
    static int Index(int x, int y) { return x * kSide + y; }
    // Whether the cell is one of this grid's.
    bool Holds(const TGridCell* cell) const;

    // Puts m at the end of the cell at `at` (where it already is last, it
    // stays), taking it out of the cell it was in, and names the cell in
    // gridx and gridy.
    void Place(TMass* m, TCellPlace at) {
        TGridCell& cell = Cell(at);
        if (cell.IsEmpty()) NoteFilled(cell);
        if (m->gridlink.cell == &cell) {
            if (!m->gridlink.next) return; // already last; gridx, gridy name it
        } else {
            m->gridx = at.x;
            m->gridy = at.y;
        }
        if (m->gridlink.cell) m->gridlink.cell->Unlink(m);
        cell.Append(m);
    }
    // Takes m out of its cell, in whatever grid, and names no cell.
    static void TakeOut(TMass* m) {
        if (m->gridlink.cell) m->gridlink.cell->Unlink(m);
        m->gridx = m->gridy = 0;
    }

    // A refill: BeginRefill empties every cell that may hold a mass, then
    // Refill puts the masses back one by one, each at the end of its cell.
    // Only for masses that were all in this grid's cells or in none: the
    // emptied cells' links are not undone.
    void BeginRefill();
    void Refill(TMass* m, TCellPlace at) {
        TGridCell& cell = Cell(at);
        if (cell.IsEmpty()) NoteFilled(cell);
        m->gridx = at.x;
        m->gridy = at.y;
        // A cell of another grid still holds the mass: that one was not emptied.
        if (m->gridlink.cell && !Holds(m->gridlink.cell)) m->gridlink.cell->Unlink(m);
        cell.Append(m);
    }

    // Set once a mass outside the world was put into these cells: such a mass
    // stays where it was put, so the cells can no longer be refilled from the
    // world's list alone.
    bool HoldsStrangers() const { return strangers_; }
    void NoteStranger() { strangers_ = true; }
    // A snapshot's restore puts the flag back as it was.
    void SetHoldsStrangers(bool on) { strangers_ = on; }

    // Cells filled since they were last emptied (all of them, once the
    // record overflowed): the cells that may hold a mass.
    template <class Visit> void EachFilled(Visit visit) {
        if (filledOverflow_) {
            for (TGridCell& cell : cells_) visit(cell);
        } else {
            for (TGridCell* cell : filled_) visit(*cell);
        }
    }

  private:
    void NoteFilled(TGridCell& cell) {
        if (filled_.size() < kCells)
            filled_.push_back(&cell);
        else
            filledOverflow_ = true;
    }

    std::array<TGridCell, kCells> cells_;
    std::vector<TGridCell*> filled_;
    bool filledOverflow_ = false;
    bool strangers_ = false;
};

// Puts m at the end of its cell of world w by where it is now (AddToGrid), or
// in no cell when there is no grid to be in (no world, or one without a grid
// size yet). Tells which cell.
inline TCellPlace Rebin(TMass* m, TPhysics* w) {
    if (!w || w->GridSpan() <= 0) {
        TGrid::TakeOut(m);
        return {};
    }
    const TCellPlace at{w->CellX(m->posX), w->CellY(m->posY)};
    w->shiftgrid->Place(m, at);
    return at;
}

} // namespace kel::tangle::detail
