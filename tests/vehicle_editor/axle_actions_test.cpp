// axle_actions_test.cpp - the suspension page's axle actions on the sample "Runabout" with
// the set that holds the vehicle's first wheel (number 0) taking it as its left wheel: the
// first wheel is a wheel like the others, so its pair aligns and stays staggered.
#include <gtest/gtest.h>

#include <utility>

#include "physics/car.h"
#include "tests/vehicle_editor/editor_fixture.h"
#include "vehicle_editor/vehicle_editor.h"

namespace {

class Axles : public EditorTest {
 protected:
  // The set holding wheel 0 with that wheel as its left one (its two wheels swapped if need
  // be), or -1 when no pair holds it.
  int SetWithTheFirstWheelOnTheLeft() {
    for (int set = 0; set < CAR_WHEEL_SETS; ++set) {
      SuspensionBlock& s = car().wheelSets[set];
      if (s.rightWheel == 1) std::swap(s.leftWheel, s.rightWheel);
      if (s.leftWheel == 1 && s.rightWheel > 0) return set;
    }
    return -1;
  }
};

}  // namespace

TEST_F(Axles, APairWhoseLeftWheelIsTheFirstAlignsAndStaysStaggered) {
  const int set = SetWithTheFirstWheelOnTheLeft();
  ASSERT_GE(set, 0);
  Car& c = car();
  const int right = c.wheelSets[set].rightWheel - 1;
  const uintptr_t front = set == 1 ? 4 : 0;
  // "aligned" brings both to the rearmost of the two: 0.25 m behind the left one.
  const float base = c.wheelPositions[right].y;
  c.wheelPositions[0].y = base;
  c.wheelPositions[right].y = base - 0.25f;
  VehicleEditor::SetAlignment(e, 0, front | 1);
  EXPECT_FLOAT_EQ(c.wheelPositions[0].y, base - 0.25f);
  EXPECT_FLOAT_EQ(c.wheelPositions[right].y, base - 0.25f);
  EXPECT_STREQ(VehicleUndo::Slots[VehicleUndo::NumNodes].name, "set alignment");
  // Staggered by 0.1 m, the pair keeps its places when the axle's position is edited.
  c.wheelPositions[0].y = base - 0.15f;
  c.wheelPositions[right].y = base - 0.25f;
  e->axlePositions[set] = base + 0.5f;
  VehicleEditor::AxlePositionChanged(e, 0, 0);
  EXPECT_FLOAT_EQ(c.wheelPositions[0].y, base - 0.15f);
  EXPECT_FLOAT_EQ(c.wheelPositions[right].y, base - 0.25f);
}
