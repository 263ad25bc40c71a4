// credits_page.cpp - the closing credits, shown once on the way out of the program.
#include "core/app.h"
#include "core/main_window.h"
#include "core/process.h"
#include "frontend/frontend.h"
#include "ui/interface_config.h"

namespace {

constexpr int VALUE_TYPE_BIG_LABEL = 4;

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

void CreditsMouse(Prss* process, const MouseRecord* mouse) {
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
    float top = -0.2f;
    for (const char* line : CREDITS_LINES) {
      AddValueControl(nullptr, nullptr, IvInt(0), IvInt(0), IvText(line), VALUE_TYPE_BIG_LABEL,
                      &InterfaceColours.bigText, nullptr, -0.6f, top, 0.6f, top + 0.1f);
      top += 0.12f;
    }
  }
  return process;
}

}  // namespace

Prss* OpenCreditsPage(Prss* parent) {
  CreditsPage* page = Prss_New<CreditsPage>();
  Prss_Init(&page->prss, parent, CreditsPageAction, CreditsKey, CreditsMouse, nullptr, nullptr);
  Prss_MakeCurrent(&page->prss);
  page->openedAtMs = ProgramClock;
  return &page->prss;
}
