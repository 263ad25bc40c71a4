// text_commands.h - typed lines, text commands and scripts: the one entry point of every
// line the user types, a script holds, a function key sends or the control link forwards.
//
// Sections: [Entry] [Replies] [Scripts] [Parsers] [Chat] [Views] [Command settings]
//
// A line beginning with "/" is a text command, anything else a chat line.  A typed line
// may hold several commands separated by " /"; "//name" runs the script
// "data\script\name.zkt".  Commands run at once on the main thread; what they ask of the
// window or the screens is carried out later by the frame loop.
#pragma once
#include <cstdint>

// ---- [Entry] ----
enum CommandSource : int {
  SOURCE_TYPED = 0,    // typed by the user
  SOURCE_SCRIPT = 1,   // a script line: replies go to CommandReply
  SOURCE_KEY = 2,      // a function-key message, or a line re-sent by "say"
  SOURCE_CTRLINK = 3,  // a line from a control-link program: no programs, files or scripts
};

void Prss_SendMessage(void* unused, const char* line, int source);
// Splits a command line and runs each command; allowScripts lets "//name" run a script.
void DispatchTextCommand(const char* line, int source, int allowScripts);
// Runs one command word (compared without regard to case) with its value.
void HandleCommand(const char* word, const char* value, const char* line, int source);

// ---- [Replies] ----
constexpr int COMMAND_REPLY_SIZE = 96;
extern char CommandReply[COMMAND_REPLY_SIZE];  // the reply to the last script line
// To a script: into CommandReply; otherwise a message line in the error colour.
void ReplyToCommand(const char* text, int source);
void ReplyCode(int replyCode, int source);      // a host-reply text by number (40, 47, ...)
int  RequireCommandValue(const char* value, int source);  // 0 after "This command needs a parameter"
int  CheckCommandAllowed(int source);           // 1 during a race session; none runs here

// ---- [Scripts] ----
constexpr int MAX_SCRIPT_DEPTH = 12;      // scripts and simulated key presses under way
// Lines one script run executes in all, the scripts it runs included: scripts that run
// each other several times would otherwise multiply up to the depth limit.
constexpr int SCRIPT_RUN_LINE_MAX = 10000;
constexpr int SCRIPT_FILE_MAX = 2048;     // bytes
constexpr int SCRIPT_LINE_SIZE = 96;      // bytes of a line with its "/" and terminating zero
constexpr const char* SCRIPT_PATH = "data\\script\\%s.zkt";
extern int ScriptDepth;
// Runs the script's lines.  A run stops with a message once it has executed
// SCRIPT_RUN_LINE_MAX lines; "Too many scripts" is shown once per run.
void RunScriptFile(const char* name);

// ---- [Parsers] ----
// Copies the word that starts one character after text (up to "=", a blank or the end, at
// most size - 1 characters); returns the rest after the separator and any blanks.
const char* ParseCommandWord(int size, char* word, const char* text);
// Copies up to 93 characters after an opening double quote up to the closing one; returns
// the rest after blanks.  out holds at least 94 bytes.
const char* ParseQuotedName(char* out, const char* text);
// A word of up to 15 characters (name holds 16 bytes) followed by a whole number, a single
// key character, or two whole numbers.  0, 41 (second part missing) or 47 (not valid).
int ParseNameAndNumber(const char* value, char* name, int& number);
int ParseNameAndKey(const char* value, char* name, int& key);
int ParseTwoNumbers(const char* value, int& first, int& second);

// ---- [Chat] ----
constexpr uint32_t CHAT_INTERVAL_MS = 500;  // a chat line within this of the last is dropped
constexpr int CHAT_TEXT_MAX = 100;          // bytes of text in a chat packet
extern uint32_t LastChatTime;               // ProgramClock of the last chat line
extern int LastBlockModeSent;
extern uint32_t LastBlockRequestTime;
// Builds the chat packet; offline the line is only shown to the local user.
void SendChatLine(const char* line, int toCtrlink);
// Asks the host for block mode 0..2; at most once per 500 ms (else error sound 3).
void SendBlockRequest(int mode);
// The chat packet last built: its size in 4-byte words, type 1, the text from byte 4.
extern uint8_t LastChatPacket[4 + CHAT_TEXT_MAX + 4];

// ---- [Views] ----
int  SimulatedKeyCommand(const char* word, const char* value, int source);  // 1 when it took the word
void SetViewFov(float degrees);
// Opens the program's web page (frontend/frontend.h's WEB_SITE_ADDRESS) and ends the program.
void VisitWebSite();

// ---- [Command settings] ----
// Settings that commands change and that later readers (race, force feedback, views) take.
struct CommandSettings {
  int horn;                // 0..4
  int sirenMode;           // 0 off, 1 fast, 2 slow
  int syncOn;
  int forceFeedback;       // 0..150
  int aiSkill;             // 1..5, the default skill of new AI drivers
  float headTilt;          // 0..2
  float shift[3];          // lateral, forward, vertical: 0..0.1
  int hideText;
  int gearMode;            // 0 auto, 1 sequential, 2 shifter, 3 fixed
  int autoClutch;
  int view;                // 0 fol, 1 heli, 2 cam, 3 driver, 4 custom
  int mprLagMs, mprSmooth, mprFlushSeconds;
  float converge[2];
};
extern CommandSettings CommandState;

// Clears the state of this module (between tests).
void ResetTextCommandState();
