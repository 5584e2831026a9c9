#pragma once
// The library's operations as plain functions, for code that prefers calls
// to methods: WorldCreate, MassSetVelocity, ConGetStress, AdvBodyMassAdd ...
// Each forwards to exactly one class function or method and adds nothing.
// A method's form takes the object first; forms marked 0 in the table return
// 0 whatever the operation returned. The forms and their parameter types are
// listed in physics/procedural_forms.h.

#include <string>
#include <vector>

#include "core/list.h"
#include "core/object.h"
#include "graphics/image.h"
#include "graphics/pixmap_source.h"
#include "physics/advbody.h"
#include "physics/body.h"
#include "physics/colevent.h"
#include "physics/constraint.h"
#include "physics/mass.h"
#include "physics/procedural_forms.h"
#include "physics/query.h"
#include "physics/rig.h"
#include "physics/world.h"
#include "physics/zone.h"
#include "physics/zonebase.h"

namespace kel::tangle {

#define TANGLE_DECLARE_NEW(Word) core::Ref<TANGLE_CLASS(Word)> Word##Create();
#define TANGLE_DECLARE_FN(R, Word, Op, ...) R Word##Op(__VA_ARGS__);
#define TANGLE_DECLARE_FN0(Word, Op, ...) int Word##Op(__VA_ARGS__);
#define TANGLE_DECLARE_M(R, Word, Op, ...)                                                         \
    R Word##Op(TANGLE_CLASS(Word) * __VA_OPT__(, ) __VA_ARGS__);
#define TANGLE_DECLARE_M0(Word, Op, ...)                                                           \
    int Word##Op(TANGLE_CLASS(Word) * __VA_OPT__(, ) __VA_ARGS__);

TANGLE_PROCEDURAL_FORMS(TANGLE_DECLARE_NEW, TANGLE_DECLARE_FN, TANGLE_DECLARE_FN0, TANGLE_DECLARE_M,
                        TANGLE_DECLARE_M0)

#undef TANGLE_DECLARE_NEW
#undef TANGLE_DECLARE_FN
#undef TANGLE_DECLARE_FN0
#undef TANGLE_DECLARE_M
#undef TANGLE_DECLARE_M0

} // namespace kel::tangle
