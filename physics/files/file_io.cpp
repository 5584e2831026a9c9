#include "physics/files/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "core/cstream.h"
#include "core/filesys.h"
#include "core/stream_open.h"
#include "core/xendian.h"
#include "graphics/image.h"
#include "graphics/pixmap_loader.h"

namespace kel::tangle {

namespace {

mode_t NewFileMode() {
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

// A fresh empty file beside the target with the mode the target has or a new
// file would get. Empty on failure.
std::string MakeTemporaryBeside(const std::string& target) {
    std::vector<char> name(target.begin(), target.end());
    const std::string suffix = ".tmpXXXXXX";
    name.insert(name.end(), suffix.begin(), suffix.end());
    name.push_back('\0');
    const int fd = mkstemp(name.data());
    if (fd < 0) return {};
    struct stat info;
    const mode_t mode = stat(target.c_str(), &info) == 0 ? (info.st_mode & 07777) : NewFileMode();
    fchmod(fd, mode);
    close(fd);
    return name.data();
}

// Writes, flushes, syncs and closes; false on any failure.
bool WriteAndClose(core::TCStream& file, const std::function<bool(core::TStream&)>& write) {
    try {
        core::Ref<core::TStream> out = core::TXEndianStream::LittleEndian(&file);
        bool ok = out && write(*out);
        if (ok) {
            file.Flush();
            ok = fsync(fileno(file._cstream)) == 0;
        }
        file.Close();
        return ok;
    } catch (const std::exception&) {
        try {
            file.Close();
        } catch (const std::exception&) {
        }
        return false;
    }
}

// The first frame's pixels; a frame without any reads as a new blank pixmap.
core::Ref<draw2d::TPixmap> FirstPixmap(draw2d::TImage* image) {
    if (!image || image->pixmaps.empty()) return nullptr;
    return image->Lock(0, 1, 0);
}

// Deflate packs at most about 1032 bytes into one, so a PNG of `available`
// bytes cannot hold more pixel bytes than this; a header that claims more is
// damaged, and is refused before the reader allocates the picture for it.
constexpr std::int64_t kMaxInflation = 1032;

std::uint32_t BigEndian32(const unsigned char* p) {
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

// Whether the PNG header at the stream's position describes a picture that
// `available` bytes can hold. Leaves the position where it was.
bool PlausiblePNG(core::TStream& in, std::int64_t available) {
    const std::int64_t start = in.Pos();
    if (start < 0 || available < 24) return false;
    unsigned char header[24] = {};
    in.ReadBytes(header, 24);
    in.Seek(start);
    // Unsigned, and divided rather than multiplied: two 32-bit sides can ask
    // for more pixels than signed 64-bit arithmetic holds.
    const std::uint64_t pixels = std::uint64_t(BigEndian32(header + 16)) * BigEndian32(header + 20);
    const std::uint64_t pixelBytes = std::uint64_t(draw2d::BytesPerPixel(draw2d::PIXEL_RGBA));
    return pixels <= std::uint64_t(available) * kMaxInflation / pixelBytes;
}

} // namespace

bool AtomicWriteFile(const std::string& target, const std::function<bool(core::TStream&)>& write) {
    const std::string temporary = MakeTemporaryBeside(target);
    if (temporary.empty()) return false;
    core::Ref<core::TCStream> file = core::TCStream::OpenFile(temporary, 0, 1);
    const bool written = file && WriteAndClose(*file, write);
    if (!written || std::rename(temporary.c_str(), target.c_str()) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

bool SaveFileWithBackup(const std::string& url, const std::string& extension, int backup,
                        const std::function<bool(core::TStream&, const std::string&)>& write) {
    std::string path;
    try {
        path = core::FullPath(url);
    } catch (const std::exception&) {
        return false; // no working directory to resolve the url against
    }
    const int kind = core::PathKind(path);
    if (kind == 2) return false;
    if (kind == 1 && backup) {
        try {
            core::DuplicateFile(path, path + ".bak");
        } catch (const std::exception&) {
            // A backup that fails to read still leaves the file itself alone.
        }
    }
    const std::string target = core::PathWithoutExt(path) == path ? path + extension : path;
    if (core::PathKind(target) == 2) return false;
    if (!AtomicWriteFile(target, [&](core::TStream& out) { return write(out, target); }))
        return false;
    if (kind == 1 && target != path) core::RemoveFile(path);
    return true;
}

std::unique_ptr<TFileReader> TFileReader::Open(const std::string& path) {
    core::Ref<core::TStream> file = core::FileOpenRead(path);
    if (!file) return nullptr;
    core::Ref<core::TStream> view = core::TXEndianStream::LittleEndian(file);
    if (!view) return nullptr;
    return std::unique_ptr<TFileReader>(new TFileReader(view));
}

std::unique_ptr<TFileReader> TFileReader::Over(core::Ref<core::TStream> stream) {
    if (!stream) return nullptr;
    return std::unique_ptr<TFileReader>(new TFileReader(std::move(stream)));
}

TFileReader::~TFileReader() {
    try {
        stream_->Close();
    } catch (const std::exception&) {
        // Nothing of a read-only file is lost by a failed close.
    }
}

std::int64_t TFileReader::BytesLeft() {
    const std::int64_t left = stream_->Size() - stream_->Pos();
    return left > 0 ? left : 0;
}

bool TFileReader::Fits(std::int64_t count, std::int64_t bytesPerItem) {
    if (count < 0) return false;
    return bytesPerItem <= 0 || count <= BytesLeft() / bytesPerItem;
}

bool TFileReader::Take(int bytes) {
    if (ok_ && BytesLeft() < bytes) ok_ = false;
    return ok_;
}

int TFileReader::ReadInt() { return Take(4) ? stream_->ReadInt() : 0; }
float TFileReader::ReadFloat() { return Take(4) ? stream_->ReadFloat() : 0.0f; }
int TFileReader::ReadByte() { return Take(1) ? stream_->ReadByte() : 0; }
std::string TFileReader::ReadLine() { return Take(1) ? stream_->ReadLine() : std::string(); }
std::string TFileReader::ReadMagic() { return Take(4) ? stream_->ReadString(4) : std::string(); }

TImageHeader TImageHeader::Of(const draw2d::TImage& image) {
    return {image.mask_r, image.mask_g, image.mask_b, image.flags, image.handle_x, image.handle_y};
}

void TImageHeader::Write(core::TStream& out) const {
    out.WriteByte(maskR);
    out.WriteByte(maskG);
    out.WriteByte(maskB);
    out.WriteByte(flags);
    out.WriteFloat(handleX);
    out.WriteFloat(handleY);
}

bool TImageHeader::Read(TFileReader& in) {
    maskR = in.ReadByte();
    maskG = in.ReadByte();
    maskB = in.ReadByte();
    flags = in.ReadByte();
    handleX = in.ReadFloat();
    handleY = in.ReadFloat();
    return in.Ok();
}

core::Ref<draw2d::TImage>
TImageHeader::Load(const std::function<core::Ref<draw2d::TImage>(int flags)>& read) const {
    draw2d::SetMaskColor(maskR, maskG, maskB);
    core::Ref<draw2d::TImage> image = read(flags);
    if (image) draw2d::SetImageHandle(image, handleX, handleY);
    return image;
}

bool WriteEmbeddedImage(core::TStream& out, draw2d::TImage* image) {
    core::Ref<draw2d::TPixmap> pixmap = FirstPixmap(image);
    return pixmap && draw2d::SavePixmapPNG(pixmap, &out, kEmbeddedPNGLevel) == 1;
}

bool WriteSeparateImage(const std::string& path, draw2d::TImage* image) {
    core::Ref<draw2d::TPixmap> pixmap = FirstPixmap(image);
    if (!pixmap) return false;
    return AtomicWriteFile(path, [&](core::TStream& out) {
        return draw2d::SavePixmapPNG(pixmap, &out, kSeparatePNGLevel) == 1;
    });
}

core::Ref<draw2d::TImage> ReadEmbeddedImage(core::TStream& in, int flags) {
    if (!PlausiblePNG(in, in.Size() - in.Pos())) return nullptr;
    return draw2d::LoadImage(draw2d::PixmapSource(&in), flags);
}

core::Ref<draw2d::TImage> ReadSeparateImage(const std::string& path, int flags) {
    if (core::PathKind(path) != 1) return nullptr;
    core::Ref<core::TStream> file = core::FileOpenRead(path);
    if (!file) return nullptr;
    core::Ref<draw2d::TImage> image;
    if (PlausiblePNG(*file, file->Size()))
        image = draw2d::LoadImage(draw2d::PixmapSource(file), flags);
    file->Close();
    return image;
}

} // namespace kel::tangle
