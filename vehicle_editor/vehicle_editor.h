// vehicle_editor.h - the vehicle editor screen.
#pragma once

extern int VehicleEditorOpen;  // the vehicle editor screen is open
