#pragma once
// TUserData: what a program keeps on a mass, constraint, zone or body for
// its own use.

#include <cstdint>

namespace kel::tangle {

/// A pointer, an integer, or both, that a program keeps on an object of the
/// world (its own game object, an id, a tag). The library never reads them.
/// They stay on the object through steps and snapshots; copies, body and
/// world files do not carry them (a pointer means nothing in another process
/// or to another object).
struct TUserData {
    /// The program's pointer; null at first.
    void* pointer = nullptr;
    /// The program's integer; 0 at first.
    std::int64_t value = 0;
};

} // namespace kel::tangle
