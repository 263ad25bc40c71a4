// options_page.cpp - the options screen as far as the editor has it: the interface colours
// and alphas, the player's name and the player's gearbox options.
#include <cstdio>
#include <cstring>

#include "core/config.h"
#include "core/frame_globals.h"
#include "core/process.h"
#include "frontend/frontend.h"
#include "frontend/player_file.h"
#include "render/frame.h"
#include "ui/dialogs.h"
#include "ui/interface_config.h"
#include "ui/widgets.h"

namespace {

constexpr int OPTIONS_LAYOUT = 5;  // labels on the left half, values beside them

struct OptionsPage {
  Prss prss;
  int savedDialog;
  int32_t gearbox[5];  // the player's options 3 to 7 while the screen is open
};

// Option 3: the gear shift with a wheel (3 a separate shifter device); 4: with the other
// controls; 5 to 7 one choice each for the gearbox kinds named.
struct GearboxOption {
  const char* label;
  int maximum;
  const char* const* values;
};
const char* const SHIFT_VALUES[] = {"automatic", "sequential", "H-pattern", "shifter device"};
const char* const ONOFF_VALUES[] = {"no", "yes"};
const GearboxOption GEARBOX_OPTIONS[5] = {
    {"wheel gear shift", 3, SHIFT_VALUES},
    {"other controls shift", 2, SHIFT_VALUES},
    {"motorbike / sequential gearbox", 1, ONOFF_VALUES},
    {"sequential H-pattern", 1, ONOFF_VALUES},
    {"H-pattern gearbox", 1, ONOFF_VALUES},
};

void ColoursChanged(void*, int, uintptr_t) { ApplyInterfaceColours(); }

void GearboxStep(void* owner, int, uintptr_t word) {
  OptionsPage* page = static_cast<OptionsPage*>(owner);
  const int option = int(word / 2), up = int(word % 2);
  if (option < 0 || option >= 5) return;
  int32_t& value = page->gearbox[option];
  value = up ? (value < GEARBOX_OPTIONS[option].maximum ? value + 1 : value) : (value > 0 ? value - 1 : 0);
}

void BackButton(void* owner, int, uintptr_t) { Prss_Terminate(static_cast<Prss*>(owner)); }

// Closing, however it comes, keeps what was chosen: the colours in interface_cfg.txt, the
// options in the player file.
void KeepChoices(OptionsPage& page) {
  for (int i = 0; i < 5; ++i) Player.options[3 + i] = uint8_t(page.gearbox[i]);
  ApplyInterfaceColours();
  WriteInterfaceCfg();
  SavePlayerFile();
  DialogOpen = page.savedDialog;
  PopClearMode();
}

void OptionsKey(Prss* process, int keyCode) {
  if (keyCode == 27) Prss_Terminate(process);
}

Prss* OptionsAction(Prss* process) {
  OptionsPage* page = reinterpret_cast<OptionsPage*>(process);
  if (!process->alive) {
    KeepChoices(*page);
    delete page;
    return nullptr;
  }
  if (FrameSkipped) return process;
  DialogOpen = 2;
  AddScreenTitle("Options", OPTIONS_LAYOUT, 0);
  const float step = CurrentPanelLayout().rowHeight * 1.2f;
  float y = -0.7f;
  InterfaceColourSettings& c = InterfaceColours;
  AddPanelSliderRow(process, "Button Alpha %.2f", &c.buttonAlpha, 0.0f, 1.0f, ColoursChanged, y);
  AddColourRowWithFlags(process, "Button Col", &c.buttonCol, 0, ColoursChanged, y += step);
  AddPanelSliderRow(process, "Big Alpha %.2f", &c.bigAlpha, 0.0f, 1.0f, ColoursChanged, y += step);
  AddColourRowWithFlags(process, "Big Col", &c.bigCol, 0, ColoursChanged, y += step);
  AddColourRowWithFlags(process, "Big Text", &c.bigText, 0, ColoursChanged, y += step);
  AddColourRowWithFlags(process, "Text Unselected", &c.textUnselected, 0, ColoursChanged, y += step);
  AddPanelTextField(process, "Player name", CfgPlayerName, int(sizeof CfgPlayerName) - 1, nullptr, VALUE_TYPE_EDIT_TEXT,
                    nullptr, y += step);
  for (int i = 0; i < 5; ++i) {
    const GearboxOption& o = GEARBOX_OPTIONS[i];
    AddPanelValueRow(process, o.label, o.values[page->gearbox[i]], &page->gearbox[i], uintptr_t(2 * i), GearboxStep,
                     y += step);
  }
  AddBackButton(process, 0, BackButton, nullptr);
  return process;
}

}  // namespace

Prss* OpenOptions(Prss* parent) {
  OptionsPage* page = Prss_New<OptionsPage>();
  Prss_Init(&page->prss, parent, OptionsAction, OptionsKey, Prss_SimpleMouse, nullptr, nullptr);
  page->savedDialog = DialogOpen;
  for (int i = 0; i < 5; ++i) {
    const uint8_t value = Player.options[3 + i];
    page->gearbox[i] = value <= GEARBOX_OPTIONS[i].maximum ? value : 0;
  }
  DialogOpen = 2;
  // The page clears its frames: over an editor, which clears for itself and draws nothing
  // while the page is open, the editor's last picture would stay beneath it.
  PushClearMode(0);
  // Keys and the mouse are the page's while it is open: Escape closes it and not the screen
  // beneath.
  Prss_MakeCurrent(&page->prss);
  return &page->prss;
}
