#include "gui/timer.h"

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "gui/detail/backend.h"
#include "gui/system_driver.h"

namespace gui {
namespace {

using Clock = std::chrono::steady_clock;

#ifdef __EMSCRIPTEN__
// The browser has no threads: the back end's frame loop asks, through
// DeliverDueTimers, for the ticks that are due. A browser that draws fewer
// frames than the timer ticks (a busy machine, a 30 Hz screen) gets every
// period's tick, as the desktop's queue of wake-ups delivers them, but no
// more than kMostTicksAFrame at once: after a long pause (a hidden page)
// the missed periods are skipped.
class NativeTimer {
  public:
    NativeTimer(int handle, TTimer* owner, std::chrono::milliseconds period, TSystemDriver* driver)
        : handle(handle), owner(owner), period_(period), next_(Clock::now() + period),
          driver_(driver) {}

    const int handle;
    TTimer* const owner;

    void PostIfDue(Clock::time_point now) {
        for (int posted = 0; now >= next_; ++posted) {
            if (posted == kMostTicksAFrame) {
                next_ = now + period_;
                return;
            }
            driver_->PostTimerMessage(handle);
            next_ += period_;
        }
    }

  private:
    static constexpr int kMostTicksAFrame = 4;
    std::chrono::milliseconds period_;
    Clock::time_point next_;
    TSystemDriver* driver_;
};
#else
// One periodic thread. Everything but `stop_` belongs to the main thread.
class NativeTimer {
  public:
    NativeTimer(int handle, TTimer* owner, std::chrono::milliseconds period, TSystemDriver* driver)
        : handle(handle), owner(owner) {
        thread_ = std::thread([this, period, driver] { Run(period, driver); });
    }
    ~NativeTimer() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        thread_.join();
    }
    NativeTimer(const NativeTimer&) = delete;
    NativeTimer& operator=(const NativeTimer&) = delete;

    const int handle;
    TTimer* const owner;

  private:
    void Run(std::chrono::milliseconds period, TSystemDriver* driver) {
        std::unique_lock<std::mutex> lock(mutex_);
        Clock::time_point next = Clock::now() + period;
        while (!wake_.wait_until(lock, next, [this] { return stop_; })) {
            lock.unlock();
            driver->PostTimerMessage(handle);
            lock.lock();
            next += period;
            // Periods missed while the machine was busy are skipped, not burst.
            const Clock::time_point now = Clock::now();
            if (next <= now) next = now + period;
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
    std::thread thread_;
};
#endif

class TimerRegistry {
  public:
    // The system driver is installed first, so it outlives every timer thread.
    TimerRegistry() : driver_(SystemDriver()) {}
    // No thread outlives the program's statics: stop what still runs.
    ~TimerRegistry() { StopAll(); }

    int Start(TTimer* owner, std::chrono::milliseconds period) {
        if (static_cast<int>(running_.size()) >= MAX_RUNNING_TIMERS) return 0;
        running_.push_back(std::make_unique<NativeTimer>(++lastHandle_, owner, period, driver_));
        return lastHandle_;
    }
    void Stop(int handle) {
        for (auto it = running_.begin(); it != running_.end(); ++it) {
            if ((*it)->handle == handle) {
                std::unique_ptr<NativeTimer> stopping = std::move(*it);
                running_.erase(it);
                return; // joins here
            }
        }
    }
    void StopAll() {
        while (!running_.empty()) running_.back()->owner->Stop();
    }
    TTimer* Find(int handle) const {
        for (const auto& timer : running_)
            if (timer->handle == handle) return timer->owner;
        return nullptr;
    }
    int Count() const { return static_cast<int>(running_.size()); }
#ifdef __EMSCRIPTEN__
    void PostDue() {
        const Clock::time_point now = Clock::now();
        for (const auto& timer : running_) timer->PostIfDue(now);
    }
#endif

  private:
    TSystemDriver* driver_;
    std::vector<std::unique_ptr<NativeTimer>> running_;
    int lastHandle_ = 0; // handles are never reused, so a late tick finds nothing
};

TimerRegistry& Registry() {
    static TimerRegistry registry;
    return registry;
}

} // namespace

void DeliverTimerMessage(int handle) {
    if (TTimer* timer = Registry().Find(handle)) timer->Fire();
}

int RunningTimerCount() { return Registry().Count(); }

void StopAllTimers() { Registry().StopAll(); }

#ifdef __EMSCRIPTEN__
void DeliverDueTimers() { Registry().PostDue(); }
#endif

TTimer::~TTimer() {
    if (_handle) Registry().Stop(_handle);
}

core::Ref<TTimer> TTimer::Create(double hz, TEvent* event) {
    if (!(hz > 0) || !std::isfinite(hz)) return nullptr;
    const double periodMs = std::trunc(1000.0 / hz);
    if (periodMs < 1) return nullptr;
    core::Ref<TTimer> timer = core::Make<TTimer>();
    const int handle =
        Registry().Start(timer, std::chrono::milliseconds(static_cast<long long>(periodMs)));
    if (!handle) return nullptr;
    timer->_handle = handle;
    timer->_event = event;
    timer->_cycle = timer;
    return timer;
}

void TTimer::Stop() {
    if (!_handle) return;
    core::Ref<TTimer> keep(this);
    Registry().Stop(std::exchange(_handle, 0));
    _event = nullptr;
    _cycle = nullptr;
}

void TTimer::Fire() {
    if (!_handle) return;
    core::Ref<TTimer> keep(this); // a hook may stop the timer
    ++_ticks;
    if (_event)
        _event->Emit();
    else
        EmitEvent(TimerTick, this, _ticks);
}

int TTimer::Wait() {
    if (!_handle) return 0;
    while (_ticks == _wticks) {
        TSystemDriver* driver = SystemDriver();
        if (!_handle || !driver->MayReceive() || !driver->Wait()) return 0;
    }
    const int ticks = _ticks - _wticks;
    _wticks = _ticks;
    return ticks;
}

core::Ref<TTimer> CreateTimer(double hz, TEvent* event) { return TTimer::Create(hz, event); }

} // namespace gui
