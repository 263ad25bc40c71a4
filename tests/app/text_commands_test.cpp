// text_commands_test.cpp - typed lines, the command words, scripts and function-key messages.
#include <sys/wait.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

#include "command_test_folder.h"
#include "core/profiler.h"
#include "frontend/frontend.h"
#include "platform/spawn.h"
#include "race/race.h"
#include "render/screenshot.h"
#include "render/texture_table.h"
#include "render/views.h"
#include "render/vr.h"
#include "text/language.h"

namespace {

using TextCommands = CommandTestFolder;

void Type(const char* line) { Prss_SendMessage(nullptr, line, SOURCE_TYPED); }

// The settings as the program starts, before any test changes them: they are constants, set
// before this copy is taken.
const CommandSettings StartingSettings = CommandState;

void WriteScript(const char* name, const std::string& text) {
  CommandTestFolder::Write(std::string("data/script/") + name + ".zkt", text);
}

TEST(TextCommandSettings, TheProgramStartsWithTheClearedSettings) {
  const CommandSettings kept = CommandState;
  ResetTextCommandState();
  const CommandSettings cleared = CommandState;
  CommandState = kept;
  EXPECT_EQ(std::memcmp(&StartingSettings, &cleared, sizeof cleared), 0);
  EXPECT_EQ(StartingSettings.horn, 0);
  EXPECT_EQ(StartingSettings.aiSkill, 3);
  EXPECT_EQ(StartingSettings.forceFeedback, 100);
}

TEST_F(TextCommands, FreeTextWordsKeepSlashesAndOthersSplit) {
  Type("/echo a / b /c");
  EXPECT_TRUE(Said("a / b /c"));
  Type("/view heli /fov 70");
  EXPECT_EQ(CommandState.view, 1);
  float minimum = 0, maximum = 0, angle = 0;
  EXPECT_FLOAT_EQ(GetFovLimits(&minimum, &maximum, &angle), 70.0f);
  Type("/fov 5");
  EXPECT_FLOAT_EQ(GetFovLimits(&minimum, &maximum, &angle), minimum);
  Type("/horn /horn 3");  // the first horn has no value
  EXPECT_TRUE(Said("This command needs a parameter"));
  EXPECT_EQ(CommandState.horn, 2);
}

// "/view save" writes the layouts to the views file and "/view reload" reads them back over
// what was changed since.
// The camera words number the views from "fol" (0) to "custom" (4); a word beyond them is
// refused and leaves the view.  Force feedback runs from 0 to 150 per cent.
// "/reducehalf" (10 to 200) and "/speedreduce" (0 to 1) set the value of the steering mode in
// force, keyboard or mouse, cut to their ranges; without a value they show it.
TEST_F(TextCommands, SteerReductionsSetTheSteeringModeInForceWithinTheirRanges) {
  const int keptMode = CfgSteerKb;
  const float kept[4] = {CfgHalfReduceSpeedKb, CfgHalfReduceSpeedWm, CfgSpeedSteerReductionKb,
                         CfgSpeedSteerReductionWm};
  CfgSteerKb = 1;
  CfgHalfReduceSpeedWm = 50.0f;
  Type("/reducehalf 5");
  EXPECT_TRUE(Said("reducehalf=10.00"));
  EXPECT_FLOAT_EQ(CfgHalfReduceSpeedKb, 10.0f);
  Type("/reducehalf 500");
  EXPECT_TRUE(Said("reducehalf=200.00"));
  EXPECT_FLOAT_EQ(CfgHalfReduceSpeedKb, 200.0f);
  Type("/speedreduce -1");
  EXPECT_TRUE(Said("speedreduce=0.00"));
  EXPECT_FLOAT_EQ(CfgSpeedSteerReductionKb, 0.0f);
  EXPECT_FLOAT_EQ(CfgHalfReduceSpeedWm, 50.0f) << "the mouse's value is left";
  CfgSteerKb = 0;
  Type("/reducehalf 120");
  EXPECT_FLOAT_EQ(CfgHalfReduceSpeedWm, 120.0f);
  EXPECT_FLOAT_EQ(CfgHalfReduceSpeedKb, 200.0f) << "the keyboard's value is left";
  ClearLines();
  Type("/reducehalf");
  EXPECT_TRUE(Said("reducehalf=120.00"));
  CfgSteerKb = keptMode;
  CfgHalfReduceSpeedKb = kept[0], CfgHalfReduceSpeedWm = kept[1];
  CfgSpeedSteerReductionKb = kept[2], CfgSpeedSteerReductionWm = kept[3];
}

TEST_F(TextCommands, ViewWordsNumberTheViewsAndForceFeedbackTakesItsEnds) {
  Type("/view custom");
  EXPECT_EQ(CommandState.view, 4);
  Type("/view fol");
  EXPECT_EQ(CommandState.view, 0);
  Type("/view driver");
  EXPECT_EQ(CommandState.view, 3);
  ClearLines();
  Type("/view side");
  EXPECT_TRUE(Said("Parameter is not valid"));
  EXPECT_EQ(CommandState.view, 3);
  Type("/ff -5");
  EXPECT_EQ(CommandState.forceFeedback, 0);
  Type("/ff 150");
  EXPECT_EQ(CommandState.forceFeedback, 150);
  Type("/ff 75.9");
  EXPECT_EQ(CommandState.forceFeedback, 75);
}

TEST_F(TextCommands, ViewReloadReadsBackTheSavedLayouts) {
  std::filesystem::create_directories("data/misc");
  const ViewLayout kept = ViewLayouts[0];
  ViewLayouts[0].fieldOfView = 75.0f;
  Type("/view save");
  ASSERT_TRUE(std::filesystem::exists("data/misc/views.bin"));
  ViewLayouts[0].fieldOfView = 50.0f;
  Type("/view reload");
  EXPECT_FLOAT_EQ(ViewLayouts[0].fieldOfView, 75.0f);
  ViewLayouts[0] = kept;
}

TEST_F(TextCommands, RepliesAndValuesOfCommonWords) {
  Type("/aiskill 9");
  EXPECT_TRUE(Said("/aiskill 5"));
  Type("/aiskill 0");
  EXPECT_TRUE(Said("/aiskill 1"));
  Type("/window 800 600");
  EXPECT_EQ(CfgWindow[2] - CfgWindow[0], 800);
  EXPECT_EQ(CfgWindow[3] - CfgWindow[1], 600);
  EXPECT_EQ(WindowRequest, WINDOW_REQUEST_NORMAL);
  Type("/window 960 640");  // a size may start with any digit from 1 to 9
  EXPECT_EQ(CfgWindow[2] - CfgWindow[0], 960);
  EXPECT_EQ(CfgWindow[3] - CfgWindow[1], 640);
  Type("/window 16 8192");  // the least width and the most height: held at the least window
  EXPECT_EQ(CfgWindow[2] - CfgWindow[0], 800);
  EXPECT_EQ(CfgWindow[3] - CfgWindow[1], 8192);
  Type("/window 8192 599");  // the most width, and one under the least window's height
  EXPECT_EQ(CfgWindow[2] - CfgWindow[0], 8192);
  EXPECT_EQ(CfgWindow[3] - CfgWindow[1], 600);
  ClearLines();
  Type("/window 8 600");
  EXPECT_TRUE(Said("Parameter is not valid"));
  Type("/window max");
  EXPECT_EQ(WindowRequest, WINDOW_REQUEST_MAXIMISE);
  Type("/press");
  EXPECT_TRUE(Said("This command needs a parameter"));
  Type("/ff 400");
  EXPECT_EQ(CommandState.forceFeedback, 150);
  Type("/debug 9");
  EXPECT_TRUE(Said("debug 3"));
  Type("/speedreduce 2");
  EXPECT_TRUE(Said("speedreduce=1.00"));
  Type("/mprsmooth 4");
  EXPECT_TRUE(Said("MPR smooth 1"));
  Type("/mprlag 5000");
  EXPECT_TRUE(Said("MPR lag 1000 ms"));
  Type("/mprlag -5");
  EXPECT_TRUE(Said("MPR lag 0 ms"));
  Type("/sync perhaps");
  Type("/cp");
  EXPECT_TRUE(Said("Command is for free view mode"));
  Type("/status");
  EXPECT_TRUE(Said("Invalid mode for command"));
  Type("/siren fast");
  EXPECT_TRUE(Said("Driver is not in race"));
  Type("/o hello");
  EXPECT_TRUE(Said("Ctrlink is not open"));
  Type("/nosuchword 1");
  EXPECT_TRUE(Said("Unknown command"));
  Type("/spectv no");
  EXPECT_NE(CfgScreenFlags & (1u << 20), 0u);
  Type("/ss");
  Type("/exit");
  EXPECT_EQ(ExitRequested, 1);
}

// "/tr" asks for every texture read from a file to be read again.
TEST_F(TextCommands, TrAsksForTheTexturesToBeReadAgain) {
  TextureReloadPending = 0;
  Type("/tr");
  EXPECT_EQ(TextureReloadPending, 1);
  TextureReloadPending = 0;
}

TEST_F(TextCommands, TgZeroClearsTheProfilersCountsAndOtherValuesAreIgnored) {
  ProfilerInit();
  const int timer = ProfilerAddTimer("T");
  Profiler.timers[timer].history[0] = 55;
  Profiler.frameTotals[0] = 9;
  Type("/tg 1");
  EXPECT_EQ(Profiler.timers[timer].history[0], 55u);
  Type("/tg 0");
  EXPECT_EQ(Profiler.timers[timer].history[0], 0u);
  EXPECT_EQ(Profiler.frameTotals[0], PROFILER_FIRST_TOTAL);
}

TEST_F(TextCommands, ControlsAxesAndKeys) {
  Type("/axis steer 3");
  EXPECT_EQ(AxisTable[0].input, 2);
  Type("/axis clutch -1");
  EXPECT_EQ(AxisTable[7].input, -1);
  Type("/invert brake 1");
  EXPECT_EQ(AxisTable[3].invert, 1);
  ClearLines();
  Type("/axis steer 81");
  EXPECT_TRUE(Said("Parameter is not valid"));
  Type("/axis wobble 1");
  EXPECT_TRUE(Said("Unknown axis function"));
  Type("/button throttle");
  EXPECT_TRUE(Said("This command needs two parameters"));
  Type("/button gear_3 1440");
  EXPECT_EQ(ControlTable[32].button, 1439);
  Type("/key steer_left a");
  EXPECT_EQ(ControlTable[0].key, 'A');
  Type("/key steer_right A");  // a key belongs to one control
  EXPECT_EQ(ControlTable[0].key, CONTROL_NONE);
  EXPECT_EQ(ControlTable[1].key, 'A');
  Type("/key steer_left t");
  EXPECT_TRUE(Said("T - talk"));
  Type("/key ctrl_f1 Q");  // not among the first 37
  EXPECT_TRUE(Said("Unknown key function"));
  Type("/key steer_left ,");
  EXPECT_TRUE(Said(", - less force"));
  // A key control without its key, or with more than one character, is refused.
  ClearLines();
  Type("/key steer_left");
  EXPECT_TRUE(Said(ReplyText(41)));
  ClearLines();
  Type("/key steer_left ab");
  EXPECT_TRUE(Said(ReplyText(47)));
  // A key no control may have (';' is neither a letter, a digit nor a space) is refused, and
  // the control keeps the key it had.
  ClearLines();
  Type("/key steer_right ;");
  EXPECT_TRUE(Said(ReplyText(47)));
  EXPECT_EQ(ControlTable[1].key, 'A');
  Type("/button ctrl_f1 2");
  Type("/button alt_f1 2");  // a button belongs to one control
  EXPECT_EQ(ControlTable[37].button, CONTROL_NONE);
  EXPECT_EQ(ControlTable[49].button, 1);
  Type("/wheel_turn 900");
  EXPECT_FLOAT_EQ(WheelTurnDegrees, 900.0f);
  Type("/axis clutch 3");  // an axis belongs to one control
  EXPECT_EQ(AxisTable[0].input, AXIS_NONE);
  EXPECT_EQ(AxisTable[7].input, 2);
}

// /axis and /invert with nothing after them ask for the parameter and leave the table as it was,
// whether the word ends the line or another command follows it.
TEST_F(TextCommands, AxisAndInvertWithoutAValueNeedAParameter) {
  Type("/axis steer 3");
  Type("/invert brake 1");
  for (const char* line : {"/axis /echo hi", "/invert /echo hi"}) {
    ClearLines();
    Type(line);
    EXPECT_TRUE(Said("This command needs a parameter")) << line;
    EXPECT_TRUE(Said("hi")) << line;
  }
  for (const char* line : {"/axis", "/invert"}) {
    ClearLines();
    Type(line);
    EXPECT_TRUE(Said("This command needs a parameter")) << line;
  }
  EXPECT_EQ(AxisTable[0].input, 2);
  EXPECT_EQ(AxisTable[3].invert, 1);
}

// Axes are numbered 1..80 and buttons 1..1440, stored less one; -1 clears; 0 and one past
// the last are refused and change nothing.
TEST_F(TextCommands, AxisAndButtonNumbersTakeBothEndsAndRefuseOnePast) {
  Type("/axis steer 80");
  EXPECT_EQ(AxisTable[0].input, 79);
  Type("/axis steer 1");
  EXPECT_EQ(AxisTable[0].input, 0);
  for (const char* line : {"/axis steer 0", "/axis steer 81", "/axis steer -2"}) {
    ClearLines();
    Type(line);
    EXPECT_TRUE(Said(ReplyText(47))) << line;
    EXPECT_EQ(AxisTable[0].input, 0) << line;
  }
  Type("/invert brake 0");
  EXPECT_EQ(AxisTable[3].invert, 0);
  ClearLines();
  Type("/invert brake 2");
  EXPECT_TRUE(Said(ReplyText(47)));
  EXPECT_EQ(AxisTable[3].invert, 0);

  Type("/button gear_3 1");
  EXPECT_EQ(ControlTable[32].button, 0);
  for (const char* line : {"/button gear_3 0", "/button gear_3 1441"}) {
    ClearLines();
    Type(line);
    EXPECT_TRUE(Said(ReplyText(47))) << line;
    EXPECT_EQ(ControlTable[32].button, 0) << line;
  }
  Type("/button gear_3 -1");
  EXPECT_EQ(ControlTable[32].button, CONTROL_NONE);
}

TEST_F(TextCommands, CarSetupAndReplayNamesStayInTheirFolders) {
  CfgSelectedCar[0] = 0;
  ClearLines();
  Type("/setup quick");
  EXPECT_TRUE(Said(ReplyText(44))) << "no car is selected";
  ClearLines();
  Type("/lang ../x");
  EXPECT_TRUE(Said("Invalid file name : ../x holds \"/\", which no file name may hold")) << "a language name that leaves its folder";
  Type("/car zk2");
  EXPECT_STREQ(CfgSelectedCar, "ZK2");
  Type("/car XYZ");
  EXPECT_TRUE(Said("Unknown car parameter"));
  Type("/setup quick");
  EXPECT_TRUE(Said("Setup was not found"));
  Write("data/setups/ZK2_quick.set", "x");
  Type("/setup quick");
  EXPECT_STREQ(CfgSetupName, "quick");
  std::snprintf(CfgColoursName, sizeof CfgColoursName, "%s", "red");
  Type("/car zk1");
  EXPECT_STREQ(CfgSelectedCar, "ZK1");
  EXPECT_STREQ(CfgSetupName, "") << "another car forgets the set-up and colours of the last";
  EXPECT_STREQ(CfgColoursName, "");
  Type("/car zk2");
  ClearLines();
  Type("/colour ../../x");
  EXPECT_TRUE(Said("Invalid file name : ../../x holds \"/\", which no file name may hold"));
  Type("/colour missing");
  EXPECT_TRUE(Said("Colour was not found"));
  Type("/spr lap");
  EXPECT_TRUE(Said("Command is for entry screen only"));
  EXPECT_EQ(PendingRequestType, 0);
}

// A driver's name longer than the 23 characters a name holds is no driver, even when a file
// of that name exists.
TEST_F(TextCommands, APlayerNameLongerThanANameHoldsIsNotFound) {
  const std::string longest(23, 'p'), tooLong(24, 'q');
  Write("data/misc/" + tooLong + ".ply", "x");
  std::snprintf(CfgPlayerName, sizeof CfgPlayerName, "%s", "Tester");
  ClearLines();
  Type(("/player " + tooLong).c_str());
  EXPECT_TRUE(Said("Driver not found"));
  EXPECT_STREQ(CfgPlayerName, "Tester");
  ClearLines();
  Type(("/player " + longest).c_str());
  EXPECT_TRUE(Said("Driver not found")) << "no such file";
}

TEST_F(TextCommands, RefreshListsTheSelectedCarsSetupsAndColoursAndTheMods) {
  Write("data/setups/ZK2_quick.set", "x");
  Write("data/setups/ZK2_wet.set", "x");
  Write("data/setups/AB1_other.set", "x");
  Write("data/colours/ZK2_red.col", "x");
  Write("mods/vehicles/lowrider/info.txt", "x");
  Type("/refresh");
  EXPECT_EQ(SetupList.count, 0) << "no car is selected";
  EXPECT_EQ(ModList.count, 1);
  Type("/car zk2");
  Write("mods/vehicles/buggy/info.txt", "x");
  Type("/refresh");
  ASSERT_EQ(SetupList.count, 2);
  EXPECT_STREQ(SetupList.names[0], "quick");
  EXPECT_STREQ(SetupList.names[1], "wet");
  ASSERT_EQ(ColourList.count, 1);
  EXPECT_STREQ(ColourList.names[0], "red");
  ASSERT_EQ(ModList.count, 2);
  EXPECT_STREQ(ModList.names[0], "buggy");
  EXPECT_STREQ(ModList.names[1], "lowrider");
  FreeModList();
  EXPECT_EQ(ModList.count, 0);
}

// A listed name is what is left of the file name once the car's "ZK2_" and the ".set" are
// cut: an empty one is no name, 31 characters fit the 32-byte entry, 32 do not.  A list holds
// 256 names at most; the rest are left out with a line that says how many.
TEST_F(TextCommands, ListedNamesFitTheirEntryAndAListHoldsAtMost256) {
  const std::string longest(31, 'a'), tooLong(32, 'b');
  Write("data/setups/ZK2_.set", "x");
  Write("data/setups/ZK2_" + longest + ".set", "x");
  Write("data/setups/ZK2_" + tooLong + ".set", "x");
  Write("data/setups/ZK2_w.set", "x");
  Type("/car zk2");
  Type("/refresh");
  ASSERT_EQ(SetupList.count, 2);
  EXPECT_EQ(SetupList.names[0], longest);
  EXPECT_STREQ(SetupList.names[1], "w");
  for (int i = 0; i < 257; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "mods/vehicles/m%03d/info.txt", i);
    Write(name, "x");
  }
  ClearLines();
  Type("/refresh");
  ASSERT_EQ(ModList.count, 256);
  EXPECT_STREQ(ModList.names[0], "m000");
  EXPECT_STREQ(ModList.names[255], "m255");
  EXPECT_TRUE(Said("1 mods left out (at most 256)"));
  std::filesystem::remove_all("mods/vehicles/m256");
  ClearLines();
  Type("/refresh");
  EXPECT_EQ(ModList.count, 256);
  for (const std::string& line : Lines()) EXPECT_EQ(line.find("left out"), std::string::npos) << line;
  FreeModList();
}

TEST_F(TextCommands, ChatLinesAreGuardedAgainstFlooding) {
  ProgramClock = 10000;
  Type("hello");
  EXPECT_STREQ(reinterpret_cast<const char*>(LastChatPacket + 4), "hello");
  EXPECT_EQ(LastChatPacket[0], 5 / 4 + 2);
  EXPECT_EQ(LastChatPacket[1], 1);
  ProgramClock += 300;
  Type("again");
  EXPECT_STREQ(reinterpret_cast<const char*>(LastChatPacket + 4), "hello");
  ProgramClock += 501;
  Type("/me waves");
  EXPECT_STREQ(reinterpret_cast<const char*>(LastChatPacket + 4), "/me waves");
}

// The guard drops a line sent within 500 ms of the last one, that instant included; a line
// longer than the packet's 100 bytes of text goes out as its first 99 and the end mark.
// "/block" asks the host for block mode 0, 1 or 2; a number beyond them asks for the nearest.
TEST_F(TextCommands, BlockModesBeyondTheThreeAskForTheNearest) {
  ProgramClock = 30000;
  LastBlockModeSent = 0;
  Type("/block 7");
  EXPECT_EQ(LastBlockModeSent, 2);
  ProgramClock += 1000;
  Type("/block -5");
  EXPECT_EQ(LastBlockModeSent, 0);
  ProgramClock += 1000;
  Type("/block 1");
  EXPECT_EQ(LastBlockModeSent, 1);
  LastBlockModeSent = 0;
}

// A block request within 500 ms of the last one taken is refused (that one is not counted);
// at 500 ms it is taken.
TEST_F(TextCommands, BlockRequestsLessThanHalfASecondApartAreRefused) {
  ProgramClock = 40000;
  LastBlockModeSent = 0;
  Type("/block 1");
  EXPECT_EQ(LastBlockModeSent, 1);
  ProgramClock += 499;
  Type("/block 2");
  EXPECT_EQ(LastBlockModeSent, 1) << "499 ms on";
  ProgramClock += 1;
  Type("/block 2");
  EXPECT_EQ(LastBlockModeSent, 2) << "500 ms after the last request taken";
  LastBlockModeSent = 0;
}

TEST_F(TextCommands, ChatGuardEndsAtHalfASecondAndLongLinesAreCutToThePacket) {
  ProgramClock = 20000;
  Type("first");
  ProgramClock += 500;
  Type("second");
  EXPECT_STREQ(reinterpret_cast<const char*>(LastChatPacket + 4), "first") << "500 ms on is still too soon";
  ProgramClock += 1;
  Type("third");
  EXPECT_STREQ(reinterpret_cast<const char*>(LastChatPacket + 4), "third") << "501 ms on";

  ProgramClock += 1000;
  const std::string line = std::string(99, 'a') + std::string(21, 'b');
  Type(line.c_str());
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(LastChatPacket + 4)), std::string(99, 'a'));
  EXPECT_EQ(LastChatPacket[0], 99 / 4 + 2);  // 26 words
  EXPECT_EQ(LastChatPacket[2], 0) << "not for the control link";
  EXPECT_EQ(LastChatPacket[4 + 99], 0);

  // A function-key message of one letter is a chat line of its own.
  ProgramClock += 1000;
  Type("/ctrlf 3 x");
  EXPECT_STREQ(FunctionKeyMessage(8 + 2), "x");
  SendFunctionKeyMessage(8 + 2);
  EXPECT_STREQ(reinterpret_cast<const char*>(LastChatPacket + 4), "x");
  EXPECT_EQ(LastChatPacket[0], 1 / 4 + 2);
}

// At the entry page "/spr" and "/mpr" ask for a replay by its name: 63 characters, the most a
// request holds, are taken; 64, or a name that leaves its folder, are refused.
TEST_F(TextCommands, ReplayWordsTakeNamesOf63CharactersAndRefuse64) {
  Prss* page = CreateEntryPage(nullptr);
  PendingRequestType = 0;
  Type(("/spr " + std::string(63, 'r')).c_str());
  EXPECT_EQ(PendingRequestType, REQUEST_SINGLE_REPLAY);
  EXPECT_EQ(std::string(RequestText), std::string(63, 'r'));
  Type("/mpr race");
  EXPECT_EQ(PendingRequestType, REQUEST_MULTI_REPLAY);
  EXPECT_STREQ(RequestText, "race");
  PendingRequestType = 0;
  const std::pair<std::string, std::string> refused[] = {
      {"/spr " + std::string(64, 's'), ReplyText(48)},
      {"/mpr ../x", "Invalid file name : ../x holds \"/\", which no file name may hold"},
      {"/mpr lap\xe9", "Invalid file name : lap\xe9 is not valid UTF-8"},
  };
  for (const auto& [line, said] : refused) {
    ClearLines();
    Type(line.c_str());
    EXPECT_TRUE(Said(said)) << line;
    EXPECT_EQ(PendingRequestType, 0) << line;
  }
  EXPECT_STREQ(RequestText, "race");
  Prss_Terminate(page);
  page->act(page);
  CurrentProcess = nullptr;
}

// The MPR words' ranges: the flush from 0 to 10 s, smoothing on for any count above 0.
TEST_F(TextCommands, TheMprFlushRunsFrom0To10SecondsAndSmoothingIsOnAbove0) {
  for (const auto& [line, said] : {std::pair{"/mprflush 99", "MPR flush 10 s"}, std::pair{"/mprflush 10", "MPR flush 10 s"},
                                   std::pair{"/mprflush -3", "MPR flush 0 s"}, std::pair{"/mprflush 4", "MPR flush 4 s"},
                                   std::pair{"/mprflush", "MPR flush 4 s"}, std::pair{"/mprsmooth 1", "MPR smooth 1"},
                                   std::pair{"/mprsmooth 0", "MPR smooth 0"}, std::pair{"/mprsmooth -2", "MPR smooth 0"},
                                   std::pair{"/debug -1", "debug 0"}, std::pair{"/debug 2", "debug 2"}}) {
    ClearLines();
    Type(line);
    EXPECT_TRUE(Said(said)) << line;
  }
}

// The longest values the program, set-up and log words take, and one character more.
TEST_F(TextCommands, ProgramSetupAndLogNamesTakeTheirLongestAndRefuseOneMore) {
  // A program's text of 95 characters is looked for (and not found); 96 are too long.
  ClearLines();
  Type(("/exec " + std::string(96, 'p')).c_str());
  EXPECT_TRUE(Said(ReplyText(48)));
  ClearLines();
  Type(("/exec " + std::string(95, 'p')).c_str());
  EXPECT_TRUE(Said(ReplyText(47))) << "no such program";
  EXPECT_FALSE(Said(ReplyText(48)));
  // A set-up's name of 15 characters is looked for; 16 are too long.
  Type("/car zk2");
  ClearLines();
  Type(("/setup " + std::string(16, 's')).c_str());
  EXPECT_TRUE(Said(LanguageTexts[TX_3a_namelong]));
  ClearLines();
  Type(("/setup " + std::string(15, 's')).c_str());
  EXPECT_TRUE(Said("Setup was not found"));
  // A log file's name of 31 characters is taken; 32 are too long.
  const std::string longest = std::string(27, 'l') + ".log", tooLong = std::string(28, 'l') + ".log";
  ClearLines();
  Type(("/log " + tooLong).c_str());
  EXPECT_TRUE(Said(ReplyText(48)));
  EXPECT_STREQ(LogFileName, "messages.log");
  Type(("/log " + longest).c_str());
  EXPECT_EQ(std::string(LogFileName), longest);
}

// "/vr reset" (and "/rift reset") asks the headset to recentre; the other known values ask
// for nothing.
TEST_F(TextCommands, TheVrResetWordRecentresAndTheOtherValuesDoNot) {
  for (const char* line : {"/vr reset_headset", "/vr use_relative", "/rift openvr"}) {
    Vr.recentreState = 0;
    Type(line);
    EXPECT_EQ(Vr.recentreState, 0) << line;
  }
  for (const char* line : {"/vr reset", "/rift RESET"}) {
    Vr.recentreState = 0;
    Vr.positionValid = 1;
    Type(line);
    EXPECT_EQ(Vr.recentreState, 2) << line;
    EXPECT_EQ(Vr.positionValid, 0) << line;
  }
  Vr.recentreState = 0;
}

// A new field of view lays the screen out again; with a headset it also ends 4K capture.
TEST_F(TextCommands, AFieldOfViewLaysTheScreenOutAgainAndWithAHeadsetEnds4KCapture) {
  ScreenLayoutNeedsSetup = 0;
  CfgScreenFlags = 1u << 28 | 1u;
  Type("/fov 70");
  EXPECT_EQ(ScreenLayoutNeedsSetup, 1);
  EXPECT_EQ(CfgScreenFlags, 1u << 28 | 1u) << "no headset: 4K capture stays";
  VrEnabled = 1;
  Type("/fov 80");
  EXPECT_EQ(CfgScreenFlags, 1u) << "only the 4K capture bit goes";
  VrEnabled = 0;
  CfgScreenFlags = 0;
}

// A typed command line is shown as typed, once, before it runs; the lines a script runs and the
// second command of a line are not shown again.
TEST_F(TextCommands, ATypedCommandLineIsShownOnceAsTyped) {
  WriteScript("quiet", "/horn 3\n");
  ClearLines();
  Type("/horn 1 /horn 2");
  EXPECT_TRUE(Said("/horn 1 /horn 2"));
  EXPECT_FALSE(Said("/horn 2"));
  ClearLines();
  Type("/run quiet");
  EXPECT_TRUE(Said("/run quiet"));
  EXPECT_FALSE(Said("/horn 3"));
  EXPECT_EQ(CommandState.horn, 2);
  ClearLines();
  Prss_SendMessage(nullptr, "/horn 4", SOURCE_KEY);
  EXPECT_FALSE(Said("/horn 4")) << "a function key's message is not a typed line";
  EXPECT_EQ(CommandState.horn, 3);
}

// A lone "/" is no command: nothing is said and nothing changes.
TEST_F(TextCommands, TheScreenshotWordAsksForOneScreenshot) {
  ScreenshotRequest = 0;
  Type("/ss");
  EXPECT_EQ(ScreenshotRequest, 1);
  ScreenshotRequest = 0;
}

TEST_F(TextCommands, ALoneSlashDoesNothing) {
  ClearLines();
  Type("/");
  EXPECT_TRUE(Lines().empty());
  EXPECT_EQ(LastChatPacket[0], 0);
}

TEST_F(TextCommands, ScriptsRunLinesAndReplyWithLineNumbers) {
  WriteScript("setup", "  echo first\n// a comment\n/horn 9\n/\nhorn 2  \n");
  Type("//setup");
  EXPECT_TRUE(Said("first"));
  EXPECT_TRUE(Said("setup : line 3 - Parameter is not valid"));
  EXPECT_EQ(CommandState.horn, 1);
  EXPECT_EQ(LastChatPacket[0], 0);  // a line without "/" is a command, never chat
  EXPECT_EQ(ScriptDepth, 0);

  WriteScript("inner", "//setup\n/run setup\n");  // "//" in a script is a comment
  ClearLines();
  Type("/run inner");
  const std::vector<std::string> lines = Lines();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "first"), 1);
}

TEST_F(TextCommands, ScriptLimitsAndErrors) {
  WriteScript("self", "/run self\n");
  Type("/run self");
  EXPECT_TRUE(Said("Too many scripts"));
  EXPECT_EQ(ScriptDepth, 0);

  WriteScript("long", "/echo ok\n/echo " + std::string(100, 'x') + "\n/echo never\n");
  Type("/run long");
  EXPECT_TRUE(Said("ok"));
  EXPECT_TRUE(Said("long : line 2 is too long"));
  EXPECT_FALSE(Said("never"));
  // 95 bytes is the longest line ("/echo " and 89 letters); 96 is one too many.
  WriteScript("edge", "/echo " + std::string(89, 'y') + "\n/echo " + std::string(90, 'z') + "\n");
  Type("/run edge");
  EXPECT_TRUE(Said(std::string(89, 'y')));
  EXPECT_TRUE(Said("edge : line 2 is too long"));

  // 2048 bytes is the largest script; 2049 is too long.
  std::string full = "/echo full\n";
  full += std::string(2048 - full.size(), '\n');
  WriteScript("full", full);
  Type("/run full");
  EXPECT_TRUE(Said("full"));
  WriteScript("big", std::string(2049, ' '));
  Type("/run big");
  EXPECT_TRUE(Said("Script is too long"));
  WriteScript("empty", "");
  Type("/run empty");
  EXPECT_TRUE(Said("Script is empty"));
  Type("/run missing");
  EXPECT_TRUE(Said("Can't open : missing"));
  Type("/run ../../etc/passwd");
  EXPECT_TRUE(Said("Invalid file name : ../../etc/passwd holds \"/\", which no file name may hold"));
  Type(("/run " + std::string(40, 'n')).c_str());
  EXPECT_TRUE(Said("Name is too long"));

  WriteScript("paddle", "/echo paddle ran\n");
  WriteScript("calls", "/run paddle\n");
  Type("/run calls");
  EXPECT_TRUE(Said("calls : line 1 - Script 'paddle' cannot be run from a script"));
  EXPECT_FALSE(Said("paddle ran"));
}

// The player's control scripts, from the first of their list ("free") to the last ("kart"),
// run only when typed, never from another script.
TEST_F(TextCommands, TheFirstAndLastPlayerScriptsRunOnlyWhenTyped) {
  WriteScript("free", "/echo free ran\n");
  WriteScript("kart", "/echo kart ran\n");
  WriteScript("calls", "/run free\n/run kart\n");
  Type("/run calls");
  EXPECT_TRUE(Said("calls : line 1 - Script 'free' cannot be run from a script"));
  EXPECT_TRUE(Said("calls : line 2 - Script 'kart' cannot be run from a script"));
  EXPECT_FALSE(Said("free ran"));
  EXPECT_FALSE(Said("kart ran"));
  Type("/run kart");
  EXPECT_TRUE(Said("kart ran"));
}

TEST_F(TextCommands, ScriptsThatRunThemselvesSeveralTimesStopSoon) {
  WriteScript("tree", "/run tree\n/run tree\n/run tree\n");  // 3^12 runs without a bound on lines
  Type("/run tree");  // the line count below is what bounds it
  const std::vector<std::string> lines = Lines();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "Too many scripts"), 1);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "Scripts stopped after 10000 lines"), 1);
  EXPECT_EQ(ScriptDepth, 0);

  // Exactly the limit runs; the next run starts counting afresh.
  WriteScript("hundred", [] {
    std::string text;
    for (int i = 0; i < 100; ++i) text += "/echo x\n";
    return text;
  }());
  WriteScript("limit", [] {
    std::string text;
    for (int i = 0; i < 99; ++i) text += "/run hundred\n";
    return text;
  }());
  WriteScript("exact", "/run limit\n");  // 1 + 99 + 9,900 = 10,000 lines
  ClearLines();
  Type("/run exact");
  std::vector<std::string> said = Lines();
  EXPECT_EQ(std::count(said.begin(), said.end(), "x"), 9900);
  EXPECT_FALSE(Said("Scripts stopped after 10000 lines"));
  WriteScript("over", "/run exact\n");  // one line more: the last echo is not run
  ClearLines();
  Type("/run over");
  said = Lines();
  EXPECT_EQ(std::count(said.begin(), said.end(), "x"), 9899);
  EXPECT_TRUE(Said("Scripts stopped after 10000 lines"));
}

TEST_F(TextCommands, WaitRunsAProgramWithItsArguments) {
  Type("/wait sh -c \"echo spawned > out.txt\"");
  EXPECT_EQ(Read("out.txt"), "spawned\n");
  // A quoted program name may hold blanks; the arguments follow it.
  Type("/wait \"sh\" -c \"echo quoted > q.txt\"");
  EXPECT_EQ(Read("q.txt"), "quoted\n");
  ClearLines();
  Type("/wait no-such-program-here");
  EXPECT_TRUE(Said("Parameter is not valid"));
  Type(("/exec " + std::string(100, 'p')).c_str());
  EXPECT_TRUE(Said("Parameter is too long"));
}

// Visiting the web site hands the site's address to the desktop's opener (xdg-open, looked up
// on PATH) and ends the program without an exit action, for the reason "visit".  A stand-in
// opener first on PATH records its arguments; the test waits for the started program to end
// (waitpid blocks without a clock) before it reads them.
TEST_F(TextCommands, VisitingTheWebSiteOpensItsAddressAndEndsTheProgram) {
  const std::filesystem::path opener = std::filesystem::current_path() / "opener";
  const std::filesystem::path record = opener / "opened.txt";
  std::filesystem::create_directories(opener);
  std::filesystem::remove(record);  // a run before this one left its record
  Write(opener / "xdg-open", "#!/bin/sh\nprintf '[%s]\\n' \"$@\" > '" + record.string() + "'\n");
  std::filesystem::permissions(opener / "xdg-open", std::filesystem::perms::owner_all);
  ASSERT_EQ(ExitRequested, 0);
  const char* oldPath = std::getenv("PATH");
  const std::string keptPath = oldPath ? oldPath : "";
  setenv("PATH", (opener.string() + ":" + keptPath).c_str(), 1);
  SpawnSetAllowed(1);
  VisitWebSite();
  const int exitAsked = ExitRequested;
  const uint32_t exitAction = ExitAction;
  ExitRequested = 0;  // the test binary goes on
  if (oldPath)
    setenv("PATH", keptPath.c_str(), 1);
  else
    unsetenv("PATH");
  // Every child of the test has ended once waitpid finds none left.
  int waitError = 0;
  while (waitError == 0) {
    int status = 0;
    if (waitpid(-1, &status, 0) < 0 && errno != EINTR) waitError = errno;
  }
  EXPECT_EQ(waitError, ECHILD);
  ASSERT_TRUE(std::filesystem::exists(record)) << "no opener was started";
  EXPECT_EQ(Read(record), "[https://zkt-editor.example.org/]\n") << "one argument: the address";
  EXPECT_EQ(exitAsked, 1);
  EXPECT_EQ(exitAction, 0u);
  EXPECT_TRUE(Said("exit : visit"));
}

// The second command of a line keeps the line's source: in a script its reply carries the
// script's name and line, and from the control link it may not run a script either.
TEST_F(TextCommands, TheSecondCommandOfALineKeepsTheLinesSource) {
  // The first command with a value, then one without ("/ss" takes none).
  WriteScript("chain", "/horn 2 /horn 9\n/ss /horn 9\n");
  ScreenshotRequest = 0;
  Type("/run chain");
  EXPECT_TRUE(Said("chain : line 1 - Parameter is not valid"));
  EXPECT_TRUE(Said("chain : line 2 - Parameter is not valid"));
  EXPECT_EQ(CommandState.horn, 1) << "the first command ran: horn 2";
  EXPECT_EQ(ScreenshotRequest, 1);
  ScreenshotRequest = 0;
  WriteScript("s", "/echo script ran\n");
  for (const char* line : {"/horn 1 /run s", "/ss /run s"}) {
    ClearLines();
    Prss_SendMessage(nullptr, line, SOURCE_CTRLINK);
    EXPECT_FALSE(Said("script ran")) << line;
  }
  ScreenshotRequest = 0;
}

TEST_F(TextCommands, ControlLinkLinesCannotRunProgramsFilesOrScripts) {
  WriteScript("s", "/echo script ran\n");
  for (const char* line : {"/wait sh -c \"echo x > out.txt\"", "/exec touch out.txt", "/log other.log", "/run s",
                           "//s", "/loadkb mine", "/setup any", "/player someone", "/spr lap"}) {
    ClearLines();
    Prss_SendMessage(nullptr, line, SOURCE_CTRLINK);
    EXPECT_FALSE(Said("script ran")) << line;
  }
  EXPECT_FALSE(std::filesystem::exists("out.txt"));
  EXPECT_FALSE(std::filesystem::exists("other.log"));
  EXPECT_STREQ(LogFileName, "messages.log");
}

// "/log" without a name goes back to the default log, deb.log.
TEST_F(TextCommands, LogWithoutANameGoesBackToTheDefaultLog) {
  ASSERT_STREQ(LogFileName, "messages.log");
  Type("/log");
  EXPECT_STREQ(LogFileName, "");
  EXPECT_STREQ(CurrentLogPath(), "deb.log");
  SetLogFileName("messages.log");
}

TEST_F(TextCommands, LogCommandStaysInTheWorkingFolder) {
  Type("/log ../escaped.log");
  EXPECT_TRUE(Said("Invalid file name : ../escaped.log leads out of the working folder"));
  EXPECT_FALSE(std::filesystem::exists("../escaped.log"));
  Type("/log second.log");
  EXPECT_STREQ(LogFileName, "second.log");
  EXPECT_NE(Read("second.log").find("ZKT : 1.4C20"), std::string::npos);
  // Only log files: the settings and a setup are never deleted by a new log.
  Write("cfg.txt", "Max FPS 50\n");
  Write("data/setups/ZK1_race.set", "setup bytes");
  for (const char* line : {"/log cfg.txt", "/log data/setups/ZK1_race.set", "/log data"}) {
    Type(line);
    EXPECT_STREQ(LogFileName, "second.log") << line;
  }
  EXPECT_EQ(Read("cfg.txt"), "Max FPS 50\n");
  EXPECT_EQ(Read("data/setups/ZK1_race.set"), "setup bytes");
}

TEST_F(TextCommands, FunctionKeyMessagesRunAsCommands) {
  Type("/ctrlf 2 /echo from the key");
  EXPECT_STREQ(FunctionKeyMessage(9), "/echo from the key");
  Type("/altf 13 x");
  EXPECT_TRUE(Said("Parameter is not valid"));
  SendFunctionKeyMessage(9);
  EXPECT_TRUE(Said("from the key"));
  Type("/say /horn 4");
  EXPECT_EQ(CommandState.horn, 3);
}

// The first message (F1, index 0) and the last (Alt+F12, index 31) are sent like the others;
// numbers outside the 32 send nothing.
TEST_F(TextCommands, TheFirstAndLastFunctionKeyMessagesAreSent) {
  SetFunctionKeyMessage(0, "/echo from plain F1");
  SetFunctionKeyMessage(31, "/echo from alt F12");
  SendFunctionKeyMessage(0);
  EXPECT_TRUE(Said("from plain F1"));
  SendFunctionKeyMessage(31);
  EXPECT_TRUE(Said("from alt F12"));
  SetFunctionKeyMessage(0, "");
  SetFunctionKeyMessage(31, "");
}

// Offline no race session runs: the words of one answer what they are for, a dedicated host
// is told that they are not for it, and "/entry" asks to go back to the entry page.
TEST_F(TextCommands, RaceSessionWordsSayWhatTheyAreForOffline) {
  const std::pair<const char*, const char*> replies[] = {
      {"/leave", "Command is for multiplayer guests"}, {"/ready", "Command is for race setup screen"},
      {"/cancel", "Command is for race setup screen"}, {"/axsel 1", "Command is for free view mode"},
      {"/ai", "Invalid mode for command"},             {"/pitins", "Invalid mode for command"},
      {"/liveset", "Invalid mode for command"}};
  for (const auto& [line, reply] : replies) {
    ClearLines();
    Type(line);
    EXPECT_TRUE(Said(reply)) << line;
  }
  DedicatedMode = 2;
  for (const char* line : {"/leave", "/ready", "/cancel", "/join"}) {
    ClearLines();
    Type(line);
    EXPECT_TRUE(Said("Command is not for dedicated host")) << line;
    EXPECT_FALSE(Said("Command is for multiplayer guests")) << line;
    EXPECT_FALSE(Said("Command is for race setup screen")) << line;
  }
  DedicatedMode = 0;
  const uint32_t keptAction = ExitAction;
  ExitAction = 0;
  Type("/entry");
  EXPECT_EQ(ExitRequested, 1);
  EXPECT_EQ(ExitAction, 1u) << "back to the entry page, not out of the program";
  ExitAction = keptAction;
}

// "/join" alone asks for a car first; any built-in car will do, the first of them (ZK1) too,
// and offline the word then answers that it is not for this mode.
TEST_F(TextCommands, JoinWithTheFirstBuiltInCarSelectedGoesOnToTheModeCheck) {
  CfgSelectedCar[0] = 0;
  ClearLines();
  Type("/join");
  EXPECT_TRUE(Said("No car selected"));
  Type("/car zk1");
  ASSERT_STREQ(CfgSelectedCar, "ZK1");
  ClearLines();
  Type("/join");
  EXPECT_TRUE(Said("Invalid mode for command"));
  EXPECT_FALSE(Said("No car selected"));
}

// "/window" alone asks for a normal window, "min" to minimise (in any case), "monitor" and
// "virtual" for the borderless window over its display or over the whole desktop.
TEST_F(TextCommands, WindowWordsAskForTheirWindowModes) {
  CfgBorderlessWindow = 0;
  WindowRequest = 0;
  Type("/window");
  EXPECT_EQ(WindowRequest, WINDOW_REQUEST_NORMAL);
  Type("/window MIN");
  EXPECT_EQ(WindowRequest, WINDOW_REQUEST_MINIMISE);
  GoWindowedRequest = 0;
  Type("/window monitor");
  EXPECT_EQ(WindowRequest, BORDERLESS_MONITOR);
  EXPECT_EQ(GoWindowedRequest, 1);
  GoWindowedRequest = 0;
  Type("/window Virtual");
  EXPECT_EQ(WindowRequest, BORDERLESS_DESKTOP);
  EXPECT_EQ(GoWindowedRequest, 1);
  WindowRequest = 0;
  GoWindowedRequest = 0;
}

// A script name of 32 characters or more is too long to look for; 31 is looked for.
TEST_F(TextCommands, ScriptNamesOf32CharactersAreTooLong) {
  ClearLines();
  Type(("/run " + std::string(32, 's')).c_str());
  EXPECT_TRUE(Said(LanguageTexts[TX_3a_namelong]));
  ClearLines();
  Type(("/run " + std::string(31, 's')).c_str());
  EXPECT_FALSE(Said(LanguageTexts[TX_3a_namelong]));
  EXPECT_FALSE(Lines().empty()) << "not found, and said";
}

TEST_F(TextCommands, PressedKeysCountAsScriptDepth) {
  ScriptDepth = MAX_SCRIPT_DEPTH;
  Type("/press a");
  EXPECT_TRUE(Said("Too many scripts"));
  // One level short of the limit a script still runs; at the limit it does not.
  WriteScript("one", "/echo one ran\n");
  ClearLines();
  ScriptDepth = MAX_SCRIPT_DEPTH - 1;
  Type("/run one");
  EXPECT_TRUE(Said("one ran"));
  EXPECT_EQ(ScriptDepth, MAX_SCRIPT_DEPTH - 1);
  ClearLines();
  ScriptDepth = MAX_SCRIPT_DEPTH - 1;
  Type("/press a");
  EXPECT_FALSE(Said("Too many scripts")) << "a key press one level short of the limit";
  ClearLines();
  ScriptDepth = MAX_SCRIPT_DEPTH;
  Type("/run one");
  EXPECT_FALSE(Said("one ran"));
  EXPECT_TRUE(Said("Too many scripts"));
  ScriptDepth = 0;
  ClearLines();
  Type("/press nosuchkey");
  EXPECT_TRUE(Said("Parameter is not valid"));
  EXPECT_EQ(LookupKeyName("f11"), 122);
}

// "/ctrl" and "/alt" press a key with that modifier held: F1 sends the Ctrl or Alt message.
TEST_F(TextCommands, CtrlAndAltPressTheirKeyWithThatModifier) {
  Type("/ctrlf 1 /echo ctrl one");
  Type("/altf 1 /echo alt one");
  Type("/alt f1");
  EXPECT_TRUE(Said("alt one"));
  EXPECT_FALSE(Said("ctrl one"));
  Type("/ctrl f1");
  EXPECT_TRUE(Said("ctrl one"));
  EXPECT_EQ(AltHeld, 0);
  EXPECT_EQ(CtrlHeld, 0) << "the modifiers are as they were";
}

TEST(CommandParsers, WordsPairsAndNumbers) {
  char word[16];
  EXPECT_STREQ(ParseCommandWord(sizeof word, word, "/fov=  70 x"), "70 x");
  EXPECT_STREQ(word, "fov");
  ParseCommandWord(4, word, "/longword");
  EXPECT_STREQ(word, "lon");
  char name[94];
  EXPECT_STREQ(ParseQuotedName(name, "\"my prog\"  -a"), "-a");
  EXPECT_STREQ(name, "my prog");
  char pair[16];
  int a = 0, b = 0;
  EXPECT_EQ(ParseNameAndNumber("steer 5", pair, a), 0);
  EXPECT_EQ(a, 5);
  EXPECT_EQ(ParseNameAndNumber("steer", pair, a), 41);
  EXPECT_EQ(ParseNameAndNumber("steer 5x", pair, a), 47);
  EXPECT_EQ(ParseNameAndKey("horn ab", pair, a), 47);
  EXPECT_EQ(ParseTwoNumbers("800 600", a, b), 0);
  EXPECT_EQ(b, 600);
  EXPECT_EQ(ParseTwoNumbers("800", a, b), 41);
}

// The parsers' limits: a quoted name keeps 93 characters, a pair's word 15; whole numbers run
// from -1000000 to 1000000; a key is taken in capitals.
TEST(CommandParsers, NamesWordsAndNumbersStopAtTheirLimits) {
  char name[94];
  const std::string ninetyFive(95, 'n');
  EXPECT_STREQ(ParseQuotedName(name, ("\"" + ninetyFive + "\" x").c_str()), "x");
  EXPECT_EQ(std::string(name), std::string(93, 'n'));
  const std::string ninetyThree(93, 'q');
  ParseQuotedName(name, ("\"" + ninetyThree + "\"").c_str());
  EXPECT_EQ(std::string(name), ninetyThree);
  char pair[16];
  int a = 0, b = 0;
  EXPECT_EQ(ParseNameAndNumber("abcdefghijklmnopqrst 7", pair, a), 0);
  EXPECT_STREQ(pair, "abcdefghijklmno") << "fifteen characters";
  EXPECT_EQ(a, 7);
  EXPECT_EQ(ParseTwoNumbers("1000000 -1000000", a, b), 0);
  EXPECT_EQ(a, 1000000);
  EXPECT_EQ(b, -1000000);
  EXPECT_EQ(ParseTwoNumbers("1000001 5", a, b), 47);
  EXPECT_EQ(ParseTwoNumbers("5 -1000001", a, b), 47);
  EXPECT_EQ(ParseNameAndNumber("steer -1000000", pair, a), 0);
  EXPECT_EQ(a, -1000000);
  EXPECT_EQ(ParseNameAndNumber("steer 1000001", pair, a), 47);
  EXPECT_EQ(ParseNameAndKey("horn q", pair, a), 0);
  EXPECT_EQ(a, 'Q');
  EXPECT_STREQ(pair, "horn");
  EXPECT_EQ(ParseNameAndKey("horn", pair, a), 41);
}

}  // namespace

namespace {

// The settings words with their values cut into their ranges, as the table of words gives
// them: each case a line typed, then the setting it leaves, or the reply it gives.
TEST_F(TextCommands, TheSettingsWordsCutTheirValuesToTheirRanges) {
  CommandState = CommandSettings{};
  const struct {
    const char* line;
    float CommandSettings::*field;
    float expected;
  } floats[] = {
      {"/head_tilt 3", &CommandSettings::headTilt, 2.0f},    {"/head_tilt -1", &CommandSettings::headTilt, 0.0f},
      {"/head_tilt 1.25", &CommandSettings::headTilt, 1.25f},
  };
  for (const auto& c : floats) {
    Type(c.line);
    EXPECT_FLOAT_EQ(CommandState.*c.field, c.expected) << c.line;
  }
  const struct {
    const char* line;
    int index;
    float expected;
  } shifts[] = {{"/lateral_shift 0.5", 0, 0.1f}, {"/forward_shift 0.05", 1, 0.05f}, {"/vertical_shift -2", 2, 0.0f},
                {"/lateral_shift 0.1", 0, 0.1f}};
  for (const auto& c : shifts) {
    Type(c.line);
    EXPECT_FLOAT_EQ(CommandState.shift[c.index], c.expected) << c.line;
  }
  for (const auto& [line, degrees] : {std::pair{"/wheel_turn 80", 90.0f}, std::pair{"/wheel_turn 2000", 1080.0f},
                                      std::pair{"/wheel_turn 540", 540.0f}}) {
    Type(line);
    EXPECT_FLOAT_EQ(WheelTurnDegrees, degrees) << line;
  }
  Type("/converge_l 2.5");
  Type("/converge_r -3");
  EXPECT_FLOAT_EQ(CommandState.converge[0], 2.5f);
  EXPECT_FLOAT_EQ(CommandState.converge[1], -3.0f);
  for (const auto& [line, strength] : {std::pair{"/ff -5", 0}, std::pair{"/ff 150", 150}, std::pair{"/ff 70", 70}}) {
    Type(line);
    EXPECT_EQ(CommandState.forceFeedback, strength) << line;
  }
  // The horn's five sounds, stored less one; others refused and the last kept.
  for (const auto& [line, horn] : {std::pair{"/horn 1", 0}, std::pair{"/horn 5", 4}, std::pair{"/horn 6", 4},
                                   std::pair{"/horn 0", 4}}) {
    Type(line);
    EXPECT_EQ(CommandState.horn, horn) << line;
  }
  // Not numbers: the setting stays and the reply says why.
  ClearLines();
  Type("/head_tilt high");
  EXPECT_TRUE(Said(ReplyText(47)));
  EXPECT_FLOAT_EQ(CommandState.headTilt, 1.25f);
  ClearLines();
  Type("/wheel_turn");
  EXPECT_TRUE(Said(ReplyText(40)));
  EXPECT_FLOAT_EQ(WheelTurnDegrees, 540.0f);
}

TEST_F(TextCommands, TheYesNoAndChoiceWordsTakeOnlyTheirWords) {
  CommandState = CommandSettings{};
  Type("/hidetext yes");
  EXPECT_EQ(CommandState.hideText, 1);
  Type("/hidetext no");
  EXPECT_EQ(CommandState.hideText, 0);
  Type("/sync yes");
  EXPECT_EQ(CommandState.syncOn, 1);
  ClearLines();
  Type("/sync perhaps");
  EXPECT_TRUE(Said(ReplyText(47)));
  EXPECT_EQ(CommandState.syncOn, 1);
  Type("/sync no");
  EXPECT_EQ(CommandState.syncOn, 0);
  CfgShowMouse = 0;
  Type("/showmouse yes");
  EXPECT_EQ(CfgShowMouse, 1);
  CfgScreenFlags = 0;
  Type("/eventlist yes");
  EXPECT_EQ(CfgScreenFlags, 1u << 21);
  Type("/spectv no");
  EXPECT_EQ(CfgScreenFlags, 1u << 21 | 1u << 20);
  Type("/eventlist no");
  Type("/spectv yes");
  EXPECT_EQ(CfgScreenFlags, 0u);
  for (const auto& [line, mode] : {std::pair{"/shifter fixed", 3}, std::pair{"/shifter sequential", 1},
                                   std::pair{"/shifter auto", 0}, std::pair{"/shifter shifter", 2}}) {
    Type(line);
    EXPECT_EQ(CommandState.gearMode, mode) << line;
  }
  ClearLines();
  Type("/shifter manual");
  EXPECT_TRUE(Said(ReplyText(47)));
  EXPECT_EQ(CommandState.gearMode, 2);
  Type("/autoclutch 7");
  EXPECT_EQ(CommandState.autoClutch, 1);
  Type("/autoclutch 0");
  EXPECT_EQ(CommandState.autoClutch, 0);
  ClearLines();
  Type("/autoclutch on");
  EXPECT_TRUE(Said(ReplyText(47)));
  static const char* const VIEWS[] = {"fol", "heli", "cam", "driver", "custom"};
  for (int view = 4; view >= 0; --view) {
    Type((std::string("/view ") + VIEWS[view]).c_str());
    EXPECT_EQ(CommandState.view, view) << VIEWS[view];
  }
  ClearLines();
  Type("/vr sideways");
  EXPECT_TRUE(Said(ReplyText(47)));
  ClearLines();
  Type("/vr toggle");
  EXPECT_FALSE(Said(ReplyText(47))) << "known values are taken without effect";
}

TEST_F(TextCommands, FunctionKeyTextsAndTheWindowsSizeStayInTheirRanges) {
  Type("/ctrlf 12 over and out");
  EXPECT_STREQ(FunctionKeyMessage(8 + 11), "over and out");
  Type("/altf 1 hello there");
  EXPECT_STREQ(FunctionKeyMessage(20), "hello there");
  for (const char* line : {"/ctrlf 13 no", "/ctrlf 0 no", "/altf x no"}) {
    ClearLines();
    Type(line);
    EXPECT_TRUE(Said(ReplyText(47))) << line;
  }
  EXPECT_STREQ(FunctionKeyMessage(8 + 11), "over and out");
  // Each side 16 to 8192, from the stored corner, held at the least window.
  CfgWindow[0] = 100, CfgWindow[1] = 50;
  Type("/window 16 8192");
  EXPECT_EQ(CfgWindow[2], 900);
  EXPECT_EQ(CfgWindow[3], 50 + 8192);
  for (const char* line : {"/window 15 600", "/window 800 8193", "/window 0800 600", "/window 800 6x0"}) {
    ClearLines();
    Type(line);
    EXPECT_TRUE(Said(ReplyText(47))) << line;
  }
  EXPECT_EQ(CfgWindow[2], 900) << "a refused size changes nothing";
  Type("/window min");
  EXPECT_EQ(WindowRequest, WINDOW_REQUEST_MINIMISE);
  Type("/window");
  EXPECT_EQ(WindowRequest, WINDOW_REQUEST_NORMAL);
  // The steering reductions, cut and shown for the steering mode in force.
  CfgSteerKb = 1;
  Type("/reducehalf 5");
  EXPECT_TRUE(Said("reducehalf=10.00"));
  EXPECT_FLOAT_EQ(CfgHalfReduceSpeedKb, 10.0f);
  Type("/reducehalf 300");
  EXPECT_TRUE(Said("reducehalf=200.00"));
  Type("/speedreduce -1");
  EXPECT_TRUE(Said("speedreduce=0.00"));
  EXPECT_FLOAT_EQ(CfgSpeedSteerReductionKb, 0.0f);
  Type("/aiset_all 9");
  EXPECT_TRUE(Said("/aiset_all 5"));
  Type("/aiset_all -4");
  EXPECT_TRUE(Said("/aiset_all 1"));
  // A number past the int's range is taken as its end, not wrapped round into range.
  Type("/aiset_all 4294967296");
  EXPECT_TRUE(Said("/aiset_all 5"));
  Type("/horn 2");
  ClearLines();
  Type("/horn 4294967297");
  EXPECT_TRUE(Said(ReplyText(47)));
  EXPECT_EQ(CommandState.horn, 1);
  ClearLines();
  Type(("/lang " + std::string(32, 'x')).c_str());
  EXPECT_TRUE(Said(ReplyText(48)));
}

}  // namespace
