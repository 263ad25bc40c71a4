// system_error.h - the text of the last failed system call, for reports to the user.
#pragma once

constexpr int SYSTEM_ERROR_TEXT_SIZE = 128;  // 127 characters and a zero

// The system's own text for the error of the last failed call on this thread (errno), cut
// to fit out.  Read it before any other system call, which may change the error.
void LastSystemErrorText(char* out, int outSize);
// The text of a given error number; an unknown number still gives a text.
void SystemErrorText(int error, char* out, int outSize);
