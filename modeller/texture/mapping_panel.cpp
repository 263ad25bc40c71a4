// mapping_panel.cpp - the texture mapping tool's sub-screen: its life, buttons, keys, mouse
// and what it draws into the 3D view (the mappings' previews and frames, the handle and
// point labels).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/frame_globals.h"
#include "core/report.h"
#include "core/window_state.h"
#include "model/model_meshes.h"
#include "modeller/editor/edit_views.h"
#include "modeller/editor/object_editor.h"
#include "modeller/state/modeller_local.h"
#include "modeller/state/modeller_operations.h"
#include "modeller/state/modeller_state.h"
#include "modeller/state/modeller_undo.h"
#include "modeller/texture/texture_mapping.h"
#include "modeller/texture/texture_pages.h"
#include "render/device.h"
#include "render/immediate.h"
#include "render/matrices.h"
#include "render/render_states.h"
#include "render/system_textures.h"
#include "render/views.h"
#include "text/text_colours.h"
#include "ui/dialogs.h"
#include "ui/interface.h"
#include "ui/screen_labels.h"
#include "ui/value_edit.h"
#include "ui/value_steps.h"
#include "ui/widgets.h"

MappingPanel* ActiveMappingPanel;
MappingToolSettings MappingTool = {1, 0.25f, 0.5f, -2, {}, 0, 0, 0};

namespace {

constexpr int BLEND_ALPHA = 2, RASTER_TWO_SIDED = 6;  // the render state table's entries

bool HasSelection() { return SelectedMapping >= 0 && EditedObject && SelectedMapping < EditedObject->mappingCount; }
bool SpokeMode() { return ObjectEditorShared.spokeCount > 0; }
MappingPanel& PanelOf(void* owner) { return *static_cast<MappingPanel*>(owner); }
ColourWord* Orange() { return &TextColours.lightOrange; }
// A window too narrow for the list (28 units) and the cutout list at the right (12) side by
// side at full width: their name and cutout columns narrow.
bool NarrowWindow() { return ScreenWidth < 40 * ButtonWidth; }

// ---- the draw hook ----

uint32_t ColourOf(uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
  return uint32_t(r) << 16 | uint32_t(g) << 8 | b | uint32_t(a) << 24;
}

void DrawMappingFrame(const MappingPanel& panel, int index, bool used) {
  int32_t c[4][3];
  static const int CORNERS[4] = {0, 2, 1, 3};
  for (int i = 0; i < 4; ++i) GetMappingCorner(*panel.modeller, index, c[i], CORNERS[i]);
  const uint32_t colour = used ? ColourOf(255, 230, 60, 255) : ColourOf(140, 140, 140, 255);
  for (int i = 0; i < 4; ++i) DrawLineFixed3D(c[i], c[(i + 1) & 3], colour);
  if (index == SelectedMapping && EditViews.width == 0) {
    int32_t centre[3], tip[3];
    GetMappingCorner(*panel.modeller, index, centre, MAPPING_HANDLE_CENTRE);
    GetMappingCorner(*panel.modeller, index, tip, MAPPING_HANDLE_DIRECTION);
    DrawLineFixed3D(centre, tip, ColourOf(60, 200, 255, 255));
  }
}

// The preview quad: the mapping's four corners with the page coordinates of its main cutout.
void DrawMappingPreview(const MappingPanel& panel, int index, float opacity, Material* material) {
  const ModelObject& o = *EditedObject;
  const ModelMapping& m = o.mappings[index];
  if (m.cutout[0] >= o.cutoutCount || !material) return;
  const Cutout& cut = o.cutouts[m.cutout[0]];
  const uint8_t* r = cut.region;
  const float u0 = r[REGION_LEFT] / 128.0f, u1 = (r[REGION_LEFT] + r[REGION_WIDTH]) / 128.0f;
  const float v0 = 1.0f - r[REGION_TOP] / 128.0f, v1 = 1.0f - (r[REGION_TOP] + r[REGION_HEIGHT]) / 128.0f;
  const float* k = ORIENTATION_TABLE[cut.orientation & 7];
  static const int CORNERS[4] = {0, 2, 1, 3};
  const float us[4] = {u0, u1, u1, u0}, vs[4] = {v0, v0, v1, v1};
  const uint32_t colour = ColourOf(255, 255, 255, uint8_t(std::lround(std::clamp(opacity, 0.0f, 1.0f) * 255)));
  CircularVBuffer& stream = StreamLines3D;
  if (stream.batchOpen) stream.DrawBuffer3D();
  if (!stream.StartBuf(material, 1, 1)) return;
  int v[4];
  for (int i = 0; i < 4; ++i) {
    int32_t p[3];
    GetMappingCorner(*panel.modeller, index, p, CORNERS[i]);
    const float u = k[0] * us[i] + k[1] * vs[i] + k[4], w = k[2] * us[i] + k[3] * vs[i] + k[5];
    v[i] = EmitVertex3D(colour, p[0] / 65536.0f, p[1] / 65536.0f, p[2] / 65536.0f, u, w);
  }
  EmitQuadIndices3D(v[0], v[1], v[2], v[3]);
  stream.DrawBuffer3D();
}

// The page texture of the mapping's main cutout, found by name when the name changes (a
// missing texture is reported once, not every frame).
Material* PageMaterialOf(MappingPanel& panel, int mapping) {
  const ModelObject& o = *EditedObject;
  const ModelMapping& m = o.mappings[mapping];
  if (m.cutout[0] >= o.cutoutCount) return nullptr;
  const Cutout& c = o.cutouts[m.cutout[0]];
  if (c.page >= o.pageCount) return nullptr;
  const TexturePage& page = o.pages[c.page];
  const char* name = page.type == PAGE_SKIN ? EditorSkinName : page.name;
  if (!name[0]) return nullptr;
  if (std::strcmp(name, panel.previewName) != 0) {
    std::snprintf(panel.previewName, sizeof panel.previewName, "%s", name);
    panel.preview = LoadNamedTexture(name, 0, 0);
  }
  return panel.preview;
}

// The outline of each triangle of the current level that uses the mapping (and of a mirrored
// triangle's copy): bright on a visible layer, dim on a hidden one.
void DrawMappingTriangles(const MappingPanel& panel, int mapping) {
  const ModelObject& o = *EditedObject;
  const int level = panel.modeller && panel.modeller->mainObject ? panel.modeller->mainObject->currentLod : 0;
  int32_t offset[3];
  EditedObjectOffset(*panel.modeller, offset);
  for (int t = 0; t < o.triangleCount; ++t) {
    const ModelTriangle& tri = o.triangles[t];
    if (tri.mapping != mapping || tri.lod != level) continue;
    const bool shown = (ObjectEditorShared.visibleLayers >> (tri.layer & 31)) & 1;
    const uint32_t colour = shown ? ColourOf(255, 255, 255, 255) : ColourOf(90, 90, 90, 255);
    for (int copy = 0; copy < ((tri.flags & TRIANGLE_MIRRORED) ? 2 : 1); ++copy) {
      int32_t p[3][3];
      for (int c = 0; c < 3; ++c) {
        const int index = tri.corners[c] & CORNER_INDEX_MASK;
        if (index >= o.pointCount) return;
        const ModelPoint& pt = o.points[index];
        // A corner with the top bit takes the point's mirrored copy; the whole triangle's copy mirrors again.
        const bool mirrored = ((tri.corners[c] & CORNER_MIRRORED) != 0) != (copy == 1);
        p[c][0] = (mirrored ? -pt.x : pt.x) + offset[0], p[c][1] = pt.y + offset[1], p[c][2] = pt.z + offset[2];
      }
      for (int c = 0; c < 3; ++c) DrawLineFixed3D(p[c], p[(c + 1) % 3], colour);
    }
  }
}

void DrawMappings(void* argument) {
  MappingPanel* panel = static_cast<MappingPanel*>(argument);
  if (panel && panel->savedHook) panel->savedHook(panel->savedHookOwner);
  if (!panel || panel != ActiveMappingPanel || !EditedObject || MappingScreenshotRequested || panel->prss.sub ||
      !Gfx.device)
    return;
  const ModelObject& o = *EditedObject;
  RenderStateTable& r = RenderStates;
  const int blend = r.pendingBlend, raster = r.pendingRaster;
  r.pendingBlend = BLEND_ALPHA;
  r.pendingRaster = RASTER_TWO_SIDED;
  SetIdentityMatrix(WorldMatrix);
  UploadViewMatrices();
  if (HasSelection())
    DrawMappingPreview(*panel, SelectedMapping, MappingTool.opacitySelected, PageMaterialOf(*panel, SelectedMapping));
  const bool own = BeginLineBatch3D();
  const int drawMode = CurrentDrawMode();
  if (HasSelection() && drawMode != DRAW_WIRE && drawMode != DRAW_LAYERS) DrawMappingTriangles(*panel, SelectedMapping);
  for (int i = 0; i < o.mappingCount; ++i)
    if (!HasSelection() || i == SelectedMapping) DrawMappingFrame(*panel, i, panel->used[i] != 0);
  int32_t from[3], tip[3];
  if ((panel->flags & MAPPING_SHOW_POINTS) && EditViews.width == 0 && PickedPointsNormal(*panel, from, tip))
    DrawLineFixed3D(from, tip, ColourOf(255, 80, 255, 255));
  if (own) EndLineBatch3D();
  r.pendingBlend = blend;
  r.pendingRaster = raster;
}

// ---- labels ----

void MappingLabelClicked(uintptr_t owner, int clickCode, int32_t first, uint32_t) {
  MappingPanel& panel = *reinterpret_cast<MappingPanel*>(owner);
  if (ShiftHeld || (clickCode & CLICK_SHIFT)) {
    SelectMapping(panel, 0, -1);
    SelectedMapping = -1;
    return;
  }
  SelectMapping(panel, 0, first);
}

void HandleLabelPressed(uintptr_t owner, int clickCode, int32_t first, uint32_t) {
  if (!(clickCode & CLICK_LEFT)) return;
  StartMappingHandleDrag(*reinterpret_cast<MappingPanel*>(owner), first, MouseX, MouseY);
}

void PointLabelClicked(uintptr_t owner, int, int32_t first, uint32_t) {
  PickMappingPoint(*reinterpret_cast<MappingPanel*>(owner), uint16_t(first));
}

void NormalLabelClicked(uintptr_t owner, int, int32_t, uint32_t) {
  ViewFromPoints(*reinterpret_cast<MappingPanel*>(owner));
}

void AddMappingLabels(MappingPanel& panel) {
  const ModelObject& o = *EditedObject;
  if (panel.flags & MAPPING_SHOW_POINTS) {
    EditedObject->MarkPointsByLayerMask(ObjectEditorShared.visibleLayers, 0);
    int32_t offset[3];
    EditedObjectOffset(*panel.modeller, offset);
    for (int i = 0; i < o.pointCount; ++i) {
      const ModelPoint& p = o.points[i];
      if (p.work != 1 || (p.flags & POINT_HIDDEN)) continue;
      int32_t at[3] = {p.x + offset[0], p.y + offset[1], p.z + offset[2]};
      bool picked = false;
      for (int k = 0; k < panel.pointCount; ++k) picked |= panel.points[k] == i;
      AddLabelAtPoint(at, i, 0, picked ? 2 : 1, PointLabelClicked, reinterpret_cast<uintptr_t>(&panel), LABEL_BOX);
      if (p.flags & POINT_MIRRORED) {
        at[0] = -p.x + offset[0];
        AddLabelAtPoint(at, int32_t(i | MAPPING_POINT_MIRRORED), 0, 3, PointLabelClicked,
                        reinterpret_cast<uintptr_t>(&panel), LABEL_BOX);
      }
    }
    int32_t from[3], tip[3];
    if (EditViews.width == 0 && PickedPointsNormal(panel, from, tip))
      AddLabelAtPoint(tip, 0, 0, 2, NormalLabelClicked, reinterpret_cast<uintptr_t>(&panel), LABEL_BOX);
    return;
  }
  if (!HasSelection()) {
    // Each mapping's number at its centre; mappings whose centres fall on one spot (a
    // duplicate, two sides of one part) have their numbers set side by side from there, our
    // own choice, so that each stays readable and clickable rather than hidden under another.
    static ScreenLabel batch[MAX_MODEL_MAPPINGS];
    int count = 0;
    for (int i = 0; i < o.mappingCount; ++i) {
      int32_t at[3], depth = 0;
      float x = 0.0f, y = 0.0f;
      GetMappingCorner(*panel.modeller, i, at, MAPPING_HANDLE_CENTRE);
      if (!ProjectPointToScreen(at, &x, &y, &depth)) continue;
      batch[count++] = ScreenLabel{x, y, i, uint32_t(i), 1, LABEL_INTEGER, 0, MappingLabelClicked,
                                   reinterpret_cast<uintptr_t>(&panel), depth};
    }
    SpreadScreenLabels(batch, count);
    for (int i = 0; i < count; ++i) {
      const ScreenLabel& l = batch[i];
      AddScreenLabel(l.depthKey, l.first, l.second, l.colourKind, l.callback, l.ownerWord, l.type, l.x, l.y);
    }
    return;
  }
  const ModelMapping& m = o.mappings[SelectedMapping];
  const bool noRoll = (IsAxisDirection(m.direction) && SpokeMode()) || IsMappingLinked(m);
  for (int h = 0; h < MAPPING_HANDLE_COUNT; ++h) {
    if (h == MAPPING_HANDLE_ROLL && noRoll) continue;
    if (h == MAPPING_HANDLE_DIRECTION && EditViews.width != 0) continue;
    if (panel.dragHandle >= 0 && panel.dragHandle != h) continue;
    int32_t at[3];
    GetMappingCorner(*panel.modeller, SelectedMapping, at, h);
    AddLabelAtPoint(at, h, 0, h == MAPPING_HANDLE_CENTRE ? 2 : 1, HandleLabelPressed,
                    reinterpret_cast<uintptr_t>(&panel), LABEL_BOX);
  }
}

// ---- buttons ----

void MappingButton(void* owner, int code, uintptr_t word);

enum MappingWord : uintptr_t {
  W_CLEAR = 1, W_DELETE, W_UP, W_DOWN, W_SHOW_POINTS, W_BOX_FROM_POINTS, W_VIEW_FROM_POINTS, W_NEW, W_ADJUST,
  W_DUPLICATE, W_COPY, W_PASTE, W_COPY_BOX, W_PASTE_BOX, W_LOCK, W_CENTRAL, W_VIEW, W_SHOW_CUTOUTS,
  W_SQUARE_WIDTH, W_SQUARE_HEIGHT, W_WIDTH, W_HEIGHT,
  W_LINK = 0x100,       // + flag
  W_ROW = 0x1000,       // + mapping index: the name
  W_ROW_VIEW = 0x2000,  // + mapping index
  W_SLOT = 0x3000,      // + 2 x index + slot
  W_CUTOUT = 0x4000,    // + cutout index
  W_POSITION = 0x5000,  // + axis x 4 + (0 minus, 1 plus, 2 type)
  W_ANGLE = 0x6000,     // + angle x 4 + (0 minus, 1 plus, 2 type)
  W_COLOUR = 0x7000,    // + mapping index: the swatch
};

void LinkAnswered(Prss* owner, uint32_t flag, uint32_t) {
  SetMappingLink(*reinterpret_cast<MappingPanel*>(owner), int(flag));
}
void CentralAnswered(Prss* owner, uint32_t, uint32_t) { SwitchMappingCentral(*reinterpret_cast<MappingPanel*>(owner)); }
void UnlockAnswered(Prss* owner, uint32_t, uint32_t) { reinterpret_cast<MappingPanel*>(owner)->locked = 0; }

void ValueTyped(Prss* owner, const char* text, uint32_t word) {
  MappingPanel& panel = *reinterpret_cast<MappingPanel*>(owner);
  char* end = nullptr;
  const double value = std::strtod(text, &end);
  if (end == text) return;
  if (word == W_WIDTH || word == W_HEIGHT) SetMappingSize(panel, word == W_HEIGHT, value);
  if ((word & 0xF000) == W_POSITION) SetMappingPosition(panel, int((word & 0xFFF) >> 2), 2, value);
  if ((word & 0xF000) == W_ANGLE) SetMappingAngle(panel, int((word & 0xFFF) >> 2), 2, value);
}

void AskLink(MappingPanel& panel, int flag) {
  if (!CanAskMappingLink(panel, flag)) return;
  const ModelMapping& m = EditedObject->mappings[SelectedMapping];
  const char* what = flag == MAPPING_LINK_TOP    ? "a top mapping?"
                     : flag == MAPPING_LINK_SIDE ? "a side mapping?"
                     : flag == MAPPING_LINK_FRONT ? "a front mapping?"
                                                  : "a back mapping?";
  char question[96];
  std::snprintf(question, sizeof question, (m.flags & flag) ? "Switch OFF link with %s" : "Set selected mapping to link with %s",
                what);
  char warning[96];
  MappingLinkWarning(*EditedObject, SelectedMapping, flag, warning, sizeof warning);
  AskQuestion(&panel.prss, LinkAnswered, question, warning, uint32_t(flag), 0, 0);
}

// The swatch recorded the edit and wrote the colour; the master colours and the mesh follow.
void ColourPasted(MappingPanel& panel) {
  EditedObject->PropagateMasterColours();
  RefreshEditedMesh(&panel.prss);
}

void MappingButton(void* owner, int code, uintptr_t word) {
  MappingPanel& panel = PanelOf(owner);
  ModelObject* o = EditedObject;
  if (!o) return;
  const int step = (code & CLICK_RIGHT) ? ((code & CLICK_SHIFT) ? 20 : 5) : ((code & CLICK_SHIFT) ? 10 : 1);
  switch (word & 0xF000) {
    case W_ROW: {
      const int index = int(word & 0xFFF);
      if (code & CLICK_RIGHT) {
        SelectMapping(panel, 2, index);
        RenameMapping(panel, nullptr);
      } else {
        SelectMapping(panel, 0, index);
      }
      return;
    }
    case W_ROW_VIEW: SetViewFromMapping(panel, int(word & 0xFFF)); return;
    case W_SLOT: ArmCutoutSlot(panel, int((word & 0xFFF) >> 1), int(word & 1)); return;
    case W_CUTOUT: AssignMappingCutout(panel, int(word & 0xFFF)); return;
    case W_COLOUR:
      if ((code & CLICK_RIGHT) && (code & CLICK_SHIFT)) ColourPasted(panel);
      return;
    case W_POSITION: {
      const int axis = int((word & 0xFFF) >> 2), part = int(word & 3);
      if (part == 2) {
        if ((code & CLICK_RIGHT) && (code & CLICK_CTRL)) {
          MappingTool.copiedPosition = o->mappings[SelectedMapping].offset[axis];
          MappingTool.hasCopiedPosition = 1;
        } else if ((code & CLICK_RIGHT) && (code & CLICK_SHIFT)) {
          if (MappingTool.hasCopiedPosition) SetMappingPosition(panel, axis, 1, MappingTool.copiedPosition);
        } else {
          static const char* const NAMES[3] = {"right", "forward", "up"};
          char prompt[64];
          std::snprintf(prompt, sizeof prompt, "Enter new value for %s (%.3f m)", NAMES[axis],
                        o->mappings[SelectedMapping].offset[axis] / 65536.0);
          OpenTextEntrySub(&panel.prss, ValueTyped, prompt, 12, uint32_t(word), "", 0, 0, nullptr);
        }
      } else {
        const int32_t delta = ValueStep16(code);
        SetMappingPosition(panel, axis, 0, part ? delta : -double(delta));
      }
      return;
    }
    case W_ANGLE: {
      const int angle = int((word & 0xFFF) >> 2), part = int(word & 3);
      const ModelMapping& m = o->mappings[SelectedMapping];
      const int q = angle == 0 ? DirectionHeading(m.direction) : angle == 1 ? DirectionPitch(m.direction)
                                                                            : DirectionRoll(m.direction);
      if (part == 2) {
        if ((code & CLICK_RIGHT) && (code & CLICK_CTRL)) {
          MappingTool.copiedAngle = int32_t(std::lround(q * 32768.0 / 720.0));
        } else if ((code & CLICK_RIGHT) && (code & CLICK_SHIFT)) {
          if (MappingTool.copiedAngle != INT32_MIN) SetMappingAngle(panel, angle, 1, MappingTool.copiedAngle);
        } else {
          static const char* const NAMES[3] = {"heading", "pitch", "roll"};
          char prompt[64];
          std::snprintf(prompt, sizeof prompt, "Enter new value for %s (%.2f", NAMES[angle], q / 4.0);
          OpenTextEntrySub(&panel.prss, ValueTyped, prompt, 12, uint32_t(word), "", 0, 0, nullptr);
        }
      } else {
        const int quarter = int(std::lround(AngleStep16(code) * 720.0 / 32768.0));
        SetMappingAngle(panel, angle, 0, part ? quarter : -quarter);
      }
      return;
    }
    default: break;
  }
  if ((word & 0xF00) == W_LINK) {
    AskLink(panel, int(word & 0xFF));
    return;
  }
  switch (word) {
    case W_CLEAR: SelectedMapping = -1, MappingPanelSelection = -1; break;
    case W_DELETE: DeleteMapping(panel); break;
    case W_UP: MoveMappingInList(panel, step, 0); break;
    case W_DOWN: MoveMappingInList(panel, step, 1); break;
    case W_SHOW_POINTS: panel.flags ^= MAPPING_SHOW_POINTS; break;
    case W_BOX_FROM_POINTS: DragBoxFromPoints(panel); break;
    case W_VIEW_FROM_POINTS: ViewFromPoints(panel); break;
    case W_NEW: AddMappingFromDragBox(panel); break;
    case W_ADJUST: AdjustMappingToDragBox(panel); break;
    case W_DUPLICATE: DuplicateMapping(panel); break;
    case W_COPY: CopyMapping(panel); break;
    case W_PASTE: PasteMapping(panel); break;
    case W_COPY_BOX: CopyDragBox(panel); break;
    case W_PASTE_BOX: PasteDragBox(panel); break;
    case W_LOCK:
      if (panel.locked)
        AskQuestion(&panel.prss, UnlockAnswered, "Moving linked maps will affect all skins", "", 0, 0, 0);
      else
        panel.locked = 1;
      break;
    case W_CENTRAL:
      if (LockedMapsCheck(panel)) break;
      if (!IsAxisDirection(o->mappings[SelectedMapping].direction)) {
        ShowMessageBox(&panel.prss, TEXT_MAPPING_CENTRAL_AXIS);
        break;
      }
      AskQuestion(&panel.prss, CentralAnswered,
                  (o->mappings[SelectedMapping].flags & MAPPING_CENTRAL) ? "Switch off central?"
                                                                          : "Set mapping to be central?",
                  "", 0, 0, 0);
      break;
    case W_VIEW: SetViewFromMapping(panel, SelectedMapping); break;
    case W_SHOW_CUTOUTS: MappingTool.showCutouts ^= 1; break;
    case W_SQUARE_WIDTH: SquareMapping(panel, 0); break;
    case W_SQUARE_HEIGHT: SquareMapping(panel, 1); break;
    case W_WIDTH:
    case W_HEIGHT: {
      const bool height = word == W_HEIGHT;
      const ModelMapping& m = o->mappings[SelectedMapping];
      const int32_t value = height ? m.height : m.width;
      if ((code & CLICK_RIGHT) && (code & CLICK_CTRL)) {
        MappingTool.copiedPosition = value;
        MappingTool.hasCopiedPosition = 1;
      } else if ((code & CLICK_RIGHT) && (code & CLICK_SHIFT)) {
        if (MappingTool.hasCopiedPosition) SetMappingSize(panel, height, MappingTool.copiedPosition / 65536.0);
      } else {
        char prompt[64];
        std::snprintf(prompt, sizeof prompt, "Enter new value for %s (%.3f)", height ? "height" : "width", value / 65536.0);
        OpenTextEntrySub(&panel.prss, ValueTyped, prompt, 16, uint32_t(word), "", 0, 0, nullptr);
      }
      break;
    }
    default: break;
  }
}

const char* CutoutNameOf(const ModelObject& o, int index) {
  if (index < 0 || index >= o.cutoutCount) return "-";
  return o.cutouts[index].name[0] ? o.cutouts[index].name : "unnamed";
}

// The place of the list's scroll bar: added once the list's rows are settled, as a control's
// text is queued when the control is added and would stay from a layout given up.
struct ListScrollPlace {
  int left, top, rows;  // rows 0: the list shows every mapping
};

// fewer: rows the list gives up so that the rows under it stay on the window.
ListScrollPlace AddMappingList(MappingPanel& panel, int fewer) {
  const ModelObject& o = *EditedObject;
  Prss* owner = &panel.prss;
  const int nameUnits = NarrowWindow() ? 6 : 8, cutoutUnits = NarrowWindow() ? 4 : 6;
  AddRowButton(owner, nameUnits, 0, 0, Orange(), FrameText("mappings : %d", o.mappingCount), nullptr,
               "Number of mappings in this object");
  AddRowButton(owner, 3, 0, 0, Orange(), "dir", nullptr, "Mapping direction column");
  AddRowButton(owner, 2, 0, 0, Orange(), "col", nullptr, "Diffuse colour column");
  if (MappingTool.showCutouts) {
    AddRowButton(owner, cutoutUnits, 0, 0, Orange(), "cutout", nullptr, "Main cutouts");
    if (!SpokeMode()) AddRowButton(owner, cutoutUnits, 0, 0, Orange(), "opposite", nullptr, "Opposite side cutouts");
  }
  AddRowButton(owner, 2, W_SHOW_CUTOUTS, MappingTool.showCutouts, Orange(), MappingTool.showCutouts ? "<" : ">",
               MappingButton, MappingTool.showCutouts ? "Hide the cutouts" : "Show the cutouts");
  RowCursorX = 0, RowCursorY += ButtonHeight;
  constexpr int LEAST_ROWS = 3;
  const int rows = std::max(LEAST_ROWS, std::max(8, (ButtonHeight > 0 ? ScreenHeight / ButtonHeight : 0) - 26) - fewer);
  panel.firstRow = std::clamp(panel.firstRow, 0, std::max(0, o.mappingCount - rows));
  const int listTop = RowCursorY;
  int listRight = 0;
  for (int i = panel.firstRow; i < o.mappingCount && i < panel.firstRow + rows; ++i) {
    const ModelMapping& m = o.mappings[i];
    AddRowButton(owner, nameUnits, W_ROW + uintptr_t(i), i == SelectedMapping, panel.used[i] ? Orange() : &TextColours.grey,
                 m.name[0] ? m.name : "unnamed mapping", MappingButton, "Left click to select mapping / Right click to rename");
    AddRowButton(owner, 1, W_ROW_VIEW + uintptr_t(i), i == SelectedMapping && int32_t(m.direction) == CurrentViewCode(),
                 Orange(), "v", MappingButton, "Use this mapping's view direction");
    AddRowButton(owner, 3, 0, 0, Orange(), MappingDirectionName(m.direction), nullptr,
                 "The direction or style of this mapping");
    AddRowColourSwatch(owner, 2, W_COLOUR + uintptr_t(i), &EditedObject->mappings[i].colour, MappingButton,
                       "Diffuse colour - CTRL+RMB to copy / SHIFT+RMB to paste");
    if (MappingTool.showCutouts) {
      const bool armed = i == SelectedMapping && MappingPanelSelection >= 0;
      AddRowButton(owner, cutoutUnits, W_SLOT + uintptr_t(2 * i), armed && MappingPanelSelection == 0, Orange(),
                   CutoutNameOf(o, m.cutout[0]), MappingButton, "Click to choose the main cutout for this mapping");
      if (!SpokeMode())
        AddRowButton(owner, cutoutUnits, W_SLOT + uintptr_t(2 * i + 1), armed && MappingPanelSelection == 1, Orange(),
                     m.cutout[1] == m.cutout[0] ? "-" : CutoutNameOf(o, m.cutout[1]), MappingButton,
                     "Click to choose an opposite side cutout for this mapping");
    }
    listRight = std::max(listRight, RowCursorX);
    RowCursorX = 0, RowCursorY += ButtonHeight;
  }
  return {listRight, listTop, o.mappingCount > rows ? rows : 0};
}

void AddSelectionButtons(MappingPanel& panel) {
  ModelObject& o = *EditedObject;
  Prss* owner = &panel.prss;
  const bool box = EditViews.dragBox.state == DRAG_BOX_DONE && EditViews.dragBox.code == CurrentViewCode();
  // On the row under the undo buttons.
  RowCursorX = 0, RowCursorY += ButtonHeight;
  if (!HasSelection()) {
    if (box) AddRowButton(owner, 8, W_NEW, 0, Orange(), "NEW mapping", MappingButton, "Create a new mapping based on the drag box (CTRL+N)");
    RowCursorX = 0, RowCursorY += ButtonHeight;
    AddRowButton(owner, 10, W_SHOW_POINTS, (panel.flags & MAPPING_SHOW_POINTS) != 0, Orange(), "show object points",
                 MappingButton, "Show the object points to help set up mappings");
    return;
  }
  ModelMapping& m = o.mappings[SelectedMapping];
  if (panel.used[SelectedMapping])
    AddRowButton(owner, 8, 0, 0, Orange(), "copy screen shot", RequestMappingScreenshot,
                 "Copy a screenshot sized to paste into a skin texture");
  else
    AddRowButton(owner, 8, W_DELETE, 0, Orange(), "delete", MappingButton, "Delete the selected mapping, which is unused");
  AddRowButton(owner, 4, W_CLEAR, 0, Orange(), "clear", MappingButton, "Deselect the selected mapping (C)");
  AddRowButton(owner, 4, 0, 0, Orange(), "skin size", nullptr, "The size of the skin texture to paste a copied screen shot");
  AddRowButton(owner, 3, 1, MappingSkinSize() == 1024, Orange(), "1024", RequestMappingScreenshot, "The destination texture is 1024");
  AddRowButton(owner, 3, 2, MappingSkinSize() == 2048, Orange(), "2048", RequestMappingScreenshot, "The destination texture is 2048");
  RowCursorX = 0, RowCursorY += ButtonHeight;
  if (o.mappingCount > 1) {
    AddRowButton(owner, 6, 0, 0, Orange(), "move in list", nullptr, "Move the selected mapping in the list");
    AddRowButton(owner, 2, W_UP, 0, Orange(), "UP", MappingButton, "Move the selected mapping up the list");
    AddRowButton(owner, 2, W_DOWN, 0, Orange(), "DN", MappingButton, "Move the selected mapping down the list");
    RowCursorX = 0, RowCursorY += ButtonHeight;
  }
  if (box) {
    AddRowButton(owner, 4, W_ADJUST, 0, Orange(), "ADJUST", MappingButton,
                 MappingMatchesDragBox(panel, m) ? "The mapping already matches the drag box"
                                                 : "Adjust the mapping to match the drag box");
    AddRowButton(owner, 3, W_DUPLICATE, 0, Orange(), "DUP", MappingButton, "Create a new mapping as a copy of the selected mapping (CTRL+D)");
    AddRowButton(owner, 3, W_NEW, 0, Orange(), "NEW", MappingButton, "Create a new mapping based on the drag box (CTRL+N)");
  } else {
    AddRowButton(owner, 8, W_DUPLICATE, 0, Orange(), "duplicate mapping", MappingButton,
                 "Create a new mapping as a copy of the selected mapping (CTRL+D)");
  }
  RowCursorX = 0, RowCursorY += ButtonHeight;
  const bool sameDirection = panel.hasClipboard && (panel.clipboard.direction & 0x1FFFFF) == (m.direction & 0x1FFFFF);
  AddRowButton(owner, 8, W_COPY, 0, Orange(), sameDirection || !panel.hasClipboard ? "copy mapping" : "copy mapping (position)",
               MappingButton, "Copy direction, position, width and height of the mapping");
  if (sameDirection)
    AddRowButton(owner, 8, W_PASTE, 0, Orange(), "paste mapping", MappingButton, "Paste a copied direction, position, width and height");
  RowCursorX = 0, RowCursorY += ButtonHeight;
  if (EditViews.width != 0) {
    if (box) AddRowButton(owner, 8, W_COPY_BOX, 0, Orange(), "copy drag box", MappingButton, "Copy the current drag box");
    if (MappingTool.copiedBoxCode != -2 && EditView::IsCurrent(MappingTool.copiedBoxCode))
      AddRowButton(owner, 8, W_PASTE_BOX, 0, Orange(), "paste drag box", MappingButton, "Paste a copied drag box");
    RowCursorX = 0, RowCursorY += ButtonHeight;
  }
  if (IsSideMapping(m) || IsFrontOrBackMapping(m)) {
    AddRowButton(owner, 8, W_LINK + MAPPING_LINK_TOP, (m.flags & MAPPING_LINK_TOP) != 0, Orange(), "link with TOP",
                 MappingButton, "Link width of this mapping with height of a TOP mapping");
  } else if (IsTopMapping(m)) {
    AddRowButton(owner, 6, W_LINK + MAPPING_LINK_BACK, (m.flags & MAPPING_LINK_BACK) != 0, Orange(), "link with BACK",
                 MappingButton, "Link width of this mapping with a BACK mapping");
    AddRowButton(owner, 6, W_LINK + MAPPING_LINK_FRONT, (m.flags & MAPPING_LINK_FRONT) != 0, Orange(), "link with FRONT",
                 MappingButton, "Link width of this mapping with a FRONT mapping");
    AddRowButton(owner, 6, W_LINK + MAPPING_LINK_SIDE, (m.flags & MAPPING_LINK_SIDE) != 0, Orange(), "link with SIDE",
                 MappingButton, "Link height of this mapping with width of a SIDE mapping");
  }
  RowCursorX = 0, RowCursorY += ButtonHeight;
  if (IsMappingLinked(m)) {
    AddRowButton(owner, 6, 0, 0, Orange(), "linked status", nullptr, "Locked by default to prevent accidental adjustment");
    AddRowButton(owner, 4, W_LOCK, panel.locked, Orange(), panel.locked ? "LOCKED" : "UNLOCKED", MappingButton,
                 "Lock or unlock the linked mappings");
    RowCursorX = 0, RowCursorY += ButtonHeight;
  }
  if (!SpokeMode()) {
    AddRowButton(owner, 4, 0, 0, Orange(), "central", nullptr, "Mapping can be kept central");
    AddRowButton(owner, 3, W_CENTRAL, (m.flags & MAPPING_CENTRAL) != 0, Orange(), (m.flags & MAPPING_CENTRAL) ? "YES" : "NO",
                 MappingButton, "Set the central option");
    FixedMatrix matrix;
    m.DirectionMatrix(matrix);
    const bool oneSided = m.IsOneSided(matrix);
    AddRowButton(owner, 12, 0, 0, Orange(), oneSided ? "reflectable (all on one side)" : "not reflectable (maps both sides)",
                 nullptr, oneSided ? "Mapping is all on one side of the object" : "Mapping crosses the central plane of the object");
    RowCursorX = 0, RowCursorY += ButtonHeight;
    // The status of an axis mapping holds its heading and pitch; the roll stays while it has
    // one; a central mapping's X is the middle line.
    const char* status = MappingStatusText(m, SpokeMode());
    AddRowButton(owner, 8, 0, 0, Orange(), status ? status : "rotate", nullptr, nullptr);
    RowCursorX = 0, RowCursorY += ButtonHeight;
    static const char* const ANGLE_LABELS[3] = {"heading", "pitch", "roll"};
    static const char* const ANGLE_HINTS[3] = {"Heading of the mapping", "Pitch of the mapping", "Roll of the mapping"};
    for (int a = 2; a >= 0; --a) {
      const int q = a == 0 ? DirectionHeading(m.direction) : a == 1 ? DirectionPitch(m.direction) : DirectionRoll(m.direction);
      const bool off = a == 2 ? q == 0 && IsMappingLinked(m) : status != nullptr;
      const bool odd = a == 2 ? q != 0 : q % 360 != 0;
      InterfaceHandler handler = off ? nullptr : MappingButton;
      ColourWord* colour = off ? &TextColours.panelGrey : odd ? &TextColours.yellow : Orange();
      AddRowButton(owner, 1, W_ANGLE + uintptr_t(a * 4), 0, colour, "-", handler, ANGLE_HINTS[a]);
      AddRowButton(owner, 6, W_ANGLE + uintptr_t(a * 4 + 2), 0, colour, FrameText("%s %.2f", ANGLE_LABELS[a], q / 4.0),
                   handler, ANGLE_HINTS[a]);
      AddRowButton(owner, 1, W_ANGLE + uintptr_t(a * 4 + 1), 0, colour, "+", handler, ANGLE_HINTS[a]);
      RowCursorX = 0, RowCursorY += ButtonHeight;
    }
    AddRowButton(owner, 8, 0, 0, Orange(), "locate", nullptr, nullptr);
    RowCursorX = 0, RowCursorY += ButtonHeight;
    static const char* const AXIS_LABELS[3] = {"X", "Y", "Z"};
    static const char* const AXIS_HINTS[3] = {"Right (X) value of the mapping", "Forward (Y) value of the mapping",
                                              "Up (Z) value of the mapping"};
    for (int a = 0; a < 3; ++a) {
      const bool off = a == 0 && (m.flags & MAPPING_CENTRAL);
      InterfaceHandler handler = off ? nullptr : MappingButton;
      ColourWord* colour = off ? &TextColours.panelGrey : a == 0 && m.offset[0] != 0 ? &TextColours.yellow : Orange();
      AddRowButton(owner, 1, W_POSITION + uintptr_t(a * 4), 0, colour, "-", handler, AXIS_HINTS[a]);
      AddRowButton(owner, 6, W_POSITION + uintptr_t(a * 4 + 2), 0, colour,
                   FrameText("%s : %.3f", AXIS_LABELS[a], m.offset[a] / 65536.0), handler, AXIS_HINTS[a]);
      AddRowButton(owner, 1, W_POSITION + uintptr_t(a * 4 + 1), 0, colour, "+", handler, AXIS_HINTS[a]);
      RowCursorX = 0, RowCursorY += ButtonHeight;
    }
  }
  AddRowButton(owner, 5, W_WIDTH, 0, Orange(), FrameText("W : %.3f", m.width / 65536.0), MappingButton,
               "Width of the mapping");
  AddRowButton(owner, 1, W_SQUARE_WIDTH, 0, Orange(), "#", MappingButton, "Set width to make the aspect ratio match the cutout");
  AddRowButton(owner, 5, W_HEIGHT, 0, Orange(), FrameText("H : %.3f", m.height / 65536.0), MappingButton,
               "Height of the mapping");
  AddRowButton(owner, 1, W_SQUARE_HEIGHT, 0, Orange(), "#", MappingButton, "Set height to make the aspect ratio match the cutout");
  RowCursorX = 0, RowCursorY += ButtonHeight;
  AddRowButton(owner, 10, W_VIEW, 0, Orange(), "use mapping's view", MappingButton, "Use the view of the selected mapping");
  RowCursorX = 0, RowCursorY += ButtonHeight;
  AddRowButton(owner, 10, W_SHOW_POINTS, (panel.flags & MAPPING_SHOW_POINTS) != 0, Orange(), "show object points",
               MappingButton, "Show the object points to help set up mappings");
  RowCursorX = 0, RowCursorY += ButtonHeight;
  if (panel.flags & MAPPING_SHOW_POINTS) {
    if (EditViews.width != 0 && panel.pointCount == 2)
      AddRowButton(owner, 10, W_BOX_FROM_POINTS, 0, Orange(), "make box from points", MappingButton,
                   "Create a drag box based on the two selected points");
    else if (EditViews.width == 0 && panel.pointCount >= 2)
      AddRowButton(owner, 10, W_VIEW_FROM_POINTS, 0, Orange(),
                   panel.pointCount == 2 ? "2 points - enter horizon view" : "3 points - enter free view", MappingButton,
                   panel.pointCount == 2 ? "Enter a 2D horizon view based on the two selected points"
                                         : "Enter a 2D free view based on the three selected points");
    else
      AddRowButton(owner, 10, 0, 0, Orange(), FrameText("%d selected", panel.pointCount), nullptr,
                   "Number of points selected");
    RowCursorX = 0, RowCursorY += ButtonHeight;
  }
  if (MappingTool.showCutouts) {
    // The cutout list at the right: a click gives the armed slot its cutout.
    const int units = NarrowWindow() ? 5 : 6;
    SetRowCursorFromRight(2 * units, 0);
    const int left = RowCursorX;
    AddRowButton(owner, units, 0, 0, Orange(), "cutout name", nullptr, "Select a cutout for a mapping after clicking in the left list");
    AddRowButton(owner, units, 0, 0, Orange(), "texture file", nullptr, "The texture file name of the cutout");
    for (int c = 0; c < o.cutoutCount && RowCursorY < ScreenHeight - 2 * ButtonHeight; ++c) {
      RowCursorX = left, RowCursorY += ButtonHeight;
      const Cutout& cut = o.cutouts[c];
      const bool lit = m.cutout[0] == c || m.cutout[1] == c;
      AddRowButton(owner, units, W_CUTOUT + uintptr_t(c), lit, Orange(), CutoutNameOf(o, c), MappingButton,
                   "Select a cutout for a mapping after clicking in the left list");
      const TexturePage* page = cut.page < o.pageCount ? &o.pages[cut.page] : nullptr;
      const char* file = !page ? "-"
                         : page->type == PAGE_SKIN ? (EditorSkinName[0] ? EditorSkinName : "[no skin specified]")
                         : page->name[0]           ? page->name
                                                   : "[no texture]";
      AddRowButton(owner, units, 0, 0, Orange(), file, nullptr, "The texture file name of the cutout");
    }
  }
}

// ---- the process ----

void ClosePanel(MappingPanel* panel) {
  GiveBackDrawHook(DrawMappings, panel, panel->savedHook, panel->savedHookOwner);
  if (EditedObject)
    for (int i = 0; i < 3; ++i) EditedObject->angles[i] = panel->savedAngles[i];
  if (ActiveMappingPanel == panel) ActiveMappingPanel = nullptr;
  MappingScreenshotRequested = 0;
  delete panel;
}

Prss* MappingPanelScreenAction(Prss* process) {
  MappingPanel* panel = reinterpret_cast<MappingPanel*>(process);
  if (!process->alive) {
    ClosePanel(panel);
    return nullptr;
  }
  if (MappingScreenshotRequested) return process;
  if (!EditedObject) return process;
  MarkUsedMappings(*EditedObject, panel->used);
  if (HasSelection() == false && SelectedMapping >= 0) SelectedMapping = -1;
  if (!process->sub && !FrameSkipped) AddMappingLabels(*panel);
  Prss_ActSub(process);
  if (FrameSkipped || process->sub) return process;
  RowCursorX = RowCursorY = 0;
  EditDomain = EDIT_DOMAIN_MAPPING;
  AddModeButtons(*panel->modeller);
  RowCursorX = 0, RowCursorY += ButtonHeight;
  if (panel->savedAngles[0] || panel->savedAngles[1] || panel->savedAngles[2]) {
    AddRowButton(process, 20, 0, 0, &TextColours.yellow, "note: subobject temporarily unrotated for mapping alignment",
                 nullptr, nullptr);
    RowCursorX = 0, RowCursorY += ButtonHeight;
  }
  // The list gives up rows (it scrolls) where the rows under it would leave a short window.
  const int firstButton = ButtonCount, firstControl = ValueControlCount, listTop = RowCursorY;
  ListScrollPlace scroll{};
  for (int fewer = 0;;) {
    scroll = AddMappingList(*panel, fewer);
    AddValueEditButton(process, HasSelection() ? "mapping display opacity %.2f" : "mappings display opacity %.2f", 0.0f, 1.0f, HasSelection() ? &MappingTool.opacitySelected : &MappingTool.opacityAll,
                       Orange(), nullptr, BUTTON_STYLE_FLOAT,
                       HasSelection() ? "Opacity of selected mapping (only for editor)" : "Opacity of multiple mappings (only for editor)");
    RowCursorX = 0, RowCursorY += ButtonHeight;
    AddUndoButtons(process);
    AddSelectionButtons(*panel);
    int lowest = 0;
    for (int i = firstButton; i < ButtonCount; ++i) lowest = std::max(lowest, InterfaceButtons[i].bottom);
    if (lowest <= ScreenHeight || fewer > 0 || ButtonHeight <= 0) break;
    fewer = (lowest - ScreenHeight + ButtonHeight - 1) / ButtonHeight;
    ButtonCount = firstButton, ValueControlCount = firstControl;
    RowCursorX = 0, RowCursorY = listTop;
  }
  if (scroll.rows > 0)
    AddRowListScrollBar(&panel->prss, &panel->firstRow, scroll.left, scroll.top, scroll.rows, EditedObject->mappingCount);
  EditDomain = EDIT_DOMAIN_NONE;
  Prss_RestAfterDrawing(process);
  return process;
}

void MappingPanelKey(Prss* process, int key) {
  MappingPanel& panel = *reinterpret_cast<MappingPanel*>(process);
  Prss* parent = process->parent;
  const int letter = key >= 'a' && key <= 'z' ? key - ('a' - 'A') : key;
  if (key == 27) {
    if (MappingPanelSelection >= 0) {
      MappingPanelSelection = -1;
      return;
    }
    if (parent && parent->key) parent->key(parent, key);
    return;
  }
  MappingPanelSelection = -1;
  if (letter == 'C' && ShiftHeld) {
    if (parent && parent->key) parent->key(parent, key);
  } else if (letter == 'C') {
    if (panel.pointCount) {
      panel.pointCount = 0;
      if (!(panel.flags & MAPPING_SHOW_POINTS)) SelectedMapping = -1;
    } else {
      SelectedMapping = -1;
    }
  } else if (letter == 'M' && !ShiftHeld) {
  } else if (key == KEYCODE_CTRL_LETTER + 'D') {
    if (!HasSelection()) ReportSound(3); else DuplicateMapping(panel);
  } else if (key == KEYCODE_DELETE) {
    if (!HasSelection()) ReportSound(3); else DeleteMapping(panel);
  } else if (key == KEYCODE_CTRL_LETTER + 'N') {
    AddMappingFromDragBox(panel);
  } else if (key == KEYCODE_CTRL_LETTER + 'Y') {
    Undo(1);
  } else if (key == KEYCODE_CTRL_LETTER + 'Z') {
    Undo(0);
  } else if (parent && parent->key) {
    parent->key(parent, key);
  }
}

void MappingPanelMouse(Prss* process, MouseRecord* mouse) {
  MappingPanel& panel = *reinterpret_cast<MappingPanel*>(process);
  if (panel.dragHandle >= 0) {
    if (mouse->clickCode & CLICK_RIGHT) {
      CancelMappingHandleDrag(panel);
    } else if (!mouse->leftHeld) {
      EndMappingHandleDrag(panel);
    } else {
      MoveMappingHandleDrag(panel, MouseX, MouseY);
    }
    return;
  }
  PassMouseToEditor(process, mouse);
}

}  // namespace

void MarkUsedMappings(const ModelObject& o, uint8_t used[MAX_MODEL_MAPPINGS]) {
  std::memset(used, 0, MAX_MODEL_MAPPINGS);
  for (int t = 0; t < o.triangleCount; ++t)
    if (o.triangles[t].mapping < MAX_MODEL_MAPPINGS) used[o.triangles[t].mapping] = 1;
}

Prss* OpenMappingPanel(Prss* parent, ModellerScreen& modeller, int caller) {
  MappingPanel* panel = Prss_New<MappingPanel>();
  Prss_Init(&panel->prss, parent, MappingPanelScreenAction, MappingPanelKey, MappingPanelMouse, nullptr, nullptr);
  Prss_MakeCurrent(&panel->prss);
  panel->modeller = &modeller;
  panel->caller = caller;
  panel->dragHandle = -1;
  panel->locked = 1;
  if (EditedObject)
    for (int i = 0; i < 3; ++i) {
      panel->savedAngles[i] = EditedObject->angles[i];
      EditedObject->angles[i] = 0;
    }
  TakeDrawHook(DrawMappings, panel, &panel->savedHook, &panel->savedHookOwner);
  ActiveMappingPanel = panel;
  RefreshMappingPanelSelection();
  return &panel->prss;
}

void RefreshMappingPanelSelection() {
  MappingPanelSelection = -1;
  MappingPanel* panel = ActiveMappingPanel;
  if (HasSelection()) {
    const int index = SelectedMapping;
    if (panel) {
      SelectedMapping = -1;
      SelectMapping(*panel, 0, index);
    }
  } else {
    SelectedMapping = -1;
  }
}
