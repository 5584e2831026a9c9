#include "game/search_worker.h"

#include <algorithm>
#include <cstdlib>

#ifdef __linux__
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#endif
#include <utility>
#include <vector>

namespace game {

using kel::tangle::TPhysics;

namespace {

#ifndef QUORVEL_NO_THREADS
// Lowers the calling thread's priority (threads it starts inherit it).
void LowerThisThread() {
#ifdef __linux__
    // How much lower than the window's thread the thinking threads run: the
    // frames come first, the thinking takes what they leave.
    constexpr int THINKING_NICENESS = 19;
    const int tid = static_cast<int>(syscall(SYS_gettid));
    errno = 0;
    const int now = getpriority(PRIO_PROCESS, static_cast<id_t>(tid));
    if (errno == 0) setpriority(PRIO_PROCESS, static_cast<id_t>(tid), now + THINKING_NICENESS);
#endif
}

// Workers whose thread runs. At exit they stop before the program's statics
// go: a search steps a world, whose step runs the hook chains and counts
// objects, and those must outlive it. The handler is registered when the
// first thread starts, after everything a step uses has been made.
std::mutex& LiveLock() {
    static std::mutex lock;
    return lock;
}
std::vector<SearchWorker*>& Live() {
    static std::vector<SearchWorker*> live;
    return live;
}
void StopLiveWorkers() {
    std::vector<SearchWorker*> live;
    {
        const std::lock_guard<std::mutex> hold(LiveLock());
        live = Live();
    }
    for (SearchWorker* w : live) w->Stop();
}
#endif

} // namespace

int SearchWorker::DefaultThreads() {
    return std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, 4);
}

SearchWorker::SearchWorker(int threads) : threads_(std::max(1, threads)) {}

SearchWorker::~SearchWorker() { Stop(); }

void SearchWorker::Start(MoveRequest request, Pause pause) {
    Move move{std::move(request), {}};
#ifndef QUORVEL_NO_THREADS
    // Read here, on the calling thread (see ReadCopy); each then belongs to
    // the thread that thinks in it.
    for (int k = 0; k < threads_; ++k) move.copies.push_back(ReadCopy(move.request));
#endif
    const std::lock_guard<std::mutex> hold(lock_);
    answer_.reset();
    wanted_ = ++lastId_;
    asked_ = std::move(move);
    pause_ = std::move(pause);
#ifdef QUORVEL_NO_THREADS
    inline_.reset();
#else
    if (!thread_.joinable()) {
        quit_ = false;
        thread_ = std::thread(&SearchWorker::Run, this);
        const std::lock_guard<std::mutex> live(LiveLock());
        Live().push_back(this);
        // After the list is made, so that the list outlives the handler.
        static const bool registered = std::atexit(StopLiveWorkers) == 0;
        (void)registered;
    }
    changed_.notify_all();
#endif
}

void SearchWorker::Cancel() {
    const std::lock_guard<std::mutex> hold(lock_);
    wanted_ = 0;
    asked_.reset();
    pause_ = nullptr;
    answer_.reset();
#ifdef QUORVEL_NO_THREADS
    inline_.reset();
#endif
}

void SearchWorker::Stop() {
    Cancel();
#ifndef QUORVEL_NO_THREADS
    // Not running (never started, or stopped at exit already): the list of
    // live workers may be gone by now.
    if (!thread_.joinable()) return;
    {
        const std::lock_guard<std::mutex> hold(lock_);
        quit_ = true;
    }
    changed_.notify_all();
    thread_.join();
    const std::lock_guard<std::mutex> live(LiveLock());
    std::erase(Live(), this);
#endif
}

#ifndef QUORVEL_NO_THREADS

std::optional<MoveDecision> SearchWorker::Poll() {
    const std::lock_guard<std::mutex> hold(lock_);
    if (wanted_ == 0 || answerId_ != wanted_) return std::nullopt;
    wanted_ = 0;
    return std::exchange(answer_, std::nullopt);
}

MoveDecision SearchWorker::Wait() {
    std::unique_lock<std::mutex> hold(lock_);
    changed_.wait(hold, [this] { return wanted_ == 0 || answerId_ == wanted_; });
    if (wanted_ == 0) return {};
    wanted_ = 0;
    return *std::exchange(answer_, std::nullopt);
}

void SearchWorker::Run() {
    LowerThisThread();
    for (;;) {
        Move move;
        Pause pause;
        unsigned long long id = 0;
        {
            std::unique_lock<std::mutex> hold(lock_);
            changed_.wait(hold, [this] { return quit_ || asked_.has_value(); });
            if (quit_) break;
            move = std::move(*asked_);
            asked_.reset();
            pause = std::move(pause_);
            id = wanted_;
        }
        MoveDecision decision;
        if (!Think(move, pause, id, decision)) continue;
        {
            const std::lock_guard<std::mutex> hold(lock_);
            if (wanted_ != id) continue;
            answer_ = std::move(decision);
            answerId_ = id;
        }
        changed_.notify_all();
    }
}

bool SearchWorker::Think(Move& move, const Pause& pause, unsigned long long id,
                         MoveDecision& decision) {
    const std::size_t shares = move.copies.size();
    std::vector<SearchResult> results(shares);
    // Plain flags, one per share: each thread writes only its own.
    std::vector<char> done(shares, 0);
    {
        std::vector<std::thread> helpers;
        // Joined however this block is left.
        struct JoinAll {
            std::vector<std::thread>& threads;
            ~JoinAll() {
                for (std::thread& t : threads) t.join();
            }
        } joinAll{helpers};
        for (std::size_t k = 1; k < shares; ++k)
            helpers.emplace_back([&, k] {
                done[k] = ThinkShare(move.request, std::move(move.copies[k]), pause, id,
                                     static_cast<int>(k), results[k]);
            });
        if (shares > 0)
            done[0] = ThinkShare(move.request, std::move(move.copies[0]), pause, id, 0, results[0]);
    }
    if (std::find(done.begin(), done.end(), 0) != done.end()) return false;
    decision = MoveSearch::Decide(results);
    return true;
}

bool SearchWorker::ThinkShare(const MoveRequest& request, GameCopy copy, const Pause& pause,
                              unsigned long long id, int share, SearchResult& result) {
    bool finished = false;
    {
        MoveSearch search(request, std::move(copy), share, threads_);
        // A tick's worth at a time, so that a cancelled move stops soon.
        const int slice = std::max(1, request.settings.stepsPerTick);
        while (Wanted(id) && !search.Done()) {
            if (pause) pause();
            if (Wanted(id)) search.Work(slice);
        }
        finished = search.Done();
        if (finished) result = search.Result();
    }
    // The copy goes now, on the thread that thought in it.
    TPhysics::Free();
    return finished && Wanted(id);
}

#else // QUORVEL_NO_THREADS: the search in slices on the polling thread.

std::optional<MoveDecision> SearchWorker::Poll() {
    if (wanted_ == 0 || !asked_) return std::nullopt;
    // Work makes the copy current on this thread: the game's world is made
    // current again after each slice.
    const core::Ref<TPhysics> game = kel::tangle::currentWorld;
    if (!inline_) inline_.emplace(asked_->request);
    if (pause_) pause_();
    const bool done = inline_->Work(std::max(1, asked_->request.settings.stepsPerTick));
    if (game) game->MakeCurrent();
    if (!done) return std::nullopt;
    MoveDecision decision = inline_->Decision();
    inline_.reset();
    asked_.reset();
    wanted_ = 0;
    return decision;
}

MoveDecision SearchWorker::Wait() {
    for (;;) {
        if (wanted_ == 0) return {};
        if (std::optional<MoveDecision> d = Poll()) return *d;
    }
}

void SearchWorker::Run() {}

bool SearchWorker::Think(Move&, const Pause&, unsigned long long, MoveDecision&) { return false; }

#endif

} // namespace game
