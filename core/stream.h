#pragma once
// Byte streams: the raw operations of TIO and the typed reads and writes that
// TStream builds on them. Multi-byte values are in the host's byte order; the
// file formats read and write through TXEndianStream::LittleEndian.

#include <cstdint>
#include <cstring>
#include <string>

#include "core/object.h"
#include "core/stream_error.h"

namespace core {

/// The raw operations. The defaults describe a stream that can neither be read
/// nor written and has no position.
class TIO : public Object {
  public:
    /// 1 once the position has reached (or passed) the size.
    virtual int Eof();
    /// The position in bytes from the start; -1 when the stream has none.
    virtual std::int64_t Pos() { return -1; }
    /// The length in bytes; 0 when unknown.
    virtual std::int64_t Size() { return 0; }
    /// Moves to byte `pos` from the start; returns the new position, -1 when the stream cannot
    /// seek.
    virtual std::int64_t Seek(std::int64_t) { return -1; }
    /// Writes out what is buffered; returns 0.
    virtual int Flush() { return 0; }
    /// Ends the stream (a file is closed); returns 0. Closing again does nothing.
    virtual int Close() { return 0; }
    /// The number of bytes moved; 0 at the end or on failure.
    virtual int Read(void* buf, int count);
    /// The number of bytes moved; 0 on failure.
    virtual int Write(const void* buf, int count);
};

/// A stream of bytes with typed reads and writes in the machine's byte order (little-endian on
/// every platform built for), strings and lines. Reading past the end gives zeros; a read that
/// fails before the end throws TStreamReadException, a write that cannot be completed
/// TStreamWriteException.
class TStream : public TIO {
  public:
    /// Reads count bytes, stopping quietly at the end of the stream (the rest
    /// of buf is left as it was). A Read that gives nothing before the end
    /// throws TStreamReadException. Returns count.
    virtual int ReadBytes(void* buf, int count);
    /// Writes all count bytes or throws TStreamWriteException. Returns count.
    virtual int WriteBytes(const void* buf, int count);
    /// Reads and drops count bytes, like ReadBytes. Returns count.
    virtual int SkipBytes(int count);

    /// Byte and short read unsigned; writes keep the low 8 / 16 bits.
    virtual int ReadByte() { return ReadValue<std::uint8_t>(); }
    /// Writes the low 8 bits; returns 0.
    virtual int WriteByte(int n) { return WriteValue(static_cast<std::uint8_t>(n)); }
    /// 16 bits, unsigned.
    virtual int ReadShort() { return ReadValue<std::uint16_t>(); }
    /// Writes the low 16 bits; returns 0.
    virtual int WriteShort(int n) { return WriteValue(static_cast<std::uint16_t>(n)); }
    /// 32 bits.
    virtual int ReadInt() { return ReadValue<std::int32_t>(); }
    /// Writes 32 bits; returns 0.
    virtual int WriteInt(int n) { return WriteValue(static_cast<std::int32_t>(n)); }
    /// 64 bits.
    virtual std::int64_t ReadLong() { return ReadValue<std::int64_t>(); }
    /// Writes 64 bits; returns 0.
    virtual int WriteLong(std::int64_t n) { return WriteValue(n); }
    /// A single-precision float.
    virtual float ReadFloat() { return ReadValue<float>(); }
    /// Writes a single-precision float; returns 0.
    virtual int WriteFloat(float n) { return WriteValue(n); }
    /// A double-precision float.
    virtual double ReadDouble() { return ReadValue<double>(); }
    /// Writes a double-precision float; returns 0.
    virtual int WriteDouble(double n) { return WriteValue(n); }

    /// A line ends at LF, a NUL byte or the end of the stream; CRs are dropped.
    virtual std::string ReadLine();
    /// Writes the text and CR LF with plain Writes: 1 when everything went
    /// out, 0 after a short write (the line end is then skipped). Never throws
    /// for a short write.
    virtual int WriteLine(const std::string& text);
    /// Exactly length characters; bytes missing at the end are NULs.
    virtual std::string ReadString(int length);
    /// One byte per character, no length, no terminator. Returns 0.
    virtual int WriteString(const std::string& text);

    /// No file format stores objects: both throw.
    virtual Ref<Object> ReadObject();
    /// See ReadObject.
    virtual int WriteObject(Object* obj);

  protected:
    /// A zeroed value filled by ReadBytes: at the end of the stream the bytes
    /// that were left land in the low-order positions and the rest stays 0.
    template <class T> T ReadValue(bool reversed = false) {
        unsigned char bytes[sizeof(T)] = {};
        ReadBytes(bytes, sizeof bytes);
        if (reversed) ReverseBytes(bytes, sizeof bytes);
        T value;
        std::memcpy(&value, bytes, sizeof value);
        return value;
    }
    /// Writes the value's bytes, reversed when asked; returns 0.
    template <class T> int WriteValue(T value, bool reversed = false) {
        unsigned char bytes[sizeof(T)];
        std::memcpy(bytes, &value, sizeof bytes);
        if (reversed) ReverseBytes(bytes, sizeof bytes);
        WriteBytes(bytes, sizeof bytes);
        return 0;
    }
    /// Reverses count bytes in place.
    static void ReverseBytes(unsigned char* bytes, int count);
};

/// Forwards every operation to `_stream`. Without an inner stream it behaves as
/// a bare TStream: it has no position and reading or writing throws.
class TStreamWrapper : public TStream {
  public:
    /// The stream that does the work; none makes every operation fail like a bare TStream.
    Ref<TStream> _stream;

    /// Replaces the inner stream.
    void SetStream(TStream* stream) { _stream = stream; }

    int Eof() override { return Inner().Eof(); }
    std::int64_t Pos() override { return Inner().Pos(); }
    std::int64_t Size() override { return Inner().Size(); }
    std::int64_t Seek(std::int64_t pos) override { return Inner().Seek(pos); }
    int Flush() override { return Inner().Flush(); }
    int Close() override { return Inner().Close(); }
    int Read(void* buf, int count) override { return Inner().Read(buf, count); }
    int Write(const void* buf, int count) override { return Inner().Write(buf, count); }

    int ReadByte() override { return Inner().ReadByte(); }
    int WriteByte(int n) override { return Inner().WriteByte(n); }
    int ReadShort() override { return Inner().ReadShort(); }
    int WriteShort(int n) override { return Inner().WriteShort(n); }
    int ReadInt() override { return Inner().ReadInt(); }
    int WriteInt(int n) override { return Inner().WriteInt(n); }
    /// Longs go to the inner stream too, so that a wrapper over a byte-swapping
    /// stream swaps every width alike.
    std::int64_t ReadLong() override { return Inner().ReadLong(); }
    int WriteLong(std::int64_t n) override { return Inner().WriteLong(n); }
    float ReadFloat() override { return Inner().ReadFloat(); }
    int WriteFloat(float n) override { return Inner().WriteFloat(n); }
    double ReadDouble() override { return Inner().ReadDouble(); }
    int WriteDouble(double n) override { return Inner().WriteDouble(n); }
    std::string ReadLine() override { return Inner().ReadLine(); }
    int WriteLine(const std::string& text) override { return Inner().WriteLine(text); }
    std::string ReadString(int length) override { return Inner().ReadString(length); }
    int WriteString(const std::string& text) override { return Inner().WriteString(text); }
    Ref<Object> ReadObject() override { return Inner().ReadObject(); }
    int WriteObject(Object* obj) override { return Inner().WriteObject(obj); }

  protected:
    /// The inner stream; throws TStreamReadException without one.
    TStream& Inner() const;
};

/// A view of another stream whose Close only lets go of it: a reader handed
/// this may close it and the stream underneath stays open where it stopped.
class TStreamStream : public TStreamWrapper {
  public:
    /// Lets go of the inner stream, which stays open; returns 0.
    int Close() override {
        SetStream(nullptr);
        return 0;
    }
    /// Null for a null stream.
    static Ref<TStreamStream> Create(TStream* stream);
};

} // namespace core
