// page_buttons.cpp - the corner buttons, the title and the text lines of the simple pages.
#include "core/main_window.h"
#include "frontend/frontend.h"
#include "ui/code_pages.h"
#include "ui/interface_config.h"
#include "ui/language.h"
#include "ui/text_draw.h"

namespace {

void AddCornerButton(Prss* owner, int left, uintptr_t word, InterfaceHandler handler, const char* text,
                     ColourWord* colour) {
  RowCursorX = left;
  RowCursorY = ScreenHeight - ButtonHeight;
  AddRowButton(owner, PAGE_BUTTON_UNITS, word, 0, colour, text, handler, nullptr);
}

}  // namespace

void AddPageBackButton(Prss* owner, uintptr_t word, InterfaceHandler handler, const char* text) {
  AddCornerButton(owner, 0, word, handler, text ? text : LanguageTexts[TX_3a_backbutt],
                  handler ? &InterfaceColours.buttonRed : &InterfaceColours.textUnavailable);
}

void AddPageOkButton(Prss* owner, uintptr_t word, InterfaceHandler handler, const char* text) {
  AddCornerButton(owner, ScreenWidth - PAGE_BUTTON_UNITS * ButtonWidth, word, handler,
                  text ? text : LanguageTexts[TX_3a_capitlgo], &InterfaceColours.buttonGreen);
}

void AddPageTitle(const char* title) {
  const ColourWord c = InterfaceColours.titleGrey;
  DrawTextRGB(title, CurrentCodePage, PAGE_TITLE_SIZE, PAGE_TITLE_SIZE, ColourRed(c), ColourGreen(c), ColourBlue(c), 1,
              -0.9f, 0.9f, -0.9f);
}

float AddPageText(const char* text, float y) {
  const ColourWord c = InterfaceColours.bigText;
  const int lines = DrawTextRGB(text, CurrentCodePage, PAGE_TEXT_SIZE, PAGE_TEXT_SIZE * 1.3f, ColourRed(c),
                                ColourGreen(c), ColourBlue(c), 4, -0.8f, 0.8f, y);
  return y + float(lines) * PAGE_TEXT_SIZE * 1.3f;
}
