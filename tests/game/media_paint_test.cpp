// The picture painter behind the game's media files: coverage, compositing,
// edge bleeding, determinism, and the shape of the pictures the game relies on.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>

#include "core/error.h"
#include "tools/media/glyphs.h"
#include "tools/media/media_files.h"
#include "tools/media/paint.h"
#include "tools/media/pictures.h"

using namespace media;

namespace {

float AlphaSum(draw2d::TPixmap* p) {
    float sum = 0;
    for (int y = 0; y < p->height; ++y)
        for (int x = 0; x < p->width; ++x) sum += p->PixelPtr(x, y)[3] / 255.0f;
    return sum;
}

int Alpha(draw2d::TPixmap* p, int x, int y) { return p->PixelPtr(x, y)[3]; }

bool SamePixels(draw2d::TPixmap* a, draw2d::TPixmap* b) {
    if (a->width != b->width || a->height != b->height || a->format != b->format) return false;
    for (int y = 0; y < a->height; ++y)
        if (std::memcmp(a->PixelPtr(0, y), b->PixelPtr(0, y), std::size_t(a->width) * 4))
            return false;
    return true;
}

std::string FileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

} // namespace

TEST(MediaPaint, AntiAliasedShapesCoverTheirArea) {
    auto pix = NewCanvas(64, 64);
    Painter p(pix);
    p.Fill(Circle{32.3f, 31.7f, 20}, Solid{Rgb(255, 0, 0)});
    EXPECT_NEAR(AlphaSum(pix), std::numbers::pi * 400, 4);
    EXPECT_EQ(Alpha(pix, 32, 32), 255);
    EXPECT_EQ(Alpha(pix, 2, 2), 0);
    // The rim is partly covered, not a hard step.
    int partial = 0;
    for (int x = 0; x < 64; ++x) partial += Alpha(pix, x, 32) > 0 && Alpha(pix, x, 32) < 255;
    EXPECT_GE(partial, 2);

    // A concave polygon: the notch of an L stays empty.
    auto l = NewCanvas(40, 40);
    Painter pl(l);
    pl.Fill(Polygon({5, 5, 15, 5, 15, 25, 35, 25, 35, 35, 5, 35}), Solid{Rgb(0, 0, 255)});
    EXPECT_NEAR(AlphaSum(l), 10 * 20 + 30 * 10, 3);
    EXPECT_EQ(Alpha(l, 25, 15), 0);
    EXPECT_EQ(Alpha(l, 10, 30), 255);
}

TEST(MediaPaint, CompositingKeepsColourAndAlphaSound) {
    auto pix = NewCanvas(4, 1);
    Painter p(pix);
    // Over a transparent pixel the colour arrives undarkened.
    p.Put(0, 0, Rgb(200, 100, 50, 0.5f), 1);
    EXPECT_EQ(pix->ReadPixel(0, 0), 0x80c86432u);
    // Half red over half blue: alpha 3/4 (0.5 is stored as 128), colour two
    // parts red to one blue.
    p.Put(1, 0, Rgb(0, 0, 255, 0.5f), 1);
    p.Put(1, 0, Rgb(255, 0, 0, 0.5f), 1);
    EXPECT_EQ(pix->ReadPixel(1, 0), 0xc0aa0055u);
    // Atop paints only where something is and keeps its alpha.
    p.Put(2, 0, Rgb(255, 255, 255), 1, Blend::Atop);
    EXPECT_EQ(Alpha(pix, 2, 0), 0);
    p.Put(1, 0, Rgb(0, 255, 0), 0.5f, Blend::Atop);
    EXPECT_EQ(Alpha(pix, 1, 0), 0xc0);
    // Adding light saturates instead of wrapping around.
    for (int i = 0; i < 5; ++i) p.Put(3, 0, Rgb(250, 200, 10, 0.9f), 1, Blend::Add);
    EXPECT_EQ(pix->ReadPixel(3, 0) >> 16 & 255, 255u);
    EXPECT_LE(Alpha(pix, 3, 0), 255);
    EXPECT_GT(Alpha(pix, 3, 0), 0xe5);
}

TEST(MediaPaint, BleedingColoursOnlyTransparentPixels) {
    auto pix = NewCanvas(5, 3);
    Painter p(pix);
    p.Set(0, 1, Rgb(255, 0, 0));
    p.BleedEdges();
    EXPECT_EQ(pix->ReadPixel(0, 1), 0xffff0000u);
    // Far pixels take the colour too, ring by ring, and stay transparent.
    EXPECT_EQ(pix->ReadPixel(4, 2), 0x00ff0000u);

    auto empty = NewCanvas(3, 3);
    Painter(empty).BleedEdges();
    EXPECT_EQ(empty->ReadPixel(1, 1), 0u);
}

TEST(MediaPaint, RejectsWhatItCannotPaint) {
    auto rgb = draw2d::CreatePixmap(4, 4, draw2d::PIXEL_RGB);
    EXPECT_THROW(Painter{rgb}, core::RuntimeError);
    EXPECT_THROW(NewCanvas(0, 4), core::RuntimeError);
    EXPECT_THROW(Polygon({0, 0, 1, 1}), core::RuntimeError);
    EXPECT_THROW(PaintRock({0, 0, 10, 0, 10}, 10, 10), core::RuntimeError);
    EXPECT_THROW(TextStrokes("Quorvel!", 0, 10, {10, 0.1f, 0}), core::RuntimeError);
    EXPECT_THROW(PaintBlob(2), core::RuntimeError);
}

TEST(MediaPaint, PicturesHaveTheShapesTheGameDrawsThemWith) {
    auto fire = PaintFire();
    ASSERT_EQ(fire->width, 500);
    ASSERT_EQ(fire->height, 100);
    for (int cell = 0; cell < 10; ++cell) {
        // Standing on the bottom centre, dark at the cell's sides.
        EXPECT_GT(Alpha(fire, cell * 50 + 25, 98), 40) << cell;
        EXPECT_EQ(Alpha(fire, cell * 50, 98), 0) << cell;
        EXPECT_EQ(Alpha(fire, cell * 50 + 25, 0), 0) << cell;
    }
    auto cell0 = fire->Window(0, 0, 50, 100)->Copy(), cell1 = fire->Window(50, 0, 50, 100)->Copy();
    EXPECT_FALSE(SamePixels(cell0, cell1));

    auto goo = PaintGoo();
    ASSERT_EQ(goo->width, 100);
    ASSERT_EQ(goo->height, 32);
    // The strand runs along y = 16 from end to end, thinner than a blob.
    for (int x : {0, 50, 99}) EXPECT_GT(Alpha(goo, x, 16), 150) << x;
    EXPECT_EQ(Alpha(goo, 50, 2), 0);
    EXPECT_EQ(Alpha(goo, 50, 29), 0);

    auto blob = PaintBlob(40);
    ASSERT_EQ(blob->width, 40);
    EXPECT_GT(Alpha(blob, 20, 20), 150);
    EXPECT_EQ(Alpha(blob, 0, 0), 0);

    for (auto arrow : {PaintArrow(ArrowDirection::Up), PaintArrow(ArrowDirection::Down)})
        EXPECT_EQ(arrow->width, 32);
    // The arrows point the right way: the tip row is narrower than the base's.
    auto up = PaintArrow(ArrowDirection::Up);
    EXPECT_GT(Alpha(up, 16, 6), 128);
    EXPECT_LT(Alpha(up, 16, 30), 128);
    auto down = PaintArrow(ArrowDirection::Down);
    EXPECT_GT(Alpha(down, 16, 25), 128);
    EXPECT_LT(Alpha(down, 16, 1), 128);

    auto title = PaintTitle();
    EXPECT_EQ(Alpha(title, 0, 0), 0);
    EXPECT_EQ(Alpha(title, 240, 100), 255);

    // A rock fills its polygon and nothing well outside it.
    auto rock = PaintRock({10, 10, 90, 20, 70, 80, 20, 70}, 100, 100, 3);
    EXPECT_EQ(Alpha(rock, 50, 45), 255);
    EXPECT_EQ(Alpha(rock, 95, 95), 0);
    auto barrel = PaintBarrel(40, 56);
    EXPECT_EQ(Alpha(barrel, 20, 28), 255);
    EXPECT_EQ(Alpha(barrel, 0, 0), 0);
}

TEST(MediaPaint, EveryRunWritesTheSameFiles) {
    const auto base =
        std::filesystem::temp_directory_path() / ("media_paint_test_" + std::to_string(::getpid()));
    ASSERT_EQ(WriteGamePictures((base / "a").string()), 8);
    ASSERT_EQ(WriteGamePictures((base / "b").string()), 8);
    for (const char* name : {"fire.png", "butUp.png", "butDown.png", "tanglelogo.png", "title.png",
                             "blob.png", "goo.png", "del.png"}) {
        const std::string a = FileBytes(base / "a" / name);
        EXPECT_FALSE(a.empty()) << name;
        EXPECT_EQ(a, FileBytes(base / "b" / name)) << name;
    }
    std::filesystem::remove_all(base);
}
