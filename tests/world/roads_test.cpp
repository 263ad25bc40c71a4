// roads_test.cpp - sections and road segments: their records read back from our writer, the
// linking and bounds of sections, their collision meshes and ray tests, the segments' frame,
// curves and levels, the analytic ray test against a brute-force test over the segment's own
// rings, and whole test tracks filed in the map squares.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "core/config.h"
#include "core/data_file.h"
#include "render/material.h"
#include "render/object_mesh.h"
#include "solid/solid.h"
#include "tests/world/road_fixture.h"
#include "tests/world/road_track.h"
#include "tests/world/world_test_util.h"
#include "text/text_colours.h"
#include "tools/track_writer/track_writer.h"
#include "world/map_squares.h"
#include "world/mapping.h"
#include "world/render_mesh_builder.h"
#include "world/section.h"
#include "world/segment.h"
#include "world/world.h"

using namespace road_fixture;

// ---- Records ----

TEST_F(Roads, SectionRecordsOfEveryRevisionReadBackFieldForField) {
  for (int revision = 0; revision <= 3; ++revision) {
    WorldObjectRevision = revision;
    TrackSection t = Profile(0.25f, {-2, 0, 2}, {0.5f, 1, 1.5f}, {1, 7, 2});
    t.flags = SECTION_LINKED | SECTION_EXTRA_FLOAT | SECTION_COLLIDABLE;
    t.spare = 9;
    t.earlyMapping = 1;
    t.mapping = 2;
    t.backing = 1;
    t.endCodes[0] = 3;
    t.endCodes[1] = 4;
    t.links[0] = 40000;  // above 32767: zero-extended at revision 0
    t.links[1] = 5;
    t.vertices[1].heightSlope = 0.125f;
    t.vertices[1].angle = -0.5f;
    TrackSectionTriangle tri;
    tri.corner[0] = 0, tri.corner[1] = 1, tri.corner[2] = 2;
    tri.link[2] = 6;
    t.triangles.push_back(tri);
    WSection* s = static_cast<WSection*>(
        Read(OBJECT_SECTION, 3 * M, 4 * M, 0, [&](DataFile& f) { WriteSectionRecord(f, revision, t); }));
    ASSERT_NE(s, nullptr);
    SCOPED_TRACE(revision);
    EXPECT_EQ(s->ownFlags, t.flags);
    EXPECT_EQ(s->spare, 9);
    EXPECT_EQ(s->primaryMapping, revision < 3 ? 1 : 2);
    EXPECT_EQ(s->backingMapping, revision < 3 ? 0 : 1);
    EXPECT_EQ(s->heading, 0.25f);
    EXPECT_EQ(s->endCodes[0], 3);
    EXPECT_EQ(s->endCodes[1], 4);
    EXPECT_EQ(s->links[0], 40000);
    EXPECT_EQ(s->links[1], 5);
    ASSERT_EQ(s->vertexCount, 3);
    EXPECT_EQ(s->vertices[2].offset, 2 * M);
    EXPECT_EQ(s->vertices[2].height, 3 * M / 2);
    EXPECT_EQ(s->vertices[1].heightSlope, 0.125f);
    EXPECT_EQ(s->vertices[1].angle, -0.5f);
    EXPECT_EQ(s->vertices[1].endCode, 7);
    ASSERT_EQ(s->triangleCount, 1);
    EXPECT_EQ(s->triangles[0].corner[2], 2);
    EXPECT_EQ(s->triangles[0].link[2], revision < 2 ? -1 : 6);
    EXPECT_EQ(s->triangles[0].link[0], -1);
    DeleteWorldObject(s);
  }
  // From revision 3 the early word names no mapping: without triangles there is none.
  for (int revision : {2, 3}) {
    WorldObjectRevision = revision;
    TrackSection bare = Profile(0, {-2, 2}, {0, 0});
    bare.earlyMapping = 1;
    WSection* s = static_cast<WSection*>(
        Read(OBJECT_SECTION, 0, 0, 0, [&](DataFile& f) { WriteSectionRecord(f, revision, bare); }));
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->primaryMapping, revision < 3 ? 1 : 0) << revision;
    DeleteWorldObject(s);
  }
}

TEST_F(Roads, SegmentRecordsOfBothFormsReadBackFieldForField) {
  for (int version : {250, 251, 252}) {  // the last of the old form, the first two of the new
    SCOPED_TRACE(version);
    TrackSegment t = Road(3, 4, 3, 0);
    t.flags = 3;
    t.objectIndex = 12;
    t.spacing = -2;
    t.aimEdge = 1, t.repeaterFlags = 0x25, t.pathEdge = 2;
    t.variant = 5, t.secondVariant = 6;
    t.startSide = 0, t.endSide = 1;
    t.spare[0] = 7, t.spare[1] = 8;
    t.edges[1].flags = 1;
    t.edges[2].startVertex = 2, t.edges[2].endVertex = 1;
    t.edges[2].startSlope = 0.5f, t.edges[2].startAngle = 0.25f, t.edges[2].endSlope = -1, t.edges[2].endAngle = 2;
    t.parts[1].first = 2, t.parts[1].second = 2, t.parts[1].equalPair = true;
    t.parts[0].mapping = 1, t.parts[0].widthFit = 1, t.parts[0].startRow = 300;
    t.stepLength = 2.5f, t.textureScale = 0.75f;
    WSegment* s = static_cast<WSegment*>(
        Read(OBJECT_SEGMENT, 0, 0, 0, [&](DataFile& f) { WriteSegmentRecord(f, version, t); }, version));
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->segmentFlags, 3);
    EXPECT_EQ(s->objectIndex, 12);
    EXPECT_EQ(s->spacing, -2);
    EXPECT_EQ(s->aimEdge, 1);
    EXPECT_EQ(s->repeaterFlags, 0x25);
    EXPECT_EQ(s->pathEdge, 2);
    EXPECT_EQ(s->variant, 5);
    EXPECT_EQ(s->secondVariant, 6);
    EXPECT_EQ(s->startSide, 0);
    EXPECT_EQ(s->endSide, 1);
    EXPECT_EQ(s->startSection, 3);
    EXPECT_EQ(s->endSection, 4);
    EXPECT_EQ(s->spareBytes[0], 7);
    EXPECT_EQ(s->spareBytes[1], 8);
    ASSERT_EQ(s->edgeCount, 3);
    EXPECT_EQ(s->edges[1].flags, 1);
    EXPECT_EQ(s->edges[2].startVertex, 2);
    EXPECT_EQ(s->edges[2].endVertex, 1);
    EXPECT_EQ(s->edges[2].startSlope, 0.5f);
    EXPECT_EQ(s->edges[2].startAngle, 0.25f);
    EXPECT_EQ(s->edges[2].endSlope, -1.0f);
    EXPECT_EQ(s->edges[2].endAngle, 2.0f);
    ASSERT_EQ(s->partCount, 2);
    EXPECT_EQ(s->parts[0].mappingIndex, 1);
    EXPECT_EQ(s->parts[0].widthFit, 1);
    EXPECT_EQ(s->parts[0].startRow, 300);
    EXPECT_EQ(s->parts[1].first, 2);
    EXPECT_EQ(s->parts[1].second, 2);
    EXPECT_EQ(s->stepLength, 2.5f);
    EXPECT_EQ(s->textureScale, 0.75f);
    DeleteWorldObject(s);
  }
  // Object index 0: no repeater bytes, and nothing of the repeaters is kept.
  TrackSegment plain = Road(0, 1, 2, 2);
  plain.variant = 3;
  WSegment* s = static_cast<WSegment*>(
      Read(OBJECT_SEGMENT, 0, 0, 0, [&](DataFile& f) { WriteSegmentRecord(f, VERSION, plain); }));
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->objectIndex, -1);
  EXPECT_EQ(s->variant, 0);
  EXPECT_EQ(s->HasGeometry(), 1);
  DeleteWorldObject(s);
}

TEST_F(Roads, MappingFlagsMoveTheSegmentFlags) {
  W().mappings[1].flags = 0x10;
  W().mappings[2].flags = 0x20;
  for (int mapping = 0; mapping < 3; ++mapping) {
    TrackSegment t = Road(0, 1, 2, 2);
    t.flags = 0x21;
    t.parts[0].mapping = uint16_t(mapping);
    WSegment* s = static_cast<WSegment*>(
        Read(OBJECT_SEGMENT, 0, 0, 0, [&](DataFile& f) { WriteSegmentRecord(f, VERSION, t); }));
    EXPECT_EQ(s->segmentFlags & 0x20, mapping == 0 ? 0x20 : 0);
    EXPECT_EQ(s->segmentFlags & 0x200, mapping == 1 ? 0x200 : 0);
    s->alphaKind = 0;
    EXPECT_EQ(s->GetBuildList(), mapping == 1 ? 0 : 1);
    s->alphaKind = 1;
    EXPECT_EQ(s->GetBuildList(), mapping == 1 ? 0 : 2);
    s->alphaKind = 2;
    EXPECT_EQ(s->GetBuildList(), 3);
    s->alphaKind = 3;
    EXPECT_EQ(s->GetBuildList(), -1) << "no kind of its own: no list";
    DeleteWorldObject(s);
  }
}

TEST_F(Roads, GoldenBytesOfOneRecordEach) {
  TrackSection t = Profile(0, {-1}, {0}, {1});
  t.vertices[0].heightSlope = 0.5f;
  t.endCodes[1] = 2;
  const std::vector<uint8_t> section = WrittenBytes([&](DataFile& f) { WriteSectionRecord(f, 3, t); });
  const std::vector<uint8_t> sectionGolden = {4, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF,
                                              0, 0, 0, 0x3F, 0, 0, 0, 0, 1, 0, 0, 0};
  EXPECT_EQ(section, sectionGolden);
  const TrackSegment r = Road(0, 1, 1, 2);
  const std::vector<uint8_t> segment = WrittenBytes([&](DataFile& f) { WriteSegmentRecord(f, VERSION, r); });
  std::vector<uint8_t> segmentGolden = {1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 2, 1, 0, 2, 0, 0, 0};
  segmentGolden.resize(segmentGolden.size() + 16, 0);
  for (uint8_t b : {0, 0, 0xA0, 0x40, 0, 0, 0x80, 0x3F}) segmentGolden.push_back(b);
  EXPECT_EQ(segment, segmentGolden);
}

// ---- Sections ----

TEST_F(Roads, ASectionWithoutTrianglesIsAPointOrItsSizeBox) {
  WSection* s = AddSection(Profile(0, {-1, 1}, {0.5f, 2}), 10 * M, 20 * M, 100);
  s->primaryMapping = 2;
  s->Setup();
  EXPECT_EQ(s->radius, 0);
  EXPECT_FALSE(s->IsVisible(false));
  EXPECT_EQ(s->IsCollidable(), 0);
  EXPECT_EQ(s->HasGeometry(), 0);
  EXPECT_EQ(s->centre.x, 10 * M);
  EXPECT_EQ(s->centre.y, 20 * M);
  EXPECT_EQ(s->centre.z, 0);
  EXPECT_EQ(s->box[0], 10 * M - 65500);
  EXPECT_EQ(s->box[1], 20 * M - 65500);
  EXPECT_EQ(s->box[3], 10 * M + 65500);
  EXPECT_EQ(s->box[4], 20 * M + 65500);
  EXPECT_EQ(s->box[2], M / 2);
  EXPECT_EQ(s->box[5], 2 * M);
  EXPECT_EQ(s->primaryMapping, 0);
  s->sizeByte = 0;
  s->Setup();
  EXPECT_EQ(s->box[0], 10 * M);
  EXPECT_EQ(s->box[3], 10 * M);
  EXPECT_EQ(s->box[1], 20 * M);
  EXPECT_EQ(s->box[4], 20 * M);
  EXPECT_EQ(s->box[2], 0);
  EXPECT_EQ(s->box[5], 0);
}

// A vertex of end code 1 (the left end) is moved out to the section's leftmost offset and one
// of end code 2 (the right end) to its rightmost; the others stay: offsets -2, 3, -1 and 5 m
// with codes 0, 1, 2 and 0 become -2, -2, 5 and 5 m.
TEST_F(Roads, EndVerticesStandAtTheSectionsOuterOffsets) {
  WSection* s = AddSection(Profile(0, {-2, 3, -1, 5}, {0, 0, 0, 0}, {0, 1, 2, 0}), 0, 0);
  s->Setup();
  EXPECT_EQ(s->vertices[0].offset, -2 * M);
  EXPECT_EQ(s->vertices[1].offset, -2 * M);
  EXPECT_EQ(s->vertices[2].offset, 5 * M);
  EXPECT_EQ(s->vertices[3].offset, 5 * M);
}

TEST_F(Roads, LinkedSectionsTakeTheirEndsFromTheirNeighbours) {
  WSection* left = AddSection(Profile(0, {-3, 1}, {0.25f, 0.5f}, {0, 5}), 0, 0);
  WSection* right = AddSection(Profile(0, {2, 4}, {1, 2}, {6, 6}), 0, 10 * M);
  TrackSection linked = Profile(0, {0, 0, 0}, {0, 0, 0});
  linked.flags = SECTION_LINKED | SECTION_COLLIDABLE;
  linked.endCodes[0] = 5, linked.endCodes[1] = 6;
  linked.links[0] = 0, linked.links[1] = 1;
  WSection* s = AddSection(linked, 0, 0);
  left->Setup();
  right->Setup();
  s->Setup();
  // Left end at (1, 0); right end at (4, 10), the last match.
  EXPECT_EQ(s->position[0], (M + 4 * M) >> 1);
  EXPECT_EQ(s->position[1], 5 * M);
  EXPECT_NEAR(s->heading, std::atan2(10.0, 3.0), 1e-6);
  const int32_t half = int32_t(std::lround(std::sqrt(109.0) * M)) >> 1;
  EXPECT_EQ(s->vertices[0].offset, -half);
  EXPECT_EQ(s->vertices[1].offset, half);
  EXPECT_EQ(s->vertices[0].height, M / 2);
  EXPECT_EQ(s->vertices[2].height, 2 * M);
  // Matching vertices counted left, then right.
  EXPECT_EQ(s->GetVertexWorldPos(0).x, M);
  EXPECT_EQ(s->GetVertexWorldPos(1).x, 2 * M);
  EXPECT_EQ(s->GetVertexWorldPos(2).x, 4 * M);
  EXPECT_EQ(s->GetVertexWorldPos(2).z, 2 * M);
  // A left neighbour without the code: its position is the end, heading and length still set.
  CfgDebugLevel = 1;
  CaughtLines lines;
  s->endCodes[0] = 9;
  left->position[0] = -2 * M;
  s->Setup();
  EXPECT_EQ(lines.Count("ERROR: A linked section could not find its left end"), 1);
  EXPECT_EQ(s->position[0], (-2 * M + 4 * M) >> 1);
  EXPECT_NEAR(s->heading, std::atan2(10.0, 6.0), 1e-6);
  // A link past the table or to another type: a missing end, said, never a crash.
  s->links[1] = 99;
  s->Setup();
  EXPECT_EQ(lines.Count("OOB section"), 1);
  EXPECT_EQ(s->GetVertexWorldPos(0).x, 0);
  EXPECT_EQ(s->GetVertexWorldPos(7).x, 0);
  EXPECT_GE(lines.Count("OOB vertex"), 1);
}

// A link equal to the object count is the first slot past the table: it is out of bounds,
// said as such, and the end it names is missing (taken at the origin).
TEST_F(Roads, ALinkEqualToTheObjectCountIsOutOfBounds) {
  AddSection(Profile(0, {-3, 1}, {0.25f, 0.5f}, {0, 5}), 0, 0);
  AddSection(Profile(0, {2, 4}, {1, 2}, {6, 6}), 0, 10 * M);
  TrackSection linked = Profile(0, {0, 0, 0}, {0, 0, 0});
  linked.flags = SECTION_LINKED | SECTION_COLLIDABLE;
  linked.endCodes[0] = 5, linked.endCodes[1] = 6;
  linked.links[0] = 0, linked.links[1] = 3;
  WSection* s = AddSection(linked, 0, 0);
  ASSERT_EQ(W().objectCount, 3);
  CfgDebugLevel = 1;
  CaughtLines lines;
  s->Setup();
  EXPECT_EQ(lines.Count("LinkEnds: Requesting position of vertex from OOB section"), 1);
  EXPECT_EQ(lines.Count("wrong type of object"), 0);
  EXPECT_EQ(lines.Count("ERROR: A linked section could not find its right end"), 1);
  // Left end at (1 m, 0), the missing right end at the origin: the middle is at x 0.5 m.
  EXPECT_EQ(s->position[0], M / 2);
  EXPECT_EQ(s->position[1], 0);
}

// A world's set-up of its objects sets up its own linked sections only: setting up a second,
// empty world afterwards leaves the first world's linked section where its set-up put it.
TEST_F(Roads, SettingUpAnotherWorldLeavesThisWorldsLinkedSectionsAlone) {
  WSection* left = AddSection(Profile(0, {-3, 1}, {0.25f, 0.5f}, {0, 5}), 0, 0);
  AddSection(Profile(0, {2, 4}, {1, 2}, {6, 6}), 0, 10 * M);
  TrackSection linked = Profile(0, {0, 0, 0}, {0, 0, 0});
  linked.flags = SECTION_LINKED | SECTION_COLLIDABLE;
  linked.endCodes[0] = 5, linked.endCodes[1] = 6;
  linked.links[0] = 0, linked.links[1] = 1;
  WSection* s = AddSection(linked, 0, 0);
  W().SetupObjects(0);
  EXPECT_EQ(s->position[0], (M + 4 * M) >> 1) << "left end at x 1 m, right end at 4 m";
  left->position[0] = -2 * M;
  Wld other;
  other.SetupObjects(0);
  EXPECT_EQ(s->position[0], (M + 4 * M) >> 1);
  W().SetupObjects(0);
  EXPECT_EQ(s->position[0], (-M + 4 * M) >> 1) << "its own world's set-up moves it: the left end to -1 m";
}

// Gives section `s` a joining triangle to section `b`: two of its own vertices and one of the
// other section, facing up; `s` then holds `triangleCount` triangles, and both are set up.
static void JoinAndSetUp(WSection* s, WSection* b, int triangleCount) {
  SectionTriangle join;
  join.corner[0] = 0, join.corner[1] = 1, join.corner[2] = 1;
  join.link[2] = 1;
  s->triangles.push_back(join);
  s->triangleCount = triangleCount;
  b->Setup();
  s->Setup();
}

TEST_F(Roads, TrianglesAreReversedByWindingAndCollideWhenJoining) {
  // Own triangles: 0,1,2 counter-clockwise in (offset, height); 0,2,1 clockwise.
  TrackSection a = Profile(0, {-1, 1, 0}, {0, 0, 1});
  a.mapping = 2;
  TrackSectionTriangle ccw, cw;
  ccw.corner[0] = 0, ccw.corner[1] = 1, ccw.corner[2] = 2;
  cw.corner[0] = 0, cw.corner[1] = 2, cw.corner[2] = 1;
  a.triangles = {ccw, cw};
  WSection* s = AddSection(a, 0, 0);
  WSection* b = AddSection(Profile(0, {-1, 1}, {0, 0}), 0, 5 * M);
  JoinAndSetUp(s, b, 3);
  EXPECT_EQ(s->triangles[0].flags & TRIANGLE_REVERSED, 0);
  EXPECT_EQ(s->triangles[1].flags & TRIANGLE_REVERSED, TRIANGLE_REVERSED);
  EXPECT_EQ(s->triangles[2].flags & TRIANGLE_REVERSED, 0);
  EXPECT_EQ(s->box[4], 5 * M);
  s->AddPhysics();
  ASSERT_NE(s->mesh, nullptr);
  EXPECT_EQ(s->mesh->pointCount, 4);  // three own vertices and the other section's one
  EXPECT_EQ(s->mesh->triangleCount, 3);
  EXPECT_EQ(s->mesh->physics[1], 1);  // dusty by the mapping's flag
  EXPECT_EQ(s->ownFlags & SECTION_FLAG_GROUND, SECTION_FLAG_GROUND);
  // A downward probe over the joining triangle: result 0, the record filled.
  ContactProbe hit = Fresh();
  const IntVector origin = {M / 2, M, -M}, ray = {0, 0, -4 * M};
  EXPECT_EQ(s->RayTest(origin, ray, hit, nullptr, nullptr, nullptr, 1), 0);
  EXPECT_EQ(hit.candidateStrength, M / 4);
  EXPECT_EQ(hit.candidatePoint.z, 0);
  EXPECT_EQ(hit.candidateSurface, reinterpret_cast<uintptr_t>(&W().mappings[2]));
  EXPECT_NEAR(hit.candidateNormal.z, 1.0f, 1e-4f);
  // Set-up clears the ground bit and releases the mesh.
  s->Setup();
  EXPECT_EQ(s->mesh, nullptr);
  EXPECT_EQ(s->ownFlags & SECTION_FLAG_GROUND, 0);
}

// A section's bump: the world's bump table's cell under the hit, (x >> (scale - 8)) & 255 across
// and (y >> (scale - 8)) & 255 down, times the amplitude, for a mapping of mode 0; nothing for
// modes 1 and 2, the ridges a section has not.  A vertical ray at (33536, 66816) units meets
// the joining triangle; at scale 16 that is column 131 and row 5.  A word other than the
// caller's becomes the caller's at full weight, and with debug messages on a mapping of mode 1
// or 2 is said to be invalid for sections.
TEST_F(Roads, ASectionsBumpIsTheTablesCellUnderTheHitForModeZeroOnly) {
  TrackSection a = Profile(0, {-1, 1, 0}, {0, 0, 1});
  a.mapping = 2;
  TrackSectionTriangle own;
  own.corner[0] = 0, own.corner[1] = 1, own.corner[2] = 2;
  a.triangles = {own};
  WSection* s = AddSection(a, 0, 0);
  WSection* b = AddSection(Profile(0, {-1, 1}, {0, 0}), 0, 5 * M);
  JoinAndSetUp(s, b, 2);
  s->AddPhysics();
  ASSERT_NE(s->mesh, nullptr);
  W().bumps[5][131] = 7;
  MappingRecord& m = W().mappings[2];
  const IntVector origin = {33536, 66816, -M}, ray = {0, 0, -4 * M};
  CfgDebugLevel = 1;
  CaughtLines lines;
  for (int mode = 0; mode <= 2; ++mode) {
    SCOPED_TRACE(mode);
    m.surfaceWord[0] = uint8_t(mode), m.surfaceWord[1] = 3, m.surfaceWord[2] = 16;
    const uint32_t word = MappingSurfaceWord(m);
    uint32_t surface = word;
    int32_t blend = 0, bump = 0;
    ContactProbe hit = Fresh();
    EXPECT_EQ(s->RayTest(origin, ray, hit, &surface, &blend, &bump, 1), 0);
    EXPECT_EQ(hit.candidatePoint.x, origin.x);
    EXPECT_EQ(bump, mode == 0 ? 21 : 0);
    surface = word ^ 0x100;
    bump = 0;
    hit = Fresh();
    s->RayTest(origin, ray, hit, &surface, &blend, &bump, 1);
    EXPECT_EQ(surface, word);
    EXPECT_EQ(blend, 65536);
    EXPECT_EQ(lines.Count("is invalid for sections"), mode);
  }
}

TEST_F(Roads, BadSectionRecordsDropWhatTheyCannotHold) {
  CfgDebugLevel = 1;
  CaughtLines lines;
  TrackSection a = Profile(0, {-1, 1, 0}, {0, 0, 1});
  TrackSectionTriangle bad, past, firstPast;
  bad.corner[0] = 0, bad.corner[1] = 1, bad.corner[2] = 64;
  past.corner[0] = 0, past.corner[1] = 1, past.corner[2] = 3;
  firstPast.corner[0] = 3, firstPast.corner[1] = 0, firstPast.corner[2] = 1;  // the first corner is checked too
  TrackSectionTriangle good;
  good.corner[0] = 0, good.corner[1] = 1, good.corner[2] = 2;
  a.triangles = {bad, good, past, firstPast};
  // The first record past a table of two (a third is there, out of the count's reach).
  W().mappingCount = 2;
  a.mapping = 2;
  WSection* s = AddSection(a, 0, 0);
  EXPECT_EQ(s->triangleCount, 1);
  EXPECT_EQ(lines.Count("triangle names a vertex"), 3);
  s->Setup();
  s->AddPhysics();
  EXPECT_EQ(s->mesh, nullptr);
  EXPECT_EQ(lines.Count("A section names a mapping past the table: it is not collidable"), 1);
  ContactProbe hit = Fresh();
  EXPECT_EQ(s->RayTest({0, 0, 0}, {0, 0, -M}, hit, nullptr, nullptr, nullptr, 1), 0);
  EXPECT_EQ(hit.candidateStrength, 0);
}

// ---- Segments: geometry ----

namespace {
// A straight road of width 2 x half (m) and length (m) along +y, edges at the vertices.
struct Straight {
  WSection* a;
  WSection* b;
  WSegment* s;
};
}  // namespace

TEST_F(Roads, EdgeCurvesPassThroughTheirVerticesAndLevelsFollowTheLength) {
  for (float length : {12.0f, 40.0f}) {
    SCOPED_TRACE(length);
    W().FreeObjects();
    WSection* a = AddSection(Profile(0, {-4, 0, 4}, {0, 0.5f, 0}), 0, 0);
    WSection* b = AddSection(Profile(0.2f, {-4, 0, 4}, {1, 1.5f, 1}), 3 * M, int32_t(length * M));
    TrackSegment t = Road(0, 1, 3, 0);
    t.edges[1].startSlope = 0.1f;
    WSegment* s = AddSegment(t);
    a->Setup();
    b->Setup();
    s->Setup();
    ASSERT_TRUE(s->valid);
    for (int e = 0; e < 3; ++e) {
      const IntVector p0 = s->EdgePoint(e, 0), q0 = a->GetVertexWorldPos(e);
      const IntVector p1 = s->EdgePoint(e, 1), q1 = b->GetVertexWorldPos(e);
      EXPECT_NEAR(p0.x, q0.x, 66);
      EXPECT_NEAR(p0.y, q0.y, 66);
      EXPECT_NEAR(p0.z, q0.z, 66);
      EXPECT_NEAR(p1.x, q1.x, 66);
      EXPECT_NEAR(p1.y, q1.y, 66);
      EXPECT_NEAR(p1.z, q1.z, 66);
    }
    // The height slope of the middle edge at the start: b1 = chord length x slope.
    EXPECT_GT(s->edges[1].height[2], 0.0f);
    if (length == 12.0f) {
      EXPECT_EQ(s->levelCount, 1);
      EXPECT_EQ(s->levels[0].segments, 2);
      EXPECT_EQ(s->levels[0].distance, SEGMENT_FAR_DISTANCE);
    } else {
      ASSERT_EQ(s->levelCount, 3);
      EXPECT_EQ(s->levels[0].segments, 8);
      EXPECT_EQ(s->levels[1].segments, 4);
      EXPECT_EQ(s->levels[2].segments, 2);
      EXPECT_EQ(s->levels[0].distance, SEGMENT_NEAR_DISTANCE);
      EXPECT_EQ(s->levels[1].distance, SEGMENT_MIDDLE_DISTANCE);
      EXPECT_EQ(s->levels[2].distance, SEGMENT_FAR_DISTANCE);
      EXPECT_EQ(s->levels[0].outline, 1);
    }
    // The bounds hold every ring point of the finest level.
    for (int e = 0; e < 3; ++e)
      for (int i = 0; i <= s->levels[0].segments; ++i) {
        const IntVector p = s->EdgePoint(e, double(i) / s->levels[0].segments);
        EXPECT_GE(p.x, s->box[0] - 1);
        EXPECT_LE(p.x, s->box[3] + 1);
        EXPECT_GE(p.y, s->box[1] - 1);
        EXPECT_LE(p.y, s->box[4] + 1);
        EXPECT_GE(p.z, s->box[2] - 1);
        EXPECT_LE(p.z, s->box[5] + 1);
      }
  }
}

// A road of no width running straight along y: every point it sweeps has one x, and its box
// is that line's, 40 m long and 1 m high.
TEST_F(Roads, ARoadOfNoWidthHasTheBoxOfItsLine) {
  WSection* a = AddSection(Profile(0, {0, 0}, {0, 1}), 5 * M, 0);
  WSection* b = AddSection(Profile(0, {0, 0}, {0, 1}), 5 * M, 40 * M);
  WSegment* s = AddSegment(Road(0, 1, 2, 0));
  a->Setup();
  b->Setup();
  s->Setup();
  ASSERT_TRUE(s->valid);
  EXPECT_EQ(s->box[0], 5 * M);
  EXPECT_EQ(s->box[3], 5 * M);
  EXPECT_NEAR(s->box[1], 0, 66);
  EXPECT_NEAR(s->box[4], 40 * M, 66);
  EXPECT_NEAR(s->box[2], 0, 66);
  EXPECT_NEAR(s->box[5], M, 66);
  // Moved to a place, it reports that place.
  s->SetPosition({7 * M, -3 * M, 0}, 0.0f);
  IntVector at;
  float heading;
  s->GetPosition(at, heading);
  EXPECT_EQ(at.x, 7 * M);
  EXPECT_EQ(at.y, -3 * M);
}

// A segment faces along its line from its start section to its end one, a heading of 0 facing
// +y and turning anticlockwise: from (5 m, 0) to (35 m, 40 m) it faces atan2(-30, 40).  A
// section moved gives back its place with z 0 and the heading it was given, and lets go of
// its built mesh's list.
TEST_F(Roads, ASegmentFacesAlongItsLineAndAMovedSectionGivesBackItsPlace) {
  WSection* a = AddSection(Profile(0, {0, 0}, {0, 1}), 5 * M, 0);
  WSection* b = AddSection(Profile(0, {0, 0}, {0, 1}), 35 * M, 40 * M);
  WSegment* s = AddSegment(Road(0, 1, 2, 0));
  a->Setup();
  b->Setup();
  s->Setup();
  ASSERT_TRUE(s->valid);
  IntVector at = {-1, -1, -1};
  float heading = 1;
  s->GetPosition(at, heading);
  EXPECT_FLOAT_EQ(heading, std::atan2(-30.0f, 40.0f));
  EXPECT_EQ(at.z, 0);

  a->meshList = 3;
  a->SetPosition({7 * M, -3 * M, 2 * M}, 0.25f);
  EXPECT_EQ(a->position[0], 7 * M);
  EXPECT_EQ(a->position[1], -3 * M);
  EXPECT_EQ(a->meshList, 65535);
  a->GetPosition(at, heading);
  EXPECT_EQ(at.x, 7 * M);
  EXPECT_EQ(at.y, -3 * M);
  EXPECT_EQ(at.z, 0);
  EXPECT_EQ(heading, 0.25f);
}

TEST_F(Roads, ACurvedEdgeLeavesAndMeetsItsSectionsAtTheirHeightSlopes) {
  // The height along a curved edge rises at each end by the chord length times that end's
  // slope: the vertex's own (as it stands here: the start side byte 1, the end side byte 0)
  // plus the edge's own.  Middle edge: 0.2 + 0.05 = 0.25 at the start, 0.3 - 0.1 = 0.2 at the end.
  TrackSection start = Profile(0, {-4, 0, 4}, {0, 0.5f, 0}), end = Profile(0.2f, {-4, 0, 4}, {1, 1.5f, 1});
  start.vertices[1].heightSlope = 0.2f;
  end.vertices[1].heightSlope = 0.3f;
  WSection* first = AddSection(start, 0, 0);
  WSection* last = AddSection(end, 3 * M, 12 * M);
  TrackSegment t = Road(0, 1, 3, 0);
  t.edges[1].startSlope = 0.05f;
  t.edges[1].endSlope = -0.1f;
  WSegment* s = AddSegment(t);
  first->Setup();
  last->Setup();
  s->Setup();
  ASSERT_TRUE(s->valid);
  ASSERT_NE(s->edges[1].kind, EDGE_STRAIGHT);
  const IntVector a = s->EdgePoint(1, 0), b = s->EdgePoint(1, 1);
  const double chord = std::hypot(double(b.x) - a.x, double(b.y) - a.y) / M;  // metres
  const double dt = 1e-3;
  const double startRise = (s->EdgePoint(1, dt).z - a.z) / double(M) / dt;
  const double endRise = (b.z - s->EdgePoint(1, 1 - dt).z) / double(M) / dt;
  EXPECT_NEAR(startRise, chord * 0.25, 0.03 * chord * 0.25);
  EXPECT_NEAR(endRise, chord * 0.2, 0.03 * chord * 0.2);
}

TEST_F(Roads, OuterSidesGetTheirMarginsAndAnglesAreHeld) {
  // Both outer edges straight (end codes): exact widths; the road runs along +y.
  WSection* a = AddSection(Profile(0, {-4, 4}, {0, 0}, {1, 2}), 0, 0);
  WSection* b = AddSection(Profile(0, {-4, 4}, {0, 0}, {1, 2}), 0, 20 * M);
  WSegment* s = AddSegment(Road(0, 1, 2, 2));
  a->Setup(), b->Setup(), s->Setup();
  EXPECT_EQ(s->edges[0].kind, EDGE_STRAIGHT);
  EXPECT_EQ(s->frame.a0[0], 8 * M);
  EXPECT_EQ(s->frame.meanLength, 20 * M);
  EXPECT_EQ(s->IsCollidable(), 1);
  // Without end codes neither outer edge is straight: a metre more on each side.
  a->vertices[0].endCode = a->vertices[1].endCode = 0;
  s->edges[0].kind = s->edges[1].kind = 0;
  s->Setup();
  EXPECT_EQ(s->frame.a0[0], 10 * M);
  // Every edge at the same offset at the start, straight both sides: 2 m there.
  a->vertices[0].endCode = 1, a->vertices[1].endCode = 2;
  a->vertices[0].offset = a->vertices[1].offset = 0;
  s->edges[0].kind = s->edges[1].kind = EDGE_STRAIGHT;
  s->Setup();
  EXPECT_EQ(s->frame.a0[0], 2 * M);
  // Angles adding up to 2 rad are held at the limit: the same curve as the limit itself.
  a->vertices[0] = {0, -4 * M, 0, 1.5f, 0, {}};
  a->vertices[1] = {0, 4 * M, 0, 0, 0, {}};
  s->edges[0].kind = s->edges[1].kind = 0;
  s->edges[0].startAngle = 0.5f;
  s->Setup();
  const float held = s->edges[0].lateral[2];
  s->edges[0].startAngle = 0;
  a->vertices[0].angle = SEGMENT_ANGLE_LIMIT;
  s->Setup();
  EXPECT_EQ(s->edges[0].lateral[2], held);
  // IsNear: just behind the start line within range; beside the road by more than range not.
  EXPECT_EQ(s->IsNear(0, -M / 2, 1.0f), 1);
  EXPECT_EQ(s->IsNear(0, -3 * M, 1.0f), 0);
  EXPECT_EQ(s->IsNear(20 * M, 10 * M, 5.0f), 0);
  EXPECT_EQ(s->IsNear(5 * M, 10 * M, 1.0f), 1);
  EXPECT_EQ(s->IsNear(0, 23 * M, 2.0f), 0);
}

TEST_F(Roads, ARoadAlongXHasItsDirectionAlongXAndIsNearOnlyBetweenItsSides) {
  // The same 8 m road turned a quarter: from (0, 0) to (20 m, 0).
  WSection* a = AddSection(Profile(-1.5707964f, {-4, 4}, {0, 0}, {1, 2}), 0, 0);
  WSection* b = AddSection(Profile(-1.5707964f, {-4, 4}, {0, 0}, {1, 2}), 20 * M, 0);
  WSegment* s = AddSegment(Road(0, 1, 2, 2));
  a->Setup(), b->Setup(), s->Setup();
  EXPECT_EQ(s->frame.u[0], M);
  EXPECT_EQ(s->frame.u[1], 0);
  EXPECT_EQ(s->IsNear(10 * M, 0, 1.0f), 1);
  EXPECT_EQ(s->IsNear(10 * M, 3 * M, 1.0f), 1);
  EXPECT_EQ(s->IsNear(10 * M, 20 * M, 1.0f), 0) << "20 m beside the road";
  EXPECT_EQ(s->IsNear(10 * M, -20 * M, 1.0f), 0);
  ASSERT_FALSE(s->edges.empty());
  s->Free();
  EXPECT_TRUE(s->edges.empty()) << "freed with the segment's geometry";
  EXPECT_TRUE(s->parts.empty());
}

TEST_F(Roads, LevelsChangeAtTheirExactStepCountsAndTheStepsAreCapped) {
  // A straight road 20 m long between sections 8 m wide (both outer edges straight: its mean
  // length is exactly 20 m), cut into 20 m / step steps, rounded halves to even.  Above 2 steps
  // the finest level is the near one; a middle level of n/2 steps only when n/2 is above 2;
  // the far level n/4 steps, at least 1.
  WSection* a = AddSection(Profile(0, {-4, 4}, {0, 0}, {1, 2}), 0, 0);
  WSection* b = AddSection(Profile(0, {-4, 4}, {0, 0}, {1, 2}), 0, 20 * M);
  WSegment* s = AddSegment(Road(0, 1, 2, EDGE_STRAIGHT));
  a->Setup(), b->Setup();
  struct Case {
    float step;
    int levels;
    int segments[3];
  };
  const Case cases[] = {
      {40.0f, 1, {1}},              // 0.5 steps: 0, at least 1
      {20.0f, 1, {1}},              // 1
      {8.0f, 1, {2}},               // 2.5 steps: 2
      {10.0f, 1, {2}},              // 2
      {20.0f / 3, 2, {3, 1}},       // 3: n/4 = 0, held at 1
      {5.0f, 2, {4, 1}},            // 4: n/2 = 2, no middle level
      {4.0f, 2, {5, 1}},            // 5: n/2 = 2
      {20.0f / 6, 3, {6, 3, 1}},    // 6: n/2 = 3
      {2.5f, 3, {8, 4, 2}},         // 8
      {20.0f / 65535, 3, {65535, 32767, 16383}},
      {20.0f / 65536, 3, {65535, 32768, 16384}},  // 65536 steps: the finest held at 65535
      {20.0f / 100000, 3, {65535, 32768, 16384}},  // more: as many as 65536
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(20.0f / c.step);
    s->stepLength = c.step;
    s->Setup();
    ASSERT_TRUE(s->valid);
    ASSERT_EQ(s->levelCount, c.levels);
    for (int l = 0; l < c.levels; ++l) EXPECT_EQ(s->levels[l].segments, c.segments[l]) << "level " << l;
    EXPECT_EQ(s->levels[0].distance, c.levels == 1 ? SEGMENT_FAR_DISTANCE : SEGMENT_NEAR_DISTANCE);
    if (c.levels == 3) {
      EXPECT_EQ(s->levels[1].distance, SEGMENT_MIDDLE_DISTANCE);
    }
    EXPECT_EQ(s->levels[c.levels - 1].distance, SEGMENT_FAR_DISTANCE);
  }
}

TEST_F(Roads, AnEndNarrowerThan65UnitsGetsAMetreOnEachSide) {
  // Both outer edges straight: no margin, unless the outer vertices of an end lie less than 65
  // units (1 mm) apart.  The start's across vector is its width along x.
  WSection* a = AddSection(Profile(0, {0, 65.0f / M}, {0, 0}, {1, 2}), 0, 0);
  WSection* b = AddSection(Profile(0, {-4, 4}, {0, 0}, {1, 2}), 0, 20 * M);
  WSegment* s = AddSegment(Road(0, 1, 2, EDGE_STRAIGHT));
  a->Setup(), b->Setup(), s->Setup();
  EXPECT_EQ(s->frame.a0[0], 65);
  EXPECT_EQ(s->frame.a1[0], 8 * M);
  a->vertices[1].offset = 64;
  s->Setup();
  EXPECT_EQ(s->frame.a0[0], 64 + 2 * M);
  EXPECT_EQ(s->frame.a1[0], 8 * M);
  // The same at the end.
  a->vertices[1].offset = 4 * M;
  b->vertices[0].offset = 0, b->vertices[1].offset = 65;
  s->Setup();
  EXPECT_EQ(s->frame.a0[0], 4 * M);
  EXPECT_EQ(s->frame.a1[0], 65);
  b->vertices[1].offset = 64;
  s->Setup();
  EXPECT_EQ(s->frame.a1[0], 64 + 2 * M);
}

TEST_F(Roads, IsNearReachesExactlyTheRangeBeyondEachEndAndEachSide) {
  // The road from (0, 0) to (0, 20 m), 8 m wide, as in the tests above: with a range of 1 m a
  // point is near from 1 m behind the start to 1 m past the end and from 5 m left to 5 m right.
  WSection* a = AddSection(Profile(0, {-4, 4}, {0, 0}, {1, 2}), 0, 0);
  WSection* b = AddSection(Profile(0, {-4, 4}, {0, 0}, {1, 2}), 0, 20 * M);
  WSegment* s = AddSegment(Road(0, 1, 2, EDGE_STRAIGHT));
  a->Setup(), b->Setup(), s->Setup();
  EXPECT_EQ(s->IsNear(0, -M, 1.0f), 1);
  EXPECT_EQ(s->IsNear(0, -M - 1, 1.0f), 0);
  EXPECT_EQ(s->IsNear(0, 21 * M, 1.0f), 1);
  EXPECT_EQ(s->IsNear(0, 21 * M + 1, 1.0f), 0);
  EXPECT_EQ(s->IsNear(5 * M, 10 * M, 1.0f), 1);
  EXPECT_EQ(s->IsNear(5 * M + 1, 10 * M, 1.0f), 0);
  EXPECT_EQ(s->IsNear(-5 * M, 10 * M, 1.0f), 1);
  EXPECT_EQ(s->IsNear(-5 * M - 1, 10 * M, 1.0f), 0);
}

TEST_F(Roads, MappingsInUseListsWhatFitsTheRoom) {
  // A section with triangles names its primary and its backing mapping; a segment each part's.
  TrackSection t = Profile(0, {-4, 0, 4}, {0, 0, 0});
  t.mapping = 2;
  t.backing = 1;
  TrackSectionTriangle tri;
  tri.corner[0] = 0, tri.corner[1] = 1, tri.corner[2] = 2;
  t.triangles.push_back(tri);
  WSection* a = AddSection(t, 0, 0);
  uint16_t used[4] = {9, 9, 9, 9};
  EXPECT_EQ(a->MappingsInUse(used, 0), 0);
  EXPECT_EQ(used[0], 9);
  EXPECT_EQ(a->MappingsInUse(used, 1), 1);
  EXPECT_EQ(used[0], 2);
  EXPECT_EQ(used[1], 9);
  EXPECT_EQ(a->MappingsInUse(used, 2), 2);
  EXPECT_EQ(used[1], 1);
  EXPECT_EQ(used[2], 9);
  TrackSegment road = Road(0, 0, 4, EDGE_STRAIGHT);
  road.parts[0].mapping = 1, road.parts[1].mapping = 2, road.parts[2].mapping = 0;
  WSegment* s = AddSegment(road);
  uint16_t parts[4] = {9, 9, 9, 9};
  EXPECT_EQ(s->MappingsInUse(parts, 2), 2);
  EXPECT_EQ(parts[0], 1);
  EXPECT_EQ(parts[1], 2);
  EXPECT_EQ(parts[2], 9) << "no room for the third part's";
  EXPECT_EQ(s->MappingsInUse(parts, 4), 3);
  EXPECT_EQ(parts[2], 0);
  EXPECT_EQ(parts[3], 9);
}

TEST_F(Roads, TheBoxAndLateralRangeAreThoseOfEveryStepsPoint) {
  // Set-up bounds straight edges that move one way from two inner steps only: over roads of
  // every kind (turning ends, straight and curved edges, fixed edges, sides either way, many
  // steps) the box and the lateral range must be those of every point the sweep would take.
  std::mt19937 rng(59);
  auto uni = [&](float a, float b) { return std::uniform_real_distribution<float>(a, b)(rng); };
  int checked = 0;
  for (int road = 0; road < 400; ++road) {
    SCOPED_TRACE(road);
    W().FreeObjects();
    const int edgeCount = 2 + int(rng() % 4);
    std::vector<float> offsets, heights[2];
    for (int e = 0; e < edgeCount; ++e) offsets.push_back(-6.0f + 12.0f * float(e) / float(edgeCount - 1));
    for (auto& h : heights)
      for (int e = 0; e < edgeCount; ++e) h.push_back(road % 3 == 0 ? 0.0f : uni(-2, 2));
    // Ends parallel, turned slightly or much, along any direction; some with the same vertex.
    const float heading = uni(-3.2f, 3.2f), turn = road % 4 == 0 ? 0.0f : uni(-0.6f, 0.6f);
    const float length = uni(5, 80), along = heading + 1.5707964f;
    WSection* a = AddSection(Profile(heading, offsets, heights[0]), int32_t(uni(-500, 500) * M), int32_t(uni(-500, 500) * M));
    std::vector<float> endOffsets = offsets;
    if (road % 7 == 0) endOffsets[0] = offsets[0] + uni(-3, 3);
    WSection* b = AddSection(Profile(heading + turn, endOffsets, heights[1]),
                             a->position[0] + int32_t(std::cos(along) * length * M),
                             a->position[1] + int32_t(std::sin(along) * length * M));
    TrackSegment t = Road(0, 1, edgeCount, road % 2 == 0 ? EDGE_STRAIGHT : uint8_t(road % 5 == 1 ? 0 : EDGE_STRAIGHT));
    t.startSide = uint8_t(rng() % 2), t.endSide = uint8_t(rng() % 2);
    if (road % 6 == 3)  // edges 2k and 2k + 1 meet at the end's vertex k: their two ends differ
      for (int e = 0; e < edgeCount; ++e) t.edges[size_t(e)].endVertex = uint8_t(e / 2);
    t.stepLength = uni(0.3f, 6.0f);
    WSegment* s = AddSegment(t);
    a->Setup(), b->Setup(), s->Setup();
    if (!s->valid) continue;
    const int n = s->levels[0].segments;
    bool used[SEGMENT_EDGES_MAX] = {};
    for (const MappingRef& p : s->parts) used[p.first] = used[p.second] = true;
    std::vector<IntVector> points;
    for (int e = 0; e < edgeCount; ++e) {
      if (!used[e]) continue;
      points.push_back(a->GetVertexWorldPos(s->edges[size_t(e)].startVertex));
      points.push_back(b->GetVertexWorldPos(s->edges[size_t(e)].endVertex));
      if (s->edges[size_t(e)].flags & EDGE_FIXED) continue;
      for (int i = 1; i < n; ++i) points.push_back(s->EdgePoint(e, double(i) / n));
    }
    int32_t lo[3] = {INT32_MAX, INT32_MAX, INT32_MAX}, hi[3] = {INT32_MIN, INT32_MIN, INT32_MIN};
    int32_t lateralLo = INT32_MAX, lateralHi = INT32_MIN;
    for (const IntVector& p : points) {
      const int32_t c[3] = {p.x, p.y, p.z};
      for (int k = 0; k < 3; ++k) lo[k] = std::min(lo[k], c[k]), hi[k] = std::max(hi[k], c[k]);
      const int32_t m = int32_t(((int64_t(s->position[1]) - p.y) * s->frame.u[0] >> 16) +
                                ((int64_t(p.x) - s->position[0]) * s->frame.u[1] >> 16));
      lateralLo = std::min(lateralLo, m), lateralHi = std::max(lateralHi, m);
    }
    for (int k = 0; k < 3; ++k) {
      EXPECT_EQ(s->box[k], lo[k]) << "axis " << k << ", " << n << " steps";
      EXPECT_EQ(s->box[k + 3], hi[k]) << "axis " << k << ", " << n << " steps";
    }
    EXPECT_EQ(s->frame.lateralMin, lateralLo);
    EXPECT_EQ(s->frame.lateralMax, lateralHi);
    ++checked;
  }
  EXPECT_GT(checked, 300);
}

TEST_F(Roads, BackwardChordsAreNotUsableAndTheProfileCopyStaysInside) {
  WSection* a = AddSection(Profile(0, {-4, 4}, {0, 0}, {1, 2}), 0, 0);
  WSection* b = AddSection(Profile(0, {-4, 4}, {0, 0}, {1, 2}), 0, 20 * M);
  TrackSegment t = Road(0, 1, 2, 0);
  t.endSide = 1;  // the end section turned round: the chords run backwards against it
  WSegment* s = AddSegment(t);
  a->Setup(), b->Setup(), s->Setup();
  EXPECT_EQ(s->edges[0].flags & EDGE_USABLE, 0);
  EXPECT_EQ(s->segmentFlags & SEGMENT_HAS_COLLIDABLE, 0);
  EXPECT_EQ(s->segmentFlags & SEGMENT_UNUSABLE_PART, SEGMENT_UNUSABLE_PART);
  ContactProbe hit = Fresh();
  EXPECT_EQ(s->RayTest({0, 10 * M, -M}, {0, 0, -4 * M}, hit, nullptr, nullptr, nullptr, 1), 0);
  // A chord of 639 units (about 1 cm) or less keeps its flag whatever its direction; 640 not.
  b->position[1] = 300;
  s->Setup();
  EXPECT_EQ(s->edges[0].flags & EDGE_USABLE, EDGE_USABLE);
  b->position[1] = 639;
  s->Setup();
  EXPECT_EQ(s->edges[0].flags & EDGE_USABLE, EDGE_USABLE);
  b->position[1] = 640;
  s->Setup();
  EXPECT_EQ(s->edges[0].flags & EDGE_USABLE, 0);
  // The profile copy grows a shorter end section; with a linked end the flag goes.
  b->vertices.resize(1);
  b->vertexCount = 1;
  s->segmentFlags |= SEGMENT_COPY_PROFILE;
  s->endSide = 0;
  a->heading = 0.5f;
  s->Setup();
  EXPECT_EQ(b->vertexCount, 2);
  EXPECT_EQ(b->vertices[1].offset, 4 * M);
  EXPECT_EQ(b->heading, 0.5f);
  b->ownFlags |= SECTION_LINKED;
  s->Setup();
  EXPECT_EQ(s->segmentFlags & SEGMENT_COPY_PROFILE, 0);
}

TEST_F(Roads, BadSegmentRecordsLeaveTheSegmentWithoutGeometry) {
  CfgDebugLevel = 1;
  CaughtLines lines;
  AddSection(Profile(0, {-4, 4}, {0, 0}, {1, 2}), 0, 0)->Setup();
  AddSection(Profile(0, {-4, 4}, {0, 0}, {1, 2}), 0, 20 * M)->Setup();
  struct Case {
    const char* what;
    void (*bend)(TrackSegment&);
  };
  const Case cases[] = {
      {"section past the table", [](TrackSegment& t) { t.endSection = 50; }},
      {"section of another type", [](TrackSegment& t) { t.endSection = 2; }},
      {"vertex past the count", [](TrackSegment& t) { t.edges[1].endVertex = 2; }},
      {"vertex 64", [](TrackSegment& t) { t.edges[1].startVertex = 64; }},
      {"start vertex at the count", [](TrackSegment& t) { t.edges[1].startVertex = 2; }},
      {"part past the edges", [](TrackSegment& t) { t.parts[0].second = 5; }},
      {"part's first edge at the count", [](TrackSegment& t) { t.parts[0].first = 2; }},
      {"part's second edge at the count", [](TrackSegment& t) { t.parts[0].second = 2; }},
      {"mapping past the table", [](TrackSegment& t) { t.parts[0].mapping = 3; }},
      {"coinciding sections", [](TrackSegment& t) { t.endSection = 0; }},
  };
  W().AddObjectToTable(new DiscObject(OBJECT_PLACED));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TrackSegment t = Road(0, 1, 2, 0);
    c.bend(t);
    WSegment* s = AddSegment(t);
    s->Setup();
    EXPECT_EQ(s->IsCollidable(), 0);
    ContactProbe hit = Fresh();
    EXPECT_EQ(s->RayTest({0, 10 * M, -M}, {0, 0, -4 * M}, hit, nullptr, nullptr, nullptr, 1), 0);
  }
  // With the debug messages on, each bad reference says what it is.
  EXPECT_EQ(lines.Count("A segment's edge names a vertex its section has not"), 3);
  EXPECT_EQ(lines.Count("A segment's part names an edge it has not"), 3);
  EXPECT_EQ(lines.Count("A segment's part names a mapping past the table"), 1);
  // An edge more than 16 km across its section (the margins would wrap): no geometry.
  const int32_t far = W().objectCount;
  AddSection(Profile(0, {-20000, 4}, {0, 0}, {1, 2}), 0, 40 * M)->Setup();
  WSegment* wide = AddSegment(Road(1, far, 2, 0));
  wide->Setup();
  EXPECT_FALSE(wide->valid);
  EXPECT_GE(lines.Count("more than 16 km across"), 1);
  // Exactly 16384 m across on either side is still held.
  const int32_t widest = W().objectCount;
  AddSection(Profile(0, {-16384, 16384}, {0, 0}, {1, 2}), 0, 80 * M)->Setup();
  WSegment* toWide = AddSegment(Road(1, widest, 2, 0));
  WSegment* fromWide = AddSegment(Road(widest, 1, 2, 0));
  const int refusals = lines.Count("more than 16 km across");
  toWide->Setup();
  fromWide->Setup();
  EXPECT_EQ(lines.Count("more than 16 km across"), refusals);
  // More than 64 edges: read in full (the stream stays in step), no geometry.
  TrackSegment many = Road(0, 1, 65, 2);
  for (auto& e : many.edges) e.startVertex = e.endVertex = 0;
  WSegment* s = AddSegment(many);
  EXPECT_EQ(s->edgeCount, 65);
  s->Setup();
  EXPECT_FALSE(s->valid);
  EXPECT_GE(lines.Count("more than 64 edges"), 1);
  // Exactly 64 edges (63 parts) are still held.
  TrackSegment most = Road(0, 1, 64, 2);
  for (auto& e : most.edges) e.startVertex = e.endVertex = 0;
  WSegment* full = AddSegment(most);
  EXPECT_EQ(full->edgeCount, 64);
  EXPECT_EQ(full->partCount, 63);
  const int tooMany = lines.Count("more than 64 edges");
  full->Setup();
  EXPECT_TRUE(full->valid);
  EXPECT_GT(full->radius, 0);
  EXPECT_EQ(lines.Count("more than 64 edges"), tooMany);
  // Step lengths of 0 and NaN become 5 m, negative ones give one step.
  TrackSegment t = Road(0, 1, 2, 0);
  for (float step : {0.0f, std::nanf(""), -3.0f}) {
    t.stepLength = step;
    WSegment* g = AddSegment(t);
    g->Setup();
    EXPECT_EQ(g->levels[0].segments, step < 0 ? 1 : 4);
  }
}

// ---- Segments: ray tests ----

namespace {
// The reference: the strips of the segment's parts over n rings of its edge curves, each quad
// split in two, tested in double; the greatest t of a hit whose triangle faces against the ray.
// The quads are made once per segment, each with its box, which a ray's box must meet before
// its two triangles are tested.
struct RingQuads {
  struct Quad {
    IntVector a, b, c, d;
    int32_t low[3], high[3];
  };
  std::vector<Quad> quads;
  RingQuads(const WSegment& s, int n) {
    for (const MappingRef& p : s.parts) {
      if (!(p.flags & PART_USABLE)) continue;
      for (int i = 0; i < n; ++i) {
        Quad q{s.EdgePoint(p.first, double(i) / n), s.EdgePoint(p.second, double(i) / n),
               s.EdgePoint(p.first, double(i + 1) / n), s.EdgePoint(p.second, double(i + 1) / n), {}, {}};
        for (int axis = 0; axis < 3; ++axis) {
          const int32_t v[4] = {(&q.a.x)[axis], (&q.b.x)[axis], (&q.c.x)[axis], (&q.d.x)[axis]};
          q.low[axis] = *std::min_element(v, v + 4);
          q.high[axis] = *std::max_element(v, v + 4);
        }
        quads.push_back(q);
      }
    }
  }
};

double BruteForceT(const RingQuads& rings, const IntVector& o, const IntVector& r) {
  double best = -1;
  const double O[3] = {double(o.x), double(o.y), double(o.z)}, R[3] = {double(r.x), double(r.y), double(r.z)};
  auto test = [&](const IntVector& a, const IntVector& b, const IntVector& c) {
    const double e1[3] = {double(b.x) - a.x, double(b.y) - a.y, double(b.z) - a.z};
    const double e2[3] = {double(c.x) - a.x, double(c.y) - a.y, double(c.z) - a.z};
    const double d[3] = {-R[0], -R[1], -R[2]};
    const double p[3] = {d[1] * e2[2] - d[2] * e2[1], d[2] * e2[0] - d[0] * e2[2], d[0] * e2[1] - d[1] * e2[0]};
    const double det = e1[0] * p[0] + e1[1] * p[1] + e1[2] * p[2];
    if (std::fabs(det) < 1e-9) return;
    const double tv[3] = {O[0] - a.x, O[1] - a.y, O[2] - a.z};
    const double u = (tv[0] * p[0] + tv[1] * p[1] + tv[2] * p[2]) / det;
    if (u < -1e-9 || u > 1 + 1e-9) return;
    const double q[3] = {tv[1] * e1[2] - tv[2] * e1[1], tv[2] * e1[0] - tv[0] * e1[2], tv[0] * e1[1] - tv[1] * e1[0]};
    const double v = (d[0] * q[0] + d[1] * q[1] + d[2] * q[2]) / det;
    if (v < -1e-9 || u + v > 1 + 1e-9) return;
    const double t = (e2[0] * q[0] + e2[1] * q[1] + e2[2] * q[2]) / det;
    if (t >= 0 && t <= 1 && t > best) best = t;
  };
  // The ray's box, from origin - ray to origin, one unit wider each way.
  double low[3], high[3];
  for (int axis = 0; axis < 3; ++axis) {
    low[axis] = std::min(O[axis], O[axis] - R[axis]) - 1;
    high[axis] = std::max(O[axis], O[axis] - R[axis]) + 1;
  }
  for (const RingQuads::Quad& q : rings.quads) {
    bool apart = false;
    for (int axis = 0; axis < 3 && !apart; ++axis) apart = q.high[axis] < low[axis] || q.low[axis] > high[axis];
    if (apart) continue;
    test(q.a, q.b, q.c);
    test(q.b, q.d, q.c);
  }
  return best;
}
}  // namespace

TEST_F(Roads, TheAnalyticRayTestAgreesWithTheSegmentsOwnRings) {
  // The short road: a straight flat stretch, a curve, a curve climbing 2 m, a straight ramp
  // climbing 3 m (every vertex with an end code: straight edges).
  AddSection(Profile(0, {-4, 0, 4}, {0, 0, 0}, {1, 3, 2}), 0, 0);
  AddSection(Profile(0, {-4, 0, 4}, {0, 0, 0}, {1, 3, 2}), 0, 30 * M);
  AddSection(Profile(-0.4f, {-4, 0, 4}, {0, 0, 0}), 8 * M, 60 * M);
  const float c = std::cos(-0.4f), sn = std::sin(-0.4f);
  const int32_t x3 = 8 * M + int32_t(-sn * 28 * M), y3 = 60 * M + int32_t(c * 28 * M);
  AddSection(Profile(-0.4f, {-4, 0, 4}, {2, 2, 2}, {1, 3, 2}), x3, y3);
  AddSection(Profile(-0.4f, {-4, 0, 4}, {5, 5, 5}, {1, 3, 2}), x3 + int32_t(-sn * 30 * M), y3 + int32_t(c * 30 * M));
  for (int i = 0; i < 5; ++i) W().objects[i]->Setup();
  WSegment* roads[4] = {AddSegment(Road(0, 1, 3, 0)), AddSegment(Road(1, 2, 3, 0)), AddSegment(Road(2, 3, 3, 0)),
                        AddSegment(Road(3, 4, 3, 0))};
  std::mt19937 random(11);
  std::uniform_real_distribution<double> unit(0, 1);
  constexpr int RAYS = 100000;  // on each segment
  for (int k = 0; k < 4; ++k) {
    SCOPED_TRACE(k);
    WSegment& s = *roads[k];
    const bool straight = k == 0 || k == 3;
    s.Setup();
    ASSERT_EQ(s.IsCollidable(), 1);
    const RingQuads rings(s, 256);
    int hits = 0, both = 0;
    double worst = 0;
    for (int i = 0; i < RAYS; ++i) {
      // A road point: random t and lateral fraction between the outer edges.
      const double t = 0.02 + 0.96 * unit(random), f = 0.05 + 0.9 * unit(random);
      const IntVector e0 = s.EdgePoint(0, t), e2 = s.EdgePoint(2, t);
      const IntVector p = {int32_t(e0.x + (e2.x - e0.x) * f), int32_t(e0.y + (e2.y - e0.y) * f),
                           int32_t(e0.z + (e2.z - e0.z) * f)};
      IntVector origin, ray;
      if (i % 4 != 3) {  // contact-like: from 2 m above down to 20 m below
        origin = {p.x, p.y, p.z - 20 * M};
        ray = {0, 0, -22 * M};
      } else {  // slanted, through the road point, from a quarter of the ray below it
        ray = {int32_t((unit(random) - 0.5) * 2 * M), int32_t((unit(random) - 0.5) * 2 * M), -2 * M};
        origin = {p.x + ray.x / 4, p.y + ray.y / 4, p.z + ray.z / 4};
      }
      ContactProbe hit = Fresh();
      const int got = s.RayTest(origin, ray, hit, nullptr, nullptr, nullptr, 1);
      const double ref = BruteForceT(rings, origin, ray);
      if (ref < 0) continue;
      ++hits;
      if (!got) continue;
      ++both;
      const double length = std::sqrt(double(ray.x) * ray.x + double(ray.y) * ray.y + double(ray.z) * ray.z) / M;
      const double diff = std::fabs(double(hit.candidateStrength) / M - ref);
      worst = std::max(worst, straight ? diff * M : diff * length);
    }
    EXPECT_GT(hits, RAYS * 3 / 4);
    EXPECT_GE(both, hits * 999 / 1000);
    // Straight roads: within 1.5 units of t; curved edges within 3 mm.
    EXPECT_LT(worst, straight ? 1.5 : 0.003);
  }
}

// A part on a mapping with the dust flag (mapping 2) is marked dusty when its segment is set
// up, and a ray test that meets it says so in the hit's sub-kind; a part on a plain race
// track mapping (0) is not, and says 0.
TEST_F(Roads, APartOnADustyMappingIsMarkedAndReportedDusty) {
  AddSection(Profile(0, {-4, 4}, {0, 0}, {1, 2}), 0, 0)->Setup();
  AddSection(Profile(0, {-4, 4}, {0, 0}, {1, 2}), 0, 20 * M)->Setup();
  TrackSegment dusty = Road(0, 1, 2, 0);
  dusty.parts[0].mapping = 2;
  WSegment* s = AddSegment(dusty);
  WSegment* plain = AddSegment(Road(0, 1, 2, 0));
  s->Setup();
  plain->Setup();
  EXPECT_EQ(s->parts[0].flags & PART_DUSTY, PART_DUSTY);
  EXPECT_EQ(plain->parts[0].flags & PART_DUSTY, 0);
  ContactProbe hit = Fresh();
  ASSERT_EQ(s->RayTest({M, 10 * M, -5 * M}, {0, 0, -10 * M}, hit, nullptr, nullptr, nullptr, 1), 1);
  EXPECT_EQ(hit.candidateSubKind, PART_DUSTY);
  hit = Fresh();
  ASSERT_EQ(plain->RayTest({M, 10 * M, -5 * M}, {0, 0, -10 * M}, hit, nullptr, nullptr, nullptr, 1), 1);
  EXPECT_EQ(hit.candidateSubKind, 0);
}

TEST_F(Roads, ClippingTheRayAtTheEndLines) {
  AddSection(Profile(0, {-4, 4}, {0, 0}, {1, 2}), 0, 0)->Setup();
  AddSection(Profile(0, {-4, 4}, {0, 0}, {1, 2}), 0, 20 * M)->Setup();
  WSegment* s = AddSegment(Road(0, 1, 2, 0));
  WSegment* other = AddSegment(Road(0, 1, 2, 0));
  s->Setup();
  other->Setup();
  // Starting past the end line and ending before it, over the road: clipped, still hits.
  ContactProbe hit = Fresh();
  EXPECT_EQ(s->RayTest({0, 22 * M, -3 * M}, {0, 4 * M, -4 * M}, hit, nullptr, nullptr, nullptr, 1), 1);
  EXPECT_NEAR(hit.candidateStrength, 3 * M / 4, 2);
  EXPECT_NEAR(hit.candidatePoint.y, 19 * M, 8);
  EXPECT_NEAR(hit.candidatePoint.z, 0, 8);
  // Wholly past the start line: no hit.  Both ends past the same line: no hit.
  hit = Fresh();
  EXPECT_EQ(s->RayTest({0, -2 * M, -2 * M}, {0, M, -4 * M}, hit, nullptr, nullptr, nullptr, 1), 0);
  EXPECT_EQ(s->RayTest({0, 25 * M, -2 * M}, {0, -M, -4 * M}, hit, nullptr, nullptr, nullptr, 1), 0);
  // Two segments in turn keep the greater t: raise the second by 1 m.
  hit = Fresh();
  EXPECT_EQ(s->RayTest({M, 10 * M, -5 * M}, {0, 0, -10 * M}, hit, nullptr, nullptr, nullptr, 1), 1);
  const int32_t first = hit.candidateStrength;
  for (SegmentEdge& e : other->edges) e.height[3] = 1.0f;
  EXPECT_EQ(other->RayTest({M, 10 * M, -5 * M}, {0, 0, -10 * M}, hit, nullptr, nullptr, nullptr, 1), 1);
  EXPECT_GT(hit.candidateStrength, first);
  EXPECT_EQ(s->RayTest({M, 10 * M, -5 * M}, {0, 0, -10 * M}, hit, nullptr, nullptr, nullptr, 1), 0);
  // No collidable part: 0.
  s->parts[0].flags = 0;
  s->MarkCollidableParts();
  hit = Fresh();
  EXPECT_EQ(s->RayTest({M, 10 * M, -5 * M}, {0, 0, -10 * M}, hit, nullptr, nullptr, nullptr, 1), 0);
  // RayTestVisible restores every flag.
  s->parts[0].flags = PART_COLLIDABLE;
  s->MarkCollidableParts();
  const uint8_t before = s->parts[0].flags;
  WorldPartDisplay[0] = WorldPartDisplay[1] = 0;
  hit = Fresh();
  EXPECT_EQ(s->RayTestVisible({M, 10 * M, -5 * M}, {0, 0, -10 * M}, hit), 0);
  EXPECT_EQ(s->parts[0].flags, before);
  WorldPartDisplay[0] = WorldPartDisplay[1] = 1;
  EXPECT_EQ(s->RayTestVisible({M, 10 * M, -5 * M}, {0, 0, -10 * M}, hit), 1);
  EXPECT_EQ(s->IsCollidable(), 1);
}

// A ray from 4 m before the start line and 7 m under the road, (1 m, -4 m, -7 m), to 4 m past
// the end line and 7 m over it, (1 m, 24 m, 7 m): its direction is the origin less that far
// end, (0, -28 m, -14 m).  Both ends are clipped: the origin moves on 4/28 = 1/7 of the ray to
// the start line, (1 m, 0, -5 m), and the far end comes back 4/28 to the end line, so
// nearClip = farClip = 6/7 (56174 in fixed point).  The road (z = 0) is crossed halfway, at
// y = 10 m: along the clipped ray that is (1/2 - 1/7) / (6/7) = 5/12, 27307 in fixed point,
// and back on the whole ray ((27307 x 56174) >> 16) - 56174 + 65536 = 23406 + 9362 = 32768,
// one half.
TEST_F(Roads, ARayCrossingBothEndLinesIsClippedAtEachAndStillMeetsTheRoadBetween) {
  WSegment* s = AddStraightRoad();
  ContactProbe hit = Fresh();
  EXPECT_EQ(s->RayTest({M, -4 * M, -7 * M}, {0, -28 * M, -14 * M}, hit, nullptr, nullptr, nullptr, 1), 1);
  EXPECT_NEAR(hit.candidateStrength, 32768, 2);
  EXPECT_NEAR(hit.candidatePoint.x, M, 8);
  EXPECT_NEAR(hit.candidatePoint.y, 10 * M, 8);
  EXPECT_NEAR(hit.candidatePoint.z, 0, 8);
}

// The end lines are crossed only past a slack of 64 (1/1024 m).  A ray from 1 m past the end
// line, (1, 21 m, 21 m + 32), down at 45 degrees to its origin (1 m, -64, -32), 64 units before
// the start line: its far end is clipped at the end line, but its origin lies within the start
// line's slack and is kept.  It meets the flat road at y = -32, 32 units from the origin along
// z out of 21 m + 64: t = 32 / 1376320 = 1/43010, strength 65536 / 43010 = 1.52.  The point
// recorded goes with the whole strength, a step of 1376320 / 65536 = 21 units along y and z:
// still before the start line.
TEST_F(Roads, AnOriginWithinTheStartLinesSlackIsKeptWhenTheFarEndIsClipped) {
  WSegment* s = AddStraightRoad();
  ContactProbe hit = Fresh();
  EXPECT_EQ(s->RayTest({M, -64, -32}, {0, -(21 * M + 64), -(21 * M + 64)}, hit, nullptr, nullptr, nullptr, 1), 1);
  EXPECT_NEAR(hit.candidateStrength, 1.52, 1);
  EXPECT_NEAR(hit.candidatePoint.y, -32, 21);
  EXPECT_LT(hit.candidatePoint.y, 0);
  EXPECT_NEAR(hit.candidatePoint.z, 0, 21);
}

// The end section turned by 0.5 rad: its end line through (0, 20 m) runs along
// (cos 0.5, sin 0.5) = (0.8776, 0.4794), so at x = -3 m it lies at y = 20 - 3 tan 0.5 = 18.36 m
// and at x = 3 m at y = 21.64 m, while the far end vertex stands at (3.51, 21.92) m and holds
// the box up to y = 21.92 m.  A vertical ray at (-3, 21) m is inside the box and the road's
// lateral band but wholly past the end line (2.32 m past it at both ends, 21 m short of the
// start line): no hit, 0, and the probe is left as it was.  The same ray at (3, 21) m lies
// before the end line and meets the flat road.
TEST_F(Roads, ARayWhollyPastATurnedEndLineInsideTheBoxMissesWithZero) {
  AddSection(Profile(0, {-4, 4}, {0, 0}, {1, 2}), 0, 0)->Setup();
  AddSection(Profile(0.5f, {-4, 4}, {0, 0}, {1, 2}), 0, 20 * M)->Setup();
  WSegment* s = AddSegment(Road(0, 1, 2, 0));
  s->Setup();
  ASSERT_EQ(s->IsCollidable(), 1);
  const IntVector down = {0, 0, -10 * M};
  ContactProbe hit = Fresh();
  EXPECT_EQ(s->RayTest({-3 * M, 21 * M, -5 * M}, down, hit, nullptr, nullptr, nullptr, 1), 0);
  EXPECT_EQ(hit.candidateStrength, 0);
  EXPECT_EQ(s->RayTestVisible({-3 * M, 21 * M, -5 * M}, down, hit), 0);
  EXPECT_EQ(hit.candidateStrength, 0);
  // Before the end line at the same y: the ray runs 10 m down from z = 5 m to its origin at
  // z = -5 m, and meets the flat road 5 m up from the origin: t = 5/10.
  EXPECT_EQ(s->RayTest({3 * M, 21 * M, -5 * M}, down, hit, nullptr, nullptr, nullptr, 1), 1);
  EXPECT_NEAR(hit.candidateStrength, M / 2, 2);
}

TEST_F(Roads, BumpValuesOfTheThreeModes) {
  WSegment* s = AddStraightRoad();
  MappingRecord& m = W().mappings[0];
  for (int i = 0; i < 256; ++i) {
    W().bumpProfile[i] = uint8_t(i - 128);
    for (int j = 0; j < 256; ++j) W().bumps[i][j] = int8_t((i * 7 + j * 3) & 0x7F);
  }
  const IntVector origin = {M + 123, 7 * M + 456, -5 * M}, ray = {0, 0, -10 * M};
  for (int mode = 0; mode <= 2; ++mode) {
    for (int scale : {4, 16, 20, 40}) {
      SCOPED_TRACE(mode * 100 + scale);
      m.surfaceWord[0] = uint8_t(mode), m.surfaceWord[1] = 3, m.surfaceWord[2] = uint8_t(scale);
      const uint32_t word = MappingSurfaceWord(m);
      // A different word: the caller's becomes the mapping's, full blend weight.
      uint32_t surface = word ^ 1;
      int32_t blend = 0, bump = 0;
      ContactProbe hit = Fresh();
      ASSERT_EQ(s->RayTest(origin, ray, hit, &surface, &blend, &bump, 3), 1);
      EXPECT_EQ(surface, word);
      EXPECT_EQ(blend, 65536);
      // The same word: the value itself, or blended with a weight.
      blend = 0;
      hit = Fresh();
      ASSERT_EQ(s->RayTest(origin, ray, hit, &surface, &blend, &bump, 3), 1);
      const int held = scale < 8 ? 8 : scale > 31 ? 31 : scale;
      const double u = (double(origin.y) / M) / 20.0;
      int64_t ridges = ((int64_t(1) << held >> 1) + 20 * M) >> held;
      if (ridges < 1) ridges = 1;
      int32_t expected;
      if (mode == 1) {
        int64_t phi = std::llround(double(ridges) * u * M) & 0xFFFF;
        if (phi > 32768) phi = 65536 - phi;
        expected = int32_t((phi * 128 * 3) >> 16);
      } else if (mode == 2) {
        expected = int32_t(int8_t(W().bumpProfile[(std::llround(double(ridges) * u * M) >> 8) & 255])) * 3;
      } else {
        const int col = int((uint32_t(hit.candidatePoint.x) >> (held - 8)) & 255);
        const int row = int((uint32_t(hit.candidatePoint.y) >> (held - 8)) & 255);
        expected = W().bumps[row][col] * 3;
      }
      EXPECT_NEAR(bump, expected, mode == 0 ? 0 : 4);
      blend = 32768;
      const int32_t previous = bump + 1000;
      bump = previous;
      hit = Fresh();
      const int32_t lowered = previous;  // the origin is lowered by the bump before the test
      ASSERT_EQ(s->RayTest({origin.x, origin.y, origin.z + lowered}, ray, hit, &surface, &blend, &bump, 3), 1);
      EXPECT_NEAR(bump, ((int64_t(previous) - expected) * 32768 >> 16) + expected, mode == 0 ? 1 : 4);
    }
  }
}

// ---- Whole tracks ----

TEST_F(Roads, TheFlatSquareAndTheShortRoadAreFiledAndQueried) {
  // The flat square at 1 m, a straight road 20 m wide and 20 m long.
  AddSection(Profile(0, {-10, 10}, {1, 1}, {1, 2}), 0, 0);
  AddSection(Profile(0, {-10, 10}, {1, 1}, {1, 2}), 0, 20 * M);
  // The short road beyond it: straight, a linked section, a ramp.
  AddSection(Profile(0, {-4, 0, 4}, {0, 0, 0}, {1, 0, 2}), 100 * M, 0);
  AddSection(Profile(0, {-4, 0, 4}, {0, 0, 0}, {1, 0, 2}), 100 * M, 30 * M);
  AddSection(Profile(0, {-4, 0, 4}, {3, 3, 3}, {1, 3, 2}), 100 * M, 60 * M);
  W().objects[3]->Setup();
  static_cast<WSection*>(W().objects[3])->vertices[1].endCode = 3;
  TrackSection linked = Profile(0, {0, 0}, {0, 0});
  linked.flags = SECTION_LINKED;
  linked.endCodes[0] = 1, linked.endCodes[1] = 2;
  linked.links[0] = 2, linked.links[1] = 3;
  AddSection(linked, 0, 0);
  AddSegment(Road(0, 1, 2, 0));
  AddSegment(Road(2, 3, 3, 0));
  AddSegment(Road(3, 4, 3, 0));
  for (int i = 0; i < W().objectCount; ++i)
    if (W().objects[i]->type == OBJECT_SECTION) W().objects[i]->Setup();
  for (int i = 0; i < W().objectCount; ++i)
    if (W().objects[i]->type == OBJECT_SEGMENT) W().objects[i]->Setup();
  for (int i = 0; i < W().objectCount; ++i) W().objects[i]->AddPhysics();
  auto* link = static_cast<WSection*>(W().objects[5]);
  EXPECT_EQ(link->position[0], 100 * M);
  EXPECT_EQ(link->position[1], 15 * M);
  SizeGridOverSegments(W());
  BuildMapSquares(W());
  EXPECT_NEAR(FindSurfaceBelow(W(), 3 * M, 10 * M, 5 * M, 0), M, 66);
  // The ramp (straight edges: the height runs linearly from 0 to 3 m).
  for (double y : {31.0, 40.0, 52.5, 59.0}) {
    const int32_t h = FindSurfaceBelow(W(), 101 * M, int32_t(y * M), 10 * M, 0);
    EXPECT_NEAR(double(h) / M, 3.0 * (y - 30.0) / 30.0, 0.001) << y;
  }
  EXPECT_EQ(FindSurfaceBelow(W(), 101 * M, 10 * M, 10 * M, 0), 0);
}

TEST_F(Roads, LevelsAreSweptIntoBuiltMeshes) {
  AddSection(Profile(0, {-4, 0, 4}, {0, 0.5f, 0}), 0, 0)->Setup();
  AddSection(Profile(0.2f, {-4, 0, 4}, {1, 1.5f, 1}), 3 * M, 40 * M)->Setup();
  TrackSegment t = Road(0, 1, 3, 0);
  t.parts[1].mapping = 1;  // a mapping with a colour: its strips get the G x T normals
  WSegment* s = AddSegment(t);
  s->Setup();
  ASSERT_EQ(s->levelCount, 3);
  s->BuildMeshes();  // the distance levels are off after set-up: level 0 only
  ASSERT_NE(s->levels[0].built, nullptr);
  EXPECT_EQ(s->levels[1].built, nullptr);
  s->distanceLevels = 1;
  s->BuildMeshes();
  // The coarser levels are untextured: two triangles per step for each part with a colour.
  for (int level = 1; level < 3; ++level) {
    SCOPED_TRACE(level);
    const BuiltMesh* m = s->levels[level].built;
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->triangleCount, 2 * s->levels[level].segments);
  }
  W().mappings[0].flags |= SRF_HAS_COLOUR;
  s->FreeBuilt(false);
  s->BuildMeshes();
  EXPECT_EQ(s->levels[2].built->triangleCount, 2 * 2 * s->levels[2].segments);
  // The bounds from level 0 hold its points; the coloured strip's normals point up.
  const BuiltMesh& m = *s->levels[0].built;
  for (int i = 0; i < m.pointCount; ++i) {
    const BuiltPoint& p = m.points[i];
    EXPECT_LE(std::fabs(double(p.position[0]) - s->centre.x), double(s->halfSize.x) + 2);
    EXPECT_LE(std::fabs(double(p.position[1]) - s->centre.y), double(s->halfSize.y) + 2);
    EXPECT_LE(std::fabs(double(p.position[2]) - s->centre.z), double(s->halfSize.z) + 2);
  }
  EXPECT_EQ(s->drawFlags, PREGEN_DRAW_SOLID);
  EXPECT_EQ(s->alphaKind, 0);
  // An alpha part over the same edges as a solid one is always sorted; alone it is not.
  W().mappings[1].material[0] = 2;
  s->SetBuildKind();
  EXPECT_EQ(s->alphaKind, 1);
  s->parts[0].first = 1, s->parts[0].second = 2;
  s->SetBuildKind();
  EXPECT_EQ(s->alphaKind, 2);
  // A segment without geometry builds nothing.
  s->endSection = 40;
  s->Setup();
  s->FreeBuilt(true);
  EXPECT_EQ(s->BuildLodMesh(0), 0);
}

// A part that fits its texture to its width measures the wider of its two ends: a strip 8 m
// wide at one end and 6 m at the other is 8 m whichever end is the wider.  A part without the
// fit leaves its reference length alone.
TEST_F(Roads, AWidthFitPartMeasuresTheWiderOfItsEnds) {
  for (const bool widerFirst : {true, false}) {
    SCOPED_TRACE(widerFirst);
    const float first = widerFirst ? 4.0f : 3.0f, second = widerFirst ? 3.0f : 4.0f;
    const int32_t from = W().objectCount;
    AddSection(Profile(0, {-first, first}, {0, 0}), 0, 0)->Setup();
    AddSection(Profile(0, {-second, second}, {0, 0}), 0, 40 * M)->Setup();
    for (const uint8_t fit : {uint8_t(1), uint8_t(0)}) {
      TrackSegment t = Road(from, from + 1, 2, 0);
      t.parts[0].widthFit = fit;
      WSegment* s = AddSegment(t);
      s->Setup();
      SweepReferenceLengths[0] = -1.0f;
      s->BuildMeshes();
      ASSERT_NE(s->levels[0].built, nullptr);
      EXPECT_FLOAT_EQ(SweepReferenceLengths[0], fit ? 8.0f : -1.0f) << int(fit);
    }
  }
  SweepReferenceLengths[0] = 0.0f;
}

// Each width-fit part measures its own two edges, wherever they lie in the segment: edges at
// -10, -4 and 4 m at the start and -10, -3 and 3 m at the end make the first part (edges 0
// and 1) 6 m wide at the start and 7 m at the end, so 7 m, and the second (edges 1 and 2) 8 m
// and 6 m, so 8 m.
TEST_F(Roads, EachWidthFitPartMeasuresItsOwnEdges) {
  const int32_t from = W().objectCount;
  AddSection(Profile(0, {-10, -4, 4}, {0, 0, 0}), 0, 0)->Setup();
  AddSection(Profile(0, {-10, -3, 3}, {0, 0, 0}), 0, 40 * M)->Setup();
  TrackSegment t = Road(from, from + 1, 3, 0);
  ASSERT_EQ(t.parts.size(), 2u);
  t.parts[0].widthFit = 1;
  t.parts[1].widthFit = 1;
  WSegment* s = AddSegment(t);
  s->Setup();
  SweepReferenceLengths[0] = SweepReferenceLengths[1] = -1.0f;
  s->BuildMeshes();
  ASSERT_NE(s->levels[0].built, nullptr);
  EXPECT_FLOAT_EQ(SweepReferenceLengths[0], 7.0f);
  EXPECT_FLOAT_EQ(SweepReferenceLengths[1], 8.0f);
  SweepReferenceLengths[0] = SweepReferenceLengths[1] = 0.0f;
}

// ---- Repeaters ----

namespace {

// A stand-in for the world's model entries: entry 5 holds a model whose level is one triangle
// (its foot, one metre forward along +y, one metre along +x) of one material; any other
// index has none.  modelPoints past 3 makes the level that large (for the pool's limit).
alignas(8) unsigned char EntryBytes[64];
const PreGenModel* const ENTRY = reinterpret_cast<const PreGenModel*>(EntryBytes);
Material CopyMaterial;
int ModelPoints = 3;
int EntryIndex = 5;

// What the recolouring hooks do to the stand-in model: two mappings' colours and cutouts,
// the cutout preset, the layout properties and the texture bindings; and what a copy saw.
struct StandInModel {
  MappingState mappings[2];
  int preset, properties, bound;
  MappingState atBuild;
  int presetAtBuild, propertiesAtBuild, boundAtBuild;
};
StandInModel Stand;

struct RepeaterModels {
  WorldModelServices saved = WorldModels;
  RepeaterModels() {
    InitSinCosTables();
    WorldModels = {};
    WorldModels.EntryAt = [](int index) { return index == EntryIndex ? ENTRY : nullptr; };
    WorldModels.EntryBoxSize = [](const PreGenModel&) { return 50; };  // half a metre
    WorldModels.ModelOf = [](const PreGenModel& entry) -> void* {
      return &entry == ENTRY ? static_cast<void*>(EntryBytes) : nullptr;
    };
    Stand = {{{0x111111, {7, 7}}, {0x222222, {8, 9}}}, 0, 0, 0, {}, 0, 0, 0};
    WorldModels.NumberedCutoutCount = [](const PreGenModel&) { return 1; };
    WorldModels.SetAllMappingColours = [](void*, uint32_t colour) {
      for (MappingState& m : Stand.mappings) m.colour = colour;
    };
    WorldModels.SelectNumberedCutouts = [](void*, int number) {
      for (MappingState& m : Stand.mappings) m.cutout[0] = m.cutout[1] = uint16_t(100 + number);
    };
    WorldModels.SetCutoutPreset = [](void*, int state) { Stand.preset = state; };
    WorldModels.ApplyLayoutProperties = [](void*, int, int variant, int removing) {
      Stand.properties = removing ? 0 : variant;
      return 1;
    };
    WorldModels.RecordMappings = [](void*, MappingState* out, int room) {
      for (int i = 0; out && i < room && i < 2; ++i) out[i] = Stand.mappings[i];
      return 2;
    };
    WorldModels.RestoreMappings = [](void*, const MappingState* states, int count) {
      for (int i = 0; i < count && i < 2; ++i) Stand.mappings[i] = states[i];
    };
    WorldModels.AssignTextures = [](void*) { ++Stand.bound; };
    WorldModels.BuildLevelMesh = [](void*, const FixedTransform& t, BuiltMesh& mesh) {
      Stand.atBuild = Stand.mappings[1];
      Stand.presetAtBuild = Stand.preset;
      Stand.propertiesAtBuild = Stand.properties;
      Stand.boundAtBuild = Stand.bound;
      mesh.Free();
      mesh.points = new BuiltPoint[size_t(ModelPoints)]();
      mesh.triangles = new BuiltTriangle[1]();
      mesh.parts = new BuiltPart[1]();
      const IntVector local[3] = {{0, 0, 0}, {0, M, 0}, {M, 0, 0}};
      for (int i = 0; i < ModelPoints; ++i) {
        IntVector p;
        TransformPoint(t, local[std::min(i, 2)], p);
        mesh.points[i].position[0] = p.x, mesh.points[i].position[1] = p.y, mesh.points[i].position[2] = p.z;
      }
      mesh.triangles[0] = {{0, 1, 2}, 0x01020304};
      mesh.parts[0] = {0, &CopyMaterial, ModelPoints, 1};
      mesh.pointCount = ModelPoints, mesh.triangleCount = 1, mesh.partCount = 1;
      return 0;
    };
  }
  ~RepeaterModels() {
    WorldModels = saved;
    ModelPoints = 3;
    EntryIndex = 5;
  }
};

struct Copy {
  IntVector at;
  FixedMatrix matrix;
};
std::vector<Copy> DryRun(WSegment& s) {
  std::vector<Copy> copies;
  EXPECT_EQ(s.BuildRepeaters(nullptr, 1,
                             [](void* c, const IntVector& at, const FixedMatrix& m) {
                               static_cast<std::vector<Copy>*>(c)->push_back({at, m});
                             },
                             &copies),
            nullptr);
  return copies;
}

// Column c of a 16.16 matrix in units.
std::array<double, 3> Column(const FixedMatrix& m, int c) {
  return {m.m[c] / double(M), m.m[3 + c] / double(M), m.m[6 + c] / double(M)};
}
void ExpectAlong(const std::array<double, 3>& v, double x, double y, double z, double within = 1e-3) {
  EXPECT_NEAR(v[0], x, within);
  EXPECT_NEAR(v[1], y, within);
  EXPECT_NEAR(v[2], z, within);
}

}  // namespace

TEST_F(Roads, RepeatersStandAtTheStepsOfThePathEdgeAndBetweenThem) {
  RepeaterModels models;
  // A straight flat road 40 m long along +y: 8 steps of 5 m.
  WSection* a = AddSection(Profile(0, {-4, 0, 4}, {0, 0, 0}), 0, 0);
  AddSection(Profile(0, {-4, 0, 4}, {0, 0, 0}), 0, 40 * M);
  TrackSegment t = Road(0, 1, 3, EDGE_STRAIGHT);
  t.objectIndex = 5;
  t.pathEdge = 2;
  WSegment* s = AddSegment(t);
  for (int i = 0; i < 3; ++i) W().objects[i]->Setup();
  ASSERT_EQ(s->levels[0].segments, 8);
  const int32_t x2 = a->GetVertexWorldPos(2).x, x0 = a->GetVertexWorldPos(0).x;
  ASSERT_NE(x2, x0);
  // The steps wanted (y in metres) for spacing and flags.
  struct Case {
    int8_t spacing;
    uint8_t flags;
    std::vector<double> ys;
  };
  const std::vector<Case> cases = {
      {0, 0, {5, 10, 15, 20, 25, 30, 35}},
      {0, REPEAT_FROM_ZERO | REPEAT_TO_LAST, {0, 5, 10, 15, 20, 25, 30, 35, 40}},
      {-2, 0, {15, 30}},
      {-2, REPEAT_FROM_ZERO, {0, 15, 30}},
      {-2, REPEAT_TO_LAST, {15, 30}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.spacing) * 100 + c.flags);
    s->spacing = c.spacing;
    s->repeaterFlags = c.flags;
    const std::vector<Copy> copies = DryRun(*s);
    ASSERT_EQ(copies.size(), c.ys.size());
    for (size_t i = 0; i < copies.size(); ++i) {
      EXPECT_NEAR(copies[i].at.x, x2, 2);
      EXPECT_NEAR(copies[i].at.y / double(M), c.ys[i], 1e-4);
      EXPECT_NEAR(copies[i].at.z, 0, 2);
      // Forward (+y) along the road, upright.
      ExpectAlong(Column(copies[i].matrix, 1), 0, 1, 0);
      ExpectAlong(Column(copies[i].matrix, 2), 0, 0, 1);
    }
  }
  // Spacing 2: a copy at every step and two more on each chord between steps.
  s->spacing = 2;
  s->repeaterFlags = 0;
  std::vector<Copy> copies = DryRun(*s);
  ASSERT_EQ(copies.size(), 7u + 8u * 2u);
  for (int i = 0; i < 8; ++i)
    for (int j = 0; j < 2; ++j) {
      const Copy& c = copies[size_t(7 + 2 * i + j)];
      EXPECT_NEAR(c.at.y / double(M), 5.0 * i + 5.0 * (j + 1) / 3.0, 1e-4);
      EXPECT_NEAR(c.at.x, x2, 2);
      ExpectAlong(Column(c.matrix, 1), 0, 1, 0);
    }
  // A path edge past the edges is edge 0; quarter turns turn each copy about z.
  s->spacing = 0;
  s->pathEdge = 9;
  s->repeaterFlags = 1;
  copies = DryRun(*s);
  ASSERT_EQ(copies.size(), 7u);
  EXPECT_NEAR(copies[0].at.x, x0, 2);
  ExpectAlong(Column(copies[0].matrix, 1), -1, 0, 0);
  // Aimed at edge 1 (across the road, -x from edge 2): z towards it, y along the road.
  s->pathEdge = 2;
  s->aimEdge = 1;
  s->repeaterFlags = REPEAT_AIM;
  copies = DryRun(*s);
  ASSERT_EQ(copies.size(), 7u);
  const double across = x2 > x0 ? -1 : 1;
  ExpectAlong(Column(copies[3].matrix, 2), across, 0, 0);
  ExpectAlong(Column(copies[3].matrix, 1), 0, 1, 0);
  // An aim edge equal to the path edge, or without the flag, is no aim.
  s->aimEdge = 2;
  ExpectAlong(Column(DryRun(*s)[0].matrix, 2), 0, 0, 1);
  // A damaged record's spacing over a road of 40,000 steps stops at what a pool could hold.
  s->spacing = 127;
  s->levels[0].segments = 40000;
  EXPECT_EQ(DryRun(*s).size(), size_t(REPEATER_COPIES_MAX));
  s->levels[0].segments = 8;
  // Entries that are not there, or hold no model, are unfit; a dry run then places nothing.
  s->objectIndex = 6;
  EXPECT_STREQ(s->BuildRepeaters(nullptr, 1), TEXT_REPEATER_UNFIT);
}

// A straight road 40 m long along +y standing at x = 10 m, rising 4 m from start to end: a
// pitched copy's forward axis runs up the slope, along (0, 40, 4) / sqrt(40^2 + 4^2) =
// (0, 0.99504, 0.09950), wherever the road stands.
TEST_F(Roads, PitchedRepeatersRunUpTheSlopeOfARoadAwayFromTheOrigin) {
  RepeaterModels models;
  AddSection(Profile(0, {-4, 0, 4}, {0, 0, 0}), 10 * M, 0);
  AddSection(Profile(0, {-4, 0, 4}, {4, 4, 4}), 10 * M, 40 * M);
  TrackSegment t = Road(0, 1, 3, EDGE_STRAIGHT);
  t.objectIndex = 5;
  t.pathEdge = 2;
  t.spacing = 0;
  t.repeaterFlags = REPEAT_PITCH;
  WSegment* s = AddSegment(t);
  for (int i = 0; i < 3; ++i) W().objects[i]->Setup();
  ASSERT_EQ(s->levels[0].segments, 8);
  const std::vector<Copy> copies = DryRun(*s);
  ASSERT_EQ(copies.size(), 7u);  // steps 1..7 of 5 m
  for (size_t i = 0; i < copies.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_NEAR(copies[i].at.y / double(M), 5.0 * double(i + 1), 1e-4);
    ExpectAlong(Column(copies[i].matrix, 1), 0, 0.99504, 0.09950);
  }
}

TEST_F(Roads, RepeaterMatrixTurnsTheForwardAxisOntoTheDirection) {
  InitSinCosTables();
  WSegment s;
  std::mt19937 random(56);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  for (int round = 0; round < 200; ++round) {
    const double d[3] = {unit(random), unit(random), 0.3 * unit(random)};
    const double horizontal = std::hypot(d[0], d[1]), length = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    if (horizontal < 0.05) continue;
    // Without an aim: a turn about z carrying +y onto the horizontal direction, then q
    // quarters more.
    for (int q = 0; q < 4; ++q) {
      s.repeaterFlags = uint8_t(q);
      const FixedMatrix m = s.RepeaterMatrix(d, nullptr);
      const double turn = std::atan2(-d[0], d[1]) + q * 1.5707963267948966;
      ExpectAlong(Column(m, 1), -std::sin(turn), std::cos(turn), 0, 2e-4);
      ExpectAlong(Column(m, 2), 0, 0, 1, 0);
    }
    // Pitched with the slope: the axis facing forward (+y, +x, -y, -x for q = 0..3) runs along
    // the direction, up or down the slope with it.
    for (int q = 0; q < 4; ++q) {
      s.repeaterFlags = uint8_t(REPEAT_PITCH | q);
      const FixedMatrix m = s.RepeaterMatrix(d, nullptr);
      const std::array<double, 3> axis = Column(m, q % 2 == 0 ? 1 : 0);
      const double sign = q < 2 ? 1.0 : -1.0;
      ExpectAlong(axis, sign * d[0] / length, sign * d[1] / length, sign * d[2] / length, 2e-4);
    }
    // Aimed: z along the aim, y the direction's part across it, x completing a right-handed
    // frame; a quarter turn carries x to where y was.
    const double aim[3] = {unit(random), unit(random), unit(random)};
    const double aimLength = std::sqrt(aim[0] * aim[0] + aim[1] * aim[1] + aim[2] * aim[2]);
    const double a[3] = {aim[0] / aimLength, aim[1] / aimLength, aim[2] / aimLength};
    const double along = (d[0] * a[0] + d[1] * a[1] + d[2] * a[2]) / length;
    if (std::fabs(along) > 0.95) continue;
    s.repeaterFlags = 0;
    const FixedMatrix m = s.RepeaterMatrix(d, aim);
    ExpectAlong(Column(m, 2), a[0], a[1], a[2], 1e-4);
    double b[3] = {d[0] - a[0] * along * length, d[1] - a[1] * along * length, d[2] - a[2] * along * length};
    const double bl = std::sqrt(b[0] * b[0] + b[1] * b[1] + b[2] * b[2]);
    ExpectAlong(Column(m, 1), b[0] / bl, b[1] / bl, b[2] / bl, 1e-4);
    const std::array<double, 3> x = Column(m, 0), y = Column(m, 1), z = Column(m, 2);
    ExpectAlong({y[1] * z[2] - y[2] * z[1], y[2] * z[0] - y[0] * z[2], y[0] * z[1] - y[1] * z[0]}, x[0], x[1], x[2],
                2e-4);
    s.repeaterFlags = 1;
    const FixedMatrix turned = s.RepeaterMatrix(d, aim);
    ExpectAlong(Column(turned, 0), y[0], y[1], y[2], 2e-4);
  }
  // An aim of no length, or along the direction, gives no frame: the copy turns as without.
  s.repeaterFlags = 0;
  const double d[3] = {1, 0, 0}, none[3] = {0, 0, 0}, same[3] = {2, 0, 0};
  const FixedMatrix plain = s.RepeaterMatrix(d, nullptr);
  for (const double* aim : {none, same}) {
    const FixedMatrix m = s.RepeaterMatrix(d, aim);
    EXPECT_EQ(std::memcmp(m.m, plain.m, sizeof m.m), 0);
  }
}

TEST_F(Roads, LevelZeroCarriesItsRepeatersAndShowsWhatStoppedThem) {
  RepeaterModels models;
  AddSection(Profile(0, {-4, 0, 4}, {0, 0, 0}), 0, 0);
  AddSection(Profile(0, {-4, 0, 4}, {0, 0, 0}), 0, 40 * M);
  TrackSegment t = Road(0, 1, 3, EDGE_STRAIGHT);
  t.objectIndex = 5;
  t.spacing = -3;  // steps 4 and 8 with the last: two copies
  t.repeaterFlags = REPEAT_TO_LAST;
  WSegment* s = AddSegment(t);
  for (int i = 0; i < 3; ++i) W().objects[i]->Setup();
  W().mappings[0].flags |= SRF_HAS_COLOUR;
  CaughtLines lines;
  s->BuildMeshes();
  ASSERT_NE(s->levels[0].built, nullptr);
  const BuiltMesh& mesh = *s->levels[0].built;
  // The copies are the part of their material: each its triangle, its foot at its step.
  int first = 0;
  const BuiltPart* part = nullptr;
  for (int p = 0; p < mesh.partCount; ++p) {
    if (mesh.parts[p].material == &CopyMaterial) part = &mesh.parts[p];
    if (!part) first += mesh.parts[p].pointCount;
  }
  ASSERT_NE(part, nullptr);
  ASSERT_EQ(part->pointCount, 6);
  EXPECT_EQ(part->triangleCount, 2);
  EXPECT_NEAR(mesh.points[first].position[1], 20 * M, 2);
  EXPECT_NEAR(mesh.points[first + 3].position[1], 40 * M, 2);
  EXPECT_NEAR(mesh.points[first + 4].position[1], 41 * M, 2);
  // The bounds take the copies in.
  EXPECT_GE(s->centre.y + s->halfSize.y, 41 * M - 2);
  EXPECT_TRUE(lines.Lines().empty());
  // The pool's limit ends the copies with its text (the first copy stays, the second does
  // not fit); an entry without a model is unfit.  The level is built all the same.
  ModelPoints = 40000;
  s->FreeBuilt(true);
  s->BuildMeshes();
  ASSERT_NE(s->levels[0].built, nullptr);
  EXPECT_EQ(s->levels[0].built->triangleCount, 1);
  ASSERT_FALSE(lines.Lines().empty());
  EXPECT_EQ(lines.Lines().back(), std::string("Repeater : ") + TEXT_TOO_MANY_VERTICES);
  s->objectIndex = 6;
  s->FreeBuilt(true);
  s->BuildMeshes();
  EXPECT_EQ(lines.Lines().back(), std::string("Repeater : ") + TEXT_REPEATER_UNFIT);
  // Without parts the copies alone make the level (a row of them along the path).
  ModelPoints = 3;
  {
    TrackSegment row = Road(0, 1, 3, EDGE_STRAIGHT);
    row.parts.clear();
    row.objectIndex = 5;
    WSegment* r = AddSegment(row);
    r->Setup();
    r->BuildMeshes();
    ASSERT_NE(r->levels[0].built, nullptr);
    EXPECT_EQ(r->levels[0].built->triangleCount, 7);
    EXPECT_NEAR(r->centre.y, 20 * M, M);
  }
  // The coarser levels carry none.
  s->objectIndex = 5;
  ModelPoints = 3;
  s->distanceLevels = 1;
  s->FreeBuilt(true);
  s->BuildMeshes();
  for (int level = 1; level < s->levelCount; ++level)
    for (int p = 0; p < s->levels[level].built->partCount; ++p)
      EXPECT_NE(s->levels[level].built->parts[p].material, &CopyMaterial);
}

TEST_F(Roads, RepeatersRecolourAndBindTheirModelAndTakeTheRecolouringBack) {
  RepeaterModels models;
  AddSection(Profile(0, {-4, 0, 4}, {0, 0, 0}), 0, 0);
  AddSection(Profile(0, {-4, 0, 4}, {0, 0, 0}), 0, 40 * M);
  TrackSegment t = Road(0, 1, 3, EDGE_STRAIGHT);
  t.objectIndex = 5;
  t.variant = 8 * 2 + 3;  // colour word 3 of the run of four, numbered cutouts 2
  WSegment* s = AddSegment(t);
  for (int i = 0; i < 3; ++i) W().objects[i]->Setup();
  const StandInModel before = Stand;
  const auto expectAsBefore = [&before] {
    for (int i = 0; i < 2; ++i) {
      EXPECT_EQ(Stand.mappings[i].colour, before.mappings[i].colour) << i;
      EXPECT_EQ(Stand.mappings[i].cutout[0], before.mappings[i].cutout[0]) << i;
      EXPECT_EQ(Stand.mappings[i].cutout[1], before.mappings[i].cutout[1]) << i;
    }
    EXPECT_EQ(Stand.preset, 0);
    EXPECT_EQ(Stand.properties, 0);
  };
  // A dry run neither recolours nor binds.
  ASSERT_FALSE(DryRun(*s).empty());
  EXPECT_EQ(Stand.boundAtBuild + Stand.bound, 0);
  expectAsBefore();

  // The copies are built recoloured, with the textures bound once before them; the colours
  // and cutouts are as they were afterwards.
  s->BuildMeshes();
  ASSERT_NE(s->levels[0].built, nullptr);
  EXPECT_EQ(Stand.atBuild.colour, *TextColourByCode(11));
  EXPECT_EQ(Stand.atBuild.cutout[0], 102);
  EXPECT_EQ(Stand.boundAtBuild, 1);
  EXPECT_EQ(Stand.bound, 1);
  expectAsBefore();

  // Objects 48..55 of colour 0 switch the cutout preset: set back, colours restored.
  EntryIndex = s->objectIndex = 48;
  s->variant = 0;
  s->FreeBuilt(true);
  s->BuildMeshes();
  EXPECT_EQ(Stand.presetAtBuild, 1);
  expectAsBefore();

  // A layout model's type properties are applied for the copies and taken back.
  EntryIndex = s->objectIndex = 172;
  s->variant = 6;
  s->FreeBuilt(true);
  s->BuildMeshes();
  EXPECT_EQ(Stand.propertiesAtBuild, 6);
  expectAsBefore();

  // A copy the pool refuses ends the repeaters; the recolouring is taken back all the same.
  EntryIndex = s->objectIndex = 5;
  s->variant = 8 * 1 + 2;
  ModelPoints = 40000;
  CaughtLines lines;
  s->FreeBuilt(true);
  s->BuildMeshes();
  EXPECT_EQ(Stand.atBuild.colour, *TextColourByCode(10));
  expectAsBefore();
}

TEST_F(Roads, SegmentRepeatersGiveTheMapSquaresTheirTrunks) {
  RepeaterModels models;
  AddSection(Profile(0, {-4, 0, 4}, {2, 2, 2}), 10 * M, 10 * M);
  AddSection(Profile(0, {-4, 0, 4}, {2, 2, 2}), 10 * M, 50 * M);
  TrackSegment t = Road(0, 1, 3, EDGE_STRAIGHT);
  t.objectIndex = 5;
  t.pathEdge = 1;  // x = 10 m, inside one column of squares
  WSegment* s = AddSegment(t);
  for (int i = 0; i < 3; ++i) W().objects[i]->Setup();
  ASSERT_EQ(s->sizeByte, 50);  // from the entry's box
  s->AddPhysics();
  SizeGridOverSegments(W());
  BuildMapSquares(W());
  // One trunk at each of the seven copies, none twice, each where its copy stands.
  const std::vector<Copy> copies = DryRun(*s);
  ASSERT_EQ(copies.size(), 7u);
  std::vector<TrunkRecord> found;
  for (int r = 0; r < W().grid.height; ++r)
    for (int c = 0; c < W().grid.width; ++c) {
      const TrunkRecord* trunks = nullptr;
      const int n = SquareTrunks(W(), c, r, trunks);
      for (int i = 0; i < n; ++i) found.push_back(trunks[i]);
    }
  ASSERT_EQ(found.size(), copies.size());
  for (size_t i = 0; i < copies.size(); ++i) {
    EXPECT_EQ(found[i].x, copies[i].at.x);
    EXPECT_EQ(found[i].y, copies[i].at.y);
    EXPECT_EQ(found[i].radius, 50);
    EXPECT_LE(found[i].lowestZ, copies[i].at.z);
    EXPECT_GE(found[i].highestZ, copies[i].at.z);
  }
  // Without a size byte, or without an entry, a segment adds none.
  s->sizeByte = 0;
  BuildMapSquares(W());
  EXPECT_EQ(W().grid.trunkTotal, 0);
  s->sizeByte = 50;
  s->objectIndex = 6;
  BuildMapSquares(W());
  EXPECT_EQ(W().grid.trunkTotal, 0);
}
