// car_effects_test.cpp - what the wheels leave behind through the installed hooks: the tyre-mark
// strip's points, a strip broken by a jump, marks only on ground that takes them and above a
// least strength; every fortieth step smoke from tread above 200 degrees and dust from a wheel
// using more than half its grip on dusty ground.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "physics/car.h"
#include "tests/physics/car_test_util.h"

namespace {

struct Mark {
  int32_t a[3], b[3];
  int previous;
  uint16_t value;
  float intensity;
};
struct Line {
  int32_t points[6];
  int32_t length;
  uint8_t alpha;
  int32_t size;
};
std::vector<Mark> g_marks;
std::vector<Line> g_lines;
int g_nextSlot = 7;

int RecordMark(const int32_t a[3], const int32_t b[3], const uint32_t[3], int previous, uint16_t value, const void*,
               float intensity) {
  g_marks.push_back({{a[0], a[1], a[2]}, {b[0], b[1], b[2]}, previous, value, intensity});
  return g_nextSlot++;
}
void RecordLine(const int32_t points[6], int32_t length, const uint8_t*, uint8_t alpha, int32_t size) {
  Line l{};
  for (int i = 0; i < 6; ++i) l.points[i] = points[i];
  l.length = length;
  l.alpha = alpha;
  l.size = size;
  g_lines.push_back(l);
}

int KindWhere(int (*test)(int), int wanted) {
  for (int kind = 0; kind < 64; ++kind)
    if ((test(kind) != 0) == (wanted != 0)) return kind;
  return -1;
}

class WheelEffects : public ::testing::Test {
 protected:
  Car car;
  void SetUp() override {
    g_marks.clear();
    g_lines.clear();
    g_nextSlot = 7;
    CarEffects = {RecordMark, RecordLine};
    MakeSteppableCar(car, Vec3{10, 20, 0});
    car.wheelCount = 1;
    CarWheel& w = car.wheels[0];
    w.wheelSet = 0;
    w.contactPoint = Vec3{0, 0, 0};
    w.groundContact = 1;
    w.inContact = 1.0f;
    w.sliding = 0.5f;
    w.surfaceKind = uint16_t(KindWhere(SurfaceTakesMarks, 1));
    car.wheelSets[0].rollingRadius = 0.3f;
    car.wheelSets[0].sectionWidth = 200.0f;  // mm
    car.speed = 0.0f;
    car.effectsCounter = 1;  // the fortieth step is far off
    car.ClearWheelSlots();
  }
  void TearDown() override { CarEffects = {nullptr, nullptr}; }
  void MoveAlongY(double metres) { car.position.y += int32_t(std::lround(metres * 65536.0)); }
};

}  // namespace

TEST_F(WheelEffects, AStripStartsOnTheSecondPointAndEachPointJoinsTheLast) {
  ASSERT_GE(car.wheels[0].surfaceKind, 0);
  car.WheelEffects();
  EXPECT_TRUE(g_marks.empty()) << "the first point only starts the strip";
  EXPECT_EQ(car.wheelSteps[0].markSlot, -1);
  EXPECT_FLOAT_EQ(car.wheelSteps[0].markStrength, 0.5f);
  MoveAlongY(0.02);  // within (0 + 40) x 0.001 = 0.04 m
  car.WheelEffects();
  ASSERT_EQ(g_marks.size(), 1u);
  const Mark& m = g_marks[0];
  EXPECT_EQ(m.previous, -1);
  EXPECT_EQ(m.b[1] - m.a[1], int32_t(std::lround(0.02 * 65536)));
  EXPECT_EQ(m.a[0], 10 * 65536);
  EXPECT_EQ(m.a[2], 65536 / 64) << "1/64 m above the contact";
  EXPECT_FLOAT_EQ(m.intensity, 0.5f);
  EXPECT_EQ(car.wheelSteps[0].markSlot, 7);
  // Closer than half a millimetre: no point, the strip goes on.
  MoveAlongY(0.0004);
  car.WheelEffects();
  EXPECT_EQ(g_marks.size(), 1u);
  EXPECT_EQ(car.wheelSteps[0].markSlot, 7);
  // Within the reach at 10 m/s, (10 + 40) x 0.001 = 0.05 m, of the last point: it joins.
  car.speed = 10.0f;
  MoveAlongY(0.049 - 0.0004);
  car.WheelEffects();
  ASSERT_EQ(g_marks.size(), 2u);
  EXPECT_EQ(g_marks[1].previous, 7);
  // A jump past the reach breaks the strip.
  MoveAlongY(0.06);
  car.WheelEffects();
  EXPECT_EQ(g_marks.size(), 2u);
  EXPECT_EQ(car.wheelSteps[0].markSlot, TYRE_MARK_NONE);
}

TEST_F(WheelEffects, MarksNeedSlidingAboveASixteenthContactAndGroundThatTakesThem) {
  CarWheel& w = car.wheels[0];
  w.sliding = 3.0f;  // held at 1
  car.WheelEffects();
  EXPECT_FLOAT_EQ(car.wheelSteps[0].markStrength, 1.0f);
  w.sliding = 0.0625f;  // the least strength marks
  car.WheelEffects();
  EXPECT_EQ(car.wheelSteps[0].markSlot, -1);
  w.sliding = 0.06f;
  car.WheelEffects();
  EXPECT_EQ(car.wheelSteps[0].markSlot, TYRE_MARK_NONE);
  w.sliding = 0.5f;
  w.inContact = 0.0f;
  car.WheelEffects();
  EXPECT_FLOAT_EQ(car.wheelSteps[0].markStrength, 0.0f) << "a wheel off the ground";
  w.inContact = 1.0f;
  w.surfaceKind = uint16_t(KindWhere(SurfaceTakesMarks, 0));
  car.WheelEffects();
  EXPECT_EQ(car.wheelSteps[0].markSlot, TYRE_MARK_NONE);
  EXPECT_TRUE(g_marks.empty());
  // Without the hooks there are no effects and no strength.
  CarEffects = {nullptr, nullptr};
  w.surfaceKind = uint16_t(KindWhere(SurfaceTakesMarks, 1));
  car.WheelEffects();
  EXPECT_FLOAT_EQ(car.wheelSteps[0].markStrength, 0.0f);
}

TEST_F(WheelEffects, EveryFortiethStepHotTreadSmokesAndAGrippingWheelOnDustRaisesDust) {
  CarWheel& w = car.wheels[0];
  w.sliding = 0.0f;
  const float width = car.wheelSets[w.wheelSet & 1].sectionWidth;
  // Tread sector 3 at 300 degrees: its heat is (300 + 273.15) x the capacity
  // 0.2 x 0.001 x 0.3 x 910 x 2000 = 109.2 J/K.
  const double capacity = 200.0 * 0.001 * 0.3 * 910.0 * 2000.0;
  w.sectors[3].bodyHeat[1] = float((300.0 + 273.15) * capacity);
  w.sectors[5].bodyHeat[1] = float((200.0 + 273.15) * capacity);  // not above 200
  w.sectors[7].bodyHeat[1] = float((400.0 + 273.15) * capacity);  // 255 held to 128
  w.spinRate = 10.0f;
  car.speed = 5.0f;
  car.effectsCounter = 38;
  car.WheelEffects();  // the 39th step
  EXPECT_TRUE(g_lines.empty());
  car.WheelEffects();  // the 40th
  ASSERT_EQ(g_lines.size(), 2u);
  const Line& smoke = g_lines[0];
  EXPECT_EQ(smoke.size, 400 << 1) << "400 << ((40 / 40) & 3)";
  EXPECT_EQ(smoke.alpha, 127) << "300 x 255 / 200 - 255 = 127.5";
  EXPECT_NEAR(smoke.length / 65536.0, (10.0 * 0.3 + 5.0) * 0.04, 1e-4);
  EXPECT_EQ(g_lines[1].alpha, 128) << "400 x 255 / 200 - 255 = 255, at most 128";
  // Dust: grip use above a half on a dusty surface, at the next fortieth step.
  w.sectors[3].bodyHeat[1] = 0.0f;
  w.sectors[7].bodyHeat[1] = 0.0f;
  car.wheelSteps[0].gripUse = 0.6f;
  w.surfaceKind = uint16_t(KindWhere(SurfaceRaisesDust, 1));
  g_lines.clear();
  car.effectsCounter = 79;
  car.WheelEffects();
  ASSERT_EQ(g_lines.size(), 1u);
  EXPECT_EQ(g_lines[0].alpha, 128);
  EXPECT_EQ(g_lines[0].size, 400 << 2);
  EXPECT_NEAR(g_lines[0].length / 65536.0, (10.0 * 0.3 + 5.0 * 0.3) * 0.04, 1e-4);
  car.wheelSteps[0].gripUse = 0.5f;
  g_lines.clear();
  car.effectsCounter = 119;
  car.WheelEffects();
  EXPECT_TRUE(g_lines.empty()) << "a half is not above a half";
  // A tyre of no width holds no heat to read: its tread never smokes.
  w.sectors[3].bodyHeat[1] = float((300.0 + 273.15) * capacity);
  car.wheelSets[w.wheelSet & 1].sectionWidth = 0.0f;
  car.effectsCounter = 159;
  car.WheelEffects();
  EXPECT_TRUE(g_lines.empty()) << "no width, no smoke";
  // The first and the last sector smoke as the others do.
  car.wheelSets[w.wheelSet & 1].sectionWidth = width;
  w.sectors[3].bodyHeat[1] = 0.0f;
  w.sectors[0].bodyHeat[1] = float((300.0 + 273.15) * capacity);
  w.sectors[TREAD_SECTORS - 1].bodyHeat[1] = float((400.0 + 273.15) * capacity);
  car.effectsCounter = 199;
  car.WheelEffects();
  ASSERT_EQ(g_lines.size(), 2u);
  EXPECT_EQ(g_lines[0].alpha, 127);
  EXPECT_EQ(g_lines[1].alpha, 128);
}
