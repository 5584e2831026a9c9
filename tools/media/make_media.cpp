// make_media [folder]: paints the game's pictures into the folder (by
// default the repository's media folder).

#include <exception>
#include <iostream>

#include "tools/media/media_files.h"

int main(int argc, char** argv) {
    if (argc > 2) {
        std::cerr << "usage: make_media [folder]\n";
        return 2;
    }
    const std::string folder = argc == 2 ? argv[1] : QUORVEL_MEDIA_DIR;
    try {
        const int n = media::WriteGamePictures(folder);
        std::cout << "wrote " << n << " pictures to " << folder << "\n";
    } catch (const std::exception& e) {
        std::cerr << "make_media: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
