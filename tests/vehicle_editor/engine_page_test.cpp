// engine_page_test.cpp - the engine page's figures without a window: the plot's scales and
// geometry, the layouts a cylinder count allows, and the torque drawn for an electric motor.
#include <gtest/gtest.h>

#include <memory>

#include "physics/car.h"
#include "vehicle_data/engine_record.h"
#include "vehicle_data/vehicle_class.h"
#include "vehicle_editor/engine/engine_page.h"

namespace {

TEST(EnginePageFigures, ScalesStepDownWhileTheEntryBeforeIsAboveTheValue) {
  EXPECT_EQ(EngineScale(150.0f), 200);
  EXPECT_EQ(EngineScale(2500.0f), 5000);
  EXPECT_EQ(EngineScale(200.0f), 500) << "an entry equal to the value is not above it";
  EXPECT_EQ(EngineScale(199.9f), 200);
  EXPECT_EQ(EngineScale(0.0f), 10);
  EXPECT_EQ(EngineScale(-5.0f), 10);
  EXPECT_EQ(EngineScale(1e9f), 5000);
}

TEST(EnginePageFigures, OddCountsAreInlineAndMoreThanEightAreNeverInline) {
  for (int cylinders : {1, 3, 5})
    for (int layout : {ENGINE_INLINE, ENGINE_FLAT, ENGINE_V})
      EXPECT_EQ(AllowedEngineLayout(cylinders, layout), ENGINE_INLINE);
  for (int cylinders : {10, 12}) {
    EXPECT_EQ(AllowedEngineLayout(cylinders, ENGINE_INLINE), ENGINE_V);
    EXPECT_EQ(AllowedEngineLayout(cylinders, ENGINE_FLAT), ENGINE_FLAT);
    EXPECT_EQ(AllowedEngineLayout(cylinders, ENGINE_V), ENGINE_V);
  }
  for (int cylinders : {2, 4, 6, 8})
    for (int layout : {ENGINE_INLINE, ENGINE_FLAT, ENGINE_V}) EXPECT_EQ(AllowedEngineLayout(cylinders, layout), layout);
}

// The page's cylinder and layout buttons keep only the layouts the cylinder count allows.
TEST(EnginePageFigures, TheCylinderAndLayoutButtonsKeepAnAllowedLayout) {
  const std::unique_ptr<Car> car = std::make_unique<Car>();
  car->vehicleClass = CLASS_SALOON;
  EngineModel m{};
  m.Reset();
  EnginePage page{};
  page.car = car.get();
  page.engine = &m;
  m.layout = ENGINE_V;
  EngineEditorSetCylinders(&page, 0, 6);
  EXPECT_EQ(m.cylinders, 6);
  EXPECT_EQ(m.layout, ENGINE_V) << "six in a V stay a V";
  EngineEditorSetCylinders(&page, 0, 5);
  EXPECT_EQ(m.layout, ENGINE_INLINE) << "an odd count is inline";
  EngineEditorSetLayout(&page, 0, ENGINE_FLAT);
  EXPECT_EQ(m.layout, ENGINE_INLINE) << "still five";
  EngineEditorSetCylinders(&page, 0, 12);
  EXPECT_EQ(m.layout, ENGINE_V) << "twelve are never inline";
  EngineEditorSetLayout(&page, 0, ENGINE_FLAT);
  EXPECT_EQ(m.layout, ENGINE_FLAT);
  m.FreeWaves();
}

TEST(EnginePageFigures, ThePlotFillsTheUpperRightQuarterAndAMotorsPowerIsFlatAboveItsBaseSpeed) {
  const EnginePlot g = EnginePlotGeometry(1024, 768, 24);
  EXPECT_FLOAT_EQ(g.left, 512.0f + 32.0f);
  EXPECT_FLOAT_EQ(g.width, 512.0f - 64.0f);
  EXPECT_FLOAT_EQ(g.zeroY, 384.0f - 96.0f);
  EXPECT_FLOAT_EQ(g.height, 384.0f - 120.0f);

  EngineModel m{};
  m.peakTorque = 300.0f;
  m.maxTorqueSpeed = 500.0f;
  EXPECT_FLOAT_EQ(PlottedTorque(m, 1, 0.0f), 300.0f);
  EXPECT_FLOAT_EQ(PlottedTorque(m, 1, 500.0f), 300.0f);
  for (float s : {600.0f, 1000.0f, 2000.0f}) EXPECT_NEAR(PlottedTorque(m, 1, s) * s, 150000.0f, 0.5f) << s;
}

}  // namespace
