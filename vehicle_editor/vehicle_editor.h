// vehicle_editor.h - the vehicle editor screen, and the services of it the interface uses.
#pragma once
#include <cstdint>

extern int VehicleEditorOpen;  // the vehicle editor screen is open

// Records an edit through an interface control of edit domain 2 in the vehicle editor's
// undo history: its name, kind (1 set a float, 2 adjust a colour, 3 set an integer, 4 switch
// a flag), the edited variable and a bit mask; an edit with the same kind, variable and mask
// as the latest one merges into it.  STAND-IN: null until the vehicle editor's history exists.
extern void (*RecordEditMerging)(const char* name, int kind, void* variable, uint32_t mask);
