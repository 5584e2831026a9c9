#include "net/relay.h"

// Before Asio: its awaitable.hpp needs std::exchange under C++20.
#include <utility>

#include <array>
#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/websocket.hpp>
#include <deque>
#include <map>
#include <optional>
#include <random>
#include <stdexcept>
#include <vector>

namespace net {
namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace websocket = beast::websocket;
using tcp = asio::ip::tcp;
using Clock = std::chrono::steady_clock;
using Error = boost::system::error_code;

// Room codes: no letters that read like digits, so that a code can be told.
constexpr char kCodeLetters[] = "ABCDEFGHJKMNPQRSTUVWXYZ23456789";
constexpr int kCodeLength = 6;
// How long a client whose partner left is kept before it is closed.
constexpr std::chrono::seconds kAloneTimeout{5};

bool IsGameMessage(const Message& m) {
    return std::holds_alternative<Hello>(m) || std::holds_alternative<Input>(m) ||
           std::holds_alternative<Through>(m) || std::holds_alternative<Check>(m) ||
           std::holds_alternative<Bye>(m);
}

} // namespace

class Conn;

class Relay::Impl : public std::enable_shared_from_this<Relay::Impl> {
  public:
    Impl(asio::io_context& io, const RelayLimits& limits)
        : io_(io), acceptor_(io), limits_(limits), sweep_(io), random_(std::random_device{}()) {}

    void Listen(const Endpoint& on);
    void Start() {
        Accept();
        Sweep();
    }
    void Stop();

    // A client asked for a room.
    void OpenRoom(const std::shared_ptr<Conn>& conn, const Open& open);
    // A client is gone (closed or dropped): its partner is told, its room closed.
    void Gone(Conn& conn);

    asio::io_context& io_;
    tcp::acceptor acceptor_;
    RelayLimits limits_;
    RelayStats stats_;
    std::map<Conn*, std::weak_ptr<Conn>> conns_;

  private:
    struct Room {
        std::shared_ptr<Conn> maker, joiner;
    };
    void Accept();
    void Sweep();
    std::string NewCode();

    asio::steady_timer sweep_;
    std::mt19937 random_;
    std::map<std::string, Room> rooms_;
    bool stopped_ = false;
};

// One client, over framed TCP or WebSocket (told apart by its first bytes).
class Conn : public std::enable_shared_from_this<Conn> {
  public:
    enum class Stage { Detecting, Opening, Waiting, Paired, Alone, Closed };

    Conn(Relay::Impl& relay, tcp::socket socket)
        : relay_(relay), socket_(std::move(socket)), delayTimer_(relay.io_) {
        since_ = windowStart_ = Clock::now();
    }

    void Start() { Detect(); }

    Stage GetStage() const { return stage_; }
    Clock::time_point Since() const { return since_; }
    const std::string& RoomCode() const { return room_; }

    void SetWaiting(const std::string& code) {
        stage_ = Stage::Waiting;
        room_ = code;
        since_ = Clock::now();
    }
    void SetPaired(const std::shared_ptr<Conn>& partner, const std::string& code) {
        stage_ = Stage::Paired;
        partner_ = partner;
        room_ = code;
        since_ = Clock::now();
    }
    // The partner left: told so, then closed after a while.
    void SetAlone() {
        if (stage_ == Stage::Closed) return;
        partner_.reset();
        room_.clear();
        stage_ = Stage::Alone;
        since_ = Clock::now();
        Send(EncodePayload(PeerGone{}));
    }

    // Queues a payload; it leaves after the relay's delay.
    void Send(std::vector<std::uint8_t> payload) {
        if (stage_ == Stage::Closed || closing_) return;
        if (outbox_.size() >= relay_.limits_.maxQueued) return Shut();
        outbox_.push_back({Clock::now() + relay_.limits_.delay, std::move(payload)});
        Pump();
    }

    // Tells the client why and closes once that has left.
    void Drop(const std::string& reason) {
        if (stage_ == Stage::Closed || closing_) return;
        ++relay_.stats_.dropped;
        DropQueued();
        Send(EncodePayload(Refused{reason.substr(0, MAX_TEXT)}));
        closing_ = true;
        Leave();
    }

    void Shut() {
        if (stage_ == Stage::Closed) return;
        Leave();
        stage_ = Stage::Closed;
        Error ignored;
        delayTimer_.cancel();
        socket_.shutdown(tcp::socket::shutdown_both, ignored);
        socket_.close(ignored);
        DropQueued();
    }

  private:
    // Forgets what waits to be sent, but not a message being written: its
    // write still reads it, and its completion takes it off the queue.
    void DropQueued() { outbox_.erase(outbox_.begin() + (writing_ ? 1 : 0), outbox_.end()); }

    // Out of its room, its partner told; once.
    void Leave() {
        if (left_) return;
        left_ = true;
        relay_.Gone(*this);
    }

    // Peeks at the first two bytes: a frame's length has a zero high byte
    // (no frame is longer than 255), an HTTP request's second byte is a letter.
    void Detect() {
        socket_.async_wait(tcp::socket::wait_read, [self = shared_from_this()](Error error) {
            if (error) return self->Shut();
            std::uint8_t head[2];
            const std::size_t n =
                self->socket_.receive(asio::buffer(head), tcp::socket::message_peek, error);
            if (error || n == 0) return self->Shut();
            if (n < 2) return self->Detect();
            self->stage_ = Stage::Opening;
            if (head[1] == 0) return self->ReadRaw();
            self->ws_.emplace(self->socket_);
            self->ws_->read_message_max(MAX_PAYLOAD);
            self->ws_->binary(true);
            self->ws_->async_accept([self](Error e) {
                if (e) return self->Shut();
                self->ReadWs();
            });
        });
    }

    void ReadRaw() {
        socket_.async_read_some(asio::buffer(buffer_),
                                [self = shared_from_this()](Error error, std::size_t n) {
                                    if (error || self->closing_) return self->Shut();
                                    self->reader_.Feed(self->buffer_.data(), n);
                                    while (std::optional<Message> m = self->reader_.Next()) {
                                        self->Received(*m);
                                        if (self->closing_ || self->stage_ == Stage::Closed) return;
                                    }
                                    if (self->reader_.Failed())
                                        return self->Drop("it sent " + self->reader_.Error());
                                    self->ReadRaw();
                                });
    }

    void ReadWs() {
        wsBuffer_.clear();
        ws_->async_read(wsBuffer_, [self = shared_from_this()](Error error, std::size_t) {
            // A message beyond read_message_max: Beast has closed the
            // WebSocket with the protocol's "too big" already.
            if (error == websocket::error::message_too_big) ++self->relay_.stats_.dropped;
            if (error || self->closing_) return self->Shut();
            if (!self->ws_->got_binary()) return self->Drop("it sent a text message");
            const auto data = self->wsBuffer_.data();
            std::string problem;
            std::optional<Message> m =
                DecodePayload(static_cast<const std::uint8_t*>(data.data()), data.size(), problem);
            if (!m) return self->Drop("it sent " + problem);
            self->Received(*m);
            if (self->closing_ || self->stage_ == Stage::Closed) return;
            self->ReadWs();
        });
    }

    void Received(const Message& m) {
        ++relay_.stats_.messages;
        const auto now = Clock::now();
        if (now - windowStart_ >= std::chrono::seconds(1)) {
            windowStart_ = now;
            windowCount_ = 0;
        }
        if (++windowCount_ > relay_.limits_.maxMessagesPerSecond)
            return Drop("it sent too many messages");
        if (stage_ == Stage::Paired) since_ = now;
        switch (stage_) {
        case Stage::Opening:
            if (const auto* open = std::get_if<Open>(&m))
                return relay_.OpenRoom(shared_from_this(), *open);
            return Drop("its first message must ask for a room");
        case Stage::Waiting:
            // A player who leaves before the game says goodbye.
            if (std::holds_alternative<Bye>(m)) return Shut();
            return Drop("it sent a game message with no other player there");
        case Stage::Alone:
            // Its partner left: what it sent meanwhile has no one to go to.
            if (std::holds_alternative<Bye>(m)) return Shut();
            if (!IsGameMessage(m)) return Drop("it sent a relay's message during a game");
            return;
        case Stage::Paired:
            if (!IsGameMessage(m)) return Drop("it sent a relay's message during a game");
            if (auto partner = partner_.lock()) partner->Send(EncodePayload(m));
            return;
        default:
            return;
        }
    }

    void Pump() {
        if (writing_ || waiting_ || outbox_.empty() || stage_ == Stage::Closed ||
            stage_ == Stage::Detecting || (ws_ && !ws_->is_open()))
            return;
        const auto due = outbox_.front().first;
        if (due > Clock::now()) {
            waiting_ = true;
            delayTimer_.expires_at(due);
            delayTimer_.async_wait([self = shared_from_this()](Error error) {
                self->waiting_ = false;
                if (!error) self->Pump();
            });
            return;
        }
        writing_ = true;
        std::vector<std::uint8_t>& payload = outbox_.front().second;
        auto done = [self = shared_from_this()](Error error, std::size_t) {
            self->writing_ = false;
            self->outbox_.pop_front();
            if (error || self->stage_ == Stage::Closed) return self->Shut();
            if (self->closing_ && self->outbox_.empty()) return self->Shut();
            self->Pump();
        };
        if (ws_) {
            ws_->async_write(asio::buffer(payload), std::move(done));
        } else {
            frame_.assign({static_cast<std::uint8_t>(payload.size() & 0xFF),
                           static_cast<std::uint8_t>(payload.size() >> 8)});
            frame_.insert(frame_.end(), payload.begin(), payload.end());
            asio::async_write(socket_, asio::buffer(frame_), std::move(done));
        }
    }

    Relay::Impl& relay_;
    tcp::socket socket_;
    std::optional<websocket::stream<tcp::socket&>> ws_;
    Stage stage_ = Stage::Detecting;
    std::weak_ptr<Conn> partner_;
    std::string room_;
    Clock::time_point since_, windowStart_;
    int windowCount_ = 0;
    bool closing_ = false, left_ = false, writing_ = false, waiting_ = false;
    std::array<std::uint8_t, 1024> buffer_{};
    FrameReader reader_;
    beast::flat_buffer wsBuffer_;
    std::deque<std::pair<Clock::time_point, std::vector<std::uint8_t>>> outbox_;
    std::vector<std::uint8_t> frame_;
    asio::steady_timer delayTimer_;
};

void Relay::Impl::Listen(const Endpoint& on) {
    Error error;
    const asio::ip::address address = asio::ip::make_address(on.host, error);
    if (error) throw std::runtime_error("cannot listen on \"" + on.host + "\": not an address");
    const tcp::endpoint endpoint(address, on.port);
    acceptor_.open(endpoint.protocol(), error);
    if (!error) acceptor_.set_option(tcp::acceptor::reuse_address(true), error);
    if (!error) acceptor_.bind(endpoint, error);
    if (!error) acceptor_.listen(asio::socket_base::max_listen_connections, error);
    if (error)
        throw std::runtime_error("cannot listen on " + FormatEndpoint(on) + ": " + error.message());
}

void Relay::Impl::Accept() {
    acceptor_.async_accept([self = shared_from_this()](Error error, tcp::socket socket) {
        if (self->stopped_) return;
        if (!error) {
            if (self->conns_.size() >= self->limits_.maxConnections) {
                Error ignored;
                socket.close(ignored);
            } else {
                socket.set_option(tcp::no_delay(true), error);
                auto conn = std::make_shared<Conn>(*self, std::move(socket));
                self->conns_[conn.get()] = conn;
                conn->Start();
            }
        }
        self->Accept();
    });
}

void Relay::Impl::Sweep() {
    sweep_.expires_after(std::chrono::seconds(1));
    sweep_.async_wait([self = shared_from_this()](Error error) {
        if (error || self->stopped_) return;
        const auto now = Clock::now();
        for (auto k = self->conns_.begin(); k != self->conns_.end();) {
            auto conn = k->second.lock();
            if (!conn || conn->GetStage() == Conn::Stage::Closed) {
                k = self->conns_.erase(k);
                continue;
            }
            ++k;
            const auto age = now - conn->Since();
            const RelayLimits& l = self->limits_;
            switch (conn->GetStage()) {
            case Conn::Stage::Detecting:
            case Conn::Stage::Opening:
                if (age > l.openTimeout) conn->Drop("it asked for no room in time");
                break;
            case Conn::Stage::Waiting:
                if (age > l.roomTimeout) conn->Drop("no other player came to the room");
                break;
            case Conn::Stage::Paired:
                if (age > l.idleTimeout) conn->Drop("it sent nothing for too long");
                break;
            case Conn::Stage::Alone:
                if (age > kAloneTimeout) conn->Shut();
                break;
            default:
                break;
            }
        }
        self->stats_.connections = self->conns_.size();
        self->stats_.rooms = self->rooms_.size();
        self->Sweep();
    });
}

std::string Relay::Impl::NewCode() {
    std::uniform_int_distribution<int> pick(0, int(sizeof kCodeLetters) - 2);
    for (;;) {
        std::string code;
        for (int k = 0; k < kCodeLength; ++k) code += kCodeLetters[pick(random_)];
        if (!rooms_.count(code)) return code;
    }
}

void Relay::Impl::OpenRoom(const std::shared_ptr<Conn>& conn, const Open& open) {
    if (open.action == Open::Make) {
        if (rooms_.size() >= limits_.maxRooms) return conn->Drop("the relay has no room free");
        std::string code = open.code;
        if (code.empty())
            code = NewCode();
        else if (code.find(' ') != std::string::npos)
            return conn->Drop("a room code has no spaces");
        else if (rooms_.count(code))
            return conn->Drop("room " + code + " is taken");
        rooms_[code].maker = conn;
        conn->SetWaiting(code);
        conn->Send(EncodePayload(net::Room{code}));
        stats_.rooms = rooms_.size();
        return;
    }
    const auto room = rooms_.find(open.code);
    if (room == rooms_.end()) return conn->Drop("there is no room " + open.code);
    if (room->second.joiner) return conn->Drop("room " + open.code + " is full");
    room->second.joiner = conn;
    const std::shared_ptr<Conn> maker = room->second.maker;
    maker->SetPaired(conn, open.code);
    conn->SetPaired(maker, open.code);
    maker->Send(EncodePayload(Paired{Seat::PlayerOne}));
    conn->Send(EncodePayload(Paired{Seat::PlayerTwo}));
    ++stats_.paired;
}

void Relay::Impl::Gone(Conn& conn) {
    const auto room = rooms_.find(conn.RoomCode());
    if (room == rooms_.end()) return;
    std::shared_ptr<Conn> maker = room->second.maker, joiner = room->second.joiner;
    if (maker.get() != &conn && joiner.get() != &conn) return;
    rooms_.erase(room);
    stats_.rooms = rooms_.size();
    if (maker && maker.get() != &conn) maker->SetAlone();
    if (joiner && joiner.get() != &conn) joiner->SetAlone();
}

void Relay::Impl::Stop() {
    if (stopped_) return;
    stopped_ = true;
    Error ignored;
    acceptor_.close(ignored);
    sweep_.cancel();
    for (auto& [raw, weak] : conns_)
        if (auto conn = weak.lock()) conn->Shut();
    conns_.clear();
    rooms_.clear();
}

Relay::Relay(asio::io_context& io, const Endpoint& on, const RelayLimits& limits)
    : impl_(std::make_shared<Impl>(io, limits)) {
    impl_->Listen(on);
    impl_->Start();
}

Relay::~Relay() { impl_->Stop(); }

std::uint16_t Relay::Port() const {
    Error error;
    return impl_->acceptor_.local_endpoint(error).port();
}

RelayStats Relay::Stats() const {
    RelayStats stats = impl_->stats_;
    stats.connections = impl_->conns_.size();
    return stats;
}

void Relay::Stop() { impl_->Stop(); }

} // namespace net
