// engine_power_test.cpp - the engine's power and torque lines: whole figures from 50 N m and
// 50 kW, cc below a litre, the turbo, layout and cylinder words, the electric motor's lines,
// and every figure against the test's own conversion.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "vehicle_data/engine_power.h"
#include "vehicle_data/engine_record.h"

namespace {

struct Lines {
  char engine[ENGINE_LINE_SIZE], torque[ENGINE_LINE_SIZE], power[ENGINE_LINE_SIZE];
};

Lines Describe(const EngineModel& e, int electric) {
  Lines l;
  DescribeEnginePower(e, electric, l.engine, l.torque, l.power);
  return l;
}

EngineModel Engine(float size, int cylinders, int layout, uint32_t flags) {
  EngineModel e{};
  e.Reset();
  e.engineSize = size;
  e.cylinders = uint8_t(cylinders);
  e.layout = uint8_t(layout);
  e.flags = flags;
  e.maxTorque = 180.0f, e.maxTorqueSpeed = 450.0f;
  e.maxPower = 95000.0f, e.maxPowerSpeed = 600.0f;
  return e;
}

TEST(EnginePower, TheEngineLineNamesSizeTurboLayoutAndCylinders) {
  struct Case {
    float size;
    int cylinders, layout;
    uint32_t flags;
    const char* line;
  };
  const Case cases[] = {
      {999.0f, 4, ENGINE_INLINE, 0, "Engine : 999 cc inline 4"},
      {1600.0f, 4, ENGINE_INLINE, 0, "Engine : 1.6 litre inline 4"},
      {1000.0f, 6, ENGINE_FLAT, ENGINE_TURBO, "Engine : 1.0 litre turbocharged flat 6"},
      {125.0f, 1, ENGINE_V, 0, "Engine : 125 cc single"},
      {650.0f, 2, ENGINE_V, 0, "Engine : 650 cc V twin"},
      {900.0f, 3, ENGINE_INLINE, 0, "Engine : 900 cc inline triple"},
      {2500.0f, 5, ENGINE_INLINE, 0, "Engine : 2.5 litre inline 5"},
      {2800.0f, 7, ENGINE_V, 0, "Engine : 2.8 litre V ?"},
      {5000.0f, 8, ENGINE_V, ENGINE_CROSS_PLANE, "Engine : 5.0 litre V 8"},
      {5200.0f, 10, ENGINE_V, 0, "Engine : 5.2 litre V 10"},
      {6000.0f, 12, ENGINE_V, ENGINE_TURBO, "Engine : 6.0 litre turbocharged V 12"},
      {3000.0f, 9, ENGINE_FLAT, 0, "Engine : 3.0 litre flat ?"},
      {3000.0f, 6, 7, 0, "Engine : 3.0 litre 6"},  // a layout of no name
  };
  for (const Case& c : cases) EXPECT_STREQ(Describe(Engine(c.size, c.cylinders, c.layout, c.flags), 0).engine, c.line);
}

TEST(EnginePower, FiguresBelowFiftyShowADecimal) {
  EngineModel e = Engine(2000.0f, 4, ENGINE_INLINE, 0);
  e.maxTorque = 49.9f, e.maxTorqueSpeed = 500.0f;
  e.maxPower = 49900.0f, e.maxPowerSpeed = 600.0f;
  Lines l = Describe(e, 0);
  EXPECT_STREQ(l.torque, "Torque : 49.9 Nm (36.8 lbft) @ 4775 rpm");
  EXPECT_STREQ(l.power, "Power : 49.9 kW (66.9 bhp) @ 5730 rpm");
  e.maxTorque = 50.0f;
  e.maxPower = 50000.0f;
  l = Describe(e, 0);
  EXPECT_STREQ(l.torque, "Torque : 50 Nm (37 lbft) @ 4775 rpm");
  EXPECT_STREQ(l.power, "Power : 50 kW (67 bhp) @ 5730 rpm");
  // 50000 W comes to a hair over 50 kW in floats (0.001 is not exact); the float below it,
  // 49999.996 W, comes to 50 kW exactly, and 50 itself shows whole figures too.
  e.maxPower = 0x1.869ffep+15f;
  l = Describe(e, 0);
  EXPECT_STREQ(l.power, "Power : 50 kW (67 bhp) @ 5730 rpm");
}

TEST(EnginePower, AnElectricMotorHasNoEngineLineAndItsPowerIsBaseSpeedTimesTorque) {
  EngineModel e = Engine(2000.0f, 4, ENGINE_INLINE, 0);
  e.maxTorque = 300.0f, e.maxTorqueSpeed = 400.0f;
  e.maxPower = 120000.0f, e.maxPowerSpeed = 999.0f;  // not the motor's speed
  const Lines l = Describe(e, 1);
  EXPECT_STREQ(l.engine, "");
  EXPECT_STREQ(l.torque, "Torque : 300 Nm (221 lbft) @ 3820 rpm");
  EXPECT_STREQ(l.power, "Power : 120 kW (161 bhp) @ 3820 rpm");
  char torque[ENGINE_LINE_SIZE], power[ENGINE_LINE_SIZE];
  DescribeEnginePower(e, 1, nullptr, torque, power);  // no engine line asked for
  EXPECT_STREQ(power, l.power);
}

TEST(EnginePower, EveryFigureIsTheTestsOwnConversion) {
  for (int i = 0; i < 50; ++i) {
    EngineModel e = Engine(1800.0f, 4, ENGINE_INLINE, 0);
    e.maxTorque = 20.0f + 37.3f * float(i);
    e.maxTorqueSpeed = 150.0f + 13.1f * float(i);
    e.maxPower = 9000.0f + 9700.0f * float(i);
    e.maxPowerSpeed = 300.0f + 11.7f * float(i);
    const Lines l = Describe(e, 0);
    float nm, lbft, rpm, kw, bhp, powerRpm;
    ASSERT_EQ(std::sscanf(l.torque, "Torque : %f Nm (%f lbft) @ %f rpm", &nm, &lbft, &rpm), 3) << l.torque;
    ASSERT_EQ(std::sscanf(l.power, "Power : %f kW (%f bhp) @ %f rpm", &kw, &bhp, &powerRpm), 3) << l.power;
    const double shown = e.maxTorque < 50 ? 0.05 : 0.5, shownPower = e.maxPower < 50000 ? 0.05 : 0.5;
    EXPECT_NEAR(nm, e.maxTorque, shown);
    EXPECT_NEAR(lbft, e.maxTorque / 1.35582, shown + 1e-3);
    EXPECT_NEAR(rpm, e.maxTorqueSpeed * 60 / 6.2831855, 0.5 + 1e-3);
    EXPECT_NEAR(kw, e.maxPower * 0.001, shownPower + 1e-3);
    EXPECT_NEAR(bhp, e.maxPower * 0.0013413, shownPower + 1e-3);
    EXPECT_NEAR(powerRpm, e.maxPowerSpeed * 60 / 6.2831855, 0.5 + 1e-3);
  }
}

}  // namespace
