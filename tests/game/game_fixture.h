#pragma once
// Plays the real game code headless: the headless GUI back end and the
// recording drawing back end, with the media of the source tree.

#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>

#include "game/field.h"
#include "game/frame.h"
#include "game/globals.h"
#include "game/ooze.h"

namespace gametest {

// Canvas pixel of a blob of the ooze that sits just below a barrel and is in
// view; false when there is none.
inline bool BlobToClick(int& px, int& py) {
    kel::tangle::TAdvBody* ab = game::ooze->ab;
    const float w = static_cast<float>(game::canvas->ClientWidth());
    const float h = static_cast<float>(game::canvas->ClientHeight());
    for (kel::tangle::TAdvBody* b : game::barrelList->Each<kel::tangle::TAdvBody>())
        for (int i = 0; i <= ab->MassMaxIndex(); ++i) {
            if (!ab->MassExists(i) || !ab->MassIsActive(i)) continue;
            const float x = ab->MassGetX(i), y = ab->MassGetY(i);
            if (y <= b->GetY() || y > b->GetY() + 80 || std::fabs(x - b->GetX()) > 40) continue;
            const float sx = kel::tangle::TPhysics::ScreenX(x, y);
            const float sy = kel::tangle::TPhysics::ScreenY(x, y);
            if (sx < 2 || sx > w - 2 || sy < 40 || sy > h - 40) continue;
            px = static_cast<int>(std::lround(sx));
            py = static_cast<int>(std::lround(sy));
            return true;
        }
    return false;
}

class GameTest : public ::testing::Test {
  protected:
    // Each test runs in a process of its own: start the game once per process.
    // (A failure here fails the test; one in SetUpTestSuite would skip it.)
    void SetUp() override {
        static bool started = false;
        ASSERT_FALSE(started) << "one game per process";
        started = true;
        ASSERT_TRUE(gui::UseHeadlessDriver());
        ASSERT_EQ(chdir(QUORVEL_SOURCE_DIR), 0);
        game::exitProgram = [](int) { ADD_FAILURE() << "the game tried to end the program"; };
        game::StartUp();
    }

    draw2d::TRecordingDriver* Recorder() {
        return dynamic_cast<draw2d::TRecordingDriver*>(draw2d::GetGraphicsDriver());
    }

    // One timer tick of the main loop; the record of its frame is kept.
    void Tick() {
        if (auto* r = Recorder()) r->Clear();
        game::Tick();
    }
    void Ticks(int n) {
        for (int k = 0; k < n; ++k) Tick();
    }

    void PressNewGame() { butNewGame()->ReportAction(); }
    static gui::TGadget* butNewGame() { return game::butNewGame; }

    static int BlobCount() {
        int n = 0;
        kel::tangle::TAdvBody* ab = game::ooze->ab;
        for (int i = 0; i <= ab->MassMaxIndex(); ++i) n += ab->MassExists(i);
        return n;
    }

    // Whether this frame drew the image.
    bool Drew(draw2d::TImage* image) {
        for (const auto& r : Recorder()->Records())
            if (r.kind == draw2d::DrawKind::Image && r.image.Get() == image) return true;
        return false;
    }
};

} // namespace gametest
