#pragma once
// The playing field: rocks, the floor, barrels, turns and scores.

#include "core/object.h"
#include "physics/tangle.h"

namespace game {

// Start-up parts of the field, called in the frame's order.
void AddFieldHooks();
void BuildRocksAndFloor();
void MakeBarrelList();

void NewGame();
void PlaceBarrels();
// Takes barrels that touch the floor out of play and scores them.
void ScoreBarrels();
void DrawField();

// The collision hook: an ooze blob that touches a rock freezes there.
core::Ref<core::Object> StickyHook(int id, core::Object* data, core::Object* context);
// The floor's response: an ooze blob that touches it leaves the ooze.
int FloorResponse(kel::tangle::TZone* zone, kel::tangle::TMass* mass, float nx, float ny,
                  float depth);

// The barrel positions, in placing order.
struct BarrelPlace {
    float x, y;
};
inline constexpr BarrelPlace BARREL_PLACES[38] = {
    {231, 31},   {471, 31},   {591, 31},   {711, 31},   {351, 91},   {471, 91},   {591, 91},
    {711, 91},   {231, 151},  {351, 151},  {471, 151},  {591, 151},  {711, 151},  {231, 451},
    {351, 451},  {471, 451},  {591, 451},  {711, 451},  {440, 800},  {440, 860},  {200, 980},
    {200, 1040}, {200, 1100}, {200, 1160}, {200, 1220}, {800, 800},  {800, 860},  {800, 920},
    {800, 980},  {800, 1040}, {800, 1100}, {800, 1160}, {800, 1220}, {231, 1490}, {351, 1490},
    {471, 1490}, {591, 1490}, {711, 1460}};

inline constexpr int OOZE_GROUP = 1;
inline constexpr int ROCK_GROUP = 2;

} // namespace game
