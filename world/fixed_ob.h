// fixed_ob.h - world objects: the base every placed thing of a track begins with, the object
// stream's header, the factory that makes an object of the type the header names, and the
// helpers several object classes share.
//
// Sections: [Object] [Object blocks] [Object lists] [Stream header] [Factory] [Mapping references] [Rounding] [Lights]
//
// Positions are signed 16.16 (65536 = 1 m) in world axes, x and y horizontal, z up.  An object
// is released by its Free and then deleted (the destructor is virtual so that the delete is
// sound; Free does the work).  Main thread only.
#pragma once
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

#include "core/fixed_math.h"

struct ContactProbe;
struct DataFile;
struct Obj3d;
struct Solid;

// ---- [Object] ----
// Object types of the stream.
enum WorldObjectType : uint8_t {
  OBJECT_PLACED = 4,     // FObject
  OBJECT_TURBINE = 5,    // WTurbine
  OBJECT_MARSHAL = 6,    // WMarshal
  OBJECT_PIT = 7,        // WPit
  OBJECT_SECTION = 8,    // WSection
  OBJECT_SEGMENT = 9,    // WSegment (its position is inside its own record)
  OBJECT_CAMERA = 10,    // FixedCam
  OBJECT_TREE = 11,      // WTree
  OBJECT_SPECTATOR = 13, // WSpectator
  OBJECT_FLAG = 14,      // WFlag
  OBJECT_START_GRID = 15,  // WStartGrid
};
constexpr uint32_t CONFIG_MASK_ALWAYS = 0x00010001;  // configuration 0 and its reversed form
constexpr uint8_t SECTION_FLAG_GROUND = 0x80;        // a section the ground query tests
constexpr int FIXED_OB_MAPPINGS_MAX = 64;            // mappings one object names (a segment's parts)

struct FObject;

struct FixedOb {
  // Inline: a track load makes some 70,000 objects, and a call would cost more than these stores.
  explicit FixedOb(uint8_t typeIn) : type(typeIn) {}
  virtual ~FixedOb() = default;
  FixedOb(const FixedOb&) = delete;
  FixedOb& operator=(const FixedOb&) = delete;

  // Objects are made with new and freed with delete like any others; while an ObjectBlocks
  // is open they are carved from shared blocks instead of one allocation each.
  static void* operator new(size_t size);
  static void* operator new(size_t size, const std::nothrow_t&) noexcept;
  // A destroying delete, because where the memory came from is read before the object goes.
  static void operator delete(FixedOb* object, std::destroying_delete_t);
  // Frees the memory of an object whose constructor threw.
  static void operator delete(void* memory);

  // ---- Operations, with the behaviour of an object that has nothing of its own ----
  virtual void Free();  // releases the mesh
  virtual void AddToDrawList() {}
  virtual void AddToDrawListAtDistance(int32_t) {}
  // Draws the object once per group of up to four of its lights that are on this frame.
  virtual void DrawLit();
  virtual void Draw() {}
  virtual void DrawLayer1() {}
  virtual void DrawLayer2() {}
  virtual void DrawLayer3() {}
  virtual void DrawLayer4() {}
  virtual int IsNotDetail() { return 1; }
  virtual int HasGeometry() { return 0; }
  // Whether the object reaches within radius (m) of (x, y) (16.16); asked by a car's search
  // for shadow casters.
  virtual int IsNear(int32_t, int32_t, float) { return 0; }
  virtual void AddPhysics() {}
  // ---- Physics of a placed object (the map squares' dynamic entries) ----
  // The body of an object that can move, else null.
  virtual Solid* PhysicsBody() { return nullptr; }
  // A tree-like object with a collision shape of its own, entered as a dynamic object.
  virtual int HasTreeShape() { return 0; }
  // Clears the object's contact word; removes its body at once, or after the step.
  virtual void ClearContactWord() {}
  virtual void RemovePhysics() {}
  virtual void RemovePhysicsDeferred() {}
  // The mapping records a section (primary and backing), a segment (its parts) or a flag
  // draws with, at most room of them; their count.  None here.
  virtual int MappingsInUse(uint16_t*, int) { return 0; }
  // Tests the segment from origin to origin - direction (16.16); a hit of ray parameter
  // t (16.16, origin - t direction) greater than hit.candidateStrength is recorded there.
  // surface, blend and bump may be null; mode is read by no test.  1 when this test recorded
  // a hit (some classes report only through the record and answer 0).
  virtual int RayTest(const IntVector&, const IntVector&, ContactProbe&, uint32_t*, int32_t*, int32_t*, int32_t) {
    return 0;
  }
  // Reads the class's own record (every byte of it: the stream keeps no record lengths).
  virtual void Load(DataFile& stream, int version) = 0;
  virtual void GetPosition(IntVector& position, float& heading) = 0;
  virtual void SetPosition(const IntVector& position, float heading) = 0;
  virtual bool IsPreGen() { return false; }
  virtual void FreeBuilt(bool) {}
  virtual bool IsVisible(bool) { return true; }
  // Derives the centre, radius, half-size and box from the loaded fields.
  virtual void Setup() = 0;
  virtual int IsCollidable() { return 0; }
  // The run-time state the world resets (Wld::ResetObjectStates): cached mesh indices,
  // animations.  Nothing of its own here.
  virtual void ResetRunState() {}
  // A placed object's 16-bit flags word (its race role in bits 6..8); the header's flags here.
  virtual uint32_t FlagsWord() const { return flags; }
  // The layout kind of an object made from a layout (-1: not one) and its state byte.
  virtual int LayoutKind() const { return -1; }
  virtual uint8_t* LayoutState() { return nullptr; }
  // A placed object's model entry and built-mesh index, for the layout changes count:
  // 65535 both when it has none.
  virtual uint32_t PreGenIndex() const { return 65535; }
  virtual uint32_t CachedMeshIndex() const { return 65535; }
  // The object as a placed object, or null: asked for every object of a loading world, so
  // it costs a call and not a cast.
  virtual const FObject* AsPlaced() const { return nullptr; }

  // The box pre-test of a ray test: the segment from start to end = start - ray, axis by
  // axis in the order x, y, z, each end coordinate written to end as it is reached; 0 as soon
  // as both ends lie below the box's least value or both above its greatest on an axis (the
  // later coordinates are then not written), else 1.  Bounds count as inside.
  // Inline and written out axis by axis: every ray test of a car's wheels meets it first.
  int SegmentMayHitBox(const IntVector& start, const IntVector& ray, IntVector& end) const {
    // The end wraps as the 32-bit sum does; the comparison is then on the wrapped value.
    end.x = static_cast<int32_t>(static_cast<uint32_t>(start.x) - static_cast<uint32_t>(ray.x));
    if ((start.x < box[0] && end.x < box[0]) || (start.x > box[3] && end.x > box[3])) return 0;
    end.y = static_cast<int32_t>(static_cast<uint32_t>(start.y) - static_cast<uint32_t>(ray.y));
    if ((start.y < box[1] && end.y < box[1]) || (start.y > box[4] && end.y > box[4])) return 0;
    end.z = static_cast<int32_t>(static_cast<uint32_t>(start.z) - static_cast<uint32_t>(ray.z));
    if ((start.z < box[2] && end.z < box[2]) || (start.z > box[5] && end.z > box[5])) return 0;
    return 1;
  }

  // ---- Record ----
  uint8_t type;
  int32_t position[2] = {};  // the anchor's x and y
  IntVector centre = {};     // of the bounding sphere, set by Setup
  int32_t radius = 0;
  IntVector halfSize = {};   // of the box about the centre
  uint8_t flags = 0;         // bits 0..1 the open-configuration mode, bit 2 set by some Setups
  uint8_t sizeByte = 0;
  uint8_t lightingByte = 0;  // low six bits a strength step, top two an axis
  uint8_t listed = 0;        // on the world's list of active objects
  uint8_t ownFlags = 0;      // the first byte of the class's own record (a section's flags)
  // 1 when RayTest finds nothing and changes nothing for a segment SegmentMayHitBox passes by
  // (the car's contacts then test the object's box once for all their rays): set by the
  // classes whose test begins with that check.
  uint8_t rayTestBoxed = 0;
  uint32_t configMask = 0xFFFFFFFFu;  // bit n: in configuration n; bit n + 16: its reversed form
  uint32_t lightMask = 0;    // bit n: world light n lights this object
  int32_t box[6] = {};       // least x, y, z, then greatest x, y, z
  Obj3d* mesh = nullptr;
};
// Free, then delete; null is ignored.
void DeleteWorldObject(FixedOb* object);

// ---- [Object blocks] ----
// While one is open (one at a time), the objects made, and the lists they fill (ObjectList),
// are carved one after the other from blocks of OBJECT_BLOCK_BYTES, in the order made: a
// loading world's objects cost no allocation each and lie together for the passes over all of
// them.  A block is freed with the last of its objects and lists; the one being filled is let
// go when the ObjectBlocks closes.
constexpr size_t OBJECT_BLOCK_BYTES = 64 * 1024;
class ObjectBlocks {
 public:
  ObjectBlocks();
  ~ObjectBlocks();
  ObjectBlocks(const ObjectBlocks&) = delete;
  ObjectBlocks& operator=(const ObjectBlocks&) = delete;
};

// ---- [Object lists] ----
// The memory of the object blocks, for an object's own lists: carved like the objects while an
// ObjectBlocks is open, else one allocation each.  Null when none could be had.
void* AllocateObjectMemory(size_t size) noexcept;
void ReleaseObjectMemory(void* memory) noexcept;
// An allocator over that memory, so that a loading section's or segment's few vertices, edges
// and parts lie beside it instead of costing an allocation each.  Like the objects, a list is
// grown and freed by one thread at a time.
template <class T>
struct ObjectBlockAllocator {
  static_assert(alignof(T) <= 16, "the blocks hand out 16-byte aligned memory");
  using value_type = T;
  ObjectBlockAllocator() = default;
  template <class U>
  ObjectBlockAllocator(const ObjectBlockAllocator<U>&) {}
  T* allocate(size_t n) {
    if (n > SIZE_MAX / sizeof(T)) throw std::bad_array_new_length();
    void* memory = AllocateObjectMemory(n * sizeof(T));
    if (!memory) throw std::bad_alloc();
    return static_cast<T*>(memory);
  }
  void deallocate(T* p, size_t) noexcept { ReleaseObjectMemory(p); }
  friend bool operator==(ObjectBlockAllocator, ObjectBlockAllocator) { return true; }
};
template <class T>
using ObjectList = std::vector<T, ObjectBlockAllocator<T>>;

// ---- [Stream header] ----
constexpr int WORLD_OBJECT_NEW_HEADER_VERSION = 251;  // this version on: the new header
struct WorldObjectHeader {
  uint8_t type;
  uint8_t flags;      // kept object flags: bits 0..2 (new form), bit 2 (old form)
  uint8_t sizeByte;
  uint8_t lightingByte;
  uint32_t configMask;  // bits 0 and 16 always set
  int32_t x, y;         // 0 for a type without a position (9)
};
// Reads one header at the stream's position.  1, or 0 when the stream ended inside it.
int ReadWorldObjectHeader(DataFile& stream, int version, WorldObjectHeader& header);

// ---- [Factory] ----
// Makes an object of one class at a position (z 0); every class of the type table puts its
// maker here.  A type without a maker reads as a type without a class.
using WorldObjectMaker = FixedOb* (*)(const IntVector& position);
constexpr int WORLD_OBJECT_TYPES = 16;
extern WorldObjectMaker WorldObjectClasses[WORLD_OBJECT_TYPES];

enum CreateObjectResult {
  CREATE_OBJECT_OK = 0,
  CREATE_OBJECT_NO_CLASS = 1,  // the type has no class: the stream cannot go on
  CREATE_OBJECT_CUT_SHORT = 2,  // the stream ended inside the record
  CREATE_OBJECT_NO_MEMORY = 3,
};
// Reads one object record: its header, then (for a type with a class) the object, which
// reads its own record.  The object comes back loaded but not set up, or null with the
// reason in result and the header's type in type (when given).  A record cut short is freed.
FixedOb* CreateWorldObject(DataFile& stream, int version, int* result = nullptr, int* type = nullptr);

// Reads count objects into objects[0..count).  Stops at the first object that cannot be
// made: the objects read so far are freed, the table cleared, and the failure (its reason,
// type and number from 0) is returned for the loader to show (ObjectStreamFailureText).
struct ObjectStreamResult {
  int result;        // CreateObjectResult
  int failedType;
  int failedNumber;  // -1 when every object was read
};
ObjectStreamResult ReadWorldObjects(DataFile& stream, int version, int count, FixedOb** objects);
// The one message of a failed object stream.
void ObjectStreamFailureText(const ObjectStreamResult& failure, char* text, int size);

// ---- [Mapping references] ----
// One strip of a swept surface between two points of a cross-section, drawn with one world
// mapping record.  8 bytes in the stream.
struct MappingRef {
  uint16_t mappingIndex;
  uint8_t flags;     // bit 0 collidable; 0x20 dusty, 0x40 collidable with usable edges (set-up)
  uint8_t widthFit;  // 0 as the mapping places it; 1 flush with the first point; else the second
  uint16_t startRow;
  uint8_t first;     // the cross-section point the strip begins at
  uint8_t second;    // and ends at
};
// Reads one reference; below the new header's version, equal indices are followed by two
// words whose low bytes replace them.
void ReadMappingRef(MappingRef& ref, DataFile& stream, int version);
// Its 8 bytes from a group of fields (core/data_fields.h); the old form's two words are not read.
template <class Fields>
void ReadMappingRefFields(MappingRef& ref, Fields& in) {
  ref.mappingIndex = static_cast<uint16_t>(in.ReadShort());
  ref.flags = static_cast<uint8_t>(in.ReadByte());
  ref.widthFit = static_cast<uint8_t>(in.ReadByte());
  ref.startRow = static_cast<uint16_t>(in.ReadShort());
  ref.first = static_cast<uint8_t>(in.ReadByte());
  ref.second = static_cast<uint8_t>(in.ReadByte());
}

// ---- [Rounding] ----
// a + d held within the 32-bit range: an object's box about a position near the edge of the
// world's coordinates keeps its bounds in order instead of wrapping.
inline int32_t OffsetSaturated(int32_t a, int64_t d) {
  const int64_t v = int64_t{a} + d;
  return v > INT32_MAX ? INT32_MAX : v < INT32_MIN ? INT32_MIN : static_cast<int32_t>(v);
}
// v rounded to the nearest integer, halves to even, held within the 32-bit range (NaN: 0).
// Adding and taking away 1.5 x 2^52 leaves v rounded to an integer in the default rounding
// (to nearest, ties to even), exactly for any |v| below 2^51: no branch on the fraction.
inline int32_t NearestSaturated(double v) {
  constexpr double SHIFT = 6755399441055744.0;  // 1.5 x 2^52
  // The common case first, with one test (false for NaN, which takes the checks below).
  if (std::fabs(v) < 2147483647.0) return static_cast<int32_t>((v + SHIFT) - SHIFT);
  if (!(v == v)) return 0;
  if (v >= 2147483647.0) return INT32_MAX;
  if (v <= -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>((v + SHIFT) - SHIFT);
}

// The box around a run of points with a fixed-point `position[3]` (its centre and half size)
// and the distance of the farthest point from that centre, in fixed units.  No points: nothing
// is written.
template <class Point>
void PointBounds(const Point* points, int count, IntVector& centre, int32_t& radius, IntVector& halfSize) {
  if (count <= 0 || !points) return;
  int32_t lo[3], hi[3];
  for (int a = 0; a < 3; ++a) lo[a] = hi[a] = points[0].position[a];
  for (int i = 1; i < count; ++i)
    for (int a = 0; a < 3; ++a) {
      lo[a] = std::min(lo[a], points[i].position[a]);
      hi[a] = std::max(hi[a], points[i].position[a]);
    }
  int32_t c[3], h[3];
  for (int a = 0; a < 3; ++a) {
    c[a] = static_cast<int32_t>((int64_t(lo[a]) + hi[a]) >> 1);
    h[a] = static_cast<int32_t>((int64_t(hi[a]) - lo[a]) >> 1);
  }
  double farthest = 0;
  for (int i = 0; i < count; ++i) {
    double sum = 0;
    for (int a = 0; a < 3; ++a) {
      const double d = (double(points[i].position[a]) - c[a]) / 65536.0;
      sum += d * d;
    }
    farthest = std::max(farthest, sum);
  }
  centre = {c[0], c[1], c[2]};
  halfSize = {h[0], h[1], h[2]};
  radius = NearestSaturated(std::sqrt(farthest) * 65536.0);
}

// ---- [Lights] ----
// The lights that are on this frame (bit n: world light n); the world's light pass sets it.
extern uint32_t WorldLightsOn;
