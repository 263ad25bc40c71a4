// setup_pages_test.cpp - the set-up pages of the information panel on sample vehicles of the
// build (road car, electric car, four-wheel drive, open-wheeler without passenger seats,
// kart), drawn headless: each page shows exactly its lines for the car, its figures agree
// with our own double-precision arithmetic from the car's data, and its arrows and buttons
// change the set-up by the row's mapping and call the owner's callbacks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/config.h"
#include "core/controls.h"
#include "core/process.h"
#include "core/window_state.h"
#include "info_panel/info_panel.h"
#include "info_panel/info_panel_layout.h"
#include "info_panel/setup_pages.h"
#include "physics/car.h"
#include "physics/car_race.h"
#include "tests/info_panel/panel_test_util.h"
#include "tests/ui/mouse_records.h"
#include "text/messages.h"
#include "tools/vehicle_gen/sample_vehicles.h"
#include "ui/interface.h"
#include "ui/interface_config.h"
#include "ui/value_edit.h"
#include "vehicle_data/vehicle_class.h"
#include "wheel/wheel.h"

namespace {

// Rows of the built-in table, as the samples lay them out.
constexpr int RUNABOUT = 0;   // road car, saloon, front drive, H-pattern
constexpr int ROADSTER = 3;   // road car, GT, electric, rear drive
constexpr int ESTATE = 9;     // road car, four-wheel drive
constexpr int RACER = 11;     // open-wheeler, formula: no passenger seats
constexpr int KART = 20;

struct Call {
  std::string handler;
  void* owner;
  int word;
};
std::vector<Call>& Calls() {
  static std::vector<Call> calls;
  return calls;
}
template <int N>
void Recorder(void* owner, int, uintptr_t word) {
  static const char* const NAMES[] = {"setup", "body", "wheel", "tyre", "diff", "config", "passengers", "switch",
                                      "skin", "strategy"};
  Calls().push_back({NAMES[N], owner, static_cast<int>(word)});
}

class SetupPages : public ::testing::Test {
 protected:
  Prss owner{};
  std::unique_ptr<Car> car;
  InfoPanelArgs args;

  void SetUp() override {
    ResetInterfaceState();
    ScreenWidth = 1280;
    ScreenHeight = 1024;
    SetInterfaceRectangleToScreen();
    ResetInfoPanelLayout();
    Calls().clear();
    SpeedUnitKmh = 1;
    PressureUnitBar = 1;
    InfoTestSpeed = 40.0f;
    CfgControlModeInForce = 0;
    args.owner = &owner;
    args.onSetupChanged = Recorder<0>;
    args.onBodyColour = Recorder<1>;
    args.onWheelColour = Recorder<2>;
    args.onStepTyre = Recorder<3>;
    args.onStepDifferential = Recorder<4>;
    args.onStepConfiguration = Recorder<5>;
    args.onPassengers = Recorder<6>;
    args.onSwitch = Recorder<7>;
    args.onSkin = Recorder<8>;
    args.onStrategy = Recorder<9>;
    args.inEditor = 1;
  }
  void TearDown() override { ResetInterfaceState(); }

  // A sample built and set up from its first default set-up; the rear seats as reading its
  // file derives them (three abreast).
  void Load(int row) {
    car = std::make_unique<Car>();
    BuildSampleVehicle(row, *car);
    car->seatsPerRow = 3;
    car->driverSlot = 0;
    car->setupIndex = 0;
    car->currentSetup = car->setups[0].record;
    car->SetupFromVehicle(0);
    ASSERT_EQ(car->inertiaStatus, INERTIA_VALID);
    args.car = car.get();
  }
  uint8_t* Bytes() { return car->currentSetup.bytes; }

  // Draws a page and lists the texts it shows (labels, figures and buttons), in order.
  std::vector<std::string> Draw(int page) {
    ClearInterface();
    BeginPanelRows();
    DrawInfoSetupPage(args, page);
    std::vector<std::string> lines;
    for (int i = 0; i < ValueControlCount; ++i) {
      const ValueControl& c = ValueControls[i];
      const int t = c.displayType;
      if (t != 0 && t != 15 && !(t >= 19 && t <= 21)) continue;
      char text[256];
      if (ValueControlText(c, text, sizeof text)) lines.push_back(text);
    }
    return lines;
  }
  // The control of a display type bound to a variable, or null.
  const ValueControl* Bound(int type, const void* variable) {
    for (int i = 0; i < ValueControlCount; ++i)
      if (ValueControls[i].displayType == type && ValueControls[i].variable == variable) return &ValueControls[i];
    return nullptr;
  }
  // A byte row's bar (VALUE_TYPE_MAPPED_BYTE) and its down and up arrows (41, 40): the bytes' range, the
  // figures shown at its ends, and the arrows stopping at the bytes' ends.
  void ExpectByteRow(int at, float shownLow, float shownHigh, int lowest, int highest, const char* what) {
    const ValueControl* bar = Bound(37, Bytes() + at);
    const ValueControl* down = Bound(41, Bytes() + at);
    const ValueControl* up = Bound(40, Bytes() + at);
    ASSERT_NE(bar, nullptr) << what;
    ASSERT_NE(down, nullptr) << what;
    ASSERT_NE(up, nullptr) << what;
    EXPECT_EQ(bar->byteMinimum, lowest) << what;
    EXPECT_EQ(bar->byteMaximum, highest) << what;
    EXPECT_FLOAT_EQ(bar->minimum.f, shownLow) << what;
    EXPECT_FLOAT_EQ(bar->maximum.f, shownHigh) << what;
    EXPECT_EQ(down->label.i, lowest) << what;
    EXPECT_EQ(up->label.i, highest) << what;
  }
  // The control of a display type (0 a plain button, 15 a text) showing a text, or null.
  const ValueControl* Texted(const char* text, int type = 0) {
    for (int i = 0; i < ValueControlCount; ++i) {
      char out[256];
      if (ValueControls[i].displayType == type && ValueControlText(ValueControls[i], out, sizeof out) &&
          std::strcmp(out, text) == 0)
        return &ValueControls[i];
    }
    return nullptr;
  }
  // A left click (or right, code 2) on a control: pressed and released at its centre.
  void Click(const ValueControl* c, int code = 1) {
    ASSERT_NE(c, nullptr);
    const int x = static_cast<int>((c->left + c->right) / 2.0f * ScreenWidth / 2.0f + ScreenWidth / 2.0f);
    const int y = static_cast<int>((c->top + c->bottom) / 2.0f * ScreenHeight / 2.0f + ScreenHeight / 2.0f);
    PressMouse(x, y, code);
    ReleaseMouse(x, y, code & 2 ? 2 : 1);
  }

  // The design load by our own arithmetic (N): the mass with its occupants under gravity, and
  // the downforce at the speed the power holds against the drag.
  double DesignLoad() const {
    const double occupants = car->options & OPT1_BACK_SEAT ? 5.0 : 2.0;
    double W = (double{car->massWithoutOccupants} + 70.0 * occupants) * 9.81;
    if (car->totalLiftArea < 0.0f && car->totalDragArea > 0.0f) {
      const double v = std::min(std::cbrt(double{car->engine.maxPower} * car->drivetrainEfficiency /
                                          car->totalDragArea), 200.0);
      W -= v * v * car->totalLiftArea;
    }
    return W;
  }
};

bool Has(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

}  // namespace

TEST_F(SetupPages, BrakesShowTheirRowsByTheCarsBrakesAndAids) {
  Load(RUNABOUT);
  car->options2 |= OPT2_HANDBRAKE | OPT2_ANTI_LOCK;
  car->options2 &= ~OPT2_NO_BRAKE_BALANCE;
  car->lightsAndAids = AID_TRACTION_CONTROL | AID_ENGINE_BRAKE;
  Bytes()[SETUP_FLAGS] = SETUP_FLAG_KEEP | SETUP_FLAG_TRACTION;
  Bytes()[SETUP_ENGINE_BRAKE_REDUCTION] = 30;
  Bytes()[SETUP_TRACTION_SLIP] = 20;
  Bytes()[SETUP_TRACTION_LEAST_SPEED] = 20;
  const double brake = SetupFloat(car->currentSetup, SETUP_BRAKE_STRENGTH);
  const double handbrake = SetupFloat(car->currentSetup, SETUP_AXLE[0] + AXLE_SIXTH);
  const std::vector<std::string> expected = {
      "Brake", Fmt("Maximum Per Wheel %.0f Nm", brake), Fmt("Brake Balance (front) %.0f%%", Bytes()[SETUP_BRAKE_BALANCE]),
      "Handbrake", Fmt("Maximum Per Wheel %.0f Nm", handbrake), "Engine Brake Reduction 30%", "ABS", "Off", "On",
      "Traction Control", "Off", "On", "TC Allowed Slip 2.0%", "TC Minimum Speed 20 m/s"};
  EXPECT_EQ(Draw(INFO_PAGE_BRAKES), expected);
  // The balance's stored byte is its percentage, from 5 to 95.
  for (const int balance : {5, 6, 94, 95}) {
    Bytes()[SETUP_BRAKE_BALANCE] = uint8_t(balance);
    EXPECT_TRUE(Has(Draw(INFO_PAGE_BRAKES), Fmt("Brake Balance (front) %.0f%%", balance))) << balance;
  }

  // The switches hand their words: ABS off 4 and on 5, traction control off 2 and on 3.
  Calls().clear();
  for (int k = 0; k < 4; ++k) {
    Draw(INFO_PAGE_BRAKES);
    std::vector<const ValueControl*> switches;
    for (int i = 0; i < ValueControlCount; ++i) {
      char out[256];
      if (ValueControls[i].displayType == VALUE_TYPE_TEXT && ValueControlText(ValueControls[i], out, sizeof out) &&
          (std::strcmp(out, "Off") == 0 || std::strcmp(out, "On") == 0))
        switches.push_back(&ValueControls[i]);
    }
    ASSERT_EQ(switches.size(), 4u);
    Click(switches[k]);
  }
  std::vector<int> words;
  for (const Call& call : Calls())
    if (call.handler == "switch") words.push_back(call.word);
  EXPECT_EQ(words, (std::vector<int>{4, 5, 2, 3}));

  // Neither handbrake nor aids, the balance hidden, traction control off: the brake row alone.
  car->options2 &= ~(OPT2_HANDBRAKE | OPT2_ANTI_LOCK);
  car->options2 |= OPT2_NO_BRAKE_BALANCE;
  car->lightsAndAids = 0;
  EXPECT_EQ(Draw(INFO_PAGE_BRAKES), std::vector<std::string>{Fmt("Maximum Per Wheel %.0f Nm", brake)});
}

// Each switch lights the state the set-up holds and only it: anti-lock and traction control on
// the brakes page (each an "Off" then an "On"), symmetric or asymmetric on the tyres page.
TEST_F(SetupPages, EachSwitchLightsTheStateTheSetupHolds) {
  Load(RUNABOUT);
  car->options2 |= OPT2_ANTI_LOCK;
  car->lightsAndAids = AID_TRACTION_CONTROL;
  ColourWord* const lit = &InterfaceColours.textSelected;
  ColourWord* const unlit = &InterfaceColours.textUnselected;
  const struct {
    uint8_t flags;
    bool antiLock, traction;
  } cases[] = {{SETUP_FLAG_KEEP | SETUP_FLAG_ANTI_LOCK, true, false},
               {SETUP_FLAG_KEEP | SETUP_FLAG_TRACTION, false, true},
               {SETUP_FLAG_KEEP, false, false},
               {SETUP_FLAG_KEEP | SETUP_FLAG_ANTI_LOCK | SETUP_FLAG_TRACTION, true, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "flags " << int(c.flags));
    Bytes()[SETUP_FLAGS] = c.flags;
    Draw(INFO_PAGE_BRAKES);
    std::vector<const ValueControl*> switches;  // ABS off, on, then traction control off, on
    for (int i = 0; i < ValueControlCount; ++i) {
      char out[256];
      if (ValueControls[i].displayType == VALUE_TYPE_TEXT && ValueControlText(ValueControls[i], out, sizeof out) &&
          (std::strcmp(out, "Off") == 0 || std::strcmp(out, "On") == 0))
        switches.push_back(&ValueControls[i]);
    }
    ASSERT_EQ(switches.size(), 4u);
    EXPECT_EQ(switches[0]->colour, c.antiLock ? unlit : lit);
    EXPECT_EQ(switches[1]->colour, c.antiLock ? lit : unlit);
    EXPECT_EQ(switches[2]->colour, c.traction ? unlit : lit);
    EXPECT_EQ(switches[3]->colour, c.traction ? lit : unlit);
  }
  for (const bool symmetric : {true, false}) {
    Bytes()[SETUP_FLAGS] = symmetric ? SETUP_FLAG_SYMMETRIC : SETUP_FLAG_KEEP;
    Draw(INFO_PAGE_TYRES);
    ASSERT_NE(Texted("symmetric"), nullptr);
    ASSERT_NE(Texted("asymmetric"), nullptr);
    EXPECT_EQ(Texted("symmetric")->colour, symmetric ? lit : unlit) << symmetric;
    EXPECT_EQ(Texted("asymmetric")->colour, symmetric ? unlit : lit) << symmetric;
  }
}

TEST_F(SetupPages, TheBrakeRowsRunFromAQuarterOfTheGripTorqueToIt) {
  for (const int row : {RUNABOUT, RACER, KART}) {
    Load(row);
    car->options2 |= OPT2_HANDBRAKE;
    Draw(INFO_PAGE_BRAKES);
    const double M = 0.41 * DesignLoad() * car->wheelSets[1].rollingRadius;
    for (const int at : {SETUP_BRAKE_STRENGTH, SETUP_AXLE[0] + AXLE_SIXTH}) {
      const ValueControl* bar = Bound(27, car->currentSetup.bytes + at);
      ASSERT_NE(bar, nullptr) << row;
      EXPECT_NEAR(bar->minimum.f, 0.24 * M, 1e-4 * M) << row;
      EXPECT_NEAR(bar->maximum.f, M, 1e-4 * M) << row;
    }
  }
  // A car with no wheel on its front set takes the rear wheels' radius.
  Load(RUNABOUT);
  for (int i = 0; i < car->wheelCount; ++i) car->wheels[i].wheelSet = 0;
  car->wheelSets[0].rollingRadius = 0.3f;
  car->wheelSets[1].rollingRadius = 0.25f;
  Draw(INFO_PAGE_BRAKES);
  const double M = 0.41 * DesignLoad() * 0.3;
  const ValueControl* bar = Bound(27, car->currentSetup.bytes + SETUP_BRAKE_STRENGTH);
  ASSERT_NE(bar, nullptr);
  EXPECT_NEAR(bar->maximum.f, M, 1e-4 * M);
}

TEST_F(SetupPages, SuspensionRowsTakeTheLimitsOfTheDesignLoadInNewtonsPerMillimetre) {
  Load(RUNABOUT);
  const double W = DesignLoad();
  const double S = (1.0 + std::trunc(0.0011 * W)) * 10000.0, D = (1.0 + std::trunc(0.0011 * W)) * 1000.0;
  const std::vector<std::string> lines = Draw(INFO_PAGE_SUSPENSION);
  // The rear axle in the first column, the front in the second.
  {
    const ValueControl *rearHeading = nullptr, *frontHeading = nullptr;
    for (int i = 0; i < ValueControlCount; ++i) {
      char out[64];
      if (!ValueControlText(ValueControls[i], out, sizeof out)) continue;
      if (std::strcmp(out, "Rear") == 0 && !rearHeading) rearHeading = &ValueControls[i];
      if (std::strcmp(out, "Front") == 0 && !frontHeading) frontHeading = &ValueControls[i];
    }
    ASSERT_TRUE(rearHeading && frontHeading);
    EXPECT_LT(rearHeading->left + 0.1f, frontHeading->left);
    EXPECT_FLOAT_EQ(rearHeading->top, frontHeading->top);
  }
  for (int axle = 0; axle < 2; ++axle) {
    const int at = SETUP_AXLE[axle];
    const uint8_t* b = car->currentSetup.bytes;
    EXPECT_TRUE(Has(lines, Fmt("Stiffness %.1f N/mm", SetupFloat(car->currentSetup, at + AXLE_SPRING) / 1000.0)));
    EXPECT_TRUE(Has(lines, Fmt("Bump Damping %.1f Ns/mm", SetupFloat(car->currentSetup, at + AXLE_BUMP) / 1000.0)));
    EXPECT_TRUE(Has(lines, Fmt("[Motion Range %.3f m]", car->wheelSets[axle].maxUpPosition)));
    const ValueControl* spring = Bound(28, b + at + AXLE_SPRING);
    const ValueControl* rebound = Bound(28, b + at + AXLE_REBOUND);
    const ValueControl* antiRoll = Bound(28, b + at + AXLE_ANTI_ROLL);
    ASSERT_TRUE(spring && rebound && antiRoll);
    EXPECT_FLOAT_EQ(spring->minimum.f, static_cast<float>(0.1 * S));
    EXPECT_FLOAT_EQ(spring->maximum.f, static_cast<float>(S));
    EXPECT_FLOAT_EQ(rebound->minimum.f, static_cast<float>(0.1 * D));
    EXPECT_FLOAT_EQ(rebound->maximum.f, static_cast<float>(D));
    EXPECT_FLOAT_EQ(antiRoll->minimum.f, 0.0f);
    EXPECT_FLOAT_EQ(antiRoll->maximum.f, static_cast<float>(S));
    // The editor's ride height over -0.6..0.6 m.
    const ValueControl* ride = Bound(27, b + at + AXLE_RIDE_HEIGHT);
    ASSERT_NE(ride, nullptr);
    EXPECT_FLOAT_EQ(ride->minimum.f, -0.6f);
    EXPECT_FLOAT_EQ(ride->maximum.f, 0.6f);
  }
  EXPECT_EQ(lines.front(), "Rear");
  EXPECT_TRUE(Has(lines, "Front"));
  EXPECT_TRUE(Has(lines, Fmt("Lowest wheel height %.3f m", SetupFloat(car->currentSetup, SETUP_AXLE[1]))));

  // The garage: within min(0.08, |N - reference|) of the first set-up's; none when they meet.
  args.inEditor = 0;
  Draw(INFO_PAGE_SUSPENSION);
  for (int axle = 0; axle < 2; ++axle) {
    const double N = SetupFloat(car->setups[0].record, SETUP_AXLE[axle]);
    const double d = std::min(0.08, std::fabs(N - car->wheelSets[axle].maxUpPosition));
    const ValueControl* ride = Bound(27, car->currentSetup.bytes + SETUP_AXLE[axle]);
    ASSERT_NE(ride, nullptr);
    EXPECT_NEAR(ride->minimum.f, N - d, 1e-6);
    EXPECT_NEAR(ride->maximum.f, N + d, 1e-6);
  }
  car->wheelSets[1].maxUpPosition = SetupFloat(car->setups[0].record, SETUP_AXLE[1]);
  Draw(INFO_PAGE_SUSPENSION);
  EXPECT_EQ(Bound(27, car->currentSetup.bytes + SETUP_AXLE[1]), nullptr) << "no reach: the value alone";

  // A kart shows the ride heights alone; a fixed anti-roll bar shows no row.
  args.inEditor = 1;
  Load(KART);
  EXPECT_EQ(Draw(INFO_PAGE_SUSPENSION),
            (std::vector<std::string>{"Rear", Fmt("Lowest wheel height %.3f m", SetupFloat(car->currentSetup, 40)),
                                      "Front", Fmt("Lowest wheel height %.3f m", SetupFloat(car->currentSetup, 80))}));
  Load(RUNABOUT);
  car->options |= OPT1_NO_REAR_ANTI_ROLL;
  Draw(INFO_PAGE_SUSPENSION);
  EXPECT_EQ(Bound(28, car->currentSetup.bytes + SETUP_AXLE[0] + AXLE_ANTI_ROLL), nullptr);
  EXPECT_NE(Bound(28, car->currentSetup.bytes + SETUP_AXLE[1] + AXLE_ANTI_ROLL), nullptr);
}

TEST_F(SetupPages, SteeringShowsCasterToeAndTheWheelTurnWithinItsLimits) {
  Load(RACER);  // double wishbones: caster on the front axle
  const std::vector<std::string> lines = Draw(INFO_PAGE_STEERING);
  const double lock = Bytes()[SETUP_STEERING_LOCK];
  const double turn = std::clamp(car->steeringWheelTurn * 114.591553 * lock / car->setups[0].record.bytes[12], 90.0,
                                 1080.0);
  const std::vector<std::string> expected = {
      "Front", Fmt("Maximum Lock %.1f\260", lock), Fmt("Parallel Steer %.0f%%", Bytes()[SETUP_PARALLEL_STEER]),
      Fmt("Caster %.1f\260", Bytes()[SETUP_AXLE[1] + AXLE_CASTER] / 10.0),
      Fmt("Toe In %+.1f\260", (Bytes()[SETUP_AXLE[1] + AXLE_TOE] - 9) / 10.0), "Rear",
      Fmt("Toe In %+.1f\260", (Bytes()[SETUP_AXLE[0] + AXLE_TOE] - 9) / 10.0),
      Fmt("Car's steering wheel turns %.0f\260 (lock to lock)", turn)};
  EXPECT_EQ(lines, expected);
  // Parallel steer runs from 0 to 100 %, its bar as far.
  const ValueControl* parallel = Bound(37, Bytes() + SETUP_PARALLEL_STEER);
  ASSERT_NE(parallel, nullptr);
  EXPECT_EQ(parallel->minimum.f, 0.0f);
  EXPECT_EQ(parallel->maximum.f, 100.0f);
  EXPECT_EQ(parallel->byteMaximum, 100);
  // The editor's lock bound is 60 unless the lock is fixed to the first set-up's.
  EXPECT_EQ(Bound(37, Bytes() + SETUP_STEERING_LOCK)->byteMaximum, 60);
  car->options2 |= OPT2_FIXED_LOCK;
  Draw(INFO_PAGE_STEERING);
  EXPECT_EQ(Bound(37, Bytes() + SETUP_STEERING_LOCK)->byteMaximum, car->setups[0].record.bytes[12]);
  // Fixed to a first set-up the car does not have: the editor's 60 again.
  {
    const uint8_t lock = car->setups[0].record.bytes[SETUP_STEERING_LOCK];
    const int setups = car->setupCount;
    car->setups[0].record.bytes[SETUP_STEERING_LOCK] = 45;
    Draw(INFO_PAGE_STEERING);
    EXPECT_EQ(Bound(37, Bytes() + SETUP_STEERING_LOCK)->byteMaximum, 45);
    car->setupCount = 1;  // the first set-up alone is enough
    Draw(INFO_PAGE_STEERING);
    EXPECT_EQ(Bound(37, Bytes() + SETUP_STEERING_LOCK)->byteMaximum, 45);
    car->setupCount = 0;
    Draw(INFO_PAGE_STEERING);
    EXPECT_EQ(Bound(37, Bytes() + SETUP_STEERING_LOCK)->byteMaximum, 60);
    car->setupCount = setups;
    car->setups[0].record.bytes[SETUP_STEERING_LOCK] = lock;
  }

  // The garage: no toe; the car's own bound; the controller's wheel with a wheel.
  args.inEditor = 0;
  CfgControlModeInForce = 1;
  WheelTurnDegrees = 540.0f;
  const std::vector<std::string> garage = Draw(INFO_PAGE_STEERING);
  EXPECT_FALSE(Has(garage, Fmt("Toe In %+.1f\260", (Bytes()[SETUP_AXLE[1] + AXLE_TOE] - 9) / 10.0)));
  EXPECT_EQ(garage.back(), "Controller wheel turns 540\260");
  EXPECT_EQ(Bound(37, Bytes() + SETUP_STEERING_LOCK)->byteMaximum, car->GetMaxSteeringLock());

  // The turn is held to 90..1080, and left out without a stored lock to divide by.
  car->steeringWheelTurn = 100.0f;
  EXPECT_FLOAT_EQ(SteeringWheelTurnDegrees(*car), 1080.0f);
  car->steeringWheelTurn = 0.01f;
  EXPECT_FLOAT_EQ(SteeringWheelTurnDegrees(*car), 90.0f);
  {
    const int setups = car->setupCount;
    car->setupCount = 1;  // one set-up is enough to take its lock from
    EXPECT_FLOAT_EQ(SteeringWheelTurnDegrees(*car), 90.0f);
    car->setupCount = setups;
  }
  car->setups[0].record.bytes[SETUP_STEERING_LOCK] = 0;
  EXPECT_EQ(SteeringWheelTurnDegrees(*car), 0.0f);
  CfgControlModeInForce = 0;
  for (const std::string& line : Draw(INFO_PAGE_STEERING)) EXPECT_EQ(line.find("steering wheel turns"), std::string::npos);
  car->setupCount = 0;
  EXPECT_EQ(SteeringWheelTurnDegrees(*car), 0.0f);

  // A kart: the front axle only, and a rigid front axle has its caster.
  Load(KART);
  const std::vector<std::string> kart = Draw(INFO_PAGE_STEERING);
  EXPECT_FALSE(Has(kart, "Rear"));
  EXPECT_TRUE(Has(kart, Fmt("Caster %.1f\260", Bytes()[SETUP_AXLE[1] + AXLE_CASTER] / 10.0)));
  // A MacPherson front has none.
  Load(RUNABOUT);
  for (const std::string& line : Draw(INFO_PAGE_STEERING)) EXPECT_EQ(line.find("Caster"), std::string::npos);
}

TEST_F(SetupPages, FinalDriveShowsTheDifferentialsAndEachGearsSpeedAtTheRevLimit) {
  Load(ESTATE);  // four-wheel drive
  Bytes()[SETUP_AXLE[1] + AXLE_DIFFERENTIAL] = DIFF_VISCOUS;
  Bytes()[SETUP_AXLE[1] + AXLE_VISCOUS] = 15;  // 1..20 shown as stored
  Bytes()[SETUP_AXLE[0] + AXLE_DIFFERENTIAL] = DIFF_LIMITED_SLIP;
  Bytes()[SETUP_CENTRE_DIFFERENTIAL] = 1;
  Bytes()[SETUP_CENTRE_VISCOUS] = 7;
  std::vector<std::string> lines = Draw(INFO_PAGE_FINAL_DRIVE);
  const double redline = car->engine.redline, radius = car->wheelSets[0].rollingRadius;
  const auto ratio = [&](int at) { return SetupShort(car->currentSetup, at) * 7.0 / 65534.0 + 0.5; };
  std::vector<std::string> expected = {
      "Front", "VISCOUS LSD", Fmt("Viscous Torque %.0f Nms/rad", Bytes()[SETUP_AXLE[1] + AXLE_VISCOUS]), "Rear",
      "CLUTCH PACK LSD",
      Fmt("Locking (power / coast) %.0f%% / %.0f%%", Bytes()[SETUP_AXLE[0] + AXLE_POWER_LOCKING],
          Bytes()[SETUP_AXLE[0] + AXLE_COAST_LOCKING]),
      Fmt("Preload %.0f Nm", Bytes()[SETUP_AXLE[0] + AXLE_PRELOAD] * 10.0), "Centre", "VISCOUS LSD",
      "Viscous Torque 7 Nms/rad", Fmt("Front Torque Split %.0f%%", Bytes()[SETUP_FRONT_SHARE])};
  static const char* const GEARS[] = {"First", "Second", "Third", "Fourth", "Fifth", "Sixth", "Seventh"};
  for (int gear = 0; gear < car->gearCount - 2; ++gear) {
    const double r = ratio(SETUP_GEAR_WORDS + 2 * gear), speed = redline / (r * ratio(SETUP_FINAL_DRIVE)) * radius;
    expected.push_back(Fmt((std::string(GEARS[gear]) + " %.3f   %.0f km/h").c_str(), r, speed * 3.6));
  }
  expected.push_back(Fmt("Final Drive Ratio %.3f", ratio(SETUP_FINAL_DRIVE)));
  EXPECT_EQ(lines, expected);
  // Each differential's arrows step it by their words: the front's 2 and 3, the rear's 0 and
  // 1, the centre's 4 and 5, the left arrow first.
  std::vector<uintptr_t> words;
  for (int i = 0; i < ValueControlCount; ++i)
    if (ValueControls[i].callback == Recorder<4>)
      words.push_back(reinterpret_cast<uintptr_t>(ValueControls[i].variable));
  EXPECT_EQ(words, (std::vector<uintptr_t>{2, 3, 0, 1, 4, 5}));
  // The centre's viscous torque (1..20) and the front split (5..95 %) show their stored bytes.
  for (const int at : {0, 1}) {
    Bytes()[SETUP_CENTRE_VISCOUS] = uint8_t(at ? 20 : 1);
    Bytes()[SETUP_FRONT_SHARE] = uint8_t(at ? 95 : 5);
    lines = Draw(INFO_PAGE_FINAL_DRIVE);
    EXPECT_TRUE(Has(lines, at ? "Viscous Torque 20 Nms/rad" : "Viscous Torque 1 Nms/rad"));
    EXPECT_TRUE(Has(lines, at ? "Front Torque Split 95%" : "Front Torque Split 5%"));
  }

  // Miles per hour: 2.237 per m/s.
  SpeedUnitKmh = 0;
  lines = Draw(INFO_PAGE_FINAL_DRIVE);
  const double first = redline / (ratio(SETUP_GEAR_WORDS) * ratio(SETUP_FINAL_DRIVE)) * radius;
  EXPECT_TRUE(Has(lines, Fmt("First %.3f   %.0f mph", ratio(SETUP_GEAR_WORDS), first * 2.237)));

  // One locking value; the front-drive car shows its front axle only; the electric car its
  // one gear.
  car->options |= OPT1_COAST_AS_POWER;
  EXPECT_TRUE(Has(Draw(INFO_PAGE_FINAL_DRIVE), Fmt("Locking %.0f%%", Bytes()[SETUP_AXLE[0] + AXLE_POWER_LOCKING])));
  {  // the one locking row runs 10 to 80 too
    const ValueControl* bar = Bound(37, Bytes() + SETUP_AXLE[0] + AXLE_POWER_LOCKING);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->byteMinimum, 10);
    EXPECT_EQ(bar->byteMaximum, 80);
    EXPECT_FLOAT_EQ(bar->minimum.f, 10.0f);
    EXPECT_FLOAT_EQ(bar->maximum.f, 80.0f);
  }
  Load(RUNABOUT);
  lines = Draw(INFO_PAGE_FINAL_DRIVE);
  EXPECT_EQ(lines[0], "Front");
  EXPECT_FALSE(Has(lines, "Rear"));
  EXPECT_FALSE(Has(lines, "Centre"));
  Load(ROADSTER);
  lines = Draw(INFO_PAGE_FINAL_DRIVE);
  ASSERT_EQ(lines.size(), 4u) << "the rear axle, its differential, one gear and the final drive";
  EXPECT_EQ(lines[2].rfind(Fmt("First %.3f", ratio(SETUP_GEAR_WORDS)), 0), 0u);
  // No speed without an engine's rev limit.
  car->engine.redline = 0.0f;
  EXPECT_EQ(GearTopSpeed(*car, 0), 0.0f);
  EXPECT_EQ(Draw(INFO_PAGE_FINAL_DRIVE)[2], Fmt("First %.3f", ratio(SETUP_GEAR_WORDS))) << "the ratio alone";
}

// The differential rows' ranges: locking 10 to 80 (power and coast, each its own set), preload
// bytes 0 to 80 shown as 0 to 800 Nm, viscous torque 1 to 20; the arrows stop at the bytes' ends.
TEST_F(SetupPages, TheDifferentialRowsRunOverTheirStatedRanges) {
  Load(ESTATE);
  Bytes()[SETUP_AXLE[0] + AXLE_DIFFERENTIAL] = DIFF_LIMITED_SLIP;
  Bytes()[SETUP_AXLE[1] + AXLE_DIFFERENTIAL] = DIFF_VISCOUS;
  Draw(INFO_PAGE_FINAL_DRIVE);
  const struct {
    int at;
    float shownLow, shownHigh;
    int lowest, highest;
    const char* what;
  } rows[] = {{SETUP_AXLE[0] + AXLE_POWER_LOCKING, 10.0f, 80.0f, 10, 80, "power locking"},
              {SETUP_AXLE[0] + AXLE_COAST_LOCKING, 10.0f, 80.0f, 10, 80, "coast locking"},
              {SETUP_AXLE[0] + AXLE_PRELOAD, 0.0f, 800.0f, 0, 80, "preload"},
              {SETUP_AXLE[1] + AXLE_VISCOUS, 1.0f, 20.0f, 1, 20, "viscous torque"}};
  for (const auto& row : rows) ExpectByteRow(row.at, row.shownLow, row.shownHigh, row.lowest, row.highest, row.what);
}

// The other byte rows' ranges, stored bytes and shown figures: brake balance 5 to 95 %, engine
// brake reduction 0 to 100 %, traction control's slip bytes 20 to 200 shown 2.0 to 20.0 % and
// its least speed 5 to 20 m/s; parallel steer 0 to 100 %, caster bytes 0 to 240 shown 0 to
// 24 degrees, toe bytes 0 to 18 shown -0.9 to 0.9 degrees; camber bytes 0 to 90 shown -4.5 to
// 4.5 degrees on either side; the centre's viscous torque 1 to 20 and the front's torque share
// 5 to 95 %.  The arrows stop at the bytes' ends.
TEST_F(SetupPages, TheAidSteeringCamberAndCentreRowsRunOverTheirStatedRanges) {
  struct Row {
    int page, at;
    float shownLow, shownHigh;
    int lowest, highest;
    const char* what;
  };
  const auto check = [this](const Row& row) {
    Draw(row.page);
    ExpectByteRow(row.at, row.shownLow, row.shownHigh, row.lowest, row.highest, row.what);
  };
  Load(RUNABOUT);
  car->options2 &= ~OPT2_NO_BRAKE_BALANCE;
  car->lightsAndAids = AID_TRACTION_CONTROL | AID_ENGINE_BRAKE;
  Bytes()[SETUP_FLAGS] = SETUP_FLAG_KEEP | SETUP_FLAG_TRACTION;
  car->wheelSets[1].suspensionType = SUSPENSION_DOUBLE_WISHBONE;
  car->wheelSets[0].suspensionType = SUSPENSION_RIGID;
  for (const Row& row : {Row{INFO_PAGE_BRAKES, SETUP_BRAKE_BALANCE, 5.0f, 95.0f, 5, 95, "brake balance"},
                         Row{INFO_PAGE_BRAKES, SETUP_ENGINE_BRAKE_REDUCTION, 0.0f, 100.0f, 0, 100, "engine brake"},
                         Row{INFO_PAGE_BRAKES, SETUP_TRACTION_SLIP, 2.0f, 20.0f, 20, 200, "allowed slip"},
                         Row{INFO_PAGE_BRAKES, SETUP_TRACTION_LEAST_SPEED, 5.0f, 20.0f, 5, 20, "least speed"},
                         Row{INFO_PAGE_STEERING, SETUP_PARALLEL_STEER, 0.0f, 100.0f, 0, 100, "parallel steer"},
                         Row{INFO_PAGE_STEERING, SETUP_AXLE[1] + AXLE_CASTER, 0.0f, 24.0f, 0, 240, "caster"},
                         Row{INFO_PAGE_STEERING, SETUP_AXLE[1] + AXLE_TOE, -0.9f, 0.9f, 0, 18, "front toe"},
                         Row{INFO_PAGE_STEERING, SETUP_AXLE[0] + AXLE_TOE, -0.9f, 0.9f, 0, 18, "rear toe"},
                         Row{INFO_PAGE_TYRES, SETUP_AXLE[1] + AXLE_CAMBER_LEFT, -4.5f, 4.5f, 0, 90, "left camber"},
                         Row{INFO_PAGE_TYRES, SETUP_AXLE[1] + AXLE_CAMBER_RIGHT, -4.5f, 4.5f, 0, 90, "right camber"}})
    check(row);
  Load(ESTATE);
  ASSERT_EQ(car->driveType, DRIVE_FOUR);
  Bytes()[SETUP_CENTRE_DIFFERENTIAL] = 1;
  check({INFO_PAGE_FINAL_DRIVE, SETUP_CENTRE_VISCOUS, 1.0f, 20.0f, 1, 20, "centre viscous torque"});
  check({INFO_PAGE_FINAL_DRIVE, SETUP_FRONT_SHARE, 5.0f, 95.0f, 5, 95, "front torque share"});
}

// With tyre warmers, their temperature row runs over the bytes 20 to 120 shown as stored; the
// pressure unit's buttons store 0 for psi and 1 for bar.
// The tyres page opens with the "Manufacturer" label, left-aligned, and the set-up's maker
// (row 1 of the makers: Halberg) beside it.
TEST_F(SetupPages, TyresOpenWithTheManufacturerLabelAndTheMakersName) {
  Load(RUNABOUT);
  Bytes()[SETUP_TYRE_MAKER] = 1;
  const std::vector<std::string> lines = Draw(INFO_PAGE_TYRES);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0], "Manufacturer");
  EXPECT_EQ(lines[1], "Halberg");
  const ValueControl* label = Texted("Manufacturer", 15);
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->label.i, 1) << "left-aligned (label bit 1)";
}

TEST_F(SetupPages, TheTyreWarmerRowAndThePressureUnitButtons) {
  Load(RUNABOUT);
  const int savedWarm = RaceSetup.warmStart;
  RaceSetup.warmStart = 1;
  std::vector<std::string> lines = Draw(INFO_PAGE_TYRES);
  const ValueControl* bar = Bound(37, Bytes() + SETUP_TYRE_WARMER);
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->byteMinimum, 20);
  EXPECT_EQ(bar->byteMaximum, 120);
  EXPECT_FLOAT_EQ(bar->minimum.f, 20.0f);
  EXPECT_FLOAT_EQ(bar->maximum.f, 120.0f);
  ASSERT_NE(Bound(41, Bytes() + SETUP_TYRE_WARMER), nullptr);
  EXPECT_EQ(Bound(41, Bytes() + SETUP_TYRE_WARMER)->label.i, 20);
  ASSERT_NE(Bound(40, Bytes() + SETUP_TYRE_WARMER), nullptr);
  EXPECT_EQ(Bound(40, Bytes() + SETUP_TYRE_WARMER)->label.i, 120);
  // Without the race's warm start, warmers for the GT and formula classes alone.
  RaceSetup.warmStart = 0;
  for (const int vehicleClass : {int(CLASS_GT), int(CLASS_F1), int(CLASS_KART)}) {
    car->vehicleClass = uint8_t(vehicleClass);
    Draw(INFO_PAGE_TYRES);
    EXPECT_EQ(Bound(37, Bytes() + SETUP_TYRE_WARMER) != nullptr, vehicleClass != CLASS_KART) << vehicleClass;
  }
  RaceSetup.warmStart = savedWarm;
  Load(RUNABOUT);
  PressureUnitBar = 0;
  Draw(INFO_PAGE_TYRES);
  // The unit in force is lit.
  ASSERT_NE(Texted("[psi]"), nullptr);
  ASSERT_NE(Texted("[bar]"), nullptr);
  EXPECT_EQ(Texted("[psi]")->colour, &InterfaceColours.textSelected);
  EXPECT_EQ(Texted("[bar]")->colour, &InterfaceColours.textUnselected);
  Click(Texted("[bar]"));
  EXPECT_EQ(PressureUnitBar, 1);
  Draw(INFO_PAGE_TYRES);
  EXPECT_EQ(Texted("[psi]")->colour, &InterfaceColours.textUnselected);
  EXPECT_EQ(Texted("[bar]")->colour, &InterfaceColours.textSelected);
  Click(Texted("[psi]"));
  EXPECT_EQ(PressureUnitBar, 0);
  PressureUnitBar = 1;
}

TEST_F(SetupPages, TyresShowSizesCompoundsPressuresAndLiveCamber) {
  Load(RACER);
  car->massWithoutOccupants = 1000.0f;  // the pressure cap: 610 kPa
  car->options2 &= ~OPT2_PRESSURE_LIMITS;
  for (int axle = 0; axle < 2; ++axle) {
    SetSetupShort(car->currentSetup, SETUP_AXLE[axle] + AXLE_PRESSURE_LEFT, 200);
    SetSetupShort(car->currentSetup, SETUP_AXLE[axle] + AXLE_PRESSURE_RIGHT, 150);
  }
  Bytes()[SETUP_AXLE[1] + AXLE_TYRE_TYPE] = 2;
  Bytes()[SETUP_AXLE[0] + AXLE_TYRE_TYPE] = 7;
  Bytes()[SETUP_FLAGS] = SETUP_FLAG_KEEP;  // asymmetric
  std::vector<std::string> lines = Draw(INFO_PAGE_TYRES);
  for (int axle = 0; axle < 2; ++axle) {
    const SuspensionBlock& s = car->wheelSets[axle];
    char size[64];
    std::snprintf(size, sizeof size, "%.0f/%.0f-%.0f", s.sectionWidth * 1000.0, s.aspectRatio * 100.0,
                  s.rimRadius * 2000.0 / 25.4);
    EXPECT_TRUE(Has(lines, size)) << size;
    const ValueControl* bar = Bound(38, Bytes() + SETUP_AXLE[axle] + AXLE_PRESSURE_LEFT);
    ASSERT_NE(bar, nullptr);
    EXPECT_FLOAT_EQ(bar->maximum.f, 610.0f);
    EXPECT_NE(Bound(38, Bytes() + SETUP_AXLE[axle] + AXLE_PRESSURE_RIGHT), nullptr) << "asymmetric: two sets";
  }
  EXPECT_TRUE(Has(lines, "SLICK_R3"));
  EXPECT_TRUE(Has(lines, "Optimum temperature 100\260"));
  EXPECT_TRUE(Has(lines, "KNOBBLY"));
  EXPECT_TRUE(Has(lines, "Optimum temperature 40\260"));
  EXPECT_TRUE(Has(lines, "Pressure (L / R) 200 kPa / 150 kPa"));
  EXPECT_TRUE(Has(lines, Fmt("bar (L / R) %.2f bar / %.2f bar", 200000 * 0.00001, 150000 * 0.00001)));
  PressureUnitBar = 0;
  EXPECT_TRUE(Has(Draw(INFO_PAGE_TYRES),
                  Fmt("psi (L / R) %.1f psi / %.1f psi", 200000 * 0.000144988211, 150000 * 0.000144988211)));

  // Live camber: the arc sine of each wheel's tilt, in degrees.
  const SuspensionBlock& front = car->wheelSets[1];
  const auto live = [&](int wheel) {
    const CarWheel& w = car->wheels[wheel];
    return std::asin(-double{w.spinAxis.z} * (w.side > 0.0f ? 1.0 : -1.0)) * 180.0 / 3.14159274;
  };
  EXPECT_TRUE(Has(lines, Fmt("live (L / R) %+.2f\260 / %+.2f\260", live(front.leftWheel - 1),
                             live(front.rightWheel - 1))));
  // A symmetric set-up leans both wheels alike: negative camber (the tops in) on both sides.
  EXPECT_LT(live(front.leftWheel - 1), 0.0);
  EXPECT_NEAR(live(front.leftWheel - 1), live(front.rightWheel - 1), 1e-4);
  EXPECT_EQ(LiveCamberDegrees(*car, 99), 0.0f);
  EXPECT_TRUE(Has(lines, Fmt("Camber Adjust (L / R) %+.1f\260 / %+.1f\260",
                             (Bytes()[SETUP_AXLE[1] + AXLE_CAMBER_LEFT] - 45) / 10.0,
                             (Bytes()[SETUP_AXLE[1] + AXLE_CAMBER_RIGHT] - 45) / 10.0)));

  // The garage and a car with its own range: the range raised above its low end and held to the cap.
  args.inEditor = 0;
  car->options2 |= OPT2_PRESSURE_LIMITS;
  car->rimWords[0] = 100;
  car->rimWords[1] = 900;
  Draw(INFO_PAGE_TYRES);
  const ValueControl* bar = Bound(38, Bytes() + SETUP_AXLE[0] + AXLE_PRESSURE_LEFT);
  ASSERT_NE(bar, nullptr);
  EXPECT_FLOAT_EQ(bar->minimum.f, 100.0f);
  EXPECT_FLOAT_EQ(bar->maximum.f, 610.0f);

  // Symmetric: one set bound to the left value.
  Bytes()[SETUP_FLAGS] = SETUP_FLAG_KEEP | SETUP_FLAG_SYMMETRIC;
  Draw(INFO_PAGE_TYRES);
  EXPECT_EQ(Bound(38, Bytes() + SETUP_AXLE[0] + AXLE_PRESSURE_RIGHT), nullptr);
  // Tyre warmers: by class (formula has none) or by the race's setting.
  for (const std::string& line : Draw(INFO_PAGE_TYRES)) EXPECT_EQ(line.find("Tyre warmer"), std::string::npos);
  car->vehicleClass = CLASS_GT;
  EXPECT_TRUE(Has(Draw(INFO_PAGE_TYRES), Fmt("Tyre warmer temperature : %.0f\260",
                                             20 + (Bytes()[SETUP_TYRE_WARMER] - 20.0))));
  // The warmers' row starts below the longer of the two axles' columns.
  const ValueControl* warmer = nullptr;
  for (int i = 0; i < ValueControlCount && !warmer; ++i)
    if (ValueControls[i].variable == Bytes() + SETUP_TYRE_WARMER) warmer = &ValueControls[i];
  ASSERT_NE(warmer, nullptr);
  float lowest = -1.0f;
  for (int i = 0; i < ValueControlCount; ++i)
    if (ValueControls[i].variable != Bytes() + SETUP_TYRE_WARMER && ValueControls[i].top < warmer->top)
      lowest = std::max(lowest, ValueControls[i].bottom);
  EXPECT_LE(lowest, warmer->top) << "nothing of the columns reaches into the warmers' row";
  // The row starts back at the first column, the front axle's.
  const ValueControl* frontHeading = nullptr;
  for (int i = 0; i < ValueControlCount && !frontHeading; ++i) {
    char out[64];
    if (ValueControlText(ValueControls[i], out, sizeof out) && std::strcmp(out, "Front") == 0)
      frontHeading = &ValueControls[i];
  }
  ASSERT_NE(frontHeading, nullptr);
  EXPECT_LT(warmer->left, frontHeading->left + 0.05f);
  EXPECT_GT(lowest, -0.5f) << "the columns run well down the page";
}

TEST_F(SetupPages, DownforceShowsLiftAndDragAtTheTestSpeedAndTheLeverRuleDistribution) {
  Load(RACER);
  car->wingAngles[1][0] = 2;
  car->wingAngles[1][1] = 12;
  std::vector<std::string> lines = Draw(INFO_PAGE_DOWNFORCE);
  const double v2 = 40.0 * 40.0;
  EXPECT_TRUE(Has(lines, "Test speed 40.0 m/s (144.0 km/h)"));
  EXPECT_NE(Bound(27, &InfoTestSpeed), nullptr) << "a bar of plain metres a second, not of degrees";
  double rear = 0.0, front = 0.0;
  for (int i = 0; i < AERO_ITEMS; ++i) {
    const AeroItem& item = car->aeroItems[i];
    if (!(item.flags & AERO_PRESENT)) continue;
    EXPECT_TRUE(Has(lines, Fmt("L : %.0f N", item.liftFactor * v2)));
    EXPECT_TRUE(Has(lines, Fmt("D : %.0f N", item.dragFactor * v2)));
    const double f = (double{item.centre.y} - car->rearmostY) / car->wheelBase;
    rear -= (1.0 - f) * item.liftFactor;
    front -= f * item.liftFactor;
  }
  EXPECT_TRUE(Has(lines, Fmt("L : %.0f N", car->totalLiftFactor * v2)));
  // Each item's name leads its lift and drag, the total's last.
  {
    static const char* const NAMES[AERO_ITEMS] = {"Rear Wing", "Front Wing", "Undertray", "Body"};
    const auto row = [&](const char* name, float lift, float drag) {
      const auto at = std::find(lines.begin(), lines.end(), name);
      ASSERT_LT(at + 2, lines.end()) << name;
      EXPECT_EQ(at[1], Fmt("L : %.0f N", lift * v2)) << name;
      EXPECT_EQ(at[2], Fmt("D : %.0f N", drag * v2)) << name;
    };
    for (int i = 0; i < AERO_ITEMS; ++i)
      if (car->aeroItems[i].flags & AERO_PRESENT)
        row(NAMES[i], car->aeroItems[i].liftFactor, car->aeroItems[i].dragFactor);
    row("Total", car->totalLiftFactor, car->totalDragFactor);
  }
  {
    int present = 0, lifts = 0;
    for (const AeroItem& item : car->aeroItems) present += (item.flags & AERO_PRESENT) != 0;
    for (const std::string& line : lines) lifts += line.rfind("L : ", 0) == 0;
    EXPECT_EQ(lifts, present + 1) << "each present item and the total";
  }
  EXPECT_TRUE(Has(lines, Fmt("Downforce distribution : %.1f F  %.1f R", front * 100 / (front + rear),
                             rear * 100 / (front + rear))));
  EXPECT_TRUE(Has(lines, Fmt("Estimated maximum speed : %.0f km/h", car->topSpeed * 3.6)));
  if (car->aeroItems[AERO_FRONT_WING].flags & AERO_PRESENT) {
    const ValueControl* wing = Bound(37, Bytes() + SETUP_FRONT_WING);
    ASSERT_NE(wing, nullptr);
    EXPECT_EQ(wing->byteMinimum, 2);
    EXPECT_EQ(wing->byteMaximum, 12);
  }
  // Each wing's row runs over its own angles, least to most.
  int wings = 0;
  for (const int wing : {AERO_FRONT_WING, AERO_REAR_WING}) {
    car->aeroItems[wing].flags |= AERO_PRESENT;
    car->wingAngles[wing][0] = uint8_t(3 + wing);
    car->wingAngles[wing][1] = uint8_t(20 + wing);
    Draw(INFO_PAGE_DOWNFORCE);
    const ValueControl* row = Bound(37, Bytes() + (wing == AERO_REAR_WING ? SETUP_REAR_WING : SETUP_FRONT_WING));
    ASSERT_NE(row, nullptr) << wing;
    EXPECT_EQ(row->byteMinimum, 3 + wing) << wing;
    EXPECT_EQ(row->byteMaximum, 20 + wing) << wing;
    ++wings;
  }
  EXPECT_EQ(wings, 2);

  // No lift at all: no distribution line.
  for (AeroItem& item : car->aeroItems) item.liftFactor = 0.0f;
  for (const std::string& line : Draw(INFO_PAGE_DOWNFORCE)) EXPECT_EQ(line.find("distribution"), std::string::npos);

  // The speed unit buttons switch the unit, and only the unit in force is lit.
  ASSERT_EQ(SpeedUnitKmh, 1);
  Draw(INFO_PAGE_DOWNFORCE);
  ASSERT_NE(Texted("km/h"), nullptr);
  ASSERT_NE(Texted("mph"), nullptr);
  EXPECT_EQ(Texted("km/h")->colour, &InterfaceColours.textSelected);
  EXPECT_EQ(Texted("mph")->colour, &InterfaceColours.textUnselected);
  Click(Texted("mph"));
  EXPECT_EQ(SpeedUnitKmh, 0);
  EXPECT_TRUE(Has(Draw(INFO_PAGE_DOWNFORCE), Fmt("Estimated maximum speed : %.0f mph", car->topSpeed * 2.237)));
  EXPECT_EQ(Texted("km/h")->colour, &InterfaceColours.textUnselected);
  EXPECT_EQ(Texted("mph")->colour, &InterfaceColours.textSelected);
  Click(Texted("km/h"));
  EXPECT_EQ(SpeedUnitKmh, 1);
}

// The aerodynamic rows stand in the second column, which starts at x = -0.65 + 0.85 = 0.2 and
// is 0.75 wide: the name over its first 0.37 (0.2 .. 0.4775), the lift figure over 0.37 .. 0.68
// (0.4775 .. 0.71) and the drag figure over the rest (0.71 .. 0.95), wide enough for "D : 560 N"
// at 800 x 600, all three on one line, and each row one line (0.07) below the one before.
TEST_F(SetupPages, EachAeroRowsNameLiftAndDragStandSideBySideInTheSecondColumn) {
  Load(RACER);
  Draw(INFO_PAGE_DOWNFORCE);
  int rows = 0;
  float lastTop = 0.0f;
  for (int i = 2; i < ValueControlCount; ++i) {
    const ValueControl& drag = ValueControls[i];
    char out[64];
    if (drag.displayType != VALUE_TYPE_LABEL || !ValueControlText(drag, out, sizeof out) ||
        std::strncmp(out, "D : ", 4) != 0)
      continue;
    const ValueControl& lift = ValueControls[i - 1];
    const ValueControl& name = ValueControls[i - 2];
    char liftText[64];
    ASSERT_TRUE(ValueControlText(lift, liftText, sizeof liftText));
    EXPECT_EQ(std::strncmp(liftText, "L : ", 4), 0) << liftText << " before " << out;
    EXPECT_NEAR(name.left, 0.2f, 1e-5f) << out;
    EXPECT_NEAR(name.right, 0.4775f, 1e-5f) << out;
    EXPECT_NEAR(lift.left, 0.4775f, 1e-5f) << out;
    EXPECT_NEAR(lift.right, 0.71f, 1e-5f) << out;
    EXPECT_NEAR(drag.left, 0.71f, 1e-5f) << out << ": the drag figure begins where the lift ends";
    EXPECT_NEAR(drag.right, 0.95f, 1e-5f) << out << ": and ends at the column's right edge";
    EXPECT_LT(drag.left, drag.right) << out;
    EXPECT_FLOAT_EQ(lift.top, drag.top) << out;
    EXPECT_FLOAT_EQ(name.top, drag.top) << out;
    if (rows > 0) {
      EXPECT_NEAR(drag.top, lastTop + 0.07f, 1e-5f) << out;
    }
    lastTop = drag.top;
    ++rows;
  }
  int present = 0;
  for (const AeroItem& item : car->aeroItems) present += (item.flags & AERO_PRESENT) != 0;
  EXPECT_EQ(rows, present + 1) << "each present item and the total";
}

// The distribution line stands from a total lift of 0.000001 on.  The shares are floats, so
// the least total is the float nearest 0.000001.  One item alone, its centre on the rearmost
// point (lever share f = 0): rear = -(1 - 0) x lift = 0.000001, front = -0 x lift = 0, so the
// total is the limit exactly and the shares are 0 % front, 100 % rear.  A lift one float
// step smaller draws no line.
TEST_F(SetupPages, ADistributionLineStandsForATotalLiftOfExactlyTheLeast) {
  Load(RACER);
  for (AeroItem& item : car->aeroItems) item.flags &= ~AERO_PRESENT;
  AeroItem& wing = car->aeroItems[AERO_REAR_WING];
  wing.flags |= AERO_PRESENT;
  wing.centre.y = car->rearmostY;
  wing.liftFactor = -0.000001f;
  EXPECT_TRUE(Has(Draw(INFO_PAGE_DOWNFORCE), "Downforce distribution : 0.0 F  100.0 R"));

  wing.liftFactor = -std::nextafter(0.000001f, 0.0f);
  for (const std::string& line : Draw(INFO_PAGE_DOWNFORCE))
    EXPECT_EQ(line.find("distribution"), std::string::npos) << line;
}

// How the tyre page's texts are drawn: headings and figure lines left-aligned (label bits 1),
// the selector's choice centred between its arrows (0), the arrows the code page's single angle
// quotes (0x8B left, 0x9B right), the switches plain buttons (VALUE_TYPE_TEXT) with centred text.
TEST_F(SetupPages, LinesAreLeftAlignedChoicesCentredAndArrowsAngleQuotes) {
  Load(RUNABOUT);
  Draw(INFO_PAGE_TYRES);
  const ValueControl* heading = Texted("Front", 15);
  ASSERT_NE(heading, nullptr);
  EXPECT_EQ(heading->label.i & 3, 1) << "left-aligned";
  std::vector<const ValueControl*> arrows;
  for (int i = 0; i < ValueControlCount; ++i)
    if (ValueControls[i].callback == Recorder<3>) arrows.push_back(&ValueControls[i]);
  ASSERT_EQ(arrows.size(), 6u);
  for (size_t k = 0; k < arrows.size(); k += 2) {
    EXPECT_EQ(arrows[k]->minimum.i, 0x8B) << k;
    EXPECT_EQ(arrows[k + 1]->minimum.i, 0x9B) << k;
    const ValueControl& choice = arrows[k][1];
    EXPECT_EQ(choice.displayType, VALUE_TYPE_LABEL) << k;
    EXPECT_EQ(choice.label.i & 3, 0) << k << ": centred";
  }
  const ValueControl* button = Texted("symmetric");
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->label.i & 3, 0) << "centred";
}

// Where the brakes page and the tyres page go on: the driver aids at the top of the second
// column (x -0.65 + 0.85 = 0.2, y -0.7 + 2 x 0.08 + 0.05 = -0.49, below two rows of tabs); the
// tyres page's switches a line (0.07) below the longer of the two axles' columns.
TEST_F(SetupPages, TheAidsStartTheSecondColumnAndTheTyreSwitchesALineBelowTheAxles) {
  Load(RUNABOUT);
  car->options2 |= OPT2_ANTI_LOCK;
  car->lightsAndAids = 0;
  Draw(INFO_PAGE_BRAKES);
  const ValueControl* abs = Texted("ABS", 15);
  ASSERT_NE(abs, nullptr);
  EXPECT_NEAR(abs->left, 0.2f, 1e-5f);
  EXPECT_NEAR(abs->top, -0.49f, 1e-5f);

  RaceSetup.warmStart = 0;
  ASSERT_NE(car->vehicleClass, CLASS_GT);
  ASSERT_NE(car->vehicleClass, CLASS_F1);
  Draw(INFO_PAGE_TYRES);
  const ValueControl* symmetric = Texted("symmetric");
  ASSERT_NE(symmetric, nullptr);
  float columns = -1.0f;  // the lowest edge of everything drawn before the switches
  for (const ValueControl* c = ValueControls; c < symmetric; ++c) columns = std::max(columns, c->bottom);
  // The lowest line's text box (0.072 high) ends 0.002 past its step of 0.07.
  EXPECT_NEAR(symmetric->top, columns - 0.072f + 2 * 0.07f, 1e-5f);
}

// The estimated top speed and its unit buttons stand only for a speed above 1 m/s: at exactly
// 1 m/s neither; just above it, the line (1.01 m/s x 3.6 = 3.6 km/h, shown "4 km/h") and both
// buttons.
TEST_F(SetupPages, TheTopSpeedLineStandsOnlyForASpeedAboveOneMetreASecond) {
  Load(RACER);
  car->topSpeed = 1.0f;
  std::vector<std::string> lines = Draw(INFO_PAGE_DOWNFORCE);
  for (const std::string& line : lines) EXPECT_EQ(line.find("Estimated maximum speed"), std::string::npos) << line;
  EXPECT_EQ(Texted("km/h"), nullptr);
  EXPECT_EQ(Texted("mph"), nullptr);
  car->topSpeed = 1.01f;
  lines = Draw(INFO_PAGE_DOWNFORCE);
  EXPECT_TRUE(Has(lines, "Estimated maximum speed : 4 km/h"));
  EXPECT_NE(Texted("km/h"), nullptr);
  EXPECT_NE(Texted("mph"), nullptr);
}

// The tyre page's selectors step by their words, the left arrow first: the maker's 4 and 5,
// then the front compound's 2 and 3 and the rear's 0 and 1; each arrow sits at its end of the
// selector's span (the maker's from 0.45 of the row on), the choice between them.
TEST_F(SetupPages, TheTyreSelectorsStepByTheirWordsFromTheirEnds) {
  Load(RUNABOUT);
  Draw(INFO_PAGE_TYRES);
  std::vector<const ValueControl*> arrows;
  for (int i = 0; i < ValueControlCount; ++i)
    if (ValueControls[i].callback == Recorder<3>) arrows.push_back(&ValueControls[i]);
  ASSERT_EQ(arrows.size(), 6u);
  std::vector<uintptr_t> words;
  for (const ValueControl* c : arrows) words.push_back(reinterpret_cast<uintptr_t>(c->variable));
  EXPECT_EQ(words, (std::vector<uintptr_t>{4, 5, 2, 3, 0, 1}));
  // The maker's selector in the first column (from -0.65): its span runs from
  // -0.65 + 0.45 x 0.75 = -0.3125 to -0.65 + 0.75 = 0.1, arrows 0.06 wide.
  EXPECT_NEAR(arrows[0]->left, -0.3125f, 1e-5f);
  EXPECT_NEAR(arrows[0]->right, -0.2525f, 1e-5f);
  EXPECT_NEAR(arrows[1]->left, 0.04f, 1e-5f);
  EXPECT_NEAR(arrows[1]->right, 0.1f, 1e-5f);
  // The rear's in the second column (from 0.2): 0.2 to 0.26 and 0.89 to 0.95.
  EXPECT_NEAR(arrows[4]->left, 0.2f, 1e-5f);
  EXPECT_NEAR(arrows[4]->right, 0.26f, 1e-5f);
  EXPECT_NEAR(arrows[5]->left, 0.89f, 1e-5f);
  EXPECT_NEAR(arrows[5]->right, 0.95f, 1e-5f);
  for (const ValueControl* c : arrows) EXPECT_NEAR(c->bottom - c->top, 0.072f, 1e-5f) << "a line's text box high";
  for (const size_t k : {0u, 2u, 4u}) EXPECT_FLOAT_EQ(arrows[k]->top, arrows[k + 1]->top) << "on one line";
  Calls().clear();
  Click(arrows[1]);
  ASSERT_EQ(Calls().size(), 1u);
  EXPECT_EQ(Calls()[0].handler, "tyre");
  EXPECT_EQ(Calls()[0].word, 5);
  EXPECT_EQ(Calls()[0].owner, &owner);
}

// A seat's name takes the left 0.4 of its row, its three buttons the rest to the right.
TEST_F(SetupPages, ASeatsNameTakesTheLeftOfItsRowBeforeItsButtons) {
  Load(RUNABOUT);
  Draw(INFO_PAGE_PASSENGERS);
  int seats = 0;
  for (int i = 0; i < ValueControlCount; ++i) {
    const ValueControl& c = ValueControls[i];
    char out[64];
    if (c.displayType != VALUE_TYPE_LABEL || !ValueControlText(c, out, sizeof out)) continue;
    const std::string text = out;
    if (text != "front" && text.rfind("rear", 0) != 0) continue;
    ++seats;
    EXPECT_LT(c.left, c.right) << text;
    const ValueControl& none = ValueControls[i + 1];
    EXPECT_NEAR(none.left, c.right, 1e-5f) << text << ": the first button begins where the name ends";
  }
  EXPECT_GT(seats, 0);
}

TEST_F(SetupPages, PassengerSeatsFollowTheCarsSeatsAndCallWithSeatAndKind) {
  Load(RUNABOUT);
  SetSetupWord(car->currentSetup, SETUP_PASSENGERS, 1u | 2u << 2 | 1u << 6);
  const std::vector<std::string> row = {"none", "man", "woman"};
  std::vector<std::string> expected;
  for (const char* seat : {"front", "rear left", "rear right", "rear middle"}) {
    expected.push_back(seat);
    expected.insert(expected.end(), row.begin(), row.end());
  }
  EXPECT_EQ(Draw(INFO_PAGE_PASSENGERS), expected);
  car->seatsPerRow = 2;
  EXPECT_EQ(Draw(INFO_PAGE_PASSENGERS).size(), 12u);
  car->seatsPerRow = 1;
  std::vector<std::string> lines = Draw(INFO_PAGE_PASSENGERS);
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[4], "rear middle");
  // "woman" of the rear left seat: seat 1 x 4 + 2.
  car->seatsPerRow = 3;
  Draw(INFO_PAGE_PASSENGERS);
  // Each seat's kind lit, and only it: seats 0 (front), 1 (rear left), 2 (rear middle) and 3
  // (rear right) hold a man, a woman, nobody and a man; the rows run front, rear left, rear
  // right, rear middle.
  {
    const int kinds[4] = {1, 2, 1, 0};
    int k = 0;
    for (int i = 0; i < ValueControlCount; ++i) {
      char out[64];
      const ValueControl& c = ValueControls[i];
      if (c.displayType != VALUE_TYPE_TEXT || !ValueControlText(c, out, sizeof out)) continue;
      const std::string text = out;
      if (text != "none" && text != "man" && text != "woman") continue;
      EXPECT_EQ(c.colour == &InterfaceColours.textSelected, k % 3 == kinds[k / 3]) << "seat " << k / 3 << ", " << text;
      ++k;
    }
    EXPECT_EQ(k, 12);
  }
  int womanButtons = 0;
  for (int i = 0; i < ValueControlCount; ++i) {
    char out[64];
    const ValueControl& c = ValueControls[i];
    if (c.displayType == VALUE_TYPE_TEXT && ValueControlText(c, out, sizeof out) && std::strcmp(out, "woman") == 0 &&
        ++womanButtons == 2) {
      EXPECT_EQ(c.colour, &InterfaceColours.textSelected) << "the seat's kind lit";
      Click(&c);
      break;
    }
  }
  ASSERT_EQ(Calls().size(), 1u);
  EXPECT_EQ(Calls()[0].handler, "passengers");
  EXPECT_EQ(Calls()[0].word, 1 * 4 + 2);
  EXPECT_EQ(Calls()[0].owner, &owner);
  // No seats: nothing.
  Load(RACER);
  EXPECT_TRUE(Draw(INFO_PAGE_PASSENGERS).empty());
}

TEST_F(SetupPages, ArrowsStepTheFieldByTheRowsMappingAndCallTheOwner) {
  Load(RUNABOUT);
  // Brake balance: one byte up (left click), ten up (right click), within 5..95.
  Bytes()[SETUP_BRAKE_BALANCE] = 60;
  Draw(INFO_PAGE_BRAKES);
  Click(Bound(40, Bytes() + SETUP_BRAKE_BALANCE));
  EXPECT_EQ(Bytes()[SETUP_BRAKE_BALANCE], 61);
  ASSERT_EQ(Calls().size(), 1u);
  EXPECT_EQ(Calls()[0].handler, "setup");
  Bytes()[SETUP_BRAKE_BALANCE] = 90;
  Draw(INFO_PAGE_BRAKES);
  Click(Bound(40, Bytes() + SETUP_BRAKE_BALANCE), 2);
  EXPECT_EQ(Bytes()[SETUP_BRAKE_BALANCE], 95);
  // Rear stiffness: one step of 1000 N/m down, held at its least (a tenth of the most).
  const int spring = SETUP_AXLE[0] + AXLE_SPRING;
  const double least = (1.0 + std::trunc(0.0011 * DesignLoad())) * 1000.0;
  SetSetupFloat(car->currentSetup, spring, static_cast<float>(least + 3400.0));
  Draw(INFO_PAGE_SUSPENSION);
  Click(Bound(45, Bytes() + spring));
  EXPECT_NEAR(SetupFloat(car->currentSetup, spring), std::round((least + 3400.0) / 1000.0) * 1000.0 - 1000.0, 1e-3);
  Draw(INFO_PAGE_SUSPENSION);
  Click(Bound(45, Bytes() + spring), 2);
  EXPECT_NEAR(SetupFloat(car->currentSetup, spring), least, 1e-3);
  EXPECT_EQ(Calls().back().handler, "setup");
  // A gear: the scaled word one step up.
  const uint16_t word = SetupShort(car->currentSetup, SETUP_GEAR_WORDS);
  Draw(INFO_PAGE_FINAL_DRIVE);
  Click(Bound(42, Bytes() + SETUP_GEAR_WORDS));
  EXPECT_GT(SetupShort(car->currentSetup, SETUP_GEAR_WORDS), word);
  // The selectors and switches call their owner's handlers with their words.
  Calls().clear();
  Draw(INFO_PAGE_TYRES);
  Click(Texted("symmetric"));
  Draw(INFO_PAGE_TYRES);
  Click(Texted("[psi]"));
  EXPECT_EQ(PressureUnitBar, 0);
  ASSERT_EQ(Calls().size(), 1u);
  EXPECT_EQ(Calls()[0].handler, "switch");
  EXPECT_EQ(Calls()[0].word, 1);
}

TEST_F(SetupPages, ASetupFloatThatIsNotANumberShowsAsTheRowsLeastValue) {
  Load(RUNABOUT);
  SetSetupFloat(car->currentSetup, SETUP_BRAKE_STRENGTH, NAN);
  SetSetupFloat(car->currentSetup, SETUP_AXLE[1] + AXLE_SPRING, INFINITY);
  for (const int page : {INFO_PAGE_BRAKES, INFO_PAGE_SUSPENSION})
    for (const std::string& line : Draw(page)) {
      EXPECT_EQ(line.find("nan"), std::string::npos) << line;
      EXPECT_EQ(line.find("inf"), std::string::npos) << line;
    }
  EXPECT_FLOAT_EQ(SetupFloat(car->currentSetup, SETUP_BRAKE_STRENGTH), 0.24f * BrakeTorqueBound(*car));
}

// A wreck's negative mass under zero-radius tyres: the grip torque 0.41 x (a negative load) x 0
// is a negative zero, and the bound is a plain zero, never "-0", in the row or in the brake
// strength a non-number is mended to (0.24 x 0).
TEST_F(SetupPages, TheBrakeBoundOfANegativeLoadOnTyresWithoutRadiusIsAPlainZero) {
  Load(RUNABOUT);
  car->massWithoutOccupants = -1.0e6f;
  car->wheelSets[0].rollingRadius = 0.0f;
  car->wheelSets[1].rollingRadius = 0.0f;
  // (-1e6 + at most 5 x 70 kg) x 9.81 less any downforce: about -9.8e6 N.
  ASSERT_LT(DesignLoad(), -9.0e6);
  const float bound = BrakeTorqueBound(*car);
  EXPECT_EQ(bound, 0.0f);
  EXPECT_FALSE(std::signbit(bound));
  SetSetupFloat(car->currentSetup, SETUP_BRAKE_STRENGTH, NAN);
  EXPECT_TRUE(Has(Draw(INFO_PAGE_BRAKES), "Maximum Per Wheel 0 Nm"));
  const float mended = SetupFloat(car->currentSetup, SETUP_BRAKE_STRENGTH);
  EXPECT_EQ(mended, 0.0f);
  EXPECT_FALSE(std::signbit(mended));
}

TEST_F(SetupPages, ATypedValueGoesThroughTheRowsMappingAndOneBeyondItIsRefused) {
  Load(RUNABOUT);
  car->lightsAndAids = AID_TRACTION_CONTROL;
  Bytes()[SETUP_FLAGS] = SETUP_FLAG_KEEP | SETUP_FLAG_TRACTION;
  Bytes()[SETUP_TRACTION_SLIP] = 50;
  Draw(INFO_PAGE_BRAKES);
  // The entry a right click on the slip row's bar opens, as the interface fills it in.
  const ValueControl* bar = Bound(37, Bytes() + SETUP_TRACTION_SLIP);
  ASSERT_NE(bar, nullptr);
  TypedEntryRequest r{};
  r.variable = bar->variable;
  r.typeOrStyle = bar->displayType;
  r.minimum = bar->minimum.f;
  r.maximum = bar->maximum.f;
  r.label = bar->label.text;
  r.byteMinimum = bar->byteMinimum;
  r.byteMaximum = bar->byteMaximum;
  r.callback = bar->callback;
  TypedEntry = r;
  CommitTypedMappedByte(nullptr, "5.5", 37);
  EXPECT_EQ(Bytes()[SETUP_TRACTION_SLIP], 55) << "2.0..20.0 over 20..200";
  ASSERT_EQ(Calls().size(), 1u);
  EXPECT_EQ(Calls()[0].handler, "setup");
  TypedEntry = r;
  CommitTypedMappedByte(nullptr, "25", 37);
  EXPECT_EQ(Bytes()[SETUP_TRACTION_SLIP], 55);
  EXPECT_EQ(Calls().size(), 1u);
  // Without a screen to hold a box the refusal is the message line.
  ASSERT_GT(MessageLineCount, 0);
  EXPECT_NE(std::strstr(MessageLines[MessageLineCount - 1].text, "New value is too high"), nullptr);
}

// The maker byte names one of the seven makers (6, the last, is "Vireo"); a byte of 7 shows
// "?".  A compound byte past the last (7, knobbly) shows the last.  The live camber line gives
// the left wheel's lean first and the right wheel's second, each from its own spin axis.
TEST_F(SetupPages, TyresShowTheLastMakerAndCompoundAtTheirEndsAndEachWheelsOwnCamber) {
  Load(RACER);
  Bytes()[SETUP_TYRE_MAKER] = 6;
  Bytes()[SETUP_AXLE[0] + AXLE_TYRE_TYPE] = 9;
  Bytes()[SETUP_AXLE[1] + AXLE_TYRE_TYPE] = 0;
  const SuspensionBlock& front = car->wheelSets[1];
  CarWheel& left = car->wheels[front.leftWheel - 1];
  CarWheel& right = car->wheels[front.rightWheel - 1];
  ASSERT_NE(front.leftWheel, front.rightWheel);
  // Leaning out by asin 0.05 = +2.87 degrees on the left, in by asin 0.02 = -1.15 on the right.
  left.spinAxis.z = left.side > 0.0f ? -0.05f : 0.05f;
  right.spinAxis.z = right.side > 0.0f ? 0.02f : -0.02f;
  std::vector<std::string> lines = Draw(INFO_PAGE_TYRES);
  EXPECT_TRUE(Has(lines, "Vireo"));
  EXPECT_FALSE(Has(lines, "?"));
  EXPECT_TRUE(Has(lines, "Front")) << "each axle's column under its heading";
  EXPECT_TRUE(Has(lines, "Rear"));
  EXPECT_TRUE(Has(lines, "KNOBBLY"));
  EXPECT_TRUE(Has(lines, "SLICK_R1"));
  EXPECT_TRUE(Has(lines, "Optimum temperature 40\260"));
  EXPECT_TRUE(Has(lines, "live (L / R) +2.87\260 / -1.15\260"));
  left.spinAxis.z = left.side > 0.0f ? -1.5f : 1.5f;  // past one: the lean held at 90 degrees
  EXPECT_NEAR(LiveCamberDegrees(*car, front.leftWheel - 1), 90.0f, 1e-3f);
  left.spinAxis.z = left.side > 0.0f ? 1.5f : -1.5f;
  EXPECT_NEAR(LiveCamberDegrees(*car, front.leftWheel - 1), -90.0f, 1e-3f);
  Bytes()[SETUP_TYRE_MAKER] = 7;
  lines = Draw(INFO_PAGE_TYRES);
  EXPECT_TRUE(Has(lines, "?"));
  EXPECT_FALSE(Has(lines, "Vireo"));
  // "symmetric" switches with word 1, "asymmetric" with word 0.
  for (const auto& [text, word] : {std::pair{"symmetric", 1}, {"asymmetric", 0}}) {
    Calls().clear();
    Draw(INFO_PAGE_TYRES);
    Click(Texted(text));
    ASSERT_EQ(Calls().size(), 1u) << text;
    EXPECT_EQ(Calls()[0].handler, "switch");
    EXPECT_EQ(Calls()[0].word, word) << text;
  }
}

// A differential byte past the last kind shows the last, "CLUTCH PACK LSD" (without the
// limited slip's rows); a gear count past the seven forward gears shows seven gear rows.
TEST_F(SetupPages, FinalDriveHoldsTheDifferentialKindAndTheGearCountToTheirLast) {
  Load(RUNABOUT);  // front drive
  Bytes()[SETUP_AXLE[1] + AXLE_DIFFERENTIAL] = 7;
  car->gearCount = 12;
  const std::vector<std::string> lines = Draw(INFO_PAGE_FINAL_DRIVE);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0], "Front");
  EXPECT_EQ(lines[1], "CLUTCH PACK LSD");
  static const char* const GEARS[] = {"First ", "Second ", "Third ", "Fourth ", "Fifth ", "Sixth ", "Seventh "};
  int gears = 0;
  for (const std::string& line : lines)
    for (const char* gear : GEARS) gears += line.rfind(gear, 0) == 0;
  EXPECT_EQ(gears, 7);
  EXPECT_EQ(lines.back().rfind("Final Drive Ratio", 0), 0u);
  // No row past the seventh: the controls on the final drive's word are the same as with
  // exactly seven gears (an eighth gear's word would be the final drive's, bytes 30-31).
  const auto boundToFinalDrive = [&] {
    int n = 0;
    for (int i = 0; i < ValueControlCount; ++i) n += ValueControls[i].variable == Bytes() + SETUP_FINAL_DRIVE;
    return n;
  };
  const int withTwelve = boundToFinalDrive();
  car->gearCount = 9;
  EXPECT_EQ(Draw(INFO_PAGE_FINAL_DRIVE).size(), lines.size());
  EXPECT_EQ(boundToFinalDrive(), withTwelve);
}

// The figures' own ends: no top speed for a gear past the seventh (whose word would be the
// final drive's), none for gear -1; no live camber for the wheel one past the car's last,
// nor for wheel -1, while the first wheel shows its own.
TEST_F(SetupPages, GearSpeedsAndLiveCamberEndAtTheLastGearAndWheel) {
  Load(ESTATE);
  car->engine.redline = 700.0f;
  for (int gear = 0; gear < 7; ++gear) SetSetupShort(car->currentSetup, SETUP_GEAR_WORDS + 2 * gear, 20000);
  SetSetupShort(car->currentSetup, SETUP_FINAL_DRIVE, 20000);
  const double ratio = 20000 * 7.0 / 65534.0 + 0.5;
  car->wheelSets[0].rollingRadius = 0.3f;  // the rear wheels drive the figure, not the front's
  car->wheelSets[1].rollingRadius = 0.25f;
  EXPECT_NEAR(GearTopSpeed(*car, 6), 700.0 / (ratio * ratio) * 0.3, 1e-3);
  EXPECT_EQ(GearTopSpeed(*car, 7), 0.0f);
  EXPECT_EQ(GearTopSpeed(*car, -1), 0.0f);
  car->wheelCount = 3;  // the table's fourth wheel is past the car's last
  const int wheels = 3;
  car->wheels[wheels].side = 1.0f;
  car->wheels[wheels].spinAxis.z = -0.5f;  // a lean of 30 degrees, were it a wheel
  EXPECT_EQ(LiveCamberDegrees(*car, wheels), 0.0f);
  car->wheels[wheels - 1].side = 1.0f;
  car->wheels[wheels - 1].spinAxis.z = -0.5f;
  EXPECT_NEAR(LiveCamberDegrees(*car, wheels - 1), 30.0f, 1e-3f);
  EXPECT_EQ(LiveCamberDegrees(*car, -1), 0.0f);
  // The first wheel has its own: on the other side the same axis (z -0.5) is the opposite
  // lean, asin -0.5 = -30 degrees.
  car->wheels[0].side = -1.0f;
  car->wheels[0].spinAxis.z = -0.5f;
  EXPECT_NEAR(LiveCamberDegrees(*car, 0), -30.0f, 1e-3f);
}

// The gear rows and the final drive follow the differentials down the first column and go on
// at the top of the second where the next would reach below the screen.  The four-wheel-drive car with open
// differentials, by hand in panel units from the page's top at -0.49: three headings and three
// selectors (6 x 0.07) and the front split row (0.4) end at 0.33; the first gear row runs to
// 0.73, its label a line's text box (0.072) high above its band (from 0.33 + 0.4 - 0.3 - 0.072
// = 0.358); the second would end at 1.13, past the bottom at 1.0, so it starts the second
// column (x 0.2) at -0.49 (its label at -0.462), and the third follows it at -0.09 (-0.062).
TEST_F(SetupPages, TheFinalDriveRowThatWouldPassTheBottomStartsTheSecondColumn) {
  Load(ESTATE);
  ASSERT_EQ(car->driveType, DRIVE_FOUR);
  ASSERT_GE(car->gearCount - Car::FIRST_GEAR_SLOT, 3);
  for (const int axle : {0, 1}) Bytes()[SETUP_AXLE[axle] + AXLE_DIFFERENTIAL] = DIFF_OPEN;
  Bytes()[SETUP_CENTRE_DIFFERENTIAL] = 0;
  Draw(INFO_PAGE_FINAL_DRIVE);
  const auto row = [](const char* start) -> const ValueControl* {
    for (int i = 0; i < ValueControlCount; ++i) {
      char text[256];
      if (ValueControls[i].displayType == VALUE_TYPE_LABEL && ValueControlText(ValueControls[i], text, sizeof text) &&
          std::string(text).rfind(start, 0) == 0)
        return &ValueControls[i];
    }
    return nullptr;
  };
  const ValueControl* first = row("First ");
  const ValueControl* second = row("Second ");
  const ValueControl* third = row("Third ");
  ASSERT_TRUE(first && second && third);
  EXPECT_NEAR(first->left, -0.65f, 1e-5f);
  EXPECT_NEAR(first->top, 0.358f, 1e-5f);
  EXPECT_NEAR(second->left, 0.2f, 1e-5f);
  EXPECT_NEAR(second->top, -0.462f, 1e-5f);
  EXPECT_NEAR(third->left, 0.2f, 1e-5f);
  EXPECT_NEAR(third->top, -0.062f, 1e-5f);

  // The front-drive car with three gears: a heading and a selector end at -0.35, the gears
  // run from -0.35, 0.05 and 0.45 to 0.85, their labels from 0.028 below; the final drive would
  // end at 1.25, so it starts the second column.
  Load(RUNABOUT);
  ASSERT_EQ(car->driveType, DRIVE_FRONT);
  car->gearCount = uint8_t(Car::FIRST_GEAR_SLOT + 3);
  Bytes()[SETUP_AXLE[1] + AXLE_DIFFERENTIAL] = DIFF_OPEN;
  Draw(INFO_PAGE_FINAL_DRIVE);
  const ValueControl* last = row("Third ");
  const ValueControl* final = row("Final Drive Ratio");
  ASSERT_TRUE(last && final);
  EXPECT_NEAR(last->left, -0.65f, 1e-5f);
  EXPECT_NEAR(last->top, 0.478f, 1e-5f);
  EXPECT_NEAR(final->left, 0.2f, 1e-5f);
  EXPECT_NEAR(final->top, -0.462f, 1e-5f);
}

// The front seat's row stands only beside a driver off the centre line (0.2 m out or more) of a
// car with a front passenger seat, the rear rows only with a back seat.
TEST_F(SetupPages, TheFrontSeatNeedsADriverOffCentreAndTheRearRowsABackSeat) {
  Load(RUNABOUT);
  ASSERT_TRUE(car->options & OPT1_FRONT_PASSENGER);
  ASSERT_TRUE(car->options & OPT1_BACK_SEAT);
  const std::vector<std::string> row = {"none", "man", "woman"};
  const auto rows = [&](std::initializer_list<const char*> seats) {
    std::vector<std::string> out;
    for (const char* seat : seats) {
      out.push_back(seat);
      out.insert(out.end(), row.begin(), row.end());
    }
    return out;
  };
  car->driverPosition.x = 0.19f;  // a central driver: no one beside him
  EXPECT_EQ(Draw(INFO_PAGE_PASSENGERS), rows({"rear left", "rear right", "rear middle"}));
  car->driverPosition.x = -0.2f;
  EXPECT_EQ(Draw(INFO_PAGE_PASSENGERS), rows({"front", "rear left", "rear right", "rear middle"}));
  car->options &= ~OPT1_BACK_SEAT;
  EXPECT_EQ(Draw(INFO_PAGE_PASSENGERS), rows({"front"}));
}

// The camber rows stand for a paired axle of a known suspension kind: the last kind (5, the
// trailing arm, an absolute camber) has them, a kind byte one past it none; each axle has its
// column.
TEST_F(SetupPages, TheCamberRowsStandOnlyForAKnownSuspensionKindInItsAxlesColumn) {
  Load(RUNABOUT);
  ASSERT_TRUE(car->wheelSets[1].paired && car->wheelSets[0].paired);
  const auto cambers = [&] {
    int n = 0;
    for (const std::string& line : Draw(INFO_PAGE_TYRES)) n += line.rfind("Camber (left / right)", 0) == 0;
    return n;
  };
  car->wheelSets[0].suspensionType = SUSPENSION_TRAILING_ARM;
  car->wheelSets[1].suspensionType = SUSPENSION_TRAILING_ARM;
  EXPECT_EQ(cambers(), 2);
  car->wheelSets[1].suspensionType = SUSPENSION_TYPE_COUNT;
  EXPECT_EQ(cambers(), 1);
  // The front axle's column stands at the panel's left (-0.65), the rear's at the second
  // column (0.2), both from the same top.
  const ValueControl *front = nullptr, *rear = nullptr;
  for (int i = 0; i < ValueControlCount; ++i) {
    char text[64];
    if (ValueControls[i].displayType != VALUE_TYPE_LABEL || !ValueControlText(ValueControls[i], text, sizeof text))
      continue;
    if (std::strcmp(text, "Front") == 0) front = &ValueControls[i];
    if (std::strcmp(text, "Rear") == 0) rear = &ValueControls[i];
  }
  ASSERT_TRUE(front && rear);
  EXPECT_NEAR(front->left, -0.65f, 1e-5f);
  EXPECT_NEAR(rear->left, 0.2f, 1e-5f);
  EXPECT_EQ(front->top, rear->top);
}
