#include "core/xendian.h"

#include <bit>

#include "core/stream_open.h"

namespace core {

Ref<TXEndianStream> TXEndianStream::Create(TStream* stream) {
    if (!stream) return nullptr;
    Ref<TXEndianStream> swapped = Make<TXEndianStream>();
    swapped->SetStream(stream);
    return swapped;
}

Ref<TStream> TXEndianStream::BigEndian(TStream* stream) {
    if constexpr (std::endian::native == std::endian::big)
        return stream;
    else
        return Create(stream);
}

Ref<TStream> TXEndianStream::LittleEndian(TStream* stream) {
    if constexpr (std::endian::native == std::endian::little)
        return stream;
    else
        return Create(stream);
}

Ref<TStream> TXEndianStreamFactory::CreateStream(const std::string&, const std::string& proto,
                                                 const std::string& path, int readable,
                                                 int writeable) {
    if (proto == "bigendian")
        return TXEndianStream::BigEndian(StreamOpen(path, readable, writeable));
    if (proto == "littleendian")
        return TXEndianStream::LittleEndian(StreamOpen(path, readable, writeable));
    return nullptr;
}

} // namespace core
