// frame.cpp - frame start; the null device begins every frame.
#include "render/frame.h"

int FrameBegun3D;
float FullScreenQuadOffsets[2];

void BeginRenderTargetMode(int mode) {}

int BeginFrameClear() {
  FrameBegun3D = 1;
  return 1;
}

int BeginFrame() {
  FrameBegun3D = 1;
  return 1;
}

void DrawFullScreenQuad(int shaderMode, int parameter, int flag) {}
void DrawBackgroundPicture() {}

int BlueprintMode;
