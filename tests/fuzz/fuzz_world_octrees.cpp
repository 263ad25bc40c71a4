// fuzz_world_octrees.cpp - the three octree blocks of a track's lighting section over arbitrary
// bytes, with look-ups after reading: byte 0 chooses the block (object octree, lighting
// octree, point octree), the rest is the block.  An accepted object octree must hold its
// children inside its node count and answer a ground query over a few objects; the lighting
// and point octrees are looked up at points the input gives and at every stored position.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/data_file.h"
#include "solid/solid.h"
#include "world/fixed_ob.h"
#include "world/light_octrees.h"
#include "world/octree.h"
#include "world/world.h"

namespace {

struct Ground : FixedOb {
  Ground(IntVector c, int32_t r) : FixedOb(OBJECT_SECTION) {
    centre = c;
    radius = r;
    ownFlags = SECTION_FLAG_GROUND;
  }
  void Load(DataFile&, int) override {}
  void GetPosition(IntVector& p, float& h) override {
    p = centre;
    h = 0;
  }
  void SetPosition(const IntVector&, float) override {}
  void Setup() override {}
  int RayTest(const IntVector& o, const IntVector& r, ContactProbe& hit, uint32_t*, int32_t*, int32_t*,
              int32_t) override {
    if (r.z == 0) return 0;
    const int64_t t = ((int64_t(o.z) - centre.z) << 16) / r.z;
    if (t <= hit.candidateStrength || t > 65536) return 0;
    hit.candidateStrength = int32_t(t);
    return 1;
  }
};

int32_t Word(const uint8_t* p) { return int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const int which = data[0] % 3;
  std::vector<uint8_t> image = {'Q', 'X', 'L', 'G', 'H', 'T', 0, 252};
  image.insert(image.end(), data + 1, data + size);
  DataFile df{};
  int32_t v = 0;
  if (!df.OpenReadMemory(nullptr, image.data(), int64_t(image.size()), "QXLGHT", &v, 252)) return 0;
  // Points to look at: words from the input's end.
  std::vector<IntVector> points = {{0, 0, 0}};
  for (size_t at = 1; at + 12 <= size && points.size() < 8; at += 12)
    points.push_back({Word(data + at), Word(data + at + 4), Word(data + at + 8)});

  if (which == 0) {
    CWld = new Wld;
    if (ReadObjectOctreeBlock(df)) {
      const Octree& t = ObjectOctree;
      for (uint32_t i = 0; i < t.nodeCount; ++i)
        if (t.nodes[i].firstChild != 0 && (t.nodes[i].firstChild <= i || t.nodes[i].firstChild + 8 > t.nodeCount))
          std::abort();
    }
    for (size_t k = 0; k < points.size(); ++k)
      CWld->AddObjectToTable(new Ground({points[k].x >> 4, points[k].y >> 4, points[k].z >> 8}, int32_t(k + 1) << 18));
    ObjectOctree.AddObjects(CONFIG_MASK_ALWAYS);
    for (const IntVector& p : points) {
      ContactProbe probe{};
      const int32_t t = ObjectOctree.Query(probe, {p.x >> 4, p.y >> 4, 1 << 28}, {0, 0, 1 << 29});
      if (t < 0 || t > 65536) std::abort();
    }
    DeleteWorld();
  } else if (which == 1) {
    if (ReadLightingOctreeBlock(df)) {
      for (const OctPNode& n : WorldLighting.nodes)
        if (n.firstChild != 0 && size_t(n.firstChild) + 8 > WorldLighting.nodes.size()) std::abort();
    }
    for (const IntVector& p : points) {
      LightRecord record;
      InitLightRecord(record);
      LookUpLighting(p, record);
    }
    FreeLightingOctree();
  } else {
    if (ReadPointOctreeBlock(df)) {
      const PointOctree& t = WorldPoints;
      if (t.slots.size() < POINT_MIN_SLOTS || t.usedSlots > t.slots.size()) std::abort();
      for (const PointEntry& e : t.entries) {
        if (!(e.bytes[3] & 0x80)) continue;
        IntVector p;
        std::memcpy(&p.x, e.bytes + 4, 4);
        std::memcpy(&p.y, e.bytes + 8, 4);
        std::memcpy(&p.z, e.bytes + 12, 4);
        const float normal[3] = {0, 0, 1};
        t.Find(p);
        t.FindByNormal(p, normal);
        GetObjectLighting(p);
      }
    }
    for (const IntVector& p : points) GetObjectLighting(p);
    FreePointOctree();
  }
  df.Close();
  return 0;
}
