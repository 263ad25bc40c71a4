// settings_actions.h - the vehicle editor's settings actions: the vehicle's class, drive type,
// power unit, gears, clocks, axle suspension types (with the conversions that take arm
// lengths from the frame's suspension points), point types, frame mass, and the custom tyre
// type and pressure ranges.
//
// Sections: [Words] [Names] [Pages of other editors]
//
// The actions are VehicleEditor members (vehicle_editor.h).  Each records itself in the edit
// history before it changes the vehicle and sets the car up afterwards; a refusal is a message
// that leaves the vehicle and the history as they were.  Main thread only.
#pragma once
#include <cstdint>

struct VehicleEditor;

// ---- [Words] ----
// VehicleEditor::ChooseAction's words.
enum ChooseWord : uintptr_t {
  CHOOSE_DRIVE_TYPE = 0,
  CHOOSE_ENGINE_PAGE = 1,
  CHOOSE_POINT_TYPE = 2,
  CHOOSE_REAR_SUSPENSION = 4,
  CHOOSE_FRONT_SUSPENSION = 5,
  CHOOSE_TRANSMISSION = 6,
  CHOOSE_CLOCKS = 7,
  CHOOSE_DASH_EDITOR = 8,
  CHOOSE_TEXTURE_CHECK = 9,
  CHOOSE_ENGINE_SOUND = 10,
  CHOOSE_TYRE_TYPES = 11,
  CHOOSE_PRESSURE_LIMITS = 12,
};
// VehicleEditor::PromptAction's words beyond 0 (the text panel).
enum PromptWord : uintptr_t {
  PROMPT_CLOSE_TEXT = 0,
  PROMPT_SPEED_UNIT = 1,
  PROMPT_SPECIAL_DRAW = 2,
  PROMPT_PIT_LIGHT_OFF = 5,
  PROMPT_PIT_LIGHT_ON = 6,
  PROMPT_STEERING_ANIMATION = 9,
  PROMPT_FRAME_MOVE = 10,
  PROMPT_FRAME_MOVE_OFF = 11,
  PROMPT_SKIN_ID = 12,
  PROMPT_TEST_FOLDER = 13,
};
constexpr int GEARS_LEAST = 3, GEARS_MOST = 9;  // gear positions with reverse and neutral
constexpr int TYRE_TYPE_MOST = 7;
constexpr int PRESSURE_TEXT_LENGTH = 8;
constexpr int ENGINE_SOUND_TEXT_LENGTH = 32;

// ---- [Names] ----
// The language texts of the lists (an index out of range gives "").
const char* TransmissionTypeName(int type);
const char* DriveTypeName(int drive);
// 0 no power unit, 1 combustion, 2 electric.
int PowerKind(int transmissionType);

