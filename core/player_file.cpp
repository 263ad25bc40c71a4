// player_file.cpp - player and update settings with their defaults.
#include "core/player_file.h"

char LanguageName[32];

void ReadUpdateConfig() {}
void SetPlayerDefaults() {}
void SetLanguageDefaults() {}
int LoadPlayerFile() { return 0; }
int SavePlayerFile() { return 1; }
