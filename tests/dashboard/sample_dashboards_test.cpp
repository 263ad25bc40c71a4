// sample_dashboards_test.cpp - the dashboards of the sample vehicles the build wrote into the
// working folder, read as the garage reads a car: every byte the dashboard page edits lies in
// its slider's range, the tachometer reaches the engine's rev limit and the speedometer the
// car's top speed, the gearing lets the speed needle pass most of its scale, and the lamps the
// car has sit on the texture without covering each other.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/fixed_math.h"
#include "dashboard/dash_block.h"
#include "dashboard/dash_figures.h"
#include "physics/car.h"
#include "text/text_colours.h"
#include "vehicle/car_load.h"
#include "vehicle_data/builtin_vehicles.h"
#include "vehicle_data/vehicle_class.h"

namespace {

std::filesystem::path Work() {
  const char* work = std::getenv("ZKT_WORK_DIR");
  return work ? work : "work";
}

// A byte's range on the dashboard page's sliders (the page's table of controls).
struct Range {
  int lowest, highest;
};
constexpr Range POSITION = {0, 200}, START = {0, 72}, TURN = {12, 72}, RADIUS = {20, 200};
constexpr Range LAMP_POSITION = {5, 195}, LAMP_SIZE = {5, 20}, BOX_SIZE = {5, 50};

void ExpectIn(int b, Range r, const std::string& what) {
  EXPECT_GE(b, r.lowest) << what;
  EXPECT_LE(b, r.highest) << what;
}

class SampleDashboards : public ::testing::Test {
 protected:
  void SetUp() override {
    SetDefaultTextColours();
    InitSinCosTables();
    std::filesystem::remove_all("data");
    for (const char* folder : {"veh", "engine"}) {
      std::filesystem::create_directories(std::filesystem::path("data") / folder);
      std::filesystem::copy(Work() / "data" / folder, std::filesystem::path("data") / folder,
                            std::filesystem::copy_options::recursive);
    }
  }
  void TearDown() override { std::filesystem::remove_all("data"); }
};

TEST_F(SampleDashboards, EachSampleHasDialsToItsEngineAndSpeedAndItsLampsInPlace) {
  int analog = 0, formula = 0;
  for (int row = 0; row < BUILTIN_VEHICLE_COUNT; ++row) {
    const char* name = BuiltinVehicleTable[row].name;
    SCOPED_TRACE(name);
    Car car;
    const VehicleLoadArgs args = {0, 0, 0, nullptr, 0, nullptr, 1, {0, 0}, 1, nullptr, 0};
    ASSERT_EQ(car.LoadVehicle(name, args), 1);
    // The speed at the rev limit in top gear (the one gear of an electric motor), limit / (gear
    // x final drive) x the driven tyre's radius (its sidewall over the rim), as the loaded car
    // holds them; the kart's is a kart's 80 to 130 km/h.  (The samples' build holds each kind to
    // its range.)  The car without a power unit has nothing to gear.
    double kmh = -1.0;
    if (car.transmissionType != TRANSMISSION_NONE) {
      const int top = car.transmissionType == TRANSMISSION_ELECTRIC ? Car::FIRST_GEAR_SLOT : car.gearCount - 1;
      const SuspensionBlock& driven = car.wheelSets[0];
      const double radius = double(driven.sectionWidth) * driven.aspectRatio + driven.rimRadius;
      kmh = car.engine.redline / (double(car.gearRatios[top]) * car.finalDrive) * radius * 3.6;
      if (car.vehicleClass == CLASS_KART) {
        EXPECT_GE(kmh, 80.0);
        EXPECT_LE(kmh, 130.0);
      }
    }
    if (car.dashType < 1 || car.dashType > 3) continue;
    car.flagWord = car.MakeFlagWord();
    const DashCarState s = DashStateOf(car);
    const uint32_t flags = DashFlags(car.dash);
    const float rpm = s.maxEngineSpeed * 60.0f / (2.0f * 3.14159265f);

    // The lamps the car has: on the page's sliders, inside the texture, apart.
    for (int lamp = 0; lamp < DASH_LAMPS; ++lamp) {
      if (!(s.lampMask & (1u << lamp))) continue;
      const DashLight l = DashLamp(car.dash, lamp);
      const std::string what = "lamp " + std::to_string(lamp);
      ExpectIn(l.x, LAMP_POSITION, what);
      ExpectIn(l.y, LAMP_POSITION, what);
      ExpectIn(l.size, LAMP_SIZE, what);
      for (int other = 0; other < lamp; ++other) {
        if (!(s.lampMask & (1u << other))) continue;
        const DashLight o = DashLamp(car.dash, other);
        const int reach = l.size + o.size;  // two half-sizes, in hundredths
        EXPECT_TRUE(std::abs(l.x - o.x) >= reach || std::abs(l.y - o.y) >= reach)
            << what << " covers lamp " << other;
      }
    }

    if (car.dashType == DASH_TYPE_FORMULA) {
      ++formula;
      const FormulaDashBlock b = ReadFormulaBlock(car.dash);
      for (const DashBox& box : {b.gear, b.speedometer, b.display, b.turbo}) {
        ExpectIn(box.x, POSITION, "a box");
        ExpectIn(box.y, POSITION, "a box");
        ExpectIn(box.width, BOX_SIZE, "a box");
        ExpectIn(box.height, BOX_SIZE, "a box");
      }
      // The LCD arc: its figures every 1000 rpm up to the thousand above the limit, every
      // 2000 above 9549 rpm (1000 rad/s).
      ASSERT_EQ(flags & DASH_FORMULA_LED_TACHOMETER, 0u);
      const LcdArc arc = MakeLcdArc(flags, b.arc, 0.0f, s.maxEngineSpeed);
      EXPECT_EQ(arc.figureStep, s.maxEngineSpeed > 1000.0f ? 2 : 1);
      EXPECT_GE(float(arc.count / arc.perThousand) * 1000.0f, rpm) << "the arc reaches the rev limit";
      continue;
    }
    ++analog;
    const AnalogDashBlock b = ReadAnalogBlock(car.dash);
    // The dials that are on: on the page's sliders.
    const bool on[DASH_DIAL_COUNT] = {(flags & DASH_ANALOG_SPEEDOMETER_ON) != 0, !(flags & DASH_ANALOG_TACHOMETER_OFF),
                                      !(flags & DASH_ANALOG_TURBO_OFF),          !(flags & DASH_ANALOG_CLOCK_OFF),
                                      true,                                      true,
                                      (flags & DASH_ANALOG_OIL_TEMPERATURE_ON) != 0,
                                      (flags & DASH_ANALOG_OIL_PRESSURE_ON) != 0};
    for (int dial = 0; dial < DASH_DIAL_COUNT; ++dial) {
      if (!on[dial]) continue;
      const DashDial& d = b.dials[dial];
      const std::string what = "dial " + std::to_string(dial);
      ExpectIn(d.x, POSITION, what);
      ExpectIn(d.y, POSITION, what);
      ExpectIn(d.start, START, what);
      ExpectIn(d.turn, TURN, what);
      ExpectIn(d.radius, RADIUS, what);
    }
    ASSERT_TRUE(on[DASH_SPEEDOMETER] && on[DASH_TACHOMETER]) << "both big dials";
    EXPECT_EQ(on[DASH_TURBO], car.engine.flags & ENGINE_TURBO ? true : false) << "a boost gauge only with a turbo";
    // The tachometer in thousands to the first whole thousand past the rev limit and one gap
    // more; labelled every 2000 rpm above 9549 rpm.
    DashGauge tacho{};
    SetupTachometer(tacho, flags, b.dials[DASH_TACHOMETER].maximum, 0.0f, s.maxEngineSpeed);
    EXPECT_EQ(tacho.labelGap, s.maxEngineSpeed > 1000.0f ? 2 : 1);
    EXPECT_GE(tacho.maximum * 1000.0f, rpm);
    EXPECT_LE(tacho.maximum * 1000.0f, rpm + 500.0f + 1000.0f * float(tacho.labelGap));
    // The speedometer to the first 20 km/h above the speed the car is geared for.
    DashGauge speedo{};
    SetupSpeedometer(speedo, b.dials[DASH_SPEEDOMETER].maximum, s.topSpeed, 1, 0.0f);
    ASSERT_GT(kmh, 0.0);
    EXPECT_GT(speedo.maximum, kmh);
    EXPECT_LE(speedo.maximum, kmh + 20.0);
    EXPECT_EQ(speedo.maximum % 20, 0);
    EXPECT_EQ(b.dials[DASH_SPEEDOMETER].unit & 3, 2) << "km/h under the centre";
    EXPECT_EQ(b.dials[DASH_TACHOMETER].unit & 3, 2);
  }
  EXPECT_GT(analog, 0);
  EXPECT_GT(formula, 0);
}

}  // namespace
