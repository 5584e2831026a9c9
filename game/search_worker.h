#pragma once
// The thread the computer thinks on: it takes one move's request at a time,
// runs its MoveSearch in a world of its own, and posts the decision back.
// The trial cuts are shared out among as many threads as the machine has
// cores, each with a world of its own; the decision does not depend on how
// many. The thinking threads run at a lower priority than the one that
// hands the moves over, so that the frames come first.
// The window's thread hands a move over and goes on drawing and stepping
// the game; it waits only when it needs an answer that is not there yet.
// Where no threads exist (the web build) the same search runs in slices,
// one each time the window's thread polls, in its own world all the same.

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "game/move_search.h"

namespace game {

class SearchWorker {
  public:
    /// Runs on a thinking thread before each slice of a search (a tick's
    /// worth of steps), on each of them at once: tests slow the thinking
    /// down or hold it with it.
    using Pause = std::function<void()>;

    /// The machine's cores, at least 1 and at most 4.
    static int DefaultThreads();

    /// Thinks on `threads` threads (at least 1).
    explicit SearchWorker(int threads = DefaultThreads());
    /// Stops the thread, forgetting a move in flight.
    ~SearchWorker();
    SearchWorker(const SearchWorker&) = delete;
    SearchWorker& operator=(const SearchWorker&) = delete;

    /// Hands a move over and returns at once; a move before it is forgotten.
    /// The thread starts with the first move.
    void Start(MoveRequest request, Pause pause = {});
    /// The decision on the move handed over, once it is made.
    std::optional<MoveDecision> Poll();
    /// The decision on the move handed over, waiting for it if need be.
    MoveDecision Wait();
    /// Forgets the move in flight without waiting: its search stops at its
    /// next step, and its answer is dropped.
    void Cancel();
    /// Cancel, and ends the thread (joined). A later Start starts it again.
    void Stop();
    /// Whether a move was handed over and its decision is not taken yet.
    bool Busy() const { return wanted_ != 0; }

  private:
    void Run();
    // A move handed over: the request and a copy of the game per thread.
    struct Move {
        MoveRequest request;
        std::vector<GameCopy> copies;
    };
    // The search of the move numbered `id`; false when it was cancelled.
    bool Think(Move& move, const Pause& pause, unsigned long long id, MoveDecision& decision);
    // One share of it, on the calling thread.
    bool ThinkShare(const MoveRequest& request, GameCopy copy, const Pause& pause,
                    unsigned long long id, int share, SearchResult& result);
    bool Wanted(unsigned long long id) const { return wanted_.load() == id; }

    const int threads_;
    std::mutex lock_;
    std::condition_variable changed_;
    std::thread thread_;
    bool quit_ = false;
    // The move to think about next, taken by the thread.
    std::optional<Move> asked_;
    Pause pause_;
    // The move whose answer is wanted (0 for none): a search whose number
    // is not it stops.
    std::atomic<unsigned long long> wanted_{0};
    unsigned long long lastId_ = 0;
    std::optional<MoveDecision> answer_;
    unsigned long long answerId_ = 0;
#ifdef QUORVEL_NO_THREADS
    std::optional<MoveSearch> inline_;
#endif
};

} // namespace game
