// Threads: a pile of masses stepped on several threads. The same pile is
// stepped on two threads of the library's own, then on four, then through a
// task system of the program's own, and all three runs end in the same
// place, bit for bit.
#include <cstdio>
#include <cstring>
#include <vector>

#include "physics/tangle.h"

using namespace kel::tangle;

namespace {

// [task-system]
// A task system of the program's own: here every batch simply runs on the
// calling thread; a job system would spread the items over its workers.
void* RunNow(TTaskFunction task, int itemCount, int, void* taskContext, void*) {
    task(0, itemCount, 0, taskContext);
    return nullptr;
}
void Done(void*, void*) {}
// [/task-system]

// Steps a fresh pile of 4,000 masses 200 times on `threads` threads; where
// the masses end up.
std::vector<float> StepPile(int threads, bool ownTasks) {
    TPhysics::Create(1000, 2000, 0.15f, 0, 1);
    TPhysics::UseShiftedGrid(1);
    TPhysics::SetGridSize(64);
    std::vector<core::Ref<TMass>> masses;
    for (int k = 0; k < 4000; ++k) {
        const float x = 5 + 8.5f * static_cast<float>(k % 116) + 2.0f * static_cast<float>(k / 116 % 2);
        masses.push_back(TMass::Create(x, 1995 - 8.5f * static_cast<float>(k / 116), 1, 4, 0.5f, -1));
        masses.back()->AddRef(); // in the world, held by no constraint
    }
    if (ownTasks) {
        // [own-tasks]
        TPhysics::SetTaskSystem({&RunNow, &Done, nullptr});
        // [/own-tasks]
    }
    // [threads]
    // The caller and threads - 1 of the library's own, started here and
    // parked between steps. The results depend on nothing but the world:
    // any thread count from 2 gives the same bits.
    TPhysics::SetThreads(threads);
    for (int step = 0; step < 200; ++step) TPhysics::Update();
    // [/threads]
    std::vector<float> at;
    for (const core::Ref<TMass>& m : masses) {
        at.push_back(m->posX);
        at.push_back(m->posY);
    }
    TPhysics::Free(); // its threads stop with it
    return at;
}

} // namespace

int main() {
    const std::vector<float> two = StepPile(2, false);
    const std::vector<float> four = StepPile(4, false);
    const std::vector<float> own = StepPile(2, true);
    const bool same = std::memcmp(two.data(), four.data(), two.size() * sizeof(float)) == 0 &&
                      std::memcmp(two.data(), own.data(), two.size() * sizeof(float)) == 0;
    std::printf("2 threads, 4 threads and the program's own tasks: %s\n",
                same ? "the same bits" : "different");
    return same ? 0 : 1;
}
