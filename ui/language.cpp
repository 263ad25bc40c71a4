// language.cpp - language texts; only the built-in English exists yet.
#include "ui/language.h"

void ResetLanguageTexts() {}
int LoadLanguageFile(const char* name) { return 0; }
void FreeLanguages() {}
const char* LanguageText(const char* key, const char* english) { return english; }
