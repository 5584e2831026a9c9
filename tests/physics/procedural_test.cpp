#include <string>
#include <type_traits>
#include <vector>

#include "scene.h"

using namespace scene;

using ProceduralTest = PhysicsTest;

// Forms are real functions of the stated types, objects first.
static_assert(std::is_same_v<decltype(&WorldCreate),
                             core::Ref<TPhysics> (*)(float, float, float, float, int)>);
static_assert(std::is_same_v<decltype(&WorldUpdate), int (*)()>);
static_assert(std::is_same_v<decltype(&WorldGetBounds), int (*)(float&, float&, float&, float&)>);
static_assert(std::is_same_v<decltype(&MassGetPosition), int (*)(TMass*, float&, float&)>);
static_assert(std::is_same_v<decltype(&ConGetStress), float (*)(TConstraint*)>);
static_assert(std::is_same_v<decltype(&ConGetMass1), TMass* (*)(TConstraint*)>);
static_assert(std::is_same_v<decltype(&BodyCreate), core::Ref<TBody> (*)()>);
static_assert(
    std::is_same_v<decltype(&AdvBodyLoad), core::Ref<TAdvBody> (*)(const std::string&, int)>);
static_assert(std::is_same_v<decltype(&AdvBodyMassAdd),
                             int (*)(TAdvBody*, float, float, float, float, float, int)>);
static_assert(std::is_same_v<decltype(&AdvBodyMassRemove), int (*)(TAdvBody*, int)>);
static_assert(
    std::is_same_v<decltype(&AdvBodyRigGetColor), int (*)(TAdvBody*, int, int&, int&, int&)>);
static_assert(std::is_same_v<decltype(&RigGetScale), int (*)(TRig*, float&, float&)>);
static_assert(std::is_same_v<decltype(&ZoneCreate),
                             core::Ref<TZone> (*)(std::vector<float>, int, float, int, int)>);
static_assert(std::is_same_v<decltype(&ZoneGetArea), std::vector<float> (*)(TZone*)>);
static_assert(std::is_same_v<decltype(&ColEventPoll), core::Ref<TColEvent> (*)()>);
static_assert(std::is_same_v<decltype(&ColEventGetZone), TZone* (*)(TColEvent*)>);
// An overloaded operation has one form per overload.
static_assert(std::is_same_v<decltype(static_cast<int (*)(TAdvBody*, const draw2d::PixmapSource&)>(
                                 &AdvBodyImageAdd)),
                             int (*)(TAdvBody*, const draw2d::PixmapSource&)>);

namespace {

// A body whose operations report something other than 0.
class LoudBody : public TBody {
  public:
    int SetName(const std::string& text) override {
        TBody::SetName(text);
        return 7;
    }
    int Clear() override { return 7; }
};

} // namespace

TEST_F(ProceduralTest, ConstraintFormsForwardToTheConstraint) {
    WorldCreate(100, 100, 0, 0, 1);
    core::Ref<TMass> a = MassCreate(0, 0, 1, 1, 0, 1);
    core::Ref<TMass> b = MassCreate(6, 8, 1, 1, 0, 2);
    core::Ref<TConstraint> c = ConCreate(a, b, 5, 1);
    EXPECT_FLOAT_EQ(ConGetLength(c), 10);
    EXPECT_FLOAT_EQ(ConGetStress(c), 2);
    EXPECT_EQ(ConGetMass2(c), b.Get());
}

TEST_F(ProceduralTest, FormsMarkedZeroReturnZeroWhateverTheOperationGave) {
    core::Ref<TAdvBody> body = AdvBodyCreate();
    EXPECT_EQ(AdvBodyMassAdd(body, 0, 0, 1, 1, 0, 1), 0);
    EXPECT_EQ(AdvBodyMassAdd(body, 5, 0, 1, 1, 0, 1), 1);
    EXPECT_EQ(AdvBodyConAdd(body, 0, 0, 0, 1), -1); // a refused add keeps its -1
    EXPECT_EQ(AdvBodyMassRemove(body, 0), 0);
    EXPECT_EQ(AdvBodyMassExists(body, 0), 0);
    EXPECT_EQ(AdvBodyMassMaxIndex(body), 1);

    core::Ref<LoudBody> loud = core::Make<LoudBody>();
    EXPECT_EQ(loud->SetName("loud"), 7);
    EXPECT_EQ(BodySetName(loud, "quiet"), 0);
    EXPECT_EQ(BodyGetName(loud), "quiet"); // through the body's own override
    EXPECT_EQ(BodyClear(loud), 0);
}

TEST_F(ProceduralTest, MassFormsWriteOutputsAndKeepArgumentOrder) {
    core::Ref<TMass> m = MassCreate(3, 4, 2, 1, 0.5f, 1);
    float x = 0, y = 0;
    EXPECT_EQ(MassGetPosition(m, x, y), 0);
    EXPECT_FLOAT_EQ(x, 3);
    EXPECT_FLOAT_EQ(y, 4);
    EXPECT_EQ(MassSetVelocity(m, 1, -2), 0);
    EXPECT_FLOAT_EQ(MassGetVX(m), 1);
    EXPECT_FLOAT_EQ(MassGetVY(m), -2);
    EXPECT_EQ(MassCopy(m)->GetMass(), 2);
}

TEST_F(ProceduralTest, WorldFormsSetTheWorldAndItsView) {
    core::Ref<TPhysics> world = WorldCreate(1000, 2000, 0.15f, 0.5f, 3);
    EXPECT_EQ(currentWorld.Get(), world.Get());
    EXPECT_FLOAT_EQ(world->gravityY, 0.15f); // vertical gravity comes first
    EXPECT_FLOAT_EQ(world->gravityX, 0.5f);
    EXPECT_EQ(WorldSetBounds(10, 20, -10, -20), 0);
    float minX = 0, minY = 0, maxX = 0, maxY = 0;
    EXPECT_EQ(WorldGetBounds(minX, minY, maxX, maxY), 0);
    EXPECT_EQ((std::vector<float>{minX, minY, maxX, maxY}), (std::vector<float>{-10, -20, 10, 20}));

    EXPECT_EQ(WorldSetDrawCoords(500, 1000), 0);
    EXPECT_EQ(WorldSetDrawZoom(2), 0);
    const float sx = WorldScreenX(520, 990), sy = WorldScreenY(520, 990);
    EXPECT_FLOAT_EQ(WorldScreenX(540, 990) - sx, 40); // zoom 2
    EXPECT_FLOAT_EQ(WorldSimX(sx, sy), 520);
    EXPECT_FLOAT_EQ(WorldSimY(sx, sy), 990);

    EXPECT_EQ(WorldSetStacking(1), 0);
    EXPECT_EQ(WorldGetStacking(), 1);
    EXPECT_EQ(WorldSetSleep(0.5f, 2), 0);
    EXPECT_FLOAT_EQ(world->sleepSpeed, 0.5f);
    EXPECT_EQ(world->sleepSteps, 2);
    core::Ref<TMass> m = MassCreate(500, 1990, 1, 10, 0, -1);
    m->AddRef();
    EXPECT_EQ(WorldAwakeCount(), 1);
    for (int step = 0; step < 10; ++step) WorldUpdate();
    EXPECT_EQ(MassIsAwake(m), 0); // on the floor, still for two steps
    EXPECT_EQ(WorldAwakeCount(), 0);
    EXPECT_EQ(WorldFree(), 0);
    EXPECT_EQ(currentWorld.Get(), nullptr);
}

TEST_F(ProceduralTest, ABodyBuiltAndSteppedThroughForms) {
    WorldCreate(100, 100, 1, 0, 1);
    core::Ref<TAdvBody> body = AdvBodyCreate();
    AdvBodyMassAdd(body, 40, 10, 1, 1, 0, -1);
    AdvBodyMassAdd(body, 60, 10, 1, 1, 0, -1);
    EXPECT_EQ(AdvBodyConAdd(body, 0, 1, 0, 1), 0);
    EXPECT_EQ(AdvBodyActivate(body), 0);
    EXPECT_EQ(AdvBodyMassIsActive(body, 1), 1);
    EXPECT_EQ(WorldUpdate(), 0);
    EXPECT_GT(AdvBodyMassGetY(body, 0), 10); // fell under gravity
    EXPECT_FLOAT_EQ(AdvBodyConGetLength(body, 0), 20);
}

TEST_F(ProceduralTest, ZoneFormsCreateMoveAndFree) {
    WorldCreate(100, 100, 0, 0, 1);
    core::Ref<TZone> zone = ZoneCreate({0, 0, 10, 0, 10, 10}, TZone::FILL, 0.5f, 3, 2);
    ASSERT_TRUE(zone);
    EXPECT_EQ(zoneList->Count(), 1);
    EXPECT_EQ(ZoneGetColGroup(zone), 3);
    EXPECT_EQ(ZoneMove(zone, 2, 5), 0);
    EXPECT_FLOAT_EQ(ZoneGetPositionY(zone), 5);
    EXPECT_EQ(ZoneGetArea(zone), (std::vector<float>{0, 0, 10, 0, 10, 10})); // without the offset
    EXPECT_EQ(ZoneFree(zone), 0);
    EXPECT_EQ(zoneList->Count(), 0);
    EXPECT_FALSE(ZoneCreate({0, 0, 1}, TZone::LINE, 0, 1, 1));
    EXPECT_FALSE(ZoneLoad("no/such/zone.tnz"));
}

TEST_F(ProceduralTest, ColEventFormsEmitPollAndSeek) {
    WorldCreate(100, 100, 0, 0, 1);
    core::Ref<TMass> a = MassCreate(0, 0, 1, 1, 0, 1);
    core::Ref<TMass> b = MassCreate(1, 0, 1, 1, 0, 2);
    EXPECT_EQ(ColEventEmit(ColEventCreate(a, b, 1, 2, 3)), 0);
    core::Ref<TColEvent> e = ColEventPoll();
    ASSERT_TRUE(e);
    EXPECT_EQ(ColEventGetCurrent().Get(), e.Get());
    EXPECT_EQ(ColEventGetID(e), TColEvent::MASS_MASS);
    EXPECT_EQ(ColEventGetMass2(e), b.Get());
    EXPECT_EQ(ColEventGetZone(e), nullptr);
    EXPECT_FLOAT_EQ(ColEventGetY(e), 2);
    EXPECT_FLOAT_EQ(ColEventGetForce(e), 3);
    EXPECT_EQ(ColEventSeek(b, a).Get(), e.Get()); // a polled event is still found
    EXPECT_EQ(ColEventFlush(), 0);
    EXPECT_FALSE(ColEventPoll());
    EXPECT_FALSE(ColEventSeek(a, b));
}
