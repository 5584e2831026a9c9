#pragma once
// Datastreams put together chunk by chunk, for what libpng would refuse to
// write: headers that ask for more than any loader should allocate, and
// pictures that lack a chunk they need.

#include <cstdint>
#include <string>

#include "png_writer.h"

namespace pngseeds {

struct RawHeader {
    std::uint32_t width = 1, height = 1;
    std::uint8_t bitDepth = 8, colorType = 0, interlace = 0;
};

// Signature, IHDR, one IDAT holding the first `dataRows` rows (zero samples,
// so the data stays a few bytes however wide the rows), and IEND.
Bytes RawPng(const RawHeader& header, int dataRows);

// Appends a chunk: length, type, data and CRC.
void AppendChunk(Bytes& out, const std::string& type, const Bytes& data);

} // namespace pngseeds
