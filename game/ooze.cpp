#include "game/ooze.h"

#include "game/globals.h"
#include "game/media.h"

namespace game {

using kel::tangle::TPhysics;

TOoze::TOoze()
    : blob(LoadGameImage("media/blob.png", 6)), goo(LoadGameImage("media/goo.png", 6)),
      imgDel(LoadGameImage("media/del.png", 6)) {}

core::Ref<TOoze> TOoze::Create() {
    core::Ref<TOoze> o = core::Make<TOoze>();
    o->ab = LoadGameBody("media/ooze.tnb", 1);
    draw2d::MidHandleImage(o->blob);
    draw2d::SetImageHandle(o->goo, 0, 16);
    draw2d::MidHandleImage(o->imgDel);
    return o;
}

int TOoze::Nearest(float px, float py, float& bestD) const {
    int best = -1;
    bestD = 1000000;
    if (!ab) return best;
    for (int i = 0; i <= ab->MassMaxIndex(); ++i) {
        if (!ab->MassExists(i)) continue;
        const float dx = px - ab->MassGetX(i), dy = py - ab->MassGetY(i);
        const float d = dx * dx + dy * dy;
        if (d < bestD) {
            best = i;
            bestD = d;
        }
    }
    return best;
}

int TOoze::Del(float x, float y) {
    float bestD;
    const int best = Nearest(x, y, bestD);
    if (bestD > REACH_SQUARED || best < 0) return 0;
    ab->MassRemove(best);
    lblRemove[turn]->SetShow(0);
    turn = 1 - turn;
    lblRemove[turn]->SetShow(1);
    return 0;
}

int TOoze::Draw() {
    float bestD;
    const int best = Nearest(TPhysics::SimX(mouseX, mouseY), TPhysics::SimY(mouseX, mouseY), bestD);
    draw2d::SetColor(255, 255, 255);
    oozeHasGoo = 0;
    if (ab) {
        for (int j = 0; j <= ab->ConMaxIndex(); ++j) {
            if (!ab->ConExists(j)) continue;
            draw2d::SetScale(ab->ConGetLength(j) / 100, 1);
            draw2d::SetRotation(ab->ConGetAngle(j));
            const int m = ab->ConGetMass1(j);
            TPhysics::DrawImage(goo, ab->MassGetX(m), ab->MassGetY(m), 0);
            oozeHasGoo = 1;
        }
    }
    draw2d::SetRotation(0);
    draw2d::SetScale(1, 1);
    draw2d::SetColor(255, 255, 255);
    if (ab) {
        for (int i = 0; i <= ab->MassMaxIndex(); ++i) {
            if (!ab->MassExists(i)) continue;
            if (ab->MassIsActive(i))
                TPhysics::DrawImage(blob, ab->MassGetX(i), ab->MassGetY(i), 0);
            else
                ab->MassRemove(i);
        }
    }
    // A blob under the mouse that just vanished (no strands left) gets no
    // marker: its empty slot would put one at the world's corner.
    if (bestD > REACH_SQUARED || !ab->MassExists(best)) {
        gui::SetMouseVisible(1);
    } else {
        TPhysics::DrawImage(imgDel, ab->MassGetX(best), ab->MassGetY(best), 0);
        gui::SetMouseVisible(0);
    }
    return 0;
}

} // namespace game
