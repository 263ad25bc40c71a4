// vr.cpp - VR; no plug-in is loaded yet, so VR stays off.
#include "render/vr.h"

int VrPresenting;
int VrOverlayPrompt;
int VrPromptEscaped;

void CheckVr() { VrEnabled = 0; }
const char* OpenVr() { return "VR plug-in not available"; }
void CloseVr() {}
void VrFrameUpdate() {}
void VrDeviceLost() {}
void ClearVrRecords() {}
