#include "net/web_socket_transport.h"

#include <emscripten/websocket.h>

namespace net {
namespace {

// Messages received and not yet taken out: a peer that sends more between
// two frames of the page is flooding.
constexpr std::size_t kMaxReceived = 4096;

// The browser calls back between the page's frames, on its one thread.
class WebSocketTransport final : public Transport {
  public:
    explicit WebSocketTransport(const std::string& url) {
        EmscriptenWebSocketCreateAttributes attributes;
        emscripten_websocket_init_create_attributes(&attributes);
        attributes.url = url.c_str();
        // No subprotocol: the relay answers none, and a browser that asked
        // for one would refuse the answer.
        attributes.protocols = nullptr;
        socket_ = emscripten_websocket_new(&attributes);
        if (socket_ <= 0) {
            Fail("the browser cannot open a WebSocket to " + url);
            return;
        }
        emscripten_websocket_set_onopen_callback(socket_, this, OnOpen);
        emscripten_websocket_set_onmessage_callback(socket_, this, OnMessage);
        emscripten_websocket_set_onerror_callback(socket_, this, OnError);
        emscripten_websocket_set_onclose_callback(socket_, this, OnClose);
    }
    ~WebSocketTransport() override {
        if (socket_ > 0) {
            if (state_ != State::Closed) emscripten_websocket_close(socket_, 1000, "");
            emscripten_websocket_delete(socket_);
        }
    }

    void Poll() override {}
    State GetState() const override { return state_; }
    void Send(const Message& message) override {
        if (state_ != State::Open) return;
        std::vector<std::uint8_t> payload = EncodePayload(message);
        emscripten_websocket_send_binary(socket_, payload.data(),
                                         static_cast<std::uint32_t>(payload.size()));
    }
    void Close() override {
        if (state_ == State::Closed) return;
        state_ = State::Closed;
        if (socket_ > 0) emscripten_websocket_close(socket_, 1000, "");
    }
    std::string ClosedReason() const override { return reason_; }
    bool ClosedForFault() const override { return fault_; }

  private:
    void Fail(const std::string& reason, bool fault = false) {
        if (state_ == State::Closed) return;
        reason_ = reason;
        fault_ = fault;
        Close();
    }

    static EM_BOOL OnOpen(int, const EmscriptenWebSocketOpenEvent*, void* self) {
        auto* t = static_cast<WebSocketTransport*>(self);
        if (t->state_ == State::Connecting) t->state_ = State::Open;
        return EM_TRUE;
    }
    static EM_BOOL OnMessage(int, const EmscriptenWebSocketMessageEvent* event, void* self) {
        auto* t = static_cast<WebSocketTransport*>(self);
        if (t->state_ != State::Open) return EM_TRUE;
        if (event->isText) {
            t->Fail("it sent a text message", true);
            return EM_TRUE;
        }
        std::string error;
        std::optional<Message> m = DecodePayload(event->data, event->numBytes, error);
        if (!m)
            t->Fail("it sent " + error, true);
        else if (t->received_.size() >= kMaxReceived)
            t->Fail("it sent too many messages", true);
        else
            t->received_.push_back(std::move(*m));
        return EM_TRUE;
    }
    static EM_BOOL OnError(int, const EmscriptenWebSocketErrorEvent*, void* self) {
        static_cast<WebSocketTransport*>(self)->Fail("the WebSocket failed");
        return EM_TRUE;
    }
    static EM_BOOL OnClose(int, const EmscriptenWebSocketCloseEvent* event, void* self) {
        auto* t = static_cast<WebSocketTransport*>(self);
        if (t->state_ != State::Closed) {
            t->reason_ = "the other side closed the connection (WebSocket code " +
                         std::to_string(event->code) + ")";
            t->state_ = State::Closed;
        }
        return EM_TRUE;
    }

    EMSCRIPTEN_WEBSOCKET_T socket_ = 0;
    State state_ = State::Connecting;
    std::string reason_;
    bool fault_ = false;
};

} // namespace

std::unique_ptr<Transport> ConnectWebSocket(const std::string& url) {
    return std::make_unique<WebSocketTransport>(url);
}

} // namespace net
