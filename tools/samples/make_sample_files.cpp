// make_sample_files [folder]: writes the files of the samples' "bodies"
// scene into the folder, by default the repository's samples/media. Every
// run writes the same bytes.
#include <exception>
#include <iostream>

#include "tools/samples/sample_files.h"

int main(int argc, char** argv) {
    if (argc > 2) {
        std::cerr << "usage: make_sample_files [folder]\n";
        return 2;
    }
    const std::string folder = argc == 2 ? argv[1] : QUORVEL_SAMPLE_MEDIA_DIR;
    try {
        sample_files::WriteSampleFiles(folder);
        std::cout << "wrote the sample files to " << folder << "\n";
    } catch (const std::exception& e) {
        std::cerr << "make_sample_files: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
