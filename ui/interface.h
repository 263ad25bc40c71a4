// interface.h - the per-frame button and value-control tables, their drawing and clicks.
#pragma once

struct MouseRecord;
struct Prss;

extern float ScreenTitleY;  // -1.0: no screen title this frame

void SetInterfaceRectangleToScreen();  // the whole screen, less the message area
void ClearInterface();       // empties both tables before each act
void SetInterfaceMetrics(int width, int height, int flags);
void FindButtonUnderMouse();
void HandleInterfaceMouse(Prss* owner, const MouseRecord* mouse);
void DrawInterface();
void DrawButtons();
void DrawScreenLabels();
void ClearCaptionWords();    // the two per-frame caption words of centred captions

// Ends a value drag in progress; 1 when there was one (the key that ended it is consumed).
int CommitValueEdit();
