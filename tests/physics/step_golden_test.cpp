// The step's results depend on the order it visits masses in. This scene
// pins them down bit for bit: any change to the step that alters an order
// or a rounding changes the hash.

#include <cstdint>
#include <cstring>
#include <vector>

#include "scene.h"

namespace {

using namespace scene;

struct Fnv {
    std::uint64_t h = 1469598103934665603ull;
    void Add(const void* data, std::size_t n) {
        const auto* p = static_cast<const unsigned char*>(data);
        for (std::size_t k = 0; k < n; ++k) {
            h ^= p[k];
            h *= 1099511628211ull;
        }
    }
    void Add(float f) { Add(&f, sizeof f); }
    void Add(int v) { Add(&v, sizeof v); }
};

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

} // namespace
