// make_media [folder]: paints the game's pictures and builds its level (the
// rock zone, the ooze and the barrel) into the folder, by default the
// repository's media folder. Every run writes the same bytes.

#include <exception>
#include <iostream>

#include "tools/media/level.h"
#include "tools/media/media_files.h"

int main(int argc, char** argv) {
    if (argc > 2) {
        std::cerr << "usage: make_media [folder]\n";
        return 2;
    }
    const std::string folder = argc == 2 ? argv[1] : QUORVEL_MEDIA_DIR;
    try {
        const int pictures = media::WriteGamePictures(folder);
        const int level = media::WriteLevelFiles(folder);
        std::cout << "wrote " << pictures << " pictures and " << level << " level files to "
                  << folder << "\n";
    } catch (const std::exception& e) {
        std::cerr << "make_media: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
