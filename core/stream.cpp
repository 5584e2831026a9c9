#include "core/stream.h"

#include <algorithm>
#include <climits>

#include "core/error.h"

namespace core {

// ---- TIO ----

// At or past the size: a stream sought beyond its end has nothing to read
// either, and reading there gives zeros rather than a read error.
int TIO::Eof() { return Pos() >= Size() ? 1 : 0; }

int TIO::Read(void*, int) { throw RuntimeError("Stream is not readable"); }

int TIO::Write(const void*, int) { throw RuntimeError("Stream is not writeable"); }

// ---- TStream ----

int TStream::ReadBytes(void* buf, int count) {
    auto* at = static_cast<unsigned char*>(buf);
    int remaining = count;
    while (remaining > 0 && !Eof()) {
        int n = Read(at, remaining);
        if (n <= 0) throw TStreamReadException();
        remaining -= n;
        at += n;
    }
    return count;
}

int TStream::WriteBytes(const void* buf, int count) {
    auto* at = static_cast<const unsigned char*>(buf);
    int remaining = count;
    while (remaining > 0) {
        int n = Write(at, remaining);
        if (n <= 0) throw TStreamWriteException();
        remaining -= n;
        at += n;
    }
    return count;
}

int TStream::SkipBytes(int count) {
    unsigned char scratch[1024];
    int remaining = count;
    while (remaining > 0 && !Eof()) {
        int n = Read(scratch, std::min(remaining, static_cast<int>(sizeof scratch)));
        if (n <= 0) throw TStreamReadException();
        remaining -= n;
    }
    return count;
}

std::string TStream::ReadLine() {
    std::string line;
    unsigned char byte;
    while (Read(&byte, 1) == 1 && byte != 0 && byte != '\n') {
        if (byte != '\r') line.push_back(static_cast<char>(byte));
    }
    return line;
}

int TStream::WriteLine(const std::string& text) {
    // A text too long for one Write cannot be written whole: report it short.
    if (text.size() > static_cast<std::size_t>(INT_MAX)) return 0;
    int length = static_cast<int>(text.size());
    if (Write(text.data(), length) != length) return 0;
    static const char kLineEnd[2] = {'\r', '\n'};
    return Write(kLineEnd, 2) == 2 ? 1 : 0;
}

std::string TStream::ReadString(int length) {
    if (length <= 0) return {};
    std::string text(static_cast<std::size_t>(length), '\0');
    ReadBytes(text.data(), length);
    return text;
}

int TStream::WriteString(const std::string& text) {
    // WriteBytes takes an int count; longer texts go out in pieces.
    const char* at = text.data();
    std::size_t remaining = text.size();
    while (remaining > 0) {
        int piece = static_cast<int>(std::min(remaining, static_cast<std::size_t>(INT_MAX)));
        WriteBytes(at, piece);
        at += piece;
        remaining -= static_cast<std::size_t>(piece);
    }
    return 0;
}

Ref<Object> TStream::ReadObject() { throw RuntimeError("Unable to read object"); }

int TStream::WriteObject(Object*) { throw RuntimeError("Unable to write object"); }

void TStream::ReverseBytes(unsigned char* bytes, int count) { std::reverse(bytes, bytes + count); }

// ---- TStreamWrapper / TStreamStream ----

TStream& TStreamWrapper::Inner() const {
    // Stateless stand-in for a missing inner stream; never reference-counted.
    static TStream detached;
    return _stream ? *_stream : detached;
}

Ref<TStreamStream> TStreamStream::Create(TStream* stream) {
    if (!stream) return nullptr;
    Ref<TStreamStream> view = Make<TStreamStream>();
    view->SetStream(stream);
    return view;
}

} // namespace core
