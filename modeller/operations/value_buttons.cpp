// value_buttons.cpp - the transforms of the selected points and of the edited object: moving
// the points along an axis, the value buttons of the green point and of the object's position
// and angles (steps by click code, copy and paste, typed values), the object's scale buttons
// and typed scale, and the distance of the current level of detail.
#include "modeller/operations/value_buttons.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "core/window_state.h"
#include "model/model_object.h"
#include "modeller/editor/object_editor.h"
#include "modeller/operations/drag_handles.h"
#include "modeller/state/modeller_operations.h"
#include "modeller/state/modeller_selection.h"
#include "text/text_strings.h"
#include "ui/dialogs.h"
#include "ui/value_edit.h"
#include "ui/value_steps.h"

ValueCopySlots ValueCopies;

namespace {

constexpr int CLICK_COPY = 6;    // Ctrl + right: the value into its copy slot
constexpr int CLICK_PASTE = 10;  // Shift + right: the copy applied
constexpr int TYPED_VALUE_LENGTH = 12;
constexpr int32_t METRE = 65536;
constexpr int32_t LOD_DISTANCE_MAX = 32767;  // whole metres

const char* const DISTANCE_NAMES[3] = {"right (X)", "forward (Y)", "up (Z)"};
const char* const ANGLE_NAMES[3] = {"pitch", "roll", "heading"};

// What a typed value is for: the answer word carries the kind and the axis.
enum TypedKind : uint32_t { TYPED_GREEN = 1, TYPED_POSITION = 2, TYPED_ANGLE = 3, TYPED_LOD = 4, TYPED_SCALE = 5 };
uint32_t AnswerWord(TypedKind kind, int axis) { return uint32_t(kind) << 8 | uint32_t(axis); }

int GreenPoint(const ModellerScreen& s) {
  const int green = s.state.currentPoint;
  return EditedObject && green >= 0 && green < EditedObject->pointCount ? green : -1;
}

int32_t Coordinate(const ModelPoint& p, int axis) { return axis == 0 ? p.x : axis == 1 ? p.y : p.z; }
int32_t& Coordinate(ModelPoint& p, int axis) { return axis == 0 ? p.x : axis == 1 ? p.y : p.z; }

// The level of the edited object whose distance the buttons show.
int CurrentLevel(const ModellerScreen& s) {
  const ModelObject& o = *EditedObject;
  const int level = s.mainObject ? s.mainObject->currentLod : 0;
  return std::clamp(level, 0, std::max(0, int(o.lodCount) - 1));
}

void Refresh(ModellerScreen& s) {
  RefreshEditedMesh(&s.prss);
}

void Record(const char* name) {
  if (AddUndoPoint) AddUndoPoint(name, 0, 0, 0);
}

void MoveObject(ModellerScreen& s, int axis, int64_t delta) {
  if (delta == 0) return;
  int32_t& offset = EditedObject->offset[axis];
  const int64_t moved = int64_t(offset) + delta;
  if (!FitsFixed(moved)) {
    RefuseOperation(s, TEXT_VALUE_OUT_OF_BOUNDS);
    return;
  }
  Record("move object");
  offset = int32_t(moved);
  Refresh(s);
}

void TurnObject(ModellerScreen& s, int axis, int64_t delta) {
  if (delta == 0) return;
  int16_t& angle = EditedObject->angles[axis];
  const int16_t turned = QuarterDegreeAngle(angle, int32_t(std::clamp<int64_t>(delta, -65536, 65536)));
  if (turned == angle) return;
  Record("rotate object");
  angle = turned;
  Refresh(s);
}

// The level's distance set (whole metres, held within 1..32767) and the distances made to rise.
void SetLodDistance(ModellerScreen& s, int64_t distance, const char* name) {
  ModelObject& o = *EditedObject;
  const int level = CurrentLevel(s);
  const int64_t held = std::clamp<int64_t>(distance, METRE, int64_t(LOD_DISTANCE_MAX) * METRE);
  Record(name);
  o.lodDistances[level] = int32_t(held);
  FixLodDistances(o);
  Refresh(s);
}

// Every value ModelObject::Scale would write stays in the 16.16 range.
bool ScaleFits(const ModelObject& o, float factor) {
  auto fits = [factor](int32_t v) { return FitsFixed(RoundNearest(double(v) * double(factor))); };
  for (int i = 0; i < o.pointCount; ++i)
    if (!fits(o.points[i].x) || !fits(o.points[i].y) || !fits(o.points[i].z)) return false;
  for (int i = 0; i < o.mappingCount; ++i) {
    const ModelMapping& m = o.mappings[i];
    if (!fits(m.offset[0]) || !fits(m.offset[1]) || !fits(m.offset[2]) || !fits(m.width) || !fits(m.height))
      return false;
  }
  for (int c = 0; c < o.childCount && o.children; ++c) {
    const ModelObject& child = o.children[c];
    if (!fits(child.offset[0]) || !fits(child.offset[1]) || !fits(child.offset[2]) || !ScaleFits(child, factor))
      return false;
  }
  return true;
}

void TypedAnswer(Prss* owner, const char* text, uint32_t word) {
  ModellerScreen* s = OperationScreen(owner);
  if (!s || !EditedObject || !text || !text[0]) return;
  const double value = StringToFloat(text);
  const int axis = int(word & 0xFF);
  switch (TypedKind(word >> 8)) {
    case TYPED_GREEN: {
      const int green = GreenPoint(*s);
      if (green >= 0 && axis < 3)
        MovePoints(*s, axis, RoundNearest(value * METRE) - Coordinate(EditedObject->points[green], axis));
      break;
    }
    case TYPED_POSITION:
      if (axis < 3) MoveObject(*s, axis, RoundNearest(value * METRE) - EditedObject->offset[axis]);
      break;
    case TYPED_ANGLE:
      if (axis < 3) TurnObject(*s, axis, RoundNearest(value / (360.0 / 65536.0)) - EditedObject->angles[axis]);
      break;
    case TYPED_LOD: SetLodDistance(*s, RoundNearest(value) * METRE, "type lod distance"); break;
    case TYPED_SCALE: {
      const float factor = float(value);
      if (!(factor >= -100.0f && factor <= 100.0f) || !ScaleFits(*EditedObject, factor)) {
        RefuseOperation(*s, TEXT_MULTIPLIER_OUT_OF_BOUNDS);
        break;
      }
      Record("scale with mappings");
      EditedObject->Scale(factor);
      Refresh(*s);
      break;
    }
    default: break;
  }
}

void AskValue(ModellerScreen& s, TypedKind kind, int axis, const char* prompt) {
  AskText(&s.prss, TypedAnswer, prompt, TYPED_VALUE_LENGTH, AnswerWord(kind, axis), nullptr, 0,
          ENTRY_TYPE_SINGLE_BYTE, nullptr);
}

void AskDistance(ModellerScreen& s, TypedKind kind, int axis, int32_t current) {
  char value[32], prompt[DIALOG_TEXT_SIZE];
  std::snprintf(value, sizeof value, "%.3f", current / double(METRE));
  std::snprintf(prompt, sizeof prompt, "Enter new value for %s (%s m)", DISTANCE_NAMES[axis], value);
  AskValue(s, kind, axis, prompt);
}

// One button of a triple: action 0 a step down, 1 a step up, 2 the value itself (click code 6
// copies it into its slot, 10 applies the slot, any other click asks for it).  apply takes the
// change.
template <class Apply, class Ask>
void ValueTriple(int action, int clickCode, int32_t step, int32_t current, int32_t& slot, Apply apply, Ask ask) {
  if (action == 0)
    apply(-int64_t(step));
  else if (action == 1)
    apply(step);
  else if (clickCode == CLICK_COPY)
    slot = current;
  else if (clickCode == CLICK_PASTE)
    apply(int64_t(slot) - current);
  else
    ask();
}

}  // namespace

int16_t QuarterDegreeAngle(int32_t angle, int32_t delta) {
  const int64_t quarters = RoundNearest(double(int64_t(angle) + delta) * 1440.0 / 65536.0);
  return int16_t(uint16_t(uint64_t(RoundNearest(double(quarters) * 65536.0 / 1440.0))));
}

// ---- [Moving points] ----

void MovePoints(ModellerScreen& s, int axis, int64_t distance) {
  if (!EditedObject || axis < 0 || axis > 2 || distance == 0) return;
  ModelObject& o = *EditedObject;
  int selected = 0;
  for (int p = 0; p < o.pointCount; ++p) {
    const ModelPoint& point = o.points[p];
    if (!(point.flags & POINT_SELECTED)) continue;
    ++selected;
    if (axis == 0 && (point.flags & POINT_CENTRAL)) continue;
    if (!FitsFixed(int64_t(Coordinate(point, axis)) + distance)) {
      RefuseOperation(s, TEXT_VALUE_OUT_OF_BOUNDS);
      return;
    }
  }
  if (selected == 0) return;
  Record(selected == 1 ? "move point" : "move points");
  IntVector by{0, 0, 0};
  (axis == 0 ? by.x : axis == 1 ? by.y : by.z) = int32_t(distance);
  MoveSelectedPoints(s, by);
  Refresh(s);
}

// ---- [Value buttons] ----

void GreenPointValueButton(void* owner, int clickCode, uintptr_t word) {
  ModellerScreen* s = OperationScreen(owner);
  if (!s || word > 8) return;
  const int green = GreenPoint(*s);
  if (green < 0) return;
  const int axis = int(word / 3);
  const int32_t current = Coordinate(EditedObject->points[green], axis);
  ValueTriple(int(word % 3), clickCode, ValueStep16(clickCode), current, ValueCopies.distance,
              [&](int64_t by) { MovePoints(*s, axis, by); }, [&] { AskDistance(*s, TYPED_GREEN, axis, current); });
}

void ObjectPositionButton(void* owner, int clickCode, uintptr_t word) {
  ModellerScreen* s = OperationScreen(owner);
  if (!s || !EditedObject || word > 8) return;
  const int axis = int(word / 3);
  const int32_t current = EditedObject->offset[axis];
  ValueTriple(int(word % 3), clickCode, ValueStep16(clickCode), current, ValueCopies.distance,
              [&](int64_t by) { MoveObject(*s, axis, by); }, [&] { AskDistance(*s, TYPED_POSITION, axis, current); });
}

void ObjectAngleButton(void* owner, int clickCode, uintptr_t word) {
  ModellerScreen* s = OperationScreen(owner);
  if (!s || !EditedObject || word > 8) return;
  const int axis = int(word / 3);
  const int16_t current = EditedObject->angles[axis];
  ValueTriple(int(word % 3), clickCode, AngleStep16(clickCode), current, ValueCopies.angle,
              [&](int64_t by) { TurnObject(*s, axis, by); },
              [&] {
                char prompt[DIALOG_TEXT_SIZE];
                std::snprintf(prompt, sizeof prompt, "Enter new value for %s (%.2f\xB0)", ANGLE_NAMES[axis],
                              current * 360.0 / 65536.0);
                AskValue(*s, TYPED_ANGLE, axis, prompt);
              });
}

// ---- [Object transforms] ----

void ScaleObjectButtons(void* owner, int clickCode, uintptr_t word) {
  ModellerScreen* s = OperationScreen(owner);
  if (!s || !EditedObject || word > 7) return;
  double factor;
  switch (clickCode) {
    case 1: case 6: factor = 1.05; break;
    case 2: case 9: factor = 1.1; break;
    case 5: factor = 1.01; break;
    case 10: factor = 2.0; break;
    default: return;  // a factor of 1 changes nothing
  }
  const bool multiply = word % 2 == 1;
  const int axis = int(word / 2);  // 3: all three
  ModelObject& o = *EditedObject;
  auto scaled = [&](int32_t v) { return RoundNearest(multiply ? v * factor : v / factor); };
  // Every coordinate the buttons scale: the points', then the subobjects' offsets.
  auto each = [&](auto&& act) {
    for (int p = 0; p < o.pointCount; ++p) {
      ModelPoint& point = o.points[p];
      int32_t* xyz[3] = {&point.x, &point.y, &point.z};
      for (int i = 0; i < 3; ++i)
        if (axis == 3 || axis == i) act(*xyz[i]);
    }
    for (int c = 0; c < o.childCount && o.children; ++c)
      for (int i = 0; i < 3; ++i)
        if (axis == 3 || axis == i) act(o.children[c].offset[i]);
  };
  bool fits = true;
  each([&](int32_t& v) { fits = fits && FitsFixed(scaled(v)); });
  if (!fits) {
    RefuseOperation(*s, TEXT_VALUE_OUT_OF_BOUNDS);
    return;
  }
  Record("scale");
  each([&](int32_t& v) { v = int32_t(scaled(v)); });
  Refresh(*s);
}

void ScaleObjectDialog(void* owner, int, uintptr_t) {
  ModellerScreen* s = OperationScreen(owner);
  if (!s || !EditedObject) return;
  AskValue(*s, TYPED_SCALE, 0,
           EditedObject == s->mainObject ? "Enter scale factor for entire object" : "Enter scale factor for subobject");
}

void LodDistanceButton(void* owner, int clickCode, uintptr_t word) {
  ModellerScreen* s = OperationScreen(owner);
  if (!s || !EditedObject || word > 2) return;
  const int level = CurrentLevel(*s);
  const int32_t current = EditedObject->lodDistances[level];
  if (word < 2) {
    const int metres = clickCode == 1 ? 1 : (clickCode == 2 || clickCode == 9) ? 10 : clickCode == 10 ? 100 : 0;
    if (metres == 0) return;
    SetLodDistance(*s, int64_t(current) + int64_t(word == 0 ? -metres : metres) * METRE, "adjust lod distance");
    return;
  }
  if (clickCode == CLICK_COPY) {
    ValueCopies.lodDistance = current;
  } else if (clickCode == CLICK_PASTE) {
    SetLodDistance(*s, ValueCopies.lodDistance, "paste lod distance");
  } else if (clickCode == CLICK_LEFT) {
    char value[16], prompt[DIALOG_TEXT_SIZE];
    std::snprintf(value, sizeof value, "%d", current >> 16);
    std::snprintf(prompt, sizeof prompt, "Enter new value for LOD%d distance (%s m)", level + 1, value);
    AskValue(*s, TYPED_LOD, 0, prompt);
  }
}
