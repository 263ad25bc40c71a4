// edit_views.cpp - the edit view: its codes, switching views, projection, grid, background
// drawing, the drag box and the mouse.  The scheme file and the button block are in
// background_scheme.cpp and edit_view_buttons.cpp.
#include "modeller/editor/edit_views.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

#include "core/fixed_math.h"
#include "core/frame_globals.h"
#include "core/window_state.h"
#include "model/model_object.h"  // the packed direction codes
#include "modeller/editor/vehicle_editor_link.h"
#include "render/frame.h"
#include "render/immediate.h"
#include "render/matrices.h"
#include "render/render_states.h"
#include "render/views.h"
#include "ui/interface.h"

const int32_t EDIT_VIEW_CODES[EDIT_VIEW_COUNT] = {VIEW_CODE_PERSPECTIVE, 720, 0, 360, 1688, 0x14C000, 738000};
EditViewSettings EditViews = [] {
  EditViewSettings s{};
  s.fieldOfView = DEFAULT_FIELD_OF_VIEW;
  s.fovScale = float(2.0 * std::tan(DEFAULT_FIELD_OF_VIEW * 3.14159265358979 / 360.0));
  s.savedWidth = 4 << 16;
  s.gridChoice = GRID_METRE;
  for (EditViewRecord& r : s.records) r.scale = BACKGROUND_CLEARED_SCALE;
  return s;
}();
int32_t EditViewNearClip = VIEW_NEAR_LIMIT;

namespace {

constexpr double PI = 3.14159265358979323846;
constexpr float FIXED_TO_M = 1.0f / 65536.0f;
constexpr int32_t QUARTER_TURN = 16384;
constexpr int32_t GRID_STEPS[3] = {6553, 1 << 16, 10 << 16};
constexpr int GRID_LINES_EACH_WAY = 50;
constexpr uint32_t DRAG_BOX_COLOUR = 0xFFF0F050u;
constexpr int32_t MIN_2D_WIDTH = VIEW_ORTHO_DEPTH_MIN;
constexpr int DEPTH_OFF = 1;

bool Is2D() { return EditViews.width != 0; }

int32_t ClampWidth(double width) {
  return int32_t(std::clamp(width, double(MIN_2D_WIDTH), double(INT32_MAX)));
}

// The view's axes of the current 2D code: rows right, up, towards the viewer.
void CurrentAxes(float axes[3][3]) { BuildOrthoViewMatrix(CurrentViewCode(), axes); }

// A point given in the current view's coordinates (16.16) as a world point.
void ViewToWorld(const float axes[3][3], const int32_t view[3], int32_t world[3]) {
  for (int i = 0; i < 3; ++i) {
    const double w = double(view[0]) * axes[0][i] + double(view[1]) * axes[1][i] + double(view[2]) * axes[2][i];
    world[i] = int32_t(std::clamp(std::lround(w), long(INT32_MIN), long(INT32_MAX)));
  }
}

void WorldToViewAxes(const float axes[3][3], const int32_t world[3], int32_t view[3]) {
  for (int r = 0; r < 3; ++r) {
    const double v = double(world[0]) * axes[r][0] + double(world[1]) * axes[r][1] + double(world[2]) * axes[r][2];
    view[r] = int32_t(std::clamp(std::lround(v), long(INT32_MIN), long(INT32_MAX)));
  }
}

// The view centre in view coordinates: the view rotation times the view position.
void ViewCentre(const float axes[3][3], int32_t centre[3]) { WorldToViewAxes(axes, CurrentView->position, centre); }

void ApplyOrthoBasis(const float axes[3][3]) {
  View& v = *CurrentView;
  float m[9];
  for (int i = 0; i < 3; ++i) {
    ViewBasis[0][i] = axes[0][i];
    ViewBasis[1][i] = axes[1][i];
    ViewBasis[2][i] = -axes[2][i];  // forward: away from the viewer
    v.direction[i] = axes[2][i];
  }
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) m[r * 3 + c] = ViewBasis[r][c];
  MatrixFloatToFixed(m, ViewRotation);
}

// The 2D pan by the held arrow keys: only one counts, left before right before down before up.
void PanByArrows(uint32_t frameTimeMs, const float axes[3][3]) {
  if (ShiftHeld || CtrlHeld) return;
  int axis = -1;
  double sign = 1.0;
  if (ArrowKeysHeld[3]) axis = 0, sign = -1.0;
  else if (ArrowKeysHeld[2]) axis = 0;
  else if (ArrowKeysHeld[1]) axis = 1, sign = -1.0;
  else if (ArrowKeysHeld[0]) axis = 1;
  if (axis < 0) return;
  const double amount = sign * double(EditViews.width) * double(frameTimeMs) / 1200.0;
  int32_t* p = CurrentView->position;
  for (int i = 0; i < 3; ++i) p[i] = int32_t(std::clamp(std::lround(p[i] + amount * axes[axis][i]), long(INT32_MIN),
                                                          long(INT32_MAX)));
}

void BoxLines(const float axes[3][3], const int32_t a[3], const int32_t b[3]) {
  const int32_t corners[4][3] = {{a[0], a[1], a[2]}, {b[0], a[1], a[2]}, {b[0], b[1], a[2]}, {a[0], b[1], a[2]}};
  int32_t world[4][3];
  for (int i = 0; i < 4; ++i) ViewToWorld(axes, corners[i], world[i]);
  for (int i = 0; i < 4; ++i) DrawLineFixed3D(world[i], world[(i + 1) % 4], DRAG_BOX_COLOUR);
  DrawLineFixed3D(world[0], world[2], DRAG_BOX_COLOUR);
}

}  // namespace

// ---- [View codes] ----

unsigned EditViewState = 0xFFFFFFFFu;  // the perspective view

int32_t CurrentViewCode() { return static_cast<int32_t>(EditViewState); }
void SetCurrentViewCode(int32_t code) { EditViewState = static_cast<unsigned>(code); }

int EditView::IndexFromCode(int32_t code) {
  for (int i = 0; i < EDIT_VIEW_COUNT; ++i)
    if (EDIT_VIEW_CODES[i] == code) return i;
  return VIEW_FREE;
}

int EditView::Opposite(int index) {
  switch (index) {
    case VIEW_FRONT: return VIEW_BACK;
    case VIEW_BACK: return VIEW_FRONT;
    case VIEW_RIGHT: return VIEW_LEFT;
    case VIEW_LEFT: return VIEW_RIGHT;
    case VIEW_TOP: return VIEW_UNDER;
    case VIEW_UNDER: return VIEW_TOP;
    default: return 0;
  }
}

int EditView::IsCurrent(int32_t code) {
  const int32_t current = CurrentViewCode();
  if (code == current) return 1;
  const int a = IndexFromCode(code), b = IndexFromCode(current);
  return a >= VIEW_FRONT && a <= VIEW_UNDER && b >= VIEW_FRONT && b <= VIEW_UNDER && Opposite(a) == b;
}

void EditView::StoreCurrent(int toPerspective) {
  EditViewSettings& s = EditViews;
  int32_t* position = CurrentView->position;
  if (toPerspective && Is2D()) {
    s.savedWidth = s.width;
    std::memcpy(s.savedCentre, position, sizeof s.savedCentre);
    s.width = 0;
    std::memcpy(position, s.savedCamera, sizeof s.savedCamera);
    ViewOrthoDepth = 0;
    PopClearMode();
  } else if (!toPerspective && !Is2D()) {
    std::memcpy(s.savedCamera, position, sizeof s.savedCamera);
    std::memcpy(position, s.savedCentre, sizeof s.savedCentre);
    s.width = s.savedWidth > 0 ? s.savedWidth : (4 << 16);
    PushClearMode(s.clearMode2D);
  }
}

int EditView::SelectByKey(int key) {
  if (key >= 'a' && key <= 'z') key -= 'a' - 'A';
  if (!ShiftHeld) {
    int index = -1;
    switch (key) {
      case 'B': index = VIEW_BACK; break;
      case 'F': index = VIEW_FRONT; break;
      case 'L': index = VIEW_LEFT; break;
      case 'P': index = VIEW_PERSPECTIVE; break;
      case 'R': index = VIEW_RIGHT; break;
      case 'T': index = VIEW_TOP; break;
      case 'U': index = VIEW_UNDER; break;
      case 'V': index = IndexFromCode(CurrentViewCode()) == VIEW_TOP ? VIEW_PERSPECTIVE : VIEW_TOP; break;
      default: break;
    }
    if (index >= 0) {
      SelectEditView(index);
      return 1;
    }
  }
  if (key < KEYCODE_UP || key > KEYCODE_LEFT || !Is2D() || !(ShiftHeld || CtrlHeld)) return 0;
  // Ctrl alone 1 degree, Shift alone 5, both 30 (in quarter degrees).
  const int step = ShiftHeld && CtrlHeld ? 120 : ShiftHeld ? 20 : 4;
  const uint32_t code = static_cast<uint32_t>(CurrentViewCode());
  int heading = DirectionHeading(code), pitch = DirectionPitch(code);
  switch (key) {
    case KEYCODE_UP: pitch = std::max(pitch - step, -360); break;
    case KEYCODE_DOWN: pitch = std::min(pitch + step, 360); break;
    case KEYCODE_RIGHT: heading += step; break;
    default: heading -= step; break;
  }
  if (heading > 720) heading -= 1440;
  if (heading < -720) heading += 1440;
  SetCurrentViewCode(static_cast<int32_t>(PackDirection(heading, pitch, DirectionRoll(code))));
  return 1;
}

void EditView::ScreenToView(int x, int y, int32_t out[3]) {
  const View& v = *CurrentView;
  const int64_t scale = v.scale > 0 ? v.scale : 1;
  out[0] = int32_t(int64_t(x - v.centreX) * EditViews.width / scale);
  out[1] = int32_t(int64_t(v.centreY - y) * EditViews.width / scale);
  out[2] = 0;
}

// ---- [Background records] ----

void EditViewRecord::Clear() {
  kind = BACKGROUND_NONE;
  std::memset(imageName, 0, sizeof imageName);
  texture = nullptr;
  material = Material{};
  position[0] = position[1] = position[2] = 0;
  scale = BACKGROUND_CLEARED_SCALE;
}

// ---- [Opening and closing] ----

void InitEditViews() {
  EditViewSettings& s = EditViews;
  PushClearMode(2);
  SetEditViewLight(EDIT_LIGHT_HEADING, EDIT_LIGHT_ELEVATION);
  for (EditViewRecord& r : s.records) {
    ReleaseBackgroundTexture(r);
    r.Clear();
  }
  s.dragBox = DragBox{};
  s.clearMode2D = 0;
  s.width = 0;
  s.adjust = 0;
  SetCurrentViewCode(VIEW_CODE_PERSPECTIVE);
  ViewOrthoDepth = 0;
}

void CloseEditViews() {
  EditViewSettings& s = EditViews;
  for (EditViewRecord& r : s.records) {
    ReleaseBackgroundTexture(r);
    r.Clear();
  }
  SetCurrentViewCode(VIEW_CODE_PERSPECTIVE);
  EditView::StoreCurrent(1);
  s.adjust = 0;
  s.dragBox = DragBox{};
  PopClearMode();
}

// ---- [Choosing the view] ----

void SelectEditView(int index) {
  if (index < 0 || index >= EDIT_VIEW_COUNT) return;
  EditViews.adjust = 0;
  SetCurrentViewCode(EDIT_VIEW_CODES[index]);
  EditView::StoreCurrent(index == VIEW_PERSPECTIVE);
}

namespace {

// Rounded and kept within 32 bits (a NaN goes to the least).
int32_t FixedRound(double v) {
  if (!(v > double(INT32_MIN))) return INT32_MIN;
  return v >= double(INT32_MAX) ? INT32_MAX : int32_t(std::lround(v));
}

// Fits what is framed about a target into the free room, as the view last projected shows it:
// where the target and points a size along the view's right and up axes land give the steps
// on the screen; what is to fit (the box's corners as they land, else the size each way about
// the target) is scaled about the target's place to fill nine tenths of the room (at most by
// most), and the target moved across so that it stands in the room's middle, through the
// measured steps whatever way the axes run on the screen.  The scale, 0 where nothing fits.
double FitInFreeRoom(int32_t target[3], int32_t size, const int32_t* boxLow, const int32_t* boxHigh, double most,
                     const float* covered) {
  float axes[3][3];
  GetViewAxes(axes);
  float cx = 0, cy = 0, p[2][2] = {};
  int32_t depth = 0;
  ProjectPointToScreen(target, &cx, &cy, &depth);
  for (int k = 0; k < 2; ++k) {
    int32_t along[3];
    for (int i = 0; i < 3; ++i) along[i] = FixedRound(target[i] + double(size) * axes[i][k]);
    ProjectPointToScreen(along, &p[k][0], &p[k][1], &depth);
  }
  const double unit = double(std::max(size, 1));
  const double ax = (p[0][0] - cx) / unit, ay = (p[0][1] - cy) / unit;  // pixels per unit right
  const double bx = (p[1][0] - cx) / unit, by = (p[1][1] - cy) / unit;  // and up
  const double shown = std::hypot(ax, ay) * double(size);
  double fit[4] = {cx - shown, cy - shown, cx + shown, cy + shown};
  if (boxLow && boxHigh) {
    double box[4] = {INFINITY, INFINITY, -INFINITY, -INFINITY};
    for (int corner = 0; corner < 8; ++corner) {
      const int32_t q[3] = {corner & 1 ? boxHigh[0] : boxLow[0], corner & 2 ? boxHigh[1] : boxLow[1],
                            corner & 4 ? boxHigh[2] : boxLow[2]};
      float x = 0, y = 0;
      depth = 0;  // a point the view cannot project leaves it as it was
      ProjectPointToScreen(q, &x, &y, &depth);
      if (depth <= 0 || !std::isfinite(x) || !std::isfinite(y)) continue;
      box[0] = std::min(box[0], double(x)), box[1] = std::min(box[1], double(y));
      box[2] = std::max(box[2], double(x)), box[3] = std::max(box[3], double(y));
    }
    if (box[2] > box[0] && box[3] > box[1]) std::copy(box, box + 4, fit);
  }
  const std::array<int, 4> room = EditViewFreeRoom(covered);
  const double determinant = ax * by - ay * bx;
  const double scale = std::min({0.9 * (room[2] - room[0]) / std::max(fit[2] - fit[0], 1.0),
                                 0.9 * (room[3] - room[1]) / std::max(fit[3] - fit[1], 1.0), most});
  if (!std::isfinite(shown) || !(shown > 1.0) || !(scale > 1e-3) || !(std::fabs(determinant) > 1e-12)) return 0.0;
  // The middle of what fits, where it lands once scaled, to the room's middle.
  const double mx = cx + (0.5 * (fit[0] + fit[2]) - cx) * scale, my = cy + (0.5 * (fit[1] + fit[3]) - cy) * scale;
  const double dx = (0.5 * (room[0] + room[2]) - mx) / scale, dy = (0.5 * (room[1] + room[3]) - my) / scale;
  // A point moves on the screen by -(u a + v b) when the target moves by u right and v up.
  const double u = -(dx * by - dy * bx) / determinant, v = -(ax * dy - ay * dx) / determinant;
  for (int i = 0; i < 3; ++i) target[i] = FixedRound(target[i] + u * axes[i][0] + v * axes[i][1]);
  return scale;
}

}  // namespace

// Counted in square cells of FREE_ROOM_CELL pixels.
std::array<int, 4> EditViewFreeRoom(const float* keepClear) {
  constexpr int FREE_ROOM_CELL = 8;
  const int columns = std::max(1, ScreenWidth / FREE_ROOM_CELL), rows = std::max(1, ScreenHeight / FREE_ROOM_CELL);
  std::vector<uint8_t> covered(size_t(columns) * size_t(rows), 0);
  const auto cover = [&](float left, float top, float right, float bottom) {
    if (!(right > left) || !(bottom > top)) return;
    const int x0 = std::clamp(int(left) / FREE_ROOM_CELL, 0, columns), x1 = std::clamp(int(std::ceil(right)) / FREE_ROOM_CELL + 1, 0, columns);
    const int y0 = std::clamp(int(top) / FREE_ROOM_CELL, 0, rows), y1 = std::clamp(int(std::ceil(bottom)) / FREE_ROOM_CELL + 1, 0, rows);
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) covered[size_t(y) * size_t(columns) + size_t(x)] = 1;
  };
  for (int i = 0; i < ButtonCount; ++i) {
    const InterfaceButton& b = InterfaceButtons[i];
    cover(float(b.left), float(b.top), float(b.right), float(b.bottom));
  }
  const float w = float(ScreenWidth), h = float(ScreenHeight);
  for (int i = 0; i < ValueControlCount; ++i) {
    const ValueControl& c = ValueControls[i];
    cover((c.left + 1.0f) * 0.5f * w, (c.top + 1.0f) * 0.5f * h, (c.right + 1.0f) * 0.5f * w, (c.bottom + 1.0f) * 0.5f * h);
  }
  if (keepClear) cover(keepClear[0], keepClear[1], keepClear[2], keepClear[3]);
  // The largest rectangle of free cells: for each row, the free run above each cell, and the
  // widest span of columns each run's height reaches.
  std::vector<int> run(size_t(columns), 0);
  std::array<int, 4> best = {0, 0, ScreenWidth, ScreenHeight};
  long bestArea = 0;
  for (int y = 0; y < rows; ++y) {
    for (int x = 0; x < columns; ++x) run[size_t(x)] = covered[size_t(y) * size_t(columns) + size_t(x)] ? 0 : run[size_t(x)] + 1;
    for (int x = 0; x < columns; ++x) {
      const int height = run[size_t(x)];
      if (height == 0) continue;
      int left = x, right = x + 1;
      while (left > 0 && run[size_t(left - 1)] >= height) --left;
      while (right < columns && run[size_t(right)] >= height) ++right;
      const long area = long(right - left) * height;
      if (area > bestArea) {
        bestArea = area;
        best = {left * FREE_ROOM_CELL, (y + 1 - height) * FREE_ROOM_CELL, right * FREE_ROOM_CELL, (y + 1) * FREE_ROOM_CELL};
      }
    }
  }
  return best;
}

void FrameEditView(int32_t size, const int32_t centre[3], int inFreeRoom, const int32_t* boxLow,
                   const int32_t* boxHigh, const float* covered) {
  EditViewSettings& s = EditViews;
  int32_t target[3] = {centre[0], centre[1], centre[2]};
  const bool box = boxLow && boxHigh;
  const double unit = double(std::max(size, 1));
  if (!Is2D()) {
    double distance = std::min(3.0 / s.fovScale * double(size), double(INT32_MAX));
    OrbitView(target, int32_t(distance));
    // A size alone is never brought nearer; a box no nearer than a fifth beyond the size.
    const double most = box ? distance / (1.2 * unit) : 1.0;
    const double scale = inFreeRoom ? FitInFreeRoom(target, size, boxLow, boxHigh, most, covered) : 0.0;
    if (scale > 0.0) OrbitView(target, int32_t(std::min(distance / scale, double(INT32_MAX))));
    s.savedWidth = ClampWidth(2.0 * size);
    std::memcpy(s.savedCentre, centre, sizeof target);  // the 2D views keep the centre itself
    return;
  }
  // A 2D view is measured at the width it was last drawn with, the centre moved to the target;
  // a size alone is never shown narrower than its own width.
  const double drawn = double(ViewOrthoDepth);
  std::memcpy(CurrentView->position, target, sizeof target);
  const double scale =
      inFreeRoom && drawn > 0.0 ? FitInFreeRoom(target, size, boxLow, boxHigh, box ? INFINITY : drawn / (2.0 * unit), covered) : 0.0;
  s.width = scale > 0.0 ? ClampWidth(drawn / scale) : ClampWidth(2.0 * size);
  std::memcpy(CurrentView->position, target, sizeof target);
}

void SetEditViewFieldOfView(float degrees) {
  EditViews.fieldOfView = degrees;
  EditViews.fovScale = float(2.0 * std::tan(double(degrees) * PI / 360.0));
}

void SetEditViewLight(uint16_t heading, uint16_t elevation) {
  View& v = *CurrentView;
  const double h = heading * 2.0 * PI / 65536.0, e = elevation * 2.0 * PI / 65536.0;
  const double unit[3] = {-std::sin(h) * std::cos(e), std::cos(h) * std::cos(e), std::sin(e)};
  for (int i = 0; i < 3; ++i) {
    v.lightDirection[i] = int32_t(std::lround(unit[i] * 65536.0));
    v.lightDirectionUnit[i] = float(unit[i]);
  }
}

// ---- [Each frame] ----

void BuildOrthoViewMatrix(int32_t code, float axes[3][3]) {
  const uint32_t c = static_cast<uint32_t>(code);
  const float toRadians = float(PI / 720.0);
  float m[9];
  MatrixFromEulerF(m, DirectionHeading(c) * toRadians, DirectionPitch(c) * toRadians, DirectionRoll(c) * toRadians);
  // The view from code 0 looks along +y with x to the right and z up: its axes turned by m.
  for (int i = 0; i < 3; ++i) {
    axes[0][i] = m[i * 3 + 0];
    axes[1][i] = m[i * 3 + 2];
    axes[2][i] = -m[i * 3 + 1];
  }
}

// A room narrower than a quarter of the screen is taken as a quarter.
constexpr float MOST_2D_ROOM_LEFT = 0.5f;

void SetEditViewProjection(uint32_t frameTimeMs, float roomLeft2D) {
  EditViewSettings& s = EditViews;
  s.currentIndex = EditView::IndexFromCode(CurrentViewCode());
  if (!Is2D()) {
    ViewOrthoDepth = 0;
    ComputeViewAxes();
    ComputeViewBasis();
    SetupViewRectangle(0, 0, ScreenWidth, ScreenHeight, 0.0f, 0.0f, s.fovScale, float(EditViewNearClip) * FIXED_TO_M,
                       1);
    return;
  }
  float axes[3][3];
  CurrentAxes(axes);
  PanByArrows(frameTimeMs, axes);
  ApplyOrthoBasis(axes);
  ViewOrthoDepth = std::max(s.width, MIN_2D_WIDTH);
  // The screen shows 2 / (room's width) times the view's width, the room's middle its middle.
  const float roomLeft = std::clamp(roomLeft2D, -1.0f, MOST_2D_ROOM_LEFT);
  SetupViewRectangle(0, 0, ScreenWidth, ScreenHeight, 0.5f * (roomLeft + 1.0f), 0.0f, 2.0f / (1.0f - roomLeft), 0.0f,
                     1);
}

void DrawEditViewGrid() {
  const EditViewSettings& s = EditViews;
  if (s.gridChoice < GRID_TENTH || s.gridChoice > GRID_TEN_METRES) return;
  const int index = EditView::IndexFromCode(CurrentViewCode());
  if (index == VIEW_FREE) return;
  const int32_t step = GRID_STEPS[s.gridChoice];
  const int32_t size = step * GRID_LINES_EACH_WAY;
  SetIdentityMatrix(WorldMatrix);
  UploadViewMatrices();
  const bool own = BeginLineBatch3D();
  FixedMatrix turn;
  if (index == VIEW_FRONT || index == VIEW_BACK) {
    MatrixRotX(turn, QUARTER_TURN);
    DrawOrientedGrid(size, step, turn);
  } else if (index == VIEW_RIGHT || index == VIEW_LEFT) {
    MatrixRotY(turn, QUARTER_TURN);
    DrawOrientedGrid(size, step, turn);
  } else {
    DrawGroundGrid(size, step);
  }
  if (own) EndLineBatch3D();
}

void DrawEditViewBackground() {
  const int index = EditView::IndexFromCode(CurrentViewCode());
  if (!Is2D() || index < VIEW_FRONT || index > VIEW_UNDER) return;
  const EditViewRecord& own = EditViews.records[index];
  const EditViewRecord* shown = nullptr;
  bool flipped = false;
  if (own.texture) {
    shown = &own;
  } else if (own.kind == BACKGROUND_OPPOSITE) {
    const EditViewRecord& opposite = EditViews.records[EditView::Opposite(index)];
    if (opposite.texture) {
      shown = &opposite;
      flipped = true;
    }
  }
  if (!shown) return;
  float axes[3][3];
  CurrentAxes(axes);
  int32_t c[3];
  ViewCentre(axes, c);
  const float x = flipped ? -(float(shown->position[0]) + float(c[0])) : float(shown->position[0]) - float(c[0]);
  const float y = float(shown->position[1]) - float(c[1]);
  const float cx = x * FIXED_TO_M, cy = y * FIXED_TO_M, half = shown->scale;
  const int32_t* eye = CurrentView->position;
  const float origin[3] = {eye[0] * FIXED_TO_M, eye[1] * FIXED_TO_M, eye[2] * FIXED_TO_M};
  const uint32_t colour = ColourFromBytes(255, 255, 255);
  RenderStateTable& r = RenderStates;
  const int depth = r.pendingDepth, raster = r.pendingRaster, blend = r.pendingBlend;
  r.pendingDepth = DEPTH_OFF;  // drawn first, under everything
  r.pendingRaster = 6;         // seen from either side
  r.pendingBlend = 0;
  SetIdentityMatrix(WorldMatrix);
  UploadViewMatrices();
  CircularVBuffer& stream = StreamLines3D;
  if (stream.batchOpen) stream.DrawBuffer3D();
  if (stream.StartBuf(&shown->material, 1, 1)) {
    // Corners left-bottom, right-bottom, right-top, left-top; u runs left to right (reversed
    // when flipped), v from 1 at the bottom to 0 at the top.
    const float corners[4][2] = {{cx - half, cy - half}, {cx + half, cy - half}, {cx + half, cy + half},
                                 {cx - half, cy + half}};
    const float us[4] = {0, 1, 1, 0}, vs[4] = {1, 1, 0, 0};
    int v[4];
    for (int i = 0; i < 4; ++i) {
      float p[3];
      for (int a = 0; a < 3; ++a) p[a] = origin[a] + corners[i][0] * axes[0][a] + corners[i][1] * axes[1][a];
      v[i] = EmitVertex3D(colour, p[0], p[1], p[2], flipped ? 1.0f - us[i] : us[i], vs[i]);
    }
    EmitQuadIndices3D(v[0], v[1], v[2], v[3]);
    stream.DrawBuffer3D();
  }
  r.pendingDepth = depth;
  r.pendingRaster = raster;
  r.pendingBlend = blend;
}

void DrawEditViewDragBox() {
  DragBox& box = EditViews.dragBox;
  if (box.state == DRAG_BOX_NONE || !Is2D() || !EditView::IsCurrent(box.code)) return;
  float axes[3][3];
  CurrentAxes(axes);
  for (int i = 0; i < 2; ++i) WorldToViewAxes(axes, box.worldCorners[i], box.viewCorners[i]);
  SetIdentityMatrix(WorldMatrix);
  UploadViewMatrices();
  const bool own = BeginLineBatch3D();
  BoxLines(axes, box.viewCorners[0], box.viewCorners[1]);
  if (own) EndLineBatch3D();
}

// ---- [Mouse] ----

namespace {

// The point under the pointer in the current 2D view's coordinates.
void PointerInView(const float axes[3][3], int32_t out[3]) {
  int32_t c[3];
  ViewCentre(axes, c);
  EditView::ScreenToView(MouseX, MouseY, out);
  out[0] += c[0];
  out[1] += c[1];
  out[2] = c[2];
}

void ZoomBackground(EditViewRecord& r, double f) {
  const double k = 1.0 / (1.0 + (f - 1.0) / 16.0);
  r.scale = float(r.scale * k);
  for (int32_t& p : r.position) p = int32_t(std::clamp(std::lround(p * k), long(INT32_MIN), long(INT32_MAX)));
}

void HandleDragBox(DragBox& box, const MouseRecord& m, const float axes[3][3]) {
  if (m.clickCode & CLICK_LEFT) {
    box.state = DRAG_BOX_NONE;
    return;
  }
  PointerInView(axes, box.viewCorners[1]);
  ViewToWorld(axes, box.viewCorners[1], box.worldCorners[1]);
  if (m.rightHeld) return;
  const bool point = box.viewCorners[0][0] == box.viewCorners[1][0] && box.viewCorners[0][1] == box.viewCorners[1][1];
  box.state = point ? DRAG_BOX_POINT : DRAG_BOX_DONE;
  for (int i = 0; i < 2; ++i) ViewToWorld(axes, box.viewCorners[i], box.worldCorners[i]);
  if (box.state == DRAG_BOX_DONE && box.callback) box.callback(box.owner);
}

}  // namespace

void HandleEditViewMouse(MouseRecord* mouse, int flags) {
  if (!mouse) return;
  const MouseRecord& m = *mouse;
  EditViewSettings& s = EditViews;
  if (!Is2D()) {
    int32_t offset[3] = {0, 0, 0};
    CameraMouseControl(ViewMouseEventFromRecord(m), offset, flags);
    return;
  }
  float axes[3][3];
  CurrentAxes(axes);
  DragBox& box = s.dragBox;
  if (box.state == DRAG_BOX_DRAGGING) {
    HandleDragBox(box, m, axes);
    return;
  }
  const int index = EditView::IndexFromCode(CurrentViewCode());
  EditViewRecord* record = index >= VIEW_FRONT && index <= VIEW_UNDER ? &s.records[index] : nullptr;
  if ((m.clickCode & CLICK_RIGHT) && !m.leftHeld) {
    box.state = DRAG_BOX_DRAGGING;
    box.code = CurrentViewCode();
    PointerInView(axes, box.viewCorners[0]);
    std::memcpy(box.viewCorners[1], box.viewCorners[0], sizeof box.viewCorners[1]);
    ViewToWorld(axes, box.viewCorners[0], box.worldCorners[0]);
    std::memcpy(box.worldCorners[1], box.worldCorners[0], sizeof box.worldCorners[1]);
    return;
  }
  if (m.clickCode) box.moved = 0;
  if (m.wheel || (m.leftHeld && m.rightHeld)) {
    const int height = std::max(ScreenHeight, 1);
    double f = m.wheel == 1 ? 1.125 : m.wheel == 2 ? 1.0 / 1.125 : double(height + 3 * m.dy) / height;
    if (f == 1.0) return;
    if (s.adjust && record) {
      ZoomBackground(*record, f);
    } else {
      // The view's own zoom: the wheel up shows a fifth less, down a quarter more.
      if (m.wheel) f = m.wheel == 1 ? 1.0 / 1.25 : 1.25;
      s.width = ClampWidth(double(s.width) * f);
    }
    return;
  }
  if (m.leftHeld && !m.rightHeld && (m.dx || m.dy)) {
    if (!box.moved) {
      box.moved = 1;
      return;
    }
    if (VehicleEditorHooks.animationTestPlaying && VehicleEditorHooks.animationTestPlaying()) return;
    const View& v = *CurrentView;
    const double unit = v.scale > 0 ? double(s.width) / v.scale : 0.0;
    const double along[2] = {-m.dx * unit, m.dy * unit};
    if (s.adjust && record && record->kind == BACKGROUND_IMAGE) {
      record->position[0] -= int32_t(std::lround(along[0]));
      record->position[1] -= int32_t(std::lround(along[1]));
      return;
    }
    int32_t* p = CurrentView->position;
    for (int i = 0; i < 3; ++i)
      p[i] = int32_t(std::clamp(std::lround(p[i] + along[0] * axes[0][i] + along[1] * axes[1][i]), long(INT32_MIN),
                                long(INT32_MAX)));
  }
}
