#pragma once
// The grid's cells as contiguous arrays, for the sweeps in which no outside
// code runs. A sweep visits masses in list order, which after a few hundred
// steps has little to do with where they are; the arrays keep each cell's
// masses together, so that a mass's walk over its neighbourhood and the
// contacts it finds read a few compact runs of memory instead of one mass
// object per candidate.
//
// What a slot holds. Slots come in blocks of four, each field of the four
// side by side. The fields of the contact's box test (position, radius,
// group) fill the block's first cache line, so that a walk tests four slots
// at once from one line; the rest of what a contact reads and writes (old
// position, weight, friction, frozen) follows on the next lines. During a
// sweep a mass's state lives in its slot, except during its own turn: the
// turn starts by loading the slot into the mass (TakeTurn), bounds and zones
// work on the mass itself, and the turn ends by storing the mass back
// (EndTurn). When the pass ends, every mass is loaded from its slot (Unload).
//
// Order. During a pass a cell's walk order is its masses not yet swept, in
// list order, then those already swept, in the order they were re-binned (the
// sweep re-binning each mass to the end of its cell). A cell keeps its masses
// in list order, and a cursor marks the first one not yet swept: a walk takes
// the slots from the cursor to the end, then those before it. The mass whose
// turn it is always stands at its old cell's cursor. When it stays in its
// cell, only the cursor moves; when it moves to another cell, its slot is
// emptied and it is put in at the new cell's cursor, as the last of the masses
// already swept there. A cell has room for a few arrivals; a cell whose room
// runs out moves to fresh room at the end of the arrays.
//
// The grid's lists are not kept during the sweep: a mass's new cell is only
// named in its gridx and gridy, and Relink puts the lists in order from the
// arrays when the step's passes are done.
//
// A slot without a mass has group 0, which collides with nothing: a walk
// passes over it by the group test alone. Each cell also keeps a box around
// its masses (TCellBounds), grown with every move, so that a walk passes
// over a cell that no mass in it can reach: with cells of 64 to a side, most
// masses of a pile reach only a few of the nine cells around them.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/list.h"
#include "physics/grid/cell_bounds.h"
#include "physics/grid/grid.h"
#include "physics/step/intrinsics.h"

namespace kel::tangle::detail {

class TCellArrays {
  public:
    using Slot = std::uint32_t;
    static constexpr Slot kLanes = 4;

    // Four slots. An empty slot has group 0 and no body.
    struct alignas(64) Block {
        float x[kLanes], y[kLanes], r[kLanes], g[kLanes]; // the walk's line
        float oldX[kLanes], oldY[kLanes], mass[kLanes], friction[kLanes];
        int frozen[kLanes];
        std::uint32_t listIndex[kLanes];
        TMass* body[kLanes];
    };

    // A cell's masses: slots [start, end) in list order, those before the
    // cursor already swept. `start` begins a block.
    struct Cell {
        Slot start = 0, cursor = 0, end = 0;
        Slot limit = 0; // end of its room, a block's end
        TCellBounds bounds;
    };

    // What a contact reads and writes of the mass in a slot, under the names
    // of the mass's own fields, copied out so that the contact works on
    // values that nothing else can change behind its back.
    struct Body {
        float posX, posY, oldPosX, oldPosY;
        float radius, mass, friction;
        int frozen;
        static Body Of(const Block& b, Slot lane) {
            return {b.x[lane],      b.y[lane],    b.oldX[lane],     b.oldY[lane],
                    b.r[lane],      b.mass[lane], b.friction[lane], b.frozen[lane]};
        }
        static Body Of(const TMass* m) {
            return {m->posX,   m->posY, m->oldPosX,   m->oldPosY,
                    m->radius, m->mass, m->friction, m->frozen};
        }
        void Into(TMass* m) const {
            m->posX = posX;
            m->posY = posY;
            m->oldPosX = oldPosX;
            m->oldPosY = oldPosY;
        }
        // Writes back what a contact changes.
        void Into(Block& b, Slot lane) const {
            b.x[lane] = posX;
            b.y[lane] = posY;
            b.oldX[lane] = oldPosX;
            b.oldY[lane] = oldPosY;
        }
    };

    // The masses of `order` (the list's order), each in the cell its gridx
    // and gridy name, for the grid's cells of the shape they have now (a
    // dense grid of span x span cells).
    void Build(const core::TList& list, const std::vector<TMass*>& order, TGrid& grid, int span);
    // Whether the arrays were built for this list, unchanged since, and this
    // layout of the grid (TGrid::Layout); then every mass still has a slot,
    // in the cell cellOf names.
    bool Fits(const core::TList& list, std::uint64_t layout) const {
        return !outdated_ && Names(list, layout);
    }
    int CellOf(std::size_t k) const { return static_cast<int>(cellOf_[k]); }
    // Whether the mass of list index k is still in the cell at `at`.
    bool StillIn(std::size_t k, TCellPlace at) const {
        return sparse_ ? placeOf_[k] == at : CellOf(k) == TGrid::Index(at.x, at.y);
    }
    // The slot of the mass of list index k.
    Slot SlotOf(std::size_t k) const { return slotOf_[k]; }
    // Where the cell of the mass of list index k lies.
    TCellPlace PlaceOf(std::size_t k) const {
        return sparse_ ? placeOf_[k] : TCellPlace{CellOf(k) / TGrid::kSide, CellOf(k) % TGrid::kSide};
    }
    // The same as Build, for arrays that fit and masses that are all still in
    // the cells they name: the slots are written again, nothing is laid out.
    void Refresh(const std::vector<TMass*>& order);

    // Build and Refresh in parts, for a schedule that writes the cells of
    // the grid on several threads. Build is Lay, which lays the cells out
    // (empty), Place, which puts the masses of list index turn(i), i in
    // [from, to), in their cells, each cell's in list order, and ClearRoom,
    // which empties every slot past a cell's masses (all of them, before any
    // Place). Refresh is ResetCells, then Rewrite, which writes the slots of
    // the masses again.
    void Lay(const core::TList& list, const std::vector<TMass*>& order, TGrid& grid, int span);
    template <class Turn>
    void Place(const std::vector<TMass*>& order, std::size_t from, std::size_t to, Turn turn) {
        // A mass's cell and the block its slot will be in are fetched a few
        // masses ahead: in a wide world they are rarely still in the cache.
        constexpr std::size_t kAhead = 8;
        for (std::size_t i = from; i < to; ++i) {
            if (i + 2 * kAhead < to) Prefetch<true>(&cells_[cellOf_[turn(i + 2 * kAhead)]]);
            if (i + kAhead < to) PrefetchBlock<true>(cells_[cellOf_[turn(i + kAhead)]].end);
            const std::size_t k = turn(i);
            Cell& cell = cells_[cellOf_[k]];
            const Slot s = cell.end++;
            Write(s, order[k], k);
            cell.bounds.Include(order[k]->posX, order[k]->posY, order[k]->radius);
            slotOf_[k] = s;
        }
    }
    void ClearRoom();
    void ResetCells();
    template <class Turn>
    void Rewrite(const std::vector<TMass*>& order, std::size_t from, std::size_t to, Turn turn) {
        constexpr std::size_t kAhead = 8;
        for (std::size_t i = from; i < to; ++i) {
            if (i + 2 * kAhead < to) Prefetch<true>(&cells_[cellOf_[turn(i + 2 * kAhead)]]);
            if (i + kAhead < to) PrefetchBlock<true>(slotOf_[turn(i + kAhead)]);
            const std::size_t k = turn(i);
            Write(slotOf_[k], order[k], k);
            cells_[cellOf_[k]].bounds.Include(order[k]->posX, order[k]->posY, order[k]->radius);
            touched_[k] = 0;
        }
    }
    // Unload for the masses of list index turn(i), i in [from, to).
    template <class Turn>
    void Unload(const std::vector<TMass*>& order, std::size_t from, std::size_t to, Turn turn) {
        for (std::size_t i = from; i < to; ++i) {
            const std::size_t k = turn(i);
            LoadTouched(k, order[k]);
        }
    }
    // Moves m, of list index k, to the cell at `to` between passes, where a
    // new layout would put it: among that cell's masses in list order. The
    // masses after it in its old cell close up. Its slot holds m as it is now;
    // the cell's box grows to hold it. Cursors are left for the next
    // ResetCells or SweptAll. So a step whose masses cross a few cells keeps
    // the arrays instead of laying them all out again.
    void Shift(std::size_t k, const TMass* m, TCellPlace to);
    // What became of the masses that left their cells: none did, they were
    // shifted into their new cells, or they were too many to be worth it and
    // the arrays must be laid out again.
    enum class TLeft { None, Shifted, Many };
    // What ShiftLeavers would make of the masses of the list indices in
    // lists[0 ... count), out of n masses.
    TLeft Judge(const std::vector<std::vector<std::uint32_t>>& lists, std::size_t count,
                std::size_t n) const;
    // Shifts the masses of the list indices in lists[0 ... count), each list
    // in list order and the lists one after another, into the cells their
    // gridx and gridy name (masses of `order`), if they are few.
    TLeft ShiftLeavers(const std::vector<std::vector<std::uint32_t>>& lists, std::size_t count,
                       const std::vector<TMass*>& order);
    // At most one mass in `share` is shifted (0: none, the arrays are laid
    // out again whenever a mass leaves its cell), for tests that compare.
    void SetShiftShare(std::size_t share) { shiftShare_ = share; }
    // Masses shifted so far.
    std::uint64_t ShiftCount() const { return shifts_; }
    // Whether cells moved to fresh room have left so many slots behind that
    // the arrays are worth laying out again.
    bool Sprawling() const { return size_ > laidOut_ + laidOut_ / 4 + 64 * kLanes; }
    // Whether a mass has moved to another cell since Build or Refresh.
    bool AnyMassChangedCell() const { return changedCell_; }
    // The arrays fit no list until built again (after a snapshot's restore).
    void Forget() { list_ = nullptr; }
    // The arrays fit no list until built again, but the cells they name for
    // the masses are still where to start looking for their new ones (after
    // a pass that moved many masses between cells).
    void Outdate() { outdated_ = true; }

    // The turn of the mass of list index k: its mass takes its slot's state.
    void TakeTurn(std::size_t k);
    // Re-bins the mass of list index k to the cell at `to` and gives its
    // slot: it becomes the last of that cell's masses already swept. The
    // cell's number is then CellOf(k).
    Slot Move(std::size_t k, TCellPlace to);
    // The turn ends: the slot, in cell `id`, takes the mass's state.
    void EndTurn(Slot s, int id, const TMass* m);
    // Every cell's masses count as swept (after a pass that moved none
    // between cells, which leaves each cell in list order).
    void SweptAll();
    // The pass ends: every mass of `order` takes its slot's state.
    void Unload(const std::vector<TMass*>& order);
    // A contact changed the state in slot s.
    void Touched(Slot s) { touched_[BlockOf(s).listIndex[s % kLanes]] = 1; }
    // Links the grid's lists as the arrays order the cells, for the masses
    // of `order` they were laid out or last swept for.
    void Relink(TGrid& grid, const std::vector<TMass*>& order) const;

    Cell& CellAt(int id) { return cells_[static_cast<std::size_t>(id)]; }
    const Block& BlockOf(Slot s) const { return blocks_[s / kLanes]; }
    Block& MutableBlock(Slot s) { return blocks_[s / kLanes]; }
    TMass* MassAt(Slot s) const { return BlockOf(s).body[s % kLanes]; }
    // Fetches the cells around the mass of list index k (where it was last
    // re-binned), first what says where their slots lie ...
    void PrefetchCellsAround(std::size_t k) const {
        const int cell = CellOf(k);
        if (sparse_) {
            for (const std::int32_t id : grid_->Around(cell)) {
                if (id >= 0) Prefetch(&cells_[static_cast<std::size_t>(id)]);
            }
            return;
        }
        for (int cx = cell / TGrid::kSide - 1; cx <= cell / TGrid::kSide + 1; ++cx) {
            const int column = TGrid::Index(cx, cell % TGrid::kSide);
            if (column - 1 >= 0 && column + 1 < TGrid::kCells) {
                Prefetch(&cells_[static_cast<std::size_t>(column - 1)]);
                Prefetch(&cells_[static_cast<std::size_t>(column + 1)]);
            }
        }
    }
    // ... then, a little later, the first slots of each.
    void PrefetchSlotsAround(std::size_t k) const {
        const int cell = CellOf(k);
        auto fetch = [&](int index) {
            const Cell& c = cells_[static_cast<std::size_t>(index)];
            if (c.start != c.end) Prefetch(&blocks_[c.start / kLanes]);
        };
        if (sparse_) {
            for (const std::int32_t id : grid_->Around(cell)) {
                if (id >= 0) fetch(id);
            }
            return;
        }
        for (int cx = cell / TGrid::kSide - 1; cx <= cell / TGrid::kSide + 1; ++cx) {
            for (int cy = cell % TGrid::kSide - 1; cy <= cell % TGrid::kSide + 1; ++cy) {
                const int index = TGrid::Index(cx, cy);
                if (index >= 0 && index < TGrid::kCells) fetch(index);
            }
        }
    }
    // Fetches what the turn of the mass of list index k will read.
    void PrefetchTurn(std::size_t k) const { PrefetchBlock(slotOf_[k]); }
    // Fetches the three lines of the block of slot s.
    template <bool forWrite = false> void PrefetchBlock(Slot s) const {
        const Block* b = &blocks_[s / kLanes];
        Prefetch<forWrite>(b);
        Prefetch<forWrite>(b->oldX);
        Prefetch<forWrite>(b->frozen);
    }

    // Checks the arrays against the grid's cells and the masses, after a
    // pass; the name of the first broken rule, or null.
    const char* BrokenInvariant(const TGrid& grid, int span) const;
    // The same for one cell of the grid.
    const char* BrokenCell(const TGrid& grid, int id) const;

  private:
    // A cell for n masses, with room for a few that arrive during a pass, in
    // whole blocks. The grid of any size has many cells at the edge of a
    // crowd that stay empty: those get room only when a mass arrives.
    Slot CellSize(Slot n) const {
        return sparse_ && n == 0 ? 0 : (n + 2 + n / 4 + kLanes - 1) / kLanes * kLanes;
    }
    // Whether the arrays were laid out for this list, unchanged since, and
    // this layout of the grid, outdated or not.
    bool Names(const core::TList& list, std::uint64_t layout) const {
        return &list == list_.Get() && list.Version() == listVersion_ && layout == layout_;
    }
    // Cells for every number the grid has given, the new ones empty.
    void CoverGrid();
    // The number of the cell at `to` for the mass of list index k, looked
    // for from its cell (made in the grid, and covered here, if there is
    // none yet).
    int CellFrom(std::size_t k, TCellPlace to) {
        if (!sparse_) return TGrid::Index(to.x, to.y);
        if (placeOf_[k] == to) return CellOf(k);
        const int id = grid_->IdOf(to, CellOf(k));
        if (static_cast<std::size_t>(id) >= cells_.size()) CoverGrid();
        return id;
    }
    // Makes `size` more slots (whole blocks); gives the first.
    Slot Extend(Slot size);
    void Write(Slot s, const TMass* m, std::size_t k);
    // The state a sweep changes (position, old position): from the mass
    // into slot s, and from the slot of list index k into m if a contact
    // changed it since.
    void StoreMotion(Slot s, const TMass* m);
    void LoadTouched(std::size_t k, TMass* m);
    void CopySlot(Slot from, Slot to);
    void Clear(Slot s) {
        MutableBlock(s).g[s % kLanes] = 0;
        MutableBlock(s).body[s % kLanes] = nullptr;
    }
    void Relocate(int cell);

    std::vector<Cell> cells_;
    std::vector<Block> blocks_;
    std::vector<Slot> slotOf_;          // per list index: the mass's slot
    std::vector<std::uint32_t> cellOf_; // per list index: the mass's cell
    std::vector<TCellPlace> placeOf_;   // per list index: where that cell is (any size only)
    std::vector<std::uint8_t> touched_; // per list index: its slot changed since its mass
    Slot size_ = 0;                     // slots in use, room included
    Slot laidOut_ = 0;                  // size_ when the cells were last laid out
    int span_ = 0;
    TGrid* grid_ = nullptr;
    bool sparse_ = false;
    std::uint64_t layout_ = 0;
    core::Ref<const core::TList> list_; // the list built for, held so its address is not reused
    std::uint64_t listVersion_ = 0;
    bool changedCell_ = false;
    bool outdated_ = false;
    std::size_t shiftShare_ = 32; // at most one mass in this many is shifted
    std::uint64_t shifts_ = 0;
};

} // namespace kel::tangle::detail
