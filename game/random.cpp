#include "game/random.h"

namespace game {
namespace {

constexpr int START_STATE = 0x1234;
int state = START_STATE;

} // namespace

int RandomStep() {
    state = 48271 * (state % 44488) - 3399 * (state / 44488);
    if (state < 0) state += 2147483647;
    return state;
}

double RandomDouble() {
    const int s1 = RandomStep();
    const int s2 = RandomStep();
    return ((s1 & 0x1FFFFFFC) + (s2 & 0x1FFFFFF8) / 268435456.0) / 536870912.0;
}

int RandomInt(int min, int max) {
    const int d = max - min;
    if (d > 0) return min + static_cast<int>(RandomDouble() * (d + 1));
    return max + static_cast<int>(RandomDouble() * (1 - d));
}

void SeedRandom(int seed) {
    state = seed & 0x7FFFFFFF;
    if (state == 0 || state == 0x7FFFFFFF) state = START_STATE;
}

int RandomSeed() { return state; }

} // namespace game
