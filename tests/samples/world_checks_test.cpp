// The checks every scene's run must pass, the command line, and the
// sample files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>

#include "physics/tangle.h"
#include "samples/builders.h"
#include "samples/command_line.h"
#include "samples/figures.h"
#include "samples/mass_drag.h"
#include "samples/sample_files.h"
#include "samples/scene_table.h"
#include "tools/samples/sample_files.h"

using namespace samples;
using kel::tangle::TMass;
using kel::tangle::TPhysics;

namespace {

constexpr Material kBall{.mass = 1, .radius = 4, .friction = 0, .stiffness = 1, .colGroup = -1};

class WorldCheckTest : public ::testing::Test {
  protected:
    void SetUp() override { world = TPhysics::Create(100, 100, 0.1f, 0, 1); }
    void TearDown() override { TPhysics::Free(); }
    core::Ref<TPhysics> world;
};

TEST_F(WorldCheckTest, AcceptsMassesTouchingTheWorld) {
    AddBall(50, 50, kBall);
    AddBall(-3.9f, 103.9f, kBall); // circle still over the corner
    EXPECT_EQ(CheckWorld(), "");
}

TEST_F(WorldCheckTest, NamesAMassThatLeftTheWorld) {
    AddBall(50, 50, kBall);
    AddBall(50, 104.5f, kBall);
    EXPECT_NE(CheckWorld().find("outside the world"), std::string::npos) << CheckWorld();
}

TEST_F(WorldCheckTest, CatchesNaNAndInfinityEvenInTheLastStepsPosition) {
    core::Ref<TMass> m = AddBall(50, 50, kBall);
    m->oldPosX = std::numeric_limits<float>::quiet_NaN();
    EXPECT_NE(CheckWorld().find("not finite"), std::string::npos);
    m->oldPosX = 50;
    m->posY = std::numeric_limits<float>::infinity();
    EXPECT_NE(CheckWorld().find("not finite"), std::string::npos);
}

TEST_F(WorldCheckTest, RemovedMassesDoNotCount) {
    core::Ref<TMass> m = AddBall(500, 500, kBall);
    m->SubRef();
    EXPECT_EQ(CheckWorld(), "");
    EXPECT_EQ(Measure().masses, 0);
}

TEST_F(WorldCheckTest, DragTakesOnlyWithinReachAndKeepsAFrozenMassFrozen) {
    core::Ref<TMass> a = AddBall(10, 10, kBall), b = AddBall(30, 10, kBall);
    b->Freeze();
    MassDrag drag;
    EXPECT_FALSE(drag.Grab(20, 30, 15)); // both 22 away
    ASSERT_TRUE(drag.Grab(24, 12, 15));
    EXPECT_EQ(drag.Held(), b.Get());
    drag.MoveTo(60, 60);
    drag.Apply();
    drag.Release();
    EXPECT_TRUE(b->IsFrozen());
    EXPECT_EQ(b->posX, 60);
    EXPECT_EQ(b->GetVX(), 0);
}

TEST_F(WorldCheckTest, ReleasedMassKeepsThePointersSpeed) {
    core::Ref<TMass> a = AddBall(10, 10, kBall);
    MassDrag drag;
    ASSERT_TRUE(drag.Grab(10, 10, 1));
    EXPECT_TRUE(a->IsFrozen());
    drag.MoveTo(13, 14);
    drag.Apply();
    drag.Release();
    EXPECT_FALSE(a->IsFrozen());
    EXPECT_FLOAT_EQ(a->GetVX(), 3);
    EXPECT_FLOAT_EQ(a->GetVY(), 4);
}

TEST(CommandLine, ReadsEachForm) {
    EXPECT_EQ(ParseCommandLine({}).mode, CommandLine::Window);
    EXPECT_EQ(ParseCommandLine({"--list"}).mode, CommandLine::List);
    const CommandLine window = ParseCommandLine({"--scene", "cloth"});
    EXPECT_EQ(window.mode, CommandLine::Window);
    EXPECT_EQ(window.scene, FindScene("cloth"));
    const CommandLine run = ParseCommandLine({"--scene", "view", "--steps", "12", "--headless"});
    EXPECT_EQ(run.error, "");
    EXPECT_EQ(run.mode, CommandLine::Headless);
    EXPECT_EQ(run.scene, FindScene("view"));
    EXPECT_EQ(run.steps, 12);
}

TEST(CommandLine, HelpWinsWhereverItStandsAndOverWhatIsWrong) {
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"--help"},
                                               {"-h"},
                                               {"--scene", "cloth", "-h"},
                                               {"--lists", "--help"},
                                               {"--scene", "nothing", "--help"}}) {
        const CommandLine line = ParseCommandLine(args);
        EXPECT_EQ(line.mode, CommandLine::Help) << ::testing::PrintToString(args);
        EXPECT_EQ(line.error, "") << ::testing::PrintToString(args);
    }
    // Only the whole word asks for help.
    EXPECT_NE(ParseCommandLine({"--helpme"}).error, "");
    EXPECT_NE(ParseCommandLine({"-help"}).error, "");
}

TEST(CommandLine, RefusesWhatMakesNoSense) {
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"--scene", "nothing"},
                                               {"--scene"},
                                               {"--headless"},
                                               {"--scene", "pile", "--headless"},
                                               {"--scene", "pile", "--steps", "-3", "--headless"},
                                               {"--scene", "pile", "--steps", "12x", "--headless"},
                                               {"--scene", "pile", "--steps", "5"},
                                               {"--list", "--headless"},
                                               {"--lists"}}) {
        EXPECT_NE(ParseCommandLine(args).error, "") << ::testing::PrintToString(args);
    }
}

TEST(SceneTable, NamesAreUniqueWordsAndEverySceneIsFound) {
    for (std::size_t i = 0; i < Scenes().size(); ++i) {
        const std::string name = Scenes()[i].name;
        EXPECT_EQ(name.find(' '), std::string::npos) << name;
        EXPECT_EQ(FindScene(name), static_cast<int>(i));
    }
    EXPECT_EQ(FindScene("Pile"), -1);
}

std::string Bytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(SampleFiles, TheToolRepeatsTheCommittedFilesByteForByte) {
    const auto dir = std::filesystem::temp_directory_path() / "quorvel-sample-files";
    std::filesystem::remove_all(dir);
    sample_files::WriteSampleFiles(dir.string());
    for (const char* name : {kCrateFile, kRampFile}) {
        const std::string made = Bytes(dir / name);
        ASSERT_FALSE(made.empty()) << name;
        EXPECT_EQ(made, Bytes(std::filesystem::path(QUORVEL_SAMPLE_MEDIA_DIR) / name))
            << name << " differs from what make_sample_files writes";
    }
    std::filesystem::remove_all(dir);
}

} // namespace
