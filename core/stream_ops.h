#pragma once
// Every stream operation as a free function taking the stream first:
// core::ReadInt(stream), core::WriteLine(stream, text), core::Close(stream).
// They only call the method; a null stream throws a RuntimeError instead of
// crashing.

#include <utility>

#include "core/error.h"
#include "core/stream.h"

namespace core {

inline TStream& CheckedStream(TStream* stream) {
    if (!stream) throw RuntimeError("Stream is null");
    return *stream;
}

#define QUORVEL_STREAM_FREE_FUNCTION(Op)                                                           \
    template <class... Args>                                                                       \
    inline auto Op(TStream* stream, Args&&... args)                                                \
        ->decltype(stream->Op(std::forward<Args>(args)...)) {                                      \
        return CheckedStream(stream).Op(std::forward<Args>(args)...);                              \
    }

QUORVEL_STREAM_FREE_FUNCTION(Eof)
QUORVEL_STREAM_FREE_FUNCTION(Pos)
QUORVEL_STREAM_FREE_FUNCTION(Size)
QUORVEL_STREAM_FREE_FUNCTION(Seek)
QUORVEL_STREAM_FREE_FUNCTION(Flush)
QUORVEL_STREAM_FREE_FUNCTION(Close)
QUORVEL_STREAM_FREE_FUNCTION(Read)
QUORVEL_STREAM_FREE_FUNCTION(Write)
QUORVEL_STREAM_FREE_FUNCTION(ReadBytes)
QUORVEL_STREAM_FREE_FUNCTION(WriteBytes)
QUORVEL_STREAM_FREE_FUNCTION(SkipBytes)
QUORVEL_STREAM_FREE_FUNCTION(ReadByte)
QUORVEL_STREAM_FREE_FUNCTION(WriteByte)
QUORVEL_STREAM_FREE_FUNCTION(ReadShort)
QUORVEL_STREAM_FREE_FUNCTION(WriteShort)
QUORVEL_STREAM_FREE_FUNCTION(ReadInt)
QUORVEL_STREAM_FREE_FUNCTION(WriteInt)
QUORVEL_STREAM_FREE_FUNCTION(ReadLong)
QUORVEL_STREAM_FREE_FUNCTION(WriteLong)
QUORVEL_STREAM_FREE_FUNCTION(ReadFloat)
QUORVEL_STREAM_FREE_FUNCTION(WriteFloat)
QUORVEL_STREAM_FREE_FUNCTION(ReadDouble)
QUORVEL_STREAM_FREE_FUNCTION(WriteDouble)
QUORVEL_STREAM_FREE_FUNCTION(ReadLine)
QUORVEL_STREAM_FREE_FUNCTION(WriteLine)
QUORVEL_STREAM_FREE_FUNCTION(ReadString)
QUORVEL_STREAM_FREE_FUNCTION(WriteString)
QUORVEL_STREAM_FREE_FUNCTION(ReadObject)
QUORVEL_STREAM_FREE_FUNCTION(WriteObject)

#undef QUORVEL_STREAM_FREE_FUNCTION

} // namespace core
