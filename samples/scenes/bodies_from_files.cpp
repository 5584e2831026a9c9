// Bodies from files: a crate body and a ramp zone loaded from the files in
// samples/media, the crate copied a few times and each copy placed, turned
// and spun with the body operations. The crate's picture is rigged to its
// centre mass and turned by its top edge, so it follows the body.
#include <string>
#include <vector>

#include "physics/tangle.h"
#include "samples/builders.h"
#include "samples/palette.h"
#include "samples/sample_files.h"
#include "samples/scenes/scenes.h"
#include "samples/world_draw.h"

namespace samples {
namespace {

using namespace kel::tangle;

constexpr float kWidth = 800, kHeight = 600;
constexpr float kGravity = 0.1f;
constexpr int kIterations = 3;
constexpr int kCopies = 6;
constexpr float kSpin = 4; // degrees per step given to every other copy

// Whether the body's tables hold exactly the crate's parts, every slot filled.
std::string CheckCrateTables(const TAdvBody& body, const std::string& which) {
    struct Table {
        const char* name;
        int maxIndex, expected;
        int (TAdvBody::*exists)(int) const;
    };
    const Table tables[] = {
        {"masses", body.MassMaxIndex(), kCrateMasses, &TAdvBody::MassExists},
        {"constraints", body.ConMaxIndex(), kCrateConstraints, &TAdvBody::ConExists},
        {"images", body.ImageMaxIndex(), kCrateImages, &TAdvBody::ImageExists},
        {"rigs", body.RigMaxIndex(), kCrateRigs, &TAdvBody::RigExists},
    };
    for (const Table& t : tables) {
        if (t.maxIndex + 1 != t.expected)
            return which + " has " + std::to_string(t.maxIndex + 1) + " slots of " + t.name +
                   ", its file " + std::to_string(t.expected);
        for (int i = 0; i < t.expected; ++i)
            if (!(body.*t.exists)(i))
                return which + ": slot " + std::to_string(i) + " of " + t.name + " is empty";
    }
    return {};
}

class BodiesFromFiles final : public Scene {
  public:
    void SetUp() override {
        world_ = BuildWorld(kWidth, kHeight, kGravity, kIterations, 16);
        ramp_ = TZone::Load(SampleFile(kRampFile));
        crate_ = TAdvBody::Load(SampleFile(kCrateFile), 0);
        if (!crate_) return; // Check says so
        for (int k = 0; k < kCopies; ++k) {
            core::Ref<TAdvBody> copy = crate_->Copy();
            copy->Position(120.0f + 110 * k, 60.0f + 40 * (k % 2));
            copy->Rotate(30.0f * k);
            copy->Activate();
            if (k % 2) copy->Spin(kSpin);
            copies_.push_back(copy);
        }
        crate_->Position(kWidth / 2, 200);
        crate_->Activate();
    }

    // The ramp and the crate's picture bring their colours from their files:
    // drawn untinted, as they were made to be seen.
    void Draw() const override {
        DrawBounds();
        DrawZones(palette::kOwnColours);
        SetColour(palette::kOwnColours);
        if (crate_) crate_->Draw();
        for (const auto& copy : copies_) copy->Draw();
    }

    std::string Check() const override {
        if (!ramp_) return "the ramp did not load from " + SampleFile(kRampFile);
        if (!crate_) return "the crate did not load from " + SampleFile(kCrateFile);
        if (std::string fault = CheckCrateTables(*crate_, "the loaded crate"); !fault.empty())
            return fault;
        for (const auto& copy : copies_)
            if (std::string fault = CheckCrateTables(*copy, "a copy"); !fault.empty()) return fault;
        return {};
    }

  private:
    core::Ref<TPhysics> world_;
    core::Ref<TZone> ramp_;
    core::Ref<TAdvBody> crate_;
    std::vector<core::Ref<TAdvBody>> copies_;
};

} // namespace

std::unique_ptr<Scene> MakeBodiesFromFiles() { return std::make_unique<BodiesFromFiles>(); }

} // namespace samples
