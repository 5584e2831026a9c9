#pragma once
// Which masses of a step form one island: masses joined by a constraint or
// touching one another, found by union-find over their places in the step's
// order. Union by size with path halving: near-constant time per join, and
// the same roots for the same joins in the same order, so sleeping is as
// deterministic as the step.

#include <cstdint>
#include <utility>
#include <vector>

namespace kel::tangle {

class TIslandSet {
  public:
    // Every one of `count` members becomes an island of its own. Keeps its
    // storage, so a step that resets it allocates nothing once grown.
    void Reset(std::uint32_t count) {
        parent_.resize(count);
        size_.assign(count, 1);
        for (std::uint32_t k = 0; k < count; ++k) parent_[k] = k;
    }

    std::uint32_t Root(std::uint32_t k) {
        while (parent_[k] != k) {
            parent_[k] = parent_[parent_[k]];
            k = parent_[k];
        }
        return k;
    }

    void Join(std::uint32_t a, std::uint32_t b) {
        a = Root(a);
        b = Root(b);
        if (a == b) return;
        if (size_[a] < size_[b] || (size_[a] == size_[b] && b < a)) std::swap(a, b);
        parent_[b] = a;
        size_[a] += size_[b];
    }

    std::uint32_t Count() const { return static_cast<std::uint32_t>(parent_.size()); }

  private:
    std::vector<std::uint32_t> parent_;
    std::vector<std::uint32_t> size_;
};

} // namespace kel::tangle
