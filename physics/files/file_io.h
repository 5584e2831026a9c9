#pragma once
// File helpers shared by the body and zone files: saving through a temporary
// file so that a failed save never costs the old file, a checked reader for
// the loaders, and the PNG pictures that go inside such files or beside them.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/object.h"
#include "core/stream.h"

namespace draw2d {
class TImage;
}

namespace kel::tangle {

// Compression levels of the pictures: inside a file, and beside it.
constexpr int kEmbeddedPNGLevel = 9;
constexpr int kSeparatePNGLevel = 5;

// Writes `target` through a temporary file in the same folder. `write` gets a
// little-endian view of it and returns false to give up. Only once everything
// was written, flushed and synced does the temporary file replace the target;
// on any failure it is removed and the target is left as it was. A new file
// gets the permissions the umask allows, a replaced one keeps its own.
bool AtomicWriteFile(const std::string& target, const std::function<bool(core::TStream&)>& write);

// The save sequence of the file formats, for a url as the caller gave it:
// - a url naming a directory writes nothing;
// - when a file exists at the url and `backup` is set, it is first copied to
//   the url + ".bak";
// - a url without an extension gets `extension` (".tnb") appended: the
//   target;
// - the target is written with AtomicWriteFile; `write` also gets the
//   target's absolute path, after which separate files are named;
// - after a successful write, a file at the url that is not the target is
//   removed, since the save replaces it.
// True when the target was written.
bool SaveFileWithBackup(const std::string& url, const std::string& extension, int backup,
                        const std::function<bool(core::TStream&, const std::string&)>& write);

// Reads a little-endian file for a loader and notices when the file ends
// before what it is asked for: every later read then gives zeros and Ok()
// stays false. Closes the file when it goes.
class TFileReader {
  public:
    // Null when nothing readable with a position is at the absolute path.
    static std::unique_ptr<TFileReader> Open(const std::string& path);
    // A reader of a little-endian stream with a position and a size (a
    // file in memory); null for none.
    static std::unique_ptr<TFileReader> Over(core::Ref<core::TStream> stream);
    ~TFileReader();
    TFileReader(const TFileReader&) = delete;
    TFileReader& operator=(const TFileReader&) = delete;

    bool Ok() const { return ok_; }
    std::int64_t BytesLeft();
    // Whether count items of at least bytesPerItem bytes each can still be
    // in the file; a negative count never fits.
    bool Fits(std::int64_t count, std::int64_t bytesPerItem);

    int ReadInt();
    float ReadFloat();
    int ReadByte();
    // Up to LF (CRs dropped), stopping at a NUL or the end.
    std::string ReadLine();
    // Four bytes, one character each.
    std::string ReadMagic();

    // The underlying little-endian stream, for readers of embedded data.
    core::TStream* Stream() const { return stream_; }

  private:
    explicit TFileReader(core::Ref<core::TStream> stream) : stream_(std::move(stream)) {}
    bool Take(int bytes);

    core::Ref<core::TStream> stream_;
    bool ok_ = true;
};

// The header of a picture record, shared by the file formats: the mask
// colour and the flags, one byte each, then the handle, two floats.
struct TImageHeader {
    int maskR = 0, maskG = 0, maskB = 0, flags = 0;
    float handleX = 0, handleY = 0;

    static TImageHeader Of(const draw2d::TImage& image);
    void Write(core::TStream& out) const;
    // False when the file ends first.
    bool Read(TFileReader& in);
    // The picture that `read` gives for the header's flags, read under its
    // mask colour (which stays set) and given its handle; null when `read`
    // gives none.
    core::Ref<draw2d::TImage>
    Load(const std::function<core::Ref<draw2d::TImage>(int flags)>& read) const;
};

// The pixels of an image's first frame as PNG into an open stream (level 9),
// or into a file of its own (level 5, replaced only when written whole).
// False when the image has no frame or the PNG cannot be written.
bool WriteEmbeddedImage(core::TStream& out, draw2d::TImage* image);
bool WriteSeparateImage(const std::string& path, draw2d::TImage* image);

// An image with the given flags from an open stream at its position (left
// just after the PNG) or from a file. Null when none can be read, and for a
// PNG whose header claims more pixels than its bytes could hold.
core::Ref<draw2d::TImage> ReadEmbeddedImage(core::TStream& in, int flags);
core::Ref<draw2d::TImage> ReadSeparateImage(const std::string& path, int flags);

} // namespace kel::tangle
