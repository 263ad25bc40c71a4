// welcome_page.cpp - the welcome page of the first run, with the choice of language.
#include <cstdio>
#include <cstring>

#include "core/app.h"
#include "core/player_file.h"
#include "core/process.h"
#include "frontend/frontend.h"
#include "platform/files.h"
#include "ui/interface_config.h"
#include "ui/language.h"

namespace {

constexpr int VALUE_TYPE_BIG_LABEL = 4;
constexpr int VALUE_TYPE_TEXT_BUTTON = 3;
constexpr int MAX_LANGUAGE_BUTTONS = 16;  // two rows of eight
constexpr float LANGUAGE_ROW_TOP = 0.35f, LANGUAGE_BUTTON_WIDTH = 0.22f, LANGUAGE_BUTTON_HEIGHT = 0.09f;

struct WelcomePage {
  Prss prss;
  uint8_t showLanguages;
};

const char* const WELCOME_LINES[] = {
    "The vehicle editor, with the engine of the racing simulator inside it.",
    "Please read the agreement on the next page before you go on.",
};

// Escape, "Q" and "X" end the whole start-up sequence, not only the page: a sequence left
// without its page would show nothing at all.
void WelcomePageKey(Prss* process, int keyCode) { EscapeQuitKey(process->parent ? process->parent : process, keyCode); }

void ChooseLanguage(void*, int, uintptr_t row) { SetLanguage(row == 0 ? "" : LanguageNameTable[row].name); }

bool LanguageFileExists(const char* name) {
  char path[96];
  std::snprintf(path, sizeof path, "data\\language\\%s.txt", name);
  return FileExists(path);
}

// English (row 0, built in), then every language whose file is installed.
void AddLanguageButtons(Prss* owner) {
  int shown = 0;
  for (int row = 0; row < LANGUAGE_NAME_COUNT && shown < MAX_LANGUAGE_BUTTONS; ++row) {
    const char* name = LanguageNameTable[row].name;
    if (row > 0 && !LanguageFileExists(name)) continue;
    const bool chosen = row == 0 ? LanguageName[0] == 0 : std::strcmp(LanguageName, name) == 0;
    const float left = -0.88f + float(shown % 8) * LANGUAGE_BUTTON_WIDTH;
    const float top = LANGUAGE_ROW_TOP + float(shown / 8) * (LANGUAGE_BUTTON_HEIGHT + 0.02f);
    AddValueControl(owner, reinterpret_cast<void*>(static_cast<uintptr_t>(row)), IvInt(0), IvInt(0), IvText(name),
                    VALUE_TYPE_TEXT_BUTTON, chosen ? &InterfaceColours.buttonGreen : &InterfaceColours.buttonCol,
                    ChooseLanguage, left, top, left + LANGUAGE_BUTTON_WIDTH - 0.02f, top + LANGUAGE_BUTTON_HEIGHT);
    ++shown;
  }
}

Prss* WelcomePageAction(Prss* process) {
  WelcomePage* page = reinterpret_cast<WelcomePage*>(process);
  if (ExitRequested && !process->sub) process->terminate(process);
  if (!process->alive) {
    delete page;
    return nullptr;
  }
  Prss_ActSub(process);
  if (!FrameSkipped && !process->sub) {
    AddPageTitle(LanguageTexts[TX_3a_wlcm_zkt]);
    float top = -0.4f;
    for (const char* line : WELCOME_LINES) {
      AddValueControl(nullptr, nullptr, IvInt(0), IvInt(0), IvText(line), VALUE_TYPE_BIG_LABEL,
                      &InterfaceColours.bigText, nullptr, -0.8f, top, 0.8f, top + 0.1f);
      top += 0.12f;
    }
    if (page->showLanguages) AddLanguageButtons(process);
  }
  return process;
}

}  // namespace

Prss* OpenWelcomeScreen(Prss* parent, int showLanguages) {
  WelcomePage* page = Prss_New<WelcomePage>();
  Prss_Init(&page->prss, parent, WelcomePageAction, WelcomePageKey, Prss_SimpleMouse, nullptr, nullptr);
  Prss_MakeCurrent(&page->prss);
  page->showLanguages = showLanguages ? 1 : 0;
  return &page->prss;
}
