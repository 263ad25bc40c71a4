// welcome_page.cpp - the welcome page of the first run, with the choice of language.
#include <cstdio>
#include <cstring>

#include "core/frame_globals.h"
#include "core/process.h"
#include "core/window_state.h"
#include "frontend/frontend.h"
#include "frontend/player_file.h"
#include "physics/car.h"
#include "platform/files.h"
#include "text/language.h"
#include "ui/interface_config.h"
#include "ui/widgets.h"

namespace {

constexpr int MAX_LANGUAGE_BUTTONS = 16;
constexpr int LANGUAGES_PER_ROW = 8, LANGUAGE_BUTTON_UNITS = 4;

struct WelcomePage {
  Prss prss;
  uint8_t showLanguages;
};

const char* const WELCOME_LINES[] = {
    "The vehicle editor, with the racing simulator's engine inside it.",
    "Please read the agreement on the next page before you go on.",
};
constexpr const char* TEXT_DRIVE_SIDE_QUESTION =
    "The driver of the car on show sits off centre: choose the side you drive from in the options.";

// Escape, "Q" and "X" end the whole start-up sequence, not only the page: a sequence left
// without its page would show nothing at all.
void WelcomePageKey(Prss* process, int keyCode) { EscapeQuitKey(process->parent ? process->parent : process, keyCode); }

void ChooseLanguage(void*, int, uintptr_t row) { SetLanguage(row == 0 ? "" : LanguageNameTable[row].name); }

bool LanguageFileExists(const char* name) {
  char path[96];
  std::snprintf(path, sizeof path, "data\\language\\%s.txt", name);
  return FileExists(path);
}

// English (row 0, built in), then every language whose file is installed, in rows from the
// middle of the screen.
void AddLanguageButtons(Prss* owner) {
  int shown = 0;
  for (int row = 0; row < LANGUAGE_NAME_COUNT && shown < MAX_LANGUAGE_BUTTONS; ++row) {
    const char* name = LanguageNameTable[row].name;
    if (row > 0 && !LanguageFileExists(name)) continue;
    if (shown % LANGUAGES_PER_ROW == 0) {
      RowCursorX = ButtonWidth;
      RowCursorY = ScreenHeight / 2 + (shown / LANGUAGES_PER_ROW + 1) * ButtonHeight;
    }
    const bool chosen = row == 0 ? LanguageName[0] == 0 : std::strcmp(LanguageName, name) == 0;
    AddRowButton(owner, LANGUAGE_BUTTON_UNITS, static_cast<uintptr_t>(row), 0,
                 chosen ? &InterfaceColours.buttonGreen : &InterfaceColours.buttonCol, name, ChooseLanguage, nullptr);
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
    AddScreenTitle(LanguageTexts[TX_3a_wlcm_zkt], 0, 0);
    float y = -0.5f;
    for (const char* line : WELCOME_LINES) y = AddPageText(line, y);
    if (WelcomeAsksDriveSide()) AddPageText(TEXT_DRIVE_SIDE_QUESTION, y);
    if (page->showLanguages) AddLanguageButtons(process);
  }
  return process;
}

}  // namespace

int WelcomeAsksDriveSide() { return GarageCar() && GarageCar()->HasOffCentreDriver() ? 1 : 0; }

Prss* OpenWelcomeScreen(Prss* parent, int showLanguages) {
  WelcomePage* page = Prss_New<WelcomePage>();
  Prss_Init(&page->prss, parent, WelcomePageAction, WelcomePageKey, Prss_SimpleMouse, nullptr, nullptr);
  Prss_MakeCurrent(&page->prss);
  page->showLanguages = showLanguages ? 1 : 0;
  return &page->prss;
}
