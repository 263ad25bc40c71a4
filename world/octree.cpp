// octree.cpp - the object octree: set-up, filing, removal, compaction, the ray query, the
// block of the lighting section, and the removal of one object from the world.
#include "world/octree.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "core/config.h"
#include "core/data_file.h"
#include "core/report.h"
#include "solid/solid.h"
#include "world/fixed_ob.h"
#include "world/light_octrees.h"
#include "world/world.h"

Octree ObjectOctree;

namespace {

// A file's tree deeper than this cannot come from filing (each level halves the half size).
constexpr int OCTREE_MAX_DEPTH = 40;

void DebugLine(const char* text, ReportColour colour) {
  if (CfgDebugLevel != 0) ReportLine(text, colour);
}

// The child of a node for a point, strict comparisons: a point on a centre plane takes the
// lower side.
int ChildFor(const IntVector& p, const IntVector& c) {
  return (p.x > c.x ? 1 : 0) | (p.y > c.y ? 2 : 0) | (p.z > c.z ? 4 : 0);
}
IntVector ChildCentre(const IntVector& c, int child, int32_t half) {
  const int32_t q = half / 2;
  // A block's centre may lie anywhere: the steps wrap rather than overflow.
  return {WrappingAdd(c.x, (child & 1) ? q : -q), WrappingAdd(c.y, (child & 2) ? q : -q),
          WrappingAdd(c.z, (child & 4) ? q : -q)};
}
// An object descends while the node may have children and its diameter fits the half size.
bool Descends(int32_t half, int32_t minHalf, int32_t radius) {
  return half >= minHalf && 2 * int64_t(radius) <= half;
}
float HorizontalMetres(const IntVector& a, const IntVector& b) {
  const float dx = float(int64_t(a.x) - b.x) / 65536.0f, dy = float(int64_t(a.y) - b.y) / 65536.0f;
  return std::sqrt(dx * dx + dy * dy);
}

}  // namespace

// ---- [Octree] ----

bool Octree::EnsureTable() {
  if (!obs) obs.reset(new (std::nothrow) OctreeOb[OCTREE_MAX_OBS]());
  return obs != nullptr;
}

void Octree::Free() {
  FreeLightingOctree();
  if (CWld) CWld->FreeCameraOcclusion();
  FreeNodes();
}

void Octree::FreeNodes() {
  delete[] nodes;
  nodes = nullptr;
  nodeCapacity = nodeCount = 0;
  if (obs && usedObs > 0) std::memset(obs.get(), 0, sizeof(OctreeOb) * usedObs);
  numObs = usedObs = 0;
}

void Octree::Init() {
  FreeNodes();
  rootSize = OCTREE_FIRST_ROOT_SIZE;
  minHalfSize = OCTREE_MIN_HALF_SIZE;
  if (!CWld) return;
  Wld& w = *CWld;
  if (w.viewRadius == 0) {
    w.CalcViewCentreAndRadius();
    DebugLine("Octree::Init called Wld::CalcViewCentreAndRadius", REPORT_ERROR);
    if (w.viewRadius == 0) {
      DebugLine("Octree::Init - WldViewRadius==0", REPORT_ERROR);
      return;
    }
  }
  while (rootSize < w.viewSize && rootSize <= INT32_MAX / 2) rootSize *= 2;
  centre = {w.viewCentre.x, w.viewCentre.y, int32_t(std::lround(rootSize / 6.0))};
  nodes = new (std::nothrow) OctreeNode[OCTREE_FIRST_NODES]();
  if (!nodes) return;
  nodeCapacity = OCTREE_FIRST_NODES;
  nodeCount = 1;
}

void Octree::File(FixedOb* object) {
  if (usedObs >= OCTREE_MAX_OBS) return;  // a compaction that found no memory
  uint32_t node = 0;
  IntVector c = centre;
  int32_t half = rootSize / 2;
  while (Descends(half, minHalfSize, object->radius)) {
    if (nodes[node].firstChild == 0) {
      if (nodeCount + 8 > nodeCapacity) {
        // Room for the children; when memory runs out the object stays in this node.
        OctreeNode* grown = new (std::nothrow) OctreeNode[nodeCapacity + OCTREE_NODE_STEP]();
        if (!grown) break;
        std::memcpy(grown, nodes, sizeof(OctreeNode) * nodeCount);
        delete[] nodes;
        nodes = grown;
        nodeCapacity += OCTREE_NODE_STEP;
      }
      nodes[node].firstChild = nodeCount;
      nodeCount += 8;
    }
    const int child = ChildFor(object->centre, c);
    node = nodes[node].firstChild + child;
    c = ChildCentre(c, child, half);
    half /= 2;
  }
  OctreeOb& ob = obs[usedObs++];
  ob = {object->centre, object->radius, object->halfSize, object, nullptr};
  OctreeNode& n = nodes[node];
  ++n.count;
  if (!n.head) {
    n.head = &ob;
  } else {
    OctreeOb* tail = n.head;
    while (tail->next) tail = tail->next;
    tail->next = &ob;
  }
  ++numObs;
}

void Octree::AddObjects(uint32_t configMask) {
  const bool madeHere = nodes == nullptr;
  if (madeHere) Init();
  if (!nodes || !CWld || !EnsureTable()) return;
  if (numObs > 0) {
    ReportLine("Octree::AddObjects - not empty", REPORT_ERROR);
    return;
  }
  Wld& w = *CWld;
  for (int i = 0; i < w.objectCount; ++i) {
    FixedOb* o = w.objects[i];
    if (!o || o->radius == 0 || !o->IsVisible(false) || !(o->configMask & configMask)) continue;
    if (usedObs >= OCTREE_MAX_OBS) {
      DebugLine("Octree is full", REPORT_WARNING);
      break;
    }
    File(o);
  }
  if (nodeCount >= OCTREE_MANY_NODES) DebugLine("Too many nodes in Octree", REPORT_ERROR);
  if (madeHere) CompressNodes();
  if (numObs > 0) SortAndCompressObs();
}

void Octree::AddObject(FixedOb* object) {
  if (!nodes || !object || object->radius == 0 || !EnsureTable()) return;
  if (numObs >= OCTREE_MAX_OBS) {
    DebugLine("Octree is full", REPORT_WARNING);
    return;
  }
  if (usedObs >= OCTREE_MAX_OBS) SortAndCompressObs();
  File(object);
}

int Octree::FindObjectInNode(uint32_t node, const FixedOb* object, IntVector c, int32_t half) const {
  while (Descends(half, minHalfSize, object->radius)) {
    if (nodes[node].firstChild == 0) {
      DebugLine("Octree::FindObjectInNode - Node not found", REPORT_WARNING);
      return -1;
    }
    const int child = ChildFor(object->centre, c);
    node = nodes[node].firstChild + child;
    c = ChildCentre(c, child, half);
    half /= 2;
  }
  return int(node);
}

int Octree::Contains(const FixedOb* object) const {
  if (!nodes || numObs == 0 || !object) return 0;
  uint32_t node = 0;
  IntVector c = centre;
  int32_t half = rootSize / 2;
  while (Descends(half, minHalfSize, object->radius)) {
    if (nodes[node].firstChild == 0) return 0;
    const int child = ChildFor(object->centre, c);
    node = nodes[node].firstChild + child;
    c = ChildCentre(c, child, half);
    half /= 2;
  }
  for (const OctreeOb* ob = nodes[node].head; ob; ob = ob->next)
    if (ob->object == object) return 1;
  return 0;
}

int Octree::RemoveSingleObject(FixedOb* object) {
  if (!nodes || !object) return 0;
  const int node = FindObjectInNode(0, object, centre, rootSize / 2);
  if (node < 0) return 0;
  OctreeNode& n = nodes[node];
  OctreeOb* previous = nullptr;
  OctreeOb* ob = n.head;
  while (ob && ob->object != object) {
    previous = ob;
    ob = ob->next;
  }
  if (!ob) {
    DebugLine("OctreeNode::RemoveFromList - Object not found", REPORT_WARNING);
    return 0;
  }
  (previous ? previous->next : n.head) = ob->next;
  *ob = OctreeOb{};
  --n.count;
  if (--numObs == 0) {
    usedObs = 0;
  } else {
    while (usedObs > 0 && obs[usedObs - 1].object == nullptr) --usedObs;
  }
  return 1;
}

void Octree::ClearNodeLists() {
  if (!nodes || numObs == 0) return;
  for (uint32_t i = 0; i < nodeCount; ++i) {
    nodes[i].head = nullptr;
    nodes[i].count = 0;
  }
  std::memset(obs.get(), 0, sizeof(OctreeOb) * usedObs);
  numObs = usedObs = 0;
}

void Octree::CompressNodes() {
  if (!nodes || nodeCount == 0) return;
  // Reachable nodes, counted without recursion.
  uint32_t count = 0;
  std::vector<uint32_t> stack = {0};
  while (!stack.empty()) {
    const uint32_t n = stack.back();
    stack.pop_back();
    ++count;
    if (nodes[n].firstChild)
      for (int c = 7; c >= 0; --c) stack.push_back(nodes[n].firstChild + c);
  }
  const uint32_t capacity = (count / OCTREE_NODE_STEP + 1) * OCTREE_NODE_STEP;
  OctreeNode* packed = new (std::nothrow) OctreeNode[capacity]();
  if (!packed) return;
  // Depth-first: a node's eight children are reserved together, then filled in order.
  uint32_t next = 1;
  struct Step {
    uint32_t from, to;
  };
  std::vector<Step> work = {{0, 0}};
  while (!work.empty()) {
    const Step s = work.back();
    work.pop_back();
    packed[s.to].count = nodes[s.from].count;
    packed[s.to].head = nodes[s.from].head;
    if (nodes[s.from].firstChild == 0) continue;
    packed[s.to].firstChild = next;
    const uint32_t first = next;
    next += 8;
    for (int c = 7; c >= 0; --c) work.push_back({nodes[s.from].firstChild + c, first + c});
  }
  if (next != count) {
    char text[96];
    std::snprintf(text, sizeof text, "Octree::CompressNodes : next_index is %u but new_num is %u", next, count);
    DebugLine(text, REPORT_WARNING);
  }
  delete[] nodes;
  nodes = packed;
  nodeCapacity = capacity;
  nodeCount = count;
}

void Octree::SortAndCompressObs() {
  if (!nodes || !obs) return;
  std::unique_ptr<OctreeOb[]> sorted(new (std::nothrow) OctreeOb[numObs > 0 ? numObs : 1]());
  if (!sorted) return;
  uint32_t num = 0;
  std::vector<uint32_t> stack = {0};
  while (!stack.empty()) {
    const uint32_t n = stack.back();
    stack.pop_back();
    OctreeNode& node = nodes[n];
    if (node.head) {
      const uint32_t first = num;
      for (const OctreeOb* ob = node.head; ob && num < numObs; ob = ob->next) {
        sorted[num] = *ob;
        sorted[num].next = nullptr;
        if (num > first) sorted[num - 1].next = &obs[num];
        ++num;
      }
      node.head = num > first ? &obs[first] : nullptr;
    }
    if (node.firstChild)
      for (int c = 7; c >= 0; --c) stack.push_back(node.firstChild + c);
  }
  if (num != numObs) {
    char text[96];
    std::snprintf(text, sizeof text, "Octree::SortAndCompressObs : NumOctreeObs is %u but num is %u", numObs, num);
    DebugLine(text, REPORT_WARNING);
  }
  std::memset(obs.get(), 0, sizeof(OctreeOb) * std::max(usedObs, num));
  std::memcpy(obs.get(), sorted.get(), sizeof(OctreeOb) * num);
  usedObs = numObs = num;
}

void Octree::QueryNode(uint32_t node, IntVector c, int32_t half, int64_t testRadius, ContactProbe& hit) {
  if (HorizontalMetres(queryStart, c) > float(testRadius) / 65536.0f) return;
  for (OctreeOb* ob = nodes[node].head; ob; ob = ob->next) {
    FixedOb* o = ob->object;
    if (!o || HorizontalMetres(queryStart, ob->centre) > float(ob->radius) / 65536.0f) continue;
    const bool tested = (o->type == OBJECT_SECTION && (o->ownFlags & SECTION_FLAG_GROUND)) ||
                        (o->type == OBJECT_SEGMENT && o->IsCollidable() == 1);
    if (tested) o->RayTest(queryStart, queryRay, hit, nullptr, nullptr, nullptr, 1);
  }
  const uint32_t first = nodes[node].firstChild;
  // Below the least half size filing puts nothing (a damaged file's deeper nodes are skipped).
  if (first == 0 || half / 2 < minHalfSize / 4) return;
  for (int child = 0; child < 8; ++child) {
    const OctreeNode& n = nodes[first + child];
    if (n.head || n.firstChild) QueryNode(first + child, ChildCentre(c, child, half), half / 2, testRadius >> 1, hit);
  }
}

int32_t Octree::Query(ContactProbe& hit, const IntVector& start, const IntVector& ray) {
  hit.candidateStrength = 0;
  if (!nodes || nodeCount == 0) return 0;
  queryStart = start;
  queryRay = ray;
  const int32_t half = rootSize / 2;
  const int64_t testRadius = std::lround(double(half) * 1.4142) + half;
  QueryNode(0, centre, half, testRadius, hit);
  return hit.candidateStrength;
}

void Octree::Depopulate(FixedOb* object, int index, int lastIndex) {
  if (!CWld || !object) return;
  Wld& w = *CWld;
  // Tyre marks on the object are the renderer's, made with the objects that carry them.
  if (ObjectOctree.numObs > 0 && ObjectOctree.Contains(object) && !ObjectOctree.RemoveSingleObject(object)) {
    ReportLine("Octree::RemoveSingleObject failed - Octree::Depopulate", REPORT_WARNING);
    ObjectOctree.ClearNodeLists();
  }
  DeleteWorldObject(object);
  --w.objectCount;
  w.viewRay.state = 0;
  w.objects[index] = w.objects[lastIndex];
  w.objects[lastIndex] = nullptr;
}

// ---- [Block] ----

int ReadObjectOctreeBlock(DataFile& stream) {
  Octree& t = ObjectOctree;
  t.FreeNodes();
  auto refuse = [&](const char* why) {
    char text[128];
    std::snprintf(text, sizeof text, "Object octree block refused: %s", why);
    ReportLine(text, REPORT_WARNING);
    t.FreeNodes();
    return 0;
  };
  stream.Skip(4);
  IntVector c;
  c.x = stream.ReadInt();
  c.y = stream.ReadInt();
  c.z = stream.ReadInt();
  const int32_t rootSize = stream.ReadInt();
  const int32_t minHalf = stream.ReadInt();
  const int32_t n = stream.ReadInt();
  if (stream.readPastEnd) return refuse("it ends early");
  if (n == 0) return 1;
  const int64_t m = (int64_t(n) + 1) & ~int64_t(1);
  if (n < 0 || m * 2 > stream.BytesLeft()) return refuse("its node count passes the bytes left");
  if (rootSize <= 0 || minHalf <= 0) return refuse("its root size is not positive");
  const uint32_t capacity = uint32_t((m / OCTREE_NODE_STEP + 1) * OCTREE_NODE_STEP);
  OctreeNode* nodes = new (std::nothrow) OctreeNode[capacity]();
  if (!nodes) return refuse("no memory");
  for (int64_t i = 0; i < m; ++i) {
    const uint32_t first = uint16_t(stream.ReadShort());  // stored signed, read as 16 unsigned bits
    if (i < n) nodes[i].firstChild = first;
  }
  // The children must form a tree inside the node count: each group of eight after its
  // parent, none claimed twice, no deeper than filing goes.
  std::vector<uint8_t> depth(size_t(n), 0), claimed(size_t(n), 0);
  for (int32_t i = 0; i < n; ++i) {
    const uint32_t first = nodes[i].firstChild;
    if (first == 0) continue;
    if (first <= uint32_t(i) || int64_t(first) + 8 > n || depth[i] >= OCTREE_MAX_DEPTH) {
      delete[] nodes;
      return refuse("a first-child index leaves the node count");
    }
    for (uint32_t k = first; k < first + 8; ++k) {
      if (claimed[k]) {
        delete[] nodes;
        return refuse("a node has two parents");
      }
      claimed[k] = 1;
      depth[k] = uint8_t(depth[i] + 1);
    }
  }
  t.centre = c;
  t.rootSize = rootSize;
  t.minHalfSize = minHalf;
  t.nodes = nodes;
  t.nodeCapacity = capacity;
  t.nodeCount = uint32_t(n);
  return 1;
}
