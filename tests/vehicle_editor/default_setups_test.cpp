// default_setups_test.cpp - default set-ups and colour configurations on the sample
// "Runabout" (2 set-ups, 3 colour configurations): limits, deletion order, names, choice,
// and the set-up and colour config files through their prompts.
#include <cstring>
#include <filesystem>
#include <string>

#include "core/window_state.h"
#include "platform/files.h"
#include "tests/vehicle_editor/editor_fixture.h"
#include "vehicle_editor/default_setups.h"
#include "vehicle_editor/file_actions.h"
#include "vehicle_editor/vehicle_editor.h"

using namespace VehicleUndo;

namespace {

class Setups : public EditorTest {};

TEST_F(Setups, DuplicatesStopAtTheLimitsWithTheirMessages) {
  ASSERT_EQ(car().setupCount, 2);
  ASSERT_EQ(car().colourConfigCount, 3);
  VehicleEditor::ApplySetup(*e, 1);
  VehicleEditor::SetupAction(e, 0, 2);
  ASSERT_EQ(car().setupCount, 3);
  EXPECT_STREQ(car().setups[2].name, "[unnamed]");
  EXPECT_EQ(car().setupIndex, 2);
  EXPECT_EQ(std::memcmp(&car().setups[2].record, &car().setups[1].record, sizeof(SetupRecord)), 0);
  EXPECT_STREQ(Slots[NumNodes].name, "duplicate setup");
  VehicleEditor::SetupAction(e, 0, 2);
  const int nodes = NumNodes;
  VehicleEditor::SetupAction(e, 0, 2);
  EXPECT_EQ(car().setupCount, 4);
  EXPECT_TRUE(SaidInfo("Reached maximum of 4 default setups"));
  EXPECT_EQ(NumNodes, nodes);
  for (int i = 0; i < 7; ++i) VehicleEditor::ColourConfigAction(e, 0, 2);
  EXPECT_EQ(car().colourConfigCount, 9);
  EXPECT_TRUE(SaidInfo("Reached maximum of 9 default colour configs"));
  EXPECT_EQ(car().colourIndex, 8);
  // A vehicle with no set-ups duplicates its current one, not a stale record in the list.
  car().setupCount = 0;
  car().setups[0].record.bytes[SETUP_BALLAST] = 7;
  car().currentSetup.bytes[SETUP_BALLAST] = 30;
  VehicleEditor::SetupAction(e, 0, 2);
  ASSERT_EQ(car().setupCount, 1);
  EXPECT_EQ(std::memcmp(&car().setups[0].record, &car().currentSetup, sizeof(SetupRecord)), 0);
  EXPECT_STREQ(car().setups[0].name, "[unnamed]");
}

// Applying a set-up builds the car from it: 40 kg of added mass in the second set-up weighs
// 40 kg more than none in the first.
TEST_F(Setups, ApplyingASetupBuildsTheCarFromIt) {
  car().setups[0].record.bytes[SETUP_BALLAST] = 0;
  car().setups[1].record.bytes[SETUP_BALLAST] = 40;
  VehicleEditor::ApplySetup(*e, 0);
  const float mass = car().mass;
  VehicleEditor::ApplySetup(*e, 1);
  EXPECT_EQ(car().setupIndex, 1);
  EXPECT_NEAR(car().mass, mass + 40.0f, 0.01f);
  VehicleEditor::ApplySetup(*e, 0);
  EXPECT_NEAR(car().mass, mass, 0.01f);
  // The mesh configuration built is the one the set-up names; one past the two: the first.
  ASSERT_EQ(car().configCount, 2);
  car().setups[1].record.bytes[SETUP_CONFIGURATION] = 1;
  VehicleEditor::ApplySetup(*e, 1);
  EXPECT_EQ(car().configIndex, 1);
  car().setups[1].record.bytes[SETUP_CONFIGURATION] = 2;
  VehicleEditor::ApplySetup(*e, 1);
  EXPECT_EQ(car().configIndex, 0);
  VehicleEditor::ApplySetup(*e, 0);
  // One past the set-ups, or the colour configurations, is none to apply.
  const uint32_t setups = e->carSetups;
  VehicleEditor::ApplySetup(*e, car().setupCount);
  EXPECT_EQ(car().setupIndex, 0);
  EXPECT_EQ(e->carSetups, setups);
  VehicleEditor::ApplyColourConfig(*e, 1);
  VehicleEditor::ApplyColourConfig(*e, car().colourConfigCount);
  EXPECT_EQ(car().colourIndex, 1);
}

// A duplicate is named "[unnamed]", with nothing of its source's longer name after it.
TEST_F(Setups, ADuplicateSetupIsUnnamedWithNothingOfItsSourcesName) {
  Car& c = car();
  ASSERT_LT(c.setupCount, VEHICLE_MAX_SETUPS);
  ASSERT_GE(c.setupIndex, 0);
  std::memcpy(c.setups[c.setupIndex].name, "fifteen letters", SETUP_NAME_SIZE);
  VehicleEditor::SetupAction(e, 0, 2);
  const char unnamed[SETUP_NAME_SIZE] = "[unnamed]";
  EXPECT_EQ(std::memcmp(c.setups[c.setupCount - 1].name, unnamed, SETUP_NAME_SIZE), 0);
}

TEST_F(Setups, DeletingTakesTheLastIntoTheSlotOrSelectsTheFirst) {
  VehicleEditor::SetupAction(e, 0, 2);
  VehicleEditor::SetupAction(e, 0, 2);  // 4 set-ups, the fourth current
  std::snprintf(car().setups[3].name, SETUP_NAME_SIZE, "[fourth]");
  VehicleEditor::ApplySetup(*e, 1);
  VehicleEditor::SetupAction(e, 0, 3);
  ASSERT_TRUE(Asked("Delete setup?"));
  AnswerYes();
  EXPECT_STREQ(Slots[NumNodes].name, "delete setup");
  ASSERT_EQ(car().setupCount, 3);
  EXPECT_EQ(car().setupIndex, 1);
  EXPECT_STREQ(car().setups[1].name, "[fourth]");
  VehicleEditor::ApplySetup(*e, 2);
  VehicleEditor::SetupAction(e, 0, 4);
  EXPECT_EQ(car().setupCount, 2);
  EXPECT_EQ(car().setupIndex, 0);
  VehicleEditor::SetupAction(e, 0, 4);
  // The last one left cannot be deleted and the question is not asked.
  Reports().questions.clear();
  VehicleEditor::SetupAction(e, 0, 3);
  VehicleEditor::SetupAction(e, 0, 4);
  EXPECT_EQ(car().setupCount, 1);
  EXPECT_TRUE(Reports().questions.empty());
  // The colour configurations alike.
  VehicleEditor::ApplyColourConfig(*e, 0);
  const ColourSet third = car().colourConfigs[2];
  VehicleEditor::ColourConfigAction(e, 0, 3);
  ASSERT_TRUE(Asked("Delete colour config?"));
  AnswerYes();
  ASSERT_EQ(car().colourConfigCount, 2);
  EXPECT_EQ(car().colourIndex, 0);
  EXPECT_EQ(std::memcmp(&car().colourConfigs[0], &third, sizeof third), 0);
  // Two left: asked again; the last one left: no question.
  Reports().questions.clear();
  VehicleEditor::ColourConfigAction(e, 0, 3);
  ASSERT_TRUE(Asked("Delete colour config?"));
  AnswerYes();
  ASSERT_EQ(car().colourConfigCount, 1);
  Reports().questions.clear();
  VehicleEditor::ColourConfigAction(e, 0, 3);
  EXPECT_TRUE(Reports().questions.empty());
}

// Each list's first entry is an entry like the others, and an index one past a list is none: a
// set-up or colour set loaded while the first is chosen is kept in it, and one loaded with the
// choice past the set-ups goes into no entry; a duplicate with that choice copies the first
// set-up; a choice or an application past the colour configs changes nothing; and the last
// colour config left is not deleted.
TEST_F(Setups, TheFirstEntryCountsAndOnePastTheListIsNone) {
  std::filesystem::create_directories("data/setups");
  std::filesystem::create_directories("data/colours");
  ASSERT_EQ(car().setupCount, 2);
  VehicleEditor::ApplySetup(*e, 0);
  ASSERT_NE(car().setups[0].record.bytes[SETUP_BALLAST], 25);
  car().currentSetup.bytes[SETUP_BALLAST] = 25;
  VehicleEditor::SetupAction(e, 0, 0);
  Type("Enter name of setup to SAVE", "ballast");
  VehicleEditor::ApplySetup(*e, 0);
  VehicleEditor::SetupAction(e, 0, 1);
  Type("Enter name of setup to LOAD", "ballast");
  EXPECT_EQ(car().currentSetup.bytes[SETUP_BALLAST], 25);
  EXPECT_EQ(car().setups[0].record.bytes[SETUP_BALLAST], 25) << "the first set-up takes it";
  // Chosen one past the two: the slot past them is left as it was.
  car().setups[2] = car().setups[1];
  car().setups[2].record.bytes[SETUP_BALLAST] = 9;
  const VehicleSetup past = car().setups[2];
  car().setupIndex = 2;
  VehicleEditor::SetupAction(e, 0, 1);
  Type("Enter name of setup to LOAD", "ballast");
  EXPECT_EQ(car().setups[2].record.bytes[SETUP_BALLAST], 9);
  EXPECT_EQ(std::memcmp(&car().setups[2], &past, sizeof past), 0);
  // A duplicate then copies the first set-up (25 kg), not the slot past the list (9 kg).
  car().setupIndex = 2;
  VehicleEditor::SetupAction(e, 0, 2);
  ASSERT_EQ(car().setupCount, 3);
  EXPECT_EQ(car().setups[2].record.bytes[SETUP_BALLAST], 25);

  // The colours alike: the first colour config takes a loaded colour set.
  VehicleEditor::ApplyColourConfig(*e, 0);
  ASSERT_EQ(car().colourIndex, 0);
  const auto unshaded = car().colourConfigs[0].groups[0][0];
  const auto shade = unshaded ^ 0x00101010u;  // another shade
  car().currentColours.groups[0][0] = shade;
  VehicleEditor::ColourConfigAction(e, 0, 0);
  Type("Enter name of colour config to SAVE", "shade");
  VehicleEditor::ApplyColourConfig(*e, 0);
  ASSERT_EQ(car().currentColours.groups[0][0], unshaded);
  VehicleEditor::ColourConfigAction(e, 0, 1);
  Type("Enter name of colour config to LOAD", "shade");
  EXPECT_NE(car().currentColours.groups[0][0], unshaded) << "the file's shade (held to the file's steps)";
  EXPECT_EQ(std::memcmp(&car().colourConfigs[0], &car().currentColours, sizeof(ColourSet)), 0)
      << "the first colour config takes it";

  // A choice or an application one past the three colour configs changes nothing.
  ASSERT_EQ(car().colourConfigCount, 3);
  VehicleEditor::ApplyColourConfig(*e, 1);
  const ColourSet current = car().currentColours;
  ColoursChangedWord = 0;
  VehicleEditor::SelectColourConfig(e, 0, 3);
  EXPECT_EQ(car().colourIndex, 1);
  EXPECT_EQ(ColoursChangedWord, 0u);
  VehicleEditor::ApplyColourConfig(*e, 3);
  EXPECT_EQ(car().colourIndex, 1);
  EXPECT_EQ(std::memcmp(&car().currentColours, &current, sizeof current), 0);
  VehicleEditor::SelectColourConfig(e, 0, 2);
  EXPECT_EQ(car().colourIndex, 2) << "the last one is chosen";
  EXPECT_EQ(ColoursChangedWord, 1u);

  // The delete word itself leaves the last colour config alone.
  car().colourConfigCount = 1;
  VehicleEditor::ApplyColourConfig(*e, 0);
  const int nodes = NumNodes;
  VehicleEditor::ColourConfigAction(e, 0, 4);
  EXPECT_EQ(car().colourConfigCount, 1);
  EXPECT_EQ(NumNodes, nodes);
}

// Duplicating and deleting a colour configuration are each one named edit; undo gives back
// the three records of the sample.
TEST_F(Setups, ColourConfigDuplicatesAndDeletesAreEditsUndoTakesBack) {
  ASSERT_EQ(car().colourConfigCount, 3);
  const std::vector<uint8_t> start = Bytes();
  const int nodes = NumNodes;
  VehicleEditor::ColourConfigAction(e, 0, 2);
  ASSERT_EQ(car().colourConfigCount, 4);
  ASSERT_EQ(NumNodes, nodes + 1);
  EXPECT_STREQ(Slots[NumNodes].name, "duplicate colour config");
  VehicleEditor::UndoRedo(e, 0, 0);
  EXPECT_EQ(car().colourConfigCount, 3);
  EXPECT_EQ(Bytes(), start);

  VehicleEditor::ColourConfigAction(e, 0, 4);
  ASSERT_EQ(car().colourConfigCount, 2);
  EXPECT_STREQ(Slots[NumNodes].name, "delete colour config");
  VehicleEditor::UndoRedo(e, 0, 0);
  EXPECT_EQ(car().colourConfigCount, 3);
  EXPECT_EQ(Bytes(), start);

  // A duplicate copies the selected record, the first included, whatever the current colours
  // hold; with no record selected (an index one past them) it copies the current colours.
  VehicleEditor::ApplyColourConfig(*e, 0);
  std::snprintf(car().currentColours.name, sizeof car().currentColours.name, "current");
  VehicleEditor::ColourConfigAction(e, 0, 2);
  ASSERT_EQ(car().colourConfigCount, 4);
  EXPECT_EQ(std::memcmp(&car().colourConfigs[3], &car().colourConfigs[0], sizeof(ColourSet)), 0);
  car().colourIndex = 4;
  std::snprintf(car().currentColours.name, sizeof car().currentColours.name, "current");
  VehicleEditor::ColourConfigAction(e, 0, 2);
  ASSERT_EQ(car().colourConfigCount, 5);
  EXPECT_STREQ(car().colourConfigs[4].name, "current");
}

TEST_F(Setups, NamesBelowFourteenCharactersAreBracketedAndARightClickAsksForOne) {
  // The save prompt offers the vehicle's short name and the set-up's name without brackets.
  std::snprintf(car().setups[car().setupIndex].name, SETUP_NAME_SIZE, "[dry]");
  VehicleEditor::SetupAction(e, 0, 0);
  EXPECT_EQ(std::string(OpenTextEntry.initialText), std::string(car().shortName) + "_dry");
  CancelTextEntry();
  VehicleEditor::RenameSetup(*e, "thirteen_char");
  EXPECT_STREQ(car().setups[car().setupIndex].name, "[thirteen_char]");
  VehicleEditor::RenameSetup(*e, "fourteen_chars");
  EXPECT_STREQ(car().setups[car().setupIndex].name, "fourteen_chars");
  EXPECT_STREQ(Slots[NumNodes].name, "rename setup");
  // A shorter name leaves nothing of the longer one: the rest of the field is zero.
  VehicleEditor::RenameSetup(*e, "ab");
  const char shorter[SETUP_NAME_SIZE] = {'[', 'a', 'b', ']'};
  EXPECT_EQ(std::memcmp(car().setups[car().setupIndex].name, shorter, SETUP_NAME_SIZE), 0);
  // With no set-up chosen (one past the last), a name renames nothing and records no edit.
  const int chosen = car().setupIndex, nodes = NumNodes;
  car().setupIndex = car().setupCount;
  VehicleEditor::RenameSetup(*e, "none");
  EXPECT_EQ(NumNodes, nodes);
  car().setupIndex = chosen;
  std::snprintf(car().setups[1].name, SETUP_NAME_SIZE, "[dry]");
  VehicleEditor::SelectSetup(e, 4, 1);
  EXPECT_EQ(car().setupIndex, 1);
  EXPECT_STREQ(OpenTextEntry.initialText, "dry") << "the name offered without its brackets";
  EXPECT_STREQ(car().setups[1].name, "[dry]") << "until a name is typed";
  Type("Enter new name for setup", "wet");
  EXPECT_STREQ(car().setups[1].name, "[wet]");

  // Shown without its brackets: a name both opened and closed by one, "[]" included.
  const struct {
    const char *stored, *shown;
  } shown[] = {{"[wet]", "wet"}, {"[]", ""}, {"[", "["}, {"]", "]"}, {"wet]", "wet]"}, {"fourteen_chars", "fourteen_chars"}};
  for (const auto& c : shown) {
    char name[SETUP_NAME_SIZE] = {};
    std::snprintf(name, sizeof name, "%s", c.stored);
    char out[SETUP_NAME_SIZE + 1];
    SetupNameWithoutBrackets(name, out, sizeof out);
    EXPECT_STREQ(out, c.shown) << c.stored;
  }
}

TEST_F(Setups, ChoosingASetupCopiesItsWordsAndAColourConfigWaitsForTheNextFrame) {
  ASSERT_NE(std::memcmp(&car().setups[0].record, &car().setups[1].record, sizeof(SetupRecord)), 0);
  const uint32_t setups = e->carSetups;
  // The car's set-up then holds the copy within the vehicle's limits: choosing a set-up gives
  // the same working set-up every time, whatever was chosen before.
  VehicleEditor::SelectSetup(e, 0, 1);
  const SetupRecord second = car().currentSetup;
  VehicleEditor::SelectSetup(e, 0, 0);
  const SetupRecord first = car().currentSetup;
  EXPECT_NE(std::memcmp(&first, &second, sizeof first), 0);
  VehicleEditor::SelectSetup(e, 0, 1);
  EXPECT_EQ(std::memcmp(&car().currentSetup, &second, sizeof second), 0);
  EXPECT_EQ(EditorSetupChoice, 1);
  EXPECT_EQ(e->carSetups, setups + 3);
  VehicleEditor::SelectColourConfig(e, 0, 2);
  EXPECT_EQ(std::memcmp(&car().currentColours, &car().colourConfigs[2], sizeof(ColourSet)), 0);
  EXPECT_EQ(e->rebuildModelCountdown, 1);
  EXPECT_EQ(e->releaseMeshesCountdown, 1);
  EXPECT_EQ(EditorColourChoice, 2);
  EXPECT_EQ(ColoursChangedWord, 1u);
  // An index past the list is no choice, the first one past it included.
  VehicleEditor::SelectColourConfig(e, 0, 9);
  EXPECT_EQ(car().colourIndex, 2);
  VehicleEditor::SelectColourConfig(e, 0, 3);
  EXPECT_EQ(car().colourIndex, 2);
  EXPECT_EQ(EditorColourChoice, 2);
  VehicleEditor::SelectSetup(e, 0, 2);
  VehicleEditor::SelectSetup(e, 4, 2);  // a right click asks for no name either
  EXPECT_EQ(e->prss.sub, nullptr);
  EXPECT_EQ(car().setupIndex, 1);
  EXPECT_EQ(EditorSetupChoice, 1);
  EXPECT_EQ(e->carSetups, setups + 3);
}

TEST_F(Setups, SetupAndColourConfigFilesSaveAndLoadWithTheirMessages) {
  std::filesystem::create_directories("data/setups");
  std::filesystem::create_directories("data/colours");
  const SetupRecord saved = car().currentSetup;
  VehicleEditor::SetupAction(e, 0, 0);
  Type("Enter name of setup to SAVE", "mine");
  EXPECT_TRUE(SaidInfo("Saved setup"));
  EXPECT_TRUE(SaidLine("Saved ^Ldata/setups/mine.set"));
  ASSERT_FALSE(Reports().sounds.empty());
  EXPECT_EQ(Reports().sounds.back(), 2);
  std::memset(car().currentSetup.bytes, 0, 20);
  VehicleEditor::SetupAction(e, 0, 1);
  Type("Enter name of setup to LOAD", "mine");
  EXPECT_STREQ(Slots[NumNodes].name, "load setup");
  EXPECT_EQ(CompareSetups(car().currentSetup, saved, 0), 0);
  EXPECT_EQ(std::memcmp(&car().setups[car().setupIndex].record, &car().currentSetup, sizeof(SetupRecord)), 0);
  // A file that does not read records nothing.
  ASSERT_EQ(FileWriteAll("data\\setups\\short.set", "QXSETT", 6), 0);
  const int nodes = NumNodes;
  VehicleEditor::SetupAction(e, 0, 1);
  Type("Enter name of setup to LOAD", "short");
  EXPECT_TRUE(SaidInfo("Could not load setup"));
  EXPECT_TRUE(SaidLine("Could not load setup : ^Ldata/setups/short.set"));
  EXPECT_EQ(NumNodes, nodes);

  const ColourSet colours = car().currentColours;
  VehicleEditor::ColourConfigAction(e, 0, 0);
  Type("Enter name of colour config to SAVE", "paint");
  EXPECT_TRUE(SaidInfo("Saved colours"));
  EXPECT_TRUE(SaidLine("Saved ^Ldata/colours/paint.col"));
  car().currentColours.groups[0][0] = 0;
  car().modelRebuild = 0;
  VehicleEditor::ColourConfigAction(e, 0, 1);
  Type("Enter name of colour config to LOAD", "paint");
  EXPECT_STREQ(Slots[NumNodes].name, "load colour config");
  EXPECT_EQ(car().modelRebuild, 1u) << "the model is painted again";
  EXPECT_EQ(std::memcmp(&car().currentColours, &colours, sizeof colours), 0);
  EXPECT_EQ(std::memcmp(&car().colourConfigs[car().colourIndex], &colours, sizeof colours), 0)
      << "the chosen configuration takes them too";
  {
    // A choice one past the list takes no copy.
    const int count = car().colourConfigCount, index = car().colourIndex;
    ASSERT_LT(count, VEHICLE_MAX_COLOUR_CONFIGS);
    const ColourSet past = car().colourConfigs[count];
    car().colourIndex = count;
    VehicleEditor::ColourConfigAction(e, 0, 1);
    Type("Enter name of colour config to LOAD", "paint");
    EXPECT_EQ(std::memcmp(&car().colourConfigs[count], &past, sizeof past), 0);
    car().colourIndex = index;
  }
  // Both files written again from what they loaded hold the same bytes.
  VehicleEditor::SetupAction(e, 0, 0);
  Type("Enter name of setup to SAVE", "mine2");
  VehicleEditor::ColourConfigAction(e, 0, 0);
  Type("Enter name of colour config to SAVE", "paint2");
  std::string a, b;
  ASSERT_EQ(FileReadAll("data\\setups\\mine.set", a, 4096), 0);
  ASSERT_EQ(FileReadAll("data\\setups\\mine2.set", b, 4096), 0);
  EXPECT_EQ(a, b);
  ASSERT_EQ(FileReadAll("data\\colours\\paint.col", a, 4096), 0);
  ASSERT_EQ(FileReadAll("data\\colours\\paint2.col", b, 4096), 0);
  EXPECT_EQ(a, b);
  VehicleEditor::ColourConfigAction(e, 0, 1);
  Type("Enter name of colour config to LOAD", "../escape");
  EXPECT_STREQ(Slots[NumNodes].name, "load colour config");
}

// A colour file of another type records nothing and changes nothing: the status line says it
// did not load, with the file sound, and the message line names the file and why.
TEST_F(Setups, AColourConfigThatDoesNotLoadSaysWhyNamesTheFileAndChangesNothing) {
  std::filesystem::create_directories("data/colours");
  const std::string other(64, 'X');  // no colour file's magic
  ASSERT_EQ(FileWriteAll("data\\colours\\other.col", other.data(), other.size()), 0);
  const ColourSet colours = car().currentColours;
  const int nodes = NumNodes;
  Reports() = Caught{};
  VehicleEditor::ColourConfigAction(e, 0, 1);
  Type("Enter name of colour config to LOAD", "other");
  EXPECT_STREQ(e->statusText, "Could not load colour config");
  ASSERT_EQ(Reports().lines.size(), 1u);
  EXPECT_EQ(Reports().lines[0], "Could not load colour config : ^Ldata/colours/other.col^8 - File failed header check :");
  ASSERT_EQ(Reports().sounds.size(), 1u);
  EXPECT_EQ(Reports().sounds[0], 2);
  EXPECT_EQ(NumNodes, nodes);
  EXPECT_EQ(std::memcmp(&car().currentColours, &colours, sizeof colours), 0);
}

// Every whole rebuild of the edited car (a configuration stepped, a set-up or a colour set
// loaded, a save of the vehicle or of its model) builds the configuration the set-up names
// afresh: the wheel meshes let go, the model's level distances set again, a new model asked for,
// the tyres as new.
TEST_F(Setups, EveryWholeRebuildBuildsTheChosenConfigurationAfresh) {
  std::filesystem::create_directories("data/setups");
  std::filesystem::create_directories("data/colours");
  Car& c = car();
  ASSERT_NE(c.model, nullptr);
  ASSERT_GE(c.model->lodCount, 1);
  ASSERT_LE(c.model->lodCount, 3);
  // The first switch distance by the number of levels: 120 m for one or two, 60 m for three.
  const int32_t firstDistance[3] = {120 * 65536, 120 * 65536, 60 * 65536};
  const int32_t distance = firstDistance[c.model->lodCount - 1];
  ASSERT_EQ(c.configCount, 2);
  const auto spoil = [&] {
    c.modelRebuild = 0;
    c.wheelMeshesBuilt = 1;
    c.model->lodDistances[0] = 1;
    c.configIndex = 0;
    c.wheels[0].condition[0] = 100;
  };
  const auto rebuilt = [&](const char* what) {
    EXPECT_EQ(c.modelRebuild, 1u) << what;
    EXPECT_EQ(c.wheelMeshesBuilt, 0) << what;
    EXPECT_EQ(c.model->lodDistances[0], distance) << what;
    EXPECT_EQ(c.configIndex, 1) << what << ": the set-up's configuration";
    EXPECT_EQ(c.wheels[0].condition[0], 255) << what << ": the tyres as new";
  };
  c.currentSetup.bytes[SETUP_CONFIGURATION] = 0;
  spoil();
  VehicleEditor::StepConfiguration(e, CLICK_LEFT, 1);
  ASSERT_EQ(c.currentSetup.bytes[SETUP_CONFIGURATION], 1);
  rebuilt("a configuration stepped");

  VehicleEditor::SetupAction(e, 0, 0);
  Type("Enter name of setup to SAVE", "second");
  spoil();
  VehicleEditor::SetupAction(e, 0, 1);
  Type("Enter name of setup to LOAD", "second");
  ASSERT_STREQ(Slots[NumNodes].name, "load setup");
  rebuilt("a set-up loaded");

  ASSERT_EQ(VehicleEditor::SaveAllColours(*e, "all"), 1);
  spoil();
  ASSERT_EQ(VehicleEditor::LoadAllColours(*e, "all"), 1);
  rebuilt("a colour set loaded");

  spoil();
  ASSERT_EQ(VehicleEditor::SaveVehicleAndVob(*e, "Mine"), 1);
  rebuilt("the vehicle and its model saved");

  char code[5] = {};
  std::memcpy(code, c.modelCode, 2);
  spoil();
  ASSERT_EQ(VehicleEditor::SaveVobOnly(*e, code), 1);
  rebuilt("the model saved");
}

}  // namespace
