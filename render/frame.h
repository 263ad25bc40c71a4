// frame.h - the start of each drawn frame, the render texture and post-processing.
#pragma once

extern int FrameBegun3D;     // the 3D frame was begun this pass
extern float FullScreenQuadOffsets[2];

void BeginRenderTargetMode(int mode);  // 5 HDR texture, 6/7 the 4K capture texture
int  BeginFrameClear();      // 1 when the frame can be drawn
int  BeginFrame();
void DrawFullScreenQuad(int shaderMode, int parameter, int flag);
void DrawBackgroundPicture();

extern int BlueprintMode;  // Shift+F6: editors draw their wireframes white
