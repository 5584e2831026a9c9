#include "core/list.h"

#include <utility>

namespace core {

int TLink::Remove() {
    if (removed_ || head_) return 0;
    removed_ = true;
    TList::NoteChange();
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
    NoteChange();
    _head->head_ = true;
    _head->_succ = _head;
    _head->_pred = _head;
}

TList::~TList() {
    NoteChange();
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

TLink* TList::InsertBeforeLink(Object* value, TLink* succ) {
    NoteChange();
    TLink* link = new TLink;
    link->_value = value;
    link->_pred = succ->_pred;
    link->_succ = succ;
    succ->_pred->_succ = link; // the predecessor now owns the new link
    succ->_pred = link;
    return link;
}

TLink* TList::InsertAfterLink(Object* value, TLink* pred) {
    NoteChange();
    TLink* link = new TLink;
    link->_value = value;
    link->_succ = pred->_succ;
    link->_pred = pred;
    link->_succ->_pred = link;
    pred->_succ = link;
    return link;
}

TLink* TList::FindLink(const Object* value) const {
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
    TLink* l = FindLink(value);
    if (!l) return 0;
    l->Remove();
    return 1;
}

int TList::Swap(TList& other) {
    NoteChange();
    std::swap(_head, other._head);
    return 0;
}

Ref<TList> TList::Copy() const {
    Ref<TList> out = CreateList();
    for (TLink* l = _head->_succ; !l->head_; l = l->_succ) out->AddLast(l->_value);
    return out;
}

int TList::Reverse() {
    NoteChange();
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
    NoteChange();
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
