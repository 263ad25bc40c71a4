// language.h - interface and message texts by key, language files and help texts.
//
// Sections: [Table] [Texts] [Languages] [Help]
//
// Every text the program shows is read through its slot, LanguageTexts[TX_<key>].  Each slot
// starts at its built-in English text; a language file "data\language\<name>.txt" points slots
// at its own texts, key by key.  Screens may keep a slot's pointer for as long as they live: the
// text of a translation that is replaced or reset stays allocated until FreeLanguages at
// shut-down, so no switch of language leaves a screen reading freed memory.
//
// Language file: one text per line, "<key><any one character><text>", the key exactly 11
// characters (case-sensitive).  Lines end at a carriage return or a newline; only the first 127
// characters of a line count; shorter lines and unknown keys are ignored.  A text is refused,
// with a message, when it does not fit its slot ("Too long : %s (by %d)") or when its printf
// conversions differ from the English text's (the caller passes the English arguments).
// "tx_codepage" names the Windows code page of the texts; a translation in a code page that
// has no font is refused as a whole.
//
// Help file "data\language\help_<name>.txt" or "data\language\help.txt": blocks, each starting
// with "\" and its key at the start of a line and running to the next such "\".  An "@"
// straight after the key starts a comment that runs to the end of that line.
//
// Main thread only.
#pragma once
#include <cstdint>

#include "core/process.h"
#include "text/language_keys.h"

// ---- [Table] ----
constexpr int LANGUAGE_KEY_LENGTH = 11;
constexpr int LANGUAGE_LINE_MAX = 127;  // characters of a language-file line that count

struct LanguageTextEntry {
  const char* key;      // exactly LANGUAGE_KEY_LENGTH characters
  uint8_t maxLength;    // bytes with the terminating zero; a translation this long or longer is refused
  uint8_t lengthExtra;  // the second value of the length field; nothing reads it
  uint8_t replyCode;    // reply entries (from FIRST_REPLY_TEXT on): the host or master-server code
  const char* english;  // in code page 0
};

// One entry per text, in the order of LanguageTextId.
extern const LanguageTextEntry LanguageTextTable[LANGUAGE_TEXT_COUNT];

// ---- [Texts] ----
// The slots every other subsystem reads.  Never null.
extern const char* LanguageTexts[LANGUAGE_TEXT_COUNT];

int FindLanguageText(const char* key);  // the entry with exactly that key, -1 when none

constexpr int REPLY_CODE_COUNT = 63;  // host and master-server reply codes 0..62
constexpr int REPLY_UNKNOWN_ERROR = 13;
// The entry of a reply code, -1 for a code that has none (11, 22..24, 28..31, out of range).
int ReplyTextEntry(int code);
// The text of a reply code; a code without an entry gives the text of "Unknown error".
const char* ReplyText(int code);

// The printf conversions of a text as one letter per argument the text consumes, in order:
// 'i' int (d i o u x X c and a '*' width or precision), 'l' long, 'q' long long, 'z' size_t,
// intmax_t or ptrdiff_t, 'f' double, 'D' long double, 's' string, 'p' pointer.  "%%" consumes
// nothing.  Returns the number of arguments, or -1 for a text that no caller could pass
// arguments to safely: "%n", positional arguments, wide conversions or a broken conversion.
int PrintfConversions(const char* text, char* out, int outSize);

// ---- [Languages] ----
constexpr int LANGUAGE_NAME_COUNT = 37;
struct LanguageNameRow {
  const char* name;  // as language files are named
  int related;       // the row of the language that shares its help texts, -1 for none
};
extern const LanguageNameRow LanguageNameTable[LANGUAGE_NAME_COUNT];

// The current language is LanguageName, empty for English (the player file keeps it).  Its related
// language, up to 15 characters, serves as the fallback for help texts.
extern char LanguageName[32];  // the chosen language, empty for the built-in English
extern char RelatedLanguage[16];

// Points every slot at its English text.  A loaded translation stays allocated (see above).
void ResetLanguageTexts();
// Resets the texts and frees every translation ever loaded.  Shut-down only.
void FreeLanguages();
// Puts the translation of name in effect; 1 when it is.  "English" (any case) loads nothing.
// A missing file, or one whose code page has no font, clears the current language and leaves
// the English texts; with report set the user is told why.
int LoadLanguage(const char* name, int report);
// The language text command: resets the texts, then loads name with reporting and makes it
// the current language.  An empty name or "English" selects the built-in texts.  1 on success.
int SetLanguage(const char* name);
// The name of the language in file name as the language list shows it, read from the file's
// "tx_codepage" and "tx_langname" only: the file's own name when its code page has no font or
// it names no language, "^" + code-page letter + the name for code pages 1..9, else the name.
// Returns 0, with the file name shown and a message to the user, when the file is missing.
int ListLanguages(const char* name, char* displayName, int displaySize);
// The row of name in LanguageNameTable (any case), 0 for an empty name, -1 when unknown.
int GetLanguageIndex(const char* name);

// ---- [Help] ----
constexpr int HELP_TEXT_SIZE = 2048;
struct HelpText {
  int32_t codePage;          // code page index of the file it came from
  char text[HELP_TEXT_SIZE]; // empty when the key was found nowhere
};
// Finds the block of key in the current language's help file, then the related language's,
// then "help.txt".  A key is looked for after every "\" of the file, wherever it stands: the
// first "\" followed by key wins (so does a longer key that begins with it).  1 when found.
int FindHelpText(const char* key, HelpText& out);
// The help screen that shows a block is the interface's (ui/help_screen.h).
