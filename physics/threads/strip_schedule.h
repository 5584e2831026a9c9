#pragma once
// The step on several threads: the strip schedule, and the threads it runs on.
//
// The grid's columns in use are cut into strips two cells wide (wider where
// the masses span more than a few thousand strips' worth). A mass meets only
// masses of its own cell and of the eight around it, so two strips with a
// strip between them never touch the same mass: the even strips can be swept
// at the same time, then the odd ones. Each strip is one task; it sweeps its
// masses in list order, and each mass walks the cells around the cell it
// stood in when the pass began (the cells do not change during the pass: a
// mass that leaves its cell is named in its new one, and moves there when
// the pass is done). A task writes only the masses, slots and cells of its
// strip and the two columns beside it, and its contacts go to a log of its
// own (TStripLog); when both halves are done, the logs are read turn by turn
// in list order into the sleep log and the collision queue (or, on several
// threads, into the queue in ranges of turns, with the result of the reading
// in list order: collision_queue_fill.cpp), and the masses that left their cells
// move to their new ones.
//
// So the strips, the order within each and the order the logs are read in
// are decided by the world alone: any number of threads, and any task system,
// gives the same positions and the same queue, bit for bit. The results
// differ from the step on one thread (which sweeps all masses in list order
// and re-bins each as it goes).
//
// Only passes in which no outside code can run (TStepPlan::quiet) and whose
// walks go over the cells' arrays are scheduled, with their integration;
// every other pass, and the constraints, run on the calling thread as ever.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "physics/grid/cell_arrays.h"
#include "physics/threads/strip_log.h"
#include "physics/task_system.h"

namespace kel::tangle::detail {

class TThreadPool;
struct TStepContext;

// The threads a world steps on: its own pool, or the program's task system.
class TThreads {
  public:
    TThreads();
    ~TThreads();
    TThreads(const TThreads&) = delete;
    TThreads& operator=(const TThreads&) = delete;

    static constexpr int kMost = 64;
    // n threads, the caller's included (clamped to 1 ... kMost); the pool is
    // started or stopped to match, unless the program lends its own. Two or
    // more turn the strip schedule on, one turns it off.
    void Set(int n);
    int Count() const { return count_; }
    // The program's task system; `enqueue` null gives the library's pool.
    void SetTaskSystem(const TTaskSystem& system);
    // Runs the strip schedule even on one thread, to measure what it costs
    // against the step as it always was.
    void ScheduleAlone(bool on) { scheduled_ = on || count_ >= 2; }
    // Whether the quiet passes run the strip schedule. It is part of the
    // world's state (its results differ from the plain step's, and are the
    // same on any number of threads): a snapshot or a world file brings it
    // back whatever the thread count, on the calling thread alone if need be.
    bool Scheduled() const { return scheduled_; }
    void SetScheduled(bool on) { scheduled_ = on; }
    // Runs task over the items [0, count); returns when all have run.
    void For(TTaskFunction task, int count, void* context) {
        Start(task, count, context);
        Finish();
    }
    // The same in two halves, for work of the caller's own in between
    // (which must touch nothing the items touch): Start hands the items to
    // the threads, Finish returns when all have run. One batch at a time.
    void Start(TTaskFunction task, int count, void* context);
    void Finish();

    // Runs f(from, to) over [0, n) in ranges of `chunk` items, the same
    // ranges for any thread count.
    template <class F> void ForRanges(std::size_t n, std::size_t chunk, F&& f) {
        struct TRanges {
            F& f;
            std::size_t n, chunk;
        } ranges{f, n, chunk};
        const auto task = [](int begin, int end, int, void* context) {
            TRanges& r = *static_cast<TRanges*>(context);
            for (int item = begin; item < end; ++item) {
                const std::size_t from = static_cast<std::size_t>(item) * r.chunk;
                r.f(from, from + r.chunk < r.n ? from + r.chunk : r.n);
            }
        };
        For(task, static_cast<int>((n + chunk - 1) / chunk), &ranges);
    }

  private:
    void Fit();

    int count_ = 1;
    bool scheduled_ = false;
    TTaskSystem system_;
    std::unique_ptr<TThreadPool> pool_;
    // The batch started and not yet finished.
    TTaskFunction task_ = nullptr;
    int items_ = 0;
    void* context_ = nullptr;
    void* handle_ = nullptr;
};

// The masses of one strip, in list order.
struct TStripTurns {
    std::uint32_t index;
    const std::uint32_t* turns;
    std::size_t count;
};

// Sweeps the turns of one strip over the cells' arrays (quiet_sweep.cpp),
// logging its contacts and where each turn's lie; adds to `leavers` the turn
// of every mass that left the cell the arrays hold it in, in order.
void SweepStripTurns(const TStepContext& step, TCellArrays& cells, const TStripTurns& strip,
                     TStripLog& log, TTurnSpan* spans, std::vector<std::uint32_t>& leavers);

class TStripSchedule {
  public:
    // Two cells at least: a walk reaches one column to each side.
    static constexpr int kStripWidth = 2;
    // Strips are made wider where the masses span more columns than this
    // many strips of two.
    static constexpr std::int64_t kMostStrips = 4096;

    // One pass of bounds, zones and contacts over the step's movers. The
    // cells' arrays are laid out afresh when `fresh`, else they fit and are
    // written again; each strip writes its own masses' slots, sweeps in its
    // half, and loads its masses from their slots when both halves are done.
    // Then the masses that left their cells are shifted into their new ones
    // (TCellArrays::ShiftLeavers), on the calling thread, if they are few.
    // With `link`, when they are many (the arrays are then laid out again
    // and the grid's lists refilled in list order), the lists are refilled
    // here, on a worker while the calling thread fills the queue.
    struct TSwept {
        TCellArrays::TLeft left;
        bool linked; // the grid's lists were refilled
    };
    TSwept Sweep(const TStepContext& step, TCellArrays& cells, TThreads& threads, bool fresh,
                 bool link);

  private:
    enum class TPhase { Write, Sweep, Load, Fill, Retain };
    // Turns per task of counting and filling the queue's entries.
    static constexpr std::uint32_t kFillRange = 4096;
    // Task `item` of the phase under way: a strip's work, or in the load
    // phase, the refill of the lists (first, if any) and the counts of the
    // queue's entries (last, if filling).
    void RunItem(int item);
    std::uint32_t FillRanges() const;
    // The first turn of a range of the fill (or the count of turns, past the last).
    std::uint32_t FirstTurn(int range) const;
    // Puts the turns in strips, each in list order; gives the strips' count.
    std::size_t Sort(const TStepContext& step, const TCellArrays& cells);
    // Task: the strip `item` of the phase (2 * item + half while sweeping).
    static void RunStrips(int begin, int end, int worker, void* context);
    void RunStrip(std::uint32_t strip);
    // Reads the logs turn by turn into the queue (with `queue`) and the
    // sleep log (if sleeping is on).
    void Replay(const TStepContext& step, bool queue) const;

    std::vector<std::uint32_t> turns_;
    std::vector<std::uint32_t> stripStart_; // strip s: turns_[start[s], start[s + 1])
    std::vector<TStripLog> logs_;
    std::vector<TTurnSpan> spans_;                    // per turn
    std::vector<std::vector<std::uint32_t>> leavers_; // per strip: turns that left their cells
    std::vector<std::vector<TCollisionQueue::TOtherContact>> others_; // per range of the fill
    // The phase under way.
    const TStepContext* step_ = nullptr;
    TCellArrays* cells_ = nullptr;
    TPhase phase_ = TPhase::Write;
    int half_ = 0;
    bool fresh_ = false;
    bool linking_ = false; // the load phase refills the lists too, as its first task
};

} // namespace kel::tangle::detail
