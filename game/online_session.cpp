#include "game/online_session.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "game/field.h"
#include "game/frame.h"
#include "game/globals.h"
#include "game/random.h"
#include "game/world_hash.h"

namespace game {
namespace {

using Clock = std::chrono::steady_clock;

// Latencies kept for the summary: hours of clicks.
constexpr std::size_t kMaxLatencySamples = 100000;

const char* SeatName(net::Seat seat) {
    return seat == net::Seat::PlayerOne ? "Player One" : "Player Two";
}

// Player One to play, on both sides, at the start of an online game.
void GiveTurnToPlayerOne() {
    if (lblRemove[turn]) lblRemove[turn]->SetShow(0);
    turn = 0;
    if (lblRemove[turn]) lblRemove[turn]->SetShow(1);
}

} // namespace

OnlineSession::OnlineSession(std::unique_ptr<net::Transport> transport, OnlineOptions options)
    : transport_(std::move(transport)), options_(std::move(options)),
      lock_(options_.seat, options_.lockstep), room_(options_.room) {
    lastHeard_ = rateStart_ = Clock::now();
    SetStatus(options_.seat == net::Seat::PlayerOne && !options_.viaRelay ? "Waiting for a player"
              : options_.viaRelay ? "Connecting to the relay"
                                  : "Connecting");
}

OnlineSession::~OnlineSession() = default;

std::string OnlineSession::OtherPlayer() const {
    return SeatName(options_.seat == net::Seat::PlayerOne ? net::Seat::PlayerTwo
                                                          : net::Seat::PlayerOne);
}

void OnlineSession::SetStatus(const std::string& status) {
    if (status == status_) return;
    status_ = status;
    if (onStatus) onStatus(status_);
}

bool OnlineSession::Accept(const PlayEvent& event) {
    if (phase_ != Phase::Playing) return true;
    // A bot's inputs are its script's; a repaint waits for the next tick,
    // which draws the screen anyway (one applied between two ticks could
    // clear blobs on this side only).
    if (!options_.script && event.kind != PlayEvent::Paint)
        Submit(event, lock_.Ticks() + lock_.InputDelay());
    return false;
}

bool OnlineSession::HoldTick() {
    if (phase_ == Phase::Over) return false;
    Pump();
    if (phase_ == Phase::Playing) {
        SubmitScript();
        lock_.Commit(lock_.Ticks() + lock_.InputDelay() - 1);
        Pump();
    }
    if (phase_ != Phase::Over &&
        Clock::now() - lastHeard_ > std::chrono::duration<double>(options_.stallSeconds)) {
        if (phase_ == Phase::Playing || phase_ == Phase::Greeting) {
            lock_.Leave(net::Bye::Fault);
            SendOutgoing();
            End(OtherPlayer() + " went quiet", OtherPlayer() + " sent nothing for " +
                                                   std::to_string(int(options_.stallSeconds)) +
                                                   " seconds; the online game ended.");
        } else {
            lastHeard_ = Clock::now(); // waiting for a player has no limit
        }
    }
    return phase_ == Phase::Playing && !lock_.Ready();
}

void OnlineSession::BeforeTick() {
    if (phase_ != Phase::Playing) return;
    const long long tick = lock_.Ticks();
    lock_.ApplyDue([] { return turn; },
                   [&](const SeatedInput& in) {
                       Record(tick, in.event);
                       ApplyPlayEvent(in.event);
                   });
}

void OnlineSession::AfterTick() {
    if (phase_ != Phase::Playing) return;
    // This player's inputs of the tick just drawn are on the screen now.
    const auto now = Clock::now();
    for (; !given_.empty() && given_.front().first <= lock_.Ticks(); given_.pop_front())
        if (shownMs_.size() < kMaxLatencySamples)
            shownMs_.push_back(
                std::chrono::duration<double, std::milli>(now - given_.front().second).count());
    lock_.Ticked(WorldHash());
    // A bot's game ends at its last tick, whatever the other side said meanwhile.
    if (options_.lastTick >= 0 && lock_.Ticks() >= options_.lastTick &&
        lock_.GetState() == Lockstep::State::Playing) {
        lock_.Leave(net::Bye::Done);
        SendOutgoing();
        End("Game over", "The game ran its " + std::to_string(options_.lastTick) + " ticks.");
        return;
    }
    Pump();
}

void OnlineSession::Close() {
    if (phase_ == Phase::Over) return;
    Leave();
}

void OnlineSession::Leave() {
    if (phase_ == Phase::Over) return;
    if (phase_ == Phase::Playing) {
        lock_.Leave(net::Bye::Left);
        SendOutgoing();
    } else {
        transport_->Send(net::Bye{net::Bye::Left});
    }
    End("Offline", "You left the online game.");
}

void OnlineSession::SubmitScript() {
    if (!options_.script) return;
    const std::vector<RecordedEvent>& events = *options_.script;
    // Given as a player gives them: the input delay before its tick.
    const long long horizon = lock_.Ticks() + lock_.InputDelay();
    for (; scriptNext_ < events.size() && events[scriptNext_].tick <= horizon; ++scriptNext_) {
        const RecordedEvent& e = events[scriptNext_];
        if (e.event.kind != PlayEvent::Paint) Submit(e.event, e.tick);
    }
}

void OnlineSession::Submit(const PlayEvent& event, long long tick) {
    // A tick already promised (a script begun late) gives way to the first free one.
    tick = std::max(tick, lock_.EarliestLocalTick());
    if (lock_.Submit(event, tick)) given_.push_back({tick, Clock::now()});
}

std::string OnlineSession::LatencySummary() const {
    if (shownMs_.empty()) return "no input of this player was shown";
    std::vector<double> ms = shownMs_;
    std::sort(ms.begin(), ms.end());
    char text[160];
    std::snprintf(text, sizeof text,
                  "%zu inputs of this player shown %.1f ms after they were given at the median, "
                  "%.1f ms at the longest",
                  ms.size(), ms[ms.size() / 2], ms.back());
    return text;
}

void OnlineSession::SendOutgoing() {
    for (const net::Message& m : lock_.TakeOutgoing()) transport_->Send(m);
    transport_->Poll();
}

void OnlineSession::Pump() {
    if (phase_ == Phase::Playing)
        SendOutgoing();
    else
        transport_->Poll();
    // Closed already counts as opened: what came before the close is still read.
    if (phase_ == Phase::Connecting &&
        transport_->GetState() != net::Transport::State::Connecting) {
        if (options_.viaRelay) {
            transport_->Send(net::Open{options_.seat == net::Seat::PlayerOne ? net::Open::Make
                                                                             : net::Open::Enter,
                                       options_.room});
            phase_ = Phase::Waiting;
            SetStatus(options_.seat == net::Seat::PlayerOne ? "Making a room"
                                                            : "Joining room " + options_.room);
        } else {
            Greet();
        }
        lastHeard_ = Clock::now();
    }
    while (phase_ != Phase::Over) {
        std::optional<net::Message> m = transport_->Receive();
        if (!m) break;
        lastHeard_ = Clock::now();
        if (lastHeard_ - rateStart_ > std::chrono::seconds(1)) {
            rateStart_ = lastHeard_;
            rateCount_ = 0;
        }
        if (++rateCount_ > options_.maxMessagesPerSecond) {
            lock_.Leave(net::Bye::Fault);
            SendOutgoing();
            End(OtherPlayer() + " was dropped", OtherPlayer() + " sent too many messages.");
            break;
        }
        Handle(*m);
    }
    if (phase_ == Phase::Playing) {
        SendOutgoing();
        if (lock_.GetState() != Lockstep::State::Playing) EndFromLockstep();
        // A peer that played its game to the end has sent every tick it ran.
        else if (lock_.PeerFinished() && !lock_.Ready())
            End(OtherPlayer() + " left", OtherPlayer() + " finished its game at tick " +
                                             std::to_string(lock_.Ticks()) + ".");
    }
    // A peer that finished may close at once; its committed ticks still run.
    if (phase_ != Phase::Over && transport_->GetState() == net::Transport::State::Closed &&
        !(phase_ == Phase::Playing && lock_.PeerFinished())) {
        const std::string why = transport_->ClosedReason();
        if (transport_->ClosedForFault())
            End(OtherPlayer() + " was dropped", OtherPlayer() + " was dropped: " + why + ".");
        else if (phase_ == Phase::Playing)
            End(OtherPlayer() + " left",
                "The connection was lost" + (why.empty() ? "" : ": " + why) + ".");
        else
            End("Not connected",
                "Quorvel could not reach the other player" + (why.empty() ? "" : ": " + why) + ".");
    }
}

void OnlineSession::Greet() {
    phase_ = Phase::Greeting;
    SetStatus("Greeting " + OtherPlayer());
    // The host's random state goes with its hello, so that both games draw
    // from the same state from the start.
    seed_ = static_cast<std::uint32_t>(RandomSeed());
    transport_->Send(net::Hello{net::PROTOCOL_VERSION, options_.seat, seed_});
}

void OnlineSession::Handle(const net::Message& message) {
    if (std::holds_alternative<net::PeerGone>(message)) {
        // After a goodbye of a finished game, its committed ticks still run.
        if (phase_ == Phase::Playing && lock_.PeerFinished()) return;
        if (phase_ == Phase::Playing)
            lock_.Receive(net::Bye{net::Bye::Left});
        else
            End(OtherPlayer() + " left", OtherPlayer() + " left before the game began.");
        return;
    }
    if (const auto* refused = std::get_if<net::Refused>(&message)) {
        End("Refused by the relay", "The relay refused: " + refused->reason + ".");
        return;
    }
    if (phase_ == Phase::Playing)
        lock_.Receive(message);
    else
        HandleBeforePlay(message);
}

void OnlineSession::HandleBeforePlay(const net::Message& message) {
    const auto fault = [&](const std::string& what) {
        transport_->Send(net::Bye{net::Bye::Fault});
        End(OtherPlayer() + " was dropped", what);
    };
    if (phase_ == Phase::Waiting) {
        if (const auto* room = std::get_if<net::Room>(&message)) {
            room_ = room->code;
            SetStatus("Waiting (room " + room_ + ")");
        } else if (std::holds_alternative<net::Paired>(message)) {
            Greet();
        } else {
            fault("The relay sent a message out of turn.");
        }
        return;
    }
    if (phase_ != Phase::Greeting) return;
    const auto* hello = std::get_if<net::Hello>(&message);
    if (!hello) return fault(OtherPlayer() + " did not begin with a hello.");
    if (hello->version != net::PROTOCOL_VERSION)
        return fault(OtherPlayer() + "'s Quorvel speaks version " + std::to_string(hello->version) +
                     " of the online protocol, and this one version " +
                     std::to_string(net::PROTOCOL_VERSION) + ".");
    if (hello->seat == options_.seat)
        return fault(std::string("Both games want to be ") + SeatName(options_.seat) +
                     ": one must host and the other join.");
    StartPlay(options_.seat == net::Seat::PlayerOne ? seed_ : hello->seed);
}

void OnlineSession::StartPlay(std::uint32_t seed) {
    phase_ = Phase::Playing;
    // Both games start from the same state: the host's random state, a New
    // Game, Player One to play and no computer.
    SeedRandom(static_cast<int>(seed));
    fireCount = 0;
    fireSeed = 0;
    SetComputer(false);
    NewGame();
    GiveTurnToPlayerOne();
    kept_.seed = RandomSeed();
    if (!options_.recordPath.empty()) {
        try {
            writer_ = std::make_unique<RecordingWriter>(options_.recordPath, kept_.seed);
        } catch (const RecordingError& e) {
            std::fprintf(stderr, "%s\n", e.what());
        }
    }
    Record(0, {PlayEvent::NewGame});
    SetStatus("Connected");
    std::fprintf(stderr, "Quorvel online: you are %s\n", SeatName(options_.seat));
}

void OnlineSession::Record(long long tick, const PlayEvent& event) {
    kept_.events.push_back({tick, event});
    if (writer_) writer_->Write({tick, event});
}

void OnlineSession::EndFromLockstep() {
    switch (lock_.GetState()) {
    case Lockstep::State::Desync:
        desynced_ = true;
        WriteDesyncRecording();
        End("Games differ: stopped",
            lock_.Problem() + " The online game stopped; the recording is " +
                (options_.recordPath.empty() ? desyncPath_ : options_.recordPath) + ".");
        break;
    case Lockstep::State::Fault:
        End(OtherPlayer() + " was dropped", lock_.Problem());
        break;
    default:
        End(OtherPlayer() + " left", lock_.Problem());
        break;
    }
}

void OnlineSession::WriteDesyncRecording() {
    if (!options_.recordPath.empty()) return; // written as play went
    const std::string name = options_.seat == net::Seat::PlayerOne
                                 ? "quorvel-desync-player-one.qrec"
                                 : "quorvel-desync-player-two.qrec";
    desyncPath_ = (std::filesystem::path(options_.desyncFolder) / name).string();
    try {
        RecordingWriter writer(desyncPath_, kept_.seed);
        for (const RecordedEvent& e : kept_.events) writer.Write(e);
        writer.End(lock_.Ticks());
    } catch (const RecordingError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        desyncPath_.clear();
    }
}

void OnlineSession::End(const std::string& status, const std::string& problem) {
    if (phase_ == Phase::Over) return;
    const bool played = phase_ == Phase::Playing;
    phase_ = Phase::Over;
    problem_ = problem;
    if (writer_) writer_->End(lock_.Ticks());
    writer_.reset();
    transport_->Close();
    transport_->Poll();
    if (played || !problem.empty()) std::fprintf(stderr, "Quorvel online: %s\n", problem.c_str());
    SetStatus(status);
}

} // namespace game
