// model_builder.cpp - plain lists into ModelObject arrays.
#include "tools/model_gen/model_builder.h"

#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "core/data_file.h"
#include "model/model_file.h"

int32_t Metres(double metres) { return static_cast<int32_t>(std::lround(metres * FIXED_ONE)); }

int ModelBuilder::Point(double x, double y, double z) {
  ModelPoint p{};
  p.x = Metres(x);
  p.y = Metres(y);
  p.z = Metres(z);
  if (mirrored) p.ClassifyMirror();
  points.push_back(p);
  return static_cast<int>(points.size()) - 1;
}

void ModelBuilder::Triangle(int a, int b, int c) {
  ModelTriangle t{};
  t.flags = static_cast<uint8_t>((mirrored ? TRIANGLE_MIRRORED : 0) | extraFlags);
  t.layer = static_cast<uint8_t>(layer);
  t.mapping = static_cast<uint8_t>(mapping);
  t.normalLevel = static_cast<uint8_t>(normalLevel);
  t.lod = static_cast<uint8_t>(lod);
  t.group = static_cast<uint8_t>(group);
  t.corners[0] = static_cast<uint16_t>(a);
  t.corners[1] = static_cast<uint16_t>(b);
  t.corners[2] = static_cast<uint16_t>(c);
  triangles.push_back(t);
}

void ModelBuilder::Quad(int a, int b, int c, int d) {
  Triangle(a, b, c);
  Triangle(a, c, d);
}

void ModelBuilder::Box(double x0, double y0, double z0, double x1, double y1, double z1) {
  const int p[8] = {Point(x0, y0, z0), Point(x1, y0, z0), Point(x1, y1, z0), Point(x0, y1, z0),
                    Point(x0, y0, z1), Point(x1, y0, z1), Point(x1, y1, z1), Point(x0, y1, z1)};
  Quad(p[0], p[3], p[2], p[1]);  // bottom
  Quad(p[4], p[5], p[6], p[7]);  // top
  Quad(p[0], p[1], p[5], p[4]);  // back
  Quad(p[2], p[3], p[7], p[6]);  // front
  Quad(p[1], p[2], p[6], p[5]);  // right
  Quad(p[3], p[0], p[4], p[7]);  // left
}

void ModelBuilder::Loft(const std::vector<Section>& sections, double x) {
  if (sections.size() < 2) return;
  // Each section's corners: bottom left, bottom right, top right, top left.
  std::vector<std::array<int, 4>> corners;
  for (const Section& s : sections)
    corners.push_back({Point(x - s.halfWidth, s.y, s.bottom), Point(x + s.halfWidth, s.y, s.bottom),
                       Point(x + s.topHalfWidth, s.y, s.top), Point(x - s.topHalfWidth, s.y, s.top)});
  const int first = group;
  for (size_t i = 0; i + 1 < corners.size(); ++i) {
    const std::array<int, 4>&a = corners[i], &b = corners[i + 1];
    group = first;
    Quad(a[0], b[0], b[1], a[1]);  // bottom
    group = first + 1;
    Quad(a[3], a[2], b[2], b[3]);  // top
    group = first + 2;
    Quad(a[1], b[1], b[2], a[2]);  // right
    group = first + 3;
    Quad(b[0], a[0], a[3], b[3]);  // left
  }
  const std::array<int, 4>&back = corners.front(), &front = corners.back();
  group = first + 4;
  Quad(back[0], back[1], back[2], back[3]);
  group = first + 5;
  Quad(front[1], front[0], front[3], front[2]);
  group = first;
}

int ModelBuilder::Page(uint8_t type, const char* name) {
  TexturePage page{};
  page.type = type;
  std::strncpy(page.name, name, sizeof page.name - 1);
  pages.push_back(page);
  return static_cast<int>(pages.size()) - 1;
}

int ModelBuilder::AddCutout(const char* name, int page, int width, int height, int left, int top,
                            const CutoutMaterial& material) {
  Cutout c;
  c.Init(0);
  std::strncpy(c.name, name, sizeof c.name - 1);
  c.page = static_cast<uint8_t>(page);
  c.material = material;
  c.region[REGION_WIDTH] = static_cast<uint8_t>(width);
  c.region[REGION_HEIGHT] = static_cast<uint8_t>(height);
  c.region[REGION_LEFT] = static_cast<uint8_t>(left);
  c.region[REGION_TOP] = static_cast<uint8_t>(top);
  cutouts.push_back(c);
  return static_cast<int>(cutouts.size()) - 1;
}

int ModelBuilder::AddMapping(const char* name, int firstCutout, int secondCutout, uint32_t direction, double width,
                             double height, ColourWord colour, double ox, double oy, double oz) {
  ModelMapping m;
  m.Init(0);
  std::strncpy(m.name, name, sizeof m.name - 1);
  m.cutout[0] = static_cast<uint16_t>(firstCutout);
  m.cutout[1] = static_cast<uint16_t>(secondCutout);
  m.direction = direction;
  m.width = Metres(width);
  m.height = Metres(height);
  m.colour = colour;
  m.offset[0] = Metres(ox);
  m.offset[1] = Metres(oy);
  m.offset[2] = Metres(oz);
  mappings.push_back(m);
  return static_cast<int>(mappings.size()) - 1;
}

namespace {
template <typename T, typename Count>
void Replace(T*& array, Count& count, const std::vector<T>& list) {
  std::free(array);
  array = list.empty() ? nullptr : static_cast<T*>(std::calloc(list.size(), sizeof(T)));
  if (!list.empty()) std::memcpy(array, list.data(), sizeof(T) * list.size());
  count = static_cast<Count>(list.size());
}
}  // namespace

void ModelBuilder::Into(ModelObject& o) const {
  Replace(o.points, o.pointCount, points);
  Replace(o.triangles, o.triangleCount, triangles);
  Replace(o.colourChoices, o.colourChoiceCount, colourChoices);
  if (!pages.empty()) Replace(o.pages, o.pageCount, pages);
  if (!cutouts.empty()) Replace(o.cutouts, o.cutoutCount, cutouts);
  if (!mappings.empty()) Replace(o.mappings, o.mappingCount, mappings);
  int highestGroup = 0;
  for (const ModelTriangle& t : triangles) highestGroup = t.group > highestGroup ? t.group : highestGroup;
  o.groupCount = static_cast<uint16_t>(highestGroup + 1);
}

void SetChildren(ModelObject& o, std::vector<ModelObject>& children) {
  std::free(o.children);
  o.children = children.empty() ? nullptr : static_cast<ModelObject*>(std::calloc(children.size(), sizeof(ModelObject)));
  if (!children.empty()) std::memcpy(o.children, children.data(), sizeof(ModelObject) * children.size());
  o.childCount = static_cast<uint16_t>(children.size());
  children.clear();  // the arrays now belong to the object's copies
}

std::vector<uint8_t> ModelRecordBytes(const ModelObject& object, int storeNames, int storeLayerNames) {
  return MemoryWriteBody([&](DataFile& file) { WriteModelObject(object, file, storeNames, storeLayerNames); });
}

std::vector<uint8_t> ModelFileImage(const std::vector<uint8_t>& body, int version) {
  return DataFileImage(MODEL_FILE_MAGIC, body, version);
}
