// save_failures_test.cpp - every kind of file the program saves for the user, made to fail
// when it is opened, when it is committed and on a disk that is full: each failure is one
// report that names the file and the system's reason, and nothing half written stays.
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app_harness.h"
#include "core/config.h"
#include "core/fixed_math.h"
#include "core/report.h"
#include "frontend/mod_export.h"
#include "frontend/player_file.h"
#include "model/model_file.h"
#include "physics/car.h"
#include "platform/files.h"
#include "render/screenshot.h"
#include "tests/core/report_recorder.h"
#include "ui/interface_config.h"
#include "vehicle_editor/vehicle_editor.h"
#include "wheel/wheel.h"

namespace {

namespace fs = std::filesystem;

struct Save {
  const char* file;  // as the report names it, as on disk (a part of it for the numbered and exported files)
  std::function<void()> run;
};

// The reports since the recorder started that name the file with the reason, and those that
// name a failed save at all.
bool ToldWithReason(const std::string& file, const std::string& reason) {
  for (const std::string& line : ReportRecorder::Reports().lines)
    if (line.find("Could not ") != std::string::npos && line.find(file) != std::string::npos &&
        line.size() >= reason.size() && line.compare(line.size() - reason.size(), reason.size(), reason) == 0)
      return true;
  return false;
}

// Every save made of the user's files: settings, interface settings, the player file, a vehicle,
// a model, a screenshot (drawn with the next frame), the texture export and a mod export (its
// first file, the vehicle).
std::vector<Save> EverySave(VehicleEditor& e, const std::function<void()>& nextFrame) {
  return {
      {"cfg.txt", [] { SaveConfig(); }},
      {"interface_cfg.txt", [] { WriteInterfaceCfg(); }},
      {"data/misc/Walker.ply", [] { SavePlayerFile(); }},
      {"data/veh/Walk.veh", [&e] { VehicleEditor::SaveVehicleOnly(e, "Walk", 1); }},
      {"data/3dob/walk.qxe", [&e] { SaveModelFile(*e.car->model, nullptr, "data\\3dob\\walk.qxe", 1); }},
      {"data/shots/zkt_", [nextFrame] {
         ScreenshotRequest = 1;
         nextFrame();
       }},
      {"data/png_export/sample_page.png", [] {
         TextureNameList list{};
         list.count = 1;
         std::strcpy(list.names[0], "sample_page");
         ExportModFiles(nullptr, list, 0, 0);
       }},
      {"Runabout~", [&e] {
         ModExportCar = e.car;
         CheckModForExport(nullptr, 0, MOD_SHARE);
         for (int step = 0; step < 100 && ExportMod(); ++step) {
         }
         ModExportCar = nullptr;
       }},
  };
}

// The files every save reads, copied from the build's working folder into folder.
void CopyInputs(const fs::path& folder) {
  const fs::path work = std::getenv("ZKT_WORK_DIR");
  for (const char* sub : {"data/veh", "data/engine", "data/png", "data/misc", "data/3dob", "data/png_export"})
    fs::create_directories(folder / sub);
  fs::copy_file(work / "data/veh/Runabout.veh", folder / "data/veh/Runabout.veh");
  fs::copy_file(work / "data/engine/DEFAULT.eng", folder / "data/engine/DEFAULT.eng");
  fs::copy_file(work / "data/png/sample_page.png", folder / "data/png/sample_page.png");
}

// A real full disk: a 64 KiB file system of its own, filled up, as the working folder of a
// child process (made before the program starts, so that no thread of it is left half-way in
// the child).  Every save but the screenshot, which needs the program's frames, is made there.
// The child's exit code has a bit set for each save (in the order of EverySave) not told with
// the reason; 77 when no mount namespace can be made (it needs root).
int FullDiskSaves() {
  const pid_t child = fork();
  if (child != 0) {
    int status = -1;
    return waitpid(child, &status, 0) == child && WIFEXITED(status) ? WEXITSTATUS(status) : 255;
  }
  const fs::path disk = fs::current_path() / "disk";
  fs::create_directories(disk);
  if (unshare(CLONE_NEWNS) != 0 || mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
      mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=256k") != 0)
    _exit(77);
  CopyInputs(disk);
  fs::current_path(disk);
  InitSinCosTables();
  InitWheelTables();
  SetConfigPath("cfg.txt");
  std::strcpy(CfgPlayerName, "Walker");
  VehicleEditor* e = VehicleEditor::Create(nullptr);
  if (!VehicleEditor::LoadVehicleState(*e, "Runabout", -1)) _exit(254);
  {
    std::ofstream filler("filler", std::ios::binary);
    const std::string block(1024, 'f');
    while (filler.write(block.data(), block.size()) && filler.flush()) {
    }
  }
  ReportRecorder recorder;
  int missed = 0, bit = 1;
  for (const Save& save : EverySave(*e, [] {})) {
    if (std::strcmp(save.file, "data/shots/zkt_") != 0) {
      save.run();
      if (!ToldWithReason(save.file, " : No space left on device")) missed |= bit;
    }
    bit <<= 1;
  }
  _exit(missed);
}

}  // namespace

TEST_F(AppHarness, EverySaveThatFailsIsToldWithItsFileAndTheSystemsReason) {
  const int full = FullDiskSaves();
  if (full == 77) std::printf("no mount namespace here (needs root): the full disk is left out\n");
  else EXPECT_EQ(full, 0) << "a bit for each save (in the order of EverySave) not told on a full disk";

  WriteConfigFile("Next Shot 1\nSS Type 2\n");
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  CopyInputs(".");
  std::strcpy(CfgPlayerName, "Walker");
  VehicleEditor* e = VehicleEditor::Create(nullptr);
  ASSERT_EQ(VehicleEditor::LoadVehicleState(*e, "Runabout", -1), 1);
  const std::vector<Save> saves = EverySave(*e, [this] {
    RedrawRequested = 1;
    RunPasses(1);
  });

  // At the opening of the temporary file (a read-only folder does not stop root) and at the
  // commit (a disk that fills up).
  for (const auto& [inject, reason] : {std::pair<void (*)(int, int), const char*>{FilesInjectBeginFailures, " : Permission denied"},
                                      {FilesInjectCommitFailures, " : No space left on device"}}) {
    for (const Save& save : saves) {
      ReportRecorder recorder;
      inject(1, inject == FilesInjectBeginFailures ? EACCES : ENOSPC);
      save.run();
      FilesInjectBeginFailures(0, 0);
      FilesInjectCommitFailures(0, 0);
      EXPECT_TRUE(ToldWithReason(save.file, reason))
          << save.file << reason << " : " << (ReportRecorder::Reports().lines.empty() ? "" : ReportRecorder::NewestText());
    }
  }
  std::ifstream config("cfg.txt");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(config), {}), "Welcome C 0\nRender HDR 0\nNext Shot 1\nSS Type 2\n")
      << "the old file stays";
  for (const char* file : {"interface_cfg.txt", "data/misc/Walker.ply", "data/veh/Walk.veh", "data/3dob/walk.qxe"})
    EXPECT_FALSE(fs::exists(file)) << file << " : nothing half written";
  EXPECT_TRUE(fs::is_empty("data/shots"));
  EXPECT_TRUE(fs::is_empty("data/png_export"));

  Prss_Terminate(&e->prss);
  e->prss.act(&e->prss);
  RequestExit(0, "test over");
  RunPasses(5);
  AppShutdown();
}
