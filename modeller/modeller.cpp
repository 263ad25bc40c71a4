// modeller.cpp - modeller state read by the frame loop and the interface.
#include "modeller/modeller.h"

#include "modeller/edit_views.h"
#include "modeller/object_editor.h"

int MappingScreenshotRequested;
unsigned EditViewState = 0xFFFFFFFFu;  // the perspective view
int MappingChanged;

int ObjectEditorOpen;

void ReloadEditorTextures() {
  ReloadBackgroundImages();
  if (ActiveObjectEditor) RebuildObjectPreviews(*ActiveObjectEditor, 1);
}
