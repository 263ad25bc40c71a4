// settings_actions_test.cpp - the settings actions, the suspension conversions and the axle
// actions on sample vehicles: what each changes, and that every refusal leaves the vehicle's
// bytes and the history as they were.
#include <cmath>
#include <cstring>
#include <functional>

#include "dashboard/dash_figures.h"
#include "pages_fixture.h"
#include "ui/dialogs.h"
#include "vehicle_data/setup_record.h"
#include "vehicle_data/vehicle_class.h"
#include "vehicle_editor/file_actions.h"
#include "vehicle_editor/settings_actions.h"

namespace {

using namespace VehicleUndo;

class SettingsTest : public PagesTest {
 protected:
  // A refusal: the box said, nothing changed, nothing recorded.
  template <typename Action>
  void ExpectRefused(Action action, const char* message) {
    const std::vector<uint8_t> before = Bytes();
    const int nodes = NumNodes;
    Reports() = Caught{};
    action();
    EXPECT_TRUE(SaidBox(message)) << message;
    EXPECT_EQ(Bytes(), before) << message;
    EXPECT_EQ(NumNodes, nodes) << message;
  }
  void Choose(int index) {
    ASSERT_EQ(e->prss.sub, &SelectDialog.prss) << "a list is offered";
    SelectItemClick(&SelectDialog.prss, 1, uintptr_t(index));
  }
  static void Do(void (*handler)(void*, int, uintptr_t), VehicleEditor* e, uintptr_t word, int click = 1) {
    handler(e, click, word);
  }
};

TEST_F(SettingsTest, DriveTypesFollowThePowerUnitTheClassAndTheWheels) {
  ExpectRefused([&] { Do(VehicleEditor::SetDriveType, e, DRIVE_NONE); }, "Powered vehicles must have a drive type");
  const uint32_t setups = e->carSetups;
  Do(VehicleEditor::SetDriveType, e, DRIVE_FOUR);
  EXPECT_EQ(e->carSetups, setups + 1) << "the car is set up again";
  EXPECT_EQ(car().driveType, DRIVE_FOUR) << "four wheels";
  EXPECT_STREQ(Slots[NumNodes].name, "set drive type");

  // A formula car asked for four-wheel drive gets rear-wheel drive.
  Do(VehicleEditor::SelectClass, e, CLASS_FORMULA);
  EXPECT_TRUE(Asked("Change vehicle type? / Various settings may be changed or limited"));
  EXPECT_EQ(car().vehicleClass, CLASS_SALOON) << "only after yes";
  const uint32_t classSetups = e->carSetups;
  AnswerYes();
  EXPECT_EQ(car().vehicleClass, CLASS_FORMULA);
  EXPECT_EQ(e->carSetups, classSetups + 1) << "the car is set up again";
  EXPECT_STREQ(Slots[NumNodes].name, "set vehicle type");
  Reports() = Caught{};
  Do(VehicleEditor::SetDriveType, e, DRIVE_FOUR);
  EXPECT_EQ(car().driveType, DRIVE_REAR);
  EXPECT_TRUE(SaidBox("This vehicle class only allows rear wheel drive"));
  EXPECT_STREQ(Slots[NumNodes].name, "set rear wheel drive") << "the change made is recorded";

  // The class refusals.
  ExpectRefused([&] { Do(VehicleEditor::SelectClass, e, CLASS_KART); }, "Can't change to kart");
  ExpectRefused([&] { Do(VehicleEditor::SelectClass, e, CLASS_OBJECT); }, "Can't change to object");

  // Four-wheel drive needs four wheels.
  Load("Sportbike");
  car().vehicleClass = CLASS_SALOON;
  ExpectRefused([&] { Do(VehicleEditor::SetDriveType, e, DRIVE_FOUR); }, "Four wheel drive is only for four wheeled vehicles");
  car().vehicleClass = CLASS_BIKE;
  ExpectRefused([&] { Do(VehicleEditor::SelectClass, e, CLASS_SALOON); }, "Can't change from bike");

  // Without a power unit: no drive.
  Load("Solar");
  Do(VehicleEditor::SetDriveType, e, DRIVE_REAR);
  EXPECT_TRUE(SaidBox("Unpowered vehicles must have no drive"));
  EXPECT_EQ(car().driveType, DRIVE_NONE);
  EXPECT_STREQ(Slots[NumNodes].name, "set no drive");
  ExpectRefused([&] { Do(VehicleEditor::ChooseAction, e, CHOOSE_TRANSMISSION); Choose(1); Choose(0); },
                "Invalid drive type");
  // A power unit given with four wheel drive needs four wheels: three are refused.
  car().wheelCount = 3;
  ExpectRefused([&] { VehicleEditor::ConvertMotor(*e, 1, DRIVE_FOUR); },
                "Four wheel drive is only for four wheeled vehicles");
  car().wheelCount = 4;
  VehicleEditor::ConvertMotor(*e, 1, DRIVE_FOUR);
  EXPECT_EQ(car().driveType, DRIVE_FOUR) << "four are enough";
  EXPECT_STREQ(Slots[NumNodes].name, "convert motor");
}

TEST_F(SettingsTest, TransmissionsWithinAKindAndAcrossKindsWithTheMotorsFigures) {
  Do(VehicleEditor::SetTransmission, e, TRANSMISSION_CENTRIFUGAL);
  EXPECT_EQ(car().transmissionType, TRANSMISSION_CENTRIFUGAL);
  EXPECT_EQ(car().gearPositions, 3);
  EXPECT_STREQ(Slots[NumNodes].name, "set transmission type");
  const std::vector<uint8_t> combustion = Bytes();

  // To the electric motor: asked first, then converted and set up once.
  Do(VehicleEditor::ChooseAction, e, CHOOSE_TRANSMISSION);
  Choose(TRANSMISSION_ELECTRIC);
  EXPECT_TRUE(Asked("Convert to electric vehicle? / Engine will be reset"));
  EXPECT_EQ(Bytes(), combustion) << "only after yes";
  const uint32_t setups = e->carSetups;
  AnswerYes();
  EXPECT_EQ(e->carSetups, setups + 1);
  const Car& c = car();
  EXPECT_EQ(c.transmissionType, TRANSMISSION_ELECTRIC);
  EXPECT_STREQ(c.engineName, "ELECTRIC");
  EXPECT_TRUE(c.options & OPT1_FUEL_CAPACITY);
  EXPECT_EQ(c.fuelTankCapacity, 40.0f);
  EXPECT_EQ(c.engine.peakTorque, 180.0f);
  EXPECT_NEAR(c.engine.maxTorqueSpeed, 200000.0f * 1.0f / 180.0f, 0.01f);
  EXPECT_NEAR(c.engine.redline, 2094.3953f, 1e-3f);
  EXPECT_GT(c.engine.inertia, 0.0f);
  EXPECT_GT(c.engine.stiffness, 0.0f);
  EXPECT_STREQ(Slots[NumNodes].name, "convert motor");
  const std::vector<uint8_t> electric = Bytes();

  // To no power unit: the figures zeroed, the drive gone.
  Do(VehicleEditor::SetTransmission, e, TRANSMISSION_NONE);
  EXPECT_TRUE(Asked("Convert to no engine? / Motor will be reset"));
  AnswerYes();
  EXPECT_EQ(c.engine.maxPower, 0.0f);
  EXPECT_EQ(c.engine.peakTorque, 0.0f);
  EXPECT_EQ(c.engine.inertia, 0.0f);
  EXPECT_EQ(c.driveType, DRIVE_NONE);
  EXPECT_EQ(c.engineName[0], 0);
  const std::vector<uint8_t> none = Bytes();

  // Back to combustion: the drive list first, then the class's engine.
  Do(VehicleEditor::SetTransmission, e, TRANSMISSION_H_PATTERN);
  EXPECT_STREQ(SelectDialog.title, "Changing to H-pattern gearbox - select drive type");
  Choose(DRIVE_FRONT);
  EXPECT_EQ(c.driveType, DRIVE_FRONT);
  EXPECT_STREQ(c.engineName, "DEFAULT");
  EXPECT_EQ(c.engine.turboInertiaMul, 0.5f);
  EXPECT_EQ(c.engine.idleSpeed, VehicleClassRow(CLASS_SALOON).idleSpeed);
  EXPECT_GT(c.engine.maxPower, 0.0f);

  const std::vector<uint8_t> combustionAgain = Bytes();

  // Undo walks back byte for byte, and redo forward: a vehicle read back from the history
  // keeps the engine it stored (the engine files give the sound only).
  UndoEdit(*e);
  EXPECT_EQ(Bytes(), none);
  UndoEdit(*e);
  EXPECT_EQ(Bytes(), electric);
  UndoEdit(*e);
  EXPECT_EQ(Bytes(), combustion);
  RedoEdit(*e);
  EXPECT_EQ(Bytes(), electric);
  EXPECT_EQ(car().engine.peakTorque, 180.0f);
  EXPECT_NEAR(car().engine.redline, 2094.3953f, 1e-3f);
  RedoEdit(*e);
  EXPECT_EQ(Bytes(), none);
  RedoEdit(*e);
  EXPECT_EQ(Bytes(), combustionAgain);
}

TEST_F(SettingsTest, GearsClocksPointTypesAndTheFrameMassScale) {
  Car& c = car();
  c.gearPositions = 9;
  const int nodes = NumNodes;
  Do(VehicleEditor::StepGearCount, e, 1);
  EXPECT_EQ(c.gearPositions, 9);
  EXPECT_EQ(NumNodes, nodes);
  const uint32_t setups = e->carSetups;
  Do(VehicleEditor::StepGearCount, e, 0);
  EXPECT_EQ(e->carSetups, setups + 1) << "each change sets the car up once";
  Do(VehicleEditor::StepGearCount, e, 0);
  EXPECT_EQ(c.gearPositions, 7);
  EXPECT_EQ(NumNodes, nodes + 1) << "one merged node";
  c.gearPositions = 3;
  Do(VehicleEditor::StepGearCount, e, 0);
  EXPECT_EQ(c.gearPositions, 3);

  Do(VehicleEditor::SetClocks, e, 3);
  EXPECT_EQ(c.dashType, 3);
  EXPECT_EQ(c.modelRebuild, 1u);
  EXPECT_STREQ(Slots[NumNodes].name, "set clocks");

  e->selection.selectedPoint = 0;
  Do(VehicleEditor::SetPointType, e, 3);
  EXPECT_EQ(c.framePoints[0].type, 3);
  EXPECT_STREQ(Slots[NumNodes].name, "set point type");

  // A right click on minus divides by 1.1; 40 kg/m stays 40 going up.
  ASSERT_GE(c.frameTubeCount, 2);
  c.frameTubes[0].massPerMetre = 11.0f;
  c.frameTubes[1].massPerMetre = 40.0f;
  c.SetupFromVehicle(0);
  const float mass = c.massWithoutOccupants;
  const uint32_t before = e->carSetups;
  Do(VehicleEditor::ScaleFrameMass, e, 0, 2);
  EXPECT_EQ(e->carSetups, before + 1);
  EXPECT_LT(c.massWithoutOccupants, mass) << "the mass model ran again";
  EXPECT_NEAR(c.frameTubes[0].massPerMetre, 10.0f, 1e-5f);
  Do(VehicleEditor::ScaleFrameMass, e, 1, 10);
  EXPECT_NEAR(c.frameTubes[0].massPerMetre, 20.0f, 1e-5f);
  EXPECT_EQ(c.frameTubes[1].massPerMetre, 40.0f);
  EXPECT_STREQ(Slots[NumNodes].name, "scale frame mass");
  // A symmetric set-up copies the left values to the right.
  uint8_t* rear = c.currentSetup.bytes + SETUP_AXLE[0];
  rear[AXLE_CAMBER_LEFT] = 40;
  rear[AXLE_CAMBER_RIGHT] = 50;
  c.currentSetup.bytes[SETUP_FLAGS] |= 1;
  Do(VehicleEditor::ScaleFrameMass, e, 1, 1);
  EXPECT_EQ(rear[AXLE_CAMBER_RIGHT], 40);
}

// The drive list's answer is the drive chosen: front wheel drive for a saloon, four wheel
// drive for its four wheels.
TEST_F(SettingsTest, TheDriveListsAnswerIsTheDriveChosen) {
  Car& c = car();
  ASSERT_GE(c.wheelCount, 4);
  Do(VehicleEditor::ChooseAction, e, CHOOSE_DRIVE_TYPE);
  Choose(DRIVE_FRONT);
  EXPECT_EQ(c.driveType, DRIVE_FRONT);
  Do(VehicleEditor::ChooseAction, e, CHOOSE_DRIVE_TYPE);
  Choose(DRIVE_FOUR);
  EXPECT_EQ(c.driveType, DRIVE_FOUR);
}

// "edit engine" opens the engine page over the editor, with the fuel on while it is open;
// a second press while it is open opens no other.
TEST_F(SettingsTest, TheEngineEditorOpensOverTheEditorWithTheFuelOn) {
  e->displayFlags &= ~SHOW_FUEL;
  e->toggleFuelRequest = 0;
  Do(VehicleEditor::ChooseAction, e, CHOOSE_ENGINE_PAGE);
  ASSERT_NE(e->prss.sub, nullptr) << "the engine page is the editor's sub-screen";
  EXPECT_TRUE(e->displayFlags & SHOW_FUEL);
  EXPECT_EQ(e->toggleFuelRequest, 1);
  EXPECT_STREQ(Slots[NumNodes].name, "edit engine");
  const Prss* page = e->prss.sub;
  const int nodes = NumNodes;
  Do(VehicleEditor::ChooseAction, e, CHOOSE_ENGINE_PAGE);
  EXPECT_EQ(e->prss.sub, page);
  EXPECT_EQ(NumNodes, nodes);
  Prss_RemoveSub(&e->prss, "test");
  EXPECT_EQ(e->prss.sub, nullptr);
}

// The first point has a type too: its list is offered with the type it has selected.
TEST_F(SettingsTest, ThePointTypeListIsOfferedForTheFirstPoint) {
  Car& c = car();
  ASSERT_GT(c.framePointCount, 0);
  c.framePoints[0].type = 2;
  e->selection.selectedPoint = 0;
  Do(VehicleEditor::ChooseAction, e, CHOOSE_POINT_TYPE);
  EXPECT_STREQ(SelectDialog.title, "Select point type");
  EXPECT_EQ(SelectDialog.count, 4);
  EXPECT_EQ(SelectDialog.current, 2);
  Choose(1);
  EXPECT_EQ(c.framePoints[0].type, 1) << "lower pivot";
}

// The frame mass scale takes every tube between two frame points, point 0 included at either
// end (x 2 on a right click on plus): links, with a wheel point at an end, keep theirs.
TEST_F(SettingsTest, TheFrameMassScaleTakesTubesEndingOnTheFirstPoint) {
  Car& c = car();
  ASSERT_GE(c.frameTubeCount, 2);
  ASSERT_GT(c.framePointCount, 2);
  c.frameTubes[0].a = 2;
  c.frameTubes[0].b = 0;
  c.frameTubes[0].massPerMetre = 5.0f;
  c.frameTubes[1].a = 0;
  c.frameTubes[1].b = 1;
  c.frameTubes[1].massPerMetre = 6.0f;
  Do(VehicleEditor::ScaleFrameMass, e, 1, 10);
  EXPECT_NEAR(c.frameTubes[0].massPerMetre, 10.0f, 1e-5f) << "ending on point 0";
  EXPECT_NEAR(c.frameTubes[1].massPerMetre, 12.0f, 1e-5f) << "starting on point 0";
}

TEST_F(SettingsTest, TyreTypeAndPressureRanges) {
  Car& c = car();
  Do(VehicleEditor::ChooseAction, e, CHOOSE_TYRE_TYPES);
  EXPECT_TRUE(c.options2 & OPT2_TYRE_TYPE_LIMITS);
  EXPECT_EQ(c.rimBytes[1], 5) << "a saloon's range";
  EXPECT_EQ(c.rimBytes[2], 7);
  EXPECT_STREQ(Slots[NumNodes].name, "specify tyre types");
  const int nodes = NumNodes;
  Do(VehicleEditor::StepTyreTypeLimit, e, 1);
  Do(VehicleEditor::StepTyreTypeLimit, e, 1);
  Do(VehicleEditor::StepTyreTypeLimit, e, 1);
  EXPECT_EQ(c.rimBytes[1], 7);
  EXPECT_EQ(c.rimBytes[2], 7) << "kept at the top";
  EXPECT_EQ(NumNodes, nodes + 1) << "the steps make one node";
  EXPECT_STREQ(Slots[NumNodes].name, "set tyre type limits");
  for (int i = 0; i < 9; ++i) Do(VehicleEditor::StepTyreTypeLimit, e, 2);
  EXPECT_EQ(c.rimBytes[2], 0);
  EXPECT_EQ(c.rimBytes[1], 0) << "the lowest follows the highest down";
  Do(VehicleEditor::StepTyreTypeLimit, e, 3);
  EXPECT_EQ(c.rimBytes[2], 1) << "word 3 raises the highest";
  EXPECT_EQ(c.rimBytes[1], 0);
  Do(VehicleEditor::StepTyreTypeLimit, e, 4);
  EXPECT_EQ(c.rimBytes[2], 1) << "no word past 3";

  Do(VehicleEditor::ChooseAction, e, CHOOSE_PRESSURE_LIMITS);
  EXPECT_TRUE(c.options2 & OPT2_PRESSURE_LIMITS);
  EXPECT_STREQ(Slots[NumNodes].name, "specify pressure limits");
  const int limit = c.TyrePressureLimit();
  EXPECT_EQ(limit, 10 * (1 + int(60.0 * std::sqrt(double(c.massWithoutOccupants) / 1000.0))));
  c.rimWords[0] = 100;
  c.rimWords[1] = 300;
  Do(VehicleEditor::EnterPressureLimit, e, 1);
  char prompt[96];
  std::snprintf(prompt, sizeof prompt, "Enter new value for maximum tyre pressure (max. %d kPa)", limit);
  Type(prompt, "250,4");
  EXPECT_EQ(c.rimWords[1], 250);
  EXPECT_STREQ(Slots[NumNodes].name, "set maximum tyre pressure");

  char most[80];
  std::snprintf(most, sizeof most, "The maximum tyre pressure for this vehicle is %d kPa", limit);
  for (const char* text : {"nan", "inf", "abc", "1e12", "99999"})
    ExpectRefused([&] { EXPECT_EQ(VehicleEditor::SetTyrePressure(*e, text, 1), 0) << text; }, most);
  ExpectRefused([&] { EXPECT_EQ(VehicleEditor::SetTyrePressure(*e, "-3", 0), 0); }, "Tyre pressure cannot be less than zero");
  ExpectRefused([&] { EXPECT_EQ(VehicleEditor::SetTyrePressure(*e, "-inf", 0), 0); },
                "Tyre pressure cannot be less than zero");
  ExpectRefused([&] { EXPECT_EQ(VehicleEditor::SetTyrePressure(*e, "250", 0), 0); },
                "Minimum pressure must be less than maximum pressure");
  ExpectRefused([&] { EXPECT_EQ(VehicleEditor::SetTyrePressure(*e, "100", 1), 0); },
                "Maximum pressure must be greater than minimum pressure");
  EXPECT_EQ(VehicleEditor::SetTyrePressure(*e, "", 1), 0) << "an empty text does nothing";
}

TEST_F(SettingsTest, ChooseActionOffersItsListsQuestionsAndPrompts) {
  Car& c = car();
  Do(VehicleEditor::ChooseAction, e, CHOOSE_REAR_SUSPENSION);
  EXPECT_STREQ(SelectDialog.title, "Select new REAR suspension type") << "a linear axle";
  Choose(SUSPENSION_TRAILING_ARM);
  EXPECT_EQ(c.wheelSets[0].suspensionType, SUSPENSION_TRAILING_ARM);
  EXPECT_STREQ(Slots[NumNodes].name, "convert to trailing arm");
  Do(VehicleEditor::ChooseAction, e, CHOOSE_FRONT_SUSPENSION);
  EXPECT_TRUE(Asked("Convert FRONT suspension to LINEAR?"));
  AnswerYes();
  EXPECT_EQ(c.wheelSets[1].suspensionType, SUSPENSION_LINEAR);
  Do(VehicleEditor::ChooseAction, e, CHOOSE_CLOCKS);
  EXPECT_STREQ(SelectDialog.title, "Select clocks");
  EXPECT_EQ(SelectDialog.count, 7);
  EXPECT_STREQ(SelectDialog.texts[0], "[no clocks]");
  EXPECT_STREQ(SelectDialog.texts[1], "s_clock");
  EXPECT_STREQ(SelectDialog.texts[6], "s_clock_fj");
  Choose(2);
  EXPECT_EQ(c.dashType, 2);
  Do(VehicleEditor::ChooseAction, e, CHOOSE_ENGINE_SOUND);
  Type("Enter name of engine sound file", "DEFAULT");
  EXPECT_STREQ(c.engineName, "DEFAULT");
  // An object has no power unit: the transmission list is not offered, the unit goes.
  c.vehicleClass = CLASS_OBJECT;
  Reports() = Caught{};
  Do(VehicleEditor::ChooseAction, e, CHOOSE_TRANSMISSION);
  EXPECT_TRUE(SaidBox("Objects can't have a power unit"));
  EXPECT_TRUE(Asked("Convert to no engine?")) << "from the gearbox to none";
  EXPECT_NE(e->prss.sub, &SelectDialog.prss);
  c.vehicleClass = CLASS_SALOON;
  // The drive list keeps the current drive selected.
  Do(VehicleEditor::ChooseAction, e, CHOOSE_DRIVE_TYPE);
  EXPECT_STREQ(SelectDialog.title, "Select drive type");
  EXPECT_EQ(SelectDialog.current, c.driveType);
  Choose(DRIVE_REAR);
  EXPECT_EQ(c.driveType, DRIVE_REAR);
}

TEST_F(SettingsTest, PromptWordsAndMarks) {
  Car& c = car();
  const uint8_t kmh = DashUnits.kmh;
  VehicleEditor::PromptAction(e, 1, PROMPT_SPEED_UNIT);
  EXPECT_NE(DashUnits.kmh, kmh);
  DashUnits.kmh = kmh;
  const uint32_t limiter = c.options & OPT1_PIT_LIMITER;
  VehicleEditor::PromptAction(e, 1, PROMPT_PIT_LIGHT_ON);
  EXPECT_TRUE(c.lightsAndAids & LIGHTS_PIT_LIGHT_FOG);
  EXPECT_EQ(c.options & OPT1_PIT_LIMITER, limiter) << "the limiter itself stays as it was";
  EXPECT_STREQ(Slots[NumNodes].name, "set pit limiter light");
  const int nodes = NumNodes;
  VehicleEditor::PromptAction(e, 1, PROMPT_PIT_LIGHT_OFF);
  EXPECT_FALSE(c.lightsAndAids & LIGHTS_PIT_LIGHT_FOG);
  EXPECT_EQ(c.options & OPT1_PIT_LIMITER, limiter);
  EXPECT_EQ(NumNodes, nodes) << "merged on the flag word";
  e->selection.selectedPoint = 2;
  VehicleEditor::PromptAction(e, 1, PROMPT_FRAME_MOVE);
  EXPECT_EQ(e->frameMove, 1);
  VehicleEditor::PromptAction(e, 1, PROMPT_FRAME_MOVE_OFF);
  EXPECT_EQ(e->frameMove, 0);
  // Special draw is on at exactly 1 (the frame and the side panel's tools ask for 1).
  SpecialDraw = 0;
  VehicleEditor::PromptAction(e, 1, PROMPT_SPECIAL_DRAW);
  EXPECT_EQ(SpecialDraw, 1);
  VehicleEditor::PromptAction(e, 1, PROMPT_SPECIAL_DRAW);
  EXPECT_EQ(SpecialDraw, 0);
  EXPECT_EQ(e->selection.selectedPoint, NO_POINT);
  VehicleEditor::RemoveUnusedLayers(e, 1, 0xFFFFFFFF);
  EXPECT_STREQ(Slots[NumNodes].name, "remove unused layers");
}

// ---- Suspension conversions ----

// The inner axle end of the axle's last wheel, right side, as the conversions measure from.
struct Inner {
  double x, z;
};
Inner InnerEnd(const Car& c, int axle) {
  int last = -1;
  for (int i = 0; i < c.wheelCount; ++i)
    if ((c.wheels[i].wheelSet & 1) == axle) last = i;
  const CarWheel& w = c.wheels[last];
  const double half = double(c.wheelSets[axle].sectionWidth) * 0.5;
  return {std::fabs(double(w.centre.x) - double(w.spinAxis.x) * half), double(w.centre.z) - double(w.spinAxis.z) * half};
}
double Distance(const Inner& a, const IntVector& p) {
  const double dx = a.x - std::fabs(p.x / 65536.0), dz = a.z - p.z / 65536.0;
  return std::sqrt(dx * dx + dz * dz);
}

TEST_F(SettingsTest, MacPhersonAndDoubleWishboneArmsComeFromTheFramesPivots) {
  Car& c = car();
  SuspensionBlock& rear = c.wheelSets[0];
  // The rear has lower and upper pivots but no thrust bearing.
  ExpectRefused([&] { VehicleEditor::ConvertSuspension(*e, 0, SUSPENSION_MACPHERSON_STRUT); },
                "A thrust bearing and a lower pivot are required [REAR]");
  ExpectRefused([&] { VehicleEditor::ConvertSuspension(*e, 0, SUSPENSION_DOUBLE_WISHBONE); },
                "A thrust bearing, a lower pivot and an upper pivot are required [REAR]");
  ExpectRefused([&] { VehicleEditor::ConvertSuspension(*e, 0, SUSPENSION_FRONT_FORK); }, "Fork is only for front wheels");
  ExpectRefused([&] { VehicleEditor::ConvertSuspension(*e, 1, SUSPENSION_FRONT_FORK); }, "Fork is for single front wheels");
  ExpectRefused([&] { VehicleEditor::ConvertSuspension(*e, 1, SUSPENSION_TRAILING_ARM); },
                "Front Trailing Arm is not yet available");
  ExpectRefused([&] { VehicleEditor::ConvertSuspension(*e, 0, SUSPENSION_RIGID); }, "Rigid suspension is only for karts");
  // Without a wheel on the axle there is nothing to convert; a rear trailing arm needs its pivot.
  {
    const int32_t wheels = c.wheelCount;
    c.wheelCount = 0;
    ExpectRefused([&] { VehicleEditor::ConvertSuspension(*e, 0, SUSPENSION_TRAILING_ARM); },
                  "Didn't find a relevant wheel");
    c.wheelCount = wheels;
    const IntVector pivot = rear.lowerPivot;
    rear.lowerPivot = IntVector{};
    ExpectRefused([&] { VehicleEditor::ConvertSuspension(*e, 0, SUSPENSION_TRAILING_ARM); },
                  "A lower pivot is required [REAR]");
    rear.lowerPivot = pivot;
  }

  // A thrust bearing for the rear.
  FramePoint* grown = static_cast<FramePoint*>(std::realloc(c.framePoints, sizeof(FramePoint) * (c.framePointCount + 1)));
  ASSERT_NE(grown, nullptr);
  c.framePoints = grown;
  c.framePoints[c.framePointCount++] = FramePoint{int32_t(0.55 * 65536), int32_t(-1.3 * 65536), int32_t(0.55 * 65536), 0, 0, 3, 0};
  VehicleEditor::VehicleValueChanged(*e);
  ASSERT_TRUE(rear.thrustBearing.x != 0);

  uint8_t* bytes = c.currentSetup.bytes + SETUP_AXLE[0];
  bytes[AXLE_CAMBER_LEFT] = 50;
  bytes[AXLE_CAMBER_RIGHT] = 42;
  const float angle = rear.includedAngle;
  const Inner inner = InnerEnd(c, 0);
  const IntVector lower = rear.lowerPivot, upper = rear.upperPivot;
  const uint32_t converted = e->carSetups;
  VehicleEditor::ConvertSuspension(*e, 0, SUSPENSION_MACPHERSON_STRUT);
  EXPECT_EQ(rear.suspensionType, SUSPENSION_MACPHERSON_STRUT);
  EXPECT_STREQ(Slots[NumNodes].name, "convert to macpherson");
  EXPECT_EQ(e->carSetups, converted + 1) << "the car is set up again";
  EXPECT_NEAR(rear.lowerArmLength, Distance(inner, lower), 1e-5);
  EXPECT_EQ(rear.upperArmLength, 0.0f);
  EXPECT_NEAR(rear.includedAngle, angle + 1.0f * 0.07853982f / 45.0f, 1e-7f) << "the mean of +5 and -3 steps";
  EXPECT_EQ(bytes[AXLE_CAMBER_LEFT], 45);
  EXPECT_EQ(bytes[AXLE_CAMBER_RIGHT], 45);
  char info[96];
  std::snprintf(info, sizeof info, "Lower %.3f - Upright %.3f", double(rear.lowerArmLength), double(rear.halfUprightLength) * 2.0);
  EXPECT_TRUE(SaidInfo(info)) << e->statusText;

  VehicleEditor::ConvertToLinear(*e, 0);
  const Inner again = InnerEnd(c, 0);
  VehicleEditor::ConvertSuspension(*e, 0, SUSPENSION_DOUBLE_WISHBONE);
  EXPECT_EQ(rear.suspensionType, SUSPENSION_DOUBLE_WISHBONE);
  EXPECT_STREQ(Slots[NumNodes].name, "convert to double wishbone");
  EXPECT_NEAR(rear.lowerArmLength, Distance(again, rear.lowerPivot), 1e-5);
  EXPECT_NEAR(rear.upperArmLength, Distance(again, upper), 1e-5);
  EXPECT_EQ(bytes[AXLE_CASTER], static_cast<uint8_t>(std::lround(rear.caster * 1800.0 / 3.1415927)));
  EXPECT_TRUE(std::strstr(e->statusText, "- (Inner ") != nullptr) << e->statusText;

  // Linear again: the arms gone, the car set up again.
  const uint32_t setups = e->carSetups;
  VehicleEditor::ConvertToLinear(*e, 0);
  EXPECT_EQ(e->carSetups, setups + 1);
  EXPECT_EQ(rear.suspensionType, SUSPENSION_LINEAR);
  EXPECT_EQ(rear.lowerArmLength, 0.0f);
  EXPECT_STREQ(Slots[NumNodes].name, "convert to linear");

  // Karts, and pairs.
  Load("Kart");
  ExpectRefused([&] { VehicleEditor::ConvertSuspension(*e, 0, SUSPENSION_LINEAR); }, "Can't change kart suspension");
  ExpectRefused([&] { VehicleEditor::ConvertToLinear(*e, 0); }, "Kart can't have suspension");
  Load("Sportbike");
  ExpectRefused([&] { VehicleEditor::ConvertSuspension(*e, 1, SUSPENSION_MACPHERSON_STRUT); },
                "MacPherson Strut is for a PAIR of wheels");
  ExpectRefused([&] { VehicleEditor::ConvertSuspension(*e, 1, SUSPENSION_DOUBLE_WISHBONE); },
                "Double Wishbone is for a PAIR of wheels");
  ExpectRefused([&] { VehicleEditor::ConvertSuspension(*e, 1, SUSPENSION_FRONT_FORK); },
                "Change to Fork is not yet available");
}

// A double wishbone's caster byte holds the wheel set's caster in tenths of a degree, at most
// 255: a front caster of 27 degrees (270 tenths) stores 255, which the set-up then holds to
// the double wishbone's 60.
TEST_F(SettingsTest, ADoubleWishboneCasterPastTheByteIsStoredAtItsMost) {
  Car& c = car();
  SuspensionBlock& front = c.wheelSets[1];
  // A lower pivot, an upper pivot and a thrust bearing ahead of the front wheels (the last
  // point of each type is the axle's).
  const int first = c.framePointCount;
  FramePoint* grown = static_cast<FramePoint*>(std::realloc(c.framePoints, sizeof(FramePoint) * (first + 3)));
  ASSERT_NE(grown, nullptr);
  c.framePoints = grown;
  for (int type = 1; type <= 3; ++type)
    c.framePoints[c.framePointCount++] =
        FramePoint{int32_t(0.45 * 65536), int32_t(1.3 * 65536), int32_t((0.1 + 0.2 * type) * 65536), 0, 0, uint8_t(type), 0};
  VehicleEditor::VehicleValueChanged(*e);
  ASSERT_TRUE(front.thrustBearing.x != 0 && front.lowerPivot.x != 0 && front.upperPivot.x != 0);
  front.caster = float(27.0 * 3.14159265358979 / 180.0);
  VehicleEditor::ConvertSuspension(*e, 1, SUSPENSION_DOUBLE_WISHBONE);
  ASSERT_EQ(front.suspensionType, SUSPENSION_DOUBLE_WISHBONE);
  EXPECT_EQ(c.currentSetup.bytes[SETUP_AXLE[1] + AXLE_CASTER], 60);
}

// ---- Axle actions ----

TEST_F(SettingsTest, AlignmentStaggerAxlePositionsAndSingleWheelOffsets) {
  Car& c = car();
  const int fl = c.wheelSets[1].leftWheel - 1, fr = c.wheelSets[1].rightWheel - 1;
  const int rl = c.wheelSets[0].leftWheel - 1, rr = c.wheelSets[0].rightWheel - 1;
  c.wheelPositions[fr].y = 3.95f;
  c.wheelPositions[fl].y = 3.95f;
  Do(VehicleEditor::SetAlignment, e, 4 | 0);
  EXPECT_FLOAT_EQ(c.wheelPositions[fl].y, 4.0f);
  EXPECT_FLOAT_EQ(c.wheelPositions[fr].y, 3.9f);
  EXPECT_STREQ(Slots[NumNodes].name, "set alignment");
  // Staggered the other way: the right wheel leads by 0.1 m, held at the front limit 4 m.
  c.wheelPositions[fr].y = 3.95f;
  c.wheelPositions[fl].y = 3.95f;
  Do(VehicleEditor::SetAlignment, e, 4 | 2);
  EXPECT_FLOAT_EQ(c.wheelPositions[fr].y, 4.0f);
  EXPECT_FLOAT_EQ(c.wheelPositions[fl].y, 3.9f);
  // Below the limit the leading wheel moves 0.1 m ahead of the other: rear, right leading,
  // the right wheel at -1.5 m goes to -1.4 m and the left one stays behind it at -1.5 m.
  c.wheelPositions[rl].y = -1.5f;
  c.wheelPositions[rr].y = -1.5f;
  Do(VehicleEditor::SetAlignment, e, 2);
  EXPECT_FLOAT_EQ(c.wheelPositions[rr].y, -1.4f);
  EXPECT_FLOAT_EQ(c.wheelPositions[rl].y, -1.5f);
  // Rear, left leading, at -0.15 m: the rear limit -0.1 m holds the left wheel and the
  // right one drops behind it to -0.2 m.
  c.wheelPositions[rl].y = -0.15f;
  c.wheelPositions[rr].y = -0.15f;
  Do(VehicleEditor::SetAlignment, e, 0);
  EXPECT_FLOAT_EQ(c.wheelPositions[rl].y, -0.1f);
  EXPECT_FLOAT_EQ(c.wheelPositions[rr].y, -0.2f);

  c.wheelPositions[rl].y = -1.3f;
  c.wheelPositions[rr].y = -1.4f;
  // An axle position edit leaves the staggered pair alone.
  e->axlePositions[0] = -1.0f;
  e->axlePositions[1] = 2.0f;
  Do(VehicleEditor::AxlePositionChanged, e, 0);
  EXPECT_FLOAT_EQ(c.wheelPositions[rl].y, -1.3f);
  EXPECT_FLOAT_EQ(c.wheelPositions[rr].y, -1.4f);
  // "aligned" brings both to the rearmost.
  Do(VehicleEditor::SetAlignment, e, 1);
  EXPECT_FLOAT_EQ(c.wheelPositions[rl].y, -1.4f);
  EXPECT_FLOAT_EQ(c.wheelPositions[rr].y, -1.4f);
  Do(VehicleEditor::AxlePositionChanged, e, 0);
  EXPECT_FLOAT_EQ(c.wheelPositions[rl].y, -1.0f) << "aligned now: the axle position applies";
  EXPECT_FLOAT_EQ(c.wheelPositions[rr].y, -1.0f);
  EXPECT_FLOAT_EQ(c.wheelPositions[fr].y, 4.0f) << "the front pair is still staggered";
  EXPECT_FLOAT_EQ(c.wheelPositions[fl].y, 3.9f);

  Load("Scooter");
  // A single wheel has no partner to be staggered from: each takes its axle's position.
  for (int set = 0; set < CAR_WHEEL_SETS; ++set) e->axlePositions[set] = set ? 0.75f : -0.625f;
  Do(VehicleEditor::AxlePositionChanged, e, 0);
  for (int set = 0; set < CAR_WHEEL_SETS; ++set) {
    const SuspensionBlock& s = car().wheelSets[set];
    const int single = s.leftWheel ? s.leftWheel - 1 : s.rightWheel - 1;
    ASSERT_GE(single, 0) << set;
    EXPECT_FLOAT_EQ(car().wheelPositions[single].y, set ? 0.75f : -0.625f) << set;
  }
  const std::vector<uint8_t> before = Bytes();
  const int nodes = NumNodes;
  Do(VehicleEditor::SetWheelOffset, e, 4 | 2);
  EXPECT_TRUE(SaidBox("Single wheel offset to right is currently unavailable"));
  EXPECT_EQ(Bytes(), before);
  EXPECT_EQ(NumNodes, nodes);
  Do(VehicleEditor::SetWheelOffset, e, 4 | 0);
  const int wheel = car().wheelSets[1].leftWheel ? car().wheelSets[1].leftWheel - 1 : car().wheelSets[1].rightWheel - 1;
  EXPECT_EQ(car().wheelSets[1].trackWidth, 1.0f);
  EXPECT_EQ(car().wheelPositions[wheel].x, -0.5f);
  EXPECT_STREQ(Slots[NumNodes].name, "set wheel offset");
  // The rear wheel alike, then back to the middle.
  const int rearWheel = car().wheelSets[0].leftWheel ? car().wheelSets[0].leftWheel - 1 : car().wheelSets[0].rightWheel - 1;
  ASSERT_GE(rearWheel, 0);
  Do(VehicleEditor::SetWheelOffset, e, 0);
  EXPECT_EQ(car().wheelSets[0].trackWidth, 1.0f);
  EXPECT_EQ(car().wheelPositions[rearWheel].x, -0.5f);
  Do(VehicleEditor::SetWheelOffset, e, 1);
  EXPECT_EQ(car().wheelSets[0].trackWidth, 0.0f);
  EXPECT_EQ(car().wheelPositions[rearWheel].x, 0.0f);
  EXPECT_STREQ(Slots[NumNodes].name, "set wheel central");
}

TEST_F(SettingsTest, TheEngineSoundNameIsCheckedStoredAndLoadsOnlyTheSound) {
  ExpectRefused([&] { VehicleEditor::SetEngineSoundName(*e, "a/b"); },
                "Engine sound file name must be ASCII (e.g. 0-9 A-Z a-z) : a/b holds \"/\", which no file name may hold");
  VehicleEditor::SetEngineSoundName(*e, "MISSING");
  EXPECT_TRUE(SaidBox("Engine sound file name is set but the file was not found"));
  EXPECT_STREQ(car().engineName, "MISSING");
  const EngineModel before = car().engine;
  Reports() = Caught{};
  VehicleEditor::SetEngineSoundName(*e, "DEFAULT");
  EXPECT_TRUE(Reports().boxes.empty());
  EXPECT_STREQ(car().engineName, "DEFAULT");
  const EngineModel& after = car().engine;
  EXPECT_EQ(after.engineSize, before.engineSize) << "the definition stays";
  EXPECT_EQ(after.redline, before.redline);
  EXPECT_EQ(after.torquePerCc, before.torquePerCc);
  EXPECT_EQ(after.cylinders, before.cylinders);
  EXPECT_STREQ(Slots[NumNodes].name, "set engine sound file name");
  // A name fills the field but for its ending zero: 31 characters are kept, 32 refused.
  const std::string longest(31, 'E');
  EXPECT_EQ(VehicleEditor::SetEngineSoundName(*e, longest.c_str()), 1);
  EXPECT_EQ(std::string(car().engineName), longest);
  // A shorter name after it leaves the rest of the field zero.
  EXPECT_EQ(VehicleEditor::SetEngineSoundName(*e, "AB"), 1);
  const char shorter[sizeof car().engineName] = {'A', 'B'};
  EXPECT_EQ(std::memcmp(car().engineName, shorter, sizeof shorter), 0);
  const std::string past(32, 'E');
  ExpectRefused([&] { EXPECT_EQ(VehicleEditor::SetEngineSoundName(*e, past.c_str()), 0); },
                ("Engine sound file name must be ASCII (e.g. 0-9 A-Z a-z) : " + past +
                 " is longer than 31 characters")
                    .c_str());
}

}  // namespace

namespace {

// Every choice one past its list's last entry (a drive, a transmission, a class, an axle, a
// point type, a dashboard, a pressure limit) is ignored: nothing changes, nothing recorded.
TEST_F(SettingsTest, AChoiceOnePastItsListsLastEntryIsIgnored) {
  constexpr int DRIVES = 4;       // none, front, rear, four
  constexpr int POINT_TYPES = 4;  // vertex, lower pivot, upper pivot, thrust bearing
  const std::vector<uint8_t> before = Bytes();
  const int nodes = NumNodes;
  Reports() = Caught{};
  Do(VehicleEditor::SetDriveType, e, DRIVES);
  Do(VehicleEditor::SetTransmission, e, TRANSMISSION_TYPE_COUNT);
  VehicleEditor::ConvertMotor(*e, TRANSMISSION_TYPE_COUNT, DRIVE_REAR);
  VehicleEditor::ConvertMotor(*e, TRANSMISSION_H_PATTERN, DRIVES);
  Do(VehicleEditor::SelectClass, e, VEHICLE_CLASS_COUNT);
  VehicleEditor::ConvertSuspension(*e, CAR_WHEEL_SETS, SUSPENSION_DOUBLE_WISHBONE);
  VehicleEditor::ConvertToLinear(*e, CAR_WHEEL_SETS);
  e->selection.selectedPoint = 0;
  Do(VehicleEditor::SetPointType, e, POINT_TYPES);
  e->selection.selectedPoint = car().framePointCount;
  Do(VehicleEditor::SetPointType, e, 1);
  Do(VehicleEditor::ChooseAction, e, CHOOSE_POINT_TYPE);
  Do(VehicleEditor::SetClocks, e, DASH_TYPE_COUNT);
  Do(VehicleEditor::EnterPressureLimit, e, 2);
  EXPECT_EQ(VehicleEditor::SetTyrePressure(*e, "100", 2), 0);
  EXPECT_EQ(e->prss.sub, nullptr) << "no prompt or list offered";
  EXPECT_TRUE(Reports().boxes.empty() && Reports().questions.empty());
  EXPECT_EQ(Bytes(), before);
  EXPECT_EQ(NumNodes, nodes);
}

}  // namespace

namespace {

// The list names by index, as the lists show them: drive 1 is rear wheel drive, 2 front.
TEST_F(SettingsTest, DriveAndTransmissionNamesByIndexAndNothingPastTheLists) {
  EXPECT_STREQ(DriveTypeName(0), "No drive");
  EXPECT_STREQ(DriveTypeName(1), "Rear wheel drive");
  EXPECT_STREQ(DriveTypeName(2), "Front wheel drive");
  EXPECT_STREQ(DriveTypeName(3), "Four wheel drive");
  EXPECT_STREQ(DriveTypeName(4), "");
  EXPECT_STREQ(DriveTypeName(-1), "");
  EXPECT_STREQ(TransmissionTypeName(0), "no power unit");
  EXPECT_STREQ(TransmissionTypeName(5), "paddle shift gearbox");
  EXPECT_STREQ(TransmissionTypeName(7), "centrifugal clutch");
  EXPECT_STREQ(TransmissionTypeName(8), "");
  EXPECT_STREQ(TransmissionTypeName(-1), "");
}

// Switched on, the custom pressure range starts at 0 and at the higher of the two axles'
// ranges: one and a half times the first set-up's left pressure of the axle, held to 32767.
TEST_F(SettingsTest, SwitchedOnPressureLimitsStartFromTheHigherAxlesRange) {
  Car& c = car();
  ASSERT_GT(c.setupCount, 0);
  SetupRecord& stored = c.setups[0].record;
  struct Case {
    int rear, front, highest;
  };
  // 1.5 * 300 = 450 (the rear higher); 1.5 * 220 = 330 (the front higher); 1.5 * 30000 = 45000
  // held to 32767.
  for (const Case& k : {Case{300, 200, 450}, Case{100, 220, 330}, Case{30000, 100, 32767}}) {
    c.options2 &= ~OPT2_PRESSURE_LIMITS;
    c.rimWords[0] = 7;
    c.rimWords[1] = 9;
    SetSetupShort(stored, SETUP_AXLE[0] + AXLE_PRESSURE_LEFT, uint16_t(k.rear));
    SetSetupShort(stored, SETUP_AXLE[1] + AXLE_PRESSURE_LEFT, uint16_t(k.front));
    Do(VehicleEditor::ChooseAction, e, CHOOSE_PRESSURE_LIMITS);
    ASSERT_TRUE(c.options2 & OPT2_PRESSURE_LIMITS);
    EXPECT_EQ(c.rimWords[0], 0) << k.rear;
    EXPECT_EQ(c.rimWords[1], k.highest) << k.rear;
  }
  // Switched off, the range is left as it was.
  c.rimWords[0] = 120;
  c.rimWords[1] = 240;
  Do(VehicleEditor::ChooseAction, e, CHOOSE_PRESSURE_LIMITS);
  EXPECT_FALSE(c.options2 & OPT2_PRESSURE_LIMITS);
  EXPECT_EQ(c.rimWords[0], 120);
  EXPECT_EQ(c.rimWords[1], 240);
}

// A typed pressure limit: zero is a minimum, the vehicle's limit itself is a maximum, one
// past it is refused; the minimum's prompt names one less than the maximum.
TEST_F(SettingsTest, TypedPressureLimitsAtTheirBoundaries) {
  Car& c = car();
  c.options2 |= OPT2_PRESSURE_LIMITS;
  c.rimWords[0] = 100;
  c.rimWords[1] = 250;
  Do(VehicleEditor::EnterPressureLimit, e, 0);
  EXPECT_STREQ(OpenTextEntry.initialText, "100");
  Type("Enter new value for minimum tyre pressure (max. 249 kPa)", "0");
  EXPECT_EQ(c.rimWords[0], 0) << "zero is not less than zero";
  EXPECT_STREQ(Slots[NumNodes].name, "set minimum tyre pressure");

  const int limit = 10 * (1 + int(60.0 * std::sqrt(double(c.massWithoutOccupants) / 1000.0)));
  ASSERT_GT(limit, 250);
  char text[16];
  std::snprintf(text, sizeof text, "%d", limit + 1);
  char most[80];
  std::snprintf(most, sizeof most, "The maximum tyre pressure for this vehicle is %d kPa", limit);
  ExpectRefused([&] { VehicleEditor::SetTyrePressure(*e, text, 1); }, most);
  std::snprintf(text, sizeof text, "%d", limit);
  EXPECT_EQ(VehicleEditor::SetTyrePressure(*e, text, 1), 1);
  EXPECT_EQ(c.rimWords[1], limit);
}

// The texture check's three boxes: the area with no error, one error, several.
TEST_F(SettingsTest, TheTextureCheckReportsTheAreaOrTheErrors) {
  static int errors = 0;
  EditorShellHooks.checkTextures = [](const Car&, float* megapixels) {
    *megapixels = 3.3f;
    return errors;
  };
  errors = 0;
  Do(VehicleEditor::ChooseAction, e, CHOOSE_TEXTURE_CHECK);
  EXPECT_TRUE(SaidBox("Combined area of the png textures is 3.3 megapixels (maximum for upload is 5 megapixels)"));
  Reports() = Caught{};
  errors = 1;
  Do(VehicleEditor::ChooseAction, e, CHOOSE_TEXTURE_CHECK);
  EXPECT_TRUE(SaidBox("There was an error with one of the textures (click the H button for more info)"));
  Reports() = Caught{};
  errors = 2;
  Do(VehicleEditor::ChooseAction, e, CHOOSE_TEXTURE_CHECK);
  EXPECT_TRUE(SaidBox("There were errors with 2 of the textures (click the H button for more info)"));
  EditorShellHooks.checkTextures = nullptr;
}

// The frame mass scale's other clicks: 5 scales by 1.01, 6 by 1.05, 9 by 1.1, any other by 1;
// a light tube is held at 0.5 kg/m going down.
TEST_F(SettingsTest, TheFrameMassScaleByClickAndItsLowerHold) {
  Car& c = car();
  ASSERT_GE(c.frameTubeCount, 2);
  FrameTube& t = c.frameTubes[0];
  struct Case {
    int click;
    float factor;
  };
  for (const Case& k : {Case{5, 1.01f}, Case{6, 1.05f}, Case{9, 1.1f}, Case{3, 1.0f}, Case{16 + 5, 1.01f}}) {
    t.massPerMetre = 10.0f;
    Do(VehicleEditor::ScaleFrameMass, e, 1, k.click);
    EXPECT_NEAR(t.massPerMetre, 10.0f * k.factor, 1e-5f) << k.click;
  }
  c.frameTubes[1].massPerMetre = 0.52f;
  Do(VehicleEditor::ScaleFrameMass, e, 0, 1);  // 0.52 / 1.05 = 0.495
  EXPECT_EQ(c.frameTubes[1].massPerMetre, 0.5f);
  // The same clocks again record nothing.
  const int nodes = NumNodes;
  Do(VehicleEditor::SetClocks, e, c.dashType);
  EXPECT_EQ(NumNodes, nodes);
}

// A power unit converted starts from the engine model's defaults: 2000 cc, 4 cylinders inline,
// a boost of 1.0 bar and no torque limit, whatever the engine held before.
TEST_F(SettingsTest, AConvertedMotorStartsFromTheEngineModelsDefaults) {
  Car& c = car();
  ASSERT_NE(c.transmissionType, TRANSMISSION_NONE);
  ASSERT_NE(c.transmissionType, TRANSMISSION_ELECTRIC);
  const auto tune = [&] {
    EngineModel& m = c.engine;
    m.engineSize = 3500.0f;
    m.cylinders = 6;
    m.layout = ENGINE_V;
    m.turboMaxBoost = 1.8f;
    m.torqueLimit = 250.0f;
  };
  tune();
  Do(VehicleEditor::SetTransmission, e, TRANSMISSION_ELECTRIC);
  AnswerYes();
  ASSERT_EQ(c.transmissionType, TRANSMISSION_ELECTRIC);
  EXPECT_EQ(c.engine.engineSize, 2000.0f);
  EXPECT_EQ(c.engine.cylinders, 4);
  tune();
  Do(VehicleEditor::SetTransmission, e, TRANSMISSION_H_PATTERN);
  EXPECT_TRUE(Asked("Convert to internal combustion? / Motor will be reset"));
  AnswerYes();
  ASSERT_EQ(c.transmissionType, TRANSMISSION_H_PATTERN);
  EXPECT_EQ(c.engine.engineSize, 2000.0f);
  EXPECT_EQ(c.engine.cylinders, 4);
  EXPECT_EQ(c.engine.layout, ENGINE_INLINE);
  EXPECT_EQ(c.engine.turboMaxBoost, 1.0f);
  EXPECT_EQ(c.engine.torqueLimit, 0.0f);
  EXPECT_STREQ(Slots[NumNodes].name, "convert motor");
}

// A vehicle without wheels: the drive list is not offered and the power unit goes with the
// drive; it may become an object at once (no question), as one edit undo takes back.
TEST_F(SettingsTest, AVehicleWithoutWheelsHasNoDriveAndBecomesAnObjectAtOnce) {
  Car& c = car();
  ASSERT_EQ(c.vehicleClass, CLASS_SALOON);
  c.wheelCount = 0;
  const int nodes = NumNodes;
  Do(VehicleEditor::ChooseAction, e, CHOOSE_DRIVE_TYPE);
  EXPECT_TRUE(SaidBox("Objects can't have a drive system"));
  EXPECT_NE(e->prss.sub, &SelectDialog.prss) << "no list";
  EXPECT_EQ(c.driveType, DRIVE_NONE);
  EXPECT_EQ(c.transmissionType, TRANSMISSION_NONE);
  EXPECT_EQ(NumNodes, nodes + 1);
  EXPECT_STREQ(Slots[NumNodes].name, "set no drive");

  const uint32_t setups = e->carSetups;
  Reports() = Caught{};
  Do(VehicleEditor::SelectClass, e, CLASS_OBJECT);
  EXPECT_FALSE(Asked("Change vehicle type?"));
  EXPECT_EQ(c.vehicleClass, CLASS_OBJECT);
  EXPECT_EQ(e->carSetups, setups + 1) << "the car is set up again";
  EXPECT_EQ(NumNodes, nodes + 2);
  EXPECT_STREQ(Slots[NumNodes].name, "set type to object");
  UndoEdit(*e);
  EXPECT_EQ(car().vehicleClass, CLASS_SALOON);
}

// Every edit of the vehicle sets the whole car up once more, its tyres as new (a driver shown or
// hidden seats the people again without counting a set-up).
TEST_F(SettingsTest, EveryEditSetsTheWholeCarUpOnceMore) {
  const auto once = [&](const char* what, uint32_t counted, const std::function<void()>& action) {
    car().wheels[0].condition[0] = 100;
    const uint32_t setups = e->carSetups;
    action();
    EXPECT_EQ(e->carSetups, setups + counted) << what;
    EXPECT_EQ(car().wheels[0].condition[0], 255) << what;
  };
  once("alignment", 1, [&] { Do(VehicleEditor::SetAlignment, e, 4 | 0); });
  e->selection.selectedPoint = 0;
  once("point type", 1, [&] { Do(VehicleEditor::SetPointType, e, 1); });
  once("point value", 1, [&] { VehicleEditor::EnterPointValue(*e, "0.5", 0); });
  once("point stepped", 1, [&] { Do(VehicleEditor::MovePoints, e, 1); });
  Do(VehicleEditor::StartPointDrag, e, 0);
  once("point dragged", 1, [&] { VehicleEditor::DragPointStep(*e, 2); });
  once("drag cancelled", 1, [&] { VehicleEditor::CancelPointDrag(*e); });
  once("tyre types", 1, [&] { Do(VehicleEditor::ChooseAction, e, CHOOSE_TYRE_TYPES); });
  once("tyre type limit", 1, [&] { Do(VehicleEditor::StepTyreTypeLimit, e, 1); });
  once("transmission", 1, [&] { Do(VehicleEditor::SetTransmission, e, TRANSMISSION_SEQUENTIAL); });
  car().options2 |= OPT2_PRESSURE_LIMITS;
  car().rimWords[0] = 100;
  car().rimWords[1] = 300;
  once("pressure limit", 1, [&] { EXPECT_EQ(VehicleEditor::SetTyrePressure(*e, "250", 1), 1); });
  once("pit light", 1, [&] { VehicleEditor::PromptAction(e, 1, PROMPT_PIT_LIGHT_ON); });
  once("unused layers", 1, [&] { VehicleEditor::RemoveUnusedLayers(e, 1, 0xFFFFFFFF); });
  once("set-up panel", 1, [&] { VehicleEditor::InfoSetupChanged(e, 0, 0); });
  e->displayFlags ^= SHOW_DRIVER;
  once("driver option", 0, [&] { VehicleEditor::ApplyDriverOption(*e); });
  Load("Scooter");
  once("single wheel offset", 1, [&] { Do(VehicleEditor::SetWheelOffset, e, 4 | 0); });
}

}  // namespace
