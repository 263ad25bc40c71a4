// views.h - views, projection, picking, the camera and the views file.
#pragma once

extern int ScreenLayoutNeedsSetup;  // the layout is set up at the next drawn frame

void LoadViewsFile();
void SetDefaultView();
void SetupScreenLayout(int width, int height);
