// controls.h - game controllers, the program's controls and axes, and per-frame keys.
#pragma once
#include <cstdint>

extern int ControlsPolledThisFrame;

void InitControls();
void PollControls();        // once per drawn frame
void HandleFrameKeys();     // once per loop pass

// ---- Controls and axes by name (the text commands "axis", "invert", "button", "key") ----
constexpr int CONTROL_COUNT = 61;
constexpr int KEY_CONTROL_COUNT = 37;   // the first 37 ("steer_left" to "gear_7") take keys
constexpr int AXIS_FUNCTION_COUNT = 11;
constexpr uint16_t CONTROL_NONE = 0xFFFF;
extern const char* const ControlNames[CONTROL_COUNT];
extern const char* const AxisFunctionNames[AXIS_FUNCTION_COUNT];

struct ControlSlots {
  uint16_t button;  // controller button index, CONTROL_NONE for none
  uint16_t key;     // key number, CONTROL_NONE for none
};
extern ControlSlots ControlTable[CONTROL_COUNT];
struct AxisAssignment {
  int32_t axis;     // -1 none, else 0..79
  int32_t invert;
};
extern AxisAssignment AxisTable[AXIS_FUNCTION_COUNT];

// Keys a control may take: letters, digits, space and the punctuation keys.
int IsAssignableKey(int key);
// Gives control the key, taking it from any other control that had it.
void AssignControlKey(int control, int key);
void AssignControlButton(int control, int button);  // button -1 for none
void ResetControlAssignments();
