// car_draw_test.cpp - the rules of drawing a car: the level walk, the draw flags by view
// kind and settings, the steering wheel and the driver's frame (at the set-up's lock against
// the first default set-up's), the item lists' limits, the lamps and their brightness
// uploads, the lighting reports and the shadow objects with a stand-in world; the editor's
// triangle and axis marks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <string>
#include <vector>

#include "core/gamma_tables.h"
#include "core/report.h"
#include "render/humans.h"
#include "render/primitives.h"
#include "render/views.h"
#include "skeleton/human_system.h"
#include "skeleton/skeleton.h"
#include "tests/core/report_recorder.h"
#include "vehicle/car_animations.h"
#include "vehicle/car_draw.h"
#include "vehicle/car_drawing.h"
#include "vehicle/car_lighting.h"
#include "vehicle/car_people.h"
#include "vehicle/garage_picture.h"
#include "vehicle/setup_marks.h"

namespace {

constexpr int32_t M = 0x10000;

// Three levels switching at 10, 40 and 120 m.
CarLodSet ThreeLevels() { return CarLodSet{3, {10 * M, 40 * M, 120 * M, 0}}; }

TEST(CarDraw, LevelWalkAndDetailState) {
  const CarLodSet set = ThreeLevels();
  uint8_t detail = 0;
  CarLodChoice c = ChooseCarLevel(set, 5 * M, 5 * M, 0, detail);
  EXPECT_EQ(c.drawn, 1);
  EXPECT_EQ(c.lodIndex, 0);
  EXPECT_EQ(detail, 4);
  c = ChooseCarLevel(set, 10 * M, 10 * M, 0, detail);  // the level's own distance is still inside it
  EXPECT_EQ(c.lodIndex, 0);
  EXPECT_EQ(c.detailLevel, 0) << "and its details";
  detail = 0;
  c = ChooseCarLevel(set, 50 * M, 20 * M, 0, detail);
  EXPECT_EQ(c.lodIndex, 2);
  EXPECT_EQ(c.detailLevel, 1);
  EXPECT_EQ(detail, 2);
  c = ChooseCarLevel(set, 50 * M, 200 * M, 0, detail);  // detailState is only raised
  EXPECT_EQ(c.detailLevel, 3);
  EXPECT_EQ(detail, 2);
  // Beyond the last level: not drawn.
  EXPECT_EQ(ChooseCarLevel(set, 121 * M, M, 0, detail).drawn, 0);
  // The garage starts from its own level and only moves to less detailed ones.
  c = ChooseCarLevel(set, M, M, 1, detail);
  EXPECT_EQ(c.lodIndex, 1);
  c = ChooseCarLevel(set, 60 * M, M, 1, detail);
  EXPECT_EQ(c.lodIndex, 2);
  EXPECT_TRUE(IsNearLevel(set, 0));
  EXPECT_TRUE(IsNearLevel(set, 1));
  EXPECT_FALSE(IsNearLevel(set, 2));
  EXPECT_TRUE(IsNearLevel(CarLodSet{1, {M, 0, 0, 0}}, 0));
}

CarDrawFlagInputs Inputs(uint8_t kind) {
  CarDrawFlagInputs in = {};
  in.kind = kind;
  in.nearLevel = 1;
  in.hasDriver = 1;
  in.carOptions = CAR_OPTION_ALWAYS_POSE_OFF;
  in.lodDistance = 100 * M;
  in.graphicsOptions = 0xFFFFFFFF;
  return in;
}

TEST(CarDraw, DrawFlagsByViewKindAndSettings) {
  // The editor's view with the display mode on: everything but ordinary subobjects.
  CarDrawFlagInputs in = Inputs(VIEW_EDITOR);
  in.editorMode = 1;
  EXPECT_EQ(ComputeDrawFlags(in), DRAW_TYRES | DRAW_SUBOBJECTS | DRAW_PEOPLE | DRAW_POSE_PEOPLE | DRAW_STEERING_WHEEL);
  EXPECT_TRUE(DriverShownInView(in));
  // The editor's scene drawing (kind 2, mode off): no people, no steering wheel, no posing far.
  in.editorMode = 0;
  EXPECT_EQ(ComputeDrawFlags(in), DRAW_TYRES | DRAW_SUBOBJECTS);
  EXPECT_FALSE(DriverShownInView(in));

  // Outside, far at level 0: posing only by the option bit or the distance 12 (1 + z) m.
  in = Inputs(VIEW_OUTSIDE);
  EXPECT_EQ(ComputeDrawFlags(in), DRAW_TYRES | DRAW_SUBOBJECTS | DRAW_PEOPLE | DRAW_ORDINARY_SUBS);
  in.lodDistance = 12 * M + 6 * M - 1;  // z = 0.5: 18 m
  in.viewDirZ = M / 2;
  EXPECT_EQ(ComputeDrawFlags(in) & (DRAW_POSE_PEOPLE | DRAW_STEERING_WHEEL), DRAW_POSE_PEOPLE | DRAW_STEERING_WHEEL);
  in.lodDistance = 12 * M + 6 * M;  // exactly 18 m: no longer nearer
  EXPECT_EQ(ComputeDrawFlags(in) & (DRAW_POSE_PEOPLE | DRAW_STEERING_WHEEL), 0);
  in.lodDistance = 12 * M + 6 * M - 1;
  in.graphicsOptions &= ~GFX_DRIVER_ANIMATION;  // animation off: no posing, so no steering wheel outside
  EXPECT_EQ(ComputeDrawFlags(in) & (DRAW_POSE_PEOPLE | DRAW_STEERING_WHEEL), 0);
  // Outside at a level other than 0 stops after the tyres; the last level has no tyres.
  in = Inputs(VIEW_OUTSIDE);
  in.lodIndex = 1;
  EXPECT_EQ(ComputeDrawFlags(in), DRAW_TYRES);
  in.nearLevel = 0;
  EXPECT_EQ(ComputeDrawFlags(in), 0);

  // Inside: "Internal Show" hides the steering wheel at 2 and the driver from 1.
  in = Inputs(VIEW_INSIDE);
  EXPECT_TRUE(ComputeDrawFlags(in) & DRAW_STEERING_WHEEL);
  EXPECT_TRUE(DriverShownInView(in));
  in.internalShow = 1;
  EXPECT_TRUE(ComputeDrawFlags(in) & DRAW_STEERING_WHEEL);
  EXPECT_FALSE(DriverShownInView(in));
  in.internalShow = 2;
  EXPECT_FALSE(ComputeDrawFlags(in) & DRAW_STEERING_WHEEL);
  in.carOptions |= CAR_OPTION_NO_INSIDE_TYRES;
  EXPECT_FALSE(ComputeDrawFlags(in) & DRAW_TYRES);
  // The custom view follows its own setting.
  in = Inputs(VIEW_CUSTOM);
  in.customShow = 2;
  EXPECT_FALSE(ComputeDrawFlags(in) & DRAW_STEERING_WHEEL);
  EXPECT_FALSE(DriverShownInView(in));
  in.customShow = 0;
  EXPECT_TRUE(ComputeDrawFlags(in) & DRAW_STEERING_WHEEL);
  in.customShow = 1;  // as inside: the driver hidden from 1, the steering wheel only at 2
  EXPECT_TRUE(ComputeDrawFlags(in) & DRAW_STEERING_WHEEL);
  EXPECT_FALSE(DriverShownInView(in));
  EXPECT_TRUE(ComputeDrawFlags(in) & DRAW_TYRES);
  in.carOptions |= CAR_OPTION_NO_INSIDE_TYRES;
  EXPECT_FALSE(ComputeDrawFlags(in) & DRAW_TYRES) << "the custom view is inside the car too";
  in.carOptions &= ~CAR_OPTION_NO_INSIDE_TYRES;
  // Without a driver no people are drawn.
  in.hasDriver = 0;
  EXPECT_FALSE(ComputeDrawFlags(in) & DRAW_PEOPLE);
}

TEST(CarDraw, SteeringWheelAndDriverFrame) {
  const float lockRadians = 30.0f * 3.14159265f / 180.0f;
  // t = w L / r = 2 x 30 / 15 = 4 rad; at full lock the wheel turns 4 rad.
  EXPECT_FLOAT_EQ(SteeringWheelFullTurn(2.0f, 30.0f, 15), 4.0f);
  EXPECT_NEAR(SteeringWheelAngle(2.0f, 30.0f, 15, lockRadians), 4.0f * 10430.378f, 2.0f);
  EXPECT_NEAR(SteeringWheelAngle(2.0f, 30.0f, 15, -lockRadians / 2), -2.0f * 10430.378f, 2.0f);
  EXPECT_FLOAT_EQ(SteeringWheelFullTurn(20.0f, 30.0f, 1), STEERING_WHEEL_MOST);  // at most 1.5 turns
  // No lock, or a ratio byte of 0 (it divides): no turn.
  EXPECT_EQ(SteeringWheelAngle(2.0f, 0.0f, 15, 0.3f), 0);
  EXPECT_EQ(SteeringWheelAngle(2.0f, 30.0f, 0, 0.3f), 0);

  // Nine frames over a range of 4 rad: straight ahead is the middle frame.
  DriverFrame f = ChooseDriverFrame(9, 4.0f, 4.0f, 0.0f, 30.0f);
  EXPECT_EQ(f.frame, 4);
  EXPECT_NEAR(f.blend, 0.0f, 1e-5f);
  f = ChooseDriverFrame(9, 4.0f, 4.0f, lockRadians, 30.0f);  // full lock: f = 0
  EXPECT_EQ(f.frame, 0);
  f = ChooseDriverFrame(9, 4.0f, 4.0f, -lockRadians, 30.0f);  // the other way: the last frame, next wraps
  EXPECT_EQ(f.frame, 8);
  EXPECT_EQ(f.next, 0);
  f = ChooseDriverFrame(9, 4.0f, 4.0f, -lockRadians * 0.25f, 30.0f);  // f = 0.625, position 5
  EXPECT_EQ(f.frame, 5);
  f = ChooseDriverFrame(9, 4.0f, 4.0f, -lockRadians * 0.3f, 30.0f);  // position 5.2
  EXPECT_EQ(f.frame, 5);
  EXPECT_NEAR(f.blend, 0.2f, 1e-4f);
  f = ChooseDriverFrame(9, 4.0f, 8.0f, lockRadians * 5.0f, 30.0f);  // clamped at 0
  EXPECT_EQ(f.frame, 0);
  EXPECT_EQ(ChooseDriverFrame(9, 4.0f, 4.0f, 1.0f, 0.0f).frame, 4);  // no lock: the middle
  EXPECT_EQ(ChooseDriverFrame(1, 4.0f, 4.0f, 1.0f, 30.0f).frame, 0);
  // A turn too large for the 16-bit angle's counter stops at two thousand million either way;
  // past full lock the other way the last frame.
  EXPECT_EQ(SteeringWheelAngle(2.0f, 30.0f, 15, 1.0e30f), 2000000000);
  EXPECT_EQ(SteeringWheelAngle(2.0f, 30.0f, 15, -1.0e30f), -2000000000);
  f = ChooseDriverFrame(9, 4.0f, 8.0f, -lockRadians * 5.0f, 30.0f);  // f = 1.75, held at 1
  EXPECT_EQ(f.frame, 8);
}

// The driver's seat in 16.16 fixed point, across the other way on a mirrored car; a seat
// beyond the fixed-point range is held to its ends (2147483647 either way).
TEST(CarDraw, TheDriversSeatInFixedPointIsMirroredAndHeldToTheRange) {
  Car car;
  car.driverPosition = Vec3{0.5f, -1.25f, 0.75f};
  IntVector seat = DriverOffset(car);
  EXPECT_EQ(seat.x, 32768);  // 0.5 x 65536
  EXPECT_EQ(seat.y, -81920);
  EXPECT_EQ(seat.z, 49152);
  car.mirrored = 1;
  EXPECT_EQ(DriverOffset(car).x, -32768);
  car.mirrored = 0;
  car.driverPosition = Vec3{40000.0f, -40000.0f, 1.0e30f};
  seat = DriverOffset(car);
  EXPECT_EQ(seat.x, 2147483647);
  EXPECT_EQ(seat.y, -2147483647);
  EXPECT_EQ(seat.z, 2147483647);
}

// The vehicle's steering-wheel turn w is given at the lock of its first default set-up: a
// set-up of more lock turns the wheel, and the driver's hands with it, further.  The driver's
// steering animation here has two frames over a range of 1 rad, its one solid 1 m higher in
// the second, so the head shows the fraction f of the blend: 1 x f - 0.02 m.
TEST(CarDraw, TheDriverIsPosedForTheWheelsTurnAtTheSetUpsLock) {
  Car car;
  car.steeringWheelTurn = 1.0f;  // rad each way at the reference lock
  car.steeringLock = 30;
  car.controls.steerAngle = 10.0f * 3.14159265f / 180.0f;  // a third of the lock
  car.steeringInstance = new AnimInstance{AnimDefaultTransform, nullptr, 1, new FixedTransform[1]};
  car.steeringPose = new Animation;
  car.steeringPose->scale = 1.0f;
  car.steeringPose->frameCount = 2;
  car.steeringPose->frames = new AnimationFrame[2];
  for (int k = 0; k < 2; ++k) {
    FixedTransform* solid = car.steeringPose->frames[k].transforms = new FixedTransform[1];
    solid->rotation = FixedMatrix{{M, 0, 0, 0, M, 0, 0, 0, M}};
    solid->translation = IntVector{0, 0, k * M};
  }

  // No default set-up: the wheel turns w at the car's own lock.  t = 1 rad, so
  // f = 0.5 - 0.5 x (1 / 1) x (10 / 30) = 1/3.
  EXPECT_EQ(SteeringRatioByte(car), 30);
  EXPECT_NEAR(car.PoseDriver().z, 1.0 / 3.0 - 0.02, 1e-4);

  // Given at 20 degrees: t = 1 x 30 / 20 = 1.5 rad, f = 0.5 - 0.5 x 1.5 x (10 / 30) = 0.25,
  // and the wheel turns a third of 1.5 rad: 0.5 rad, 5215.2 sixteen-bit units.
  car.setupCount = 1;
  car.setups[0].record.bytes[SETUP_STEERING_LOCK] = 20;
  EXPECT_EQ(SteeringRatioByte(car), 20);
  EXPECT_NEAR(car.PoseDriver().z, 0.25 - 0.02, 1e-4);
  EXPECT_NEAR(SteeringWheelAngle(car.steeringWheelTurn, 30.0f, SteeringRatioByte(car), car.controls.steerAngle),
              5215.2, 2.0);
  // At full lock t = 1.5 rad is past the animation's range: the first frame, held there.
  car.controls.steerAngle = 30.0f * 3.14159265f / 180.0f;
  EXPECT_NEAR(car.PoseDriver().z, 0.0 - 0.02, 1e-4);
  // A stored lock of 0 gives no ratio: the car's own lock stands in.
  car.setups[0].record.bytes[SETUP_STEERING_LOCK] = 0;
  EXPECT_EQ(SteeringRatioByte(car), 30);
  // A pose of a single frame is taken as it stands: its solid 0.5 m up.
  car.steeringPose->frameCount = 1;
  car.steeringPose->frames[0].transforms[0].translation.z = M / 2;
  car.steeringInstance->bones[0].translation.z = 0;
  EXPECT_NEAR(car.PoseDriver().z, 0.5 - 0.02, 1e-4);
  car.steeringPose->frameCount = 2;
  car.FreeAnimations();
}

TEST(CarDraw, GarageZoomAndMirrorOffset) {
  EXPECT_FLOAT_EQ(EditorCarZoom(1.875f, 0.5f), 1.0f);        // wider than 16:9: by the width
  EXPECT_FLOAT_EQ(EditorCarZoom(0.5f, 1.0546875f), 1.0f);    // taller: by the height
  EXPECT_FLOAT_EQ(EditorCarZoom(3.75f, 2.109375f), 2.0f);    // exactly 16:9: by the height
  EXPECT_FLOAT_EQ(EditorCarZoom(0.1f, 5.0f), 1.0f);          // a side of 0.1 or less keeps the zoom
  EXPECT_FLOAT_EQ(EditorCarZoom(5.0f, 0.05f), 1.0f);
  EXPECT_FLOAT_EQ(EditorCarZoom(5.0f, 0.1f), 1.0f);          // a height of exactly 0.1 keeps it too
  EXPECT_FLOAT_EQ(InternalMirrorDrop(0.0f), 0.0f);
  EXPECT_FLOAT_EQ(InternalMirrorDrop(0.4f), -0.04f);
  EXPECT_FLOAT_EQ(InternalMirrorDrop(-0.2f), -0.01f);
}

// A box (the view's units: x across -1..1, y up) fitted into a room of the picture (x right,
// y down, -1..1 each way): its corners land inside the room, centred, touching two sides.
TEST(CarDraw, GarageRoomFitPutsTheBoxInTheRoomsMiddleAsLargeAsItAllows) {
  const struct {
    float box[4], room[4], aspect;
    bool byWidth;
  } cases[] = {
      {{-0.5f, -0.2f, 0.5f, 0.2f}, {-1.0f, -0.5f, 0.0f, 0.5f}, 2.0f, true},  // a wide car, the room's width
      {{0.0f, 0.0f, 0.4f, 0.2f}, {0.0f, 0.0f, 1.0f, 0.2f}, 1.0f, false},    // off-centre, a flat room
      {{-0.1f, -0.9f, 0.1f, -0.5f}, {-0.9f, -0.9f, 0.9f, 0.9f}, 0.75f, false},
  };
  for (const auto& k : cases) {
    RoomFit fit{};
    ASSERT_EQ(FitBoxIntoRoom(k.box, k.room, k.aspect, fit), 1);
    // Where a box point lands: across by the width factor and the centre, down likewise with
    // the picture's aspect.
    const float x0 = k.box[0] / fit.widthFactor + fit.centreX, x1 = k.box[2] / fit.widthFactor + fit.centreX;
    const float y0 = fit.centreY - k.box[3] * k.aspect / fit.widthFactor;
    const float y1 = fit.centreY - k.box[1] * k.aspect / fit.widthFactor;
    EXPECT_NEAR(x0 + x1, k.room[0] + k.room[2], 1e-5f) << "centred across";
    EXPECT_NEAR(y0 + y1, k.room[1] + k.room[3], 1e-5f) << "centred down";
    EXPECT_LE(x1 - x0, k.room[2] - k.room[0] + 1e-5f);
    EXPECT_LE(y1 - y0, k.room[3] - k.room[1] + 1e-5f);
    if (k.byWidth)
      EXPECT_NEAR(x1 - x0, k.room[2] - k.room[0], 1e-5f) << "filling the room's width";
    else
      EXPECT_NEAR(y1 - y0, k.room[3] - k.room[1], 1e-5f) << "filling the room's height";
  }
  RoomFit fit{};
  const float flat[4] = {0.0f, 0.0f, 1.0f, 0.0f}, room[4] = {-1.0f, -1.0f, 1.0f, 1.0f};
  EXPECT_EQ(FitBoxIntoRoom(flat, room, 1.0f, fit), 0) << "a box of no height";
  EXPECT_EQ(FitBoxIntoRoom(room, flat, 1.0f, fit), 0) << "a room of no height";
}

TEST(CarDraw, ItemListsDropBeyondTheirRoom) {
  ReportRecorder recorder;
  static CarDrawItems lists;
  lists.Clear();
  for (int i = 0; i < CAR_DRAW_ITEMS; ++i) ASSERT_NE(lists.Add(), nullptr);
  EXPECT_EQ(lists.Add(), nullptr);  // the 41st
  for (int i = 0; i < CAR_WHEEL_DRAW_ITEMS; ++i) ASSERT_NE(lists.AddWheel(), nullptr);
  EXPECT_EQ(lists.AddWheel(), nullptr);  // the 17th
  EXPECT_EQ(lists.count, CAR_DRAW_ITEMS);
  EXPECT_EQ(lists.wheelCount, CAR_WHEEL_DRAW_ITEMS);
  EXPECT_TRUE(ReportRecorder::Reports().lines.empty());
  lists.Clear();
  EXPECT_EQ(lists.count + lists.wheelCount, 0);
}

TEST(CarLamps, LampStateTable) {
  LampInputs in = {};
  in.gearIndex = 2;
  uint8_t s[CAR_LAMP_GROUPS];
  GetLampStates(in, s);
  for (int g = 0; g < CAR_LAMP_GROUPS; ++g) EXPECT_EQ(s[g], 0) << g;
  in.brake = 0.05f;
  in.lightSwitch = 1;
  in.indicatorBits = 3;
  in.indicatorClock = 499;
  in.gearIndex = 0;
  GetLampStates(in, s);
  const uint8_t lit[CAR_LAMP_GROUPS] = {1, 1, 1, 1, 1, 0, 0, 1};
  for (int g = 0; g < CAR_LAMP_GROUPS; ++g) EXPECT_EQ(s[g], lit[g]) << g;
  in.indicatorClock = 500;
  in.lightSwitch = 0;
  in.headlightFlash = 1;
  GetLampStates(in, s);
  EXPECT_EQ(s[LAMP_HEAD], 1);
  EXPECT_EQ(s[LAMP_TAIL], 0);
  EXPECT_EQ(s[LAMP_LEFT] | s[LAMP_RIGHT], 0);
  // The pulsing brake lamp: only the pulse lights it, whatever the brake.
  in.carOptions = CAR_OPTION_PULSE_BRAKE;
  in.brake = 1.0f;
  GetLampStates(in, s);
  EXPECT_EQ(s[LAMP_BRAKE], 0);
  in.pulse = 1;
  in.pulseClock = 99;
  GetLampStates(in, s);
  EXPECT_EQ(s[LAMP_BRAKE], 1);
  EXPECT_EQ(s[LAMP_REAR_FOG], 0);
  in.pulseClock = 100;
  GetLampStates(in, s);
  EXPECT_EQ(s[LAMP_BRAKE], 0) << "the pulse is dark from 100";
  in.pulseClock = 99;
  // Both bits: the pulse lights the rear fog lamp and the brake lamp follows the brake.
  in.carOptions = CAR_OPTION_PULSE_BRAKE | CAR_OPTION_PULSE_FOG;
  in.brake = 0.0f;
  GetLampStates(in, s);
  EXPECT_EQ(s[LAMP_REAR_FOG], 1);
  EXPECT_EQ(s[LAMP_BRAKE], 0);
  EXPECT_EQ(s[LAMP_FRONT_FOG], 0);  // never by the states
}

struct LampRecorder {
  std::vector<float> loads;
  std::vector<int> groups;
};

TEST(CarLamps, BrightnessUploadedOnlyWhenItChanges) {
  LampRecorder r;
  LampDrawOps ops = {[](void* o, float scale) { static_cast<LampRecorder*>(o)->loads.push_back(scale); },
                     [](void* o, int group) { static_cast<LampRecorder*>(o)->groups.push_back(group); }, &r};
  uint8_t has[CAR_LAMP_GROUPS] = {1, 1, 1, 1, 1, 1, 1, 1};
  // The forced pattern lights every group, front fog too.
  const uint8_t all[CAR_LAMP_GROUPS] = {1, 1, 1, 1, 1, 1, 1, 1};
  EXPECT_EQ(DrawLamps(ops, all, has, 0.5f), 8);
  // Brightness 2, 2 (head 2 x 0.5 + 1), 1, 2, 2, 2, 2, 1: changes at 2 (tail), 3 and 7, then back to 1.
  EXPECT_EQ(r.loads, (std::vector<float>{4.0f, 2.0f, 4.0f, 2.0f, 1.0f}));
  EXPECT_EQ(r.groups, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));
  // A group without its mesh is skipped; none drawn, nothing loaded.
  r = {};
  has[LAMP_BRAKE] = 0;
  const uint8_t brakeOnly[CAR_LAMP_GROUPS] = {1, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(DrawLamps(ops, brakeOnly, has, 0.0f), 0);
  EXPECT_TRUE(r.loads.empty());
}

// A stand-in world: objects in one square's array and list; one object answers the ray at
// half its length and carries a light sample.
struct StandIn {
  std::vector<WorldObjectInfo> infos;
  int listFrom = 1000;  // objects from this index come from the square's list
  int noSquares = 0;
  int outside = 0;  // the asked box lies outside the world: nothing walked
  int lit = 1;
  int near = 1;
  IntVector askedLow{}, askedHigh{};  // the range the last search of the map asked for
  IntVector rayStart{}, rayDirection{};  // the last ray asked of an object
  IntVector litAt{};                     // the point the light sample was last asked at
};
StandIn* World;

FixedOb* AsObject(int i) { return reinterpret_cast<FixedOb*>(static_cast<intptr_t>(i + 1)); }
int IndexOf(const FixedOb* o) { return static_cast<int>(reinterpret_cast<intptr_t>(o)) - 1; }

class StandInWorld : public ::testing::Test {
 protected:
  void SetUp() override {
    World = &world;
    savedRange = Wld::MapSquareRange;
    savedInfo = Wld::ObjectInfo;
    savedNear = Wld::IsNear;
    savedRay = Wld::RayTest;
    savedLighting = Wld::GetLighting;
    Wld::MapSquareRange = [](const IntVector& low, const IntVector& high, Wld::ObjectVisitor visit, void* c) {
      World->askedLow = low;
      World->askedHigh = high;
      if (World->noSquares) return -1;
      if (World->outside) return 0;
      for (int i = 0; i < static_cast<int>(World->infos.size()); ++i) visit(c, AsObject(i), i >= World->listFrom);
      visit(c, AsObject(0), 1);  // a repeat in the list
      return 1;
    };
    Wld::ObjectInfo = [](const FixedOb* o, WorldObjectInfo& info) { info = World->infos[IndexOf(o)]; };
    Wld::IsNear = [](const FixedOb*, int32_t, int32_t, float) { return World->near; };
    Wld::RayTest = [](const FixedOb* o, const IntVector& start, const IntVector& direction, WorldRayHit& hit) {
      World->rayStart = start;
      World->rayDirection = direction;
      if (IndexOf(o) != 0 || hit.fraction <= M / 2) return 0;
      hit.fraction = M / 2;
      return 1;
    };
    Wld::GetLighting = [](const IntVector& at, WorldLightSample& s) {
      World->litAt = at;
      if (!World->lit) return 0;
      for (float& v : s.values) v = 100.0f;
      return 1;
    };
  }
  void TearDown() override {
    Wld::MapSquareRange = savedRange;
    Wld::ObjectInfo = savedInfo;
    Wld::IsNear = savedNear;
    Wld::RayTest = savedRay;
    Wld::GetLighting = savedLighting;
  }
  // A shadow-casting object around the origin, below the car.
  static WorldObjectInfo Caster(uint8_t type = 4) {
    WorldObjectInfo info = {{-10 * M, -10 * M, -M}, {10 * M, 10 * M, 0}, type, 1, 0, 0};
    return info;
  }
  StandIn world;
  decltype(Wld::MapSquareRange) savedRange;
  decltype(Wld::ObjectInfo) savedInfo;
  decltype(Wld::IsNear) savedNear;
  decltype(Wld::RayTest) savedRay;
  decltype(Wld::GetLighting) savedLighting;
};

// The shadow search asks the map for the squares under the radius about the point, from the
// deepest height up to the radius above the top.
TEST_F(StandInWorld, TheShadowSearchAsksTheMapForTheSquaresAboutThePoint) {
  world.infos.push_back(Caster());
  ShadowObjects shadows;
  CollectShadowObjects(shadows, 5 * M, -7 * M, 2 * M, 3.0f, 1);
  EXPECT_EQ(world.askedLow.x, 2 * M);
  EXPECT_EQ(world.askedLow.y, -10 * M);
  EXPECT_EQ(world.askedLow.z, INT32_MIN);
  EXPECT_EQ(world.askedHigh.x, 8 * M);
  EXPECT_EQ(world.askedHigh.y, -4 * M);
  EXPECT_EQ(world.askedHigh.z, 5 * M);
}

TEST_F(StandInWorld, ShadowObjectsListedOnceAndTheThirtyThirdDropped) {
  ReportRecorder recorder;
  world.infos.push_back(Caster());
  WorldObjectInfo typeEight = Caster(8);
  typeEight.flags = 0;
  typeEight.extraFlags = 0x80;
  typeEight.secondFlags = 1;
  world.infos.push_back(typeEight);
  WorldObjectInfo silent = Caster(9);
  silent.flags = 0;  // no shadow flag
  world.infos.push_back(silent);
  WorldObjectInfo beside = Caster();
  beside.boxMin[0] = 20 * M;  // outside the box in x
  beside.boxMax[0] = 30 * M;
  world.infos.push_back(beside);
  ShadowObjects shadows;
  CollectShadowObjects(shadows, 0, 0, 0, 3.0f, 1);
  EXPECT_EQ(shadows.count, 2);  // the repeat counted once, the silent and the far one left out
  EXPECT_TRUE(ReportRecorder::Reports().lines.empty());
  // The far one lies 20 m out: a radius past it takes it in; a radius beyond 30 km is held
  // there (it would not fit 16.16); no radius at all takes what covers the car's point.
  CollectShadowObjects(shadows, 0, 0, 0, 25.0f, 1);
  EXPECT_EQ(shadows.count, 3);
  CollectShadowObjects(shadows, 0, 0, 0, 40000.0f, 1);
  EXPECT_EQ(shadows.count, 3);
  CollectShadowObjects(shadows, 0, 0, 0, std::numeric_limits<float>::infinity(), 1);
  EXPECT_EQ(shadows.count, 2);

  // 34 candidates: the 33rd and 34th dropped, the message only above debug level 0.
  world.infos.assign(34, Caster());
  world.listFrom = 33;
  CollectShadowObjects(shadows, 0, 0, 0, 3.0f, 0);
  EXPECT_EQ(shadows.count, CAR_SHADOW_OBJECTS);
  EXPECT_TRUE(ReportRecorder::Reports().lines.empty());
  CollectShadowObjects(shadows, 0, 0, 0, 3.0f, 1);
  EXPECT_EQ(shadows.count, CAR_SHADOW_OBJECTS);
  ASSERT_EQ(ReportRecorder::Reports().lines.size(), 2u);
  EXPECT_NE(ReportRecorder::Reports().lines[0].find(TEXT_TOO_MANY_SHADOWS_ARRAY), std::string::npos);
  EXPECT_NE(ReportRecorder::Reports().lines[1].find(TEXT_TOO_MANY_SHADOWS_LIST), std::string::npos);

  // A box outside the world: no objects, and not a word even above debug level 0, since
  // nothing is amiss.
  world.outside = 1;
  const size_t said = ReportRecorder::Reports().lines.size();
  CollectShadowObjects(shadows, 0, 0, 0, 3.0f, 1);
  EXPECT_EQ(shadows.count, 0);
  EXPECT_EQ(ReportRecorder::Reports().lines.size(), said);
  world.outside = 0;

  // A world with a range but no squares: its message, no objects.
  world.noSquares = 1;
  CollectShadowObjects(shadows, 0, 0, 0, 3.0f, 0);
  EXPECT_EQ(shadows.count, 0);
  EXPECT_NE(ReportRecorder::Reports().lines.back().find(TEXT_NO_MAP_SQUARES), std::string::npos);
}

// Around a car at the origin with a radius of 3 m (its top at 3 m): an object whose box only
// touches the square or the top is left out, one that reaches 1/65536 m into it is taken.  The
// ground ray starts at the car's point, which a box holds on its very edge.
TEST_F(StandInWorld, ABoxTouchingTheCarsSquareIsLeftOutAndOneReachingIntoItTaken) {
  const int32_t R = 3 * M;
  for (int32_t into : {0, 1}) {
    world.infos.clear();
    WorldObjectInfo o = Caster();
    o.boxMin[0] = R - into;
    world.infos.push_back(o);
    o = Caster();
    o.boxMax[0] = -R + into;
    world.infos.push_back(o);
    o = Caster();
    o.boxMin[1] = R - into;
    world.infos.push_back(o);
    o = Caster();
    o.boxMax[1] = -R + into;
    world.infos.push_back(o);
    o = Caster();
    o.boxMin[2] = R - into;
    o.boxMax[2] = 2 * R;
    world.infos.push_back(o);
    ShadowObjects shadows;
    CollectShadowObjects(shadows, 0, 0, 0, 3.0f, 0);
    EXPECT_EQ(shadows.count, into ? 5 : 0) << "reaching in by " << into;
  }
  // The ray from the car's point: a box from x 0 (or to x 0, or the same in y) holds it; one
  // starting a step past it does not.
  CarLightingState state = {};
  const IntVector reference = {0, 0, 2 * M};
  for (int side = 0; side < 4; ++side)
    for (int32_t past : {0, 1}) {
      WorldObjectInfo o = Caster();
      if (side == 0) o.boxMin[0] = past;
      if (side == 1) o.boxMax[0] = -past;
      if (side == 2) o.boxMin[1] = past;
      if (side == 3) o.boxMax[1] = -past;
      world.infos.assign(1, o);
      ShadowObjects shadows = {};
      shadows.objects[0] = AsObject(0);
      shadows.count = 1;
      EXPECT_EQ(UseLightmap(state, shadows, reference, M, "CAR", 0, 1), past ? 0 : 1) << side << " " << past;
    }
}

// Shadows are cast by objects of types 4 and 9 with their shadow flag (bit 0), and by those of
// type 8 with both extra flags (0x80, and bit 0 of the second); no other type casts one.
TEST_F(StandInWorld, OnlyTypesFourAndNineWithTheFlagAndEightWithBothFlagsCastShadows) {
  struct Case {
    uint8_t type, flags, extraFlags, secondFlags;
    int casts;
  };
  const Case cases[] = {{4, 1, 0, 0, 1},    {9, 1, 0, 0, 1},    {9, 0, 0x80, 1, 0}, {8, 0, 0x80, 1, 1},
                        {8, 1, 0x80, 0, 0}, {8, 1, 0, 1, 0},    {3, 1, 0x80, 1, 0}, {5, 1, 0x80, 1, 0},
                        {7, 1, 0x80, 1, 0}, {10, 1, 0x80, 1, 0}};
  for (const Case& k : cases) {
    SCOPED_TRACE(int(k.type));
    WorldObjectInfo info = Caster(k.type);
    info.flags = k.flags;
    info.extraFlags = k.extraFlags;
    info.secondFlags = k.secondFlags;
    world.infos.assign(1, info);
    ShadowObjects shadows;
    CollectShadowObjects(shadows, 0, 0, 0, 3.0f, 1);
    EXPECT_EQ(shadows.count, k.casts);
  }
}

// The ground under a car is found by a ray from the drop below its reference point straight
// down by the drop, over the objects whose box (edges included) holds the ray's x and y.
// From (3, -2, 2) m with a drop of 0.5 m: the ray starts at (3, -2, 1.5) m, points 0.5 m down,
// and its hit half way puts the ground, and the light sample, at 1.5 - 0.25 = 1.25 m.
TEST_F(StandInWorld, TheGroundRayStartsTheDropBelowTheReferenceAndPointsDownByIt) {
  WorldObjectInfo edge = Caster();
  edge.boxMin[0] = edge.boxMax[0] = 3 * M;  // a box no wider than the ray's own x and y
  edge.boxMin[1] = edge.boxMax[1] = -2 * M;
  world.infos.push_back(edge);
  ShadowObjects shadows = {};
  shadows.objects[0] = AsObject(0);
  shadows.count = 1;
  CarLightingState state = {};
  const IntVector reference = {3 * M, -2 * M, 2 * M};
  ASSERT_EQ(UseLightmap(state, shadows, reference, M / 2, "CAR", 0, 0), 1);
  EXPECT_EQ(world.rayStart.x, 3 * M);
  EXPECT_EQ(world.rayStart.y, -2 * M);
  EXPECT_EQ(world.rayStart.z, 3 * M / 2);
  EXPECT_EQ(world.rayDirection.x, 0);
  EXPECT_EQ(world.rayDirection.y, 0);
  EXPECT_EQ(world.rayDirection.z, -M / 2);
  EXPECT_FLOAT_EQ(state.groundHeight, 1.25f);
  EXPECT_EQ(world.litAt.x, 3 * M);
  EXPECT_EQ(world.litAt.y, -2 * M);
  EXPECT_EQ(world.litAt.z, 5 * M / 4);
  // A box a unit short of the ray on any side is not asked.
  for (int side = 0; side < 4; ++side) {
    SCOPED_TRACE(side);
    WorldObjectInfo& info = world.infos[0];
    info = edge;
    if (side == 0) info.boxMin[0] = 3 * M + 1;
    if (side == 1) info.boxMax[0] = 3 * M - 1;
    if (side == 2) info.boxMin[1] = -2 * M + 1;
    if (side == 3) info.boxMax[1] = -2 * M - 1;
    CarLightingState missed = {};
    EXPECT_EQ(UseLightmap(missed, shadows, reference, M / 2, "CAR", 0, 0), 0);
    EXPECT_EQ(missed.groundHit, 0);
  }
}

TEST_F(StandInWorld, LightmapAndDefaultReportedOncePerChange) {
  ReportRecorder recorder;
  world.infos.push_back(Caster());
  CarLightingState state = {};
  const auto frame = [&](int overObject) {
    state.lightingChosen = 0;
    state.groundHit = 0;
    ShadowObjects shadows = {};
    if (overObject) CollectShadowObjects(shadows, 0, 0, 0, 3.0f, 1);
    const IntVector reference = {0, 0, 2 * M};
    UseLightmap(state, shadows, reference, M, "CAR", 1, 1);
    ChooseDefaultLighting(state, "CAR", 1, 1);
  };
  frame(0);
  frame(0);
  EXPECT_EQ(state.lightingMode, LIGHTING_DEFAULT);
  EXPECT_EQ(state.light.values[0], 255.0f);
  frame(1);
  frame(1);
  EXPECT_EQ(state.lightingMode, LIGHTING_LIGHTMAP);
  EXPECT_EQ(state.groundHit, 1);
  EXPECT_FLOAT_EQ(state.groundHeight, 0.5f);  // from 1 m down by 1 m, hit half way
  EXPECT_EQ(state.light.values[0], 100.0f);
  frame(0);
  EXPECT_EQ(ReportRecorder::Reports().lines,
            (std::vector<std::string>{"2|-1|CAR using DEFAULT lighting", "2|-1|CAR using LIGHTMAP",
                                      "2|-1|CAR using DEFAULT lighting"}));
  // At debug level 0 the change is kept without a word.
  state.lightingChosen = 0;
  state.lightingMode = LIGHTING_LIGHTMAP;
  ChooseDefaultLighting(state, "CAR", 0, 1);
  EXPECT_EQ(ReportRecorder::Reports().lines.size(), 3u);
  // No world at all: no objects, DEFAULT light, ground unknown, and nothing said.
  TearDown();
  ShadowObjects none;
  CollectShadowObjects(none, 0, 0, 0, 3.0f, 1);
  EXPECT_EQ(none.count, 0);
  EXPECT_EQ(ReportRecorder::Reports().lines.size(), 3u);
  SetUp();
}

}  // namespace

namespace {

// A triangle takes three vertices and one triangle of room: a buffer with exactly that much
// takes it, one short of either takes nothing.
TEST(SetupMarks, ATriangleFitsExactlyItsRoom) {
  std::vector<uint8_t> vertices(3 * MARK_VERTEX_SIZE);
  std::vector<uint16_t> indices(3);
  const IntVector a{M, 0, 0}, b{0, M, 0}, c{0, 0, M};
  MarkBuffer exact = {vertices.data(), indices.data(), 3, 1, 0, 0};
  EmitTriangle16(exact, a, b, c, 0xFF000000u);
  EXPECT_EQ(exact.vertexCount, 3u);
  EXPECT_EQ(exact.triangleCount, 1u);
  MarkBuffer fewVertices = {vertices.data(), indices.data(), 2, 1, 0, 0};
  EmitTriangle16(fewVertices, a, b, c, 0xFF000000u);
  EXPECT_EQ(fewVertices.vertexCount + fewVertices.triangleCount, 0u);
  MarkBuffer noTriangle = {vertices.data(), indices.data(), 3, 0, 0, 0};
  EmitTriangle16(noTriangle, a, b, c, 0xFF000000u);
  EXPECT_EQ(noTriangle.vertexCount + noTriangle.triangleCount, 0u);
}

// A scale of 0 is taken as 1: the arrows keep their lengths (the x arrow's tip at 0.5 m).
TEST(SetupMarks, AScaleOfZeroDrawsTheArrowsAtTheirOwnLengths) {
  BuildGammaTables();
  std::vector<uint8_t> vertices(64 * MARK_VERTEX_SIZE);
  std::vector<uint16_t> indices(64 * 3);
  MarkBuffer out = {vertices.data(), indices.data(), 64, 32, 0, 0};
  FixedTransform identity = {};
  MatrixIdentity(identity.rotation);
  const float axes[3] = {0.5f, 0.0f, 0.0f};
  DrawAxisMarker(out, identity, IntVector{0, 0, 0}, axes, 0x808080, 0xFFFFFF, 0.0f);
  ASSERT_EQ(out.triangleCount, 2u);
  float tip[3];
  std::memcpy(tip, &vertices[2 * MARK_VERTEX_SIZE], 12);
  EXPECT_FLOAT_EQ(tip[0], 0.5f);
}

TEST(SetupMarks, TrianglesAndAxisArrows) {
  BuildGammaTables();
  std::vector<uint8_t> vertices(64 * MARK_VERTEX_SIZE);
  std::vector<uint16_t> indices(64 * 3);
  MarkBuffer out = {vertices.data(), indices.data(), 64, 32, 0, 0};
  // One triangle: 16.16 positions as metres, the colour word, two zero floats; indices c, b, a.
  EmitTriangle16(out, IntVector{M, 0, 0}, IntVector{0, 2 * M, 0}, IntVector{0, 0, M / 2}, 0xFF112233u);
  ASSERT_EQ(out.triangleCount, 1u);
  float f[3];
  std::memcpy(f, &vertices[MARK_VERTEX_SIZE], 12);
  EXPECT_FLOAT_EQ(f[1], 2.0f);
  uint32_t colour;
  std::memcpy(&colour, &vertices[12], 4);
  EXPECT_EQ(colour, 0xFF112233u);
  for (int k = 16; k < 24; ++k) EXPECT_EQ(vertices[k], 0) << k;
  EXPECT_EQ(indices[0], 2);
  EXPECT_EQ(indices[1], 1);
  EXPECT_EQ(indices[2], 0);
  // Axis arrows: two triangles an axis, none for a zero length, the colours through the
  // brightness table; a negative length reverses the winding.
  out.vertexCount = out.triangleCount = 0;
  FixedTransform identity = {};
  MatrixIdentity(identity.rotation);
  const float axes[3] = {0.5f, 0.0f, -0.25f};
  DrawAxisMarker(out, identity, IntVector{0, 0, M}, axes, 0x808080, 0xFFFFFF, 1.0f);
  EXPECT_EQ(out.triangleCount, 4u);
  std::memcpy(&colour, &vertices[12], 4);
  EXPECT_EQ(colour, ApplyBrightnessTable(0xFF808080u));
  std::memcpy(&colour, &vertices[3 * MARK_VERTEX_SIZE + 12], 4);
  EXPECT_EQ(colour, 0xFFFFFFFFu);
  std::memcpy(f, &vertices[2 * MARK_VERTEX_SIZE], 12);  // the x arrow's tip
  EXPECT_FLOAT_EQ(f[0], 0.5f);
  std::memcpy(f, &vertices[6 * MARK_VERTEX_SIZE], 12);  // the z arrow starts at its tip (reversed)
  EXPECT_FLOAT_EQ(f[2], 0.75f);
  // The x arrow's widths: the shaft 1/32 m either side at its foot, the head 1/16 m at its
  // neck, three quarters along (0.375 m); both across z.
  const float shaftFoot[3] = {0.0f, 0.0f, 1.0f - 1.0f / 32}, shaftNeck[3] = {0.375f, 0.0f, 1.0f + 1.0f / 32};
  const float headLow[3] = {0.375f, 0.0f, 1.0f - 1.0f / 16}, headHigh[3] = {0.375f, 0.0f, 1.0f + 1.0f / 16};
  const float* expected[4] = {shaftFoot, shaftNeck, headLow, headHigh};
  const int vertex[4] = {0, 1, 3, 4};
  for (int k = 0; k < 4; ++k) {
    std::memcpy(f, &vertices[size_t(vertex[k]) * MARK_VERTEX_SIZE], 12);
    for (int i = 0; i < 3; ++i) EXPECT_FLOAT_EQ(f[i], expected[k][i]) << "vertex " << vertex[k] << " axis " << i;
  }
  // The z arrow points down (-0.25 m), so its triangles run from the tip back to the foot:
  // the shaft's last corner is the foot, the head's last two its sides at the neck.
  const float reversedCorners[3][3] = {{-1.0f / 32, 0.0f, 1.0f}, {1.0f / 16, 0.0f, 0.8125f}, {-1.0f / 16, 0.0f, 0.8125f}};
  const int reversedVertex[3] = {8, 10, 11};
  for (int k = 0; k < 3; ++k) {
    std::memcpy(f, &vertices[size_t(reversedVertex[k]) * MARK_VERTEX_SIZE], 12);
    for (int i = 0; i < 3; ++i)
      EXPECT_FLOAT_EQ(f[i], reversedCorners[k][i]) << "vertex " << reversedVertex[k] << " axis " << i;
  }
  // An arrow too long for 16.16 stops at two thousand million units.
  out.vertexCount = out.triangleCount = 0;
  const float huge[3] = {1.0e10f, 0.0f, 0.0f};
  DrawAxisMarker(out, identity, IntVector{0, 0, 0}, huge, 0x808080, 0xFFFFFF, 1.0f);
  ASSERT_EQ(out.triangleCount, 2u);
  std::memcpy(f, &vertices[2 * MARK_VERTEX_SIZE], 12);
  EXPECT_FLOAT_EQ(f[0], 2.0e9f / 65536.0f);
  out.vertexCount = out.triangleCount = 0;
  const float hugeBack[3] = {-1.0e10f, 0.0f, 0.0f};
  DrawAxisMarker(out, identity, IntVector{0, 0, 0}, hugeBack, 0x808080, 0xFFFFFF, 1.0f);
  ASSERT_EQ(out.triangleCount, 2u);
  float tip = 0.0f;
  for (uint32_t v = 0; v < out.vertexCount; ++v) {
    std::memcpy(f, &vertices[size_t(v) * MARK_VERTEX_SIZE], 12);
    tip = std::min(tip, f[0]);
  }
  EXPECT_FLOAT_EQ(tip, -2.0e9f / 65536.0f) << "and the other way";
  // An arrow whose length is not a number, or infinite, is not drawn (as one of length 0).
  out.vertexCount = out.triangleCount = 0;
  const float notNumbers[3] = {std::nanf(""), INFINITY, -INFINITY};
  DrawAxisMarker(out, identity, IntVector{0, 0, 0}, notNumbers, 0x808080, 0xFFFFFF, 1.0f);
  EXPECT_EQ(out.triangleCount, 0u);
  EXPECT_EQ(out.vertexCount, 0u);
  // A full buffer takes nothing more.
  MarkBuffer full = {vertices.data(), indices.data(), 2, 32, 0, 0};
  EmitTriangle16(full, IntVector{}, IntVector{}, IntVector{}, 0);
  EXPECT_EQ(full.triangleCount, 0u);
}

}  // namespace

// A wheel's draw matrix: its hub stands out from the upright by the set's wheel offset along
// the wheel's own axle (outward: a left wheel's the other way, a central wheel's not at all),
// which a steered wheel turns about the upright; the car's place and turn carry it into the world.
TEST(CarDraw, WheelMatrixPutsTheHubAlongTheSteeredAxle) {
  Car car;
  SetIdentity3x3(car.orientation);
  car.position = IntVector{10 << 16, 0, 0};
  car.wheelSets[1].wheelOffset = 0.1f;
  CarWheel& w = car.wheels[0];
  w = CarWheel{};
  w.wheelSet = 1;
  w.side = 1.0f;
  w.centre = Vec3{0.7f, 1.2f, 0.3f};
  w.spinAxis = Vec3{1, 0, 0};
  w.uprightAxis = Vec3{0, 0, 1};
  float axes[3][3], centre[3];
  ComputeWheelMatrix(car, w, axes, centre);
  EXPECT_NEAR(centre[0], 10.8f, 1e-5f);
  EXPECT_NEAR(centre[1], 1.2f, 1e-5f);
  EXPECT_NEAR(centre[2], 0.3f, 1e-5f);
  EXPECT_NEAR(axes[0][0], 1.0f, 1e-5f) << "the axle along x";

  w.steerAngle = 1.5707963f;  // a quarter turn: the axle and the hub swing to y
  ComputeWheelMatrix(car, w, axes, centre);
  EXPECT_NEAR(std::fabs(axes[0][1]), 1.0f, 1e-5f);
  EXPECT_NEAR(centre[0], 10.7f, 1e-5f);
  EXPECT_NEAR(std::fabs(centre[1] - 1.2f), 0.1f, 1e-5f);

  w.steerAngle = 0.0f;
  w.side = -1.0f;  // the left wheel's hub goes the other way
  w.spinAxis = Vec3{1, 0, 0};
  ComputeWheelMatrix(car, w, axes, centre);
  EXPECT_NEAR(centre[0], 10.6f, 1e-5f);

  w.side = 0.0f;  // a wheel on the centre line has no side to stand out to: the hub is its centre
  ComputeWheelMatrix(car, w, axes, centre);
  EXPECT_NEAR(centre[0], 10.7f, 1e-5f);
  EXPECT_NEAR(centre[1], 1.2f, 1e-5f);
  EXPECT_NEAR(centre[2], 0.3f, 1e-5f);

  // A wheel naming an axle beyond the car's two takes the rear set's offset (0.2 m out).
  car.wheelSets[0].wheelOffset = 0.2f;
  w.side = 1.0f;
  w.wheelSet = CAR_WHEEL_SETS;
  ComputeWheelMatrix(car, w, axes, centre);
  EXPECT_NEAR(centre[0], 10.9f, 1e-5f);
  w.wheelSet = 1;
  w.side = 0.0f;

  // Turned a quarter about z, the car carries the wheel with it.
  const float turned[9] = {0, -1, 0, 1, 0, 0, 0, 0, 1};
  std::memcpy(car.orientation, turned, sizeof turned);
  w.side = 1.0f;
  ComputeWheelMatrix(car, w, axes, centre);
  EXPECT_NEAR(centre[0], 10.0f - 1.2f, 1e-5f);
  EXPECT_NEAR(centre[1], 0.8f, 1e-5f);
}

// The rims turn with the wheel: their matrix is the wheel's turned about its axle by the spin
// angle, the axle and the hub where they were; a turn of the wheel by a quarter turns the rim's
// radial axes by a quarter.
TEST(CarDraw, RimsTurnWithTheWheelAboutItsAxle) {
  Car car;
  const float turned[9] = {0, -1, 0, 1, 0, 0, 0, 0, 1};
  std::memcpy(car.orientation, turned, sizeof turned);
  CarWheel& w = car.wheels[0];
  w = CarWheel{};
  w.wheelSet = 0;
  w.side = 1.0f;
  w.centre = Vec3{0.7f, 1.2f, 0.3f};
  w.spinAxis = Vec3{1, 0, 0};
  w.uprightAxis = Vec3{0, 0, 1};
  float axes[3][3], centre[3], wheel[16], rim[16];
  ComputeWheelMatrix(car, w, axes, centre);
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) wheel[4 * r + c] = axes[r][c];
    wheel[4 * r + 3] = 0.0f;
  }
  for (int c = 0; c < 3; ++c) wheel[12 + c] = centre[c];
  wheel[15] = 1.0f;
  const auto rowAngle = [](const float* a, const float* b) {
    const float dot = a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
    return std::acos(std::clamp(dot, -1.0f, 1.0f));
  };
  w.rotationAngle = 3.14159265f;  // at rest: the rim stands as the wheel
  SpinningWheelMatrix(w, wheel, rim);
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(rim[i], wheel[i], 1e-6f) << i;
  float before[16];
  std::memcpy(before, rim, sizeof before);
  w.rotationAngle += 1.5707963f;
  SpinningWheelMatrix(w, wheel, rim);
  for (int c = 0; c < 3; ++c) EXPECT_NEAR(rim[c], wheel[c], 1e-6f) << "the axle stays";
  for (int c = 0; c < 4; ++c) EXPECT_EQ(rim[12 + c], wheel[12 + c]) << "the hub stays";
  EXPECT_NEAR(rowAngle(&rim[4], &before[4]), 1.5707963f, 1e-5f);
  EXPECT_NEAR(rowAngle(&rim[8], &before[8]), 1.5707963f, 1e-5f);
  EXPECT_NEAR(rowAngle(&rim[4], &rim[8]), 1.5707963f, 1e-5f) << "still at right angles";
  // A whole turn brings the rim back.
  w.rotationAngle = 3.14159265f + 6.2831853f;
  SpinningWheelMatrix(w, wheel, rim);
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(rim[i], wheel[i], 1e-5f) << i;
}

// A figure's level by distance through its slot's limits; two steering frames blended, the
// rotation made a rotation again; the head at the highest solid, 2 cm lower.
TEST(CarPeople, LevelBlendAndHead) {
  HumanMeshSlot slot = {};
  slot.levelCount = 2;
  slot.distanceLimits[0] = 10 << 16;
  slot.distanceLimits[1] = 30 << 16;
  EXPECT_EQ(FigureLevel(slot, 10 << 16), 0) << "a limit is inclusive";
  EXPECT_EQ(FigureLevel(slot, (10 << 16) + 1), 1);
  EXPECT_EQ(FigureLevel(slot, (30 << 16) + 1), FIGURE_NOT_DRAWN);
  slot.levelCount = 0;
  EXPECT_EQ(FigureLevel(slot, 0), FIGURE_NOT_DRAWN) << "a slot without levels";

  InitSinCosTables();
  FixedTransform a[2], b[2], out[2];
  for (int i = 0; i < 2; ++i) {
    MatrixIdentity(a[i].rotation);
    MatrixRotZ(b[i].rotation, 0x4000);  // a quarter turn
    a[i].translation = {0, 0, i << 16};
    b[i].translation = {2 << 16, 0, (i + 2) << 16};
  }
  BlendFrames(a, b, 2, 0.5f, out);
  EXPECT_EQ(out[1].translation.x, 1 << 16);
  EXPECT_EQ(out[1].translation.z, 2 << 16);
  // Halfway between 0 and a quarter turn: an eighth, unit rows.
  EXPECT_NEAR(out[0].rotation.m[0] / 65536.0, 0.7071, 0.002);
  EXPECT_NEAR(out[0].rotation.m[1] / 65536.0 * out[0].rotation.m[1] / 65536.0 +
                  out[0].rotation.m[0] / 65536.0 * out[0].rotation.m[0] / 65536.0,
              1.0, 0.002);
  BlendFrames(a, b, 2, NAN, out);
  EXPECT_EQ(out[1].translation.z, 1 << 16) << "a blend that is not a number takes the first frame";

  const IntVector head = HeadPoint(a, 2);
  EXPECT_EQ(head.z, (1 << 16) - 1310);  // 0.02 m below the highest
  EXPECT_EQ(HeadPoint(nullptr, 0).z, -1310) << "no solids: at the seat";
}

// A blend past either frame is held at that frame; the head is the first of the highest
// solids, even when every solid lies below the seat.
TEST(CarPeople, BlendsPastTheFramesAreHeldAndTheHeadIsTheFirstHighestSolid) {
  InitSinCosTables();
  FixedTransform a[1], b[1], out[1];
  MatrixIdentity(a[0].rotation);
  MatrixIdentity(b[0].rotation);
  a[0].translation = {0, 0, 1 << 16};
  b[0].translation = {2 << 16, 0, 3 << 16};
  BlendFrames(a, b, 1, 1.5f, out);
  EXPECT_EQ(out[0].translation.x, 2 << 16) << "held at the second frame";
  EXPECT_EQ(out[0].translation.z, 3 << 16);
  BlendFrames(a, b, 1, -0.5f, out);
  EXPECT_EQ(out[0].translation.x, 0) << "held at the first frame";
  EXPECT_EQ(out[0].translation.z, 1 << 16);

  FixedTransform solids[3];
  for (FixedTransform& s : solids) MatrixIdentity(s.rotation);
  solids[0].translation = {1 << 16, 0, -(2 << 16)};
  solids[1].translation = {2 << 16, 0, -(1 << 16)};
  solids[2].translation = {3 << 16, 0, -(1 << 16)};  // as high as solid 1
  const IntVector head = HeadPoint(solids, 3);
  EXPECT_EQ(head.x, 2 << 16) << "the first of the two highest";
  EXPECT_EQ(head.z, -(1 << 16) - 1310);
  EXPECT_EQ(HeadPoint(solids, 1).z, -(2 << 16) - 1310) << "a single solid below the seat";
  EXPECT_EQ(HeadPoint(solids, 1).x, 1 << 16);
}

// One figure slot with a level for each limit given (in metres), the figure meshes taken as
// built.
static void OneFigureSlot(std::initializer_list<int> limitsInMetres) {
  AllocateHumanSlots(1);
  HumanMeshes.built = 1;
  HumanMeshes.slots[0].flags = 1;
  HumanMeshes.slots[0].levelCount = static_cast<int32_t>(limitsInMetres.size());
  int level = 0;
  for (const int limit : limitsInMetres) HumanMeshes.slots[0].distanceLimits[level++] = limit << 16;
}

// The helmet's one mesh, and the car drawn at the origin with its steering instance holding
// one bone of `human` at rest.
static void HelmetedDriverAtTheOrigin(Car& car, HumanModel& human) {
  Helmet.levelCount = 1;
  Helmet.fastMesh = NewFastMesh();
  MatrixIdentity(car.drawTransform.rotation);
  car.drawTransform.translation = {0, 0, 0};
  car.steeringInstance = new AnimInstance{AnimDefaultTransform, &human, 1, new FixedTransform[1]};
  car.steeringInstance->bones[0] = AnimDefaultTransform;
}

// A passenger's head is his seat in 16.16 plus his highest solid, 2 cm lower.  A vehicle
// file's raw seat far beyond the fixed-point range holds at its ends (2147483647 either way)
// rather than turning round to the other side of the car.
TEST(CarPeople, APassengersSeatBeyondTheFixedPointRangeIsHeldAtItsEnds) {
  OneFigureSlot({100});
  HumanModel human{};
  Car car;
  car.passengerAnimations[1] = new AnimInstance{AnimDefaultTransform, &human, 1, new FixedTransform[1]};
  MatrixIdentity(car.passengerAnimations[1]->bones[0].rotation);
  car.passengerAnimations[1]->bones[0].translation = {0, 0, 0};
  car.seatPositions[1] = Vec3{-100000.0f, 100000.0f, 0.25f};
  CarDrawing d;
  d.drawFlags = DRAW_PEOPLE;
  d.lodDistance = 5 << 16;
  CarViewSettings view{};
  PoseCarPeople(car, d, view, 0);
  ASSERT_EQ(d.figures[2].level, 0);
  EXPECT_EQ(d.figures[2].head.x, -2147483647);
  EXPECT_EQ(d.figures[2].head.y, 2147483647);
  EXPECT_EQ(d.figures[2].head.z, 16384 - 1310);  // 0.25 m, less the 0.02 m drop
  EXPECT_EQ(d.figures[1].level, FIGURE_NOT_DRAWN) << "slot 1 has no figure";
  // Drawn for the other drive side a seat 0.5 m to one side sits 0.5 m to the other.
  car.seatPositions[1] = Vec3{0.5f, 0.0f, 0.25f};
  car.mirrored = 1;
  PoseCarPeople(car, d, view, 0);
  EXPECT_EQ(d.figures[2].head.x, -32768);
  car.FreeAnimations();
  FreeHumanMeshSlots();
}

// The driver's helmet tilts by an eighth of the drawn pitch, the pitch held to 1.5 rad: a car
// drawn 3 rad nose up tilts it 1.5 x 10430.378 / 8 = 1955 sixteen-bit units (0.18743 rad), on
// top of the half turn about x that faces it forward; so the helmet's y row holds
// cos(pi + 0.18743) = -0.98249 on the diagonal (3911 units, -0.93051, unheld).
TEST(CarPeople, TheHelmetTiltsByAnEighthOfThePitchHeldToOneAndAHalfRadians) {
  InitSinCosTables();
  OneFigureSlot({100});
  HumanModel human{};
  Car car;
  HelmetedDriverAtTheOrigin(car, human);
  CarDrawing d;
  d.drawFlags = DRAW_PEOPLE;
  d.drawnPass = VIEW_OUTSIDE;
  d.lodDistance = 5 << 16;
  d.drawnPitch = 3.0f;
  CarViewSettings view{};
  PoseCarPeople(car, d, view, 1);
  ASSERT_EQ(d.figures[0].level, 0);
  ASSERT_EQ(d.items.count, 1);
  EXPECT_EQ(d.items.items[0].tag, ITEM_TAG_HELMET);
  EXPECT_NEAR(d.items.items[0].matrix[0], 1.0f, 1e-4) << "turned about x alone";
  EXPECT_NEAR(d.items.items[0].matrix[5], -0.98249f, 1e-3);
  EXPECT_NEAR(d.items.items[0].matrix[10], -0.98249f, 1e-3);
  car.FreeAnimations();
  FreeHelmetMeshes();
  FreeHumanMeshSlots();
}

// Nothing of the figures is made before a car with a driver is first posed: that pass makes
// the figures and the helmet, once, and poses the driver with his helmet on.
static int g_figuresMade = 0;
static void MakeOneSlotAndTheHelmet() {
  ++g_figuresMade;
  OneFigureSlot({100});
  Helmet.levelCount = 1;
  Helmet.fastMesh = NewFastMesh();
}

TEST(CarPeople, TheFirstDriverPosedMakesTheFiguresAndTheHelmetInThatPassOnce) {
  InitSinCosTables();
  HumanModel human{};
  Car car;
  HelmetedDriverAtTheOrigin(car, human);
  FreeHelmetMeshes();  // nothing made yet
  g_figuresMade = 0;
  MakeHumanFigures = MakeOneSlotAndTheHelmet;
  CarViewSettings view{};
  for (int pass = 0; pass < 2; ++pass) {
    SCOPED_TRACE(pass);
    CarDrawing d;
    d.drawFlags = DRAW_PEOPLE;
    d.drawnPass = VIEW_OUTSIDE;
    d.lodDistance = 5 << 16;
    PoseCarPeople(car, d, view, 1);
    EXPECT_EQ(g_figuresMade, 1);
    EXPECT_EQ(d.figures[0].level, 0) << "the driver is posed";
    ASSERT_EQ(d.items.count, 1);
    EXPECT_EQ(d.items.items[0].tag, ITEM_TAG_HELMET);
  }
  car.FreeAnimations();
  FreeHelmetMeshes();
  FreeHumanMeshSlots();
}

// The helmet item carries the driver's level, and at the two near levels (0 and 1) turns and
// tilts with the head: a quarter turn of the head (pi / 2) on top of the helmet's half turn about x gives
// the diagonal (0, 0, -1); at level 2 the head's turn is left out, the diagonal (1, -1, -1).
TEST(CarPeople, TheHelmetTurnsWithTheHeadAtTheTwoNearLevelsOnly) {
  InitSinCosTables();
  OneFigureSlot({10, 20, 30});
  HumanModel human{};
  Car car;
  HelmetedDriverAtTheOrigin(car, human);
  CarViewSettings view{};
  for (const int level : {0, 1, 2}) {
    SCOPED_TRACE(level);
    CarDrawing d;
    d.drawFlags = DRAW_PEOPLE;
    d.drawnPass = VIEW_OUTSIDE;
    d.lodDistance = (5 + 10 * level) << 16;
    d.headTurn = 1.5707964f;
    PoseCarPeople(car, d, view, 1);
    ASSERT_EQ(d.figures[0].level, level);
    ASSERT_EQ(d.items.count, 1);
    const CarDrawItem& item = d.items.items[0];
    EXPECT_EQ(item.lod, level);
    const float diagonal[3] = {level <= 1 ? 0.0f : 1.0f, level <= 1 ? 0.0f : -1.0f, -1.0f};
    EXPECT_NEAR(item.matrix[0], diagonal[0], 1e-4);
    EXPECT_NEAR(item.matrix[5], diagonal[1], 1e-4);
    EXPECT_NEAR(item.matrix[10], diagonal[2], 1e-4);
  }
  // So with the tilt: 3 rad of pitch tilts the helmet 0.18743 rad at level 1 (the diagonal
  // (1, -0.98249, -0.98249)), not at level 2.
  for (const int level : {1, 2}) {
    SCOPED_TRACE(level);
    CarDrawing d;
    d.drawFlags = DRAW_PEOPLE;
    d.drawnPass = VIEW_OUTSIDE;
    d.lodDistance = (5 + 10 * level) << 16;
    d.drawnPitch = 3.0f;
    PoseCarPeople(car, d, view, 1);
    ASSERT_EQ(d.items.count, 1);
    EXPECT_NEAR(d.items.items[0].matrix[5], level == 1 ? -0.98249f : -1.0f, 1e-3);
  }
  car.FreeAnimations();
  FreeHelmetMeshes();
  FreeHumanMeshSlots();
}

// The car's reference point seen from the view: relative to the eye, turned into the view's
// axes (right, up, forward); the car's transform turned with it.
TEST(CarDraw, ProjectToViewTurnsTheCarIntoTheViewsAxes) {
  View view = {};
  View* saved = CurrentView;
  const FixedMatrix savedRotation = ViewRotation;
  CurrentView = &view;
  view.position[0] = 1 << 16;
  view.position[1] = 2 << 16;
  view.position[2] = 3 << 16;
  // Looking along +y: right is +x, up +z, forward +y.
  ViewRotation = FixedMatrix{{FIXED_ONE, 0, 0, 0, 0, FIXED_ONE, 0, FIXED_ONE, 0}};
  Car car;
  MatrixIdentity(car.drawTransform.rotation);
  car.drawTransform.translation = IntVector{4 << 16, 12 << 16, 3 << 16};
  IntVector out;
  FixedTransform inView;
  ProjectCarToView(car, out, inView);
  EXPECT_EQ(out.x, 3 << 16) << "3 m to the right";
  EXPECT_EQ(out.y, 0) << "level with the eye";
  EXPECT_EQ(out.z, 10 << 16) << "10 m ahead";
  EXPECT_EQ(inView.rotation.m[5], FIXED_ONE) << "the car's y axis is the view's forward";
  EXPECT_EQ(inView.translation.z, out.z);
  CurrentView = saved;
  ViewRotation = savedRotation;
}

TEST(CarDraw, TheSavedViewStateKeepsTheOrientationFiniteAndThePitchWithinAQuarterTurn) {
  Car car;
  car.position = IntVector{1 << 16, -2 << 16, 3 << 16};
  // A slightly unnormalised matrix pitched straight up, with a lost entry.
  const float pitchedUp[9] = {std::nanf(""), 0, 0, 0, 0, -1, 0, 1.001f, 0};
  std::memcpy(car.orientation, pitchedUp, sizeof pitchedUp);
  SaveCarViewState(car);
  CarDrawing& d = DrawingOf(car);
  EXPECT_EQ(d.drawnOrientation[0], 0.0f) << "a lost entry is drawn as 0";
  EXPECT_EQ(d.drawnPitch, float(std::asin(1.0))) << "the nose straight up, not a lost pitch";
  EXPECT_EQ(car.drawTransform.translation.y, -2 << 16);
  car.orientation[7] = -1.25f;
  SaveCarViewState(car);
  EXPECT_EQ(d.drawnPitch, float(std::asin(-1.0)));
  car.orientation[7] = 0.5f;
  SaveCarViewState(car);
  EXPECT_NEAR(d.drawnPitch, std::asin(0.5), 1e-6);
  ReleaseDrawing(car);
}

// Every new figure starts from the identity: no turn, no offset.
TEST(CarFigures, TheDefaultTransformIsTheIdentity) {
  const int32_t identity[9] = {FIXED_ONE, 0, 0, 0, FIXED_ONE, 0, 0, 0, FIXED_ONE};
  for (int k = 0; k < 9; ++k) EXPECT_EQ(AnimDefaultTransform.rotation.m[k], identity[k]) << k;
  EXPECT_EQ(AnimDefaultTransform.translation.x, 0);
  EXPECT_EQ(AnimDefaultTransform.translation.y, 0);
  EXPECT_EQ(AnimDefaultTransform.translation.z, 0);
}
