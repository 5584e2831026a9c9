#include "physics/detail/strip_schedule.h"

#include <algorithm>

#include "physics/colevent.h"
#include "physics/detail/cell_arrays.h"
#include "physics/detail/grid.h"
#include "physics/detail/sleep.h"
#include "physics/detail/step_context.h"
#include "physics/detail/thread_pool.h"
#include "physics/world.h"

namespace kel::tangle::detail {

thread_local TStripLog* taskLog = nullptr;

namespace {

// Points the library's emitters at a task's log for as long as it lives.
class TLogScope {
  public:
    explicit TLogScope(TStripLog& log) { taskLog = &log; }
    ~TLogScope() { taskLog = nullptr; }
    TLogScope(const TLogScope&) = delete;
    TLogScope& operator=(const TLogScope&) = delete;
};

} // namespace

TThreads::TThreads() = default;
TThreads::~TThreads() = default;

void TThreads::Set(int n) {
    count_ = std::clamp(n, 1, kMost);
    Fit();
}

void TThreads::SetTaskSystem(const TTaskSystem& system) {
    system_ = system;
    if (!system_.enqueue || !system_.finish) system_ = TTaskSystem{};
    Fit();
}

void TThreads::Fit() {
    const int workers = system_.enqueue || count_ < 2 ? 0 : count_ - 1;
    if (workers == 0)
        pool_.reset();
    else if (!pool_ || pool_->Workers() != workers)
        pool_ = std::make_unique<TThreadPool>(workers);
}

void TThreads::For(TTaskFunction task, int count, void* context) {
    if (count <= 0) return;
    if (system_.enqueue) {
        void* handle = system_.enqueue(task, count, 1, context, system_.userContext);
        system_.finish(handle, system_.userContext);
    } else if (pool_) {
        pool_->Run(task, count, context);
    } else {
        task(0, count, 0, context);
    }
}

bool TStripSchedule::Sweep(const TStepContext& step, TCellArrays& cells, TThreads& threads) {
    const int span = step.world->GridSpan();
    const int strips = (span + kStripWidth - 1) / kStripWidth;
    Sort(step, cells, strips);
    if (logs_.size() < static_cast<std::size_t>(strips)) logs_.resize(static_cast<std::size_t>(strips));
    moved_.assign(static_cast<std::size_t>(strips), 0);
    spans_.resize(step.lists.Movers().size());
    step_ = &step;
    cells_ = &cells;
    // The even strips, then the odd ones: two strips of one half lie a strip apart.
    for (half_ = 0; half_ < 2; ++half_) threads.For(&RunStrips, (strips + 1 - half_) / 2, this);
    step_ = nullptr;
    cells_ = nullptr;
    Replay(step);
    return std::find(moved_.begin(), moved_.end(), 1) != moved_.end();
}

void TStripSchedule::Sort(const TStepContext& step, const TCellArrays& cells, int strips) {
    const std::vector<TMass*>& order = step.lists.Movers();
    const std::size_t n = order.size();
    stripStart_.assign(static_cast<std::size_t>(strips) + 1, 0);
    auto stripOf = [&](std::size_t k) {
        return static_cast<std::size_t>(cells.CellOf(k) / TGrid::kSide / kStripWidth);
    };
    for (std::size_t k = 0; k < n; ++k) ++stripStart_[stripOf(k) + 1];
    for (std::size_t s = 1; s < stripStart_.size(); ++s) stripStart_[s] += stripStart_[s - 1];
    turns_.resize(n);
    // Counted into place, each strip in list order; stripStart_ runs ahead
    // by one strip while it does, and is put back after.
    for (std::size_t k = 0; k < n; ++k) turns_[stripStart_[stripOf(k)]++] = static_cast<std::uint32_t>(k);
    for (std::size_t s = stripStart_.size() - 1; s > 0; --s) stripStart_[s] = stripStart_[s - 1];
    stripStart_[0] = 0;
}

void TStripSchedule::RunStrips(int begin, int end, int, void* context) {
    TStripSchedule& self = *static_cast<TStripSchedule*>(context);
    for (int item = begin; item < end; ++item) {
        const auto strip = static_cast<std::uint32_t>(2 * item + self.half_);
        TStripLog& log = self.logs_[strip];
        log.Clear();
        const std::uint32_t first = self.stripStart_[strip], last = self.stripStart_[strip + 1];
        const TLogScope scope(log);
        const TStripTurns turns{strip, self.turns_.data() + first, last - first};
        if (SweepStripTurns(*self.step_, *self.cells_, turns, log, self.spans_.data()))
            self.moved_[strip] = 1;
    }
}

void TStripSchedule::Replay(const TStepContext& step) const {
    const std::vector<TMass*>& order = step.lists.Movers();
    TContactBatch& contacts = step.worker->Contacts();
    const TOpenBatch batch(contacts, order);
    const int mode = TColEvent::colMode;
    for (std::size_t k = 0; k < order.size(); ++k) {
        const TTurnSpan& span = spans_[k];
        const TStripLog& log = logs_[span.strip];
        contacts.BeginTurn(static_cast<std::uint32_t>(k));
        for (std::uint32_t at = span.begin; at < span.end; ++at) {
            const TStripLog::Item& item = log.At(at);
            if (item.other & TStripLog::kGeneral) {
                colPairs.Record(log.General(item), mode);
            } else {
                contacts.Meet(item.other, item.x, item.y, item.force);
                if (step.sleepLog) step.sleepLog->NoteContact(order[k], order[item.other]);
            }
        }
    }
}

} // namespace kel::tangle::detail
