#pragma once
// What the world's queries (TPhysics::RayCast, RayCastAll, QueryBox,
// QueryPoint, NearestMass) take and give: the hit of a ray, the filter that
// says what to look at, and the callables that receive the answers.
//
// Callbacks are TFunctionRef: a reference to any callable (a lambda with
// captures, a function) that allocates nothing and keeps the walk inside the
// library, where a template would put the grid's internals into this header
// and std::function could allocate on every call.

#include <type_traits>
#include <utility>

namespace kel::tangle {

class TMass;
class TZone;

template <class Signature> class TFunctionRef;

/// A non-owning reference to a callable: what the queries call back with
/// their answers. Cheap to copy (two pointers); it does not keep the callable
/// alive, so bind it to a callable that outlives the call it is passed to (a
/// lambda written in the call's argument list does).
template <class R, class... Args> class TFunctionRef<R(Args...)> {
  public:
    /// No callable: operator bool is false and calling it is not allowed.
    TFunctionRef() = default;
    /// Refers to `callable`, which must outlive every call through this.
    template <class F, class = std::enable_if_t<!std::is_same_v<std::decay_t<F>, TFunctionRef> &&
                                                std::is_invocable_r_v<R, F&, Args...>>>
    TFunctionRef(F&& callable) // NOLINT: converts implicitly, like a function pointer
        : object_(const_cast<void*>(static_cast<const void*>(&callable))),
          call_([](void* object, Args... args) -> R {
              return (*static_cast<std::remove_reference_t<F>*>(object))(
                  std::forward<Args>(args)...);
          }) {}

    /// Calls the callable.
    R operator()(Args... args) const { return call_(object_, std::forward<Args>(args)...); }
    /// Whether there is a callable.
    explicit operator bool() const { return call_ != nullptr; }

  private:
    void* object_ = nullptr;
    R (*call_)(void*, Args...) = nullptr;
};

/// Where a ray meets a mass or a zone: exactly one of mass and zone is set.
struct TRayHit {
    TMass* mass = nullptr; ///< the mass hit, or null for a zone
    TZone* zone = nullptr; ///< the zone hit, or null for a mass
    /// The zone's edge hit: the edge from vertex `edge` to the next one (the
    /// last edge of a closed style goes back to vertex 0); -1 for a mass.
    int edge = -1;
    ///@{
    /// The point hit, world units.
    float x = 0, y = 0;
    ///@}
    ///@{
    /// The unit normal there, pointing out of the mass (from its centre
    /// through the point) or, for an edge, to the side the ray comes from; 0,
    /// 0 where there is no direction (a ray starting at a mass's centre, a
    /// zero-length ray on a zero-length edge).
    float normalX = 0, normalY = 0;
    ///@}
    /// How far along the ray, 0 (its start) ... 1 (its end).
    float fraction = 0;
};

/// What a query looks at. By default every mass in the world's list (awake
/// or asleep) and every zone in the world's list.
struct TQueryFilter {
    /// False leaves masses out.
    bool masses = true;
    /// False leaves zones out.
    bool zones = true;
    /// True skips whatever a mass of `group` would not collide with: things
    /// of group 0, things of `group` itself, and everything when `group` is 0.
    bool byGroup = false;
    /// The group the query acts as while byGroup is true.
    int group = 0;
    /// When set, only masses for which it returns true (after the group test).
    TFunctionRef<bool(TMass*)> massTest;
    /// When set, only zones for which it returns true (after the group test).
    TFunctionRef<bool(TZone*)> zoneTest;

    /// A filter that acts as a mass of `group` (see byGroup).
    static TQueryFilter Group(int group) {
        TQueryFilter f;
        f.byGroup = true;
        f.group = group;
        return f;
    }
    /// Masses only, those for which `test` returns true; `test` must outlive
    /// the filter's use.
    static TQueryFilter Masses(TFunctionRef<bool(TMass*)> test = {}) {
        TQueryFilter f;
        f.zones = false;
        f.massTest = test;
        return f;
    }
};

/// Receives each hit of RayCastAll in order along the ray; returns false to
/// stop the walk. It may ask the world again, but must not add, remove or
/// free masses or zones while the walk runs.
using TRayVisit = TFunctionRef<bool(const TRayHit&)>;
/// Receives each thing QueryBox or QueryPoint finds: a mass (zone null) or
/// a zone (mass null). Returns false to stop the walk. It may ask the world
/// again, but must not add, remove or free masses or zones while the walk
/// runs.
using TQueryVisit = TFunctionRef<bool(TMass* mass, TZone* zone)>;

} // namespace kel::tangle
