// character_set.h - the vector character set ("data\abc\zkt.abc") and its glyph pages.
#pragma once

int  LoadCharacterSet();  // 1 when loaded; the program cannot run without it
void FreeCharacterSet();

// The ten code pages, by index 0..9 (the letters "LETBJCGHSK" of coded text).
constexpr int CODE_PAGE_COUNT = 10;
// The Windows code-page number of an index (1252 for 0), 0 outside 0..9.
int CodePageNumber(int index);
// The index of the code page with that Windows number, -1 when none of the ten has it.
int FindCodePageByNumber(int number);
// 1 when text in the code page can be drawn: always for the single-byte pages, for the four
// double-byte pages (J, H, S, K) only once a font has been set up for them.
int CodePageHasFont(int index);
// Records the outcome of a double-byte page's font set-up (tests set it too).
void SetCodePageHasFont(int index, int hasFont);
