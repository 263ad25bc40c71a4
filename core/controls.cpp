// controls.cpp - controls; no controller is read yet.
#include "core/controls.h"

#include "platform/keys.h"

int ControlsPolledThisFrame;

void InitControls() { ResetControlAssignments(); }
void PollControls() {}
void HandleFrameKeys() {}

const char* const ControlNames[CONTROL_COUNT] = {
    "steer_left", "steer_right", "throttle", "brake", "shift_up", "shift_down", "clutch", "handbrake",
    "look_left", "look_right", "look_back", "horn", "flash", "ignition", "pit_limiter", "lights",
    "fog_rear", "fog_front", "extra_light", "indicate_left", "indicate_right", "hazard", "siren",
    "tc_toggle", "reset_car", "pitstop", "view_next", "view_prev", "gear_reverse", "gear_neutral",
    "gear_1", "gear_2", "gear_3", "gear_4", "gear_5", "gear_6", "gear_7",
    "look_up", "look_down", "free_view", "zoom_in", "zoom_out", "recentre", "ff_less", "ff_more",
    "bias_front", "bias_rear", "diff_lock", "camera_cycle", "replay_pause", "replay_forward",
    "replay_back", "mirror", "map", "names", "history", "talk", "results", "pause", "screenshot", "menu",
};
const char* const AxisFunctionNames[AXIS_FUNCTION_COUNT] = {
    "steer", "combined", "throttle", "brake", "lookh", "lookp", "lookr", "clutch", "handbrake", "shiftx", "shifty",
};

ControlSlots ControlTable[CONTROL_COUNT];
AxisAssignment AxisTable[AXIS_FUNCTION_COUNT];

int IsAssignableKey(int key) {
  return (key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9') || key == ' ' ||
         (key >= KEY_SEMICOLON && key <= KEY_BACKQUOTE) || (key >= KEY_LEFT_BRACKET && key <= KEY_QUOTE);
}

void AssignControlKey(int control, int key) {
  for (ControlSlots& slots : ControlTable)
    if (slots.key == key) slots.key = CONTROL_NONE;
  ControlTable[control].key = static_cast<uint16_t>(key);
}

void AssignControlButton(int control, int button) {
  ControlTable[control].button = button < 0 ? CONTROL_NONE : static_cast<uint16_t>(button);
}

void ResetControlAssignments() {
  for (ControlSlots& slots : ControlTable) slots = {CONTROL_NONE, CONTROL_NONE};
  for (AxisAssignment& axis : AxisTable) axis = {-1, 0};
}
