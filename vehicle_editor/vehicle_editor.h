// vehicle_editor.h - the vehicle editor screen, and the services of it the interface uses.
//
// Layer: vehicle_editor/, a subsystem over vehicle/ (tools/layers.txt).
#pragma once
#include <cstdint>

#include "ui/bevel_box.h"
#include "ui/value_edit.h"
#include "render/view_constants.h"

extern int VehicleEditorOpen;  // the vehicle editor screen is open

// RecordEditMerging, the interface's hook into the vehicle editor's undo history, is in
// ui/value_edit.h; the bevelled boxes the editor draws are the interface's (ui/bevel_box.h).

// The editor's table of transforms that the view pixel-shader constants are made from (the
// renderer reads it through ViewTransformSource, installed by the program shell).
extern ViewTransformTable EditorViewTransforms;
