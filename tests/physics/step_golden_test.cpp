// The step's results depend on the order it visits masses in. This scene
// pins them down bit for bit: any change to the step that alters an order
// or a rounding changes the hash.

#include <cstdint>
#include <cstring>
#include <vector>

#include "fnv.h"
#include "scene.h"

namespace {

using namespace scene;

// Takes one chosen mass out of the world from inside its first contact.
struct RemoveOnce {
    static inline TMass* victim = nullptr;
    static inline int removed = 0;
    static core::Ref<core::Object> Run(int, core::Object* data, core::Object*) {
        auto* e = core::As<TColEvent>(data);
        if (victim && e && e->id == TColEvent::MASS_MASS &&
            (e->GetMass1() == victim || e->GetMass2() == victim)) {
            TMass* v = victim;
            victim = nullptr;
            ++removed;
            while (v->IsActive()) v->SubRef();
        }
        return data;
    }
};

struct Scene {
    core::Ref<TBody> body = core::Make<TBody>();
    std::vector<core::Ref<TMass>> masses;
    std::vector<core::Ref<TConstraint>> constraints;
};

// A pile of masses of mixed radius and weight, a few frozen, half of them
// joined in pairs, dropped into a small gridded world without zones.
Scene Build() {
    TPhysics::Create(200, 300, 0.2f, 0.01f, 3);
    TPhysics::SetGridSize(16);
    TPhysics::UseShiftedGrid(1);
    Scene s;
    for (int k = 0; k < 400; ++k) {
        float radius = 2.0f + static_cast<float>(k % 5) * 0.75f;
        float weight = 0.5f + static_cast<float>(k % 7) * 0.4f;
        float x = 10 + static_cast<float>((k * 37) % 180);
        float y = 290 - static_cast<float>(k / 20) * 7.0f - static_cast<float>(k % 3);
        int group = k % 11 == 0 ? 5 : -1; // some share a group and pass through
        core::Ref<TMass> m = TMass::Create(x, y, weight, radius, 0.3f, group);
        m->AddRef();
        if (k % 53 == 7) m->Freeze();
        s.masses.push_back(m);
        if (k % 2 && k % 6 != 5) {
            core::Ref<TConstraint> c = TConstraint::Create(s.masses[k - 1], s.masses[k], 0, 0.4f);
            c->Assign(s.body);
            s.constraints.push_back(c);
        }
    }
    return s;
}

TEST_F(PhysicsTest, StepResultsStayBitIdentical) {
    Scene s = Build();
    RemoveOnce::victim = s.masses[250];
    RemoveOnce::removed = 0;
    core::AddHook(TColEvent::colHookId, RemoveOnce::Run);
    Fnv hash;
    for (int step = 0; step < 300; ++step) {
        TPhysics::Update();
        hash.Add(TColEvent::QueueCount());
        for (const core::Ref<TMass>& m : s.masses) {
            hash.Add(m->posX);
            hash.Add(m->posY);
            hash.Add(m->oldPosX);
            hash.Add(m->oldPosY);
        }
    }
    core::RemoveHook(TColEvent::colHookId, RemoveOnce::Run);
    EXPECT_EQ(RemoveOnce::removed, 1);
    EXPECT_FALSE(s.masses[250]->InWorld());
    EXPECT_EQ(hash.h, 0xa7fbc0f2f17a1531ull);
}

// The step passes over grid cells that no contact can come from, but only in
// passes where no outside code (a hook, a zone response) can move masses
// behind its back. Stepping with and without such a pass-through hook must
// give the same bits, in a pile full of contacts and against a zone.
core::Ref<core::Object> PassThrough(int, core::Object* data, core::Object*) { return data; }

struct Outcome {
    std::uint64_t hash = 0;
    long events = 0;
};

Outcome StepPile(bool withHook) {
    TPhysics::Free();
    TColEvent::Flush();
    Scene s = Build();
    core::Ref<TZone> ramp = TZone::Create({0, 200, 120, 260}, TZone::LINE, 0.5f, -1, 3);
    if (withHook) core::AddHook(TColEvent::colHookId, PassThrough);
    Outcome out;
    Fnv hash;
    for (int step = 0; step < 200; ++step) {
        TPhysics::Update();
        out.events += TColEvent::QueueCount();
        for (const core::Ref<TMass>& m : s.masses) {
            hash.Add(m->posX);
            hash.Add(m->posY);
            hash.Add(m->oldPosX);
            hash.Add(m->oldPosY);
        }
    }
    if (withHook) core::RemoveHook(TColEvent::colHookId, PassThrough);
    out.hash = hash.h;
    return out;
}

TEST_F(PhysicsTest, PassingOverCellsOutOfReachChangesNoResult) {
    const Outcome bounded = StepPile(false);
    const Outcome walked = StepPile(true);
    EXPECT_GT(bounded.events, 50000); // contacts everywhere, every step
    EXPECT_EQ(bounded.events, walked.events);
    EXPECT_EQ(bounded.hash, walked.hash);
}

} // namespace
