#include <vector>

#include "net/transport.h"

namespace net {
namespace {

// What one side has sent and the other not yet polled; shared by the pair.
struct Pipe {
    std::vector<std::uint8_t> bytes;
    bool closed = false;
};

class MemoryTransport final : public Transport {
  public:
    MemoryTransport(std::shared_ptr<Pipe> out, std::shared_ptr<Pipe> in)
        : out_(std::move(out)), in_(std::move(in)) {}

    void Poll() override {
        if (!in_->bytes.empty()) {
            reader_.Feed(in_->bytes.data(), in_->bytes.size());
            in_->bytes.clear();
        }
        while (std::optional<Message> m = reader_.Next()) received_.push_back(std::move(*m));
        if (reader_.Failed() && state_ != State::Closed) {
            reason_ = "it sent " + reader_.Error();
            fault_ = true;
            Close();
        }
        if (in_->closed && state_ == State::Open) {
            state_ = State::Closed;
            reason_ = "the other side closed the connection";
        }
    }
    State GetState() const override { return state_; }
    void Send(const Message& message) override {
        if (state_ != State::Open) return;
        const std::vector<std::uint8_t> frame = EncodeFrame(message);
        out_->bytes.insert(out_->bytes.end(), frame.begin(), frame.end());
    }
    void Close() override {
        state_ = State::Closed;
        out_->closed = true;
    }
    std::string ClosedReason() const override { return reason_; }
    bool ClosedForFault() const override { return fault_; }

  private:
    std::shared_ptr<Pipe> out_, in_;
    FrameReader reader_;
    State state_ = State::Open;
    std::string reason_;
    bool fault_ = false;
};

} // namespace

std::pair<std::unique_ptr<Transport>, std::unique_ptr<Transport>> MemoryPair() {
    auto ab = std::make_shared<Pipe>(), ba = std::make_shared<Pipe>();
    return {std::make_unique<MemoryTransport>(ab, ba), std::make_unique<MemoryTransport>(ba, ab)};
}

} // namespace net
