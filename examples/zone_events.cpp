// A zone from a polygon, and the collision events: a ball rolls down a
// slope; a hook counts every contact as the step finds it, and after each
// step the queue is read, one event per touching pair.
#include <cstdio>

#include "physics/tangle.h"

using namespace kel::tangle;

namespace {

// [contact-hook]
// What the hook counts into: a hook's context is an object.
class Counter : public core::Object {
  public:
    int contacts = 0;
};

// Sees every contact while the step runs, before it is queued.
core::Ref<core::Object> CountContact(int, core::Object* data, core::Object* context) {
    if (core::As<TColEvent>(data)) ++static_cast<Counter*>(context)->contacts;
    return data; // passed on to the queue; null would keep it out
}
// [/contact-hook]

} // namespace

int main() {
    core::Ref<TPhysics> world = TPhysics::Create(400, 300, 0.1f, 0, 2);

    // [zone-events]
    // A solid slope: x, y pairs of its outline, its style, friction,
    // collision group (-1: fresh) and quadtree depth.
    core::Ref<TZone> slope =
        TZone::Create({0, 120, 400, 280, 400, 300, 0, 300}, TZone::FILL, 0.1f, -1, 4);

    // A lone mass with no constraint enters the world by hand.
    core::Ref<TMass> ball = TMass::Create(40, 40, 1, 8, 0.1f, -1);
    ball->AddRef();

    core::Ref<Counter> counter = core::Make<Counter>();
    core::AddHook(TColEvent::colHookId, &CountContact, counter);

    int onSlope = 0, onBounds = 0;
    for (int step = 1; step <= 300; ++step) {
        TPhysics::Update();
        // After a step the queue holds exactly that step's contacts.
        while (core::Ref<TColEvent> event = TColEvent::Poll()) {
            if (event->GetID() == TColEvent::MASS_ZONE && event->GetZone() == slope) {
                if (onSlope++ == 0)
                    std::printf("step %d: first touch at (%.1f, %.1f), force %.2f\n", step,
                                event->GetX(), event->GetY(), event->GetForce());
            } else if (event->GetID() == TColEvent::MASS_BOUNDS) {
                ++onBounds;
            }
        }
    }
    std::printf("%d steps on the slope, %d against the bounds, %d contacts in all; "
                "the ball is at x = %.0f\n",
                onSlope, onBounds, counter->contacts, ball->GetX());
    // [/zone-events]
    core::RemoveHook(TColEvent::colHookId, &CountContact, counter);

    // The ball touched the slope, rolled down it and came to the wall; the
    // hook saw each contact the queue merged, and more (several passes).
    if (onSlope == 0 || onBounds == 0 || ball->GetX() < 300 ||
        counter->contacts < onSlope + onBounds) {
        std::fprintf(stderr, "zone_events: the ball did not roll down the slope\n");
        return 1;
    }
    return 0;
}
