// texture_page_view.cpp - a cutout's region within its page (the arrows, the quarter turns,
// the mirror and the handle drags), the page pictures of the cutouts and pages screens, the
// overlay of the areas the object's triangles use, and the reloading of a page's texture.
#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "core/config.h"
#include "core/frame_globals.h"
#include "core/window_state.h"
#include "model/model_meshes.h"
#include "modeller/texture/cutouts_screen.h"
#include "modeller/state/modeller_local.h"
#include "modeller/editor/object_editor.h"
#include "modeller/texture/texture_pages.h"
#include "render/draw2d.h"
#include "render/gouraud_mesh.h"
#include "render/material.h"
#include "render/system_textures.h"
#include "render/texture_record.h"
#include "render/texture_table.h"
#include "text/language.h"
#include "text/language_keys.h"
#include "text/messages.h"
#include "text/text_colours.h"
#include "ui/dialogs.h"
#include "ui/interface.h"

const float USED_AREA_TRANSFORMS[ORIENTATION_COUNT][6] = {
    {1, 0, 0, 1, 0, 0},  {0, 1, -1, 0, 0, 1}, {-1, 0, 0, -1, 1, 1}, {0, -1, 1, 0, 1, 0},
    {-1, 0, 0, 1, 1, 0}, {0, 1, 1, 0, 0, 0},  {1, 0, 0, -1, 0, 1},  {0, -1, -1, 0, 1, 1},
};

// ---- [Region] ----

PagePanelPlace PlacePagePanel() {
  const int unit = ButtonWidth > 0 ? ButtonWidth : 1;
  int size = 20 * unit;
  if (TexturePanelSwitches & TEXTURE_PANEL_LARGE) {
    const int large = std::min(ScreenWidth / 2, ScreenHeight * 2 / 3);
    if (large > size) size = std::min(large, 40 * unit);
  }
  const int half = RegionHandleHalf();
  // At the top right: right of the list, and with its rows above the block at the bottom right.
  const int across = ScreenWidth - CutoutsPlaced.listRight;
  const int down = ScreenHeight - (ObjectEditorShared.bottomRightRows + PAGE_PANEL_ROWS + 1) * ButtonHeight - half;
  const int atTopRight = std::min({size, across, down});
  // Under the rows: down to the window's foot, left of the block and the view options above
  // it, and right of the rows at the left where they reach as low.
  const int top = CutoutsPlaced.listBottom + PAGE_PANEL_ROWS * ButtonHeight + half;
  const int blockLeft = ObjectEditorShared.bottomRightLeft > 0 ? ObjectEditorShared.bottomRightLeft : ScreenWidth;
  const int right = blockLeft - half;
  const int leftmost = CutoutsPlaced.buttonsBottom > top - half ? CutoutsPlaced.buttonsRight + half : half;
  const int underRows = std::min({size, ScreenHeight - half - top, right - leftmost});
  if (atTopRight < PAGE_PANEL_LEAST_UNITS * unit && underRows > atTopRight)
    return PagePanelPlace{right - underRows, top, underRows, true};
  const int side = std::max(4 * unit, atTopRight);
  return PagePanelPlace{ScreenWidth - side, ButtonHeight, side, false};
}

int GetTexturePanelSize() { return PlacePagePanel().size; }

int RegionHandleHalf() { return std::max(3, ButtonWidth / 4); }

int PagePanelRowsTop() {
  const PagePanelPlace panel = PlacePagePanel();
  if (panel.underRows) return CutoutsPlaced.listBottom;
  return std::max(panel.top + panel.size + RegionHandleHalf(), CutoutsPlaced.listBottom);
}

void StepCutoutRegion(Cutout& c, int word, int step) {
  uint8_t* r = c.region;
  int x = r[REGION_LEFT], y = r[REGION_TOP], w = r[REGION_WIDTH], h = r[REGION_HEIGHT];
  switch (word) {
    case 0: x = std::max(0, x - step); break;
    case 1: x = std::min(127, x + step); break;
    case 2: y = std::max(0, y - step); break;
    case 3: y = std::min(127, y + step); break;
    case 4: w = std::max(1, w - step); break;
    case 5: w = std::min(128, w + step); break;
    case 6: h = std::max(1, h - step); break;
    case 7: h = std::min(128, h + step); break;
    default: return;
  }
  x = std::min(x, 128 - w);
  y = std::min(y, 128 - h);
  r[REGION_LEFT] = uint8_t(x), r[REGION_TOP] = uint8_t(y), r[REGION_WIDTH] = uint8_t(w), r[REGION_HEIGHT] = uint8_t(h);
}

void TurnCutoutRegion(Cutout& c, int word) {
  uint8_t* r = c.region;
  const int x = r[REGION_LEFT], y = r[REGION_TOP], w = r[REGION_WIDTH], h = r[REGION_HEIGHT];
  const int mirror = (c.orientation >> 2) & 1;
  if (word == 2) {
    c.orientation = uint8_t((c.orientation & 3) | ((mirror ^ 1) << 2));
    r[REGION_LEFT] = uint8_t(std::clamp(128 - w - x, 0, 128));
    return;
  }
  if (word != 0 && word != 1) return;
  const int turn = mirror == word ? -1 : 1;
  c.orientation = uint8_t((((c.orientation & 3) + turn) & 3) | (mirror << 2));
  int nx, ny;
  if (word == 0)
    nx = 128 - h - y, ny = x;
  else
    nx = y, ny = 128 - w - x;
  r[REGION_LEFT] = uint8_t(std::clamp(nx, 0, 128)), r[REGION_TOP] = uint8_t(std::clamp(ny, 0, 128));
  r[REGION_WIDTH] = uint8_t(h), r[REGION_HEIGHT] = uint8_t(w);
}

void DragCutoutRegion(const Cutout& start, int handle, int dx, int dy, Cutout& out) {
  out = start;
  const int x = start.region[REGION_LEFT], y = start.region[REGION_TOP];
  const int w = start.region[REGION_WIDTH], h = start.region[REGION_HEIGHT];
  int nx = x, ny = y, nw = w, nh = h;
  if (handle == 8) {
    nx = std::clamp(x + dx, 0, 128 - w);
    ny = std::clamp(y + dy, 0, 128 - h);
  }
  if (handle == 0 || handle == 3 || handle == 7) {
    nx = std::clamp(x + dx, 0, x + w - 1);
    nw = x + w - nx;
  }
  if (handle == 1 || handle == 2 || handle == 6) nw = std::clamp(x + w + dx, x + 1, 128) - x;
  if (handle == 0 || handle == 2 || handle == 4) {
    ny = std::clamp(y + dy, 0, y + h - 1);
    nh = h - (ny - y);
  }
  if (handle == 1 || handle == 3 || handle == 5) nh = std::clamp(y + h + dy, y + 1, 128) - y;
  out.region[REGION_LEFT] = uint8_t(nx), out.region[REGION_TOP] = uint8_t(ny);
  out.region[REGION_WIDTH] = uint8_t(nw), out.region[REGION_HEIGHT] = uint8_t(nh);
}

void CutoutRegionRect(const Cutout& c, int left, int bottom, int s, int out[4]) {
  const int x = c.region[REGION_LEFT], y = c.region[REGION_TOP], w = c.region[REGION_WIDTH], h = c.region[REGION_HEIGHT];
  out[0] = left + int(std::lround(double(x) * s / 128));
  out[1] = left - 1 + int(std::lround(double(x + w) * s / 128));
  out[2] = bottom - int(std::lround(double(y + h) * s / 128));
  out[3] = bottom - int(std::lround(double(y) * s / 128)) - 1;
}

uint32_t UsedAreaVertexColour(float u, float v, int size) {
  const float margin = size > 0 ? 0.5f / float(size) : 0.0f;
  const bool inside = u >= margin && v >= margin && u < 1.0f - margin && v < 1.0f - margin;
  return inside ? 0x6000FF00u : 0x80FF0000u;
}

// ---- [Drawing] ----

void TakeDrawHook(void (*hook)(void*), void* owner, void (**savedHook)(void*), void** savedOwner) {
  *savedHook = EditorFrameHook;
  *savedOwner = EditorFrameHookArgument;
  EditorFrameHook = hook;
  EditorFrameHookArgument = owner;
}

void PassMouseToEditor(Prss* screen, MouseRecord* mouse) {
  if (HandleInterfaceMouse(mouse)) return;
  Prss* editor = screen->parent ? screen->parent->parent : nullptr;
  if (editor && editor->mouse) editor->mouse(editor, mouse);
}

void GiveBackDrawHook(void (*hook)(void*), void* owner, void (*savedHook)(void*), void* savedOwner) {
  if (EditorFrameHook != hook || EditorFrameHookArgument != owner) return;
  EditorFrameHook = savedHook;
  EditorFrameHookArgument = savedOwner;
}

const char* FrameText(const char* format, ...) {
  constexpr int COUNT = 512, SIZE = 64;
  static char texts[COUNT][SIZE];
  static int next;
  char* out = texts[next];
  next = (next + 1) % COUNT;
  va_list args;
  va_start(args, format);
  std::vsnprintf(out, SIZE, format, args);
  va_end(args);
  return out;
}

namespace {
float NormalX(float px) { return ScreenWidth > 0 ? px * 2.0f / float(ScreenWidth) - 1.0f : 0.0f; }
float NormalY(float py) { return ScreenHeight > 0 ? py * 2.0f / float(ScreenHeight) - 1.0f : 0.0f; }
uint32_t Grey(int level) { return 0xFF000000u | uint32_t(level) << 16 | uint32_t(level) << 8 | uint32_t(level); }
}  // namespace

void DrawPageSquare(const Material* material, int left, int top, int size, int orientation, int grey,
                    int sampler) {
  if (!material || size <= 0) return;
  Draw2D& list = Draw2DList;
  if (list.counters.batchOpen) list.EndBatch();
  list.StartBatch(material, sampler);
  const float* k = ORIENTATION_TABLE[orientation & 7];
  const float corners[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};  // top left, clockwise
  const float px[4] = {float(left), float(left + size), float(left + size), float(left)};
  const float py[4] = {float(top), float(top), float(top + size), float(top + size)};
  int v[4];
  for (int i = 0; i < 4; ++i) {
    const float u = corners[i][0], w = corners[i][1];
    v[i] = list.AddVertex(Grey(grey), NormalX(px[i]), NormalY(py[i]), k[0] * u + k[1] * w + k[4], k[2] * u + k[3] * w + k[5]);
  }
  if (v[0] >= 0 && v[1] >= 0 && v[2] >= 0 && v[3] >= 0) list.AddQuad(v[0], v[1], v[2], v[3]);
  list.EndBatch();
}

void DrawPixelFrame(int left, int top, int right, int bottom, uint32_t argb) {
  Draw2D& list = Draw2DList;
  if (list.counters.batchOpen) list.EndBatch();
  list.StartBatch(nullptr);
  // Four one-pixel bars covering the pixels left..right and top..bottom inclusive.
  const float bars[4][4] = {{float(left), float(top), float(right + 1), float(top + 1)},
                            {float(left), float(bottom), float(right + 1), float(bottom + 1)},
                            {float(left), float(top), float(left + 1), float(bottom + 1)},
                            {float(right), float(top), float(right + 1), float(bottom + 1)}};
  for (const auto& b : bars) {
    const int a = list.AddVertex(argb, NormalX(b[0]), NormalY(b[1]), 0, 0), c = list.AddVertex(argb, NormalX(b[2]), NormalY(b[1]), 0, 0),
              d = list.AddVertex(argb, NormalX(b[2]), NormalY(b[3]), 0, 0), e = list.AddVertex(argb, NormalX(b[0]), NormalY(b[3]), 0, 0);
    if (a >= 0 && c >= 0 && d >= 0 && e >= 0) list.AddQuad(a, c, d, e);
  }
  list.EndBatch();
}

void DrawUsedAreas(const ModelObject& object, const Material* texture, int orientation, int left, int top, int width,
                   int height) {
  if (!object.builtMesh || !object.builtMesh->IsGouraud() || !texture) return;
  const GouraudO3d& mesh = *static_cast<const GouraudO3d*>(object.builtMesh);
  const float* t = USED_AREA_TRANSFORMS[orientation & 7];
  const int size = texture->texture ? texture->texture->width : 0;
  Draw2D& list = Draw2DList;
  if (list.counters.batchOpen) list.EndBatch();
  list.StartBatch(nullptr);
  int entries = 0, firstTriangle = 0;
  for (int p = 0; p < mesh.partCount; ++p) {
    const GouraudPart& part = mesh.parts[p];
    const bool same = part.key == texture || (part.key && texture->texture && part.key->texture == texture->texture);
    for (int i = 0; same && i < part.triangleCount; ++i) {
      const GouraudTriangle& tri = mesh.triangles[firstTriangle + i];
      int v[3];
      for (int c = 0; c < 3; ++c) {
        const GouraudPoint& pt = mesh.points[tri.index[c] < mesh.pointCount ? tri.index[c] : 0];
        const float u = t[0] * (pt.u - t[4]) + t[2] * (pt.v - t[5]);
        const float w = t[1] * (pt.u - t[4]) + t[3] * (pt.v - t[5]);
        v[c] = list.AddVertex(UsedAreaVertexColour(u, w, size), NormalX(left + u * width), NormalY(top + w * height), 0, 0);
      }
      if (v[0] >= 0 && v[1] >= 0 && v[2] >= 0) list.AddTriangle(v[0], v[1], v[2]);
      if (++entries >= 5120) {  // a batch is drawn and another started
        list.EndBatch();
        list.StartBatch(nullptr);
        entries = 0;
      }
    }
    firstTriangle += part.triangleCount;
  }
  list.EndBatch();
}

int TextureInfoUnits(const Material* material, bool reload) {
  const ZKTETexture* t = material ? material->texture : nullptr;
  if (!t) return 8;
  return reload && (t->flags & TEXTURE_FROM_FILE) ? 16 : 10;
}

void AddTextureInfoButtons(Prss* owner, const Material* material, InterfaceHandler reload, uintptr_t words) {
  ColourWord* colour = &TextColours.lightOrange;
  const ZKTETexture* t = material ? material->texture : nullptr;
  if (!t) {
    AddRowButton(owner, 8, 0, 0, colour, " ", nullptr, nullptr);
    return;
  }
  AddRowButton(owner, 5, 0, 0, colour, FrameText("size : %d", t->width), nullptr, nullptr);
  const double bytes = TextureMemorySize(t);
  const char* memory = bytes > 10.0 * 1048576 ? FrameText("m : %.1f MB", bytes / 1048576)
                       : bytes > 1048576     ? FrameText("m : %.3f MB", bytes / 1048576)
                                             : FrameText("m : %.0f KB", bytes / 1024);
  AddRowButton(owner, 5, 0, 0, colour, memory, nullptr, nullptr);
  if (reload && (t->flags & TEXTURE_FROM_FILE)) {
    AddRowButton(owner, 3, words + 1, 0, colour, "reload", reload, "Reload the selected texture page");
    AddRowButton(owner, 2, words + 0, 0, colour, "dds", reload, "View as DDS (SHIFT to export)");
    AddRowButton(owner, 1, words + 2, 0, colour, "v", reload, "Inspect the texture in a viewer screen");
  }
}

int ReloadPageTexture(Prss* owner, const char* name, int asDds, int exportDds) {
  if (!name || !name[0]) return 0;
  // Read as DDS: the table's compression setting for this load (with SHIFT its export too).
  const int savedCompressed = CfgCompressedTex, savedExport = TextureConfig.ddsExport;
  if (asDds) CfgCompressedTex = 1;
  if (exportDds) TextureConfig.ddsExport = 1;
  ZKTETexture* t = AddTextureRef(name, 0);
  int done = 0;
  if (t && (t->flags & TEXTURE_FROM_FILE)) {
    LockTextures();
    ReleaseTextureObjects(t);
    done = LoadTexture(t, 0);
    UnlockTextures();
  }
  CfgCompressedTex = savedCompressed;
  TextureConfig.ddsExport = savedExport;
  if (!done) ShowMessageBoxPair(owner, LanguageTexts[TX_3a_outcnopn], name);
  return done;
}
