#pragma once
// TIndexTable: a body's table of one kind of part. Slots 0 ... count - 1 are
// in use, an empty one holds none; indices stay put when parts go, and only
// Clean renumbers. The slot array never shrinks and is never shorter than
// the count. Masses and constraints keep their own slot in their `index`.

#include <utility>
#include <vector>

#include "core/object.h"

namespace kel::tangle {

/// A body's table of one kind of part (see the file's notes).
template <class T> class TIndexTable {
  public:
    /// Slots in use: 0 ... count - 1.
    int count = 0;
    /// The slot array; at least count long.
    std::vector<core::Ref<T>> slots;

    /// The part in slot i; none for an empty slot or an index out of use.
    T* Get(int i) const { return InUse(i) ? slots[std::size_t(i)].Get() : nullptr; }
    /// Whether slot i holds a part.
    bool Exists(int i) const { return Get(i) != nullptr; }
    /// The highest slot in use: count - 1.
    int MaxIndex() const { return count - 1; }

    /// Places the part in the next slot and returns it. The array doubles the
    /// needed size when it is too short, so n adds copy O(n) slots in all.
    int Add(core::Ref<T> part) {
        ++count;
        if (slots.size() < std::size_t(count)) slots.resize(2 * std::size_t(count));
        Place(count - 1, std::move(part));
        return count - 1;
    }

    /// Empties slot i (if in use); the count stays.
    void Empty(int i) {
        if (InUse(i)) slots[std::size_t(i)] = nullptr;
    }

    /// Fills slot i (if in use), releasing what was there.
    void Put(int i, core::Ref<T> part) {
        if (InUse(i)) Place(i, std::move(part));
    }

    /// Exchanges two slots in use; anything else does nothing.
    void Swap(int a, int b) {
        if (!InUse(a) || !InUse(b)) return;
        std::swap(slots[std::size_t(a)], slots[std::size_t(b)]);
        Renumber(a);
        Renumber(b);
    }

    /// Moves the parts down over the gaps, keeping their order.
    void Clean() {
        int j = 0;
        for (int s = 0; s < count; ++s) {
            if (slots[std::size_t(s)]) Swap(j++, s);
        }
        count = j;
    }

    /// count slots, all empty, in an array of exactly that length.
    void Reset(int n) {
        count = n;
        slots.assign(std::size_t(n), nullptr);
    }

    /// The lowest slot holding the part, or -1.
    int Find(const T* part) const {
        if (!part) return -1;
        for (int i = 0; i < count; ++i) {
            if (slots[std::size_t(i)].Get() == part) return i;
        }
        return -1;
    }

    /// Calls visit(i, part) for each filled slot in order. Slots are read one
    /// at a time and the part is held during its visit, so visit may empty
    /// slots (its own or later ones).
    template <class F> void ForEach(F&& visit) const {
        for (int i = 0; i < count; ++i) {
            if (core::Ref<T> part = slots[std::size_t(i)]) visit(i, part.Get());
        }
    }

  private:
    bool InUse(int i) const { return i >= 0 && i < count; }
    void Place(int i, core::Ref<T> part) {
        slots[std::size_t(i)] = std::move(part);
        Renumber(i);
    }
    void Renumber(int i) {
        if constexpr (requires(T & t) { t.index = i; }) {
            if (T* part = slots[std::size_t(i)].Get()) part->index = i;
        }
    }
};

} // namespace kel::tangle
