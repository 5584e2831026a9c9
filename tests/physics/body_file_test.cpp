#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "graphics/draw2d.h"
#include "scene.h"
#include "scratch_dir.h"

using namespace scene;
namespace fs = std::filesystem;

namespace {

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void WriteAll(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Little-endian file content built by hand.
struct Bytes {
    std::string data;
    Bytes& Raw(const std::string& s) { return data += s, *this; }
    Bytes& Int(int v) { return Put(&v, 4); }
    Bytes& Float(float v) { return Put(&v, 4); }
    Bytes& Byte(int v) { return data += char(v), *this; }
    Bytes& Line(const std::string& s) { return Raw(s + "\r\n"); }
    Bytes& Put(const void* p, int n) {
        data.append(static_cast<const char*>(p), n);
        return *this;
    }
};

// A 2 x 2 RGBA picture with distinct pixels.
core::Ref<draw2d::TImage> Picture(int flags, std::uint8_t seed) {
    auto pixmap = draw2d::CreatePixmap(2, 2, draw2d::PIXEL_RGBA);
    for (int k = 0; k < 4; ++k) pixmap->WritePixel(k % 2, k / 2, 0xff000000u | (seed * 40u + k));
    return draw2d::LoadImage(pixmap.Get(), flags);
}

class BodyFile : public ScratchDirTest {
  protected:
    // Gaps in every table: masses 0, 2, 3 (slot 1 removed), constraints with
    // one removed, images in slots 0 and 2, rigs with one removed.
    core::Ref<TAdvBody> GappyBody() {
        auto body = core::Make<TAdvBody>();
        body->SetName("Gappy");
        body->MassAdd(10, 20, 1, 4, 0.5f, -7);
        body->MassAdd(30, 20, 2, 4, 0.5f, -7);
        body->MassAdd(50, 25, 3, 5, 0.25f, 3);
        body->MassAdd(70, 30, 4, 6, 1, -8);
        body->MassSetName(2, "heavy");
        body->MassSetVelocity(2, 0.5f, -0.25f);
        body->MassFreeze(3);
        body->ConAdd(0, 2, 0, 0.5f);
        body->ConAdd(0, 1, 0, 1);
        body->ConAdd(2, 3, 17, 0.75f);
        body->ConSetName(2, "strut");
        body->ImageAdd(Picture(draw2d::IMAGE_FILTERED, 1));
        body->ImageAdd(Picture(0, 2));
        body->ImageAdd(Picture(draw2d::IMAGE_MASKED, 3));
        draw2d::SetImageHandle(body->ImageGet(2), 1, 0.5f);
        body->RigAdd(0, 0, 0, 15);
        body->RigAdd(0, 3, -1, 0);
        body->RigAdd(2, 3, 2, 30);
        body->RigSetColor(2, 10, 20, 30);
        body->RigSetScale(2, 2, 0.5f);
        body->RigSetAlpha(2, 0.5f);
        body->RigSetBlend(2, 3);
        body->RigSetName(2, "look");
        body->MassRemove(1); // takes constraint 1
        body->ImageRemove(1);
        body->RigRemove(1);
        return body;
    }

    static void ExpectSameAsGappy(const TAdvBody& b) {
        EXPECT_EQ(b.GetName(), "Gappy");
        EXPECT_EQ(b.mIndex, 4);
        EXPECT_EQ(b.mArray.size(), 4u); // exactly count slots after a load
        EXPECT_EQ(b.MassExists(1), 0);
        EXPECT_EQ(b.MassGetName(2), "heavy");
        EXPECT_FLOAT_EQ(b.MassGetX(3), 70);
        EXPECT_FLOAT_EQ(b.MassGetMass(3), 4);
        EXPECT_FLOAT_EQ(b.MassGetFriction(2), 0.25f);
        EXPECT_FLOAT_EQ(b.MassGetVX(2), 0.5f);
        EXPECT_FLOAT_EQ(b.MassGetVY(2), -0.25f);
        EXPECT_EQ(b.MassIsFrozen(3), 1);
        EXPECT_EQ(b.MassGetColGroup(2), 3);
        EXPECT_EQ(b.MassGet(3)->index, 3);
        EXPECT_EQ(b.cIndex, 3);
        EXPECT_EQ(b.ConExists(1), 0);
        EXPECT_EQ(b.ConGetMass1(2), 2);
        EXPECT_EQ(b.ConGetMass2(2), 3);
        EXPECT_FLOAT_EQ(b.ConGetRestLength(2), 17);
        EXPECT_FLOAT_EQ(b.ConGetStiffness(0), 0.5f);
        EXPECT_EQ(b.ConGetName(2), "strut");
        EXPECT_EQ(b.iIndex, 3);
        EXPECT_EQ(b.ImageExists(1), 0);
        EXPECT_EQ(b.ImageGet(0)->flags, draw2d::IMAGE_FILTERED);
        EXPECT_EQ(b.ImageGet(2)->handle_x, 1.0f);
        EXPECT_EQ(b.ImageGet(2)->Lock(0, 1, 0)->ReadPixel(1, 1) & 0xffffff, 3u * 40 + 3);
        EXPECT_EQ(b.rIndex, 3);
        EXPECT_EQ(b.RigExists(1), 0);
        EXPECT_EQ(b.RigGetImage(2), 2);
        EXPECT_EQ(b.RigGetConstraint(2), 2);
        EXPECT_EQ(b.RigGetConstraint(0), 0);
        EXPECT_FLOAT_EQ(b.RigGetAngle(2), 30);
        int r, g, bl;
        b.RigGetColor(2, r, g, bl);
        EXPECT_EQ(r + g + bl, 60);
        EXPECT_FLOAT_EQ(b.RigGetAlpha(2), 0.5f);
        EXPECT_EQ(b.RigGetBlend(2), 3);
        EXPECT_EQ(b.RigGetName(2), "look");
    }
};

TEST_F(BodyFile, TheExampleFileByteForByte) {
    auto body = core::Make<TAdvBody>();
    body->MassAdd(10, 20, 1, 4, 0.5f, -2);
    body->Save(At("one.tnb"), 0, 0);
    const unsigned char expected[] = {
        0x42, 0x31, 0x31, 0x31, 0x42, 0x6F, 0x64, 0x79, 0x0D, 0x0A, 0x01, 0x00, 0x00, 0x00, 0x00,
        0x00, 0x00, 0x00, 0x00, 0x00, 0x20, 0x41, 0x00, 0x00, 0xA0, 0x41, 0x00, 0x00, 0x80, 0x3F,
        0x00, 0x00, 0x80, 0x40, 0x00, 0x00, 0x00, 0x3F, 0xFE, 0xFF, 0xFF, 0xFF, 0x4D, 0x61, 0x73,
        0x73, 0x0D, 0x0A, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF,
        0xFF, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF,
        0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF};
    ASSERT_EQ(sizeof expected, 86u);
    EXPECT_EQ(ReadAll(dir / "one.tnb"), std::string(reinterpret_cast<const char*>(expected), 86));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

// A save that could not be written says so, as the procedural form does;
// the caller's check for 0 still means "written".
TEST_F(BodyFile, ASaveThatCannotBeWrittenReturnsMinusOne) {
    core::Ref<TAdvBody> body = GappyBody();
    EXPECT_EQ(body->Save(At("missing/gappy.tnb"), 0, 1), -1);
    EXPECT_FALSE(fs::exists(dir / "missing"));
    fs::create_directory(dir / "folder.tnb");
    EXPECT_EQ(body->Save(At("folder.tnb"), 0, 1), -1);
    EXPECT_TRUE(fs::is_empty(dir / "folder.tnb"));
    EXPECT_EQ(AdvBodySave(body, At("missing/gappy.tnb"), 0, 1), -1);
    EXPECT_EQ(AdvBodySave(body, At("gappy.tnb"), 0, 1), 0);
    EXPECT_TRUE(fs::exists(dir / "gappy.tnb"));
}

TEST_F(BodyFile, RoundTripWithEmbeddedImages) {
    EXPECT_EQ(GappyBody()->Save(At("gappy.tnb"), 0, 1), 0);
    EXPECT_FALSE(fs::exists(dir / "gappy_img0.png"));
    core::Ref<TAdvBody> loaded = TAdvBody::Load(At("gappy.tnb"), 0);
    ASSERT_TRUE(loaded);
    ExpectSameAsGappy(*loaded);
    EXPECT_EQ(constraintList->Count(), 0);
}

TEST_F(BodyFile, RoundTripWithSeparateImages) {
    GappyBody()->Save(At("gappy.tnb"), 0, 0);
    EXPECT_TRUE(fs::exists(dir / "gappy_img0.png"));
    EXPECT_FALSE(fs::exists(dir / "gappy_img1.png"));
    EXPECT_TRUE(fs::exists(dir / "gappy_img2.png"));
    core::Ref<TAdvBody> loaded = TAdvBody::Load(At("gappy.tnb"), 1);
    ASSERT_TRUE(loaded);
    ExpectSameAsGappy(*loaded);
    EXPECT_EQ(constraintList->Count(), 2); // activated
}

TEST_F(BodyFile, OlderVersionsAndTheirLayouts) {
    WriteAll(dir / "old_img0.png", "");
    draw2d::SavePixmapPNG(Picture(0, 1)->Lock(0, 1, 0), At("old_img0.png"), 5);
    auto file = [](const std::string& magic, bool appearance) {
        Bytes b;
        b.Raw(magic).Line("Old").Int(2);
        for (int k = 0; k < 2; ++k) {
            b.Int(k).Float(10.0f * k).Float(0).Float(1).Float(2).Float(0).Int(0);
            b.Line("m").Byte(0).Float(0).Float(0);
        }
        b.Int(-1).Int(1).Int(0).Int(0).Int(1).Float(0).Float(1).Line("c").Int(-1);
        b.Int(1).Int(0).Byte(1).Byte(2).Byte(3).Byte(0).Float(0).Float(0).Int(-1);
        b.Int(1).Int(0).Int(0).Int(1).Int(0).Float(45);
        if (appearance) b.Float(2).Float(3).Byte(51).Byte(102).Byte(255).Float(0.5f).Byte(4);
        return b.Line("r").Int(-1).data;
    };
    WriteAll(dir / "old.tnb", file("BODY", false));
    core::Ref<TAdvBody> v103 = TAdvBody::Load(At("old.tnb"), 0);
    ASSERT_TRUE(v103);
    EXPECT_EQ(v103->RigGetName(0), "r");
    float sx, sy;
    v103->RigGetScale(0, sx, sy);
    EXPECT_EQ(sx, 1.0f);
    EXPECT_EQ(v103->RigGetBlend(0), 1);
    EXPECT_EQ(v103->RigGetAlpha(0), 1.0f);
    int red, green, blue;
    draw2d::GetMaskColor(red, green, blue);
    EXPECT_EQ(red * 100 + green * 10 + blue, 123); // the last image record's

    WriteAll(dir / "old.tnb", file("B110", true));
    core::Ref<TAdvBody> v110 = TAdvBody::Load(At("old.tnb"), 0);
    ASSERT_TRUE(v110);
    v110->RigGetScale(0, sx, sy);
    EXPECT_EQ(sy, 3.0f);
    v110->RigGetColor(0, red, green, blue);
    EXPECT_EQ(green, 102);
    EXPECT_EQ(v110->RigGetBlend(0), 4);
    EXPECT_FLOAT_EQ(v110->RigGetAngle(0), 45);

    // 111 with the embed flag 0 reads the same separate image.
    std::string v111 = file("B111", true);
    const std::size_t flagAt = v111.find("c\r\n") + 3 + 4;
    v111.insert(flagAt, 1, '\0');
    WriteAll(dir / "old.tnb", v111);
    EXPECT_TRUE(TAdvBody::Load(At("old.tnb"), 0));
}

TEST_F(BodyFile, GroupsAreRemappedPerLoad) {
    auto body = core::Make<TAdvBody>();
    body->MassAdd(0, 0, 1, 1, 0, -5);
    body->MassAdd(0, 0, 1, 1, 0, -5);
    body->MassAdd(0, 0, 1, 1, 0, -6);
    body->MassAdd(0, 0, 1, 1, 0, 4);
    body->Save(At("groups.tnb"), 0, 0);
    auto first = TAdvBody::Load(At("groups.tnb"), 0);
    auto second = TAdvBody::Load(At("groups.tnb"), 0);
    ASSERT_TRUE(first && second);
    for (const auto& b : {first, second}) {
        EXPECT_EQ(b->MassGetColGroup(0), b->MassGetColGroup(1));
        EXPECT_NE(b->MassGetColGroup(0), b->MassGetColGroup(2));
        EXPECT_EQ(b->MassGetColGroup(3), 4);
    }
    EXPECT_NE(first->MassGetColGroup(0), second->MassGetColGroup(0));
    EXPECT_NE(first->MassGetColGroup(2), second->MassGetColGroup(2));
}

TEST_F(BodyFile, MassesOfGroupMinusOneInTheFileShareOneGroup) {
    Bytes b;
    b.Raw("B111").Line("G").Int(2);
    for (int k = 0; k < 2; ++k) {
        b.Int(k).Float(0).Float(0).Float(1).Float(1).Float(0).Int(-1).Line("m").Byte(0);
        b.Float(0).Float(0);
    }
    b.Int(-1).Int(0).Int(-1).Byte(0).Int(0).Int(-1).Int(0).Int(-1);
    WriteAll(dir / "auto.tnb", b.data);
    auto body = TAdvBody::Load(At("auto.tnb"), 0);
    ASSERT_TRUE(body);
    EXPECT_EQ(body->MassGetColGroup(0), body->MassGetColGroup(1));
    EXPECT_LT(body->MassGetColGroup(0), -1);
}

TEST_F(BodyFile, AFrozenMassLoadsAtRest) {
    Bytes b;
    b.Raw("B111").Line("F").Int(1).Int(0).Float(5).Float(5).Float(1).Float(1).Float(0).Int(0);
    b.Line("m").Byte(1).Float(3).Float(4).Int(-1).Int(0).Int(-1).Byte(0).Int(0).Int(-1);
    b.Int(0).Int(-1);
    WriteAll(dir / "frozen.tnb", b.data);
    auto body = TAdvBody::Load(At("frozen.tnb"), 0);
    ASSERT_TRUE(body);
    EXPECT_EQ(body->MassIsFrozen(0), 1);
    EXPECT_EQ(body->MassGetVelocity(0), 0.0f);
}

TEST_F(BodyFile, CopySharesImagesButNotSlots) {
    auto source = GappyBody();
    source->Activate();
    auto copy = source->Copy();
    ExpectSameAsGappy(*copy);
    EXPECT_EQ(copy->conList->Count(), 0);
    EXPECT_EQ(copy->ImageGet(0), source->ImageGet(0));
    EXPECT_NE(copy->MassGet(0), source->MassGet(0));
    EXPECT_EQ(copy->RigGet(0)->mass, copy->MassGet(0));
    EXPECT_EQ(copy->RigGet(0)->con, copy->ConGet(0));
    EXPECT_NE(copy->MassGetColGroup(0), source->MassGetColGroup(0));
    copy->ImageRemove(0);
    EXPECT_TRUE(source->ImageGet(0));
    EXPECT_TRUE(source->RigGet(0));
}

TEST_F(BodyFile, SaveBacksUpAndAddsTheExtension) {
    auto body = GappyBody();
    WriteAll(dir / "ooze.tnb", "old body");
    body->Save(At("ooze.tnb"), 1, 1);
    EXPECT_EQ(ReadAll(dir / "ooze.tnb.bak"), "old body");
    const std::string saved = ReadAll(dir / "ooze.tnb");
    EXPECT_EQ(saved.substr(0, 4), "B111");

    // Without an extension: the existence test looks at "ooze" itself.
    fs::remove(dir / "ooze.tnb.bak");
    body->SetName("Second");
    body->Save(At("ooze"), 1, 0);
    EXPECT_FALSE(fs::exists(dir / "ooze.tnb.bak"));
    EXPECT_FALSE(fs::exists(dir / "ooze.bak"));
    EXPECT_NE(ReadAll(dir / "ooze.tnb"), saved);
    EXPECT_TRUE(fs::exists(dir / "ooze_img2.png"));

    WriteAll(dir / "plain", "x");
    body->Save(At("plain"), 1, 1);
    EXPECT_EQ(ReadAll(dir / "plain.bak"), "x");
    EXPECT_FALSE(fs::exists(dir / "plain")); // replaced by plain.tnb
    EXPECT_TRUE(TAdvBody::Load(At("plain.tnb"), 0));

    fs::create_directory(dir / "folder");
    body->Save(At("folder"), 1, 1);
    EXPECT_FALSE(fs::exists(dir / "folder.tnb"));
    EXPECT_TRUE(fs::is_directory(dir / "folder"));
}

TEST_F(BodyFile, ASaveThatCannotWriteKeepsTheOldFile) {
    WriteAll(dir / "keep.tnb", "precious");
    auto body = core::Make<TAdvBody>();
    body->MassAdd(1, 1, 1, 1, 0, 0);
    body->ImageAdd(draw2d::TImage::Create(0, 0, 0, 0, 0, 0, 0)); // no frame to write
    body->Save(At("keep.tnb"), 0, 1);
    EXPECT_EQ(ReadAll(dir / "keep.tnb"), "precious");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

class DamagedBodyFile : public BodyFile {
  protected:
    // Loads the bytes and expects none, with the mask colour and the group
    // counter as they were.
    void ExpectRejected(const std::string& bytes) {
        WriteAll(dir / "bad.tnb", bytes);
        draw2d::SetMaskColor(9, 8, 7);
        const int groups = nextColGroup;
        EXPECT_FALSE(TAdvBody::Load(At("bad.tnb"), 1));
        int r, g, b;
        draw2d::GetMaskColor(r, g, b);
        EXPECT_EQ(r * 100 + g * 10 + b, 987);
        EXPECT_EQ(nextColGroup, groups);
        EXPECT_EQ(constraintList->Count() + massList->Count(), 0);
    }
    static Bytes Head(int massCount) {
        return std::move(Bytes().Raw("B111").Line("D").Int(massCount));
    }
    static Bytes& Mass(Bytes& b, int slot) {
        return b.Int(slot)
            .Float(0)
            .Float(0)
            .Float(1)
            .Float(1)
            .Float(0)
            .Int(-3)
            .Line("m")
            .Byte(0)
            .Float(0)
            .Float(0);
    }
};

TEST_F(DamagedBodyFile, EveryTruncationIsRejected) {
    GappyBody()->Save(At("whole.tnb"), 0, 1);
    const std::string whole = ReadAll(dir / "whole.tnb");
    ASSERT_TRUE(TAdvBody::Load(At("whole.tnb"), 0));
    for (std::size_t n = 0; n < whole.size(); ++n) ExpectRejected(whole.substr(0, n));
}

TEST_F(DamagedBodyFile, MagicMissingFilesAndFolders) {
    ExpectRejected("X111" + ReadAll(dir / "none"));
    EXPECT_FALSE(TAdvBody::Load(At("missing.tnb"), 0));
    EXPECT_FALSE(TAdvBody::Load(dir.string(), 0));
}

TEST_F(DamagedBodyFile, CountsAndIndicesOutsideTheTables) {
    ExpectRejected(Head(-1).Int(-1).data);
    ExpectRejected(Head(2000000000).Int(-1).data); // cannot fit in the bytes left
    Bytes outside = Head(1);
    ExpectRejected(Mass(outside, 1).Int(-1).data);
    Bytes negative = Head(1);
    ExpectRejected(Mass(negative, -2).Int(-1).data);
    // Gaps the file does not pay for are fine up to a limit.
    Bytes gaps = Head(4000);
    Mass(gaps, 3999).Int(-1).Int(0).Int(-1).Byte(0).Int(0).Int(-1).Int(0).Int(-1);
    WriteAll(dir / "gaps.tnb", gaps.data);
    auto body = TAdvBody::Load(At("gaps.tnb"), 0);
    ASSERT_TRUE(body);
    EXPECT_EQ(body->MassMaxIndex(), 3999);
}

TEST_F(DamagedBodyFile, PartsThatNameEmptySlots) {
    auto twoMasses = [] {
        Bytes b = Head(3);
        Mass(b, 0);
        Mass(b, 2);
        return b.Int(-1);
    };
    Bytes con = twoMasses();
    ExpectRejected(con.Int(1).Int(0).Int(1).Int(0).Float(1).Float(1).Line("c").Int(-1).data);
    Bytes conOutside = twoMasses();
    ExpectRejected(conOutside.Int(1).Int(0).Int(9).Int(0).Float(1).Float(1).Line("c").Int(-1).data);

    auto withImage = [&] {
        Bytes b = twoMasses();
        b.Int(1).Int(0).Int(0).Int(2).Float(1).Float(1).Line("c").Int(-1).Byte(0);
        return b.Int(2).Int(1).Byte(0).Byte(0).Byte(0).Byte(0).Float(0).Float(0).Int(-1);
    };
    draw2d::SavePixmapPNG(Picture(0, 1)->Lock(0, 1, 0), At("bad_img1.png"), 5);
    auto rig = [&](int image, int mass, int con) {
        Bytes b = withImage();
        b.Int(1).Int(0).Int(image).Int(mass).Int(con).Float(0);
        b.Float(1).Float(1).Byte(255).Byte(255).Byte(255).Float(1).Byte(1).Line("r").Int(-1);
        return b.data;
    };
    WriteAll(dir / "good.tnb", rig(1, 2, 0));
    fs::copy_file(dir / "bad_img1.png", dir / "good_img1.png");
    ASSERT_TRUE(TAdvBody::Load(At("good.tnb"), 0)); // the baseline loads
    ExpectRejected(rig(0, 2, 0));                   // empty image slot
    ExpectRejected(rig(1, 1, 0));                   // empty mass slot
    ExpectRejected(rig(1, 2, 1));                   // constraint slot outside
    ExpectRejected(rig(1, 2, -1).substr(0, 0) + rig(7, 2, -1));
    fs::remove(dir / "bad_img1.png");
    ExpectRejected(rig(1, 2, -1)); // the separate image is missing
}

TEST_F(DamagedBodyFile, AnEmbeddedImageThatIsNoPNG) {
    Bytes b = Head(0);
    b.Int(-1).Int(0).Int(-1).Byte(1).Int(1).Int(0).Byte(0).Byte(0).Byte(0).Byte(0);
    b.Float(0).Float(0).Raw("not a png at all").Int(-1).Int(0).Int(-1);
    ExpectRejected(b.data);
}

// Up to the largest sizes a header can state, where the pixel count and the
// bytes it needs overflow 64-bit signed arithmetic (which a UBSan build checks).
TEST_F(DamagedBodyFile, APNGHeaderClaimingMorePixelsThanItsBytesHold) {
    const std::uint32_t claims[][2] = {
        {0x4000, 0x4000}, {0xffffffff, 0x7fffffff}, {0xffffffff, 0xffffffff}};
    for (const auto& [width, height] : claims) {
        unsigned char header[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0,
                                  0,    13,  'I', 'H', 'D',  'R',  0,    0,    0, 0,
                                  0,    0,   0,   0,   8,    6,    0,    0,    0};
        for (int k = 0; k < 4; ++k) {
            header[16 + k] = static_cast<unsigned char>(width >> (24 - 8 * k));
            header[20 + k] = static_cast<unsigned char>(height >> (24 - 8 * k));
        }
        Bytes b = Head(0);
        b.Int(-1).Int(0).Int(-1).Byte(1).Int(1).Int(0).Byte(0).Byte(0).Byte(0).Byte(0);
        b.Float(0).Float(0).Put(header, sizeof header).Int(-1).Int(0).Int(-1);
        SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
        ExpectRejected(b.data);
    }
}

// A square of four masses with a compliant edge and a pressure constraint.
core::Ref<TAdvBody> Balloon() {
    auto body = core::Make<TAdvBody>();
    const float corners[] = {0, 0, 10, 0, 10, 10, 0, 10};
    for (int k = 0; k < 4; ++k) body->MassAdd(corners[2 * k], corners[2 * k + 1], 1, 1, 0, -1);
    body->ConSetCompliance(body->ConAdd(0, 1, 0, 1), 0.5f, 0.25f);
    body->ConAdd(1, 2, 0, 1);
    const int gas = body->ConAddPressure({3, 2, 1, 0}, 0, 0.75f);
    body->ConSetCompliance(gas, 100, 1);
    return body;
}

TEST_F(BodyFile, PressureAndComplianceMakeVersion112AndRoundTrip) {
    Balloon()->Save(At("balloon.tnb"), 0, 1);
    EXPECT_EQ(ReadAll(dir / "balloon.tnb").substr(0, 4), "B112");
    core::Ref<TAdvBody> loaded = TAdvBody::Load(At("balloon.tnb"), 0);
    ASSERT_TRUE(loaded);
    EXPECT_FLOAT_EQ(loaded->ConGetCompliance(0), 0.5f);
    EXPECT_FLOAT_EQ(loaded->ConGet(0)->GetDampingRatio(), 0.25f);
    EXPECT_FLOAT_EQ(loaded->ConGetCompliance(1), -1);
    TConstraint* gas = loaded->ConGet(2);
    ASSERT_TRUE(gas && gas->IsPressure());
    ASSERT_EQ(gas->GetRingSize(), 4);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(gas->GetRingMass(k), loaded->MassGet(3 - k));
    EXPECT_FLOAT_EQ(gas->GetRestLength(), 100);
    EXPECT_FLOAT_EQ(gas->GetLength(), 100); // wound the other way, still positive
    EXPECT_FLOAT_EQ(gas->GetStiffness(), 0.75f);
    EXPECT_FLOAT_EQ(gas->GetCompliance(), 100);

    // The copy keeps rings and materials too, in its own masses.
    core::Ref<TAdvBody> copy = loaded->Copy();
    ASSERT_TRUE(copy->ConGet(2) && copy->ConGet(2)->IsPressure());
    EXPECT_EQ(copy->ConGet(2)->GetRingMass(0), copy->MassGet(3));
    EXPECT_FLOAT_EQ(copy->ConGetCompliance(0), 0.5f);
}

TEST_F(BodyFile, ABodyWithoutPressureOrComplianceStaysVersion111) {
    auto body = Balloon();
    body->ConRemove(2);
    body->ConSetCompliance(0, -1, 0);
    body->Save(At("plain.tnb"), 0, 1);
    EXPECT_EQ(ReadAll(dir / "plain.tnb").substr(0, 4), "B111");
    EXPECT_TRUE(TAdvBody::Load(At("plain.tnb"), 0));
}

TEST_F(DamagedBodyFile, RingsThatNameTooFewOrMissingOrRepeatedMasses) {
    // Four masses, then one constraint record of version 112 with the ring given.
    auto file = [](int first, int second, std::vector<int> ring, int claimed) {
        Bytes b;
        b.Raw("B112").Line("D").Int(5);
        for (int k = 0; k < 4; ++k) Mass(b, k);
        b.Int(-1).Int(1).Int(0).Int(first).Int(second).Float(0).Float(1).Line("c");
        b.Float(-1).Float(0).Int(claimed);
        for (int slot : ring) b.Int(slot);
        b.Int(-1).Byte(1).Int(0).Int(-1).Int(0).Int(-1);
        return b.data;
    };
    WriteAll(dir / "ok.tnb", file(0, 1, {0, 1, 2}, 3));
    core::Ref<TAdvBody> ok = TAdvBody::Load(At("ok.tnb"), 0);
    ASSERT_TRUE(ok); // the hand-made layout is right
    EXPECT_EQ(ok->ConGet(0)->GetRingSize(), 3);

    ExpectRejected(file(0, 1, {0}, 1));             // a ring of one
    ExpectRejected(file(0, 1, {0, 1}, 2));          // or of two
    ExpectRejected(file(0, 1, {0, 1, 4}, 3));       // an empty slot
    ExpectRejected(file(0, 1, {0, 1, 0}, 3));       // a mass twice
    ExpectRejected(file(1, 0, {0, 1, 2}, 3));       // not the ring's first two
    ExpectRejected(file(0, 1, {0, 1, 2}, 1 << 30)); // more than the file holds
    ExpectRejected(file(0, 1, {0, 1, 2}, -3));      // a negative count
}

} // namespace
