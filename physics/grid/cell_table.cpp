#include "physics/grid/cell_table.h"

namespace kel::tangle::detail {

void TCellTable::Clear() {
    for (std::int32_t& slot : slots_) slot = -1;
    cells_.clear();
}

int TCellTable::Find(TCellPlace at) const {
    if (slots_.empty()) return -1;
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = Home(at);; i = (i + 1) & mask) {
        const std::int32_t id = slots_[i];
        if (id < 0 || cells_[static_cast<std::size_t>(id)].at == at) return id;
    }
}

std::size_t TCellTable::FreeSlot(TCellPlace at) const {
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = Home(at);
    while (slots_[i] >= 0) i = (i + 1) & mask;
    return i;
}

void TCellTable::Grow() {
    const std::size_t size = slots_.empty() ? 1024 : slots_.size() * 2;
    int bits = 0;
    while ((std::size_t{1} << bits) < size) ++bits;
    slots_.assign(size, -1);
    shift_ = 64 - bits;
    for (std::size_t id = 0; id < cells_.size(); ++id)
        slots_[FreeSlot(cells_[id].at)] = static_cast<std::int32_t>(id);
}

int TCellTable::Make(TCellPlace at) {
    if (2 * (cells_.size() + 1) > slots_.size()) Grow();
    const int id = Count();
    slots_[FreeSlot(at)] = id;
    cells_.push_back({at, {}});
    Around& mine = cells_.back().around;
    for (int dx = -1; dx <= 1; ++dx) {
        for (int dy = -1; dy <= 1; ++dy) {
            const auto k = static_cast<std::size_t>((dx + 1) * 3 + dy + 1);
            if (k == kSelf) {
                mine[k] = id;
                continue;
            }
            const int other = Find({at.x + dx, at.y + dy});
            mine[k] = other;
            // The other sees this one from the opposite side.
            if (other >= 0) cells_[static_cast<std::size_t>(other)].around[8 - k] = id;
        }
    }
    return id;
}

const char* TCellTable::BrokenInvariant() const {
    for (int id = 0; id < Count(); ++id) {
        const TCellPlace at = PlaceOf(id);
        if (Find(at) != id) return "cell table: a cell is not found at its place";
        const Around& around = AroundOf(id);
        for (int dx = -1; dx <= 1; ++dx) {
            for (int dy = -1; dy <= 1; ++dy) {
                const int link = around[static_cast<std::size_t>((dx + 1) * 3 + dy + 1)];
                if (link != Find({at.x + dx, at.y + dy}))
                    return "cell table: a cell's link names the wrong neighbour";
            }
        }
    }
    return nullptr;
}

} // namespace kel::tangle::detail
