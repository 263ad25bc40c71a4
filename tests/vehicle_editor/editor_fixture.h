// editor_fixture.h - the vehicle editor opened in a scratch working folder with a sample
// vehicle of the build loaded, every report caught: lines, boxes, questions (kept to be
// answered), sounds.
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
#include "ui/dialogs.h"
#include "vehicle_data/vehicle_file.h"
#include "vehicle_editor/vehicle_undo.h"

class EditorTest : public ::testing::Test {
 protected:
  struct Caught {
    std::vector<std::string> lines, boxes, questions;
    std::vector<ReportColour> lineColours;  // each line's, in the order said
    std::vector<int> questionModes;  // each question's message box mode, in the order asked
    std::vector<int> sounds;
    QuestionCallback question = nullptr;
    Prss* questionOwner = nullptr;
  };
  static Caught& Reports() {
    static Caught c;
    return c;
  }

  ReportSink saved{};
  VehicleEditor* e = nullptr;

  void SetUp() override {
    Reports() = Caught{};
    ReportSink sink{};
    sink.line = [](const char* text, ReportColour colour, int) {
      Reports().lines.push_back(text);
      Reports().lineColours.push_back(colour);
    };
    sink.box = [](Prss*, const char* first, const char* second) {
      Reports().boxes.push_back(second ? std::string(first) + " " + second : std::string(first));
    };
    sink.question = [](Prss* owner, QuestionCallback callback, const char* first, const char* second, uint32_t,
                       uint32_t, int mode) {
      Reports().questions.push_back(second ? std::string(first) + " / " + second : std::string(first));
      Reports().questionModes.push_back(mode);
      Reports().question = callback;
      Reports().questionOwner = owner;
      return 1;
    };
    sink.sound = [](int index) { Reports().sounds.push_back(index); };
    saved = InstallReportSink(sink);
    namespace fs = std::filesystem;
    const fs::path work = std::getenv("ZKT_WORK_DIR");
    fs::remove_all("data");
    fs::create_directories("data/veh");
    fs::create_directories("data/engine");
    fs::copy_file(work / "data/veh/Runabout.veh", "data/veh/Runabout.veh");
    fs::copy_file(work / "data/engine/DEFAULT.eng", "data/engine/DEFAULT.eng");
    InitSinCosTables();
    InitWheelTables();  // the tyres' patch pressure, as the program's start-up fills it
    FrameSkipped = 1;
    e = VehicleEditor::Create(nullptr);
    ASSERT_EQ(VehicleEditor::LoadVehicleState(*e, "Runabout", -1), 1);
    Reports() = Caught{};
  }
  void TearDown() override {
    if (e) {
      Prss_Terminate(&e->prss);
      EXPECT_EQ(e->prss.act(&e->prss), nullptr);
      e = nullptr;
    }
    InstallReportSink(saved);
  }

  Car& car() { return *e->car; }
  // The vehicle as the history serialises it.
  std::vector<uint8_t> Bytes() {
    std::vector<uint8_t> body;
    EXPECT_EQ(WriteVehicleBody(*e->car, e->vehicleName, 1, body), 1);
    return body;
  }
  // The vehicle's bytes but for the mass written for outside readers: the car's set-up derives
  // it, and an edited car and one built from the same bytes may differ in it.
  std::vector<uint8_t> StoredBytes() {
    const float mass = car().massWithoutOccupants;
    car().massWithoutOccupants = 0;
    std::vector<uint8_t> bytes = Bytes();
    car().massWithoutOccupants = mass;
    return bytes;
  }
  // Confirms the open text prompt (which must be `prompt`) with text, as a user typing it.
  void Type(const char* prompt, const char* text) {
    ASSERT_EQ(OpenTextEntry.open, 1) << prompt;
    EXPECT_STREQ(OpenTextEntry.prompt, prompt);
    ASSERT_EQ(ConfirmTextEntry(text), 1);
  }
  // Answers the last question "yes".
  void AnswerYes() {
    ASSERT_NE(Reports().question, nullptr);
    QuestionCallback callback = Reports().question;
    Reports().question = nullptr;
    callback(Reports().questionOwner, 0, 0);
  }
  static bool Said(const std::vector<std::string>& texts, const std::string& part) {
    for (const std::string& t : texts)
      if (t.find(part) != std::string::npos) return true;
    return false;
  }
  bool SaidLine(const std::string& part) { return Said(Reports().lines, part); }
  // The colour of the newest line holding part; REPORT_ERROR when none does.
  ReportColour LineColour(const std::string& part) {
    for (size_t i = Reports().lines.size(); i-- > 0;)
      if (Reports().lines[i].find(part) != std::string::npos) return Reports().lineColours[i];
    return REPORT_ERROR;
  }
  bool SaidBox(const std::string& part) { return Said(Reports().boxes, part); }
  bool Asked(const std::string& part) { return Said(Reports().questions, part); }
  bool SaidInfo(const std::string& part) { return std::string(e->statusText).find(part) != std::string::npos; }
};
