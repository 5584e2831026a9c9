// The recording format: what the writer writes reads back bit for bit, and
// every damaged input is refused with a message, never a crash.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <random>
#include <sstream>
#include <string>

#include "game/recording.h"

using namespace game;

namespace {

const std::string HEADER = "quorvel-recording 1\nseed 4660\n";

Recording Parse(const std::string& text) {
    std::istringstream in(text);
    return ParseRecording(in, "test.qrec");
}

// The message Parse gives, or "" when it reads the text.
std::string ErrorOf(const std::string& text) {
    try {
        Parse(text);
        return "";
    } catch (const RecordingError& e) {
        return e.what();
    }
}

bool SameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

std::filesystem::path TempFile(const std::string& name) {
    return std::filesystem::temp_directory_path() /
           ("quorvel-" + std::to_string(getpid()) + "-" + name);
}

} // namespace

TEST(RecordingFormat, WrittenEventsReadBackBitForBit) {
    const float awkward[] = {0.0f,
                             -0.0f,
                             0.1f,
                             1.0f / 3,
                             -412.37f,
                             std::numeric_limits<float>::denorm_min(),
                             std::numeric_limits<float>::min(),
                             std::numeric_limits<float>::max(),
                             -std::numeric_limits<float>::max(),
                             1999.9999f};
    const auto path = TempFile("roundtrip.qrec");
    std::vector<RecordedEvent> written;
    {
        RecordingWriter writer(path.string(), 0x7FFFFFFF);
        long long tick = 0;
        for (float x : awkward)
            for (float y : {awkward[2], x}) {
                written.push_back({tick, {PlayEvent::Click, x, y}});
                tick += 7;
            }
        written.push_back({tick, {PlayEvent::NewGame}});
        written.push_back({tick, {PlayEvent::Paint}}); // same tick: order kept
        written.push_back({RECORDING_MAX_TICK, {PlayEvent::Click, 5, 6}});
        for (const auto& e : written) writer.Write(e);
        writer.End(RECORDING_MAX_TICK);
    }
    const Recording r = LoadRecording(path.string());
    std::filesystem::remove(path);
    EXPECT_EQ(r.seed, 0x7FFFFFFF);
    ASSERT_EQ(r.events.size(), written.size());
    for (std::size_t k = 0; k < written.size(); ++k) {
        SCOPED_TRACE(FormatEventLine(written[k]));
        EXPECT_EQ(r.events[k].tick, written[k].tick);
        EXPECT_EQ(r.events[k].event.kind, written[k].event.kind);
        EXPECT_TRUE(SameBits(r.events[k].event.x, written[k].event.x));
        EXPECT_TRUE(SameBits(r.events[k].event.y, written[k].event.y));
    }
    ASSERT_TRUE(r.endTick);
    EXPECT_EQ(*r.endTick, RECORDING_MAX_TICK);
    EXPECT_EQ(r.LastTick(), RECORDING_MAX_TICK);
}

TEST(RecordingFormat, LinesAreShortAndReadable) {
    EXPECT_EQ(FormatEventLine({125, {PlayEvent::Click, 412.5f, 1630.25f}}),
              "125 click 412.5 1630.25");
    EXPECT_EQ(FormatEventLine({0, {PlayEvent::NewGame}}), "0 newgame");
    EXPECT_EQ(FormatEventLine({9, {PlayEvent::Paint, 3, 4}}), "9 paint");
    const float worst = -std::numeric_limits<float>::denorm_min();
    EXPECT_LT(FormatEventLine({RECORDING_MAX_TICK, {PlayEvent::Click, worst, worst}}).size(),
              RECORDING_MAX_LINE);
}

TEST(RecordingFormat, AFileLeftWithoutItsEndLineStillReplays) {
    const auto path = TempFile("unfinished.qrec");
    RecordingWriter writer(path.string(), 77);
    writer.Write({3, {PlayEvent::NewGame}});
    writer.Write({40, {PlayEvent::Click, 1, 2}});
    // The program ends here without closing: every line is already written.
    const Recording r = LoadRecording(path.string());
    std::filesystem::remove(path);
    EXPECT_EQ(r.seed, 77);
    ASSERT_EQ(r.events.size(), 2u);
    EXPECT_FALSE(r.endTick);
    EXPECT_EQ(r.LastTick(), 40 + RECORDING_SETTLE_TICKS);
    EXPECT_EQ(Parse(HEADER).LastTick(), RECORDING_SETTLE_TICKS);
}

TEST(RecordingFormat, ToleratesCrLfAndExtraSpace) {
    const Recording r =
        Parse("quorvel-recording 1\r\nseed\t9\r\n  4  click   1.5\t-2  \r\n4 paint\r\n8 end\r\n");
    EXPECT_EQ(r.seed, 9);
    ASSERT_EQ(r.events.size(), 2u);
    EXPECT_EQ(r.events[0].event.x, 1.5f);
    EXPECT_EQ(r.events[0].event.y, -2.0f);
    EXPECT_EQ(*r.endTick, 8);
}

TEST(RecordingFormat, WriterRefusesAPlaceItCannotWrite) {
    EXPECT_THROW(RecordingWriter("/nonexistent-folder/x.qrec", 1), RecordingError);
    EXPECT_THROW(LoadRecording("/nonexistent-folder/x.qrec"), RecordingError);
}

// Each damaged input with a piece of the message it must give.
struct Damaged {
    const char* what;
    std::string text;
    const char* message;
};

TEST(RecordingFormat, EveryDamagedInputIsRefusedWithAReason) {
    const std::string longLine(RECORDING_MAX_LINE + 1, '1');
    const Damaged cases[] = {
        {"empty file", "", "not a Quorvel recording"},
        {"another file", "\x89PNG\r\n\x1a\n", "not a Quorvel recording"},
        {"magic alone", "quorvel-recording\n", "header line is damaged"},
        {"version not a number", "quorvel-recording one\n", "header line is damaged"},
        {"version overflows", "quorvel-recording 99999999999999999999999\n", "damaged"},
        {"newer version", "quorvel-recording 2\nseed 1\n", "version 2 recording"},
        {"version 0", "quorvel-recording 0\n", "version 0 recording"},
        {"no seed", "quorvel-recording 1\n", "seed line is missing"},
        {"negative seed", "quorvel-recording 1\nseed -1\n", "seed N"},
        {"seed too big", "quorvel-recording 1\nseed 2147483648\n", "seed N"},
        {"seed misspelt", "quorvel-recording 1\nsed 1\n", "seed N"},
        {"seed with more", "quorvel-recording 1\nseed 1 2\n", "seed N"},
        {"tick not a number", HEADER + "abc click 1 2\n", "whole number"},
        {"negative tick", HEADER + "-1 newgame\n", "whole number"},
        {"tick with sign", HEADER + "+1 newgame\n", "whole number"},
        {"tick beyond a day", HEADER + std::to_string(RECORDING_MAX_TICK + 1) + " paint\n",
         "whole number"},
        {"tick overflows", HEADER + "99999999999999999999999999 paint\n", "whole number"},
        {"ticks decrease", HEADER + "10 paint\n9 paint\n", "must not decrease"},
        {"end before an event", HEADER + "10 paint\n9 end\n", "must not decrease"},
        {"no kind", HEADER + "5\n", "no kind"},
        {"unknown kind", HEADER + "5 jump\n", "unknown event kind \"jump\""},
        {"kind in capitals", HEADER + "5 CLICK 1 2\n", "unknown event kind"},
        {"click without y", HEADER + "5 click 1\n", "2 numbers"},
        {"click with more", HEADER + "5 click 1 2 3\n", "2 numbers"},
        {"new game with a number", HEADER + "5 newgame 3\n", "0 numbers"},
        {"end with more", HEADER + "5 end 3\n", "extra words"},
        {"click at nan", HEADER + "5 click nan 2\n", "finite"},
        {"click at infinity", HEADER + "5 click 1 -inf\n", "finite"},
        {"click beyond a float", HEADER + "5 click 1e39 2\n", "finite"},
        {"hexadecimal", HEADER + "5 click 0x10 2\n", "finite"},
        {"trailing letters", HEADER + "5 click 1.5abc 2\n", "finite"},
        {"decimal comma", HEADER + "5 click 1,5 2\n", "finite"},
        {"line after the end", HEADER + "5 end\n6 paint\n", "after the end"},
        {"two end lines", HEADER + "5 end\n5 end\n", "after the end"},
        {"blank line", HEADER + "5 paint\n\n6 paint\n", "empty"},
        {"only spaces", HEADER + "   \n", "empty"},
        {"overlong line", HEADER + longLine + "\n", "longer than"},
        {"overlong header", longLine + "\n", "longer than"},
        {"nul byte", HEADER + std::string("5 pa\0nt\n", 8), "unknown event kind"},
        {"cut in the middle", HEADER + "5 click 12.", "2 numbers"},
    };
    for (const Damaged& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string message = ErrorOf(c.text);
        EXPECT_NE(message.find(c.message), std::string::npos) << "message: " << message;
        EXPECT_NE(message.find("test.qrec"), std::string::npos) << "message: " << message;
    }
}

TEST(RecordingFormat, ErrorsNameTheLine) {
    EXPECT_NE(ErrorOf(HEADER + "1 paint\n2 paint\n3 jump\n").find("test.qrec line 5:"),
              std::string::npos);
}

TEST(RecordingFormat, AHugeLineIsRefusedWithoutReadingItAll) {
    // 64 MB without a line end: reading stops just past the longest line.
    struct Endless : std::streambuf {
        std::size_t given = 0;
        int_type underflow() override {
            static char block[4096];
            std::memset(block, '7', sizeof block);
            given += sizeof block;
            if (given > (64u << 20)) return traits_type::eof();
            setg(block, block, block + sizeof block);
            return '7';
        }
    } endless;
    std::istream in(&endless);
    EXPECT_THROW(ParseRecording(in, "endless"), RecordingError);
    EXPECT_LE(endless.given, 2 * 4096u);
}

TEST(RecordingFormat, TooManyEventsAreRefused) {
    std::string text = HEADER;
    text.reserve(text.size() + (RECORDING_MAX_EVENTS + 1) * 8);
    for (std::size_t k = 0; k <= RECORDING_MAX_EVENTS; ++k) text += "1 paint\n";
    EXPECT_NE(ErrorOf(text).find("more than"), std::string::npos);
}

TEST(RecordingFormat, RandomDamageGivesAnErrorOrARecordingNeverACrash) {
    const std::string valid = HEADER + "0 newgame\n12 click 412.5 1630.25\n12 paint\n"
                                       "40 click -3.75e-5 2000\n99 end\n";
    std::mt19937 random(1234);
    int refused = 0, read = 0;
    for (int round = 0; round < 5000; ++round) {
        std::string text = valid;
        const int edits = 1 + static_cast<int>(random() % 3);
        for (int e = 0; e < edits && !text.empty(); ++e) {
            const std::size_t at = random() % text.size();
            switch (random() % 4) {
            case 0:
                text[at] = static_cast<char>(random() % 256);
                break;
            case 1:
                text.insert(at, 1, "0123456789 .-e\n"[random() % 15]);
                break;
            case 2:
                text.erase(at, 1 + random() % 4);
                break;
            default:
                text.resize(at);
                break;
            }
        }
        try {
            const Recording r = Parse(text);
            ++read;
            for (std::size_t k = 1; k < r.events.size(); ++k)
                ASSERT_LE(r.events[k - 1].tick, r.events[k].tick) << text;
            for (const RecordedEvent& ev : r.events) {
                ASSERT_TRUE(std::isfinite(ev.event.x) && std::isfinite(ev.event.y)) << text;
                ASSERT_LE(ev.tick, r.LastTick()) << text;
            }
        } catch (const RecordingError&) {
            ++refused;
        }
    }
    // Both outcomes must have been seen many times, or the damage proved nothing.
    EXPECT_GT(refused, 1000);
    EXPECT_GT(read, 100);
}
