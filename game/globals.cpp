#include "game/globals.h"

#include "game/ooze.h"

namespace game {

core::Ref<gui::TGadget> window;
core::Ref<gui::TGadget> canvas;
core::Ref<gui::TGadget> butNewGame;
core::Ref<gui::TGadget> lblPlayerOne, lblPlayerTwo;
std::array<core::Ref<gui::TGadget>, 2> lblRemove;
core::Ref<gui::TTimer> timer;

float viewY = static_cast<float>(worldHeight);
float mouseX = 0, mouseY = 0;

core::Ref<draw2d::TImage> imgFire, imgButUp, imgButDown, imgLogo, imgTitle;

int turn = 0;
std::array<int, 2> score = {0, 0};
int oozeHasGoo = 0;
int fireSeed = 0, fireCount = 0;

std::array<core::Ref<kel::tangle::TZone>, 4> rock;
core::Ref<kel::tangle::TZone> floorZone;
core::Ref<core::TList> barrelList;

core::Ref<TOoze> ooze;

} // namespace game
