// The web build reads and writes PNG through Debian's stb headers instead of
// libpng. Built here on the desktop, the stb reader must give what the
// libpng reader gives for every seed of the loader's fuzz corpus (every
// colour type and bit depth, interlaced, cut short, oversized headers), stop
// just after the datastream, and write files that libpng reads back exactly.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "core/stream_open.h"
#include "graphics/detail/stb_png.h"
#include "graphics/draw2d.h"

using namespace draw2d;
namespace fs = std::filesystem;

namespace {

std::vector<char> FileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const fs::path& path, const std::vector<char>& bytes) {
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
}

core::Ref<TPixmap> ReadWithStb(const fs::path& path) {
    core::Ref<core::TStream> stream = core::FileOpenRead(path.string());
    core::Ref<TPixmap> pixmap = stb_png::Read(stream);
    stream->Close();
    return pixmap;
}

// Same size, format and pixels (rows compared without their padding).
::testing::AssertionResult SamePixmaps(const TPixmap* a, const TPixmap* b) {
    if (!a || !b)
        return a == b ? ::testing::AssertionSuccess()
                      : ::testing::AssertionFailure() << (a ? "stb" : "libpng") << " gave none";
    if (a->width != b->width || a->height != b->height || a->format != b->format)
        return ::testing::AssertionFailure()
               << a->width << "x" << a->height << " format " << a->format << " vs " << b->width
               << "x" << b->height << " format " << b->format;
    const std::size_t row = std::size_t(a->width) * std::size_t(BytesPerPixel(a->format));
    for (int y = 0; y < a->height; ++y)
        if (std::memcmp(a->PixelPtr(0, y), b->PixelPtr(0, y), row) != 0)
            return ::testing::AssertionFailure() << "row " << y << " differs";
    return ::testing::AssertionSuccess();
}

class StbPng : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("stb_png_test_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    fs::path dir_;
};

TEST_F(StbPng, ReadsEverySeedAsLibpngDoes) {
    int compared = 0, decoded = 0;
    for (const auto& entry : fs::directory_iterator(QUORVEL_PNG_SEEDS_DIR)) {
        SCOPED_TRACE(entry.path().filename().string());
        const core::Ref<TPixmap> expected = LoadPixmap(entry.path().string());
        const core::Ref<TPixmap> got = ReadWithStb(entry.path());
        EXPECT_TRUE(SamePixmaps(got, expected));
        ++compared;
        decoded += expected ? 1 : 0;
    }
    // The corpus holds both kinds: pictures to decode and damage to refuse.
    EXPECT_GE(compared, 50);
    EXPECT_GE(decoded, 25);
    EXPECT_GE(compared - decoded, 10);
}

TEST_F(StbPng, StopsJustAfterAnEmbeddedDatastream) {
    std::vector<char> bytes = FileBytes(fs::path(QUORVEL_PNG_SEEDS_DIR) / "rgb_8bit.png");
    ASSERT_FALSE(bytes.empty());
    const std::int64_t length = std::int64_t(bytes.size());
    for (char c : std::string("TAIL")) bytes.push_back(c);
    WriteBytes(dir_ / "embedded.bin", bytes);

    core::Ref<core::TStream> stream = core::FileOpenRead((dir_ / "embedded.bin").string());
    ASSERT_TRUE(stb_png::Read(stream));
    EXPECT_EQ(stream->Pos(), length);
    char tail[4] = {};
    stream->ReadBytes(tail, 4);
    EXPECT_EQ(std::string(tail, 4), "TAIL");
    stream->Close();
}

TEST_F(StbPng, RefusesADatastreamCutBeforeItsEnd) {
    std::vector<char> bytes = FileBytes(fs::path(QUORVEL_PNG_SEEDS_DIR) / "rgb_8bit.png");
    bytes.resize(bytes.size() - 6); // into IEND's CRC
    WriteBytes(dir_ / "cut.png", bytes);
    EXPECT_FALSE(ReadWithStb(dir_ / "cut.png"));
}

TEST_F(StbPng, WritesWhatLibpngReadsBack) {
    std::mt19937 random(7);
    struct Case {
        int format, expectedFormat;
    };
    // BGR and BGRA are written as RGB and RGBA, as the libpng writer does.
    for (const Case c :
         {Case{PIXEL_I8, PIXEL_I8}, Case{PIXEL_RGB, PIXEL_RGB}, Case{PIXEL_RGBA, PIXEL_RGBA},
          Case{PIXEL_BGR, PIXEL_RGB}, Case{PIXEL_BGRA, PIXEL_RGBA}}) {
        SCOPED_TRACE(c.format);
        core::Ref<TPixmap> pixmap = CreatePixmap(37, 11, c.format, 4);
        const std::size_t row = std::size_t(37) * std::size_t(BytesPerPixel(c.format));
        for (int y = 0; y < 11; ++y)
            for (std::size_t x = 0; x < row; ++x)
                pixmap->PixelPtr(0, y)[x] = std::uint8_t(random());
        const fs::path path = dir_ / "written.png";
        {
            core::Ref<core::TStream> out = core::StreamOpenWrite(path.string());
            ASSERT_EQ(stb_png::Write(pixmap, out, 9), 1);
            out->Close();
        }
        const core::Ref<TPixmap> back = LoadPixmap(path.string());
        ASSERT_TRUE(back);
        EXPECT_TRUE(SamePixmaps(
            back, c.format == c.expectedFormat ? pixmap : pixmap->Convert(c.expectedFormat)));
    }
}

} // namespace
