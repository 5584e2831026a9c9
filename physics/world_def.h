#pragma once
// TWorldDef: everything a world is made with, by name, for
// TPhysics::Create(const TWorldDef&).

namespace kel::tangle {

/// The solver's modes (TPhysics::SetStacking, TWorldDef::stacking).
enum TStackingMode : int {
    /// The step as it always was, bit for bit.
    STACKING_PLAIN = 0,
    /// Deep piles come to rest: each step runs as 4 small steps and contacts
    /// stop masses but never throw them.
    STACKING_STABLE = 1,
    /// Constraints solved together, each mass moved by the mean of what its
    /// constraints ask: soft bodies do not turn or roll on their own.
    STACKING_TOGETHER = 2,
    /// Both.
    STACKING_STABLE_TOGETHER = 3,
};

/// The settings of a new world, by name. Fill in what differs from the
/// defaults and pass it to TPhysics::Create:
///
///     TWorldDef def;
///     def.right = 800;
///     def.largestRadius = 12;
///     TPhysics::Create(def);
///
/// The defaults make a 640 x 480 world with a gravity of 0.1 downwards,
/// 4 passes, the contact grid on for masses of radius up to 10, solver mode 0
/// (the step as it always was), continuous collision, and neither sleeping nor contact tracking.
/// A number that is not finite (NaN or an infinity) in any field makes Create give none.
struct TWorldDef {
    ///@{
    /// The bounds, world units: left, top, right and bottom edges. Masses are
    /// kept inside them; y grows downwards.
    float left = 0, top = 0, right = 640, bottom = 480;
    ///@}
    ///@{
    /// Gravity, world units per step squared, horizontal then vertical; a
    /// positive gravityY pulls down. 0.05 ... 0.5 is typical at 60 steps a
    /// second.
    float gravityX = 0, gravityY = 0.1f;
    ///@}
    /// Relaxation passes per step: more make constraints stiffer and piles
    /// firmer, at a cost in time. 1 ... 10 is typical.
    int passes = 4;
    /// Friction of the bounds, averaged with a mass's own where it touches them.
    float friction = 1.0f;
    /// Whether contacts between masses are searched through the contact
    /// grid (true) or pair by pair (false, quadratic in the masses).
    bool grid = true;
    /// The largest radius, world units, of any mass the world will hold. The
    /// grid's cells are made as small as they can be while still at least
    /// twice this wide, with at most TPhysics::MAX_GRID along each side; a
    /// mass larger than this may miss contacts. 0 or less gives the finest
    /// grid.
    float largestRadius = 10;
    /// The width and height of the contact grid's cells, world units, for a
    /// grid of any size (see TPhysics::SetCellSize); 0, the default, sizes
    /// the grid from largestRadius. Worth it for worlds wider than about 64
    /// cells of twice the largest radius.
    float cellSize = 0;
    /// The solver's mode (TStackingMode), STACKING_PLAIN by default (see
    /// TPhysics::SetStacking).
    int stacking = STACKING_PLAIN;
    /// Sleeping: the speed, world units per step, below which a mass counts
    /// as still; 0 leaves sleeping off (see TPhysics::SetSleep).
    float sleepSpeed = 0;
    /// Steps in a row an island must stay still before it sleeps.
    int sleepSteps = 30;
    /// Continuous collision (see TPhysics::SetContinuous): a fast mass is
    /// swept along its way, so that it cannot pass through a zone or a wall
    /// of frozen masses. On by default; false gives the step of the
    /// positional Create.
    bool continuous = true;
    /// Whether TPhysics::ContactBegins and ContactEnds are answered from the
    /// first step (see TPhysics::TrackContacts).
    bool trackContacts = false;
};

} // namespace kel::tangle
