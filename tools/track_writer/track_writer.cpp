// track_writer.cpp - test tracks' records, field by field.
#include "tools/track_writer/track_writer.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "core/data_file.h"
#include "core/fixed_math.h"

namespace {

void Short(DataFile& file, uint16_t v) {
  file.WriteByte(v & 0xFF);
  file.WriteByte(v >> 8);
}
void Word(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  for (int k = 0; k < 4; ++k) out[at + k] = uint8_t(v >> (8 * k));
}

}  // namespace

// ---- [Object records] ----

void WriteNewObjectHeader(DataFile& file, uint8_t type, uint8_t flagByte, uint8_t sizeByte, uint8_t lightingByte,
                          uint32_t mask, int32_t x, int32_t y) {
  file.WriteByte(type);
  file.WriteByte(flagByte);
  file.WriteByte(sizeByte);
  file.WriteByte(lightingByte);
  if (flagByte & 0x80) file.WriteInt(int32_t(mask));
  if (type != 9) {
    file.WriteInt(x);
    file.WriteInt(y);
  }
}

void WriteOldObjectHeader(DataFile& file, uint8_t type, uint8_t flagByte, uint16_t word, const uint8_t extra[4],
                          int32_t x, int32_t y) {
  file.WriteByte(type);
  file.WriteByte(flagByte);
  Short(file, word);
  if (flagByte & 0x80)
    for (int k = 0; k < 4; ++k) file.WriteByte(extra ? extra[k] : 0);
  if (type != 9) {
    file.WriteInt(x);
    file.WriteInt(y);
  }
}

void WritePitRecord(DataFile& file, const TrackPit& pit, bool oldForm) {
  file.WriteByte(pit.kind);
  file.WriteByte(oldForm ? 0 : 1);
  file.WriteByte(oldForm ? 0 : pit.speedLimit);
  file.WriteByte(0);
  if (oldForm) {
    file.WriteByte(pit.speedLimit);
    for (int k = 0; k < 3; ++k) file.WriteByte(0);
  }
  file.WriteFloat(pit.heading);
  file.WriteFloat(pit.height);
  file.WriteFloat(pit.halfWidth);
  file.WriteFloat(pit.halfLength);
  if (oldForm && (pit.kind & 1))
    for (int k = 0; k < 16; ++k) file.WriteByte(0);
}

void WritePlacedObjectRecord(DataFile& file, const TrackPlacedObject& o) {
  file.WriteFloat(o.heading);
  file.WriteFloat(o.pitch);
  file.WriteFloat(o.roll);
  file.WriteFloat(o.height);
  Short(file, o.flags);
  file.WriteByte(o.variant);
  file.WriteByte(o.secondVariant);
  Short(file, static_cast<uint16_t>(o.objectIndex));
  file.WriteByte(o.indexByte);
  file.WriteByte(o.byteB);
}

void WriteTreeRecord(DataFile& file, const TrackTree& t) {
  file.WriteInt(t.foliageTexture);
  file.WriteInt(t.foliageRow);
  file.WriteFloat(t.branchLength);
  file.WriteFloat(t.trunkRadius);
  file.WriteFloat(t.lengthFactor);
  file.WriteInt(t.spread);
  file.WriteInt(t.seed);
  file.WriteInt(t.tipCount);
  file.WriteFloat(t.foliageLength);
  file.WriteFloat(t.foliageWidth);
  file.WriteFloat(t.baseHeight);
  file.WriteInt(t.barkTexture);
  file.WriteInt(t.options);
  file.WriteInt(static_cast<int32_t>(t.barkColour));
  file.WriteInt(static_cast<int32_t>(t.foliageColour));
}

void WritePot(DataFile& file, int version, const TrackPot& pot) {
  const int32_t count = pot.storedCount >= 0 ? pot.storedCount : static_cast<int32_t>(pot.points.size() / 2);
  const auto points = [&] {
    file.WriteInt(count);
    for (float v : pot.points) file.WriteFloat(v);
  };
  const bool newForm = version >= 252;
  if (newForm) {
    file.WriteByte(0);
    file.WriteByte(pot.segmentCount);
    file.WriteByte(static_cast<int>(pot.edges.size()));
    file.WriteByte(0);
    for (int k = 0; k < 20; ++k) file.WriteByte(0);
    points();
  } else {
    for (int k = 0; k < 16; ++k) file.WriteByte(0);
    file.WriteByte(pot.segmentCount);
    for (int k = 0; k < 3; ++k) file.WriteByte(0);
    file.WriteInt(0);
    points();
    file.WriteByte(static_cast<int>(pot.edges.size()));
    for (int k = 0; k < 3; ++k) file.WriteByte(0);
  }
  for (const TrackPotEdge& e : pot.edges)
    WriteMappingReference(file, e.mapping, e.flags, e.widthFit, 0, e.first, e.second, version < 251, e.first,
                          e.second);
}

void WriteMappingReference(DataFile& file, uint16_t mapping, uint8_t flags, uint8_t widthFit, uint16_t startRow,
                           uint8_t first, uint8_t second, bool oldForm, uint32_t oldFirst, uint32_t oldSecond) {
  Short(file, mapping);
  file.WriteByte(flags);
  file.WriteByte(widthFit);
  Short(file, startRow);
  file.WriteByte(first);
  file.WriteByte(second);
  if (oldForm && first == second) {
    file.WriteInt(int32_t(oldFirst));
    file.WriteInt(int32_t(oldSecond));
  }
}

// ---- [Roads] ----

void WriteSectionRecord(DataFile& file, int revision, const TrackSection& section) {
  file.WriteByte(section.flags);
  file.WriteByte(section.spare);
  Short(file, section.earlyMapping);
  if (section.flags & 2) file.WriteFloat(section.extra);
  file.WriteFloat(section.heading);
  file.WriteByte(int(section.vertices.size()));
  file.WriteByte(int(section.triangles.size()));
  file.WriteByte(section.endCodes[0]);
  file.WriteByte(section.endCodes[1]);
  if (!section.triangles.empty() && revision >= 3) {
    Short(file, section.mapping);
    Short(file, section.backing);
  }
  if (section.flags & 1) {
    for (int32_t link : section.links) {
      if (revision == 0)
        Short(file, uint16_t(link));
      else
        file.WriteInt(link);
    }
  }
  for (const TrackSectionVertex& v : section.vertices) {
    file.WriteInt(v.height);
    file.WriteInt(v.offset);
    file.WriteFloat(v.heightSlope);
    file.WriteFloat(v.angle);
    file.WriteByte(v.endCode);
    for (int i = 0; i < 3; ++i) file.WriteByte(0);
  }
  for (const TrackSectionTriangle& t : section.triangles) {
    for (uint8_t c : t.corner) file.WriteByte(c);
    file.WriteByte(t.flags);
    if (revision >= 2)
      for (int32_t link : t.link) file.WriteInt(link);
  }
}

void WriteSegmentRecord(DataFile& file, int version, const TrackSegment& s) {
  Short(file, s.flags);
  Short(file, s.objectIndex);
  if (s.objectIndex != 0) {
    file.WriteByte(uint8_t(s.spacing));
    file.WriteByte(s.aimEdge);
    file.WriteByte(s.repeaterFlags);
    file.WriteByte(s.pathEdge);
  }
  file.WriteByte(s.variant);
  file.WriteByte(s.secondVariant);
  file.WriteByte(s.startSide);
  file.WriteByte(s.endSide);
  file.WriteInt(s.startSection);
  file.WriteInt(s.endSection);
  file.WriteByte(s.spare[0]);
  file.WriteByte(s.spare[1]);
  file.WriteByte(s.edgeCountOverride >= 0 ? s.edgeCountOverride : int(s.edges.size()));
  file.WriteByte(s.partCountOverride >= 0 ? s.partCountOverride : int(s.parts.size()));
  for (const TrackSegmentEdge& e : s.edges) {
    if (version < 251) {
      file.WriteInt(e.startVertex);
      file.WriteInt(e.endVertex);
      file.WriteByte(e.kind);
      file.WriteByte(e.flags);
      file.WriteByte(0);
      file.WriteByte(0);
    } else {
      file.WriteByte(e.kind);
      file.WriteByte(e.flags);
      file.WriteByte(e.startVertex);
      file.WriteByte(e.endVertex);
    }
    file.WriteFloat(e.startSlope);
    file.WriteFloat(e.startAngle);
    file.WriteFloat(e.endSlope);
    file.WriteFloat(e.endAngle);
  }
  for (const TrackSegmentPart& p : s.parts) {
    const bool old = version < 251 && (p.equalPair || p.first == p.second);
    WriteMappingReference(file, p.mapping, p.flags, p.widthFit, p.startRow, old ? 0 : p.first, old ? 0 : p.second, old,
                          p.first, p.second);
  }
  file.WriteFloat(s.stepLength);
  file.WriteFloat(s.textureScale);
}

// ---- [Light sample] ----

void WriteLightSample(DataFile& file, const TrackLight& light) {
  file.WriteInt(0);
  for (uint8_t a : light.ambient) file.WriteByte(a);
  for (uint8_t o : light.open) file.WriteByte(o);
  for (const auto& c : light.colours) {
    uint32_t packed = 0;
    StoreFloat3PK(&packed, c[0], c[1], c[2]);
    file.WriteInt(int32_t(packed));
  }
}

// ---- [Octree blocks] ----

void WriteObjectOctreeBlockCounted(DataFile& file, const int32_t centre[3], int32_t rootSize, int32_t minHalfSize,
                                   int32_t nodeCount, const std::vector<int16_t>& firstChildren) {
  file.WriteInt(0);
  for (int k = 0; k < 3; ++k) file.WriteInt(centre[k]);
  file.WriteInt(rootSize);
  file.WriteInt(minHalfSize);
  file.WriteInt(nodeCount);
  for (int16_t c : firstChildren) Short(file, uint16_t(c));
  if (firstChildren.size() % 2) Short(file, 0);
}

void WriteObjectOctreeBlock(DataFile& file, const int32_t centre[3], int32_t rootSize, int32_t minHalfSize,
                            const std::vector<int16_t>& firstChildren) {
  WriteObjectOctreeBlockCounted(file, centre, rootSize, minHalfSize, int32_t(firstChildren.size()), firstChildren);
}

void WriteLightingOctreeBlock(DataFile& file, const TrackLightingBlock& b) {
  file.WriteByte(b.version);
  for (int k = 0; k < 3; ++k) file.WriteByte(0);
  for (int k = 0; k < 3; ++k) file.WriteInt(b.centre[k]);
  file.WriteInt(b.size);
  if (b.version >= 2) file.WriteInt(b.verticalSize);
  file.WriteInt(b.secondSize);
  if (b.version >= 2) file.WriteInt(b.secondVerticalSize);
  file.WriteInt(b.nodeCountOverride >= 0 ? b.nodeCountOverride : int32_t(b.nodes.size()));
  for (const TrackLightNode& n : b.nodes) {
    file.WriteInt(int32_t(n.firstChild));
    file.WriteByte(uint8_t(n.low));
    file.WriteByte(uint8_t(n.high));
    file.WriteByte(n.spare);
    file.WriteByte(n.gridPoints);
    file.WriteInt(int32_t(n.word));
    if (b.version >= 3) file.WriteInt(int32_t(n.firstSample));
  }
  file.WriteInt(0);
  file.WriteInt(int32_t(b.table.size()));
  for (uint16_t v : b.table) Short(file, v);
  if (b.version >= 3) {
    const int32_t count = b.version >= 4 ? int32_t(b.samples.size()) : b.oldSampleCount;
    file.WriteInt(b.sampleCountOverride >= 0 ? b.sampleCountOverride : count);
    if (b.version >= 4) {
      for (const TrackLight& s : b.samples) WriteLightSample(file, s);
    } else {
      for (int32_t i = 0; i < b.oldSampleCount * 2; ++i) file.WriteInt(0);
    }
  }
}

int TrackPointBlock::AddPosition(int32_t x, int32_t y, int32_t z, uint32_t firstSample) {
  const size_t at = entries.size();
  entries.resize(at + 16, 0);
  Word(entries, at, 0x80000000u | firstSample);
  Word(entries, at + 4, uint32_t(x));
  Word(entries, at + 8, uint32_t(y));
  Word(entries, at + 12, uint32_t(z));
  return int(at / 16);
}

int TrackPointBlock::AddDirectional(uint32_t next, bool valid, const int8_t normal[3], const uint8_t data[8]) {
  const size_t at = entries.size();
  entries.resize(at + 16, 0);
  Word(entries, at, next);
  entries[at + 4] = valid ? 2 : 0;
  for (int k = 0; k < 3; ++k) entries[at + 5 + k] = uint8_t(normal[k]);
  std::memcpy(&entries[at + 8], data, 8);
  return int(at / 16);
}

int TrackPointBlock::AddAllDirection(uint32_t next, bool valid, const TrackLight& light) {
  const size_t at = entries.size();
  entries.resize(at + 48, 0);
  Word(entries, at, next);
  entries[at + 4] = uint8_t(1 | (valid ? 2 : 0));
  // The sample's 40 bytes from byte 8, written as the stream writes them.
  DataFile file{};
  file.BeginMemoryWrite(0, nullptr);
  WriteLightSample(file, light);
  file.BeginMemoryWrite(1, nullptr);
  WriteLightSample(file, light);
  if (file.FinishMemoryWrite()) std::memcpy(&entries[at + 8], file.buffer, 40);
  std::free(file.buffer);
  return int(at / 16);
}

void TrackPointBlock::SetNext(int index, uint32_t next) { Word(entries, size_t(index) * 16, next); }

void WritePointOctreeBlock(DataFile& file, const TrackPointBlock& b) {
  file.WriteInt(0);
  for (int k = 0; k < 3; ++k) file.WriteInt(b.centre[k]);
  file.WriteInt(b.size);
  file.WriteInt(b.verticalSize);
  file.WriteInt(int32_t(b.slotCapacity));
  file.WriteInt(b.entryCountOverride >= 0 ? b.entryCountOverride : b.EntryCount());
  if (!b.entries.empty()) file.WriteBlock(b.entries.data(), int(b.entries.size()));
}

// ---- [Mapping table] ----

void WriteMappingRecord(DataFile& file, int version, const TrackMapping& m) {
  file.WriteByte(m.flags);
  if (version < 6) {
    file.WriteByte(m.material[0]);
    file.WriteByte(m.projection);
    file.WriteByte(m.material[1]);
  } else {
    file.WriteByte(m.projection);
    file.WriteByte(m.byte2);
    file.WriteByte(m.normalWeight);
    for (uint8_t b : m.material) file.WriteByte(b);
  }
  if (version >= 7) file.WriteInt(int32_t(m.colour));
  const int nameSize = version < 5 ? 16 : 20;
  // A full-length name fills its field without a terminator.
  char field[20];
  for (const char* text : {m.name, m.textureName}) {
    std::memset(field, 0, sizeof field);
    std::memcpy(field, text, std::min<size_t>(std::strlen(text), size_t(nameSize)));
    file.WriteBlock(field, nameSize);
  }
  for (uint8_t b : m.textureColour) file.WriteByte(b);
  for (uint8_t b : {m.uSpan, m.vSpan, m.uOffset, m.vOffset, m.gridRows, m.repeatLength}) file.WriteByte(b);
  file.WriteByte(int(m.palette.size()));
  file.WriteByte(int(m.columnEnds.size()));
  file.WriteByte(m.surfaceType);
  if (version >= 16) file.WriteByte(m.usageType);
  file.WriteByte(m.orientation);
  file.WriteByte(m.trimCodes);
  const int options = (m.origin[2] != 0 ? 1 : 0) | (std::bit_cast<uint32_t>(m.angle[1]) != 0 ? 2 : 0) |
                      (std::bit_cast<uint32_t>(m.angle[2]) != 0 ? 4 : 0);
  file.WriteByte(options);
  if (version >= 16) {
    for (int i = 0; i < 3; ++i) file.WriteByte(0);
  }
  for (uint8_t b : m.surfaceWord) file.WriteByte(b);
  if (m.projection != 0) {
    file.WriteInt(m.origin[0]);
    file.WriteInt(m.origin[1]);
    if (options & 1) file.WriteInt(m.origin[2]);
    file.WriteFloat(m.angle[0]);
    if (options & 2) file.WriteFloat(m.angle[1]);
    if (options & 4) file.WriteFloat(m.angle[2]);
    file.WriteFloat(m.width);
    file.WriteFloat(m.height);
  }
  for (uint32_t p : m.palette) file.WriteInt(int32_t(p));
  for (int32_t c : m.columnEnds) file.WriteInt(c);
  for (int32_t c : m.cells) file.WriteInt(c);
}

void WriteMappingTable(DataFile& file, int version, const std::vector<TrackMapping>& mappings) {
  const int count = int(mappings.size());
  file.WriteByte(count & 0xFF);
  file.WriteByte((count >> 8) & 0xFF);
  file.WriteByte(version);
  file.WriteByte(0);
  for (const TrackMapping& m : mappings) WriteMappingRecord(file, version, m);
}

// ---- [Paths] ----

namespace {
void WritePathNode(DataFile& file, const TrackPathNode& n) {
  file.WriteByte(n.flags);
  for (int k = 0; k < 3; ++k) file.WriteByte(0);
  file.WriteInt(n.x);
  file.WriteInt(n.y);
  file.WriteInt(n.z);
  const float values[7] = {n.dirX, n.dirY, n.dirZ, n.roadLeft, n.roadRight, n.limitLeft, n.limitRight};
  for (float v : values) file.WriteFloat(v);
}
}  // namespace

void WritePathRecord(DataFile& file, const TrackPathRecord& path) {
  file.WriteInt(int32_t(path.flags));
  file.WriteByte(path.version);
  for (int k = 0; k < 3; ++k) file.WriteByte(0);
  Short(file, uint16_t(path.countOverride != -1 ? path.countOverride : int32_t(path.nodes.size())));
  Short(file, uint16_t(path.second.size()));
  if (path.version > 1) {
    Short(file, uint16_t(path.third.size()));
    Short(file, 0);
  }
  for (const auto* list : {&path.nodes, &path.second, &path.third})
    for (const TrackPathNode& n : *list) WritePathNode(file, n);
}

std::vector<TrackPathNode> OvalPathNodes(double straight, double radius, double spacing, float roadHalf,
                                         float limitHalf) {
  // The right straight runs up +y at x = +radius, the left one down at x = -radius; the half
  // circles are centred on (0, +-straight / 2).
  const double pi = 3.14159265358979323846;
  std::vector<TrackPathNode> nodes;
  auto add = [&](double x, double y, double dx, double dy) {
    TrackPathNode n;
    n.x = int32_t(std::lround(x * 65536.0));
    n.y = int32_t(std::lround(y * 65536.0));
    n.dirX = float(dx);
    n.dirY = float(dy);
    n.roadLeft = -roadHalf;
    n.roadRight = roadHalf;
    n.limitLeft = -limitHalf;
    n.limitRight = limitHalf;
    nodes.push_back(n);
  };
  const int straightSteps = int(std::lround(straight / spacing));
  const int arcSteps = int(std::lround(pi * radius / spacing));
  const double half = straight / 2;
  for (int i = 0; i < straightSteps; ++i) add(radius, -half + straight * i / straightSteps, 0, 1);
  for (int i = 0; i < arcSteps; ++i) {
    const double a = pi * i / arcSteps;
    add(radius * std::cos(a), half + radius * std::sin(a), -std::sin(a), std::cos(a));
  }
  for (int i = 0; i < straightSteps; ++i) add(-radius, half - straight * i / straightSteps, 0, -1);
  for (int i = 0; i < arcSteps; ++i) {
    const double a = pi + pi * i / arcSteps;
    add(radius * std::cos(a), -half + radius * std::sin(a), -std::sin(a), std::cos(a));
  }
  return nodes;
}

// ---- [AI path files] ----

void WriteAiPathBody(DataFile& file, const TrackAiPathFile& path) {
  file.WriteByte(path.setupIndex);
  file.WriteByte(path.setupByte2);
  file.WriteByte(path.setupByte3);
  file.WriteByte(0);
  Short(file, uint16_t(path.setupWord));
  file.WriteByte(path.setupByte4);
  file.WriteByte(0);
  file.WriteFloat(path.fuelPerLap);
  file.WriteFloat(path.topSpeed);
  file.WriteFloat(path.fileLapTime);
  file.WriteFloat(path.fuelCapacity);
  Short(file, uint16_t(path.nodeCount));
  Short(file, uint16_t(path.curveCountOverride != -1 ? path.curveCountOverride : int32_t(path.curves.size())));
  for (const TrackAiCurve& c : path.curves) {
    Short(file, uint16_t(c.flags));
    Short(file, uint16_t(c.word));
    file.WriteByte(uint8_t(c.startScale));
    file.WriteByte(uint8_t(c.endScale));
    Short(file, uint16_t(0));
    file.WriteInt(c.startNode);
    file.WriteInt(c.endNode);
    file.WriteFloat(c.endAngle);
    file.WriteFloat(c.endOffset);
  }
}

std::vector<uint8_t> AiPathFileImage(const TrackAiPathFile& path) {
  std::vector<uint8_t> image = {'Z', 'K', 'T', 'K', 'N', 'W', uint8_t(path.version >> 8), uint8_t(path.version)};
  const std::vector<uint8_t> body = MemoryWriteBody([&](DataFile& f) { WriteAiPathBody(f, path); });
  image.insert(image.end(), body.begin(), body.end());
  return image;
}

// ---- [Trackside objects] ----

void WriteStartGridRecord(DataFile& file, const TrackStartGrid& grid) {
  file.WriteInt(int32_t(grid.flags));
  file.WriteByte(grid.columns);
  file.WriteByte(grid.rows);
  file.WriteByte(grid.straightRows);
  file.WriteByte(grid.firstNumber);
  for (float v : {grid.heading, grid.height, grid.columnSpacing, grid.rowSpacing, grid.stagger}) file.WriteFloat(v);
  if (grid.flags & 2) {
    file.WriteInt(grid.endPoint[0]);
    file.WriteInt(grid.endPoint[1]);
    file.WriteFloat(grid.endHeading);
  }
}

void WriteCameraRecord(DataFile& file, const TrackCamera& camera) {
  file.WriteByte(camera.kind);
  file.WriteByte(camera.format);
  Short(file, 0);
  for (float v : {camera.height, camera.heading, camera.third, camera.p}) file.WriteFloat(v);
  // The kind that decides the rest: the old form's bits, else the byte itself.
  int kind = camera.kind;
  if (camera.format == 0) kind = (camera.kind & 1) ? 1 : (camera.kind & 2) ? 2 : (camera.kind & 4) ? 3 : 0;
  if (kind == 0 && camera.format >= 1) file.WriteFloat(camera.r);
  if (kind == 3)
    for (float v : {camera.q, camera.r, camera.s}) file.WriteFloat(v);
  if (camera.format == 0 && (camera.kind & 4))
    for (int k = 0; k < 12; ++k) file.WriteByte(0);
}

void WriteCameraOcclusion(DataFile& file, const std::vector<uint16_t>& entries, int32_t countOverride) {
  file.WriteInt(countOverride != -1 ? countOverride : int32_t(entries.size()));
  for (uint16_t e : entries) Short(file, e);
  if (entries.size() % 2) Short(file, 0);
}

void WriteMarshalRecord(DataFile& file, int32_t model, float heading, float height) {
  file.WriteInt(model);
  file.WriteFloat(heading);
  file.WriteFloat(height);
}

void WriteSpectatorRecord(DataFile& file, const TrackSpectators& group) {
  file.WriteInt(group.wordA);
  file.WriteInt(group.wordB);
  for (float v : {group.heading, group.width, group.low, group.high, group.d, group.e}) file.WriteFloat(v);
}

void WriteTurbineRecord(DataFile& file, float height, float heading, int32_t model) {
  file.WriteFloat(height);
  file.WriteFloat(heading);
  file.WriteInt(model);
}

void WriteFlagRecord(DataFile& file, const TrackFlag& flag) {
  file.WriteInt(flag.flags);
  file.WriteFloat(flag.top);
  file.WriteFloat(flag.width);
  file.WriteFloat(flag.height);
  Short(file, flag.mapping);
  Short(file, 0);
}
