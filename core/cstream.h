#pragma once
// File streams on the C library's buffered file handles.

#include <cstdint>
#include <cstdio>
#include <string>

#include "core/stream.h"

namespace core {

/// A stream over a C library file handle.
class TCStream : public TStream {
  public:
    /// Mode bit: the handle may be read.
    static constexpr int MODE_READ = 1;
    /// Mode bit: the handle may be written.
    static constexpr int MODE_WRITE = 2;

    /// -1 / 0 for a handle that cannot seek (a pipe): such a stream reads on
    /// until a Read gives nothing.
    std::int64_t _pos = 0;
    /// The file's size in bytes as far as known (grows with writes past the end).
    std::int64_t _size = 0;
    std::FILE* _cstream = nullptr; ///< null once closed
    /// MODE_READ and MODE_WRITE bits.
    int _mode = 0;

    ~TCStream() override;

    std::int64_t Pos() override { return _pos; }
    std::int64_t Size() override { return _size; }
    std::int64_t Seek(std::int64_t pos) override;
    int Read(void* buf, int count) override;
    int Write(const void* buf, int count) override;
    /// Buffered bytes that cannot be written (disk full, device error) throw
    /// TStreamWriteException here or in Close, never vanish silently.
    int Flush() override;
    /// Releases the handle even when the final flush fails (and then throws
    /// TStreamWriteException). Closing again does nothing.
    int Close() override;

    /// "r+b" when both flags are set, "wb" (creates or empties) when only
    /// writeable is, "rb" otherwise. "\" separators are taken as "/". Null when
    /// the file cannot be opened or is a directory.
    static Ref<TCStream> OpenFile(const std::string& path, int readable, int writeable);
    /// Takes ownership of an open handle; null for a null handle.
    static Ref<TCStream> CreateWithCStream(std::FILE* cstream, int mode);

  private:
    /// The C library wants a seek between a read and a following write (and
    /// the other way round) on an update stream.
    enum class Direction { None, Reading, Writing };
    void Turn(Direction to);
    Direction direction_ = Direction::None;
};

} // namespace core
