// error_line.h - a line in the error colour on the message lines, for the foundation's own
// reports (sound output and the profiler), which know nothing of the interface.
#pragma once

void ShowErrorLine(const char* text);
