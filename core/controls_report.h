// controls_report.h - how the controls tell the user: a message line to the local user.
#pragma once

// text in the error colour when error is 1, else in the default colour.
void ControlsMessage(const char* text, int error);
