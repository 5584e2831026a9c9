#include "raw_png.h"

#include <zlib.h>

#include <stdexcept>

namespace pngseeds {
namespace {

constexpr std::uint8_t SIGNATURE[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
constexpr int BEST_COMPRESSION = 9;

void AppendBigEndian(Bytes& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(std::uint8_t(value >> shift));
}

int SamplesPerPixel(std::uint8_t colorType) {
    switch (colorType) {
    case 2:
        return 3;
    case 4:
        return 2;
    case 6:
        return 4;
    default:
        return 1;
    }
}

Bytes Compressed(const Bytes& raw) {
    uLongf size = compressBound(uLong(raw.size()));
    Bytes out(size);
    if (compress2(out.data(), &size, raw.data(), uLong(raw.size()), BEST_COMPRESSION) != Z_OK)
        throw std::runtime_error("zlib: compress2 failed");
    out.resize(size);
    return out;
}

} // namespace

void AppendChunk(Bytes& out, const std::string& type, const Bytes& data) {
    AppendBigEndian(out, std::uint32_t(data.size()));
    Bytes typed(type.begin(), type.end());
    typed.insert(typed.end(), data.begin(), data.end());
    out.insert(out.end(), typed.begin(), typed.end());
    AppendBigEndian(out, std::uint32_t(crc32(0, typed.data(), uInt(typed.size()))));
}

Bytes RawPng(const RawHeader& h, int dataRows) {
    Bytes out(std::begin(SIGNATURE), std::end(SIGNATURE));
    Bytes ihdr;
    AppendBigEndian(ihdr, h.width);
    AppendBigEndian(ihdr, h.height);
    ihdr.insert(ihdr.end(), {h.bitDepth, h.colorType, 0, 0, h.interlace});
    AppendChunk(out, "IHDR", ihdr);
    // Each row: filter type 0, then zero samples.
    const std::uint64_t rowBytes =
        1 + (std::uint64_t(h.width) * SamplesPerPixel(h.colorType) * h.bitDepth + 7) / 8;
    AppendChunk(out, "IDAT", Compressed(Bytes(std::size_t(rowBytes * std::uint64_t(dataRows)), 0)));
    AppendChunk(out, "IEND", {});
    return out;
}

} // namespace pngseeds
