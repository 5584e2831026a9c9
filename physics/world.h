#pragma once
// TPhysics: the world's settings and the simulation step, plus the module-wide
// lists of everything that takes part in the simulation.

#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "core/list.h"
#include "core/object.h"
#include "physics/contact_change.h"
#include "physics/query.h"
#include "physics/task_system.h"
#include "physics/view.h"
#include "physics/world_def.h"

namespace kel::tangle {

class TBody;
class TConstraint;
class TMass;
class TPhysics;
class TWorldSnapshot;

namespace detail {
class TContactTracker;
class TGrid;
class TStepper;
struct TStepAccess;
} // namespace detail

// The current world and its lists are the calling thread's: each thread
// has its own current world (none until it makes or chooses one), so a
// thread that builds and steps a world of its own shares nothing with
// another thread doing the same, and needs no lock. The static interface,
// TMass::AddRef, zones and constraints entering the world, and the
// collision queue's calls all act on the calling thread's current world.

/// The calling thread's current world, or none before its first Create,
/// after Free, and on a thread that has not chosen one (MakeCurrent).
extern thread_local core::Ref<TPhysics> currentWorld;
/// The current world's masses taking part in the simulation, in the order
/// they entered; absent (none) while there is no current world.
extern thread_local core::Ref<core::TList> massList;
/// The current world's constraints taking part in the simulation, in the
/// order they entered; absent (none) while there is no current world.
extern thread_local core::Ref<core::TList> constraintList;
/// The current world's zones taking part in the simulation, in the order
/// they entered; absent (none) while there is no current world.
extern thread_local core::Ref<core::TList> zoneList;

/// A world: its bounds, gravity and friction, the collision grid, its lists
/// of masses, constraints and zones, its collision queue, and the step that
/// moves everything in its lists. A program may hold any number of worlds; a
/// world lives as long as a reference to it does (the calling thread's
/// currentWorld is one). The static functions work on the calling thread's
/// current world and do nothing (returning 0) without one; the member
/// functions (Step, the queries, Snapshot, Save, Load) work on their own
/// world, current or not. The view fields and functions come from TWorldView.
class TPhysics : public core::Object, public TWorldView {
  public:
    /// The most cells the collision grid has along each axis.
    static constexpr int MAX_GRID = 64;

    /// Right edge of the bounds, world units.
    float boundsMaxX = 0;
    /// Bottom edge of the bounds, world units.
    float boundsMaxY = 0;
    /// Left edge of the bounds, world units.
    float boundsMinX = 0;
    /// Top edge of the bounds, world units.
    float boundsMinY = 0;
    /// Friction of the bounds, averaged with a mass's own where it touches them.
    float friction = 1.0f;
    /// Horizontal gravity, world units per step squared.
    float gravityX = 0;
    /// Vertical gravity, world units per step squared.
    float gravityY = 0;
    int i = 0; ///< relaxation passes per Update
    /// Non-zero finds contacts through the collision grid; 0 tests every pair
    /// of masses (see UseShiftedGrid).
    int gridon = 0;
    /// The collision grid: a list of masses per cell, MAX_GRID x MAX_GRID
    /// cells made with the world. Its class is internal to the library.
    const std::unique_ptr<detail::TGrid> shiftgrid;
    /// Cells in use along each axis (see SetGridSize and GridSpan).
    int gridsize = 0;
    /// Grid cells per world unit, horizontally.
    float ratiox = 0;
    /// Grid cells per world unit, vertically.
    float ratioy = 0;
    /// The solver's mode (see SetStacking): 0 is the step as it always was,
    /// 1 lets deep piles come to rest, 2 solves the constraints together so
    /// that soft bodies do not turn themselves, 3 is both. 0 by default.
    int stacking = 0;
    /// Sleeping: off while sleepSpeed is 0 (see SetSleep). Otherwise the
    /// speed, world units per step, below which a mass counts as still.
    float sleepSpeed = 0;
    /// Steps in a row an island must stay still before it sleeps (see SetSleep).
    int sleepSteps = 0;
    /// Non-zero sweeps fast masses along their way (see SetContinuous).
    int continuous = 0;

    /// Becomes the calling thread's current world, with lists of its own,
    /// empty. It takes on the thread's collision queue mode
    /// (TColEvent::colMode) and automatic group counter (nextColGroup) as
    /// they are, so that one world after another on a thread continues them.
    TPhysics();
    /// Its masses, constraints and zones leave it (they are in no world
    /// then), and its grid leaves its masses in no cell.
    ~TPhysics() override;
    TPhysics(const TPhysics&) = delete;
    TPhysics& operator=(const TPhysics&) = delete;

    /// Makes a world bounded by (0, 0) and (right, bottom), world units, with
    /// gravity in world units per step squared, `iterations` relaxation passes
    /// per step and bounds friction 1, and makes it the calling thread's
    /// current world. The previous current world is no longer current: it
    /// ends with its last reference, as a world the program does not hold. Its contact grid (8 x 8 cells) is off:
    /// every pair of masses is tested until UseShiftedGrid(1) or
    /// SetCellSize turns it on. Note the order: vertical
    /// gravity before horizontal. None, and the current world stays, when a
    /// number is not finite.
    static core::Ref<TPhysics> Create(float right, float bottom, float gravityY, float gravityX,
                                      int iterations);
    /// Sets the gravity, world units per step squared; horizontal first here.
    /// Returns 0; does nothing without a world. -1 (nothing changed) for a
    /// value that is not finite.
    static int SetGravity(float gx, float gy);
    /// Sets the relaxation passes per step. Returns 0; does nothing without a world.
    static int SetIterations(int n);
    /// Sets the bounds to the box of two corners, world units, in any order.
    /// The grid's cell size does not follow: call SetGridSize afterwards.
    /// Cells of SetCellSize keep their width and cover the new bounds.
    /// Returns 0; does nothing without a world. -1 (nothing changed) for a
    /// value that is not finite.
    static int SetBounds(float x1, float y1, float x2, float y2);
    /// Writes the bounds, world units; all 0 without a world. Returns 0.
    static int GetBounds(float& minX, float& minY, float& maxX, float& maxY);
    /// Sets the friction of the bounds. Returns 0; does nothing without a world.
    /// -1 (nothing changed) for a value that is not finite.
    static int SetFriction(float f);
    /// Non-zero finds contacts through the collision grid, 0 tests every pair
    /// of masses. Returns 0; does nothing without a world.
    static int UseShiftedGrid(int flag);
    /// Sets the cells along each axis, clamped to 8 ... MAX_GRID, and fits
    /// them to the current bounds. Returns 0; does nothing without a world.
    static int SetGridSize(int n);
    /// Makes the contact grid's cells `width` world units wide and high, as
    /// many as the bounds need, counted from their top-left corner, instead of
    /// the at most MAX_GRID x MAX_GRID of SetGridSize; masses outside the
    /// bounds stand in the edge cells. Only cells that masses stand in take
    /// memory, so a world of any size costs what its masses cost. About 3
    /// times the largest radius is a good width: a cell must be at least as
    /// wide as the widest touching pair (twice the largest radius) plus what
    /// a mass moves in a step, or contacts are missed (nothing clamps it);
    /// wider cells hold more masses to test. The cells follow SetBounds. Every mass of the world is
    /// put into its new cell at once. A width above 0 also turns the grid on
    /// (UseShiftedGrid), as asking for its cells means using them; 0 (or a
    /// negative width) goes back to the grid of SetGridSize, on or off as it
    /// is. Returns 0; does nothing without a world or when called from
    /// inside a step. -1 (nothing changed) for a width that is not finite.
    static int SetCellSize(float width);
    /// The current world's cell width (SetCellSize), world units; 0 while it
    /// uses the grid of SetGridSize, and without a world.
    static float GetCellSize();
    /// Sets the solver's mode (TStackingMode names them). Mode 1 (stable stacking) makes resting contact converge without
    /// pumping energy into a pile: each step runs as 4 small steps, contacts stop masses but never
    /// throw them, and of two touching masses the lower (along gravity)
    /// counts double. It costs about 4 steps of mode 0 and changes results.
    /// Mode 2 (soft bodies) solves the constraints together: in each pass every
    /// constraint works from the same positions and each mass moves by the mean
    /// of what its constraints ask, so the order a body was built in cannot
    /// make it turn or roll on its own; constraints converge more slowly, so
    /// bodies are a little softer for the same stiffness. Mode 3 is both.
    /// Mode 0, the default, is the step bit for bit as it always was. Other
    /// values count as 0. Returns 0; does nothing without a world.
    static int SetStacking(int mode);
    /// The current world's stacking mode, 0 without a world.
    static int GetStacking();
    /// Lets islands of masses come to rest and cost nothing until disturbed.
    /// An island is a set of free masses joined by constraints or touching;
    /// when every mass of one moved less than `speed` units per step for
    /// `steps` steps in a row, it sleeps: it is no longer integrated, held in
    /// the bounds or walked for contacts, and raises no events among its
    /// masses. It wakes when an awake mass touches it, when a mass or
    /// constraint of it leaves the world, when the API moves one of its
    /// masses, sets or adds a velocity, freezes or thaws it, or changes a rest
    /// length, and when a zone is added, removed or changed. Writing fields
    /// directly wakes nothing. A speed of 0 (the default, also for a
    /// negative speed) turns sleeping off and wakes every island; steps below
    /// 1 count as 1. Returns 0; does nothing without a world. -1 (nothing
    /// changed) for a speed that is not finite.
    static int SetSleep(float speed, int steps);
    /// Continuous collision: with `on` non-zero, a mass that moves farther
    /// than half its radius in a pass is swept from where it was to where it
    /// is, and stops at the first zone or frozen mass its disc touches on the
    /// way, where that contact happens (response, friction, events and hooks
    /// as ever); bullets (TMass::SetBullet) are swept against every mass.
    /// Nothing fast then passes through a wall, however thin. Slow masses
    /// cost nothing more. Off (0) for a world of the positional Create, which
    /// keeps the step bit for bit as it always was; on for a world of a
    /// TWorldDef unless its `continuous` is false. Returns 0; does nothing
    /// without a world.
    static int SetContinuous(int on);
    /// 1 while the current world collides continuously, 0 otherwise.
    static int GetContinuous();
    /// How many times a step of the current world found a mass whose
    /// position or velocity was not a finite number (written by a hook, a
    /// response or straight into its fields) and took it out of the step:
    /// put back where it last was finite, at rest, and frozen. A position
    /// written into the fields between steps leaves nothing finite to go
    /// back to: such a mass is put in the middle of the world's bounds. 0
    /// without a world.
    static int NonFiniteCount();
    /// Masses in the current world that are not asleep (frozen ones count as
    /// awake); 0 without a world.
    static int AwakeCount();
    /// Steps the current world on n threads, the caller's included (clamped
    /// to 1 ... 64; 2 to the number of cores is typical). n = 1, the
    /// default, is the step bit for bit as it always was, on the calling
    /// thread alone. From n = 2 on, the passes in which no program code can
    /// run (no collision hook, no zone response of the program's own) sweep
    /// the grid in strips of columns, the even strips at once, then the odd
    /// ones; their results differ from the one-thread step but are the same,
    /// bit for bit and event for event, for any n >= 2 and any task system.
    /// Hooks and responses always run on the calling thread: a pass that may
    /// run them, a world without the grid, and a world where some island
    /// sleeps step as with n = 1. Unless a task system is set
    /// (SetTaskSystem), n - 1 threads of the library's own are started here,
    /// parked between steps and stopped by SetThreads(1), Free or the
    /// world's end. Returns 0; does nothing without a world.
    static int SetThreads(int n);
    /// The current world's thread count (1 when it steps on the calling
    /// thread alone, and without a world).
    static int GetThreads();
    /// Lends the current world the program's own task system (task_system.h)
    /// for its steps on several threads, instead of threads of its own; a
    /// system whose enqueue or finish is null gives the library's pool back.
    /// The thread count (SetThreads) still turns the schedule on and off.
    /// Returns 0; does nothing without a world.
    static int SetTaskSystem(const TTaskSystem& system);
    /// Advances the current world by one step: integration under gravity,
    /// the relaxation passes, bounds, zones and contacts, with their events.
    /// Returns 0; does nothing without a world, or when a hook calls it from
    /// inside a step.
    static int Update();
    /// Ends the current world: its settings go to 0, its lists are dropped
    /// (its masses, constraints and zones leave it) and the calling thread
    /// has no current world. Returns 0; does nothing without a world.
    static int Free();

    // The world as an object. A program that holds several worlds steps,
    // queries, saves and restores each through these, whether or not it is
    // current; the static functions above are the same calls on the current
    // world.

    /// Makes this world the calling thread's current world: the static
    /// functions, massList, constraintList, zoneList, the collision queue's
    /// calls, TColEvent::colMode and nextColGroup are then this world's on
    /// this thread. A world may be current on one thread and stepped on
    /// another, but not stepped, changed or queried on two threads at once.
    /// Returns 0.
    int MakeCurrent();
    /// Whether this world is the calling thread's current world.
    bool IsCurrent() const { return currentWorld.Get() == this; }
    /// Advances this world by one step, as Update does for the current one.
    /// For the length of the step this world is the calling thread's current
    /// world, so that hooks and zone responses that call the static
    /// interface (or make masses) act on the world that is stepping; the
    /// thread's current world is put back afterwards, unless a hook chose
    /// another. Returns 0; does nothing when called from inside its own step.
    int Step();
    /// ContactBegins of this world.
    const std::vector<TContactChange>& ContactsBegun();
    /// ContactEnds of this world.
    const std::vector<TContactChange>& ContactsEnded();
    /// This world's masses in the order they entered (what massList is
    /// while the world is current); none after Free.
    core::TList* Masses() const { return masses_.Get(); }
    /// This world's constraints in the order they entered; none after Free.
    core::TList* Constraints() const { return constraints_.Get(); }
    /// This world's zones in the order they entered; none after Free.
    core::TList* Zones() const { return zones_.Get(); }

    /// RayCast on this world.
    bool CastRay(float x1, float y1, float x2, float y2, TRayHit& hit,
                 const TQueryFilter& filter = {}) const;
    /// RayCastAll on this world.
    int CastRayAll(float x1, float y1, float x2, float y2, TRayVisit visit,
                   const TQueryFilter& filter = {}) const;
    /// QueryBox on this world.
    int OverlapBox(float x1, float y1, float x2, float y2, TQueryVisit visit,
                   const TQueryFilter& filter = {}) const;
    /// QueryPoint on this world.
    int OverlapPoint(float x, float y, TQueryVisit visit, const TQueryFilter& filter = {}) const;
    /// NearestMass on this world.
    TMass* ClosestMass(float x, float y, float reach, float& distance,
                       const TQueryFilter& filter = {}) const;

    /// TakeSnapshot of this world.
    [[nodiscard]] core::Ref<TWorldSnapshot> Snapshot(const std::vector<TBody*>& bodies = {});
    /// RestoreSnapshot into this world.
    int Restore(TWorldSnapshot* snapshot);
    /// SaveWorld of this world.
    int Save(const std::string& url, int backup, const std::vector<TBody*>& bodies = {});
    /// LoadWorld into this world, current or not: everything in it is
    /// replaced by the file's objects.
    [[nodiscard]] core::Ref<TWorldSnapshot> Load(const std::string& url, std::string& error);
    /// The world file of this world and `bodies`, as SaveWorld writes it,
    /// in memory: a copy of a world to hand to another thread. Empty from
    /// inside a step.
    std::vector<unsigned char> SaveToMemory(const std::vector<TBody*>& bodies = {});
    /// Load from a world file in memory (SaveToMemory).
    [[nodiscard]] core::Ref<TWorldSnapshot> LoadFromMemory(const std::vector<unsigned char>& bytes,
                                                           std::string& error);

    // Queries: what lies where, asked of the current world's masses and zones
    // (physics/query.h). They read the collision grid and each zone's
    // quadtree where they can and change nothing. With the grid on they
    // assume what the contact search does: no mass reaches further, radius
    // plus how far it moved since the step last put it in its cell, than
    // half the narrower side of a cell (a validating build checks it); with
    // it off they look at every mass. Without a world they find nothing.

    /// The first mass (its whole disc) or zone edge that the segment from
    /// (x1, y1) to (x2, y2), world units, meets; writes it to `hit` and
    /// returns true, or returns false and leaves `hit` as it was. A segment
    /// starting inside a disc hits it at fraction 0. Ties along the ray go
    /// to masses before zones, then to the earlier in the world's list.
    static bool RayCast(float x1, float y1, float x2, float y2, TRayHit& hit,
                        const TQueryFilter& filter = {});
    /// Every mass and zone the segment meets, each once at its first point,
    /// in order along the ray (ties as RayCast), until `visit` returns false.
    /// Returns the hits visited.
    static int RayCastAll(float x1, float y1, float x2, float y2, TRayVisit visit,
                          const TQueryFilter& filter = {});
    /// Every mass whose disc and every zone whose solid matter overlaps the
    /// box of two corners (any order), edges and touching included, until
    /// `visit` returns false: masses first, in no set order, then zones in
    /// list order. A FILL zone's matter is its polygon, a HOLE's everything
    /// outside it (edges included), a LINE's or LOOP's only its outline.
    /// Returns the things visited.
    static int QueryBox(float x1, float y1, float x2, float y2, TQueryVisit visit,
                        const TQueryFilter& filter = {});
    /// Every mass whose disc and every zone whose matter (as for QueryBox)
    /// holds the point (x, y): exactly what QueryBox finds for the box of
    /// that one point. A LINE or LOOP holds only the points of its outline.
    /// Returns the things visited.
    static int QueryPoint(float x, float y, TQueryVisit visit, const TQueryFilter& filter = {});
    /// The mass nearest to (x, y) whose edge (centre distance minus radius)
    /// is within `reach` world units, or null; writes that edge distance
    /// (negative inside the disc) to `distance`, unchanged when none. A mass
    /// counts as within reach when its squared centre distance is at most
    /// (reach + radius) squared, so a negative reach asks for the point to
    /// lie that deep inside. Ties of the edge distance go to the smaller
    /// squared centre distance, then to the earlier in the world's list; of
    /// masses with one radius that is the nearest centre.
    static TMass* NearestMass(float x, float y, float reach, float& distance,
                              const TQueryFilter& filter = {});

    // A world made from a definition, and contacts that begin and end.

    /// Makes a world from named settings (see TWorldDef for each and its
    /// default) and makes it current, as the five-argument Create does; the
    /// grid is on (unless def.grid is false) with cells at least twice
    /// def.largestRadius wide. None, and the current world stays, when a
    /// number of the definition is not finite.
    static core::Ref<TPhysics> Create(const TWorldDef& def);
    /// Starts (non-zero) or stops (0) comparing each step's touching pairs
    /// with the step before's, for ContactBegins and ContactEnds. Off by
    /// default, when it costs nothing. The first step after it starts
    /// reports every touching pair as beginning; stopping forgets every pair.
    /// Works whatever TColEvent::colMode is. Returns 0; does nothing without
    /// a world.
    static int TrackContacts(int on);
    /// 1 while contacts are tracked (TrackContacts, TWorldDef::trackContacts
    /// or a call of ContactBegins or ContactEnds), 0 otherwise.
    static int TracksContacts();
    /// The pairs (mass and mass, mass and zone, mass and bounds) that began
    /// touching in the last step and had not touched in the step before, in
    /// the order the step met them. A pair merges every contact of the step,
    /// over all its passes. Pairs asleep (SetSleep) neither begin nor end
    /// while they sleep; a hook that keeps a contact out of the queue keeps
    /// it out of here too. The list and the objects it holds stay valid until
    /// the next Update, TrackContacts, Free or Create. Without tracking, the
    /// first call starts it and answers an empty list; without a world, empty.
    static const std::vector<TContactChange>& ContactBegins();
    /// The pairs that touched in the step before the last and no longer
    /// touched in the last step, with their last contact point, in the order
    /// the step before met them; a pair whose mass or zone left the world
    /// ends too. Valid, and started, as ContactBegins.
    static const std::vector<TContactChange>& ContactEnds();

    // Snapshots and world files (physics/snapshot.h).
    /// The current world as it is now, exact to the bit (see TWorldSnapshot): restoring it and
    /// stepping gives what stepping from here gives. `bodies` are recorded too (their constraint
    /// lists, tables and rigs); the world itself does not know its bodies. Costs about a tenth
    /// of a step of the same world. None without a world or from inside a step.
    [[nodiscard]] static core::Ref<TWorldSnapshot>
    TakeSnapshot(const std::vector<TBody*>& bodies = {});
    /// Puts the current world back as the snapshot has it, in place: its objects get back their
    /// fields and their places in the lists, and whatever entered the world since leaves it.
    /// Hooks and zone responses stay as they are now; the collision queue is emptied. Returns 0;
    /// -1 (nothing changed) without a world or a snapshot, or from inside a step.
    static int RestoreSnapshot(TWorldSnapshot* snapshot);
    /// Writes the current world and `bodies` to a world file (.tnw, appended to a url without
    /// an extension), pictures inside, through a temporary file; with `backup`, an existing
    /// file is first copied to url + ".bak". Returns 0 when written; -1 when not (no world, a call
    /// from inside a step, a folder that does not exist, a full disk, a url that names a folder),
    /// which leaves the old file as it was.
    static int SaveWorld(const std::string& url, int backup,
                         const std::vector<TBody*>& bodies = {});
    /// Reads a world file and makes it the current world (one is made if there is none),
    /// replacing everything in it; its bodies are the returned snapshot's, which must be kept
    /// (or the bodies themselves) for as long as their constraints are to stay in the world.
    /// None when the file cannot be read, with the reason in `error`; the current world is then
    /// left as it was.
    [[nodiscard]] static core::Ref<TWorldSnapshot> LoadWorld(const std::string& url,
                                                             std::string& error);
    /// The same without the reason.
    [[nodiscard]] static core::Ref<TWorldSnapshot> LoadWorld(const std::string& url);

    /// The cells in use along each axis: gridsize, kept within the grid
    /// whatever was written to the field.
    int GridSpan() const { return gridsize < 0 ? 0 : (gridsize > MAX_GRID ? MAX_GRID : gridsize); }
    /// The cells across the grid in use: GridSpan(), or with SetCellSize as
    /// many as cover the bounds.
    int SpanX() const { return cellSize_ > 0 ? cellSpanX_ : GridSpan(); }
    /// The cells down the grid in use (see SpanX).
    int SpanY() const { return cellSize_ > 0 ? cellSpanY_ : GridSpan(); }
    /// The cell of a position along one axis: floor(pos * ratio) clamped to
    /// 0 ... GridSpan() - 1; a product that is not finite gives cell 0. With
    /// SetCellSize, floor((pos - left) / width) clamped to 0 ... SpanX() - 1.
    int CellX(float x) const {
        return cellSize_ > 0 ? CellOf(x - cellLeft_, cellRatio_, cellSpanX_)
                             : CellOf(x, ratiox, GridSpan());
    }
    /// The same for a vertical position.
    int CellY(float y) const {
        return cellSize_ > 0 ? CellOf(y - cellTop_, cellRatio_, cellSpanY_)
                             : CellOf(y, ratioy, GridSpan());
    }
    /// Where the cells start along each axis and how many there are per
    /// world unit: (0, 0) and ratiox, ratioy for the grid of SetGridSize, the
    /// bounds' top-left corner and 1 / width for SetCellSize.
    float CellLeft() const { return cellSize_ > 0 ? cellLeft_ : 0.0f; }
    /// See CellLeft.
    float CellTop() const { return cellSize_ > 0 ? cellTop_ : 0.0f; }
    /// See CellLeft.
    float CellRatioX() const { return cellSize_ > 0 ? cellRatio_ : ratiox; }
    /// See CellLeft.
    float CellRatioY() const { return cellSize_ > 0 ? cellRatio_ : ratioy; }

  private:
    friend struct detail::TStepAccess;

    // Makes `w` (or none) the calling thread's current world, keeping the
    // queue mode and group counter of the world that stops being current.
    static void SetCurrent(TPhysics* w);
    class TCurrentScope;
    // Drops the lists: their members leave the world.
    void DropLists();
    // A world file read, not yet in any world; none when unreadable.
    static core::Ref<TWorldSnapshot> ReadWorldFile(const std::string& url, std::string& error);
    // False, with the reason, from inside the world's step.
    bool Loadable(std::string& error) const;
    // Puts what a world file held into this world.
    core::Ref<TWorldSnapshot> Apply(const core::Ref<TWorldSnapshot>& read, std::string& error);

    // The lists; while the world is current on a thread, that thread's
    // massList, constraintList and zoneList point to them too.
    core::Ref<core::TList> masses_, constraints_, zones_;
    // The queue mode and automatic group counter while the world is not
    // current (while it is, TColEvent::colMode and nextColGroup hold them).
    int colMode_;
    int nextColGroup_;

    // Lays the grid out anew for the cell size and the bounds as they are,
    // every mass in no cell; `rebin` then puts every mass of the world into
    // its cell, in list order.
    void FitCells(bool rebin = true);
    // The bounds the cells of SetCellSize were laid out for still hold.
    bool CellsFitBounds() const {
        return cellSize_ <= 0 ||
               (fittedBounds_[0] == boundsMinX && fittedBounds_[1] == boundsMinY &&
                fittedBounds_[2] == boundsMaxX && fittedBounds_[3] == boundsMaxY);
    }

    // The cells of SetCellSize; 0 for the grid of SetGridSize.
    float cellSize_ = 0;
    float cellLeft_ = 0, cellTop_ = 0, cellRatio_ = 0;
    int cellSpanX_ = 0, cellSpanY_ = 0;
    float fittedBounds_[4] = {0, 0, 0, 0};

    static int CellOf(float pos, float ratio, int span) {
        // An infinite ratio (zero-width bounds) puts everything into cell 0.
        // From 0 up, truncation is floor; floor(p) > span - 1 exactly when
        // p >= span.
        const float p = pos * ratio;
        if (!(p >= 0) || p == std::numeric_limits<float>::infinity()) return 0;
        if (p >= static_cast<float>(span)) return span - 1;
        return static_cast<int>(p);
    }

    // The step's phases and the caches it keeps from step to step.
    const std::unique_ptr<detail::TStepper> stepper_;
    // Made when contacts are first tracked; lives as long as the world, so
    // that a hook may stop tracking from inside the step it wraps.
    std::unique_ptr<detail::TContactTracker> contactTracker_;
    detail::TContactTracker* StartedTracker();
};

} // namespace kel::tangle
