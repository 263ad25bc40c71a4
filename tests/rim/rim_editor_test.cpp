// rim_editor_test.cpp - the rim editor over a car's rim as the frame loop drives it: each
// frame's buttons pressed as the mouse would, keys handed to the screen, typed answers
// confirmed in the text entry.  Surfaces made and refused, surfaces and points deleted,
// colours stepped, copied, removed and renamed, rims saved and loaded (damaged files and bad
// names refused with the rim unchanged), and what opening and closing leave of the rim.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "core/config.h"
#include "core/data_file.h"
#include "core/frame_globals.h"
#include "core/report.h"
#include "core/window_state.h"
#include "physics/car.h"
#include "platform/files.h"
#include "rim/rim_screen.h"
#include "tests/core/report_recorder.h"
#include "tests/rim/front_tyre.h"
#include "tests/ui/control_clicks.h"
#include "ui/dialogs.h"
#include "ui/interface.h"
#include "vehicle/wheel_profile.h"

namespace {

void NoHook(void*) {}

class RimEditor : public ::testing::Test {
 protected:
  ReportRecorder reports;  // what was reported, for the fixture's life
  Prss parent{};
  std::unique_ptr<Car> car;
  WXS rim;
  RimScreen* s = nullptr;

  void SetUp() override {
    std::filesystem::remove_all("data");
    std::filesystem::create_directories("data/whl");
    ScreenWidth = 1024;
    ScreenHeight = 768;
    SetInterfaceMetrics();
    PointButtonTopLimit = 0;
    CfgBlobSize = 5;  // the point buttons' half size
    ResetInterfaceState();
    ResetDialogs();
    KeyState[1] = KeyState[2] = 0;
    FrameTime = 20;
    car = std::make_unique<Car>();
    FitSampleFrontTyre(*car);
    MakeRim(rim);
    EditorFrameHook = NoHook;
    EditorFrameHookArgument = &parent;
    Prss_Init(&parent, nullptr, nullptr, nullptr, nullptr, Prss_Terminate, nullptr);
  }
  void TearDown() override {
    if (parent.sub) {
      parent.sub->terminate(parent.sub);
      Prss_ActSub(&parent);
    }
    ResetDialogs();
    ResetInterfaceState();
    FilesInjectCommitFailures(0, 0);
    EditorFrameHook = nullptr;
    EditorFrameHookArgument = nullptr;
  }
  // Points 0 and 1 and three more; mappings "M1rim" (the master of digit 1), "C1face",
  // "D1shade", "C2other" and an unused "spare"; surfaces 1-0, 0-2 and 2-4 with mappings 0, 1
  // and 2, and 3-4 with mapping 3.
  static void MakeRim(WXS& r) {
    r.MakeDefault("M1rim", RgbWord(100, 100, 100));
    for (GraphPoint p : {GraphPoint{0.5f, 3.2f}, GraphPoint{1.25f, 2.5f}, GraphPoint{3.0f, 3.75f}})
      AppendGraphPoint(r, p);
    const char* names[] = {"C1face", "D1shade", "C2other", "spare"};
    r.mappingCount = 5;
    r.mappings = static_cast<ModelMapping*>(std::realloc(r.mappings, 5 * sizeof(ModelMapping)));
    for (int i = 1; i < 5; ++i) {
      r.mappings[i].Init(0);
      std::strcpy(r.mappings[i].name, names[i - 1]);
      r.mappings[i].colour = RgbWord(10 * i, 20 * i, 30 * i);
    }
    r.surfaceCount = 4;
    r.surfaces = static_cast<RimSurface*>(std::realloc(r.surfaces, 4 * sizeof(RimSurface)));
    r.surfaces[1] = {0, 2, 0, 1};
    r.surfaces[2] = {2, 4, 3, 2};
    r.surfaces[3] = {3, 4, 0, 3};
    r.secondByte = 1;
  }
  void Open() {
    s = CreateRimScreen(&parent, &rim, car.get());
    ASSERT_NE(s, nullptr);
    Prss_AddSub(&parent, &s->prss);
    Frame();
  }
  void Frame() {
    ClearInterface();
    Prss_ActSub(&parent);
  }
  GraphWXS& graph() { return s->graph; }
  // The frame's button with that handler and word.
  static const InterfaceButton* ButtonOf(InterfaceHandler handler, uintptr_t word) {
    for (int i = ButtonCount - 1; i >= 0; --i)
      if (InterfaceButtons[i].handler == handler && InterfaceButtons[i].word == word) return &InterfaceButtons[i];
    return nullptr;
  }
  void Press(InterfaceHandler handler, uintptr_t word, int clickCode = CLICK_LEFT) {
    const InterfaceButton* b = ButtonOf(handler, word);
    ASSERT_NE(b, nullptr) << "no button of word " << word;
    ClickButton(*b, clickCode);
    Frame();
  }
  void Click(const char* text) {
    const InterfaceButton* b = FindShownButton(text);
    ASSERT_NE(b, nullptr) << "no button \"" << text << "\"";
    ClickButton(*b);
    Frame();
  }
  void Key(int key) {
    Prss_DeliverKey(key);
    Frame();
  }
  void Answer(const char* text) {
    ASSERT_EQ(OpenTextEntry.open, 1) << "a text entry is asked for";
    ASSERT_EQ(ConfirmTextEntry(text), 1);
    Frame();
    Frame();
  }
  static std::vector<uint8_t> Body(const WXS& r) {
    DataFile f{};
    f.BeginMemoryWrite(0, nullptr);
    WriteRim(r, f);
    f.BeginMemoryWrite(1, nullptr);
    WriteRim(r, f);
    EXPECT_EQ(f.FinishMemoryWrite(), 1);
    std::vector<uint8_t> bytes(f.buffer, f.buffer + (f.size - DATA_FILE_HEADER_SIZE));
    f.StartMemoryRead();
    f.Close();
    return bytes;
  }
  static std::vector<uint8_t> Read(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  // The message boxes shown, each its first text and, when it has one, its second after a space.
  static std::vector<std::string> Boxes() {
    std::vector<std::string> out;
    for (const std::string& box : ReportRecorder::Reports().boxes) {
      const size_t bar = box.find('|');
      const std::string second = box.substr(bar + 1);
      out.push_back(box.substr(0, bar) + (second == "-" ? "" : " " + second));
    }
    return out;
  }
  static void ClearBoxes() { ReportRecorder::Reports().boxes.clear(); }
  static bool Said(const std::vector<std::string>& texts, const std::string& part) {
    for (const std::string& t : texts)
      if (t.find(part) != std::string::npos) return true;
    return false;
  }
};

TEST_F(RimEditor, OpeningRemovesTheUnusedMappingsAndTheAreaFollowsTheRimsShape) {
  Open();
  ASSERT_EQ(rim.mappingCount, 4) << "\"spare\" goes";
  EXPECT_STREQ(rim.mappings[3].name, "C2other");
  EXPECT_EQ(RimEditorCar, car.get());
  EXPECT_EQ(EditorFrameHook, &DrawRimEditor);
  EXPECT_EQ(CurrentProcess, &s->prss);
  // The area: the screen's height times the rim's width and edges over its inner radius.
  const SuspensionBlock& front = car->wheelSets[1];
  const double ratio = (double(front.rimWidth) + 0.01) / (double(front.rimRadius) - 0.005);
  EXPECT_EQ(s->areaWidth, int(std::rint(768 * ratio)));
  EXPECT_EQ(graph().left, 40);
  EXPECT_EQ(graph().width, s->areaWidth - 80);
  // A ratio that is 0 or not finite gives the width less the panel; a wide rim stops there.
  const int most = 1024 - 12 * ButtonWidth;
  Car flat;
  EXPECT_EQ(RimAreaWidth(&flat, 1024, 768), most) << "all dimensions 0";
  flat.wheelSets[1].rimWidth = -0.01f;
  flat.wheelSets[1].rimRadius = 0.2f;
  EXPECT_EQ(RimAreaWidth(&flat, 1024, 768), most) << "ratio 0";
  flat.wheelSets[1].rimRadius = 0.005f;
  flat.wheelSets[1].rimInnerDepthMm = 5;
  flat.wheelSets[1].rimWidth = 0.2f;
  EXPECT_EQ(RimAreaWidth(&flat, 1024, 768), most) << "an inner radius of 0";
  flat.wheelSets[1].rimRadius = std::nanf("");
  EXPECT_EQ(RimAreaWidth(&flat, 1024, 768), most);
  flat.wheelSets[1].rimRadius = 0.1f;
  flat.wheelSets[1].rimWidth = 0.5f;
  EXPECT_EQ(RimAreaWidth(&flat, 1024, 768), most) << "wider than the screen leaves";
  EXPECT_EQ(RimAreaWidth(nullptr, 1024, 768), most);
  // The panel stands right of the area.
  const InterfaceButton* load = FindShownButton("load");
  ASSERT_NE(load, nullptr);
  EXPECT_EQ(load->left, s->areaWidth);
  EXPECT_EQ(load->top, 0);
  // The file and mode buttons are four widths each, two to a row.
  const InterfaceButton* save = FindShownButton("save");
  const InterfaceButton* point = FindShownButton("point");
  const InterfaceButton* surface = FindShownButton("surface");
  ASSERT_TRUE(save && point && surface);
  EXPECT_EQ(load->right - load->left, 4 * ButtonWidth);
  EXPECT_EQ(save->left, s->areaWidth + 4 * ButtonWidth);
  EXPECT_EQ(point->left, s->areaWidth);
  EXPECT_EQ(surface->left, s->areaWidth + 4 * ButtonWidth);
  EXPECT_EQ(point->top, ButtonHeight);
  EXPECT_EQ(load->fourth.i, 0) << "file buttons are never lit";
  EXPECT_EQ(save->fourth.i, 0);
}

TEST_F(RimEditor, TwoPointPressesMakeASurfaceWithTheCurrentMappingWithinTheLimits) {
  Open();
  GraphWXS& g = graph();
  Click("surface");
  ASSERT_EQ(g.mode, RIM_MODE_SURFACE);
  // The fourth mapping's row made current by a left press on its count.
  Press(RimMappingRow, 4);
  EXPECT_EQ(g.currentMapping, 3);
  const int before = rim.surfaceCount;
  car->wheelMeshesBuilt = 1;
  Press(RimSurfacePointPressed, 3);
  ASSERT_EQ(g.selectionCount, 1);
  Press(RimSurfacePointPressed, 3);
  EXPECT_EQ(g.selectionCount, 0) << "the same point again clears it";
  Press(RimSurfacePointPressed, 3);
  Press(RimSurfacePointPressed, 1);
  ASSERT_EQ(rim.surfaceCount, before + 1);
  const RimSurface& made = rim.surfaces[before];
  EXPECT_EQ(made.first, 3u);
  EXPECT_EQ(made.second, 1u);
  EXPECT_EQ(made.group, 0u);
  EXPECT_EQ(made.mapping, 3u);
  EXPECT_EQ(g.selectionCount, 0);
  EXPECT_EQ(car->wheelMeshesBuilt, 0) << "the wheels are made again";
  // No current mapping: nothing is made.
  g.currentMapping = -1;
  Press(RimSurfacePointPressed, 2);
  Press(RimSurfacePointPressed, 4);
  EXPECT_EQ(rim.surfaceCount, before + 1);
  // Up to twelve surfaces; the thirteenth is refused.
  Press(RimSurfacePointPressed, 2);  // clears the waiting selection
  g.currentMapping = 0;
  for (int tries = 0; tries < 20 && rim.surfaceCount < 12; ++tries) {
    Press(RimSurfacePointPressed, 2);
    Press(RimSurfacePointPressed, 3);
  }
  ASSERT_EQ(rim.surfaceCount, 12) << "surfaces of mapping 0 are made";
  Press(RimSurfacePointPressed, 4);
  Press(RimSurfacePointPressed, 0);
  EXPECT_EQ(rim.surfaceCount, 12);
  // A surface's button selects it and makes its mapping current; a second press lets go.
  Press(RimSurfacePressed, 3);
  EXPECT_EQ(g.selectedSurface, 3);
  EXPECT_EQ(g.currentMapping, 3);
  EXPECT_EQ(g.selectionCount, 0);
  Press(RimSurfacePressed, 3);
  EXPECT_EQ(g.selectedSurface, -1);
  // "point" clears both selections.
  Press(RimSurfacePressed, 1);
  Click("point");
  EXPECT_EQ(g.mode, RIM_MODE_POINT);
  EXPECT_EQ(g.selectedSurface, -1);
}

TEST_F(RimEditor, DeleteTakesTheSelectedSurfaceOrTheSelectedPoints) {
  Open();
  GraphWXS& g = graph();
  Click("surface");
  // Three surfaces: deleting the first leaves the third in its place.
  rim.surfaceCount = 3;
  const RimSurface third = rim.surfaces[2];
  Frame();
  Press(RimSurfacePressed, 0);
  ASSERT_EQ(g.selectedSurface, 0);
  // The selected surface's smoothing group steps, and the wheels are made again.
  car->wheelMeshesBuilt = 1;
  const InterfaceButton* up = nullptr;
  for (int i = 0; i < ButtonCount; ++i)
    if (InterfaceButtons[i].word == reinterpret_cast<uintptr_t>(&rim.surfaces[0].group) &&
        InterfaceButtons[i].style == BUTTON_STYLE_INT_PLUS)
      up = &InterfaceButtons[i];
  ASSERT_NE(up, nullptr) << "the \"Smoothing group\" row";
  ClickButton(*up);
  Frame();
  EXPECT_EQ(rim.surfaces[0].group, 1u);
  EXPECT_EQ(car->wheelMeshesBuilt, 0);
  car->wheelMeshesBuilt = 1;
  Key(KEYCODE_DELETE);
  EXPECT_EQ(car->wheelMeshesBuilt, 0) << "a deleted surface makes the wheels again";
  ASSERT_EQ(rim.surfaceCount, 2);
  EXPECT_EQ(rim.surfaces[0].first, third.first);
  EXPECT_EQ(rim.surfaces[0].second, third.second);
  EXPECT_EQ(rim.surfaces[0].mapping, third.mapping);
  EXPECT_EQ(g.selectedSurface, -1);
  // The last ones go and the array with them.
  Press(RimSurfacePressed, 1);
  Key(KEYCODE_DELETE);
  Press(RimSurfacePressed, 0);
  Key(KEYCODE_DELETE);
  EXPECT_EQ(rim.surfaceCount, 0);
  EXPECT_EQ(rim.surfaces, nullptr);
  // No surface selected: Delete removes the selected points (not points 0 and 1).
  Click("point");
  const int points = rim.numPoints;
  Press(GraphPointButton, 3);
  ASSERT_TRUE(g.IsSelected(3));
  ClickButton(*FindShownButton("select all"));
  Frame();
  Key(KEYCODE_DELETE);
  EXPECT_EQ(rim.numPoints, 2) << points;
  EXPECT_EQ(rim.points[1].x, 4.0f);
  // With only the two fixed points left, a change still puts them back at (0, 4) and (4, 4).
  rim.points[0] = GraphPoint{1.0f, 1.0f};
  rim.points[1] = GraphPoint{2.0f, 2.0f};
  Key(' ');
  EXPECT_EQ(rim.points[0].x, 0.0f);
  EXPECT_EQ(rim.points[0].y, 4.0f);
  EXPECT_EQ(rim.points[1].x, 4.0f);
  EXPECT_EQ(rim.points[1].y, 4.0f);
}

// The graph's area is placed as the screen is made, before its first frame.
TEST_F(RimEditor, TheAreaIsPlacedBeforeTheFirstFrame) {
  s = CreateRimScreen(&parent, &rim, car.get());
  ASSERT_NE(s, nullptr);
  Prss_AddSub(&parent, &s->prss);
  EXPECT_EQ(s->areaHeight, 768);
  const SuspensionBlock& front = car->wheelSets[1];
  const double ratio = (double(front.rimWidth) + 0.01) / (double(front.rimRadius) - 0.005);
  EXPECT_EQ(s->areaWidth, int(std::rint(768 * ratio)));
}

// A selected surface index equal to the surface count names no surface: the panel shows no
// smoothing group row for it and Delete takes nothing.
TEST_F(RimEditor, ASelectedSurfaceIndexAtTheCountShowsNoGroupRowAndDeletesNothing) {
  Open();
  GraphWXS& g = graph();
  Click("surface");
  const auto groupRows = [] {
    int rows = 0;
    for (int i = 0; i < ButtonCount; ++i) rows += InterfaceButtons[i].style == BUTTON_STYLE_INT_PLUS;
    return rows;
  };
  Frame();
  const int none = groupRows();
  g.selectedSurface = rim.surfaceCount - 1;
  Frame();
  EXPECT_GT(groupRows(), none) << "the last surface has its row";
  g.selectedSurface = rim.surfaceCount;
  Frame();
  EXPECT_EQ(groupRows(), none);
  const int surfaces = rim.surfaceCount;
  Key(KEYCODE_DELETE);
  EXPECT_EQ(rim.surfaceCount, surfaces);
}

TEST_F(RimEditor, AColourStepReachesTheSameDigitsMappingsAndDupDelAndRenameWork) {
  Open();
  GraphWXS& g = graph();
  // "+" of the master's red slider.
  uint8_t* red = reinterpret_cast<uint8_t*>(&rim.mappings[0].colour);
  const InterfaceButton* plus = nullptr;
  for (int i = 0; i < ButtonCount; ++i)
    if (InterfaceButtons[i].word == reinterpret_cast<uintptr_t>(red) &&
        InterfaceButtons[i].style == BUTTON_STYLE_COLOUR_PLUS)
      plus = &InterfaceButtons[i];
  ASSERT_NE(plus, nullptr);
  const ColourWord other = rim.mappings[3].colour;
  car->wheelMeshesBuilt = 1;
  ClickButton(*plus);
  Frame();
  const ColourWord master = rim.mappings[0].colour;
  EXPECT_GT(ColourRed(master), 100u);
  EXPECT_EQ(rim.mappings[1].colour & 0xFFFFFFu, master & 0xFFFFFFu) << "\"C1face\" follows its master";
  EXPECT_EQ(ColourRed(rim.mappings[2].colour), ColourRed(master) * 3 / 5) << "\"D1shade\" at three fifths";
  EXPECT_EQ(rim.mappings[3].colour, other) << "another digit stays";
  EXPECT_EQ(car->wheelMeshesBuilt, 0);

  // "dup" copies the current mapping up to sixteen; "del" removes an unused current one.  They
  // are plain buttons, never shown lit.
  for (const char* text : {"dup", "del"}) {
    const InterfaceButton* button = FindShownButton(text);
    ASSERT_NE(button, nullptr) << text;
    EXPECT_EQ(button->fourth.i, 0) << text;
  }
  Press(RimMappingRow, 3);
  ASSERT_EQ(g.currentMapping, 2);
  Click("dup");
  ASSERT_EQ(rim.mappingCount, 5);
  EXPECT_EQ(g.currentMapping, 4);
  EXPECT_STREQ(rim.mappings[4].name, "D1shade");
  EXPECT_EQ(rim.mappings[4].colour, rim.mappings[2].colour);
  for (int tries = 0; tries < 20 && rim.mappingCount < 16; ++tries) Click("dup");
  ASSERT_EQ(rim.mappingCount, 16);
  Click("dup");
  EXPECT_EQ(rim.mappingCount, 16) << "a seventeenth is refused";
  EXPECT_NE(FindShownButton("cols : 16"), nullptr);
  Click("del");
  EXPECT_EQ(rim.mappingCount, 15);
  EXPECT_EQ(g.currentMapping, 0);
  Click("del");
  EXPECT_EQ(rim.mappingCount, 15) << "mapping 0 stays";
  Press(RimMappingRow, 2);
  Click("del");
  EXPECT_EQ(rim.mappingCount, 15) << "a mapping in use stays";

  // A right press on a row asks for its new name.
  Press(RimMappingRow, 4, CLICK_RIGHT);
  ASSERT_EQ(OpenTextEntry.open, 1);
  EXPECT_STREQ(OpenTextEntry.prompt, "Enter new name for colour");
  Answer("C1renamed and far too long");
  EXPECT_STREQ(rim.mappings[3].name, "C1renamed and f") << "cut to the field";
  EXPECT_EQ(rim.mappings[3].colour & 0xFFFFFFu, master & 0xFFFFFFu) << "now of digit 1";
  EXPECT_EQ(g.currentMapping, 1) << "a rename leaves the current mapping";
}

TEST_F(RimEditor, SaveThenLoadGivesTheSameRimAndBadFilesAndNamesLeaveItAsItWas) {
  Open();
  Click("save");
  ASSERT_EQ(OpenTextEntry.open, 1);
  EXPECT_STREQ(OpenTextEntry.prompt, "Enter name of rim to SAVE");
  Answer("wheel1");
  const std::vector<uint8_t> saved1 = Read("data/whl/wheel1.wxs");
  ASSERT_FALSE(saved1.empty());
  const std::vector<uint8_t> body = Body(rim);
  // Changed, then loaded back.
  Click("dup");
  rim.points[3].y = 1.0f;
  rim.secondByte = 0;
  car->wheelMeshesBuilt = 1;
  graph().selectedSurface = 1;
  s->shownGroup = int32_t(rim.surfaces[1].group);  // already shown: no frame makes the wheels again
  graph().currentMapping = 2;
  Key('A');
  ASSERT_EQ(graph().selectionCount, 5) << "every point selected before the load";
  Click("load");
  EXPECT_STREQ(OpenTextEntry.prompt, "Enter name of rim to LOAD");
  ASSERT_EQ(car->wheelMeshesBuilt, 1);
  Answer("wheel1");
  EXPECT_EQ(Body(rim), body) << "the same points, surfaces, mappings and second byte";
  EXPECT_EQ(rim.secondByte, 1);
  EXPECT_EQ(car->wheelMeshesBuilt, 0) << "the loaded rim makes the wheels again";
  EXPECT_EQ(graph().currentMapping, 0);
  EXPECT_EQ(graph().selectedSurface, -1) << "no surface of the loaded rim is selected";
  EXPECT_EQ(graph().selectionCount, 0) << "nor any of its points";
  Click("save");
  Answer("wheel2");
  EXPECT_EQ(Read("data/whl/wheel2.wxs"), saved1) << "written again to the same bytes";

  // A damaged file names itself and the field; the rim stays byte for byte.
  std::vector<uint8_t> cut(saved1.begin(), saved1.end() - 3);
  {
    std::ofstream out("data/whl/cut.wxs", std::ios::binary);
    out.write(reinterpret_cast<const char*>(cut.data()), std::streamsize(cut.size()));
  }
  ClearBoxes();
  Click("load");
  Answer("cut");
  ASSERT_EQ(Boxes().size(), 1u);
  const std::string prefix = "Rim file is damaged : data/whl/cut.wxs - ";
  EXPECT_EQ(Boxes()[0].rfind(prefix, 0), 0u) << Boxes()[0];
  EXPECT_GT(Boxes()[0].size(), prefix.size()) << "the field is named";
  EXPECT_EQ(Body(rim), body);
  // Names that could leave the folder are refused before any path is made.
  for (const char* bad : {"a/b", "..\\away", "c:x", ""}) {
    ClearBoxes();
    LoadRimIntoEditor(&s->prss, bad, 0);
    EXPECT_TRUE(Said(Boxes(), "Invalid file name")) << bad;
    SaveRimAnswered(&s->prss, bad, 0);
    EXPECT_EQ(Boxes().size(), 2u) << bad;
  }
  EXPECT_EQ(Body(rim), body);
  EXPECT_FALSE(std::filesystem::exists("data/away.wxs"));
  // A save whose file cannot be committed says so and keeps the old file.
  rim.secondByte = 0;
  ClearBoxes();
  FilesInjectCommitFailures(1, ENOSPC);
  Click("save");
  Answer("wheel2");
  EXPECT_EQ(OpenTextEntry.open, 1) << "\"Overwrite existing file?\"";
  Answer("wheel2");
  EXPECT_TRUE(Said(Boxes(), "Could not write file :"));
  EXPECT_TRUE(Said(ReportRecorder::Reports().lines, "Could not write file : ^Ldata/whl/wheel2.wxs"))
      << "a message line names the file too";
  EXPECT_EQ(Read("data/whl/wheel2.wxs"), saved1);
}

TEST_F(RimEditor, ClosingKeepsOnlyWhatSurfacesUseAndGivesBackTheHook) {
  Open();
  AppendGraphPoint(rim, GraphPoint{2.0f, 1.0f});
  rim.surfaces[3].mapping = 0;  // "C2other" now unused
  car->wheelMeshesBuilt = 1;
  Key(27);
  EXPECT_EQ(parent.sub, nullptr);
  s = nullptr;
  // Points 0 and 1 and the ends of surfaces stay: 0, 1, 2, 3, 4.
  EXPECT_EQ(rim.numPoints, 5);
  ASSERT_EQ(rim.mappingCount, 3);
  EXPECT_STREQ(rim.mappings[2].name, "D1shade");
  EXPECT_EQ(EditorFrameHook, &NoHook);
  EXPECT_EQ(EditorFrameHookArgument, &parent);
  EXPECT_EQ(car->wheelMeshesBuilt, 0);
  EXPECT_EQ(RimEditorCar, nullptr);
  EXPECT_EQ(CurrentProcess, &parent);

  // Closed with every point in use, nothing deleted: the wheels are still made again.
  Open();
  ASSERT_EQ(rim.numPoints, 5);
  car->wheelMeshesBuilt = 1;
  Key(27);
  s = nullptr;
  EXPECT_EQ(rim.numPoints, 5);
  EXPECT_EQ(car->wheelMeshesBuilt, 0);
}

// Surface mode: one button per point at its place, points 0 and 1 in (255, 200, 80), the rest
// in (160, 220, 255); one button per surface at the middle of its ends in its mapping's
// colour, white when the mapping does not exist.
TEST_F(RimEditor, SurfaceModeShowsAButtonPerPointAndPerSurfaceInItsMappingsColour) {
  Open();
  GraphWXS& g = graph();
  rim.surfaces[3].mapping = uint32_t(rim.mappingCount);  // one past the last: white
  Click("surface");
  const auto px = [&](float x) { return int(std::rint((x - g.originX) * float(g.width) / g.scaleW + float(g.left))); };
  const auto py = [&](float y) {
    return int(std::rint(float(g.top + g.height) - (y - g.originY) * float(g.height) / g.scaleH));
  };
  const auto packed = [](int r, int gr, int b) { return intptr_t(r) << 16 | intptr_t(gr) << 8 | intptr_t(b); };
  std::vector<const InterfaceButton*> points, surfaces;
  for (int i = 0; i < ButtonCount; ++i) {
    if (InterfaceButtons[i].handler == RimSurfacePointPressed) points.push_back(&InterfaceButtons[i]);
    if (InterfaceButtons[i].handler == RimSurfacePressed) surfaces.push_back(&InterfaceButtons[i]);
  }
  ASSERT_EQ(points.size(), 5u);
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(points[size_t(i)]->word, uintptr_t(i));
    EXPECT_EQ(points[size_t(i)]->left, px(rim.points[i].x) - 5);
    EXPECT_EQ(points[size_t(i)]->top, py(rim.points[i].y) - 5);
    EXPECT_EQ(points[size_t(i)]->third.i, i < 2 ? packed(255, 200, 80) : packed(160, 220, 255));
  }
  ASSERT_EQ(surfaces.size(), 4u);
  const intptr_t colours[4] = {packed(100, 100, 100), packed(10, 20, 30), packed(20, 40, 60), packed(255, 255, 255)};
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    const RimSurface& f = rim.surfaces[i];
    const GraphPoint a = rim.points[f.first], b = rim.points[f.second];
    EXPECT_EQ(surfaces[size_t(i)]->word, uintptr_t(i));
    EXPECT_EQ(surfaces[size_t(i)]->left, (px(a.x) + px(b.x)) / 2 - 5);
    EXPECT_EQ(surfaces[size_t(i)]->top, (py(a.y) + py(b.y)) / 2 - 5);
    EXPECT_EQ(surfaces[size_t(i)]->third.i, colours[i]);
  }
  // A surface ending at the point one past the last has no button.
  const uint32_t end = rim.surfaces[2].second;
  rim.surfaces[2].second = uint32_t(rim.numPoints);
  Frame();
  int shown = 0;
  for (int i = 0; i < ButtonCount; ++i) shown += InterfaceButtons[i].handler == RimSurfacePressed;
  EXPECT_EQ(shown, 3);
  rim.surfaces[2].second = end;
  rim.surfaces[3].mapping = 3;
}

// A mapping count below zero is a rim with no mappings: every surface's button is white, even
// those whose mapping numbers 0 to 3 still have records behind the count.
TEST_F(RimEditor, ANegativeMappingCountShowsEverySurfaceInWhite) {
  Open();
  Click("surface");
  const int count = rim.mappingCount;
  rim.mappingCount = -1;
  Frame();
  std::vector<intptr_t> colours;
  for (int i = 0; i < ButtonCount; ++i)
    if (InterfaceButtons[i].handler == RimSurfacePressed) colours.push_back(InterfaceButtons[i].third.i);
  rim.mappingCount = count;  // closing the editor walks the mappings back from the count
  const intptr_t white = intptr_t(255) << 16 | intptr_t(255) << 8 | intptr_t(255);
  ASSERT_EQ(colours.size(), 4u);
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(colours[i], white) << "surface " << i;
}

// The lowest count there is draws no mapping row either: the rows are counted from zero up,
// so the frame never multiplies the count itself by a row's height, and the total reads the
// count as it stands.
TEST_F(RimEditor, TheLowestMappingCountDrawsNoRowsAndShowsTheCount) {
  Open();
  const int count = rim.mappingCount;
  rim.mappingCount = INT_MIN;
  Frame();
  const bool total = FindShownButton("cols : -2147483648") != nullptr;
  std::vector<std::string> rows;
  char shown[128];
  for (int i = 0; i < ButtonCount; ++i)
    if (ButtonText(InterfaceButtons[i], shown, sizeof shown) && std::strstr(shown, " surf")) rows.push_back(shown);
  rim.mappingCount = count;  // closing the editor walks the mappings back from the count
  EXPECT_TRUE(total);
  EXPECT_TRUE(rows.empty()) << rows.size() << " rows, the first \"" << (rows.empty() ? "" : rows[0]) << "\"";
}

// The ends of the lists: a point, surface or mapping one past the last is no press; a current
// mapping one past the last makes no surface; a caller's surface limit above 255 stops at 255
// (the count is a byte); a row word past the rows' range is a colour change.
TEST_F(RimEditor, PressesOnePastTheListsEndsAreRefusedAndTheSurfaceCountStopsAt255) {
  Open();
  GraphWXS& g = graph();
  Click("surface");
  RimSurfacePointPressed(s, CLICK_LEFT, uintptr_t(rim.numPoints));
  EXPECT_EQ(g.selectionCount, 0) << "no point 5";
  RimSurfacePointPressed(s, CLICK_LEFT, uintptr_t(rim.numPoints - 1));
  ASSERT_EQ(g.selectionCount, 1) << "point 4";
  const int before = rim.surfaceCount;
  g.currentMapping = rim.mappingCount;
  RimSurfacePointPressed(s, CLICK_LEFT, 2);
  EXPECT_EQ(rim.surfaceCount, before) << "no mapping 4";
  g.currentMapping = rim.mappingCount - 1;
  RimSurfacePointPressed(s, CLICK_LEFT, 2);
  ASSERT_EQ(rim.surfaceCount, before + 1);
  EXPECT_EQ(rim.surfaces[before].mapping, uint32_t(rim.mappingCount - 1));

  RimSurfacePressed(s, CLICK_LEFT, uintptr_t(rim.surfaceCount));
  EXPECT_EQ(g.selectedSurface, -1) << "no such surface";
  RimSurfacePressed(s, CLICK_LEFT, uintptr_t(rim.surfaceCount - 1));
  EXPECT_EQ(g.selectedSurface, rim.surfaceCount - 1);
  RimSurfacePressed(s, CLICK_LEFT, uintptr_t(rim.surfaceCount - 1));

  g.currentMapping = 0;
  RimMappingRow(s, CLICK_LEFT, RimRowWord(rim.mappingCount));
  EXPECT_EQ(g.currentMapping, 0) << "no row past the last mapping";
  RimMappingRow(s, CLICK_LEFT, RimRowWord(rim.mappingCount - 1));
  EXPECT_EQ(g.currentMapping, rim.mappingCount - 1);
  car->wheelMeshesBuilt = 1;
  RimMappingRow(s, CLICK_LEFT, 0x10000);
  EXPECT_EQ(car->wheelMeshesBuilt, 1) << "the last row word: a row, not a colour change";
  RimMappingRow(s, CLICK_LEFT, 0x10001);
  EXPECT_EQ(car->wheelMeshesBuilt, 0) << "past it: a slider's address, a colour change";
  // A pasted colour (click code 10) on a row's own button changes colours, not the row.
  car->wheelMeshesBuilt = 1;
  g.currentMapping = 0;
  RimMappingRow(s, 10, RimRowWord(1));
  EXPECT_EQ(g.currentMapping, 0);
  EXPECT_EQ(OpenTextEntry.open, 0) << "no rename asked";
  EXPECT_EQ(car->wheelMeshesBuilt, 0);
  car->wheelMeshesBuilt = 1;
  RenameRimMapping(&s->prss, "other", uint32_t(rim.mappingCount));
  EXPECT_EQ(car->wheelMeshesBuilt, 1) << "no mapping past the last is renamed: nothing changes";
  std::memset(rim.mappings[0].name, 'x', 16);  // a field of 16 characters, no zero
  RenameRimMapping(&s->prss, "first", 0);
  EXPECT_STREQ(rim.mappings[0].name, "first");
  for (int i = 5; i < 16; ++i) EXPECT_EQ(rim.mappings[0].name[i], 0) << "the whole field is cleared, byte " << i;

  g.maxSurfaces = 1000;
  while (rim.surfaceCount < 255) {
    const int count = rim.surfaceCount;
    RimSurfacePointPressed(s, CLICK_LEFT, 2);
    RimSurfacePointPressed(s, CLICK_LEFT, 3);
    ASSERT_EQ(rim.surfaceCount, count + 1);
  }
  RimSurfacePointPressed(s, CLICK_LEFT, 2);
  RimSurfacePointPressed(s, CLICK_LEFT, 3);
  EXPECT_EQ(rim.surfaceCount, 255);
  EXPECT_EQ(g.selectionCount, 1) << "the second press is refused, not taken";
}

// A rim file may hold no colours and no surfaces.  Loaded, its mapping list is empty (the one
// record kept behind it is room, not a colour): a rename of mapping 0 has nothing to rename,
// so neither the record's name nor the wheels change.
TEST_F(RimEditor, ARimLoadedWithNoColoursHasNoMappingToRename) {
  Open();
  WXS bare;
  bare.MakeDefault("m", 0);
  bare.surfaceCount = 0;
  bare.mappingCount = 0;
  ASSERT_EQ(SaveRimFile(&parent, "bare", bare), 1);
  LoadRimIntoEditor(&s->prss, "bare", 0);
  Frame();
  ASSERT_EQ(rim.mappingCount, 0);
  ASSERT_EQ(rim.surfaceCount, 0);
  ASSERT_NE(rim.mappings, nullptr);
  car->wheelMeshesBuilt = 1;
  RenameRimMapping(&s->prss, "x", 0);
  EXPECT_EQ(rim.mappingCount, 0);
  EXPECT_EQ(rim.mappings[0].name[0], 0) << "the record past the count keeps its empty name";
  EXPECT_EQ(car->wheelMeshesBuilt, 1) << "no colour changed, the wheels are not made again";
}

// The graph area stops above the parent's rows, at 0 when they fill the screen; with a side
// panel wider than the screen the area's width is 0.
TEST_F(RimEditor, TheAreaIsNeverLessThanNothing) {
  Open();
  s->parentRows = 2;
  Frame();
  EXPECT_EQ(s->areaHeight, 768 - 2 * ButtonHeight);
  s->parentRows = 1000;
  Frame();
  EXPECT_EQ(s->areaHeight, 0);
  s->parentRows = 0;
  Frame();
  EXPECT_EQ(RimAreaWidth(nullptr, 12 * ButtonWidth - 1, 768), 0);
  EXPECT_EQ(RimAreaWidth(car.get(), 12 * ButtonWidth - 1, 768), 0);
}

// A press starts a pan only inside the graph area.  With the area as high as the graph's
// margin (40 pixels over the parent's two rows) the graph's one row of pixels lies on the
// area's bottom edge: a press there is below the area; with the area one pixel higher the same
// press is inside it and pans.
TEST_F(RimEditor, APressOnTheRowBelowTheAreaStartsNoPan) {
  car->wheelSets[1].rimWidth = 100.0f * car->wheelSets[1].rimRadius;  // an area as wide as the panel leaves
  Open();
  s->parentRows = 2;
  for (const int high : {40, 41}) {
    ScreenHeight = high + 2 * ButtonHeight;
    Frame();
    ASSERT_EQ(s->areaHeight, high);
    ASSERT_GT(s->areaWidth, 600);
    ASSERT_EQ(graph().top, 40);
    ASSERT_EQ(graph().height, 1);
    // A place on the graph's row clear of its buttons and points.
    MouseY = 40;
    for (MouseX = graph().left; MouseX < graph().left + graph().width && FindButtonUnderMouse(); ++MouseX) {
    }
    ASSERT_EQ(FindButtonUnderMouse(), nullptr) << "the pointer is over no button";
    MouseRecord press{};
    press.clickCode = CLICK_LEFT;
    press.leftHeld = 1;
    Prss_DeliverMouse(&press);
    EXPECT_EQ(graph().panning, high == 41 ? 1u : 0u) << "an area " << high << " pixels high";
    graph().panning = 0;
  }
  ScreenHeight = 768;
}

// A drawn frame rests the screen: the redraw asked for is done, and none stays asked for.
TEST_F(RimEditor, ADrawnFrameLeavesNoRedrawAskedFor) {
  Open();
  RedrawRequested = 1;
  Frame();
  EXPECT_EQ(RedrawRequested, 0);
  RedrawRequested = 1;
}

// The rim's panel is the rim editor's own: its buttons and colour controls record into no
// editor's history (edit domain 0) even when drawn inside an editor that records (domain 2),
// and the frame gives the editor its edit domain and row width back as it found them.
TEST_F(RimEditor, ThePanelsControlsRecordNoEditAndLeaveTheDomainAndRowWidthAsFound) {
  Open();
  EditDomain = 2;
  LayoutColumns = 9;
  Frame();
  EXPECT_EQ(EditDomain, 2);
  EXPECT_EQ(LayoutColumns, 9);
  int panel = 0;
  for (int i = 0; i < ButtonCount; ++i) {
    const InterfaceButton& b = InterfaceButtons[i];
    if (b.handler != RimFileButton && b.handler != SetRimMode && b.handler != RimMappingRow &&
        b.handler != RimMappingButton)
      continue;
    ++panel;
    EXPECT_EQ(b.editDomain, 0) << i;
  }
  EXPECT_GE(panel, 7) << "load, save, point, surface, a row's sliders and count, del and dup";
  EditDomain = 0;
  LayoutColumns = 0;
}

// The mapping rows under the mode row: each with its sliders, four rows of three quarters of a
// button high, while all of them fit above the panel's last row (exactly fitting included);
// else each but the current one a swatch and a name one button high.  Each row counts the
// surfaces using its mapping.
TEST_F(RimEditor, MappingRowsTakeTheirSlidersWhileAllFitAndCountTheirSurfaces) {
  Open();
  const int full = 4 * (ButtonHeight * 3 / 4);
  const auto countTops = [] {
    std::vector<int> tops;
    char text[64];
    for (int mapping = 0; mapping < 4; ++mapping)
      for (int i = 0; i < ButtonCount; ++i) {
        const InterfaceButton& b = InterfaceButtons[i];
        if (b.handler == RimMappingRow && b.word == RimRowWord(mapping) && ButtonText(b, text, sizeof text) &&
            std::strcmp(text, "1 surf") == 0)
          tops.push_back(b.top);
      }
    return tops;
  };
  // Room for the file row, the mode row, four full rows and the last row, exactly.
  ScreenHeight = 3 * ButtonHeight + 4 * full;
  Frame();
  std::vector<int> tops = countTops();
  ASSERT_EQ(tops.size(), 4u) << "each mapping used by one surface";
  for (size_t i = 1; i < 4; ++i) EXPECT_EQ(tops[i] - tops[i - 1], full) << i;
  // Each count stands right of its row's sliders, seven button widths from the panel's left.
  {
    const InterfaceButton* count = nullptr;
    char text[64];
    for (int i = 0; i < ButtonCount && !count; ++i)
      if (InterfaceButtons[i].handler == RimMappingRow && InterfaceButtons[i].word == RimRowWord(1) &&
          ButtonText(InterfaceButtons[i], text, sizeof text) && std::strcmp(text, "1 surf") == 0)
        count = &InterfaceButtons[i];
    ASSERT_NE(count, nullptr);
    EXPECT_EQ(count->left, s->areaLeft + s->areaWidth + 7 * ButtonWidth);
  }
  ScreenHeight -= 1;
  Frame();
  tops = countTops();
  ASSERT_GE(tops.size(), 3u);
  EXPECT_EQ(tops[1] - tops[0], full) << "the current mapping keeps its sliders";
  EXPECT_EQ(tops[2] - tops[1], ButtonHeight);
  // A short row: its swatch, then its name, which takes the row's presses too.
  const InterfaceButton* name = FindShownButton("D1shade");
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(name->handler, RimMappingRow);
  EXPECT_EQ(name->word, RimRowWord(2));
  EXPECT_EQ(name->left, s->areaLeft + s->areaWidth + 2 * ButtonWidth) << "after a swatch two widths wide";
  EXPECT_EQ(name->right - name->left, 5 * ButtonWidth) << "the name five widths wide";
  EXPECT_EQ(name->fourth.i, 0) << "a name is never shown lit";
  {
    // Its count follows the name: 2 + 5 = 7 widths from the panel's left, four wide.
    const InterfaceButton* count = nullptr;
    char text[64];
    for (int i = 0; i < ButtonCount && !count; ++i)
      if (InterfaceButtons[i].handler == RimMappingRow && InterfaceButtons[i].word == RimRowWord(2) &&
          ButtonText(InterfaceButtons[i], text, sizeof text) && std::strcmp(text, "1 surf") == 0)
        count = &InterfaceButtons[i];
    ASSERT_NE(count, nullptr);
    EXPECT_EQ(count->left, s->areaLeft + s->areaWidth + 7 * ButtonWidth);
    EXPECT_EQ(count->right - count->left, 4 * ButtonWidth);
  }
  ScreenHeight = 768;
}

// A loaded rim may hold more mappings than the panel lists: at most 64 rows, each one button
// high while another mapping is current, as many as fit above the panel's last row (the file
// row and the mode row above them): 67 button heights hold exactly 64, one pixel less 63.
TEST_F(RimEditor, AtMostSixtyFourMappingRowsAndOnlyThoseThatFit) {
  Open();
  constexpr int MAPPINGS = 70;
  rim.mappings = static_cast<ModelMapping*>(std::realloc(rim.mappings, MAPPINGS * sizeof(ModelMapping)));
  for (int i = rim.mappingCount; i < MAPPINGS; ++i) rim.mappings[i].Init(1);
  rim.mappingCount = MAPPINGS;
  graph().currentMapping = MAPPINGS - 1;  // not among the rows shown: every row is short
  const auto rows = [] {
    int count = 0;
    char text[64];
    for (int i = 0; i < ButtonCount; ++i) {
      const InterfaceButton& b = InterfaceButtons[i];
      if (b.handler != RimMappingRow || !ButtonText(b, text, sizeof text)) continue;
      const size_t n = std::strlen(text);
      count += n > 5 && std::strcmp(text + n - 5, " surf") == 0;
    }
    return count;
  };
  ScreenHeight = 80 * ButtonHeight;
  Frame();
  EXPECT_EQ(rows(), 64);
  ScreenHeight = 67 * ButtonHeight;
  Frame();
  EXPECT_EQ(rows(), 64);
  ScreenHeight = 67 * ButtonHeight - 1;
  Frame();
  EXPECT_EQ(rows(), 63);
  // Five mappings and room for all: five rows, none past the last mapping.
  rim.mappingCount = 5;
  graph().currentMapping = 0;
  ScreenHeight = 80 * ButtonHeight;
  Frame();
  EXPECT_EQ(rows(), 5);
  ScreenHeight = 768;
}

// "P" puts a point where the pointer is, off any grid (the editor does not snap), until the
// rim holds fourteen.
TEST_F(RimEditor, PointsGoWhereThePointerIsUntilThereAreFourteen) {
  Open();
  const GraphWXS& g = graph();
  // The view is 5 units wide from x -0.5 and 5 high from y 0, over the graph's pixels.
  MouseX = g.left + 123;
  MouseY = g.top + g.height - 217;
  const double x = -0.5 + 123.0 * 5.0 / g.width, y = 217.0 * 5.0 / g.height;
  ASSERT_GT(std::fabs(x * 10.0 - std::round(x * 10.0)), 0.1) << "not on the 0.1 grid";
  ASSERT_GT(std::fabs(y * 10.0 - std::round(y * 10.0)), 0.1);
  Key('P');
  ASSERT_EQ(rim.numPoints, 6);
  EXPECT_NEAR(rim.points[5].x, x, 1e-4);
  EXPECT_NEAR(rim.points[5].y, y, 1e-4);
  for (int i = 0; i < 10; ++i) Key('P');
  EXPECT_EQ(rim.numPoints, 14);
}

// A point added with "P" puts points 0 and 1 back on their fixed places, (0, 4) and (4, 4),
// and has the wheels made again.
TEST_F(RimEditor, APointAddedPutsTheFixedPointsBackAndRemakesTheWheels) {
  Open();
  const GraphWXS& g = graph();
  rim.points[0] = GraphPoint{1.0f, 2.0f};  // as a rim file with them moved would bring them
  rim.points[1] = GraphPoint{3.0f, 1.5f};
  car->wheelMeshesBuilt = 1;
  MouseX = g.left + g.width / 2;
  MouseY = g.top + g.height / 2;
  Key('P');
  ASSERT_EQ(rim.numPoints, 6);
  EXPECT_EQ(rim.points[0].x, 0.0f);
  EXPECT_EQ(rim.points[0].y, 4.0f);
  EXPECT_EQ(rim.points[1].x, 4.0f);
  EXPECT_EQ(rim.points[1].y, 4.0f);
  EXPECT_EQ(car->wheelMeshesBuilt, 0) << "the wheels are made again";
}

// Keys the editor does not take go to the graph: "A" selects every point, "C" clears.
TEST_F(RimEditor, OtherKeysGoToTheGraph) {
  Open();
  Key('A');
  EXPECT_EQ(graph().selectionCount, rim.numPoints);
  Key('C');
  EXPECT_EQ(graph().selectionCount, 0);
}

// Space makes the wheels again; "x" alone goes to the graph, Shift+X closes the editor.
TEST_F(RimEditor, SpaceRemakesTheWheelsAndShiftXCloses) {
  Open();
  car->wheelMeshesBuilt = 1;
  Key(' ');
  EXPECT_EQ(car->wheelMeshesBuilt, 0) << "the wheels are made again";
  Key('x');
  EXPECT_EQ(parent.sub, &s->prss) << "x alone does not close";
  ShiftHeld = 1;
  Key('X');
  ShiftHeld = 0;
  EXPECT_EQ(parent.sub, nullptr);
  s = nullptr;
}

TEST_F(RimEditor, TheTyreOutlineLiesWhereTheWheelBuilderPutsTheRim) {
  const SuspensionBlock& front = car->wheelSets[1];
  RimLine lines[RIM_TYRE_OUTLINE_LINES];
  const int n = RimTyreOutline(front, rim, 0, lines, RIM_TYRE_OUTLINE_LINES);
  ASSERT_EQ(n, 9);
  // The tread's top: at the rolling radius, centred between points 0 and 1.
  const float inner = front.rimRadius - 0.005f;
  float top = 0, lowest = 1e9f, leftmost = 1e9f, rightmost = -1e9f;
  for (int i = 0; i < n; ++i)
    for (const GraphPoint& p : {lines[i].a, lines[i].b}) {
      top = std::max(top, p.y);
      lowest = std::min(lowest, p.y);
      leftmost = std::min(leftmost, p.x);
      rightmost = std::max(rightmost, p.x);
    }
  EXPECT_NEAR(top, front.rollingRadius * 4.0f / inner, 1e-4f);
  EXPECT_NEAR(leftmost + rightmost, 4.0f, 1e-4f) << "symmetric about x 2";
  // The side walls reach half the section width: x 2 +- (w / 2) x 2 / (rim half width + edge).
  EXPECT_NEAR(rightmost, 2.0f + front.sectionWidth / 2 * 2.0f / (front.rimWidth / 2 + 0.005f), 1e-4f);
  EXPECT_NEAR(lowest, (front.rimRadius + 0.018f) * 4.0f / inner, 1e-4f) << "the bead";
  // No outline from dimensions that give none.
  SuspensionBlock none{};
  EXPECT_EQ(RimTyreOutline(none, rim, 0, lines, RIM_TYRE_OUTLINE_LINES), 0);
  EXPECT_EQ(RimTyreOutline(front, rim, 0, lines, 4), 4) << "at most the room given";
  rim.points[1].x = rim.points[0].x;
  EXPECT_EQ(RimTyreOutline(front, rim, 0, lines, RIM_TYRE_OUTLINE_LINES), 0) << "points 0 and 1 at one x: no width";
  // A new rim holds only its two fixed points, (0, 4) and (4, 4): they are all the outline
  // needs, so it is the same nine lines with the tread's top at the rolling radius.  One point
  // alone gives no width and no outline.
  WXS fresh;
  fresh.MakeDefault("rim", 0);
  ASSERT_EQ(fresh.numPoints, 2);
  ASSERT_EQ(RimTyreOutline(front, fresh, 0, lines, RIM_TYRE_OUTLINE_LINES), 9);
  float freshTop = 0;
  for (int i = 0; i < 9; ++i) freshTop = std::max({freshTop, lines[i].a.y, lines[i].b.y});
  EXPECT_NEAR(freshTop, front.rollingRadius * 4.0f / inner, 1e-4f);
  fresh.numPoints = 1;
  EXPECT_EQ(RimTyreOutline(front, fresh, 0, lines, RIM_TYRE_OUTLINE_LINES), 0) << "one point";
}

}  // namespace
