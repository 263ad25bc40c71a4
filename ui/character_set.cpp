// character_set.cpp - the character set; until its reader exists the start goes on without it.
// Until the file and the fonts are read, the code-page numbers are the fixed ten below and the
// double-byte pages have no font.
#include "ui/character_set.h"

namespace {

const int CODE_PAGE_NUMBERS[CODE_PAGE_COUNT] = {1252, 1250, 1254, 1257, 932, 1251, 1253, 950, 936, 949};
// The double-byte pages start without a font; their font set-up clears the flag.
unsigned char g_noFont[CODE_PAGE_COUNT] = {0, 0, 0, 0, 1, 0, 0, 1, 1, 1};

}  // namespace

int LoadCharacterSet() { return 1; }
void FreeCharacterSet() {}

int CodePageNumber(int index) { return index >= 0 && index < CODE_PAGE_COUNT ? CODE_PAGE_NUMBERS[index] : 0; }

int FindCodePageByNumber(int number) {
  for (int i = 0; i < CODE_PAGE_COUNT; ++i)
    if (CODE_PAGE_NUMBERS[i] == number) return i;
  return -1;
}

int CodePageHasFont(int index) { return index >= 0 && index < CODE_PAGE_COUNT && !g_noFont[index]; }

void SetCodePageHasFont(int index, int hasFont) {
  if (index >= 0 && index < CODE_PAGE_COUNT) g_noFont[index] = hasFont ? 0 : 1;
}
