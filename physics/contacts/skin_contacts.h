#pragma once
// Skin contacts: a skin (TConstraint::CreateSkin) makes the edges between
// its masses solid. After each pass's sweep, every mass that is not part of
// a skin and comes within its radius of one of the skin's edges, or lies
// inside a closed skin, is pushed out through the nearest edge.
//
//   broad   the skins' boxes go into a hash of square cells, made afresh
//           each pass (the skins move); each mass of the world looks up the
//           cells its own box covers. A world without skins pays one walk
//           over its constraints per pass.
//   narrow  per skin the mass may touch: the nearest point of the skin's
//           outline, and for a closed skin whether the mass is inside.
//   respond the push is shared, as a position-based contact between a point
//           and an edge: the mass moves out along the normal, the edge's two
//           masses the other way, each weighted by its inverse mass and the
//           edge's two by where along the edge the contact lies, so that
//           momentum is kept. Friction acts on the sliding along the edge
//           the same way, up to the depth times the mean friction.
//   report  the contact is an ordinary contact of two masses (the mass and
//           the edge's nearer mass): the queue, hooks, contact tracking and
//           sleep see it as they see any other.
//
// It runs on the calling thread, masses in list order and skins in
// constraint order, so its results do not depend on the threads.

#include <cstdint>
#include <vector>

#include "core/object.h"
#include "physics/constraint.h"
#include "physics/mass.h"

namespace kel::tangle::detail {

struct TStepContext;

class TSkinContacts {
  public:
    // One pass's contacts against every awake skin of the step. Tells
    // whether there were skins to collide with (and so whether masses may
    // have moved).
    bool Pass(const TStepContext& step);

  private:
    struct TSkin {
        TConstraint* skin;
        float minX, minY, maxX, maxY; // its masses' discs
        float winding;                // +1 or -1, the sign of the area (closed skins)
        float group;                  // of its first mass
        std::uint32_t seen;           // the last candidate that looked at it
    };
    struct TEntry {
        std::uint64_t cell;
        std::uint32_t skin;
        bool operator<(const TEntry& o) const {
            return cell < o.cell || (cell == o.cell && skin < o.skin);
        }
    };

    bool Gather(const std::vector<TConstraint*>& constraints);
    void BuildCells();
    void Candidate(const TStepContext& step, TMass* m, bool movable, std::uint32_t turn);
    void Collide(const TStepContext& step, TMass* m, bool movable, const TSkin& s);

    std::int64_t CellOf(float v) const;
    static std::uint64_t CellKey(std::int64_t x, std::int64_t y);

    std::vector<TSkin> skins_;
    std::vector<TEntry> cells_;
    std::vector<core::Ref<TMass>> held_; // while outside code may run
    std::vector<core::Ref<TConstraint>> heldSkins_;
    float cellSize_ = 1;
};

} // namespace kel::tangle::detail
