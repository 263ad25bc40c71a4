// world_object_test.cpp - the world object with objects: its defaults, state queries, the
// objects added at run time, teardown, the pointer array, and the hooks a loaded world answers.
#include <gtest/gtest.h>

#include <cstring>

#include "core/sort_tree.h"
#include "render/humans.h"
#include "render/light_samples.h"
#include "render/views.h"
#include "solid/solid_hooks.h"
#include "tools/track_writer/track_writer.h"
#include "world/light_octrees.h"
#include "world/octree.h"
#include "world/pre_gen.h"
#include "world/racing_path.h"
#include "world_test_util.h"

namespace {

struct WorldObject : ::testing::Test {
  void SetUp() override { CWld = new Wld; }
  void TearDown() override { DeleteWorld(); }
  DiscObject* Add(uint8_t type, IntVector c, int32_t r, bool added = false) {
    auto* o = new DiscObject(type, c, r);
    EXPECT_TRUE(CWld->AddObjectToTable(o));
    if (added) ++CWld->addedCount;
    return o;
  }
  CaughtLines lines;
};

TEST_F(WorldObject, ANewWorldHasItsDefaults) {
  const Wld& w = *CWld;
  EXPECT_EQ(w.gravity, -9.81f);
  EXPECT_EQ(w.configNumber, 1);
  EXPECT_EQ(w.scale, 0.5f);
  EXPECT_EQ(w.colours[0], 0x1E1EFFu);
  EXPECT_EQ(w.colours[1], 0x1E1EFFu);
  EXPECT_EQ(w.colours[2], 0x1E1EFFu);
  EXPECT_EQ(w.colours[3], 0x1EFF1Eu);
  EXPECT_EQ(w.gridShift, 22);
  EXPECT_EQ(w.bumpSeed, 30168);
  EXPECT_EQ(w.bumpCount, 32);
  EXPECT_EQ(w.bumpRadius, 48);
  EXPECT_EQ(w.startMode, 4);
  EXPECT_EQ(w.figureList.capacity, 64u);
  EXPECT_EQ(w.activeList.capacity, 64u);
  EXPECT_EQ(w.figureList.count, 0u);
  for (const auto& row : w.orientation) {
    EXPECT_EQ(row[0], 1.0f);
    EXPECT_EQ(row[3], 0.0f);
  }
  EXPECT_EQ(w.objectCount, 0);
  EXPECT_NE(w.objects, nullptr);
  EXPECT_EQ(w.trackName[0], '\0');
}

TEST_F(WorldObject, LoadingStepsTextsAndPathNames) {
  for (const auto& [step, loading] : {std::pair{0, 0}, {1, 1}, {16, 1}, {17, 0}}) {
    CWld->loadStep = step;
    EXPECT_EQ(IsWorldLoading(), loading) << step;
  }
  SetWorldLoadingProgress(37);
  EXPECT_STREQ(WorldLoadingText, "Loading textures 37%");
  SetWorldLoadingText("Colours");
  EXPECT_STREQ(WorldLoadingText, "Colours");
  CWld->StartRebuild();
  EXPECT_EQ(CWld->loadStep, 17);
  EXPECT_EQ(CWld->rebuildStep, 1);
  EXPECT_STREQ(WorldLoadingText, "Rebuilding");
  EXPECT_EQ(IsWorldLoading(), 0);

  auto* path = new TrackPath;  // the world frees its paths
  EXPECT_STREQ(CWld->GetPathName(path), "?");
  CWld->paths = new NamedPath[2]{{"north", nullptr}, {"south", path}};
  CWld->pathCount = 2;
  EXPECT_STREQ(CWld->GetPathName(path), "south");
  EXPECT_STREQ(CWld->GetPathName(nullptr), "?");
  EXPECT_EQ(GetTrackCodeIndex(), 0);
}

// Freeing the objects leaves a world with nothing loaded: no objects (added ones neither), no
// paths, no texture names, no objects of the file, no load step and no meshes added.
TEST_F(WorldObject, FreeingTheObjectsLeavesNothingLoaded) {
  Wld& w = *CWld;
  Add(OBJECT_PLACED, {}, 65536);
  Add(OBJECT_PLACED, {}, 65536, true);
  w.paths = new NamedPath[1]{{"north", new TrackPath}};
  w.pathCount = 1;
  w.textureNames = new char[32]();
  w.textureNameCount = 2;
  w.fileObjectCount = 2;
  w.loadStep = 5;
  w.meshesAdded = 1;
  WorldRenderMeshes.assign(3, FastMeshHandle{});
  w.FreeObjects();
  EXPECT_TRUE(WorldRenderMeshes.empty()) << "the batches' render meshes go with the objects";
  EXPECT_EQ(w.objectCount, 0);
  EXPECT_EQ(w.addedCount, 0);
  EXPECT_EQ(w.objects[0], nullptr);
  EXPECT_EQ(w.objects[1], nullptr);
  EXPECT_EQ(w.paths, nullptr);
  EXPECT_EQ(w.pathCount, 0);
  EXPECT_EQ(w.textureNames, nullptr);
  EXPECT_EQ(w.textureNameCount, 0);
  EXPECT_EQ(w.fileObjectCount, 0);
  EXPECT_EQ(w.loadStep, 0);
  EXPECT_EQ(w.meshesAdded, 0);
  EXPECT_EQ(w.preGenCapacity, 0);
}

// Rebuilding the meshes clears the load (every object's built data freed and its state reset,
// no meshes added) and starts the rebuild at step 17; a world still loading builds them at its
// last step anyway and is left alone, and without a world nothing happens.
TEST_F(WorldObject, RebuildingTheMeshesClearsTheLoadAndStartsAtStep17UnlessLoading) {
  Wld& w = *CWld;
  DiscObject* a = Add(OBJECT_PLACED, {}, 65536);
  DiscObject* b = Add(OBJECT_SECTION, {}, 65536);
  w.loadStep = 5;
  WorldRenderMeshes.assign(2, FastMeshHandle{});
  RebuildWorldObjectMeshes();
  EXPECT_EQ(w.loadStep, 5) << "still loading";
  EXPECT_EQ(a->freesBuilt, 0);
  EXPECT_EQ(WorldRenderMeshes.size(), 2u) << "a world still loading keeps its render meshes";
  w.loadStep = 0;
  w.meshesAdded = 1;
  RebuildWorldObjectMeshes();
  EXPECT_TRUE(WorldRenderMeshes.empty()) << "the batches are made again from the first";
  EXPECT_EQ(w.loadStep, 17);
  EXPECT_EQ(w.rebuildStep, 1);
  EXPECT_EQ(w.meshesAdded, 0);
  EXPECT_STREQ(WorldLoadingText, "Rebuilding");
  for (DiscObject* o : {a, b}) {
    EXPECT_EQ(o->freesBuilt, 1);
    EXPECT_EQ(o->resets, 1);
  }
  w.loadStep = 0;
  StartWorldRebuild();
  EXPECT_EQ(w.loadStep, 17);
  EXPECT_EQ(a->freesBuilt, 2);
  Wld* kept = CWld;
  CWld = nullptr;
  StartWorldRebuild();
  RebuildWorldObjectMeshes();
  CWld = kept;
}

TEST_F(WorldObject, LoadStateRules) {
  Wld& w = *CWld;
  TrackPath* racing = reinterpret_cast<TrackPath*>(0x2000);
  w.timingCount = 1;
  w.racingPath = racing;
  EXPECT_EQ(w.GetLoadState(), 3) << "a point-to-point racing path";
  w.closedRacingPath = racing;
  EXPECT_EQ(w.GetLoadState(), 1);
  w.timingCount = 0;
  EXPECT_EQ(w.GetLoadState(), 3) << "nothing to time and no layout";
  w.layoutState = 1;
  EXPECT_EQ(w.GetLoadState(), 1);
  DiscObject* one = Add(OBJECT_PLACED, {}, 65536, true);
  one->flagsWord = 0x40 | 0x200;
  EXPECT_EQ(w.GetLoadState(), 1);
  one->flagsWord = 0x80;
  EXPECT_EQ(w.GetLoadState(), 2);
  Add(OBJECT_PLACED, {}, 65536, true);
  EXPECT_EQ(w.GetLoadState(), 2);
  w.racingPath = w.closedRacingPath = nullptr;
}

TEST_F(WorldObject, ViewCentreSizeAndRadius) {
  Wld& w = *CWld;
  // No objects: the centre at 0, the least size and radius.
  w.CalcViewCentreAndRadius();
  EXPECT_EQ(w.viewCentre.x, 0);
  EXPECT_EQ(w.viewSize, 2048 << 16);
  EXPECT_EQ(w.viewRadius, 1024 << 16);
  // Extremes -10 .. 3010.5 m in x and -100 .. 10 in y (the hidden object does not count):
  // centre (1500.25 -> 1500, -45).
  Add(OBJECT_SECTION, {int32_t(3000.5 * 65536), 0, 0}, 10 << 16);
  Add(OBJECT_SECTION, {0, -90 << 16, 0}, 10 << 16);
  DiscObject* hidden = Add(OBJECT_SECTION, {-9000 << 16, 0, 0}, 10 << 16);
  hidden->visible = false;
  w.CalcViewCentreAndRadius();
  EXPECT_EQ(w.viewCentre.x, 1500 << 16);
  EXPECT_EQ(w.viewCentre.y, -45 << 16);
  EXPECT_EQ(w.viewCentre.z, 0);
  // Half size: 3010.5 - 1500 = 1510.5 m; twice that rounded up to a multiple of 2 m: 3022 m.
  EXPECT_EQ(w.viewSize, 3022 << 16);
  // Radius: the far object's 10 m plus its distance from the centre (1500.5 m, 45 m).
  const double d = std::sqrt(1500.5 * 1500.5 + 45.0 * 45.0) * 65536.0;
  EXPECT_NEAR(w.viewRadius, (10 << 16) + d, 1.0);
}

// A world too big for 32 bits: the view size stops at the largest multiple of 2 m that fits,
// the radius at the largest value.  Two objects 2,000,000,000 units either side of the origin,
// each as wide again: the box spans +-4e9 about a centre of 0, and the far edge of each lies
// 4e9 from it.
TEST_F(WorldObject, AWorldPastThirtyTwoBitsKeepsTheLargestViewSizeAndRadius) {
  Add(OBJECT_SECTION, {2000000000, 0, 0}, 2000000000);
  Add(OBJECT_SECTION, {-2000000000, 0, 0}, 2000000000);
  CWld->CalcViewCentreAndRadius();
  EXPECT_EQ(CWld->viewCentre.x, 0);
  EXPECT_EQ(CWld->viewSize, 0x7FFE0000);
  EXPECT_EQ(CWld->viewRadius, 0x7FFFFFFF);
}

// The view box always holds the origin: a world wholly on the positive side spans from 0.
// One object from 19 m to 21 m less one unit in x: the middle of 0 .. 21 m less a unit is
// 10.5 m less half a unit, which rounds down to 10 m (from 1 unit it would be 11 m).
TEST_F(WorldObject, TheViewBoxOfAWorldOnOneSideStartsAtTheOrigin) {
  Add(OBJECT_SECTION, {(20 << 16) - 1, 0, 0}, 1 << 16);
  CWld->CalcViewCentreAndRadius();
  EXPECT_EQ(CWld->viewCentre.x, 10 << 16);
  EXPECT_EQ(CWld->viewCentre.y, 0);
}

TEST_F(WorldObject, AddedObjectsLayoutStatesAndChanges) {
  Wld& w = *CWld;
  Add(OBJECT_PLACED, {}, 65536);
  DiscObject* a = Add(OBJECT_PLACED, {}, 65536, true);
  DiscObject* b = Add(OBJECT_PLACED, {}, 65536, true);
  DiscObject* c = Add(OBJECT_SEGMENT, {}, 65536, true);
  a->layoutKind = 150;
  b->layoutKind = 7;
  c->layoutKind = 150;
  // Byte 3 the kind; the state byte of the object at index i is byte 4 + (i & 63).
  uint8_t packet[8] = {2, 101, 0, 150, 11, 22, 33, 44};
  ApplyLayoutObjectStates(packet, 8);
  EXPECT_EQ(a->layoutState, 22);
  EXPECT_EQ(b->layoutState, 0);
  EXPECT_EQ(c->layoutState, 44);
  c->layoutState = 1;
  packet[7] = 99;
  ApplyLayoutObjectStates(packet, 7);  // the byte of index 3 lies past the length: not read
  EXPECT_EQ(c->layoutState, 1);
  w.raceStart = 1;
  w.ResetLayoutMarks();
  EXPECT_EQ(w.raceStart, 0);
  EXPECT_EQ(a->layoutState, 0);
  EXPECT_EQ(c->layoutState, 0);

  // Changes: added placed objects with a model entry and no built mesh yet.
  a->preGenIndex = 3;
  b->preGenIndex = 65535;
  c->preGenIndex = 3;  // not a placed object
  EXPECT_EQ(w.CountLayoutChanges(), 1);
  w.loadStep = 5;
  w.RefreshLayoutChanges();
  EXPECT_EQ(w.changed, 1) << "rebuilt once loading is done";
  a->cachedIndex = 7;
  w.RefreshLayoutChanges();
  EXPECT_EQ(w.changed, 0);

  // States: from the first index on; the added ones from the first added.
  w.ResetObjectStates(2);
  EXPECT_EQ(static_cast<DiscObject*>(w.objects[0])->resets, 0);
  EXPECT_EQ(b->resets, 1);
  w.ResetAddedObjectStates();
  EXPECT_EQ(a->resets, 1);
  EXPECT_EQ(static_cast<DiscObject*>(w.objects[0])->resets, 0);
  w.loadStep = 3;
  w.ClearLoad();
  EXPECT_EQ(w.loadStep, 0);
  EXPECT_EQ(a->freesBuilt, 1);
  EXPECT_EQ(a->resets, 2);
  EXPECT_EQ(static_cast<DiscObject*>(w.objects[0])->resets, 1) << "clearing the load resets from the first object";
}

TEST_F(WorldObject, RemovingTheAddedObjectsEmptiesAndRefillsTheOctree) {
  Wld& w = *CWld;
  FillRandomWorld(w, 200, 800, 4);
  for (int i = 0; i < 20; ++i) Add(OBJECT_SECTION, {i << 20, 0, 0}, 65536, true);
  ObjectOctree.AddObjects(CONFIG_MASK_ALWAYS);
  const uint32_t all = ObjectOctree.numObs;
  w.RemoveAddedAndPhysicsObs();
  EXPECT_EQ(w.objectCount, 200);
  EXPECT_EQ(w.addedCount, 0);
  EXPECT_EQ(ObjectOctree.numObs, 0u) << "the lists were emptied first";
  ObjectOctree.AddObjects(CONFIG_MASK_ALWAYS);
  EXPECT_EQ(ObjectOctree.numObs, all - 20);
  EXPECT_EQ(lines.Lines().size(), 0u);
}

TEST_F(WorldObject, TeardownFreesAWorldThatNeverLoadedAndAFullOne) {
  delete CWld;  // never loaded
  CWld = new Wld;
  FillRandomWorld(*CWld, WORLD_MAX_OBJECTS, 8000, 9);
  EXPECT_EQ(CWld->objectCount, WORLD_MAX_OBJECTS);
  EXPECT_FALSE(CWld->AddObjectToTable(nullptr)) << "the table is full";
  ObjectOctree.AddObjects(CONFIG_MASK_ALWAYS);
  std::vector<uint8_t> lighting;
  {
    TrackLightingBlock b;
    b.size = b.verticalSize = 1 << 24;
    b.nodes.push_back({0, 0, 1, 0, 1, 0, 0});
    b.samples.push_back({});
    WrittenStream s([&](DataFile& f) { WriteLightingOctreeBlock(f, b); });
    ASSERT_EQ(ReadLightingOctreeBlock(s.file), 1);
  }
  DeleteWorld();  // ASan and LSan see every object, node and record freed
  EXPECT_EQ(CWld, nullptr);
  EXPECT_EQ(ObjectOctree.nodes, nullptr);
  EXPECT_TRUE(WorldLighting.nodes.empty());
  DeleteWorld();
}

// The marks of the lights and signs of kinds 149 to 151 clear, the kinds either side of them
// keep theirs; a change counts for an added placed object whose model index is at most 65534
// and whose mesh index is 65535 or more (no mesh built yet).
TEST_F(WorldObject, LayoutMarksClearForKinds149To151AndChangesCountAtTheIndexLimits) {
  Wld& w = *CWld;
  const int kinds[5] = {148, 149, 150, 151, 152};
  const uint8_t kept[5] = {9, 0, 0, 0, 9};
  DiscObject* o[5];
  for (int i = 0; i < 5; ++i) {
    o[i] = Add(OBJECT_PLACED, {}, 65536, true);
    o[i]->layoutKind = kinds[i];
    o[i]->layoutState = 9;
  }
  w.ResetLayoutMarks();
  for (int i = 0; i < 5; ++i) EXPECT_EQ(o[i]->layoutState, kept[i]) << kinds[i];

  EXPECT_EQ(w.CountLayoutChanges(), 0) << "model index 65535: no model";
  o[0]->preGenIndex = 65534;
  EXPECT_EQ(w.CountLayoutChanges(), 1);
  o[0]->cachedIndex = 65534;
  EXPECT_EQ(w.CountLayoutChanges(), 0) << "a mesh index below 65535: built";
  o[0]->cachedIndex = 70000;
  o[4]->preGenIndex = 0;
  EXPECT_EQ(w.CountLayoutChanges(), 2);
}

// The objects that keep meshes of their own on the device (turbines, marshals, spectators and
// flags) free them; the others keep theirs.
TEST_F(WorldObject, FreeingTheViewObjectsFreesOnlyThoseThatDrawThemselves) {
  const uint8_t types[] = {OBJECT_TURBINE, OBJECT_MARSHAL, OBJECT_SPECTATOR, OBJECT_FLAG,
                           OBJECT_PLACED,  OBJECT_SECTION, OBJECT_SEGMENT,   OBJECT_CAMERA};
  std::vector<DiscObject*> objects;
  for (uint8_t t : types) objects.push_back(Add(t, {}, 65536));
  FreeViewObjects();
  for (size_t i = 0; i < objects.size(); ++i) EXPECT_EQ(objects[i]->freesBuilt, i < 4 ? 1 : 0) << int(types[i]);
}

TEST(PtrArrayGrowth, EveryEntryIsKept) {
  PtrArray list;
  ASSERT_TRUE(list.Grow());
  EXPECT_EQ(list.capacity, 1024u);
  for (uintptr_t i = 1; i <= 5000; ++i) ASSERT_TRUE(list.Add(reinterpret_cast<FixedOb*>(i * 8)));
  EXPECT_EQ(list.capacity, 8192u);
  EXPECT_EQ(list.count, 5000u);
  for (uintptr_t i = 1; i <= 5000; ++i) ASSERT_EQ(list.items[i - 1], reinterpret_cast<FixedOb*>(i * 8));
  list.Free();
  EXPECT_EQ(list.capacity, 0u);
  PtrArray small;
  ASSERT_TRUE(small.Reserve(64));
  for (uintptr_t i = 1; i <= 65; ++i) small.Add(reinterpret_cast<FixedOb*>(i));
  EXPECT_EQ(small.capacity, 128u);
  EXPECT_EQ(small.items[64], reinterpret_cast<FixedOb*>(65));
  // Room for fewer than it holds keeps the first entries only.
  ASSERT_TRUE(small.Reserve(3));
  EXPECT_EQ(small.capacity, 3u);
  EXPECT_EQ(small.count, 3u);
  for (uintptr_t i = 1; i <= 3; ++i) EXPECT_EQ(small.items[i - 1], reinterpret_cast<FixedOb*>(i));
  small.Free();
}

TEST_F(WorldObject, TheDrawSortTreeHoldsTheMeshAndWords) {
  SortTree& tree = SharedDrawTree;
  const bool own = tree.capacity == 0;
  if (own) {
    ASSERT_TRUE(tree.Init(8, 0, 0, SHARED_DRAW_TREE_PAYLOAD));
  }
  tree.Clear();
  int thing = 0;
  ASSERT_TRUE(CWld->AddToDrawSort(5, &thing, 0, 77, {1, 2, 3}));
  SortNode* node = tree.First();
  ASSERT_NE(node, nullptr);
  const uint8_t* payload = static_cast<const uint8_t*>(SortNodePayload(node));
  const void* mesh;
  std::memcpy(&mesh, payload, sizeof mesh);
  EXPECT_EQ(mesh, &thing) << "a whole 64-bit pointer";
  uint32_t words[4];
  std::memcpy(words, payload + sizeof mesh, sizeof words);
  EXPECT_EQ(words[1], 77u);
  EXPECT_EQ(words[2], 1u);
  EXPECT_EQ(words[3], 2u);
  tree.Clear();
  if (own) tree.Free();
}

TEST_F(WorldObject, ALoadedWorldAnswersTheHooksBelowIt) {
  const WorldHooks savedHooks = InstallWorldHooks(NoWorldHooks());
  const auto savedRay = Wld::RayTest;
  const auto savedLighting = Wld::GetLighting;
  InstallWorld();
  CWld->gravity = -3.0f;
  EXPECT_EQ(WorldLink.Gravity(), -3.0f);
  // Two ground sections under (0, 0): the octree's ray gives the higher one.
  DiscObject* low = Add(OBJECT_SECTION, {0, 0, 2 << 16}, 5 << 16);
  DiscObject* high = Add(OBJECT_SECTION, {0, 0, 6 << 16}, 5 << 16);
  low->ownFlags = high->ownFlags = SECTION_FLAG_GROUND;
  ObjectOctree.AddObjects(CONFIG_MASK_ALWAYS);
  const int32_t start[3] = {65536, 0, 10 << 16}, down[3] = {0, 0, -(20 << 16)};
  int32_t hit[3] = {};
  ASSERT_EQ(WorldRayCastHook(start, down, hit), 1);
  EXPECT_EQ(hit[2], 6 << 16);
  // A probe's ray test reaches the object's own.
  ContactProbe probe{};
  WorldLink.RayTest(high, {0, 0, 10 << 16}, {0, 0, 10 << 16}, probe, 0, 0, 0, RAY_TEST_MODE_CONTACT);
  EXPECT_EQ(probe.candidateObject, high);
  // The car's ray from above: the nearer hit shortens it.
  WorldRayHit carHit = {FIXED_ONE, 0};
  EXPECT_EQ(Wld::RayTest(high, {0, 0, 10 << 16}, {0, 0, -(8 << 16)}, carHit), 1);
  EXPECT_EQ(carHit.fraction, FIXED_ONE / 2);
  EXPECT_EQ(Wld::RayTest(low, {0, 0, 10 << 16}, {0, 0, -(8 << 16)}, carHit), 0) << "farther than the hit";
  // Lighting: no octrees, no light; the point octree's hook says it has none.
  LightRecord record;
  EXPECT_EQ(WorldLightingLookupHook(start, record), 0);
  LightSample sample;
  EXPECT_EQ(WorldLightSampleHook(start, sample), -1);
  InstallWorldHooks(savedHooks);
  WorldRayCastHook = nullptr;
  WorldLightingLookupHook = nullptr;
  WorldLightSampleHook = nullptr;
  CameraWorldPickHook = nullptr;
  Wld::RayTest = savedRay;
  Wld::GetLighting = savedLighting;
}

}  // namespace
