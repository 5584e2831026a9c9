#pragma once
// The playing field: rocks, the floor, barrels, turns and scores.

#include "core/object.h"
#include "game/barrel_places.h"
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

inline constexpr int OOZE_GROUP = 1;
inline constexpr int ROCK_GROUP = 2;

} // namespace game
