// engine_page.h - the engine page: a screen over the vehicle editor that edits the car's
// engine in place while it runs.  Value rows and toggles on the left, the net torque and power
// curves with three description lines in the upper right quarter, a rev counter, and buttons
// that load and save engine files ("data\engine\<name>.eng") or take only the sound of one.
//
// Sections: [Page] [Handlers] [Files] [Curves]
//
// The page opens from the vehicle editor's "edit engine" (VehicleEditor::ChooseAction).  Every
// change recomputes the engine by the vehicle's power unit (EngineModel::Recompute); closing
// sets the car up again and stops the engine.  One at a time.  Main thread only.
#pragma once
#include <cstdint>

#include "core/frame_globals.h"
#include "core/process.h"
#include "ui/number_gauge.h"
#include "vehicle_data/engine_power.h"

struct Car;
struct EngineModel;

// ---- [Page] ----
// The scaled copies the page shows of the two tiny multipliers.
constexpr float ENGINE_RESISTANCE_SHOWN = 1e12f, ENGINE_INERTIA_SHOWN = 1e6f;
constexpr int ENGINE_PAGE_UNITS = 12;  // button units of the left column
constexpr int ENGINE_NAME_LENGTH = 32;
constexpr int ENGINE_CYLINDER_CHOICES = 9;
extern const uint8_t ENGINE_CYLINDER_COUNTS[ENGINE_CYLINDER_CHOICES];  // 1, 2, 3, 4, 5, 6, 8, 10, 12
// The rev counter stands in the room under the curves, the screen's lower right quarter: in
// its middle, round, its drawn radius ENGINE_REV_COUNTER_ROOM of the quarter's smaller side, on
// a dark face, so that its white figures and marks stand out from the car behind.
constexpr float ENGINE_REV_COUNTER_ROOM = 0.42f;
// Its centre and radii in normalised screen units, the radii as its DashGauge holds them (the
// dial is drawn GAUGE_RADIUS_SCALE larger), on a screen of w x h pixels.
struct EngineDialPlace {
  float centreX, centreY, radiusX, radiusY;
};
EngineDialPlace EngineRevCounterPlace(int w, int h);
// The rev counter's needle sweep (radians): from its start, clockwise by its turn.
constexpr float ENGINE_REV_COUNTER_START = -2.0953f, ENGINE_REV_COUNTER_TURN = -4.1877f;

struct EnginePage {
  Prss prss;
  DashGauge revCounter;
  Car* car;
  EngineModel* engine;      // the car's
  float shownResistance;    // resistanceMul x 1e12
  float shownInertia;       // inertiaMul x 1e6
  EditorFrameHookFn savedHook;  // the frame hook before the page, chained and given back
  void* savedHookArgument;
  char engineLine[ENGINE_LINE_SIZE], torqueLine[ENGINE_LINE_SIZE], powerLine[ENGINE_LINE_SIZE];
};

// The open page, or null.
extern EnginePage* OpenEnginePage;

// Makes the page over parent on the car's engine, which starts at its idle speed, installs
// its frame hook and makes it current; the caller attaches it as the parent's sub-screen.
// Null without a car.
EnginePage* CreateEnginePage(Prss* parent, Car* car);
// Each frame: the name entry when one is open, else the rows, the file buttons, the three
// description lines and the rev counter.  Once terminated: the car set up again, the engine
// stopped, the frame hook given back; null.
Prss* EngineEditorScreenAction(Prss* process);
// Escape, or Shift+X, closes; "I" stops a running engine and starts a stopped one at idle.
void EngineEditorKey(Prss* process, int key);

// ---- [Handlers] ----
// (owner: the page.)  Recomputes the engine by the vehicle's power unit and class.
void EngineEditorValueChanged(void* owner, int code, uintptr_t word);
// The shown resistance and inertia back into their multipliers, then as above.
void EngineEditorScaledValueChanged(void* owner, int code, uintptr_t word);
// A cylinder count or a layout (word); an odd count makes the engine inline, and more than 8
// cylinders inline make it a V.
void EngineEditorSetCylinders(void* owner, int code, uintptr_t count);
void EngineEditorSetLayout(void* owner, int code, uintptr_t layout);
// The layout a cylinder count allows: inline for an odd count, V for more than 8 inline.
int AllowedEngineLayout(int cylinders, int layout);

// ---- [Files] ----
enum EngineFileWord : uintptr_t { ENGINE_FILE_LOAD = 0, ENGINE_FILE_SAVE = 1, ENGINE_FILE_LOAD_WAVES = 5 };
// Asks for the name to load, save or take the sound of (only while no sub-screen is open).
void EngineEditorFileButton(void* owner, int code, uintptr_t word);
// The answers of the name entry (owner: the page).  A name FileNameFault refuses is
// refused with a message.  A load replaces the car's engine only after the whole file read
// and gave an engine the car can run; otherwise the engine and its waves stay as they were
// and a message names the file and what failed.  Each returns 1 when done.
int EngineEditorLoadEngine(Prss* owner, const char* name, uint32_t word);
int EngineEditorLoadWaves(Prss* owner, const char* name, uint32_t word);
int EngineEditorSaveEngine(Prss* owner, const char* name, uint32_t word);

// ---- [Curves] ----
constexpr float ENGINE_BHP_PER_WATT = 0.0013413f;
constexpr uint32_t ENGINE_PLOT_BACKGROUND = 0xFF202830u;
constexpr uint32_t ENGINE_TORQUE_COLOUR = 0xFF40A0FFu;  // ARGB
constexpr uint32_t ENGINE_POWER_COLOUR = 0xFFFF5030u;
constexpr uint32_t ENGINE_AXIS_COLOUR = 0xFFC0C0C0u;
constexpr uint32_t ENGINE_DIAL_TEXT_COLOUR = 0xFFFFFFFFu, ENGINE_DIAL_NEEDLE_COLOUR = 0xFFC82828u;
constexpr uint32_t ENGINE_DIAL_FACE_COLOUR = 0xFF101418u;
// The scale of a plot's figure: the smallest of 10, 20, 50, 100, 200, 500, 1000, 2000, 5000
// above value (200 for 150 bhp, 5000 for 2500 N m), 5000 for any larger value.
int EngineScale(float value);
// Where the plot lies on a screen of w x h pixels with rows of rowHeight pixels: the columns
// from left to left + width, the zero line at zeroY and the scales' top height above it.
struct EnginePlot {
  float left, width, zeroY, height;
};
EnginePlot EnginePlotGeometry(int w, int h, int rowHeight);
// The net torque drawn at crank speed s: an electric motor's peak torque up to its base speed
// and constant power above; a combustion engine's curve with its boost, less its friction.
float PlottedTorque(const EngineModel& engine, int electric, float s);
// The frame hook: the frame hook before the page, then the plot's background, zero line,
// edges and the two curves, and the rev counter.
void DrawEngineCurves(void* page);
