#include "net/tcp_transport.h"

#include <array>
// Before Asio: its awaitable.hpp needs std::exchange under C++20.
#include <utility>

#include <boost/asio.hpp>
#include <charconv>
#include <deque>
#include <optional>
#include <stdexcept>
#include <vector>

namespace net {
namespace {

namespace asio = boost::asio;
using asio::ip::tcp;

// What one read takes at most; a flooding peer is read no faster than the
// game takes its messages out (see kMaxReceived).
constexpr std::size_t kReadChunk = 4096;
// Messages received and not yet taken out before reading pauses.
constexpr std::size_t kMaxReceived = 512;
// Bytes queued for a peer that does not read before it counts as gone.
constexpr std::size_t kMaxQueuedBytes = 64 * 1024;
// How long closing waits for the last messages (a goodbye) to leave.
constexpr std::chrono::milliseconds kCloseFlush{200};

class AsioTcp final : public TcpTransport {
  public:
    AsioTcp() : socket_(io_), resolver_(io_) {}
    ~AsioTcp() override {
        boost::system::error_code ignored;
        socket_.close(ignored);
    }

    void StartConnect(const Endpoint& to) {
        resolver_.async_resolve(
            to.host, std::to_string(to.port),
            [this](boost::system::error_code error, tcp::resolver::results_type found) {
                if (error) return Fail("cannot find " + error.message());
                asio::async_connect(socket_, found,
                                    [this](boost::system::error_code e, const tcp::endpoint&) {
                                        if (e) return Fail(e.message());
                                        Opened();
                                    });
            });
    }

    void StartListen(const Endpoint& on) {
        boost::system::error_code error;
        const asio::ip::address address = asio::ip::make_address(on.host, error);
        if (error) throw std::runtime_error("cannot listen on \"" + on.host + "\": not an address");
        acceptor_.emplace(io_);
        const tcp::endpoint endpoint(address, on.port);
        acceptor_->open(endpoint.protocol(), error);
        if (!error) acceptor_->set_option(tcp::acceptor::reuse_address(true), error);
        if (!error) acceptor_->bind(endpoint, error);
        if (!error) acceptor_->listen(1, error);
        if (error)
            throw std::runtime_error("cannot listen on " + FormatEndpoint(on) + ": " +
                                     error.message());
        acceptor_->async_accept(socket_, [this](boost::system::error_code e) {
            boost::system::error_code ignored;
            acceptor_->close(ignored);
            if (e) return Fail(e.message());
            Opened();
        });
    }

    void Poll() override { PollFor(std::chrono::milliseconds(0)); }

    void PollFor(std::chrono::milliseconds wait) override {
        if (io_.stopped()) io_.restart();
        if (wait.count() > 0) io_.run_one_for(wait);
        // A bounded number of handlers: a peer that floods cannot keep the
        // game's thread here.
        for (int k = 0; k < 64 && io_.poll_one() > 0; ++k) {
        }
        if (state_ == State::Open && !reading_ && received_.size() < kMaxReceived) Read();
    }

    State GetState() const override { return state_; }

    void Send(const Message& message) override {
        if (state_ == State::Closed || closing_) return;
        std::vector<std::uint8_t> frame = EncodeFrame(message);
        queuedBytes_ += frame.size();
        if (queuedBytes_ > kMaxQueuedBytes) return Fail("the other side does not read");
        outbox_.push_back(std::move(frame));
        if (state_ == State::Open) Write();
    }

    void Close() override {
        if (state_ == State::Closed) return;
        closing_ = true;
        // What is queued (a goodbye) gets a moment to leave.
        const auto end = std::chrono::steady_clock::now() + kCloseFlush;
        if (io_.stopped()) io_.restart();
        while (state_ == State::Open && (writing_ || !outbox_.empty()) &&
               std::chrono::steady_clock::now() < end)
            io_.run_one_for(std::chrono::milliseconds(10));
        Shut();
    }

    std::string ClosedReason() const override { return reason_; }
    bool ClosedForFault() const override { return fault_; }

    std::uint16_t LocalPort() const override {
        boost::system::error_code error;
        if (acceptor_ && acceptor_->is_open()) return acceptor_->local_endpoint(error).port();
        return 0;
    }

  private:
    void Opened() {
        if (state_ == State::Closed) return;
        state_ = State::Open;
        boost::system::error_code ignored;
        socket_.set_option(tcp::no_delay(true), ignored);
        Read();
        Write();
    }

    void Read() {
        reading_ = true;
        socket_.async_read_some(
            asio::buffer(buffer_), [this](boost::system::error_code error, std::size_t n) {
                reading_ = false;
                if (error) {
                    if (error == asio::error::operation_aborted) return;
                    return Fail(error == asio::error::eof ? "the other side closed the connection"
                                                          : error.message());
                }
                reader_.Feed(buffer_.data(), n);
                while (std::optional<Message> m = reader_.Next())
                    received_.push_back(std::move(*m));
                if (reader_.Failed()) {
                    fault_ = true;
                    return Fail("it sent " + reader_.Error());
                }
                if (received_.size() < kMaxReceived) Read();
            });
    }

    void Write() {
        if (writing_ || outbox_.empty() || state_ != State::Open) return;
        writing_ = true;
        asio::async_write(socket_, asio::buffer(outbox_.front()),
                          [this](boost::system::error_code error, std::size_t n) {
                              writing_ = false;
                              if (error) {
                                  if (error != asio::error::operation_aborted)
                                      Fail(error.message());
                                  return;
                              }
                              queuedBytes_ -= n;
                              outbox_.pop_front();
                              Write();
                          });
    }

    void Fail(const std::string& reason) {
        if (state_ == State::Closed) return;
        if (!closing_) reason_ = reason;
        Shut();
    }

    void Shut() {
        state_ = State::Closed;
        boost::system::error_code ignored;
        if (acceptor_) acceptor_->close(ignored);
        resolver_.cancel();
        socket_.shutdown(tcp::socket::shutdown_both, ignored);
        socket_.close(ignored);
        outbox_.clear();
        queuedBytes_ = 0;
    }

    asio::io_context io_;
    tcp::socket socket_;
    tcp::resolver resolver_;
    std::optional<tcp::acceptor> acceptor_;
    State state_ = State::Connecting;
    std::string reason_;
    bool closing_ = false, reading_ = false, writing_ = false, fault_ = false;
    std::array<std::uint8_t, kReadChunk> buffer_{};
    FrameReader reader_;
    std::deque<std::vector<std::uint8_t>> outbox_;
    std::size_t queuedBytes_ = 0;
};

} // namespace

bool ParseEndpoint(const std::string& text, const Endpoint& fallback, Endpoint& endpoint) {
    endpoint = fallback;
    std::string host = text, port;
    if (!text.empty() && text[0] == '[') {
        const std::size_t close = text.find(']');
        if (close == std::string::npos) return false;
        host = text.substr(1, close - 1);
        const std::string rest = text.substr(close + 1);
        if (!rest.empty()) {
            if (rest[0] != ':') return false;
            port = rest.substr(1);
            if (port.empty()) return false;
        }
    } else if (const std::size_t colon = text.rfind(':'); colon != std::string::npos) {
        if (text.find(':') != colon) return false; // an IPv6 address wants brackets
        host = text.substr(0, colon);
        port = text.substr(colon + 1);
        if (port.empty()) return false;
    }
    if (!host.empty()) endpoint.host = host;
    if (!port.empty()) {
        unsigned value = 0;
        const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), value);
        if (error != std::errc() || end != port.data() + port.size() || value > 65535) return false;
        endpoint.port = static_cast<std::uint16_t>(value);
    }
    for (char c : endpoint.host)
        if (c <= ' ' || c > '~') return false;
    return !endpoint.host.empty();
}

std::string FormatEndpoint(const Endpoint& endpoint) {
    const bool v6 = endpoint.host.find(':') != std::string::npos;
    return (v6 ? "[" + endpoint.host + "]" : endpoint.host) + ":" + std::to_string(endpoint.port);
}

std::unique_ptr<TcpTransport> Connect(const Endpoint& to) {
    auto t = std::make_unique<AsioTcp>();
    t->StartConnect(to);
    return t;
}

std::unique_ptr<TcpTransport> Listen(const Endpoint& on) {
    auto t = std::make_unique<AsioTcp>();
    t->StartListen(on);
    return t;
}

} // namespace net
