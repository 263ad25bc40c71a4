// app_test.cpp - start-up, the frame loop and shut-down, driven in fake time.

#include "app_harness.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <thread>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/command_line.h"
#include "app/drive_file.h"
#include "app/start_pages.h"
#include "app/text_commands.h"
#include "core/checksum.h"
#include "core/controls.h"
#include "core/fixed_math.h"
#include "core/report.h"
#include "core/sort_tree.h"
#include "core/window_state.h"
#include "frontend/frontend.h"
#include "frontend/player_file.h"
#include "model/model_object.h"
#include "platform/files.h"
#include "platform/instance_link.h"
#include "platform/keys.h"
#include "platform/window.h"
#include "race/race.h"
#include "render/draw2d.h"
#include "render/env_maps.h"
#include "render/frame.h"
#include "render/humans.h"
#include "render/material.h"
#include "render/shaders.h"
#include "render/sky.h"
#include "render/system_textures.h"
#include "render/texture_table.h"
#include "render/views.h"
#include "render/vr.h"
#include "skeleton/human_system.h"
#include "text/code_pages.h"
#include "text/messages.h"
#include "text/language.h"
#include "text/text_strings.h"
#include "text/text_colours.h"
#include "ui/character_set.h"
#include "ui/interface.h"
#include "ui/text_measure.h"
#include "vehicle/frame_tubes.h"
#include "vehicle_data/engine_file.h"
#include "ui/dialogs.h"
#include "vehicle_editor/file_actions.h"
#include "vehicle_editor/vehicle_editor.h"
#include "wheel/wheel.h"
#include "world/environment.h"
#include "world/sphere_directions.h"
#include "world/world.h"

namespace {

std::vector<std::string> Expect(std::initializer_list<const char*> names) { return {names.begin(), names.end()}; }

// True when the wanted lines appear in the log in this order (other lines may stand between).
bool InOrder(const std::vector<std::string>& log, const std::vector<std::string>& wanted) {
  size_t next = 0;
  for (const std::string& line : log)
    if (next < wanted.size() && line == wanted[next]) ++next;
  return next == wanted.size();
}

// "Mmm dd hh:mm:ss " at the start of a log line.
bool HasDatePrefix(const std::string& line) {
  static const char shape[] = "Aaa 00 00:00:00 ";
  if (line.size() < sizeof shape - 1) return false;
  for (size_t i = 0; i + 1 < sizeof shape; ++i) {
    const char c = line[i], want = shape[i];
    const bool ok = want == 'A' ? (c >= 'A' && c <= 'Z') : want == 'a' ? (c >= 'a' && c <= 'z')
                  : want == '0' ? (c >= '0' && c <= '9') : c == want;
    if (!ok) return false;
  }
  return true;
}

// The harness's own way of putting a process on top, for the helper below.
struct Harness : AppHarness {
  using AppHarness::ReplaceTop;
};

// Starts the program without graphics on the settings the test wrote, an editor screen on top
// in place of the entry page: no menu floor, state 0.
void StartOnAnEditorScreen() {
  AppForceNoGraphics(1);
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  Harness::ReplaceTop(&OpenProbe(nullptr)->prss);
  GameState = 0;
}

}  // namespace

TEST_F(AppHarness, StartupAndShutdownLogEveryStepInOrderWithTheDatePrefix) {
  AppForceNoGraphics(1);
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  RunPasses(3);
  RequestExit(0, "test over");
  RunPasses(5);
  EXPECT_TRUE(QuitFlag);
  EXPECT_EQ(AppShutdown(), 0);

  for (const std::string& line : LogLines()) EXPECT_TRUE(HasDatePrefix(line)) << line;
  EXPECT_EQ(LogLines().front().substr(0, 16), "Dec 06 14:03:59 ");

  EXPECT_TRUE(InOrder(LogTexts(), Expect({"ZKT : 1.4C20", "timer resolution 500 microsec", "read config",
                                          "get command line", "load font", "initialisations", "tables",
                                          "human system", "start entry", "end of initialisation",
                                          "exit : test over", "shutting down", "free languages",
                                          "delete env maps", "close sound", "close VR", "free humans",
                                          "free font", "free helmet", "kill graphics", "save config",
                                          "free mouse", "EXIT"})));
  EXPECT_FALSE(LogHas("preinit d3d")) << "no device without graphics";
  EXPECT_FALSE(LogHas("helmet\n"));
}

// The developer's start-up trace: each step's milliseconds in the log, in order through the
// first frame's own steps, then the whole time from the start to the first frame.  With the
// first frame reported, the report comes before the linked programs are kept: the frame is up
// without waiting for their binaries to be written.
TEST_F(AppHarness, TheStartupTraceLogsEachStepThroughTheFirstFrame) {
  AppTraceStartup(1);
  AppReportFirstFrame(1);
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  ::testing::internal::CaptureStdout();
  RunPasses(3);
  ::testing::internal::GetCapturedStdout();
  AppTraceStartup(0);
  AppReportFirstFrame(0);
  const char* const steps[] = {"log and instance", "window system", "config and data folder", "tables",
                               "IME and mouse clip", "draw tree", "first frame : begin", "first frame : the act",
                               "first frame : present", "first frame : drawn", "first frame : program cache",
                               "start to first frame"};
  size_t next = 0;
  for (const std::string& line : LogTexts())
    if (next < std::size(steps) && line.rfind(std::string("trace : ") + steps[next], 0) == 0) ++next;
  EXPECT_EQ(next, std::size(steps)) << "the trace stopped after " << (next ? steps[next - 1] : "nothing");
  AppShutdown();
}

// The draw tree that orders draw entries and interface items is made at start-up: 8000 nodes
// in 256 buckets, a bucket per 2^20 of key.
TEST_F(AppHarness, StartupMakesTheSharedDrawTreeOf8000NodesIn256Buckets) {
  AppForceNoGraphics(1);
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  EXPECT_EQ(SharedDrawTree.capacity, 8000u);
  EXPECT_EQ(SharedDrawTree.buckets, 256u);
  EXPECT_EQ(SharedDrawTree.shift, 20u);
  // A frame of 300 entries, one every 2^20 of key (so over 256 buckets and into the last):
  // none is refused.
  SharedDrawTree.Clear();
  int refused = 0;
  for (int32_t i = 0; i < 300; ++i) refused += SharedDrawTree.Insert(i << 20) == nullptr;
  EXPECT_EQ(refused, 0);
  EXPECT_EQ(SharedDrawTree.used, 300u);
  EXPECT_EQ(SharedDrawTree.overflow, 0u);
  SharedDrawTree.Clear();
  AppShutdown();
}

TEST_F(AppHarness, SettingsChangedWhileRunningAreWrittenBackToTheConfigFileAtExit) {
  WriteConfigFile("Ply Name Before\nShow FPS 0\n");
  AppForceNoGraphics(1);
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  ASSERT_STREQ(CfgPlayerName, "Before");
  std::snprintf(CfgPlayerName, sizeof CfgPlayerName, "%s", "After");
  CfgShowFps = 1;
  RunPasses(2);
  RequestExit(0, "test over");
  RunPasses(5);
  EXPECT_EQ(AppShutdown(), 0);

  std::ifstream in(folder_ / "cfg.txt");
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("Ply Name After\n"), std::string::npos) << text;
  EXPECT_NE(text.find("Show FPS 1\n"), std::string::npos) << text;

  // Reading the file back gives the changed settings.
  CfgPlayerName[0] = 0;
  CfgShowFps = 0;
  ASSERT_EQ(LoadConfig(), 1);
  EXPECT_STREQ(CfgPlayerName, "After");
  EXPECT_EQ(CfgShowFps, 1);
}

// The reset between runs leaves nothing of the last command line or of the last script: no
// error text or option, no VR choice, no reply, no script depth.
TEST_F(AppHarness, TheResetForgetsTheLastCommandLineAndScript) {
  std::snprintf(StartupErrorText, sizeof StartupErrorText, "%s", "old error");
  std::snprintf(StartupErrorSecond, sizeof StartupErrorSecond, "%s", "/old=1");
  CommandLineVrChoice = 2;
  std::snprintf(CommandReply, sizeof CommandReply, "%s", "old reply");
  ScriptDepth = 3;
  LastChatTime = 1234;
  QuitFlag = 1;
  AppResetState();
  EXPECT_STREQ(StartupErrorText, "");
  EXPECT_STREQ(StartupErrorSecond, "");
  EXPECT_EQ(CommandLineVrChoice, 0);
  EXPECT_STREQ(CommandReply, "");
  EXPECT_EQ(ScriptDepth, 0);
  EXPECT_EQ(LastChatTime, 0u);
  EXPECT_EQ(QuitFlag, 0);
}

// Shut-down deletes the temporary multiplayer replay (in the replay folder in force) and the
// temporary single-player replay, and no other replay.
TEST_F(AppHarness, ShutDownDeletesTheTemporaryReplaysAndNoOther) {
  std::filesystem::create_directories("data/spr");
  std::filesystem::create_directories("data/mpr");
  for (const char* file : {"data/spr/temp_spr.spr", "data/spr/lap.spr", "data/mpr/temp_mpr.mpr", "data/mpr/race.mpr"})
    std::ofstream(file) << "replay";
  AppForceNoGraphics(1);
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  RequestExit(0, "test over");
  RunPasses(5);
  EXPECT_EQ(AppShutdown(), 0);
  EXPECT_FALSE(std::filesystem::exists("data/spr/temp_spr.spr"));
  EXPECT_FALSE(std::filesystem::exists("data/mpr/temp_mpr.mpr"));
  EXPECT_TRUE(std::filesystem::exists("data/spr/lap.spr"));
  EXPECT_TRUE(std::filesystem::exists("data/mpr/race.mpr"));

  // With another replay folder its temporary replay goes, and the one in data/mpr stays.
  std::ofstream("data/mpr/temp_mpr.mpr") << "replay";
  AppResetState();
  ASSERT_EQ(AppStartup("/mprdir=mine"), START_RUNNING);
  std::ofstream("data/mine/temp_mpr.mpr") << "replay";
  RequestExit(0, "test over");
  RunPasses(5);
  EXPECT_EQ(AppShutdown(), 0);
  EXPECT_FALSE(std::filesystem::exists("data/mine/temp_mpr.mpr"));
  EXPECT_TRUE(std::filesystem::exists("data/mpr/temp_mpr.mpr"));
}

// Shut-down closes the drive file, so lines it had not read yet are never carried out, and
// frees the language read: the built-in texts are back.
TEST_F(AppHarness, ShutDownClosesTheDriveFileAndPutsBackTheBuiltInTexts) {
  AppForceNoGraphics(1);
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  std::filesystem::create_directories("data/language");
  std::ofstream("data/language/Deutsch.txt", std::ios::binary) << "3a_capitlok=Jawohl\n";
  SetLanguage("Deutsch");
  ASSERT_STREQ(LanguageTexts[TX_3a_capitlok], "Jawohl");
  std::ofstream("drive.txt") << "type ab\n";
  ASSERT_EQ(OpenDriveFile("drive.txt"), 1);
  AppShutdown();
  EXPECT_STREQ(LanguageTexts[TX_3a_capitlok], "OK");
  ClearWindowMessages();
  RunDriveLines();
  int typed = 0;
  for (WindowMessage m; PeekWindowMessage(m);)
    if (m.id == MSG_CHAR) ++typed;
  EXPECT_EQ(typed, 0);
  LanguageName[0] = 0;
}

TEST_F(AppHarness, ASaveThatFailsAtExitIsReportedAndEndsWithAFailureCode) {
  WriteConfigFile("Ply Name Pat\nShow FPS 0\n");
  std::ifstream in(folder_ / "cfg.txt");
  const std::string before((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_EQ(AppStartup(""), START_RUNNING);  // with the window: a box says it too
  CfgShowFps = 1;
  RequestExit(0, "test over");
  RunPasses(5);
  FilesInjectCommitFailures(3, ENOSPC);  // cfg.txt, interface_cfg.txt and the player file
  testing::internal::CaptureStderr();
  EXPECT_EQ(AppShutdown(), EXIT_SAVE_FAILED);
  const std::string said = testing::internal::GetCapturedStderr();
  FilesInjectCommitFailures(0, 0);
  for (const char* file : {"cfg.txt", "interface_cfg.txt", "data\\misc\\Pat.ply"}) {
    const std::string text = std::string("Could not save ") + file + " : No space left on device";
    EXPECT_NE(said.find(text + "\n"), std::string::npos) << said;
    EXPECT_TRUE(LogHas(text)) << file;
    EXPECT_NE(std::find(boxes_.begin(), boxes_.end(), "Error|" + text), boxes_.end()) << file;
  }
  std::ifstream after(folder_ / "cfg.txt");
  EXPECT_EQ(std::string((std::istreambuf_iterator<char>(after)), std::istreambuf_iterator<char>()), before);
}

TEST_F(AppHarness, StartupWithGraphicsMakesTheDeviceBeforeTheWindowAndNamesTheHelmet) {
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  // The window comes to the front once the device is set up for it.
  EXPECT_TRUE(InOrder(LogTexts(), Expect({"get command line", "preinit d3d", "load font", "window : to the front",
                                          "tables", "human system", "helmet", "controllers", "start entry",
                                          "end of initialisation"})));
  EXPECT_NE(D3DInitState, 0);
  AppShutdown();
  EXPECT_EQ(D3DInitState, 0);
}

TEST_F(AppHarness, TheHumanSystemIsLoadedAtStartItsFiguresMadeWhenFirstLookedForAndItsAbsenceEndsTheStart) {
  const char* work = std::getenv("ZKT_WORK_DIR");
  std::filesystem::copy_file(std::filesystem::path(work ? work : "work") / "data" / "hmn" / "helmet.qxe",
                             "data/hmn/helmet.qxe");
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  EXPECT_GT(NumCodePagesInUse, 0) << "the character set is read";
  EXPECT_GT(Humans.modelCount, 0) << "loaded at step 23";
  AppRunPass();
  AppRunPass();
  EXPECT_EQ(HumanMeshes.built, 0) << "no first page shows a human";
  EXPECT_EQ(HelmetModel, nullptr);
  Bone* bones = nullptr;
  BoneTable* table = nullptr;
  EXPECT_EQ(HumanSkeletonBones(0, &bones, &table), 1) << "a figure's skeleton looked for makes the figures";
  EXPECT_EQ(HumanMeshes.built, 1);
  EXPECT_GT(HumanMeshes.slotCount, 0);
  EXPECT_NE(HelmetModel, nullptr) << "and reads the helmet";
  const HumanMeshSlot* slots = HumanMeshes.slots;
  EXPECT_LT(FindHumanSlot(0), HumanMeshes.slotCount);
  EXPECT_EQ(HumanMeshes.slots, slots) << "made once";
  AppShutdown();
  EXPECT_EQ(Humans.modelCount, 0) << "freed at shut-down";
  EXPECT_EQ(HumanMeshes.slotCount, 0);

  // A run that never shows a figure makes none, not even on its way out.
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  AppRunPass();
  AppShutdown();
  EXPECT_EQ(FindHumanSlot(0), 0);
  EXPECT_EQ(HumanMeshes.built, 0);
  EXPECT_EQ(HelmetModel, nullptr);

  std::filesystem::remove("data/hmn/hmn.hmn");
  boxes_.clear();
  EXPECT_EQ(AppStartup(""), START_ENDED);
  EXPECT_EQ(ExitCode, EXIT_START_FAILED);
  EXPECT_TRUE(LogHas("human system"));
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0], "Error|Could not load humans");
  EXPECT_FALSE(LogHas("helmet")) << "the start ends at the human system";
  EXPECT_EQ(NumCodePagesInUse, 0) << "the character set read before it is freed";
  EXPECT_EQ(GlyphPages, nullptr);
}

// The language in force when the program starts is read at start-up, after the built-in
// texts are set.
TEST_F(AppHarness, StartUpReadsTheLanguageInForce) {
  std::filesystem::create_directories("data/language");
  std::ofstream("data/language/Deutsch.txt", std::ios::binary) << "3a_capitlok=Jawohl\n";
  std::snprintf(LanguageName, sizeof LanguageName, "%s", "Deutsch");
  AppForceNoGraphics(1);
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  EXPECT_STREQ(LanguageTexts[TX_3a_capitlok], "Jawohl");
  AppShutdown();
  LanguageName[0] = 0;
}

// Start-up takes the input code page from the keyboard's layout and names it in the log.
TEST_F(AppHarness, StartUpTakesTheKeyboardsCodePageAndLogsIt) {
  const int savedPage = InputCodePage;
  SetKeyboardLocale("ko_KR.UTF-8");
  InputCodePage = 0;  // the Latin page: Korean is a change, so it is always told
  AppForceNoGraphics(1);
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  EXPECT_EQ(InputCodePage, 9) << "Korean is the tenth of the ten pages";
  EXPECT_TRUE(LogHas("kb : Korean"));
  AppShutdown();
  SetKeyboardLocale("");
  InputCodePage = savedPage;
}

// A start while another instance runs in the same folder warns of it and appends to that
// instance's log instead of starting it afresh.
TEST_F(AppHarness, AStartWhileAnotherInstanceRunsWarnsAndKeepsItsLog) {
  std::ofstream("deb.log") << "the running instance's line\n";
  const pid_t child = fork();
  if (child == 0) {
    OpenInstanceRequests();
    for (int i = 0; i < 1000; ++i) {
      if (InstanceLinkServe([](uint32_t, const char*) { return uint32_t(REPLY_DONE); }) > 0) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    CloseInstanceRequests();
    _exit(0);
  }
  ASSERT_GT(child, 0);
  for (int i = 0; i < 500 && !FindRunningInstance(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_TRUE(FindRunningInstance());
  AppForceNoGraphics(1);
  ::testing::internal::CaptureStdout();  // without graphics the message lines go there
  const StartResult started = AppStartup("");
  std::fflush(stdout);
  const std::string out = ::testing::internal::GetCapturedStdout();
  // The running instance's one request ends it.
  uint32_t reply = 0;
  InstanceLinkSend(REQUEST_LAYOUT_COPIED, "", 2000, reply);
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_EQ(started, START_RUNNING);
  EXPECT_NE(out.find("Warning : Another instance of ZKT is running"), std::string::npos) << out;
  const std::vector<std::string> lines = LogLines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], "the running instance's line");
  AppShutdown();
}

// The mouse lock of a window kept in the settings ("Screen Flags " bit 8, 256) clips the
// pointer to the window from the start; the lock of full screen (bit 9, 512) or another bit
// does not clip it in a window.
TEST_F(AppHarness, StartUpClipsThePointerWhenTheWindowsMouseLockIsKept) {
  for (const auto& [flags, clipped] : {std::pair{256, 1}, std::pair{512, 0}, std::pair{1, 0}}) {
    WriteConfigFile("Start Windowed 1\nScreen Flags " + std::to_string(flags) + "\n");
    ConfigRead = 0;
    ASSERT_EQ(AppStartup(""), START_RUNNING) << flags;
    EXPECT_EQ(PlatformCursorClipped(), clipped) << flags;
    AppShutdown();
    AppResetState();
  }
  CfgScreenFlags = 0;
}

// The views file saved in an earlier run is read at start-up.
TEST_F(AppHarness, StartupReadsTheSavedViews) {
  std::filesystem::create_directories("data/misc");
  const ViewLayout kept = ViewLayouts[0];
  ViewLayouts[0].fieldOfView = 75.0f;
  ASSERT_EQ(SaveViews(VIEWS_FILE_PATH), 1);
  ViewLayouts[0].fieldOfView = 50.0f;
  AppForceNoGraphics(1);
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  EXPECT_FLOAT_EQ(ViewLayouts[0].fieldOfView, 75.0f);
  AppShutdown();
  ViewLayouts[0] = kept;
}

TEST_F(AppHarness, AMissingDataFolderEndsTheStartWithAFailureCode) {
  std::filesystem::remove_all("data");
  std::filesystem::remove("cfg.txt");
  AppForceNoGraphics(1);
  testing::internal::CaptureStderr();
  EXPECT_EQ(AppStartup(""), START_ENDED);
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(ExitCode, EXIT_START_FAILED);
  // Said to be missing, with the folder it was looked for at: on standard error and in deb.log
  // (whose lines keep their first 127 characters).
  const std::string text = "Could not find data folder : " + (folder_ / "data").string() +
                           " is missing: start ZKT in the folder it is installed in";
  EXPECT_NE(said.find(text + "\n"), std::string::npos) << said;
  EXPECT_TRUE(LogHas(text.substr(0, LOG_TEXT_MAX)));
  EXPECT_FALSE(LogHas("Could not write to data folder")) << "nothing to do with permissions";
  EXPECT_FALSE(LogHas("load font"));
  EXPECT_FALSE(std::filesystem::exists("cfg.txt")) << "a failed start saves nothing";
  EXPECT_TRUE(boxes_.empty()) << "without graphics no box is shown";

  // With graphics the box says it, before the window exists.
  AppForceNoGraphics(0);
  boxes_.clear();
  testing::internal::CaptureStderr();
  EXPECT_EQ(AppStartup(""), START_ENDED);
  testing::internal::GetCapturedStderr();
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0], "Could not find data folder|" + (folder_ / "data").string() +
                           " is missing: start ZKT in the folder it is installed in");
}

// A data folder that is there but takes no new file keeps the old words, which are about
// writing.  (A link to /proc stands in for a read-only folder: root writes anywhere else.)
TEST_F(AppHarness, AnUnwritableDataFolderEndsTheStartWithAFailureCode) {
  std::filesystem::remove_all("data");
  std::filesystem::remove("cfg.txt");
  std::filesystem::create_directory_symlink("/proc", "data");
  AppForceNoGraphics(1);
  testing::internal::CaptureStderr();
  EXPECT_EQ(AppStartup(""), START_ENDED);
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(ExitCode, EXIT_START_FAILED);
  const std::string text = "Could not write to data folder : Is ZKT correctly installed on a hard drive?";
  EXPECT_NE(said.find(text + "\n"), std::string::npos) << said;
  EXPECT_TRUE(LogHas(text));
  EXPECT_FALSE(std::filesystem::exists("cfg.txt")) << "a failed start saves nothing";
  std::filesystem::remove("data");
}

// The write probe makes a file of a new name and removes it: a link planted under the name
// a fixed probe would use is never followed, and nothing is left in the folder.
TEST_F(AppHarness, TheDataFolderProbeFollowsNoLinkAndLeavesNothing) {
  std::ofstream("victim.txt") << "not yours";
  std::filesystem::create_symlink("../victim.txt", "data/file.fl");
  std::vector<std::string> before;
  for (const auto& entry : std::filesystem::directory_iterator("data")) before.push_back(entry.path().string());
  std::sort(before.begin(), before.end());
  AppForceNoGraphics(1);
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  std::ifstream victim("victim.txt");
  EXPECT_EQ(std::string((std::istreambuf_iterator<char>(victim)), std::istreambuf_iterator<char>()), "not yours");
  EXPECT_TRUE(std::filesystem::is_symlink("data/file.fl"));
  std::vector<std::string> after;
  for (const auto& entry : std::filesystem::directory_iterator("data")) after.push_back(entry.path().string());
  std::sort(after.begin(), after.end());
  EXPECT_EQ(after, before) << "the probe is removed";
  EXPECT_NE(DataFolderTimeMinutes, 0u) << "the probe's time is the folder's time";
  RequestExit(0, "test over");
  RunPasses(5);
  AppShutdown();
}

// Start-up removes what saves killed in an earlier run left, as that run's journal in "cache"
// names it, also through a data folder kept elsewhere in the working folder behind a link.
// Nothing is searched for: the user's files in data and mods (links to other folders, an
// ordinary set-up) stay, however much their names look like temporary files.
TEST_F(AppHarness, StartUpRemovesTheTemporaryFilesOfKilledSavesOnly) {
  namespace fs = std::filesystem;
  fs::create_directories("elsewhere/mods/vehicles/XRT/deep/er");
  fs::rename("data", "elsewhere/data");
  fs::create_directory_symlink("elsewhere/data", "data");
  fs::create_directory_symlink("elsewhere/mods", "mods");
  fs::create_directories("data/veh");
  fs::create_directories("cache");
  const auto make = [](const char* path) {
    std::ofstream(path) << "half a save";
    ASSERT_TRUE(FileSetWriteTime(path, FileTimeFromUnix(1000000000, 0)));  // 2001
  };
  const char* kept[] = {"mods/vehicles/XRT/deep/er/report.deadbeef.tmp", "mods/notes.20261201.tmp",
                        "data/veh/backup.20261209.tmp", "data/veh/XRT.veh.12345678.tmp",
                        "data/veh/XRT.veh.zkt-save-87654321.tmp", "cfg.txt.0badf00d.tmp"};
  for (const char* path : kept) make(path);
  // A run killed in the middle of a save; a line naming another inode beside its own.
  const pid_t child = fork();
  if (child == 0) {
    int removed = 0;
    SafeWrite w;
    if (StartSaveJournal("cache", removed) != 0 || !SafeWriteBegin(w, "data/veh/XRT.veh")) _exit(1);
    _exit(0);
  }
  int status = -1;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  std::string killed;
  for (const auto& entry : fs::directory_iterator("data/veh"))
    if (entry.path().filename().string().rfind("XRT.veh.zkt-save-", 0) == 0 && entry.path().string() != kept[4])
      killed = entry.path().string();
  ASSERT_FALSE(killed.empty());
  struct stat st;
  ASSERT_EQ(stat(killed.c_str(), &st), 0);
  std::ofstream("cache/saves.0badf00d.jnl") << st.st_dev << ' ' << st.st_ino + 1 << ' ' << (fs::current_path() / kept[4]).string() << '\n';
  for (const auto& entry : fs::directory_iterator("cache"))
    ASSERT_TRUE(FileSetWriteTime(entry.path().c_str(), FileTimeFromUnix(1000000000, 0)));
  AppForceNoGraphics(1);
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  EXPECT_FALSE(fs::exists(killed));
  for (const char* path : kept) EXPECT_TRUE(fs::exists(path)) << path;
  EXPECT_FALSE(fs::exists("cache/saves.0badf00d.jnl"));
  EXPECT_TRUE(LogHas("removed 1 temporary files of unfinished saves"));
  RequestExit(0, "test over");
  RunPasses(5);
  AppShutdown();
  EXPECT_TRUE(fs::is_empty("cache")) << "the run's own journal goes with it";
}

// A bad option: the box keeps its words and names the option as typed on a second line, as
// standard error does; text that is no option says how options are written.
TEST_F(AppHarness, AnInvalidOptionIsNamedOnStandardErrorAndInTheLog) {
  AppForceNoGraphics(1);
  testing::internal::CaptureStderr();
  EXPECT_EQ(AppStartup("/bogus=7"), START_ENDED);
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(ExitCode, EXIT_BAD_COMMAND_LINE);
  EXPECT_NE(said.find("Command 1 is invalid\n/bogus=7\n"), std::string::npos) << said;
  EXPECT_TRUE(LogHas("Command 1 is invalid: /bogus=7"));

  AppForceNoGraphics(0);
  const std::pair<const char*, std::string> cases[] = {
      {"/bogus=7", "Command 1 is invalid\n/bogus=7"},
      {"--help", "Invalid command line\nOptions are written /name=value (docs/guide/command_line.md)"},
  };
  for (const auto& [options, lines] : cases) {
    boxes_.clear();
    testing::internal::CaptureStderr();
    EXPECT_EQ(AppStartup(options), START_ENDED);
    const std::string withBox = testing::internal::GetCapturedStderr();
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0], "Error|" + lines);
    EXPECT_NE(withBox.find(lines + "\n"), std::string::npos) << withBox;
  }
}

TEST_F(AppHarness, AFailedDeviceStartShowsTheBoxAndEndsWithAFailureCode) {
  InjectPreInitFailures(1);
  EXPECT_EQ(AppStartup(""), START_ENDED);
  EXPECT_EQ(ExitCode, EXIT_START_FAILED);
  EXPECT_TRUE(LogHas("PreInitD3D : no adapter"));
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0], "Error|PreInitD3D : no adapter");
}

// The bound's line is a debugging line: in the log (with no log name set for message lines),
// never on the user's screen.  The log also tells the frame time before it was cut and where
// the pass before went, part by part.
TEST_F(AppHarness, AStallOfFiveSecondsAdvancesTheProgramClockByTheBound) {
  AppForceNoGraphics(1);
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  RunPasses(2);
  const int shown = MessageLineCount;
  const uint32_t before = ProgramClock;
  ClockAdvanceFake(5000);
  AppRunPass();
  EXPECT_EQ(FrameTime, FRAME_TIME_BOUND_MS);
  EXPECT_EQ(ProgramClock - before, FRAME_TIME_BOUND_MS);
  EXPECT_TRUE(LogHas("LOCAL : GRAPHICS TIMER BOUNDED"));
  EXPECT_EQ(MessageLineCount, shown);
  // The pass before rested a second at the entry page: the other five were spent outside it.
  EXPECT_TRUE(LogHas("frame time 6001 ms : prepare 0, act 0, interface 0, present 0, after present 0, "
                     "work at rest 0, rest 1000, messages 0"));
  AppShutdown();
}

// A frame of exactly the bound (2000 ms) counts whole and is not said to be bounded; a frame
// one millisecond longer is cut to the bound and said so.
TEST_F(AppHarness, AFrameOfExactlyTheBoundCountsWholeAndOneMoreIsCut) {
  AppForceNoGraphics(1);
  SetLogFileName("deb.log");
  WriteConfigFile("Game Limit FPS 0\n");
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  RunPasses(2);
  ClockAdvanceFake(100);
  AppRunPass();
  ASSERT_GE(FrameTime, 100u);
  const uint32_t own = FrameTime - 100;  // what a pass adds itself: the limiter's wait
  ClockAdvanceFake(FRAME_TIME_BOUND_MS - own);
  uint32_t before = ProgramClock;
  AppRunPass();
  EXPECT_EQ(FrameTime, FRAME_TIME_BOUND_MS);
  EXPECT_EQ(ProgramClock - before, FRAME_TIME_BOUND_MS);
  EXPECT_FALSE(LogHas("GRAPHICS TIMER BOUNDED"));
  ClockAdvanceFake(FRAME_TIME_BOUND_MS - own + 1);
  before = ProgramClock;
  AppRunPass();
  EXPECT_EQ(FrameTime, FRAME_TIME_BOUND_MS);
  EXPECT_EQ(ProgramClock - before, FRAME_TIME_BOUND_MS);
  EXPECT_TRUE(LogHas("GRAPHICS TIMER BOUNDED"));
  AppShutdown();
}

TEST_F(AppHarness, AClockThatGoesBackGivesAZeroFrameTime) {
  AppForceNoGraphics(1);
  WriteConfigFile("Game Limit FPS 0\n");
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  RunPasses(2);
  // Further back than the last pass began, however long it rested.
  ClockSetFakeMs(ClockNowMs() - 5000);
  const uint32_t before = ProgramClock;
  AppRunPass();
  // The pass itself sleeps until the clock ticks once; nothing of the jump back counts.
  EXPECT_LE(ProgramClock - before, 1u);
  AppShutdown();
}

TEST_F(AppHarness, TheLimiterPacesPassesByMaxFps) {
  WriteConfigFile("Max FPS 50\n");
  ASSERT_NO_FATAL_FAILURE(StartOnAnEditorScreen());
  RunPasses(3);
  for (int i = 0; i < 10; ++i) {
    const uint32_t before = ClockNowMs();
    AppRunPass();
    EXPECT_EQ(ClockNowMs() - before, 20u) << "pass " << i;
    EXPECT_EQ(FrameTime, 20u);
  }
  AppShutdown();
}

// A loop that the presentation paces (here the headset's) still keeps the frame period while
// its frames are skipped: nothing is presented to wait for.
TEST_F(AppHarness, APresentationPacedLoopWhoseFramesAreSkippedKeepsTheFramePeriod) {
  WriteConfigFile("Max FPS 50\n");
  ASSERT_NO_FATAL_FAILURE(StartOnAnEditorScreen());  // no graphics: every frame is skipped
  VrEnabled = 1;
  RunPasses(3);
  for (int i = 0; i < 5; ++i) {
    const uint32_t before = ClockNowMs();
    AppRunPass();
    EXPECT_EQ(ClockNowMs() - before, 20u) << "pass " << i;
  }
  VrEnabled = 0;
  AppShutdown();
}

// A pass whose last present took time (the present byte of the frame's timing record) is
// paced by the period all the same.
TEST_F(AppHarness, APassAfterASlowPresentKeepsTheFramePeriod) {
  WriteConfigFile("Max FPS 50\n");
  ASSERT_NO_FATAL_FAILURE(StartOnAnEditorScreen());
  RunPasses(3);
  for (int i = 0; i < 5; ++i) {
    CurrentFrameTiming.bytes[3] = 5;
    const uint32_t before = ClockNowMs();
    AppRunPass();
    EXPECT_EQ(ClockNowMs() - before, 20u) << "pass " << i;
  }
  AppShutdown();
}

// Without a frame period (no limit asked for, no menu page) a pass after a slow present goes
// on at once: no sleep at all, so the frame's record keeps a slept time of 0 in byte 0.
TEST_F(AppHarness, APassAfterASlowPresentWithoutAFramePeriodDoesNotSleep) {
  WriteConfigFile("Game Limit FPS 0\n");
  ASSERT_NO_FATAL_FAILURE(StartOnAnEditorScreen());
  RunPasses(3);
  for (int i = 0; i < 3; ++i) {
    CurrentFrameTiming.bytes[3] = 5;
    AppRunPass();
    const FrameTimingRecord& last = FrameTimingHistory[FRAME_HISTORY_LENGTH - 1];
    EXPECT_EQ(last.bytes[3], 5) << "pass " << i;
    EXPECT_EQ(last.bytes[0], 0) << "pass " << i;
  }
  AppShutdown();
}

// A pass limit asks the program to exit once that many passes have run, and not before.
TEST_F(AppHarness, APassLimitAsksForTheExitAtItsLastPass) {
  AppForceNoGraphics(1);
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  AppSetPassLimit(5);
  RunPasses(4);
  EXPECT_EQ(ExitRequested, 0);
  RunPasses(1);
  EXPECT_EQ(ExitRequested, 1);
  EXPECT_TRUE(LogHas("exit : pass limit"));
  AppSetPassLimit(0);
  AppShutdown();
}

TEST_F(AppHarness, FrontEndPagesKeepTheMenuPeriodWhileEditorsDoNot) {
  AppForceNoGraphics(1);
  ASSERT_EQ(AppStartup(""), START_RUNNING);  // the entry page is a menu page
  ShiftHeld = 1;  // a held Shift draws every pass: the limiter paces them
  RunPasses(3);
  uint32_t before = ClockNowMs();
  AppRunPass();
  EXPECT_EQ(ClockNowMs() - before, 25u);
  EXPECT_EQ(GameState, 1);

  ReplaceTop(&OpenProbe(nullptr)->prss);  // an editor screen runs with state 0
  GameState = 0;
  RunPasses(3);
  before = ClockNowMs();
  AppRunPass();
  EXPECT_EQ(ClockNowMs() - before, 10u);
  ShiftHeld = 0;
  AppShutdown();
}

TEST_F(AppHarness, DedicatedModeFixesTheFramePeriodAtTenMilliseconds) {
  DedicatedMode = 2;
  WriteConfigFile("Game Limit FPS 0\n");
  ASSERT_NO_FATAL_FAILURE(StartOnAnEditorScreen());
  RunPasses(3);
  const uint32_t before = ClockNowMs();
  RunPasses(10);
  EXPECT_EQ(ClockNowMs() - before, 100u);
  EXPECT_FALSE(LogHas("human system")) << "dedicated runs load no humans";
  AppShutdown();
}

// Without graphics the status goes to standard output under a title that names a dedicated
// host; the invisible mode (3) writes nothing at all.
TEST_F(AppHarness, TheStatusOutputNamesTheHostAndTheInvisibleModeWritesNothing) {
  const int keptGraphics = GraphicsEnabled;
  GraphicsEnabled = 0;
  const auto written = [](int mode) {
    DedicatedMode = mode;
    ::testing::internal::CaptureStdout();
    PrepareStatusOutput();
    UpdateStatusOutput();
    std::fflush(stdout);
    return ::testing::internal::GetCapturedStdout();
  };
  const std::string plain = written(0), host = written(2), invisible = written(3);
  DedicatedMode = 0;
  GraphicsEnabled = keptGraphics;
  EXPECT_EQ(plain.rfind("ZKT ", 0), 0u) << plain;
  EXPECT_NE(plain.find("Status : OFF LINE"), std::string::npos) << plain;
  EXPECT_EQ(host.rfind("ZKT dedicated host ", 0), 0u) << host;
  EXPECT_NE(host.find("Status : OFF LINE"), std::string::npos) << host;
  EXPECT_EQ(invisible, "");
}

// Without graphics a paint message writes the status again when it has changed.
TEST_F(AppHarness, APaintMessageWithoutGraphicsWritesTheChangedStatus) {
  const int keptGraphics = GraphicsEnabled;
  GraphicsEnabled = 0;
  DedicatedMode = 0;
  ::testing::internal::CaptureStdout();
  PrepareStatusOutput();
  NetStatusByte = 1;
  MainWndProc(WindowMessage{MSG_PAINT, 0, 0});
  NetStatusByte = 0;
  std::fflush(stdout);
  const std::string out = ::testing::internal::GetCapturedStdout();
  GraphicsEnabled = keptGraphics;
  const size_t offLine = out.find("Status : OFF LINE");
  ASSERT_NE(offLine, std::string::npos) << out;
  EXPECT_NE(out.find("Status : ON LINE", offLine), std::string::npos) << out;
}

// The limiter rounds the time due to whole milliseconds, but once more than half of one is
// due it sleeps at least one: 0.4995 ms rounds to none, yet one is slept; 0.49 ms sleeps none.
// Without a period it sleeps until the clock moves on.
TEST_F(AppHarness, TheLimiterSleepsAWholeMillisecondOnceHalfOfOneIsDue) {
  const auto slept = [](float periodMs) {
    AppResetState();  // the schedule starts at this call
    const uint32_t before = ClockNowMs();
    LimitFrameRate(0, periodMs);
    return ClockNowMs() - before;
  };
  EXPECT_EQ(slept(0.4995f), 1u);
  EXPECT_EQ(slept(0.49f), 0u);
  EXPECT_EQ(slept(2.4f), 2u);
  EXPECT_EQ(slept(2.6f), 3u);
  EXPECT_EQ(slept(0.0f), 1u) << "no period: until the clock's next millisecond";
}

// Start-up ignores the signal of a write past the file-size limit, so such a write fails and
// is reported instead of ending the program.
TEST_F(AppHarness, StartupIgnoresTheFileSizeLimitSignal) {
  AppForceNoGraphics(1);
  std::signal(SIGXFSZ, SIG_DFL);
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  struct sigaction now = {};
  ASSERT_EQ(sigaction(SIGXFSZ, nullptr, &now), 0);
  EXPECT_EQ(now.sa_handler, SIG_IGN);
  AppShutdown();
}

// Reloading the device forgets the sky texture and its failure, so the new device tries it
// again.
TEST_F(AppHarness, ADeviceReloadTriesTheSkyTextureAgain) {
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  RunPasses(2);
  Sky.textureFailed = 1;
  ResetForDeviceReload();
  EXPECT_EQ(Sky.textureFailed, 0);
  EXPECT_EQ(Sky.texture, nullptr);
  AppShutdown();
}

// Reloading the device forgets what the old one held: the track thumbnails, the eye texture
// handed to the headset and the background picture loaded.
TEST_F(AppHarness, ADeviceReloadForgetsTheThumbnailsTheEyeTextureAndTheBackground) {
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  RunPasses(2);
  int marker = 0;
  ZKTETexture* const stale = reinterpret_cast<ZKTETexture*>(&marker);  // never read through
  TrackSelect.thumbnails[0] = TrackSelect.thumbnails[TRACK_COUNT - 1] = stale;
  Vr.info.eyeTexture = 7;
  std::snprintf(Background.loadedName, sizeof Background.loadedName, "%s", "old picture");
  ResetForDeviceReload();
  EXPECT_EQ(TrackSelect.thumbnails[0], nullptr);
  EXPECT_EQ(TrackSelect.thumbnails[TRACK_COUNT - 1], nullptr);
  EXPECT_EQ(Vr.info.eyeTexture, 0u);
  EXPECT_STREQ(Background.loadedName, "");
  AppShutdown();
}

// With a headset on, the system cursor is hidden while the pointer is over the window (the
// headset's picture has its own), and shown again once it leaves.
TEST_F(AppHarness, WithAHeadsetOnThePointerOverTheWindowHidesTheSystemCursor) {
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  RunPasses(2);
  ASSERT_EQ(PlatformCursorShown(), 1);
  ASSERT_NE(ScreenWidth, 0);
  ASSERT_NE(ScreenHeight, 0);
  VrEnabled = 1;
  MouseInWindow = 1;
  RedrawRequested = 1;  // a pass that draws
  RunPasses(1);
  EXPECT_EQ(PlatformCursorShown(), 0);
  MouseInWindow = 0;
  RedrawRequested = 1;
  RunPasses(1);
  EXPECT_EQ(PlatformCursorShown(), 1);
  VrEnabled = 0;
  RequestExit(0, "test over");
  RunPasses(5);
  AppShutdown();
}

// A program leaving while the headset hides the system cursor gives the cursor back.
TEST_F(AppHarness, AShutDownUnderAHeadsetShowsTheSystemCursorAgain) {
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  RunPasses(2);
  VrEnabled = 1;
  MouseInWindow = 1;
  RedrawRequested = 1;
  RunPasses(1);
  ASSERT_EQ(PlatformCursorShown(), 0);
  AppShutdown();
  VrEnabled = 0;
  EXPECT_EQ(PlatformCursorShown(), 1);
}

// Shut-down empties the list of installed mods the front end showed.
TEST_F(AppHarness, ShutDownEmptiesTheModList) {
  AppForceNoGraphics(1);
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  ModList.count = 2;  // as a refresh that found two mods leaves it
  AppShutdown();
  EXPECT_EQ(ModList.count, 0);
}

// Shut-down stops the sky worker, waits for it, and frees its images.
TEST_F(AppHarness, ShutDownStopsTheSkyWorkerAndFreesItsImages) {
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  CreateSkyTexture();
  ASSERT_NE(Sky.thread.running, 0);
  ASSERT_NE(Sky.image, nullptr);
  RequestExit(0, "test over");
  RunPasses(5);
  AppShutdown();
  EXPECT_EQ(Sky.thread.running, 0);
  EXPECT_EQ(Sky.state.load(), SKY_NO_THREAD);
  EXPECT_EQ(Sky.image, nullptr);
  EXPECT_EQ(Sky.words, nullptr);
}

// Shut-down frees what start-up and the first figure made: the character set's code pages,
// the helmet and the window.
TEST_F(AppHarness, ShutDownFreesTheCharacterSetTheHelmetAndTheWindow) {
  const char* work = std::getenv("ZKT_WORK_DIR");
  std::filesystem::copy_file(std::filesystem::path(work ? work : "work") / "data" / "hmn" / "helmet.qxe",
                             "data/hmn/helmet.qxe");
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  RunPasses(3);
  HumanFiguresWanted();  // as the first figure drawn asks: the helmet is read
  ASSERT_GT(NumCodePagesInUse, 0);
  ASSERT_NE(HelmetModel, nullptr);
  ASSERT_TRUE(PlatformWindowExists());
  RequestExit(0, "test over");
  RunPasses(5);
  EXPECT_EQ(AppShutdown(), 0);
  EXPECT_EQ(NumCodePagesInUse, 0);
  EXPECT_EQ(HelmetModel, nullptr);
  EXPECT_FALSE(PlatformWindowExists());
}

// Start-up builds the table that case-blind comparisons read: "a" to "A", and the division
// sign (247) between the accented letters kept as it is; and the CRC-32 table, whose entry 1
// is the polynomial 0x04C11DB7 itself.
TEST_F(AppHarness, StartupBuildsTheUpperCaseAndCrcTables) {
  AppForceNoGraphics(1);
  std::fill(UpperCaseTable, UpperCaseTable + 256, 0);
  std::fill(Crc32Table, Crc32Table + 256, 0u);
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  EXPECT_EQ(UpperCaseTable[uint8_t('a')], 'A');
  EXPECT_EQ(UpperCaseTable[uint8_t('z')], 'Z');
  EXPECT_EQ(UpperCaseTable[uint8_t('A')], 'A');
  EXPECT_EQ(UpperCaseTable[247], 247);
  EXPECT_EQ(Crc32Table[1], 0x04C11DB7u);
  AppShutdown();
}

// Start-up fills the tables the world, the frame tubes and the wheels read.  The first row of
// sphere directions points straight up; the next is 12 degrees (pi / 15) away from it, so its
// first direction has x = 65536 sin 12 deg = 13625.7 and z = 65536 cos 12 deg = 64103.9.  A tube
// direction steps by 45 degrees: the third has sine 1, the first cosine 1.  The wheel's
// pressure integral sums (1 - x^2)^(2/3) over twenty slices of 0.1 at x = 0.95, 0.85, ..,
// -0.95: twice 0.74113 by a hand sum.  The interface text is 2 s + 11 pixels for a character
// size s, and the main view's eye stands at (10, 10, 5) metres until a world places it.
TEST_F(AppHarness, StartupFillsTheSphereTubeAndWheelTablesTheMetricsAndTheView) {
  AppForceNoGraphics(1);
  SphereDirections[0][0].d = SphereDirections[1][0].d = IntVector{0, 0, 0};
  TubeSines.sin[2] = TubeSines.cos[0] = 0;
  WheelPressureIntegral = 0.0f;
  TextSize = 0;
  MainView.position[0] = MainView.position[2] = 0;
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  EXPECT_EQ(SphereDirections[0][0].d.x, 0);
  EXPECT_EQ(SphereDirections[0][0].d.z, 65536);
  EXPECT_EQ(SphereDirections[1][0].d.x, 13626);
  EXPECT_EQ(SphereDirections[1][0].d.z, 64104);
  EXPECT_EQ(TubeSines.sin[2], 65536);
  EXPECT_EQ(TubeSines.cos[0], 65536);
  EXPECT_NEAR(WheelPressureIntegral, 1.48225, 1e-4);
  EXPECT_EQ(TextSize, 2 * CfgCharSize + 11) << CfgCharSize;
  EXPECT_EQ(MainView.position[0], 10 * 65536);
  EXPECT_EQ(MainView.position[2], 5 * 65536);
  AppShutdown();
}

// Start-up sets the four east-Asian glyph font weights to 600 before the settings are read;
// each pass steps the random seed to (seed * 5 + 1) % 65536.
TEST_F(AppHarness, StartUpSetsTheFontWeightsAndEachPassStepsTheRandomSeed) {
  AppForceNoGraphics(1);
  for (int& weight : CfgFontWeights) weight = 0;
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  for (int weight : CfgFontWeights) EXPECT_EQ(weight, 600);
  RandomSeed = 7;
  RunPasses(1);
  EXPECT_EQ(RandomSeed, 36u);  // 7 * 5 + 1
  RandomSeed = 65535;
  RunPasses(1);
  EXPECT_EQ(RandomSeed, 65532u);  // 327676 - 4 * 65536
  RunPasses(1);
  EXPECT_EQ(RandomSeed, 65517u);  // 327661 - 4 * 65536
  AppShutdown();
}

// The drive file's lines: "type" posts its characters to the window, "click" and "reach" wait
// for their button (saying nothing) until 30 s have passed, a line of no known kind is told.
TEST_F(AppHarness, TheDriveFileTypesWaitsForItsButtonsAndTellsUnknownLines) {
  AppForceNoGraphics(1);
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  ClearWindowMessages();
  std::ofstream("drive.txt") << "type ab\nfrobnicate\nclick nothing shown\nreach nothing shown\n";
  ASSERT_EQ(OpenDriveFile("drive.txt"), 1);
  RunDriveLines();
  std::string typed;
  for (WindowMessage m; PeekWindowMessage(m);)
    if (m.id == MSG_CHAR) typed += char(m.wParam);
  EXPECT_EQ(typed, "ab");
  EXPECT_TRUE(LogHas("drive : what is \"frobnicate\"?"));
  EXPECT_FALSE(LogHas("drive : what is \"click"));
  EXPECT_EQ(DriveLineDueMs(ClockNowMs()), 30000u) << "a loop at rest wakes when the wait is up";
  ClockAdvanceFake(29999);
  RunDriveLines();
  EXPECT_FALSE(LogHas("drive : no button \"nothing shown\""));
  EXPECT_EQ(DriveLineDueMs(ClockNowMs()), 1u);
  ClockAdvanceFake(1);
  ClearWindowMessages();
  RunDriveLines();
  EXPECT_TRUE(LogHas("drive : no button \"nothing shown\""));
  EXPECT_FALSE(LogHas("drive : what is \"reach")) << "the reach waits in its turn";
  // The reach turns the wheel one notch down (-120) over the left of the window.
  int notches = 0;
  for (WindowMessage m; PeekWindowMessage(m);)
    if (m.id == MSG_MOUSEWHEEL) {
      ++notches;
      EXPECT_EQ(int16_t(uint16_t(m.wParam >> 16)), -120);
      EXPECT_EQ(m.lParam, PointParam(ScreenWidth / 8, ScreenHeight / 2));
    }
  EXPECT_EQ(notches, 1);
  CloseDriveFile();
  AppShutdown();
}

// A "reach" line that waits turns the wheel on every other call, since the frame that shows
// a notch's scroll comes a pass later, and asks for that frame; once a frame shows its text
// the line is done and the wheel rests.
TEST_F(AppHarness, AReachTurnsTheWheelEveryOtherCallUntilItsTextShows) {
  AppForceNoGraphics(1);
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  ClearInterface();
  std::ofstream("drive.txt") << "reach Far below\n";
  ASSERT_EQ(OpenDriveFile("drive.txt"), 1);
  const auto notchesOfOneCall = []() {
    ClearWindowMessages();
    RedrawRequested = 0;
    RunDriveLines();
    int notches = 0;
    for (WindowMessage m; PeekWindowMessage(m);)
      if (m.id == MSG_MOUSEWHEEL) ++notches;
    return notches;
  };
  EXPECT_EQ(notchesOfOneCall(), 1);
  EXPECT_EQ(RedrawRequested, 1);
  EXPECT_EQ(notchesOfOneCall(), 0);
  EXPECT_EQ(RedrawRequested, 1);
  EXPECT_EQ(notchesOfOneCall(), 1);
  EXPECT_EQ(notchesOfOneCall(), 0);
  ColourWord colour = 0;
  ASSERT_EQ(AddButton(nullptr, 100, 200, 300, 260, 0, IvText("Far below"), IvInt(0), IvInt(0), BUTTON_STYLE_TEXT,
                      &colour, nullptr, nullptr),
            0);
  EXPECT_EQ(notchesOfOneCall(), 0) << "shown now";
  EXPECT_EQ(notchesOfOneCall(), 0) << "and the line is done";
  EXPECT_FALSE(LogHas("drive : no button"));
  CloseDriveFile();
  AppShutdown();
}

// A "click" line presses the middle of what the last frame showed with its text: a button
// (the first of the table too) by its pixel rectangle, a panel control by its screen units.
// The pointer moves there, the left button goes down and comes up, all at that point.  A
// line of no known kind is told on standard error.
TEST_F(AppHarness, TheDriveFileClicksTheMiddleOfTheButtonOrControlShown) {
  AppForceNoGraphics(1);
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  ClearInterface();
  ColourWord colour = 0;
  ASSERT_EQ(AddButton(nullptr, 100, 200, 300, 260, 0, IvText("Go there"), IvInt(0), IvInt(0), BUTTON_STYLE_TEXT,
                      &colour, nullptr, nullptr),
            0);
  ASSERT_GE(AddValueControl(nullptr, nullptr, IvText("Panel press"), IvInt(0), IvText(nullptr), VALUE_TYPE_FADE_TEXT,
                            &colour, [](void*, int, uintptr_t) {}, -0.5f, 0.2f, 0.0f, 0.4f),
            0);
  ClearWindowMessages();
  std::ofstream("drive.txt") << "click Go there\nclick Panel press\nfrobnicate\n";
  ASSERT_EQ(OpenDriveFile("drive.txt"), 1);
  testing::internal::CaptureStderr();
  RunDriveLines();
  // A line of no known kind is told on the terminal as well as in the log.
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "drive : what is \"frobnicate\"?\n");
  // The button's middle: (100 + 300) / 2 = 200, (200 + 260) / 2 = 230.  The control's:
  // ((-0.5 + 0) / 2 + 1) / 2 = 0.375 of the width, ((0.2 + 0.4) / 2 + 1) / 2 = 0.65 of the height.
  const int64_t button = PointParam(200, 230);
  const int64_t control = PointParam(int(0.375 * ScreenWidth), int(0.65 * ScreenHeight));
  std::vector<WindowMessage> posted;
  for (WindowMessage m; PeekWindowMessage(m);)
    if (m.id == MSG_MOUSEMOVE || m.id == MSG_LBUTTONDOWN || m.id == MSG_LBUTTONUP) posted.push_back(m);
  ASSERT_EQ(posted.size(), 6u);
  for (size_t i = 0; i < 6; ++i) {
    EXPECT_EQ(posted[i].lParam, i < 3 ? button : control) << i;
    EXPECT_EQ(posted[i].id, (i % 3 == 0 ? MSG_MOUSEMOVE : i % 3 == 1 ? MSG_LBUTTONDOWN : MSG_LBUTTONUP)) << i;
    EXPECT_EQ(posted[i].wParam, i % 3 == 1 ? uint64_t(MOUSE_LEFT_DOWN) : 0u) << i;
  }
  EXPECT_FALSE(LogHas("drive : no button"));
  CloseDriveFile();
  AppShutdown();
}

// A drive file that cannot be opened is told on standard error.  A "/" line is a typed
// command; a line may end in CR LF; a file closed forgets the lines it had not carried out.
TEST_F(AppHarness, TheDriveFileRunsCommandsTakesCrLfLinesAndForgetsItsRestWhenClosed) {
  AppForceNoGraphics(1);
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  testing::internal::CaptureStderr();
  EXPECT_EQ(OpenDriveFile("no such folder/drive.txt"), 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "drive : cannot open no such folder/drive.txt\n");
  const auto typed = []() {
    std::string chars;
    for (WindowMessage m; PeekWindowMessage(m);)
      if (m.id == MSG_CHAR) chars += char(m.wParam);
    return chars;
  };
  CommandState.aiSkill = 3;
  ClearWindowMessages();
  std::ofstream("drive.txt") << "/aiskill 4\r\ntype a\r\nclick nothing shown\ntype b\n";
  ASSERT_EQ(OpenDriveFile("drive.txt"), 1);
  RunDriveLines();
  EXPECT_EQ(CommandState.aiSkill, 4);
  EXPECT_EQ(typed(), "a") << "the CR is no character of the line";
  CloseDriveFile();
  std::ofstream("drive2.txt") << "type c\n";
  ASSERT_EQ(OpenDriveFile("drive2.txt"), 1);
  RunDriveLines();
  EXPECT_EQ(typed(), "c") << "the first file's waiting click and the line after it are gone";
  CloseDriveFile();
  CommandState.aiSkill = 3;
  AppShutdown();
}

// A drive file may come on descriptor 0 (a program started with its standard input closed
// opens it there): that is an opened file like any other, neither refused nor told as one that
// could not be opened.
TEST_F(AppHarness, ADriveFileOpenedOnDescriptorZeroIsTakenWithoutComplaint) {
  std::ofstream("drive.txt") << "type x\n";
  // Standard input goes aside for the test and comes back however it ends.
  struct StandardInputAside {
    int saved = dup(0);
    ~StandardInputAside() {
      CloseDriveFile();
      if (saved >= 0) {
        dup2(saved, 0);
        close(saved);
      }
    }
  } aside;
  testing::internal::CaptureStderr();  // its file is opened before descriptor 0 is freed
  if (aside.saved >= 0) close(0);      // (a test program started without one has it free)
  const int opened = OpenDriveFile("drive.txt");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(opened, 1);
  ClearWindowMessages();
  RunDriveLines();
  std::string typed;
  for (WindowMessage m; PeekWindowMessage(m);)
    if (m.id == MSG_CHAR) typed += char(m.wParam);
  EXPECT_EQ(typed, "x");
}

TEST_F(AppHarness, TheFrameTimingHistoryKeepsTheLastSixtyRecordsOldestFirst) {
  AppForceNoGraphics(1);
  WriteConfigFile("Max FPS 50\n");
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  GameState = 0;
  ReplaceTop(&OpenProbe(nullptr)->prss);
  RunPasses(70);
  // Every record shows the limiter's sleep of 20 ms in byte 0; nothing was presented.
  for (const FrameTimingRecord& record : FrameTimingHistory) {
    EXPECT_EQ(record.bytes[0], 20);
    EXPECT_EQ(record.bytes[3], 0);
  }
  AppShutdown();
}

TEST_F(AppHarness, WithoutARedrawRequestNoActRunsUntilAMessageOrAHeldKey) {
  AppForceNoGraphics(1);
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  ProbeProcess* probe = OpenProbe(nullptr);
  probe->clearRedraw = true;
  ReplaceTop(&probe->prss);
  RunPasses(3);  // the first passes draw (the blink tick asks for one)
  const int acts = probe->acts;
  RunPasses(5);
  EXPECT_EQ(probe->acts, acts) << "nothing asked for a frame";

  PostWindowMessage(MSG_MOUSEMOVE, 0, 0);
  RunPasses(1);  // the pump sees the move...
  RunPasses(1);  // ...and the next pass draws
  EXPECT_EQ(probe->acts, acts + 1);

  AltHeld = 1;
  RunPasses(3);
  EXPECT_EQ(probe->acts, acts + 1) << "Alt alone does not draw";
  AltHeld = 0;
  ShiftHeld = 1;
  RunPasses(3);
  EXPECT_EQ(probe->acts, acts + 4) << "a held Shift draws every pass";
  ShiftHeld = 0;
  AppShutdown();
}

// Besides Shift, a held Ctrl, any held arrow key and either held page key draw a resting
// screen on every pass; once let go, it rests again.
TEST_F(AppHarness, AHeldCtrlArrowOrPageKeyDrawsEveryPass) {
  AppForceNoGraphics(1);
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  ProbeProcess* probe = OpenProbe(nullptr);
  probe->clearRedraw = true;
  ReplaceTop(&probe->prss);
  RunPasses(3);  // the first passes draw
  const auto drawnWhile = [&](auto& held) {
    held = 1;
    const int before = probe->acts;
    RunPasses(3);
    held = 0;
    return probe->acts - before;
  };
  const auto drawnAtRest = [&]() {
    RunPasses(1);  // the pass after the release may still draw
    const int before = probe->acts;
    RunPasses(3);
    return probe->acts - before;
  };
  ASSERT_EQ(drawnAtRest(), 0) << "nothing asked for a frame";
  EXPECT_EQ(drawnWhile(CtrlHeld), 3) << "Ctrl";
  EXPECT_EQ(drawnAtRest(), 0) << "Ctrl let go";
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(drawnWhile(ArrowKeysHeld[i]), 3) << "arrow " << i;
    EXPECT_EQ(drawnAtRest(), 0) << "arrow " << i << " let go";
  }
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(drawnWhile(PageKeysHeld[i]), 3) << "page key " << i;
    EXPECT_EQ(drawnAtRest(), 0) << "page key " << i << " let go";
  }
  AppShutdown();
}

// With the first frame reported (the start-up benchmark waits for it), "first frame" goes to
// standard output once, when the first frame is presented, and never again.
TEST_F(AppHarness, TheFirstPresentedFrameIsReportedOnStandardOutputOnce) {
  AppReportFirstFrame(1);
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  ::testing::internal::CaptureStdout();
  RunPasses(5);
  std::fflush(stdout);
  const std::string out = ::testing::internal::GetCapturedStdout();
  AppReportFirstFrame(0);
  AppShutdown();
  // Other lines (what the later start-up work could not read) may follow; none comes before.
  EXPECT_EQ(out.rfind("first frame\n", 0), 0u) << out;
  EXPECT_EQ(out.find("first frame", 1), std::string::npos) << out;
}

// A pass that draws nothing waits for the next thing that needs a pass, not a millisecond: a
// second at most with nothing due (below the frame-time bound: a rest is no stall), until a
// frame's redraw alarm and no longer, and only until the clock moves on while a mouse move
// waits to be delivered; work a screen left for the rest is done in place of one wait.
// Without a frame period the limiter of every pass sleeps until the clock moves on (a
// millisecond of the fake clock): a held key draws every pass that far apart.
TEST_F(AppHarness, APassAtRestWaitsForTheNextThingThatNeedsAPass) {
  AppForceNoGraphics(1);
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  CfgGameLimitFps = 0;
  ProbeProcess* probe = OpenProbe(nullptr);
  probe->clearRedraw = true;
  ReplaceTop(&probe->prss);
  RunPasses(3);
  int acts = probe->acts;
  for (int i = 0; i < 5; ++i) {
    const uint32_t before = ClockNowMs();
    AppRunPass();
    EXPECT_EQ(ClockNowMs() - before, 1u + 1000u) << "pass " << i;
    if (i > 0) {
      EXPECT_EQ(FrameTime, 1001u) << "a rest counts whole, pass " << i;
    }
  }
  ASSERT_EQ(probe->acts, acts) << "nothing asked for a frame";

  // A frame that asks to be drawn in 300 ms: the loop wakes then, and draws.
  probe->alarmAt = ClockNowMs() + 300;
  PostWindowMessage(MSG_MOUSEMOVE, 0, 0);
  RunPasses(2);  // the pump takes the move, the next pass draws and sets the alarm
  ASSERT_EQ(probe->acts, acts + 1);
  RunPasses(2);
  EXPECT_EQ(probe->acts, acts + 2);
  EXPECT_EQ(probe->lastActMs, probe->alarmAt + 1) << "drawn when the alarm came, past the limiter";
  probe->alarmAt = 0;
  acts = probe->acts;

  // A move the window procedure put aside is delivered at once, without a wait.
  RunPasses(2);
  MainWndProc(WindowMessage{MSG_MOUSEMOVE, 0, PointParam(7, 9)});
  ASSERT_TRUE(DeferredMouseMovePending());
  const uint32_t before = ClockNowMs();
  AppRunPass();
  EXPECT_EQ(ClockNowMs() - before, 1u + 1u) << "the limiter's millisecond and the rest's";
  EXPECT_FALSE(DeferredMouseMovePending());
  EXPECT_EQ(MouseX, 7);

  // Work a screen left for the rest is done in place of the wait, once.
  static int worked;
  worked = 0;
  WorkAtRest = [] { ++worked; };
  uint32_t at = ClockNowMs();
  AppRunPass();
  EXPECT_EQ(worked, 1);
  EXPECT_EQ(WorkAtRest, nullptr);
  EXPECT_EQ(ClockNowMs() - at, 1u + 1u) << "no wait";
  at = ClockNowMs();
  AppRunPass();
  EXPECT_EQ(worked, 1);
  EXPECT_EQ(ClockNowMs() - at, 1u + 1000u) << "the next rest waits again";

  ShiftHeld = 1;  // a held Shift draws every pass
  uint64_t slept = ClockFakeSleptMs();
  RunPasses(5);
  ShiftHeld = 0;
  ASSERT_EQ(probe->acts, acts + 5);
  EXPECT_EQ(ClockFakeSleptMs() - slept, 5u * 1u);
  AppShutdown();
}

// On a screen that shows something the tick changes (a text cursor), the loop at rest wakes
// for each tick and draws: 100 ms after each half second of the wall clock.
TEST_F(AppHarness, TheBlinkTickFlipsThePhaseAboutTwiceASecond) {
  AppForceNoGraphics(1);
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  ProbeProcess* probe = OpenProbe(nullptr);
  probe->clearRedraw = true;
  probe->changesWithTime = true;
  ReplaceTop(&probe->prss);
  GameState = 0;
  int flips = 0;
  int phase = BlinkPhase;
  const uint32_t start = ClockNowMs();
  // The blink phase chooses the blinking colours and the list in force, all four slots.
  const TextColourTable& c = TextColours;
  const auto phaseColours = [&](int shown) {
    const ColourWord on[4] = {c.lightText, c.yellow, c.error, c.lightYellow};
    const ColourWord off[4] = {c.panelGrey, c.error, c.red, c.lightGreen};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(c.blink[i], shown ? on[i] : off[i]) << "phase " << shown << " slot " << i;
    EXPECT_EQ(BlinkingListIndex, shown ? 0 : 1);
  };
  int checked[2] = {0, 0};
  while (ClockNowMs() - start < 5000) {
    AppRunPass();
    GameState = 0;
    if (BlinkPhase != phase) {
      ++flips;
      if (!checked[BlinkPhase]++) phaseColours(BlinkPhase);
      if (flips > 1) {
        EXPECT_EQ(SystemTimeUtc.millisecond % 500, 101) << "woken for the tick, drawn past the limiter";
      }
    }
    phase = BlinkPhase;
  }
  EXPECT_GE(flips, 9);
  EXPECT_LE(flips, 11);
  EXPECT_TRUE(checked[0] && checked[1]);
  phaseColours(BlinkPhase);
  AppShutdown();
}

// The hundredth drawn frame since the last tick brings the next tick at once; the
// ninety-ninth does not.
TEST_F(AppHarness, TheHundredthDrawnFrameBringsTheBlinkTickAtOnce) {
  AppForceNoGraphics(1);
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  ProbeProcess* probe = OpenProbe(nullptr);
  probe->clearRedraw = true;
  ReplaceTop(&probe->prss);
  GameState = 0;
  // Passes until a tick has just come: the next is about half a second away.
  int phase = BlinkPhase;
  for (int i = 0; i < 200 && BlinkPhase == phase; ++i) AppRunPass();
  ASSERT_NE(BlinkPhase, phase);
  phase = BlinkPhase;
  DrawnFrameCount = 99;
  AppRunPass();
  EXPECT_EQ(BlinkPhase, phase) << "99 frames";
  DrawnFrameCount = 100;
  AppRunPass();
  EXPECT_NE(BlinkPhase, phase) << "100 frames";
  AppShutdown();
}

// The blink tick comes on the first pass whose clock reads its time, 100 ms after the next
// half second of the wall clock: a pass one millisecond short of it leaves the phase, the pass
// at exactly that time flips it.
TEST_F(AppHarness, TheBlinkTickComesOnThePassWhoseClockReadsExactlyItsTime) {
  AppForceNoGraphics(1);
  WriteConfigFile("Game Limit FPS 0\n");
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  ProbeProcess* probe = OpenProbe(nullptr);
  probe->clearRedraw = true;
  ReplaceTop(&probe->prss);
  GameState = 0;
  // Without a period, a pass that draws sleeps only in the limiter, until the clock moves on
  // (one fake millisecond), and then reads the time it judges by: the clock after the pass.
  ShiftHeld = 1;  // a held Shift draws every pass
  int phase = BlinkPhase;
  for (int i = 0; i < 2000 && BlinkPhase == phase; ++i) AppRunPass();
  ASSERT_NE(BlinkPhase, phase);
  phase = BlinkPhase;
  // The fake clock started at 100000 ms with the wall clock at 14:03:59.250, and the two move
  // together: at counter N the wall's millisecond is (250 + N - 100000) mod 1000.
  const uint32_t tick = ClockNowMs();
  const uint32_t wallMs = (250u + (tick - 100000u)) % 1000u;
  ASSERT_EQ(SystemTimeUtc.millisecond, int(wallMs)) << "the wall clock read at the tick";
  // On to the next half second, then 100 ms: wall 0..499 -> 600 - ms later; 500..999 -> 1100 - ms.
  const uint32_t next = tick - wallMs + (wallMs < 500u ? 600u : 1100u);
  ClockAdvanceFake(next - 2u - tick);
  AppRunPass();
  ASSERT_EQ(ClockNowMs(), next - 1u);
  EXPECT_EQ(BlinkPhase, phase) << "one millisecond short of the tick";
  AppRunPass();
  ASSERT_EQ(ClockNowMs(), next);
  EXPECT_NE(BlinkPhase, phase) << "at the tick's own millisecond";
  ShiftHeld = 0;
  AppShutdown();
}

TEST_F(AppHarness, ATopActReturningNullEndsTheLoopAndShutDownRunsInFull) {
  AppForceNoGraphics(1);
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  bool freed = false;
  ProbeProcess* probe = OpenProbe(nullptr);
  probe->closeAfterActs = 3;
  probe->freed = &freed;
  ReplaceTop(&probe->prss);
  GameState = 0;
  RunPasses(3);  // the third act closes the process
  EXPECT_FALSE(QuitFlag);
  PostWindowMessage(MSG_MOUSEMOVE, 0, 0);
  RunPasses(1);  // its act frees it and returns null
  EXPECT_TRUE(QuitFlag);
  EXPECT_TRUE(freed);
  EXPECT_EQ(CountWindowMessages(), 1) << "the pump is skipped once the loop ends";
  AppShutdown();
  EXPECT_EQ(LogTexts().back(), "EXIT");
}

TEST_F(AppHarness, RequestExitActsOnceAndTheEntryPageThenCloses) {
  AppForceNoGraphics(1);
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  RunPasses(2);
  CurrentBackground = "bkg";
  RequestExit(0, "first");
  RequestExit(7, "second");
  EXPECT_TRUE(ExitRequested);
  EXPECT_EQ(CurrentBackground, nullptr);
  EXPECT_TRUE(LogHas("exit : first"));
  EXPECT_FALSE(LogHas("exit : second"));
  EXPECT_EQ(ExitAction, 0u);
  RunPasses(3);
  EXPECT_TRUE(QuitFlag);
  EXPECT_EQ(AppShutdown(), 0);
}

// "/exit" from the drive file ends the program whatever is open: a name entry over the
// vehicle editor, the garage over the entry page.  While an exit is requested input is dropped,
// so every screen that does not ask first closes.
TEST_F(AppHarness, AnExitFromTheDriveFileEndsTheProgramOverADialogOrAPage) {
  AppForceNoGraphics(1);
  for (int screen = 0; screen < 2; ++screen) {
    SCOPED_TRACE(screen == 0 ? "a name entry over the vehicle editor" : "the garage");
    ASSERT_EQ(AppStartup(""), START_RUNNING);
    RunPasses(2);
    Prss* entry = AppTopProcess();
    if (screen == 0) {
      VehicleEditor* editor = VehicleEditor::Create(entry);
      Prss_AddSub(entry, &editor->prss);
      AskText(&editor->prss, [](Prss*, const char*, uint32_t) {}, "Load vehicle", 31, 0, "", 0, 1, nullptr);
    } else {
      Prss_AddSub(entry, OpenGaragePage(entry, "Runabout"));
    }
    RunPasses(2);
    ASSERT_FALSE(QuitFlag);
    std::ofstream("drive.txt") << "/exit\n";
    ASSERT_EQ(OpenDriveFile("drive.txt"), 1);
    RunPasses(10);
    CloseDriveFile();
    EXPECT_TRUE(QuitFlag);
    EXPECT_EQ(AppShutdown(), 0);
    QuitFlag = ExitRequested = 0;
  }
}

TEST_F(AppHarness, RequestExitWithAnActionLeavesItForTheEntryPage) {
  ExitAction = 0;
  RequestExit(1, nullptr);
  EXPECT_EQ(ExitAction, 1u);
  EXPECT_TRUE(ExitRequested);
  ExitAction = 0;
}

TEST_F(AppHarness, ALostDeviceIsRecreatedAfterTheWaitsOfTheRetrySchedule) {
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  ReplaceTop(&OpenProbe(nullptr)->prss);
  RunPasses(2);
  InjectPresentStatus(PRESENT_DEVICE_REMOVED, 1);
  RunPasses(1);  // presents, fails, notes the time
  ASSERT_EQ(LastPresentStatus, PRESENT_DEVICE_REMOVED);
  RunPasses(1);  // under a second since the error: nothing yet
  EXPECT_EQ(LastPresentStatus, PRESENT_DEVICE_REMOVED);

  InjectInitFailures(3);
  ClockAdvanceFake(1000);
  const uint64_t sleptBefore = ClockFakeSleptMs();
  RunPasses(1);
  EXPECT_EQ(LastPresentStatus, PRESENT_OK);
  // Three failures, each followed by a wait of a second; the rest is the loop's own sleeps.
  const uint64_t slept = ClockFakeSleptMs() - sleptBefore;
  EXPECT_GE(slept, 3000u);
  EXPECT_LT(slept, 3100u);
  EXPECT_TRUE(LogHas("CreateDevice failed (3)"));
  EXPECT_FALSE(LogHas("CreateDevice failed (4)"));
  EXPECT_TRUE(LogHas("Recovered from D3D device error"));
  EXPECT_NE(D3DInitState, 0) << "the device setup ran again after the close";
  EXPECT_NE(SystemMaterials.plainWhite, nullptr) << "the system textures are made again";
  AppShutdown();
}

TEST_F(AppHarness, ARemovedDeviceThatNeverReturnsEndsTheProgramAfterTenTries) {
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  ReplaceTop(&OpenProbe(nullptr)->prss);  // a screen that draws every pass
  RunPasses(2);
  InjectPresentStatus(PRESENT_DEVICE_RESET, 1);
  RunPasses(1);
  InjectPreInitFailures(2);
  InjectInitFailures(8);
  ClockAdvanceFake(1000);
  const uint64_t sleptBefore = ClockFakeSleptMs();
  RunPasses(1);
  const uint64_t slept = ClockFakeSleptMs() - sleptBefore;
  EXPECT_GE(slept, 3 * 1000u + 3 * 2000u + 3 * 4000u);
  EXPECT_LT(slept, 21100u);
  EXPECT_TRUE(LogHas("PreInitD3D : no adapter (1)"));
  EXPECT_TRUE(LogHas("CreateDevice failed (10)"));
  EXPECT_TRUE(LogHas("exit : recovery check"));
  EXPECT_TRUE(ExitRequested);
  RunPasses(5);
  EXPECT_TRUE(QuitFlag);
  EXPECT_EQ(AppShutdown(), EXIT_DEVICE_LOST);
}

TEST_F(AppHarness, AnOccludedWindowNeitherRecoversNorStopsPresenting) {
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  RunPasses(2);
  InjectPresentStatus(PRESENT_OCCLUDED, 3);
  RunPasses(6);
  EXPECT_EQ(LastPresentStatus, PRESENT_OK) << "presents went on until the window showed again";
  EXPECT_FALSE(LogHas("Recovered"));
  AppShutdown();
}

// The full-screen mode saved in cfg.txt is written refresh rate, width, height, index.  On a
// display that offers it, start-up takes that mode and not the desktop's (1920 x 1080).
TEST_F(AppHarness, StartUpTakesTheSavedFullScreenModeWhenTheDisplayOffersIt) {
  static const GfxModeDesc MODES[] = {
      {640, 480, {60, 1}}, {1024, 768, {60, 1}}, {1024, 768, {75, 1}}, {1920, 1080, {60, 1}}};
  GfxFakeDisplays displays;
  displays.modes = MODES;
  displays.modeCount = 4;
  displays.virtualWidth = 1920;
  displays.virtualHeight = 1080;
  GfxUseFakeDisplays(&displays);
  WriteConfigFile("Start Windowed 1\nScreen Info 75 1024 768 0\n");
  const StartResult started = AppStartup("");
  GfxUseFakeDisplays(nullptr);
  ASSERT_EQ(started, START_RUNNING);
  EXPECT_EQ(FullScreenModeIndex, 2) << "1024 x 768 at 75 Hz is the third mode";
  EXPECT_EQ(CfgScreenInfo[0], 75);
  EXPECT_EQ(CfgScreenInfo[1], 1024);
  EXPECT_EQ(CfgScreenInfo[2], 768);
  EXPECT_EQ(CfgScreenInfo[3], 2);
  AppShutdown();
}

TEST(DisplayModeMatch, AMissingFullScreenModeFallsBackToTheDesktopMode) {
  const DisplayMode modes[] = {{800, 600, 60, 1}, {640, 480, 60, 1}, {1024, 768, 75, 1},
                               {1920, 1080, 60000, 1001}, {1024, 768, 60, 1}, {2560, 1440, 144, 1}};
  SetTestDisplayModes(modes, 6, 3);
  DisplayModeRecord screenInfo{60, 3000, 2000, 0};
  DisplayModeRecord quickSwitch{60, 1280, 1024, 0};
  MatchDisplayMode(screenInfo, quickSwitch);
  EXPECT_EQ(FullScreenModeIndex, 3);
  EXPECT_EQ(screenInfo.width, 1920);
  EXPECT_EQ(screenInfo.refreshHz, 60) << "59.94 Hz rounds to 60";
  EXPECT_EQ(ScreenWidth, 1920);
  EXPECT_EQ(ScreenHeight, 1080);
  // A missing quick-switch mode becomes the last 640x480 or 1024x768 mode.
  EXPECT_EQ(quickSwitch.index, 4);
  EXPECT_EQ(quickSwitch.width, 1024);
  EXPECT_EQ(CurrentModeRecord.index, 3);
  // Modes found first in the list (index 0) are kept, not taken for missing ones.
  SetTestDisplayModes(modes, 6, 0);
  DisplayModeRecord first{60, 800, 600, 5};
  DisplayModeRecord firstQuick{60, 800, 600, 5};
  MatchDisplayMode(first, firstQuick);
  EXPECT_EQ(FullScreenModeIndex, 0);
  EXPECT_EQ(first.index, 0);
  EXPECT_EQ(firstQuick.index, 0);
  EXPECT_EQ(firstQuick.width, 800);
  EXPECT_EQ(CurrentModeRecord.index, 0);
  EXPECT_EQ(CurrentModeRecord.width, 800);
  EXPECT_EQ(ScreenWidth, 800);

  const DisplayMode odd[] = {{800, 600, 60, 1}, {1280, 720, 60, 0}};
  SetTestDisplayModes(odd, 2, 0);
  DisplayModeRecord missing{60, 1, 1, 0};
  EXPECT_EQ(PickDefaultDisplayMode(missing), 0) << "without a common mode the first one is taken";
  EXPECT_EQ(missing.width, 800);
  DisplayModeRecord zeroRefresh{0, 1280, 720, 0};
  EXPECT_EQ(FindDisplayMode(zeroRefresh), 1) << "a zero denominator counts as 0 Hz";
}

// A display that lists no modes at all has no default mode: -1, and the record is kept.
TEST(DisplayModeMatch, WithoutAnyModeThereIsNoDefaultMode) {
  const DisplayMode none[] = {{1024, 768, 60, 1}};
  SetTestDisplayModes(none, 0, 0);
  DisplayModeRecord record{75, 1280, 1024, 3};
  EXPECT_EQ(PickDefaultDisplayMode(record), -1);
  EXPECT_EQ(record.refreshHz, 75);
  EXPECT_EQ(record.width, 1280);
  EXPECT_EQ(record.height, 1024);
  EXPECT_EQ(record.index, 3);
}

// What the shell hands the vehicle editor and the other subsystems: the cover picture is taken
// once it is made, and once only; the drive side is bit 0 of option 1, the others kept; the
// gearbox is option 3; a car's engine choice is its 32-byte text, for the 21 cars and no other.
TEST(ShellHooks, TheCoverIsTakenOnceAndThePlayersOptionsAreReadAndSetInTheirPlaces) {
  InstallShellHooks();
  const VehicleEditorShellHooks& s = EditorShellHooks;
  CoverState = COVER_MADE;
  EXPECT_EQ(s.takeCover(), 1);
  EXPECT_EQ(CoverState, COVER_NONE);
  EXPECT_EQ(s.takeCover(), 0) << "taken once";
  CoverState = COVER_TAKING;
  EXPECT_EQ(s.takeCover(), 0) << "still being taken: none made";
  EXPECT_EQ(CoverState, COVER_NONE);

  const PlayerRecord kept = Player;
  Player.options[1] = 0xF0;
  s.driveSideChanged(1);
  EXPECT_EQ(Player.options[1], 0xF1);
  s.driveSideChanged(3);
  EXPECT_EQ(Player.options[1], 0xF1) << "the value's low bit only";
  s.driveSideChanged(0);
  EXPECT_EQ(Player.options[1], 0xF0);
  Player.options[1] = 0x0F;
  s.driveSideChanged(2);
  EXPECT_EQ(Player.options[1], 0x0E);

  Player.options[2] = 7, Player.options[3] = 2, Player.options[4] = 9;
  EXPECT_EQ(PlayerGearbox(), 2);
  EXPECT_EQ(PlayerEngineChoice(0), Player.cars[0].longText);
  EXPECT_EQ(PlayerEngineChoice(20), Player.cars[20].longText);
  EXPECT_EQ(PlayerEngineChoice(21), nullptr);
  EXPECT_EQ(PlayerEngineChoice(-1), nullptr);
  Player = kept;

  ResetTextCommandState();
  SendTypedLine("/horn 3");
  EXPECT_EQ(CommandState.horn, 2) << "a typed line goes in as typed";
  ResetTextCommandState();
}

// The editor's texture export with format 1 goes to the DDS folder; a texture that is only a
// JPG picture is copied as it is, and the line counts it among the JPGs: 0 DDS, 1 JPG.
TEST(ShellHooks, TheTextureExportInFormatOneGoesToTheDdsFolder) {
  const std::filesystem::path previous = std::filesystem::current_path();
  const std::filesystem::path scratch = previous / "app" / "ShellHooks.TextureExport";
  std::filesystem::remove_all(scratch);
  std::filesystem::create_directories(scratch / "data" / "png");
  std::ofstream(scratch / "data" / "png" / "tex.jpg", std::ios::binary) << "not a real picture";
  std::filesystem::current_path(scratch);

  InstallShellHooks();
  ModelObject model;
  model.Init();
  std::snprintf(model.pages[0].name, sizeof model.pages[0].name, "%s", "tex");
  std::vector<HeldReportLine> lines;
  std::vector<HeldReportLine>* kept = HoldReportLines(&lines);
  const int failed = EditorShellHooks.exportTextures(nullptr, &model, nullptr, 1);
  HoldReportLines(kept);
  model.Free();
  std::filesystem::current_path(previous);

  EXPECT_EQ(failed, 0);
  EXPECT_TRUE(std::filesystem::exists(scratch / "data" / "dds_export" / "tex.jpg"));
  EXPECT_FALSE(std::filesystem::exists(scratch / "data" / "png_export"));
  EXPECT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines.empty() ? std::string() : lines[0].text, "Exported 0 .dds and 1 .jpg to dds_export (skip 0 / fail 0)");
  std::filesystem::remove_all(scratch);
}

TEST(TimingServices, NoonOfRaceDateIsMiddayOfTheHotlapDateLessTheTimeZone) {
  HotlapDateTime = FileTimeFromWallTime(WallTime{2026, 3, 14, 23, 59, 58, 0, 0});
  CWld = new Wld;
  WorldTrackPlace.timeZoneHours = 2;
  WallTime noon;
  WallTimeFromFileTime(NoonOfRaceDate(), noon);
  EXPECT_EQ(noon.day, 14);
  EXPECT_EQ(noon.hour, 10);
  EXPECT_EQ(noon.minute, 0);
  DeleteWorld();
  WallTimeFromFileTime(NoonOfRaceDate(), noon);
  EXPECT_EQ(noon.hour, 12) << "without a world the time zone is 0";
  HotlapDateTime = 0;
}

// ---- Screens at rest ----

namespace {

// Runs passes until the fake clock has gone on by ms.
void RunFor(uint32_t ms) {
  const uint32_t start = ClockNowMs();
  while (!QuitFlag && ClockNowMs() - start < ms) AppRunPass();
}

}  // namespace

class RestingPages : public AppHarness {
 protected:
  // A counting screen on top, with the page under test as its only screen: each act of the
  // counter is a drawn frame.
  ProbeProcess* Under(Prss* (*open)(Prss*)) {
    ProbeProcess* counter = OpenProbe(nullptr);
    ReplaceTop(&counter->prss);
    Prss_AddSub(&counter->prss, open(&counter->prss));
    // The first frame, after which start-up makes what it left for later.  No line of the
    // start-up (pictures this folder lacks, the replaced screen) stays to be redrawn until it
    // expires.
    AppRunPass();
    ResetMessages();
    return counter;
  }
};

TEST_F(RestingPages, TheEntryPageDrawsOnceInAQuietMinuteAndAgainOnInput) {
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  ProbeProcess* counter = Under(CreateEntryPage);
  RunFor(60000);
  EXPECT_LE(counter->acts, 2) << "a page that does not change is not drawn again";
  EXPECT_GT(ClockFakeSleptMs(), 59000u) << "the loop slept through the minute";

  const int before = counter->acts;
  PostWindowMessage(MSG_MOUSEMOVE, 0, 0);
  RunPasses(2);
  EXPECT_EQ(counter->acts, before + 1) << "a message draws one frame";

  RequestExit(0, "test over");
  RunPasses(5);
  EXPECT_TRUE(QuitFlag) << "a resting page still closes";
  EXPECT_EQ(AppShutdown(), 0);
}

TEST_F(RestingPages, TheWelcomePagesRestToo) {
  WriteConfigFile("Welcome C 1\n");
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  ProbeProcess* counter = Under(CreateStartScreens);
  RunFor(60000);
  EXPECT_LE(counter->acts, 2);
  RequestExit(0, "test over");
  RunPasses(5);
  EXPECT_TRUE(QuitFlag);
  AppShutdown();
}

TEST_F(RestingPages, AMessageLineIsDrawnWhenItComesAndWhenItGoes) {
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  ProbeProcess* counter = Under(CreateEntryPage);
  RunPasses(2);
  const int before = counter->acts;
  AddMessage("a line that goes after six seconds", TextColours.message, MSG_TARGET_LOCAL);
  RunFor(5900);
  EXPECT_EQ(counter->acts - before, 1) << "the line's first frame, then nothing changes for six seconds";
  EXPECT_EQ(MessageLineCount, 1);
  const uint32_t shownAt = counter->lastActMs;
  RunFor(500);
  EXPECT_EQ(counter->acts - before, 2) << "the frame that shows it gone";
  EXPECT_EQ(MessageLineCount, 0) << "the line expired";
  EXPECT_EQ(counter->lastActMs, shownAt + 6001 + 1) << "woken as the line's time is up, drawn past the limiter";
  RunFor(50000);
  EXPECT_EQ(counter->acts - before, 2) << "then the page rests again";
  AppShutdown();
}

TEST_F(AppHarness, AScreenAtRestDrawsWhileSomethingMovesAndWhenItsAlarmComes) {
  AppForceNoGraphics(1);
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  ProbeProcess* probe = OpenProbe(nullptr);
  probe->clearRedraw = true;
  ReplaceTop(&probe->prss);
  RunFor(2000);
  int acts = probe->acts;
  RunFor(2000);
  ASSERT_EQ(probe->acts, acts) << "at rest";

  // Input draws a frame that shows five more frames of motion: six frames, then rest.
  probe->moveForActs = 5;
  PostWindowMessage(MSG_MOUSEMOVE, 0, 0);
  RunFor(5000);
  EXPECT_EQ(probe->acts, acts + 6);
  EXPECT_EQ(KeepDrawing, 0);

  // A frame that asks to be drawn again in three seconds: the frame, then that one.
  acts = probe->acts;
  probe->alarmAt = ClockNowMs() + 3000;
  PostWindowMessage(MSG_MOUSEMOVE, 0, 0);
  RunFor(2900);
  EXPECT_EQ(probe->acts, acts + 1);
  RunFor(200);
  EXPECT_EQ(probe->acts, acts + 2) << "the alarm came";
  RunFor(10000);
  EXPECT_EQ(probe->acts, acts + 2);
  AppShutdown();
}

TEST_F(AppHarness, AScreenThatNeverClearsTheRequestDrawsEveryPass) {
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  ProbeProcess* probe = OpenProbe(nullptr);
  ReplaceTop(&probe->prss);
  RunFor(1000);
  EXPECT_GE(probe->acts, 30) << "the front end's 25 ms period, not the blink tick";
  AppShutdown();
}

TEST_F(AppHarness, TheProgramRunsWithoutAWorldOnTheWorldsOwnAnswers) {
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  EXPECT_EQ(CWld, nullptr);
  ASSERT_NE(CameraWorldPickHook, nullptr) << "the world installed its answers at start-up";
  EXPECT_EQ(CameraWorldPickHook(ViewCamera), 0);
  ASSERT_NE(WorldSunDirectionHook, nullptr);
  ProbeProcess* probe = OpenProbe(nullptr);
  ReplaceTop(&probe->prss);
  RunFor(500);
  EXPECT_GE(probe->acts, 10) << "frames are drawn";
  EXPECT_EQ(CWld, nullptr);
  AppShutdown();
  EXPECT_EQ(LogTexts().back(), "EXIT");
}

TEST_F(AppHarness, TheFirstPassDrawsAtOnceAndLaterOnesKeepTheFramePeriod) {
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  ProbeProcess* probe = OpenProbe(nullptr);
  ReplaceTop(&probe->prss);
  GameState = 1;  // a front-end page: frames at least 25 ms apart
  const uint64_t before = ClockFakeSleptMs();
  AppRunPass();
  EXPECT_EQ(probe->acts, 1);
  EXPECT_EQ(ClockFakeSleptMs(), before) << "nothing came before the first frame to wait for";
  AppRunPass();
  EXPECT_GE(ClockFakeSleptMs() - before, 20u) << "the second keeps its distance";
  AppShutdown();
}

// A drawn frame's projection follows the screen: x and y scales of 2 / width and 2 / height,
// and a field factor of 0.8695652 / max(width / height, 4 / 3), so that a screen narrower
// than 4:3 keeps the 4:3 field; the interface is clipped to the screen.
TEST_F(AppHarness, TheFrameProjectionFollowsTheScreenAndKeepsTheFourByThreeField) {
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  ProbeProcess* probe = OpenProbe(nullptr);
  ReplaceTop(&probe->prss);
  ViewAreaWidthFraction = ViewAreaHeightFraction = 1.0f;
  const struct {
    int width, height;
    double field;
  } screens[] = {{1600, 900, 0.8695652 / (1600.0 / 900.0)}, {800, 800, 0.8695652 * 0.75}, {600, 800, 0.8695652 * 0.75}};
  for (const auto& screen : screens) {
    ScreenWidth = screen.width;
    ScreenHeight = screen.height;
    ScreenLayoutNeedsSetup = 0;
    RedrawRequested = 1;
    AppRunPass();
    EXPECT_NEAR(Projection.xScale, 2.0 / screen.width, 1e-7) << screen.width;
    EXPECT_NEAR(Projection.yScale, 2.0 / screen.height, 1e-7) << screen.width;
    EXPECT_NEAR(Projection.inverseAspect, double(screen.width) / screen.height, 1e-6) << screen.width;
    EXPECT_NEAR(Projection.fieldFactor, screen.field, 1e-6) << screen.width;
    // The interface is clipped to the whole screen.
    EXPECT_EQ(InterfaceClipRect.left, 0) << screen.width;
    EXPECT_EQ(InterfaceClipRect.top, 0) << screen.width;
    EXPECT_EQ(InterfaceClipRect.right, screen.width);
    EXPECT_EQ(InterfaceClipRect.bottom, screen.height) << screen.width;
  }
  // A frame whose layout is to be set up lays it out for the screen's width and height.
  ScreenWidth = 1600;
  ScreenHeight = 900;
  ScreenLayoutNeedsSetup = 1;
  RedrawRequested = 1;
  AppRunPass();
  EXPECT_EQ(ScreenLayoutNeedsSetup, 0);
  EXPECT_EQ(ScreenLayout.width, 1600);
  EXPECT_EQ(ScreenLayout.height, 900);
  AppShutdown();
}

// A request to refresh the render textures waits for the next drawn frame, which carries it
// out; that frame also clears bit 31 of the screen flags, and no other.  Deferred work (a
// texture reload) does not wait at rest: it draws the next pass, which runs it.
TEST_F(AppHarness, TheRenderTexturesAreRefreshedByTheNextDrawnFrame) {
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  ProbeProcess* probe = OpenProbe(nullptr);
  probe->clearRedraw = true;
  ReplaceTop(&probe->prss);
  RunPasses(3);
  const int acts = probe->acts;
  RenderTexturesNeedRefresh = 1;
  CfgScreenFlags = 1u << 31 | 1u << 30 | 1u;
  RunPasses(2);
  ASSERT_EQ(probe->acts, acts) << "no frame drawn";
  EXPECT_EQ(RenderTexturesNeedRefresh, 1);
  EXPECT_EQ(CfgScreenFlags, 1u << 31 | 1u << 30 | 1u);
  RedrawRequested = 1;
  RunPasses(1);
  ASSERT_EQ(probe->acts, acts + 1);
  EXPECT_EQ(RenderTexturesNeedRefresh, 0);
  EXPECT_EQ(CfgScreenFlags, 1u << 30 | 1u);
  CfgScreenFlags = 0;

  RunPasses(2);
  ASSERT_EQ(probe->acts, acts + 1) << "at rest";
  RequestTextureReload();
  ASSERT_TRUE(DeferredWorkPending());
  RunPasses(1);
  EXPECT_EQ(probe->acts, acts + 2);
  EXPECT_FALSE(DeferredWorkPending());
  AppShutdown();
}

// Without "Min Sleep", away from the front end the limiter lets a frame that ran late go on
// at once; a front-end page always sleeps once, however late its frame.
TEST_F(AppHarness, ALateEditorFrameGoesOnAtOnceWhileAMenuFrameStillSleeps) {
  WriteConfigFile("Max FPS 50\nMin Sleep 0\n");
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  ReplaceTop(&OpenProbe(nullptr)->prss);
  const auto pass = [](int state) {
    GameState = state;
    AppRunPass();
  };
  for (int i = 0; i < 3; ++i) pass(2);
  ClockAdvanceFake(100);  // the frame took 100 ms
  uint64_t slept = ClockFakeSleptMs();
  pass(2);
  EXPECT_EQ(ClockFakeSleptMs() - slept, 0u);
  for (int i = 0; i < 3; ++i) pass(1);
  ClockAdvanceFake(100);
  slept = ClockFakeSleptMs();
  pass(1);
  EXPECT_GE(ClockFakeSleptMs() - slept, 1u);
  AppShutdown();
}

// The pointer is measured from the view's centre in half-widths and half-heights; a view
// without height (or width) is measured from the middle of the screen instead.
TEST_F(AppHarness, ThePointerIsMeasuredFromTheViewsCentreOrTheScreensWhenTheViewIsEmpty) {
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  View* saved = CurrentView;
  View view = *CurrentView;
  view.left = 100, view.right = 300, view.centreX = 200;  // 200 wide
  view.top = 50, view.bottom = 50, view.centreY = 999;    // no height
  CurrentView = &view;
  ScreenWidth = 800;
  ScreenHeight = 600;
  CentreCursorInView();
  EXPECT_EQ(MouseX, 200);
  EXPECT_EQ(MouseY, 300) << "the screen's middle";
  EXPECT_FLOAT_EQ(PointerViewX, 0.0f);
  EXPECT_FLOAT_EQ(PointerViewY, 0.0f);
  // Swapped: a view without width.
  view.left = view.right = 40, view.centreX = 999;
  view.top = 100, view.bottom = 500, view.centreY = 250;
  CentreCursorInView();
  EXPECT_EQ(MouseX, 400);
  EXPECT_EQ(MouseY, 250);
  EXPECT_FLOAT_EQ(PointerViewX, 0.0f);
  EXPECT_FLOAT_EQ(PointerViewY, 0.0f);
  CurrentView = saved;
  AppShutdown();
}

// A screen of no size (a minimised window) and a view of no size: the pointer is measured
// in whole pixels, never divided by nothing, so the centre is still 0, 0.
TEST_F(AppHarness, ThePointerOverAScreenOfNoSizeIsStillMeasuredFromTheCentre) {
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  View* saved = CurrentView;
  View view = *CurrentView;
  view.left = view.right = 40, view.centreX = 999;
  view.top = view.bottom = 50, view.centreY = 999;
  CurrentView = &view;
  ScreenWidth = 0;
  ScreenHeight = 0;
  CentreCursorInView();
  EXPECT_EQ(MouseX, 0);
  EXPECT_EQ(MouseY, 0);
  EXPECT_FLOAT_EQ(PointerViewX, 0.0f);
  EXPECT_FLOAT_EQ(PointerViewY, 0.0f);
  CurrentView = saved;
  AppShutdown();
}

TEST_F(AppHarness, TheShaderCommandReadsTheNamedShadersAgainAndRedrawsTheShine) {
  // The shaders from a folder of the test's own, so that one can go missing.
  std::filesystem::copy(ShaderFolder, "shaders");
  const std::string own = std::filesystem::absolute("shaders").string();
  std::snprintf(ShaderFolder, sizeof ShaderFolder, "%s", own.c_str());
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  Material::SetPShader(1);  // post-processing's "ps_1", compiled when first bound
  ASSERT_TRUE(Shaders.pixel[1]);
  Material::SetPShader(23);  // the interface's plain colour shader, also compiled when first bound
  const GfxPixelShader interfaceShader = Shaders.pixel[23];
  ASSERT_TRUE(interfaceShader);
  std::filesystem::remove("shaders/ps_1.glsl");
  Environment.state = ENVIRONMENT_DRAWN;
  ResetMessages();

  Prss_SendMessage(nullptr, "/rsh postprocess", SOURCE_TYPED);
  EXPECT_FALSE(Shaders.pixel[1]) << "read again: the file is gone";
  bool told = false;
  for (int i = 0; i < MessageLineCount; ++i)
    told |= std::strstr(MessageLines[i].text, "Could not open pixel shader") != nullptr;
  EXPECT_TRUE(told) << "the missing file is said";
  EXPECT_EQ(Shaders.pixel[23], interfaceShader) << "only the named shaders";
  EXPECT_EQ(Environment.state, ENVIRONMENT_TO_DRAW);

  // Without a name every shader is read again.
  std::filesystem::copy_file(std::filesystem::path(std::getenv("ZKT_SOURCE_DIR")) / "bin/shaders2/ps_1.glsl",
                             "shaders/ps_1.glsl");
  Prss_SendMessage(nullptr, "/rsh", SOURCE_TYPED);
  EXPECT_TRUE(Shaders.pixel[1]);
  EXPECT_TRUE(Shaders.pixel[23]);
  RequestExit(0, "test over");
  RunPasses(5);
  AppShutdown();
  UseSourceShaders();
}

// Each drawn pass starts from an empty interface: the entry page's controls are added once
// a frame, never piled on those of the frame before.
TEST_F(AppHarness, EachDrawnPassStartsFromAnEmptyInterface) {
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  RunPasses(3);
  const int buttons = ButtonCount, controls = ValueControlCount;
  ASSERT_GT(controls, 0);
  for (int i = 0; i < 3; ++i) {
    RedrawRequested = 1;
    AppRunPass();
    EXPECT_EQ(ButtonCount, buttons) << i;
    EXPECT_EQ(ValueControlCount, controls) << i;
  }
  AppShutdown();
}

TEST_F(AppHarness, StartUpSetsTheReplayAndLayoutFileNames) {
  for (char* name : {MprPathTemplate, MprSearchTemplate, LayoutPathTemplate, LayoutSearchTemplate}) name[0] = 0;
  AppForceNoGraphics(1);
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  EXPECT_STREQ(MprPathTemplate, "data\\mpr\\%s.mpr");
  EXPECT_STREQ(MprSearchTemplate, "data\\mpr\\*.mpr");
  EXPECT_STREQ(LayoutPathTemplate, "data\\layout\\%s.lyt");
  EXPECT_STREQ(LayoutSearchTemplate, "data\\layout\\%s_*.lyt");
  AppShutdown();
}

TEST_F(AppHarness, StartUpResetsTheCameraAndItsViewMatrix) {
  ViewCamera.position[2] = 3 << 16;
  MatrixRotZ(ViewCamera.orientation, 1000);
  AppForceNoGraphics(1);
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  EXPECT_EQ(ViewCamera.position[2], 0);
  EXPECT_EQ(ViewCamera.orientation.m[0], 0x10000);
  EXPECT_EQ(ViewCamera.viewMatrix.m[1], 0);
  RequestExit(0, "test over");
  RunPasses(5);
  AppShutdown();
}
