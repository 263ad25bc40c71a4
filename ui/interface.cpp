// interface.cpp - the interface tables; nothing is drawn or clicked yet.
#include "ui/interface.h"

float ScreenTitleY = -1.0f;

void SetInterfaceRectangleToScreen() {}
void ClearInterface() {}
void SetInterfaceMetrics(int width, int height, int flags) {}
void FindButtonUnderMouse() {}
void HandleInterfaceMouse(Prss* owner, const MouseRecord* mouse) {}
void DrawInterface() {}
void DrawButtons() {}
void DrawScreenLabels() {}
void ClearCaptionWords() {}

int CommitValueEdit() { return 0; }
