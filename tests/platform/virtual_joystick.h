// virtual_joystick.h - SDL's virtual joysticks as stand-in devices for the controller tests.
#pragma once
#include <SDL.h>
#include <gtest/gtest.h>

#include <vector>

// A device attached while it lives: its axes, buttons and hats are set by the test and
// reach the program at the next joystick update.
class VirtualJoystick {
 public:
  VirtualJoystick(int axes, int buttons, int hats, const char* name = "Test Stick",
                  SDL_JoystickType type = SDL_JOYSTICK_TYPE_WHEEL) {
    SDL_VirtualJoystickDesc desc;
    SDL_zero(desc);
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = static_cast<Uint16>(type);
    desc.naxes = static_cast<Uint16>(axes);
    desc.nbuttons = static_cast<Uint16>(buttons);
    desc.nhats = static_cast<Uint16>(hats);
    desc.name = name;
    const int index = SDL_JoystickAttachVirtualEx(&desc);
    EXPECT_GE(index, 0) << SDL_GetError();
    if (index < 0) return;
    handle_ = SDL_JoystickOpen(index);
    EXPECT_NE(handle_, nullptr) << SDL_GetError();
  }
  ~VirtualJoystick() { Detach(); }
  VirtualJoystick(const VirtualJoystick&) = delete;
  VirtualJoystick& operator=(const VirtualJoystick&) = delete;

  void Axis(int axis, int value) { SDL_JoystickSetVirtualAxis(handle_, axis, static_cast<Sint16>(value)); }
  void Button(int button, bool down) { SDL_JoystickSetVirtualButton(handle_, button, down ? 1 : 0); }
  void Hat(int hat, Uint8 bits) { SDL_JoystickSetVirtualHat(handle_, hat, bits); }

  // Unplugs the device (SDL sends its removal event).
  void Detach() {
    if (!handle_) return;
    const SDL_JoystickID id = SDL_JoystickInstanceID(handle_);
    for (int i = 0; i < SDL_NumJoysticks(); ++i)
      if (SDL_JoystickGetDeviceInstanceID(i) == id) {
        SDL_JoystickDetachVirtual(i);
        break;
      }
    SDL_JoystickClose(handle_);
    handle_ = nullptr;
  }

  SDL_Joystick* Handle() const { return handle_; }

 private:
  SDL_Joystick* handle_ = nullptr;
};
