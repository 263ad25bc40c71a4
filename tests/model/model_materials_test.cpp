// model_materials_test.cpp - material repair, plate cutouts, colour choices and master
// colours, numbered cutout families, reserved names and the mapping colour block.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/data_file.h"
#include "model/model_materials.h"
#include "render/texture_names.h"
#include "tests/model/model_test_util.h"

namespace {
class ModelMaterials : public ModelTest {};

void Name(char* field, const char* name) { std::strcpy(field, name); }

// An object with the given cutout names (all on page 0) and one mapping per name given.
void Named(ModelObject& o, std::initializer_list<const char*> cutouts, std::initializer_list<const char*> mappings) {
  o.Init();
  int i = 0;
  for (const char* name : cutouts) {
    if (i++ > 0) o.AddCutout(nullptr);
    Name(o.cutouts[o.cutoutCount - 1].name, name);
  }
  i = 0;
  for (const char* name : mappings) {
    if (i++ > 0) o.AddMapping(nullptr);
    Name(o.mappings[o.mappingCount - 1].name, name);
  }
}
}  // namespace

TEST_F(ModelMaterials, MaterialFlagsFollowTheEnvironmentMap) {
  ModelObject o;
  Named(o, {"overlay", "shiny", "matt"}, {"glass", "lamp", "plain"});
  o.cutouts[0].material.envMapType = ENV_OVERLAY;
  o.cutouts[1].material.envMapType = ENV_C_SHINE;
  o.mappings[0].colour = 0xFFFFFF | CF_SELF_LIT | CF_TRANSLUCENT;
  o.mappings[1].colour = 0xFFFFFF | CF_SELF_LIT | CF_TRANSLUCENT;
  o.mappings[1].cutout[0] = 1;
  o.mappings[2].colour = 0xFFFFFF | CF_SELF_LIT | CF_TRANSLUCENT;
  o.mappings[2].cutout[0] = 2;
  FixModelMaterialFlags(o, 1);
  EXPECT_EQ(o.mappings[0].colour, 0xFFFFFFu);
  EXPECT_EQ(o.mappings[1].colour, 0xFFFFFF | CF_SELF_LIT);
  EXPECT_EQ(o.mappings[2].colour, 0xFFFFFF | CF_SELF_LIT | CF_TRANSLUCENT);
  EXPECT_EQ(CountMessages("Removed CF_SELF_LIT from glass - material is overlay or plain", TextColours.grey), 1);
  EXPECT_EQ(CountMessages("Removed CF_TRANSLUCENT from glass - material has environment map", TextColours.grey), 1);
  EXPECT_EQ(CountMessages("Removed CF_TRANSLUCENT from lamp - material has environment map", TextColours.grey), 1);
  EXPECT_EQ(MessageLineCount, 3);
  o.Free();
}

TEST_F(ModelMaterials, PlateCutoutsTakeTheirPresetsAndTheAlphaOnesGoLast) {
  ModelObject o;
  Named(o, {"alpha plate", "plate", "paint"}, {"a", "b", "c"});
  Name(o.pages[0].name, "S_PLATE_ALP");
  o.AddPage(nullptr);
  Name(o.pages[1].name, "s_plate");
  o.AddPage(nullptr);
  Name(o.pages[2].name, "paint");
  for (int i = 0; i < 3; ++i) {
    o.cutouts[i].page = static_cast<uint8_t>(i);
    o.mappings[i].cutout[0] = o.mappings[i].cutout[1] = static_cast<uint16_t>(i);
  }
  o.FixPlateCutouts();
  EXPECT_STREQ(o.cutouts[0].name, "plate");
  EXPECT_STREQ(o.cutouts[1].name, "paint");
  EXPECT_STREQ(o.cutouts[2].name, "alpha plate");
  EXPECT_EQ(o.mappings[0].cutout[0], 2);
  EXPECT_EQ(o.mappings[1].cutout[1], 0);
  EXPECT_EQ(o.mappings[2].cutout[0], 1);
  EXPECT_EQ(std::memcmp(&o.cutouts[0].material, &MATERIAL_PLATE, 8), 0);
  EXPECT_EQ(std::memcmp(&o.cutouts[2].material, &MATERIAL_PLATE_WITH_ALPHA, 8), 0);
  o.Free();
}

TEST_F(ModelMaterials, ColourChoicesAndMasterColours) {
  ModelObject o;
  Named(o, {"c"}, {"C1", "d1", "E1", "M1", "C2", "other"});
  o.colourChoices = static_cast<ColourWord*>(std::calloc(3, sizeof(ColourWord)));
  o.colourChoiceCount = 3;
  o.colourChoices[0] = RgbWord(200, 100, 50) | CF_SELF_LIT;
  o.colourChoices[1] = RgbWord(1, 2, 3);
  o.mappings[1].colour = 0xFFFFFF | CF_TRANSLUCENT;
  o.ApplyColourChoice(5);  // beyond the choices: choice 0
  EXPECT_EQ(o.mappings[0].colour, RgbWord(200, 100, 50) | CF_SELF_LIT);
  EXPECT_EQ(o.mappings[1].colour, RgbWord(120, 60, 30) | CF_TRANSLUCENT);  // its own flags kept
  EXPECT_EQ(o.mappings[2].colour, RgbWord(80, 40, 20));
  EXPECT_EQ(o.mappings[3].colour, RgbWord(200, 100, 50) | CF_SELF_LIT);
  EXPECT_EQ(o.mappings[4].colour, 0xFFFFFFu);
  o.ApplyColourChoice(1);
  EXPECT_EQ(o.mappings[0].colour, RgbWord(1, 2, 3));

  // A master "M2" gives "D2" three fifths and "E2" two fifths, with its flag byte.
  ModelObject m;
  Named(m, {"c"}, {"d2", "E2", "M2", "c2", "D1"});
  m.mappings[2].colour = RgbWord(200, 100, 50) | CF_SELF_LIT;
  m.PropagateMasterColours();
  EXPECT_EQ(m.mappings[0].colour, RgbWord(120, 60, 30) | CF_SELF_LIT);
  EXPECT_EQ(m.mappings[1].colour, RgbWord(80, 40, 20) | CF_SELF_LIT);
  EXPECT_EQ(m.mappings[3].colour, RgbWord(200, 100, 50) | CF_SELF_LIT);
  EXPECT_EQ(m.mappings[4].colour, 0xFFFFFFu);
  // Each channel's fifths rounded down, every bit of the result kept: 253, 75, 250 gives "D3"
  // 151, 45, 150 (759 / 5, 225 / 5, 750 / 5) and "E3" 101, 30, 100 (506 / 5, 150 / 5, 500 / 5).
  ModelObject odd;
  Named(odd, {"c"}, {"D3", "E3", "M3"});
  odd.mappings[2].colour = RgbWord(253, 75, 250);
  odd.PropagateMasterColours();
  EXPECT_EQ(odd.mappings[0].colour, RgbWord(151, 45, 150));
  EXPECT_EQ(odd.mappings[1].colour, RgbWord(101, 30, 100));
  odd.Free();
  m.SetAllMappingColours(7);
  EXPECT_EQ(m.mappings[4].colour, 7u);
  o.Free();
  m.Free();
}

TEST_F(ModelMaterials, NormalisingColours) {
  ModelMapping list[3];
  for (ModelMapping& m : list) m.Init(0);
  list[0].colour = RgbWord(100, 50, 0);
  list[1].colour = 0;
  list[2].colour = RgbWord(100, 50, 0) | CF_SELF_LIT;
  NormaliseMappingColours(list, 3);
  EXPECT_EQ(list[0].colour, RgbWord(128, 64, 0));
  EXPECT_EQ(list[1].colour, 0u);
  EXPECT_EQ(list[2].colour, RgbWord(100, 50, 0) | CF_SELF_LIT);

  ModelObject o;
  Named(o, {"c"}, {"a", "b", "c"});
  o.mappings[0].colour = RgbWord(100, 50, 10) | CF_SELF_LIT;
  o.mappings[1].colour = RgbWord(51, 0, 0) | CF_SELF_LIT;
  o.mappings[2].colour = RgbWord(10, 10, 10);
  o.NormaliseSelfLitColours();
  EXPECT_EQ(o.mappings[0].colour, RgbWord(255, 128, 26) | CF_SELF_LIT);  // 127.5 to even, 25.5 to even
  EXPECT_EQ(o.mappings[1].colour, RgbWord(130, 0, 0) | CF_SELF_LIT);
  EXPECT_EQ(o.mappings[2].colour, RgbWord(10, 10, 10));
  o.Free();
}

TEST_F(ModelMaterials, NumberedCutoutFamilies) {
  ModelObject o;
  Named(o, {"C~door_1", "C~door_2", "plain", "c~roof_5", "O~roof_5", "O~roof_9"}, {"C~door", "c~roof", "plain"});
  o.mappings[1].cutout[0] = o.mappings[1].cutout[1] = 3;
  EXPECT_EQ(o.HasNumberedMappings(), 1);
  o.SelectNumberedCutouts(2);
  EXPECT_EQ(o.mappings[0].cutout[0], 1);
  EXPECT_EQ(o.mappings[0].cutout[1], 1);
  EXPECT_EQ(o.mappings[1].cutout[0], 3);  // no "C~roof_2": the first of the family
  EXPECT_EQ(o.mappings[1].cutout[1], 4);  // the first "O~" one
  o.SelectNumberedCutouts(7);
  EXPECT_EQ(o.mappings[0].cutout[0], 0);
  o.SelectNumberedCutouts(9);
  EXPECT_EQ(o.mappings[1].cutout[1], 5);
  EXPECT_EQ(o.mappings[2].cutout[0], 0);  // not numbered: untouched
  int highest = 0;
  o.CountCutoutNumbers(&highest);
  EXPECT_EQ(highest, 9);

  char kind, stem[CUTOUT_NAME_SIZE];
  int number;
  EXPECT_EQ(ParseNumberedCutoutName("C~door_12", &kind, stem, &number), 1);
  EXPECT_EQ(kind, 'C');
  EXPECT_STREQ(stem, "door_");
  EXPECT_EQ(number, 12);
  EXPECT_EQ(ParseNumberedCutoutName("C~door_64", nullptr, nullptr, nullptr), 0);
  EXPECT_EQ(ParseNumberedCutoutName("C~abcdefghijkl_1", nullptr, nullptr, nullptr), 0);  // stem of 13
  EXPECT_EQ(ParseNumberedCutoutName("C~abcdefghijk_1", nullptr, nullptr, nullptr), 1);
  EXPECT_EQ(ParseNumberedCutoutName("C~door", nullptr, nullptr, nullptr), 0);
  // A numbered mapping name: "C~" (either case) and at least one character after it.
  EXPECT_EQ(IsNumberedMappingName("C~x"), 1);
  EXPECT_EQ(IsNumberedMappingName("c~door"), 1);
  EXPECT_EQ(IsNumberedMappingName("C~"), 0);
  EXPECT_EQ(IsNumberedMappingName("D~door"), 0);
  EXPECT_EQ(IsNumberedMappingName("C-door"), 0);
  char copied[CUTOUT_NAME_SIZE];
  EXPECT_EQ(CopyCutoutStem(copied, "C~door_3"), 7);
  EXPECT_STREQ(copied, "C~door_");
  EXPECT_EQ(CopyCutoutStem(copied, "door"), 0);
  o.Free();
  // The first cutout of the list can be either kind's pick.
  ModelObject lamps;
  Named(lamps, {"O~lamp_3", "C~lamp_3", "C~lamp_4"}, {"C~lamp"});
  lamps.mappings[0].cutout[0] = lamps.mappings[0].cutout[1] = 1;
  lamps.SelectNumberedCutouts(4);
  EXPECT_EQ(lamps.mappings[0].cutout[0], 2);
  EXPECT_EQ(lamps.mappings[0].cutout[1], 0) << "no O~lamp_4: the first O~ one, first in the list";
  lamps.Free();
  Named(lamps, {"C~lamp_3", "O~lamp_3", "C~lamp_4"}, {"C~lamp"});
  lamps.mappings[0].cutout[0] = lamps.mappings[0].cutout[1] = 2;
  lamps.SelectNumberedCutouts(3);
  EXPECT_EQ(lamps.mappings[0].cutout[0], 0);
  EXPECT_EQ(lamps.mappings[0].cutout[1], 1);
  lamps.Free();
  Named(lamps, {"C~lamp_3", "C~lamp_4"}, {"C~lamp"});
  lamps.mappings[0].cutout[0] = lamps.mappings[0].cutout[1] = 1;
  lamps.SelectNumberedCutouts(3);
  EXPECT_EQ(lamps.mappings[0].cutout[0], 0) << "no O~ kind: both sides the body's";
  EXPECT_EQ(lamps.mappings[0].cutout[1], 0);
  lamps.Free();
}

// A numbered mapping anywhere below counts, the first subobject's included.
TEST_F(ModelMaterials, NumberedMappingInTheFirstSubobjectCounts) {
  ModelObject o;
  Named(o, {"plain"}, {"plain"});
  std::vector<ModelObject> children(2);
  Named(children[0], {"C~door_1"}, {"C~door"});
  Named(children[1], {"plain"}, {"plain"});
  SetChildren(o, children);
  EXPECT_EQ(o.HasNumberedMappings(), 1) << "the only \"C~\" mapping is in subobject 0";
  o.Free();
}

TEST_F(ModelMaterials, ReservedSpecialAndClockNames) {
  for (const char* name : {"l_brk", "L_HEAD", "l_fsind", "l_red3", "l_green", "m1", "E9", "c5"})
    EXPECT_EQ(IsReservedMappingName(name), 1) << name;
  for (const char* name : {"l_red4", "M0", "C10", "light", "D"}) EXPECT_EQ(IsReservedMappingName(name), 0) << name;
  EXPECT_TRUE(IsClockTextureName("S_Clock_F3"));
  EXPECT_FALSE(IsClockTextureName("s_clocks"));
  EXPECT_TRUE(IsSpecialTextureName("S_SKY"));
  EXPECT_TRUE(IsSpecialTextureName("s_plate_alp"));
  EXPECT_FALSE(IsSpecialTextureName("sky"));

  ModelObject o;
  o.Init();
  Name(o.pages[0].name, "s_clock_white");
  o.AddPage(nullptr);
  Name(o.pages[1].name, "dash");
  std::vector<ModelObject> children(1);
  children[0].Init();
  Name(children[0].pages[0].name, "s_clock");
  SetChildren(o, children);
  o.RenameClockTextures("s_clock_fj");
  EXPECT_STREQ(o.pages[0].name, "s_clock_fj");
  EXPECT_STREQ(o.pages[1].name, "dash");
  EXPECT_STREQ(o.children[0].pages[0].name, "s_clock_fj");
  o.Free();
}

TEST_F(ModelMaterials, CutoutPresetsMoveBetweenHalves) {
  ModelObject o;
  o.Init();
  o.SetCutoutPreset(CUTOUT_PRESET_PAINT);
  EXPECT_EQ(o.cutouts[0].material.shineType, SHINE_PAINT);
  EXPECT_EQ(o.cutouts[0].material.reflection[0], 230);
  EXPECT_EQ(o.cutouts[0].material.roughness, 50);
  EXPECT_EQ(o.cutouts[0].region[REGION_LEFT], 64);
  o.SetCutoutPreset(CUTOUT_PRESET_RUBBER);
  EXPECT_EQ(o.cutouts[0].material.shineType, SHINE_RUBBER);
  EXPECT_EQ(o.cutouts[0].material.roughness, 70);
  EXPECT_EQ(o.cutouts[0].region[REGION_LEFT], 0);
  o.Free();
}

TEST_F(ModelMaterials, MappingColourBlockRoundTripsReadsVersion0AndHoldsAtMost240) {
  ModelMapping list[2];
  list[0].Init(0);
  list[1].Init(0);
  Name(list[0].name, "C1");
  Name(list[1].name, "stripe");
  list[1].colour = 0x01020304;
  DataFile file{};
  for (int pass = 0; pass < 2; ++pass) {
    ASSERT_EQ(file.BeginMemoryWrite(pass, nullptr), nullptr);
    WriteMappingColours(list, 2, file);
  }
  ASSERT_EQ(file.FinishMemoryWrite(), 1);
  EXPECT_EQ(file.end - file.buffer, 4 + 2 * 20);
  file.StartMemoryRead();
  MappingColourList read{};
  ASSERT_EQ(ReadMappingColours(read, file), 1);
  ASSERT_EQ(read.count, 2);
  EXPECT_STREQ(read.mappings[1].name, "stripe");
  EXPECT_EQ(read.mappings[1].colour, 0x01020304u);
  read.Free();
  file.Close();

  // Version 0: two sets of entries (a colour, an 8-byte name, 4 bytes); the second skipped.
  Bytes old;
  old.U8(2), old.U8(0), old.U16(1);
  for (int set = 0; set < 2; ++set) old.U32(0x00AABBCC + set), old.Name("lamp", 8), old.U32(0);
  old.U8(0x77);  // what follows the block
  DataFile in{};
  const std::vector<uint8_t> image = ModelFileImage(old.b, 252);
  int32_t version;
  ASSERT_EQ(in.OpenReadMemory(nullptr, image.data(), int64_t(image.size()), MODEL_FILE_MAGIC, &version, 252), 1);
  ASSERT_EQ(ReadMappingColours(read, in), 1);
  EXPECT_EQ(read.count, 1);
  EXPECT_STREQ(read.mappings[0].name, "lamp");
  EXPECT_EQ(read.mappings[0].colour, 0x00AABBCCu);
  EXPECT_EQ(in.ReadByte(), 0x77);
  read.Free();
  in.Close();

  // A model holds at most 240 mappings: a block of exactly 240 reads whole, one of 241 not.
  for (const int count : {240, 241}) {
    Bytes many;
    many.U8(0), many.U8(2), many.U16(count);
    for (int i = 0; i < count; ++i) many.Name("m", CUTOUT_NAME_SIZE), many.U32(uint32_t(i));
    const std::vector<uint8_t> manyImage = ModelFileImage(many.b, 252);
    ASSERT_EQ(in.OpenReadMemory(nullptr, manyImage.data(), int64_t(manyImage.size()), MODEL_FILE_MAGIC, &version, 252),
              1);
    EXPECT_EQ(ReadMappingColours(read, in), count == 240 ? 1 : 0) << count;
    EXPECT_EQ(read.count, count == 240 ? 240 : 0) << count;
    if (count == 240) {
      EXPECT_EQ(read.mappings[239].colour, 239u) << "the last one read";
    }
    read.Free();
    in.Close();
  }

  // Another version, or a block cut short, reads nothing.
  Bytes bad;
  bad.U8(0), bad.U8(1), bad.U16(1);
  const std::vector<uint8_t> badImage = ModelFileImage(bad.b, 252);
  ASSERT_EQ(in.OpenReadMemory(nullptr, badImage.data(), int64_t(badImage.size()), MODEL_FILE_MAGIC, &version, 252), 1);
  EXPECT_EQ(ReadMappingColours(read, in), 0);
  EXPECT_EQ(read.count, 0);
  in.Close();

  // Each read gives back the list it replaces: 2000 reads into one list leave the heap in use
  // where the first left it (give or take 64 KB), where kept lists would hold 2000 mappings.
  // (Under the sanitizers the heap figures are not glibc's; their leak check does this job.)
  const auto readOld = [&] {
    ASSERT_EQ(in.OpenReadMemory(nullptr, image.data(), int64_t(image.size()), MODEL_FILE_MAGIC, &version, 252), 1);
    ASSERT_EQ(ReadMappingColours(read, in), 1);
    in.Close();
  };
  readOld();
  ExpectHeapStaysFlat(2000, readOld);
  read.Free();
}

TEST_F(ModelMaterials, TidyFlattensAFlatTranslucentModelButNeverASubobject) {
  // One blended cutout, every point between 64 and 768 units high: a decal, brought to 640.
  const auto flatDecal = [](ModelObject& o) {
    InitOneTriangle(o);
    o.cutouts[0].material.alphaType = ALPHA_BLEND;
    for (int i = 0; i < 3; ++i) o.points[i].z = 100;
  };
  ModelObject alone;
  flatDecal(alone);
  alone.Tidy(0, 0);
  EXPECT_EQ(alone.points[0].z, 640);
  alone.Free();
  // The same model as a subobject keeps its heights.
  ModelObject parent;
  parent.Init();
  std::vector<ModelObject> children(1);
  flatDecal(children[0]);
  SetChildren(parent, children);
  parent.Tidy(0, 0);
  ASSERT_EQ(parent.childCount, 1);
  EXPECT_EQ(parent.children[0].points[0].z, 100);
  parent.Free();
}

TEST_F(ModelMaterials, TidyMergesPointsAndSetsTheOverlayFlag) {
  ModelObject o;
  o.Init();
  ModelBuilder b;
  b.Point(0, 0, 0), b.Point(1, 0, 0), b.Point(0, 1, 0), b.Point(0, 0, 0);
  b.Triangle(0, 1, 2);
  b.Triangle(3, 2, 1);
  b.Into(o);
  o.cutouts[0].material.alphaType = ALPHA_BLEND;
  o.options = 0;
  o.Tidy(0, 0);
  EXPECT_EQ(o.pointCount, 3);
  EXPECT_EQ(o.options & OPTION_OVERLAY, OPTION_OVERLAY);
  o.Free();
}

// The edges of the ranges: a choice equal to the count of choices falls back to choice 0;
// masters run from "M1" to "M9", and a master leaves other masters of its digit alone; a stem
// of 15 characters with its underscore fits a name, one more does not; reserved names run from
// digit 1 to 9.
TEST_F(ModelMaterials, ChoicesMastersStemsAndReservedNamesAtTheEdgesOfTheirRanges) {
  ModelObject o;
  Named(o, {"c"}, {"C1"});
  o.colourChoices = static_cast<ColourWord*>(std::calloc(4, sizeof(ColourWord)));
  o.colourChoiceCount = 3;
  o.colourChoices[0] = RgbWord(10, 20, 30);
  o.colourChoices[3] = RgbWord(99, 99, 99);  // past the count: never taken
  o.ApplyColourChoice(3);
  EXPECT_EQ(o.mappings[0].colour, RgbWord(10, 20, 30));
  o.Free();

  ModelObject m;
  Named(m, {"c"}, {"M1", "C1", "M9", "C9", "M1x"});
  m.mappings[0].colour = RgbWord(200, 0, 0);
  m.mappings[2].colour = RgbWord(0, 0, 200);
  m.mappings[4].colour = RgbWord(0, 200, 0);
  m.PropagateMasterColours();
  EXPECT_EQ(m.mappings[4].colour, RgbWord(0, 200, 0)) << "a master is not another master's copy";
  EXPECT_EQ(m.mappings[1].colour, RgbWord(0, 200, 0)) << "the last master of digit 1 wins";
  EXPECT_EQ(m.mappings[3].colour, RgbWord(0, 0, 200));
  m.Free();

  char stem[CUTOUT_NAME_SIZE + 4];
  EXPECT_EQ(CopyCutoutStem(stem, "abcdefghijklmn_1"), 15);
  EXPECT_STREQ(stem, "abcdefghijklmn_");
  EXPECT_EQ(CopyCutoutStem(stem, "abcdefghijklmno_1"), 0);
  EXPECT_STREQ(stem, "");

  EXPECT_TRUE(IsReservedMappingName("M1"));
  EXPECT_TRUE(IsReservedMappingName("e9"));
  EXPECT_FALSE(IsReservedMappingName("M0"));
  EXPECT_FALSE(IsReservedMappingName("C:"));  // the character after '9'
}

// Self-lit colours whose largest channel is 254 still grow to 255; the last cutout has no
// neighbour to swap with; an alpha plate cutout first of two moves behind the other; tidying
// reaches the subobjects.
TEST_F(ModelMaterials, SelfLitAt254SwapsAtTheEndTwoPlatesAndTidyInSubobjects) {
  ModelObject o;
  Named(o, {"alpha plate", "paint"}, {"a"});
  o.mappings[0].colour = RgbWord(254, 0, 0) | CF_SELF_LIT;
  o.NormaliseSelfLitColours();
  EXPECT_EQ(o.mappings[0].colour, RgbWord(255, 0, 0) | CF_SELF_LIT);

  o.mappings[0].cutout[0] = o.mappings[0].cutout[1] = 1;
  o.SwapCutouts(1);
  EXPECT_STREQ(o.cutouts[0].name, "alpha plate");
  EXPECT_STREQ(o.cutouts[1].name, "paint");
  EXPECT_EQ(o.mappings[0].cutout[0], 1);

  Name(o.pages[0].name, "s_plate_ALP");
  o.AddPage(nullptr);
  Name(o.pages[1].name, "paint");
  o.cutouts[1].page = 1;
  o.FixPlateCutouts();
  EXPECT_STREQ(o.cutouts[0].name, "paint");
  EXPECT_STREQ(o.cutouts[1].name, "alpha plate");
  EXPECT_EQ(o.mappings[0].cutout[0], 0);

  std::vector<ModelObject> children(1);
  children[0].Init();
  ModelBuilder b;
  b.Point(0, 0, 0), b.Point(1, 0, 0), b.Point(0, 1, 0), b.Point(1, 0, 0);  // the last repeats point 1
  b.Triangle(0, 1, 2);
  b.Triangle(0, 2, 3);
  b.Into(children[0]);
  SetChildren(o, children);
  o.Tidy(0, 0);
  EXPECT_EQ(o.children[0].pointCount, 3);
  o.Free();
}
