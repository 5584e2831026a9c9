#include "net/message.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <iterator>
#include <type_traits>
#include <utility>

namespace net {
namespace {

// Little-endian writing and reading of fixed-size fields.
class Writer {
  public:
    explicit Writer(MessageType type) { bytes_.push_back(static_cast<std::uint8_t>(type)); }
    template <class T> void Put(T value) {
        static_assert(std::is_arithmetic_v<T>);
        std::uint8_t raw[sizeof(T)];
        std::memcpy(raw, &value, sizeof(T));
        // The wire is little-endian, as every file format of the system.
        if constexpr (std::endian::native == std::endian::big)
            for (std::size_t k = 0; k < sizeof(T) / 2; ++k)
                std::swap(raw[k], raw[sizeof(T) - 1 - k]);
        bytes_.insert(bytes_.end(), raw, raw + sizeof(T));
    }
    void PutText(const std::string& text) { bytes_.insert(bytes_.end(), text.begin(), text.end()); }
    std::vector<std::uint8_t> Take() { return std::move(bytes_); }

  private:
    std::vector<std::uint8_t> bytes_;
};

class Reader {
  public:
    Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    template <class T> T Get() {
        T value{};
        if (size_ - at_ < sizeof(T)) {
            short_ = true;
            return value;
        }
        std::uint8_t raw[sizeof(T)];
        std::memcpy(raw, data_ + at_, sizeof(T));
        if constexpr (std::endian::native == std::endian::big)
            for (std::size_t k = 0; k < sizeof(T) / 2; ++k)
                std::swap(raw[k], raw[sizeof(T) - 1 - k]);
        std::memcpy(&value, raw, sizeof(T));
        at_ += sizeof(T);
        return value;
    }
    std::string Rest() {
        std::string text(reinterpret_cast<const char*>(data_ + at_), size_ - at_);
        at_ = size_;
        return text;
    }
    // Every field was there and nothing is left over.
    bool Exact() const { return !short_ && at_ == size_; }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
    bool short_ = false;
};

void Encode(Writer& w, const Hello& m) {
    w.Put(HELLO_MAGIC);
    w.Put(m.version);
    w.Put(static_cast<std::uint8_t>(m.seat));
    w.Put(m.seed);
}
void Encode(Writer& w, const Input& m) {
    w.Put(m.tick);
    w.Put(static_cast<std::uint8_t>(m.kind));
    w.Put(m.x);
    w.Put(m.y);
}
void Encode(Writer& w, const Through& m) { w.Put(m.tick); }
void Encode(Writer& w, const Check& m) {
    w.Put(m.tick);
    w.Put(m.hash);
}
void Encode(Writer& w, const Bye& m) {
    w.Put(static_cast<std::uint8_t>(m.reason));
    w.Put(m.tick);
}
void Encode(Writer& w, const Open& m) {
    w.Put(static_cast<std::uint8_t>(m.action));
    w.PutText(m.code);
}
void Encode(Writer& w, const Room& m) { w.PutText(m.code); }
void Encode(Writer& w, const Paired& m) { w.Put(static_cast<std::uint8_t>(m.seat)); }
void Encode(Writer& w, const Refused& m) { w.PutText(m.reason); }
void Encode(Writer&, const PeerGone&) {}

bool ValidSeat(std::uint8_t seat) { return seat <= 1; }

// Each decoder reads its fields and says what is wrong with them, if anything.
std::optional<Message> DecodeBody(MessageType type, Reader& r, std::string& error) {
    switch (type) {
    case MessageType::Hello: {
        if (r.Get<std::uint32_t>() != HELLO_MAGIC) {
            error = "a hello without the protocol's magic";
            return std::nullopt;
        }
        Hello m;
        m.version = r.Get<std::uint16_t>();
        const auto seat = r.Get<std::uint8_t>();
        m.seed = r.Get<std::uint32_t>();
        if (!ValidSeat(seat)) error = "a hello with an unknown seat";
        m.seat = static_cast<Seat>(seat);
        return m;
    }
    case MessageType::Input: {
        Input m;
        m.tick = r.Get<std::uint32_t>();
        const auto kind = r.Get<std::uint8_t>();
        m.x = r.Get<float>();
        m.y = r.Get<float>();
        if (kind > Input::NewGame)
            error = "an input of an unknown kind";
        else if (!std::isfinite(m.x) || !std::isfinite(m.y))
            error = "a click at a position that is not finite";
        m.kind = static_cast<Input::Kind>(kind);
        return m;
    }
    case MessageType::Through:
        return Through{r.Get<std::uint32_t>()};
    case MessageType::Check: {
        Check m;
        m.tick = r.Get<std::uint32_t>();
        m.hash = r.Get<std::uint64_t>();
        return m;
    }
    case MessageType::Bye: {
        const auto reason = r.Get<std::uint8_t>();
        const auto tick = r.Get<std::uint32_t>();
        if (reason > Bye::Done) error = "a goodbye with an unknown reason";
        return Bye{static_cast<Bye::Reason>(reason), tick};
    }
    case MessageType::Open: {
        Open m;
        const auto action = r.Get<std::uint8_t>();
        m.code = r.Rest();
        if (action > Open::Enter)
            error = "a room request of an unknown kind";
        else if (!IsPlainText(m.code, MAX_ROOM_CODE))
            error = "a room code that is too long or not plain text";
        m.action = static_cast<Open::Action>(action);
        return m;
    }
    case MessageType::Room: {
        Room m{r.Rest()};
        if (!IsPlainText(m.code, MAX_ROOM_CODE))
            error = "a room code that is too long or not plain text";
        return m;
    }
    case MessageType::Paired: {
        const auto seat = r.Get<std::uint8_t>();
        if (!ValidSeat(seat)) error = "a pairing with an unknown seat";
        return Paired{static_cast<Seat>(seat)};
    }
    case MessageType::Refused: {
        Refused m{r.Rest()};
        if (!IsPlainText(m.reason, MAX_TEXT)) error = "a refusal whose reason is not plain text";
        return m;
    }
    case MessageType::PeerGone:
        return PeerGone{};
    }
    error = "a message of unknown type " + std::to_string(static_cast<int>(type));
    return std::nullopt;
}

} // namespace

MessageType TypeOf(const Message& message) {
    static constexpr MessageType TYPES[] = {
        MessageType::Hello,   MessageType::Input,   MessageType::Through, MessageType::Check,
        MessageType::Bye,     MessageType::Open,    MessageType::Room,    MessageType::Paired,
        MessageType::Refused, MessageType::PeerGone};
    static_assert(std::size(TYPES) == std::variant_size_v<Message>);
    return TYPES[message.index()];
}

std::vector<std::uint8_t> EncodePayload(const Message& message) {
    Writer w(TypeOf(message));
    std::visit([&](const auto& m) { Encode(w, m); }, message);
    return w.Take();
}

std::vector<std::uint8_t> EncodeFrame(const Message& message) {
    const std::vector<std::uint8_t> payload = EncodePayload(message);
    std::vector<std::uint8_t> frame(2 + payload.size());
    frame[0] = static_cast<std::uint8_t>(payload.size() & 0xFF);
    frame[1] = static_cast<std::uint8_t>(payload.size() >> 8);
    std::copy(payload.begin(), payload.end(), frame.begin() + 2);
    return frame;
}

std::optional<Message> DecodePayload(const std::uint8_t* data, std::size_t size,
                                     std::string& error) {
    error.clear();
    if (size == 0) {
        error = "an empty message";
        return std::nullopt;
    }
    if (size > MAX_PAYLOAD) {
        error = "a message of " + std::to_string(size) + " bytes (at most " +
                std::to_string(MAX_PAYLOAD) + " are allowed)";
        return std::nullopt;
    }
    const auto type = static_cast<MessageType>(data[0]);
    Reader r(data + 1, size - 1);
    std::optional<Message> message = DecodeBody(type, r, error);
    if (!error.empty()) return std::nullopt;
    if (!r.Exact()) {
        error = "a message of type " + std::to_string(static_cast<int>(type)) + " with " +
                std::to_string(size) + " bytes, the wrong size for its type";
        return std::nullopt;
    }
    return message;
}

bool IsPlainText(const std::string& text, std::size_t max) {
    if (text.size() > max) return false;
    for (char c : text)
        if (c < 0x20 || c > 0x7E) return false;
    return true;
}

void FrameReader::Feed(const std::uint8_t* data, std::size_t size) {
    if (Failed()) return;
    // Drop what Next has taken before the buffer grows.
    if (start_ > 0) {
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(start_));
        start_ = 0;
    }
    pending_.insert(pending_.end(), data, data + size);
}

std::optional<Message> FrameReader::Next() {
    if (Failed() || pending_.size() - start_ < 2) return std::nullopt;
    const std::size_t length = pending_[start_] | (std::size_t(pending_[start_ + 1]) << 8);
    if (length == 0 || length > MAX_PAYLOAD) {
        error_ = "a frame of " + std::to_string(length) + " bytes (1 to " +
                 std::to_string(MAX_PAYLOAD) + " are allowed)";
        return std::nullopt;
    }
    if (pending_.size() - start_ < 2 + length) return std::nullopt;
    std::string error;
    std::optional<Message> message = DecodePayload(pending_.data() + start_ + 2, length, error);
    if (!message) {
        error_ = error;
        return std::nullopt;
    }
    start_ += 2 + length;
    return message;
}

} // namespace net
