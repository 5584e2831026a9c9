// A world made from a definition, and contacts that begin and end: a ball
// rolls down a slope, across the floor and into a second ball. A hook counts
// every contact as the step finds it, the queue holds one event per touching
// pair and step, and ContactBegins / ContactEnds tell only what changed.
#include <cstdio>
#include <string>

#include "physics/tangle.h"

using namespace kel::tangle;

namespace {

class Counter : public core::Object {
  public:
    int calls = 0;
};

core::Ref<core::Object> CountCall(int, core::Object* data, core::Object* context) {
    ++static_cast<Counter*>(context)->calls;
    return data;
}

// "ball and slope", "ball and target", "target and bounds".
std::string Describe(const TContactChange& c) {
    std::string other = "bounds";
    if (const TMass* m = c.GetMass2())
        other = m->GetName();
    else if (c.GetZone())
        other = "slope";
    return c.mass->GetName() + " and " + other;
}

} // namespace

int main() {
    // [world-def]
    // Every setting by name; the rest keep their defaults (see TWorldDef).
    TWorldDef def;
    def.right = 400; // the bounds: (0, 0) to (400, 300)
    def.bottom = 300;
    def.gravityX = 0; // gravity as (x, y), units per step per step
    def.gravityY = 0.2f;
    def.passes = 8;
    def.friction = 0;         // of the bounds: the floor is slippery
    def.largestRadius = 10;   // the contact grid's cells are at least 20 wide
    def.trackContacts = true; // ContactBegins / ContactEnds from the first step
    core::Ref<TPhysics> world = TPhysics::Create(def);
    // [/world-def]

    core::Ref<TZone> slope =
        TZone::Create({0, 100, 160, 290, 0, 290}, TZone::FILL, 0.1f, NewColGroup(), 4);
    core::Ref<TMass> ball = TMass::Create(20, 60, 1, 10, 0.1f, NewColGroup());
    ball->SetName("ball");
    core::Ref<TMass> target = TMass::Create(220, 290, 1, 10, 0.1f, NewColGroup());
    target->SetName("target");
    // Lone masses (no constraint holds them) enter the world by hand.
    ball->AddRef();
    target->AddRef();

    // [contact-events]
    // The hook: every contact, as each pass finds it.
    core::Ref<Counter> hook = core::Make<Counter>();
    core::AddHook(TColEvent::colHookId, &CountCall, hook);

    int queued = 0, begins = 0, ends = 0;
    for (int step = 1; step <= 400; ++step) {
        TPhysics::Update();
        // The queue: one event for each pair that touched in this step.
        queued += TColEvent::QueueCount();
        // Only what changed since the step before; valid until the next Update.
        for (const TContactChange& c : TPhysics::ContactBegins()) {
            std::printf("step %3d: %s begin to touch at (%.0f, %.0f)\n", step, Describe(c).c_str(),
                        c.x, c.y);
            ++begins;
        }
        for (const TContactChange& c : TPhysics::ContactEnds()) {
            std::printf("step %3d: %s part\n", step, Describe(c).c_str());
            ++ends;
        }
    }
    std::printf("%d hook calls, %d queued events, %d begins, %d ends\n", hook->calls, queued,
                begins, ends);
    // [/contact-events]
    core::RemoveHook(TColEvent::colHookId, &CountCall);

    // The ball must have met the slope and the target, and left the slope.
    if (begins < 3 || ends < 1 || hook->calls <= queued) {
        std::fprintf(stderr, "contact_events: not the contacts expected\n");
        return 1;
    }
    return 0;
}
