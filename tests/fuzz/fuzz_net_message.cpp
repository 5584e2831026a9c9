// libFuzzer target: online play's messages from a hostile peer. The bytes
// are read as a TCP stream (cut into pieces where the input says) and as one
// WebSocket payload; every message that reads is written again and must
// read back the same, and goes to a lockstep that plays a few ticks, so
// that whatever the reader lets through meets the protocol's checks.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "game/lockstep.h"
#include "net/message.h"

namespace {

void RoundTrip(const net::Message& m) {
    const std::vector<std::uint8_t> payload = net::EncodePayload(m);
    std::string error;
    const auto back = net::DecodePayload(payload.data(), payload.size(), error);
    if (!back || net::EncodePayload(*back) != payload) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string error;
    if (const auto m = net::DecodePayload(data, size, error))
        RoundTrip(*m);
    else if (error.empty())
        std::abort(); // a refusal always says why

    // The first byte picks the piece size of the stream.
    if (size == 0) return 0;
    const std::size_t piece = 1 + data[0] % 16;
    net::FrameReader reader;
    game::Lockstep lock(net::Seat::PlayerOne);
    int turn = 0;
    for (std::size_t at = 1; at < size; at += piece) {
        reader.Feed(data + at, std::min(piece, size - at));
        while (const auto m = reader.Next()) {
            RoundTrip(*m);
            // The session answers hellos itself; the rest is the lockstep's.
            if (!std::holds_alternative<net::Hello>(*m)) lock.Receive(*m);
            // Play what the peer allows, as a game would.
            lock.Commit(lock.Ticks() + lock.InputDelay() - 1);
            for (int k = 0; k < 4 && lock.Ready(); ++k) {
                lock.ApplyDue([&] { return turn; },
                              [&](const game::SeatedInput& in) {
                                  if (in.event.kind == game::PlayEvent::Click) turn = 1 - turn;
                              });
                lock.Ticked(static_cast<std::uint64_t>(turn));
            }
            lock.TakeOutgoing();
        }
        if (reader.Failed() && reader.Error().empty()) std::abort();
    }
    return 0;
}
