// garage_cover.cpp - the garage page as the mod export uses it: the car on show, stepped each
// drawn frame, its car info file written once it is built, and the cover picture taken from it.
#include <cstdio>

#include "core/frame_globals.h"
#include "core/process.h"
#include "core/report.h"
#include "frontend/frontend.h"
#include "platform/files.h"
#include "render/device.h"
#include "render/image_files.h"
#include "render/screenshot.h"
#include "ui/widgets.h"
#include "vehicle/car_info_file.h"

Car* GarageCarOnShow;
int CoverState;

namespace {

struct GaragePage {
  Prss prss;
  uint8_t infoWritten;
};

// The frame as drawn, as "cover.png" (replacing an older one).  1 when it was written.
int TakeCoverPicture() {
  GfxTexture2D shot = GetScreenshotTexture();
  if (!shot) return 0;
  FileRemove(COVER_PICTURE);
  const GfxResult r = SaveWICTextureToFile(Gfx.context, shot, IMAGE_PNG, COVER_PICTURE, GFX_FORMAT_UNKNOWN, nullptr);
  GfxRelease(shot);
  return GfxFailed(r) ? 0 : 1;
}

void GarageButton(void* owner, int, uintptr_t word) {
  Prss* process = static_cast<Prss*>(owner);
  if (word == 1 && CoverState == COVER_TAKING && TakeCoverPicture()) CoverState = COVER_MADE;
  Prss_Terminate(process);
}

Prss* GarageScreenAction(Prss* process) {
  GaragePage* page = reinterpret_cast<GaragePage*>(process);
  if (!process->alive) {
    delete page;
    return nullptr;
  }
  Car* car = GarageCarOnShow;
  if (car && !page->infoWritten && car->modelPresent) {
    page->infoWritten = 1;  // once: a failure is told by WriteCarInfo and not repeated
    WriteCarInfo(*car);
  }
  Prss_ActSub(process);
  if (!FrameSkipped && !process->sub) {
    if (car && car->modelPresent) car->AccumulateRunTime();
    AddScreenTitle("Garage", 0, 0);
    if (CoverState == COVER_TAKING) AddPanelButton(process, "take cover picture", 1, GarageButton, 0.6f);
    AddBackButton(process, 0, GarageButton, nullptr);
  }
  return process;
}

}  // namespace

Prss* CreateGaragePage(Prss* parent) {
  GaragePage* page = Prss_New<GaragePage>();
  Prss_Init(&page->prss, parent, GarageScreenAction, EscapeQuitKey, Prss_SimpleMouse, nullptr, nullptr);
  page->infoWritten = 0;
  return &page->prss;
}
