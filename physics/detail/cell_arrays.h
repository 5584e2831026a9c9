#pragma once
// The grid's cells as contiguous arrays, for the sweeps in which no outside
// code runs. A sweep visits masses in list order, which after a few hundred
// steps has little to do with where they are; the arrays keep each cell's
// masses together, so that a mass's walk over its neighbourhood and the
// contacts it finds read a few compact runs of memory instead of one mass
// object per candidate.
//
// What a slot holds. The fields of the contact's box test (position, radius,
// group) are kept field by field, so that four slots are tested at once; the
// rest of what a contact reads and writes (old position, weight, friction,
// frozen) is kept beside them. During a sweep a mass's state lives in its
// slot, except during its own turn: the turn starts by loading the slot into
// the mass (TakeTurn), bounds and zones work on the mass itself, and the turn
// ends by storing the mass back (EndTurn). When the pass ends, every mass is
// loaded from its slot (Unload).
//
// Order. During a pass a cell's walk order is its masses not yet swept, in
// list order, then those already swept, in the order they were re-binned (the
// sweep re-binning each mass to the end of its cell). A region keeps its
// cell's masses in list order, and a cursor marks the first one not yet
// swept: a walk takes the slots from the cursor to the end, then those before
// it. The mass whose turn it is always stands at its old cell's cursor. When
// it stays in its cell, only the cursor moves; when it moves to another cell,
// its slot is emptied and it is put in at the new cell's cursor, as the last
// of the masses already swept there. A region has room for a few arrivals; a
// cell whose room runs out moves to fresh room at the end of the arrays.
//
// A slot without a mass has group 0, which collides with nothing: a walk
// passes over it by the group test alone.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "physics/detail/grid.h"

namespace kel::tangle::detail {

class TCellArrays {
  public:
    using Slot = std::uint32_t;
    // A walk tests this many slots at a time and may read up to three slots
    // past the end of the range it walks.
    static constexpr Slot kLanes = 4;

    // What a contact reads of the mass in a slot, under the names of the
    // mass's own fields.
    class Body {
      public:
        Body(TCellArrays& arrays, Slot s)
            : posX(arrays.x_[s]), posY(arrays.y_[s]), oldPosX(arrays.rest_[s].oldPosX),
              oldPosY(arrays.rest_[s].oldPosY), radius(arrays.r_[s]), mass(arrays.rest_[s].mass),
              friction(arrays.rest_[s].friction), frozen(arrays.rest_[s].frozen) {}
        float& posX;
        float& posY;
        float& oldPosX;
        float& oldPosY;
        const float radius;
        const float mass;
        const float friction;
        const int frozen;
    };

    // The masses of `order`, each in the cell its gridx and gridy name, for
    // a grid of span x span cells.
    void Build(const std::vector<TMass*>& order, int span);

    // The turn of the mass of list index k: its mass takes its slot's state.
    void TakeTurn(std::size_t k);
    // Re-bins the mass of list index k to the cell at `to` and gives its
    // slot: it becomes the last of that cell's masses already swept.
    Slot Move(std::size_t k, TCellPlace to);
    // The turn ends: the slot takes the mass's state.
    void EndTurn(Slot s, const TMass* m);
    // The pass ends: every mass of `order` takes its slot's state.
    void Unload(const std::vector<TMass*>& order) const;

    // The walk of a cell: [cursor, end), then [start, cursor).
    struct Walk {
        Slot start, cursor, end;
    };
    Walk WalkOf(int cx, int cy) const {
        const Region& region = regions_[static_cast<std::size_t>(TGrid::Index(cx, cy))];
        return {region.start, region.cursor, region.end};
    }

    const float* X() const { return x_.data(); }
    const float* Y() const { return y_.data(); }
    const float* R() const { return r_.data(); }
    const float* G() const { return g_.data(); }
    TMass* MassAt(Slot s) const { return rest_[s].body; }

    // Checks the arrays against the grid's cells and the masses, after a
    // pass; the name of the first broken rule, or null.
    const char* BrokenInvariant(const TGrid& grid, int span) const;

  private:
    struct Rest {
        float oldPosX, oldPosY;
        float mass, friction;
        int frozen;
        std::uint32_t listIndex;
        TMass* body; // none in an empty slot
    };
    struct Region {
        Slot start = 0, cursor = 0, end = 0; // the cell's masses in list order
        Slot limit = 0;                      // end of its room
    };
    // A region for n masses, with room for a few that arrive during a pass.
    static Slot RegionSize(Slot n) { return n + 2 + n / 4; }
    // Makes `size` more slots, all empty; gives the first.
    Slot Extend(Slot size);
    void Write(Slot s, const TMass* m, std::size_t k);
    void CopySlot(Slot from, Slot to);
    void Clear(Slot s) {
        g_[s] = 0;
        rest_[s].body = nullptr;
    }
    void Relocate(int cell);

    std::vector<Region> regions_ = std::vector<Region>(TGrid::kCells);
    std::vector<float> x_, y_, r_, g_;
    std::vector<Rest> rest_;
    std::vector<Slot> slotOf_;          // per list index: the mass's slot
    std::vector<std::uint16_t> cellOf_; // per list index: the mass's cell
    Slot size_ = 0;                     // slots in use, room included
    int span_ = 0;
};

} // namespace kel::tangle::detail
