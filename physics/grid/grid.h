#pragma once
// The world's collision grid: cells, each the list of the masses put there,
// in the order they were put there. The grid comes in two shapes. The dense
// one (SetGridSize) is MAX_GRID x MAX_GRID cells made with the world, cell
// (x, y) numbered 64 x + y. The one of any size (SetCellSize) has only the
// cells that masses have stood in, numbered as they were made (TCellTable).
// Either way a cell has a number, and the step's walks visit a cell and the
// eight around it in the same order: column by column.
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
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include <memory>

#include "physics/grid/cell_table.h"
#include "physics/mass.h"
#include "physics/world.h"

namespace kel::tangle::detail {

// The masses of one cell in the order they were put there.
class TGridCell {
  public:
    TGridCell() = default;
    TGridCell(const TGridCell&) = delete;
    TGridCell& operator=(const TGridCell&) = delete;


    // The cell's number in its grid.
    int Id() const { return id_; }
    // The grid the cell is one of.
    TGrid& Grid() const { return *grid_; }
    TMass* First() const { return first_; }
    TMass* Last() const { return last_; }
    bool IsEmpty() const { return first_ == nullptr; }
    int Count() const {
        int n = 0;
        for (TMass* m = first_; m; m = m->gridlink.next) ++n;
        return n;
    }
    void Append(TMass* m) {
        Changed();
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
        Changed();
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
        Changed();
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
        Changed();
        first_ = last_ = nullptr;
    }

  private:
    friend class TGrid;
    // Counts a change of the links in the grid (TGrid::LinkChanges).
    void Changed();
    TGrid* grid_ = nullptr;
    TMass* first_ = nullptr;
    TMass* last_ = nullptr;
    int id_ = 0;
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

    // The grid of world `world`, which it tells the masses in its cells of.
    explicit TGrid(TPhysics* world);
    ~TGrid();
    TGrid(const TGrid&) = delete;
    TGrid& operator=(const TGrid&) = delete;

    // The shape. Both leave every mass in no cell.
    void UseDense();
    // Cells of any number, within spanX x spanY.
    void UseSparse();
    bool Sparse() const { return sparse_; }
    // Changes whenever the cells' numbers change meaning, for whoever keeps
    // something per cell: the dense grid's span, or a count of the times
    // the grid went sparse.
    std::uint64_t Layout(int denseSpan) const {
        return sparse_ ? (std::uint64_t{1} << 32) + generation_
                       : static_cast<std::uint64_t>(static_cast<std::uint32_t>(denseSpan));
    }
    // Cells numbered so far: every number below is a cell.
    int CellCount() const { return count_; }
    // The world whose grid this is.
    TPhysics* World() const { return world_; }
    // Counts every change to the links of any of the grid's cells, so that
    // whoever laid the cells out can tell that they are still as it left them.
    std::uint64_t LinkChanges() const { return linkChanges_; }

    TGridCell& CellAt(int id) {
        return chunks_[static_cast<std::size_t>(id) / kCells][static_cast<std::size_t>(id) % kCells];
    }
    const TGridCell& CellAt(int id) const {
        return chunks_[static_cast<std::size_t>(id) / kCells][static_cast<std::size_t>(id) % kCells];
    }
    // The dense grid's cell (x, y).
    TGridCell& Cell(int x, int y) { return CellAt(Index(x, y)); }
    const TGridCell& Cell(int x, int y) const { return CellAt(Index(x, y)); }
    // Cells are numbered column by column, the order in which a
    // neighbourhood visits them.
    static int Index(int x, int y) { return x * kSide + y; }
    // Whether the cell is one of this grid's.
    bool Holds(const TGridCell* cell) const {
        return cell && cell->id_ >= 0 && cell->id_ < count_ && &CellAt(cell->id_) == cell;
    }
    // The cell at `at`, or null where the sparse grid has none.
    TGridCell* Find(TCellPlace at) {
        const int id = sparse_ ? table_.Find(at) : Index(at.x, at.y);
        return id >= 0 ? &CellAt(id) : nullptr;
    }
    const TGridCell* Find(TCellPlace at) const { return const_cast<TGrid*>(this)->Find(at); }
    // The number of the cell at `at`, made if the sparse grid has none;
    // `near` (any cell or null) is where to start looking.
    int IdOf(TCellPlace at, const TGridCell* near) {
        if (!sparse_) return Index(at.x, at.y);
        const int id = table_.FindOrMake(at, Holds(near) ? near->id_ : -1);
        if (id >= count_) Grow();
        return id;
    }
    int IdOf(TCellPlace at, int near) {
        if (!sparse_) return Index(at.x, at.y);
        const int id = table_.FindOrMake(at, near);
        if (id >= count_) Grow();
        return id;
    }
    TCellPlace PlaceOf(int id) const {
        return sparse_ ? table_.PlaceOf(id) : TCellPlace{id / kSide, id % kSide};
    }
    // Whether cell `id` is the one at `at`.
    bool IsAt(int id, TCellPlace at) const {
        return sparse_ ? table_.PlaceOf(id) == at : id == Index(at.x, at.y);
    }

    // The sparse grid's links of cell `id`.
    const TCellTable::Around& Around(int id) const { return table_.AroundOf(id); }
    // Visits the numbers of cell `id` (at `at`) and of the cells around it
    // that exist, column by column; `span` clips the dense grid.
    template <class Visit> void EachAround(TCellPlace at, int id, int span, Visit visit) const {
        if (!sparse_) {
            const TNeighbourhood around(at, span);
            for (int cx = around.x0; cx <= around.x1; ++cx) {
                for (int cy = around.y0; cy <= around.y1; ++cy) visit(Index(cx, cy));
            }
            return;
        }
        // Copied: a visit may make cells, which moves the links.
        const TCellTable::Around around = table_.AroundOf(id);
        for (const std::int32_t n : around) {
            if (n >= 0) visit(static_cast<int>(n));
        }
    }
    // Visits the numbers of the cells in use, row by row for the dense
    // grid (span x span), in the order of their numbers for the other.
    template <class Visit> void EachInUse(int span, Visit visit) const {
        if (sparse_) {
            for (int id = 0; id < count_; ++id) visit(id);
            return;
        }
        for (int cy = 0; cy < span; ++cy) {
            for (int cx = 0; cx < span; ++cx) visit(Index(cx, cy));
        }
    }

    // Puts m at the end of the cell at `at` (where it already is last, it
    // stays), taking it out of the cell it was in, and names the cell in
    // gridx and gridy.
    void Place(TMass* m, TCellPlace at) { Place(m, at, IdOf(at, m->gridlink.cell)); }
    void Place(TMass* m, TCellPlace at, int id) {
        TGridCell& cell = CellAt(id);
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
    void Refill(TMass* m, TCellPlace at) { Refill(m, at, IdOf(at, m->gridlink.cell)); }
    void Refill(TMass* m, TCellPlace at, int id) {
        m->gridx = at.x;
        m->gridy = at.y;
        RefillNamed(m, id);
    }
    // A whole refill: the masses of `order`, all of this grid's, each into
    // the cell its gridx and gridy name, in that order.
    void RefillAll(const std::vector<TMass*>& order) {
        BeginRefill();
        for (TMass* m : order) Refill(m, {m->gridx, m->gridy});
    }
    // The same for a mass whose gridx and gridy already name cell `id`: it
    // reads and writes only the mass's place in the cell (TMass::gridlink).
    void RefillNamed(TMass* m, int id) {
        TGridCell& cell = CellAt(id);
        if (cell.IsEmpty()) NoteFilled(cell);
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
            for (int id = 0; id < count_; ++id) visit(CellAt(id));
        } else {
            for (TGridCell* cell : filled_) visit(*cell);
        }
    }

    // The first broken rule of the sparse grid's table, or null.
    const char* BrokenInvariant() const { return sparse_ ? table_.BrokenInvariant() : nullptr; }

    // Whether so many cells were made since the sparse grid's cells were
    // last numbered that numbering them again is worth it: cells are
    // numbered as masses first reach them, so a crowd that has moved has its
    // cells scattered through memory, and the empty ones it left behind
    // still take room.
    bool WorthRenumbering() const {
        return sparse_ && count_ - numbered_ > (numbered_ / 8 > kCells ? numbered_ / 8 : kCells);
    }
    // Numbers the cells that hold masses afresh, along a Z-order curve
    // through their places, so that cells near each other in the world lie
    // near each other in memory; the empty ones are forgotten. Every cell
    // keeps its masses in their order, so no walk changes.
    void Renumber();

  private:
    void NoteFilled(TGridCell& cell) {
        if (filled_.size() < static_cast<std::size_t>(count_ > kCells ? count_ : kCells))
            filled_.push_back(&cell);
        else
            filledOverflow_ = true;
    }
    // Every cell in no cell and no record of filled cells.
    void DetachAll();
    // Storage for the table's cells, a chunk of kCells at a time.
    void Grow();

    // Cells in chunks of kCells, which never move: masses point at them.
    std::vector<std::unique_ptr<TGridCell[]>> chunks_;
    friend class TGridCell;
    TPhysics* world_;
    std::uint64_t linkChanges_ = 0;
    int count_ = kCells;
    bool sparse_ = false;
    std::uint64_t generation_ = 0;
    int numbered_ = 0; // cells when the sparse grid was last numbered
    TCellTable table_;
    std::vector<TGridCell*> filled_;
    bool filledOverflow_ = false;
    bool strangers_ = false;
};

inline void TGridCell::Changed() { ++grid_->linkChanges_; }

// The world whose grid cell the mass is in; without a cell, the calling
// thread's current world.
TPhysics* WorldOf(const TMass* m);

// The cells of `width` that cover `extent` (at least 1), within what a float
// counts exactly so that TPhysics::CellOf's clamp holds.
inline int CellSpan(float extent, float width) {
    constexpr float kMostCells = 1 << 24;
    const float n = std::ceil(extent / width);
    return n >= 1 ? static_cast<int>(std::fmin(n, kMostCells)) : 1;
}

// Puts m at the end of its cell of world w by where it is now (AddToGrid), or
// in no cell when there is no grid to be in (no world, or one without a grid
// size yet). Tells which cell.
inline TCellPlace Rebin(TMass* m, TPhysics* w) {
    if (!w || w->SpanX() <= 0) {
        TGrid::TakeOut(m);
        return {};
    }
    const TCellPlace at{w->CellX(m->posX), w->CellY(m->posY)};
    w->shiftgrid->Place(m, at);
    return at;
}

} // namespace kel::tangle::detail
