// tread_heat_test.cpp - the tyre's thermal state: its reset, the heat flow between the tread
// layers, carcass, air and rim against a double-precision transcription, the pressure, the
// failure, wear, the coat and the damage test.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "tests/wheel/quarter_car.h"
#include "wheel/wheel.h"
#include "wheel/wheel_local.h"

namespace {

constexpr double RUBBER = 910.0 * 2000.0, ATM = 101387.555, REF = 293.15;

class TreadHeat : public ::testing::Test {
 protected:
  QuarterCar q;
  void SetUp() override {
    q = QuarterCar();
    InitWheelTables();
    SetupQuarterCar(q, WheelSetSizes{}, 220000.0f);
  }
  CarWheel& w() { return q.wheel(); }
  const SuspensionBlock& set() { return q.set(); }
  double LayerCapacity() { return double(set().rollingRadius) * 0.001 * set().heatCapacityWidth * RUBBER; }
  double CarcassCapacity() { return double(set().sectionWidth) * 0.02 * set().sidewallFactor * RUBBER; }
  double BodyTemperature(const TreadSector& s, int j) {
    return s.bodyHeat[j] / (double(s.thickness[j]) * set().heatCapacityWidth * RUBBER);
  }
  double TotalHeat() {
    double total = double(w().airHeat) + w().rimHeat;
    for (const TreadSector& s : w().sectors) {
      for (int j = 0; j < TREAD_LANES; ++j) total += double(s.bodyHeat[j]) + s.contactHeat[j];
      total += double(s.innerCarcassHeat) + s.outerCarcassHeat;
    }
    return total;
  }
};

TEST_F(TreadHeat, AResetTyreIsAtTwentyDegreesWithNewTreadAndItsColdPressure) {
  const float R = set().rollingRadius;
  for (const TreadSector& s : w().sectors) {
    for (int j = 0; j < TREAD_LANES; ++j) {
      EXPECT_EQ(s.thickness[j], 0.03f * R);
      EXPECT_NEAR(BodyTemperature(s, j), REF, 1e-3);
      EXPECT_NEAR(s.contactHeat[j] / LayerCapacity(), REF, 1e-3);
    }
    EXPECT_NEAR(s.innerCarcassHeat / CarcassCapacity(), REF, 1e-3);
    EXPECT_EQ(s.coat, 0.0f);
  }
  EXPECT_NEAR(w().airHeat / (double(w().airMass) * 1005), REF, 1e-3);
  EXPECT_NEAR(w().rimHeat / (double(set().rimVolume) * 2.7e6), REF, 1e-3);
  EXPECT_NEAR(w().pressure, 220000.0f, 0.1f);
  EXPECT_NEAR(w().radialStiffness, set().radialStiffnessSlope * w().pressure + 33844.5f, 1e-2);
  EXPECT_NEAR(w().treadStiffness, set().treadStiffnessSlope * w().pressure + 16922.25f, 1e-2);
  EXPECT_NEAR(w().twistStiffness, R * w().treadStiffness * R, 1e-2);
  for (int i = 0; i < 7; ++i) EXPECT_EQ(w().temperatures[i], 20);
  EXPECT_EQ(w().temperatures[7], 0);
  for (int j = 0; j < 3; ++j) EXPECT_EQ(w().condition[j], 255) << j;
  EXPECT_EQ(w().condition[TYRE_CONDITION_COAT], 0);
  EXPECT_EQ(w().tyreFailed, 0);
}

TEST_F(TreadHeat, AWarmResetTakesTheAmbientOnlyWhenHigher) {
  q.set().ambientTemperatureC = 10;
  w().InitThermalState(set(), 1);
  EXPECT_NEAR(w().airHeat / (double(w().airMass) * 1005), REF, 1e-3);
  EXPECT_NEAR(w().pressure, 220000.0f, 0.1f);
  q.set().ambientTemperatureC = 30;
  w().tyreFailed = 1;
  w().InitThermalState(set(), 1);
  EXPECT_EQ(w().tyreFailed, 0);
  EXPECT_NEAR(w().airHeat / (double(w().airMass) * 1005), 303.15, 1e-3);
  EXPECT_NEAR(w().pressure, 303.15 / REF * (220000 + ATM) - ATM, 1.0);
  EXPECT_EQ(w().temperatures[TYRE_TEMP_RIM], 30);
  // Without the flag the ambient is not looked at.
  w().InitThermalState(set(), 0);
  EXPECT_NEAR(w().pressure, 220000.0f, 0.1f);
}

// With no air to heat the pressure is the cold one set, and the stiffnesses follow it.
TEST_F(TreadHeat, ATyreWithoutAirKeepsItsColdPressure) {
  w().airMass = 0.0f;
  w().InitThermalState(set(), 0);
  EXPECT_EQ(w().pressure, 220000.0f);
  EXPECT_NEAR(w().radialStiffness, set().radialStiffnessSlope * 220000.0f + 33844.5f, 1e-2);
}

TEST_F(TreadHeat, ResetWheelStateClearsTheRunningState) {
  w().spinRate = 12.0f;
  w().travel = 0.05f;
  w().deflection = 0.01f;
  w().contactKind = 1;
  w().edgePresent = 1;
  w().edgeDepth = 0.003f;
  w().wheelForce = {1.0f, 2.0f, 3.0f};
  w().wheelTableSlot = 7;
  for (float& d : w().laneDeflection) d = 0.01f;
  w().surfaceKind = 4;
  w().looseGround = 1;
  w().edgeTouching = 1;
  w().edgeSaturated = 1;
  w().groundContact = 1;
  const float heat = w().sectors[5].bodyHeat[1];
  w().ResetWheelState();
  for (int j = 0; j < 3; ++j) EXPECT_EQ(w().laneDeflection[j], 0.0f) << j;
  for (int i = 0; i < 8; ++i) EXPECT_EQ(w().temperatures[i], 0) << i;
  for (int i = 0; i < 4; ++i) EXPECT_EQ(w().condition[i], 0) << i;
  EXPECT_EQ(w().surfaceKind, 0);
  EXPECT_EQ(w().looseGround, 0);
  EXPECT_EQ(w().edgeTouching, 0);
  EXPECT_EQ(w().edgeSaturated, 0);
  EXPECT_EQ(w().groundContact, 0);
  EXPECT_EQ(w().rotationAngle, 3.14159265f);
  EXPECT_EQ(w().wheelTableSlot, -2);
  EXPECT_EQ(w().spinRate, 0.0f);
  EXPECT_EQ(w().travel, 0.0f);
  EXPECT_EQ(w().deflection, 0.0f);
  EXPECT_EQ(w().contactKind, 0);
  EXPECT_EQ(w().edgePresent, 0);
  EXPECT_EQ(w().edgeDepth, 0.0f);
  EXPECT_EQ(w().wheelForce.z, 0.0f);
  EXPECT_EQ(w().pressure, 0.0f);
  EXPECT_EQ(w().radialStiffness, 0.0f);
  EXPECT_EQ(w().condition[0], 0);
  EXPECT_EQ(w().sectors[5].bodyHeat[1], heat);  // the tread is the thermal reset's
}

// One heat step in double precision over a copy of the wheel.
struct HeatD {
  double contact[16][3], body[16][3], carcass[16][2], air, rim, pressure;
  int bytes[7], condition[4];
  bool failed;
};

HeatD HeatStepD(const CarWheel& w, const SuspensionBlock& set, double dt, double a) {
  HeatD out = {};
  const double R = set.rollingRadius, wc = set.heatCapacityWidth, width = set.sectionWidth, sf = set.sidewallFactor;
  double air = w.airHeat, rim = w.rimHeat;
  const double Ta = air / (double(w.airMass) * 1005), Tr = rim / (double(set.rimVolume) * 2.7e6);
  const double pr = (double(w.pressure) + ATM) / ATM;
  const double Cl = wc * R * 0.001 * RUBBER, Cb = wc * RUBBER, Cc = width * 0.02 * sf * RUBBER;
  const double kl = wc / (R * 0.001) * 0.15 * dt, kb = wc * 10 * dt * pr, kc = wc * 10 * dt * a;
  const double ko = sf * 10 * dt * a, ki = sf * 10 * dt * pr;
  double thick[3] = {}, bodyT[3] = {}, carcassT[2] = {}, coat = 0;
  for (int k = 0; k < 16; ++k) {
    const TreadSector& s = w.sectors[k];
    for (int j = 0; j < 3; ++j) {
      const double Tc = s.contactHeat[j] / Cl, Tb = s.bodyHeat[j] / (double(s.thickness[j]) * Cb);
      const double fl = (Tc - Tb) * kl, fa = (Tb - Ta) * kb;
      out.contact[k][j] = s.contactHeat[j] + (REF - Tc) * kc - fl;
      out.body[k][j] = s.bodyHeat[j] + fl - fa;
      air += fa;
      thick[j] += s.thickness[j];
      bodyT[j] += Tb;
    }
    const double heats[2] = {s.innerCarcassHeat, s.outerCarcassHeat};
    for (int c = 0; c < 2; ++c) {
      const double Tk = heats[c] / Cc, fk = (Tk - Ta) * ki;
      out.carcass[k][c] = heats[c] + (REF - Tk) * ko - fk;
      air += fk;
      carcassT[c] += Tk;
    }
    coat += s.coat;
  }
  out.failed = w.tyreFailed;
  const double t0 = 0.03 * R;
  for (int j = 0; j < 3; ++j) {
    if (bodyT[j] / 16 > 473.15) out.failed = true;
    out.bytes[j] = static_cast<int>(std::lround(bodyT[j] / 16 - 273.15));
    out.condition[j] = static_cast<int>(std::lround((thick[j] / 16 - 0.3 * t0) * 255 / (0.7 * t0)));
  }
  out.bytes[3] = static_cast<int>(std::lround(Ta - 273.15));
  out.bytes[4] = static_cast<int>(std::lround(carcassT[0] / 16 - 273.15));
  out.bytes[5] = static_cast<int>(std::lround(carcassT[1] / 16 - 273.15));
  out.bytes[6] = static_cast<int>(std::lround(Tr - 273.15));
  out.condition[3] = static_cast<int>(std::lround(coat / 16 * 1593.75));
  const double A = double(set.rimRadius) * 6.2831855 * set.rimWidth * 10 * dt, fr = A * pr * (Tr - Ta);
  out.rim = rim + A * a * 0.1 * (REF - Tr) - fr;
  out.air = air + fr;
  out.pressure = out.failed ? 0 : out.air / (double(w.airMass) * 1005) / REF * (double(w.coldPressure) + ATM) - ATM;
  return out;
}

TEST_F(TreadHeat, OneStepMatchesTheTranscription) {
  // Uneven heat: a hot patch, a warm carcass, a hot rim, some coat and wear.
  const double Cl = LayerCapacity();
  w().sectors[3].contactHeat[0] = static_cast<float>(Cl * 380);
  w().sectors[3].contactHeat[1] = static_cast<float>(Cl * 360);
  w().sectors[3].bodyHeat[1] *= 1.2f;
  w().sectors[7].outerCarcassHeat *= 1.3f;
  w().sectors[9].coat = 0.05f;
  w().sectors[9].thickness[2] *= 0.8f;
  w().sectors[9].bodyHeat[2] *= 0.8f;
  w().rimHeat *= 1.4f;
  for (float a : {0.0f, 0.8f}) {
    for (int step = 0; step < 3; ++step) {
      const HeatD d = HeatStepD(w(), set(), 0.001, a);
      w().UpdateTyreTemperatures(set(), 0, 0.001f, a);
      for (int k = 0; k < 16; ++k) {
        for (int j = 0; j < 3; ++j) {
          EXPECT_NEAR(w().sectors[k].contactHeat[j], d.contact[k][j], d.contact[k][j] * 1e-6);
          EXPECT_NEAR(w().sectors[k].bodyHeat[j], d.body[k][j], d.body[k][j] * 1e-6);
        }
        EXPECT_NEAR(w().sectors[k].innerCarcassHeat, d.carcass[k][0], d.carcass[k][0] * 1e-6);
        EXPECT_NEAR(w().sectors[k].outerCarcassHeat, d.carcass[k][1], d.carcass[k][1] * 1e-6);
      }
      EXPECT_NEAR(w().airHeat, d.air, d.air * 1e-6);
      EXPECT_NEAR(w().rimHeat, d.rim, d.rim * 1e-6);
      EXPECT_NEAR(w().pressure, d.pressure, 2.0);
      for (int i = 0; i < 7; ++i) EXPECT_NEAR(w().temperatures[i], d.bytes[i], 1) << i;
      for (int i = 0; i < 4; ++i) EXPECT_NEAR(w().condition[i], d.condition[i], 1) << i;
    }
  }
}

// Each lane's tread body and each carcass side hands its own heat to the air: one part at a
// time 100 K hotter than the air all round the tyre, the air gains what that part gives.
TEST_F(TreadHeat, EachLaneAndCarcassSideWarmsTheAir) {
  for (int part = 0; part < 5; ++part) {
    SetUp();
    for (TreadSector& s : w().sectors) {
      if (part < 3) {
        s.bodyHeat[part] *= static_cast<float>((REF + 100) / REF);
      } else {
        float& carcass = part == 3 ? s.innerCarcassHeat : s.outerCarcassHeat;
        carcass *= static_cast<float>((REF + 100) / REF);
      }
    }
    const double before = w().airHeat;
    const HeatD d = HeatStepD(w(), set(), 0.001, 0.0);
    w().UpdateTyreTemperatures(set(), 0, 0.001f, 0.0f);
    const double gain = d.air - before;
    ASSERT_GT(gain, 0.05) << part;
    EXPECT_NEAR(w().airHeat - before, gain, gain * 0.02) << part;
  }
}

TEST_F(TreadHeat, WithoutAirCoolingTheTotalHeatIsKept) {
  const double Cl = LayerCapacity();
  for (TreadSector& s : w().sectors) s.contactHeat[1] = static_cast<float>(Cl * 400);
  w().rimHeat *= 1.3f;
  const double before = TotalHeat();
  for (int i = 0; i < 5000; ++i) w().UpdateTyreTemperatures(set(), 0, 0.001f, 0.0f);
  EXPECT_NEAR(TotalHeat(), before, before * 2e-5);
  // With cooling it falls towards 293.15 K everywhere.
  for (int i = 0; i < 5000; ++i) w().UpdateTyreTemperatures(set(), 0, 0.001f, 1.0f);
  EXPECT_LT(TotalHeat(), before);
}

TEST_F(TreadHeat, ThePressureFollowsTheAirTemperature) {
  const double Cl = LayerCapacity();
  for (TreadSector& s : w().sectors)
    for (int j = 0; j < TREAD_LANES; ++j) {
      s.contactHeat[j] = static_cast<float>(Cl * 370);
      s.bodyHeat[j] *= 1.25f;
    }
  for (int i = 0; i < 3000; ++i) w().UpdateTyreTemperatures(set(), 0, 0.001f, 0.0f);
  const double air = w().airHeat / (double(w().airMass) * 1005);
  EXPECT_GT(air, REF + 1.0);
  EXPECT_NEAR(w().pressure, air / REF * (220000 + ATM) - ATM, 5.0);  // p_abs / T constant
  EXPECT_GT(w().pressure, 220000.0f);
  EXPECT_NEAR(w().radialStiffness, set().radialStiffnessSlope * w().pressure + 33844.5f, 1.0f);
}

TEST_F(TreadHeat, ATyreOverTwoHundredDegreesFailsAndLosesItsPressure) {
  const double Cb = set().heatCapacityWidth * RUBBER;
  const auto heatCentreLanes = [&](double kelvin) {
    for (TreadSector& s : w().sectors) s.bodyHeat[1] = static_cast<float>(s.thickness[1] * Cb * kelvin);
  };
  heatCentreLanes(472.0);
  w().UpdateTyreTemperatures(set(), 0, 0.001f, 0.0f);
  EXPECT_EQ(w().tyreFailed, 0);
  heatCentreLanes(475.0);
  w().UpdateTyreTemperatures(set(), 1, 0.001f, 0.0f);  // the caller may suppress the failure
  EXPECT_EQ(w().tyreFailed, 0);
  w().UpdateTyreTemperatures(set(), 0, 0.001f, 0.0f);
  EXPECT_EQ(w().tyreFailed, 1);
  EXPECT_EQ(w().pressure, 0.0f);
  EXPECT_EQ(w().radialStiffness, 33844.5f);
  EXPECT_EQ(w().treadStiffness, 16922.25f);
  EXPECT_EQ(w().temperatures[TYRE_TEMP_CENTRE], 202);
}

TEST_F(TreadHeat, AHeatStepThatRunsAwayStartsTheTyreAgainCold) {
  q.set().ambientTemperatureC = 35;  // a hot day: cold is still 20 degrees, not the air's 35
  w().sectors[6].contactHeat[0] = 3.0e38f;  // together past what a float holds
  w().sectors[7].contactHeat[0] = 3.0e38f;
  w().sectors[6].thickness[0] *= 0.5f;
  w().UpdateTyreTemperatures(set(), 0, 0.001f, 1.0f);
  EXPECT_TRUE(std::isfinite(w().airHeat));
  EXPECT_NEAR(w().sectors[6].contactHeat[0] / LayerCapacity(), REF, 1e-3);
  EXPECT_EQ(w().sectors[6].thickness[0], 0.03f * set().rollingRadius);
  EXPECT_NEAR(w().pressure, 220000.0f, 0.1f);
  EXPECT_EQ(w().temperatures[TYRE_TEMP_AIR], 20);
  // So does a run-away in any other lane, or in either carcass side: two sectors' heats that
  // a float holds one by one but not together.
  for (int part = 1; part < 5; ++part) {
    SCOPED_TRACE(part);
    SetUp();
    q.set().ambientTemperatureC = 35;
    for (int k : {6, 7}) {
      TreadSector& s = w().sectors[k];
      (part < 3 ? s.contactHeat[part] : part == 3 ? s.innerCarcassHeat : s.outerCarcassHeat) = 3.0e38f;
    }
    w().UpdateTyreTemperatures(set(), 0, 0.001f, 1.0f);
    const TreadSector& s = w().sectors[6];
    EXPECT_NEAR(s.contactHeat[1] / LayerCapacity(), REF, 1e-3);
    EXPECT_NEAR(s.contactHeat[2] / LayerCapacity(), REF, 1e-3);
    EXPECT_NEAR(s.innerCarcassHeat / CarcassCapacity(), REF, 1e-3);
    EXPECT_NEAR(s.outerCarcassHeat / CarcassCapacity(), REF, 1e-3);
    EXPECT_NEAR(w().pressure, 220000.0f, 0.1f);
  }
}

TEST_F(TreadHeat, SlidingWearsTheLanesDownToTheirFloor) {
  const float R = set().rollingRadius, floor = 0.3f * (0.03f * R);
  w().laneDeflection[0] = 0.004f;
  w().laneDeflection[1] = 0.01f;
  w().laneDeflection[2] = 0.016f;
  w().slidingEnergy = 300.0f;
  w().rolledDistance = 0.01f;
  w().frictionLimit = 3000.0f;
  const float before = w().sectors[4].thickness[2], heat = w().sectors[4].contactHeat[2];
  HeatAndWearBySliding(w(), set(), 4);
  // The outer lane carries 0.016 / 0.03 of the energy.
  const double share = 300.0 * 0.016 / 0.03;
  EXPECT_NEAR(w().sectors[4].contactHeat[2] - heat, 0.2 * share, 0.2 * share * 1e-3);
  EXPECT_NEAR(before - w().sectors[4].thickness[2], TyreCompounds[5].wearRate * share / set().heatCapacityWidth,
              3e-9);
  EXPECT_EQ(w().sectors[5].thickness[2], before);  // only the sector in contact
  w().slidingEnergy = 1e9f;
  HeatAndWearBySliding(w(), set(), 4);
  for (float thickness : w().sectors[4].thickness) EXPECT_EQ(thickness, floor);
  EXPECT_EQ(w().tyreFailed, 1);
  EXPECT_NEAR(floor, 0.009f * R, 1e-9);
  // A lane exactly at the floor with nothing more worn off has not failed yet.
  SetUp();
  for (float& thickness : w().sectors[4].thickness) thickness = floor;
  w().laneDeflection[1] = 0.01f;
  w().slidingEnergy = 0.0f;
  HeatAndWearBySliding(w(), set(), 4);
  EXPECT_EQ(w().sectors[4].thickness[0], floor);
  EXPECT_EQ(w().tyreFailed, 0);
  w().slidingEnergy = 1e9f;
  // A tread worn all round shows condition 0; a new one 255.
  for (TreadSector& s : w().sectors)
    for (float& thickness : s.thickness) thickness = floor;
  w().UpdateTyreTemperatures(set(), 1, 0.001f, 0.0f);
  EXPECT_EQ(w().condition[0], 0);
  EXPECT_EQ(w().condition[1], 0);
}

TEST_F(TreadHeat, LooseGroundLaysACoatOfAtMostSixteenPercentAndNeitherHeatsNorWears) {
  w().surfaceKind = 4;  // coat target 16 %, loose
  w().looseGround = 1;
  w().laneDeflection[1] = 0.01f;
  w().rolledDistance = 0.02f;
  w().frictionLimit = 3000.0f;
  w().slidingEnergy = 5000.0f;
  const TreadSector before = w().sectors[2];
  for (int i = 0; i < 20000; ++i) HeatAndWearBySliding(w(), set(), 2);
  EXPECT_EQ(w().sectors[2].coat, 0.16f);
  EXPECT_EQ(w().sectors[2].thickness[1], before.thickness[1]);
  EXPECT_EQ(w().sectors[2].contactHeat[1], before.contactHeat[1]);
  for (TreadSector& s : w().sectors) s.coat = 0.16f;
  w().UpdateTyreTemperatures(set(), 0, 0.001f, 0.0f);
  EXPECT_EQ(w().condition[TYRE_CONDITION_COAT], 255);
  // Firm ground rubs the coat off, and below 0.01 it is gone.
  w().surfaceKind = 0;
  w().looseGround = 0;
  int steps = 0;
  while (w().sectors[2].coat != 0.0f && steps < 100000) {
    HeatAndWearBySliding(w(), set(), 2);
    ++steps;
    ASSERT_TRUE(w().sectors[2].coat == 0.0f || w().sectors[2].coat >= 0.01f);
  }
  EXPECT_EQ(w().sectors[2].coat, 0.0f);
  EXPECT_GT(steps, 1);
}

// A step on loose ground lays target x friction limit x rolled distance x 0.000004 / wc of
// coat; none once the coat is at the ground's target, and never more than 16 %.
TEST_F(TreadHeat, EachStepOnLooseGroundLaysItsShareOfCoat) {
  w().surfaceKind = 2;  // coat target 8 %
  w().looseGround = 1;
  w().rolledDistance = 0.02f;
  w().frictionLimit = 3000.0f;
  w().slidingEnergy = 0.0f;
  w().sectors[2].coat = 0.0f;
  HeatAndWearBySliding(w(), set(), 2);
  const double step = 0.08 * 3000.0 * 0.02 * 0.000004 / set().heatCapacityWidth;
  ASSERT_LT(step, 0.01);
  EXPECT_NEAR(w().sectors[2].coat, step, step * 1e-5);
  w().sectors[2].coat = 8 * 0.01f;
  HeatAndWearBySliding(w(), set(), 2);
  EXPECT_EQ(w().sectors[2].coat, 8 * 0.01f) << "at the target";
  w().surfaceKind = 4;  // 16 %
  w().frictionLimit = 1e7f;
  w().sectors[2].coat = 0.159f;
  HeatAndWearBySliding(w(), set(), 2);
  EXPECT_EQ(w().sectors[2].coat, 0.16f) << "a big step stops at 16 %";
  // On firm ground without rolling or sliding nothing is rubbed off: a coat of 1 % stays, one
  // below it is gone.
  w().surfaceKind = 0;
  w().looseGround = 0;
  w().rolledDistance = 0.0f;
  w().sectors[2].coat = 0.01f;
  HeatAndWearBySliding(w(), set(), 2);
  EXPECT_EQ(w().sectors[2].coat, 0.01f);
  w().sectors[2].coat = 0.0099f;
  HeatAndWearBySliding(w(), set(), 2);
  EXPECT_EQ(w().sectors[2].coat, 0.0f);
}

TEST_F(TreadHeat, GripByTheContactLayersTemperature) {
  const double Cl = LayerCapacity(), optimum = TyreCompounds[5].optimumTemperatureC + 273.15;
  w().deflection = 0.01f;
  w().camberTerm = 0.0f;
  w().gripCoefficient = 0.9f;
  for (double away : {0.0, 60.0, -60.0, 600.0}) {
    for (float& heat : w().sectors[1].contactHeat) heat = static_cast<float>(Cl * (optimum + away));
    float rolling = 0.0f;
    const float grip = HeatTreadByRolling(w(), set(), 1, rolling);
    const double expected = (0.8 + 0.2 / (away * away / 3600 + 1)) * 0.9;
    EXPECT_NEAR(grip, expected, 1e-5) << away;
  }
}

// The camber loads one side of the tread more: a lean of g puts d - g w/2 on the inner lane
// and d + g w/2 on the outer, and a lean past the deflection lifts a side off (never below 0).
TEST_F(TreadHeat, ALeanLoadsOneSideAndLiftsTheOtherOff) {
  const double d = 0.01, width = set().sectionWidth;
  w().deflection = float(d);
  for (double g : {0.02 / width, -0.02 / width, 0.06 / width, -0.06 / width}) {
    w().camberTerm = float(g);
    float rolling = 0.0f;
    HeatTreadByRolling(w(), set(), 1, rolling);
    EXPECT_NEAR(w().laneDeflection[0], std::max(0.0, d - g * width / 2), 1e-7) << g;
    EXPECT_EQ(w().laneDeflection[1], float(d));
    EXPECT_NEAR(w().laneDeflection[2], std::max(0.0, d + g * width / 2), 1e-7) << g;
  }
  // Rolling flexes the carcass sides by their lanes: the inner side's heat over the outer's is
  // the inner lane's deflection over the outer's (0.005 / 0.015 for a lean of 0.01 / width),
  // and a side lifted off gains nothing.
  w().rolledDistance = 0.05f;
  for (double g : {0.01 / width, 0.02 / width, -0.02 / width}) {
    w().camberTerm = float(g);
    TreadSector& s = w().sectors[1];
    s.innerCarcassHeat = s.outerCarcassHeat = 0.0f;
    float rolling = 0.0f;
    HeatTreadByRolling(w(), set(), 1, rolling);
    const double inner = std::max(0.0, d - g * width / 2), outer = std::max(0.0, d + g * width / 2);
    ASSERT_GT(double(s.innerCarcassHeat) + s.outerCarcassHeat, 0.0) << g;
    if (inner == 0.0) {
      EXPECT_EQ(s.innerCarcassHeat, 0.0f) << g;
    } else if (outer == 0.0) {
      EXPECT_EQ(s.outerCarcassHeat, 0.0f) << g;
    } else {
      EXPECT_NEAR(s.innerCarcassHeat / s.outerCarcassHeat, inner / outer, 1e-4) << g;
    }
  }
}

// The rolling resistance is the step's rolling heat over the angle rolled (q / R): with
// rho = h 800 |q| and H = rho 600 b, the lanes give sum_j t_j H d_j and the two carcass sides
// width 0.02 rho 100 (d_inner + d_outer), so per radian
//   torque = h 800 R (600 b sum_j t_j d_j + width 0.02 100 (d_inner + d_outer)).
// Under a lean the three lane deflections differ, so the carcass takes the two outer lanes
// and never the centre one.
TEST_F(TreadHeat, TheRollingTorqueIsTheRollingHeatOfOneRadianUnderALean) {
  const double d = 0.01, width = set().sectionWidth, R = set().rollingRadius;
  const double h = set().rollingHeat, b = set().treadContactWidth;
  ASSERT_GT(h, 0.0);
  w().deflection = float(d);
  w().rolledDistance = 0.05f;
  // Leans of 0.02 / width (inner 0.005, centre 0.01, outer 0.015), the other way, and one
  // past the deflection (inner lifted off, outer 0.04).
  for (double g : {0.02 / width, -0.02 / width, 0.06 / width}) {
    w().camberTerm = float(g);
    TreadSector& s = w().sectors[1];
    s.thickness[0] = 0.006f;  // worn unevenly, so each lane counts by its own thickness
    s.thickness[1] = 0.008f;
    s.thickness[2] = 0.009f;
    const double inner = std::max(0.0, d - g * width / 2), outer = std::max(0.0, d + g * width / 2);
    const double laneLoad = 0.006 * inner + 0.008 * d + 0.009 * outer;
    const double expected = h * 800 * R * (600 * b * laneLoad + width * 0.02 * 100 * (inner + outer));
    float rolling = 0.0f;
    HeatTreadByRolling(w(), set(), 1, rolling);
    EXPECT_NEAR(rolling, expected, 1e-5 * expected) << g;
  }
}

TEST_F(TreadHeat, DamageLevelByTheTreadLeft) {
  w().condition[0] = w().condition[1] = w().condition[2] = 200;
  EXPECT_EQ(w().CheckDamageLevel(100), 0);  // only the failure counts at 100
  w().tyreFailed = 1;
  EXPECT_EQ(w().CheckDamageLevel(100), 1);
  w().tyreFailed = 0;
  // 50 %: the threshold is 127.5 rounded, 128.
  EXPECT_EQ(w().CheckDamageLevel(50), 0);
  w().condition[2] = 128;
  EXPECT_EQ(w().CheckDamageLevel(50), 1);
  w().condition[2] = 129;
  EXPECT_EQ(w().CheckDamageLevel(50), 0);
  // 0 %: the threshold is 255, so any tread at all counts (the algorithm's threshold).
  EXPECT_EQ(w().CheckDamageLevel(0), 1);
  w().condition[0] = w().condition[1] = w().condition[2] = 255;
  EXPECT_EQ(w().CheckDamageLevel(0), 1);
  EXPECT_EQ(w().CheckDamageLevel(1), 0);
  // 99 %: the threshold is 2.55 rounded, 3.
  w().condition[1] = 3;
  EXPECT_EQ(w().CheckDamageLevel(99), 1);
  w().condition[1] = 4;
  EXPECT_EQ(w().CheckDamageLevel(99), 0);
  // Each of the three lanes counts by itself, the inner one as much as the outer.
  for (int lane = 0; lane < 3; ++lane) {
    w().condition[0] = w().condition[1] = w().condition[2] = 200;
    w().condition[lane] = 128;
    EXPECT_EQ(w().CheckDamageLevel(50), 1) << lane;
  }
}

}  // namespace
