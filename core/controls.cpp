// controls.cpp - controls; no controller is read yet.
#include "core/controls.h"

int ControlsPolledThisFrame;

void InitControls() {}
void PollControls() {}
void HandleFrameKeys() {}
int RunDeferredWork() { return 0; }
