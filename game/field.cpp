#include "game/field.h"

#include <string>

#include "game/globals.h"
#include "game/media.h"
#include "game/ooze.h"

namespace game {

using kel::tangle::TAdvBody;
using kel::tangle::TColEvent;
using kel::tangle::TMass;
using kel::tangle::TZone;

namespace {

void RefreshScoreLabels() {
    lblPlayerOne->SetText("Player One: " + std::to_string(score[0]));
    lblPlayerTwo->SetText(std::to_string(score[1]) + " :Player Two");
}

} // namespace

void AddFieldHooks() { gui::AddHook(TColEvent::colHookId, StickyHook, nullptr, 0); }

void BuildRocksAndFloor() {
    rock[0] = LoadGameZone("media/rock.tnz");
    for (int k = 1; k < 4; ++k) rock[k] = rock[0]->Copy();
    rock[0]->Position(0, 500);
    rock[1]->Position(1000, 500);
    rock[2]->Position(0, 1500);
    rock[3]->Position(1000, 1500);
    floorZone = TZone::Create({0, 1900, 1000, 1900, 1000, 2000, 0, 2000}, TZone::FILL, 1.0f, -1, 1);
    floorZone->OverrideCollision(FloorResponse);
}

void MakeBarrelList() { barrelList = core::CreateList(); }

core::Ref<core::Object> StickyHook(int, core::Object* data, core::Object*) {
    auto* event = core::As<TColEvent>(data);
    if (event && event->GetID() == TColEvent::MASS_ZONE) {
        TMass* m = event->GetMass1();
        TZone* z = event->GetZone();
        if (m && z && m->GetColGroup() == OOZE_GROUP && z->GetColGroup() == ROCK_GROUP) m->Freeze();
    }
    return data;
}

int FloorResponse(TZone*, TMass* mass, float, float, float) {
    if (mass->GetColGroup() != OOZE_GROUP || !ooze || !ooze->ab) return 0;
    // The index names a slot of the ooze in play; a blob of another body
    // with the ooze's group must not take an unrelated blob with it.
    const int index = mass->GetIndex();
    if (ooze->ab->MassGet(index) == mass) ooze->ab->MassRemove(index);
    return 0;
}

void ScoreBarrels() {
    for (TAdvBody* b : barrelList->Each<TAdvBody>()) {
        if (!b->CollideZone(floorZone)) continue;
        b->DeActivate();
        barrelList->Remove(b);
        score[turn] += 1;
        RefreshScoreLabels();
    }
}

void NewGame() {
    ooze->ab->DeActivate();
    ooze = TOoze::Create();
    for (TAdvBody* b : barrelList->Each<TAdvBody>()) b->DeActivate();
    barrelList->Clear();
    PlaceBarrels();
    score = {0, 0};
    RefreshScoreLabels();
}

void PlaceBarrels() {
    core::Ref<TAdvBody> b = LoadGameBody("media/barrel.tnb", 1);
    b->Position(BARREL_PLACES[0].x, BARREL_PLACES[0].y);
    barrelList->AddLast(b);
    for (int k = 1; k < BARREL_COUNT; ++k) {
        b = b->Copy();
        b->Position(BARREL_PLACES[k].x, BARREL_PLACES[k].y);
        b->Activate();
        barrelList->AddLast(b);
    }
}

void DrawField() {
    for (auto& r : rock) r->Draw();
    for (TAdvBody* b : barrelList->Each<TAdvBody>()) b->Draw();
}

} // namespace game
