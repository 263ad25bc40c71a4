// tab_pages.cpp - the vehicle editor's panels each drawn frame: the status line, the rows
// every page shares (default set-ups, colour configurations, drive side, file row, history),
// the tab buttons, the open page and the centre marks over the 3D view.
#include "vehicle_editor/tab_pages.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/frame_globals.h"
#include "core/report.h"
#include "core/window_state.h"
#include "modeller/editor/edit_views.h"
#include "modeller/editor/object_editor.h"
#include "physics/car.h"
#include "text/messages.h"
#include "text/text_colours.h"
#include "ui/screen_labels.h"
#include "ui/value_edit.h"
#include "ui/widgets.h"
#include "vehicle_editor/default_setups.h"
#include "vehicle_editor/vehicle_editor.h"
#include "vehicle_editor/vehicle_undo.h"

const char* const TabLabels[TAB_PAGE_COUNT] = {
    "Vehicle Class", "Transmission / Audio", "Wheel Object", "Suspension", "Allow", "Light Colours",
    "Steering", "Object Positions", "Mass", "Aerodynamics", "Configurations", "Textures",
};

const TabPageBuilder TabPages[TAB_PAGE_COUNT] = {
    VehicleEditor::BuildClassPage,         VehicleEditor::BuildTransmissionPage,
    VehicleEditor::BuildWheelObjectPage,   VehicleEditor::BuildSuspensionPage,
    VehicleEditor::BuildAllowPage,         VehicleEditor::BuildLightColoursPage,
    VehicleEditor::BuildSteeringPage,      VehicleEditor::BuildObjectPositionsPage,
    VehicleEditor::BuildMassPage,          VehicleEditor::BuildAerodynamicsPage,
    VehicleEditor::BuildConfigurationsPage, VehicleEditor::BuildTexturesPage,
};

namespace {

constexpr uintptr_t FILE_WORD_LOAD = 2, FILE_WORD_SAVE = 6, FILE_WORD_NEW = 9;
constexpr uintptr_t UNDO_WORD = 0, REDO_WORD = 1;
constexpr int LIST_WORD_SAVE = 0, LIST_WORD_LOAD = 1, LIST_WORD_DUP = 2, LIST_WORD_DEL = 3;
constexpr float STATUS_TOP_LIMIT_FRACTION = 0.08f;
constexpr int COLOURS_PER_ROW = 3;
constexpr char CURRENT_MARK[] = "\x95";
constexpr char LEFT_MARK[] = "\x8B", RIGHT_MARK[] = "\x9B";
constexpr uintptr_t SIDE_WORD_RIGHT = 0, SIDE_WORD_LEFT = 1;
constexpr int MESSAGE_HISTORY_UNITS = 16;  // the "H" button's place on the top row
constexpr const char* TEXT_MARK_NAMES[3] = {"Mesh centre", "Centre of mass excluding wheels", "Centre of mass"};

// The status line: the last edit's name or an information text, counted down by the frame
// time; while it shows, the point buttons keep clear of it.
void RunStatusLine(VehicleEditor& e) {
  if (e.statusTime <= 0) {
    if (e.raisedTopLimit >= 0) {
      PointButtonTopLimit = e.raisedTopLimit;
      e.raisedTopLimit = -1;
    }
    return;
  }
  const int limit = int(std::lround(STATUS_TOP_LIMIT_FRACTION * float(ScreenHeight)));
  if (PointButtonTopLimit < limit) {
    if (e.raisedTopLimit < 0) e.raisedTopLimit = PointButtonTopLimit;
    PointButtonTopLimit = limit;
  }
  e.statusTime = static_cast<int32_t>(FrameTime) >= e.statusTime ? 0 : e.statusTime - static_cast<int32_t>(FrameTime);
  // It counts down in drawn frames, one more after its end to give the limit back.  Only the
  // interface changes, so they are drawn over the kept scene instead of drawing the car
  // again.  The frame where its time runs out no longer shows it.
  InterfaceRedraw = 1;
  if (e.statusTime > 0 && !FrameSkipped) DrawCentredCaption(e.statusText, e.statusIsEdit);
}

// The history buttons: the current point, "undo", "redo" and the points ahead.
void AddUndoButtons(VehicleEditor& e) {
  Prss* owner = &e.prss;
  using namespace VehicleUndo;
  UpdateHints();
  static char current[12], ahead[12];
  std::snprintf(current, sizeof current, "%d", NumNodes - NumRedo);
  std::snprintf(ahead, sizeof ahead, "%d", NumRedo);
  const char* listHint = "View the edit history to select an edit point";
  AddRowButton(owner, 2, 0, 0, nullptr, current, VehicleEditor::ShowEditPoints, listHint);
  AddRowButton(owner, 3, UNDO_WORD, NumRedo < NumNodes, nullptr, "undo",
               NumRedo < NumNodes ? VehicleEditor::UndoRedo : nullptr, UndoHint);
  AddRowButton(owner, 3, REDO_WORD, NumRedo > 0, nullptr, "redo", NumRedo > 0 ? VehicleEditor::UndoRedo : nullptr,
               RedoHint);
  AddRowButton(owner, 2, 0, 0, nullptr, ahead, VehicleEditor::ShowEditPoints, listHint);
}

// The message history button and the history buttons on the top row, from `units` W.
void AddHistoryRow(VehicleEditor& e, int units, int withHistory) {
  RowCursorX = units * ButtonWidth;
  RowCursorY = 0;
  AddMessageHistoryButton(&e.prss);
  if (withHistory) AddUndoButtons(e);
}

// The "dup", "del", "load", "save" row of a list.
void AddListButtons(VehicleEditor& e, InterfaceHandler handler, const char* const hints[4]) {
  PageRow();
  AddRowButton(&e.prss, 2, LIST_WORD_DUP, 0, nullptr, "dup", handler, hints[0]);
  AddRowButton(&e.prss, 2, LIST_WORD_DEL, 0, &TextColours.red, "del", handler, hints[1]);
  AddRowButton(&e.prss, 2, LIST_WORD_LOAD, 0, nullptr, "load", handler, hints[2]);
  AddRowButton(&e.prss, 2, LIST_WORD_SAVE, 0, nullptr, "save", handler, hints[3]);
}

void AddSetupRows(VehicleEditor& e, const Car& car) {
  PageRow();
  PageHeading("default setups", TAB_UNITS, nullptr);
  for (int i = 0; i < car.setupCount && i < VEHICLE_MAX_SETUPS; ++i) {
    PageRow();
    PageChoice(e, car.setups[i].name, TAB_UNITS, static_cast<uintptr_t>(i), i == EditorSetupChoice,
               VehicleEditor::SelectSetup, "Select setup");
  }
  static const char* const HINTS[4] = {"Duplicate the selected setup", "Delete the selected setup",
                                       "Load a setup from data\\setups", "Save the setup to data\\setups"};
  AddListButtons(e, VehicleEditor::SetupAction, HINTS);
}

void AddColourRows(VehicleEditor& e, Car& car) {
  PageRow();
  PageHeading("default colours", TAB_UNITS, nullptr);
  const int count = std::min<int>(car.colourConfigCount, VEHICLE_MAX_COLOUR_CONFIGS);
  const int width = TAB_UNITS * ButtonWidth / COLOURS_PER_ROW;
  const int left = 0;
  for (int i = 0; i < count; ++i) {
    if (i % COLOURS_PER_ROW == 0) PageRow();
    const int x = left + (i % COLOURS_PER_ROW) * width;
    AddButton(&e.prss, x, RowCursorY, x + width, RowCursorY + ButtonHeight, static_cast<uintptr_t>(i),
              IvText(i == EditorColourChoice ? CURRENT_MARK : ""), IvInt(0), IvInt(0), BUTTON_STYLE_TEXT,
              &car.colourConfigs[i].groups[0][0], VehicleEditor::SelectColourConfig, "Select colour config");
    RowCursorX = x + width;
  }
  if (count % COLOURS_PER_ROW != 0) {
    const int right = left + TAB_UNITS * ButtonWidth;
    AddButton(nullptr, RowCursorX, RowCursorY, right, RowCursorY + ButtonHeight, 0, IvText(nullptr), IvInt(0),
              IvInt(0), BUTTON_STYLE_PLAIN, &TextColours.lightOrange, nullptr, nullptr);
    RowCursorX = right;
  }
  static const char* const HINTS[4] = {"Duplicate the selected colour config", "Delete the selected colour config",
                                       "Load a colour config from data\\colours",
                                       "Save the colour config to data\\colours"};
  AddListButtons(e, VehicleEditor::ColourConfigAction, HINTS);
}

// The drive side: "no driver", "central driver", or the side the vehicle is built for with,
// on the row below, its lock and (unlocked) the side buttons that try the other side.
void AddDriveSideRows(VehicleEditor& e, const Car& car, int offCentre) {
  PageRow();
  if (car.steerAnimation[0] == 0) {
    PageLabel("no driver", TAB_UNITS, nullptr);
    return;
  }
  if (!offCentre) {
    PageLabel("central driver", TAB_UNITS, "The driver position is central");
    return;
  }
  const bool left = car.driverPosition.x < 0.0f;
  const char* built = left ? "built as left drive" : "built as right drive";
  if (car.options & OPT1_DRIVE_SIDE_LOCKED) {
    PageLabel(built, TAB_UNITS, left ? "The driver position is on the left" : "The driver position is on the right");
    PageRow();
    PageChoice(e, "locked drive side", TAB_UNITS, 0, 0, VehicleEditor::ToggleDriveSideLock,
               "User cannot select the drive side (click to unlock)");
    return;
  }
  PageChoice(e, built, TAB_UNITS, left ? SIDE_WORD_LEFT : SIDE_WORD_RIGHT, 0, VehicleEditor::SetDriveSide,
             left ? "The default driver position is on the left" : "The default driver position is on the right");
  PageRow();
  PageChoice(e, "select", TAB_UNITS - 2, 0, 0, VehicleEditor::ToggleDriveSideLock,
             "User can select the drive side (click to lock)");
  PageSymbolChoice(e, LEFT_MARK, 1, SIDE_WORD_LEFT, DriveSideLeft == 1, VehicleEditor::SetDriveSide,
                   left ? "Use left side driving position" : "Test left side driving position");
  PageSymbolChoice(e, RIGHT_MARK, 1, SIDE_WORD_RIGHT, DriveSideLeft == 0, VehicleEditor::SetDriveSide,
                   left ? "Test right side driving position" : "Use right side driving position");
}

void AddFileRow(VehicleEditor& e, int withCar) {
  Prss* owner = &e.prss;
  static char fileName[40];
  std::snprintf(fileName, sizeof fileName, "%s%s", withCar ? e.vehicleName : "",
                withCar && !e.selection.saved ? "^1*" : "");
  AddRowButton(owner, 10, 0, 0, nullptr, withCar ? fileName : nullptr, nullptr, "The vehicle's file name");
  if (!withCar) {
    AddRowButton(owner, 3, FILE_WORD_LOAD, 0, nullptr, "LOAD", VehicleEditor::FileAction,
                 "Load a new vehicle from data\\veh (CTRL+O)");
    AddRowButton(owner, 3, FILE_WORD_NEW, 0, nullptr, "NEW", VehicleEditor::FileAction,
                 "Create a new vehicle (CTRL+N)");
    return;
  }
  AddRowButton(owner, 3, FILE_WORD_LOAD, 0, nullptr, "LOAD", VehicleEditor::FileAction,
               "Load a new vehicle from data\\veh (CTRL+O)");
  AddRowButton(owner, 3, FILE_WORD_SAVE, 0, nullptr, "SAVE", VehicleEditor::FileAction, "Save the vehicle to data\\veh");
}

int OffCentreDriver(const Car& car) {
  return car.steerAnimation[0] && std::fabs(car.driverPosition.x) >= Car::OFF_CENTRE ? 1 : 0;
}

void AddCommonRows(VehicleEditor& e, Car& car) {
  const int offCentre = OffCentreDriver(car);
  RowCursorX = 0;
  RowCursorY = CommonRowsTop(car) - ButtonHeight;  // PageRow moves down to the first
  AddSetupRows(e, car);
  AddColourRows(e, car);
  AddDriveSideRows(e, car, offCentre);
  PageRow();
  AddFileRow(e, 1);
  AddHistoryRow(e, MESSAGE_HISTORY_UNITS, VehicleUndo::NumNodes != 0);
}

void AddTabs(VehicleEditor& e) {
  RowCursorX = 0;
  RowCursorY = 0;
  for (int i = 0; i < TAB_PAGE_COUNT; ++i) {
    if (i > 0 && i % 2 == 0) {
      RowCursorX = 0;
      RowCursorY += ButtonHeight;
    }
    PageChoice(e, TabLabels[i], TAB_UNITS, static_cast<uintptr_t>(i), i == e.selection.openTab,
               VehicleEditor::SelectTab, nullptr);
  }
}

void MarkClicked(uintptr_t owner, int click, int32_t mode, uint32_t) {
  VehicleEditor::ShowMarkName(reinterpret_cast<void*>(owner), click, static_cast<uintptr_t>(mode));
}

// The three centre marks where the car's points project into the view.
void AddCentreMarks(VehicleEditor& e) {
  const Car& car = *e.car;
  const Vec3 local[3] = {Vec3{}, car.centreWithoutWheels, car.centreOfMass};
  for (int mode = 0; mode < 3; ++mode) {
    const Vec3 turned = MatrixTimes(car.orientation, local[mode]);
    const int32_t at[3] = {car.position.x + int32_t(std::lround(turned.x * 65536.0f)),
                           car.position.y + int32_t(std::lround(turned.y * 65536.0f)),
                           car.position.z + int32_t(std::lround(turned.z * 65536.0f))};
    AddLabelAtPoint(at, mode, 0, mode == 0 ? 3 : 1, MarkClicked, reinterpret_cast<uintptr_t>(&e), LABEL_BOX);
  }
}

// ---- The open page's rows ----
// The page's rows run down its room under the tabs, then on in columns beside the panel, and
// the rows scrolled past or past the last column are built off the screen (each at a height of
// its own, so that they never share a rectangle) and taken out of the tables when the page is
// built.
struct PageFlow {
  int active = 0;           // PageRow places a page's rows (the common rows move by themselves)
  int top = 0;              // pixel y of the room's first row
  int firstBottom = 0;      // the first column ends at the common rows
  int otherBottom = 0;      // the others above the display toggles
  int columns = 1;          // columns that stand clear of the side panel and the scroll bar
  int column = 0;           // the column of the last row shown
  int scroll = 0;           // rows left out at the top
  int rows = 0;             // rows the page asked for
  int shown = 0;            // rows placed on the screen
  int lastShown = 0;        // the last row asked for was placed on the screen
  int past = 0;             // rows past the last column
  int firstButton = 0, firstControl = 0;
};
PageFlow g_flow;

constexpr int SCROLL_BAR_UNITS = 1;

int ColumnBottom(int column) { return column == 0 ? g_flow.firstBottom : g_flow.otherBottom; }

// Off the screen, above it, one height per row.
int HiddenRowY(int row) { return -2 * ScreenHeight - (row + 1) * ButtonHeight; }

void StartPageFlow(VehicleEditor& e, const Car& car) {
  g_flow = PageFlow{};
  g_flow.active = 1;
  g_flow.top = TAB_ROWS * ButtonHeight;
  g_flow.firstBottom = CommonRowsTop(car);
  g_flow.otherBottom = ScreenHeight - (DISPLAY_ROW + std::max(3, DisplayRows(e)) - 1) * ButtonHeight;
  const int column = PANEL_ROW_UNITS * ButtonWidth;
  g_flow.columns = std::max(1, (ScreenWidth - column - SCROLL_BAR_UNITS * ButtonWidth) / column);
  g_flow.scroll = std::max(0, e.pageScroll);
  g_flow.firstButton = ButtonCount;
  g_flow.firstControl = ValueControlCount;
}

void PlacePageRow() {
  const int row = g_flow.rows++;
  int y = 0;
  if (row < g_flow.scroll || g_flow.past) {
    y = -1;
  } else if (row == g_flow.scroll) {
    y = g_flow.top;
  } else {
    // Below the row the cursor is on: a page may have placed a block of rows by itself.
    y = g_flow.lastShown ? RowCursorY + ButtonHeight : g_flow.top;
    if (y + ButtonHeight > ColumnBottom(g_flow.column)) {
      ++g_flow.column;
      y = g_flow.column < g_flow.columns ? g_flow.top : -1;
    }
  }
  g_flow.lastShown = y >= 0;
  if (y < 0) {
    if (row >= g_flow.scroll) ++g_flow.past;
    RowCursorX = 0;
    RowCursorY = HiddenRowY(row);
    return;
  }
  ++g_flow.shown;
  RowCursorX = g_flow.column * PANEL_ROW_UNITS * ButtonWidth;
  RowCursorY = y;
}

// Takes the rows built off the screen out of the tables.
void DropHiddenRows() {
  int kept = g_flow.firstButton;
  for (int i = g_flow.firstButton; i < ButtonCount; ++i)
    if (InterfaceButtons[i].bottom > -ScreenHeight) InterfaceButtons[kept++] = InterfaceButtons[i];
  ButtonCount = kept;
  kept = g_flow.firstControl;
  for (int i = g_flow.firstControl; i < ValueControlCount; ++i)
    if (ValueControls[i].bottom > -3.0f) ValueControls[kept++] = ValueControls[i];
  ValueControlCount = kept;
}

float NormalisedX(int x) { return 2.0f * float(x) / float(std::max(1, ScreenWidth)) - 1.0f; }
float NormalisedY(int y) { return 2.0f * float(y) / float(std::max(1, ScreenHeight)) - 1.0f; }

// Ends the page: the rows not shown go, and a page that does not fit gets its scroll bar
// right of its last column (the wheel scrolls over the whole room, as far as the last row).
void FinishPageFlow(VehicleEditor& e) {
  g_flow.active = 0;
  DropHiddenRows();
  const int lastColumn = std::min(g_flow.column, g_flow.columns - 1);
  if (g_flow.scroll > 0 || g_flow.past > 0) {
    const int right = (lastColumn + 1) * PANEL_ROW_UNITS * ButtonWidth;
    const int bottom = ColumnBottom(lastColumn);
    RowCursorX = right;
    RowCursorY = g_flow.top;
    const SliderGeometry geometry{NormalisedX(0), NormalisedY(g_flow.top),
                                  NormalisedX(right + SCROLL_BAR_UNITS * ButtonWidth),
                                  NormalisedY(std::max(bottom, ColumnBottom(0))), bottom - g_flow.top};
    AddSliderControl(&e.prss, geometry, &e.pageScroll, g_flow.scroll, g_flow.scroll + g_flow.shown, g_flow.rows);
  }
  // A page that grew shorter than its scroll keeps its last row on the screen.
  if (g_flow.scroll >= g_flow.rows) e.pageScroll = std::max(0, g_flow.rows - 1);
}

}  // namespace

int CommonRowsTop(const Car& car) {
  const int setups = std::min<int>(car.setupCount, VEHICLE_MAX_SETUPS);
  const int colours = std::min<int>(car.colourConfigCount, VEHICLE_MAX_COLOUR_CONFIGS);
  const int rows = 6 + OffCentreDriver(car) + setups + (colours - 1) / COLOURS_PER_ROW + 1;
  return ScreenHeight - rows * ButtonHeight;
}

// ---- [Layout] ----

void PageRow() {
  if (g_flow.active) {
    PlacePageRow();
    return;
  }
  RowCursorX = 0;
  RowCursorY += ButtonHeight;
}

void PageBlock(int rows) {
  PageRow();
  if (!g_flow.active || rows <= 1) return;
  const int first = g_flow.rows - 1;
  if (g_flow.lastShown && RowCursorY + rows * ButtonHeight > ColumnBottom(g_flow.column)) {
    // Not whole in this column: at the top of the next, or off the screen past the last.
    ++g_flow.column;
    if (g_flow.column < g_flow.columns) {
      RowCursorX = g_flow.column * PANEL_ROW_UNITS * ButtonWidth;
      RowCursorY = g_flow.top;
    } else {
      --g_flow.shown;
      ++g_flow.past;
      g_flow.lastShown = 0;
      RowCursorX = 0;
      RowCursorY = HiddenRowY(first);
    }
  }
  // The block's other rows count as the page's rows: they scroll as rows do.
  g_flow.rows += rows - 1;
  if (g_flow.lastShown) g_flow.shown += rows - 1;
  else if (first >= g_flow.scroll) g_flow.past += rows - 1;
}

void PageLabel(const char* text, int units, const char* hint) {
  AddRowButton(nullptr, units, 0, 0, nullptr, text, nullptr, hint);
}

void PageHeading(const char* text, int units, const char* hint) {
  AddRowOptionButton(nullptr, units, 0, 0, &TextColours.lightCyan, text, nullptr, hint);
}

void PageChoice(VehicleEditor& e, const char* text, int units, uintptr_t word, int selected, InterfaceHandler handler,
                const char* hint) {
  AddRowButton(handler ? &e.prss : nullptr, units, word, selected, selected ? &TextColours.lightYellow : nullptr, text,
               handler, hint);
}

void PageSymbolChoice(VehicleEditor& e, const char* glyphCodes, int units, uintptr_t word, int selected,
                      InterfaceHandler handler, const char* hint) {
  AddRowButtonStyle4(handler ? &e.prss : nullptr, units, word, selected, selected ? &TextColours.lightYellow : nullptr,
                     glyphCodes, handler, hint);
}

void PageNumber(const char* format, int32_t value, int units, const char* hint, ColourWord* colour, Prss* owner,
                uintptr_t word, InterfaceHandler handler) {
  const int left = RowCursorX, right = left + units * ButtonWidth;
  AddButton(handler ? owner : nullptr, left, RowCursorY, right, RowCursorY + ButtonHeight, word, IvInt(value),
            IvText(format), IvInt(0), BUTTON_STYLE_INT_FORMAT, colour, handler, hint);
  RowCursorX = right;
}

void PageFloat(const char* format, float value, int units, const char* hint, ColourWord* colour, Prss* owner,
               uintptr_t word, InterfaceHandler handler) {
  const int left = RowCursorX, right = left + units * ButtonWidth;
  AddButton(handler ? owner : nullptr, left, RowCursorY, right, RowCursorY + ButtonHeight, word, IvFloat(value),
            IvText(format), IvInt(0), BUTTON_STYLE_FLOAT_FORMAT, colour, handler, hint);
  RowCursorX = right;
}

void PageValueChanged(void* owner, int, uintptr_t) {
  VehicleEditor::VehicleValueChanged(*static_cast<VehicleEditor*>(owner));
}
void PageSeatOptionChanged(void* owner, int, uintptr_t) {
  VehicleEditor::SeatOptionChanged(*static_cast<VehicleEditor*>(owner));
}
void PageDriverPositionChanged(void* owner, int, uintptr_t) {
  VehicleEditor::DriverPositionChanged(*static_cast<VehicleEditor*>(owner));
}
void PageUpdateDriveSide(void* owner, int, uintptr_t) {
  VehicleEditor::UpdateDriveSide(*static_cast<VehicleEditor*>(owner));
}
void PageSetSteering(void* owner, int, uintptr_t) { VehicleEditor::SetSteering(*static_cast<VehicleEditor*>(owner)); }

void PageValue(VehicleEditor& e, const char* label, float minimum, float maximum, float* variable,
               InterfaceHandler handler, ButtonStyle kind, const char* hint) {
  AddValueEditButton(&e.prss, label, minimum, maximum, variable, nullptr, handler, kind, hint);
}

void PageFlag(VehicleEditor& e, const char* text, uint32_t mask, uint32_t* flags, InterfaceHandler handler,
              const char* hint) {
  AddFlagToggle(&e.prss, LayoutColumns, text, mask, flags, nullptr, 0, handler, hint);
}

void PageByteFlag(VehicleEditor& e, const char* text, uint8_t mask, uint8_t* flags, InterfaceHandler handler,
                  const char* hint) {
  AddByteFlagToggle(&e.prss, LayoutColumns, text, mask, flags, nullptr, handler, hint);
}

// ---- [Panels] ----

void VehicleEditor::BuildPanels(VehicleEditor& e) {
  RunStatusLine(e);
  AddViewAreaControl(PANEL_ROW_UNITS, PANEL_ROW_UNITS);
  LayoutColumns = PANEL_ROW_UNITS;
  EditDomain = EDIT_DOMAIN_NONE;
  if (!e.car) {
    RowCursorX = 0;
    RowCursorY = ScreenHeight - ButtonHeight;
    AddFileRow(e, 0);
    if (VehicleUndo::NumRedo != 0) AddHistoryRow(e, 0, 1);
    return;
  }
  AddCommonRows(e, *e.car);
  AddTabs(e);
  const int tab = e.selection.openTab;
  if (tab >= 0 && tab < TAB_PAGE_COUNT && TabPages[tab]) {
    StartPageFlow(e, *e.car);
    TabPages[tab](e);
    LayoutColumns = PANEL_ROW_UNITS;
    EditDomain = EDIT_DOMAIN_NONE;
    FinishPageFlow(e);
  }
  // The marks stand in every edit view, at the points the view's own projection puts them.
  if ((e.displayFlags & SHOW_COG) && e.diagramFlags == 0) AddCentreMarks(e);
}

void VehicleEditor::SelectTab(void* owner, int, uintptr_t tab) {
  VehicleEditor& e = *static_cast<VehicleEditor*>(owner);
  const int32_t index = static_cast<int32_t>(tab);
  e.selection.openTab = e.selection.openTab == index ? -1 : index;
  e.pageScroll = 0;
}

void VehicleEditor::ShowMarkName(void*, int, uintptr_t mode) {
  if (mode > 2) return;
  ReportLine(TEXT_MARK_NAMES[mode], REPORT_GREY);
}
