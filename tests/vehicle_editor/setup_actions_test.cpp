// setup_actions_test.cpp - the information panel's callbacks and the tabs' small actions on the
// sample "Runabout", called as the panel calls them: ranges and wrap-around, the set-up stored
// into the chosen default set-up (and nowhere outside the list), seats, counters, and every
// recorded edit undone to the vehicle's exact bytes.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/window_state.h"
#include "physics/car.h"
#include "tests/vehicle_editor/editor_fixture.h"
#include "ui/dialogs.h"
#include "vehicle_data/vehicle_class.h"

using namespace VehicleUndo;

namespace {

class SetupActions : public EditorTest {
 protected:
  uint8_t* setup() { return car().currentSetup.bytes; }
  uint8_t& RearType() { return setup()[SETUP_AXLE[0] + AXLE_TYRE_TYPE]; }
  uint8_t& FrontType() { return setup()[SETUP_AXLE[1] + AXLE_TYRE_TYPE]; }
  bool Stored() {
    return std::memcmp(&car().setups[car().setupIndex].record, &car().currentSetup, sizeof(SetupRecord)) == 0;
  }
};

TEST_F(SetupActions, TyreTypesStepWithinTheClassRangeAndWrap) {
  car().options2 &= ~OPT2_TYRE_TYPE_LIMITS;
  car().vehicleClass = CLASS_FORMULA;
  RearType() = 4;
  VehicleEditor::StepTyreType(e, CLICK_LEFT, 1);
  EXPECT_EQ(RearType(), 0);
  EXPECT_STREQ(Slots[NumNodes].name, "set rear tyre type");
  EXPECT_TRUE(Stored());
  VehicleEditor::StepTyreType(e, CLICK_LEFT, 0);
  EXPECT_EQ(RearType(), 4);
  car().vehicleClass = CLASS_TOURING_CAR;
  FrontType() = 7;
  VehicleEditor::StepTyreType(e, CLICK_LEFT, 3);
  EXPECT_EQ(FrontType(), 4);
  EXPECT_STREQ(Slots[NumNodes].name, "set front tyre type");
  car().options2 |= OPT2_TYRE_TYPE_LIMITS;
  car().rimBytes[1] = 2, car().rimBytes[2] = 3;
  FrontType() = 2;
  VehicleEditor::StepTyreType(e, CLICK_LEFT, 2);
  EXPECT_EQ(FrontType(), 3) << "the vehicle's own range";

  setup()[SETUP_TYRE_MAKER] = 0;
  VehicleEditor::StepTyreType(e, CLICK_LEFT, 4);
  EXPECT_EQ(setup()[SETUP_TYRE_MAKER], 6);
  EXPECT_STREQ(TyreMakerNames[6], "Vireo");
  EXPECT_STREQ(Slots[NumNodes].name, "set tyre manufacturer");
  VehicleEditor::StepTyreType(e, CLICK_LEFT, 5);
  EXPECT_EQ(setup()[SETUP_TYRE_MAKER], 0);
  const int nodes = NumNodes;
  VehicleEditor::StepTyreType(e, CLICK_LEFT, 6);
  EXPECT_TRUE(SaidLine("No function"));
  EXPECT_EQ(NumNodes, nodes);
}

TEST_F(SetupActions, DifferentialsAndConfigurationsWrap) {
  setup()[SETUP_AXLE[0] + AXLE_DIFFERENTIAL] = 3;
  VehicleEditor::StepDifferential(e, CLICK_LEFT, 1);
  EXPECT_EQ(setup()[SETUP_AXLE[0] + AXLE_DIFFERENTIAL], 0);
  EXPECT_STREQ(Slots[NumNodes].name, "set rear diff");
  VehicleEditor::StepDifferential(e, CLICK_LEFT, 2);
  EXPECT_EQ(setup()[SETUP_AXLE[1] + AXLE_DIFFERENTIAL], 3);
  setup()[SETUP_AXLE[1] + AXLE_DIFFERENTIAL] = 1;
  VehicleEditor::StepDifferential(e, CLICK_LEFT, 3);
  EXPECT_EQ(setup()[SETUP_AXLE[1] + AXLE_DIFFERENTIAL], 2) << "word 3 steps the front up";
  setup()[SETUP_CENTRE_DIFFERENTIAL] = 1;
  VehicleEditor::StepDifferential(e, CLICK_LEFT, 5);
  EXPECT_EQ(setup()[SETUP_CENTRE_DIFFERENTIAL], 0);
  EXPECT_STREQ(Slots[NumNodes].name, "set centre diff");
  EXPECT_TRUE(Stored());
  const int diffNodes = NumNodes;
  const SetupRecord kept = car().currentSetup;
  VehicleEditor::StepDifferential(e, CLICK_LEFT, 6);  // past the centre's "+"
  EXPECT_EQ(NumNodes, diffNodes);
  EXPECT_EQ(std::memcmp(&kept, &car().currentSetup, sizeof kept), 0);

  ASSERT_GE(car().configCount, 1);
  car().configs[1] = car().configs[0];
  car().configCount = 2;
  setup()[SETUP_CONFIGURATION] = 1;
  VehicleEditor::StepConfiguration(e, CLICK_LEFT, 1);
  EXPECT_EQ(setup()[SETUP_CONFIGURATION], 0) << "from the last to the first";
  EXPECT_STREQ(Slots[NumNodes].name, "set configuration");
  VehicleEditor::StepConfiguration(e, CLICK_LEFT, 0);
  EXPECT_EQ(setup()[SETUP_CONFIGURATION], 1);
  setup()[SETUP_CONFIGURATION] = 5;  // past the list: steps from the last
  VehicleEditor::StepConfiguration(e, CLICK_LEFT, 0);
  EXPECT_EQ(setup()[SETUP_CONFIGURATION], 0);
  VehicleEditor::StepConfiguration(e, CLICK_LEFT, 1);
  EXPECT_EQ(setup()[SETUP_CONFIGURATION], 1);
  setup()[SETUP_CONFIGURATION] = 2;  // one past the two: down from the last, the first
  VehicleEditor::StepConfiguration(e, CLICK_LEFT, 0);
  EXPECT_EQ(setup()[SETUP_CONFIGURATION], 0);
  // A count past the four a vehicle holds (a damaged file) wraps at the fourth.
  ASSERT_EQ(VEHICLE_MAX_CONFIGS, 4);
  for (int i = 2; i < VEHICLE_MAX_CONFIGS; ++i) car().configs[i] = car().configs[0];
  car().configCount = VEHICLE_MAX_CONFIGS + 2;
  setup()[SETUP_CONFIGURATION] = 0;
  VehicleEditor::StepConfiguration(e, CLICK_LEFT, 0);
  EXPECT_EQ(setup()[SETUP_CONFIGURATION], 3) << "from the first down to the fourth";
  setup()[SETUP_CONFIGURATION] = 1;
  car().configCount = 0;
  const int nodes = NumNodes;
  VehicleEditor::StepConfiguration(e, CLICK_LEFT, 1);
  EXPECT_EQ(NumNodes, nodes) << "no configuration: nothing happens";
  EXPECT_EQ(setup()[SETUP_CONFIGURATION], 1);
}

TEST_F(SetupActions, TheSymmetricSwitchCopiesLeftToRightAndSwitchesRecordByName) {
  uint8_t* axle = setup() + SETUP_AXLE[1];
  axle[AXLE_CAMBER_LEFT] = 40, axle[AXLE_CAMBER_RIGHT] = 50;
  SetSetupShort(car().currentSetup, SETUP_AXLE[1] + AXLE_PRESSURE_LEFT, 180);
  VehicleEditor::SetSetupSwitch(e, CLICK_LEFT, 1);
  EXPECT_STREQ(Slots[NumNodes].name, "switch symmetric");
  EXPECT_EQ(axle[AXLE_CAMBER_RIGHT], 40);
  EXPECT_EQ(SetupShort(car().currentSetup, SETUP_AXLE[1] + AXLE_PRESSURE_RIGHT), 180);
  EXPECT_TRUE(Stored());
  VehicleEditor::SetSetupSwitch(e, CLICK_LEFT, 3);
  EXPECT_STREQ(Slots[NumNodes].name, "switch tc");
  EXPECT_TRUE(setup()[SETUP_FLAGS] & SETUP_FLAG_TRACTION);
  VehicleEditor::SetSetupSwitch(e, CLICK_LEFT, 5);
  EXPECT_STREQ(Slots[NumNodes].name, "switch abs");
  EXPECT_TRUE(setup()[SETUP_FLAGS] & SETUP_FLAG_ANTI_LOCK);
  VehicleEditor::SetSetupSwitch(e, CLICK_LEFT, 0);
  EXPECT_FALSE(setup()[SETUP_FLAGS] & SETUP_FLAG_SYMMETRIC);
  // Turning off the only switch of a set-up whose flags are just that bit keeps a set-up.
  setup()[SETUP_FLAGS] = SETUP_FLAG_SYMMETRIC;
  VehicleEditor::SetSetupSwitch(e, CLICK_LEFT, 0);
  EXPECT_EQ(setup()[SETUP_FLAGS], SETUP_FLAG_KEEP);
}

TEST_F(SetupActions, NothingIsStoredOutsideTheSetupList) {
  // Inside the list, the chosen set-up takes the current one.
  ASSERT_GE(car().setupIndex, 0);
  ASSERT_LT(car().setupIndex, car().setupCount);
  car().currentSetup.bytes[SETUP_BALLAST] ^= 1;
  VehicleEditor::InfoSetupChanged(e, 0, 0);
  EXPECT_EQ(std::memcmp(&car().setups[car().setupIndex].record, &car().currentSetup, sizeof(SetupRecord)), 0);
  const SetupRecord first = car().setups[0].record;
  car().setupIndex = 7;
  VehicleEditor::StepDifferential(e, CLICK_LEFT, 1);
  car().setupIndex = -1;
  VehicleEditor::InfoSetupChanged(e, 0, 0);
  car().setupIndex = 0;
  car().setupCount = 0;
  VehicleEditor::StepDifferential(e, CLICK_LEFT, 1);
  EXPECT_EQ(std::memcmp(&car().setups[0].record, &first, sizeof first), 0);
  car().setupCount = 2;
}

TEST_F(SetupActions, PassengersAndSeatsFollowTheDriver) {
  car().options |= OPT1_BACK_SEAT;
  VehicleEditor::SetPassengers(e, CLICK_LEFT, (1 << 2) | 2);
  EXPECT_EQ(SetupWord(car().currentSetup, SETUP_PASSENGERS) >> 2 & 3, 2u);
  EXPECT_STREQ(Slots[NumNodes].name, "adjust passengers");
  EXPECT_TRUE(Stored());
  for (auto [x, code] : {std::pair{0.19f, 1}, {0.2f, 2}, {0.35f, 3}}) {
    car().driverPosition.x = -x;
    VehicleEditor::SetPassengers(e, CLICK_LEFT, 1);
    EXPECT_EQ(car().seatsPerRow, code) << x;
    EXPECT_FLOAT_EQ(car().backSeatLateral, code == 1 ? -x : x) << x;
  }
  car().options &= ~OPT1_BACK_SEAT;
  car().driverPosition.x = 0.05f;
  VehicleEditor::SetPassengers(e, CLICK_LEFT, 0);
  EXPECT_EQ(car().seatsPerRow, 3) << "no back seat: offset and code kept";
  EXPECT_FLOAT_EQ(car().backSeatLateral, 0.35f);
}

int g_flagged = 0, g_strategy = 0;

TEST_F(SetupActions, OptionsCountersAeroAndLights) {
  car().options |= OPT1_SPARE_WHEEL_VISIBLE;
  car().options &= ~OPT1_SPARE_WHEEL_MASS;
  VehicleEditor::WheelOptionChanged(e, CLICK_LEFT, 0);
  EXPECT_FALSE(car().options & OPT1_SPARE_WHEEL_VISIBLE);
  EXPECT_EQ(e->releaseMeshesCountdown, 1);

  e->releaseMeshesCountdown = e->rebuildModelCountdown = 0;
  car().colourIndex = 1;
  car().currentColours.groups[0][0] = RgbWord(10, 20, 30);
  VehicleEditor::InfoColourChanged(e, 0, 0);
  EXPECT_EQ(e->rebuildModelCountdown, 8);
  EXPECT_EQ(car().colourConfigs[1].groups[0][0], RgbWord(10, 20, 30));
  e->rebuildModelCountdown = 3;
  VehicleEditor::InfoColourChanged(e, 0, 0);
  EXPECT_EQ(e->rebuildModelCountdown, 3) << "only when it is 0";
  e->rebuildModelCountdown = 0;
  int (*const flaggedHub)(const Car&) = ModelHasFlaggedType12Part;
  ModelHasFlaggedType12Part = [](const Car&) { return g_flagged; };
  VehicleEditor::InfoSkinColourChanged(e, 0, 0);
  EXPECT_EQ(e->releaseMeshesCountdown, 8);
  EXPECT_EQ(e->rebuildModelCountdown, 0);
  g_flagged = 1;
  VehicleEditor::InfoSkinColourChanged(e, 0, 0);
  EXPECT_EQ(e->rebuildModelCountdown, 8);
  ModelHasFlaggedType12Part = flaggedHub;

  car().aero[AERO_UNDERTRAY][0] = car().aero[AERO_UNDERTRAY][1] = 0.0f;
  VehicleEditor::VehicleValueChanged(*e);
  const uint32_t setups = e->carSetups;
  VehicleEditor::UseAero(e, CLICK_LEFT, AERO_UNDERTRAY);
  EXPECT_STREQ(Slots[NumNodes].name, "use aero");
  EXPECT_FLOAT_EQ(car().aero[AERO_UNDERTRAY][0], -0.6f);
  EXPECT_FLOAT_EQ(car().aero[AERO_UNDERTRAY][1], 0.2f);
  // The car is set up again from the new values: its undertray now lifts and drags.
  EXPECT_EQ(e->carSetups, setups + 1);
  EXPECT_FLOAT_EQ(car().aeroItems[AERO_UNDERTRAY].liftArea, -0.6f);
  EXPECT_FLOAT_EQ(car().aeroItems[AERO_UNDERTRAY].dragArea, 0.2f);
  VehicleEditor::ToggleViewOption(e, CLICK_LEFT, 3);
  EXPECT_EQ(e->lightTests[3], 1);
  VehicleEditor::ToggleViewOption(e, CLICK_LEFT, 3);
  EXPECT_EQ(e->lightTests[3], 0);
  const int aeroNodes = NumNodes;
  VehicleEditor::UseAero(e, CLICK_LEFT, AERO_ITEMS);  // one past the devices: none
  EXPECT_EQ(NumNodes, aeroNodes);
  // A set-up or colour choice one past its list is stored nowhere.
  const int setupCount = car().setupCount, colours = car().colourConfigCount;
  ASSERT_LT(setupCount, VEHICLE_MAX_SETUPS);
  ASSERT_LT(colours, VEHICLE_MAX_COLOUR_CONFIGS);
  const SetupRecord pastSetup = car().setups[setupCount].record;
  const ColourSet pastColours = car().colourConfigs[colours];
  const int setupIndex = car().setupIndex, colourIndex = car().colourIndex;
  car().setupIndex = setupCount;
  car().colourIndex = colours;
  car().currentSetup.bytes[SETUP_BALLAST] ^= 1;
  car().currentColours.groups[0][0] ^= 1;
  VehicleEditor::InfoSetupChanged(e, 0, 0);
  VehicleEditor::InfoColourChanged(e, 0, 0);
  EXPECT_EQ(std::memcmp(&car().setups[setupCount].record, &pastSetup, sizeof pastSetup), 0);
  EXPECT_EQ(std::memcmp(&car().colourConfigs[colours], &pastColours, sizeof pastColours), 0);
  car().setupIndex = setupIndex;
  car().colourIndex = colourIndex;
  VehicleEditor::FreeFastMeshes(e, CLICK_LEFT, 0);
  GiveLocalPlayerStrategy = [] { ++g_strategy; };
  VehicleEditor::InfoStrategyChanged(e, 0, 0);
  EXPECT_EQ(g_strategy, 1);
  GiveLocalPlayerStrategy = nullptr;
}

TEST_F(SetupActions, TheEditorsSteeringReachesTheCarThroughTheCarsOwnLock) {
  // 0.1 rad of a 30 degree lock: 32768 - 0.1 x 32768 / 0.5236 = 26510.
  car().steeringLock = 30;
  e->steeringValue = 0.1f;
  VehicleEditor::SetSteering(*e);
  EXPECT_EQ(car().inputs.steering, 26510);
  car().steeringLock = 60;
  VehicleEditor::SetSteering(*e);
  EXPECT_EQ(car().inputs.steering, 29639) << "32768 - 0.1 x 32768 / 1.0472";
}

TEST_F(SetupActions, SavingASetUpOffersTheShortNameAndTheCurrentSetUpsName) {
  // A current set-up past the list offers the short name alone, whatever the record past the
  // list's end holds.
  ASSERT_LT(car().setupCount, VEHICLE_MAX_SETUPS);
  std::snprintf(car().setups[car().setupCount].name, sizeof car().setups[0].name, "stale");
  car().setupIndex = car().setupCount;
  VehicleEditor::SetupAction(e, CLICK_LEFT, 0);
  ASSERT_EQ(OpenTextEntry.open, 1);
  EXPECT_EQ(std::string(OpenTextEntry.initialText), std::string(car().shortName) + "_");
}

TEST_F(SetupActions, EveryRecordedActionUndoesToTheExactBytesAndRedoes) {
  const std::vector<uint8_t> start = StoredBytes();
  VehicleEditor::StepTyreType(e, CLICK_LEFT, 1);
  VehicleEditor::StepDifferential(e, CLICK_LEFT, 3);
  VehicleEditor::SetSetupSwitch(e, CLICK_LEFT, 1);
  VehicleEditor::SetPassengers(e, CLICK_LEFT, 6);
  VehicleEditor::UseAero(e, CLICK_LEFT, 1);
  VehicleEditor::StepFrontTyreSize(e, CLICK_LEFT, 1);
  VehicleEditor::RimShapeChanged(e, 0, 0);
  const std::vector<uint8_t> end = StoredBytes();
  ASSERT_NE(end, start);
  // Point 1 holds the vehicle as loaded (point 0 is the empty editor before the load).
  for (int i = 0; i < HISTORY_POINTS && NumNodes - NumRedo > 1; ++i) VehicleEditor::UndoRedo(e, CLICK_LEFT, 0);
  ASSERT_EQ(NumNodes - NumRedo, 1);
  EXPECT_EQ(StoredBytes(), start);
  for (int i = 0; i < HISTORY_POINTS && NumRedo > 0; ++i) VehicleEditor::UndoRedo(e, CLICK_LEFT, 1);
  EXPECT_EQ(StoredBytes(), end);
}

// Each panel action takes its last word and refuses the next, changing nothing and recording
// nothing: passengers 15 (seat 3, kind 3) and 16, switches 5 and 6, configurations 1 and 2; the
// last of the eight light tests toggles.
TEST_F(SetupActions, EachActionTakesItsLastWordAndRefusesTheNext) {
  const auto refused = [&](void (*action)(void*, int, uintptr_t), uintptr_t word) {
    const int nodes = NumNodes;
    const SetupRecord kept = car().currentSetup;
    action(e, CLICK_LEFT, word);
    EXPECT_EQ(NumNodes, nodes) << word;
    EXPECT_EQ(std::memcmp(&kept, &car().currentSetup, sizeof kept), 0) << word;
  };
  SetSetupWord(car().currentSetup, SETUP_PASSENGERS, 1u);
  refused(VehicleEditor::SetPassengers, 16);  // would clear seat 0
  VehicleEditor::SetPassengers(e, CLICK_LEFT, 15);
  EXPECT_EQ(SetupWord(car().currentSetup, SETUP_PASSENGERS), 1u | 3u << 6);

  setup()[SETUP_FLAGS] = SETUP_FLAG_KEEP;
  refused(VehicleEditor::SetSetupSwitch, 6);
  VehicleEditor::SetSetupSwitch(e, CLICK_LEFT, 5);
  EXPECT_TRUE(setup()[SETUP_FLAGS] & SETUP_FLAG_ANTI_LOCK);

  ASSERT_GE(car().configCount, 1);
  car().configs[1] = car().configs[0];
  car().configCount = 2;
  setup()[SETUP_CONFIGURATION] = 0;
  refused(VehicleEditor::StepConfiguration, 2);
  VehicleEditor::StepConfiguration(e, CLICK_LEFT, 1);
  EXPECT_EQ(setup()[SETUP_CONFIGURATION], 1);
  // One configuration: the only one stays chosen either way.
  car().configCount = 1;
  VehicleEditor::StepConfiguration(e, CLICK_LEFT, 1);
  EXPECT_EQ(setup()[SETUP_CONFIGURATION], 0);

  VehicleEditor::ToggleViewOption(e, CLICK_LEFT, EDITOR_LIGHT_TESTS - 1);
  EXPECT_EQ(e->lightTests[EDITOR_LIGHT_TESTS - 1], 1);
  // One past the last switch is none: the editor is left as it was, byte for byte.
  std::vector<unsigned char> before(sizeof(VehicleEditor)), after(sizeof(VehicleEditor));
  std::memcpy(before.data(), static_cast<const void*>(e), sizeof(VehicleEditor));
  VehicleEditor::ToggleViewOption(e, CLICK_LEFT, EDITOR_LIGHT_TESTS);
  std::memcpy(after.data(), static_cast<const void*>(e), sizeof(VehicleEditor));
  EXPECT_EQ(before, after);
}
}  // namespace
