#pragma once
// The session of online play: this game and another, on another machine,
// step in lockstep (game/lockstep.h) over a transport, directly or through
// the relay. Until the other player is there the game is played as ever;
// when both are, both start a New Game with Player One (the host) to play,
// and from then on only clicks and New Game travel. When the online game
// ends (a player leaves, the connection is lost, a fault or a desync), the
// game goes on offline and the recording is closed.

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "game/lockstep.h"
#include "game/recording.h"
#include "game/session.h"
#include "net/transport.h"

namespace game {

struct OnlineOptions {
    /// Player One hosts, Player Two joins.
    net::Seat seat = net::Seat::PlayerOne;
    /// Through the relay: the transport leads to the relay, which pairs the
    /// two players by `room`.
    bool viaRelay = false;
    /// The room to join; for the host, a code it wishes (empty: the relay's
    /// choice).
    std::string room;
    LockstepSettings lockstep;
    /// Record the online game to this file as it goes (empty: no file,
    /// unless the games differ, see desyncFolder).
    std::string recordPath;
    /// When the games differ, the recording is written here (as
    /// quorvel-desync-player-one.qrec or -two) if there is no record file.
    std::string desyncFolder = ".";
    /// A bot's inputs: played at their own ticks instead of the player's.
    std::optional<std::vector<RecordedEvent>> script;
    /// Leave the game once this many ticks have run in step (-1: never).
    long long lastTick = -1;
    /// Seconds without a word from the other side before it counts as gone.
    double stallSeconds = 10;
    /// Messages a second the other side may send at most (a flood is a fault).
    int maxMessagesPerSecond = 1000;
};

class OnlineSession final : public Session {
  public:
    enum class Phase {
        Connecting, ///< to the relay or the host, or waiting for a connection
        Waiting,    ///< in a room of the relay, for the other player
        Greeting,   ///< connected; the hellos are on their way
        Playing,    ///< in lockstep
        Over        ///< the online game ended; the game is played offline
    };

    OnlineSession(std::unique_ptr<net::Transport> transport, OnlineOptions options);
    ~OnlineSession() override;

    /// The player's input: in step, it goes to both games after the input
    /// delay (a repaint is left to the next tick); otherwise it is applied.
    bool Accept(const PlayEvent& event) override;
    /// Talks to the network; true while the next tick must wait for the
    /// other player.
    bool HoldTick() override;
    void BeforeTick() override;
    void AfterTick() override;
    /// The window is closing: says goodbye and closes the recording.
    void Close() override;

    /// The player leaves the online game (the Leave button).
    void Leave();

    Phase GetPhase() const { return phase_; }
    /// The strip's text: "Waiting for a player", "Connected", "Player Two left", ...
    const std::string& Status() const { return status_; }
    /// Why the online game ended, one or two sentences; empty until it has.
    const std::string& Problem() const { return problem_; }
    /// Whether it ended because the two games differ.
    bool Desynced() const { return desynced_; }
    /// Ticks run in step.
    long long Ticks() const { return lock_.Ticks(); }
    /// The recording written because of a desync, if any.
    const std::string& DesyncRecording() const { return desyncPath_; }
    /// The room the relay gave (the host tells it to the other player).
    const std::string& Room() const { return room_; }

    /// How long this player's inputs took from being given to being on the
    /// screen (the frame of the tick they took effect at), one sentence.
    std::string LatencySummary() const;

    /// Told every change of the status (the strip shows it).
    std::function<void(const std::string&)> onStatus;

  private:
    void Pump();
    void SendOutgoing();
    void Greet();
    void Handle(const net::Message& message);
    void HandleBeforePlay(const net::Message& message);
    void StartPlay(std::uint32_t seed);
    void SubmitScript();
    void Submit(const PlayEvent& event, long long tick);
    void End(const std::string& status, const std::string& problem);
    void EndFromLockstep();
    void SetStatus(const std::string& status);
    void Record(long long tick, const PlayEvent& event);
    void WriteDesyncRecording();
    std::string OtherPlayer() const;

    std::unique_ptr<net::Transport> transport_;
    OnlineOptions options_;
    Lockstep lock_;
    Phase phase_ = Phase::Connecting;
    std::string status_, problem_, room_, desyncPath_;
    bool desynced_ = false;
    std::uint32_t seed_ = 0;
    std::size_t scriptNext_ = 0;
    std::unique_ptr<RecordingWriter> writer_;
    Recording kept_; // the online game's inputs, for a desync's recording
    std::chrono::steady_clock::time_point lastHeard_, rateStart_;
    int rateCount_ = 0;
    // This player's inputs not yet on the screen: their tick and when given.
    std::deque<std::pair<long long, std::chrono::steady_clock::time_point>> given_;
    std::vector<double> shownMs_;
};

} // namespace game
