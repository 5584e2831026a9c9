#pragma once
// The files of the samples' "bodies" scene, built with the library's own
// operations: a crate body with its picture embedded, and a ramp zone.

#include <string>

#include "core/object.h"
#include "physics/tangle.h"

namespace sample_files {

core::Ref<kel::tangle::TAdvBody> BuildCrate();
core::Ref<kel::tangle::TZone> BuildRamp();

// Writes both files into the folder (names from samples/sample_files.h).
// Throws when one cannot be written.
void WriteSampleFiles(const std::string& folder);

} // namespace sample_files
