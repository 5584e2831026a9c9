#include <sys/stat.h>

#include "core/filesys.h"
#include "core/stream_open.h"

namespace core {

namespace {

bool SameFile(const std::string& a, const std::string& b) {
    struct stat infoA, infoB;
    return stat(ForwardSlashes(a).c_str(), &infoA) == 0 &&
           stat(ForwardSlashes(b).c_str(), &infoB) == 0 && infoA.st_dev == infoB.st_dev &&
           infoA.st_ino == infoB.st_ino;
}

// For cleanup on the way out, where a second failure must not hide the first.
void CloseQuietly(TStream* stream) {
    try {
        stream->Close();
    } catch (const TStreamException&) {
    }
}

void CopyAll(TStream& from, TStream& to) {
    unsigned char block[4096];
    while (!from.Eof()) {
        int n = from.Read(block, sizeof block);
        // Nothing read before the end would otherwise spin here for ever.
        if (n <= 0) throw TStreamReadException();
        to.WriteBytes(block, n);
    }
}

} // namespace

int DuplicateFile(const std::string& from, const std::string& to) {
    // The source is opened first and the target only after: opening the
    // target empties it, which must not happen to a file the copy cannot
    // refill (a missing source, or the source itself).
    Ref<TStream> source = StreamOpenRead(from);
    if (!source) return 0;
    if (SameFile(from, to)) {
        CloseQuietly(source);
        return 0;
    }
    Ref<TStream> target = StreamOpenWrite(to);
    if (!target) {
        CloseQuietly(source);
        return 0;
    }

    int copied = 0;
    try {
        CopyAll(*source, *target);
        target->Close(); // the final flush is part of the copy
        copied = 1;
    } catch (const TStreamWriteException&) {
    } catch (...) {
        CloseQuietly(target);
        CloseQuietly(source);
        throw;
    }
    CloseQuietly(target);
    CloseQuietly(source);
    return copied;
}

} // namespace core
