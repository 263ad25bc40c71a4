// locale.h - the user's locale, as the stand-in for the keyboard layout's language and the
// user's interface language.
#pragma once

// The locale name that typed text follows ("ja_JP.UTF-8", "de_DE", "C"): the first of
// LC_ALL, LC_CTYPE and LANG that is set and not empty, else "C".  Cut to fit outSize.
void InputLocaleName(char* out, int outSize);

// The user's interface language is English: the first of LC_ALL, LC_MESSAGES and LANG that
// is set and not empty begins with "en", or is "C" or "POSIX"; none set counts as English.
bool UserLanguageIsEnglish();
