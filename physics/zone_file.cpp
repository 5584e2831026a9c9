#include "physics/zone.h"

namespace kel::tangle {

core::Ref<TZone> TZone::Load(const std::string&) { return nullptr; }
int TZone::Save(const std::string&, int, int) { return 0; }

} // namespace kel::tangle
