// PNG through libpng, the desktop codec (graphics/detail/png_codec.h). libpng
// reports errors by longjmp: every step that can fail runs inside a small
// function that owns no C++ objects, and the stream callbacks turn stream
// exceptions into libpng errors instead of unwinding through libpng's C frames.
#include <png.h>

#include <algorithm>
#include <climits>
#include <csetjmp>
#include <exception>
#include <vector>

#include "core/stream.h"
#include "graphics/detail/png_codec.h"
#include "graphics/pixmap_loader.h"

namespace draw2d {
namespace {

// What libpng itself may allocate for one ancillary chunk (text, profiles),
// and how many such chunks it keeps.
constexpr png_alloc_size_t MAX_CHUNK_BYTES = 8u << 20;
constexpr png_uint_32 MAX_CACHED_CHUNKS = 1000;

struct PngIO {
    core::TStream* stream = nullptr;
    std::exception_ptr foreignError; // not a stream error: goes on to the caller
};

// Records why a callback failed; the caller of png_error has left every
// catch block by then.
bool Guard(PngIO* io, auto&& action) {
    try {
        action();
        return true;
    } catch (const core::TStreamException&) {
    } catch (...) {
        io->foreignError = std::current_exception();
    }
    return false;
}

// Reads exactly `count` bytes; fewer means the datastream was cut short.
int ReadFully(core::TStream* stream, png_bytep data, std::size_t count) {
    std::size_t done = 0;
    while (done < count) {
        const int n = stream->Read(data + done, int(std::min<std::size_t>(count - done, INT_MAX)));
        if (n <= 0) break;
        done += std::size_t(n);
    }
    return int(done);
}

void ReadData(png_structp png, png_bytep data, png_size_t length) {
    auto* io = static_cast<PngIO*>(png_get_io_ptr(png));
    bool complete = false;
    const bool ok =
        Guard(io, [&] { complete = std::size_t(ReadFully(io->stream, data, length)) == length; });
    if (!ok || !complete) png_error(png, "read failed");
}

void WriteData(png_structp png, png_bytep data, png_size_t length) {
    auto* io = static_cast<PngIO*>(png_get_io_ptr(png));
    const bool ok = Guard(io, [&] {
        for (std::size_t done = 0; done < length;) {
            const int n = int(std::min<std::size_t>(length - done, INT_MAX));
            io->stream->WriteBytes(data + done, n);
            done += std::size_t(n);
        }
    });
    if (!ok) png_error(png, "write failed");
}

void FlushData(png_structp png) {
    auto* io = static_cast<PngIO*>(png_get_io_ptr(png));
    if (!Guard(io, [&] { io->stream->Flush(); })) png_error(png, "flush failed");
}

[[noreturn]] void OnError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void OnWarning(png_structp, png_const_charp) {}

struct PngHeader {
    png_uint_32 width = 0, height = 0;
    int bitDepth = 0, colorType = 0;
    std::size_t rowBytes = 0;
};

// 16-bit samples become 8-bit, palettes RGB or RGBA, grey below 8 bits 8-bit
// grey, a transparency chunk an alpha channel.
bool ReadHeader(png_structp png, png_infop info, PngHeader* header) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_read_info(png, info);
    png_set_strip_16(png);
    png_set_expand(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    header->width = png_get_image_width(png, info);
    header->height = png_get_image_height(png, info);
    header->bitDepth = png_get_bit_depth(png, info);
    header->colorType = png_get_color_type(png, info);
    header->rowBytes = png_get_rowbytes(png, info);
    return true;
}

// Reads the pixels and the rest of the datastream through IEND.
bool ReadRows(png_structp png, png_infop info, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_read_image(png, rows);
    png_read_end(png, info);
    return true;
}

bool WriteImage(png_structp png, png_infop info, const TPixmap* pixmap, int colorType,
                int transforms, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_IHDR(png, info, png_uint_32(pixmap->width), png_uint_32(pixmap->height), 8, colorType,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_rows(png, info, rows);
    png_write_png(png, info, transforms, nullptr);
    return true;
}

struct ReadStructs {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~ReadStructs() {
        if (png) png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    }
};

struct WriteStructs {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~WriteStructs() {
        if (png) png_destroy_write_struct(&png, info ? &info : nullptr);
    }
};

int PixelFormatOf(int colorType) {
    switch (colorType) {
    case PNG_COLOR_TYPE_GRAY:
        return PIXEL_I8;
    case PNG_COLOR_TYPE_RGB:
        return PIXEL_RGB;
    case PNG_COLOR_TYPE_RGB_ALPHA:
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        return PIXEL_RGBA;
    default:
        return 0;
    }
}

} // namespace

namespace png_codec {

core::Ref<TPixmap> Decode(core::TStream* stream) {
    png_byte signature[8];
    if (ReadFully(stream, signature, 8) < 8 || png_sig_cmp(signature, 0, 8) != 0) return nullptr;

    PngIO io{stream, nullptr};
    ReadStructs s;
    s.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &io, OnError, OnWarning);
    if (!s.png) return nullptr;
    s.info = png_create_info_struct(s.png);
    if (!s.info) return nullptr;
    png_set_sig_bytes(s.png, 8);
    png_set_read_fn(s.png, &io, ReadData);
    png_set_user_limits(s.png, MAX_LOADED_SIDE, MAX_LOADED_SIDE);
    png_set_chunk_malloc_max(s.png, MAX_CHUNK_BYTES);
    png_set_chunk_cache_max(s.png, MAX_CACHED_CHUNKS);

    PngHeader h;
    bool ok = ReadHeader(s.png, s.info, &h);
    const int format = PixelFormatOf(h.colorType);
    if (!ok || h.bitDepth != 8 || !format || std::int64_t(h.width) * h.height > MAX_LOADED_PIXELS) {
        if (io.foreignError) std::rethrow_exception(io.foreignError);
        return nullptr;
    }
    const bool greyAlpha = h.colorType == PNG_COLOR_TYPE_GRAY_ALPHA;
    const int sourceBytes = greyAlpha ? 2 : BytesPerPixel(format);
    if (h.rowBytes != std::size_t(h.width) * sourceBytes) return nullptr;

    core::Ref<TPixmap> pixmap = CreatePixmap(int(h.width), int(h.height), format, 4);
    // Grey with alpha is read into its own rows and spread to RGBA afterwards.
    std::vector<png_byte> greyAlphaRows(greyAlpha ? h.rowBytes * h.height : 0);
    std::vector<png_bytep> rows(h.height);
    for (png_uint_32 y = 0; y < h.height; ++y)
        rows[y] = greyAlpha ? &greyAlphaRows[y * h.rowBytes] : pixmap->PixelPtr(0, int(y));
    ok = ReadRows(s.png, s.info, rows.data());
    if (!ok) {
        if (io.foreignError) std::rethrow_exception(io.foreignError);
        return nullptr;
    }
    if (greyAlpha) {
        for (png_uint_32 y = 0; y < h.height; ++y) {
            const png_byte* src = rows[y];
            std::uint8_t* dst = pixmap->PixelPtr(0, int(y));
            for (png_uint_32 x = 0; x < h.width; ++x, src += 2, dst += 4)
                dst[0] = dst[1] = dst[2] = src[0], dst[3] = src[1];
        }
    }
    return pixmap;
}

int Encode(TPixmap* pixmap, core::TStream* stream, int level) {
    core::Ref<TPixmap> source = pixmap;
    int colorType = PNG_COLOR_TYPE_RGB_ALPHA, transforms = PNG_TRANSFORM_IDENTITY;
    switch (pixmap->format) {
    case PIXEL_I8:
        colorType = PNG_COLOR_TYPE_GRAY;
        break;
    case PIXEL_RGB:
        colorType = PNG_COLOR_TYPE_RGB;
        break;
    case PIXEL_BGR:
        colorType = PNG_COLOR_TYPE_RGB, transforms = PNG_TRANSFORM_BGR;
        break;
    case PIXEL_RGBA:
        break;
    case PIXEL_BGRA:
        transforms = PNG_TRANSFORM_BGR;
        break;
    default:
        source = pixmap->Convert(PIXEL_RGBA);
        break;
    }

    PngIO io{stream, nullptr};
    WriteStructs s;
    s.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &io, OnError, OnWarning);
    if (!s.png) return 0;
    s.info = png_create_info_struct(s.png);
    if (!s.info) return 0;
    png_set_write_fn(s.png, &io, WriteData, FlushData);
    png_set_compression_level(s.png, std::clamp(level, 0, 9));
    std::vector<png_bytep> rows(std::size_t(source->height));
    for (int y = 0; y < source->height; ++y) rows[std::size_t(y)] = source->PixelPtr(0, y);
    if (!WriteImage(s.png, s.info, source, colorType, transforms, rows.data())) {
        if (io.foreignError) std::rethrow_exception(io.foreignError);
        return 0;
    }
    return 1;
}

} // namespace png_codec

} // namespace draw2d
