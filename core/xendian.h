#pragma once
// Byte-order views of a stream. Every file format of the system is
// little-endian and goes through LittleEndian(stream), which on a
// little-endian host is the stream itself.

#include <string>

#include "core/stream.h"
#include "core/stream_factory.h"

namespace core {

/// Reverses the bytes of every multi-byte value: after reading, before writing.
class TXEndianStream : public TStreamWrapper {
  public:
    /// Reverses 2 bytes in place.
    static void Swap2(void* bytes) { ReverseBytes(static_cast<unsigned char*>(bytes), 2); }
    /// Reverses 4 bytes in place.
    static void Swap4(void* bytes) { ReverseBytes(static_cast<unsigned char*>(bytes), 4); }
    /// Reverses 8 bytes in place.
    static void Swap8(void* bytes) { ReverseBytes(static_cast<unsigned char*>(bytes), 8); }

    int ReadShort() override { return ReadValue<std::uint16_t>(true); }
    int WriteShort(int n) override { return WriteValue(static_cast<std::uint16_t>(n), true); }
    int ReadInt() override { return ReadValue<std::int32_t>(true); }
    int WriteInt(int n) override { return WriteValue(static_cast<std::int32_t>(n), true); }
    std::int64_t ReadLong() override { return ReadValue<std::int64_t>(true); }
    int WriteLong(std::int64_t n) override { return WriteValue(n, true); }
    float ReadFloat() override { return ReadValue<float>(true); }
    int WriteFloat(float n) override { return WriteValue(n, true); }
    double ReadDouble() override { return ReadValue<double>(true); }
    int WriteDouble(double n) override { return WriteValue(n, true); }

    /// Null for a null stream.
    static Ref<TXEndianStream> Create(TStream* stream);
    /// The stream seen big-endian: a byte-swapping view on a little-endian machine, the stream
    /// itself otherwise.
    static Ref<TStream> BigEndian(TStream* stream);
    /// The stream seen little-endian: the stream itself on a little-endian machine, a byte-swapping
    /// view otherwise.
    static Ref<TStream> LittleEndian(TStream* stream);
};

/// Serves "bigendian::path" and "littleendian::path".
class TXEndianStreamFactory : public TStreamFactory {
  public:
    Ref<TStream> CreateStream(const std::string& url, const std::string& proto,
                              const std::string& path, int readable, int writeable) override;
};

} // namespace core
