// signals.h - the requests to end the program that come from outside it: an interrupt (Ctrl+C
// in its terminal, SIGINT), a request to terminate (SIGTERM) and the hang-up of its terminal or
// session (SIGHUP).
//
// Once caught, each is kept until the frame loop takes it (it wakes the loop's wait for
// messages, messages.h), which ends the program through its shut-down like any other exit
// request: no signal ends it half way.  A signal the program was started with ignored (as
// nohup starts it) stays ignored.  A message box open when one comes closes with it
// (message_box.h), so that a box never keeps the program from ending.
#pragma once

// Catches the three signals; calls after the first do nothing.  Main thread, at start.
void CatchEndSignals();
// The signal that came since the last call (SIGINT, SIGTERM or SIGHUP), or 0.  Main thread.
int TakeEndSignal();
// Whether one came that was not taken yet (safe in a signal handler).
int EndSignalPending();
// The signal's name as the log gives the exit's reason: "SIGINT", "SIGTERM", "SIGHUP".
const char* EndSignalName(int signal);
