#pragma once
// Stream failures. A Read or Write that moves nothing where bytes were due
// throws one of the two derived classes; callers that only care that the
// stream failed catch TStreamException.

#include <stdexcept>
#include <string>

namespace core {

class TStreamException : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

/// "Error reading from stream": a read failed before the end of the stream.
class TStreamReadException : public TStreamException {
  public:
    TStreamReadException() : TStreamException("Error reading from stream") {}
};

/// "Error writing to stream": a write could not be completed.
class TStreamWriteException : public TStreamException {
  public:
    TStreamWriteException() : TStreamException("Error writing to stream") {}
};

} // namespace core
