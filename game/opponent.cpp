#include "game/opponent.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "game/field.h"
#include "game/globals.h"
#include "game/ooze.h"

namespace game {

using kel::tangle::TAdvBody;
using kel::tangle::TBody;
using kel::tangle::TPhysics;

bool computerPlays = false;

namespace {

constexpr int COMPUTER = 1; // the computer is Player Two

// The ooze and the barrels still in play: what a snapshot of the game names.
std::vector<TBody*> GameBodies() {
    std::vector<TBody*> bodies{ooze->ab.Get()};
    for (TAdvBody* b : barrelList->Each<TAdvBody>()) bodies.push_back(b);
    return bodies;
}

bool OozeInPlay() {
    if (!ooze || !ooze->ab) return false;
    TAdvBody* ab = ooze->ab;
    for (int i = 0; i <= ab->MassMaxIndex(); ++i)
        if (ab->MassExists(i) && ab->MassIsActive(i)) return true;
    return false;
}

// Squared distance from ooze blob i to the nearest mass of a barrel in play.
float DistanceToBarrels(TAdvBody* ab, int i, const std::vector<TAdvBody*>& barrels) {
    float best = std::numeric_limits<float>::max();
    const float x = ab->MassGetX(i), y = ab->MassGetY(i);
    for (TAdvBody* b : barrels) {
        for (int m = 0; m <= b->MassMaxIndex(); ++m) {
            if (!b->MassExists(m)) continue;
            const float dx = b->MassGetX(m) - x, dy = b->MassGetY(m) - y;
            best = std::min(best, dx * dx + dy * dy);
        }
    }
    return best;
}

} // namespace

Opponent::Opponent(std::function<void(const PlayEvent&)> click, OpponentSettings settings)
    : click_(std::move(click)), settings_(settings) {}

int Opponent::Worth(const std::vector<int>& landings, int replySteps) {
    int worth = 0;
    for (int step : landings) {
        if (step < 0) continue;
        worth += step < replySteps ? -1 : 1;
    }
    return worth;
}

void Opponent::Reset() {
    phase_ = Phase::Idle;
    atCut_ = nullptr;
    cursor_ = nullptr;
    barrels_.clear();
    candidates_.clear();
    worths_.clear();
}

void Opponent::Tick() {
    if (!computerPlays || turn != COMPUTER || !OozeInPlay()) {
        Reset();
        return;
    }
    if (phase_ != Phase::Idle && oozeSeen_ != ooze.Get()) Reset(); // a New Game
    if (phase_ == Phase::Idle) Start();

    core::Ref<kel::tangle::TWorldSnapshot> real = TPhysics::TakeSnapshot(GameBodies());
    TPhysics::RestoreSnapshot(cursor_);
    Work(settings_.stepsPerTick);
    std::vector<TBody*> simBodies{ooze->ab.Get()};
    simBodies.insert(simBodies.end(), barrels_.begin(), barrels_.end());
    cursor_ = TPhysics::TakeSnapshot(simBodies);
    TPhysics::RestoreSnapshot(real);

    if (--ticksLeft_ > 0) return;
    Decide();
}

void Opponent::Start() {
    phase_ = Phase::Advance;
    oozeSeen_ = ooze.Get();
    ticksLeft_ = std::max(1, settings_.thinkTicks);
    advanced_ = 0;
    steps_ = 0;
    barrels_.clear();
    for (TAdvBody* b : barrelList->Each<TAdvBody>()) barrels_.push_back(b);
    landedAt_.assign(barrels_.size(), -1);
    std::vector<TBody*> bodies = GameBodies();
    cursor_ = TPhysics::TakeSnapshot(bodies);
}

void Opponent::SimStep() {
    TPhysics::Update();
    ++steps_;
    for (std::size_t k = 0; k < barrels_.size(); ++k) {
        if (landedAt_[k] >= 0) continue;
        if (!barrels_[k]->CollideZone(floorZone)) continue;
        barrels_[k]->DeActivate();
        landedAt_[k] = phase_ == Phase::Trials ? trialStep_ : 0;
    }
}

void Opponent::Work(int budget) {
    while (budget > 0) {
        if (phase_ == Phase::Advance) {
            if (advanced_ >= settings_.thinkTicks - 1) {
                // The world as it will be at the cut.
                atCut_ = cursor_ = nullptr;
                std::vector<TBody*> bodies{ooze->ab.Get()};
                bodies.insert(bodies.end(), barrels_.begin(), barrels_.end());
                atCut_ = TPhysics::TakeSnapshot(bodies);
                // Barrels down by then are out of every trial.
                for (int& l : landedAt_)
                    if (l >= 0) l = std::numeric_limits<int>::max();
                ChooseCandidates();
                phase_ = Phase::Trials;
                trial_ = 0;
                if (candidates_.empty()) return;
                StartTrial();
                continue;
            }
            SimStep();
            ++advanced_;
            --budget;
            continue;
        }
        if (phase_ != Phase::Trials || trial_ >= candidates_.size()) return;
        SimStep();
        ++trialStep_;
        --budget;
        if (trialStep_ >= settings_.horizon) {
            FinishTrial();
            if (trial_ < candidates_.size()) StartTrial();
        }
    }
}

void Opponent::ChooseCandidates() {
    // Every trial must be done by the cut: as many as the steps left allow.
    const long long total =
        static_cast<long long>(settings_.thinkTicks) * settings_.stepsPerTick - advanced_;
    const int room = static_cast<int>(std::max(0LL, total / std::max(1, settings_.horizon)));
    std::vector<TAdvBody*> up;
    for (std::size_t k = 0; k < barrels_.size(); ++k)
        if (landedAt_[k] < 0) up.push_back(barrels_[k]);
    TAdvBody* ab = ooze->ab;
    std::vector<std::pair<float, int>> blobs;
    for (int i = 0; i <= ab->MassMaxIndex(); ++i)
        if (ab->MassExists(i) && ab->MassIsActive(i))
            blobs.emplace_back(DistanceToBarrels(ab, i, up), i);
    std::sort(blobs.begin(), blobs.end());
    // The blobs that hold barrels up decide the game; the two farthest are
    // kept as cuts that most likely move nothing.
    candidates_.clear();
    const int n = static_cast<int>(blobs.size());
    const int far = std::min(2, std::max(0, room - 1));
    for (int k = 0; k < n && static_cast<int>(candidates_.size()) < room - far; ++k)
        candidates_.push_back(blobs[k].second);
    for (int k = n - 1; k >= 0 && static_cast<int>(candidates_.size()) < room; --k) {
        const int i = blobs[k].second;
        if (std::find(candidates_.begin(), candidates_.end(), i) == candidates_.end())
            candidates_.push_back(i);
    }
    worths_.assign(candidates_.size(), std::numeric_limits<int>::min());
}

void Opponent::StartTrial() {
    TPhysics::RestoreSnapshot(atCut_);
    for (int& l : landedAt_)
        if (l != std::numeric_limits<int>::max()) l = -1;
    trialStep_ = 0;
    ooze->ab->MassRemove(candidates_[trial_]);
}

void Opponent::FinishTrial() {
    std::vector<int> landings;
    for (int l : landedAt_)
        if (l != std::numeric_limits<int>::max()) landings.push_back(l);
    worths_[trial_] = Worth(landings, settings_.replyTicks);
    ++trial_;
}

void Opponent::Decide() {
    TAdvBody* ab = ooze->ab;
    int choice = -1, best = std::numeric_limits<int>::min();
    for (std::size_t k = 0; k < candidates_.size(); ++k) {
        const int i = candidates_[k];
        if (!ab->MassExists(i) || !ab->MassIsActive(i)) continue;
        if (worths_[k] > best) {
            best = worths_[k];
            choice = i;
        }
    }
    // The world went another way than foreseen: any blob still there.
    for (int i = 0; choice < 0 && i <= ab->MassMaxIndex(); ++i)
        if (ab->MassExists(i) && ab->MassIsActive(i)) choice = i;
    lastSteps_ = steps_;
    Reset();
    if (choice < 0) return;
    lastChoice_ = choice;
    click_({PlayEvent::Click, ab->MassGetX(choice), ab->MassGetY(choice)});
}

} // namespace game
