// services.cpp - front-end services the core calls.
#include "frontend/frontend.h"

#include "core/log.h"

int ExportVehicleWithLog() {
  LogLine("vehicle output : not available in this build");
  return 1;
}

void FreeModList() {}
void ReleaseTrackThumbnails() {}
void ToggleSound() {}
void ReloadGarageCarModel(int flag) {}
void ReloadThumbnailTextures() {}
