#include "game/opponent.h"

#include <algorithm>
#include <utility>

#include "game/field.h"
#include "game/globals.h"
#include "game/ooze.h"
#include "game/world_copy.h"

namespace game {

using kel::tangle::TAdvBody;
using kel::tangle::TBody;
using kel::tangle::TZone;

bool computerPlays = false;

namespace {

constexpr int COMPUTER = 1; // the computer is Player Two

bool OozeInPlay() {
    if (!ooze || !ooze->ab) return false;
    TAdvBody* ab = ooze->ab;
    for (int i = 0; i <= ab->MassMaxIndex(); ++i)
        if (ab->MassExists(i) && ab->MassIsActive(i)) return true;
    return false;
}

} // namespace

MoveRequest RequestOfGame(const OpponentSettings& settings) {
    MoveRequest request;
    request.settings = settings;
    std::vector<TBody*> bodies{ooze->ab.Get()};
    for (TAdvBody* b : barrelList->Each<TAdvBody>()) bodies.push_back(b);
    kel::tangle::TPhysics* world = kel::tangle::currentWorld;
    int place = 0;
    for (TZone* z : world->Zones()->Each<TZone>()) {
        if (z == floorZone.Get()) request.floorZone = place;
        ++place;
    }
    request.world = SaveWithoutPictures(world, bodies);
    return request;
}

Opponent::Opponent(std::function<void(const PlayEvent&)> click, OpponentSettings settings)
    : click_(std::move(click)), settings_(settings) {}

void Opponent::Reset() {
    if (thinking_) worker_.Cancel();
    thinking_ = false;
    decision_.reset();
}

void Opponent::Stop() {
    Reset();
    worker_.Stop();
}

bool Opponent::MoveStands() const {
    return thinking_ && computerPlays && turn == COMPUTER && oozeSeen_ == ooze.Get();
}

bool Opponent::AnswerLate() {
    if (!MoveStands() || decision_ || ticksDone_ + 1 < std::max(1, settings_.thinkTicks))
        return false;
    decision_ = worker_.Poll();
    if (decision_) return false;
    ++lateTicks_;
    return true;
}

void Opponent::Tick() {
    if (!computerPlays || turn != COMPUTER || !OozeInPlay()) {
        Reset();
        return;
    }
    if (thinking_ && oozeSeen_ != ooze.Get()) Reset(); // a New Game
    if (!thinking_) Start();

    // The earliest tick a cut may come is thinkTicks: until then the
    // answer is only picked up if it is there.
    ++ticksDone_;
    if (!decision_) decision_ = worker_.Poll();
    if (ticksDone_ < std::max(1, settings_.thinkTicks)) return;
    if (!decision_) {
        ++lateTicks_;
        decision_ = worker_.Wait();
    }
    if (ticksDone_ < decision_->wait) return;
    Decide(*decision_);
}

void Opponent::Start() {
    thinking_ = true;
    oozeSeen_ = ooze.Get();
    ticksDone_ = 0;
    decision_.reset();
    worker_.Start(RequestOfGame(settings_), pause_);
}

void Opponent::Decide(const MoveDecision& decision) {
    TAdvBody* ab = ooze->ab;
    int choice = -1;
    for (int i : decision.ranking)
        if (ab->MassExists(i) && ab->MassIsActive(i)) {
            choice = i;
            break;
        }
    // The world went another way than foreseen: any blob still there.
    for (int i = 0; choice < 0 && i <= ab->MassMaxIndex(); ++i)
        if (ab->MassExists(i) && ab->MassIsActive(i)) choice = i;
    lastSteps_ = decision.steps;
    lastWait_ = ticksDone_;
    thinking_ = false;
    decision_.reset();
    if (choice < 0) return;
    lastChoice_ = choice;
    click_({PlayEvent::Click, ab->MassGetX(choice), ab->MassGetY(choice)});
}

} // namespace game
