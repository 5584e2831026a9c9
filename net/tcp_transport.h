#pragma once
// Transports over TCP with Boost.Asio, each with an I/O context of its own
// that Poll runs without blocking: one connects, one waits for a single
// connection (a host playing without the relay).

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "net/transport.h"

namespace net {

/// An address and a port, as "127.0.0.1:7471" or "[::1]:7471".
struct Endpoint {
    std::string host = "127.0.0.1";
    std::uint16_t port = 0;
};

/// The port a host listens on and a relay serves when none is given.
inline constexpr std::uint16_t DEFAULT_GAME_PORT = 7471;
inline constexpr std::uint16_t DEFAULT_RELAY_PORT = 7470;

/// Reads "HOST:PORT", "HOST" or ":PORT" (the missing part from `fallback`);
/// false when the text is not one of those. Port 0 asks a listener to take
/// any free port.
bool ParseEndpoint(const std::string& text, const Endpoint& fallback, Endpoint& endpoint);
/// "HOST:PORT", bracketing an IPv6 address.
std::string FormatEndpoint(const Endpoint& endpoint);

/// A TCP transport that can also wait (for the headless loops).
class TcpTransport : public Transport {
  public:
    /// Blocks up to `wait` for network work, then does what is due.
    virtual void PollFor(std::chrono::milliseconds wait) = 0;
    /// The port it listens on (Listen with port 0 takes a free one), or 0.
    virtual std::uint16_t LocalPort() const = 0;
};

/// Connects to `to`; Connecting until the connection is made.
std::unique_ptr<TcpTransport> Connect(const Endpoint& to);
/// Listens on `on` (its host must be an address, not a name) for one
/// connection, then stops listening; Connecting until one comes. Throws
/// std::runtime_error when it cannot listen there.
std::unique_ptr<TcpTransport> Listen(const Endpoint& on);

} // namespace net
