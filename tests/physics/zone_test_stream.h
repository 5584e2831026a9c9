#pragma once
// An in-memory stream for the tree and zone file tests.

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/stream.h"

namespace zonetest {

class ByteStream final : public core::TStream {
  public:
    std::vector<unsigned char> bytes;
    std::int64_t pos = 0;

    ByteStream() = default;
    explicit ByteStream(std::vector<unsigned char> data) : bytes(std::move(data)) {}

    std::int64_t Pos() override { return pos; }
    std::int64_t Size() override { return static_cast<std::int64_t>(bytes.size()); }
    std::int64_t Seek(std::int64_t p) override {
        pos = std::clamp<std::int64_t>(p, 0, Size());
        return pos;
    }
    int Read(void* buf, int count) override {
        const int n = static_cast<int>(std::min<std::int64_t>(count, Size() - pos));
        if (n <= 0) return 0;
        std::memcpy(buf, bytes.data() + pos, n);
        pos += n;
        return n;
    }
    int Write(const void* buf, int count) override {
        if (pos + count > Size()) bytes.resize(pos + count);
        std::memcpy(bytes.data() + pos, buf, count);
        pos += count;
        return count;
    }
    void PutInt(int v) { WriteInt(v); }
    void PutFloat(float v) { WriteFloat(v); }
};

} // namespace zonetest
