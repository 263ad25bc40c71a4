// car_contacts_test.cpp - the car's contact slots: the floor rule of the wheel rays, the grip
// of every surface kind, the tyre ray's countdown, and the wheels and body against stand-in
// world objects, called as a race's contact pass calls them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

#include "solid/physics_registry.h"
#include "tests/physics/car_drive_util.h"
#include "tests/solid/solid_test_util.h"

namespace {

class CarContacts : public CarTest {
 protected:
  void SetUp() override {
    InitWheelTables();
    MakeSampleCar(0, car);
    car.showCar = 1;
    StandCar(car);
    car.Integrate(CAR_STEP_SECONDS, 0);
  }
  Car car;
};

// The ray of wheel 0 ending at z = end and reaching `length` up (16.16).
void AimRay(CarWheel& w, int32_t end, int32_t length) {
  w.groundRay.world = {0, 0, end};
  w.groundRay.fromCentre = {0, 0, -length};
  w.groundRay.ClearCandidate();
}

TEST_F(CarContacts, AWheelRayMeetsTheFloorByTheShareOfItBelow) {
  CarWheel& w = car.wheels[0];
  car.wheelSteps[0].noSecondContact = 1;
  AimRay(w, -1000, 20000);
  car.FloorContacts();
  EXPECT_EQ(w.groundRay.candidateStrength, int32_t((int64_t{-1000} << 16) / -20000));
  EXPECT_EQ(w.groundRay.candidateKind, FLOOR_CONTACT_KIND);
  EXPECT_EQ(w.groundRay.candidatePoint.z, 0);
  EXPECT_EQ(w.groundRay.candidateNormal.z, 1.0f);

  // A ray of 1/1024 m or shorter, one wholly below the floor, one ending on it: no contact.
  for (const auto& [end, length] : {std::pair{-10, 64}, std::pair{-30000, 20000}, std::pair{0, 20000}}) {
    AimRay(w, end, length);
    car.FloorContacts();
    EXPECT_EQ(w.groundRay.candidateStrength, 0) << end << " " << length;
  }
  AimRay(w, -10, 65);
  car.FloorContacts();
  EXPECT_GT(w.groundRay.candidateStrength, 0) << "just longer than 1/1024 m";
  // A deeper candidate already found stays.
  AimRay(w, -1000, 20000);
  w.groundRay.candidateStrength = 60000;
  w.groundRay.candidateKind = 3;
  car.FloorContacts();
  EXPECT_EQ(w.groundRay.candidateKind, 3);
}

// The body's own points meet the floor as well as the wheels' rays: a box of half height 0.5 m
// whose centre stands 0.3 m up has its four lower corners below the floor and finds it with
// them only.
TEST(CarFloor, TheBodyPointsMeetTheFloorToo) {
  Car box;
  MakeSteppableCar(box, {0.0f, 0.0f, 0.3f});
  box.Integrate(CAR_STEP_SECONDS, 0);
  box.FloorContacts();
  for (int i = 0; i < 8; ++i) {
    const ContactProbe& probe = box.points[i].probe;
    if (box.points[i].local.z < 0.0f) {
      EXPECT_GT(probe.candidateStrength, 0) << i;
      EXPECT_EQ(probe.candidateKind, FLOOR_CONTACT_KIND) << i;
    } else {
      EXPECT_EQ(probe.candidateStrength, 0) << i;
    }
  }
}

// A wheel standing on another body wakes it: the body is marked touched.
TEST_F(CarContacts, AWheelOnAnotherBodyTouchesIt) {
  Car other;
  MakeSteppableCar(other, {0.0f, 0.0f, -1.0f});
  other.touched = 0;
  CarWheel& w = car.wheels[0];
  w.groundRay.candidateStrength = 1000;
  w.groundRay.candidateKind = 0;
  w.groundRay.candidateNormal = {0.0f, 0.0f, 1.0f};
  w.groundRay.candidateBody = &other;
  car.CheckGround();
  EXPECT_EQ(w.groundSolid, &other);
  EXPECT_EQ(other.touched, 1);
}

TEST_F(CarContacts, TheGripIsTheWheelSetsGripOfTheClassTimesTheKindsFactor) {
  // grip factor, class, marks of the 22 surface kinds
  const float factor[22] = {1.0f, 0.95f, 1.0f, 0.9f, 0.95f, 0.95f, 0.9f, 0.9f, 0.9f, 0.9f, 0.9f,
                            1.0f, 1.0f,  0.1f, 1.0f, 1.0f,  1.0f,  0.85f, 0.9f, 0.9f, 0.9f, 0.9f};
  const int gripClass[22] = {0, 0, 1, 1, 1, 1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 1, 1};
  const int marks[22] = {1, 1, 0, 0, 0, 0, 1, 1, 0, 0, 0, 0, 1, 0, 1, 1, 1, 0, 0, 0, 0, 0};
  car.wheelSetGrip[0][0] = 0.8f;
  car.wheelSetGrip[0][1] = 0.6f;
  CarWheel& w = car.wheels[0];
  ASSERT_EQ(w.wheelSet, 0);
  for (int kind = 0; kind < 22; ++kind) {
    SCOPED_TRACE(kind);
    AimRay(w, -1000, 20000);
    car.FloorContacts();
    w.groundRay.candidateKind = uint8_t(kind);
    car.CheckGround();
    EXPECT_EQ(w.gripCoefficient, car.wheelSetGrip[0][gripClass[kind]] * factor[kind]);
    EXPECT_EQ(SurfaceTakesMarks(kind), marks[kind]);
    EXPECT_EQ(w.groundContact, 1);
    EXPECT_EQ(w.surfaceKind, kind);
    // The tyre model reads the same row: kinds 16 to 21 no longer fall outside its table.
    EXPECT_EQ(SurfaceGrips[SurfaceRow(kind)].grip, factor[kind]);
  }
  EXPECT_EQ(SurfaceRow(200), 0) << "a kind past the table reads as row 0";
  AimRay(w, 1000, 20000);
  car.CheckGround();
  EXPECT_EQ(w.groundContact, 0) << "no hit, no contact";
}

TEST_F(CarContacts, TheTyreRaysCountdownRunsNineToNoughtWhileItFindsNothing) {
  WheelStep& step = car.wheelSteps[0];
  CarWheel& w = car.wheels[0];
  ASSERT_NE(w.tyreScale, 0.0f);
  step.secondCountdown = 0;
  std::vector<int> seen;
  for (int i = 0; i < 12; ++i) {
    w.tyreRay.ClearCandidate();
    car.CheckGround();
    seen.push_back(step.secondCountdown);
    EXPECT_EQ(step.secondInContact, 0);
  }
  EXPECT_EQ(seen, (std::vector<int>{9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 9, 8}));
  // A hit: in contact, and the tyre's edge meets the plane found.
  w.tyreRay.world = {0, 0, -100};
  w.tyreRay.fromCentre = {0, 0, -20000};
  car.FloorContacts();
  car.CheckGround();
  EXPECT_EQ(step.secondInContact, 1);
  EXPECT_EQ(w.edgePresent, 1);
  EXPECT_EQ(w.edgePlaneNormal.z, 1.0f);
  // The plane's point from the car's position, and the edge's direction along the ray (down).
  const IntVector& hit = w.tyreRay.candidatePoint;
  EXPECT_NEAR(w.edgePlanePoint.x, (double(hit.x) - car.position.x) / 65536.0, 1e-5);
  EXPECT_NEAR(w.edgePlanePoint.y, (double(hit.y) - car.position.y) / 65536.0, 1e-5);
  EXPECT_NEAR(w.edgePlanePoint.z, (double(hit.z) - car.position.z) / 65536.0, 1e-5);
  EXPECT_NE(w.edgePlanePoint.z, 0.0f);
  EXPECT_EQ(w.edgeDirection.x, 0.0f);
  EXPECT_EQ(w.edgeDirection.y, 0.0f);
  EXPECT_EQ(w.edgeDirection.z, -1.0f);
  // A ray of no length has no direction of its own: the edge's direction is straight down,
  // never a division by nought.
  w.tyreRay.world = {0, 0, -100};
  w.tyreRay.fromCentre = {0, 0, 0};
  car.FloorContacts();
  car.CheckGround();
  ASSERT_EQ(w.edgePresent, 1);
  EXPECT_EQ(w.edgeDirection.x, 0.0f);
  EXPECT_EQ(w.edgeDirection.y, 0.0f);
  EXPECT_EQ(w.edgeDirection.z, -1.0f);
}

// A race's contact pass over one world object: the integration, the object, the floor, the
// ground check and the update.
void StepAgainst(Car& car, StandInObject& object, int steps) {
  for (int i = 0; i < steps; ++i) {
    car.Integrate(CAR_STEP_SECONDS, 0);
    car.CollideWithObject(object.Object(), 1, 1, 1);
    car.FloorContacts();
    car.CheckGround();
    car.Update(CAR_STEP_SECONDS, TEST_GRAVITY);
  }
}

TEST_F(CarContacts, WheelsOnARaisedBoxStandOnItsTop) {
  RecordingHooks hooks;
  StandInObject box;
  box.kind = 1;
  // Its top at 0.3 m; deep enough to hold the rays' ends (the stand-in tests only them).
  box.origin = FixedFromMetres(Vec3{0.0f, 0.0f, -0.35f});
  box.half = {5.0f, 5.0f, 0.65f};
  car.position.z += FixedFromMetres(0.3f);
  StepAgainst(car, box, 2000);
  EXPECT_FALSE(car.frozen);
  for (int i = 0; i < car.wheelCount; ++i) {
    SCOPED_TRACE(i);
    const CarWheel& w = car.wheels[i];
    EXPECT_EQ(w.groundContact, 1);
    EXPECT_NEAR(car.position.z / 65536.0 + w.groundPoint.z, 0.3, 1e-3) << "the box's top, not the floor";
    EXPECT_EQ(w.surfaceKind, 3);
  }
  EXPECT_LT(car.speed, 1e-2f);
}

TEST_F(CarContacts, ACarOnItsBackTestsOnlyItsBodyPoints) {
  RecordingHooks hooks;
  StandInObject plane;
  plane.normal = {0.0f, 0.0f, 1.0f};
  // Upside down: the car's z axis points down.
  const float flipped[9] = {1, 0, 0, 0, -1, 0, 0, 0, -1};
  std::copy(flipped, flipped + 9, car.orientation);
  car.Integrate(CAR_STEP_SECONDS, 0);
  Hooks.rayCalls.clear();
  car.CollideWithObject(plane.Object(), 1, 1, 1);
  const int bodyProbes = car.pointCount;
  EXPECT_EQ(int(Hooks.rayCalls.size()), bodyProbes);
  for (const auto& call : Hooks.rayCalls)
    for (int i = 0; i < car.wheelCount; ++i) EXPECT_FALSE(call.position.z == car.wheels[i].groundRay.world.z &&
                                                         call.position.x == car.wheels[i].groundRay.world.x);
  // Upright, every wheel's ray is tested too.
  SetIdentity3x3(car.orientation);
  car.Integrate(CAR_STEP_SECONDS, 0);
  Hooks.rayCalls.clear();
  car.CollideWithObject(plane.Object(), 1, 1, 1);
  EXPECT_EQ(int(Hooks.rayCalls.size()), bodyProbes + car.wheelCount);
}

// A remote car placed on its wheels looks at an object only when one of its wheels meets it (a
// ground candidate already found, or a locked contact), whichever wheel that is: then every
// body point, every wheel's ground ray and the meeting wheel's tyre ray are tested; when none
// meets it, nothing is.
TEST_F(CarContacts, AnUprightRemoteCarTestsAnObjectWhenAnyOneOfItsWheelsMeetsIt) {
  RecordingHooks hooks;
  StandInObject plane;
  plane.normal = {0.0f, 0.0f, 1.0f};
  car.placedRemote = 1;
  SetIdentity3x3(car.orientation);
  car.Integrate(CAR_STEP_SECONDS, 0);
  const int wheels = car.wheelCount;
  ASSERT_GE(wheels, 2);
  ASSERT_NE(car.wheels[0].tyreScale, 0.0f);
  ASSERT_NE(car.wheels[wheels - 1].tyreScale, 0.0f);
  const auto at = [](const HookRecord::RayCall& call, const IntVector& p) {
    return call.position.x == p.x && call.position.y == p.y && call.position.z == p.z;
  };
  // meeting: the wheel that meets the object, -1 for none; locked: by a locked contact rather
  // than a candidate.
  const auto look = [&](int meeting, bool locked) {
    for (int i = 0; i < wheels; ++i) {
      car.wheels[i].groundRay.ClearCandidate();
      car.wheels[i].contactKind = 0;
      car.wheelSteps[i].hasObject = 0;
      car.wheelSteps[i].noSecondContact = 0;
    }
    if (meeting >= 0) {
      if (locked)
        car.wheels[meeting].contactKind = 3;
      else
        car.wheels[meeting].groundRay.candidateStrength = 1000;
    }
    Hooks.rayCalls.clear();
    car.CollideWithObject(plane.Object(), 1, 1, 1);
  };
  const struct {
    int meeting;
    bool locked;
  } cases[] = {{0, false}, {0, true}, {wheels - 1, false}, {wheels - 1, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "wheel " << c.meeting << (c.locked ? " locked" : " with a candidate"));
    look(c.meeting, c.locked);
    // Every body point + one ground ray a wheel + the meeting wheel's tyre ray: for the sample
    // car, 0 + 4 + 1 = 5.
    EXPECT_EQ(int(Hooks.rayCalls.size()), car.pointCount + wheels + 1);
    for (int i = 0; i < wheels; ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(car.wheelSteps[i].hasObject, i == c.meeting ? 1 : 0);
      const CarWheel& w = car.wheels[i];
      EXPECT_EQ(std::count_if(Hooks.rayCalls.begin(), Hooks.rayCalls.end(),
                              [&](const auto& call) { return at(call, w.groundRay.world); }),
                1);
      EXPECT_EQ(std::count_if(Hooks.rayCalls.begin(), Hooks.rayCalls.end(),
                              [&](const auto& call) { return at(call, w.tyreRay.world); }),
                i == c.meeting ? 1 : 0);
    }
  }
  look(-1, false);
  EXPECT_TRUE(Hooks.rayCalls.empty()) << "no wheel meets it: not even the body is looked at";
  for (int i = 0; i < wheels; ++i) EXPECT_EQ(car.wheelSteps[i].hasObject, 0) << i;
}

// An object whose ray box only touches the rays' reach, on any side, is still tested; one a unit
// beyond it is passed by with no ray test at all.
int32_t g_rayBox[6];
TEST_F(CarContacts, AnObjectTouchingTheRaysReachIsTestedAndOneBeyondItIsPassedBy) {
  RecordingHooks hooks;
  WorldLink.RayBox = [](const FixedOb*) -> const int32_t* { return g_rayBox; };
  StandInObject plane;
  const int32_t wide[6] = {INT32_MIN, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, INT32_MAX};
  const auto tests = [this, &plane] {
    Hooks.rayCalls.clear();
    car.CollideWithObject(plane.Object(), 1, 1, 1);
    return Hooks.rayCalls.size();
  };
  std::copy(wide, wide + 6, g_rayBox);
  const size_t all = tests();
  ASSERT_GT(all, 0u);
  ASSERT_EQ(car.rayReachMade, 1);
  const int32_t* r = car.rayReach;  // least x, y, greatest x, y
  // Each side of the box (least x, greatest x, least y, greatest y) against the reach's far one.
  const struct {
    int side, reach, beyond;
  } edges[] = {{0, 2, 1}, {3, 0, -1}, {1, 3, 1}, {4, 1, -1}};
  for (const auto& e : edges) {
    std::copy(wide, wide + 6, g_rayBox);
    g_rayBox[e.side] = r[e.reach];
    EXPECT_EQ(tests(), all) << "touching on side " << e.side;
    g_rayBox[e.side] = r[e.reach] + e.beyond;
    EXPECT_EQ(tests(), 0u) << "beyond on side " << e.side;
  }
}

// Each object met, passed by or tested, counts every wheel's contact countdown down by the
// car's last-step distance, never below nought.
TEST_F(CarContacts, EachObjectMetCountsTheContactCountdownsDownToNought) {
  RecordingHooks hooks;
  WorldLink.RayBox = [](const FixedOb*) -> const int32_t* { return g_rayBox; };
  StandInObject plane;
  const int32_t beyond[6] = {INT32_MAX - 1, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, INT32_MAX};
  const int32_t wide[6] = {INT32_MIN, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, INT32_MAX};
  ASSERT_GE(car.wheelCount, 2);
  car.lastStepDistance = 5 << 16;
  car.wheelSteps[0].contactCountdown = 12 << 16;
  car.wheelSteps[1].contactCountdown = 3 << 16;
  std::copy(beyond, beyond + 6, g_rayBox);
  car.CollideWithObject(plane.Object(), 1, 1, 1);
  EXPECT_EQ(car.wheelSteps[0].contactCountdown, 7 << 16) << "passed by: 12 - 5 m";
  EXPECT_EQ(car.wheelSteps[1].contactCountdown, 0) << "3 - 5 m is held at nought";
  std::copy(wide, wide + 6, g_rayBox);
  car.CollideWithObject(plane.Object(), 1, 1, 1);
  EXPECT_EQ(car.wheelSteps[0].contactCountdown, 2 << 16) << "tested: 7 - 5 m";
  EXPECT_EQ(car.wheelSteps[1].contactCountdown, 0);
  car.CollideWithObject(plane.Object(), 1, 1, 1);
  EXPECT_EQ(car.wheelSteps[0].contactCountdown, 0);
}

TEST_F(CarContacts, ARemoteCarRecordsNoGroundImpactWithAWorldObject) {
  RecordingHooks hooks;
  StandInObject wall;
  wall.flags = OBJECT_FLAG_RECORDS_IMPACTS;
  CarWheel& w = car.wheels[0];
  for (int remote = 0; remote < 2; ++remote) {
    car.remote = uint8_t(remote);
    ImpactGroundCount = 0;
    w.tyreRay.ClearCandidate();
    w.tyreRay.candidateStrength = 30000;
    w.tyreRay.candidateObject = wall.Object();
    w.tyreRay.candidateNormal = {1.0f, 0.0f, 0.0f};
    car.velocity = {-3.0f, 0.0f, 0.0f};
    car.CheckGround();
    EXPECT_EQ(ImpactGroundCount, remote ? 0 : 1) << remote;
  }
  car.remote = 0;
}

}  // namespace
