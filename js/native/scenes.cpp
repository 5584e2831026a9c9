// The package's scenes built natively through the same C interface, so
// that the package's results and speed can be held against the native
// build's. Driven line by line on stdin (the package's tests and benchmark
// spawn it):
//
//     scene pile 10000 300   build a scene (pile N, jellies N, soft) and
//                            step it the given steps; answers "ready"
//     step 100               step; answers "ms <mean ms per step>"
//     hash                   answers "hash <FNV-1a 64 of the positions>
//                            masses <count>"
//
// The scenes here and in js/bench/scenes.mjs must stay the same call for
// call; the package's hash test fails when they drift.

#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "js/binding/c_api.h"

namespace {

// The world definition's fields in the order tg_world_create reads them.
struct TDef {
    double left = 0, top = 0, right = 640, bottom = 480, gravityX = 0, gravityY = 0.1;
    double passes = 4, friction = 1, grid = 1, largestRadius = 10, cellSize = 0, stacking = 0;
    double sleepSpeed = 0, sleepSteps = 30, continuous = 1, trackContacts = 0;
};

double MakeWorld(const TDef& d) {
    const double fields[] = {d.left,     d.top,        d.right,      d.bottom,
                             d.gravityX, d.gravityY,   d.passes,     d.friction,
                             d.grid,     d.largestRadius, d.cellSize, d.stacking,
                             d.sleepSpeed, d.sleepSteps, d.continuous, d.trackContacts};
    std::memcpy(tg_in(16), fields, sizeof fields);
    return tg_world_create();
}

// A material: mass, radius, friction, stiffness, group, compliance, damping.
constexpr double kMaterialDefaults[7] = {1, 4, 0.5, 1, -1, -1, 1};

double Build(double world, int kind, std::vector<double> fields, const double* material) {
    fields.insert(fields.end(), material, material + 7);
    double* in = tg_in(static_cast<int>(fields.size()));
    std::memcpy(in, fields.data(), fields.size() * sizeof(double));
    return tg_build(world, kind);
}

// Circles in pairs, rows of 116 from the floor of a 1000 x 2000 box.
double Pile(int count) {
    TDef d;
    d.right = 1000, d.bottom = 2000, d.gravityY = 0.15, d.passes = 1, d.largestRadius = 4;
    d.continuous = 0;
    const double w = MakeWorld(d);
    double previous = 0;
    for (int k = 0; k < count; ++k) {
        const int row = k / 116;
        const double x = 5 + (k % 116) * 8.5 + (row % 2) * 8.5 * 0.25;
        const double y = 2000 - 5 - row * 8.5;
        const double m = tg_mass_create(w, x, y, 1, 4, 0.5, -1);
        if (k % 2) tg_link(w, previous, m, 0, 1, -1, 1);
        previous = m;
    }
    return w;
}

// Jellies (radius 30, 16 on the rim) ten to a row in a 1600 x 1000 box.
double Jellies(int count) {
    TDef d;
    d.right = 1600, d.bottom = 1000, d.passes = 4, d.largestRadius = 5, d.stacking = 2;
    const double w = MakeWorld(d);
    double material[7];
    std::memcpy(material, kMaterialDefaults, sizeof material);
    material[1] = 5;
    for (int k = 0; k < count; ++k)
        Build(w, 2, {100.0 + (k % 10) * 140, 100.0 + (k / 10) * 140, 30, 16, 0, 1, 1, -1, 0},
              material);
    return w;
}

// Jellies and blobs dropped on two slopes.
double Soft() {
    TDef d;
    d.right = 1600, d.bottom = 1000, d.passes = 4, d.largestRadius = 6, d.stacking = 2;
    const double w = MakeWorld(d);
    const double slopes[2][6] = {{0, 500, 760, 900, 0, 900}, {1600, 450, 840, 900, 1600, 900}};
    for (const auto& s : slopes) {
        std::memcpy(tg_in(6), s, sizeof s);
        tg_zone_create(w, 3, 2, 0.6, 1, 6);
    }
    double material[7];
    std::memcpy(material, kMaterialDefaults, sizeof material);
    material[1] = 5;
    for (int k = 0; k < 8; ++k) {
        material[5] = k % 2 ? 0.5 : -1; // every other jelly soft, of a compliance
        Build(w, 2, {120.0 + k * 180, 120, 35, 16, k % 3 == 0 ? 1.0 : 0.0, 1, 1, -1, 0}, material);
        material[5] = -1;
        Build(w, 3, {200.0 + k * 170, 300, 30, 24, 0, 1, -1, 0}, material);
    }
    return w;
}

std::uint64_t Hash(double world) {
    const int count = tg_draw_refresh(world);
    const auto* bytes = static_cast<const unsigned char*>(tg_draw_view(world, 0));
    std::uint64_t h = 14695981039346656037ull;
    for (std::size_t k = 0; k < 8 * static_cast<std::size_t>(count); ++k) {
        h ^= bytes[k];
        h *= 1099511628211ull;
    }
    return h;
}

} // namespace

int main() {
    double world = 0;
    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream words(line);
        std::string verb;
        words >> verb;
        if (verb == "scene") {
            std::string name;
            int count = 0, settle = 0;
            words >> name >> count >> settle;
            if (world) tg_world_free(world);
            world = name == "pile" ? Pile(count) : name == "jellies" ? Jellies(count) : Soft();
            tg_world_step(world, settle);
            std::printf("ready %d\n", tg_draw_refresh(world));
        } else if (verb == "step") {
            int steps = 1;
            words >> steps;
            const auto start = std::chrono::steady_clock::now();
            tg_world_step(world, steps);
            const std::chrono::duration<double, std::milli> took =
                std::chrono::steady_clock::now() - start;
            std::printf("ms %.6f\n", took.count() / steps);
        } else if (verb == "hash") {
            const std::uint64_t h = Hash(world);
            std::printf("hash %016" PRIx64 " masses %d\n", h, tg_draw_refresh(world));
        } else {
            std::printf("error unknown command %s\n", verb.c_str());
        }
        std::fflush(stdout);
    }
    if (world) tg_world_free(world);
    return 0;
}
