#pragma once
// The session of `quorvel --record FILE`: every input the game applies is
// written down with its tick as it comes.

#include <string>

#include "game/recording.h"
#include "game/session.h"

namespace game {

class Recorder final : public Session {
  public:
    /// Starts the file at `path` with the random generator's present state
    /// (call once start-up is done). Throws RecordingError when it cannot.
    explicit Recorder(const std::string& path);

    /// Writes the input down; always lets it through.
    bool Accept(const PlayEvent& event) override;
    void AfterTick() override { ++ticks_; }
    /// Writes the end line with the ticks run so far.
    void Close() override;

    /// Timer ticks run since recording began.
    long long Ticks() const { return ticks_; }

  private:
    RecordingWriter writer_;
    long long ticks_ = 0;
};

} // namespace game
