#include "core/cstream.h"

#include <sys/stat.h>

#include "core/filesys.h"

namespace core {

TCStream::~TCStream() {
    // Destruction cannot report a failed final flush; callers that need to
    // know call Close themselves.
    try {
        Close();
    } catch (const TStreamException&) {
    }
}

void TCStream::Turn(Direction to) {
    if (direction_ != to && direction_ != Direction::None) fseeko(_cstream, 0, SEEK_CUR);
    direction_ = to;
}

std::int64_t TCStream::Seek(std::int64_t pos) {
    if (!_cstream) return -1;
    // Only a seek that happened separates a read from a following write.
    if (fseeko(_cstream, static_cast<off_t>(pos), SEEK_SET) == 0) direction_ = Direction::None;
    _pos = ftello(_cstream);
    return _pos;
}

int TCStream::Read(void* buf, int count) {
    if (!_cstream || count <= 0) return 0;
    Turn(Direction::Reading);
    int n = static_cast<int>(std::fread(buf, 1, static_cast<std::size_t>(count), _cstream));
    if (_pos >= 0) _pos += n;
    return n;
}

int TCStream::Write(const void* buf, int count) {
    if (!_cstream || count <= 0) return 0;
    Turn(Direction::Writing);
    int n = static_cast<int>(std::fwrite(buf, 1, static_cast<std::size_t>(count), _cstream));
    if (_pos >= 0) {
        _pos += n;
        if (_pos > _size) _size = _pos;
    }
    return n;
}

int TCStream::Flush() {
    if (_cstream && std::fflush(_cstream) != 0) {
        std::clearerr(_cstream);
        throw TStreamWriteException();
    }
    return 0;
}

int TCStream::Close() {
    if (!_cstream) return 0;
    bool flushed = std::fflush(_cstream) == 0;
    bool closed = std::fclose(_cstream) == 0;
    _cstream = nullptr;
    _pos = _size = 0;
    direction_ = Direction::None;
    if (!flushed || !closed) throw TStreamWriteException();
    return 0;
}

Ref<TCStream> TCStream::OpenFile(const std::string& path, int readable, int writeable) {
    const char* how = "rb";
    int mode = MODE_READ;
    if (readable && writeable) {
        how = "r+b";
        mode = MODE_READ | MODE_WRITE;
    } else if (writeable) {
        how = "wb";
        mode = MODE_WRITE;
    }
    std::FILE* handle = std::fopen(ForwardSlashes(path).c_str(), how);
    if (!handle) return nullptr;
    // "rb" opens a directory without complaint; reading it would then fail.
    struct stat info;
    if (fstat(fileno(handle), &info) == 0 && S_ISDIR(info.st_mode)) {
        std::fclose(handle);
        return nullptr;
    }
    return CreateWithCStream(handle, mode);
}

Ref<TCStream> TCStream::CreateWithCStream(std::FILE* cstream, int mode) {
    if (!cstream) return nullptr;
    Ref<TCStream> stream = Make<TCStream>();
    stream->_cstream = cstream;
    stream->_mode = mode;
    stream->_pos = ftello(cstream);
    if (stream->_pos >= 0 && fseeko(cstream, 0, SEEK_END) == 0) {
        stream->_size = ftello(cstream);
        fseeko(cstream, static_cast<off_t>(stream->_pos), SEEK_SET);
    } else {
        stream->_pos = -1;
        stream->_size = 0;
    }
    return stream;
}

} // namespace core
