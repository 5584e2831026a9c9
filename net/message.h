#pragma once
// The messages of online play and of the relay, and their wire form.
//
// On a byte stream (TCP) every message is one frame:
//
//   u16 length            of what follows, little-endian, 1 .. MAX_PAYLOAD
//   u8  type              one of MessageType
//   ...                   the type's fields, little-endian, fixed size
//                         except a text, which runs to the frame's end
//
// Over WebSocket one binary WebSocket message carries one frame without its
// length (the WebSocket protocol has its own). Nothing in a frame is
// trusted: a decoder refuses a frame whose size is wrong for its type, an
// unknown type, a position that is not finite, a text with bytes outside
// printable ASCII, and a length beyond MAX_PAYLOAD.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace net {

/// The protocol's version; a peer with another is refused at its hello.
inline constexpr std::uint16_t PROTOCOL_VERSION = 1;
/// The four bytes every hello begins with ("QRVL").
inline constexpr std::uint32_t HELLO_MAGIC = 0x4C565251;
/// The largest frame, without its two length bytes. The largest message (a
/// refusal's text) fits; anything larger is a faulty or hostile peer.
inline constexpr std::size_t MAX_PAYLOAD = 128;
/// The longest text a message carries (room codes, refusals' reasons).
inline constexpr std::size_t MAX_TEXT = MAX_PAYLOAD - 1;
/// The latest tick a message may name.
inline constexpr std::uint32_t MAX_TICK = 0x7FFFFFFF;
/// The longest room code.
inline constexpr std::size_t MAX_ROOM_CODE = 16;

enum class MessageType : std::uint8_t {
    // Between the two games.
    Hello = 1,   ///< first message of each side
    Input = 2,   ///< a click or a New Game, with the tick it takes effect at
    Through = 3, ///< every input up to this tick has been sent
    Check = 4,   ///< the world's hash after a tick
    Bye = 5,     ///< the sender ends the online game
    // Between a game and the relay.
    Open = 16,     ///< game to relay: make or enter a room
    Room = 17,     ///< relay to the maker: the room's code; waiting for a peer
    Paired = 18,   ///< relay to both: the other player is there
    Refused = 19,  ///< relay to a game: why it will not serve it; it closes next
    PeerGone = 20, ///< relay to a game: the other player left or was dropped
};

/// Which player a side is: the host plays Player One.
enum class Seat : std::uint8_t { PlayerOne = 0, PlayerTwo = 1 };

struct Hello {
    std::uint16_t version = PROTOCOL_VERSION;
    Seat seat = Seat::PlayerOne;
    /// The host's random state, so that both games draw the same flames.
    std::uint32_t seed = 0;
};

/// A player's input. `kind` is 0 for a click at world (x, y), 1 for New Game.
struct Input {
    enum Kind : std::uint8_t { Click = 0, NewGame = 1 };
    std::uint32_t tick = 0;
    Kind kind = Click;
    float x = 0, y = 0;
};

struct Through {
    std::uint32_t tick = 0;
};

struct Check {
    std::uint32_t tick = 0;
    std::uint64_t hash = 0;
};

struct Bye {
    enum Reason : std::uint8_t { Left = 0, Desync = 1, Fault = 2, Done = 3 };
    Reason reason = Left;
    /// The ticks the sender ran; a game that is Done ended there, and so
    /// does the other.
    std::uint32_t tick = 0;
};

struct Open {
    enum Action : std::uint8_t { Make = 0, Enter = 1 };
    Action action = Make;
    /// The room to enter; for Make, a code the maker wishes (empty: any).
    std::string code;
};

struct Room {
    std::string code;
};

struct Paired {
    Seat seat = Seat::PlayerOne;
};

struct Refused {
    std::string reason;
};

struct PeerGone {};

using Message =
    std::variant<Hello, Input, Through, Check, Bye, Open, Room, Paired, Refused, PeerGone>;

/// The type byte of a message.
MessageType TypeOf(const Message& message);
/// A message's wire form without the length bytes (the WebSocket form).
std::vector<std::uint8_t> EncodePayload(const Message& message);
/// A message's frame: two length bytes, then the payload (the TCP form).
std::vector<std::uint8_t> EncodeFrame(const Message& message);
/// Reads one payload; nullopt and `error` set (one phrase) when it is faulty.
std::optional<Message> DecodePayload(const std::uint8_t* data, std::size_t size,
                                     std::string& error);
/// Whether a text may travel in a message: printable ASCII, at most `max`.
bool IsPlainText(const std::string& text, std::size_t max);

/// Cuts a byte stream into frames. Feed it what arrives, in any pieces, and
/// take the messages out; the first faulty frame stops it for good (a
/// stream cannot be trusted to resynchronise after one).
class FrameReader {
  public:
    /// Appends received bytes. A caller that takes every message out with
    /// Next before it feeds more keeps at most one partial frame here.
    void Feed(const std::uint8_t* data, std::size_t size);
    /// The next whole message, or nullopt when none is complete yet or the
    /// stream is faulty (then Failed() says so and Error() says why).
    std::optional<Message> Next();
    bool Failed() const { return !error_.empty(); }
    const std::string& Error() const { return error_; }

  private:
    std::vector<std::uint8_t> pending_;
    std::size_t start_ = 0;
    std::string error_;
};

} // namespace net
