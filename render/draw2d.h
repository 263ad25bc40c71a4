// draw2d.h - the 2D draw list, matrices and the frame's projection values.
#pragma once

// The projection values of a drawn frame, set by the frame loop from the screen layout.
struct FrameProjection {
  float aspect = 1.0f, inverseAspect = 1.0f;
  float xScale = 0.0f, yScale = 0.0f;
  float fieldFactor = 1.0f;
};

extern FrameProjection Projection;
extern float Draw2DPixelScale;      // 1024 / 1920 with graphics, else 1.0
extern int InterfaceDrawing;        // set while the interface is drawn
extern float ViewAreaWidthFraction, ViewAreaHeightFraction;  // from the screen layout

void FlushDraw2D();
void ResetDraw2D();
