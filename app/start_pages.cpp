// start_pages.cpp - the first-run pages: welcome, then the agreement.
#include "app/start_pages.h"

#include "app/app.h"
#include "core/config.h"
#include "frontend/frontend.h"
#include "frontend/player_file.h"
#include "text/language.h"
#include "ui/help_screen.h"
#include "ui/interface_config.h"
#include "ui/widgets.h"

namespace {

constexpr uintptr_t WORD_EXIT = 0, WORD_NEXT = 1;
constexpr float OK_BUTTON_WIDTH = 0.0f;  // as wide as the exit button

// The parent the next page opens under.  The sequence is freed before the page acts.
Prss* HandOver(StartScreens* screens, Prss* next) {
  delete screens;
  return next->act(next);  // the new page is live in this same frame
}

}  // namespace

Prss* CreateStartScreens(Prss* parent) {
  StartScreens* screens = Prss_New<StartScreens>();
  Prss_Init(&screens->prss, parent, StartScreenAction, EscapeQuitKey, Prss_SimpleMouse, nullptr, nullptr);
  Prss_MakeCurrent(&screens->prss);
  Prss_AddSub(&screens->prss, OpenWelcomeScreen(&screens->prss, 1));
  return &screens->prss;
}

void StartScreenButton(void* owner, int, uintptr_t word) {
  StartScreens* screens = static_cast<StartScreens*>(owner);
  Prss* page = screens->prss.sub;
  if (!page || page->sub) return;
  if (word == WORD_EXIT) screens->step = -1;
  if (word == WORD_NEXT) screens->step = 1;
  Prss_Terminate(page);
  Prss_ActSub(&screens->prss);  // the page frees itself and the slot empties
}

Prss* StartScreenAction(Prss* process) {
  StartScreens* screens = reinterpret_cast<StartScreens*>(process);
  if (screens->step != 0 && process->alive) {
    screens->page += screens->step;
    if (screens->page == 0) screens->page = -1;  // back from the agreement leaves too
    screens->step = 0;
    Prss* parent = process->parent;
    switch (screens->page) {
      case -1:
        return HandOver(screens, OpenCreditsPage(parent));
      case 0:
        Prss_AddSub(process, OpenWelcomeScreen(process, 1));
        break;
      case 1:
        Prss_AddSub(process, LoadHelpText(process, LanguageTexts[TX_3a_agre_zkt], "agreement", HELP_MODE_NO_BUTTONS));
        break;
      default: {
        Prss* entry = CreateEntryPage(parent);  // clears "Welcome C ", so it is saved cleared
        SaveConfig();
        WriteInterfaceCfg();
        SavePlayerFile();
        return HandOver(screens, entry);
      }
    }
  }
  if (!process->alive) {
    delete screens;
    return nullptr;
  }
  Prss_ActSub(process);
  Prss* page = process->sub;
  if (page && !FrameSkipped && !page->sub) {
    AddBackButton(process, WORD_EXIT, StartScreenButton, LanguageTexts[TX_3a_exit_btn]);
    AddOkButton(process, WORD_NEXT, StartScreenButton,
                LanguageTexts[screens->page == 0 ? TX_3a_next_btn : TX_3g_agre_btn], OK_BUTTON_WIDTH);
  }
  if (!page && ExitRequested) Prss_Terminate(process);
  // The welcome and agreement pages hold still: unless a page is changing or the sequence
  // is closing, the next frame waits for input or the blink tick.
  if (page && page->alive && process->alive && !ExitRequested) RedrawRequested = 0;
  return process;
}
