// text_services.cpp - the text services' part of start-up.
#include "ui/text/text_services.h"

#include "core/log.h"
#include "ui/text/coded_text.h"

void InstallTextServices() { LogStripCodes = StripCodes; }
