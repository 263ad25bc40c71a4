// text_strings.h - comparing, copying, parsing and formatting the program's byte strings.
//
// Sections: [Case] [Copying] [Parsing] [Time]
//
// Caseless comparison follows the upper-casing of the Latin 1 code page (1252), whatever the
// text's code page: names and keys are compared that way everywhere.  Main thread only.
#pragma once

// ---- [Case] ----
// 256 entries: "a".."z", 224..246 and 248..254 to the byte 32 lower, 154 to 138, 156 to
// 140, 158 to 142, 255 to 159, everything else to itself.  Built once at start-up.
extern unsigned char UpperCaseTable[256];
void BuildUpperCaseTable();

// The difference of the first differing bytes after upper-casing (0 when equal).
int CompareNoCase(const char* a, const char* b);
// The first caseless occurrence of part in text, or null; an empty part gives text.
const char* FindNoCase(const char* text, const char* part);
int StartsWithNoCase(const char* text, const char* prefix);  // 1 or 0
void StrUpper(char* text);  // "a".."z" only, in place

// ---- [Copying] ----
// Copies at most n - 1 bytes and a terminating zero; a null source copies an empty string.
void CopyStringN(char* out, const char* in, int n);
// Copies at most n source bytes, leaving out double quotes, into out of outSize bytes (at
// most outSize - 1 bytes and a terminating zero).  Returns the bytes written.
int CopyWithoutQuotes(char* out, int outSize, const char* in, int n);

// ---- [Parsing] ----
// A decimal integer after optional blanks, or 0 when none parses; values beyond the 32-bit
// range are held at its ends.
int StringToInt(const char* text);
// A decimal number from the first 15 bytes, with "," read as ".", or 0.0 when none parses.
// "nan", "inf" and numbers too large for a float also give 0.0: no caller can store them.
float StringToFloat(const char* text);

// ---- [Time] ----
// Writes the optional prefix, a space when addSpace is set, then the time: "%d:%02d.%02d"
// (minutes, seconds, hundredths) under an hour, "%d:%02d:%02d.%02d" (hours first) from an
// hour on; hundredths are ms / 10, cut.  A negative time is written with a leading "-".
// Cut to fit outSize.  Returns out.
char* FormatTime(char* out, int outSize, const char* prefix, bool addSpace, int ms);
