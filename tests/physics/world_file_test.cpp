// World files: a loaded world steps exactly as the saved one; a damaged file
// of any kind is refused with a reason and leaves the world as it was.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "pile.h"
#include "scene.h"
#include "snapshot_scenes.h"

namespace {

using namespace scene;
namespace fs = std::filesystem;
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

void PutIntAt(Bytes& b, std::size_t at, int v) { std::memcpy(b.data() + at, &v, 4); }

// Where the header's fields are: magic, version, 17 settings, then the
// picture count.
constexpr std::size_t kVersionAt = 4, kPictureCountAt = 8 + 17 * 4;

class WorldFile : public PhysicsTest {
  protected:
    void SetUp() override {
        PhysicsTest::SetUp();
        dir_ = fs::path(::testing::TempDir()) / ("world_file_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override {
        fs::remove_all(dir_);
        PhysicsTest::TearDown();
    }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    fs::path dir_;
};

TEST_F(WorldFile, LoadedSceneryStepsAsTheSavedOne) {
    std::uint64_t saved = 0, savedContacts = 0;
    {
        Scenery scene;
        TPhysics::TrackContacts(1);
        for (int k = 0; k < 20; ++k) TPhysics::Update();
        ASSERT_EQ(TPhysics::SaveWorld(Path("scenery"), 0, {scene.adv, scene.plain}), 0);
        savedContacts = TrackedContactsHash(100);
        saved = StepAndHash(500);
        TPhysics::Free();
    }
    TPhysics::Create(10, 10, 0, 0, 1); // a fresh world, nothing like the saved one
    Enter(5, 5, 1, -1);
    std::string error;
    core::Ref<TWorldSnapshot> loaded = TPhysics::LoadWorld(Path("scenery.tnw"), error);
    ASSERT_TRUE(loaded) << error;
    EXPECT_EQ(error, "");
    ASSERT_EQ(loaded->BodyCount(), 2);
    auto* adv = dynamic_cast<TAdvBody*>(loaded->GetBody(0));
    ASSERT_TRUE(adv);
    ASSERT_TRUE(adv->RigGet(0));
    ASSERT_TRUE(adv->RigGet(0)->GetImage());
    EXPECT_EQ(adv->RigGet(0)->GetImage()->width, 4);
    EXPECT_EQ(adv->RigGet(0)->GetConstraint(), adv->ConGet(12));
    EXPECT_EQ(adv->ConGet(13)->IsPressure(), 1);
    EXPECT_FLOAT_EQ(adv->ConGet(12)->GetCompliance(), 0.05f);
    EXPECT_EQ(loaded->GetBody(1)->conList->Count(), 8);
    // Responses are code: the program puts its own back.
    int k = 0;
    for (TZone* z : zoneList->Each<TZone>()) {
        if (k++ == 2) z->OverrideCollision(&Scenery::Bouncy);
    }
    EXPECT_EQ(TPhysics::TracksContacts(), 1);
    EXPECT_EQ(TrackedContactsHash(100), savedContacts);
    EXPECT_EQ(StepAndHash(500), saved);
}

// Angles and shapes need version 3; the world they are in steps the same
// after a load, and a damaged kind or parameter count is refused.
TEST_F(WorldFile, AnglesAndShapesLoadAndStepAsSaved) {
    TPhysics::Create(800, 800, 0.1f, 0, 4);
    TZone::Create({0, 700, 800, 700, 800, 800, 0, 800}, TZone::FILL, 0.5f, TakeAutoColGroup(), 4);
    TShapeDef def;
    def.outline = {300, 100, 420, 100, 420, 160, 360, 160, 360, 220, 300, 220}; // an L
    def.pressure = 0.5f;
    core::Ref<TAdvBody> body = BuildShape(def);
    const int hinge = body->ConAddAngle(0, 1, 2, 0, 0.5f);
    body->ConGet(hinge)->SetAngleLimits(120, 240);
    body->Activate();
    for (int k = 0; k < 30; ++k) TPhysics::Update();
    ASSERT_EQ(TPhysics::SaveWorld(Path("kinds"), 0, {body}), 0);
    const Bytes saved = ReadFile(Path("kinds.tnw"));
    int version = 0;
    std::memcpy(&version, saved.data() + kVersionAt, 4);
    EXPECT_EQ(version, 3);
    const std::uint64_t hash = StepAndHash(300);
    TPhysics::Free();
    std::string error;
    core::Ref<TWorldSnapshot> loaded = TPhysics::LoadWorld(Path("kinds.tnw"), error);
    ASSERT_TRUE(loaded) << error;
    auto* adv = dynamic_cast<TAdvBody*>(loaded->GetBody(0));
    ASSERT_TRUE(adv);
    EXPECT_EQ(adv->ConGet(hinge)->GetKind(), TConstraint::ANGLE);
    float lower = 0, upper = 0;
    adv->ConGet(hinge)->GetAngleLimits(lower, upper);
    EXPECT_EQ(lower, 120);
    EXPECT_EQ(upper, 240);
    EXPECT_EQ(StepAndHash(300), hash);
}

TEST_F(WorldFile, LoadedSleepingPileStepsAsTheSavedOne) {
    std::uint64_t saved = 0;
    {
        Pile pile(20, 0.5f);
        TPhysics::SetStacking(1);
        TPhysics::SetSleep(0.05f, 30);
        for (int k = 0; k < 3000 && TPhysics::AwakeCount() > 0; ++k) TPhysics::Update();
        for (int k = 0; k < 40; ++k) Enter(100 + 20.0f * k, 1700, 4, -1, 0.5f);
        for (int k = 0; k < 5; ++k) TPhysics::Update();
        ASSERT_GT(TPhysics::AwakeCount(), 0);
        ASSERT_LT(TPhysics::AwakeCount(), massList->Count());
        ASSERT_EQ(TPhysics::SaveWorld(Path("pile.tnw"), 0, {pile.body}), 0);
        saved = StepAndHash(600);
    }
    TPhysics::Free();
    // The loaded bodies hold their constraints in the world: they are kept.
    core::Ref<TWorldSnapshot> loaded = TPhysics::LoadWorld(Path("pile.tnw"));
    ASSERT_TRUE(loaded) << "a world is made when there is none";
    EXPECT_EQ(StepAndHash(600), saved);
    // Without them, the pairs come apart.
    loaded = nullptr;
    EXPECT_EQ(constraintList->Count(), 0);
}

// A small world whose file has a picture, a quadtree, every table and a
// sleeping island.
class DamagedWorldFile : public WorldFile {
  protected:
    void SetUp() override {
        WorldFile::SetUp();
        TPhysics::Create(200, 200, 0.1f, 0, 2);
        TPhysics::UseShiftedGrid(1);
        TPhysics::SetSleep(0.05f, 5);
        core::Ref<TZone> floor =
            TZone::Create({0, 150, 200, 150, 200, 160, 0, 160}, TZone::FILL, 0.5f, 0, 2);
        body_ = core::Make<TAdvBody>();
        body_->MassAdd(50, 140, 1, 5, 0.5f, -1);
        body_->MassAdd(60, 140, 1, 5, 0.5f, -1);
        body_->ConAdd(0, 1, 0, 0.5f);
        body_->images.Add(draw2d::TImage::Create(2, 2, 1, 0, 0, 0, 0));
        body_->RigAdd(0, 0, 0, 0);
        body_->Activate();
        for (int k = 0; k < 200; ++k) TPhysics::Update();
        ASSERT_EQ(TPhysics::SaveWorld(Path("small.tnw"), 0, {body_}), 0);
        bytes_ = ReadFile(Path("small.tnw"));
        // What stays on failure: a different world with a mass that moves.
        TPhysics::Create(300, 300, 0.2f, 0, 1);
        Enter(100, 100, 3, -1);
        TPhysics::Update();
        before_ = WorldHash();
    }
    // Loads the bytes; expects a refusal whose reason contains `why`, and
    // the world as it was.
    void ExpectRefused(const Bytes& bytes, const std::string& why) {
        WriteFile(Path("bad.tnw"), bytes);
        std::string error;
        EXPECT_FALSE(TPhysics::LoadWorld(Path("bad.tnw"), error));
        EXPECT_NE(error.find(why), std::string::npos) << "reason: " << error;
        EXPECT_EQ(WorldHash(), before_);
        EXPECT_EQ(massList->Count(), 1);
        EXPECT_EQ(zoneList->Count(), 0);
        EXPECT_EQ(currentWorld->boundsMaxX, 300);
    }
    core::Ref<TAdvBody> body_;
    Bytes bytes_;
    std::uint64_t before_ = 0;
};

TEST_F(DamagedWorldFile, EveryTruncationIsRefused) {
    ASSERT_GT(bytes_.size(), 200u);
    int refused = 0;
    for (std::size_t n = 0; n < bytes_.size(); ++n) {
        WriteFile(Path("cut.tnw"), Bytes(bytes_.begin(), bytes_.begin() + n));
        std::string error;
        if (!TPhysics::LoadWorld(Path("cut.tnw"), error) && !error.empty()) ++refused;
    }
    EXPECT_EQ(refused, static_cast<int>(bytes_.size()));
    ExpectRefused(Bytes(bytes_.begin(), bytes_.end() - 1), "truncated");
    // The whole file still loads, and only then is the world replaced.
    WriteFile(Path("whole.tnw"), bytes_);
    core::Ref<TWorldSnapshot> loaded = TPhysics::LoadWorld(Path("whole.tnw"));
    ASSERT_TRUE(loaded);
    EXPECT_EQ(massList->Count(), 2);
    EXPECT_EQ(zoneList->Count(), 1);
}

TEST_F(DamagedWorldFile, WrongVersionMagicAndTrailingBytesAreRefused) {
    Bytes b = bytes_;
    PutIntAt(b, kVersionAt, 6); // newer than this library reads
    ExpectRefused(b, "version 6");
    b = bytes_;
    b[0] = 'X';
    ExpectRefused(b, "not a world file");
    b = bytes_;
    b.push_back(0);
    ExpectRefused(b, "bytes follow");
}

TEST_F(DamagedWorldFile, CountsLargerThanTheFileAreRefused) {
    for (int count : {0x7fffffff, 1 << 20, -1}) {
        Bytes b = bytes_;
        PutIntAt(b, kPictureCountAt, count);
        ExpectRefused(b, count < 0 ? "claims -1" : "more than its size allows");
    }
}

TEST_F(DamagedWorldFile, EveryDamagedIntegerIsRefusedOrLoadsSafely) {
    // Each 4-byte word in turn set to values that name nothing: the load
    // either refuses with a reason or gives a world whose step keeps its
    // invariants.
    int refused = 0, accepted = 0;
    for (std::size_t at = 8; at + 4 <= bytes_.size(); at += 4) {
        for (int value : {-2, 4096, 1 << 24}) {
            Bytes b = bytes_;
            PutIntAt(b, at, value);
            WriteFile(Path("bent.tnw"), b);
            std::string error;
            core::Ref<TWorldSnapshot> loaded = TPhysics::LoadWorld(Path("bent.tnw"), error);
            if (!loaded) {
                EXPECT_FALSE(error.empty());
                ++refused;
                continue;
            }
            ++accepted;
            currentWorld->i = 1; // a bent pass count would only take long
            TPhysics::Update();
            const char* broken =
                detail::TStepAccess::Of(*currentWorld).BrokenInvariant(*currentWorld);
            EXPECT_EQ(broken, nullptr) << broken << " with " << value << " at byte " << at;
        }
    }
    EXPECT_GT(refused, 50);
    EXPECT_GT(accepted, 0);
}

TEST_F(WorldFile, SaveAddsTheExtensionAndKeepsABackup) {
    TPhysics::Create(100, 100, 0.1f, 0, 1);
    Enter(10, 10, 2, -1);
    ASSERT_EQ(TPhysics::SaveWorld(Path("w"), 1), 0);
    ASSERT_TRUE(fs::exists(Path("w.tnw")));
    const Bytes first = ReadFile(Path("w.tnw"));
    Enter(20, 10, 2, -1);
    ASSERT_EQ(TPhysics::SaveWorld(Path("w.tnw"), 1), 0);
    EXPECT_EQ(ReadFile(Path("w.tnw.bak")), first);
    EXPECT_NE(ReadFile(Path("w.tnw")), first);
    EXPECT_EQ(TPhysics::SaveWorld(dir_.string(), 0), -1) << "a directory is no world file";
    EXPECT_EQ(TPhysics::SaveWorld(Path("missing/w.tnw"), 0), -1) << "no folder to write in";
    TPhysics::Free();
    EXPECT_EQ(TPhysics::SaveWorld(Path("none"), 0), -1);
}

} // namespace
