#include "physics/world.h"

#include <cmath>
#include <functional>

#include "physics/colevent.h"
#include "physics/constraint.h"
#include "physics/mass.h"
#include "physics/zonebase.h"

namespace kel::tangle {

core::Ref<TPhysics> currentWorld;
core::Ref<core::TList> massList;
core::Ref<core::TList> constraintList;
core::Ref<core::TList> zoneList;

namespace {

// Members keep a raw pointer to their link; before a world's lists go, those
// pointers are cleared so that nothing later removes a link that is gone.
template <class T> void Detach(core::Ref<core::TList>& list) {
    if (!list) return;
    for (T* member : list->Each<T>()) member->link = nullptr;
    list = nullptr;
}

void DropWorldLists() {
    Detach<TMass>(massList);
    Detach<TConstraint>(constraintList);
    Detach<TZoneBase>(zoneList);
}

// The module state goes before the objects of other files that may still
// hold masses and constraints at exit.
struct ModuleTeardown {
    ~ModuleTeardown() {
        DropWorldLists();
        currentWorld = nullptr;
    }
} moduleTeardown;

// Counter behind TMass::walkMark; 0 is never used, so new masses are unmarked.
std::uint32_t walkCounter = 0;

std::uint32_t NextWalkMark() {
    if (++walkCounter == 0) ++walkCounter;
    return walkCounter;
}

inline bool Collides(float a, float b) { return a != 0 && b != 0 && a != b; }

// Whether a pass can run code from outside the library (collision hooks or
// zone responses), which could move any mass at any time.
bool PassRunsOutsideCode(const core::TList* zones) {
    if (core::HasHooks(TColEvent::colHookId)) return true;
    if (zones) {
        for (core::TLink* l = zones->FirstLink(); l; l = l->NextLink()) {
            TZoneBase* z = core::As<TZoneBase>(l->Value());
            if (z && !z->MovesOnlyItsMass()) return true;
        }
    }
    return false;
}

inline void Include(TCellBounds& bounds, const TMass* m) {
    bounds.Include(m->posX, m->posY, m->radius);
}

} // namespace

// Inline: the step re-bins every mass twice.
inline TPhysics::CellPlace TPhysics::Rebin(TMass* m, TPhysics* w) {
    if (!w || w->GridSpan() <= 0) {
        // No grid to be in (no world, or one without a grid size yet).
        if (m->gridlink.cell) m->gridlink.cell->Unlink(m);
        m->gridx = m->gridy = 0;
        return {};
    }
    const CellPlace place{w->CellX(m->posX), w->CellY(m->posY)};
    TGridCell& cell = w->shiftgrid[place.x][place.y];
    if (cell.IsEmpty()) w->NoteFilled(cell);
    if (m->gridlink.cell == &cell) {
        // gridx and gridy already name this cell; they share no cache line
        // with the fields the step reads, so they are not written again.
        if (!m->gridlink.next) return place;
    } else {
        m->gridx = place.x;
        m->gridy = place.y;
    }
    if (m->gridlink.cell) m->gridlink.cell->Unlink(m);
    cell.Append(m);
    return place;
}

// Defined here, next to the step that re-bins through the same code.
int TMass::AddToGrid() {
    TPhysics* w = currentWorld.Get();
    if (w && !InWorld()) w->strangersInGrid = true;
    TPhysics::Rebin(this, w);
    return 0;
}

TPhysics::TPhysics() {
    DropWorldLists();
    massList = core::CreateList();
    constraintList = core::CreateList();
    zoneList = core::CreateList();
    currentWorld = this;
}

TPhysics::~TPhysics() {
    for (auto& column : shiftgrid) {
        for (TGridCell& cell : column) cell.DetachAll();
    }
}

core::Ref<TPhysics> TPhysics::Create(float right, float bottom, float gravityY, float gravityX,
                                     int iterations) {
    core::Ref<TPhysics> w = core::Make<TPhysics>();
    w->boundsMinX = w->boundsMinY = 0;
    w->boundsMaxX = right;
    w->boundsMaxY = bottom;
    w->gravityY = gravityY;
    w->gravityX = gravityX;
    w->i = iterations;
    w->friction = 1.0f;
    w->gridsize = 8;
    w->ratiox = 8 / right;
    w->ratioy = 8 / bottom;
    return w;
}

int TPhysics::SetGravity(float gx, float gy) {
    if (TPhysics* w = currentWorld) {
        w->gravityX = gx;
        w->gravityY = gy;
    }
    return 0;
}

int TPhysics::SetIterations(int n) {
    if (TPhysics* w = currentWorld) w->i = n;
    return 0;
}

int TPhysics::SetBounds(float x1, float y1, float x2, float y2) {
    if (TPhysics* w = currentWorld) {
        w->boundsMinX = std::fmin(x1, x2);
        w->boundsMinY = std::fmin(y1, y2);
        w->boundsMaxX = std::fmax(x1, x2);
        w->boundsMaxY = std::fmax(y1, y2);
    }
    return 0;
}

int TPhysics::GetBounds(float& minX, float& minY, float& maxX, float& maxY) {
    TPhysics* w = currentWorld;
    minX = w ? w->boundsMinX : 0;
    minY = w ? w->boundsMinY : 0;
    maxX = w ? w->boundsMaxX : 0;
    maxY = w ? w->boundsMaxY : 0;
    return 0;
}

int TPhysics::SetFriction(float f) {
    if (TPhysics* w = currentWorld) w->friction = f;
    return 0;
}

int TPhysics::UseShiftedGrid(int flag) {
    if (TPhysics* w = currentWorld) w->gridon = flag;
    return 0;
}

int TPhysics::SetGridSize(int n) {
    if (TPhysics* w = currentWorld) {
        w->gridsize = n < 8 ? 8 : (n > MAX_GRID ? MAX_GRID : n);
        w->ratiox = static_cast<float>(w->gridsize) / (w->boundsMaxX - w->boundsMinX);
        w->ratioy = static_cast<float>(w->gridsize) / (w->boundsMaxY - w->boundsMinY);
    }
    return 0;
}

int TPhysics::Free() {
    TPhysics* w = currentWorld;
    if (!w) return 0;
    w->boundsMinX = w->boundsMinY = w->boundsMaxX = w->boundsMaxY = 0;
    w->gravityX = w->gravityY = 0;
    w->i = 0;
    w->friction = 0;
    DropWorldLists();
    currentWorld = nullptr;
    return 0;
}

inline void TPhysics::IncludeInCell(const TMass* m) {
    if (!m) return;
    if (TCellBounds* b = BoundsOf(m->gridlink.cell)) Include(*b, m);
}

template <class Order> void TPhysics::CollidePass(const Order& order, bool bounded) {
    for (std::size_t k = 0; k < order.size(); ++k) {
        TMass* m = order[k];
        // A mass that a hook or a zone response took out of the world
        // during this pass is no longer kept, collided or re-binned.
        if (!m->InWorld()) continue;
        KeepInBounds(m);
        if (!m->InWorld()) continue;
        if (!m->frozen) CollideZones(m);
        if (!m->InWorld()) continue;
        if (gridon)
            CollideThroughGrid(m, bounded);
        else
            CollideLaterMasses(order, m, k);
    }
}

int TPhysics::Update() {
    core::Ref<TPhysics> w = currentWorld;
    // A hook must not step the world from inside a step: such a call does nothing.
    if (!w || w->updating_) return 0;
    w->updating_ = true;
    // Held for the whole step, so a hook that frees the world cannot pull the
    // lists away under the walks.
    core::Ref<core::TList> masses = massList, constraints = constraintList;

    // No outside code runs while integrating, so the list's order serves.
    const std::vector<TMass*>& order = w->massOrder_.Of(*masses);
    // Cell bounds pay where cells are crowded: they spare walks of cells
    // holding several masses, at a price per mass and per cell. Where most
    // cells hold one mass or none, the grid is used without them. Either way
    // the results are the same.
    const int span = w->GridSpan();
    const bool crowded = w->gridon && order.size() * 2 >= static_cast<std::size_t>(span * span);
    // Re-binning every mass in list order leaves each cell holding its masses
    // in list order. When the cells hold nothing but masses of the list, they
    // are emptied and filled again in that order, which gives the same cells
    // without unlinking anything, and measures their bounds on the way.
    const bool fresh = crowded && span > 0 && !w->strangersInGrid;
    if (fresh) w->EmptyCells();
    for (TMass* m : order) {
        w->Integrate(m);
        if (fresh)
            w->Bin(m);
        else
            Rebin(m, w.Get());
    }
    w->boundsValid_ = fresh;

    TColEvent::Flush();

    const int passes = w->i;
    for (int pass = 0; pass < passes; ++pass) {
        // A pass that may run outside code (hooks, zone responses) may see
        // masses moved, taken out of the world or freed at any time.
        const bool quiet = !PassRunsOutsideCode(zoneList.Get());
        // Cell bounds let the grid walk pass over cells out of reach. They
        // hold only while the step itself makes every move, so that each
        // move can grow them.
        const bool bounded = crowded && quiet;
        if (!bounded) w->boundsValid_ = false;
        // Constraints run no outside code.
        const std::vector<TConstraint*>& links = w->constraintOrder_.Of(*constraints);
        if (w->boundsValid_) {
            for (TConstraint* c : links) {
                c->Satisfy();
                w->IncludeInCell(c->m[0].Get());
                w->IncludeInCell(c->m[1].Get());
            }
        } else {
            for (TConstraint* c : links) c->Satisfy();
            if (bounded) w->MeasureCells();
        }

        if (quiet) {
            w->CollidePass(w->massOrder_.Of(*masses), bounded);
        } else {
            // Holds every mass of the pass, as a hook may drop the last
            // reference to one.
            std::vector<core::Ref<TMass>>& snapshot = w->snapshot_;
            for (TMass* m : w->massOrder_.Of(*masses)) snapshot.emplace_back(m);
            w->CollidePass(snapshot, false);
            snapshot.clear();
        }
    }
    w->boundsValid_ = false; // from here on, anyone may move masses
    w->updating_ = false;
    return 0;
}

inline void TPhysics::Integrate(TMass* m) const {
    if (m->frozen) return;
    const float x = m->posX, y = m->posY;
    m->posX = m->posX + (m->posX - m->oldPosX) + gravityX;
    m->posY = m->posY + (m->posY - m->oldPosY) + gravityY;
    m->oldPosX = x;
    m->oldPosY = y;
}

void TPhysics::EmptyCells() {
    if (filledOverflow_) {
        for (auto& column : shiftgrid) {
            for (TGridCell& cell : column) cell.Forget();
        }
    } else {
        for (TGridCell* cell : filled_) cell->Forget();
    }
    filled_.clear();
    filledOverflow_ = false;
}

inline void TPhysics::Bin(TMass* m) {
    const CellPlace place{CellX(m->posX), CellY(m->posY)};
    TGridCell& cell = shiftgrid[place.x][place.y];
    TCellBounds& bounds = cellBounds_[place.x][place.y];
    if (cell.IsEmpty()) {
        NoteFilled(cell);
        bounds.Clear();
    }
    TGridCell* old = m->gridlink.cell;
    if (old != &cell) {
        m->gridx = place.x;
        m->gridy = place.y;
        // A cell of another world, not emptied, still holds the mass.
        const TGridCell* grid = &shiftgrid[0][0];
        if (old && (std::less<const TGridCell*>()(old, grid) ||
                    !std::less<const TGridCell*>()(old, grid + MAX_GRID * MAX_GRID)))
            old->Unlink(m);
    }
    cell.Append(m);
    Include(bounds, m);
}

namespace {

// The tangential velocity (pos - old along one axis) slows by f, or stops.
inline void WallFriction(float pos, float& old, float f) {
    float v = pos - old;
    if (f <= std::fabs(v))
        old += v > 0 ? f : (v < 0 ? -f : 0.0f);
    else
        old = pos;
}

} // namespace

void TPhysics::KeepInBounds(TMass* m) {
    auto emit = [&](float x, float y, float depth) {
        core::Ref<TColEvent> e =
            TColEvent::CreateOfKind(TColEvent::MASS_BOUNDS, m, this, x, y, depth);
        TColEvent::Emit(e);
    };
    if (!(m->posX >= boundsMinX + m->radius)) {
        float d = (boundsMinX + m->radius) - m->posX;
        m->posX = boundsMinX + m->radius;
        emit(boundsMinX, m->posY, d);
        WallFriction(m->posY, m->oldPosY, d * (m->friction + friction) * 0.5f);
    } else if (!(m->posX <= boundsMaxX - m->radius)) {
        float d = m->posX - (boundsMaxX - m->radius);
        m->posX = boundsMaxX - m->radius;
        emit(boundsMaxX, m->posY, d);
        WallFriction(m->posY, m->oldPosY, d * (m->friction + friction) * 0.5f);
    }
    if (!(m->posY >= boundsMinY + m->radius)) {
        float d = (boundsMinY + m->radius) - m->posY;
        m->posY = boundsMinY + m->radius;
        emit(m->posX, boundsMinY, d);
        WallFriction(m->posX, m->oldPosX, d * (m->friction + friction) * 0.5f);
    } else if (!(m->posY <= boundsMaxY - m->radius)) {
        float d = m->posY - (boundsMaxY - m->radius);
        m->posY = boundsMaxY - m->radius;
        emit(m->posX, boundsMaxY, d);
        WallFriction(m->posX, m->oldPosX, d * (m->friction + friction) * 0.5f);
    }
}

void TPhysics::CollideZones(TMass* m) {
    if (!zoneList || zoneList->IsEmpty()) return;
    core::Ref<core::TList> zones = zoneList;
    for (TZoneBase* z : zones->Each<TZoneBase>()) {
        if (!m->InWorld()) return;
        if (Collides(m->colGroup, static_cast<float>(z->colGroup))) z->Collide(m);
    }
}

template <class Order>
void TPhysics::CollideLaterMasses(const Order& order, TMass* m, std::size_t k) {
    for (std::size_t j = k + 1; j < order.size(); ++j) {
        TMass* o = order[j];
        if (!o->InWorld() || !Collides(m->colGroup, o->colGroup)) continue;
        m->Resolve(o);
        if (!m->InWorld()) return;
    }
}

// Inline: nine walks per mass and pass.
[[gnu::always_inline]] inline void TPhysics::WalkCell(TMass* m, TGridCell& cell, bool bounded) {
    // The marks matter only once hooks ran, so the walk writes them just
    // before a contact: the masses visited since the last contact (the chain
    // from `unmarked` up to the current one) get the walk's mark then.
    std::uint32_t mark = 0;
    TMass* unmarked = cell.First();
    // m changes only in a contact; its fields are read again after one.
    float mx = m->posX, my = m->posY, mr = m->radius, mg = m->colGroup;
    for (TMass* o = unmarked; o;) {
        TMass* next = o->gridlink.next;
        // The contact's own box test, done here without branching so that the
        // common miss costs no call; the group test only for what is near.
        // m itself, in its own cell, is passed over: a mass never meets itself.
        const float r = mr + o->radius;
        const int far =
            int{o == m} | int{std::fabs(o->posX - mx) > r} | int{std::fabs(o->posY - my) > r};
        if (far || !Collides(mg, o->colGroup)) {
            o = next;
            continue;
        }
        if (mark == 0) mark = NextWalkMark();
        for (; unmarked != o; unmarked = unmarked->gridlink.next) unmarked->walkMark = mark;
        o->walkMark = mark;
        core::Ref<TMass> held(o); // a hook may drop the last other reference
        const bool contact = m->Resolve(o);
        mx = m->posX, my = m->posY, mr = m->radius, mg = m->colGroup;
        if (bounded && contact) {
            // Both moved; in a bounded pass both are still in their cells.
            IncludeInCell(m);
            IncludeInCell(o);
        }
        if (!contact) {
            o = unmarked = o->gridlink.next;
            continue;
        }
        // Hooks ran: the cell may have changed under the walk.
        if (!m->InWorld()) return;
        if (o->gridlink.cell == &cell) {
            o = unmarked = o->gridlink.next;
            continue;
        }
        // The visited mass left the cell: go on with the first one not yet
        // visited, which keeps the cell's order.
        o = cell.First();
        while (o && o->walkMark == mark) o = o->gridlink.next;
        unmarked = o;
    }
}

void TPhysics::MeasureCells() {
    const int span = GridSpan();
    for (int cx = 0; cx < span; ++cx) {
        for (int cy = 0; cy < span; ++cy) {
            TGridCell& cell = shiftgrid[cx][cy];
            TCellBounds& bounds = cellBounds_[cx][cy];
            bounds.Clear();
            for (TMass* o = cell.First(); o; o = o->gridlink.next) Include(bounds, o);
        }
    }
    boundsValid_ = true;
}

void TPhysics::CollideThroughGrid(TMass* m, bool bounded) {
    // A hook may have made another world current.
    const auto [gx, gy] = Rebin(m, currentWorld.Get());
    // Bounds, m's new place and its moves since the bounds were measured.
    if (bounded) IncludeInCell(m);
    TReach reach(m->posX, m->posY, m->radius);
    const int span = GridSpan();
    const int x0 = gx > 0 ? gx - 1 : 0, x1 = gx + 1 < span ? gx + 1 : span - 1;
    const int y0 = gy > 0 ? gy - 1 : 0, y1 = gy + 1 < span ? gy + 1 : span - 1;
    for (int cx = x0; cx <= x1; ++cx) {
        for (int cy = y0; cy <= y1; ++cy) {
            TGridCell& cell = shiftgrid[cx][cy];
            // A walk of a cell out of reach (which an emptied cell is) or of
            // an empty one would find no contact.
            if (bounded ? cellBounds_[cx][cy].OutOfReach(reach) : cell.IsEmpty()) continue;
            WalkCell(m, cell, bounded);
            if (!m->InWorld()) return;
            if (bounded) reach = TReach(m->posX, m->posY, m->radius); // m may have moved
        }
    }
}

} // namespace kel::tangle
