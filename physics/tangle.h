#pragma once
// The physics library: world, masses, constraints, collision events, bodies,
// zones and their quadtrees.

#include "physics/advbody.h"
#include "physics/body.h"
#include "physics/builders.h"
#include "physics/colevent.h"
#include "physics/constraint.h"
#include "physics/contact_change.h"
#include "physics/index_table.h"
#include "physics/mass.h"
#include "physics/procedural.h"
#include "physics/quadtree.h"
#include "physics/query.h"
#include "physics/rig.h"
#include "physics/snapshot.h"
#include "physics/task_system.h"
#include "physics/view.h"
#include "physics/world.h"
#include "physics/world_def.h"
#include "physics/zone.h"
#include "physics/zonebase.h"
