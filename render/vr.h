// vr.h - the VR plug-in interface.
#pragma once

#include "core/frame_globals.h"  // VrEnabled: VR is on

extern int VrPresenting;     // the headset is presenting frames
extern int VrOverlayPrompt;  // the overlay prompt is shown (Escape closes it)
extern int VrPromptEscaped;

void CheckVr();
const char* OpenVr();        // null, or an error text
void CloseVr();
void VrFrameUpdate();
void VrDeviceLost();
void ClearVrRecords();
