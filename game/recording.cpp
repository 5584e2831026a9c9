#include "game/recording.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fstream>
#include <string_view>

namespace game {
namespace {

// The words of the event kinds, indexed by PlayEvent::Kind.
constexpr std::array<const char*, 3> KIND_WORDS = {"click", "newgame", "paint"};
constexpr const char* END_WORD = "end";
constexpr const char* SEED_WORD = "seed";

// Reads one line of at most RECORDING_MAX_LINE characters (a CR before the
// LF is dropped). Returns false at the end of the input; `overlong` tells a
// line that was cut off.
bool ReadLine(std::istream& in, std::string& line, bool& overlong) {
    line.clear();
    overlong = false;
    int c = in.get();
    if (c == std::char_traits<char>::eof()) return false;
    for (; c != std::char_traits<char>::eof() && c != '\n'; c = in.get()) {
        if (line.size() > RECORDING_MAX_LINE) {
            overlong = true;
            return true;
        }
        line.push_back(static_cast<char>(c));
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() > RECORDING_MAX_LINE) overlong = true;
    return true;
}

std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t k = 0;
    while (k < line.size()) {
        if (line[k] == ' ' || line[k] == '\t') {
            ++k;
            continue;
        }
        const std::size_t start = k;
        while (k < line.size() && line[k] != ' ' && line[k] != '\t') ++k;
        words.push_back(line.substr(start, k - start));
    }
    return words;
}

// Decimal digits only (no sign, no spaces), at most `max`.
bool ParseCount(std::string_view word, long long max, long long& value) {
    if (word.empty() || word.size() > 19) return false;
    for (char c : word)
        if (c < '0' || c > '9') return false;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    return error == std::errc() && end == word.data() + word.size() && value <= max;
}

// A finite float written in full (from_chars takes "nan" and "inf" too).
bool ParseFloat(std::string_view word, float& value) {
    if (word.empty()) return false;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    return error == std::errc() && end == word.data() + word.size() && std::isfinite(value);
}

class Reader {
  public:
    Reader(std::istream& in, const std::string& name) : in_(in), name_(name) {}

    Recording Read() {
        ReadHeader();
        ReadSeed();
        while (Next()) {
            if (recording_.endTick) Fail("there is a line after the end line");
            ReadEvent();
        }
        return std::move(recording_);
    }

  private:
    [[noreturn]] void Fail(const std::string& what) const {
        std::string where = name_;
        if (lineNumber_ > 0) where += " line " + std::to_string(lineNumber_);
        throw RecordingError("Quorvel cannot replay " + where + ": " + what + ".");
    }

    bool Next() {
        bool overlong = false;
        if (!ReadLine(in_, line_, overlong)) return false;
        ++lineNumber_;
        if (overlong)
            Fail("the line is longer than " + std::to_string(RECORDING_MAX_LINE) + " characters");
        words_ = Words(line_);
        if (words_.empty()) Fail("the line is empty");
        return true;
    }

    void ReadHeader() {
        if (!Next() || words_[0] != RECORDING_MAGIC)
            Fail(std::string("it is not a Quorvel recording (it must begin with \"") +
                 RECORDING_MAGIC + " " + std::to_string(RECORDING_VERSION) + "\")");
        long long version = 0;
        if (words_.size() != 2 || !ParseCount(words_[1], 1'000'000, version))
            Fail("the header line is damaged");
        if (version != RECORDING_VERSION)
            Fail("it is a version " + std::to_string(version) +
                 " recording, and this Quorvel plays version " + std::to_string(RECORDING_VERSION) +
                 " only");
    }

    void ReadSeed() {
        if (!Next()) Fail("the seed line is missing");
        long long seed = 0;
        if (words_.size() != 2 || words_[0] != SEED_WORD ||
            !ParseCount(words_[1], 0x7FFFFFFF, seed))
            Fail("the second line must be \"seed N\" with N from 0 to 2147483647");
        recording_.seed = static_cast<int>(seed);
    }

    void ReadEvent() {
        long long tick = 0;
        if (!ParseCount(words_[0], RECORDING_MAX_TICK, tick))
            Fail("the tick must be a whole number from 0 to " + std::to_string(RECORDING_MAX_TICK));
        if (tick < lastTick_)
            Fail("tick " + std::to_string(tick) + " comes after tick " + std::to_string(lastTick_) +
                 " (ticks must not decrease)");
        lastTick_ = tick;
        if (words_.size() < 2) Fail("the event has no kind");
        if (words_[1] == END_WORD) {
            if (words_.size() != 2) Fail("the end line has extra words");
            recording_.endTick = tick;
            return;
        }
        if (recording_.events.size() >= RECORDING_MAX_EVENTS)
            Fail("there are more than " + std::to_string(RECORDING_MAX_EVENTS) + " events");
        RecordedEvent event;
        event.tick = tick;
        event.event.kind = KindOf(words_[1]);
        const std::size_t wordsWanted = event.event.kind == PlayEvent::Click ? 4 : 2;
        if (words_.size() != wordsWanted)
            Fail("a " + std::string(words_[1]) + " event has " + std::to_string(wordsWanted - 2) +
                 " numbers after its kind");
        if (event.event.kind == PlayEvent::Click &&
            (!ParseFloat(words_[2], event.event.x) || !ParseFloat(words_[3], event.event.y)))
            Fail("a click's position must be two finite numbers");
        recording_.events.push_back(event);
    }

    PlayEvent::Kind KindOf(std::string_view word) const {
        for (std::size_t k = 0; k < KIND_WORDS.size(); ++k)
            if (word == KIND_WORDS[k]) return static_cast<PlayEvent::Kind>(k);
        Fail("unknown event kind \"" + std::string(word) + "\"");
    }

    std::istream& in_;
    const std::string& name_;
    std::string line_;
    std::vector<std::string_view> words_;
    long long lineNumber_ = 0;
    long long lastTick_ = 0;
    Recording recording_;
};

std::string FloatText(float value) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

} // namespace

long long Recording::LastTick() const {
    if (endTick) return *endTick;
    return (events.empty() ? 0 : events.back().tick) + RECORDING_SETTLE_TICKS;
}

Recording ParseRecording(std::istream& in, const std::string& name) {
    return Reader(in, name).Read();
}

Recording LoadRecording(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw RecordingError("Quorvel cannot replay " + path + ": the file cannot be opened (" +
                             std::strerror(errno) + ").");
    return ParseRecording(in, path);
}

std::string FormatEventLine(const RecordedEvent& event) {
    std::string line = std::to_string(event.tick) + " " + KIND_WORDS[event.event.kind];
    if (event.event.kind == PlayEvent::Click)
        line += " " + FloatText(event.event.x) + " " + FloatText(event.event.y);
    return line;
}

RecordingWriter::RecordingWriter(const std::string& path, int seed) : path_(path) {
    file_ = std::fopen(path.c_str(), "w");
    if (!file_)
        throw RecordingError("Quorvel cannot record to " + path + ": " + std::strerror(errno) +
                             ".");
    WriteLine(std::string(RECORDING_MAGIC) + " " + std::to_string(RECORDING_VERSION));
    WriteLine(std::string(SEED_WORD) + " " + std::to_string(seed));
    if (!file_) throw RecordingError("Quorvel cannot record to " + path + ": writing failed.");
}

RecordingWriter::~RecordingWriter() {
    if (file_) std::fclose(file_);
}

void RecordingWriter::Write(const RecordedEvent& event) { WriteLine(FormatEventLine(event)); }

void RecordingWriter::End(long long tick) {
    WriteLine(std::to_string(tick) + " " + END_WORD);
    if (file_) std::fclose(file_);
    file_ = nullptr;
}

void RecordingWriter::WriteLine(const std::string& line) {
    if (!file_) return;
    if (std::fprintf(file_, "%s\n", line.c_str()) < 0 || std::fflush(file_) != 0) {
        std::fprintf(stderr, "Quorvel stopped recording to %s: %s.\n", path_.c_str(),
                     std::strerror(errno));
        std::fclose(file_);
        file_ = nullptr;
    }
}

} // namespace game
