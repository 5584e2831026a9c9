// Values that are not finite are told, not hidden: every setter refuses a
// NaN or an infinity with -1 and changes nothing, every creator gives none,
// the procedural forms pass the refusal on, saves that write nothing say so,
// and loaders refuse files that carry such a number where a setter would.

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "graphics/draw2d.h"
#include "physics/procedural.h"
#include "scene.h"
#include "scratch_dir.h"

using namespace scene;
namespace fs = std::filesystem;

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kBad[] = {kNaN, kInf, -kInf};
// Taken by every setter below, and different from what each object starts with.
constexpr float kGood = 0.25f;

// The bits of the values: "unchanged" is exact, and a NaN equals itself.
using Bits = std::vector<std::uint32_t>;
Bits BitsOf(std::initializer_list<float> values) {
    Bits bits;
    for (float v : values) {
        std::uint32_t b;
        std::memcpy(&b, &v, sizeof b);
        bits.push_back(b);
    }
    return bits;
}
Bits& operator+=(Bits& a, const Bits& b) { return a.insert(a.end(), b.begin(), b.end()), a; }

Bits StateOf(const TMass& m) {
    return BitsOf({m.posX, m.posY, m.oldPosX, m.oldPosY, m.radius, m.mass, m.friction,
                   static_cast<float>(m.frozen)});
}
Bits StateOf(const TConstraint& c) {
    float lower, upper;
    c.GetAngleLimits(lower, upper);
    return BitsOf(
        {c.restLength, c.stiffness, c.GetCompliance(), c.GetDampingRatio(), lower, upper});
}
Bits StateOf(const TRig& r) { return BitsOf({r.angle, r.scaleX, r.scaleY, r.alpha}); }
Bits StateOf(const TZone& z) {
    Bits bits = BitsOf({z.friction, z.offsetX, z.offsetY, z.angle, z.scaleX, z.scaleY, z.alpha,
                        z.imgScaleX, z.imgScaleY});
    for (float f : z.origArea) bits += BitsOf({f});
    for (float f : z.area) bits += BitsOf({f});
    // A rebuilt tree is a new object.
    const auto tree =
        static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(z.quadTree.Get()));
    bits.push_back(static_cast<std::uint32_t>(tree));
    bits.push_back(static_cast<std::uint32_t>(tree >> 32));
    return bits;
}
Bits StateOf(const TAdvBody& b) {
    Bits bits = BitsOf(
        {static_cast<float>(b.mIndex), static_cast<float>(b.cIndex), static_cast<float>(b.rIndex)});
    b.masses.ForEach([&](int, TMass* m) { bits += StateOf(*m); });
    b.cons.ForEach([&](int, TConstraint* c) { bits += StateOf(*c); });
    b.rigs.ForEach([&](int, TRig* r) { bits += StateOf(*r); });
    return bits;
}
Bits StateOf(const TPhysics& w) {
    return BitsOf({w.boundsMinX,  w.boundsMinY,
                   w.boundsMaxX,  w.boundsMaxY,
                   w.gravityX,    w.gravityY,
                   w.friction,    TPhysics::GetCellSize(),
                   w.sleepSpeed,  static_cast<float>(w.sleepSteps),
                   w.centerX,     w.centerY,
                   w.drawScale,   w.drawRot,
                   w.drawIX,      w.drawIY,
                   w.drawJX,      w.drawJY,
                   w.drawOffsetX, w.drawOffsetY});
}

// One setter of an object, given one number (the others finite).
template <class T> struct Setter {
    const char* name;
    std::function<int(T&, float)> set;
};

// Each setter refuses each bad value with -1, leaving the object as it was,
// bit for bit, and takes a finite one.
template <class T> void ExpectRefusals(T& object, const std::vector<Setter<T>>& setters) {
    for (const Setter<T>& s : setters) {
        for (float bad : kBad) {
            const Bits before = StateOf(object);
            EXPECT_EQ(s.set(object, bad), -1) << s.name << "(" << bad << ")";
            EXPECT_EQ(StateOf(object), before) << s.name << "(" << bad << ") changed something";
        }
        const Bits before = StateOf(object);
        EXPECT_EQ(s.set(object, kGood), 0) << s.name;
        EXPECT_NE(StateOf(object), before) << s.name << " took nothing";
    }
}

// A 2 x 2 picture.
core::Ref<draw2d::TImage> Picture() {
    auto pixmap = draw2d::CreatePixmap(2, 2, draw2d::PIXEL_RGBA);
    pixmap->ClearPixels(0xff336699u);
    return draw2d::LoadImage(pixmap.Get(), 0);
}

// Three masses, an angle constraint with a compliance, a picture and a rig.
core::Ref<TAdvBody> SmallBody() {
    auto body = core::Make<TAdvBody>();
    body->SetName("B");
    body->MassAdd(10, 10, 1, 4, 0.5f, -1);
    body->MassAdd(20, 10, 1, 4, 0.5f, -1);
    body->MassAdd(20, 30, 1, 4, 0.5f, -1);
    for (int k = 0; k < 3; ++k) body->MassSetName(k, "M");
    body->ConAddAngle(0, 1, 2, 0, 1);
    body->ConSetName(0, "C");
    body->ConSetCompliance(0, 0.5f, 1);
    body->ConGet(0)->SetAngleLimits(10, 350);
    body->RigAdd(body->ImageAdd(Picture()), 0, 0, 5);
    body->RigSetName(0, "R");
    return body;
}

using BadValues = ScratchDirTest;

// ---- Setters ---------------------------------------------------------------

TEST_F(BadValues, MassSettersRefuseAndLeaveTheMassAsItWas) {
    core::Ref<TMass> m = Enter(100, 100, 4, -1, 0.5f);
    m->SetVelocity(1, 2);
    ExpectRefusals<TMass>(
        *m, {
                {"Move x", [](TMass& m, float v) { return m.Move(v, 1); }},
                {"Move y", [](TMass& m, float v) { return m.Move(1, v); }},
                {"Translate x", [](TMass& m, float v) { return m.Translate(v, 1); }},
                {"Translate y", [](TMass& m, float v) { return m.Translate(1, v); }},
                {"Position x", [](TMass& m, float v) { return m.Position(v, 3); }},
                {"Position y", [](TMass& m, float v) { return m.Position(3, v); }},
                {"SetMass", [](TMass& m, float v) { return m.SetMass(v); }},
                {"SetRadius", [](TMass& m, float v) { return m.SetRadius(v); }},
                {"SetFriction", [](TMass& m, float v) { return m.SetFriction(v); }},
                {"SetVelocity x", [](TMass& m, float v) { return m.SetVelocity(v, 1); }},
                {"SetVelocity y", [](TMass& m, float v) { return m.SetVelocity(1, v); }},
                {"AddVelocity x", [](TMass& m, float v) { return m.AddVelocity(v, 1); }},
                {"AddVelocity y", [](TMass& m, float v) { return m.AddVelocity(1, v); }},
            });
    // A frozen mass ignores a push, but a bad one is still told.
    m->Freeze();
    EXPECT_EQ(m->Move(kNaN, 0), -1);
    EXPECT_EQ(m->SetVelocity(kInf, 0), -1);
    EXPECT_EQ(m->SetVelocity(1, 0), 0);
}

TEST_F(BadValues, ConstraintSettersRefuseAndLeaveTheConstraintAsItWas) {
    core::Ref<TAdvBody> body = SmallBody();
    ExpectRefusals<TConstraint>(
        *body->ConGet(0),
        {
            {"SetRestLength", [](TConstraint& c, float v) { return c.SetRestLength(v); }},
            {"SetStiffness", [](TConstraint& c, float v) { return c.SetStiffness(v); }},
            {"SetCompliance", [](TConstraint& c, float v) { return c.SetCompliance(v, 1); }},
            {"SetCompliance damping",
             [](TConstraint& c, float v) { return c.SetCompliance(0.5f, v); }},
            {"SetAngleLimits lower",
             [](TConstraint& c, float v) { return c.SetAngleLimits(v, 300); }},
            {"SetAngleLimits upper",
             [](TConstraint& c, float v) { return c.SetAngleLimits(0, v); }},
        });
}

TEST_F(BadValues, ZoneAndRigSettersRefuseAndLeaveThemAsTheyWere) {
    core::Ref<TZone> z = TZone::Create({0, 0, 10, 0, 10, 10}, TZone::FILL, 0.5f, 1, 4);
    ExpectRefusals<TZone>(
        *z, {
                {"SetFriction", [](TZone& z, float v) { return z.SetFriction(v); }},
                {"Position x", [](TZone& z, float v) { return z.Position(v, 1); }},
                {"Position y", [](TZone& z, float v) { return z.Position(1, v); }},
                {"Move x", [](TZone& z, float v) { return z.Move(v, 1); }},
                {"Move y", [](TZone& z, float v) { return z.Move(1, v); }},
                {"Rotate", [](TZone& z, float v) { return z.Rotate(v); }},
                {"Turn", [](TZone& z, float v) { return z.Turn(v); }},
                {"SetScale x", [](TZone& z, float v) { return z.SetScale(v, 2); }},
                {"SetScale y", [](TZone& z, float v) { return z.SetScale(2, v); }},
                {"SetAlpha", [](TZone& z, float v) { return z.SetAlpha(v); }},
                {"VertAddLast", [](TZone& z, float v) { return z.VertAddLast(v, 5); }},
                {"VertAddFirst", [](TZone& z, float v) { return z.VertAddFirst(5, v); }},
                {"VertInsert", [](TZone& z, float v) { return z.VertInsert(1, v, 5); }},
                {"VertPosition", [](TZone& z, float v) { return z.VertPosition(0, 5, v); }},
                {"ImageSetScale x", [](TZone& z, float v) { return z.ImageSetScale(v, 2); }},
                {"ImageSetScale y", [](TZone& z, float v) { return z.ImageSetScale(2, v); }},
            });
    core::Ref<TAdvBody> body = SmallBody();
    ExpectRefusals<TRig>(*body->RigGet(0),
                         {
                             {"SetAngle", [](TRig& r, float v) { return r.SetAngle(v); }},
                             {"SetScale x", [](TRig& r, float v) { return r.SetScale(v, 2); }},
                             {"SetScale y", [](TRig& r, float v) { return r.SetScale(2, v); }},
                             {"SetAlpha", [](TRig& r, float v) { return r.SetAlpha(v); }},
                         });
}

TEST_F(BadValues, WorldAndViewSettersRefuseAndLeaveTheWorldAsItWas) {
    ExpectRefusals<TPhysics>(
        *currentWorld,
        {
            {"SetGravity x", [](TPhysics&, float v) { return TPhysics::SetGravity(v, 1); }},
            {"SetGravity y", [](TPhysics&, float v) { return TPhysics::SetGravity(1, v); }},
            {"SetBounds x1",
             [](TPhysics&, float v) { return TPhysics::SetBounds(v, 0, 900, 900); }},
            {"SetBounds y1",
             [](TPhysics&, float v) { return TPhysics::SetBounds(0, v, 900, 900); }},
            {"SetBounds x2", [](TPhysics&, float v) { return TPhysics::SetBounds(0, 0, v, 900); }},
            {"SetBounds y2", [](TPhysics&, float v) { return TPhysics::SetBounds(0, 0, 900, v); }},
            {"SetFriction", [](TPhysics&, float v) { return TPhysics::SetFriction(v); }},
            {"SetCellSize", [](TPhysics&, float v) { return TPhysics::SetCellSize(v * 100); }},
            {"SetSleep", [](TPhysics&, float v) { return TPhysics::SetSleep(v, 30); }},
            {"SetDrawCoords x", [](TPhysics&, float v) { return TPhysics::SetDrawCoords(v, 1); }},
            {"SetDrawCoords y", [](TPhysics&, float v) { return TPhysics::SetDrawCoords(1, v); }},
            {"SetDrawZoom", [](TPhysics&, float v) { return TPhysics::SetDrawZoom(v); }},
            {"SetDrawRotation", [](TPhysics&, float v) { return TPhysics::SetDrawRotation(v); }},
        });
    // Without a world there is nothing to change, but the value is still told.
    TPhysics::Free();
    EXPECT_EQ(TPhysics::SetGravity(kNaN, 0), -1);
    EXPECT_EQ(TPhysics::SetGravity(0, 0), 0);
}

TEST_F(BadValues, BodyOperationsRefuseBeforeTouchingAnyPart) {
    core::Ref<TAdvBody> body = SmallBody();
    body->Activate();
    ExpectRefusals<TAdvBody>(
        *body,
        {
            {"Move", [](TAdvBody& b, float v) { return b.Move(1, v); }},
            {"Translate", [](TAdvBody& b, float v) { return b.Translate(v, 1); }},
            {"Position", [](TAdvBody& b, float v) { return b.Position(3, v); }},
            {"Rotate", [](TAdvBody& b, float v) { return b.Rotate(v); }},
            {"Spin", [](TAdvBody& b, float v) { return b.Spin(v); }},
            {"Turn", [](TAdvBody& b, float v) { return b.Turn(v); }},
            {"MassMove", [](TAdvBody& b, float v) { return b.MassMove(1, v, 1); }},
            {"MassTranslate", [](TAdvBody& b, float v) { return b.MassTranslate(1, 1, v); }},
            {"MassPosition", [](TAdvBody& b, float v) { return b.MassPosition(2, v, 1); }},
            {"MassSetMass", [](TAdvBody& b, float v) { return b.MassSetMass(0, v); }},
            {"MassSetRadius", [](TAdvBody& b, float v) { return b.MassSetRadius(0, v); }},
            {"MassSetFriction", [](TAdvBody& b, float v) { return b.MassSetFriction(0, v); }},
            {"MassSetVelocity", [](TAdvBody& b, float v) { return b.MassSetVelocity(0, v, 1); }},
            {"MassAddVelocity", [](TAdvBody& b, float v) { return b.MassAddVelocity(0, 1, v); }},
            {"ConSetRestLength", [](TAdvBody& b, float v) { return b.ConSetRestLength(0, v); }},
            {"ConSetStiffness", [](TAdvBody& b, float v) { return b.ConSetStiffness(0, v); }},
            {"ConSetCompliance", [](TAdvBody& b, float v) { return b.ConSetCompliance(0, v, 1); }},
            {"ConAddAll", [](TAdvBody& b, float v) { return b.ConAddAll(v); }},
            {"RigSetAngle", [](TAdvBody& b, float v) { return b.RigSetAngle(0, v); }},
            {"RigSetScale", [](TAdvBody& b, float v) { return b.RigSetScale(0, v, 1); }},
            {"RigSetAlpha", [](TAdvBody& b, float v) { return b.RigSetAlpha(0, v); }},
        });
}

// ---- Creators --------------------------------------------------------------

// A creator given one number (the others finite): whether it made something.
struct Creator {
    std::string name;
    std::function<bool(float)> made;
};

TEST_F(BadValues, CreatorsGiveNoneAndAddNothing) {
    core::Ref<TAdvBody> body = SmallBody();
    TMass* a = body->MassGet(0);
    TMass* b = body->MassGet(1);
    TMass* c = body->MassGet(2);
    const std::vector<float> line{0, 0, 10, 0};
    auto withVertex = [&](float v) {
        std::vector<float> area(line);
        area[3] = v;
        return area;
    };
    // The body's additions put nothing into its tables when refused.
    auto adds = [&](int slot) { return slot >= 0; };
    const std::vector<Creator> creators{
        {"TMass x", [](float v) { return !!TMass::Create(v, 0, 1, 1, 0, 1); }},
        {"TMass y", [](float v) { return !!TMass::Create(0, v, 1, 1, 0, 1); }},
        {"TMass mass", [](float v) { return !!TMass::Create(0, 0, v, 1, 0, 1); }},
        {"TMass radius", [](float v) { return !!TMass::Create(0, 0, 1, v, 0, 1); }},
        {"TMass friction", [](float v) { return !!TMass::Create(0, 0, 1, 1, v, 1); }},
        {"Create rest length", [&](float v) { return !!TConstraint::Create(a, b, v, 1); }},
        {"Create stiffness", [&](float v) { return !!TConstraint::Create(a, b, 1, v); }},
        {"CreatePressure area",
         [&](float v) {
             return !!TConstraint::CreatePressure({a, b, c}, v, 1);
         }},
        {"CreatePressure stiffness",
         [&](float v) {
             return !!TConstraint::CreatePressure({a, b, c}, 0, v);
         }},
        {"CreateAngle angle", [&](float v) { return !!TConstraint::CreateAngle(a, b, c, v, 1); }},
        {"CreateAngle stiffness",
         [&](float v) { return !!TConstraint::CreateAngle(a, b, c, 90, v); }},
        {"CreateShape",
         [&](float v) {
             return !!TConstraint::CreateShape({a, b, c}, v);
         }},
        {"TRig", [&](float v) { return !!TRig::Create(body->ImageGet(0), a, nullptr, v); }},
        {"TZone vertex", [&](float v) { return !!TZone::Create(withVertex(v), 0, 0, 1, 2); }},
        {"TZone friction", [&](float v) { return !!TZone::Create(line, 0, v, 1, 2); }},
        {"MassAdd", [&](float v) { return adds(body->MassAdd(0, 0, 1, 1, v, 1)); }},
        {"ConAdd", [&](float v) { return adds(body->ConAdd(0, 1, v, 1)); }},
        {"ConAddPressure",
         [&](float v) {
             return adds(body->ConAddPressure({0, 1, 2}, 0, v));
         }},
        {"ConAddAngle", [&](float v) { return adds(body->ConAddAngle(0, 1, 2, v, 1)); }},
        {"ConAddShape",
         [&](float v) {
             return adds(body->ConAddShape({0, 1, 2}, v));
         }},
        {"RigAdd", [&](float v) { return adds(body->RigAdd(0, 0, -1, v)); }},
    };
    for (const Creator& creator : creators) {
        for (float bad : kBad) {
            const Bits before = StateOf(*body);
            const int zones = zoneList->Count();
            EXPECT_FALSE(creator.made(bad)) << creator.name << "(" << bad << ")";
            EXPECT_EQ(StateOf(*body), before) << creator.name << "(" << bad << ")";
            EXPECT_EQ(zoneList->Count(), zones) << creator.name << "(" << bad << ")";
        }
        EXPECT_TRUE(creator.made(kGood)) << creator.name;
    }
}

TEST_F(BadValues, AWorldIsNotMadeOfBadNumbersAndTheCurrentOneStays) {
    const core::Ref<TPhysics> current = currentWorld;
    const std::vector<Creator> creators{
        {"right", [](float v) { return !!TPhysics::Create(v, 100, 0, 0, 1); }},
        {"bottom", [](float v) { return !!TPhysics::Create(100, v, 0, 0, 1); }},
        {"gravityY", [](float v) { return !!TPhysics::Create(100, 100, v, 0, 1); }},
        {"gravityX", [](float v) { return !!TPhysics::Create(100, 100, 0, v, 1); }},
    };
    std::vector<Creator> all(creators);
    for (float TWorldDef::*field :
         {&TWorldDef::left, &TWorldDef::top, &TWorldDef::right, &TWorldDef::bottom,
          &TWorldDef::gravityX, &TWorldDef::gravityY, &TWorldDef::friction,
          &TWorldDef::largestRadius, &TWorldDef::cellSize, &TWorldDef::sleepSpeed}) {
        all.push_back(
            {"TWorldDef field " + std::to_string(all.size() - creators.size()), [field](float v) {
                 TWorldDef def;
                 def.*field = v;
                 return !!TPhysics::Create(def);
             }});
    }
    for (const Creator& creator : all) {
        for (float bad : kBad) {
            EXPECT_FALSE(creator.made(bad)) << creator.name << "(" << bad << ")";
            EXPECT_EQ(currentWorld.Get(), current) << creator.name << "(" << bad << ")";
        }
    }
    EXPECT_TRUE(all.front().made(kGood));
    EXPECT_NE(currentWorld.Get(), current);
}

// A builder given one number of its definition: the body, or none.
struct Build {
    const char* name;
    std::function<core::Ref<TAdvBody>(float)> body;
    float good;
};

core::Ref<TAdvBody> Built(const TRopeDef& def) { return BuildRope(def); }
core::Ref<TAdvBody> Built(const TClothDef& def) { return BuildCloth(def); }
core::Ref<TAdvBody> Built(const TJellyDef& def) { return BuildJelly(def); }
core::Ref<TAdvBody> Built(const TBlobDef& def) { return BuildBlob(def); }
core::Ref<TAdvBody> Built(const TShapeDef& def) { return BuildShape(def); }

// The builder of a definition that builds, with one number changed.
template <class Def, class F> std::function<core::Ref<TAdvBody>(float)> With(F change) {
    return [change](float v) {
        Def def;
        if constexpr (std::is_same_v<Def, TShapeDef>) def.outline = {0, 0, 40, 0, 40, 40, 0, 40};
        change(def, v);
        return Built(def);
    };
}

TEST_F(BadValues, BuildersGiveNoneForAnyNumberThatIsNotFinite) {
    const std::vector<Build> builds{
        {"rope x1", With<TRopeDef>([](TRopeDef& d, float v) { d.x1 = v; }), 1},
        {"rope segment", With<TRopeDef>([](TRopeDef& d, float v) { d.segmentLength = v; }), 5},
        {"material mass", With<TRopeDef>([](TRopeDef& d, float v) { d.material.mass = v; }), 1},
        {"material radius", With<TRopeDef>([](TRopeDef& d, float v) { d.material.radius = v; }), 1},
        {"material friction", With<TRopeDef>([](TRopeDef& d, float v) { d.material.friction = v; }),
         0.1f},
        {"material stiffness",
         With<TRopeDef>([](TRopeDef& d, float v) { d.material.stiffness = v; }), 0.5f},
        {"material compliance",
         With<TRopeDef>([](TRopeDef& d, float v) { d.material.compliance = v; }), 0.1f},
        {"material damping", With<TRopeDef>([](TRopeDef& d, float v) { d.material.damping = v; }),
         0.5f},
        {"cloth spacing", With<TClothDef>([](TClothDef& d, float v) { d.spacing = v; }), 5},
        {"cloth y", With<TClothDef>([](TClothDef& d, float v) { d.y = v; }), 5},
        {"jelly radius", With<TJellyDef>([](TJellyDef& d, float v) { d.radius = v; }), 20},
        {"jelly inner stiffness",
         With<TJellyDef>([](TJellyDef& d, float v) { d.innerStiffness = v; }), 0.5f},
        {"jelly inner compliance",
         With<TJellyDef>([](TJellyDef& d, float v) { d.innerCompliance = v; }), 0.1f},
        {"blob rest area", With<TBlobDef>([](TBlobDef& d, float v) { d.restArea = v; }), 100},
        {"blob pressure", With<TBlobDef>([](TBlobDef& d, float v) { d.pressure = v; }), 0.5f},
        {"blob pressure compliance",
         With<TBlobDef>([](TBlobDef& d, float v) { d.pressureCompliance = v; }), 0.1f},
        {"shape outline",
         With<TShapeDef>([](TShapeDef& d, float v) { d.outline = {0, 0, 40, 0, 40, v, 0, 40}; }),
         30},
        {"shape spacing", With<TShapeDef>([](TShapeDef& d, float v) { d.spacing = v; }), 8},
        {"shape stiffness", With<TShapeDef>([](TShapeDef& d, float v) { d.shapeStiffness = v; }),
         0.5f},
        {"shape compliance", With<TShapeDef>([](TShapeDef& d, float v) { d.shapeCompliance = v; }),
         0.1f},
        {"shape pressure", With<TShapeDef>([](TShapeDef& d, float v) { d.pressure = v; }), 0.5f},
        {"shape pressure compliance",
         With<TShapeDef>([](TShapeDef& d, float v) { d.pressureCompliance = v; }), 0.1f},
    };
    for (const Build& b : builds) {
        for (float bad : kBad) EXPECT_FALSE(b.body(bad)) << b.name << "(" << bad << ")";
        EXPECT_TRUE(b.body(b.good)) << b.name;
    }
    // Finite ends whose places overflow: no rope with masses at infinity.
    TRopeDef far;
    far.x1 = -3e38f, far.x2 = 3e38f, far.count = 3;
    EXPECT_FALSE(BuildRope(far));
}

// ---- Procedural forms ------------------------------------------------------

TEST_F(BadValues, ProceduralFormsPassTheRefusalOn) {
    core::Ref<TAdvBody> body = SmallBody();
    TMass* m = body->MassGet(0);
    TConstraint* c = body->ConGet(0);
    TRig* r = body->RigGet(0);
    core::Ref<TZone> z = TZone::Create({0, 0, 10, 0}, TZone::LINE, 0.5f, 1, 2);
    const std::vector<std::pair<const char*, std::function<int(float)>>> forms{
        {"WorldSetGravity", [](float v) { return WorldSetGravity(v, 0); }},
        {"WorldSetBounds", [](float v) { return WorldSetBounds(0, 0, v, 100); }},
        {"WorldSetFriction", [](float v) { return WorldSetFriction(v); }},
        {"WorldSetSleep", [](float v) { return WorldSetSleep(v, 30); }},
        {"WorldSetDrawCoords", [](float v) { return WorldSetDrawCoords(v, 0); }},
        {"WorldSetDrawZoom", [](float v) { return WorldSetDrawZoom(v); }},
        {"WorldSetDrawRotation", [](float v) { return WorldSetDrawRotation(v); }},
        {"MassMove", [&](float v) { return MassMove(m, v, 0); }},
        {"MassTranslate", [&](float v) { return MassTranslate(m, 0, v); }},
        {"MassPosition", [&](float v) { return MassPosition(m, v, 10); }},
        {"MassSetMass", [&](float v) { return MassSetMass(m, v); }},
        {"MassSetRadius", [&](float v) { return MassSetRadius(m, v); }},
        {"MassSetFriction", [&](float v) { return MassSetFriction(m, v); }},
        {"MassSetVelocity", [&](float v) { return MassSetVelocity(m, v, 0); }},
        {"MassAddVelocity", [&](float v) { return MassAddVelocity(m, 0, v); }},
        {"ConSetRestLength", [&](float v) { return ConSetRestLength(c, v); }},
        {"ConSetStiffness", [&](float v) { return ConSetStiffness(c, v); }},
        {"ConSetCompliance", [&](float v) { return ConSetCompliance(c, v, 1); }},
        {"AdvBodyMove", [&](float v) { return AdvBodyMove(body, v, 0); }},
        {"AdvBodyTranslate", [&](float v) { return AdvBodyTranslate(body, 0, v); }},
        {"AdvBodyPosition", [&](float v) { return AdvBodyPosition(body, v, 10); }},
        {"AdvBodyRotate", [&](float v) { return AdvBodyRotate(body, v); }},
        {"AdvBodySpin", [&](float v) { return AdvBodySpin(body, v); }},
        {"AdvBodyTurn", [&](float v) { return AdvBodyTurn(body, v); }},
        {"AdvBodyMassMove", [&](float v) { return AdvBodyMassMove(body, 0, v, 0); }},
        {"AdvBodyMassTranslate", [&](float v) { return AdvBodyMassTranslate(body, 0, v, 0); }},
        {"AdvBodyMassPosition", [&](float v) { return AdvBodyMassPosition(body, 0, v, 10); }},
        {"AdvBodyMassSetMass", [&](float v) { return AdvBodyMassSetMass(body, 0, v); }},
        {"AdvBodyMassSetRadius", [&](float v) { return AdvBodyMassSetRadius(body, 0, v); }},
        {"AdvBodyMassSetFriction", [&](float v) { return AdvBodyMassSetFriction(body, 0, v); }},
        {"AdvBodyMassSetVelocity", [&](float v) { return AdvBodyMassSetVelocity(body, 0, v, 0); }},
        {"AdvBodyMassAddVelocity", [&](float v) { return AdvBodyMassAddVelocity(body, 0, v, 0); }},
        {"AdvBodyConAddAll", [&](float v) { return AdvBodyConAddAll(body, v); }},
        {"AdvBodyConSetRestLength", [&](float v) { return AdvBodyConSetRestLength(body, 0, v); }},
        {"AdvBodyConSetStiffness", [&](float v) { return AdvBodyConSetStiffness(body, 0, v); }},
        {"AdvBodyConSetCompliance",
         [&](float v) { return AdvBodyConSetCompliance(body, 0, v, 1); }},
        {"AdvBodyRigSetAngle", [&](float v) { return AdvBodyRigSetAngle(body, 0, v); }},
        {"AdvBodyRigSetScale", [&](float v) { return AdvBodyRigSetScale(body, 0, v, 1); }},
        {"AdvBodyRigSetAlpha", [&](float v) { return AdvBodyRigSetAlpha(body, 0, v); }},
        {"RigSetAngle", [&](float v) { return RigSetAngle(r, v); }},
        {"RigSetScale", [&](float v) { return RigSetScale(r, 1, v); }},
        {"RigSetAlpha", [&](float v) { return RigSetAlpha(r, v); }},
        {"ZoneSetFriction", [&](float v) { return ZoneSetFriction(z, v); }},
        {"ZonePosition", [&](float v) { return ZonePosition(z, v, 0); }},
        {"ZoneMove", [&](float v) { return ZoneMove(z, 0, v); }},
        {"ZoneRotate", [&](float v) { return ZoneRotate(z, v); }},
        {"ZoneTurn", [&](float v) { return ZoneTurn(z, v); }},
    };
    for (const auto& [name, form] : forms) {
        EXPECT_EQ(form(kNaN), -1) << name;
        EXPECT_EQ(form(kGood), 0) << name;
    }
}

// ---- Saves -----------------------------------------------------------------

// SaveWorld says the same (see world_file_test.cpp).
TEST_F(BadValues, EverySaveTellsWhetherItWrote) {
    core::Ref<TAdvBody> body = SmallBody();
    core::Ref<TZone> z = TZone::Create({0, 0, 10, 0}, TZone::LINE, 0.5f, 1, 2);
    const std::vector<std::pair<const char*, std::function<int(const std::string&)>>> saves{
        {"TAdvBody::Save", [&](const std::string& u) { return body->Save(u, 0, 1); }},
        {"AdvBodySave", [&](const std::string& u) { return AdvBodySave(body, u, 0, 0); }},
        {"TZone::Save", [&](const std::string& u) { return z->Save(u, 0, 0); }},
    };
    for (const auto& [name, save] : saves) {
        EXPECT_EQ(save(At("missing/file.bin")), -1) << name;
        EXPECT_FALSE(fs::exists(At("missing"))) << name;
        EXPECT_EQ(save(dir.string()), -1) << name << ": a folder is no file";
        EXPECT_EQ(save(At("file.bin")), 0) << name;
        EXPECT_TRUE(fs::exists(At("file.bin"))) << name;
        fs::remove(At("file.bin"));
    }
}

// ---- Loaders ---------------------------------------------------------------

using Bytes = std::string;

Bytes ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void WriteAll(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

float FloatAt(const Bytes& b, std::size_t at) {
    float v;
    std::memcpy(&v, b.data() + at, sizeof v);
    return v;
}

// A float of a file, where docs/formats.md puts it, and what it holds there.
struct Field {
    const char* name;
    std::size_t at;
    float holds;
};

// The file `good` with `v` in place of the field.
Bytes Patched(const Bytes& good, const Field& f, float v) {
    Bytes b(good);
    std::memcpy(b.data() + f.at, &v, sizeof v);
    return b;
}

// SmallBody's file: name "B", masses named "M" of 40 bytes each from 11;
// then the terminator, the constraint count and the angle constraint at 139
// (version 113: slot, two masses, rest length, stiffness, name "C",
// compliance, damping, ring of 3, kind, 2 parameters).
constexpr std::size_t kMass = 11, kMassBytes = 40, kCon = 139;
std::vector<Field> BodyRefused(float restAngle) {
    return {
        {"mass x", kMass + 4, 10},
        {"mass y", kMass + 8, 10},
        {"mass mass", kMass + 12, 1},
        {"mass radius", kMass + 16, 4},
        {"mass friction", kMass + 20, 0.5f},
        {"mass vx", kMass + 32, 0},
        {"mass vy", kMass + kMassBytes + 36, 0},
        {"rest length", kCon + 12, restAngle},
        {"stiffness", kCon + 16, 1},
        {"compliance", kCon + 23, 0.5f},
        {"damping", kCon + 27, 1},
        {"lower limit", kCon + 55, 10},
        {"upper limit", kCon + 59, 350},
    };
}
// After the constraint record (63 bytes) and the table's end: the embed
// flag, the image table of one 16-byte record (pictures beside the file),
// and the rig table, whose record holds the slots of its image, mass and
// constraint, then its angle, scale x, y, tint bytes and alpha.
constexpr std::size_t kRig = kCon + 63 + 4 + 1 + 4 + 16 + 4 + 4;
const Field kBodyKept[] = {
    {"rig angle", kRig + 16, 5},
    {"rig scale x", kRig + 20, 1},
    {"rig scale y", kRig + 24, 1},
    {"rig alpha", kRig + 31, 1},
};

TEST_F(BadValues, BodyFilesWithABadNumberWhereASetterWouldRefuseAreDamaged) {
    core::Ref<TAdvBody> body = SmallBody();
    ASSERT_EQ(body->Save(At("b.tnb"), 0, 0), 0);
    const Bytes good = ReadAll(At("b.tnb"));
    ASSERT_EQ(good.substr(0, 4), "B113");
    const int masses = massList->Count(), group = nextColGroup;
    for (const Field& f : BodyRefused(body->ConGetRestLength(0))) {
        ASSERT_EQ(FloatAt(good, f.at), f.holds) << f.name << ": not where the format puts it";
        for (float bad : kBad) {
            WriteAll(At("b.tnb"), Patched(good, f, bad));
            EXPECT_FALSE(TAdvBody::Load(At("b.tnb"), 1)) << f.name << "(" << bad << ")";
            EXPECT_EQ(massList->Count(), masses) << "half a body entered the world";
            EXPECT_EQ(nextColGroup, group) << "a refused load took groups";
        }
    }
    // Values that only change how a picture is drawn load; the rig keeps
    // its default where the file's value is not finite.
    for (const Field& f : kBodyKept) {
        ASSERT_EQ(FloatAt(good, f.at), f.holds) << f.name << ": not where the format puts it";
        for (float bad : kBad) {
            WriteAll(At("b.tnb"), Patched(good, f, bad));
            core::Ref<TAdvBody> loaded = TAdvBody::Load(At("b.tnb"), 0);
            ASSERT_TRUE(loaded) << f.name << "(" << bad << ")";
            const TRig& rig = *loaded->RigGet(0);
            EXPECT_EQ(StateOf(rig), BitsOf({f.at == kRig + 16 ? 0.0f : 5.0f, 1, 1, 1})) << f.name;
        }
    }
    WriteAll(At("b.tnb"), good);
    EXPECT_TRUE(TAdvBody::Load(At("b.tnb"), 0));
}

// A line zone named "Z" from (0, 0) to (10, 0), with a one-node tree: the
// attributes from 28, the tree's box from 92.
const Field kZoneRefused[] = {
    {"vertex x", 12, 0},     {"vertex y", 16, 0}, {"vertex x", 20, 10}, {"vertex y", 24, 0},
    {"offset x", 36, 3},     {"offset y", 40, 4}, {"angle", 44, 0},     {"scale x", 48, 1},
    {"scale y", 52, 1},      {"tree x", 92, -1},  {"tree y", 96, -1},   {"tree width", 100, 12},
    {"tree height", 104, 2},
};
const Field kZoneKept[] = {
    {"friction", 32, 0.5f},   {"red", 56, 1},           {"alpha", 68, 1},
    {"image scale x", 84, 1}, {"image scale y", 88, 1},
};

TEST_F(BadValues, ZoneFilesWithABadShapeOrPlaceAreDamaged) {
    core::Ref<TZone> z = TZone::Create({0, 0, 10, 0}, TZone::LINE, 0.5f, 1, 1);
    z->SetName("Z");
    z->Position(3, 4);
    ASSERT_EQ(z->Save(At("z.tnz"), 0, 0), 0);
    z->Free();
    const Bytes good = ReadAll(At("z.tnz"));
    ASSERT_EQ(good.size(), 113u);
    for (const Field& f : kZoneRefused) {
        ASSERT_EQ(FloatAt(good, f.at), f.holds) << f.name << ": not where the format puts it";
        for (float bad : kBad) {
            WriteAll(At("z.tnz"), Patched(good, f, bad));
            EXPECT_FALSE(TZone::Load(At("z.tnz"))) << f.name << "(" << bad << ")";
            EXPECT_EQ(zoneList->Count(), 0) << "a refused zone entered the world";
        }
    }
    // The friction and the look are kept as stored.
    for (const Field& f : kZoneKept) {
        ASSERT_EQ(FloatAt(good, f.at), f.holds) << f.name << ": not where the format puts it";
        for (float bad : kBad) {
            WriteAll(At("z.tnz"), Patched(good, f, bad));
            core::Ref<TZone> loaded = TZone::Load(At("z.tnz"));
            ASSERT_TRUE(loaded) << f.name << "(" << bad << ")";
            const float kept[] = {loaded->friction, loaded->red, loaded->alpha, loaded->imgScaleX,
                                  loaded->imgScaleY};
            const float* where = &kept[&f - kZoneKept];
            EXPECT_EQ(BitsOf({*where}), BitsOf({bad})) << f.name;
            loaded->Free();
        }
    }
}

// The fuzz targets' seeds of files with numbers that are not finite: those
// named nonfinite_kept_ load, the other nonfinite_ ones are refused, and
// whatever loads, from any seed, holds only finite numbers where the
// setters would refuse others.
TEST_F(BadValues, FuzzSeedsLoadOnlyFiniteNumbers) {
    const fs::path corpus = fs::path(QUORVEL_SOURCE_DIR) / "tests/fuzz/corpus";
    auto pixmap = draw2d::CreatePixmap(2, 2, draw2d::PIXEL_RGBA);
    pixmap->ClearPixels(0xff336699u);
    ASSERT_TRUE(draw2d::SavePixmapPNG(pixmap, At("input_img0.png"), 5));
    int refused = 0, kept = 0;
    for (const auto& entry : fs::directory_iterator(corpus / "fuzz_body_load")) {
        const std::string name = entry.path().filename().string();
        fs::copy_file(entry.path(), At("input.tnb"), fs::copy_options::overwrite_existing);
        core::Ref<TAdvBody> body = TAdvBody::Load(At("input.tnb"), 1);
        const bool bad = name.starts_with("nonfinite_"), keep = name.starts_with("nonfinite_kept_");
        EXPECT_EQ(!!body, !bad || keep) << name;
        refused += bad && !body;
        kept += keep && body;
        if (!body) continue;
        body->masses.ForEach([&](int, TMass* m) {
            EXPECT_TRUE(std::isfinite(m->posX + m->posY + m->oldPosX + m->oldPosY + m->mass +
                                      m->radius + m->friction))
                << name;
        });
        body->cons.ForEach([&](int, TConstraint* c) {
            EXPECT_TRUE(std::isfinite(c->restLength + c->stiffness + c->GetCompliance() +
                                      c->GetDampingRatio()))
                << name;
        });
        // As the fuzz target does with what loads.
        core::Ref<TAdvBody> copy = body->Copy();
        copy->CleanIndex();
        copy->Activate();
        TPhysics::Update();
        body->DeActivate();
        copy->Clear();
    }
    for (const auto& entry : fs::directory_iterator(corpus / "fuzz_zone_load")) {
        const std::string name = entry.path().filename().string();
        core::Ref<TZone> z = TZone::Load(entry.path().string());
        const bool bad = name.starts_with("nonfinite_"), keep = name.starts_with("nonfinite_kept_");
        EXPECT_EQ(!!z, !bad || keep) << name;
        refused += bad && !z;
        kept += keep && z;
        if (!z) continue;
        std::vector<float> numbers(z->area);
        numbers.insert(numbers.end(), {z->offsetX, z->offsetY, z->angle, z->scaleX, z->scaleY});
        for (float f : numbers) EXPECT_TRUE(std::isfinite(f)) << name;
        z->Free();
    }
    // Not a test that passes over nothing.
    EXPECT_GE(refused, 10);
    EXPECT_EQ(kept, 2);
}

} // namespace
