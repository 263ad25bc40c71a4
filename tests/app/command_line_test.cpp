// command_line_test.cpp - options, command files, "ZKT://" requests, handed files, the
// running instance's replies and "guest.txt".
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "command_test_folder.h"
#include "core/frame_globals.h"
#include "core/process.h"
#include "frontend/frontend.h"
#include "platform/instance_link.h"
#include "race/race.h"
#include "text/text_names.h"
#include "world/autocross.h"
#include "world/layout_file.h"
#include "world/world.h"

namespace {

using CommandLine = CommandTestFolder;

std::string ErrorOf(const char* line) {
  RunMode = 1;
  StartupErrorText[0] = 0;
  ParseCommandLine(line);
  return RunMode == 0 ? StartupErrorText : "";
}

// An option the table lacks keeps the box's words; the option itself, as written up to the
// next option, is kept for the log and standard error.
TEST_F(CommandLine, AnInvalidOptionIsKeptAsWritten) {
  EXPECT_EQ(ErrorOf("/bogus=7"), "Command 1 is invalid");
  EXPECT_STREQ(StartupErrorSecond, "/bogus=7");
  EXPECT_EQ(ErrorOf("/laps=3/nosuch=1/wind=1"), "Command 2 is invalid");
  EXPECT_STREQ(StartupErrorSecond, "/nosuch=1");
  EXPECT_EQ(ErrorOf("/laps=3/wind"), "Command 2 is invalid");
  EXPECT_STREQ(StartupErrorSecond, "/wind");
  EXPECT_EQ(ErrorOf("/bo\tgus=7 "), "Command 1 is invalid");
  EXPECT_STREQ(StartupErrorSecond, "/bogus=7 ") << "control characters left out";
  const std::string longOption = "/bogus=" + std::string(200, 'x');
  EXPECT_EQ(ErrorOf(longOption.c_str()), "Command 1 is invalid");
  EXPECT_EQ(std::string(StartupErrorSecond), longOption.substr(0, 127)) << "the 127 characters the field holds";
  EXPECT_EQ(ErrorOf("/laps=3/LAPS=4"), "Command /laps : Found more than once");
  EXPECT_STREQ(StartupErrorSecond, "") << "the other errors name their option in the text";
  EXPECT_EQ(ErrorOf("--help"), "Invalid command line");
  EXPECT_STREQ(StartupErrorSecond, "Options are written /name=value (docs/guide/command_line.md)");
}

TEST_F(CommandLine, OrderRulesAndNamesGiveTheirErrors) {
  EXPECT_EQ(ErrorOf("join=x"), "Invalid command line");
  EXPECT_EQ(ErrorOf("/track=HS1/settings=my.txt"), "Command /settings : Must be first in list");
  EXPECT_EQ(ErrorOf("/track=HS1/join=Game"), "Command /join : Must be before /track");
  EXPECT_EQ(ErrorOf("/join=Game/getmod=1A2B3C"), "Command /getmod : Cannot be used with /join");
  EXPECT_EQ(ErrorOf("/laps=3/LAPS=4"), "Command /laps : Found more than once");
  EXPECT_EQ(ErrorOf("/laps=3/nosuch=1"), "Command 2 is invalid");
  EXPECT_EQ(ErrorOf("/laps=3/wind"), "Command 2 is invalid");
  EXPECT_EQ(ErrorOf("/track=ZZ9"), "Command /track : Unknown track");
  EXPECT_EQ(ErrorOf("/usemaster=maybe"), "Command /usemaster : Unknown option");
  EXPECT_EQ(ErrorOf("/settings=my.cfg"), "Command /settings : File name must end .txt");
  EXPECT_EQ(ErrorOf("/pass=secret"), "Command /pass : Use after /join command");
  EXPECT_EQ(ErrorOf("/ctrlink=70000"), "Command /ctrlink : Port out of bounds");
  EXPECT_EQ(ErrorOf("/ctrlink=65536"), "Command /ctrlink : Port out of bounds");
  EXPECT_EQ(ErrorOf("/ctrlink=-1"), "Command /ctrlink : Port out of bounds");
  EXPECT_EQ(ErrorOf("/ctrlink=65535"), "");
  EXPECT_EQ(RaceOptions.ctrlinkPort, 65535);
  EXPECT_EQ(ErrorOf("/ctrlink=0"), "");
  EXPECT_EQ(RaceOptions.ctrlinkPort, 0);
  EXPECT_EQ(ErrorOf("/ip=   "), "Command /ip : This command needs a parameter");
  EXPECT_EQ(ErrorOf(("/player=" + std::string(96, 'x')).c_str()), "Command /player : Parameter is too long");
  // A mod id is exactly the ids the front end takes for one: three non-zero bytes that do
  // not read as a car's short name.
  EXPECT_EQ(ErrorOf("/getmod=12345"), "Command /getmod : Parameter is not valid");
  EXPECT_EQ(ErrorOf("/getmod=1234567"), "Command /getmod : Parameter is too long");
  EXPECT_EQ(ErrorOf("/getmod=12G456"), "Command /getmod : Parameter is not valid");
  EXPECT_EQ(ErrorOf("/getmod=00A1B2"), "Command /getmod : Parameter is not valid");
  EXPECT_EQ(ErrorOf("/getmod=1A003C"), "Command /getmod : Parameter is not valid");
  EXPECT_EQ(ErrorOf("/getmod=355258"), "Command /getmod : Parameter is not valid");  // "XR5"
  EXPECT_EQ(ErrorOf("/getmod=FFFFFF"), "");
  EXPECT_EQ(ErrorOf(("/join=" + std::string(40, 'g')).c_str()), "Command /join : Name is too long");
}

TEST_F(CommandLine, TheAdminPasswordFollowsAJoinAndFitsItsField) {
  EXPECT_EQ(ErrorOf("/admin=secret"), "Command /admin : Use after /join command");
  const std::string fifteen(15, 'p'), sixteen(16, 'p');
  EXPECT_EQ(ErrorOf(("/join=Game/admin=" + sixteen).c_str()), "Command /admin : Password is too long");
  EXPECT_EQ(ErrorOf(("/join=Game/admin=" + fifteen).c_str()), "");
  EXPECT_STREQ(CfgGamePass, fifteen.c_str());
  EXPECT_EQ(ErrorOf("/join=Game/admin=a^sb"), "") << "escapes are undone before the length counts";
  EXPECT_STREQ(CfgGamePass, "a/b");
}

TEST_F(CommandLine, SettingsAndActionsTakeEffect) {
  EXPECT_EQ(ErrorOf("/join=My^sGame/pass=pw/track=RB3R/weather=30/maxguests=60/adminslots=20/pps=8"), "");
  EXPECT_EQ(RunMode, 4);
  EXPECT_STREQ(CfgServerName, "My/Game");
  EXPECT_STREQ(CfgGamePass, "pw");
  EXPECT_STREQ(CfgMapName, "Riverbank");
  EXPECT_EQ(CfgConfig, 2);
  EXPECT_EQ(CfgFlip, 1);
  EXPECT_EQ(CfgLighting, 19);
  EXPECT_EQ(CfgMaxConns, 48);
  EXPECT_EQ(CfgAdminSlots, 8);
  EXPECT_EQ(CfgPacksPerSec, 8);
  EXPECT_EQ(ErrorOf("/testmod=1a2b3c"), "");
  EXPECT_EQ(RunMode, 6);
  EXPECT_STREQ(RequestText, "1a2b3c");
  CfgMpFlags = 0;
  EXPECT_EQ(ErrorOf("/vote=yes/mustpit=yes/teamarrows=yes/dedicated=nogfx/windowed=yes/vr=openvr"), "");
  EXPECT_EQ(CfgMpFlags, 1u | 64u | 16384u);
  EXPECT_EQ(DedicatedMode, 2);
  EXPECT_EQ(GraphicsEnabled, 0);
  EXPECT_EQ(LayoutGroundLookups, 0) << "a host without pictures takes layout heights as stored";
  EXPECT_EQ(CommandLineVrChoice, 2);
  EXPECT_EQ(CommandLineVrPlugin, 2);
}

// Each number option takes both ends of its range and refuses one past either; the counts
// with a ceiling are cut to it, and the admin slots stay two below the connections.
TEST_F(CommandLine, NumberOptionsTakeTheirEndsAndCutCountsToTheirCeilings) {
  const struct {
    const char* option;
    int least, most;
  } ranges[] = {{"pps", 3, 12}, {"carshost", 0, 40}, {"carsguest", 0, 40}, {"qual", 0, 240},
                {"wind", 0, 2}, {"rstmin", 0, 240}, {"rstend", 0, 240}, {"hours", 1, 48}, {"loc", 0, 2}};
  for (const auto& r : ranges) {
    const std::string name = std::string("/") + r.option + "=";
    EXPECT_EQ(ErrorOf((name + std::to_string(r.least)).c_str()), "") << r.option;
    EXPECT_EQ(ErrorOf((name + std::to_string(r.most)).c_str()), "") << r.option;
    const std::string refused = std::string("Command /") + r.option + " : Out of bounds";
    EXPECT_EQ(ErrorOf((name + std::to_string(r.least - 1)).c_str()), refused);
    EXPECT_EQ(ErrorOf((name + std::to_string(r.most + 1)).c_str()), refused);
  }
  EXPECT_EQ(ErrorOf("/pps=3"), "");
  EXPECT_EQ(CfgPacksPerSec, 3);
  EXPECT_EQ(ErrorOf("/carshost=40"), "");
  EXPECT_EQ(CfgCarsPerHost, 40);
  EXPECT_EQ(ErrorOf("/hours=48"), "");
  EXPECT_EQ(RaceOptions.lapsCode, 190 + 48);
  EXPECT_EQ(ErrorOf("/loc=1"), "");
  EXPECT_EQ(CfgLocation, 1);

  // The weather's number 1..20 is a lighting of 0..19; above 20, the last.
  EXPECT_EQ(ErrorOf("/weather=1"), "");
  EXPECT_EQ(CfgLighting, 0);
  EXPECT_EQ(ErrorOf("/weather=21"), "");
  EXPECT_EQ(CfgLighting, 19);
  EXPECT_EQ(ErrorOf("/weather=0"), "Command /weather : Out of bounds");
  // At most 40 cars in a race.
  EXPECT_EQ(ErrorOf("/carsmax=39"), "");
  EXPECT_EQ(CfgCarsInRace, 39);
  EXPECT_EQ(ErrorOf("/carsmax=41"), "");
  EXPECT_EQ(CfgCarsInRace, 40);
  EXPECT_EQ(ErrorOf("/carsmax=0"), "Command /carsmax : Out of bounds");
  // Guests and the host: at most 48 connections; admin slots at most 8 and two below them.
  EXPECT_EQ(ErrorOf("/maxguests=46/adminslots=9"), "");
  EXPECT_EQ(CfgMaxConns, 47);
  EXPECT_EQ(CfgAdminSlots, 8);
  EXPECT_EQ(ErrorOf("/maxguests=5/adminslots=7"), "");
  EXPECT_EQ(CfgMaxConns, 6);
  EXPECT_EQ(CfgAdminSlots, 4);
  EXPECT_EQ(ErrorOf("/maxguests=1/adminslots=3"), "");
  EXPECT_EQ(CfgMaxConns, 2);
  EXPECT_EQ(CfgAdminSlots, 0);
  EXPECT_EQ(ErrorOf("/maxguests=30/adminslots=6"), "");
  EXPECT_EQ(CfgAdminSlots, 6);
  EXPECT_EQ(ErrorOf("/maxguests=6"), "");
  EXPECT_EQ(CfgMaxConns, 7);
  EXPECT_EQ(CfgAdminSlots, 5) << "fewer guests take admin slots away";
  EXPECT_EQ(ErrorOf("/maxguests=7"), "");
  EXPECT_EQ(CfgAdminSlots, 5) << "more guests give none back";
  // A connection count below two (the host alone, as a setting made elsewhere may leave it)
  // leaves no admin slot: never a negative count.
  CfgMaxConns = 1;
  EXPECT_EQ(ErrorOf("/adminslots=3"), "");
  EXPECT_EQ(CfgAdminSlots, 0);
  // The headset choices: off, on, then the plugins from 1.
  EXPECT_EQ(ErrorOf("/vr=rift"), "");
  EXPECT_EQ(CommandLineVrChoice, 2);
  EXPECT_EQ(CommandLineVrPlugin, 1);
  EXPECT_EQ(ErrorOf("/vr=on"), "");
  EXPECT_EQ(CommandLineVrChoice, 2);
  EXPECT_EQ(CommandLineVrPlugin, 0);
  EXPECT_EQ(ErrorOf("/vr=off"), "");
  EXPECT_EQ(CommandLineVrChoice, 1);
  // "yes" keeps the pictures and looks layout heights up; "nogfx" and "invisible" do not.
  GraphicsEnabled = 1;
  EXPECT_EQ(ErrorOf("/dedicated=yes"), "");
  EXPECT_EQ(GraphicsEnabled, 1);
  EXPECT_EQ(LayoutGroundLookups, 1);
  EXPECT_EQ(ErrorOf("/dedicated=invisible"), "");
  EXPECT_EQ(GraphicsEnabled, 0);
  EXPECT_EQ(LayoutGroundLookups, 0);
  GraphicsEnabled = 1;
  LayoutGroundLookups = 1;
}

TEST_F(CommandLine, LapsHoursAndCarsFollowTheirRules) {
  EXPECT_EQ(ErrorOf("/laps=110"), "");
  EXPECT_EQ(RaceOptions.lapsCode, 101);
  EXPECT_EQ(ErrorOf("/laps=1000"), "");
  EXPECT_EQ(RaceOptions.lapsCode, 190);
  EXPECT_EQ(ErrorOf("/laps=1001"), "Command /laps : Out of bounds");
  EXPECT_EQ(ErrorOf("/laps=ten"), "Command /laps : Out of bounds");
  EXPECT_EQ(ErrorOf("/hours=5"), "");
  EXPECT_EQ(RaceOptions.lapsCode, 195);
  EXPECT_EQ(ErrorOf("/cars=ALL-RACE"), "");
  EXPECT_EQ(CfgMpRules, 0x1FFFFFu & ~0xFF800u);
  EXPECT_EQ(ErrorOf("/cars=zk1+rc2,street"), "");
  EXPECT_EQ(CfgMpRules, (1u << 0) | (1u << 12) | 0x1Cu);
  EXPECT_EQ(ErrorOf("/cars=NONE"), "") << "the first group, no cars";
  EXPECT_EQ(CfgMpRules, 0u);
  EXPECT_EQ(ErrorOf("/cars=ZK1+AB"), "Command /cars : Unknown car parameter");
  EXPECT_EQ(ErrorOf("/cars=NOSUCH"), "Command /cars : Unknown car parameter");
  EXPECT_EQ(ErrorOf("/cars=TOURING"), "") << "a name of seven letters";
  EXPECT_EQ(CfgMpRules, 0x640u);
  EXPECT_EQ(ErrorOf("/cars=TOURINGS"), "Command /cars : Unknown car parameter");
  // The road group and the third class of the simulator's own cars.
  EXPECT_EQ(ErrorOf("/cars=ROAD"), "");
  EXPECT_EQ(CfgMpRules, 0x77Fu);
  EXPECT_EQ(ErrorOf("/cars=SINGLE"), "");
  EXPECT_EQ(CfgMpRules, 0x38000u);
  EXPECT_EQ(ErrorOf("/cars=ALL-ROAD"), "");
  EXPECT_EQ(CfgMpRules, 0x1FFFFFu & ~0x77Fu);
}

// The text options and their limits, as the option table gives them: the longest value is
// taken whole, one character more is refused with the option's own words.
TEST_F(CommandLine, TextOptionsTakeTheirLongestValueAndRefuseOneMore) {
  const struct {
    const char* option;
    size_t longest;
    const char* refusal;
  } options[] = {{"vehd", 63, "Vehicle name is too long"}, {"hlck", 47, "Replay name is too long"},
                 {"gamepass", 23, "Password is too long"},   {"ip", 15, "IP address is too long"},
                 {"port", 5, "Port is too long"}};
  for (const auto& o : options) {
    const std::string name = std::string("/") + o.option + "=";
    EXPECT_EQ(ErrorOf((name + std::string(o.longest, '7')).c_str()), "") << o.option;
    EXPECT_EQ(ErrorOf((name + std::string(o.longest + 1, '7')).c_str()),
              std::string("Command /") + o.option + " : " + o.refusal);
  }
  EXPECT_EQ(ErrorOf(("/vehd=" + std::string(63, 'v')).c_str()), "");
  EXPECT_EQ(std::string(RequestText), std::string(63, 'v'));
  EXPECT_EQ(RunMode, 2);
  EXPECT_EQ(ErrorOf(("/hlck=" + std::string(47, 'h')).c_str()), "");
  EXPECT_EQ(std::string(RequestText), std::string(47, 'h'));
  EXPECT_EQ(RunMode, 7);
  EXPECT_EQ(ErrorOf("/ip=192.168.100.200/port=63392"), "");
  EXPECT_STREQ(CfgGameIp, "192.168.100.200");
  EXPECT_STREQ(CfgGamePort, "63392");
}

// The twelve yes/no rule options, each its own bit of "MP Flags ", in the option table's
// order; "no" clears the bit and leaves the others.
TEST_F(CommandLine, EachRuleOptionSetsAndClearsItsOwnBit) {
  const struct {
    const char* option;
    uint32_t bit;
  } rules[] = {{"vote", 1},      {"select", 2},      {"midrace", 32},     {"mustpit", 64},
               {"canreset", 128}, {"fcv", 256},       {"cruise", 512},     {"showfuel", 1024},
               {"canrefuel", 2048}, {"allowmods", 4096}, {"unapproved", 8192}, {"teamarrows", 16384}};
  ASSERT_EQ(ErrorOf("/laps=3"), "");  // the settings are read once, before the first option
  for (const auto& r : rules) {
    CfgMpFlags = 0;
    EXPECT_EQ(ErrorOf((std::string("/") + r.option + "=yes").c_str()), "") << r.option;
    EXPECT_EQ(CfgMpFlags, r.bit) << r.option;
    CfgMpFlags = 0xFFFFFFFFu;
    EXPECT_EQ(ErrorOf((std::string("/") + r.option + "=no").c_str()), "") << r.option;
    EXPECT_EQ(CfgMpFlags, ~r.bit) << r.option;
  }
  EXPECT_EQ(ErrorOf("/fcv=maybe"), "Command /fcv : Unknown option");
}

// Each word option takes its words, first to last, as 0, 1, 2...; any other word is refused.
// The autosave number runs from 0 to 2.
TEST_F(CommandLine, WordOptionsNumberTheirWordsFromTheFirstToTheLast) {
  int debugSwitch = -1;
  const struct {
    const char* option;
    std::vector<const char*> words;
    const int* setting;
  } options[] = {{"usemaster", {"no", "yes", "hidden"}, &CfgConnToMaster},
                 {"autokick", {"no", "kick", "ban", "spec"}, &CfgAutoKick},
                 {"start", {"fixed", "finish", "reverse", "random"}, &CfgRaceStart},
                 {"ndebug", {"no", "yes"}, &debugSwitch}};
  ASSERT_EQ(ErrorOf("/laps=3"), "");
  for (const auto& o : options) {
    for (size_t k = 0; k < o.words.size(); ++k) {
      EXPECT_EQ(ErrorOf((std::string("/") + o.option + "=" + o.words[k]).c_str()), "") << o.option << k;
      debugSwitch = static_cast<int>(RaceOptions.debugSwitch);
      EXPECT_EQ(*o.setting, static_cast<int>(k)) << o.option << " " << o.words[k];
    }
    EXPECT_EQ(ErrorOf((std::string("/") + o.option + "=other").c_str()),
              std::string("Command /") + o.option + " : Unknown option");
  }
  // "no" starts full screen, "yes" in a window, "invisible" in a window with no graphics.
  GraphicsEnabled = 1;
  EXPECT_EQ(ErrorOf("/windowed=no"), "");
  EXPECT_EQ(CfgStartWindowed, 0);
  EXPECT_EQ(ErrorOf("/windowed=yes"), "");
  EXPECT_EQ(CfgStartWindowed, 1);
  EXPECT_EQ(GraphicsEnabled, 1);
  EXPECT_EQ(ErrorOf("/windowed=invisible"), "");
  EXPECT_EQ(CfgStartWindowed, 1);
  EXPECT_EQ(GraphicsEnabled, 0);
  GraphicsEnabled = 1;
  EXPECT_EQ(ErrorOf("/windowed=other"), "Command /windowed : Unknown option");
  EXPECT_EQ(ErrorOf("/autosave=0"), "");
  EXPECT_EQ(CfgMprAutoSave, 0);
  EXPECT_EQ(ErrorOf("/autosave=2"), "");
  EXPECT_EQ(CfgMprAutoSave, 2);
  EXPECT_EQ(ErrorOf("/autosave=3"), "Command /autosave : Out of bounds");
  EXPECT_EQ(ErrorOf("/autosave=-1"), "Command /autosave : Out of bounds");
}

TEST_F(CommandLine, LongPlayerNameIsCutWithAMessage) {
  EXPECT_EQ(ErrorOf(("/player=" + std::string(23, 'q')).c_str()), "");
  EXPECT_EQ(std::string(CfgPlayerName), std::string(23, 'q'));
  EXPECT_FALSE(Said("Player name truncated to 23 chars")) << "23 characters fit";
  EXPECT_EQ(ErrorOf(("/player=" + std::string(30, 'p')).c_str()), "");
  EXPECT_EQ(std::string(CfgPlayerName), std::string(23, 'p'));
  EXPECT_TRUE(Said("Player name truncated to 23 chars"));
  // An option's value may have 95 characters; 96 are too long.
  EXPECT_EQ(ErrorOf(("/player=" + std::string(95, 'r')).c_str()), "");
  EXPECT_EQ(std::string(CfgPlayerName), std::string(23, 'r'));
  EXPECT_EQ(ErrorOf(("/player=" + std::string(96, 'r')).c_str()), "Command /player : Parameter is too long");
}

TEST_F(CommandLine, CommandFileSkipsCommentLinesAndCountsAgain) {
  Write("opts.txt", "//a comment line / with a slash\n/laps=7 // trailing note\n//another\n/wind=2\n");
  EXPECT_EQ(ErrorOf("/cfg=opts.txt"), "");
  EXPECT_EQ(RaceOptions.lapsCode, 7);
  EXPECT_EQ(RaceOptions.wind, 2);
  Write("bad.txt", "/wind=1\n/nosuch=2\n");
  EXPECT_EQ(ErrorOf("/qual=5/cfg=bad.txt"), "Command 2 is invalid");
  Write("twice.txt", "/qual=3\n");
  EXPECT_EQ(ErrorOf("/qual=5/cfg=twice.txt"), "Command /qual : Found more than once");
  EXPECT_EQ(ErrorOf("/cfg=missing.txt"), "Command /cfg : File not found (missing.txt)");
  Write("empty.txt", "");
  EXPECT_EQ(ErrorOf("/cfg=empty.txt"), "Command /cfg : File is empty");
  Write("plain.txt", "laps=3");
  EXPECT_EQ(ErrorOf("/cfg=plain.txt"), "Command /cfg : File is not valid");
  Write("huge.txt", "/" + std::string(5000, 'x'));
  EXPECT_EQ(ErrorOf("/cfg=huge.txt"), "Command /cfg : File is too long");
}

// A name whose size looks fine but whose bytes cannot be read (here a folder: it has a size,
// reading it fails) is reported as not found, with the option first and the name in brackets.
TEST_F(CommandLine, CommandFileThatMeasuresButCannotBeReadIsNotFound) {
  ASSERT_TRUE(std::filesystem::create_directory("sub"));
  struct stat st {};
  ASSERT_EQ(::stat("sub", &st), 0);
  ASSERT_GE(st.st_size, 1) << "a folder must measure at least a byte to pass the empty check";
  ASSERT_LE(st.st_size, 4096) << "a folder must measure within a command file's limit";
  EXPECT_EQ(ErrorOf("/cfg=sub"), "Command /cfg : File not found (sub)");
  std::filesystem::remove("sub");
}

// Names and sizes up to their limits: a command file of 4096 bytes is read, one more byte is
// too long; its name may have 31 characters, not 32; a data folder's name 15, not 16.
TEST_F(CommandLine, CommandFilesAndFoldersTakeNamesAndSizesUpToTheirLimits) {
  std::string text = "/laps=8\n";
  while (text.size() + 10 <= 4096) text += "//comment\n";
  text += std::string(4096 - text.size() - 1, '/') + "\n";
  ASSERT_EQ(text.size(), 4096u);
  Write("full.txt", text);
  EXPECT_EQ(ErrorOf("/cfg=full.txt"), "");
  EXPECT_EQ(RaceOptions.lapsCode, 8);
  Write("over.txt", text + "\n");
  EXPECT_EQ(ErrorOf("/cfg=over.txt"), "Command /cfg : File is too long");
  const std::string name31 = std::string(27, 'n') + ".txt", name32 = std::string(28, 'n') + ".txt";
  Write(name31, "/laps=9\n");
  Write(name32, "/laps=9\n");
  EXPECT_EQ(ErrorOf(("/cfg=" + name31).c_str()), "");
  EXPECT_EQ(RaceOptions.lapsCode, 9);
  EXPECT_EQ(ErrorOf(("/cfg=" + name32).c_str()), "Command /cfg : File name is too long");
  EXPECT_EQ(ErrorOf(("/mprdir=" + std::string(15, 'f')).c_str()), "");
  EXPECT_TRUE(std::filesystem::is_directory("data/" + std::string(15, 'f')));
  EXPECT_EQ(ErrorOf(("/mprdir=" + std::string(16, 'g')).c_str()),
            "Command /mprdir : Folder name is too long : gggggggggggggggg is longer than 15 characters");
  EXPECT_FALSE(std::filesystem::exists("data/" + std::string(16, 'g')));
}

TEST_F(CommandLine, ValuesMayHoldSlashesOfFolderPaths) {
  // An absolute path: a '/' starts the next option only before a name and its '='.
  char folder[] = "/tmp/zktXXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  const std::string file = std::string(folder) + "/opts.txt";
  Write(file, "/laps=9\n");
  EXPECT_EQ(ErrorOf(("/cfg=" + file).c_str()), "");
  EXPECT_EQ(RaceOptions.lapsCode, 9);
  // The command file name keeps its length limit.
  const std::string deep = std::string(folder) + "/a/much/longer/way/opts.txt";
  EXPECT_EQ(ErrorOf(("/cfg=" + deep).c_str()), "Command /cfg : File name is too long");
  std::filesystem::remove_all(folder);

  EXPECT_EQ(ErrorOf("/track=HS1/laps=5"), "");
  EXPECT_EQ(RaceOptions.lapsCode, 5);
  EXPECT_EQ(ErrorOf("/ip=10/8/laps=6"), "");
  EXPECT_STREQ(CfgGameIp, "10/8");
  EXPECT_EQ(RaceOptions.lapsCode, 6);
  // A mistyped or unfinished option is still one, and reported.
  EXPECT_EQ(ErrorOf("/laps=3/nosuch=1"), "Command 2 is invalid");
  EXPECT_EQ(ErrorOf("/laps=3/wind"), "Command 2 is invalid");
}

TEST_F(CommandLine, SettingsFileIsReadOnceAndFolderOptionsMakeFolders) {
  Write("mine.txt", "Max FPS 50\n");
  EXPECT_EQ(ErrorOf("/settings=mine.txt/laps=1"), "");
  EXPECT_STREQ(ConfigPath, "mine.txt");
  EXPECT_EQ(CfgMaxFps, 50);
  ConfigRead = 1;
  EXPECT_EQ(ErrorOf("/settings=other.txt"), "Command /settings : Already read");
  EXPECT_EQ(ErrorOf("/mprdir=club/lytdir=shapes"), "");
  EXPECT_TRUE(std::filesystem::is_directory("data/club"));
  EXPECT_STREQ(MprPathTemplate, "data\\club\\%s.mpr");
  EXPECT_STREQ(MprSearchTemplate, "data\\club\\*.mpr");
  EXPECT_STREQ(LayoutSearchTemplate, "data\\shapes\\%s_*.lyt");
  char layoutPath[64];  // the layouts are read from and saved to the chosen folder
  FormatLayoutPath(layoutPath, sizeof layoutPath, "club");
  EXPECT_STREQ(layoutPath, "data/shapes/club.lyt");
  EXPECT_EQ(ErrorOf("/log=../outside.log"), "Command /log : Log file error : ../outside.log leads out of the working folder");
}

// Every way a user names a file refuses the same bad names with the same reason after its own
// words, and makes nothing of them: the data folder options, the player option, and the
// player, script and language commands; a player file is never looked for under them.
TEST_F(CommandLine, EveryWayOfNamingAFileRefusesTheSameBadNames) {
  const auto before = [] {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::recursive_directory_iterator("data")) names.push_back(entry.path().string());
    std::sort(names.begin(), names.end());
    return names;
  };
  const std::vector<std::string> made = before();
  const struct {
    std::string name, fault;
  } bad[] = {
      {".hidden", "begins with \".\""},
      {"a*b", "holds \"*\", which no file name may hold"},
      {"a?b", "holds \"?\", which no file name may hold"},
      {"lap\xe9", "is not valid UTF-8"},
      {"caf\xc3", "is not valid UTF-8"},
      {"..", "is \"..\""},
      {"a/b", "holds \"/\", which no file name may hold"},
  };
  ConfigRead = 1;  // the settings are not read again over the name
  std::snprintf(CfgPlayerName, sizeof CfgPlayerName, "%s", "Tester");
  for (const auto& [name, fault] : bad) {
    const std::string refused = name + " " + fault;
    for (const char* option : {"mprdir", "lytdir"})
      EXPECT_EQ(ErrorOf(("/" + std::string(option) + "=" + name).c_str()),
                "Command /" + std::string(option) + " : Could not create the folder : " + refused);
    EXPECT_EQ(ErrorOf(("/player=" + name).c_str()), "Command /player : Invalid file name : " + refused);
    EXPECT_STREQ(CfgPlayerName, "Tester") << name;
    for (const char* command : {"/player ", "/run ", "/lang "}) {
      ClearLines();
      Prss_SendMessage(nullptr, (command + name).c_str(), SOURCE_TYPED);
      EXPECT_TRUE(Said("Invalid file name : " + refused)) << command << name;
    }
    char path[64] = "", player[24];
    std::snprintf(player, sizeof player, "%s", name.c_str());
    EXPECT_EQ(MakeUniquePlayerFileName(path, sizeof path, player, sizeof player), 0) << name;
    EXPECT_STREQ(path, "") << name;
  }
  EXPECT_STREQ(CfgPlayerName, "Tester");
  EXPECT_EQ(before(), made) << "no folder or file was made";
  // Too long: a folder name at 16 characters is refused, a player name cut (never inside a
  // character) with its message.
  EXPECT_EQ(ErrorOf(("/lytdir=" + std::string(16, 'f')).c_str()),
            "Command /lytdir : Folder name is too long : ffffffffffffffff is longer than 15 characters");
  EXPECT_EQ(ErrorOf(("/player=" + std::string(22, 'p') + "\xc3\xa9").c_str()), "");
  EXPECT_EQ(std::string(CfgPlayerName), std::string(22, 'p'));
  EXPECT_TRUE(Said("Player name truncated to 23 chars"));
}

TEST_F(CommandLine, ASettingsFileAloneOnTheLineIsReadAtOnce) {
  // No option follows to read the settings on its way: the option itself must.
  Write("alone.txt", "Max FPS 50\n");
  ConfigRead = 0;
  CfgMaxFps = 100;
  EXPECT_EQ(ErrorOf("/settings=alone.txt"), "");
  EXPECT_STREQ(ConfigPath, "alone.txt");
  EXPECT_EQ(ConfigRead, 1);
  EXPECT_EQ(CfgMaxFps, 50);
}

TEST_F(CommandLine, NamesOfWrittenFilesStayInTheWorkingFolder) {
  // The settings file is written back at exit: never outside the working folder.
  // (Option values end at a "/": their paths are written with backslashes.)
  EXPECT_EQ(ErrorOf("/settings=..\\outside.txt"),
            "Command /settings : Invalid file name : ..\\outside.txt leads out of the working folder");
  EXPECT_EQ(ErrorOf("/settings=\\tmp\\outside.txt"),
            "Command /settings : Invalid file name : \\tmp\\outside.txt is not inside the working folder");
  EXPECT_EQ(ConfigRead, 0);
  // A command file on the process's own command line may be anywhere; one named inside a
  // command file is refused and nothing of it is read.
  Write("../elsewhere.txt", "/laps=9\n");
  Write("opts.txt", "/cfg=..\\elsewhere.txt\n");
  EXPECT_EQ(ErrorOf("/cfg=..\\elsewhere.txt"), "");
  EXPECT_EQ(RaceOptions.lapsCode, 9);
  RaceOptions.lapsCode = 0;
  EXPECT_NE(ErrorOf("/cfg=opts.txt"), "");
  EXPECT_EQ(RaceOptions.lapsCode, 0);
  // The log is a ".log" file: a setting file or a setup is never named (and so never deleted).
  Write("cfg.txt", "Max FPS 50\n");
  Write("data/setups/ZK1_race.set", "setup bytes");
  // Each refusal keeps the option's text and says why after it.
  const std::pair<const char*, const char*> logs[] = {
      {"/log=cfg.txt", "cfg.txt is not a name ending in \".log\""},
      {"/log=data\\setups\\ZK1_race.set", "data\\setups\\ZK1_race.set is not a name ending in \".log\""},
      {"/log=.log", ".log begins with \".\""},
      {"/log=data", "data is not a name ending in \".log\""},
      {"/log=\xff\xfe.log", "\xff\xfe.log is not valid UTF-8"},
  };
  for (const auto& [option, why] : logs) EXPECT_EQ(ErrorOf(option), std::string("Command /log : Log file error : ") + why);
  EXPECT_EQ(Read("cfg.txt"), "Max FPS 50\n");
  EXPECT_EQ(Read("data/setups/ZK1_race.set"), "setup bytes");
  // The log's name goes through the file layer: backslashes and any case.
  std::filesystem::create_directories("Logs");
  EXPECT_EQ(ErrorOf("/log=logs\\Run.LOG"), "");
  LogLine("through the mapping");
  SetLogFileName("messages.log");
  EXPECT_NE(Read("Logs/Run.LOG").find("through the mapping"), std::string::npos);
  EXPECT_NE(Read("Logs/Run.LOG").find("ZKT : 1.4C20"), std::string::npos) << "a new log begins with the version";
}

TEST_F(CommandLine, UrlRequestsAreDecodedAndMayNotNameFiles) {
  EXPECT_EQ(HandleUrlRequest(0, "zkt://join=Far%20Away%2fHere"), URL_PARSE_OPTIONS);
  EXPECT_EQ(UrlRequestActive, 1);
  EXPECT_STREQ(UrlCommandLine, "/join=Far Away/Here");
  EXPECT_EQ(HandleUrlRequest(0, "ZKT:///getmod=1A2B3C"), URL_PARSE_OPTIONS);
  EXPECT_STREQ(UrlCommandLine, "/getmod=1A2B3C");
  EXPECT_EQ(HandleUrlRequest(0, "/laps=3"), URL_PARSE_OPTIONS);
  EXPECT_STREQ(UrlCommandLine, "") << "a plain command line leaves no request behind";
  // A bad escape fails the start; start-up shows and logs the text.
  EXPECT_EQ(HandleUrlRequest(0, "zkt://join=Bad%G1"), URL_FAILED);
  EXPECT_STREQ(StartupErrorText, "ZKT was unable to interpret the request");
  EXPECT_EQ(HandleUrlRequest(0, "zkt://join=Bad%4"), URL_FAILED);
  EXPECT_TRUE(boxes().empty());
  // The hexadecimal digits' edges in either case: 0 9 A F a f.
  EXPECT_EQ(HandleUrlRequest(0, "zkt://join=%4A%4F%4a%4f%30%39%Af%fA%9a%0A"), URL_PARSE_OPTIONS);
  EXPECT_EQ(std::string(UrlCommandLine), std::string("/join=JOJO09\xAF\xFA\x9A\n"));
  // The decoded request holds 1023 characters ("/join=" and 1017 more); one more fails.
  EXPECT_EQ(HandleUrlRequest(0, ("zkt://join=" + std::string(1017, 'x')).c_str()), URL_PARSE_OPTIONS);
  EXPECT_EQ(std::strlen(UrlCommandLine), 1023u);
  EXPECT_EQ(HandleUrlRequest(0, ("zkt://join=" + std::string(1018, 'x')).c_str()), URL_FAILED);
  EXPECT_STREQ(StartupErrorText, "ZKT was unable to interpret the request");

  for (const char* option : {"log=x.log", "settings=x.txt", "cfg=x.txt", "mprdir=x", "lytdir=x", "ctrlink=3000"}) {
    UrlRequestActive = 1;
    const std::string line = std::string("/join=Game/") + option;
    const std::string name = std::string(option).substr(0, std::strchr(option, '=') - option);
    EXPECT_EQ(ErrorOf(line.c_str()), "Command /" + name + " : Cannot be initialised by a URL") << option;
    EXPECT_EQ(UrlRequestActive, 0);
  }
  EXPECT_FALSE(std::filesystem::exists("x.log"));
  EXPECT_FALSE(std::filesystem::exists("data/x"));
  // Every other option may come from a web page: at worst it fails for its own reason.
  for (const char* name :
       {"vehd", "join", "getmod", "testmod", "hlck", "gamepass", "usemaster", "pass", "admin", "ip", "port",
        "track", "weather", "cars", "maxguests", "adminslots", "carsmax", "carshost", "carsguest", "pps", "qual",
        "laps", "hours", "wind", "dedicated", "vote", "select", "midrace", "mustpit", "canreset", "fcv", "cruise",
        "showfuel", "canrefuel", "allowmods", "unapproved", "teamarrows", "rstmin", "rstend", "autokick", "start",
        "rift", "vr", "player", "windowed", "welcome", "tracks", "ndebug", "autosave", "loc"}) {
    UrlRequestActive = 1;
    const std::string line = std::string("/join=Game/") + name + "=1";
    EXPECT_EQ(ErrorOf(line.c_str()).find("Cannot be initialised by a URL"), std::string::npos) << name;
  }
}

std::string HandedFile(const char* magic, int versionHigh, const std::string& body) {
  std::string bytes(magic, 6);
  bytes += static_cast<char>(versionHigh);
  bytes += '\x01';
  return bytes + body;
}

TEST_F(CommandLine, HandedSetupIsCopiedOnceAndNeverOverwrittenWithoutAsking) {
  Write("incoming/fast.set", HandedFile("QXSETT", 0, "one"));
  EXPECT_EQ(HandleUrlRequest(0, "\"incoming/fast.set\""), URL_DONE);
  EXPECT_EQ(Read("data/setups/fast.set"), HandedFile("QXSETT", 0, "one"));
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].caption, "Copied file");
  EXPECT_EQ(boxes()[0].text, "data\\setups\\fast.set");

  EXPECT_EQ(HandleUrlRequest(0, "incoming/fast.set"), URL_DONE);
  EXPECT_EQ(boxes().back().caption, "No need to save");

  Write("incoming/fast.set", HandedFile("QXSETT", 0, "two"));
  EXPECT_EQ(HandleUrlRequest(0, "incoming/fast.set"), URL_DONE);  // answered no
  EXPECT_EQ(Read("data/setups/fast.set"), HandedFile("QXSETT", 0, "one"));
  SetYesNoHandler(AnswerYes);
  EXPECT_EQ(HandleUrlRequest(0, "incoming/fast.set"), URL_DONE);
  EXPECT_EQ(Read("data/setups/fast.set"), HandedFile("QXSETT", 0, "two"));

  // A handed file's name may have 67 characters; 68 are too long.
  const std::string name67 = std::string(63, 'k') + ".set", name68 = std::string(64, 'k') + ".set";
  Write("incoming/" + name67, HandedFile("QXSETT", 0, "long"));
  Write("incoming/" + name68, HandedFile("QXSETT", 0, "long"));
  EXPECT_EQ(HandleUrlRequest(0, ("incoming/" + name67).c_str()), URL_DONE);
  EXPECT_EQ(Read("data/setups/" + name67), HandedFile("QXSETT", 0, "long"));
  EXPECT_EQ(HandleUrlRequest(0, ("incoming/" + name68).c_str()), URL_FAILED);
  EXPECT_STREQ(StartupErrorText, "SET file name is too long");
  EXPECT_FALSE(std::filesystem::exists("data/setups/" + name68));
  // Its path may have 255 characters; 256 are too long.
  const std::string folder = "in/" + std::string(100, 'd') + "/" + std::string(100, 'e') + "/";
  std::filesystem::create_directories(folder);
  const std::string path255 = folder + std::string(46, 'p') + ".set", path256 = folder + std::string(47, 'q') + ".set";
  ASSERT_EQ(path255.size(), 255u);
  Write(path255, HandedFile("QXSETT", 0, "deep"));
  Write(path256, HandedFile("QXSETT", 0, "deep"));
  EXPECT_EQ(HandleUrlRequest(0, path255.c_str()), URL_DONE);
  EXPECT_EQ(Read("data/setups/" + std::string(46, 'p') + ".set"), HandedFile("QXSETT", 0, "deep"));
  EXPECT_EQ(HandleUrlRequest(0, path256.c_str()), URL_FAILED);
  EXPECT_STREQ(StartupErrorText, "SET file name is too long");
  // A name that is no file name here says why.
  Write("incoming/lap\xff.set", HandedFile("QXSETT", 0, "bytes"));
  EXPECT_EQ(HandleUrlRequest(0, "incoming/lap\xff.set"), URL_FAILED);
  EXPECT_STREQ(StartupErrorText, "SET file name is not valid UTF-8");
}

TEST_F(CommandLine, HandedFilesAreCheckedBeforeCopying) {
  Write("in/a.mpr", HandedFile("ZKTMPR", 1, "x"));
  EXPECT_EQ(HandleUrlRequest(0, "in/a.mpr"), URL_FAILED);
  EXPECT_STREQ(StartupErrorText, "MPR file of unknown format");
  Write("in/b.lyt", "ZKT");
  EXPECT_EQ(HandleUrlRequest(0, "in/b.lyt"), URL_FAILED);
  EXPECT_STREQ(StartupErrorText, "LYT file is too short");
  EXPECT_EQ(HandleUrlRequest(0, "in/none.spr"), URL_FAILED);
  EXPECT_STREQ(StartupErrorText, "Could not open SPR file");
  EXPECT_EQ(HandleUrlRequest(0, "/no/such/folder/x.spr"), URL_FAILED);  // an absolute path
  EXPECT_STREQ(StartupErrorText, "Could not open SPR file");
  // A pipe or a folder named like a replay is refused at once, never waited on.
  ASSERT_EQ(mkfifo("in/pipe.spr", 0600), 0);
  EXPECT_EQ(HandleUrlRequest(0, "in/pipe.spr"), URL_FAILED);
  EXPECT_STREQ(StartupErrorText, "Could not open SPR file");
  std::filesystem::create_directories("in/folder.spr");
  EXPECT_EQ(HandleUrlRequest(0, "in/folder.spr"), URL_FAILED);
  EXPECT_EQ(HandleUrlRequest(0, "notes.doc"), URL_PARSE_OPTIONS);  // not a type of ours: start as usual
  // Options, even those whose values end like a handed file, stay options.
  EXPECT_EQ(HandleUrlRequest(0, "/cfg=in/a.mpr"), URL_PARSE_OPTIONS);
  EXPECT_EQ(HandleUrlRequest(0, "//comment\n/laps=3"), URL_PARSE_OPTIONS);
  EXPECT_FALSE(std::filesystem::exists("data/mpr/a.mpr"));
  // An option needs a name: "/=" begins a path like any other (here one that is not there).
  EXPECT_EQ(HandleUrlRequest(0, "/=in/a.mpr"), URL_FAILED);
  EXPECT_STREQ(StartupErrorText, "Could not open MPR file");

  // A replay with no running instance is opened by this one.
  Write("in/lap one.spr", HandedFile("ZKTSPR", 0, "r"));
  EXPECT_EQ(HandleUrlRequest(0, "\"in/lap one.spr\""), URL_OPEN_HANDED_REPLAY);
  EXPECT_EQ(PendingRequestType, 1);
  EXPECT_STREQ(RequestText, "lap one");
  EXPECT_TRUE(std::filesystem::exists("data/spr/lap one.spr"));
  // By its absolute path, as a desktop hands it.
  Write("in/race.mpr", HandedFile("ZKTMPR", 0, "m"));
  const std::string absolute = std::filesystem::absolute("in/race.mpr").string();
  EXPECT_EQ(HandleUrlRequest(0, absolute.c_str()), URL_OPEN_HANDED_REPLAY);
  EXPECT_EQ(PendingRequestType, 2);
  EXPECT_STREQ(RequestText, "race");
  EXPECT_EQ(Read("data/mpr/race.mpr"), HandedFile("ZKTMPR", 0, "m"));
  EXPECT_TRUE(boxes().empty());
  // A running instance that does not answer: the start fails and says so.
  EXPECT_EQ(HandleUrlRequest(1, absolute.c_str()), URL_FAILED);
  EXPECT_STREQ(StartupErrorText, "Could not process message");
}

TEST_F(CommandLine, RunningInstanceRepliesByScreenAndState) {
  EXPECT_EQ(HandleInstanceRequest(7, "x"), REPLY_UNKNOWN_CODE);
  EXPECT_EQ(HandleInstanceRequest(REQUEST_SINGLE_REPLAY, "lap"), REPLY_NO_SCREEN);  // no entry page
  Prss* page = CreateEntryPage(nullptr);
  EXPECT_EQ(HandleInstanceRequest(REQUEST_SINGLE_REPLAY, ""), REPLY_BAD_TEXT);
  EXPECT_EQ(HandleInstanceRequest(REQUEST_MULTI_REPLAY, "../../etc/x"), REPLY_BAD_TEXT);
  EXPECT_EQ(HandleInstanceRequest(REQUEST_MULTI_REPLAY, "lap\xff"), REPLY_BAD_TEXT) << "not UTF-8";
  // A replay's name of 63 characters, the most a request carries, is taken; 64 are not.
  EXPECT_EQ(HandleInstanceRequest(REQUEST_SINGLE_REPLAY, std::string(63, 'r').c_str()), REPLY_DONE);
  EXPECT_EQ(PendingRequestType, 1);
  EXPECT_STREQ(RequestText, std::string(63, 'r').c_str());
  EXPECT_EQ(HandleInstanceRequest(REQUEST_SINGLE_REPLAY, std::string(64, 's').c_str()), REPLY_BAD_TEXT);
  EXPECT_EQ(HandleInstanceRequest(REQUEST_MULTI_REPLAY, "race1"), REPLY_DONE);
  EXPECT_EQ(PendingRequestType, 2);
  EXPECT_STREQ(RequestText, "race1");
  EXPECT_EQ(HandleInstanceRequest(REQUEST_JOIN, "Club Night"), REPLY_DONE);
  EXPECT_STREQ(CfgServerName, "Club Night");
  EXPECT_EQ(HandleInstanceRequest(REQUEST_JOIN, std::string(32, 'n').c_str()), REPLY_BAD_TEXT);
  // The longest name the 32-byte server name holds with its terminating zero: 31 bytes.
  EXPECT_EQ(HandleInstanceRequest(REQUEST_JOIN, std::string(31, 'm').c_str()), REPLY_DONE);
  EXPECT_STREQ(CfgServerName, std::string(31, 'm').c_str());
  EXPECT_EQ(HandleInstanceRequest(REQUEST_GET_MOD, "00A1B2"), REPLY_NO_TRACK);  // the editor loads no track
  NetStatusByte = 1;
  EXPECT_EQ(HandleInstanceRequest(REQUEST_JOIN, "Club"), REPLY_IN_MULTIPLAYER);
  NetStatusByte = 0;
  EXPECT_EQ(HandleInstanceRequest(REQUEST_LAYOUT_COPIED, ""), REPLY_DONE);
  Prss_Terminate(page);
  page->act(page);
  CurrentProcess = nullptr;

  EXPECT_STREQ(InstanceReplyText(REPLY_IN_MULTIPLAYER), "ZKT is in multiplayer");
  EXPECT_STREQ(InstanceReplyText(77), "Unknown error");
  EXPECT_EQ(InstanceReplyText(REPLY_DONE), nullptr);
}

// With a track loaded, a request for a mod takes its id of exactly six digits at the entry
// page, as a download (run mode 5) or a test (run mode 6); not in multiplayer.
TEST_F(CommandLine, ModRequestsWithATrackLoadedTakeSixDigitsAtTheEntryPage) {
  CWld = new Wld;
  std::memcpy(CWld->trackCode, "BL", 3);
  ASSERT_STRNE(FormatTrackName(), "");
  Prss* page = CreateEntryPage(nullptr);
  EXPECT_EQ(HandleInstanceRequest(REQUEST_GET_MOD, "1A2B3"), uint32_t(REPLY_BAD_TEXT));
  EXPECT_EQ(HandleInstanceRequest(REQUEST_GET_MOD, "1A2B3C4"), uint32_t(REPLY_BAD_TEXT));
  NetStatusByte = 1;
  EXPECT_EQ(HandleInstanceRequest(REQUEST_GET_MOD, "1A2B3C"), uint32_t(REPLY_IN_MULTIPLAYER));
  NetStatusByte = 0;
  EXPECT_EQ(HandleInstanceRequest(REQUEST_GET_MOD, "1A2B3C"), uint32_t(REPLY_DONE));
  EXPECT_EQ(RunMode, 5);
  EXPECT_STREQ(RequestText, "1A2B3C");
  EXPECT_EQ(HandleInstanceRequest(REQUEST_TEST_MOD, "FFFFFF"), uint32_t(REPLY_DONE));
  EXPECT_EQ(RunMode, 6);
  EXPECT_STREQ(RequestText, "FFFFFF");
  Prss_Terminate(page);
  page->act(page);
  CurrentProcess = nullptr;
  EXPECT_EQ(HandleInstanceRequest(REQUEST_GET_MOD, "1A2B3C"), uint32_t(REPLY_NO_SCREEN)) << "no entry page";
  DeleteWorld();
  RunMode = 1;
}

// A child process is the running instance; this process is the second start.
pid_t StartRunningInstance(int inMultiplayer) {
  const pid_t child = fork();
  if (child != 0) return child;
  NetStatusByte = static_cast<uint8_t>(inMultiplayer);
  CreateEntryPage(nullptr);
  OpenInstanceRequests();
  for (int i = 0; i < 400; ++i) {
    if (InstanceLinkServe([](uint32_t code, const char* text) {
          const uint32_t reply = HandleInstanceRequest(code, text);
          std::ofstream("joined.txt") << CfgServerName;
          return reply;
        }) > 0)
      break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  CloseInstanceRequests();
  _exit(0);
}

void WaitUntilRunning() {
  for (int i = 0; i < 200 && !FindRunningInstance(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

TEST_F(CommandLine, SecondStartHandsAUrlJoinToTheRunningInstance) {
  const pid_t child = StartRunningInstance(0);
  WaitUntilRunning();
  ASSERT_EQ(HandleUrlRequest(FindRunningInstance(), "zkt://join=Far%20Away"), URL_PARSE_OPTIONS);
  ParseCommandLine(UrlCommandLine);
  EXPECT_EQ(RunMode, 9);
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_EQ(Read("joined.txt"), "Far Away");
  EXPECT_TRUE(boxes().empty());  // reply 1 shows nothing
  EXPECT_EQ(ExitCode, 0);
}

// A replay check asked for by a request is this start's own work: only joins and mod requests
// go to the running instance.
TEST_F(CommandLine, AReplayCheckRequestIsNotHandedToTheRunningInstance) {
  const pid_t child = StartRunningInstance(0);
  WaitUntilRunning();
  ASSERT_TRUE(FindRunningInstance());
  ASSERT_EQ(HandleUrlRequest(FindRunningInstance(), "zkt://hlck=lap"), URL_PARSE_OPTIONS);
  ParseCommandLine(UrlCommandLine);
  EXPECT_EQ(RunMode, 7);
  EXPECT_STREQ(RequestText, "lap");
  // The running instance still waits for a request: one that changes nothing ends it.
  EXPECT_EQ(SendToRunningInstance("", REQUEST_LAYOUT_COPIED), uint32_t(REPLY_DONE));
  int status = 0;
  waitpid(child, &status, 0);
}

TEST_F(CommandLine, SecondStartShowsTheReplyOfABusyInstance) {
  GraphicsEnabled = 1;
  const pid_t child = StartRunningInstance(1);
  WaitUntilRunning();
  HandleUrlRequest(1, "zkt://join=Far");
  ParseCommandLine(UrlCommandLine);
  EXPECT_EQ(RunMode, 9);
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].text, "ZKT is in multiplayer");
  EXPECT_NE(ExitCode, 0) << "a refused request is a failed start";
}

TEST_F(CommandLine, GuestStatusFileHoldsThreeLines) {
  ASSERT_EQ(WriteGuestStatus(2, "Club Night"), 1);
  EXPECT_EQ(Read("guest.txt"), "zkt=1.4C20\nstatus=ingame\njoined=Club Night\n");
  ASSERT_EQ(WriteGuestStatus(1, "Club"), 1);
  EXPECT_EQ(Read("guest.txt"), "zkt=1.4C20\nstatus=online\njoined=Club\n");
}

// The hotlap check's exit keeps its first code, ends the loop at once and drops the
// background picture.
TEST_F(CommandLine, HotlapExitKeepsTheFirstCode) {
  QuitFlag = 0;
  CurrentBackground = "entry picture";
  ExitForHotlapCheck(5);
  ExitForHotlapCheck(7);
  EXPECT_EQ(ExitCode, 5);
  EXPECT_EQ(ExitRequested, 1);
  EXPECT_EQ(QuitFlag, 1);
  EXPECT_EQ(CurrentBackground, nullptr);
  EXPECT_TRUE(Said("exit : HLCK"));
  QuitFlag = 0;
}

}  // namespace
