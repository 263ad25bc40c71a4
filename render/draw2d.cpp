// draw2d.cpp - the 2D list; nothing is drawn yet.
#include "render/draw2d.h"

FrameProjection Projection;
float Draw2DPixelScale = 1.0f;
int InterfaceDrawing;
float ViewAreaWidthFraction = 1.0f, ViewAreaHeightFraction = 1.0f;

void FlushDraw2D() {}
void ResetDraw2D() {}
