// The level builder: the shapes the game's rules rely on, and files that
// load back and repeat byte for byte.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tools/media/level.h"
#include "tools/media/media_files.h"

using namespace media;
using kel::tangle::TAdvBody;
using kel::tangle::TZone;

namespace {

std::string Bytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace

TEST(Level, CliffsJoinAndLeaveRoomForTheBarrelColumns) {
    // Copies meet where one's foot is the next one's top.
    const float overlap = kRockHalfHeight - 500;
    for (float worldY = 1000 - overlap; worldY <= 1000 + overlap; worldY += 0.5f)
        EXPECT_NEAR(RockHalfWidth(worldY - 500), RockHalfWidth(worldY - 1500), 0.01f);
    float steepest = 0;
    for (float y = -kRockHalfHeight; y < kRockHalfHeight; y += 1) {
        EXPECT_LT(RockHalfWidth(y), 172) << "the columns at x = 200 and 800 need the room";
        EXPECT_GT(RockHalfWidth(y), 100);
        steepest = std::fmax(steepest, std::fabs(RockHalfWidth(y + 1) - RockHalfWidth(y)));
    }
    EXPECT_LT(steepest, 0.5f) << "a barrel must not find a ledge on the face";
    const std::vector<float> outline = RockOutline();
    const std::size_t n = outline.size() / 2;
    for (std::size_t k = 0; k < n / 2; ++k) { // mirrored about the origin
        EXPECT_FLOAT_EQ(outline[2 * k], -outline[2 * (n - 1 - k)]);
        EXPECT_FLOAT_EQ(outline[2 * k + 1], outline[2 * (n - 1 - k) + 1]);
    }
}

TEST(Level, BarrelIsOneGroupThatFitsItsPlace) {
    core::Ref<TAdvBody> barrel = BuildBarrel();
    ASSERT_EQ(barrel->MassMaxIndex(), 4);
    EXPECT_EQ(barrel->GetX(), 0);
    EXPECT_EQ(barrel->GetY(), 0);
    for (int i = 0; i <= 4; ++i) {
        EXPECT_EQ(barrel->MassGetColGroup(i), -1);
        const float r = barrel->MassGetRadius(i);
        EXPECT_LE(std::fabs(barrel->MassGetX(i)) + r, 27.5f);
        EXPECT_LE(std::fabs(barrel->MassGetY(i)) + r, 27.5f);
    }
    EXPECT_EQ(barrel->ConMaxIndex(), 9);
    ASSERT_TRUE(barrel->RigExists(0));
    EXPECT_EQ(barrel->RigGetMass(0), 0);
    EXPECT_EQ(barrel->ConGetAngle(barrel->RigGetConstraint(0)), 0) << "upright draws upright";
}

TEST(Level, OozeHangsFromFrozenBlobsOnTheCliffs) {
    core::Ref<TAdvBody> ooze = BuildOoze();
    core::Ref<TZone> rock = BuildRock();
    EXPECT_EQ(rock->GetColGroup(), kRockGroup);
    std::vector<int> strands(ooze->MassMaxIndex() + 1, 0);
    for (int j = 0; j <= ooze->ConMaxIndex(); ++j) {
        ++strands[ooze->ConGetMass1(j)];
        ++strands[ooze->ConGetMass2(j)];
        EXPECT_LT(ooze->ConGetRestLength(j), ooze->ConGetLength(j)) << "bands hang taut";
    }
    int frozen = 0;
    for (int i = 0; i <= ooze->MassMaxIndex(); ++i) {
        EXPECT_EQ(ooze->MassGetColGroup(i), kOozeGroup);
        EXPECT_GE(strands[i], 2) << "blob " << i << " dangles";
        const float x = ooze->MassGetX(i), y = ooze->MassGetY(i);
        const float face = std::fmin(x, kWorldWidth - x) - CliffFace(y);
        if (ooze->MassIsFrozen(i)) {
            ++frozen;
            EXPECT_LT(face, kBlobRadius) << "an anchor must touch its cliff";
        } else {
            EXPECT_GT(face, kBlobRadius) << "a free blob starts clear of the cliffs";
        }
        EXPECT_LT(y + kBlobRadius, kFloorTop);
    }
    EXPECT_GT(frozen, 8);
}

TEST(Level, FilesLoadBackAndRepeatByteForByte) {
    const auto base =
        std::filesystem::temp_directory_path() / ("level_test_" + std::to_string(::getpid()));
    ASSERT_EQ(WriteLevelFiles((base / "a").string()), 3);
    ASSERT_EQ(WriteLevelFiles((base / "b").string()), 3);
    for (const char* name : {"rock.tnz", "ooze.tnb", "barrel.tnb"}) {
        const std::string a = Bytes(base / "a" / name);
        EXPECT_FALSE(a.empty()) << name;
        EXPECT_EQ(a, Bytes(base / "b" / name)) << name;
    }
    core::Ref<TZone> rock = TZone::Load((base / "a" / "rock.tnz").string());
    ASSERT_TRUE(rock);
    EXPECT_TRUE(rock->ImageGet()) << "the rock picture travels inside the file";
    core::Ref<TAdvBody> barrel = TAdvBody::Load((base / "a" / "barrel.tnb").string(), 0);
    ASSERT_TRUE(barrel);
    EXPECT_TRUE(barrel->ImageGet(0));
    EXPECT_LT(barrel->MassGetColGroup(0), -1) << "a loaded barrel takes a fresh group";
    core::Ref<TAdvBody> ooze = TAdvBody::Load((base / "a" / "ooze.tnb").string(), 0);
    ASSERT_TRUE(ooze);
    EXPECT_EQ(ooze->MassMaxIndex(), BuildOoze()->MassMaxIndex());
    std::filesystem::remove_all(base);
}
