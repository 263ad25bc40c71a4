// controls.cpp - game controllers, the program's controls and axes, pedals and force feedback.
//
// Sections: [Tables] [Controls] [Axes] [Pedals] [Devices] [Polling] [Force feedback]
//           [Error names]
#include "core/controls.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>

#include "core/config.h"
#include "core/frame_globals.h"
#include "core/log.h"
#include "core/report.h"

// ---- [Tables] ----

ControllerDevice ControllerDevices[MAX_DEVICES];
int ControllerDeviceCount;
AxisValue AxisValues[AXIS_VALUE_COUNT];
int AxisValueCount;
uint8_t ButtonCountdowns[BUTTON_TABLE_SIZE];
int ButtonEntryCount;

ControlSlots ControlTable[CONTROL_COUNT];
AxisControl AxisTable[AXIS_CONTROL_COUNT];
float MouseAxes[2];
int PedalMode;
float PedalValues[2];
float WheelTurnDegrees = 90.0f;
int ControlsPolledThisFrame;
int ForceFeedbackOn = 1;
ForceEffect SteerForce = {-1, -1, 0};
ForceEffect ShiftForce = {-1, -1, 0};
int ForcedRedrawPending;
int (*PlayerGearbox)();

const char* const ControlNames[CONTROL_COUNT] = {
    "steer_left", "steer_right", "throttle", "brake", "shift_up", "shift_down", "clutch", "handbrake",
    "look_left", "look_right", "look_back", "horn", "flash", "ignition", "pit_limiter", "lights",
    "indicate_left", "indicate_right", "hazard", "siren", "gear_neutral",
    "panel_hold", "escape", "hide_text", "talk", "arrow_up", "arrow_down", "arrow_left", "arrow_right",
    "gear_reverse", "gear_1", "gear_2", "gear_3", "gear_4", "gear_5", "gear_6", "gear_7",
    "ctrl_f1", "ctrl_f2", "ctrl_f3", "ctrl_f4", "ctrl_f5", "ctrl_f6", "ctrl_f7", "ctrl_f8", "ctrl_f9",
    "ctrl_f10", "ctrl_f11", "ctrl_f12",
    "alt_f1", "alt_f2", "alt_f3", "alt_f4", "alt_f5", "alt_f6", "alt_f7", "alt_f8", "alt_f9",
    "alt_f10", "alt_f11", "alt_f12",
};
const char* const AxisControlNames[AXIS_CONTROL_COUNT] = {
    "steer", "combined", "throttle", "brake", "lookh", "lookp", "lookr", "clutch", "handbrake", "shiftx", "shifty",
};

namespace {

// Lines to the local user: errors in the error colour, the others in the default grey.
void Say(const char* text, int error) { ReportLine(text, error ? REPORT_ERROR : REPORT_GREY); }

constexpr int AXIS_START_MINIMUM = -1000;
constexpr int AXIS_START_MAXIMUM = 1000;
constexpr int MOUSE_BUTTON_LEFT_KEY = 1, MOUSE_BUTTON_RIGHT_KEY = 2;

// Keys of controls 0, 1 and 4..20 at the start.
constexpr struct {
  int control;
  int key;
} START_KEYS[] = {
    {0, 'J'},  {1, 'K'},  {4, MOUSE_BUTTON_LEFT_KEY}, {5, MOUSE_BUTTON_RIGHT_KEY}, {6, 'S'}, {7, 'X'},
    {8, 'C'},  {9, 'Q'},  {10, 'W'}, {11, 'E'}, {12, 'R'}, {13, 'B'}, {14, 'G'}, {15, ' '},
    {16, 'L'}, {17, 'O'}, {18, 'I'}, {19, '5'}, {20, '6'},
};

// Gives the control's slot the value and takes it from every other control.
int AssignSlot(int control, int value, uint16_t ControlSlots::*slot) {
  if (control < 0 || control >= CONTROL_COUNT) return CONTROL_COUNT;
  const uint16_t v = value < 0 ? CONTROL_NONE : static_cast<uint16_t>(value);
  if (v != CONTROL_NONE)
    for (ControlSlots& slots : ControlTable)
      if (slots.*slot == v) slots.*slot = CONTROL_NONE;
  ControlTable[control].*slot = v;
  return CONTROL_COUNT;
}

}  // namespace

// ---- [Controls] ----

int IsAssignableKey(int key) {
  return (key >= 0 && key <= 5) || key == ' ' || (key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z') ||
         (key >= 256 && key <= 261);
}

int AssignControlKey(int control, int key) { return AssignSlot(control, key, &ControlSlots::key); }

int AssignControlKey2(int control, int button) { return AssignSlot(control, button, &ControlSlots::button); }

int ButtonPressed(int button) { return button >= 0 && button < ButtonEntryCount && ButtonCountdowns[button] != 0; }

// ---- [Axes] ----

void AssignAxis(int control, int input) {
  if (control < 0 || control >= AXIS_CONTROL_COUNT) return;
  if (input != AXIS_NONE)
    for (AxisControl& axis : AxisTable)
      if (axis.input == input) axis.input = AXIS_NONE;
  AxisTable[control].input = static_cast<int16_t>(input);
  if (control == AXIS_STEER || control == AXIS_SHIFT_X || control == AXIS_SHIFT_Y) ForceFeedbackSetup();
}

namespace {

// Where raw lies between minimum and maximum, 0..1; -1 for an empty range.
float AxisFraction(int input, int minimum, int maximum) {
  if (maximum == minimum) return -1.0f;
  const int raw = input < AxisValueCount ? AxisValues[input].value : 0;
  const float t = static_cast<float>(raw - minimum) / static_cast<float>(maximum - minimum);
  return std::clamp(t, 0.0f, 1.0f);
}

float MouseAxis(int input) { return MouseAxes[input == AXIS_MOUSE_X ? 0 : 1]; }

bool IsMouseAxis(int input) { return input == AXIS_MOUSE_X || input == AXIS_MOUSE_Y; }

}  // namespace

float ReadAxisSigned(int input, int minimum, int maximum) {
  if (IsMouseAxis(input)) return std::clamp(MouseAxis(input), -1.0f, 1.0f);
  if (input < 0 || input >= AXIS_VALUE_COUNT) return 0.0f;
  const float t = AxisFraction(input, minimum, maximum);
  return t < 0.0f ? 0.0f : t * 2.0f - 1.0f;
}

float ReadAxisUnit(int input, int minimum, int maximum) {
  if (IsMouseAxis(input)) return std::clamp((MouseAxis(input) + 1.0f) * 0.5f, 0.0f, 1.0f);
  if (input < 0 || input >= AXIS_VALUE_COUNT) return 0.0f;
  const float t = AxisFraction(input, minimum, maximum);
  return t < 0.0f ? 0.0f : t;
}

float ReadAxisControl(int control) {
  if (control < 0 || control >= AXIS_CONTROL_COUNT) return 0.0f;
  const AxisControl& axis = AxisTable[control];
  if (axis.input == AXIS_NONE) return 0.0f;
  // An empty range reads 0 however it is inverted: never a full pedal from a bad setting.
  if (!IsMouseAxis(axis.input) && axis.maximum == axis.minimum) return 0.0f;
  const float value = ReadAxisUnit(axis.input, axis.minimum, axis.maximum);
  return axis.invert ? 1.0f - value : value;
}

// ---- [Pedals] ----

float ApplyAxisCurve(float value) {
  const float k = CfgCombinedNonLinear;
  return value * value * value * k + (1.0f - k) * value;
}

void ReadPedals() {
  if (ControlsPolledThisFrame) return;
  ControlsPolledThisFrame = 1;
  if (!PollDevices()) return;
  if (PedalMode == 0) {
    const AxisControl& axis = AxisTable[AXIS_COMBINED];
    float value = axis.input == AXIS_NONE ? 0.0f : ReadAxisSigned(axis.input, axis.minimum, axis.maximum);
    if (axis.invert) value = -value;
    PedalValues[PEDAL_THROTTLE] = value >= 0.0f ? value : 0.0f;
    PedalValues[PEDAL_BRAKE] = value >= 0.0f ? 0.0f : -value;
  } else {
    PedalValues[PEDAL_THROTTLE] = ReadAxisControl(AXIS_THROTTLE);
    PedalValues[PEDAL_BRAKE] = ReadAxisControl(AXIS_BRAKE);
  }
  // Only values read this frame take the curve: a frame without a device must not bend the
  // values of the last one again.
  if (CfgCombinedNonLinear > 0.0f)
    for (float& pedal : PedalValues) pedal = ApplyAxisCurve(pedal);
}

// ---- [Devices] ----

void SetControlStartValues() {
  for (ControlSlots& slots : ControlTable) slots = {CONTROL_NONE, CONTROL_NONE};
  for (const auto& start : START_KEYS) ControlTable[start.control].key = static_cast<uint16_t>(start.key);
  for (AxisControl& axis : AxisTable) axis = {AXIS_NONE, 0, AXIS_START_MINIMUM, AXIS_START_MAXIMUM};
  PedalMode = 0;
  PedalValues[PEDAL_THROTTLE] = PedalValues[PEDAL_BRAKE] = 0.0f;
  WheelTurnDegrees = 90.0f;
  ForceFeedbackOn = 1;
  MouseAxes[0] = MouseAxes[1] = 0.0f;
  ControlsPolledThisFrame = 0;
  ForcedRedrawPending = 0;
}

namespace {

// The tables hold their start values from the beginning, also in a run without graphics,
// which never reaches the "controllers" step.
const bool g_startValuesSet = (SetControlStartValues(), true);

void ReleaseForceEffects() {
  for (ForceEffect* force : {&SteerForce, &ShiftForce}) {
    if (force->device >= 0) {
      if (force->effect >= 0) PlatformReleaseForceEffect(force->device, force->effect);
      PlatformUnacquireForceDevice(force->device);
    }
    *force = {-1, -1, 0};
  }
}

void ClearDevices() {
  ReleaseForceEffects();
  std::memset(ControllerDevices, 0, sizeof ControllerDevices);
  std::memset(AxisValues, 0, sizeof AxisValues);
  std::memset(ButtonCountdowns, 0, sizeof ButtonCountdowns);
  ControllerDeviceCount = AxisValueCount = ButtonEntryCount = 0;
}

}  // namespace

void FindControllers() {
  ClearDevices();
  const int found = PlatformOpenControllers();
  for (int d = 0; d < found; ++d) {
    ControllerInfo info{};
    if (!PlatformControllerInfo(d, info)) break;
    ControllerDevice& device = ControllerDevices[d];
    device.polled = 1;
    device.axisMask = info.axisMask;
    device.forceFeedback = info.forceFeedback;
    device.hatCount = info.hatCount;
    device.buttonBase = ButtonEntryCount;
    device.axisBase = AxisValueCount;
    std::snprintf(device.name, sizeof device.name, "%s", info.name);
    const int axes = std::popcount(static_cast<unsigned>(info.axisMask));
    for (int a = 0; a < axes; ++a) AxisValues[AxisValueCount + a] = {0, static_cast<int16_t>(d)};
    AxisValueCount += axes;
    ButtonEntryCount += CONTROLLER_BUTTONS + 4 * info.hatCount;
    ControllerDeviceCount = d + 1;
    LogF("controller %d : %s - %d axes, %d buttons, %d hats%s", d + 1, device.name, axes, info.buttonCount,
         info.hatCount, info.forceFeedback ? ", force feedback" : "");
  }
  ForceFeedbackSetup();
}

void InitControls() {
  SetControlStartValues();
  StartControllers();
}

void StartControllers() {
  if (!PlatformControllersStart()) {
    LogF("controllers : %s", PlatformLastControllerError());
    return;
  }
  FindControllers();
}

void ReleaseControls() {
  ClearDevices();
  PlatformControllersStop();
}

// ---- [Polling] ----

namespace {

void CountDown(uint8_t& countdown, bool pressed) {
  const int debounce = std::clamp(CfgShiftDebounce, 0, 255);
  if (pressed)
    countdown = static_cast<uint8_t>(debounce);
  else
    countdown = static_cast<uint8_t>(countdown > FrameTime ? countdown - FrameTime : 0);
}

int PollDevice(int d) {
  ControllerDevice& device = ControllerDevices[d];
  if (PlatformPollController(d) != CONTROLLER_OK) {
    PlatformAcquireController(d);  // skipped this frame
    return 0;
  }
  ControllerState state;
  if (PlatformReadController(d, state) != CONTROLLER_OK) return 0;
  int entry = device.axisBase;
  for (int axis = 0; axis < CONTROLLER_AXES; ++axis)
    if (device.axisMask & (1u << axis))
      AxisValues[entry++] = {static_cast<int16_t>(std::clamp(state.axes[axis], -1000, 1000)), static_cast<int16_t>(d)};
  uint8_t* buttons = &ButtonCountdowns[device.buttonBase];
  for (int b = 0; b < CONTROLLER_BUTTONS; ++b) CountDown(buttons[b], state.buttons[b] != 0);
  // Each hat stands for four buttons, the directions 0, 9000, 18000 and 27000: a diagonal
  // presses none of them.
  for (int hat = 0; hat < device.hatCount; ++hat)
    for (int direction = 0; direction < 4; ++direction)
      CountDown(buttons[CONTROLLER_BUTTONS + hat * 4 + direction], state.hats[hat] == direction * 9000);
  return 1;
}

}  // namespace

int PollDevices() {
  // Devices come and go between frames: a hot-plugged set is found again first.
  if (PlatformControllersChanged()) FindControllers();
  PlatformUpdateControllers();
  int read = 0;
  for (int d = 0; d < ControllerDeviceCount; ++d)
    if (ControllerDevices[d].polled && PollDevice(d)) read = 1;
  return read;
}

// ---- [Force feedback] ----

namespace {

constexpr int GEARBOX_SHIFTER = 3;  // the player's gearbox option: an H-pattern shifter

int InputDevice(int input) {
  return input >= 0 && input < AxisValueCount ? AxisValues[input].device : -1;
}

bool SupportsForce(int device) {
  return device >= 0 && device < ControllerDeviceCount && ControllerDevices[device].forceFeedback;
}

}  // namespace

void ForceFeedbackSetup() {
  if (ControllerDeviceCount > 0) ReleaseForceEffects();
  if (ForceFeedbackOn && AxisTable[AXIS_STEER].input >= 0) {
    const int device = InputDevice(AxisTable[AXIS_STEER].input);
    if (SupportsForce(device) && CreateForceEffect(device, SteerForce.axes, SteerForce.effect))
      SteerForce.device = device;
    else
      Say("Could not set up FF steer device", 0);
  }
  // The shift effect is wanted only with a shifter; both of its axes on one device of their
  // own that plays a force.
  if (ForceFeedbackOn && PlayerGearbox && PlayerGearbox() == GEARBOX_SHIFTER) {
    const int x = AxisTable[AXIS_SHIFT_X].input, y = AxisTable[AXIS_SHIFT_Y].input;
    const int device = InputDevice(x);
    if (x >= 0 && y >= 0 && device == InputDevice(y) && device != SteerForce.device && SupportsForce(device) &&
        CreateForceEffect(device, ShiftForce.axes, ShiftForce.effect))
      ShiftForce.device = device;
    else
      Say("Could not set up FF shift device", 0);
  }
  StartForceEffects();
}

int CreateForceEffect(int device, int& axes, int& effect) {
  axes = std::min(std::popcount(static_cast<unsigned>(ControllerDevices[device].axisMask)), 2);
  effect = -1;
  char text[64];
  if (PlatformCreateConstantForce(device, axes, effect) != CONTROLLER_OK) {
    std::snprintf(text, sizeof text, "CreateEffect failed (%d axes)", axes);
    Say(text, 1);
    effect = -1;
    return 0;
  }
  if (effect < 0) {
    Say("NULL effect", 1);
    return 0;
  }
  return 1;
}

void StartForceEffects() {
  const struct {
    ForceEffect* force;
    const char* deviceName;
    const char* effectName;
  } EFFECTS[] = {{&SteerForce, "FFDevice", "Effect"}, {&ShiftForce, "FFShiftDevice", "ShiftEffect"}};
  for (const auto& e : EFFECTS) {
    if (e.force->device < 0) continue;
    const uint32_t acquired = PlatformAcquireForceDevice(e.force->device);
    if (acquired != CONTROLLER_OK) {
      // Not in front: the effect starts at the next set-up, without a word.
      if (acquired != CONTROLLER_ACCESS_DENIED) ReportDIError(e.deviceName, acquired);
      continue;
    }
    const uint32_t started = PlatformStartForceEffect(e.force->device, e.force->effect, 1);
    if (started != CONTROLLER_OK) ReportDIError(e.effectName, started);
  }
}

void ReportDIError(const char* what, uint32_t code) {
  char text[128];
  std::snprintf(text, sizeof text, "DI : %s - %s", what, DirectInputErrorName(code));
  Say(text, 1);
  LogLine(text);
}

// ---- [Error names] ----

const char* DirectInputErrorName(uint32_t code) {
  // Where several names share a code, the first is given.
  static constexpr struct {
    uint32_t code;
    const char* name;
  } NAMES[] = {
      {0x00000000u, "DI_OK"},
      {0x00000001u, "DI_NOTATTACHED"},
      {0x00000002u, "DI_POLLEDDEVICE"},
      {0x00000003u, "DI_DOWNLOADSKIPPED"},
      {0x00000004u, "DI_EFFECTRESTARTED"},
      {0x00000008u, "DI_TRUNCATED"},
      {0x0000000Bu, "DI_SETTINGSNOTSAVED"},
      {0x0000000Cu, "DI_TRUNCATEDANDRESTARTED"},
      {0x00000013u, "DI_WRITEPROTECT"},
      {0x8007047Eu, "DIERR_OLDDIRECTINPUTVERSION"},
      {0x80070481u, "DIERR_BETADIRECTINPUTVERSION"},
      {0x80070077u, "DIERR_BADDRIVERVER"},
      {0x80040154u, "DIERR_DEVICENOTREG"},
      {0x80070002u, "DIERR_NOTFOUND"},
      {0x80070057u, "DIERR_INVALIDPARAM"},
      {0x80004002u, "DIERR_NOINTERFACE"},
      {0x80004005u, "DIERR_GENERIC"},
      {0x8007000Eu, "DIERR_OUTOFMEMORY"},
      {0x80004001u, "DIERR_UNSUPPORTED"},
      {0x80070015u, "DIERR_NOTINITIALIZED"},
      {0x800704DFu, "DIERR_ALREADYINITIALIZED"},
      {0x80040110u, "DIERR_NOAGGREGATION"},
      {0x80070005u, "DIERR_OTHERAPPHASPRIO"},
      {0x8007001Eu, "DIERR_INPUTLOST"},
      {0x800700AAu, "DIERR_ACQUIRED"},
      {0x8007000Cu, "DIERR_NOTACQUIRED"},
      {0x80040200u, "DIERR_INSUFFICIENTPRIVS"},
      {0x80040201u, "DIERR_DEVICEFULL"},
      {0x80040202u, "DIERR_MOREDATA"},
      {0x80040203u, "DIERR_NOTDOWNLOADED"},
      {0x80040204u, "DIERR_HASEFFECTS"},
      {0x80040205u, "DIERR_NOTEXCLUSIVEACQUIRED"},
      {0x80040206u, "DIERR_INCOMPLETEEFFECT"},
      {0x80040207u, "DIERR_NOTBUFFERED"},
      {0x80040208u, "DIERR_EFFECTPLAYING"},
      {0x80040209u, "DIERR_UNPLUGGED"},
      {0x8004020Au, "DIERR_REPORTFULL"},
      {0x8004020Bu, "DIERR_MAPFILEFAIL"},
  };
  for (const auto& n : NAMES)
    if (n.code == code) return n.name;
  return "Unknown Error";
}
