#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "core/cstream.h"
#include "core/stream_open.h"
#include "graphics/draw2d.h"

using namespace draw2d;
namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

// A PNG made with libpng itself: rows of raw samples in the file's own layout.
struct PngLayout {
    int width = 0, height = 0, bitDepth = 8, colorType = PNG_COLOR_TYPE_RGB;
    std::vector<Bytes> rows;
    std::vector<png_color> palette;
    Bytes trans;               // palette alpha
    png_color_16 transColor{}; // grey or RGB colour key
    bool hasTransColor = false;
    bool interlaced = false;
};

void Append(png_structp png, png_bytep data, png_size_t n) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + n);
}

PngLayout Spec(int width, int height, int colorType, int bitDepth = 8) {
    PngLayout s;
    s.width = width, s.height = height, s.colorType = colorType, s.bitDepth = bitDepth;
    return s;
}

Bytes MakePng(const PngLayout& layout) {
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out, Append, nullptr);
    png_set_IHDR(png, info, layout.width, layout.height, layout.bitDepth, layout.colorType,
                 layout.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!layout.palette.empty())
        png_set_PLTE(png, info, layout.palette.data(), int(layout.palette.size()));
    if (!layout.trans.empty())
        png_set_tRNS(png, info, layout.trans.data(), int(layout.trans.size()), nullptr);
    if (layout.hasTransColor) png_set_tRNS(png, info, nullptr, 0, &layout.transColor);
    std::vector<png_bytep> rows;
    for (const Bytes& r : layout.rows) rows.push_back(const_cast<png_bytep>(r.data()));
    png_set_rows(png, info, rows.data());
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

// An in-memory stream, optionally without a position or failing on demand.
class MemoryStream : public core::TStream {
  public:
    explicit MemoryStream(Bytes data = {}) : data(std::move(data)) {}
    std::int64_t Pos() override { return positioned ? pos : -1; }
    std::int64_t Size() override { return std::int64_t(data.size()); }
    std::int64_t Seek(std::int64_t to) override {
        return pos = std::clamp<std::int64_t>(to, 0, Size());
    }
    int Read(void* buf, int count) override {
        if (throwOnRead) throw std::logic_error("not a stream error");
        const int n = int(std::min<std::int64_t>(count, Size() - pos));
        std::copy_n(data.begin() + pos, n, static_cast<std::uint8_t*>(buf));
        pos += n;
        return n;
    }
    int Write(const void* buf, int count) override {
        if (failWrites) return 0;
        auto* b = static_cast<const std::uint8_t*>(buf);
        data.resize(std::max<std::size_t>(data.size(), std::size_t(pos + count)));
        std::copy_n(b, count, data.begin() + pos);
        pos += count;
        return count;
    }
    int Close() override {
        ++closes;
        return 0;
    }
    Bytes data;
    std::int64_t pos = 0;
    bool positioned = true, throwOnRead = false, failWrites = false;
    int closes = 0;
};

class Png : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("quorvel_png_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
               "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string Write(const std::string& name, const Bytes& bytes) {
        const std::string path = (dir / name).string();
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return path;
    }
    core::Ref<TPixmap> Load(const PngLayout& layout) {
        return LoadPixmap(Write("in.png", MakePng(layout)));
    }

    fs::path dir;
};

core::Ref<TPixmap> Sample(int format) {
    auto p = CreatePixmap(7, 3, format);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 7; ++x)
            p->WritePixel(x, y,
                          std::uint32_t(x * 40 + 3) << 24 | std::uint32_t(x * 30) << 16 |
                              std::uint32_t(y * 80) << 8 | std::uint32_t(x * y * 9));
    return p;
}

} // namespace

TEST_F(Png, RoundTripsEveryFormat) {
    struct Case {
        int saved, loaded;
    } cases[] = {{PIXEL_I8, PIXEL_I8},     {PIXEL_RGB, PIXEL_RGB},   {PIXEL_BGR, PIXEL_RGB},
                 {PIXEL_RGBA, PIXEL_RGBA}, {PIXEL_BGRA, PIXEL_RGBA}, {PIXEL_A8, PIXEL_RGBA}};
    for (const Case& c : cases) {
        for (int level : {-3, 0, 5, 9, 12}) {
            auto original = Sample(c.saved);
            const std::string path = (dir / "out.png").string();
            ASSERT_EQ(SavePixmapPNG(original, path, level), 1);
            auto loaded = LoadPixmap(path);
            ASSERT_TRUE(loaded) << c.saved;
            EXPECT_EQ(loaded->format, c.loaded) << c.saved;
            ASSERT_EQ(loaded->width, 7);
            ASSERT_EQ(loaded->height, 3);
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < 7; ++x)
                    ASSERT_EQ(loaded->ReadPixel(x, y), original->ReadPixel(x, y))
                        << "format " << c.saved << " at " << x << "," << y;
        }
    }
}

TEST_F(Png, HigherLevelsCompressMore) {
    auto p = CreatePixmap(64, 64, PIXEL_RGB);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) p->WritePixel(x, y, std::uint32_t(x / 8 * 0x102030));
    ASSERT_EQ(SavePixmapPNG(p, (dir / "0.png").string(), 0), 1);
    ASSERT_EQ(SavePixmapPNG(p, (dir / "9.png").string(), 9), 1);
    EXPECT_LT(fs::file_size(dir / "9.png"), fs::file_size(dir / "0.png"));
}

TEST_F(Png, ReadsGrey) {
    PngLayout s = Spec(3, 1, PNG_COLOR_TYPE_GRAY);
    s.rows = {{200, 0, 17}};
    auto p = Load(s);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->format, PIXEL_I8);
    EXPECT_EQ(p->ReadPixel(0, 0), 0xffc8c8c8u);
    EXPECT_EQ(p->pixels[2], 17);
}

TEST_F(Png, ReadsLowBitDepthGreyAsEightBits) {
    PngLayout s = Spec(4, 1, PNG_COLOR_TYPE_GRAY, 2);
    s.rows = {{0b00011011}}; // 0, 1, 2, 3
    auto p = Load(s);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->format, PIXEL_I8);
    EXPECT_EQ(Bytes(p->pixels, p->pixels + 4), (Bytes{0, 85, 170, 255}));
}

TEST_F(Png, ReadsRgbAndRgba) {
    PngLayout rgb = Spec(2, 2, PNG_COLOR_TYPE_RGB);
    rgb.rows = {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}};
    auto p = Load(rgb);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->format, PIXEL_RGB);
    EXPECT_EQ(p->ReadPixel(1, 1), 0xff0a0b0cu);

    PngLayout rgba = Spec(1, 2, PNG_COLOR_TYPE_RGB_ALPHA);
    rgba.rows = {{1, 2, 3, 4}, {5, 6, 7, 8}};
    p = Load(rgba);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->format, PIXEL_RGBA);
    EXPECT_EQ(p->ReadPixel(0, 1), 0x08050607u);
}

TEST_F(Png, ReadsGreyWithAlphaAsRgba) {
    PngLayout s = Spec(2, 1, PNG_COLOR_TYPE_GRAY_ALPHA);
    s.rows = {{100, 50, 255, 0}};
    auto p = Load(s);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->format, PIXEL_RGBA);
    EXPECT_EQ(p->ReadPixel(0, 0), 0x32646464u);
    EXPECT_EQ(p->ReadPixel(1, 0), 0x00ffffffu);
}

TEST_F(Png, ReadsPalettesWithAndWithoutTransparency) {
    PngLayout s = Spec(3, 1, PNG_COLOR_TYPE_PALETTE);
    s.palette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    s.rows = {{2, 0, 1}};
    auto p = Load(s);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->format, PIXEL_RGB);
    EXPECT_EQ(p->ReadPixel(0, 0), 0xff0000ffu);

    s.trans = {0, 128};
    s.bitDepth = 4; // packed indices expand too
    s.rows = {{0x20, 0x10}};
    p = Load(s);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->format, PIXEL_RGBA);
    EXPECT_EQ(p->ReadPixel(0, 0), 0xff0000ffu); // index 2 has no alpha entry: opaque
    EXPECT_EQ(p->ReadPixel(1, 0), 0x00ff0000u);
    EXPECT_EQ(p->ReadPixel(2, 0), 0x8000ff00u);
}

TEST_F(Png, ColourKeyBecomesAlpha) {
    PngLayout s = Spec(2, 1, PNG_COLOR_TYPE_GRAY);
    s.rows = {{7, 9}};
    s.hasTransColor = true;
    s.transColor.gray = 7;
    auto p = Load(s);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->format, PIXEL_RGBA);
    EXPECT_EQ(p->ReadPixel(0, 0), 0x00070707u);
    EXPECT_EQ(p->ReadPixel(1, 0), 0xff090909u);
}

TEST_F(Png, SixteenBitSamplesKeepTheirHighByte) {
    PngLayout s = Spec(1, 1, PNG_COLOR_TYPE_RGB_ALPHA, 16);
    s.rows = {{0x12, 0xff, 0x34, 0x00, 0x56, 0x80, 0x78, 0x01}}; // big-endian samples
    auto p = Load(s);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->format, PIXEL_RGBA);
    EXPECT_EQ(p->ReadPixel(0, 0), 0x78123456u);

    PngLayout grey = Spec(1, 1, PNG_COLOR_TYPE_GRAY, 16);
    grey.rows = {{0xab, 0xcd}};
    p = Load(grey);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->format, PIXEL_I8);
    EXPECT_EQ(p->pixels[0], 0xab);
}

TEST_F(Png, ReadsInterlacedPictures) {
    PngLayout s = Spec(9, 9, PNG_COLOR_TYPE_GRAY);
    s.interlaced = true;
    for (int y = 0; y < 9; ++y) {
        Bytes row;
        for (int x = 0; x < 9; ++x) row.push_back(std::uint8_t(y * 9 + x));
        s.rows.push_back(row);
    }
    auto p = Load(s);
    ASSERT_TRUE(p);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 9; ++x) ASSERT_EQ(*p->PixelPtr(x, y), y * 9 + x);
}

TEST_F(Png, EmbeddedPictureLeavesTheStreamJustAfterIt) {
    PngLayout s = Spec(2, 1, PNG_COLOR_TYPE_RGB);
    s.rows = {{1, 2, 3, 4, 5, 6}};
    const Bytes png = MakePng(s);
    Bytes file = {'H', 'E', 'A', 'D'};
    file.insert(file.end(), png.begin(), png.end());
    for (char c : std::string("TAIL")) file.push_back(std::uint8_t(c));
    const std::string path = Write("body.bin", file);

    core::Ref<core::TStream> stream = core::TCStream::OpenFile(path, 1, 0);
    ASSERT_TRUE(stream);
    EXPECT_EQ(stream->ReadString(4), "HEAD");
    auto image = LoadImage(stream.Get(), 0);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->pixmaps[0]->ReadPixel(1, 0), 0xff040506u);
    EXPECT_EQ(stream->Pos(), std::int64_t(4 + png.size()));
    EXPECT_EQ(stream->ReadString(4), "TAIL");

    // And on a stream of the program's own, which is let go of, not closed.
    auto memory = core::Make<MemoryStream>(file);
    memory->pos = 4;
    EXPECT_TRUE(LoadPixmap(memory.Get()));
    EXPECT_EQ(memory->pos, std::int64_t(4 + png.size()));
    EXPECT_EQ(memory->closes, 0);
}

TEST_F(Png, SavesIntoAnOpenStreamAndLeavesItOpen) {
    auto memory = core::Make<MemoryStream>();
    memory->Write("AB", 2);
    ASSERT_EQ(SavePixmapPNG(Sample(PIXEL_RGB), memory.Get(), 9), 1);
    EXPECT_EQ(memory->closes, 0);
    const std::int64_t end = memory->pos;
    memory->Write("Z", 1);
    memory->pos = 2;
    auto loaded = LoadPixmap(memory.Get());
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->ReadPixel(6, 2), Sample(PIXEL_RGB)->ReadPixel(6, 2));
    EXPECT_EQ(memory->pos, end);
}

TEST_F(Png, CorruptOrTruncatedDataGivesNull) {
    PngLayout s = Spec(16, 16, PNG_COLOR_TYPE_RGB);
    for (int y = 0; y < 16; ++y) s.rows.push_back(Bytes(48, std::uint8_t(y * 13)));
    const Bytes png = MakePng(s);
    ASSERT_TRUE(LoadPixmap(Write("good.png", png)));
    for (std::size_t cut = 0; cut < png.size(); cut += 5) {
        Bytes truncated(png.begin(), png.begin() + std::ptrdiff_t(cut));
        auto memory = core::Make<MemoryStream>(truncated);
        EXPECT_FALSE(LoadPixmap(memory.Get())) << "cut at " << cut;
        EXPECT_EQ(memory->closes, 0);
    }
    for (std::size_t at = 8; at < png.size(); at += 3) {
        Bytes corrupt = png;
        corrupt[at] ^= 0x5a;
        // A flipped byte in a CRC-checked chunk is caught; a flip in an
        // ancillary chunk may still decode. Either way: no crash, no leak.
        auto p = LoadPixmap(core::Make<MemoryStream>(corrupt).Get());
        if (at < 8 + 25) {
            EXPECT_FALSE(p) << "IHDR byte " << at;
        }
    }
}

TEST_F(Png, SourcesThatGiveNothing) {
    EXPECT_FALSE(LoadPixmap((dir / "missing.png").string()));
    EXPECT_FALSE(LoadPixmap(std::string()));
    EXPECT_FALSE(LoadPixmap(Write("text.png", Bytes{'n', 'o', 't', ' ', 'a', ' ', 'p', 'n', 'g'})));
    EXPECT_FALSE(LoadPixmap(Write("short.png", Bytes{0x89, 'P', 'N'})));
    EXPECT_FALSE(LoadImage((dir / "missing.png").string()));
    EXPECT_FALSE(LoadAnimImage((dir / "missing.png").string(), 1, 1, 0, 1));

    PngLayout s = Spec(1, 1, PNG_COLOR_TYPE_GRAY);
    s.rows = {{1}};
    auto unpositioned = core::Make<MemoryStream>(MakePng(s));
    unpositioned->positioned = false;
    EXPECT_FALSE(LoadPixmap(unpositioned.Get()));
}

TEST_F(Png, HugeDimensionsAreRefusedBeforeAllocating) {
    // Signature and an IHDR claiming 60000 x 60000 RGBA, then nothing.
    Bytes file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    const Bytes ihdr = {0,    0, 0, 13,   'I',  'H', 'D', 'R', 0, 0, 0xea,
                        0x60, 0, 0, 0xea, 0x60, 8,   6,   0,   0, 0};
    file.insert(file.end(), ihdr.begin(), ihdr.end());
    const uLong crc = crc32(0, ihdr.data() + 4, uInt(ihdr.size() - 4));
    for (int shift = 24; shift >= 0; shift -= 8) file.push_back(std::uint8_t(crc >> shift));
    EXPECT_FALSE(LoadPixmap(core::Make<MemoryStream>(file).Get()));
}

// The cap is on the pixel count and on each side, checked exactly: one
// column or one pixel beyond it is refused, the picture at it loads.
TEST_F(Png, PicturesAtTheSizeCapLoadAndOnePixelMoreIsRefused) {
    auto grey = [](int width, int height) {
        PngLayout s = Spec(width, height, PNG_COLOR_TYPE_GRAY);
        s.rows.assign(std::size_t(height), Bytes(std::size_t(width), 7));
        return s;
    };
    const int side = 1 << 12;
    static_assert(std::int64_t(1 << 12) * (1 << 12) == MAX_LOADED_PIXELS);
    auto atCap = Load(grey(side, side));
    ASSERT_TRUE(atCap);
    EXPECT_EQ(atCap->ReadPixel(side - 1, side - 1) & 0xffffff, 0x070707u);
    EXPECT_FALSE(Load(grey(side + 1, side)));
    EXPECT_FALSE(Load(grey(side, side + 1)));

    EXPECT_TRUE(Load(grey(MAX_LOADED_SIDE, 1)));
    EXPECT_TRUE(Load(grey(1, MAX_LOADED_SIDE)));
    EXPECT_FALSE(Load(grey(MAX_LOADED_SIDE + 1, 1)));
    EXPECT_FALSE(Load(grey(1, MAX_LOADED_SIDE + 1)));
}

TEST_F(Png, OtherExceptionsPassThrough) {
    PngLayout s = Spec(1, 1, PNG_COLOR_TYPE_GRAY);
    s.rows = {{1}};
    auto memory = core::Make<MemoryStream>(MakePng(s));
    memory->throwOnRead = true;
    EXPECT_THROW(LoadPixmap(memory.Get()), std::logic_error);
}

TEST_F(Png, WritingFailuresGiveZero) {
    auto failing = core::Make<MemoryStream>();
    failing->failWrites = true;
    EXPECT_EQ(SavePixmapPNG(Sample(PIXEL_RGBA), failing.Get(), 5), 0);
    EXPECT_EQ(SavePixmapPNG(Sample(PIXEL_RGBA), (dir / "no" / "such" / "dir.png").string(), 5), 0);
    EXPECT_EQ(SavePixmapPNG(nullptr, (dir / "null.png").string(), 5), 0);
    EXPECT_FALSE(fs::exists(dir / "null.png"));
    EXPECT_EQ(SavePixmapPNG(CreatePixmap(0, 4, PIXEL_RGB), (dir / "empty.png").string(), 5), 0);
}

namespace {

// Loaders made by the program are tried before the PNG loader.
class FixedLoader final : public TPixmapLoader {
  public:
    explicit FixedLoader(bool throws) : throws(throws) {}
    core::Ref<TPixmap> LoadPixmap(core::TStream* stream) override {
        ++calls;
        stream->Seek(3); // the next loader must start from the beginning again
        if (throws) throw core::TStreamReadException();
        auto p = CreatePixmap(1, 1, PIXEL_A8);
        p->pixels[0] = 42;
        return p;
    }
    bool throws;
    int calls = 0;
};

} // namespace

TEST_F(Png, LoaderChainNewestFirstStreamErrorsSkipALoader) {
    PngLayout s = Spec(1, 1, PNG_COLOR_TYPE_GRAY);
    s.rows = {{9}};
    const std::string path = Write("one.png", MakePng(s));

    core::Ref<FixedLoader> fixed = core::Make<FixedLoader>(false);
    EXPECT_EQ(LoadPixmap(path)->format, PIXEL_A8);
    core::Ref<FixedLoader> throwing = core::Make<FixedLoader>(true);
    EXPECT_EQ(LoadPixmap(path)->format, PIXEL_A8); // throwing one failed, fixed one answered
    EXPECT_EQ(throwing->calls, 1);
    fixed->Unregister();
    auto p = LoadPixmap(path); // the PNG loader, from the start of the stream
    ASSERT_TRUE(p);
    EXPECT_EQ(p->format, PIXEL_I8);
    throwing->Unregister();
    EXPECT_EQ(fixed->calls, 2);
}
