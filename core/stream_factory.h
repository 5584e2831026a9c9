#pragma once
// The chain of stream factories asked by StreamOpen for urls of the form
// "proto::path".

#include <string>

#include "core/object.h"
#include "core/stream.h"

namespace core {

/// Makes streams for urls of the form "proto::path"; StreamOpen asks each factory of the chain in
/// turn.
class TStreamFactory : public Object {
  public:
    /// The next factory in the chain.
    Ref<TStreamFactory> _succ;

    /// Puts the new factory at the front of the chain, which keeps it for the
    /// rest of the program: create factories on the heap (Make), never on the
    /// stack. The newest factory is asked first.
    TStreamFactory();

    /// A stream for the url, or null when this factory does not serve proto.
    /// proto is lower case; url is the whole text that was opened.
    virtual Ref<TStream> CreateStream(const std::string& url, const std::string& proto,
                                      const std::string& path, int readable, int writeable) = 0;

    /// The front of the chain (the built-in factories are always there).
    static TStreamFactory* First();
};

} // namespace core
