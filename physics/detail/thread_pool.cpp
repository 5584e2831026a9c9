#include "physics/detail/thread_pool.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kel::tangle::detail {

namespace {

// Spins before a worker sleeps: the passes of a step follow each other
// within microseconds, and waking a sleeping thread costs more.
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

void TThreadPool::Run(TTaskFunction task, int count, void* context) {
    if (count <= 0) return;
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
        for (int spin = 0; spin < kSpins; ++spin) {
            if (generation_.load(std::memory_order_acquire) != seen ||
                stop_.load(std::memory_order_acquire))
                break;
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
