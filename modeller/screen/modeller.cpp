// modeller.cpp - modeller state read by the frame loop and the interface.
#include "modeller/screen/modeller.h"

#include "modeller/texture/cutouts_screen.h"
#include "modeller/texture/texture_pages.h"

int MappingChanged;

void ReloadEditorTextures() {
  ReloadBackgroundImages();
  // The texture screens find their page textures again.
  if (ActiveMappingPanel) ActiveMappingPanel->previewName[0] = 0, ActiveMappingPanel->preview = nullptr;
  RefreshCutoutsScreen();
  if (ActivePagesScreen) ActivePagesScreen->refresh = 1;
  if (ActiveObjectEditor) RebuildObjectPreviews(*ActiveObjectEditor, 1);
}
