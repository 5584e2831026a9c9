#pragma once
// A stream over bytes in memory: a file that never touches the disk, for
// handing a saved world to another thread or over a network.

#include <cstdint>
#include <vector>

#include "core/stream.h"

namespace core {

/// Reads and writes a growing array of bytes, with a position that can seek
/// anywhere within it; writing past the end grows it.
class TMemoryStream : public TStream {
  public:
    /// An empty stream, for writing.
    static Ref<TMemoryStream> Create();
    /// A stream holding a copy of `bytes`, positioned at the start.
    static Ref<TMemoryStream> Create(const std::vector<unsigned char>& bytes);

    std::int64_t Pos() override { return static_cast<std::int64_t>(pos_); }
    std::int64_t Size() override { return static_cast<std::int64_t>(bytes_.size()); }
    /// Seeks within the bytes (a position past the end is clamped to it).
    std::int64_t Seek(std::int64_t pos) override;
    int Read(void* buf, int count) override;
    int Write(const void* buf, int count) override;

    /// Everything written or given, whatever the position.
    const std::vector<unsigned char>& Bytes() const { return bytes_; }

  private:
    std::vector<unsigned char> bytes_;
    std::size_t pos_ = 0;
};

} // namespace core
