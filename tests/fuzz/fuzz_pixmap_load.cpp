// libFuzzer target: the pixmap loader chain on arbitrary bytes, read from a
// stream in memory. A loader that reads a little and declines sits in front
// of the PNG reader, so every input also checks that the chain rewinds for
// the next loader. A pixmap that loads must keep to the loaders' size cap; a
// small one is then converted, masked, cut into image cells and saved as PNG,
// and must read back the same.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "core/stream.h"
#include "graphics/draw2d.h"

namespace {

using draw2d::TPixmap;

// Pictures up to this many pixels also go through everything done with a
// loaded picture; larger ones are only checked, to keep the runs fast.
constexpr std::int64_t EXERCISED_PIXELS = std::int64_t(1) << 16;
constexpr int SKIMMED_BYTES = 16;
constexpr int ROUND_TRIP_LEVEL = 1;
constexpr int ALL_FORMATS[] = {draw2d::PIXEL_I8,  draw2d::PIXEL_A8,   draw2d::PIXEL_BGR,
                               draw2d::PIXEL_RGB, draw2d::PIXEL_BGRA, draw2d::PIXEL_RGBA};

// Bytes in memory, readable, writable and with a position.
class TMemoryStream final : public core::TStream {
  public:
    explicit TMemoryStream(std::vector<std::uint8_t> bytes = {}) : bytes_(std::move(bytes)) {}
    std::int64_t Pos() override { return pos_; }
    std::int64_t Size() override { return std::int64_t(bytes_.size()); }
    std::int64_t Seek(std::int64_t to) override {
        return pos_ = std::clamp<std::int64_t>(to, 0, Size());
    }
    int Read(void* buf, int count) override {
        const int n = int(std::min<std::int64_t>(std::max(count, 0), Size() - pos_));
        std::copy_n(bytes_.begin() + pos_, n, static_cast<std::uint8_t*>(buf));
        pos_ += n;
        return n;
    }
    int Write(const void* buf, int count) override {
        if (count <= 0) return 0;
        const auto* from = static_cast<const std::uint8_t*>(buf);
        bytes_.resize(std::max(bytes_.size(), std::size_t(pos_ + count)));
        std::copy_n(from, count, bytes_.begin() + pos_);
        pos_ += count;
        return count;
    }

  private:
    std::vector<std::uint8_t> bytes_;
    std::int64_t pos_ = 0;
};

// Reads the first bytes and declines, as a loader of another format would.
class TSkimmingLoader final : public draw2d::TPixmapLoader {
  public:
    core::Ref<TPixmap> LoadPixmap(core::TStream* stream) override {
        std::uint8_t head[SKIMMED_BYTES];
        stream->Read(head, SKIMMED_BYTES);
        return nullptr;
    }
};

void Require(bool holds) {
    if (!holds) std::abort();
}

void CheckShape(const TPixmap& p) {
    Require(p.width > 0 && p.height > 0);
    Require(std::int64_t(p.width) * p.height <= draw2d::MAX_LOADED_PIXELS);
    Require(p.width <= draw2d::MAX_LOADED_SIDE && p.height <= draw2d::MAX_LOADED_SIDE);
    Require(draw2d::IsPixelFormat(p.format));
    Require(p.pitch >= p.width * p.BytesPerPixel());
}

bool SamePixels(const TPixmap& a, const TPixmap& b) {
    if (a.width != b.width || a.height != b.height || a.format != b.format) return false;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x)
            if (a.ReadPixel(x, y) != b.ReadPixel(x, y)) return false;
    return true;
}

void Exercise(TPixmap* pixmap) {
    for (int format : ALL_FORMATS) CheckShape(*pixmap->Convert(format));
    const std::uint32_t corner = pixmap->ReadPixel(0, 0);
    CheckShape(*draw2d::MaskPixmap(pixmap, corner >> 16 & 0xff, corner >> 8 & 0xff, corner & 0xff));
    const int cellWidth = std::max(1, pixmap->width / 2),
              cellHeight = std::max(1, pixmap->height / 3);
    const int cells = (pixmap->width / cellWidth) * (pixmap->height / cellHeight);
    Require(draw2d::LoadAnimImage(pixmap, cellWidth, cellHeight, 0, cells) != nullptr);
    Require(draw2d::LoadAnimImage(pixmap, cellWidth, cellHeight, 1, cells) == nullptr);

    auto saved = core::Make<TMemoryStream>();
    Require(draw2d::SavePixmapPNG(pixmap, saved.Get(), ROUND_TRIP_LEVEL) == 1);
    saved->Seek(0);
    core::Ref<TPixmap> again = draw2d::LoadPixmap(saved.Get());
    Require(again && SamePixels(*pixmap, *again));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const core::Ref<TSkimmingLoader> skimmer = core::Make<TSkimmingLoader>();
    auto stream = core::Make<TMemoryStream>(std::vector<std::uint8_t>(data, data + size));
    core::Ref<TPixmap> pixmap = draw2d::LoadPixmap(stream.Get());
    if (!pixmap) return 0;
    CheckShape(*pixmap);
    if (std::int64_t(pixmap->width) * pixmap->height <= EXERCISED_PIXELS) Exercise(pixmap);
    return 0;
}
