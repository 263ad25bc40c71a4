// vehicle_editor.cpp - the vehicle editor screen: one car built from the vehicle being
// edited, standing and stepped under the car simulation, drawn in the editor's 3D view, with
// the status line, the file row and the history buttons.
#include "vehicle_editor/file_actions.h"
#include "vehicle_editor/vehicle_editor.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "animation/anim_screen.h"
#include "core/data_file.h"
#include "core/frame_globals.h"
#include "core/report.h"
#include "core/sort_tree.h"
#include "core/sound_echo.h"
#include "core/window_state.h"
#include "dashboard/dash_figures.h"
#include "info_panel/info_panel.h"
#include "modeller/editor/edit_views.h"
#include "modeller/editor/object_editor.h"
#include "modeller/editor/vehicle_editor_link.h"
#include "physics/car.h"
#include "render/draw_mesh.h"
#include "render/frame.h"
#include "render/views.h"
#include "rim/rim_screen.h"
#include "skeleton/human_system.h"
#include "text/code_pages.h"
#include "ui/dialogs.h"
#include "ui/interface.h"
#include "ui/interface_config.h"
#include "ui/interface_draw.h"
#include "ui/text_draw.h"
#include "ui/text_measure.h"
#include "ui/widgets.h"
#include "vehicle/car_animations.h"
#include "vehicle/car_draw.h"
#include "vehicle/car_drawing.h"
#include "vehicle/setup_diagram.h"
#include "vehicle_data/vehicle_file.h"
#include "vehicle_editor/default_setups.h"
#include "vehicle_editor/new_vehicle/new_vehicle_wizard.h"
#include "vehicle_editor/tab_pages.h"
#include "vehicle_editor/vehicle_undo.h"

int VehicleEditorOpen;
VehicleEditor* CurrentVehicleEditor;
EditorTextPanel EditorText;

// Identity transforms and the origin until the editor sets them.
ViewTransformTable EditorViewTransforms = [] {
  ViewTransformTable t{};
  for (auto& m : t.transforms) m[0] = m[5] = m[10] = m[15] = 1.0f;
  return t;
}();

namespace {

constexpr const char* TEXT_EXIT_EDITOR = "Exit editor?";
constexpr const char* TEXT_EXIT_PROGRAM = "Exit ZKT?";
constexpr const char* TEXT_UNSAVED_LOST = "Unsaved changes will be lost";

constexpr uintptr_t UNDO_WORD = 0;
constexpr const char* TEXT_NO_COVER = "Could not create cover.png";
constexpr float FUEL_PERCENT_AT_OPEN = 100.0f;
// The suspension diagram's texts: their largest and least sizes in pixels (the least gives
// capitals 7 pixels high) and their lines' spacing; the least room its figure keeps (in lines);
// the least height of a wheel's tyre section in it (pixels), which it is given before its texts
// grow; the rows above the room it takes.
constexpr float DIAGRAM_LARGEST_TEXT_PIXELS = 20.0f, DIAGRAM_LEAST_TEXT_PIXELS = 13.5f, DIAGRAM_LINE_SPACING = 1.1f;
constexpr float DIAGRAM_LEAST_FIGURE_LINES = 1.5f, DIAGRAM_LEAST_NARROW = 0.78f;
constexpr float DIAGRAM_LEAST_SECTION_PIXELS = 48.0f;
constexpr int DIAGRAM_TOP_ROWS = 2;
constexpr float TEXT_PANEL_SIZE = 0.04f;
constexpr int TEXT_PANEL_LINES = 30;

// The grid step the editors' 2D views snap to, as the program keeps it while no editor runs.
int32_t g_gridStep = 65536;
bool g_madeSortTree;  // the editor set up the shared depth-sorting tree

// The history's copy of a point, read in place of a file for the length of one load.
struct HistoryRead {
  explicit HistoryRead(const VehicleUndoNode& n) {
    HistoryVehicleCopy = {n.stored, n.size};
    KeepUnmirrored = 1;
    NoModPath = 1;
  }
  ~HistoryRead() {
    HistoryVehicleCopy = {};
    KeepUnmirrored = 0;
    NoModPath = 0;
  }
};

void ExitEditorAnswered(Prss* owner, uint32_t, uint32_t) { VehicleEditor::Terminate(owner); }

void ExitProgramAnswered(Prss* owner, uint32_t, uint32_t) {
  ExitRequested = 1;
  RedrawRequested = 1;
  VehicleEditor::Terminate(owner);
}

void EditPointChosen(Prss* owner, uint32_t, int point) {
  GoToEditPoint(*reinterpret_cast<VehicleEditor*>(owner), point);
}

// A skipped frame counts the status line down without drawing it.
void CountDownStatus(VehicleEditor& e) {
  if (e.statusTime <= 0) return;
  e.statusTime = static_cast<int32_t>(FrameTime) >= e.statusTime ? 0 : e.statusTime - static_cast<int32_t>(FrameTime);
}

// The editor's page holds still once drawn: unless something on it still changes by itself
// (deferred car work a frame or more on; the status line keeps drawing where it counts down; a
// running export asks for its frames where it steps) or the editor is closing, the next frame
// waits for input, a moving car (KeepDrawing) or an alarm.
void RestAfterDrawing(VehicleEditor& e) {
  if (e.rebuildModelCountdown || e.releaseMeshesCountdown) KeepDrawing = 1;
  Prss_RestAfterDrawing(&e.prss);
}

// The light tab's test switches: while any is on, the car's lamps show exactly those lit.
void ShowLightTests(VehicleEditor& e) {
  int any = 0;
  for (uint8_t test : e.lightTests) any |= test;
  if (!any && !e.car->drawing) return;
  CarDrawing& d = DrawingOf(*e.car);
  d.forceLamps = uint8_t(any ? 1 : 0);
  for (int i = 0; i < EDITOR_LIGHT_TESTS && i < CAR_LAMP_GROUPS; ++i) d.forcedPattern[i] = e.lightTests[i];
}

// The car steps once per drawn frame (drawing it steps it), unless a page covers it.  The
// editor clears its own frame (its views pushed clear mode 2) and draws its view.
void StepAndDrawCar(VehicleEditor& e) {
  if (e.pageOpen) return;
  if (e.car) e.car->SetFuelLoad(e.displayFlags & SHOW_FUEL ? e.fuelPercent : 0.0f);
  if (FrameSkipped) return;
  if (e.car) ShowLightTests(e);
  const int drawn = FrameBegun3D && VehicleEditor::DrawEditView(e);
  if (e.car && !drawn) e.car->AccumulateRunTime();
}

// The deferred car work: a model rebuild and a release of the meshes, a number of frames on.
void RunCountdowns(VehicleEditor& e) {
  if (e.rebuildModelCountdown && --e.rebuildModelCountdown == 0 && e.car) {
    {
      std::lock_guard<std::recursive_mutex> lock(CarLock);
      e.car->modelRebuild = 1;
    }
    if (ScanColourMarks) ScanColourMarks(*e.car);
  }
  if (e.releaseMeshesCountdown && --e.releaseMeshesCountdown == 0 && e.car) e.car->ReleaseMeshes();
}

// ---- The suspension diagram ----
// Both axles' diagrams in place of the bottom rows, the front before the rear (side by side,
// or one over the other), in the room the rows leave, each with its texts at the largest size
// up to DIAGRAM_LARGEST_TEXT_PIXELS at which its two wheel columns, its title and its track line fit
// without meeting, and its figure fits between its texts.
struct PixelRoom {
  float left, top, right, bottom;
  float Width() const { return right - left; }
  float Height() const { return bottom - top; }
};

// The rows' extent from the button first and the control first on: x across from minX, the
// rows that reach below the top two rows (the history row, the view area's hint line).
PixelRoom RowsExtent(int firstButton, int endButton, int firstControl, int endControl) {
  PixelRoom r{float(ScreenWidth), float(ScreenHeight), 0.0f, 0.0f};
  const float topRows = float(DIAGRAM_TOP_ROWS * ButtonHeight);
  const auto take = [&r, topRows](float left, float top, float right, float bottom) {
    if (bottom <= topRows || right <= left || bottom <= top) return;
    r.left = std::min(r.left, left), r.top = std::min(r.top, top);
    r.right = std::max(r.right, right), r.bottom = std::max(r.bottom, bottom);
  };
  for (int i = firstButton; i < endButton; ++i) {
    const InterfaceButton& b = InterfaceButtons[i];
    take(float(b.left), float(b.top), float(b.right), float(b.bottom));
  }
  const float w = float(ScreenWidth), h = float(ScreenHeight);
  for (int i = firstControl; i < endControl; ++i) {
    const ValueControl& c = ValueControls[i];
    take((c.left + 1.0f) * 0.5f * w, (c.top + 1.0f) * 0.5f * h, (c.right + 1.0f) * 0.5f * w, (c.bottom + 1.0f) * 0.5f * h);
  }
  return r;
}

// How the two axles stand in a room: their panels (pixels), the texts' size and line height
// (pixels) and how far they are narrowed across; size 0 when nothing fits.
struct DiagramLayout {
  PixelRoom panels[2];  // the front axle's, the rear axle's
  float size, line;
  float narrow = 1.0f;
  int columnsOver = 0;  // the wheel columns one over the other
};

// The widest texts a panel shows: a wheel column's line, and the title or track line.
struct DiagramWidths {
  float column, heading;  // pixels at a text size of one pixel
  float headingOver;      // the title's type and the track's warning on lines of their own (columns one over the other)
};
DiagramWidths MeasureDiagramTexts() {
  const float unit = 2.0f / float(std::max(ScreenHeight, 1));  // one pixel of text size
  const float toPixels = 0.5f * float(ScreenWidth);  // a width in normalised units, in pixels
  DiagramWidths w{0.0f, 0.0f, 0.0f};
  for (const char* t : {"Camber : +10.00", "Inclination : 10.00", "Scrub : -0.100", "\xB5 : 1.00 / air 99.9\xB0",
                        "99.9 psi / 6.89 bar"})
    w.column = std::max(w.column, TextWidth(t, 0, unit) * toPixels);
  char track[DIAGRAM_LINE_SIZE];
  std::snprintf(track, sizeof track, TEXT_TRACK_NARROW, 1.5);
  for (const char* t : {"FRONT :", "MacPherson Strut", "Double Wishbone", "Track : 1.500", "^3(TOO NARROW)"})
    w.headingOver = std::max(w.headingOver, TextWidth(t, 0, unit) * toPixels);
  for (const char* t : {"FRONT : MacPherson Strut", "REAR : Double Wishbone", static_cast<const char*>(track)})
    w.heading = std::max(w.heading, TextWidth(t, 0, unit) * toPixels);
  return w;
}

// Between the diagram and the rows, its two panels, and a panel's two wheel columns.
float DiagramGap() { return 0.25f * float(ButtonHeight); }

// The two panels in a room: side by side or one over the other, each filling its share.
DiagramLayout PlacePanels(const PixelRoom& room, int stacked, float size, float line) {
  DiagramLayout l{};
  const float gap = DiagramGap();
  const float shareWidth = stacked ? room.Width() : (room.Width() - gap) / 2.0f;
  const float shareHeight = stacked ? (room.Height() - gap) / 2.0f : room.Height();
  for (int k = 0; k < 2; ++k) {
    PixelRoom& p = l.panels[k];
    p.left = room.left + (stacked ? 0.0f : float(k) * (shareWidth + gap));
    p.top = room.top + (stacked ? float(k) * (shareHeight + gap) : 0.0f);
    p.right = p.left + shareWidth;
    p.bottom = p.top + shareHeight;
  }
  l.size = size;
  l.line = line;
  return l;
}

// The figure's scale in a layout's panels as the diagram places it, in pixels per metre up.
float FigurePixelsPerMetre(const DiagramLayout& l, const Car& car) {
  const float w = float(ScreenWidth), h = float(ScreenHeight);
  const PixelRoom& p = l.panels[0];
  const DiagramFigure f = PlaceDiagramFigure(car, 2.0f * p.top / h - 1.0f, 2.0f * p.Width() / w, 2.0f * p.Height() / h,
                                             2.0f * l.line / h, l.columnsOver ? DIAGRAM_COLUMNS_OVER : DIAGRAM_COLUMNS_BESIDE,
                                             w / h);
  return f.scale * 0.5f * w;
}

// The largest text size, from DIAGRAM_LARGEST_TEXT_PIXELS down to the least, at which both axles'
// panels fit the room (side by side, or one over the other): a panel's title and track line
// and its wheel columns (side by side, or one over the other) fit down, and its columns and
// its headings across, the texts narrowed to no less than DIAGRAM_LEAST_NARROW of their width
// where they need it; and its figure keeps DIAGRAM_LEAST_FIGURE_LINES up at least, and
// leastScale (pixels per metre).  Size 0 when nothing fits.
DiagramLayout FitDiagram(const PixelRoom& room, const DiagramWidths& widths, int stacked, int columnsOver,
                         const Car& car, float leastScale) {
  const float gap = DiagramGap();
  const float shareWidth = stacked ? room.Width() : (room.Width() - gap) / 2.0f;
  const float shareHeight = stacked ? (room.Height() - gap) / 2.0f : room.Height();
  const float lines = DIAGRAM_HEADING_LINES + DIAGRAM_GROUND_LINES +
                      (columnsOver ? 2.0f + float(2 * DIAGRAM_WHEEL_LINES) : float(DIAGRAM_WHEEL_LINES));
  const float columnsAcross = columnsOver ? 1.0f : 2.0f;
  for (float size = DIAGRAM_LARGEST_TEXT_PIXELS; size >= DIAGRAM_LEAST_TEXT_PIXELS; size -= 0.5f) {
    const float line = size * DIAGRAM_LINE_SPACING;
    if (lines * line > shareHeight) continue;
    // Narrowed across no further than DIAGRAM_LEAST_NARROW where the columns need it.
    const float narrow = std::min({1.0f, (shareWidth - (columnsAcross - 1.0f) * gap) / (columnsAcross * widths.column * size),
                                   shareWidth / ((columnsOver ? widths.headingOver : widths.heading) * size)});
    if (narrow < DIAGRAM_LEAST_NARROW) continue;
    DiagramLayout l = PlacePanels(room, stacked, size, line);
    l.narrow = narrow;
    l.columnsOver = columnsOver;
    const float scale = FigurePixelsPerMetre(l, car);
    if (scale * DIAGRAM_FIGURE_REACH_M < DIAGRAM_LEAST_FIGURE_LINES * line || scale < leastScale) continue;
    return l;
  }
  return DiagramLayout{};
}

void DrawDiagram(VehicleEditor& e, int firstButton, int firstControl, int sideButton, int sideControl) {
  const PixelRoom rows = RowsExtent(firstButton, sideButton, firstControl, sideControl);
  const PixelRoom side = RowsExtent(sideButton, ButtonCount, sideControl, ValueControlCount);
  const float gap = DiagramGap(), w = float(ScreenWidth), h = float(ScreenHeight);
  const float left = (rows.right > rows.left ? rows.right : 0.0f) + gap;
  // Under the top rows and the status line's place at the top of the screen.
  const float statusFoot = (STATUS_LINE_TOP + STATUS_LINE_HEIGHT + 1.0f) * 0.5f * h;
  const float topRows = std::max(float(DIAGRAM_TOP_ROWS * ButtonHeight), statusFoot) + gap;
  const bool hasSide = side.right > side.left;
  // Under the side panel to the right edge, or beside it from under the top rows.
  const PixelRoom under{left, std::max(topRows, hasSide ? side.bottom + gap : topRows), w - gap, h - gap};
  const PixelRoom beside{left, topRows, hasSide ? side.left - gap : w - gap, h - gap};
  const Car& car = *e.car;
  const DiagramWidths widths = MeasureDiagramTexts();
  // A figure whose tyre sections stand DIAGRAM_LEAST_SECTION_PIXELS high, then the largest
  // texts, then the columns side by side, then the largest figure; without room for such a
  // figure, the largest texts.
  float figureScale = 0.0f;
  for (int set = 0; set < 2; ++set)
    if (const float section = DiagramSectionHeight(car, set); section > 0.0f)
      figureScale = std::max(figureScale, DIAGRAM_LEAST_SECTION_PIXELS / section);
  DiagramLayout chosen{};
  for (const float scale : {figureScale, 0.0f}) {
    for (const PixelRoom& room : {under, beside})
      for (int arrangement = 0; arrangement < 4; ++arrangement) {
        if (room.Width() <= 0.0f || room.Height() <= 0.0f) continue;
        const DiagramLayout l = FitDiagram(room, widths, arrangement & 1, arrangement >> 1, car, scale);
        if (l.size > chosen.size || (l.size == chosen.size && l.size > 0.0f && l.columnsOver == chosen.columnsOver &&
                                     FigurePixelsPerMetre(l, car) > FigurePixelsPerMetre(chosen, car)))
          chosen = l;
      }
    if (chosen.size > 0.0f) break;
  }
  if (chosen.size <= 0.0f)  // nothing fits even at the least size: side by side under the side panel
    chosen = PlacePanels(under, 0, DIAGRAM_LEAST_TEXT_PIXELS, DIAGRAM_LEAST_TEXT_PIXELS * DIAGRAM_LINE_SPACING);
  const auto x = [w](float pixels) { return 2.0f * pixels / w - 1.0f; };
  const auto y = [h](float pixels) { return 2.0f * pixels / h - 1.0f; };
  for (int k = 0; k < 2; ++k) {
    const PixelRoom& p = chosen.panels[k];
    DiagramTexts texts{};
    DrawSetupDiagram(car, k == 0 ? 1 : 0, x(p.left), y(p.top), x(p.right) - x(p.left), y(p.bottom) - y(p.top), 1,
                     2.0f * chosen.line / h, texts, chosen.columnsOver, w / h);
    const float savedScale = TextHorizontalScale;
    TextHorizontalScale *= chosen.narrow;
    QueueDiagramTexts(texts, 2.0f * chosen.size / h, 0xFFFFFFFF);
    TextHorizontalScale = savedScale;
  }
}

void FlipSpecialDraw(void*, int, uintptr_t) { SpecialDraw ^= 1; }

// The display toggles above the file row, from the bottom left (the edit views' button block
// holds the bottom right): "driver", "fuel", "special draw" and "COG"; above them "Edit" and
// "Animate"; with special draw, its own toggles in the row above those.  Where a row would
// reach the button block it goes on in the row above (DisplayRows counts them).
constexpr int DISPLAY_LEFT_UNITS = 12;
constexpr int VIEW_BLOCK_UNITS = 8;  // the edit views' buttons at the bottom right
// The groups of toggles, each starting a row of its own, by their widths in units.
constexpr int DISPLAY_TOGGLE_UNITS[] = {5, 5, 6, 5};
constexpr int DISPLAY_EDIT_UNITS[] = {5, 6};
constexpr int DISPLAY_SPECIAL_UNITS[] = {5, 5, 3, 5};  // wire, masses, (w with masses), frame

// Places rows of buttons upwards from a row counted from the bottom, from DISPLAY_LEFT_UNITS
// (the row cursor follows while placing; a count leaves it alone).
struct DisplayFlow {
  int row;
  bool placing;
  int room = std::max(1, ScreenWidth / std::max(1, ButtonWidth) - VIEW_BLOCK_UNITS - DISPLAY_LEFT_UNITS);
  int used = 0;  // units on the current row
  void Start() {
    if (used > 0) ++row;
    used = 0;
    if (placing) SetRowCursorFromBottomLeft(row);
  }
  // Before a button `units` wide: the row above when it would reach the block.
  void Fit(int units) {
    if (used > 0 && used + units > room) {
      used = 0;
      ++row;
      if (placing) SetRowCursorFromBottomLeft(row);
    }
    used += units;
  }
};

int FlowRows(DisplayFlow& f, const int* units, int count) {
  f.Start();
  for (int i = 0; i < count; ++i) f.Fit(units[i]);
  return f.row;
}


void AddDisplayRow(VehicleEditor& e) {
  Prss* owner = &e.prss;
  const bool special = SpecialDraw != 0;
  uint32_t* flags = &e.displayFlags;
  DisplayFlow f{DISPLAY_ROW, true};
  const int* units = DISPLAY_TOGGLE_UNITS;
  f.Start();
  f.Fit(units[0]);
  AddFlagToggle(owner, units[0], "driver", SHOW_DRIVER, flags, nullptr, 0, nullptr, "Include driver and passengers (D)");
  f.Fit(units[1]);
  AddFlagToggle(owner, units[1], "fuel", SHOW_FUEL, flags, nullptr, 0, nullptr, "Include fuel (I)");
  f.Fit(units[2]);
  AddRowButton(owner, units[2], 0, special, nullptr, "special draw", FlipSpecialDraw,
               "Hide the graphical model to inspect masses and frame (S)");
  f.Fit(units[3]);
  AddFlagToggle(owner, units[3], "COG", SHOW_COG, flags, nullptr, 0, nullptr, "Show the centre of gravity (G)");
  units = DISPLAY_EDIT_UNITS;
  f.Start();
  f.Fit(units[0]);
  AddRowButton(owner, units[0], 0, 0, nullptr, "Edit", e.car ? VehicleEditor::EditModel : nullptr,
               "Edit the 3D model in the modeller (E)");
  f.Fit(units[1]);
  AddRowButton(owner, units[1], 0, 0, nullptr, "Animate", e.car ? VehicleEditor::Animate : nullptr,
               "Edit the steering animation or passenger pose (A)");
  if (!special) return;
  units = DISPLAY_SPECIAL_UNITS;
  f.Start();
  f.Fit(units[0]);
  AddFlagToggle(owner, units[0], "wire", SHOW_WIRE, flags, nullptr, 0, nullptr, "Show a wireframe of the 3D model");
  f.Fit(units[1]);
  AddFlagToggle(owner, units[1], "masses", SHOW_MASSES, flags, nullptr, 0, nullptr, "Show the object masses");
  if (e.displayFlags & SHOW_MASSES) {
    f.Fit(units[2]);
    AddFlagToggle(owner, units[2], "w", SHOW_WHEEL_MASSES, flags, nullptr, 0, nullptr, "Include the wheel masses");
  }
  f.Fit(units[3]);
  AddFlagToggle(owner, units[3], "frame", SHOW_FRAME, flags, nullptr, 0, nullptr, "Show the frame");
}

// The text panel over the editor, closed by its control.
void DrawTextPanel(VehicleEditor& e) {
  const ColourWord c = InterfaceColours.bigText;
  DrawTextRGB(EditorText.text, CurrentCodePage, TEXT_PANEL_SIZE, TEXT_PANEL_SIZE * 1.3f, ColourRed(c), ColourGreen(c),
              ColourBlue(c), TEXT_PANEL_LINES, -0.8f, 0.8f, -0.8f);
  SetRowCursorFromBottomLeft(1);
  AddRowButton(&e.prss, 4, 0, 0, nullptr, "OK", VehicleEditor::PromptAction, nullptr);
}

// The garage page for the cover picture has closed: the export starts on the picture made.
void CoverPageClosed(VehicleEditor& e) {
  const VehicleEditorShellHooks& shell = EditorShellHooks;
  if (shell.takeCover && shell.takeCover()) {
    if (shell.startExport) shell.startExport();
  } else {
    ShowVehicleEditorInfo(TEXT_NO_COVER);
  }
  e.coverState = COVER_IDLE;
}

void CloseEditor(VehicleEditor* e) {
  CurrentVehicleEditor = nullptr;
  NewVehicleWizard::Close();
  if (e->raisedTopLimit >= 0) PointButtonTopLimit = e->raisedTopLimit;
  CloseEditViews();
  VehicleUndo::Clear();
  if (EditorShellHooks.carChanged) EditorShellHooks.carChanged(nullptr);
  delete e->car;
  e->car = nullptr;
  g_gridStep = e->savedGridStep;
  SpecialDraw = e->savedSpecialDraw;
  RecordEditMerging = nullptr;
  if (g_madeSortTree) SharedDrawTree.Free();
  g_madeSortTree = false;
  EditorText.shown = 0;
  VehicleEditorOpen = 0;
}

}  // namespace

int DisplayRows(const VehicleEditor& e) {
  DisplayFlow f{DISPLAY_ROW, false};
  FlowRows(f, DISPLAY_TOGGLE_UNITS, 4);
  int last = FlowRows(f, DISPLAY_EDIT_UNITS, 2);
  if (SpecialDraw) {
    const bool masses = (e.displayFlags & SHOW_MASSES) != 0;
    const int* u = DISPLAY_SPECIAL_UNITS;
    const int shown[4] = {u[0], u[1], masses ? u[2] : u[3], u[3]};
    last = FlowRows(f, shown, masses ? 4 : 3);
  }
  return last - DISPLAY_ROW + 1;
}

const char* LoadErrorText() {
  switch (LastDataFileError) {
    case 2: return "File not found";
    case 3: return "File from a later version";
    case 4: return "Obsolete file version";
    case 5: return "Wrong type of file";
    case 9: return "Corrupted file";
    default: return "Unknown error";
  }
}

VehicleEditor* VehicleEditor::Create(Prss* parent) {
  VehicleEditor* e = Prss_New<VehicleEditor>();
  CurrentVehicleEditor = e;
  Prss_Init(&e->prss, parent, ScreenAction, Key, ViewEvent, Terminate, nullptr);
  e->displayFlags = DISPLAY_FLAGS_AT_OPEN;
  e->viewAngles[0] = EDITOR_HEADING_AT_OPEN;
  e->viewAngles[1] = EDITOR_PITCH_AT_OPEN;
  e->lodScale = e->detailScale = 1.0f;
  e->fuelPercent = FUEL_PERCENT_AT_OPEN;
  e->driverApplied = 1;  // a car is loaded with its driver while "driver" is on
  e->dragAxis = -1;
  e->raisedTopLimit = -1;
  VehicleUndo::Clear();
  for (int i = 0; i < HISTORY_POINTS; ++i) e->editPointNames[i] = VehicleUndo::Slots[i].name;
  e->selection = VehicleSelection{-1, NO_POINT, -1, 1, {}};
  e->savedGridStep = g_gridStep;
  g_gridStep = EDITOR_GRID_STEP;
  e->savedSpecialDraw = SpecialDraw;
  SpecialDraw = 0;
  RecordEditMerging = RecordInterfaceEdit;
  // The sound of a screen that shows a car: the listener at the camera, the echo ready.
  ResetSoundListener();
  InitEchoDelayLines();
  ResetDashDefaults();
  Prss_MakeCurrent(&e->prss);
  if (!e->prss.background && parent) e->prss.background = parent->background;
  InitEditViews();
  AimView(*e);
  FitView(*e, 1);
  // The depth-sorting tree the editor's views and the modeller over it share.
  if (!SharedDrawTree.pool)
    g_madeSortTree = SharedDrawTree.Init(EDITOR_SORT_TREE_CAPACITY, EDITOR_SORT_TREE_BUCKETS,
                                         EDITOR_SORT_TREE_SHIFT, sizeof(DepthSortEntry));
  VehicleEditorOpen = 1;
  return e;
}

Prss* VehicleEditor::ScreenAction(Prss* process) {
  VehicleEditor* e = reinterpret_cast<VehicleEditor*>(process);
  if (!process->alive) {
    CloseEditor(e);
    return Prss_Free(process, e);
  }
  GameState = 0;
  RunCountdowns(*e);
  // A sub-editor over the car runs alone; when it has closed the car takes its changes.
  if (e->subEditor != SUB_NONE) {
    if (process->sub) Prss_ActSub(process);
    if (process->sub) return process;
    SubEditorClosed(*e);
  }
  // A page covering the editor (the options), or the garage taking the cover picture.
  if (e->dialogOpen || e->coverState != COVER_IDLE) {
    Prss_ActSub(process);
    if (process->sub) return process;
    e->dialogOpen = 0;
    if (e->coverState != COVER_IDLE) {
      CoverPageClosed(*e);
      return process;
    }
    // The options page has closed: the editor is drawn in this frame, which the page cleared.
  }
  // A running export takes one step a frame: the frames go on, input or not, until it ends.
  if (EditorShellHooks.exportStep && EditorShellHooks.exportStep()) KeepDrawing = 1;
  // A quit request: with unsaved changes a question, which waits while a sub-screen is open.
  if (ExitRequested && !process->sub) {
    if (e->car && !e->selection.saved) {
      ExitRequested = 0;
      AskQuestion(process, ExitProgramAnswered, TEXT_EXIT_PROGRAM, TEXT_UNSAVED_LOST, 0, 0, 0);
      return process;
    }
    Terminate(process);
    return process;
  }
  ApplyDriverOption(*e);
  e->handleButtons[0] = e->handleButtons[1] = 0;
  StepAndDrawCar(*e);
  if (process->sub) {
    Prss_ActSub(process);
    if (process->sub) {
      // The rim editor leaves the rows at the foot of the screen to the rim shape controls.
      if (e->panelMode == PANEL_RIM_SHAPE && RimEditorCar && !FrameSkipped) AddRimShapeRows(*e);
      return process;
    }
  }
  e->panelMode = PANEL_NORMAL;
  e->pageOpen = 0;
  // A page that recorded an edit point on opening has closed: unchanged, it leaves none.
  if (e->pageEditPoint) {
    DropUnchangedEditPoint(*e, e->pageEditPoint);
    e->pageEditPoint = nullptr;
  }
  if (FrameSkipped) {
    CountDownStatus(*e);
    return process;
  }
  if (EditorText.shown) {
    DrawTextPanel(*e);
    RestAfterDrawing(*e);
    return process;
  }
  if (e->toggleFuelRequest) {
    e->displayFlags ^= SHOW_FUEL;
    e->toggleFuelRequest = 0;
  }
  if (NewVehicleWizard::Running) {
    NewVehicleWizard::Draw(*e);
    RestAfterDrawing(*e);
    return process;
  }
  if (!e->car) AddScreenTitle("no vehicle loaded", 0, 1);
  const int firstButton = ButtonCount, firstControl = ValueControlCount;
  DrawInfoPanel(*e);
  // The panel's whole extent, which a framing keeps clear (its rows and the gaps between).
  const PixelRoom info = RowsExtent(firstButton, firstButton, firstControl, ValueControlCount);
  const float infoBox[4] = {info.left, info.top, info.right, info.bottom};
  std::copy(infoBox, infoBox + 4, e->infoPanelBox);
  BuildPanels(*e);
  const int sideButton = ButtonCount, sideControl = ValueControlCount;
  // While a tab page is open, the 2D views stand in the room right of these rows: a change of
  // their width is shown in the next frame.
  const PixelRoom rows = RowsExtent(firstButton, sideButton, firstControl, sideControl);
  const bool page = e->selection.openTab >= 0 && e->selection.openTab < TAB_PAGE_COUNT;
  const int32_t rowsRight = page && rows.right > rows.left ? int32_t(std::lround(rows.right)) : 0;
  const bool roomMoved = rowsRight != e->rowsRight;
  if (roomMoved) {
    e->rowsRight = rowsRight;
    KeepDrawing = 1;
  }
  BuildSidePanel(*e);
  if (e->diagramFlags && e->car) {
    SaveCarViewState(*e->car);
    DrawDiagram(*e, firstButton, firstControl, sideButton, sideControl);
    RestAfterDrawing(*e);
    return process;
  }
  if (e->panelMode != 2) AddEditViewButtons(process, ViewButton, EditViews.width == 0 && e->car && (e->displayFlags & SHOW_DRIVER) ? 1 : 0);
  AddDisplayRow(*e);
  KeepMarksClearOfRows(*e, firstButton, firstControl);
  if (!roomMoved) FrameWhenDue(*e);  // else measured in the next frame, drawn in the room it shows
  RestAfterDrawing(*e);
  return process;
}

void VehicleEditor::AskExit(VehicleEditor& e) {
  if (e.car && !e.selection.saved) {
    if (!e.prss.sub) AskQuestion(&e.prss, ExitEditorAnswered, TEXT_EXIT_EDITOR, TEXT_UNSAVED_LOST, 0, 0, 0);
    return;
  }
  Terminate(&e.prss);
}

void VehicleEditor::Terminate(Prss* process) {
  if (!process->alive) return;
  VehicleEditor& e = *reinterpret_cast<VehicleEditor*>(process);
  if (e.car) {
    if (EditorShellHooks.fillCarChoice) EditorShellHooks.fillCarChoice(*e.car);
    // The car is left standing on the ground, its lowest point 5 cm up.
    e.car->SettleOnGround(1, 0, int32_t(std::lround((0.05 - double(e.car->LowestPoint())) * 65536.0)));
  }
  VehicleUndo::Clear();
  Prss_Terminate(process);
}

void VehicleEditor::ShowEditPoints(void* owner, int, uintptr_t) {
  VehicleEditor& e = *static_cast<VehicleEditor*>(owner);
  using namespace VehicleUndo;
  AskSelect(&e.prss, EditPointChosen, "Select edit point", nullptr, e.editPointNames, NumNodes + 1, 0,
            NumNodes - NumRedo);
}

void ShowEditorText(const char* text) {
  std::snprintf(EditorText.text, sizeof EditorText.text, "%s", text ? text : "");
  EditorText.shown = 1;
}

void VehicleEditor::UndoRedo(void* owner, int, uintptr_t word) {
  VehicleEditor& e = *static_cast<VehicleEditor*>(owner);
  if (word == UNDO_WORD)
    UndoEdit(e);
  else
    RedoEdit(e);
}

int VehicleEditor::LoadVehicleState(VehicleEditor& e, const char* name, int point) {
  const int32_t driver = e.displayFlags & SHOW_DRIVER ? 0 : -1;
  const VehicleLoadArgs args = {DriveSideLeft, driver, 0, nullptr, 0, nullptr, 1, {0, 0}, 1, nullptr, 0};
  char text[160];
  if (!name) {
    if (point < 0 || point >= HISTORY_POINTS || !VehicleUndo::Slots[point].stored) {
      ShowVehicleEditorInfo("This edit point holds no vehicle");
      return 0;
    }
    const VehicleUndoNode& n = VehicleUndo::Slots[point];
    Car* car = new Car;
    int loaded;
    {
      HistoryRead reading(n);
      loaded = car->LoadVehicle(n.vehicleName, args);
    }
    if (!loaded) {
      delete car;
      std::snprintf(text, sizeof text, "Could not load vehicle : %s %s", LoadErrorText(), n.vehicleName);
      ReportLine(text, REPORT_ERROR);
      return 0;
    }
    if (car->model && n.modelName[0]) std::snprintf(car->model->name, sizeof car->model->name, "%s", n.modelName);
    InstallCar(e, car, n.vehicleName);
    return 1;
  }
  // The editor shows a vehicle as it is built, never mirrored for the program's drive side:
  // installing it brings the program's side in line with the car (SyncDriveSide), so the car,
  // the Object Positions page and the drive-side row agree.  Only the side buttons mirror it.
  Car* car = new Car;
  const int keptUnmirrored = KeepUnmirrored;
  KeepUnmirrored = 1;
  const int loaded = car->LoadVehicle(name, args);
  KeepUnmirrored = keptUnmirrored;
  if (!loaded) {
    delete car;
    std::snprintf(text, sizeof text, "Could not load vehicle : %s %s", LoadErrorText(), name);
    ReportLine(text, REPORT_ERROR);
    // A damaged file also names the field that failed.
    char path[FILE_PATH_SIZE];
    if (LastDataFileError == VEHICLE_FILE_CORRUPTED && LastVehicleReadField && MakeVehiclePath(path, sizeof path, name, 0))
      ReportVehicleReadFailure(path);
    return 0;
  }
  std::snprintf(text, sizeof text, "load %s", name);
  RecordEdit(text);
  e.selection.selectedPoint = NO_POINT;
  e.selection.selectedTube = -1;
  e.selection.saved = 1;
  InstallCar(e, car, name);
  FitView(e, 1);  // a loaded vehicle is framed; a step of the history keeps the view
  return 1;
}

void VehicleEditor::InstallCar(VehicleEditor& e, Car* car, const char* name) {
  EditorSetupChoice = 0;
  EditorColourChoice = 0;
  const bool first = e.car == nullptr;
  delete e.car;
  e.car = car;
  std::snprintf(e.vehicleName, sizeof e.vehicleName, "%s", name ? name : "");
  e.driverApplied = e.displayFlags & SHOW_DRIVER ? 1 : 0;
  e.eyeView = 0;
  e.dragAxis = -1;  // a point drag ends with the car it was on
  if (EditorShellHooks.carChanged) EditorShellHooks.carChanged(car);
  if (!car) return;
  SyncDriveSide(e);
  if (ScanColourMarks) ScanColourMarks(*car);
  ResetCar(e);
  if (first) FitView(e, 1);  // the editor's first car is framed by the views
}

void VehicleEditor::ResetCar(VehicleEditor& e) {
  Car* car = e.car;
  if (!car) return;
  car->showCar = 1;
  ++e.carSetups;
  car->SetupFromVehicle(1);
  car->position.x = ViewCamera.position[0];
  car->position.y = ViewCamera.position[1];
  car->PlaceAt(0, 0, 0.0f);
}

void VehicleEditor::VehicleValueChanged(VehicleEditor& e) {
  if (!e.car) return;
  ApplySymmetricSetup(e.car->currentSetup);
  ++e.carSetups;
  // The full set-up: the mass model runs again, so the masses, the total and the centre of
  // gravity the pages show follow the edit (a spare wheel, a tube's size, a position).
  e.car->SetupFromVehicle(0);
  e.car->UpdateWheelStates();
}

// ---- The object editor's view ----
// DrawScene and DrawOverlay are in vehicle_editor_sub.cpp.
int CarBeingEdited() { return CurrentVehicleEditor && CurrentVehicleEditor->car ? 1 : 0; }
int EditedCarEyeTransform(FixedTransform*) { return 0; }

namespace {
// The vehicle on show, as the animation editor reads it.
const Car* ShownCar() { return CurrentVehicleEditor ? CurrentVehicleEditor->car : nullptr; }
const char* ShownVehicleName() { return ShownCar() ? CurrentVehicleEditor->vehicleName : nullptr; }
float ShownSteeringLock() { return ShownCar() ? float(ShownCar()->steeringLock * (3.14159265358979323846 / 180.0)) : 0.0f; }
// The steering wheel's full turn as the car draws it (t = w L / r): the animation editor's
// steering output then matches the drawn driver at any set-up's lock.
float ShownWheelTurn() {
  const Car* car = ShownCar();
  return car ? SteeringWheelFullTurn(car->steeringWheelTurn, car->steeringLock, SteeringRatioByte(*car)) : 0.0f;
}
float* ShownSteering() { return ShownCar() ? &CurrentVehicleEditor->steeringValue : nullptr; }
// The driver's seat in the car as it stands: the car's orientation and position after the
// driver's position in the car's axes.  Only while the car's driver figure (the human model it
// seats) is one that sits in cars (its flag bit 0).
int ShownDriverPlacement(FixedTransform* out) {
  const Car* car = ShownCar();
  if (!car || !car->steeringInstance || !car->steeringInstance->human) return 0;
  if (!(car->steeringInstance->human->flags & HUMAN_MODEL_USABLE)) return 0;
  FixedTransform carFrame, seat;
  MatrixFloatToFixed(car->orientation, carFrame.rotation);
  carFrame.translation = car->position;
  SetIdentityTransform(seat);
  seat.translation = DriverOffset(*car);  // across on a mirrored car, as it is drawn
  TransformCompose(carFrame, seat, *out);
  return 1;
}
}  // namespace

void InstallVehicleEditorHooks() {
  VehicleEditorLink& h = VehicleEditorHooks;
  h.drawScene = VehicleEditor::DrawScene;
  h.drawOverlay = VehicleEditor::DrawOverlay;
  h.drawAnimEditorOverlay = DrawAnimEditorOverlay;
  h.createAnimEditor = CreateAnimEditor;
  h.checkBoneHierarchy = CheckObjectEditorHierarchy;
  h.updateBones = UpdateTableBones;
  h.skeletonBones = HumanSkeletonBones;
  h.bonePositions = TableBonePositions;
  h.carBeingEdited = CarBeingEdited;
  h.eyeTransform = EditedCarEyeTransform;
  h.animationTestPlaying = AnimationTestPlaying;
  h.carSpokeCount = EditedCarSpokeCount;
  h.setCarSpokeCount = SetEditedCarSpokeCount;
  AnimVehicleHooks = {ShownVehicleName, ShownSteeringLock, ShownWheelTurn, ShownDriverPlacement, ShownSteering};
}
