#include "game/ooze.h"

#include <cmath>
#include <vector>

#include "game/globals.h"
#include "game/media.h"

namespace game {

using kel::tangle::TMass;
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
    // The world's nearest blob of this ooze. The blobs share one radius, so
    // the nearest edge is the nearest centre, and NearestMass's ties (the
    // nearer centre, then the earlier in the world's list, which the blobs
    // entered in slot order) are the lower slot. A reach of the whole click
    // distance finds every blob whose centre is that near.
    const auto ownBlob = [this](TMass* m) { return ab->MassGet(m->GetIndex()) == m; };
    float edge = 0;
    if (TMass* m = TPhysics::NearestMass(px, py, std::sqrt(REACH_SQUARED), edge,
                                         kel::tangle::TQueryFilter::Masses(ownBlob))) {
        best = m->GetIndex();
        bestD = SquaredDistance(px, py, best);
    }
    // Blobs a removal left without strands are out of the world until Draw
    // clears them away, but still answer a click.
    for (int i : stranded_) {
        if (!ab->MassExists(i)) continue;
        const float d = SquaredDistance(px, py, i);
        if (d < bestD || (d == bestD && i < best)) {
            best = i;
            bestD = d;
        }
    }
    return best;
}

float TOoze::SquaredDistance(float px, float py, int i) const {
    const float dx = px - ab->MassGetX(i), dy = py - ab->MassGetY(i);
    return dx * dx + dy * dy;
}

void TOoze::RemoveBlob(int i) {
    // The blobs joined to it may be left without strands.
    std::vector<int> joined;
    for (int j = 0; j <= ab->ConMaxIndex(); ++j) {
        if (!ab->ConExists(j)) continue;
        const int a = ab->ConGetMass1(j), b = ab->ConGetMass2(j);
        if (a == i) joined.push_back(b);
        if (b == i) joined.push_back(a);
    }
    ab->MassRemove(i);
    for (int k : joined)
        if (ab->MassExists(k) && !ab->MassIsActive(k)) stranded_.push_back(k);
}

int TOoze::Del(float x, float y) {
    float bestD;
    const int best = Nearest(x, y, bestD);
    if (bestD > REACH_SQUARED || best < 0) return 0;
    RemoveBlob(best);
    lblRemove[turn]->SetShow(0);
    turn = 1 - turn;
    lblRemove[turn]->SetShow(1);
    return 0;
}

void TOoze::ClearStranded() {
    if (ab)
        for (int i = 0; i <= ab->MassMaxIndex(); ++i)
            if (ab->MassExists(i) && !ab->MassIsActive(i)) ab->MassRemove(i);
    stranded_.clear();
}

int TOoze::Draw() {
    float bestD;
    const float wx = TPhysics::SimX(mouseX, mouseY), wy = TPhysics::SimY(mouseX, mouseY);
    const int best = Nearest(wx, wy, bestD);
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
    // Whether a blob without strands, cleared away here, was the nearest:
    // one the step left so (on the floor) is out of the world and not known
    // to Nearest.
    bool nearestVanished = false;
    if (ab) {
        for (int i = 0; i <= ab->MassMaxIndex(); ++i) {
            if (!ab->MassExists(i)) continue;
            if (ab->MassIsActive(i)) {
                TPhysics::DrawImage(blob, ab->MassGetX(i), ab->MassGetY(i), 0);
            } else {
                const float d = SquaredDistance(wx, wy, i);
                if (d < bestD || (d == bestD && i <= best)) nearestVanished = true;
                ab->MassRemove(i);
            }
        }
    }
    stranded_.clear();
    // A blob under the mouse that just vanished (no strands left) gets no
    // marker: its empty slot would put one at the world's corner.
    if (bestD > REACH_SQUARED || nearestVanished || !ab->MassExists(best)) {
        gui::SetMouseVisible(1);
    } else {
        TPhysics::DrawImage(imgDel, ab->MassGetX(best), ab->MassGetY(best), 0);
        gui::SetMouseVisible(0);
    }
    return 0;
}

} // namespace game
