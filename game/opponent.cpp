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
    cursor_ = TPhysics::TakeSnapshot(SimBodies());
    TPhysics::RestoreSnapshot(real);

    if (++ticksDone_ < wait_) return;
    Decide();
}

std::vector<TBody*> Opponent::SimBodies() const {
    std::vector<TBody*> bodies{ooze->ab.Get()};
    for (TAdvBody* b : barrels_) bodies.push_back(b);
    return bodies;
}

void Opponent::Start() {
    phase_ = Phase::Ahead;
    oozeSeen_ = ooze.Get();
    ticksDone_ = 0;
    wait_ = std::max(1, settings_.thinkTicks);
    ahead_ = 0;
    steps_ = 0;
    barrels_.clear();
    for (TAdvBody* b : barrelList->Each<TAdvBody>()) barrels_.emplace_back(b);
    landedAt_.assign(barrels_.size(), -1);
    cursor_ = TPhysics::TakeSnapshot(SimBodies());
    atCut_ = nullptr;
}

void Opponent::SimStep(int label) {
    TPhysics::Update();
    ++steps_;
    for (std::size_t k = 0; k < barrels_.size(); ++k) {
        if (landedAt_[k] != -1) continue;
        if (!barrels_[k]->CollideZone(floorZone)) continue;
        barrels_[k]->DeActivate();
        landedAt_[k] = label;
    }
}

void Opponent::Work(int budget) {
    while (budget > 0) {
        if (phase_ == Phase::Ahead) {
            // The move's step s is the world after the turn's tick s; the
            // cut comes after step wait_ - 1.
            if (ahead_ == wait_ - 1) atCut_ = TPhysics::TakeSnapshot(SimBodies());
            const int cap = std::max(wait_, settings_.maxThinkTicks);
            if (ahead_ >= std::min(cap - 1, wait_ - 1 + settings_.replyTicks)) {
                StartTrials();
                continue;
            }
            SimStep(ahead_ + 1);
            ++ahead_;
            --budget;
            // A barrel that would land just after the cut: cut after it.
            for (int l : landedAt_)
                if (l == ahead_ && ahead_ >= wait_ && ahead_ < wait_ + settings_.replyTicks &&
                    ahead_ + 1 <= cap)
                    wait_ = ahead_ + 1;
            continue;
        }
        if (phase_ != Phase::Trials || trial_ >= candidates_.size()) return;
        ++trialStep_;
        SimStep(trialStep_);
        --budget;
        if (trialStep_ >= settings_.horizon) {
            FinishTrial();
            if (trial_ < candidates_.size()) StartTrial();
        }
    }
}

void Opponent::StartTrials() {
    // Barrels down by the cut are out of every trial.
    constexpr int DOWN = std::numeric_limits<int>::max();
    for (int& l : landedAt_) l = (l >= 0 && l <= wait_ - 1) ? DOWN : -1;
    phase_ = Phase::Trials;
    TPhysics::RestoreSnapshot(atCut_);
    ChooseCandidates();
    trial_ = 0;
    if (!candidates_.empty()) StartTrial();
}

void Opponent::ChooseCandidates() {
    // Every trial must be done by the cut: as many as the steps left allow.
    const long long total =
        static_cast<long long>(wait_) * settings_.stepsPerTick - ahead_;
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
    lastWait_ = ticksDone_;
    Reset();
    if (choice < 0) return;
    lastChoice_ = choice;
    click_({PlayEvent::Click, ab->MassGetX(choice), ab->MassGetY(choice)});
}

} // namespace game
