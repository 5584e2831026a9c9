#pragma once
// What a world snapshot holds: every object of the world with the values of
// all its fields, the module lists in their order, the grid's cells in their
// order and the sleep phase's islands. The snapshot holds every object it
// names, so a restore finds them all alive; a world file is the same record
// with objects made afresh by the loader.
//
// Capture and Apply are the two halves: Capture only reads the world, Apply
// only writes it, and Apply into a world that still holds the same objects
// in the same lists allocates nothing and leaves the lists' links alone.

#include <cstdint>
#include <string>
#include <vector>

#include "core/list.h"
#include "core/object.h"
#include "graphics/image.h"
#include "physics/advbody.h"
#include "physics/body.h"
#include "physics/constraint.h"
#include "physics/grid/cell_table.h"
#include "physics/contacts/contact_tracker.h"
#include "physics/sleep/sleep.h"
#include "physics/mass.h"
#include "physics/quadtree.h"
#include "physics/rig.h"
#include "physics/world/world_settings.h"
#include "physics/zone.h"

namespace kel::tangle {
class TPhysics;
}

namespace kel::tangle::detail {

// The world's own settings, the fields of world_settings.h.
struct TSettingsState {
#define KEL_TANGLE_SETTING_FIELD(type, name, fallback, since, finite, get, set) type name = fallback;
    KEL_TANGLE_WORLD_SETTINGS(KEL_TANGLE_SETTING_FIELD)
#undef KEL_TANGLE_SETTING_FIELD

    // Read from world w, and put into it.
    void Take(const TPhysics& w);
    void Apply(TPhysics& w) const;
};

struct TMassState {
    core::Ref<TMass> mass;
    float posX, posY, oldPosX, oldPosY, radius, colGroup, weight, friction;
    int frozen, gridx, gridy, refCounter, index, sleepIsland, stillSteps, bullet;
    std::uint32_t stepSlot;
    std::string name;

    void Take(TMass* m);
    void Apply() const; // everything but the list and grid links
};

// A constraint's fields, public and private.
struct TConstraintState {
    core::Ref<TConstraint> constraint;
    core::Ref<TMass> m[2];
    float restLength, stiffness;
    int refCounter, index;
    TConstraint::Kind kind;
    std::vector<core::Ref<TMass>> ring;
    std::vector<float> params;
    float compliance, damping, lambda, winding;
    std::string name;

    void Take(TConstraint* c);
    void Apply() const;
};

// A zone: every field but its response, which is code.
struct TZoneState {
    core::Ref<TZoneBase> base; // a zone of another class keeps only its group
    core::Ref<TZone> zone;     // null for such a zone
    int colGroup = 0;
    std::string name;
    std::vector<float> origArea, area;
    int style = 0;
    float friction = 0, offsetX = 0, offsetY = 0, angle = 0, scaleX = 1, scaleY = 1;
    float red = 1, green = 1, blue = 1, alpha = 1;
    int blend = 1;
    core::Ref<TQuadTree> quadTree;
    int qtLevel = 0;
    core::Ref<draw2d::TImage> image;
    float imgScaleX = 1, imgScaleY = 1;

    void Take(TZoneBase* z);
    void Apply() const;
};

struct TRigState {
    core::Ref<TRig> rig;
    std::string name;
    core::Ref<draw2d::TImage> image;
    core::Ref<TMass> mass;
    core::Ref<TConstraint> con;
    float angle, scaleX, scaleY, red, green, blue, alpha;
    int blend;

    void Take(TRig* r);
    void Apply() const;
};

// A body's constraint list and, for an advanced body, its four tables.
struct TBodyState {
    core::Ref<TBody> body;
    core::Ref<TAdvBody> adv; // null for a plain body
    std::string name;
    std::vector<core::Ref<core::Object>> conList;
    template <class T> struct Table {
        int count = 0;
        std::vector<core::Ref<T>> slots; // the first `count` of the table's slots
    };
    Table<TMass> masses;
    Table<TConstraint> cons;
    Table<draw2d::TImage> images;
    Table<TRig> rigs;

    void Take(TBody* b);
    void Apply() const;
};

struct TWorldState {
    TSettingsState settings;
    // The module lists in order; a value of a class the world does not know
    // is kept as it is.
    std::vector<core::Ref<core::Object>> massList, constraintList, zoneList;
    // Every mass, constraint, zone and rig named anywhere in the record,
    // those of the lists first, in list order.
    std::vector<TMassState> masses;
    std::vector<TConstraintState> constraints;
    std::vector<TZoneState> zones;
    std::vector<TRigState> rigs;
    std::vector<TBodyState> bodies;
    // The grid: the masses of every non-empty cell, cell after cell, each
    // cell's in its order, with the index of its cell.
    std::vector<TMass*> cellMasses;
    std::vector<TCellPlace> cellOf;
    bool gridStrangers = false;
    TSleepState sleep;
    TContactTracker::State contacts;

    // Reads the current world and the given bodies. False without a world,
    // or from inside a step.
    bool Capture(TPhysics& w, const std::vector<TBody*>& bodies);
    // Puts the world back as the record has it: see the file's notes.
    // False (nothing done) without a world, or from inside a step.
    bool Apply(TPhysics& w) const;
};

} // namespace kel::tangle::detail
