#include "game/media.h"

namespace game {
namespace {

template <class T> core::Ref<T> Require(core::Ref<T> loaded, const std::string& path) {
    if (!loaded) throw MediaError(path);
    return loaded;
}

} // namespace

core::Ref<draw2d::TImage> LoadGameImage(const std::string& path, int flags) {
    return Require(draw2d::LoadImage(path, flags), path);
}

core::Ref<draw2d::TImage> LoadGameAnimImage(const std::string& path, int cellWidth, int cellHeight,
                                            int first, int count, int flags) {
    return Require(draw2d::LoadAnimImage(path, cellWidth, cellHeight, first, count, flags), path);
}

core::Ref<kel::tangle::TAdvBody> LoadGameBody(const std::string& path, int activate) {
    return Require(kel::tangle::TAdvBody::Load(path, activate), path);
}

core::Ref<kel::tangle::TZone> LoadGameZone(const std::string& path) {
    return Require(kel::tangle::TZone::Load(path), path);
}

} // namespace game
