// The invariants that the step's fast paths rely on, checked after a step
// (TStepper::BrokenInvariant; every step does so in a QUORVEL_VALIDATE build).

#include <cstddef>
#include <unordered_map>

#include "physics/constraint.h"
#include "physics/contacts/collision_queue.h"
#include "physics/grid/grid.h"
#include "physics/step/step.h"
#include "physics/mass.h"
#include "physics/world.h"

namespace kel::tangle::detail {

namespace {

// Every cell's list is well linked, and each of its masses knows the cell.
const char* BrokenCellLinks(const TGrid& grid, std::size_t massesAtMost) {
    for (int id = 0; id < grid.CellCount(); ++id) {
        const TGridCell& cell = grid.CellAt(id);
        if (cell.Id() != id) return "cell links: a cell has another's number";
        const TMass* prev = nullptr;
        std::size_t count = 0;
        for (const TMass* m = cell.First(); m; m = m->gridlink.next) {
            if (m->gridlink.cell != &cell) return "cell links: a mass names another cell";
            if (m->gridlink.prev != prev) return "cell links: broken back link";
            if (++count > massesAtMost) return "cell links: a cell's list runs in a circle";
            if (grid.Sparse() && !grid.IsAt(id, {m->gridx, m->gridy}))
                return "cell links: a mass names a cell other than the one it is in";
            prev = m;
        }
        if (cell.Last() != prev) return "cell links: the cell's last mass is not its end";
    }
    return grid.BrokenInvariant();
}

// After a step that ran no outside code, every mass of the world is in the
// cell its gridx and gridy name, and every cell holds the world's masses in
// list order (strangers, which the step never moves, may stand anywhere) when
// the step re-binned every one of them.
const char* BrokenMembership(const TPhysics& w, const std::vector<TMass*>& order,
                             bool inListOrder) {
    const int spanX = w.SpanX(), spanY = w.SpanY();
    if (spanX <= 0) return nullptr;
    const TGrid& grid = *w.shiftgrid;
    std::unordered_map<const TMass*, std::size_t> indexOf;
    for (std::size_t k = 0; k < order.size(); ++k) indexOf.emplace(order[k], k);
    for (const TMass* m : order) {
        if (m->gridx < 0 || m->gridx >= spanX || m->gridy < 0 || m->gridy >= spanY)
            return "cell membership: a mass's cell is outside the grid in use";
        const TGridCell* named = grid.Find({m->gridx, m->gridy});
        if (!named || m->gridlink.cell != named)
            return "cell membership: a mass is not in the cell it names";
    }
    const char* broken = nullptr;
    grid.EachInUse(spanX, [&](int id) {
        bool any = false;
        std::size_t last = 0;
        for (const TMass* m = grid.CellAt(id).First(); m && inListOrder && !broken;
             m = m->gridlink.next) {
            const auto at = indexOf.find(m);
            if (at == indexOf.end()) continue;
            if (any && at->second <= last) broken = "cell order: a cell is not in list order";
            any = true;
            last = at->second;
        }
    });
    return broken;
}

} // namespace

const char* TStepper::BrokenInvariant(const TPhysics& w) const {
    // A freed world has no lists.
    const core::TList* massList = w.Masses();
    const core::TList* constraintList = w.Constraints();
    const bool current = massList && constraintList;
    if (current) {
        if (!massOrder_.Agrees(*massList)) return "list order: the masses' array differs from the list";
        if (!constraintOrder_.Agrees(*constraintList))
            return "list order: the constraints' array differs from the list";
    }
    const std::size_t masses = current ? static_cast<std::size_t>(massList->Count()) : 0;
    // Strangers are not counted anywhere; allow for any number of them.
    constexpr std::size_t kStrangersAtMost = std::size_t{1} << 24;
    if (const char* broken = BrokenCellLinks(*w.shiftgrid, masses + kStrangersAtMost)) return broken;
    if (current && lastPlan_.quiet) {
        std::vector<TMass*> order;
        for (TMass* m : massList->Each<TMass>()) order.push_back(m);
        if (const char* broken = BrokenMembership(w, order, lastPlan_.everyMassMoves))
            return broken;
    }
    if (cellArraysCurrent_) {
        if (const char* broken = cellArrays_.BrokenInvariant(*w.shiftgrid, w.GridSpan())) return broken;
    }
    if (current && lastPlan_.quiet) {
        if (const char* broken = continuous_.BrokenPassage(w)) return broken;
    }
    return queue_.BrokenInvariant();
}

} // namespace kel::tangle::detail
