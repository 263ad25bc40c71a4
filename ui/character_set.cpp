// character_set.cpp - the character set; until its reader exists the start goes on without it.
#include "ui/character_set.h"

int LoadCharacterSet() { return 1; }
void FreeCharacterSet() {}
