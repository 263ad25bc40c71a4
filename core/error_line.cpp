// error_line.cpp - the foundation's error lines go to the interface's message lines.
#include "core/error_line.h"

#include "ui/messages.h"
#include "ui/text_colours.h"

void ShowErrorLine(const char* text) { ShowMessage(text, TextColours.error); }
