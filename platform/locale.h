// locale.h - the user's locale, as the stand-in for the keyboard layout's language.
#pragma once

// The locale name that typed text follows ("ja_JP.UTF-8", "de_DE", "C"): the first of
// LC_ALL, LC_CTYPE and LANG that is set and not empty, else "C".  Cut to fit outSize.
void InputLocaleName(char* out, int outSize);
