#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/core.h"

using namespace core;

namespace {

struct Num : Object {
    Num(int v, int tag = 0) : v(v), tag(tag) {}
    int v, tag;
};

Ref<TList> Nums(std::initializer_list<int> vs) {
    Ref<TList> l = CreateList();
    for (int v : vs) l->AddLast(Make<Num>(v));
    return l;
}

std::vector<int> Values(const TList& l) {
    std::vector<int> out;
    for (Num* n : l.Each<Num>()) out.push_back(n->v);
    return out;
}

int ByValue(Object* a, Object* b) { return static_cast<Num*>(a)->v - static_cast<Num*>(b)->v; }

} // namespace

TEST(List, EmptyListAnswersNone) {
    Ref<TList> l = CreateList();
    EXPECT_EQ(l->IsEmpty(), 1);
    EXPECT_EQ(l->Count(), 0);
    EXPECT_EQ(l->First(), nullptr);
    EXPECT_EQ(l->Last(), nullptr);
    EXPECT_EQ(l->RemoveFirst(), nullptr);
    EXPECT_EQ(l->RemoveLast(), nullptr);
    EXPECT_EQ(l->FirstLink(), nullptr);
    EXPECT_EQ(l->LastLink(), nullptr);
    EXPECT_EQ(l->Reverse(), 0);
    EXPECT_EQ(l->IsEmpty(), 1);
    EXPECT_EQ(l->Sort(), 0);
    EXPECT_FALSE(l->ObjectEnumerator()->HasNext());
}

TEST(List, AddOrderAndArrays) {
    Ref<TList> l = CreateList();
    auto a = Make<Num>(1), b = Make<Num>(2), c = Make<Num>(3);
    l->AddLast(a);
    l->AddLast(b);
    l->AddFirst(c);
    auto arr = l->ToArray();
    ASSERT_EQ(arr.size(), 3u);
    EXPECT_EQ(arr[0].Get(), c.Get());
    EXPECT_EQ(arr[1].Get(), a.Get());
    EXPECT_EQ(arr[2].Get(), b.Get());
    EXPECT_EQ(Values(*TList::FromArray(arr)), (std::vector<int>{3, 1, 2}));
    EXPECT_EQ(l->First(), c.Get());
    EXPECT_EQ(l->Last(), b.Get());
    EXPECT_EQ(l->RemoveLast().Get(), b.Get());
    EXPECT_EQ(l->RemoveFirst().Get(), c.Get());
    EXPECT_EQ(Values(*l), (std::vector<int>{1}));
}

TEST(List, InsertNextToLinksAndNavigate) {
    Ref<TList> l = Nums({1, 3});
    TLink* first = l->FirstLink();
    TLink* inserted = l->InsertAfterLink(Make<Num>(2), first);
    l->InsertBeforeLink(Make<Num>(0), first);
    EXPECT_EQ(Values(*l), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(inserted->PrevLink(), first);
    EXPECT_EQ(l->LastLink()->NextLink(), nullptr);
    EXPECT_EQ(l->FirstLink()->PrevLink(), nullptr);
}

TEST(List, RemovedLinkKeepsItsNeighboursAndSecondRemoveIsHarmless) {
    Ref<TList> l = Nums({1, 2, 3});
    Ref<TLink> mid = l->FirstLink()->NextLink();
    TLink* last = l->LastLink();
    mid->Remove();
    EXPECT_EQ(mid->Value(), nullptr);
    EXPECT_EQ(mid->NextLink(), last);
    EXPECT_EQ(Values(*l), (std::vector<int>{1, 3}));
    // Links inserted since must survive a second Remove of the old link.
    l->InsertAfterLink(Make<Num>(9), l->FirstLink());
    mid->Remove();
    EXPECT_EQ(Values(*l), (std::vector<int>{1, 9, 3}));
    Ref<TLink> tail = l->LastLink();
    tail->Remove();
    EXPECT_EQ(tail->NextLink(), nullptr); // its successor was the sentinel
}

TEST(List, WalkSurvivesRemovingVisitedValue) {
    struct Item : Object {
        TLink* link = nullptr;
        int v = 0;
    };
    Ref<TList> l = CreateList();
    for (int i = 0; i < 5; ++i) {
        Ref<Item> it = Make<Item>();
        it->v = i;
        it->link = l->AddLast(it);
    }
    std::vector<int> seen;
    for (Item* it : l->Each<Item>()) {
        seen.push_back(it->v);
        it->link->Remove();                                  // the list held the only reference
        EXPECT_EQ(it->v, static_cast<int>(seen.size()) - 1); // still alive in the body
    }
    EXPECT_EQ(seen, (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(l->IsEmpty(), 1);
}

TEST(List, EnumeratorOnRemovedLinkReturnsNoneThenContinues) {
    Ref<TList> l = Nums({1, 2, 3});
    Ref<TListEnum> e = l->ObjectEnumerator();
    e->NextObject();                      // visits 1, now stands on 2
    l->FirstLink()->NextLink()->Remove(); // remove 2 under the enumerator
    l->AddLast(Make<Num>(4));             // added during the walk: visited
    EXPECT_EQ(e->NextObject(), nullptr);
    std::vector<int> rest;
    while (e->HasNext()) rest.push_back(static_cast<Num*>(e->NextObject().Get())->v);
    EXPECT_EQ(rest, (std::vector<int>{3, 4}));
}

TEST(List, EachSkipsOtherClasses) {
    Ref<TList> l = Nums({1});
    l->AddLast(MakeString("text"));
    l->AddLast(Make<Num>(2));
    EXPECT_EQ(Values(*l), (std::vector<int>{1, 2}));
    int all = 0;
    for (Object* o : *l) all += o != nullptr;
    EXPECT_EQ(all, 3);
}

TEST(List, ValueAtIndexBounds) {
    Ref<TList> l = Nums({5, 6});
    EXPECT_EQ(static_cast<Num*>(l->ValueAtIndex(1))->v, 6);
    for (int bad : {-1, 2}) {
        try {
            l->ValueAtIndex(bad);
            ADD_FAILURE() << bad;
        } catch (const RuntimeError& e) {
            EXPECT_STREQ(e.what(), "List index out of range");
        }
    }
}

TEST(List, ContainsRemoveFindByCompare) {
    Ref<TList> l = CreateList();
    l->AddLast(MakeString("x"));
    l->AddLast(MakeString("y"));
    l->AddLast(MakeString("x"));
    EXPECT_EQ(l->Contains(MakeString("y")), 1);
    EXPECT_EQ(l->Contains(MakeString("z")), 0);
    EXPECT_EQ(l->FindLink(MakeString("x")), l->FirstLink());
    EXPECT_EQ(l->Remove(MakeString("x")), 1); // only the first
    EXPECT_EQ(l->Count(), 2);
    EXPECT_EQ(l->First()->ToString(), "y");
    EXPECT_EQ(l->Remove(MakeString("z")), 0);
    auto n = Make<Num>(1);
    l->AddLast(n);
    EXPECT_EQ(l->Contains(n), 1);
    EXPECT_EQ(l->Contains(Make<Num>(1)), 0); // identity for plain objects
}

TEST(List, SortIsStableBothWays) {
    Ref<TList> l = CreateList();
    int vals[] = {3, 1, 2, 1, 3, 2, 1};
    for (int i = 0; i < 7; ++i) l->AddLast(Make<Num>(vals[i], i));
    l->Sort(1, ByValue);
    std::vector<std::pair<int, int>> got;
    for (Num* n : l->Each<Num>()) got.push_back({n->v, n->tag});
    EXPECT_EQ(got, (std::vector<std::pair<int, int>>{
                       {1, 1}, {1, 3}, {1, 6}, {2, 2}, {2, 5}, {3, 0}, {3, 4}}));
    l->Sort(0, ByValue);
    got.clear();
    for (Num* n : l->Each<Num>()) got.push_back({n->v, n->tag});
    EXPECT_EQ(got, (std::vector<std::pair<int, int>>{
                       {3, 0}, {3, 4}, {2, 2}, {2, 5}, {1, 1}, {1, 3}, {1, 6}}));
    // Relinking must leave the ring consistent in both directions.
    std::vector<int> back;
    for (TLink* k = l->LastLink(); k; k = k->PrevLink())
        back.push_back(static_cast<Num*>(k->Value())->v);
    EXPECT_EQ(back, (std::vector<int>{1, 1, 1, 2, 2, 3, 3}));
}

TEST(List, SortWithDefaultCompareOrdersStrings) {
    Ref<TList> l = CreateList();
    for (const char* s : {"pear", "apple", "fig"}) l->AddLast(MakeString(s));
    l->Sort();
    std::vector<std::string> got;
    for (Object* o : *l) got.push_back(o->ToString());
    EXPECT_EQ(got, (std::vector<std::string>{"apple", "fig", "pear"}));
}

TEST(List, ReverseSwapCopy) {
    Ref<TList> l = Nums({1, 2, 3});
    l->Reverse();
    EXPECT_EQ(Values(*l), (std::vector<int>{3, 2, 1}));
    EXPECT_EQ(static_cast<Num*>(l->LastLink()->PrevLink()->Value())->v, 2);
    Ref<TList> one = Nums({7});
    one->Reverse();
    EXPECT_EQ(Values(*one), (std::vector<int>{7}));
    EXPECT_EQ(Values(*l->Reversed()), (std::vector<int>{1, 2, 3}));
    Ref<TList> copy = l->Copy();
    EXPECT_EQ(copy->First(), l->First()); // values shared
    l->Swap(*one);
    EXPECT_EQ(Values(*l), (std::vector<int>{7}));
    EXPECT_EQ(Values(*one), (std::vector<int>{3, 2, 1}));
}

// Whoever keeps a copy of a list's order relies on this count.
TEST(List, EveryChangeOfLinksBumpsThatListsVersionOnly) {
    Ref<TList> l = CreateList();
    Ref<TList> bystander = CreateList();
    Ref<TString> a = MakeString("a"), b = MakeString("b");
    auto changed = [&](TList& list, auto&& change) {
        const std::uint64_t before = list.Version();
        const std::uint64_t aside = bystander->Version();
        change();
        EXPECT_EQ(bystander->Version(), aside) << "another list's change counted";
        return list.Version() != before;
    };
    EXPECT_TRUE(changed(*l, [&] { l->AddLast(a); }));
    EXPECT_TRUE(changed(*l, [&] { l->AddFirst(b); }));
    EXPECT_FALSE(changed(*l, [&] { (void)l->Count(), (void)l->First(), (void)l->Contains(a); }));
    EXPECT_TRUE(changed(*l, [&] { l->Sort(); }));
    EXPECT_TRUE(changed(*l, [&] { l->Reverse(); }));
    EXPECT_TRUE(changed(*l, [&] { l->FirstLink()->Remove(); }));
    Ref<TList> other = CreateList();
    other->AddLast(a);
    const std::uint64_t otherBefore = other->Version();
    EXPECT_TRUE(changed(*l, [&] { l->Swap(*other); }));
    EXPECT_NE(other->Version(), otherBefore);
    // After the swap each link answers to the list it is in now.
    EXPECT_TRUE(changed(*other, [&] { other->FirstLink()->Remove(); }));
    EXPECT_TRUE(changed(*l, [&] { l->FirstLink()->Remove(); }));
    EXPECT_TRUE(changed(*l, [&] { l->AddLast(b); }));
    EXPECT_TRUE(changed(*l, [&] { l->Clear(); }));
}

// A kept link stays valid after the list let go of it: removing it again does
// nothing, and in particular never takes out a link made since.
TEST(List, KeptLinkRemovedTwiceLeavesTheListAlone) {
    Ref<TList> l = CreateList();
    Ref<TString> a = MakeString("a"), b = MakeString("b");
    auto kept = l->AddLast(a);
    EXPECT_EQ(kept->Remove(), 0);
    auto later = l->AddLast(b); // may reuse the block of a freed link
    EXPECT_EQ(kept->Remove(), 0);
    EXPECT_TRUE(kept->IsRemoved());
    EXPECT_EQ(kept->Value(), nullptr);
    EXPECT_EQ(l->Count(), 1);
    EXPECT_EQ(l->First(), b.Get());
    EXPECT_EQ(l->FindLink(b), later.Get());
    // Nothing is inserted beside a link that is no longer in a list.
    EXPECT_EQ(l->InsertAfterLink(a, kept), nullptr);
    EXPECT_EQ(l->InsertBeforeLink(a, kept), nullptr);
    EXPECT_EQ(l->Count(), 1);
}
