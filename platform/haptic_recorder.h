// haptic_recorder.h - a recording stand-in of the haptic calls (platform/controllers.h):
// which devices play force feedback and what each call answers are set by the test, and
// every call is written down in order.  No virtual joystick has force feedback, so this is
// how the choice of effect devices is checked without hardware.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/controllers.h"

struct HapticRecorder {
  uint32_t forceFeedbackDevices = 0;  // bit n: device n plays a constant force
  uint32_t createResult = CONTROLLER_OK;
  int nullEffect = 0;                 // create succeeds but gives no effect
  uint32_t acquireResult = CONTROLLER_OK;
  uint32_t startResult = CONTROLLER_OK;
  // "create 0 axes 2", "acquire 0", "unacquire 0", "start 0 effect 1 times 1",
  // "release 0 effect 1", "close 0"
  std::vector<std::string> calls;
  int nextEffect = 1;

  // The calls recorded that begin with prefix.
  int Count(const std::string& prefix) const;
};

// Installs recorder as the haptic calls (null: back to SDL's own).
void PlatformRecordHaptics(HapticRecorder* recorder);
