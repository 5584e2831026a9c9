#include <gtest/gtest.h>

#include "core/error.h"
#include "graphics/draw2d.h"

using namespace draw2d;

namespace {

constexpr int kFormats[] = {PIXEL_I8, PIXEL_A8, PIXEL_BGR, PIXEL_RGB, PIXEL_BGRA, PIXEL_RGBA};

// One pixel of colour (a, r, g, b) as each format stores and reads it back.
std::uint32_t Expected(std::uint32_t argb, int format) {
    const std::uint32_t a = argb >> 24, r = argb >> 16 & 255, g = argb >> 8 & 255, b = argb & 255;
    switch (format) {
    case PIXEL_I8: {
        const std::uint32_t v = (r + g + b) / 3;
        return 0xff000000u | v << 16 | v << 8 | v;
    }
    case PIXEL_A8:
        return a << 24 | 0xffffff;
    case PIXEL_BGR:
    case PIXEL_RGB:
        return 0xff000000u | (argb & 0xffffff);
    default:
        return argb;
    }
}

} // namespace

TEST(Pixmap, CreateSetsPitchAndCapacity) {
    auto p = CreatePixmap(5, 3, PIXEL_RGB, 4);
    EXPECT_EQ(p->pitch, 16);
    EXPECT_EQ(p->capacity, 48);
    EXPECT_EQ(p->PixelPtr(2, 1), p->pixels + 16 + 6);
    EXPECT_EQ(CreatePixmap(3, 1, PIXEL_I8, 1)->pitch, 3);
    EXPECT_THROW(CreatePixmap(2, 2, 9, 4), core::RuntimeError);
    EXPECT_THROW(CreatePixmap(-1, 2, PIXEL_RGBA, 4), core::RuntimeError);
}

TEST(Pixmap, StoredBytesFollowEachLayout) {
    const std::uint32_t c = 0x80102030; // a 0x80, r 0x10, g 0x20, b 0x30
    struct Case {
        int format;
        std::vector<std::uint8_t> bytes;
    } cases[] = {{PIXEL_I8, {0x20}},
                 {PIXEL_A8, {0x80}},
                 {PIXEL_BGR, {0x30, 0x20, 0x10}},
                 {PIXEL_RGB, {0x10, 0x20, 0x30}},
                 {PIXEL_BGRA, {0x30, 0x20, 0x10, 0x80}},
                 {PIXEL_RGBA, {0x10, 0x20, 0x30, 0x80}}};
    for (const Case& k : cases) {
        auto p = CreatePixmap(1, 1, k.format);
        p->WritePixel(0, 0, c);
        EXPECT_EQ(std::vector<std::uint8_t>(p->pixels, p->pixels + k.bytes.size()), k.bytes)
            << "format " << k.format;
        EXPECT_EQ(p->ReadPixel(0, 0), Expected(c, k.format)) << "format " << k.format;
    }
}

TEST(Pixmap, ConvertsBetweenEveryPairOfFormats) {
    const std::uint32_t colours[] = {0x80102030, 0xff000000, 0x00ffffff, 0xc8c8c8c8, 0x7f01fe80};
    for (int from : kFormats) {
        auto src = CreatePixmap(5, 1, from);
        for (int x = 0; x < 5; ++x) src->WritePixel(x, 0, colours[x]);
        for (int to : kFormats) {
            auto dst = src->Convert(to);
            ASSERT_EQ(dst->format, to);
            ASSERT_EQ(dst->width, 5);
            for (int x = 0; x < 5; ++x) {
                // Conversion goes through RGBA, so it equals reading the source
                // pixel as a colour and writing that colour in the new format.
                EXPECT_EQ(dst->ReadPixel(x, 0), Expected(src->ReadPixel(x, 0), to))
                    << from << " -> " << to << " pixel " << x;
            }
        }
    }
}

TEST(Pixmap, ConvertsRowsLongerThanOneChunk) {
    auto src = CreatePixmap(1000, 2, PIXEL_BGR);
    for (int x = 0; x < 1000; ++x) src->WritePixel(x, 1, 0xff000000u | std::uint32_t(x * 7919));
    auto dst = src->Convert(PIXEL_I8)->Convert(PIXEL_RGB);
    for (int x = 0; x < 1000; x += 37)
        EXPECT_EQ(dst->ReadPixel(x, 1), Expected(src->ReadPixel(x, 1), PIXEL_I8));
}

TEST(Pixmap, WindowShowsAndKeepsItsSource) {
    core::Ref<TPixmap> window;
    {
        auto p = CreatePixmap(4, 4, PIXEL_RGBA);
        p->ClearPixels(0xff000000);
        p->WritePixel(2, 1, 0xff00ff00);
        window = p->Window(1, 1, 2, 2);
    }
    EXPECT_EQ(window->capacity, -1);
    EXPECT_EQ(window->ReadPixel(1, 0), 0xff00ff00u);
    window->WritePixel(0, 1, 0xffff0000); // shows through to the source
    auto source = static_cast<TPixmap*>(window->_source.Get());
    EXPECT_EQ(source->ReadPixel(1, 2), 0xffff0000u);
    EXPECT_THROW(source->Window(3, 0, 2, 1), core::RuntimeError);
    EXPECT_THROW(window->ReadPixel(2, 0), core::RuntimeError);
}

TEST(Pixmap, PasteConvertsIntoPlaceAndRefusesWhatDoesNotFit) {
    auto dst = CreatePixmap(4, 3, PIXEL_BGRA);
    dst->ClearPixels(0);
    auto src = CreatePixmap(2, 2, PIXEL_I8);
    src->ClearPixels(0xff646464);
    dst->Paste(src, 2, 1);
    EXPECT_EQ(dst->ReadPixel(2, 1), 0xff646464u);
    EXPECT_EQ(dst->ReadPixel(3, 2), 0xff646464u);
    EXPECT_EQ(dst->ReadPixel(1, 1), 0u);
    EXPECT_EQ(dst->ReadPixel(2, 0), 0u);
    EXPECT_THROW(dst->Paste(src, 3, 0), core::RuntimeError);
    EXPECT_THROW(dst->Paste(src, 0, -1), core::RuntimeError);
}

TEST(MaskPixmap, BlackRedBlack) {
    auto p = CreatePixmap(3, 1, PIXEL_RGB);
    p->WritePixel(0, 0, 0xff000000);
    p->WritePixel(1, 0, 0xffff0000);
    p->WritePixel(2, 0, 0xff000000);
    auto m = MaskPixmap(p, 0, 0, 0);
    EXPECT_EQ(m->format, PIXEL_RGBA);
    EXPECT_EQ(m->ReadPixel(0, 0), 0x00ff0000u); // transparent red
    EXPECT_EQ(m->ReadPixel(1, 0), 0xffff0000u);
    EXPECT_EQ(m->ReadPixel(2, 0), 0x00ff0000u);
}

TEST(MaskPixmap, AveragesUnmaskedNeighboursOnly) {
    auto p = CreatePixmap(3, 3, PIXEL_RGBA);
    p->ClearPixels(0xff00ff00); // all mask colour (green)
    p->WritePixel(0, 0, 0xff0a0b0c);
    p->WritePixel(2, 2, 0xff030405);
    p->WritePixel(2, 0, 0x10fffffe); // alpha of the source does not matter
    auto m = MaskPixmap(p, 0, 255, 0);
    // Centre: (10,11,12), (3,4,5) and (255,255,254) averaged with integer division.
    EXPECT_EQ(m->ReadPixel(1, 1), 0x00595a5au);
    EXPECT_EQ(m->ReadPixel(2, 0), 0xfffffffeu);
    // (0, 2) has no unmasked neighbour.
    EXPECT_EQ(m->ReadPixel(0, 2), 0x00000000u);
}

TEST(ResizePixmap, BilinearValues) {
    auto p = CreatePixmap(2, 1, PIXEL_I8);
    p->pixels[0] = 0;
    p->pixels[1] = 100;
    auto r = ResizePixmap(p, 4, 1);
    EXPECT_EQ(r->format, PIXEL_I8);
    // sx = (j + 0.5) / 2 - 0.5: -0.25 (clamped), 0.25, 0.75, 1.25 (clamped).
    const int expected[] = {0, 25, 75, 100};
    for (int j = 0; j < 4; ++j) EXPECT_EQ(r->pixels[j], expected[j]) << j;
}

TEST(ResizePixmap, HalvingAverages2x2BlocksAndTruncates) {
    auto p = CreatePixmap(2, 2, PIXEL_RGBA);
    p->WritePixel(0, 0, 0xff000000);
    p->WritePixel(1, 0, 0xff0a0000);
    p->WritePixel(0, 1, 0x00000000);
    p->WritePixel(1, 1, 0x000b0001);
    auto r = ResizePixmap(p, 1, 1);
    // sx = sy = 0.5: the mean of the four, truncated: a 127.5, r 5.25, b 0.25.
    EXPECT_EQ(r->ReadPixel(0, 0), 0x7f050000u);
}

TEST(ResizePixmap, KeepsFormatAndSizeBothWays) {
    auto p = CreatePixmap(3, 5, PIXEL_BGR);
    p->ClearPixels(0xff405060);
    auto big = ResizePixmap(p, 7, 2);
    EXPECT_EQ(big->format, PIXEL_BGR);
    EXPECT_EQ(big->width, 7);
    EXPECT_EQ(big->height, 2);
    EXPECT_EQ(big->ReadPixel(6, 1), 0xff405060u);
    auto empty = CreatePixmap(0, 0, PIXEL_RGBA);
    EXPECT_EQ(ResizePixmap(empty, 2, 2)->ReadPixel(1, 1), 0u);
}
