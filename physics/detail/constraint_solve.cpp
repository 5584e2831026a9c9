#include "physics/detail/constraint_solve.h"

namespace kel::tangle::detail {

void TSolveTogether::PrepareSlots(const std::vector<TMass*>& movers) {
    for (std::size_t k = 0; k < movers.size(); ++k) movers[k]->stepSlot = static_cast<std::uint32_t>(k);
}

void TSolveTogether::Pass(const std::vector<TConstraint*>& constraints,
                          const std::vector<TMass*>& movers, float complianceScale) {
    movers_ = &movers;
    count_ = static_cast<std::uint32_t>(movers.size());
    sums_.assign(movers.size(), Sum{0, 0, 0});
    for (TConstraint* c : constraints) TConstraintSolver::Solve(*c, complianceScale, *this);
    for (std::uint32_t k = 0; k < count_; ++k) {
        const Sum& s = sums_[k];
        if (s.n == 0) continue;
        TMass* m = movers[k];
        m->posX += s.dx / s.n;
        m->posY += s.dy / s.n;
    }
}

} // namespace kel::tangle::detail
