// The drawing context and module functions, through the recording back end.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>

#include "core/error.h"
#include "core/hook.h"
#include "graphics/draw2d.h"

using namespace draw2d;
using ::testing::ElementsAre;
using ::testing::FloatNear;
using ::testing::Pointwise;

namespace {

class Recording : public ::testing::Test {
  protected:
    void SetUp() override {
        driver = core::Make<TRecordingDriver>();
        graphics = AttachGraphics(CreateRecordingSurface(640, 480), driver);
        SetGraphics(graphics);
        driver->Clear();
    }
    void TearDown() override { SetGraphics(nullptr); }

    const TDrawRecord& Last() { return driver->Records().back(); }
    static auto Near(std::vector<float> expected) { return Pointwise(FloatNear(1e-4f), expected); }

    core::Ref<TRecordingDriver> driver;
    core::Ref<TGraphics> graphics;
};

} // namespace

TEST(Context, FunctionsWithoutGraphicsThrow) {
    SetGraphics(nullptr);
    EXPECT_THROW(SetColor(1, 2, 3), core::RuntimeError);
    EXPECT_THROW(DrawRect(0, 0, 1, 1), core::RuntimeError);
    EXPECT_THROW(Flip(0), core::RuntimeError);
    EXPECT_EQ(GraphicsWidth(), 0);
}

TEST(Context, FirstUseClearsAndFlipsTwiceThenNeverAgain) {
    auto driver = core::Make<TRecordingDriver>();
    auto g = AttachGraphics(CreateRecordingSurface(64, 32), driver);
    SetGraphics(g);
    std::vector<DrawKind> kinds;
    for (const auto& r : driver->Records()) kinds.push_back(r.kind);
    EXPECT_THAT(kinds, ElementsAre(DrawKind::Cls, DrawKind::Flip, DrawKind::Cls, DrawKind::Flip));
    EXPECT_EQ(driver->Records()[1].sync, 0);
    EXPECT_EQ(driver->Records()[0].clsRed, 0);
    EXPECT_EQ(GraphicsWidth(), 64);
    EXPECT_EQ(GraphicsHeight(), 32);
    driver->Clear();
    SetGraphics(nullptr);
    SetGraphics(g);
    EXPECT_TRUE(driver->Records().empty());
    SetGraphics(nullptr);
}

TEST_F(Recording, ValidationPushesTheStoredStateToTheBackEnd) {
    SetColor(300, 20, 30);
    SetAlpha(0.25f);
    SetBlend(BLEND_ADD);
    SetLineWidth(3);
    SetViewport(1, 2, 3, 4);
    // A second context on the same back end overwrites the back end's state...
    SetGraphics(AttachGraphics(CreateRecordingSurface(10, 10), driver));
    Plot(0, 0);
    EXPECT_EQ(Last().red, 255);
    EXPECT_EQ(Last().blend, BLEND_MASK);
    // ...and making the first current again restores it, unchanged.
    SetGraphics(graphics);
    Plot(0, 0);
    const TDrawRecord& r = Last();
    EXPECT_EQ(r.red, 300);
    EXPECT_EQ(r.green, 20);
    EXPECT_EQ(r.alpha, 0.25f);
    EXPECT_EQ(r.blend, BLEND_ADD);
    EXPECT_EQ(r.lineWidth, 3.0f);
    EXPECT_EQ(r.viewportX + r.viewportY + r.viewportWidth + r.viewportHeight, 10);
}

TEST_F(Recording, SettersStoreValuesUnchangedAndTheHandleNegated) {
    SetColor(300, -4, 128);
    SetAlpha(1.5f);
    SetHandle(10, 5);
    int r, g, b;
    GetColor(r, g, b);
    EXPECT_EQ(r, 300);
    EXPECT_EQ(g, -4);
    EXPECT_EQ(GetAlpha(), 1.5f);
    float x, y;
    GetHandle(x, y);
    EXPECT_EQ(x, 10.0f);
    EXPECT_EQ(y, 5.0f);
    auto* d = static_cast<TDraw2DGraphics*>(graphics.Get());
    EXPECT_EQ(d->handle_x, -10.0f);
    EXPECT_EQ(d->handle_y, -5.0f);
}

TEST_F(Recording, RectWithHandle) {
    SetHandle(10, 5);
    DrawRect(100, 100, 20, 10);
    EXPECT_EQ(Last().kind, DrawKind::Rect);
    EXPECT_THAT(Last().points, Near({90, 95, 110, 95, 110, 105, 90, 105}));
}

TEST_F(Recording, RectTurnsClockwiseAboutItsHandle) {
    SetRotation(90);
    DrawRect(100, 100, 20, 10);
    EXPECT_THAT(Last().points, Near({100, 100, 100, 120, 90, 120, 90, 100}));
    EXPECT_EQ(Last().rotation, 90.0f);
}

TEST_F(Recording, OriginMovesEveryShape) {
    SetOrigin(5, 7);
    SetScale(2, 2);
    Plot(1, 1);
    EXPECT_THAT(Last().points, Near({6, 8}));
    DrawOval(10, 10, 4, 2);
    EXPECT_EQ(Last().kind, DrawKind::Oval);
    EXPECT_THAT(Last().points, Near({15, 17, 23, 17, 23, 21, 15, 21}));
    EXPECT_EQ(Last().scaleX, 2.0f);
    DrawPoly({0, 0, 10, 0, 0, 10});
    EXPECT_THAT(Last().points, Near({5, 7, 25, 7, 5, 27}));
}

TEST_F(Recording, LineEndsWithItsTransformedLastPixel) {
    SetHandle(1, 0);
    SetScale(2, 1);
    DrawLine(10, 20, 15, 20);
    ASSERT_EQ(driver->Records().size(), 2u);
    const TDrawRecord& line = driver->Records()[0];
    EXPECT_EQ(line.kind, DrawKind::Line);
    // Local (-1, 0) to (4, 0), doubled in x, moved to (10, 20).
    EXPECT_THAT(line.points, Near({8, 20, 18, 20}));
    EXPECT_EQ(Last().kind, DrawKind::Plot);
    EXPECT_THAT(Last().points, Near({18, 20}));
    driver->Clear();
    DrawLine(10, 20, 15, 20, 0);
    EXPECT_EQ(driver->Records().size(), 1u);
}

TEST_F(Recording, PolygonsWithFewerThanThreePointsDrawNothing) {
    DrawPoly({0, 0, 10, 0});
    DrawPoly({0, 0, 10, 0, 5});
    DrawPoly({});
    EXPECT_TRUE(driver->Records().empty());
}

TEST_F(Recording, ImagesDrawAboutTheirOwnHandle) {
    auto image = TImage::Create(10, 6, 2, 0, 0, 0, 0);
    SetImageHandle(image, 5, 3);
    SetHandle(100, 100); // the context's handle does not apply to images
    SetOrigin(1, 1);
    DrawImage(image, 50, 60, 1);
    const TDrawRecord& r = Last();
    EXPECT_EQ(r.kind, DrawKind::Image);
    EXPECT_EQ(r.image.Get(), image.Get());
    EXPECT_EQ(r.frame, 1);
    EXPECT_THAT(r.points, Near({46, 58, 56, 58, 56, 64, 46, 64}));
    driver->Clear();
    DrawImage(image, 0, 0, 2); // no such frame
    DrawImage(image, 0, 0, -1);
    DrawImage(nullptr, 0, 0);
    EXPECT_TRUE(driver->Records().empty());
}

namespace {

int flipHookCalls = 0;
core::Object* flipHookData = reinterpret_cast<core::Object*>(1);
core::Ref<core::Object> CountFlip(int, core::Object* data, core::Object*) {
    ++flipHookCalls;
    flipHookData = data;
    return data;
}

} // namespace

TEST_F(Recording, FlipRunsItsHookChainBeforePresenting) {
    core::AddHook(flipHookId, CountFlip);
    Flip(0);
    core::RemoveHook(flipHookId, CountFlip);
    EXPECT_EQ(flipHookCalls, 1);
    EXPECT_EQ(flipHookData, nullptr);
    EXPECT_EQ(Last().kind, DrawKind::Flip);
}

TEST(Flip, SyncFollowsTheRefreshRate) {
    auto driver = core::Make<TRecordingDriver>();
    SetGraphics(AttachGraphics(CreateRecordingSurface(8, 8, 60), driver));
    Flip(-1);
    EXPECT_EQ(driver->Records().back().sync, 1);
    Flip(0);
    EXPECT_EQ(driver->Records().back().sync, 0);
    Flip(1);
    EXPECT_EQ(driver->Records().back().sync, 1);
    SetGraphics(AttachGraphics(CreateRecordingSurface(8, 8, 0), driver));
    Flip(-1);
    EXPECT_EQ(driver->Records().back().sync, 0);
    SetGraphics(nullptr);
}

TEST(Flip, SoftwarePacingSleepsToTheRefreshRate) {
    auto driver = core::Make<TRecordingDriver>();
    SetGraphics(AttachGraphics(CreateRecordingSurface(8, 8, 50, GRAPHICS_SOFTSYNC), driver));
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 6; ++i) Flip(-1);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(driver->Records().back().sync, 0);
    // Five waits of 20 ms after the first frame.
    EXPECT_GE(elapsed, std::chrono::milliseconds(95));
    SetGraphics(nullptr);
}

TEST(GraphicsSeq, ChangesOnlyWhenAnotherContextBecomesCurrent) {
    auto driver = core::Make<TRecordingDriver>();
    auto a = AttachGraphics(CreateRecordingSurface(8, 8), driver);
    auto b = AttachGraphics(CreateRecordingSurface(8, 8), driver);
    SetGraphics(a);
    const int seqA = GraphicsSeq();
    SetGraphics(a);
    EXPECT_EQ(GraphicsSeq(), seqA);
    SetGraphics(b);
    EXPECT_NE(GraphicsSeq(), seqA);
    SetGraphics(nullptr);
}

TEST(GraphicsSeq, ImageFramesAreMadeAgainUnderANewContext) {
    auto driver = core::Make<TRecordingDriver>();
    auto image = TImage::Create(4, 4, 1, 0, 0, 0, 0);
    EXPECT_EQ(image->Frame(0), nullptr); // no graphics: nothing to make it with
    SetGraphics(AttachGraphics(CreateRecordingSurface(8, 8), driver));
    TImageFrame* first = image->Frame(0);
    ASSERT_TRUE(first);
    EXPECT_EQ(image->seqs[0], GraphicsSeq());
    EXPECT_EQ(image->Frame(0), first);
    EXPECT_TRUE(image->pixmaps[0]); // Lock made an RGBA pixmap for it
    core::Ref<TImageFrame> keep = first;
    SetGraphics(AttachGraphics(CreateRecordingSurface(8, 8), driver));
    EXPECT_NE(image->Frame(0), keep.Get());
    SetGraphics(nullptr);
}

TEST(OvalSegments, AtLeastTwelveAndAMultipleOfFour) {
    EXPECT_EQ(OvalSegments(5, 5), 12);
    EXPECT_EQ(OvalSegments(50, 20), 68);
    EXPECT_EQ(OvalSegments(-50, 20), 68);
    EXPECT_EQ(OvalSegments(0, 0), 12);
    EXPECT_EQ(OvalSegments(1e30f, 1), 65536);
    EXPECT_EQ(OvalSegments(std::nanf(""), 1), 12);
}

namespace {

// A surface whose native context can be lost and remade, or refuse to be current.
class FickleSurface final : public TSurface {
  public:
    int Width() const override { return 8; }
    int Height() const override { return 8; }
    bool MakeCurrent() override { return usable; }
    void SwapBuffers() override {}
    unsigned ContextGeneration() const override { return generation; }
    bool usable = true;
    unsigned generation = 0;
};

} // namespace

TEST(SetGraphics, ANewNativeContextRemakesFrames) {
    auto surface = core::Make<FickleSurface>();
    auto g = AttachGraphics(surface, core::Make<TRecordingDriver>());
    SetGraphics(g);
    const int seq = GraphicsSeq();
    SetGraphics(g);
    EXPECT_EQ(GraphicsSeq(), seq);
    surface->generation = 1;
    SetGraphics(g);
    EXPECT_NE(GraphicsSeq(), seq);
    SetGraphics(nullptr);
}

TEST(SetGraphics, ASurfaceThatCannotBeMadeCurrentIsAnError) {
    auto surface = core::Make<FickleSurface>();
    surface->usable = false;
    EXPECT_THROW(SetGraphics(AttachGraphics(surface, core::Make<TRecordingDriver>())),
                 core::RuntimeError);
    EXPECT_EQ(GetGraphics(), nullptr);
    EXPECT_THROW(Cls(), core::RuntimeError);
}
