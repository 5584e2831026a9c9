#pragma once
// The relay: pairs two players by a short room code and passes their
// messages through, because a browser can open connections but not accept
// them. One port serves both kinds of client: a connection that opens with
// an HTTP request is a WebSocket (one message a WebSocket binary message),
// any other speaks the framed TCP form of net/message.h.
//
// A client's first message is Open: Make gets a room and its code back
// (Room), Enter joins the room of that code; when both are there each gets
// Paired. From then on every game message one sends goes to the other, and
// nothing else may be sent. The relay reads each message whole and checks
// it (size, type, rate) before passing it on; a client that breaks a rule
// gets a Refused with the reason and is dropped, and its partner gets
// PeerGone. It keeps no game state and needs no rights beyond its port.

#include <boost/asio/io_context.hpp>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "net/tcp_transport.h"

namespace net {

struct RelayLimits {
    /// Rooms open at once; a Make beyond is refused.
    std::size_t maxRooms = 1000;
    /// Connections at once; one beyond is closed as soon as it is accepted.
    std::size_t maxConnections = 2500;
    /// Messages a second one client may send (a game sends some 61).
    int maxMessagesPerSecond = 300;
    /// Messages waiting to be sent to a client that does not read.
    std::size_t maxQueued = 2048;
    /// Time to send Open after connecting.
    std::chrono::seconds openTimeout{10};
    /// Time a room waits for its second player.
    std::chrono::seconds roomTimeout{600};
    /// Time a paired client may stay silent (a game in step sends every tick).
    std::chrono::seconds idleTimeout{30};
    /// Delay added to every message passed on (to measure play over a slow
    /// network); 0 in real use.
    std::chrono::milliseconds delay{0};
};

/// What the relay holds, for its log and its soak test.
struct RelayStats {
    std::size_t rooms = 0, connections = 0;
    std::uint64_t paired = 0, dropped = 0, messages = 0;
};

class Relay {
  public:
    /// Listens on `on` (an address, 127.0.0.1 unless told otherwise) with
    /// the context `io`, which the caller runs. Throws std::runtime_error
    /// when it cannot listen there.
    Relay(boost::asio::io_context& io, const Endpoint& on, const RelayLimits& limits = {});
    ~Relay();
    Relay(const Relay&) = delete;
    Relay& operator=(const Relay&) = delete;

    /// The port it listens on (a free one when asked for port 0).
    std::uint16_t Port() const;
    /// Call on the context's thread.
    RelayStats Stats() const;
    /// Stops listening and closes every connection (on the context's thread).
    void Stop();

    class Impl;

  private:
    std::shared_ptr<Impl> impl_;
};

} // namespace net
