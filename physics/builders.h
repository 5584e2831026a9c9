#pragma once
// Builders: ropes, cloth, jellies, pressure blobs and bodies of any outline
// in one call each, so
// that a program does not tie every shape together mass by mass.
//
// Each builder takes a definition whose fields all have defaults (set the
// few that matter, leave the rest) and returns a TAdvBody whose tables
// number the parts in a fixed, documented order, so that a program can
// address them (freeze a corner, read a ring's area). The body is not
// activated: call Activate() to bring it into the world. Definitions that
// cannot make a shape (too few masses, a negative size, a number that is
// not finite, more than 16 million masses) give none.

#include <vector>

#include "core/object.h"
#include "physics/advbody.h"

namespace kel::tangle {

/// What the masses and links of a built shape are made of.
struct TMaterial {
    /// The mass of each mass (not of the whole shape); above 0.
    float mass = 1;
    /// The radius of each mass, world units; 0 or more.
    float radius = 4;
    /// Friction of each mass, 0 ... 1 (clamped by the mass).
    float friction = 0.5f;
    /// Per-pass stiffness of the links, 0 ... 1: the share of its error a link corrects in each
    /// relaxation pass (1 corrects it all; how firm the shape is then depends on the world's
    /// passes).
    float stiffness = 1;
    /// Collision group of every mass. -1 (the default) takes one fresh automatic group
    /// (TakeAutoColGroup) for the whole shape, so its masses never collide with each other; 0
    /// collides with nothing; any other value is used as it is.
    int colGroup = -1;
    /// A compliance of 0 or more makes the links springs of the material instead (see
    /// TConstraint::SetCompliance; 0 is rigid, 0.01 ... 0.1 firm rubber, 1 ... 10 soft jelly for
    /// masses of 1), and `stiffness` is unused. Negative (the default): the per-pass stiffness.
    float compliance = -1;
    /// With a compliance: the damping ratio of the links' springs (see
    /// TConstraint::SetCompliance): 0 lets a soft shape ring on, 1 (the default) is about
    /// critical, so it settles.
    float damping = 1;
};

/// A rope or chain: masses in a straight line between two points, each tied to the next.
///
/// Numbering: mass k (0 ... count - 1) runs from the start (x1, y1) to the end (x2, y2);
/// constraint k joins masses k and k + 1, at their distance as built.
struct TRopeDef {
    ///@{
    /// The start, world units.
    float x1 = 0, y1 = 0;
    ///@}
    ///@{
    /// The end, world units.
    float x2 = 100, y2 = 0;
    ///@}
    /// The masses, 2 or more. 0 (the default) takes the count from segmentLength.
    int count = 0;
    /// With count 0: the longest a link may be, world units (above 0); the rope gets the fewest
    /// masses whose links are no longer, and at least 2.
    float segmentLength = 10;
    /// Freezes the first mass (slot 0): the start stays where it is.
    bool freezeStart = false;
    /// Freezes the last mass (slot count - 1).
    bool freezeEnd = false;
    /// An open skin along the rope (see TConstraint::CreateSkin), the constraint after the links:
    /// nothing slips between its masses.
    bool skin = false;
    /// The masses and links.
    TMaterial material;
};

/// A cloth: a grid of columns x rows masses, `spacing` apart, hanging from its top row.
///
/// Numbering: mass (c, r), column c from the left and row r from the top, is slot
/// r * columns + c. The constraints come in three blocks. First the grid's own links, mass by
/// mass in slot order: the link to the right neighbour, then the one to the neighbour below
/// ((columns - 1) * rows + columns * (rows - 1) in all). Then, with `shear`, two diagonals per
/// cell, cell by cell in slot order of its top-left mass: top-left to bottom-right, then top-right
/// to bottom-left. Then, with `bend`, mass by mass: the link to the mass two to the right, then
/// the one two below.
struct TClothDef {
    ///@{
    /// The top-left mass, world units; y grows downwards.
    float x = 0, y = 0;
    ///@}
    /// Masses across, 1 or more.
    int columns = 10;
    /// Masses down, 1 or more; columns x rows must be 2 or more.
    int rows = 10;
    /// The distance between neighbours, world units; above 0.
    float spacing = 10;
    /// Freezes the top row (slots 0 ... columns - 1): the cloth hangs from it.
    bool pinTop = true;
    /// Diagonal links in every cell, which keep the cloth from shearing.
    bool shear = false;
    /// Links that skip one mass along rows and columns, which make the cloth resist folding.
    bool bend = false;
    /// A skin round the cloth's edge (see TConstraint::CreateSkin), the last constraint: the top
    /// row left to right, the right column down, the bottom row back and the left column up, closed
    /// (open for a cloth of one row or column).
    bool skin = false;
    /// The masses and every link.
    TMaterial material;
};

/// A jelly: a ring of `rim` masses round a centre mass, held in shape by its inner links.
///
/// Numbering: the centre is mass 0 and the rim masses are 1 ... rim, the k-th (from 0) at the
/// angle 360 * k / rim degrees from the +x axis (clockwise on screen, as y grows downwards). With
/// the MESH interior, an inner ring at half the radius follows: masses rim + 1 ... 2 * rim, the
/// k-th at the angle of rim mass k. Constraints come in one block per rim mass k, in order: the
/// rim link to rim mass k + 1; with braces, the brace to rim mass k + 2; the spoke from the
/// centre; and with MESH, the link to inner mass k, the diagonal to inner mass k + 1, the inner
/// ring's link from inner mass k to k + 1, and the spoke from inner mass k to the centre. (Rim
/// and inner masses count round modulo rim.)
struct TJellyDef {
    /// How the inside of a jelly holds the rim.
    enum Interior {
        /// A link from every rim mass to the centre: light and springy.
        SPOKES,
        /// The spokes, and an inner ring at half the radius tied to the rim in triangles and to
        /// the centre by spokes of its own: firmer, and it keeps its roundness better under a
        /// load. With a per-pass stiffness it wants 4 or more passes a step: at fewer, a hard
        /// landing can fold it flat. Springs of the material (a compliance) hold at any count.
        MESH,
    };
    ///@{
    /// The centre, world units.
    float x = 0, y = 0;
    ///@}
    /// The rim's radius, world units; above 0.
    float radius = 30;
    /// Masses on the rim, 3 or more; 12 ... 24 look round.
    int rim = 16;
    /// The inside.
    Interior interior = SPOKES;
    /// Ties each rim mass to the one after next too, which keeps the rim from folding in. Only
    /// with 5 or more rim masses: with fewer the braces would repeat other links.
    bool braces = true;
    /// The masses, and the rim links and braces.
    TMaterial material;
    /// Per-pass stiffness (0 ... 1) of the inner links.
    float innerStiffness = 1;
    /// Compliance of the inner links (see TMaterial::compliance); negative uses innerStiffness.
    /// They take the material's damping.
    float innerCompliance = -1;
    /// A closed skin over the rim (see TConstraint::CreateSkin), the last constraint: nothing
    /// gets inside the jelly, or between its rim masses.
    bool skin = false;
};

/// A pressure blob: a ring of masses tied to its neighbours, and a pressure constraint that
/// pushes the ring outwards while it encloses less than its rest area, like a balloon.
///
/// Numbering: rim mass k (0 ... rim - 1) at the angle 360 * k / rim degrees from the +x axis;
/// constraint k joins rim masses k and k + 1 (modulo rim), and constraint rim is the pressure
/// constraint.
struct TBlobDef {
    ///@{
    /// The centre, world units.
    float x = 0, y = 0;
    ///@}
    /// The ring's radius, world units; above 0.
    float radius = 30;
    /// Masses on the ring, 3 or more; 16 ... 32 look round.
    int rim = 24;
    /// The area the pressure holds, square world units; 0 or less (the default) takes the ring's
    /// area as built (a little less than pi x radius squared).
    float restArea = 0;
    /// Per-pass stiffness of the pressure, 0 ... 1: the share of the missing area each pass
    /// restores.
    float pressure = 1;
    /// Compliance of the pressure (square world units of area per unit of pressure; see
    /// TConstraint::SetCompliance), with the material's damping; negative (the default) uses
    /// `pressure`.
    float pressureCompliance = -1;
    /// The masses and the rim links.
    TMaterial material;
    /// A closed skin over the ring (see TConstraint::CreateSkin), the constraint after the
    /// pressure: nothing gets inside the blob, or between its masses.
    bool skin = false;
};

/// A body of any outline: masses along a closed outline (concave allowed: a star, an L, a letter)
/// and, optionally, on a square grid inside it, held in their form by shape matching, with links
/// between neighbours and an optional pressure.
///
/// Numbering: the outline's masses first, slots 0 ... n - 1, in the outline's order: one on each
/// corner, and on each edge the fewest more, evenly spaced, whose gaps are no longer than
/// `spacing`. Then, with `fill`, the inner masses, row by row from the smallest y and each row by
/// growing x. Constraints: first the outline's links, k to k + 1 (modulo n); then, with `fill`,
/// the inner links, inner mass by inner mass: to the grid neighbours at +x, +y, +x+y and -x+y,
/// then to the outline masses within 1.5 spacings, in slot order; then the shape-matching
/// constraint over every mass (when `shapeStiffness` or `shapeCompliance` asks for one); then the
/// pressure over the outline (when `pressure` or `pressureCompliance` asks for one); then, with
/// `skin`, the skin over the outline. A link is made only where it stays inside the outline.
struct TShapeDef {
    /// The outline's corners, world units, as x, y pairs in order round it (either way): a simple
    /// polygon of 3 or more corners.
    std::vector<float> outline;
    /// The longest gap between neighbouring masses along the outline, and the inner grid's
    /// spacing, world units; above 0.
    float spacing = 10;
    /// Inner masses too, on a grid of `spacing` aligned to the outline's bounds, each at least half
    /// a spacing from the outline.
    bool fill = true;
    /// Per-pass stiffness (0 ... 1) of the shape matching that pulls every mass towards its place
    /// in the rest shape; 0 makes none (unless shapeCompliance asks for one).
    float shapeStiffness = 0.5f;
    /// Compliance of the shape matching (see TConstraint::SetCompliance), with the material's
    /// damping; 0 or more is used instead of shapeStiffness. Negative (the default): none.
    float shapeCompliance = -1;
    /// Per-pass stiffness (0 ... 1) of a pressure constraint over the outline that keeps its area;
    /// 0 (the default) makes none (unless pressureCompliance asks for one).
    float pressure = 0;
    /// Compliance of the pressure; 0 or more is used instead of `pressure`. Negative (the default):
    /// none.
    float pressureCompliance = -1;
    /// A closed skin over the outline's masses (see TConstraint::CreateSkin), the last
    /// constraint: nothing gets inside the body, or between its outline masses.
    bool skin = false;
    /// The masses and links.
    TMaterial material;
};

/// Builds a rope (see TRopeDef). Not activated. None when it would have fewer than 2 masses,
/// with count 0 and a segmentLength of 0 or less, or for a material or point that cannot be
/// built (see the file's comment).
[[nodiscard]] core::Ref<TAdvBody> BuildRope(const TRopeDef& def);

/// Builds a cloth (see TClothDef). Not activated. None for columns or rows below 1, a single mass,
/// a spacing of 0 or less, or a material that cannot be built.
[[nodiscard]] core::Ref<TAdvBody> BuildCloth(const TClothDef& def);

/// Builds a jelly (see TJellyDef). Not activated. None for fewer than 3 rim masses, a radius of 0
/// or less, or a material that cannot be built.
[[nodiscard]] core::Ref<TAdvBody> BuildJelly(const TJellyDef& def);

/// Builds a pressure blob (see TBlobDef). Not activated. None for fewer than 3 rim masses, a
/// radius of 0 or less, or a material that cannot be built.
[[nodiscard]] core::Ref<TAdvBody> BuildBlob(const TBlobDef& def);

/// Builds a body of any outline (see TShapeDef). Not activated. None for fewer than 3 corners, an
/// odd count of coordinates, a coordinate that is not finite, an outline that crosses itself or
/// has no area, a spacing of 0 or less (or so small for the outline that it would need more than
/// 16 million masses), or a material that cannot be built.
[[nodiscard]] core::Ref<TAdvBody> BuildShape(const TShapeDef& def);

/// Tears a body where it is stretched: removes every distance constraint whose stress (length
/// over rest length, see TConstraint::GetStress) exceeds `maxStress`, typically 1.5 ... 3.
/// Tearing happens during the simulation, so call it after each TPhysics::Update. Only distance
/// constraints tear: pressure, angles and shapes never do. A mass that loses its last constraint
/// leaves the world with it. The slots of torn constraints stay empty; the others keep their
/// numbers. A maxStress that is not above 1 (which would tear a link at rest) or not a number tears
/// nothing. Returns the constraints removed. Allocates nothing.
int TearStretched(TAdvBody& body, float maxStress);

} // namespace kel::tangle
