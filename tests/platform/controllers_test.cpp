// controllers_test.cpp - the controller layer over SDL: virtual joysticks read in the raw
// model, hot-plugging, names from the controller database, the haptic calls, and (where
// the machine has /dev/uinput) a force-feedback device made by the kernel.
#include <SDL.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/uinput.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "platform/controllers.h"
#include "platform/haptic_recorder.h"
#include "virtual_joystick.h"

namespace {

class Controllers : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(PlatformControllersStart(), 1) << PlatformLastControllerError(); }
  void TearDown() override {
    PlatformRecordHaptics(nullptr);
    PlatformControllersStop();
  }

  // The device opened with that name, or -1.
  static int Find(const char* name) {
    for (int d = 0; d < PlatformControllerCount(); ++d) {
      ControllerInfo info{};
      if (PlatformControllerInfo(d, info) && std::strcmp(info.name, name) == 0) return d;
    }
    return -1;
  }
};

TEST(ControllerScales, AxesEndsMapToTheEndsAndHatsToHundredthsOfADegree) {
  EXPECT_EQ(ScaleControllerAxis(-32768), -1000);
  EXPECT_EQ(ScaleControllerAxis(0), 0);
  EXPECT_EQ(ScaleControllerAxis(32767), 1000);
  EXPECT_EQ(ScaleControllerAxis(16384), 500);
  EXPECT_EQ(ScaleControllerAxis(-16384), -500);
  EXPECT_EQ(ScaleControllerAxis(1), 0);
  // Values past the 16-bit ends are held at them.
  EXPECT_EQ(ScaleControllerAxis(32768), 1000);
  EXPECT_EQ(ScaleControllerAxis(40000), 1000);
  EXPECT_EQ(ScaleControllerAxis(-32769), -1000);
  EXPECT_EQ(ScaleControllerAxis(-40000), -1000);
  EXPECT_EQ(HatDirection(SDL_HAT_UP), 0);
  EXPECT_EQ(HatDirection(SDL_HAT_RIGHT), 9000);
  EXPECT_EQ(HatDirection(SDL_HAT_DOWN), 18000);
  EXPECT_EQ(HatDirection(SDL_HAT_LEFT), 27000);
  EXPECT_EQ(HatDirection(SDL_HAT_RIGHTUP), 4500);
  EXPECT_EQ(HatDirection(SDL_HAT_LEFTUP), 31500);
  EXPECT_EQ(HatDirection(SDL_HAT_RIGHTDOWN), 13500);  // 135 degrees
  EXPECT_EQ(HatDirection(SDL_HAT_LEFTDOWN), 22500);   // 225 degrees
  EXPECT_EQ(HatDirection(SDL_HAT_CENTERED), HAT_CENTRED);
  EXPECT_EQ(HatDirection(SDL_HAT_UP | SDL_HAT_DOWN), HAT_CENTRED);  // no such direction
}

// An axis value is rounded to the nearest thousandth of its half range, a half away from zero:
// 14696 / 32767 of 1000 is 448.50002 (449) and 14695 gives 448.47 (448); 18071 gives 551.49997
// (551).  Below zero the half range is 32768: 2048 of it is 62.5 exactly (-63), 2047 is 62.47 (-62)
// and 1196 is 36.499 (-36).
TEST(ControllerScales, AnAxisValueRoundsToTheNearestThousandthAndHalvesAwayFromZero) {
  EXPECT_EQ(ScaleControllerAxis(14696), 449);
  EXPECT_EQ(ScaleControllerAxis(14695), 448);
  EXPECT_EQ(ScaleControllerAxis(18071), 551);
  EXPECT_EQ(ScaleControllerAxis(-2048), -63);
  EXPECT_EQ(ScaleControllerAxis(-2047), -62);
  EXPECT_EQ(ScaleControllerAxis(-1196), -36);
}

TEST_F(Controllers, AVirtualJoystickIsReadInTheRawModel) {
  VirtualJoystick stick(3, 10, 2, "Test Wheel");
  PlatformOpenControllers();
  const int d = Find("Test Wheel");
  ASSERT_GE(d, 0);
  ControllerInfo info{};
  ASSERT_EQ(PlatformControllerInfo(d, info), 1);
  EXPECT_EQ(info.axisMask, 0x07);
  EXPECT_EQ(info.buttonCount, 10);
  EXPECT_EQ(info.hatCount, 2);
  EXPECT_EQ(info.forceFeedback, 0);  // no virtual joystick plays a force

  stick.Axis(0, -32768);
  stick.Axis(1, 0);
  stick.Axis(2, 32767);
  stick.Button(9, true);
  stick.Hat(0, SDL_HAT_UP);
  stick.Hat(1, SDL_HAT_LEFTDOWN);
  PlatformUpdateControllers();
  ASSERT_EQ(PlatformPollController(d), CONTROLLER_OK);
  ControllerState state;
  ASSERT_EQ(PlatformReadController(d, state), CONTROLLER_OK);
  EXPECT_EQ(state.axes[0], -1000);
  EXPECT_EQ(state.axes[1], 0);
  EXPECT_EQ(state.axes[2], 1000);
  EXPECT_EQ(state.axes[3], 0);  // not present
  EXPECT_EQ(state.buttons[9], 1);
  EXPECT_EQ(state.buttons[0], 0);
  EXPECT_EQ(state.hats[0], 0);
  EXPECT_EQ(state.hats[1], 22500);
  EXPECT_EQ(state.hats[2], HAT_CENTRED);

  // Without force feedback the SDL calls refuse an effect.
  int effect = 7;
  EXPECT_EQ(PlatformCreateConstantForce(d, 2, effect), CONTROLLER_UNSUPPORTED);
  EXPECT_EQ(effect, -1);
}

TEST_F(Controllers, ADeviceWithMoreThanTheModelHoldsKeepsTheFirstOfEach) {
  // 10 axes, 130 buttons and 6 hats: the model has 8, 128 and 4.
  VirtualJoystick stick(10, 130, 6, "Big Panel");
  PlatformOpenControllers();
  const int d = Find("Big Panel");
  ASSERT_GE(d, 0);
  ControllerInfo info{};
  ASSERT_EQ(PlatformControllerInfo(d, info), 1);
  EXPECT_EQ(info.axisMask, 0xFF);
  EXPECT_EQ(info.buttonCount, 128);
  EXPECT_EQ(info.hatCount, 4);
  stick.Axis(7, 32767);
  stick.Button(127, true);
  stick.Hat(3, SDL_HAT_DOWN);
  PlatformUpdateControllers();
  ASSERT_EQ(PlatformPollController(d), CONTROLLER_OK);
  ControllerState state;
  ASSERT_EQ(PlatformReadController(d, state), CONTROLLER_OK);
  EXPECT_EQ(state.axes[7], 1000);
  EXPECT_EQ(state.buttons[127], 1);
  EXPECT_EQ(state.hats[3], 18000);
}

// Eleven devices attached: the first ten open (the layer holds ten) and the last is left out.
// The first has 32 axes, a whole word of them: its first 8 are all present.
TEST_F(Controllers, TenOfElevenDevicesOpenAndAThirtyTwoAxisDeviceHasItsFirstEightAxes) {
  std::vector<std::unique_ptr<VirtualJoystick>> sticks;
  sticks.push_back(std::make_unique<VirtualJoystick>(32, 1, 0, "Many Axes"));
  for (int i = 1; i < 11; ++i)
    sticks.push_back(std::make_unique<VirtualJoystick>(1, 1, 0, ("Stick " + std::to_string(i)).c_str()));
  EXPECT_EQ(PlatformOpenControllers(), 10);
  EXPECT_EQ(PlatformControllerCount(), 10);
  const int d = Find("Many Axes");
  ASSERT_GE(d, 0);
  ControllerInfo info{};
  ASSERT_EQ(PlatformControllerInfo(d, info), 1);
  EXPECT_EQ(info.axisMask, 0xFF);
  EXPECT_GE(Find("Stick 9"), 0);
  EXPECT_EQ(Find("Stick 10"), -1) << "no room for the eleventh";
  PlatformCloseControllers();
}

TEST_F(Controllers, HotPlugMarksTheDevicesChangedAndAnUnpluggedDeviceReadsNothing) {
  auto first = std::make_unique<VirtualJoystick>(2, 4, 0, "First");
  PlatformOpenControllers();
  EXPECT_EQ(PlatformControllersChanged(), 0);
  VirtualJoystick second(2, 4, 0, "Second");
  PlatformUpdateControllers();
  EXPECT_EQ(PlatformControllersChanged(), 1);
  PlatformOpenControllers();
  EXPECT_GE(Find("Second"), 0);
  const int d = Find("First");
  ASSERT_GE(d, 0);

  first->Detach();
  PlatformUpdateControllers();
  EXPECT_EQ(PlatformControllersChanged(), 1);
  EXPECT_EQ(PlatformPollController(d), CONTROLLER_UNPLUGGED);
  EXPECT_EQ(PlatformAcquireController(d), CONTROLLER_UNPLUGGED);
  ControllerState state;
  std::memset(&state, 0x5A, sizeof state);  // what the caller's record held before
  EXPECT_EQ(PlatformReadController(d, state), CONTROLLER_UNPLUGGED);
  // An unplugged device reads as one at rest: no axis moved, no button held, every hat centred.
  for (int a = 0; a < CONTROLLER_AXES; ++a) EXPECT_EQ(state.axes[a], 0) << "axis " << a;
  for (int b = 0; b < CONTROLLER_BUTTONS; ++b) EXPECT_EQ(state.buttons[b], 0) << "button " << b;
  for (int h = 0; h < CONTROLLER_HATS; ++h) EXPECT_EQ(state.hats[h], HAT_CENTRED) << "hat " << h;
  PlatformOpenControllers();
  EXPECT_EQ(Find("First"), -1);
  EXPECT_GE(Find("Second"), 0);
  // Calls on a device number no longer open are refused, never a crash.
  EXPECT_EQ(PlatformPollController(CONTROLLER_MAX_DEVICES - 1), CONTROLLER_UNPLUGGED);
  EXPECT_EQ(PlatformStartForceEffect(-1, 0, 1), CONTROLLER_UNPLUGGED);
}

// SDL's database knows a virtual game controller by the name it was given (its mappings
// for virtual devices are made from the device itself, so no added mapping can rename it);
// the device still reads with its own button numbers, not the database's.
TEST_F(Controllers, AGameControllerIsNamedThroughTheDatabaseButKeepsItsOwnButtons) {
  VirtualJoystick pad(6, 12, 1, "Known Pad", SDL_JOYSTICK_TYPE_GAMECONTROLLER);
  PlatformOpenControllers();
  const int d = Find("Known Pad");
  ASSERT_GE(d, 0);
  ControllerInfo info{};
  PlatformControllerInfo(d, info);
  EXPECT_EQ(info.buttonCount, 12);
  EXPECT_EQ(info.axisMask, 0x3F);
  pad.Button(7, true);
  PlatformUpdateControllers();
  ControllerState state;
  ASSERT_EQ(PlatformReadController(d, state), CONTROLLER_OK);
  for (int b = 0; b < 12; ++b) EXPECT_EQ(state.buttons[b], b == 7 ? 1 : 0) << b;
}

// Starts are counted: a second start's stop leaves the devices open; the last stop closes
// them, and without a start nothing opens.
TEST_F(Controllers, TheLastStopClosesTheDevicesAndNothingOpensWithoutAStart) {
  auto stick = std::make_unique<VirtualJoystick>(2, 2, 0, "Counted");
  ASSERT_EQ(PlatformControllersStart(), 1);
  PlatformOpenControllers();
  ASSERT_GE(Find("Counted"), 0);
  const int open = PlatformControllerCount();
  stick.reset();  // unplugged before SDL's joysticks may stop: an open device stays counted
  PlatformControllersStop();
  EXPECT_EQ(PlatformControllerCount(), open) << "one start is still running";
  PlatformControllersStop();
  EXPECT_EQ(PlatformControllerCount(), 0) << "the last stop closes every device";
  EXPECT_EQ(SDL_WasInit(SDL_INIT_GAMECONTROLLER | SDL_INIT_HAPTIC), 0u) << "and lets go of SDL's controllers and forces";
  EXPECT_EQ(PlatformOpenControllers(), 0) << "stopped: nothing opens";
  ASSERT_EQ(PlatformControllersStart(), 1);  // for the fixture's own stop
}

// A device plugged in and out while nobody asked leaves no change behind once the layer has
// stopped: the next start reports nothing changed until a device really comes or goes.
TEST_F(Controllers, ARestartForgetsAHotPlugNobodyAskedAbout) {
  auto stick = std::make_unique<VirtualJoystick>(2, 2, 0, "Passing");
  stick.reset();
  PlatformControllersStop();
  ASSERT_EQ(PlatformControllersStart(), 1);
  EXPECT_EQ(PlatformControllersChanged(), 0) << "the plug before the stop is forgotten";
  VirtualJoystick again(2, 2, 0, "Passing");
  PlatformUpdateControllers();
  EXPECT_EQ(PlatformControllersChanged(), 1) << "a device after the restart is seen";
}

// Motion is read from the devices, never from events: once started, the layer has SDL drop
// every joystick and controller motion, button, battery, touchpad and sensor event, and keeps
// only the hot-plug ones for the queue.
TEST_F(Controllers, OnlyHotPlugEventsAreKeptForTheQueue) {
  const Uint32 dropped[] = {SDL_JOYAXISMOTION, SDL_JOYBALLMOTION, SDL_JOYHATMOTION, SDL_JOYBUTTONDOWN,
                            SDL_JOYBUTTONUP, SDL_JOYBATTERYUPDATED, SDL_CONTROLLERAXISMOTION,
                            SDL_CONTROLLERBUTTONDOWN, SDL_CONTROLLERBUTTONUP, SDL_CONTROLLERDEVICEADDED,
                            SDL_CONTROLLERDEVICEREMOVED, SDL_CONTROLLERDEVICEREMAPPED,
                            SDL_CONTROLLERTOUCHPADDOWN, SDL_CONTROLLERTOUCHPADMOTION,
                            SDL_CONTROLLERTOUCHPADUP, SDL_CONTROLLERSENSORUPDATE};
  for (Uint32 type : dropped) EXPECT_EQ(SDL_EventState(type, SDL_QUERY), SDL_IGNORE) << std::hex << type;
  EXPECT_EQ(SDL_EventState(SDL_JOYDEVICEADDED, SDL_QUERY), SDL_ENABLE);
  EXPECT_EQ(SDL_EventState(SDL_JOYDEVICEREMOVED, SDL_QUERY), SDL_ENABLE);
}

TEST_F(Controllers, TheRecordingHapticCallsStandInForTheDevice) {
  HapticRecorder recorder;
  recorder.forceFeedbackDevices = 1;
  PlatformRecordHaptics(&recorder);
  VirtualJoystick stick(2, 2, 0, "Forceful");
  PlatformOpenControllers();
  const int d = Find("Forceful");
  ASSERT_GE(d, 0);
  ControllerInfo info{};
  PlatformControllerInfo(d, info);
  EXPECT_EQ(info.forceFeedback, d == 0 ? 1 : 0);
  int effect = -1;
  EXPECT_EQ(PlatformCreateConstantForce(d, 2, effect), CONTROLLER_OK);
  EXPECT_EQ(effect, 1);
  EXPECT_EQ(PlatformStartForceEffect(d, effect, 1), CONTROLLER_OK);
  recorder.acquireResult = CONTROLLER_GENERIC;
  EXPECT_EQ(PlatformAcquireForceDevice(d), CONTROLLER_GENERIC) << "the device's own answer";
  EXPECT_EQ(PlatformUnacquireForceDevice(d), CONTROLLER_OK);
  // A device number nothing has opened reaches no device.
  const int none = CONTROLLER_MAX_DEVICES;
  EXPECT_EQ(PlatformCreateConstantForce(none, 2, effect), CONTROLLER_UNPLUGGED);
  EXPECT_EQ(effect, -1);
  EXPECT_EQ(PlatformAcquireForceDevice(none), CONTROLLER_UNPLUGGED);
  EXPECT_EQ(PlatformUnacquireForceDevice(none), CONTROLLER_UNPLUGGED);
  EXPECT_EQ(PlatformStartForceEffect(none, 1, 1), CONTROLLER_UNPLUGGED);
  PlatformReleaseForceEffect(none, 1);
  PlatformReleaseForceEffect(d, 1);
  PlatformCloseControllers();
  const std::string n = std::to_string(d);
  EXPECT_EQ(recorder.calls, (std::vector<std::string>{"create " + n + " axes 2", "start " + n + " effect 1 times 1",
                                                     "acquire " + n, "unacquire " + n, "release " + n + " effect 1",
                                                     "close " + n}));
}

// Each call reaches the haptic calls with its own device, effect and count in their places:
// here the second of two devices alone plays forces, and its effect is started five times.
TEST_F(Controllers, AForceEffectReachesItsDeviceWithItsNumberAndCountInPlace) {
  HapticRecorder recorder;
  recorder.forceFeedbackDevices = 0b10;  // the second device only
  recorder.nextEffect = 3;
  PlatformRecordHaptics(&recorder);
  VirtualJoystick first(2, 2, 0, "Plain One");
  VirtualJoystick second(2, 2, 0, "Forceful Two");
  ASSERT_EQ(PlatformOpenControllers(), 2) << "only the two sticks of this test";
  ASSERT_EQ(Find("Plain One"), 0);
  ASSERT_EQ(Find("Forceful Two"), 1);
  ControllerInfo info{};
  PlatformControllerInfo(0, info);
  EXPECT_EQ(info.forceFeedback, 0);
  PlatformControllerInfo(1, info);
  EXPECT_EQ(info.forceFeedback, 1);
  int effect = -1;
  ASSERT_EQ(PlatformCreateConstantForce(1, 2, effect), CONTROLLER_OK);
  EXPECT_EQ(effect, 3);
  EXPECT_EQ(PlatformStartForceEffect(1, effect, 5), CONTROLLER_OK);
  PlatformReleaseForceEffect(1, effect);
  PlatformCloseControllers();
  EXPECT_EQ(recorder.calls, (std::vector<std::string>{"create 1 axes 2", "start 1 effect 3 times 5",
                                                     "release 1 effect 3", "close 0", "close 1"}));
}

// Started, the layer has SDL read the devices while another window has the focus; and opening
// the devices leaves no error behind, whatever was there before.
TEST_F(Controllers, DevicesAreReadInTheBackgroundAndOpeningLeavesNoError) {
  const char* hint = SDL_GetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS);
  ASSERT_NE(hint, nullptr);
  EXPECT_STREQ(hint, "1");
  VirtualJoystick stick(2, 2, 0, "Quiet");
  SDL_SetError("an older error");
  PlatformOpenControllers();
  EXPECT_STREQ(PlatformLastControllerError(), "");
}

// The device numbers run from 0 to the count less one: the number just past the last open
// device, and the one before the first, have no information and reach no haptic call.
TEST_F(Controllers, TheNumbersJustOutsideTheOpenDevicesReachNothing) {
  HapticRecorder recorder;
  recorder.forceFeedbackDevices = 0b111;
  PlatformRecordHaptics(&recorder);
  VirtualJoystick first(2, 2, 0, "Edge One");
  VirtualJoystick second(2, 2, 0, "Edge Two");
  ASSERT_EQ(PlatformOpenControllers(), 2);
  ControllerInfo info{};
  EXPECT_EQ(PlatformControllerInfo(0, info), 1) << "the first";
  EXPECT_EQ(PlatformControllerInfo(1, info), 1) << "the last";
  EXPECT_EQ(PlatformControllerInfo(2, info), 0) << "one past the last";
  EXPECT_EQ(PlatformControllerInfo(-1, info), 0);
  EXPECT_EQ(PlatformPollController(1), CONTROLLER_OK);
  EXPECT_EQ(PlatformPollController(2), CONTROLLER_UNPLUGGED);
  int effect = 9;
  EXPECT_EQ(PlatformCreateConstantForce(2, 1, effect), CONTROLLER_UNPLUGGED);
  EXPECT_EQ(effect, -1);
  EXPECT_EQ(PlatformAcquireForceDevice(-1), CONTROLLER_UNPLUGGED);
  EXPECT_EQ(PlatformAcquireForceDevice(2), CONTROLLER_UNPLUGGED);
  EXPECT_EQ(recorder.calls, std::vector<std::string>{}) << "no call reached a device";
}

// ---- A force-feedback device made through the kernel's uinput ----

// A joystick with two axes, two buttons and a constant force; the kernel's effect uploads
// are answered from a thread of its own, as a driver would.
class UinputWheel {
 public:
  bool Create(const char* name) {
    fd_ = open("/dev/uinput", O_RDWR | O_NONBLOCK);
    if (fd_ < 0) return false;
    ioctl(fd_, UI_SET_EVBIT, EV_KEY);
    ioctl(fd_, UI_SET_KEYBIT, BTN_TRIGGER);
    ioctl(fd_, UI_SET_KEYBIT, BTN_THUMB);
    ioctl(fd_, UI_SET_EVBIT, EV_ABS);
    ioctl(fd_, UI_SET_ABSBIT, ABS_X);
    ioctl(fd_, UI_SET_ABSBIT, ABS_Y);
    ioctl(fd_, UI_SET_EVBIT, EV_FF);
    ioctl(fd_, UI_SET_FFBIT, FF_CONSTANT);
    ioctl(fd_, UI_SET_FFBIT, FF_GAIN);
    for (int code : {ABS_X, ABS_Y}) {
      uinput_abs_setup abs{};
      abs.code = static_cast<__u16>(code);
      abs.absinfo.minimum = -32768;
      abs.absinfo.maximum = 32767;
      ioctl(fd_, UI_ABS_SETUP, &abs);
    }
    uinput_setup setup{};
    setup.id.bustype = BUS_USB;
    setup.id.vendor = 0x1209;
    setup.id.product = 0x0001;
    std::snprintf(setup.name, sizeof setup.name, "%s", name);
    setup.ff_effects_max = 4;
    if (ioctl(fd_, UI_DEV_SETUP, &setup) < 0 || ioctl(fd_, UI_DEV_CREATE) < 0) return false;
    created_ = true;
    service_ = std::thread([this] { Serve(); });
    return true;
  }

  ~UinputWheel() {
    stop_ = true;
    if (service_.joinable()) service_.join();
    if (created_) ioctl(fd_, UI_DEV_DESTROY);
    if (fd_ >= 0) close(fd_);
  }

  int uploads = 0;

 private:
  void Serve() {
    while (!stop_) {
      pollfd p{fd_, POLLIN, 0};
      if (poll(&p, 1, 10) <= 0) continue;
      input_event ev{};
      while (read(fd_, &ev, sizeof ev) == static_cast<ssize_t>(sizeof ev)) {
        if (ev.type != EV_UINPUT) continue;
        if (ev.code == UI_FF_UPLOAD) {
          uinput_ff_upload up{};
          up.request_id = static_cast<__u32>(ev.value);
          ioctl(fd_, UI_BEGIN_FF_UPLOAD, &up);
          up.retval = 0;
          ioctl(fd_, UI_END_FF_UPLOAD, &up);
          ++uploads;
        } else if (ev.code == UI_FF_ERASE) {
          uinput_ff_erase erase{};
          erase.request_id = static_cast<__u32>(ev.value);
          ioctl(fd_, UI_BEGIN_FF_ERASE, &erase);
          erase.retval = 0;
          ioctl(fd_, UI_END_FF_ERASE, &erase);
        }
      }
    }
  }

  int fd_ = -1;
  bool created_ = false;
  std::atomic<bool> stop_{false};
  std::thread service_;
};

TEST_F(Controllers, AKernelForceFeedbackDevicePlaysAConstantForce) {
  if (access("/dev/uinput", W_OK) != 0) GTEST_SKIP() << "no /dev/uinput on this machine";
  UinputWheel wheel;
  ASSERT_TRUE(wheel.Create("ZKT Test Wheel"));
  int d = -1;
  for (int tries = 0; tries < 200 && d < 0; ++tries) {  // the device node appears shortly
    SDL_Delay(10);
    PlatformUpdateControllers();
    PlatformOpenControllers();
    d = Find("ZKT Test Wheel");
  }
  if (d < 0) GTEST_SKIP() << "the uinput device did not reach SDL (no access to /dev/input here)";
  ControllerInfo info{};
  ASSERT_EQ(PlatformControllerInfo(d, info), 1);
  EXPECT_EQ(info.axisMask, 0x03);
  ASSERT_EQ(info.forceFeedback, 1);
  int effect = -1;
  ASSERT_EQ(PlatformCreateConstantForce(d, 2, effect), CONTROLLER_OK) << PlatformLastControllerError();
  EXPECT_GE(effect, 0);
  EXPECT_GE(wheel.uploads, 1);
  EXPECT_EQ(PlatformAcquireForceDevice(d), CONTROLLER_OK);
  EXPECT_EQ(PlatformStartForceEffect(d, effect, 1), CONTROLLER_OK);
  EXPECT_EQ(PlatformUnacquireForceDevice(d), CONTROLLER_OK);
  PlatformReleaseForceEffect(d, effect);
  PlatformCloseControllers();
}

}  // namespace
