// engine_page.cpp - the engine page: its rows, keys, files, rev counter and curves.
#include "vehicle_editor/engine/engine_page.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "core/report.h"
#include "core/window_state.h"
#include "dashboard/dash_figures.h"
#include "physics/car.h"
#include "platform/files.h"
#include "platform/keys.h"
#include "render/draw2d.h"
#include "render/immediate.h"
#include "render/render_states.h"
#include "text/language.h"
#include "text/text_names.h"
#include "ui/dialogs.h"
#include "ui/interface.h"
#include "ui/number_gauge.h"
#include "ui/shapes_2d.h"
#include "ui/text_draw.h"
#include "ui/value_edit.h"
#include "vehicle_data/engine_file.h"
#include "vehicle_data/engine_record.h"
#include "vehicle_data/vehicle_class.h"
#include "vehicle_data/vehicle_data.h"
#include "vehicle_editor/tab_pages.h"

const uint8_t ENGINE_CYLINDER_COUNTS[ENGINE_CYLINDER_CHOICES] = {1, 2, 3, 4, 5, 6, 8, 10, 12};
EnginePage* OpenEnginePage;

namespace {

constexpr int ENTRY_LOAD = 4, ENTRY_SAVE = 6;  // the name entry's kinds
constexpr int LABEL_UNITS = 3;
constexpr int SCALES[] = {10, 20, 50, 100, 200, 500, 1000, 2000, 5000};
constexpr int SCALE_COUNT = int(sizeof SCALES / sizeof SCALES[0]);
const char* const LAYOUT_NAMES[3] = {"Inline", "Flat", "V"};
// The buttons keep their texts' addresses until the frame is drawn.
const char* const CYLINDER_TEXTS[ENGINE_CYLINDER_CHOICES] = {"1", "2", "3", "4", "5", "6", "8", "10", "12"};

EnginePage& PageOf(void* owner) { return *static_cast<EnginePage*>(owner); }

int IsElectric(const Car& car) { return car.transmissionType == TRANSMISSION_ELECTRIC; }
// The engine record's motor form: a vehicle without a gearbox (as the vehicle file stores it).
int WritesMotorForm(const Car& car) {
  return car.transmissionType == TRANSMISSION_ELECTRIC || car.transmissionType == TRANSMISSION_NONE;
}

void Recompute(EnginePage& p) { p.engine->Recompute(p.car->transmissionType, p.car->vehicleClass); }

void NextRow() {
  RowCursorX = 0;
  RowCursorY += ButtonHeight;
}

void ValueRow(EnginePage& p, const char* label, float minimum, float maximum, float* variable, ButtonStyle style,
              InterfaceHandler handler) {
  AddValueEditButton(&p.prss, label, minimum, maximum, variable, nullptr, handler, style, nullptr);
  NextRow();
}

void ElectricRows(EnginePage& p) {
  EngineModel& e = *p.engine;
  ValueRow(p, "Redline %.0f rpm", 0.0f, 3141.5928f, &e.redline, VALUE_ENGINE_SPEED, EngineEditorValueChanged);
  ValueRow(p, "Max Power %.0f kW", 100.0f, 500000.0f, &e.maxPower, VALUE_THOUSANDS, EngineEditorValueChanged);
  ValueRow(p, "Max Torque %.0f Nm", 0.5f, 1000.0f, &e.maxTorque, VALUE_PLAIN, EngineEditorValueChanged);
}

void CombustionRows(EnginePage& p) {
  EngineModel& e = *p.engine;
  Prss* o = &p.prss;
  AddRowButton(nullptr, ENGINE_PAGE_UNITS, 0, 0, nullptr, "Cylinders", nullptr, nullptr);
  NextRow();
  // The counts share the column's width: a unit each would not hold "10" and "12".
  const int width = ENGINE_PAGE_UNITS * ButtonWidth;
  for (int i = 0; i < ENGINE_CYLINDER_CHOICES; ++i) {
    const uint8_t count = ENGINE_CYLINDER_COUNTS[i];
    const int left = i * width / ENGINE_CYLINDER_CHOICES, right = (i + 1) * width / ENGINE_CYLINDER_CHOICES;
    AddButton(o, left, RowCursorY, right, RowCursorY + ButtonHeight, count, IvText(CYLINDER_TEXTS[i]), IvInt(0),
              IvInt(e.cylinders == count), BUTTON_STYLE_TEXT, nullptr, EngineEditorSetCylinders, nullptr);
  }
  NextRow();
  AddRowButton(nullptr, LABEL_UNITS, 0, 0, nullptr, "Layout", nullptr, nullptr);
  for (int layout = 0; layout < 3; ++layout)
    AddRowButton(o, 3, uintptr_t(layout), e.layout == layout, nullptr, LAYOUT_NAMES[layout], EngineEditorSetLayout,
                 nullptr);
  NextRow();
  if (e.cylinders == 8 && e.layout == ENGINE_V) {
    AddFlagToggle(o, ENGINE_PAGE_UNITS, "Cross Plane V8 Sound", ENGINE_CROSS_PLANE, &e.flags, nullptr, 0,
                  EngineEditorValueChanged, nullptr);
    NextRow();
  }
  p.shownResistance = e.resistanceMul * ENGINE_RESISTANCE_SHOWN;
  p.shownInertia = e.inertiaMul * ENGINE_INERTIA_SHOWN;
  const VehicleClass& row = VehicleClassRow(p.car->vehicleClass);
  const InterfaceHandler changed = EngineEditorValueChanged, scaled = EngineEditorScaledValueChanged;
  ValueRow(p, "Engine Size %.0fcc", row.engineSizeMin, row.engineSizeMax, &e.engineSize, VALUE_PLAIN, changed);
  ValueRow(p, "Max Torque Mul %.3f", 0.07f, 0.28f, &e.torquePerCc, VALUE_PLAIN, changed);
  ValueRow(p, "Torque Spread Mul %.3f", 0.5f, 5.5f, &e.spreadMul, VALUE_PLAIN, changed);
  ValueRow(p, "Cam Timing %.3f", 0.2f, 3.5f, &e.camTiming, VALUE_PLAIN, changed);
  ValueRow(p, "Resistance Mul %.1f", 70.0f, 170.0f, &p.shownResistance, VALUE_PLAIN, scaled);
  if (e.torqueLimit != 0.0f) ValueRow(p, "Torque Limit %.1f", 0.0f, 1000.0f, &e.torqueLimit, VALUE_PLAIN, changed);
  ValueRow(p, "Inertia Mul %.1f", 0.4f, 2.0f, &p.shownInertia, VALUE_PLAIN, scaled);
  ValueRow(p, "Idle Speed %.0f", 52.359879f, 418.87903f, &e.idleSpeed, VALUE_ENGINE_SPEED, changed);
  ValueRow(p, "Redline %.0f", 104.71976f, 2094.3953f, &e.redline, VALUE_ENGINE_SPEED, changed);
  AddFlagToggle(o, ENGINE_PAGE_UNITS, "Turbo", ENGINE_TURBO, &e.flags, nullptr, 0, changed, nullptr);
  NextRow();
  AddFlagToggle(o, ENGINE_PAGE_UNITS, "Two-stroke", ENGINE_TWO_STROKE, &e.flags, nullptr, 0, changed, nullptr);
  NextRow();
  if (e.flags & ENGINE_TURBO) {
    ValueRow(p, "Turbo Max Boost %.2fbar", 0.0f, 3.0f, &e.turboMaxBoost, VALUE_PLAIN, changed);
    ValueRow(p, "Turbo MOI Multiplier %.2f", 0.1f, 0.6f, &e.turboInertiaMul, VALUE_PLAIN, changed);
    char speed[48];
    std::snprintf(speed, sizeof speed, "Turbo AngVel %f", double(e.turboSpeed));
    AddRowButton(nullptr, ENGINE_PAGE_UNITS, 0, 0, nullptr, speed, nullptr, nullptr);
    NextRow();
  }
}

// The three lines under the plot, one row each from half a row under its zero line.
void DescriptionRows(EnginePage& p) {
  const int electric = IsElectric(*p.car);
  DescribeEnginePower(*p.engine, electric, p.engineLine, p.torqueLine, p.powerLine);
  const EnginePlot plot = EnginePlotGeometry(ScreenWidth, ScreenHeight, ButtonHeight);
  const int savedX = RowCursorX, savedY = RowCursorY;
  RowCursorY = int(plot.zeroY) + ButtonHeight / 2;
  for (const char* line : {p.engineLine, p.torqueLine, p.powerLine}) {
    if (!line[0]) continue;
    RowCursorX = int(plot.left);
    AddRowButtonWidth(nullptr, int(plot.width), 0, line, nullptr);
    RowCursorY += ButtonHeight;
  }
  RowCursorX = savedX, RowCursorY = savedY;
}

// The dial in a batch of its own, drawn at once with its quads turning either way (as the
// dashboard draws its dials).
TextBatch g_revCounterBatch;

void DrawRevCounter(EnginePage& p) {
  DashGauge& g = p.revCounter;
  const EngineDialPlace place = EngineRevCounterPlace(ScreenWidth, ScreenHeight);
  g.centreX = place.centreX;
  g.centreY = place.centreY;
  g.radiusX = place.radiusX;
  g.radiusY = place.radiusY;
  const EngineModel& e = *p.engine;
  SetupTachometer(g, EngineDialFlags(e.redline), 0, e.speed, e.redline);
  TextBatch* const savedBatch = CurrentTextBatch;
  const uint32_t savedText = GaugeTextColour, savedNeedle = GaugeNeedleColour;
  const int savedBlend = RenderStates.pendingBlend, savedRaster = RenderStates.pendingRaster;
  RenderStates.pendingRaster = 6;
  RenderStates.pendingBlend = 2;
  GaugeTextColour = ENGINE_DIAL_TEXT_COLOUR;
  GaugeNeedleColour = ENGINE_DIAL_NEEDLE_COLOUR;
  CurrentTextBatch = &g_revCounterBatch;
  // The face first, in a batch of its own: the dial's shapes are drawn after its figures.
  AddHubCircle(g_revCounterBatch, HubCircle{g.centreX, g.centreY, g.radiusX * GAUGE_RADIUS_SCALE,
                                            g.radiusY * GAUGE_RADIUS_SCALE, ENGINE_DIAL_FACE_COLOUR, 0});
  DrawTextBox(g_revCounterBatch);
  DrawNumberGauge(g, 1, 0, 0, nullptr);
  DrawTextBox(g_revCounterBatch);
  FlushDraw2D();
  ResetDraw2D();
  CurrentTextBatch = savedBatch;
  GaugeTextColour = savedText, GaugeNeedleColour = savedNeedle;
  RenderStates.pendingBlend = savedBlend, RenderStates.pendingRaster = savedRaster;
}

void EngineLoadAnswered(Prss* owner, const char* text, uint32_t word) { EngineEditorLoadEngine(owner, text, word); }
void WavesLoadAnswered(Prss* owner, const char* text, uint32_t word) { EngineEditorLoadWaves(owner, text, word); }
void EngineSaveAnswered(Prss* owner, const char* text, uint32_t word) { EngineEditorSaveEngine(owner, text, word); }

// The path of a typed name, or a message and 0 for a name that is no valid file name.
int TypedEnginePath(EnginePage& p, const char* name, char* path, int size) {
  char refusal[NAME_REFUSAL_SIZE];
  if (MakeUserFilePath(path, size, ENGINE_FILE_PATTERN, name ? name : "", refusal)) return 1;
  ReportBox(&p.prss, refusal);
  return 0;
}

// The engine runs again at idle with the figures it now has.
void RestartAtIdle(EnginePage& p) {
  p.engine->ClearState();
  p.engine->running = 1;
  p.engine->speed = p.engine->idleSpeed;
  Recompute(p);
}

}  // namespace

// ---- [Page] ----

EnginePage* CreateEnginePage(Prss* parent, Car* car) {
  if (!car) return nullptr;
  EnginePage* p = Prss_New<EnginePage>();
  Prss_Init(&p->prss, parent, EngineEditorScreenAction, EngineEditorKey, Prss_SimpleMouse, Prss_Terminate, nullptr);
  DashGauge& g = p->revCounter;
  g.maximum = 10;
  g.labelGap = 1;
  g.firstRedMark = 0;
  g.centreX = g.centreY = 0.0f;
  g.kind = 0;
  g.needle = 1;
  g.radiusX = g.radiusY = 0.1f;
  g.startAngle = ENGINE_REV_COUNTER_START;
  g.turn = ENGINE_REV_COUNTER_TURN;
  g.symbol = nullptr;
  g.value = 0.0f;
  p->car = car;
  p->engine = &car->engine;
  p->engine->speed = p->engine->idleSpeed;
  p->engine->running = 1;
  p->savedHook = EditorFrameHook;
  p->savedHookArgument = EditorFrameHookArgument;
  EditorFrameHook = DrawEngineCurves;
  EditorFrameHookArgument = p;
  OpenEnginePage = p;
  Prss_MakeCurrent(&p->prss);
  return p;
}

Prss* EngineEditorScreenAction(Prss* process) {
  EnginePage& p = PageOf(process);
  if (!process->alive) {
    p.car->SetupFromVehicle(0);  // in full: the engine's mass and what the mass model derives from it follow
    p.engine->running = 0;
    if (EditorFrameHookArgument == &p) {
      EditorFrameHook = p.savedHook;
      EditorFrameHookArgument = p.savedHookArgument;
    }
    if (OpenEnginePage == &p) OpenEnginePage = nullptr;
    return Prss_Free(process, &p);
  }
  if (process->sub) {
    Prss_ActSub(process);
    return process;
  }
  if (FrameSkipped) return process;
  EditDomain = EDIT_DOMAIN_NONE;  // the page's edits are one "edit engine" in the vehicle's history
  const int savedColumns = LayoutColumns;
  LayoutColumns = ENGINE_PAGE_UNITS;
  RowCursorX = 0, RowCursorY = 0;
  if (IsElectric(*p.car))
    ElectricRows(p);
  else
    CombustionRows(p);
  // The file buttons a row each: three to a row would not hold "load WAVES".
  AddRowButton(&p.prss, ENGINE_PAGE_UNITS, ENGINE_FILE_LOAD_WAVES, 0, nullptr, "load WAVES", EngineEditorFileButton,
               "Take only the sound of an engine file");
  NextRow();
  AddRowButton(&p.prss, ENGINE_PAGE_UNITS, ENGINE_FILE_LOAD, 0, nullptr, "load ENG", EngineEditorFileButton,
               "Load an engine from data\\engine");
  NextRow();
  AddRowButton(&p.prss, ENGINE_PAGE_UNITS, ENGINE_FILE_SAVE, 0, nullptr, "save ENG", EngineEditorFileButton,
               "Save the engine to data\\engine");
  NextRow();
  LayoutColumns = savedColumns;
  DescriptionRows(p);
  Prss_RestAfterDrawing(process);
  return process;
}

void EngineEditorKey(Prss* process, int key) {
  EnginePage& p = PageOf(process);
  if (key == KEY_ESCAPE || ((key == 'X' || key == 'x') && ShiftHeld)) {
    process->terminate(process);
  } else if (key == 'I' || key == 'i') {
    EngineModel& e = *p.engine;
    if (e.running) {
      e.running = 0;
    } else {
      e.running = 1;
      e.speed = e.idleSpeed;
    }
  }
}

// ---- [Handlers] ----

void EngineEditorValueChanged(void* owner, int, uintptr_t) { Recompute(PageOf(owner)); }

void EngineEditorScaledValueChanged(void* owner, int code, uintptr_t word) {
  EnginePage& p = PageOf(owner);
  p.engine->resistanceMul = p.shownResistance / ENGINE_RESISTANCE_SHOWN;
  p.engine->inertiaMul = p.shownInertia / ENGINE_INERTIA_SHOWN;
  EngineEditorValueChanged(owner, code, word);
}

int AllowedEngineLayout(int cylinders, int layout) {
  if (cylinders % 2) return ENGINE_INLINE;
  if (cylinders > 8 && layout == ENGINE_INLINE) return ENGINE_V;
  return layout;
}

void EngineEditorSetCylinders(void* owner, int code, uintptr_t count) {
  EngineModel& e = *PageOf(owner).engine;
  e.cylinders = uint8_t(count);
  e.layout = uint8_t(AllowedEngineLayout(e.cylinders, e.layout));
  EngineEditorValueChanged(owner, code, count);
}

void EngineEditorSetLayout(void* owner, int code, uintptr_t layout) {
  EngineModel& e = *PageOf(owner).engine;
  e.layout = uint8_t(AllowedEngineLayout(e.cylinders, int(layout)));
  EngineEditorValueChanged(owner, code, layout);
}

// ---- [Files] ----

void EngineEditorFileButton(void* owner, int, uintptr_t word) {
  EnginePage& p = PageOf(owner);
  if (p.prss.sub) return;
  switch (word) {
    case ENGINE_FILE_LOAD:
      OpenTextEntrySub(&p.prss, EngineLoadAnswered, "Enter name of ENGINE to LOAD", ENGINE_NAME_LENGTH, 0, "", 0,
                       ENTRY_LOAD, ENGINE_FILE_PATTERN);
      return;
    case ENGINE_FILE_SAVE:
      OpenTextEntrySub(&p.prss, EngineSaveAnswered, "Enter name of ENGINE to SAVE", ENGINE_NAME_LENGTH, 0, "", 0,
                       ENTRY_SAVE, ENGINE_FILE_PATTERN);
      return;
    case ENGINE_FILE_LOAD_WAVES:
      OpenTextEntrySub(&p.prss, WavesLoadAnswered, "Enter name of engine from which to LOAD WAVES", ENGINE_NAME_LENGTH,
                       0, "", 0, ENTRY_LOAD, ENGINE_FILE_PATTERN);
      return;
    default: return;
  }
}

int EngineEditorLoadEngine(Prss* owner, const char* name, uint32_t) {
  EnginePage& p = PageOf(owner);
  char path[FILE_PATH_SIZE];
  if (!TypedEnginePath(p, name, path, sizeof path)) return 0;
  // The file goes into a temporary engine; the car's engine and its waves are replaced only
  // by a whole engine the car can run.
  EngineModel loaded{};
  loaded.Reset();
  if (!LoadEngine(loaded, path, &p.prss, loaded)) {
    loaded.FreeWaves();
    return 0;
  }
  loaded.Recompute(p.car->transmissionType, p.car->vehicleClass);
  if (const char* field = loaded.SimulationFault(p.car->transmissionType, p.car->vehicleClass)) {
    char text[FILE_PATH_SIZE + 96];
    std::snprintf(text, sizeof text, "%s : %s^8 - %s", TEXT_COULD_NOT_READ_ENGINE, PathInMessage(path).c_str(), field);
    ReportBox(&p.prss, text);
    loaded.FreeWaves();
    return 0;
  }
  EngineModel& e = *p.engine;
  // What the car sets in its engine stays the car's.
  loaded.clutchHeatRate = e.clutchHeatRate;
  loaded.ratio = e.ratio;
  loaded.health = e.health;
  loaded.clutchHeat = e.clutchHeat;
  e.FreeWaves();
  e = loaded;
  std::memset(loaded.waves, 0, sizeof loaded.waves);  // the car's engine owns them now
  p.car->SetupFromVehicle(1);
  RestartAtIdle(p);
  return 1;
}

int EngineEditorLoadWaves(Prss* owner, const char* name, uint32_t) {
  EnginePage& p = PageOf(owner);
  char path[FILE_PATH_SIZE];
  if (!TypedEnginePath(p, name, path, sizeof path)) return 0;
  // The definition goes to a temporary that owns no waves; only the sound reaches the car.
  EngineModel definition{};
  definition.Reset();
  const int loaded = LoadEngine(definition, path, &p.prss, *p.engine);
  definition.FreeWaves();
  if (!loaded) return 0;
  RestartAtIdle(p);
  return 1;
}

int EngineEditorSaveEngine(Prss* owner, const char* name, uint32_t) {
  EnginePage& p = PageOf(owner);
  char path[FILE_PATH_SIZE];
  if (!TypedEnginePath(p, name, path, sizeof path)) return 0;
  if (!WriteEngineFile(*p.engine, path, &p.prss, WritesMotorForm(*p.car))) return 0;
  ReportSaved(path);
  return 1;
}

// ---- [Curves] ----

EngineDialPlace EngineRevCounterPlace(int w, int h) {
  const float width = float(std::max(w, 1)), height = float(std::max(h, 1));
  const float drawn = ENGINE_REV_COUNTER_ROOM * 0.5f * std::min(width, height) / GAUGE_RADIUS_SCALE;  // pixels
  return EngineDialPlace{0.5f, 0.5f, 2.0f * drawn / width, 2.0f * drawn / height};
}

int EngineScale(float value) {
  int i = SCALE_COUNT - 1;
  while (i > 0 && float(SCALES[i - 1]) > value) --i;
  return SCALES[i];
}

EnginePlot EnginePlotGeometry(int w, int h, int rowHeight) {
  const float half = float(w / 2), margin = half / 16.0f;
  const float R = float(rowHeight), halfHeight = float(h / 2);
  return EnginePlot{half + margin, half - 2.0f * margin, halfHeight - 4.0f * R, halfHeight - 5.0f * R};
}

float PlottedTorque(const EngineModel& e, int electric, float s) {
  if (!electric) return e.NetTorqueAt(s);
  return s <= e.maxTorqueSpeed ? e.peakTorque : e.maxTorqueSpeed * e.peakTorque / s;
}

void DrawEngineCurves(void* page) {
  EnginePage& p = PageOf(page);
  if (p.savedHook) p.savedHook(p.savedHookArgument);
  if (FrameSkipped || p.prss.sub || !p.prss.alive) return;
  const int w = ScreenWidth, h = ScreenHeight;
  const EngineModel& e = *p.engine;
  const int electric = IsElectric(*p.car);
  FillRect2D(float(w / 2), 0.0f, float(w), float(h / 2), ENGINE_PLOT_BACKGROUND);
  DrawPending2DTriangles(0);
  const float powerScale = float(EngineScale(e.maxPower * ENGINE_BHP_PER_WATT));
  const float torqueScale = float(EngineScale(e.maxTorque));
  const EnginePlot g = EnginePlotGeometry(w, h, ButtonHeight);
  const float R = float(ButtonHeight);
  const int opened = BeginLineBatch2D();
  EmitLine2D(ENGINE_AXIS_COLOUR, g.left, g.zeroY, g.left + g.width, g.zeroY);
  EmitLine2D(ENGINE_POWER_COLOUR, g.left, R, g.left, g.zeroY);
  EmitLine2D(ENGINE_TORQUE_COLOUR, g.left + g.width, R, g.left + g.width, g.zeroY);
  const int columns = int(g.width);
  float torqueY = g.zeroY - g.height * PlottedTorque(e, electric, 0.0f) / torqueScale, powerY = g.zeroY;
  for (int x = 1; x < columns; ++x) {
    const float s = float(x) * e.redline / g.width;
    const float n = PlottedTorque(e, electric, s);
    const float ty = g.zeroY - g.height * n / torqueScale;
    const float py = g.zeroY - g.height * (n * s * ENGINE_BHP_PER_WATT) / powerScale;
    const float px = g.left + float(x);
    EmitLine2D(ENGINE_TORQUE_COLOUR, px - 1.0f, torqueY, px, ty);
    EmitLine2D(ENGINE_POWER_COLOUR, px - 1.0f, powerY, px, py);
    torqueY = ty, powerY = py;
  }
  if (opened) EndLineBatch2D();
  DrawRevCounter(p);
}
