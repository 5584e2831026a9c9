#include "core/stream_open.h"

#include <cctype>

#include "core/cstream.h"
#include "core/stream_factory.h"
#include "core/xendian.h"

namespace core {

namespace {

struct FactoryChain {
    Ref<TStreamFactory> first;
    bool builtinsRegistered = false;
};

FactoryChain& Chain() {
    static FactoryChain chain;
    return chain;
}

// The built-in factories go in before the first other one, so that a factory
// made by the program is asked before them.
void RegisterBuiltins() {
    FactoryChain& chain = Chain();
    if (chain.builtinsRegistered) return;
    chain.builtinsRegistered = true;
    Make<TXEndianStreamFactory>();
}

std::string LowerCase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// A stream the file formats can work with, or null.
Ref<TStream> Positioned(Ref<TStream> stream) {
    if (stream && stream->Pos() == -1) {
        stream->Close();
        return nullptr;
    }
    return stream;
}

} // namespace

TStreamFactory::TStreamFactory() {
    RegisterBuiltins();
    FactoryChain& chain = Chain();
    _succ = chain.first;
    chain.first = this;
}

TStreamFactory* TStreamFactory::First() {
    RegisterBuiltins();
    return Chain().first;
}

Ref<TStream> StreamOpen(const std::string& url, int readable, int writeable) {
    std::string proto;
    std::string path;
    if (!url.empty()) {
        std::size_t separator = url.find("::");
        if (separator == std::string::npos) return TCStream::OpenFile(url, readable, writeable);
        proto = LowerCase(url.substr(0, separator));
        path = url.substr(separator + 2);
    }
    for (TStreamFactory* factory = TStreamFactory::First(); factory; factory = factory->_succ) {
        if (Ref<TStream> stream = factory->CreateStream(url, proto, path, readable, writeable))
            return stream;
    }
    return nullptr;
}

Ref<TStream> StreamOpen(TStream* stream, int readable, int writeable) {
    if (!stream) return StreamOpen(std::string(), readable, writeable);
    return TStreamStream::Create(stream);
}

Ref<TStream> StreamOpenRead(const std::string& url) { return StreamOpen(url, 1, 0); }
Ref<TStream> StreamOpenRead(TStream* stream) { return StreamOpen(stream, 1, 0); }
Ref<TStream> StreamOpenWrite(const std::string& url) { return StreamOpen(url, 0, 1); }
Ref<TStream> StreamOpenWrite(TStream* stream) { return StreamOpen(stream, 0, 1); }

Ref<TStream> FileOpen(const std::string& url, int readable, int writeable) {
    return Positioned(StreamOpen(url, readable, writeable));
}
Ref<TStream> FileOpen(TStream* stream, int readable, int writeable) {
    return Positioned(StreamOpen(stream, readable, writeable));
}
Ref<TStream> FileOpenRead(const std::string& url) { return FileOpen(url, 1, 0); }
Ref<TStream> FileOpenRead(TStream* stream) { return FileOpen(stream, 1, 0); }
Ref<TStream> FileOpenWrite(const std::string& url) { return FileOpen(url, 0, 1); }
Ref<TStream> FileOpenWrite(TStream* stream) { return FileOpen(stream, 0, 1); }

} // namespace core
