#pragma once
// The browser's transport: a WebSocket to the relay, through the browser's
// own WebSocket (Emscripten's binding). One binary WebSocket message carries
// one message without its length bytes.

#include <memory>
#include <string>

#include "net/transport.h"

namespace net {

/// Opens a WebSocket to `url` ("ws://127.0.0.1:7470"); Connecting until the
/// browser has opened it, Closed with a reason when it cannot.
std::unique_ptr<Transport> ConnectWebSocket(const std::string& url);

} // namespace net
