#pragma once
// PNG datastreams of any colour type and bit depth, written by libpng from a
// description: the seeds of the pixmap loader's fuzz target.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pngseeds {

using Bytes = std::vector<std::uint8_t>;

struct PngPicture {
    int width = 1, height = 1;
    int colorType = 0; // PNG_COLOR_TYPE_*
    int bitDepth = 8;
    bool interlaced = false;
    int paletteSize = 0;        // entries of PLTE (palette pictures)
    int transparentEntries = 0; // alpha entries in tRNS (palette pictures)
    bool colourKey = false;     // tRNS colour key (grey and RGB pictures)
    bool ancillary = false;     // gAMA, pHYs, bKGD, tEXt and zTXt chunks
    std::size_t idatBytes = 0;  // split the image data into IDATs this long; 0: libpng's size
};

// The picture's samples follow a fixed pattern that uses every bit of its
// depth, so that each filter and each transform has something to do.
Bytes EncodePng(const PngPicture& picture);

} // namespace pngseeds
