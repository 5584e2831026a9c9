#include "graphics/image.h"

#include "core/error.h"
#include "graphics/graphics.h"
#include "graphics/pixmap_loader.h"

namespace draw2d {
namespace {

struct ImageModule {
    int maskRed = 0, maskGreen = 0, maskBlue = 0;
    int autoFlags = IMAGE_MASKED | IMAGE_FILTERED;
    bool autoMidHandle = false;
};

ImageModule imageModule;

core::Ref<TPixmap> PixmapOf(const PixmapSource& source) {
    if (source.pixmap) return source.pixmap;
    return LoadPixmap(source);
}

TImage& Checked(TImage* image) {
    if (!image) throw core::RuntimeError("Image is null");
    return *image;
}

core::Ref<TImage> Finish(core::Ref<TImage> image) {
    if (image && imageModule.autoMidHandle) MidHandleImage(image);
    return image;
}

int FlagsOrAuto(int flags) { return flags == -1 ? imageModule.autoFlags : flags; }

} // namespace

void TImage::CheckIndex(int index) const {
    if (index < 0 || std::size_t(index) >= pixmaps.size())
        throw core::RuntimeError("Image frame index out of range");
}

TImageFrame* TImage::Frame(int index) {
    if (index < 0 || std::size_t(index) >= frames.size()) return nullptr;
    const int seq = GraphicsSeq();
    if (seqs[index] != seq) {
        TDraw2DDriver* driver = GetGraphicsDriver();
        frames[index] = driver ? driver->CreateFrameFromPixmap(Lock(index, 1, 0), flags) : nullptr;
        seqs[index] = frames[index] ? seq : 0;
    }
    return frames[index];
}

core::Ref<TPixmap> TImage::Lock(int index, int read, int write) {
    (void)read;
    CheckIndex(index);
    if (write) {
        seqs[index] = 0;
        frames[index] = nullptr;
    }
    if (!pixmaps[index]) pixmaps[index] = TPixmap::Create(width, height, PIXEL_RGBA, 4);
    return pixmaps[index];
}

void TImage::SetPixmap(int index, TPixmap* pixmap) {
    CheckIndex(index);
    core::Ref<TPixmap> p = pixmap;
    if ((flags & IMAGE_MASKED) && p && !FormatHasAlpha(p->format))
        p = MaskPixmap(p, mask_r, mask_g, mask_b);
    pixmaps[index] = p;
    seqs[index] = 0;
    frames[index] = nullptr;
}

core::Ref<TImage> TImage::Create(int width, int height, int frameCount, int flags, int maskR,
                                 int maskG, int maskB) {
    if (width < 0 || height < 0 || frameCount < 0) throw core::RuntimeError("Invalid image size");
    core::Ref<TImage> image = core::Make<TImage>();
    image->width = width;
    image->height = height;
    image->flags = flags;
    image->mask_r = maskR, image->mask_g = maskG, image->mask_b = maskB;
    image->pixmaps.resize(frameCount);
    image->frames.resize(frameCount);
    image->seqs.assign(frameCount, 0);
    return image;
}

core::Ref<TImage> TImage::Load(const PixmapSource& source, int flags, int maskR, int maskG,
                               int maskB) {
    core::Ref<TPixmap> pixmap = PixmapOf(source);
    if (!pixmap) return nullptr;
    core::Ref<TImage> image = Create(pixmap->width, pixmap->height, 1, flags, maskR, maskG, maskB);
    image->SetPixmap(0, pixmap);
    return image;
}

core::Ref<TImage> TImage::LoadAnim(const PixmapSource& source, int cellWidth, int cellHeight,
                                   int first, int count, int flags, int maskR, int maskG,
                                   int maskB) {
    if (cellWidth <= 0 || cellHeight <= 0 || first < 0 || count < 0) return nullptr;
    core::Ref<TPixmap> pixmap = PixmapOf(source);
    if (!pixmap) return nullptr;
    const int columns = pixmap->width / cellWidth, rows = pixmap->height / cellHeight;
    if (std::int64_t(first) + count > std::int64_t(columns) * rows) return nullptr;
    core::Ref<TImage> image = Create(cellWidth, cellHeight, count, flags, maskR, maskG, maskB);
    for (int i = first; i < first + count; ++i) {
        core::Ref<TPixmap> cell = pixmap->Window(cellWidth * (i % columns),
                                                 cellHeight * (i / columns), cellWidth, cellHeight);
        image->SetPixmap(i - first, cell->Copy());
    }
    return image;
}

core::Ref<TImage> LoadImage(const PixmapSource& source, int flags) {
    return Finish(TImage::Load(source, FlagsOrAuto(flags), imageModule.maskRed,
                               imageModule.maskGreen, imageModule.maskBlue));
}

core::Ref<TImage> LoadAnimImage(const PixmapSource& source, int cellWidth, int cellHeight,
                                int first, int count, int flags) {
    return Finish(TImage::LoadAnim(source, cellWidth, cellHeight, first, count, FlagsOrAuto(flags),
                                   imageModule.maskRed, imageModule.maskGreen,
                                   imageModule.maskBlue));
}

void SetImageHandle(TImage* image, float x, float y) {
    TImage& i = Checked(image);
    i.handle_x = x, i.handle_y = y;
}

void MidHandleImage(TImage* image) {
    TImage& i = Checked(image);
    i.handle_x = float(i.width) * 0.5f, i.handle_y = float(i.height) * 0.5f;
}

int ImageWidth(TImage* image) { return Checked(image).width; }
int ImageHeight(TImage* image) { return Checked(image).height; }

void AutoMidHandle(bool on) { imageModule.autoMidHandle = on; }

void AutoImageFlags(int flags) {
    if (flags != -1) imageModule.autoFlags = flags;
}

void SetMaskColor(int red, int green, int blue) {
    imageModule.maskRed = red, imageModule.maskGreen = green, imageModule.maskBlue = blue;
}

void GetMaskColor(int& red, int& green, int& blue) {
    red = imageModule.maskRed, green = imageModule.maskGreen, blue = imageModule.maskBlue;
}

} // namespace draw2d
