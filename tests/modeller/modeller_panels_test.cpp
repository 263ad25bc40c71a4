// modeller_panels_test.cpp - every mode's panel against a table of its buttons (label, word,
// handler, hint, lit) in order, the frame's rows above the panels (levels of detail, counts), the
// object panel with the mapping list and its chain, the subobject list and labels.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "modeller/files/modeller_files.h"
#include "modeller/operations/build_mode.h"
#include "modeller/operations/layers.h"
#include "modeller/operations/object_tools.h"
#include "modeller/operations/subobjects.h"
#include "modeller/operations/triangle_tools.h"
#include "modeller/operations/value_buttons.h"
#include "modeller/screen/modeller_screen.h"
#include "modeller/screen/object_panel.h"
#include "operations_fixture.h"
#include "row_layout.h"
#include "tests/ui/fixed_width_text.h"
#include "tests/ui/placement_check.h"
#include "ui/interface_draw.h"
#include "ui/screen_labels.h"
#include "ui/text_measure.h"

namespace modeller_test {
namespace {

// A row of a panel's table: the text shown (null: a number, not compared), the word, the
// handler (ANY: one of the panel's own, NONE: a label), the hint (ANY_HINT: not compared) and
// whether a plain or option button is lit.
void AnyHandler(void*, int, uintptr_t) {}
const InterfaceHandler ANY = AnyHandler;
const InterfaceHandler NONE = nullptr;
const char* const ANY_HINT = "(any hint)";
struct Row {
  const char* text;
  uintptr_t word;
  InterfaceHandler handler;
  const char* hint;
  int lit = 0;
};
using Table = std::vector<Row>;

// A value button with its label and steps: the label, the value (word + 2), "-" and "+".
void ValueRow(Table& t, const char* label, uintptr_t word, InterfaceHandler handler, const char* hint) {
  t.push_back({label, 0, NONE, hint});
  t.push_back({nullptr, word + 2, handler, hint});
  t.push_back({"-", word, handler, ANY_HINT});
  t.push_back({"+", word + 1, handler, ANY_HINT});
}
void Steps(Table& t, uintptr_t minus, uintptr_t plus, InterfaceHandler handler) {
  t.push_back({"-", minus, handler, ANY_HINT});
  t.push_back({"+", plus, handler, ANY_HINT});
}

std::string Describe(const InterfaceButton& b) {
  char text[128] = "";
  ButtonText(b, text, sizeof text);
  return std::string("\"") + text + "\" word " + std::to_string(b.word) + (b.handler ? " handled" : " label") + " \"" +
         (b.hint ? b.hint : "") + "\"";
}

// The buttons from first on against the table, each mismatch named.
void ExpectTable(int first, const Table& table, const char* what) {
  std::string all;
  for (int i = first; i < ButtonCount; ++i) all += "\n  " + Describe(InterfaceButtons[i]);
  ASSERT_GE(ButtonCount - first, int(table.size())) << what << ": too few buttons" << all;
  for (size_t k = 0; k < table.size(); ++k) {
    const InterfaceButton& b = InterfaceButtons[first + int(k)];
    const Row& r = table[k];
    char text[128] = "";
    ButtonText(b, text, sizeof text);
    const std::string at = std::string(what) + " row " + std::to_string(k) + ": " + Describe(b);
    if (r.text) {
      EXPECT_STREQ(text, r.text) << at;
    }
    EXPECT_EQ(b.word, r.word) << at;
    if (r.handler == NONE) {
      EXPECT_EQ(b.handler, nullptr) << at;
    } else if (r.handler == ANY) {
      EXPECT_NE(b.handler, nullptr) << at;
    } else {
      EXPECT_EQ(reinterpret_cast<void*>(b.handler), reinterpret_cast<void*>(r.handler)) << at;
    }
    if (b.style == BUTTON_STYLE_TEXT || b.style == BUTTON_STYLE_LABEL) {
      EXPECT_EQ(b.fourth.i != 0, r.lit != 0) << at << ": lit";
    }
    if (r.hint == ANY_HINT) continue;
    if (r.hint) {
      EXPECT_STREQ(b.hint ? b.hint : "(none)", r.hint) << at;
    } else {
      EXPECT_EQ(b.hint, nullptr) << at;
    }
  }
  EXPECT_EQ(ButtonCount - first, int(table.size())) << what << ": the panel ends with the table" << all;
}

int IndexOf(const char* text, int from = 0) {
  char shown[128];
  for (int i = from; i < ButtonCount; ++i)
    if (ButtonText(InterfaceButtons[i], shown, sizeof shown) && std::strcmp(shown, text) == 0) return i;
  return -1;
}
const InterfaceButton* ByHint(const char* hint) {
  for (int i = 0; i < ButtonCount; ++i)
    if (InterfaceButtons[i].hint && std::strcmp(InterfaceButtons[i].hint, hint) == 0) return &InterfaceButtons[i];
  return nullptr;
}
std::string TextOf(const InterfaceButton* b) {
  char text[128] = "";
  if (b) ButtonText(*b, text, sizeof text);
  return text;
}

class PanelsTest : public OperationsTest {
 protected:
  void SetUp() override {
    OperationsTest::SetUp();
    InteractiveMode = 1;
    ScreenWidth = 1280, ScreenHeight = 960;
    SetInterfaceMetrics();
  }
  // One frame, then only the mode's panel from the top left.
  template <class Panel>
  void PanelOnly(Panel panel) {
    Buttons();
    ClearInterface();
    RowCursorX = RowCursorY = 0;
    panel(*modeller);
  }
  void Mode(int mode) { SetModellerMode(*modeller, 0, mode); }
};

// ---- The tables of the panels ----

Table TrianglePanelTop(int selected, int groups) {
  static char count[32];
  std::snprintf(count, sizeof count, "%d selected", selected);
  static char groupText[32];
  std::snprintf(groupText, sizeof groupText, "groups : %d", groups);
  Table t = {
      {"clear", 8, ObjectToolsCommand, "Deselect all triangles (C)"},
      {"select all", 0, ANY, "Select all triangles (A)"},
      {"invert", 1, ANY, "Select unselected triangles and deselect selected triangles (CTRL+I)"},
      {"index", 10, TriangleToolsCommand, "Select a triangle by entering its index"},
      {count, 0, NONE, "Number of selected triangles"},
      {"hide selected", 1, HideTriangles, "Make the selected triangles temporarily invisible (H)"},
      {"unhide all", 0, HideTriangles, "Restore all hidden triangles (make them visible) (ALT+H)"},
      {"hide unselected", 2, HideTriangles, "Temporarily hide all triangles that are not selected (SHIFT+H)"},
      {"select box", 0, ANY, "Select triangles covered by the selection rectangle"},
      {"deselect box", 1, ANY, "Deselect triangles covered by the selection rectangle"},
      {"box select :", 0, NONE, nullptr},
      {"facing", 9, TriangleToolsCommand, "When using box select, only include triangles that face the viewpoint", 1},
      {"triangle buttons :", 0, NONE, nullptr},
      {"NO", 3, ANY, ANY_HINT, 1},
      {"YES", 3, ANY, ANY_HINT},
      {"reduce detail", 1, TriangleModeCommand, "Reduce detail by collapsing edges shorter than a set length (SHIFT+R)"},
      // The smoothing groups' row (their own operations).
      {groupText, 0, NONE, ANY_HINT},
      {"new", 0, AddGroup, ANY_HINT},
      {"remove", 0, RemoveGroup, ANY_HINT},
  };
  return t;
}
void AttributeRows(Table& t) {
  t.push_back({"n.c.level", 0, NONE, "Normal contribution level"});
  // The row keeps its own hint; each level's button has its level's hint.
  const char* const LEVELS[4] = {"zero", "low", "medium", "high"};
  const char* const HINTS[4] = {"Contribution to normals overridden by other triangles", "Default contribution to normals",
                                "Medium contribution to normals", "High contribution to normals"};
  for (int i = 0; i < 4; ++i) t.push_back({LEVELS[i], uintptr_t(i), AssignContributionAction, HINTS[i], i == 1});
  t.push_back({"l.r.swap", 0, NONE, "Drive side swap mode"});
  t.push_back({"static", 0, AssignSwapAction, "Drive side swap mode", 1});
  t.push_back({"swap", 1, AssignSwapAction, "Drive side swap mode"});
}

TEST_F(PanelsTest, TrianglePanelWithoutAndWithASelection) {
  Start(SampleCar);
  Mode(ModeTriangle);
  PanelOnly(AddTrianglePanel);
  Table t = TrianglePanelTop(0, model.groupCount);
  AttributeRows(t);
  ExpectTable(0, t, "triangle panel, nothing selected");

  SelectAll(*modeller, 0);
  const int selected = modeller->state.selectedTriangleCount;
  ASSERT_GT(selected, 0);
  PanelOnly(AddTrianglePanel);
  t = TrianglePanelTop(selected, model.groupCount);
  const Table selection = {
      {"add to :", 0, NONE, nullptr},
      {"lod2", 1, ANY, ANY_HINT},
      {"build unmirrored", 4, TriangleToolsCommand, "Build reflected versions of the current triangles, on reflected points"},
      {"flip tris", 11, TriangleToolsCommand, "Change the facing direction of the selected triangles (CTRL+F)"},
      {"subdivide", 0, SubdivideTriangles, "Convert each triangle into 4 triangles by bisecting its edges"},
      {"break off", 12, TriangleToolsCommand, "Break off the selected triangles into a newly created subobject"},
      {"duplicate", 2, TriangleToolsCommand, "Duplicate the selected triangles and their points (CTRL+D)"},
      {"delete", 0, TriangleToolsCommand, "Delete the selected triangles"},
      {"unmirror", 8, TriangleToolsCommand, "Switch off mirroring of the selected triangles"},
      {"single sided", 15, TriangleToolsCommand, "Set the selected triangles to be single sided"},
      {"double sided", 14, TriangleToolsCommand, "Set the selected triangles to be double sided"},
  };
  t.insert(t.end(), selection.begin(), selection.end());
  AttributeRows(t);
  ExpectTable(0, t, "triangle panel, triangles selected");

  // With the triangle buttons on, the "show :" row follows the box selection's.
  modeller->triangleButtons = 1;
  PanelOnly(AddTrianglePanel);
  const int show = IndexOf("show :");
  ASSERT_EQ(show, IndexOf("box select :") + 2);
  EXPECT_STREQ(InterfaceButtons[show + 1].hint, "Show buttons only for triangles that face the viewpoint");
}

Table PointPanelTop(const char* count, const char* countHint) {
  return {
      {"clear", 8, ObjectToolsCommand, "Deselect all points (C)"},
      {"select all", 0, ANY, "Select all points (A)"},
      {"invert", 1, ANY, "Select unselected points and deselect selected points (CTRL+I)"},
      {count, 0, NONE, countHint},
      {"hide selected", 1, HidePoints, "Make the selected points temporarily invisible (H)"},
      {"unhide all", 0, HidePoints, "Restore all hidden points (make them visible) (ALT+H)"},
      {"hide unselected", 2, HidePoints, "Temporarily hide all points that are not selected (SHIFT+H)"},
      {"index", 9, PointToolsCommand, "Select a point by entering its index"},
      {"select box", 0, ANY, "Select points covered by the selection rectangle"},
      {"deselect box", 1, ANY, "Deselect points covered by the selection rectangle"},
  };
}
// The trace's mode row (its own operations) and "closed".
void TraceRows(Table& t) {
  t.push_back({"trace", 0, NONE, nullptr});
  t.push_back({"off", 0, ANY, ANY_HINT});
  t.push_back({"incl", 1, ANY, ANY_HINT, 1});
  t.push_back({"excl", 2, ANY, ANY_HINT});
  t.push_back({"closed", 7, PointToolsCommand, ANY_HINT});
}
void CoordinateRows(Table& t) {
  ValueRow(t, "X", 0, GreenPointValueButton, "Right (X) value of the last selected point");
  ValueRow(t, "Y", 3, GreenPointValueButton, "Forward (Y) value of the last selected point");
  ValueRow(t, "Z", 6, GreenPointValueButton, "Up (Z) value of the last selected point");
}
void DarknessRow(Table& t) {
  t.push_back({"exd", 3, PointDarknessButton, "Set ambient darkness to extra dark"});
  t.push_back({"vdk", 2, PointDarknessButton, "Set ambient darkness to very dark"});
  t.push_back({"drk", 1, PointDarknessButton, "Set ambient darkness to dark"});
  t.push_back({"brt", 0, PointDarknessButton, "Set ambient darkness to bright (default)"});
}
const Row NEW_POINT = {"new point", 0, PointToolsCommand, "Create a new point at the object centre (CTRL+N)"};

TEST_F(PanelsTest, PointPanelByItsSelection) {
  Start(SampleCar);
  Mode(ModePoint);
  // Nothing selected.
  PanelOnly(AddPointPanel);
  Table t = PointPanelTop("no points selected", "No points are currently selected");
  TraceRows(t);
  t.push_back({"no trace points", 0, NONE, "There are no points in the trace"});
  t.push_back(NEW_POINT);
  ExpectTable(0, t, "point panel, nothing selected");

  // One mirrored point.
  int mirrored = -1;
  for (int p = 0; p < model.pointCount && mirrored < 0; ++p)
    if (model.points[p].flags & POINT_MIRRORED) mirrored = p;
  ASSERT_GE(mirrored, 0);
  SelectPoints({mirrored});
  PanelOnly(AddPointPanel);
  t = PointPanelTop("1 selected", "Number of selected points");
  t.push_back({"select connected triangles", 17, PointToolsCommand, "Select triangles based on the selected points (S)"});
  TraceRows(t);
  t.push_back({nullptr, 0, NONE, "The traced points in the order they were selected"});
  t.push_back({"need at least 2 points", 0, NONE, ANY_HINT});
  CoordinateRows(t);
  DarknessRow(t);
  const Table single = {
      {"new subobject", 0, NewSubobject, "Create a new subobject at the selected point's location"},
      {"delete point", 1, PointToolsCommand, "Delete the selected point"},
      {"mirror", 2, PointToolsCommand, "Mirror or unmirror the selected point", 1},
      {"create circle", 18, PointToolsCommand, "Create a circle of points around the selected point"},
      {"centre", 10, PointToolsCommand, "Move selected points to the central plane and fix them there"},
      {"free", 12, PointToolsCommand, "Allow selected points to be moved away from the central plane"},
      {"REF point (OFF)", 15, PointToolsCommand, "Set the selected points to be reference (blue) points"},
      {"unmirror unused", 0, ANY, "Switch off mirroring on any points whose mirror is not used"},
      {"delete unused", 1, ANY, "Delete any of the selected points that are not in use"},
      {"mirror points", 11, PointToolsCommand, "Mirror the selected points"},
      {"flip :", 0, NONE, nullptr},
      {"F-B", 21, PointToolsCommand, "Flip the selected points between front and back"},
      {"L-R", 22, PointToolsCommand, "Flip the selected points between left and right"},
  };
  t.insert(t.end(), single.begin(), single.end());
  t.push_back(NEW_POINT);
  ExpectTable(0, t, "point panel, one mirrored point");
  // The mirrored point's "mirror" is lit.
  const int mirror = IndexOf("mirror");
  ASSERT_GE(mirror, 0);
  EXPECT_EQ(InterfaceButtons[mirror].fourth.i, 1);

  // Three points, a valid trace: extrude and lathe, the merges, the shared rows, the 3D scale.
  SelectPoints({0, 1, 2});
  PanelOnly(AddPointPanel);
  t = PointPanelTop("3 selected", "Number of selected points");
  t.push_back({"select connected triangles", 17, PointToolsCommand, "Select triangles based on the selected points (S)"});
  TraceRows(t);
  t.push_back({nullptr, 0, NONE, "The traced points in the order they were selected"});
  const Table several = {
      {"extrude", 19, PointToolsCommand, "Create an extrusion based on the traced selection (E)"},
      {"lathe", 20, PointToolsCommand, "Create an lathe object based on the traced selection"},
      {"merge", 3, PointMergeButton, "Show the merge points dialog (ALT+M)"},
      {"avg", 0, PointMergeButton, "Merge the selected points to a single point at the average location"},
      {"green", 1, PointMergeButton, "Merge the selected points to a single point at the last selected point"},
      {"dist", 2, PointMergeButton, "Merge points that are closer than a specified distance"},
  };
  t.insert(t.end(), several.begin(), several.end());
  CoordinateRows(t);
  DarknessRow(t);
  const Table rest = {
      {"delete", 1, PointToolsCommand, "Delete the selected point"},
      {"mirror", 2, PointToolsCommand, "Mirror or unmirror the selected point", 1},
      {"centre", 10, PointToolsCommand, "Move selected points to the central plane and fix them there"},
      {"free", 12, PointToolsCommand, "Allow selected points to be moved away from the central plane"},
      {"REF points", 0, NONE, nullptr},
      {"OFF", 23, PointToolsCommand, "Set the selected points to be ordinary (grey) points"},
      {"ON", 24, PointToolsCommand, "Set the selected points to be reference (blue) points"},
      {"unmirror unused", 0, ANY, "Switch off mirroring on any points whose mirror is not used"},
      {"delete unused", 1, ANY, "Delete any of the selected points that are not in use"},
      {"mirror points", 11, PointToolsCommand, "Mirror the selected points"},
      {"set distance", 6, PointToolsCommand, "Set the distance of selected points from the last selected point"},
      {"flip :", 0, NONE, nullptr},
      {"F-B", 21, PointToolsCommand, "Flip the selected points between front and back"},
      {"L-R", 22, PointToolsCommand, "Flip the selected points between left and right"},
      NEW_POINT,
      {"scale from green", 0, PointTransformButtonAction, "Scale selected points from the last selected point in 3D"},
  };
  t.insert(t.end(), rest.begin(), rest.end());
  ExpectTable(0, t, "point panel, three points traced");

  // A trace out of step with the selection names it.
  modeller->state.traceCount = 1;
  PanelOnly(AddPointPanel);
  EXPECT_GE(IndexOf("trace points (1) out of sync"), 0);
  EXPECT_LT(IndexOf("extrude"), 0);
  // "set distance" and the merges from two selected points on; one is not enough.
  SelectPoints({0, 1});
  PanelOnly(AddPointPanel);
  EXPECT_GE(IndexOf("set distance"), 0);
  EXPECT_GE(IndexOf("merge"), 0);
  SelectPoints({0});
  PanelOnly(AddPointPanel);
  EXPECT_LT(IndexOf("set distance"), 0);
  EXPECT_LT(IndexOf("merge"), 0);
}

Table BuildPanelTable(const char* mirror) {
  Table t = {
      {"0 selected", 0, NONE, "Number of points selected"},
      {"clear", 8, ObjectToolsCommand, "Clear the selected points (C)"},
  };
  if (mirror) t.push_back({mirror, 4, ObjectToolsCommand, "Automatically mirror each triangle when it is created"});
  const Table rest = {
      {"select triangle for colour / group / layer", 0, NONE, "Click on a triangle to use its colour / group / layer"},
      {"shift : select triangle for settings", 0, NONE, nullptr},
      {"merge points 1 and 2", 0, MergeOrRelocate, "Merge the first selected point into the last selected point (Alt+M)"},
      {"relocate triangles from point 1 to 2", 1, MergeOrRelocate,
       "Move triangles from first selected point to the last selected point"},
      {"create real point from mirrored point", 0, CreateRealPoint,
       "Convert the selected point's mirror into an independent point"},
      {"triangle buttons :", 0, NONE, nullptr},
      {"NO", 3, ANY, ANY_HINT, 1},
      {"YES", 3, ANY, ANY_HINT},
  };
  t.insert(t.end(), rest.begin(), rest.end());
  return t;
}

TEST_F(PanelsTest, BuildPanelAndItsAutoMirror) {
  Start(SampleCar);
  Mode(ModeBuild);
  modeller->state.autoMirror = 0;
  PanelOnly(AddBuildPanel);
  ExpectTable(0, BuildPanelTable("auto mirror : OFF"), "build panel");
  // Word 4 switches the automatic mirroring.
  Press("auto mirror : OFF");
  EXPECT_EQ(modeller->state.autoMirror, 1);
  PanelOnly(AddBuildPanel);
  const int at = IndexOf("auto mirror : ON");
  ASSERT_GE(at, 0);
  EXPECT_EQ(InterfaceButtons[at].fourth.i, 1) << "lit while on";
  // A spoke object has no automatic mirroring.
  ObjectEditorShared.spokeCount = 3;
  PanelOnly(AddBuildPanel);
  ExpectTable(0, BuildPanelTable(nullptr), "build panel of a spoke object");
  ObjectEditorShared.spokeCount = 0;
}

Table SubobjectRows(const ModelObject& o, bool main) {
  Table t = {
      {"delete unused attachments", 0, DeleteUnusedAttachments, "Delete any attachment subobjects that do not contain triangles"},
      {"move in list", 0, NONE, nullptr},
      {"UP", 0, MoveSubobjectInList, "Move the selected subobject up the list"},
      {"DN", 1, MoveSubobjectInList, "Move the selected subobject down the list"},
      {"object type :", 0, NONE, nullptr},
      {SUBOBJECT_TYPE_NAMES[o.type], 11, SubobjectCommand,
       main ? "The object type of the main object" : SUBOBJECT_TYPE_DESCRIPTIONS[o.type]},
      {"reflect", 1, ObjectToolsCommand,
       main ? "Reflect main object and subobjects between left and right" : "Reflect subobject between left and right"},
      {"compress groups", 0, CompressGroups, "Reduce the number of smoothing groups if possible"},
  };
  if (main) {
    t.push_back({"new subobject", 0, NewSubobject, "Create a new subobject at the centre of the main object (CTRL+N)"});
  } else {
    static const char* const FUNCTIONS[4] = {"-", "static", "full flip", "swap side"};
    const Table sub = {
        {"flip function :", 0, NONE, nullptr},
        {FUNCTIONS[o.sideFunction], 12, SubobjectCommand, "What to do with the selected subobject when changing drive side"},
        {"mirrored subobject :", 0, NONE, nullptr},
        {nullptr, uintptr_t(&o.options), ANY, nullptr},
        {"use custom colours :", 0, NONE, nullptr},
        {nullptr, uintptr_t(&o.options), ANY, nullptr},
        {"delete", 2, SubobjectCommand, "Delete the selected subobject"},
        {"duplicate subobject", 1, NewSubobject, "Create a new subobject as a copy of the selected subobject (CTRL+D)"},
        {"merge into main", 15, SubobjectCommand, "Merge the selected subobject into the main object"},
    };
    t.insert(t.end(), sub.begin(), sub.end());
  }
  const Table rest = {
      {"magic triangle sort", 9, ObjectToolsCommand, "Sort triangles to improve alpha sorting and Z buffering"},
      {"clean object", 0, ObjectToolsCommand, "Delete unused mappings, cutouts, pages and (optionally) points"},
      {"merge mesh", 3, ObjectToolsCommand, ANY_HINT},
      {"bounding box", 6, TriangleModeCommand, "Show a bounding box"},
      {"fit", 7, TriangleModeCommand, "Adjust the bounding box to include all points of the main object"},
      {"mono colours", 0, NONE, nullptr},
  };
  t.insert(t.end(), rest.begin(), rest.end());
  Steps(t, 3, 4, SubobjectCommand);
  t.push_back({"move all", 0, ANY, "Show options to move all points and mappings"});
  t.push_back({"scale points", 0, ANY, "Show options to scale all points"});
  t.push_back({"position", 0, NONE, nullptr});
  t.push_back({"rotate", 0, NONE, nullptr});
  ValueRow(t, "X", 0, ObjectPositionButton, "Right (X) value of the selected object");
  ValueRow(t, "H", 6, ObjectAngleButton, "Heading of the selected object");
  ValueRow(t, "Y", 3, ObjectPositionButton, "Forward (Y) value of the selected object");
  ValueRow(t, "P", 0, ObjectAngleButton, "Pitch of the selected object");
  ValueRow(t, "Z", 6, ObjectPositionButton, "Up (Z) value of the selected object");
  ValueRow(t, "R", 3, ObjectAngleButton, "Roll of the selected object");
  return t;
}

namespace {
// A main object of one triangle and forty empty attachments named s0 .. s39.
void FortySubobjects(ModelObject& o) {
  o.Init();
  ModelBuilder b;
  b.Point(0, 0, 0), b.Point(0, 0, 0.5), b.Point(0.5, 0, 0.5);
  b.Triangle(0, 1, 2);
  b.Into(o);
  std::snprintf(o.name, sizeof o.name, "forty");
  std::vector<ModelObject> children(40);
  for (size_t i = 0; i < children.size(); ++i) {
    children[i].Init();
    children[i].type = SUBOBJECT_ATTACHMENT;
    std::snprintf(children[i].name, sizeof children[i].name, "s%d", int(i));
  }
  SetChildren(o, children);
}
}  // namespace

// With more objects than rows, the list keeps 24 rows free below it and scrolls just far
// enough to show the edited object: the first one below it moves the list by one, the last
// one puts it on the last row (and the list scrolls no further than that), the main object
// puts the list back at its top.
TEST_F(PanelsTest, TheSubobjectListScrollsJustFarEnoughToShowTheEditedObject) {
  Start(FortySubobjects);
  ASSERT_EQ(model.childCount, 40);
  const int total = 41, shown = ScreenHeight / ButtonHeight - 24;
  ASSERT_GT(shown, 1);
  ASSERT_LT(shown, total);
  const auto rows = [&] {
    std::vector<std::string> names;
    for (int i = 0; i < ButtonCount; ++i)
      if (InterfaceButtons[i].hint && (std::strcmp(InterfaceButtons[i].hint, "Click to select main object") == 0 ||
                                       std::strcmp(InterfaceButtons[i].hint,
                                                   "Left click to select object / Right click to rename") == 0))
        names.push_back(InterfaceButtons[i].text.text);
    return names;
  };
  // The panel alone from the top of the screen, with no frame between (a frame places the list
  // lower, with fewer rows, and scrolls it for those).
  const auto panel = [&] {
    ClearInterface();
    RowCursorX = RowCursorY = 0;
    AddSubobjectPanel(*modeller);
  };
  PanelOnly(AddSubobjectPanel);
  panel();
  std::vector<std::string> names = rows();
  ASSERT_EQ(int(names.size()), shown);
  EXPECT_EQ(modeller->subobjectScroll, 0);
  // Tree index "shown" is child shown - 1, the first below the list.
  SetEditedObject(*modeller, &model.children[shown - 1], 1);
  panel();
  names = rows();
  ASSERT_EQ(int(names.size()), shown);
  EXPECT_EQ(modeller->subobjectScroll, 1);
  EXPECT_EQ(names.front(), "s0");
  EXPECT_EQ(names.back(), "s" + std::to_string(shown - 1));
  SetEditedObject(*modeller, &model.children[39], 1);
  panel();
  names = rows();
  ASSERT_EQ(int(names.size()), shown);
  EXPECT_EQ(modeller->subobjectScroll, total - shown);
  EXPECT_EQ(names.back(), "s39");
  // A frame places the list lower and scrolls it further; from the top again it is held where
  // its last row is the last object.
  PanelOnly(AddSubobjectPanel);
  EXPECT_EQ(modeller->subobjectScroll, total - shown);
  names = rows();
  ASSERT_EQ(int(names.size()), shown);
  EXPECT_EQ(names.back(), "s39");
  SetEditedObject(*modeller, &model, 1);
  panel();
  EXPECT_EQ(modeller->subobjectScroll, 0);
  EXPECT_EQ(rows().front(), model.name);
}

TEST_F(PanelsTest, SubobjectPanelForTheMainObjectAndASubobject) {
  Start(SampleCar);
  ASSERT_GT(model.childCount, 0);
  PanelOnly(AddSubobjectPanel);
  // The object list: a row of three for the main object and each subobject.
  int objects = 1;
  while (ObjectAtTreeIndex(model, objects)) ++objects;
  const int list = 3 * objects;
  ASSERT_EQ(IndexOf("delete unused attachments"), list);
  EXPECT_STREQ(InterfaceButtons[0].hint, "Main object");
  EXPECT_EQ(InterfaceButtons[0].fourth.i, 1) << "the edited object's row is lit";
  EXPECT_STREQ(InterfaceButtons[1].hint, "Click to select main object");
  EXPECT_STREQ(InterfaceButtons[2].hint, model.triangleCount ? "Object has triangles" : "Object has no triangles");
  EXPECT_STREQ(InterfaceButtons[4].hint, "Left click to select object / Right click to rename");
  ExpectTable(list, SubobjectRows(model, true), "subobject panel, main object");

  // A press on a subobject's name row edits it.
  ModelObject& sub = model.children[0];
  PanelOnly(AddSubobjectPanel);
  ClickButton(InterfaceButtons[4]);
  ASSERT_EQ(EditedObject, &sub);
  PanelOnly(AddSubobjectPanel);
  ExpectTable(list, SubobjectRows(sub, false), "subobject panel, a subobject");
  // "mirrored subobject :" switches options bit 0 (the mirrored twin), never the overlay bit.
  const uint16_t options = sub.options;
  const int toggle = IndexOf("mirrored subobject :") + 1;
  ClickButton(InterfaceButtons[toggle]);
  EXPECT_EQ(sub.options, options ^ OPTION_MIRRORED_TWIN);
  // The last type and flip function by name; one past each shows the first type and no function.
  sub.type = SUBOBJECT_HUB, sub.sideFunction = SIDE_SWAP_ONLY;
  PanelOnly(AddSubobjectPanel);
  EXPECT_EQ(TextOf(&InterfaceButtons[IndexOf("object type :") + 1]), "hub object");
  EXPECT_EQ(TextOf(&InterfaceButtons[IndexOf("flip function :") + 1]), "swap side");
  sub.type = SUBOBJECT_TYPE_COUNT, sub.sideFunction = SIDE_SWAP_ONLY + 1;
  PanelOnly(AddSubobjectPanel);
  EXPECT_EQ(TextOf(&InterfaceButtons[IndexOf("object type :") + 1]), "main object");
  EXPECT_EQ(TextOf(&InterfaceButtons[IndexOf("flip function :") + 1]), "-");
  sub.type = SUBOBJECT_ATTACHMENT, sub.sideFunction = SIDE_STATIC;
  // The move and scale rows open under their switches.
  Press("move all");
  Press("scale points");
  PanelOnly(AddSubobjectPanel);
  EXPECT_EQ(IndexOf("points r"), IndexOf("scale points") + 1);
  EXPECT_GE(IndexOf("scale (+ mappings)"), IndexOf("scale u"));
}

TEST_F(PanelsTest, PressesReachTheirOperations) {
  Start(SampleCar);
  Mode(ModeTriangle);
  Press("select all");
  EXPECT_GT(modeller->state.selectedTriangleCount, 0);
  Press("clear");
  EXPECT_EQ(modeller->state.selectedTriangleCount, 0);
  Mode(ModeSubobject);
  const int32_t box = ObjectEditorShared.modellerBox;
  Press("bounding box");
  EXPECT_NE(ObjectEditorShared.modellerBox, box);
  Press("magic triangle sort");
  EXPECT_STREQ(ModellerUndo.nodes[ModellerUndo.count].name, "magic triangle sort");
  Mode(ModePoint);
  Press("select all");
  EXPECT_GT(modeller->state.selectedPointCount, 0);
  Press("clear");
  EXPECT_EQ(modeller->state.selectedPointCount, 0);
}

// ---- The rows above the panels ----

TEST_F(PanelsTest, LevelRowsCountsAndTheOutOfBoundsMapping) {
  Start(BuildPanel);  // one level
  Mode(ModeTriangle);
  Buttons();
  const int autoAt = IndexOf("auto");
  ASSERT_GE(autoAt, 0);
  EXPECT_EQ(InterfaceButtons[autoAt].right - InterfaceButtons[autoAt].left, 9 * ButtonWidth);
  EXPECT_EQ(IndexOf("lod1"), autoAt + 1);
  EXPECT_LT(IndexOf("lod2"), 0);
  EXPECT_STREQ(TextOf(&InterfaceButtons[autoAt + 2]).c_str(), "-");
  EXPECT_EQ(InterfaceButtons[autoAt + 2].word, uintptr_t(SUBOBJECT_REMOVE_LOD));
  // The counts: eight triangles, the subobject's one more in the totals.
  EXPECT_EQ(TextOf(ByHint("Number of output triangles for the selected subobject")), "8 tris");
  EXPECT_EQ(TextOf(ByHint("Total number of output triangles for main + subobjects")), "9 tris");
  EXPECT_EQ(ByHint("Total number of output triangles for main + subobjects")->colour, &TextColours.grey);
  // Totals above 65536 in the warning colour.
  model.caches[0].state = 1;
  model.caches[0].triangleCount = 70000;
  model.caches[0].vertexCount = 65537;
  Buttons();
  EXPECT_EQ(ByHint("Total number of output triangles for main + subobjects")->colour, &TextColours.red);
  EXPECT_EQ(ByHint("Total number of output vertices for main + subobjects")->colour, &TextColours.red);
  // Exactly 65536 is not above the warning count: still grey (the subobject's counts taken
  // out); one of each reads in the singular.
  ModelLodCache& childCache = model.children[0].caches[0];
  childCache.state = 1, childCache.triangleCount = 0, childCache.vertexCount = 0;
  model.caches[0].state = 1;
  model.caches[0].triangleCount = 65536;
  model.caches[0].vertexCount = 65536;
  Buttons();
  EXPECT_EQ(ByHint("Total number of output triangles for main + subobjects")->colour, &TextColours.grey);
  EXPECT_EQ(ByHint("Total number of output vertices for main + subobjects")->colour, &TextColours.grey);
  model.caches[0].triangleCount = 1;
  model.caches[0].vertexCount = 1;
  Buttons();
  EXPECT_EQ(TextOf(ByHint("Number of output triangles for the selected subobject")), "1 tri");
  EXPECT_EQ(TextOf(ByHint("Number of output vertices for the selected subobject")), "1 pt");
  model.caches[0].state = 0;
  childCache.state = 0;
  // "auto" narrows to 6 units with two levels and to 5 with more; a 3-unit button a level,
  // the current one lit.
  const uint8_t levels = model.lodCount;
  for (const int count : {2, 3, 4}) {
    model.lodCount = uint8_t(count);
    model.currentLod = 1;
    Buttons();
    const int at = IndexOf("auto");
    ASSERT_GE(at, 0) << count;
    EXPECT_EQ(InterfaceButtons[at].right - InterfaceButtons[at].left, (count == 2 ? 6 : 5) * ButtonWidth) << count;
    EXPECT_STREQ(InterfaceButtons[at].hint, "Automatically select level of detail (LOD) by distance");
    for (int level = 0; level < count; ++level) {
      const InterfaceButton& b = InterfaceButtons[at + 1 + level];
      EXPECT_EQ(TextOf(&b), "lod" + std::to_string(level + 1)) << count;
      EXPECT_EQ(b.right - b.left, 3 * ButtonWidth);
      EXPECT_EQ(b.word, uintptr_t(level));
      EXPECT_EQ(b.fourth.i, level == 1 ? 1 : 0) << count << " " << level;
      EXPECT_STREQ(b.hint, "Select a level of detail (LOD)");
    }
  }
  model.lodCount = levels;
  model.currentLod = 0;
  // A current mapping out of range: one message, then mapping 0.
  ResetMessages();
  modeller->state.currentMapping = 40;
  Buttons();
  Buttons();
  int said = 0;
  for (int i = 0; i < MessageLineCount; ++i) said += std::strstr(MessageLines[i].text, TEXT_COLOUR_OUT_OF_BOUNDS) != nullptr;
  EXPECT_EQ(said, 1);
  EXPECT_EQ(modeller->state.currentMapping, 0);
}

// Seven mono colours give a choice row of seven buttons, "1" to "7"; eight, the most, a row
// of eight.
TEST_F(PanelsTest, TheColourChoiceRowHoldsOneButtonForEachOfUpToEightColours) {
  Start(SampleCar);
  Mode(ModeTriangle);
  for (const int n : {7, 8}) {
    auto* grown = static_cast<ColourWord*>(std::realloc(model.colourChoices, sizeof(ColourWord) * size_t(n)));
    ASSERT_NE(grown, nullptr);
    model.colourChoices = grown;
    for (int i = model.colourChoiceCount; i < n; ++i) model.colourChoices[i] = 0xFFFFFF;
    model.colourChoiceCount = n;
    Buttons();
    const int choices = IndexOf("auto") + 9;
    int shown = 0;
    for (int i = choices; i < ButtonCount && InterfaceButtons[i].top == InterfaceButtons[choices].top; ++i)
      EXPECT_EQ(TextOf(&InterfaceButtons[i]), std::to_string(++shown)) << n << " colours";
    EXPECT_EQ(shown, n);
  }
}

// The rows above the mode's panel and the attribute column, as widths in units
// (row_layout.h): "auto" (6 units with two levels), a level of 3 each, "-" and "+", a unit's
// gap, "lod dist" (4) and the distance (6) with its steps; the last level adds the collision
// mesh's row of 12; the counts (6 each); the undo row; then the panel.  The attribute column
// stands at the right edge from the panel's top: the mapping's name of 8, then three rows of a
// label and a value of 4 each.
TEST_F(PanelsTest, TheRowsAboveThePanelAndTheAttributeColumnKeepTheirWidths) {
  Start(SampleCar);
  Mode(ModeTriangle);
  ASSERT_EQ(model.lodCount, 2);
  ASSERT_EQ(model.colourChoiceCount, 3);
  ASSERT_TRUE(model.HasNumberedMappings());
  const char* const COUNT_HINT = "Number of output triangles for the selected subobject";
  Buttons();
  // The top row: the message history's "H", then the modes, three units for a name of more
  // than four letters and two for the others ("tri", "map", "page", "view").
  const int subob = IndexOf("subob");
  ASSERT_EQ(subob, 1);
  EXPECT_EQ(RowLayout(0, subob + MODELLER_MODE_COUNT), "1 3 2 3 3 2 3 2 2");
  const int autoAt = IndexOf("auto"), clear = IndexOf("clear");
  ASSERT_GE(autoAt, 0);
  ASSERT_GT(clear, autoAt);
  EXPECT_EQ(InterfaceButtons[autoAt].top, InterfaceButtons[0].top + ButtonHeight);
  EXPECT_EQ(RowLayout(autoAt, autoAt + 9), "6 3 3 1 1 @15:4 6 1 1");
  // The three colour choices share the panel's 12 units on the next row; their sliders take
  // three rows under it; then the numbered cutouts' choice (a label of 10 and its steps), then
  // the counts.
  const int choices = autoAt + 9;
  EXPECT_EQ(RowLayout(choices, choices + 3), "4 4 4");
  EXPECT_EQ(InterfaceButtons[choices].top, InterfaceButtons[autoAt].top + ButtonHeight);
  const int config = IndexOf("mapping config : 0");
  ASSERT_GT(config, choices);
  EXPECT_EQ(RowLayout(config, config + 3), "10 1 1");
  EXPECT_EQ(InterfaceButtons[config].top, InterfaceButtons[choices].top + 4 * ButtonHeight);
  const int counts = int(ByHint(COUNT_HINT) - InterfaceButtons);
  EXPECT_EQ(InterfaceButtons[counts].top, InterfaceButtons[choices].top + 5 * ButtonHeight);
  const std::string undo = ModellerUndo.count == 0 ? "12" : "2 4 4 2";
  EXPECT_EQ(RowLayout(counts, clear + 1), "6 6 6 6 | " + undo + " | 3");
  const int column = int(ByHint("The name of the selected mapping") - InterfaceButtons);
  ASSERT_GT(column, clear);
  EXPECT_EQ(RowLayout(column, column + 7, ScreenWidth - 8 * ButtonWidth), "8 | 4 4 | 4 4 | 4 4");
  EXPECT_EQ(InterfaceButtons[column].left, ScreenWidth - 8 * ButtonWidth);
  EXPECT_EQ(InterfaceButtons[column].top, 0) << "no row above the panel reaches the right edge: at the top";
  // In a narrow window the level and count rows reach into it: it stands in the four rows
  // free between them.
  ScreenWidth = 30 * ButtonWidth;
  Buttons();
  const InterfaceButton* narrow = ByHint("The name of the selected mapping");
  ASSERT_NE(narrow, nullptr);
  EXPECT_EQ(narrow->top, InterfaceButtons[IndexOf("auto")].bottom);
  ScreenWidth = 1280;
  // In a window too short for the layer panel under the mode's panel it stands against the
  // right edge, on the window.
  const int height = ScreenHeight;
  ScreenHeight = 20 * ButtonHeight;
  Buttons();
  const InterfaceButton* layer = ByHint("Left click to hide/show/select layer / Right click to rename");
  if (!layer) layer = ByHint("Left click to assign selected triangles to layer / Right click to rename");
  ASSERT_NE(layer, nullptr);
  EXPECT_EQ(layer->left, ScreenWidth - 12 * ButtonWidth) << "after its leader of four units";
  EXPECT_LE(layer->bottom + 3 * ButtonHeight, ScreenHeight);
  // In one of 16 rows the mode's rows that would run off the bottom stand beside the column:
  // every row on the window.
  ScreenHeight = 16 * ButtonHeight;
  Buttons();
  for (int i = 0; i < ButtonCount; ++i) {
    char text[64] = "";
    ButtonText(InterfaceButtons[i], text, sizeof text);
    EXPECT_LE(InterfaceButtons[i].bottom, ScreenHeight) << text;
  }
  ScreenHeight = height;
  Buttons();
  // The last level: the collision mesh's row under the level row.
  model.currentLod = 1;
  Buttons();
  const int last = IndexOf("auto");
  ASSERT_GE(last, 0);
  EXPECT_EQ(RowLayout(last, last + 10), "6 3 3 1 1 @15:4 6 1 1 | 12");
  model.currentLod = 0;
  // A subobject of one level while the main object shows its second: the distance shown is
  // the subobject's own last level's.
  ModelObject& sub = model.children[0];
  const uint8_t subLevels = sub.lodCount;
  sub.lodCount = 1;
  sub.lodDistances[0] = 11 << 16, sub.lodDistances[1] = 22 << 16;
  SelectSubobject(*modeller, 0, &sub);
  ASSERT_EQ(EditedObject, &sub);
  model.currentLod = 1;
  Buttons();
  ASSERT_EQ(model.currentLod, 1);
  const int distance = IndexOf("lod dist");
  ASSERT_GE(distance, 0);
  EXPECT_EQ(InterfaceButtons[distance + 1].text.i, 11 << 16);
  SelectSubobject(*modeller, 0, &model);
  sub.lodCount = subLevels;
  model.currentLod = 0;
  // A spoke object: the spoke count (10) and its steps, a unit's gap, the distance.
  ObjectEditorShared.spokeCount = 3;
  Buttons();
  const int spokes = IndexOf("Number of spokes 3");
  ASSERT_GE(spokes, 0);
  EXPECT_EQ(RowLayout(spokes, spokes + 7), "10 1 1 @13:4 6 1 1");
  ObjectEditorShared.spokeCount = 0;
  // The undo row's steps count opens the history: a command, never lit.
  AddUndoPoint("an edit", 0, 0, 0);
  Buttons();
  const InterfaceButton* history = ByHint("View the edit history to select an edit point");
  ASSERT_NE(history, nullptr);
  EXPECT_EQ(history->fourth.i, 0);
}

TEST_F(PanelsTest, AutomaticLevelFollowsTheDistance) {
  ModelObject o{};
  o.Init();
  o.lodCount = 3;
  o.lodDistances[0] = 30 << 16, o.lodDistances[1] = 100 << 16, o.lodDistances[2] = 400 << 16;
  EXPECT_EQ(LodForDistance(o, 0, 10 << 16), 0);
  EXPECT_EQ(LodForDistance(o, 0, 50 << 16), 1);
  EXPECT_EQ(LodForDistance(o, 1, 50 << 16), 1);
  EXPECT_EQ(LodForDistance(o, 1, 20 << 16), 0);
  EXPECT_EQ(LodForDistance(o, 0, 300 << 16), 2);
  EXPECT_EQ(LodForDistance(o, 0, 900 << 16), 2) << "the last at most";
  // Each level reaches its distance exactly, and the next starts there.
  EXPECT_EQ(LodForDistance(o, 1, 30 << 16), 1) << "the shown level's lower end";
  EXPECT_EQ(LodForDistance(o, 0, 30 << 16), 0) << "the shown level's upper end";
  EXPECT_EQ(LodForDistance(o, 0, 100 << 16), 1) << "the level ending at the distance";
  EXPECT_EQ(LodForDistance(o, 0, (100 << 16) + 1), 2);
  EXPECT_EQ(LodForDistance(o, 2, 100 << 16), 2);
  EXPECT_EQ(LodForDistance(o, 2, (100 << 16) - 1), 1);
  EXPECT_EQ(LodForDistance(o, 7, 10 << 16), 0) << "a level past the count is the last";
  // A shown level just past the count, with a distance stored for it beyond the count: it is
  // taken as the last level (100 to 400 m), so 500 m finds no level and gives the last, 2.
  o.lodDistances[3] = 1000 << 16;
  EXPECT_EQ(LodForDistance(o, 3, 500 << 16), 2);
  o.lodCount = 0;
  EXPECT_EQ(LodForDistance(o, 0, 900 << 16), 0) << "no levels count as one";
  o.lodCount = 3;
  o.Free();

  Start(SampleCar);  // levels at 30 and 150 m
  modeller->autoLod = 1;
  const int32_t was[3] = {CurrentView->position[0], CurrentView->position[1], CurrentView->position[2]};
  CurrentView->position[0] = 100 << 16, CurrentView->position[1] = CurrentView->position[2] = 0;
  SelectTriangle(*modeller, 0);  // of the level left: not kept selected out of sight
  ASSERT_EQ(model.triangles[0].lod, 0);
  ASSERT_EQ(modeller->state.selectedTriangleCount, 1);
  Buttons();
  EXPECT_EQ(model.currentLod, 1) << "100 m away";
  EXPECT_EQ(modeller->state.selectedTriangleCount, 0);
  EXPECT_EQ(model.triangles[0].flags & TRIANGLE_SELECTED, 0);
  CurrentView->position[0] = 5 << 16;
  Buttons();
  EXPECT_EQ(model.currentLod, 0);
  // Along y, then along z, likewise.
  CurrentView->position[0] = 0, CurrentView->position[1] = 100 << 16;
  Buttons();
  EXPECT_EQ(model.currentLod, 1) << "100 m along y";
  CurrentView->position[1] = 5 << 16;
  Buttons();
  EXPECT_EQ(model.currentLod, 0);
  CurrentView->position[1] = 0, CurrentView->position[2] = 100 << 16;
  Buttons();
  EXPECT_EQ(model.currentLod, 1) << "100 m along z";
  for (int a = 0; a < 3; ++a) CurrentView->position[a] = was[a];
  // Picking a level switches automatic choice off; "auto" switches it on again.
  Press("lod2");
  EXPECT_EQ(modeller->autoLod, 0);
  EXPECT_EQ(model.currentLod, 1);
  Press("auto");
  EXPECT_EQ(modeller->autoLod, 1);
}

// A colour choice's button makes that choice the one shown and builds the shown mesh again,
// once; a choice past the last goes back to the first.
TEST_F(PanelsTest, PickingAColourChoiceRebuildsTheShownMeshAndAChoicePastTheLastFallsBackToTheFirst) {
  Start(SampleCar);
  ASSERT_EQ(model.colourChoiceCount, 3);
  Buttons();
  const int autoAt = IndexOf("auto");
  ASSERT_GE(autoAt, 0);
  const int second = IndexOf("2", autoAt + 9);
  ASSERT_EQ(second, autoAt + 10) << "the second of the three choices";
  (void)Serialised();  // the rebuilds are counted from here
  ClickButton(InterfaceButtons[second], CLICK_LEFT);
  EXPECT_EQ(modeller->colourChoice, 1);
  EXPECT_EQ(MeshRebuilds, 1);
  // A choice just past the three (left from a model with more) goes back to the first, lit.
  modeller->colourChoice = 3;
  Buttons();
  EXPECT_EQ(modeller->colourChoice, 0);
  const int first = IndexOf("1", IndexOf("auto") + 9);
  ASSERT_GE(first, 0);
  EXPECT_EQ(InterfaceButtons[first].fourth.i, 1) << "the first choice is lit";
}

// ---- The object panel and the mapping list ----

void FortyMappings(ModelObject& o) {
  BuildPanel(o);
  ModelMapping m = o.mappings[0];
  for (int i = o.mappingCount; i < 40; ++i) {
    std::snprintf(m.name, sizeof m.name, "map%d", i);
    o.AddMapping(&m);
  }
}

// The mapping list's entry of that name.
int EntryIndex(const char* name) {
  for (int i = IndexOf(name); i >= 0; i = IndexOf(name, i + 1))
    if (InterfaceButtons[i].hint && std::strcmp(InterfaceButtons[i].hint, "Name of this mapping (or colour)") == 0) return i;
  return -1;
}

int ShownEntries() {
  int n = 0;
  for (int i = 0; i < ButtonCount; ++i)
    n += InterfaceButtons[i].hint && std::strcmp(InterfaceButtons[i].hint, "Name of this mapping (or colour)") == 0;
  return n;
}

TEST_F(PanelsTest, MappingListFitsScrollsAndCounts) {
  Start(FortyMappings);
  ASSERT_EQ(model.mappingCount, 40);
  Mode(ModeBuild);
  Buttons();
  const int large = ShownEntries();
  EXPECT_GT(large, 0);
  EXPECT_LT(large, 40);
  ScreenHeight = 860;
  modeller->mappingScroll = 100;
  Buttons();
  const int small = ShownEntries();
  EXPECT_LT(small, large) << "a smaller window shows fewer";
  EXPECT_EQ(modeller->mappingScroll, 40 - small) << "no further than the last";
  char last[16];
  std::snprintf(last, sizeof last, "map%d", 39);
  EXPECT_GT(small, 0);
  EXPECT_GE(EntryIndex(last), 0);
  // The triangle counts: mapping 0 has four of the panel's eight triangles, the last none (grey).
  modeller->mappingScroll = 0;
  ScreenHeight = 960;
  Buttons();
  const int first = EntryIndex("m0");
  ASSERT_GE(first, 0);
  EXPECT_EQ(TextOf(&InterfaceButtons[first + 1]), "4 tri");
  EXPECT_EQ(InterfaceButtons[first + 1].colour, &TextColours.lightOrange);
  const int unused = EntryIndex("map2");
  ASSERT_GE(unused, 0);
  EXPECT_EQ(TextOf(&InterfaceButtons[unused + 1]), "0 tri");
  EXPECT_EQ(InterfaceButtons[unused + 1].colour, &TextColours.grey);
  // A used current mapping offers only "clean"; an unused one "del" as well.
  EXPECT_GE(IndexOf("cols : 40"), 0);
  EXPECT_LT(IndexOf("del"), 0);
  modeller->state.currentMapping = 2;
  Buttons();
  EXPECT_GE(IndexOf("c : 40"), 0);
  const int del = IndexOf("del");
  ASSERT_GE(del, 0);
  EXPECT_EQ(InterfaceButtons[del].colour, &TextColours.red);
  // The rows as widths in units (row_layout.h): an entry's name of 8 and its count of 4, the
  // next entry four rows down; the count row ("cols" 4 or "c" 3, "clean" 3, "del" 2, "dup" 2);
  // on the next row the chain's three rows (label 4, name 8, "view" 3) and the material row
  // ("mat" 2 and the main cutout's four material buttons).
  const int entry = EntryIndex("m0");
  ASSERT_GE(entry, 0);
  int after = entry + 1;
  while (after < ButtonCount && !(InterfaceButtons[after].hint &&
                                  std::strcmp(InterfaceButtons[after].hint, "Name of this mapping (or colour)") == 0))
    ++after;
  ASSERT_LT(after, ButtonCount) << "a second entry";
  EXPECT_EQ(RowLayout(entry, entry + 2), "8 4");
  EXPECT_EQ(InterfaceButtons[after].top - InterfaceButtons[entry].top, 4 * ButtonHeight);
  EXPECT_EQ(InterfaceButtons[after].left, InterfaceButtons[entry].left);
  const int cutout = model.mappings[2].cutout[0] < model.cutoutCount ? 1 : 0;
  const std::string chain = "4 8 3 | 4 8 3 | 4 8 3 | " + std::string(cutout ? "2 4 4 2 4" : "2");
  const auto chainRows = [&](const char* count, const char* widths) {
    const int at = IndexOf(count), chainAt = IndexOf("mapping"), mat = IndexOf("mat");
    ASSERT_GE(at, 0) << count;
    ASSERT_GE(chainAt, 0);
    ASSERT_GE(mat, 0);
    EXPECT_EQ(RowLayout(at, at + int(std::strlen(widths) + 1) / 2), widths) << count;
    EXPECT_EQ(InterfaceButtons[chainAt].top, InterfaceButtons[at].top + ButtonHeight) << count;
    EXPECT_EQ(InterfaceButtons[chainAt].left, InterfaceButtons[at].left) << count;
    EXPECT_EQ(RowLayout(chainAt, mat + 1 + 4 * cutout), chain) << count;
  };
  chainRows("c : 40", "3 3 2 2");
  modeller->state.currentMapping = 0;
  Buttons();
  chainRows("cols : 40", "4 3 2");
  modeller->state.currentMapping = 2;
  Buttons();
  Press("del");
  EXPECT_EQ(model.mappingCount, 39);
  // "cols" scrolls to the current mapping.
  modeller->state.currentMapping = 30;
  Press("c : 39");
  Buttons();
  EXPECT_EQ(modeller->mappingScroll, std::min(30, 39 - ShownEntries()));
}

// The left column of every mode with the sample car: the mode's panel, the layer panel's four
// rows, the mapping list and the object panel at the bottom.  The mapping list begins on the
// row under the layer panel's fourth row (it used to begin on that row, its entries or its
// "cols" row over the fourth row of layer buttons, text and click both), and the object panel
// takes its two rows outside subobject mode (three in it) from the bottom edge, so that on a
// 1024 x 768 screen the triangle mode's mapping rows still fit between the two.
TEST_F(PanelsTest, NoRowOfTheLeftColumnLiesOverAnother) {
  Start(SampleCar);
  const int sizes[][2] = {{1024, 768}, {1280, 960}, {1280, 1024}, {1920, 1080}};
  for (const auto& size : sizes) {
    ScreenWidth = size[0], ScreenHeight = size[1];
    SetInterfaceMetrics();
    for (const int mode : {int(ModeSubobject), int(ModeTriangle), int(ModePoint), int(ModeBuild)}) {
      Mode(mode);
      Buttons();
      EXPECT_EQ(Joined(OverlappingRows()), "") << size[0] << " x " << size[1] << ", mode " << mode;
      // The fourth row of layer buttons ("-" leads it) and the rows under it.
      const InterfaceButton* leader = nullptr;
      for (int i = 0; i < ButtonCount; ++i)
        if (TextOf(&InterfaceButtons[i]) == "-" && InterfaceButtons[i].left == 0 && InterfaceButtons[i].right == 4 * ButtonWidth)
          leader = &InterfaceButtons[i];
      ASSERT_NE(leader, nullptr) << "the layer panel's fourth row, mode " << mode;
      const InterfaceButton* chain = ByHint("The name of the texture page used by the selected mapping");
      if (mode == ModeTriangle && ScreenHeight == 768) {
        ASSERT_NE(chain, nullptr) << "the mapping rows fit on 768 rows";
      }
      if (chain) {
        EXPECT_GE(chain->top, leader->bottom) << "mode " << mode;
      }
      const InterfaceButton* name = ByHint("The name of the main object");
      ASSERT_NE(name, nullptr);
      EXPECT_EQ(name->bottom, ScreenHeight - (mode == ModeSubobject ? ButtonHeight : 0)) << "mode " << mode;
    }
  }
  // Point mode with every point selected on 768 rows: the panel's rows reach the bottom rows,
  // so the object panel stands beside the left column (16 units in) rather than under them.
  ScreenWidth = 1024, ScreenHeight = 768;
  SetInterfaceMetrics();
  Mode(ModePoint);
  SelectAll(*modeller, 0);
  Buttons();
  EXPECT_EQ(Joined(OverlappingRows()), "");
  const InterfaceButton* name = ByHint("The name of the main object");
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(name->left, 16 * ButtonWidth);
  EXPECT_EQ(name->bottom, 768);
  // On 800 x 600 there is no room beside that column for the panel's least width: it
  // stands narrower, its file buttons under the names, and ends left of the view block
  // (it ran under the block, "SAVE" under "text 4" and "OBJ" under "origin").
  ScreenWidth = 800, ScreenHeight = 600;
  SetInterfaceMetrics();
  for (const int mode : {int(ModePoint), int(ModeSubobject)}) {
    Mode(mode);
    Buttons();
    EXPECT_EQ(Joined(OverlappingRows()), "") << "mode " << mode;
    for (const char* hint : {"Import an OBJ file from the data\\obj folder", "Save the main object to data\\3dob",
                             "The name of the main object"}) {
      const InterfaceButton* b = ByHint(hint);
      ASSERT_NE(b, nullptr) << hint;
      EXPECT_LE(b->right, 800 - EDIT_VIEW_BLOCK_UNITS * ButtonWidth) << hint << ", mode " << mode;
      EXPECT_LE(b->bottom, 600) << hint;
    }
  }
  // A subobject edited: its position and angle columns ran off the bottom; now every row is
  // inside, each value under its heading.
  Mode(ModeSubobject);
  SelectSubobject(*modeller, 0, &model.children[0]);
  Buttons();
  EXPECT_EQ(Joined(OverlappingRows()), "");
  for (int i = 0; i < ButtonCount; ++i) {
    if (IsRowButton(InterfaceButtons[i])) {
      EXPECT_LE(InterfaceButtons[i].bottom, 600) << TextOf(&InterfaceButtons[i]);
    }
  }
  for (const auto& [heading, hint] : {std::pair{"position", "Right (X) value of the selected object"},
                                      std::pair{"rotate", "Heading of the selected object"}}) {
    const InterfaceButton* top = FindShownButton(heading);
    const InterfaceButton* value = ByHint(hint);
    ASSERT_NE(top, nullptr) << heading;
    ASSERT_NE(value, nullptr) << hint;
    EXPECT_EQ(value->top, top->bottom) << heading;
    EXPECT_LE(top->left, value->left) << heading;
    EXPECT_GE(top->right, value->right) << heading;
  }
  SelectSubobject(*modeller, 0, &model);
  ScreenWidth = 1280, ScreenHeight = 960;
  SetInterfaceMetrics();
}

TEST_F(PanelsTest, OnlyTheSwitchesThatAreOnAreLitInEachMode) {
  // The sample car with its main object edited, level 1, its first mono colour chosen and
  // every layer shown (four named, twelve plain "layer").  Lit: the mode's own button, the
  // current level and colour, the edited object's row in the subobject list (letter, name
  // and "." for its triangles), and the mode's current settings; nothing else.  The bounding
  // box is off.
  Start(SampleCar);
  const int32_t box = ObjectEditorShared.modellerBox;
  ObjectEditorShared.modellerBox = 0;
  const auto litLabels = [] {
    std::string lit;
    for (int i = 0; i < ButtonCount; ++i) {
      const InterfaceButton& b = InterfaceButtons[i];
      if (b.fourth.i == 1 && b.style == BUTTON_STYLE_TEXT) lit += (lit.empty() ? "" : " ") + TextOf(&b);
    }
    return lit;
  };
  const auto layers = [](const char* leader) {
    std::string text = leader;
    for (const char* name : {"body", "glass", "lights", "detail"}) text += std::string(" ") + name;
    for (int i = 0; i < 12; ++i) text += " layer";
    return text;
  };
  Mode(ModeSubobject);
  Buttons();
  EXPECT_EQ(litLabels(), "subob lod1 1 M sample_car . " + layers("all"));
  // Every triangle selected: the box select's "facing", triangle buttons "NO", the normal
  // level "low" and the side swap "static"; the layer panel lights the layers holding them.
  Mode(ModeTriangle);
  SelectAll(*modeller, 0);
  Buttons();
  EXPECT_EQ(litLabels(), "tri lod1 1 facing NO low static body glass lights detail");
  // One mirrored point: the trace mode "incl" and its "mirror".
  Mode(ModePoint);
  int mirrored = -1;
  for (int p = 0; p < model.pointCount && mirrored < 0; ++p)
    if (model.points[p].flags & POINT_MIRRORED) mirrored = p;
  ASSERT_GE(mirrored, 0);
  SelectPoints({mirrored});
  Buttons();
  EXPECT_EQ(litLabels(), "point lod1 1 incl mirror " + layers("all"));
  // Build mode: automatic mirroring "NO".
  Mode(ModeBuild);
  modeller->state.autoMirror = 0;
  Buttons();
  EXPECT_EQ(litLabels(), "build lod1 1 NO " + layers("all"));
  ObjectEditorShared.modellerBox = box;
}

TEST_F(PanelsTest, EveryModePanelKeepsToTheLeftColumnWhateverIsSelected) {
  // The mode's panel stands over the layer panel, 16 units wide: whatever is selected, each row
  // of it ends within those 16 units, and no row of the whole screen lies over another.
  Start(SampleCar);
  int mirrored = -1, single = -1;
  for (int p = 0; p < model.pointCount; ++p) {
    if (mirrored < 0 && (model.points[p].flags & POINT_MIRRORED)) mirrored = p;
    if (single < 0 && !(model.points[p].flags & POINT_MIRRORED)) single = p;
  }
  ASSERT_GE(mirrored, 0);
  ASSERT_GE(single, 0);
  const auto check = [&](auto panel, const char* what) {
    Buttons();
    EXPECT_EQ(Joined(OverlappingRows()), "") << what;
    PanelOnly(panel);
    ASSERT_GT(ButtonCount, 0) << what;
    for (int i = 0; i < ButtonCount; ++i) {
      const InterfaceButton& b = InterfaceButtons[i];
      EXPECT_GE(b.left, 0) << what << ": " << TextOf(&b);
      EXPECT_LE(b.right, 16 * ButtonWidth) << what << ": " << TextOf(&b);
    }
  };
  Mode(ModePoint);
  check(AddPointPanel, "no point");
  SelectPoints({mirrored});
  check(AddPointPanel, "one mirrored point");
  SelectPoints({single});
  check(AddPointPanel, "one point");
  SelectPoints({0, 1});
  check(AddPointPanel, "two points");
  SelectPoints({0, 1, 2});
  check(AddPointPanel, "three points");
  SelectAll(*modeller, 0);
  check(AddPointPanel, "every point");
  Mode(ModeTriangle);
  check(AddTrianglePanel, "no triangle");
  SelectAll(*modeller, 0);
  check(AddTrianglePanel, "every triangle");
  Mode(ModeBuild);
  check(AddBuildPanel, "build, no point");
  SelectPoints({0});
  check(AddBuildPanel, "build, one point");
  SelectPoints({0, 1});
  check(AddBuildPanel, "build, two points");
  Mode(ModeSubobject);
  check(AddSubobjectPanel, "the main object");
  SelectSubobject(*modeller, 0, &model.children[0]);
  check(AddSubobjectPanel, "a subobject");
}

TEST_F(PanelsTest, ObjectPanelNamesAndTheChainsViews) {
  Start(SampleCar);
  EditorSkinName[0] = 0;
  Buttons();
  const InterfaceButton* name = ByHint("The name of the main object");
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(TextOf(name), std::string(model.name));
  MeshRebuilds = 0;
  Press("compress groups");  // an edit: the name gets a red asterisk
  EXPECT_EQ(MeshRebuilds, 1) << "and the meshes are built again";
  Buttons();
  EXPECT_EQ(TextOf(ByHint("The name of the main object")), std::string(model.name) + "^1*");
  // A subobject without a name by its type's name.
  ModelObject& sub = model.children[0];
  sub.name[0] = 0;
  SelectSubobject(*modeller, 0, &sub);
  Buttons();
  EXPECT_EQ(TextOf(ByHint("A subobject is currently selected")), SUBOBJECT_TYPE_NAMES[sub.type]);
  SelectSubobject(*modeller, 0, &model);

  // The chain of "C1": the body cutout on the custom skin page without a skin chosen.
  int c1 = -1;
  for (int i = 0; i < model.mappingCount; ++i)
    if (std::strcmp(model.mappings[i].name, "C1") == 0) c1 = i;
  modeller->state.currentMapping = c1;
  Mode(ModeBuild);  // the shortest panel leaves room for the list
  Buttons();
  EXPECT_EQ(TextOf(ByHint("The name of the texture page used by the selected mapping")), TEXT_NO_SKIN);
  EXPECT_EQ(TextOf(ByHint("The name of the cutout used by the selected mapping")), "body");
  EXPECT_EQ(TextOf(ByHint("Material transparency")), "SOLID");
  EXPECT_EQ(TextOf(ByHint("Material reflection type")), "OVERLAY");
  EXPECT_EQ(TextOf(ByHint("Material shine type")), "PAINT");
  const int cutout = model.mappings[c1].cutout[0];
  model.cutouts[0].flags |= CUTOUT_SELECTED;
  ClickButton(*ByHint("Enter cutout mode to view the cutout used by the mapping"));
  EXPECT_EQ(modeller->state.mode, ModeTextureCutout);
  EXPECT_EQ(SelectedCutout, cutout);
  for (int i = 0; i < model.cutoutCount; ++i)
    EXPECT_EQ((model.cutouts[i].flags & CUTOUT_SELECTED) != 0, i == cutout) << "flag 64 on the cutout alone";
  Mode(ModeBuild);
  Buttons();
  ClickButton(*ByHint("Enter page mode to view the texture page used by the mapping"));
  EXPECT_EQ(modeller->state.mode, ModeTexturePage);
  EXPECT_EQ(SelectedPage, model.cutouts[cutout].page);
  Mode(ModeBuild);
  Buttons();
  ClickButton(*ByHint("Enter mapping mode to view the selected mapping"));
  EXPECT_EQ(modeller->state.mode, ModeTextureMapping);
  EXPECT_EQ(SelectedMapping, c1);
  Mode(ModeBuild);
  // A skin chosen shows its name.
  std::snprintf(EditorSkinName, EDITOR_SKIN_NAME_SIZE, "myskin");
  Buttons();
  EXPECT_EQ(TextOf(ByHint("The name of the texture page used by the selected mapping")), "myskin");
  EditorSkinName[0] = 0;
  // A current mapping one past the last (the list shrank under it) has no cutout or page to
  // view: the views stay where they were.
  modeller->state.currentMapping = model.mappingCount;
  const int cutoutShown = SelectedCutout, pageShown = SelectedPage;
  ViewCutout(&modeller->prss, CLICK_LEFT, 0);
  ViewPage(&modeller->prss, CLICK_LEFT, 0);
  EXPECT_EQ(modeller->state.mode, ModeBuild);
  EXPECT_EQ(SelectedCutout, cutoutShown);
  EXPECT_EQ(SelectedPage, pageShown);
}

// The object panel at the bottom left begins with a separator along its top edge: two rows
// up from the bottom of the 960-row screen outside subobject mode, three in it, from the left
// edge across; on a screen of no size it has none.
TEST_F(PanelsTest, TheObjectPanelHasItsSeparatorAlongItsTopAndNoneOnAScreenOfNoSize) {
  Start(SampleCar);
  const auto separatorAt = [](float top) {
    for (int i = 0; i < ValueControlCount; ++i) {
      const ValueControl& c = ValueControls[i];
      if (c.displayType == VALUE_TYPE_BIG_PANEL && std::abs(c.top - top) < 0.002f && std::abs(c.left + 1.0f) < 0.002f &&
          c.bottom > c.top && c.bottom - c.top < 0.01f)
        return true;
    }
    return false;
  };
  for (const int mode : {int(ModeBuild), int(ModeSubobject)}) {
    Mode(mode);
    Buttons();
    const int rows = mode == ModeSubobject ? 3 : 2;
    const float top = 2.0f * float(960 - rows * ButtonHeight) / 960.0f - 1.0f;
    EXPECT_TRUE(separatorAt(top)) << "mode " << mode << ": a separator at y " << top;
  }
  // On a screen of no width, or of no height (a window shrunk to nothing), no separator is
  // placed: it would have no finite place.
  for (const int zeroWidth : {1, 0}) {
    ScreenWidth = zeroWidth ? 0 : 1280, ScreenHeight = zeroWidth ? 960 : 0;
    ClearInterface();
    RowCursorX = RowCursorY = 0;
    AddObjectPanel(*modeller, 0);
    for (int i = 0; i < ValueControlCount; ++i)
      EXPECT_NE(ValueControls[i].displayType, VALUE_TYPE_BIG_PANEL) << (zeroWidth ? "no width" : "no height");
  }
  ScreenWidth = 1280, ScreenHeight = 960;
}

// ---- The subobject labels ----

TEST_F(PanelsTest, SubobjectLabelsPickAndRename) {
  Start(BuildPanel);  // one attachment 2 m to the left
  ScreenWidth = 1024, ScreenHeight = 768;
  FrontView();
  ModelObject& sub = model.children[0];
  ObjectEditorShared.showSubobjects = 1;
  Buttons();
  ASSERT_EQ(ScreenLabelCount, 1);
  const ScreenLabel* labels[4];
  ScreenLabelsByDepth(labels, 4);
  EXPECT_EQ(char(labels[0]->second), 'A');
  EXPECT_EQ(labels[0]->colourKind, SUBOBJECT_LABEL_KINDS[SUBOBJECT_ATTACHMENT]);
  // A click edits it; its label takes the edited colour.
  labels[0]->callback(labels[0]->ownerWord, CLICK_LEFT, 0, 0);
  ASSERT_EQ(EditedObject, &sub);
  Buttons();
  ScreenLabelsByDepth(labels, 4);
  EXPECT_EQ(labels[0]->colourKind, EDITED_LABEL_KIND);
  // A right click on the edited subobject renames it (19 characters).
  labels[0]->callback(labels[0]->ownerWord, CLICK_RIGHT, 0, 0);
  Type("a name well beyond nineteen characters");
  EXPECT_STREQ(sub.name, "a name well beyond ");
  EXPECT_STREQ(ModellerUndo.nodes[ModellerUndo.count].name, "rename subobject");
  // A second rename straight after is an undo step of its own, not merged into the first.
  const int renamed = ModellerUndo.count;
  Buttons();
  ScreenLabelsByDepth(labels, 4);
  labels[0]->callback(labels[0]->ownerWord, CLICK_RIGHT, 0, 0);
  Type("second");
  EXPECT_STREQ(sub.name, "second");
  EXPECT_EQ(ModellerUndo.count, renamed + 1);
  // None with Shift or Ctrl held, for a spoke object, or with "show subobs" off on the main object.
  SelectSubobject(*modeller, 0, &model);
  ShiftHeld = 1;
  Buttons();
  EXPECT_EQ(ScreenLabelCount, 0);
  ShiftHeld = 0;
  CtrlHeld = 1;
  Buttons();
  EXPECT_EQ(ScreenLabelCount, 0);
  CtrlHeld = 0;
  ObjectEditorShared.showSubobjects = 0;
  Buttons();
  EXPECT_EQ(ScreenLabelCount, 0);
  ObjectEditorShared.showSubobjects = 1;
  ObjectEditorShared.spokeCount = 2;
  Buttons();
  EXPECT_EQ(ScreenLabelCount, 0);
  ObjectEditorShared.spokeCount = 0;
}

// ---- The panels' rows ----

// Each panel's rows as the widths of their buttons in button units (row_layout.h), worked out
// from the panel's own plan: the panels are 12 units wide, the longest labels 16.
TEST_F(PanelsTest, EachPanelsRowsHoldTheirButtonsAtTheirWidths) {
  Start(SampleCar);
  ASSERT_GT(model.groupCount, 1);
  ASSERT_EQ(model.lodCount, 2);
  // The rows the triangle panel starts and ends with.
  const std::string triangleTop = "3 4 3 | 3 6 | 6 4 | 7 | 5 6 | 6 6";
  const std::string triangleMiddle = "8 2 2 | 12 | 5 4 4";
  const std::string attributes = "4 2 2 4 2 | 4 4 4";  // "medium" is the wide level
  Mode(ModeTriangle);
  PanelOnly(AddTrianglePanel);
  EXPECT_EQ(RowLayout(0), triangleTop + " | " + triangleMiddle + " | " + attributes);
  modeller->triangleButtons = 1;
  PanelOnly(AddTrianglePanel);
  EXPECT_EQ(RowLayout(0), triangleTop + " | 6 6 | " + triangleMiddle + " | " + attributes) << "the \"show :\" row";
  modeller->triangleButtons = 0;
  SelectAll(*modeller, 0);
  PanelOnly(AddTrianglePanel);
  EXPECT_EQ(RowLayout(0), triangleTop + " | " + triangleMiddle + " | 4 2 | 6 6 | 6 6 | 4 4 4 | 6 6 | " + attributes)
      << "\"add to :\" with the one other level, then the selection's rows";

  // The point panel: its rows above the trace, the trace, the coordinates (a letter, the value
  // of five units, "-" and "+"), the darkness and the point tools.
  Mode(ModePoint);
  const std::string pointTop = "3 4 3 | 8 | 6 4 | 7 3 | 5 6";
  const std::string traceRow = "3 2 2 2 3";
  const std::string coordinates = "1 5 1 1 | 1 5 1 1 | 1 5 1 1";
  PanelOnly(AddPointPanel);
  EXPECT_EQ(RowLayout(0), pointTop + " | " + traceRow + " | 12 | 5") << "nothing selected";
  int mirrored = -1;
  for (int p = 0; p < model.pointCount && mirrored < 0; ++p)
    if (model.points[p].flags & POINT_MIRRORED) mirrored = p;
  ASSERT_GE(mirrored, 0);
  SelectPoints({mirrored});
  PanelOnly(AddPointPanel);
  // The trace's label is two units more than half its text's length: "trace : N".
  const std::string traceText = "trace : " + std::to_string(mirrored);
  const std::string traceLabel = std::to_string(2 + int(traceText.size()) / 2);
  EXPECT_EQ(RowLayout(0), pointTop + " | 12 | " + traceRow + " | " + traceLabel + " | 12 | " + coordinates +
                              " | 3 3 3 3 | 12 | 4 4 4 | 4 4 | 6 | 6 6 | 6 | 2 3 3 | 5")
      << "one mirrored point";
  SelectPoints({0, 1, 2});
  PanelOnly(AddPointPanel);
  // "trace : 0 1 2" is 13 characters: 2 + 6 units.
  EXPECT_EQ(RowLayout(0), pointTop + " | 12 | " + traceRow + " | 8 | 6 6 | 3 3 3 3 | " + coordinates +
                              " | 3 3 3 3 | 4 4 | 4 4 | 4 2 2 | 6 6 | 6 6 | 2 3 3 | 5 | 12")
      << "three points traced";

  // The build panel: the longest labels take 16 units.
  Mode(ModeBuild);
  modeller->state.autoMirror = 0;
  PanelOnly(AddBuildPanel);
  EXPECT_EQ(RowLayout(0), "6 3 | 12 | 16 | 16 | 12 | 16 | 16 | 8 2 2");
  modeller->state.buildCount = 2;
  PanelOnly(AddBuildPanel);
  EXPECT_EQ(RowLayout(0), "6 3 | 12 | 16 | 16 | 12 | 12 | 16 | 16 | 8 2 2") << "\"divide edge\" for two points";
  modeller->state.buildCount = 0;
}

// A short trace shows every point; one too long for the panel's width shows its count, its
// first points, "..." and its last points, half on each side (the first side one more), drawn
// whole (it was cut, "trace : 1000 1001 ... 1015 10...", the points selected last out of sight).
TEST_F(PanelsTest, ALongTraceShowsItsCountAndItsFirstAndLastPointsWhole) {
  FixedWidthText fixed;
  Start([](ModelObject& o) { PointRow(o, 1030); });
  Mode(ModePoint);
  ModellerState& st = modeller->state;
  const char* hint = "The traced points in the order they were selected";
  st.traceCount = 3;
  for (int i = 0; i < 30; ++i) st.trace[i] = uint16_t(1000 + i);
  PanelOnly(AddPointPanel);
  EXPECT_NE(FindShownButton("trace : 1000 1001 1002", hint), nullptr);
  st.traceCount = 30;
  PanelOnly(AddPointPanel);
  const InterfaceButton* label = nullptr;
  for (int i = 0; i < ButtonCount; ++i)
    if (InterfaceButtons[i].hint && std::strcmp(InterfaceButtons[i].hint, hint) == 0) label = &InterfaceButtons[i];
  ASSERT_NE(label, nullptr);
  const std::string text = TextOf(label), head = "trace of 30 :";
  ASSERT_EQ(text.compare(0, head.size(), head), 0) << text;
  const size_t gap = text.find(" ...");
  ASSERT_NE(gap, std::string::npos) << text;
  std::vector<int> first, last;
  for (std::istringstream words(text.substr(head.size(), gap - head.size())); !words.eof();) {
    int n = -1;
    if (words >> n) first.push_back(n);
  }
  for (std::istringstream words(text.substr(gap + 4)); !words.eof();) {
    int n = -1;
    if (words >> n) last.push_back(n);
  }
  ASSERT_GE(last.size(), 2u) << text;
  EXPECT_EQ(first.size(), last.size() + (first.size() + last.size()) % 2) << text;
  for (size_t i = 0; i < first.size(); ++i) EXPECT_EQ(first[i], int(1000 + i)) << text;
  for (size_t i = 0; i < last.size(); ++i) EXPECT_EQ(last[i], int(1030 - last.size() + i)) << text;
  float size = float(TextSize);
  char shown[160];
  FitButtonLabel(text.c_str(), float(label->right - label->left - 2 * InterfaceScaleRounded), &size, shown, sizeof shown);
  EXPECT_EQ(std::string(shown), text) << "drawn whole";
  EXPECT_LE(label->right, 12 * ButtonWidth) << "the panel's width";
  st.traceCount = 0;
}

TEST_F(PanelsTest, TheSubobjectPanelsRowsHoldTheirButtonsAtTheirWidths) {
  Start(SampleCar);
  Mode(ModeSubobject);
  int objects = 1;
  while (ObjectAtTreeIndex(model, objects)) ++objects;
  // A row an object: its letter, its name of ten units and its triangle mark.
  std::string list;
  for (int k = 0; k < objects; ++k) list += "1 10 1 | ";
  const std::string top = "12 | 6 3 3 | 6 8 | 4 8";
  const std::string tools = "12 | 6 6 | 8 4 | 6 1 1 | 6 6";
  // The position and the angle side by side: each a letter, a value of five units and steps.
  const std::string values = "8 8 | 1 5 1 1 1 5 1 1 | 1 5 1 1 1 5 1 1 | 1 5 1 1 1 5 1 1";
  PanelOnly(AddSubobjectPanel);
  EXPECT_EQ(RowLayout(0), list + top + " | 12 | " + tools + " | " + values) << "the main object";
  ClickButton(InterfaceButtons[4]);  // the first subobject's name
  ASSERT_EQ(EditedObject, &model.children[0]);
  PanelOnly(AddSubobjectPanel);
  // The flip function, the two flags (a label of ten units and its switch), delete and
  // duplicate, the merge.
  EXPECT_EQ(RowLayout(0), list + top + " | 6 6 | 10 2 | 10 2 | 4 8 | 12 | " + tools + " | " + values)
      << "a subobject";
  modeller->showMoveRows = 1;
  modeller->showScaleRows = 1;
  PanelOnly(AddSubobjectPanel);
  const std::string axisRows = "10 1 1 | 10 1 1 | 10 1 1";
  EXPECT_EQ(RowLayout(0), list + top + " | 6 6 | 10 2 | 10 2 | 4 8 | 12 | " + tools + " | " + axisRows + " | " +
                              axisRows + " | 12 | " + values)
      << "with the move and scale rows";
}

// Two triangles apart: the first plain, the second mirrored (drawn twice, on both sides).
TEST(OutputCounts, AMirroredTriangleCountsTwiceOverItsPointsOnBothSides) {
  ModelObject o{};
  o.Init();
  ModelBuilder b;
  b.Triangle(b.Point(0.5, 0, 0), b.Point(1, 0, 0), b.Point(0.5, 0, 1));
  b.Triangle(b.Point(2, 0, 0), b.Point(3, 0, 0), b.Point(2, 0, 1));
  b.Into(o);
  o.triangles[1].flags |= TRIANGLE_MIRRORED;
  int64_t triangles = -1, vertices = -1;
  OutputCounts(o, 0, triangles, vertices);
  EXPECT_EQ(triangles, 1 + 2);
  EXPECT_EQ(vertices, 3 + 2 * 3);
  // A corner on the reflected side shares the mirrored copy's vertex.
  o.triangles[0].corners[0] = uint16_t(o.triangles[1].corners[0] | CORNER_MIRRORED);
  OutputCounts(o, 0, triangles, vertices);
  EXPECT_EQ(vertices, 2 + 2 * 3);
  // With the second plain, that corner is a vertex of its own beside the point's own.
  o.triangles[1].flags &= uint8_t(~TRIANGLE_MIRRORED);
  OutputCounts(o, 0, triangles, vertices);
  EXPECT_EQ(triangles, 2);
  EXPECT_EQ(vertices, 3 + 3);
  o.triangles[1].flags |= TRIANGLE_MIRRORED;
  // Another level's triangles do not count; a level past the count is the last.
  o.lodCount = 2;
  o.triangles[0].lod = 1;
  OutputCounts(o, 0, triangles, vertices);
  EXPECT_EQ(triangles, 2);
  OutputCounts(o, 5, triangles, vertices);
  EXPECT_EQ(triangles, 1);
  EXPECT_EQ(vertices, 3);
  // A record with no level counted (zeroed, never read from a file) is taken as one level:
  // level 0, the mirrored triangle alone, twice over its three points.
  o.lodCount = 0;
  OutputCounts(o, 0, triangles, vertices);
  EXPECT_EQ(triangles, 2);
  EXPECT_EQ(vertices, 2 * 3);
  o.Free();
}

}  // namespace
}  // namespace modeller_test

// The subobject list colours each name by its kind: 1 (the wings, the undertray and the aero
// centre) red, 2 green, 3 orange, 4 yellow, 5 light orange, and anything else the panel grey.
TEST(SubobjectLabels, EachKindTakesItsColourAndTheKindsPastTheEndsAreGrey) {
  EXPECT_EQ(LabelKindColour(0), &TextColours.panelGrey);
  EXPECT_EQ(LabelKindColour(1), &TextColours.red);
  EXPECT_EQ(LabelKindColour(2), &TextColours.green);
  EXPECT_EQ(LabelKindColour(3), &TextColours.orange);
  EXPECT_EQ(LabelKindColour(4), &TextColours.yellow);
  EXPECT_EQ(LabelKindColour(5), &TextColours.lightOrange);
  EXPECT_EQ(LabelKindColour(6), &TextColours.panelGrey);
  EXPECT_EQ(LabelKindColour(-1), &TextColours.panelGrey);
}
