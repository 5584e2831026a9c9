#pragma once
// Lockstep: two games step the same world, and only inputs travel.
//
// Each side sends every input of its player with the tick it takes effect
// at, a few ticks ahead of its own (the input delay), and then "through T":
// it will send nothing more for ticks up to T. A side runs tick T only once
// the other has sent "through T", so both apply the same inputs at the same
// tick: Player One's first, then Player Two's, each in the order sent. A
// click counts only when it is its player's turn at that moment, which both
// sides judge on the same world. Every so often each side sends a hash of
// its world after a tick; a difference stops the game (a desync).
//
// This class is the protocol alone: it knows ticks, inputs and hashes, not
// the game's globals or the network, so that two of them can be run against
// each other in one test. Ticks count from the start of the online game.

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "game/session.h"
#include "net/message.h"

namespace game {

/// The limits of lockstep play; every figure is in ticks (60 a second).
struct LockstepSettings {
    /// Ticks between an input and the tick it takes effect at: 4 (67 ms)
    /// hides up to some 40 ms of network delay each way.
    int inputDelay = 4;
    /// Ticks between two checks of the world's hash: one a second. Both
    /// sides must use the same (it is part of the protocol's version).
    int checkEvery = 60;
    /// How far beyond its own ticks a peer may commit inputs: 10 seconds.
    int maxLead = 600;
    /// Peer inputs waiting for their tick at most (a flood is a fault).
    int maxPending = 64;
    /// Inputs of one player that may take effect at one tick.
    int maxInputsPerTick = 4;
};

/// One input as both sides apply it.
struct SeatedInput {
    net::Seat seat = net::Seat::PlayerOne;
    PlayEvent event;
};

class Lockstep {
  public:
    enum class State {
        Playing, ///< in step
        Desync,  ///< the worlds differ; play stopped
        Fault,   ///< the peer broke the protocol; play stopped
        Ended    ///< one side left
    };

    explicit Lockstep(net::Seat local, LockstepSettings settings = {});

    /// The local player's input, to take effect at `tick`, which must be
    /// beyond every tick committed so far (EarliestLocalTick). Returns false
    /// (and sends nothing) when it is not, or play has stopped.
    bool Submit(const PlayEvent& event, long long tick);
    /// The first tick a local input may still take effect at.
    long long EarliestLocalTick() const { return committed_ + 1; }
    /// Promises that no local input will be given for ticks up to `tick`
    /// (sends "through"); an earlier tick than already promised does nothing.
    void Commit(long long tick);
    /// The input delay in force.
    int InputDelay() const { return settings_.inputDelay; }

    /// A message from the peer. A broken rule moves to State::Fault.
    void Receive(const net::Message& message);
    /// Messages to send to the peer since the last call, in order.
    std::vector<net::Message> TakeOutgoing();

    /// Whether the next tick may run: the peer has committed it.
    bool Ready() const { return state_ == State::Playing && peerCommitted_ >= ticks_; }
    /// Applies the inputs of the next tick, Player One's first. A click goes
    /// to `apply` only when `turn()` (0 Player One, 1 Player Two) is its
    /// player's; New Game always does. Call once per tick, when Ready.
    void ApplyDue(const std::function<int()>& turn,
                  const std::function<void(const SeatedInput&)>& apply);
    /// The tick has run; `hash` is the world's hash after it.
    void Ticked(std::uint64_t hash);

    /// Ticks run in step so far.
    long long Ticks() const { return ticks_; }
    State GetState() const { return state_; }
    /// Why play stopped, one sentence; empty while playing.
    const std::string& Problem() const { return problem_; }
    /// Ends play from this side: says goodbye with `reason`.
    void Leave(net::Bye::Reason reason);
    /// Whether the peer played its game to the end (a goodbye of kind Done):
    /// this side runs to the tick it ended at, and then the game is over.
    bool PeerFinished() const { return peerFinished_; }
    /// Ticks the peer has committed.
    long long PeerCommitted() const { return peerCommitted_; }

  private:
    struct Pending {
        long long tick;
        PlayEvent event;
    };
    void Post(net::Message message);
    void Stop(State state, const std::string& problem);
    void CompareHash(long long tick, std::uint64_t theirs, std::uint64_t ours);
    void ReceiveInput(const net::Input& input);
    void ReceiveThrough(const net::Through& through);
    void ReceiveCheck(const net::Check& check);
    bool TooManyAt(const std::deque<Pending>& queue, long long tick) const;

    net::Seat local_;
    LockstepSettings settings_;
    State state_ = State::Playing;
    bool peerFinished_ = false;
    std::string problem_;
    long long ticks_ = 0;
    long long committed_ = -1;     // local: promised through this tick
    long long peerCommitted_ = -1; // peer: promised through this tick
    std::deque<Pending> localInputs_, peerInputs_;
    std::map<long long, std::uint64_t> ourChecks_, theirChecks_;
    std::vector<net::Message> outgoing_;
};

} // namespace game
