// The OpenGL back end, for real: draws into an offscreen context and reads
// the pixels back. Needs an X display with GLX (Xvfb and Mesa in CI).
#include <gtest/gtest.h>

#include <cmath>

#include "graphics/detail/gl_driver.h"
#include "graphics/draw2d_gl.h"

using namespace draw2d;

namespace {

constexpr std::uint32_t kRed = 0xff0000, kBlack = 0;

class GL : public ::testing::Test {
  protected:
    static constexpr int W = 256, H = 256;

    void SetUp() override {
        surface = CreateOffscreenSurface(W, H);
        ASSERT_TRUE(surface) << "no offscreen OpenGL context (is DISPLAY an X server with GLX?)";
        graphics = AttachGraphics(surface);
        SetGraphics(graphics);
        SetBlend(BLEND_SOLID);
    }
    void TearDown() override { SetGraphics(nullptr); }

    // RGB of one pixel, top-left origin.
    std::uint32_t At(int x, int y) { return GrabPixmap(x, y, 1, 1)->ReadPixel(0, 0) & 0xffffff; }
    bool Lit(int x, int y) { return At(x, y) != kBlack; }
    static int Channel(std::uint32_t rgb, int shift) { return int(rgb >> shift & 255); }

    core::Ref<TSurface> surface;
    core::Ref<TGraphics> graphics;
};

core::Ref<TImage> SolidImage(int w, int h, std::uint32_t argb, int flags = 0) {
    auto p = CreatePixmap(w, h, PIXEL_RGBA);
    p->ClearPixels(argb);
    return LoadImage(p, flags);
}

} // namespace

TEST_F(GL, FirstUseLeavesAClearedSurface) {
    EXPECT_EQ(GraphicsWidth(), W);
    EXPECT_EQ(At(0, 0), kBlack);
    EXPECT_EQ(At(W - 1, H - 1), kBlack);
}

TEST_F(GL, RectangleWithHandle) {
    SetColor(255, 0, 0);
    SetHandle(10, 5);
    DrawRect(100, 100, 20, 10);
    EXPECT_EQ(At(90, 95), kRed);
    EXPECT_EQ(At(109, 104), kRed);
    EXPECT_FALSE(Lit(89, 100));
    EXPECT_FALSE(Lit(110, 100));
    EXPECT_FALSE(Lit(100, 94));
    EXPECT_FALSE(Lit(100, 105));
}

TEST_F(GL, RectangleRotatedBy90) {
    SetColor(255, 0, 0);
    SetRotation(90);
    DrawRect(100, 100, 20, 10);
    EXPECT_EQ(At(90, 100), kRed);
    EXPECT_EQ(At(99, 119), kRed);
    EXPECT_FALSE(Lit(89, 110));
    EXPECT_FALSE(Lit(100, 110));
    EXPECT_FALSE(Lit(95, 99));
    EXPECT_FALSE(Lit(95, 120));
}

TEST_F(GL, SmallOvalIsATwelveGon) {
    // A 10 x 10 oval has 12 segments; scaled by 20 it has radius 100, and the
    // middle of each edge lies at 100 cos 15 = 96.6 from the centre, while the
    // vertices (one at 0 degrees) reach 100.
    SetColor(255, 255, 255);
    SetScale(20, 20);
    DrawOval(28, 28, 10, 10);
    const float cx = 128, cy = 128;
    auto at = [&](float degrees, float r) {
        const float t = degrees * 3.14159265f / 180;
        return Lit(int(cx + r * std::cos(t)), int(cy - r * std::sin(t)));
    };
    EXPECT_TRUE(at(0, 98.5f));
    EXPECT_FALSE(at(15, 98.5f));
    EXPECT_TRUE(at(30, 98.5f));
    EXPECT_FALSE(at(45, 98.5f));
    EXPECT_TRUE(at(15, 95));
    EXPECT_TRUE(Lit(128, 128));
}

TEST_F(GL, PolygonsNeedThreePoints) {
    SetColor(255, 255, 255);
    SetLineWidth(5);
    DrawPoly({10, 10, 200, 10});
    DrawPoly({10, 10, 200, 10, 200});
    auto all = GrabPixmap(0, 0, W, H);
    for (int y = 0; y < H; y += 3)
        for (int x = 0; x < W; x += 3) ASSERT_EQ(all->ReadPixel(x, y) & 0xffffff, kBlack);
    SetOrigin(10, 10);
    DrawPoly({0, 0, 100, 0, 0, 100});
    EXPECT_TRUE(Lit(15, 15));
    EXPECT_FALSE(Lit(100, 100));
}

TEST_F(GL, LineLastPixel) {
    SetColor(255, 255, 255);
    DrawLine(10, 10, 20, 10, 0);
    EXPECT_TRUE(Lit(10, 10));
    EXPECT_TRUE(Lit(19, 10));
    EXPECT_FALSE(Lit(20, 10));
    DrawLine(10, 30, 20, 30, 1);
    EXPECT_TRUE(Lit(20, 30));
    EXPECT_FALSE(Lit(21, 30));
}

TEST_F(GL, BlendModes) {
    struct Case {
        int mode;
        float alpha;
        int r, g, b; // expected over a (100, 100, 100) background, colour (200, 50, 0)
    } cases[] = {
        {BLEND_MASK, 0.6f, 200, 50, 0},
        {BLEND_MASK, 0.4f, 100, 100, 100},
        {BLEND_SOLID, 0.4f, 200, 50, 0},
        {BLEND_ALPHA, 0.6f, 160, 70, 40},
        {BLEND_ADD, 0.6f, 220, 130, 100},
        {BLEND_MULTIPLY, 0.6f, 78, 19, 0},
        {0, 0.1f, 200, 50, 0},
        {42, 0.1f, 200, 50, 0},
    };
    for (const Case& c : cases) {
        SetBlend(BLEND_SOLID);
        SetColor(100, 100, 100);
        SetAlpha(1);
        DrawRect(0, 0, 16, 16);
        SetBlend(c.mode);
        SetColor(200, 50, 0);
        SetAlpha(c.alpha);
        DrawRect(0, 0, 16, 16);
        const std::uint32_t p = At(8, 8);
        EXPECT_NEAR(Channel(p, 16), c.r, 2) << "mode " << c.mode << " alpha " << c.alpha;
        EXPECT_NEAR(Channel(p, 8), c.g, 2) << "mode " << c.mode << " alpha " << c.alpha;
        EXPECT_NEAR(Channel(p, 0), c.b, 2) << "mode " << c.mode << " alpha " << c.alpha;
    }
}

TEST_F(GL, SameBlendModeTwiceTouchesNoState) {
    SetBlend(BLEND_MASK);
    EXPECT_TRUE(glIsEnabled(GL_ALPHA_TEST));
    glDisable(GL_ALPHA_TEST); // behind the back end's back
    SetBlend(BLEND_MASK);
    EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));
    SetBlend(BLEND_ALPHA);
    SetBlend(BLEND_MASK);
    EXPECT_TRUE(glIsEnabled(GL_ALPHA_TEST));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
}

TEST_F(GL, ViewportScissorsWithTheYAxisFlipped) {
    SetClsColor(255, 0, 0);
    SetViewport(10, 20, 30, 40);
    EXPECT_TRUE(glIsEnabled(GL_SCISSOR_TEST));
    Cls();
    SetColor(255, 0, 0);
    DrawRect(0, 0, W, H);
    EXPECT_EQ(At(10, 20), kRed);
    EXPECT_EQ(At(39, 59), kRed);
    EXPECT_FALSE(Lit(9, 30));
    EXPECT_FALSE(Lit(40, 30));
    EXPECT_FALSE(Lit(20, 19));
    EXPECT_FALSE(Lit(20, 60));

    SetViewport(0, 0, W, H);
    EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
    SetClsColor(0, 0, 255);
    Cls();
    EXPECT_EQ(At(0, 0), 0x0000ffu);
    EXPECT_EQ(At(W - 1, H - 1), 0x0000ffu);
}

TEST_F(GL, ColourAndAlphaAreClampedInTheBackEndOnly) {
    SetBlend(BLEND_ALPHA);
    SetColor(300, -4, 128);
    SetAlpha(1.5f);
    DrawRect(0, 0, 4, 4);
    EXPECT_EQ(At(1, 1), 0xff0080u);
    EXPECT_EQ(GetAlpha(), 1.5f);
    int r, g, b;
    GetColor(r, g, b);
    EXPECT_EQ(r, 300);
    SetAlpha(std::nanf("")); // not a number: transparent
    SetColor(0, 255, 0);
    DrawRect(0, 0, 4, 4);
    EXPECT_EQ(At(1, 1), 0xff0080u);
}

TEST_F(GL, ImageDrawnAboutItsHandle) {
    auto image = SolidImage(4, 4, 0xffff0000);
    SetImageHandle(image, 2, 2);
    DrawImage(image, 50, 50);
    EXPECT_EQ(At(48, 48), kRed);
    EXPECT_EQ(At(51, 51), kRed);
    EXPECT_FALSE(Lit(47, 50));
    EXPECT_FALSE(Lit(52, 50));
    EXPECT_FALSE(Lit(50, 52));
    // Turned a quarter about the handle, a 4 x 2 image covers 2 x 4.
    auto wide = SolidImage(4, 2, 0xffff0000);
    SetImageHandle(wide, 0, 0);
    SetRotation(90);
    DrawImage(wide, 100, 100);
    EXPECT_EQ(At(98, 100), kRed);
    EXPECT_EQ(At(99, 103), kRed);
    EXPECT_FALSE(Lit(100, 101));
    EXPECT_FALSE(Lit(98, 104));
}

TEST_F(GL, ColourModulatesImages) {
    auto image = SolidImage(4, 4, 0xffffffff);
    SetColor(255, 0, 0);
    DrawImage(image, 0, 0);
    EXPECT_EQ(At(1, 1), kRed);
}

TEST_F(GL, MaskBlendCutsOutMaskedPixels) {
    auto p = CreatePixmap(2, 1, PIXEL_RGB);
    p->WritePixel(0, 0, 0xff000000);
    p->WritePixel(1, 0, 0xffff0000);
    auto image = LoadImage(p, IMAGE_MASKED);
    SetClsColor(0, 0, 255);
    Cls();
    SetBlend(BLEND_MASK);
    SetScale(4, 4);
    DrawImage(image, 0, 0);
    EXPECT_EQ(At(1, 1), 0x0000ffu);
    EXPECT_EQ(At(5, 1), kRed);
}

TEST_F(GL, TexturePaddingRepeatsTheLastRowAndColumn) {
    auto p = CreatePixmap(100, 60, PIXEL_RGB);
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 100; ++x) p->WritePixel(x, y, 0xff000000u | std::uint32_t(x << 8 | y));
    auto image = LoadImage(p, 0);
    auto* frame = dynamic_cast<TGLImageFrame*>(image->Frame(0));
    ASSERT_TRUE(frame);
    EXPECT_FLOAT_EQ(frame->u1, 100.0f / 128);
    EXPECT_FLOAT_EQ(frame->v1, 60.0f / 64);
    EXPECT_EQ(frame->u0 + frame->v0, 0.0f);
    EXPECT_EQ(frame->seq, GraphicsSeq());

    glBindTexture(GL_TEXTURE_2D, GLuint(frame->name));
    GLint tw = 0, th = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &tw);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &th);
    ASSERT_EQ(tw, 128);
    ASSERT_EQ(th, 64);
    std::vector<std::uint8_t> texels(128 * 64 * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    auto texel = [&](int x, int y) {
        const std::uint8_t* t = &texels[(y * 128 + x) * 4];
        return std::uint32_t(t[0]) << 16 | t[1] << 8 | t[2];
    };
    EXPECT_EQ(texel(50, 30), std::uint32_t(50 << 8 | 30));
    for (int y = 0; y < 60; y += 7) EXPECT_EQ(texel(100, y), std::uint32_t(99 << 8 | y)) << y;
    for (int x = 0; x < 100; x += 9) EXPECT_EQ(texel(x, 60), std::uint32_t(x << 8 | 59)) << x;
    EXPECT_EQ(texel(100, 60), std::uint32_t(99 << 8 | 59));
}

TEST_F(GL, TextureFiltersFollowTheImageFlags) {
    struct Case {
        int flags;
        GLint mag, min;
    } cases[] = {{0, GL_NEAREST, GL_NEAREST},
                 {IMAGE_FILTERED, GL_LINEAR, GL_LINEAR},
                 {IMAGE_MIPMAPPED, GL_NEAREST, GL_NEAREST_MIPMAP_NEAREST},
                 {IMAGE_FILTERED | IMAGE_MIPMAPPED, GL_LINEAR, GL_LINEAR_MIPMAP_LINEAR}};
    for (const Case& c : cases) {
        auto image = SolidImage(6, 3, 0xff00ff00, c.flags);
        auto* frame = dynamic_cast<TGLImageFrame*>(image->Frame(0));
        ASSERT_TRUE(frame);
        glBindTexture(GL_TEXTURE_2D, GLuint(frame->name));
        GLint mag = 0, min = 0, wrap = 0, levelWidth = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &mag);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &min);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrap);
        EXPECT_EQ(mag, c.mag) << c.flags;
        EXPECT_EQ(min, c.min) << c.flags;
        EXPECT_EQ(wrap, GL_CLAMP_TO_EDGE);
        // 8 x 4 down to 1 x 1 when mipmapped: level 3 is 1 wide.
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 3, GL_TEXTURE_WIDTH, &levelWidth);
        EXPECT_EQ(levelWidth, (c.flags & IMAGE_MIPMAPPED) ? 1 : 0) << c.flags;
        SetGraphics(graphics); // the test bound a texture behind the back end's back
    }
}

TEST_F(GL, TexturesAreFreedInTheirOwnContext) {
    auto image = SolidImage(4, 4, 0xffffffff);
    GLuint name = GLuint(dynamic_cast<TGLImageFrame*>(image->Frame(0))->name);
    EXPECT_TRUE(glIsTexture(name));
    image->Lock(0, 0, 1); // drops the frame while its context is current
    EXPECT_FALSE(glIsTexture(name));

    name = GLuint(dynamic_cast<TGLImageFrame*>(image->Frame(0))->name);
    auto otherSurface = CreateOffscreenSurface(8, 8);
    ASSERT_TRUE(otherSurface);
    auto other = AttachGraphics(otherSurface);
    SetGraphics(other);
    image = nullptr; // dies while another context is current
    SetGraphics(graphics);
    EXPECT_FALSE(glIsTexture(name));
}

TEST_F(GL, FramesAreRemadeForANewContext) {
    auto image = SolidImage(4, 4, 0xffff0000);
    DrawImage(image, 0, 0);
    auto otherSurface = CreateOffscreenSurface(16, 16);
    ASSERT_TRUE(otherSurface);
    SetGraphics(AttachGraphics(otherSurface));
    SetBlend(BLEND_SOLID);
    DrawImage(image, 0, 0);
    EXPECT_EQ(At(2, 2), kRed);
}

TEST_F(GL, DrawAndGrabPixmap) {
    auto p = CreatePixmap(3, 2, PIXEL_RGB);
    p->ClearPixels(0xff00ff00);
    p->WritePixel(0, 0, 0xffff0000);
    p->WritePixel(2, 1, 0xff0000ff);
    DrawPixmap(p, 20, 30);
    auto grabbed = GrabPixmap(20, 30, 3, 2);
    EXPECT_EQ(grabbed->ReadPixel(0, 0) & 0xffffff, kRed);
    EXPECT_EQ(grabbed->ReadPixel(1, 0) & 0xffffff, 0x00ff00u);
    EXPECT_EQ(grabbed->ReadPixel(2, 1) & 0xffffff, 0x0000ffu);
    EXPECT_FALSE(Lit(19, 30));
    EXPECT_FALSE(Lit(20, 32));
}

namespace {

// An offscreen surface that notes every swap interval it is asked for.
class IntervalSurface final : public TSurface {
  public:
    explicit IntervalSurface(core::Ref<TSurface> inner) : inner(std::move(inner)) {}
    int Width() const override { return inner->Width(); }
    int Height() const override { return inner->Height(); }
    bool MakeCurrent() override { return inner->MakeCurrent(); }
    core::Ref<TDraw2DDriver> NativeDriver() override { return inner->NativeDriver(); }
    void SwapBuffers() override {
        ++swaps;
        inner->SwapBuffers();
    }
    bool SetSwapInterval(int interval) override {
        intervals.push_back(interval);
        return true;
    }
    core::Ref<TSurface> inner;
    std::vector<int> intervals;
    int swaps = 0;
};

} // namespace

TEST(GLFlip, SwapIntervalIsSetOnlyWhenTheSyncChanges) {
    auto offscreen = CreateOffscreenSurface(8, 8);
    ASSERT_TRUE(offscreen) << "no offscreen OpenGL context";
    auto surface = core::Make<IntervalSurface>(offscreen);
    SetGraphics(AttachGraphics(surface));
    EXPECT_EQ(surface->swaps, 2); // the first-use clear and flip, twice
    Flip(0);
    Flip(1);
    Flip(1);
    Flip(0);
    EXPECT_EQ(surface->intervals, (std::vector<int>{0, 1, 0}));
    EXPECT_EQ(surface->swaps, 6);
    SetGraphics(nullptr);
}
