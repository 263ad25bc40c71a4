// section.h - a section (object type 8): an upright profile of vertices standing across the
// object's heading, whose triangles make a drawn and possibly collidable surface, and whose
// vertices anchor the edge lines of road segments.  A linked section has no place of its own:
// it is stretched between an end of each of two other sections.
//
// Sections: [Records] [Section] [Vertex positions] [Render mesh] [Ray test]
//
// Vertex heights and offsets are 16.16 metres.  Main thread only.
#pragma once
#include <cstdint>
#include <vector>

#include "world/fixed_ob.h"

struct BuiltMesh;
struct MappingRecord;

// ---- [Records] ----
// 20 bytes in the stream.
struct SectionVertex {
  int32_t height = 0;
  int32_t offset = 0;        // along the heading from the section's position
  float heightSlope = 0;     // height change per metre along a road built on this vertex
  float angle = 0;           // radians, of road edges leaving this vertex
  uint8_t endCode = 0;       // 1 left edge, 2 right edge; any other non-zero matches linked sections
  uint8_t reserved[3] = {};
};
// 16 bytes in the stream from revision 2, 4 before.
struct SectionTriangle {
  uint8_t corner[3] = {};
  uint8_t flags = 0;             // bit 0: reversed (clockwise in the offset-height plane)
  int32_t link[3] = {-1, -1, -1};  // -1 an own vertex, else the object index of another section
};
constexpr uint8_t SECTION_LINKED = 1;
constexpr uint8_t SECTION_EXTRA_FLOAT = 2;
constexpr uint8_t SECTION_COLLIDABLE = 4;
// SECTION_FLAG_GROUND (0x80, fixed_ob.h): a joining triangle faces upwards.
constexpr uint8_t TRIANGLE_REVERSED = 1;
constexpr int SECTION_OWN_VERTICES_MAX = 64;  // vertex numbers of own triangles lie below this
constexpr int32_t SECTION_SIZE_UNIT = 655;    // 1 cm: the size byte's unit

// The object revision of the track's object block being read (the track loader sets it; the
// section's record changes with it).  3 outside a load.
extern int WorldObjectRevision;

// ---- [Section] ----
struct WSection : FixedOb {
  explicit WSection(const IntVector& at);

  void Free() override;
  void AddToDrawList() override;
  void AddToDrawListAtDistance(int32_t distance) override;
  int HasGeometry() override { return triangleCount != 0; }
  int IsNear(int32_t, int32_t, float) override { return 1; }
  void AddPhysics() override;
  int RayTest(const IntVector& origin, const IntVector& direction, ContactProbe& hit, uint32_t* surface,
              int32_t* blend, int32_t* bump, int32_t mode) override;
  void Load(DataFile& stream, int version) override;
  void GetPosition(IntVector& at, float& headingOut) override;
  void SetPosition(const IntVector& at, float headingIn) override;
  void FreeBuilt(bool reset) override;
  bool IsVisible(bool) override { return triangleCount != 0; }
  void Setup() override;
  int IsCollidable() override { return triangleCount != 0 && (ownFlags & SECTION_COLLIDABLE); }
  int MappingsInUse(uint16_t* used, int room) override;

  // 7, 8 or 9 by the alpha kind 0, 1, 2; else -1.
  int GetBuildList() const;
  // The world position (16.16) of vertex n, following the links of a linked section; (0, 0, 0)
  // with a debug message when there is none.
  IntVector GetVertexWorldPos(int n) const;
  // The world position of corner k of triangle t.
  IntVector GetVertexPosForTri(const SectionTriangle& t, int k) const;
  // A linked section's vertices, position, length and heading from its two neighbours.
  void LinkEnds();
  // The own vertex's position by the section's own place and heading.
  IntVector OwnVertexPos(const SectionVertex& v) const;
  // The same with the heading's cosine c and sine s worked out by the caller.
  IntVector OwnVertexPos(const SectionVertex& v, float c, float s) const {
    return {int32_t(int64_t(position[0]) + NearestSaturated(double(c * float(v.offset)))),
            int32_t(int64_t(position[1]) + NearestSaturated(double(s * float(v.offset)))), v.height};
  }
  // The mapping record of index (null past the world's table or without a world).
  static const MappingRecord* Mapping(int index);
  // Builds the render mesh (nothing without triangles or with a primary mapping past the
  // table); with setKind also the draw flags and the alpha kind from the mappings' kinds.
  void BuildMesh(bool setKind);
  // Marks the section's entry in the world's render mesh named by the mesh list.
  void MarkMeshEntry() const;

  uint8_t spare = 0;
  uint8_t drawFlags = 1;
  uint8_t alphaKind = 0;
  uint16_t primaryMapping = 0;
  uint16_t backingMapping = 0;
  float heading = 0;
  uint8_t vertexCount = 0;
  uint8_t triangleCount = 0;
  uint8_t endCodes[2] = {};  // left, right
  int32_t links[2] = {};     // left, right
  ObjectList<SectionVertex> vertices;
  ObjectList<SectionTriangle> triangles;
  uint16_t meshList = 65535;  // the world's render mesh holding the built mesh, 65535 none
  uint16_t meshListEntry = 0;
  BuiltMesh* builtMesh = nullptr;
};
// GetVertexWorldPos over many vertices of one section: a section of its own turns its heading
// into a cosine and a sine once instead of once a vertex (set-up asks for dozens).
struct SectionVertexPlacer {
  explicit SectionVertexPlacer(const WSection& s);
  // Equals section.GetVertexWorldPos(n).
  IntVector At(int n) const {
    if (own && n >= 0 && n < section.vertexCount && n < int(section.vertices.size()))
      return section.OwnVertexPos(section.vertices[size_t(n)], c, s);
    return section.GetVertexWorldPos(n);
  }

  const WSection& section;
  bool own = false;  // not linked: At needs no other section
  float c = 0, s = 0;
};
// The colour word of a section's points: the mapping's average grid colour through the
// brightness table (0x00RRGGBB).
uint32_t SectionColourWord(const MappingRecord& mapping);
FixedOb* MakeSection(const IntVector& at);
// The section at index of the world's object table, else null with the message of the
// asker (its "OOB" or "wrong type" text shown when Debug Level is not 0).
const WSection* SectionAt(int32_t index, const char* asker);

// ---- [Ray test] ----
// The world's bump table value of the mapping's surface at (x, y): its signed byte at the
// bits scale - 8 .. scale - 1 of x (column) and y (row), scale held within 8..31, times the
// amplitude.  0 without a world.
int32_t SurfaceTableBump(const MappingRecord& mapping, int32_t x, int32_t y);
// The mapping's four surface bytes as one word.
uint32_t MappingSurfaceWord(const MappingRecord& mapping);
// Hands a bump value back to the caller: blended when the caller's surface word is the
// mapping's, else the caller's word becomes the mapping's with the full blend weight.
// Returns whether the words were equal.
bool ApplyBump(const MappingRecord& mapping, int32_t value, uint32_t* surface, int32_t* blend, int32_t* bump);
