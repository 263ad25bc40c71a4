// frame_controls.cpp - controller buttons standing in for keys.
#include "app/frame_controls.h"

#include <cstdint>

#include "app/main_window.h"
#include "app/text_commands.h"
#include "core/controls.h"
#include "core/process.h"
#include "platform/keys.h"
#include "race/race.h"
#include "render/vr.h"
#include "ui/text_entry.h"

namespace {

struct FrameKeyState {
  uint8_t pressed[CONTROL_COUNT];  // as last seen
  int panelShown;                  // the panel-hold control's press showed the first panel
};
FrameKeyState g_keys;

// The VR controller's buttons 20 and 21 count as the panel-hold and Escape controls.  The
// VR layer never reads the controller's buttons from the plug-in, so the bits stay 0.
constexpr uint32_t VR_BUTTON_PANEL_HOLD = 1u << 20;
constexpr uint32_t VR_BUTTON_ESCAPE = 1u << 21;
uint32_t VrControllerButtons() { return 0; }

constexpr int ARROW_KEYS[4] = {KEY_UP, KEY_DOWN, KEY_LEFT, KEY_RIGHT};  // controls 25..28

void PanelHold(bool press) {
  if (press) {
    if (ScreenPanel == 3 || ScreenPanel == 4) {
      SetScreenPanel(1);
      g_keys.panelShown = 1;
    }
  } else if (g_keys.panelShown) {
    SetScreenPanel(0);
    g_keys.panelShown = 0;
  }
}

// Escape as a key press for processes that take it so, else as the character 27.
void Escape() {
  if (!CurrentProcess || (CurrentProcess->flags & PRSS_FLAG_KEY_ESCAPE))
    SimulateKeyPress(0, 0, 0, KEY_ESCAPE);
  else
    HandleCharMessage(KEY_ESCAPE);
}

void Act(int control, bool press) {
  if (control == CONTROL_PANEL_HOLD) {
    PanelHold(press);
  } else if (control >= CONTROL_ARROW_UP && control < CONTROL_ARROW_UP + 4) {
    const int key = ARROW_KEYS[control - CONTROL_ARROW_UP];
    if (press)
      HandleKeyDown(key, 0);
    else
      HandleKeyUp(key);
  } else if (!press) {
    return;  // the others act on a press only
  } else if (control == CONTROL_ESCAPE) {
    Escape();
  } else if (control == CONTROL_HIDE_TEXT) {
    if (!TextEntryActive) CommandState.hideText ^= 1;
  } else if (control == CONTROL_TALK) {
    StartTypedMessage(0, nullptr);
  } else if (control >= CONTROL_CTRL_F1 && control < CONTROL_ALT_F1) {
    SimulateKeyPress(1, 0, 0, KEY_F1 + (control - CONTROL_CTRL_F1));
  } else if (control >= CONTROL_ALT_F1 && control < CONTROL_COUNT) {
    SimulateKeyPress(0, 0, 1, KEY_F1 + (control - CONTROL_ALT_F1));
  }
}

bool Pressed(int control, uint32_t vrButtons) {
  if (ButtonPressed(ControlTable[control].button)) return true;
  if (control == CONTROL_PANEL_HOLD) return (vrButtons & VR_BUTTON_PANEL_HOLD) != 0;
  if (control == CONTROL_ESCAPE) return (vrButtons & VR_BUTTON_ESCAPE) != 0;
  return false;
}

}  // namespace

void HandleFrameKeys() {
  const uint32_t vrButtons = VrEnabled ? VrControllerButtons() : 0;
  for (int control = CONTROL_PANEL_HOLD; control < CONTROL_COUNT; ++control) {
    if (control > CONTROL_ARROW_UP + 3 && control < CONTROL_CTRL_F1) continue;  // the gears
    const bool now = Pressed(control, vrButtons);
    if (now == (g_keys.pressed[control] != 0)) continue;
    g_keys.pressed[control] = now ? 1 : 0;
    Act(control, now);
  }
}

void ResetFrameKeys() { g_keys = FrameKeyState{}; }
