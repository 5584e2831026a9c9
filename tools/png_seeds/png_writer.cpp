#include "png_writer.h"

#include <png.h>

#include <stdexcept>
#include <string>

namespace pngseeds {
namespace {

int Channels(int colorType) {
    switch (colorType) {
    case PNG_COLOR_TYPE_RGB:
        return 3;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        return 2;
    case PNG_COLOR_TYPE_RGB_ALPHA:
        return 4;
    default: // grey, palette
        return 1;
    }
}

// A sample of `depth` bits; palette indices stay inside the palette.
unsigned Sample(const PngPicture& p, int x, int y, int channel) {
    const unsigned pattern = unsigned(x * 37 + y * 91 + channel * 53) ^ unsigned(x * y * 7);
    if (p.colorType == PNG_COLOR_TYPE_PALETTE) return pattern % unsigned(p.paletteSize);
    return pattern * (p.bitDepth == 16 ? 257u : 1u) & ((1u << p.bitDepth) - 1);
}

// One row in the file's own layout: samples below 8 bits packed from the
// high bit, 16-bit samples big-endian.
Bytes Row(const PngPicture& p, int y) {
    const int channels = Channels(p.colorType);
    const std::size_t bits = std::size_t(p.width) * channels * p.bitDepth;
    Bytes row((bits + 7) / 8, 0);
    std::size_t bit = 0;
    for (int x = 0; x < p.width; ++x) {
        for (int c = 0; c < channels; ++c, bit += std::size_t(p.bitDepth)) {
            const unsigned v = Sample(p, x, y, c);
            if (p.bitDepth == 16) {
                row[bit / 8] = std::uint8_t(v >> 8);
                row[bit / 8 + 1] = std::uint8_t(v);
            } else {
                row[bit / 8] |= std::uint8_t(v << (8 - p.bitDepth - bit % 8));
            }
        }
    }
    return row;
}

void Append(png_structp png, png_bytep data, png_size_t n) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + n);
}

[[noreturn]] void OnError(png_structp, png_const_charp message) {
    throw std::runtime_error(std::string("libpng: ") + message);
}

void OnWarning(png_structp, png_const_charp) {}

void SetPaletteAndTransparency(png_structp png, png_infop info, const PngPicture& p) {
    if (p.paletteSize > 0) {
        std::vector<png_color> palette(std::size_t(p.paletteSize));
        for (int i = 0; i < p.paletteSize; ++i)
            palette[std::size_t(i)] = {png_byte(i * 53), png_byte(255 - i * 7), png_byte(i * i)};
        png_set_PLTE(png, info, palette.data(), p.paletteSize);
    }
    if (p.transparentEntries > 0) {
        Bytes alpha(std::size_t(p.transparentEntries));
        for (int i = 0; i < p.transparentEntries; ++i) alpha[std::size_t(i)] = png_byte(i * 97);
        png_set_tRNS(png, info, alpha.data(), p.transparentEntries, nullptr);
    }
    if (p.colourKey) {
        // The key is a colour the pattern really has: that of pixel (0, 0).
        png_color_16 key{};
        key.gray = png_uint_16(Sample(p, 0, 0, 0));
        key.red = png_uint_16(Sample(p, 0, 0, 0));
        key.green = png_uint_16(Sample(p, 0, 0, 1));
        key.blue = png_uint_16(Sample(p, 0, 0, 2));
        png_set_tRNS(png, info, nullptr, 0, &key);
    }
}

void SetAncillaryChunks(png_structp png, png_infop info) {
    png_set_gAMA_fixed(png, info, 45455);
    png_set_pHYs(png, info, 2835, 2835, PNG_RESOLUTION_METER);
    png_color_16 background{};
    png_set_bKGD(png, info, &background);
    static char key1[] = "Title", text1[] = "A seed for the pixmap loader";
    static char key2[] = "Comment", text2[] = "Compressed text, read and dropped by the loader";
    png_text texts[2] = {};
    texts[0].compression = PNG_TEXT_COMPRESSION_NONE;
    texts[0].key = key1;
    texts[0].text = text1;
    texts[1].compression = PNG_TEXT_COMPRESSION_zTXt;
    texts[1].key = key2;
    texts[1].text = text2;
    png_set_text(png, info, texts, 2);
}

struct WriteStructs {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~WriteStructs() { png_destroy_write_struct(&png, info ? &info : nullptr); }
};

} // namespace

Bytes EncodePng(const PngPicture& p) {
    Bytes out;
    WriteStructs s;
    s.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
    if (!s.png) throw std::runtime_error("libpng: no write struct");
    s.info = png_create_info_struct(s.png);
    if (!s.info) throw std::runtime_error("libpng: no info struct");
    png_set_write_fn(s.png, &out, Append, nullptr);
    if (p.idatBytes) png_set_compression_buffer_size(s.png, p.idatBytes);
    png_set_IHDR(s.png, s.info, png_uint_32(p.width), png_uint_32(p.height), p.bitDepth,
                 p.colorType, p.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    SetPaletteAndTransparency(s.png, s.info, p);
    if (p.ancillary) SetAncillaryChunks(s.png, s.info);

    std::vector<Bytes> rows;
    std::vector<png_bytep> rowPointers;
    for (int y = 0; y < p.height; ++y) rows.push_back(Row(p, y));
    for (Bytes& row : rows) rowPointers.push_back(row.data());
    png_set_rows(s.png, s.info, rowPointers.data());
    png_write_png(s.png, s.info, PNG_TRANSFORM_IDENTITY, nullptr);
    return out;
}

} // namespace pngseeds
