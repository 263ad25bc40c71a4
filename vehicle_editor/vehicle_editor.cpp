// vehicle_editor.cpp - the vehicle editor screen.
#include "vehicle_editor/vehicle_editor.h"

int VehicleEditorOpen;


// Identity transforms and the origin until the editor sets them.
ViewTransformTable EditorViewTransforms = [] {
  ViewTransformTable t{};
  for (auto& m : t.transforms) m[0] = m[5] = m[10] = m[15] = 1.0f;
  return t;
}();
