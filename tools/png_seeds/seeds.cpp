#include "seeds.h"

#include <png.h>

#include "graphics/pixmap_loader.h"
#include "raw_png.h"

namespace pngseeds {
namespace {

// Odd sizes, wider than one interlace block, leave partial blocks and rows.
constexpr int WIDTH = 13, HEIGHT = 11;
constexpr int FULL_PALETTE = 256;
constexpr std::size_t SMALL_IDAT = 16;
constexpr int PNG_IHDR_END = 8 + 8 + 13 + 4; // signature and the whole IHDR chunk
constexpr int CHUNK_FRAME = 12;              // length, type and CRC

struct Named {
    std::string name;
    PngPicture picture;
};

PngPicture Picture(int colorType, int bitDepth, int width = WIDTH, int height = HEIGHT) {
    PngPicture p;
    p.width = width, p.height = height, p.colorType = colorType, p.bitDepth = bitDepth;
    return p;
}

PngPicture Palette(int bitDepth, int transparentEntries) {
    PngPicture p = Picture(PNG_COLOR_TYPE_PALETTE, bitDepth);
    p.paletteSize = bitDepth == 8 ? FULL_PALETTE : 1 << bitDepth;
    p.transparentEntries = transparentEntries;
    return p;
}

PngPicture Keyed(PngPicture p) {
    p.colourKey = true;
    return p;
}

PngPicture Interlaced(PngPicture p) {
    p.interlaced = true;
    return p;
}

std::vector<Named> Pictures() {
    std::vector<Named> all;
    for (int depth : {1, 2, 4, 8, 16})
        all.push_back(
            {"grey_" + std::to_string(depth) + "bit", Picture(PNG_COLOR_TYPE_GRAY, depth)});
    for (int depth : {2, 8, 16})
        all.push_back({"grey_" + std::to_string(depth) + "bit_key",
                       Keyed(Picture(PNG_COLOR_TYPE_GRAY, depth))});
    for (int depth : {8, 16}) {
        const std::string bits = std::to_string(depth) + "bit";
        all.push_back({"grey_alpha_" + bits, Picture(PNG_COLOR_TYPE_GRAY_ALPHA, depth)});
        all.push_back({"rgb_" + bits, Picture(PNG_COLOR_TYPE_RGB, depth)});
        all.push_back({"rgb_" + bits + "_key", Keyed(Picture(PNG_COLOR_TYPE_RGB, depth))});
        all.push_back({"rgba_" + bits, Picture(PNG_COLOR_TYPE_RGB_ALPHA, depth)});
    }
    for (int depth : {1, 2, 4, 8}) {
        const std::string bits = std::to_string(depth) + "bit";
        const int entries = depth == 8 ? FULL_PALETTE : 1 << depth;
        all.push_back({"palette_" + bits, Palette(depth, 0)});
        all.push_back({"palette_" + bits + "_trns", Palette(depth, entries)});
        // A tRNS shorter than the palette: the rest is opaque.
        all.push_back({"palette_" + bits + "_trns_short", Palette(depth, (entries + 1) / 2)});
    }

    all.push_back({"grey_1bit_interlaced", Interlaced(Picture(PNG_COLOR_TYPE_GRAY, 1))});
    all.push_back(
        {"grey_16bit_key_interlaced", Interlaced(Keyed(Picture(PNG_COLOR_TYPE_GRAY, 16)))});
    all.push_back(
        {"grey_alpha_8bit_interlaced", Interlaced(Picture(PNG_COLOR_TYPE_GRAY_ALPHA, 8))});
    all.push_back({"rgb_8bit_interlaced", Interlaced(Picture(PNG_COLOR_TYPE_RGB, 8, 33, 17))});
    all.push_back({"rgba_16bit_interlaced", Interlaced(Picture(PNG_COLOR_TYPE_RGB_ALPHA, 16))});
    all.push_back({"palette_4bit_trns_interlaced", Interlaced(Palette(4, 16))});
    // Smaller than one interlace block: some passes are empty.
    all.push_back({"rgb_8bit_interlaced_3x2", Interlaced(Picture(PNG_COLOR_TYPE_RGB, 8, 3, 2))});
    all.push_back({"grey_8bit_1x1_interlaced", Interlaced(Picture(PNG_COLOR_TYPE_GRAY, 8, 1, 1))});
    all.push_back({"rgba_8bit_wide_strip", Picture(PNG_COLOR_TYPE_RGB_ALPHA, 8, 300, 2)});

    PngPicture withChunks = Picture(PNG_COLOR_TYPE_RGB, 8);
    withChunks.ancillary = true;
    all.push_back({"rgb_8bit_ancillary_chunks", withChunks});
    PngPicture split = Picture(PNG_COLOR_TYPE_RGB_ALPHA, 8);
    split.idatBytes = SMALL_IDAT;
    all.push_back({"rgba_8bit_split_idat", split});
    return all;
}

// A good picture cut short at telling places.
void AddCuts(std::vector<Seed>& seeds, const Bytes& whole) {
    const std::size_t cuts[] = {
        8, 8 + 12, PNG_IHDR_END, PNG_IHDR_END + 20, whole.size() - CHUNK_FRAME, whole.size() - 1};
    for (std::size_t cut : cuts)
        seeds.push_back({"cut_at_" + std::to_string(cut) + ".png",
                         Bytes(whole.begin(), whole.begin() + std::ptrdiff_t(cut))});
}

void AddOversizedHeaders(std::vector<Seed>& seeds) {
    using draw2d::MAX_LOADED_SIDE;
    const auto side = std::uint32_t(MAX_LOADED_SIDE);
    const auto capSide = std::uint32_t(1) << 12; // capSide * capSide == MAX_LOADED_PIXELS
    struct Oversized {
        std::string name;
        RawHeader header;
        int dataRows;
    };
    const Oversized headers[] = {
        {"header_at_pixel_cap_rgba", {capSide, capSide, 8, PNG_COLOR_TYPE_RGB_ALPHA, 0}, 2},
        {"header_past_pixel_cap_grey", {capSide + 1, capSide, 8, PNG_COLOR_TYPE_GRAY, 0}, 2},
        {"header_four_times_pixel_cap_rgba",
         {2 * capSide, 2 * capSide, 8, PNG_COLOR_TYPE_RGB_ALPHA, 0},
         2},
        {"header_longest_sides_rgba", {side, side, 8, PNG_COLOR_TYPE_RGB_ALPHA, 0}, 2},
        {"header_side_past_limit", {side + 1, 1, 8, PNG_COLOR_TYPE_GRAY, 0}, 1},
        {"header_height_past_limit", {1, side + 1, 8, PNG_COLOR_TYPE_GRAY, 0}, 1},
        {"header_largest_legal_width", {0x7fffffffu, 1, 8, PNG_COLOR_TYPE_RGB_ALPHA, 0}, 0},
        {"header_65535_square_interlaced", {65535, 65535, 16, PNG_COLOR_TYPE_RGB_ALPHA, 1}, 1},
        {"header_zero_width", {0, 5, 8, PNG_COLOR_TYPE_GRAY, 0}, 1},
        {"palette_without_plte", {WIDTH, HEIGHT, 8, PNG_COLOR_TYPE_PALETTE, 0}, HEIGHT},
    };
    for (const Oversized& o : headers)
        seeds.push_back({o.name + ".png", RawPng(o.header, o.dataRows)});
}

} // namespace

std::vector<Seed> AllSeeds() {
    std::vector<Seed> seeds;
    for (const Named& n : Pictures()) seeds.push_back({n.name + ".png", EncodePng(n.picture)});
    AddCuts(seeds, EncodePng(Interlaced(Picture(PNG_COLOR_TYPE_RGB, 8, 33, 17))));
    AddOversizedHeaders(seeds);
    return seeds;
}

} // namespace pngseeds
