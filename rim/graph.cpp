// graph.cpp - the point graph editor: view, selection, held actions, drags and the tool rows.
#include "rim/graph.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/frame_globals.h"
#include "core/window_state.h"
#include "render/immediate.h"
#include "ui/interface.h"
#include "ui/shapes_2d.h"

Graph* ActiveGraph;

namespace {

constexpr int SIDE_PANEL_UNITS = 8;
constexpr int TOOL_UNITS = 6;
constexpr int MAX_GRID_LINES = 2000;  // a view far taller than its grid step draws no more
constexpr uint8_t HANDLE_COLOUR[3] = {255, 255, 255};
constexpr uint32_t GRID_ZERO = 0xFF60C0FFu, GRID_TENTH = 0xFF808080u, GRID_PLAIN = 0xFF606060u,
                   HANDLE_LINE = 0xFFFFFFFFu;

int LeftHeld() { return KeyState[1]; }
int RightHeld() { return KeyState[2]; }

float Snapped(float value, float step) { return std::round(value / step) * step; }

}  // namespace

int Graph::CanDeletePoint(int) { return 1; }
void Graph::RenumberPoint(int, int) {}
void Graph::PointsChanged(int) {}

void Graph::Init(Prss* ownerScreen, GraphData* graphData, float minX, float maxX, float minY, float maxY,
                 ColourWord colour) {
  owner = ownerScreen;
  data = graphData;
  limitMinX = minX, limitMaxX = maxX, limitMinY = minY, limitMaxY = maxY;
  background = colour;
  mode = 0, panning = 0, handleMode = GRAPH_HANDLE_NONE, toolMode = GRAPH_TOOL_NONE;
  selectionCount = 0;
  snap = 1;
  maxPoints = GRAPH_MAX_SELECTION;
  originX = originY = 0.0f;
  float largest = 1.0f;
  for (int i = 0; data && i < data->numPoints; ++i)
    largest = std::max({largest, data->points[i].x, data->points[i].y});
  scaleW = scaleH = largest;
  ActiveGraph = this;
}

float Graph::GridStep() const {
  if (scaleW < 3.0f) return 0.01f;
  if (scaleW < 30.0f) return 0.1f;
  if (scaleW < 300.0f) return 1.0f;
  return 10.0f;
}

int Graph::ScreenX(float x) const { return static_cast<int>(std::rint((x - originX) * width / scaleW + left)); }
int Graph::ScreenY(float y) const {
  return static_cast<int>(std::rint(top + height - (y - originY) * height / scaleH));
}
float Graph::GraphX(int screenX) const { return (screenX - left) * scaleW / width + originX; }
float Graph::GraphY(int screenY) const { return originY + (top + height - screenY) * scaleH / height; }

int Graph::IsSelected(int index) const {
  for (int i = 0; i < selectionCount; ++i)
    if (selection[i] == index) return 1;
  return 0;
}

void Graph::SelectAll() {
  selectionCount = std::min(data ? data->numPoints : 0, GRAPH_MAX_SELECTION);
  for (int i = 0; i < selectionCount; ++i) selection[i] = i;
}

// ---- Per frame ----

void Graph::DrawGraph(int rectLeft, int rectTop, int rectWidth, int rectHeight) {
  ActiveGraph = this;
  left = rectLeft, top = rectTop;
  width = std::max(rectWidth, 1), height = std::max(rectHeight, 1);

  // 1. A held zoom or scale.
  if (toolMode != GRAPH_TOOL_NONE) {
    if (LeftHeld()) {
      KeepDrawing = 1;  // the zoom or scale grows with the time the button is held
      const float f = 1.0f + static_cast<float>(FrameTime) * GRAPH_HELD_RATE;
      switch (toolMode) {
        case GRAPH_ZOOM_IN: scaleW /= f, scaleH /= f; break;
        case GRAPH_ZOOM_OUT: scaleW *= f, scaleH *= f; break;
        case GRAPH_NARROW: scaleW /= f; break;
        case GRAPH_WIDEN: scaleW *= f; break;
        default:
          for (int i = 0; i < selectionCount; ++i) {
            GraphPoint& p = data->points[selection[i]];
            float& v = toolMode <= GRAPH_GROW_X ? p.x : p.y;
            v = (toolMode == GRAPH_SHRINK_X || toolMode == GRAPH_SHRINK_Y) ? v / f : v * f;
          }
      }
    } else {
      toolMode = GRAPH_TOOL_NONE;
      PointsChanged(0);
    }
  }

  // 2. The pan.
  if (panning) {
    if (RightHeld()) {
      originX = panStartX, originY = panStartY;
      panning = 0;
    } else if (LeftHeld()) {
      const float x = panStartX - (MouseX - panStartMouseX) * scaleW / width;
      const float y = panStartY + (MouseY - panStartMouseY) * scaleH / height;
      originX = std::max(limitMinX, std::min(x, limitMaxX - scaleW));
      originY = std::max(limitMinY, std::min(y, limitMaxY - scaleH));
    } else {
      panning = 0;
    }
  }

  // 5. The point drag.
  if (handleMode != GRAPH_HANDLE_NONE && data) {
    if (RightHeld()) {
      for (int i = 0; i < selectionCount; ++i) data->points[selection[i]] = saved[i];
      handleMode = GRAPH_HANDLE_NONE;
    } else if (LeftHeld()) {
      float dx = 0.0f, dy = 0.0f;
      if (handleMode & GRAPH_HANDLE_X) dx = (MouseX - dragStartX) * scaleW / width;
      if (handleMode & GRAPH_HANDLE_Y) dy = (dragStartY - MouseY) * scaleH / height;
      if (snap && selectionCount > 0) {
        const float g = GridStep();
        const GraphPoint& latest = saved[selectionCount - 1];
        if (handleMode & GRAPH_HANDLE_X) dx = Snapped(latest.x + dx, g) - latest.x;
        if (handleMode & GRAPH_HANDLE_Y) dy = Snapped(latest.y + dy, g) - latest.y;
      }
      for (int i = 0; i < selectionCount; ++i)
        data->points[selection[i]] = GraphPoint{saved[i].x + dx, saved[i].y + dy};
    } else {
      handleMode = GRAPH_HANDLE_NONE;
      PointsChanged(0);
    }
  }

  // 6. The side panel.
  Prss* o = owner;
  const int panelX = left + width - SIDE_PANEL_UNITS * ButtonWidth;
  RowCursorX = panelX, RowCursorY = top;
  static char zoom[24];
  std::snprintf(zoom, sizeof zoom, "zoom %.2f", 1.0 / scaleH);
  AddRowButton(o, SIDE_PANEL_UNITS - 2, 0, 0, nullptr, zoom, nullptr, "The view's magnification");
  AddRowButton(o, 1, GRAPH_ZOOM_OUT, 0, nullptr, "-", GraphToolButton, "Zoom out (hold)");
  AddRowButton(o, 1, GRAPH_ZOOM_IN, 0, nullptr, "+", GraphToolButton, "Zoom in (hold)");
  if (selectionCount > 0) {
    static const char* const LABELS[2] = {"scale w", "scale h"};
    for (int axis = 0; axis < 2; ++axis) {
      RowCursorX = panelX, RowCursorY += ButtonHeight;
      AddRowButton(o, SIDE_PANEL_UNITS - 2, 0, 0, nullptr, LABELS[axis], nullptr, nullptr);
      const uintptr_t word = GRAPH_WORD_SCALE_FIRST + 2 * axis;
      AddRowButton(o, 1, word, 0, nullptr, "-", GraphToolButton, "Scale the selected points down (hold)");
      AddRowButton(o, 1, word + 1, 0, nullptr, "+", GraphToolButton, "Scale the selected points up (hold)");
    }
  }
  RowCursorX = panelX, RowCursorY += ButtonHeight;
  AddRowButton(o, SIDE_PANEL_UNITS, GRAPH_WORD_SNAP, snap != 0, nullptr, "snap to grid", GraphToolButton,
               "Snap dragged and new points to the grid");
}

void Graph::PaintGraph() const {
  // 3. The background, 4. the grid.
  FillRect2D(float(left), float(top), float(left + width), float(top + height), background | 0xFF000000u);
  DrawPending2DTriangles(0);
  const int opened = BeginLineBatch2D();
  const float g = GridStep();
  const double firstX = std::ceil(originX / g), lastX = std::floor((originX + scaleW) / g);
  for (double k = firstX; k <= lastX && k - firstX < MAX_GRID_LINES; k += 1.0) {
    const long long line = static_cast<long long>(k);
    const uint32_t colour = line == 0 ? GRID_ZERO : line % 10 == 0 ? GRID_TENTH : GRID_PLAIN;
    EmitVLine2D(float(ScreenX(float(k * g))), float(top), float(top + height - 1), colour);
  }
  const double firstY = std::ceil(originY / g), lastY = std::floor((originY + scaleH) / g);
  for (double k = firstY; k <= lastY && k - firstY < MAX_GRID_LINES; k += 1.0) {
    const long long line = static_cast<long long>(k);
    const uint32_t colour = line == 0 ? GRID_ZERO : line % 10 == 0 ? GRID_TENTH : GRID_PLAIN;
    EmitHLine2D(float(left), float(ScreenY(float(k * g))), float(left + width - 1), colour);
  }
  // The handle lines of the latest selected point.
  if (selectionCount > 0 && mode == 0) {
    const GraphPoint& p = data->points[selection[selectionCount - 1]];
    const float x = float(ScreenX(p.x)), y = float(ScreenY(p.y));
    EmitLine2D(HANDLE_LINE, x, y, x + GRAPH_HANDLE_OFFSET, y);
    EmitLine2D(HANDLE_LINE, x, y, x, y - GRAPH_HANDLE_OFFSET);
  }
  if (opened) EndLineBatch2D();
}

void Graph::DrawGraphPoints() {
  ActiveGraph = this;
  if (!data) return;
  Prss* o = owner;
  for (int i = 0; i < data->numPoints; ++i) {
    const GraphPoint& p = data->points[i];
    AddColourPointButton(o, ScreenX(p.x), ScreenY(p.y), uintptr_t(i), IsSelected(i),
                         i < 2 ? GRAPH_FIXED_POINT_COLOUR : GRAPH_POINT_COLOUR, GraphPointButton);
  }
  if (selectionCount > 0) {
    const GraphPoint& p = data->points[selection[selectionCount - 1]];
    const int x = ScreenX(p.x), y = ScreenY(p.y);
    AddColourPointButton(o, x, y - GRAPH_HANDLE_OFFSET, GRAPH_HANDLE_Y, 0, HANDLE_COLOUR, GraphHandleButton);
    AddColourPointButton(o, x + GRAPH_HANDLE_OFFSET, y, GRAPH_HANDLE_X, 0, HANDLE_COLOUR, GraphHandleButton);
  }

  // The tool row along the rectangle's bottom; a button that would pass the rectangle's or the
  // window's right edge starts a row above it.
  RowCursorX = left, RowCursorY = top + height - ButtonHeight;
  const int rowEnd = ScreenWidth > 0 ? std::min(left + width, ScreenWidth) : left + width;
  const auto tool = [&](uintptr_t word, int selected, const char* text, InterfaceHandler handler, const char* hint) {
    if (RowCursorX > left && RowCursorX + TOOL_UNITS * ButtonWidth > rowEnd) {
      RowCursorX = left;
      RowCursorY -= ButtonHeight;
    }
    AddRowButton(o, TOOL_UNITS, word, selected, nullptr, text, handler, hint);
  };
  static char count[24];
  std::snprintf(count, sizeof count, "%d %s", data->numPoints, data->numPoints == 1 ? "point" : "points");
  tool(0, 0, count, nullptr, nullptr);
  if (data->numPoints > 0)
    tool(GRAPH_WORD_SELECT_ALL, selectionCount == data->numPoints, "select all", GraphToolButton,
         "Select every point (A)");
  tool(GRAPH_WORD_NEW, 0, "new point", GraphToolButton, "Add a point at 0, 0");
  if (selectionCount > 0) {
    tool(GRAPH_WORD_DUPLICATE, 0, selectionCount == 1 ? "dup point" : "dup points", GraphToolButton,
         "Duplicate the selected points");
    tool(GRAPH_WORD_CLEAR, 0, "clear", GraphToolButton, "Clear the selection (C)");
    tool(GRAPH_WORD_DELETE, 0, "delete", GraphToolButton, "Delete the selected points");
    tool(GRAPH_WORD_ZERO_X, 0, "zero x", GraphToolButton, "Set x to 0 for the selected points");
  }
}

// ---- Presses and keys ----

int Graph::GraphPressed(const MouseRecord& event) {
  if (!(event.clickCode & CLICK_LEFT) || PointerOverButton) return 0;
  if (MouseX < left || MouseX >= left + width || MouseY < top || MouseY >= top + height) return 0;
  panning = 1;
  panStartMouseX = MouseX, panStartMouseY = MouseY;
  panStartX = originX, panStartY = originY;
  return 1;
}

void Graph::GraphKey(int key) {
  if (!data) return;
  if (key == 'P' || key == 'p') {
    if (data->numPoints >= maxPoints) return;
    GraphPoint p{GraphX(MouseX), GraphY(MouseY)};
    if (snap) p = GraphPoint{Snapped(p.x, GridStep()), Snapped(p.y, GridStep())};
    AppendGraphPoint(*data, p);
    selection[0] = data->numPoints - 1;
    selectionCount = 1;
    PointsChanged(0);
  } else if (key == 'A' || key == 'a' || key == KEYCODE_CTRL_LETTER + 'A') {
    if (!mode) SelectAll();
  } else if (key == 'C' || key == 'c') {
    ClearSelection();
  }
}

void Graph::ToolButton(int word) {
  if (!data) return;
  switch (word) {
    case GRAPH_WORD_ZERO_X:
      for (int i = 0; i < selectionCount; ++i) data->points[selection[i]].x = 0.0f;
      PointsChanged(0);
      break;
    case GRAPH_ZOOM_IN:
    case GRAPH_ZOOM_OUT:
    case GRAPH_NARROW:
    case GRAPH_WIDEN: toolMode = word; break;
    case GRAPH_WORD_NEW:
      if (data->numPoints >= maxPoints) return;
      AppendGraphPoint(*data, GraphPoint{0.0f, 0.0f});
      selection[0] = data->numPoints - 1;
      selectionCount = 1;
      PointsChanged(0);
      break;
    case GRAPH_WORD_DUPLICATE: {
      if (selectionCount == 0 || data->numPoints + selectionCount > maxPoints) return;
      const int first = data->numPoints;
      for (int i = 0; i < selectionCount; ++i) AppendGraphPoint(*data, data->points[selection[i]]);
      for (int i = 0; i < selectionCount; ++i) selection[i] = first + i;
      PointsChanged(0);
      break;
    }
    case GRAPH_WORD_SELECT_ALL: SelectAll(); break;
    case GRAPH_WORD_CLEAR: ClearSelection(); break;
    case GRAPH_WORD_DELETE: DeleteSelected(); break;
    case GRAPH_WORD_SNAP: snap ^= 1u; break;
    default:
      if (word >= GRAPH_WORD_SCALE_FIRST && word < GRAPH_WORD_SCALE_FIRST + 4)
        toolMode = GRAPH_SHRINK_X + (word - GRAPH_WORD_SCALE_FIRST);
  }
}

void Graph::PointPressed(int index, int clickCode) {
  if (!data || index < 0 || index >= data->numPoints) return;
  if (clickCode & CLICK_SHIFT) {
    const float x = data->points[index].x;
    selectionCount = 0;
    for (int i = 0; i < data->numPoints && selectionCount < GRAPH_MAX_SELECTION; ++i)
      if (std::fabs(data->points[i].x - x) <= GRAPH_SAME_X) selection[selectionCount++] = i;
    return;
  }
  if (IsSelected(index)) {
    if (clickCode & CLICK_CTRL) {
      int kept = 0;
      for (int i = 0; i < selectionCount; ++i)
        if (selection[i] != index) selection[kept++] = selection[i];
      selectionCount = kept;
      return;
    }
  } else {
    if (!(clickCode & CLICK_CTRL)) selectionCount = 0;
    if (selectionCount >= GRAPH_MAX_SELECTION) return;
    selection[selectionCount++] = index;
  }
  HandlePressed(GRAPH_HANDLE_BOTH);
}

void Graph::HandlePressed(uint32_t handle) {
  if (!data) return;
  for (int i = 0; i < selectionCount; ++i) saved[i] = data->points[selection[i]];
  dragStartX = MouseX, dragStartY = MouseY;
  handleMode = handle;
}

void Graph::DeleteSelected() {
  if (!data) return;
  int kept = 0;
  for (int i = 0; i < selectionCount; ++i)
    if (CanDeletePoint(selection[i])) selection[kept++] = selection[i];
  selectionCount = kept;
  if (selectionCount == 0) return;
  if (selectionCount >= data->numPoints) {
    // Only the points go: a user's data may own more than its points (a rim its surfaces).
    delete[] data->points;
    data->points = nullptr;
    data->numPoints = 0;
    selectionCount = 0;
    PointsChanged(0);
    return;
  }
  int next = 0;
  for (int i = 0; i < data->numPoints; ++i) {
    if (IsSelected(i)) continue;
    data->points[next] = data->points[i];
    if (next != i) RenumberPoint(i, next);
    ++next;
  }
  data->numPoints = next;
  selectionCount = 0;
  PointsChanged(0);
}

// ---- [Handlers] ----

void GraphPointButton(void*, int clickCode, uintptr_t index) {
  if (ActiveGraph) ActiveGraph->PointPressed(static_cast<int>(index), clickCode);
}
void GraphHandleButton(void*, int, uintptr_t handle) {
  if (ActiveGraph && (handle == GRAPH_HANDLE_X || handle == GRAPH_HANDLE_Y)) ActiveGraph->HandlePressed(uint32_t(handle));
}
void GraphToolButton(void*, int, uintptr_t word) {
  if (ActiveGraph) ActiveGraph->ToolButton(static_cast<int>(word));
}

// ---- [Point lists] ----

void AppendGraphPoint(GraphData& data, GraphPoint point) {
  GraphPoint* grown = new GraphPoint[data.numPoints + 1];
  std::copy(data.points, data.points + data.numPoints, grown);
  grown[data.numPoints] = point;
  delete[] data.points;
  data.points = grown;
  ++data.numPoints;
}
