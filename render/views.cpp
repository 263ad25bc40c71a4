// views.cpp - views; the built-in single layout stands until the views file is read.
#include "render/views.h"

int ScreenLayoutNeedsSetup = 1;

void LoadViewsFile() {}
void SetDefaultView() {}
void SetupScreenLayout(int width, int height) { ScreenLayoutNeedsSetup = 0; }
