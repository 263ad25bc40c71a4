// track_seeds.cpp - writes the fuzz targets' seeds of the object stream ("objects_*.seed", pit
// areas, sections, road segments and the trackside objects among them) and
// the octree blocks ("octrees_*.seed"), mapping tables ("mappings_*.seed"), whole generated
// tracks ("tracks_*.seed") and the oval's computer-driver path files ("ai_path_*.seed") with
// our own test-track writer:
// track_seeds --out <folder> --seeds <folder>.
#include <string>
#include <vector>

#include "core/data_file.h"
#include "tools/gen_support/gen_support.h"
#include "tools/track_writer/track_files.h"
#include "tools/track_writer/track_writer.h"

namespace {

constexpr const char* TOOL = "track_seeds";

template <class Write>
int Seed(const std::string& folder, const char* name, std::vector<uint8_t> head, Write write) {
  return WriteGenSeed(TOOL, folder, name, std::move(head), MemoryWriteBody(write));
}

}  // namespace

int main(int argc, char** argv) {
  std::string seeds;
  if (const int code = StartGenTool(TOOL, argc, argv, {}, seeds)) return code;
  // Object streams: byte 0 the version (248 + byte % 6), byte 1 the count.
  int ok = 1;
  ok &= Seed(seeds, "objects_new_form.seed", {4, 3}, [](DataFile& f) {
    WriteNewObjectHeader(f, 4, 0x81, 2, 3, 4, 1 << 16, 2 << 16);
    TrackPlacedObject placed;
    placed.objectIndex = 2;
    placed.heading = 0.5f;
    WritePlacedObjectRecord(f, placed);
    WriteNewObjectHeader(f, 9, 0x05, 0, 0, 0, 0, 0);
    TrackSegment segment;
    segment.edges.resize(2);
    segment.edges[1].startVertex = segment.edges[1].endVertex = 1;
    segment.parts.resize(1);
    WriteSegmentRecord(f, 252, segment);
    WriteNewObjectHeader(f, 8, 0x00, 0, 0, 0, 5, 6);
    TrackSection section;
    section.vertices.resize(2);
    section.vertices[1].offset = 4 << 16;
    WriteSectionRecord(f, 0, section);
  });
  // The short road: two straight stretches between three sections, the last raised 3 m
  // (a ramp), and a linked section between the first two.  Byte 0 gives version 252 and
  // object revision 3.
  ok &= Seed(seeds, "objects_roads.seed", {22, 6}, [](DataFile& f) {
    for (int i = 0; i < 3; ++i) {
      TrackSection section;
      section.mapping = 1;
      for (int v = 0; v < 3; ++v) {
        TrackSectionVertex vertex;
        vertex.offset = (v - 1) * (4 << 16);
        vertex.height = i == 2 ? 3 << 16 : 0;
        vertex.endCode = uint8_t(v == 0 ? 1 : v == 1 ? 3 : 2);
        section.vertices.push_back(vertex);
      }
      WriteNewObjectHeader(f, 8, 0x00, 0, 0, 0, 0, i * (30 << 16));
      WriteSectionRecord(f, 3, section);
    }
    TrackSection linked;
    linked.flags = 5;
    linked.endCodes[0] = 1;
    linked.endCodes[1] = 2;
    linked.links[1] = 1;
    linked.vertices.resize(2);
    WriteNewObjectHeader(f, 8, 0x00, 0, 0, 0, 0, 0);
    WriteSectionRecord(f, 3, linked);
    for (int i = 0; i < 2; ++i) {
      TrackSegment segment;
      segment.startSection = i;
      segment.endSection = i + 1;
      for (int e = 0; e < 3; ++e) {
        TrackSegmentEdge edge;
        edge.kind = 0;
        edge.startVertex = edge.endVertex = uint8_t(e);
        segment.edges.push_back(edge);
      }
      TrackSegmentPart part;
      part.mapping = uint16_t(i + 1);
      segment.parts = {part, part};
      segment.parts[1].first = 1;
      segment.parts[1].second = 2;
      WriteNewObjectHeader(f, 9, 0x00, 0, 0, 0, 0, 0);
      WriteSegmentRecord(f, 252, segment);
    }
  });
  ok &= Seed(seeds, "objects_old_form.seed", {2, 2}, [](DataFile& f) {
    const uint8_t extra[4] = {7, 0, 0, 0};
    WriteOldObjectHeader(f, 6, 0x87, 0x0003, extra, 1, 2);
    f.WriteInt(65536);
    WriteOldObjectHeader(f, 9, 0x01, 0x0002, nullptr, 3, 4);
    TrackSegment segment;
    segment.edges.resize(2);
    segment.edges[1].startVertex = segment.edges[1].endVertex = 1;
    segment.parts.resize(1);
    segment.parts[0].equalPair = true;
    WriteSegmentRecord(f, 250, segment);
  });
  // Pit areas in both forms, each followed by a placed object's word.
  ok &= Seed(seeds, "objects_pits.seed", {4, 3}, [](DataFile& f) {
    TrackPit pit;
    WriteNewObjectHeader(f, 7, 0x00, 0, 0, 0, 1 << 16, 2 << 16);
    WritePitRecord(f, pit, false);
    pit.kind = 3;
    pit.speedLimit = 50;
    WriteNewObjectHeader(f, 7, 0x00, 0, 0, 0, 3 << 16, 4 << 16);
    WritePitRecord(f, pit, true);
    WriteNewObjectHeader(f, 4, 0x00, 0, 0, 0, 5, 6);
    WritePlacedObjectRecord(f, TrackPlacedObject{});
  });
  // Placed objects (with and without a model entry, a start light) and trees (a plain one,
  // one of spread 0 and a huge tip count, one facing its foliage row with random lengths).
  ok &= Seed(seeds, "objects_placed_and_trees.seed", {4, 6}, [](DataFile& f) {
    TrackPlacedObject placed;
    for (int16_t index : {int16_t(0), int16_t(1), int16_t(174)}) {
      placed.objectIndex = index;
      placed.variant = uint8_t(index);
      placed.height = 1.5f;
      WriteNewObjectHeader(f, 4, 0x00, 0, 0, 0, index << 16, 2 << 16);
      WritePlacedObjectRecord(f, placed);
    }
    TrackTree tree;
    WriteNewObjectHeader(f, 11, 0x00, 0, 0, 0, 10 << 16, 0);
    WriteTreeRecord(f, tree);
    tree.spread = 0;
    tree.tipCount = 1 << 20;
    WriteNewObjectHeader(f, 11, 0x00, 0, 0, 0, 20 << 16, 0);
    WriteTreeRecord(f, tree);
    tree.spread = 9;
    tree.tipCount = 13;
    tree.options = 3;
    tree.foliageRow = 40;
    WriteNewObjectHeader(f, 11, 0x00, 0, 0, 0, 30 << 16, 0);
    WriteTreeRecord(f, tree);
  });
  // Blocks: byte 0 the block (0 object, 1 lighting, 2 point octree).
  const int32_t centre[3] = {0, 0, 0};
  // The trackside objects of the test oval: cameras of both forms, a marshal, spectators, a
  // curved start grid, a turbine and a flag.
  ok &= Seed(seeds, "objects_trackside.seed", {4, 7}, [](DataFile& f) {
    TrackCamera zoom;
    zoom.kind = 3;
    WriteNewObjectHeader(f, 10, 0, 0, 0, 0, 40 << 16, 0);
    WriteCameraRecord(f, zoom);
    TrackCamera old;
    old.kind = 4;
    old.format = 0;
    WriteNewObjectHeader(f, 10, 0, 0, 0, 0, -(40 << 16), 0);
    WriteCameraRecord(f, old);
    WriteNewObjectHeader(f, 6, 0, 0, 0, 0, 36 << 16, 10 << 16);
    WriteMarshalRecord(f, 0, 1.5f, 0.0f);
    WriteNewObjectHeader(f, 13, 0, 0, 0, 0, 45 << 16, 0);
    WriteSpectatorRecord(f, TrackSpectators{});
    TrackStartGrid grid;
    grid.flags = 2 | 8;
    grid.rows = 6;
    grid.straightRows = 2;
    grid.endPoint[0] = 0;
    grid.endPoint[1] = -(60 << 16);
    grid.endHeading = 1.5707964f;
    WriteNewObjectHeader(f, 15, 0, 0, 0, 0, 30 << 16, -(10 << 16));
    WriteStartGridRecord(f, grid);
    WriteNewObjectHeader(f, 5, 0, 0, 0, 0, 0, 80 << 16);
    WriteTurbineRecord(f, 0.0f, 0.3f, 0);
    WriteNewObjectHeader(f, 14, 0, 0, 0, 0, 38 << 16, -(30 << 16));
    WriteFlagRecord(f, TrackFlag{});
  });
  ok &= Seed(seeds, "octrees_object.seed", {0}, [&](DataFile& f) {
    std::vector<int16_t> children(17, 0);
    children[0] = 1;
    children[1] = 9;
    WriteObjectOctreeBlock(f, centre, 2560 << 16, 20 << 16, children);
  });
  TrackLight light{{10, 20, 30, 40, 50, 60}, {1, 2, 3, 4, 5, 6}, {{1, 0.5f, 0.25f}}};
  for (int version : {1, 3, 4}) {
    TrackLightingBlock b;
    b.version = uint8_t(version);
    b.size = b.verticalSize = 128 << 16;
    b.nodes.push_back({1, 0, 0, 0, 0, 0, 0});
    for (int c = 0; c < 8; ++c) b.nodes.push_back({0, 0, 1, 0, 2, 0, 0});
    b.table = {1, 2};
    b.samples = {light, light, light, light};
    b.oldSampleCount = 4;
    const std::string name = "octrees_lighting_v" + std::to_string(version) + ".seed";
    ok &= Seed(seeds, name.c_str(), {1}, [&](DataFile& f) { WriteLightingOctreeBlock(f, b); });
  }
  TrackPointBlock points;
  points.size = points.verticalSize = 128 << 16;
  for (int k = 0; k < 4; ++k) {
    const int at = points.AddPosition(k << 16, -k << 16, k << 12, 0);
    const int all = points.AddAllDirection(0, true, light);
    const int8_t n[3] = {0, 0, 127};
    const uint8_t d[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    const int dir = points.AddDirectional(uint32_t(all), true, n, d);
    points.entries[size_t(at) * 16] = uint8_t(dir);
  }
  ok &= Seed(seeds, "octrees_point.seed", {2}, [&](DataFile& f) { WritePointOctreeBlock(f, points); });
  // Mapping tables in each table version: a planar record with a grid and a plain one.
  TrackMapping planar;
  planar.projection = 2;
  planar.name = "kerb";
  planar.textureName = "kerb_tex";
  planar.origin[2] = 65536;
  planar.angle[1] = 0.5f;
  planar.palette = {0x010000FFu, 0x00FFFFFFu};
  planar.columnEnds = {32768, 65536};
  planar.gridRows = 2;
  planar.cells = {0, 1, 255, 0};
  TrackMapping plain;
  plain.name = "grass";
  plain.surfaceType = 3;
  for (const int version : {4, 5, 6, 7, 16}) {
    const std::string name = "mappings_v" + std::to_string(version) + ".seed";
    ok &= Seed(seeds, name.c_str(), {}, [&](DataFile& f) { WriteMappingTable(f, version, {planar, plain}); });
  }
  // Whole tracks for the track file's target: byte 0 clear (the lighting inside), then the
  // world file's body without its header and without the zeros that pad it.
  for (int t = 0; t < GENERATED_TRACKS; ++t) {
    std::vector<uint8_t> world = BuildTrackImages(GeneratedTrack(t), false).world;
    while (world.size() > 8 && world.back() == 0) world.pop_back();
    const std::string name = std::string("tracks_") + GENERATED_TRACK_NAMES[t] + ".seed";
    ok &= WriteGenSeed(TOOL, seeds, name, {0}, world, 8);
  }
  // Computer drivers' path files for the oval: its own (a curve a node), an old version, curves
  // spanning several nodes with offsets and angles, and one naming a node past the path.
  const TrackAiPathFile oval = TestOvalAiPathFile();
  ok &= WriteGenSeed(TOOL, seeds, "ai_path_oval.seed", {}, AiPathFileImage(oval));
  TrackAiPathFile old = oval;
  old.version = 5;
  ok &= WriteGenSeed(TOOL, seeds, "ai_path_version5.seed", {}, AiPathFileImage(old));
  TrackAiPathFile spans = oval;
  spans.curves.clear();
  for (int start = 0; start < oval.nodeCount; start += 6) {
    TrackAiCurve c;
    c.startNode = start;
    c.endNode = (start + 6) % oval.nodeCount;
    c.endOffset = float(start % 5) * 0.5f - 1.0f;
    c.endAngle = float(start % 3) * 0.02f;
    c.startScale = int8_t(start % 7);
    spans.curves.push_back(c);
  }
  ok &= WriteGenSeed(TOOL, seeds, "ai_path_spans.seed", {}, AiPathFileImage(spans));
  TrackAiPathFile outside = spans;
  outside.curves[2].endNode = oval.nodeCount;
  ok &= WriteGenSeed(TOOL, seeds, "ai_path_outside.seed", {}, AiPathFileImage(outside));
  return ok ? 0 : 1;
}
