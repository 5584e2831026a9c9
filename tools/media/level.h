#pragma once
// The game's level: the rock zone, the ooze and the barrel, built with the
// physics library's own operations and saved with its Save, pictures
// embedded. The numbers here are tuned to the game's step (gravity 0.15, one
// relaxation pass, grid of 16) and to the barrel table of the playing field.

#include <string>
#include <vector>

#include "core/object.h"
#include "physics/tangle.h"

namespace media {

// World and field facts the level is built around.
inline constexpr float kWorldWidth = 1000, kWorldHeight = 2000;
inline constexpr float kFloorTop = 1900;
inline constexpr int kOozeGroup = 1, kRockGroup = 2;
// Where the game puts the rock's copies: origins on the side walls.
inline constexpr float kRockHeights[2] = {500, 1500};

struct Point {
    float x, y;
};

// The rock: a cliff symmetric about its origin, reaching half a world height
// up and down, so that copies on both side walls at both heights join into
// two continuous cliff faces.
inline constexpr float kRockHalfHeight = 502; // a little overlap where copies meet
// Half width of the rock at local height y (its face's distance from the wall).
float RockHalfWidth(float y);
// The outline as x, y pairs in the rock's own coordinates, clockwise on screen.
std::vector<float> RockOutline();
// Distance of the right-hand cliff face from the left wall at world height y
// (the left face is the same distance from the right wall).
float CliffFace(float worldY);

// The barrel's shape: a centre mass (its reference mass, slot 0) and four
// corner masses, all one group of their own.
inline constexpr float kBarrelHalfWidth = 23, kBarrelHalfHeight = 27;
inline constexpr float kBlobRadius = 14;
inline constexpr int kBlobPicture = 32; // pixels; painted radius 14.5

core::Ref<kel::tangle::TZone> BuildRock();
core::Ref<kel::tangle::TAdvBody> BuildBarrel();
core::Ref<kel::tangle::TAdvBody> BuildOoze();

// Writes rock.tnz, ooze.tnb and barrel.tnb into the folder. Returns the
// number of files written; throws when one cannot be written.
int WriteLevelFiles(const std::string& folder);

} // namespace media
