#pragma once
// The C interface the JavaScript package calls (js/package/index.js wraps
// it). Every function takes a world handle and checks every object handle it
// is given against the objects that world has handed out, so a stale or
// foreign handle is refused instead of followed; nothing here throws across
// the boundary. Results of more than one number go to the world's result
// buffer (tg_out), inputs of more than a few to the module's input buffer
// (tg_in), both plain doubles.
//
// kel.tangle keeps one current world in module-wide lists; a handle makes
// its world current before each call (Activate), so several worlds live side
// by side in one module.

#include <cstdint>
#include <string>
#include <map>
#include <unordered_map>
#include <vector>

#include "physics/tangle.h"

namespace js_binding {

using namespace kel::tangle;

/// Every object a world has handed to JavaScript, held so that a handle
/// never outlives what it points at, by kind so that a mass handle is never
/// taken for a zone.
template <class T> class THandles {
  public:
    T* Find(double handle) const {
        const auto it = held_.find(static_cast<std::uintptr_t>(handle));
        return it == held_.end() ? nullptr : it->second.Get();
    }
    double Hold(T* object) {
        if (!object) return 0;
        held_.emplace(reinterpret_cast<std::uintptr_t>(object), core::Ref<T>(object));
        return static_cast<double>(reinterpret_cast<std::uintptr_t>(object));
    }
    void Drop(T* object) { held_.erase(reinterpret_cast<std::uintptr_t>(object)); }
    template <class F> void Each(F&& f) const {
        for (const auto& [handle, object] : held_) f(object.Get());
    }

  private:
    // Ordered, so that walks (the bodies a world file holds) go the same way
    // on every run.
    std::map<std::uintptr_t, core::Ref<T>> held_;
};

/// One world of the package and everything it handed out.
struct TJsWorld {
    core::Ref<TPhysics> physics;
    // The module lists while another world is current.
    core::Ref<core::TList> massList, constraintList, zoneList;
    // Holds the constraints made one by one, and the masses added alone.
    core::Ref<TBody> own = core::Make<TBody>();
    THandles<TMass> masses;
    THandles<TConstraint> constraints;
    THandles<TZone> zones;
    THandles<TAdvBody> bodies;
    THandles<TWorldSnapshot> snapshots;
    // The masses added alone, which the world itself holds in the step.
    std::unordered_map<const TMass*, int> alone;
    // What the drawing views read (see draw_calls.cpp).
    std::vector<float> positions, radii;
    std::vector<std::uint32_t> pairs;
    std::unordered_map<const TMass*, std::uint32_t> drawSlot;
    std::vector<TMass*> drawn;
    // The lists' versions the radii and pairs were built for; a restore or a
    // load sets structureChanged as well, since it may swap whole lists.
    std::uint64_t massVersion = 0, constraintVersion = 0;
    bool structureChanged = true;
    // Results of more than one number, and of bytes (files).
    std::vector<double> out;
    std::vector<std::uint8_t> bytes;
};

/// Makes the world current (its lists the module's). Returns it.
TJsWorld& Activate(TJsWorld* world);
/// The world of a handle, made current; null for none.
TJsWorld* WorldOf(double handle);
/// Records the reason of the last refusal, for tg_error; returns `code`.
int Refuse(int code, const std::string& why);
/// The module's input buffers: numbers, and the bytes of a file.
const std::vector<double>& Input();
const std::vector<std::uint8_t>& InputBytes();
/// Begins a result of `count` numbers in the world's buffer.
double* Output(TJsWorld& w, std::size_t count);

} // namespace js_binding
