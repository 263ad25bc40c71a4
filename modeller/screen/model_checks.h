// model_checks.h - the modeller's side of the model checks: their problem lines and markers go
// to the interface's problem report.
//
// Layer: modeller/ (tools/layers.txt).  The render caches and their checks live with the model
// (model/model_lod_cache.h) so that the car and the world can build meshes without the
// interface; the checks report through hooks that this file points at ui/problem_report.h.
#pragma once

// Installs the check hooks and the other hooks the modeller gives the layers below it: the
// interface's undo point, edited mesh and listed items, the object editor's modeller
// (ModellerHooks) and, inside the modeller, the sub-screens of the texture modes
// (ModeSubScreens).  Once at start-up, after the interface's.
void InstallModellerHooks();
