#pragma once
// A TCP client on a plain socket to 127.0.0.1, for tests that must send
// bytes no well-behaved client would (a damaged frame, a flood).

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <vector>

#include "net/message.h"

namespace testsupport {

class RawPeer {
  public:
    explicit RawPeer(int port) {
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in at{};
        at.sin_family = AF_INET;
        at.sin_port = htons(static_cast<std::uint16_t>(port));
        at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected_ = fd_ >= 0 && connect(fd_, reinterpret_cast<sockaddr*>(&at), sizeof at) == 0;
    }
    ~RawPeer() { Close(); }
    RawPeer(const RawPeer&) = delete;
    RawPeer& operator=(const RawPeer&) = delete;

    bool Connected() const { return connected_; }
    void Bytes(const std::vector<std::uint8_t>& bytes) {
        if (fd_ >= 0) (void)!send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    }
    void Send(const net::Message& m) { Bytes(net::EncodeFrame(m)); }
    void Close() {
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
    }
    // Whether the other side closed within `ms` (what it sent first is read
    // into `received`).
    bool ClosedWithin(int ms, std::vector<std::uint8_t>* received = nullptr) {
        for (int waited = 0; waited < ms; waited += 10) {
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, 10) <= 0) continue;
            std::uint8_t buffer[4096];
            const ssize_t n = recv(fd_, buffer, sizeof buffer, 0);
            if (n <= 0) return true;
            if (received) received->insert(received->end(), buffer, buffer + n);
        }
        return false;
    }

  private:
    int fd_ = -1;
    bool connected_ = false;
};

} // namespace testsupport
