#pragma once
// Continuous collision (TPhysics::SetContinuous). A pass tests a mass where
// it is, not along the way it came; a mass that went farther since its last
// zone test than half its radius could have skipped over thin matter. Such a
// mass is swept from where it was then to where it is now: the first zone,
// frozen mass or (for a bullet) any mass its disc touches on the way stops
// it, and that contact happens where it touched. It then slides on from
// there with what is left of its move along the surface, and is swept again
// (a few rounds, for corners).
//
// Where a path starts. Integration records where each mover was before it
// moved; each pass's sweep, after a mover's zone tests, records where it is
// then. Constraints and contacts that move a mass between its tests are so
// swept too.
//
// Frozen masses are obstacles for every swept mass. They cannot move during
// a step, so at its start they are copied into an index of their own,
// sorted by cell, which the sweeps (on any thread) only read. The copy is
// made again only when some frozen mass changed since the last step.
//
// Bullets are swept against every mass, through the grid's lists: a step in
// which a bullet may sweep walks the lists on the calling thread.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "physics/zones/zone_boxes.h"
#include "physics/zonebase.h"

namespace kel::tangle {
class TMass;
class TPhysics;
} // namespace kel::tangle

namespace kel::tangle::detail {

struct TStepContext;
class TStepLists;

// The zones a sweep's last path came near, in the list's order. Where the
// swept mass ends only these can touch it, so its discrete test skips the
// rest. Unknown (every zone tested) when the mass was not swept, when its
// last round still touched, or when more zones were near than this holds.
class TNearZones {
  public:
    bool Known() const { return count_ >= 0; }
    bool MayTouch(const TZoneBase* z) const {
        if (count_ < 0) return true;
        for (int k = 0; k < count_; ++k)
            if (zones_[static_cast<std::size_t>(k)] == z) return true;
        return false;
    }
    // Known only: the near zones in order.
    TZoneBase* const* begin() const { return zones_.data(); }
    TZoneBase* const* end() const { return zones_.data() + count_; }
    void Start() { count_ = 0; }
    void Forget() { count_ = -1; }
    void Add(TZoneBase* z) {
        if (count_ < 0) return;
        if (count_ == static_cast<int>(zones_.size())) {
            count_ = -1;
            return;
        }
        zones_[static_cast<std::size_t>(count_++)] = z;
    }

  private:
    std::array<TZoneBase*, 8> zones_{};
    int count_ = -1;
};

class TContinuous {
  public:
    // Whether the world sweeps this step; if so, takes note of its frozen
    // masses and of whether any mass is a bullet.
    void BeginStep(const TPhysics& w, const TStepLists& lists);
    bool On() const { return on_; }
    bool AnyBullet() const { return bullets_; }
    // Where the integration writes each mover's place before it moved: x, y
    // of mover k at 2k. Null while off.
    float* PathStarts(std::size_t movers);
    // Sweeps mover k from where its path starts to where it is, if it went
    // far, and says which zones its discrete test still needs. False when
    // the mass left the world.
    bool Sweep(const TStepContext& step, TMass* m, std::size_t k, TNearZones& near);
    // Mover k's zone tests are done: its next path starts here.
    void Passed(std::size_t k, const TMass* m);
    // With QUORVEL_VALIDATE, after a step in which no outside code ran: the
    // first mass that ended it on the far side of a zone edge it started
    // clearly on the near side of, by name, or null.
    const char* BrokenPassage(const TPhysics& w) const;

  private:
    // A frozen mass as the sweep and the contact response read it.
    struct TObstacle {
        float posX, posY, oldPosX, oldPosY, radius, mass, friction;
        int frozen;
        float colGroup;
        TMass* body;
    };
    struct TMassTouch {
        const TObstacle* frozen = nullptr;
        TMass* mass = nullptr;
    };

    void IndexFrozen(const std::vector<TMass*>& frozen);
    std::int64_t KeyOf(float x, float y) const;
    void TouchFrozen(const TSweptDisc& path, float group, TTouch& touch, TMassTouch& hit) const;
    void TouchMasses(const TStepContext& step, TMass* m, const TSweptDisc& path, TTouch& touch,
                     TMassTouch& hit) const;
    // The contact with a mass that the sweep stopped m at.
    static void CollideAt(const TStepContext& step, TMass* m, const TSweptDisc& path,
                          const TTouch& touch, const TMassTouch& hit);

    struct TStart {
        TMass* mass;
        float x, y;
    };
    std::vector<TStart> starts_; // validating: where each mover began the step

    // The zones as the quiet passes' sweeps first look at them.
    TZoneBoxes zoneBoxes_;
    // The zones that a path of the mass comes near, as FirstTouch answers.
    void SweepZones(const TStepContext& step, const TMass* m, const TSweptDisc& path, TTouch& touch,
                    TZoneBase*& zone, TNearZones& near) const;

    bool on_ = false;
    bool bullets_ = false;
    std::vector<float> from_;
    // The frozen masses, sorted by the key of their cell, a cell as wide as
    // twice the largest of them.
    std::vector<TObstacle> frozen_;
    std::vector<std::int64_t> keys_;
    std::vector<TMass*> frozenNow_; // this step's frozen masses, in list order
    std::uint64_t frozenSignature_ = 0;
    float cell_ = 1, largest_ = 0;
};

} // namespace kel::tangle::detail
