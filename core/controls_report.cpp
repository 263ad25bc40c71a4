// controls_report.cpp - the controls' messages, as message lines to the local user.
#include "core/controls_report.h"

#include "ui/messages.h"
#include "ui/text_colours.h"

void ControlsMessage(const char* text, int error) {
  AddMessage(text, error ? TextColours.error : TextColours.grey, MSG_TARGET_LOCAL);
}
