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

/// One place in a TList: holds a value and the links around it. Owners keep the link an adder
/// returned and take their value out in constant time with Remove.
class TLink final : public Object {
  public:
    /// From a pool of their own: the simulation walks its lists every step.
    static void* operator new(std::size_t size);
    /// Returns the link's memory to the pool.
    static void operator delete(void* p, std::size_t size) noexcept;

    /// The value held; none once the link was removed.
    Object* Value() const { return _value.Get(); }
    /// Next / previous link, or null at the sentinel. Inline: every list walk
    /// of the simulation step goes through them.
    TLink* NextLink() const { return _succ && !_succ->head_ ? _succ.Get() : nullptr; }
    ///@{
    /// The previous link, or null at the sentinel.
    TLink* PrevLink() const { return _pred && !_pred->head_ ? _pred : nullptr; }
    ///@}
    /// Takes the link out of its list and drops its value. A second Remove does
    /// nothing (relinking old neighbours again would cut out newer links).
    int Remove();
    /// Whether Remove has run.
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

/// Walks a list's values in order, one NextObject at a time; safe against removal of the value just
/// returned.
class TListEnum final : public Object {
  public:
    /// Starts at `first` (null or the sentinel: nothing to walk).
    explicit TListEnum(TLink* first) : _link(first) {}
    /// 1 while a value is left.
    int HasNext() const { return _link && !_link->head_; }
    /// The next value (none for a null value), and steps on.
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
    /// The forward iterator of a ListRange.
    class iterator {
      public:
        /// Starts at `at` and moves on to the first value of class T.
        explicit iterator(TLink* at) : link_(at) { Settle(); }
        /// The value, held by the iterator.
        T* operator*() const { return value_.Get(); }
        /// Moves on to the next value of class T.
        iterator& operator++() {
            link_ = link_->_succ;
            Settle();
            return *this;
        }
        /// True until the walk is back at the sentinel.
        bool operator!=(std::nullptr_t) const { return !link_->head_; }

      private:
        // Holds the visited value too, so the body may remove it from the list.
        void Settle() {
            while (!link_->head_ && !(value_ = As<T>(link_->_value.Get()))) link_ = link_->_succ;
        }
        Ref<TLink> link_;
        Ref<T> value_;
    };
    /// A range starting at `first`.
    explicit ListRange(TLink* first) : first_(first) {}
    /// The first value of class T.
    iterator begin() const { return iterator(first_); }
    /// The end: the sentinel.
    std::nullptr_t end() const { return nullptr; }

  private:
    TLink* first_;
};

/// A circular doubly linked list of object references. Adders return the new link, look-ups take
/// O(n), removal through a link O(1). A walk survives the removal of the value it stands on.
class TList : public Object {
  public:
    TList();
    ~TList() override;
    TList(const TList&) = delete;
    TList& operator=(const TList&) = delete;

    /// Removes every value.
    void Clear();
    /// 1 when the list holds no link.
    int IsEmpty() const { return _head->_succ.Get() == _head.Get(); }
    /// 1 when the list holds this value (by identity).
    int Contains(const Object* value) const { return FindLink(value) != nullptr; }
    /// The adders and FindLink return a held link: a caller that keeps it can
    /// still call Remove on it after the list let go of it.
    Ref<TLink> AddFirst(Object* value) { return InsertAfterLink(value, _head); }
    /// Adds at the end; see AddFirst.
    Ref<TLink> AddLast(Object* value) { return InsertBeforeLink(value, _head); }
    /// The first value, or null when empty.
    Object* First() const;
    /// The last value, or null when empty.
    Object* Last() const;
    /// Takes the first value out and returns it; none when empty.
    Ref<Object> RemoveFirst();
    /// Takes the last value out and returns it; none when empty.
    Ref<Object> RemoveLast();
    /// The first link, or null when empty.
    TLink* FirstLink() const;
    /// The last link, or null when empty.
    TLink* LastLink() const;
    /// Null when the neighbour given is no longer in a list.
    Ref<TLink> InsertBeforeLink(Object* value, TLink* succ);
    /// Inserts after `pred`; null when it is no longer in a list.
    Ref<TLink> InsertAfterLink(Object* value, TLink* pred);
    /// The first link holding this value (by identity), or null.
    Ref<TLink> FindLink(const Object* value) const;
    /// Throws "List index out of range" outside 0 ... Count() - 1.
    Object* ValueAtIndex(int index) const;
    /// The number of links (values, null ones included).
    int Count() const;
    /// Removes the first link holding this value; 1 when one was found, else 0.
    int Remove(const Object* value);
    /// Exchanges the contents of the two lists; returns 0.
    int Swap(TList& other);
    /// A new list with the same values in the same order.
    Ref<TList> Copy() const;
    /// Reverses the order in place; returns 0.
    int Reverse();
    /// A new list with the values in reverse order.
    Ref<TList> Reversed() const;
    /// Stable adjacent-exchange sort that relinks links; null compare uses the
    /// first value's Compare.
    int Sort(int ascending = 1, CompareFunc compare = nullptr);
    /// An enumerator from the first value.
    Ref<TListEnum> ObjectEnumerator() const { return Make<TListEnum>(_head->_succ.Get()); }
    /// The values in order, as an array.
    std::vector<Ref<Object>> ToArray() const;
    /// A new list of the values in array order.
    static Ref<TList> FromArray(const std::vector<Ref<Object>>& values);

    /// Counts the changes to this list's links: added, removed, moved, or
    /// exchanged with another list. Reading the list changes nothing.
    std::uint64_t Version() const { return version_; }

    /// range-for over every non-null value
    ListRange<Object> begin_range() const { return ListRange<Object>(_head->_succ.Get()); }
    /// range-for: the first value.
    ListRange<Object>::iterator begin() const { return begin_range().begin(); }
    /// range-for: the end.
    std::nullptr_t end() const { return nullptr; }
    /// range-for over the values of class T
    template <class T> ListRange<T> Each() const { return ListRange<T>(_head->_succ.Get()); }

  private:
    friend class TLink;
    Ref<TLink> Link(Object* value, TLink* pred, TLink* succ);

    Ref<TLink> _head;
    std::uint64_t version_ = 0;
};

/// A new, empty list.
Ref<TList> CreateList();

} // namespace core
