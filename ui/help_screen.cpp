// help_screen.cpp - the help screen.
#include "ui/help_screen.h"

#include <cstdio>
#include <cstring>

#include "core/frame_globals.h"
#include "text/language.h"
#include "text/text_colours.h"
#include "ui/interface.h"
#include "ui/interface_config.h"
#include "ui/interface_draw.h"
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

// The text's layout: wrapped lines from (-0.85, -0.7255), 1.7 wide, over a box from -0.75.
constexpr float HELP_TEXT_SIZE = 0.051f, HELP_LINE_HEIGHT = 0.06f, HELP_TEXT_WIDTH = 1.7f;
constexpr float HELP_TEXT_LEFT = -0.85f, HELP_TEXT_TOP = -0.7255f, HELP_BOX_TOP = -0.75f;
constexpr float HELP_BOX_MARGIN = 0.05f;
constexpr int HELP_MAX_LINES = 24;
constexpr float HELP_OK_WIDTH = 0.0f;  // the OK button takes the corner from 0.75

// The title, the text's lines, each wrapped, over their box, and the mode's buttons.
void AddHelpScreen(HelpScreen& screen) {
  AddScreenTitle(screen.title, 0, 0);
  const ColourWord c = InterfaceColours.bigText;
  float y = HELP_TEXT_TOP;
  int lines = 0;
  const char* end = screen.shownLines + std::strlen(screen.help.text);
  for (const char* line = screen.shownLines; line < end && lines < HELP_MAX_LINES; line += std::strlen(line) + 1) {
    const int drawn = line[0] ? DrawTextRGB(line, screen.help.codePage, HELP_TEXT_SIZE, HELP_LINE_HEIGHT, ColourRed(c),
                                            ColourGreen(c), ColourBlue(c), HELP_MAX_LINES - lines, HELP_TEXT_LEFT,
                                            HELP_TEXT_LEFT + HELP_TEXT_WIDTH, y)
                              : 1;
    lines += drawn;
    y += float(drawn) * HELP_LINE_HEIGHT;
  }
  // Text is drawn after the interface's quads, so the box queued now lies under it.
  if (lines > 0)
    DrawInterfaceQuad(TEXT_BOX_COLOUR, HELP_TEXT_LEFT - HELP_BOX_MARGIN, HELP_BOX_TOP,
                      HELP_TEXT_LEFT + HELP_TEXT_WIDTH + HELP_BOX_MARGIN,
                      HELP_BOX_TOP + float(lines) * HELP_LINE_HEIGHT + 0.04f);
  Prss* owner = &screen.prss;
  if (screen.mode == HELP_MODE_OK) {
    AddCornerBackButton(owner, 0, HelpScreenOk);  // "OK", else "back"
  } else if (screen.mode == HELP_MODE_OK_CANCEL) {
    AddBackButton(owner, 0, HelpScreenCancel, LanguageTexts[TX_3a_cancelbt]);
    AddOkButton(owner, 0, HelpScreenOk, LanguageTexts[TX_3a_capitlok], HELP_OK_WIDTH);
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
  if (FrameSkipped || process->sub) return process;
  AddHelpScreen(*screen);
  Prss_RestAfterDrawing(process);  // the page holds still: the next frame waits for input
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
