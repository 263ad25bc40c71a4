// modeller.cpp - modeller state read by the frame loop and the interface.
#include "modeller/modeller.h"

int MappingScreenshotRequested;
unsigned EditViewState;
int MappingChanged;

int ObjectEditorOpen;
void ReloadEditorTextures() {}

