#include "game/lockstep.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <iterator>
#include <utility>

namespace game {
namespace {

net::Input ToWire(const PlayEvent& event, long long tick) {
    net::Input input;
    input.tick = static_cast<std::uint32_t>(tick);
    input.kind = event.kind == PlayEvent::NewGame ? net::Input::NewGame : net::Input::Click;
    input.x = event.kind == PlayEvent::Click ? event.x : 0;
    input.y = event.kind == PlayEvent::Click ? event.y : 0;
    return input;
}

PlayEvent FromWire(const net::Input& input) {
    if (input.kind == net::Input::NewGame) return {PlayEvent::NewGame};
    return {PlayEvent::Click, input.x, input.y};
}

std::string Hex(std::uint64_t hash) {
    char text[20];
    std::snprintf(text, sizeof text, "%016" PRIx64, hash);
    return text;
}

} // namespace

Lockstep::Lockstep(net::Seat local, LockstepSettings settings)
    : local_(local), settings_(settings) {}

// Out of line: GCC 12 takes the variant's string members for uninitialised
// when this is inlined into every caller.
[[gnu::noinline]] void Lockstep::Post(net::Message message) {
    outgoing_.push_back(std::move(message));
}

bool Lockstep::Submit(const PlayEvent& event, long long tick) {
    // Only clicks and New Game are played online: a repaint is the window's
    // own business, and a game's ticks bound a recording's.
    if (state_ != State::Playing || tick <= committed_ || tick > net::MAX_TICK) return false;
    if (event.kind == PlayEvent::Paint) return false;
    if (TooManyAt(localInputs_, tick)) return false;
    if (!localInputs_.empty() && tick < localInputs_.back().tick) return false;
    localInputs_.push_back({tick, event});
    Post(ToWire(event, tick));
    return true;
}

void Lockstep::Commit(long long tick) {
    if (state_ != State::Playing || tick <= committed_) return;
    committed_ = std::min<long long>(tick, net::MAX_TICK);
    Post(net::Through{static_cast<std::uint32_t>(committed_)});
}

bool Lockstep::TooManyAt(const std::deque<Pending>& queue, long long tick) const {
    int count = 0;
    for (auto k = queue.rbegin(); k != queue.rend() && k->tick == tick; ++k) ++count;
    return count >= settings_.maxInputsPerTick;
}

void Lockstep::Receive(const net::Message& message) {
    if (state_ != State::Playing) return;
    if (const auto* input = std::get_if<net::Input>(&message))
        ReceiveInput(*input);
    else if (const auto* through = std::get_if<net::Through>(&message))
        ReceiveThrough(*through);
    else if (const auto* check = std::get_if<net::Check>(&message))
        ReceiveCheck(*check);
    else if (const auto* bye = std::get_if<net::Bye>(&message)) {
        if (bye->reason == net::Bye::Desync)
            Stop(State::Desync, "The other player's game found that the two games differ.");
        else if (bye->reason == net::Bye::Done) {
            // Its game ended at its tick: this one runs to the same tick.
            if (bye->tick < ticks_ || bye->tick > peerCommitted_ + 1)
                return Stop(State::Fault, "The other player ended its game at tick " +
                                              std::to_string(bye->tick) +
                                              ", which it cannot have reached.");
            peerFinished_ = true;
            peerCommitted_ = static_cast<long long>(bye->tick) - 1;
        } else if (bye->reason == net::Bye::Fault)
            Stop(State::Fault,
                 "The other player's game stopped: it found this game's messages faulty.");
        else
            Stop(State::Ended, "The other player left.");
    } else
        Stop(State::Fault, "The other player sent a message that has no place in a game.");
}

void Lockstep::ReceiveInput(const net::Input& input) {
    if (peerFinished_)
        return Stop(State::Fault, "The other player sent an input after its goodbye.");
    const long long tick = input.tick;
    if (tick <= peerCommitted_)
        return Stop(State::Fault, "The other player sent an input for tick " +
                                      std::to_string(tick) + ", which it had already closed.");
    if (!peerInputs_.empty() && tick < peerInputs_.back().tick)
        return Stop(State::Fault, "The other player sent its inputs out of order.");
    if (tick > ticks_ + settings_.maxLead)
        return Stop(State::Fault, "The other player sent an input for tick " +
                                      std::to_string(tick) + ", too far ahead of tick " +
                                      std::to_string(ticks_) + ".");
    if (peerInputs_.size() >= static_cast<std::size_t>(settings_.maxPending) ||
        TooManyAt(peerInputs_, tick))
        return Stop(State::Fault, "The other player sent too many inputs at once.");
    peerInputs_.push_back({tick, FromWire(input)});
}

void Lockstep::ReceiveThrough(const net::Through& through) {
    if (peerFinished_) return Stop(State::Fault, "The other player went on after its goodbye.");
    const long long tick = through.tick;
    if (tick < peerCommitted_)
        return Stop(State::Fault, "The other player took back ticks it had closed.");
    if (tick > ticks_ + settings_.maxLead)
        return Stop(State::Fault, "The other player ran too far ahead (to tick " +
                                      std::to_string(tick) + " at tick " + std::to_string(ticks_) +
                                      ").");
    peerCommitted_ = tick;
}

void Lockstep::ReceiveCheck(const net::Check& check) {
    const long long tick = check.tick;
    if (tick == 0 || tick % settings_.checkEvery != 0)
        return Stop(State::Fault, "The other player checked its world at tick " +
                                      std::to_string(tick) + ", which is not a tick for checks.");
    // The peer cannot have run a tick this side has not committed.
    if (tick > committed_ + 1 || (!theirChecks_.empty() && tick <= theirChecks_.rbegin()->first))
        return Stop(State::Fault, "The other player sent a check for tick " + std::to_string(tick) +
                                      " out of turn.");
    const auto ours = ourChecks_.find(tick);
    if (ours != ourChecks_.end()) {
        CompareHash(tick, check.hash, ours->second);
        ourChecks_.erase(ourChecks_.begin(), std::next(ours));
        return;
    }
    if (tick <= ticks_)
        return Stop(State::Fault,
                    "The other player sent a check for tick " + std::to_string(tick) + " twice.");
    theirChecks_[tick] = check.hash;
}

void Lockstep::ApplyDue(const std::function<int()>& turn,
                        const std::function<void(const SeatedInput&)>& apply) {
    if (!Ready()) return;
    // Player One's inputs first, on both sides.
    std::deque<Pending>* queues[2] = {&localInputs_, &peerInputs_};
    if (local_ == net::Seat::PlayerTwo) std::swap(queues[0], queues[1]);
    for (int seat = 0; seat < 2; ++seat) {
        std::deque<Pending>& queue = *queues[seat];
        while (!queue.empty() && queue.front().tick <= ticks_) {
            const Pending due = queue.front();
            queue.pop_front();
            if (due.event.kind == PlayEvent::Click && turn() != seat) continue;
            apply({static_cast<net::Seat>(seat), due.event});
        }
    }
}

void Lockstep::Ticked(std::uint64_t hash) {
    if (state_ != State::Playing) return;
    ++ticks_;
    if (ticks_ % settings_.checkEvery != 0) return;
    Post(net::Check{static_cast<std::uint32_t>(ticks_), hash});
    const auto theirs = theirChecks_.find(ticks_);
    if (theirs != theirChecks_.end()) {
        CompareHash(ticks_, theirs->second, hash);
        theirChecks_.erase(theirChecks_.begin(), std::next(theirs));
    } else {
        ourChecks_[ticks_] = hash;
    }
}

void Lockstep::CompareHash(long long tick, std::uint64_t theirs, std::uint64_t ours) {
    if (theirs == ours) return;
    Post(net::Bye{net::Bye::Desync, static_cast<std::uint32_t>(ticks_)});
    Stop(State::Desync, "The two games differ after tick " + std::to_string(tick) +
                            " (this world's hash " + Hex(ours) + ", the other's " + Hex(theirs) +
                            ").");
}

void Lockstep::Leave(net::Bye::Reason reason) {
    if (state_ != State::Playing) return;
    Post(net::Bye{reason, static_cast<std::uint32_t>(ticks_)});
    Stop(State::Ended, "You left the online game.");
}

void Lockstep::Stop(State state, const std::string& problem) {
    if (state_ != State::Playing) return;
    state_ = state;
    problem_ = problem;
    // A peer that broke the rules is told so before it is dropped.
    if (state == State::Fault) Post(net::Bye{net::Bye::Fault, static_cast<std::uint32_t>(ticks_)});
}

std::vector<net::Message> Lockstep::TakeOutgoing() { return std::exchange(outgoing_, {}); }

} // namespace game
