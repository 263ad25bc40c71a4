// vehicle_editor.h - the vehicle editor screen, and the services of it the interface uses.
#pragma once
#include <cstdint>

extern int VehicleEditorOpen;  // the vehicle editor screen is open

// Records an edit through an interface control of edit domain 2 in the vehicle editor's
// undo history: its name, kind (1 set a float, 2 adjust a colour, 3 set an integer, 4 switch
// a flag), the edited variable and a bit mask; an edit with the same kind, variable and mask
// as the latest one merges into it.  STAND-IN: null until the vehicle editor's history exists.
extern void (*RecordEditMerging)(const char* name, int kind, void* variable, uint32_t mask);

// ---- Bevelled boxes ----
// A box in pixels through the shared 2D stream: a face in the colour and four bevel edges,
// light (c + 255) / 2 above and left, dark (c + 100) / 2 below and right; a state other than
// 0 and 255 swaps them, 255 draws both in red.  The bevel is bevelPixels wide (the button
// inset); the wide form's bevel is a quarter of the box's width and height, and any state
// other than 0 swaps its edges.  Drawn when the stream's batch is drawn
// (DrawPending2DTriangles); both open a batch on the default material when none is open.
void DrawBevelBox(uint32_t colourWord, int state, float x1, float y1, float x2, float y2, float bevelPixels);
void DrawBevelBoxWide(uint32_t colourWord, int state, float x1, float y1, float x2, float y2);
