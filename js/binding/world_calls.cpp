// The world: made from its definition, freed with everything in it,
// stepped, its settings, and which world is current.

#include <cmath>
#include <exception>

#include "js/binding/binding.h"
#include "js/binding/c_api.h"
#include "js/binding/codes.h"
#include "js/binding/exports.h"

namespace js_binding {

namespace {

TJsWorld* active = nullptr;
std::string lastError;
std::vector<double> input;

// The module lists as the world has them, whichever world is current.
void KeepLists(TJsWorld& w) {
    w.massList = massList;
    w.constraintList = constraintList;
    w.zoneList = zoneList;
}

// Leaves no world current, its lists kept with it: a new TPhysics drops
// the current lists, which must not be another world's.
void Deactivate() {
    if (active) KeepLists(*active);
    active = nullptr;
    currentWorld = nullptr;
    massList = constraintList = zoneList = nullptr;
}

// The fields of a world's definition in the input buffer, in this order.
enum TDefField {
    kDefLeft, kDefTop, kDefRight, kDefBottom, kDefGravityX, kDefGravityY, kDefPasses,
    kDefFriction, kDefGrid, kDefLargestRadius, kDefCellSize, kDefStacking, kDefSleepSpeed,
    kDefSleepSteps, kDefContinuous, kDefTrackContacts, kDefFields
};

} // namespace

TJsWorld& Activate(TJsWorld* world) {
    if (active != world) {
        if (active) KeepLists(*active);
        active = world;
        currentWorld = world->physics;
        massList = world->massList;
        constraintList = world->constraintList;
        zoneList = world->zoneList;
    }
    return *world;
}

TJsWorld* WorldOf(double handle) {
    // Worlds are handed out by tg_world_create alone, and the wrapper never
    // passes one it has freed.
    if (!(handle > 0)) return nullptr;
    auto* w = reinterpret_cast<TJsWorld*>(static_cast<std::uintptr_t>(handle));
    return &Activate(w);
}

int Refuse(int code, const std::string& why) {
    lastError = why;
    return code;
}

const std::vector<double>& Input() { return input; }

double* Output(TJsWorld& w, std::size_t count) {
    w.out.resize(count);
    return w.out.data();
}

} // namespace js_binding

using namespace js_binding;

extern "C" {

TG_EXPORT const char* tg_error() { return lastError.c_str(); }

TG_EXPORT double* tg_in(int count) {
    if (count < 0) return nullptr;
    if (input.size() < static_cast<std::size_t>(count)) input.resize(static_cast<std::size_t>(count));
    return input.data();
}

TG_EXPORT double* tg_out(double world) {
    TJsWorld* w = WorldOf(world);
    return w ? w->out.data() : nullptr;
}

TG_EXPORT double tg_world_create() {
    const std::vector<double>& in = Input();
    if (in.size() < kDefFields) return Refuse(0, "the definition was not passed");
    TWorldDef def;
    const auto f = [&](int k) { return static_cast<float>(in[static_cast<std::size_t>(k)]); };
    const auto i = [&](int k) { return static_cast<int>(in[static_cast<std::size_t>(k)]); };
    def.left = f(kDefLeft);
    def.top = f(kDefTop);
    def.right = f(kDefRight);
    def.bottom = f(kDefBottom);
    def.gravityX = f(kDefGravityX);
    def.gravityY = f(kDefGravityY);
    def.passes = i(kDefPasses);
    def.friction = f(kDefFriction);
    def.grid = i(kDefGrid) != 0;
    def.largestRadius = f(kDefLargestRadius);
    def.cellSize = f(kDefCellSize);
    def.stacking = i(kDefStacking);
    def.sleepSpeed = f(kDefSleepSpeed);
    def.sleepSteps = i(kDefSleepSteps);
    def.continuous = i(kDefContinuous) != 0;
    def.trackContacts = i(kDefTrackContacts) != 0;
    Deactivate();
    try {
        auto w = std::make_unique<TJsWorld>();
        w->physics = TPhysics::Create(def);
        if (!w->physics) return Refuse(0, "the world's definition holds a number that is not finite");
        // The package reports contacts as arrays (ContactBegins); the queue
        // would only hold masses alive.
        TColEvent::SetMode(TColEvent::MODE_DISCARD);
        KeepLists(*w);
        active = w.get();
        return static_cast<double>(reinterpret_cast<std::uintptr_t>(w.release()));
    } catch (const std::exception& e) {
        Deactivate();
        return Refuse(0, e.what());
    }
}

TG_EXPORT void tg_world_free(double world) {
    TJsWorld* w = WorldOf(world);
    if (!w) return;
    TPhysics::Free();
    Deactivate();
    delete w; // its handles drop every object it handed out
}

TG_EXPORT int tg_world_step(double world, int steps) {
    TJsWorld* w = WorldOf(world);
    if (!w) return Refuse(-1, "no world");
    try {
        for (int k = 0; k < steps; ++k) TPhysics::Update();
    } catch (const std::exception& e) {
        return Refuse(-1, e.what());
    }
    return 0;
}

// Settings (TWorldSetting).
TG_EXPORT int tg_world_set(double world, int what, double a, double b) {
    TJsWorld* w = WorldOf(world);
    if (!w) return Refuse(-1, "no world");
    const float fa = static_cast<float>(a), fb = static_cast<float>(b);
    const int ia = static_cast<int>(a), ib = static_cast<int>(b);
    int result = -1;
    switch (what) {
    case kSetGravity: result = TPhysics::SetGravity(fa, fb); break;
    case kSetPasses: result = TPhysics::SetIterations(ia); break;
    case kSetFriction: result = TPhysics::SetFriction(fa); break;
    case kSetBounds: {
        const std::vector<double>& in = Input();
        if (in.size() < 4) return Refuse(-1, "the bounds were not passed");
        result = TPhysics::SetBounds(static_cast<float>(in[0]), static_cast<float>(in[1]),
                                     static_cast<float>(in[2]), static_cast<float>(in[3]));
        w->structureChanged = true;
        break;
    }
    case kSetStacking: result = TPhysics::SetStacking(ia); break;
    case kSetSleep: result = TPhysics::SetSleep(fa, ib); break;
    case kSetContinuous: result = TPhysics::SetContinuous(ia); break;
    case kSetTrackContacts: result = TPhysics::TrackContacts(ia); break;
    case kSetCellSize: result = TPhysics::SetCellSize(fa); break;
    case kSetThreads: result = TPhysics::SetThreads(ia); break;
    default: return Refuse(-1, "no such setting");
    }
    return result == 0 ? 0 : Refuse(-1, "the world refused the value");
}

TG_EXPORT double tg_world_get(double world, int what) {
    TJsWorld* w = WorldOf(world);
    if (!w) return 0;
    const TPhysics& p = *w->physics;
    switch (what) {
    case kGravityX: return p.gravityX;
    case kGravityY: return p.gravityY;
    case kPasses: return p.i;
    case kFriction: return p.friction;
    case kStacking: return TPhysics::GetStacking();
    case kSleepSpeed: return p.sleepSpeed;
    case kSleepSteps: return p.sleepSteps;
    case kContinuous: return TPhysics::GetContinuous();
    case kTrackContacts: return TPhysics::TracksContacts();
    case kCellSize: return TPhysics::GetCellSize();
    case kThreads: return TPhysics::GetThreads();
    case kMassCount: return massList ? massList->Count() : 0;
    case kConstraintCount: return constraintList ? constraintList->Count() : 0;
    case kZoneCount: return zoneList ? zoneList->Count() : 0;
    case kAwakeCount: return TPhysics::AwakeCount();
    case kNonFiniteCount: return TPhysics::NonFiniteCount();
    case kBoundsLeft: return p.boundsMinX;
    case kBoundsTop: return p.boundsMinY;
    case kBoundsRight: return p.boundsMaxX;
    case kBoundsBottom: return p.boundsMaxY;
    default: return 0;
    }
}

TG_EXPORT int tg_new_group() { return NewColGroup(); }

// Whether this build steps on several threads (a WebAssembly build without
// shared memory does not).
TG_EXPORT int tg_has_threads() {
#if defined(__EMSCRIPTEN__) && !defined(__EMSCRIPTEN_PTHREADS__)
    return 0;
#else
    return 1;
#endif
}

} // extern "C"
