#pragma once
// A physics test in a world of 1000 x 1000 with a folder of its own for
// the files it writes, named after the test and the process, and removed
// afterwards.

#include <unistd.h>

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "scene.h"

namespace scene {

class ScratchDirTest : public PhysicsTest {
  protected:
    std::filesystem::path dir;

    void SetUp() override {
        PhysicsTest::SetUp();
        TPhysics::Create(1000, 1000, 0, 0, 1);
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = std::filesystem::temp_directory_path() /
              ("quorvel_" + std::string(info->test_suite_name()) + "_" + std::to_string(getpid()) +
               "_" + info->name());
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
    }
    void TearDown() override {
        std::filesystem::remove_all(dir);
        PhysicsTest::TearDown();
    }
    std::string At(const std::string& name) const { return (dir / name).string(); }
};

} // namespace scene
