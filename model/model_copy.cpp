// model_copy.cpp - growing the point, triangle and subobject arrays, deep copies of objects,
// finding a subobject's parent and the questions asked of a whole tree.
#include <cstdlib>
#include <cstring>

#include "model/model_object.h"

namespace {

// A zeroed array of count + extra records with the first count copied; the old one freed.
template <typename T>
T* Grown(T* array, int count, int extra) {
  T* grown = static_cast<T*>(std::calloc(static_cast<size_t>(count + extra), sizeof(T)));
  if (count > 0 && array) std::memcpy(grown, array, sizeof(T) * static_cast<size_t>(count));
  std::free(array);
  return grown;
}

template <typename T>
T* Duplicate(const T* array, int count) {
  if (count <= 0 || !array) return nullptr;
  T* copy = static_cast<T*>(std::calloc(static_cast<size_t>(count), sizeof(T)));
  std::memcpy(copy, array, sizeof(T) * static_cast<size_t>(count));
  return copy;
}

// The source's records in the array when it has their count, else in a new array.
template <typename T, typename Count>
T* CopyInto(T* array, Count count, const T* source, Count sourceCount) {
  if (array && count == sourceCount && sourceCount > 0) {
    std::memcpy(array, source, sizeof(T) * static_cast<size_t>(sourceCount));
    return array;
  }
  std::free(array);
  return Duplicate(source, sourceCount);
}

bool IsKeptWithoutSubobjects(uint8_t type) { return type >= SUBOBJECT_REAR_WING && type <= SUBOBJECT_AERO_CENTRE; }

// The fields a partial copy keeps of a wing, undertray or aero centre.
void CopyPlacement(ModelObject& target, const ModelObject& source) {
  target.type = source.type;
  target.sideFunction = source.sideFunction;
  target.options = source.options;
  std::memcpy(target.angles, source.angles, sizeof target.angles);
  target.angleExtra = source.angleExtra;
  std::memcpy(target.offset, source.offset, sizeof target.offset);
}

}  // namespace

void ModelObject::ResizePoints(int extra) { points = Grown(points, pointCount, extra); }
void ModelObject::ResizeTriangles(int extra) { triangles = Grown(triangles, triangleCount, extra); }
void ModelObject::AddSubobjectSlot() { children = Grown(children, children ? childCount : 0, 1); }

void ModelObject::CopyFrom(const ModelObject& source, int, int full) {
  Free();
  std::memset(static_cast<void*>(this), 0, sizeof *this);
  std::memcpy(name, source.name, sizeof name);
  type = source.type;
  sideFunction = source.sideFunction;
  lodCount = source.lodCount;
  textureUsage = source.textureUsage;
  std::memcpy(lodDistances, source.lodDistances, sizeof lodDistances);
  pointCount = source.pointCount;
  triangleCount = source.triangleCount;
  groupCount = source.groupCount;
  reserved = source.reserved;
  std::memcpy(angles, source.angles, sizeof angles);
  angleExtra = source.angleExtra;
  std::memcpy(offset, source.offset, sizeof offset);
  options = source.options;
  points = Duplicate(source.points, source.pointCount);
  triangles = Duplicate(source.triangles, source.triangleCount);
  // Colour choices are part of the model: an undo step must not lose them.
  colourChoiceCount = source.colourChoiceCount;
  colourChoices = Duplicate(source.colourChoices, source.colourChoiceCount);
  CopyPages(source);
  CopyCutouts(source);
  CopyMappings(source);
  std::memcpy(layerNames, source.layerNames, sizeof layerNames);

  int kept = 0;
  for (int i = 0; i < source.childCount && source.children; ++i)
    if (full || IsKeptWithoutSubobjects(source.children[i].type)) ++kept;
  childCount = static_cast<uint16_t>(kept);
  if (kept == 0) return;
  children = static_cast<ModelObject*>(std::calloc(static_cast<size_t>(kept), sizeof(ModelObject)));
  int slot = 0;
  for (int i = 0; i < source.childCount; ++i) {
    const ModelObject& child = source.children[i];
    if (full) {
      children[slot++].CopyFrom(child, 0, 1);
    } else if (IsKeptWithoutSubobjects(child.type)) {
      ModelObject& empty = children[slot++];
      empty.Init();
      CopyPlacement(empty, child);
    }
  }
}

void ModelObject::CopyOver(const ModelObject& source) {
  FreeRenderCaches();
  points = CopyInto(points, pointCount, source.points, source.pointCount);
  triangles = CopyInto(triangles, triangleCount, source.triangles, source.triangleCount);
  colourChoices = CopyInto(colourChoices, colourChoiceCount, source.colourChoices, source.colourChoiceCount);
  pages = CopyInto(pages, pageCount, source.pages, source.pageCount);
  cutouts = CopyInto(cutouts, cutoutCount, source.cutouts, source.cutoutCount);
  mappings = CopyInto(mappings, mappingCount, source.mappings, source.mappingCount);
  const int sourceChildren = source.children ? source.childCount : 0;
  if (children && childCount == sourceChildren) {
    for (int i = 0; i < sourceChildren; ++i) children[i].CopyOver(source.children[i]);
  } else {
    for (int i = 0; i < childCount && children; ++i) children[i].Free();
    std::free(children);
    children = sourceChildren > 0
                   ? static_cast<ModelObject*>(std::calloc(static_cast<size_t>(sourceChildren), sizeof(ModelObject)))
                   : nullptr;
    for (int i = 0; i < sourceChildren; ++i) children[i].CopyFrom(source.children[i], 0, 1);
  }
  std::memcpy(name, source.name, sizeof name);
  type = source.type;
  sideFunction = source.sideFunction;
  lodCount = source.lodCount;
  textureUsage = source.textureUsage;
  std::memcpy(lodDistances, source.lodDistances, sizeof lodDistances);
  pointCount = source.pointCount;
  triangleCount = source.triangleCount;
  childCount = static_cast<uint16_t>(sourceChildren);
  groupCount = source.groupCount;
  colourChoiceCount = source.colourChoiceCount;
  pageCount = source.pageCount;
  cutoutCount = source.cutoutCount;
  mappingCount = source.mappingCount;
  reserved = source.reserved;
  currentLod = 0;
  std::memcpy(angles, source.angles, sizeof angles);
  angleExtra = source.angleExtra;
  std::memcpy(offset, source.offset, sizeof offset);
  options = source.options;
  std::memcpy(layerNames, source.layerNames, sizeof layerNames);
  builtMesh = nullptr;
}

ModelObject* ModelObject::FindParent(const ModelObject* object) {
  for (int i = 0; i < childCount && children; ++i) {
    if (&children[i] == object) return this;
    if (ModelObject* found = children[i].FindParent(object)) return found;
  }
  return nullptr;
}

int ModelObject::CountTransformSlots() const {
  int count = 6;
  for (int i = 0; i < childCount && children; ++i) count += children[i].CountTransformSlots();
  return (options & OPTION_MIRRORED_TWIN) ? count * 2 : count;
}

int ModelObject::HasTypeOneMapping() const {
  for (int i = 0; i < mappingCount && mappings; ++i) {
    const int cutout = mappings[i].cutout[0];
    if (cutout >= cutoutCount || !cutouts) continue;
    const int page = cutouts[cutout].page;
    if (page < pageCount && pages && pages[page].type == PAGE_SKIN) return 1;
  }
  for (int i = 0; i < childCount && children; ++i)
    if (children[i].HasTypeOneMapping()) return 2;
  return 0;
}

int ModelObject::HasSkinPage() const {
  for (int i = 0; i < pageCount; ++i)
    if (pages[i].type == PAGE_SKIN) return 1;
  for (int i = 0; i < childCount && children; ++i)
    if (children[i].HasSkinPage()) return 2;
  return 0;
}
