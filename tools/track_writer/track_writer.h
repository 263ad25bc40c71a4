// track_writer.h - our own writer of test tracks' records: object headers of both forms,
// mapping references, the three octree blocks of the lighting section and the 40-byte light
// sample and the pit area's record, each written one field at a time through the data file.
//
// Sections: [Object records] [Roads] [Mapping table] [Light sample] [Octree blocks]
//
// It shares no record and no reading code with the world: a misreading of a layout cannot
// hide on both sides.  Tests, benchmarks and fuzz seeds write with it (counting and memory
// writes) and read the bytes back through the world's readers.
#pragma once
#include <cstdint>
#include <vector>

struct DataFile;

// ---- [Object records] ----
// The header from version 251 on: type, flag byte (bits 0..2 kept, bit 7: a mask follows),
// size byte, lighting byte, [mask], then x and y unless the type is 9.
void WriteNewObjectHeader(DataFile& file, uint8_t type, uint8_t flagByte, uint8_t sizeByte, uint8_t lightingByte,
                          uint32_t mask, int32_t x, int32_t y);
// The header below version 251: type, flag byte (bit 0 low configurations, bit 1 high, bit 2
// kept, bit 7: four extra bytes follow), the 16-bit configuration word, [extra], x and y
// unless the type is 9.
void WriteOldObjectHeader(DataFile& file, uint8_t type, uint8_t flagByte, uint16_t word, const uint8_t extra[4],
                          int32_t x, int32_t y);
// A mapping reference: index, flags, width fit, start row, first and second point; in the
// old form (oldForm) with equal points, two words whose low bytes are the real points follow.
void WriteMappingReference(DataFile& file, uint16_t mapping, uint8_t flags, uint8_t widthFit, uint16_t startRow,
                           uint8_t first, uint8_t second, bool oldForm, uint32_t oldFirst = 0, uint32_t oldSecond = 0);

// A pit area's own record (type 7).  The new form: kind, a non-zero format byte, the speed
// limit, a zero byte, then heading, height, half-width and half-length.  The old form (format
// byte 0): its four extra bytes carry the speed limit first, and when the kind byte has bit 0
// sixteen bytes of old data (zeros) follow the four floats.
struct TrackPit {
  uint8_t kind = 2;
  uint8_t speedLimit = 80;
  float heading = 0, height = 0, halfWidth = 5.0f, halfLength = 30.0f;
};
void WritePitRecord(DataFile& file, const TrackPit& pit, bool oldForm);

// A placed object's own record (type 4): heading, pitch, roll, height, flags word, the two
// variant bytes, the object index (-1 none), the index byte and byte B.
struct TrackPlacedObject {
  float heading = 0, pitch = 0, roll = 0, height = 0;
  uint16_t flags = 8;
  uint8_t variant = 0, secondVariant = 0;
  int16_t objectIndex = -1;
  uint8_t indexByte = 0, byteB = 0;
};
void WritePlacedObjectRecord(DataFile& file, const TrackPlacedObject& object);

// A tree's own record (type 11): fifteen 4-byte fields.
struct TrackTree {
  int32_t foliageTexture = 0, foliageRow = 0;
  float branchLength = 2.5f, trunkRadius = 0.5f, lengthFactor = 0.8f;
  int32_t spread = 3, seed = 7, tipCount = 32;
  float foliageLength = 2.5f, foliageWidth = 2.5f, baseHeight = 0;
  int32_t barkTexture = 0, options = 0;
  uint32_t barkColour = 0xC8C8C8, foliageColour = 0x28643C;
};
void WriteTreeRecord(DataFile& file, const TrackTree& tree);

// A pot outline in the form of a file version: from 252 a skipped byte, the segment and edge
// counts, a skipped byte, 20 extra bytes and the points (count, then u and v floats); before
// it 16 extra bytes, the segment count, 3 skipped bytes, a skipped word, the points, the edge
// count and 3 skipped bytes.  Then the edges as mapping references.
struct TrackPotEdge {
  uint16_t mapping = 0;
  uint8_t flags = 1, widthFit = 0;
  uint8_t first = 0, second = 1;
};
struct TrackPot {
  uint8_t segmentCount = 12;
  std::vector<float> points;  // u, v pairs
  std::vector<TrackPotEdge> edges;
  int32_t storedCount = -1;   // the point count written; -1: the real one
};
void WritePot(DataFile& file, int version, const TrackPot& pot);

// ---- [Roads] ----
// A section's own record (type 8) in the form of an object revision (0..3): flags, spare, the
// early mapping word, [extra float], heading, counts, end codes, [mapping pair from revision 3
// with triangles], [links: 16-bit at revision 0, else 32-bit], vertices (20 bytes), triangles
// (16 bytes from revision 2, 4 before).
struct TrackSectionVertex {
  int32_t height = 0, offset = 0;
  float heightSlope = 0, angle = 0;
  uint8_t endCode = 0;
};
struct TrackSectionTriangle {
  uint8_t corner[3] = {};
  uint8_t flags = 0;
  int32_t link[3] = {-1, -1, -1};
};
struct TrackSection {
  uint8_t flags = 4, spare = 0;
  uint16_t earlyMapping = 0;  // the field kept below revision 3
  float extra = 0;            // written when flags bit 1 is set
  float heading = 0;
  uint8_t endCodes[2] = {};
  uint16_t mapping = 0, backing = 0;
  int32_t links[2] = {};
  std::vector<TrackSectionVertex> vertices;
  std::vector<TrackSectionTriangle> triangles;
};
void WriteSectionRecord(DataFile& file, int revision, const TrackSection& section);

// A road segment's own record (type 9) for a stream version: edges in the old form below 251
// (32-bit vertex numbers, kind, flags, two zero bytes), else kind, flags and the vertex bytes.
struct TrackSegmentEdge {
  uint8_t kind = 2, flags = 0, startVertex = 0, endVertex = 0;
  float startSlope = 0, startAngle = 0, endSlope = 0, endAngle = 0;
};
struct TrackSegmentPart {
  uint16_t mapping = 0;
  uint8_t flags = 1, widthFit = 0;
  uint16_t startRow = 0;
  uint8_t first = 0, second = 1;
  bool equalPair = false;  // below 251: write the pair as (0, 0) and the real edges after it
};
struct TrackSegment {
  uint16_t flags = 1;
  uint16_t objectIndex = 0;  // 0 none: the four repeater bytes are not written
  int8_t spacing = 0;
  uint8_t aimEdge = 0, repeaterFlags = 0, pathEdge = 0;
  uint8_t variant = 0, secondVariant = 0;
  uint8_t startSide = 1, endSide = 0;
  int32_t startSection = 0, endSection = 1;
  uint8_t spare[2] = {0, 2};
  std::vector<TrackSegmentEdge> edges;
  std::vector<TrackSegmentPart> parts;
  float stepLength = 5.0f, textureScale = 1.0f;
  int edgeCountOverride = -1, partCountOverride = -1;  // written in place of the counts
};
void WriteSegmentRecord(DataFile& file, int version, const TrackSegment& segment);

// ---- [Mapping table] ----
// A mapping record as a test writes it: the arrays by value.  Option bits are written for the
// fields that are not zero (origin z, angles 2 and 3); projection data only with a kind.
struct TrackMapping {
  uint8_t flags = 0, projection = 0, byte2 = 0, normalWeight = 0;
  uint8_t material[4] = {};
  uint32_t colour = 0xFFFFFF;  // written from version 7
  const char* name = "";
  const char* textureName = "";
  uint8_t textureColour[4] = {};
  uint8_t uSpan = 0, vSpan = 0, uOffset = 0, vOffset = 0, repeatLength = 0;
  uint8_t surfaceType = 0, usageType = 0, orientation = 0, trimCodes = 0;
  uint8_t surfaceWord[4] = {};
  int32_t origin[3] = {};
  float angle[3] = {};
  float width = 2.0f, height = 2.0f;
  std::vector<uint32_t> palette;     // 0xFFBBGGRR: red in the low byte, flags in the high
  std::vector<int32_t> columnEnds;   // the column count
  std::vector<int32_t> cells;        // rows x columns, row by row
  uint8_t gridRows = 0;
};
// Count (16 bits), version, a zero byte, then every record in the form of that version
// (names of 16 bytes below version 5, 20 from it).
void WriteMappingTable(DataFile& file, int version, const std::vector<TrackMapping>& mappings);
// One record in the form of the given version.
void WriteMappingRecord(DataFile& file, int version, const TrackMapping& m);

// ---- [Light sample] ----
// An ambient cube: per face (-x, +x, -y, +y, -z, +z) an ambient and an openness byte and a
// colour, the colour stored as three packed small floats.
struct TrackLight {
  uint8_t ambient[6];
  uint8_t open[6];
  float colours[6][3];
};
// 40 bytes: four unused zero bytes, the six ambient bytes, the six openness bytes, six
// little-endian packed colour words.
void WriteLightSample(DataFile& file, const TrackLight& light);

// ---- [Octree blocks] ----
// The object octree's block: a skipped word, the root's centre, size and least half size, the
// node count, each node's first child (16 bits), padded to an even count with a zero.
void WriteObjectOctreeBlock(DataFile& file, const int32_t centre[3], int32_t rootSize, int32_t minHalfSize,
                            const std::vector<int16_t>& firstChildren);
// Writes the object octree's block with a node count that need not match the children given
// (for refusal tests).
void WriteObjectOctreeBlockCounted(DataFile& file, const int32_t centre[3], int32_t rootSize, int32_t minHalfSize,
                                   int32_t nodeCount, const std::vector<int16_t>& firstChildren);

struct TrackLightNode {
  uint32_t firstChild;
  int8_t low, high;
  uint8_t spare;
  uint8_t gridPoints;
  uint32_t word;
  uint32_t firstSample;  // written only from block version 3
};
struct TrackLightingBlock {
  uint8_t version = 4;
  int32_t centre[3] = {};
  int32_t size = 0, verticalSize = 0;          // the vertical size only from version 2
  int32_t secondSize = 0, secondVerticalSize = 0;
  std::vector<TrackLightNode> nodes;
  std::vector<uint16_t> table;
  std::vector<TrackLight> samples;             // version 4 and on
  int32_t oldSampleCount = 0;                  // version 3: this many 8-byte samples
  int32_t nodeCountOverride = -1;              // when not -1, written in place of the count
  int32_t sampleCountOverride = -1;
};
void WriteLightingOctreeBlock(DataFile& file, const TrackLightingBlock& block);

// The point octree's entries, made by the Add calls in file order.
struct TrackPointBlock {
  int32_t centre[3] = {};
  int32_t size = 0, verticalSize = 0;
  uint32_t slotCapacity = 64;
  std::vector<uint8_t> entries;  // 16 bytes each
  int32_t entryCountOverride = -1;

  int EntryCount() const { return int(entries.size() / 16); }
  // A position entry whose first sample is at index firstSample; returns its index.
  int AddPosition(int32_t x, int32_t y, int32_t z, uint32_t firstSample);
  // A directional sample: next (0 ends the chain), valid, the normal's bytes, 8 data bytes.
  int AddDirectional(uint32_t next, bool valid, const int8_t normal[3], const uint8_t data[8]);
  // An all-direction sample spanning three entries: next, valid, then the light sample.
  int AddAllDirection(uint32_t next, bool valid, const TrackLight& light);
  // Sets the next index of the sample at index.
  void SetNext(int index, uint32_t next);
};
void WritePointOctreeBlock(DataFile& file, const TrackPointBlock& block);

// ---- [Paths] ----
// A stored path node (44 bytes): flags, 3 zero bytes, x, y, z, the direction, the road edges
// and the limits.
struct TrackPathNode {
  uint8_t flags = 0;
  int32_t x = 0, y = 0, z = 0;
  float dirX = 0, dirY = 1, dirZ = 0;
  float roadLeft = -5, roadRight = 5, limitLeft = -8, limitRight = 8;
};
// A path record: flags, version, 3 zero bytes, the main and second counts (16-bit), from
// version 2 the third count and 2 zero bytes, then the three lists' nodes.  A count override
// (not -1) is written in place of the main count.
struct TrackPathRecord {
  uint32_t flags = 0;
  uint8_t version = 2;
  std::vector<TrackPathNode> nodes, second, third;
  int32_t countOverride = -1;
};
void WritePathRecord(DataFile& file, const TrackPathRecord& path);
// The test oval: two straights of straight metres along y joined by half circles of radius
// metres, centred on the origin at z = 0, driven anticlockwise seen from above, a node every
// spacing metres (along each piece, so that the pieces meet on nodes).  The road's edges at
// +-roadHalf, the limits at +-limitHalf.
std::vector<TrackPathNode> OvalPathNodes(double straight, double radius, double spacing, float roadHalf,
                                         float limitHalf);

// ---- [AI path files] ----
// A computer driver's path file ("ZKTKNW"): the header bytes, the four figures, the node and
// curve counts (16-bit; a count override, not -1, is written in place of the curve count),
// then the 24-byte curve records: flags, a 16-bit word, the two scales, 2 zero bytes, the
// start and end nodes, the end angle and the end offset.  The program reads these files and
// never writes them.
struct TrackAiCurve {
  uint16_t flags = 0;
  int16_t word = 0;  // read and dropped
  int8_t startScale = 0, endScale = 0;
  int32_t startNode = 0, endNode = 0;
  float endAngle = 0, endOffset = 0;
};
struct TrackAiPathFile {
  uint16_t version = 6;
  uint8_t setupIndex = 0, setupByte2 = 0, setupByte3 = 0;
  int16_t setupWord = 0;
  uint8_t setupByte4 = 0;
  float fuelPerLap = 0, topSpeed = 0, fileLapTime = 0, fuelCapacity = 0;
  int16_t nodeCount = 0;
  int32_t curveCountOverride = -1;
  std::vector<TrackAiCurve> curves;
};
void WriteAiPathBody(DataFile& file, const TrackAiPathFile& path);
// The whole file: magic, version (high byte first) and body.
std::vector<uint8_t> AiPathFileImage(const TrackAiPathFile& path);

// ---- [Trackside objects] ----
// A start grid's own record (type 15): flags, columns, rows, straight rows, first number,
// heading, height, column and row spacing, stagger, and with flag bit 1 the end point and end
// heading.
struct TrackStartGrid {
  uint32_t flags = 0;
  uint8_t columns = 2, rows = 16, straightRows = 0, firstNumber = 1;
  float heading = 0, height = 0, columnSpacing = 8, rowSpacing = 16, stagger = 8;
  int32_t endPoint[2] = {};
  float endHeading = 0;
};
void WriteStartGridRecord(DataFile& file, const TrackStartGrid& grid);
// A track camera's own record (type 10): kind, format byte, 2 zero bytes, height, heading,
// third angle, P, then by kind (0: R when the format is not 0; 3: Q, R, S), then 12 zero
// bytes in the old form (format 0) when the kind byte has bit 2.
struct TrackCamera {
  uint8_t kind = 0, format = 1;
  float height = 0, heading = 0, third = 0, p = 15, q = 100, r = 0.5235988f, s = 10;
};
void WriteCameraRecord(DataFile& file, const TrackCamera& camera);
// A camera's occlusion list: the count, then the entries (padded to an even count).
void WriteCameraOcclusion(DataFile& file, const std::vector<uint16_t>& entries, int32_t countOverride = -1);
// A marshal's (type 6: model word, heading, height), a spectator group's (type 13: two
// words, heading, width, low and high height, two values) and a turbine's (type 5: height,
// heading, model index) own records.
void WriteMarshalRecord(DataFile& file, int32_t model, float heading, float height);
struct TrackSpectators {
  int32_t wordA = 0, wordB = 0;
  float heading = 0, width = 5, low = 0, high = 0, d = 0.5f, e = 0.5f;
};
void WriteSpectatorRecord(DataFile& file, const TrackSpectators& group);
void WriteTurbineRecord(DataFile& file, float height, float heading, int32_t model);
// A flag's own record (type 14): flag flags, top, width, height, mapping, 2 zero bytes.
struct TrackFlag {
  int32_t flags = 0;
  float top = 2, width = 2, height = 1.5f;
  uint16_t mapping = 0;
};
void WriteFlagRecord(DataFile& file, const TrackFlag& flag);
