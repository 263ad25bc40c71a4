// controllers.cpp - game controllers over SDL2's joystick, game-controller and haptic APIs.
//
// Sections: [State] [Haptic over SDL] [Devices] [Reading] [Force feedback]
#include "platform/controllers.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>

// ---- [State] ----

namespace {

struct Device {
  SDL_Joystick* joystick = nullptr;
  SDL_Haptic* haptic = nullptr;  // opened on first use, when the joystick has one
  int hapticTried = 0;
  ControllerInfo info{};
};

struct ControllerLayer {
  int starts = 0;
  int hapticUp = 0;
  Device devices[CONTROLLER_MAX_DEVICES];
  int count = 0;
};
ControllerLayer g_layer;

// Set by SDL's event watch (which may run wherever an event is pushed) on hot-plug events.
std::atomic<int> g_hotPlugged{0};

int SDLCALL WatchHotPlug(void*, SDL_Event* event) {
  if (event->type == SDL_JOYDEVICEADDED || event->type == SDL_JOYDEVICEREMOVED) g_hotPlugged.store(1);
  return 1;
}

Device* Open(int device) {
  if (device < 0 || device >= g_layer.count) return nullptr;
  return &g_layer.devices[device];
}

// ---- [Haptic over SDL] ----

SDL_Haptic* HapticOf(int device) {
  Device* d = Open(device);
  if (!d || !g_layer.hapticUp) return nullptr;
  if (!d->hapticTried) {
    d->hapticTried = 1;
    if (SDL_JoystickIsHaptic(d->joystick) == 1) d->haptic = SDL_HapticOpenFromJoystick(d->joystick);
  }
  return d->haptic;
}

int SdlSupports(int device) {
  SDL_Haptic* haptic = HapticOf(device);
  return haptic && (SDL_HapticQuery(haptic) & SDL_HAPTIC_CONSTANT) ? 1 : 0;
}

uint32_t SdlCreate(int device, int axes, int& effect) {
  effect = -1;
  SDL_Haptic* haptic = HapticOf(device);
  if (!haptic) return CONTROLLER_UNSUPPORTED;
  if (axes < 1 || axes > 2) return CONTROLLER_INVALID_PARAM;
  SDL_HapticEffect e;
  std::memset(&e, 0, sizeof e);
  e.type = SDL_HAPTIC_CONSTANT;
  e.constant.direction.type = SDL_HAPTIC_CARTESIAN;
  e.constant.direction.dir[0] = 1;  // along the first axis; the second (if any) at 0
  e.constant.length = SDL_HAPTIC_INFINITY;
  e.constant.level = 0;
  if (SDL_HapticQuery(haptic) & SDL_HAPTIC_GAIN) SDL_HapticSetGain(haptic, 100);
  const int id = SDL_HapticNewEffect(haptic, &e);
  if (id < 0) return CONTROLLER_GENERIC;
  effect = id;
  return CONTROLLER_OK;
}

uint32_t SdlAcquire(int device) {
  Device* d = Open(device);
  if (!d || !SDL_JoystickGetAttached(d->joystick)) return CONTROLLER_UNPLUGGED;
  return HapticOf(device) ? CONTROLLER_OK : CONTROLLER_UNSUPPORTED;
}

uint32_t SdlUnacquire(int device) {
  SDL_Haptic* haptic = HapticOf(device);
  if (!haptic) return CONTROLLER_UNSUPPORTED;
  return SDL_HapticStopAll(haptic) == 0 ? CONTROLLER_OK : CONTROLLER_GENERIC;
}

uint32_t SdlStart(int device, int effect, int iterations) {
  SDL_Haptic* haptic = HapticOf(device);
  if (!haptic) return CONTROLLER_UNSUPPORTED;
  return SDL_HapticRunEffect(haptic, effect, static_cast<Uint32>(iterations)) == 0 ? CONTROLLER_OK : CONTROLLER_GENERIC;
}

void SdlRelease(int device, int effect) {
  if (SDL_Haptic* haptic = HapticOf(device); haptic && effect >= 0) SDL_HapticDestroyEffect(haptic, effect);
}

void SdlClose(int device) {
  Device* d = Open(device);
  if (!d) return;
  if (d->haptic) SDL_HapticClose(d->haptic);
  d->haptic = nullptr;
  d->hapticTried = 0;
}

constexpr HapticCalls SDL_HAPTIC_CALLS = {SdlSupports, SdlCreate, SdlAcquire, SdlUnacquire, SdlStart, SdlRelease, SdlClose};
const HapticCalls* g_haptic = &SDL_HAPTIC_CALLS;

// Joystick and controller motion is read from the devices, never from events: only the
// hot-plug events stay in the queue.
void QuietMotionEvents() {
  static const Uint32 QUIET[] = {SDL_JOYAXISMOTION, SDL_JOYBALLMOTION, SDL_JOYHATMOTION, SDL_JOYBUTTONDOWN,
                                 SDL_JOYBUTTONUP, SDL_JOYBATTERYUPDATED, SDL_CONTROLLERAXISMOTION,
                                 SDL_CONTROLLERBUTTONDOWN, SDL_CONTROLLERBUTTONUP, SDL_CONTROLLERDEVICEADDED,
                                 SDL_CONTROLLERDEVICEREMOVED, SDL_CONTROLLERDEVICEREMAPPED,
                                 SDL_CONTROLLERTOUCHPADDOWN, SDL_CONTROLLERTOUCHPADMOTION,
                                 SDL_CONTROLLERTOUCHPADUP, SDL_CONTROLLERSENSORUPDATE};
  for (Uint32 type : QUIET) SDL_EventState(type, SDL_IGNORE);
}

}  // namespace

// ---- [Devices] ----

int PlatformControllersStart() {
  if (g_layer.starts == 0) {
    // A wheel is read while another window is in front, as the force feedback expects.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK | SDL_INIT_GAMECONTROLLER) != 0) return 0;
    // Without haptic support the devices are still read; none plays a force.
    g_layer.hapticUp = SDL_InitSubSystem(SDL_INIT_HAPTIC) == 0;
    if (!g_layer.hapticUp) SDL_ClearError();
    QuietMotionEvents();
    SDL_AddEventWatch(WatchHotPlug, nullptr);
  }
  ++g_layer.starts;
  return 1;
}

void PlatformControllersStop() {
  if (g_layer.starts == 0) return;
  if (--g_layer.starts > 0) return;
  PlatformCloseControllers();
  SDL_DelEventWatch(WatchHotPlug, nullptr);
  if (g_layer.hapticUp) SDL_QuitSubSystem(SDL_INIT_HAPTIC);
  g_layer.hapticUp = 0;
  SDL_QuitSubSystem(SDL_INIT_JOYSTICK | SDL_INIT_GAMECONTROLLER);
  g_hotPlugged.store(0);
}

const char* PlatformLastControllerError() { return SDL_GetError(); }

void PlatformCloseControllers() {
  for (int i = 0; i < g_layer.count; ++i) {
    g_haptic->close(i);
    SdlClose(i);  // whatever the SDL calls opened, whichever calls are installed
    if (g_layer.devices[i].joystick) SDL_JoystickClose(g_layer.devices[i].joystick);
    g_layer.devices[i] = Device{};
  }
  g_layer.count = 0;
}

int PlatformOpenControllers() {
  PlatformCloseControllers();
  if (g_layer.starts == 0) return 0;
  SDL_JoystickUpdate();
  const int attached = SDL_NumJoysticks();
  for (int index = 0; index < attached && g_layer.count < CONTROLLER_MAX_DEVICES; ++index) {
    SDL_Joystick* joystick = SDL_JoystickOpen(index);
    if (!joystick) continue;
    Device& d = g_layer.devices[g_layer.count];
    d.joystick = joystick;
    const char* name = SDL_IsGameController(index) ? SDL_GameControllerNameForIndex(index) : nullptr;
    if (!name) name = SDL_JoystickName(joystick);
    std::snprintf(d.info.name, sizeof d.info.name, "%s", name ? name : "Controller");
    const int axes = std::clamp(SDL_JoystickNumAxes(joystick), 0, CONTROLLER_AXES);
    d.info.axisMask = static_cast<uint8_t>((1u << axes) - 1);
    d.info.buttonCount = std::clamp(SDL_JoystickNumButtons(joystick), 0, CONTROLLER_BUTTONS);
    d.info.hatCount = std::clamp(SDL_JoystickNumHats(joystick), 0, CONTROLLER_HATS);
    ++g_layer.count;
    d.info.forceFeedback = g_haptic->supports(g_layer.count - 1);
  }
  SDL_ClearError();
  g_hotPlugged.store(0);
  return g_layer.count;
}

int PlatformControllerCount() { return g_layer.count; }

int PlatformControllerInfo(int device, ControllerInfo& out) {
  const Device* d = Open(device);
  if (!d) return 0;
  out = d->info;
  return 1;
}

int PlatformControllersChanged() {
  if (g_layer.starts == 0) return 0;
  int changed = g_hotPlugged.exchange(0);
  for (int i = 0; i < g_layer.count; ++i)
    if (!SDL_JoystickGetAttached(g_layer.devices[i].joystick)) changed = 1;
  return changed;
}

// ---- [Reading] ----

int32_t ScaleControllerAxis(int value) {
  value = std::clamp(value, -32768, 32767);
  if (value < 0) return -((-value * CONTROLLER_AXIS_RANGE + 16384) / 32768);
  return (value * CONTROLLER_AXIS_RANGE + 16383) / 32767;
}

int32_t HatDirection(int bits) {
  switch (bits) {
    case SDL_HAT_UP: return 0;
    case SDL_HAT_RIGHTUP: return 4500;
    case SDL_HAT_RIGHT: return 9000;
    case SDL_HAT_RIGHTDOWN: return 13500;
    case SDL_HAT_DOWN: return 18000;
    case SDL_HAT_LEFTDOWN: return 22500;
    case SDL_HAT_LEFT: return 27000;
    case SDL_HAT_LEFTUP: return 31500;
    default: return HAT_CENTRED;
  }
}

void PlatformUpdateControllers() {
  if (g_layer.starts > 0) SDL_JoystickUpdate();
}

uint32_t PlatformPollController(int device) {
  const Device* d = Open(device);
  return d && SDL_JoystickGetAttached(d->joystick) ? CONTROLLER_OK : CONTROLLER_UNPLUGGED;
}

uint32_t PlatformAcquireController(int device) { return PlatformPollController(device); }

uint32_t PlatformReadController(int device, ControllerState& out) {
  std::memset(&out, 0, sizeof out);
  for (int32_t& hat : out.hats) hat = HAT_CENTRED;
  const Device* d = Open(device);
  if (!d || !SDL_JoystickGetAttached(d->joystick)) return CONTROLLER_UNPLUGGED;
  for (int axis = 0; axis < CONTROLLER_AXES; ++axis)
    if (d->info.axisMask & (1u << axis)) out.axes[axis] = ScaleControllerAxis(SDL_JoystickGetAxis(d->joystick, axis));
  for (int button = 0; button < d->info.buttonCount; ++button)
    out.buttons[button] = SDL_JoystickGetButton(d->joystick, button) ? 1 : 0;
  for (int hat = 0; hat < d->info.hatCount; ++hat) out.hats[hat] = HatDirection(SDL_JoystickGetHat(d->joystick, hat));
  return CONTROLLER_OK;
}

// ---- [Force feedback] ----

uint32_t PlatformCreateConstantForce(int device, int axes, int& effect) {
  effect = -1;
  if (!Open(device)) return CONTROLLER_UNPLUGGED;
  return g_haptic->create(device, axes, effect);
}

uint32_t PlatformAcquireForceDevice(int device) {
  return Open(device) ? g_haptic->acquire(device) : CONTROLLER_UNPLUGGED;
}

uint32_t PlatformUnacquireForceDevice(int device) {
  return Open(device) ? g_haptic->unacquire(device) : CONTROLLER_UNPLUGGED;
}

uint32_t PlatformStartForceEffect(int device, int effect, int iterations) {
  return Open(device) ? g_haptic->start(device, effect, iterations) : CONTROLLER_UNPLUGGED;
}

void PlatformReleaseForceEffect(int device, int effect) {
  if (Open(device)) g_haptic->release(device, effect);
}

void PlatformUseHapticCalls(const HapticCalls* calls) { g_haptic = calls ? calls : &SDL_HAPTIC_CALLS; }
