#pragma once
// Opening streams from a url: a path, an open stream, or "proto::path".

#include <string>

#include "core/stream.h"

namespace core {

/// A path without "::" opens a file stream (no factory is asked); otherwise the
/// factories are asked in chain order with the lower-cased part before the
/// first "::" as proto. Null when nothing could be opened.
Ref<TStream> StreamOpen(const std::string& url, int readable, int writeable);
/// A TStreamStream over the stream: closing it leaves the stream open. The
/// flags are not used. Null for a null stream.
Ref<TStream> StreamOpen(TStream* stream, int readable, int writeable);
Ref<TStream> StreamOpenRead(const std::string& url);
Ref<TStream> StreamOpenRead(TStream* stream);
Ref<TStream> StreamOpenWrite(const std::string& url);
Ref<TStream> StreamOpenWrite(TStream* stream);

/// As StreamOpen, for the file formats, which need a position to work with: a
/// stream that cannot tell its position (Pos() of -1) is closed and the result
/// is null.
Ref<TStream> FileOpen(const std::string& url, int readable, int writeable);
Ref<TStream> FileOpen(TStream* stream, int readable, int writeable);
Ref<TStream> FileOpenRead(const std::string& url);
Ref<TStream> FileOpenRead(TStream* stream);
Ref<TStream> FileOpenWrite(const std::string& url);
Ref<TStream> FileOpenWrite(TStream* stream);

} // namespace core
