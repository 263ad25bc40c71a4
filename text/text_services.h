// text_services.h - the text services' part of start-up.
//
// Part of the text services (text/, library zkt_text): coded text, code pages, colours,
// the message lines and language texts.  They stand on the foundation (core/) and under the
// renderer; nothing here draws.
#pragma once

// Installs what the text services give the foundation: the log's colour-code stripping
// (core/log.h's LogStripCodes) and the sound switch's line in the language (core/sound.h's
// SoundSwitchText).  Once at start-up, before the first log line.
void InstallTextServices();
