// mapping_screenshot.cpp - the mapping tool's copy of a mapping's screen area to the
// clipboard, sized to the mapping's cutout region in a skin of 1024 or 2048 pixels: the
// request and its checks, and the copy the frame loop takes a few frames later.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/config.h"
#include "core/frame_globals.h"
#include "core/window_state.h"
#include "modeller/editor/edit_views.h"
#include "modeller/editor/object_editor.h"
#include "modeller/state/modeller_state.h"
#include "modeller/state/modeller_undo.h"
#include "modeller/texture/texture_mapping.h"
#include "platform/image_clipboard.h"
#include "render/device.h"
#include "render/image_files.h"
#include "render/object_picture.h"
#include "render/screenshot.h"
#include "render/views.h"
#include "text/messages.h"
#include "text/text_colours.h"
#include "ui/dialogs.h"

namespace {
constexpr uint32_t DIRECTION_BITS = 0x1FFFFF;

void ReportCopyFailure(const char* text) {
  ShowMessageBox(ActiveMappingPanel ? &ActiveMappingPanel->prss : nullptr, text);
}

// Handles 3 and 2 of the mapping on the screen, rounded to pixels; 0 when either is off it.
int ProjectShotCorners(const ModellerScreen& screen, int mapping, int out[2][2]) {
  static const int HANDLES[2] = {3, 2};
  for (int i = 0; i < 2; ++i) {
    int32_t p[3], depth = 0;
    GetMappingCorner(screen, mapping, p, HANDLES[i]);
    float x = 0, y = 0;
    if (!ProjectPointToScreen(p, &x, &y, &depth)) return 0;
    out[i][0] = int(std::lround(x));
    out[i][1] = int(std::lround(y));
  }
  return 1;
}
}  // namespace

int MappingSkinSize() { return (CfgEditorOptions & EDITOR_OPTION_SMALL_PICTURE) ? 1024 : 2048; }

void SetMappingSkinSize(int size) {
  if (size == 1024)
    CfgEditorOptions |= EDITOR_OPTION_SMALL_PICTURE;
  else
    CfgEditorOptions &= ~EDITOR_OPTION_SMALL_PICTURE;
}

const char* CheckMappingScreenshot(const ModellerScreen& screen, const ModelMapping& m) {
  if (m.direction == 0xFFFFFFFFu) return "not a directional mapping";
  const int32_t view = CurrentViewCode();
  if (view == VIEW_CODE_PERSPECTIVE || (m.direction & DIRECTION_BITS) != (uint32_t(view) & DIRECTION_BITS))
    return "wrong view direction";
  if (m.width <= 0) return "width is zero or negative";
  if (m.height <= 0) return "height is zero or negative";
  const int index = int(&m - EditedObject->mappings);
  int corners[2][2];
  if (!ProjectShotCorners(screen, index, corners)) return "part of the mapping is off screen";
  if (ScreenWidth < 1280 || ScreenHeight < 960) return "window size must be at least 1280x960";
  return nullptr;
}

void RequestMappingScreenshot(void* owner, int, uintptr_t word) {
  if (word == 1 || word == 2) {
    SetMappingSkinSize(word == 1 ? 1024 : 2048);
    return;
  }
  MappingPanel* panel = static_cast<MappingPanel*>(owner);
  if (!panel || !EditedObject || SelectedMapping < 0 || SelectedMapping >= EditedObject->mappingCount) return;
  const ModelMapping& m = EditedObject->mappings[SelectedMapping];
  if (const char* reason = CheckMappingScreenshot(*panel->modeller, m)) {
    ShowMessageBoxPair(&panel->prss, TEXT_SHOT_REFUSED, reason);
    return;
  }
  MappingScreenshotRequested = 1;
  // The 2D view turns with the mapping's roll while the shot is pending.
  EditViewState = (EditViewState & DIRECTION_BITS) | (m.direction & ~DIRECTION_BITS);
  RedrawRequested = 1;
}

int MappingToolIsOpen() { return ActiveMappingPanel != nullptr; }

void AreaAverageRect(const uint8_t* rgba, int pitch, int sx, int sy, int sw, int sh, int dw, int dh, uint8_t* out) {
  // Each destination pixel averages the source area it covers, partly covered pixels
  // weighted by the covered fraction (the halftone stretch of a larger picture).
  const double kx = double(sw) / dw, ky = double(sh) / dh;
  for (int y = 0; y < dh; ++y) {
    const double y0 = y * ky, y1 = y0 + ky;
    for (int x = 0; x < dw; ++x) {
      const double x0 = x * kx, x1 = x0 + kx;
      double sum[4] = {0, 0, 0, 0}, weight = 0;
      for (int j = int(y0); j < int(std::ceil(y1)) && j < sh; ++j) {
        const double wy = std::fmin(y1, j + 1.0) - std::fmax(y0, double(j));
        if (wy <= 0) continue;
        const uint8_t* row = rgba + size_t(sy + j) * size_t(pitch);
        for (int i = int(x0); i < int(std::ceil(x1)) && i < sw; ++i) {
          const double w = wy * (std::fmin(x1, i + 1.0) - std::fmax(x0, double(i)));
          if (w <= 0) continue;
          const uint8_t* p = row + size_t(sx + i) * 4;
          for (int c = 0; c < 4; ++c) sum[c] += w * p[c];
          weight += w;
        }
      }
      uint8_t* o = out + (size_t(y) * dw + x) * 4;
      for (int c = 0; c < 4; ++c) o[c] = uint8_t(weight > 0 ? std::lround(sum[c] / weight) : 0);
      o[3] = 255;
    }
  }
}

int CopyMappingToClipboard() {
  ModellerScreen* screen = ActiveModeller;
  if (!screen || !EditedObject || SelectedMapping < 0 || SelectedMapping >= EditedObject->mappingCount) return 0;
  const ModelObject& o = *EditedObject;
  const ModelMapping& m = o.mappings[SelectedMapping];
  int c[2][2];
  if (!ProjectShotCorners(*screen, SelectedMapping, c)) {
    ShowMessage("Part of the mapping was off screen", TextColours.message);
    return 0;
  }
  const int sx = c[0][0], sy = c[0][1], sw = c[1][0] - c[0][0], sh = c[1][1] - c[0][1];
  char line[64];
  if (sw <= 0 || sh <= 0) {
    std::snprintf(line, sizeof line, sw <= 0 ? "Source image width is %d" : "Source image height is %d", sw <= 0 ? sw : sh);
    ShowMessage(line, TextColours.message);
    return 0;
  }
  if (m.cutout[0] >= o.cutoutCount) return 0;
  const int scale = MappingSkinSize() == 1024 ? 8 : 16;
  const int dw = o.cutouts[m.cutout[0]].region[REGION_WIDTH] * scale;
  const int dh = o.cutouts[m.cutout[0]].region[REGION_HEIGHT] * scale;
  if (dw <= 0 || dh <= 0) return ReportCopyFailure("Could not create bitmap"), 0;

  // The drawn frame, read back before it is presented.
  GfxTexture2D shot = GetScreenshotTexture();
  if (!shot) return ReportCopyFailure("Could not create bitmap"), 0;
  GfxTexture2DDesc desc;
  GfxGetDesc(shot, &desc);
  GfxMappedSubresource mapped;
  if (GfxFailed(GfxMapResource(Gfx.context, shot, 0, GFX_MAP_READ, &mapped))) {
    GfxRelease(shot);
    return ReportCopyFailure("Could not select object"), 0;
  }
  std::vector<uint8_t> picture(size_t(dw) * size_t(dh) * 4);
  const bool inside = sx >= 0 && sy >= 0 && sx + sw <= int(desc.width) && sy + sh <= int(desc.height);
  if (inside)
    AreaAverageRect(static_cast<const uint8_t*>(mapped.data), int(mapped.rowPitch), sx, sy, sw, sh, dw, dh,
                    picture.data());
  GfxUnmap(Gfx.context, shot, 0);
  GfxRelease(shot);
  if (!inside) return ReportCopyFailure("Could not copy bitmap"), 0;

  const PictureRows rows{dw, dh, picture.data(), size_t(dw) * 4, 0, 1};
  std::vector<uint8_t> png, packed, bmp;
  if (EncodeImage(IMAGE_PNG, rows, ImageWriteOptions{}, png)) return ReportCopyFailure("Could not copy bitmap"), 0;
  BuildPackedBitmap(rows, packed);
  BitmapFileFromPacked(packed, bmp);
  if (const char* failed = PlatformSetClipboardPicture(png.data(), png.size(), bmp.data(), bmp.size())) {
    ReportCopyFailure(std::strcmp(failed, CLIPBOARD_PICTURES_NEED_X11) == 0 ? "Could not open clipboard"
                                                                              : "Could not set clipboard data");
    return 0;
  }
  ShowEditorInfof("Copied to clipboard : %d x %d", dw, dh);
  return 1;
}
