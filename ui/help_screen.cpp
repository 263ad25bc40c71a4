// help_screen.cpp - the help screen.
#include "ui/help_screen.h"

#include <cstdio>
#include <cstring>

#include "core/frame_globals.h"
#include "ui/interface.h"
#include "ui/interface_config.h"
#include "ui/text/text_colours.h"
#include "ui/text_draw.h"
#include "ui/widgets.h"

Prss* LoadHelpText(Prss* owner, const char* title, const char* key, int mode) {
  HelpScreen* screen = Prss_New<HelpScreen>();
  Prss_Init(&screen->prss, owner, HelpScreenAction, HelpScreenKey, Prss_SimpleMouse, nullptr, nullptr);
  Prss_MakeCurrent(&screen->prss);
  screen->mode = mode;
  std::snprintf(screen->title, sizeof screen->title, "%s", title ? title : "");
  FindHelpText(key, screen->help);
  std::memcpy(screen->shownLines, screen->help.text, sizeof screen->shownLines);
  for (char& c : screen->shownLines)
    if (c == '\n' || c == '\r') c = 0;
  return &screen->prss;
}

namespace {

constexpr float HELP_TEXT_SIZE = 0.05f, HELP_LINE_HEIGHT = 0.065f, HELP_TEXT_BOTTOM = 0.8f;

// The title, then the text's lines, each wrapped, as far as the page has room.
void AddHelpScreenText(HelpScreen& screen) {
  const ColourWord c = InterfaceColours.bigText;
  AddScreenTitle(screen.title, 0, 0);
  float y = -0.7f;
  const char* end = screen.shownLines + std::strlen(screen.help.text);
  for (const char* line = screen.shownLines; line < end; line += std::strlen(line) + 1) {
    const int room = int((HELP_TEXT_BOTTOM - y) / HELP_LINE_HEIGHT);
    if (room < 1) break;
    const int used = line[0] ? DrawTextRGB(line, screen.help.codePage, HELP_TEXT_SIZE, HELP_LINE_HEIGHT, ColourRed(c),
                                           ColourGreen(c), ColourBlue(c), room, -0.9f, 0.9f, y)
                             : 1;
    y += float(used) * HELP_LINE_HEIGHT;
  }
}

}  // namespace

Prss* HelpScreenAction(Prss* process) {
  HelpScreen* screen = reinterpret_cast<HelpScreen*>(process);
  if (ExitRequested && !process->sub) process->terminate(process);
  if (!process->alive) {
    delete screen;
    return nullptr;
  }
  Prss_ActSub(process);
  if (!FrameSkipped && !process->sub) AddHelpScreenText(*screen);
  // The mode's buttons (HelpScreenOk, HelpScreenCancel) are added here once the shared page
  // buttons exist; the owner of a screen without buttons adds its own.
  return process;
}

void HelpScreenKey(Prss* process, int keyCode) {
  HelpScreen* screen = reinterpret_cast<HelpScreen*>(process);
  if (screen->mode == HELP_MODE_NO_BUTTONS) return;
  if (keyCode == 13) {
    screen->accepted = 1;
    process->terminate(process);
  } else if (keyCode == 27 || keyCode == 'Q' || keyCode == 'X') {
    process->terminate(process);
  }
}

void HelpScreenOk(void* owner, int clickCode, uintptr_t word) {
  Prss* process = static_cast<Prss*>(owner);
  reinterpret_cast<HelpScreen*>(process)->accepted = 1;
  process->terminate(process);
}

void HelpScreenCancel(void* owner, int clickCode, uintptr_t word) {
  Prss* process = static_cast<Prss*>(owner);
  process->terminate(process);
}
