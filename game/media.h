#pragma once
// The game's data files. Every one must load: a missing or unreadable file
// stops the program with a message that names it.

#include <stdexcept>
#include <string>

#include "graphics/draw2d.h"
#include "physics/tangle.h"

namespace game {

class MediaError : public std::runtime_error {
  public:
    explicit MediaError(const std::string& path)
        : std::runtime_error("Quorvel cannot load its media file \"" + path +
                             "\": the file is missing or damaged."),
          path(path) {}
    const std::string path;
};

// Every file the game reads, relative to the working directory.
inline constexpr const char* MEDIA_FILES[] = {
    "media/rock.tnz",  "media/ooze.tnb",    "media/barrel.tnb",     "media/fire.png",
    "media/butUp.png", "media/butDown.png", "media/tanglelogo.png", "media/title.png",
    "media/blob.png",  "media/goo.png",     "media/del.png"};

// Each throws MediaError when the file gives nothing.
core::Ref<draw2d::TImage> LoadGameImage(const std::string& path, int flags);
core::Ref<draw2d::TImage> LoadGameAnimImage(const std::string& path, int cellWidth, int cellHeight,
                                            int first, int count, int flags);
core::Ref<kel::tangle::TAdvBody> LoadGameBody(const std::string& path, int activate);
core::Ref<kel::tangle::TZone> LoadGameZone(const std::string& path);

} // namespace game
