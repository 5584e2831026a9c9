#pragma once
// The library's own worker threads for a step on several cores: started
// once, parked between steps, and given one parallel-for at a time.
//
// A batch is published under a generation number; every worker wakes (it
// spins for a while, then sleeps on a condition variable), takes items one at a
// time from a shared counter until none is left, and reports that it is
// done with the generation. The caller takes items too, and returns once
// every worker has reported, so that no worker can still be reading the
// batch when the next one is published. Which thread runs which item is left
// to chance: the step's tasks own what they write, per item.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "physics/task_system.h"

namespace kel::tangle::detail {

class TThreadPool {
  public:
    // Starts `workers` threads (the caller is one more).
    explicit TThreadPool(int workers);
    // Stops and joins every worker.
    ~TThreadPool();
    TThreadPool(const TThreadPool&) = delete;
    TThreadPool& operator=(const TThreadPool&) = delete;

    int Workers() const { return static_cast<int>(threads_.size()); }
    // Runs task over the items [0, count), on the workers and the caller.
    void Run(TTaskFunction task, int count, void* context) {
        Start(task, count, context);
        Finish();
    }
    // The same in two halves, so that the caller can do something else in
    // between: Start hands the items to the workers, Finish takes what is
    // left and returns when every item has run.
    void Start(TTaskFunction task, int count, void* context);
    void Finish();

  private:
    void Work(int worker);
    void TakeItems(int worker);

    std::vector<std::thread> threads_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::atomic<std::uint64_t> generation_{0};
    std::atomic<bool> stop_{false};
    // The batch: written before its generation is published.
    TTaskFunction task_ = nullptr;
    void* context_ = nullptr;
    int count_ = 0;
    std::atomic<int> next_{0};
    std::atomic<int> reported_{0};
};

} // namespace kel::tangle::detail
