#pragma once
// TWorldSnapshot: the whole state of the current world at one moment, exact
// to the bit, to be put back in place later (TPhysics::TakeSnapshot and
// TPhysics::RestoreSnapshot) or written to a world file (TPhysics::SaveWorld).

#include <memory>

#include "core/object.h"

namespace kel::tangle {

class TBody;

namespace detail {
struct TWorldState;
}

/// The world at one moment: its settings, the module lists in order, every mass, constraint and
/// zone with all its fields, the bodies named when it was taken (their constraint lists, and an
/// advanced body's tables and rigs), the automatic group counter, the collision queue's mode, the
/// tracked contacts (TPhysics::TrackContacts) and what the step keeps from one step to the next
/// (the order of the grid's cells, the sleeping islands). It holds every object it names, so restoring
/// it puts those very objects back: references the program keeps stay valid. Collision hooks and
/// zone responses are code and are not part of it. A snapshot never changes once taken.
class TWorldSnapshot final : public core::Object {
  public:
    /// An empty snapshot; TPhysics::TakeSnapshot and TPhysics::LoadWorld make real ones.
    TWorldSnapshot();
    ~TWorldSnapshot() override;
    TWorldSnapshot(const TWorldSnapshot&) = delete;
    TWorldSnapshot& operator=(const TWorldSnapshot&) = delete;

    /// Masses in the snapshot, in the world or named by something in it.
    int MassCount() const;
    /// Constraints in the snapshot, in the world or named by something in it.
    int ConstraintCount() const;
    /// Zones in the world's zone list.
    int ZoneCount() const;
    /// Bodies the snapshot was taken with (or a world file held), in that order.
    int BodyCount() const;
    /// The k-th body, 0 ... BodyCount() - 1, or null.
    TBody* GetBody(int k) const;

    /// The record itself, for the library.
    detail::TWorldState& State() { return *state_; }
    /// The record itself, for the library.
    const detail::TWorldState& State() const { return *state_; }

  private:
    std::unique_ptr<detail::TWorldState> state_;
};

} // namespace kel::tangle
