// value_buttons_test.cpp - the transforms by value buttons: the green point's coordinates
// (steps by click code, copy and paste, typed values) moving the selected points and the
// mappings only they use, the object's position, angles and scale, and the distances of the
// levels of detail.
#include <cstring>

#include "modeller/operations/value_buttons.h"
#include "operations_fixture.h"

using namespace modeller_test;

namespace {

constexpr const char* X_HINT = "Right (X) value of the last selected point";
constexpr const char* Z_HINT = "Up (Z) value of the last selected point";

}  // namespace

TEST_F(OperationsTest, TheGreenPointsButtonsStepByClickCodeCopyPasteAndTakeTypedValues) {
  Start(TwoTriangles);
  Key('P', true);
  SelectPoints({0, 1, 2});
  const struct {
    int code;
    int32_t step;
  } steps[] = {{1, 66}, {6, 66}, {2, 655}, {9, 655}, {5, 7}, {10, 6554}, {13, 6554}, {14, 65536}};
  int32_t z = P(2).z, z0 = P(0).z, mapping = model.mappings[0].offset[2];
  for (const auto& s : steps) {
    PressStep(STEP_HINT_LENGTH, true, 7, s.code);
    z += s.step, z0 += s.step, mapping += s.step;
    EXPECT_EQ(P(2).z, z) << "click code " << s.code;
    EXPECT_EQ(P(0).z, z0) << "every selected point moves";
    EXPECT_EQ(model.mappings[0].offset[2], mapping) << "the mapping only moved points use moves";
    EXPECT_EQ(model.mappings[1].offset[2], 1 << 15) << "the other mapping stays";
  }
  EXPECT_STREQ(modeller->statusText, "move points");
  PressStep(STEP_HINT_LENGTH, false, 6, CLICK_LEFT);
  EXPECT_EQ(P(2).z, z - 66) << "the step down";
  // A code that steps by nothing changes nothing and records nothing.
  const int history = ModellerUndo.count;
  PressStep(STEP_HINT_LENGTH, true, 7, CLICK_MIDDLE);
  EXPECT_EQ(ModellerUndo.count, history);

  // Copy (code 6) and paste (code 10) through the value buttons; typed values.
  PressValue(X_HINT, 2, 6);
  EXPECT_EQ(ValueCopies.distance, P(2).x);
  PressValue(Z_HINT, 8);
  EXPECT_EQ(std::string(OpenTextEntry.prompt).rfind("Enter new value for up (Z) (", 0), 0u) << OpenTextEntry.prompt;
  Type("2.5");
  EXPECT_EQ(P(2).z, int32_t(2.5 * 65536));
  PressValue(Z_HINT, 8, 10);
  EXPECT_EQ(P(2).z, 0) << "the copied x pasted onto z";
  // A point move with a triangle partly selected leaves its mapping.
  SelectPoints({3, 4});
  const int32_t m1 = model.mappings[1].offset[0];
  PressValue(X_HINT, 2);
  Type("5");
  EXPECT_EQ(P(4).x, 5 << 16);
  EXPECT_EQ(P(3).x, (5 - 1) << 16) << "moved by the same difference";
  EXPECT_EQ(model.mappings[1].offset[0], m1);
  EXPECT_STREQ(modeller->statusText, "move points");
  ModelObject back{};
  ExpectSavesAndReadsBack(back);
  back.Free();

  // A move past the 16.16 range is refused.
  SelectPoints({5});
  const std::vector<uint8_t> held = Serialised();
  const int count = ModellerUndo.count;
  PressValue(Z_HINT, 8);
  Type("40000");
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_VALUE_OUT_OF_BOUNDS);
  Confirm();
  ExpectUnchanged(held, count);
  // The first point (index 0) alone takes a typed value too.
  SelectPoints({0});
  ASSERT_EQ(modeller->state.currentPoint, 0);
  PressValue(Z_HINT, 8);
  Type("1.5");
  EXPECT_EQ(P(0).z, int32_t(1.5 * 65536));
}

TEST_F(OperationsTest, TheObjectMovesTurnsOnQuarterDegreesAndScales) {
  Start(SampleCar);
  SelectSubobject(*modeller, 0, &model.children[0]);
  // The subobject is looked up each time: an undo puts a new copy of the tree in place.
  auto sub = [this]() -> ModelObject& { return model.children[0]; };
  const int32_t x = sub().offset[0];
  std::vector<uint8_t> before = Serialised();
  PressValue("Right (X) value of the selected object", 2);
  Type("1.25");
  EXPECT_STREQ(modeller->statusText, "move object");
  EXPECT_EQ(sub().offset[0], int32_t(1.25 * 65536));
  ExpectUndoRestores(before);
  EXPECT_NE(x, sub().offset[0]);
  // An angle of 0 raised by one fine step is 46, the unit nearest a quarter degree.
  sub().angles[0] = 0;
  PressStep(STEP_HINT_ANGLE, true, 1, 5);
  EXPECT_STREQ(modeller->statusText, "rotate object");
  EXPECT_EQ(sub().angles[0], 46);
  PressValue("Heading of the selected object", 8);
  Type("90");
  EXPECT_EQ(sub().angles[2], 16384);
  PressValue("Heading of the selected object", 8, 6);
  EXPECT_EQ(ValueCopies.angle, 16384);
  PressValue("Pitch of the selected object", 2, 10);
  EXPECT_EQ(sub().angles[0], 16384);
  EXPECT_EQ(QuarterDegreeAngle(0, 182), 182);
  EXPECT_EQ(QuarterDegreeAngle(32000, 1000), -32540) << "wraps round the turn";

  // The scale buttons: x times 1.05, then divided by 1.1; the subobjects' offsets go with the
  // points; mappings do not.
  SelectSubobject(*modeller, 0, &model.children[0]);  // the main object again
  ASSERT_EQ(EditedObject, &model);
  const int32_t px = model.points[12].x, py = model.points[12].y, mo = model.mappings[0].offset[0];
  const int32_t ox = model.children[0].offset[0];
  Press("scale points");
  PressStep(STEP_HINT_SCALE, true, 1, CLICK_LEFT);
  EXPECT_STREQ(modeller->statusText, "scale");
  EXPECT_EQ(model.points[12].x, RoundNearest(px * 1.05));
  EXPECT_EQ(model.points[12].y, py);
  EXPECT_EQ(model.children[0].offset[0], RoundNearest(ox * 1.05));
  EXPECT_EQ(model.mappings[0].offset[0], mo);
  PressStep(STEP_HINT_SCALE, false, 2, 2);
  EXPECT_EQ(model.points[12].y, RoundNearest(py / 1.1));
  // The typed scale takes the mappings too: 100 is accepted, 100.5 refused.
  before = Serialised();
  int history = ModellerUndo.count;
  Press("scale (+ mappings)");
  EXPECT_STREQ(OpenTextEntry.prompt, "Enter scale factor for entire object");
  Type("100.5");
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_MULTIPLIER_OUT_OF_BOUNDS);
  Confirm();
  ExpectUnchanged(before, history);
  const int32_t my = model.mappings[0].offset[1];
  Press("scale (+ mappings)");
  Type("100");
  EXPECT_STREQ(modeller->statusText, "scale with mappings");
  EXPECT_EQ(model.mappings[0].offset[1], my * 100);
  // A hundredfold that would leave the 16.16 range: refused.
  model.points[0].x = 400 << 16;
  before = Serialised();
  history = ModellerUndo.count;
  Press("scale (+ mappings)");
  Type("100");
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_MULTIPLIER_OUT_OF_BOUNDS);
  Confirm();
  ExpectUnchanged(before, history);
}

TEST_F(OperationsTest, ATypedAngleMoreThanATurnAwayIsHeldToOneTurnAndLeavesTheObjectAsItWas) {
  Start(SampleCar);
  SelectSubobject(*modeller, 0, &model.children[0]);
  auto sub = [this]() -> ModelObject& { return model.children[0]; };
  // From a heading of 0, 450 degrees is 450 * 65536 / 360 = 81920 units away, -450 is -81920:
  // each is held to one whole turn (65536), which comes back round to 0, so nothing is turned
  // and no undo point is made (a quarter turn, 16384, would be the result unheld).
  for (const char* typed : {"450", "-450"}) {
    sub().angles[2] = 0;
    const std::vector<uint8_t> before = Serialised();
    const int history = ModellerUndo.count;
    PressValue("Heading of the selected object", 8);
    Type(typed);
    EXPECT_EQ(sub().angles[2], 0) << typed;
    ExpectUnchanged(before, history);
  }
}

TEST_F(OperationsTest, TheTypedScaleIsRefusedWhenAnyMappingOrSubobjectValueWouldLeaveTheRange) {
  Start(SampleCar);
  SelectSubobject(*modeller, 0, &model.children[0]);
  SelectSubobject(*modeller, 0, &model.children[0]);  // the main object again
  ASSERT_EQ(EditedObject, &model);
  ASSERT_GT(model.mappingCount, 1);
  ASSERT_GT(model.childCount, 0);
  Press("scale points");  // the scale rows
  // 400 m a hundredfold is 40000 m, past the 32767 m of 16.16: each value alone refuses it.
  ModelMapping& first = model.mappings[0];
  ModelMapping& last = model.mappings[model.mappingCount - 1];
  ModelObject& lastChild = model.children[model.childCount - 1];
  const struct {
    int32_t* value;
    const char* name;
  } values[] = {{&first.offset[0], "first mapping x"},  {&first.offset[1], "first mapping y"},
                {&first.offset[2], "first mapping z"},  {&first.width, "first mapping width"},
                {&first.height, "first mapping height"}, {&last.height, "last mapping height"},
                {&model.points[model.pointCount - 1].y, "last point"},
                {&model.children[0].offset[0], "subobject x"},  {&model.children[0].offset[1], "subobject y"},
                {&model.children[0].offset[2], "subobject z"},
                {&lastChild.points[lastChild.pointCount - 1].z, "a subobject's last point"}};
  for (const auto& v : values) {
    const int32_t kept = *v.value;
    *v.value = 400 << 16;
    const std::vector<uint8_t> before = Serialised();
    const int history = ModellerUndo.count;
    Press("scale (+ mappings)");
    Type("100");
    EXPECT_STREQ(MessageBoxDialog.first, TEXT_MULTIPLIER_OUT_OF_BOUNDS) << v.name;
    Confirm();
    ExpectUnchanged(before, history);
    *v.value = kept;
  }
  // The least factor, -100, is taken; one just below it is not.
  const int32_t x = model.points[0].x;
  const std::vector<uint8_t> before = Serialised();
  const int history = ModellerUndo.count;
  Press("scale (+ mappings)");
  Type("-100.5");
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_MULTIPLIER_OUT_OF_BOUNDS);
  Confirm();
  ExpectUnchanged(before, history);
  Press("scale (+ mappings)");
  Type("-100");
  EXPECT_STREQ(modeller->statusText, "scale with mappings");
  EXPECT_EQ(model.points[0].x, -100 * x);
}

TEST_F(OperationsTest, LevelOfDetailDistancesStepAndAreMadeToRise) {
  Start([](ModelObject& o) {
    PointRow(o, 2);
    o.lodCount = 3;
    o.lodDistances[0] = 30 << 16, o.lodDistances[1] = 20 << 16, o.lodDistances[2] = 400 << 16;
  });
  const std::vector<uint8_t> before = Serialised();
  constexpr const char* HINT = "A theoretical maximum distance for this level of detail";
  PressStep(STEP_HINT_DISTANCE, true, 1, CLICK_LEFT);
  EXPECT_STREQ(modeller->statusText, "adjust lod distance");
  EXPECT_EQ(model.lodDistances[0], 31 << 16);
  EXPECT_EQ(model.lodDistances[1], 31 << 16) << "30, 20, 400 rise after any edit";
  EXPECT_EQ(model.lodDistances[2], 400 << 16);
  ExpectUndoRestores(before);
  PressStep(STEP_HINT_DISTANCE, false, 0, 10);
  EXPECT_EQ(model.lodDistances[0], 1 << 16) << "100 m down is held at 1 m";
  PressValue(HINT, 2);
  EXPECT_STREQ(OpenTextEntry.prompt, "Enter new value for LOD1 distance (1 m)");
  Type("45.6");
  EXPECT_STREQ(modeller->statusText, "type lod distance");
  EXPECT_EQ(model.lodDistances[0], 46 << 16);
  PressValue(HINT, 2, 6);
  EXPECT_EQ(ValueCopies.lodDistance, 46 << 16);
  PressValue(HINT, 2);
  Type("99999");
  EXPECT_EQ(model.lodDistances[0], 32767 << 16) << "held at 32767 m";
  EXPECT_EQ(model.lodDistances[2], 32767 << 16);
  PressValue(HINT, 2, 10);
  EXPECT_STREQ(modeller->statusText, "paste lod distance");
  EXPECT_EQ(model.lodDistances[0], 46 << 16);
}

TEST_F(OperationsTest, TheColourAndMaterialCallbacksPassTheColoursOn) {
  Start(SampleCar);
  // The sample car's numbered mappings take the chosen colour; a master colour ("M1") passes
  // its colour to the mappings numbered 1.
  modeller->colourChoice = 1;
  ColourChoiceChanged(&modeller->prss, 0, 0);
  int numbered = -1, glass = -1;
  for (int m = 0; m < model.mappingCount; ++m) {
    if (std::strcmp(model.mappings[m].name, "C1") == 0) numbered = m;
    if (std::strcmp(model.mappings[m].name, "glass") == 0) glass = m;
  }
  ASSERT_GE(numbered, 0);
  ASSERT_GE(glass, 0);
  EXPECT_EQ(model.mappings[numbered].colour & 0xFFFFFF, model.colourChoices[1] & 0xFFFFFF);
  // A material flag edit: the flags are repaired (a shiny material is not translucent).
  ASSERT_NE(model.mappings[glass].colour & CF_TRANSLUCENT, 0u);
  MaterialFlagsChanged(&modeller->prss, 0, 0);
  EXPECT_EQ(model.mappings[glass].colour & CF_TRANSLUCENT, 0u) << "the glass has an environment map";
}

TEST_F(OperationsTest, ValueButtonEditsRebuildThePreview) {
  Start(SampleCar);
  FlatPreview();
  NewNodes();
  SelectSubobject(*modeller, 0, &model.children[0]);
  PressValue("Right (X) value of the selected object", 2);
  Type("1.25");
  EXPECT_TRUE(PreviewCurrent()) << "a subobject moved";
  EXPECT_EQ(NewNodes(), 1) << "a subobject moved";
  PressValue("Heading of the selected object", 8);
  Type("90");
  EXPECT_TRUE(PreviewCurrent()) << "a subobject turned";
  EXPECT_EQ(NewNodes(), 1) << "a subobject turned";
  SelectSubobject(*modeller, 0, &model.children[0]);  // the main object again
  ASSERT_EQ(EditedObject, &model);
  Press("scale points");
  PressStep(STEP_HINT_SCALE, true, 1, CLICK_LEFT);
  EXPECT_TRUE(PreviewCurrent()) << "points scaled";
  EXPECT_EQ(NewNodes(), 1) << "points scaled";
  Press("scale (+ mappings)");
  Type("2");
  EXPECT_TRUE(PreviewCurrent()) << "the object scaled";
  EXPECT_EQ(NewNodes(), 1) << "the object scaled";
  Key('P', true);
  SelectPoints({model.triangles[0].corners[0] & CORNER_INDEX_MASK});
  PressStep(STEP_HINT_LENGTH, true, 7, CLICK_LEFT);
  EXPECT_TRUE(PreviewCurrent()) << "a point moved";
  EXPECT_EQ(NewNodes(), 1) << "a point moved";
}
