#include "physics/threads/thread_pool.h"

#include <chrono>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kel::tangle::detail {

namespace {

// How long a worker waits awake before it sleeps: the parallel phases of a
// step are a fraction of a millisecond apart, and a sleeping thread can take
// longer than that to wake, while the caller goes on alone. It spins for the
// first part, then yields its core at each look, so that more threads than
// cores do not starve the caller.
constexpr auto kSpinTime = std::chrono::microseconds(50);
constexpr auto kAwakeTime = std::chrono::microseconds(2000);
// The caller's spins before it yields, waiting for the workers to report.
constexpr int kSpins = 2000;

inline void Pause() {
#if defined(__SSE2__)
    _mm_pause();
#endif
}

} // namespace

TThreadPool::TThreadPool(int workers) {
    threads_.reserve(static_cast<std::size_t>(workers));
    for (int k = 0; k < workers; ++k) threads_.emplace_back([this, k] { Work(k + 1); });
}

TThreadPool::~TThreadPool() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stop_.store(true, std::memory_order_release);
    }
    wake_.notify_all();
    for (std::thread& t : threads_) t.join();
}

void TThreadPool::Start(TTaskFunction task, int count, void* context) {
    task_ = task;
    context_ = context;
    count_ = count;
    next_.store(0, std::memory_order_relaxed);
    reported_.store(0, std::memory_order_relaxed);
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        generation_.fetch_add(1, std::memory_order_release);
    }
    wake_.notify_all();
}

void TThreadPool::Finish() {
    TakeItems(0);
    const int workers = Workers();
    for (int spin = 0; reported_.load(std::memory_order_acquire) != workers; ++spin) {
        if (spin < kSpins)
            Pause();
        else
            std::this_thread::yield();
    }
}

void TThreadPool::TakeItems(int worker) {
    for (int item = next_.fetch_add(1, std::memory_order_relaxed); item < count_;
         item = next_.fetch_add(1, std::memory_order_relaxed))
        task_(item, item + 1, worker, context_);
}

void TThreadPool::Work(int worker) {
    std::uint64_t seen = 0;
    for (;;) {
        const auto idle = std::chrono::steady_clock::now();
        for (int spin = 1;; ++spin) {
            if (generation_.load(std::memory_order_acquire) != seen ||
                stop_.load(std::memory_order_acquire))
                break;
            if (spin < 64) {
                Pause();
                continue;
            }
            const auto waited = std::chrono::steady_clock::now() - idle;
            if (waited > kAwakeTime) break;
            if (waited > kSpinTime)
                std::this_thread::yield();
            else
                Pause();
        }
        if (generation_.load(std::memory_order_acquire) == seen) {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [&] {
                return generation_.load(std::memory_order_acquire) != seen ||
                       stop_.load(std::memory_order_acquire);
            });
        }
        if (stop_.load(std::memory_order_acquire)) return;
        seen = generation_.load(std::memory_order_acquire);
        TakeItems(worker);
        reported_.fetch_add(1, std::memory_order_acq_rel);
    }
}

} // namespace kel::tangle::detail
