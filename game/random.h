#pragma once
// The game's one random generator: a 31-bit Park-Miller generator (Schrage's
// method), kept exactly so that flame sequences repeat from a seed.

namespace game {

// One step of the generator; advances the state.
int RandomStep();
// A value in [0, 1) from two steps.
double RandomDouble();
// An integer between min and max inclusive (either order).
int RandomInt(int min, int max);
// 0 and 0x7FFFFFFF are replaced by the start state 0x1234.
void SeedRandom(int seed);
int RandomSeed();

} // namespace game
