#pragma once
// TList: circular doubly linked list of object references with a sentinel.
//
// Ownership: a link owns its successor (strong `_succ`) and its value; `_pred`
// is a plain back pointer. A removed link keeps its old `_succ`, so a walk
// that stands on it continues where the list went on; the list breaks the
// ring when it is destroyed.
//
// Every list counts the changes to its links (Version), so that whoever keeps
// a copy of its order can tell that the copy is still good.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/error.h"
#include "core/object.h"

namespace core {

class TList;

class TLink final : public Object {
  public:
    /// From a pool of their own: the simulation walks its lists every step.
    static void* operator new(std::size_t size);
    static void operator delete(void* p, std::size_t size) noexcept;

    Object* Value() const { return _value.Get(); }
    /// Next / previous link, or null at the sentinel. Inline: every list walk
    /// of the simulation step goes through them.
    TLink* NextLink() const { return _succ && !_succ->head_ ? _succ.Get() : nullptr; }
    TLink* PrevLink() const { return _pred && !_pred->head_ ? _pred : nullptr; }
    /// Takes the link out of its list and drops its value. A second Remove does
    /// nothing (relinking old neighbours again would cut out newer links).
    int Remove();
    bool IsRemoved() const { return removed_; }

  private:
    friend class TList;
    friend class TListEnum;
    template <class T> friend class ListRange;
    TLink() = default;

    Ref<Object> _value;
    Ref<TLink> _succ;
    TLink* _pred = nullptr;
    TList* list_ = nullptr; ///< the list the link is in; none once removed
    bool head_ = false;
    bool removed_ = false;
};

class TListEnum final : public Object {
  public:
    explicit TListEnum(TLink* first) : _link(first) {}
    int HasNext() const { return _link && !_link->head_; }
    Ref<Object> NextObject();

  private:
    Ref<TLink> _link;
};

using CompareFunc = int (*)(Object* a, Object* b);

/// Range over the values of a list that are of class T, in the list's own walk:
/// null values and values of other classes are skipped, and removing the value
/// just visited is safe.
template <class T> class ListRange {
  public:
    class iterator {
      public:
        explicit iterator(TLink* at) : link_(at) { Settle(); }
        T* operator*() const { return value_.Get(); }
        iterator& operator++() {
            link_ = link_->_succ;
            Settle();
            return *this;
        }
        bool operator!=(std::nullptr_t) const { return !link_->head_; }

      private:
        // Holds the visited value too, so the body may remove it from the list.
        void Settle() {
            while (!link_->head_ && !(value_ = As<T>(link_->_value.Get()))) link_ = link_->_succ;
        }
        Ref<TLink> link_;
        Ref<T> value_;
    };
    explicit ListRange(TLink* first) : first_(first) {}
    iterator begin() const { return iterator(first_); }
    std::nullptr_t end() const { return nullptr; }

  private:
    TLink* first_;
};

class TList : public Object {
  public:
    TList();
    ~TList() override;
    TList(const TList&) = delete;
    TList& operator=(const TList&) = delete;

    void Clear();
    int IsEmpty() const { return _head->_succ.Get() == _head.Get(); }
    int Contains(const Object* value) const { return FindLink(value) != nullptr; }
    /// The adders and FindLink return a held link: a caller that keeps it can
    /// still call Remove on it after the list let go of it.
    Ref<TLink> AddFirst(Object* value) { return InsertAfterLink(value, _head); }
    Ref<TLink> AddLast(Object* value) { return InsertBeforeLink(value, _head); }
    Object* First() const;
    Object* Last() const;
    Ref<Object> RemoveFirst();
    Ref<Object> RemoveLast();
    TLink* FirstLink() const;
    TLink* LastLink() const;
    /// Null when the neighbour given is no longer in a list.
    Ref<TLink> InsertBeforeLink(Object* value, TLink* succ);
    Ref<TLink> InsertAfterLink(Object* value, TLink* pred);
    Ref<TLink> FindLink(const Object* value) const;
    /// Throws "List index out of range" outside 0 ... Count() - 1.
    Object* ValueAtIndex(int index) const;
    int Count() const;
    int Remove(const Object* value);
    int Swap(TList& other);
    Ref<TList> Copy() const;
    int Reverse();
    Ref<TList> Reversed() const;
    /// Stable adjacent-exchange sort that relinks links; null compare uses the
    /// first value's Compare.
    int Sort(int ascending = 1, CompareFunc compare = nullptr);
    Ref<TListEnum> ObjectEnumerator() const { return Make<TListEnum>(_head->_succ.Get()); }
    std::vector<Ref<Object>> ToArray() const;
    static Ref<TList> FromArray(const std::vector<Ref<Object>>& values);

    /// Counts the changes to this list's links: added, removed, moved, or
    /// exchanged with another list. Reading the list changes nothing.
    std::uint64_t Version() const { return version_; }

    /// range-for over every non-null value
    ListRange<Object> begin_range() const { return ListRange<Object>(_head->_succ.Get()); }
    ListRange<Object>::iterator begin() const { return begin_range().begin(); }
    std::nullptr_t end() const { return nullptr; }
    /// range-for over the values of class T
    template <class T> ListRange<T> Each() const { return ListRange<T>(_head->_succ.Get()); }

  private:
    friend class TLink;
    Ref<TLink> Link(Object* value, TLink* pred, TLink* succ);

    Ref<TLink> _head;
    std::uint64_t version_ = 0;
};

Ref<TList> CreateList();

} // namespace core
