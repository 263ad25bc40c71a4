// vehicle_editor.h - the vehicle editor screen, and the services of it the interface and the
// object editor use.
//
// Sections: [Screen] [Object editor's view]
//
// Layer: vehicle_editor/, a subsystem over vehicle/ (tools/layers.txt).  Main thread only.
#pragma once
#include <cstdint>

#include "core/fixed_math.h"
#include "core/process.h"
#include "render/view_constants.h"
#include "ui/bevel_box.h"
#include "ui/value_edit.h"

struct Bone;
struct BoneTable;
struct BoneLinkArray;
struct Car;
struct VehicleData;
struct MouseRecord;
struct Prss;

extern int VehicleEditorOpen;  // the vehicle editor screen is open

// RecordEditMerging, the interface's hook into the vehicle editor's undo history, is in
// ui/value_edit.h; the editor installs its body while it is open.

// The editor's table of transforms that the view pixel-shader constants are made from (the
// renderer reads it through ViewTransformSource, installed by the program shell).
extern ViewTransformTable EditorViewTransforms;

// ---- [Screen] ----
// The selection state: copied whole into and out of every edit history node.
struct VehicleSelection {
  int32_t openTab;        // the open tab page, -1 none
  int32_t selectedPoint;  // frame point from 0; -1..-6 wheel points; NO_POINT none
  int32_t selectedTube;   // -1 none
  uint8_t saved;          // 1 while the vehicle has no unsaved changes
  uint8_t spare[3];
};
static_assert(sizeof(VehicleSelection) == 16, "the history nodes copy the selection as 16 bytes");
constexpr int32_t NO_POINT = -7;
constexpr int HISTORY_POINTS = 31;  // 30 nodes and the slot above them

// Display toggles (VehicleEditor::displayFlags).
enum VehicleDisplayFlags : uint32_t {
  SHOW_WIRE = 0x1,
  SHOW_MASSES = 0x4,
  SHOW_WHEEL_MASSES = 0x8,
  SHOW_FRAME = 0x10,
  SHOW_COG = 0x20,
  SHOW_DRIVER = 0x40,
  SHOW_POINTS = 0x80,
  SHOW_TUBES = 0x100,
  SHOW_FUEL = 0x200,
};
constexpr uint32_t DISPLAY_FLAGS_AT_OPEN = 404;
constexpr int32_t STATUS_SHOW_MS = 3000;
constexpr int32_t EDITOR_GRID_STEP = 6554;  // 0.1 m in 16.16
constexpr uint16_t EDITOR_HEADING_AT_OPEN = 0xE000, EDITOR_PITCH_AT_OPEN = 0x2000;

enum VehicleSubEditor : uint8_t { SUB_NONE = 0, SUB_MODELLER = 1, SUB_ANIMATION = 2 };
// The editor's bottom rows while a sub-screen runs over it (VehicleEditor::panelMode).
enum VehiclePanelMode : uint8_t { PANEL_NORMAL = 0, PANEL_RIM_SHAPE = 1, PANEL_DASHBOARD = 2 };
constexpr int RIM_SHAPE_ROWS = 6;  // the rim shape controls' rows (AddRimShapePanel)
// The cover picture for an export (Shift+S): the garage page is open, the picture was made.
enum VehicleCoverState : uint8_t { COVER_IDLE = 0, COVER_GARAGE_OPEN = 1, COVER_TAKEN = 2 };
enum VehicleFramePending : uint8_t { FRAME_PENDING_3D = 1, FRAME_PENDING_2D = 2 };
constexpr int EDITOR_TEXT_PANEL_SIZE = 2052;
constexpr int32_t DRIVER_EYE_RISE = 3277;  // 0.05 m in 16.16: the eye view stands above the eye

constexpr int EDITOR_LIGHT_TESTS = 8;

struct VehicleEditor {
  Prss prss;
  VehicleSelection selection;
  const char* editPointNames[HISTORY_POINTS];  // the names of the history points
  uint16_t viewAngles[2];                      // heading, pitch; 65536 a turn
  Car* car;                                    // null until a vehicle is loaded
  int32_t statusTime;                          // ms the status text still shows
  uint8_t subEditor;                           // VehicleSubEditor
  uint8_t panelMode;                           // VehiclePanelMode
  uint8_t dialogOpen, pageOpen;
  uint8_t toggleFuelRequest;                   // the next frame flips "fuel"
  // The edit point a page or sub-editor opened over the editor recorded ("edit engine", "edit
  // rim", "edit clocks", "edit model", "edit spoke"): once it has closed, a vehicle it left
  // unchanged drops it again, and the history is as it was before the opening.
  const char* pageEditPoint;
  uint8_t savedSpecialDraw;
  uint8_t statusIsEdit;                        // the status text names an edit
  uint8_t coverState;                          // VehicleCoverState
  uint8_t driverApplied;                       // "driver" as last applied to the car
  uint8_t eyeView;                             // the 3D view stands at the driver's eye
  uint8_t framePending;                        // FRAME_PENDING_3D / _2D: a view kind to frame in the room left
  // The 2D view the last framing left (its code, width and centre): another 2D view shown while
  // these stand untouched is framed for its own side.
  int32_t framedCode, framedWidth, framedCentre[3];
  float infoPanelBox[4];  // the information panel's extent this frame (pixels; empty without one)
  uint32_t displayFlags;
  uint32_t diagramFlags;                       // non-zero: the suspension diagram shows
  // The car's level-of-detail scales in the 3D view (1 at opening), lowered for the length of
  // a drawing while the view is wide (DrawEditView).
  float lodScale, detailScale;
  // The frames a second the dashboard's preview shows: of the last frame whose simulated
  // time ran (a frame that keeps the 3D view draws the same dashboard).
  float previewFrameRate;
  float eyePoint[3];                           // m, world: where the eye view stands
  float steeringValue;                         // the steering control, rad; 0 straight
  float fuelPercent;                           // of the tank, while "fuel" is on
  int32_t savedGridStep;
  char statusText[256];
  char vehicleName[32];                        // the current vehicle's name, empty for none
  // The frame tools (frame_points.cpp).
  uint32_t carSetups;                          // times the car was set up from the vehicle
  uint8_t markedPointShown;                    // the marked position below is shown
  uint8_t frameMove;                           // the whole frame moves with a drag
  int8_t dragAxis;                             // the point drag's axis, -1 none
  float markedPosition[3];                     // m: the selected frame point's position
  float copiedPointValue;                      // m: the coordinate Ctrl+right click copied
  IntVector dragStart;                         // the dragged point's position before the drag
  int32_t dragMouse[2];                        // pixels: where the point drag began or last moved
  float axisDirections[3][2];                  // pixels: each axis handle's screen direction
  int32_t dragScale;                           // 16.16 m: what a handle's screen length stands for
  int32_t handleButtons[2];                    // this frame's axis handles: buttons [first, end)
  // Set to 1 by a colour configuration's choice: on the next frame the model is flagged for
  // rebuild and the meshes are released.
  uint8_t rebuildModelCountdown, releaseMeshesCountdown;
  // The tab pages (tab_pages.cpp): the suspension page's rear and front axle positions (m),
  // refreshed each frame it shows, the point-button limit the status line raised (-1 none),
  // and the rows of the open page scrolled past (a page longer than its room scrolls).
  float axlePositions[2];
  int32_t raisedTopLimit;
  int32_t pageScroll;
  // Pixels: the right edge of the rows at the left of the screen (an open tab page and the
  // common rows) in the last frame drawn, 0 while no page is open; the 2D views stand in the
  // room right of it.
  int32_t rowsRight;
  // The wheel and set-up actions (wheel_panels.cpp, setup_actions.cpp).
  uint8_t spokeInEditor;                       // the modeller edits the spoke object
  uint8_t lightTests[EDITOR_LIGHT_TESTS];      // the lights tab's test switches, 0 or 1

  // Makes the screen (the only one) and returns it; the caller attaches it with Prss_AddSub.
  static VehicleEditor* Create(Prss* parent);
  static Prss* ScreenAction(Prss* process);
  static void Key(Prss* process, int keyCode);
  // The mouse: the interface first (then the steering follows its control), Ctrl and the left
  // button turn the view, the rest goes to the edit views.
  static void ViewEvent(Prss* process, MouseRecord* mouse);
  // Heading 36 units per unit across, wrapping; pitch 18 per unit up, kept in 0..15474.
  static void TurnView(VehicleEditor& editor, int dx, int dy);
  // The car's steering word from the steering control (SteeringWordOf).
  static void SetSteering(VehicleEditor& editor);
  // Modes 0 and 1 (with a margin) fit the view to the car's size, a 2D view centred on the
  // world's origin (0, "origin") or on the car (1, "object"); mode 2 puts the 3D view at the
  // driver's eye (a car with a driver only).
  static void FitView(VehicleEditor& editor, int mode);
  // The framing FitView mode 1 leaves pending for the 3D view and the 2D views (the 2D views
  // when a 2D view is next shown, and each 2D view shown after while the framed 2D view stands
  // unmoved): the car's box fills nine tenths of the largest part of the view the editor's own
  // panels leave, about its middle.  Done at the end of a frame that built the editor's panels
  // with no dialog or page over them and left the 2D views' room as drawn; the next frame shows it.
  static void FrameWhenDue(VehicleEditor& editor);
  static void Terminate(Prss* process);
  // Asks "Exit editor?" when there are unsaved changes, else closes.
  static void AskExit(VehicleEditor& editor);
  // Loads by name (a file of data/veh) or, with a null name, history point `point` into a new
  // car and installs it.  1 on success; on failure "Could not load vehicle :" and the error
  // text are shown and the editor keeps its car, history and saved mark.
  static int LoadVehicleState(VehicleEditor& editor, const char* name, int point);
  // Replaces the editor's car (deleting the old one) and names the current vehicle; the
  // editor's first car is framed by the views (FitView mode 1).  A vehicle loaded by name is
  // framed too; a step of the history keeps the view.
  static void InstallCar(VehicleEditor& editor, Car* car, const char* name);
  // Sets the car up from the vehicle, resets it and places it standing still at the view
  // camera's point.
  static void ResetCar(VehicleEditor& editor);
  // The car is set up again after an edit of the vehicle's values (and its wheels' states).
  static void VehicleValueChanged(VehicleEditor& editor);
  // After an edit of a wheel object: the set-up alone.
  static void RebuildCar(VehicleEditor& editor);
  // After a change of the driver's place or the seats: the back seats follow the driver's
  // offset (when the vehicle has them), the animations are loaded again, the car set up in
  // full (its masses count the people it now carries).
  static void SeatOptionChanged(VehicleEditor& editor);
  // A car installed with its driver 0.2 m or more off centre, side unlocked, tells the
  // program which side its driver sits on (the car itself is not changed).
  static void SyncDriveSide(VehicleEditor& editor);
  // The side the driver's place gives (left when it is left of the centre line) told to the
  // program and applied to the car (mirrored or not).
  static void UpdateDriveSide(VehicleEditor& editor);
  // Word 0 asks whether to lock (or unlock) the drive side; word 1, the answer yes, flips the
  // lock, recorded, and updates the side.
  static void ToggleDriveSideLock(void* owner, int click, uintptr_t word);
  // The drive side buttons: word 0 right, 1 left, told to the program and applied to the car.
  static void SetDriveSide(void* owner, int click, uintptr_t word);
  // After the driver's lateral place changed: SyncDriveSide, then SeatOptionChanged.
  static void DriverPositionChanged(VehicleEditor& editor);
  // "driver" on: the car carries its driver and passengers; off: it carries none.
  static void ApplyDriverOption(VehicleEditor& editor);
  // "Edit" (key E): the modeller on the car's model, recorded as "edit model".
  static void EditModel(void* owner, int click, uintptr_t word);
  // "Animate" (key A): the driver's animation in the object editor.
  static void Animate(void* owner, int click, uintptr_t word);
  // The list "Select edit point" of the history points; choosing one goes there.
  static void ShowEditPoints(void* owner, int click, uintptr_t word);
  // The act function's step after a sub-editor has closed: the car rebuilt from its model
  // (an unchanged model drops the "edit model" node with "no changes"), or its animations
  // loaded again.
  static void SubEditorClosed(VehicleEditor& editor);
  // Word 0 closes the text panel; the others (settings_actions.h's PromptWord) flip the speed
  // unit, special draw, the pit limiter light or the frame move, or open a prompt.
  static void PromptAction(void* owner, int click, uintptr_t word);
  // The file menu (file_actions.cpp): words 0..8 and 13..15; word 9 is the new-vehicle wizard's.
  static void FileAction(void* owner, int click, uintptr_t word);
  // Word 0 undo, word 1 redo.
  static void UndoRedo(void* owner, int click, uintptr_t word);

  // ---- Frame points and tubes (frame_points.cpp) ----
  // The handlers take the editor as owner, the click code and a word.  Word 0 new point, 1
  // duplicate the selected one, 2 delete it.
  static void PointAction(void* owner, int click, uintptr_t word);
  // Word 0 deletes the selected tube, 1 only clears the tube selection.
  static void TubeAction(void* owner, int click, uintptr_t word);
  // A tube from the selected point to `point` (-6..-1 a wheel point).  1 when added.
  static int AddTube(VehicleEditor& editor, int point);
  // The point and tube markers: a point (Shift held: a tube to it), a tube toggled.
  static void SelectPoint(void* owner, int click, uintptr_t point);
  static void SelectTube(void* owner, int click, uintptr_t tube);
  // The frame's markers in a 2D view: labels at the projected points that select on a click.
  static void AddSelectionButtons(VehicleEditor& editor);
  // The current edit view, each drawn frame: its projection and the frame cleared; the 3D view
  // along the view angles (AimView) in the settings' light over the ground, a 2D view over its
  // background picture and grid.  Then, with a car and no diagram shown, the car stepped and
  // drawn (special draw as set), the editor's lines over it and, in a 2D view, its markers.
  // 1 when the car was drawn.
  static int DrawEditView(VehicleEditor& editor);
  // In the 3D view: the view's heading and pitch are the editor's view angles (roll 0).
  static void AimView(VehicleEditor& editor);
  // Half the current view's zoom (the zoom being 2 over its field factor); 1 without a view.
  // Below 1 it lowers the car's two level-of-detail scales while the car is drawn.
  static float HalfViewZoom();
  // The edit views' view-point buttons: word 0 "origin", 1 "object", 2 the driver's eye.
  static void ViewButton(void* owner, int click, uintptr_t word);
  // In a 2D view: labels at the car model's reference points, a second at -x for a mirrored one.
  static void DrawModelMarks(VehicleEditor& editor);
  // The editor's lines over the car: with special draw and "frame", the selected frame point's
  // axis handles (a press starts the point drag; their screen directions and scale are kept
  // for it); with tab 3 or 6 open, two lines per wheel from its pivots to its centre.
  static void DrawMarks(VehicleEditor& editor);
  // Over the car in either view: special draw's mass boxes and wireframe, then DrawMarks.
  static void DrawOverCar(VehicleEditor& editor);
  // Once the frame's rows are placed (the buttons from firstButton and the value controls
  // from firstControl on), the marks drawn before them keep out from under them: each axis
  // handle's label that a row would cover moves to the nearest clear place around it (rings
  // of half a row, straight ways before diagonals), and the frame's point labels a row covers
  // are hidden (HideScreenLabelsUnderRows).
  static void KeepMarksClearOfRows(VehicleEditor& editor, int firstButton, int firstControl);
  // The mouse while an axis handle is dragged: the left button let go ends the drag, the right
  // one cancels it, a move steps the point by the pointer's travel along the handle.
  static void PointDragMouse(VehicleEditor& editor, const MouseRecord& mouse);
  // The car's drawing options: special draw hides the model (body, subobjects, wheel pieces).
  static uint32_t CarGraphicsOptions();
  // The vehicle option bits special draw adds while the car is drawn: with "frame", every
  // frame tube; with "masses", a spare wheel the vehicle carries is drawn (shown or not), so
  // that its tyre stands where its mass is counted.
  static uint32_t SpecialDrawCarOptions(const VehicleEditor& editor);
  // Moves the selected frame point along axis 0 (x), 1 (y) or 2 (z) by steps of 1/65536 m.
  static void MovePoint(VehicleEditor& editor, int32_t steps, int axis);
  // The selected point's axis handles: a drag starts (one history node for a run of drags of
  // one point), each step moves by MovePoint, the right button puts the point back.
  static void StartPointDrag(void* owner, int click, uintptr_t axis);
  static void DragPointStep(VehicleEditor& editor, int32_t steps);
  static void CancelPointDrag(VehicleEditor& editor);
  // Keeps pivot pairs lined up with the moved pivot and sets the car up again.
  static void PointsChanged(VehicleEditor& editor);
  // Word 0 special draw off; 1 on with the frame shown; 2 on with the masses; 3 asks
  // "Delete entire frame?".
  static void FrameAction(void* owner, int click, uintptr_t word);
  // The buttons "show masses" and "show frame", 8 units each in one row at the row cursor.
  static void AddMassFrameToggles(VehicleEditor& editor);
  // Removes every vertex (the suspension points stay, in order) and every tube.
  static void DeleteFrame(VehicleEditor& editor);
  // Delete key: the selected point or the selected tube.
  static void DeleteSelected(VehicleEditor& editor);
  // Clears every point's selection mark and working value.
  static void ClearPointMarks(VehicleData& vehicle);

  // ---- Point values (point_values.cpp) ----
  // The X, Y and Z buttons of the selected point (word = axis 0 x, 1 y, 2 z): Ctrl+right
  // click copies the coordinate, Shift+right click pastes the copied one, any other click asks
  // for a value.
  static void PointValueAction(void* owner, int click, uintptr_t axis);
  // A typed value (metres, "," read as "."): empty does nothing; out of range is refused.
  static void EnterPointValue(VehicleEditor& editor, const char* text, int axis);
  // The step buttons (word = axis x 2 + 1 for the positive way): the step by click code, the
  // selected point moved, or every vertex (type 0) when none is selected.
  static void MovePoints(void* owner, int click, uintptr_t word);
  // 1 (with a message) when a 16.16 coordinate lies outside -6.0 .. 6.0 m.
  static int CheckPointValueRange(VehicleEditor& editor, int64_t value);

  // ---- Mesh configurations (mesh_configs.cpp) ----
  // A configuration's button: a right click asks for a new name, any other click on another
  // configuration than the current one makes it current.
  static void SelectConfig(void* owner, int click, uintptr_t index);
  static void SetConfigName(VehicleEditor& editor, const char* text, int index);
  // Word 0 asks to delete the current configuration, 1 asks for a new one's name, 2 (the
  // answer yes) deletes it.
  static void ConfigAction(void* owner, int click, uintptr_t word);
  // A new configuration after the last, a copy of the current one named by the text; current.
  static void AddConfig(VehicleEditor& editor, const char* text);
  // Flips layer `word` of the current configuration's mask.
  static void SwitchLayer(void* owner, int click, uintptr_t word);

  // ---- Skins and texture export (skins.cpp) ----
  // Word 0 chooses a skin file, other words remove skins (asking first).
  static void SkinAction(void* owner, int click, uintptr_t word);
  // A chosen "<prefix>_<skin>" file name: the skin of the current colour record.
  static void SetSkinName(VehicleEditor& editor, const char* name);
  // 0 removes the selected colour record's skin, 1 every skin.
  static void RemoveSkinChoice(VehicleEditor& editor, int choice);
  // A colour record's skin, or every one for an index outside the records.
  static void RemoveSkins(VehicleEditor& editor, int index);
  // Word 0 PNG, 1 DDS: asks; 2 and 3 (the answer yes) export the model's and the spoke's
  // textures.
  static void ExportTextures(void* owner, int click, uintptr_t word);

  // ---- Default set-ups and colour configurations (default_setups.cpp) ----
  // Word 0 save the working set-up to a file, 1 load it, 2 duplicate, 3 ask to delete, 4 delete.
  static void SetupAction(void* owner, int click, uintptr_t word);
  // A set-up's button: a right click (click bit 2) first asks for a new name.
  static void SelectSetup(void* owner, int click, uintptr_t index);
  static void RenameSetup(VehicleEditor& editor, const char* text);
  static void ApplySetup(VehicleEditor& editor, int index);
  // As SetupAction for the colour configurations.
  static void ColourConfigAction(void* owner, int click, uintptr_t word);
  static void SelectColourConfig(void* owner, int click, uintptr_t index);
  static void ApplyColourConfig(VehicleEditor& editor, int index);

  // ---- File operations (file_actions.cpp) ----
  // Frames "data\frame\%s.frm" and colour sets "data\colours\%s.all".  Each is read whole
  // into temporaries; only a complete, valid read records its edit and changes the vehicle.
  static int LoadFrameFile(VehicleEditor& editor, const char* name);
  static int AddFrameFile(VehicleEditor& editor, const char* name);
  static int SaveFrameFile(VehicleEditor& editor, const char* name);
  static int LoadAllColours(VehicleEditor& editor, const char* name);
  static int SaveAllColours(VehicleEditor& editor, const char* name);
  // The vehicle and its model; the vehicle alone (storeModel 1: the model inside); the model
  // alone.  1 when saved; a failure leaves the old files, the name and the saved mark.
  static int SaveVehicleAndVob(VehicleEditor& editor, const char* name);
  static int SaveVehicleOnly(VehicleEditor& editor, const char* name, int storeModel);
  static int SaveVobOnly(VehicleEditor& editor, const char* name);
  // 1 when "data\veh\<name>.vob" exists and fewer than half its points are in the car's model.
  static int IsVeryDifferentVob(VehicleEditor& editor, const char* name);
  // The prompts of the vehicle pages (the button's word passed on).
  static void AskWheelFileLoad(void* owner, int click, uintptr_t word);
  static void AskWheelFileSave(void* owner, int click, uintptr_t word);
  static void AskSteeringAnimation(void* owner, int click, uintptr_t word);
  static void AskSkinId(void* owner, int click, uintptr_t word);
  static void AskTestExportFolder(void* owner, int click, uintptr_t word);
  // What the prompts do with a confirmed text.
  static int LoadWheelFile(VehicleEditor& editor, const char* name);
  static int SaveWheelFile(VehicleEditor& editor, const char* name);
  static int SetSteeringAnimation(VehicleEditor& editor, const char* text);
  static int SetSkinId(VehicleEditor& editor, const char* text);
  static int SetTestExportFolder(VehicleEditor& editor, const char* text);

  // ---- Tab pages (tab_pages.cpp, vehicle_pages.cpp) ----
  // Each drawn frame while nothing covers the editor: the status line, the rows common to
  // every page, the tab buttons, the open page and the centre marks.
  static void BuildPanels(VehicleEditor& editor);
  // A tab opens its page, or closes it when it is the open one.
  static void SelectTab(void* owner, int click, uintptr_t tab);
  // The centre marks: word 0 the mesh centre, 1 the centre of mass without the wheels, 2 the
  // centre of mass; the name shows as a message line.
  static void ShowMarkName(void* owner, int click, uintptr_t mode);
  static void BuildClassPage(VehicleEditor& editor);
  static void BuildTransmissionPage(VehicleEditor& editor);
  static void BuildSuspensionPage(VehicleEditor& editor);
  // Pages 4 to 6 (option_pages.cpp), 7 and 8 (mass_pages.cpp), 9 to 11 (model_pages.cpp).
  static void BuildAllowPage(VehicleEditor& editor);
  static void BuildLightColoursPage(VehicleEditor& editor);
  static void BuildSteeringPage(VehicleEditor& editor);
  static void BuildObjectPositionsPage(VehicleEditor& editor);
  static void BuildMassPage(VehicleEditor& editor);
  // The total, the weight distribution (left out without a wheelbase) and the centre of
  // gravity, at the row cursor: the end of pages 7 and 8.
  static void AddMassSummary(VehicleEditor& editor);
  static void BuildAerodynamicsPage(VehicleEditor& editor);
  static void BuildConfigurationsPage(VehicleEditor& editor);
  static void BuildTexturesPage(VehicleEditor& editor);
  // The panel at the right edge (side_panel.cpp), after the tab pages each drawn frame:
  // nothing without a car.
  static void BuildSidePanel(VehicleEditor& editor);
  // The vehicle information panel in its rectangle left of the side panel, with the editor's
  // callbacks; the layout transform is reset afterwards.
  static void DrawInfoPanel(VehicleEditor& editor);

  // ---- Settings actions and conversions (settings_actions.cpp) ----
  // Words: 0 drive type, 1 engine page, 2 point type, 4 and 5 the rear and front suspension,
  // 6 transmission, 7 clocks, 8 dashboard editor, 9 texture check, 10 engine sound name,
  // 11 and 12 the custom tyre type and tyre pressure ranges.
  static void ChooseAction(void* owner, int click, uintptr_t word);
  static void SetDriveType(void* owner, int click, uintptr_t drive);
  static void SetTransmission(void* owner, int click, uintptr_t type);
  static void ConvertMotor(VehicleEditor& editor, int type, int drive);
  static void SelectClass(void* owner, int click, uintptr_t vehicleClass);
  static void ConvertSuspension(VehicleEditor& editor, int axle, int type);
  static void ConvertToLinear(VehicleEditor& editor, int axle);
  static void SetPointType(void* owner, int click, uintptr_t type);
  static void StepGearCount(void* owner, int click, uintptr_t word);
  static void SetClocks(void* owner, int click, uintptr_t clocks);
  static void ScaleFrameMass(void* owner, int click, uintptr_t word);
  static void StepTyreTypeLimit(void* owner, int click, uintptr_t word);
  // Word 0 asks for the lowest tyre pressure, 1 for the highest.
  static void EnterPressureLimit(void* owner, int click, uintptr_t word);
  // The typed pressure (kPa) for limit `word`; 1 when stored.
  static int SetTyrePressure(VehicleEditor& editor, const char* text, int word);
  static void RemoveUnusedLayers(void* owner, int click, uintptr_t mask);
  // The engine sound file name: checked, stored, and the sound loaded when the file exists.
  static int SetEngineSoundName(VehicleEditor& editor, const char* name);

  // ---- Axle actions (axle_actions.cpp) ----
  // After an edit of an axle's position or geometry: each wheel set not staggered takes its
  // axle position, the configurations take the wheel sizes, the car is set up.
  static void AxlePositionChanged(void* owner, int click, uintptr_t word);
  // Word bit 2 the front set, else the rear; low bits 0 left forward, 1 aligned, 2 right forward.
  static void SetAlignment(void* owner, int click, uintptr_t word);
  // A single wheel: word bit 2 the front set; low bits 0 offset left, 1 central, 2 offset right.
  static void SetWheelOffset(void* owner, int click, uintptr_t word);
  // ---- Wheel sets, tyres, rims and brake discs (wheel_panels.cpp) ----
  // Page 2, "Wheel Object": the wheel options, the front set, "REAR identical" and, unless it
  // is on, the rear set.  Each panel adds its rows at the row cursor's row.
  static void BuildWheelObjectPage(VehicleEditor& editor);
  static void AddWheelSetPanel(VehicleEditor& editor, int set);  // set 1 front, 0 rear
  // The sizes, their figures and the status of a set; the front set's rim, spoke and file rows.
  static void AddTyreRows(VehicleEditor& editor, int set);
  static void AddFrontWheelRows(VehicleEditor& editor);
  static void AddRimShapePanel(VehicleEditor& editor);
  // While the rim editor runs over the editor: the rim shape controls in the rows at the foot
  // of the screen that the rim editor leaves free.
  static void AddRimShapeRows(VehicleEditor& editor);
  static void AddBrakeDiscPanel(VehicleEditor& editor, int set);
  // Words 0/1 section width, 2/3 aspect ratio, 4/5 rim radius, 6/7 rim width (even down, odd
  // up; the right button takes the coarse step).
  static void StepTyreSize(VehicleEditor& editor, int click, int set, int word);
  static void StepFrontTyreSize(void* owner, int click, uintptr_t word);
  static void StepRearTyreSize(void* owner, int click, uintptr_t word);
  static void StepRimInnerDepth(void* owner, int click, uintptr_t word);  // 0 down, 1 up
  // After a change of the rim's shape: the lip needs a 4 mm edge, the rear set takes the
  // front set's rim shape, the car is set up again and its wheels made again next frame.
  static void RimShapeChanged(void* owner, int click, uintptr_t word);
  static void SetDiscType(void* owner, int click, uintptr_t word);  // 0 solid, 1 drilled
  static void StepSpokeCount(void* owner, int click, uintptr_t word);  // 0 down, 1 up
  // "edit rim": the rim editor over the editor on the car's rim; the editor's bottom rows
  // show the rim shape controls while it runs (PANEL_RIM_SHAPE).
  static void EditRim(void* owner, int click, uintptr_t word);
  // "edit spoke": the object editor on the spoke object, drawn in place on the set's wheel.
  static void EditSpoke(void* owner, int click, uintptr_t set);

  // ---- Wheel, seat and set-up actions (setup_actions.cpp) ----
  // "REAR identical", "Spare wheel", "Visible": no visible spare without a spare, the car set
  // up again, its wheels made again next frame.
  static void WheelOptionChanged(void* owner, int click, uintptr_t word);
  // "use" of an unused aerodynamic item (word): lift -0.6, drag 0.2.
  static void UseAero(void* owner, int click, uintptr_t item);
  static void ToggleViewOption(void* owner, int click, uintptr_t light);
  static void FreeFastMeshes(void* owner, int click, uintptr_t word);
  // The information panel's callbacks, in the order it is handed them (the skins callback
  // is the skins page's).
  static void InfoSetupChanged(void* owner, int click, uintptr_t word);
  static void InfoColourChanged(void* owner, int click, uintptr_t word);
  static void InfoSkinColourChanged(void* owner, int click, uintptr_t word);
  static void StepTyreType(void* owner, int click, uintptr_t word);
  static void StepDifferential(void* owner, int click, uintptr_t word);
  static void StepConfiguration(void* owner, int click, uintptr_t word);
  static void SetPassengers(void* owner, int click, uintptr_t word);
  static void SetSetupSwitch(void* owner, int click, uintptr_t word);
  static void InfoStrategyChanged(void* owner, int click, uintptr_t word);
  // The car's current set-up copied into the chosen default set-up (none outside the list).
  static void StoreSetup(VehicleEditor& editor);

  // The object editor's view of the vehicle editor (below).
  static void DrawScene();
  static void DrawOverlay();
};
extern VehicleEditor* CurrentVehicleEditor;  // the open editor, or null
// The global special-draw setting: 0 off, 1 on (the masses and the frame instead of the model).
extern uint8_t SpecialDraw;
// 32768 minus the steering value times 32768 over the full lock in radians, rounded, in
// 0..65535; a lock of 0 or no number gives 32768.
int SteeringWordOf(float steeringValue, float fullLockDegrees);
// The text of the last data-file error (LastDataFileError).
const char* LoadErrorText();

// Seams for the colour marks and the race: null until they are installed.
// The colour marks of the car's model scanned again (after a configuration change).
extern void (*ScanColourMarks)(Car& car);
// 1 when the car's model has a hub object flagged 4 (its wheel colours paint the body too).
extern int (*ModelHasFlaggedType12Part)(const Car& car);
// The local player's record takes the program's pit strategy.
extern void (*GiveLocalPlayerStrategy)();

// The side the driver sits on, as the program keeps it: 1 left of the centre line.
extern uint8_t DriveSideLeft;
// The editor's text panel: a text shown over the editor until its control closes it.
struct EditorTextPanel {
  uint8_t shown;
  char text[EDITOR_TEXT_PANEL_SIZE - 1];
};
extern EditorTextPanel EditorText;
void ShowEditorText(const char* text);


// ---- [Object editor's view] ----
// The object editor reaches these through the hooks of modeller/editor/vehicle_editor_link.h, which
// InstallVehicleEditorHooks points here (once, at start-up).
// The animation editor's screen, its overlay and its check are animation/anim_screen.h's.
int CarBeingEdited();                      // 1 while a car is edited
// The spoke count of the car whose spoke the modeller edits (0 when it edits none), and the
// modeller's change of it (the wheels are made again).
int EditedCarSpokeCount();
void SetEditedCarSpokeCount(int count);
int EditedCarEyeTransform(FixedTransform* out);  // 0 without a car
void InstallVehicleEditorHooks();
