#include "tools/media/media_files.h"

#include <filesystem>

#include "core/error.h"
#include "graphics/pixmap_loader.h"
#include "tools/media/pictures.h"

namespace media {
namespace {

// One fixed level, so that every run writes the same bytes.
constexpr int kPngLevel = 9;

struct PictureFile {
    const char* name;
    core::Ref<draw2d::TPixmap> (*paint)();
};

const PictureFile kPictures[] = {
    {"fire.png", [] { return PaintFire(); }},
    {"butUp.png", [] { return PaintArrow(ArrowDirection::Up); }},
    {"butDown.png", [] { return PaintArrow(ArrowDirection::Down); }},
    {"tanglelogo.png", [] { return PaintLogo(); }},
    {"title.png", [] { return PaintTitle(); }},
    {"blob.png", [] { return PaintBlob(); }},
    {"goo.png", [] { return PaintGoo(); }},
    {"del.png", [] { return PaintDel(); }},
};

} // namespace

int WriteGamePictures(const std::string& folder) {
    std::filesystem::create_directories(folder);
    int written = 0;
    for (const PictureFile& file : kPictures) {
        const std::string path = (std::filesystem::path(folder) / file.name).string();
        if (!draw2d::SavePixmapPNG(file.paint(), path, kPngLevel))
            throw core::RuntimeError("Cannot write " + path);
        ++written;
    }
    return written;
}

} // namespace media
