// file_actions_test.cpp - the vehicle editor's files on the sample "Runabout": frames and
// colour sets written, read back and written again to the same bytes, their normalisations
// and versions, damaged files that change nothing, the saves with their name rules, the
// very-different question and injected write failures, and the prompts of the vehicle pages.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "core/data_file.h"
#include "dashboard/dash_file.h"
#include "model/model_file.h"
#include "model/model_object.h"
#include "platform/files.h"
#include "rim/rim_file.h"
#include "skeleton/skeleton.h"
#include "text/messages.h"
#include "vehicle_data/engine_file.h"
#include "vehicle_data/engine_record.h"
#include "vehicle_data/rim_profile.h"
#include "vehicle_data/wheel_file.h"
#include "tests/vehicle_editor/editor_fixture.h"
#include "ui/dialogs.h"
#include "ui/interface.h"
#include "vehicle_editor/file_actions.h"
#include "vehicle_editor/vehicle_editor.h"

using namespace VehicleUndo;
namespace fs = std::filesystem;

namespace {

std::string Read(const char* path) {
  std::string bytes;
  EXPECT_EQ(FileReadAll(path, bytes, 1 << 28), 0) << path;
  return bytes;
}

void PutInt(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void PutFloat(std::vector<uint8_t>& out, float v) {
  uint32_t bits;
  std::memcpy(&bits, &v, 4);
  PutInt(out, bits);
}
void PutPoint(std::vector<uint8_t>& out, int32_t x, int32_t y, int32_t z, float work, uint16_t flags, uint8_t type) {
  PutInt(out, uint32_t(x));
  PutInt(out, uint32_t(y));
  PutInt(out, uint32_t(z));
  PutFloat(out, work);
  out.push_back(uint8_t(flags));
  out.push_back(uint8_t(flags >> 8));
  out.push_back(type);
  out.push_back(0);
}
void PutTube(std::vector<uint8_t>& out, int16_t a, int16_t b, float value, uint32_t flags) {
  out.push_back(uint8_t(a));
  out.push_back(uint8_t(uint16_t(a) >> 8));
  out.push_back(uint8_t(b));
  out.push_back(uint8_t(uint16_t(b) >> 8));
  PutFloat(out, value);
  PutInt(out, flags);
}
void WriteFile(const char* path, const char* magic, const std::vector<uint8_t>& body, int version) {
  const std::vector<uint8_t> image = DataFileImage(magic, body, version);
  ASSERT_EQ(FileWriteAll(path, image.data(), image.size()), 0);
}

// A frame of three points and three tubes (one with a wheel end).
std::vector<uint8_t> SmallFrame() {
  std::vector<uint8_t> b;
  PutInt(b, 3);
  PutPoint(b, 65536, 0, 0, 3.5f, 0x0005, 0);
  PutPoint(b, 0, 65536, 0, 0.0f, 0, 1);
  PutPoint(b, 0, 0, 65536, 0.0f, 0, 2);
  PutInt(b, 3);
  PutTube(b, 0, 1, 100.0f, 1);
  PutTube(b, 1, 2, 0.1f, 0);
  PutTube(b, 2, -5, 0.03f, 0);
  return b;
}

class Files : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    fs::create_directories("data/frame");
    fs::create_directories("data/colours");
  }
  void TearDown() override {
    FilesInjectCommitFailures(0, 0);
    EditorTest::TearDown();
  }
  // A refused read: the vehicle, the history and the car's set-up count stay.
  template <class Load>
  void ExpectNothingChanged(const char* what, Load load) {
    const std::vector<uint8_t> before = Bytes();
    const int nodes = NumNodes;
    const uint32_t setups = e->carSetups;
    EXPECT_EQ(load(), 0) << what;
    EXPECT_EQ(Bytes(), before) << what;
    EXPECT_EQ(NumNodes, nodes) << what;
    EXPECT_EQ(e->carSetups, setups) << what;
  }
};

TEST_F(Files, AFrameFileReadsBackToTheSameBytesAndTheFrame) {
  ASSERT_EQ(VehicleEditor::SaveFrameFile(*e, "one"), 1);
  const std::string first = Read("data\\frame\\one.frm");
  ASSERT_EQ(first.substr(0, 8), std::string("QXFRM_\x00\xFC", 8));
  const std::vector<uint8_t> vehicle = Bytes();
  VehicleEditor::DeleteFrame(*e);
  ASSERT_EQ(VehicleEditor::LoadFrameFile(*e, "one"), 1);
  EXPECT_STREQ(Slots[NumNodes].name, "load frame");
  EXPECT_EQ(Bytes(), vehicle);
  ASSERT_EQ(VehicleEditor::SaveFrameFile(*e, "two"), 1);
  EXPECT_EQ(Read("data\\frame\\two.frm"), first);
  // Without its folder a frame is saved all the same: the folder is made.
  fs::remove_all("data/frame");
  ASSERT_EQ(VehicleEditor::SaveFrameFile(*e, "three"), 1);
  EXPECT_EQ(Read("data\\frame\\three.frm"), first);
}

TEST_F(Files, AFrameFileIsNormalisedOnReadingAndItsVersionsChecked) {
  WriteFile("data\\frame\\small.frm", "QXFRM_", SmallFrame(), 248);
  ASSERT_EQ(VehicleEditor::LoadFrameFile(*e, "small"), 1);
  ASSERT_EQ(car().framePointCount, 3);
  EXPECT_EQ(car().framePoints[0].work, 0.0f);
  EXPECT_EQ(car().framePoints[0].flags, 4);
  ASSERT_EQ(car().frameTubeCount, 3);
  EXPECT_EQ(car().frameTubes[0].massPerMetre, 40.0f);
  EXPECT_EQ(car().frameTubes[0].flags & 1u, 1u);  // the marker colour bit stays
  EXPECT_EQ(car().frameTubes[1].massPerMetre, 0.5f);
  EXPECT_FLOAT_EQ(car().frameTubes[2].radius, 0.03f);
  EXPECT_EQ(car().frameTubes[2].massPerMetre, 0.0f);
  WriteFile("data\\frame\\old.frm", "QXFRM_", SmallFrame(), 247);
  ExpectNothingChanged("247", [&] { return VehicleEditor::LoadFrameFile(*e, "old"); });
  EXPECT_TRUE(SaidLine("Could not open file : ^Ldata/frame/old.frm"));
  WriteFile("data\\frame\\later.frm", "QXFRM_", SmallFrame(), 253);
  ExpectNothingChanged("253", [&] { return VehicleEditor::LoadFrameFile(*e, "later"); });
  ExpectNothingChanged("missing", [&] { return VehicleEditor::LoadFrameFile(*e, "none"); });
  ExpectNothingChanged("bad name", [&] { return VehicleEditor::LoadFrameFile(*e, "a/b"); });
}

TEST_F(Files, ADamagedFrameFileNamesTheFieldAndChangesNothing) {
  const std::vector<uint8_t> whole = SmallFrame();
  for (size_t cut = 0; cut < whole.size(); ++cut) {
    WriteFile("data\\frame\\cut.frm", "QXFRM_", std::vector<uint8_t>(whole.begin(), whole.begin() + cut), 252);
    ExpectNothingChanged("cut", [&] { return VehicleEditor::LoadFrameFile(*e, "cut"); });
  }
  EXPECT_TRUE(SaidLine("data/frame/cut.frm"));
  std::vector<uint8_t> counts = whole;
  counts[0] = 0xFF;
  WriteFile("data\\frame\\count.frm", "QXFRM_", counts, 252);
  Reports().lines.clear();
  ExpectNothingChanged("count", [&] { return VehicleEditor::LoadFrameFile(*e, "count"); });
  EXPECT_TRUE(SaidLine("frame point count"));
  for (const int16_t end : {int16_t(3), int16_t(-7), int16_t(-32768)}) {
    std::vector<uint8_t> bad = whole;
    const size_t secondTube = 4 + 3 * 20 + 4 + 12;
    bad[secondTube + 2] = uint8_t(end);
    bad[secondTube + 3] = uint8_t(uint16_t(end) >> 8);
    WriteFile("data\\frame\\end.frm", "QXFRM_", bad, 252);
    Reports().lines.clear();
    ExpectNothingChanged("end", [&] { return VehicleEditor::LoadFrameFile(*e, "end"); });
    EXPECT_TRUE(SaidLine("frame tube 1")) << end;
  }
}

TEST_F(Files, AVehicleFileWithATubeEndOutsideTheFrameIsRefused) {
  car().frameTubes[2].b = 40;
  ASSERT_EQ(VehicleEditor::SaveVehicleOnly(*e, "BadEnd", 1), 1);
  car().frameTubes[2].b = 2;
  Reports().lines.clear();
  ExpectNothingChanged("veh", [&] { return VehicleEditor::LoadVehicleState(*e, "BadEnd", -1); });
  EXPECT_TRUE(SaidLine("BadEnd")) << (Reports().lines.empty() ? "" : Reports().lines[0]);
  EXPECT_TRUE(SaidLine("frame tube 2")) << (Reports().lines.empty() ? "" : Reports().lines[0]);
}

TEST_F(Files, AddingAFrameKeepsTheVehiclesTubesAndMovesOnlyPointEnds) {
  WriteFile("data\\frame\\small.frm", "QXFRM_", SmallFrame(), 252);
  const FrameTube firstTube = car().frameTubes[0];
  ASSERT_EQ(car().framePointCount, 8);
  const std::vector<FramePoint> own(car().framePoints, car().framePoints + 8);
  // A point marked in the editor: the added frame leaves no point marked.
  car().framePoints[0].flags |= FRAME_POINT_SELECTED;
  car().framePoints[0].work = 2.0f;
  const uint32_t setups = e->carSetups;
  ASSERT_EQ(VehicleEditor::AddFrameFile(*e, "small"), 1);
  EXPECT_EQ(e->carSetups, setups + 1) << "the car is set up again";
  EXPECT_EQ(car().framePoints[0].flags & FRAME_POINT_SELECTED, 0);
  EXPECT_EQ(car().framePoints[0].work, 0.0f);
  EXPECT_STREQ(Slots[NumNodes].name, "add frame");
  ASSERT_EQ(car().framePointCount, 11);
  ASSERT_EQ(car().frameTubeCount, 10);
  EXPECT_EQ(car().frameTubes[0].a, firstTube.a);
  EXPECT_EQ(car().frameTubes[7].a, 8);
  EXPECT_EQ(car().frameTubes[7].b, 9);
  EXPECT_EQ(car().frameTubes[9].a, 10);
  EXPECT_EQ(car().frameTubes[9].b, -5);
  EXPECT_EQ(car().framePoints[8].x, 65536);
  EXPECT_EQ(car().framePoints[8].flags, 4);
  EXPECT_EQ(car().framePoints[9].y, 65536);
  EXPECT_EQ(car().framePoints[10].z, 65536);
  EXPECT_EQ(car().framePoints[10].type, 2);
  // The vehicle's own eight points stay in front, as they were.
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(car().framePoints[i].x, own[size_t(i)].x) << i;
    EXPECT_EQ(car().framePoints[i].y, own[size_t(i)].y) << i;
    EXPECT_EQ(car().framePoints[i].z, own[size_t(i)].z) << i;
    EXPECT_EQ(car().framePoints[i].type, own[size_t(i)].type) << i;
  }
  // Without points the menu refuses and records nothing.
  while (car().frameTubeCount) {
    e->selection = VehicleSelection{-1, NO_POINT, 0, 0, {}};
    VehicleEditor::TubeAction(e, 0, 0);
  }
  VehicleEditor::DeleteFrame(*e);
  while (car().framePointCount) {
    e->selection.selectedPoint = 0;
    VehicleEditor::DeleteSelected(*e);
  }
  VehicleEditor::FileAction(e, 0, 13);
  EXPECT_TRUE(SaidBox("No points in frame - use LOAD frame function instead"));
  Reports() = Caught{};
  ExpectNothingChanged("empty", [&] { return VehicleEditor::AddFrameFile(*e, "small"); });
  EXPECT_TRUE(SaidBox("No points in frame - use LOAD frame function instead")) << "a name typed straight";
}

// A tube of the added frame that ends at the file's first point (number 0) has that end moved
// past the vehicle's eight points too: from 1 to 0 in the file, from 9 to 8 in the vehicle.
TEST_F(Files, AnAddedFramesTubeToItsFirstPointIsMovedPastTheVehiclesPoints) {
  std::vector<uint8_t> b;
  PutInt(b, 2);
  PutPoint(b, 65536, 0, 0, 0.0f, 0, 0);
  PutPoint(b, 0, 65536, 0, 0.0f, 0, 1);
  PutInt(b, 1);
  PutTube(b, 1, 0, 1.0f, 0);
  WriteFile("data\\frame\\back.frm", "QXFRM_", b, 252);
  ASSERT_EQ(car().framePointCount, 8);
  const int tubes = car().frameTubeCount;
  ASSERT_EQ(VehicleEditor::AddFrameFile(*e, "back"), 1);
  ASSERT_EQ(car().framePointCount, 10);
  ASSERT_EQ(car().frameTubeCount, tubes + 1);
  EXPECT_EQ(car().frameTubes[tubes].a, 9);
  EXPECT_EQ(car().frameTubes[tubes].b, 8);
}

std::vector<uint8_t> ColourSetBody(uint32_t count, bool lights) {
  std::vector<uint8_t> b;
  PutInt(b, count);
  for (uint32_t i = 0; i < count; ++i) {
    for (int c = 0; c < 16; ++c) b.push_back(uint8_t('a' + c));  // 16 characters, no zero
    for (int w = 0; w < 8; ++w) PutInt(b, 0xFF050AC8u);          // 200, 10, 5 and a fourth byte
  }
  if (lights) {
    PutInt(b, 8);
    for (int w = 0; w < 8; ++w) PutInt(b, 0x00112233u + w);
  }
  return b;
}

TEST_F(Files, AColourSetReadsBackToTheSameBytesWithItsNormalisations) {
  fs::remove_all("data/colours");  // the save makes its folder
  ASSERT_EQ(VehicleEditor::SaveAllColours(*e, "all"), 1);
  const std::string first = Read("data\\colours\\all.all");
  ASSERT_EQ(VehicleEditor::LoadAllColours(*e, "all"), 1);
  EXPECT_STREQ(Slots[NumNodes].name, "load all colours");
  ASSERT_EQ(VehicleEditor::SaveAllColours(*e, "again"), 1);
  EXPECT_EQ(Read("data\\colours\\again.all"), first);
  // The file ends with the light block: its count, 8, and the eight light colours.
  ASSERT_GE(first.size(), 36u);
  const auto intAt = [&](size_t at) {
    uint32_t v = 0;
    for (int k = 3; k >= 0; --k) v = v << 8 | uint8_t(first[at + size_t(k)]);
    return v;
  };
  const size_t lights = first.size() - 36;
  EXPECT_EQ(intAt(lights), 8u);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(intAt(lights + 4 + 4 * size_t(i)), uint32_t(car().colours[i])) << i;

  ASSERT_EQ(car().colourConfigCount, 3);
  const ColourSet third = car().colourConfigs[2];
  WriteFile("data\\colours\\raw.all", "ZKTALL", ColourSetBody(2, true), 248);
  ASSERT_EQ(VehicleEditor::LoadAllColours(*e, "raw"), 1);
  ASSERT_EQ(car().colourConfigCount, 2);
  EXPECT_EQ(std::memcmp(&car().colourConfigs[2], &third, sizeof third), 0) << "only the two read are copied";
  EXPECT_STREQ(car().colourConfigs[1].name, "abcdefghijklmno");
  EXPECT_EQ(car().colourConfigs[1].groups[1][3], RgbWord(160, 10, 10));
  EXPECT_EQ(car().colours[7], 0x00112233u + 7);
  EXPECT_EQ(car().colourIndex, 0);
  EXPECT_EQ(std::memcmp(&car().currentColours, &car().colourConfigs[0], sizeof(ColourSet)), 0);
  // An older file without the light block keeps the lights.
  WriteFile("data\\colours\\old.all", "ZKTALL", ColourSetBody(1, false), 252);
  ASSERT_EQ(VehicleEditor::LoadAllColours(*e, "old"), 1);
  EXPECT_TRUE(SaidLine("Loaded mesh colours but could not load light colours (old version)"));
  EXPECT_EQ(car().colourConfigCount, 1);
  EXPECT_EQ(car().colours[7], 0x00112233u + 7);
  // Nine configurations, the most a vehicle holds, all load.
  WriteFile("data\\colours\\nine.all", "ZKTALL", ColourSetBody(9, true), 252);
  ASSERT_EQ(VehicleEditor::LoadAllColours(*e, "nine"), 1);
  EXPECT_EQ(car().colourConfigCount, 9);
  EXPECT_STREQ(car().colourConfigs[8].name, "abcdefghijklmno");
  EXPECT_EQ(car().colourConfigs[8].groups[1][3], RgbWord(160, 10, 10));
}

TEST_F(Files, ADamagedColourSetChangesNothingAndNamesThePathThenTheField) {
  // Ten whole configurations are one more than a vehicle holds.
  for (const uint32_t count : {0u, 10u, 0xFFFFFFFFu}) {
    std::vector<uint8_t> body = ColourSetBody(count == 10 ? 10 : 1, true);
    body[0] = uint8_t(count);
    body[1] = uint8_t(count >> 8);
    body[2] = uint8_t(count >> 16);
    body[3] = uint8_t(count >> 24);
    WriteFile("data\\colours\\count.all", "ZKTALL", body, 252);
    Reports().lines.clear();
    ExpectNothingChanged("count", [&] { return VehicleEditor::LoadAllColours(*e, "count"); });
    // The whole line: the file's path in the highlight, then the field that was wrong.
    ASSERT_EQ(Reports().lines.size(), 1u) << count;
    EXPECT_EQ(Reports().lines[0], "File is damaged : ^Ldata/colours/count.all^8 - colour configuration count") << count;
  }
  const std::vector<uint8_t> whole = ColourSetBody(2, true);
  for (size_t cut = 0; cut < whole.size(); ++cut) {
    // Cut just after the configurations, the file is an older one: it loads.
    if (cut == 4 + 2 * 48) continue;
    WriteFile("data\\colours\\cut.all", "ZKTALL", std::vector<uint8_t>(whole.begin(), whole.begin() + cut), 252);
    ExpectNothingChanged("cut", [&] { return VehicleEditor::LoadAllColours(*e, "cut"); });
  }
  WriteFile("data\\colours\\old.all", "ZKTALL", whole, 247);
  ExpectNothingChanged("247", [&] { return VehicleEditor::LoadAllColours(*e, "old"); });
}

// With no vehicle in the editor the file menu's four saves (words 3 to 6) ask for no name.
TEST_F(Files, WithNoVehicleTheSavesAskForNoName) {
  Car* const kept = e->car;
  e->car = nullptr;
  ASSERT_EQ(OpenTextEntry.open, 0);
  for (uintptr_t word = 3; word <= 6; ++word) {
    VehicleEditor::FileAction(e, 0, word);
    EXPECT_EQ(OpenTextEntry.open, 0) << word;
  }
  e->car = kept;
}

TEST_F(Files, SavesReadBackToTheSameBytesAndFollowTheNameRules) {
  char code[5] = {};
  std::memcpy(code, car().modelCode, 4);
  const std::string vob = std::string("data\\veh\\") + code + ".vob";
  car().fuelTankCapacity = 33.0f;
  e->selection.saved = 0;
  ASSERT_EQ(VehicleEditor::SaveVehicleAndVob(*e, "Mine"), 1);
  // A save that succeeded names each file it wrote, as on disk, in light green.
  const auto lastLine = [] { return std::make_pair(Reports().lines.back(), Reports().lineColours.back()); };
  EXPECT_EQ(lastLine(), std::make_pair("Saved ^Ldata/veh/Mine.veh^8 and ^Ldata/veh/" + std::string(code) + ".vob",
                                       REPORT_SUCCESS));
  EXPECT_EQ(e->selection.saved, 1);
  EXPECT_STREQ(e->vehicleName, "Mine");
  EXPECT_STREQ(car().vehicleName, "Mine");
  const std::string veh = Read("data\\veh\\Mine.veh"), model = Read(vob.c_str());
  ASSERT_EQ(VehicleEditor::LoadVehicleState(*e, "Mine", -1), 1);
  ASSERT_EQ(VehicleEditor::SaveVehicleAndVob(*e, "Mine"), 1);
  EXPECT_EQ(Read("data\\veh\\Mine.veh"), veh);
  EXPECT_EQ(Read(vob.c_str()), model);
  // "VEH only" beside its model, and "SAVE" with the model inside.
  ASSERT_EQ(VehicleEditor::SaveVehicleOnly(*e, "Only", 0), 1);
  ASSERT_EQ(VehicleEditor::LoadVehicleState(*e, "Only", -1), 1);
  const std::string only = Read("data\\veh\\Only.veh");
  ASSERT_EQ(VehicleEditor::SaveVehicleOnly(*e, "Only", 0), 1);
  EXPECT_EQ(Read("data\\veh\\Only.veh"), only);
  ASSERT_EQ(VehicleEditor::SaveVehicleOnly(*e, "ONLY", 0), 1);
  EXPECT_EQ(lastLine(), std::make_pair(std::string("Saved ^Ldata/veh/Only.veh"), REPORT_SUCCESS))
      << "the file the other spelling wrote over";
  ASSERT_EQ(VehicleEditor::SaveVobOnly(*e, "ZQ"), 1);
  EXPECT_EQ(lastLine(), std::make_pair(std::string("Saved ^Ldata/veh/ZQ.vob"), REPORT_SUCCESS));
  std::memcpy(car().modelCode, code, 4);
  // "SAVE" of the vehicle read from the file of its name (a stored model takes the name).
  ASSERT_EQ(VehicleEditor::LoadVehicleState(*e, "Runabout", -1), 1);
  ASSERT_EQ(VehicleEditor::SaveVehicleOnly(*e, "Runabout", 1), 1);
  const std::string inside = Read("data\\veh\\Runabout.veh");
  ASSERT_EQ(VehicleEditor::LoadVehicleState(*e, "Runabout", -1), 1);
  ASSERT_EQ(VehicleEditor::SaveVehicleOnly(*e, "Runabout", 1), 1);
  EXPECT_EQ(Read("data\\veh\\Runabout.veh"), inside);
  EXPECT_GT(inside.size(), only.size());
  // Saved under another name, the stored model takes that name in the file only.
  const std::string modelName(car().model->name);
  ASSERT_EQ(VehicleEditor::SaveVehicleOnly(*e, "Inside", 1), 1);
  EXPECT_EQ(std::string(car().model->name), modelName);

  EXPECT_EQ(VehicleEditor::SaveVehicleOnly(*e, "a", 1), 0);
  EXPECT_TRUE(SaidBox("VEH name must contain at least two characters"));
  EXPECT_EQ(VehicleEditor::SaveVehicleOnly(*e, "ab", 1), 1) << "two characters are enough";
  EXPECT_TRUE(fs::exists("data/veh/ab.veh"));
  // Every other refusal says why.  A name longer than the 31 characters the file holds is
  // refused, not cut: the file's name and the name in it never differ.
  const std::string longName(55, 'L');
  const std::pair<std::string, std::string> refused[] = {
      {"../x", "Invalid file name : ../x holds \"/\", which no file name may hold"},
      {longName, "Invalid file name : " + longName + " is longer than 31 characters"},  // named whole
      {"caf\xE9", "Invalid file name : caf\xE9 is not valid UTF-8"},
      {"a*b", "Invalid file name : a*b holds \"*\", which no file name may hold"},
      {"a..b", "Invalid file name : a..b holds \"..\""},
  };
  for (const auto& [name, said] : refused) {
    Reports() = Caught{};
    EXPECT_EQ(VehicleEditor::SaveVehicleAndVob(*e, name.c_str()), 0) << name;
    EXPECT_EQ(Reports().boxes, std::vector<std::string>{said}) << name;
  }
  EXPECT_FALSE(fs::exists("data/x.veh"));
  EXPECT_EQ(VehicleEditor::SaveVobOnly(*e, "ABC"), 0);
  EXPECT_TRUE(SaidBox("VOB name must be two characters in length"));
  Reports() = Caught{};
  EXPECT_EQ(VehicleEditor::SaveVobOnly(*e, ".."), 0);  // two characters, but the folder above
  EXPECT_TRUE(SaidBox("Invalid file name : .. is \"..\""));
  // The two name buttons rename nothing: each says which save sets its name.
  Reports() = Caught{};
  VehicleEditor::FileAction(e, 0, 0);
  VehicleEditor::FileAction(e, 0, 1);
  ASSERT_EQ(Reports().boxes.size(), 2u);
  EXPECT_EQ(Reports().boxes[0], "Click 'save VEH' to change the vehicle's name");
  EXPECT_EQ(Reports().boxes[1], "Click 'save VOB' to set VOB name");
  fs::remove(PathToNative(vob.c_str()));
  VehicleEditor::FileAction(e, 0, 4);
  EXPECT_TRUE(SaidBox(std::string("Can't save VEH only - ") + code + ".vob was not found"));
  // Without a model code there is no VOB name to save both under.
  std::memset(car().modelCode, 0, sizeof car().modelCode);
  Reports() = Caught{};
  EXPECT_EQ(VehicleEditor::SaveVehicleAndVob(*e, "Coded"), 0);
  EXPECT_TRUE(SaidBox("Click 'save VOB' to set VOB name"));
  EXPECT_FALSE(fs::exists("data/veh/Coded.veh"));
}

// A vehicle without its model has no VOB to write: saving both is refused with a box naming
// the vehicle, and no file is written.
TEST_F(Files, SavingBothWithoutAModelIsRefusedWithABoxNamingTheVehicle) {
  ModelObject* const model = car().model;
  car().model = nullptr;
  Reports() = Caught{};
  EXPECT_EQ(VehicleEditor::SaveVehicleAndVob(*e, "NoModel"), 0);
  car().model = model;
  ASSERT_EQ(Reports().boxes.size(), 1u);
  EXPECT_EQ(Reports().boxes[0], "Could not write file : NoModel");
  EXPECT_FALSE(fs::exists("data/veh/NoModel.veh"));
}

TEST_F(Files, AFailedWriteAtAnyStepKeepsTheOldFilesTheNameAndTheMarks) {
  ASSERT_EQ(VehicleEditor::SaveVehicleAndVob(*e, "Kept"), 1);
  char code[5] = {};
  std::memcpy(code, car().modelCode, 4);
  const std::string vob = std::string("data\\veh\\") + code + ".vob";
  const std::string veh = Read("data\\veh\\Kept.veh"), model = Read(vob.c_str());
  car().fuelTankCapacity = 41.0f;
  car().model->points[0].x += 65536;
  e->selection.saved = 0;
  for (int step = 0; step < 2; ++step) {
    std::snprintf(e->vehicleName, sizeof e->vehicleName, "Before");
    std::snprintf(car().vehicleName, sizeof car().vehicleName, "Before");
    FilesInjectCommitFailuresAfter(step, 1, ENOSPC);
    Reports().lines.clear();
    EXPECT_EQ(VehicleEditor::SaveVehicleAndVob(*e, "Kept"), 0) << step;
    EXPECT_TRUE(SaidLine(step == 0 ? "Kept.veh" : code)) << step;
    EXPECT_EQ(Read("data\\veh\\Kept.veh"), veh) << step;
    EXPECT_EQ(Read(vob.c_str()), model) << step;
    EXPECT_STREQ(e->vehicleName, "Before");
    EXPECT_STREQ(car().vehicleName, "Before");
    EXPECT_EQ(e->selection.saved, 0);
  }
  FilesInjectCommitFailures(1, EIO);
  EXPECT_EQ(VehicleEditor::SaveVehicleOnly(*e, "Kept", 1), 0);
  EXPECT_EQ(Read("data\\veh\\Kept.veh"), veh);
  EXPECT_EQ(e->selection.saved, 0);
  EXPECT_FALSE(fs::exists("data/veh/Fresh.veh"));
  FilesInjectCommitFailuresAfter(1, 1, ENOSPC);
  EXPECT_EQ(VehicleEditor::SaveVehicleAndVob(*e, "Fresh"), 0);
  EXPECT_FALSE(fs::exists("data/veh/Fresh.veh"));  // a new file is taken back too
}

TEST_F(Files, AFailedFrameOrColourSetSaveKeepsTheOldFile) {
  ASSERT_EQ(VehicleEditor::SaveFrameFile(*e, "kept"), 1);
  ASSERT_EQ(VehicleEditor::SaveAllColours(*e, "kept"), 1);
  ASSERT_GE(Reports().lines.size(), 2u);
  EXPECT_EQ(std::vector<std::string>(Reports().lines.end() - 2, Reports().lines.end()),
            (std::vector<std::string>{"Saved ^Ldata/frame/kept.frm", "Saved ^Ldata/colours/kept.all"}));
  const std::string frame = Read("data\\frame\\kept.frm"), colours = Read("data\\colours\\kept.all");
  VehicleEditor::DeleteFrame(*e);
  car().colourConfigCount = 1;
  FilesInjectCommitFailures(2, ENOSPC);
  Reports().lines.clear();
  EXPECT_EQ(VehicleEditor::SaveFrameFile(*e, "kept"), 0);
  EXPECT_EQ(VehicleEditor::SaveAllColours(*e, "kept"), 0);
  EXPECT_TRUE(SaidLine("Could not write file : ^Ldata/frame/kept.frm"));
  EXPECT_TRUE(SaidLine("Could not write file : ^Ldata/colours/kept.all"));
  EXPECT_FALSE(SaidLine("Saved"));
  EXPECT_EQ(Read("data\\frame\\kept.frm"), frame);
  EXPECT_EQ(Read("data\\colours\\kept.all"), colours);
}

TEST_F(Files, AVeryDifferentModelIsAskedAboutByTheHalfCountRule) {
  ModelObject& m = *car().model;
  ASSERT_GT(m.pointCount, 3);
  EXPECT_EQ(VehicleEditor::IsVeryDifferentVob(*e, "ZZ"), 0);  // no file
  ASSERT_EQ(SaveModelFile(m, nullptr, "data\\veh\\ZZ.vob", 1), 1);
  EXPECT_EQ(VehicleEditor::IsVeryDifferentVob(*e, "ZZ"), 0);
  // Half the file's points found: not different; one fewer: different.
  std::vector<IntVector> file, model;
  CollectModelPoints(m, model);
  for (size_t i = 0; i < 10; ++i) file.push_back(IntVector{int32_t(i), 7, 7});
  for (size_t i = 0; i < 5; ++i) file[i] = model[i];
  EXPECT_EQ(EnoughPointsShared(file, model), 1);
  file[4] = IntVector{-1, -1, -1};
  EXPECT_EQ(EnoughPointsShared(file, model), 0);
  EXPECT_EQ(EnoughPointsShared({}, model), 0);
  ModelObject empty{};
  empty.Init();
  ASSERT_EQ(SaveModelFile(empty, nullptr, "data\\veh\\EM.vob", 1), 1);
  empty.Free();
  EXPECT_EQ(VehicleEditor::IsVeryDifferentVob(*e, "EM"), 1);
  // Saving over it asks first; yes saves and takes the name as the vehicle's model code.
  const std::string before = Read("data\\veh\\EM.vob");
  EXPECT_EQ(VehicleEditor::SaveVobOnly(*e, "em"), 0);
  ASSERT_TRUE(Asked("A VERY DIFFERENT object file em.vob already exists / Overwrite ^1DIFFERENT^8 file named ^1em.vob^8?"));
  EXPECT_EQ(Read("data\\veh\\EM.vob"), before);
  AnswerYes();
  EXPECT_NE(Read("data\\veh\\EM.vob"), before);
  EXPECT_STREQ(car().modelCode, "EM");
  // Any other name takes over the code, the one just below it too ("el": one letter before).
  EXPECT_EQ(VehicleEditor::SaveVobOnly(*e, "el"), 1);
  EXPECT_STREQ(car().modelCode, "EL");
}

TEST_F(Files, UnsavedWorkFollowsTheSavedState) {
  car().fuelTankCapacity = 12.0f;
  RecordEdit("fuel");
  const std::vector<uint8_t> unsaved = Bytes();
  EXPECT_EQ(e->selection.saved, 0);
  VehicleEditor::FileAction(e, 0, 2);
  Type("Enter name of vehicle to LOAD", "Runabout");
  EXPECT_STREQ(Slots[NumNodes].name, "load Runabout");
  UndoEdit(*e);
  EXPECT_EQ(Bytes(), unsaved);
  EXPECT_EQ(e->selection.saved, 0);
  VehicleEditor::FileAction(e, 0, 6);
  Type("Name of vehicle to SAVE", "Runabout2");
  EXPECT_EQ(e->selection.saved, 1);
  // An edit and an undo back to the saved point.
  RecordEdit("tank");
  car().fuelTankCapacity = 20.0f;
  EXPECT_EQ(e->selection.saved, 0);
  UndoEdit(*e);
  EXPECT_EQ(e->selection.saved, 1);
  // Saved: Esc ends the editor at once.
  VehicleEditor::Key(&e->prss, 27);
  EXPECT_EQ(e->prss.alive, 0);
}

// The file row as one frame of the screen adds it: the name box's text and whether "SAVE" is
// there.
struct FileRow {
  std::string name;
  const InterfaceButton* save = nullptr;
};
FileRow AddFileRow(VehicleEditor* e) {
  ClearInterface();
  FrameSkipped = 0;
  VehicleEditor::ScreenAction(&e->prss);
  FrameSkipped = 1;
  FileRow row;
  for (int i = 0; i < ButtonCount; ++i) {
    const InterfaceButton& b = InterfaceButtons[i];
    if (b.hint && std::string(b.hint) == "The vehicle's file name") row.name = b.text.text;
    if (b.handler == VehicleEditor::FileAction && b.word == 6) row.save = &b;
  }
  return row;
}

TEST_F(Files, TheFileRowMarksUnsavedWorkAndItsSaveButtonSaves) {
  FileRow row = AddFileRow(e);
  EXPECT_EQ(row.name, "Runabout");
  ASSERT_NE(row.save, nullptr);
  RecordEdit("tank");
  car().fuelTankCapacity = 30.0f;
  EXPECT_EQ(AddFileRow(e).name, "Runabout^1*");
  // A click on "SAVE" runs its handler with its word: the prompt, then the save.
  row = AddFileRow(e);
  row.save->handler(row.save->owner, 1, row.save->word);
  Type("Name of vehicle to SAVE", "Saved");
  EXPECT_EQ(AddFileRow(e).name, "Saved");
  EXPECT_TRUE(fs::exists("data/veh/Saved.veh"));
  ClearInterface();
}

// The steering animation's row holds the name after "str_": the prefix goes only where the
// name begins with it, and a name the row cannot hold whole is refused with the reason.  The
// picker lists the steering animations alone.
TEST_F(Files, ThePromptsOfTheVehiclePages) {
  const uint32_t setups = e->carSetups;
  EXPECT_EQ(VehicleEditor::SetSteeringAnimation(*e, "str_abcdefg"), 1);
  EXPECT_EQ(e->carSetups, setups + 1) << "the car is set up again for its seats";
  EXPECT_EQ(std::string(car().steerAnimation, 8), std::string("abcdefg\0", 8));
  EXPECT_STREQ(Slots[NumNodes].name, "set animation name");
  EXPECT_EQ(VehicleEditor::SetSteeringAnimation(*e, "str_"), 1);
  EXPECT_EQ(car().steerAnimation[0], 0);
  EXPECT_EQ(VehicleEditor::SetSteeringAnimation(*e, "str_str_ab"), 1);
  EXPECT_STREQ(car().steerAnimation, "ab") << "a whole name typed after the kept prefix";
  EXPECT_EQ(VehicleEditor::SetSteeringAnimation(*e, "STR_a"), 1);
  EXPECT_STREQ(car().steerAnimation, "a") << "one character past the prefix is a name";
  const int nodes = NumNodes;
  const std::pair<const char*, const char*> refused[] = {
      {"UVanim", "Not a steering animation : UVanim does not begin with \"str_\""},
      {"sit_abc", "Not a steering animation : sit_abc does not begin with \"str_\""},
      {"str_abcdefgh", "Steering animation name too long : str_abcdefgh has more than 7 characters after \"str_\""},
      {"str_str_abcdefgh", "Steering animation name too long : str_abcdefgh has more than 7 characters after \"str_\""},
      {"str_\xC3\xA9t\xC3\xA9", "Animation file name must be ASCII (e.g. 0-9 A-Z a-z) : str_\xC3\xA9t\xC3\xA9 is not ASCII"},
      {"str_a\x80", "Animation file name must be ASCII (e.g. 0-9 A-Z a-z) : str_a\x80 is not valid UTF-8"},
      {"str_a/b", "Animation file name must be ASCII (e.g. 0-9 A-Z a-z) : str_a/b holds \"/\", which no file name may "
                  "hold"},
  };
  for (const auto& [name, said] : refused) {
    Reports() = Caught{};
    EXPECT_EQ(VehicleEditor::SetSteeringAnimation(*e, name), 0) << name;
    EXPECT_EQ(Reports().boxes, std::vector<std::string>{said}) << name;
    EXPECT_STREQ(car().steerAnimation, "a") << name;
    EXPECT_EQ(NumNodes, nodes) << name;
  }
  fs::create_directories("data/move");
  for (const char* file : {"str_one.ban", "sit_one.ban", "UVanim.ban", "str_two.ban"}) std::ofstream("data/move/" + std::string(file));
  VehicleEditor::AskSteeringAnimation(e, 0, 0);
  ASSERT_EQ(OpenTextEntry.open, 1);
  std::vector<std::string> listed;
  for (int i = 0; i < TextEntryDialogSub.pick.count; ++i) listed.push_back(TextEntryDialogSub.pick.entries[i].name);
  std::sort(listed.begin(), listed.end());
  EXPECT_EQ(listed, (std::vector<std::string>{"str_one", "str_two"}));
  Type("Select a steering animation", "two");  // after the "str_" that stays
  EXPECT_STREQ(car().steerAnimation, "two");
  VehicleEditor::AskSteeringAnimation(e, 0, 0);
  Type("Select a steering animation", "str_three");  // the whole name typed after it
  EXPECT_STREQ(car().steerAnimation, "three");

  EXPECT_EQ(VehicleEditor::SetSkinId(*e, "ab1"), 1);
  EXPECT_STREQ(car().shortName, "AB1");
  EXPECT_STREQ(Slots[NumNodes].name, "set official Skin ID");
  EXPECT_EQ(VehicleEditor::SetSkinId(*e, "ab12"), 0);
  EXPECT_TRUE(SaidBox("Skin ID must have either 3 or 6 characters"));
  // A refused six-character id: the box tells how a mod's id is made, then what is wrong.
  const std::string how =
      "A mod's 6-character Skin ID is the hexadecimal number given to the mod when it is registered for sharing";
  EXPECT_EQ(VehicleEditor::SetSkinId(*e, "00zz00"), 0);
  ASSERT_FALSE(Reports().boxes.empty());
  EXPECT_EQ(Reports().boxes.back(), how + " Skin ID should be a hexadecimal number");
  EXPECT_EQ(VehicleEditor::SetSkinId(*e, "0000FF"), 0);
  EXPECT_EQ(VehicleEditor::SetSkinId(*e, "303132"), 0);  // reads as the letters "210"
  EXPECT_EQ(Reports().boxes.back(), how + " Invalid Skin ID");
  EXPECT_STREQ(car().shortName, "AB1");
  EditorShellHooks.checkVehicleSkins = [](const Car&) { return 2; };
  EXPECT_EQ(VehicleEditor::SetSkinId(*e, "a1b2c3"), 1);
  EditorShellHooks.checkVehicleSkins = nullptr;
  EXPECT_STREQ(car().shortName, "A1B2C3");
  EXPECT_STREQ(Slots[NumNodes].name, "set mod Skin ID");
  // The missing skins' box gives its two texts on two lines.
  const auto shownBox = [this](const char* first) {
    EXPECT_EQ(e->prss.sub, &MessageBoxDialog.prss);
    EXPECT_EQ(MessageBoxDialog.mode, MESSAGE_TWO_LINES);
    EXPECT_STREQ(MessageBoxDialog.first, first);
    EXPECT_STREQ(MessageBoxDialog.second, "Press H to see them in the message history");
    ResetDialogs();
    e->prss.sub = nullptr;
  };
  shownBox("Skin ID is set but 2 default skins were not found");
  EditorShellHooks.checkVehicleSkins = [](const Car&) { return 1; };
  EXPECT_EQ(VehicleEditor::SetSkinId(*e, "c3b2a1"), 1);
  EditorShellHooks.checkVehicleSkins = nullptr;
  shownBox("Skin ID is set but the default skin was not found");
  // The highest six digits, three bytes of 0xFF, are a mod's id too.
  EXPECT_EQ(VehicleEditor::SetSkinId(*e, "ffffff"), 1);
  EXPECT_STREQ(car().shortName, "FFFFFF");

  char folder[128] = "";
  EditorShellHooks.testExportFolder = folder;
  EditorShellHooks.testExportFolderSize = sizeof folder;
  EXPECT_EQ(VehicleEditor::SetTestExportFolder(*e, "no/such/folder"), 0);
  EXPECT_STREQ(folder, "");
  EXPECT_TRUE(SaidBox("Folder not found : no/such/folder")) << "the box names the folder it did not find";
  EXPECT_EQ(VehicleEditor::SetTestExportFolder(*e, "data"), 1);
  EXPECT_STREQ(folder, "data");
  // A name as long as the buffer leaves no room for its end: refused, the folder kept.
  EditorShellHooks.testExportFolderSize = 4;
  EXPECT_EQ(VehicleEditor::SetTestExportFolder(*e, "data"), 0);
  EditorShellHooks.testExportFolderSize = 5;
  EXPECT_EQ(VehicleEditor::SetTestExportFolder(*e, "data"), 1);
  EXPECT_STREQ(folder, "data");
  folder[0] = 'x';
  EditorShellHooks.testExportFolderSize = 4;
  EXPECT_EQ(VehicleEditor::SetTestExportFolder(*e, "data"), 0);
  EXPECT_EQ(folder[0], 'x');
  EditorShellHooks.testExportFolder = nullptr;

  ASSERT_EQ(VehicleEditor::SaveWheelFile(*e, "rim"), 1);
  EXPECT_EQ(Reports().lines.back(), "Saved ^Ldata/whl/rim.whl");
  const uint32_t wheelSetups = e->carSetups;
  ASSERT_EQ(VehicleEditor::LoadWheelFile(*e, "rim"), 1);
  EXPECT_EQ(e->carSetups, wheelSetups + 1) << "the car is set up again";
  EXPECT_STREQ(Slots[NumNodes].name, "load wheel");
  const int wheelNodes = NumNodes;
  EXPECT_EQ(VehicleEditor::LoadWheelFile(*e, "none"), 0);
  EXPECT_EQ(NumNodes, wheelNodes);
}

// The file menu's prompts: each its text, a limit of 32 characters (4 for the VOB name), the
// files it lists and the text it starts with; the VOB name is the vehicle's model code.
TEST_F(Files, TheFileMenusPromptsTheirLimitsTheirFilesAndTheirStartText) {
  const std::string code(car().modelCode, strnlen(car().modelCode, sizeof car().modelCode));
  ASSERT_FALSE(code.empty());
  {
    std::ofstream vob(std::string("data/veh/") + code + ".vob");  // word 4 needs the VOB there
    vob << 'x';
  }
  const std::string name = e->vehicleName;
  struct Prompt {
    uintptr_t word;
    std::string text;
    int limit;
    const char* files;
    std::string start;
  };
  const Prompt prompts[] = {
      {2, "Enter name of vehicle to LOAD", 32, "data\\veh\\%s.veh", name},
      {3, std::string("Name of vehicle to SAVE ^1(also ") + code + ".vob)", 32, "data\\veh\\%s.veh", name},
      {4, "Name of VEH file to SAVE ^3(VEH only)", 32, "data\\veh\\%s.veh", name},
      {5, "Name of VOB file to SAVE ^3(VOB only)", 4, "data\\veh\\%s.vob", code},
      {6, "Name of vehicle to SAVE", 32, "data\\veh\\%s.veh", name},
      {7, "Enter name of frame to LOAD", 32, "data\\frame\\%s.frm", ""},
      {8, "Enter name of frame to SAVE", 32, "data\\frame\\%s.frm", ""},
      {13, "Enter name of frame to ADD", 32, "data\\frame\\%s.frm", ""},
      {14, "Enter name of colours file to LOAD", 32, "data\\colours\\%s.all", name},
      {15, "Enter name of colours file to SAVE", 32, "data\\colours\\%s.all", name},
  };
  for (const Prompt& p : prompts) {
    SCOPED_TRACE(p.text);
    VehicleEditor::FileAction(e, 0, p.word);
    ASSERT_EQ(OpenTextEntry.open, 1);
    EXPECT_EQ(std::string(OpenTextEntry.prompt), p.text);
    EXPECT_EQ(OpenTextEntry.maxLength, p.limit);
    ASSERT_NE(OpenTextEntry.filePattern, nullptr);
    EXPECT_STREQ(OpenTextEntry.filePattern, p.files);
    EXPECT_EQ(std::string(OpenTextEntry.initialText), p.start);
    EXPECT_EQ(OpenTextEntry.prefixLength, 0) << "no part of the offered name is fixed";
    TextEntryCancel();
    ASSERT_EQ(OpenTextEntry.open, 0);
  }
  // Words 10 to 12 open nothing.
  for (uintptr_t word : {10u, 11u, 12u}) {
    VehicleEditor::FileAction(e, 0, word);
    EXPECT_EQ(OpenTextEntry.open, 0) << word;
    EXPECT_EQ(e->prss.sub, nullptr) << word;
  }
}

// A load that fails, in any editor, names its file as the disk spells it, with "/" between
// its folders (the paths the program forms hold "\\"): a file too old, one of another kind and
// one damaged, each a failure told by its own reader or by the data file's.
TEST_F(Files, EveryEditorsFailedLoadNamesItsFileWithSlashes) {
  for (const char* folder : {"data/engine", "data/whl", "data/3dob", "data/move"}) fs::create_directories(folder);
  const std::vector<uint8_t> body(16, 0);
  auto old = [&](const char* path, const char* magic, int lowest) { WriteFile(path, magic, body, lowest - 1); };
  car().frameTubes[2].b = 40;  // a tube end past the frame: the vehicle file is damaged
  ASSERT_EQ(VehicleEditor::SaveVehicleOnly(*e, "BadEnd", 1), 1);
  car().frameTubes[2].b = 2;
  std::vector<uint8_t> colours(4, 0xFF);  // more configurations than a vehicle holds
  WriteFile("data\\colours\\count.all", "ZKTALL", colours, 252);
  WriteFile("data\\frame\\old.frm", "QXFRM_", SmallFrame(), 247);
  old("data\\engine\\old.eng", ENGINE_FILE_MAGIC, ENGINE_FILE_LOWEST_VERSION);
  old("data\\whl\\old.wxs", RIM_FILE_MAGIC, RIM_FILE_LOWEST_VERSION);
  old("data\\3dob\\old.dsh", DASH_FILE_MAGIC, DASH_FILE_LOWEST_VERSION);
  old("data\\move\\old.ban", ANIMATION_FILE_MAGIC, ANIMATION_FILE_LOWEST_VERSION);
  old("data\\3dob\\old.qxe", MODEL_FILE_MAGIC, MODEL_FILE_LOWEST_VERSION);
  WriteFile("data\\whl\\kind.whl", "QXNONE", body, 252);
  EngineModel engine{};
  engine.Reset();
  WXS rim;
  Animation animation;
  ModelObject model{};
  struct Load {
    const char* file;  // as the failure names it
    std::function<int()> run;
  };
  const Load loads[] = {
      {"data/veh/BadEnd.veh", [&] { return VehicleEditor::LoadVehicleState(*e, "BadEnd", -1); }},
      {"data/colours/count.all", [&] { return VehicleEditor::LoadAllColours(*e, "count"); }},
      {"data/frame/old.frm", [&] { return VehicleEditor::LoadFrameFile(*e, "old"); }},
      {"data/engine/old.eng", [&] { return LoadEngine(engine, "data\\engine\\old.eng", &e->prss, engine); }},
      {"data/whl/old.wxs", [&] { return LoadRimFile(rim, "data\\whl\\old.wxs", &e->prss); }},
      {"data/3dob/old.dsh", [&] { return LoadDash(&e->prss, car(), "old") == DASH_FILE_OK ? 1 : 0; }},
      {"data/move/old.ban", [&] { return ReadAnimationFile(animation, "data\\move\\old.ban", &e->prss, 4, 0.0f); }},
      {"data/3dob/old.qxe", [&] { return LoadModelFile(model, &e->prss, "data\\3dob\\old.qxe", 1, nullptr); }},
      {"data/whl/kind.whl", [&] { return ReadWheelFile(car(), &e->prss, "kind"); }},
  };
  for (const Load& load : loads) {
    Reports() = Caught{};
    ResetMessages();
    EXPECT_EQ(load.run(), 0) << load.file;
    std::vector<std::string> told = Reports().lines;
    told.insert(told.end(), Reports().boxes.begin(), Reports().boxes.end());
    if (const char* shown = GetNewestMessageText()) told.push_back(shown);
    std::string all;
    for (const std::string& t : told) all += t + "\n";
    EXPECT_NE(all.find(load.file), std::string::npos) << load.file << " is not named in:\n" << all;
    EXPECT_EQ(all.find('\\'), std::string::npos) << all;
  }
  engine.FreeWaves();
  animation.Free();
  model.Free();
}

// The load error's words by the data file's error code; a code without words is unknown.
TEST(LoadErrorWords, EachDataFileErrorCodeHasItsText) {
  const int saved = LastDataFileError;
  const struct {
    int code;
    const char* text;
  } rows[] = {{2, "File not found"},     {3, "File from a later version"}, {4, "Obsolete file version"},
              {5, "Wrong type of file"}, {9, "Corrupted file"},            {0, "Unknown error"},
              {1, "Unknown error"},      {6, "Unknown error"},             {8, "Unknown error"},
              {10, "Unknown error"}};
  for (const auto& r : rows) {
    LastDataFileError = r.code;
    EXPECT_STREQ(LoadErrorText(), r.text) << r.code;
  }
  LastDataFileError = saved;
}

// A frame added may bring the frame to 32767 points and no further: one more is refused with
// its box and changes nothing.
TEST_F(Files, AnAddedFrameStopsAt32767Points) {
  const int have = car().framePointCount;
  const auto frameOf = [](int points) {
    std::vector<uint8_t> b;
    PutInt(b, uint32_t(points));
    for (int i = 0; i < points; ++i) PutPoint(b, 65536, (i % 100) * 65536, 0, 0.0f, 0, 0);
    PutInt(b, 0);
    return b;
  };
  WriteFile("data\\frame\\over.frm", "QXFRM_", frameOf(32768 - have), 252);
  Reports() = Caught{};
  ExpectNothingChanged("over", [&] { return VehicleEditor::AddFrameFile(*e, "over"); });
  EXPECT_TRUE(SaidBox("Too many frame points"));
  WriteFile("data\\frame\\full.frm", "QXFRM_", frameOf(32767 - have), 252);
  ASSERT_EQ(VehicleEditor::AddFrameFile(*e, "full"), 1);
  EXPECT_EQ(car().framePointCount, 32767);
}

// A save makes the folder its files go into when it is missing.
TEST_F(Files, ASaveMakesItsMissingFolder) {
  std::filesystem::remove_all("data/veh");
  VehicleEditor::FileAction(e, 0, 6);
  Type("Name of vehicle to SAVE", "Fresh");
  EXPECT_TRUE(std::filesystem::exists("data/veh/Fresh.veh"));
  EXPECT_EQ(e->selection.saved, 1);
}

}  // namespace
