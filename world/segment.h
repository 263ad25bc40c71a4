// segment.h - a road segment (object type 9): a strip surface generated between two sections,
// its edge lines running from vertices of the start section to vertices of the end section as
// cubic curves of the segment's parameter t (0 at the start section, 1 at the end), its parts
// strips between two edge lines, each drawn with a world mapping.
//
// Sections: [Records] [Segment] [Geometry] [Ray test]
//
// The frame is 16.16; the curves are floats (lateral fractions and metres).  Main thread only.
#pragma once
#include <cstdint>
#include <vector>

#include "world/pre_gen.h"

struct WSection;
struct SectionVertexPlacer;
struct MappingRecord;
struct MeshPool;
struct TrunkRecord;

// A repeater copy handed out by a dry run: its place (16.16) and matrix.
using RepeaterVisitor = void (*)(void* context, const IntVector& at, const FixedMatrix& matrix);
constexpr const char* TEXT_REPEATER = "Repeater : %s";
constexpr const char* TEXT_REPEATER_UNFIT = "wrong type or no data";
constexpr int REPEATER_COPIES_MAX = 65536;  // a segment's copies: what a pool could hold
constexpr uint8_t REPEAT_QUARTER_TURNS = 3, REPEAT_FROM_ZERO = 4, REPEAT_TO_LAST = 8, REPEAT_PITCH = 0x10,
                  REPEAT_AIM = 0x20;

// ---- [Records] ----
struct SegmentEdge {
  uint8_t kind = 0;  // 2 straight; else cubic curves
  uint8_t flags = 0;  // 1 shared normals, 0x10 fixed, 0x20 usable, 0x40 collidable
  uint8_t startVertex = 0, endVertex = 0;
  float lateral[4] = {};  // a3, a2, a1, a0 of s(t)
  float height[4] = {};   // b3, b2, b1, b0 of h(t), metres
  float startSlope = 0, endSlope = 0;
  float startAngle = 0, endAngle = 0;
};
constexpr uint8_t EDGE_STRAIGHT = 2;
constexpr uint8_t EDGE_SHARED_NORMALS = 1, EDGE_FIXED = 0x10, EDGE_USABLE = 0x20, EDGE_COLLIDABLE = 0x40;
constexpr uint16_t SEGMENT_COLLIDABLE = 1, SEGMENT_COPY_PROFILE = 2, SEGMENT_NO_ALPHA_SORT = 0x20,
                   SEGMENT_HAS_COLLIDABLE = 0x40, SEGMENT_UNUSABLE_PART = 0x80, SEGMENT_LIST_ZERO = 0x200;
constexpr uint8_t PART_COLLIDABLE = 1, PART_DUSTY = 0x20, PART_USABLE = 0x40;
constexpr int SEGMENT_EDGES_MAX = 64, SEGMENT_PARTS_MAX = 64;
constexpr int SEGMENT_STEPS_MAX = 65536;
constexpr float SEGMENT_ANGLE_LIMIT = 1.4451327f;
constexpr int32_t SEGMENT_CHORD_MIN = 639;  // about 1 cm
// The distances (16.16) of the levels: the finest of several, the middle, the last.
constexpr int32_t SEGMENT_NEAR_DISTANCE = 4194304, SEGMENT_MIDDLE_DISTANCE = 16777216,
                  SEGMENT_FAR_DISTANCE = 1073741824;

struct SegmentFrame {
  int32_t p0[2] = {}, p1[2] = {};  // the reference side's start and end
  int32_t d0[2] = {}, d1[2] = {};  // unit directions across the road at each end
  int32_t a0[2] = {}, a1[2] = {};  // across vectors spanning the road
  int32_t u[2] = {};               // unit line direction, (0, 0) when P0 and P1 coincide
  int32_t lateralMin = 0, lateralMax = 0;
  int32_t meanLength = 0;
  // Worked out once from the above at set-up for the ray test, in metres: the line P0 to P1,
  // the start's across vector, its change to the end's, P0, and the mean length's inverse.
  double lx = 0, ly = 0, a0x = 0, a0y = 0, apx = 0, apy = 0, p0x = 0, p0y = 0;
  double perLength = 0;
  // The line's cross products with the across change and with the start's across vector, and
  // whether the start's across vector leans more on x than on y (the ray test's patch parameter).
  double lineCrossChange = 0, lineCrossStart = 0;
  bool acrossOnX = false;
};

// ---- [Segment] ----
struct WSegment : WPreGen {
  WSegment();

  void Free() override;
  int HasGeometry() override { return partCount != 0 || objectIndex >= 0; }
  int IsNear(int32_t x, int32_t y, float range) override;
  int RayTest(const IntVector& origin, const IntVector& direction, ContactProbe& hit, uint32_t* surface,
              int32_t* blend, int32_t* bump, int32_t mode) override;
  void Load(DataFile& stream, int version) override;
  void GetPosition(IntVector& at, float& headingOut) override;
  void SetPosition(const IntVector& at, float) override;
  // Without a profile copy or a repeated model it runs on a worker thread while a world loads
  // (PlaceOfSetup, world/world_setup.h): it may write this segment alone, keeping any scratch
  // thread_local, and read its sections and the mapping table.
  void Setup() override;
  int IsCollidable() override {
    return (segmentFlags & SEGMENT_COLLIDABLE) && (segmentFlags & SEGMENT_HAS_COLLIDABLE) ? 1 : 0;
  }
  int MappingsInUse(uint16_t* used, int room) override;
  int GetAddMode() override { return 0; }
  int GetBuildList() override;
  void BuildMeshes() override;
  // Sweeps the level's rings into its built mesh (level 0 also sets the bounds and the build
  // kind): 1, or 0 when the segment has no geometry or the sweep could not begin.
  int BuildLodMesh(int level) override;

  // Geometry (16.16 world points) of edge e at parameter t: the point with its height.
  IntVector EdgePoint(int e, double t) const;
  // Every edge's point at t (the section vertices at 0 and 1) and two normals per part.
  void EvaluateRing(double t, IntVector* points, IntVector* normals) const;
  // The normals at edges that share theirs become the weighted sum of the parts meeting there.
  void ShareEdgeNormals(const IntVector* points, IntVector* normals) const;
  // Draw flags and alpha kind after level 0 is built: from the built mesh's materials when a
  // model is repeated, else from the parts' mapping kinds.
  void SetBuildKind();
  // The world's model entry the segment repeats, or null.
  const PreGenModel* ModelEntry() const;
  void MarkCollidableParts();
  void MarkSurfaceParts();
  // 1 when some part is shown by the world's part display switches.
  int HasVisiblePart() const;
  // The ray test restricted to the shown parts, mode 1, no bump; the flags are restored.
  int RayTestVisible(const IntVector& origin, const IntVector& direction, ContactProbe& hit);

  // Repeaters (world/segment_repeaters.cpp): copies of the segment's model entry placed along
  // the path edge at level 0's steps (and between them when spacing is above 0).  They go into
  // builder; a dry run recolours and builds nothing, handing each copy's place and matrix to
  // visit (may be null) instead.  Null, or the text that ended them ("wrong type or no data"
  // for an entry without a model, or the builder's limit).  At most REPEATER_COPIES_MAX copies.
  const char* BuildRepeaters(MeshPool* builder, int dryRun, RepeaterVisitor visit = nullptr, void* context = nullptr);
  // A copy's matrix from the path's direction d and, when aim is not null, the aim vector
  // (metres); the model's forward axis +y goes along d.
  FixedMatrix RepeaterMatrix(const double d[3], const double* aim) const;
  // The along-road tangent of edge e at t (metres per unit of t); zero for a fixed edge.
  void EdgeTangent(int e, double t, double out[3]) const;

  uint16_t segmentFlags = SEGMENT_COLLIDABLE;
  uint8_t startSide = 0, endSide = 0;
  int32_t startSection = 0, endSection = 0;
  int8_t spacing = 0;
  uint8_t aimEdge = 0, repeaterFlags = 0, pathEdge = 0;
  uint8_t spareBytes[2] = {0, 2};
  uint8_t edgeCount = 0, partCount = 0;
  ObjectList<SegmentEdge> edges;
  ObjectList<MappingRef> parts;
  float stepLength = 5.0f;
  float textureScale = 1.0f;
  SegmentFrame frame;
  bool valid = false;  // the references held at the last set-up: the segment has geometry

 private:
  bool ValidateReferences(const WSection*& start, const WSection*& end);
  // The start section's heading and vertices copied to an end section that is not linked
  // (grown to the start's count when shorter); a linked end clears the copy flag instead.
  void CopyProfile();
  // The box and the lateral range of the parts' edges: their section vertices and the points
  // of level 0's inner steps (set-up step 11).
  void GrowBoundsOverSteps(const SectionVertexPlacer& startAt, const SectionVertexPlacer& endAt);
  void SetBuildKindFromParts();
  // RayTest past its box pre-test, out of line so that the many rays that miss the box pay
  // for no more than the test.
  int RayTestPastBox(const IntVector& origin, const IntVector& direction, ContactProbe& hit, uint32_t* surface,
                     int32_t* blend, int32_t* bump);
};
FixedOb* MakeSegment(const IntVector& at);
// The map squares' trunk records of a segment with a size byte and a model entry: one at each
// repeater copy (a dry run), of the size byte's radius (world/segment_repeaters.cpp).
void AddSegmentRepeaterTrunks(FixedOb* segment, void (*add)(void* context, const TrunkRecord& record), void* context);
// The world's part display switches (the first for parts of coloured mappings).
extern uint8_t WorldPartDisplay[2];
