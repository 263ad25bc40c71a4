// character_set.h - the vector character set ("data\abc\zkt.abc") and its glyph pages.
#pragma once

int  LoadCharacterSet();  // 1 when loaded; the program cannot run without it
void FreeCharacterSet();
