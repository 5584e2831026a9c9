// PNG through Debian's stb headers (libstb-dev), for the web build. The datastream is read
// chunk by chunk up to IEND first, so a PNG embedded in a larger file (body
// files) leaves its stream just after itself, as the libpng reader does, and
// the header's size is checked before any pixel is allocated. The pixels
// come out in the formats the desktop reader gives: grey as I8, RGB as RGB,
// grey with alpha, RGBA and palettes with transparency as RGBA, 16-bit
// samples cut to their high byte.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "graphics/detail/stb_png.h"

#include "core/stream.h"
#include "graphics/pixmap_loader.h"

#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_MAX_DIMENSIONS 16384
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>
#define STBI_WRITE_NO_STDIO
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

namespace draw2d::stb_png {
namespace {

constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
// Beyond any chunk a picture of MAX_LOADED_PIXELS needs; a larger length is damage.
constexpr std::uint32_t kMaxChunkBytes = 1u << 28;
constexpr int kColorTypeGrey = 0;
constexpr std::size_t kColorTypeAt = 25; // signature, IHDR length and type, width, height, depth

std::uint32_t BigEndian32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

bool ReadFully(core::TStream* stream, std::uint8_t* data, std::size_t count) {
    std::size_t done = 0;
    while (done < count) {
        const int n = stream->Read(data + done, int(std::min<std::size_t>(count - done, 1u << 30)));
        if (n <= 0) return false;
        done += std::size_t(n);
    }
    return true;
}

struct Datastream {
    std::vector<std::uint8_t> bytes; // signature to IEND; empty when unusable
    bool transparency = false;       // a tRNS chunk: grey gains an alpha channel
};

// The whole datastream, or none when it is not a complete PNG or its header
// asks for too large a picture.
Datastream ReadDatastream(core::TStream* stream) {
    Datastream png;
    std::vector<std::uint8_t>& bytes = png.bytes;
    bytes.resize(8);
    if (!ReadFully(stream, bytes.data(), 8) || !std::equal(bytes.begin(), bytes.end(), kSignature))
        return {};
    for (bool first = true;; first = false) {
        const std::size_t at = bytes.size();
        bytes.resize(at + 8);
        if (!ReadFully(stream, &bytes[at], 8)) return {};
        const std::uint32_t length = BigEndian32(&bytes[at]);
        const bool header = std::memcmp(&bytes[at + 4], "IHDR", 4) == 0;
        if (length > kMaxChunkBytes || first != header) return {};
        bytes.resize(at + 8 + length + 4); // data and CRC
        if (!ReadFully(stream, &bytes[at + 8], length + 4)) return {};
        if (header) {
            if (length < 8) return {};
            const std::uint32_t w = BigEndian32(&bytes[at + 8]), h = BigEndian32(&bytes[at + 12]);
            if (w == 0 || h == 0 || w > std::uint32_t(MAX_LOADED_SIDE) ||
                h > std::uint32_t(MAX_LOADED_SIDE) || std::int64_t(w) * h > MAX_LOADED_PIXELS)
                return {};
        }
        if (std::memcmp(&bytes[at + 4], "tRNS", 4) == 0) png.transparency = true;
        if (std::memcmp(&bytes[at + 4], "IEND", 4) == 0) return png;
    }
}

struct StbPixels {
    stbi_uc* data = nullptr;
    ~StbPixels() { stbi_image_free(data); }
};

core::Ref<TPixmap> DecodeDatastream(const Datastream& png) {
    const std::uint8_t* bytes = png.bytes.data();
    const int size = int(png.bytes.size());
    int w = 0, h = 0, channels = 0;
    if (!stbi_info_from_memory(bytes, size, &w, &h, &channels)) return nullptr;
    // Grey without transparency stays one byte a pixel; the rest is RGB or RGBA.
    const bool grey = png.bytes[kColorTypeAt] == kColorTypeGrey && !png.transparency;
    // A transparent colour key (tRNS on grey or RGB) becomes an alpha channel.
    const int wanted = grey ? 1 : channels == 3 && !png.transparency ? 3 : 4;
    const int format = grey ? PIXEL_I8 : wanted == 3 ? PIXEL_RGB : PIXEL_RGBA;
    StbPixels pixels;
    pixels.data = stbi_load_from_memory(bytes, size, &w, &h, &channels, wanted);
    if (!pixels.data) return nullptr;
    core::Ref<TPixmap> pixmap = CreatePixmap(w, h, format, 4);
    const std::size_t rowBytes = std::size_t(w) * std::size_t(wanted);
    for (int y = 0; y < h; ++y)
        std::memcpy(pixmap->PixelPtr(0, y), pixels.data + rowBytes * std::size_t(y), rowBytes);
    return pixmap;
}

void WriteToStream(void* context, void* data, int size) {
    static_cast<core::TStream*>(context)->WriteBytes(data, size);
}

} // namespace

int Write(TPixmap* pixmap, core::TStream* stream, int level) {
    core::Ref<TPixmap> source = pixmap;
    int channels = 4;
    switch (pixmap->format) {
    case PIXEL_I8:
        channels = 1;
        break;
    case PIXEL_RGB:
        channels = 3;
        break;
    case PIXEL_RGBA:
        break;
    case PIXEL_BGR:
        source = pixmap->Convert(PIXEL_RGB), channels = 3;
        break;
    default:
        source = pixmap->Convert(PIXEL_RGBA);
        break;
    }
    stbi_write_png_compression_level = std::clamp(level, 0, 9);
    return stbi_write_png_to_func(WriteToStream, stream, source->width, source->height, channels,
                                  source->pixels, source->pitch)
               ? 1
               : 0;
}

core::Ref<TPixmap> Read(core::TStream* stream) {
    const Datastream png = ReadDatastream(stream);
    return png.bytes.empty() ? nullptr : DecodeDatastream(png);
}

} // namespace draw2d::stb_png
