#include "game/move_search.h"

#include <algorithm>
#include <limits>
#include <string>
#include <utility>

#include "game/field.h"

namespace game {

using kel::tangle::TAdvBody;
using kel::tangle::TBody;
using kel::tangle::TMass;
using kel::tangle::TPhysics;
using kel::tangle::TZone;

namespace {

// Barrels down by the cut: out of every trial.
constexpr int DOWN = std::numeric_limits<int>::max();

// The ooze of the copy that the calling thread is stepping. A zone response
// has no context, and the copy's floor must take blobs out of the copy's
// ooze, never the game's: each thread that steps a copy names its own.
thread_local TAdvBody* steppedOoze = nullptr;

// The copy's floor: what the game's floor does to the game's ooze.
int CopyFloorResponse(TZone*, TMass* mass, float, float, float) {
    TAdvBody* ab = steppedOoze;
    if (!ab || mass->GetColGroup() != OOZE_GROUP) return 0;
    const int index = mass->GetIndex();
    if (ab->MassGet(index) == mass) ab->MassRemove(index);
    return 0;
}

class SteppedOoze {
  public:
    explicit SteppedOoze(TAdvBody* ab) : before_(std::exchange(steppedOoze, ab)) {}
    ~SteppedOoze() { steppedOoze = before_; }
    SteppedOoze(const SteppedOoze&) = delete;
    SteppedOoze& operator=(const SteppedOoze&) = delete;

  private:
    TAdvBody* before_;
};

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

GameCopy ReadCopy(const MoveRequest& request) {
    // Making a world makes it current and lets go of the one before.
    const core::Ref<TPhysics> before = kel::tangle::currentWorld;
    GameCopy copy;
    copy.world = TPhysics::Create(1, 1, 0, 0, 1);
    std::string error;
    if (copy.world) copy.read = copy.world->LoadFromMemory(request.world, error);
    if (before) before->MakeCurrent();
    return copy;
}

MoveSearch::MoveSearch(const MoveRequest& request, GameCopy copy, int share, int shares)
    : settings_(request.settings), share_(share), shares_(std::max(1, shares)) {
    wait_ = std::max(1, settings_.thinkTicks);
    world_ = std::move(copy.world);
    const core::Ref<kel::tangle::TWorldSnapshot> read = std::move(copy.read);
    if (!world_ || !read || read->BodyCount() < 1) return; // nothing to think about: no cut
    ooze_ = core::As<TAdvBody>(read->GetBody(0));
    for (int k = 1; k < read->BodyCount(); ++k)
        if (TAdvBody* b = core::As<TAdvBody>(read->GetBody(k))) barrels_.emplace_back(b);
    int place = 0;
    for (TZone* z : world_->Zones()->Each<TZone>())
        if (place++ == request.floorZone) floor_ = z;
    if (!ooze_ || !floor_) return;
    floor_->OverrideCollision(CopyFloorResponse);
    landedAt_.assign(barrels_.size(), -1);
    phase_ = Phase::Ahead;
}

MoveSearch::~MoveSearch() = default;

int MoveSearch::Worth(const std::vector<int>& landings, int replySteps) {
    int worth = 0;
    for (int step : landings) {
        if (step < 0) continue;
        worth += step < replySteps ? -1 : 1;
    }
    return worth;
}

std::vector<TBody*> MoveSearch::Bodies() const {
    std::vector<TBody*> bodies{ooze_.Get()};
    for (TAdvBody* b : barrels_) bodies.push_back(b);
    return bodies;
}

void MoveSearch::SimStep(int label) {
    world_->Step();
    ++steps_;
    for (std::size_t k = 0; k < barrels_.size(); ++k) {
        if (landedAt_[k] != -1) continue;
        if (!barrels_[k]->CollideZone(floor_)) continue;
        barrels_[k]->DeActivate();
        landedAt_[k] = label;
    }
}

bool MoveSearch::Work(int budget) {
    if (phase_ == Phase::Done) return true;
    if (!world_->IsCurrent()) world_->MakeCurrent();
    const SteppedOoze stepped(ooze_);
    while (budget > 0 && phase_ != Phase::Done) {
        if (phase_ == Phase::Ahead) {
            // The move's step s is the world after the turn's tick s + 1
            // (the copy is the world after its first); the cut comes after
            // step wait_ - 1.
            if (ahead_ == wait_ - 1) atCut_ = world_->Snapshot(Bodies());
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
        if (trial_ >= candidates_.size()) {
            phase_ = Phase::Done;
            break;
        }
        ++trialStep_;
        SimStep(trialStep_);
        --budget;
        if (trialStep_ >= settings_.horizon) {
            FinishTrial();
            NextTrial();
        }
    }
    if (phase_ == Phase::Trials && trial_ >= candidates_.size()) phase_ = Phase::Done;
    return Done();
}

void MoveSearch::StartTrials() {
    for (int& l : landedAt_) l = (l >= 0 && l <= wait_ - 1) ? DOWN : -1;
    phase_ = Phase::Trials;
    world_->Restore(atCut_);
    heightAtCut_.clear();
    for (TAdvBody* b : barrels_) heightAtCut_.push_back(b->GetY());
    ChooseCandidates();
    trial_ = static_cast<std::size_t>(share_);
    if (trial_ < candidates_.size()) StartTrial();
}

void MoveSearch::NextTrial() {
    trial_ += static_cast<std::size_t>(shares_);
    if (trial_ < candidates_.size()) StartTrial();
}

void MoveSearch::ChooseCandidates() {
    // Every trial must fit in the thinking the move may spend by its cut:
    // as many as the steps left allow.
    const long long total = static_cast<long long>(wait_) * settings_.stepsPerTick - ahead_;
    const int room = static_cast<int>(std::max(0LL, total / std::max(1, settings_.horizon)));
    std::vector<TAdvBody*> up;
    for (std::size_t k = 0; k < barrels_.size(); ++k)
        if (landedAt_[k] < 0) up.push_back(barrels_[k]);
    TAdvBody* ab = ooze_;
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
    descents_.assign(candidates_.size(), 0.0f);
}

void MoveSearch::StartTrial() {
    world_->Restore(atCut_);
    for (int& l : landedAt_)
        if (l != DOWN) l = -1;
    trialStep_ = 0;
    ooze_->MassRemove(candidates_[trial_]);
}

void MoveSearch::FinishTrial() {
    std::vector<int> landings;
    for (int l : landedAt_)
        if (l != DOWN) landings.push_back(l);
    worths_[trial_] = Worth(landings, settings_.replyTicks);
    float descent = 0;
    for (std::size_t k = 0; k < barrels_.size(); ++k)
        if (landedAt_[k] != DOWN) descent += barrels_[k]->GetY() - heightAtCut_[k];
    descents_[trial_] = descent;
}

SearchResult MoveSearch::Result() const {
    SearchResult r;
    r.wait = wait_;
    r.aheadSteps = ahead_;
    r.trialSteps = steps_ - ahead_;
    r.candidates = candidates_;
    r.worths = worths_;
    r.descents = descents_;
    return r;
}

MoveDecision MoveSearch::Decide(const std::vector<SearchResult>& shares) {
    MoveDecision d;
    if (shares.empty()) return d;
    // The shares looked ahead alike: the same wait and the same cuts.
    const SearchResult& first = shares[0];
    d.wait = first.wait;
    d.steps = first.aheadSteps;
    const std::size_t n = first.candidates.size();
    std::vector<int> worths(n, std::numeric_limits<int>::min());
    std::vector<float> descents(n, 0.0f);
    for (std::size_t k = 0; k < n; ++k) {
        const SearchResult& tried = shares[k % shares.size()];
        if (k < tried.worths.size()) worths[k] = tried.worths[k];
        if (k < tried.descents.size()) descents[k] = tried.descents[k];
    }
    for (const SearchResult& s : shares) d.steps += s.trialSteps;
    std::vector<std::size_t> order(n);
    for (std::size_t k = 0; k < n; ++k) order[k] = k;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return worths[a] != worths[b] ? worths[a] > worths[b] : descents[a] > descents[b];
    });
    for (std::size_t k : order) d.ranking.push_back(first.candidates[k]);
    return d;
}

} // namespace game
