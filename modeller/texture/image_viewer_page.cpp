// image_viewer_page.cpp - the texture viewer the cutouts and pages screens open: the picture
// whole, as large as the screen allows, until Escape.
#include <algorithm>
#include <cstdio>

#include "core/frame_globals.h"
#include "core/window_state.h"
#include "modeller/state/modeller_local.h"
#include "modeller/texture/texture_pages.h"
#include "render/material.h"
#include "render/system_textures.h"
#include "render/texture_record.h"
#include "text/text_colours.h"
#include "ui/interface.h"

namespace {

struct ImageViewerPage {
  Prss prss;
  Material* material;
  char name[32];
};

Prss* ImageViewerAction(Prss* process) {
  ImageViewerPage& page = *reinterpret_cast<ImageViewerPage*>(process);
  if (!process->alive) {
    delete &page;
    return nullptr;
  }
  if (FrameSkipped) return process;
  const ZKTETexture* t = page.material ? page.material->texture : nullptr;
  const int room = std::min(ScreenWidth, ScreenHeight - 2 * ButtonHeight);
  int size = room;
  if (t && t->width > 0 && t->width <= room) size = t->width;  // shown at its own size when it fits
  if (page.material) DrawPageSquare(page.material, (ScreenWidth - size) / 2, (ScreenHeight - size) / 2, size, 0, 255);
  RowCursorX = RowCursorY = 0;
  const char* title = t ? FrameText("%s : %d x %d", page.name, t->width, t->height) : page.name;
  AddRowButton(process, 12, 0, 0, &TextColours.lightOrange, title, nullptr, nullptr);
  AddRowButton(process, 4, 0, 0, &TextColours.lightOrange, "close", Prss_CloseHandler, "Close the viewer (Escape)");
  Prss_RestAfterDrawing(process);
  return process;
}

void ImageViewerKey(Prss* process, int key) {
  if (key == 27) Prss_Terminate(process);
}

void ImageViewerMouse(Prss*, MouseRecord* mouse) { HandleInterfaceMouse(mouse); }

}  // namespace

Prss* CreateImageViewerPage(Prss* owner, const char* textureName) {
  if (!owner || !textureName || !textureName[0]) return nullptr;
  ImageViewerPage* page = Prss_New<ImageViewerPage>();
  Prss_Init(&page->prss, owner, ImageViewerAction, ImageViewerKey, ImageViewerMouse, nullptr, nullptr);
  std::snprintf(page->name, sizeof page->name, "%s", textureName);
  page->material = LoadNamedTexture(textureName, 0, 0);
  Prss_AddSub(owner, &page->prss);
  Prss_MakeCurrent(&page->prss);
  return &page->prss;
}
