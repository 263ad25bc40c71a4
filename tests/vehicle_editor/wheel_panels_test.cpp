// wheel_panels_test.cpp - the wheel sets' rows and operations on the sample "Runabout": the
// rows as the page shows them, the size steps with their clamps and the spoke that follows the
// front rim, the rim shape shared by both sets, discs and spokes, the rim editor's host, and
// every edit undone to the vehicle's exact bytes.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/window_state.h"
#include "physics/car.h"
#include "rim/rim_screen.h"
#include "tests/vehicle_editor/editor_fixture.h"
#include "ui/dialogs.h"
#include "ui/interface.h"
#include "ui/value_edit.h"
#include "vehicle_data/rim_profile.h"
#include "vehicle_data/vehicle_data.h"

using namespace VehicleUndo;

namespace {

class WheelPanels : public EditorTest {
 protected:
  SuspensionBlock& front() { return car().wheelSets[1]; }
  SuspensionBlock& rear() { return car().wheelSets[0]; }
  std::vector<ModelPoint> Spoke() { return {car().spoke.points, car().spoke.points + car().spoke.pointCount}; }
  // The page's buttons with a text, as the frame adds them.
  std::vector<std::string> PageTexts() {
    ClearInterface();
    VehicleEditor::BuildWheelObjectPage(*e);
    std::vector<std::string> texts;
    for (int i = 0; i < ButtonCount; ++i)
      if ((InterfaceButtons[i].style == BUTTON_STYLE_TEXT || InterfaceButtons[i].style == BUTTON_STYLE_LABEL) &&
          InterfaceButtons[i].text.text)
        texts.push_back(InterfaceButtons[i].text.text);
    return texts;
  }
  bool Shows(const std::string& text) {
    for (const std::string& t : PageTexts())
      if (t == text) return true;
    return false;
  }
  void UndoAll() {
    // Point 1 holds the vehicle as loaded (point 0 is the empty editor before the load).
    for (int i = 0; i < HISTORY_POINTS && NumNodes - NumRedo > 1; ++i) VehicleEditor::UndoRedo(e, CLICK_LEFT, 0);
  }
  // The message box the editor shows, closed; empty when none is open.
  std::string TakeMessageBox() {
    if (e->prss.sub != &MessageBoxDialog.prss) return {};
    std::string text = MessageBoxDialog.first;
    Prss_RemoveSub(&e->prss, "test");
    return text;
  }
};

TEST_F(WheelPanels, TheRowsShowTheSetsAsStored) {
  front().rimRadius = 0.2032f;
  front().rimEdgeExtraWidthMm = 3;
  car().options &= ~OPT1_SAME_TYRES;
  EXPECT_TRUE(Shows("Rim diameter 16"));
  EXPECT_TRUE(Shows("Note: Rim lip depth not available"));
  EXPECT_TRUE(Shows("FRONT"));
  EXPECT_TRUE(Shows("Rear brake disc"));
  EXPECT_TRUE(Shows("edit rim"));
  char tyreRow[64];
  std::snprintf(tyreRow, sizeof tyreRow, "tyre: %.0f/%.0f-16", front().sectionWidth * 1000, front().aspectRatio * 100);
  EXPECT_TRUE(Shows(tyreRow)) << tyreRow;
  front().rimEdgeExtraWidthMm = 4;
  EXPECT_FALSE(Shows("Note: Rim lip depth not available"));
  // The tyre dimension status in words; a status past the last reads as the last.
  const char* const statuses[4] = {"dimensions OK", "no sidewall", "rim too narrow", "rim too narrow"};
  for (int status = 0; status < 4; ++status) {
    front().profile.status = uint8_t(status);
    EXPECT_TRUE(Shows(statuses[status])) << status;
  }
  front().profile.status = 0;
  car().options |= OPT1_SAME_TYRES;
  EXPECT_FALSE(Shows("Rear brake disc")) << "REAR identical hides the rear set";
}

// A vehicle without wheels has no tyre to measure: the outer rows read zero, whatever the
// set's rolling radius; with its wheels they read that radius.
TEST_F(WheelPanels, WithoutWheelsTheOuterSizeRowsReadZero) {
  ASSERT_GT(front().rollingRadius, 0.0f);
  const auto shows = [](const std::string& text) {
    for (int i = 0; i < ButtonCount; ++i)
      if ((InterfaceButtons[i].style == BUTTON_STYLE_TEXT || InterfaceButtons[i].style == BUTTON_STYLE_LABEL) &&
          InterfaceButtons[i].text.text && text == InterfaceButtons[i].text.text)
        return true;
    return false;
  };
  char radius[48];
  std::snprintf(radius, sizeof radius, "outer radius %.3fm", double(front().rollingRadius));
  ClearInterface();
  VehicleEditor::AddTyreRows(*e, 1);
  EXPECT_TRUE(shows(radius));
  const int wheels = car().wheelCount;
  car().wheelCount = 0;
  ClearInterface();
  VehicleEditor::AddTyreRows(*e, 1);
  EXPECT_TRUE(shows("outer radius 0.000m"));
  EXPECT_FALSE(shows(radius));
  car().wheelCount = wheels;
}

// The disc radius slider of a panel built while the window has no pixels (minimised) keeps to
// finite coordinates: a zero width or height counts as one pixel.
TEST_F(WheelPanels, TheDiscRadiusSliderOnAScreenWithoutPixelsStaysFinite) {
  const int width = ScreenWidth, height = ScreenHeight;
  for (const int side : {0, 1}) {
    ScreenWidth = side == 0 ? 0 : 1024;
    ScreenHeight = side == 1 ? 0 : 768;
    ClearInterface();
    VehicleEditor::AddBrakeDiscPanel(*e, 1);
    ASSERT_GT(ValueControlCount, 0) << side;
    for (int i = 0; i < ValueControlCount; ++i) {
      const ValueControl& c = ValueControls[i];
      EXPECT_TRUE(std::isfinite(c.left) && std::isfinite(c.right)) << side << " control " << i;
      EXPECT_TRUE(std::isfinite(c.top) && std::isfinite(c.bottom)) << side << " control " << i;
    }
  }
  ScreenWidth = width;
  ScreenHeight = height;
  ClearInterface();
}

TEST_F(WheelPanels, SizeStepsSnapClampAndMergeAndTheCarFollows) {
  front().sectionWidth = 0.052f;
  front().rimWidth = 0.1524f;
  const std::vector<uint8_t> start = StoredBytes();
  VehicleEditor::StepFrontTyreSize(e, CLICK_LEFT, 0);
  EXPECT_FLOAT_EQ(front().sectionWidth, 0.05f);
  EXPECT_STREQ(Slots[NumNodes].name, "set width");
  const int nodes = NumNodes;
  VehicleEditor::StepFrontTyreSize(e, CLICK_LEFT, 0);
  EXPECT_FLOAT_EQ(front().sectionWidth, 0.05f);
  EXPECT_EQ(NumNodes, nodes) << "steps on one value merge";
  const float width = front().rimWidth;
  VehicleEditor::StepFrontTyreSize(e, CLICK_RIGHT, 7);
  EXPECT_NEAR(front().rimWidth - width, 0.0254f, 1e-6f);
  EXPECT_STREQ(Slots[NumNodes].name, "rim width");
  const uint32_t setups = e->carSetups;
  VehicleEditor::StepRearTyreSize(e, CLICK_LEFT, 3);
  EXPECT_STREQ(Slots[NumNodes].name, "set ratio");
  EXPECT_EQ(e->carSetups, setups + 1) << "the car is set up again";
  for (int i = 0; i < car().configCount; ++i) {
    EXPECT_EQ(car().configs[i].wheels[1][0], front().sectionWidth) << i;
    EXPECT_EQ(car().configs[i].wheels[1][3], front().rimWidth) << i;
    EXPECT_EQ(car().configs[i].wheels[0][1], rear().aspectRatio) << i;
  }
  for (const SuspensionBlock* s : {&front(), &rear()})
    EXPECT_NEAR(s->rollingRadius, s->aspectRatio * s->sectionWidth + s->rimRadius, 1e-5f);
  // The wheels are made again on the next frame, not this one.
  EXPECT_EQ(e->releaseMeshesCountdown, 1);
  e->prss.act(&e->prss);
  EXPECT_EQ(e->releaseMeshesCountdown, 0);
  UndoAll();
  EXPECT_EQ(StoredBytes(), start);
  VehicleEditor::UndoRedo(e, CLICK_LEFT, 1);
  EXPECT_FLOAT_EQ(car().wheelSets[1].sectionWidth, 0.05f) << "redo";
}

// Each rear size steps by its step, the right button by its coarse count, up (odd word) and
// down (even word), and stops at its limits:
//   value          step       coarse  least    most
//   section width  0.005 m    2       0.05 m   0.6 m
//   aspect ratio   0.01       5       0.25     0.9
//   rim radius     0.0127 m   1       0.0508 m 0.4572 m
//   rim width      0.00635 m  4       0.0508 m 0.5842 m
TEST_F(WheelPanels, EachSizeStepsByItsStepTheRightButtonByItsCoarseCountWithinItsLimits) {
  struct Row {
    float SuspensionBlock::*value;
    double step;
    int coarse;
    double least, most;
  };
  const Row rows[4] = {{&SuspensionBlock::sectionWidth, 0.005, 2, 0.05, 0.6},
                       {&SuspensionBlock::aspectRatio, 0.01, 5, 0.25, 0.9},
                       {&SuspensionBlock::rimRadius, 0.0127, 1, 0.0508, 0.4572},
                       {&SuspensionBlock::rimWidth, 0.00635, 4, 0.0508, 0.5842}};
  for (int which = 0; which < 4; ++which) {
    const Row& k = rows[which];
    SCOPED_TRACE(which);
    float& value = rear().*k.value;
    // A whole number of steps half way between the limits.
    const double n = std::round((k.least + k.most) / 2.0 / k.step), middle = n * k.step;
    value = float(middle);
    VehicleEditor::StepRearTyreSize(e, CLICK_LEFT, uintptr_t(2 * which + 1));
    EXPECT_NEAR(value, (n + 1) * k.step, 1e-5);
    VehicleEditor::StepRearTyreSize(e, CLICK_RIGHT, uintptr_t(2 * which + 1));
    EXPECT_NEAR(value, (n + 1 + k.coarse) * k.step, 1e-5);
    VehicleEditor::StepRearTyreSize(e, CLICK_RIGHT, uintptr_t(2 * which));
    VehicleEditor::StepRearTyreSize(e, CLICK_LEFT, uintptr_t(2 * which));
    EXPECT_NEAR(value, middle, 1e-5);
    // At each limit a step further stays there.
    value = float(k.most);
    VehicleEditor::StepRearTyreSize(e, CLICK_RIGHT, uintptr_t(2 * which + 1));
    EXPECT_NEAR(value, k.most, 1e-5);
    value = float(k.least);
    VehicleEditor::StepRearTyreSize(e, CLICK_RIGHT, uintptr_t(2 * which));
    EXPECT_NEAR(value, k.least, 1e-5);
    value = float(middle);
  }
  // Word 8 is no size: nothing changes but the car is set up again.
  const std::vector<uint8_t> before = StoredBytes();
  const uint32_t setups = e->carSetups;
  VehicleEditor::StepRearTyreSize(e, CLICK_LEFT, 8);
  EXPECT_EQ(StoredBytes(), before);
  EXPECT_EQ(e->carSetups, setups + 1);
}

// Stands the editor's car level on the floor, 5 cm up, and steps it ms milliseconds; its
// height (m) afterwards.
float SettledHeight(Car& car, int ms) {
  constexpr float LEVEL[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
  std::memcpy(car.orientation, LEVEL, sizeof LEVEL);
  car.InitState();
  car.awake = car.simulated = 1;
  car.frozen = 0;
  for (int i = 0; i < car.wheelCount; ++i) {
    car.wheels[i].ResetWheelState();
    car.wheels[i].UpdateSuspensionGeometry(car.wheelSets[car.wheels[i].wheelSet & 1]);
  }
  car.UpdateMassProperties();
  car.position = FixedFromMetres(Vec3{0.0f, 0.0f, 0.05f - car.LowestPoint()});
  for (int i = 0; i < ms; ++i) {
    car.Integrate(CAR_STEP_SECONDS, 0);
    car.FloorContacts();
    car.CheckGround();
    car.Update(CAR_STEP_SECONDS, -9.81f);
  }
  return float(car.position.z / 65536.0 + car.offset.z);
}

// After a step of the front tyre's size the car's wheels stand where the vehicle puts them,
// its wheel base follows, and, stood on the floor for 3 s, it rests on the taller front tyres
// with its axle loads by the lever rule about its centre of mass.
TEST_F(WheelPanels, AFrontSizeStepCarriesTheCarOnTheNewTyresByTheLeverRule) {
  const float low = SettledHeight(car(), 3000);
  const float radius = front().rollingRadius, rim = front().rimRadius;
  VehicleEditor::StepFrontTyreSize(e, CLICK_LEFT, 5);
  VehicleEditor::StepFrontTyreSize(e, CLICK_LEFT, 5);
  // Two inches more of diameter, from the stored radius rounded to whole steps.
  const float rise = front().rimRadius - rim;
  ASSERT_NEAR(rise, 0.0254f, 0.0127f / 2);
  ASSERT_NEAR(front().rollingRadius - radius, rise, 1e-5f);
  float rearmost = 0, foremost = 0;
  for (int i = 0; i < car().wheelCount; ++i) {
    EXPECT_FLOAT_EQ(car().wheels[i].restMount.y, car().wheelPositions[i].y) << i;
    rearmost = std::min(rearmost, car().wheelPositions[i].y);
    foremost = std::max(foremost, car().wheelPositions[i].y);
  }
  EXPECT_NEAR(car().wheelBase, foremost - rearmost + car().wheelBaseAddition, 1e-6f);

  const float high = SettledHeight(car(), 3000);
  // The front axle stands higher by the rise, the rear as before: the car's origin between
  // them rises by its share of the wheel base.
  EXPECT_NEAR(high - low, rise * -rearmost / (foremost - rearmost), 0.003f);
  EXPECT_LT(car().speed, 1e-2f);
  const double weight = car().mass * 9.81;
  double axle[2] = {}, y[2] = {};
  int n[2] = {};
  for (int i = 0; i < car().wheelCount; ++i) {
    const CarWheel& w = car().wheels[i];
    const Vec3 at = MatrixTransposeTimes(car().orientation, w.contactPoint - car().offset) - car().centreOfMass;
    axle[w.wheelSet] += w.normalForce;
    y[w.wheelSet] += at.y;
    ++n[w.wheelSet];
  }
  ASSERT_EQ(n[0], 2);
  ASSERT_EQ(n[1], 2);
  const double rear = y[0] / 2, frontY = y[1] / 2;
  EXPECT_NEAR(axle[0] + axle[1], weight, weight * 0.01);
  EXPECT_NEAR(axle[1], weight * -rear / (frontY - rear), weight * 0.02) << "the front axle";
  EXPECT_NEAR(axle[0], weight * frontY / (frontY - rear), weight * 0.02) << "the rear axle";
}

TEST_F(WheelPanels, TheFrontRimScalesTheSpokeAndTheRearNever) {
  ASSERT_GT(car().spoke.pointCount, 0);
  const std::vector<ModelPoint> before = Spoke();
  VehicleEditor::StepRearTyreSize(e, CLICK_LEFT, 5);
  VehicleEditor::StepRearTyreSize(e, CLICK_LEFT, 7);
  EXPECT_EQ(std::memcmp(Spoke().data(), before.data(), before.size() * sizeof(ModelPoint)), 0);

  const float inner = front().rimInnerDepthMm * 0.001f;
  const float oldRadius = front().rimRadius;
  VehicleEditor::StepFrontTyreSize(e, CLICK_LEFT, 5);
  const float factor = (front().rimRadius - inner) / (oldRadius - inner);
  std::vector<ModelPoint> after = Spoke();
  for (size_t i = 0; i < before.size(); ++i) {
    EXPECT_EQ(after[i].x, before[i].x) << i;
    EXPECT_EQ(after[i].y, FixedFromScaled(float(before[i].y) * factor)) << i;
    EXPECT_EQ(after[i].z, FixedFromScaled(float(before[i].z) * factor)) << i;
  }
  const float oldWidth = front().rimWidth;
  VehicleEditor::StepFrontTyreSize(e, CLICK_LEFT, 6);
  const float across = (front().rimWidth / 2 + 0.005f) / (oldWidth / 2 + 0.005f);
  const std::vector<ModelPoint> narrower = Spoke();
  for (size_t i = 0; i < before.size(); ++i) {
    EXPECT_EQ(narrower[i].x, FixedFromScaled(float(after[i].x) * across)) << i;
    EXPECT_EQ(narrower[i].y, after[i].y) << i;
  }
  // A loaded rim too small to divide by: the radius steps, the spoke stays, one message.
  front().rimRadius = 0.0105f;
  front().rimInnerDepthMm = 10;
  VehicleEditor::StepFrontTyreSize(e, CLICK_LEFT, 5);
  EXPECT_FLOAT_EQ(front().rimRadius, 0.0508f);
  EXPECT_EQ(std::memcmp(Spoke().data(), narrower.data(), before.size() * sizeof(ModelPoint)), 0);
  EXPECT_TRUE(SaidInfo("The spoke was not scaled"));
}

TEST_F(WheelPanels, TheRimShapeIsSharedAndTheInnerDepthStaysInItsRange) {
  front().rimEdgeExtraWidthMm = 3;
  front().rimLipDepthMm = 5;
  front().rimShadeTenths = 7;
  const float rolling = front().rollingRadius;
  ASSERT_NEAR(rolling, front().aspectRatio * front().sectionWidth + front().rimRadius, 1e-5f);
  front().rollingRadius = 0.0f;
  VehicleEditor::RimShapeChanged(e, 0, 0);
  EXPECT_EQ(front().rollingRadius, rolling) << "the car is set up again";
  EXPECT_EQ(front().rimLipDepthMm, 0) << "no lip below a 4 mm edge";
  EXPECT_EQ(rear().rimEdgeExtraWidthMm, 3);
  EXPECT_EQ(rear().rimShadeTenths, 7);
  EXPECT_EQ(e->releaseMeshesCountdown, 1);
  front().rimEdgeExtraWidthMm = 4;
  front().rimLipDepthMm = 5;
  VehicleEditor::RimShapeChanged(e, 0, 0);
  EXPECT_EQ(front().rimLipDepthMm, 5) << "a 4 mm edge keeps its lip";
  EXPECT_EQ(rear().rimLipDepthMm, 5);

  front().rimInnerDepthMm = 9;
  const std::vector<ModelPoint> before = Spoke();
  const float radius = front().rimRadius;
  VehicleEditor::StepRimInnerDepth(e, CLICK_LEFT, 1);
  EXPECT_EQ(front().rimInnerDepthMm, 10);
  EXPECT_EQ(rear().rimInnerDepthMm, 10);
  const float factor = (radius - 0.010f) / (radius - 0.009f);
  EXPECT_EQ(Spoke()[0].y, FixedFromScaled(float(before[0].y) * factor));
  const int nodes = NumNodes;
  VehicleEditor::StepRimInnerDepth(e, CLICK_LEFT, 1);
  EXPECT_EQ(front().rimInnerDepthMm, 10);
  EXPECT_EQ(NumNodes, nodes);
  EXPECT_STREQ(Slots[NumNodes].name, "set rim inner depth mm");
  for (int i = 0; i < 8; ++i) VehicleEditor::StepRimInnerDepth(e, CLICK_LEFT, 0);
  EXPECT_EQ(front().rimInnerDepthMm, 5);
}

// A deeper inner rim shrinks the spoke radially by the rim's remaining radius: from 9 mm to
// 10 mm deep, every point's y and z times (r - 10 mm) / (r - 9 mm); back up, the inverse.
TEST_F(WheelPanels, TheSpokeFollowsTheInnerRimDepthAtEveryPoint) {
  front().rimInnerDepthMm = 9;
  const std::vector<ModelPoint> before = Spoke();
  int far = 0;
  for (size_t i = 0; i < before.size(); ++i)
    if (std::abs(before[i].y) + std::abs(before[i].z) > std::abs(before[size_t(far)].y) + std::abs(before[size_t(far)].z))
      far = int(i);
  ASSERT_GT(std::abs(before[size_t(far)].y) + std::abs(before[size_t(far)].z), 65536 / 100) << "a point off the axle";
  const float radius = front().rimRadius;
  VehicleEditor::StepRimInnerDepth(e, CLICK_LEFT, 1);
  ASSERT_EQ(front().rimInnerDepthMm, 10);
  const float factor = (radius - 0.010f) / (radius - 0.009f);
  const ModelPoint p = Spoke()[size_t(far)];
  EXPECT_EQ(p.y, FixedFromScaled(float(before[size_t(far)].y) * factor));
  EXPECT_EQ(p.z, FixedFromScaled(float(before[size_t(far)].z) * factor));
  EXPECT_EQ(p.x, before[size_t(far)].x) << "not sideways";
}

TEST_F(WheelPanels, DiscTypeAndSpokeCountsKeepTheirLimits) {
  VehicleEditor::SetDiscType(e, CLICK_LEFT, 1);
  EXPECT_EQ(car().rimBytes[0], 1);
  EXPECT_STREQ(Slots[NumNodes].name, "set disc type");
  EXPECT_EQ(e->releaseMeshesCountdown, 0) << "the disc type sets no counter";

  car().spokeCount = 1;
  const int nodes = NumNodes;
  VehicleEditor::StepSpokeCount(e, CLICK_LEFT, 0);
  EXPECT_EQ(car().spokeCount, 1);
  EXPECT_EQ(NumNodes, nodes) << "a refused step records nothing";
  // A spoke of 100 points reaches 16 spokes and no more.
  ModelObject& spoke = car().spoke;
  spoke.points = static_cast<ModelPoint*>(std::realloc(spoke.points, 100 * sizeof(ModelPoint)));
  for (int i = spoke.pointCount; i < 100; ++i) spoke.points[i] = spoke.points[0];
  spoke.pointCount = 100;
  spoke.triangleCount = 0;
  for (int i = 0; i < 15; ++i) VehicleEditor::StepSpokeCount(e, CLICK_LEFT, 1);
  EXPECT_EQ(car().spokeCount, 16);
  EXPECT_EQ(TakeMessageBox(), "");
  VehicleEditor::StepSpokeCount(e, CLICK_LEFT, 1);
  EXPECT_EQ(car().spokeCount, 16);
  EXPECT_EQ(TakeMessageBox(), "The maximum total number of points (1600) would be exceeded");
  EXPECT_STREQ(Slots[NumNodes].name, "adjust number of spokes");
  EXPECT_EQ(e->releaseMeshesCountdown, 1);
  spoke.pointCount = 1;
  for (int i = 0; i < 30; ++i) VehicleEditor::StepSpokeCount(e, CLICK_LEFT, 1);
  EXPECT_EQ(car().spokeCount, 22);
  // The modeller sets the count of a spoke it edits within 1 to 22, and reads it back.
  VehicleEditor* const current = CurrentVehicleEditor;
  CurrentVehicleEditor = e;
  e->spokeInEditor = 0;
  EXPECT_EQ(EditedCarSpokeCount(), 0) << "no spoke in the modeller";
  SetEditedCarSpokeCount(5);
  EXPECT_EQ(car().spokeCount, 22);
  e->spokeInEditor = 1;
  for (const auto& [count, kept] : {std::pair{1, 1}, {0, 1}, {22, 22}, {23, 22}}) {
    SetEditedCarSpokeCount(count);
    EXPECT_EQ(car().spokeCount, kept) << count;
    EXPECT_EQ(EditedCarSpokeCount(), kept) << count;
  }
  e->spokeInEditor = 0;
  CurrentVehicleEditor = current;
}

TEST_F(WheelPanels, AValueTypedOutsideTheDiscRadiusIsRefusedAndNothingChanges) {
  car().options &= ~OPT1_SAME_TYRES;
  ScreenWidth = 1024, ScreenHeight = 768;
  SetInterfaceMetrics();
  ClearInterface();
  VehicleEditor::BuildWheelObjectPage(*e);
  const ValueControl* radius = nullptr;
  for (int i = 0; i < ValueControlCount; ++i)
    if (ValueControls[i].variable == &front().brakeDiscRadiusMm) radius = &ValueControls[i];
  ASSERT_NE(radius, nullptr);
  const std::vector<uint8_t> before = Bytes();
  const int nodes = NumNodes;
  MouseX = int((radius->left + radius->right + 2) * 0.25f * ScreenWidth);
  MouseY = int((radius->top + radius->bottom + 2) * 0.25f * ScreenHeight);
  MouseRecord press{};
  press.clickCode = CLICK_RIGHT;
  ASSERT_EQ(HandleInterfaceMouse(&press), 1);
  ASSERT_EQ(OpenTextEntry.open, 1);
  ConfirmTextEntry("250");
  EXPECT_EQ(TakeMessageBox(), "New value is too high");
  EXPECT_EQ(NumNodes, nodes);
  EXPECT_EQ(Bytes(), before);
}

TEST_F(WheelPanels, EditRimOpensTheHostOnTheCarsRimAndEscapeClosesIt) {
  ASSERT_NE(car().rim, nullptr);
  VehicleEditor::EditRim(e, CLICK_LEFT, 0);
  ASSERT_NE(e->prss.sub, nullptr);
  EXPECT_EQ(e->panelMode, PANEL_RIM_SHAPE) << "the bottom rows are the rim shape controls";
  EXPECT_STREQ(Slots[NumNodes].name, "edit rim");
  RimScreen* host = reinterpret_cast<RimScreen*>(e->prss.sub);
  EXPECT_EQ(host->graph.data, car().rim);
  EXPECT_EQ(host->graph.maxPoints, 14);
  EXPECT_FLOAT_EQ(host->graph.originX, -0.5f);
  EXPECT_FLOAT_EQ(host->graph.scaleW, 5.0f);
  EXPECT_EQ(host->graph.snap, 0u);
  EXPECT_EQ(RimEditorCar, e->car);
  // A point no surface holds goes when the editor closes.
  const int points = car().rim->numPoints;
  AppendGraphPoint(*car().rim, GraphPoint{2.0f, 1.0f});
  host->prss.key(&host->prss, 27);
  e->prss.act(&e->prss);
  EXPECT_EQ(e->prss.sub, nullptr);
  EXPECT_EQ(e->panelMode, PANEL_NORMAL);
  EXPECT_EQ(RimEditorCar, nullptr);
  EXPECT_EQ(car().rim->numPoints, points);
}

// A vehicle without a rim profile gets the default one to edit: a two-point profile of one
// surface painted by the mapping "rim" in grey 180, 180, 180.
TEST_F(WheelPanels, EditRimGivesAVehicleWithoutARimTheDefaultProfile) {
  delete car().rim;
  car().rim = nullptr;
  VehicleEditor::EditRim(e, CLICK_LEFT, 0);
  ASSERT_NE(car().rim, nullptr);
  const WXS& rim = *car().rim;
  EXPECT_EQ(rim.numPoints, 2);
  EXPECT_EQ(rim.surfaceCount, 1);
  ASSERT_EQ(rim.mappingCount, 1);
  EXPECT_STREQ(rim.mappings[0].name, "rim");
  EXPECT_EQ(rim.mappings[0].colour, RgbWord(180, 180, 180));
  ASSERT_NE(e->prss.sub, nullptr);
  RimScreen* host = reinterpret_cast<RimScreen*>(e->prss.sub);
  host->prss.key(&host->prss, 27);
  e->prss.act(&e->prss);
  EXPECT_EQ(e->prss.sub, nullptr);
}

}  // namespace
