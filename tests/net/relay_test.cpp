// The relay in this process, on 127.0.0.1, with clients over framed TCP and
// over WebSocket: it pairs them by room code and passes game messages on,
// and drops a client that breaks a rule with a reason, telling its partner.
#include <gtest/gtest.h>

// Before Asio: its awaitable.hpp needs std::exchange under C++20.
#include <utility>

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/websocket.hpp>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "net/relay.h"
#include "tests/support/raw_peer.h"

using namespace net;
namespace asio = boost::asio;
namespace websocket = boost::beast::websocket;
using Clock = std::chrono::steady_clock;

namespace {

// The relay on a thread of its own.
class RelayThread {
  public:
    explicit RelayThread(RelayLimits limits = {})
        : relay_(std::make_unique<Relay>(io_, Endpoint{"127.0.0.1", 0}, limits)),
          thread_([this] { io_.run(); }) {}
    ~RelayThread() {
        asio::post(io_, [this] {
            relay_->Stop();
            io_.stop();
        });
        thread_.join();
    }
    int Port() const { return relay_->Port(); }

  private:
    asio::io_context io_;
    std::unique_ptr<Relay> relay_;
    std::thread thread_;
};

// A game's side of the relay over the TCP transport.
class Client {
  public:
    explicit Client(int port) : link_(Connect({"127.0.0.1", static_cast<std::uint16_t>(port)})) {}
    void Send(const Message& m) {
        link_->Send(m);
        link_->Poll();
    }
    // The next message within two seconds.
    std::optional<Message> Next() {
        const auto end = Clock::now() + std::chrono::seconds(2);
        while (Clock::now() < end) {
            if (auto m = link_->Receive()) return m;
            link_->PollFor(std::chrono::milliseconds(5));
        }
        return std::nullopt;
    }
    template <class T> std::optional<T> Expect() {
        auto m = Next();
        if (!m || !std::holds_alternative<T>(*m)) return std::nullopt;
        return std::get<T>(*m);
    }
    bool Closed() {
        const auto end = Clock::now() + std::chrono::seconds(2);
        while (Clock::now() < end && link_->GetState() != Transport::State::Closed)
            link_->PollFor(std::chrono::milliseconds(5));
        return link_->GetState() == Transport::State::Closed;
    }

  private:
    std::unique_ptr<TcpTransport> link_;
};

// A browser's side: WebSocket, one binary message a payload.
class WsClient {
  public:
    explicit WsClient(int port) : ws_(io_) {
        asio::ip::tcp::resolver resolver(io_);
        asio::connect(ws_.next_layer(), resolver.resolve("127.0.0.1", std::to_string(port)));
        ws_.handshake("127.0.0.1", "/");
        ws_.binary(true);
    }
    void Send(const Message& m) {
        const auto payload = EncodePayload(m);
        ws_.write(asio::buffer(payload));
    }
    void SendRaw(const std::string& bytes, bool binary) {
        ws_.binary(binary);
        ws_.write(asio::buffer(bytes));
        ws_.binary(true);
    }
    websocket::close_code CloseCode() const {
        return static_cast<websocket::close_code>(ws_.reason().code);
    }
    std::optional<Message> Next() {
        boost::beast::flat_buffer buffer;
        boost::system::error_code error;
        ws_.read(buffer, error);
        if (error) return std::nullopt;
        std::string problem;
        const auto data = buffer.data();
        return DecodePayload(static_cast<const std::uint8_t*>(data.data()), data.size(), problem);
    }

  private:
    asio::io_context io_;
    websocket::stream<asio::ip::tcp::socket> ws_;
};

// Makes a room and enters it; the two clients are then paired.
std::string Pair(Client& host, const std::function<void(const Message&)>& joinerSends,
                 const std::function<std::optional<Message>()>& joinerNext) {
    host.Send(Open{Open::Make, ""});
    const auto room = host.Expect<Room>();
    if (!room) return "";
    joinerSends(Open{Open::Enter, room->code});
    const auto paired = joinerNext();
    EXPECT_TRUE(paired && std::holds_alternative<Paired>(*paired));
    if (paired) {
        EXPECT_EQ(std::get<Paired>(*paired).seat, Seat::PlayerTwo);
    }
    const auto hostPaired = host.Expect<Paired>();
    EXPECT_TRUE(hostPaired && hostPaired->seat == Seat::PlayerOne);
    return room->code;
}

std::string RefusalOf(Client& c) {
    for (int k = 0; k < 5; ++k) {
        auto m = c.Next();
        if (!m) return "";
        if (auto* r = std::get_if<Refused>(&*m)) return r->reason;
    }
    return "";
}

} // namespace

TEST(Relay, PairsATcpAndAWebSocketClientAndPassesTheirMessages) {
    RelayThread relay;
    Client host(relay.Port());
    WsClient guest(relay.Port());
    const std::string code = Pair(
        host, [&](const Message& m) { guest.Send(m); }, [&] { return guest.Next(); });
    ASSERT_EQ(code.size(), 6u);

    host.Send(Hello{PROTOCOL_VERSION, Seat::PlayerOne, 42});
    auto hello = guest.Next();
    ASSERT_TRUE(hello && std::holds_alternative<Hello>(*hello));
    EXPECT_EQ(std::get<Hello>(*hello).seed, 42u);
    guest.Send(Input{9, Input::Click, 1.5f, 2.5f});
    guest.Send(Through{12});
    const auto input = host.Expect<Input>();
    ASSERT_TRUE(input);
    EXPECT_EQ(input->tick, 9u);
    EXPECT_EQ(input->y, 2.5f);
    EXPECT_EQ(host.Expect<Through>()->tick, 12u);
}

TEST(Relay, RoomsAreRefusedWhenTakenFullMissingOrTooMany) {
    RelayLimits limits;
    limits.maxRooms = 2;
    RelayThread relay(limits);
    Client a(relay.Port()), b(relay.Port()), c(relay.Port()), d(relay.Port()), e(relay.Port()),
        f(relay.Port());
    a.Send(Open{Open::Make, "ONE"});
    ASSERT_TRUE(a.Expect<Room>());
    b.Send(Open{Open::Make, "ONE"});
    EXPECT_EQ(RefusalOf(b), "room ONE is taken");
    c.Send(Open{Open::Enter, "NONE"});
    EXPECT_EQ(RefusalOf(c), "there is no room NONE");
    d.Send(Open{Open::Enter, "ONE"});
    ASSERT_TRUE(d.Expect<Paired>());
    e.Send(Open{Open::Enter, "ONE"});
    EXPECT_EQ(RefusalOf(e), "room ONE is full");
    f.Send(Open{Open::Make, ""});
    ASSERT_TRUE(f.Expect<Room>());
    Client g(relay.Port());
    g.Send(Open{Open::Make, ""});
    EXPECT_EQ(RefusalOf(g), "the relay has no room free");
    for (Client* refused : {&b, &c, &e, &g}) EXPECT_TRUE(refused->Closed());
}

TEST(Relay, AClientThatBreaksARuleIsDroppedAndItsPartnerTold) {
    struct Case {
        const char* what;
        std::function<void(Client&)> misbehave;
        const char* reason;
    };
    const std::vector<Case> cases = {
        {"a relay's message in a game",
         [](Client& c) {
             c.Send(Open{Open::Make, "X"});
         },
         "it sent a relay's message during a game"},
        {"a flood",
         [](Client& c) {
             for (int k = 0; k < 60; ++k) c.Send(Through{std::uint32_t(k)});
         },
         "it sent too many messages"},
    };
    RelayLimits limits;
    limits.maxMessagesPerSecond = 40;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RelayThread relay(limits);
        Client host(relay.Port()), guest(relay.Port());
        ASSERT_FALSE(
            Pair(
                host, [&](const Message& m) { guest.Send(m); }, [&] { return guest.Next(); })
                .empty());
        c.misbehave(guest);
        EXPECT_EQ(RefusalOf(guest), c.reason);
        EXPECT_TRUE(guest.Closed());
        // The host hears that its partner is gone; what came before still arrives.
        std::optional<Message> m;
        while ((m = host.Next()) && !std::holds_alternative<PeerGone>(*m)) {
        }
        EXPECT_TRUE(m) << "no PeerGone";
    }
}

TEST(Relay, DamagedFramesAndMessagesAreRefused) {
    RelayThread relay;
    {
        // A game message before any room.
        Client early(relay.Port());
        early.Send(Through{1});
        EXPECT_EQ(RefusalOf(early), "its first message must ask for a room");
    }
    {
        testsupport::RawPeer raw(relay.Port());
        ASSERT_TRUE(raw.Connected());
        raw.Bytes({0x90, 0x00, 1, 2, 3});
        std::vector<std::uint8_t> got;
        EXPECT_TRUE(raw.ClosedWithin(2000, &got));
        FrameReader reader;
        reader.Feed(got.data(), got.size());
        const auto m = reader.Next();
        ASSERT_TRUE(m && std::holds_alternative<Refused>(*m));
        EXPECT_NE(std::get<Refused>(*m).reason.find("a frame of 144 bytes"), std::string::npos);
    }
    {
        WsClient text(relay.Port());
        text.SendRaw("hello", false);
        auto m = text.Next();
        ASSERT_TRUE(m && std::holds_alternative<Refused>(*m));
        EXPECT_EQ(std::get<Refused>(*m).reason, "it sent a text message");
    }
    {
        // Beast closes a WebSocket whose message is too large itself, with
        // the protocol's own reason.
        WsClient big(relay.Port());
        big.SendRaw(std::string(MAX_PAYLOAD + 1, '\x11'), true);
        EXPECT_FALSE(big.Next());
        EXPECT_EQ(big.CloseCode(), websocket::close_code::too_big);
    }
}

TEST(Relay, AnAddedDelayHoldsEveryMessageAtLeastThatLong) {
    RelayLimits limits;
    limits.delay = std::chrono::milliseconds(40);
    RelayThread relay(limits);
    Client host(relay.Port()), guest(relay.Port());
    ASSERT_FALSE(Pair(
                     host, [&](const Message& m) { guest.Send(m); }, [&] { return guest.Next(); })
                     .empty());
    const auto sent = Clock::now();
    host.Send(Through{5});
    ASSERT_TRUE(guest.Expect<Through>());
    EXPECT_GE(Clock::now() - sent, std::chrono::milliseconds(40));
}
