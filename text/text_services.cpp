// text_services.cpp - the text services' part of start-up.
#include "text/text_services.h"

#include <cstdio>

#include "core/log.h"
#include "core/sound.h"
#include "text/coded_text.h"
#include "text/language.h"

namespace {

// The body of the SoundSwitchText hook (core/sound.h): "Sound : On" in the language.
void SoundSwitchLine(int on, char* line, size_t size) {
  std::snprintf(line, size, LanguageTexts[TX_3a_shnsound], LanguageTexts[on ? TX_3a_on_buttn : TX_3a_off_butt]);
}

}  // namespace

void InstallTextServices() {
  LogStripCodes = StripCodes;
  SoundSwitchText = SoundSwitchLine;
}
