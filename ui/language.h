// language.h - interface and message texts by key, with their built-in English.
#pragma once

void ResetLanguageTexts();            // every text back to its built-in English
int  LoadLanguageFile(const char* name);  // 1 when read
void FreeLanguages();
// The text of a key in the chosen language; english is its built-in text.
const char* LanguageText(const char* key, const char* english);
