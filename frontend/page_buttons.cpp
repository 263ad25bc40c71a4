// page_buttons.cpp - the corner buttons and the title of the simple pages.
#include "frontend/frontend.h"
#include "ui/interface_config.h"
#include "ui/language.h"
#include "ui/text_measure.h"
#include "core/main_window.h"

namespace {

// The corner buttons stand on the bottom row, a quarter of the screen wide.
constexpr float CORNER_TOP = 0.85f, CORNER_BOTTOM = 1.0f, CORNER_WIDTH = 0.25f;
constexpr int VALUE_TYPE_TEXT_BUTTON = 3;
constexpr int VALUE_TYPE_TITLE = 10;

void AddCornerButton(Prss* owner, uintptr_t word, InterfaceHandler handler, const char* text, ColourWord* colour,
                     float left) {
  AddValueControl(owner, reinterpret_cast<void*>(word), IvInt(0), IvInt(0), IvText(text), VALUE_TYPE_TEXT_BUTTON,
                  colour, handler, left, CORNER_TOP, left + CORNER_WIDTH, CORNER_BOTTOM);
}

}  // namespace

void AddPageBackButton(Prss* owner, uintptr_t word, InterfaceHandler handler, const char* text) {
  AddCornerButton(owner, word, handler, text ? text : LanguageTexts[TX_3a_backbutt],
                  handler ? &InterfaceColours.buttonRed : &InterfaceColours.textUnavailable, -1.0f);
}

void AddPageOkButton(Prss* owner, uintptr_t word, InterfaceHandler handler, const char* text) {
  AddCornerButton(owner, word, handler, text ? text : LanguageTexts[TX_3a_capitlgo], &InterfaceColours.buttonGreen,
                  1.0f - CORNER_WIDTH);
}

void AddPageTitle(const char* title) {
  // The title tab is as wide as its text (screen units).
  const float width = 2.0f * TextWidthAtSize1(title) / float(ScreenWidth > 0 ? ScreenWidth : 1);
  AddValueControl(nullptr, HeldFloat(width), IvInt(0), IvInt(0), IvText(title), VALUE_TYPE_TITLE, &InterfaceColours.titleGrey,
                  nullptr, -1.0f, -1.0f, 1.0f, -0.85f);
}
