// haptic_recorder_test.cpp - the recording stand-in of the haptic calls: the calls it counts,
// the devices it says play force feedback, and what a refused or empty effect leaves.
#include "platform/haptic_recorder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/controllers.h"
#include "virtual_joystick.h"

namespace {

TEST(HapticRecorder, CountsTheCallsThatBeginWithThePrefix) {
  HapticRecorder recorder;
  recorder.calls = {"create 0 axes 2", "start 0 effect 1 times 1", "start 1 effect 2 times 1", "close 0"};
  EXPECT_EQ(recorder.Count("start"), 2);
  EXPECT_EQ(recorder.Count("start 1"), 1);
  EXPECT_EQ(recorder.Count("create 0 axes 2"), 1) << "the whole call";
  EXPECT_EQ(recorder.Count("close 1"), 0);
  EXPECT_EQ(recorder.Count("effect"), 0) << "only at the beginning";
  EXPECT_EQ(recorder.Count(""), 4) << "every call begins with nothing";
  EXPECT_EQ(HapticRecorder{}.Count("start"), 0) << "no calls";
}

// Without its bit a device plays no force feedback; a refused creation and a creation that
// gives no effect both leave the effect at -1 and are written down.
TEST(HapticRecorder, DevicesWithoutTheirBitAndEffectsRefusedOrEmpty) {
  ASSERT_EQ(PlatformControllersStart(), 1) << PlatformLastControllerError();
  HapticRecorder recorder;
  recorder.forceFeedbackDevices = 0;
  PlatformRecordHaptics(&recorder);
  VirtualJoystick stick(2, 2, 0, "Forceless");
  PlatformOpenControllers();
  int d = -1;
  for (int i = 0; i < PlatformControllerCount(); ++i) {
    ControllerInfo info{};
    if (PlatformControllerInfo(i, info) && std::strcmp(info.name, "Forceless") == 0) d = i;
  }
  ASSERT_GE(d, 0);
  ControllerInfo info{};
  PlatformControllerInfo(d, info);
  EXPECT_EQ(info.forceFeedback, 0) << "no bit, no force feedback";

  int effect = 7;
  recorder.createResult = CONTROLLER_GENERIC;
  EXPECT_EQ(PlatformCreateConstantForce(d, 2, effect), CONTROLLER_GENERIC);
  EXPECT_EQ(effect, -1) << "refused";
  recorder.createResult = CONTROLLER_OK;
  recorder.nullEffect = 1;
  effect = 7;
  EXPECT_EQ(PlatformCreateConstantForce(d, 1, effect), CONTROLLER_OK);
  EXPECT_EQ(effect, -1) << "made, but no effect";
  recorder.nullEffect = 0;
  EXPECT_EQ(PlatformCreateConstantForce(d, 1, effect), CONTROLLER_OK);
  EXPECT_EQ(effect, 1) << "the first effect numbered";
  PlatformCloseControllers();
  const std::string n = std::to_string(d);
  EXPECT_EQ(recorder.Count("create " + n + " axes 2"), 1);
  EXPECT_EQ(recorder.Count("create " + n + " axes 1"), 2);
  PlatformRecordHaptics(nullptr);
  PlatformControllersStop();
}

}  // namespace
