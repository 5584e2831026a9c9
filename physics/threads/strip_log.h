#pragma once
// What one task of the strip schedule (strip_schedule.h) finds during a
// pass, kept in the task's own log until the pass ends; the schedule then
// hands every turn's contacts to the collision queue and the sleep log in
// list order, so that what they hold never depends on which thread ran
// which task.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "physics/contacts/collision_queue.h"

namespace kel::tangle::detail {

// Gives v room for twice `need` whenever it has less than `need`: a count
// that wanders from step to step then seldom costs an allocation.
template <class T> void KeepRoom(std::vector<T>& v, std::size_t need) {
    if (v.capacity() < need) v.reserve(2 * need);
}

class TStripLog {
  public:
    // A contact of a turn: with the sweep's mass of turn `other`, or when
    // kGeneral is set, the contact general()[other & ~kGeneral] (bounds,
    // zones).
    struct Item {
        std::uint32_t other;
        float x, y, force;
    };
    static constexpr std::uint32_t kGeneral = 0x80000000u;

    void Clear() {
        items_.clear();
        links_.clear();
        general_.clear();
    }
    // Room for what a strip of `turns` masses logs in a crowded step, so
    // that the log seldom grows: a strip's counts wander from step to step,
    // and each new high would otherwise cost an allocation.
    void Reserve(std::size_t turns) {
        KeepRoom(items_, 4 * turns + 16);
        KeepRoom(links_, 4 * turns + 16);
        KeepRoom(general_, turns / 8 + 16);
    }
    std::uint32_t Size() const { return static_cast<std::uint32_t>(items_.size()); }
    void Meet(std::uint32_t other, float x, float y, float force) {
        items_.push_back({other, x, y, force});
        links_.push_back(0);
    }
    void Report(const TContact& contact) {
        items_.push_back({kGeneral | static_cast<std::uint32_t>(general_.size()), 0, 0, 0});
        links_.push_back(0);
        general_.push_back(contact);
    }
    const Item& At(std::uint32_t k) const { return items_[k]; }
    const Item* Items() const { return items_.data(); }
    // A word beside each contact, 0 until the queue's fill sets it
    // (collision_queue_fill.cpp).
    std::uint32_t& Link(const Item* item) {
        return links_[static_cast<std::size_t>(item - items_.data())];
    }
    const TContact& General(const Item& item) const { return general_[item.other & ~kGeneral]; }

  private:
    std::vector<Item> items_;
    std::vector<std::uint32_t> links_;
    std::vector<TContact> general_;
};

// Where a turn's contacts lie: the items [begin, end) of its strip's log.
struct TTurnSpan {
    std::uint32_t strip, begin, end;
};

} // namespace kel::tangle::detail
