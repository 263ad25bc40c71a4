// subobjects.cpp - the subobject mode's operations by button word, the new and duplicated
// subobjects, the list order, the clean-up and the merge of a subobject into the main object.
#include "modeller/operations/subobjects.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "model/model_object.h"
#include "modeller/state/modeller_operations.h"
#include "modeller/state/modeller_selection.h"
#include "modeller/state/modeller_undo.h"
#include "modeller/editor/object_editor.h"
#include "modeller/operations/point_tools.h"
#include "modeller/editor/vehicle_editor_link.h"
#include "text/messages.h"
#include "ui/dialogs.h"
#include "ui/value_edit.h"
#include "ui/value_steps.h"

const char* const SUBOBJECT_TYPE_DESCRIPTIONS[SUBOBJECT_TYPE_COUNT] = {
    "Main object",
    "Brake object : up / down / steer with wheel",
    "Steering wheel : rotates with steering input",
    "Attachment : stays still with main object",
    "Trailing arm : rotates with TA suspension",
    "Mudguard : up / down / steer with wheel",
    "Rear wing : defines location of aero effect",
    "Front wing : defines location of aero effect",
    "Undertray : defines location of aero effect",
    "Aero centre : defines location of aero effect",
    "Internal mirror : central rear view mirror",
    "Handlebar : rotates with steering output",
    "Hub object : attached to wheel centre"};

namespace {

constexpr int SUBOBJECT_NAME_LENGTH = 20;
constexpr int MAX_MONO_COLOURS = 8;
constexpr ColourWord MONO_WHITE = 0xFFFFFF;
const char* const FLIP_CHOICES[4] = {"-", "static - object does not change sides", "full flip - swap sides and flip object",
                                     "swap side - swap sides but do not flip"};

const char* Plural(int n) { return n == 1 ? "" : "s"; }
void Record(const char* name) {
  if (AddUndoPoint) AddUndoPoint(name, 0, 0, 0);
}
void Refresh(ModellerScreen& s) {
  RefreshEditedMesh(&s.prss);
}
bool IsSubobject(const ModellerScreen& s) { return EditedObject && EditedObject != s.mainObject; }

// The index of the edited object in the main object's list; -1 for the main object.
int EditedChildIndex(const ModellerScreen& s) {
  const ModelObject& main = *s.mainObject;
  for (int i = 0; i < main.childCount && main.children; ++i)
    if (&main.children[i] == EditedObject) return i;
  return -1;
}

FixedMatrix ObjectRotation(const ModelObject& o) {
  FixedMatrix m;
  MatrixFromAngles(m, uint16_t(o.angles[2]), uint16_t(o.angles[0]), uint16_t(o.angles[1]));
  return m;
}

// rotation x v + offset, each word rounded to nearest.
IntVector PlaceInParent(const FixedMatrix& r, const int32_t offset[3], int32_t x, int32_t y, int32_t z) {
  IntVector out;
  int32_t* words[3] = {&out.x, &out.y, &out.z};
  for (int row = 0; row < 3; ++row) {
    const int64_t sum = int64_t(r.m[3 * row]) * x + int64_t(r.m[3 * row + 1]) * y + int64_t(r.m[3 * row + 2]) * z;
    *words[row] = int32_t(((sum + 0x8000) >> 16) + offset[row]);
  }
  return out;
}

void NameAnswered(Prss* owner, const char* text, uint32_t duplicate) {
  ModellerScreen* s = OperationScreen(owner);
  if (!s || !s->mainObject || !EditedObject) return;
  ModelObject& main = *s->mainObject;
  if (main.childCount >= MAX_SUBOBJECTS) return;
  const int source = EditedChildIndex(*s);
  if (duplicate && source < 0) return;
  // Where a new subobject goes: the green point, in the main object's frame, when asked from
  // point mode.
  int32_t origin[3] = {0, 0, 0};
  const int green = s->state.currentPoint;
  if (!duplicate && s->state.mode == ModePoint && green >= 0 && green < EditedObject->pointCount) {
    const ModelPoint& p = EditedObject->points[green];
    const IntVector placed = PlaceInParent(ObjectRotation(*EditedObject), EditedObject->offset, p.x, p.y, p.z);
    origin[0] = placed.x, origin[1] = placed.y, origin[2] = placed.z;
    if (EditedObject == &main) origin[0] = p.x, origin[1] = p.y, origin[2] = p.z;
  }
  Record(duplicate ? "duplicate subobject" : "new subobject");
  DeselectAll(*s);
  DeselectAllPoints(*s);
  main.AddSubobjectSlot();  // the list moves: the edited object is found again by its index
  ModelObject& made = main.children[main.childCount];
  if (duplicate) {
    made.CopyFrom(main.children[source], 0, 1);
  } else {
    made.Init();
    made.type = SUBOBJECT_ATTACHMENT;
    std::memcpy(made.offset, origin, sizeof origin);
  }
  ++main.childCount;
  if (text && text[0])
    std::snprintf(made.name, sizeof made.name, "%s", text);
  else if (!duplicate)
    std::snprintf(made.name, sizeof made.name, "%s", TEXT_DEFAULT_SUBOBJECT_NAME);
  SetEditedObject(*s, &made, 1);
  SetModellerMode(*s, 0, ModeSubobject);
  ShowEditorInfo(duplicate ? TEXT_DUPLICATED_SUBOBJECT : TEXT_ADDED_SUBOBJECT);
  Refresh(*s);
}

void TypeChosen(Prss* owner, uint32_t, int type) {
  ModellerScreen* s = OperationScreen(owner);
  if (!s || !EditedObject || type < 0 || type >= SUBOBJECT_TYPE_COUNT) return;
  if (type == SUBOBJECT_MAIN && IsSubobject(*s)) {
    ShowMessageBox(&s->prss, TEXT_NOT_MAIN_TYPE);
    return;
  }
  Record("object type change");
  ModelObject& o = *EditedObject;
  o.type = uint8_t(type);
  if (type == SUBOBJECT_STEERING_WHEEL)
    o.sideFunction = SIDE_SWAP_ONLY;
  else if (type == SUBOBJECT_INTERNAL_MIRROR)
    o.sideFunction = SIDE_FULL_FLIP;
  else if (type != SUBOBJECT_ATTACHMENT)
    o.sideFunction = SIDE_STATIC;
  if (type >= SUBOBJECT_REAR_WING && type <= SUBOBJECT_INTERNAL_MIRROR) o.offset[0] = 0;
  Refresh(*s);
}

void FunctionChosen(Prss* owner, uint32_t, int function) {
  ModellerScreen* s = OperationScreen(owner);
  if (!s || !EditedObject || function < 0 || function > SIDE_SWAP_ONLY) return;
  if (function == 0) {
    ShowMessageBox(&s->prss, TEXT_INVALID_FLIP);
    return;
  }
  Record("flip function change");
  EditedObject->sideFunction = uint8_t(function);
  Refresh(*s);
}

void RemoveLod(ModellerScreen& s) {
  ModelObject& o = *EditedObject;
  if (o.lodCount < 2) return;
  int last = 0;
  for (int t = 0; t < o.triangleCount; ++t) last += o.triangles[t].lod == o.lodCount - 1;
  if (last) {
    ShowMessageBoxF(&s.prss, "Lowest LOD contains %d triangle%s", last, Plural(last));
    return;
  }
  Record("lod change");
  --o.lodCount;
  if (s.mainObject->currentLod >= o.lodCount) SetCurrentLod(s, 0, o.lodCount - 1);
  Refresh(s);
}

void AddLod(ModellerScreen& s) {
  ModelObject& o = *EditedObject;
  const ModelObject& main = *s.mainObject;
  const VehicleEditorLink& car = VehicleEditorHooks;
  const bool carShown = car.carBeingEdited && car.carBeingEdited();
  int highest = IsSubobject(s) ? main.lodCount : carShown ? 3 : MAX_LOD_COUNT;
  if (!IsSubobject(s) && carShown && o.lodCount >= 3) {
    ShowMessageBox(&s.prss, TEXT_CARS_THREE_LODS);
    return;
  }
  if (o.lodCount >= highest) return;
  Record("lod change");
  o.lodDistances[o.lodCount] = main.lodDistances[main.lodCount - 1];
  ++o.lodCount;
  if (!IsSubobject(s) && o.lodCount == MAX_LOD_COUNT) ShowMessageBox(&s.prss, TEXT_FOUR_LODS);
  Refresh(s);
}

void MergeAnswered(Prss* owner, uint32_t layer, uint32_t) {
  if (ModellerScreen* s = OperationScreen(owner)) MergeSubobjectIntoMain(*s, int(layer));
}

void CentraliseAnswered(Prss* owner, uint32_t layer, uint32_t) {
  ModellerScreen* s = OperationScreen(owner);
  if (!s || !IsSubobject(*s)) return;
  ModelObject& o = *EditedObject;
  o.offset[0] = 0;
  o.angles[1] = o.angles[2] = 0;
  MergeSubobjectIntoMain(*s, int(layer));
}

void AskMerge(ModellerScreen& s) {
  if (!IsSubobject(s)) return;
  const int layer = int(s.state.currentLayer);
  if (layer < 0 || layer >= LAYER_COUNT) {
    ShowMessageBox(&s.prss, TEXT_VALID_LAYER);
    return;
  }
  AskQuestion(&s.prss, MergeAnswered, TEXT_MERGE_SUBOBJECT, s.mainObject->layerNames[layer], uint32_t(layer), 0, 0);
}

bool SameCutout(const Cutout& a, const Cutout& b) {
  return std::memcmp(a.name, b.name, sizeof a.name) == 0 && a.flags == b.flags && a.orientation == b.orientation &&
         a.page == b.page && a.stored == b.stored && std::memcmp(&a.material, &b.material, sizeof a.material) == 0 &&
         std::memcmp(a.region, b.region, sizeof a.region) == 0;
}
bool SameMapping(const ModelMapping& a, const ModelMapping& b) {
  return std::memcmp(a.name, b.name, sizeof a.name) == 0 && a.colour == b.colour && a.flags == b.flags &&
         a.direction == b.direction && std::memcmp(a.offset, b.offset, sizeof a.offset) == 0 && a.width == b.width &&
         a.height == b.height && a.cutout[0] == b.cutout[0] && a.cutout[1] == b.cutout[1];
}

// Where each of the subobject's pages, cutouts and mappings goes in the main object, and
// what the main object gains.  0 with the refusal's text when a table would overflow.
struct MergePlan {
  std::vector<int> page, cutout, mapping;
  std::vector<TexturePage> newPages;
  std::vector<Cutout> newCutouts;
  std::vector<ModelMapping> newMappings;
};

const char* PlanTables(const ModelObject& main, const ModelObject& sub, MergePlan& plan) {
  for (int i = 0; i < sub.pageCount; ++i) {
    int found = -1;
    for (int j = 0; j < main.pageCount && found < 0; ++j)
      if (std::strncmp(main.pages[j].name, sub.pages[i].name, MODEL_NAME_SIZE) == 0) found = j;
    for (size_t j = 0; j < plan.newPages.size() && found < 0; ++j)
      if (std::strncmp(plan.newPages[j].name, sub.pages[i].name, MODEL_NAME_SIZE) == 0) found = main.pageCount + int(j);
    if (found < 0) {
      if (main.pageCount + int(plan.newPages.size()) >= MAX_MODEL_PAGES) return TEXT_TOO_MANY_PAGES;
      found = main.pageCount + int(plan.newPages.size());
      plan.newPages.push_back(sub.pages[i]);
    }
    plan.page.push_back(found);
  }
  for (int i = 0; i < sub.cutoutCount; ++i) {
    Cutout c = sub.cutouts[i];
    c.page = uint8_t(c.page < plan.page.size() ? plan.page[c.page] : 0);
    c.texture = nullptr;
    int found = -1;
    for (int j = 0; j < main.cutoutCount && found < 0; ++j)
      if (SameCutout(main.cutouts[j], c)) found = j;
    for (size_t j = 0; j < plan.newCutouts.size() && found < 0; ++j)
      if (SameCutout(plan.newCutouts[j], c)) found = main.cutoutCount + int(j);
    if (found < 0) {
      if (main.cutoutCount + int(plan.newCutouts.size()) >= MAX_MODEL_CUTOUTS) return TEXT_TOO_MANY_CUTOUTS;
      found = main.cutoutCount + int(plan.newCutouts.size());
      plan.newCutouts.push_back(c);
    }
    plan.cutout.push_back(found);
  }
  for (int i = 0; i < sub.mappingCount; ++i) {
    ModelMapping m = sub.mappings[i];
    for (uint16_t& c : m.cutout) c = uint16_t(c < plan.cutout.size() ? plan.cutout[c] : 0);
    std::memset(m.work, 0, sizeof m.work);
    int found = -1;
    for (int j = 0; j < main.mappingCount && found < 0; ++j)
      if (SameMapping(main.mappings[j], m)) found = j;
    for (size_t j = 0; j < plan.newMappings.size() && found < 0; ++j)
      if (SameMapping(plan.newMappings[j], m)) found = main.mappingCount + int(j);
    if (found < 0) {
      if (main.mappingCount + int(plan.newMappings.size()) >= MAX_MODEL_MAPPINGS) return TEXT_TOO_MANY_MAPPINGS;
      found = main.mappingCount + int(plan.newMappings.size());
      plan.newMappings.push_back(m);
    }
    plan.mapping.push_back(found);
  }
  return nullptr;
}

}  // namespace

// ---- [Subobjects] ----

void NewSubobject(void* owner, int, uintptr_t word) {
  ModellerScreen* s = OperationScreen(owner);
  if (!s || !s->mainObject || !EditedObject) return;
  if (word == 1 && !IsSubobject(*s)) return;
  if (s->mainObject->childCount >= MAX_SUBOBJECTS) {
    ShowMessageBox(&s->prss, TEXT_MAX_SUBOBJECTS);
    return;
  }
  AskText(&s->prss, NameAnswered, TEXT_NEW_SUBOBJECT_NAME, SUBOBJECT_NAME_LENGTH, uint32_t(word),
          word == 1 ? EditedObject->name : nullptr, 0, 0, nullptr);
}

void DeleteSubobject(ModellerScreen& s, ModelObject& object) {
  ModelObject* parent = s.mainObject ? s.mainObject->FindParent(&object) : nullptr;
  if (!parent) {
    object.Free();
    object.Init();
  } else {
    const int index = int(&object - parent->children);
    object.Free();
    for (int i = index; i + 1 < parent->childCount; ++i) parent->children[i] = parent->children[i + 1];
    --parent->childCount;
    std::memset(static_cast<void*>(&parent->children[parent->childCount]), 0, sizeof(ModelObject));
    if (parent->childCount == 0) {
      std::free(parent->children);
      parent->children = nullptr;
    }
  }
  SetEditedObject(s, s.mainObject, 1);
}

void MoveSubobjectInList(void* owner, int, uintptr_t word) {
  ModellerScreen* s = OperationScreen(owner);
  if (!s || !IsSubobject(*s)) return;
  ModelObject& main = *s->mainObject;
  const int index = EditedChildIndex(*s);
  const int other = word == 0 ? index - 1 : index + 1;
  if (index < 0 || other < 0 || other >= main.childCount) return;
  Record(word == 0 ? "move up" : "move down");
  std::swap(main.children[index], main.children[other]);
  SetEditedObject(*s, &main.children[other], 1);
}

void DeleteUnusedAttachments(void* owner, int, uintptr_t) {
  ModellerScreen* s = OperationScreen(owner);
  if (!s || !s->mainObject) return;
  ModelObject& main = *s->mainObject;
  Record("delete unused attachments");
  SetEditedObject(*s, &main, 0);
  for (int i = main.childCount - 1; i >= 0; --i)
    if (main.children[i].type == SUBOBJECT_ATTACHMENT && main.children[i].triangleCount == 0)
      DeleteSubobject(*s, main.children[i]);
  Refresh(*s);
}

// ---- [Commands] ----

void SubobjectCommand(void* owner, int clickCode, uintptr_t word) {
  ModellerScreen* screen = OperationScreen(owner);
  if (!screen || !screen->mainObject || !EditedObject) return;
  ModellerScreen& s = *screen;
  ModelObject& main = *s.mainObject;
  ModelObject& o = *EditedObject;
  switch (int(word)) {
    case SUBOBJECT_DELETE:
      Record("delete subobject");
      DeleteSubobject(s, o);
      Refresh(s);
      break;
    case SUBOBJECT_DELETE_MONO_COLOUR:
      if (main.colourChoiceCount == 0) return;
      Record("delete mono colour");
      if (--main.colourChoiceCount == 0) {
        std::free(main.colourChoices);
        main.colourChoices = nullptr;
      }
      s.colourChoice = 0;
      Refresh(s);
      break;
    case SUBOBJECT_ADD_MONO_COLOUR: {
      if (main.colourChoiceCount >= MAX_MONO_COLOURS) return;
      // The undo point copies the colours: taken before the array moves, never from a freed one.
      Record("add mono colour");
      auto* grown = static_cast<ColourWord*>(std::realloc(main.colourChoices, sizeof(ColourWord) * (main.colourChoiceCount + 1u)));
      if (!grown) return;
      main.colourChoices = grown;
      main.colourChoices[main.colourChoiceCount] = MONO_WHITE;
      s.colourChoice = main.colourChoiceCount++;
      Refresh(s);
      break;
    }
    case SUBOBJECT_TYPE: {
      const bool isMain = !IsSubobject(s);
      AskSelect(&s.prss, TypeChosen, isMain ? "Select main object type" : "Select subobject type", nullptr,
                SUBOBJECT_TYPE_DESCRIPTIONS, SUBOBJECT_TYPE_COUNT, 0, o.type);
      break;
    }
    case SUBOBJECT_FLIP_FUNCTION:
      if (o.type != SUBOBJECT_ATTACHMENT) {
        ShowMessageBox(&s.prss, TEXT_FLIP_ATTACHMENTS_ONLY);
        return;
      }
      AskSelect(&s.prss, FunctionChosen, "Select function to be used when changing drive side", nullptr, FLIP_CHOICES, 4,
                0, o.sideFunction);
      break;
    case SUBOBJECT_REMOVE_LOD: RemoveLod(s); break;
    case SUBOBJECT_ADD_LOD: AddLod(s); break;
    case SUBOBJECT_MERGE: AskMerge(s); break;
    default:
      if (word >= SUBOBJECT_MOVE_FIRST && word < SUBOBJECT_MOVE_FIRST + 6) {
        const int step = int(word) - SUBOBJECT_MOVE_FIRST;
        const int32_t distance = (step % 2 ? 1 : -1) * ValueStep16(clickCode);
        IntVector by{0, 0, 0};
        (step / 2 == 0 ? by.x : step / 2 == 1 ? by.y : by.z) = distance;
        Record("move");
        o.Translate(by);
        Refresh(s);
      }
      break;
  }
}

// ---- [Merge and clean-up] ----

void CleanUpModel(ModelObject& o, int full) {
  o.RemoveUnusedMappings();
  o.RemoveUnusedCutouts();
  o.RemoveUnusedTexturePages();
  if (full) {
    for (int p = 0; p < o.pointCount; ++p) o.points[p].flags |= POINT_SELECTED;
    o.ResetLoosePointMirrorState();
    o.UnmarkUsedPoints(1);
    RemoveMarkedPoints(o);
  }
  for (int p = 0; p < o.pointCount; ++p) o.points[p].flags &= uint8_t(~POINT_SELECTED);
  for (int c = 0; c < o.childCount && o.children; ++c) CleanUpModel(o.children[c], full);
}

void CleanUpObject(ModellerScreen& s, ModelObject& o, int full) {
  s.state.currentMapping = 0;
  DeselectAllPoints(s);
  CleanUpModel(o, full);
  DeselectAll(s);
}

int MergeSubobjectIntoMain(ModellerScreen& s, int layer) {
  if (!IsSubobject(s) || layer < 0 || layer >= LAYER_COUNT) return 0;
  ModelObject& main = *s.mainObject;
  ModelObject& sub = *EditedObject;
  bool hasMirroring = false;
  for (int p = 0; p < sub.pointCount; ++p) hasMirroring = hasMirroring || (sub.points[p].flags & POINT_MIRROR_STATE);
  if (hasMirroring && (sub.offset[0] != 0 || sub.angles[1] != 0 || sub.angles[2] != 0)) {
    AskQuestion(&s.prss, CentraliseAnswered, TEXT_NOT_CENTRED, TEXT_CENTRALISE, uint32_t(layer), 0, 0);
    return 0;
  }
  // Every limit is checked before the undo point: a refusal leaves model and history alone.
  if (int64_t(main.pointCount) + sub.pointCount > s.pointLimit) {
    RefuseOperation(s, s.pointLimitText);
    return 0;
  }
  if (int64_t(main.triangleCount) + sub.triangleCount > s.triangleLimit) {
    RefuseOperation(s, s.triangleLimitText);
    return 0;
  }
  // A cleaned copy in the main object's frame is what joins it.
  ModelObject placed{};
  placed.CopyFrom(sub, 0, 1);
  const FixedMatrix rotation = ObjectRotation(sub);
  for (int p = 0; p < placed.pointCount; ++p) {
    ModelPoint& point = placed.points[p];
    const IntVector moved = PlaceInParent(rotation, sub.offset, point.x, point.y, point.z);
    point.x = moved.x, point.y = moved.y, point.z = moved.z;
  }
  placed.TransformMappings(IntVector{sub.offset[0], sub.offset[1], sub.offset[2]}, rotation, 1, nullptr);
  CleanUpModel(placed, 1);
  MergePlan plan;
  if (const char* refusal = PlanTables(main, placed, plan)) {
    placed.Free();
    ShowMessageBox(&s.prss, refusal);
    return 0;
  }
  Record("merge subobject");
  for (const TexturePage& page : plan.newPages) main.AddPage(&page);
  for (const Cutout& cutout : plan.newCutouts) main.AddCutout(&cutout);
  for (const ModelMapping& mapping : plan.newMappings) main.AddMapping(&mapping);
  const int base = main.pointCount;
  main.ResizePoints(placed.pointCount);
  for (int p = 0; p < placed.pointCount; ++p) main.points[base + p] = placed.points[p];
  main.pointCount = uint16_t(base + placed.pointCount);
  main.ResizeTriangles(placed.triangleCount);
  for (int t = 0; t < main.triangleCount; ++t) main.triangles[t].flags &= uint8_t(~TRIANGLE_SELECTED);
  for (int t = 0; t < placed.triangleCount; ++t) {
    ModelTriangle tri = placed.triangles[t];
    tri.mapping = uint8_t(tri.mapping < plan.mapping.size() ? plan.mapping[tri.mapping] : 0);
    tri.layer = uint8_t(layer);
    tri.flags |= TRIANGLE_SELECTED;
    tri.work = 0;
    for (uint16_t& c : tri.corners) c = uint16_t((c & CORNER_MIRRORED) | (base + (c & CORNER_INDEX_MASK)));
    main.triangles[main.triangleCount++] = tri;
  }
  placed.Free();
  DeleteSubobject(s, sub);
  CountSelectedTriangles(s, 0);
  FindCurrentTriangle(s);
  Refresh(s);
  return 1;
}
