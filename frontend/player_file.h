// player_file.h - the player's own files: the player file, the keyboard steering file and
// update_cfg.txt; their defaults, and the look-ups over the cars and tracks they refer to.
//
// Sections: [Player record] [Player file] [Keyboard steering file] [Update settings]
//           [Defaults] [Look-ups]
//
// Both binary files are DataFile containers under "data\misc".  A file that cannot be
// opened, is damaged or cut short changes nothing: it is read into a record of its own and
// taken only when every field was there.  Main thread only.
#pragma once
#include <cstddef>
#include <cstdint>

#include "vehicle_data/builtin_vehicles.h"

// ---- [Player record] ----
// One entry per built-in vehicle, in the table's order (bit i of "MP Rules " is vehicle i too).
constexpr int PLAYER_CAR_COUNT = BUILTIN_VEHICLE_COUNT;
constexpr int PLAYER_OPTION_COUNT = 11;
constexpr int PLAYER_BLOCK_SIZE = 256;
constexpr int PLAYER_DEFAULT_POSITION = 30;

struct PlayerCarInfo {
  int32_t value;      // -1 for none
  char text[16];      // terminated
  char longText[32];  // terminated
};

// What the options and garage screens keep for the player.  The meanings of the options,
// the block and the per-car entries belong to those screens; this file only stores them.
struct PlayerRecord {
  int32_t position;                          // the garage's selected list position
  uint8_t options[PLAYER_OPTION_COUNT + 1];  // options[n] is option n (1..11); [0] unused
  uint8_t block[PLAYER_BLOCK_SIZE];
  char garageText[16];                       // terminated
  char plate[9];                             // the 8-byte number plate, terminated here
  PlayerCarInfo cars[PLAYER_CAR_COUNT];
};
extern PlayerRecord Player;

// ---- [Player file] ----
// "data\misc\<player name>.ply": magic "ZKTPLY", version 7 written, 5..7 read.  Before
// version 7 the three bytes of options 5..7 are absent (they become 1, 1, 0); before
// version 6 the flags word and the per-car 32-byte texts are absent.
constexpr const char* PLAYER_FILE_MAGIC = "ZKTPLY";
constexpr int PLAYER_FILE_VERSION = 7;
constexpr int PLAYER_FILE_LOWEST_VERSION = 5;
constexpr uint32_t PLAYER_FLAG_LONG_TEXTS = 1;  // the per-car 32-byte texts are valid
constexpr uint32_t PLAYER_FLAG_BLOCK = 2;       // the 256-byte block is valid

// Loads the file of CfgPlayerName into Player.  A name that is no valid file name is cleaned
// first and the file renamed to match ("Corrected driver name").  Returns 1 when read; 0 when
// the file is missing, damaged, cut short or of an unknown version, after setting the
// defaults when setDefaults is non-zero and otherwise leaving Player as it was.  A file that
// is there but could not be read is kept aside under a new name, with one message line
// (KeepUnreadFileAside); one that cannot be moved is never written over in this run.
int LoadPlayerFile(int setDefaults);
// Writes Player to the file of CfgPlayerName.  Returns 1 when written; 0 when the name is
// empty (nothing is written), the file is left alone (see LoadPlayerFile) or could not be
// written (the old one is kept).  error (when given) receives 0, or the errno value of a
// failed write.
int SavePlayerFile(int* error = nullptr);
// The current player's file ("data\misc\<name>.ply", the name cleaned); 0 when there is none.
int PlayerFilePath(char* out, int outSize);
// Reads a whole player file image (header and body) into out.  1 when complete; otherwise 0
// with out untouched.  The reader behind LoadPlayerFile.
int ReadPlayerFileImage(const uint8_t* image, size_t length, PlayerRecord& out);
int PlayerFileExists(const char* name);  // 1 when "data\misc\<name>.ply" exists
int RemovePlayerFile();                  // deletes the current player's file; 1 when gone

// ---- [Keyboard steering file] ----
// "data\misc\<name>.kbs": magic "ZKTKBS", version 0; eight floats, each clamped on reading:
// CfgKeyboardSteer[0..5], then CfgSpeedSteerReductionKb and CfgHalfReduceSpeedKb.
constexpr const char* KBS_FILE_MAGIC = "ZKTKBS";
constexpr int KBS_FILE_VERSION = 0;
constexpr int KBS_VALUE_COUNT = 8;

// 1 when loaded; 0 when it cannot be opened or is damaged (the values stay as they were).
int LoadKbsFile(const char* name);
int SaveKbsFile(const char* name);  // 1 when written; 0 when it could not be created
// Reads a whole keyboard file image into values, clamped; 1 when complete, else 0 with
// values untouched.
int ReadKbsFileImage(const uint8_t* image, size_t length, float values[KBS_VALUE_COUNT]);

// ---- [Update settings] ----
// "update_cfg.txt", read with cfg.txt's key reader: "Version " (the program's version text)
// and "Update " (0..255).  A file written by another version asks for updates again (1).
constexpr const char* UPDATE_CONFIG_PATH = "update_cfg.txt";
extern int UpdateSetting;        // as chosen by the user; 1 by default
extern int UpdateSettingInForce; // the value this run works with, fixed at start-up

void ReadUpdateConfig();
void ReadUpdateConfigFromText(const char* text, size_t length);  // the same over text in memory
int  SaveUpdateConfig();  // 1 when written

// ---- [Defaults] ----
// Position 30, option 1 cleared, the block cleared, the default texts and two per-car entries.
void SetPlayerDefaults();
// Options 2, 10 and 11: 0 when the user's language is English, else 1.
void SetLanguageDefaults();

// ---- [Look-ups] ----
// The per-car entry of "Selected Car " (any case), or null.
PlayerCarInfo* FindCurrentCarInfo();
// The 4-byte code of a built-in vehicle as one word, low byte first; 0 out of range.
uint32_t CarCode(int car);
PlayerCarInfo* FindCarInfoByCode(uint32_t code);  // null when no car has it

enum ShiftType { SHIFT_H_PATTERN = 1, SHIFT_MOTORBIKE = 2, SHIFT_SEQUENTIAL = 3, SHIFT_SEQUENTIAL_CUT = 4,
                 SHIFT_PADDLE = 5, SHIFT_OTHER = 7 };
// The player's control and assist bits for a car with the given gearbox kind.
uint32_t PlayerFlags(int shiftType);
