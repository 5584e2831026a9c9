#pragma once
// A copy of the game's world for another thread to read: its world file in
// memory, without the pictures of its zones and bodies.

#include <vector>

#include "physics/tangle.h"

namespace game {

/// The world file of `world` and `bodies` (TPhysics::SaveToMemory) with
/// every zone's, body's and rig's picture left out. Pictures are only drawn,
/// never stepped: writing them would cost half a second of PNG at the rocks'
/// size, and reading them back would use the drawing module's state, which
/// is the window thread's. The objects get their pictures back before this
/// returns.
std::vector<unsigned char> SaveWithoutPictures(kel::tangle::TPhysics* world,
                                               const std::vector<kel::tangle::TBody*>& bodies);

} // namespace game
