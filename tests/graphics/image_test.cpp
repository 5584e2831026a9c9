#include <gtest/gtest.h>

#include "core/error.h"
#include "graphics/draw2d.h"

using namespace draw2d;

namespace {

// Pixmap whose pixel (x, y) has colour 0xff000000 | (x << 8) | y, so a cell's
// origin can be read from its first pixel.
core::Ref<TPixmap> Numbered(int w, int h, int format = PIXEL_RGB) {
    auto p = CreatePixmap(w, h, format);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) p->WritePixel(x, y, 0xff000000u | std::uint32_t(x << 8 | y));
    return p;
}

core::Ref<TPixmap> BlackRedBlack() {
    auto p = CreatePixmap(3, 1, PIXEL_RGB);
    p->WritePixel(0, 0, 0xff000000);
    p->WritePixel(1, 0, 0xffff0000);
    p->WritePixel(2, 0, 0xff000000);
    return p;
}

// Restores the module's image state that a test changes.
class ImageModule : public ::testing::Test {
  protected:
    void TearDown() override {
        AutoImageFlags(IMAGE_MASKED | IMAGE_FILTERED);
        AutoMidHandle(false);
        SetMaskColor(0, 0, 0);
    }
};

} // namespace

TEST(Image, SetPixmapMasksOnlyPixmapsWithoutAlpha) {
    auto masked = TImage::Create(3, 1, 1, IMAGE_MASKED, 0, 0, 0);
    masked->SetPixmap(0, BlackRedBlack());
    EXPECT_EQ(masked->pixmaps[0]->format, PIXEL_RGBA);
    EXPECT_EQ(masked->pixmaps[0]->ReadPixel(0, 0), 0x00ff0000u);
    EXPECT_EQ(masked->pixmaps[0]->ReadPixel(1, 0), 0xffff0000u);

    auto plain = TImage::Create(3, 1, 1, 0, 0, 0, 0);
    plain->SetPixmap(0, BlackRedBlack());
    EXPECT_EQ(plain->pixmaps[0]->format, PIXEL_RGB);

    auto rgba = BlackRedBlack()->Convert(PIXEL_RGBA);
    masked->SetPixmap(0, rgba);
    EXPECT_EQ(masked->pixmaps[0].Get(), rgba.Get());
    EXPECT_THROW(masked->SetPixmap(1, rgba), core::RuntimeError);
}

TEST(Image, LockMakesAPixmapAndWritingDropsTheFrame) {
    auto driver = core::Make<TRecordingDriver>();
    SetGraphics(AttachGraphics(CreateRecordingSurface(8, 8), driver));
    auto image = TImage::Create(5, 6, 1, 0, 0, 0, 0);
    auto locked = image->Lock(0, 1, 0);
    EXPECT_EQ(locked->format, PIXEL_RGBA);
    EXPECT_EQ(locked->width, 5);
    EXPECT_EQ(locked->height, 6);
    ASSERT_TRUE(image->Frame(0));
    EXPECT_EQ(image->Lock(0, 1, 0).Get(), locked.Get());
    EXPECT_TRUE(image->frames[0]); // reading keeps it
    image->Lock(0, 0, 1);
    EXPECT_FALSE(image->frames[0]);
    EXPECT_EQ(image->seqs[0], 0);
    EXPECT_THROW(image->Lock(1, 1, 0), core::RuntimeError);
    SetGraphics(nullptr);
}

TEST(Image, LoadAnimCutsCellsLeftToRightThenDown) {
    auto image = TImage::LoadAnim(Numbered(100, 200), 50, 100, 1, 3, 0, 0, 0, 0);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 50);
    EXPECT_EQ(image->height, 100);
    ASSERT_EQ(image->pixmaps.size(), 3u);
    const std::uint32_t origins[] = {50u << 8 | 0, 0u << 8 | 100, 50u << 8 | 100};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(image->pixmaps[i]->ReadPixel(0, 0) & 0xffffff, origins[i]) << i;
        EXPECT_GE(image->pixmaps[i]->capacity, 0); // a copy, not a window
    }
    EXPECT_FALSE(TImage::LoadAnim(Numbered(100, 200), 50, 100, 1, 4, 0, 0, 0, 0));
    EXPECT_FALSE(TImage::LoadAnim(Numbered(100, 200), 0, 100, 0, 1, 0, 0, 0, 0));
    EXPECT_FALSE(TImage::LoadAnim(Numbered(100, 200), 50, 100, -1, 1, 0, 0, 0, 0));
}

TEST_F(ImageModule, LoadImageUsesAutomaticFlagsAndMaskColour) {
    auto image = LoadImage(BlackRedBlack()); // flags -1: masked and filtered
    ASSERT_TRUE(image);
    EXPECT_EQ(image->flags, IMAGE_MASKED | IMAGE_FILTERED);
    EXPECT_EQ(image->pixmaps[0]->ReadPixel(0, 0), 0x00ff0000u);

    AutoImageFlags(IMAGE_FILTERED);
    AutoImageFlags(-1); // changes nothing
    EXPECT_EQ(LoadImage(BlackRedBlack())->flags, IMAGE_FILTERED);

    SetMaskColor(255, 0, 0);
    int r, g, b;
    GetMaskColor(r, g, b);
    EXPECT_EQ(r, 255);
    image = LoadImage(BlackRedBlack(), IMAGE_MASKED);
    EXPECT_EQ(image->mask_r, 255);
    EXPECT_EQ(image->pixmaps[0]->ReadPixel(1, 0), 0x00000000u); // red masked: black around
    EXPECT_EQ(image->pixmaps[0]->ReadPixel(0, 0), 0xff000000u);
}

TEST_F(ImageModule, HandlesAndAutomaticMidHandle) {
    auto image = LoadImage(Numbered(33, 20), 0);
    EXPECT_EQ(image->handle_x, 0.0f);
    MidHandleImage(image);
    EXPECT_EQ(image->handle_x, 16.5f);
    EXPECT_EQ(image->handle_y, 10.0f);
    SetImageHandle(image, 3, 4);
    EXPECT_EQ(image->handle_x, 3.0f);
    EXPECT_EQ(image->handle_y, 4.0f);
    EXPECT_EQ(ImageWidth(image), 33);
    EXPECT_EQ(ImageHeight(image), 20);

    AutoMidHandle(true);
    auto anim = LoadAnimImage(Numbered(20, 10), 10, 10, 0, 2, 0);
    EXPECT_EQ(anim->handle_x, 5.0f);
    EXPECT_EQ(anim->handle_y, 5.0f);
    EXPECT_THROW(MidHandleImage(nullptr), core::RuntimeError);
    EXPECT_THROW(ImageWidth(nullptr), core::RuntimeError);
}
