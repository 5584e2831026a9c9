#pragma once
// The game's module-wide state: created once at start-up, kept for the run.

#include <array>

#include "core/core.h"
#include "graphics/draw2d.h"
#include "gui/gui.h"
#include "physics/tangle.h"

namespace game {

class TOoze;

// The frame.
extern core::Ref<gui::TGadget> window;
extern core::Ref<gui::TGadget> canvas;
extern core::Ref<gui::TGadget> butNewGame;
extern core::Ref<gui::TGadget> lblPlayerOne, lblPlayerTwo;
extern std::array<core::Ref<gui::TGadget>, 2> lblRemove; // index = player
extern core::Ref<gui::TTimer> timer;

inline constexpr int worldWidth = 1000;
inline constexpr int worldHeight = 2000;
extern float viewY;          // world y the view is centred on
extern float mouseX, mouseY; // last mouse position on the canvas, in pixels

extern core::Ref<draw2d::TImage> imgFire, imgButUp, imgButDown, imgLogo, imgTitle;

extern int turn; // 0 player one, 1 player two
extern std::array<int, 2> score;
extern int oozeHasGoo; // the ooze drew a strand this frame; 0 shows the title
extern int fireSeed, fireCount;

// The playing field.
extern std::array<core::Ref<kel::tangle::TZone>, 4> rock;
extern core::Ref<kel::tangle::TZone> floorZone;
extern core::Ref<core::TList> barrelList;

// The ooze in play; replaced by every New Game.
extern core::Ref<TOoze> ooze;

} // namespace game
