// controls.h - game controllers, the program's controls and axes, pedals and force feedback.
//
// Sections: [Devices] [Controls] [Axes] [Pedals] [Polling] [Force feedback] [Error names]
//           [Deferred work]
//
// Every drawn frame the controllers are polled: their axes land in the axis value table and
// their buttons and hat directions in the button table, as countdowns that keep a button
// pressed for "Shift Debounce " ms after its release.  Two tables bind them to the
// program's controls: 11 axis controls and 61 button controls, each of the latter with one
// controller button and one keyboard key.  Controller buttons bound to controls 21 to 28
// and 37 to 60 stand in for keys (the shell's HandleFrameKeys).  A constant-force effect is
// kept on the steering device and one on a separate shifter device.  Main thread only.
//
// Part of the foundation, over the controller layer (platform/controllers.h).  What the
// controls do beyond the tables reaches up through hooks: the player's gearbox option comes
// from the front end's player file (PlayerGearbox), the buttons that stand in for keys are
// acted on by the program shell (app/frame_controls.h), and reports go through the report
// seam (core/report.h).
#pragma once
#include <cstdint>

#include "platform/controllers.h"

// ---- [Devices] ----
constexpr int MAX_DEVICES = CONTROLLER_MAX_DEVICES;                          // 10
constexpr int DEVICE_BUTTON_SLOTS = CONTROLLER_BUTTONS + 4 * CONTROLLER_HATS;  // 144 at most
constexpr int AXIS_VALUE_COUNT = MAX_DEVICES * CONTROLLER_AXES;              // 80
constexpr int BUTTON_TABLE_SIZE = MAX_DEVICES * DEVICE_BUTTON_SLOTS;        // 1440

// One controller found.  Its buttons take 128 entries of the button table from buttonBase,
// then four per hat (the directions 0, 9000, 18000 and 27000); its present axes take
// consecutive entries of the axis value table from axisBase, in the order X, Y, Z, RX, RY,
// RZ, slider 0, slider 1.  The bases are fixed when the devices are found, so a device
// that misses a poll never shifts the entries of the devices after it.
struct ControllerDevice {
  int polled;          // read every frame
  uint8_t axisMask;
  int forceFeedback;
  int hatCount;
  int buttonBase;
  int axisBase;
  char name[CONTROLLER_NAME_SIZE];
};
extern ControllerDevice ControllerDevices[MAX_DEVICES];
extern int ControllerDeviceCount;

struct AxisValue {
  int16_t value;   // -1000..1000
  int16_t device;  // the device it belongs to
};
extern AxisValue AxisValues[AXIS_VALUE_COUNT];
extern int AxisValueCount;     // entries in use
// Per device button and hat direction: ms left of its press, non-zero meaning pressed.
extern uint8_t ButtonCountdowns[BUTTON_TABLE_SIZE];
extern int ButtonEntryCount;        // entries in use
int ButtonPressed(int button);  // 0 for CONTROL_NONE or an entry not in use

// Opens every controller attached now (at most 10), fills the device records, logs what it
// found and sets up force feedback again.  Run at start-up and after hot-plug events.
void FindControllers();

// ---- [Controls] ----
constexpr int CONTROL_COUNT = 61;
constexpr int KEY_CONTROL_COUNT = 37;   // the first 37 ("steer_left" to "gear_7") take keys
constexpr uint16_t CONTROL_NONE = 0xFFFF;
// The controls whose buttons stand in for keys.
enum ControlIndex : int {
  CONTROL_PANEL_HOLD = 21,  // held: the first on-screen panel over the third or fourth
  CONTROL_ESCAPE = 22,
  CONTROL_HIDE_TEXT = 23,   // the panel texts and message history shown or hidden
  CONTROL_TALK = 24,        // the typed-message entry
  CONTROL_ARROW_UP = 25,    // 25..28: Up, Down, Left, Right
  CONTROL_CTRL_F1 = 37,     // 37..48: Ctrl+F1..F12
  CONTROL_ALT_F1 = 49,      // 49..60: Alt+F1..F12
};
extern const char* const ControlNames[CONTROL_COUNT];

struct ControlSlots {
  uint16_t button;  // index into the button table, CONTROL_NONE for none
  uint16_t key;     // key number (platform/keys.h; 1 and 2 the mouse buttons), CONTROL_NONE for none
};
extern ControlSlots ControlTable[CONTROL_COUNT];

// 1 for the keys a control may take: 0..5 (the mouse's buttons and wheel), space, '0'..'9',
// 'A'..'Z' and 256..261.
int IsAssignableKey(int key);
// Give the control the key (or button) and take it from every other control; both return
// CONTROL_COUNT.
int AssignControlKey(int control, int key);
int AssignControlKey2(int control, int button);  // button: CONTROL_NONE (or -1) for none

// ---- [Axes] ----
constexpr int AXIS_CONTROL_COUNT = 11;
enum AxisControlIndex : int {
  AXIS_STEER = 0,
  AXIS_COMBINED = 1,   // throttle and brake on one axis (pedal mode 0)
  AXIS_THROTTLE = 2,
  AXIS_BRAKE = 3,
  AXIS_SHIFT_X = 9,
  AXIS_SHIFT_Y = 10,
};
extern const char* const AxisControlNames[AXIS_CONTROL_COUNT];
constexpr int AXIS_NONE = -1;
constexpr int AXIS_MOUSE_X = -2;
constexpr int AXIS_MOUSE_Y = -3;

struct AxisControl {
  int16_t input;     // AXIS_NONE, a mouse axis, or an index into the axis value table
  uint8_t invert;
  int32_t minimum;   // raw values, start -1000 and 1000
  int32_t maximum;
};
extern AxisControl AxisTable[AXIS_CONTROL_COUNT];
// The mouse's two axes, -1..1 (the mouse steering keeps them).
extern float MouseAxes[2];

// Sets the axis control's input and takes it from the other axis controls; the steering
// and the shifter's axes set up force feedback again.
void AssignAxis(int control, int input);
// An input read between min and max: -1..1 (signed) or 0..1 (unit).  An axis whose maximum
// equals its minimum reads 0; a maximum below the minimum reads the axis reversed.
float ReadAxisSigned(int input, int minimum, int maximum);
float ReadAxisUnit(int input, int minimum, int maximum);
// 0..1; 0 when unassigned or the range is empty; 1 - value when inverted.
float ReadAxisControl(int control);

// ---- [Pedals] ----
constexpr int PEDAL_THROTTLE = 0;
constexpr int PEDAL_BRAKE = 1;
extern int PedalMode;             // 0 one combined axis, 1 separate axes
extern float PedalValues[2];      // 0..1
extern float WheelTurnDegrees;    // 90..1080 (the "wheel_turn" command)
// v*v*v*k + (1 - k)*v with k the "Combined Non Linear " setting.
float ApplyAxisCurve(float value);

// ---- [Polling] ----
// Set once the controls were read this frame; the frame loop clears it.
extern int ControlsPolledThisFrame;
// The start values of the tables and settings ("controllers" step), then the devices.
void InitControls();
// The devices alone: the controller layer started and the devices found (InitControls' second
// half, which start-up leaves until the first frame is up).
void StartControllers();
// Once per frame: polls the devices and, when one answered, reads the pedals.
void ReadPedals();
// Polls every device marked for polling; 1 when a device was read.
int  PollDevices();
// Closes the devices (shut-down).
void ReleaseControls();
// The start values of the tables and settings alone (also between tests).
void SetControlStartValues();

// ---- [Force feedback] ----
extern int ForceFeedbackOn;       // the switch; on by default
struct ForceEffect {
  int device;   // -1 none
  int effect;   // -1 none
  int axes;
};
extern ForceEffect SteerForce, ShiftForce;
// The player's gearbox option (3: an H-pattern shifter, which wants a shift effect of its
// own).  The program shell installs it over the player file; null reads 0, no shifter.
extern int (*PlayerGearbox)();
void ForceFeedbackSetup();
int  CreateForceEffect(int device, int& axes, int& effect);  // 1 or 0
void StartForceEffects();
// "DI : what - name" as a message line in the error colour (core/report.h) and a debug-log
// line.
void ReportDIError(const char* what, uint32_t code);

// ---- [Error names] ----
// The published name of a controller result code ("DI_OK", "DIERR_..."), "Unknown Error"
// for a code not listed.
const char* DirectInputErrorName(uint32_t code);

// ---- [Deferred work] ----
// A forced redraw asked for: the frame loop's next deferred work (RunDeferredWork,
// render/texture_table.h) takes it first and clears it.
extern int ForcedRedrawPending;
