// services_test.cpp - the small services around the mod export: the live-setting line, the
// local player's car choice, the end of a car's event recording, the garage page's car info
// file and the options screen's choices kept when it closes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "core/config.h"
#include "core/frame_globals.h"
#include "core/process.h"
#include "core/report.h"
#include "core/window_state.h"
#include "frontend/frontend.h"
#include "frontend/player_file.h"
#include "physics/car.h"
#include "race/race.h"
#include "render/frame.h"
#include "text/code_pages.h"
#include "text/language.h"
#include "text/messages.h"
#include "text/text_colours.h"
#include "ui/dialogs.h"
#include "ui/interface.h"
#include "ui/interface_config.h"
#include "ui/widgets.h"
#include "vehicle/car_load.h"
#include "vehicle_data/builtin_vehicles.h"
#include "model/model_object.h"
#include "model/pregen_model.h"
#include "world/mapping.h"
#include "world/pre_gen.h"
#include "world/world.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::string> g_said;
std::vector<int> g_sounds;

class Services : public ::testing::Test {
 protected:
  ReportSink saved{};
  void SetUp() override {
    g_said.clear();
    g_sounds.clear();
    ReportSink sink{};
    sink.line = [](const char* text, ReportColour, int) { g_said.push_back(text); };
    sink.sound = [](int index) { g_sounds.push_back(index); };
    saved = InstallReportSink(sink);
    SetDefaultTextColours();
  }
  void TearDown() override { InstallReportSink(saved); }
};

}  // namespace

TEST_F(Services, TheLiveSettingLineAndTheLocalPlayersCarChoice) {
  Car car;
  car.liveBrakeBalance = 58;
  car.liveAntiRoll[1] = 45300.0f;
  car.liveAntiRoll[0] = 30000.0f;
  char line[SETUP_LINE_SIZE];
  const char* expected[] = {"Brake Bal Fr 58%", "Front ARB   45.3", "Rear ARB   30.0", "Ballast   0 kg",
                            "Pit Instructions", ""};
  for (int selector = 0; selector < 6; ++selector) {
    LiveSettingSelector = selector;
    FormatSetupLine(line, sizeof line, car);
    EXPECT_STREQ(line, expected[selector]) << selector;
  }
  LiveSettingSelector = 0;

  std::snprintf(car.vehicleName, sizeof car.vehicleName, "Runabout");
  std::snprintf(car.currentColours.name, sizeof car.currentColours.name, "red");
  car.setupIndex = 1;
  car.colourIndex = 2;
  LocalCarChoice = CarChoice{};
  SetupPlayerCarChoice(car);
  EXPECT_EQ(LocalCarChoice.vehicleName[0], 0) << "no local player: nothing";
  RacePlayers[0] = RacePlayer{};
  RacePlayers[0].type = 0;
  RacePlayerCount = 1;
  SetupPlayerCarChoice(car);
  RacePlayerCount = 0;
  EXPECT_STREQ(LocalCarChoice.vehicleName, "Runabout");
  EXPECT_STREQ(LocalCarChoice.skin, "red");
  EXPECT_EQ(LocalCarChoice.setupIndex, 1);
  EXPECT_EQ(LocalCarChoice.colourIndex, 2);
}

TEST_F(Services, ACarsEventRecordingEndsOnceAndOfflineOnlyClears) {
  InstallRaceHooks();
  int closed = 0;
  static int* closedCount = &closed;
  CloseCarRecording = [](Car&) { ++*closedCount; };
  {
    Car car;
    car.recordingState = 1;
    WriteCarEventRecord(car);
    EXPECT_EQ(car.recordingState, 0);
    EXPECT_TRUE(g_said.empty());
    EXPECT_EQ(closed, 0);
    car.recordingState = CAR_RECORDING_OPEN;
  }  // released while recording: its closing records are written once
  EXPECT_EQ(closed, 1);
  EXPECT_EQ(g_said.size(), 1u);
  EXPECT_EQ(g_sounds, std::vector<int>{2});
  CloseCarRecording = nullptr;
  Car offline;
  offline.recordingState = CAR_RECORDING_OPEN;
  WriteCarEventRecord(offline);
  EXPECT_EQ(offline.recordingState, 0);
}

TEST_F(Services, TheGaragePageWritesItsCarsInfoOnceBuiltAndTheWelcomeAsksOfItsDriver) {
  const char* work = std::getenv("ZKT_WORK_DIR");
  fs::remove_all("data");
  fs::create_directories("data/veh");
  fs::create_directories("data/raf");
  fs::create_directories("data/engine");
  fs::copy_file(fs::path(work) / "data/veh/Runabout.veh", "data/veh/Runabout.veh");
  fs::copy_file(fs::path(work) / "data/engine/DEFAULT.eng", "data/engine/DEFAULT.eng");
  InitSinCosTables();
  // A vehicle that cannot be loaded: no car on show, no info file.
  Prss* missing = OpenGaragePage(nullptr, "NoSuchCar");
  FrameSkipped = 1;
  missing->act(missing);
  EXPECT_EQ(GarageCar(), nullptr);
  EXPECT_TRUE(fs::is_empty("data/raf")) << "nothing without a built car";
  Prss_Terminate(missing);
  EXPECT_EQ(missing->act(missing), nullptr);
  Prss* page = OpenGaragePage(nullptr, "Runabout");
  Car* car = GarageCar();
  ASSERT_NE(car, nullptr);
  page->act(page);
  const fs::path info = fs::path("data/raf") / (std::string(car->shortName) + "_info.bin");
  ASSERT_TRUE(fs::exists(info));
  fs::remove(info);
  page->act(page);
  EXPECT_FALSE(fs::exists(info)) << "once";
  EXPECT_EQ(WelcomeAsksDriveSide(), car->HasOffCentreDriver());
  car->driverPosition.x = -0.35f;
  car->options &= ~OPT1_DRIVE_SIDE_LOCKED;
  EXPECT_EQ(WelcomeAsksDriveSide(), 1);
  car->options |= OPT1_DRIVE_SIDE_LOCKED;
  EXPECT_EQ(WelcomeAsksDriveSide(), 0);
  car->options &= ~OPT1_DRIVE_SIDE_LOCKED;
  car->driverPosition.x = 0.1f;
  EXPECT_EQ(WelcomeAsksDriveSide(), 0);
  Prss_Terminate(page);
  EXPECT_EQ(page->act(page), nullptr);
  EXPECT_EQ(GarageCar(), nullptr);
  EXPECT_EQ(WelcomeAsksDriveSide(), 0);
  FrameSkipped = 0;
}

// The welcome page offering the languages shows English and each language installed (its
// file in data\language), sixteen at most, in the order of the language table: eight to a row
// of buttons four units wide from one unit in, the first row one button height below the
// middle of the screen, the next below it.  The language in force is green (English when none
// is chosen), and a press chooses the button's language.  Offered without the choice, the page
// shows no language buttons.
TEST_F(Services, TheWelcomePageOffersEnglishAndTheInstalledLanguagesEightToARow) {
  fs::remove_all("data");
  fs::create_directories("data/language");
  // Installed: Deutsch, then French to Croatian; not Portuguese.
  for (const char* name : {"Deutsch", "French", "Suomi", "Norsk", "Nederlands", "Catalan", "Turkish", "Castellano",
                           "Italiano", "Dansk", "Czech", "Russian", "Estonian", "Serbian", "Greek", "Polski", "Croatian"})
    std::ofstream(std::string("data/language/") + name + ".txt") << "x";
  ScreenWidth = 1280;
  ScreenHeight = 1024;
  SetInterfaceMetrics();
  const std::string language = LanguageName;
  std::snprintf(LanguageName, sizeof LanguageName, "%s", "French");
  FrameSkipped = 0;
  ExitRequested = 0;
  Prss* page = OpenWelcomeScreen(nullptr, 1);
  ASSERT_NE(page, nullptr);
  const auto languageButtons = [&page]() {
    std::vector<const InterfaceButton*> buttons;
    for (int i = 0; i < ButtonCount; ++i)
      if (InterfaceButtons[i].owner == page && InterfaceButtons[i].handler) buttons.push_back(&InterfaceButtons[i]);
    return buttons;
  };
  ClearInterface();
  page->act(page);
  // Sixteen: Polski and Croatian come after them and are left out.
  const std::vector<std::string> names = {"English",  "Deutsch", "French", "Suomi",  "Norsk",   "Nederlands",
                                          "Catalan",  "Turkish", "Castellano", "Italiano", "Dansk", "Czech",
                                          "Russian",  "Estonian", "Serbian", "Greek"};
  const std::vector<uintptr_t> rows = {0, 1, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  std::vector<const InterfaceButton*> buttons = languageButtons();
  ASSERT_EQ(buttons.size(), names.size());
  for (size_t k = 0; k < buttons.size(); ++k) {
    const InterfaceButton& b = *buttons[k];
    const int column = int(k % 8), line = int(k / 8);
    EXPECT_STREQ(b.text.text, names[k].c_str());
    EXPECT_EQ(b.word, rows[k]) << names[k];
    EXPECT_EQ(b.left, ButtonWidth + column * 4 * ButtonWidth) << names[k];
    EXPECT_EQ(b.right, b.left + 4 * ButtonWidth) << names[k];
    EXPECT_EQ(b.top, 512 + (line + 1) * ButtonHeight) << names[k];
    EXPECT_EQ(b.colour, k == 2 ? &InterfaceColours.buttonGreen : &InterfaceColours.buttonCol) << names[k];
    EXPECT_EQ(b.fourth.i, 0) << names[k] << ": not lit";
  }
  LanguageName[0] = 0;
  ClearInterface();
  page->act(page);
  buttons = languageButtons();
  ASSERT_EQ(buttons.size(), names.size());
  EXPECT_EQ(buttons[0]->colour, &InterfaceColours.buttonGreen) << "English, none being chosen";
  EXPECT_EQ(buttons[2]->colour, &InterfaceColours.buttonCol);
  // A press on "Deutsch" chooses it; one on "English" goes back to the built-in texts.
  const InterfaceButton deutsch = *buttons[1], english = *buttons[0];
  ASSERT_NE(deutsch.handler, nullptr);
  deutsch.handler(deutsch.owner, CLICK_LEFT, deutsch.word);
  EXPECT_STREQ(LanguageName, "Deutsch");
  english.handler(english.owner, CLICK_LEFT, english.word);
  EXPECT_STREQ(LanguageName, "");
  Prss_Terminate(page);
  EXPECT_EQ(page->act(page), nullptr);

  page = OpenWelcomeScreen(nullptr, 0);
  ClearInterface();
  page->act(page);
  EXPECT_TRUE(languageButtons().empty());
  Prss_Terminate(page);
  EXPECT_EQ(page->act(page), nullptr);
  std::snprintf(LanguageName, sizeof LanguageName, "%s", language.c_str());
  ClearInterface();
  fs::remove_all("data");
}

// The closing credits stay 5000 ms from their opening (4999 ms on they still show), and end at
// once on a key, a click or a request to end the program; a mouse event without a press keeps
// them.
TEST_F(Services, TheCreditsEndAfterFiveSecondsOrAtAKeyOrAClick) {
  FrameSkipped = 1;
  ExitRequested = 0;
  ProgramClock = 1000;
  Prss* page = OpenCreditsPage(nullptr);
  ASSERT_NE(page, nullptr);
  ProgramClock = 1000 + 4999;
  EXPECT_EQ(page->act(page), page);
  ProgramClock = 1000 + 5000;
  EXPECT_EQ(page->act(page), nullptr) << "shown for their time";

  page = OpenCreditsPage(nullptr);
  page->key(page, 'a');
  EXPECT_EQ(page->act(page), nullptr) << "a key";

  page = OpenCreditsPage(nullptr);
  MouseRecord mouse{};
  mouse.dx = 3;
  page->mouse(page, &mouse);
  EXPECT_EQ(page->act(page), page) << "a move is no click";
  mouse.clickCode = CLICK_RIGHT;
  page->mouse(page, &mouse);
  EXPECT_EQ(page->act(page), nullptr) << "a click";

  page = OpenCreditsPage(nullptr);
  ExitRequested = 1;
  EXPECT_EQ(page->act(page), nullptr) << "the program ending";
  ExitRequested = 0;
  ProgramClock = 0;
}

// Escape, "Q" and "X" leave the entry page for the credits, as its exit button does; other keys
// leave it showing.  An end of the program asked for elsewhere ends it without credits; a
// request to come back to it is carried out and the page stays.
TEST_F(Services, TheEntryPageLeavesForTheCreditsOnEscapeQOrX) {
  FrameSkipped = 1;
  ExitRequested = 0;
  ExitAction = 0u;
  ProgramClock = 0;
  for (int key : {27, int{'Q'}, int{'X'}}) {
    Prss* page = CreateEntryPage(nullptr);
    for (int other : {26, 28, int{'A'}, int{'q'}}) {
      page->key(page, other);
      ASSERT_EQ(page->act(page), page) << "key " << other;
    }
    page->key(page, key);
    Prss* credits = page->act(page);
    ASSERT_NE(credits, nullptr) << "key " << key;
    ProgramClock = 4999;
    ASSERT_EQ(credits->act(credits), credits);
    ProgramClock = 5000;
    EXPECT_EQ(credits->act(credits), nullptr) << "the credits, which end in their time";
    ProgramClock = 0;
  }
  // Other keys do not mark the way out: a page closed after them shows no credits.
  Prss* page = CreateEntryPage(nullptr);
  for (int other : {26, 28, int{'A'}}) page->key(page, other);
  Prss_Terminate(page);
  EXPECT_EQ(page->act(page), nullptr) << "closed without the exit: no credits";
  page = CreateEntryPage(nullptr);
  ExitRequested = 1;
  ExitAction = 3u;
  EXPECT_EQ(page->act(page), page) << "asked to come back here";
  EXPECT_EQ(ExitRequested, 0);
  EXPECT_EQ(ExitAction, 0u);
  ExitRequested = 1;
  EXPECT_EQ(page->act(page), nullptr) << "the program ends: no credits";
  ExitRequested = 0;
}

// The entry page as drawn: the big panel (VALUE_TYPE_BIG_PANEL) over -0.5..0.5 by -0.3..0.3, "object editor" as the OK button 0.45 wide (from 0.75 - 0.45 = 0.3 to
// the right edge), "garage" at 0.45 and, while the editor can be opened, "vehicle editor" at
// 0.35, each with its own word.  A menu page: nothing moves, so no redraw is asked for.
TEST_F(Services, TheEntryPageShowsItsPanelAndButtons) {
  Prss* (*const savedOpener)(Prss*) = OpenVehicleEditorScreen;
  OpenVehicleEditorScreen = [](Prss*) -> Prss* { return nullptr; };
  FrameSkipped = 0;
  ExitRequested = 0;
  Prss* page = CreateEntryPage(nullptr);
  const auto shown = [](const std::string& text) -> const ValueControl* {
    char buffer[256];
    for (int i = 0; i < ValueControlCount; ++i)
      if (ValueControlText(ValueControls[i], buffer, sizeof buffer) && text == buffer) return &ValueControls[i];
    return nullptr;
  };
  ClearInterface();
  GameState = 0;
  RedrawRequested = 1;
  ASSERT_EQ(page->act(page), page);
  EXPECT_EQ(GameState, 1);
  EXPECT_EQ(RedrawRequested, 0);
  EXPECT_EQ(PanelLayoutIndex, 0);
  const ValueControl* panel = nullptr;
  for (int i = 0; i < ValueControlCount; ++i)
    if (ValueControls[i].displayType == VALUE_TYPE_BIG_PANEL) panel = &ValueControls[i];
  ASSERT_NE(panel, nullptr);
  EXPECT_FLOAT_EQ(panel->left, -0.5f);
  EXPECT_FLOAT_EQ(panel->top, -0.3f);
  EXPECT_FLOAT_EQ(panel->right, 0.5f);
  EXPECT_FLOAT_EQ(panel->bottom, 0.3f);
  const ValueControl* editor = shown("object editor");
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->displayType, VALUE_TYPE_DARK_TEXT);
  EXPECT_NEAR(editor->left, 0.3f, 1e-6f);
  EXPECT_FLOAT_EQ(editor->right, 1.0f);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(editor->variable), 1u);
  const ValueControl* garage = shown("garage");
  ASSERT_NE(garage, nullptr);
  EXPECT_FLOAT_EQ(garage->top, 0.45f);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(garage->variable), 2u);
  const ValueControl* vehicles = shown("vehicle editor");
  ASSERT_NE(vehicles, nullptr);
  EXPECT_FLOAT_EQ(vehicles->top, 0.35f);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(vehicles->variable), 9u);
  // Its press opens the editor's screen over the page, which stays beneath it.
  static Prss editorScreen;
  static Prss* openedOver;
  openedOver = nullptr;
  OpenVehicleEditorScreen = [](Prss* parent) -> Prss* {
    openedOver = parent;
    editorScreen = Prss{};
    Prss_Init(&editorScreen, parent, [](Prss* p) -> Prss* { return p->alive ? p : nullptr; }, nullptr, nullptr,
              nullptr, nullptr);
    return &editorScreen;
  };
  const ValueControl press = *vehicles;
  ASSERT_NE(press.callback, nullptr);
  press.callback(press.owner, CLICK_LEFT, reinterpret_cast<uintptr_t>(press.variable));
  EXPECT_EQ(openedOver, page);
  EXPECT_EQ(page->sub, &editorScreen) << "the editor covers the page";
  EXPECT_EQ(editorScreen.sub, nullptr);
  Prss_Terminate(&editorScreen);
  EXPECT_EQ(page->act(page), page);
  EXPECT_EQ(page->sub, nullptr) << "the editor closed, the page stays";
  // Without an editor to open, no such button.
  OpenVehicleEditorScreen = nullptr;
  ClearInterface();
  page->act(page);
  EXPECT_EQ(shown("vehicle editor"), nullptr);
  EXPECT_NE(shown("garage"), nullptr);
  FrameSkipped = 1;
  Prss_Terminate(page);
  EXPECT_EQ(page->act(page), nullptr) << "closed without the exit: no credits";
  ClearInterface();
  OpenVehicleEditorScreen = savedOpener;
}

// A loaded world's texture names: its mappings' own, then the pages of the models of the
// track's own entries (from entry 192 on: the layout objects' models before them are the
// program's), each name once, a hidden entry's left out.
TEST_F(Services, TheWorldsTextureNamesAreItsMappingsAndItsOwnVisibleModelsPages) {
  auto world = std::make_unique<Wld>();
  MappingRecord mapping{};
  mapping.flags = SRF_IN_USE;
  std::snprintf(mapping.textureName, sizeof mapping.textureName, "tarmac");
  world->mappings = &mapping;
  world->mappingCount = 1;
  // Entries 191 to 195, each a model of one page.
  const char* const names[] = {"layout191", "first", "hidden", "tarmac", "last"};
  std::vector<TexturePage> pages(5);
  std::vector<ModelObject> models(5);
  std::vector<PreGenModel> entries(196);
  for (int i = 0; i < 5; ++i) {
    pages[size_t(i)].type = PAGE_FIXED;
    std::snprintf(pages[size_t(i)].name, MODEL_NAME_SIZE, "%s", names[i]);
    models[size_t(i)].pages = &pages[size_t(i)];
    models[size_t(i)].pageCount = 1;
    PreGenModel& entry = entries[size_t(191 + i)];
    entry.kind = PREGEN_MODEL;
    entry.model = &models[size_t(i)];
    entry.physicsKind = i == 2 ? PHYSICS_HIDDEN : PHYSICS_STATIC;
  }
  world->preGen = entries.data();
  world->preGenCapacity = 196;
  GatherLoadedWorldTextureNames(*world);
  std::vector<std::string> gathered;
  for (int i = 0, used = 0; i < world->textureNameCount; ++i) {
    gathered.emplace_back(world->textureNames + used);
    used += int(gathered.back().size()) + 1;
  }
  EXPECT_EQ(gathered, (std::vector<std::string>{"tarmac", "first", "last"}));
  for (PreGenModel& entry : entries) entry.model = nullptr;
  world->preGen = nullptr;
  world->preGenCapacity = 0;
  world->mappings = nullptr;
  world->mappingCount = 0;
}

// The lists the front end offers: the installed mods (folders of "mods/vehicles"), and the
// selected car's set-ups and colours by the part of their file names after "<car>_" and
// before the extension, in name order.  A name of 32 characters or more, or an empty one,
// is never listed; past 256 names the rest are left out and counted in a message.
TEST_F(Services, TheModSetupAndColourListsTakeTheirNamesUpToTheirLimits) {
  for (const char* folder : {"mods", "data/setups", "data/colours"}) fs::remove_all(folder);
  fs::create_directories("mods/vehicles/Beta~002");
  fs::create_directories("mods/vehicles/Alpha~001");
  fs::create_directories("mods/vehicles/" + std::string(31, 'L'));
  fs::create_directories("mods/vehicles/" + std::string(32, 'M'));
  std::ofstream("mods/vehicles/notafolder.7z") << "x";
  const auto names = [](const NameList& list) { return std::vector<std::string>(list.names, list.names + list.count); };
  RefreshModList();
  EXPECT_EQ(names(ModList), (std::vector<std::string>{"Alpha~001", "Beta~002", std::string(31, 'L')}));
  FreeModList();
  EXPECT_EQ(ModList.count, 0);

  for (int i = 0; i < 255; ++i) fs::create_directories("mods/vehicles/Many~" + std::to_string(1000 + i));
  ResetMessages();
  RefreshModList();
  EXPECT_EQ(ModList.count, 256);
  EXPECT_STREQ(MessageLines[0].text, "2 mods left out (at most 256)");
  fs::remove_all("mods");
  ResetMessages();

  fs::create_directories("data/setups");
  fs::create_directories("data/colours");
  const std::string car = BuiltinVehicleTable[0].code;
  for (const std::string& file : {car + "_race.set", car + "_a.set", car + "_.set", car + "_wet.txt", std::string("ZZZ_other.set")})
    std::ofstream("data/setups/" + file) << "x";
  std::ofstream("data/colours/" + car + "_red.col") << "x";
  std::strcpy(CfgSelectedCar, car.c_str());
  ListSetupsAndColours();
  EXPECT_EQ(names(SetupList), (std::vector<std::string>{"a", "race"}));
  EXPECT_EQ(names(ColourList), (std::vector<std::string>{"red"}));
  std::strcpy(CfgSelectedCar, "QQQ");  // no car of the table: both lists empty
  ListSetupsAndColours();
  EXPECT_EQ(SetupList.count, 0);
  EXPECT_EQ(ColourList.count, 0);
  CfgSelectedCar[0] = 0;
  fs::remove_all("data/setups");
  fs::remove_all("data/colours");
}

// A list filled again holds each name whole and no more: a shorter name in the slot of a
// longer one keeps nothing of it.
TEST_F(Services, AListFilledAgainHoldsEachNameWithoutTheOldOnesTail) {
  fs::remove_all("mods");
  fs::create_directories("mods/vehicles/Longername~001");
  RefreshModList();
  ASSERT_EQ(ModList.count, 1);
  EXPECT_STREQ(ModList.names[0], "Longername~001");
  fs::remove_all("mods/vehicles/Longername~001");
  fs::create_directories("mods/vehicles/Short~002");
  RefreshModList();
  ASSERT_EQ(ModList.count, 1);
  EXPECT_STREQ(ModList.names[0], "Short~002");
  FreeModList();
  fs::remove_all("mods");
}

// The current car's information is the selected car's entry, the first and the last car
// included; no entry for a code that names no car.
TEST_F(Services, TheCurrentCarsInformationIsTheSelectedCarsEntry) {
  SetPlayerDefaults();
  std::strcpy(CfgSelectedCar, BuiltinVehicleTable[0].code);
  EXPECT_EQ(FindCurrentCarInfo(), &Player.cars[0]);
  std::strcpy(CfgSelectedCar, BuiltinVehicleTable[BUILTIN_VEHICLE_COUNT - 1].code);
  EXPECT_EQ(FindCurrentCarInfo(), &Player.cars[BUILTIN_VEHICLE_COUNT - 1]);
  std::strcpy(CfgSelectedCar, "QQQ");
  EXPECT_EQ(FindCurrentCarInfo(), nullptr);
  CfgSelectedCar[0] = 0;
}

TEST_F(Services, TheOptionsScreenSetsTheDialogWordAndKeepsItsChoicesWhenItCloses) {
  fs::create_directories("data/misc");
  std::snprintf(CfgPlayerName, sizeof CfgPlayerName, "Tester");
  SetPlayerDefaults();
  Player.options[3] = 2;
  DialogOpen = 0;
  const int clearModes = ScreenClearModes.depth;
  Prss* options = OpenOptions(nullptr);
  ASSERT_NE(options, nullptr);
  EXPECT_EQ(DialogOpen, 2);
  EXPECT_EQ(ScreenClearModes.depth, clearModes + 1) << "the screen clears its own frames";
  // Its rows: the two alphas, the four colours, the player's name and the five gearbox rows.
  FrameSkipped = 0;
  ClearInterface();
  options->act(options);
  InterfaceColourSettings& c = InterfaceColours;
  for (const void* bound : std::vector<const void*>{&c.buttonAlpha, &c.buttonCol, &c.bigAlpha, &c.bigCol, &c.bigText,
                                                    &c.textUnselected, CfgPlayerName}) {
    int controls = 0;
    for (int i = 0; i < ValueControlCount; ++i) controls += ValueControls[i].variable == bound;
    EXPECT_GT(controls, 0) << "row " << (static_cast<const char*>(bound) - reinterpret_cast<const char*>(&c));
  }
  int gearboxRows = 0;
  for (int i = 0; i < ValueControlCount; ++i)
    gearboxRows += ValueControls[i].owner == options && ValueControls[i].displayType == VALUE_TYPE_INT_VALUE;
  EXPECT_EQ(gearboxRows, 5);
  // Laid out in the options layout (5), one row every 1.2 row heights from -0.7: the two
  // alphas and four colours in rows 0..5, the name in row 6, the gearbox in rows 7..11.  The
  // name is a plain text field (VALUE_TYPE_EDIT_TEXT) that holds the whole name and its zero.
  EXPECT_EQ(PanelLayoutIndex, 5);
  const float step = CurrentPanelLayout().rowHeight * 1.2f;
  const ValueControl* name = nullptr;
  std::vector<float> gearboxTops;
  for (int i = 0; i < ValueControlCount; ++i) {
    if (ValueControls[i].variable == CfgPlayerName) name = &ValueControls[i];
    if (ValueControls[i].owner == options && ValueControls[i].displayType == VALUE_TYPE_INT_VALUE)
      gearboxTops.push_back(ValueControls[i].top);
  }
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(name->displayType, VALUE_TYPE_EDIT_TEXT);
  EXPECT_EQ(name->maximum.i, intptr_t(sizeof CfgPlayerName));
  EXPECT_NEAR(name->top, -0.7f + 6 * step, 1e-4f);
  ASSERT_EQ(gearboxTops.size(), 5u);
  for (int i = 0; i < 5; ++i) EXPECT_NEAR(gearboxTops[size_t(i)], -0.7f + float(7 + i) * step, 1e-4f) << "gearbox row " << i;
  for (int i = 0; i < ValueControlCount; ++i) {
    if (ValueControls[i].variable == &c.bigText) {
      EXPECT_NEAR(ValueControls[i].top, -0.7f + 4 * step, 1e-4f) << "Big Text";
    }
  }
  // Each label holds its text at the row's size (0.7 of its height) at 800 x 600, with room
  // for glyphs as wide as 8/12 of the size (wider than the character set's) and margins of
  // 0.15 of the height: "motorbike / sequential gearbox" is not made smaller than the rest.
  int labels = 0;
  for (int i = 0; i < ValueControlCount; ++i) {
    const ValueControl& l = ValueControls[i];
    char text[128] = "";
    if (l.left != CurrentPanelLayout().labelX1 || !ValueControlText(l, text, sizeof text) || !text[0]) continue;
    const float h = l.bottom - l.top;
    EXPECT_LE(8.0f / 12.0f * 0.7f * h * (600.0f / 800.0f) * float(std::strlen(text)), l.right - l.left - 0.3f * h)
        << text;
    ++labels;
  }
  EXPECT_EQ(labels, 12);
  InterfaceColours.buttonAlpha = 0.75f;
  Player.options[3] = 0;  // the screen keeps its own copy while it is open
  Prss_Terminate(options);
  EXPECT_EQ(options->act(options), nullptr);
  EXPECT_EQ(DialogOpen, 0);
  EXPECT_EQ(ScreenClearModes.depth, clearModes) << "and gives the clearing back when it closes";
  EXPECT_EQ(Player.options[3], 2);
  EXPECT_EQ(ButtonAlphaWord, uint32_t(191) << 24) << "applied";
  InterfaceColours = InterfaceColourSettings{};
  ReadInterfaceCfg();
  EXPECT_FLOAT_EQ(InterfaceColours.buttonAlpha, 0.75f) << "saved in interface_cfg.txt";
  EXPECT_TRUE(fs::exists("data/misc/Tester.ply"));
  InterfaceColours = InterfaceColourSettings{};
  ApplyInterfaceColours();
}

// The options screen closes on Escape or its "back" button, keeping its choices; other keys,
// the entry page's "Q" and "X" among them, leave it open.
TEST_F(Services, TheOptionsScreenClosesOnEscapeOrItsBackButton) {
  fs::create_directories("data/misc");
  std::snprintf(CfgPlayerName, sizeof CfgPlayerName, "Tester");
  SetPlayerDefaults();
  DialogOpen = 0;
  FrameSkipped = 0;
  Prss* options = OpenOptions(nullptr);
  ASSERT_NE(options, nullptr);
  for (int key : {26, 28, int{'Q'}, int{'X'}}) {
    options->key(options, key);
    EXPECT_EQ(options->alive, 1) << "key " << key;
  }
  options->key(options, 27);
  EXPECT_EQ(options->alive, 0);
  EXPECT_EQ(options->act(options), nullptr);
  EXPECT_EQ(DialogOpen, 0);

  options = OpenOptions(nullptr);
  ClearInterface();
  options->act(options);
  const ValueControl* back = nullptr;
  char text[256];
  for (int i = 0; i < ValueControlCount; ++i)
    if (ValueControlText(ValueControls[i], text, sizeof text) && std::strcmp(text, "back") == 0) back = &ValueControls[i];
  ASSERT_NE(back, nullptr);
  ASSERT_NE(back->callback, nullptr);
  const ValueControl press = *back;
  press.callback(press.owner, CLICK_LEFT, reinterpret_cast<uintptr_t>(press.variable));
  EXPECT_EQ(options->alive, 0);
  EXPECT_EQ(options->act(options), nullptr);
  EXPECT_EQ(DialogOpen, 0);
  ClearInterface();
}

// The options screen, once open, takes the keys and the mouse, clears its own frames (clear
// mode 0 over whatever the screen beneath cleared by) and stays the open dialog (word 2) frame
// after frame.  Its title keeps the translation's code page.
TEST_F(Services, TheOpenOptionsScreenTakesTheInputClearsItsFramesAndStaysTheDialog) {
  fs::create_directories("data/misc");
  std::snprintf(CfgPlayerName, sizeof CfgPlayerName, "Tester");
  SetPlayerDefaults();
  const int codePage = CurrentCodePage;
  CurrentCodePage = 5;
  PushClearMode(2);  // an editor beneath, clearing for itself
  DialogOpen = 0;
  FrameSkipped = 0;
  Prss* options = OpenOptions(nullptr);
  ASSERT_NE(options, nullptr);
  EXPECT_EQ(CurrentProcess, options);
  EXPECT_EQ(TopClearMode(), 0);
  for (int frame = 0; frame < 2; ++frame) {
    ClearInterface();
    options->act(options);
    EXPECT_EQ(DialogOpen, 2) << "frame " << frame;
  }
  const ValueControl* title = nullptr;
  char text[256];
  for (int i = 0; i < ValueControlCount; ++i)
    if (ValueControls[i].displayType == VALUE_TYPE_TITLE && ValueControlText(ValueControls[i], text, sizeof text) &&
        std::strcmp(text, "Options") == 0)
      title = &ValueControls[i];
  ASSERT_NE(title, nullptr);
  EXPECT_EQ(title->codePage, 5);
  Prss_Terminate(options);
  EXPECT_EQ(options->act(options), nullptr);
  EXPECT_EQ(TopClearMode(), 2) << "the mode beneath given back";
  PopClearMode();
  CurrentCodePage = codePage;
  ClearInterface();
}

// The gearbox rows step one value a press and stop at their ends: the wheel's shift has four
// choices (the last a separate shifter device), the other controls' shift three, the
// gearbox kinds two (no, yes).  A stored value past its row's end opens as the first.
TEST_F(Services, TheGearboxRowsStepWithinTheirChoices) {
  fs::create_directories("data/misc");
  std::snprintf(CfgPlayerName, sizeof CfgPlayerName, "Tester");
  SetPlayerDefaults();
  const uint8_t stored[5] = {3, 3, 1, 2, 0};  // 3 fits the wheel's row only; 2 no yes/no row
  for (int i = 0; i < 5; ++i) Player.options[3 + i] = stored[i];
  Prss* options = nullptr;
  const auto open = [&]() {
    options = OpenOptions(nullptr);
    ClearInterface();
    options->act(options);
  };
  FrameSkipped = 0;
  open();
  ASSERT_NE(options, nullptr);
  // A row is its left arrow, its value (shown type 49) and its right arrow, in that order.
  const auto press = [&](int row, bool up, int times) {
    int seen = -1, middle = -1;
    for (int c = 0; c < ValueControlCount && middle < 0; ++c)
      if (ValueControls[c].owner == options && ValueControls[c].displayType == VALUE_TYPE_INT_VALUE && ++seen == row)
        middle = c;
    ASSERT_GT(middle, 0) << "row " << row;
    const ValueControl& arrow = ValueControls[up ? middle + 1 : middle - 1];
    ASSERT_NE(arrow.callback, nullptr) << "row " << row;
    EXPECT_EQ(reinterpret_cast<uintptr_t>(arrow.variable), uintptr_t(2 * row + (up ? 1 : 0))) << "the row's word";
    for (int k = 0; k < times; ++k) arrow.callback(arrow.owner, CLICK_LEFT, reinterpret_cast<uintptr_t>(arrow.variable));
  };
  const auto close = [&]() {
    Prss_Terminate(options);
    EXPECT_EQ(options->act(options), nullptr);
  };
  // Opened: the values as stored where they fit, the first choice where not.
  close();
  const uint8_t opened[5] = {3, 0, 1, 0, 0};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(Player.options[3 + i], opened[i]) << "option " << 3 + i;

  open();
  for (int row = 0; row < 5; ++row) press(row, true, 6);
  close();
  const uint8_t highest[5] = {3, 2, 1, 1, 1};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(Player.options[3 + i], highest[i]) << "option " << 3 + i;

  open();
  for (int row = 0; row < 5; ++row) press(row, false, 1);
  close();
  const uint8_t oneDown[5] = {2, 1, 0, 0, 0};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(Player.options[3 + i], oneDown[i]) << "option " << 3 + i;

  open();
  for (int row = 0; row < 5; ++row) press(row, false, 4);
  close();
  for (int i = 0; i < 5; ++i) EXPECT_EQ(Player.options[3 + i], 0) << "option " << 3 + i;
  FrameSkipped = 0;
}
