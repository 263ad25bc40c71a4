// world_models_test.cpp - the world's model services over the sample models: the object
// variants recolour the sample car body and every reported change is undone after, and the
// sample box is built into a built mesh and placed into a mesh pool, scaled and offset.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "core/data_file.h"
#include "model/model_materials.h"
#include "model/model_meshes.h"
#include "model/pregen_model.h"
#include "modeller/world/layout_properties.h"
#include "modeller/world/world_models.h"
#include "render/gouraud_mesh.h"
#include "render/material.h"
#include "text/text_colours.h"
#include "tools/model_gen/sample_models.h"
#include "world/pre_gen.h"
#include "world/render_mesh_builder.h"
#include "world/world.h"

namespace {

struct WorldModels_ : ::testing::Test {
  void SetUp() override {
    saved = WorldModels;
    InstallWorldModelServices();
    car.Init();
    BuildSampleCar(car);
    entry = {};
    entry.kind = PREGEN_MODEL;
    entry.scale = 1.0f;
    entry.model = &car;
    int highest = 0;
    car.CountCutoutNumbers(&highest);
    entry.highestCutout = uint8_t(highest);
    CWld = new Wld;
    for (int c = 0; c < 6; ++c) CWld->objectColours[c] = RgbWord(10 * c, 20, 30);
  }
  void TearDown() override {
    entry.model = nullptr;
    car.Free();
    DeleteWorld();
    WorldModels = saved;
  }
  int MappingsOfColour(ColourWord colour) const {
    int n = 0;
    for (int i = 0; i < car.mappingCount; ++i) n += car.mappings[i].colour == colour;
    return n;
  }
  int NumberCutout() const {
    for (int i = 0; i < car.mappingCount; ++i)
      if (std::strcmp(car.mappings[i].name, "C~number") == 0) return car.mappings[i].cutout[0];
    return -1;
  }
  int CutoutNamed(const char* name) const {
    for (int i = 0; i < car.cutoutCount; ++i)
      if (std::strcmp(car.cutouts[i].name, name) == 0) return i;
    return -1;
  }
  WorldModelServices saved{};
  ModelObject car;
  PreGenModel entry{};
};

TEST_F(WorldModels_, VariantsRecolourTheSampleCarAndTheirChangesAreUndone) {
  ASSERT_GT(entry.highestCutout, 0) << "the sample car has a numbered family";
  VariantChanges changes{};
  const ColourWord yellow = RgbWord(230, 200, 40);
  EXPECT_EQ(MappingsOfColour(yellow), 0);
  ApplyObjectVariant(entry, 30, 8 * 2 + 2, 0, changes);  // colour choice 2, cutouts 2
  EXPECT_GT(MappingsOfColour(yellow), 0);
  EXPECT_EQ(NumberCutout(), CutoutNamed("C~num_2"));
  EXPECT_EQ(changes.presetChanged + changes.propertiesChanged, 0);

  ApplyObjectVariant(entry, 92, 2 * 3 + 1, 0, changes);  // choice 1, cutouts 3
  EXPECT_GT(MappingsOfColour(RgbWord(30, 60, 200)), 0);
  EXPECT_EQ(NumberCutout(), CutoutNamed("C~num_3"));
  ApplyObjectVariant(entry, 200, 1, 2, changes);  // choice (second variant) 2, cutouts 1
  EXPECT_GT(MappingsOfColour(yellow), 0);
  EXPECT_EQ(NumberCutout(), CutoutNamed("C~num_1"));

  ApplyObjectVariant(entry, 5, 8 * 2 + 3, 0, changes);
  EXPECT_EQ(MappingsOfColour(*TextColourByCode(11)), car.mappingCount) << "every mapping";
  EXPECT_EQ(NumberCutout(), CutoutNamed("C~num_2"));
  ApplyObjectVariant(entry, 16, 2 * 3 + 1, 0, changes);
  EXPECT_EQ(MappingsOfColour(*TextColourByCode(13)), car.mappingCount);

  // Objects 48..55 with colour 0: the preset is switched and reported; undoing it restores
  // every cutout.
  std::vector<uint8_t> lefts;
  for (int i = 0; i < car.cutoutCount; ++i) lefts.push_back(car.cutouts[i].region[REGION_LEFT]);
  ApplyObjectVariant(entry, 50, 3, 0, changes);
  EXPECT_EQ(changes.presetChanged, 0);
  EXPECT_EQ(MappingsOfColour(RgbWord(30, 20, 30)), car.mappingCount);
  ApplyObjectVariant(entry, 48, 7, 0, changes);  // 7 AND 7 is 7, not below 6: colour 0
  ASSERT_EQ(changes.presetChanged, 1);
  EXPECT_EQ(MappingsOfColour(RgbWord(0, 20, 30)), car.mappingCount);
  car.SetCutoutPreset(CUTOUT_PRESET_PAINT);  // the caller's undo
  for (int i = 0; i < car.cutoutCount; ++i) EXPECT_EQ(car.cutouts[i].region[REGION_LEFT], lefts[size_t(i)]) << i;

  // The layout type properties: defaults change nothing; a wider width is reported and taken
  // back bit for bit.
  ApplyObjectVariant(entry, 172, 0x05, 0, changes);
  EXPECT_EQ(changes.propertiesChanged, 0);
  std::vector<int32_t> xs;
  for (int i = 0; i < car.pointCount; ++i) xs.push_back(car.points[i].x);
  ApplyObjectVariant(entry, 172, 0x06, 0, changes);
  EXPECT_EQ(changes.propertiesChanged, 1);
  EXPECT_EQ(SetObjectTypeProperties(car, 172, 0x06, 1), 1);
  for (int i = 0; i < car.pointCount; ++i) EXPECT_EQ(car.points[i].x, xs[size_t(i)]) << i;

  // An entry without a model.
  PreGenModel empty{};
  empty.kind = PREGEN_MODEL;
  ApplyObjectVariant(empty, 48, 0, 0, changes);
  EXPECT_EQ(changes.presetChanged, 0);
}

// Every mapping's colour and cutouts, the subobjects' after the model's own.
std::vector<uint32_t> MappingWords(const ModelObject& o) {
  std::vector<uint32_t> words;
  for (int i = 0; i < o.mappingCount; ++i)
    words.insert(words.end(), {o.mappings[i].colour, o.mappings[i].cutout[0], o.mappings[i].cutout[1]});
  for (int c = 0; c < o.childCount; ++c) {
    const std::vector<uint32_t> child = MappingWords(o.children[c]);
    words.insert(words.end(), child.begin(), child.end());
  }
  return words;
}

TEST_F(WorldModels_, RecordedVariantsAreTakenBackWholeAndTexturesBindForTheWorld) {
  const std::vector<uint32_t> original = MappingWords(car);
  std::vector<uint8_t> lefts;
  for (int i = 0; i < car.cutoutCount; ++i) lefts.push_back(car.cutouts[i].region[REGION_LEFT]);
  const std::vector<int32_t> xs = [this] {
    std::vector<int32_t> v;
    for (int i = 0; i < car.pointCount; ++i) v.push_back(car.points[i].x);
    return v;
  }();
  // Colours of every mapping, numbered cutouts, a colour choice, the preset, the properties.
  const int cases[][3] = {{5, 8 * 2 + 3, 0}, {30, 8 * 2 + 2, 0}, {200, 1, 2}, {48, 7, 0}, {172, 0x06, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c[0]);
    VariantRecord record;
    ApplyObjectVariantRecorded(entry, c[0], c[1], c[2], record);
    EXPECT_EQ(record.mappings.size() * 3, original.size());
    if (c[0] != 172) {
      EXPECT_NE(MappingWords(car), original);
    }
    UndoObjectVariant(entry, c[0], c[1], record);
    EXPECT_EQ(MappingWords(car), original);
    for (int i = 0; i < car.cutoutCount; ++i) EXPECT_EQ(car.cutouts[i].region[REGION_LEFT], lefts[size_t(i)]) << i;
    for (int i = 0; i < car.pointCount; ++i) EXPECT_EQ(car.points[i].x, xs[size_t(i)]) << i;
  }
  ASSERT_NE(WorldModels.AssignTextures, nullptr);
  car.textureUsage = 0;
  WorldModels.AssignTextures(&car);
  EXPECT_EQ(car.textureUsage, 3);
  FreeAllMaterials();  // the car's textures made materials
}

TEST_F(WorldModels_, TheSampleBoxIsBuiltAndPlacedScaledAndOffset) {
  ModelObject box;
  box.Init();
  BuildSampleBox(box);
  AssignMeshTextures(box, 3, ~0u);
  FixedTransform identity;
  MatrixIdentity(identity.rotation);
  identity.translation = {};
  BuiltMesh plain;
  EXPECT_EQ(BuildModelLevelIntoBuiltMesh(box, identity, plain), 0);
  ASSERT_GT(plain.triangleCount, 0);
  int points = 0, triangles = 0;
  for (int p = 0; p < plain.partCount; ++p) {
    points += plain.parts[p].pointCount;
    triangles += plain.parts[p].triangleCount;
  }
  EXPECT_EQ(points, plain.pointCount);
  EXPECT_EQ(triangles, plain.triangleCount);

  PreGenModel placed{};
  placed.kind = PREGEN_MODEL;
  placed.model = &box;
  placed.scale = 2.0f;
  box.offset[0] = 65536;  // one metre along the model's x
  auto pool = std::make_unique<MeshPool>();
  ResetMeshPool(*pool);
  FixedMatrix identityMatrix;
  MatrixIdentity(identityMatrix);
  const IntVector at = {5 * 65536, -3 * 65536, 65536};
  EXPECT_EQ(PlaceModelInPool(*pool, placed, at, identityMatrix), nullptr);
  ASSERT_EQ(pool->vertexCount, plain.pointCount);
  EXPECT_EQ(pool->triangleCount, plain.triangleCount);
  for (int i = 0; i < plain.pointCount; ++i) {
    // Scaled by 2, moved by the position and by the offset turned by the scaled matrix (2 m).
    EXPECT_NEAR(pool->vertices[i].position[0], 2.0 * plain.points[i].position[0] + at.x + 2 * 65536, 2) << i;
    EXPECT_NEAR(pool->vertices[i].position[1], 2.0 * plain.points[i].position[1] + at.y, 2) << i;
    EXPECT_NEAR(pool->vertices[i].position[2], 2.0 * plain.points[i].position[2] + at.z, 2) << i;
  }
  plain.Free();
  placed.model = nullptr;
  box.Free();
  FreeAllMaterials();  // the box's textures made materials
}

// A turbine's bounds: the model's own sphere and each subobject's moved by its offset, with
// the mirrored twin flag.
TEST_F(WorldModels_, PartSpheresAreTheOwnAndTheSubobjectsAtTheirOffsets) {
  ModelObject mast;
  mast.Init();
  BuildSampleBox(mast);
  IntVector centre;
  int32_t radius;
  mast.GetBoundingSphere(&centre, &radius, nullptr, nullptr);
  mast.AddSubobjectSlot();
  ModelObject& rotor = mast.children[0];
  rotor.CopyFrom(mast, 0, 0);
  mast.childCount = 1;
  rotor.offset[1] = 3 * 65536;
  rotor.options |= OPTION_MIRRORED_TWIN;
  ModelSphere own{}, parts[2]{};
  ASSERT_EQ(WorldModels.ModelPartSpheres(&mast, own, parts, 2), 1);
  EXPECT_EQ(own.centre.x, centre.x);
  EXPECT_EQ(own.centre.z, centre.z);
  EXPECT_EQ(own.radius, radius) << "the subobject is not in the own sphere";
  EXPECT_EQ(parts[0].centre.y, centre.y + 3 * 65536);
  EXPECT_EQ(parts[0].centre.x, centre.x);
  EXPECT_EQ(parts[0].radius, radius);
  EXPECT_EQ(parts[0].mirrored, 1);
  parts[0] = {};
  EXPECT_EQ(WorldModels.ModelPartSpheres(&mast, own, parts, 0), 1) << "counted without room";
  EXPECT_EQ(parts[0].radius, 0);
  mast.Free();
  FreeAllMaterials();
}

// A turbine's drawing mesh: the model's level 0, and each subobject a child at its offset (a
// mirrored twin's copy first), so that the turbine can turn its parts.
TEST_F(WorldModels_, TheDrawMeshHoldsEachSubobjectAsAChildAtItsOffset) {
  ModelObject mast;
  mast.Init();
  BuildSampleBox(mast);
  mast.AddSubobjectSlot();
  ModelObject& rotor = mast.children[0];
  rotor.CopyFrom(mast, 0, 0);
  mast.childCount = 1;
  rotor.offset[1] = 3 * 65536;
  GouraudO3d mesh;
  mesh.Init();
  WorldModels.BuildDrawMesh(&mast, mesh);
  EXPECT_GT(mesh.pointCount, 0);
  EXPECT_GT(mesh.triangleCount, 0);
  ASSERT_EQ(mesh.childCount, 1);
  EXPECT_EQ(mesh.children[0]->local.translation.y, 3 * 65536);
  EXPECT_EQ(mesh.children[0]->pointCount, mesh.pointCount);
  mesh.Free();
  GouraudO3d twin;
  twin.Init();
  rotor.options |= OPTION_MIRRORED_TWIN;
  WorldModels.BuildDrawMesh(&mast, twin);
  EXPECT_EQ(twin.childCount, 2) << "the mirrored copy and the subobject";
  twin.Free();
  mast.Free();
  FreeAllMaterials();
}

// A pot entry of the track's model table reads its outline through the world's reader, and the
// world sees the entry's fields by their names.
TEST_F(WorldModels_, APotEntryIsReadAndSeenByTheWorld) {
  DataFile f{};
  const auto write = [](DataFile& d) {
    d.WriteByte(PREGEN_POT);  // kind
    d.WriteByte(3);           // surface kind
    d.WriteByte(1);           // flags
    d.WriteByte(40);          // box size
    d.WriteFloat(1.5f);       // scale
    for (float v : {9000.0f, 0.7f, 300.0f, 12.0f}) d.WriteFloat(v);
    d.WriteByte(2);  // physics flags
    d.WriteByte(2);  // physics kind: movable
    d.WriteByte(0);
    d.WriteByte(5);  // pit-stop byte
    // The pot: skipped byte, 8 segments, 1 edge, skipped byte, 20 extra bytes, 2 points.
    for (int b : {0, 8, 1, 0}) d.WriteByte(b);
    for (int i = 0; i < 20; ++i) d.WriteByte(0);
    d.WriteInt(2);
    for (float v : {0.5f, 0.0f, 0.5f, 1.0f}) d.WriteFloat(v);
    for (int b : {0, 0, 1, 0, 0, 0, 0, 1}) d.WriteByte(b);  // mapping 0, collidable, points 0 and 1
  };
  f.BeginMemoryWrite(0, nullptr);
  write(f);
  f.BeginMemoryWrite(1, nullptr);
  write(f);
  ASSERT_EQ(f.FinishMemoryWrite(), 1);
  f.StartMemoryRead();
  PreGenModel pot{};
  EXPECT_EQ(pot.Read(f, 252), 1);
  EXPECT_EQ(f.BytesLeft(), 0);
  f.Close();
  ASSERT_NE(pot.pot, nullptr);
  EXPECT_EQ(pot.GetModelObject(), nullptr);
  EXPECT_EQ(pot.boxSize, 0) << "cleared for a movable entry";
  EXPECT_EQ(pot.pitStopByte, 5);
  CWld->preGen = &pot;
  CWld->preGenCapacity = 1;
  PreGenEntryView view;
  ASSERT_EQ(WorldModels.EntryOf(0, view), 1);
  EXPECT_EQ(view.sourceKind, SOURCE_POT);
  EXPECT_EQ(view.pot, pot.pot);
  EXPECT_EQ(view.surfaceKind, 3);
  EXPECT_EQ(view.scale, 1.5f);
  EXPECT_EQ(view.stiffness, 9000.0f);
  EXPECT_EQ(view.mass, 12.0f);
  EXPECT_EQ(view.grip, 0.7f);
  EXPECT_EQ(view.damping, 300.0f);
  EXPECT_EQ(view.flags, 1);
  EXPECT_EQ(view.boxSize, 0);
  EXPECT_EQ(view.physicsKind, PHYSICS_MOVABLE);
  EXPECT_EQ(view.physicsFlags, 2);
  EXPECT_EQ(view.pitStopByte, 5) << "the world's set-up reads it for pit stops";
  EXPECT_EQ(WorldModels.EntryOf(1, view), 0) << "past the table";
  EXPECT_EQ(WorldModels.EntryOf(-1, view), 0);
  CWld->preGen = nullptr;
  CWld->preGenCapacity = 0;
  pot.Free();
  EXPECT_EQ(pot.pot, nullptr);
}

}  // namespace

TEST_F(WorldModels_, EntriesByObjectIndexWithTheirBoxAndTheModelsOverlayFlag) {
  PreGenModel entries[3] = {};
  entries[2] = entry;
  entries[2].boxSize = 37;
  CWld->preGen = entries;
  CWld->preGenCapacity = 3;
  EXPECT_EQ(WorldModels.EntryAt(0), &entries[0]) << "the first entry is one of the table";
  EXPECT_EQ(WorldModels.EntryAt(2), &entries[2]);
  EXPECT_EQ(WorldModels.EntryAt(3), nullptr);
  EXPECT_EQ(WorldModels.EntryAt(-1), nullptr);
  EXPECT_EQ(WorldModels.EntryBoxSize(*WorldModels.EntryAt(2)), 37);
  car.options &= uint16_t(~OPTION_OVERLAY);
  EXPECT_EQ(WorldModels.ModelIsSeeThrough(&car), 0);
  car.options |= OPTION_OVERLAY;
  EXPECT_EQ(WorldModels.ModelIsSeeThrough(&car), 1);
  entries[2].model = nullptr;
  CWld->preGen = nullptr;
  CWld->preGenCapacity = 0;
}
