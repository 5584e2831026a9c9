// The collision queue's block storage: arrays of blocks from a shared pool,
// and the queue recorded through them in batches larger than a block.

#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "core/live_count.h"
#include "physics/contacts/chunked_array.h"
#include "physics/contacts/collision_queue.h"
#include "pile.h"
#include "scene.h"

using namespace scene;
using kel::tangle::detail::TBlockPool;
using kel::tangle::detail::TChunkedArray;

namespace {

// The current world's collision queue.
kel::tangle::detail::TCollisionQueue& Queue() {
    return kel::tangle::detail::CurrentQueue();
}

// Counts the live copies, so that a test sees every element destroyed once.
struct Counted {
    static inline int live = 0;
    explicit Counted(int v) : value(v) { ++live; }
    Counted(const Counted& o) : value(o.value) { ++live; }
    ~Counted() { --live; }
    int value;
};

} // namespace

TEST(ChunkedArray, IndexesAcrossBlocksAndRefillsWithoutNewBlocks) {
    TBlockPool pool;
    TChunkedArray<int> a(pool);
    const std::size_t n = 3 * TChunkedArray<int>::kPerChunk + 5;
    for (int round = 0; round < 2; ++round) {
        for (std::size_t k = 0; k < n; ++k) a.push_back(static_cast<int>(k) * 3 + round);
        ASSERT_EQ(a.size(), n);
        for (std::size_t k = 0; k < n; ++k) ASSERT_EQ(a[k], static_cast<int>(k) * 3 + round) << k;
        EXPECT_EQ(pool.Blocks(), 4u); // the first fill's blocks, kept through clear
        a.clear();
        EXPECT_TRUE(a.empty());
    }
}

TEST(ChunkedArray, PassedBlocksGoToAnotherArrayAndEveryElementDiesOnce) {
    TBlockPool pool;
    {
        TChunkedArray<Counted> from(pool), to(pool);
        const std::size_t n = 4 * TChunkedArray<Counted>::kPerChunk;
        for (std::size_t k = 0; k < n; ++k) from.emplace_back(static_cast<int>(k));
        const std::size_t filled = pool.Blocks();
        for (std::size_t k = 0; k < n; ++k) {
            to.push_back(from[k]);
            from.DropBefore(k + 1);
        }
        // The copy reused what the reading gave back: one block more at most.
        EXPECT_LE(pool.Blocks(), filled + 1);
        EXPECT_EQ(Counted::live, static_cast<int>(n)); // the read elements are gone
        for (std::size_t k = 0; k < n; ++k) ASSERT_EQ(to[k].value, static_cast<int>(k));
        from.clear(); // after dropping all of it: nothing destroyed twice
        EXPECT_EQ(Counted::live, static_cast<int>(n));
    }
    EXPECT_EQ(Counted::live, 0);
}

using ChunkedQueue = PhysicsTest;

// A sweep's batch of thousands of contacts, many blocks of the batch and of
// the entries: each pair merges its two turns' contacts, the queue keeps the
// order the pairs came in, and a second batch merges into the same entries
// by their hashes.
TEST_F(ChunkedQueue, ABatchLargerThanABlockQueuesEveryPairOnceInOrder) {
    const int n = 6000;
    std::vector<core::Ref<TMass>> owned;
    std::vector<TMass*> order;
    for (int k = 0; k < n; ++k) {
        owned.push_back(TMass::Create(float(k), 0, 1, 1, 0, 1));
        order.push_back(owned.back());
    }
    // A chain: mass k meets k - 1 and k + 1, and the world's bounds every
    // tenth turn, twice.
    const auto sweep = [&](float scale) {
        Queue().BeginBatch(order, TColEvent::MODE_UPDATE);
        for (int k = 0; k < n; ++k) {
            Queue().BeginTurn(static_cast<std::uint32_t>(k));
            if (k > 0) Queue().DeferMeeting(static_cast<std::uint32_t>(k - 1), float(k), 1, scale);
            if (k % 10 == 0)
                for (int twice = 0; twice < 2; ++twice)
                    Queue().Record(
                        {TColEvent::MASS_BOUNDS, order[k], currentWorld.Get(), float(k), 2, scale},
                        TColEvent::MODE_UPDATE);
            if (k + 1 < n)
                Queue().DeferMeeting(static_cast<std::uint32_t>(k + 1), float(k), 3, 2 * scale);
        }
        Queue().EndBatch();
    };
    TPhysics::Create(10000, 100, 0, 0, 1);
    sweep(1);
    sweep(10); // into a table that holds the pairs: merged by their hashes
    const int bounds = n / 10;
    ASSERT_EQ(TColEvent::QueueCount(), (n - 1) + bounds);
    for (int k = 0; k < n; ++k) {
        if (k % 10 == 0) {
            core::Ref<TColEvent> e = TColEvent::Poll();
            ASSERT_TRUE(e);
            ASSERT_EQ(e->obj1.Get(), order[k]) << k;
            ASSERT_EQ(e->id, TColEvent::MASS_BOUNDS);
            ASSERT_EQ(e->force, 22.0f) << k;
        }
        if (k + 1 < n) {
            core::Ref<TColEvent> e = TColEvent::Poll();
            ASSERT_TRUE(e);
            // First met in turn k; the last contact was turn k + 1's.
            ASSERT_EQ(e->obj1.Get(), order[k]) << k;
            ASSERT_EQ(e->obj2.Get(), order[k + 1]) << k;
            ASSERT_EQ(e->x, float(k + 1)) << k;
            ASSERT_EQ(e->y, 1.0f) << k;
            ASSERT_EQ(e->force, 33.0f) << k;
        }
    }
    EXPECT_FALSE(TColEvent::Poll());
    EXPECT_EQ(Queue().BrokenInvariant(), nullptr);
    TColEvent::Flush();
    EXPECT_EQ(TColEvent::QueueCount(), 0);
    EXPECT_EQ(owned.front()->RefCount(), 1); // the queue let go of its keys
}

// An entry keeps a contact's id in a bit field; ids beyond it keep theirs,
// also after merging.
TEST_F(ChunkedQueue, ContactIdsBeyondTheEntrysBitFieldStayWhole) {
    core::Ref<TMass> a = TMass::Create(0, 0, 1, 1, 0, 1), b = TMass::Create(0, 0, 1, 1, 0, 2);
    for (const int id : {(1 << 29) - 1, 1 << 29, -(1 << 29) - 1, INT32_MIN}) {
        Queue().Record({id, a, b, 1, 2, 3}, TColEvent::MODE_UPDATE);
        Queue().Record({id, b, a, 4, 5, 6}, TColEvent::MODE_UPDATE);
        core::Ref<TColEvent> e = TColEvent::Poll();
        ASSERT_TRUE(e);
        EXPECT_EQ(e->id, id);
        EXPECT_EQ(e->obj1.Get(), a.Get());
        EXPECT_EQ(e->x, 4.0f);
        EXPECT_EQ(e->force, 9.0f);
        TColEvent::Flush();
    }
}

// A step's queue holds each mass once for every pair it is queued in (the
// references are counted per mass); emptying it lets go of them all, and
// frees the masses whose last holder it was.
TEST_F(ChunkedQueue, AStepsQueueHoldsEachMassOncePerPairUntilEmptied) {
    Pile pile(30, 0.5f);
    for (int k = 0; k < 40; ++k) TPhysics::Update();
    std::map<const core::Object*, int> pairs;
    Queue().ForEachRecorded([&](int, TMass* mass, core::Object* other, float, float, float) {
        ++pairs[mass];
        ++pairs[other];
    });
    ASSERT_GT(pairs.size(), 2000u);
    std::vector<int> queued;
    for (const auto& m : pile.masses) queued.push_back(m->RefCount());
    TColEvent::Flush();
    for (std::size_t k = 0; k < pile.masses.size(); ++k)
        ASSERT_EQ(queued[k] - pile.masses[k]->RefCount(), pairs[pile.masses[k].Get()]) << k;

    // Queued again, then left to the queue alone.
    TPhysics::Update();
    std::map<const core::Object*, int> named;
    Queue().ForEachRecorded([&](int, TMass* mass, core::Object* other, float, float, float) {
        named[mass] = named[other] = 1;
    });
    const auto all = static_cast<std::int64_t>(pile.masses.size());
    std::int64_t held = 0;
    for (const auto& m : pile.masses) held += named.count(m.Get());
    const std::int64_t live = core::LiveObjectCount<TMass>();
    pile.masses.clear();
    pile.body = nullptr;
    // A world that is freed but still held keeps its queue; its end empties it.
    core::Ref<TPhysics> world = currentWorld;
    TPhysics::Free();
    EXPECT_EQ(core::LiveObjectCount<TMass>(), live - (all - held));
    world = nullptr;
    EXPECT_EQ(core::LiveObjectCount<TMass>(), live - all);
}
