// command_line.h - the command line, command files and requests to a running instance.
//
// Sections: [Run mode and requests] [Start-up] [Options] [Running instance] [Services]
//
// Start-up reads its command line in two steps: HandleUrlRequest first (a "ZKT://" request,
// or a replay, setup or layout file handed over by the desktop), then ParseCommandLine.
// Options are "/name=value" items; a command file ("/cfg=name") holds more of them.  Every
// option error ends parsing with StartupErrorText set and RunMode 0.  Main thread only.
#pragma once
#include <cstdint>

#include "vehicle_data/builtin_vehicles.h"  // the car codes

// ---- [Run mode and requests] ----
constexpr int REQUEST_TEXT_SIZE = 64;
extern char RequestText[REQUEST_TEXT_SIZE];  // replay or vehicle name, or mod id, of a request
extern int PendingRequestType;    // 0 none, else the request code (1..4) the screens carry out
extern int UrlRequestActive;      // the options come from a "ZKT://" request; cleared after parsing
extern char UrlCommandLine[1024]; // the decoded options of a "ZKT://" request
extern char StartupErrorText[256];
constexpr const char* TEXT_HOW_OPTIONS_ARE_WRITTEN = "Options are written /name=value (docs/guide/command_line.md)";  // the text of a command-line error (RunMode 0)
// The error's second line, in its box and on standard error: with "Command %d is invalid" the
// option as it was written ("/bogus=7"), where the text alone would leave the user counting
// options; with "Invalid command line" (text that does not start with "/") how options are
// written; else empty.
extern char StartupErrorSecond[128];
extern int CommandLineVrChoice;   // 0 as configured, 1 VR off, 2 VR on
extern int CommandLineVrPlugin;   // with VR on: 0 either, 1 the first plug-in, 2 the second

// Instance request codes (the request's text in brackets).
enum InstanceRequestCode : uint32_t {
  REQUEST_SINGLE_REPLAY = 1,   // open a single-player replay (name without extension)
  REQUEST_MULTI_REPLAY = 2,    // open a multiplayer replay (name without extension)
  REQUEST_SETUP_COPIED = 3,
  REQUEST_LAYOUT_COPIED = 4,
  REQUEST_JOIN = 129,          // join a game (its name)
  REQUEST_GET_MOD = 130,       // (mod id, 6 hexadecimal digits)
  REQUEST_TEST_MOD = 131,
};
// Reply codes; each but REPLY_DONE has a text the second start shows.
enum InstanceReply : uint32_t {
  REPLY_NOT_PROCESSED = 0, REPLY_DONE = 1, REPLY_UNKNOWN_CODE = 2, REPLY_NO_SCREEN = 3,
  REPLY_BAD_TEXT = 4, REPLY_IN_MULTIPLAYER = 5, REPLY_NO_TRACK = 6,
};
const char* InstanceReplyText(uint32_t reply);  // null for REPLY_DONE

// ---- [Start-up] ----
// 1 when another instance runs in this working folder.
int FindRunningInstance();
// What start-up does after HandleUrlRequest.
enum UrlRequestResult : int {
  URL_PARSE_OPTIONS = 0,   // go on and parse the options (UrlCommandLine while UrlRequestActive)
  URL_OPEN_HANDED_REPLAY,  // go on without options: this instance opens the replay it was handed
  URL_DONE,                // end with exit code 0: handed over, copied, or declined by the user
  URL_FAILED,              // end with a non-zero exit code; StartupErrorText says why
};
// Deals with a "ZKT://" request or a file handed over by the desktop (a replay, setup or
// layout, by a relative or an absolute path).  A command line that begins with an option
// ("/name=" or a "//" comment) is left to ParseCommandLine; so is anything else that names
// no file of ours.  A "ZKT://" request leaves its decoded options in UrlCommandLine with
// UrlRequestActive set.  Questions and notices are shown here; errors are left in
// StartupErrorText for start-up to show and log.
UrlRequestResult HandleUrlRequest(int runningInstance, const char* commandLine);
// Parses the options (an empty line does nothing); sets RunMode, StartupErrorText, settings.
void ParseCommandLine(const char* commandLine);
// The running instance listens for requests from later starts (from the end of start-up).
void OpenInstanceRequests();
void CloseInstanceRequests();
// Answers the requests of later starts that wait now; called by the frame loop's pump.
void ServeInstanceRequests();

// ---- [Options] ----
constexpr int OPTION_COUNT = 56;
constexpr int OPTION_VALUE_MAX = 95;      // characters
constexpr int COMMAND_FILE_MAX = 4096;    // bytes of a command file

// Settings of a multiplayer race that only the command line sets.
struct CommandLineRaceOptions {
  int qualifyMinutes;
  int lapsCode;          // laps up to 100, 100 + (laps - 100) / 10 above, 190 + hours
  int wind;
  int restartDelaySeconds[2];  // rstmin, rstend
  int debugSwitch;       // ndebug
  int ctrlinkPort;       // 0 none
};
extern CommandLineRaceOptions RaceOptions;

// The index of the first entry equal to text without regard to case, or -1.
int FindStringInList(const char* text, const char* const* list, int count);
// "no" clears and "yes" sets bit in "MP Flags "; 1 when the value was one of them.
int ParseYesNoRuleOption(const char* value, uint32_t bit);
// A list of car and group names joined by " ", "+", "," (add) and "-" (remove) into
// "MP Rules ".  1 on success; on failure "MP Rules " is unchanged.
int ParseCarsOption(const char* value);
// Sets the game to join (null: the current one); 0, or the language text id of the error.
int SetJoinGameName(const char* name);
// Keeps a mod id (6 hexadecimal digits that IsModCarId accepts) as the request text and sets
// RunMode to mode; 0, or the language text id of the error (too long, or not a mod id).
int SetModSkinId(const char* text, int mode);
// 0 when "data\<name>" exists or was made.
int MakeDataSubfolder(const char* name);

// ---- [Running instance] ----
// Hands a request to the running instance and shows the reply's text in an error box.
// Returns the reply code (REPLY_NOT_PROCESSED also when no reply came in time).
uint32_t SendToRunningInstance(const char* text, uint32_t code);
// A request that a later start handed to this instance; returns the reply code.
uint32_t HandleInstanceRequest(uint32_t code, const char* text);

// ---- [Services] ----
// The car codes are the built-in vehicles' (vehicle_data/builtin_vehicles.h).
int FindCarShortName(const char* code);  // index, or -1 (any case)
// Writes "guest.txt" for programs that watch the joined game: connectionState 2 is in a
// game, anything else online.  1 when written.
int WriteGuestStatus(int connectionState, const char* joinedName);
// Ends the program after a hot-lap check: the first code given is the exit code.
void ExitForHotlapCheck(int code);

// Clears the state of this module (between tests).
void ResetCommandLineState();
