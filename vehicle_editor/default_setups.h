// default_setups.h - a vehicle's default set-ups (up to 4) and colour configurations (up to 9)
// as the vehicle editor chooses, renames, duplicates, deletes, saves and loads them.
//
// Sections: [Program-wide choices] [Lists]
//
// The editor's handlers are VehicleEditor members (vehicle_editor.h).  Removing an entry moves
// the last one into its slot, so the order of entries is not kept.  Main thread only.
#pragma once
#include <cstdint>

struct Car;
struct VehicleData;

// ---- [Program-wide choices] ----
// The current set-up and colour configuration as other screens read them; both 0 when a
// vehicle is installed in the editor.
extern int32_t EditorSetupChoice, EditorColourChoice;
// Set when the user chooses a colour configuration (the screens that show colours redraw).
extern uint32_t ColoursChangedWord;

constexpr int SETUP_PROMPT_LENGTH = 64;
constexpr int SETUP_RENAME_LENGTH = 16;
constexpr int SETUP_BRACKETED_BELOW = 14;  // a name shorter than this is stored as "[%s]"
constexpr const char* SETUP_FILE_PATTERN = "data\\setups\\%s.set";

// ---- [Lists] ----
// The set-up's name without its brackets.
void SetupNameWithoutBrackets(const char* name, char* out, int outSize);
// The car is built again from the vehicle: the configuration the set-up chooses, meshes
// released, level-of-detail distances, body mesh, set-up, wheel states.
void RebuildEditedCar(Car& car);
