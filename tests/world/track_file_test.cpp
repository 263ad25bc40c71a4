// The track file: opening and its refusals, the first load steps on hand-written bytes, each
// section reader on whole and cut records, the occlusion records and the game-code section.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/data_file.h"
#include "core/game_code.h"
#include "core/report.h"
#include "tests/core/report_recorder.h"
#include "world/environment.h"
#include "world/mapping.h"
#include "world/track_file.h"
#include "world/world.h"

namespace {

// Little-endian bytes of a hand-written file.
struct Bytes {
  std::vector<uint8_t> v;
  Bytes& u8(int x) { v.push_back(uint8_t(x)); return *this; }
  Bytes& u16(int x) { return u8(x & 255).u8((x >> 8) & 255); }
  Bytes& u32(uint32_t x) { return u16(int(x & 0xFFFF)).u16(int(x >> 16)); }
  Bytes& f32(float f) { uint32_t x; std::memcpy(&x, &f, 4); return u32(x); }
  Bytes& text(const char* s, int n) { for (int i = 0; i < n; ++i) u8(i < int(std::strlen(s)) ? s[i] : 0); return *this; }
  Bytes& add(const Bytes& b) { v.insert(v.end(), b.v.begin(), b.v.end()); return *this; }
};

// A data file header: magic and the version high byte first.
Bytes Header(const char* magic, int version) {
  Bytes b;
  b.text(magic, 6).u8(version >> 8).u8(version & 255);
  return b;
}

// B1..B9 of revision 22 (no paths, lighting in the file), then C1..C4 with an empty mapping
// table: the golden layout of the first two sections.
Bytes FirstSections(int revision = 22, int paths = 0, int nameFlags = 0, int lighting = 0) {
  Bytes b;
  b.u8(revision).u8(paths).u8(nameFlags).u8(lighting);
  if (revision > 10) b.u8(uint8_t(int8_t(-5))).u8(0).u8(0).u8(0).f32(0.5f).f32(52.0f).f32(-1.25f);
  return b;
}
Bytes ColourSection(int revision = 22) {
  Bytes b;
  b.u32(0x11);             // C1: world flags
  b.u16(0).u8(16).u8(0);   // C2: an empty mapping table of version 16
  if (revision > 0) b.u8(2).u8(7).u8(8).u8(9).u32(0x123456);
  if (revision > 12 && revision < 17) b.u32(0).u32(0);
  return b;
}

// Opens bytes (a body) behind a header in memory.
struct MemoryFile {
  DataFile file{};
  std::vector<uint8_t> image;
  explicit MemoryFile(const Bytes& body) {
    image = Header("QXWORL", 252).v;
    image.insert(image.end(), body.v.begin(), body.v.end());
    int32_t version = 0;
    EXPECT_EQ(file.OpenReadMemory(nullptr, image.data(), int64_t(image.size()), "QXWORL", &version, 252), 1);
  }
  ~MemoryFile() { file.Close(); }
};

// A fresh working folder holding data/wld, and a recorder of the reports.
class TrackFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    previous_ = std::filesystem::current_path();
    folder_ = previous_ / "track_file" / info->name();
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_ / "data" / "wld");
    std::filesystem::current_path(folder_);
    SetWorldLoadingText("");
  }
  void TearDown() override {
    DeleteWorld();
    ReadStoredTrackPath = ReadRacingPathRecord;
    FreeStoredTrackPath = FreeRacingPathRecord;
    GetTrackSelection = nullptr;
    std::filesystem::current_path(previous_);
  }
  // Writes a world file: header, body, zeros up to length.
  static void WriteTrack(const char* name, const Bytes& body, int64_t length = TRACK_FILE_SIZE, int version = 252,
                         const char* magic = "QXWORL", const char* extension = "wld") {
    std::vector<uint8_t> image = Header(magic, version).v;
    image.insert(image.end(), body.v.begin(), body.v.end());
    image.resize(size_t(length), 0);
    std::ofstream out(std::string("data/wld/") + name + "." + extension, std::ios::binary);
    out.write(reinterpret_cast<const char*>(image.data()), std::streamsize(image.size()));
  }
  // A new world that loaded the track's header (CWld), or null.
  static Wld* Load(const char* name) {
    Wld* world = new Wld;
    if (!world->LoadTrackFile(name)) {
      delete world;
      return nullptr;
    }
    return world;
  }
  ReportRecorder recorder_;
  std::filesystem::path previous_, folder_;
};

TEST_F(TrackFileTest, OpeningRefusesWrongLengthsVersionsAndNames) {
  const Bytes body = FirstSections().add(ColourSection());
  WriteTrack("short", body, TRACK_FILE_SIZE - 1);
  WriteTrack("long", body, TRACK_FILE_SIZE + 1);
  WriteTrack("old", body, TRACK_FILE_SIZE, 249);
  WriteTrack("new", body, TRACK_FILE_SIZE, 253);
  WriteTrack("magic", body, TRACK_FILE_SIZE, 252, "QXLGHT");
  WriteTrack("tiny", Bytes{}, 8);
  const std::pair<const char*, const char*> cases[] = {
      {"short", TEXT_UNKNOWN_TRACK}, {"long", TEXT_UNKNOWN_TRACK},  {"old", TEXT_OBSOLETE_TRACK},
      {"new", TEXT_TRACK_NOT_FOUND}, {"magic", TEXT_TRACK_NOT_FOUND}, {"tiny", TEXT_TRACK_NOT_FOUND},
      {"none", TEXT_TRACK_NOT_FOUND}, {"../wld/short", TEXT_TRACK_NOT_FOUND},
      {"a_name_of_thirty_two_characters_", TEXT_TRACK_NOT_FOUND},
  };
  for (const auto& [name, text] : cases) {
    SCOPED_TRACE(name);
    Wld world;
    EXPECT_EQ(world.LoadTrackFile(name), 0);
    EXPECT_EQ(ReportRecorder::NewestText(), text);
    EXPECT_EQ(world.loadStep, 0);
    EXPECT_EQ(world.worldFile, nullptr);
    EXPECT_EQ(CWld, nullptr);
  }
}

TEST_F(TrackFileTest, AcceptedHeaderKeepsTheSelectionAndReadsNothing) {
  WriteTrack("Square", FirstSections().add(ColourSection()));
  GetTrackSelection = [](TrackLoadSelection& s) { s = {3, 2, 77}; };
  Wld* world = Load("square");  // names match without regard to case
  ASSERT_NE(world, nullptr);
  EXPECT_EQ(CWld, world);
  EXPECT_STREQ(world->trackName, "square");
  EXPECT_EQ(world->fileVersion, 252);
  EXPECT_EQ(world->loadStep, 1);
  EXPECT_STREQ(WorldLoadingText, "Paths");
  EXPECT_EQ(world->configNumber, 3);
  EXPECT_EQ(world->configFlags, 2u);
  EXPECT_EQ(LoadedRaceSetting, 77);
  EXPECT_EQ(world->worldFile->cursor, world->worldFile->buffer);  // the body is not read yet
  EXPECT_EQ(IsWorldLoading(), 1);
  EXPECT_EQ(world->GetLightingStream(), world->worldFile);
}

TEST_F(TrackFileTest, FirstStepsReadThePlaceFlagsAndSettings) {
  WriteTrack("square", FirstSections().add(ColourSection()));
  GetTrackSelection = [](TrackLoadSelection& s) { s.configNumber = 4; };  // no paths: back to 1
  Wld* world = Load("square");
  ASSERT_NE(world, nullptr);
  SetupWorldInGameCode();
  EXPECT_EQ(world->loadStep, 2);
  EXPECT_STREQ(WorldLoadingText, "Colours");
  EXPECT_EQ(world->revision, 22);
  EXPECT_EQ(world->configNumber, 1);
  EXPECT_EQ(WorldTimeZoneHours(), -5);
  EXPECT_FLOAT_EQ(WorldTrackPlace.northHeading, 0.5f);
  EXPECT_FLOAT_EQ(WorldTrackPlace.latitude, 52.0f);
  EXPECT_FLOAT_EQ(WorldTrackPlace.longitude, -1.25f);
  SetupWorldInGameCode();
  EXPECT_EQ(world->loadStep, 3);
  EXPECT_STREQ(WorldLoadingText, "Duplicators");
  EXPECT_EQ(world->worldFlags, 0x15u);
  EXPECT_EQ(world->mappingCount, 0);
  EXPECT_EQ(world->settings[0], 2);
  EXPECT_EQ(world->settings[3], 9);
  EXPECT_EQ(world->clockColour, 0x123456u);
  EXPECT_EQ(GameCodeNesting(), 0);
  // The zeros after them hold no models, objects or octrees, but no end of the occlusion
  // records either: read to the body's end, the load fails naming them.
  for (int calls = 0; calls < 100 && world->loadStep != 0 && !WorldLoadFailed(); ++calls) SetupWorldInGameCode();
  EXPECT_EQ(WorldLoadFailed(), 1);
  EXPECT_NE(ReportRecorder::NewestText().find("square.wld : occlusion"), std::string::npos) << ReportRecorder::NewestText();
  EXPECT_EQ(world->worldFile, nullptr);
  SetupWorldInGameCode();
  EXPECT_EQ(world->loadStep, 0);
  EXPECT_EQ(IsWorldLoading(), 0);
}

TEST_F(TrackFileTest, OldRevisionsHaveNoPlaceAndAFixedClockColour) {
  // Revision 10: no place; C1 follows the four format bytes at once.
  WriteTrack("r10", FirstSections(10).add(ColourSection(10)));
  Wld* world = Load("r10");
  ASSERT_NE(world, nullptr);
  SetupWorldInGameCode();
  SetupWorldInGameCode();
  EXPECT_EQ(world->loadStep, 3);
  EXPECT_EQ(world->worldFlags, 0x15u);
  EXPECT_EQ(WorldTimeZoneHours(), 0);
  DeleteWorld();
  // Revision 0: no byte settings and no clock colour in the file.
  WriteTrack("r0", FirstSections(0).add(ColourSection(0)));
  world = Load("r0");
  ASSERT_NE(world, nullptr);
  SetupWorldInGameCode();
  SetupWorldInGameCode();
  EXPECT_EQ(world->loadStep, 3);
  EXPECT_EQ(world->clockColour, 25800u);
  EXPECT_EQ(world->worldFile->cursor - world->worldFile->buffer, 4 + 4 + 4);
  DeleteWorld();
  // Revision 14 skips 8 bytes after the settings.
  WriteTrack("r14", FirstSections(14).add(ColourSection(14)));
  world = Load("r14");
  ASSERT_NE(world, nullptr);
  SetupWorldInGameCode();
  SetupWorldInGameCode();
  EXPECT_EQ(world->worldFile->cursor - world->worldFile->buffer, 4 + 16 + 4 + 4 + 8 + 8);
}

TEST_F(TrackFileTest, BadFormatBytesFailTheLoadWithTheField) {
  const struct {
    Bytes body;
    const char* field;
  } cases[] = {
      {FirstSections(23), "format revision 23"},
      {FirstSections(22, 16), "path count 16"},
      {FirstSections(22, 0, 2), "path name flags 2"},
      {FirstSections(22, 0, 0, 2), "lighting location 2"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.field);
    WriteTrack("bad", c.body);
    Wld* world = Load("bad");
    ASSERT_NE(world, nullptr);
    SetupWorldInGameCode();
    EXPECT_EQ(ReportRecorder::NewestText(), std::string("data\\wld\\bad.wld : ") + c.field);
    EXPECT_EQ(WorldLoadFailed(), 1);
    EXPECT_EQ(ReportRecorder::CountLines("bad.wld"), 1);
    SetupWorldInGameCode();  // frees what was loaded; the load stays failed
    EXPECT_EQ(WorldLoadFailed(), 1);
    EXPECT_EQ(world->loadStep, 0);
    ReportRecorder::Reports().lines.clear();
    DeleteWorld();
  }
}

TEST_F(TrackFileTest, LightingFileIsOptional) {
  WriteTrack("lit", FirstSections(22, 0, 0, 1).add(ColourSection()));
  Wld* world = Load("lit");
  ASSERT_NE(world, nullptr);
  SetupWorldInGameCode();
  EXPECT_EQ(ReportRecorder::CountLines(TEXT_NO_LIGHTING_FILE), 1);
  EXPECT_EQ(world->loadStep, 2);
  EXPECT_EQ(world->GetLightingStream(), nullptr);
  DeleteWorld();
  WriteTrack("lit", Bytes{}.u8(0), 9 + 4, 252, "QXLGHT", "lgh");
  world = Load("lit");
  ASSERT_NE(world, nullptr);
  SetupWorldInGameCode();
  EXPECT_EQ(ReportRecorder::CountLines(TEXT_NO_LIGHTING_FILE), 1);  // not a second time
  ASSERT_NE(world->GetLightingStream(), nullptr);
  EXPECT_EQ(world->GetLightingStream(), world->lightingFile);
  EXPECT_EQ(world->GetLightingStream()->BytesLeft(), 5);
}

// A stand-in stored path: one word, kept as the path's address for the test to look at.
std::vector<int32_t>& PathWords() {
  static std::vector<int32_t> words;
  return words;
}
TrackPath* ReadWordPath(DataFile& file, int) {
  PathWords().push_back(file.ReadInt());
  return file.readPastEnd ? nullptr : reinterpret_cast<TrackPath*>(new int32_t(PathWords().back()));
}
void FreeWordPath(TrackPath* path) { delete reinterpret_cast<int32_t*>(path); }

TEST_F(TrackFileTest, PathNamesAndRecords) {
  // Without a reader a track with paths is refused.
  WriteTrack("paths", FirstSections(22, 2, 1).add(Bytes{}.text("FIRST", 32).u32(11).text("SECOND_NAME_IS_LONGER_THAN_16", 32).u32(12)).add(ColourSection()));
  ReadStoredTrackPath = nullptr;
  Wld* world = Load("paths");
  ASSERT_NE(world, nullptr);
  SetupWorldInGameCode();
  EXPECT_EQ(WorldLoadFailed(), 1);
  EXPECT_NE(ReportRecorder::NewestText().find("racing paths"), std::string::npos);
  DeleteWorld();

  ReadStoredTrackPath = ReadWordPath;
  FreeStoredTrackPath = FreeWordPath;
  GetTrackSelection = [](TrackLoadSelection& s) { s.configNumber = 5; };
  world = Load("paths");
  ASSERT_NE(world, nullptr);
  SetupWorldInGameCode();
  ASSERT_EQ(world->loadStep, 2);
  ASSERT_EQ(world->pathCount, 2);
  EXPECT_STREQ(world->paths[0].name, "FIRST");
  EXPECT_STREQ(world->paths[1].name, "SECOND_NAME_IS_LONGER_THAN_16");
  EXPECT_EQ(*reinterpret_cast<int32_t*>(world->paths[1].path), 12);
  EXPECT_EQ(world->configNumber, 2);  // clamped to the path count
  SetupWorldInGameCode();
  EXPECT_EQ(world->loadStep, 3);
  DeleteWorld();

  // 16-byte names of revision 18, each record followed by a dropped word.
  WriteTrack("old", FirstSections(18, 1).add(Bytes{}.text("SIXTEEN_BYTES_NM", 16).u32(21).u32(0xDEAD)).add(ColourSection(18)));
  world = Load("old");
  ASSERT_NE(world, nullptr);
  SetupWorldInGameCode();
  SetupWorldInGameCode();
  ASSERT_EQ(world->loadStep, 3);
  EXPECT_STREQ(world->paths[0].name, "SIXTEEN_BYTES_NM");
  EXPECT_EQ(world->paths[0].name[16], 0);
  EXPECT_EQ(world->worldFlags, 0x15u);
  DeleteWorld();

  // Revision 19 is the first without the dropped word: the world flags follow the record at once.
  WriteTrack("nineteen", FirstSections(19, 1).add(Bytes{}.text("NINETEEN", 16).u32(31)).add(ColourSection(19)));
  world = Load("nineteen");
  ASSERT_NE(world, nullptr);
  SetupWorldInGameCode();
  SetupWorldInGameCode();
  ASSERT_EQ(world->loadStep, 3);
  EXPECT_EQ(WorldLoadFailed(), 0);
  EXPECT_STREQ(world->paths[0].name, "NINETEEN");
  EXPECT_EQ(*reinterpret_cast<int32_t*>(world->paths[0].path), 31);
  EXPECT_EQ(world->worldFlags, 0x15u);  // C1 0x11 with the loaded bit 0x04
}

// Each reader, on a whole record and on the record cut at every byte: whole reads, a cut one is
// refused naming the field, and nothing is read past the end.
TEST(TrackFileReaders, CutAtEveryByteIsRefused) {
  using Reader = int (*)(DataFile&, TrackReadError&);
  const struct {
    const char* name;
    Bytes record;
    Reader read;
  } readers[] = {
      {"format and place", FirstSections(),
       [](DataFile& f, TrackReadError& e) -> int {
         TrackFormat format;
         return ReadTrackFormat(f, format, e) && ReadTrackPlace(f, format, e);
       }},
      {"path name", Bytes{}.text("NAME", 32),
       [](DataFile& f, TrackReadError& e) -> int {
         TrackFormat format;
         format.nameFlags = 1;
         char name[TRACK_PATH_NAME_SIZE];
         return ReadTrackPathName(f, format, name, e);
       }},
      {"colours", Bytes{}.u32(1).u8(1).u8(2).u8(3).u8(4).u32(5).u32(0).u32(0),
       [](DataFile& f, TrackReadError& e) -> int {
         TrackColourSettings colours;
         return ReadTrackWorldFlags(f, colours, e) && ReadTrackColourSettings(f, 14, colours, e);
       }},
      {"model count and object word", Bytes{}.u32(0).u32(0).u32(0).u32(0x03000002),
       [](DataFile& f, TrackReadError& e) -> int {
         int32_t models = 0, objects = 0;
         uint8_t revision = 0;
         return ReadTrackModelCount(f, 12, models, e) && ReadTrackObjectWord(f, 74400, objects, revision, e);
       }},
      {"tail", Bytes{}.u16(1).u16(1).u32(1).u32(2).add(Bytes{}.u32(3).u32(4).u32(5).u32(6)).u32(7).u32(8).u32(9).u32(10).u32(11).u32(12).u32(13).u32(14).u32(15).u32(16).f32(1.0f),
       [](DataFile& f, TrackReadError& e) -> int {
         TrackTail tail;
         return ReadTrackTail(f, 22, 0x30, tail, e);
       }},
      {"lighting presence", Bytes{}.u8(0).u8(1).u8(1).u8(0),
       [](DataFile& f, TrackReadError& e) -> int {
         TrackLightingPresence presence;
         return ReadTrackLightingPresence(f, 22, presence, e);
       }},
      {"occlusion", Bytes{}.u32(4).u32(1).u32(2).u32(3).u16(1).u16(2).u16(3).u16(0).u32(0xFFFFFFFF),
       [](DataFile& f, TrackReadError& e) -> int {
         int skipped = 0;
         return ReadCameraOcclusionRecords(f, nullptr, nullptr, skipped, e);
       }},
  };
  ReportRecorder recorder;
  for (const auto& r : readers) {
    SCOPED_TRACE(r.name);
    {
      MemoryFile whole(r.record);
      TrackReadError error{};
      EXPECT_EQ(r.read(whole.file, error), 1) << error.text;
      EXPECT_EQ(whole.file.BytesLeft(), 0);
    }
    for (size_t cut = 1; cut < r.record.v.size(); ++cut) {
      Bytes part;
      part.v.assign(r.record.v.begin(), r.record.v.begin() + long(cut));
      MemoryFile file(part);
      TrackReadError error{};
      EXPECT_EQ(r.read(file.file, error), 0) << cut;
      EXPECT_NE(error.text[0], 0);
      EXPECT_LE(file.file.cursor, file.file.end);
    }
  }
}

TEST(TrackFileReaders, ThePlaceIsReadFromRevisionElevenOn) {
  for (const int revision : {10, 11, 12}) {
    SCOPED_TRACE(revision);
    MemoryFile file(FirstSections(revision).u32(0xC0FFEE));  // a word of the next record after it
    TrackFormat format;
    TrackReadError error{};
    ASSERT_EQ(ReadTrackFormat(file.file, format, error), 1) << error.text;
    ASSERT_EQ(ReadTrackPlace(file.file, format, error), 1) << error.text;
    const bool placed = revision >= 11;
    EXPECT_EQ(format.timeZone, placed ? -5 : 0);
    EXPECT_EQ(format.north, placed ? 0.5f : 0.0f);
    EXPECT_EQ(format.latitude, placed ? 52.0f : 0.0f);
    EXPECT_EQ(format.longitude, placed ? -1.25f : 0.0f);
    EXPECT_EQ(file.file.ReadUInt(), 0xC0FFEEu) << "the next record starts right after";
  }
}

// After a path record, revisions below 19 hold one 32-bit word that is dropped; from 19 on the
// next field follows the record at once.
TEST(TrackFileReaders, ThePathTailWordIsDroppedOnlyBelowRevisionNineteen) {
  for (const int revision : {0, 18, 19, 22}) {
    SCOPED_TRACE(revision);
    Bytes bytes;
    if (revision < 19) bytes.u32(0xDEADBEEF);  // the dropped word
    MemoryFile file(bytes.u32(0xC0FFEE));       // a word of the next field after it
    TrackFormat format;
    format.revision = uint8_t(revision);
    TrackReadError error{};
    ASSERT_EQ(SkipTrackPathTail(file.file, format, error), 1) << error.text;
    EXPECT_EQ(file.file.ReadUInt(), 0xC0FFEEu) << "the next field starts right after";
    EXPECT_EQ(file.file.BytesLeft(), 0);
  }
  // Below 19 a tail cut short is refused, naming the record.
  MemoryFile cut(Bytes{}.u16(0xBEEF));
  TrackFormat format;
  format.revision = 18;
  TrackReadError error{};
  EXPECT_EQ(SkipTrackPathTail(cut.file, format, error), 0);
  EXPECT_STREQ(error.text, "path record cut short");
}

// The largest values the format bytes allow: revision 22, 15 paths, name flags 1 (32-byte
// names), lighting location 1.
TEST(TrackFileReaders, TheFormatBytesTakeTheirLargestValues) {
  MemoryFile file(Bytes{}.u8(22).u8(15).u8(1).u8(1));
  TrackFormat format;
  TrackReadError error{};
  ASSERT_EQ(ReadTrackFormat(file.file, format, error), 1) << error.text;
  EXPECT_EQ(format.revision, 22);
  EXPECT_EQ(format.pathCount, 15);
  EXPECT_EQ(format.nameFlags, 1);
  EXPECT_EQ(format.lightingLocation, 1);
}

TEST(TrackFileReaders, CountsAreCheckedAgainstTheirRoom) {
  TrackReadError error{};
  {
    MemoryFile file(Bytes{}.u32(74401));
    int32_t count = -1;
    uint8_t revision = 0;
    EXPECT_EQ(ReadTrackObjectWord(file.file, 74400, count, revision, error), 0);
    EXPECT_STREQ(error.text, "object count 74401 above 74400");
  }
  {
    MemoryFile file(Bytes{}.u32(0x05000000u | 74400));
    int32_t count = -1;
    uint8_t revision = 0;
    EXPECT_EQ(ReadTrackObjectWord(file.file, 74400, count, revision, error), 1);
    EXPECT_EQ(count, 74400);
    EXPECT_EQ(revision, 5);
  }
  {
    // Two model entries cannot fit in 28 bytes.
    Bytes b;
    b.u32(2);
    b.v.resize(4 + 28, 0);
    MemoryFile file(b);
    int32_t count = -1;
    EXPECT_EQ(ReadTrackModelCount(file.file, 22, count, error), 0);
    EXPECT_STREQ(error.text, "model count 2");
  }
  {
    // The extra tables: 481 records keep 480 and skip one; the colours follow them.
    Bytes b;
    b.u16(481).u16(0);
    for (int i = 0; i < 481; ++i) b.u32(uint32_t(i)).u32(0);
    b.u32(0x000080).u32(0).u32(0).u32(0x102040).f32(2.0f);
    MemoryFile file(b);
    TrackTail tail;
    ASSERT_EQ(ReadTrackTail(file.file, 12, 0x20, tail, error), 1) << error.text;
    EXPECT_EQ(tail.extraCounts[0], 480);
    EXPECT_EQ(tail.extraSkipped[0], 1);
    EXPECT_EQ(tail.extraTables[0].size(), 480u * 8);
    EXPECT_EQ(tail.extraTables[0][479 * 8], 479 & 255);
    // Below revision 13 the first and fourth colours are scaled up to a channel of 255.
    EXPECT_EQ(tail.colours[0], 0x0000FFu);
    EXPECT_EQ(tail.colours[2], 0x0000FFu);
    EXPECT_EQ(tail.colours[3], 0x3F7FFFu);
    EXPECT_FLOAT_EQ(tail.scale, 2.0f);
  }
  for (const int count : {-1, 100}) {
    MemoryFile file(Bytes{}.u16(0).u16(count).u32(0));
    TrackTail tail;
    EXPECT_EQ(ReadTrackTail(file.file, 22, 0x20, tail, error), 0) << count;
    EXPECT_NE(std::string(error.text).find("extra table 2"), std::string::npos);
  }
}

// A count whose records fill exactly the bytes left is taken; one record more is refused at the
// count. Past a count that is taken, a missing field is named as cut short instead.
TEST(TrackFileReaders, CountsThatExactlyFillTheBytesLeftAreTaken) {
  TrackReadError error{};
  {
    // One model entry in exactly its 28 bytes.
    Bytes b;
    b.u32(1);
    b.v.resize(4 + 28, 0);
    MemoryFile file(b);
    int32_t count = -1;
    EXPECT_EQ(ReadTrackModelCount(file.file, 22, count, error), 1) << error.text;
    EXPECT_EQ(count, 1);
  }
  {
    // Two entries need 56 bytes: 55 is one short.
    Bytes b;
    b.u32(2);
    b.v.resize(4 + 55, 0);
    MemoryFile file(b);
    int32_t count = -1;
    EXPECT_EQ(ReadTrackModelCount(file.file, 22, count, error), 0);
    EXPECT_STREQ(error.text, "model count 2");
  }
  {
    // One record of the first extra table (8 bytes) ends the file: the table is read and the
    // colours after it are missing.
    MemoryFile file(Bytes{}.u16(1).u16(0).u32(0x01020304).u32(0x05060708));
    TrackTail tail;
    EXPECT_EQ(ReadTrackTail(file.file, 22, 0x20, tail, error), 0);
    EXPECT_STREQ(error.text, "world colours and scale cut short");
    EXPECT_EQ(tail.extraCounts[0], 1);
  }
  {
    // The same for the second table: one record of 16 bytes.
    Bytes b;
    b.u16(0).u16(1).u32(1).u32(2).u32(3).u32(4);
    MemoryFile file(b);
    TrackTail tail;
    EXPECT_EQ(ReadTrackTail(file.file, 22, 0x20, tail, error), 0);
    EXPECT_STREQ(error.text, "world colours and scale cut short");
    EXPECT_EQ(tail.extraCounts[1], 1);
  }
  {
    // An occlusion record whose two words (4 bytes) end the file: the words are skipped and the
    // next record's object index is missing.
    ReportRecorder recorder;
    MemoryFile file(Bytes{}.u32(3).u32(0).u32(0).u32(2).u16(1).u16(2));
    int skipped = 0;
    EXPECT_EQ(ReadCameraOcclusionRecords(file.file, nullptr, nullptr, skipped, error), 0);
    EXPECT_STREQ(error.text, "occlusion records cut short");
    EXPECT_EQ(skipped, 1);
  }
}

// A camera stand-in: accepts the record of object 7 at (1, 2) and reads its words.
struct Cameras {
  std::vector<int32_t> wordCounts;
  static int Read(void* context, const OcclusionRecordHead& head, DataFile& file, int& accepted) {
    accepted = head.objectIndex == 7 && head.x == 1 && head.y == 2;
    if (!accepted) return 0;
    const int32_t words = file.ReadInt();
    static_cast<Cameras*>(context)->wordCounts.push_back(words);
    return words >= 0 && file.Skip(int(OcclusionWordBytes(words)));
  }
};

TEST(TrackFileReaders, OcclusionRecordsAreMatchedOrSkipped) {
  ReportRecorder recorder;
  Bytes b;
  b.u32(3).u32(1).u32(2).u32(3).u16(1).u16(2).u16(3).u16(0);  // wrong object: 8 bytes skipped
  b.u32(7).u32(1).u32(2).u32(2).u16(5).u16(6);                // the camera's
  b.u32(7).u32(9).u32(2).u32(0);                              // moved camera: skipped, no words
  b.u32(0xFFFFFFFF);
  MemoryFile file(b);
  Cameras cameras;
  int skipped = 0;
  TrackReadError error{};
  ASSERT_EQ(ReadCameraOcclusionRecords(file.file, Cameras::Read, &cameras, skipped, error), 1) << error.text;
  EXPECT_EQ(skipped, 2);
  EXPECT_EQ(cameras.wordCounts, std::vector<int32_t>{2});
  EXPECT_EQ(ReportRecorder::CountLines(TEXT_CAMERA_MISMATCH), 1);
  EXPECT_EQ(file.file.BytesLeft(), 0);
  EXPECT_EQ(OcclusionWordBytes(3), 8);
  for (const int32_t words : {-1, 1000}) {
    MemoryFile bad(Bytes{}.u32(3).u32(0).u32(0).u32(uint32_t(words)).u32(0xFFFFFFFF));
    EXPECT_EQ(ReadCameraOcclusionRecords(bad.file, Cameras::Read, &cameras, skipped, error), 0);
    EXPECT_EQ(std::string(error.text), "occlusion record 0 word count " + std::to_string(words));
  }
}

TEST(TrackFileSteps, TableRunsTenBeforeNineAndEndsFinished) {
  std::vector<int> order;
  for (const WorldLoadStep& step : WORLD_LOAD_STEPS) order.push_back(step.step);
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 10, 9, 11, 12, 13, 14, 15, 16, 17}));
  EXPECT_STREQ(FindWorldLoadStep(8)->textAtEnd, "Extra data");
  EXPECT_STREQ(FindWorldLoadStep(10)->textAtEnd, "Check points");
  EXPECT_STREQ(FindWorldLoadStep(9)->textAtEnd, "Start objects");
  EXPECT_EQ(FindWorldLoadStep(17)->textAtEnd, nullptr);
  EXPECT_EQ(FindWorldLoadStep(0), nullptr);
  EXPECT_EQ(FindWorldLoadStep(18), nullptr);
}

TEST(GameCode, NestingIsCountedAndFaultsReported) {
  ReportRecorder recorder;
  LeaveGameCode();
  EnterGameCode();
  EXPECT_EQ(GameCodeNesting(), 1);
  EnterGameCode();
  EXPECT_EQ(GameCodeNesting(), 2);
  LeaveGameCode();
  LeaveGameCode();
  EXPECT_EQ(GameCodeNesting(), 0);
  EXPECT_EQ(ReportRecorder::Reports().boxes,
            (std::vector<std::string>{"LeaveGameCode|not in game code", "EnterGameCode|already entered",
                                      "LeaveGameCode|not fully exited"}));
  // Without a world a load call does nothing and leaves the section clean.
  SetupWorldInGameCode();
  EXPECT_EQ(GameCodeNesting(), 0);
  EXPECT_EQ(ReportRecorder::Reports().boxes.size(), 3u);
}

}  // namespace
