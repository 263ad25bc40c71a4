// page_text.cpp - the text lines of the simple pages.
#include "frontend/frontend.h"
#include "text/code_pages.h"
#include "ui/interface_config.h"
#include "ui/text_draw.h"

float AddPageText(const char* text, float y, float leftX, float rightX) {
  const ColourWord c = InterfaceColours.bigText;
  const float lineHeight = PAGE_TEXT_SIZE * 1.3f;
  const int lines = DrawTextRGB(text, CurrentCodePage, PAGE_TEXT_SIZE, lineHeight, ColourRed(c), ColourGreen(c),
                                ColourBlue(c), 4, leftX, rightX, y);
  return y + float(lines) * lineHeight;
}
