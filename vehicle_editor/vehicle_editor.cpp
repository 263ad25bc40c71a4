// vehicle_editor.cpp - the vehicle editor screen.
#include "vehicle_editor/vehicle_editor.h"

int VehicleEditorOpen;

