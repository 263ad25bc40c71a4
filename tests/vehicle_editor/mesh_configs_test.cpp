// mesh_configs_test.cpp - mesh configurations, skins and the texture export of the vehicle
// editor on the sample road car (two configurations, three colour records, a skin page on its
// model): limits and their messages, what deleting renumbers, what a new one copies, the
// layers built, the skin questions and names, and undo giving back the vehicle's bytes.
#include <cstring>
#include <filesystem>
#include <fstream>

#include "core/config.h"
#include "core/window_state.h"
#include "editor_fixture.h"
#include "model/model_object.h"
#include "render/texture_table.h"
#include "ui/list_chooser.h"
#include "vehicle/car_model.h"
#include "vehicle_editor/file_actions.h"

namespace {

class MeshConfigs : public EditorTest {
 protected:
  int Current() { return car().currentSetup.bytes[SETUP_CONFIGURATION]; }
  void Add(const char* name) {
    VehicleEditor::ConfigAction(e, 0, 1);
    Type("Enter name for new configuration", name);
  }
};

}  // namespace

TEST_F(MeshConfigs, AddingStopsAtFourAndDeletingKeepsOne) {
  ASSERT_EQ(car().configCount, 2);
  const std::vector<uint8_t> start = Bytes();
  Add("WING");
  ASSERT_EQ(car().configCount, 3);
  Add("");
  ASSERT_EQ(car().configCount, 4);
  VehicleEditor::ConfigAction(e, 0, 1);
  EXPECT_TRUE(SaidBox("Already at maximum number of configurations"));
  EXPECT_EQ(OpenTextEntry.open, 0) << "no entry for a fifth";
  EXPECT_EQ(car().configCount, 4);

  // Back to two by undo, then down to one; deleting that is refused and asks nothing.
  for (int i = 0; i < 2; ++i) VehicleEditor::UndoRedo(e, 0, 0);
  EXPECT_EQ(Bytes(), start);
  VehicleEditor::SelectConfig(e, 0, 1);
  VehicleEditor::ConfigAction(e, 0, 0);
  AnswerYes();
  ASSERT_EQ(car().configCount, 1);
  Reports() = Caught{};
  VehicleEditor::ConfigAction(e, 0, 0);
  EXPECT_TRUE(SaidBox("At least one mesh configuration is required"));
  EXPECT_TRUE(Reports().questions.empty());
  VehicleEditor::ConfigAction(e, 0, 2);
  EXPECT_EQ(car().configCount, 1) << "the answer's word alone deletes nothing either";
}

TEST_F(MeshConfigs, DeletingTheMiddleOfThreeMovesTheLastDownAndRenumbersTheSetups) {
  Add("THIRD");
  ASSERT_EQ(car().configCount, 3);
  ASSERT_EQ(Current(), 2) << "the new one is current";
  ASSERT_GE(car().setupCount, 1);
  // Another stored set-up naming the last configuration, the current set-up the middle one.
  if (car().setupCount < 2) car().setups[car().setupCount++] = car().setups[0];
  ASSERT_NE(car().setupIndex, 1);
  car().setups[1].record.bytes[SETUP_CONFIGURATION] = 2;
  VehicleEditor::SelectConfig(e, 0, 1);
  ASSERT_EQ(Current(), 1);
  const VehicleConfig third = car().configs[2];
  // The chosen set-up naming the last one: after the delete it names the first, as the current.
  ASSERT_GE(car().setupIndex, 0);
  const int chosen = car().setupIndex;
  car().setups[chosen].record.bytes[SETUP_CONFIGURATION] = 2;

  VehicleEditor::ConfigAction(e, 0, 0);
  EXPECT_TRUE(Asked("Delete mesh configuration? / HARD TOP"));
  AnswerYes();
  ASSERT_EQ(car().configCount, 2);
  EXPECT_STREQ(car().configs[1].name, "THIRD");
  EXPECT_EQ(car().configs[1].layerMask, third.layerMask);
  EXPECT_EQ(Current(), 0) << "the first is current";
  EXPECT_EQ(car().configIndex, 0);
  EXPECT_EQ(car().setups[1].record.bytes[SETUP_CONFIGURATION], 1) << "the other set-up still names THIRD";
  EXPECT_EQ(car().setups[chosen].record.bytes[SETUP_CONFIGURATION], 0);
  EXPECT_STREQ(VehicleUndo::Slots[VehicleUndo::NumNodes].name, "delete config");
}

TEST_F(MeshConfigs, ANamelessNewOneCopiesTheCurrentLayersAndWheelSizes) {
  VehicleEditor::SelectConfig(e, 0, 1);
  ASSERT_EQ(Current(), 1);
  car().configs[1].wheels[1][2] = 0.3125f;
  Add("");
  ASSERT_EQ(car().configCount, 3);
  const VehicleConfig& added = car().configs[2];
  EXPECT_STREQ(added.name, "");
  EXPECT_EQ(added.layerMask, car().configs[1].layerMask);
  EXPECT_EQ(added.wheels[1][2], 0.3125f);
  EXPECT_EQ(Current(), 2);

  // A typed name keeps eleven characters; a right click renames through its entry.
  VehicleEditor::SelectConfig(e, CLICK_RIGHT, 2);
  Type("Enter new name for configuration", "A VERY LONG NAME");
  EXPECT_STREQ(car().configs[2].name, "A VERY LONG");
  EXPECT_EQ(Current(), 2);
}

// Indexes at the ends of the lists: a set-up byte one past the configurations chooses the
// first; a configuration one past the last is none to choose or rename; the first can be
// renamed; the chosen default set-up, the first included, remembers the choice, and one past
// the set-ups is none.
TEST_F(MeshConfigs, IndexesAtTheEndsOfTheListsChooseAndRenameOnlyWhatIsThere) {
  ASSERT_EQ(car().configCount, 2);
  ASSERT_GE(car().setupCount, 1);
  car().currentSetup.bytes[SETUP_CONFIGURATION] = 2;
  const int nodes = VehicleUndo::NumNodes;
  VehicleEditor::SelectConfig(e, 0, 0);
  EXPECT_EQ(VehicleUndo::NumNodes, nodes) << "byte 2 already chooses the first";
  VehicleEditor::SelectConfig(e, 0, 2);
  VehicleEditor::SelectConfig(e, CLICK_RIGHT, 2);
  EXPECT_EQ(OpenTextEntry.open, 0);
  VehicleEditor::SetConfigName(*e, "PAST", 2);
  VehicleEditor::SetConfigName(*e, "BEFORE", -1);
  EXPECT_EQ(VehicleUndo::NumNodes, nodes);
  EXPECT_EQ(Current(), 2);
  VehicleEditor::SetConfigName(*e, "FIRST", 0);
  EXPECT_STREQ(car().configs[0].name, "FIRST");
  // A shorter name leaves nothing of the longer one in the stored bytes.
  VehicleEditor::SetConfigName(*e, "AB", 0);
  const char ab[CONFIG_NAME_SIZE] = {'A', 'B'};
  EXPECT_EQ(std::memcmp(car().configs[0].name, ab, CONFIG_NAME_SIZE), 0);

  car().setupIndex = 0;
  VehicleEditor::SelectConfig(e, 0, 1);
  EXPECT_EQ(car().setups[0].record.bytes[SETUP_CONFIGURATION], 1);
  const int count = car().setupCount;
  ASSERT_LT(count, VEHICLE_MAX_SETUPS);
  car().setups[count].record.bytes[SETUP_CONFIGURATION] = 1;
  car().setupIndex = count;
  VehicleEditor::SelectConfig(e, 0, 0);
  EXPECT_EQ(Current(), 0);
  EXPECT_EQ(car().setups[count].record.bytes[SETUP_CONFIGURATION], 1) << "no set-up past the list";
  // Deleting configuration 1 renumbers only the set-ups there are.
  car().setupIndex = 0;
  VehicleEditor::SelectConfig(e, 0, 1);
  car().setupIndex = -1;  // none chosen: the stored set-up keeps its own byte
  VehicleEditor::ConfigAction(e, 0, 2);
  ASSERT_EQ(car().configCount, 1);
  EXPECT_EQ(car().setups[0].record.bytes[SETUP_CONFIGURATION], 0) << "naming the one deleted, it names the first";
  EXPECT_EQ(car().setups[count].record.bytes[SETUP_CONFIGURATION], 1);
  // Added straight (as the entry's answer does): one edit named for it, the car built again;
  // past four: refused.
  const uint32_t setups = e->carSetups;
  VehicleEditor::AddConfig(*e, "B");
  EXPECT_STREQ(VehicleUndo::Slots[VehicleUndo::NumNodes].name, "add config");
  EXPECT_EQ(e->carSetups, setups + 1) << "the car is built again";
  for (const char* name : {"C", "D", "E"}) VehicleEditor::AddConfig(*e, name);
  EXPECT_EQ(car().configCount, 4);
  EXPECT_STREQ(car().configs[3].name, "D");
  // Without any configuration: no layer to switch, and a new one takes every layer.
  car().configs[0].layerMask = 0x12;
  car().configCount = 0;
  const int before = VehicleUndo::NumNodes;
  VehicleEditor::SwitchLayer(e, 0, 0);
  EXPECT_EQ(VehicleUndo::NumNodes, before);
  EXPECT_EQ(car().configs[0].layerMask, 0x12u);
  VehicleEditor::AddConfig(*e, "ALL");
  ASSERT_EQ(car().configCount, 1);
  EXPECT_EQ(car().configs[0].layerMask, 0xFFFFFFFFu);
}

// Choosing another configuration is one edit named for it: undo gives the first one back,
// set-up byte and built car alike.
TEST_F(MeshConfigs, ChoosingAnotherConfigurationIsOneEditThatUndoTakesBack) {
  ASSERT_EQ(Current(), 0);
  ASSERT_EQ(car().configIndex, 0);
  const std::vector<uint8_t> start = Bytes();
  const int nodes = VehicleUndo::NumNodes;
  const uint32_t setups = e->carSetups;
  VehicleEditor::SelectConfig(e, 0, 1);
  EXPECT_EQ(Current(), 1);
  EXPECT_EQ(car().configIndex, 1);
  EXPECT_EQ(e->carSetups, setups + 1) << "the car is built again";
  ASSERT_EQ(VehicleUndo::NumNodes, nodes + 1);
  EXPECT_STREQ(VehicleUndo::Slots[VehicleUndo::NumNodes].name, "set mesh config");
  VehicleEditor::UndoRedo(e, 0, 0);
  EXPECT_EQ(Current(), 0);
  EXPECT_EQ(car().configIndex, 0);
  EXPECT_EQ(Bytes(), start);

  // A new name is an edit of its own too.
  VehicleEditor::SetConfigName(*e, "RENAMED", 1);
  EXPECT_STREQ(car().configs[1].name, "RENAMED");
  EXPECT_STREQ(VehicleUndo::Slots[VehicleUndo::NumNodes].name, "set config name");
  VehicleEditor::UndoRedo(e, 0, 0);
  EXPECT_STREQ(car().configs[1].name, "HARD TOP");
  EXPECT_EQ(Bytes(), start);
}

TEST_F(MeshConfigs, ALayerSwitchBuildsTheCarOnTheNewMaskAndMerges) {
  ASSERT_NE(car().model, nullptr);
  VehicleEditor::SelectConfig(e, 0, 1);
  EXPECT_EQ(car().configIndex, 1) << "the configuration built follows the set-up";
  EXPECT_EQ(CarLayerMask(car()), 0xFFFFFFFDu);
  const int nodes = VehicleUndo::NumNodes;
  const uint32_t setups = e->carSetups;
  VehicleEditor::SwitchLayer(e, 0, 0);
  VehicleEditor::SwitchLayer(e, 0, 0);
  VehicleEditor::SwitchLayer(e, 0, 0);
  EXPECT_EQ(e->carSetups, setups + 3) << "the car is built again after each";
  EXPECT_EQ(VehicleUndo::NumNodes, nodes + 1) << "one node for the runs of one bit";
  EXPECT_EQ(car().configs[1].layerMask, 0xFFFFFFFCu);
  EXPECT_EQ(CarLayerMask(car()), 0xFFFFFFFCu);
  EXPECT_EQ(car().configs[0].layerMask, 0xFFFFFFFFu) << "only the current one";
  VehicleEditor::SwitchLayer(e, 0, 5);
  EXPECT_EQ(VehicleUndo::NumNodes, nodes + 2) << "another bit is another node";
  VehicleEditor::SwitchLayer(e, 0, 32);
  EXPECT_EQ(VehicleUndo::NumNodes, nodes + 2) << "no layer 32";
}

// ---- Skins ----

TEST_F(MeshConfigs, RemovingSkinsAsksAsTheRecordsAndTheModelSay) {
  ASSERT_EQ(car().colourConfigCount, 3);
  ASSERT_EQ(car().model->HasTypeOneMapping(), 1) << "the sample body is painted on its skin page";
  const std::vector<uint8_t> start = Bytes();
  VehicleEditor::SkinAction(e, 0, 1);
  ASSERT_EQ(SelectDialog.prss.alive, 1) << "several records: the two choices";
  EXPECT_STREQ(SelectDialog.title, "Select option");
  ASSERT_EQ(SelectDialog.count, 2);
  EXPECT_STREQ(SelectDialog.texts[0], "Remove the selected skin");
  EXPECT_STREQ(SelectDialog.texts[1], "Remove all skins");
  SelectItemClick(&SelectDialog, CLICK_LEFT, 1);
  EXPECT_EQ(SelectDialog.prss.alive, 0);
  for (int i = 0; i < 3; ++i) EXPECT_STREQ(car().colourConfigs[i].name, "") << i;
  EXPECT_STREQ(car().currentColours.name, "");
  EXPECT_EQ(e->rebuildModelCountdown, 1);
  EXPECT_TRUE(SaidBox("Removed skins but the model contains a texture page of type 'skin'"));
  VehicleEditor::UndoRedo(e, 0, 0);
  EXPECT_EQ(Bytes(), start);

  // One record: a question first; "no" changes nothing.
  car().colourConfigCount = 1;
  car().colourIndex = 0;
  const std::vector<uint8_t> one = Bytes();
  VehicleEditor::SkinAction(e, 0, 1);
  EXPECT_TRUE(Asked("Remove default skin? / The model has a 'skin' texture page"));
  EXPECT_EQ(Bytes(), one);
  AnswerYes();
  EXPECT_STREQ(car().colourConfigs[0].name, "");
  EXPECT_TRUE(SaidBox("Removed skin but the model"));
}

// "Remove the selected skin" clears the selected record's skin alone; an index one past the
// records clears them all.
TEST_F(MeshConfigs, RemovingTheSelectedSkinClearsOnlyItsRecord) {
  ASSERT_EQ(car().colourConfigCount, 3);
  const char* const names[3] = {"one", "two", "three"};
  for (int i = 0; i < 3; ++i)
    std::snprintf(car().colourConfigs[i].name, sizeof car().colourConfigs[i].name, "%s", names[i]);
  car().colourIndex = 1;
  car().currentColours = car().colourConfigs[1];
  VehicleEditor::SkinAction(e, 0, 1);
  ASSERT_EQ(SelectDialog.prss.alive, 1);
  SelectItemClick(&SelectDialog, CLICK_LEFT, 0);
  EXPECT_STREQ(car().colourConfigs[0].name, "one");
  EXPECT_STREQ(car().colourConfigs[1].name, "");
  EXPECT_STREQ(car().colourConfigs[2].name, "three");
  EXPECT_STREQ(car().currentColours.name, "");
  EXPECT_STREQ(VehicleUndo::Slots[VehicleUndo::NumNodes].name, "remove skin");
  EXPECT_TRUE(SaidBox("Removed skin but the model contains a texture page of type 'skin'"));

  Reports() = Caught{};
  VehicleEditor::RemoveSkins(*e, 3);
  for (int i = 0; i < 3; ++i) EXPECT_STREQ(car().colourConfigs[i].name, "") << i;
  EXPECT_STREQ(VehicleUndo::Slots[VehicleUndo::NumNodes].name, "remove skins");
  EXPECT_TRUE(SaidBox("Removed skins but the model"));
  // Without any colour record there is nothing to remove and nothing is asked.
  car().colourConfigCount = 0;
  Reports() = Caught{};
  VehicleEditor::SkinAction(e, 0, 1);
  EXPECT_EQ(SelectDialog.prss.alive, 0);
  EXPECT_TRUE(Reports().questions.empty());
}

// The first record is a record like any other: removing its skin leaves the other two.
TEST_F(MeshConfigs, RemovingTheFirstRecordsSkinLeavesTheOthers) {
  ASSERT_EQ(car().colourConfigCount, 3);
  const char* const names[3] = {"one", "two", "three"};
  for (int i = 0; i < 3; ++i)
    std::snprintf(car().colourConfigs[i].name, sizeof car().colourConfigs[i].name, "%s", names[i]);
  VehicleEditor::RemoveSkins(*e, 0);
  EXPECT_STREQ(car().colourConfigs[0].name, "");
  EXPECT_STREQ(car().colourConfigs[1].name, "two");
  EXPECT_STREQ(car().colourConfigs[2].name, "three");
  EXPECT_STREQ(VehicleUndo::Slots[VehicleUndo::NumNodes].name, "remove skin");
  EXPECT_TRUE(SaidBox("Removed skin but the model contains a texture page of type 'skin'"));
}

// With no record chosen (an index one past the three) the current colours stay as they are
// when the skins are removed: no record is taken into them.
TEST_F(MeshConfigs, RemovingSkinsWithNoRecordChosenKeepsTheCurrentColours) {
  ASSERT_EQ(car().colourConfigCount, 3);
  std::snprintf(car().colourConfigs[3].name, sizeof car().colourConfigs[3].name, "past");
  std::snprintf(car().currentColours.name, sizeof car().currentColours.name, "mine");
  car().colourIndex = 3;
  VehicleEditor::RemoveSkins(*e, -1);
  EXPECT_STREQ(car().currentColours.name, "mine");
  EXPECT_STREQ(car().colourConfigs[3].name, "past") << "past the records: not one of them";
}

TEST_F(MeshConfigs, ASkinNameIsSplitFromItsFileNameAndWarnsWithoutASkinPage) {
  car().colourIndex = 1;
  car().currentColours = car().colourConfigs[1];
  VehicleEditor::SetSkinName(*e, "RUN_gold");
  EXPECT_STREQ(car().currentColours.name, "gold");
  EXPECT_STREQ(car().colourConfigs[1].name, "gold");
  EXPECT_STREQ(car().colourConfigs[0].name, "blue") << "only the selected record";
  EXPECT_STREQ(VehicleUndo::Slots[VehicleUndo::NumNodes].name, "set skin name");
  EXPECT_FALSE(SaidLine("does not have a 'skin' texture page"));

  // A shorter name leaves the rest of the field zero; the first record takes it when chosen,
  // none does from one past the records.
  VehicleEditor::SetSkinName(*e, "RUN_ab");
  const char shorter[sizeof car().currentColours.name] = {'a', 'b'};
  EXPECT_EQ(std::memcmp(car().currentColours.name, shorter, sizeof shorter), 0);
  car().colourIndex = 0;
  VehicleEditor::SetSkinName(*e, "RUN_first");
  EXPECT_STREQ(car().colourConfigs[0].name, "first");
  const ColourSet past = car().colourConfigs[3];
  car().colourIndex = 3;
  VehicleEditor::SetSkinName(*e, "RUN_past");
  EXPECT_STREQ(car().currentColours.name, "past");
  EXPECT_EQ(std::memcmp(&car().colourConfigs[3], &past, sizeof past), 0);
  car().colourIndex = 1;
  VehicleEditor::SetSkinName(*e, "RUN_gold");

  const std::vector<uint8_t> before = Bytes();
  const int nodes = VehicleUndo::NumNodes;
  VehicleEditor::SetSkinName(*e, "nounderscore");
  VehicleEditor::SetSkinName(*e, "RUN_a_skin_name_of_twenty");
  EXPECT_EQ(Bytes(), before) << "a name that does not parse or fit changes nothing";
  EXPECT_EQ(VehicleUndo::NumNodes, nodes);

  // Without a skin mapping the name is set with a warning line.
  ModelObject& model = *car().model;
  for (int i = 0; i < model.pageCount; ++i) model.pages[i].type = PAGE_FIXED;
  ASSERT_EQ(model.HasTypeOneMapping(), 0);
  VehicleEditor::SetSkinName(*e, "RUN_red2");
  EXPECT_STREQ(car().currentColours.name, "red2");
  EXPECT_TRUE(SaidLine("Skin name set to red2 but the model does not have a 'skin' texture page"));
}

// The colour record holds fifteen characters and its end: a fifteen-character skin is set
// whole, a sixteen-character one is refused with a box that names it, and nothing changes.
TEST_F(MeshConfigs, ASkinNameOfFifteenCharactersFitsAndSixteenAreRefusedWithABox) {
  car().colourIndex = 1;
  car().currentColours = car().colourConfigs[1];
  VehicleEditor::SetSkinName(*e, "RUN_abcdefghijklmno");  // a..o: 15 letters
  EXPECT_STREQ(car().currentColours.name, "abcdefghijklmno");
  EXPECT_STREQ(car().colourConfigs[1].name, "abcdefghijklmno");
  const std::vector<uint8_t> before = Bytes();
  const int nodes = VehicleUndo::NumNodes;
  Reports() = Caught{};
  VehicleEditor::SetSkinName(*e, "RUN_abcdefghijklmnop");  // a..p: 16 letters
  EXPECT_EQ(Bytes(), before);
  EXPECT_EQ(VehicleUndo::NumNodes, nodes);
  ASSERT_EQ(Reports().boxes.size(), 1u);
  EXPECT_EQ(Reports().boxes[0], "Skin name is too long (15 characters at most) : abcdefghijklmnop");
}

TEST_F(MeshConfigs, TheTextureExportAsksAndHandsOverTheModelAndTheSpoke) {
  struct Seen {
    const ModelObject *model, *spoke;
    int format, calls;
  };
  static Seen seen;
  seen = Seen{};
  const auto kept = EditorShellHooks.exportTextures;
  EditorShellHooks.exportTextures = [](Prss*, const ModelObject* model, const ModelObject* spoke, int format) {
    seen = Seen{model, spoke, format, seen.calls + 1};
    return 0;
  };
  VehicleEditor::ExportTextures(e, 0, 0);
  EXPECT_TRUE(Asked("Export PNG files? / Files will be saved to png_export folder"));
  EXPECT_EQ(seen.calls, 0) << "nothing before the answer";
  AnswerYes();
  EXPECT_EQ(seen.calls, 1);
  EXPECT_EQ(seen.model, car().model);
  EXPECT_EQ(seen.spoke, &car().spoke);
  EXPECT_EQ(seen.format, 0);
  // DDS needs compressed textures on: without them nothing is asked or exported.
  Reports() = Caught{};
  const int compressed = CfgCompressedTex;
  CfgCompressedTex = 0;
  VehicleEditor::ExportTextures(e, 0, 1);
  EXPECT_TRUE(Reports().questions.empty());
  EXPECT_EQ(seen.calls, 1);
  // With them on (and no reload pending), a yes exports in the second format.
  CfgCompressedTex = 1;
  const int reloading = TextureReloadPending;
  TextureReloadPending = 0;
  VehicleEditor::ExportTextures(e, 0, 1);
  EXPECT_TRUE(Asked("Export DDS files? / Files will be saved to dds_export folder"));
  AnswerYes();
  EXPECT_EQ(seen.calls, 2);
  EXPECT_EQ(seen.format, 1);
  CfgCompressedTex = compressed;
  TextureReloadPending = reloading;
  EditorShellHooks.exportTextures = kept;
}

// Both export questions are plain message boxes: their second line ("Files will be saved to
// ..._export folder") is drawn in the current code page like the first.
TEST_F(MeshConfigs, TheTextureExportQuestionsArePlainMessageBoxes) {
  const int compressed = CfgCompressedTex, reloading = TextureReloadPending;
  CfgCompressedTex = 1;
  TextureReloadPending = 0;
  VehicleEditor::ExportTextures(e, 0, 0);
  VehicleEditor::ExportTextures(e, 0, 1);
  ASSERT_EQ(Reports().questions.size(), 2u);
  EXPECT_EQ(Reports().questions[0], "Export PNG files? / Files will be saved to png_export folder");
  EXPECT_EQ(Reports().questions[1], "Export DDS files? / Files will be saved to dds_export folder");
  ASSERT_EQ(Reports().questionModes.size(), 2u);
  EXPECT_EQ(Reports().questionModes[0], int(MESSAGE_PLAIN)) << "PNG";
  EXPECT_EQ(Reports().questionModes[1], int(MESSAGE_PLAIN)) << "DDS";
  CfgCompressedTex = compressed;
  TextureReloadPending = reloading;
}

TEST_F(MeshConfigs, TheSkinChooserListsTheVehiclesSkinsAndAPickSetsTheName) {
  const std::string prefix = car().shortName;
  ASSERT_FALSE(prefix.empty());
  std::filesystem::create_directories("data/skins");
  for (const std::string& name : {prefix + "_gold.jpg", prefix + "_silver.jpg", std::string("OTHER_pink.jpg")})
    std::ofstream(std::filesystem::path("data/skins") / name) << "jpeg";
  VehicleEditor::SkinAction(e, 0, 0);
  ASSERT_NE(e->prss.sub, nullptr) << "the chooser opens over the editor";
  ListChooser& chooser = *reinterpret_cast<ListChooser*>(e->prss.sub);
  EXPECT_EQ(std::string(chooser.pattern), "data\\skins\\" + prefix + "_*.jpg");
  ASSERT_EQ(chooser.list.count, 2) << "only this vehicle's skins";
  const int silver = std::string(chooser.list.entries[0].name).find("silver") != std::string::npos ? 0 : 1;
  ListChooserPick(&chooser, 0, uintptr_t(silver));
  EXPECT_STREQ(car().currentColours.name, "silver");
  EXPECT_STREQ(VehicleUndo::Slots[VehicleUndo::NumNodes].name, "set skin name");
  std::filesystem::remove_all("data/skins");
}
