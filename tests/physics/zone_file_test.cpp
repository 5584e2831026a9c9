#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/filesys.h"
#include "graphics/image.h"
#include "scene.h"

using namespace scene;
namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<unsigned char>;

Bytes ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const fs::path& p, const Bytes& bytes) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

int IntAt(const Bytes& b, std::size_t at) {
    int v;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}

void PutIntAt(Bytes& b, std::size_t at, int v) { std::memcpy(b.data() + at, &v, 4); }

class ZoneFileTest : public PhysicsTest {
  protected:
    fs::path dir;
    void SetUp() override {
        PhysicsTest::SetUp();
        TPhysics::Create(1000, 1000, 0, 0, 1);
        char name[] = "/tmp/zone_file_testXXXXXX";
        ASSERT_TRUE(mkdtemp(name));
        dir = name;
    }
    void TearDown() override {
        fs::remove_all(dir);
        draw2d::SetMaskColor(0, 0, 0);
        PhysicsTest::TearDown();
    }
    std::string At(const std::string& name) const { return (dir / name).string(); }
};

// A 3 x 2 picture with distinct pixels, flags, mask colour and handle.
core::Ref<draw2d::TImage> Picture() {
    core::Ref<draw2d::TImage> img =
        draw2d::TImage::Create(3, 2, 1, draw2d::IMAGE_FILTERED, 10, 20, 30);
    core::Ref<draw2d::TPixmap> p = img->Lock(0, 1, 1);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) p->WritePixel(x, y, 0xFF000000u | (x * 80u << 16) | (y * 200u));
    img->handle_x = 1.5f;
    img->handle_y = -2;
    return img;
}

void ExpectSamePicture(draw2d::TImage* got, draw2d::TImage* want) {
    ASSERT_TRUE(got);
    EXPECT_EQ(got->width, want->width);
    EXPECT_EQ(got->flags, want->flags);
    EXPECT_EQ(got->handle_x, want->handle_x);
    EXPECT_EQ(got->handle_y, want->handle_y);
    EXPECT_EQ(got->mask_r, want->mask_r);
    EXPECT_EQ(got->mask_b, want->mask_b);
    core::Ref<draw2d::TPixmap> a = got->Lock(0, 1, 0), b = want->Lock(0, 1, 0);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(a->ReadPixel(x, y), b->ReadPixel(x, y));
}

core::Ref<TZone> Sample() {
    core::Ref<TZone> z = TZone::Create({0, 0, 40, 5, 30, 30, -5, 20}, TZone::FILL, 0.25f, 3, 4);
    z->SetName("Rock ledge");
    z->Position(100, 200);
    z->SetScale(2, 0.5f);
    z->Rotate(30);
    z->SetColor(10, 200, 255);
    z->SetAlpha(0.5f);
    z->SetBlend(3);
    z->ImageSetScale(1.25f, 0.75f);
    return z;
}

struct BoxRec {
    float x, y, w, h;
    bool operator==(const BoxRec&) const = default;
};

void Boxes(const TQuadTree* t, std::vector<BoxRec>& out) {
    out.push_back({t->posX, t->posY, t->sizeX, t->sizeY});
    for (TQuadTree* c : t->childList->Each<TQuadTree>()) Boxes(c, out);
}

} // namespace

TEST_F(ZoneFileTest, TwoVerticesAtLevelOneMake116Bytes) {
    core::Ref<TZone> z = TZone::Create({0, 0, 10, 0}, TZone::LINE, 0, -1, 1);
    z->Save(At("line.tnz"), 0, 0);
    const Bytes b = ReadFile(dir / "line.tnz");
    ASSERT_EQ(b.size(), 116u);
    EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "ZONE");
    EXPECT_EQ(b[4], 111);
    EXPECT_EQ(std::string(b.begin() + 5, b.begin() + 11), "Zone\r\n");
    EXPECT_EQ(IntAt(b, 11), 4);
    EXPECT_EQ(IntAt(b, 11 + 4 + 16 + 4 + 40 + 4), -1); // the automatic group
    EXPECT_EQ(IntAt(b, 11 + 4 + 16 + 4 + 40 + 8), 1);  // qtLevel
    EXPECT_EQ(IntAt(b, 111), 0);                       // the root's child count
    EXPECT_EQ(b[115], 0);                              // no image
}

TEST_F(ZoneFileTest, SaveNamesBacksUpAndSkipsDirectories) {
    core::Ref<TZone> z = Sample();
    EXPECT_EQ(z->Save(At("level"), 0, 0), 0);
    EXPECT_TRUE(fs::exists(dir / "level.tnz"));
    EXPECT_FALSE(fs::exists(dir / "level"));
    const Bytes first = ReadFile(dir / "level.tnz");
    z->SetName("Second");
    z->Save(At("level.tnz"), 1, 0);
    EXPECT_EQ(ReadFile(dir / "level.tnz.bak"), first);
    EXPECT_NE(ReadFile(dir / "level.tnz"), first);

    fs::create_directory(dir / "sub.tnz");
    EXPECT_EQ(z->Save(At("sub.tnz"), 1, 0), -1); // a folder is not written over
    EXPECT_TRUE(fs::is_directory(dir / "sub.tnz"));
    EXPECT_TRUE(fs::is_empty(dir / "sub.tnz"));
    EXPECT_EQ(z->Save(At("missing/level.tnz"), 0, 0), -1); // nowhere to write: told, no crash
    EXPECT_FALSE(fs::exists(dir / "missing"));
    // Nothing but the files asked for: no temporary file left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 3);
}

TEST_F(ZoneFileTest, RoundTripKeepsShapePlacementAttributesAndTree) {
    core::Ref<TZone> z = Sample();
    z->Save(At("rock.tnz"), 0, 0);
    const int zones = zoneList->Count();
    core::Ref<TZone> back = TZone::Load(At("rock.tnz"));
    ASSERT_TRUE(back);
    EXPECT_EQ(zoneList->Count(), zones + 1);
    EXPECT_EQ(zoneList->Last(), back.Get());
    EXPECT_EQ(back->name, "Rock ledge");
    EXPECT_EQ(back->origArea, z->origArea);
    EXPECT_EQ(back->area, z->area); // recomputed from scale and angle
    for (auto field : {&TZone::friction, &TZone::offsetX, &TZone::offsetY, &TZone::angle,
                       &TZone::scaleX, &TZone::scaleY, &TZone::red, &TZone::green, &TZone::blue,
                       &TZone::alpha, &TZone::imgScaleX, &TZone::imgScaleY})
        EXPECT_EQ((*back).*field, (*z).*field);
    EXPECT_EQ(back->style, TZone::FILL);
    EXPECT_EQ(back->blend, 3);
    EXPECT_EQ(back->colGroup, 3);
    EXPECT_EQ(back->qtLevel, 4);
    EXPECT_EQ(back->ColResponse, &TZone::ColDefault);
    EXPECT_FALSE(back->image);
    std::vector<BoxRec> a, b;
    Boxes(z->quadTree, a);
    Boxes(back->quadTree, b);
    EXPECT_EQ(a, b);
}

TEST_F(ZoneFileTest, NegativeGroupsComeBackAsFreshAutomaticGroups) {
    core::Ref<TZone> z = Sample();
    z->colGroup = -5;
    z->Save(At("a.tnz"), 0, 0);
    const int next = nextColGroup;
    EXPECT_EQ(TZone::Load(At("a.tnz"))->colGroup, next);
    z->colGroup = 0;
    z->Save(At("a.tnz"), 0, 0);
    EXPECT_EQ(TZone::Load(At("a.tnz"))->colGroup, 0);
}

TEST_F(ZoneFileTest, EmbeddedImageRoundTripAndMaskColour) {
    core::Ref<TZone> z = Sample();
    core::Ref<draw2d::TImage> img = Picture();
    z->ImageSet(img);
    z->Save(At("pic.tnz"), 0, 1);
    EXPECT_FALSE(fs::exists(dir / "pic_img.png"));
    const Bytes b = ReadFile(dir / "pic.tnz");
    const Bytes signature{0x89, 'P', 'N', 'G'};
    EXPECT_NE(std::search(b.begin(), b.end(), signature.begin(), signature.end()), b.end());
    draw2d::SetMaskColor(1, 2, 3);
    core::Ref<TZone> back = TZone::Load(At("pic.tnz"));
    ASSERT_TRUE(back);
    ExpectSamePicture(back->image, img);
    int r, g, bl;
    draw2d::GetMaskColor(r, g, bl);
    EXPECT_EQ(std::vector<int>({r, g, bl}), std::vector<int>({10, 20, 30}));
}

TEST_F(ZoneFileTest, SeparateImageLivesBesideTheFile) {
    core::Ref<TZone> z = Sample();
    core::Ref<draw2d::TImage> img = Picture();
    z->ImageSet(img);
    z->Save(At("cave.v2.tnz"), 0, 0);
    ASSERT_TRUE(fs::exists(dir / "cave.v2_img.png"));
    const Bytes b = ReadFile(dir / "cave.v2.tnz");
    EXPECT_EQ(b.back(), 0); // the embedded byte ends the file
    core::Ref<TZone> back = TZone::Load(At("cave.v2.tnz"));
    ASSERT_TRUE(back);
    ExpectSamePicture(back->image, img);

    // A missing or damaged picture leaves the zone without one.
    WriteFile(dir / "cave.v2_img.png", {0x89, 'P', 'N', 'G', 1, 2, 3});
    back = TZone::Load(At("cave.v2.tnz"));
    ASSERT_TRUE(back);
    EXPECT_FALSE(back->image);
    fs::remove(dir / "cave.v2_img.png");
    back = TZone::Load(At("cave.v2.tnz"));
    ASSERT_TRUE(back);
    EXPECT_FALSE(back->image);
}

TEST_F(ZoneFileTest, AnImageThatCannotBeWrittenKeepsTheOldFile) {
    core::Ref<TZone> z = Sample();
    z->Save(At("keep.tnz"), 0, 0);
    const Bytes before = ReadFile(dir / "keep.tnz");
    // The separate picture's path is taken by a folder: it cannot be written.
    fs::create_directories(dir / "keep_img.png");
    z->ImageSet(Picture());
    z->SetName("changed");
    z->Save(At("keep.tnz"), 0, 0);
    EXPECT_EQ(ReadFile(dir / "keep.tnz"), before);
}

TEST_F(ZoneFileTest, AnEmbedArgumentWithZeroLowBitsStillReadsAsEmbedded) {
    core::Ref<TZone> z = Sample();
    z->ImageSet(Picture());
    z->Save(At("e.tnz"), 0, 256);
    EXPECT_FALSE(fs::exists(dir / "e_img.png"));
    core::Ref<TZone> back = TZone::Load(At("e.tnz"));
    ASSERT_TRUE(back);
    EXPECT_TRUE(back->image);
}

TEST_F(ZoneFileTest, NamesCannotBreakTheirLine) {
    core::Ref<TZone> z = Sample();
    z->SetName(std::string("two\nlines\0x", 11));
    z->Save(At("n.tnz"), 0, 0);
    core::Ref<TZone> back = TZone::Load(At("n.tnz"));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->name, "twolinesx");
    EXPECT_EQ(back->origArea, z->origArea);
}

TEST_F(ZoneFileTest, AZoneWithoutATreeSavesALoneLeaf) {
    core::Ref<TZone> z = TZone::Create({0, 0, 10, 0}, 9, 0, 1, 3); // a style covering nothing
    ASSERT_FALSE(z->quadTree);
    z->Save(At("odd.tnz"), 0, 0);
    core::Ref<TZone> back = TZone::Load(At("odd.tnz"));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->style, 9);
    EXPECT_EQ(back->quadTree->NodeCount(), 1);
    EXPECT_EQ(back->quadTree->sizeX, 12);
}

TEST_F(ZoneFileTest, ForeignFilesAreRefused) {
    core::Ref<TZone> z = Sample();
    z->Save(At("m.tnz"), 0, 0);
    Bytes good = ReadFile(dir / "m.tnz");
    const int zones = zoneList->Count();
    for (int k = 0; k < 4; ++k) {
        Bytes bad = good;
        bad[k] ^= 0x20;
        WriteFile(dir / "bad.tnz", bad);
        EXPECT_FALSE(TZone::Load(At("bad.tnz"))) << k;
    }
    good[4] = 7; // any version
    WriteFile(dir / "v.tnz", good);
    EXPECT_TRUE(TZone::Load(At("v.tnz")));
    EXPECT_FALSE(TZone::Load(At("nothing.tnz")));
    EXPECT_FALSE(TZone::Load(dir.string()));
    EXPECT_FALSE(TZone::Load(At("m"))); // no extension is added
    EXPECT_EQ(zoneList->Count(), zones + 1);
}

TEST_F(ZoneFileTest, DamagedFilesGiveNullAndLeaveNoTrace) {
    core::Ref<TZone> z = Sample();
    z->ImageSet(Picture());
    z->Save(At("d.tnz"), 0, 1);
    const Bytes good = ReadFile(dir / "d.tnz");
    const std::size_t countAt = 5 + std::string("Rock ledge\r\n").size();
    const std::size_t treeAt = countAt + 4 + 4 * 8 + 64;
    const std::size_t imageAt = treeAt + 20 * z->quadTree->NodeCount();
    ASSERT_EQ(good[imageAt], 1);

    const int zones = zoneList->Count();
    const int next = nextColGroup;
    auto refused = [&](const Bytes& bytes) {
        WriteFile(dir / "bad.tnz", bytes);
        return !TZone::Load(At("bad.tnz"));
    };
    // Cut anywhere before the picture.
    for (std::size_t len = 0; len < imageAt + 12; ++len)
        EXPECT_TRUE(refused(Bytes(good.begin(), good.begin() + len))) << len;
    for (int count : {-4, 0, 2, 7, 1 << 30, 300}) {
        Bytes bad = good;
        PutIntAt(bad, countAt, count);
        EXPECT_TRUE(refused(bad)) << count;
    }
    for (int children : {5, 1 << 30, 100}) {
        Bytes bad = good;
        PutIntAt(bad, treeAt + 16, children);
        EXPECT_TRUE(refused(bad)) << children;
    }
    EXPECT_EQ(zoneList->Count(), zones);
    EXPECT_EQ(nextColGroup, next);

    // A cut picture is only a missing picture.
    WriteFile(dir / "cut.tnz", Bytes(good.begin(), good.end() - 30));
    core::Ref<TZone> back = TZone::Load(At("cut.tnz"));
    ASSERT_TRUE(back);
    EXPECT_FALSE(back->image);
}
