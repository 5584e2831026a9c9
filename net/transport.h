#pragma once
// A connection that carries messages to the other player (or the relay),
// polled from the game's one thread: nothing here blocks or calls back.

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "net/message.h"

namespace net {

class Transport {
  public:
    enum class State {
        Connecting, ///< not yet open (connecting, or waiting to be connected to)
        Open,       ///< messages flow
        Closed      ///< for good; ClosedReason says why
    };
    virtual ~Transport() = default;

    /// Does the network work that is due without blocking: connects, sends
    /// what is queued, reads what has arrived.
    virtual void Poll() = 0;
    virtual State GetState() const = 0;
    /// Queues a message; dropped when the connection is closed.
    virtual void Send(const Message& message) = 0;
    /// The next message that arrived, if any. Messages that arrived before
    /// the connection closed are still given out.
    std::optional<Message> Receive() {
        if (received_.empty()) return std::nullopt;
        Message m = std::move(received_.front());
        received_.pop_front();
        return m;
    }
    /// Sends what is queued (as far as it can without blocking) and closes.
    virtual void Close() = 0;
    /// Why the connection closed, one phrase ("the connection was reset");
    /// empty while it is not closed or when this side closed it.
    virtual std::string ClosedReason() const = 0;
    /// Whether it closed because the other side sent something faulty.
    virtual bool ClosedForFault() const = 0;

  protected:
    /// What arrived and was not given out yet, oldest first.
    std::deque<Message> received_;
};

/// Two transports joined to each other in memory, for tests: what one sends
/// the other receives at its next Poll, through the frame codec.
std::pair<std::unique_ptr<Transport>, std::unique_ptr<Transport>> MemoryPair();

} // namespace net
