#include "physics/snapshot.h"

#include "physics/world/world_state.h"
#include "physics/world.h"

namespace kel::tangle {

TWorldSnapshot::TWorldSnapshot() : state_(std::make_unique<detail::TWorldState>()) {}
TWorldSnapshot::~TWorldSnapshot() = default;

int TWorldSnapshot::MassCount() const { return static_cast<int>(state_->masses.size()); }
int TWorldSnapshot::ConstraintCount() const {
    return static_cast<int>(state_->constraints.size());
}
int TWorldSnapshot::ZoneCount() const { return static_cast<int>(state_->zones.size()); }
int TWorldSnapshot::BodyCount() const { return static_cast<int>(state_->bodies.size()); }
TBody* TWorldSnapshot::GetBody(int k) const {
    if (k < 0 || k >= BodyCount()) return nullptr;
    return state_->bodies[static_cast<std::size_t>(k)].body.Get();
}

core::Ref<TWorldSnapshot> TPhysics::TakeSnapshot(const std::vector<TBody*>& bodies) {
    TPhysics* w = currentWorld;
    return w ? w->Snapshot(bodies) : nullptr;
}

core::Ref<TWorldSnapshot> TPhysics::Snapshot(const std::vector<TBody*>& bodies) {
    core::Ref<TWorldSnapshot> snapshot = core::Make<TWorldSnapshot>();
    if (!snapshot->State().Capture(*this, bodies)) return nullptr;
    return snapshot;
}

int TPhysics::RestoreSnapshot(TWorldSnapshot* snapshot) {
    TPhysics* w = currentWorld;
    return w ? w->Restore(snapshot) : -1;
}

int TPhysics::Restore(TWorldSnapshot* snapshot) {
    if (!snapshot) return -1;
    return snapshot->State().Apply(*this) ? 0 : -1;
}

} // namespace kel::tangle
