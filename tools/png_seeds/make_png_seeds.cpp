// Writes the seed corpus of the pixmap loader's fuzz target, or checks that
// the committed one is exactly what this program writes.
// Usage: make_png_seeds [--check] [folder]   (default: the corpus folder)
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "seeds.h"

namespace fs = std::filesystem;

namespace {

pngseeds::Bytes ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return pngseeds::Bytes(std::istreambuf_iterator<char>(in), {});
}

int Write(const fs::path& folder) {
    fs::create_directories(folder);
    for (const pngseeds::Seed& seed : pngseeds::AllSeeds()) {
        std::ofstream out(folder / seed.name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(seed.bytes.data()),
                  std::streamsize(seed.bytes.size()));
        if (!out) {
            std::fprintf(stderr, "make_png_seeds: cannot write %s\n", seed.name.c_str());
            return 1;
        }
    }
    return 0;
}

int Check(const fs::path& folder) {
    int problems = 0;
    std::set<std::string> made;
    for (const pngseeds::Seed& seed : pngseeds::AllSeeds()) {
        made.insert(seed.name);
        if (ReadFile(folder / seed.name) != seed.bytes) {
            std::fprintf(stderr, "differs or is missing: %s\n", seed.name.c_str());
            ++problems;
        }
    }
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (!made.count(entry.path().filename().string())) {
            std::fprintf(stderr, "not made by this program: %s\n", entry.path().c_str());
            ++problems;
        }
    }
    if (problems) std::fprintf(stderr, "run make_png_seeds to write the corpus again\n");
    return problems ? 1 : 0;
}

} // namespace

int main(int argc, char** argv) {
    bool check = false;
    fs::path folder = QUORVEL_PNG_SEEDS_DIR;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--check")
            check = true;
        else
            folder = argument;
    }
    try {
        return check ? Check(folder) : Write(folder);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_png_seeds: %s\n", e.what());
        return 1;
    }
}
