// The wire form of online play's messages: every message reads back as it
// was written, in any pieces, and every damaged frame is refused with a
// reason rather than read as something else.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "net/message.h"

using namespace net;

namespace {

std::vector<Message> OneOfEach() {
    return {Hello{PROTOCOL_VERSION, Seat::PlayerTwo, 0x12345678},
            Input{77, Input::Click, 412.5f, -1630.25f},
            Input{MAX_TICK, Input::NewGame, 0, 0},
            Through{123456},
            Check{600, 0xFEDCBA9876543210ull},
            Bye{Bye::Desync, 1234},
            Open{Open::Enter, "K7X2QD"},
            Open{Open::Make, ""},
            Room{"ABCDEFGHJKMNPQRS"},
            Paired{Seat::PlayerOne},
            Refused{std::string(MAX_TEXT, 'x')},
            PeerGone{}};
}

std::optional<Message> Decode(const std::vector<std::uint8_t>& payload, std::string& error) {
    return DecodePayload(payload.data(), payload.size(), error);
}

} // namespace

TEST(Message, EveryMessageReadsBackAsWritten) {
    for (const Message& m : OneOfEach()) {
        SCOPED_TRACE(static_cast<int>(TypeOf(m)));
        const auto payload = EncodePayload(m);
        ASSERT_LE(payload.size(), MAX_PAYLOAD);
        std::string error;
        const auto back = Decode(payload, error);
        ASSERT_TRUE(back) << error;
        EXPECT_EQ(EncodePayload(*back), payload);
        EXPECT_EQ(back->index(), m.index());
    }
    // Fields land where they belong, little-endian.
    const auto bytes = EncodePayload(Through{0x01020304});
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{3, 4, 3, 2, 1}));
}

TEST(Message, AFrameReaderTakesAStreamInAnyPieces) {
    std::vector<std::uint8_t> stream;
    for (const Message& m : OneOfEach()) {
        const auto frame = EncodeFrame(m);
        stream.insert(stream.end(), frame.begin(), frame.end());
    }
    for (std::size_t piece : {std::size_t(1), std::size_t(2), std::size_t(7), stream.size()}) {
        SCOPED_TRACE(piece);
        FrameReader reader;
        std::vector<Message> got;
        for (std::size_t at = 0; at < stream.size(); at += piece) {
            reader.Feed(stream.data() + at, std::min(piece, stream.size() - at));
            while (auto m = reader.Next()) got.push_back(*m);
        }
        EXPECT_FALSE(reader.Failed()) << reader.Error();
        ASSERT_EQ(got.size(), OneOfEach().size());
        for (std::size_t k = 0; k < got.size(); ++k)
            EXPECT_EQ(EncodePayload(got[k]), EncodePayload(OneOfEach()[k]));
    }
}

TEST(Message, EveryPayloadOfTheWrongSizeIsRefused) {
    for (const Message& m : OneOfEach()) {
        const auto payload = EncodePayload(m);
        const bool text = std::holds_alternative<Open>(m) || std::holds_alternative<Room>(m) ||
                          std::holds_alternative<Refused>(m);
        SCOPED_TRACE(static_cast<int>(TypeOf(m)));
        // One byte short: a fixed-size message is refused; a text just
        // loses its last letter (or, for Open, its action when empty).
        auto shorter = payload;
        shorter.pop_back();
        std::string error;
        if (!text && !shorter.empty()) {
            EXPECT_FALSE(Decode(shorter, error));
            EXPECT_NE(error.find("wrong size"), std::string::npos) << error;
        }
        if (!text) {
            auto longer = payload;
            longer.push_back(0);
            EXPECT_FALSE(Decode(longer, error));
            EXPECT_NE(error.find("wrong size"), std::string::npos) << error;
        }
    }
}

TEST(Message, DamagedFieldsAreRefusedWithAReason) {
    const auto with = [](Message m, std::size_t at, std::uint8_t byte) {
        auto payload = EncodePayload(m);
        payload.at(at) = byte;
        return payload;
    };
    std::vector<std::uint8_t> nanClick = EncodePayload(Input{5, Input::Click, 0, 0});
    const float nan = std::numeric_limits<float>::quiet_NaN(),
                inf = std::numeric_limits<float>::infinity();
    std::memcpy(&nanClick[6], &nan, 4);
    std::vector<std::uint8_t> infClick = EncodePayload(Input{5, Input::Click, 0, 0});
    std::memcpy(&infClick[10], &inf, 4);
    const std::pair<std::vector<std::uint8_t>, const char*> cases[] = {
        {{}, "an empty message"},
        {{99}, "unknown type 99"},
        {{0}, "unknown type 0"},
        {with(Hello{}, 1, 'X'), "magic"},
        {with(Hello{}, 7, 2), "unknown seat"},
        {with(Input{}, 5, 2), "unknown kind"},
        {nanClick, "not finite"},
        {infClick, "not finite"},
        {with(Bye{}, 1, 9), "unknown reason"},
        {with(Open{Open::Make, "AB"}, 1, 2), "unknown kind"},
        {with(Open{Open::Make, "AB"}, 2, '\n'), "plain text"},
        {EncodePayload(Open{Open::Enter, std::string(MAX_ROOM_CODE + 1, 'A')}), "too long"},
        {with(Paired{}, 1, 7), "unknown seat"},
        {with(Refused{"no"}, 1, 0x80), "plain text"},
        {std::vector<std::uint8_t>(MAX_PAYLOAD + 1, 19), "at most 128"},
    };
    for (const auto& [payload, reason] : cases) {
        SCOPED_TRACE(reason);
        std::string error;
        EXPECT_FALSE(Decode(payload, error));
        EXPECT_NE(error.find(reason), std::string::npos) << error;
    }
}

TEST(Message, AFaultyFrameStopsTheReaderForGood) {
    const std::pair<std::vector<std::uint8_t>, const char*> cases[] = {
        {{0, 0}, "a frame of 0 bytes"},
        {{129, 0}, "a frame of 129 bytes"},
        {{0xFF, 0xFF}, "a frame of 65535 bytes"},
        {{1, 0, 42}, "unknown type 42"},
    };
    for (const auto& [bytes, reason] : cases) {
        SCOPED_TRACE(reason);
        FrameReader reader;
        auto good = EncodeFrame(Through{1});
        std::vector<std::uint8_t> stream = bytes;
        stream.insert(stream.end(), good.begin(), good.end());
        reader.Feed(stream.data(), stream.size());
        EXPECT_FALSE(reader.Next());
        EXPECT_TRUE(reader.Failed());
        EXPECT_NE(reader.Error().find(reason), std::string::npos) << reader.Error();
        // Nothing after a fault is read, even a good frame.
        reader.Feed(good.data(), good.size());
        EXPECT_FALSE(reader.Next());
    }
}
