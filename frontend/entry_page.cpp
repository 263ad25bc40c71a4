// entry_page.cpp - the entry page: the hub every session starts from.
#include "core/app.h"
#include "core/config.h"
#include "core/process.h"
#include "frontend/frontend.h"
#include "race/race.h"

uint32_t ExitAction;

namespace {

struct EntryPage {
  Prss prss;
};

Prss* EntryPageAction(Prss* process) {
  EntryPage* page = reinterpret_cast<EntryPage*>(process);
  if (ExitRequested && !process->sub) process->terminate(process);
  if (!process->alive) {
    delete page;
    return nullptr;
  }
  GameState = 1;  // a front-end menu page: the loop keeps the menu frame period
  Prss_ActSub(process);
  return process;
}

}  // namespace

Prss* CreateEntryPage(Prss* parent) {
  EntryPage* page = Prss_New<EntryPage>();
  Prss_Init(&page->prss, parent, EntryPageAction, EscapeQuitKey, Prss_SimpleMouse, nullptr, nullptr);
  Prss_MakeCurrent(&page->prss);
  CfgWelcome = 0;
  return &page->prss;
}

void EscapeQuitKey(Prss* process, int keyCode) {
  if (keyCode == 27 || keyCode == 'Q' || keyCode == 'X') Prss_Terminate(process);
}

int EntryPageShowing() { return CurrentProcess && CurrentProcess->act == EntryPageAction && !CurrentProcess->sub; }

void RefreshGarageSetups() {}  // no garage screen yet
