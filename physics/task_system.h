#pragma once
// How a program lends the world its own worker threads: a parallel-for in
// two calls. Without one, a world that steps on several threads
// (TPhysics::SetThreads) starts a small pool of its own.

namespace kel::tangle {

/// One task of a step's parallel-for: runs the items [begin, end) of the
/// batch it was given. `worker` is the index of the thread running it
/// (0 ... the system's thread count - 1); the library's tasks never depend
/// on it, so any assignment of items to threads gives the same results.
using TTaskFunction = void (*)(int begin, int end, int worker, void* taskContext);

/// A task system of the program's own. `enqueue` must see that
/// task(begin, end, worker, taskContext) runs over items [0, itemCount) in
/// ranges of at least `minRange` items (any split, in any order, on any
/// threads, the caller's included) and returns a handle (may be null);
/// `finish(handle, userContext)` returns once every item has run. Both are
/// called from the thread that steps the world, once per parallel phase of a
/// pass (a few per step). With `enqueue` null the library uses its own pool.
struct TTaskSystem {
    /// Starts a batch of items; returns what `finish` waits on.
    void* (*enqueue)(TTaskFunction task, int itemCount, int minRange, void* taskContext,
                     void* userContext) = nullptr;
    /// Waits until every item of the batch `handle` has run.
    void (*finish)(void* handle, void* userContext) = nullptr;
    /// Handed back to both calls untouched.
    void* userContext = nullptr;
};

} // namespace kel::tangle
