#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <thread>
#include <utility>
#include <vector>

#include "core/core.h"

using namespace core;

namespace {

struct Base : Object {};
struct Derived : Base {};
struct Copyable : Object {
    int value = 0;
};

// Many distinct classes, to race their first objects against each other.
template <int N> struct Kind : Object {};

template <int... N>
void MakeKinds(std::vector<Ref<Object>>& out, std::integer_sequence<int, N...>) {
    (out.push_back(Make<Kind<N>>()), ...);
}

template <int... N>
std::array<std::int64_t, sizeof...(N)> CountKinds(std::integer_sequence<int, N...>) {
    return {LiveObjectCount<Kind<N>>()...};
}

} // namespace

TEST(LiveCount, CountsAnObjectUnderItsMostDerivedClassUntilItDies) {
    const std::int64_t base = LiveObjectCount<Base>(), derived = LiveObjectCount<Derived>();
    {
        Ref<Object> held = Make<Derived>();
        Ref<Object> second = held; // more references are still one object
        EXPECT_EQ(LiveObjectCount<Derived>(), derived + 1);
        EXPECT_EQ(LiveObjectCount<Base>(), base);
    }
    EXPECT_EQ(LiveObjectCount<Derived>(), derived);
}

TEST(LiveCount, ListLinksFollowTheListAndCopiesCountAsNewObjects) {
    const std::int64_t links = LiveObjectCount<TLink>();
    Ref<TList> list = CreateList();
    const std::int64_t withSentinel = LiveObjectCount<TLink>();
    EXPECT_EQ(withSentinel, links + 1);
    for (int i = 0; i < 100; ++i) list->AddLast(MakeString("x"));
    EXPECT_EQ(LiveObjectCount<TLink>(), withSentinel + 100);
    list->RemoveFirst();
    EXPECT_EQ(LiveObjectCount<TLink>(), withSentinel + 99);
    list = nullptr;
    EXPECT_EQ(LiveObjectCount<TLink>(), links);

    const std::int64_t copies = LiveObjectCount<Copyable>();
    Ref<Copyable> original = Make<Copyable>();
    Ref<Copyable> copy = Make<Copyable>(*original);
    EXPECT_EQ(LiveObjectCount<Copyable>(), copies + 2);
    original = nullptr;
    EXPECT_EQ(LiveObjectCount<Copyable>(), copies + 1);
}

TEST(LiveCount, ObjectsNeverReferencedAreLeftOut) {
    const std::int64_t before = LiveObjectCount<Copyable>();
    {
        Copyable onTheStack;
        Copyable alsoHere = onTheStack;
        EXPECT_EQ(LiveObjectCount<Copyable>(), before);
    }
    EXPECT_EQ(LiveObjectCount<Copyable>(), before);
}

TEST(LiveCount, ReportsClassesByReadableName) {
    Ref<TString> text = MakeString("kept");
    const auto counts = LiveObjectCounts();
    ASSERT_TRUE(counts.count("core::TString"));
    EXPECT_GE(counts.at("core::TString"), 1);
    EXPECT_EQ(counts.at("core::TString"), LiveObjectCount<TString>());
}

TEST(LiveCount, ThreadsMakingNewClassesAtOnceCountExactly) {
    using Kinds = std::make_integer_sequence<int, 48>;
    constexpr int THREADS = 4, ROUNDS = 50;
    std::atomic<int> ready{0};
    std::vector<std::vector<Ref<Object>>> kept(THREADS);
    std::vector<std::thread> threads;
    for (int t = 0; t < THREADS; ++t) {
        threads.emplace_back([&, t] {
            // Start together, so that first uses of each class collide.
            ++ready;
            while (ready < THREADS) std::this_thread::yield();
            for (int r = 0; r < ROUNDS; ++r) MakeKinds(kept[t], Kinds{});
        });
    }
    for (auto& thread : threads) thread.join();
    for (std::int64_t n : CountKinds(Kinds{})) EXPECT_EQ(n, THREADS * ROUNDS);

    std::size_t kindNames = 0;
    for (const auto& [name, live] : LiveObjectCounts())
        kindNames += name.find("Kind<") != std::string::npos;
    EXPECT_EQ(kindNames, Kinds::size()) << "each class has one entry of its own";

    kept.clear();
    for (std::int64_t n : CountKinds(Kinds{})) EXPECT_EQ(n, 0);
}
