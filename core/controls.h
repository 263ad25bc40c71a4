// controls.h - game controllers, the program's controls and axes, and per-frame keys.
#pragma once

extern int ControlsPolledThisFrame;

void InitControls();
void PollControls();        // once per drawn frame
void HandleFrameKeys();     // once per loop pass
int  RunDeferredWork();     // texture reloads and plate textures; 1 when work was done
