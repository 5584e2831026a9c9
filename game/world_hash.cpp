#include "game/world_hash.h"

#include <cstddef>

#include "game/globals.h"

namespace game {
namespace {

// FNV-1a over raw bytes, as the physics tests hash their runs.
class Fnv1a {
  public:
    template <class T> void Add(const T& value) {
        const auto* p = reinterpret_cast<const unsigned char*>(&value);
        for (std::size_t k = 0; k < sizeof value; ++k) {
            hash_ ^= p[k];
            hash_ *= PRIME;
        }
    }
    std::uint64_t Value() const { return hash_; }

  private:
    static constexpr std::uint64_t OFFSET = 1469598103934665603ull;
    static constexpr std::uint64_t PRIME = 1099511628211ull;
    std::uint64_t hash_ = OFFSET;
};

} // namespace

std::uint64_t WorldHash() {
    Fnv1a fnv;
    if (kel::tangle::massList)
        for (const kel::tangle::TMass* m : kel::tangle::massList->Each<kel::tangle::TMass>()) {
            fnv.Add(m->posX);
            fnv.Add(m->posY);
        }
    fnv.Add(score[0]);
    fnv.Add(score[1]);
    return fnv.Value();
}

} // namespace game
