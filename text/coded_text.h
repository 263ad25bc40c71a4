// coded_text.h - caret codes in text: colours, code-page switches and escaped characters.
//
// Sections: [Codes] [Stepping and cutting] [Stripping and escapes]
//
// Coded text is a zero-terminated byte string.  A caret starts a two-byte code: "^0".."^7"
// colours, "^8" back to the starting colour and code page, "^9" back to the starting
// colour, "^:" back to the starting colour and code page 0, "^" with one of "LETBJCGHSK" a
// code page, "^" with one of "acdhlqrstv" one of the characters a name may not hold, and
// "^^" a caret.  In a double-byte code page a lead byte and its trail byte are one
// character, so a trail byte that happens to be a caret starts no code.
//
// The helpers here that take no code page read the text as starting in code page 0, the
// page that names and stored texts start in ("^8" goes back to it).
#pragma once
#include <cstdint>

// ---- [Codes] ----
constexpr char CARET = '^';
constexpr int SPECIAL_CHAR_COUNT = 10;
// The characters a name or file name may not hold, and their escape letters, in one order.
constexpr char SPECIAL_CHARS[] = "*:\\#<?>/\"|";
constexpr char ESCAPE_LETTERS[] = "acdhlqrstv";

bool IsSpecialChar(int c);
// The opaque 0xAARRGGBB colour of "^0".."^7": red for 1, green for 2, blue for 4.
uint32_t CaretColour(int digit);

// ---- [Stepping and cutting] ----
// The bytes of the unit that starts at text[index]: 2 for a caret code or a lead byte with
// its trail, else 1 (0 at the end).  codePage is the page in force there; a code-page code
// updates it ("^8" back to startCodePage).
int CodedUnitLength(const char* text, int index, int* codePage, int startCodePage);
// The longest head of text of at most maxLength bytes that splits no code and no
// double-byte character, as a byte count.
int CodedTextBoundary(const char* text, int maxLength, int startCodePage);
// Cuts text in place to CodedTextBoundary bytes; returns the new length.
int CutCodedText(char* text, int maxLength, int startCodePage);

// ---- [Stripping and escapes] ----
// Copies in to out for a fixed-width display, without colour codes: "^0".."^7" and "^9"
// are dropped, "^8" and "^:" become "^L", other codes are kept.  Fills exactly outLength
// bytes: the text, cut so that no code or double-byte character is split and a terminating
// zero always fits, then zeros.  Returns the output index that corresponds to the input
// index inIndex (a dropped code maps to the output index after it; an index beyond the
// copied text maps to the end of the output).
int StripCodes(char* out, const char* in, int outLength, int inIndex);

// Turns each escape ("^d") into its character ("\") in place; every other code, a lone caret
// at the end and the bytes of double-byte characters are kept as they are.
void UnescapeSpecialChars(char* text);
// Deletes the ten special characters in place.  A code whose second byte is one of them goes
// with it, so no lone caret is left to swallow the next character; trail bytes are kept.
void RemoveSpecialChars(char* text);
// True when no byte of text is one of the ten special characters.
bool HasNoSpecialChars(const char* text);
