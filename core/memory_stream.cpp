#include "core/memory_stream.h"

#include <algorithm>
#include <cstring>

namespace core {

Ref<TMemoryStream> TMemoryStream::Create() { return Make<TMemoryStream>(); }

Ref<TMemoryStream> TMemoryStream::Create(const std::vector<unsigned char>& bytes) {
    Ref<TMemoryStream> s = Make<TMemoryStream>();
    s->bytes_ = bytes;
    return s;
}

std::int64_t TMemoryStream::Seek(std::int64_t pos) {
    pos_ = pos <= 0 ? 0 : std::min(static_cast<std::size_t>(pos), bytes_.size());
    return static_cast<std::int64_t>(pos_);
}

int TMemoryStream::Read(void* buf, int count) {
    if (count <= 0 || pos_ >= bytes_.size()) return 0;
    const std::size_t n = std::min(static_cast<std::size_t>(count), bytes_.size() - pos_);
    std::memcpy(buf, bytes_.data() + pos_, n);
    pos_ += n;
    return static_cast<int>(n);
}

int TMemoryStream::Write(const void* buf, int count) {
    if (count <= 0) return 0;
    const auto n = static_cast<std::size_t>(count);
    if (pos_ + n > bytes_.size()) bytes_.resize(pos_ + n);
    std::memcpy(bytes_.data() + pos_, buf, n);
    pos_ += n;
    return count;
}

} // namespace core
