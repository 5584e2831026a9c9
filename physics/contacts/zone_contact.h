#pragma once
// How the step collides a mass with a zone: the library's own zone class
// reports its contact where the step's context says (a task's log, or the
// stepping world's queue); a zone class of the program's own is called
// through TZoneBase as ever, and reports through TColEvent.

namespace kel::tangle {
class TMass;
class TZoneBase;
struct TSweptDisc;
struct TTouch;
} // namespace kel::tangle

namespace kel::tangle::detail {

struct TStepContext;

struct TZoneAccess {
    static void Collide(const TStepContext& step, TZoneBase* z, TMass* m);
    static void CollideSwept(const TStepContext& step, TZoneBase* z, TMass* m,
                             const TSweptDisc& path, const TTouch& touch);
};

} // namespace kel::tangle::detail
