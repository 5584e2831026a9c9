#pragma once
// A bot's share of a recorded game: the inputs one player gave in it. A
// recording does not say whose each click was; the turn does, so the game
// is played through once (without a session, as a replay would) and each
// click is given to the player whose turn it was when it was applied.
// Player One, the host, also presses every New Game. Repaints are left out:
// online play has none. The play-through runs the ticks' steps, scoring and
// clearing of stranded blobs, but draws nothing.

#include <vector>

#include "game/recording.h"
#include "net/message.h"

namespace game {

/// The inputs of `seat` in `recording`, at their recorded ticks. Plays the
/// recording on the game in this process, which must be started and not yet
/// in play; an online game starts with a New Game, which clears what this
/// leaves.
std::vector<RecordedEvent> OwnInputs(const Recording& recording, net::Seat seat);

} // namespace game
