// operations_fixture.h - the modeller's operations driven as a user drives them, without
// drawing: the sample car body (or a purpose-built model) open in the modeller, the frame's
// buttons built and pressed by label with mouse records, option pages and questions answered
// with clicks and key messages, typed values through the text entry; and the checks every
// operation gets: what the model serialises to, a save that reads back to the same bytes,
// and an undo that brings back the model as it was.
#pragma once
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "model/model_file.h"
#include "modeller/operations/modeller_options.h"
#include "modeller/operations/point_tools.h"
#include "modeller/operations/stepwise_runs.h"
#include "modeller/operations/value_buttons.h"
#include "modeller/screen/modeller_screen.h"
#include "modeller/state/modeller_operations.h"
#include "modeller_fixture.h"
#include "platform/clock.h"
#include "platform/keys.h"
#include "tests/ui/control_clicks.h"
#include "ui/value_edit.h"
#include "ui/value_steps.h"

namespace modeller_test {

inline void SampleCar(ModelObject& o) {
  o.Init();
  BuildSampleCar(o);
}

// A strip of n points along x at y = 0, z = 0 (1 m apart) with no triangles; ModelObject
// defaults otherwise.
inline void PointRow(ModelObject& o, int n) {
  o.Init();
  ModelBuilder b;
  for (int i = 0; i < n; ++i) b.Point(i, 0, 0);
  b.Into(o);
  std::snprintf(o.name, sizeof o.name, "row");
}

// Two triangles of three points each, apart, on mappings 0 and 1 (each placed by its own
// triangle); two loose points (6, 7).
inline void TwoTriangles(ModelObject& o) {
  o.Init();
  ModelBuilder b;
  for (int i = 0; i < 2; ++i) b.Point(i * 2, 0, 0), b.Point(i * 2 + 1, 0, 0), b.Point(i * 2, 0, 1);
  b.Point(5, 0, 0), b.Point(6, 0, 0);
  b.Page(PAGE_FIXED, "two");
  b.AddCutout("c", 0, 128, 128, 0, 0, CutoutMaterial{0, 0, 0, 0, {200, 200, 200}, 0});
  b.AddMapping("m0", 0, 0, DIRECTION_FRONT, 1, 1, 0xFFFFFF, 0.5, 0, 0.5);
  b.AddMapping("m1", 0, 0, DIRECTION_FRONT, 1, 1, 0xFFFFFF, 2.5, 0, 0.5);
  b.mapping = 0;
  b.Triangle(0, 1, 2);
  b.mapping = 1;
  b.Triangle(3, 4, 5);
  b.Into(o);
  std::snprintf(o.name, sizeof o.name, "two");
}

// Where two serialised models first differ, for the failure message.
inline std::string Difference(const std::vector<uint8_t>& was, const std::vector<uint8_t>& now) {
  size_t first = 0;
  while (first < was.size() && first < now.size() && was[first] == now[first]) ++first;
  if (first == was.size() && first == now.size()) return "equal";
  return "first difference at byte " + std::to_string(first) + " of " + std::to_string(was.size()) + " / " +
         std::to_string(now.size());
}
// A fake clock that moves on by step on each reading: a slice of 1000 ms ends after
// 1000 / step readings.
inline void SliceClock(uint32_t step) {
  ClockUseFake(1000, WallTime{2026, 1, 1, 0, 0, 0, 0, 4});
  ClockFakeStepOnRead(step);
}

// The shown mesh's rebuilds since the model was last serialised: every edit asks for one.
inline int& MeshRebuilds = EditedMeshRefreshes;

class OperationsTest : public ModellerTest {
 protected:
  void SetUp() override {
    ModellerTest::SetUp();
    SetInterfaceMetrics();
    ModellerOptions = ModellerOptionValues{};
    ValueCopies = ValueCopySlots{};
    ObjectEditorShared.visibleLayers = ~0u;
    ObjectEditorShared.spokeCount = 0;
    ObjectEditorShared.modellerBox = 0;  // a pressed "bounding box" stays on until pressed again
  }
  void TearDown() override {
    ClockFakeStepOnRead(0);
    ClockUseReal();
    ModellerTest::TearDown();
  }

  // Opens the model in the modeller and rebuilds its mesh once, as every edit does (the colour
  // choice goes onto the numbered mappings), so that the model stands as an undo leaves it.
  void Start(void (*build)(ModelObject&)) {
    Open(build);
    RefreshEditedMesh(&modeller->prss);
  }
  // The buttons of a frame as the modeller adds them (the unit tests draw nothing).
  void Buttons() {
    ClearInterface();
    RowCursorX = RowCursorY = 0;
    AddModellerButtons(*modeller);
  }
  // The controls of the open option page.
  static void PageButtons() {
    ASSERT_GE(OpenOptionsPage(), 0) << "an option page is open";
    ClearInterface();
    DrawModellerOptionsPage(OpenOptionsPage(), &MessageBoxDialog.prss, 100, 100);
  }
  static const InterfaceButton* Find(const char* text, const char* hint = nullptr) {
    return FindShownButton(text, hint);
  }
  // A button by its hint and word (value buttons and their steps).
  static const InterfaceButton* FindByHint(const char* hint, uintptr_t word) {
    for (int i = ButtonCount - 1; i >= 0; --i) {
      const InterfaceButton& b = InterfaceButtons[i];
      if (b.hint && std::strcmp(b.hint, hint) == 0 && b.word == word && b.handler) return &b;
    }
    return nullptr;
  }
  // The first button of a style (the page's byte steps: 46 down, 45 up).
  static const InterfaceButton* FindStyle(int style) {
    for (int i = 0; i < ButtonCount; ++i)
      if (InterfaceButtons[i].style == style) return &InterfaceButtons[i];
    return nullptr;
  }
  // Builds the frame's buttons and presses the one with the label (and hint).
  void Press(const char* label, int clickCode = CLICK_LEFT, const char* hint = nullptr) {
    Buttons();
    const InterfaceButton* b = Find(label, hint);
    ASSERT_NE(b, nullptr) << "no button \"" << label << "\"";
    ClickButton(*b, clickCode);
  }
  // The same on the open option page.
  static void PressOnPage(const char* label, int clickCode = CLICK_LEFT) {
    PageButtons();
    const InterfaceButton* b = Find(label);
    ASSERT_NE(b, nullptr) << "no page control \"" << label << "\"";
    ClickButton(*b, clickCode);
  }
  // Builds the frame's buttons and presses the value button (or step) of that hint and word.
  void PressValue(const char* hint, uintptr_t word, int clickCode = CLICK_LEFT) {
    Buttons();
    const InterfaceButton* b = FindByHint(hint, word);
    ASSERT_NE(b, nullptr) << "no value button \"" << hint << "\" word " << word;
    ClickButton(*b, clickCode);
  }
  // Builds the frame's buttons and presses the "+" (or "-") step of the kind with that word.
  void PressStep(int kind, bool plus, uintptr_t word, int clickCode = CLICK_LEFT) {
    Buttons();
    const InterfaceButton* b = FindByHint(StepHintText(kind, plus), word);
    ASSERT_NE(b, nullptr) << "no step button of kind " << kind << " word " << word;
    ClickButton(*b, clickCode);
  }
  // A value typed and confirmed in the open text entry.
  static void Type(const char* text) {
    ASSERT_EQ(OpenTextEntry.open, 1) << "a value is asked for";
    ASSERT_EQ(ConfirmTextEntry(text), 1);
  }
  static void Confirm() { Key(KEY_ENTER); }

  std::vector<uint8_t> Serialised() const {
    MeshRebuilds = 0;
    return ModelRecordBytes(model, 1, 1);
  }
  // Written, read back and written again: the same bytes; the read model is left in back.
  void ExpectSavesAndReadsBack(ModelObject& back) {
    ASSERT_EQ(SaveModelFile(model, nullptr, "operation.qxe", 1), 1);
    back.Init();
    ASSERT_EQ(LoadModelFile(back, nullptr, "operation.qxe", 1, nullptr), 1);
    EXPECT_EQ(ModelRecordBytes(back, 1, 1), ModelRecordBytes(model, 1, 1)) << "write, read, write";
  }
  // One undo step brings back the model serialised before the operation.
  void ExpectUndoRestores(const std::vector<uint8_t>& before) {
    EXPECT_GT(MeshRebuilds, 0) << "the edit rebuilt the shown mesh";
    const int count = ModellerUndo.count;
    CtrlKey('Z');
    const std::vector<uint8_t> undone = Serialised();
    EXPECT_TRUE(undone == before) << "undo restores the model byte for byte: " << Difference(before, undone);
    EXPECT_EQ(ModellerUndo.depth, 1);
    CtrlKey('Y');
    EXPECT_EQ(ModellerUndo.count, count);
  }
  // A refusal: the model and the history as they were.
  void ExpectUnchanged(const std::vector<uint8_t>& before, int historyCount) {
    const std::vector<uint8_t> now = Serialised();
    EXPECT_TRUE(now == before) << "the model is unchanged: " << Difference(before, now);
    EXPECT_EQ(ModellerUndo.count, historyCount);
  }
  void SelectPoints(std::initializer_list<int> points) {
    DeselectAllPoints(*modeller);
    for (int p : points) SelectPoint(*modeller, p);
  }
  const ModelPoint& P(int index) const { return EditedObject->points[index]; }
  static double M(int32_t units) { return units / 65536.0; }
};

}  // namespace modeller_test
