// modeller_overlay.cpp - what the modeller draws over the previews: the fills and outlines of
// the selected triangles and of the triangle under the mouse, the point and triangle markers
// (with the passes of the selection rectangle), the lines of the trace, and the buttons of the
// rotate and scale drags.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "core/window_state.h"
#include "model/model_object.h"
#include "modeller/editor/edit_views.h"
#include "modeller/editor/object_editor.h"
#include "modeller/editor/vehicle_editor_link.h"
#include "modeller/operations/build_mode.h"
#include "modeller/operations/drag_handles.h"
#include "modeller/screen/modeller_screen.h"
#include "modeller/state/modeller_local.h"
#include "modeller/state/modeller_operations.h"
#include "modeller/state/modeller_selection.h"
#include "render/buffers.h"
#include "render/immediate.h"
#include "render/matrices.h"
#include "render/render_states.h"
#include "render/views.h"
#include "ui/interface.h"

namespace {

// Colours, alpha in the top byte: the selected fill and its mirrored copy's; the outlines.
constexpr uint32_t FILL_SELECTED = 0x20FF0000u, FILL_SELECTED_COPY = 0x08FF0000u;
constexpr uint32_t OUTLINE_SELECTED = 0xFFFF2020u, OUTLINE_SELECTED_COPY = 0xFF2020FFu;
constexpr uint32_t OUTLINE_HOVER = 0xFFFFFF00u, OUTLINE_HOVER_COPY = 0xFF1080FFu;
constexpr uint32_t OUTLINE_HOVER_SELECTED = 0xFF20FF20u, OUTLINE_HOVER_SELECTED_COPY = 0xFFFFA000u;
constexpr uint32_t OUTLINE_CURRENT = 0xFFFFFFFFu, OUTLINE_CURRENT_COPY = 0xFF2020FFu;
constexpr uint32_t TRACE_LINE = 0xFFFFA040u;  // the lines joining the traced points
constexpr int FILL_FLUSH_TRIANGLES = 20480;
constexpr int DEPTH_TEST_NO_WRITE = 2, DEPTH_OFF = 1;
constexpr int RASTER_BIAS_NEARER = 1, BLEND_ALPHA = 2;

// Marker colours: central points, reference points, the two type bits, and the mirrored
// copies (plain, reference).
constexpr uint8_t MARKER_CENTRAL[3] = {60, 200, 255};
constexpr uint8_t MARKER_REFERENCE[3] = {40, 90, 255};
constexpr uint8_t MARKER_TYPE[4][3] = {{190, 190, 190}, {255, 230, 80}, {255, 140, 255}, {120, 255, 200}};
constexpr uint8_t MARKER_COPY[2][3] = {{110, 110, 110}, {30, 50, 150}};
constexpr uint8_t MARKER_FRONT[3] = {200, 200, 200}, MARKER_BACK[3] = {70, 90, 230};

// One fill batch on the 3D stream at a time, its triangles counted for the flush.
struct FillBatch {
  int open = 0, triangles = 0;
  int depth = 0, raster = 0, blend = 0;
  void Begin() {
    RenderStateTable& r = RenderStates;
    depth = r.pendingDepth, raster = r.pendingRaster, blend = r.pendingBlend;
    r.pendingDepth = DEPTH_TEST_NO_WRITE;
    r.pendingRaster = RASTER_BIAS_NEARER;
    r.pendingBlend = BLEND_ALPHA;
    if (StreamLines3D.batchOpen) StreamLines3D.DrawBuffer3D();
    open = StreamLines3D.StartBuf(nullptr, 1, 1);
    triangles = 0;
  }
  void Add(const float p[3][3], uint32_t colour) {
    if (!open) return;
    if (triangles >= FILL_FLUSH_TRIANGLES) {
      StreamLines3D.DrawBuffer3D();
      open = StreamLines3D.StartBuf(nullptr, 1, 1);
      triangles = 0;
      if (!open) return;
    }
    const int a = EmitVertex3D(colour, p[0][0], p[0][1], p[0][2], 0, 0);
    const int b = EmitVertex3D(colour, p[1][0], p[1][1], p[1][2], 0, 0);
    const int c = EmitVertex3D(colour, p[2][0], p[2][1], p[2][2], 0, 0);
    if (a < 0 || b < 0 || c < 0) return;
    // A model's triangle runs anti-clockwise seen from its front; the device culls those.
    EmitTriangleIndices3D(c, b, a);
    ++triangles;
  }
  void End() {
    if (open) StreamLines3D.DrawBuffer3D();
    open = 0;
    RenderStateTable& r = RenderStates;
    r.pendingDepth = depth, r.pendingRaster = raster, r.pendingBlend = blend;
  }
};

bool CornersInRange(const ModelObject& o, const ModelTriangle& t) {
  for (uint16_t c : t.corners)
    if ((c & CORNER_INDEX_MASK) >= o.pointCount) return false;
  return true;
}

// The corners in metres: the triangle's own, or its mirrored copy's (reflected, reversed).
void TriangleCorners(const ModelObject& o, const ModelTriangle& t, int copy, float out[3][3]) {
  for (int k = 0; k < 3; ++k) {
    const uint16_t reference = copy ? uint16_t(t.corners[2 - k] ^ CORNER_MIRRORED) : t.corners[k];
    const IntVector p = ObjectPointPosition(o, reference);
    out[k][0] = float(p.x) / 65536.0f, out[k][1] = float(p.y) / 65536.0f, out[k][2] = float(p.z) / 65536.0f;
  }
}

// DrawOverlayTriangle over any object of the tree: filled into the batch, or as lines.
void DrawObjectTriangle(const ModelObject& o, int index, int level, uint32_t colourA, uint32_t colourB,
                        FillBatch* fill) {
  if (index < 0 || index >= o.triangleCount) return;
  const ModelTriangle& t = o.triangles[index];
  if (t.lod != level || !CornersInRange(o, t)) return;
  for (int copy = 0; copy < ((t.flags & TRIANGLE_MIRRORED) ? 2 : 1); ++copy) {
    float p[3][3];
    TriangleCorners(o, t, copy, p);
    const uint32_t colour = copy ? colourB : colourA;
    if (fill) {
      fill->Add(p, colour);
      continue;
    }
    for (int k = 0; k < 3; ++k) EmitLine3D(colour, p[k], p[(k + 1) % 3]);
  }
}

// Lines joining the trace's points in order, back to the first while the trace is closed.
void DrawTraceLines(const ModellerScreen& s, const ModelObject& o) {
  const ModellerState& st = s.state;
  float from[3], to[3];
  for (int i = 0; i < st.traceCount; ++i) {
    const int next = i + 1 < st.traceCount ? i + 1 : (s.traceClosed && st.traceCount > 2 ? 0 : -1);
    if (next < 0) break;
    const IntVector a = ObjectPointPosition(o, st.trace[i]), b = ObjectPointPosition(o, st.trace[next]);
    from[0] = float(a.x) / 65536.0f, from[1] = float(a.y) / 65536.0f, from[2] = float(a.z) / 65536.0f;
    to[0] = float(b.x) / 65536.0f, to[1] = float(b.y) / 65536.0f, to[2] = float(b.z) / 65536.0f;
    EmitLine3D(TRACE_LINE, from, to);
  }
}

int PixelX(float x) { return int(std::lround((x + 1.0f) * 0.5f * float(ScreenWidth))); }
int PixelY(float y) { return int(std::lround((y + 1.0f) * 0.5f * float(ScreenHeight))); }

const uint8_t* MarkerColour(const ModelPoint& p) {
  if (p.flags & POINT_CENTRAL) return MARKER_CENTRAL;
  if (p.flags & POINT_REFERENCE) return MARKER_REFERENCE;
  return MARKER_TYPE[(p.flags & POINT_LIGHTING_CLASS) >> 6];
}

void BuildMarkerClick(void* owner, int clickCode, uintptr_t reference) {
  if (ModellerScreen* s = ModellerOf(static_cast<Prss*>(owner))) BuildClickPoint(*s, clickCode, uint32_t(reference));
}

void TriangleMarkerClick(void* owner, int clickCode, uintptr_t triangle) {
  if (ModellerScreen* s = ModellerOf(static_cast<Prss*>(owner))) TriangleClick(*s, clickCode, int(triangle), 0);
}

void TransformButtonPress(void* owner, int clickCode, uintptr_t kind) {
  if (ModellerScreen* s = ModellerOf(static_cast<Prss*>(owner))) StartPointTransformDrag(*s, clickCode, int(kind));
}

bool InBuildList(const ModellerState& state, uint32_t reference) {
  for (uint32_t i = 0; i < state.buildCount && i < BUILD_LIST_SIZE; ++i)
    if (state.buildList[i] == reference) return true;
  return false;
}

// The four buttons that start the rotate and scale drags, a quarter of the screen from the
// green point towards the screen's centre (clear of the point markers); while a drag runs only
// its own, lit.
void AddTransformButtons(ModellerScreen& s, float pointX, float pointY) {
  const float cx = float(ScreenWidth) * 0.5f, cy = float(ScreenHeight) * 0.5f;
  const int ax = int(std::lround(pointX + (pointX < cx ? 0.25f : -0.25f) * float(ScreenWidth)));
  const int ay = int(std::lround(pointY + (pointY < cy ? 0.25f : -0.25f) * float(ScreenHeight)));
  const int w = 2 * ButtonWidth, h = ButtonHeight;
  static const char* const HINTS[4] = {"Drag to rotate the selected points", "Drag to scale the selected points in 2D",
                                       "Drag to scale the selected points horizontally",
                                       "Drag to scale the selected points vertically"};
  const char* labels[4] = {"R", "S", pointX < cx ? "\x8B" : "\x9B", pointY < cy ? "^" : "v"};
  const int offsets[4][2] = {{-w, -h}, {0, -h}, {-w, 0}, {0, 0}};
  for (int i = 0; i < 4; ++i) {
    const int kind = i + 1;
    if (s.transform.kind != TRANSFORM_NONE && s.transform.kind != kind) continue;
    const int left = ax + offsets[i][0], top = ay + offsets[i][1];
    // Glyph codes (BUTTON_STYLE_SYMBOL): the arrow is the character set's symbol, which no code page shows.
    AddButton(&s.prss, left, top, left + w, top + h, uintptr_t(kind), GlyphCodes(labels[i]), IvInt(0),
              IvInt(s.transform.kind == kind), BUTTON_STYLE_SYMBOL, &TextColours.lightOrange, TransformButtonPress,
              HINTS[i]);
  }
}

}  // namespace

void DrawEditedObjectOverlay(ModellerScreen& s) {
  ModelObject* edited = EditedObject;
  if (!edited || !s.mainObject) return;
  const ModelObject& o = *edited;
  const int mode = s.state.mode, level = s.mainObject->currentLod;
  const bool buttons = s.triangleButtons != 0;
  SetIdentityMatrix(WorldMatrix);
  UploadViewMatrices();

  if (mode == ModeTriangle && !buttons && s.state.selectedTriangleCount > 0) {
    FillBatch fill;
    fill.Begin();
    for (int t = 0; t < o.triangleCount; ++t)
      if (o.triangles[t].flags & TRIANGLE_SELECTED) DrawObjectTriangle(o, t, level, FILL_SELECTED, FILL_SELECTED_COPY, &fill);
    fill.End();
  }

  RenderStateTable& r = RenderStates;
  const int depth = r.pendingDepth;
  r.pendingDepth = DEPTH_OFF;  // outlines show through
  const bool own = BeginLineBatch3D();
  const bool current = s.state.currentTriangle >= 0 && s.state.currentTriangle < o.triangleCount;
  if (!(buttons && (mode == ModeTriangle || mode == ModeBuild))) {
    if (mode == ModeTriangle) {
      for (int t = 0; t < o.triangleCount; ++t)
        if (o.triangles[t].flags & TRIANGLE_SELECTED)
          DrawObjectTriangle(o, t, level, OUTLINE_SELECTED, OUTLINE_SELECTED_COPY, nullptr);
    } else if (mode == ModeBuild && current) {
      DrawObjectTriangle(o, s.state.currentTriangle, level, OUTLINE_CURRENT, OUTLINE_CURRENT_COPY, nullptr);
    }
    const SurfacePick& pick = ObjectEditorShared.pick;
    if (pick.state == 2 && (mode == ModeTriangle || (mode == ModeBuild && ShiftHeld))) {
      if (const ModelObject* picked = GetPickedObject(s)) {
        const bool selected = pick.triangle >= 0 && pick.triangle < picked->triangleCount &&
                              (picked->triangles[pick.triangle].flags & TRIANGLE_SELECTED);
        DrawObjectTriangle(*picked, pick.triangle, level, selected ? OUTLINE_HOVER_SELECTED : OUTLINE_HOVER,
                           selected ? OUTLINE_HOVER_SELECTED_COPY : OUTLINE_HOVER_COPY, nullptr);
      }
    }
  } else if (current && (mode == ModeBuild || s.state.selectedTriangleCount > 0)) {
    DrawObjectTriangle(o, s.state.currentTriangle, level, OUTLINE_SELECTED, OUTLINE_SELECTED_COPY, nullptr);
  }
  if (mode == ModePoint && IsTraceValid(s)) DrawTraceLines(s, o);
  if (own) EndLineBatch3D();
  r.pendingDepth = depth;
}

void AddEditedObjectHandles(ModellerScreen& s) {
  ModelObject* edited = EditedObject;
  if (!edited || !s.mainObject || ObjectEditorShared.hidePanels) return;
  const ModelObject& o = *edited;
  const int mode = s.state.mode, green = s.state.currentPoint;
  SetIdentityMatrix(WorldMatrix);
  UploadViewMatrices();
  if (mode == ModePoint && green >= 0 && green < o.pointCount) {
    const bool view2D = EditViews.width != 0;
    if ((CtrlHeld || s.transform.kind != TRANSFORM_NONE) && view2D && s.state.selectedPointCount >= 2) {
      const IntVector p = ObjectPointPosition(o, uint16_t(green));
      const int32_t world[3] = {p.x, p.y, p.z};
      float x, y;
      int32_t d;
      if (ProjectPointToScreen(world, &x, &y, &d)) AddTransformButtons(s, x, y);
    } else {
      DrawMoveHandles(s);
    }
  } else if (mode == ModeSubobject) {
    DrawMoveHandles(s);
  }
}

void DrawPointMarkers(ModellerScreen& s) {
  ModelObject& o = *EditedObject;
  const int mode = s.state.mode;
  if (mode == ModePoint && s.rect.result != RECT_NONE) ApplyRectangleToPoints(s, s.rect, s.rect.result == RECT_SELECT);
  static std::vector<PlacedPoint> placed;
  PlaceEditedPoints(o, placed);
  o.MarkPointsByLayerMask(ObjectEditorShared.visibleLayers, 0);
  const bool build = mode == ModeBuild;
  // The copies first: a point's own marker, added later, wins a click where they overlap.
  for (int pass = 1; pass >= 0; --pass) {
    for (int p = 0; p < o.pointCount; ++p) {
      const ModelPoint& point = o.points[p];
      const bool selected = (point.flags & POINT_SELECTED) != 0;
      if (!selected && ((point.flags & POINT_HIDDEN) || point.work == 0)) continue;
      const PlacedPoint& at = placed[size_t(p)];
      if (!at.projected[pass]) continue;
      const int x = PixelX(at.screen[pass][0]), y = PixelY(at.screen[pass][1]);
      if (build) {
        const uint32_t reference = uint32_t(p) | (pass ? BUILD_REFERENCE_MIRRORED : 0);
        const uint8_t* colour = pass ? MARKER_COPY[(point.flags & POINT_REFERENCE) ? 1 : 0] : MarkerColour(point);
        AddColourPointButton(&s.prss, x, y, reference, InBuildList(s.state, reference) ? 1 : 0, colour, BuildMarkerClick);
      } else if (pass == 1) {
        AddColourPointButton(nullptr, x, y, uintptr_t(p), 0, MARKER_COPY[(point.flags & POINT_REFERENCE) ? 1 : 0],
                             nullptr);
      } else {
        const int style = p == s.state.currentPoint ? 2 : selected ? ((point.flags & POINT_REFERENCE) ? 3 : 1) : 0;
        AddColourPointButton(&s.prss, x, y, uintptr_t(p), style, MarkerColour(point), PointMarkerClick);
      }
    }
  }
  if (mode == ModePoint) DrawBoneLabels(s);
}

namespace {

constexpr int BONE_LABEL_LIMIT = 256;
ColourWord g_boneLabelColour = 0xFFFFFF;

void BoneLabelClick(void* owner, int, uintptr_t bone) {
  if (ModellerScreen* s = ModellerOf(static_cast<Prss*>(owner))) AssignPointsToBone(*s, int(bone));
}

}  // namespace

void DrawBoneLabels(ModellerScreen& s) {
  if (!ObjectEditorShared.showSkeleton || !s.boneTable || !VehicleEditorHooks.bonePositions) return;
  static int32_t positions[BONE_LABEL_LIMIT][3];
  static char texts[BONE_LABEL_LIMIT][12];
  const int count = VehicleEditorHooks.bonePositions(s.boneTable, positions, BONE_LABEL_LIMIT);
  for (int i = 0; i < count; ++i) {
    float x, y;
    int32_t depth;
    if (!ProjectPointToScreen(positions[i], &x, &y, &depth)) continue;
    std::snprintf(texts[i], sizeof texts[i], "#%d", i);
    AddViewLabel(&s.prss, x, y, uintptr_t(i), texts[i], 0, &g_boneLabelColour, BoneLabelClick,
                 "assign the selected points to this bone", BUTTON_STYLE_HALO_TEXT);
  }
}

void DrawTriangleMarkers(ModellerScreen& s) {
  ModelObject& o = *EditedObject;
  if (s.state.mode == ModeTriangle && s.rect.result != RECT_NONE)
    ApplyRectangleToTriangles(s, s.rect, s.rect.result == RECT_SELECT);
  if (!s.triangleButtons) return;
  static std::vector<PlacedPoint> placed;
  PlaceEditedPoints(o, placed);
  const int level = s.mainObject->currentLod;
  for (int t = 0; t < o.triangleCount; ++t) {
    const ModelTriangle& tri = o.triangles[t];
    const bool selected = (tri.flags & TRIANGLE_SELECTED) != 0;
    const bool shown = tri.lod == level && !(tri.flags & TRIANGLE_HIDDEN) &&
                       (ObjectEditorShared.visibleLayers >> (tri.layer & 31) & 1);
    if ((!shown && !selected) || !CornersInRange(o, tri)) continue;
    float centre[2] = {0, 0};
    IntVector world[3];
    bool projected = true;
    for (int k = 0; k < 3; ++k) {
      const int index = tri.corners[k] & CORNER_INDEX_MASK, side = (tri.corners[k] & CORNER_MIRRORED) ? 1 : 0;
      const PlacedPoint& at = placed[size_t(index)];
      projected = projected && at.projected[side];
      world[k] = side ? ObjectPointPosition(o, tri.corners[k]) : at.world[0];
      centre[0] += at.screen[side][0] / 3.0f;
      centre[1] += at.screen[side][1] / 3.0f;
    }
    if (!projected) continue;
    const bool facing = FacesViewer(world[0], world[1], world[2]) != 0;
    if (!facing && !selected && s.facingOnly) continue;
    const int style = t == s.state.currentTriangle ? 2 : selected ? 1 : 0;
    AddColourPointButton(&s.prss, PixelX(centre[0]), PixelY(centre[1]) + (facing ? 0 : 1), uintptr_t(t), style,
                         facing ? MARKER_FRONT : MARKER_BACK, TriangleMarkerClick);
  }
}
