#include "physics/threads/strip_schedule.h"

#include <algorithm>
#include <optional>

#include "physics/colevent.h"
#include "physics/grid/cell_arrays.h"
#include "physics/grid/grid.h"
#include "physics/sleep/sleep.h"
#include "physics/step/step_context.h"
#include "physics/threads/thread_pool.h"
#include "physics/mass.h"
#include "physics/world.h"

namespace kel::tangle::detail {

TThreads::TThreads() = default;
TThreads::~TThreads() = default;

void TThreads::Set(int n) {
    count_ = std::clamp(n, 1, kMost);
    scheduled_ = count_ >= 2;
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

void TThreads::Start(TTaskFunction task, int count, void* context) {
    task_ = task;
    items_ = count;
    context_ = context;
    if (count <= 0) return;
    if (system_.enqueue)
        handle_ = system_.enqueue(task, count, 1, context, system_.userContext);
    else if (pool_)
        pool_->Start(task, count, context);
}

void TThreads::Finish() {
    if (items_ <= 0) return;
    if (system_.enqueue)
        system_.finish(handle_, system_.userContext);
    else if (pool_)
        pool_->Finish();
    else
        task_(0, items_, 0, context_);
    items_ = 0;
}

TStripSchedule::TSwept TStripSchedule::Sweep(const TStepContext& step, TCellArrays& cells,
                                             TThreads& threads, bool fresh, bool link) {
    const std::vector<TMass*>& order = step.lists.Movers();
    if (fresh) {
        // Laid out and emptied here, filled strip by strip.
        cells.Lay(step.lists.Masses(), order, *step.world->shiftgrid, step.world->GridSpan());
        cells.ClearRoom();
    } else {
        cells.ResetCells();
    }
    const std::size_t strips = Sort(step, cells);
    if (logs_.size() < strips) logs_.resize(strips);
    if (leavers_.size() < strips) leavers_.resize(strips);
    spans_.resize(order.size());
    step_ = &step;
    cells_ = &cells;
    fresh_ = fresh;
    const int count = static_cast<int>(strips);
    phase_ = TPhase::Write;
    threads.For(&RunStrips, count, this);
    // The even strips, then the odd ones: two strips of one half lie a strip apart.
    phase_ = TPhase::Sweep;
    for (half_ = 0; half_ < 2; ++half_) threads.For(&RunStrips, (count + 1 - half_) / 2, this);
    // The masses are loaded from their slots while the contacts go to the
    // queue: the one writes positions, the other reads only the logs. The
    // refill of the lists writes only the masses' places in them, and goes
    // first, so that a worker takes it while the caller fills the queue.
    phase_ = TPhase::Load;
    linking_ = link && cells.Judge(leavers_, strips, order.size()) == TCellArrays::TLeft::Many;
    // With threads to share it, the queue is filled on them: its entries
    // counted per turn beside the loads, then made in place, then the
    // masses' references counted.
    const int mode = step.queueMode;
    TCollisionQueue& queue = *step.queue;
    const bool filling = threads.Count() > 1 && mode != TColEvent::MODE_DISCARD &&
                         queue.BeginFill(order, mode, logs_.data(), spans_.data());
    const int loads = count + (linking_ ? 1 : 0);
    if (filling) {
        const int ranges = static_cast<int>(FillRanges());
        if (others_.size() < static_cast<std::size_t>(ranges)) others_.resize(ranges);
        threads.For(&RunStrips, loads + ranges, this);
        queue.PlaceTurns();
        phase_ = TPhase::Fill;
        threads.For(&RunStrips, ranges, this);
        phase_ = TPhase::Retain;
        threads.For(&RunStrips, ranges, this);
        queue.EndFill(others_.data(), static_cast<std::size_t>(ranges));
        Replay(step, false);
    } else {
        threads.Start(&RunStrips, loads, this);
        Replay(step, true);
        threads.Finish();
    }
    step_ = nullptr;
    cells_ = nullptr;
    if (linking_) return {TCellArrays::TLeft::Many, true};
    // The masses that left their cells move there now, strip by strip: a
    // strip's turns are in list order, and so is any one cell's masses.
    return {cells.ShiftLeavers(leavers_, strips, order), false};
}

std::size_t TStripSchedule::Sort(const TStepContext& step, const TCellArrays& cells) {
    const std::size_t n = step.lists.Movers().size();
    // The columns in use, and strips wide enough that there are not too
    // many of them (a mass flung far away would make thousands).
    int x0 = 0, x1 = 0;
    for (std::size_t k = 0; k < n; ++k) {
        const int x = cells.PlaceOf(k).x;
        if (k == 0 || x < x0) x0 = x;
        if (k == 0 || x > x1) x1 = x;
    }
    const std::int64_t columns = std::int64_t{x1} - x0 + 1;
    const std::int64_t width =
        std::max<std::int64_t>(kStripWidth, (columns + kMostStrips - 1) / kMostStrips);
    const auto strips = static_cast<std::size_t>((columns + width - 1) / width);
    auto stripOf = [&](std::size_t k) {
        return static_cast<std::size_t>((std::int64_t{cells.PlaceOf(k).x} - x0) / width);
    };
    stripStart_.assign(strips + 1, 0);
    for (std::size_t k = 0; k < n; ++k) ++stripStart_[stripOf(k) + 1];
    for (std::size_t s = 1; s < stripStart_.size(); ++s) stripStart_[s] += stripStart_[s - 1];
    turns_.resize(n);
    // Counted into place, each strip in list order; stripStart_ runs ahead
    // by one strip while it does, and is put back after.
    for (std::size_t k = 0; k < n; ++k)
        turns_[stripStart_[stripOf(k)]++] = static_cast<std::uint32_t>(k);
    for (std::size_t s = stripStart_.size() - 1; s > 0; --s) stripStart_[s] = stripStart_[s - 1];
    stripStart_[0] = 0;
    return strips;
}

std::uint32_t TStripSchedule::FillRanges() const {
    const std::size_t turns = step_->lists.Movers().size();
    return static_cast<std::uint32_t>((turns + kFillRange - 1) / kFillRange);
}

void TStripSchedule::RunStrips(int begin, int end, int, void* context) {
    TStripSchedule& self = *static_cast<TStripSchedule*>(context);
    for (int item = begin; item < end; ++item) self.RunItem(item);
}

std::uint32_t TStripSchedule::FirstTurn(int range) const {
    const auto turns = static_cast<std::uint32_t>(step_->lists.Movers().size());
    return std::min(turns, static_cast<std::uint32_t>(range) * kFillRange);
}

void TStripSchedule::RunItem(int item) {
    const auto strips = static_cast<int>(stripStart_.size() - 1);
    switch (phase_) {
    case TPhase::Write:
        RunStrip(static_cast<std::uint32_t>(item));
        return;
    case TPhase::Sweep:
        RunStrip(static_cast<std::uint32_t>(2 * item + half_));
        return;
    case TPhase::Load:
        if (linking_ && item-- == 0)
            step_->world->shiftgrid->RefillAll(step_->lists.Movers());
        else if (item < strips)
            RunStrip(static_cast<std::uint32_t>(item));
        else
            step_->queue->CountTurns(FirstTurn(item - strips), FirstTurn(item - strips + 1));
        return;
    case TPhase::Fill: {
        std::vector<TCollisionQueue::TOtherContact>& others = others_[static_cast<std::size_t>(item)];
        others.clear();
        KeepRoom(others, kFillRange / 4);
        step_->queue->FillTurns(FirstTurn(item), FirstTurn(item + 1), others);
        return;
    }
    case TPhase::Retain:
        step_->queue->RetainTurns(FirstTurn(item), FirstTurn(item + 1));
        return;
    }
}

void TStripSchedule::RunStrip(std::uint32_t strip) {
    const std::uint32_t first = stripStart_[strip], last = stripStart_[strip + 1];
    const std::vector<TMass*>& order = step_->lists.Movers();
    const auto turn = [this](std::size_t i) { return turns_[i]; };
    switch (phase_) {
    case TPhase::Write:
        if (fresh_)
            cells_->Place(order, first, last, turn);
        else
            cells_->Rewrite(order, first, last, turn);
        break;
    case TPhase::Sweep: {
        TStripLog& log = logs_[strip];
        log.Clear();
        log.Reserve(last - first);
        leavers_[strip].clear();
        KeepRoom(leavers_[strip], (last - first) / 8 + 16);
        // The task's own context: its contacts go to its log.
        TStepContext task = *step_;
        task.log = &log;
        const TStripTurns turns{strip, turns_.data() + first, last - first};
        SweepStripTurns(task, *cells_, turns, log, spans_.data(), leavers_[strip]);
        break;
    }
    case TPhase::Load:
        cells_->Unload(order, first, last, turn);
        break;
    case TPhase::Fill:
    case TPhase::Retain: // by ranges of turns, not strips
        break;
    }
}

void TStripSchedule::Replay(const TStepContext& step, bool queue) const {
    // Nobody wants the contacts: the queue discards them and no island sleeps.
    if (step.queueMode == TColEvent::MODE_DISCARD) queue = false;
    if (!queue && !step.sleepLog) return;
    const std::vector<TMass*>& order = step.lists.Movers();
    TContactBatch& contacts = step.worker->Contacts();
    std::optional<TOpenBatch> batch;
    if (queue) batch.emplace(contacts, order, *step.queue, step.queueMode);
    const int mode = step.queueMode;
    for (std::size_t k = 0; k < order.size(); ++k) {
        const TTurnSpan& span = spans_[k];
        const TStripLog& log = logs_[span.strip];
        if (queue) contacts.BeginTurn(static_cast<std::uint32_t>(k));
        for (std::uint32_t at = span.begin; at < span.end; ++at) {
            const TStripLog::Item& item = log.At(at);
            if (item.other & TStripLog::kGeneral) {
                if (queue) step.queue->Record(log.General(item), mode);
                continue;
            }
            if (queue) contacts.Meet(item.other, item.x, item.y, item.force);
            if (step.sleepLog) step.sleepLog->NoteContact(order[k], order[item.other]);
        }
    }
}

} // namespace kel::tangle::detail
