// history_fixture.h - the vehicle editor's history and screen tests open the screen without a
// parent and without drawing, on the sample vehicle "Runabout" of the build copied into a fresh
// data folder; the report lines are recorded.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/fixed_math.h"
#include "core/frame_globals.h"
#include "core/report.h"
#include "physics/car.h"
#include "render/material.h"
#include "vehicle_data/vehicle_file.h"
#include "vehicle_editor/vehicle_undo.h"

namespace vehicle_editor_test {

inline std::vector<std::string> g_lines;

class History : public ::testing::Test {
 protected:
  ReportSink saved{};
  VehicleEditor* e = nullptr;
  void SetUp() override {
    g_lines.clear();
    ReportSink sink{};
    sink.line = [](const char* text, ReportColour, int) { g_lines.push_back(text); };
    saved = InstallReportSink(sink);
    const char* work = std::getenv("ZKT_WORK_DIR");
    std::filesystem::remove_all("data");
    std::filesystem::create_directories("data/veh");
    std::filesystem::create_directories("data/engine");
    std::filesystem::copy_file(std::filesystem::path(work) / "data/veh/Runabout.veh", "data/veh/Runabout.veh");
    std::filesystem::copy_file(std::filesystem::path(work) / "data/engine/DEFAULT.eng", "data/engine/DEFAULT.eng");
    InitSinCosTables();
    FrameSkipped = 1;
    e = VehicleEditor::Create(nullptr);
  }
  void TearDown() override {
    Close();
    VehicleUndo::FailAllocations = 0;
    FreeAllMaterials();  // the model's page materials, as the program frees them when it ends
    InstallReportSink(saved);
  }
  void Close() {
    if (!e) return;
    Prss_Terminate(&e->prss);
    EXPECT_EQ(e->prss.act(&e->prss), nullptr);
    e = nullptr;
  }
  void Load() { ASSERT_EQ(VehicleEditor::LoadVehicleState(*e, "Runabout", -1), 1); }
  // The vehicle as the history serialises it.
  std::vector<uint8_t> Bytes() {
    std::vector<uint8_t> body;
    EXPECT_EQ(WriteVehicleBody(*e->car, e->vehicleName, 1, body), 1);
    return body;
  }
  void Edit(const char* name, float tank) {
    RecordEdit(name);
    e->car->fuelTankCapacity = tank;
    VehicleEditor::VehicleValueChanged(*e);
  }
  bool SaidLine(const std::string& text) {
    for (const std::string& l : g_lines)
      if (l.find(text) != std::string::npos) return true;
    return false;
  }
};

}  // namespace vehicle_editor_test
