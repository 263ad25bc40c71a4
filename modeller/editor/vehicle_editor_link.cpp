// vehicle_editor_link.cpp - the vehicle editor's services, absent until it installs them.
#include "modeller/editor/vehicle_editor_link.h"

VehicleEditorLink VehicleEditorHooks;
FigurePoseLink FigurePose;
SpokeWheelContext SpokeWheel;
