// player_file.h - the player file, update settings and their defaults.
#pragma once

extern char LanguageName[32];  // the chosen language, empty for the built-in English

void ReadUpdateConfig();
void SetPlayerDefaults();
void SetLanguageDefaults();
int  LoadPlayerFile();   // 1 when read
int  SavePlayerFile();   // 1 when written
