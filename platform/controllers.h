// controllers.h - game controllers over SDL2's joystick, game-controller and haptic APIs:
// devices found and read in a fixed raw model, and a constant force played on them.
//
// Sections: [Result codes] [Devices] [Reading] [Force feedback] [Haptic calls]
//
// The raw model of one device: up to eight axes in the order X, Y, Z, RX, RY, RZ, slider 0,
// slider 1 (a device's first eight axes, in its own order), each scaled to -1000..1000; up
// to 128 buttons; up to four hats, each a direction in hundredths of a degree clockwise from
// up (0 up, 9000 right, 18000 down, 27000 left, the diagonals between) or -1 when centred.
// Buttons are the device's own, never remapped; the name comes from SDL's controller
// database where it knows the device.  Devices are numbered 0.. in the order found, at most
// CONTROLLER_MAX_DEVICES.  Main thread only.
#pragma once
#include <cstdint>

// ---- [Result codes] ----
// What the device and effect calls answer: 0 for success, else one of these.  The values
// are the conventional ones of controller interfaces, so the names the core gives them read
// the way every controller tool writes them.
enum ControllerResult : uint32_t {
  CONTROLLER_OK = 0,
  CONTROLLER_ACCESS_DENIED = 0x80070005u,  // another program has the device (not in front)
  CONTROLLER_NOT_ACQUIRED = 0x8007000Cu,
  CONTROLLER_INPUT_LOST = 0x8007001Eu,
  CONTROLLER_INVALID_PARAM = 0x80070057u,
  CONTROLLER_UNSUPPORTED = 0x80004001u,
  CONTROLLER_GENERIC = 0x80004005u,
  CONTROLLER_DEVICE_FULL = 0x80040201u,    // no room for another effect
  CONTROLLER_UNPLUGGED = 0x80040209u,
};

// ---- [Devices] ----
constexpr int CONTROLLER_MAX_DEVICES = 10;
constexpr int CONTROLLER_AXES = 8;
constexpr int CONTROLLER_BUTTONS = 128;
constexpr int CONTROLLER_HATS = 4;
constexpr int CONTROLLER_AXIS_RANGE = 1000;  // axes read -1000..1000
constexpr int32_t HAT_CENTRED = -1;
constexpr int CONTROLLER_NAME_SIZE = 64;

struct ControllerInfo {
  char name[CONTROLLER_NAME_SIZE];
  uint8_t axisMask;     // bit n: axis n is present (X, Y, Z, RX, RY, RZ, slider 0, slider 1)
  int buttonCount;      // 0..128
  int hatCount;         // 0..4
  int forceFeedback;    // 1 when a constant force can be played on it
};

// Starts the joystick, game-controller and haptic subsystems (counted: every start needs a
// stop).  1 on success.  Controllers are read whether or not the window is in front.
int  PlatformControllersStart();
// Closes every device; the subsystems stop with the last stop.
void PlatformControllersStop();
const char* PlatformLastControllerError();
// Closes the devices open and opens every device attached now, at most
// CONTROLLER_MAX_DEVICES; returns how many are open.
int  PlatformOpenControllers();
void PlatformCloseControllers();
int  PlatformControllerCount();
// 1 and the device's description; 0 for a device number not open.
int  PlatformControllerInfo(int device, ControllerInfo& out);
// 1 once after a device was added or removed (SDL's hot-plug events) since the devices
// were last opened: the caller opens them again between frames.
int  PlatformControllersChanged();

// ---- [Reading] ----
struct ControllerState {
  int32_t axes[CONTROLLER_AXES];       // -1000..1000; 0 for axes not present
  uint8_t buttons[CONTROLLER_BUTTONS]; // 1 while held
  int32_t hats[CONTROLLER_HATS];       // hundredths of a degree, HAT_CENTRED when centred
};

// Brings every device's state up to date (once per frame, before the reads).
void PlatformUpdateControllers();
// CONTROLLER_OK while the device can be read, CONTROLLER_UNPLUGGED once it is gone.
uint32_t PlatformPollController(int device);
// Takes the device again after a failed poll; CONTROLLER_UNPLUGGED while it is gone.
uint32_t PlatformAcquireController(int device);
// The device's state as of the last update; CONTROLLER_UNPLUGGED (state cleared) once gone.
uint32_t PlatformReadController(int device, ControllerState& out);
// SDL's axis value (-32768..32767) on the -1000..1000 scale: the ends map to the ends.
int32_t ScaleControllerAxis(int value);
// SDL's hat bits (up 1, right 2, down 4, left 8) as hundredths of a degree.
int32_t HatDirection(int bits);

// ---- [Force feedback] ----
// One constant-force effect of infinite length at full gain on the device's first one or
// two axes (Cartesian directions).  effect receives the effect's number (-1 none).  The
// force itself starts at 0; setting it is the caller's business.
uint32_t PlatformCreateConstantForce(int device, int axes, int& effect);
uint32_t PlatformAcquireForceDevice(int device);    // readies the device for playing
uint32_t PlatformUnacquireForceDevice(int device);  // stops what it plays
uint32_t PlatformStartForceEffect(int device, int effect, int iterations);
void     PlatformReleaseForceEffect(int device, int effect);

// ---- [Haptic calls] ----
// The haptic calls the layer makes, as a table: SDL's haptic API by default; tests install
// a recording stand-in (platform/haptic_recorder.h).  device is the device number above.
struct HapticCalls {
  int (*supports)(int device);  // 1 when the device plays a constant force
  uint32_t (*create)(int device, int axes, int& effect);
  uint32_t (*acquire)(int device);
  uint32_t (*unacquire)(int device);
  uint32_t (*start)(int device, int effect, int iterations);
  void (*release)(int device, int effect);
  void (*close)(int device);    // the device is being closed
};
// Installs calls (null: SDL's own).  Install before the devices are opened.
void PlatformUseHapticCalls(const HapticCalls* calls);
