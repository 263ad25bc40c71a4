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

namespace {

namespace fs = std::filesystem;

struct Save {
  const char* file;  // as the report names it (a part of it for the numbered and exported files)
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
      {"data\\misc\\Walker.ply", [] { SavePlayerFile(); }},
      {"data\\veh\\Walk.veh", [&e] { VehicleEditor::SaveVehicleOnly(e, "Walk", 1); }},
      {"data\\3dob\\walk.qxe", [&e] { SaveModelFile(*e.car->model, nullptr, "data\\3dob\\walk.qxe", 1); }},
      {"data\\shots\\zkt_", [nextFrame] {
         ScreenshotRequest = 1;
         nextFrame();
       }},
      {"data\\png_export\\sample_page.png", [] {
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

}  // namespace

TEST_F(AppHarness, EverySaveThatFailsIsToldWithItsFileAndTheSystemsReason) {
  WriteConfigFile("Next Shot 1\nSS Type 2\n");
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  const fs::path work = std::getenv("ZKT_WORK_DIR");
  for (const char* folder : {"data/veh", "data/engine", "data/png", "data/misc", "data/3dob"}) fs::create_directories(folder);
  fs::copy_file(work / "data/veh/Runabout.veh", "data/veh/Runabout.veh");
  fs::copy_file(work / "data/engine/DEFAULT.eng", "data/engine/DEFAULT.eng");
  fs::copy_file(work / "data/png/sample_page.png", "data/png/sample_page.png");
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
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(config), {}), "Welcome C 0\nRender HDR 0\nNext Shot 1\nSS Type 2\n") << "the old file stays";
  for (const char* file : {"interface_cfg.txt", "data/misc/Walker.ply", "data/veh/Walk.veh", "data/3dob/walk.qxe"})
    EXPECT_FALSE(fs::exists(file)) << file << " : nothing half written";
  EXPECT_TRUE(fs::is_empty("data/shots"));
  EXPECT_FALSE(fs::exists("data/png_export/sample_page.png"));

  // A real full disk: a 64 KiB file system of its own in a child process's mount namespace,
  // filled up, in place of the working folder (the screenshot needs the frames of this one).
  const pid_t child = fork();
  if (child == 0) {
    const fs::path disk = fs::current_path() / "disk";
    fs::create_directories(disk);
    if (unshare(CLONE_NEWNS) != 0 || mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=64k") != 0)
      _exit(77);
    std::error_code error;
    for (const char* folder : {"data/veh", "data/engine", "data/png", "data/misc", "data/3dob", "data/png_export"})
      fs::create_directories(disk / folder, error);
    fs::copy_file("data/png/sample_page.png", disk / "data/png/sample_page.png", error);
    fs::current_path(disk);
    {
      std::ofstream filler("filler", std::ios::binary);
      const std::string block(1024, 'f');
      while (filler.write(block.data(), block.size()) && filler.flush()) {
      }
    }
    ReportRecorder recorder;
    int missed = 0, bit = 1;
    for (const Save& save : saves) {
      if (std::strcmp(save.file, "data\\shots\\zkt_") != 0 && std::strcmp(save.file, "Runabout~") != 0 &&
          !ToldWithReason(save.file, " : No space left on device")) {
        save.run();
        if (!ToldWithReason(save.file, " : No space left on device")) missed |= bit;
      }
      bit <<= 1;
    }
    _exit(missed);
  }
  int status = -1;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 77) {
    std::printf("no mount namespace here (needs root): the full disk is left out\n");
  } else {
    EXPECT_EQ(WEXITSTATUS(status), 0) << "a bit for each save in the order of EverySave not told with the full disk";
  }

  Prss_Terminate(&e->prss);
  e->prss.act(&e->prss);
  RequestExit(0, "test over");
  RunPasses(5);
  AppShutdown();
}
