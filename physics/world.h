#pragma once
// TPhysics: the world's settings and the simulation step, plus the module-wide
// lists of everything that takes part in the simulation.

#include <array>
#include <cmath>
#include <functional>
#include <limits>
#include <vector>

#include "core/list.h"
#include "core/object.h"
#include "physics/gridcell.h"
#include "physics/list_order.h"
#include "physics/view.h"

namespace kel::tangle {

class TConstraint;
class TMass;
class TPhysics;

// The current world, or none before the first Create and after Free.
extern core::Ref<TPhysics> currentWorld;
// Objects taking part in the simulation, in the order they entered; absent
// (none) while there is no world.
extern core::Ref<core::TList> massList;
extern core::Ref<core::TList> constraintList;
extern core::Ref<core::TList> zoneList;

// The view fields and functions come from TWorldView.
class TPhysics : public core::Object, public TWorldView {
    friend class TMass; // AddToGrid re-bins

  public:
    static constexpr int MAX_GRID = 64;

    float boundsMaxX = 0;
    float boundsMaxY = 0;
    float boundsMinX = 0;
    float boundsMinY = 0;
    float friction = 1.0f;
    float gravityX = 0;
    float gravityY = 0;
    int i = 0; // relaxation passes per Update
    int gridon = 0;
    // Cell lists, indexed [gridx][gridy]; all exist from construction.
    std::array<std::array<TGridCell, MAX_GRID>, MAX_GRID> shiftgrid;
    int gridsize = 0;
    float ratiox = 0;
    float ratioy = 0;

    // Becomes the current world and starts the module lists afresh.
    TPhysics();
    ~TPhysics() override;
    TPhysics(const TPhysics&) = delete;
    TPhysics& operator=(const TPhysics&) = delete;

    // Note the order: vertical gravity before horizontal.
    static core::Ref<TPhysics> Create(float right, float bottom, float gravityY, float gravityX,
                                      int iterations);
    static int SetGravity(float gx, float gy);
    static int SetIterations(int n);
    static int SetBounds(float x1, float y1, float x2, float y2);
    static int GetBounds(float& minX, float& minY, float& maxX, float& maxY);
    static int SetFriction(float f);
    static int UseShiftedGrid(int flag);
    static int SetGridSize(int n);
    static int Update();
    static int Free();

    // The cells in use along each axis: gridsize, kept within the grid
    // whatever was written to the field.
    int GridSpan() const { return gridsize < 0 ? 0 : (gridsize > MAX_GRID ? MAX_GRID : gridsize); }
    // The cell of a position along one axis: floor(pos * ratio) clamped to
    // 0 ... GridSpan() - 1; a product that is not finite gives cell 0.
    int CellX(float x) const { return CellOf(x, ratiox); }
    int CellY(float y) const { return CellOf(y, ratioy); }

    // Set when a mass outside the world was put into this world's cells
    // (TMass::AddToGrid): from then on the step re-bins mass by mass, which
    // leaves such masses where they are.
    bool strangersInGrid = false;

  private:
    int CellOf(float pos, float ratio) const {
        // An infinite ratio (zero-width bounds) puts everything into cell 0.
        // From 0 up, truncation is floor; floor(p) > span - 1 exactly when
        // p >= span.
        const int span = GridSpan();
        const float p = pos * ratio;
        if (!(p >= 0) || p == std::numeric_limits<float>::infinity()) return 0;
        if (p >= static_cast<float>(span)) return span - 1;
        return static_cast<int>(p);
    }
    // A cell as grid coordinates.
    struct CellPlace {
        int x = 0, y = 0;
    };
    // Puts m at the end of its cell of world w (where it already is last, it
    // stays) and tells which cell that is.
    static CellPlace Rebin(TMass* m, TPhysics* w);
    void Integrate(TMass* m) const;
    // Empties every cell that may hold a mass, for a fresh re-binning.
    void EmptyCells();
    // Puts a mass, just integrated, at the end of its cell after EmptyCells.
    void Bin(TMass* m);
    void KeepInBounds(TMass* m);
    void CollideZones(TMass* m);
    void CollideThroughGrid(TMass* m, bool bounded);
    // One pass of bounds, zones and contacts over the masses in this order.
    template <class Order> void CollidePass(const Order& order, bool bounded);
    template <class Order> void CollideLaterMasses(const Order& order, TMass* m, std::size_t k);
    void WalkCell(TMass* m, TGridCell& cell, bool bounded);
    // Measures the bounds of every cell in use.
    void MeasureCells();
    // The bounds of one of this world's cells, or null for another's.
    TCellBounds* BoundsOf(const TGridCell* cell) {
        const std::less<const TGridCell*> before;
        const TGridCell* first = &shiftgrid[0][0];
        if (!cell || before(cell, first) || !before(cell, first + MAX_GRID * MAX_GRID)) return nullptr;
        const auto k = static_cast<std::size_t>(cell - first);
        return &cellBounds_[k / MAX_GRID][k % MAX_GRID];
    }
    // Grows the bounds of a mass's cell (if any) by where the mass is now.
    void IncludeInCell(const TMass* m);

    TListOrder<TMass> massOrder_;
    TListOrder<TConstraint> constraintOrder_;
    std::vector<core::Ref<TMass>> snapshot_; // reused by every pass with outside code
    bool updating_ = false;
    // Bounds of the cells, indexed like shiftgrid; kept apart from the cells
    // so that the grid walk reads a compact array.
    std::array<std::array<TCellBounds, MAX_GRID>, MAX_GRID> cellBounds_;
    // Whether every cell's bounds hold all its masses where they are now.
    bool boundsValid_ = false;
    // The cells that got a first mass since they were last emptied, so that
    // emptying them all costs no more than the masses do; all cells once the
    // record is full.
    std::vector<TGridCell*> filled_;
    bool filledOverflow_ = false;
    void NoteFilled(TGridCell& cell) {
        if (filled_.size() < MAX_GRID * MAX_GRID)
            filled_.push_back(&cell);
        else
            filledOverflow_ = true;
    }
};

} // namespace kel::tangle
