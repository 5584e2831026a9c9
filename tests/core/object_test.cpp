#include <gtest/gtest.h>

#include "core/core.h"

using namespace core;

namespace {

struct Tracked : Object {
    explicit Tracked(int* alive) : alive(alive) { ++*alive; }
    ~Tracked() override { --*alive; }
    int* alive;
};

// A value that keeps the link of its own list entry, as masses and zones do.
struct SelfLinked : Tracked {
    using Tracked::Tracked;
    TLink* link = nullptr;
};

} // namespace

TEST(Ref, LastReferenceFreesAndSelfAssignmentIsSafe) {
    int alive = 0;
    {
        Ref<Tracked> a = Make<Tracked>(&alive);
        Ref<Object> b = a;
        EXPECT_EQ(a->RefCount(), 2);
        a = a.Get(); // assigning the held object keeps it
        EXPECT_EQ(alive, 1);
        a = nullptr;
        EXPECT_EQ(alive, 1);
        b = b; // self-assignment
        EXPECT_EQ(alive, 1);
    }
    EXPECT_EQ(alive, 0);
}

TEST(Ref, AsUsesClassTest) {
    int alive = 0;
    Ref<Object> t = Make<Tracked>(&alive);
    EXPECT_NE(As<Tracked>(t), nullptr);
    EXPECT_EQ(As<TString>(t), nullptr);
    EXPECT_EQ(As<Tracked>(nullptr), nullptr);
}

TEST(Lifetime, ValueHeldOnlyByListDiesOnClear) {
    int alive = 0;
    Ref<TList> list = CreateList();
    list->AddLast(Make<Tracked>(&alive));
    list->AddLast(Make<Tracked>(&alive));
    EXPECT_EQ(alive, 2);
    list->Clear();
    EXPECT_EQ(alive, 0);
}

TEST(Lifetime, ValueKeepingItsOwnLinkIsFreedWithIt) {
    int alive = 0;
    Ref<TList> list = CreateList();
    for (int i = 0; i < 3; ++i) {
        Ref<SelfLinked> v = Make<SelfLinked>(&alive);
        v->link = list->AddLast(v);
    }
    auto* middle = static_cast<SelfLinked*>(list->ValueAtIndex(1));
    middle->link->Remove(); // the list held its last reference
    EXPECT_EQ(alive, 2);
    EXPECT_EQ(list->Count(), 2);
    list = nullptr; // destroying the list clears it
    EXPECT_EQ(alive, 0);
}

TEST(Lifetime, DestroyingListWhileEnumeratorStandsInItIsSafe) {
    int alive = 0;
    Ref<TListEnum> e;
    {
        Ref<TList> list = CreateList();
        list->AddLast(Make<Tracked>(&alive));
        list->AddLast(Make<Tracked>(&alive));
        e = list->ObjectEnumerator();
    }
    // The list is gone and cleared: the walk sees no values and ends.
    int seen = 0;
    while (e->HasNext()) seen += e->NextObject() != nullptr;
    EXPECT_EQ(seen, 0);
    EXPECT_EQ(alive, 0);
}

TEST(TString, ComparesByText) {
    EXPECT_EQ(MakeString("abc")->Compare(MakeString("abc")), 0);
    EXPECT_LT(MakeString("abc")->Compare(MakeString("abd")), 0);
    EXPECT_EQ(MakeString("x")->ToString(), "x");
}
