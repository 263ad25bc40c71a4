// modeller_gpu_test.cpp - the modeller as a user meets it (editor_window_harness.h), with the
// sample car body open in the object editor: its modes and keys, leaving it, the status line,
// selection by mouse records, and the pictures of the selection.
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <string>
#include <vector>

#include "editor_window_harness.h"
#include "modeller/state/modeller_operations.h"
#include "modeller/state/modeller_selection.h"
#include "modeller/state/modeller_state.h"
#include "modeller/state/modeller_undo.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "ui/value_edit.h"

namespace {

// The sample car's points used here (its right half; mirrored points stand at -x too).
constexpr int POINT_H0 = 12, POINT_H1 = 13;     // (0.45, -2, 0.5) and (0.45, -2, 0.7)
constexpr int POINT_B0M = 3;                      // (0.9, -2, 0.5), in front of (0.9, 2, 0.5)
constexpr int GRILLE_UPPER = 6, GRILLE_LOWER = 7;  // the grille's two triangles at y = 2
constexpr int DOOR_MIRROR = 4;                    // the attachment at (0.95, 0.55, 0.85)

bool IsGreen(const uint8_t* p) { return p[1] > 150 && p[0] < 130 && p[2] < 130; }
bool IsOrange(const uint8_t* p) { return p[0] > 180 && p[1] < 140 && p[2] < 90; }
bool IsMarkerGrey(const uint8_t* p) { return p[0] > 80 && std::abs(p[0] - p[1]) < 12 && std::abs(p[1] - p[2]) < 12; }

class ModellerWindow : public ObjectEditorWindow {
 protected:
  ModelObject car{};
  ModellerScreen* modeller = nullptr;

  void TearDown() override {
    ObjectEditorWindow::TearDown();
    car.Free();
  }

  // The sample car opened as the entry menu opens a model: the modeller at once, asking before
  // a changed model is left.
  void OpenCar() {
    ObjectEditor* e = OpenModelInModeller(car, "data\\3dob\\sample_car.qxe");
    modeller = ModellerOf(e->prss.sub);
    ASSERT_NE(modeller, nullptr);
    Frame();
  }
  // The front view 4 m across (256 pixels a metre) looking at (0, 0, 0.5).
  static void FrontView() {
    Key('F');
    FrameEditView(2 << 16, 1 << 15);
    Frame();
  }
  static int PixelX(double x) { return int(std::lround(512 - 256 * x)); }
  static int PixelY(double z) { return int(std::lround(384 - 256 * (z - 0.5))); }

  static void Hold(int key) {
    HandleKeyDown(key, 0);
  }
  static void Release(int key) { HandleKeyUp(key); }
  static void KeyWith(int modifier, int key) {
    Hold(modifier);
    HandleKeyDown(key, 0);
    HandleKeyUp(key);
    Release(modifier);
    Frame();
  }
  // A press of the left button (the interface adds Ctrl and Shift to the click code).
  static void Press(int x, int y) {
    MouseRecord m{};
    m.clickCode = CLICK_LEFT | (CtrlHeld ? CLICK_CTRL : 0) | (ShiftHeld ? CLICK_SHIFT : 0);
    m.leftHeld = 1;
    Mouse(m, x, y);
  }
  static void RightPress(int x, int y, bool leftHeld = false) {
    MouseRecord m{};
    m.clickCode = CLICK_RIGHT | (CtrlHeld ? CLICK_CTRL : 0) | (ShiftHeld ? CLICK_SHIFT : 0);
    m.rightHeld = 1;
    m.leftHeld = leftHeld;
    Mouse(m, x, y);
  }
  static void Move(int x, int y, bool left, bool right) {
    MouseRecord m{};
    m.dx = x - MouseX, m.dy = y - MouseY;
    m.leftHeld = left, m.rightHeld = right;
    Mouse(m, x, y);
  }
  static void ReleaseAll(int x, int y) {
    MouseRecord m{};
    m.releaseCode = 1;
    Mouse(m, x, y);
  }
  // The pointer rests over (x, y) for a frame, so that the editor picks what lies under it.
  static void PointAt(int x, int y) {
    Move(x, y, false, false);
    Frame();
  }
  bool Selected(int t) const { return (car.triangles[t].flags & TRIANGLE_SELECTED) != 0; }
  int SelectedTriangles() const {
    int n = 0;
    for (int t = 0; t < car.triangleCount; ++t) n += Selected(t);
    return n;
  }
  // A lit button with the label (the mode bar's "view" shares its label with the mapping
  // chain's view buttons).
  static const InterfaceButton* Lit(const char* label) {
    char shown[128];
    for (int i = 0; i < ButtonCount; ++i)
      if (InterfaceButtons[i].fourth.i && ButtonText(InterfaceButtons[i], shown, sizeof shown) &&
          std::strcmp(shown, label) == 0)
        return &InterfaceButtons[i];
    return nullptr;
  }
};

}  // namespace

TEST_F(ModellerWindow, KeysChangeModesActAndLeaveWithTheQuestionsTheModelAsks) {
  OpenCar();
  for (const char* label : {"subob", "tri", "point", "build", "map", "cutout", "page", "view", "no changes"})
    EXPECT_NE(FindButton(label), nullptr) << label;
  EXPECT_NE(Lit("subob"), nullptr);
  const struct {
    int key;
    const char* label;
    bool subScreen;
  } modes[] = {{'T', "tri", false},   {'P', "point", false}, {'B', "build", false}, {'M', "map", true},
               {'C', "cutout", true}, {'G', "page", true},   {'V', "view", false},  {'S', "subob", false}};
  for (const auto& m : modes) {
    Key(m.key, true);
    EXPECT_NE(Lit(m.label), nullptr) << "the mode bar lights " << m.label;
    EXPECT_EQ(modeller->prss.sub != nullptr, m.subScreen) << m.label;
    EXPECT_EQ(CurrentProcess, m.subScreen ? modeller->prss.sub : &modeller->prss);
  }
  // A mode button does the same.
  Click("tri");
  EXPECT_EQ(modeller->state.mode, ModeTriangle);

  // C: everything deselected; in subobject mode, the main object edited again.
  Key('A');
  EXPECT_GT(SelectedTriangles(), 20);
  Key('C');
  EXPECT_EQ(SelectedTriangles(), 0);
  Key('S', true);
  SelectSubobject(*modeller, 0, &car.children[DOOR_MIRROR]);
  Key('C');
  EXPECT_EQ(EditedObject, &car);
  // Shift+F hides the panels (the editor's too), Space shows them again.
  Key('F', true);
  EXPECT_EQ(FindButton("subob"), nullptr);
  EXPECT_EQ(FindButton("gouraud"), nullptr);
  Key(' ');
  EXPECT_NE(FindButton("subob"), nullptr);
  EXPECT_NE(FindButton("gouraud"), nullptr);

  // With a change, Escape asks; "no" stays.
  AddUndoPoint("test edit", 0, 0, 0);
  Frame();
  EXPECT_NE(FindButton("undo"), nullptr);
  Key(KEY_ESCAPE);
  EXPECT_STREQ(MessageBoxDialog.first, "Exit editor?");
  EXPECT_STREQ(MessageBoxDialog.second, "Unsaved changes will be lost");
  Key('N');
  EXPECT_NE(ActiveModeller, nullptr);
  // The program's exit asks too; "yes" closes the modeller, tidies and checks the model, and
  // the program ends.
  Key('T', true);
  car.triangles[GRILLE_UPPER].flags |= TRIANGLE_SELECTED;
  RequestExit(0, "window closed");
  Frame();
  EXPECT_EQ(ExitRequested, 0) << "withdrawn while it asks";
  EXPECT_STREQ(MessageBoxDialog.first, "Exit ZKT?");
  Key('Y');
  for (int i = 0; i < 6 && AppTopProcess(); ++i) Frame();
  EXPECT_EQ(ActiveModeller, nullptr);
  EXPECT_EQ(AppTopProcess(), nullptr) << "the program's exit went on";
  EXPECT_FALSE(Selected(GRILLE_UPPER)) << "the check clears the selection of a changed model";
  AppShutdown();
}

TEST_F(ModellerWindow, AModelNeverChangedClosesWithoutTidying) {
  OpenCar();
  Key('T', true);
  Key('A');
  const int selected = SelectedTriangles();
  ASSERT_GT(selected, 0);
  Key(KEY_ESCAPE);
  Frame(2);
  EXPECT_EQ(ActiveModeller, nullptr);
  EXPECT_EQ(ActiveObjectEditor, nullptr);
  EXPECT_TRUE(EntryPageIsIdle());
  EXPECT_EQ(SelectedTriangles(), selected) << "no tidy and no check";
}

TEST_F(ModellerWindow, UndoByKeysButtonsAndTheListAndTheStatusLineInItsTwoColours) {
  OpenCar();
  FrontView();
  const int32_t z0 = car.points[POINT_H1].z;
  for (int i = 1; i <= 3; ++i) {
    AddUndoPoint(i == 1 ? "first" : i == 2 ? "second" : "third", 0, 0, 0);
    car.points[POINT_H1].z = z0 + i * (1 << 14);
  }
  Frame();
  EXPECT_EQ(modeller->statusKind, STATUS_EDIT);
  EXPECT_EQ(PointButtonTopLimit, 61) << "8 % of the screen's height while the status line shows";
  const Picture confirmed = Shot("modeller_status_edit");
  int green = 0;
  for (int y = 28; y < 64; ++y)
    for (int x = 400; x < 624; ++x) green += IsGreen(confirmed.At(x, y));
  EXPECT_GT(green, 20) << "the confirmation's colour";
  KeyWith(KEY_CTRL, 'Z');
  EXPECT_EQ(car.points[POINT_H1].z, z0 + 2 * (1 << 14));
  EXPECT_STREQ(modeller->statusText, "undo third");
  const Picture notice = Shot("modeller_status_notice");
  int orange = 0;
  for (int y = 28; y < 64; ++y)
    for (int x = 400; x < 624; ++x) orange += IsOrange(notice.At(x, y));
  EXPECT_GT(orange, 20) << "the notice's colour";
  // It stays for 3000 ms of the program's clock (a frame counts at most 2000 ms).
  ClockAdvanceFake(1800);
  Frame();
  EXPECT_GT(modeller->statusTimeMs, 0u);
  EXPECT_LT(modeller->statusTimeMs, 1200u);
  ClockAdvanceFake(1300);
  Frame();
  EXPECT_EQ(modeller->statusTimeMs, 0u);
  Frame();
  const Picture gone = Shot("modeller_status_gone");
  int lit = 0;
  for (int y = 28; y < 64; ++y)
    for (int x = 400; x < 624; ++x) lit += IsGreen(gone.At(x, y)) || IsOrange(gone.At(x, y));
  EXPECT_EQ(lit, 0);
  EXPECT_EQ(PointButtonTopLimit, 0);

  KeyWith(KEY_CTRL, 'Y');
  EXPECT_EQ(car.points[POINT_H1].z, z0 + 3 * (1 << 14));
  Click("undo");
  Click("undo");
  EXPECT_EQ(car.points[POINT_H1].z, z0 + (1 << 14));
  EXPECT_EQ(ModellerUndo.depth, 2);
  Click("redo");
  EXPECT_EQ(ModellerUndo.depth, 1);
  // The list: "start" and the three edits; the last one jumps to the newest.
  Click("2", "View the edit history to select an edit point");
  ASSERT_EQ(CurrentProcess, &SelectDialog.prss);
  EXPECT_EQ(SelectDialog.count, 4);
  EXPECT_EQ(SelectDialog.current, 2);
  SelectItemClick(&SelectDialog.prss, CLICK_LEFT, 3);
  Frame();
  EXPECT_EQ(ModellerUndo.depth, 0);
  EXPECT_EQ(car.points[POINT_H1].z, z0 + 3 * (1 << 14));
  car.points[POINT_H1].z = z0;
}

TEST_F(ModellerWindow, MouseRecordsPickSubobjectsAndSelectTrianglesAndPoints) {
  OpenCar();
  FrontView();
  const int mirrorX = PixelX(1.03), mirrorY = PixelY(0.85);
  const int upperX = PixelX(0.2), upperY = PixelY(0.45);
  const int lowerX = PixelX(0.7), lowerY = PixelY(0.25);
  Key('F', true);  // the panels (the layer panel among them) off the model's clicks

  // Subobject mode: a plain click goes to the view, Ctrl with a click edits the door mirror.
  PointAt(mirrorX, mirrorY);
  ASSERT_EQ(ObjectEditorShared.pick.state, 2);
  EXPECT_EQ(ObjectEditorShared.pick.object, DOOR_MIRROR);
  Press(mirrorX, mirrorY);
  ReleaseAll(mirrorX, mirrorY);
  EXPECT_EQ(EditedObject, &car);
  Hold(KEY_CTRL);
  Press(mirrorX, mirrorY);
  ReleaseAll(mirrorX, mirrorY);
  Release(KEY_CTRL);
  Frame();
  EXPECT_EQ(EditedObject, &car.children[DOOR_MIRROR]);
  EXPECT_STREQ(modeller->statusText, "selected subobject (attachment)");
  Key('C');

  // Triangle mode: a plain click goes to the view; a Ctrl-click selects and copies the
  // triangle's attributes; a Ctrl drag takes the triangles passed over.
  Key('T', true);
  PointAt(upperX, upperY);
  ASSERT_EQ(ObjectEditorShared.pick.object, -1);
  ASSERT_EQ(ObjectEditorShared.pick.triangle, GRILLE_UPPER);
  Press(upperX, upperY);
  ReleaseAll(upperX, upperY);
  EXPECT_EQ(SelectedTriangles(), 0);
  Hold(KEY_CTRL);
  Press(upperX, upperY);
  Frame();
  EXPECT_TRUE(Selected(GRILLE_UPPER));
  EXPECT_EQ(modeller->state.currentLayer, 3u) << "the grille's layer";
  EXPECT_EQ(modeller->state.currentMapping, 3);
  Move(lowerX, lowerY, true, false);
  Frame();  // the pick follows the pointer
  Move(lowerX, lowerY + 2, true, false);
  ReleaseAll(lowerX, lowerY + 2);
  Release(KEY_CTRL);
  Frame();
  EXPECT_TRUE(Selected(GRILLE_LOWER)) << "taken by the Ctrl drag";
  EXPECT_EQ(SelectedTriangles(), 2);
  EXPECT_EQ(modeller->state.selectedTriangleCount, 2);
  // A Ctrl-click on a selected triangle deselects it; the door mirror's only gives its message.
  PointAt(upperX, upperY);
  Hold(KEY_CTRL);
  Press(upperX, upperY);
  ReleaseAll(upperX, upperY);
  EXPECT_FALSE(Selected(GRILLE_UPPER));
  PointAt(mirrorX, mirrorY);
  Press(mirrorX, mirrorY);
  ReleaseAll(mirrorX, mirrorY);
  Release(KEY_CTRL);
  Frame();
  EXPECT_STREQ(modeller->statusText, "triangle belongs to a subobject (attachment)");
  EXPECT_EQ(SelectedTriangles(), 1);

  // The front view's drag box replaces the selection with the triangles in it.
  RightPress(upperX - 30, upperY - 10);
  Move(lowerX + 20, lowerY + 10, false, true);
  ReleaseAll(lowerX + 20, lowerY + 10);
  Frame();
  EXPECT_TRUE(Selected(GRILLE_UPPER));
  EXPECT_TRUE(Selected(GRILLE_LOWER));
  for (int t = 0; t < car.triangleCount; ++t)
    if (Selected(t)) {
      const ModelTriangle& tri = car.triangles[t];
      const ModelPoint& a = car.points[tri.corners[0] & CORNER_INDEX_MASK];
      EXPECT_EQ(a.y, 2 << 16) << "only the front's triangles face the view: " << t;
    }

  // Point markers: a click selects a point alone, Ctrl adds one.
  Key(' ');  // the panels back: the markers are among them
  Key('P', true);
  const int h0x = PixelX(0.45), h0y = PixelY(0.5), h1y = PixelY(0.7);
  ClickAt(h0x, h0y);
  EXPECT_EQ(modeller->state.selectedPointCount, 1);
  EXPECT_EQ(modeller->state.currentPoint, POINT_H0);
  Hold(KEY_CTRL);
  for (const int y : {PixelY(0.5), h1y}) {
    Press(y == h1y ? h0x : PixelX(0.9), y);  // the back's (0.9, -2, 0.5), then h1
    ReleaseAll(y == h1y ? h0x : PixelX(0.9), y);
    Frame();
  }
  EXPECT_EQ(modeller->state.selectedPointCount, 3);
  EXPECT_EQ(modeller->state.currentPoint, POINT_H1);
  ASSERT_NE(car.points[POINT_B0M].flags & POINT_SELECTED, 0);

  // With Ctrl held in a 2D view the drag buttons stand by the green point.  A rotation, then a
  // right press: the points are back by one undo.
  const ModelPoint h0 = car.points[POINT_H0], b0m = car.points[POINT_B0M];
  const InterfaceButton* rotate = FindButton("R", "Drag to rotate the selected points");
  ASSERT_NE(rotate, nullptr);
  const int rx = (rotate->left + rotate->right) / 2, ry = (rotate->top + rotate->bottom) / 2;
  Press(rx, ry);
  EXPECT_EQ(modeller->transform.kind, TRANSFORM_ROTATE);
  Move(rx + 40, ry - 60, true, false);
  Frame();
  EXPECT_NE(car.points[POINT_H0].z, h0.z) << "turned";
  RightPress(rx + 40, ry - 60, true);
  ReleaseAll(rx + 40, ry - 60);
  Frame();
  EXPECT_EQ(modeller->transform.kind, TRANSFORM_NONE);
  EXPECT_EQ(car.points[POINT_H0].x, h0.x);
  EXPECT_EQ(car.points[POINT_H0].z, h0.z);
  EXPECT_EQ(car.points[POINT_B0M].z, b0m.z);
  EXPECT_EQ(ModellerUndo.depth, 1);

  // The horizontal scale: the green point and every height and depth stay.
  const InterfaceButton* across = FindButton("\x8B", "Drag to scale the selected points horizontally");
  ASSERT_NE(across, nullptr);
  const int ax = (across->left + across->right) / 2, ay = (across->top + across->bottom) / 2;
  const ModelPoint green = car.points[POINT_H1];
  Press(ax, ay);
  Move(ax + 30, ay + 30, true, false);
  ReleaseAll(ax + 30, ay + 30);
  Release(KEY_CTRL);
  Frame();
  EXPECT_EQ(car.points[POINT_H1].x, green.x);
  EXPECT_EQ(car.points[POINT_H1].y, green.y);
  EXPECT_EQ(car.points[POINT_H1].z, green.z);
  EXPECT_NE(car.points[POINT_B0M].x, b0m.x) << "moved across";
  for (const auto& [point, was] : {std::pair{POINT_B0M, b0m}, std::pair{POINT_H0, h0}}) {
    EXPECT_EQ(car.points[point].y, was.y) << point;
    EXPECT_EQ(car.points[point].z, was.z) << point;
  }
  EXPECT_EQ(car.points[POINT_H0].x, h0.x) << "no distance across from the green point";
  KeyWith(KEY_CTRL, 'Z');
  EXPECT_EQ(car.points[POINT_B0M].x, b0m.x);
}

TEST_F(ModellerWindow, ThePerspectiveRectangleSelectsWithCtrlAndDeselectsWithShift) {
  OpenCar();
  Key('T', true);
  Key('O');
  auto drag = [this](int key, int x0, int y0, int x1, int y1) {
    Hold(key);
    Frame();
    RightPress(x0, y0);
    Move(x1, y1, false, true);
    Frame();  // drawn while it is dragged
    ReleaseAll(x1, y1);
    Frame();  // the next pass over the triangles applies it
    Release(key);
    Frame();
  };
  drag(KEY_CTRL, 450, 330, 640, 470);  // clear of the panels at the top left
  const int selected = SelectedTriangles();
  EXPECT_GT(selected, 4);
  EXPECT_EQ(modeller->state.selectedTriangleCount, selected);
  drag(KEY_CTRL, 700, 600, 703, 603);
  EXPECT_EQ(SelectedTriangles(), selected) << "too small: nothing";
  drag(KEY_SHIFT, 450, 330, 640, 470);
  EXPECT_EQ(SelectedTriangles(), 0);
  EXPECT_EQ(modeller->state.selectedTriangleCount, 0);
}

TEST_F(ModellerWindow, PicturesShowTheSelectedTrianglesFillsAndThePointMarkers) {
  OpenCar();
  FrontView();
  Key('T', true);
  // A pixel of the grille's upper triangle away from its edges, and one of the headlights.
  const int gx = PixelX(0.15), gy = PixelY(0.42), hx = PixelX(0.3), hy = PixelY(0.6);
  PointAt(900, 700);  // off the car: no outline under the pointer
  const Picture plain = Shot("modeller_grille_plain");
  PointAt(gx, gy);
  Hold(KEY_CTRL);
  Press(gx, gy);
  ReleaseAll(gx, gy);
  Release(KEY_CTRL);
  PointAt(900, 700);  // off the car: no outline under the pointer
  ASSERT_TRUE(Selected(GRILLE_UPPER));
  const Picture filled = Shot("modeller_grille_selected");
  const uint8_t* a = plain.At(gx, gy);
  const uint8_t* b = filled.At(gx, gy);
  EXPECT_GE(b[0], a[0] + 10) << "a red tint over the selected triangle";
  EXPECT_LE(b[1], a[1]);
  EXPECT_LE(b[2], a[2]);
  const uint8_t* c = plain.At(hx, hy);
  const uint8_t* d = filled.At(hx, hy);
  EXPECT_EQ(int(c[0]), int(d[0])) << "the headlights are not selected";
  // The mirrored copy is filled too, more faintly.
  const uint8_t* ma = plain.At(1024 - gx, gy);
  const uint8_t* mb = filled.At(1024 - gx, gy);
  EXPECT_GT(mb[0], ma[0]) << "the mirrored copy's fill";
  EXPECT_LT(mb[0] - ma[0], b[0] - a[0]);

  // Point mode, seen from the back (x to the right, clear of the point panel on the left):
  // h0 selected (red), h1 the green point, the others grey.
  Key('P', true);
  Key('B');
  FrameEditView(2 << 16, 1 << 15);
  Frame();
  auto backX = [](double x) { return int(std::lround(512 + 256 * x)); };
  SelectPoint(*modeller, POINT_H0);
  SelectPoint(*modeller, POINT_H1);
  PointAt(900, 700);
  const Picture markers = Shot("modeller_point_markers");
  EXPECT_TRUE(markers.Near(backX(0.45), PixelY(0.5), IsRed)) << "the selected point";
  EXPECT_TRUE(markers.Near(backX(0.45), PixelY(0.7), IsGreen)) << "the green point";
  EXPECT_TRUE(markers.Near(backX(0.9), PixelY(0.2), IsMarkerGrey)) << "a point not selected";
  EXPECT_TRUE(markers.Near(backX(-0.45), PixelY(0.5), IsMarkerGrey)) << "the mirrored copy's marker";
}

TEST_F(ModellerWindow, TheExtrusionPageIsDrawnUnderItsTitleAndAnsweredWithClicks) {
  OpenCar();
  FrontView();
  Key('P', true);
  SelectPoint(*modeller, POINT_H0);
  SelectPoint(*modeller, POINT_H1);
  Frame();
  const int points = car.pointCount, triangles = car.triangleCount;
  Click("extrude", "Create an extrusion based on the traced selection (E)");
  ASSERT_EQ(CurrentProcess, &MessageBoxDialog.prss) << "the page is open";
  EXPECT_STREQ(MessageBoxDialog.first, "Extrude options");
  // The page's choices stand in the box under its title, the chosen ones lit.
  const InterfaceButton* outside = FindButton("outside");
  ASSERT_NE(outside, nullptr);
  EXPECT_EQ(outside->fourth.i, 1);
  EXPECT_GT(outside->top, HEIGHT / 4);
  Click("closed (orange + red)");
  EXPECT_EQ(FindButton("closed (orange + red)")->fourth.i, 1);
  Shot("modeller_extrude_page");
  Key('Y');
  EXPECT_EQ(car.pointCount, points + 2);
  EXPECT_EQ(car.triangleCount, triangles + 4);
  EXPECT_STREQ(modeller->statusText, "extrusion");
  // The copies stand on h0 and h1: with them selected too, merged back by distance within a
  // frame.
  SelectPoint(*modeller, POINT_H0);
  SelectPoint(*modeller, POINT_H1);
  Frame();
  Click("dist");
  Frame(2);
  EXPECT_EQ(modeller->stepwiseRun, STEPWISE_NONE);
  EXPECT_EQ(car.pointCount, points);
  EXPECT_STREQ(modeller->statusText, "Merged 2 pairs / possible 0") << "the last search found none";
  KeyWith(KEY_CTRL, 'Z');
  EXPECT_EQ(car.pointCount, points + 2) << "one undo takes the whole run back";
}

namespace {

std::string SavedBytes(const ModelObject& object, const char* path) {
  if (!SaveModelFile(object, nullptr, path, 1)) return {};
  std::string bytes;
  FileReadAll(path, bytes, 1 << 24);
  return bytes;
}

bool IsHandleYellow(const uint8_t* p) { return p[0] > 170 && p[1] > 170 && p[2] + 30 < p[0]; }
bool IsHoverYellow(const uint8_t* p) { return p[0] > 200 && p[1] > 200 && p[2] < 90; }

}  // namespace

TEST_F(ModellerWindow, MoveHandlesStandAtTheirPixelsAndDragAlongTheirAxisOnly) {
  OpenCar();
  FrontView();
  Key('P', true);
  SelectPoint(*modeller, POINT_H0);
  SelectPoint(*modeller, POINT_H1);  // the green point, at (0.45, -2, 0.7)
  PointAt(900, 700);
  // In the 4 m wide front view the handles are a sixteenth of it long: 0.25 m, 64 pixels.
  const InterfaceButton* z = FindButton("z", "Drag to move along this axis");
  const InterfaceButton* x = FindButton("x", "Drag to move along this axis");
  ASSERT_NE(z, nullptr);
  ASSERT_NE(x, nullptr);
  EXPECT_EQ(FindButton("y", "Drag to move along this axis"), nullptr) << "y runs into the screen: left out";
  const int zx = (z->left + z->right) / 2, zy = (z->top + z->bottom) / 2;
  EXPECT_NEAR(zx, PixelX(0.45), 1);
  EXPECT_NEAR(zy, PixelY(0.95), 1);
  // A point's marker lies at the x handle's end, (0.7, 0.7): the label, added after the
  // markers and the rows, stands at the nearest place clear of it, a row above or below.
  EXPECT_NEAR((x->left + x->right) / 2, PixelX(0.70), 1);
  EXPECT_NEAR(std::abs((x->top + x->bottom) / 2 - PixelY(0.7)), ButtonHeight, 1);
  const Picture handles = Shot("modeller_move_handles");
  EXPECT_TRUE(handles.Near(PixelX(0.45), PixelY(0.8), IsHandleYellow)) << "the z handle's line";

  // A press on the z handle records the drag; the drag moves along z only; a right press
  // brings the model back byte for byte.
  RefreshEditedMesh(&modeller->prss);  // as every edit leaves the model (its colour choice applied)
  const std::string before = SavedBytes(car, "handles_before.qxe");
  const int32_t x0 = car.points[POINT_H1].x, y0 = car.points[POINT_H1].y, z0 = car.points[POINT_H1].z;
  Press(zx, zy);
  EXPECT_STREQ(ModellerUndo.nodes[ModellerUndo.count].name, "drag points");
  EXPECT_EQ(modeller->handle.axis, 4);
  Move(zx + 20, zy - 64, true, false);
  Frame();
  EXPECT_EQ(car.points[POINT_H1].x, x0);
  EXPECT_EQ(car.points[POINT_H1].y, y0);
  EXPECT_NEAR(car.points[POINT_H1].z - z0, 65536 / 4, 700) << "a quarter metre up";
  RightPress(zx + 20, zy - 64, true);
  ReleaseAll(zx + 20, zy - 64);
  Frame();
  EXPECT_EQ(modeller->handle.axis, -1);
  EXPECT_EQ(ModellerUndo.depth, 1);
  EXPECT_TRUE(SavedBytes(car, "handles_after.qxe") == before) << "the model as it was";

  // Triangle mode: the triangle under the pointer is outlined in yellow.
  Key('T', true);
  FrontView();
  const int gx = PixelX(0.15), gy = PixelY(0.42);
  PointAt(900, 700);
  const Picture away = Shot("modeller_no_hover");
  PointAt(gx, gy);
  const Picture hover = Shot("modeller_hover_outline");
  int before_yellow = 0, after_yellow = 0;
  for (int py = gy - 80; py < gy + 80; ++py)
    for (int px = gx - 120; px < gx + 120; ++px) {
      before_yellow += IsHoverYellow(away.At(px, py));
      after_yellow += IsHoverYellow(hover.At(px, py));
    }
  EXPECT_GT(after_yellow, before_yellow + 20) << "the outline of the triangle under the pointer";
}

// ---- Every mode's panel on screen ----

namespace {

// The modeller with the sample car open, in the window the offscreen desktop holds (its
// 1024 x 768; a larger window is fitted back to the desktop).
class ModellerPanelsWindow : public ModellerWindow {};

// Pixels of the button's rectangle that differ from the same place with the panels hidden.
int Drawn(const Picture& shown, const Picture& hidden, const InterfaceButton& b) {
  int differing = 0;
  for (int y = b.top + 1; y < b.bottom - 1; ++y)
    for (int x = b.left + 1; x < b.right - 1; ++x) {
      const uint8_t* p = shown.At(x, y);
      const uint8_t* q = hidden.At(x, y);
      differing += std::abs(p[0] - q[0]) + std::abs(p[1] - q[1]) + std::abs(p[2] - q[2]) > 30;
    }
  return differing;
}

}  // namespace

TEST_F(ModellerPanelsWindow, EachModeShowsItsBarPanelAndAttributeColumn) {
  OpenCar();
  const struct {
    int key;
    const char* mode;   // the mode bar's button
    const char* panel;  // a button of the mode's panel (or its stand-in page)
    bool column;        // the attribute column at the right edge
  } modes[] = {{'S', "subob", "delete unused attachments", false}, {'T', "tri", "reduce detail", true},
               {'P', "point", "new point", false},                  {'B', "build", "merge points 1 and 2", true},
               {'M', "map", nullptr, false},                        {'C', "cutout", nullptr, false},
               {'G', "page", nullptr, false},                       {'V', "view", nullptr, false}};
  for (const auto& m : modes) {
    Key(m.key, true);
    PointAt(WIDTH - 40, HEIGHT / 2);
    char name[48];
    std::snprintf(name, sizeof name, "modeller_panel_%s", m.mode);
    const Picture shown = Shot(name);
    ASSERT_EQ(shown.height, HEIGHT);
    // The buttons of the frame just drawn, kept before the hidden frame replaces them.
    std::vector<std::pair<std::string, InterfaceButton>> wanted;
    const InterfaceButton* bar = Lit(m.mode);
    ASSERT_NE(bar, nullptr) << m.mode;
    wanted.push_back({m.mode, *bar});
    if (m.panel) {
      const InterfaceButton* b = FindButton(m.panel);
      ASSERT_NE(b, nullptr) << m.panel;
      wanted.push_back({m.panel, *b});
    }
    const InterfaceButton* column = FindButton(car.mappings[modeller->state.currentMapping].name,
                                               "The name of the selected mapping");
    EXPECT_EQ(column != nullptr, m.column) << m.mode;
    if (column) {
      EXPECT_EQ(column->right, WIDTH) << "at the right edge";
      wanted.push_back({"attribute column", *column});
    }
    if (modeller->prss.sub) continue;  // the texture screens' stand-ins draw their own page
    Key('F', true);  // the panels hidden
    std::snprintf(name, sizeof name, "modeller_panel_%s_hidden", m.mode);
    const Picture hidden = Shot(name);
    Key(' ');
    for (const auto& [what, b] : wanted) EXPECT_GT(Drawn(shown, hidden, b), 8) << m.mode << ": " << what;
  }
}
