// countdown_caption.cpp - the garage's countdown caption: its text from the race's state and
// the time left, drawn centred.
#include <cstdio>

#include "frontend/frontend.h"
#include "solid/solid_hooks.h"
#include "text/language.h"
#include "text/text_colours.h"
#include "ui/text_draw.h"
#include "world/race_state.h"

void (*CountdownCaptionDrawer)(const char* text, uint32_t colour) = DrawCentredCaption;

void CountdownCaptionText(int state, int mode, int32_t remainingMs, char* out, size_t size) {
  const int stateText = state == 1                                         ? TX_zk_cntdnsta
                        : (state == 3 && mode == 2) || (state == 2 && mode == 1) ? TX_zk_cntdnend
                                                                             : TX_zk_cntdnres;
  const int name = state == 3 ? TX_zk_cntdnqua : TX_zk_cntdnrac;
  char nameAndState[96], seconds[16];
  std::snprintf(nameAndState, sizeof nameAndState, "%s %s", LanguageTexts[name], LanguageTexts[stateText]);
  std::snprintf(seconds, sizeof seconds, "%d", remainingMs / 1000 + 1);
  // The caption's two conversions take the filled parts, so no text of a translation is ever
  // read as a format.
  std::snprintf(out, size, LanguageTexts[TX_zk_cntdncap], nameAndState, seconds);
}

void DrawCountdownCaption() {
  char text[160];
  CountdownCaptionText(RaceState.state, RaceState.mode, RaceState.countdownMs, text, sizeof text);
  // The light yellow of the palette, deepened halfway to its yellow, opaque.
  const ColourWord light = TextColours.lightYellow, deep = TextColours.yellow;
  const uint32_t red = (ColourRed(light) + ColourRed(deep)) / 2, green = (ColourGreen(light) + ColourGreen(deep)) / 2,
                 blue = (ColourBlue(light) + ColourBlue(deep)) / 2;
  CountdownCaptionDrawer(text, 0xFF000000u | red << 16 | green << 8 | blue);
}
