// controls_test.cpp - the controls: devices polled into the axis and button tables
// (SDL's virtual joysticks stand in for them), the control and axis tables, pedals, and the
// force-feedback set-up through the recording haptic calls.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "core/config.h"
#include "core/controls.h"
#include "core/frame_globals.h"
#include "core/log.h"
#include "platform/haptic_recorder.h"
#include "report_recorder.h"
#include "tests/platform/virtual_joystick.h"

namespace {

// The player's gearbox option, as the front end's player file would give it.
int g_gearbox;
int TestGearbox() { return g_gearbox; }

class Controls : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    folder_ = std::filesystem::current_path() / "controls" / (std::string(info->test_suite_name()) + "." + info->name());
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(folder_);
    LoggingEnabled = 1;
    SetLogFileName("");
    CfgShiftDebounce = 20;
    CfgCombinedNonLinear = 0.0f;
    FrameTime = 5;
    g_gearbox = 0;
    PlayerGearbox = TestGearbox;
    PlatformRecordHaptics(&haptics_);
    ASSERT_EQ(PlatformControllersStart(), 1);  // virtual devices need SDL's joysticks up
  }

  void TearDown() override {
    sticks_.clear();
    ReleaseControls();
    SetControlStartValues();
    PlatformControllersStop();
    PlatformRecordHaptics(nullptr);
    PlayerGearbox = nullptr;
    std::filesystem::current_path(previous_);
  }

  // Attaches a device; Start() then finds every device attached.
  VirtualJoystick& Attach(int axes, int buttons, int hats, const char* name = "Test Stick") {
    sticks_.push_back(std::make_unique<VirtualJoystick>(axes, buttons, hats, name));
    return *sticks_.back();
  }
  void Start() {
    InitControls();
    haptics_.calls.clear();
  }
  int Poll() {
    ControlsPolledThisFrame = 0;
    return PollDevices();
  }

  // The texts of the lines reported to the user.
  static std::vector<std::string> Messages() {
    std::vector<std::string> out;
    for (const std::string& line : ReportRecorder::Reports().lines)
      out.push_back(line.substr(line.find('|', line.find('|') + 1) + 1));
    return out;
  }
  static void ResetMessages() { ReportRecorder::Reports() = RecordedReports{}; }
  static bool Shown(const std::string& text) {
    for (const std::string& m : Messages())
      if (m == text) return true;
    return false;
  }
  static std::string Log() {
    std::ifstream in("deb.log");
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  HapticRecorder haptics_;
  std::vector<std::unique_ptr<VirtualJoystick>> sticks_;
  ReportRecorder recorder_;
  std::filesystem::path folder_, previous_;
};

// ---- Devices into the tables ----

TEST_F(Controls, AxesReachTheAxisTableScaledToAThousand) {
  VirtualJoystick& stick = Attach(3, 4, 0);
  Start();
  ASSERT_EQ(ControllerDeviceCount, 1);
  EXPECT_EQ(AxisValueCount, 3);
  stick.Axis(0, -32768);
  stick.Axis(1, 0);
  stick.Axis(2, 32767);
  EXPECT_EQ(Poll(), 1);
  EXPECT_EQ(AxisValues[0].value, -1000);
  EXPECT_EQ(AxisValues[1].value, 0);
  EXPECT_EQ(AxisValues[2].value, 1000);
  EXPECT_EQ(AxisValues[2].device, 0);
  EXPECT_TRUE(Log().find("controller 1 : Test Stick - 3 axes, 4 buttons, 0 hats") != std::string::npos);
}

TEST_F(Controls, AButtonHeldFiveMillisecondsStaysPressedForTheDebounceTime) {
  VirtualJoystick& stick = Attach(2, 8, 0);
  Start();
  AssignControlKey2(CONTROL_TALK, 3);
  stick.Button(3, true);
  Poll();
  EXPECT_EQ(ButtonCountdowns[3], 20);
  stick.Button(3, false);  // released 5 ms later
  int pressedFrames = 0;
  for (int frame = 0; frame < 10 && ButtonPressed(ControlTable[CONTROL_TALK].button); ++frame) {
    Poll();
    pressedFrames += ButtonPressed(3);
  }
  // 15, 10 and 5 ms left, then the frame times add up to the 20 ms of "Shift Debounce ".
  EXPECT_EQ(pressedFrames, 3);
  EXPECT_EQ(ButtonCountdowns[3], 0);
  // A long frame never wraps the countdown round.
  stick.Button(3, true);
  Poll();
  stick.Button(3, false);
  FrameTime = 2000;
  Poll();
  EXPECT_EQ(ButtonCountdowns[3], 0);
}

TEST_F(Controls, HatDirectionsAreFourButtonsAndADiagonalPressesNone) {
  VirtualJoystick& stick = Attach(2, 4, 2);
  Start();
  const int hat0 = ControllerDevices[0].buttonBase + CONTROLLER_BUTTONS;
  EXPECT_EQ(ButtonEntryCount, CONTROLLER_BUTTONS + 8);
  stick.Hat(0, SDL_HAT_UP);
  stick.Hat(1, SDL_HAT_LEFT);
  Poll();
  EXPECT_TRUE(ButtonPressed(hat0 + 0));  // direction 0
  for (int d = 1; d < 4; ++d) EXPECT_FALSE(ButtonPressed(hat0 + d)) << d;
  EXPECT_TRUE(ButtonPressed(hat0 + 4 + 3));  // the second hat at 27000
  FrameTime = 100;
  stick.Hat(0, SDL_HAT_RIGHTUP);
  Poll();
  for (int d = 0; d < 4; ++d) EXPECT_FALSE(ButtonPressed(hat0 + d)) << d;
}

TEST_F(Controls, TwoDevicesTakeConsecutiveButtonBasesAndAxisIndices) {
  Attach(3, 5, 1, "Wheel");
  VirtualJoystick& pedals = Attach(2, 2, 0, "Pedals");
  Start();
  ASSERT_EQ(ControllerDeviceCount, 2);
  EXPECT_EQ(ControllerDevices[0].buttonBase, 0);
  EXPECT_EQ(ControllerDevices[1].buttonBase, CONTROLLER_BUTTONS + 4);
  EXPECT_EQ(ControllerDevices[0].axisBase, 0);
  EXPECT_EQ(ControllerDevices[1].axisBase, 3);
  EXPECT_EQ(AxisValueCount, 5);
  EXPECT_EQ(ButtonEntryCount, 2 * CONTROLLER_BUTTONS + 4);
  pedals.Axis(1, 32767);
  pedals.Button(1, true);
  Poll();
  EXPECT_EQ(AxisValues[4].value, 1000);
  EXPECT_EQ(AxisValues[4].device, 1);
  EXPECT_TRUE(ButtonPressed(CONTROLLER_BUTTONS + 4 + 1));
}

TEST_F(Controls, ADeviceDetachedMidRunDropsOut) {
  VirtualJoystick& wheel = Attach(3, 5, 0, "Wheel");
  VirtualJoystick& pedals = Attach(2, 2, 0, "Pedals");
  Start();
  AssignAxis(AXIS_COMBINED, 4);
  pedals.Axis(1, -32768);
  EXPECT_EQ(Poll(), 1);
  wheel.Detach();
  // The next poll finds the devices again: the pedals are the only device now.
  EXPECT_EQ(Poll(), 1);
  ASSERT_EQ(ControllerDeviceCount, 1);
  EXPECT_STREQ(ControllerDevices[0].name, "Pedals");
  EXPECT_EQ(AxisValueCount, 2);
  EXPECT_EQ(AxisValues[1].value, -1000);
  // A binding past the table reads nothing rather than stale memory.
  EXPECT_EQ(ReadAxisSigned(4, -1000, 1000), 0.0f);
  pedals.Detach();
  EXPECT_EQ(Poll(), 0);
  EXPECT_EQ(ControllerDeviceCount, 0);
  EXPECT_FALSE(ButtonPressed(0));
}

TEST_F(Controls, WithNoDeviceNothingIsReadAndNothingIsSaid) {
  Start();
  EXPECT_EQ(ControllerDeviceCount, 0);
  EXPECT_EQ(Poll(), 0);
  EXPECT_TRUE(Messages().empty());
  EXPECT_TRUE(haptics_.calls.empty());
  ReadPedals();
  EXPECT_EQ(PedalValues[PEDAL_THROTTLE], 0.0f);
}

// ---- Controls and axes ----

TEST_F(Controls, StartKeysAndOneControlPerKeyOrButton) {
  SetControlStartValues();
  const int START[][2] = {{0, 'J'}, {1, 'K'}, {4, 1}, {5, 2}, {6, 'S'}, {9, 'Q'}, {15, ' '}, {19, '5'}, {20, '6'}};
  for (const auto& s : START) EXPECT_EQ(ControlTable[s[0]].key, s[1]) << s[0];
  EXPECT_EQ(ControlTable[2].key, CONTROL_NONE);
  EXPECT_EQ(ControlTable[21].key, CONTROL_NONE);
  EXPECT_EQ(ControlTable[0].button, CONTROL_NONE);
  EXPECT_STREQ(ControlNames[0], "steer_left");
  EXPECT_STREQ(ControlNames[36], "gear_7");

  EXPECT_EQ(AssignControlKey(3, 'Q'), CONTROL_COUNT);
  EXPECT_EQ(ControlTable[3].key, 'Q');
  EXPECT_EQ(ControlTable[9].key, CONTROL_NONE);

  EXPECT_EQ(AssignControlKey2(37, 12), CONTROL_COUNT);
  AssignControlKey2(49, 12);
  EXPECT_EQ(ControlTable[49].button, 12);
  EXPECT_EQ(ControlTable[37].button, CONTROL_NONE);
  AssignControlKey2(37, -1);  // none takes nothing from the others
  EXPECT_EQ(ControlTable[49].button, 12);
  AssignControlKey2(20, 3);
  EXPECT_EQ(AssignControlKey2(CONTROL_COUNT, 3), CONTROL_COUNT);  // out of range: no change
  EXPECT_EQ(ControlTable[20].button, 3) << "a control past the table takes nothing from the others";
  // Key 0 and button 0 are real inputs, not "none": they move from control to control too.
  AssignControlKey(3, 0);
  EXPECT_EQ(ControlTable[3].key, 0);
  AssignControlKey(8, 0);
  EXPECT_EQ(ControlTable[8].key, 0);
  EXPECT_EQ(ControlTable[3].key, CONTROL_NONE);
  AssignControlKey2(CONTROL_COUNT - 1, 0);
  EXPECT_EQ(ControlTable[CONTROL_COUNT - 1].button, 0);
  AssignControlKey2(-1, 12);  // below the table: no change
  EXPECT_EQ(ControlTable[49].button, 12);
  // A button is pressed only inside the table of the devices' buttons.
  ButtonEntryCount = 5;
  ButtonCountdowns[4] = 3;
  ButtonCountdowns[5] = 3;
  EXPECT_EQ(ButtonPressed(4), 1);
  EXPECT_EQ(ButtonPressed(5), 0);
  EXPECT_EQ(ButtonPressed(-1), 0);
  ButtonCountdowns[4] = ButtonCountdowns[5] = 0;
  ButtonEntryCount = 0;

  for (int key : std::initializer_list<int>{0, 5, ' ', '0', '9', 'A', 'Z', 256, 261}) EXPECT_EQ(IsAssignableKey(key), 1) << key;
  for (int key : std::initializer_list<int>{6, ',', '.', 'a', 0xBA, 255, 262, -1}) EXPECT_EQ(IsAssignableKey(key), 0) << key;
}

TEST_F(Controls, AxisReadsAtRawZeroInvertedAndOverAnEmptyRange) {
  SetControlStartValues();
  AxisValueCount = 1;
  AxisValues[0] = {0, 0};
  EXPECT_FLOAT_EQ(ReadAxisUnit(0, -1000, 1000), 0.5f);
  EXPECT_FLOAT_EQ(ReadAxisSigned(0, -1000, 1000), 0.0f);
  AxisTable[AXIS_THROTTLE].input = 0;
  AxisTable[AXIS_THROTTLE].invert = 1;
  EXPECT_FLOAT_EQ(ReadAxisControl(AXIS_THROTTLE), 0.5f);
  AxisValues[0].value = 1000;
  EXPECT_FLOAT_EQ(ReadAxisControl(AXIS_THROTTLE), 0.0f);
  EXPECT_FLOAT_EQ(ReadAxisUnit(0, 0, 500), 1.0f);  // clamped to the range
  EXPECT_FLOAT_EQ(ReadAxisControl(AXIS_BRAKE), 0.0f);  // unassigned

  // An empty range reads 0 every way (never a division by zero), inverted too.
  EXPECT_EQ(ReadAxisUnit(0, 300, 300), 0.0f);
  EXPECT_EQ(ReadAxisSigned(0, 300, 300), 0.0f);
  AxisTable[AXIS_THROTTLE].minimum = AxisTable[AXIS_THROTTLE].maximum = 300;
  EXPECT_EQ(ReadAxisControl(AXIS_THROTTLE), 0.0f);

  // The mouse's axes.
  MouseAxes[0] = 0.5f;
  MouseAxes[1] = -3.0f;
  EXPECT_FLOAT_EQ(ReadAxisSigned(AXIS_MOUSE_X, -1000, 1000), 0.5f);
  EXPECT_FLOAT_EQ(ReadAxisUnit(AXIS_MOUSE_X, -1000, 1000), 0.75f);
  EXPECT_FLOAT_EQ(ReadAxisSigned(AXIS_MOUSE_Y, -1000, 1000), -1.0f);
  EXPECT_FLOAT_EQ(ReadAxisUnit(AXIS_MOUSE_Y, -1000, 1000), 0.0f);
}

TEST_F(Controls, AssigningAnAxisTakesItFromTheOthersAndSetsUpForceFeedbackForSteerAndShifter) {
  haptics_.forceFeedbackDevices = 1;
  Attach(2, 4, 0, "Wheel");
  Start();
  AssignAxis(AXIS_STEER, 0);
  EXPECT_EQ(SteerForce.device, 0);
  EXPECT_EQ(SteerForce.axes, 2);
  EXPECT_EQ(haptics_.calls, (std::vector<std::string>{"create 0 axes 2", "acquire 0", "start 0 effect 1 times 1"}));

  haptics_.calls.clear();
  AssignAxis(AXIS_THROTTLE, 0);  // not a force-feedback axis: no set-up
  EXPECT_EQ(AxisTable[AXIS_STEER].input, AXIS_NONE);
  EXPECT_EQ(AxisTable[AXIS_THROTTLE].input, 0);
  EXPECT_TRUE(haptics_.calls.empty());

  for (int control : {AXIS_SHIFT_X, AXIS_SHIFT_Y, AXIS_STEER}) {
    haptics_.calls.clear();
    AssignAxis(control, 1);
    EXPECT_EQ(haptics_.Count("release 0 effect 1"), control == AXIS_SHIFT_X ? 1 : 0) << control;
    EXPECT_EQ(haptics_.Count("unacquire"), control == AXIS_SHIFT_X ? 1 : 0) << control;
  }
  EXPECT_EQ(haptics_.Count("create 0"), 1);  // the steering again
  EXPECT_EQ(AxisTable[AXIS_SHIFT_Y].input, AXIS_NONE);

  // With the switch off no effect is made.
  ForceFeedbackOn = 0;
  haptics_.calls.clear();
  AssignAxis(AXIS_STEER, 0);
  EXPECT_EQ(haptics_.Count("create"), 0);
  EXPECT_EQ(SteerForce.device, -1);
  EXPECT_TRUE(Messages().empty());
}

TEST_F(Controls, DevicesFoundAgainAfterAHotPlugGetTheirForceEffectBack) {
  haptics_.forceFeedbackDevices = 1;
  Attach(2, 4, 0, "Wheel");
  Start();
  AssignAxis(AXIS_STEER, 0);
  ASSERT_EQ(SteerForce.device, 0);
  haptics_.calls.clear();
  Attach(2, 2, 0, "Pedals");  // plugged in mid-run
  EXPECT_EQ(Poll(), 1);
  ASSERT_EQ(ControllerDeviceCount, 2);
  EXPECT_EQ(haptics_.Count("release 0"), 1) << "the old effect let go";
  EXPECT_EQ(haptics_.Count("create 0 axes 2"), 1) << "and made again on the wheel";
  EXPECT_EQ(SteerForce.device, 0);
}

TEST_F(Controls, SteerAndShiftDevicesAreChosenByTheirAxes) {
  haptics_.forceFeedbackDevices = 0b110;  // the pedals have none
  Attach(2, 4, 0, "Pedals");   // axes 0, 1
  Attach(3, 4, 0, "Wheel");    // axes 2, 3, 4
  Attach(2, 4, 0, "Shifter");  // axes 5, 6
  Start();
  // The steering on a device without force feedback.
  AssignAxis(AXIS_STEER, 0);
  EXPECT_TRUE(Shown("Could not set up FF steer device"));
  EXPECT_EQ(SteerForce.device, -1);

  ResetMessages();
  AssignAxis(AXIS_STEER, 2);
  EXPECT_EQ(SteerForce.device, 1);
  EXPECT_EQ(SteerForce.axes, 2);
  EXPECT_TRUE(Messages().empty());  // no shifter wanted: nothing said about it

  // A shifter on a device of its own gets the shift effect.
  g_gearbox = 3;
  AssignAxis(AXIS_SHIFT_X, 5);
  EXPECT_TRUE(Shown("Could not set up FF shift device"));  // its second axis is still missing
  AssignAxis(AXIS_SHIFT_Y, 6);
  EXPECT_EQ(ShiftForce.device, 2);
  EXPECT_EQ(SteerForce.device, 1);
  EXPECT_EQ(haptics_.Count("create 2 axes 2"), 1);

  // A shifter on the wheel's device gets none.
  ResetMessages();
  AssignAxis(AXIS_SHIFT_X, 3);
  haptics_.calls.clear();
  AssignAxis(AXIS_SHIFT_Y, 4);
  EXPECT_EQ(SteerForce.device, 1);
  EXPECT_EQ(ShiftForce.device, -1);
  EXPECT_EQ(haptics_.Count("create 1"), 1);
  EXPECT_EQ(haptics_.Count("create 2"), 0);
  EXPECT_TRUE(Shown("Could not set up FF shift device"));
}

TEST_F(Controls, EffectFailuresAreReportedByName) {
  haptics_.forceFeedbackDevices = 1;
  Attach(3, 4, 0, "Wheel");
  Start();

  haptics_.createResult = CONTROLLER_GENERIC;
  AssignAxis(AXIS_STEER, 0);
  EXPECT_TRUE(Shown("CreateEffect failed (2 axes)"));
  EXPECT_TRUE(Shown("Could not set up FF steer device"));
  EXPECT_EQ(SteerForce.device, -1);

  // Both failures of the effect in the error colour, the set-up's own word in the default one.
  EXPECT_EQ(ReportRecorder::Reports().lines,
            (std::vector<std::string>{"1|-1|CreateEffect failed (2 axes)", "2|-1|Could not set up FF steer device"}));
  ResetMessages();
  haptics_.createResult = CONTROLLER_OK;
  haptics_.nullEffect = 1;
  ForceFeedbackSetup();
  EXPECT_TRUE(Shown("NULL effect"));
  EXPECT_EQ(ReportRecorder::Reports().lines.front(), "1|-1|NULL effect");
  EXPECT_EQ(haptics_.Count("acquire"), 0);

  // Not in front: passed over without a word, and nothing is started.
  ResetMessages();
  haptics_.nullEffect = 0;
  haptics_.acquireResult = CONTROLLER_ACCESS_DENIED;
  haptics_.calls.clear();
  ForceFeedbackSetup();
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(haptics_.Count("acquire 0"), 1);
  EXPECT_EQ(haptics_.Count("start"), 0);

  haptics_.acquireResult = CONTROLLER_INPUT_LOST;
  ForceFeedbackSetup();
  EXPECT_TRUE(Shown("DI : FFDevice - DIERR_INPUTLOST"));
  EXPECT_TRUE(Log().find("DI : FFDevice - DIERR_INPUTLOST") != std::string::npos);

  ResetMessages();
  haptics_.acquireResult = CONTROLLER_OK;
  haptics_.startResult = CONTROLLER_DEVICE_FULL;
  ForceFeedbackSetup();
  EXPECT_TRUE(Shown("DI : Effect - DIERR_DEVICEFULL"));
  EXPECT_TRUE(Log().find("DI : Effect - DIERR_DEVICEFULL") != std::string::npos);
}

TEST_F(Controls, ReportedErrorsGoToTheMessageLinesAndTheLog) {
  ReportDIError("ShiftEffect", CONTROLLER_UNPLUGGED);
  ASSERT_EQ(ReportRecorder::Reports().lines.size(), 1u);
  EXPECT_EQ(ReportRecorder::Reports().lines[0], "1|-1|DI : ShiftEffect - DIERR_UNPLUGGED") << "in the error colour";
  EXPECT_TRUE(Log().find("DI : ShiftEffect - DIERR_UNPLUGGED\n") != std::string::npos);
  EXPECT_STREQ(DirectInputErrorName(0), "DI_OK");
  EXPECT_STREQ(DirectInputErrorName(CONTROLLER_ACCESS_DENIED), "DIERR_OTHERAPPHASPRIO");
  EXPECT_STREQ(DirectInputErrorName(0x80040208u), "DIERR_EFFECTPLAYING");
  EXPECT_STREQ(DirectInputErrorName(0x12345678u), "Unknown Error");
  // Codes transcribed from the error table's first, neighbouring and last rows.
  EXPECT_STREQ(DirectInputErrorName(1), "DI_NOTATTACHED");
  EXPECT_STREQ(DirectInputErrorName(2), "DI_POLLEDDEVICE");
  EXPECT_STREQ(DirectInputErrorName(0x13u), "DI_WRITEPROTECT");
  EXPECT_STREQ(DirectInputErrorName(0x80070002u), "DIERR_NOTFOUND");
  EXPECT_STREQ(DirectInputErrorName(0x8004020Bu), "DIERR_MAPFILEFAIL");
  EXPECT_STREQ(DirectInputErrorName(0x8004020Cu), "Unknown Error");
}

// ---- Pedals ----

TEST_F(Controls, PedalsFromOneCombinedAxisOrTwoAndTheirCurve) {
  VirtualJoystick& pedals = Attach(3, 2, 0, "Pedals");
  Start();
  AssignAxis(AXIS_COMBINED, 0);
  pedals.Axis(0, -13107);  // -400 of 1000: -0.4
  ReadPedals();
  EXPECT_FLOAT_EQ(PedalValues[PEDAL_THROTTLE], 0.0f);
  EXPECT_NEAR(PedalValues[PEDAL_BRAKE], 0.4f, 1e-6f);
  pedals.Axis(0, 16384);
  ReadPedals();  // once a frame: the flag is still set
  EXPECT_NEAR(PedalValues[PEDAL_BRAKE], 0.4f, 1e-6f);
  AxisTable[AXIS_COMBINED].invert = 1;  // negated when inverted
  ControlsPolledThisFrame = 0;
  ReadPedals();
  EXPECT_FLOAT_EQ(PedalValues[PEDAL_THROTTLE], 0.0f);
  EXPECT_NEAR(PedalValues[PEDAL_BRAKE], 0.5f, 1e-6f);

  PedalMode = 1;
  AssignAxis(AXIS_THROTTLE, 1);
  AssignAxis(AXIS_BRAKE, 2);
  pedals.Axis(1, 0);
  pedals.Axis(2, 32767);
  CfgCombinedNonLinear = 1.0f;
  ControlsPolledThisFrame = 0;
  ReadPedals();
  EXPECT_NEAR(PedalValues[PEDAL_THROTTLE], 0.125f, 1e-6f);
  EXPECT_FLOAT_EQ(PedalValues[PEDAL_BRAKE], 1.0f);
  CfgCombinedNonLinear = 0.0f;
  EXPECT_FLOAT_EQ(ApplyAxisCurve(0.5f), 0.5f);
  CfgCombinedNonLinear = 1.0f;
  EXPECT_FLOAT_EQ(ApplyAxisCurve(0.5f), 0.125f);

  // A frame in which no device answers leaves the values as they were: nothing is read
  // from a table without devices, and the curve is never applied twice.
  pedals.Axis(1, 16384);  // 0.75
  ControlsPolledThisFrame = 0;
  ReadPedals();
  EXPECT_NEAR(PedalValues[PEDAL_THROTTLE], 0.421875f, 1e-4f);
  sticks_.clear();
  ControlsPolledThisFrame = 0;
  ReadPedals();
  EXPECT_NEAR(PedalValues[PEDAL_THROTTLE], 0.421875f, 1e-4f);
}

}  // namespace

namespace {

TEST_F(Controls, EveryControlAndAxisGetsItsStartValue) {
  // Keys for controls 0, 1 and 4 to 20; every other slot none.
  const int KEYS[CONTROL_COUNT] = {'J', 'K', -1, -1, 1, 2, 'S', 'X', 'C', 'Q', 'W', 'E', 'R', 'B', 'G', ' ', 'L',
                                   'O', 'I', '5', '6'};
  AssignControlKey2(7, 9);
  AssignControlKey(30, 'Z');
  AxisTable[AXIS_SHIFT_Y] = {3, 1, 5, 6};
  WheelTurnDegrees = 540.0f;
  ForceFeedbackOn = 0;
  PedalMode = 1;
  ForcedRedrawPending = 1;
  SetControlStartValues();
  EXPECT_EQ(ForcedRedrawPending, 0);
  for (int c = 0; c < CONTROL_COUNT; ++c) {
    const int key = c <= 20 && KEYS[c] != -1 ? KEYS[c] : CONTROL_NONE;
    EXPECT_EQ(ControlTable[c].key, key) << c;
    EXPECT_EQ(ControlTable[c].button, CONTROL_NONE) << c;
  }
  for (int a = 0; a < AXIS_CONTROL_COUNT; ++a) {
    EXPECT_EQ(AxisTable[a].input, AXIS_NONE) << a;
    EXPECT_EQ(AxisTable[a].invert, 0) << a;
    EXPECT_EQ(AxisTable[a].minimum, -1000) << a;
    EXPECT_EQ(AxisTable[a].maximum, 1000) << a;
  }
  EXPECT_EQ(WheelTurnDegrees, 90.0f);
  EXPECT_EQ(ForceFeedbackOn, 1);
  EXPECT_EQ(PedalMode, 0);
}

TEST_F(Controls, AxisInputsAreReadOnlyInsideTheTables) {
  SetControlStartValues();
  AxisValueCount = 1;
  AxisValues[0] = {-1000, 0};
  AxisValues[1] = {1000, 0};  // a stale entry past the devices' axes reads as raw 0
  EXPECT_FLOAT_EQ(ReadAxisUnit(0, -1000, 1000), 0.0f);
  EXPECT_FLOAT_EQ(ReadAxisUnit(1, -1000, 1000), 0.5f);
  EXPECT_FLOAT_EQ(ReadAxisSigned(1, -1000, 1000), 0.0f);
  EXPECT_FLOAT_EQ(ReadAxisUnit(AXIS_VALUE_COUNT - 1, -1000, 1000), 0.5f);  // the last index is an input
  EXPECT_EQ(ReadAxisUnit(AXIS_VALUE_COUNT, -1000, 1000), 0.0f);             // one past is none
  EXPECT_EQ(ReadAxisSigned(AXIS_VALUE_COUNT, -1000, 1000), 0.0f);
  EXPECT_EQ(ReadAxisUnit(-4, -1000, 1000), 0.0f);
  // The last axis control is read; one past the table is nothing.
  AxisTable[AXIS_CONTROL_COUNT - 1].input = 0;
  EXPECT_FLOAT_EQ(ReadAxisControl(AXIS_CONTROL_COUNT - 1), 0.0f);
  AxisTable[AXIS_CONTROL_COUNT - 1].invert = 1;
  EXPECT_FLOAT_EQ(ReadAxisControl(AXIS_CONTROL_COUNT - 1), 1.0f);
  EXPECT_EQ(ReadAxisControl(-1), 0.0f);
  AssignAxis(AXIS_CONTROL_COUNT, 0);  // out of range: taken from no other control
  EXPECT_EQ(AxisTable[AXIS_CONTROL_COUNT - 1].input, 0);
  AssignAxis(-1, 0);
  EXPECT_EQ(AxisTable[AXIS_CONTROL_COUNT - 1].input, 0);
  AxisValueCount = 0;
}

TEST_F(Controls, ADebounceAboveAByteIsHeldAt255) {
  VirtualJoystick& stick = Attach(2, 8, 0);
  Start();
  CfgShiftDebounce = 300;
  stick.Button(2, true);
  Poll();
  EXPECT_EQ(ButtonCountdowns[2], 255);
  CfgShiftDebounce = 255;
  Poll();
  EXPECT_EQ(ButtonCountdowns[2], 255);
  CfgShiftDebounce = -5;
  Poll();
  EXPECT_EQ(ButtonCountdowns[2], 0);
}

TEST_F(Controls, EveryPublishedInputResultHasItsName) {
  // The published result codes of the input interface and their names.
  const struct {
    uint32_t code;
    const char* name;
  } NAMES[] = {
      {0x00000000u, "DI_OK"},
      {0x00000001u, "DI_NOTATTACHED"},
      {0x00000002u, "DI_POLLEDDEVICE"},
      {0x00000003u, "DI_DOWNLOADSKIPPED"},
      {0x00000004u, "DI_EFFECTRESTARTED"},
      {0x00000008u, "DI_TRUNCATED"},
      {0x0000000Bu, "DI_SETTINGSNOTSAVED"},
      {0x0000000Cu, "DI_TRUNCATEDANDRESTARTED"},
      {0x00000013u, "DI_WRITEPROTECT"},
      {0x8007047Eu, "DIERR_OLDDIRECTINPUTVERSION"},  // 0x80070000 + 1150
      {0x80070481u, "DIERR_BETADIRECTINPUTVERSION"},  // + 1153
      {0x80070077u, "DIERR_BADDRIVERVER"},            // + 119
      {0x80040154u, "DIERR_DEVICENOTREG"},
      {0x80070002u, "DIERR_NOTFOUND"},
      {0x80070057u, "DIERR_INVALIDPARAM"},  // + 87
      {0x80004002u, "DIERR_NOINTERFACE"},
      {0x80004005u, "DIERR_GENERIC"},
      {0x8007000Eu, "DIERR_OUTOFMEMORY"},  // + 14
      {0x80004001u, "DIERR_UNSUPPORTED"},
      {0x80070015u, "DIERR_NOTINITIALIZED"},      // + 21
      {0x800704DFu, "DIERR_ALREADYINITIALIZED"},  // + 1247
      {0x80040110u, "DIERR_NOAGGREGATION"},
      {0x80070005u, "DIERR_OTHERAPPHASPRIO"},
      {0x8007001Eu, "DIERR_INPUTLOST"},    // + 30
      {0x800700AAu, "DIERR_ACQUIRED"},     // + 170
      {0x8007000Cu, "DIERR_NOTACQUIRED"},  // + 12
      {0x80040200u, "DIERR_INSUFFICIENTPRIVS"},
      {0x80040201u, "DIERR_DEVICEFULL"},
      {0x80040202u, "DIERR_MOREDATA"},
      {0x80040203u, "DIERR_NOTDOWNLOADED"},
      {0x80040204u, "DIERR_HASEFFECTS"},
      {0x80040205u, "DIERR_NOTEXCLUSIVEACQUIRED"},
      {0x80040206u, "DIERR_INCOMPLETEEFFECT"},
      {0x80040207u, "DIERR_NOTBUFFERED"},
      {0x80040208u, "DIERR_EFFECTPLAYING"},
      {0x80040209u, "DIERR_UNPLUGGED"},
      {0x8004020Au, "DIERR_REPORTFULL"},
      {0x8004020Bu, "DIERR_MAPFILEFAIL"},
  };
  for (const auto& n : NAMES) EXPECT_STREQ(DirectInputErrorName(n.code), n.name) << std::hex << n.code;
  // Codes between the listed ones have no name.
  for (uint32_t code : {5u, 7u, 9u, 0x12u, 0x14u, 0x80070003u, 0x80040153u, 0x80040155u, 0x8004020Cu, 0x800401FFu})
    EXPECT_STREQ(DirectInputErrorName(code), "Unknown Error") << std::hex << code;
}

}  // namespace

namespace {

TEST_F(Controls, TheFirstButtonAxisAndControlAreRealOnes) {
  SetControlStartValues();
  ButtonEntryCount = 2;
  ButtonCountdowns[0] = 7;
  EXPECT_EQ(ButtonPressed(0), 1);
  ButtonCountdowns[0] = 0;
  ButtonEntryCount = 0;
  // An axis at its minimum reads -1 signed and 0 as a unit; control 0 (the steering) reads.
  AxisValueCount = 1;
  AxisValues[0] = {-1000, 0};
  EXPECT_FLOAT_EQ(ReadAxisSigned(0, -1000, 1000), -1.0f);
  EXPECT_FLOAT_EQ(ReadAxisUnit(0, -1000, 1000), 0.0f);
  AxisTable[AXIS_STEER].input = 0;
  AxisTable[AXIS_STEER].invert = 1;
  EXPECT_FLOAT_EQ(ReadAxisControl(AXIS_STEER), 1.0f);
  AxisTable[AXIS_STEER].input = AXIS_NONE;
  AxisValueCount = 0;
}

TEST_F(Controls, AnInputPastTheDevicesAxesHasNoDeviceForForceFeedback) {
  haptics_.forceFeedbackDevices = 1;
  Attach(2, 4, 0, "Wheel");  // inputs 0 and 1
  Start();
  AssignAxis(AXIS_STEER, 2);
  EXPECT_EQ(SteerForce.device, -1);
  EXPECT_TRUE(Shown("Could not set up FF steer device"));
  EXPECT_EQ(haptics_.Count("create"), 0);
}

// Input 0, the first device's first axis, is an axis like any other for the shifter: its
// effect is set up with X on it and Y on the next, and the other way round.
TEST_F(Controls, AShifterOnTheFirstDevicesFirstTwoAxesGetsItsEffectEitherWayRound) {
  haptics_.forceFeedbackDevices = 0b11;
  Attach(2, 4, 0, "Shifter");  // inputs 0, 1
  Attach(2, 4, 0, "Wheel");    // inputs 2, 3
  Start();
  g_gearbox = 3;
  AssignAxis(AXIS_STEER, 2);
  AssignAxis(AXIS_SHIFT_X, 0);
  AssignAxis(AXIS_SHIFT_Y, 1);
  EXPECT_EQ(SteerForce.device, 1);
  EXPECT_EQ(ShiftForce.device, 0);
  EXPECT_EQ(ShiftForce.axes, 2);

  AssignAxis(AXIS_SHIFT_X, 1);
  ResetMessages();
  AssignAxis(AXIS_SHIFT_Y, 0);
  EXPECT_EQ(SteerForce.device, 1);
  EXPECT_EQ(ShiftForce.device, 0) << "Y on input 0";
  EXPECT_EQ(ShiftForce.axes, 2);
  EXPECT_FALSE(Shown("Could not set up FF shift device"));
}

}  // namespace

namespace {

TEST_F(Controls, AHatsFourDirectionsLeaveTheNextDevicesButtonsAlone) {
  Attach(2, 4, 1, "Wheel");  // buttons 0..127, then the hat's four
  VirtualJoystick& pad = Attach(2, 4, 0, "Pad");
  Start();
  const int first = CONTROLLER_BUTTONS + 4;  // the pad's button 0
  pad.Button(0, true);
  Poll();
  EXPECT_EQ(ButtonCountdowns[first], 20);
  pad.Button(0, false);
  Poll();  // one frame of 5 ms, counted once
  EXPECT_EQ(ButtonCountdowns[first], 15);
  Poll();
  EXPECT_EQ(ButtonCountdowns[first], 10);
}

TEST_F(Controls, ReleasedEffectsKeepNoAxes) {
  haptics_.forceFeedbackDevices = 1;
  Attach(2, 4, 0, "Wheel");
  Start();
  AssignAxis(AXIS_STEER, 0);
  ASSERT_EQ(SteerForce.axes, 2);
  ReleaseControls();
  EXPECT_EQ(SteerForce.device, -1);
  EXPECT_EQ(SteerForce.effect, -1);
  EXPECT_EQ(SteerForce.axes, 0);
  EXPECT_EQ(ShiftForce.axes, 0);
  // One past the axis table reads nothing, over a range whose raw 0 is not the middle.
  AxisValueCount = 0;
  EXPECT_EQ(ReadAxisSigned(AXIS_VALUE_COUNT, 0, 1000), 0.0f);
  EXPECT_EQ(ReadAxisUnit(AXIS_VALUE_COUNT, 0, 1000), 0.0f);
  EXPECT_FLOAT_EQ(ReadAxisSigned(AXIS_VALUE_COUNT - 1, 0, 1000), -1.0f);
}

}  // namespace

namespace {

TEST_F(Controls, ReleasingTheControlsClearsTheDeviceAxisAndButtonTables) {
  VirtualJoystick& stick = Attach(2, 4, 0);
  Start();
  stick.Axis(0, 32767);
  stick.Button(1, true);
  Poll();
  ASSERT_EQ(AxisValues[0].value, 1000);
  ASSERT_NE(ButtonCountdowns[1], 0);
  ReleaseControls();
  EXPECT_EQ(AxisValues[0].value, 0);
  EXPECT_EQ(ButtonCountdowns[1], 0);
  EXPECT_EQ(AxisValueCount, 0);
  EXPECT_EQ(ButtonEntryCount, 0);
  EXPECT_EQ(ControllerDeviceCount, 0);
  EXPECT_EQ(ControllerDevices[0].name[0], 0) << "the device table too";
  EXPECT_EQ(ControllerDevices[0].axisMask, 0);
  EXPECT_EQ(ControllerDevices[0].polled, 0);
  // Started again with the button let go meanwhile: no press carried over, before any poll.
  stick.Button(1, false);
  Start();
  ASSERT_EQ(ControllerDeviceCount, 1);
  EXPECT_EQ(ButtonPressed(1), 0);
}

}  // namespace

namespace {

TEST_F(Controls, StartingTheControlsGivesEveryControlItsStartValueAgain) {
  AssignControlKey(2, 'Z');
  AssignControlKey2(0, 5);
  InitControls();
  EXPECT_EQ(ControlTable[2].key, CONTROL_NONE);
  EXPECT_EQ(ControlTable[0].button, CONTROL_NONE);
  EXPECT_EQ(ControlTable[0].key, 'J');
}

}  // namespace
