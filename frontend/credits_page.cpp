// credits_page.cpp - the closing credits, shown once on the way out of the program.  Leaving
// for them deletes the loaded world: nothing of a track stays behind.
#include "core/frame_globals.h"
#include "core/process.h"
#include "core/window_state.h"
#include "frontend/frontend.h"
#include "world/world.h"

namespace {

struct CreditsPage {
  Prss prss;
  uint32_t openedAtMs;  // ProgramClock when the page opened
};

const char* const CREDITS_LINES[] = {
    "ZKT Editor",
    "Made by the ZKT team",
    "Thank you for driving with us",
};

void CreditsKey(Prss* process, int) { Prss_Terminate(process); }

void CreditsMouse(Prss* process, MouseRecord* mouse) {
  if (mouse && mouse->clickCode) Prss_Terminate(process);
}

Prss* CreditsPageAction(Prss* process) {
  CreditsPage* page = reinterpret_cast<CreditsPage*>(process);
  if (process->alive && (ExitRequested || ProgramClock - page->openedAtMs >= CREDITS_SHOW_MS))
    process->terminate(process);
  if (!process->alive) {
    delete page;
    return nullptr;
  }
  if (!FrameSkipped) {
    float y = -0.2f;
    for (const char* line : CREDITS_LINES) y = AddPageText(line, y);
  }
  return process;
}

}  // namespace

Prss* OpenCreditsPage(Prss* parent) {
  DeleteWorld();
  CreditsPage* page = Prss_New<CreditsPage>();
  Prss_Init(&page->prss, parent, CreditsPageAction, CreditsKey, CreditsMouse, nullptr, nullptr);
  Prss_MakeCurrent(&page->prss);
  page->openedAtMs = ProgramClock;
  return &page->prss;
}
