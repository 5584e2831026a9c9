#pragma once
// The seed corpus of the pixmap loader's fuzz target: PNGs of every colour
// type and bit depth, palettes with and without transparency, colour keys,
// interlaced pictures, ancillary chunks, split image data, datastreams cut
// short, and headers that ask for more than the loader allows.

#include <string>
#include <vector>

#include "png_writer.h"

namespace pngseeds {

struct Seed {
    std::string name; // file name in the corpus folder
    Bytes bytes;
};

// The same bytes on every run.
std::vector<Seed> AllSeeds();

} // namespace pngseeds
