// Pooled classes: every object gets a block of its own, suitably aligned; a
// class derived with another size still works; and, outside sanitizer
// builds, objects made together lie together and freed blocks are reused.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <set>
#include <vector>

#include "core/detail/block_pool.h"

namespace {

struct alignas(64) Wide : core::Pooled<Wide> {
    virtual ~Wide() = default;
    unsigned char bytes[100];
};

struct Wider final : Wide {
    unsigned char more[300];
};

struct Small final : core::Pooled<Small> {
    std::uint32_t tag;
};

struct Tiny final : core::Pooled<Tiny> {
    std::uint32_t tag;
};

TEST(BlockPool, EveryObjectHasItsOwnAlignedBlock) {
    std::vector<std::unique_ptr<Wide>> live;
    std::set<std::uintptr_t> starts;
    for (int k = 0; k < 3000; ++k) { // more than one chunk
        live.push_back(std::make_unique<Wide>());
        auto at = reinterpret_cast<std::uintptr_t>(live.back().get());
        EXPECT_EQ(at % 64, 0u);
        std::fill(std::begin(live.back()->bytes), std::end(live.back()->bytes),
                  static_cast<unsigned char>(k));
        starts.insert(at);
    }
    EXPECT_EQ(starts.size(), live.size());
    for (int k = 0; k < 3000; ++k) EXPECT_EQ(live[k]->bytes[99], static_cast<unsigned char>(k));
}

TEST(BlockPool, ADerivedClassOfAnotherSizeUsesTheHeap) {
    std::unique_ptr<Wide> w = std::make_unique<Wider>();
    static_cast<Wider*>(w.get())->more[299] = 7;
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(w.get()) % 64, 0u);
    w.reset(); // deleted through the base, with the derived size
    std::unique_ptr<Wide> plain = std::make_unique<Wide>();
    EXPECT_TRUE(plain);
}

#ifndef CORE_POOLS_USE_HEAP
TEST(BlockPool, ObjectsMadeTogetherLieTogetherAndFreedBlocksAreReused) {
    auto a = std::make_unique<Small>();
    auto b = std::make_unique<Small>();
    auto c = std::make_unique<Small>();
    // One block of 8 bytes each (the free-list link sets the minimum).
    EXPECT_EQ(reinterpret_cast<char*>(b.get()) - reinterpret_cast<char*>(a.get()), 8);
    EXPECT_EQ(reinterpret_cast<char*>(c.get()) - reinterpret_cast<char*>(b.get()), 8);
    Small* freed = b.get();
    b.reset();
    auto d = std::make_unique<Small>();
    EXPECT_EQ(d.get(), freed);
}

TEST(BlockPool, OnceEverythingIsFreeObjectsAreMadeInOrderAgain) {
    std::vector<std::unique_ptr<Tiny>> first;
    for (int k = 0; k < 5; ++k) first.push_back(std::make_unique<Tiny>());
    std::vector<Tiny*> places;
    for (auto& t : first) places.push_back(t.get());
    for (auto& t : first) t.reset(); // the last one frees the pool
    std::vector<std::unique_ptr<Tiny>> again;
    for (int k = 0; k < 5; ++k) again.push_back(std::make_unique<Tiny>());
    for (int k = 0; k < 5; ++k) EXPECT_EQ(again[k].get(), places[k]) << k;
}
#endif

} // namespace
