#include "game/world_copy.h"

#include <utility>

namespace game {

using kel::tangle::TAdvBody;
using kel::tangle::TBody;
using kel::tangle::TPhysics;
using kel::tangle::TRig;
using kel::tangle::TZone;

namespace {

// Takes pictures out of their places and puts them back when it goes.
class PicturesAside {
  public:
    PicturesAside() = default;
    ~PicturesAside() {
        for (auto& [place, picture] : aside_) *place = std::move(picture);
    }
    PicturesAside(const PicturesAside&) = delete;
    PicturesAside& operator=(const PicturesAside&) = delete;

    void Take(core::Ref<draw2d::TImage>& place) {
        if (place) aside_.emplace_back(&place, std::exchange(place, nullptr));
    }

  private:
    std::vector<std::pair<core::Ref<draw2d::TImage>*, core::Ref<draw2d::TImage>>> aside_;
};

} // namespace

std::vector<unsigned char> SaveWithoutPictures(TPhysics* world, const std::vector<TBody*>& bodies) {
    PicturesAside aside;
    for (TZone* z : world->Zones()->Each<TZone>()) aside.Take(z->image);
    for (TBody* body : bodies) {
        auto* b = core::As<TAdvBody>(body);
        if (!b) continue;
        for (auto& picture : b->images.slots) aside.Take(picture);
        for (TRig* r : b->rigs.slots)
            if (r) aside.Take(r->image);
    }
    return world->SaveToMemory(bodies);
}

} // namespace game
