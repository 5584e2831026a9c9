#pragma once
// A world list's order as an array, kept from step to step.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/list.h"

namespace kel::tangle::detail {

// The values of class T in a list, in list order, in one array: the step
// walks it instead of chasing the list's links. Taken again only when the
// list changed (core::TList::Version); the list is held, so that another list
// made later at the same address cannot pass for it. The pointers hold no
// references, so the array serves only while nothing can change the list or
// free what is in it.
template <class T> class TListOrder {
  public:
    const std::vector<T*>& Of(const core::TList& list) {
        const std::uint64_t version = list.Version();
        if (&list != list_.Get() || version != version_) {
            items_.clear();
            for (core::TLink* l = list.FirstLink(); l; l = l->NextLink()) {
                if (T* value = core::As<T>(l->Value())) items_.push_back(value);
            }
            list_ = &list;
            version_ = version;
        }
        return items_;
    }

    // False when the array claims to be current for `list` and differs from it.
    bool Agrees(const core::TList& list) const {
        if (&list != list_.Get() || list.Version() != version_) return true; // taken again when asked
        std::size_t k = 0;
        for (core::TLink* l = list.FirstLink(); l; l = l->NextLink()) {
            T* value = core::As<T>(l->Value());
            if (!value) continue;
            if (k == items_.size() || items_[k] != value) return false;
            ++k;
        }
        return k == items_.size();
    }

  private:
    std::vector<T*> items_;
    core::Ref<const core::TList> list_;
    std::uint64_t version_ = 0;
};

} // namespace kel::tangle::detail
