// vehicle_editor.cpp - the vehicle editor screen.
#include "vehicle_editor/vehicle_editor.h"

int VehicleEditorOpen;

void (*RecordEditMerging)(const char* name, int kind, void* variable, uint32_t mask);
