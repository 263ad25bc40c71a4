// mapping_links.cpp - a mapping's handle points, the links between top mappings and their
// side, front and back partners, direction names and the direction of a plane through points.
#include <cmath>
#include <cstdlib>

#include "core/fixed_math.h"
#include "modeller/state/modeller_state.h"
#include "modeller/texture/texture_mapping.h"

const int OPPOSITE_MAPPING_HANDLE[8] = {1, 0, 3, 2, 5, 4, 7, 6};

namespace {
// The handle's offset (a right, b along the view, c up) in the mapping's own axes.
void HandleOffset(const ModelMapping& m, int handle, int32_t out[3]) {
  const int32_t w = m.width >> 1, h = m.height >> 1;
  int32_t a = 0, b = 0, c = 0;
  switch (handle) {
    case 0: a = -w, c = -h; break;
    case 1: a = w, c = h; break;
    case 2: a = w, c = -h; break;
    case 3: a = -w, c = h; break;
    case 4: c = -h; break;
    case 5: c = h; break;
    case 6: a = w; break;
    case 7: a = -w; break;
    case MAPPING_HANDLE_ROLL: c = h - m.height / 8; break;
    case MAPPING_HANDLE_DIRECTION: b = static_cast<int32_t>(-((int64_t{std::abs(h)} + std::abs(w)) / 2)); break;
    default: break;
  }
  out[0] = a, out[1] = b, out[2] = c;
}

// abs(from) with the sign of to.
int32_t SizeWithSign(int32_t from, int32_t to) {
  const int32_t size = from < 0 ? -from : from;
  return to < 0 ? -size : size;
}
}  // namespace

void GetMappingHandlePoint(const ModelMapping& m, int handle, int32_t out[3]) {
  FixedMatrix matrix;
  m.DirectionMatrix(matrix);
  int32_t o[3];
  HandleOffset(m, handle, o);
  for (int r = 0; r < 3; ++r)
    // Wrapping as the 16.16 words do: a mapping typed to the end of the range keeps its handles.
    out[r] = WrappingAdd(FixDot3(matrix.m[3 * r], o[0], matrix.m[3 * r + 1], o[1], matrix.m[3 * r + 2], o[2]),
                         m.offset[r]);
}

void EditedObjectOffset(const ModellerScreen& screen, int32_t out[3]) {
  out[0] = out[1] = out[2] = 0;
  const ModelObject* edited = EditedObject;
  if (!edited || edited == screen.mainObject) return;
  for (int i = 0; i < 3; ++i) out[i] = edited->offset[i];
  if (screen.editedParent && screen.editedParent != screen.mainObject)
    for (int i = 0; i < 3; ++i) out[i] += screen.editedParent->offset[i];
}

void GetMappingCorner(const ModellerScreen& screen, int mapping, int32_t out[3], int handle) {
  const ModelObject& o = *EditedObject;
  GetMappingHandlePoint(o.mappings[mapping], handle, out);
  int32_t offset[3];
  EditedObjectOffset(screen, offset);
  for (int i = 0; i < 3; ++i) out[i] += offset[i];
}

// ---- links ----

int IsTopMapping(const ModelMapping& m) { return m.direction == DIRECTION_TOP; }
int IsSideMapping(const ModelMapping& m) { return m.direction == DIRECTION_RIGHT || m.direction == DIRECTION_LEFT; }
int IsFrontOrBackMapping(const ModelMapping& m) {
  return m.direction == DIRECTION_FRONT || m.direction == DIRECTION_BACK;
}

int IsMappingLinked(const ModelMapping& m) {
  if (IsSideMapping(m) || IsFrontOrBackMapping(m)) return (m.flags & MAPPING_LINK_TOP) != 0;
  if (IsTopMapping(m)) return (m.flags & (MAPPING_LINK_SIDE | MAPPING_LINK_FRONT | MAPPING_LINK_BACK)) != 0;
  return 0;
}

void PushTopMappingLinks(ModelObject& o, int topIndex) {
  const ModelMapping& top = o.mappings[topIndex];
  for (int i = 0; i < o.mappingCount; ++i) {
    ModelMapping& m = o.mappings[i];
    if (i == topIndex) continue;
    if (IsSideMapping(m)) {
      if ((m.flags & MAPPING_LINK_TOP) && (top.flags & MAPPING_LINK_SIDE)) {
        m.offset[1] = top.offset[1];
        m.width = SizeWithSign(top.height, m.width);
      }
    } else if (m.direction == DIRECTION_FRONT || m.direction == DIRECTION_BACK) {
      const int need = m.direction == DIRECTION_FRONT ? MAPPING_LINK_FRONT : MAPPING_LINK_BACK;
      if ((m.flags & MAPPING_LINK_TOP) && (top.flags & need)) {
        m.offset[0] = top.offset[0];
        m.width = SizeWithSign(top.width, m.width);
      }
    } else if (IsTopMapping(m)) {
      const int both = m.flags & top.flags;
      if (both & MAPPING_LINK_SIDE) {
        m.offset[1] = top.offset[1];
        m.height = top.height;
      }
      if (both & (MAPPING_LINK_FRONT | MAPPING_LINK_BACK)) {
        m.offset[0] = top.offset[0];
        m.width = top.width;
      }
    }
  }
}

void PushMappingLinks(ModelObject& o, int index) {
  ModelMapping& m = o.mappings[index];
  if (m.flags < MAPPING_LINK_TOP) return;
  if (IsTopMapping(m)) {
    PushTopMappingLinks(o, index);
    return;
  }
  const bool frontBack = IsFrontOrBackMapping(m), side = IsSideMapping(m);
  if (!(m.flags & MAPPING_LINK_TOP) || (!frontBack && !side)) return;
  const int flag = m.DirectionFlag();
  for (int i = 0; i < o.mappingCount; ++i) {
    ModelMapping& top = o.mappings[i];
    if (!IsTopMapping(top) || !(top.flags & flag)) continue;
    if (frontBack) {
      top.offset[0] = m.offset[0];
      top.width = SizeWithSign(m.width, top.width);
    } else {
      top.offset[1] = m.offset[1];
      top.height = SizeWithSign(m.width, top.height);
    }
    PushTopMappingLinks(o, i);
  }
}

int FindLinkedTopMapping(const ModelObject& o, int flag) {
  for (int i = 0; i < o.mappingCount; ++i)
    if (IsTopMapping(o.mappings[i]) && (o.mappings[i].flags & flag)) return i;
  return -1;
}

const char* MappingDirectionName(uint32_t d) {
  switch (d) {
    case DIRECTION_FRONT: return "Front";
    case DIRECTION_BACK: return "Back";
    case DIRECTION_RIGHT: return "Right";
    case DIRECTION_LEFT: return "Left";
    case DIRECTION_TOP: return "Top";
    case DIRECTION_UNDER: return "Under";
    default: return DirectionPitch(d) == 0 ? "Horizon" : "Free";
  }
}

int PlaneNormalFromPoints(const int32_t a[3], const int32_t b[3], const int32_t t[3], double n[3]) {
  // 16.16 differences (64-bit, they may span more than 32 bits) and their cross product in
  // doubles, which hold the products of such spans without overflow.
  const double u[3] = {double(int64_t{t[0]} - b[0]), double(int64_t{t[1]} - b[1]), double(int64_t{t[2]} - b[2])};
  const double v[3] = {double(int64_t{a[0]} - b[0]), double(int64_t{a[1]} - b[1]), double(int64_t{a[2]} - b[2])};
  n[0] = u[1] * v[2] - u[2] * v[1], n[1] = u[2] * v[0] - u[0] * v[2], n[2] = u[0] * v[1] - u[1] * v[0];
  const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
  if (!(length > 0)) return 0;
  for (int c = 0; c < 3; ++c) n[c] /= length;
  return 1;
}

int DirectionFromPoints(const int32_t a[3], const int32_t b[3], const int32_t t[3], uint32_t* code,
                        float* pitchDegrees, float* headingDegrees) {
  double n[3];
  if (!PlaneNormalFromPoints(a, b, t, n)) return 0;
  const double horizontal = std::sqrt(n[0] * n[0] + n[1] * n[1]);
  if (horizontal < 0.001) {
    *code = n[2] > 0 ? DIRECTION_TOP : DIRECTION_UNDER;
    if (pitchDegrees) *pitchDegrees = n[2] > 0 ? -90.0f : 90.0f;
    if (headingDegrees) *headingDegrees = 0;
    return 1;
  }
  constexpr double DEGREES = 180.0 / 3.14159265358979323846;
  const double pitch = -std::atan(n[2] / horizontal) * DEGREES;
  const double heading = std::atan2(n[0], -n[1]) * DEGREES;
  if (pitchDegrees) *pitchDegrees = float(pitch);
  if (headingDegrees) *headingDegrees = float(heading);
  *code = PackDirection(int(std::lround(heading * 4)), int(std::lround(pitch * 4)), 0);
  return 1;
}
