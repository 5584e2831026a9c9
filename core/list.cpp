#include "core/list.h"

#include <utility>

#include "core/detail/block_pool.h"

namespace core {

void* TLink::operator new(std::size_t size) { return PooledNew<TLink>(size); }
void TLink::operator delete(void* p, std::size_t size) noexcept { PooledDelete<TLink>(p, size); }

int TLink::Remove() {
    if (removed_ || head_) return 0;
    removed_ = true;
    if (list_) ++list_->version_;
    list_ = nullptr;
    Ref<TLink> self(this); // the predecessor's `_succ` may hold our last reference
    _value = nullptr;
    _succ->_pred = _pred;
    _pred->_succ = _succ;
    return 0;
}

Ref<Object> TListEnum::NextObject() {
    Ref<Object> v = _link->_value;
    _link = _link->_succ;
    return v;
}

TList::TList() : _head(new TLink) {
    _head->head_ = true;
    _head->list_ = this;
    _head->_succ = _head;
    _head->_pred = _head;
}

TList::~TList() {
    Clear();
    _head->_succ = nullptr; // the sentinel's self-reference
}

void TList::Clear() {
    while (!IsEmpty()) _head->_succ->Remove();
}

Object* TList::First() const { return IsEmpty() ? nullptr : _head->_succ->_value.Get(); }

Object* TList::Last() const { return IsEmpty() ? nullptr : _head->_pred->_value.Get(); }

Ref<Object> TList::RemoveFirst() {
    if (IsEmpty()) return nullptr;
    Ref<Object> v = _head->_succ->_value;
    _head->_succ->Remove();
    return v;
}

Ref<Object> TList::RemoveLast() {
    if (IsEmpty()) return nullptr;
    Ref<Object> v = _head->_pred->_value;
    _head->_pred->Remove();
    return v;
}

TLink* TList::FirstLink() const { return IsEmpty() ? nullptr : _head->_succ.Get(); }

TLink* TList::LastLink() const { return IsEmpty() ? nullptr : _head->_pred; }

Ref<TLink> TList::Link(Object* value, TLink* pred, TLink* succ) {
    TList* owner = succ->list_;
    if (!owner || pred->list_ != owner) return nullptr;
    ++owner->version_;
    Ref<TLink> link(new TLink);
    link->_value = value;
    link->list_ = owner;
    link->_pred = pred;
    link->_succ = succ;
    succ->_pred = link;
    pred->_succ = link; // the predecessor now owns the new link
    return link;
}

Ref<TLink> TList::InsertBeforeLink(Object* value, TLink* succ) {
    return Link(value, succ->_pred, succ);
}

Ref<TLink> TList::InsertAfterLink(Object* value, TLink* pred) {
    return Link(value, pred, pred->_succ);
}

Ref<TLink> TList::FindLink(const Object* value) const {
    for (TLink* l = _head->_succ; !l->head_; l = l->_succ) {
        if (l->_value && l->_value->Compare(value) == 0) return l;
    }
    return nullptr;
}

Object* TList::ValueAtIndex(int index) const {
    if (index >= 0) {
        for (TLink* l = _head->_succ; !l->head_; l = l->_succ) {
            if (index-- == 0) return l->_value.Get();
        }
    }
    throw RuntimeError("List index out of range");
}

int TList::Count() const {
    int n = 0;
    for (TLink* l = _head->_succ; !l->head_; l = l->_succ) ++n;
    return n;
}

int TList::Remove(const Object* value) {
    Ref<TLink> l = FindLink(value);
    if (!l) return 0;
    l->Remove();
    return 1;
}

int TList::Swap(TList& other) {
    std::swap(_head, other._head);
    for (TList* list : {this, &other}) {
        ++list->version_;
        TLink* l = list->_head;
        do {
            l->list_ = list;
            l = l->_succ;
        } while (l != list->_head.Get());
    }
    return 0;
}

Ref<TList> TList::Copy() const {
    Ref<TList> out = CreateList();
    for (TLink* l = _head->_succ; !l->head_; l = l->_succ) out->AddLast(l->_value);
    return out;
}

int TList::Reverse() {
    ++version_;
    // Each link's new `_succ` is its old `_pred`, which only becomes owned once
    // that link is visited: hold the previous link until then.
    Ref<TLink> prev, l = _head;
    do {
        Ref<TLink> next = l->_succ;
        l->_succ = l->_pred;
        l->_pred = next;
        prev = std::move(l);
        l = std::move(next);
    } while (l.Get() != _head.Get());
    return 0;
}

Ref<TList> TList::Reversed() const {
    Ref<TList> out = CreateList();
    for (TLink* l = _head->_succ; !l->head_; l = l->_succ) out->AddFirst(l->_value);
    return out;
}

int TList::Sort(int ascending, CompareFunc compare) {
    ++version_;
    TLink* end = _head;
    for (;;) {
        TLink* cur = _head->_succ;
        bool sorted = true;
        for (;;) {
            TLink* succ = cur->_succ;
            if (succ == end) break;
            Object* a = cur->_value;
            Object* b = succ->_value;
            int cc = compare ? compare(a, b) : (a ? a->Compare(b) : 0);
            if ((cc > 0 && ascending) || (cc < 0 && !ascending)) {
                // Move succ in front of cur: pred -> succ -> cur -> after.
                Ref<TLink> hold = succ;
                TLink* pred = cur->_pred;
                cur->_succ = succ->_succ;
                succ->_succ->_pred = cur;
                succ->_succ = cur;
                cur->_pred = succ;
                succ->_pred = pred;
                pred->_succ = succ;
                sorted = false;
            } else {
                cur = succ;
            }
        }
        if (sorted) return 0;
        end = cur;
    }
}

std::vector<Ref<Object>> TList::ToArray() const {
    std::vector<Ref<Object>> out;
    for (TLink* l = _head->_succ; !l->head_; l = l->_succ) out.push_back(l->_value);
    return out;
}

Ref<TList> TList::FromArray(const std::vector<Ref<Object>>& values) {
    Ref<TList> out = CreateList();
    for (const auto& v : values) out->AddLast(v);
    return out;
}

Ref<TList> CreateList() { return Make<TList>(); }

} // namespace core
