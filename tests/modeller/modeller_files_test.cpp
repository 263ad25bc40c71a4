// modeller_files_test.cpp - loading and saving in the modeller through its object panel, Ctrl+O
// and the file question: main objects, spoke objects, subobjects, OBJ imports, exports, the
// spoke count of the car on show, failed writes and the exit question after a save.
#include "modeller/files/modeller_files.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "model/spoke_object.h"
#include "modeller/editor/vehicle_editor_link.h"
#include "modeller/files/obj_import.h"
#include "modeller/operations/value_buttons.h"
#include "modeller/screen/modeller_screen.h"
#include "operations_fixture.h"
#include "platform/files.h"

namespace modeller_test {
namespace {

std::string FileBytes(const char* path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}
// The name of the newest edit (it labels the state after it).
const char* LastEdit() { return ModellerUndo.nodes[ModellerUndo.count].name; }
void WriteText(const char* path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

// One spoke: a quad off the axle of four points and two triangles, on one page.
void SpokeQuad(ModelObject& o) {
  o.Init();
  ModelBuilder b;
  b.Point(0, 0.1, 0.1), b.Point(0, 0.3, 0.1), b.Point(0, 0.3, 0.2), b.Point(0, 0.1, 0.2);
  b.Triangle(0, 1, 2);
  b.Triangle(0, 2, 3);
  b.Into(o);
  std::snprintf(o.name, sizeof o.name, "spoke");
}

// A spoke of n points in a row (with n - 2 triangles as a strip).
int g_spokePoints = 400;
void SpokeOfPoints(ModelObject& o) {
  o.Init();
  ModelBuilder b;
  for (int i = 0; i < g_spokePoints; ++i) b.Point(0, 0.1 + 0.001 * i, 0.1 + 0.01 * (i % 2));
  for (int i = 0; i + 2 < g_spokePoints; ++i) b.Triangle(i, i + 1, i + 2);
  b.Into(o);
}

int g_carSpokes = 0;
int CarSpokes() { return g_carSpokes; }
void SetCarSpokes(int n) { g_carSpokes = n; }

class FilesTest : public OperationsTest {
 protected:
  void SetUp() override {
    OperationsTest::SetUp();
    std::filesystem::remove_all("data/3dob");
    std::filesystem::remove_all("data/obj");
    MakeFolder("data");
    MakeFolder("data/3dob");
    MakeFolder("data/obj");
    ModellerOpenedAs = OPENED_ORDINARY;
    g_carSpokes = 0;
  }
  void TearDown() override {
    ObjectEditorShared.spokeCount = 0;
    VehicleEditorHooks.carSpokeCount = nullptr;
    VehicleEditorHooks.setCarSpokeCount = nullptr;
    FilesInjectCommitFailures(0, 0);
    OperationsTest::TearDown();
  }
  // Presses the panel's button and answers its file question.
  void File(const char* label, const char* name, const char* hint = nullptr) {
    Press(label, CLICK_LEFT, hint);
    Type(name);
    if (OpenTextEntry.open && TextEntryDialogSub.state == ENTRY_ASK_OVERWRITE) TextEntryConfirm();  // "yes"
  }
  void CloseBox() {
    if (modeller->prss.sub) CloseModellerSubScreen(*modeller);
  }
  // A car on show with the number of spokes given, its count read and set through the hooks
  // and the editor's own count the same.
  static void ShowCarWithSpokes(int spokes) {
    VehicleEditorHooks.carSpokeCount = CarSpokes;
    VehicleEditorHooks.setCarSpokeCount = SetCarSpokes;
    g_carSpokes = spokes;
    ObjectEditorShared.spokeCount = spokes;
  }
  // From three spokes one more is taken, to four, and the next refused with the message given.
  void ExpectOneSpokeMoreStopsAtFour(const char* four, const char* refusal) {
    ChangeSpokeCount(*modeller, 1);
    EXPECT_EQ(g_carSpokes, 4) << four;
    EXPECT_FALSE(MessageBoxDialog.prss.alive);
    ChangeSpokeCount(*modeller, 1);
    EXPECT_EQ(g_carSpokes, 4);
    EXPECT_STREQ(MessageBoxDialog.first, refusal);
    CloseBox();
  }
  // The name the model file at path carries.
  static std::string NameInFile(const char* path) {
    ModelObject back{};
    back.Init();
    std::string name = LoadModelFile(back, nullptr, path, 1, nullptr) ? back.name : "(unreadable)";
    back.Free();
    return name;
  }
  // The file written reads back and writes the same bytes.
  static void ExpectReadsBack(const char* path, bool spoke = false) {
    ModelObject back{};
    back.Init();
    ASSERT_EQ(spoke ? LoadSpokeObject(back, nullptr, path) : LoadModelFile(back, nullptr, path, 1, nullptr), 1) << path;
    ASSERT_EQ(spoke ? SaveSpokeObject(back, nullptr, "again.bin") : SaveModelFile(back, nullptr, "again.bin", 1), 1);
    EXPECT_TRUE(FileBytes(path) == FileBytes("again.bin")) << path << " reads back to the same bytes";
    back.Free();
  }
};

TEST_F(FilesTest, SaveAndLoadTheMainObjectThroughThePanelAndCtrlO) {
  Start(SampleCar);
  AddUndoPoint("an edit", 0, 0, 0);
  const int before = ModellerUndo.count;
  File("SAVE", "mycar");
  EXPECT_EQ(ModellerUndo.count, before + 1) << "the save fix-ups recorded \"prepare for save\"";
  EXPECT_STREQ(LastEdit(), "prepare for save");
  EXPECT_EQ(modeller->state.unchanged, 1);
  EXPECT_STREQ(model.name, "mycar");
  EXPECT_EQ(NameInFile("data/3dob/mycar.qxe"), "mycar") << "the file carries the name it is saved under";
  ExpectReadsBack("data/3dob/mycar.qxe");
  const std::vector<uint8_t> saved = Serialised();

  // A save right after a save runs no fix-ups.
  File("SAVE", "mycar");
  EXPECT_EQ(ModellerUndo.count, before + 1);
  // Save, edit, undo: no unsaved changes.
  SelectPoints({0});
  MovePoints(*modeller, 0, 65536);
  EXPECT_EQ(modeller->state.unchanged, 0);
  Buttons();
  EXPECT_NE(Find("mycar^1*"), nullptr) << "the name shows the red asterisk";
  CtrlKey('Z');
  EXPECT_EQ(modeller->state.unchanged, 1);

  // Ctrl+O asks for the name and loads it over the changed model.
  MovePoints(*modeller, 0, 65536);
  DeselectAllPoints(*modeller);  // a load deselects before it records
  const std::vector<uint8_t> changed = Serialised();
  CtrlKey('O');
  ASSERT_EQ(OpenTextEntry.open, 1);
  EXPECT_STREQ(OpenTextEntry.prompt, "Enter name of main object to LOAD");
  Type("mycar");
  EXPECT_STREQ(LastEdit(), "load mycar");
  EXPECT_EQ(modeller->state.unchanged, 1);
  // Loaded again straight after: an undo step of its own.
  const int loads = ModellerUndo.count;
  CtrlKey('O');
  ASSERT_EQ(OpenTextEntry.open, 1);
  Type("mycar");
  EXPECT_EQ(ModellerUndo.count, loads + 1);
  CtrlKey('Z');
  EXPECT_EQ(EditedObject, &model);
  EXPECT_TRUE(Serialised() == saved) << "the model as saved";
  // Undo brings back the model before the load, byte for byte.
  CtrlKey('Z');
  EXPECT_EQ(modeller->state.unchanged, 0);
  EXPECT_TRUE(Serialised() == changed) << Difference(changed, Serialised());
  // A just-saved model closes without the exit question.
  File("SAVE", "mycar");
  Key(27);
  EXPECT_EQ(MessageBoxDialog.prss.alive, 0) << "no question";
  CloseThrough();
  EXPECT_EQ(ActiveModeller, nullptr);
}

// A model saved with points and a triangle selected loads with nothing selected.
TEST_F(FilesTest, ALoadedModelHasNothingSelected) {
  Start(SampleCar);
  File("SAVE", "picked");
  Key('P', true);
  SelectPoints({0, 1});
  model.points[2].flags |= POINT_SELECTED;  // a mark the file may hold
  model.triangles[0].flags |= TRIANGLE_SELECTED;
  ASSERT_EQ(SaveModelFile(model, nullptr, "data/3dob/picked.qxe", 1), 1);
  CtrlKey('O');
  ASSERT_EQ(OpenTextEntry.open, 1);
  Type("picked");
  EXPECT_STREQ(LastEdit(), "load picked");
  EXPECT_EQ(modeller->state.selectedPointCount, 0);
  EXPECT_EQ(modeller->state.selectedTriangleCount, 0);
  for (int p = 0; p < 3; ++p) EXPECT_EQ(model.points[p].flags & POINT_SELECTED, 0) << p;
  EXPECT_EQ(model.triangles[0].flags & TRIANGLE_SELECTED, 0);
}

// Opened for a model of the track editor: the model keeps the editor's name unless the user
// agrees to the typed one; opened the third way a load stands at the main object's height.
TEST_F(FilesTest, TheWaysOfOpeningDecideTheNameAndPlace) {
  ModellerOpenedAs = OPENED_FROM_TRACK_EDITOR;
  Start(TwoTriangles);
  File("SAVE", "renamed");
  EXPECT_STREQ(model.name, "two") << "the track editor's name until the question is answered";
  EXPECT_EQ(NameInFile("data/3dob/renamed.qxe"), "renamed") << "the file the name it is saved under";
  ASSERT_NE(modeller->prss.sub, nullptr);
  EXPECT_STREQ(MessageBoxDialog.first, "The model is named ^3two^8 in the track editor");
  EXPECT_STREQ(MessageBoxDialog.second, "Change the name in the editor to ^3renamed^8 instead?");
  Key('Y');
  EXPECT_STREQ(model.name, "renamed");
  File("LOAD", "renamed");
  EXPECT_STREQ(model.name, "renamed");
  EXPECT_EQ(modeller->prss.sub, nullptr) << "the same name: no question";

  ModellerOpenedAs = OPENED_AT_HEIGHT;
  model.offset[2] = 3 << 16;
  model.offset[0] = 1 << 16;
  File("LOAD", "renamed");
  EXPECT_EQ(model.offset[0], 0);
  EXPECT_EQ(model.offset[2], 3 << 16);
}

TEST_F(FilesTest, EscapeAsksOnlyWithUnsavedChanges) {
  Start(TwoTriangles);
  SelectPoints({0});
  MovePoints(*modeller, 0, 65536);
  Key(27);
  ASSERT_NE(modeller->prss.sub, nullptr);
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_EXIT_EDITOR);
  EXPECT_STREQ(MessageBoxDialog.second, TEXT_UNSAVED_LOST);
  const std::vector<uint8_t> changed = Serialised();
  Key('N');
  Frame();
  ASSERT_NE(ActiveModeller, nullptr);
  EXPECT_TRUE(Serialised() == changed) << "no keeps everything";
  // During a reduction Escape stops the run instead.
  modeller->stepwiseRun = STEPWISE_REDUCE;
  Key(27);
  EXPECT_EQ(modeller->stepwiseRun, STEPWISE_REDUCE_STOPPING);
  EXPECT_EQ(modeller->prss.sub, nullptr);
  modeller->stepwiseRun = STEPWISE_NONE;
  Key(27);
  Key('Y');
  CloseThrough();
  EXPECT_EQ(ActiveModeller, nullptr);
}

TEST_F(FilesTest, AFailedWriteKeepsTheOldFileAndTheChangedState) {
  Start(TwoTriangles);
  File("SAVE", "kept");
  const std::string old = FileBytes("data/3dob/kept.qxe");
  ASSERT_FALSE(old.empty());
  SelectPoints({0});
  MovePoints(*modeller, 0, 65536);
  const int count = ModellerUndo.count;
  FilesInjectCommitFailures(1, ENOSPC);
  File("SAVE", "kept");
  EXPECT_TRUE(FileBytes("data/3dob/kept.qxe") == old) << "the old file byte for byte";
  ASSERT_NE(modeller->prss.sub, nullptr) << "a message box";
  EXPECT_NE(std::string(MessageBoxDialog.first).find("kept.qxe"), std::string::npos) << MessageBoxDialog.first;
  EXPECT_TRUE(Said("Could not write file : ^Ldata/3dob/kept.qxe")) << "a message line names the file too";
  EXPECT_EQ(modeller->state.unchanged, 0) << "the saved flag stays clear";
  for (int i = 0; i < ModellerUndo.count; ++i) EXPECT_EQ(ModellerUndo.nodes[i].state.unchanged, i == 0 ? 1 : 0) << i;
  EXPECT_EQ(ModellerUndo.count, count + 1) << "only the fix-ups' point";
}

TEST_F(FilesTest, RefusedLoadsLeaveTheModelAndItsHistory) {
  Start(TwoTriangles);
  SelectPoints({0});
  MovePoints(*modeller, 0, 65536);
  const std::vector<uint8_t> before = Serialised();
  const int count = ModellerUndo.count;
  // The file question itself does not take a missing file; the load names it.
  Press("LOAD");
  Type("nothing_here");
  EXPECT_NE(TextEntryDialogSub.state, ENTRY_EDITING) << "not found, or no files to load";
  CancelTextEntry();
  ExpectUnchanged(before, count);
  EXPECT_EQ(LoadIntoModeller(*modeller, "nothing_here", LOAD_MODEL), 0);
  ASSERT_NE(modeller->prss.sub, nullptr);
  ExpectUnchanged(before, count);
  CloseBox();
  // A damaged model file.
  WriteText("data/3dob/broken.qxe", "QXEOBJ\x00\xFC garbage");
  File("LOAD", "broken");
  ExpectUnchanged(before, count);
  CloseBox();
  // OBJ files with a bad face or out of bounds, and a name that leaves the folder.
  WriteText("data/obj/bad.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 9\n");
  File("OBJ", "bad");
  EXPECT_STREQ(MessageBoxDialog.first, "Face 1 : vertex 3 is out of bounds");
  ExpectUnchanged(before, count);
  CloseBox();
  EXPECT_EQ(LoadIntoModeller(*modeller, "missing", LOAD_OBJ), 0);
  EXPECT_STREQ(MessageBoxDialog.first, "File not found : data/obj/missing.obj");
  ExpectUnchanged(before, count);
  CloseBox();
  // OBJ files that give no triangle fail too, on the status line, with the importer's own
  // lines: an empty file, and one whose only face has a corner twice.
  WriteText("data/obj/empty.obj", "");
  WriteText("data/obj/flat.obj", "v 0 0 0\nv 1 0 0\nf 1 2 2\n");
  const struct {
    const char* name;
    const char* said;
    bool noVertices;
  } empties[] = {{"empty", "V 0 / T 0 / G 1", true}, {"flat", "V 2 / T 0 / G 1", false}};
  for (const auto& empty : empties) {
    SCOPED_TRACE(empty.name);
    ResetMessages();
    File("OBJ", empty.name);
    ExpectUnchanged(before, count);
    EXPECT_EQ(modeller->prss.sub, nullptr) << "no licence page";
    EXPECT_EQ(modeller->state.unchanged, 0) << "the changes before stay unsaved";
    EXPECT_STREQ(modeller->statusText, (std::string("Load failed : ") + empty.name + ".obj gives no triangles").c_str());
    EXPECT_TRUE(Said(empty.said));
    EXPECT_EQ(Said(TEXT_OBJ_NO_VERTICES), empty.noVertices);
  }
  EXPECT_EQ(LoadIntoModeller(*modeller, "../escape", LOAD_MODEL), 0);
  EXPECT_STREQ(MessageBoxDialog.first, "Invalid file name : ../escape holds \"/\", which no file name may hold");
  ExpectUnchanged(before, count);
}

TEST_F(FilesTest, AnOBJImportBecomesTheMainObjectWithItsHelpPage) {
  // The working folder the build lays out holds the folder the OBJ question lists.
  const char* work = std::getenv("ZKT_WORK_DIR");
  if (work) {
    EXPECT_TRUE(FileIsFolder((std::string(work) + "/data/obj").c_str()));
  }
  Start(TwoTriangles);
  WriteText("data/obj/quad.obj", "v 0 0 0\nv 1 0 0\nv 1 0 1\nv 0 0 1\nf 1 2 3 4\n");
  Press("OBJ");
  EXPECT_EQ(OpenTextEntry.type, 4);
  Type("quad");
  EXPECT_EQ(model.pointCount, 4);
  EXPECT_EQ(model.triangleCount, 2);
  EXPECT_EQ(model.mappings[0].colour, OBJ_MAPPING_COLOUR);
  EXPECT_STREQ(model.name, "quad");
  EXPECT_STREQ(LastEdit(), "load quad");
  EXPECT_NE(modeller->prss.sub, nullptr) << "the licence page";
  EXPECT_TRUE(Said("V 4 / T 2 / G 1"));
  CloseBox();
  // The import is a change no file holds: the name's red asterisk, and Escape asks.
  EXPECT_EQ(modeller->state.unchanged, 0);
  EXPECT_EQ(ObjectEditorShared.unsavedChanges, 1);
  Buttons();
  EXPECT_NE(Find("quad^1*"), nullptr);
  Key(27);
  ASSERT_NE(modeller->prss.sub, nullptr);
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_EXIT_EDITOR);
  Key('N');
  ModelObject back{};
  ASSERT_EQ(SaveModelFile(model, nullptr, "quad_direct.qxe", 1), 1);
  back.Init();
  ASSERT_EQ(LoadModelFile(back, nullptr, "quad_direct.qxe", 1, nullptr), 1);
  EXPECT_EQ(Difference(ModelRecordBytes(back, 1, 1), ModelRecordBytes(model, 1, 1)), "equal");
  back.Free();
  File("SAVE", "quad");
  ExpectReadsBack("data/3dob/quad.qxe");
}

TEST_F(FilesTest, SpokeObjectsLoadSaveImportAndExportWithinTheirLimits) {
  ObjectEditorShared.spokeCount = 3;
  Start(SpokeQuad);
  EXPECT_EQ(modeller->pointLimit, 533);
  // Saved as a spoke file; loaded back from it.
  File("SAVE", "wheel");
  ExpectReadsBack("data/3dob/wheel.spk", true);
  EXPECT_FALSE(FileIsRegular("data/3dob/wheel.qxe"));
  // Export: three spokes' triangles in the file, one spoke's left in the editor.
  Press("SAVE");
  CancelTextEntry();
  Key('S', true);
  File("export QXE", "wheel3");
  EXPECT_TRUE(Said(TEXT_EXPORTED_MODEL) || std::strcmp(modeller->statusText, TEXT_EXPORTED_MODEL) == 0);
  EXPECT_EQ(model.triangleCount, 2);
  EXPECT_EQ(model.pointCount, 4);
  ModelObject exported{};
  exported.Init();
  ASSERT_EQ(LoadModelFile(exported, nullptr, "data/3dob/wheel3.qxe", 1, nullptr), 1);
  EXPECT_EQ(exported.triangleCount, 6);
  EXPECT_EQ(exported.pointCount, 12);
  exported.Free();
  ExpectReadsBack("data/3dob/wheel3.qxe");
  File("LOAD", "wheel");
  EXPECT_EQ(model.triangleCount, 2);

  // Import of a model file: the spoke count becomes 1; refused with subobjects or mirrored
  // references.
  {
    ModelObject plain{};
    SpokeQuad(plain);
    ASSERT_EQ(SaveModelFile(plain, nullptr, "data/3dob/plain.qxe", 1), 1);
    plain.triangles[0].corners[1] |= CORNER_MIRRORED;
    ASSERT_EQ(SaveModelFile(plain, nullptr, "data/3dob/reflected.qxe", 1), 1);
    plain.Free();
    ModelObject withSub{};
    BuildPanel(withSub);
    ASSERT_EQ(SaveModelFile(withSub, nullptr, "data/3dob/withsub.qxe", 1), 1);
    withSub.Free();
  }
  const std::vector<uint8_t> before = Serialised();
  const int count = ModellerUndo.count;
  File("import QXE", "withsub");
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_HAS_SUBOBJECTS);
  ExpectUnchanged(before, count);
  CloseBox();
  File("import QXE", "reflected");
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_SPOKE_EDITOR_UNSUPPORTED);
  EXPECT_STREQ(MessageBoxDialog.second, TEXT_REFER_TO_MIRRORED);
  ExpectUnchanged(before, count);
  CloseBox();
  ASSERT_EQ(modeller->state.unchanged, 1) << "as loaded";
  File("import QXE", "plain");
  EXPECT_EQ(modeller->state.unchanged, 0) << "an imported model is a change no file holds";
  EXPECT_EQ(ObjectEditorShared.spokeCount, 1);
  EXPECT_EQ(modeller->pointLimit, 1600);
  EXPECT_TRUE(Said(TEXT_IMPORTED_QXE_SPOKES));
}

TEST_F(FilesTest, SpokeObjectLoadsAreCheckedAgainstTheSpokeCount) {
  // 400 points into a 5-spoke wheel: 320 each at most.
  {
    ModelObject big{};
    g_spokePoints = 400;
    SpokeOfPoints(big);
    ASSERT_EQ(SaveSpokeObject(big, nullptr, "data/3dob/big.spk"), 1);
    big.triangles[0].corners[2] |= CORNER_MIRRORED;
    g_spokePoints = 4;
    ModelObject small{};
    SpokeOfPoints(small);
    small.triangles[0].corners[2] |= CORNER_MIRRORED;
    ASSERT_EQ(SaveSpokeObject(small, nullptr, "data/3dob/rotated.spk"), 1);
    big.Free();
    small.Free();
  }
  ObjectEditorShared.spokeCount = 5;
  Start(SpokeQuad);
  const std::vector<uint8_t> before = Serialised();
  File("LOAD", "big");
  EXPECT_STREQ(MessageBoxDialog.first, "Max 320 points for each spoke of a 5-spoke wheel");
  ExpectUnchanged(before, ModellerUndo.count);
  CloseBox();
  // A one-spoke wheel refuses triangles that reach the next spoke.
  ObjectEditorShared.spokeCount = 1;
  SetSpokeLimits(*modeller);
  File("LOAD", "rotated");
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_NEED_TWO_SPOKES);
  EXPECT_STREQ(MessageBoxDialog.second, TEXT_REFER_TO_ROTATED);
  CloseBox();
  // An OBJ import sets the spoke count to 1 and the limits to 1600.
  ObjectEditorShared.spokeCount = 4;
  SetSpokeLimits(*modeller);
  WriteText("data/obj/tri.obj", "v 0 0 0\nv 0 1 0\nv 0 1 1\nf 1 2 3\n");
  File("OBJ", "tri");
  EXPECT_EQ(ObjectEditorShared.spokeCount, 1);
  EXPECT_EQ(modeller->pointLimit, 1600);
  EXPECT_TRUE(Said(TEXT_LOADED_OBJ_SPOKES));
}

TEST_F(FilesTest, ASpokeOfExactlyThePointLimitLoadsAndOneMoreIsRefused) {
  // A 5-spoke wheel takes 1600 / 5 = 320 points a spoke.
  for (const int points : {320, 321}) {
    ModelObject spoke{};
    g_spokePoints = points;
    SpokeOfPoints(spoke);
    ASSERT_EQ(SaveSpokeObject(spoke, nullptr, points == 320 ? "data/3dob/at.spk" : "data/3dob/over.spk"), 1);
    spoke.Free();
  }
  g_spokePoints = 400;
  ObjectEditorShared.spokeCount = 5;
  Start(SpokeQuad);
  File("LOAD", "over");
  EXPECT_STREQ(MessageBoxDialog.first, "Max 320 points for each spoke of a 5-spoke wheel");
  CloseBox();
  EXPECT_EQ(model.pointCount, 4) << "the spoke in the editor stays";
  File("LOAD", "at");
  EXPECT_EQ(model.pointCount, 320);
}

TEST_F(FilesTest, TheSpokeCountOfTheCarOnShow) {
  g_spokePoints = 600;
  ShowCarWithSpokes(2);
  Start(SpokeOfPoints);
  // The count's row: its value, then "-" and "+" steps.
  Buttons();
  EXPECT_NE(Find("Number of spokes 2", "The number of rotated repetitions of the spoke object"), nullptr);
  Press("+", CLICK_LEFT, "One spoke more");
  EXPECT_STREQ(MessageBoxDialog.first, "The maximum total number of points (1600) would be exceeded");
  EXPECT_EQ(g_carSpokes, 2);
  CloseBox();
  Press("-", CLICK_LEFT, "One spoke fewer");
  EXPECT_EQ(g_carSpokes, 1);
  Buttons();
  EXPECT_NE(Find("Number of spokes 1"), nullptr);
  EXPECT_EQ(ObjectEditorShared.spokeCount, 1);
  EXPECT_EQ(modeller->pointLimit, 1600);
  ChangeSpokeCount(*modeller, 0);
  EXPECT_EQ(g_carSpokes, 1) << "down from 1 does nothing";
  // Down from 2 with a triangle reaching the next spoke is refused.
  g_carSpokes = 2;
  model.triangles[0].corners[0] |= CORNER_MIRRORED;
  ChangeSpokeCount(*modeller, 0);
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_ROTATED_NEED_TWO);
  EXPECT_EQ(g_carSpokes, 2);
  CloseBox();
  // Without a car on show nothing happens.
  VehicleEditorHooks.carSpokeCount = nullptr;
  ChangeSpokeCount(*modeller, 1);
  EXPECT_EQ(g_carSpokes, 2);
}

namespace {
// A spoke of four points and 400 triangles (the same one over and over).
void SpokeOfTriangles(ModelObject& o) {
  o.Init();
  ModelBuilder b;
  b.Point(0, 0.1, 0.1), b.Point(0, 0.3, 0.1), b.Point(0, 0.3, 0.2), b.Point(0, 0.1, 0.2);
  for (int i = 0; i < 400; ++i) b.Triangle(0, 1, 2);
  b.Into(o);
}
}  // namespace

// One spoke more is taken while the spokes together hold exactly 1600 points (or, below,
// 1600 triangles), and up to 22 spokes; past each limit the count stays.
TEST_F(FilesTest, OneSpokeMoreStopsExactlyAtThePointLimit) {
  // 400 points a spoke: four spokes are 1600 points, five 2000.
  g_spokePoints = 400;
  ShowCarWithSpokes(3);
  Start(SpokeOfPoints);
  ASSERT_EQ(model.pointCount, 400);
  ExpectOneSpokeMoreStopsAtFour("1600 points", "The maximum total number of points (1600) would be exceeded");
}

TEST_F(FilesTest, OneSpokeMoreStopsExactlyAtTheTriangleLimit) {
  // 400 triangles a spoke: four spokes are 1600 triangles, five 2000.
  ShowCarWithSpokes(3);
  Start(SpokeOfTriangles);
  ASSERT_EQ(model.triangleCount, 400);
  ExpectOneSpokeMoreStopsAtFour("1600 triangles", "The maximum total number of triangles (1600) would be exceeded");
}

TEST_F(FilesTest, OneSpokeMoreStopsAtTwentyTwoSpokes) {
  ShowCarWithSpokes(21);
  Start(SpokeQuad);
  ChangeSpokeCount(*modeller, 1);
  EXPECT_EQ(g_carSpokes, 22);
  EXPECT_EQ(ObjectEditorShared.spokeCount, 22);
  ChangeSpokeCount(*modeller, 1);
  EXPECT_EQ(g_carSpokes, 22) << "the most a wheel has";
  EXPECT_EQ(ObjectEditorShared.spokeCount, 22);
  EXPECT_FALSE(MessageBoxDialog.prss.alive);
}

TEST_F(FilesTest, SubobjectsLoadAndSaveInPlace) {
  Start(BuildPanel);
  ModelObject& sub = model.children[0];
  std::snprintf(sub.name, sizeof sub.name, "bracket");
  SelectSubobject(*modeller, 0, &sub);
  Buttons();
  EXPECT_NE(Find("bracket"), nullptr);
  ASSERT_NE(Find("load"), nullptr);
  ASSERT_NE(Find("save"), nullptr);
  EXPECT_EQ(Find("load")->fourth.i, 0) << "commands, never lit";
  EXPECT_EQ(Find("save")->fourth.i, 0);
  File("save", "bracket_file");
  ExpectReadsBack("data/3dob/bracket_file.qxe");
  // Another object loaded in its place keeps the subobject's name, offset and angles.
  ModelObject other{};
  TwoTriangles(other);
  ASSERT_EQ(SaveModelFile(other, nullptr, "data/3dob/other.qxe", 1), 1);
  other.Free();
  sub.offset[0] = 65536 / 2, sub.offset[1] = -65536, sub.offset[2] = 65536 / 4;
  sub.angles[0] = 0x1000;
  File("load", "other");
  EXPECT_STREQ(model.children[0].name, "bracket");
  EXPECT_EQ(model.children[0].type, SUBOBJECT_ATTACHMENT);
  EXPECT_EQ(model.children[0].offset[0], 65536 / 2);
  EXPECT_EQ(model.children[0].offset[1], -65536);
  EXPECT_EQ(model.children[0].offset[2], 65536 / 4);
  EXPECT_EQ(model.children[0].angles[0], 0x1000);
  EXPECT_EQ(model.children[0].triangleCount, 2);
  EXPECT_EQ(EditedObject, &model.children[0]);
  EXPECT_STREQ(LastEdit(), "load subobject");
  // Loaded again straight after: an undo step of its own.
  const int loads = ModellerUndo.count;
  File("load", "other");
  EXPECT_EQ(ModellerUndo.count, loads + 1);
  CtrlKey('Z');
  EXPECT_STREQ(model.children[0].name, "bracket");
  // The main object edited: no subobject rows, "main object selected".
  SelectSubobject(*modeller, 0, &model);
  Buttons();
  EXPECT_NE(Find("main object selected"), nullptr);
  EXPECT_EQ(Find("load"), nullptr);
}

TEST_F(FilesTest, TheSpokeCountStepsWithinOneToTwentyTwoAndSixteenHundredPointsAndTriangles) {
  Start(TwoTriangles);
  // A spoke of the points and triangles (all on its first three points).
  const auto spoke = [](ModelObject& o, int points, int triangles) {
    o.Init();
    ModelBuilder b;
    for (int i = 0; i < points; ++i) b.Point(i, 0, 0);
    for (int t = 0; t < triangles; ++t) b.Triangle(0, 1, 2);
    b.Into(o);
  };
  ModelObject o{};
  // count, word, points and triangles: result and the count after; the box's text.
  const struct {
    int count, word, points, triangles, result, after;
    const char* box;
  } rows[] = {
      {1, 0, 3, 1, 0, 1, ""},     {2, 0, 3, 1, 1, 1, ""},      {22, 1, 3, 1, 0, 22, ""},
      {21, 1, 3, 1, 1, 22, ""},   {1, 1, 800, 1, 1, 2, ""},    {1, 1, 801, 1, 0, 1, "points (1600)"},
      {3, 1, 400, 400, 1, 4, ""}, {3, 1, 401, 1, 0, 3, "points (1600)"},
      {1, 1, 3, 800, 1, 2, ""},   {1, 1, 3, 801, 0, 1, "triangles (1600)"}, {5, 2, 3, 1, 1, 5, ""},
  };
  for (const auto& r : rows) {
    spoke(o, r.points, r.triangles);
    uint8_t count = uint8_t(r.count);
    EXPECT_EQ(CheckTotalLimits(&modeller->prss, count, o, r.word), r.result) << r.count << " " << r.word << " " << r.points;
    EXPECT_EQ(count, r.after) << r.count << " " << r.word << " " << r.points;
    const std::string box = MessageBoxDialog.prss.alive ? MessageBoxDialog.first : "";
    EXPECT_EQ(box.empty(), r.box[0] == 0) << box;
    if (r.box[0]) {
      EXPECT_NE(box.find(r.box), std::string::npos) << box;
    }
    if (MessageBoxDialog.prss.alive) CloseBox();
    o.Free();
  }
}

}  // namespace
}  // namespace modeller_test
