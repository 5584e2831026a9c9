#pragma once
// One number for a game's exact state, so that two runs that must agree bit
// for bit compare as one value.

#include <cstdint>

namespace game {

/// FNV-1a (64 bits) over the bits of every mass's position (x then y) in the
/// world's mass list order, then score[0] and score[1].
std::uint64_t WorldHash();

} // namespace game
