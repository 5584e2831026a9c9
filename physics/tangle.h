#pragma once
// The physics library: world, masses, constraints, collision events, bodies.

#include "physics/body.h"
#include "physics/colevent.h"
#include "physics/constraint.h"
#include "physics/degmath.h"
#include "physics/mass.h"
#include "physics/world.h"
#include "physics/zonebase.h"
