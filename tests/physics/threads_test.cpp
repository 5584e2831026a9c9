// A step on several threads. Its quiet passes run in strips (strip
// schedule): the results may differ from the one-thread step, but must not
// depend on how many threads run them, nor on whose task system: positions,
// old positions and the collision queue, event by event, bit for bit.
//
// QUORVEL_TEST_THREADS=n (the ThreadSanitizer build sets 4) runs the
// comparisons against n threads alone, over fewer steps.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "fnv.h"
#include "physics/contacts/collision_queue.h"
#include "physics/step/step.h"
#include "pile.h"
#include "scene.h"

namespace {

using namespace kel::tangle;

// The thread counts to compare with the schedule on one thread.
std::vector<int> ThreadCounts() {
    if (const char* n = std::getenv("QUORVEL_TEST_THREADS")) return {std::atoi(n)};
    return {2, 3, 4, 8};
}

int Steps(int full) { return std::getenv("QUORVEL_TEST_THREADS") ? full / 6 : full; }

detail::TThreads& ThreadsOfWorld() { return detail::TStepAccess::Of(*currentWorld).Threads(); }

// n threads; 1 is the strip schedule on the calling thread, 0 the step as
// it always was.
void UseThreads(int n) {
    TPhysics::SetThreads(n);
    ThreadsOfWorld().ScheduleAlone(n == 1);
}

// Hashes every mass (with its count of references, which the queue's
// entries add to) and every queued contact after each step, checking the
// step's invariants now and then; contacts name their objects by index, so
// that runs with different addresses compare. The contacts are read from the
// pair table as recorded, which builds no event objects.
class Digest {
  public:
    explicit Digest(const std::vector<core::Ref<TMass>>& masses,
                    const std::vector<core::Ref<TZone>>& zones = {})
        : masses_(masses) {
        for (std::size_t k = 0; k < masses.size(); ++k)
            indexOf_[masses[k].Get()] = static_cast<int>(k);
        for (std::size_t k = 0; k < zones.size(); ++k)
            indexOf_[zones[k].Get()] = -2 - static_cast<int>(k);
        indexOf_[currentWorld.Get()] = -1;
    }
    void Step() {
        TPhysics::Update();
        if (++steps_ % 20 == 0) {
            const detail::TStepper& stepper = detail::TStepAccess::Of(*currentWorld);
            const char* broken = stepper.BrokenInvariant(*currentWorld);
            EXPECT_EQ(broken, nullptr) << broken;
        }
        for (const core::Ref<TMass>& m : masses_) {
            hash_.Add(m->posX);
            hash_.Add(m->posY);
            hash_.Add(m->oldPosX);
            hash_.Add(m->oldPosY);
            hash_.Add(m->RefCount());
        }
        hash_.Add(TColEvent::QueueCount());
        detail::TStepAccess::Of(*currentWorld).Queue().ForEachRecorded([&](int id, const core::Object* mass,
                                             const core::Object* other, float x, float y,
                                             float force) {
            ++events_;
            hash_.Add(id);
            hash_.Add(Index(mass));
            hash_.Add(Index(other));
            hash_.Add(x);
            hash_.Add(y);
            hash_.Add(force);
        });
    }
    std::uint64_t Hash() const { return hash_.h; }
    long Events() const { return events_; }

  private:
    int Index(const core::Object* o) const {
        const auto at = indexOf_.find(o);
        return at == indexOf_.end() ? -100 : at->second;
    }
    const std::vector<core::Ref<TMass>>& masses_;
    std::unordered_map<const core::Object*, int> indexOf_;
    Fnv hash_;
    long events_ = 0;
    int steps_ = 0;
};

struct PileRun {
    std::uint64_t hash;
    long events;
};

PileRun StepPile(int threads, int steps) {
    scene::Pile pile(87, 0.5f); // 10,092 masses
    UseThreads(threads);
    Digest digest(pile.masses);
    for (int k = 0; k < steps; ++k) digest.Step();
    return {digest.Hash(), digest.Events()};
}

using Threads = scene::PhysicsTest;

TEST_F(Threads, ThePileGivesTheSameBitsOnAnyNumberOfThreads) {
    const int steps = Steps(600);
    const PileRun alone = StepPile(1, steps);
    EXPECT_GT(alone.events, 1000);
    for (int n : ThreadCounts()) {
        const PileRun run = StepPile(n, steps);
        EXPECT_EQ(run.hash, alone.hash) << n << " threads";
        EXPECT_EQ(run.events, alone.events) << n << " threads";
    }
    // Proves that the schedule ran: its results are not the one-thread step's.
    EXPECT_NE(StepPile(0, 20).hash, StepPile(1, 20).hash);
}

// A cloth of 70 x 60 masses with shear links, solved together (stacking
// mode 2), swinging down from its pinned top row onto a jelly: its
// constraints are solved on the threads when there are any.
std::uint64_t StepCloth(int threads, int steps) {
    TWorldDef def;
    def.right = 800;
    def.bottom = 800;
    def.gravityY = 0.1f;
    def.passes = 4;
    def.largestRadius = 4;
    def.stacking = STACKING_TOGETHER;
    TPhysics::Create(def);
    TClothDef cloth;
    cloth.x = 60;
    cloth.y = 40;
    cloth.columns = 70;
    cloth.rows = 60;
    cloth.spacing = 9;
    cloth.shear = true;
    const core::Ref<TAdvBody> body = BuildCloth(cloth);
    TJellyDef jelly;
    jelly.x = 400;
    jelly.y = 700;
    jelly.radius = 50;
    const core::Ref<TAdvBody> ball = BuildJelly(jelly);
    body->Activate();
    ball->Activate();
    std::vector<core::Ref<TMass>> masses;
    for (TMass* m : massList->Each<TMass>()) masses.emplace_back(m);
    UseThreads(threads);
    Digest digest(masses);
    for (int k = 0; k < steps; ++k) digest.Step();
    return digest.Hash();
}

TEST_F(Threads, AClothSolvedTogetherGivesTheSameBitsOnAnyNumberOfThreads) {
    ASSERT_GT(BuildCloth([] {
                  TClothDef d;
                  d.columns = 70, d.rows = 60, d.shear = true;
                  return d;
              }())->cIndex,
              4096); // enough for the constraints to be split
    const std::uint64_t alone = StepCloth(1, Steps(120));
    for (int n : ThreadCounts()) EXPECT_EQ(StepCloth(n, Steps(120)), alone) << n << " threads";
}

// A wide world with cells of a fixed width (SetCellSize): 6,000 masses
// dropped in heaps along a floor 6,000 units wide, so that there are
// hundreds of columns, and empty ones between the heaps.
std::uint64_t StepWideWorld(int threads, int steps, std::size_t shiftShare = 32) {
    TPhysics::Create(6000, 400, 0.15f, 0, 2);
    TPhysics::UseShiftedGrid(1);
    TPhysics::SetCellSize(10);
    std::vector<core::Ref<TMass>> masses;
    for (int k = 0; k < 6000; ++k) {
        const int heap = k / 500, at = k % 500;
        const int row = at / 25;
        const float x = 200 + 480 * static_cast<float>(heap) + 8.5f * static_cast<float>(at % 25) +
                        2.1f * static_cast<float>(row % 2);
        masses.push_back(TMass::Create(x, 395 - 7.9f * static_cast<float>(row), 1, 4, 0.5f, -1));
        masses.back()->AddRef(); // in the world without a constraint
    }
    UseThreads(threads);
    detail::TStepAccess::Of(*currentWorld).CellArrays().SetShiftShare(shiftShare);
    Digest digest(masses);
    for (int k = 0; k < steps; ++k) digest.Step();
    return digest.Hash();
}

TEST_F(Threads, CellsOfAFixedWidthGiveTheSameBits) {
    const int steps = Steps(300);
    const std::uint64_t alone = StepWideWorld(1, steps);
    for (int n : ThreadCounts()) EXPECT_EQ(StepWideWorld(n, steps), alone) << n << " threads";
    EXPECT_NE(StepWideWorld(0, 60), StepWideWorld(1, 60));
    EXPECT_EQ(detail::TStepAccess::Of(*currentWorld).LastPlan().search,
              detail::TContactSearch::GridArrays);
}

// A mass that leaves its cell is shifted into its new one in the cells'
// copies when few do (here up to one in 8, so that the settling heaps shift
// thousands); it must stand where laying them all out again would put it,
// on one thread and under the schedule alike.
TEST_F(Threads, ShiftingMassesIntoNewCellsGivesTheBitsOfAFreshLayout) {
    for (const int threads : {0, 1}) {
        const std::uint64_t shifted = StepWideWorld(threads, Steps(200), 8);
        EXPECT_GT(detail::TStepAccess::Of(*currentWorld).CellArrays().ShiftCount(), 1000u);
        EXPECT_EQ(StepWideWorld(threads, Steps(200), 0), shifted) << threads << " threads";
        EXPECT_EQ(detail::TStepAccess::Of(*currentWorld).CellArrays().ShiftCount(), 0u);
    }
}

std::vector<std::thread::id> hookThreads;

core::Ref<core::Object> RecordThread(int, core::Object* data, core::Object*) {
    hookThreads.push_back(std::this_thread::get_id());
    return data;
}

int OwnResponse(TZone* zone, TMass* mass, float nx, float ny, float depth) {
    hookThreads.push_back(std::this_thread::get_id());
    return TZone::ColDefault(zone, mass, nx, ny, depth);
}

// Soft bodies poured onto zones of each style, a frozen mass here and there
// and a group whose masses pass through each other. From step 200 to 399 a
// collision hook runs, from 400 to 499 a zone has a response of its own.
std::uint64_t StepZonedBodies(int threads, int steps) {
    TPhysics::Create(400, 600, 0.2f, 0.02f, 2);
    TPhysics::SetGridSize(24);
    TPhysics::UseShiftedGrid(1);
    std::vector<core::Ref<TZone>> zones;
    zones.push_back(TZone::Create({20, 400, 200, 480, 380, 420}, TZone::LINE, 0.4f, -1, 3));
    zones.push_back(TZone::Create({150, 250, 250, 250, 200, 300}, TZone::FILL, 0.8f, -1, 3));
    zones.push_back(
        TZone::Create({-50, -50, 450, -50, 450, 580, -50, 580}, TZone::HOLE, 0.3f, -1, 3));
    std::vector<core::Ref<TMass>> masses;
    std::vector<core::Ref<TBody>> bodies;
    for (int k = 0; k < 800; ++k) {
        if (k % 8 == 0) bodies.push_back(core::Make<TBody>());
        const float x = 15 + static_cast<float>((k * 53) % 370);
        const float y = 20 + static_cast<float>(k / 30) * 9.0f;
        masses.push_back(TMass::Create(x, y, 0.5f + static_cast<float>(k % 5),
                                       2.5f + static_cast<float>(k % 4), 0.4f, k % 13 ? -1 : 7));
        if (k % 41 == 3) masses.back()->Freeze();
        if (k % 8) TConstraint::Create(masses[k - 1], masses[k], 0, 0.6f)->Assign(bodies.back());
    }
    UseThreads(threads);
    Digest digest(masses, zones);
    for (int k = 0; k < steps; ++k) {
        if (k == steps / 3) core::AddHook(TColEvent::colHookId, RecordThread);
        if (k == 2 * steps / 3) core::RemoveHook(TColEvent::colHookId, RecordThread);
        if (k == 2 * steps / 3) zones[1]->ColResponse = OwnResponse;
        if (k == 5 * steps / 6) zones[1]->ColResponse = nullptr;
        digest.Step();
    }
    return digest.Hash();
}

TEST_F(Threads, BodiesZonesAndHooksGiveTheSameBitsAndOutsideCodeRunsOnTheCaller) {
    const int steps = Steps(600);
    hookThreads.clear();
    const std::uint64_t alone = StepZonedBodies(1, steps);
    for (int n : ThreadCounts()) {
        hookThreads.clear();
        EXPECT_EQ(StepZonedBodies(n, steps), alone) << n << " threads";
        ASSERT_GT(hookThreads.size(), 100u);
        for (const std::thread::id& id : hookThreads) ASSERT_EQ(id, std::this_thread::get_id());
    }
}

// Sleeping and stable stacking on a pile of 2,000 masses.
std::uint64_t StepPileAsleepOrStacked(int threads, int steps, bool sleep, int& awake) {
    scene::Pile pile(18, 0.5f);
    if (sleep)
        TPhysics::SetSleep(0.05f, 30);
    else
        TPhysics::SetStacking(1);
    UseThreads(threads);
    Digest digest(pile.masses);
    for (int k = 0; k < steps; ++k) digest.Step();
    awake = TPhysics::AwakeCount();
    return digest.Hash();
}

TEST_F(Threads, SleepAndStableStackingGiveTheSameBits) {
    const int steps = Steps(300);
    for (bool sleep : {true, false}) {
        int awakeAlone = 0;
        const std::uint64_t alone = StepPileAsleepOrStacked(1, steps, sleep, awakeAlone);
        for (int n : ThreadCounts()) {
            int awake = 0;
            EXPECT_EQ(StepPileAsleepOrStacked(n, steps, sleep, awake), alone) << n << " threads";
            EXPECT_EQ(awake, awakeAlone);
        }
    }
}

TEST_F(Threads, ARestoredSnapshotStepsAsBefore) {
    scene::Pile pile(30, 0.5f);
    UseThreads(ThreadCounts().back());
    for (int k = 0; k < 50; ++k) TPhysics::Update();
    const core::Ref<TWorldSnapshot> snapshot = TPhysics::TakeSnapshot();
    Digest first(pile.masses);
    for (int k = 0; k < 50; ++k) first.Step();
    TPhysics::RestoreSnapshot(snapshot);
    Digest again(pile.masses);
    for (int k = 0; k < 50; ++k) again.Step();
    EXPECT_EQ(first.Hash(), again.Hash());
}

// Whether the schedule is on is the world's: a snapshot restored after
// SetThreads(1), and a world file loaded into a world on one thread, step as
// the world on several threads would have.
TEST_F(Threads, TheScheduleTravelsWithSnapshotsAndWorldFiles) {
    scene::Pile pile(30, 0.5f);
    UseThreads(ThreadCounts().front());
    for (int k = 0; k < 50; ++k) TPhysics::Update();
    const core::Ref<TWorldSnapshot> snapshot = TPhysics::TakeSnapshot({pile.body.Get()});
    const std::vector<unsigned char> file = currentWorld->SaveToMemory({pile.body.Get()});
    Digest first(pile.masses);
    for (int k = 0; k < 50; ++k) first.Step();

    TPhysics::SetThreads(1);
    TPhysics::RestoreSnapshot(snapshot);
    Digest restored(pile.masses);
    for (int k = 0; k < 50; ++k) restored.Step();
    EXPECT_EQ(restored.Hash(), first.Hash());

    core::Ref<TPhysics> fresh = TPhysics::Create(1, 1, 0, 0, 1);
    std::string error;
    const core::Ref<TWorldSnapshot> loaded = fresh->LoadFromMemory(file, error);
    ASSERT_TRUE(loaded) << error;
    std::vector<core::Ref<TMass>> masses;
    for (TMass* m : fresh->Masses()->Each<TMass>()) masses.emplace_back(m);
    ASSERT_EQ(masses.size(), pile.masses.size());
    Digest reloaded(masses);
    for (int k = 0; k < 50; ++k) reloaded.Step();
    EXPECT_EQ(reloaded.Hash(), first.Hash());
}

// A task system that runs every batch on the caller, last item first.
struct Backwards {
    int batches = 0;
    static void* Enqueue(TTaskFunction task, int count, int minRange, void* context, void* user) {
        ++static_cast<Backwards*>(user)->batches;
        for (int k = count - minRange; k >= 0; k -= minRange) task(k, k + minRange, 0, context);
        return user;
    }
    static void Finish(void*, void*) {}
};

TEST_F(Threads, AProgramsTaskSystemGivesTheSameBits) {
    const int steps = 60;
    const PileRun pool = StepPile(2, steps);
    Backwards backwards;
    scene::Pile pile(87, 0.5f);
    TPhysics::SetThreads(2);
    TPhysics::SetTaskSystem({&Backwards::Enqueue, &Backwards::Finish, &backwards});
    Digest digest(pile.masses);
    for (int k = 0; k < steps; ++k) digest.Step();
    EXPECT_EQ(digest.Hash(), pool.hash);
    // Per step the integration, and per pass (one here) the slots written,
    // two halves swept, the masses loaded (and the queue's entries counted),
    // the entries made and the references to their masses counted.
    EXPECT_EQ(backwards.batches, 7 * steps);
}

// The process's threads, as Linux counts them.
int ThreadsOfProcess() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("Threads:", 0) == 0) return std::stoi(line.substr(8));
    }
    ADD_FAILURE() << "no thread count in /proc/self/status";
    return -1;
}

// The count once it reaches `expected`, or after a second: a joined thread
// can still be listed for a moment on a busy machine.
int ThreadsOfProcessOnceAt(int expected) {
    int count = ThreadsOfProcess();
    for (int tries = 0; count != expected && tries < 100; ++tries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        count = ThreadsOfProcess();
    }
    return count;
}

TEST_F(Threads, ThreadsStartOnlyWhenAskedAndStopWithTheSettingOrTheWorld) {
    EXPECT_EQ(TPhysics::GetThreads(), 1); // no world
    const int before = ThreadsOfProcess();
    scene::Pile pile(2, 0.5f);
    EXPECT_EQ(TPhysics::GetThreads(), 1);
    EXPECT_EQ(ThreadsOfProcessOnceAt(before), before);
    TPhysics::SetThreads(4);
    EXPECT_EQ(TPhysics::GetThreads(), 4);
    EXPECT_EQ(ThreadsOfProcessOnceAt(before + 3), before + 3);
    TPhysics::SetThreads(2);
    EXPECT_EQ(ThreadsOfProcessOnceAt(before + 1), before + 1);
    TPhysics::SetThreads(1);
    EXPECT_EQ(ThreadsOfProcessOnceAt(before), before);
    TPhysics::SetThreads(0);
    EXPECT_EQ(TPhysics::GetThreads(), 1);
    TPhysics::SetThreads(1000);
    EXPECT_EQ(TPhysics::GetThreads(), detail::TThreads::kMost);
    // A program's task system: none of the library's.
    Backwards backwards;
    TPhysics::SetTaskSystem({&Backwards::Enqueue, &Backwards::Finish, &backwards});
    EXPECT_EQ(ThreadsOfProcessOnceAt(before), before);
    TPhysics::SetTaskSystem({});
    TPhysics::SetThreads(3);
    EXPECT_EQ(ThreadsOfProcessOnceAt(before + 2), before + 2);
    TPhysics::Free();
    EXPECT_EQ(ThreadsOfProcessOnceAt(before), before);
}

} // namespace
