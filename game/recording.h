#pragma once
// Recorded games: the text format, its reader and its writer.
//
// A recording is a small text file, one line each:
//
//   quorvel-recording 1        the format and its version
//   seed 4660                  the random generator's state when play began
//   0 newgame                  then the events, ticks never decreasing:
//   125 click 412.5 1630.25      a click at world (x, y), as the game used it
//   130 paint                    a repaint between two ticks
//   5012 end                   the tick the recording ended at (optional)
//
// An event's tick is the number of timer ticks the game had run when it came:
// replay applies it after that many ticks, before the next. Positions are
// written as the shortest decimal that reads back to the same float bits.
// Reading trusts nothing: every fault is a RecordingError naming the line.

#include <cstdio>
#include <istream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "game/session.h"

namespace game {

/// The first word of a recording's header line.
inline constexpr const char* RECORDING_MAGIC = "quorvel-recording";
/// The format version this program writes and reads.
inline constexpr int RECORDING_VERSION = 1;
/// The longest line accepted, without its line end (a written line is < 64).
inline constexpr std::size_t RECORDING_MAX_LINE = 200;
/// The latest tick accepted: 24 hours of play at 60 ticks a second.
inline constexpr long long RECORDING_MAX_TICK = 24LL * 60 * 60 * 60;
/// The most events accepted in one recording.
inline constexpr std::size_t RECORDING_MAX_EVENTS = 1 << 20;
/// Ticks a replay runs past its last event when the recording has no end
/// line (the program did not get to close it): 10 seconds at 60 Hz, ample
/// for a barrel to fall the world's whole height and land.
inline constexpr long long RECORDING_SETTLE_TICKS = 600;

/// A recording that cannot be read: missing, damaged or of another version.
class RecordingError : public std::runtime_error {
  public:
    /// `what` is a full sentence that names the file and, where known, the line.
    explicit RecordingError(const std::string& what) : std::runtime_error(what) {}
};

/// One recorded input with the tick it came on.
struct RecordedEvent {
    /// Timer ticks the game had run when the input came (0 before the first).
    long long tick = 0;
    /// The input, as the game's logic consumed it.
    PlayEvent event;
};

/// A whole recording, as read from a file.
struct Recording {
    /// The random generator's state when play began.
    int seed = 0;
    /// The inputs, ticks never decreasing.
    std::vector<RecordedEvent> events;
    /// The tick the recording was closed at, when it was.
    std::optional<long long> endTick;

    /// The tick a replay runs to: the end tick, or the last event's tick plus
    /// RECORDING_SETTLE_TICKS when there is no end line.
    long long LastTick() const;
};

/// Reads a recording from `in`; `name` (the file's name) heads every error.
/// Throws RecordingError on any fault; never reads more than
/// RECORDING_MAX_LINE + 1 characters of a line.
Recording ParseRecording(std::istream& in, const std::string& name);
/// Opens and reads the file at `path`; RecordingError when it cannot.
Recording LoadRecording(const std::string& path);

/// One event's line, without its line end ("125 click 412.5 1630.25").
std::string FormatEventLine(const RecordedEvent& event);

/// Writes a recording as play goes: each line is flushed when written, so a
/// program that ends at any moment leaves every event that came before.
class RecordingWriter {
  public:
    /// Creates (or empties) the file and writes the header and `seed`.
    /// Throws RecordingError when the file cannot be written.
    RecordingWriter(const std::string& path, int seed);
    ~RecordingWriter();
    RecordingWriter(const RecordingWriter&) = delete;
    RecordingWriter& operator=(const RecordingWriter&) = delete;

    /// Appends one event line. A failed write is told once on stderr; the
    /// game goes on unrecorded rather than stop.
    void Write(const RecordedEvent& event);
    /// Appends the end line and closes the file; later writes are dropped.
    void End(long long tick);

  private:
    void WriteLine(const std::string& line);

    std::string path_;
    std::FILE* file_ = nullptr;
};

} // namespace game
