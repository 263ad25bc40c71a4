// onscreen_keyboard.cpp - the on-screen keyboard.
#include "ui/onscreen_keyboard.h"

int KeyboardWantsTranslation;
