// text_names.h - names and file names in coded text: cleaning, display, checks and the
// player file name.
//
// Sections: [Cleaning] [Display] [Checks] [Player files]
//
// Names are coded text that starts in code page 0.  The ten characters a file name may not
// hold are kept escaped in names ("^d" for "\") and unescaped only for display.  Main thread
// only: the display-name buffers are shared.
#pragma once

constexpr char UNNAMED[] = "unnamed";

// ---- [Cleaning] ----
// Cleans a name into out (outSize bytes, at least 8) and returns the end of the output:
// caret codes whose second byte lies from "0" to "z" are kept (the code fromDigit written as
// toDigit; 0 for none); a caret before any other byte is dropped with it; bytes below 32 are
// dropped; a lead byte is kept with its trail byte when that is 64 or more, else dropped;
// leading and trailing spaces go, and an empty result becomes "unnamed".  flag (optional)
// becomes 1 when a "\" or a byte of 128 or more is kept, else 0.  A name longer than out
// is cut where no code or double-byte character is split.
char* CleanName(char* out, int outSize, const char* in, int fromDigit, int toDigit, int* flag);

// ---- [Display] ----
constexpr int DISPLAY_NAME_SIZE = 32;
// The name cleaned for a message, with "^8" turned into "^:" so it cannot reset the
// message's own code page.  While the translation is not in Latin 1, a name that holds a
// "\" or a byte of 128 or more gets "^L" in front, so it shows in Latin 1.  Two buffers
// are used in turn, so two names can stand in one message; a name is cut to fit.
const char* MakeDisplayName(const char* name);

// When the name holds a "\" or a byte above 127, moves it right by two and writes "^" and
// the code page's letter in front; the name is cut to size - 3 bytes first (never inside a
// character of that page), so the field stays terminated.  Returns 1 when it did.
int SetCodepagePrefixN(char* name, int size, int codePage);
constexpr int PREFIXED_NAME_SIZE = 64;
int SetCodepagePrefix(char* name, int codePage);  // a field of PREFIXED_NAME_SIZE bytes

// ---- [Checks] ----
// Only digits, "A".."Z", "a".."z", ".", "-", "_" and spaces.
bool IsPlainName(const char* text);
// The user-name check: 0 good, 1 empty or shorter than 3 bytes, 2 a byte that may not stand
// in a user name, 3 a space at the start or the end.
int CheckUserName(const char* name);

// A name the user gave that FileNameFault (platform/files.h) refused, for a message:
// "<text> : <name> <fault>" (the language's "%s : %s") with the name made fit for a message
// as MakeDisplayName does, but not cut below 95 characters, so that it names the file
// ("<text> : the name is empty" for none).  text is the refusal's own words ("Invalid file
// name").
constexpr int NAME_REFUSAL_SIZE = 192;
void FormatNameRefusal(char* out, int outSize, const char* text, const char* name, const char* fault);
// The path of a file name the user gave: pattern with the name in place of "%s".  1, or 0
// with refusal "Invalid file name : <name> <why>" (NAME_REFUSAL_SIZE bytes) for a name
// FileNameFault refuses or a path that does not fit.
int MakeUserFilePath(char* path, int pathSize, const char* pattern, const char* name, char* refusal);

// ---- [Player files] ----
constexpr int PLAYER_NAME_BUDGET = 23;  // characters of a player name with its "_%d"
// Finds a free player file for name: "data\misc\<name>.ply", else "<name>_1", "_2" ... (up to
// 9, 99 or 999 as the budget leaves 2, 3 or 4 and more characters) .  Returns 1 with the
// path in pathOut and the name used copied back into name (nameSize bytes); 0 when no name
// is free, the budget is spent, or FileNameFault refuses the name.  An existing file is
// found whatever the case of its name, as the system the files come from would.
int MakeUniquePlayerFileName(char* pathOut, int pathSize, char* name, int nameSize);
