// modeller.cpp - modeller state read by the frame loop and the interface.
#include "modeller/modeller.h"

int MappingScreenshotRequested;
unsigned EditViewState;
int MappingChanged;

int ObjectEditorOpen;
void ReloadEditorTextures() {}

void (*AddUndoPoint)(const char* name, int kind, void* variable, uint32_t mask);
void (*RefreshEditedMesh)(Prss* screen);

int MappingPanelSelection = -1;
int MappingPanelRedraw;
