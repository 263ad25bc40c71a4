// player_file_test.cpp - the player file, the keyboard steering file, update_cfg.txt, the
// player's defaults and look-ups.
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <utility>

#include "command_test_folder.h"
#include "core/data_file.h"
#include "frontend/player_file.h"
#include "platform/files.h"
#include "race/race.h"
#include "tests/core/report_recorder.h"
#include "text/language.h"
#include "ui/interface_config.h"
#include "vehicle_data/builtin_vehicles.h"

namespace {

using Bytes = std::string;

// A file image built field by field, as an older program would have written it.
struct Image {
  Bytes bytes;
  Image(const char* magic, int version) {
    bytes.append(magic, 6);
    bytes += static_cast<char>(version >> 8);
    bytes += static_cast<char>(version);
  }
  void Byte(int v) { bytes += static_cast<char>(v); }
  void Int(int32_t v) {
    for (int i = 0; i < 4; ++i) Byte(static_cast<int>(static_cast<uint32_t>(v) >> (8 * i)));
  }
  void Float(float f) {
    uint32_t v;
    std::memcpy(&v, &f, 4);
    Int(static_cast<int32_t>(v));
  }
  void Text(const char* text, int n) {
    for (int i = 0; i < n; ++i) Byte(i < static_cast<int>(std::strlen(text)) ? text[i] : 0);
  }
  void Zeros(int n) { bytes.append(static_cast<size_t>(n), '\0'); }
  const uint8_t* data() const { return reinterpret_cast<const uint8_t*>(bytes.data()); }
};

// A player file of the given version with options 1..11 = 11..21, position 42, the block
// filled with 0x5A, "Garage", plate "AB 1234X" and count entries (value i, "car<i>", "long<i>").
Image PlayerImage(int version, uint32_t flags, int count) {
  Image im(PLAYER_FILE_MAGIC, version);
  im.Int(0);
  im.Int(42);
  for (int n = 1; n <= 4; ++n) im.Byte(10 + n);
  if (version >= 7)
    for (int n = 5; n <= 7; ++n) im.Byte(10 + n);
  im.Zeros(5);
  for (int n = 8; n <= 11; ++n) im.Byte(10 + n);
  im.bytes.append(256, '\x5A');
  if (version >= 6) im.Int(static_cast<int32_t>(flags));
  im.Text("Garage", 16);
  im.Text("AB 1234X", 8);
  im.Byte(count);
  im.Zeros(3);
  for (int i = 0; i < count; ++i) {
    im.Int(i);
    im.Text(("car" + std::to_string(i)).c_str(), 16);
    if (version >= 6) im.Text(("long" + std::to_string(i)).c_str(), 32);
  }
  return im;
}

PlayerRecord SampleRecord() {
  PlayerRecord p = {};
  p.position = 17;
  for (int n = 1; n <= PLAYER_OPTION_COUNT; ++n) p.options[n] = static_cast<uint8_t>(n * 3);
  for (int i = 0; i < PLAYER_BLOCK_SIZE; ++i) p.block[i] = static_cast<uint8_t>(i);
  std::strcpy(p.garageText, "Fifteen chars!!");
  std::strcpy(p.plate, "PLATE 88");
  for (int i = 0; i < PLAYER_CAR_COUNT; ++i) {
    p.cars[i].value = i * 1000 - 1;
    std::snprintf(p.cars[i].text, sizeof p.cars[i].text, "skin %d", i);
    std::snprintf(p.cars[i].longText, sizeof p.cars[i].longText, "a longer text for car %d", i);
  }
  return p;
}

bool SameRecord(const PlayerRecord& a, const PlayerRecord& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

using PlayerFiles = CommandTestFolder;

// The settings files saved without an editor's page tell a failure as every save does: a
// message line with the file's name and the system's reason and, with no window, standard
// error.
TEST_F(PlayerFiles, SettingsFilesThatCannotBeSavedAreToldWithTheirNames) {
  ReadInterfaceCfg();  // none here: it may be written
  ReportRecorder recorder;
  const struct {
    const char* file;
    int (*save)();
  } saves[] = {
      {"interface_cfg.txt", [] { return WriteInterfaceCfg(nullptr); }},
      {"update_cfg.txt", [] { return SaveUpdateConfig(); }},
      {"guest.txt", [] { return WriteGuestStatus(2, "Club"); }},
  };
  for (const auto& s : saves) {
    FilesInjectCommitFailures(1, ENOSPC);
    testing::internal::CaptureStderr();
    EXPECT_EQ(s.save(), 0) << s.file;
    const std::string said = testing::internal::GetCapturedStderr();
    FilesInjectCommitFailures(0, 0);
    EXPECT_EQ(ReportRecorder::NewestText(), std::string("Could not write file : ^L") + s.file + "^8 : No space left on device");
    EXPECT_NE(said.find(std::string("Could not write file : ") + s.file + " : No space left on device\n"), std::string::npos)
        << said;
    EXPECT_FALSE(std::filesystem::exists(s.file)) << "nothing half written";
  }
}

TEST_F(PlayerFiles, WrittenFileHasTheFixedLayoutAndReadsBack) {
  std::strcpy(CfgPlayerName, "Alice");
  const PlayerRecord sample = SampleRecord();
  Player = sample;
  ASSERT_EQ(SavePlayerFile(), 1);
  const Bytes file = Read("data/misc/Alice.ply");
  ASSERT_EQ(file.size(), 8u + 312u + 21u * 52u);
  EXPECT_EQ(file.substr(0, 8), Bytes("ZKTPLY\0\x07", 8));
  EXPECT_EQ(static_cast<uint8_t>(file[8 + 4]), 17);        // the position after the reserved word
  EXPECT_EQ(static_cast<uint8_t>(file[8 + 8 + 6]), 21);    // option 7
  EXPECT_EQ(static_cast<uint8_t>(file[8 + 20]), 24);       // option 8 after five reserved bytes
  EXPECT_EQ(static_cast<uint8_t>(file[8 + 280]), 3);       // the flags word
  EXPECT_EQ(file.substr(8 + 300, 8), "PLATE 88");          // the plate fills its 8 bytes
  EXPECT_EQ(static_cast<uint8_t>(file[8 + 308]), 21);      // the count
  EXPECT_EQ(file.substr(8 + 312, 4), Bytes("\xFF\xFF\xFF\xFF", 4));  // car 0's value -1
  // The reserved fields are written as zeros: the word before the position, the five bytes
  // after option 7 and the three after the count.
  EXPECT_EQ(file.substr(8, 4), Bytes(4, '\0'));
  EXPECT_EQ(file.substr(8 + 15, 5), Bytes(5, '\0'));
  EXPECT_EQ(file.substr(8 + 309, 3), Bytes(3, '\0'));

  Player = PlayerRecord{};
  EXPECT_EQ(LoadPlayerFile(0), 1);
  EXPECT_TRUE(SameRecord(Player, sample));
}

TEST_F(PlayerFiles, OlderVersionsReadTheirOwnLayout) {
  // Version 6: no bytes for options 5..7 (they become 1, 1, 0); flags and long texts present.
  PlayerRecord p = SampleRecord();
  const Image v6 = PlayerImage(6, 3, 21);
  ASSERT_EQ(ReadPlayerFileImage(v6.data(), v6.bytes.size(), p), 1);
  EXPECT_EQ(p.position, 42);
  EXPECT_EQ(p.options[4], 14);
  EXPECT_EQ(p.options[5], 1);
  EXPECT_EQ(p.options[6], 1);
  EXPECT_EQ(p.options[7], 0);
  EXPECT_EQ(p.options[8], 18);
  EXPECT_EQ(p.options[11], 21);
  EXPECT_EQ(p.block[255], 0x5A);
  EXPECT_STREQ(p.garageText, "Garage");
  EXPECT_STREQ(p.plate, "AB 1234X");
  EXPECT_EQ(p.cars[20].value, 20);
  EXPECT_STREQ(p.cars[20].text, "car20");
  EXPECT_STREQ(p.cars[20].longText, "long20");

  // Version 5: no flags word, so the block and the long texts are cleared.
  p = SampleRecord();
  const Image v5 = PlayerImage(5, 0, 21);
  ASSERT_EQ(ReadPlayerFileImage(v5.data(), v5.bytes.size(), p), 1);
  EXPECT_EQ(p.options[5], 1);
  EXPECT_EQ(p.options[11], 21);
  EXPECT_EQ(p.block[0], 0);
  EXPECT_STREQ(p.cars[3].text, "car3");
  EXPECT_STREQ(p.cars[3].longText, "");

  // Version 7 gives options 5..7 from the file.
  const Image v7 = PlayerImage(7, 3, 21);
  ASSERT_EQ(ReadPlayerFileImage(v7.data(), v7.bytes.size(), p), 1);
  EXPECT_EQ(p.options[5], 15);
  EXPECT_EQ(p.options[7], 17);

  // Versions 4 and 8 are refused.
  for (const int version : {4, 8}) {
    const Image other = PlayerImage(version, 3, 21);
    PlayerRecord kept = SampleRecord();
    EXPECT_EQ(ReadPlayerFileImage(other.data(), other.bytes.size(), kept), 0) << version;
    EXPECT_TRUE(SameRecord(kept, SampleRecord()));
  }
}

TEST_F(PlayerFiles, FlagsSayWhichPartsAreValid) {
  PlayerRecord p = SampleRecord();
  const Image noBlock = PlayerImage(7, 1, 21);
  ASSERT_EQ(ReadPlayerFileImage(noBlock.data(), noBlock.bytes.size(), p), 1);
  EXPECT_EQ(p.block[10], 0);
  EXPECT_STREQ(p.cars[1].longText, "long1");
  const Image noTexts = PlayerImage(7, 2, 21);
  ASSERT_EQ(ReadPlayerFileImage(noTexts.data(), noTexts.bytes.size(), p), 1);
  EXPECT_EQ(p.block[10], 0x5A);
  EXPECT_STREQ(p.cars[1].longText, "");
  EXPECT_STREQ(p.cars[1].text, "car1");
}

TEST_F(PlayerFiles, EntryCountsOtherThanTheCarTable) {
  PlayerRecord p = SampleRecord();
  const Image more = PlayerImage(7, 3, 25);  // four entries past the cars are dropped
  ASSERT_EQ(ReadPlayerFileImage(more.data(), more.bytes.size(), p), 1);
  EXPECT_EQ(p.cars[20].value, 20);
  const Image fewer = PlayerImage(7, 3, 5);  // the cars without an entry get none
  ASSERT_EQ(ReadPlayerFileImage(fewer.data(), fewer.bytes.size(), p), 1);
  EXPECT_EQ(p.cars[4].value, 4);
  EXPECT_EQ(p.cars[5].value, -1);
  EXPECT_STREQ(p.cars[5].text, "");
  // Bytes after the last entry are left alone, as the older readers did.
  Image trailing = PlayerImage(7, 3, 21);
  trailing.Zeros(7);
  EXPECT_EQ(ReadPlayerFileImage(trailing.data(), trailing.bytes.size(), p), 1);
}

// A text that fills its whole field in the file (16 bytes, or 32 for a long text) keeps one
// character fewer: its last byte becomes the terminator.
TEST_F(PlayerFiles, TextsThatFillTheirFieldLoseTheirLastCharacter) {
  Image full = PlayerImage(7, 3, 21);
  // Offsets after the 8-byte header: garage text at 284, car 0's text at 316 and its long
  // text at 332 (312 + the 4-byte value, + 16).
  full.bytes.replace(8 + 284, 16, Bytes(16, 'G'));
  full.bytes.replace(8 + 316, 16, Bytes(16, 'T'));
  full.bytes.replace(8 + 332, 32, Bytes(32, 'L'));
  PlayerRecord p = SampleRecord();
  ASSERT_EQ(ReadPlayerFileImage(full.data(), full.bytes.size(), p), 1);
  EXPECT_EQ(std::string(p.garageText, 16), Bytes(15, 'G') + Bytes(1, '\0'));
  EXPECT_EQ(std::string(p.cars[0].text, 16), Bytes(15, 'T') + Bytes(1, '\0'));
  EXPECT_EQ(std::string(p.cars[0].longText, 32), Bytes(31, 'L') + Bytes(1, '\0'));
  EXPECT_STREQ(p.plate, "AB 1234X");
  EXPECT_STREQ(p.cars[1].text, "car1");
}

// The player's file is named after the player with control bytes, DEL and the characters no
// file name may hold left out; a space, a tilde and other printable bytes stay.
TEST_F(PlayerFiles, TheFileNameKeepsPrintableBytesAndDropsControlBytesAndDelete) {
  std::strcpy(CfgPlayerName, "\x1f" "A B~\x7f" "?z\x01");
  char path[FILE_PATH_SIZE];
  ASSERT_EQ(PlayerFilePath(path, sizeof path), 1);
  EXPECT_STREQ(path, "data\\misc\\A B~z.ply");
  std::strcpy(CfgPlayerName, " !");  // the first and second printable bytes
  ASSERT_EQ(PlayerFilePath(path, sizeof path), 1);
  EXPECT_STREQ(path, "data\\misc\\ !.ply");
  std::strcpy(CfgPlayerName, "\x1f\x7f");  // nothing left to name a file
  EXPECT_EQ(PlayerFilePath(path, sizeof path), 0);
}

TEST_F(PlayerFiles, EveryTruncationIsRefusedAndTheRecordKept) {
  for (const int version : {5, 6, 7}) {
    const Image good = PlayerImage(version, 3, 21);
    for (size_t n = 0; n < good.bytes.size(); ++n) {
      const Bytes cut(good.bytes.begin(), good.bytes.begin() + static_cast<long>(n));  // fresh copy for ASan
      PlayerRecord p = SampleRecord();
      EXPECT_EQ(ReadPlayerFileImage(reinterpret_cast<const uint8_t*>(cut.data()), cut.size(), p), 0) << n;
      ASSERT_TRUE(SameRecord(p, SampleRecord())) << version << " cut at " << n;
    }
  }
}

TEST_F(PlayerFiles, AnUnreadableFileIsKeptAsideBeforeDefaultsAreSaved) {
  std::strcpy(CfgPlayerName, "Bob");
  const Image good = PlayerImage(7, 3, 21);
  const Bytes damaged = good.bytes.substr(0, 400);
  Write("data/misc/Bob.ply", damaged);
  Player = SampleRecord();
  EXPECT_EQ(LoadPlayerFile(0), 0);
  EXPECT_TRUE(SameRecord(Player, SampleRecord()));
  EXPECT_EQ(Lines(), std::vector<std::string>{"File is damaged : data\\misc\\Bob.ply - kept as data\\misc\\Bob.ply.kept"});
  EXPECT_EQ(Read("data/misc/Bob.ply.kept"), damaged);
  EXPECT_FALSE(std::filesystem::exists("data/misc/Bob.ply"));
  EXPECT_EQ(LoadPlayerFile(1), 0);  // nothing there now: the defaults, no message
  EXPECT_EQ(Player.position, PLAYER_DEFAULT_POSITION);
  EXPECT_EQ(Player.cars[5].value, -1);
  EXPECT_EQ(SavePlayerFile(), 1);
  EXPECT_EQ(Read("data/misc/Bob.ply.kept"), damaged);

  // A later version's file (today's program cannot read it) is the next one kept.
  Image later = PlayerImage(7, 3, 21);
  later.bytes[7] = 8;
  Write("data/misc/Bob.ply", later.bytes);
  ClearLines();
  EXPECT_EQ(LoadPlayerFile(1), 0);
  EXPECT_EQ(Lines(), std::vector<std::string>{"File was created by a later version : data\\misc\\Bob.ply - kept as "
                                              "data\\misc\\Bob.ply.kept2"});
  EXPECT_EQ(Read("data/misc/Bob.ply.kept2"), later.bytes);
  EXPECT_EQ(SavePlayerFile(), 1);

  // Of another kind altogether.
  Write("data/misc/Bob.ply", Bytes("ZKTKBS\0\0not a player", 20));
  ClearLines();
  Player = SampleRecord();
  EXPECT_EQ(LoadPlayerFile(0), 0);
  EXPECT_TRUE(Said("File failed header check : data\\misc\\Bob.ply - kept as data\\misc\\Bob.ply.kept3"));
  EXPECT_TRUE(SameRecord(Player, SampleRecord()));

  ClearLines();  // a missing file is the first run of a new player: no message
  std::strcpy(CfgPlayerName, "Nobody");
  EXPECT_EQ(LoadPlayerFile(1), 0);
  EXPECT_TRUE(Lines().empty());
}

TEST_F(PlayerFiles, AnUnreadableFileThatCannotBeMovedIsNeverWrittenOver) {
  std::strcpy(CfgPlayerName, "Dan");
  Write("data/misc/Dan.ply", "damaged");
  Write("data/misc/Dan.ply.kept", "");
  for (int n = 2; n <= KEPT_ASIDE_MAX; ++n) Write("data/misc/Dan.ply.kept" + std::to_string(n), "");
  EXPECT_EQ(LoadPlayerFile(1), 0);
  EXPECT_EQ(Lines().size(), 1u);
  EXPECT_EQ(SavePlayerFile(), 0);
  EXPECT_EQ(Read("data/misc/Dan.ply"), "damaged");
  std::strcpy(CfgPlayerName, "Eve");  // another player's file is written as usual
  EXPECT_EQ(LoadPlayerFile(1), 0);
  EXPECT_EQ(SavePlayerFile(), 1);
}

TEST_F(PlayerFiles, NamesAreCleanedAndTheOldFileRenamed) {
  Write("data/misc/bad*name.ply", PlayerImage(7, 3, 21).bytes);
  std::strcpy(CfgPlayerName, "bad*name");
  EXPECT_EQ(LoadPlayerFile(1), 1);
  EXPECT_STREQ(CfgPlayerName, "badname");
  EXPECT_TRUE(Said("Corrected driver name"));
  EXPECT_TRUE(std::filesystem::exists("data/misc/badname.ply"));
  EXPECT_FALSE(std::filesystem::exists("data/misc/bad*name.ply"));

  // A name that cannot name a file here is never used as a path.
  std::strcpy(CfgPlayerName, "x/../evil");
  Player = SampleRecord();
  EXPECT_EQ(LoadPlayerFile(0), 0);
  EXPECT_STREQ(CfgPlayerName, "x/../evil");  // the rename failed: the name is kept
  EXPECT_TRUE(Said("Rename : Not found"));
  EXPECT_TRUE(SameRecord(Player, SampleRecord()));
  std::strcpy(CfgPlayerName, "../../evil");  // cleaned, it begins with a full stop
  EXPECT_EQ(LoadPlayerFile(0), 0);
  EXPECT_EQ(Player.position, PLAYER_DEFAULT_POSITION);  // a leading full stop gives the defaults
}

TEST_F(PlayerFiles, SavingNeedsANameAndKeepsTheOldFileOnFailure) {
  CfgPlayerName[0] = 0;
  EXPECT_EQ(SavePlayerFile(), 0);
  EXPECT_FALSE(std::filesystem::exists("data/misc"));

  std::strcpy(CfgPlayerName, "Carol");
  Player = SampleRecord();
  ASSERT_EQ(SavePlayerFile(), 1);
  const Bytes before = Read("data/misc/Carol.ply");
  Player.position = 99;
  FilesInjectCommitFailures(1, ENOSPC);
  int error = 0;
  EXPECT_EQ(SavePlayerFile(&error), 0);
  FilesInjectCommitFailures(0, 0);
  EXPECT_EQ(error, ENOSPC);
  EXPECT_EQ(Read("data/misc/Carol.ply"), before);

  // A file that cannot even be opened (a file stands where its folder would be) is no save.
  std::filesystem::rename("data/misc", "data/misc.kept");
  Write("data/misc", "not a folder");
  error = 0;
  EXPECT_EQ(SavePlayerFile(&error), 0);
  EXPECT_NE(error, 0);
  std::filesystem::remove("data/misc");
  std::filesystem::rename("data/misc.kept", "data/misc");

  EXPECT_EQ(PlayerFileExists("carol"), 1);  // any case
  EXPECT_EQ(PlayerFileExists("../Carol"), 0);
  EXPECT_EQ(RemovePlayerFile(), 1);
  EXPECT_EQ(PlayerFileExists("Carol"), 0);
}

// ---- Keyboard steering file ----

using KeyboardFiles = CommandTestFolder;

TEST_F(KeyboardFiles, ValuesAreClampedAsRead) {
  Image im(KBS_FILE_MAGIC, 0);
  const float written[KBS_VALUE_COUNT] = {25.0f, -1.0f, 0.3f, std::numeric_limits<float>::quiet_NaN(),
                                          0.5f, 2.0f, std::numeric_limits<float>::infinity(), 5.0f};
  for (const float f : written) im.Float(f);
  float values[KBS_VALUE_COUNT] = {};
  ASSERT_EQ(ReadKbsFileImage(im.data(), im.bytes.size(), values), 1);
  const float expected[KBS_VALUE_COUNT] = {10.0f, 0.0f, 0.3f, 1.0f, 0.5f, 1.2f, 1.0f, 10.0f};
  for (int i = 0; i < KBS_VALUE_COUNT; ++i) EXPECT_FLOAT_EQ(values[i], expected[i]) << i;
  // Every value past either end of its range: 2..10, 0..1, 0..1, 1..3, 0..1, 0.4..1.2, 0..1, 10..200.
  const float above[KBS_VALUE_COUNT] = {11.0f, 2.0f, 2.0f, 4.0f, 2.0f, 1.5f, 2.0f, 250.0f};
  const float below[KBS_VALUE_COUNT] = {1.0f, -1.0f, -1.0f, 0.5f, -1.0f, 0.3f, -1.0f, 5.0f};
  const float highest[KBS_VALUE_COUNT] = {10.0f, 1.0f, 1.0f, 3.0f, 1.0f, 1.2f, 1.0f, 200.0f};
  const float lowest[KBS_VALUE_COUNT] = {2.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.4f, 0.0f, 10.0f};
  for (const auto& [in, out] : {std::pair{above, highest}, std::pair{below, lowest}}) {
    Image beyond(KBS_FILE_MAGIC, 0);
    for (int i = 0; i < KBS_VALUE_COUNT; ++i) beyond.Float(in[i]);
    ASSERT_EQ(ReadKbsFileImage(beyond.data(), beyond.bytes.size(), values), 1);
    for (int i = 0; i < KBS_VALUE_COUNT; ++i) EXPECT_FLOAT_EQ(values[i], out[i]) << i << " from " << in[i];
  }

  for (size_t n = 0; n < im.bytes.size(); ++n) {
    const Bytes cut(im.bytes.begin(), im.bytes.begin() + static_cast<long>(n));
    float kept[KBS_VALUE_COUNT] = {7};
    EXPECT_EQ(ReadKbsFileImage(reinterpret_cast<const uint8_t*>(cut.data()), cut.size(), kept), 0) << n;
    EXPECT_EQ(kept[0], 7.0f);
  }
}

TEST_F(KeyboardFiles, DefaultsRoundTripAndTheTextCommands) {
  EXPECT_FLOAT_EQ(CfgKeyboardSteer[0], 6.0f);
  EXPECT_FLOAT_EQ(CfgKeyboardSteer[5], 0.8f);
  CfgKeyboardSteer[1] = 0.75f;
  CfgHalfReduceSpeedKb = 120.0f;
  Prss_SendMessage(nullptr, "/savekb mine", SOURCE_TYPED);
  ASSERT_EQ(Read("data/misc/mine.kbs").size(), 8u + 32u);
  LoadConfigFromText("", 0);
  EXPECT_FLOAT_EQ(CfgKeyboardSteer[1], 0.4f);
  Prss_SendMessage(nullptr, "/loadkb mine", SOURCE_TYPED);
  EXPECT_FLOAT_EQ(CfgKeyboardSteer[1], 0.75f);
  EXPECT_FLOAT_EQ(CfgHalfReduceSpeedKb, 120.0f);
  EXPECT_FALSE(Said(ReplyText(53)));

  Prss_SendMessage(nullptr, "/loadkb missing", SOURCE_TYPED);
  EXPECT_TRUE(Said(ReplyText(53)));
  Write("data/misc/short.kbs", Bytes("ZKTKBS\0\0\0\0\x20\x41", 12));
  CfgKeyboardSteer[0] = 3.0f;
  EXPECT_EQ(LoadKbsFile("short"), 0);
  EXPECT_FLOAT_EQ(CfgKeyboardSteer[0], 3.0f);
  Prss_SendMessage(nullptr, "/savekb ../outside", SOURCE_TYPED);
  EXPECT_TRUE(Said("Invalid file name : ../outside holds \"/\", which no file name may hold"));
  EXPECT_FALSE(std::filesystem::exists("data/outside.kbs"));
}

// ---- update_cfg.txt ----

TEST(UpdateSettings, OnlyTheProgramsOwnVersionKeepsTheSetting) {
  const std::string own = std::string("Version ") + PROGRAM_VERSION + "\nUpdate 0\n";
  ReadUpdateConfigFromText(own.data(), own.size());
  EXPECT_EQ(UpdateSetting, 0);
  EXPECT_EQ(UpdateSettingInForce, 0);
  const std::string older = "Version 0.0A01\nUpdate 0\n";
  ReadUpdateConfigFromText(older.data(), older.size());
  EXPECT_EQ(UpdateSetting, 1);
  EXPECT_EQ(UpdateSettingInForce, 1);
  const std::string large = std::string("Update 900\r\nVersion ") + PROGRAM_VERSION + "\r\n";
  ReadUpdateConfigFromText(large.data(), large.size());
  EXPECT_EQ(UpdateSetting, 255);
  ReadUpdateConfigFromText("", 0);
  EXPECT_EQ(UpdateSetting, 1);
}

using UpdateFile = CommandTestFolder;

TEST_F(UpdateFile, WrittenFileReadsBack) {
  ReadUpdateConfig();  // no file
  EXPECT_EQ(UpdateSettingInForce, 1);
  UpdateSetting = 2;
  ASSERT_EQ(SaveUpdateConfig(), 1);
  EXPECT_EQ(Read("update_cfg.txt"), std::string("Version ") + PROGRAM_VERSION + "\nUpdate 2\n");
  UpdateSetting = 7;
  ReadUpdateConfig();
  EXPECT_EQ(UpdateSetting, 2);
  EXPECT_EQ(UpdateSettingInForce, 2);
}

// update_cfg.txt is read up to 1 MiB (1048576 bytes); a file one byte longer is damage, told
// in the log, and asks for updates again.
TEST_F(UpdateFile, AFileOfOneMebibyteIsReadAndOneByteMoreIsNot) {
  const std::string settings = std::string("Version ") + PROGRAM_VERSION + "\nUpdate 0\n";
  const std::string atLimit = settings + std::string(1048576 - settings.size(), '\n');
  ASSERT_EQ(atLimit.size(), 1048576u);
  Write("update_cfg.txt", atLimit);
  UpdateSetting = 5;
  ReadUpdateConfig();
  EXPECT_EQ(UpdateSetting, 0);
  EXPECT_EQ(UpdateSettingInForce, 0);
  Write("update_cfg.txt", atLimit + "\n");
  ReadUpdateConfig();
  EXPECT_EQ(UpdateSetting, 1);
  EXPECT_EQ(UpdateSettingInForce, 1);
  bool told = false;
  for (const std::string& line : Lines()) told = told || line.find("Could not read update_cfg.txt") != std::string::npos;
  EXPECT_TRUE(told);
}

// ---- Defaults and look-ups ----

TEST(PlayerDefaults, LanguageDefaultsFollowTheUsersLanguage) {
  const char* saved = std::getenv("LANG");
  const std::string keep = saved ? saved : "";
  unsetenv("LC_ALL");
  unsetenv("LC_MESSAGES");
  setenv("LANG", "de_DE.UTF-8", 1);
  SetLanguageDefaults();
  EXPECT_EQ(Player.options[2], 1);
  EXPECT_EQ(Player.options[11], 1);
  setenv("LANG", "en_GB.UTF-8", 1);
  SetLanguageDefaults();
  EXPECT_EQ(Player.options[10], 0);
  if (saved) setenv("LANG", keep.c_str(), 1); else unsetenv("LANG");
}

// The defaults: the driver "Driver", the plate "ZKT 01", the first two cars' skins
// "Standard", no other entry, the block cleared and option 1 off; the other options kept.
TEST(PlayerDefaults, TheDefaultsNameTheDriverThePlateAndTheFirstTwoSkins) {
  const PlayerRecord saved = Player;
  Player = SampleRecord();
  SetPlayerDefaults();
  EXPECT_EQ(Player.options[1], 0);
  EXPECT_EQ(Player.options[0], 0);   // the unused slot, 0 in the sample too
  EXPECT_EQ(Player.options[2], 6);   // option n is 3n in the sample
  EXPECT_EQ(Player.block[0], 0);
  EXPECT_EQ(Player.block[255], 0);
  EXPECT_STREQ(Player.garageText, "Driver");
  EXPECT_STREQ(Player.plate, "ZKT 01");
  EXPECT_STREQ(Player.cars[0].text, "Standard");
  EXPECT_STREQ(Player.cars[1].text, "Standard");
  for (int i = 2; i < PLAYER_CAR_COUNT; ++i) EXPECT_STREQ(Player.cars[i].text, "") << i;
  for (const PlayerCarInfo& car : Player.cars) {
    EXPECT_EQ(car.value, -1);
    EXPECT_STREQ(car.longText, "");
  }
  Player = saved;
}

// The language options are 2, 10 and 11; their neighbours are left alone.
TEST(PlayerDefaults, TheLanguageDefaultsTouchOnlyOptionsTwoTenAndEleven) {
  const PlayerRecord saved = Player;
  const char* lang = std::getenv("LANG");
  const std::string keep = lang ? lang : "";
  unsetenv("LC_ALL");
  unsetenv("LC_MESSAGES");
  for (const auto& [locale, expected] : {std::pair{"de_DE.UTF-8", 1}, std::pair{"en_GB.UTF-8", 0}}) {
    Player = PlayerRecord{};
    std::memset(Player.options, 7, sizeof Player.options);
    std::memset(Player.block, 7, sizeof Player.block);
    setenv("LANG", locale, 1);
    SetLanguageDefaults();
    for (int n = 0; n <= PLAYER_OPTION_COUNT; ++n)
      EXPECT_EQ(Player.options[n], n == 2 || n == 10 || n == 11 ? expected : 7) << locale << " option " << n;
    EXPECT_EQ(Player.block[0], 7) << locale;
  }
  if (lang) setenv("LANG", keep.c_str(), 1); else unsetenv("LANG");
  Player = saved;
}

TEST(PlayerLookups, CarsAndTracksAreFoundWithoutRegardToCase) {
  SetPlayerDefaults();
  std::strcpy(CfgSelectedCar, "rc2");
  EXPECT_EQ(FindCurrentCarInfo(), &Player.cars[FindCarShortName("RC2")]);
  std::strcpy(CfgSelectedCar, "nothing");
  EXPECT_EQ(FindCurrentCarInfo(), nullptr);
  EXPECT_EQ(FindCarInfoByCode(CarCode(20)), &Player.cars[20]);
  EXPECT_EQ(CarCode(0), 0x00314B5Au);  // "ZK1"
  EXPECT_EQ(FindCarInfoByCode(0), nullptr);
  // The last car of the table has a code; an index either side of the table has none.
  const char* last = BuiltinVehicleTable[BUILTIN_VEHICLE_COUNT - 1].code;
  EXPECT_EQ(CarCode(BUILTIN_VEHICLE_COUNT - 1), uint32_t(uint8_t(last[0])) | uint32_t(uint8_t(last[1])) << 8 |
                                                    uint32_t(uint8_t(last[2])) << 16);
  EXPECT_EQ(CarCode(BUILTIN_VEHICLE_COUNT), 0u);
  EXPECT_EQ(CarCode(-1), 0u);
  EXPECT_EQ(FindTrackByName("riverbank"), 6);
  EXPECT_EQ(FindTrackByName("Nowhere"), -1);
}

TEST(PlayerLookups, FlagsFollowControlModeAndOptions) {
  PlayerRecord saved = Player;
  Player = PlayerRecord{};
  CfgDriverPosView = 0;
  CfgControlModeInForce = 1;  // wheel: assisted while option 3 is 0
  EXPECT_EQ(PlayerFlags(SHIFT_H_PATTERN), 0x208u);
  EXPECT_EQ(PlayerFlags(SHIFT_OTHER), 0x200u);
  Player.options[3] = 2;      // a separate shifter
  EXPECT_EQ(PlayerFlags(SHIFT_H_PATTERN), 0x10u);
  Player.options[7] = 1;
  EXPECT_EQ(PlayerFlags(SHIFT_H_PATTERN), 0x210u);
  Player.options[3] = 1;
  Player.options[6] = 1;
  EXPECT_EQ(PlayerFlags(SHIFT_H_PATTERN), 0x200u);
  EXPECT_EQ(PlayerFlags(SHIFT_SEQUENTIAL), 0u);
  Player.options[5] = 1;
  EXPECT_EQ(PlayerFlags(SHIFT_MOTORBIKE), 0x200u);
  EXPECT_EQ(PlayerFlags(SHIFT_PADDLE), 0x200u);
  Player.options[9] = 1;      // the assist bit of the modes other than 0
  EXPECT_EQ(PlayerFlags(SHIFT_PADDLE), 0x240u);
  CfgControlModeInForce = 0;  // keyboard: assisted while option 4 is set
  CfgDriverPosView = 1;
  Player.options[4] = 1;
  EXPECT_EQ(PlayerFlags(SHIFT_SEQUENTIAL_CUT), 0x2208u);
  Player.options[8] = 1;
  EXPECT_EQ(PlayerFlags(SHIFT_PADDLE), 0x2248u);
  Player.options[4] = 0;  // the keyboard unassisted, whatever the wheel's option 3 says
  EXPECT_EQ(PlayerFlags(SHIFT_PADDLE), 0x2240u);
  CfgControlModeInForce = 2;  // the mouse: assisted by option 4 as the keyboard, its assist bit option 9's
  Player.options[4] = 1;
  Player.options[3] = 2;
  Player.options[9] = 0;
  EXPECT_EQ(PlayerFlags(SHIFT_PADDLE), 0x2208u);
  CfgDriverPosView = 0;
  Player = saved;
}

}  // namespace
